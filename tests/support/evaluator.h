// An evaluator to drive from C++ (the evaluator's tests and benchmarks): the runtime
// started once, the datatype words, a few actions and operators, and natives written here
// for the tests at the natives' own indexes (func, if, either, loop and while with break
// and continue, return, exit, try, catch and throw, comparisons, recycle) until the
// language's own natives exist.
#pragma once
#include <string>
#include <utility>
#include <string_view>

#include "boot/runtime.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/native.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/fast-arith.h"
#include "runtime/eval/interpreter.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::test {

struct RaisedError {
    std::string id;
    std::string where;
    std::string near;
};

Cell load(std::string_view source);
std::string run(std::string_view source);

namespace detail {

inline Cell* arg(u32 i) { return stack::base + i; }

inline bool truthy(const Cell& c) { return !c.is(Type::none) && !(c.is(Type::logic) && c.w1 == 0); }

inline void set_global(std::string_view name, const Cell& value) {
    Cell* word = context::intern_global_word(symbol::intern(name), false, false);
    Cell w = *word;
    context::set_word(w, value);
}

inline void bind_global(const Cell& block) {
    for (u32 i = block.w1;; ++i) {
        Buffer* b = node::buffer(block.w2);
        if (i >= b->used() / sizeof(Cell)) break;
        const Cell item = b->cells()[b->head / sizeof(Cell) + i];
        const Type t = item.type();
        if (t == Type::block || t == Type::paren || (t >= Type::path && t <= Type::get_path)) {
            bind_global(item);
        } else if (t == Type::word || t == Type::set_word || t == Type::get_word || t == Type::lit_word) {
            const u32 index = context::intern_global_word(item.w2, true, false)->w3;
            Buffer* now = node::buffer(block.w2);
            Cell& cell = now->cells()[now->head / sizeof(Cell) + i];
            cell.w1 = context::global;
            cell.w3 = index;
        }
    }
}

// The natives.

inline void func_native(const i32*) {
    const Cell spec = *arg(0);
    const Cell body = *arg(1);
    const u32 flags = function::validate_spec(spec);
    *stack::base = function::make_value(spec, &body, 0, 0, 0, flags);
}

inline void if_native(const i32*) {
    if (truthy(*arg(0))) interp::eval_block(*arg(1), true);
    else *stack::base = none_cell;
}

inline void either_native(const i32*) { interp::eval_block(truthy(*arg(0)) ? *arg(1) : *arg(2), true); }

// Runs `step` (answering whether to go on) in a loop frame, taking the breaks and
// continues aimed at it; the loop's value is its last body value.
template <class Step>
inline void run_loop(Step&& step) {
    Cell* const result = stack::base;
    *result = none_cell;
    frame::open_loop(*words::tag_body);
    const u32 loop_frame = frame::depth() - 1;
    const exits::Mark mark = exits::mark();
    for (bool more = true; more;) {
        stack::top = stack::base;
        try {
            more = step();
        } catch (const ExitThrow& t) {
            if (!exits::aimed_at(t, loop_frame, ThrowCode::break_, ThrowCode::continue_)) throw;
            exits::restore(mark);
            *stack::base = t.value;
            more = t.code == ThrowCode::continue_;
        }
    }
    const Cell last = *stack::base;
    frame::close_reset();
    *result = last;
}

inline void loop_native(const i32*) {
    const Cell body = *arg(1);
    i32 left = static_cast<i32>(arg(0)->w2);
    run_loop([&] {
        if (left-- <= 0) return false;
        interp::eval_block(body, true);
        return true;
    });
}

inline void while_native(const i32*) {
    const Cell cond = *arg(0);
    const Cell body = *arg(1);
    run_loop([&] {
        interp::eval_block(cond, true);
        if (!truthy(*stack::base)) return false;
        interp::eval_block(body, true);
        return true;
    });
    *stack::base = unset_cell;
}

inline void break_native(const i32* refs) { frame::throw_break(refs[0] >= 0, false); }
inline void continue_native(const i32*) { frame::throw_break(false, true); }
inline void return_native(const i32*) { frame::throw_return(true, false); }
inline void exit_native(const i32*) { frame::throw_return(false, false); }

// Evaluates the block argument in a frame `open` makes; a throw of type Caught that
// `takes` accepts ends it with the value the throw carries.
template <class Caught, class Takes>
inline void run_guarded(Cell* (*open)(const Cell&), const Cell& name, Takes&& takes) {
    const Cell body = *arg(0);
    Cell* const result = stack::base;
    open(name);
    const u32 guard_frame = frame::depth() - 1;
    const exits::Mark mark = exits::mark();
    Cell value;
    try {
        interp::eval_block(body, true);
        value = *stack::base;
    } catch (const Caught& t) {
        if (!takes(t, guard_frame)) throw;
        exits::restore(mark);
        value = t.value;
    }
    frame::close_reset();
    *result = value;
}

inline void try_native(const i32*) {
    run_guarded<ErrorThrow>(frame::open_try, *words::try_, [](const ErrorThrow&, u32) { return true; });
}

inline void catch_native(const i32*) {
    run_guarded<ExitThrow>(frame::open_catch, *words::catch_, [](const ExitThrow& t, u32 guard_frame) {
        return t.code == ThrowCode::throw_ && t.target == guard_frame;
    });
}

inline void throw_native(const i32*) { frame::throw_to_catch(ThrowCode::throw_); }

template <i32 code>
inline void compare_native(const i32*) {
    action::compare_stack(code);
}

inline void recycle_native(const i32*) {
    gc::recycle();
    *stack::base = unset_cell;
}

// The `make` action, the one action that cannot be made by evaluating `make action!`.
inline void define_make() {
    const Cell record = *block::cell_at(load("[[type spec] 1]"), 0);
    Cell made = datatype::of(Type::action);
    registry().actions(Type::action).on_make(&made, &record, Type::action);
    set_global("make", made);
}

inline void define_op(std::string_view name, std::string_view function) {
    Cell value;
    context::global_value(symbol::intern(function), value);
    Cell made = datatype::of(Type::op);
    registry().actions(Type::op).on_make(&made, &value, Type::op);
    set_global(name, made);
}

inline constexpr std::string_view prelude = R"(
    add: make action! [[value1 value2] 11]
    subtract: make action! [[value1 value2] 18]
    multiply: make action! [[value1 value2] 13]
    append: make action! [[series value /part length /only /dup count] 25]
    insert: make action! [[series value /part length /only /dup count] 35]
    length?: make action! [[series] 36]
    tail: make action! [[series] 48]
    pick: make action! [[series index] 39]
    form: make action! [[value /part limit] 5]
    mold: make action! [[value /only /all /flat /part limit] 6]
    copy: make action! [[value /part length /deep /types kind] 30]
)";

}  // namespace detail

