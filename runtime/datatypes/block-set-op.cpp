// The set operations over blocks (unique, union, intersect, exclude, difference) on
// records of /skip cells. Membership goes through a hash index of records by their first
// cell; equal records hash alike because the hash folds case and nested blocks, which
// compare by content, all share one hash.
#include <algorithm>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"

namespace zel::block {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

constexpr u32 no_entry = 0xFFFFFFFF;

// An index of the records of a block from its position.
class RecordSet {
public:
    RecordSet(const Cell& block, u32 record, i32 code, u32 expected)
        : block_(block), record_(record), code_(code), heads_(std::max<u32>(hashtable::next_pow2(expected * 2), 8), no_entry) {}

    void add(u32 at) {
        const u32 h = bucket(*cell_at(block_, at));
        next_.push_back(heads_[h]);
        starts_.push_back(at);
        heads_[h] = static_cast<u32>(starts_.size() - 1);
    }
    void add_all() {
        for (u32 at = block_.w1; at + record_ <= cells_in(block_); at += record_) add(at);
    }
    // Whether a record equal to the one at `at` of `other` is in the set.
    bool contains(const Cell& other, u32 at) const {
        for (u32 e = heads_[bucket(*cell_at(other, at))]; e != no_entry; e = next_[e])
            if (equal(other, at, starts_[e])) return true;
        return false;
    }

private:
    u32 bucket(const Cell& first) const {
        const u32 h = series::any_block(first.type()) ? 0 : hashtable::hash_cell(first, false);
        return h & static_cast<u32>(heads_.size() - 1);
    }
    bool equal(const Cell& other, u32 at, u32 mine) const {
        for (u32 k = 0; k < record_; ++k) {
            const Cell a = *cell_at(other, at + k);
            const Cell b = *cell_at(block_, mine + k);
            if (!compare_values(a, b, code_)) return false;
        }
        return true;
    }

    Cell block_;
    u32 record_;
    i32 code_;
    std::vector<u32> heads_;
    std::vector<u32> next_;
    std::vector<u32> starts_;
};

}  // namespace

Cell* set_op(Cell* first, const Cell* second, bool case_, i32 code, const Cell* skip) {
    u32 record = 1;
    if (skip) {
        if (!skip->is(Type::integer) || static_cast<i32>(skip->w2) < 1)
            raise(ErrorId::script_invalid_refine_arg, refinements::skip, skip);
        record = skip->w2;
    }
    // exclude (11) is the membership pass that keeps what the second series lacks.
    constexpr i32 unique = 8, union_ = 9, intersect = 10, difference = 12;
    Cell a = *first;
    a.w1 = std::min(a.w1, cells_in(a));
    Cell b = second ? *second : a;
    b.w1 = std::min(b.w1, cells_in(b));
    const i32 compare = case_ ? compare_code::strict_equal : compare_code::equal;
    const u32 length_a = cells_in(a) - a.w1;
    const u32 length_b = cells_in(b) - b.w1;

    Cell result;
    make_at(&result, static_cast<i32>(length_a + (code == union_ ? length_b : 0)));
    cell::set_type(&result, a.type());
    RecordSet in_result(result, record, compare, length_a + length_b);

    // Appends each record of `from` that passes the membership test and is new.
    auto pass = [&](const Cell& from, const RecordSet* other, bool wanted_in_other) {
        for (u32 at = from.w1; at + record <= cells_in(from); at += record) {
            if (other && other->contains(from, at) != wanted_in_other) continue;
            if (in_result.contains(from, at)) continue;
            const u32 added = cells_in(result);
            for (u32 k = 0; k < record; ++k) append_value(result, *cell_at(from, at + k));
            in_result.add(added);
        }
    };
    if (code == unique || code == union_) {
        pass(a, nullptr, true);
        if (code == union_) pass(b, nullptr, true);
    } else {
        RecordSet in_b(b, record, compare, length_b);
        in_b.add_all();
        pass(a, &in_b, code == intersect);
        if (code == difference) {
            RecordSet in_a(a, record, compare, length_a);
            in_a.add_all();
            pass(b, &in_a, false);
        }
    }
    *first = result;
    return first;
}

}  // namespace zel::block
