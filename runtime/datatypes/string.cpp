// string!'s construction, form, mold, comparison, path access, swap and take, and its
// action table; changing, searching, sorting, trimming and the set operations have files
// of their own.
#include "runtime/datatypes/string.h"

#include <algorithm>

#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-compare.h"
#include "runtime/datatypes/string-load.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"

namespace zel::string {

// With /part only the count asked for is written; the generic entry makes the exact cut.
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    const u32 length = chars_from_position(*value);
    u32 count = length;
    if (has_part(part)) {
        const i32 asked = static_cast<i32>(part->w2);
        if (asked >= 0 && static_cast<u32>(asked) < count) count = static_cast<u32>(asked);
    }
    for (u32 i = 0; i < count; ++i) out.append_char(char_at(*value, i));
    return limit - static_cast<i32>(length);
}

namespace {

// Room of the strings that `to` makes before it knows their length.
constexpr u32 initial_room = 16;

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    return mold_string(out, *value, part, limit, flags.all);
}

// Texts of two string-like types are equal or not equal by their characters, but never
// strictly equal and never ordered.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (value1->type() != value2->type() &&
        !(series::any_string(value2->type()) && (code == compare_code::equal || code == compare_code::not_equal)))
        return not_comparable;
    return compare_values(*value1, *value2, code, false);
}

}  // namespace

bool block_like(Type t) { return t == Type::block || t == Type::paren || t == Type::hash; }

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (spec->is(Type::integer) || spec->is(Type::float_)) {
        const i32 room = integer::from_number_arg(*spec);
        if (room < 0) raise(ErrorId::script_out_of_range, spec);
        *prototype = Cell{header_of(target), 0, memory::alloc_units(room == 0 ? initial_room : static_cast<u32>(room), 1), 0};
        return prototype;
    }
    return to(prototype, spec, target);
}

Cell* to(Cell* prototype, const Cell* spec, Type target) {
    const Cell value = *spec;
    Cell result{};
    if (value.is(Type::none)) {
        const Cell type = datatype::of(Type::string);
        raise(ErrorId::script_bad_to_arg, &type, &value);
    }
    if (block_like(value.type())) {
        make_at(result, initial_room);
        append(&result, &value, -1, false, 1, false);
    } else if (series::any_string(value.type())) {
        Cell source = value;
        series::copy(&source, &result, nullptr, false, nullptr);
    } else if (value.is(Type::binary)) {
        Buffer* b = node::buffer(value.w2);
        const u32 from = std::min(value.w1, b->used());
        result = to_from_binary(b->head_ptr() + from, b->used() - from);
    } else {
        Output out;
        if (value.is(Type::refinement) && target != Type::string) {
            mold_value(value, out, MoldFlags{true, true, true}, nullptr, no_limit, 0);
        } else {
            form_value(value, out, nullptr, no_limit);
        }
        result = out.value();
    }
    cell::set_type(&result, target);
    *prototype = result;
    return prototype;
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const ActionRow& row = actions_of(*parent);
    if (element->is(Type::integer)) {
        if (value_to_set) return row.on_poke(parent, element, value_to_set);
        return row.on_pick(parent, element);
    }
    const Cell* path = step.path ? step.path : &none_cell;
    if (element->is(Type::word)) raise(ErrorId::script_invalid_path, path, element);
    FindRefinements refinements;
    refinements.case_ = step.case_;
    if (!value_to_set) return select(parent, element, refinements);
    Cell found = *parent;
    find(&found, element, refinements);
    if (found.is(Type::none)) raise(ErrorId::script_bad_path_set, path, element);
    // The character after the first one of the match, as blocks set the value after a key.
    const Cell second = integer::cell(2);
    const Cell value = *value_to_set;
    row.on_poke(&found, &second, &value);
    *parent = value;
    return parent;
}

Cell* swap(Cell* series1, Cell* series2) {
    // Bytes swap only with bytes, characters only with characters.
    const bool bytes = series1->is(Type::binary);
    if (bytes ? !series2->is(Type::binary) : !series::any_string(series2->type()))
        raise(ErrorId::script_invalid_arg, series2);
    series::swap_elements(*series1, *series2, [](const Cell& a, const Cell& b) {
        const u32 from_a = char_at_head(a, a.w1);
        const u32 from_b = char_at_head(b, b.w1);
        write_char(a.w2, a.w1, from_b);
        write_char(b.w2, b.w1, from_a);
    });
    return series1;
}

Cell* take(Cell* series, const Cell* part, bool, bool last) {
    bool single = false;
    series::take(series, part, last, &single);
    if (single && series::any_string(series->type()) && total_length(*series) == 1)
        *series = Cell{header_of(Type::char_), 0, char_at_head(*series, 0), 0};
    return series;
}

}  // namespace zel::string

namespace zel {

constinit const ActionRecord string_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = string::make;
    r.on_to = string::to;
    r.on_form = string::form;
    r.on_mold = string::mold;
    r.on_eval_path = string::eval_path;
    r.on_compare = string::compare;
    r.on_append = string::append;
    r.on_change = string::change;
    r.on_find = string::find;
    r.on_insert = string::insert;
    r.on_put = {};
    r.on_select = string::select;
    r.on_sort = string::sort;
    r.on_swap = string::swap;
    r.on_take = string::take;
    r.on_trim = string::trim;
    return r;
}();

}  // namespace zel
