#include "runtime/eval/interpreter.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/posix/stack.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/native.h"
#include "runtime/eval/action.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/fast-arith.h"
#include "runtime/eval/routine-code.h"
#include "runtime/eval/spec-cache.h"
#include "runtime/eval/trace.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/node.h"
#include "runtime/memory/resource.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::interp {

Cell* position = nullptr;
bool caches_on = true;

namespace {

constexpr u32 object_kind_bits = context::kind::object << 11;
// The native stack kept free below the deepest call, for the error machinery.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::uintptr_t native_reserve = 2u << 20;
#else
constexpr std::uintptr_t native_reserve = 512u << 10;
#endif
std::uintptr_t native_limit = 0;

// Inlined into its callers in optimised builds only: an unoptimised build gives each inlined
// copy stack room of its own, and deep recursion would then overflow the native stack sooner.
#if defined(__OPTIMIZE__)
#define ZEL_HOT_INLINE [[gnu::always_inline]] inline
#else
#define ZEL_HOT_INLINE inline
#endif

// Refinement tables up to this size live in the call's own frame.
constexpr u32 small_refinements = 16;

inline Buffer* buffer(Node n) { return node::buffer(n); }
inline const Cell* cells(Node n) { return reinterpret_cast<const Cell*>(buffer(n)->head_ptr()); }
inline u32 length(Node n) { return buffer(n)->cell_count(); }
// The limit of the code's indexes as its block (buffer `b`) is now.
inline u32 tail_in(const Buffer* b, const Code& code) {
    const u32 n = b->cell_count();
    return n < code.end ? n : code.end;
}
inline u32 tail_of(const Code& code) { return tail_in(buffer(code.node), code); }
inline const Cell* items_of(Buffer* b) { return reinterpret_cast<const Cell*>(b->head_ptr()); }
using frame::context_cell;
using spec_cache::as_info;
using spec_cache::as_refinement;

inline bool is_callable(Type t) {
    return t == Type::native || t == Type::action || t == Type::function || t == Type::routine;
}

inline bool truthy(const Cell& c) { return !c.is(Type::none) && !(c.is(Type::logic) && as_logic(c).value == 0); }

using frame::binding;
using frame::bound;
using frame::slot_of;
using frame::word_slot;

// The value an operator word holds, or null: the word must be bound to a context whose
// values exist.
[[gnu::always_inline]] inline const Cell* op_value(const Cell& word) {
    if (!word.is(Type::word) || !bound(word)) return nullptr;
    const Cell* value = slot_of(word);
    return value && value->is(Type::op) ? value : nullptr;
}

// Whether a set-word stores into its word's slot itself: a bound word not of an object
// (whose fields have change hooks) nor unbound, which go through the contexts' setting.
[[gnu::always_inline]] inline bool stores_directly(const Cell& word) {
    return bound(word) && (binding(word).header & cellflag::context_kind) != object_kind_bits;
}

// The slot a set-word stores into directly, or null (also for a function context that is
// not running, whose lookup raises).
[[gnu::always_inline]] inline Cell* direct_slot(const Cell& word) {
    return stores_directly(word) ? slot_of(word) : nullptr;
}

// Sets a word as a set-word does; object fields go through their change hooks.
ZEL_HOT_INLINE void set_word(Cell word, const Cell& value) {
    if (stores_directly(word)) *word_slot(word) = value;
    else context::set_word(word, value);
}

// Whether a code cell is its own value (the evaluator pushes it as it is).
constexpr bool self_evaluating_type(Type t) {
    switch (t) {
    case Type::unset:
    case Type::word:
    case Type::set_word:
    case Type::get_word:
    case Type::lit_word:
    case Type::paren:
    case Type::issue:
    case Type::path:
    case Type::lit_path:
    case Type::set_path:
    case Type::get_path:
    case Type::native:
    case Type::action:
    case Type::function:
    case Type::routine:
    case Type::op: return false;
    default: return true;
    }
}

// Whether a word holding a value of the type evaluates to that value (no call, no error).
constexpr bool plain_value_type(Type t) {
    switch (t) {
    case Type::unset:
    case Type::op:
    case Type::native:
    case Type::action:
    case Type::function:
    case Type::routine: return false;
    default: return true;
    }
}

// The two answers above for every type id, read with one load where the evaluator asks
// them per word and per value.
constexpr std::array<u8, cellflag::type_mask + 1> type_facts = [] {
    std::array<u8, cellflag::type_mask + 1> facts{};
    for (u32 t = 0; t <= cellflag::type_mask; ++t)
        facts[t] = (self_evaluating_type(static_cast<Type>(t)) ? 1 : 0) | (plain_value_type(static_cast<Type>(t)) ? 2 : 0);
    return facts;
}();
inline bool self_evaluating(Type t) { return type_facts[static_cast<u8>(t)] & 1; }
inline bool plain_value(Type t) { return type_facts[static_cast<u8>(t)] & 2; }

// The value of a code cell when taking it can neither call, allocate nor fail: a cell that
// is its own value, or a bound word of a context whose values exist holding a plain value.
// Null otherwise. Its callers decline while tracing, whose events the evaluation emits.
[[gnu::always_inline]] inline const Cell* quick_value(const Cell& item) {
    if (item.is(Type::word)) {
        if (!bound(item)) return nullptr;
        const Cell* slot = slot_of(item);
        return slot && plain_value(slot->type()) ? slot : nullptr;
    }
    return self_evaluating(item.type()) ? &item : nullptr;
}

void check_native_stack() {
    int here;
    if (reinterpret_cast<std::uintptr_t>(&here) < native_limit) stack::overflow();
}

// Restores the current-position cell however the evaluation of a block ends. The cell is
// kept as two 64-bit halves: kept as a Cell, its four words are saved and put back one by one.
class PositionGuard {
public:
    PositionGuard() { std::memcpy(saved_, position, sizeof(Cell)); }
    ~PositionGuard() { std::memcpy(position, saved_, sizeof(Cell)); }
    PositionGuard(const PositionGuard&) = delete;
    PositionGuard& operator=(const PositionGuard&) = delete;

private:
    std::uint64_t saved_[2];
};

Cell word_named(const Cell& name) { return name.is(Type::word) ? name : *words::tag_anon; }

using frame::parameter_word;

// The calling path comes in two forms of one source, chosen when a block's evaluation
// starts: the `checked` form, taken while a trace callback is installed, tests at each
// emission point whether events are passed on; the plain form, taken otherwise, has no such
// test at all. Nothing switches tracing on while plain code runs: a callback is installed
// only by `do/trace`, which evaluates its code from a fresh start (and removes it before
// returning), so every block entered while it is installed takes the checked form.
template <bool checked>
[[gnu::always_inline]] inline bool tracing() {
    return checked && trace::active;
}
template <bool checked>
[[gnu::always_inline]] inline void emit(u32 flag, Node code, u32 index, const Cell* value = nullptr,
                                        const Cell* ref = nullptr) {
    if constexpr (checked) trace::emit(flag, code, index, value, ref);
}

template <bool checked>
u32 eval_expr(const Code& code, u32 index, bool infix = false);
template <bool checked>
void run_block(const Cell& block, bool to_result);
template <bool checked>
u32 call_value_in(const Cell& callable, const Code& code, u32 index, const Cell& name, const PathCall* path = nullptr,
                  u32 modes = 0, bool infix = false);
template <bool checked>
void call_function_in(const Cell& function, u32 frame_index);
template <bool checked>
u32 eval_path_in(const Cell& path, const Code& code, u32 index, PathMode mode, const Cell* value = nullptr);
template <bool checked>
inline u32 infix_lookahead(const Code& code, u32 index, Cell* left);
template <bool checked>
inline u32 lookahead_in(const Code& code, const Cell* items, u32 tail, u32 index, Cell* left);

// A return or exit that reached the function of frame `frame_index`: its value is the call's.
void returned(u32 frame_index, const Cell& value) {
    const Cell result = value;
    frame::unwind_to(frame_index + 1);
    stack::set_only_result(result);
}

// A function's locals on entry, `count` cells: the /local slot false, each local none!.
void push_locals(u32 count) {
    if (!count) return;
    stack::push(false_cell);
    for (u32 l = 1; l < count; ++l) stack::push(none_cell);
}

// Opens the frame of an interpreted call named by `named`; a function's frame takes its word
// context from the function's record when the record holds one.
[[gnu::always_inline]] inline void open_call_frame(const Cell& callable, const Cell& named) {
    if (callable.is(Type::function)) {
        const auto fn = as_function(callable);
        frame::open_interp_function(named, fn.context);
        const Cell& owner = cells(fn.record)[function::record::second];
        if (owner.is(Type::integer)) frame::top()->word_context = static_cast<Node>(as_integer(owner).value);
    } else {
        frame::open_interp_native(named);
    }
}

// The running call: what argument fetching needs to fetch, check and report.
struct Call {
    const Cell& callable;
    const Cell& name;
    const Code& code;
    u32 modes;
    bool infix;
    u32 parameter = 0;  // position in its spec block of the parameter being fetched
    u32 start = 0;      // the position of the callable's cell, for the tracer
};

[[noreturn]] void expect_arg(const Call& call, const Cell& value) {
    const Cell type = datatype::of(value.type());
    const Cell parameter = parameter_word(call.callable, call.parameter);
    raise(ErrorId::script_expect_arg, &call.name, &type, &parameter);
}

// Fetches one argument by its cache entry: pushes it and returns the position after it.
template <bool checked>
u32 fetch_one(const Call& call, const Cell& entry, u32 index) {
    const u32 kind = spec_cache::kind_of(entry);
    Buffer* const b = buffer(call.code.node);
    if (index >= tail_in(b, call.code)) {
        if (call.modes & mode::apply) stack::push(none_cell);
        else if (kind == spec_cache::kind::literal && spec_cache::accepts(entry, Type::unset)) stack::push(unset_cell);
        else {
            const Cell parameter = parameter_word(call.callable, call.parameter);
            raise(ErrorId::script_no_arg, &call.name, &parameter);
        }
    } else if (kind == spec_cache::kind::evaluated) {
        Code code = call.code;
        if (call.modes & mode::single) code.end = index + 1;
        // An argument whose value is at hand is pushed as evaluating it would, and goes
        // on with the operators after it.
        if (const Cell* value = tracing<checked>() ? nullptr : quick_value(items_of(b)[index])) {
            Cell* const left = stack::push(*value);
            ++index;
            if (!call.infix) index = infix_lookahead<checked>(code, index, left);
        } else {
            index = eval_expr<checked>(code, index, call.infix);
        }
    } else {
        const Cell item = items_of(b)[index++];
        emit<checked>(trace::event::fetch, call.code.node, index - 1, &item);
        if (kind == spec_cache::kind::literal && item.is(Type::paren)) {
            run_block<checked>(item, false);
        } else if (kind == spec_cache::kind::literal && item.is(Type::get_word)) {
            stack::push(*word_slot(item));
        } else if (kind == spec_cache::kind::literal && item.is(Type::get_path)) {
            eval_path_in<checked>(item, call.code, index, PathMode::get);
        } else {
            stack::push(item);
        }
    }
    if (exits::exiting) return index;
    if (!spec_cache::accepts(entry, stack::top_cell()->type())) expect_arg(call, *stack::top_cell());
    return index;
}

// The cache index of the refinement named like `name`, or 0.
ZEL_HOT_INLINE u32 find_refinement(Node cache, const Cell& name) {
    const u32 wanted = symbol::canonical_id(as_word(name).symbol);
    const u32 n = length(cache);
    for (u32 k = 1; k < n; ++k) {
        const Cell& entry = cells(cache)[k];
        if (entry.is(Type::refinement) && as_refinement(entry).symbol == wanted) return k;
    }
    return 0;
}

// The refinements a call names: the elements of its path after the callable's; in
// refinements mode the refinement! cells of the apply block, each followed by an
// expression deciding whether it is used; in apply mode alone every refinement of the
// spec in order, each used by the truth of the block's next value (unused past its end).
template <bool checked>
class RefinementSource {
public:
    RefinementSource(const PathCall* path, Call& call, u32& index, Node cache, u32 first)
        : path_(path), call_(call), index_(index), cache_(cache), next_(first) {
        if (path) next_ = path->index + 1;
    }

