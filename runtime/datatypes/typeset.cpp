#include "runtime/datatypes/typeset.h"

#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::typeset {
namespace {

constexpr u32 map_bits = 96;

u32& word(Cell& set, u32 i) { return i == 0 ? set.w1 : i == 1 ? set.w2 : set.w3; }
u32 word(const Cell& set, u32 i) { return i == 0 ? set.w1 : i == 1 ? set.w2 : set.w3; }

// Byte k of the map is byte k % 4 of word k / 4 in memory order (the low byte first).
u32& word_of(Cell& set, u32 type_id) { return word(set, type_id >> 5); }
u32 word_of(const Cell& set, u32 type_id) { return word(set, type_id >> 5); }
u32 mask_of(u32 type_id) { return (0x80u >> (type_id & 7)) << (8 * ((type_id >> 3) & 3)); }

constexpr std::string_view make_prefix = "make typeset! [";

}  // namespace

bool has(const Cell& set, u32 type_id) { return type_id < map_bits && (word_of(set, type_id) & mask_of(type_id)); }

void insert(Cell& set, u32 type_id) { word_of(set, type_id) |= mask_of(type_id); }

u32 count(const Cell& set) {
    u32 n = 0;
    for (u32 id = 1; id <= registry().highest_registered(); ++id) n += has(set, id);
    return n;
}

Cell of_families(u32 families) {
    Cell set = empty();
    for (u32 id = 1; id <= max_type_id; ++id)
        if (in_family(static_cast<Type>(id), families)) insert(set, id);
    return set;
}

void set_family_words() {
    for (const FamilyName& f : family_names) {
        Cell word = context::make_global_word(symbol::intern_cstring(f.word));
        context::set_word(word, of_families(f.family));
    }
}

Cell make_default() {
    Cell set{header_of(Type::typeset), ~0u, ~0u, ~0u};
    set.w1 &= ~mask_of(static_cast<u8>(Type::unset));
    return set;
}

void add(Cell& set, const Cell& value) {
    if (value.is(Type::typeset)) {
        set.w1 |= value.w1;
        set.w2 |= value.w2;
        set.w3 |= value.w3;
    } else if (value.is(Type::datatype)) {
        insert(set, value.w1);
    } else {
        raise(ErrorId::script_invalid_arg, &value);
    }
}

Cell from_block(const Cell& block) {
    Cell set = empty();
    // Neither adding nor reading a word's value allocates, so the buffer stays where it is.
    Buffer* b = node::buffer(block.w2);
    const u32 length = b->cell_count();
    const Cell* cells = reinterpret_cast<const Cell*>(b->head_ptr());
    for (u32 i = block.w1; i < length; ++i) {
        // A word stands for the datatype or typeset it holds.
        add(set, cells[i].is(Type::word) ? *context::get_word(cells[i]) : cells[i]);
    }
    return set;
}

const Cell* spec_word_value(const Cell& word) {
    const auto w = as_word(word);
    if (w.context && w.index != context::no_index) return context::get_word(word);
    return context::global_value_cell(w.symbol);
}

Cell from_spec_block(const Cell& types) {
    Cell set = empty();
    // Neither adding nor reading a word's value allocates, so the buffer stays where it is.
    const auto pos = as_series(types);
    Buffer* b = node::buffer(pos.node);
    const u32 length = b->cell_count();
    const Cell* cells = reinterpret_cast<const Cell*>(b->head_ptr());
    for (u32 i = pos.index; i < length; ++i) {
        const Cell item = cells[i];
        Cell value = item;
        if (item.is(Type::word)) {
            const Cell* slot = spec_word_value(item);
            if (!slot || slot->is(Type::unset)) raise(ErrorId::script_no_value, &item);
            value = *slot;
        }
        if (value.is(Type::word)) insert(set, static_cast<u32>(Type::object));
        else if (value.is(Type::datatype) || value.is(Type::typeset)) add(set, value);
        else if (!value.is(Type::block)) raise(ErrorId::script_invalid_type_spec, &value);
    }
    return set;
}

Cell to_block(const Cell& set) {
    const Cell block{header_of(Type::block), 0, memory::alloc_cells(4), 0};
    for (u32 id = 1; id <= registry().highest_registered(); ++id) {
        if (has(set, id)) *series_buffer::append_cell(block) = datatype::of(static_cast<Type>(id));
    }
    return block;
}

Cell* set_operation(SetOp op, Cell* value1, const Cell* value2) {
    if (op == SetOp::unique) return value1;
    Cell other = empty();
    add(other, *value2);
    for (u32 i = 0; i < 3; ++i) word(*value1, i) = combine_bits(op, word(*value1, i), word(other, i));
    value1->header = header_of(Type::typeset);
    return value1;
}

namespace {

Cell* make(Cell* prototype, const Cell* spec, Type) {
    if (spec->is(Type::typeset)) {
        *prototype = *spec;
        return prototype;
    }
    if (spec->is(Type::block)) {
        *prototype = from_block(*spec);
        return prototype;
    }
    const Cell type = datatype::of(Type::typeset);
    raise(ErrorId::script_bad_to_arg, &type, spec);
}

// form and mold write the same text: the construction "make typeset! [...]", or with
// only the bare names.
i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    if (!flags.only) {
        out.append_ascii(make_prefix);
        limit -= static_cast<i32>(make_prefix.size());
    }
    bool listed = false;
    for (u32 id = 1; id <= registry().highest_registered(); ++id) {
        if (!has(*value, id)) continue;
        if (has_part(part) && limit < 0) break;
        const TypeInfo& info = type_info(static_cast<Type>(id));
        out.append_ascii(info.name);
        out.append_char(' ');
        limit -= static_cast<i32>(info.form_length) + 2;
        listed = true;
    }
    if (listed) out.limit_length(out.length() - 1);
    if (!flags.only) {
        out.append_char(']');
        if (!listed) --limit;
    }
    return limit;
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    return mold(value, out, MoldFlags{}, part, limit, 0);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::typeset)) return not_comparable;
    if (compare_code::asks_equality(code)) {
        return value1->w1 == value2->w1 && value1->w2 == value2->w2 && value1->w3 == value2->w3 ? 0 : 1;
    }
    if (code != compare_code::sort && code != compare_code::case_sort) return not_comparable;
    const u32 a = count(*value1);
    const u32 b = count(*value2);
    return a < b ? -1 : a > b ? 1 : 0;
}

Cell* complement(Cell* value) {
    value->w1 = ~value->w1;
    value->w2 = ~value->w2;
    value->w3 = ~value->w3;
    return value;
}

Cell* find(Cell* series, const Cell* value, const FindRefinements&) {
    if (!value->is(Type::datatype)) raise(ErrorId::script_invalid_arg, value);
    *series = logic::cell(has(*series, value->w1));
    return series;
}

template <SetOp op>
Cell* bitwise_action(Cell* value1, Cell* value2) {
    return set_operation(op, value1, value2);
}

}  // namespace
}  // namespace zel::typeset

namespace zel {

constinit const ActionRecord typeset_actions = [] {
    using namespace typeset;
    ActionRecord r;
    r.on_make = make;
    r.on_to = make;
    r.on_form = form;
    r.on_mold = mold;
    r.on_compare = compare;
    r.on_and_ = bitwise_action<SetOp::and_>;
    r.on_complement = complement;
    r.on_or_ = bitwise_action<SetOp::or_>;
    r.on_xor_ = bitwise_action<SetOp::xor_>;
    r.on_find = find;
    return r;
}();

}  // namespace zel
