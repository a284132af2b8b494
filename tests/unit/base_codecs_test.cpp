#include <gtest/gtest.h>

#include <string>

#include "runtime/text/base-codecs.h"

using namespace zel;

namespace {

// enbase refuses a text longer than a series holds by this size before it encodes, so it
// must never be below the length the encoder writes.
TEST(BaseCodecs, EncodedSizeBoundsTheEncoding) {
    std::string bytes;
    for (u32 n = 0; n < 70; ++n) {
        for (const u32 base : {2u, 16u, 58u, 64u}) {
            const std::size_t written = base_codec::encode(base, reinterpret_cast<const u8*>(bytes.data()), n).size();
            if (base == 58) {
                EXPECT_LE(written, base_codec::encoded_size(base, n)) << n;
            } else {
                EXPECT_EQ(written, base_codec::encoded_size(base, n)) << "base " << base << ", " << n << " bytes";
            }
        }
        bytes.push_back(static_cast<char>(n * 37 + 255));
    }
}

TEST(BaseCodecs, EncodedSizeIsComputedWithoutOverflow) {
    EXPECT_EQ(base_codec::encoded_size(2, 0x20000000), 0x100000000u);
    EXPECT_EQ(base_codec::encoded_size(64, 0xFFFFFFFF), 0x155555554u);
}

}  // namespace
