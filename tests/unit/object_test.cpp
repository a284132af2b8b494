#include <gtest/gtest.h>

#include "runtime/names/runtime-words.h"
#include "runtime/text/cycle.h"
#include "tests/unit/objects-fixture.h"

using namespace zel;

class ObjectTest : public ObjectsFixture {
protected:
    static std::optional<ErrorId> set_field(const Cell& obj, std::string_view name, const Cell& value) {
        return test::error_of([&] {
            Cell word = w(name);
            context::set_in(word, value, obj.w1, true);
        });
    }
};

TEST_F(ObjectTest, MoldOfNestedObjectsAndASelfReference) {
    const Cell inner = make_object(block_of({sw("c"), string_of("x")}));
    const Cell outer = make_object(block_of({sw("a"), i(1), sw("n"), inner, sw("me"), none_cell}));
    ASSERT_FALSE(set_field(outer, "me", outer));

    EXPECT_EQ(mold(outer),
              "make object! [\n"
              "    a: 1\n"
              "    n: make object! [\n"
              "        c: \"x\"\n"
              "    ]\n"
              "    me: make object! [...]\n"
              "]");
    EXPECT_EQ(mold(outer, MoldFlags{false, false, true}),
              "make object! [a: 1 n: make object! [c: \"x\"] me: make object! [...]]");
    EXPECT_EQ(form(inner), "c: \"x\"");
    EXPECT_EQ(mold(make_object(block_of({sw("w"), lw("x")}))), "make object! [\n    w: 'x\n]");
    EXPECT_EQ(cycle::depth(), 0u);
}

TEST_F(ObjectTest, ClassIdsFollowTheShape) {
    const Cell spec = block_of({sw("a"), i(1)});
    const Cell first = make_object(spec);
    const Cell second = make_object(spec);
    EXPECT_GT(first.w2, object::first_class_id);
    EXPECT_NE(first.w2, second.w2);
    EXPECT_EQ(make_object(block_of({sw("a"), i(2)}), &first).w2, first.w2);
    const Cell wider = make_object(block_of({sw("b"), i(2)}), &first);
    EXPECT_NE(wider.w2, first.w2);
    EXPECT_EQ(field(wider, "a").w2, 1u);
    EXPECT_EQ(field(wider, "b").w2, 2u);
    EXPECT_EQ(field(first, "b").type(), Type::none);
}

TEST_F(ObjectTest, OnChangeHookGetsTheWordAndTheOldAndNewValues) {
    const Cell hook = func_of({w("word"), w("old"), w("new")}, {});
    const Cell obj = make_object(block_of({sw("a"), i(1), sw("on-change*"), hook}));
    ASSERT_TRUE(obj.w3) << "an object with on-change* carries a handler block";

    ASSERT_FALSE(set_field(obj, "a", i(2)));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "on-change*");
    ASSERT_EQ(calls[0].args.size(), 3u);
    EXPECT_EQ(symbol::name(calls[0].args[0].w2), "a");
    EXPECT_EQ(calls[0].args[0].w1, obj.w1) << "the field word is bound to the object";
    EXPECT_EQ(calls[0].args[1].w2, 1u);
    EXPECT_EQ(calls[0].args[2].w2, 2u);
    EXPECT_EQ(field(obj, "a").w2, 2u);

    // Setting through a path runs the hook too; setting while it is being made does not.
    Cell parent = obj;
    const Cell three = i(3);
    object::eval_path(&parent, &calls[0].args[0], &three, PathStep{});
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(ObjectTest, HooksThatCannotBeCalledRaise) {
    EXPECT_EQ(test::error_of([&] { make_object(block_of({sw("on-change*"), i(1)})); }),
              ErrorId::script_bad_field_set);

    const Cell two_args = func_of({w("word"), w("old")}, {});
    const Cell narrow = make_object(block_of({sw("a"), i(1), sw("on-change*"), two_args}));
    EXPECT_EQ(set_field(narrow, "a", i(2)), ErrorId::script_invalid_obj_evt);
    EXPECT_TRUE(calls.empty()) << "a hook of another arity is never called";

    const Cell hook = func_of({w("word"), w("old"), w("new"), ref("local"), w("x")}, {});
    const Cell obj = make_object(block_of({sw("a"), i(1), sw("on-change*"), hook}));
    *const_cast<Cell*>(object::select_field(obj, w("on-change*"))) = i(5);
    EXPECT_EQ(set_field(obj, "a", i(2)), ErrorId::script_invalid_obj_evt);
}

