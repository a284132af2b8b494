#include <gtest/gtest.h>

#include "action_call.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"

using namespace zel;
using namespace zel::test;

namespace {

Cell* first_add(Cell* a, Cell*) { return a; }
Cell* second_add(Cell*, Cell* b) { return b; }
Cell* own_negate(Cell* a) { return a; }

TEST(Registry, StartUpRegistersEveryTypeButEvent) {
    ensure_datatypes();
    for (u32 id = 1; id <= max_type_id; ++id) {
        EXPECT_EQ(registry().registered(static_cast<Type>(id)), id != static_cast<u8>(Type::event)) << id;
    }
    EXPECT_EQ(registry().highest_registered(), static_cast<u32>(Type::image));
}

TEST(Registry, NamesAndParentsComeFromTheTypeTable) {
    struct Case { Type type; const char* name; u32 form_length; Type parent; } const cases[] = {
        {Type::datatype, "datatype!", 8, Type{0}},
        {Type::char_, "char!", 4, Type::integer},
        {Type::file, "file!", 4, Type::url},
        {Type::point2d, "point2D!", 7, Type{0}},
        {Type::percent, "percent!", 7, Type::float_},
    };
    for (const Case& c : cases) {
        const TypeInfo& info = type_info(c.type);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_EQ(info.form_length, c.form_length) << c.name;
        EXPECT_EQ(info.parent, c.parent) << c.name;
    }
}

TEST(Registry, InheritCopiesTheParentsEntryAndUnsupportedStaysEmpty) {
    Registry r;
    ActionRecord parent;
    parent.on_add = first_add;
    parent.on_negate = own_negate;
    parent.on_subtract = first_add;
    r.register_type(Type::integer, parent);

    ActionRecord child;
    child.on_add = inherit;
    child.on_subtract = second_add;  // its own entry wins over the parent's
    // negate left unsupported although the parent has it
    r.register_type(Type::char_, child);

    const ActionRow& row = r.actions(Type::char_);
    EXPECT_EQ(row.on_add, &first_add);
    EXPECT_EQ(row.on_subtract, &second_add);
    EXPECT_EQ(row.on_negate, nullptr);
    EXPECT_EQ(row.on_multiply, nullptr);
    EXPECT_EQ(r.highest_registered(), 11u);
}

TEST(Registry, CharInheritsOnlyWhatItsRecordSays) {
    ensure_datatypes();
    const ActionRow& integer = registry().actions(Type::integer);
    const ActionRow& character = registry().actions(Type::char_);
    EXPECT_EQ(character.on_random, integer.on_random);
    EXPECT_EQ(character.on_absolute, integer.on_absolute);
    EXPECT_EQ(character.on_even_q, integer.on_even_q);
    EXPECT_EQ(character.on_odd_q, integer.on_odd_q);
    EXPECT_NE(character.on_add, integer.on_add);
    for (auto slot : {&ActionRow::on_negate, &ActionRow::on_complement}) EXPECT_EQ(character.*slot, nullptr);
    EXPECT_EQ(character.on_power, nullptr);
    EXPECT_EQ(character.on_round, nullptr);
    // handle! names integer! as its parent but takes none of its actions.
    EXPECT_EQ(registry().actions(Type::handle).on_add, nullptr);
}

using RegistryDeathTest = ::testing::Test;

TEST(RegistryDeathTest, BadRegistrationsEndTheProcessWithAnError) {
    EXPECT_EXIT(
        {
            Registry r;
            r.register_type(Type::char_, no_actions);
        },
        ::testing::ExitedWithCode(1), "\\*\\*\\* Datatype Error: parent not registered for type: 10\n\\*\\*\\* Parent: 11");
    EXPECT_EXIT(
        {
            Registry r;
            r.register_type(Type::none, no_actions);
            r.register_type(Type::none, no_actions);
        },
        ::testing::ExitedWithCode(1), "\\*\\*\\* Datatype Error: registered twice for type: 3");
    EXPECT_EXIT(
        {
            Registry r;
            ActionRecord record;
            record.on_mold = inherit;
            r.register_type(Type::logic, record);
        },
        ::testing::ExitedWithCode(1), "inherited action without a parent for type: 4\n\\*\\*\\* Slot: 6");
}

TEST(Registry, MakeFromADatatypeRunsTheNamedTypesMake) {
    ensure_datatypes();
    const Cell logic_type = datatype::of(Type::logic);
    const Cell zero = integer::cell(0);
    EXPECT_EQ(dispatch_type(logic_type), Type::logic);
    EXPECT_EQ(dispatch_type(zero), Type::integer);
    Cell prototype = logic_type;
    const Cell* made = registry().actions(dispatch_type(logic_type)).on_make(&prototype, &zero, Type::logic);
    ASSERT_TRUE(made->is(Type::logic));
    EXPECT_FALSE(logic::get(*made));
    EXPECT_EQ(registry().actions(Type::datatype).on_make, nullptr);
}

TEST(Registry, CompareTruthOfEachCode) {
    const Cell a = integer::cell(1);
    struct Case { i32 result, code; bool truth; } const cases[] = {
        {0, compare_code::equal, true},          {1, compare_code::equal, false},
        {-2, compare_code::equal, false},        {0, compare_code::not_equal, false},
        {-1, compare_code::not_equal, true},     {-2, compare_code::not_equal, true},
        {0, compare_code::strict_equal, true},   {-1, compare_code::lesser, true},
        {0, compare_code::lesser, false},        {0, compare_code::lesser_or_equal, true},
        {1, compare_code::lesser_or_equal, false}, {1, compare_code::greater, true},
        {0, compare_code::greater, false},       {0, compare_code::greater_or_equal, true},
        {-1, compare_code::greater_or_equal, false}, {0, compare_code::same, true},
        {0, compare_code::find, true},           {1, compare_code::find, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compare_truth(a, a, c.result, c.code), c.truth) << c.result << " code " << c.code;
    }
    for (i32 code : {compare_code::lesser, compare_code::greater_or_equal, compare_code::sort}) {
        EXPECT_EQ(error_of([&] { compare_truth(a, a, not_comparable, code); }), ErrorId::script_invalid_compare);
    }
}

}  // namespace