    // The next refinement's name and whether it is used; false at the end of the list.
    bool next(Cell& name, bool& used) {
        if (path_) {
            const Node elements = as_series(path_->path).node;
            if (next_ >= length(elements)) return false;
            const Cell element = cells(elements)[next_];
            if (element.is(Type::word)) {
                name = element;
                used = true;
            } else if (element.is(Type::get_word)) {
                name = element;
                used = truthy(*word_slot(element));
            } else if (!processed_) {
                return false;
            } else {
                raise(ErrorId::script_bad_refine, &element);
            }
            ++next_;
            processed_ = true;
            return true;
        }
        if ((call_.modes & mode::apply) && !(call_.modes & mode::refinements)) return next_in_spec(name, used);
        if (!(call_.modes & mode::refinements) || index_ >= tail_of(call_.code)) return false;
        const Cell element = cells(call_.code.node)[index_];
        if (!element.is(Type::refinement)) raise(ErrorId::script_bad_refine, &element);
        name = element;
        index_ = eval_expr<checked>(call_.code, index_ + 1, false);
        if (exits::exiting) return false;
        used = truthy(*stack::top_cell());
        stack::drop(1);
        return true;
    }

private:
    bool next_in_spec(Cell& name, bool& used) {
        const u32 n = length(cache_);
        while (next_ < n && !cells(cache_)[next_].is(Type::refinement)) ++next_;
        if (next_ >= n) return false;
        name = cells(cache_)[next_++];
        used = false;
        if (index_ >= tail_of(call_.code)) return true;
        Code code = call_.code;
        if (call_.modes & mode::single) code.end = index_ + 1;
        index_ = eval_expr<checked>(code, index_, false);
        if (exits::exiting) return false;
        used = truthy(*stack::top_cell());
        stack::drop(1);
        return true;
    }

