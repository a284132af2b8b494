#include "runtime/datatypes/function.h"

#include <algorithm>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::function {
namespace {

u32 length_of(Node series) { return node::buffer(series)->cell_count(); }

u32 length_of(const Cell& block) { return length_of(as_series(block).node); }

// Cell i of a block's series counted from its head; valid until an allocation.
Cell& at(Node series, u32 i) {
    Buffer* b = node::buffer(series);
    return reinterpret_cast<Cell*>(b->head_ptr())[i];
}
Cell& at(const Cell& block, u32 i) { return at(as_series(block).node, i); }

// A record's code index or second value.
Cell integer(u32 v) { return integer::cell(static_cast<i32>(v)); }

bool is_arg_word(Type t) { return t == Type::word || t == Type::lit_word || t == Type::get_word; }

bool same_name(const Cell& a, const Cell& b) {
    return symbol::canonical_id(as_word(a).symbol) == symbol::canonical_id(as_word(b).symbol);
}

bool is_refinement_named(const Cell& c, const Cell& refinement) {
    return c.is(Type::refinement) && same_name(c, refinement);
}

void check_type_block(const Cell& types) {
    for (u32 i = as_series(types).index; i < length_of(types); ++i) {
        const Cell item = at(types, i);
        if (item.is(Type::datatype) || item.is(Type::typeset)) continue;
        if (item.is(Type::word)) {
            const Cell* value = typeset::spec_word_value(item);
            if (value && (value->is(Type::datatype) || value->is(Type::typeset) || value->is(Type::word))) continue;
        }
        raise(ErrorId::script_invalid_type_spec, &item);
    }
}

[[noreturn]] void bad_spec(const Cell& spec) { raise(ErrorId::script_bad_func_def, &spec); }

u32 check_attributes(const Cell& attributes, const Cell& spec) {
    u32 flags = 0;
    for (u32 i = as_series(attributes).index; i < length_of(attributes); ++i) {
        const Cell item = at(attributes, i);
        if (!item.is(Type::word)) bad_spec(spec);
        const u32 name = symbol::canonical_id(as_word(item).symbol);
        if (name == symbol::canonical_id(sym::trace)) flags |= flag::trace;
        if (name == symbol::canonical_id(sym::no_trace)) flags |= flag::no_trace;
    }
    return flags;
}

void check_duplicates(const Cell& spec, u32 start) {
    const u32 n = length_of(spec);
    for (u32 i = start; i < n; ++i) {
        const Cell a = at(spec, i);
        if (!is_arg_word(a.type()) && !a.is(Type::refinement)) continue;
        for (u32 j = i + 1; j < n; ++j) {
            const Cell b = at(spec, j);
            if ((is_arg_word(b.type()) || b.is(Type::refinement)) && same_name(a, b))
                raise(ErrorId::script_dup_vars, &b);
        }
    }
}

bool ends_return_type(const Cell* next) {
    return !next || next->is(Type::refinement) || next->is(Type::string);
}

bool may_follow_refinement(Type t) {
    return is_arg_word(t) || t == Type::refinement || t == Type::set_word || t == Type::string;
}

// Appends a word! of the symbol to the block unless `exclude` already names it (its type
// blocks and doc strings name nothing).
bool collect_word(const Cell& word, Cell& result, Cell& exclude) {
    for (u32 i = 0; i < length_of(exclude); ++i)
        if (at(exclude, i).is(Type::word) && same_name(at(exclude, i), word)) return false;
    const Cell named = word_cell(Type::word, 0, as_word(word).symbol, context::no_index);
    *series_buffer::append_cell(result) = named;
    *series_buffer::append_cell(exclude) = named;
    return true;
}

bool is_word_named(const Cell& c, u32 symbol_id) {
    return c.is(Type::word) && symbol::canonical_id(as_word(c).symbol) == symbol::canonical_id(symbol_id);
}

bool collect_from_body(const Cell& body, Cell& result, Cell& exclude) {
    bool collected = false;
    for (u32 i = as_series(body).index; i < length_of(body); ++i) {
        const Cell item = at(body, i);
        const bool has_next = i + 1 < length_of(body);
        const Cell next = has_next ? at(body, i + 1) : none_cell;
        if (item.is(Type::set_word)) {
            collected |= collect_word(item, result, exclude);
        } else if (item.is(Type::block) || item.is(Type::paren)) {
            collected |= collect_from_body(item, result, exclude);
        } else if (is_word_named(item, sym::foreach) || is_word_named(item, sym::remove_each)) {
            if (next.is(Type::block)) {
                for (u32 k = as_series(next).index; k < length_of(next); ++k) {
                    const Cell w = at(next, k);
                    if (is_arg_word(w.type())) collected |= collect_word(w, result, exclude);
                }
            } else if (next.is(Type::word) || next.is(Type::set_word)) {
                collected |= collect_word(next, result, exclude);
            }
        } else if (is_word_named(item, sym::repeat) && (next.is(Type::word) || next.is(Type::set_word))) {
            collected |= collect_word(next, result, exclude);
        }
    }
    return collected;
}

}  // namespace

