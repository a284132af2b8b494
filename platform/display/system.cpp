#include "platform/display/system.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/display/display.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

// Monitor handles are their position in the display's list, plus one.
HMONITOR nearest(POINT p, DWORD flags) {
  auto monitors = current_display().monitors();
  HMONITOR best = 0, primary = 0;
  int64_t best_distance = -1;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const RECT& a = monitors[i].area;
    if (monitors[i].primary || !primary) primary = static_cast<HMONITOR>(i + 1);
    int64_t dx = p.x < a.left ? a.left - p.x : p.x >= a.right ? p.x - a.right + 1 : 0;
    int64_t dy = p.y < a.top ? a.top - p.y : p.y >= a.bottom ? p.y - a.bottom + 1 : 0;
    int64_t d = dx * dx + dy * dy;
    if (best_distance < 0 || d < best_distance) best_distance = d, best = static_cast<HMONITOR>(i + 1);
  }
  if (best_distance == 0) return best;
  if (flags == MONITOR_DEFAULTTONEAREST) return best;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return primary;
  return 0;
}

const Monitor* monitor_of(HMONITOR id, std::vector<Monitor>& list) {
  list = current_display().monitors();
  return id >= 1 && id <= list.size() ? &list[id - 1] : nullptr;
}

struct Cursor {
  std::vector<uint32_t> argb;
  int width = 0, height = 0, hot_x = 0, hot_y = 0;
};

std::map<HCURSOR, Cursor>& image_cursors() {
  static std::map<HCURSOR, Cursor> cursors;
  return cursors;
}

struct Caret {
  HWND hwnd = 0;
  int width = 0, height = 0;
  POINT at;
} caret;

HCURSOR current_cursor = IDC_ARROW;

}  // namespace

BOOL EnumDisplayMonitors(const MONITORENUMPROC& each) {
  auto monitors = current_display().monitors();
  for (size_t i = 0; i < monitors.size(); ++i)
    if (!each(static_cast<HMONITOR>(i + 1), monitors[i].area)) break;
  return 1;
}

HMONITOR MonitorFromPoint(POINT p, DWORD flags) { return nearest(p, flags); }

HMONITOR MonitorFromRect(const RECT& r, DWORD flags) {
  auto monitors = current_display().monitors();
  HMONITOR best = 0;
  int64_t best_area = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const RECT& a = monitors[i].area;
    int64_t w = std::min(a.right, r.right) - std::max(a.left, r.left);
    int64_t h = std::min(a.bottom, r.bottom) - std::max(a.top, r.top);
    if (w > 0 && h > 0 && w * h > best_area) best_area = w * h, best = static_cast<HMONITOR>(i + 1);
  }
  if (best) return best;
  return nearest({r.left + r.width() / 2, r.top + r.height() / 2}, flags);
}

HMONITOR MonitorFromWindow(HWND id, DWORD flags) {
  RECT r;
  if (!GetWindowRect(id, &r)) return flags == MONITOR_DEFAULTTONULL ? 0 : nearest({0, 0}, flags);
  return MonitorFromRect(r, flags);
}

BOOL GetMonitorInfo(HMONITOR id, MONITORINFO* out) {
  std::vector<Monitor> list;
  const Monitor* m = monitor_of(id, list);
  if (!m || !out) return 0;
  *out = {m->area, m->work, m->primary ? MONITORINFOF_PRIMARY : 0u};
  return 1;
}

int32_t GetDpiForMonitor(HMONITOR id, int, UINT* dpi_x, UINT* dpi_y) {
  std::vector<Monitor> list;
  const Monitor* m = monitor_of(id, list);
  if (!m) return -1;
  if (dpi_x) *dpi_x = m->dpi;
  if (dpi_y) *dpi_y = m->dpi;
  return 0;
}

UINT GetDpiForWindow(HWND id) {
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
  if (!IsWindow(id)) return 0;
  GetDpiForMonitor(MonitorFromWindow(id, MONITOR_DEFAULTTONEAREST), MDT_EFFECTIVE_DPI, &dpi, nullptr);
  return dpi;
}

UINT GetDpiForSystem() {
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
  GetDpiForMonitor(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), MDT_EFFECTIVE_DPI, &dpi, nullptr);
  return dpi;
}

int GetSystemMetricsForDpi(int index, UINT dpi) {
  auto scaled = [dpi](int v) { return static_cast<int>(std::lround(v * static_cast<double>(dpi) / 96.0)); };
  switch (index) {
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVTHUMB: case SM_CXHTHUMB: return scaled(17);
    case SM_CYCAPTION: return scaled(23);
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXFIXEDFRAME: case SM_CYFIXEDFRAME: return scaled(3);
    case SM_CXFRAME: case SM_CYFRAME: return scaled(4);
    case SM_CXPADDEDBORDER: return scaled(4);
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return scaled(32);
    case SM_CXSMICON: case SM_CYSMICON: return scaled(16);
    case SM_CYMENU: return scaled(20);
    case SM_CXMIN: return scaled(136);
    case SM_CYMIN: return scaled(39);
    case SM_CXSIZE: case SM_CYSIZE: return scaled(22);
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    default: return GetSystemMetrics(index);
  }
}

