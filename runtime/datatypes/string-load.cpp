#include "runtime/datatypes/string-load.h"

#include <cstring>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-utf8.h"

namespace zel::string {

Cell to_from_binary(const u8* bytes, u32 count) {
    // Decoding allocates, which may move the buffer the bytes come from.
    const std::vector<u8> copy(bytes, bytes + count);
    u32 left = 0;
    const Node text = unicode::load_utf8(copy.data(), count, 0, &left, false);
    if (left > 0) {
        const Cell undecoded{header_of(Type::binary), 0, memory::alloc_bytes(left), 0};
        Buffer* b = node::buffer(undecoded.w2);
        std::memcpy(b->head_ptr(), copy.data() + count - left, left);
        b->tail = b->head + left;
        raise(ErrorId::access_invalid_utf8, &undecoded);
    }
    return Cell{header_of(Type::string), 0, text, 0};
}

}  // namespace zel::string
