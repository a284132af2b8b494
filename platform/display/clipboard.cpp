#include "platform/display/clipboard.h"

#include <cstring>
#include <map>

#include "platform/display/display.h"
#include "platform/display/message-loop.h"
#include "platform/display/utf16.h"
#include "platform/display/window-table.h"
#include "platform/posix/sleep.h"

namespace zel::display {
namespace {

struct Store {
  std::map<UINT, std::string> formats;
  std::map<std::u16string, UINT> registered;
  bool ours = false;  // the program put the content there
  bool open = false;
  HWND owner = 0;
};

Store& store() {
  static Store s;
  return s;
}

// When another program owns the clipboard, its content is fetched on opening.
void take_foreign() {
  auto& s = store();
  if (s.ours) return;
  auto offered = current_display().foreign_clipboard();
  if (offered.empty()) return;
  s.formats.clear();
  for (auto& [format, bytes] : offered) s.formats[format] = std::move(bytes);
}

void put_u32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t get_u32(std::string_view in, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + static_cast<size_t>(i)])) << (8 * i);
  return v;
}

constexpr size_t bitmap_header_size = 124;

}  // namespace

UINT RegisterClipboardFormat(std::u16string_view name) {
  auto& s = store();
  if (name.empty()) return 0;
  auto [at, added] = s.registered.emplace(std::u16string(name), static_cast<UINT>(0xC000 + s.registered.size()));
  return at->second;
}

BOOL OpenClipboard(HWND owner) {
  auto& s = store();
  if (s.open) return 0;
  s.open = true;
  s.owner = owner;
  take_foreign();
  return 1;
}

BOOL CloseClipboard() {
  auto& s = store();
  if (!s.open) return 0;
  s.open = false;
  return 1;
}

BOOL EmptyClipboard() {
  auto& s = store();
  if (!s.open) return 0;
  s.formats.clear();
  s.ours = true;
  current_display().own_clipboard();
  return 1;
}

BOOL SetClipboardData(UINT format, std::string bytes) {
  auto& s = store();
  if (!s.open || !s.ours || !format) return 0;
  s.formats[format] = std::move(bytes);
  return 1;
}

std::optional<std::string> GetClipboardData(UINT format) {
  auto& s = store();
  if (!s.open) return std::nullopt;
  auto found = s.formats.find(format);
  if (found == s.formats.end()) return std::nullopt;
  return found->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  auto& s = store();
  if (!s.open) take_foreign();
  return s.formats.count(format) ? 1 : 0;
}

void clipboard_lost() { store().ours = false; }

std::string file_drop_of(const std::vector<std::u16string>& files) {
  std::string out;
  put_u32(out, 20);  // where the names start
  put_u32(out, 0), put_u32(out, 0), put_u32(out, 0);
  put_u32(out, 1);  // wide names
  for (const auto& f : files) out += bytes_of(f), out += std::string(2, '\0');
  out += std::string(2, '\0');
  return out;
}

std::vector<std::u16string> files_of_drop(std::string_view drop) {
  std::vector<std::u16string> files;
  if (drop.size() < 20) return files;
  size_t at = get_u32(drop, 0);
  if (at > drop.size() || get_u32(drop, 16) != 1) return files;
  while (at + 1 < drop.size()) {
    std::u16string name = utf16_of_bytes(drop.substr(at));
    if (name.empty()) break;
    at += 2 * (name.size() + 1);
    files.push_back(std::move(name));
  }
  return files;
}

std::string bitmap_of(int width, int height, const std::vector<uint32_t>& argb) {
  std::string out;
  put_u32(out, bitmap_header_size);
  put_u32(out, static_cast<uint32_t>(width));
  put_u32(out, static_cast<uint32_t>(-height));  // rows top first
  put_u32(out, 1 | (32 << 16));                  // planes, bits per pixel
  put_u32(out, 3);                               // bit fields
  put_u32(out, static_cast<uint32_t>(width * height * 4));
  put_u32(out, 0), put_u32(out, 0), put_u32(out, 0), put_u32(out, 0);
  put_u32(out, 0x00FF0000), put_u32(out, 0x0000FF00), put_u32(out, 0x000000FF), put_u32(out, 0xFF000000);
  out.resize(bitmap_header_size, '\0');
  for (uint32_t p : argb) put_u32(out, p);
  return out;
}

