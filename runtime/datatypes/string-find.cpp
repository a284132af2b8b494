// Searching strings: find with its refinements, and select, which answers the character
// after a match. A search reads the units in place and allocates nothing once the sought
// text is known, so the spans it reads stay valid.
#include <cstring>
#include <optional>

#include "runtime/core/raise.h"
#include "runtime/datatypes/bitset.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {
namespace {

using series::Match;

// An exact forward search of 1-byte units for 1-byte text: memchr finds each candidate
// first unit, so the search runs at memory speed over long binaries and texts.
Match scan_bytes(const series::SearchWindow& w, const unicode::Units& units, const unicode::Units& text) {
    const u8 first = text.start[0];
    for (i64 i = w.first; i <= w.last;) {
        const void* hit = std::memchr(units.start + i, first, static_cast<std::size_t>(w.last - i + 1));
        if (!hit) break;
        i = static_cast<const u8*>(hit) - units.start;
        if (std::memcmp(units.start + i, text.start, text.count) == 0) return {i, text.count};
        ++i;
    }
    return {};
}

// What is sought: one character, any character of a bitset, or a text.
struct Wanted {
    enum class Kind { character, bitset, text } kind = Kind::text;
    u32 code_point = 0;
    Cell value{};  // the bitset, or the text (a string-like value at its position)
};

// Texts are sought by their characters from their position (a tag! by its formed text,
// brackets included); any other value but a char! or bitset! by its formed text.
Wanted wanted_of(const Cell& value, std::optional<Output>& formed) {
    Wanted w;
    if (value.is(Type::char_)) {
        w.kind = Wanted::Kind::character;
        w.code_point = value.w2;
    } else if (value.is(Type::bitset)) {
        w.kind = Wanted::Kind::bitset;
        w.value = value;
    } else if (value.is(Type::binary)) {
        raise(ErrorId::script_invalid_arg, &value);
    } else if (series::any_string(value.type()) && !value.is(Type::tag)) {
        w.value = value;
    } else {
        formed.emplace();
        form_value(value, *formed, nullptr, no_limit);
        w.value = formed->value();
    }
    return w;
}

Match search(Cell& series, const Cell& value, const FindRefinements& r) {
    const series::SearchRange range = series::search_range(series, total_length(series), r, series::SearchRule::units);
    if (range.none) return {};

    std::optional<Output> formed;
    const Wanted wanted = wanted_of(value, formed);
    const bool fold = !r.case_ && !r.same;
    // Nothing allocates from here on: the spans stay valid.
    const unicode::Units units = unicode::units_of(Cell{series.header, 0, series.w2, 0}, -1);
    unicode::Units text{};
    u32 length = 1;
    if (wanted.kind == Wanted::Kind::text) {
        text = units_from_position(wanted.value);
        length = text.count;
        // The empty text is found nowhere.
        if (length == 0) return {};
    }
    const auto key = [fold](u32 c) { return fold ? unicode::fold(c) : c; };
    const u32 wanted_char = key(wanted.code_point);
    const auto matches_at = [&](i64 i) {
        switch (wanted.kind) {
        case Wanted::Kind::character: return key(unit_at(units, static_cast<u32>(i))) == wanted_char;
        case Wanted::Kind::bitset: return bitset::has(wanted.value, unit_at(units, static_cast<u32>(i)));
        case Wanted::Kind::text: break;
        }
        for (u32 k = 0; k < length; ++k)
            if (key(unit_at(units, static_cast<u32>(i) + k)) != key(unit_at(text, k))) return false;
        return true;
    };

    const series::SearchWindow window = series::search_window(range, length);
    if (wanted.kind == Wanted::Kind::text && !fold && units.unit == 1 && text.unit == 1 && window.step == 1 && !window.match)
        return scan_bytes(window, units, text);
    return series::scan(window, length, matches_at);
}

}  // namespace

// A character or a bitset found backward answers the position of the match even with
// /tail; a text answers the position after it.
Cell* find(Cell* series, const Cell* value, const FindRefinements& r) {
    FindRefinements refinements = r;
    const bool one_unit = value->is(Type::char_) || value->is(Type::bitset);
    if (one_unit && (r.last || r.reverse)) refinements.tail = false;
    return series::find_by<search>(series, value, refinements);
}

Cell* select(Cell* series, const Cell* value, const FindRefinements& r) {
    return series::select_by<search>(series, value, r);
}

}  // namespace zel::string
