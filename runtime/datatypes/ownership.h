// Series ownership: an object with `on-deep-change*` claims the series reachable from its
// fields, so that changes inside them reach its handler. An owned series carries the
// owned flag on its buffer (image!: a header bit) and has an entry in the ownership table
// keyed by its node; the flag and the entry come and go together.
#pragma once
#include "runtime/core/cell.h"
#include "runtime/memory/buffer.h"

namespace zel::ownership {

// The owner side, installed by object!: calls the owner's on-deep-change* with the owner,
// the field word, the changed series, the action word, the new value, the index and the
// part of the change. Until installed, owned series notify nobody.
using DeepChangeHook = void (*)(const Cell& owner, const Cell& word, const Cell& target, const Cell& action,
                                const Cell& new_value, i32 index, i32 part);
extern DeepChangeHook deep_change_hook;

// Whether the series of this buffer is owned: a change to a series whose buffer is not
// (and which is no image!, whose mark is in its cell) notifies nobody.
inline bool owned(const Buffer* b) { return (b->flags & bufferflag::owned) != 0; }

// Creates the ownership table (a keyed table of the owned value, the owner object and the
// field word per series node); a collector root.
void init();

// Marks the value and every series inside it (under the cycle guard) as owned by the
// field `word` of `owner`. A series already owned keeps its first owner.
void claim(Cell& value, const Cell& owner, const Cell& word);
// claim, then marks the owner's context as owning series.
void claim_for_object(Cell& value, const Cell& owner, const Cell& word);
// Undoes the claim of the value and of everything inside it.
void release(Cell& value);
// The recorded owner object of a series node, or null when it is not owned; valid until
// the next allocation.
const Cell* owner_of(Node n);
// What changing actions call, before the change with their own word and after it with
// the past-tense word. Runs the owner's hook when the series is owned and the owner has
// a handler; answers whether it ran. The hook runs language code: buffers may move.
bool notify(const Cell& changed, const Cell* action, const Cell& new_value, i32 index, i32 part);

}  // namespace zel::ownership
