// Action dispatch: the generic actions, one per slot of action-slots.def. Each slot's stack
// entry reads its arguments from the argument frame (a refinement arrives as the frame index
// of its first argument, -1 when unused), normalises them, and calls the implementation the
// first argument's datatype registered; the result goes to slot 0. The path slot's entry
// serves paths, the empty slot has none and comparison is reached through `compare` alone.
#pragma once
#include "runtime/core/action-slots.h"
#include "runtime/datatypes/registry.h"

namespace zel::action {

constexpr u32 slot_count = action_slots::count;

using Entry = void (*)(const i32* refinements);

// The stack entries in slot order (null for the empty slot and for compare).
extern const Entry table[slot_count];
// The action's name as a word (for errors and operator frames).
Cell word_of(u32 slot);

// The slot of a row member, `&ActionRow::on_<name>`.
template <auto Member>
inline constexpr u32 slot_number = 0;
#define ZEL_ACTION(slot, name, text) \
    template <>                      \
    inline constexpr u32 slot_number<&ActionRow::on_##name> = slot;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION

inline void call(u32 slot, const i32* refinements) { table[slot - 1](refinements); }

// The implementation of a slot for the value's datatype. An unsupported action raises
// access/no-port-action for a port (from append's slot on), else script/expect-arg naming the
// current call, the datatype and the call's first parameter.
[[noreturn]] void unsupported(const Cell& value, u32 slot);
template <auto Member>
auto lookup(const Cell& value) {
    const auto fn = registry().actions(value.type()).*Member;
    if (!fn) unsupported(value, slot_number<Member>);
    return fn;
}

// The path action's implementation for the value: a value without one raises
// script/bad-path-type with the path walked so far and the datatype (with a path), else
// script/bad-path-type2 with the datatype and the value.
sig::on_eval_path lookup_path(const Cell& value, const Cell* path, const Cell& selector);

}  // namespace zel::action
