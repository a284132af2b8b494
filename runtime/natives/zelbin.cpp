// The natives that reach the Zelbin writers and reader: what the zelbin codec's encode*
// and decode do.
#include <algorithm>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/eval/stack.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/node.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {

void zelbin_encode(const i32*) { set_result(zelbin::encode(arg(0), as_logic(arg(1)).value != 0)); }

// Data of 10 bytes or fewer cannot hold a value: it is refused before the reader runs.
Cell zelbin_decode_binary(const Cell& payload) {
    Buffer* b = node::buffer(as_series(payload).node);
    const u32 from = std::min(as_series(payload).index, b->used());
    if (b->used() - from <= 10) raise(ErrorId::script_invalid_data, &payload);
    Cell* values = stack::push_slot();
    block::make_at(values, 1);
    b = node::buffer(as_series(payload).node);
    zelbin::decode(b->head_ptr() + from, b->used() - from, *values, payload, zelbin::Mode::codec);
    return block::length(*values) == 1 ? *block::cell_at(*values, 0) : *values;
}

void zelbin_decode(const i32*) { set_result(zelbin_decode_binary(arg(0))); }

}  // namespace zel::natives