// Scans UTF-8 source into a block whose words are bound to the global context (names it
// lacks are added, unset).
inline Cell load(std::string_view source) {
    using namespace detail;
    const gc::Disabled loading;
    lexer::Options options;
    const lexer::Result r = lexer::scan_utf8(reinterpret_cast<const u8*>(source.data()),
                                             static_cast<u32>(source.size()), options);
    const Cell block = r.value;
    bind_global(block);
    return block;
}

// Registers a C++ native under `name` with a spec block (source text of a block), at index
// `at` when given (in place of the runtime's native there, or after empty entries);
// returns its table index.
inline u32 define_native(std::string_view name, std::string_view spec, native::Entry entry,
                         u32 at = 0) {
    using namespace detail;
    u32 index = at;
    if (at && at <= native::count()) {
        native::table[at - 1] = entry;
    } else {
        const native::Entry empty[1] = {nullptr};
        while (at > native::count() + 1) native::append_entries(empty, 1);
        const native::Entry entries[1] = {entry};
        index = native::append_entries(entries, 1);
    }
    const Cell made_from = *block::cell_at(load("[" + std::string(spec) + " " + std::to_string(index) + "]"), 0);
    Cell made = datatype::of(Type::native);
    registry().actions(Type::native).on_make(&made, &made_from, Type::native);
    set_global(name, made);
    return index;
}

