// Marking: sets the mark bit of reachable buffers and walks the cells of buffers of cells,
// by the type rules of each cell. Walking uses an explicit list of pending buffers, so deep
// nesting costs no native stack. Every node read from a cell is checked to be live:
// marking may read cells of uncertain origin (conservatively found buffers).
#include <algorithm>

#include "runtime/memory/gc-phases.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/mark-rules.h"
#include "runtime/memory/node.h"
#include "runtime/memory/resource.h"
#include "runtime/memory/scratch.h"

namespace zel::gc {
namespace {

Scratch<Node> pending;
void (*table_marker)(Node) = nullptr;
void (*image_marker)(Node) = nullptr;

Buffer* live_buffer(Node n) { return node::is_live(n) ? node::buffer(n) : nullptr; }

bool wraps_function(u32 header) {
    auto wrapped = static_cast<Type>((header & cellflag::op_wrapped_type) >> 16);
    return wrapped == Type::function || wrapped == Type::routine;
}

void mark_word(Use use, u32 word, u32 header) {
    switch (use) {
        case Use::nothing: return;
        case Use::series: mark_series(word); return;
        case Use::table:
            mark_node(word);
            return;
        case Use::values:
            if (!(header & cellflag::context_on_stack)) mark_series(word);
            return;
        case Use::op_context:
            if (wraps_function(header)) mark_series(word);
            return;
        case Use::event_block:
            if (header & cellflag::event_from_values) mark_series(word);
            return;
        case Use::resource:
            if (static_cast<i32>(word) >= 0) resource::mark(word, nullptr);
            return;
    }
}

}  // namespace

// However a table's record is reached (a cell, the native stack, a callback), the table
// marks the series it names: the record's bytes hide them from the collector.
bool mark_node(Node n) {
    Buffer* b = live_buffer(n);
    if (!b || (b->flags & bufferflag::marked)) return false;
    b->flags |= bufferflag::marked;
    if ((b->flags & bufferflag::table_record) && table_marker) table_marker(n);
    if ((b->flags & bufferflag::image_record) && image_marker) image_marker(n);
    return true;
}

bool mark_series(Node n) {
    if (!mark_node(n)) return false;
    if (node::buffer(n)->unit() == sizeof(Cell)) pending.push(n);
    return true;
}

bool is_marked(Node n) {
    Buffer* b = live_buffer(n);
    return b && (b->flags & bufferflag::marked);
}

void mark_cells(const Cell* first, const Cell* end) {
    for (const Cell* c = first; c < end; ++c) {
        if (names_nothing[c->header & cellflag::type_mask]) continue;
        const Rule& r = mark_rule[c->header & cellflag::type_mask];
        mark_word(r.w1, c->w1, c->header);
        mark_word(r.w2, c->w2, c->header);
        mark_word(r.w3, c->w3, c->header);
    }
}

void set_table_marker(void (*marker)(Node table)) { table_marker = marker; }
void set_image_marker(void (*marker)(Node image)) { image_marker = marker; }

// Cells before the head are no longer part of the series: no value can reach them.
void drain() {
    while (!pending.empty()) {
        Buffer* b = node::buffer(pending.pop());
        u32 tail = std::min(b->tail, b->size);
        if (b->head >= tail) continue;
        auto* first = reinterpret_cast<const Cell*>(b->head_ptr());
        mark_cells(first, first + (tail - b->head) / sizeof(Cell));
    }
}

void release_mark_tables() { pending.release(); }

}  // namespace zel::gc
