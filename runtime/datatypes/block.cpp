// block!'s primitives, construction, form and mold, comparison and path selection, and
// its action table; searching, changing, sorting and the set operations have files of
// their own.
#include "runtime/datatypes/block.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/datatypes/vector.h"
#include "runtime/datatypes/word.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"

namespace zel::block {

namespace {

Buffer* buffer_of(const Cell& b) { return node::buffer(as_series(b).node); }
u32 cells_in(const Cell& b) { return buffer_of(b)->cell_count(); }

// The capacity a number spec asks for: an integer, or a float truncated toward zero.
i32 capacity_of(const Cell& spec) {
    if (spec.is(Type::integer)) return integer::get(spec);
    const double d = float_payload(spec);
    if (!(d > -2147483649.0 && d < 2147483648.0)) raise(ErrorId::script_out_of_range, &spec);
    return static_cast<i32>(d);
}

}  // namespace

// ---- primitives ----------------------------------------------------------------------

i32 length(const Cell& b) { return static_cast<i32>(cells_in(b)) - static_cast<i32>(as_series(b).index); }

Cell* cell_at(const Cell& b, u32 n) { return reinterpret_cast<Cell*>(buffer_of(b)->head_ptr()) + n; }

void set_tail(const Cell& b, u32 n) {
    Buffer* buf = buffer_of(b);
    buf->tail = buf->head + n * static_cast<u32>(sizeof(Cell));
}

Cell* append_value(const Cell& b, const Cell& value) {
    const Cell copy = value;
    Cell* c = series_buffer::append_cell(b);
    *c = copy;
    return c;
}

const Cell* select_word(const Cell& b, const Cell& word, bool case_) {
    const u32 n = cells_in(b);
    auto key = [case_](u32 symbol_id) { return case_ ? symbol_id : symbol::canonical_id(symbol_id); };
    const u32 wanted = key(as_word(word).symbol);
    for (u32 i = as_series(b).index; i < n; ++i) {
        const Cell* c = cell_at(b, i);
        const Type t = c->type();
        if (t != Type::word && t != Type::set_word && t != Type::lit_word && t != Type::get_word) continue;
        if (key(as_word(*c).symbol) != wanted) continue;
        return i + 1 < n ? cell_at(b, i + 1) : &none_cell;
    }
    return &none_cell;
}

void insert_value(Cell& b, const Cell& value, bool advance, bool at_head) {
    const Cell copy = value;
    const u32 at = at_head ? 0 : std::min(as_series(b).index, cells_in(b));
    Buffer* buf = buffer_of(b);
    if (buf->end() - buf->tail_ptr() < static_cast<std::ptrdiff_t>(sizeof(Cell)))
        buf = series_buffer::expand(buf, 2 * (static_cast<i64>(buf->used()) + static_cast<i64>(sizeof(Cell))));
    Cell* cells = reinterpret_cast<Cell*>(buf->head_ptr());
    const u32 n = buf->cell_count();
    std::memmove(cells + at + 1, cells + at, (n - at) * sizeof(Cell));
    cells[at] = copy;
    buf->tail += sizeof(Cell);
    if (advance) as_series(b).index = at + 1;
}

Cell* make_at(Cell* cell, i32 n, bool fixed) {
    const u32 room = n < 1 ? 1 : static_cast<u32>(n);
    const Node node = fixed ? memory::alloc_series_in_heap(room, sizeof(Cell), 0) : memory::alloc_cells(room);
    *cell = block_cell(node);
    return cell;
}

Cell* make_in(const Cell& holder, i32 n) {
    Cell made;
    make_at(&made, n);
    return append_value(holder, made);
}

Cell* clone(const Cell& source, bool deep, bool all_blocks, Cell* out) {
    const auto pos = as_series(source);
    const u32 start = std::min(pos.index, cells_in(source));
    const u32 count = cells_in(source) - start;
    const Node copied = count ? series_buffer::copy_slice(pos.node, start, count) : memory::alloc_cells(1);
    *out = series_cell(source.type(), copied);
    if (!deep) return out;
    // A block met again inside itself cannot be cloned to an end.
    if (cycle::find(pos.node)) {
        cycle::reset();
        raise(ErrorId::internal_no_cycle);
    }
    cycle::Entry guard(pos.node);
    for (u32 i = 0; i < count; ++i) {
        const Cell inner = *cell_at(*out, i);
        const Type t = inner.type();
        if (t != Type::block && !(all_blocks && series::any_block(t) && t != Type::hash)) continue;
        Cell cloned;
        clone(inner, true, all_blocks, &cloned);
        auto slot = as_series(*cell_at(*out, i));
        slot.index = 0;
        slot.node = as_series(cloned).node;
    }
    return out;
}

void copy_nested(const Cell& b, u32 from, u32 to, u32 step, const Cell& types) {
    for (u32 i = from; i < to && i < cells_in(b); i += std::max<u32>(step, 1)) {
        const Cell inner = *cell_at(b, i);
        const bool passes = types.is(Type::datatype) ? inner.type() == static_cast<Type>(as_datatype(types).type_id)
                                                     : typeset::has(types, static_cast<u8>(inner.type()));
        const sig::on_copy copy_action = actions_of(inner).on_copy;
        if (!passes || !copy_action) continue;
        switch (inner.type()) {
        case Type::bitset:
        case Type::object:
        case Type::error:
        case Type::map: break;
        default:
            if (!series::any_series(inner.type())) continue;
        }
        Cell source = inner;
        Cell copied{};
        copy_action(&source, &copied, nullptr, false, types.is(Type::typeset) ? &types : nullptr);
        copied.header = (inner.header & cellflag::new_line) | header_of(copied.type());
        *cell_at(b, i) = copied;
    }
}

// ---- construction ------------------------------------------------------------------

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (series::any_block(spec->type())) {
        clone(*spec, false, false, prototype);
    } else if (spec->is(Type::integer) || spec->is(Type::float_)) {
        make_at(prototype, capacity_of(*spec));
    } else if (spec->is(Type::object)) {
        *prototype = object::body(*spec);
    } else if (spec->is(Type::map)) {
        *prototype = map::body(*spec);
    } else if (spec->is(Type::vector)) {
        *prototype = vector::to_block(*spec);
    } else {
        const Cell type = datatype::of(target);
        raise(ErrorId::script_bad_make_arg, &type, spec);
    }
    cell::set_type(prototype, target);
    return prototype;
}

