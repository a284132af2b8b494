// The layer's state shared by its own files (not for callers): the classes, the window table,
// the queues and the input state. One thread owns it all, as the message loop does.
#pragma once
#include <cairo.h>

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/display/types.h"

namespace zel::display {

struct WindowClass {
  WNDCLASSEX info;
  ATOM atom = 0;
};

struct Window {
  HWND id = 0;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0, ex_style = 0;
  LONG_PTR control_id = 0, user_data = 0;
  HWND parent = 0, owner = 0;
  std::vector<HWND> children;  // bottom first
  RECT rect;                   // outer rectangle in the parent's client coordinates (screen for top-levels)
  RECT insets;                 // frame widths: client = rect less these
  std::u16string text;
  std::shared_ptr<void> data;
  std::vector<LONG_PTR> extra;
  cairo_surface_t* surface = nullptr;       // retained client area, premultiplied ARGB
  cairo_region_t* update = nullptr;         // invalid part of the client area
  bool erase = false;
  int64_t paint_not_before = 0;
  cairo_surface_t* layered = nullptr;       // content given by UpdateLayeredWindow
  BYTE layered_alpha = 255;
  std::array<SCROLLINFO, 2> scroll{};
  std::array<bool, 2> scroll_shown{};
  int dispatching = 0;
  bool dying = false;      // WM_DESTROY sent: still valid, no longer destroyable
  bool destroyed = false;  // invalid to every call, freed once no procedure runs for it
  bool minimized = false;

  RECT client_rect() const {  // in the parent's client coordinates
    return {rect.left + insets.left, rect.top + insets.top, rect.right - insets.right, rect.bottom - insets.bottom};
  }
  bool visible() const { return (style & WS_VISIBLE) != 0; }
  bool enabled() const { return (style & WS_DISABLED) == 0; }
  bool top_level() const { return (style & WS_CHILD) == 0; }
};

struct Timer {
  HWND hwnd = 0;
  UINT_PTR id = 0;
  UINT interval = 0;
  TIMERPROC proc = nullptr;
  int64_t due = 0;
};

struct LayerState {
  std::unordered_map<std::u16string, std::shared_ptr<WindowClass>> classes;
  ATOM next_atom = 0xC000;
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> top_levels;  // bottom first
  HWND next_id = 0x10000;
  std::deque<MSG> posted, input;
  bool quit = false;
  int quit_code = 0;
  std::vector<Timer> timers;
  UINT_PTR next_timer_id = 1;
  MSG last;  // the last message retrieved
  HWND focus = 0, active = 0, capture = 0;
  HWND hover = 0;  // the window under the mouse
  TRACKMOUSEEVENT tracking{};
  int64_t hover_due = -1;
  POINT hover_origin;
  POINT mouse{-1, -1};
  std::array<BYTE, 256> keys{};        // as of the last input retrieved; bit 7: down, bit 0: toggled
  std::array<BYTE, 256> async_keys{};  // as input arrives
  struct Click {
    HWND hwnd = 0;
    UINT button = 0;
    int64_t time = -1000000;
    POINT pt;
  } last_click;
};

LayerState& layer();
// The live window of an id, or null (unknown, or destroyed).
Window* window_of(HWND);
// Runs the procedure with the window kept allocated for the call.
LRESULT call_procedure(Window&, UINT, WPARAM, LPARAM);
int64_t clock_now();
// Drops what the layer holds for a destroyed window: timers, focus, capture, queued messages.
void forget_window_input(HWND);
void forget_window_messages(HWND);
// The compositor's entry: the top-level holding `w` is shown again.
void present_top_level(HWND);
// Pushes an input message (time and position stamped) for GetMessage.
void queue_input(MSG);
// Shows or hides a window's own scroll bar, which takes room from its client area.
void set_scroll_bar_shown(HWND, int bar, bool shown);
// Moves the key state of GetKeyState on as an input message is retrieved.
void apply_input_state(const MSG&);
// Queues WM_MOUSEHOVER when the pointer has rested long enough over a tracked window.
void check_hover(int64_t now);
// The display moved or resized a top-level (its window manager, its user): the window takes
// the new client rectangle and hears of it, without the display being told again.
void placed_by_display(HWND, const RECT& client);
// Another program took the clipboard: reading asks it from now on.
void clipboard_lost();
// Releases a window's surfaces and region.
void release_surfaces(Window&);
// The client area's size changed: the retained surface follows and all of it is invalid.
void resize_surface(Window&);

}  // namespace zel::display
