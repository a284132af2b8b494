#include "platform/display/input.h"

#include <cstdlib>

#include "platform/display/display.h"
#include "platform/display/message-loop.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

// The US keyboard: a virtual key's scan code (set 1), whether it is an extended key, and the
// characters it gives without and with Shift.
struct KeyRow {
  BYTE vk;
  BYTE scan;
  bool extended;
  char16_t plain, shifted;
};

constexpr KeyRow us_keys[] = {
    {VK_ESCAPE, 0x01, false, 27, 27}, {'1', 0x02, false, '1', '!'}, {'2', 0x03, false, '2', '@'},
    {'3', 0x04, false, '3', '#'}, {'4', 0x05, false, '4', '$'}, {'5', 0x06, false, '5', '%'},
    {'6', 0x07, false, '6', '^'}, {'7', 0x08, false, '7', '&'}, {'8', 0x09, false, '8', '*'},
    {'9', 0x0A, false, '9', '('}, {'0', 0x0B, false, '0', ')'}, {VK_OEM_MINUS, 0x0C, false, '-', '_'},
    {VK_OEM_PLUS, 0x0D, false, '=', '+'}, {VK_BACK, 0x0E, false, 8, 8}, {VK_TAB, 0x0F, false, 9, 9},
    {'Q', 0x10, false, 'q', 'Q'}, {'W', 0x11, false, 'w', 'W'}, {'E', 0x12, false, 'e', 'E'},
    {'R', 0x13, false, 'r', 'R'}, {'T', 0x14, false, 't', 'T'}, {'Y', 0x15, false, 'y', 'Y'},
    {'U', 0x16, false, 'u', 'U'}, {'I', 0x17, false, 'i', 'I'}, {'O', 0x18, false, 'o', 'O'},
    {'P', 0x19, false, 'p', 'P'}, {VK_OEM_4, 0x1A, false, '[', '{'}, {VK_OEM_6, 0x1B, false, ']', '}'},
    {VK_RETURN, 0x1C, false, 13, 13}, {VK_CONTROL, 0x1D, false, 0, 0}, {VK_LCONTROL, 0x1D, false, 0, 0},
    {'A', 0x1E, false, 'a', 'A'}, {'S', 0x1F, false, 's', 'S'}, {'D', 0x20, false, 'd', 'D'},
    {'F', 0x21, false, 'f', 'F'}, {'G', 0x22, false, 'g', 'G'}, {'H', 0x23, false, 'h', 'H'},
    {'J', 0x24, false, 'j', 'J'}, {'K', 0x25, false, 'k', 'K'}, {'L', 0x26, false, 'l', 'L'},
    {VK_OEM_1, 0x27, false, ';', ':'}, {VK_OEM_7, 0x28, false, '\'', '"'}, {VK_OEM_3, 0x29, false, '`', '~'},
    {VK_SHIFT, 0x2A, false, 0, 0}, {VK_LSHIFT, 0x2A, false, 0, 0}, {VK_OEM_5, 0x2B, false, '\\', '|'},
    {'Z', 0x2C, false, 'z', 'Z'}, {'X', 0x2D, false, 'x', 'X'}, {'C', 0x2E, false, 'c', 'C'},
    {'V', 0x2F, false, 'v', 'V'}, {'B', 0x30, false, 'b', 'B'}, {'N', 0x31, false, 'n', 'N'},
    {'M', 0x32, false, 'm', 'M'}, {VK_OEM_COMMA, 0x33, false, ',', '<'}, {VK_OEM_PERIOD, 0x34, false, '.', '>'},
    {VK_OEM_2, 0x35, false, '/', '?'}, {VK_RSHIFT, 0x36, false, 0, 0}, {VK_MULTIPLY, 0x37, false, '*', '*'},
    {VK_MENU, 0x38, false, 0, 0}, {VK_LMENU, 0x38, false, 0, 0}, {VK_SPACE, 0x39, false, ' ', ' '},
    {VK_CAPITAL, 0x3A, false, 0, 0}, {VK_F1, 0x3B, false, 0, 0}, {VK_F1 + 1, 0x3C, false, 0, 0},
    {VK_F1 + 2, 0x3D, false, 0, 0}, {VK_F1 + 3, 0x3E, false, 0, 0}, {VK_F1 + 4, 0x3F, false, 0, 0},
    {VK_F1 + 5, 0x40, false, 0, 0}, {VK_F1 + 6, 0x41, false, 0, 0}, {VK_F1 + 7, 0x42, false, 0, 0},
    {VK_F1 + 8, 0x43, false, 0, 0}, {VK_F10, 0x44, false, 0, 0}, {VK_NUMLOCK, 0x45, false, 0, 0},
    {VK_SCROLL, 0x46, false, 0, 0}, {VK_HOME, 0x47, true, 0, 0}, {VK_UP, 0x48, true, 0, 0},
    {VK_PRIOR, 0x49, true, 0, 0}, {VK_SUBTRACT, 0x4A, false, '-', '-'}, {VK_LEFT, 0x4B, true, 0, 0},
    {VK_RIGHT, 0x4D, true, 0, 0}, {VK_ADD, 0x4E, false, '+', '+'}, {VK_END, 0x4F, true, 0, 0},
    {VK_DOWN, 0x50, true, 0, 0}, {VK_NEXT, 0x51, true, 0, 0}, {VK_INSERT, 0x52, true, 0, 0},
    {VK_DELETE, 0x53, true, 0, 0}, {VK_F1 + 10, 0x57, false, 0, 0}, {VK_F12, 0x58, false, 0, 0},
    {VK_RCONTROL, 0x1D, true, 0, 0}, {VK_RMENU, 0x38, true, 0, 0}, {VK_DIVIDE, 0x35, true, '/', '/'},
    {VK_LWIN, 0x5B, true, 0, 0}, {VK_RWIN, 0x5C, true, 0, 0}, {VK_APPS, 0x5D, true, 0, 0},
};

