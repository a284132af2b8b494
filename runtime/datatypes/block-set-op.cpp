// The set operations over blocks (unique, union, intersect, exclude, difference) on
// records of /skip cells, through the series' set-operation skeleton. A record's key is
// its first cell, matched as `find` matches a value (so 1 and 1.0 stay apart); equal keys
// hash alike because the hash folds case and nested blocks, which compare by content, all
// share one hash. The
// result has the first series' type; a hash! result gets its own table.
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/hash.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"

namespace zel::block {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

u32 hash_key(const Cell& b, u32 at, bool) {
    const Cell key = *cell_at(b, at);
    return series::any_block(key.type()) ? 0 : hashtable::hash_cell(key, false);
}

bool equal_keys(const Cell& b1, u32 at1, const Cell& b2, u32 at2, bool case_) {
    const Cell a = *cell_at(b1, at1);
    const Cell b = *cell_at(b2, at2);
    return compare_values(a, b, case_ ? compare_code::strict_equal : compare_code::find);
}

void take_record(void* result, const Cell& from, u32 at, u32 record) {
    const Cell& into = *static_cast<const Cell*>(result);
    for (u32 k = 0; k < record; ++k) append_value(into, *cell_at(from, at + k));
}

constexpr series::SetRecords block_records{cells_in, hash_key, equal_keys, take_record};

}  // namespace

Cell* set_op(Cell* first, const Cell* second, bool case_, SetOp op, const Cell* skip) {
    // Room for the first series' cells, and the second's for union.
    Cell a = *first;
    Cell b = second ? *second : a;
    const u32 room = series::remaining_length(a, false) + (op == SetOp::union_ ? series::remaining_length(b, false) : 0);
    Cell result;
    make_at(&result, static_cast<i32>(room));
    cell::set_type(&result, a.type());
    series::set_operation(op, *first, second, skip, case_, block_records, &result);
    hash::index(result);
    *first = result;
    return first;
}

}  // namespace zel::block
