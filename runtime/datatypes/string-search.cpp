#include "runtime/datatypes/string-search.h"

#include "runtime/memory/node.h"

namespace zel::string {

bool in_bitset(const Cell& bitset, u32 c) {
    Buffer* bits = node::buffer(bitset.w2);
    if (c >> 3 >= bits->used()) return (bits->flags & bufferflag::complemented) != 0;
    return (bits->head_ptr()[c >> 3] & (0x80u >> (c & 7))) != 0;
}

}  // namespace zel::string
