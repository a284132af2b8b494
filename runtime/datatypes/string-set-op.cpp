// The set operations over strings (unique, union, intersect, exclude, difference) on
// records of /skip characters, through the series' set-operation skeleton. A record's key
// is its first character, letters in either case alike unless /case.
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/hash/hashtable.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {
namespace {

u32 key(u32 c, bool case_) { return case_ ? c : unicode::fold(c); }

u32 hash_key(const Cell& s, u32 at, bool case_) { return hashtable::mix32(key(char_at_head(s, at), case_)); }

bool equal_keys(const Cell& s1, u32 at1, const Cell& s2, u32 at2, bool case_) {
    return key(char_at_head(s1, at1), case_) == key(char_at_head(s2, at2), case_);
}

void take_record(void* result, const Cell& from, u32 at, u32 record) {
    for (u32 k = 0; k < record; ++k) static_cast<Output*>(result)->append_char(char_at_head(from, at + k));
}

constexpr series::SetRecords string_records{total_length, hash_key, equal_keys, take_record};

}  // namespace

Cell* set_op(Cell* first, const Cell* second, bool case_, SetOp op, const Cell* skip) {
    Output out;
    series::set_operation(op, *first, second, skip, case_, string_records, &out);
    Cell result = out.value();
    cell::set_type(&result, first->type());
    *first = result;
    return first;
}

}  // namespace zel::string
