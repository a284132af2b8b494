// Searching blocks: find with its refinements, select, and put, which finds a key and
// stores the value after it.
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"

namespace zel::block {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

using series::Match;

// How a wanted value matches: by the type of a cell, as a sub-sequence of cells, or as
// one cell.
enum class Mode { by_type, sequence, single };

bool matches_at(const Cell& b, u32 i, const Cell& wanted, Mode mode, u32 sub_length, i32 code) {
    switch (mode) {
    case Mode::by_type: {
        const Type t = cell_at(b, i)->type();
        if (wanted.is(Type::datatype)) return t == static_cast<Type>(wanted.w1);
        return typeset::has(wanted, static_cast<u8>(t));
    }
    case Mode::sequence:
        for (u32 k = 0; k < sub_length; ++k) {
            const Cell element = *cell_at(b, i + k);
            const Cell part = *cell_at(wanted, wanted.w1 + k);
            if (!compare_values(element, part, code)) return false;
        }
        return true;
    case Mode::single: break;
    }
    const Cell element = *cell_at(b, i);
    return compare_values(element, wanted, code);
}

Match search(Cell& series, const Cell& wanted, const FindRefinements& r) {
    const series::SearchRange range = series::search_range(series, cells_in(series), r, series::SearchRule::cells);
    if (range.none) return {};
    const i32 code = r.same ? compare_code::same : r.case_ ? compare_code::strict_equal : compare_code::find;
    Mode mode = Mode::single;
    u32 sub_length = 1;
    if (!r.only && (wanted.is(Type::datatype) || wanted.is(Type::typeset))) {
        mode = Mode::by_type;
    } else if (!r.only && series::any_block(wanted.type())) {
        const i64 left = static_cast<i64>(cells_in(wanted)) - wanted.w1;
        if (left <= 0) return {};
        mode = Mode::sequence;
        sub_length = static_cast<u32>(left);
    }
    return series::scan(series::search_window(range, sub_length), sub_length, [&](i64 i) {
        return matches_at(series, static_cast<u32>(i), wanted, mode, sub_length, code);
    });
}

}  // namespace

Cell* find(Cell* series, const Cell* value, const FindRefinements& r) { return series::find_by<search>(series, value, r); }

Cell* select(Cell* series, const Cell* value, const FindRefinements& r) {
    return series::select_by<search>(series, value, r);
}

Cell* put(Cell* series, const Cell* key, const Cell* value, bool case_) {
    const Cell b = *series;
    const Cell k = *key;
    const Cell v = *value;
    FindRefinements refinements;
    refinements.only = true;
    refinements.case_ = case_;
    Cell found = b;
    const Match m = search(found, k, refinements);
    if (m.at < 0) {
        series::notify(b, words::put, static_cast<i32>(cells_in(b)), 1, &v);
        append_value(b, k);
        append_value(b, v);
    } else {
        const u32 at = static_cast<u32>(m.at) + 1;
        series::notify(b, words::put, static_cast<i32>(at), 1, &v);
        // The hook may have changed the block: store after the key where it still is.
        if (at < cells_in(b)) {
            if (!compare_values(*cell_at(b, at), v, compare_code::find)) *cell_at(b, at) = v;
        } else {
            append_value(b, v);
        }
    }
    series::notify(b, words::put_ed, static_cast<i32>(m.at < 0 ? cells_in(b) - 1 : m.at + 1), 1, &v);
    *series = v;
    return series;
}

}  // namespace zel::block
