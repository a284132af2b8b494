#include <gtest/gtest.h>

#include "action_call.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"

using namespace zel;
using namespace zel::test;

namespace {

TEST(Datatype, FormIsTheNameWithoutItsBangAndMoldTheWholeName) {
    ensure_datatypes();
    struct Case { Type type; const char* form; const char* mold; const char* mold_all; } const cases[] = {
        {Type::integer, "integer", "integer!", "#(integer!)"},
        {Type::point2d, "point2D", "point2D!", "#(point2D!)"},
        {Type::datatype, "datatype", "datatype!", "#(datatype!)"},
    };
    for (const Case& c : cases) {
        const Cell value = datatype::of(c.type);
        EXPECT_EQ(formed(value), c.form);
        EXPECT_EQ(molded(value), c.mold);
        EXPECT_EQ(molded(value, MoldFlags{false, true, false}), c.mold_all);
    }
}

TEST(Datatype, CompareIsEqualityOfTheNamedType) {
    ensure_datatypes();
    const Cell integer_type = datatype::of(Type::integer);
    const Cell block_type = datatype::of(Type::block);
    const Cell eleven = integer::cell(11);
    EXPECT_TRUE(compare_values(integer_type, integer_type, compare_code::equal));
    EXPECT_TRUE(compare_values(integer_type, integer_type, compare_code::strict_equal));
    EXPECT_FALSE(compare_values(integer_type, block_type, compare_code::equal));
    EXPECT_TRUE(compare_values(integer_type, block_type, compare_code::not_equal));
    EXPECT_FALSE(compare_values(integer_type, eleven, compare_code::equal));
    EXPECT_EQ(error_of([&] { compare_values(integer_type, block_type, compare_code::lesser); }),
              ErrorId::script_invalid_compare);
}

}  // namespace
