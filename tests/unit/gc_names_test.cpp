// The symbol table, the global context and their hash tables survive collections: they
// are reached from the root block, and tables mark their own series.
#include <gtest/gtest.h>

#include <string>

#include "runtime/context.h"
#include "runtime/datatypes/symbol.h"
#include "runtime/memory/gc.h"
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
