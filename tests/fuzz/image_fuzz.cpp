// Any bytes given to one image decoder (chosen at build time by IMAGE_DECODER) give a
// bitmap or a refusal: never a crash, a hang or a read or write outside the buffers. A
// bitmap that comes back has the size it claims and encodes again in the same format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "runtime/codec/image-codecs.h"

using namespace zel::image_codec;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Decoded d = IMAGE_DECODER(std::span<const std::uint8_t>(data, size));
    if (!d.bitmap) return 0;
    if (d.bitmap->width == 0 || d.bitmap->height == 0 || d.bitmap->width > max_side || d.bitmap->height > max_side)
        std::abort();
    // Small images only: re-encoding a large one would spend the run on one input.
    if (d.bitmap->bytes() <= 4096 && !encode(d.bitmap->pixels.get(), d.bitmap->width, d.bitmap->height, IMAGE_FORMAT))
        std::abort();
    return 0;
}