TEST_F(ObjectTest, SetFieldsFromBlocksObjectsAndSingleValues) {
    const Cell obj = make_object(block_of({sw("a"), i(1), sw("b"), i(2)}));
    object::set_fields(obj, block_of({i(7)}), {});
    EXPECT_EQ(field(obj, "a").w2, 7u);
    EXPECT_EQ(field(obj, "b").type(), Type::none);

    object::set_fields(obj, block_of({w("none"), i(8)}), {});
    object::set_fields(obj, block_of({none_cell, i(9)}), object::SetFlags{false, false, true});
    EXPECT_EQ(field(obj, "b").w2, 9u);
    EXPECT_EQ(field(obj, "a").type(), Type::word) << "with /some a none! value leaves the field";

    EXPECT_EQ(test::error_of([&] { object::set_fields(obj, block_of({i(1), unset_cell}), {}); }),
              ErrorId::script_need_value);
    EXPECT_EQ(field(obj, "a").type(), Type::word) << "checks come before any change";

    object::set_fields(obj, make_object(block_of({sw("b"), i(4), sw("z"), i(0)})), {});
    EXPECT_EQ(field(obj, "b").w2, 4u);
    object::set_fields(obj, i(6), {});
    EXPECT_EQ(field(obj, "a").w2, 6u);
    EXPECT_EQ(field(obj, "b").w2, 6u);
}

TEST_F(ObjectTest, PathsSelectAndPut) {
    const Cell obj = make_object(block_of({sw("a"), i(1)}));
    Cell parent = obj;
    const Cell key = w("A");
    EXPECT_EQ(object::eval_path(&parent, &key, nullptr, PathStep{})->w2, 1u);

    const Cell missing = w("zz");
    auto get = [&](PathStep step) {
        return test::error_of([&] {
            Cell p = obj;
            object::eval_path(&p, &missing, nullptr, step);
        });
    };
    EXPECT_EQ(get(PathStep{}), ErrorId::script_unset_path);
    EXPECT_EQ(get(PathStep{nullptr, nullptr, nullptr, 0, false, false, true}), ErrorId::script_invalid_path);
    EXPECT_EQ(get(PathStep{nullptr, nullptr, nullptr, 0, false, true, true}), std::nullopt);
    const Cell number = i(3);
    EXPECT_EQ(test::error_of([&] {
                  Cell p = obj;
                  object::eval_path(&p, &number, nullptr, PathStep{});
              }),
              ErrorId::script_invalid_path);

    Cell target = obj;
    const Cell five = i(5);
    object::put(&target, &key, &five, false);
    EXPECT_EQ(field(obj, "a").w2, 5u);
    EXPECT_EQ(test::error_of([&] {
                  Cell t = obj;
                  object::put(&t, &missing, &five, false);
              }),
              ErrorId::script_unset_path);
    EXPECT_EQ(test::error_of([&] {
                  Cell t = obj;
                  object::select(&t, &five, FindRefinements{});
              }),
              ErrorId::script_invalid_type);
}

