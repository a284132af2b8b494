// The calling convention of action implementations: one function-pointer type per action
// slot, named after the slot (sig::on_add is what every `add` implementation looks like).
// Arguments are cells of the caller's argument frame, first argument first; the first
// argument's cell is also the result slot, so most value actions work in it and return it.
// A refinement arrives as a flag, or as its argument cell (null when not given).
#pragma once
#include "runtime/core/cell.h"
#include "runtime/core/compare-codes.h"

namespace zel {

class Output;

// Arithmetic operation codes, shared by every arithmetic core and the evaluator's fast paths.
enum class ArithOp : u8 { add = 0, subtract = 1, multiply = 2, divide = 3, remainder = 4, or_ = 5, and_ = 6, xor_ = 7 };

// Set-operation codes: the bitwise actions' arithmetic codes and the set natives' codes.
enum class SetOp : u8 { or_ = 5, and_ = 6, xor_ = 7, unique = 8, union_ = 9, intersect = 10, exclude = 11, difference = 12 };

// What a set operation makes of two bit maps (typesets, bitset bytes): or for or~ and
// union, and for and~ and intersect, xor for xor~ and difference, a and not b for exclude.
// unique has no second set and keeps a.
constexpr u32 combine_bits(SetOp op, u32 a, u32 b) {
    switch (op) {
    case SetOp::or_:
    case SetOp::union_: return a | b;
    case SetOp::and_:
    case SetOp::intersect: return a & b;
    case SetOp::xor_:
    case SetOp::difference: return a ^ b;
    case SetOp::exclude: return a & ~b;
    case SetOp::unique: break;
    }
    return a;
}

// An arithmetic action served by its type's arithmetic core with one operation code.
template <Cell* (*core)(ArithOp, Cell*, Cell*), ArithOp op>
Cell* arithmetic_action(Cell* value1, Cell* value2) {
    return core(op, value1, value2);
}

struct MoldFlags {
    bool only = false;
    bool all = false;
    bool flat = false;
};

struct RoundFlags {
    bool even = false;
    bool down = false;
    bool half_down = false;
    bool floor = false;
    bool ceiling = false;
    bool half_ceiling = false;
};

struct FindRefinements {
    const Cell* part = nullptr;
    bool only = false;
    bool case_ = false;
    bool same = false;
    bool any = false;
    const Cell* with = nullptr;
    const Cell* skip = nullptr;
    bool last = false;
    bool reverse = false;
    bool tail = false;
    bool match = false;
};

struct SortRefinements {
    bool case_ = false;
    const Cell* skip = nullptr;
    const Cell* compare = nullptr;
    const Cell* part = nullptr;
    bool all = false;
    bool reverse = false;
    bool stable = false;
};

struct TrimRefinements {
    bool head = false;
    bool tail = false;
    bool auto_ = false;
    bool lines = false;
    bool all = false;
    const Cell* with = nullptr;
};

struct OpenRefinements {
    bool new_ = false;
    bool read = false;
    bool write = false;
    bool seek = false;
    const Cell* allow = nullptr;
};

// read's refinements: the /part and /seek arguments (null when unused) and the flags.
struct ReadRefinements {
    const Cell* part = nullptr;
    const Cell* seek = nullptr;
    bool binary = false;
    bool lines = false;
    bool info = false;
    const Cell* as = nullptr;
};

// write's refinements, the same way.
struct WriteRefinements {
    bool binary = false;
    bool lines = false;
    bool info = false;
    bool append = false;
    const Cell* part = nullptr;
    const Cell* seek = nullptr;
    const Cell* allow = nullptr;
    const Cell* as = nullptr;
};

// One step of a path walk, as the evaluator hands it to `eval-path`.
struct PathStep {
    const Cell* path = nullptr;
    const Cell* walk_a = nullptr;
    const Cell* walk_b = nullptr;
    i32 element_index = 0;
    bool case_ = false;
    bool get = false;
    bool last = false;
};

namespace sig {
using on_make = Cell* (*)(Cell* prototype, const Cell* spec, Type target);
using on_random = Cell* (*)(Cell* value, bool seed, bool secure, bool only);
using on_reflect = Cell* (*)(Cell* value, const Cell* field);
using on_to = Cell* (*)(Cell* prototype, const Cell* spec, Type target);
// form and mold append to the output and return the limit less the characters appended.
using on_form = i32 (*)(const Cell* value, Output& out, const Cell* part, i32 limit);
using on_mold = i32 (*)(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);
using on_eval_path = Cell* (*)(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step);
using on__empty = void (*)();
// 0 equal, negative lesser, positive greater, not_comparable.
using on_compare = i32 (*)(const Cell* value1, const Cell* value2, i32 code);
using on_absolute = Cell* (*)(Cell* value);
using on_add = Cell* (*)(Cell* value1, Cell* value2);
using on_divide = Cell* (*)(Cell* value1, Cell* value2);
using on_multiply = Cell* (*)(Cell* value1, Cell* value2);
using on_negate = Cell* (*)(Cell* value);
using on_power = Cell* (*)(Cell* number, Cell* exponent);
using on_remainder = Cell* (*)(Cell* value1, Cell* value2);
// scale is the /to argument, null without /to.
using on_round = Cell* (*)(Cell* value, const Cell* scale, RoundFlags flags);
using on_subtract = Cell* (*)(Cell* value1, Cell* value2);
using on_even_q = bool (*)(const Cell* value);
using on_odd_q = bool (*)(const Cell* value);
using on_and_ = Cell* (*)(Cell* value1, Cell* value2);
using on_complement = Cell* (*)(Cell* value);
using on_or_ = Cell* (*)(Cell* value1, Cell* value2);
using on_xor_ = Cell* (*)(Cell* value1, Cell* value2);
// part: the /part count or -1; dup: the /dup count (1 without it).
using on_append = Cell* (*)(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool append);
using on_at = Cell* (*)(Cell* series, const Cell* index);
using on_back = Cell* (*)(Cell* series);
using on_change = Cell* (*)(Cell* series, const Cell* value, i32 part, bool only, i32 dup);
using on_clear = Cell* (*)(Cell* series);
using on_copy = Cell* (*)(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types);
using on_find = Cell* (*)(Cell* series, const Cell* value, const FindRefinements& refinements);
using on_head = Cell* (*)(Cell* series);
using on_head_q = Cell* (*)(Cell* series);
using on_index_q = Cell* (*)(Cell* series);
using on_insert = Cell* (*)(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool append);
// The count of elements, or -1 for none.
using on_length_q = i32 (*)(Cell* series);
using on_move = Cell* (*)(Cell* series, Cell* target, const Cell* part);
using on_next = Cell* (*)(Cell* series);
using on_pick = Cell* (*)(Cell* series, const Cell* index);
using on_poke = Cell* (*)(Cell* series, const Cell* index, const Cell* value);
using on_put = Cell* (*)(Cell* series, const Cell* key, const Cell* value, bool case_);
using on_remove = Cell* (*)(Cell* series, const Cell* part, const Cell* key);
using on_reverse = Cell* (*)(Cell* series, const Cell* part, const Cell* skip);
using on_select = Cell* (*)(Cell* series, const Cell* value, const FindRefinements& refinements);
using on_sort = Cell* (*)(Cell* series, const SortRefinements& refinements);
using on_skip = Cell* (*)(Cell* series, const Cell* offset);
using on_swap = Cell* (*)(Cell* series1, Cell* series2);
using on_tail = Cell* (*)(Cell* series);
using on_tail_q = Cell* (*)(Cell* series);
using on_take = Cell* (*)(Cell* series, const Cell* part, bool deep, bool last);
using on_trim = Cell* (*)(Cell* series, const TrimRefinements& refinements);
using on_create = Cell* (*)(Cell* port);
using on_close = Cell* (*)(Cell* port);
using on_delete = Cell* (*)(Cell* port);
using on_modify = Cell* (*)(Cell* target, const Cell* field, const Cell* value, bool case_);
using on_open = Cell* (*)(Cell* port, const OpenRefinements& refinements);
using on_open_q = Cell* (*)(Cell* port);
using on_query = Cell* (*)(Cell* port);
using on_read = Cell* (*)(Cell* source, const ReadRefinements& refinements);
using on_rename = Cell* (*)(Cell* port, const Cell* new_name);
using on_update = Cell* (*)(Cell* port);
using on_write = Cell* (*)(Cell* destination, const Cell* data, const WriteRefinements& refinements);
}  // namespace sig

}  // namespace zel
