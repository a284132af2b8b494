#include <gtest/gtest.h>

#include "action_call.h"
#include "runtime/datatypes/handle.h"
#include "runtime/datatypes/integer.h"

using namespace zel;
using namespace zel::test;

namespace {

class HandleTripleTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
};

TEST_F(HandleTripleTest, HandleText) {
    struct Case { Cell value; const char* form; const char* mold_all; } const cases[] = {
        {handle::cell(0x1A2B4, handle::Kind::window), "0001A2B4h", "#[handle! 0001A2B4h window]"},
        {handle::cell(0, handle::Kind::null), "00000000h", "#[handle! 00000000h]"},
        {handle::cell(0, handle::Kind::font), "00000000h", "#[handle! 00000000h font]"},
        {handle::cell(0xFFFFFFFE, handle::Kind::rich_text), "FFFFFFFEh", "#[handle! FFFFFFFEh rich-text]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formed(c.value), c.form);
        EXPECT_EQ(molded(c.value), "handle!");
        EXPECT_EQ(molded(c.value, MoldFlags{.all = true}), c.mold_all);
    }
}

TEST_F(HandleTripleTest, HandleCompareByValueOnly) {
    const ActionRow& row = registry().actions(Type::handle);
    const Cell window = handle::cell(7, handle::Kind::window);
    const Cell font = handle::cell(7, handle::Kind::font);
    const Cell negative = handle::cell(0xFFFFFFFF, handle::Kind::fd);
    const Cell seven = integer::cell(7);
    EXPECT_EQ(row.on_compare(&window, &font, compare_code::equal), 0);
    EXPECT_EQ(row.on_compare(&negative, &window, compare_code::lesser), -1);
    EXPECT_EQ(row.on_compare(&window, &seven, compare_code::equal), 1);
    EXPECT_EQ(row.on_add, nullptr);
    EXPECT_EQ(row.on_make, nullptr);
}

TEST_F(HandleTripleTest, TripleText) {
    const Cell triple{header_of(Type::triple), 1, 20, static_cast<u32>(-3)};
    EXPECT_EQ(formed(triple), "make triple! [1 20 -3]");
    EXPECT_EQ(molded(triple), "make triple! [1 20 -3]");
    EXPECT_EQ(registry().actions(Type::triple).on_make, nullptr);
}

}  // namespace
