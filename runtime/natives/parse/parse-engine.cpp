#include "runtime/natives/parse/parse-engine.h"

#include <algorithm>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/bitset.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/frame.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/parse/parse-input.h"

namespace zel::parse {
namespace {

Cell* work = nullptr;
Node work_stack = 0;  // its node, which stays the same as the buffer moves

// The cells of a block from its head and their count, read afresh from the node at each
// use: a buffer may move at any allocation.
inline Cell* cells_of(Node n) { return reinterpret_cast<Cell*>(node::buffer(n)->head_ptr()); }
inline u32 count_of(Node n) { return node::buffer(n)->cell_count(); }
inline Node work_node() { return work_stack; }
inline void set_work_tail(u32 cells) {
    Buffer* const b = node::buffer(work_stack);
    b->tail = b->head + cells * static_cast<u32>(sizeof(Cell));
}

// The /trace events, then the name of the callback's frame; in the root block.
enum Event : u32 { push_event, pop_event, fetch_event, match_event, iterate_event, paren_event, end_event, callback_name };
Cell* event_words = nullptr;

constexpr u32 entry_cells = 5;
constexpr u32 stack_limit = 10000;
constexpr u32 unbounded = 0xFFFFFFFF;

// The cells of an entry: meta (kind, argument, flag; a repetition's argument is the
// input's length when its iteration began, and its flag tells a break), bounds (minimum, maximum, count) or
// a word, the input where the entry started, a rule position, and one more value.
enum Field : u32 { meta, bounds, start, rule_at, extra };

enum class Kind : u32 { block, repeat, while_, to, thru, copy, set, not_, ahead, into, remove, change, keep, collect, case_ };

enum class Keyword : u8 {
    none_, bar, skip, any, some, opt, while_, to, thru, copy, set, not_, ahead, into, end, fail, break_, reject,
    none, quote, if_, case_, remove, insert, change, collect, keep, unknown
};

// collect's ways of keeping.
enum CollectMode : u32 { plain, set_word, into_word, after_word };

// The keywords by canonical symbol id: interned at start-up, their ids are small. The
// keyword of any symbol (a word spelled with other letter cases too) is looked up through
// its canonical symbol once, then kept by the symbol's own id.
std::vector<Keyword> keywords;
std::vector<Keyword> keyword_of_symbol;

Keyword first_keyword_of(u32 id) {
    if (id >= keyword_of_symbol.size()) keyword_of_symbol.resize(id + 1, Keyword::unknown);
    const u32 canonical = symbol::canonical_id(id);
    return keyword_of_symbol[id] = canonical < keywords.size() ? keywords[canonical] : Keyword::none_;
}

// Asked of every word of every rule the engine reads, so the kept answer is read inline.
inline Keyword keyword_of(const Cell& word) {
    if (!word.is(Type::word)) return Keyword::none_;
    const u32 id = as_word(word).symbol;
    if (id < keyword_of_symbol.size() && keyword_of_symbol[id] != Keyword::unknown) return keyword_of_symbol[id];
    return first_keyword_of(id);
}

Cell meta_cell(Kind kind, u32 arg) { return Cell{header_of(Type::integer), static_cast<u32>(kind), arg, 0}; }
Cell bounds_cell(u32 min, u32 max) { return Cell{header_of(Type::integer), min, max, 0}; }

bool truthy(const Cell& v) { return !v.is(Type::none) && !(v.is(Type::logic) && !as_logic(v).value); }

bool is_literal(const Cell& v) {
    switch (v.type()) {
    case Type::word:
    case Type::set_word:
    case Type::get_word:
    case Type::block:
    case Type::paren:
    case Type::integer:
    case Type::path:
    case Type::set_path:
    case Type::get_path:
    case Type::datatype:
    case Type::typeset: return false;
    default: return true;
    }
}

// Puts the work stack back to where a run found it, however the run ends.
class StackMark {
public:
    StackMark() : tail_(count_of(work_node())) {}
    ~StackMark() { set_work_tail(tail_); }
    StackMark(const StackMark&) = delete;
    StackMark& operator=(const StackMark&) = delete;
    u32 tail() const { return tail_; }

private:
    u32 tail_;
};

enum class State { fetch, complete, done };

// How deep flat_block reads nested blocks before it hands them to the general way.
constexpr u32 max_flat_depth = 16;
// flat_block's answers besides 1 (matched) and 0 (failed): the rule was not taken there,
// or a nested block was handed to the general way.
constexpr int handed = -1;
constexpr int nested_handed = -2;

class Engine {
public:
    Engine(Cell* input, u32 limit, bool strict, Cell* result, const Cell* callback, u32 base)
        : in_(input), limit_(limit), strict_(strict), result_(result), callback_(callback), base_(base),
          top_(base - 1) {
        input_changed();
    }
    bool run(const Cell& rules);

private:
    Cell* in_;
    bool cells_ = false;  // the input is block-like: its datatype, kept as `into` changes it
    u32 limit_;
    bool strict_;
    Cell* result_;
    const Cell* callback_;  // the /trace function, null without one
    bool stopped_ = false;  // the callback asked to stop
    u32 base_;  // the first entry of this run
    // The last entry: nested runs leave the stack as they found it, so it is kept here
    // rather than counted from the buffer.
    u32 top_;
    Node rule_ = 0;
    u32 rpos_ = 0;
    bool match_ = true;
    // The blocks flat_block is reading, outermost first: each one's node, the input where
    // it started and the rule position the general way resumes at after it.
    struct Level {
        Node rules;
        u32 start;
        Node resume_rules;
        u32 resume_at;
    };
    Level levels_[max_flat_depth];
    // The repetition whose iterations repeat_block reads, while one is open: what its
    // entry holds (the input's length when the iteration began; its extra cell is none).
    struct Repetition {
        bool open;
        Kind kind;
        u32 operand_at;
        Cell bounds;
        u32 tail;
    };
    Repetition repetition_{};

    // The work stack.
    u32 top() const { return top_; }
    Cell get(u32 e, Field f) const { return cells_of(work_node())[e * entry_cells + f]; }
    void put(u32 e, Field f, const Cell& v) { cells_of(work_node())[e * entry_cells + f] = v; }
    Kind kind(u32 e) const { return static_cast<Kind>(get(e, meta).w1); }
    void push(const Cell& m, const Cell& b, const Cell& x, const Cell& resume);
    void push(const Cell& m, const Cell& b, const Cell& x) { push(m, b, x, block_cell(rule_, rpos_)); }
    void pop() {
        fire(pop_event);
        set_work_tail(top_ * entry_cells);
        --top_;
    }
    bool fire(Event event) { return !callback_ || call_back(event); }
    bool call_back(Event event);