Cell* record_cell(const Cell& fn, u32 index) { return &at(as_callable(fn).record, index); }

Cell spec_of(const Cell& fn) { return block_cell(as_callable(fn).spec); }

bool making_library = false;

void mark_library_code(const Cell& block) {
    Buffer* const b = node::buffer(as_series(block).node);
    if (b->flags & bufferflag::library_code) return;
    b->flags = (b->flags | bufferflag::library_code) & ~bufferflag::boot_body;
    for (u32 i = 0, n = b->cell_count(); i < n; ++i) {
        const Cell& item = reinterpret_cast<const Cell*>(node::buffer(as_series(block).node)->head_ptr())[i];
        if (item.is(Type::block) || item.is(Type::paren)) mark_library_code(item);
    }
}

namespace {

// A body literal of the boot image, met where the library's code makes a function of it,
// becomes that function's body as it is: the code that holds it runs once, while the
// library loads, so no other function can be made of it. Its mark goes with that use.
bool take_boot_body(const Cell& body) {
    Buffer* const b = node::buffer(as_series(body).node);
    if (!making_library || as_series(body).index != 0 || !(b->flags & bufferflag::boot_body)) return false;
    b->flags &= ~bufferflag::boot_body;
    return true;
}

}  // namespace

Cell make_value(const Cell& spec_value, const Cell* body, Node ctx, u32 code, u32 second, u32 flags) {
    if (making_library) flags |= flag::library;
    Cell spec = spec_value;
    if (as_series(spec).index > 0) block::clone(spec_value, false, false, &spec);
    const Node rec = memory::alloc_cells(record::size);
    const bool own_context = ctx == 0;
    if (own_context) ctx = context::make_from_spec(spec, true, false, context::kind::function);
    const Cell fn{header_of(Type::function) | flags, ctx, as_series(spec).node, rec};
    context::owner_slot(ctx) = fn;

    Cell body_copy = none_cell;
    if (body) {
        Cell from = *body;
        const auto pos = as_series(from);
        pos.index = std::min(pos.index, length_of(pos.node));
        if (take_boot_body(from)) body_copy = series_cell(from.type(), pos.node);
        else block::clone(from, true, true, &body_copy);
    }
    const Cell cells[record::size] = {body_copy, unset_cell, code ? integer(code) : unset_cell, unset_cell,
                                      second ? integer(second) : unset_cell};
    for (const Cell& c : cells) *series_buffer::append_cell(node::buffer(rec)) = c;
    if (own_context && body) context::bind_block(body_copy, ctx, false);
    if (body && (flags & flag::library)) mark_library_code(body_copy);
    return fn;
}

Cell make_routine_value(const Cell& spec, u32 code, const Cell& second) {
    Cell routine = make_value(spec, nullptr, 0, code, 0, 0);
    routine.header = header_of(Type::routine);
    context::owner_slot(routine.w1) = routine;
    *record_cell(routine, record::second) = second;
    return routine;
}

