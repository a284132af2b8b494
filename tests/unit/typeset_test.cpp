#include <gtest/gtest.h>

#include "action_call.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

using namespace zel;
using namespace zel::test;

namespace {

Cell set_of(std::initializer_list<Type> types) {
    Cell set = typeset::empty();
    for (Type t : types) typeset::insert(set, static_cast<u8>(t));
    return set;
}

class TypesetTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::typeset);
};

TEST_F(TypesetTest, BitLayoutIsMostSignificantBitFirstInMemoryOrder) {
    EXPECT_EQ(set_of({Type::unset}).w1, 0x20u);              // byte 0, bit 0x20
    EXPECT_EQ(set_of({Type::integer}).w1, 0x1000u);          // id 11: byte 1, bit 0x10
    EXPECT_EQ(set_of({Type::series}).w2, 0x2000u);           // id 42: byte 5, bit 0x20
    EXPECT_EQ(set_of({Type::event}).w2, 0x20000u);           // id 54: byte 6, bit 0x02
    EXPECT_EQ(typeset::make_default().w1 & 0xFF, 0xDFu);
}

TEST_F(TypesetTest, SetOperations) {
    const Cell numbers = set_of({Type::integer, Type::float_});
    const Cell scalars = set_of({Type::integer, Type::char_, Type::logic});
    struct Case { SetOp op; Cell other; Cell expected; } const cases[] = {
        {SetOp::union_, scalars, set_of({Type::integer, Type::float_, Type::char_, Type::logic})},
        {SetOp::or_, datatype::of(Type::block), set_of({Type::integer, Type::float_, Type::block})},
        {SetOp::intersect, scalars, set_of({Type::integer})},
        {SetOp::and_, datatype::of(Type::block), typeset::empty()},
        {SetOp::exclude, scalars, set_of({Type::float_})},
        {SetOp::difference, scalars, set_of({Type::float_, Type::char_, Type::logic})},
        {SetOp::xor_, numbers, typeset::empty()},
        {SetOp::unique, scalars, numbers},
    };
    for (const Case& c : cases) {
        Cell result = numbers;
        typeset::set_operation(c.op, &result, &c.other);
        EXPECT_EQ(row.on_compare(&result, &c.expected, compare_code::equal), 0) << static_cast<int>(c.op);
    }
    Cell value = numbers;
    Cell bad = integer::cell(1);
    EXPECT_EQ(error_of([&] { row.on_or_(&value, &bad); }), ErrorId::script_invalid_arg);
}

TEST_F(TypesetTest, BitwiseActionsThroughTheTable) {
    Cell a = set_of({Type::integer, Type::float_});
    Cell b = set_of({Type::float_, Type::char_});
    Cell both = a;
    row.on_and_(&both, &b);
    const Cell floats = set_of({Type::float_});
    EXPECT_EQ(row.on_compare(&both, &floats, compare_code::equal), 0);
    Cell either = a;
    row.on_xor_(&either, &b);
    EXPECT_EQ(typeset::count(either), 2u);
}

TEST_F(TypesetTest, FindIsMembership) {
    Cell set = typeset::make_default();
    const FindRefinements none{};
    for (Type t : {Type::integer, Type::block, Type::image}) {
        Cell series = set;
        const Cell type = datatype::of(t);
        const Cell* found = row.on_find(&series, &type, none);
        ASSERT_TRUE(found->is(Type::logic));
        EXPECT_TRUE(logic::get(*found)) << static_cast<int>(t);
    }
    Cell series = set;
    const Cell unset_type = datatype::of(Type::unset);
    EXPECT_FALSE(logic::get(*row.on_find(&series, &unset_type, none)));
    series = set;
    const Cell one = integer::cell(1);
    EXPECT_EQ(error_of([&] { row.on_find(&series, &one, none); }), ErrorId::script_invalid_arg);
}

