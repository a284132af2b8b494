#include "runtime/text/percent-coding.h"

#include <string_view>

namespace zel::percent {
namespace {

bool alphanumeric(u32 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool one_of(u32 c, std::string_view chars) { return c < 128 && chars.find(static_cast<char>(c)) != std::string_view::npos; }

}  // namespace

bool url_char(u32 c) { return alphanumeric(c) || one_of(c, "!#$&'()*+,-./:=?@_~"); }

bool unreserved_char(u32 c) { return alphanumeric(c) || one_of(c, "-._~"); }

std::string encode(const u8* bytes, std::size_t count, bool url_set) {
    constexpr std::string_view hex = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const u8 b = bytes[i];
        if (url_set ? url_char(b) : unreserved_char(b)) {
            text.push_back(static_cast<char>(b));
        } else {
            text.push_back('%');
            text.push_back(hex[b >> 4]);
            text.push_back(hex[b & 15]);
        }
    }
    return text;
}

}  // namespace zel::percent
