#include "runtime/text/utf16.h"

#include "runtime/text/utf8.h"

namespace zel::unicode {

int utf16_size_of_char(u32 cp) {
    if (cp < 0x10000) return 1;
    return cp <= max_code_point ? 2 : 0;
}

int encode_utf16_char(u32 cp, u16* out) {
    int n = utf16_size_of_char(cp);
    if (n == 1) {
        out[0] = static_cast<u16>(cp);
    } else if (n == 2) {
        u32 v = cp - 0x10000;
        out[0] = static_cast<u16>(0xD800 | v >> 10);
        out[1] = static_cast<u16>(0xDC00 | (v & 0x3FF));
    }
    return n;
}

const u16* decode_utf16_char(const u16* p, const u16* end, u32& cp) {
    cp = p[0];
    if (is_high_surrogate(cp) && p + 1 < end && is_low_surrogate(p[1])) {
        cp = (((cp & 0x3FF) << 10) | (p[1] & 0x3FFu)) + 0x10000;
        return p + 2;
    }
    return p + 1;
}

}  // namespace zel::unicode
