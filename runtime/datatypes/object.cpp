#include "runtime/datatypes/object.h"

#include <algorithm>
#include <optional>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"

namespace zel::object {

namespace {

u32 class_counter = first_class_id;
u32 fixed_class = 0;  // the id the next new class takes instead of the count, or 0

u32 length_of(Node series) { return node::buffer(series)->cell_count(); }

Cell& cell_at(Node series, u32 i) { return reinterpret_cast<Cell*>(node::buffer(series)->head_ptr())[i]; }

Node values_node(Node ctx) { return as_context(context::cell_of(ctx)).values; }

Cell& value_at(Node ctx, u32 i) { return cell_at(values_node(ctx), i); }

Cell logic(bool b) { return b ? true_cell : false_cell; }

bool same_symbol(u32 a, u32 b) { return symbol::canonical_id(a) == symbol::canonical_id(b); }

bool is_field_key(Type t) {
    return t == Type::word || t == Type::set_word || t == Type::get_word || t == Type::lit_word;
}

bool is_object_type(Type t) { return t == Type::object || t == Type::error || t == Type::port; }

// The series fields a derived object gets its own copy of.
bool copied_by_make(Type t) {
    switch (t) {
    case Type::block: case Type::paren: case Type::hash: case Type::path: case Type::lit_path:
    case Type::set_path: case Type::get_path: case Type::string: case Type::file: case Type::url:
    case Type::tag: case Type::email: case Type::ref: case Type::vector: case Type::binary: case Type::image:
        return true;
    default:
        return false;
    }
}

// A deep copy of an object copies fewer types than make: hash!, vector!, binary! and
// image! fields stay shared.
bool copied_by_clone(Type t) {
    return copied_by_make(t) && t != Type::hash && t != Type::vector && t != Type::binary && t != Type::image;
}

// The value's `copy` with /deep through its own datatype; a string-like series whose
// actions do not copy yet gets a copy of its units from the position, any other value
// without a copy is shared.
Cell deep_copy(const Cell& value) {
    if (const sig::on_copy copy = actions_of(value).on_copy) {
        Cell source = value;
        Cell result = unset_cell;
        copy(&source, &result, nullptr, true, nullptr);
        return result;
    }
    if (!series::any_string(value.type())) return value;
    const auto pos = as_series(value);
    const Buffer* b = node::buffer(pos.node);
    const u32 units = b->used() >> b->shift();
    const u32 start = std::min(pos.index, units);
    Cell copy = series_cell(value.type(), series_buffer::copy_slice(pos.node, start, units - start));
    copy.header = value.header & ~cellflag::new_line;
    return copy;
}

// Copies a field's series into a fresh one; block-like copies are bound to `ctx`, `self`
// included, so that it names the new object rather than the one copied from.
void copy_field(Node ctx, u32 i) {
    const Cell copy = deep_copy(value_at(ctx, i));
    value_at(ctx, i) = copy;
    if (series::any_block(copy.type())) context::bind_block(copy, ctx, true);
}

// The handler block's cell for one hook, a pair!: word 2 (slot << 16) | locals, or
// absent_hook; word 3 the hook's spec block that its local count was taken from.
constexpr u32 absent_hook = 0xFFFF0000;
constexpr u32 max_hook_slot = 0xFFFE;

Cell hook_cell(i32 slot, Node ctx) {
    if (slot < 0) return Cell{header_of(Type::pair), 0, absent_hook, 0};
    if (static_cast<u32>(slot) > max_hook_slot) memory::raise_limit_hit(max_hook_slot);
    const Node spec = as_function(value_at(ctx, static_cast<u32>(slot))).spec;
    const i32 locals = std::max(function::count_locals(spec, 0, false), 0);
    return Cell{header_of(Type::pair), 0, (static_cast<u32>(slot) << 16) | static_cast<u32>(locals), spec};
}

bool hook_present(const Cell& entry) { return entry.w2 < absent_hook; }
u32 hook_slot(const Cell& entry) { return entry.w2 >> 16; }
Node hook_spec(const Cell& entry) { return entry.w3; }

Node make_handler_block(Node ctx, i32 on_change, i32 on_deep_change) {
    const Cell cells[2] = {hook_cell(on_change, ctx), hook_cell(on_deep_change, ctx)};
    const Node block = memory::alloc_cells(2);
    for (const Cell& c : cells) *series_buffer::append_cell(node::buffer(block)) = c;
    return block;
}

// The function in a hook's slot, its local count refreshed when the hook was replaced by
// a function of another spec; null when the hook is absent.
const Cell* hook_function(const Cell& obj, u32 which, Cell& fn) {
    const auto o = as_object(obj);
    if (!o.handlers) return nullptr;
    const Cell entry = cell_at(o.handlers, which);
    if (!hook_present(entry)) return nullptr;
    fn = value_at(o.context, hook_slot(entry));
    if ((fn.is(Type::function) || fn.is(Type::routine)) && as_function(fn).spec != hook_spec(entry))
        cell_at(o.handlers, which) = hook_cell(static_cast<i32>(hook_slot(entry)), o.context);
    return &fn;
}

// A hook is called with a fixed argument list: a function taking another count would read
// past its frame, so it is refused.
void check_hook_arity(const Cell& fn, u32 count) {
    if (function::arg_count(as_function(fn).spec) != count) raise(ErrorId::script_invalid_obj_evt, &fn);
}

// The symbols of the hook fields, on-change* and on-deep-change*.
u32 hook_symbol(u32 which) { return as_word(which == 0 ? *words::on_change_star : *words::on_deep_change_star).symbol; }

bool names_hook(const Cell& word) {
    const u32 s = as_word(word).symbol;
    return same_symbol(s, hook_symbol(0)) || same_symbol(s, hook_symbol(1));
}

// The object claims every series its fields hold, for itself.
void claim_own_series(const Cell& obj) {
    Cell value = obj;
    ownership::claim_for_object(value, obj, none_cell);
}

}  // namespace

u32 next_class_id() {
    if (fixed_class == 0) return ++class_counter;
    const u32 id = fixed_class;
    fixed_class = 0;
    return id;
}


u32 last_class_id() { return class_counter; }

void continue_class_ids(u32 last) {
    class_counter = last;
    fixed_class = 0;
}

void reset_class_ids() { continue_class_ids(first_class_id); }

Cell make_with_class(const Cell& body, u32 class_id) {
    if (!body.is(Type::block)) raise(ErrorId::syntax_malconstruct, &body);
    // make takes the class id before it evaluates the body, so a nested object is not
    // given this one; should it fail before, the id is not left for the next object.
    struct Fixed {
        explicit Fixed(u32 id) { fixed_class = id; }
        ~Fixed() { fixed_class = 0; }
    } fixed(class_id);
    Cell target = none_cell;
    make(&target, &body, Type::object);
    return target;
}

Cell make_value(Node ctx, u32 class_id, Node handlers, Type type) {
    const Cell obj{header_of(type), ctx, class_id, handlers};
    context::owner_slot(ctx) = obj;
    return obj;
}

Cell init_empty(u32 slots) {
    return make_value(context::make(slots, false, false, 0, context::kind::object), 0, 0);
}

Cell of_context(Node ctx) { return context::owner_slot(ctx); }

i32 field_index(const Cell& obj, const Cell& word) {
    return context::find_symbol(as_object(obj).context, as_word(word).symbol, true);
}

const Cell* select_field(const Cell& obj, const Cell& word) {
    const i32 i = field_index(obj, word);
    return i < 0 ? &none_cell : &value_at(as_object(obj).context, static_cast<u32>(i));
}

Cell* values_head(const Cell& obj) { return &value_at(as_object(obj).context, 0); }
u32 field_count(const Cell& obj) { return context::word_count(as_object(obj).context); }
Cell* node_word_at(Node ctx, u32 index) { return context::word_at(ctx, index); }

void clear_new_line_marks(Node series) {
    for (u32 i = 0; i < length_of(series); ++i) cell::clear_new_line(&cell_at(series, i));
}

void clear_changed_marks(Node ctx) {
    for (u32 i = 0; i < context::word_count(ctx); ++i) context::word_at(ctx, i)->header &= ~cellflag::field_assigned;
}

void call_on_change(const Cell& obj, const Cell& word, const Cell& old_value, const Cell& new_value) {
    Cell fn;
    if (!hook_function(obj, 0, fn)) return;
    if (!fn.is(Type::function) && !fn.is(Type::routine)) raise(ErrorId::script_invalid_obj_evt, &fn);
    check_hook_arity(fn, 3);
    Cell field = word;
    const Node ctx = as_object(obj).context;
    if (as_word(field).context != ctx) context::bind_word(ctx, field);
    const Cell args[3] = {field, old_value, new_value};
    hooks::call(*words::on_change_star, fn, args, 3, hooks::trace_class::on_change);
}

void call_on_deep_change(const Cell& owner, const Cell& word, const Cell& target, const Cell& action,
                         const Cell& new_value, i32 index, i32 part) {
    if (!as_object(owner).handlers) raise(ErrorId::script_invalid_obj_evt, &owner);
    Cell fn;
    if (!hook_function(owner, 1, fn)) return;
    if (!fn.is(Type::function) && !fn.is(Type::routine)) return;
    check_hook_arity(fn, 7);
    const Cell args[7] = {owner, word, target, action, new_value, integer::cell(index), integer::cell(part)};
    hooks::call(*words::on_deep_change_star, fn, args, 7, hooks::trace_class::on_deep_change);
}

Node find_handlers(Node ctx) {
    i32 slots[2] = {-1, -1};
    for (u32 i = 0; i < context::word_count(ctx); ++i) {
        const Cell word = *context::word_at(ctx, i);
        for (u32 h = 0; h < 2; ++h) {
            if (!same_symbol(as_word(word).symbol, hook_symbol(h))) continue;
            const Cell value = value_at(ctx, i);
            if (!value.is(Type::function) && !value.is(Type::routine)) {
                const Cell type = datatype::of(value.type());
                raise(ErrorId::script_bad_field_set, &word, &type);
            }
            slots[h] = static_cast<i32>(i);
        }
    }
    if (slots[0] < 0 && slots[1] < 0) return 0;
    return make_handler_block(ctx, slots[0], slots[1]);
}

bool deep_handler(const Cell& obj) {
    const Node handlers = as_object(obj).handlers;
    return handlers && hook_present(cell_at(handlers, 1));
}

Cell install_handlers(const Cell& obj) {
    Cell result = obj;
    const Node ctx = as_object(obj).context;
    as_object(result).handlers = find_handlers(ctx);
    context::owner_slot(ctx) = result;
    if (deep_handler(result)) claim_own_series(result);
    return result;
}

void install_hooks() {
    hooks::object_changed = call_on_change;
    ownership::deep_change_hook = call_on_deep_change;
}

void rebind_function(Node ctx, u32 index) {
    const Cell fn = value_at(ctx, index);
    const Cell body = *function::record_cell(fn, function::record::body);
    if (body.is(Type::none)) raise(ErrorId::script_bad_func_def, &fn);
    const Cell spec = function::spec_of(fn);
    const Node fn_ctx = series_buffer::copy_buffer(node::buffer(as_function(fn).context));
    Cell body_copy;
    block::clone(body, true, true, &body_copy);
    // `self` in the body names the object the function now belongs to.
    context::bind_block(body_copy, ctx, true);
    context::bind_block(body_copy, fn_ctx, false);
    const Cell copy = function::make_value(spec, &body_copy, fn_ctx, 0, 0, fn.header & ~cellflag::type_mask);
    *function::record_cell(copy, function::record::second) = *function::record_cell(fn, function::record::second);
    *function::record_cell(copy, function::record::code) = unset_cell;
    value_at(ctx, index) = copy;
}

namespace {

void rebind_functions(Node ctx) {
    for (u32 i = 0; i < length_of(values_node(ctx)); ++i)
        if (value_at(ctx, i).is(Type::function)) rebind_function(ctx, i);
}

}  // namespace

Cell clone(const Cell& prototype, bool deep, const Cell* types, bool rebuild_handlers) {
    Cell holder = prototype;
    const Node ctx = context::clone(holder, context::kind::object);
    const auto proto = as_object(prototype);
    const u32 n = context::word_count(proto.context);
    std::copy_n(&value_at(proto.context, 0), n, &value_at(ctx, 0));
    Cell result = make_value(ctx, proto.class_id, rebuild_handlers ? 0 : proto.handlers, prototype.type());

    if (deep && !types) {
        for (u32 i = 0; i < n; ++i) {
            if (copied_by_clone(value_at(ctx, i).type())) {
                const Cell copy = deep_copy(value_at(ctx, i));
                value_at(ctx, i) = copy;
            } else if (value_at(ctx, i).is(Type::function)) {
                rebind_function(ctx, i);
            }
        }
    } else {
        rebind_functions(ctx);
        if (types) {
            const Cell filter = *types;
            if (deep && cycle::find(proto.context)) {
                cycle::reset();
                raise(ErrorId::internal_no_cycle);
            }
            std::optional<cycle::Entry> guard;
            if (deep) guard.emplace(proto.context);
            block::copy_nested(block_cell(values_node(ctx)), 0, n, 1, filter);
        }
    }
    if (rebuild_handlers) result = install_handlers(result);
    return result;
}

void copy_values(Node from, Node to, bool all) {
    const u32 n = std::min(length_of(values_node(from)), length_of(values_node(to)));
    for (u32 i = 0; i < n; ++i) {
        const Cell value = value_at(from, i);
        if (copied_by_make(value.type())) {
            value_at(to, i) = value;
            copy_field(to, i);
        } else if (all) {
            value_at(to, i) = value;
        }
    }
}

bool extend_from(Node ctx, const Cell& source) {
    const u32 before = context::word_count(ctx);
    const Node from = as_object(source).context;
    for (u32 i = 0; i < context::word_count(from); ++i) {
        const Cell word = *context::word_at(from, i);
        const Cell value = value_at(from, i);
        context::put_value(ctx, word, value);
    }
    for (u32 i = 0; i < length_of(values_node(ctx)); ++i) {
        const Type t = value_at(ctx, i).type();
        if (copied_by_make(t)) {
            const Cell copy = deep_copy(value_at(ctx, i));
            value_at(ctx, i) = copy;
        } else if (t == Type::function) {
            rebind_function(ctx, i);
        }
    }
    return context::word_count(ctx) > before;
}

void set_fields(const Cell& obj, const Cell& value, SetFlags flags) {
    const Node ctx = as_object(obj).context;
    const u32 n = context::word_count(ctx);
    const bool from_object = is_object_type(value.type()) && !flags.only;
    const bool from_block = value.is(Type::block) && !flags.only;
    // An object's fields, or a block's cells from its position.
    const Node source_context = from_object ? as_object(value).context : 0;
    const auto pos = as_series(value);
    const u32 source_length = from_object  ? context::word_count(source_context)
                              : from_block ? (length_of(pos.node) > pos.index ? length_of(pos.node) - pos.index : 0)
                                           : 0;
    auto source_at = [&](u32 k) -> Cell {
        if (from_object) return value_at(source_context, k);
        return k < source_length ? cell_at(pos.node, pos.index + k) : none_cell;
    };
    if ((from_object || from_block) && !flags.some && !flags.any) {
        for (u32 k = 0; k < std::min(n, source_length); ++k) {
            if (source_at(k).is(Type::unset)) {
                const Cell word = *context::word_at(from_object ? source_context : ctx, k);
                raise(ErrorId::script_need_value, &word);
            }
        }
    }
    for (u32 k = 0; k < n; ++k) {
        Cell word = *context::word_at(ctx, k);
        if (as_object(obj).handlers && names_hook(word)) continue;
        Cell new_value = value;
        if (from_object) {
            const i32 j = context::find_symbol(source_context, as_word(word).symbol, true);
            if (j < 0) continue;
            new_value = value_at(source_context, static_cast<u32>(j));
        } else if (from_block) {
            new_value = source_at(k);
        }
        if (flags.some && new_value.is(Type::none) && (from_object || from_block)) continue;
        as_word(word).index = k;
        context::set_in(word, new_value, ctx, true);
    }
}

Cell construct(const Cell& spec, const Cell* prototype, bool only) {
    Cell obj = prototype ? clone(*prototype, true, nullptr, true) : init_empty(4);
    const Node ctx = as_object(obj).context;
    if (!prototype) obj = make_value(ctx, next_class_id(), 0);
    const auto pos = as_series(spec);
    const u32 n = length_of(pos.node);
    u32 i = std::min(pos.index, n);
    while (i < n) {
        if (!cell_at(pos.node, i).is(Type::set_word)) {
            ++i;
            continue;
        }
        u32 end = i;
        while (end < n && cell_at(pos.node, end).is(Type::set_word)) ++end;
        Cell value = end < n ? cell_at(pos.node, end) : none_cell;
        if (!only && value.is(Type::word)) {
            const u32 name = symbol::canonical_id(as_word(value).symbol);
            auto is = [&](u32 s) { return name == symbol::canonical_id(s); };
            if (is(sym::true_) || is(sym::yes) || is(sym::on)) value = true_cell;
            else if (is(sym::false_) || is(sym::no) || is(sym::off)) value = false_cell;
            else if (is(sym::none)) value = none_cell;
        }
        for (u32 k = i; k < end; ++k) {
            const Cell word = cell_at(pos.node, k);
            context::put_value(ctx, word, value);
        }
        i = end;
    }
    return of_context(ctx);
}

}  // namespace zel::object

