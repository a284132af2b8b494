// The window layer on the headless display: the queue's order, nested loops, destruction
// during a dispatch, timers on the virtual clock, painting and composition, keys and mouse.
#include <cairo.h>

#include <string>

#include "tests/unit/display-fixture.h"

namespace zel::display::testing {
namespace {

TEST_F(DisplayTest, QueueHandsOutPostedQuitInputPaintTimerInThatOrder) {
  HWND w = top_level(0, 0, 100, 100);
  SetActiveWindow(w);
  SetFocus(w);
  SetTimer(w, 1, 10, nullptr);
  screen->advance(10);
  InvalidateRect(w, nullptr, 0);
  screen->key_down('A');
  PostMessage(w, WM_USER, 1, 0);
  PostQuitMessage(3);
  PostMessage(w, WM_USER, 2, 0);
  std::vector<std::pair<UINT, WPARAM>> order;
  MSG m;
  while (PeekMessage(&m, 0, 0, 0, PM_REMOVE)) {
    order.push_back({m.message, m.wParam});
    if (m.message == WM_TIMER) break;
    DispatchMessage(&m);  // the paint validates the window
  }
  std::vector<std::pair<UINT, WPARAM>> expected{
      {WM_USER, 1}, {WM_USER, 2}, {WM_QUIT, 3}, {WM_KEYDOWN, 'A'}, {WM_PAINT, 0}, {WM_TIMER, 1}};
  EXPECT_EQ(order, expected);
}

TEST_F(DisplayTest, SentMessagesRunAtOnceAndFiltersSelectByWindowAndRange) {
  HWND a = top_level(0, 0, 50, 50), b = top_level(60, 0, 50, 50);
  handler = [](HWND, UINT message, WPARAM wp, LPARAM, LRESULT& r) {
    if (message != WM_USER) return false;
    r = static_cast<LRESULT>(wp) * 2;
    return true;
  };
  EXPECT_EQ(SendMessage(a, WM_USER, 21, 0), 42);
  EXPECT_EQ(SendMessage(0xDEAD, WM_USER, 21, 0), 0);
  EXPECT_FALSE(PostMessage(0xDEAD, WM_USER, 0, 0));
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(b, WM_USER + 2, 0, 0);
  PostMessage(a, WM_USER + 3, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessage(&m, 0, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&m, 0, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 1);
}

TEST_F(DisplayTest, TwoQuitsEndOnlyTheInnerOfTwoNestedLoops) {
  HWND w = top_level(0, 0, 50, 50);
  std::vector<std::string> trace;
  handler = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_USER + 1) {
      trace.push_back("inner begins");
      MSG m;
      BOOL r;
      while ((r = GetMessage(&m, 0, 0, 0)) > 0) DispatchMessage(&m);
      trace.push_back(r == 0 ? "inner quits" : "inner fails");
      PostMessage(w, WM_USER + 3, 0, 0);
    } else if (message == WM_USER + 2) {
      PostQuitMessage(0);
      PostQuitMessage(0);
    } else if (message == WM_USER + 3) {
      trace.push_back("outer still runs");
      PostQuitMessage(5);
    } else {
      return false;
    }
    return true;
  };
  PostMessage(w, WM_USER + 1, 0, 0);
  PostMessage(w, WM_USER + 2, 0, 0);
  MSG m;
  BOOL r;
  while ((r = GetMessage(&m, 0, 0, 0)) > 0) DispatchMessage(&m);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_EQ(trace, (std::vector<std::string>{"inner begins", "inner quits", "outer still runs"}));
  // With nothing queued and nothing due, the headless loop reports failure instead of hanging.
  EXPECT_EQ(GetMessage(&m, 0, 0, 0), -1);
}

TEST_F(DisplayTest, WindowDestroyedInsideItsOwnDispatchStaysUntilTheDispatchReturns) {
  HWND top = top_level(0, 0, 100, 100);
  HWND w = child(top, 0, 0, 50, 50);
  HWND grandchild = child(w, 0, 0, 10, 10);
  SetFocus(grandchild);
  SetTimer(w, 9, 10, nullptr);
  std::vector<std::string> trace;
  handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (hwnd == w && message == WM_USER) {
      EXPECT_TRUE(DestroyWindow(w));
      EXPECT_FALSE(IsWindow(w));
      EXPECT_FALSE(IsWindow(grandchild));
      EXPECT_EQ(GetWindowText(w), u"");
      EXPECT_FALSE(DestroyWindow(w));
      trace.push_back("handler returns");
      return true;
    }
    if (message == WM_DESTROY) trace.push_back(hwnd == w ? "destroy w" : "destroy grandchild");
    if (message == WM_NCDESTROY) trace.push_back(hwnd == w ? "ncdestroy w" : "ncdestroy grandchild");
    return false;
  };
  PostMessage(w, WM_USER, 0, 0);
  PostMessage(w, WM_USER + 5, 0, 0);
  pump();
  EXPECT_EQ(trace, (std::vector<std::string>{"destroy w", "destroy grandchild", "ncdestroy grandchild",
                                             "handler returns", "ncdestroy w"}));
  EXPECT_EQ(take({WM_USER + 5}).size(), 0u);  // dropped with the window
  EXPECT_EQ(GetFocus(), 0u);
  EXPECT_EQ(ChildWindows(top).size(), 0u);
  screen->advance(100);
  pump();
  EXPECT_EQ(take({WM_TIMER}).size(), 0u);
}

