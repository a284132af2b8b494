// hash!'s own actions: make and to (a block copied or converted, then indexed), mold,
// copy, and find and select through the table; everything else is block!'s.
#include "runtime/datatypes/hash.h"

#include <algorithm>

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"

namespace zel::hash {
namespace {

u32 cells_in(const Cell& h) { return node::buffer(as_series(h).node)->cell_count(); }

Cell* convert(Cell* prototype, const Cell* spec, bool make) {
    const Cell s = *spec;
    if (s.is(Type::hash)) {
        Cell source = s;
        return block::copy(&source, prototype, nullptr, false, nullptr);
    }
    if (make && (s.is(Type::integer) || s.is(Type::float_) || s.is(Type::block))) {
        block::make(prototype, &s, Type::hash);
    } else {
        block::to(prototype, &s, Type::hash);
    }
    index(*prototype);
    return prototype;
}

Cell* make(Cell* prototype, const Cell* spec, Type) { return convert(prototype, spec, true); }
Cell* to(Cell* prototype, const Cell* spec, Type) { return convert(prototype, spec, false); }

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    if (!flags.only) limit = append_text(out, "make hash! ", limit);
    return registry().actions(Type::block).on_mold(value, out, flags, part, limit, indent);
}

// Values that equal others of different identity, while the table hashes them by
// identity: blocks and paths, objects and maps compare by their contents.
bool hashed_by_identity(Type t) {
    return series::any_block(t) || t == Type::object || t == Type::error || t == Type::port || t == Type::map;
}

// Whether the table can answer a search: one value sought, from the position onwards or
// back from it, over every cell.
bool by_table(const Cell& h, const Cell& wanted, const FindRefinements& r) {
    if (!as_series(h).extra || r.part || r.skip || r.match || r.any || r.with) return false;
    if (hashed_by_identity(wanted.type()) && !r.same) return false;
    return r.only || !(wanted.is(Type::datatype) || wanted.is(Type::typeset));
}

series::Match lookup(Cell& h, const Cell& wanted, const FindRefinements& r) {
    u32& index = as_series(h).index;
    index = std::min(index, cells_in(h));
    if (index >= cells_in(h) && !r.reverse) return {};
    const i32 mode = r.same ? compare_code::same : r.case_ ? compare_code::strict_equal : compare_code::find;
    // As on a block, /last looks back from the tail to the head.
    const u32 start = r.last ? 0 : index;
    const i32 at = hashtable::find_cell(as_series(h).extra, wanted, start, 1, mode, r.last, r.reverse && !r.last);
    if (at < 0) return {};
    return {at, 1};
}

Cell* find(Cell* h, const Cell* value, const FindRefinements& r) {
    if (!by_table(*h, *value, r)) return block::find(h, value, r);
    const Cell wanted = *value;
    return series::found(h, lookup(*h, wanted, r), r.tail);
}

Cell* select(Cell* h, const Cell* value, const FindRefinements& r) {
    if (!by_table(*h, *value, r)) return block::select(h, value, r);
    const Cell wanted = *value;
    return series::selected(h, lookup(*h, wanted, r));
}

}  // namespace

void index(Cell& h) {
    if (!h.is(Type::hash)) return;
    const Node data = as_series(h).node;
    as_series(h).extra = 0;
    const Node table = hashtable::make_table(cells_in(h), data, hashtable::kind::hash, 0);
    as_series(h).extra = table;
    hashtable::index_cells(table, 0, 1);
}

}  // namespace zel::hash

namespace zel {

constinit const ActionRecord hash_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_make = hash::make;
    r.on_to = hash::to;
    r.on_mold = hash::mold;
    r.on_find = hash::find;
    r.on_select = hash::select;
    // A hash! has no order of its own to shuffle, no arithmetic and no port behaviour.
    r.on_random = {};
    clear_arithmetic(r);
    r.on_create = {};
    r.on_close = {};
    r.on_delete = {};
    r.on_open = {};
    r.on_open_q = {};
    r.on_query = {};
    r.on_read = {};
    r.on_rename = {};
    r.on_update = {};
    r.on_write = {};
    return r;
}();

}  // namespace zel
