#include "runtime/text/char-width.h"

#include <algorithm>

namespace zel::unicode {
namespace {

struct CodeRange {
    u32 first;
    u32 last;
};

#include "runtime/text/width-tables.inc"

template <std::size_t N>
bool in_ranges(u32 cp, const CodeRange (&ranges)[N]) {
    if (cp < ranges[0].first || cp > ranges[N - 1].last) return false;
    const CodeRange* r = std::partition_point(ranges, ranges + N, [cp](const CodeRange& x) { return x.last < cp; });
    return r != ranges + N && r->first <= cp;
}

}  // namespace

int char_width(u32 cp) {
    if (cp == 0) return 0;
    if (in_ranges(cp, zero_width_ranges)) return 0;
    if (in_ranges(cp, wide_ranges)) return 2;
    return 1;
}

}  // namespace zel::unicode