TEST_F(DisplayTest, TimersFireInDeadlineOrderOnTheVirtualClock) {
  HWND w = top_level(0, 0, 50, 50);
  std::vector<std::pair<UINT_PTR, DWORD>> fired;
  handler = [&](HWND, UINT message, WPARAM wp, LPARAM, LRESULT&) {
    if (message != WM_TIMER) return false;
    fired.push_back({wp, GetTickCount()});
    if (wp == 2 && GetTickCount() >= 100) KillTimer(w, 2);
    if (GetTickCount() >= 120) PostQuitMessage(0);
    return true;
  };
  SetTimer(w, 1, 35, nullptr);
  SetTimer(w, 2, 50, nullptr);
  SetTimer(w, 3, 0, nullptr);  // below the floor: every 10 ms
  // Timers due at the same moment fire in the order they were set.
  MSG m;
  while (GetMessage(&m, 0, 0, 0) > 0) DispatchMessage(&m);
  std::vector<std::pair<UINT_PTR, DWORD>> expected{
      {3, 10}, {3, 20}, {3, 30}, {1, 35}, {3, 40}, {2, 50}, {3, 50}, {3, 60}, {1, 70}, {3, 70}, {3, 80},
      {3, 90}, {2, 100}, {3, 100}, {1, 105}, {3, 110}, {3, 120}};
  EXPECT_EQ(fired, expected);
}

TEST_F(DisplayTest, FilteredWaitsSkipWhatTheyCannotRetrieve) {
  HWND a = top_level(0, 0, 50, 50), b = top_level(60, 0, 50, 50);
  SetTimer(b, 1, 10, nullptr);
  SetTimer(a, 2, 30, nullptr);
  MSG m;
  ASSERT_EQ(GetMessage(&m, a, 0, 0), 1);
  EXPECT_EQ(m.hwnd, a);
  EXPECT_EQ(m.time, 30u);
  KillTimer(a, 2);
  // b's timer is due, but not for this filter: the headless wait says nothing can come.
  EXPECT_EQ(GetMessage(&m, a, 0, 0), -1);
  EXPECT_EQ(GetMessage(&m, 0, WM_KEYFIRST, WM_KEYLAST), -1);
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.hwnd, b);
}

TEST_F(DisplayTest, TimerProceduresAndWindowlessTimers) {
  static std::vector<UINT_PTR> calls;
  calls.clear();
  UINT_PTR id = SetTimer(0, 0, 15, [](HWND, UINT, UINT_PTR t, DWORD) { calls.push_back(t); });
  EXPECT_NE(id, 0u);
  MSG m;
  ASSERT_EQ(GetMessage(&m, 0, 0, 0), 1);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  DispatchMessage(&m);
  EXPECT_EQ(calls, std::vector<UINT_PTR>{id});
  EXPECT_TRUE(KillTimer(0, id));
  EXPECT_FALSE(KillTimer(0, id));
}

TEST_F(DisplayTest, PaintIsClippedToTheInvalidRegionAndUpdateWindowIsSynchronous) {
  HWND w = top_level(0, 0, 40, 40);
  handler = [](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    cairo_set_source_rgb(dc, 1, 0, 0);
    cairo_paint(dc);
    EndPaint(hwnd, &ps);
    return true;
  };
  RECT part{10, 10, 20, 20};
  InvalidateRect(w, &part, 0);
  take({});
  UpdateWindow(w);
  EXPECT_EQ(take({WM_PAINT}).size(), 1u);
  RECT none;
  EXPECT_FALSE(GetUpdateRect(w, &none, 0));
  cairo_surface_t* picture = compose_picture(w);
  auto pixel = [&](int x, int y) {
    auto* data = cairo_image_surface_get_data(picture);
    return *reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(picture) + x * 4);
  };
  EXPECT_EQ(pixel(15, 15), 0xFFFF0000u);
  EXPECT_EQ(pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_EQ(pixel(25, 15), 0xFFFFFFFFu);
  cairo_surface_destroy(picture);
}

