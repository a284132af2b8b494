// The natives get and set: a word's value, a path's, an object's fields; and words set
// one by one or from a block of values.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
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

}  // namespace zel::natives
