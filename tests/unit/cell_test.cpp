#include <gtest/gtest.h>

#include <cstring>

#include "runtime/core/cell.h"

using namespace zel;

TEST(Cell, HeaderPrimitives) {
    Cell c{header_of(Type::integer) | cellflag::new_line | cellflag::owns_series, 1, 2, 3};
    cell::set_type(&c, Type::block);
    EXPECT_EQ(c.header, header_of(Type::block) | cellflag::new_line | cellflag::owns_series);
    cell::clear_new_line(&c);
    EXPECT_EQ(c.header, header_of(Type::block) | cellflag::owns_series);
    Cell d{};
    EXPECT_EQ(cell::copy(&c, &d), &d);
    EXPECT_EQ(std::memcmp(&c, &d, sizeof c), 0);
    EXPECT_EQ(cell::copy(&d, &d), &d);
    EXPECT_EQ(d.w3, 3u);
}

TEST(Cell, Constants) {
    EXPECT_TRUE(unset_cell.is(Type::unset));
    EXPECT_TRUE(none_cell.is(Type::none));
    EXPECT_EQ(true_cell.header, header_of(Type::logic));
    EXPECT_EQ(true_cell.w1, 1u);
    EXPECT_EQ(false_cell.w1, 0u);
}