    const PathCall* path_;
    Call& call_;
    u32& index_;
    Node cache_;
    u32 next_;
    bool processed_ = false;
};

// Fetches the arguments of a refinement's `count` parameters (cache entries after `k`) onto
// the top of the stack; in apply mode an unused refinement's arguments are skipped.
template <bool checked>
u32 fetch_refinement_args(Call& call, Node cache, u32 k, u32 count, bool used, u32 index) {
    for (u32 a = 1; a <= count; ++a) {
        call.parameter = k + a - 1;
        // An unused refinement's argument in apply mode is none: with `single` its cell
        // is skipped unevaluated, else its expression is evaluated and dropped.
        if (!used && (call.modes & (mode::apply | mode::single))) {
            if (call.modes & mode::single) {
                ++index;
            } else if (index < tail_of(call.code)) {
                index = eval_expr<checked>(call.code, index, false);
                if (exits::exiting) return index;
                stack::drop(1);
            }
            stack::push(none_cell);
            continue;
        }
        const Cell entry = cells(cache)[k + a];
        index = fetch_one<checked>(call, entry, index);
        if (exits::exiting) return index;
    }
    return index;
}

// Calls a native or action whose arguments are in place, with its refinement table.
[[gnu::always_inline]] inline void call_numbered(const Cell& callable, const i32* refs) {
    // Native resources it makes are kept until it returns, stored or not.
    const resource::NativeCall running;
    if (callable.is(Type::native)) {
        const native::Entry entry = native::table[callable.w1];
        if (!entry) raise(ErrorId::internal_not_done);
        if (native::passes_exits[callable.w1]) {
            entry(refs);
        } else {
            const exits::Opaque opaque;
            entry(refs);
        }
    } else {
        action::call(callable.w1 + 1, refs);
    }
}

// The refinement table of a native or action call that uses none of its refinements (a
// callable without any reads no entry; one with up to small_refinements reads theirs).
constexpr i32 unused_refinements[small_refinements] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                                        -1, -1, -1, -1, -1, -1, -1, -1};

// The arguments of a call by a word (no apply modes, not infix) whose parameters are all
// evaluated: each is one expression where it stands, then a type test, which for
// parameters that all take any type (`any_type`) is a test that the value is set. Any other
// case of a parameter (the code's tail), and every error, is left to the generic fetch.
template <bool checked>
u32 fetch_evaluated(Call& call, Node cache, u32 count, u32 index, bool any_type) {
    const Code& code = call.code;
    for (u32 k = 1; k <= count; ++k) {
        Buffer* const b = buffer(code.node);
        const u32 tail = tail_in(b, code);
        if (index >= tail) {
            call.parameter = k - 1;
            index = fetch_one<checked>(call, cells(cache)[k], index);
        } else if (const Cell* value = quick_value(items_of(b)[index])) {
            Cell* const left = stack::push(*value);
            index = lookahead_in<checked>(code, items_of(b), tail, index + 1, left);
        } else {
            index = eval_expr<checked>(code, index);
        }
        if (exits::exiting) return index;
        const Cell& argument = stack::top[-1];
        if (any_type ? argument.is(Type::unset) : !spec_cache::accepts(cells(cache)[k], argument.type())) {
            call.parameter = k - 1;
            expect_arg(call, argument);
        }
    }
    return index;
}

// Fills the argument frame of a plain spec: its mandatory parameters, in one walk of the
// cache; then calls a native or action, or pushes a function's locals.
template <bool checked>
u32 fetch_plain(Call& call, Node cache, const Cell& info, u32 index) {
    const u32 count = as_info(info).mandatory;
    u32 k = 1;
    if (!call.modes && !call.infix && !tracing<checked>() && spec_cache::all_evaluated(info)) {
        index = fetch_evaluated<checked>(call, cache, count, index, caches_on && spec_cache::takes_any_type(info));
        if (exits::exiting) return index;
        k = count + 1;
    } else if (call.infix && count) {
        const Cell entry = cells(cache)[1];
        if (!spec_cache::accepts(entry, stack::base->type())) expect_arg(call, *stack::base);
        k = 2;
    }
    for (; k <= count; ++k) {
        call.parameter = k - 1;
        const Cell entry = cells(cache)[k];
        index = fetch_one<checked>(call, entry, index);
        if (exits::exiting) return index;
    }
    const Cell& callable = call.callable;
    emit<checked>(trace::event::call, call.code.node, call.start, nullptr, &call.name);
    if (callable.is(Type::native) || callable.is(Type::action)) call_numbered(callable, unused_refinements);
    else if (callable.is(Type::function)) push_locals(as_info(info).locals);
    return index;
}

// Fills the argument frame by the callee's spec cache and, for a native or action, calls
// it. Returns the position after the arguments.
template <bool checked>
u32 fetch_arguments(Call& call, const PathCall* path, u32 index) {
    const Cell& callable = call.callable;
    const Node cache = spec_cache::of(callable);
    const Cell info = cells(cache)[0];
    if (!path && spec_cache::is_plain(info)) return fetch_plain<checked>(call, cache, info, index);
    const bool numbered = callable.is(Type::native) || callable.is(Type::action);

    // Mandatory parameters; in infix mode the left operand is argument 0, already in place.
    u32 k = 1;
    u32 spec_position = 0;
    const u32 n = length(cache);
    for (; k < n; ++k) {
        const Cell entry = cells(cache)[k];
        if (entry.is(Type::refinement)) break;
        if (spec_cache::kind_of(entry) == spec_cache::kind::return_type) continue;
        call.parameter = spec_position++;
        if (call.infix && k == 1) {
            if (!spec_cache::accepts(entry, stack::base->type())) expect_arg(call, *stack::base);
            continue;
        }
        index = fetch_one<checked>(call, entry, index);
        if (exits::exiting) return index;
    }

    i32 small[small_refinements];
    std::vector<i32> large;
    i32* refs = small;
    const u32 refinement_count = as_info(info).refinements;
    if (numbered) {
        if (refinement_count > small_refinements) {
            large.resize(refinement_count);
            refs = large.data();
        }
        for (u32 r = 0; r < refinement_count; ++r) refs[r] = -1;
    } else {
        for (u32 j = k; j < n; ++j) {
            const Cell entry = cells(cache)[j];
            if (entry.is(Type::refinement)) stack::push(false_cell);
            else if (spec_cache::kind_of(entry) != spec_cache::kind::return_type) stack::push(none_cell);
        }
    }

    if (refinement_count || path) {
        RefinementSource<checked> source(path, call, index, cache, k);
        Cell name;
        bool used = false;
        while (source.next(name, used)) {
            const u32 at = find_refinement(cache, name);
            if (!at) raise(ErrorId::script_no_refine, &call.name, &name);
            const Cell entry = cells(cache)[at];
            const u32 count = as_refinement(entry).parameters;
            if (numbered) {
                i32& flag = refs[as_refinement(entry).slot - 1];
                if (flag >= 0) raise(ErrorId::script_dup_refine, &name);
                Cell* const first = stack::top;
                index = fetch_refinement_args<checked>(call, cache, at, count, used, index);
                if (exits::exiting) return index;
                if (used) flag = static_cast<i32>(first - stack::base);
                else stack::top = first;
            } else {
                Cell* const slot = stack::base + as_refinement(entry).slot;
                if (as_logic(*slot).value) raise(ErrorId::script_dup_refine, &name);
                // The arguments are fetched on top, where their evaluation cannot overwrite
                // the slots of refinements fetched before, then moved into place.
                Cell* const first = stack::top;
                index = fetch_refinement_args<checked>(call, cache, at, count, used, index);
                if (exits::exiting) return index;
                if (used) {
                    *slot = true_cell;
                    for (u32 a = 0; a < count; ++a) slot[1 + a] = first[a];
                }
                stack::top = first;
            }
        }
        if (exits::exiting) return index;
    }

    emit<checked>(trace::event::call, call.code.node, call.start, nullptr, &call.name);
    if (numbered) {
        call_numbered(callable, refs);
    } else if (callable.is(Type::function)) {
        push_locals(as_info(info).locals);
    }
    return index;
}

