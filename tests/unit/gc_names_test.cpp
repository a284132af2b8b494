// The symbol table, the global context and their hash tables survive collections: they
// are reached from the root block, and tables mark their own series.
#include <gtest/gtest.h>

#include <string>

#include "runtime/memory/gc.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "tests/unit/names-fixture.h"

using namespace zel;

namespace {

class GcNames : public NamesFixture {};

std::string name_of(int i) { return "sym-" + std::to_string(i); }

std::string text_of(const Cell& str) {
    std::string out;
    Buffer* b = node::buffer(str.w2);
    for (u32 i = b->head + str.w1; i < b->tail; ++i) out += static_cast<char>(b->data()[i]);
    return out;
}

}  // namespace

TEST_F(GcNames, SymbolsAndGlobalValuesSurviveCollectionsWithChurn) {
    constexpr int count = 3000;
    u32 ids[count];
    for (int i = 0; i < count; ++i) {
        ids[i] = symbol::intern(name_of(i));
        Cell word = word_of(name_of(i));
        context::put_value(context::global, word, string_of("value " + std::to_string(i)));
    }
    for (int round = 0; round < 5; ++round) {
        for (int j = 0; j < 2000; ++j) memory::alloc_bytes(64);  // garbage between collections
        gc::recycle();
    }
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(symbol::intern(name_of(i)), ids[i]) << name_of(i);
        ASSERT_EQ(symbol::name(ids[i]), name_of(i));
        const Cell* value = context::global_value_cell(ids[i]);
        ASSERT_NE(value, nullptr);
        ASSERT_EQ(value->type(), Type::string);
        EXPECT_EQ(text_of(*value), "value " + std::to_string(i));
    }
}

// A table held only by a C++ local (a context being built) keeps its own series: the
// record is found on the native stack and marks what it names.
TEST_F(GcNames, TableHeldOnlyOnTheNativeStackKeepsItsSeries) {
    const Node ctx = context::make(4, false, false, 0, 0);
    for (int i = 0; i < 50; ++i) {
        context::put_value(ctx, word_of(name_of(i)), integer_of(i));
        for (int j = 0; j < 200; ++j) memory::alloc_bytes(32);
        gc::recycle();
    }
    for (int i = 0; i < 50; ++i) {
        const Cell* v = context::value_of_symbol(symbol::intern(name_of(i)), ctx);
        ASSERT_NE(v, nullptr) << name_of(i);
        EXPECT_EQ(static_cast<i32>(v->w2), i);
    }
}