TEST_F(TypesetTest, ComplementOfTheDefaultHoldsOnlyUnsetAmongRegisteredTypes) {
    Cell set = typeset::make_default();
    EXPECT_EQ(typeset::count(set), registry().highest_registered() - 1);
    row.on_complement(&set);
    EXPECT_EQ(typeset::count(set), 1u);
    EXPECT_TRUE(typeset::has(set, static_cast<u8>(Type::unset)));
}

TEST_F(TypesetTest, CompareIsEqualityOnAllBitsAndSortsByCount) {
    const Cell a = set_of({Type::integer});
    Cell above = a;
    above.w3 |= 1;  // a bit above every registered id
    const Cell b = set_of({Type::integer, Type::char_});
    const Cell number = integer::cell(1);
    EXPECT_EQ(row.on_compare(&a, &a, compare_code::strict_equal), 0);
    EXPECT_EQ(row.on_compare(&a, &above, compare_code::equal), 1);
    EXPECT_EQ(row.on_compare(&a, &b, compare_code::lesser), not_comparable);
    EXPECT_EQ(row.on_compare(&a, &b, compare_code::sort), -1);
    EXPECT_EQ(row.on_compare(&b, &a, compare_code::sort), 1);
    EXPECT_EQ(row.on_compare(&a, &number, compare_code::equal), not_comparable);
}

TEST_F(TypesetTest, MakeAndTo) {
    const Cell source = set_of({Type::char_});
    Cell prototype = datatype::of(Type::typeset);
    EXPECT_EQ(row.on_compare(row.on_make(&prototype, &source, Type::typeset), &source, compare_code::equal), 0);
    const Cell number = integer::cell(1);
    EXPECT_EQ(error_of([&] { row.on_to(&prototype, &number, Type::typeset); }), ErrorId::script_bad_to_arg);
}

TEST_F(TypesetTest, FromAndToBlocks) {
    const Cell block{header_of(Type::block), 1, memory::alloc_cells(4), 0};
    *series_buffer::append_cell(block) = datatype::of(Type::none);  // before the position: skipped
    *series_buffer::append_cell(block) = datatype::of(Type::integer);
    *series_buffer::append_cell(block) = set_of({Type::float_, Type::char_});
    Cell prototype = datatype::of(Type::typeset);
    const Cell* made = row.on_make(&prototype, &block, Type::typeset);
    EXPECT_EQ(molded(*made, MoldFlags{true, false, false}), "char! integer! float!");

    const Cell listed = typeset::to_block(*made);
    Buffer* b = node::buffer(listed.w2);
    ASSERT_EQ(b->used(), 3 * sizeof(Cell));
    const Cell* cells = reinterpret_cast<const Cell*>(b->head_ptr());
    const Type expected[] = {Type::char_, Type::integer, Type::float_};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(cells[i].is(Type::datatype));
        EXPECT_EQ(cells[i].w1, static_cast<u8>(expected[i]));
    }

    *series_buffer::append_cell(block) = integer::cell(3);
    EXPECT_EQ(error_of([&] { row.on_make(&prototype, &block, Type::typeset); }), ErrorId::script_invalid_arg);
}

TEST_F(TypesetTest, FormAndMold) {
    const MoldFlags only{true, false, false};
    const Cell numbers = set_of({Type::integer, Type::float_});
    EXPECT_EQ(molded(numbers), "make typeset! [integer! float!]");
    EXPECT_EQ(formed(numbers), "make typeset! [integer! float!]");
    EXPECT_EQ(molded(numbers, only), "integer! float!");
    EXPECT_EQ(molded(typeset::empty()), "make typeset! []");
    EXPECT_EQ(molded(typeset::empty(), only), "");
    Cell hidden = typeset::empty();
    hidden.w3 = ~0u;  // ids 64-95: never listed
    EXPECT_EQ(molded(hidden), "make typeset! []");
    // With /part the listing stops once the limit is spent, and the text is cut.
    const Cell part = integer::cell(20);
    EXPECT_EQ(molded(typeset::make_default(), {}, &part), "make typeset! [datat");
}

}  // namespace