TEST_F(DisplayTest, AnUnvalidatedPaintComesBackAfterAPauseInsteadOfSpinning) {
  HWND w = top_level(0, 0, 40, 40);
  std::vector<DWORD> times;
  handler = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message != WM_PAINT) return false;
    times.push_back(GetTickCount());
    if (times.size() == 3) PostQuitMessage(0);
    return true;  // never validates
  };
  InvalidateRect(w, nullptr, 0);
  MSG m;
  while (GetMessage(&m, 0, 0, 0) > 0) DispatchMessage(&m);
  EXPECT_EQ(times, (std::vector<DWORD>{0, unvalidated_paint_delay, 2 * unvalidated_paint_delay}));
}

TEST_F(DisplayTest, HalfBlackChildOverWhiteParentComposesToMidGrey) {
  HWND top = top_level(0, 0, 60, 60);
  HWND veil = child(top, 10, 10, 30, 30);
  PAINTSTRUCT ps;
  InvalidateRect(veil, nullptr, 0);
  HDC dc = BeginPaint(veil, &ps);
  cairo_set_operator(dc, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(dc, 0, 0, 0, 0.5);
  cairo_paint(dc);
  EndPaint(veil, &ps);
  // A layered child beyond the parent's edge is clipped to it.
  HWND layered = child(top, 50, 50, 30, 30, u"Recorder", WS_EX_LAYERED);
  HDC content = CreateCompatibleDC(30, 30);
  cairo_set_source_rgb(content, 0, 0, 1);
  cairo_paint(content);
  BLENDFUNCTION blend;
  EXPECT_TRUE(UpdateLayeredWindow(layered, nullptr, nullptr, nullptr, content, nullptr, 0, &blend, ULW_ALPHA));
  DeleteDC(content);
  std::string path = ::testing::TempDir() + "display-veil.png";
  ASSERT_TRUE(screen->snapshot(0, path));
  cairo_surface_t* picture = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(picture), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(picture), 1280);
  auto pixel = [&](int x, int y) {
    auto* data = cairo_image_surface_get_data(picture);
    return *reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(picture) + x * 4);
  };
  uint32_t grey = pixel(25, 25);
  EXPECT_NEAR(static_cast<int>(grey & 0xFF), 127, 1);
  EXPECT_EQ(grey >> 24, 0xFFu);
  EXPECT_EQ(pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_EQ(pixel(55, 55), 0xFF0000FFu);
  EXPECT_EQ(pixel(65, 65), 0xFF000000u);  // the desktop: outside the parent
  cairo_surface_destroy(picture);
  // PrintWindow and BitBlt from the screen give the same picture.
  HDC printed = CreateCompatibleDC(60, 60);
  EXPECT_TRUE(PrintWindow(top, printed, 0));
  HDC screen_dc = GetDC(0), copied = CreateCompatibleDC(60, 60);
  EXPECT_TRUE(BitBlt(copied, 0, 0, 60, 60, screen_dc, 0, 0, SRCCOPY));
  ReleaseDC(0, screen_dc);
  auto at = [](HDC target, int x, int y) {
    cairo_surface_t* s = cairo_get_target(target);
    cairo_surface_flush(s);
    return *reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) + x * 4);
  };
  EXPECT_EQ(at(printed, 25, 25), grey);
  EXPECT_EQ(at(copied, 25, 25), grey);
  EXPECT_EQ(at(copied, 55, 55), 0xFF0000FFu);
  DeleteDC(printed);
  DeleteDC(copied);
  // Drawing on a caller's premultiplied BGRA pixels, which stay the caller's.
  std::vector<uint32_t> pixels(4 * 3, 0);
  HDC on_pixels = CreateDCForPixels(pixels.data(), 4, 3, 16);
  ASSERT_NE(on_pixels, nullptr);
  cairo_set_source_rgba(on_pixels, 1, 0, 0, 0.5);
  cairo_rectangle(on_pixels, 1, 1, 2, 1);
  cairo_fill(on_pixels);
  DeleteDC(on_pixels);
  EXPECT_EQ(pixels[0], 0u);
  EXPECT_NEAR(static_cast<int>(pixels[5] >> 16 & 0xFF), 128, 1);
  EXPECT_NEAR(static_cast<int>(pixels[5] >> 24), 128, 1);
  EXPECT_EQ(CreateDCForPixels(pixels.data(), 4, 3, 8), nullptr);  // rows shorter than the width
}

