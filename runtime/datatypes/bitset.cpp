#include "runtime/datatypes/bitset.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::bitset {
namespace {

Buffer* buffer_of(const Cell& set) { return node::buffer(as_series(set).node); }
u32 byte_count(const Cell& set) { return buffer_of(set)->used(); }
u8 mask_of(u32 n) { return static_cast<u8>(0x80u >> (n & 7)); }
// What the bytes past the array stand for, and what a grown array is filled with.
u8 fill_of(const Cell& set) { return complemented(set) ? 0xFF : 0x00; }

Cell new_set(u32 bytes, u8 fill, bool complement) {
    const Node n = memory::alloc_filled_bytes(bytes, fill);
    Buffer* b = node::buffer(n);
    b->tail = b->head + bytes;
    if (complement) b->flags |= bufferflag::complemented;
    return series_cell(Type::bitset, n);
}

void invert_bytes(const Cell& set) {
    Buffer* b = buffer_of(set);
    for (u8* p = b->head_ptr(); p < b->tail_ptr(); ++p) *p = static_cast<u8>(~*p);
}

// Grows the array so that it covers bit n, the new bytes standing for what lay past it.
u8* ensure_bit(const Cell& set, u32 n) {
    Buffer* b = buffer_of(set);
    const u32 need = (n >> 3) + 1;
    const u32 used = b->used();
    if (need > used) std::memset(series_buffer::reserve_tail(b, need - used), fill_of(set), need - used);
    return buffer_of(set)->head_ptr();
}

bool outside(const Cell& set, u32 n) { return (n >> 3) >= byte_count(set); }

// A bit past the array already has the membership it asks for in a complemented set
// (setting) or a plain one (clearing), so the array grows only for the other kind.
void set_bit(const Cell& set, u32 n) {
    if (complemented(set) && outside(set, n)) return;
    ensure_bit(set, n)[n >> 3] |= mask_of(n);
}

void clear_bit(const Cell& set, u32 n) {
    if (!complemented(set) && outside(set, n)) return;
    ensure_bit(set, n)[n >> 3] &= static_cast<u8>(~mask_of(n));
}

// ---- specs -------------------------------------------------------------------------

// What a walk over a spec does with each value it names: measure the highest one, add
// them, test that all are members, or take them out.
enum class Op { measure, set, test, clear };
// Who walks, which decides the error for a value that is no spec.
enum class Use { make, to, action };

struct Walk {
    Op op;
    Use use;
    Cell set{};  // the bitset, unused while measuring
    i64 highest = -1;
    bool all = true;
};

[[noreturn]] void bad_spec(const Walk& w, const Cell& value) {
    const Cell type = datatype::of(Type::bitset);
    if (w.use == Use::make) raise(ErrorId::script_bad_make_arg, &type, &value);
    if (w.use == Use::to) raise(ErrorId::script_bad_to_arg, &type, &value);
    raise(ErrorId::script_invalid_arg, &value);
}

void apply_bit(Walk& w, i64 n, const Cell& value) {
    if (w.op == Op::test) {
        w.all = w.all && n >= 0 && has(w.set, static_cast<u32>(n));
        return;
    }
    if (n < 0 || n > max_bit) raise(ErrorId::script_out_of_range, &value);
    const u32 bit = static_cast<u32>(n);
    switch (w.op) {
    case Op::measure: w.highest = std::max<i64>(w.highest, n); break;
    case Op::set: set_bit(w.set, bit); break;
    case Op::clear: clear_bit(w.set, bit); break;
    case Op::test: break;
    }
}

// The bits low .. high inclusive; low <= high.
void apply_range(Walk& w, i64 low, i64 high, const Cell& low_value, const Cell& high_value) {
    if (w.op == Op::test) {
        // Past the array every bit answers alike, so the test stops there.
        const i64 covered = i64{byte_count(w.set)} * 8;
        if (low < 0) w.all = false;
        for (i64 n = low; w.all && n <= high && n < covered; ++n) w.all = has(w.set, static_cast<u32>(n));
        if (high >= covered) w.all = w.all && complemented(w.set);
        return;
    }
    if (low < 0) raise(ErrorId::script_out_of_range, &low_value);
    if (high > max_bit) raise(ErrorId::script_out_of_range, &high_value);
    // From the top down, so that the array grows once.
    for (i64 n = high; n >= low; --n) apply_bit(w, n, high_value);
}

i64 number_of(const Cell& value) {
    return value.is(Type::char_) ? i64{as_char(value).code_point} : i64{integer::from_number_arg(value)};
}

bool is_minus(const Cell& value) {
    return value.is(Type::word) && symbol::canonical_id(as_word(value).symbol) == symbol::canonical_id(sym::minus);
}

void walk(Walk& w, const Cell& spec);

// Each element in turn; a char! or integer! followed by the word - and a value of its
// type names the range between them. Elements are read by index: setting bits allocates.
void walk_block(Walk& w, const Cell& block) {
    const auto length = [&] { return node::buffer(as_series(block).node)->cell_count(); };
    for (u32 i = as_series(block).index; i < length(); ++i) {
        const Cell item = *block::cell_at(block, i);
        const bool rangeable = item.is(Type::char_) || item.is(Type::integer);
        if (rangeable && i + 1 < length() && is_minus(*block::cell_at(block, i + 1))) {
            if (i + 2 >= length()) raise(ErrorId::script_past_end);
            const Cell high = *block::cell_at(block, i + 2);
            if (high.type() != item.type()) raise(ErrorId::script_invalid_arg, &high);
            if (number_of(high) < number_of(item)) raise(ErrorId::script_past_end);
            apply_range(w, number_of(item), number_of(high), item, high);
            i += 2;
        } else if (item.is(Type::binary)) {
            raise(ErrorId::internal_not_done);
        } else {
            walk(w, item);
        }
    }
}

void walk(Walk& w, const Cell& spec) {
    switch (spec.type()) {
    case Type::char_:
    case Type::integer: apply_bit(w, number_of(spec), spec); return;
    case Type::float_: {
        const std::optional<i32> n = integer::truncate(float_payload(spec));
        if (!n && w.op == Op::test) w.all = false;
        else if (!n) raise(ErrorId::script_out_of_range, &spec);
        else apply_bit(w, *n, spec);
        return;
    }
    case Type::block: walk_block(w, spec); return;
    default: break;
    }
    if (!series::any_string(spec.type())) bad_spec(w, spec);
    for (u32 i = 0, count = chars_from_position(spec); i < count; ++i) apply_bit(w, char_at(spec, i), spec);
}

void change(const Cell& set, const Cell& spec, Op op) {
    Walk w{op, Use::action, set};
    walk(w, spec);
}

bool test(const Cell& set, const Cell& spec) {
    Walk w{Op::test, Use::action, set};
    walk(w, spec);
    return w.all;
}

// ---- making ------------------------------------------------------------------------

Cell from_size(const Cell& spec) {
    const i32 n = integer::from_number_arg(spec);
    if (n < 0 || u32(n) > max_bit + 1) raise(ErrorId::script_out_of_range, &spec);
    return new_set((static_cast<u32>(n) + 7) / 8, 0x00, false);
}

Cell from_binary(const Cell& bytes, bool complement) {
    const auto pos = as_series(bytes);
    const u32 length = node::buffer(pos.node)->used();
    const Cell set = series_cell(Type::bitset, series_buffer::copy_slice(pos.node, pos.index, pos.index < length ? length - pos.index : 0));
    if (complement) {
        invert_bytes(set);
        buffer_of(set)->flags |= bufferflag::complemented;
    }
    return set;
}

// A block opening with the word `not` makes the complemented set of the rest of it (of
// the binary! that follows, when one does). Any other spec but a size, a bitset or a
// binary is measured first, so that a faulty spec raises before anything is made.
Cell make_from(const Cell& spec_value, Use use) {
    Cell spec = spec_value;
    bool complement = false;
    if (spec.is(Type::block) && as_series(spec).index < node::buffer(as_series(spec).node)->cell_count()) {
        const Cell first = *block::cell_at(spec, as_series(spec).index);
        if (first.is(Type::word) && symbol::canonical_id(as_word(first).symbol) == symbol::canonical_id(sym::not_)) {
            complement = true;
            ++as_series(spec).index;
            const u32 next = as_series(spec).index;
            if (next < node::buffer(as_series(spec).node)->cell_count() && block::cell_at(spec, next)->is(Type::binary))
                spec = *block::cell_at(spec, next);
        }
    }
    if (spec.is(Type::integer) || spec.is(Type::float_)) {
        if (use == Use::to) bad_spec(Walk{Op::measure, use}, spec);
        return from_size(spec);
    }
    if (spec.is(Type::bitset)) return series_cell(Type::bitset, series_buffer::copy_buffer(buffer_of(spec)));
    if (spec.is(Type::binary)) return from_binary(spec, complement);
    Walk measure{Op::measure, use};
    walk(measure, spec);
    const u32 bytes = measure.highest < 0 ? 1 : static_cast<u32>(measure.highest >> 3) + 1;
    const Cell set = new_set(bytes, complement ? 0xFF : 0x00, complement);
    Walk fill{complement ? Op::clear : Op::set, use, set};
    walk(fill, spec);
    return set;
}

Cell* make(Cell* prototype, const Cell* spec, Type) {
    *prototype = make_from(*spec, Use::make);
    return prototype;
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    *prototype = make_from(*spec, Use::to);
    return prototype;
}

// ---- text --------------------------------------------------------------------------

// "make bitset! #{...}", or "make bitset! [not #{...}]" listing the non-members of a
// complemented set, which is how `make` reads it back. With /part the digits stop once
// the limit runs out, and nothing follows them.
i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    const bool complement = complemented(*value);
    limit = append_text(out, complement ? "make bitset! [not #{" : "make bitset! #{", limit);
    const u8 flip = complement ? 0xFF : 0x00;
    for (u32 i = 0; i < byte_count(*value); ++i) {
        if (has_part(part) && limit < 0) return limit;
        const u8 byte = buffer_of(*value)->head_ptr()[i] ^ flip;
        limit = append_text(out, int_to_hex(byte, false).substr(6), limit);
    }
    if (has_part(part) && limit < 0) return limit;
    return append_text(out, complement ? "}]" : "}", limit);
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return mold(value, out, MoldFlags{}, part, limit, 0);
}

