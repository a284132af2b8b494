#include <gtest/gtest.h>
#include <cstring>

#include "runtime/core/raise.h"

using namespace zel;

TEST(ErrorCatalogue, PositionsAndCategories) {
    struct Row { ErrorId id; ErrorCategory cat; u32 position; const char* name; };
    const Row rows[] = {
        {ErrorId::throw_break, ErrorCategory::throw_, 2, "break"},
        {ErrorId::script_no_value, ErrorCategory::script, 2, "no-value"},
        {ErrorId::script_invalid_arg, ErrorCategory::script, 11, "invalid-arg"},
        {ErrorId::math_zero_divide, ErrorCategory::math, 2, "zero-divide"},
        {ErrorId::user_message, ErrorCategory::user, 2, "message"},
        {ErrorId::internal_too_deep, ErrorCategory::internal, 8, "too-deep"},
    };
    for (const Row& r : rows) {
        const ErrorInfo& info = error_info(r.id);
        EXPECT_EQ(info.category, r.cat) << r.name;
        EXPECT_EQ(info.position, r.position) << r.name;
        EXPECT_STREQ(info.name, r.name);
    }
    EXPECT_EQ(error_category_info(ErrorCategory::internal).code, 900u);
    EXPECT_STREQ(error_category_info(ErrorCategory::reserved2).title, "Reserved2 Error");
}

TEST(ErrorCatalogue, RaiseCarriesIdAndArguments) {
    Cell arg{header_of(Type::integer), 0, 42, 0};
    try {
        raise(ErrorId::script_invalid_arg, &arg);
        FAIL();
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.code, ThrowCode::error);
        EXPECT_EQ(e.id, ErrorId::script_invalid_arg);
        ASSERT_EQ(e.arg_count, 1u);
        EXPECT_EQ(e.args[0].w2, 42u);
    }
}
