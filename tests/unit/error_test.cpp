#include <gtest/gtest.h>

#include "runtime/datatypes/error.h"
#include "runtime/datatypes/standard.h"
#include "tests/unit/objects-fixture.h"

using namespace zel;

class ErrorTest : public ObjectsFixture {
protected:
    static Cell make_error(const Cell& spec) {
        Cell type{header_of(Type::datatype), static_cast<u32>(Type::error), 0, 0};
        return *registry().actions(Type::error).on_make(&type, &spec, Type::error);
    }
    static std::string name_of(const Cell& word) { return std::string(symbol::name(word.w2)); }
    static Cell f(const Cell& err, standard::Field which) { return *error::field(err, which); }
};

using standard::Field;

TEST_F(ErrorTest, MadeFromCodesAndNames) {
    struct Case {
        const char* what;
        Cell spec;
        const char* type;
        const char* id;
        u32 code;
    };
    const Case cases[] = {
        {"code 300", i(300), "script", "no-value", 300},
        {"code 400", i(400), "math", "zero-divide", 400},
        {"names", block_of({w("script"), w("invalid-arg")}), "script", "invalid-arg", 309},
        {"names in any case", block_of({w("Math"), w("Overflow")}), "Math", "Overflow", 401},
        {"set-words", block_of({sw("type"), lw("access"), sw("id"), lw("no-scheme"), sw("arg1"), i(5)}), "access",
         "no-scheme", 505},
    };
    for (const Case& c : cases) {
        const Cell err = make_error(c.spec);
        EXPECT_EQ(err.type(), Type::error) << c.what;
        EXPECT_EQ(err.w2, standard::class_id::error_value) << c.what;
        EXPECT_EQ(name_of(f(err, Field::error_type)), c.type) << c.what;
        EXPECT_EQ(name_of(f(err, Field::error_id)), c.id) << c.what;
        EXPECT_EQ(f(err, Field::error_code).w2, c.code) << c.what;
    }
    const Cell user = make_error(string_of("boom"));
    EXPECT_EQ(name_of(f(user, Field::error_type)), "user");
    EXPECT_EQ(name_of(f(user, Field::error_id)), "message");
    EXPECT_EQ(f(user, Field::error_arg1).type(), Type::string);
}

TEST_F(ErrorTest, BadSpecsRaise) {
    struct Case {
        const char* what;
        Cell spec;
        ErrorId expected;
    };
    const Case cases[] = {
        {"negative code", i(-1), ErrorId::script_out_of_range},
        {"no such category", i(1000), ErrorId::script_out_of_range},
        {"id past the category", i(403), ErrorId::script_out_of_range},
        {"unknown category", block_of({w("bogus"), w("x")}), ErrorId::script_invalid_spec_field},
        {"unknown id", block_of({w("math"), w("x")}), ErrorId::script_invalid_spec_field},
        {"missing id", block_of({w("math")}), ErrorId::script_invalid_spec_field},
        {"id not a word", block_of({w("math"), i(1)}), ErrorId::script_invalid_arg},
        {"other block", block_of({i(1)}), ErrorId::internal_invalid_error},
        {"other value", none_cell, ErrorId::script_bad_make_arg},
    };
    for (const Case& c : cases) EXPECT_EQ(test::error_of([&] { make_error(c.spec); }), c.expected) << c.what;
}

TEST_F(ErrorTest, RaiseCarriesTheErrorValue) {
    const Cell arg = i(42);
    try {
        raise(ErrorId::script_invalid_arg, &arg);
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::script_invalid_arg);
        ASSERT_EQ(e.value.type(), Type::error);
        EXPECT_EQ(name_of(f(e.value, Field::error_id)), "invalid-arg");
        EXPECT_EQ(f(e.value, Field::error_code).w2, 309u);
        EXPECT_EQ(f(e.value, Field::error_arg1).w2, 42u);
        return;
    }
    FAIL() << "raise returned";
}

TEST_F(ErrorTest, Reports) {
    const Cell where = w("print");
    const Cell name = w("foo");
    const Cell type = Cell{header_of(Type::datatype), static_cast<u32>(Type::integer), 0, 0};
    const Cell value = w("value");
    Cell script = error::create(ErrorId::script_expect_arg, &name, &type, &value);
    error::set_where_default(script, where);
    *error::field(script, Field::error_near) = block_of({i(1), w("+"), string_of("a")});
    EXPECT_EQ(form(script),
              "*** Script Error: foo does not allow integer! for its value argument\n"
              "*** Where: print\n"
              "*** Near : 1 + \"a\"");

    const Cell math = error::create(ErrorId::math_zero_divide, nullptr, nullptr, nullptr);
    EXPECT_EQ(form(math), "*** Math Error: attempt to divide by zero\n*** Where: ???\n*** Near : none");

    const Cell text = string_of("custom failure");
    EXPECT_EQ(form(make_error(text)).substr(0, 34), "*** User Error: custom failure\n***");

    Cell unknown = error::create(ErrorId::math_overflow, nullptr, nullptr, nullptr);
    *error::field(unknown, Field::error_type) = w("bogus");
    EXPECT_EQ(form(unknown).substr(0, 66), "*** Internal Error: invalid error object field value: bogus\n*** Wh");

    Cell files = error::create(ErrorId::math_overflow, nullptr, nullptr, nullptr);
    *error::field(files, Field::error_near) = string_of(std::string(50, 'x'));
    *error::field(files, Field::error_where) = i(3);
    *error::field(files, Field::error_stack) = block_of({w("f"), w("g")});
    EXPECT_EQ(form(files), "*** Math Error: math or number overflow\n*** Where: ???\n*** Near : {" +
                               std::string(39, 'x') + "\n*** Stack: f g");
}

TEST_F(ErrorTest, MoldListsTheFields) {
    const Cell err = error::create(ErrorId::math_zero_divide, nullptr, nullptr, nullptr);
    const std::string text = mold(err, MoldFlags{false, false, true});
    EXPECT_EQ(text.substr(0, 48), "make error! [code: 400 type: 'math id: 'zero-div");
    EXPECT_EQ(text.back(), ']');
}