u32 validate_spec(const Cell& spec) {
    const u32 n = length_of(spec);
    u32 i = std::min(as_series(spec).index, n);
    u32 flags = 0;
    if (i < n && at(spec, i).is(Type::block)) flags = check_attributes(at(spec, i++), spec);
    const u32 walk_start = i;
    bool return_seen = false;
    bool local_seen = false;
    while (i < n) {
        const Cell item = at(spec, i);
        const Cell* next = i + 1 < n ? &at(spec, i + 1) : nullptr;
        const Cell next_copy = next ? *next : none_cell;
        const Type t = item.type();
        if (is_arg_word(t)) {
            if (local_seen && t != Type::word) bad_spec(spec);
            if (return_seen && !local_seen) bad_spec(spec);
            if (next && next->is(Type::string) && i + 2 < n && at(spec, i + 2).is(Type::block)) bad_spec(spec);
            if (next && next->is(Type::block)) {
                check_type_block(next_copy);
                i += 2;
                continue;
            }
        } else if (t == Type::set_word) {
            if (!same_name(item, *words::return_) || return_seen || local_seen) bad_spec(spec);
            if (!next || !next->is(Type::block)) bad_spec(spec);
            if (!ends_return_type(i + 2 < n ? &at(spec, i + 2) : nullptr)) bad_spec(spec);
            check_type_block(next_copy);
            return_seen = true;
            i += 2;
            continue;
        } else if (t == Type::refinement) {
            if (is_refinement_named(item, *refinements::local)) {
                local_seen = true;
            } else if (return_seen || local_seen) {
                bad_spec(spec);
            }
            if (next && !may_follow_refinement(next->type())) bad_spec(spec);
        } else if (t != Type::string) {
            bad_spec(spec);
        }
        ++i;
    }
    check_duplicates(spec, walk_start);
    return flags;
}

i32 count_locals(Node spec, u32 start, bool require) {
    const u32 n = length_of(spec);
    u32 i = start;
    while (i < n && !is_refinement_named(at(spec, i), *refinements::local)) ++i;
    if (i == n) return require ? -1 : 0;
    i32 count = 1;
    for (++i; i < n; ++i) count += at(spec, i).is(Type::word);
    return count;
}

u32 arg_count(Node spec) {
    u32 count = 0;
    for (u32 i = 0; i < length_of(spec); ++i) {
        const Type t = at(spec, i).type();
        if (t == Type::refinement || t == Type::set_word) break;
        count += is_arg_word(t);
    }
    return count;
}

Cell collect_locals(Cell& spec, const Cell& body) {
    Cell result = block_cell(memory::alloc_cells(8));
    Cell exclude;
    block::clone(block_cell(as_series(spec).node), false, false, &exclude);
    bool collected = false;

    u32 extern_at = length_of(spec);
    for (u32 i = 0; i < length_of(spec); ++i)
        if (is_refinement_named(at(spec, i), *refinements::extern_)) extern_at = i;
    const bool has_extern = extern_at < length_of(spec);
    if (has_extern) {
        u32 i = extern_at + 1;
        while (i < length_of(spec) && !is_refinement_named(at(spec, i), *refinements::local)) ++i;
        for (++i; i < length_of(spec); ++i) {
            const Cell local = at(spec, i);
            if (local.is(Type::word)) {
                *series_buffer::append_cell(result) = local;
                collected = true;
            }
        }
        Buffer* b = node::buffer(as_series(spec).node);
        b->tail = b->head + extern_at * static_cast<u32>(sizeof(Cell));
    }

    for (u32 i = 0; i < length_of(exclude); ++i) {
        Cell& c = at(exclude, i);
        const Type t = c.type();
        if (t == Type::set_word || t == Type::lit_word || t == Type::get_word || t == Type::refinement) {
            cell::set_type(&c, Type::word);
        } else if (has_extern && t != Type::word && t != Type::block && t != Type::string) {
            const Cell bad = c;
            raise(ErrorId::script_bad_func_extern, &bad);
        }
    }

    collected |= collect_from_body(body, result, exclude);
    if (!collected) return result;

    if (count_locals(as_series(spec).node, 0, true) == -1) *series_buffer::append_cell(spec) = *refinements::local;
    for (u32 i = 0; i < length_of(result); ++i) {
        const Cell word = at(result, i);
        if (same_name(word, *words::local)) continue;
        *series_buffer::append_cell(spec) = word;
    }
    return result;
}

