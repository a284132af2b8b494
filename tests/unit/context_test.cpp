#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/hooks.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"
#include "tests/unit/names-fixture.h"

using namespace zel;

namespace {

class Contexts : public NamesFixture {
protected:
    void TearDown() override {
        hooks::object_changed = nullptr;
        hooks::stack_values = nullptr;
        NamesFixture::TearDown();
    }

    static Node block_of(const std::vector<Cell>& cells) {
        const Node b = memory::alloc_cells(static_cast<u32>(cells.size()) + 1);
        for (const Cell& c : cells) *series_buffer::append_cell(node::buffer(b)) = c;
        return b;
    }
    static Cell& at(Node block, u32 i) { return node::buffer(block)->cells()[i]; }

    // The value a bound word reads.
    static i32 read(const Cell& word) { return static_cast<i32>(context::get_word(word)->w2); }
};

TEST_F(Contexts, GlobalCaseVariantsShareOneSlot) {
    // Whichever spelling is interned first.
    const char* spellings[][2] = {{"foo", "FOO"}, {"Bar", "bar"}};
    for (const auto& names : spellings) {
        Cell first = context::make_global_word(symbol::intern(names[0]));
        Cell second = context::make_global_word(symbol::intern(names[1]));
        EXPECT_EQ(first.w3, second.w3) << names[0];
        EXPECT_NE(first.w2, second.w2);
        context::set_word(first, integer_of(7));
        EXPECT_EQ(read(second), 7);
        context::set_word(second, integer_of(8));
        EXPECT_EQ(read(first), 8);
    }
}

TEST_F(Contexts, RuntimeWordsAreTheGlobalWords) {
    EXPECT_EQ(symbol::name(sym::code), "code");
    EXPECT_EQ(symbol::name(runtime_words::changed_symbol), "changed");
    Cell by_name = context::make_global_word(symbol::intern("collect"));
    context::set_word(by_name, integer_of(42));
    EXPECT_EQ(read(*words::collect), 42);
    EXPECT_EQ(context::get_word(*words::collect), context::get_word(by_name));
    EXPECT_EQ(refinements::part->type(), Type::refinement);
    EXPECT_EQ(refinements::part->w1, 0u);
    EXPECT_EQ(test::molded(*refinements::with), "/with");
}

TEST_F(Contexts, AContextOfSizeZeroHoldsAWord) {
    const Node ctx = context::make(0, false, false, 0, context::kind::object);
    Cell a = word_of("a");
    const u32 index = context::add_word(ctx, a);
    EXPECT_EQ(index, 0u);
    context::set_in(a, integer_of(5), ctx, false);
    EXPECT_EQ(context::value_cell(a, ctx)->w2, 5u);
    for (const char* name : {"b", "c", "d", "e", "f", "g"}) context::add_word(ctx, word_of(name));
    EXPECT_EQ(context::word_count(ctx), 7u);
    EXPECT_EQ(context::find_symbol(ctx, symbol::intern("G"), true), 6);
    EXPECT_EQ(context::find_symbol(ctx, symbol::intern("G"), false), -1);
}

TEST_F(Contexts, ABlockThatContainsItselfBindsEachWordOnce) {
    const Node ctx = context::make(4, false, false, 0, context::kind::object);
    context::add_word(ctx, word_of("a"));
    context::add_word(ctx, word_of("self"));
    const Node inner = block_of({word_of("A", Type::get_word), word_of("zz")});
    const Node outer = block_of({word_of("a", Type::set_word), Cell{header_of(Type::block), 0, inner, 0},
                                 word_of("self")});
    *series_buffer::append_cell(node::buffer(inner)) = Cell{header_of(Type::block), 0, outer, 0};
    context::bind_block(Cell{header_of(Type::block), 0, outer, 0}, ctx, true);
    EXPECT_EQ(cycle::depth(), 0u);
    EXPECT_EQ(at(outer, 0).w1, ctx);
    EXPECT_EQ(at(outer, 0).w3, 0u);
    EXPECT_EQ(at(inner, 0).w1, ctx);
    EXPECT_EQ(at(inner, 1).w1, 0u);  // not a word of the context: left as it was
    EXPECT_EQ(at(outer, 2).w3, context::no_index);
    context::owner_slot(ctx) = integer_of(99);
    EXPECT_EQ(context::get_word(at(outer, 2))->w2, 99u);
}

TEST_F(Contexts, BindingTooDeepRaises) {
    const Node ctx = context::make(1, false, false, 0, context::kind::object);
    Node nested = block_of({});
    for (int i = 0; i < 1100; ++i) nested = block_of({Cell{header_of(Type::block), 0, nested, 0}});
    EXPECT_EQ(test::error_of([&] { context::bind_block(Cell{header_of(Type::block), 0, nested, 0}, ctx, false); }),
              ErrorId::internal_too_deep);
    EXPECT_EQ(cycle::depth(), 0u);
}

Node hooked_context = 0;
struct HookCall {
    u32 field;
    u32 old_value;
    u32 new_value;
};
std::vector<HookCall> hook_calls;

// An on-change* that adds fields, so the values block moves under the caller.
void growing_hook(const Cell&, const Cell& word, const Cell& old_value, const Cell& new_value) {
    hook_calls.push_back({word.w2, old_value.w2, new_value.w2});
    for (int i = 0; i < 200; ++i) {
        const std::string name = "extra-" + std::to_string(i);
        context::add_word(hooked_context, Cell{header_of(Type::word), 0, symbol::intern(name), context::no_index});
    }
}

TEST_F(Contexts, SettingAFieldRunsTheChangeHookAndAnswersTheSlotAfterIt) {
    hooked_context = context::make(2, false, false, 0, context::kind::object);
    Cell field = word_of("f");
    context::set_in(field, integer_of(1), hooked_context, true);
    hooks::object_changed = growing_hook;
    hook_calls.clear();
    // Without a handler block on the owner, no hook.
    context::set_in(field, integer_of(2), hooked_context, true);
    EXPECT_TRUE(hook_calls.empty());
    context::owner_slot(hooked_context) = Cell{header_of(Type::object), hooked_context, 0, 1};
    Cell* slot = context::set_in(field, integer_of(3), hooked_context, true);
    ASSERT_EQ(hook_calls.size(), 1u);
    EXPECT_EQ(hook_calls[0].old_value, 2u);
    EXPECT_EQ(hook_calls[0].new_value, 3u);
    EXPECT_EQ(slot, context::value_cell(field, hooked_context));
    EXPECT_EQ(slot->w2, 3u);
    EXPECT_TRUE(context::word_at(hooked_context, field.w3)->header & cellflag::field_assigned);
    // Without notify the hook stays quiet.
    context::set_in(field, integer_of(4), hooked_context, false);
    EXPECT_EQ(hook_calls.size(), 1u);
}

TEST_F(Contexts, FunctionContextsAnswerOnlyWhileRunning) {
    const Node ctx = context::make(2, true, false, 0, context::kind::function);
    Cell x = word_of("x");
    context::add_word(ctx, x);
    context::bind_word(ctx, x);
    EXPECT_EQ(test::error_of([&] { context::set_word(x, integer_of(1)); }), ErrorId::script_not_defined);
    EXPECT_EQ(test::error_of([&] { context::get_word(x); }), ErrorId::script_not_in_context);
    static Cell frame[4];
    hooks::stack_values = [](u32 position) { return &frame[position]; };
    context::cell_of(ctx).w2 = 2;  // running, its values from stack position 1
    context::set_word(x, integer_of(6));
    EXPECT_EQ(frame[1].w2, 6u);
    const Cell unbound = word_of("nowhere");
    EXPECT_EQ(test::error_of([&] { context::value_cell(unbound, ctx); }), ErrorId::script_no_value);
}

TEST_F(Contexts, ClonesAndSpecsKeepWordsAtTheirIndexes) {
    const Node spec = block_of({word_of("a"), word_of("b", Type::refinement), word_of("c", Type::set_word),
                                word_of("A", Type::lit_word), integer_of(1), word_of("d", Type::get_word)});
    const Node ctx = context::make_from_spec(Cell{header_of(Type::block), 0, spec, 0}, false, true, context::kind::object);
    EXPECT_EQ(context::word_count(ctx), 3u);
    Cell holder{header_of(Type::object), ctx, 0, 0};
    const Node copy = context::clone(holder, context::kind::object);
    EXPECT_EQ(holder.w1, copy);
    EXPECT_EQ(context::word_count(copy), 3u);
    EXPECT_EQ(context::word_at(copy, 2)->w1, copy);
    EXPECT_EQ(context::word_at(ctx, 2)->w1, ctx);
    EXPECT_TRUE(context::cell_of(copy).header & cellflag::context_third);
    Cell d = word_of("d");
    context::set_in(d, integer_of(9), copy, false);
    context::add_word(copy, word_of("e"));
    EXPECT_EQ(context::find_symbol(ctx, symbol::intern("e"), true), -1);
    Cell body = Cell{header_of(Type::block), 0, block_of({word_of("x", Type::set_word), word_of("a", Type::set_word)}), 0};
    EXPECT_TRUE(context::collect_set_words(ctx, body));
    EXPECT_FALSE(context::collect_set_words(ctx, body));
    EXPECT_EQ(context::word_count(ctx), 4u);
}

TEST_F(Contexts, PuttingAndAddingValues) {
    const Node ctx = context::make(2, false, false, 0, context::kind::object);
    const Cell k = word_of("k");
    EXPECT_EQ(context::put_value(ctx, k, integer_of(1))->w2, 1u);
    EXPECT_EQ(context::put_value(ctx, word_of("K"), integer_of(2))->w2, 2u);
    EXPECT_EQ(context::value_of_symbol(symbol::intern("K"), ctx)->w2, 2u);
    EXPECT_EQ(context::global_value_cell(symbol::intern("never-made")), nullptr);
    Cell out;
    context::global_value(symbol::intern("made-on-read"), out);
    EXPECT_EQ(out.type(), Type::unset);
    EXPECT_NE(context::global_value_cell(symbol::intern("made-on-read")), nullptr);
}

}  // namespace