TEST_F(DisplayTest, BrushesFromColoursAndSystemColours) {
  struct Case {
    HBRUSH brush;
    uint32_t pixel;
  } cases[] = {{CreateSolidBrush(RGB(1, 2, 3)), 0xFF010203u},
               {GetSysColorBrush(COLOR_HIGHLIGHT), 0xFF0078D7u},
               {static_cast<HBRUSH>(COLOR_WINDOW + 1), 0xFFFFFFFFu},
               {static_cast<HBRUSH>(COLOR_WINDOWTEXT + 1), 0xFF000000u}};
  for (const Case& c : cases) {
    uint32_t pixel = 0;
    HDC dc = CreateDCForPixels(&pixel, 1, 1, 4);
    RECT all{0, 0, 1, 1};
    EXPECT_TRUE(FillRect(dc, &all, c.brush));
    DeleteDC(dc);
    EXPECT_EQ(pixel, c.pixel) << c.brush;
  }
}

struct KeyCase {
  const char* name;
  std::function<void(Headless&)> act;
  std::vector<std::pair<UINT, WPARAM>> expected;
};

TEST_F(DisplayTest, KeysBecomeKeyAndCharacterMessages) {
  const KeyCase cases[] = {
      {"a", [](Headless& s) { s.tap('A'); }, {{WM_KEYDOWN, 0x41}, {WM_CHAR, 'a'}, {WM_KEYUP, 0x41}}},
      {"Shift+a",
       [](Headless& s) {
         s.key_down(VK_LSHIFT);
         s.tap('A');
         s.key_up(VK_LSHIFT);
       },
       {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 0x41}, {WM_CHAR, 'A'}, {WM_KEYUP, 0x41}, {WM_KEYUP, VK_SHIFT}}},
      {"Ctrl+C",
       [](Headless& s) {
         s.key_down(VK_CONTROL);
         s.tap('C');
         s.key_up(VK_CONTROL);
       },
       {{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, 'C'}, {WM_CHAR, 3}, {WM_KEYUP, 'C'}, {WM_KEYUP, VK_CONTROL}}},
      {"Left", [](Headless& s) { s.tap(VK_LEFT); }, {{WM_KEYDOWN, VK_LEFT}, {WM_KEYUP, VK_LEFT}}},
      {"Alt+O",
       [](Headless& s) {
         s.key_down(VK_MENU);
         s.tap('O');
         s.key_up(VK_MENU);
       },
       {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'O'}, {WM_SYSCHAR, 'o'}, {WM_SYSKEYUP, 'O'}, {WM_SYSKEYUP, VK_MENU}}},
      {"Enter and Backspace", [](Headless& s) { s.tap(VK_RETURN), s.tap(VK_BACK); },
       {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13}, {WM_KEYUP, VK_RETURN}, {WM_KEYDOWN, VK_BACK}, {WM_CHAR, 8},
        {WM_KEYUP, VK_BACK}}},
      {"U+1F600 typed", [](Headless& s) { s.type(U"\U0001F600"); },
       {{WM_KEYDOWN, VK_PACKET}, {WM_CHAR, 0xD83D}, {WM_CHAR, 0xDE00}, {WM_KEYUP, VK_PACKET}}},
      {"é typed", [](Headless& s) { s.type(U"é"); }, {{WM_KEYDOWN, VK_PACKET}, {WM_CHAR, 0xE9}, {WM_KEYUP, VK_PACKET}}},
  };
  HWND w = top_level(0, 0, 50, 50);
  SetFocus(w);
  for (const KeyCase& c : cases) {
    take({});
    c.act(*screen);
    pump();
    std::vector<std::pair<UINT, WPARAM>> got;
    for (const Seen& s : take({WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR}))
      got.push_back({s.message, s.wParam});
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST_F(DisplayTest, KeyMessagesCarryScanCodeAndTransitionBitsAndTheKeyState) {
  HWND w = top_level(0, 0, 50, 50);
  SetFocus(w);
  screen->key_down('A');
  screen->key_down('A');  // auto-repeat
  EXPECT_LT(GetAsyncKeyState('A'), 0);
  EXPECT_GE(GetKeyState('A'), 0);  // as of the messages retrieved
  screen->key_up('A');
  EXPECT_GE(GetAsyncKeyState('A'), 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_LT(GetKeyState('A'), 0);
  DispatchMessage(&m);
  pump();
  EXPECT_GE(GetKeyState('A'), 0);
  auto keys = take({WM_KEYDOWN, WM_KEYUP});
  ASSERT_EQ(keys.size(), 3u);
  auto bits = [](LPARAM lp) { return static_cast<uint32_t>(lp); };
  EXPECT_EQ(bits(keys[0].lParam), 0x001E0001u);
  EXPECT_EQ(bits(keys[1].lParam), 0x401E0001u);
  EXPECT_EQ(bits(keys[2].lParam), 0xC01E0001u);
  screen->tap(VK_CAPITAL);
  pump();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
  screen->tap('A');
  pump();
  EXPECT_EQ(take({WM_CHAR}).at(0).wParam, static_cast<WPARAM>('A'));
}

TEST_F(DisplayTest, UsKeyboardTable) {
  struct Row {
    char16_t ch;
    SHORT scan;
  } rows[] = {{u'a', 'A'}, {u'A', 0x100 | 'A'}, {u'1', '1'}, {u'!', 0x100 | '1'}, {u'?', 0x100 | VK_OEM_2},
              {u' ', VK_SPACE}, {u'\x03', 0x200 | 'C'}, {u'é', -1}};
  for (const Row& r : rows) EXPECT_EQ(VkKeyScan(r.ch), r.scan) << static_cast<int>(r.ch);
  EXPECT_EQ(MapVirtualKey('A', MAPVK_VK_TO_VSC), 0x1Eu);
  EXPECT_EQ(MapVirtualKey(0x1E, MAPVK_VSC_TO_VK), static_cast<UINT>('A'));
  EXPECT_EQ(MapVirtualKey(0x2A, MAPVK_VSC_TO_VK), static_cast<UINT>(VK_SHIFT));
  EXPECT_EQ(MapVirtualKey(VK_OEM_COMMA, MAPVK_VK_TO_CHAR), static_cast<UINT>(','));
  EXPECT_EQ(MapVirtualKey(VK_LEFT, MAPVK_VK_TO_CHAR), 0u);
}

TEST_F(DisplayTest, CaptureKeepsTheMouseWithItsWindowUntilReleased) {
  HWND a = top_level(0, 0, 100, 100), b = top_level(200, 0, 100, 100);
  handler = [a](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (hwnd == a && message == WM_LBUTTONDOWN) SetCapture(hwnd);
    if (hwnd == a && message == WM_LBUTTONUP) ReleaseCapture();
    return false;
  };
  screen->move(50, 50);
  screen->press();
  pump();
  screen->move(250, 10);
  pump();
  auto moves = take({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_CAPTURECHANGED});
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[2].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(moves[2].lParam), 250);
  EXPECT_EQ(moves[2].wParam, MK_LBUTTON);
  screen->release();
  pump();
  auto ups = take({WM_LBUTTONUP, WM_CAPTURECHANGED});
  ASSERT_EQ(ups.size(), 2u);
  EXPECT_EQ(ups[0].hwnd, a);
  EXPECT_EQ(ups[1].message, WM_CAPTURECHANGED);
  screen->move(260, 10);
  pump();
  EXPECT_EQ(take({WM_MOUSEMOVE}).at(0).hwnd, b);
  // A press activates the window under it.
  screen->press();
  screen->release();
  pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), b);
}

