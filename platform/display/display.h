// The screen behind the window layer: one interface, two implementations (headless/ for
// tests and machines without a screen, x11/ for a real server). The core keeps the windows,
// the queue and every surface; a display only shows top-level windows, keeps the clock,
// waits for input and hands the input it reads to input.h's entry points.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/display/types.h"

namespace zel::display {

struct Monitor {
  RECT area, work;
  UINT dpi = 96;
  bool primary = false;
};

class Display {
 public:
  virtual ~Display() = default;
  // Milliseconds on this display's clock (virtual in headless mode).
  virtual int64_t now() = 0;
  // Reads input until some arrived or the clock reaches the deadline (-1: none). False when
  // nothing can ever arrive (a headless display with no deadline), so a loop does not hang.
  virtual bool wait(int64_t deadline) = 0;
  virtual std::vector<Monitor> monitors() = 0;
  // Top-level windows; `frame` is the outer rectangle, `client` the drawable part.
  virtual void create_window(HWND, const RECT& /*client*/, DWORD /*style*/, DWORD /*ex_style*/) {}
  virtual void destroy_window(HWND) {}
  virtual void place_window(HWND, const RECT& /*client*/) {}
  virtual void show_window(HWND, bool /*shown*/) {}
  virtual void set_title(HWND, std::u16string_view) {}
  virtual void focus_window(HWND) {}
  // The window's composited client area changed (a premultiplied ARGB surface).
  virtual void present(HWND, cairo_surface_t*) {}
  virtual void set_cursor(HCURSOR) {}
  // The program's clipboard changed: offer it to other programs.
  virtual void own_clipboard() {}
  // Another program's clipboard, in Windows' formats, read within bounds; empty when the
  // program holds it itself or no other program does.
  virtual std::vector<std::pair<UINT, std::string>> foreign_clipboard() { return {}; }
};

// The display in use; a headless one is made on first use when none was installed.
Display& current_display();
void install_display(std::unique_ptr<Display>);
// Destroys every window, timer and queued message and drops the display (tests start afresh).
void reset_display();

}  // namespace zel::display
