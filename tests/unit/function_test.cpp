#include <gtest/gtest.h>

#include "runtime/datatypes/datatype.h"
#include "tests/unit/objects-fixture.h"

using namespace zel;

class FunctionTest : public ObjectsFixture {
protected:
    static Cell dt(Type t) { return datatype::of(t); }
    static std::string words_of(const Cell& block) {
        std::string text;
        for (u32 k = block.w1; k < length(block); ++k) {
            if (!text.empty()) text += ' ';
            text += mold(*block::cell_at(block, k));
        }
        return text;
    }
};

TEST_F(FunctionTest, MoldAndForm) {
    const Cell add = func_of({w("a"), w("b")}, {w("a"), w("+"), w("b")});
    EXPECT_EQ(mold(add), "func [a b][a + b]");
    EXPECT_EQ(form(add), "?function?");
    const Cell spec = block_of({w("a"), w("b")});
    EXPECT_EQ(mold(function::make_value(spec, nullptr, 0, 7, 0, 0)), "func [a b] none");
    Cell r = add;
    r.header = header_of(Type::routine);
    EXPECT_EQ(mold(r), "routine [a b][a + b]");
    EXPECT_EQ(form(r), "?routine?");
}

TEST_F(FunctionTest, SpecChecks) {
    struct Case {
        const char* what;
        Cell spec;
        std::optional<ErrorId> expected;
    };
    const Case cases[] = {
        {"arguments", block_of({w("a"), w("b")}), std::nullopt},
        {"type block then doc string", block_of({w("a"), block_of({dt(Type::integer)}), string_of("doc")}),
         std::nullopt},
        {"return then locals", block_of({sw("return"), block_of({dt(Type::integer)}), ref("local"), w("x")}),
         std::nullopt},
        {"refinement with argument", block_of({string_of("doc"), w("a"), ref("only"), w("b")}), std::nullopt},
        {"bad attribute", block_of({block_of({i(1)}), w("a")}), ErrorId::script_bad_func_def},
        {"doc string before type block",
         block_of({w("a"), string_of("doc"), block_of({dt(Type::integer)})}), ErrorId::script_bad_func_def},
        {"refinement after return",
         block_of({sw("return"), block_of({dt(Type::integer)}), ref("only")}), ErrorId::script_bad_func_def},
        {"argument after return", block_of({sw("return"), block_of({dt(Type::integer)}), w("a")}),
         ErrorId::script_bad_func_def},
        {"other set-word", block_of({sw("a"), block_of({})}), ErrorId::script_bad_func_def},
        {"lit-word among locals", block_of({ref("local"), lw("x")}), ErrorId::script_bad_func_def},
        {"a number", block_of({i(1)}), ErrorId::script_bad_func_def},
        {"bad type", block_of({w("a"), block_of({i(1)})}), ErrorId::script_invalid_type_spec},
        {"duplicate word", block_of({w("a"), w("b"), w("A")}), ErrorId::script_dup_vars},
        {"word and refinement", block_of({w("a"), ref("a")}), ErrorId::script_dup_vars},
    };
    for (const Case& c : cases)
        EXPECT_EQ(test::error_of([&] { function::validate_spec(c.spec); }), c.expected) << c.what;

    EXPECT_EQ(function::validate_spec(block_of({block_of({w("trace"), w("other")}), w("a")})), function::flag::trace);
    EXPECT_EQ(func_of({block_of({w("no-trace")})}, {}).header & 0xFFFF,
              header_of(Type::function) | function::flag::no_trace);
}

TEST_F(FunctionTest, MakeFunctionFromSpecAndBody) {
    Cell type = dt(Type::function);
    const Cell spec = block_of({block_of({w("x")}), block_of({w("x")})});
    const Cell fn = *registry().actions(Type::function).on_make(&type, &spec, Type::function);
    const Cell body = *function::record_cell(fn, function::record::body);
    EXPECT_EQ(block::cell_at(body, 0)->w1, fn.w1) << "the body copy is bound to the function's context";
    EXPECT_EQ(context::owner_slot(fn.w1).w3, fn.w3);
    for (const Cell& bad : {block_of({block_of({})}), block_of({i(1), block_of({})}), i(1)}) {
        Cell t = dt(Type::function);
        EXPECT_EQ(test::error_of([&] { registry().actions(Type::function).on_make(&t, &bad, Type::function); }),
                  ErrorId::script_bad_func_def);
    }
    for (u32 k = 0; k < function::record::size; ++k)
        EXPECT_NE(static_cast<u8>(function::record_cell(fn, k)->type()), 0) << "record cell " << k << " is written";
}

TEST_F(FunctionTest, LocalsCountedAndCollected) {
    EXPECT_EQ(function::count_locals(block_of({w("a")}).w2, 0, false), 0);
    EXPECT_EQ(function::count_locals(block_of({w("a")}).w2, 0, true), -1);
    EXPECT_EQ(function::count_locals(block_of({w("a"), ref("local"), w("b"), w("c")}).w2, 0, true), 3);

    Cell spec = block_of({w("a"), ref("extern"), w("x")});
    const Cell body = block_of({sw("x"), i(1), block_of({sw("y"), i(2)}), block_of({sw("a"), i(3)}, Type::paren),
                                w("foreach"), block_of({w("p"), w("q")}), w("blk"), w("repeat"), w("i"), i(3),
                                sw("local"), i(1)});
    const Cell collected = function::collect_locals(spec, body);
    EXPECT_EQ(words_of(collected), "y p q i local");
    EXPECT_EQ(words_of(spec), "a /local y p q i");
    Cell untouched = block_of({w("a")});
    function::collect_locals(untouched, block_of({w("a"), i(1)}));
    EXPECT_EQ(words_of(untouched), "a");
    Cell bad = block_of({ref("extern"), i(1)});
    EXPECT_EQ(test::error_of([&] { function::collect_locals(bad, block_of({})); }), ErrorId::script_bad_func_extern);
}

TEST_F(FunctionTest, CompareAndReflect) {
    const Cell f = func_of({w("a")}, {w("a")});
    const Cell g = func_of({w("a")}, {w("a")});
    EXPECT_TRUE(compare_values(f, f, compare_code::equal));
    EXPECT_FALSE(compare_values(f, g, compare_code::equal));
    EXPECT_EQ(registry().actions(Type::function).on_compare(&f, &g, compare_code::lesser), not_comparable);

    const Cell spec_word = w("spec"), words_word = w("words"), other = w("other");
    Cell v = f;
    registry().actions(Type::function).on_reflect(&v, &spec_word);
    EXPECT_EQ(v.w2, f.w2);
    v = f;
    registry().actions(Type::function).on_reflect(&v, &words_word);
    EXPECT_EQ(mold(v), "[a]");
    EXPECT_EQ(block::cell_at(v, 0)->w1, f.w1);
    EXPECT_EQ(test::error_of([&] {
                  Cell x = f;
                  registry().actions(Type::function).on_reflect(&x, &other);
              }),
              ErrorId::internal_not_done);
}