// Operators that integer (and, for arithmetic, float) operands compute on the spot: the
// arithmetic actions by slot and the comparison natives by index, their identities. Their
// positions in `inlines` number them for the operator memo below.
struct Inline {
    bool arithmetic;
    ArithOp op;
    i32 compare;
    u32 slot;  // the action slot of an arithmetic one
};

constexpr u32 arithmetic_inlines = 6;
constexpr Inline inlines[] = {
    {true, ArithOp::add, 0, action::slot_number<&ActionRow::on_add>},
    {true, ArithOp::multiply, 0, action::slot_number<&ActionRow::on_multiply>},
    {true, ArithOp::subtract, 0, action::slot_number<&ActionRow::on_subtract>},
    {true, ArithOp::and_, 0, action::slot_number<&ActionRow::on_and_>},
    {true, ArithOp::or_, 0, action::slot_number<&ActionRow::on_or_>},
    {true, ArithOp::xor_, 0, action::slot_number<&ActionRow::on_xor_>},
    {false, ArithOp::add, compare_code::equal, 0},
    {false, ArithOp::add, compare_code::not_equal, 0},
    {false, ArithOp::add, compare_code::strict_equal, 0},
    {false, ArithOp::add, compare_code::lesser, 0},
    {false, ArithOp::add, compare_code::greater, 0},
    {false, ArithOp::add, compare_code::lesser_or_equal, 0},
    {false, ArithOp::add, compare_code::greater_or_equal, 0},
};
constexpr u32 inline_count = std::size(inlines);
// The comparison natives, in the order of their entries above, from this native index on.
constexpr u32 first_comparison = 25;

// The inline operator of each action slot (its position in `inlines` + 1), 0 for the others.
constexpr std::array<u8, action::slot_count + 1> action_inlines = [] {
    std::array<u8, action::slot_count + 1> by_slot{};
    for (u32 i = 0; i < arithmetic_inlines; ++i) by_slot[inlines[i].slot] = static_cast<u8>(i + 1);
    return by_slot;
}();

// The inline operator an op! computes, read from the callable type it wraps and its
// index; null for any other operator.
inline const Inline* inline_of(const Cell& op) {
    const u32 slot = as_native(op).index + 1;
    switch ((op.header & cellflag::op_wrapped_type) >> 16) {
    case static_cast<u32>(Type::action):
        return slot < action_inlines.size() && action_inlines[slot] ? &inlines[action_inlines[slot] - 1] : nullptr;
    case static_cast<u32>(Type::native): {
        const u32 k = slot - first_comparison;
        return k < inline_count - arithmetic_inlines ? &inlines[arithmetic_inlines + k] : nullptr;
    }
    default: return nullptr;
    }
}

// What computing an operator on the spot needs, decided once per op! value rather than per
// operation: the inline operation it names, whether its spec is two evaluated parameters
// and nothing else, and their typesets. An entry is found by the op!'s record node and
// holds while the op! cell is the same and no collection has run since it was made (a
// record node is only reused after a collection).
struct OperatorSpec {
    Cell op{};  // the op! cell it was made from
    u32 collections = 0;
    const Inline* how = nullptr;
    bool binary = false;
    bool numbers = false;  // the right operand may be any integer! or float!
    Cell left{};
    Cell right{};
};
constexpr u32 operator_memo_size = 64;
OperatorSpec operator_specs[operator_memo_size];

// As two 64-bit halves, which the compiler keeps inline where a memcmp may become a
// library call.
inline bool same_cell(const Cell& a, const Cell& b) {
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, &a, 8);
    std::memcpy(&a1, reinterpret_cast<const char*>(&a) + 8, 8);
    std::memcpy(&b0, &b, 8);
    std::memcpy(&b1, reinterpret_cast<const char*>(&b) + 8, 8);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

// Fills the entry of `op` (its slot in the memo) and answers it, or null for any other
// operator and while its spec cache is not built. Allocates nothing.
[[gnu::noinline]] const OperatorSpec* fill_operator_spec(OperatorSpec& spec, const Cell& op, u32 collections) {
    const Inline* how = inline_of(op);
    const Node cache = how ? spec_cache::built(op) : 0;
    if (how && !cache) return nullptr;
    // With the caches off the entry keeps a cell no op! equals, so that it never matches.
    spec.op = caches_on ? op : unset_cell;
    spec.collections = collections;
    spec.how = how;
    if (!how) return nullptr;
    const Cell* entries = cells(cache);
    spec.binary = length(cache) == 3 && as_info(entries[0]).mandatory == 2 &&
                  spec_cache::kind_of(entries[2]) == spec_cache::kind::evaluated;
    spec.numbers = spec.binary && spec_cache::accepts(entries[2], Type::integer) &&
                   spec_cache::accepts(entries[2], Type::float_);
    if (spec.binary) {
        spec.left = entries[1];
        spec.right = entries[2];
    }
    return &spec;
}

// The entry of an inline operator, or null for any other operator and while its spec cache
// is not built. Allocates nothing.
[[gnu::always_inline]] inline const OperatorSpec* operator_spec(const Cell& op) {
    OperatorSpec& spec = operator_specs[as_callable(op).record % operator_memo_size];
    const u32 collections = gc::collection_count();
    if (same_cell(spec.op, op) && spec.collections == collections) return spec.how ? &spec : nullptr;
    return fill_operator_spec(spec, op, collections);
}

inline bool is_number(const Cell& c) { return c.is(Type::integer) || c.is(Type::float_); }

// Whether the evaluation and frame stacks have room for the call a shortcut skips; without
// it the call's path is taken, so that an overflow fails the same way.
// While tracing, the call is taken for its events.
template <bool checked>
inline bool call_room() {
    return !tracing<checked>() && stack::end - stack::top >= 2 && frame::top_ != frame::records + frame::capacity;
}

// `left op right` computed on the spot into `left`, when the operator is inline, its spec
// takes both operands and their types have a fast path. Nothing can observe the call that is
// skipped: taking `right` did nothing, and the computation neither allocates nor fails.
// False, with `left` unchanged, for the call's path. The caller has checked call_room().
[[gnu::always_inline]] inline bool quick_operator(const Cell& op, const Cell& right, Cell& left) {
    if (!is_number(right)) return false;
    const OperatorSpec* spec = operator_spec(op);
    if (!spec || !spec->binary || !(spec->numbers || spec_cache::accepts(spec->right, right.type()))) return false;
    const Inline& how = *spec->how;
    Cell out;
    bool truth = false;
    if (how.arithmetic) {
        if (!action::arith_core(how.op, left, right, out)) return false;
        left = out;
        return true;
    }
    if (!action::compare_core(how.compare, left, right, truth)) return false;
    left = truth ? true_cell : false_cell;
    return true;
}

