// The set operations over blocks (unique, union, intersect, exclude, difference) on
// records of /skip cells, through the series' set-operation skeleton. Records hash by
// their first cell; equal records hash alike because the hash folds case and nested
// blocks, which compare by content, all share one hash.
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"

namespace zel::block {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

u32 hash_record(const Cell& b, u32 at, u32, bool) {
    const Cell first = *cell_at(b, at);
    return series::any_block(first.type()) ? 0 : hashtable::hash_cell(first, false);
}

bool equal_records(const Cell& b1, u32 at1, const Cell& b2, u32 at2, u32 record, bool case_) {
    const i32 code = case_ ? compare_code::strict_equal : compare_code::equal;
    for (u32 k = 0; k < record; ++k) {
        const Cell a = *cell_at(b1, at1 + k);
        const Cell b = *cell_at(b2, at2 + k);
        if (!compare_values(a, b, code)) return false;
    }
    return true;
}

void take_record(void* result, const Cell& from, u32 at, u32 record) {
    const Cell& into = *static_cast<const Cell*>(result);
    for (u32 k = 0; k < record; ++k) append_value(into, *cell_at(from, at + k));
}

constexpr series::SetRecords block_records{cells_in, hash_record, equal_records, take_record};

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
    *first = result;
    return first;
}

}  // namespace zel::block
