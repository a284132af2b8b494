// Action dispatch: the 62 generic actions. Each slot's stack entry reads its arguments from
// the argument frame (a refinement arrives as the frame index of its first argument, -1
// when unused), normalises them, and calls the implementation the first argument's
// datatype registered; the result goes to slot 0. Slot 7's entry serves paths, slot 8 is
// empty and slot 9 (comparison) is reached through `compare` alone.
#pragma once
#include "runtime/datatypes/registry.h"

namespace zel::action {

constexpr u32 slot_count = 62;
constexpr u32 path_slot = 7;

using Entry = void (*)(const i32* refinements);

// The stack entries in slot order (null for slots 8 and 9).
extern const Entry table[slot_count];
// The action's name as a word (for errors and operator frames).
Cell word_of(u32 slot);

inline void call(u32 slot, const i32* refinements) { table[slot - 1](refinements); }

// The implementation of a slot for the value's datatype. An unsupported action raises
// access/no-port-action for a port (from slot 25), else script/expect-arg naming the
// current call, the datatype and the call's first parameter.
[[noreturn]] void unsupported(const Cell& value, u32 slot);
template <auto Member>
auto lookup(const Cell& value, u32 slot) {
    const auto fn = registry().actions(value.type()).*Member;
    if (!fn) unsupported(value, slot);
    return fn;
}

// The path action's implementation for the value: a value without one raises
// script/bad-path-type with the path walked so far and the datatype (with a path), else
// script/bad-path-type2 with the datatype and the value.
sig::on_eval_path lookup_path(const Cell& value, const Cell* path, const Cell& selector);

}  // namespace zel::action
