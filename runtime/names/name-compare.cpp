#include "runtime/names/name-compare.h"

#include "runtime/core/compare-codes.h"
#include "runtime/text/case-mapping.h"
#include "runtime/text/utf8.h"

namespace zel {
namespace {

bool case_sensitive(i32 code) {
    return code == compare_code::strict_equal || code == compare_code::case_sort || code == compare_code::same;
}

// The next code point of a UTF-8 name; a byte that does not start a valid sequence
// stands for itself.
u32 next_code_point(const u8*& p, const u8* end) {
    std::size_t available = static_cast<std::size_t>(end - p);
    const i32 cp = unicode::decode_utf8_char(p, available);
    if (cp < 0) return *p++;
    p += available;
    return static_cast<u32>(cp);
}

}  // namespace

i32 compare_names(std::string_view a, std::string_view b, i32 code) {
    const bool exact = case_sensitive(code);
    const u8* pa = reinterpret_cast<const u8*>(a.data());
    const u8* pb = reinterpret_cast<const u8*>(b.data());
    const u8* ea = pa + a.size();
    const u8* eb = pb + b.size();
    while (pa < ea && pb < eb) {
        u32 ca = next_code_point(pa, ea);
        u32 cb = next_code_point(pb, eb);
        if (!exact) {
            ca = unicode::fold(ca);
            cb = unicode::fold(cb);
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (pa < ea) return 1;
    return pb < eb ? -1 : 0;
}

}  // namespace zel
