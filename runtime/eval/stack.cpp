#include "runtime/eval/stack.h"

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/memory/gc.h"
#include "runtime/names/context.h"
#include "runtime/text/cycle.h"

namespace zel::stack {

namespace {
Cell cells[capacity];

void mark(void*) { gc::mark_cells(bottom, top); }

Cell* values_at(u32 position) { return bottom + position; }
}  // namespace

Cell* bottom = cells;
Cell* top = cells;
Cell* end = cells + capacity;
Cell* base = cells;

void init() {
    top = base = bottom;
    gc::remove_mark_callback(mark);
    gc::add_mark_callback(mark);
    hooks::stack_values = values_at;
}

void overflow() {
    drop(overflow_room);
    if (base > top) base = top;
    cycle::reset();
    raise(ErrorId::internal_stack_overflow);
}

}  // namespace zel::stack
