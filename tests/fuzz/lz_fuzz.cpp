// Any bytes given to the block decompressor expand or are refused: never a crash, never a
// read or write outside the buffers. The same bytes, as plain data, come back unchanged
// through the compressor whenever it takes them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/codec/lz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    zel::lz::decompress(in);
    if (const auto block = zel::lz::compress(in)) {
        const auto back = zel::lz::decompress(*block);
        if (!back || *back != std::vector<std::uint8_t>(data, data + size)) std::abort();
    }
    return 0;
}
