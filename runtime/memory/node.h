// Nodes: the stable names of series. A node is a 32-bit id whose slot in the node table holds
// the address of its series buffer; values hold nodes, never buffer addresses, so a buffer
// may move (growth, compaction) while every value naming it stays valid. Nodes never move.
// Ids start at `base` so that small integers on the native stack are not taken for nodes.
// The table is one range of reserved address space indexed by id - base, so reaching a
// buffer is one load; node frame k owns the window of ids from base + (k << 14), which
// holds memory only while the frame exists.
#pragma once
#include <cstdint>

#include "runtime/memory/buffer.h"

namespace zel::node {

constexpr Node base = 0x01000000;
constexpr u32 slot_bits = 14;                   // id = base + (frame number << 14) + slot
constexpr u32 slots_per_frame = 10000;
constexpr u32 max_frames = 1u << 16;
constexpr u32 no_slot = 0xFFFFFFFF;

// A slot holds a buffer address (0 just after allocation) or, when free, the index of the
// next free slot shifted left by one with bit 0 set; buffers are 16-byte aligned, so bit 0
// tells the two apart.
using Slot = std::uintptr_t;

// A frame hands out its slots in order before it takes freed ones back, so that only the
// pages of the slots in use are touched; a walk over a frame's slots stops at `fresh`.
struct Frame {
    Frame* next;  // creation order
    Frame* prev;
    u32 number;   // index in the frame table
    u32 slot_count;
    u32 free_head;  // first freed slot, no_slot when none
    u32 fresh;      // slots from here on were never taken: their pages stay untouched
    u32 used;
    Slot* slots;  // its window of the table
};

// The frame of each frame number (null when the number is free).
extern Frame* frames[max_frames];
// The node table; null until the first frame is made.
extern Slot* table;

struct Frames {
    Frame* first;
    Frame* last;
    Frame* current;  // frame nodes are taken from
    u32 count;
};
extern Frames list;

inline Slot& slot(Node n) { return table[n - base]; }
inline Buffer* buffer(Node n) { return reinterpret_cast<Buffer*>(slot(n)); }
inline void set_buffer(Node n, Buffer* b) { slot(n) = reinterpret_cast<Slot>(b); }

// True when n names a node that is allocated (the collector's test for stack words).
bool is_live(Node n);

Frame* make_frame();
Node alloc();
void free(Node n);
void release_frame(Frame* f);
// After a collection: releases empty frames and makes the first frame with a free slot
// current.
void sweep_frames();
// Returns every frame to the operating system.
void release_all();
u32 used_count();

}  // namespace zel::node