namespace {

Cell* make(Cell* result, const Cell* spec, Type) {
    if (!spec->is(Type::block) || block::length(*spec) < 2) raise(ErrorId::script_bad_func_def, spec);
    const u32 index = as_series(*spec).index;
    const Cell fn_spec = at(*spec, index);
    const Cell body = at(*spec, index + 1);
    if (!fn_spec.is(Type::block) || !body.is(Type::block)) raise(ErrorId::script_bad_func_def, spec);
    const u32 flags = validate_spec(fn_spec);
    *result = make_value(fn_spec, &body, 0, 0, 0, flags);
    return result;
}

Cell* reflect(Cell* value, const Cell* field) {
    const u32 name = symbol::canonical_id(as_word(*field).symbol);
    if (name == symbol::canonical_id(sym::spec)) {
        *value = spec_of(*value);
    } else if (name == symbol::canonical_id(sym::body)) {
        *value = *record_cell(*value, record::body);
    } else if (name == symbol::canonical_id(sym::words)) {
        const Node ctx = as_function(*value).context;
        const u32 n = context::word_count(ctx);
        Cell words = block_cell(memory::alloc_cells(n));
        for (u32 i = 0; i < n; ++i) {
            const u32 symbol = as_word(*context::word_at(ctx, i)).symbol;
            *series_buffer::append_cell(words) = word_cell(Type::word, ctx, symbol, i);
        }
        *value = words;
    } else {
        raise(ErrorId::internal_not_done);
    }
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    return append_text(out, value->is(Type::routine) ? "?routine?" : "?function?", limit);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const Cell fn = *value;
    const bool routine = fn.is(Type::routine);
    limit = append_text(out, routine ? "routine " : "func ", limit);
    flags.only = false;
    limit = mold_value(spec_of(fn), out, flags, part, limit, indent);
    const Cell body = *record_cell(fn, record::body);
    if (body.is(Type::block)) return mold_value(body, out, flags, part, limit, indent);
    if (!routine) return append_text(out, " none", limit);
    out.append_char(' ');
    return mold_value(body, out, flags, part, limit - 1, indent);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (value1->type() != value2->type()) return not_comparable;
    if (!compare_code::asks_equality_or_sort(code)) return not_comparable;
    const Node a = as_function(*value1).record;
    const Node b = as_function(*value2).record;
    return a == b ? 0 : a < b ? -1 : 1;
}

}  // namespace
}  // namespace zel::function

namespace zel {

constinit const ActionRecord function_actions = [] {
    ActionRecord r;
    r.on_make = function::make;
    r.on_reflect = function::reflect;
    r.on_form = function::form;
    r.on_mold = function::mold;
    r.on_compare = function::compare;
    return r;
}();

namespace {

// `make routine!` answers only while the library loads, through the constructor the
// routine table installs for that time.
Cell* make_routine(Cell* result, const Cell* arg, Type) {
    if (!hooks::make_routine) {
        const Cell type = datatype::of(Type::routine);
        raise(ErrorId::script_bad_make_arg, &type, arg);
    }
    *result = hooks::make_routine(*arg);
    return result;
}

}  // namespace

constinit const ActionRecord routine_actions = [] {
    ActionRecord r;
    r.on_make = make_routine;
    r.on_reflect = inherit;
    r.on_form = function::form;
    r.on_mold = function::mold;
    r.on_compare = function::compare;
    return r;
}();

}  // namespace zel
