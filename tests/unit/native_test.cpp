#include <gtest/gtest.h>

#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/native.h"
#include "runtime/names/context.h"
#include "runtime/natives/natives.h"
#include "tests/unit/objects-fixture.h"

using namespace zel;

namespace {
void some_native(const i32*) {}
}  // namespace

class NativeTest : public ObjectsFixture {
protected:
    void SetUp() override {
        ObjectsFixture::SetUp();
        native::table[4] = some_native;
    }
    void TearDown() override {
        native::table[4] = nullptr;
        ObjectsFixture::TearDown();
    }
    static Cell make(Type t, const Cell& arg) {
        Cell type = datatype::of(t);
        return *registry().actions(t).on_make(&type, &arg, t);
    }
    static std::optional<ErrorId> make_fails(Type t, const Cell& arg) {
        return test::error_of([&] { make(t, arg); });
    }
};

TEST_F(NativeTest, MadeFromTableIndexes) {
    const Cell spec = block_of({w("value")});
    const Cell n = make(Type::native, block_of({spec, i(5)}));
    EXPECT_EQ(mold(n), "make native! [[value]]");
    EXPECT_EQ(form(n), "?native?");
    const Cell body = w("body");
    Cell reflected = n;
    registry().actions(Type::native).on_reflect(&reflected, &body);
    EXPECT_EQ(reflected.w2, 5u);
    EXPECT_TRUE(compare_values(n, make(Type::native, block_of({spec, i(5)})), compare_code::equal));

    struct Case {
        const char* what;
        Type type;
        Cell arg;
    };
    const Case bad[] = {
        {"index 0", Type::native, block_of({spec, i(0)})},
        {"past the table", Type::native, block_of({spec, i(121)})},
        {"an empty entry", Type::native, block_of({spec, i(6)})},
        {"action past the slots", Type::action, block_of({spec, i(63)})},
        {"the empty action slot", Type::action, block_of({spec, i(8)})},
        {"three cells", Type::action, block_of({spec, i(1), i(1)})},
        {"not a block", Type::action, i(1)},
        {"spec not a block", Type::action, block_of({i(1), i(1)})},
    };
    for (const Case& c : bad) EXPECT_EQ(make_fails(c.type, c.arg), ErrorId::script_bad_make_arg) << c.what;
    const Cell positioned = at(block_of({i(0), spec, i(1)}), 1);
    EXPECT_EQ(mold(make(Type::action, positioned)), "make action! [[value]]") << "read from the position";
}

TEST_F(NativeTest, OperatorsNeedTwoArguments) {
    struct Case {
        const char* what;
        std::initializer_list<Cell> spec;
        bool valid;
    };
    const Case cases[] = {
        {"two words and locals", {w("a"), w("b"), ref("local"), w("c")}, true},
        {"two words then return", {w("a"), w("b"), sw("return"), block_of({})}, true},
        {"a lit-word second", {w("a"), lw("b")}, true},
        {"a refinement", {w("a"), w("b"), ref("ref")}, false},
        {"one word", {w("a")}, false},
        {"three words", {w("a"), w("b"), w("c")}, false},
        {"a lit-word first", {lw("a"), w("b")}, false},
    };
    for (const Case& c : cases) {
        const Cell fn = func_of(c.spec, {w("a")});
        const std::optional<ErrorId> error = make_fails(Type::op, fn);
        EXPECT_EQ(error, c.valid ? std::nullopt : std::optional{ErrorId::script_bad_op_spec}) << c.what;
    }
    EXPECT_EQ(make_fails(Type::op, i(1)), ErrorId::script_invalid_type);

    const Cell add = func_of({w("a"), w("b")}, {w("a"), w("+"), w("b")});
    const Cell op = make(Type::op, add);
    EXPECT_EQ(op.type(), Type::op);
    EXPECT_EQ((op.header & cellflag::op_wrapped_type) >> 16, static_cast<u32>(Type::function));
    EXPECT_EQ(function::record_cell(add, function::record::op_function)->w3, add.w3);
    EXPECT_EQ(mold(op), "make op! func [a b][a + b]");
    EXPECT_EQ(form(op), "?op?");
    EXPECT_EQ(registry().actions(Type::op).on_compare(&op, &add, compare_code::equal), not_comparable);

    const Cell native_op = make(Type::op, make(Type::action, block_of({block_of({w("a"), w("b")}), i(11)})));
    EXPECT_EQ(mold(native_op), "make op! [[a b]]");
}

TEST_F(NativeTest, LibraryDefinitionsMatchTheirTableRows) {
    Cell word = w("fifth");
    context::put_value(context::global, word, make(Type::native, block_of({block_of({w("value")}), i(5)})));
    struct Case {
        const char* what;
        Type type;
        const char* name;
        u32 index;
        bool defines;
    };
    const Case cases[] = {
        {"its row", Type::native, "fifth", 5, true},
        {"another index", Type::native, "fifth", 6, false},
        {"an action of that index", Type::action, "fifth", 5, false},
        {"a name never defined", Type::native, "sixth", 5, false},
    };
    for (const Case& c : cases) EXPECT_EQ(natives::defines(c.type, c.name, c.index), c.defines) << c.what;
}