Cell* to(Cell* prototype, const Cell* spec, Type target) {
    if (series::any_block(spec->type())) {
        clone(*spec, false, false, prototype);
    } else if (spec->is(Type::object)) {
        *prototype = object::body(*spec);
    } else if (spec->is(Type::map)) {
        *prototype = map::body(*spec);
    } else if (spec->is(Type::typeset)) {
        *prototype = typeset::to_block(*spec);
    } else if (spec->is(Type::vector)) {
        *prototype = vector::to_block(*spec);
    } else if (spec->is(Type::string)) {
        *prototype = lexer::scan_string(*spec, -1, lexer::Options{}).value;
    } else {
        const Cell value = *spec;
        make_at(prototype, 1);
        append_value(*prototype, value);
    }
    prototype->header = header_of(target);
    return prototype;
}

// ---- form and mold -----------------------------------------------------------------

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, false)) return limit;
    const Cell b = *value;
    const auto pos = as_series(b);
    cycle::Entry guard(pos.node);
    for (u32 i = pos.index; i < cells_in(b); ++i) {
        if (has_part(part) && limit < 1) break;
        if (i != pos.index && out.length() > 0) {
            const u32 last = out.at(out.length() - 1);
            if (last != '\t' && last != '\n' && last != '\r') {
                out.append_char(' ');
                --limit;
            }
        }
        const Cell element = *cell_at(b, i);
        limit = form_value(element, out, part, limit);
    }
    return limit;
}

i32 mold_elements(const Cell& b, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const auto pos = as_series(b);
    cycle::Entry guard(pos.node);
    bool closing_break = false;
    for (u32 i = pos.index; i < cells_in(b); ++i) {
        if (has_part(part) && limit < 1) break;
        const Cell element = *cell_at(b, i);
        const bool first = i == pos.index;
        if (!flags.flat && (element.header & cellflag::new_line)) {
            if (!flags.only && first) {
                ++indent;
                closing_break = true;
            }
            if (!(flags.only && first)) {
                out.append_char('\n');
                limit = append_indent(out, indent, limit - 1);
            }
        } else if (!first) {
            out.append_char(' ');
            --limit;
        }
        limit = mold_value(element, out, MoldFlags{false, flags.all, flags.flat}, part, limit, indent);
    }
    if (closing_break) {
        out.append_char('\n');
        limit = append_indent(out, indent - 1, limit - 1);
    }
    return limit;
}