TEST_F(DisplayTest, HoverAndLeaveAreReportedOncePerTracking) {
  HWND a = top_level(0, 0, 100, 100), b = top_level(200, 0, 100, 100);
  screen->move(10, 10);
  TRACKMOUSEEVENT t{TME_HOVER | TME_LEAVE, a, HOVER_DEFAULT};
  EXPECT_TRUE(TrackMouseEvent(&t));
  screen->advance(hover_default_time - 1);
  pump();
  EXPECT_EQ(take({WM_MOUSEHOVER}).size(), 0u);
  screen->advance(1);
  pump();
  screen->advance(1000);
  pump();
  auto hovers = take({WM_MOUSEHOVER});
  ASSERT_EQ(hovers.size(), 1u);
  EXPECT_EQ(hovers[0].lParam, MAKELPARAM(10, 10));
  screen->move(250, 10);
  screen->move(20, 10);
  pump();
  auto leaves = take({WM_MOUSELEAVE});
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves[0].hwnd, a);
  // Tracking a window the pointer is not over reports the leave at once.
  TRACKMOUSEEVENT elsewhere{TME_LEAVE, b, 0};
  TrackMouseEvent(&elsewhere);
  pump();
  EXPECT_EQ(take({WM_MOUSELEAVE}).at(0).hwnd, b);
}

TEST_F(DisplayTest, DoubleClicksOnlyForClassesThatAskAndWithinTheTime) {
  HWND plain = top_level(0, 0, 100, 100), dbl = top_level(200, 0, 100, 100, u"DoubleClicks");
  auto clicks = [&](int x) {
    screen->click(x, 10);
    screen->advance(100);
    screen->click(x, 10);
    screen->advance(100);
    screen->click(x, 10);
    screen->advance(600);
    screen->click(x, 10);
    pump();
    std::vector<UINT> kinds;
    for (const Seen& s : take({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})) kinds.push_back(s.message);
    return kinds;
  };
  (void)plain;
  (void)dbl;
  EXPECT_EQ(clicks(50), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
  EXPECT_EQ(clicks(250), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST_F(DisplayTest, MouseMessagesCarryClientPositionsFlagsAndWheelSteps) {
  HWND top = top_level(100, 100, 200, 200);
  HWND inner = child(top, 20, 30, 50, 50);
  screen->move(125, 135);
  screen->key_down(VK_SHIFT);
  screen->press(input::right);
  screen->wheel(-WHEEL_DELTA);
  screen->wheel(WHEEL_DELTA);
  pump();
  auto got = take({WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_MOUSEWHEEL});
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], (Seen{inner, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)}));
  EXPECT_EQ(got[1], (Seen{inner, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(5, 5)}));
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[2].wParam), -120);
  EXPECT_EQ(got[2].lParam, MAKELPARAM(125, 135));  // wheel positions are on the screen
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(got[3].wParam), 120);
  EXPECT_EQ(LOWORD(got[3].wParam), MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(GetMessagePos(), static_cast<DWORD>(MAKELPARAM(125, 135)));
  // A disabled child passes the mouse to its parent.
  EnableWindow(inner, 0);
  screen->move(126, 136);
  pump();
  EXPECT_EQ(take({WM_MOUSEMOVE}).at(0).hwnd, top);
}