// Starts the runtime and defines the words of the tests; later calls do nothing.
inline void start_evaluator() {
    using namespace detail;
    static bool started = false;
    if (started) return;
    started = true;
    runtime::init();
    for (u32 id = 1; id <= max_type_id; ++id) {
        const TypeInfo& info = type_info(static_cast<Type>(id));
        if (*info.name) set_global(info.name, datatype::of(static_cast<Type>(id)));
    }
    Cell any_type = typeset::make_default();
    typeset::insert(any_type, static_cast<u8>(Type::unset));
    set_global("any-type!", any_type);
    set_global("true", true_cell);
    set_global("false", false_cell);
    set_global("none", none_cell);
    define_make();
    // The natives the tests need, at their own indexes.
    define_native("if", "[cond [any-type!] then-blk [block!]]", if_native, 1);
    define_native("either", "[cond [any-type!] true-blk [block!] false-blk [block!]]", either_native, 3);
    define_native("while", "[cond [block!] body [block!]]", while_native, 6);
    define_native("loop", "[count [integer!] body [block!]]", loop_native, 8);
    define_native("func", "[spec [block!] body [block!]]", func_native, 14);
    define_native("equal?", "[value1 [any-type!] value2 [any-type!]]", compare_native<compare_code::equal>, 25);
    define_native("lesser?", "[value1 value2]", compare_native<compare_code::lesser>, 28);
    define_native("greater?", "[value1 value2]", compare_native<compare_code::greater>, 29);
    define_native("try", "[block [block!]]", try_native, 70);
    define_native("break", "[/return value]", break_native, 77);
    define_native("continue", "[]", continue_native, 78);
    define_native("exit", "[]", exit_native, 79);
    define_native("return", "[value [any-type!]]", return_native, 80);
    define_native("throw", "[value [any-type!]]", throw_native, 81);
    define_native("catch", "[block [block!]]", catch_native, 82);
    define_native("recycle", "[]", recycle_native, 105);
    (void)run(prelude);
    for (const auto& [op, function] : {std::pair{"+", "add"}, {"-", "subtract"}, {"*", "multiply"}, {"=", "equal?"},
                                       {"<", "lesser?"}, {">", "greater?"}})
        define_op(op, function);
}

inline std::string molded(const Cell& value) {
    Output out;
    mold(value, MoldFlags{}, nullptr, out);
    return out.utf8();
}

// Evaluates source text: the molded value, or "error: <id>" with the stacks put back.
inline std::string run(std::string_view source) {
    const Cell code = load(source);
    const exits::Mark mark = exits::mark();
    try {
        interp::eval_block(code, false);
        const Cell value = *stack::top_cell();
        exits::restore(mark);
        return molded(value);
    } catch (const ErrorThrow& e) {
        exits::restore(mark);
        return std::string("error: ") + error_info(e.id).name;
    }
}

// The id of the error that evaluating the source raises, with its where and near molded;
// an empty id when it raises none.
inline RaisedError raised(std::string_view source) {
    const Cell code = load(source);
    const exits::Mark mark = exits::mark();
    try {
        interp::eval_block(code, false);
    } catch (const ErrorThrow& e) {
        exits::restore(mark);
        return {error_info(e.id).name, molded(*error::field(e.value, standard::Field::error_where)),
                molded(*error::field(e.value, standard::Field::error_near))};
    }
    exits::restore(mark);
    return {};
}

}  // namespace zel::test
