#include "runtime/text/string-append.h"

#include <cstring>

#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::unicode {

u32 append_ascii(Node str, const char* text) {
    auto length = static_cast<u32>(std::strlen(text));
    Buffer* b = node::buffer(str);
    u32 unit = b->unit();
    u8* out = series_buffer::reserve_tail(b, length * unit);
    for (u32 i = 0; i < length; ++i) {
        u32 c = static_cast<u8>(text[i]);
        // Little-endian: the first `unit` bytes of c are the unit.
        std::memcpy(out + i * unit, &c, unit);
    }
    return length;
}

}  // namespace zel::unicode
