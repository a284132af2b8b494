#include <gtest/gtest.h>

#include "runtime/codec/lz.h"
#include "tests/unit/codec-samples.h"

using namespace zel;
using Buffer = std::vector<std::uint8_t>;

namespace {

Buffer round_trip(const Buffer& in) {
    const auto block = lz::compress(in);
    EXPECT_TRUE(block) << in.size();
    if (!block) return {};
    const auto out = lz::decompress(*block);
    EXPECT_TRUE(out) << in.size();
    return out ? *out : Buffer{};
}

std::uint32_t le32(const Buffer& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24;
}

Buffer concat(std::initializer_list<Buffer> parts) {
    Buffer all;
    for (const Buffer& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Hand-made blocks: chunks of items, bits least significant first.
class BlockBuilder {
public:
    BlockBuilder& chunk(std::uint32_t length) {
        end_chunk();
        for (int i = 0; i < 4; ++i) payload_.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
        return *this;
    }
    BlockBuilder& literal(std::uint8_t b) { return bits(1, 0).bits(8, b); }
    // A match of 3 + l bytes (l below 4) from d + 1 bytes back (d below 8).
    BlockBuilder& match(std::uint32_t l, std::uint32_t d) { return bits(1, 1).bits(1, 1).bits(2, l).bits(4, 0).bits(3, d); }
    Buffer block(std::uint32_t declared) {
        end_chunk();
        Buffer b(8);
        for (unsigned i = 0; i < 4; ++i) {
            b[i] = static_cast<std::uint8_t>(payload_.size() >> (8 * i));
            b[4 + i] = static_cast<std::uint8_t>(declared >> (8 * i));
        }
        b.insert(b.end(), payload_.begin(), payload_.end());
        return b;
    }

private:
    BlockBuilder& bits(unsigned n, std::uint32_t v) {
        for (unsigned i = 0; i < n; ++i, ++count_) {
            if (count_ % 8 == 0) payload_.push_back(0);
            payload_.back() |= static_cast<std::uint8_t>(((v >> i) & 1) << (count_ % 8));
        }
        return *this;
    }
    void end_chunk() { count_ = 0; }
    Buffer payload_;
    unsigned count_ = 0;
};

}  // namespace

TEST(Lz, RoundTrips) {
    const Buffer rows[] = {
        Buffer(128, 'a'),                            // the shortest source taken
        Buffer(500000, 0x11),                        // overlapping matches of distance 1
        codec_samples::text(lz::chunk_size),         // one whole chunk
        codec_samples::text(3 * lz::chunk_size + 5),  // several, the last short
        // The longest match: 566 bytes repeated right after themselves.
        concat({codec_samples::text(200), codec_samples::random_bytes(700), codec_samples::random_bytes(700)}),
    };
    for (const Buffer& in : rows) EXPECT_TRUE(round_trip(in) == in) << in.size();
}

TEST(Lz, ChunksAreAMebibyteAtMost) {
    const Buffer in = codec_samples::text(lz::chunk_size + 1);
    const auto block = lz::compress(in);
    ASSERT_TRUE(block);
    EXPECT_EQ(le32(*block, 4), in.size());
    EXPECT_EQ(le32(*block, 8), lz::chunk_size);
    // The last chunk: its length, then one literal's nine bits padded to two bytes.
    EXPECT_EQ(le32(*block, block->size() - 6), 1u);
    EXPECT_TRUE(lz::decompress(*block) == in);
}

TEST(Lz, ReachesBackTheWholeWindow) {
    // A random run that recurs exactly 262,144 bytes later, with compressible text between:
    // the block shrinks by about the run's size only when the match is taken.
    const Buffer run = codec_samples::random_bytes(3000, 11);
    const Buffer filler = codec_samples::text((1 << 18) - run.size());
    const Buffer same = concat({run, filler, run});
    const Buffer different = concat({run, filler, codec_samples::random_bytes(3000, 12)});
    EXPECT_TRUE(round_trip(same) == same);
    EXPECT_LT(lz::compress(same)->size() + 2500, lz::compress(different)->size());
}

TEST(Lz, RefusesWhatDoesNotPay) {
    EXPECT_FALSE(lz::compress(Buffer(127, 'a')));
    EXPECT_FALSE(lz::compress(codec_samples::random_bytes(5000)));
}

TEST(Lz, RefusesCorruptBlocks) {
    const Buffer good = BlockBuilder().chunk(4).literal('a').match(0, 0).block(4);
    ASSERT_TRUE(lz::decompress(good));
    EXPECT_EQ(*lz::decompress(good), (Buffer{'a', 'a', 'a', 'a'}));
    struct Row { const char* what; Buffer block; };
    const Row rows[] = {
        {"a chunk of length 0", BlockBuilder().chunk(0).block(0)},
        {"a chunk over 1 MiB", BlockBuilder().chunk(lz::chunk_size + 1).literal('a').block(lz::chunk_size + 1)},
        {"a match before the chunk", BlockBuilder().chunk(1).literal('a').chunk(3).match(0, 0).block(4)},
        {"a match past the chunk", BlockBuilder().chunk(3).literal('a').match(0, 0).block(3)},
        {"fewer bytes than declared", BlockBuilder().chunk(1).literal('a').block(2)},
        {"more bytes than declared", BlockBuilder().chunk(4).literal('a').match(0, 0).block(3)},
        {"items past the payload", BlockBuilder().chunk(9).literal('a').match(0, 0).block(9)},
        {"a size no payload that short can reach", BlockBuilder().chunk(1).literal('a').block(0xFFFFFFFF)},
        {"no header", Buffer{1, 0, 0}},
    };
    for (const Row& r : rows) EXPECT_FALSE(lz::decompress(r.block)) << r.what;
    // Every cut of a good block is refused.
    const auto block = lz::compress(codec_samples::text(5000));
    ASSERT_TRUE(block);
    for (std::size_t cut = 0; cut < block->size(); ++cut)
        EXPECT_FALSE(lz::decompress(std::span(*block).first(cut))) << cut;
}