    // The input.
    void input_changed() { cells_ = kind_of(in_->type()) == InputKind::cells; }
    // The value at the position of a block-like input, read from its buffer, or null at
    // its end.
    const Cell* value_here() const {
        const u32 at = pos();
        Buffer* const b = node::buffer(as_series(*in_).node);
        return at < std::min(b->cell_count(), limit_) ? reinterpret_cast<const Cell*>(b->head_ptr()) + at : nullptr;
    }
    u32 pos() const { return in_->w1; }
    [[gnu::always_inline]] u32 end() const { return std::min(tail_of(*in_), limit_); }
    bool at_end() const { return pos() >= end(); }
    void set_pos(u32 i) { in_->w1 = std::min(i, tail_of(*in_)); }

    // The rules.
    Cell rules() const { return block_cell(rule_); }
    u32 rules_tail() const { return count_of(rule_); }
    Cell rule(u32 i) const { return cells_of(rule_)[i]; }
    [[gnu::always_inline]] Cell operand(u32 i, const Cell& keyword, ErrorId missing = ErrorId::script_parse_end) const {
        if (i >= rules_tail()) [[unlikely]]
            missing_operand(keyword, missing);
        return rule(i);
    }
    [[noreturn, gnu::noinline, gnu::cold]] static void missing_operand(const Cell& keyword, ErrorId missing) {
        raise(missing, &keyword);
    }
    Cell value_of(const Cell& word) const;
    Cell eval_paren(const Cell& paren);
    Cell insertion_value(const Cell& v);
    bool refers_to_input(const Cell& v, Cell* position) const;
    u32 skip_item(u32 i) const;

