// A fresh headless display for each test, a window class whose procedure records every
// message it gets (and may be given a handler), and a pump that runs the queue until it is
// idle without moving the clock.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/display/clipboard.h"
#include "platform/display/compositor.h"
#include "platform/display/headless/headless.h"
#include "platform/display/input.h"
#include "platform/display/message-loop.h"
#include "platform/display/system.h"
#include "platform/display/window.h"

namespace zel::display::testing {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Seen&) const = default;
};

inline std::vector<Seen> seen;
// Runs first for every message; answers true when it handled the message itself.
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> handler;

inline LRESULT recording_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  seen.push_back({hwnd, message, wp, lp});
  LRESULT result = 0;
  if (handler && handler(hwnd, message, wp, lp, result)) return result;
  return DefWindowProc(hwnd, message, wp, lp);
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto owned = std::make_unique<Headless>();
    screen = owned.get();
    install_display(std::move(owned));
    seen.clear();
    handler = nullptr;
    register_classes();
  }
  // Registers the recording classes (again after a test installs a display of its own).
  static void register_classes() {
    WNDCLASSEX cls;
    cls.lpfnWndProc = recording_proc;
    cls.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
    cls.lpszClassName = u"Recorder";
    ASSERT_NE(RegisterClassEx(cls), 0);
    cls.style = CS_DBLCLKS;
    cls.lpszClassName = u"DoubleClicks";
    ASSERT_NE(RegisterClassEx(cls), 0);
  }
  void TearDown() override {
    handler = nullptr;
    reset_display();
  }

  // A shown top-level whose client area is at (x, y) on the screen, painted once.
  HWND top_level(int x, int y, int width, int height, const char16_t* cls = u"Recorder") {
    HWND w = CreateWindowEx(0, cls, u"top", WS_POPUP | WS_VISIBLE, x, y, width, height, 0, 0, nullptr);
    UpdateWindow(w);
    return w;
  }
  HWND child(HWND parent, int x, int y, int width, int height, const char16_t* cls = u"Recorder",
             DWORD ex_style = 0) {
    HWND w = CreateWindowEx(ex_style, cls, u"child", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, 7, nullptr);
    UpdateWindow(w);
    return w;
  }

  static void pump() {
    MSG m;
    while (PeekMessage(&m, 0, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }

  // The messages of the given kinds seen since the last call, in order.
  static std::vector<Seen> take(std::initializer_list<UINT> kinds) {
    std::vector<Seen> out;
    for (const Seen& s : seen)
      for (UINT k : kinds)
        if (s.message == k) out.push_back(s);
    seen.clear();
    return out;
  }

  Headless* screen = nullptr;
};

}  // namespace zel::display::testing
