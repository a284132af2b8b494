// Growing and copying series. A series that outgrows its buffer moves to a new one behind
// the same node; the old buffer stays in its frame as garbage until compaction. Every
// routine here may allocate, and so move any buffer: the buffer a routine returns is the
// series' current one; re-read others from their nodes.
#pragma once
#include "runtime/memory/buffer.h"

namespace zel::series_buffer {

// Moves the series of `b` to a new buffer of `new_size` bytes (0: twice the size, at least
// 16) without copying its data; head at the data start, tail after the old used length
// (cut to the new size). Raises internal/no-memory for a size below 1 or too large and
// internal/limit-hit for a buffer of the tracked heap, which never moves.
Buffer* replace_buffer(Buffer* b, i64 new_size);
// replace_buffer, then copies the bytes from the old head to the end of the old data
// area (as many as the new buffer holds), so arrays using their whole data area survive.
Buffer* expand(Buffer* b, i64 new_size);
// expand, then fills the new bytes past the old size with `byte`.
Buffer* expand_filled(Buffer* b, i64 new_size, u8 byte);
// Claims n bytes at the tail, growing the buffer first when they do not fit; returns the
// start of the claimed bytes.
u8* reserve_tail(Buffer* b, u32 n);
// Appends an unset! cell (payload left as it was) at the tail, doubling a full buffer.
// Inline: reading code and building blocks append one cell at a time.
inline Cell* append_cell(Buffer* b) {
    if (!b->room_at_tail(sizeof(Cell))) [[unlikely]] b = expand(b, 0);
    auto* c = reinterpret_cast<Cell*>(b->tail_ptr());
    c->header = header_of(Type::unset);
    b->tail += sizeof(Cell);
    return c;
}
// A new series holding `count` units from unit `start` of `src` (cut to its tail), with
// the source's unit width; never owned.
Node copy_slice(Node src, u32 start, u32 count);
// A new series with the same data size, unit width, used length and data; never owned.
Node copy_buffer(Buffer* b);

// Appends an unset! cell to the block of a series value (its node in word 2).
Cell* append_cell(const Cell& block);

}  // namespace zel::series_buffer
