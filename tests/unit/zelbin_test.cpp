// Zelbin bodies compressed with the runtime's block codec: they decode as the plain body
// does, and a corrupt block is refused as invalid data.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "runtime/codec/lz.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/io/zelbin.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
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

// The boot form round trip of what only the boot image carries, read back in boot mode: a
// global set by a set-word pair, a routine, an op over a routine, the global context's
// object, an object whose functions use its words and `self`, a word bound to an object
// written before the object, a library function and a value the runtime keeps.
TEST(Zelbin, BootFormCarriesTheLibrarysValues) {
    test::start_runtime();
    test::run("zb-obj: make object! [n: 1 f: func [x] [x + n] g: does [self/n]] zb-kept: [kept]");
    test::run("zb-roots: reduce [to set-word! 'zb-set 5 reduce [:integer? :<< system/words in zb-obj 'n zb-obj :replace zb-kept]]");
    Cell roots;
    context::global_value(symbol::intern("zb-roots"), roots);
    Cell kept;
    context::global_value(symbol::intern("zb-kept"), kept);
    const Cell encoded = zelbin::encode_boot(roots, std::span<const Cell>(&kept, 1));
    const std::vector<u8> data = bytes_of(encoded);
    EXPECT_EQ(decoded(data), "error zb-invalid-record");

    Cell* values = stack::push_slot();
    block::make_at(values, 1);
    const Cell other = test::load("other");
    zelbin::decode(data.data(), data.size(), *values, none_cell, zelbin::Mode::boot, std::span<const Cell>(&other, 1));
    ASSERT_EQ(block::length(*values), 1);
    Cell out = context::make_global_word(symbol::intern("zb-out"));
    context::set_word(out, *block::cell_at(*values, 0));
    stack::drop(1);

    EXPECT_EQ(test::run("zb-set"), "5");
    EXPECT_EQ(test::run("reduce [type? first zb-out zb-out/1 5 zb-out/1 \"5\"]"), "[routine! true false]");
    EXPECT_EQ(test::run("set '<<< second zb-out 1 <<< 3"), "8");
    EXPECT_EQ(test::run("same? third zb-out system/words"), "true");
    // The decoded object is a new one, and its functions and the word read it.
    EXPECT_EQ(test::run("zb-obj/n: 100 o: zb-out/5 o/n: 10 reduce [o/f 2 o/g get zb-out/4]"), "[12 10 10]");
    EXPECT_EQ(test::run("set zb-out/4 20 zb-out/5/n"), "20");
    const Cell fn = *block::cell_at(*context::global_value_cell(symbol::intern("zb-out")), 5);
    ASSERT_TRUE(fn.is(Type::function));
    EXPECT_NE(fn.header & function::flag::library, 0u);
    const Cell body = *function::record_cell(fn, function::record::body);
    EXPECT_NE(node::buffer(as_series(body).node)->flags & bufferflag::library_code, 0u);
    EXPECT_EQ(test::run("zb-out/7"), "[other]");
}

}  // namespace
}  // namespace zel