bool pixels_of_bitmap(std::string_view bitmap, int* width, int* height, std::vector<uint32_t>* argb) {
  if (bitmap.size() < bitmap_header_size || get_u32(bitmap, 0) < bitmap_header_size) return false;
  int32_t w = static_cast<int32_t>(get_u32(bitmap, 4)), h = static_cast<int32_t>(get_u32(bitmap, 8));
  uint32_t bits = get_u32(bitmap, 12) >> 16;
  if (bits != 32 || get_u32(bitmap, 40) != 0x00FF0000 || get_u32(bitmap, 44) != 0x0000FF00 ||
      get_u32(bitmap, 48) != 0x000000FF || get_u32(bitmap, 52) != 0xFF000000 || w <= 0 || h == 0)
    return false;
  bool top_down = h < 0;
  int64_t rows = top_down ? -static_cast<int64_t>(h) : h;
  size_t start = get_u32(bitmap, 0);
  if (static_cast<uint64_t>(w) * static_cast<uint64_t>(rows) * 4 > bitmap.size() - start) return false;
  argb->assign(static_cast<size_t>(w) * static_cast<size_t>(rows), 0);
  for (int64_t y = 0; y < rows; ++y)
    for (int64_t x = 0; x < w; ++x) {
      int64_t from_row = top_down ? y : rows - 1 - y;
      (*argb)[static_cast<size_t>(y * w + x)] = get_u32(bitmap, start + static_cast<size_t>((from_row * w + x) * 4));
    }
  *width = w;
  *height = static_cast<int>(rows);
  return true;
}

std::optional<ClipboardContent> read_clipboard() {
  bool opened = false;
  for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
    if (attempt) {
      MSG m;
      PeekMessage(&m, 0, 0, 0, PM_NOREMOVE);
      platform::sleep_seconds(0.001);
    }
    opened = OpenClipboard(0);
  }
  if (!opened) return std::nullopt;
  ClipboardContent c;
  if (auto text = GetClipboardData(CF_UNICODETEXT)) {
    c.kind = ClipboardContent::Kind::text;
    c.text = utf16_of_bytes(*text);
  } else if (auto drop = GetClipboardData(CF_HDROP)) {
    c.kind = ClipboardContent::Kind::files;
    c.files = files_of_drop(*drop);
  } else {
    for (const char16_t* name : {u"PNG", u"JFIF", u"GIF"})
      if (auto bytes = GetClipboardData(RegisterClipboardFormat(name))) {
        c.kind = ClipboardContent::Kind::encoded_image;
        c.encoded = std::move(*bytes);
        c.encoding = name;
        break;
      }
    if (c.kind == ClipboardContent::Kind::none)
      if (auto bitmap = GetClipboardData(CF_DIBV5); bitmap && pixels_of_bitmap(*bitmap, &c.width, &c.height, &c.pixels))
        c.kind = ClipboardContent::Kind::pixels;
  }
  CloseClipboard();
  return c;
}

bool write_clipboard(const ClipboardContent& c) {
  std::vector<std::pair<UINT, std::string>> prepared;
  switch (c.kind) {
    case ClipboardContent::Kind::none: break;
    case ClipboardContent::Kind::text: prepared.push_back({CF_UNICODETEXT, bytes_of(c.text) + std::string(2, '\0')}); break;
    case ClipboardContent::Kind::files: prepared.push_back({CF_HDROP, file_drop_of(c.files)}); break;
    case ClipboardContent::Kind::encoded_image:
    case ClipboardContent::Kind::pixels:
      if (c.width <= 0 || c.height <= 0) break;
      if (!c.encoded.empty()) prepared.push_back({RegisterClipboardFormat(u"PNG"), c.encoded});
      if (c.pixels.size() == static_cast<size_t>(c.width) * static_cast<size_t>(c.height))
        prepared.push_back({CF_DIBV5, bitmap_of(c.width, c.height, c.pixels)});
      break;
  }
  if (!OpenClipboard(0)) return false;
  bool all = EmptyClipboard() != 0;
  for (auto& [format, bytes] : prepared) all = SetClipboardData(format, std::move(bytes)) && all;
  CloseClipboard();
  return all;
}

}  // namespace zel::display
