// The display without a screen, for tests and machines without a server: one monitor of
// 1280x1024 at 96 DPI (or the monitors given), a clock that moves only when the loop waits for a deadline (or the
// test moves it), input injected by the test, and pictures of windows written as PNG files.
#pragma once
#include <string>
#include <string_view>

#include "platform/display/display.h"
#include "platform/display/input.h"

namespace zel::display {

class Headless : public Display {
 public:
  explicit Headless(LONG width = 1280, LONG height = 1024, UINT dpi = 96);
  // Several monitors (the first primary unless one says so).
  explicit Headless(std::vector<Monitor>);
  int64_t now() override { return clock_; }
  // Nothing arrives by itself: the clock jumps to the deadline, and with none the wait fails.
  bool wait(int64_t deadline) override;
  std::vector<Monitor> monitors() override { return monitors_; }

  void advance(int64_t milliseconds) { clock_ += milliseconds; }
  void move(int x, int y) { input::mouse_move({x, y}); }
  void press(input::Button b = input::left) { input::mouse_button(b, true, pointer()); }
  void release(input::Button b = input::left) { input::mouse_button(b, false, pointer()); }
  void click(int x, int y, input::Button b = input::left);
  void wheel(int delta) { input::mouse_wheel(delta, false, pointer()); }
  void key_down(BYTE vk) { input::key(vk, true); }
  void key_up(BYTE vk) { input::key(vk, false); }
  void tap(BYTE vk) { key_down(vk), key_up(vk); }
  void type(std::u32string_view text) { input::text(text); }
  // Writes the picture of a window (0: the screen) as PNG; false when it cannot be written.
  bool snapshot(HWND, const std::string& path);

 private:
  POINT pointer();
  std::vector<Monitor> monitors_;
  int64_t clock_ = 0;
};

}  // namespace zel::display