int GetSystemMetrics(int index) {
  auto monitors = current_display().monitors();
  RECT all{};
  RECT primary = monitors.empty() ? RECT{} : monitors.front().area;
  for (const Monitor& m : monitors) {
    all.left = std::min(all.left, m.area.left);
    all.top = std::min(all.top, m.area.top);
    all.right = std::max(all.right, m.area.right);
    all.bottom = std::max(all.bottom, m.area.bottom);
    if (m.primary) primary = m.area;
  }
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return primary.width();
    case SM_CYSCREEN: case SM_CYFULLSCREEN: return primary.height();
    case SM_CXVIRTUALSCREEN: return all.width();
    case SM_CYVIRTUALSCREEN: return all.height();
    case SM_CMONITORS: return static_cast<int>(monitors.size());
    default: return GetSystemMetricsForDpi(index, USER_DEFAULT_SCREEN_DPI);
  }
}

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(240, 240, 240);
    case COLOR_BACKGROUND: return RGB(0, 0, 0);
    case COLOR_ACTIVECAPTION: return RGB(153, 180, 209);
    case COLOR_MENU: case COLOR_BTNFACE: case COLOR_3DLIGHT: return RGB(240, 240, 240);
    case COLOR_WINDOW: case COLOR_BTNHIGHLIGHT: case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    case COLOR_HOTLIGHT: return RGB(0, 102, 204);
    default: return RGB(0, 0, 0);  // the text colours
  }
}

BOOL GetVersionEx(OSVERSIONINFO* out) {
  if (!out) return 0;
  *out = {10, 0, 19045, 2};
  return 1;
}

int32_t DwmIsCompositionEnabled(BOOL* enabled) {
  if (enabled) *enabled = 1;
  return 0;
}
int32_t DwmFlush() { return 0; }
int32_t DwmSetWindowAttribute(HWND, DWORD, const void*, DWORD) { return 0; }
int32_t SetWindowTheme(HWND, const char16_t*, const char16_t*) { return 0; }
BOOL InitCommonControlsEx(DWORD) { return 1; }

HCURSOR LoadCursor(HCURSOR id) { return id >= IDC_ARROW && id <= IDC_HELP ? id : 0; }

HCURSOR CreateCursorFromImage(const uint32_t* argb, int width, int height, int hot_x, int hot_y) {
  if (!argb || width <= 0 || height <= 0 || width > 256 || height > 256) return 0;
  static HCURSOR next = 0x10000;
  Cursor c{std::vector<uint32_t>(argb, argb + width * height), width, height, std::clamp(hot_x, 0, width - 1),
           std::clamp(hot_y, 0, height - 1)};
  image_cursors().emplace(next, std::move(c));
  return next++;
}

CursorImage cursor_image(HCURSOR id) {
  auto found = image_cursors().find(id);
  if (found == image_cursors().end()) return {};
  const Cursor& c = found->second;
  return {c.argb.data(), c.width, c.height, c.hot_x, c.hot_y};
}

BOOL DestroyCursor(HCURSOR id) {
  if (id == current_cursor) SetCursor(IDC_ARROW);
  return image_cursors().erase(id) ? 1 : 0;
}

HCURSOR SetCursor(HCURSOR id) {
  HCURSOR old = current_cursor;
  current_cursor = id;
  if (id != old) current_display().set_cursor(id);
  return old;
}

HCURSOR GetCursor() { return current_cursor; }

BOOL CreateCaret(HWND id, int width, int height) {
  if (!IsWindow(id)) return 0;
  caret = {id, width, height, {}};
  return 1;
}

BOOL DestroyCaret() {
  if (!caret.hwnd) return 0;
  caret = {};
  return 1;
}

BOOL SetCaretPos(int x, int y) {
  if (!caret.hwnd) return 0;
  caret.at = {x, y};
  return 1;
}

BOOL GetCaretPos(POINT* out) {
  if (!out) return 0;
  *out = caret.at;
  return 1;
}

UINT GetCaretBlinkTime() { return 500; }

int SetScrollInfo(HWND id, int bar, const SCROLLINFO* in, BOOL) {
  Window* w = window_of(id);
  if (!w || !in || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  SCROLLINFO& s = w->scroll[static_cast<size_t>(bar)];
  if (in->fMask & SIF_RANGE) s.nMin = in->nMin, s.nMax = std::max(in->nMin, in->nMax);
  if (in->fMask & SIF_PAGE) s.nPage = std::min<UINT>(in->nPage, static_cast<UINT>(s.nMax - s.nMin + 1));
  if (in->fMask & SIF_POS) s.nPos = in->nPos;
  // The position stays where a whole page still fits.
  int top = s.nMax - std::max(static_cast<int>(s.nPage) - 1, 0);
  s.nPos = std::clamp(s.nPos, s.nMin, std::max(s.nMin, top));
  int pos = s.nPos;
  bool needed = s.nMax - s.nMin + 1 > static_cast<int>(s.nPage) && (s.nPage > 0 || s.nMax > s.nMin);
  if ((in->fMask & (SIF_RANGE | SIF_PAGE)) && !(in->fMask & SIF_DISABLENOSCROLL))
    set_scroll_bar_shown(id, bar, needed);
  present_top_level(id);
  return pos;
}

BOOL GetScrollInfo(HWND id, int bar, SCROLLINFO* out) {
  Window* w = window_of(id);
  if (!w || !out || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  const SCROLLINFO& s = w->scroll[static_cast<size_t>(bar)];
  UINT mask = out->fMask;
  if (mask & SIF_RANGE) out->nMin = s.nMin, out->nMax = s.nMax;
  if (mask & SIF_PAGE) out->nPage = s.nPage;
  if (mask & SIF_POS) out->nPos = s.nPos;
  if (mask & SIF_TRACKPOS) out->nTrackPos = s.nTrackPos;
  return 1;
}

BOOL ShowScrollBar(HWND id, int bar, BOOL show) {
  if (!IsWindow(id)) return 0;
  if (bar == SB_HORZ || bar == SB_BOTH) set_scroll_bar_shown(id, SB_HORZ, show != 0);
  if (bar == SB_VERT || bar == SB_BOTH) set_scroll_bar_shown(id, SB_VERT, show != 0);
  return 1;
}

}  // namespace zel::display
