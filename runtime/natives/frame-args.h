// How a native reads its call: argument i at the argument base + i (slot 0 is also the
// result slot), a used refinement's arguments from the frame index its flag holds.
#pragma once
#include "runtime/eval/stack.h"

namespace zel::natives {

inline Cell& arg(u32 i) { return stack::base[i]; }
inline bool used(const i32* refinements, u32 r) { return refinements[r] >= 0; }
inline Cell& ref_arg(const i32* refinements, u32 r) { return stack::base[refinements[r]]; }
inline void set_result(const Cell& value) { *stack::base = value; }

}  // namespace zel::natives