namespace {

i32 mold_block(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, true)) return limit;
    if (!flags.only) {
        out.append_char('[');
        --limit;
    }
    limit = mold_elements(*value, out, flags, part, limit, indent);
    if (!flags.only) {
        out.append_char(']');
        --limit;
    }
    return limit;
}

}  // namespace

// ---- comparison --------------------------------------------------------------------

i32 compare_cells(const Cell& b1, const Cell& b2, i32 code) {
    const auto pos1 = as_series(b1);
    const auto pos2 = as_series(b2);
    const bool same = pos1.node == pos2.node && pos1.index == pos2.index;
    if (code == compare_code::same) return same ? 0 : -1;
    if (same) return 0;
    if (cycle::find(pos1.node)) return cycle::find(pos2.node) ? 0 : -1;
    const u32 length1 = static_cast<u32>(std::max(length(b1), 0));
    const u32 length2 = static_cast<u32>(std::max(length(b2), 0));
    if (length1 != length2 &&
        (compare_code::asks_equality(code) || code == compare_code::equality_10 || code == compare_code::equality_11))
        return 1;
    cycle::Entry guard1(pos1.node);
    cycle::Entry guard2(pos2.node);
    for (u32 i = 0; i < std::min(length1, length2); ++i) {
        // Earlier comparisons run no language code, but re-read in case they allocated.
        if (pos1.index + i >= cells_in(b1) || pos2.index + i >= cells_in(b2)) break;
        const Cell e1 = *cell_at(b1, pos1.index + i);
        const Cell e2 = *cell_at(b2, pos2.index + i);
        const i32 r = compare_elements(e1, e2, code);
        if (r != 0) return r;
    }
    return (length1 > length2) - (length1 < length2);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    const Type t1 = value1->type();
    const Type t2 = value2->type();
    const bool paths = (code == compare_code::equality_10 || code == compare_code::equality_11) &&
                       (t1 == Type::path || t1 == Type::lit_path) && (t2 == Type::path || t2 == Type::lit_path);
    if (t1 != t2 && !paths) return not_comparable;
    return compare_cells(*value1, *value2, code);
}

// ---- path selection ----------------------------------------------------------------

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const ActionRow& row = actions_of(*parent);
    if (element->is(Type::integer)) {
        if (value_to_set) return row.on_poke(parent, element, value_to_set);
        return row.on_pick(parent, element);
    }
    if (!value_to_set) {
        if (element->is(Type::word) && !parent->is(Type::hash)) {
            *parent = *select_word(*parent, *element, step.case_);
            return parent;
        }
        FindRefinements refinements;
        refinements.only = true;
        refinements.case_ = step.case_;
        return select(parent, element, refinements);
    }
    Cell found = *parent;
    FindRefinements refinements;
    refinements.only = true;
    refinements.case_ = step.case_;
    find(&found, element, refinements);
    if (found.is(Type::none)) raise(ErrorId::script_bad_path_set, step.path ? step.path : &none_cell, &none_cell);
    const Cell second = integer::cell(2);
    const Cell value = *value_to_set;
    row.on_poke(&found, &second, &value);
    *parent = value;
    return parent;
}

}  // namespace zel::block

namespace zel {

constinit const ActionRecord block_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = block::make;
    r.on_to = block::to;
    r.on_form = block::form;
    r.on_mold = block::mold_block;
    r.on_eval_path = block::eval_path;
    r.on_compare = block::compare;
    r.on_append = block::insert;
    r.on_insert = block::insert;
    r.on_change = block::change;
    r.on_copy = block::copy;
    r.on_find = block::find;
    r.on_put = block::put;
    r.on_select = block::select;
    r.on_sort = block::sort;
    r.on_swap = block::swap;
    r.on_take = block::take;
    r.on_trim = block::trim;
    return r;
}();

}  // namespace zel
