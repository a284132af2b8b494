#include "runtime/datatypes/native.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "runtime/core/action-slots.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::native {

Entry table[table_capacity] = {};
bool passes_exits[table_capacity] = {};

namespace {

// How many entries the table holds, from index 1 up.
u32 filled = 0;

u32 length_of(Node series) { return node::buffer(series)->cell_count(); }

Cell& at(Node series, u32 i) { return reinterpret_cast<Cell*>(node::buffer(series)->head_ptr())[i]; }

// Whether the index names something: a filled entry of the natives table, or an action
// slot that holds an action.
bool names_entry(Type t, i32 index) {
    if (t == Type::native) return index >= 1 && index <= static_cast<i32>(table_capacity) && table[index - 1];
    return index >= 1 && index <= static_cast<i32>(action_slots::count) && index != static_cast<i32>(action_slots::empty);
}

// `make native!` and `make action!` of [spec index], read from the block's position.
Cell* make(Cell* result, const Cell* arg, Type target) {
    const Cell type = datatype::of(target);
    if (!arg->is(Type::block) || length_of(arg->w2) != arg->w1 + 2) raise(ErrorId::script_bad_make_arg, &type, arg);
    const Cell spec = at(arg->w2, arg->w1);
    const Cell index = at(arg->w2, arg->w1 + 1);
    if (!spec.is(Type::block) || !index.is(Type::integer) || !names_entry(target, static_cast<i32>(index.w2)))
        raise(ErrorId::script_bad_make_arg, &type, arg);
    const Node ctx = context::make_from_spec(block_cell(spec.w2), true, false, context::kind::function);
    const Node rec = memory::alloc_cells(2);
    *series_buffer::append_cell(node::buffer(rec)) = context::cell_of(ctx);
    *series_buffer::append_cell(node::buffer(rec)) = none_cell;
    *result = Cell{header_of(target), index.w2 - 1, spec.w2, rec};
    return result;
}

Type wrapped_type(const Cell& value) {
    return value.is(Type::op) ? static_cast<Type>((value.header & cellflag::op_wrapped_type) >> 16) : value.type();
}

bool wraps_function(const Cell& value) {
    const Type t = wrapped_type(value);
    return t == Type::function || t == Type::routine;
}

Cell* reflect(Cell* value, const Cell* field) {
    const u32 name = symbol::canonical_id(field->w2);
    if (name == symbol::canonical_id(sym::spec)) {
        *value = block_cell(value->w2);
    } else if (name == symbol::canonical_id(sym::body)) {
        *value = wraps_function(*value) ? *function::record_cell(*value, function::record::body)
                                        : Cell{header_of(Type::integer), 0, value->w1 + 1, 0};
    } else {
        raise(ErrorId::internal_not_done);
    }
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    switch (value->type()) {
    case Type::native: return append_text(out, "?native?", limit);
    case Type::action: return append_text(out, "?action?", limit);
    default: return append_text(out, "?op?", limit);
    }
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const Cell v = *value;
    flags.only = false;
    const Cell spec = block_cell(v.w2);
    if (v.is(Type::op)) {
        limit = append_text(out, "make op! ", limit);
        if (wrapped_type(v) == Type::function) {
            limit = append_text(out, "func ", limit);
            limit = mold_value(spec, out, flags, part, limit, indent);
            const Cell body = *function::record_cell(v, function::record::body);
            return body.is(Type::block) ? mold_value(body, out, flags, part, limit, indent) : limit;
        }
    } else {
        limit = append_text(out, v.is(Type::native) ? "make native! " : "make action! ", limit);
    }
    limit = append_text(out, "[", limit);
    limit = mold_value(spec, out, flags, part, limit, indent);
    return append_text(out, "]", limit);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (value1->type() != value2->type() || !compare_code::asks_equality_or_sort(code)) return not_comparable;
    return value1->w1 == value2->w1 ? 0 : value1->w1 < value2->w1 ? -1 : 1;
}

Cell* make_op(Cell* result, const Cell* arg, Type) {
    const Cell value = *arg;
    const Type t = value.type();
    if (t != Type::action && t != Type::native && t != Type::function && t != Type::routine) {
        const Cell type = datatype::of(t);
        raise(ErrorId::script_invalid_type, &type);
    }
    if (!op::valid_spec(value.w2)) raise(ErrorId::script_bad_op_spec);
    if (t == Type::function || t == Type::routine) *function::record_cell(value, function::record::op_function) = value;
    Cell wrapped = value;
    wrapped.header = header_of(Type::op) | (static_cast<u32>(t) << 16);
    *result = wrapped;
    return result;
}

}  // namespace

void init_table() {
    std::fill(std::begin(table), std::end(table), nullptr);
    std::fill(std::begin(passes_exits), std::end(passes_exits), false);
    filled = 0;
}

u32 append_entries(const Entry* entries, const bool* transparent, u32 n) {
    if (n > table_capacity - filled) {
        const Cell limit{header_of(Type::integer), 0, table_capacity, 0};
        raise(ErrorId::internal_limit_hit, &limit);
    }
    std::copy(entries, entries + n, table + filled);
    std::copy(transparent, transparent + n, passes_exits + filled);
    filled += n;
    return filled - n + 1;
}

}  // namespace zel::native

namespace zel::op {

bool valid_spec(Node spec) {
    u32 count = 0;
    bool seen_word = false;
    const u32 n = node::buffer(spec)->cell_count();
    for (u32 i = 0; i < n; ++i) {
        const Cell c = reinterpret_cast<Cell*>(node::buffer(spec)->head_ptr())[i];
        switch (c.type()) {
        case Type::word:
            ++count;
            seen_word = true;
            break;
        case Type::lit_word:
        case Type::get_word:
            if (!seen_word) return false;
            ++count;
            break;
        case Type::set_word:
            return count == 2;
        case Type::refinement: {
            const u32 name = symbol::canonical_id(c.w2);
            const bool allowed = name == symbol::canonical_id(refinements::local->w2) ||
                                 name == symbol::canonical_id(refinements::extern_->w2);
            return allowed && count == 2;
        }
        default:
            break;
        }
    }
    return count == 2;
}

}  // namespace zel::op

namespace zel {

constinit const ActionRecord native_actions = [] {
    ActionRecord r;
    r.on_make = native::make;
    r.on_reflect = native::reflect;
    r.on_form = native::form;
    r.on_mold = native::mold;
    r.on_compare = native::compare;
    return r;
}();

constinit const ActionRecord action_actions = [] {
    ActionRecord r;
    r.on_make = native::make;
    r.on_reflect = inherit;
    r.on_form = native::form;
    r.on_mold = native::mold;
    r.on_compare = native::compare;
    return r;
}();

constinit const ActionRecord op_actions = [] {
    ActionRecord r;
    r.on_make = native::make_op;
    r.on_reflect = inherit;
    r.on_form = native::form;
    r.on_mold = native::mold;
    r.on_compare = native::compare;
    return r;
}();

}  // namespace zel
