// Zelbin bodies compressed with the runtime's block codec: they decode as the plain body
// does, and a corrupt block is refused as invalid data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/codec/lz.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/node.h"
#include "tests/support/evaluator.h"

namespace zel {
namespace {

std::vector<u8> bytes_of(const Cell& binary) {
    Buffer* b = node::buffer(as_series(binary).node);
    return std::vector<u8>(b->head_ptr(), b->tail_ptr());
}

// The data with its body replaced by the compressed block of it.
std::vector<u8> compressed(const std::vector<u8>& data) {
    const auto block = lz::compress(std::span<const u8>(data).subspan(zelbin::lead_in_size));
    EXPECT_TRUE(block.has_value());
    std::vector<u8> out(data.begin(), data.begin() + zelbin::lead_in_size);
    out[7] |= zelbin::flag::compressed;
    out.insert(out.end(), block->begin(), block->end());
    return out;
}

std::string decoded(const std::vector<u8>& data) {
    Cell* values = stack::push_slot();
    block::make_at(values, 1);
    std::string result;
    try {
        zelbin::decode(data.data(), data.size(), *values, none_cell, zelbin::Mode::codec);
        result = test::molded(*values);
    } catch (const ErrorThrow& e) {
        result = std::string("error ") + error_info(e.id).name;
    }
    stack::drop(1);
    return result;
}

TEST(Zelbin, CompressedBodiesDecodeAsPlainOnes) {
    test::start_runtime();
    const Cell value = test::load("[\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\" x y x y x y x y 1.5 "
                                  "[x y x y x y x y x y x y x y x y x y x y x y x y x y x y x y x y x y x y]]");
    for (bool compact : {true, false}) {
        const std::vector<u8> plain = bytes_of(zelbin::encode(value, compact));
        const std::vector<u8> packed = compressed(plain);
        EXPECT_LT(packed.size(), plain.size());
        EXPECT_EQ(decoded(packed), decoded(plain));
        std::vector<u8> corrupt = packed;
        corrupt[zelbin::lead_in_size] ^= 0x55;
        EXPECT_EQ(decoded(corrupt), "error invalid-data");
    }
}

// The records only the boot image carries: a set-word record sets the global word and leaves
// nothing behind, a word names its context by the root it was decoded into, and objects keep
// their class ids. The codec refuses the first.
TEST(Zelbin, BootImageRecords) {
    test::start_runtime();
    const std::vector<u8> data = {'Z', 'E', 'L', 'B', 'I', 'N', 2, 5, 1, 15, 1, 6, 0, 0, 0, 0,
                                  'z', 'b', 's', 'e', 't', 0,
                                  0xC4, 0x0F, 0x00, 0x81,                          // zbset: 1
                                  0x20, 0x0A, 0x0E, 0x10, 0x01, 0x00, 0x82,        // object [zbset: 2], class 5
                                  0x4F, 0x00, 0x00, 0x00};                         // zbset, bound by root 0
    Cell* values = stack::push_slot();
    block::make_at(values, 1);
    zelbin::decode(data.data(), data.size(), *values, none_cell, zelbin::Mode::boot);
    EXPECT_EQ(block::length(*values), 2);
    const Cell obj = *block::cell_at(*values, 0);
    const Cell word = *block::cell_at(*values, 1);
    EXPECT_EQ(as_object(obj).class_id, 5u);
    EXPECT_EQ(as_word(word).context, as_object(obj).context);
    EXPECT_EQ(test::run("zbset"), "1");
    EXPECT_EQ(decoded(data), "error zb-invalid-record");
    stack::drop(1);
}

}  // namespace
}  // namespace zel