const KeyRow* row_of_vk(UINT vk) {
  for (const KeyRow& row : us_keys)
    if (row.vk == vk) return &row;
  return nullptr;
}

// The key state as input arrives (the mouse messages' flags, GetAsyncKeyState) and as of
// the last input message retrieved (GetKeyState, the characters of a key).
bool down(BYTE vk) { return (layer().async_keys[vk] & 0x80) != 0; }
bool down_as_retrieved(BYTE vk) { return (layer().keys[vk] & 0x80) != 0; }

// The character a press gives on the US keyboard with the current modifiers, or 0.
char32_t us_char(BYTE vk) {
  const KeyRow* row = row_of_vk(vk);
  if (!row || !row->plain) return 0;
  bool shift = down_as_retrieved(VK_SHIFT), control = down_as_retrieved(VK_CONTROL),
       alt = down_as_retrieved(VK_MENU);
  bool letter = vk >= 'A' && vk <= 'Z';
  if (control) {
    if (alt) return 0;
    if (letter) return static_cast<char32_t>(vk - 'A' + 1);
    switch (vk) {
      case VK_OEM_4: return 27;
      case VK_OEM_5: return 28;
      case VK_OEM_6: return 29;
      case '6': return shift ? 30 : 0;
      case VK_OEM_MINUS: return shift ? 31 : 0;
      case VK_RETURN: return 10;
      case VK_BACK: return 127;
      case VK_SPACE: return ' ';
      case VK_ESCAPE: return 27;
      default: return 0;
    }
  }
  bool upper = shift;
  if (letter && (layer().keys[VK_CAPITAL] & 1)) upper = !upper;
  return upper ? row->shifted : row->plain;
}

