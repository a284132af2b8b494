// A runtime with the standard records and the error catalogue, for the tests of objects,
// errors, functions and ports; a stub evaluator stands in for the interpreter: it runs
// blocks of set-words and values (a word stands for its value, a lit-word for its word)
// and records the calls made to functions.
#pragma once
#include <string>
#include <vector>

#include "runtime/core/hooks.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "tests/unit/series-fixture.h"

class ObjectsFixture : public SeriesFixture {
protected:
    struct Call {
        std::string name;
        Cell function;
        std::vector<Cell> args;
    };
    static inline std::vector<Call> calls;
    // What the stub's function calls answer.
    static inline Cell call_result = zel::unset_cell;

    ObjectsFixture() : SeriesFixture(zel::runtime::Stage::objects) {}

    void SetUp() override {
        SeriesFixture::SetUp();
        zel::hooks::eval_block = eval_block;
        zel::hooks::call_function = call_function;
        calls.clear();
        call_result = zel::unset_cell;
    }

    void TearDown() override {
        zel::hooks::eval_block = nullptr;
        zel::hooks::call_function = nullptr;
        zel::hooks::object_changed = nullptr;
        zel::ownership::deep_change_hook = nullptr;
        SeriesFixture::TearDown();
    }

    static void eval_block(const Cell& block, Cell& result) {
        result = zel::unset_cell;
        std::vector<Cell> targets;
        for (zel::u32 k = block.w1; k < length(block); ++k) {
            const Cell item = *zel::block::cell_at(block, k);
            if (item.is(Type::set_word)) {
                targets.push_back(item);
                continue;
            }
            result = item.is(Type::word) ? *zel::context::get_word(item) : item;
            if (item.is(Type::lit_word)) zel::cell::set_type(&result, Type::word);
            for (Cell& target : targets) zel::context::set_word(target, result);
            targets.clear();
        }
    }

    static void call_function(const Cell& name, const Cell& function, const Cell* args, zel::u32 count, zel::u32,
                              Cell& result) {
        calls.push_back({std::string(zel::symbol::name(name.w2)), function, std::vector<Cell>(args, args + count)});
        result = call_result;
    }

    // func spec body, its spec block checked as `make function!` checks it.
    static Cell func_of(std::initializer_list<Cell> spec, std::initializer_list<Cell> body) {
        const Cell s = block_of(spec);
        const Cell b = block_of(body);
        return zel::function::make_value(s, &b, 0, 0, 0, zel::function::validate_spec(s));
    }

    static Cell make_object(const Cell& spec, const Cell* prototype = nullptr) {
        Cell result = prototype ? *prototype : zel::Cell{zel::header_of(Type::datatype), 32, 0, 0};
        return *zel::object::make(&result, &spec, Type::object);
    }

    static Cell sw(std::string_view name) { return word_of(name, Type::set_word); }
    static Cell lw(std::string_view name) { return word_of(name, Type::lit_word); }
    static Cell ref(std::string_view name) { return word_of(name, Type::refinement); }
    static Cell field(const Cell& obj, std::string_view name) { return *zel::object::select_field(obj, w(name)); }
};
