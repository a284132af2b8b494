// The action slots' figures, derived from action-slots.def: the table numbers its slots
// from 1 without gaps, so a slot's number is its row's position.
#pragma once
#include "runtime/core/cell.h"

namespace zel::action_slots {

// The number of slots in every datatype's row.
constexpr u32 count = 0
#define ZEL_ACTION(slot, name, text) +1
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    ;

static_assert([] {
    u32 position = 0;
    bool in_order = true;
#define ZEL_ACTION(slot, name, text) in_order = in_order && slot == ++position;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    return in_order;
}(), "action-slots.def numbers its slots 1, 2, 3... in order");

// The slot no action fills: the row without a name.
constexpr u32 empty = [] {
    u32 found = 0;
#define ZEL_ACTION(slot, name, text) \
    if (*text == '\0') found = slot;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    return found;
}();

}  // namespace zel::action_slots