TEST_F(DisplayTest, TheWindowUnderThePointerChoosesTheCursor) {
  WNDCLASSEX cls;
  ASSERT_TRUE(GetClassInfoEx(u"Recorder", &cls));
  cls.lpszClassName = u"Text";
  cls.hCursor = LoadCursor(IDC_IBEAM);
  RegisterClassEx(cls);
  HWND top = top_level(0, 0, 100, 100);
  HWND text = child(top, 50, 0, 50, 50, u"Text");
  screen->move(60, 10);
  pump();
  EXPECT_EQ(GetCursor(), IDC_IBEAM);
  auto asked = take({WM_SETCURSOR});
  ASSERT_EQ(asked.size(), 2u);  // the parent is asked first
  EXPECT_EQ(asked[0].hwnd, text);
  EXPECT_EQ(asked[1].hwnd, top);
  EXPECT_EQ(asked[1].lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  // A parent that answers keeps its own cursor.
  handler = [top](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT& r) {
    if (hwnd != top || message != WM_SETCURSOR) return false;
    SetCursor(IDC_HAND);
    r = 1;
    return true;
  };
  screen->move(61, 10);
  pump();
  EXPECT_EQ(GetCursor(), IDC_HAND);
}

TEST_F(DisplayTest, FocusAndActivationMessages) {
  HWND a = top_level(0, 0, 100, 100), b = top_level(200, 0, 100, 100);
  HWND field = child(b, 0, 0, 10, 10);
  SetActiveWindow(a);
  take({});
  EXPECT_EQ(SetFocus(field), a);
  auto got = take({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS});
  std::vector<Seen> expected{{a, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(b)},
                             {b, WM_ACTIVATE, WA_ACTIVE, static_cast<LPARAM>(a)},
                             {a, WM_KILLFOCUS, b, 0},
                             {b, WM_SETFOCUS, a, 0},
                             {b, WM_KILLFOCUS, field, 0},  // b took the focus on activation
                             {field, WM_SETFOCUS, b, 0}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(GetActiveWindow(), b);
  EnableWindow(field, 0);
  EXPECT_EQ(GetFocus(), 0u);
}

TEST_F(DisplayTest, ClassesSuperclassingAndWindowData) {
  WNDCLASSEX base;
  ASSERT_TRUE(GetClassInfoEx(u"Recorder", &base));
  static WNDPROC inherited = base.lpfnWndProc;
  static std::vector<UINT> own;
  own.clear();
  base.lpszClassName = u"Derived";
  base.cbWndExtra = 16;
  base.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    own.push_back(m);
    return CallWindowProc(inherited, h, m, wp, lp);
  };
  ASSERT_NE(RegisterClassEx(base), 0);
  EXPECT_EQ(RegisterClassEx(base), 0);  // the name is taken
  EXPECT_EQ(CreateWindowEx(0, u"Nowhere", u"", 0, 0, 0, 1, 1, 0, 0, nullptr), 0u);
  HWND top = top_level(0, 0, 100, 100);
  HWND w = CreateWindowEx(0, u"Derived", u"title", WS_CHILD, 1, 2, 30, 40, top, 0x12345678, nullptr);
  ASSERT_NE(w, 0u);
  EXPECT_EQ(own.front(), WM_NCCREATE);
  EXPECT_EQ(seen.back().hwnd, w);  // the base procedure ran too
  EXPECT_EQ(GetWindowLongPtr(w, GWLP_ID), 0x12345678);
  EXPECT_EQ(GetWindowLongPtr(w, 8), 0);
  SetWindowLongPtr(w, 8, -5);
  EXPECT_EQ(GetWindowLongPtr(w, 8), -5);
  EXPECT_EQ(GetWindowLongPtr(w, 16), 0);  // beyond the extra bytes
  struct Data {
    int face = 17;
  };
  SetWindowData(w, std::make_shared<Data>());
  EXPECT_EQ(GetWindowData<Data>(w)->face, 17);
  EXPECT_EQ(GetWindowText(w), u"title");
  SetWindowText(w, u"new");
  EXPECT_EQ(GetWindowTextLength(w), 3);
  EXPECT_EQ(GetAncestor(w, GA_ROOT), top);
  EXPECT_FALSE(IsWindowVisible(w));
  ShowWindow(w, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(w));
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(DisplayTest, GeometryFramesAndPlacement) {
  RECT r{0, 0, 200, 100};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, 0, 0);
  EXPECT_EQ(r, (RECT{-4, -27, 204, 104}));
  HWND top = CreateWindowEx(0, u"Recorder", u"", WS_OVERLAPPEDWINDOW, r.left + 300, r.top + 200, r.width(), r.height(),
                            0, 0, nullptr);
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(client, (RECT{0, 0, 200, 100}));
  POINT p{0, 0};
  ClientToScreen(top, &p);
  EXPECT_EQ(p, (POINT{300, 200}));
  HWND kid = child(top, 10, 10, 20, 20);
  HWND other = child(top, 15, 15, 20, 20);
  ShowWindow(top, SW_SHOWNA);
  EXPECT_EQ(WindowFromPoint({320, 220}), other);
  SetWindowPos(kid, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint({320, 220}), kid);
  take({});
  HDWP batch = BeginDeferWindowPos(2);
  batch = DeferWindowPos(batch, kid, 0, 50, 50, 10, 10, SWP_NOZORDER);
  batch = DeferWindowPos(batch, other, 0, 60, 60, 10, 10, SWP_NOZORDER);
  EXPECT_EQ(take({WM_MOVE}).size(), 0u);  // nothing moves before the batch ends
  EXPECT_TRUE(EndDeferWindowPos(batch));
  EXPECT_EQ(take({WM_MOVE}).size(), 2u);
  EXPECT_EQ(WindowFromPoint({355, 255}), kid);
  EXPECT_EQ(SetParent(kid, 0), top);
  EXPECT_EQ(ChildWindows(top), std::vector<HWND>{other});
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_EQ(take({WM_SIZE}).back().wParam, SIZE_MINIMIZED);
}

TEST_F(DisplayTest, ScrollBarsTakeRoomAndClampThePosition) {
  HWND w = top_level(0, 0, 100, 100);
  SCROLLINFO in{SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 20, 95, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &in, 1), 80);
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 100 - GetSystemMetrics(SM_CXVSCROLL));
  SCROLLINFO out{SIF_ALL};
  GetScrollInfo(w, SB_VERT, &out);
  EXPECT_EQ(out.nPos, 80);
  EXPECT_EQ(out.nPage, 20u);
  in = {SIF_PAGE, 0, 0, 200, 0, 0};
  SetScrollInfo(w, SB_VERT, &in, 1);
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 100);  // a page that shows everything hides the bar
}

