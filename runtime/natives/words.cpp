// The natives of words: get and set (a word's value, a path's, an object's fields; words
// set one by one or from a block of values), unset and value?; and binding: bind, in and
// context?, which find words in the context of a word, an object or a function.
#include "generated/refinements.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/interpreter.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

bool is_word(Type t) { return t >= Type::word && t <= Type::get_word; }

Cell path_value(const Cell& path, interp::PathMode mode, const Cell* value) {
    Cell empty;
    block::make_at(&empty, 0);
    Cell* const top = stack::top;
    interp::eval_path(path, interp::Code{empty.w2}, 0, mode, value);
    const Cell result = *stack::top_cell();
    stack::top = top;
    return result;
}

void set_one(Cell word, const Cell& value) {
    cell::set_type(&word, Type::word);
    context::set_word(word, value);
}

// set with a block of words: every word and every value is checked before any is set.
void set_block(const Cell& words, const Cell& value, bool any, bool only, bool some) {
    const i32 n = block::length(words);
    for (i32 i = 0; i < n; ++i) {
        const Cell w = *block::cell_at(words, words.w1 + static_cast<u32>(i));
        if (!is_word(w.type())) raise(ErrorId::script_invalid_arg, &w);
    }
    const bool spread = !only && series::any_block(value.type());
    auto value_at = [&](i32 i) {
        if (!spread) return value;
        const u32 at = value.w1 + static_cast<u32>(i);
        return at < series::buffer_length(value) ? *block::cell_at(value, at) : none_cell;
    };
    if (!any) {
        for (i32 i = 0; i < n; ++i) {
            const Cell v = value_at(i);
            if (v.is(Type::unset)) {
                const Cell w = *block::cell_at(words, words.w1 + static_cast<u32>(i));
                raise(ErrorId::script_need_value, &w);
            }
        }
    }
    for (i32 i = 0; i < n; ++i) {
        const Cell v = value_at(i);
        if (some && v.is(Type::none)) continue;
        set_one(*block::cell_at(words, words.w1 + static_cast<u32>(i)), v);
    }
}

// The context whose words bind and in look up: a word's own, an object's (error!, port!),
// a function's (routine!, an op! over either); 0 for a callable that has no words.
Node context_of(const Cell& v) {
    if (in_family(v.type(), family::any_word)) {
        if (!as_word(v).context) raise(ErrorId::script_not_defined, &v);
        return as_word(v).context;
    }
    if (in_family(v.type(), family::any_object)) return as_object(v).context;
    const Type callable =
        v.is(Type::op) ? static_cast<Type>((v.header & cellflag::op_wrapped_type) >> 16) : v.type();
    return callable == Type::function || callable == Type::routine ? as_function(v).context : 0;
}

}  // namespace

void get(const i32* refinements) {
    const Cell target = arg(0);
    if (target.is(Type::object)) {
        Cell object = target;
        const Cell field{header_of(Type::word), 0, sym::values, context::no_index};
        set_result(*object::reflect(&object, &field));
        return;
    }
    if (!is_word(target.type())) {
        set_result(path_value(target, interp::PathMode::get, nullptr));
        return;
    }
    Cell word = target;
    cell::set_type(&word, Type::word);
    const Cell value = *context::get_word(word);
    if (value.is(Type::unset) && !used(refinements, get_ref::any)) raise(ErrorId::script_no_value, &target);
    set_result(value);
}

void set(const i32* refinements) {
    const Cell target = arg(0);
    const Cell value = arg(1);
    const bool any = used(refinements, set_ref::any);
    const bool only = used(refinements, set_ref::only);
    const bool some = used(refinements, set_ref::some);
    if (target.is(Type::block)) {
        set_block(target, value, any, only, some);
    } else {
        if (value.is(Type::unset) && !any) raise(ErrorId::script_need_value, &target);
        if (target.is(Type::object)) object::set_fields(target, value, object::SetFlags{any, only, some});
        else if (is_word(target.type())) set_one(target, value);
        else path_value(target, interp::PathMode::set, &value);
    }
    set_result(value);
}

void unset(const i32*) {
    const Cell target = arg(0);
    if (target.is(Type::word)) {
        set_one(target, unset_cell);
    } else {
        for (u32 i = target.w1; i < series::buffer_length(target); ++i) {
            const Cell w = *block::cell_at(target, i);
            if (w.is(Type::word)) set_one(w, unset_cell);
        }
    }
    set_result(unset_cell);
}

void value_q(const i32*) {
    const Cell v = arg(0);
    const bool has_value = is_word(v.type()) ? !context::get_word(v)->is(Type::unset) : !v.is(Type::unset);
    set_result(has_value ? true_cell : false_cell);
}

void bind(const i32* refinements) {
    Cell target = arg(0);
    const Node ctx = context_of(arg(1));
    if (in_family(target.type(), family::any_word)) {
        context::bind_word(ctx, target);
    } else {
        if (used(refinements, bind_ref::copy)) block::clone(Cell{target}, true, true, &target);
        // An object's block gets `self` too, as making the object gave it.
        context::bind_block(target, ctx, context::kind_of(ctx) == context::kind::object);
    }
    set_result(target);
}

void in(const i32*) {
    const Node ctx = context_of(arg(0));
    Cell word = arg(1);
    if (!ctx || context::bind_word(ctx, word) < 0) {
        set_result(none_cell);
        return;
    }
    if (word.is(Type::refinement)) cell::set_type(&word, Type::word);
    set_result(word);
}

// The owner a context records: its object or function; the global context has none.
void context_q(const i32*) {
    const Node ctx = as_word(arg(0)).context;
    const Cell owner = ctx ? context::owner_slot(ctx) : none_cell;
    const bool owned = in_family(owner.type(), family::any_object) || owner.is(Type::function);
    set_result(owned ? owner : none_cell);
}

}  // namespace zel::natives
