// The datatype registry: each type id's name, parent and row of action implementations.
// Every row is complete once its type has registered: inheritance is resolved by copying
// the parent's row at registration, so a parent registers before its children and a
// dispatch is one table read. Rows of unregistered ids hold only null (unsupported) entries.
#pragma once
#include <initializer_list>

#include "runtime/datatypes/action-signatures.h"

namespace zel {

// The highest type id of the type table.
constexpr u32 max_type_id = [] {
    u32 highest = 0;
    for (u32 id : {
#define ZEL_TYPE(id, name, text, parent, families) id##u,
#include "runtime/core/types.def"
#undef ZEL_TYPE
         })
        highest = id > highest ? id : highest;
    return highest;
}();

// A registration record's entry for one slot: the type's own implementation, null for
// unsupported, or `inherit` to take the parent's entry.
struct Inherit {};
inline constexpr Inherit inherit{};

template <class Fn>
struct ActionEntry {
    Fn fn = nullptr;
    bool inherits = false;
    constexpr ActionEntry() = default;
    constexpr ActionEntry(Fn f) : fn(f) {}
    constexpr ActionEntry(Inherit) : inherits(true) {}
};

// What a datatype supplies: one entry per action slot, named after the slot.
struct ActionRecord {
#define ZEL_ACTION(slot, name, text) ActionEntry<sig::on_##name> on_##name;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
};

// The record each datatype file defines, as the start-up order names it.
#define ZEL_REGISTER(type, record) extern const ActionRecord record;
#include "runtime/datatypes/registration-order.def"
#undef ZEL_REGISTER

// Serves the eight arithmetic slots (add ... xor~) with a type's arithmetic core.
template <Cell* (*core)(ArithOp, Cell*, Cell*)>
constexpr void set_arithmetic(ActionRecord& record) {
    record.on_add = arithmetic_action<core, ArithOp::add>;
    record.on_subtract = arithmetic_action<core, ArithOp::subtract>;
    record.on_multiply = arithmetic_action<core, ArithOp::multiply>;
    record.on_divide = arithmetic_action<core, ArithOp::divide>;
    record.on_remainder = arithmetic_action<core, ArithOp::remainder>;
    record.on_or_ = arithmetic_action<core, ArithOp::or_>;
    record.on_and_ = arithmetic_action<core, ArithOp::and_>;
    record.on_xor_ = arithmetic_action<core, ArithOp::xor_>;
}

// Marks the slots absolute ... xor~ unsupported: for a type whose parent row has them
// but which has no arithmetic of its own.
constexpr void clear_arithmetic(ActionRecord& record) {
    record.on_absolute = {};
    record.on_add = {};
    record.on_divide = {};
    record.on_multiply = {};
    record.on_negate = {};
    record.on_power = {};
    record.on_remainder = {};
    record.on_round = {};
    record.on_subtract = {};
    record.on_even_q = {};
    record.on_odd_q = {};
    record.on_and_ = {};
    record.on_complement = {};
    record.on_or_ = {};
    record.on_xor_ = {};
}

// A type's resolved row: for each slot its implementation, null when unsupported.
struct ActionRow {
#define ZEL_ACTION(slot, name, text) sig::on_##name on_##name = nullptr;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
};

struct TypeInfo {
    const char* name;  // "integer!"
    u32 form_length;   // the name's length without the trailing "!"
    Type parent;       // Type{0} for a root type
};

const TypeInfo& type_info(Type t);

class Registry {
public:
    // Takes a type's record, copying the parent's entries where the record inherits.
    // A record that cannot be resolved (registered twice, parent not yet registered,
    // inheriting without a parent) ends the process with a datatype error.
    void register_type(Type t, const ActionRecord& record);

    const ActionRow& actions(Type t) const { return rows_[static_cast<u8>(t)]; }
    bool registered(Type t) const { return registered_[static_cast<u8>(t)]; }
    u32 highest_registered() const { return highest_; }

private:
    // A row for every value of a type byte, so that even a cell with a corrupt header
    // dispatches to an empty row.
    ActionRow rows_[256]{};
    bool registered_[256]{};
    u32 highest_ = 0;
};

// The process's registry.
Registry& registry();

// Registers every datatype of the start-up order, parents first.
void register_datatypes();

inline const ActionRow& actions_of(const Cell& value) { return registry().actions(value.type()); }

// The word of the call in progress, for the errors that name it; unset when no call is
// open.
Cell calling_word();

// script/expect-arg for a value an action does not take: the calling word, the value's
// datatype! and the word of the call's parameter at `parameter` (0-based, counted as the
// call's spec lists them). With no call open, unset stands for the words.
[[noreturn]] void raise_expect_arg(const Cell& value, u32 parameter = 0);

// `make` and `to` given a datatype! dispatch to the type it names.
Type dispatch_type(const Cell& first);

// The generic comparison. Every comparison of two values (the comparison natives and
// operators, searches, hash keys, set operations, sorting, element-wise comparison of
// blocks and objects) goes through these three.

// Turns the answer of a `compare` implementation into the truth of comparison `code`;
// a value pair that is not comparable under an ordering code raises script/invalid-compare.
bool compare_truth(const Cell& value1, const Cell& value2, i32 result, i32 code);

// The truth of comparison `code` through value1's `compare` (a type without one relates to
// nothing): so ordering two logic! values raises, as it does for any type without an order.
bool compare_values(const Cell& value1, const Cell& value2, i32 code);

// The raw ordering that sorting and element-wise comparison use: negative, 0, positive or
// not_comparable, through value1's `compare`. Two logic! values (false first), native!,
// action! and op! values (by table index) or function! and routine! values (by identity)
// order by their type's sort order whatever the code, although they have no order under
// the ordering codes.
i32 compare_result(const Cell& value1, const Cell& value2, i32 code);

// The ordering of two elements of blocks or objects compared element-wise: elements of
// unrelated types order by type id; the same type, two word types or two numbers go
// through compare_result.
i32 compare_elements(const Cell& element1, const Cell& element2, i32 code);

}  // namespace zel