// ---- comparison ----------------------------------------------------------------------

// Sets compare by membership, so arrays of different lengths holding the same members are
// equal. A plain set orders before a complemented one; otherwise the highest differing
// byte (past an array, what its flag stands for) decides.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::bitset)) return not_comparable;
    if (code == compare_code::same) return as_series(*value1).node == as_series(*value2).node ? 0 : 1;
    const bool c1 = complemented(*value1);
    const bool c2 = complemented(*value2);
    if (c1 != c2) return c1 ? 1 : -1;
    const u32 length1 = byte_count(*value1);
    const u32 length2 = byte_count(*value2);
    const u8 fill = c1 ? 0xFF : 0x00;
    for (u32 i = std::max(length1, length2); i-- > 0;) {
        const u8 a = i < length1 ? buffer_of(*value1)->head_ptr()[i] : fill;
        const u8 b = i < length2 ? buffer_of(*value2)->head_ptr()[i] : fill;
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

// ---- changes -------------------------------------------------------------------------

void change_notified(const Cell& set, const Cell& spec, Op op, const Cell* before, const Cell* after) {
    series::notify(set, before, 0, 0, &spec);
    change(set, spec, op);
    series::notify(set, after, 0, 0, &spec);
}

Cell* append(Cell* set, const Cell* value, i32, bool, i32, bool append) {
    const Cell target = *set;
    change_notified(target, *value, Op::set, append ? words::append : words::insert,
                    append ? words::appended : words::inserted);
    return set;
}

// none, false, 0 and 0.0 take the named members out; any other value puts them in.
Cell* poke(Cell* set, const Cell* spec, const Cell* value) {
    const bool clears = value->is(Type::none) || (value->is(Type::logic) && !logic::get(*value)) ||
                        (value->is(Type::integer) && integer::get(*value) == 0) ||
                        (value->is(Type::float_) && float_payload(*value) == 0.0);
    const Cell target = *set;
    const Cell poked = *value;
    change_notified(target, *spec, clears ? Op::clear : Op::set, words::poke, words::poked);
    *set = poked;
    return set;
}

// The /part argument names the members to take out (in a complemented set too).
Cell* remove(Cell* set, const Cell* part, const Cell*) {
    if (!part) raise(ErrorId::script_missing_arg);
    const Cell target = *set;
    change_notified(target, *part, Op::clear, words::remove, words::removed);
    return set;
}

// The empty set: a complemented one loses its flag.
Cell* clear(Cell* set) {
    const Cell target = *set;
    series::notify(target, words::clear, 0, 0);
    Buffer* b = buffer_of(target);
    std::memset(b->head_ptr(), 0x00, b->used());
    b->flags &= ~bufferflag::complemented;
    series::notify(target, words::cleared, 0, 0);
    return set;
}

Cell* copy(Cell* value, Cell* result, const Cell*, bool, const Cell*) {
    *result = series_cell(Type::bitset, series_buffer::copy_buffer(buffer_of(*value)));
    return result;
}

// Every membership turned over: the flag toggled and every byte inverted.
Cell* complement(Cell* value) {
    const Cell set = series_cell(Type::bitset, series_buffer::copy_buffer(buffer_of(*value)));
    invert_bytes(set);
    buffer_of(set)->flags ^= bufferflag::complemented;
    *value = set;
    return value;
}

// ---- searching -----------------------------------------------------------------------

Cell* find(Cell* set, const Cell* value, const FindRefinements&) {
    *set = test(*set, *value) ? true_cell : none_cell;
    return set;
}

Cell* pick(Cell* set, const Cell* spec) {
    *set = logic::cell(test(*set, *spec));
    return set;
}

i32 length_q(Cell* set) { return static_cast<i32>(byte_count(*set) * 8); }

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep&) {
    if (!element->is(Type::integer) && !element->is(Type::char_)) {
        const Cell type = datatype::of(element->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    return value_to_set ? poke(parent, element, value_to_set) : pick(parent, element);
}

template <SetOp op>
Cell* bitwise_action(Cell* value1, Cell* value2) {
    return set_operation(op, value1, value2);
}

}  // namespace

bool complemented(const Cell& set) { return (buffer_of(set)->flags & bufferflag::complemented) != 0; }

Members members_of(const Cell& set) {
    Buffer* b = buffer_of(set);
    return {b->head_ptr(), b->used(), (b->flags & bufferflag::complemented) != 0};
}

bool has(const Cell& set, u32 n) { return members_of(set).has(n); }

// Each operand is read as if padded with what its own flag stands for, so the result's
// bytes and flag give exactly the members of the operation, whatever the flags.
Cell* set_operation(SetOp op, Cell* value1, const Cell* value2) {
    if (op == SetOp::unique) return value1;
    if (!value2->is(Type::bitset)) {
        const Cell type = datatype::of(value2->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    const u8 fill1 = fill_of(*value1);
    const u8 fill2 = fill_of(*value2);
    const u32 length1 = byte_count(*value1);
    const u32 length2 = byte_count(*value2);
    const u32 length = std::max(length1, length2);
    const Cell result = new_set(length, 0x00, combine_bits(op, fill1, fill2) & 1);
    const u8* a = buffer_of(*value1)->head_ptr();
    const u8* b = buffer_of(*value2)->head_ptr();
    u8* out = buffer_of(result)->head_ptr();
    for (u32 i = 0; i < length; ++i)
        out[i] = static_cast<u8>(combine_bits(op, i < length1 ? a[i] : fill1, i < length2 ? b[i] : fill2));
    *value1 = result;
    return value1;
}

}  // namespace zel::bitset

namespace zel {

constinit const ActionRecord bitset_actions = [] {
    using namespace bitset;
    ActionRecord r;
    r.on_make = make;
    r.on_reflect = series::reflect;
    r.on_to = to;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = compare;
    r.on_negate = complement;
    r.on_and_ = bitwise_action<SetOp::and_>;
    r.on_complement = complement;
    r.on_or_ = bitwise_action<SetOp::or_>;
    r.on_xor_ = bitwise_action<SetOp::xor_>;
    r.on_append = append;
    r.on_insert = append;
    r.on_clear = clear;
    r.on_copy = copy;
    r.on_find = find;
    r.on_length_q = length_q;
    r.on_pick = pick;
    r.on_poke = poke;
    r.on_remove = remove;
    r.on_modify = series::modify;
    return r;
}();

}  // namespace zel