TEST_F(DisplayTest, MonitorsAreChosenByOverlapThenDistance) {
  install_display(std::make_unique<Headless>(std::vector<Monitor>{
      {{0, 0, 1000, 800}, {0, 0, 1000, 760}, 96, false}, {{1000, 0, 2000, 800}, {1000, 0, 2000, 800}, 144, true}}));
  register_classes();
  struct Case {
    RECT r;
    DWORD flags;
    HMONITOR expected;
  } cases[] = {
      {{900, 10, 1200, 100}, MONITOR_DEFAULTTONULL, 2},      // more of it on the second
      {{900, 10, 1050, 100}, MONITOR_DEFAULTTONULL, 1},      // more of it on the first
      {{2100, 10, 2200, 100}, MONITOR_DEFAULTTONEAREST, 2},  // beyond the right edge
      {{-500, 900, -400, 950}, MONITOR_DEFAULTTONEAREST, 1},
      {{-500, 900, -400, 950}, MONITOR_DEFAULTTOPRIMARY, 2},
      {{-500, 900, -400, 950}, MONITOR_DEFAULTTONULL, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MonitorFromRect(c.r, c.flags), c.expected) << c.r.left << " " << c.flags;
  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(1, &info));
  EXPECT_EQ(info.rcWork.bottom, 760);
  EXPECT_EQ(info.dwFlags, 0u);
  HWND w = CreateWindowEx(0, u"Recorder", u"", WS_POPUP, 1500, 10, 10, 10, 0, 0, nullptr);
  EXPECT_EQ(GetDpiForWindow(w), 144u);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2000);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
}