WPARAM mouse_key_flags() {
  WPARAM flags = 0;
  if (down(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (down(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (down(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (down(0x05)) flags |= MK_XBUTTON1;
  if (down(0x06)) flags |= MK_XBUTTON2;
  if (down(VK_SHIFT)) flags |= MK_SHIFT;
  if (down(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

void set_key(std::array<BYTE, 256>& keys, BYTE vk, bool is_down) {
  if (is_down && !(keys[vk] & 0x80)) keys[vk] ^= 1;
  keys[vk] = static_cast<BYTE>(is_down ? (keys[vk] | 0x80) : (keys[vk] & 0x7F));
}

// The left and right modifier keys also move the generic one, which is what messages carry.
BYTE generic_key(BYTE vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

HWND mouse_target(POINT screen) {
  auto& state = layer();
  if (state.capture && window_of(state.capture)) return state.capture;
  HWND at = WindowFromPoint(screen);
  return at && IsWindowEnabled(GetAncestor(at, GA_ROOT)) ? at : 0;
}

LPARAM client_lparam(HWND hwnd, POINT screen) {
  ScreenToClient(hwnd, &screen);
  return MAKELPARAM(screen.x, screen.y);
}

void queue(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, DWORD ch = 0) {
  queue_input(MSG{hwnd, message, wp, lp, 0, {}, ch});
}

void end_tracking(bool send_leave) {
  auto& state = layer();
  if (send_leave && (state.tracking.dwFlags & TME_LEAVE) && window_of(state.tracking.hwndTrack))
    queue(state.tracking.hwndTrack, WM_MOUSELEAVE, 0, 0);
  state.tracking = {};
  state.hover_due = -1;
}

void send_focus_change(HWND from, HWND to) {
  if (from && window_of(from)) SendMessage(from, WM_KILLFOCUS, to, 0);
  if (to && window_of(to) && layer().focus == to) SendMessage(to, WM_SETFOCUS, from, 0);
}

HWND activate(HWND top, WPARAM how) {
  auto& state = layer();
  HWND old = state.active;
  if (old == top) return old;
  state.active = top;
  if (old && window_of(old)) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, top);
  if (top && window_of(top)) {
    SendMessage(top, WM_ACTIVATE, how, old);
    current_display().focus_window(top);
  }
  return old;
}

}  // namespace

void forget_window_input(HWND id) {
  auto& state = layer();
  auto within = [id](HWND w) { return w && (w == id || IsChild(id, w)); };
  if (within(state.focus)) state.focus = 0;
  if (within(state.capture)) state.capture = 0;
  if (within(state.hover)) state.hover = 0;
  if (within(state.tracking.hwndTrack)) end_tracking(false);
  if (within(state.active)) state.active = 0;
  if (within(state.last_click.hwnd)) state.last_click = {};
}

void apply_input_state(const MSG& m) {
  auto& keys = layer().keys;
  switch (m.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: {
      bool is_down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
      BYTE vk = static_cast<BYTE>(m.wParam & 0xFF);
      set_key(keys, vk, is_down);
      bool right = (m.lParam >> 24) & 1;
      if (vk == VK_SHIFT) set_key(keys, ((m.lParam >> 16) & 0xFF) == 0x36 ? VK_RSHIFT : VK_LSHIFT, is_down);
      if (vk == VK_CONTROL) set_key(keys, right ? VK_RCONTROL : VK_LCONTROL, is_down);
      if (vk == VK_MENU) set_key(keys, right ? VK_RMENU : VK_LMENU, is_down);
      break;
    }
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: set_key(keys, VK_LBUTTON, true); break;
    case WM_LBUTTONUP: set_key(keys, VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: set_key(keys, VK_RBUTTON, true); break;
    case WM_RBUTTONUP: set_key(keys, VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: set_key(keys, VK_MBUTTON, true); break;
    case WM_MBUTTONUP: set_key(keys, VK_MBUTTON, false); break;
    default: break;
  }
}

void check_hover(int64_t now) {
  auto& state = layer();
  if (state.hover_due < 0 || now < state.hover_due) return;
  HWND target = state.tracking.hwndTrack;
  POINT p = state.mouse;
  if (window_of(target)) queue(target, WM_MOUSEHOVER, mouse_key_flags(), client_lparam(target, p));
  // Hover is reported once; leave tracking goes on.
  state.tracking.dwFlags &= ~TME_HOVER;
  state.hover_due = -1;
  if (!state.tracking.dwFlags) state.tracking = {};
}

HWND SetFocus(HWND hwnd) {
  auto& state = layer();
  if (hwnd && (!window_of(hwnd) || !IsWindowEnabled(hwnd))) return 0;
  HWND old = state.focus;
  if (old == hwnd) return old;
  if (hwnd) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    if (top != state.active) activate(top, WA_ACTIVE);  // which may move the focus itself
  }
  HWND before = state.focus;
  if (before == hwnd) return old;
  state.focus = hwnd;
  send_focus_change(before, hwnd);
  return old;
}

HWND GetFocus() { return layer().focus; }

HWND SetActiveWindow(HWND hwnd) {
  if (hwnd && !window_of(hwnd)) return 0;
  HWND top = hwnd ? GetAncestor(hwnd, GA_ROOT) : 0;
  return activate(top, WA_ACTIVE);
}

HWND GetActiveWindow() { return layer().active; }
HWND GetForegroundWindow() { return layer().active; }
BOOL SetForegroundWindow(HWND hwnd) { return window_of(hwnd) ? (SetActiveWindow(hwnd), 1) : 0; }

HWND SetCapture(HWND hwnd) {
  auto& state = layer();
  if (!window_of(hwnd)) return 0;
  HWND old = state.capture;
  state.capture = hwnd;
  if (old && old != hwnd && window_of(old)) SendMessage(old, WM_CAPTURECHANGED, 0, hwnd);
  return old;
}

BOOL ReleaseCapture() {
  auto& state = layer();
  HWND old = state.capture;
  state.capture = 0;
  if (old && window_of(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

HWND GetCapture() { return layer().capture; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* t) {
  auto& state = layer();
  if (!t) return 0;
  if (t->dwFlags & TME_CANCEL) {
    if (state.tracking.hwndTrack == t->hwndTrack) {
      state.tracking.dwFlags &= ~(t->dwFlags & (TME_HOVER | TME_LEAVE));
      if (!(state.tracking.dwFlags & TME_HOVER)) state.hover_due = -1;
    }
    return 1;
  }
  if (!window_of(t->hwndTrack)) return 0;
  // Leave is reported at once when the pointer is already elsewhere.
  if (state.hover != t->hwndTrack) {
    if (t->dwFlags & TME_LEAVE) queue(t->hwndTrack, WM_MOUSELEAVE, 0, 0);
    return 1;
  }
  if (state.tracking.hwndTrack != t->hwndTrack) state.tracking = {};
  state.tracking.hwndTrack = t->hwndTrack;
  state.tracking.dwFlags |= t->dwFlags & (TME_HOVER | TME_LEAVE);
  if (t->dwFlags & TME_HOVER) {
    DWORD time = t->dwHoverTime == HOVER_DEFAULT ? hover_default_time : t->dwHoverTime;
    state.tracking.dwHoverTime = time;
    state.hover_due = clock_now() + time;
    state.hover_origin = state.mouse;
  }
  return 1;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return 0;
  *p = layer().mouse;
  return 1;
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE k = layer().keys[static_cast<size_t>(vk)];
  return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return static_cast<SHORT>((layer().async_keys[static_cast<size_t>(vk)] & 0x80) ? 0x8000 : 0);
}

UINT MapVirtualKey(UINT code, UINT map_type) {
  switch (map_type) {
    case MAPVK_VK_TO_VSC: {
      const KeyRow* row = row_of_vk(code);
      return row ? row->scan : 0;
    }
    case MAPVK_VSC_TO_VK:
    case MAPVK_VSC_TO_VK_EX:
      for (const KeyRow& row : us_keys)
        if (row.scan == code && !row.extended) {
          BYTE vk = row.vk;
          if (map_type == MAPVK_VSC_TO_VK_EX) return vk;
          return generic_key(vk) != vk ? generic_key(vk) : vk;
        }
      return 0;
    case MAPVK_VK_TO_CHAR: {
      const KeyRow* row = row_of_vk(code);
      if (!row || !row->plain) return 0;
      return code >= 'A' && code <= 'Z' ? code : row->plain;
    }
    default: return 0;
  }
}

SHORT VkKeyScan(char16_t ch) {
  for (const KeyRow& row : us_keys) {
    if (generic_key(row.vk) != row.vk || row.vk == VK_MULTIPLY || row.vk == VK_SUBTRACT || row.vk == VK_ADD ||
        row.vk == VK_DIVIDE)
      continue;
    if (row.plain == ch) return static_cast<SHORT>(row.vk);
    if (row.shifted == ch) return static_cast<SHORT>(0x100 | row.vk);
  }
  if (ch >= 1 && ch <= 26) return static_cast<SHORT>(0x200 | ('A' + ch - 1));
  return -1;
}

UINT GetDoubleClickTime() { return 500; }

BOOL TranslateMessage(const MSG* m) {
  if (!m || (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN)) return 0;
  char32_t ch = m->lPrivate ? m->lPrivate : us_char(static_cast<BYTE>(m->wParam & 0xFF));
  if (!ch || ch > 0x10FFFF) return 0;
  UINT message = m->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  if (ch >= 0x10000) {
    char32_t v = ch - 0x10000;
    PostMessage(m->hwnd, message, 0xD800 + (v >> 10), m->lParam);
    PostMessage(m->hwnd, message, 0xDC00 + (v & 0x3FF), m->lParam);
  } else {
    PostMessage(m->hwnd, message, ch, m->lParam);
  }
  return 1;
}

namespace input {

void mouse_move(POINT screen) {
  auto& state = layer();
  if (screen == state.mouse) return;
  state.mouse = screen;
  HWND target = mouse_target(screen);
  if (state.tracking.hwndTrack && state.tracking.hwndTrack != target) end_tracking(true);
  if (state.hover_due >= 0 &&
      (std::abs(screen.x - state.hover_origin.x) > 2 || std::abs(screen.y - state.hover_origin.y) > 2)) {
    state.hover_due = clock_now() + state.tracking.dwHoverTime;
    state.hover_origin = screen;
  }
  state.hover = target;
  if (target) queue(target, WM_MOUSEMOVE, mouse_key_flags(), client_lparam(target, screen));
}

void mouse_button(Button button, bool is_down, POINT screen) {
  static constexpr BYTE vks[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, 0x05, 0x06};
  static constexpr UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN, WM_XBUTTONDOWN};
  auto& state = layer();
  mouse_move(screen);
  set_key(state.async_keys, vks[button], is_down);
  HWND target = mouse_target(screen);
  if (!target) return;
  UINT message = downs[button] + (is_down ? 0 : 1);
  WPARAM wp = mouse_key_flags();
  if (button >= x1) wp |= static_cast<WPARAM>(button == x1 ? 1 : 2) << 16;
  if (is_down) {
    HWND top = GetAncestor(target, GA_ROOT);
    if (top != state.active && !(GetWindowLongPtr(top, GWL_EXSTYLE) & WS_EX_NOACTIVATE)) activate(top, WA_CLICKACTIVE);
    if (!window_of(target)) return;
    auto& last = state.last_click;
    Window* w = window_of(target);
    int64_t now = clock_now();
    bool dbl = (w->cls->info.style & CS_DBLCLKS) && last.hwnd == target && last.button == button &&
               now - last.time <= GetDoubleClickTime() && std::abs(screen.x - last.pt.x) <= 2 &&
               std::abs(screen.y - last.pt.y) <= 2;
    if (dbl) {
      message = downs[button] + 2;
      last = {};
    } else {
      last = {target, button, now, screen};
    }
  }
  queue(target, message, wp, client_lparam(target, screen));
}

void mouse_wheel(int delta, bool horizontal, POINT screen) {
  mouse_move(screen);
  HWND target = mouse_target(screen);
  if (!target) return;
  WPARAM wp = mouse_key_flags() | (static_cast<WPARAM>(static_cast<WORD>(static_cast<SHORT>(delta))) << 16);
  queue(target, horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL, wp, MAKELPARAM(screen.x, screen.y));
}

void key(BYTE vk, bool is_down, char32_t ch, UINT scan, bool extended) {
  auto& state = layer();
  BYTE generic = generic_key(vk);
  bool was_down = down(generic);
  set_key(state.async_keys, vk, is_down);
  if (generic != vk) set_key(state.async_keys, generic, is_down);
  if (const KeyRow* row = row_of_vk(vk); row && !scan) {
    scan = row->scan;
    extended = extended || row->extended;
  }
  bool alt = down(VK_MENU);
  HWND target = state.focus ? state.focus : state.active;
  if (!target) return;
  // Alt (without Ctrl) and F10 make system keys, as does any key while no window has the focus.
  bool system = (alt && !down(VK_CONTROL)) || generic == VK_F10 || generic == VK_MENU || !state.focus;
  UINT message = is_down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  uint64_t lp = 1 | (static_cast<uint64_t>(scan & 0xFF) << 16) | (extended ? 1ull << 24 : 0) |
                (alt ? 1ull << 29 : 0) | ((is_down ? was_down : true) ? 1ull << 30 : 0) | (is_down ? 0 : 1ull << 31);
  queue(target, message, generic, static_cast<LPARAM>(lp), static_cast<DWORD>(is_down ? ch : 0));
}

void text(std::u32string_view chars) {
  auto& state = layer();
  HWND target = state.focus;
  if (!target) return;
  for (char32_t c : chars) {
    queue(target, WM_KEYDOWN, VK_PACKET, 1, static_cast<DWORD>(c));
    queue(target, WM_KEYUP, VK_PACKET, static_cast<LPARAM>(1 | 3ull << 30), 0);
  }
}

}  // namespace input
}  // namespace zel::display
