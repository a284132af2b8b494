// The clipboard: formats held as Windows lays them out (UTF-16 text with its NUL, a file
// drop list, encoded images, a version-5 bitmap), in memory, and offered to other programs
// by the display when it has a server (X11's CLIPBOARD, served from the message loop). When
// another program owns it, reading asks that program through the display, within bounds.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display/types.h"

namespace zel::display {

inline constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13, CF_HDROP = 15, CF_DIBV5 = 17;

UINT RegisterClipboardFormat(std::u16string_view name);  // "PNG", "JFIF", "GIF" and others
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
BOOL SetClipboardData(UINT format, std::string bytes);
std::optional<std::string> GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

// The platform side of read-clipboard and write-clipboard: the first usable form, in the
// order text, files, encoded image (PNG, JFIF, GIF), 32-bit bitmap.
struct ClipboardContent {
  enum class Kind { none, text, files, encoded_image, pixels } kind = Kind::none;
  std::u16string text;
  std::vector<std::u16string> files;
  std::string encoded;       // the image file's bytes
  std::u16string encoding;   // its format's name
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // ARGB, top row first
};
// Nothing when the clipboard could not be opened in three tries.
std::optional<ClipboardContent> read_clipboard();
// Empties the clipboard, then offers what is given (nothing for an empty content). An image
// goes as PNG (the caller's encoding) and as a bitmap of its pixels.
bool write_clipboard(const ClipboardContent&);

// Byte layouts of the file list and the bitmap, shared with the display backends.
std::string file_drop_of(const std::vector<std::u16string>& files);
std::vector<std::u16string> files_of_drop(std::string_view drop);
std::string bitmap_of(int width, int height, const std::vector<uint32_t>& argb);
bool pixels_of_bitmap(std::string_view bitmap, int* width, int* height, std::vector<uint32_t>* argb);

}  // namespace zel::display
