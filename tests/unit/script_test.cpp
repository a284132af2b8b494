// The script header search: "Zel", optionally "/System", white space, then "[".
#include <gtest/gtest.h>

#include "runtime/io/script.h"

using zel::script::find_header;
using zel::script::no_header;

TEST(ScriptHeader, FoundWhereItStarts) {
    const struct {
        const char* text;
        std::size_t at;
    } cases[] = {
        {"Zel []", 0},
        {"Zel[]", 0},
        {"Zel \t\r\n [", 0},
        {"Zel/System [", 0},
        {"text before\nZel [Title: 1]", 12},
        {"Zelda Zel [", 6},
        {"zel []", no_header},
        {"ZEL []", no_header},
        {"Zel", no_header},
        {"Zel x [", no_header},
        {"Zel /System [", no_header},
        {"Zel/Sys [", no_header},
        {"", no_header},
    };
    for (const auto& c : cases) EXPECT_EQ(find_header(c.text), c.at) << c.text;
}
