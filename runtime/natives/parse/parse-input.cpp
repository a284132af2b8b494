#include "runtime/natives/parse/parse-input.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/bitset.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/symbol.h"
#include "runtime/text/case-mapping.h"

namespace zel::parse {
namespace {

unicode::Units head_units(const Cell& s) {
    Cell head = s;
    head.w1 = 0;
    return unicode::units_of(head, -1);
}

bool same_unit(u32 a, u32 b, bool strict) { return a == b || (!strict && unicode::fold(a) == unicode::fold(b)); }

// A text or binary rule against units of the input: its own units (a tag between angle
// brackets), compared one by one.
i64 match_units(const unicode::Units& in, u32 at, u32 end, const Cell& rule, bool strict) {
    const bool tag = rule.is(Type::tag);
    const unicode::Units r = string::units_from_position(rule);
    const u32 n = r.count + (tag ? 2 : 0);
    if (u64{at} + n > end) return -1;
    u32 p = at;
    if (tag && string::unit_at(in, p++) != '<') return -1;
    for (u32 i = 0; i < r.count; ++i, ++p)
        if (!same_unit(string::unit_at(in, p), string::unit_at(r, i), strict)) return -1;
    if (tag && string::unit_at(in, p) != '>') return -1;
    return n;
}

i64 match_in_units(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict) {
    const unicode::Units in = head_units(input);
    const Type t = rule.type();
    if (series::any_string(t) || t == Type::binary) {
        if (at >= end) return series::any_string(t) && kind_of(input.type()) == InputKind::text &&
                                      string::units_from_position(rule).count == 0 && !rule.is(Type::tag)
                                  ? 0
                                  : -1;
        return match_units(in, at, end, rule, strict);
    }
    if (at >= end) return -1;
    const u32 unit = string::unit_at(in, at);
    if (t == Type::char_) return same_unit(unit, as_char(rule).code_point, strict) ? 1 : -1;
    if (t == Type::integer && kind_of(input.type()) == InputKind::bytes)
        return unit == static_cast<u32>(as_integer(rule).value) ? 1 : -1;
    if (t == Type::bitset) return bitset::has(rule, unit) ? 1 : -1;
    return -1;
}

// A character's other case when it matters to a case-insensitive search of units of
// width `unit`: itself for a character no other one folds to (an ASCII character other
// than a letter), the other ASCII case of a letter among one-byte units (no other byte
// folds to an ASCII letter), and 0 when the search must fold every unit.
u32 other_case(u32 c, u32 unit) {
    if (c >= 0x80) return 0;
    const u32 lower = c | 0x20;
    if (lower < 'a' || lower > 'z') return c;
    return unit == 1 ? c ^ 0x20 : 0;
}

// The first unit equal to `a` or `b` from `from` up to `last`, or -1; one-byte units are
// scanned with memchr.
i64 find_unit(const unicode::Units& in, u32 from, u32 last, u32 a, u32 b) {
    if (in.unit == 1) {
        const u8* const p = in.start;
        if (a == b) {
            if (a > 0xFF || from >= last) return -1;
            const void* hit = std::memchr(p + from, static_cast<int>(a), last - from);
            return hit ? static_cast<const u8*>(hit) - p : -1;
        }
        for (u32 at = from; at < last; ++at)
            if (p[at] == a || p[at] == b) return at;
        return -1;
    }
    for (u32 at = from; at < last; ++at) {
        const u32 unit = string::unit_at(in, at);
        if (unit == a || unit == b) return at;
    }
    return -1;
}

// A lit-word or lit-path rule stands for the word or path of that spelling.
Cell literal_form(const Cell& rule) {
    Cell r = rule;
    if (r.is(Type::lit_word)) cell::set_type(&r, Type::word);
    if (r.is(Type::lit_path)) cell::set_type(&r, Type::path);
    return r;
}

}  // namespace

InputKind kind_of(Type t) {
    if (t == Type::binary) return InputKind::bytes;
    return series::any_block(t) ? InputKind::cells : InputKind::text;
}

i64 match_literal(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict) {
    strict = strict || kind_of(input.type()) == InputKind::bytes;
    if (kind_of(input.type()) != InputKind::cells) return match_in_units(input, at, end, rule, strict);
    if (at >= end) return -1;
    const Cell& value = *block::cell_at(input, at);
    // The commonest rule of block dialects, a lit-word against a word, without the
    // generic comparison.
    if (rule.is(Type::lit_word) && value.is(Type::word))
        return same_word(as_word(value).symbol, as_word(rule).symbol, strict) ? 1 : -1;
    const Cell copy = value;  // the comparison may allocate
    return compare_values(copy, literal_form(rule), strict ? compare_code::strict_equal : compare_code::equal) ? 1 : -1;
}

Run match_run(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict, u32 max) {
    Run run{0, at};
    // A character or a set tested against the units in a loop that reads the buffer once.
    if (kind_of(input.type()) != InputKind::cells && (rule.is(Type::bitset) || rule.is(Type::char_))) {
        const unicode::Units in = head_units(input);
        const u32 last = std::min(end, in.count);
        if (rule.is(Type::bitset)) {
            const bitset::Members set = bitset::members_of(rule);
            if (in.unit == 1) {
                u32 p = run.end;
                const u32 stop = p >= last ? p : static_cast<u32>(std::min<u64>(last, u64{p} + max));
                while (p < stop && set.has(in.start[p])) ++p;
                run.count = p - run.end;
                run.end = p;
                return run;
            }
            while (run.count < max && run.end < last && set.has(string::unit_at(in, run.end))) ++run.end, ++run.count;
            return run;
        }
        strict = strict || kind_of(input.type()) == InputKind::bytes;
        const u32 wanted = as_char(rule).code_point;
        while (run.count < max && run.end < last && same_unit(string::unit_at(in, run.end), wanted, strict))
            ++run.end, ++run.count;
        return run;
    }
    while (run.count < max) {
        const i64 n = match_literal(input, run.end, end, rule, strict);
        if (n < 0) break;
        ++run.count;
        if (n == 0) break;
        run.end += static_cast<u32>(n);
    }
    return run;
}

i64 match_type(const Cell& input, u32 at, u32 end, const Cell& rule) {
    if (at >= end) return -1;
    const auto fits = [&rule](Type t) {
        const u32 id = static_cast<u32>(t);
        return rule.is(Type::datatype) ? as_datatype(rule).type_id == id : typeset::has(rule, id);
    };
    if (kind_of(input.type()) == InputKind::cells) return fits(block::cell_at(input, at)->type()) ? 1 : -1;
    // The pointer into the bytes, alive on the stack through the scan, pins their buffer.
    const u8* const bytes = head_units(input).start + at;
    lexer::Result scanned;
    try {
        lexer::Options single;
        single.single = true;
        scanned = lexer::scan_utf8(bytes, end - at, single);
    } catch (const ErrorThrow& e) {
        if (error_info(e.id).category != ErrorCategory::syntax) throw;
        return -1;
    }
    if (scanned.last_type == Type{}) return -1;
    return fits(scanned.value.type()) ? i64{scanned.consumed} : -1;
}

bool searchable(const Cell& input, const Cell& rule) {
    if (rule.is(Type::char_) || kind_of(input.type()) == InputKind::cells) return true;
    const Type t = rule.type();
    return t == Type::bitset || t == Type::binary || series::any_string(t) ||
           (t == Type::integer && kind_of(input.type()) == InputKind::bytes);
}

Found search(const Cell& input, u32 from, u32 end, const Cell& rule, bool strict) {
    // A character in one-byte text or a binary!, the commonest search (a block's buffer
    // has units of a cell).
    if (rule.is(Type::char_)) {
        const i64 at = find_char(input, from, end, as_char(rule).code_point, strict);
        if (at != -2) return at < 0 ? Found{} : Found{at, 1};
    }
    strict = strict || kind_of(input.type()) == InputKind::bytes;
    if (kind_of(input.type()) != InputKind::cells && rule.is(Type::bitset)) {
        const unicode::Units in = head_units(input);
        const bitset::Members set = bitset::members_of(rule);
        const u32 last = std::min(end, in.count);
        if (in.unit == 1) {
            for (u32 at = from; at < last; ++at)
                if (set.has(in.start[at])) return {at, 1};
            return {};
        }
        for (u32 at = from; at < last; ++at)
            if (set.has(string::unit_at(in, at))) return {at, 1};
        return {};
    }
    if (kind_of(input.type()) != InputKind::cells && rule.is(Type::char_)) {
        const unicode::Units in = head_units(input);
        const u32 wanted = as_char(rule).code_point;
        const u32 other = strict ? wanted : other_case(wanted, in.unit);
        if (other != 0) {
            const i64 at = find_unit(in, from, std::min(end, in.count), wanted, other);
            return at < 0 ? Found{} : Found{at, 1};
        }
        const u32 folded = unicode::fold(wanted);
        for (u32 at = from; at < std::min(end, in.count); ++at) {
            const u32 unit = string::unit_at(in, at);
            if (unit == wanted || (!strict && unicode::fold(unit) == folded)) return {at, 1};
        }
        return {};
    }
    for (u32 at = from; at < end; ++at) {
        const i64 n = match_literal(input, at, end, rule, strict);
        if (n >= 0) return {at, static_cast<u32>(n)};
    }
    return {};
}

Cell element(const Cell& input, u32 at) {
    switch (kind_of(input.type())) {
    case InputKind::cells: return *block::cell_at(input, at);
    case InputKind::text: return char_::cell(string::unit_at(head_units(input), at));
    case InputKind::bytes: return integer::cell(static_cast<i32>(string::unit_at(head_units(input), at)));
    }
    return none_cell;
}

Cell copy_range(const Cell& input, u32 from, u32 to) {
    const u32 tail = tail_of(input);
    Cell source = input;
    source.w1 = std::min(from, tail);
    const u32 count = std::max(std::min(to, tail), source.w1) - source.w1;
    if (kind_of(input.type()) != InputKind::cells) {
        // Text and binary! copy their units as they are: one buffer of the exact size.
        Cell copied = series_cell(input.type(), series_buffer::copy_slice(as_series(input).node, source.w1, count));
        copied.header |= input.header & cellflag::new_line;
        return copied;
    }
    const Cell part = integer::cell(static_cast<i32>(count));
    Cell result = none_cell;
    actions_of(source).on_copy(&source, &result, &part, false, nullptr);
    return result;
}

void remove_range(const Cell& input, u32 from, u32 to) {
    const u32 tail = tail_of(input);
    from = std::min(from, tail);
    to = std::min(to, tail);
    if (to <= from) return;
    Cell target = input;
    target.w1 = from;
    const Cell part = integer::cell(static_cast<i32>(to - from));
    actions_of(target).on_remove(&target, &part, nullptr);
}

u32 insert_at(const Cell& input, u32 at, const Cell& value, bool only) {
    const u32 before = tail_of(input);
    Cell target = input;
    target.w1 = std::min(at, before);
    const Cell inserted = value;
    actions_of(target).on_insert(&target, &inserted, -1, only, 1, false);
    return tail_of(input) - before;
}

}  // namespace zel::parse
