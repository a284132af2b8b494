#include "runtime/memory/roots.h"

#include <cassert>

#include "runtime/memory/node.h"

namespace zel::roots {

Cell* base = nullptr;

namespace {
Cell root_block{};
}

void set_block(const Cell& block) {
    Buffer* b = node::buffer(block.w2);
    assert(b->flags & bufferflag::tracked_heap);
    root_block = block;
    base = reinterpret_cast<Cell*>(b->head_ptr());
}

const Cell& block() { return root_block; }

}  // namespace zel::roots