using native::unwrapped;

// An infix call of an inlinable operator (the op! cell): its frame is opened and its right
// operand fetched as for any call, then two operands the fast paths take are computed in
// place; others go through their spec's type checks to the operator's entry.
template <bool checked>
u32 call_operator(const Cell& op, const Inline& how, const Code& code, u32 index, const Cell& word, Cell* left) {
    const Cell callable = unwrapped(op);
    spec_cache::of(callable);
    const OperatorSpec& spec = *operator_spec(op);
    if (!spec.binary) return call_value_in<checked>(callable, code, index, word, nullptr, 0, true);
    // Copies: evaluating the right operand may make another entry in the memo's place.
    const Cell left_entry = spec.left;
    const Cell right_entry = spec.right;
    frame::open_interp_native(word);
    stack::base = left;
    Call call{callable, word, code, 0, true, 1};
    index = fetch_one<checked>(call, right_entry, index);
    if (exits::exiting) return index;
    Cell out;
    bool truth = false;
    if (how.arithmetic && action::arith_core(how.op, left[0], left[1], out)) {
        *left = out;
    } else if (!how.arithmetic && action::compare_core(how.compare, left[0], left[1], truth)) {
        *left = truth ? true_cell : false_cell;
    } else {
        call.parameter = 0;
        if (!spec_cache::accepts(left_entry, left->type())) expect_arg(call, *left);
        call_numbered(callable, unused_refinements);
    }
    frame::close();
    return index;
}

// Where a run of operators computed on the spot stopped: at `index`, on an operator that
// needs a call (its value in `op`) or on a cell that is no operator (`op` null).
struct QuickStop {
    u32 index;
    const Cell* op;
};

// The op! value of the operator word at `index`, or null (also at the code's tail).
[[gnu::always_inline]] inline const Cell* op_at(const Code& code, u32 index) {
    Buffer* const b = buffer(code.node);
    return index < tail_in(b, code) ? op_value(items_of(b)[index]) : nullptr;
}

// Operators computed on the spot, over the value `left`, from the operator word at `index`
// whose value is `op`; `b` is the code's buffer, read since the last evaluation. The caller
// has checked call_room().
ZEL_HOT_INLINE QuickStop quick_operators(const Code& code, Buffer* b, u32 index, const Cell* op, Cell& left) {
    const u32 tail = tail_in(b, code);
    const Cell* const items = items_of(b);
    for (;;) {
        const Cell* right = index + 1 < tail ? quick_value(items[index + 1]) : nullptr;
        if (!right || !quick_operator(*op, *right, left)) return {index, op};
        index += 2;
        if (index >= tail || !(op = op_value(items[index]))) return {index, nullptr};
    }
}

// The operators from the one at `index` (its value `op`), which needs a call, with the value
// at `left` as the left operand of the first; those after it are computed on the spot
// where they can be.
template <bool checked>
[[gnu::noinline]] u32 called_operators(const Code& code, u32 index, const Cell* op, Cell* left) {
    for (;;) {
        const Cell value = *op;
        const Cell word = cells(code.node)[index];
        stack::top = left + 1;
        const Inline* how = inline_of(value);
        if (how && !tracing<checked>() && index + 1 < tail_of(code))
            index = call_operator<checked>(value, *how, code, index + 1, word, left);
        else index = call_value_in<checked>(unwrapped(value), code, index + 1, word, nullptr, 0, true);
        if (exits::exiting || !(op = op_at(code, index))) return index;
        if (call_room<checked>()) {
            const QuickStop stop = quick_operators(code, buffer(code.node), index, op, *left);
            if (!stop.op) return stop.index;
            index = stop.index;
            op = stop.op;
        }
    }
}

// The infix look-ahead: while an operator word follows (the first at `index`, whose value
// is `op`), calls it with the value at `left` as its left operand. Operators that are all
// computed on the spot return here, without the registers and stack room a call takes.
template <bool checked>
u32 operators_after(const Code& code, u32 index, const Cell* op, Cell* left) {
    if (call_room<checked>()) {
        const QuickStop stop = quick_operators(code, buffer(code.node), index, op, *left);
        if (!stop.op) return stop.index;
        index = stop.index;
        op = stop.op;
    }
    return called_operators<checked>(code, index, op, left);
}

// Most expressions are followed by no operator: that is decided here, before the
// operators' loop.
template <bool checked>
ZEL_HOT_INLINE u32 infix_lookahead(const Code& code, u32 index, Cell* left) {
    const Cell* op = op_at(code, index);
    return op ? operators_after<checked>(code, index, op, left) : index;
}

// The look-ahead after a value taken without running anything, from the code's cells and
// limit read before it was taken.
template <bool checked>
ZEL_HOT_INLINE u32 lookahead_in(const Code& code, const Cell* items, u32 tail, u32 index, Cell* left) {
    const Cell* op = index < tail ? op_value(items[index]) : nullptr;
    return op ? operators_after<checked>(code, index, op, left) : index;
}

// `word: value`. A value that comes without a call and is stored straight into its slot
// needs no frame: nothing runs that could see one. Then no operator follows (the
// expression ended before one, and storing a value that is no op! makes none), which
// `stored` tells. When the quick start of the expression meets an operator that needs a
// call, or the word's store is not direct, the evaluation goes on from where it got to in
// the set-word's frame, as if it had run in it from the start.
template <bool checked>
[[gnu::always_inline]] inline u32 eval_set_word(const Code& code, const Cell& target, u32 index, bool& stored) {
    Cell value;
    QuickStop quick{0, nullptr};
    if (call_room<checked>()) {
        Buffer* const b = buffer(code.node);
        const u32 tail = tail_in(b, code);
        if (const Cell* first = index < tail ? quick_value(items_of(b)[index]) : nullptr) {
            value = *first;
            const Cell* op = index + 1 < tail ? op_value(items_of(b)[index + 1]) : nullptr;
            quick = op ? quick_operators(code, b, index + 1, op, value) : QuickStop{index + 1, nullptr};
            Cell* const slot = quick.op ? nullptr : direct_slot(target);
            if (slot && !value.is(Type::unset)) {
                *slot = value;
                stack::push(value);
                stored = true;
                return quick.index;
            }
        }
    }
    if (!quick.index && index >= tail_of(code)) raise(ErrorId::script_need_value, &target);
    frame::open_interp_native(target);
    stack::push(target);
    if (quick.index) {
        stack::push(value);
        index = quick.op ? called_operators<checked>(code, quick.index, quick.op, stack::base + 1) : quick.index;
    } else {
        index = eval_expr<checked>(code, index);
    }
    if (exits::exiting) return index;
    value = stack::base[1];
    if (value.is(Type::unset)) raise(ErrorId::script_need_value, &target);
    set_word(stack::base[0], value);
    stack::base[0] = value;
    emit<checked>(trace::event::set, code.node, index, &value, &target);
    frame::close();
    return index;
}

