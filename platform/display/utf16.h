// The conversions between the layer's UTF-16 (window text, clipboard text) and the UTF-8
// that Pango and X11 speak. Malformed input becomes U+FFFD; nothing is read beyond the input.
#pragma once
#include <string>
#include <string_view>

namespace zel::display {

std::string utf8_of(std::u16string_view);
std::u16string utf16_of(std::string_view utf8);
// UTF-16 as little-endian bytes (the clipboard's layout), without a terminating NUL.
std::string bytes_of(std::u16string_view);
// The text of little-endian UTF-16 bytes, up to the first NUL unit.
std::u16string utf16_of_bytes(std::string_view);

}  // namespace zel::display