    // States.
    State fetch();
    State act(const Cell& v);
    State word(const Cell& w) { return word(w, keyword_of(w)); }
    State word(const Cell& w, Keyword k);
    State literal(const Cell& v);
    State done_item(bool matched, u32 next_rule) {
        match_ = matched;
        rpos_ = next_rule;
        return State::complete;
    }
    State push_block(const Cell& b);
    int flat_block(Node rules, u32 at, u32 depth);
    int flat_keyword(Keyword k, Node rules, u32* at);
    bool flat_span(Node rules, u32 at, i64* to, u32* next);
    i64 byte_span(Keyword k, const Cell& v);
    int flat_value(const Cell& v, bool held, Node rules, u32 after, u32 depth);
    int hand_off(u32 depth, u32 at);
    int match_here(const Cell& v);
    State block_end(bool ok);
    State find_alternative();
    State complete();
    State pending(Kind k, u32 operand_at, const Cell& b, u32 arg = 0, const Cell& x = none_cell);
    State single_literal(Kind k, u32 operand_at, const Cell& b, const Cell& v);
    State repeat_block(Kind k, u32 operand_at, Cell b);
    i64 literal_span(Kind k, const Cell& b, const Cell& v);
    bool literal_rule(u32 at, i64* to, u32* next);
    State copy_literal(Keyword k, const Cell& target, i64 to, u32 next);
    void take_literal(Keyword k, const Cell& target, u32 to);
    State repeat(Kind k, u32 operand_at, u32 min, u32 max) {
        return pending(k, operand_at, bounds_cell(min, max), tail_of(*in_));
    }
    State start_operand(u32 e);
    State repeat_literal(u32 e, const Cell& v);
    State search_literal(u32 e, const Cell& v);
    State finish(u32 e);
    State counted(const Cell& count);
    State stop_repetition(bool broke);
    State insert_rule(const Cell& keyword);
    State change_rule(const Cell& keyword);
    State collect_rule(const Cell& keyword);
    State keep_rule(const Cell& keyword);
    i64 innermost_collect(u32 below) const;
    void keep_value(const Cell& v);
    void keep_part(u32 from, u32 to, bool pick);
    void finish_collect(u32 e);
};

void Engine::push(const Cell& m, const Cell& b, const Cell& x, const Cell& resume) {
    const Cell cells[entry_cells] = {m, b, *in_, resume, x};
    Buffer* const stack = node::buffer(work_node());
    if (stack->cell_count() + entry_cells > stack_limit) raise(ErrorId::script_parse_stack);
    std::copy(cells, cells + entry_cells, reinterpret_cast<Cell*>(series_buffer::reserve_tail(stack, sizeof cells)));
    ++top_;
    fire(push_event);
}

// Calls the /trace callback with the event, the match flag, the rules and the input at
// their positions and a copy of the work stack (the callback cannot change the real one).
// Answers whether parsing goes on.
bool Engine::call_back(Event event) {
    if (stopped_) return false;
    Cell args[5] = {event_words[event], logic::cell(match_), block_cell(rule_, rpos_), *in_, none_cell};
    block::clone(*work, false, false, &args[4]);
    const Cell answer = hooks::call(event_words[callback_name], *callback_, args, 5, hooks::trace_class::parse);
    set_pos(pos());
    stopped_ = !truthy(answer);
    return !stopped_;
}

[[gnu::always_inline]] inline Cell Engine::value_of(const Cell& word) const {
    const Cell* v = frame::word_slot(word);
    if (!v || v->is(Type::unset)) raise(ErrorId::script_parse_rule, &word);
    return *v;
}

Cell Engine::eval_paren(const Cell& paren) {
    Cell* const top = stack::top;
    interp::eval_block(paren, false);
    const Cell v = *stack::top_cell();
    stack::top = top;
    set_pos(pos());
    fire(paren_event);
    return v;
}

// The value that insert and change put in: a paren's result, a word's value, else itself.
Cell Engine::insertion_value(const Cell& v) {
    switch (v.type()) {
    case Type::paren: return eval_paren(v);
    case Type::word: {
        const Cell* value = context::get_word(v);
        if (!value || value->is(Type::unset)) raise(ErrorId::script_no_value, &v);
        return *value;
    }
    case Type::path: raise(ErrorId::script_parse_rule, &v);
    default: return v;
    }
}

// Whether a word or get-word holds the input at some position (given back in `position`).
bool Engine::refers_to_input(const Cell& v, Cell* position) const {
    if (!(v.is(Type::word) || v.is(Type::get_word)) || keyword_of(v) != Keyword::none_) return false;
    Cell w = v;
    cell::set_type(&w, Type::word);
    const Cell* value = context::get_word(w);
    if (!value || value->type() != in_->type() || as_series(*value).node != as_series(*in_).node) return false;
    *position = *value;
    return true;
}

// Where the rule item starting at `i` ends, for the counts that skip it unmatched.
u32 Engine::skip_item(u32 i) const {
    const u32 tail = rules_tail();
    if (i >= tail) return i;
    const Cell v = rule(i);
    if (v.is(Type::integer)) {
        const u32 next = i + 1 < tail && (rule(i + 1).is(Type::integer)) ? i + 2 : i + 1;
        return skip_item(next);
    }
    switch (keyword_of(v)) {
    case Keyword::any:
    case Keyword::some:
    case Keyword::opt:
    case Keyword::while_:
    case Keyword::to:
    case Keyword::thru:
    case Keyword::not_:
    case Keyword::ahead:
    case Keyword::into:
    case Keyword::remove:
    case Keyword::keep: return skip_item(i + 1);
    case Keyword::copy:
    case Keyword::set:
    case Keyword::case_: return skip_item(i + 2);
    case Keyword::quote:
    case Keyword::if_: return i + 2;
    default: return i + 1;
    }
}

State Engine::fetch() {
    if (callback_) {
        if (rpos_ >= rules_tail()) return block_end(true);
        // The callback may have shortened the rules.
        if (!call_back(fetch_event) || rpos_ >= rules_tail()) return stopped_ ? State::done : block_end(true);
        const Cell v = rule(rpos_);
        return is_literal(v) ? literal(v) : act(v);
    }
    // The rule on top is a block, the one being read: the lit-words and datatypes of a
    // block dialect, parens, `skip` and nested blocks are taken in this loop, one after
    // the other, and a mismatch goes straight to the next alternative.
    for (;;) {
        Buffer* const rules = node::buffer(rule_);
        if (rpos_ >= rules->cell_count()) return block_end(true);
        const Cell v = reinterpret_cast<const Cell*>(rules->head_ptr())[rpos_];
        bool ok;
        switch (v.type()) {
        case Type::lit_word: {
            if (!cells_) return literal(v);
            const Cell* value = value_here();
            if (value && !value->is(Type::word)) return literal(v);
            ok = value && same_word(as_word(*value).symbol, as_word(v).symbol, strict_);
            break;
        }
        case Type::datatype: {
            if (!cells_) return act(v);
            const Cell* value = value_here();
            ok = value && static_cast<u32>(value->type()) == as_datatype(v).type_id;
            break;
        }
        case Type::paren:
            eval_paren(v);
            ++rpos_;
            continue;
        case Type::block: {
            // A nested block matched in one go completes at once; one with an entry of its
            // own is read on in this loop.
            const State s = push_block(v);
            if (s != State::fetch) return s;
            continue;
        }
        case Type::word: {
            const Keyword k = keyword_of(v);
            if (k != Keyword::skip) return word(v, k);
            ok = !at_end();
            break;
        }
        default:
            // Literal values, most of the rules of a dialect, are matched without the dispatch.
            return is_literal(v) ? literal(v) : act(v);
        }
        ++rpos_;
        if (!ok) {
            match_ = false;
            return find_alternative();
        }
        // Each of these matches one value, which lies before the end.
        ++in_->w1;
    }
}

State Engine::act(const Cell& v) {
    switch (v.type()) {
    case Type::word: return word(v);
    case Type::block: return push_block(v);
    case Type::set_word: {
        Cell w = v;
        cell::set_type(&w, Type::word);
        context::set_word(w, *in_);
        return done_item(true, rpos_ + 1);
    }
    case Type::get_word: {
        Cell w = v;
        cell::set_type(&w, Type::word);
        const Cell target = value_of(w);
        if (target.type() != in_->type() || as_series(target).node != as_series(*in_).node)
            raise(ErrorId::script_parse_invalid_ref, &target);
        set_pos(as_series(target).index);
        return done_item(true, rpos_ + 1);
    }
    case Type::integer: return counted(v);
    case Type::paren: eval_paren(v); return done_item(true, rpos_ + 1);
    case Type::path:
    case Type::set_path:
    case Type::get_path: raise(ErrorId::script_parse_rule, &v);
    case Type::datatype:
    case Type::typeset: {
        if (!cells_ && kind_of(in_->type()) == InputKind::text) raise(ErrorId::script_parse_unsupported);
        if (cells_ && v.is(Type::datatype)) {
            // A datatype against a block's value, the other common rule of block dialects.
            const Cell* value = value_here();
            const bool ok = value && static_cast<u32>(value->type()) == as_datatype(v).type_id;
            if (ok) ++in_->w1;
            return done_item(ok, rpos_ + 1);
        }
        const i64 n = match_type(*in_, pos(), end(), v);
        if (n < 0) return done_item(false, rpos_ + 1);
        set_pos(pos() + static_cast<u32>(n));
        return done_item(true, rpos_ + 1);
    }
    default: return literal(v);
    }
}

State Engine::literal(const Cell& v) {
    // The commonest rule of block dialects, a lit-word against a word, read from the
    // input's buffer here.
    const Cell* value = cells_ && v.is(Type::lit_word) ? value_here() : nullptr;
    i64 n;
    if (value && value->is(Type::word)) {
        n = same_word(as_word(*value).symbol, as_word(v).symbol, strict_) ? 1 : -1;
        if (n > 0) ++in_->w1;
    } else {
        n = match_literal(*in_, pos(), end(), v, strict_);
        if (n >= 0) set_pos(pos() + static_cast<u32>(n));
    }
    match_ = n >= 0;
    fire(match_event);
    return done_item(n >= 0, rpos_ + 1);
}

State Engine::word(const Cell& w, const Keyword k) {
    const u32 next = rpos_ + 1;
    switch (k) {
    case Keyword::unknown:
    case Keyword::none_: {
        const Cell v = value_of(w);
        if (v.is(Type::word) || v.is(Type::lit_word) || v.is(Type::set_word) || v.is(Type::get_word)) return literal(v);
        return act(v);
    }
    case Keyword::bar: return block_end(true);
    case Keyword::skip: {
        if (at_end()) return done_item(false, next);
        set_pos(pos() + 1);
        return done_item(true, next);
    }
    case Keyword::any: operand(next, w); return repeat(Kind::repeat, next, 0, unbounded);
    case Keyword::some: operand(next, w); return repeat(Kind::repeat, next, 1, unbounded);
    case Keyword::opt: operand(next, w); return repeat(Kind::repeat, next, 0, 1);
    case Keyword::while_: operand(next, w); return repeat(Kind::while_, next, 0, unbounded);
    case Keyword::to: operand(next, w); return pending(Kind::to, next, none_cell);
    case Keyword::thru: operand(next, w); return pending(Kind::thru, next, none_cell);
    case Keyword::not_: operand(next, w); return pending(Kind::not_, next, none_cell);
    case Keyword::ahead: operand(next, w); return pending(Kind::ahead, next, none_cell);
    case Keyword::copy:
    case Keyword::set: {
        const Cell target = operand(next, w);
        operand(next + 1, w);
        i64 to;
        u32 after;
        if (!callback_ && literal_rule(next + 1, &to, &after)) return copy_literal(k, target, to, after);
        return pending(k == Keyword::copy ? Kind::copy : Kind::set, next + 1, none_cell, 0, target);
    }
    case Keyword::into: {
        Cell sub = operand(next, w);
        if (sub.is(Type::word) && keyword_of(sub) == Keyword::none_) sub = value_of(sub);
        if (!sub.is(Type::block)) raise(ErrorId::script_parse_end, &w);
        if (at_end()) return done_item(false, next + 1);
        const Cell nested = element(*in_, pos());
        if (!series::any_block(nested.type())) raise(ErrorId::script_parse_block, &w);
        const u32 outer_limit = limit_;
        push(meta_cell(Kind::into, outer_limit), none_cell, *in_);
        *in_ = nested;
        input_changed();
        limit_ = no_limit;
        rpos_ = next;
        return push_block(sub);
    }
    case Keyword::end: return done_item(at_end(), next);
    case Keyword::fail: return done_item(false, next);
    case Keyword::none: return done_item(true, next);
    case Keyword::break_:
    case Keyword::reject: rpos_ = next; return stop_repetition(k == Keyword::break_);
    case Keyword::quote: {
        const Cell v = operand(next, w);
        const i64 n = match_literal(*in_, pos(), end(), v, strict_);
        if (n >= 0) set_pos(pos() + static_cast<u32>(n));
        return done_item(n >= 0, next + 1);
    }
    case Keyword::if_: {
        const Cell p = operand(next, w);
        if (!p.is(Type::paren)) raise(ErrorId::script_parse_end, &w);
        return done_item(truthy(eval_paren(p)), next + 1);
    }
    case Keyword::case_: {
        const Cell mode = operand(next, w);
        operand(next + 1, w);
        const bool strict = mode.is(Type::word) ? truthy(value_of(mode)) : truthy(mode);
        push(meta_cell(Kind::case_, strict_), none_cell, none_cell, block_cell(rule_, next + 1));
        strict_ = strict;
        return start_operand(top());
    }
    case Keyword::remove: {
        const Cell target = operand(next, w);
        if (target.is(Type::path)) raise(ErrorId::script_parse_rule, &target);
        Cell from;
        if (refers_to_input(target, &from)) {
            const u32 at = std::min(as_series(from).index, pos());
            remove_range(*in_, at, std::max(as_series(from).index, pos()));
            set_pos(at);
            return done_item(true, next + 1);
        }
        return pending(Kind::remove, next, none_cell);
    }
    case Keyword::insert: return insert_rule(w);
    case Keyword::change: return change_rule(w);
    case Keyword::collect: return collect_rule(w);
    case Keyword::keep: return keep_rule(w);
    }
    return State::complete;
}

State Engine::push_block(const Cell& b) {
    const auto at = as_series(b);
    if (!callback_ && count_of(work_node()) + entry_cells <= stack_limit) {
        repetition_.open = false;
        levels_[0].resume_rules = rule_;
        levels_[0].resume_at = rpos_ + 1;
        const int flat = flat_block(at.node, at.index, 0);
        if (flat >= 0) return done_item(flat > 0, rpos_ + 1);
        return State::fetch;
    }
    push(meta_cell(Kind::block, 0), none_cell, b, block_cell(rule_, rpos_ + 1));
    rule_ = at.node;
    rpos_ = at.index;
    match_ = true;
    return State::fetch;
}

// A rule block read without entries of its own while no callback watches: literal values,
// lit-words and datatypes (against a block's values), bars, `skip`, `end`, `none`, `fail`,
// parens, `copy`/`set` over and repetitions, `to` and `thru` of one literal value, words
// holding these and nested blocks of the same. Answers 1 when the block matched (the input
// moved past the match) and 0 when it failed (the input back where the block started).
// Any other rule is handed to the general way where it stands (hand_off): the entries the
// general way would hold at that point are pushed, and -1 answered. Nothing is undone or
// run twice, so parens may come before it.
[[gnu::noinline]] int Engine::flat_block(Node rules, u32 at, u32 depth) {
    const u32 start = pos();
    levels_[depth].rules = rules;
    levels_[depth].start = start;
    for (;;) {
        if (at >= count_of(rules)) return 1;
        const u32 here = at;
        const Cell v = cells_of(rules)[at++];
        int r;
        if (v.is(Type::word)) {
            const Keyword k = keyword_of(v);
            if (k == Keyword::bar) return 1;
            if (k != Keyword::none_) {
                r = flat_keyword(k, rules, &at);
            } else {
                const Cell held = value_of(v);
                r = match_here(held);
                if (r < 0) r = flat_value(held, true, rules, at, depth);
            }
        } else if (v.is(Type::paren)) {
            // The blocks being read stay alive while a paren or a copy drops the last
            // reference to them: their nodes are in levels_, on the native stack.
            eval_paren(v);
            continue;
        } else {
            r = match_here(v);
            if (r < 0) r = flat_value(v, false, rules, at, depth);
        }
        if (r == handed) return hand_off(depth, here);
        if (r == nested_handed) return -1;
        if (r > 0) continue;
        // The next alternative, from the input where the block started.
        set_pos(start);
        const u32 tail = count_of(rules);
        while (at < tail && !(cells_of(rules)[at].is(Type::word) && keyword_of(cells_of(rules)[at]) == Keyword::bar))
            ++at;
        if (at >= tail) return 0;
        ++at;
    }
}

// The keywords flat_block takes, the keyword's cell being just before `*at`: 1 matched, 0
// failed, `handed` left to the general way. Moves `*at` past the operands taken.
int Engine::flat_keyword(Keyword k, Node rules, u32* at) {
    switch (k) {
    case Keyword::skip:
        if (at_end()) return 0;
        ++in_->w1;
        return 1;
    case Keyword::end: return at_end();
    case Keyword::none: return 1;
    case Keyword::fail: return 0;
    case Keyword::copy:
    case Keyword::set: {
        i64 to;
        u32 next;
        if (!flat_span(rules, *at + 1, &to, &next)) return handed;
        const Cell target = cells_of(rules)[*at];
        *at = next;
        if (to < 0) return 0;
        take_literal(k, target, static_cast<u32>(to));
        return 1;
    }
    case Keyword::any:
    case Keyword::some:
    case Keyword::opt:
    case Keyword::while_:
    case Keyword::to:
    case Keyword::thru: {
        i64 to;
        u32 next;
        if (!flat_span(rules, *at - 1, &to, &next)) return handed;
        *at = next;
        if (to < 0) return 0;
        set_pos(static_cast<u32>(to));
        return 1;
    }
    default: return handed;
    }
}

// literal_rule for the rule at `at` of the block `rules`, with the searches and runs of
// one character or charset in one-byte input (text or binary!) read straight from the
// buffer.
[[gnu::always_inline]] inline bool Engine::flat_span(Node rules, u32 at, i64* to, u32* next) {
    if (at + 1 >= count_of(rules)) return false;
    const Cell* const r = cells_of(rules) + at;
    if (r[0].is(Type::word)) {
        const Keyword k = keyword_of(r[0]);
        Cell v = r[1];
        if (v.is(Type::word) && keyword_of(v) == Keyword::none_) v = value_of(v);
        const i64 span = byte_span(k, v);
        if (span != -2) {
            *to = span;
            *next = at + 2;
            return true;
        }
    }
    const Node rule = rule_;
    rule_ = rules;
    const bool taken = literal_rule(at, to, next);
    rule_ = rule;
    return taken;
}

// Where the keyword `k` over a character or charset `v` takes input of one-byte units from
// its position (-1 when it does not match), or -2 for any other case.
[[gnu::always_inline]] inline i64 Engine::byte_span(Keyword k, const Cell& v) {
    const bool search = k == Keyword::to || k == Keyword::thru;
    if (search && v.is(Type::char_)) {
        const i64 found = find_char(*in_, pos(), end(), as_char(v).code_point, strict_);
        return found < -1 ? -2 : found < 0 ? -1 : found + (k == Keyword::thru);
    }
    Buffer* const b = node::buffer(as_series(*in_).node);
    if (!v.is(Type::bitset) || b->unit() != 1) return -2;
    const bitset::Members set = bitset::members_of(v);
    const u8* const units = b->head_ptr();
    const u32 last = std::min(end(), b->used());
    u32 p = pos();
    if (search) {
        while (p < last && !set.has(units[p])) ++p;
        return p < last ? i64{p} + (k == Keyword::thru) : -1;
    }
    u32 min = 0;
    u32 stop = last;
    switch (k) {
    case Keyword::some: min = 1; break;
    case Keyword::opt: stop = std::min(last, p + 1); break;
    case Keyword::any:
    case Keyword::while_: break;
    default: return -2;
    }
    const u32 from = p;
    while (p < stop && set.has(units[p])) ++p;
    return p - from < min ? -1 : i64{p};
}

// The general way takes over at rule `at` of the flat block at `depth`: an entry is pushed
// for that block and each one around it, as push_block would have pushed them, and the
// engine reads on from that rule.
int Engine::hand_off(u32 depth, u32 at) {
    const u32 now = pos();
    if (repetition_.open) {
        const Repetition& r = repetition_;
        in_->w1 = levels_[0].start;
        push(meta_cell(r.kind, r.tail), r.bounds, none_cell, block_cell(levels_[0].resume_rules, r.operand_at));
    }
    for (u32 d = 0; d <= depth; ++d) {
        const Level& l = levels_[d];
        in_->w1 = l.start;
        push(meta_cell(Kind::block, 0), none_cell, block_cell(l.rules), block_cell(l.resume_rules, l.resume_at));
    }
    set_pos(now);
    rule_ = levels_[depth].rules;
    rpos_ = at;
    match_ = true;
    return -1;
}

// A lit-word or a datatype against the value at a block's position, the rules of block
// dialects, matched inline: 1 matched (the input moved past the value), 0 failed, -1 left
// to flat_value.
[[gnu::always_inline]] inline int Engine::match_here(const Cell& v) {
    if (!cells_ || !(v.is(Type::lit_word) || v.is(Type::datatype))) return -1;
    const Cell* value = value_here();
    bool ok;
    if (v.is(Type::datatype)) {
        ok = value && static_cast<u32>(value->type()) == as_datatype(v).type_id;
    } else {
        if (value && !value->is(Type::word)) return -1;
        ok = value && same_word(as_word(*value).symbol, as_word(v).symbol, strict_);
    }
    if (ok) ++in_->w1;
    return ok;
}

// One rule value of flat_block (the rule before `after` in `rules`), or the value of a
// word (`held`) there, as the general way would take it: 1 matched, 0 failed, `handed`
// not taken here, `nested_handed` when a nested block was handed to the general way.
int Engine::flat_value(const Cell& v, bool held, Node rules, u32 after, u32 depth) {
    switch (v.type()) {
    case Type::lit_word: break;
    case Type::datatype: return handed;
    case Type::block: {
        if (depth + 1 >= max_flat_depth ||
            count_of(work_node()) + (depth + 2 + repetition_.open) * entry_cells > stack_limit)
            return handed;
        levels_[depth + 1].resume_rules = rules;
        levels_[depth + 1].resume_at = after;
        const int r = flat_block(as_series(v).node, as_series(v).index, depth + 1);
        return r < 0 ? nested_handed : r;
    }
    case Type::word:
    case Type::set_word:
    case Type::get_word:
        if (!held) return handed;
        break;
    default:
        if (!is_literal(v)) return handed;
        break;
    }
    const i64 n = match_literal(*in_, pos(), end(), v, strict_);
    if (n >= 0) set_pos(pos() + static_cast<u32>(n));
    return n >= 0;
}

State Engine::block_end(bool ok) {
    const u32 e = top();
    if (!ok) set_pos(as_series(get(e, start)).index);
    match_ = ok;
    if (e == base_) {
        fire(pop_event);
        return State::done;
    }
    const Cell back = get(e, rule_at);
    rule_ = as_series(back).node;
    rpos_ = as_series(back).index;
    pop();
    return State::complete;
}

[[gnu::always_inline]] inline State Engine::find_alternative() {
    const u32 tail = rules_tail();
    for (u32 i = rpos_; i < tail; ++i) {
        const Cell v = rule(i);
        if (v.is(Type::word) && keyword_of(v) == Keyword::bar) {
            set_pos(as_series(get(top(), start)).index);
            rpos_ = i + 1;
            match_ = true;
            return State::fetch;
        }
    }
    return block_end(false);
}

State Engine::complete() {
    for (;;) {
        const u32 e = top();
        if (kind(e) == Kind::block) return match_ ? State::fetch : find_alternative();
        const State s = finish(e);
        if (s != State::complete) return s;
    }
}

// Pushes a pending rule over the operand at `operand_at` and starts it.
State Engine::pending(Kind k, u32 operand_at, const Cell& b, u32 arg, const Cell& x) {
    if (!callback_ && (k == Kind::repeat || k == Kind::while_ || k == Kind::to || k == Kind::thru)) {
        Cell v = rule(operand_at);
        if (v.is(Type::word) && keyword_of(v) == Keyword::none_) v = value_of(v);
        if (!v.is(Type::word) && !v.is(Type::lit_word)) {
            if (v.is(Type::block) && (k == Kind::repeat || k == Kind::while_)) return repeat_block(k, operand_at, b);
            if (!is_literal(v)) {
                // The operand as start_operand would take it, its word read once.
                push(meta_cell(k, arg), b, x, block_cell(rule_, operand_at));
                rpos_ = operand_at;
                return act(v);
            }
            if (count_of(work_node()) + entry_cells <= stack_limit) return single_literal(k, operand_at, b, v);
        }
    }
    push(meta_cell(k, arg), b, x, block_cell(rule_, operand_at));
    return start_operand(top());
}

// A repetition of a rule block when no callback watches: its iterations are read by
// flat_block in this loop, without the repetition's entry; the entry is pushed, with the
// iterations done so far, when the block is handed to the general way (hand_off) or when
// the operand no longer holds a block.
State Engine::repeat_block(Kind k, u32 operand_at, Cell b) {
    for (;;) {
        Cell v = rule(operand_at);
        if (v.is(Type::word) && keyword_of(v) == Keyword::none_) v = value_of(v);
        const u32 from = pos();
        const u32 tail = tail_of(*in_);
        if (!v.is(Type::block) || count_of(work_node()) + 2 * entry_cells > stack_limit) {
            push(meta_cell(k, tail), b, none_cell, block_cell(rule_, operand_at));
            return start_operand(top());
        }
        repetition_ = {true, k, operand_at, b, tail};
        levels_[0].resume_rules = rule_;
        levels_[0].resume_at = operand_at + 1;
        const int r = flat_block(as_series(v).node, as_series(v).index, 0);
        repetition_.open = false;
        if (r < 0) return State::fetch;
        if (r > 0) {
            ++b.w3;
            const bool progress = pos() != from || tail_of(*in_) != tail;
            if (!((b.w2 != unbounded && b.w3 >= b.w2) || (k == Kind::repeat && !progress))) continue;
        } else {
            set_pos(from);
        }
        return done_item(b.w3 >= b.w1, operand_at + 1);
    }
}

// A repetition, `to` or `thru` of one literal value when no callback watches: the entry
// it would push and pop at once is left out.
State Engine::single_literal(Kind k, u32 operand_at, const Cell& b, const Cell& v) {
    const i64 to = literal_span(k, b, v);
    if (to >= 0) set_pos(static_cast<u32>(to));
    return done_item(to >= 0, operand_at + 1);
}

// Where a repetition (bounds in `b`), `to` or `thru` of the literal value takes the input
// from its position, or -1 when it does not match.
[[gnu::always_inline]] inline i64 Engine::literal_span(Kind k, const Cell& b, const Cell& v) {
    if (k == Kind::to || k == Kind::thru) {
        if (!searchable(*in_, v)) raise(ErrorId::script_parse_rule, &v);
        const Found f = search(*in_, pos(), end(), v, strict_);
        return f.at < 0 ? -1 : f.at + (k == Kind::thru ? f.length : 0);
    }
    const Run run = match_run(*in_, pos(), end(), v, strict_, b.w2);
    return run.count < b.w1 ? -1 : i64{run.end};
}

// When the rule at `at` is a repetition keyword, `to` or `thru` followed by one literal
// value (or a word holding one) and the work stack has room for the entries the rule and
// its caller would push: where it takes the input (-1 when it does not match) and the rule
// position after it. Anything else answers false and takes the general way, which raises
// what is wrong with the rule.
bool Engine::literal_rule(u32 at, i64* to, u32* next) {
    const Cell r = rule(at);
    Kind k = Kind::repeat;
    Cell b = bounds_cell(0, unbounded);
    switch (keyword_of(r)) {
    case Keyword::any: break;
    case Keyword::some: b = bounds_cell(1, unbounded); break;
    case Keyword::opt: b = bounds_cell(0, 1); break;
    case Keyword::while_: k = Kind::while_; break;
    case Keyword::to: k = Kind::to; break;
    case Keyword::thru: k = Kind::thru; break;
    default: return false;
    }
    if (at + 1 >= rules_tail() || count_of(work_node()) + 2 * entry_cells > stack_limit) return false;
    Cell v = rule(at + 1);
    if (v.is(Type::word) && keyword_of(v) == Keyword::none_) v = value_of(v);
    if (v.is(Type::word) || v.is(Type::lit_word) || !is_literal(v)) return false;
    *to = literal_span(k, b, v);
    *next = at + 2;
    return true;
}

// `copy` or `set` over a rule that literal_rule took: the word gets the units or the value
// matched, as when the rule ran under an entry of its own.
State Engine::copy_literal(Keyword k, const Cell& target, i64 to, u32 next) {
    if (to < 0) return done_item(false, next);
    take_literal(k, target, static_cast<u32>(to));
    return done_item(true, next);
}

// Moves the input to `to` and sets the word `target` to the units between (copy) or the
// first value there (set).
void Engine::take_literal(Keyword k, const Cell& target, u32 to) {
    const u32 from = pos();
    set_pos(to);
    Cell name = target;
    cell::set_type(&name, Type::word);
    Cell v = none_cell;
    if (k == Keyword::copy)
        v = copy_range(*in_, from, pos());
    else if (pos() > from)
        v = element(*in_, from);
    context::set_word(name, v);
}

// Runs (again) the operand of the pending rule `e` from the input where it stands.
State Engine::start_operand(u32 e) {
    const Kind k = kind(e);
    rpos_ = as_series(get(e, rule_at)).index;
    Cell v = rule(rpos_);
    if (v.is(Type::word)) {
        const Keyword kw = keyword_of(v);
        if (kw == Keyword::end && (k == Kind::to || k == Kind::thru)) {
            set_pos(end());
            pop();
            return done_item(true, rpos_ + 1);
        }
        if (kw != Keyword::none_) return act(v);
        v = value_of(v);
        if (v.is(Type::word) || v.is(Type::lit_word)) return literal(v);
    }
    if (is_literal(v)) {
        if (k == Kind::repeat || k == Kind::while_) return repeat_literal(e, v);
        if (k == Kind::to || k == Kind::thru) {
            if (!searchable(*in_, v)) raise(ErrorId::script_parse_rule, &v);
            return search_literal(e, v);
        }
    }
    return act(v);
}

// A repetition of one literal value, matched in a loop without entries per iteration.
State Engine::repeat_literal(u32 e, const Cell& v) {
    const Cell b = get(e, bounds);
    const Run run = match_run(*in_, pos(), end(), v, strict_, b.w2);
    pop();
    if (run.count < b.w1) return done_item(false, rpos_ + 1);
    set_pos(run.end);
    return done_item(true, rpos_ + 1);
}

State Engine::search_literal(u32 e, const Cell& v) {
    const bool thru = kind(e) == Kind::thru;
    const Found f = search(*in_, pos(), end(), v, strict_);
    pop();
    if (f.at < 0) return done_item(false, rpos_ + 1);
    set_pos(static_cast<u32>(f.at) + (thru ? f.length : 0));
    return done_item(true, rpos_ + 1);
}

// `break` and `reject`: the entries above the innermost repetition are dropped, and its
// current iteration ends as a success (break) or a failure (reject) that stops it.
State Engine::stop_repetition(bool broke) {
    i64 r = -1;
    for (i64 e = top(); e > static_cast<i64>(base_); --e) {
        const Kind k = kind(static_cast<u32>(e));
        if (k == Kind::repeat || k == Kind::while_) {
            r = e;
            break;
        }
    }
    if (r < 0) return block_end(broke);
    while (top() > static_cast<u32>(r)) {
        const u32 e = top();
        const Cell m = get(e, meta);
        switch (kind(e)) {
        case Kind::block: {
            const Cell back = get(e, rule_at);
            rule_ = as_series(back).node;
            rpos_ = as_series(back).index;
            break;
        }
        case Kind::into:
            *in_ = get(e, extra);
            input_changed();
            limit_ = m.w2;
            break;
        case Kind::case_: strict_ = m.w2 != 0; break;
        default: break;
        }
        pop();
    }
    Cell m = get(top(), meta);
    m.w3 = 1;
    put(top(), meta, m);
    match_ = broke;
    return State::complete;
}

State Engine::counted(const Cell& count) {
    const i32 n = as_integer(count).value;
    if (n < 0) raise(ErrorId::script_out_of_range, &count);
    u32 at = rpos_ + 1;
    const Cell second = operand(at, count, ErrorId::script_parse_rule);
    i32 m = n;
    if (second.is(Type::integer)) {
        m = as_integer(second).value;
        ++at;
    } else if (second.is(Type::word) && keyword_of(second) == Keyword::none_) {
        const Cell* v = context::get_word(second);
        if (v && v->is(Type::integer)) {
            m = as_integer(*v).value;
            ++at;
        }
    }
    if (m < 0) raise(ErrorId::script_out_of_range, &second);
    if (n > m) raise(ErrorId::script_parse_rule, &count);
    operand(at, count, ErrorId::script_parse_rule);
    if (m == 0) return done_item(true, skip_item(at));
    return repeat(Kind::repeat, at, static_cast<u32>(n), static_cast<u32>(m));
}

State Engine::insert_rule(const Cell& keyword) {
    u32 at = rpos_ + 1;
    Cell v = operand(at, keyword);
    const bool only = keyword_of(v) == Keyword::none_ && v.is(Type::word) &&
                      symbol::canonical_id(as_word(v).symbol) == symbol::canonical_id(sym::only);
    if (only) v = operand(++at, keyword);
    u32 where = pos();
    Cell position;
    if (refers_to_input(v, &position) && at + 1 < rules_tail()) {
        where = as_series(position).index;
        v = operand(++at, keyword);
    }
    const Cell value = insertion_value(v);
    const u32 n = insert_at(*in_, where, value, only);
    if (where <= pos()) set_pos(pos() + n);
    return done_item(true, at + 1);
}

State Engine::change_rule(const Cell& keyword) {
    u32 at = rpos_ + 1;
    Cell v = operand(at, keyword, ErrorId::script_parse_rule);
    const bool only = v.is(Type::word) && symbol::canonical_id(as_word(v).symbol) == symbol::canonical_id(sym::only);
    if (only) v = operand(++at, keyword, ErrorId::script_parse_rule);
    Cell position;
    if (refers_to_input(v, &position)) {
        const Cell value = insertion_value(operand(at + 1, keyword, ErrorId::script_parse_rule));
        const u32 from = std::min(as_series(position).index, pos());
        remove_range(*in_, from, std::max(as_series(position).index, pos()));
        set_pos(from + insert_at(*in_, from, value, only));
        return done_item(true, at + 2);
    }
    return pending(Kind::change, at, none_cell, only ? 1 : 0);
}

State Engine::collect_rule(const Cell& keyword) {
    u32 at = rpos_ + 1;
    const Cell v = operand(at, keyword);
    const Keyword k = keyword_of(v);
    const bool after = v.is(Type::word) && symbol::canonical_id(as_word(v).symbol) == symbol::canonical_id(sym::after);
    CollectMode mode = plain;
    if (k == Keyword::set) mode = set_word;
    if (k == Keyword::into) mode = into_word;
    if (after) mode = after_word;
    Cell target = none_cell;
    Cell name = none_cell;
    if (mode != plain) {
        name = operand(at + 1, keyword);
        at += 2;
    }
    operand(at, keyword);
    if (mode == into_word || mode == after_word) {
        target = value_of(name);
        const Type t = target.type();
        const bool fits = series::any_block(in_->type()) ? series::any_block(t)
                                                          : series::any_string(t) || t == Type::binary;
        if (!fits) raise(ErrorId::script_parse_into_type);
        if (as_series(target).node == as_series(*in_).node) raise(ErrorId::script_parse_into_bad);
        target.w1 = std::min(target.w1, tail_of(target));
    } else {
        block::make_at(&target, 4);
    }
    Cell m = meta_cell(Kind::collect, mode);
    m.w3 = as_series(target).index;
    push(m, name, target, block_cell(rule_, at));
    return start_operand(top());
}

i64 Engine::innermost_collect(u32 below) const {
    for (i64 e = static_cast<i64>(below) - 1; e >= static_cast<i64>(base_); --e)
        if (kind(static_cast<u32>(e)) == Kind::collect) return e;
    return -1;
}

State Engine::keep_rule(const Cell& keyword) {
    u32 at = rpos_ + 1;
    Cell v = operand(at, keyword);
    const bool pick = v.is(Type::word) && symbol::canonical_id(as_word(v).symbol) == symbol::canonical_id(sym::pick);
    if (pick) v = operand(++at, keyword);
    if (innermost_collect(top() + 1) < 0) raise(ErrorId::script_parse_keep);
    if (v.is(Type::paren)) {
        const Cell kept = eval_paren(v);
        if (pick && kept.is(Type::block)) {
            const u32 n = tail_of(kept);
            for (u32 i = as_series(kept).index; i < n; ++i) keep_value(*block::cell_at(kept, i));
        } else {
            keep_value(kept);
        }
        return done_item(true, at + 1);
    }
    return pending(Kind::keep, at, none_cell, pick ? 1 : 0);
}

// Adds a value to the innermost collect: to its block, or into its target series.
void Engine::keep_value(const Cell& v) {
    const i64 c = innermost_collect(top() + 1);
    if (c < 0) raise(ErrorId::script_parse_keep);
    const u32 e = static_cast<u32>(c);
    Cell target = get(e, extra);
    if (get(e, meta).w2 == plain || get(e, meta).w2 == set_word) {
        block::append_value(target, v);
        return;
    }
    if (series::any_block(target.type()) != series::any_block(in_->type()))
        raise(ErrorId::script_parse_into_type);
    target.w1 += insert_at(target, target.w1, v, true);
    put(e, extra, target);
}

void Engine::keep_part(u32 from, u32 to, bool pick) {
    to = std::min(to, tail_of(*in_));
    if (to <= from) return;
    if (to - from == 1) {
        keep_value(element(*in_, from));
    } else if (pick) {
        for (u32 i = from; i < to; ++i) keep_value(element(*in_, i));
    } else {
        keep_value(copy_range(*in_, from, to));
    }
}

void Engine::finish_collect(u32 e) {
    const Cell m = get(e, meta);
    const Cell target = get(e, extra);
    Cell name = get(e, bounds);
    switch (m.w2) {
    case plain:
        if (innermost_collect(e) >= 0) {
            pop();
            keep_value(target);
            return;
        }
        *result_ = target;
        break;
    case set_word: context::set_word(name, target); break;
    case into_word: {
        Cell at_start = target;
        at_start.w1 = m.w3;
        context::set_word(name, at_start);
        break;
    }
    case after_word: context::set_word(name, target); break;
    default: break;
    }
    pop();
}

// Ends the pending rule `e` whose operand has just matched or failed (match_).
State Engine::finish(u32 e) {
    const Cell m = get(e, meta);
    const u32 from = as_series(get(e, start)).index;
    switch (kind(e)) {
    case Kind::repeat:
    case Kind::while_: {
        Cell b = get(e, bounds);
        bool ok;
        if (match_) {
            ++b.w3;
            const bool progress = pos() != from || tail_of(*in_) != m.w2;
            const bool stop = m.w3 != 0 || (b.w2 != unbounded && b.w3 >= b.w2) ||
                              (kind(e) == Kind::repeat && !progress);
            if (!stop) {
                put(e, bounds, b);
                put(e, start, *in_);
                put(e, meta, meta_cell(kind(e), tail_of(*in_)));
                fire(iterate_event);
                return start_operand(e);
            }
            ok = b.w3 >= b.w1;
        } else {
            set_pos(from);
            ok = b.w3 >= b.w1;
        }
        pop();
        match_ = ok;
        return State::complete;
    }
    case Kind::to:
    case Kind::thru: {
        if (match_) {
            if (kind(e) == Kind::to) set_pos(from);
            pop();
            return State::complete;
        }
        if (from >= end()) {
            set_pos(from);
            pop();
            return State::complete;
        }
        set_pos(from + 1);
        put(e, start, *in_);
        fire(iterate_event);
        return start_operand(e);
    }
    case Kind::copy:
    case Kind::set: {
        if (match_) {
            Cell name = get(e, extra);
            cell::set_type(&name, Type::word);
            Cell v = none_cell;
            if (kind(e) == Kind::copy)
                v = copy_range(*in_, from, pos());
            else if (pos() > from)
                v = element(*in_, from);
            context::set_word(name, v);
        } else {
            set_pos(from);
        }
        break;
    }
    case Kind::not_:
        set_pos(from);
        match_ = !match_;
        break;
    case Kind::ahead: set_pos(from); break;
    case Kind::into: {
        const bool ok = match_ && pos() >= tail_of(*in_);
        *in_ = get(e, extra);
        input_changed();
        limit_ = m.w2;
        if (ok) set_pos(pos() + 1);
        match_ = ok;
        break;
    }
    case Kind::remove:
        if (match_) remove_range(*in_, from, pos());
        set_pos(from);
        break;
    case Kind::change: {
        const Cell keyword = *words::change;
        const Cell raw = operand(rpos_, keyword, ErrorId::script_parse_rule);
        ++rpos_;
        if (match_) {
            const Cell value = insertion_value(raw);
            remove_range(*in_, from, pos());
            set_pos(from + insert_at(*in_, from, value, m.w2 != 0));
        } else {
            set_pos(from);
        }
        break;
    }
    case Kind::keep:
        if (match_) keep_part(from, pos(), m.w2 != 0);
        else set_pos(from);
        break;
    case Kind::collect:
        if (match_) {
            finish_collect(e);
            return State::complete;
        }
        set_pos(from);
        break;
    case Kind::case_: strict_ = m.w2 != 0; break;
    case Kind::block: return State::complete;
    }
    pop();
    return State::complete;
}

bool Engine::run(const Cell& rules) {
    rule_ = as_series(rules).node;
    rpos_ = as_series(rules).index;
    push(meta_cell(Kind::block, 0), none_cell, rules, none_cell);
    State s = State::fetch;
    while (s != State::done && !stopped_) s = s == State::fetch ? fetch() : complete();
    if (stopped_) return match_;
    if (match_ && !at_end()) match_ = false;
    fire(end_event);
    return match_;
}

}  // namespace

void init_stacks() {
    work = series_buffer::append_cell(roots::block());
    block::make_at(work, 100);
    work_stack = as_series(*work).node;
    const char* events[] = {"push", "pop", "fetch", "match", "iterate", "paren", "end", "<parse-callback>"};
    for (const char* name : events) {
        Cell* c = series_buffer::append_cell(roots::block());
        event_words = event_words ? event_words : c;
        *c = context::make_global_word(symbol::intern_cstring(name));
    }
    const std::pair<u32, Keyword> names[] = {
        {sym::bar, Keyword::bar},       {sym::skip, Keyword::skip},     {sym::any, Keyword::any},
        {sym::some, Keyword::some},     {sym::opt, Keyword::opt},       {sym::while_, Keyword::while_},
        {sym::to, Keyword::to},         {sym::thru, Keyword::thru},     {sym::copy, Keyword::copy},
        {sym::set, Keyword::set},       {sym::not_, Keyword::not_},     {sym::ahead, Keyword::ahead},
        {sym::into, Keyword::into},     {sym::end, Keyword::end},       {sym::fail, Keyword::fail},
        {sym::break_, Keyword::break_}, {sym::reject, Keyword::reject}, {sym::none, Keyword::none},
        {sym::quote, Keyword::quote},   {sym::if_, Keyword::if_},       {sym::case_, Keyword::case_},
        {sym::remove, Keyword::remove}, {sym::insert, Keyword::insert}, {sym::collect, Keyword::collect},
        {sym::keep, Keyword::keep},     {as_word(*words::change).symbol, Keyword::change},
    };
    keywords.clear();
    keyword_of_symbol.clear();
    for (const auto& [id, k] : names) {
        const u32 canonical = symbol::canonical_id(id);
        if (canonical >= keywords.size()) keywords.resize(canonical + 1, Keyword::none_);
        keywords[canonical] = k;
    }
}

bool run_rules(Cell* input, const Cell& rules, u32 limit, bool strict, Cell* result, const Cell* callback) {
    const StackMark mark;
    Engine engine(input, limit, strict, result, callback, mark.tail() / entry_cells);
    return engine.run(rules);
}

}  // namespace zel::parse