TEST_F(ObjectTest, ReflectBodyWordsAndChangedMarks) {
    const Cell obj = make_object(block_of({sw("a"), lw("x"), sw("b"), i(2)}));
    const Cell body_word = w("body"), events_word = w("events?"), bogus = w("bogus");
    Cell body = obj;
    object::reflect(&body, &body_word);
    ASSERT_EQ(length(body), 4u);
    EXPECT_EQ(block::cell_at(body, 0)->type(), Type::set_word);
    EXPECT_EQ(block::cell_at(body, 1)->type(), Type::lit_word) << "a word value shows as a lit-word";

    Cell changed = obj;
    object::reflect(&changed, words::changed);
    EXPECT_EQ(length(changed), 0u) << "make clears the marks";
    ASSERT_FALSE(set_field(obj, "b", i(3)));
    changed = obj;
    object::reflect(&changed, words::changed);
    ASSERT_EQ(length(changed), 1u);
    EXPECT_EQ(symbol::name(block::cell_at(changed, 0)->w2), "b");

    Cell events = obj;
    object::reflect(&events, &events_word);
    EXPECT_EQ(events.type(), Type::logic);
    EXPECT_EQ(events.w1, 0u);
    EXPECT_EQ(test::error_of([&] {
                  Cell v = obj;
                  object::reflect(&v, &bogus);
              }),
              ErrorId::internal_not_done);
}

TEST_F(ObjectTest, DerivedObjectsGetTheirOwnFunctionsAndSeries) {
    const Cell method = func_of({}, {w("a")});
    const Cell proto = make_object(block_of({sw("a"), i(1), sw("f"), method, sw("s"), block_of({i(1)})}));
    const Cell derived = make_object(block_of({}), &proto);

    const Cell f1 = field(proto, "f");
    const Cell f2 = field(derived, "f");
    EXPECT_NE(f1.w3, f2.w3) << "a fresh function";
    const Cell body1 = *function::record_cell(f1, function::record::body);
    const Cell body2 = *function::record_cell(f2, function::record::body);
    EXPECT_EQ(block::cell_at(body2, 0)->w1, derived.w1) << "its body is bound to the derived object";
    EXPECT_NE(block::cell_at(body1, 0)->w1, derived.w1) << "the prototype's function is left alone";
    EXPECT_EQ(function::record_cell(f2, function::record::code)->type(), Type::unset);
    EXPECT_NE(field(proto, "s").w2, field(derived, "s").w2) << "series fields are copied";

    Cell copy = proto;
    Cell result;
    object::copy(&copy, &result, nullptr, false, nullptr);
    EXPECT_EQ(field(result, "s").w2, field(proto, "s").w2) << "a shallow copy shares series";
    const Cell part = i(1);
    EXPECT_EQ(test::error_of([&] {
                  Cell c = proto;
                  Cell r;
                  object::copy(&c, &r, &part, false, nullptr);
              }),
              ErrorId::script_invalid_refine_arg);
}

TEST_F(ObjectTest, CompareByFieldsUnderTheCycleGuard) {
    const Cell a = make_object(block_of({sw("x"), i(1)}));
    const Cell b = make_object(block_of({sw("x"), i(1)}));
    const Cell c = make_object(block_of({sw("x"), i(2)}));
    const Cell d = make_object(block_of({sw("x"), i(1), sw("y"), i(1)}));
    EXPECT_TRUE(compare_values(a, b, compare_code::equal));
    EXPECT_FALSE(compare_values(a, b, compare_code::same));
    EXPECT_TRUE(compare_values(a, c, compare_code::lesser));
    EXPECT_TRUE(compare_values(d, a, compare_code::greater));
    ASSERT_FALSE(set_field(a, "x", a));
    ASSERT_FALSE(set_field(b, "x", b));
    EXPECT_TRUE(compare_values(a, b, compare_code::equal));
    EXPECT_EQ(cycle::depth(), 0u);
}

TEST_F(ObjectTest, ConstructTakesValuesAsTheyAre) {
    const Cell obj = object::construct(block_of({sw("a"), sw("b"), w("yes"), sw("c"), w("none"), sw("d")}), nullptr,
                                       false);
    EXPECT_EQ(field(obj, "a").type(), Type::logic);
    EXPECT_EQ(field(obj, "b").w1, 1u);
    EXPECT_EQ(field(obj, "c").type(), Type::none);
    EXPECT_EQ(field(obj, "d").type(), Type::none);
    const Cell only = object::construct(block_of({sw("a"), w("yes")}), nullptr, true);
    EXPECT_EQ(field(only, "a").type(), Type::word);
}