// A word whose value is neither plain nor callable: unset or an operator without its left
// operand. Kept out of eval_expression so that its common paths stay small.
[[noreturn, gnu::noinline]] void word_value_error(const Cell& word, const Cell& value) {
    if (value.is(Type::unset)) raise(ErrorId::script_no_value, &word);
    raise(ErrorId::script_no_op_arg, &word);
}

// `path: value`.
template <bool checked>
u32 eval_set_path(const Code& code, const Cell& path, u32 index) {
    if (index >= tail_of(code)) raise(ErrorId::script_need_value, &path);
    frame::open_interp_native(*words::tag_body);
    index = eval_expr<checked>(code, index);
    if (exits::exiting) return index;
    const Cell value = stack::base[0];
    eval_path_in<checked>(path, code, index, PathMode::set, &value);
    if (exits::exiting) return index;
    stack::base[0] = value;
    emit<checked>(trace::event::set, code.node, index, &value, &path);
    frame::close();
    return index;
}

bool names_system(const Cell& issue) {
    const u32 name = symbol::canonical_id(as_word(issue).symbol);
    return name == symbol::canonical_id(sym::system) || name == symbol::canonical_id(sym::system_global);
}

// Whether the expression starting with the code cell gave its value without a call or an
// assignment: the tracer reports it as pushed.
bool produces_value(const Cell& item) {
    switch (item.type()) {
    case Type::word: return plain_value(word_slot(item)->type());
    case Type::get_word:
    case Type::lit_word:
    case Type::lit_path:
    case Type::issue: return true;
    default: return self_evaluating(item.type());
    }
}

void eval_block_into(const Cell& block, Cell& result) {
    const exits::Opaque opaque;
    eval_block(block, false);
    result = *stack::top_cell();
    stack::drop(1);
}

// The call_with of a callback that tracing may see: framed by call and return events.
void call_in_frame(const Cell& fn, const Cell& named, const Cell* args, u32 count) {
    const Node cache = spec_cache::of(fn);
    const Cell info = cells(cache)[0];
    if (fn.is(Type::function)) frame::open_interp_function(named, as_function(fn).context);
    else frame::open_interp_native(named);
    const u32 frame_index = frame::depth() - 1;
    bool past_mandatory = false;
    u32 given = 0;
    u32 parameter = 0;
    for (u32 k = 1; k < length(cache); ++k) {
        const Cell entry = cells(cache)[k];
        past_mandatory |= entry.is(Type::refinement);
        if (spec_cache::kind_of(entry) == spec_cache::kind::return_type && !entry.is(Type::refinement)) continue;
        if (past_mandatory) {
            stack::push(entry.is(Type::refinement) ? false_cell : none_cell);
            continue;
        }
        const Cell value = given < count ? args[given++] : none_cell;
        // unset! stands for "no value" in what the runtime hands over (the old value of a
        // field set for the first time), and passes whatever the parameter's types.
        if (!value.is(Type::unset) && !spec_cache::accepts(entry, value.type())) {
            const Cell type = datatype::of(value.type());
            const Cell word = parameter_word(fn, parameter);
            raise(ErrorId::script_expect_arg, &named, &type, &word);
        }
        stack::push(value);
        ++parameter;
    }
    if (fn.is(Type::function)) {
        push_locals(as_info(info).locals);
        call_function(fn, frame_index);
        frame::close_function();
    } else {
        call_routine(fn);
        frame::close();
    }
}

}  // namespace

void call_with(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 callback_class, Cell& result) {
    const exits::Opaque opaque;
    std::optional<trace::CallbackScope> scope;
    if (trace::state.installed) scope.emplace(callback_class);
    Cell* const start = stack::top;
    const Cell fn = function;
    stack::push(fn);
    const Cell named = word_named(name);
    trace::emit(trace::event::call, 0, 0, nullptr, &named);
    call_in_frame(fn, named, args, count);
    result = *stack::top_cell();
    stack::top = start;
    trace::emit(trace::event::return_, 0, 0, &result, &named);
}

void init() {
    position = series_buffer::append_cell(roots::block());
    *position = unset_cell;
    const char* no_cache = std::getenv("ZEL_NO_CACHE");
    caches_on = !(no_cache && *no_cache && std::strcmp(no_cache, "0") != 0);
    const platform::StackBounds bounds = platform::main_stack();
    native_limit = bounds.low ? bounds.low + native_reserve : 0;
    hooks::eval_block = eval_block_into;
    hooks::call_function = call_with;
    trace::init();
    hooks::form_call_trace = frame::form_call_trace;
}

