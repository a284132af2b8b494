// The loop natives: while, until, loop, repeat, forever, foreach, forall, remove-each.
// Each runs its body in a loop frame; a series being walked is held as (node, index) and
// its cells are read again after every body run, which may change or move it.
#include <cmath>
#include <limits>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/eval/frame.h"
#include "runtime/names/context.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/loop-frame.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

using Step = LoopFrame::Step;

// A count given as a float! is truncated; one beyond the integer range is clamped to it,
// and NaN counts nothing.
i64 count_of(const Cell& count) {
    if (count.is(Type::integer)) return static_cast<i32>(count.w2);
    const double d = float_payload(count);
    if (std::isnan(d)) return 0;
    constexpr double low = std::numeric_limits<i32>::min();
    constexpr double high = std::numeric_limits<i32>::max();
    return static_cast<i64>(d < low ? low : d > high ? high : d);
}

void set_word(Cell word, const Cell& value) {
    cell::set_type(&word, Type::word);
    context::set_word(word, value);
}

u32 length_of(const Cell& s) { return series::buffer_length(s); }

// The value at `index` of a series: the cell itself in a block-like series, the char! in
// a string-like one, what `pick` gives in the others; none past the tail.
Cell element_at(const Cell& s, u32 index) {
    if (index >= length_of(s)) return none_cell;
    if (series::any_block(s.type())) return *block::cell_at(s, index);
    if (series::any_string(s.type())) return char_::cell(string::char_at_head(s, index));
    Cell at = s;
    at.w1 = index;
    const Cell one = integer::cell(1);
    const auto pick = actions_of(at).on_pick;
    if (!pick) raise_expect_arg(at);
    return *pick(&at, &one);
}

// The words a foreach or remove-each sets: one word!, or a block of word-like values.
struct LoopWords {
    Cell words;
    u32 count;
};

LoopWords loop_words(const Cell& spec) {
    if (!spec.is(Type::block)) return {spec, 1};
    const i32 n = block::length(spec);
    if (n <= 0) raise(ErrorId::script_invalid_arg, &spec);
    for (i32 i = 0; i < n; ++i) {
        const Cell w = *block::cell_at(spec, spec.w1 + static_cast<u32>(i));
        const Type t = w.type();
        if (t != Type::word && t != Type::set_word && t != Type::get_word && t != Type::lit_word)
            raise(ErrorId::script_invalid_arg, &w);
    }
    return {spec, static_cast<u32>(n)};
}

// Sets the loop words from the series at `index`.
void set_loop_words(const LoopWords& lw, const Cell& s, u32 index) {
    if (lw.count == 1 && !lw.words.is(Type::block)) {
        set_word(lw.words, element_at(s, index));
        return;
    }
    for (u32 i = 0; i < lw.count; ++i) set_word(*block::cell_at(lw.words, lw.words.w1 + i), element_at(s, index + i));
}

void remove_at(const Cell& data, u32 index, u32 count) {
    if (series::any_string(data.type())) {
        string::remove_chars(data, index, count);
        return;
    }
    Cell at = data;
    at.w1 = index;
    const Cell part = integer::cell(static_cast<i32>(count));
    const auto remove = actions_of(at).on_remove;
    if (!remove) raise_expect_arg(at);
    remove(&at, &part, nullptr);
}

}  // namespace

void while_(const i32*) {
    const Cell condition = arg(0);
    const Cell body = arg(1);
    LoopFrame loop;
    Cell value = unset_cell;
    for (;;) {
        const Cell holds = loop.condition(condition);
        if (exits::exiting) return;
        if (!logic::condition_true(holds)) break;
        const Step step = loop.run<false>(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) {
            loop.close(value);
            return;
        }
    }
    loop.close(unset_cell);
}

void until(const i32*) {
    const Cell body = arg(0);
    LoopFrame loop;
    Cell value;
    for (;;) {
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke || (step == Step::done && logic::condition_true(value))) break;
    }
    loop.close(value);
}

void loop(const i32*) {
    const i64 count = count_of(arg(0));
    const Cell body = arg(1);
    if (count < 1) {
        set_result(none_cell);
        return;
    }
    LoopFrame frame;
    Cell value = unset_cell;
    for (i64 i = 0; i < count; ++i) {
        const Step step = frame.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
    }
    frame.close(value);
}

void repeat(const i32*) {
    const Cell word = arg(0);
    const i64 count = count_of(arg(1));
    const Cell body = arg(2);
    if (count < 1) {
        set_result(none_cell);
        return;
    }
    LoopFrame loop;
    Cell value = unset_cell;
    for (i64 i = 1; i <= count; ++i) {
        set_word(word, integer::cell(static_cast<i32>(i)));
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
    }
    loop.close(value);
}

void forever(const i32*) {
    const Cell body = arg(0);
    LoopFrame loop;
    Cell value;
    for (;;) {
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
    }
    loop.close(value);
}

namespace {

// foreach over a map: two words take each live pair's key and value, in the map's order.
void foreach_pair(const LoopWords& words, const Cell& m, const Cell& body) {
    if (words.count != 2) raise(ErrorId::script_invalid_arg, &words.words);
    LoopFrame loop;
    Cell value = unset_cell;
    Cell key;
    Cell item;
    for (u32 index = 0; map::next_pair(m, index, key, item); index += 2) {
        set_word(*block::cell_at(words.words, words.words.w1), key);
        set_word(*block::cell_at(words.words, words.words.w1 + 1), item);
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
    }
    loop.close(value);
}

}  // namespace

void foreach(const i32*) {
    const LoopWords words = loop_words(arg(0));
    const Cell series = arg(1);
    const Cell body = arg(2);
    if (series.is(Type::map)) {
        foreach_pair(words, series, body);
        return;
    }
    LoopFrame loop;
    Cell value = unset_cell;
    for (u32 index = series.w1; index < length_of(series); index += words.count) {
        set_loop_words(words, series, index);
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
    }
    loop.close(value);
}

void forall(const i32*) {
    Cell word = arg(0);
    cell::set_type(&word, Type::word);
    const Cell start = *context::get_word(word);
    if (!series::any_series(start.type())) {
        const Cell call = frame::current_call_word();
        const Cell type = datatype::of(start.type());
        raise(ErrorId::script_expect_arg, &call, &type, &word);
    }
    const Cell body = arg(1);
    LoopFrame loop;
    Cell value = unset_cell;
    for (;;) {
        const Cell at = *context::get_word(word);
        if (at.w1 >= length_of(at)) break;
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) {
            loop.close(value);
            return;
        }
        Cell now = *context::get_word(word);
        if (now.type() != start.type() || now.w2 != start.w2) raise(ErrorId::script_bad_loop_series, &now);
        ++now.w1;
        context::set_word(word, now);
    }
    context::set_word(word, start);
    loop.close(value);
}

void remove_each(const i32*) {
    const LoopWords words = loop_words(arg(0));
    const Cell data = arg(1);
    const Cell body = arg(2);
    LoopFrame loop;
    Cell value;
    for (u32 index = data.w1; index < length_of(data);) {
        set_loop_words(words, data, index);
        const Step step = loop.run(body, value);
        if (step == Step::left) return;
        if (step == Step::broke) break;
        if (step == Step::continued || logic::is_false(value)) {
            index += words.count;
            continue;
        }
        remove_at(data, index, words.count);
    }
    loop.close(data);
}

}  // namespace zel::natives
