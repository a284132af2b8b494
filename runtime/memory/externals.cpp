#include "runtime/memory/externals.h"

#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::externals {
namespace {

constexpr i32 end_of_list = -1;

Cell table{};
u32 size = 0;
i32 free_head = end_of_list;

Cell* cells() { return node::buffer(table.w2)->cells(); }

Cell free_cell(i32 next) { return Cell{header_of(Type::integer), 0, static_cast<u32>(next), 0}; }

}  // namespace

void init() {
    size = first_size;
    table = Cell{header_of(Type::block), 0, memory::alloc_cells(size), 0};
    gc::add_root_cells(&table, 1);
    thread(0);
}

void shutdown() {
    gc::remove_root_cells(&table);
    table = Cell{};
    size = 0;
    free_head = end_of_list;
}

void thread(u32 start) {
    Cell* c = cells();
    for (u32 i = start; i < size; ++i) c[i] = free_cell(i + 1 < size ? static_cast<i32>(i + 1) : end_of_list);
    free_head = start < size ? static_cast<i32>(start) : end_of_list;
    node::buffer(table.w2)->tail = size * sizeof(Cell);
}

Cell* cell_at(u32 index) { return cells() + (index - 1); }

u32 store(const Cell& value) {
    Cell v = value;  // the value may live in a series that the growth moves
    if (free_head == end_of_list) {
        u32 old = size;
        size *= 2;
        series_buffer::expand(node::buffer(table.w2), i64{size} * i64{sizeof(Cell)});
        thread(old);
    }
    u32 index = static_cast<u32>(free_head);
    Cell* c = cells() + index;
    free_head = static_cast<i32>(c->w2);
    *c = v;
    return index + 1;
}

void release(u32 index) {
    if (index == 0) return;
    *cell_at(index) = free_cell(free_head);
    free_head = static_cast<i32>(index - 1);
}

const Cell& block() { return table; }

}  // namespace zel::externals
