// The phases of a collection, run in this order by gc.cpp: marking from the roots (the
// pending cells are walked by drain), the conservative scan of native memory, the
// resolution of the pointers it found to buffers (which pins them), and compaction, which
// frees the nodes of unmarked buffers and slides the unpinned live ones down.
#pragma once
#include <cstddef>

#include "runtime/memory/buffer.h"

namespace zel::gc {

// Marks the cells of every buffer of cells marked since the last drain.
void drain();
void release_mark_tables();

// Bounds of the series frames and big buffers, taken before the scan.
void prepare_scan();
// Scans the native stack from `from` to its base. `from` lies in the collector's entry
// frame, below the callee-saved registers spilled there: the collector's own frames
// further down hold nothing of the program's, only stale words.
void scan_native_stack(const void* from);
void scan_native(const void* begin, std::size_t bytes);
// Marks and pins the buffers the scanned words point into.
void resolve_pointers();
// The pinned buffers, ascending.
const Buffer* const* pins_begin();
const Buffer* const* pins_end();
void release_scan_tables();

void compact();

}  // namespace zel::gc