TEST_F(DisplayTest, MonitorsMetricsAndFixedAnswers) {
  std::vector<RECT> monitors;
  EnumDisplayMonitors([&](HMONITOR, const RECT& r) {
    monitors.push_back(r);
    return 1;
  });
  EXPECT_EQ(monitors, std::vector<RECT>{(RECT{0, 0, 1280, 1024})});
  HMONITOR m = MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONEAREST);
  EXPECT_NE(m, 0u);
  EXPECT_EQ(MonitorFromPoint({5000, 5000}, MONITOR_DEFAULTTONULL), 0u);
  UINT dpi = 0;
  EXPECT_EQ(GetDpiForMonitor(m, MDT_EFFECTIVE_DPI, &dpi, nullptr), 0);
  EXPECT_EQ(dpi, 96u);
  HWND w = top_level(10, 10, 10, 10);
  EXPECT_EQ(GetDpiForWindow(w), 96u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetricsForDpi(SM_CXVSCROLL, 192), 34);
  OSVERSIONINFO v;
  GetVersionEx(&v);
  EXPECT_EQ(v.dwMajorVersion, 10u);
  BOOL composed = 0;
  EXPECT_EQ(DwmIsCompositionEnabled(&composed), 0);
  uint32_t arrow[4] = {0xFF000000, 0, 0, 0xFF000000};
  HCURSOR c = CreateCursorFromImage(arrow, 2, 2, 5, 0);
  EXPECT_EQ(cursor_image(c).hot_x, 1);
  SetCursor(c);
  EXPECT_EQ(GetCursor(), c);
  DestroyCursor(c);
  EXPECT_EQ(GetCursor(), IDC_ARROW);
  CreateCaret(w, 1, 12);
  SetCaretPos(3, 4);
  POINT at;
  GetCaretPos(&at);
  EXPECT_EQ(at, (POINT{3, 4}));
}

}  // namespace
}  // namespace zel::display::testing

namespace zel::display::testing {
namespace {

using Kind = ClipboardContent::Kind;

TEST_F(DisplayTest, ClipboardRoundTripsTextFilesAndImages) {
  ClipboardContent text;
  text.kind = Kind::text;
  text.text = u"h\u00e9 \U0001F600";
  ASSERT_TRUE(write_clipboard(text));
  auto back = read_clipboard();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->kind, Kind::text);
  EXPECT_EQ(back->text, text.text);

  ClipboardContent files;
  files.kind = Kind::files;
  files.files = {u"/tmp/a b.txt", u"/home/\u00e9"};
  ASSERT_TRUE(write_clipboard(files));
  ASSERT_TRUE(OpenClipboard(0));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  std::string drop = *GetClipboardData(CF_HDROP);
  CloseClipboard();
  EXPECT_EQ(drop.substr(0, 4), std::string("\x14\0\0\0", 4));
  EXPECT_EQ(drop.substr(16, 4), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(drop.substr(drop.size() - 4), std::string(4, '\0'));
  EXPECT_EQ(read_clipboard()->files, files.files);

  ClipboardContent image;
  image.kind = Kind::pixels;
  image.width = 2, image.height = 2;
  image.pixels = {0xFF000001, 0xFF000002, 0xFF000003, 0x80000004};
  image.encoded = "\x89PNG...";
  ASSERT_TRUE(write_clipboard(image));
  back = read_clipboard();
  EXPECT_EQ(back->kind, Kind::encoded_image);  // the encoded form comes first
  EXPECT_EQ(back->encoding, u"PNG");
  image.encoded.clear();
  ASSERT_TRUE(write_clipboard(image));
  back = read_clipboard();
  ASSERT_EQ(back->kind, Kind::pixels);
  EXPECT_EQ(back->pixels, image.pixels);
  EXPECT_EQ(back->height, 2);
}

TEST_F(DisplayTest, ClipboardEmptiedByNothingAndRefusedWhileHeld) {
  ClipboardContent text;
  text.kind = Kind::text;
  text.text = u"x";
  write_clipboard(text);
  EXPECT_TRUE(write_clipboard(ClipboardContent{}));
  EXPECT_EQ(read_clipboard()->kind, Kind::none);
  ASSERT_TRUE(OpenClipboard(0));
  EXPECT_FALSE(read_clipboard());
  EXPECT_FALSE(write_clipboard(text));
  CloseClipboard();
  // A bottom-up bitmap reads top row first; a bitmap of another layout is refused.
  std::string bitmap = bitmap_of(1, 2, {0xFF0000AA, 0xFF0000BB});
  bitmap[8] = 2, bitmap[9] = bitmap[10] = bitmap[11] = 0;
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(pixels_of_bitmap(bitmap, &w, &h, &pixels));
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFF0000BB, 0xFF0000AA}));
  bitmap[12 + 2] = 24;
  EXPECT_FALSE(pixels_of_bitmap(bitmap, &w, &h, &pixels));
  EXPECT_FALSE(pixels_of_bitmap(bitmap.substr(0, 130), &w, &h, &pixels));
}

}  // namespace
}  // namespace zel::display::testing