namespace zel::object {
namespace {

Cell path_or_none(const PathStep& step) { return step.path ? *step.path : none_cell; }

Cell* result_of(Cell* result, const Cell& value) {
    *result = value;
    return result;
}

// The class a derived object takes: a new one when the object's spec block added words or there was no
// prototype object to share one with.
u32 derived_class(const Cell* prototype, bool added) {
    return added || !prototype ? next_class_id() : as_object(*prototype).class_id;
}

constexpr std::string_view make_object_prefix = "make object! [";

u32 changed_symbol() { return as_word(*words::changed).symbol; }

bool field_named(const Cell& field, u32 s) { return same_symbol(as_word(field).symbol, s); }

Cell words_block(Node ctx, bool only_changed) {
    const u32 n = context::word_count(ctx);
    Cell block = block_cell(memory::alloc_cells(n));
    for (u32 i = 0; i < n; ++i) {
        const Cell word = *context::word_at(ctx, i);
        if (only_changed && !(word.header & cellflag::field_assigned)) continue;
        *series_buffer::append_cell(block) = only_changed ? word : word_cell(Type::word, ctx, as_word(word).symbol, i);
    }
    return block;
}

Cell body_block(Node ctx) {
    const u32 n = context::word_count(ctx);
    Cell block = block_cell(memory::alloc_cells(2 * n));
    for (u32 i = 0; i < n; ++i) {
        Cell name = word_cell(Type::set_word, ctx, as_word(*context::word_at(ctx, i)).symbol, i);
        name.header |= cellflag::new_line;
        Cell value = value_at(ctx, i);
        if (value.is(Type::word)) cell::set_type(&value, Type::lit_word);
        else if (value.is(Type::path)) cell::set_type(&value, Type::lit_path);
        *series_buffer::append_cell(block) = name;
        *series_buffer::append_cell(block) = value;
    }
    return block;
}

i32 compare_fields(Node a, Node b, i32 code) {
    for (u32 i = 0; i < context::word_count(a); ++i) {
        const u32 s1 = symbol::canonical_id(as_word(*context::word_at(a, i)).symbol);
        const u32 s2 = symbol::canonical_id(as_word(*context::word_at(b, i)).symbol);
        if (s1 != s2) return s1 < s2 ? -1 : 1;
        const Cell v1 = value_at(a, i);
        const Cell v2 = value_at(b, i);
        const i32 r = compare_elements(v1, v2, code);
        if (r != 0) return r;
    }
    return 0;
}

}  // namespace

Cell* make(Cell* prototype, const Cell* spec_arg, Type) {
    const bool from_object = prototype->is(Type::object);
    const Cell proto = *prototype;
    Cell spec = *spec_arg;
    Cell obj = from_object ? clone(proto, true, nullptr, false) : init_empty(4);
    const Node ctx = as_object(obj).context;
    const Cell* proto_ptr = from_object ? &proto : nullptr;
    if (is_object_type(spec.type())) {
        obj = make_value(ctx, derived_class(proto_ptr, extend_from(ctx, spec)), as_object(obj).handlers);
    } else if (spec.is(Type::block)) {
        const bool added = context::collect_set_words(ctx, spec);
        context::bind_block(spec, ctx, true);
        if (from_object) copy_values(as_object(proto).context, ctx, false);
        obj = make_value(ctx, derived_class(proto_ptr, added), as_object(obj).handlers);
        Cell ignored;
        hooks::run(spec, ignored);
        clear_changed_marks(ctx);
        clear_new_line_marks(values_node(ctx));
    } else {
        raise(ErrorId::syntax_malconstruct, &spec);
    }
    return result_of(prototype, install_handlers(of_context(ctx)));
}

Cell body(const Cell& obj) { return body_block(as_object(obj).context); }

Cell* reflect(Cell* value, const Cell* field) {
    const Cell obj = *value;
    const auto o = as_object(obj);
    const Node ctx = o.context;
    if (field_named(*field, changed_symbol())) return result_of(value, words_block(ctx, true));
    if (field_named(*field, sym::class_)) return result_of(value, integer::cell(static_cast<i32>(o.class_id)));
    if (field_named(*field, sym::words)) return result_of(value, words_block(ctx, false));
    if (field_named(*field, sym::values)) {
        return result_of(value, block_cell(series_buffer::copy_buffer(node::buffer(values_node(ctx)))));
    }
    if (field_named(*field, sym::body)) return result_of(value, body_block(ctx));
    if (field_named(*field, sym::owner))
        return result_of(value, logic(context::cell_of(ctx).header & cellflag::owns_series));
    if (field_named(*field, sym::events_q)) return result_of(value, logic(o.handlers != 0));
    raise(ErrorId::internal_not_done);
}

Cell* modify(Cell* value, const Cell* field, const Cell* new_value, bool) {
    const Cell obj = *value;
    const Cell arg = *new_value;
    if (field_named(*field, changed_symbol())) {
        if (!arg.is(Type::none)) raise(ErrorId::script_invalid_arg, &arg);
        clear_changed_marks(as_object(obj).context);
    } else if (field_named(*field, sym::owner)) {
        claim_own_series(obj);
    } else if (field_named(*field, sym::owned)) {
        Cell target = obj;
        if (arg.is(Type::none)) {
            ownership::release(target);
        } else if (arg.is(Type::block) && block::length(arg) >= 2) {
            const auto pos = as_series(arg);
            const Cell owner = cell_at(pos.node, pos.index);
            const Cell word = cell_at(pos.node, pos.index + 1);
            if (is_object_type(owner.type())) ownership::claim_for_object(target, owner, word);
        }
    }
    return result_of(value, arg);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const Cell obj = *parent;
    const Cell path = path_or_none(step);
    Cell word = *element;
    if (!is_field_key(word.type())) raise(ErrorId::script_invalid_path, &path, &word);
    auto missing = [&]() -> Cell* {
        if (step.get && step.last) return result_of(parent, none_cell);
        if (step.last) raise(ErrorId::script_invalid_path, &path, &word);
        raise(ErrorId::script_unset_path, &path, &word);
    };
    const Node ctx = as_object(obj).context;
    const auto field = as_word(word);
    if (field.context != ctx || field.index == context::no_index) {
        const i32 i = field_index(obj, word);
        if (i < 0) return missing();
        field.context = ctx;
        field.index = static_cast<u32>(i);
    }
    if (value_to_set) {
        const Cell v = *value_to_set;
        context::set_in(word, v, ctx, true);
        return result_of(parent, v);
    }
    const Cell v = value_at(ctx, field.index);
    if (v.is(Type::unset)) return missing();
    return result_of(parent, v);
}

Cell* select(Cell* value, const Cell* key, const FindRefinements&) {
    if (!is_field_key(key->type())) {
        const Cell type = datatype::of(key->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    return result_of(value, *select_field(*value, *key));
}

Cell* put(Cell* value, const Cell* key, const Cell* new_value, bool case_) {
    if (!key->is(Type::word)) {
        const Cell type = datatype::of(key->type());
        raise(ErrorId::script_invalid_key_type, &type);
    }
    PathStep step;
    step.element_index = -1;
    step.case_ = case_;
    const Cell v = *new_value;
    eval_path(value, key, &v, step);
    return result_of(value, v);
}

Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types) {
    if (part) raise(ErrorId::script_invalid_refine_arg, refinements::part, part);
    const Cell copied = clone(*value, deep, types, true);
    *result = copied;
    *value = copied;
    return value;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(value1->type())) return not_comparable;
    const Node a = as_object(*value1).context;
    const Node b = as_object(*value2).context;
    if (a == b) return 0;
    if (code == compare_code::same) return -1;
    if (cycle::find(a)) return cycle::find(b) ? 0 : -1;
    const u32 n1 = context::word_count(a);
    const u32 n2 = context::word_count(b);
    if (n1 != n2) return n1 > n2 ? 1 : -1;
    cycle::Entry guard_a(a);
    cycle::Entry guard_b(b);
    return compare_fields(a, b, code);
}

i32 serialize_fields(const Cell& obj, Output& out, SerializeFlags flags, const Cell* part, i32 limit, i32 level) {
    const Node ctx = as_object(obj).context;
    const u32 n = context::word_count(ctx);
    if (n == 0) return limit;
    const char separator = flags.flat ? ' ' : '\n';
    bool indent = flags.indent && !flags.flat;
    if (flags.leading_newline && !flags.flat) {
        if (flags.only) {
            indent = false;
        } else {
            out.append_char('\n');
            --limit;
        }
    }
    cycle::Entry guard(ctx);
    for (u32 i = 0; i < n && limit >= 1; ++i) {
        const Cell word = *context::word_at(ctx, i);
        if (!flags.all && names_hook(word)) continue;
        if (indent) limit = append_indent(out, level, limit);
        limit = mold_value(word_cell(Type::word, 0, as_word(word).symbol, 0), out, {}, part, limit, level);
        limit = append_text(out, ": ", limit);
        if (static_cast<u8>(value_at(ctx, i).type()) == 0) value_at(ctx, i) = unset_cell;
        const Cell value = value_at(ctx, i);
        if (value.is(Type::word)) limit = append_text(out, "'", limit);
        limit = mold_value(value, out, MoldFlags{false, flags.all, flags.flat}, part, limit, level);
        if (indent || i + 1 < n) {
            out.append_char(static_cast<u8>(separator));
            --limit;
        }
    }
    return limit;
}

namespace {

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, false)) return limit;
    return serialize_fields(*value, out, {}, part, limit, 0);
}

}  // namespace

// Shared by the object family: "make <type> [", the fields one level deeper, "]".
i32 mold_as(const Cell& value, std::string_view prefix, Output& out, MoldFlags flags, const Cell* part, i32 limit,
            i32 indent) {
    if (!flags.only) limit = append_text(out, prefix, limit);
    limit = serialize_fields(value, out, SerializeFlags{flags.only, flags.all, flags.flat, true, true}, part, limit,
                             indent + 1);
    if (!flags.flat && indent >= 1) limit = append_indent(out, indent, limit);
    if (!flags.only) limit = append_text(out, "]", limit);
    return limit;
}

namespace {

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, true)) return limit;
    return mold_as(*value, make_object_prefix, out, flags, part, limit, indent);
}

}  // namespace
}  // namespace zel::object

namespace zel {

constinit const ActionRecord object_actions = [] {
    ActionRecord r;
    r.on_make = object::make;
    r.on_reflect = object::reflect;
    r.on_form = object::form;
    r.on_mold = object::mold;
    r.on_eval_path = object::eval_path;
    r.on_compare = object::compare;
    r.on_copy = object::copy;
    r.on_put = object::put;
    r.on_select = object::select;
    r.on_modify = object::modify;
    return r;
}();

}  // namespace zel
