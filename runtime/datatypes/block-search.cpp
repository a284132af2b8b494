// Searching blocks: find with its refinements, select, and put, which finds a key and
// stores the value after it.
#include <algorithm>

#include "runtime/core/raise.h"
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
    const u32 length = cells_in(series);
    series.w1 = std::min(series.w1, length);
    const i64 index = series.w1;
    if (length == 0 || (index >= length && !r.reverse)) return {};

    i64 step = 1;
    if (r.skip) {
        if (!r.skip->is(Type::integer)) raise(ErrorId::script_invalid_refine_arg, refinements::skip, r.skip);
        step = static_cast<i32>(r.skip->w2);
        if (step < 1) raise(ErrorId::script_out_of_range, r.skip);
    }
    // The search covers positions below `limit`.
    i64 limit = length;
    if (r.part) {
        if (r.part->is(Type::integer)) {
            const i64 n = static_cast<i32>(r.part->w2);
            if (n < 1) return {};
            limit = std::min<i64>(index + n, length);
        } else if (r.part->type() == series.type() && r.part->w2 == series.w2) {
            limit = std::min<i64>(r.part->w1, length);
        } else {
            raise(ErrorId::script_invalid_refine_arg, refinements::part, r.part);
        }
    }
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
    auto try_at = [&](i64 i) { return matches_at(series, static_cast<u32>(i), wanted, mode, sub_length, code); };

    if (r.last || r.reverse) {
        i64 start = r.last ? limit - sub_length : index - sub_length;
        if (start < 0) return {};
        for (i64 i = start; i >= 0; i -= step) {
            if (try_at(i)) return {i, sub_length};
            if (r.match) break;
        }
        return {};
    }
    for (i64 i = index; i + sub_length <= limit; i += step) {
        if (try_at(i)) return {i, sub_length};
        if (r.match) break;
    }
    return {};
}

}  // namespace

Cell* find(Cell* series, const Cell* value, const FindRefinements& refinements) {
    const Cell wanted = *value;
    return series::found(series, search(*series, wanted, refinements), refinements.tail);
}

Cell* select(Cell* series, const Cell* value, const FindRefinements& refinements) {
    const Cell wanted = *value;
    const Match m = search(*series, wanted, refinements);
    const u64 after = static_cast<u64>(m.at) + m.length;
    *series = m.at < 0 || after >= cells_in(*series) ? none_cell : *cell_at(*series, static_cast<u32>(after));
    return series;
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
