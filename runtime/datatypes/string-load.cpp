#include "runtime/datatypes/string-load.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "platform/posix/write-all.h"
#include "runtime/core/raise.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-utf16.h"
#include "runtime/text/string-utf8.h"

namespace zel::string {

namespace {

[[noreturn]] void unsupported_encoding() {
    constexpr char report[] = "*** Loading Error: input encoding unsupported\n";
    platform::write_all(STDOUT_FILENO, report, sizeof report - 1);
    heap::free_all();
    std::_Exit(1);
}

Node decode(const u8* bytes, u32 length, i32 encoding) {
    switch (encoding) {
    case encoding::utf8:
        return unicode::load_utf8_new(bytes, length);
    case encoding::utf16le: {
        // Copied so that the units are read aligned whatever the caller's bytes are.
        std::vector<u16> units(length / 2);
        if (!units.empty()) std::memcpy(units.data(), bytes, units.size() * 2);
        return unicode::load_utf16le(units.data(), static_cast<u32>(units.size()), 0, false);
    }
    default:
        unsupported_encoding();
    }
}

}  // namespace

void load_text(const u8* bytes, u32 length, i32 encoding, Cell& out) {
    const Node text = decode(bytes, length, encoding);
    out = Cell{header_of(Type::string), 0, text, 0};
}

Cell load_text_in(const u8* bytes, u32 length, const Cell& block, i32 encoding) {
    Cell text;
    load_text(bytes, length, encoding, text);
    *series_buffer::append_cell(block) = text;
    return text;
}

Cell load_text_in_root(const u8* bytes, u32 length, i32 encoding) {
    return load_text_in(bytes, length, roots::block(), encoding);
}

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
