// The memory census: what the node frames, series frames and big buffers hold, frame by
// frame, and what was taken from the system. A census only reads the frames; the caller
// keeps collection off while it turns a census into values, so the figures stay true.
#pragma once
#include <vector>

#include "runtime/core/cell.h"

namespace zel::census {

// One frame: free and used nodes (node frames) or bytes (series frames), and their sum.
struct FrameUse {
    u64 free;
    u64 used;
    u64 total;
};

struct Census {
    std::vector<FrameUse> node_frames;
    std::vector<FrameUse> series_frames;
    std::vector<u64> big_buffers;  // sizes, header included
    u64 from_system;               // pages of frames and big buffers, plus the tracked heap
    u64 heap_bytes;                // the tracked heap alone
};

// Bytes in use: the node slots taken, each series frame up to its heap pointer (buffers
// not yet reclaimed included) and every big buffer.
u64 bytes_in_use();
Census take();

}  // namespace zel::census