namespace {

// A block's evaluation. The `watched` form, taken while tracing runs, in library code or
// for a library block, emits the events and leaves the current position alone in library
// code: there it stays where the user's code called it, so that an error names the
// user's code.
template <bool checked, bool watched>
[[gnu::always_inline]] inline void block_run(const Cell& block, bool to_result, bool library) {
    PositionGuard guard;
    frame::open_eval(*words::tag_body);
    const Node n = as_series(block).node;
    u32 index = as_series(block).index;
    if constexpr (watched) emit<checked>(trace::event::enter, n, index);
    if (index >= length(n)) {
        stack::push(unset_cell);
    } else {
        if (!watched || !library) *position = block_cell(n, index);
        const Code code{n};
        for (;;) {
            if (!watched || !library) as_series(*position).index = index;
            stack::top = stack::base;
            index = eval_expr<checked>(code, index);
            if (exits::exiting) return;
            if (index >= length(n)) break;
        }
    }
    if constexpr (watched) emit<checked>(trace::event::exit, n, index, stack::top_cell());
    if (to_result) frame::close_return();
    else frame::close();
}

// A block of library code, or of the user's code while library code runs, sets the
// tracing state for its run.
[[gnu::noinline]] void watched_block(const Cell& block, bool to_result) {
    const bool library = buffer(as_series(block).node)->flags & bufferflag::library_code;
    if (library == trace::state.in_library) {
        block_run<true, true>(block, to_result, library);
        return;
    }
    const trace::CodeScope scope(library);
    block_run<true, true>(block, to_result, library);
}

// A library block run while no callback is installed: the current position is left alone.
[[gnu::noinline]] void plain_library_block(const Cell& block, bool to_result) {
    block_run<false, true>(block, to_result, true);
}

template <bool checked>
void run_block(const Cell& block, bool to_result) {
    if constexpr (checked) {
        if (trace::watching || (buffer(as_series(block).node)->flags & bufferflag::library_code)) [[unlikely]]
            watched_block(block, to_result);
        else
            block_run<true, false>(block, to_result, false);
    } else {
        if (buffer(as_series(block).node)->flags & bufferflag::library_code) [[unlikely]]
            plain_library_block(block, to_result);
        else
            block_run<false, false>(block, to_result, false);
    }
}

// Runs a function or routine whose arguments are in place in its frame (a native or action
// ran when its arguments were fetched) and closes the frame; false while an exit is in flight.
template <bool checked>
[[gnu::always_inline]] inline bool run_and_close(const Cell& callable, u32 frame_index) {
    if (callable.is(Type::function)) {
        call_function_in<checked>(callable, frame_index);
        if (exits::exiting) return false;
        frame::close_function();
    } else {
        if (callable.is(Type::routine)) call_routine(callable);
        frame::close();
    }
    return true;
}

// call_value for a call by a word. A function! whose parameters are all evaluated, or a
// native! or action! whose mandatory ones are (its refinements then unused), has its
// arguments fetched by the decisions its parameter block's cache took once for the callable; any
// other callable, and every call while tracing, takes the generic fetch. Both ways run in
// this one native frame, so that a recursion overflows the native stack at the same depth
// whichever way its calls went.
template <bool checked>
u32 call_by_word(const Cell& callable_in, const Code& code, u32 index, const Cell& word) {
    check_native_stack();
    const Cell callable = callable_in;
    Cell* const slot = stack::top;
    emit<checked>(trace::event::open, code.node, index - 1, &word);
    stack::push(callable);
    open_call_frame(callable, word);
    const u32 frame_index = frame::depth() - 1;
    Call call{callable, word, code, 0, false};
    call.start = index - 1;
    const Node cache = spec_cache::of(callable);
    const Cell info = cells(cache)[0];
    const bool function = callable.is(Type::function);
    const bool plain = spec_cache::all_evaluated(info);
    if (!tracing<checked>() && caches_on && !callable.is(Type::routine) &&
        (plain || (!function && spec_cache::leads_evaluated(info) && as_info(info).refinements <= small_refinements))) {
        index = fetch_evaluated<checked>(call, cache, as_info(info).mandatory, index,
                                         plain && spec_cache::takes_any_type(info));
        if (exits::exiting) return index;
        emit<checked>(trace::event::call, code.node, call.start, nullptr, &word);
        if (function) push_locals(as_info(info).locals);
        else call_numbered(callable, unused_refinements);
    } else {
        index = fetch_arguments<checked>(call, nullptr, index);
    }
    if (exits::exiting || !run_and_close<checked>(callable, frame_index)) return index;
    slot[0] = slot[1];
    stack::top = slot + 1;
    emit<checked>(trace::event::return_, code.node, index, stack::top_cell(), &word);
    return index;
}

// One expression; the `traced` form (of the checked form only) emits its events.
template <bool checked, bool traced>
[[gnu::always_inline]] inline u32 expression(const Code& code, u32 index, bool infix, bool literal_callables) {
    Cell* const start = stack::top;
    const u32 first = index;
    Buffer* const b = buffer(code.node);
    const Cell item = items_of(b)[index++];
    if constexpr (traced) trace::pass(trace::event::fetch, code.node, first, &item, nullptr);
    switch (item.type()) {
    case Type::word: {
        const Cell* value = word_slot(item);
        if (plain_value(value->type())) {
            stack::push(*value);
            // Nothing ran: the code's cells read above are still those to look ahead in.
            if constexpr (!traced) {
                if (infix) return index;
                return lookahead_in<checked>(code, items_of(b), tail_in(b, code), index, start);
            }
        } else if (is_callable(value->type())) index = call_by_word<checked>(*value, code, index, item);
        else word_value_error(item, *value);
        break;
    }
    case Type::set_word: {
        bool stored = false;
        index = eval_set_word<checked>(code, item, index, stored);
        if (stored) return index;
        break;
    }
    case Type::get_word: stack::push(*word_slot(item)); break;
    case Type::lit_word: {
        Cell word = item;
        stack::push(*cell::set_type(&word, Type::word));
        break;
    }
    case Type::paren: run_block<checked>(item, false); break;
    case Type::issue:
        if (index < tail_of(code) && cells(code.node)[index].is(Type::block) && names_system(item))
            raise(ErrorId::internal_zel_system);
        stack::push(item);
        break;
    case Type::path: index = eval_path_in<checked>(item, code, index, PathMode::plain); break;
    case Type::lit_path: {
        Cell path = item;
        as_series(*cell::set_type(&path, Type::path)).extra = 0;
        stack::push(path);
        break;
    }
    case Type::set_path: index = eval_set_path<checked>(code, item, index); break;
    case Type::get_path: index = eval_path_in<checked>(item, code, index, PathMode::get); break;
    case Type::native:
    case Type::action:
    case Type::function:
    case Type::routine:
        if (literal_callables) stack::push(item);
        else index = call_value_in<checked>(item, code, index, *words::tag_anon);
        break;
    case Type::op: raise(ErrorId::internal_not_done);
    default: stack::push(item);
    }
    if constexpr (traced) {
        if (exits::exiting) return index;
        if (produces_value(item)) trace::pass(trace::event::push, code.node, first, start, nullptr);
    }
    if (!infix) index = infix_lookahead<checked>(code, index, start);
    if constexpr (traced) {
        if (!infix && !exits::exiting) trace::pass(trace::event::expr, code.node, first, start, nullptr);
    }
    return index;
}

[[gnu::noinline]] u32 traced_expression(const Code& code, u32 index, bool infix, bool literal_callables) {
    return expression<true, true>(code, index, infix, literal_callables);
}

// One expression of the evaluator's own (where a callable met is always called).
template <bool checked>
u32 eval_expr(const Code& code, u32 index, bool infix) {
    if constexpr (checked) {
        if (trace::active) [[unlikely]]
            return traced_expression(code, index, infix, false);
    }
    return expression<checked, false>(code, index, infix, false);
}

template <bool checked>
u32 call_value_in(const Cell& callable_in, const Code& code, u32 index, const Cell& name, const PathCall* path,
                  u32 modes, bool infix) {
    check_native_stack();
    const Cell callable = callable_in;
    Cell* const slot = stack::top;
    const Cell named = word_named(name);
    // The callable's cell (word, path, operator) is the one before its arguments.
    emit<checked>(trace::event::open, code.node, index - 1, &named);
    if (!infix) stack::push(callable);
    open_call_frame(callable, named);
    if (infix) stack::base = stack::top - 1;
    const u32 frame_index = frame::depth() - 1;
    Call call{callable, named, code, modes, infix};
    call.start = index - 1;
    index = fetch_arguments<checked>(call, path, index);
    if (exits::exiting || !run_and_close<checked>(callable, frame_index)) return index;
    if (!infix) {
        slot[0] = slot[1];
        stack::top = slot + 1;
    }
    emit<checked>(trace::event::return_, code.node, index, stack::top_cell(), &named);
    return index;
}

// A function's body, its return or exit taken.
template <bool checked>
[[gnu::always_inline]] inline void run_body(const Cell& body, u32 frame_index) {
    try {
        run_block<checked>(body, true);
    } catch (const ExitThrow& t) {
        if (!exits::aimed_at(t, frame_index, ThrowCode::return_, ThrowCode::exit)) throw;
        returned(frame_index, t.value);
        return;
    }
    if (exits::take(frame_index, ThrowCode::return_, ThrowCode::exit)) returned(frame_index, exits::status.value);
}

// The body of a function whose attributes or library flag change the tracing state, or
// run while tracing: framed by prolog and epilog events.
[[gnu::noinline]] void run_scoped_body(const Cell& function, const Cell& body, u32 frame_index) {
    const trace::BodyScope scope(function.header);
    if (!trace::active) {
        run_body<true>(body, frame_index);
        return;
    }
    const Cell name = frame::current_call_word();
    const Node code = as_series(body).node;
    trace::pass(trace::event::prolog, code, as_series(body).index, &function, &name);
    run_body<true>(body, frame_index);
    if (exits::exiting) return;
    trace::emit(trace::event::epilog, code, as_series(body).index, stack::base, &name);
}

// The attributes and the library flag of a function change nothing while no callback is
// installed: its body runs as it stands.
template <bool checked>
void call_function_in(const Cell& function, u32 frame_index) {
    const auto fn = as_function(function);
    as_context(context_cell(fn.context)).values = stack::index_of(stack::base) + 1;
    frame::top()->header |= frame::body_flag;
    const Cell body = cells(fn.record)[function::record::body];
    if (!body.is(Type::block)) {
        stack::set_only_result(unset_cell);
        return;
    }
    if (checked && trace::body_watched(function.header)) [[unlikely]]
        run_scoped_body(function, body, frame_index);
    else
        run_body<checked>(body, frame_index);
}

}  // namespace

