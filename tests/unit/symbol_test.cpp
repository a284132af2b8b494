#include <gtest/gtest.h>

#include <string>

#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"
#include "runtime/names/symbol.h"
#include "tests/unit/names-fixture.h"

using namespace zel;

namespace {

using Symbols = NamesFixture;

TEST_F(Symbols, EachSpellingIsASymbolAliasedToItsCanonicalOne) {
    const u32 before = symbol::count();
    const u32 foo = symbol::intern("foo");
    const u32 Foo = symbol::intern("Foo");
    EXPECT_EQ(symbol::intern("Foo"), Foo);
    EXPECT_EQ(Foo, foo + 1);
    EXPECT_EQ(symbol::count(), before + 2);
    EXPECT_EQ(symbol::alias_of(foo), symbol::canonical);
    EXPECT_EQ(symbol::alias_of(Foo), static_cast<i32>(foo));
    // A third spelling met after the variant still aliases the canonical symbol.
    const u32 FOO = symbol::intern("FOO");
    EXPECT_EQ(symbol::alias_of(FOO), static_cast<i32>(foo));
    for (u32 id : {foo, Foo, FOO}) EXPECT_EQ(symbol::canonical_id(id), foo);
    EXPECT_EQ(symbol::name(Foo), "Foo");
}

TEST_F(Symbols, NamesMatchOnlyAtEqualLengthAndAsciiCase) {
    const u32 ab = symbol::intern("ab");
    struct Case {
        const char* name;
        bool variant_of_ab;
    } cases[] = {{"AB", true}, {"abc", false}, {"a", false}, {"a\xC3\xA9", false}};
    for (const Case& c : cases) {
        const u32 id = symbol::intern(c.name);
        EXPECT_EQ(symbol::canonical_id(id) == ab, c.variant_of_ab) << c.name;
    }
    // Letters outside ASCII keep their case apart.
    const u32 lower = symbol::intern("\xC3\xA9t\xC3\xA9");
    const u32 upper = symbol::intern("\xC3\x89T\xC3\x89");
    EXPECT_NE(symbol::canonical_id(lower), symbol::canonical_id(upper));
}

TEST_F(Symbols, NameBytesEndWithANul) {
    const u32 id = symbol::intern("pad");
    EXPECT_EQ(symbol::name(id).data()[3], '\0');
}

TEST_F(Symbols, TheTableGrowsAndKeepsEveryId) {
    std::vector<u32> ids;
    for (int i = 0; i < 20000; ++i) ids.push_back(symbol::intern("name-" + std::to_string(i)));
    EXPECT_GT(hashtable::record(symbol::table)->buckets, 16384u);
    for (int i = 0; i < 20000; i += 7) {
        EXPECT_EQ(symbol::intern("name-" + std::to_string(i)), ids[static_cast<std::size_t>(i)]);
        EXPECT_EQ(symbol::canonical_id(symbol::intern("NAME-" + std::to_string(i))), ids[static_cast<std::size_t>(i)]);
    }
}

TEST_F(Symbols, SymbolValuesCompareByNameAndDoNothingElse) {
    auto symbol_of = [](const char* name) { return node::buffer(symbol::block)->cells()[symbol::intern(name) - 1]; };
    const Cell apple = symbol_of("apple");
    const Cell Apple = symbol_of("Apple");
    const Cell pear = symbol_of("pear");
    EXPECT_TRUE(compare_values(apple, Apple, compare_code::equal));
    EXPECT_FALSE(compare_values(apple, Apple, compare_code::strict_equal));
    EXPECT_TRUE(compare_values(apple, pear, compare_code::lesser));
    EXPECT_TRUE(compare_values(Apple, pear, compare_code::lesser));
    const ActionRow& row = registry().actions(Type::symbol);
    EXPECT_EQ(row.on_form, nullptr);
    EXPECT_EQ(row.on_mold, nullptr);
    EXPECT_EQ(row.on_make, nullptr);
    EXPECT_EQ(row.on_to, nullptr);
}

}  // namespace