void eval_block(const Cell& block, bool to_result) {
    if (trace::state.installed) [[unlikely]]
        run_block<true>(block, to_result);
    else
        run_block<false>(block, to_result);
}

u32 eval_expression(const Code& code, u32 index, bool infix, bool literal_callables) {
    if (trace::state.installed) [[unlikely]] {
        if (trace::active) [[unlikely]]
            return traced_expression(code, index, infix, literal_callables);
        return expression<true, false>(code, index, infix, literal_callables);
    }
    return expression<false, false>(code, index, infix, literal_callables);
}

u32 eval_single(const Cell& block, u32 index, bool push) {
    frame::open_interp_native(*words::tag_body);
    index = eval_expression(Code{as_series(block).node}, index);
    if (exits::exiting) return index;
    if (push) frame::close();
    else frame::close_return();
    return index;
}

u32 next_position(const Cell& block) {
    const auto pos = as_series(block);
    if (pos.index >= length(pos.node)) {
        stack::push(unset_cell);
        return pos.index;
    }
    return eval_expression(Code{pos.node}, pos.index);
}

u32 call_value(const Cell& callable, const Code& code, u32 index, const Cell& name, const PathCall* path, u32 modes,
               bool infix) {
    if (trace::state.installed) [[unlikely]]
        return call_value_in<true>(callable, code, index, name, path, modes, infix);
    return call_value_in<false>(callable, code, index, name, path, modes, infix);
}

void call_function(const Cell& function, u32 frame_index) {
    if (trace::state.installed) [[unlikely]]
        call_function_in<true>(function, frame_index);
    else
        call_function_in<false>(function, frame_index);
}

void call_routine(const Cell& routine) {
    const Cell code = *function::record_cell(routine, function::record::code);
    const routine_code::Code fn = routine_code::code_at(static_cast<u32>(as_integer(code).value));
    if (!fn) raise(ErrorId::internal_not_done);
    Cell result = unset_cell;
    fn(routine, stack::base, result);
    const Cell returns = *function::record_cell(routine, function::record::second);
    if (!(returns.is(Type::integer) && as_integer(returns).value == -1)) *stack::base = result;
}

namespace {

// Whether a value's components live in its own cell (pair!, tuple!, time!...): setting
// one through a path changes a copy, which must then be stored where the value came from.
constexpr bool held_in_cell(Type t) {
    switch (t) {
    case Type::pair:
    case Type::tuple:
    case Type::time:
    case Type::point2d:
    case Type::point3d:
    case Type::date:
    case Type::money:
        return true;
    default:
        return false;
    }
}

// Stores a value whose component a path set changed: into the path's first word, or
// through its holder's own path setting (which notifies the holder's owner).
void store_back(const Cell& changed, const Cell* word, const Cell& holder, const Cell& element, const Cell& path,
                PathStep step) {
    if (word) {
        set_word(*word, changed);
        return;
    }
    Cell target = holder;
    const sig::on_eval_path select = action::lookup_path(target, &path, element);
    step.element_index -= 1;
    select(&target, &element, &changed, step);
}

template <bool checked>
u32 eval_path_in(const Cell& path, const Code& code, u32 index, PathMode mode, const Cell* value) {
    Cell* const start = stack::top;
    const Node elements = as_series(path).node;
    const u32 first = as_series(path).index;
    if (first >= length(elements)) raise(ErrorId::script_empty_path);
    const Cell head = cells(elements)[first];
    if (!head.is(Type::word)) raise(ErrorId::script_word_first, &path);
    if (tracing<checked>()) [[unlikely]] {
        trace::pass(trace::event::enter, elements, first, nullptr, nullptr);
        trace::pass(trace::event::fetch, elements, first, &head, nullptr);
    }
    stack::push(*word_slot(head));
    if (start->is(Type::unset)) raise(ErrorId::script_unset_path, &path, &head);
    Cell owner = none_cell;
    Cell previous = head;
    for (u32 k = first;; ++k) {
        // A function met further along is a value to get or set; only a plain path calls it.
        if (is_callable(start->type()) && (k == first || mode == PathMode::plain)) {
            if (mode == PathMode::get) raise(ErrorId::script_invalid_path_get, &path);
            if (mode == PathMode::set) raise(ErrorId::script_invalid_path_set, &path);
            const Cell callable = *start;
            const PathCall call{path, k};
            stack::top = start;
            index = call_value_in<checked>(callable, code, index, previous, &call);
            if (!exits::exiting) emit<checked>(trace::event::exit, elements, length(elements), start);
            return index;
        }
        if (k + 1 >= length(elements)) break;
        Cell selector = cells(elements)[k + 1];
        emit<checked>(trace::event::fetch, elements, k + 1, &selector);
        if (selector.is(Type::get_word)) {
            selector = *word_slot(selector);
        } else if (selector.is(Type::paren)) {
            run_block<checked>(selector, false);
            if (exits::exiting) return index;
            selector = *stack::top_cell();
            stack::drop(1);
        }
        if (selector.is(Type::unset)) {
            const Cell element = cells(elements)[k + 1];
            raise(ErrorId::script_invalid_path, &path, &element);
        }
        const bool last = k + 2 >= length(elements);
        const sig::on_eval_path select = action::lookup_path(*start, &path, selector);
        PathStep step;
        step.path = &path;
        step.walk_a = &owner;
        step.walk_b = &previous;
        step.element_index = static_cast<i32>(k + 1 - first);
        step.get = mode == PathMode::get;
        step.last = last;
        const bool setting = mode == PathMode::set && last;
        const Cell holder = owner;
        owner = *start;
        const Cell* result = select(start, &selector, setting ? value : nullptr, step);
        if (result != start) *start = *result;
        if (setting && held_in_cell(owner.type())) {
            store_back(*start, k == first ? &head : nullptr, holder, previous, path, step);
        }
        previous = selector;
    }
    stack::top = start + 1;
    emit<checked>(trace::event::exit, elements, length(elements), start);
    return index;
}

}  // namespace

u32 eval_path(const Cell& path, const Code& code, u32 index, PathMode mode, const Cell* value) {
    if (trace::state.installed) [[unlikely]]
        return eval_path_in<true>(path, code, index, mode, value);
    return eval_path_in<false>(path, code, index, mode, value);
}

}  // namespace zel::interp
