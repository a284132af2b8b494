// The X11 display on a real server: run by ctest under xvfb-run (ZEL_X11_TESTS set), skipped
// elsewhere so that no window opens on a developer's screen.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cairo.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/display/clipboard.h"
#include "platform/display/compositor.h"
#include "platform/display/headless/headless.h"
#include "platform/display/input.h"
#include "platform/display/message-loop.h"
#include "platform/display/system.h"
#include "platform/display/window.h"
#include "platform/display/x11/x11.h"

// After everything else: Xlib's macros (None, Bool) clash with names in other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace zel::display {
namespace {

std::vector<MSG> received;

LRESULT keeping_proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_KEYUP) received.push_back({hwnd, message, wp, lp, 0, {}, 0});
  if (message == WM_PAINT && GetParent(hwnd)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    cairo_set_operator(dc, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(dc, 0, 0, 0.5, 0.5);
    cairo_paint(dc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProc(hwnd, message, wp, lp);
}

class DisplayX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("ZEL_X11_TESTS")) GTEST_SKIP() << "runs under xvfb-run (ZEL_X11_TESTS)";
    received.clear();
  }
  void TearDown() override { reset_display(); }

  X11Display* use_x11() {
    auto x = X11Display::open();
    if (!x) return nullptr;
    X11Display* raw = x.get();
    install_display(std::move(x));
    register_class();
    return raw;
  }
  static void register_class() {
    WNDCLASSEX cls;
    cls.lpfnWndProc = keeping_proc;
    cls.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
    cls.lpszClassName = u"Keeper";
    RegisterClassEx(cls);
  }
  static HWND scene() {
    HWND top = CreateWindowEx(0, u"Keeper", u"snapshot", WS_POPUP | WS_VISIBLE, 20, 30, 64, 48, 0, 0, nullptr);
    CreateWindowEx(0, u"Keeper", u"", WS_CHILD | WS_VISIBLE, 8, 8, 30, 20, top, 1, nullptr);
    return top;
  }
  // Runs the queue for a while of the display's own time.
  static void pump_for(int64_t milliseconds) {
    int64_t until = current_display().now() + milliseconds;
    MSG m;
    do {
      while (PeekMessage(&m, 0, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      flush_presentation();
      current_display().wait(std::min(until, current_display().now() + 10));
    } while (current_display().now() < until);
  }
};

TEST_F(DisplayX11, WindowOnTheServerShowsTheHeadlessPicture) {
  install_display(std::make_unique<Headless>());
  register_class();
  HWND top = scene();
  pump_for(0);
  cairo_surface_t* expected = compose_picture(top);
  reset_display();

  X11Display* x = use_x11();
  ASSERT_TRUE(x);
  top = scene();
  pump_for(200);
  XSync(x->connection(), False);
  XImage* image = XGetImage(x->connection(), x->x_window(top), 0, 0, 64, 48, AllPlanes, ZPixmap);
  ASSERT_TRUE(image);
  unsigned char* data = cairo_image_surface_get_data(expected);
  int stride = cairo_image_surface_get_stride(expected), differ = 0;
  for (int y = 0; y < 48; ++y)
    for (int xx = 0; xx < 64; ++xx) {
      uint32_t want = *reinterpret_cast<uint32_t*>(data + y * stride + xx * 4) & 0xFFFFFF;
      if ((XGetPixel(image, xx, y) & 0xFFFFFF) != want) ++differ;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_NE(XGetPixel(image, 10, 10) & 0xFFFFFF, XGetPixel(image, 50, 40) & 0xFFFFFF);
  XDestroyImage(image);
  cairo_surface_destroy(expected);
  // An image cursor goes to the server through the render extension.
  std::vector<uint32_t> arrow(16 * 16, 0xFF000000);
  HCURSOR cursor = CreateCursorFromImage(arrow.data(), 16, 16, 0, 0);
  SetCursor(cursor);
  SetCursor(LoadCursor(IDC_IBEAM));
  SetCursor(cursor);
  XSync(x->connection(), False);
  EXPECT_EQ(GetCursor(), cursor);
}

TEST_F(DisplayX11, SentKeyPressBecomesKeyDownThenChar) {
  X11Display* x = use_x11();
  ASSERT_TRUE(x);
  HWND top = scene();
  SetFocus(top);
  pump_for(50);
  ::Display* c = x->connection();
  XKeyEvent key{};
  key.type = KeyPress;
  key.display = c;
  key.window = x->x_window(top);
  key.root = DefaultRootWindow(c);
  key.keycode = XKeysymToKeycode(c, XK_a);
  key.same_screen = True;
  XSendEvent(c, key.window, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
  XFlush(c);
  pump_for(200);
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0].message, WM_KEYDOWN);
  EXPECT_EQ(received[0].wParam, 0x41u);
  EXPECT_EQ(received[1].message, WM_CHAR);
  EXPECT_EQ(received[1].wParam, static_cast<WPARAM>('a'));
}

TEST_F(DisplayX11, TheServerMovesAndClosesOurWindows) {
  X11Display* x = use_x11();
  ASSERT_TRUE(x);
  HWND top = scene();
  pump_for(50);
  // Another client (as a window manager would) moves and resizes the window.
  ::Display* other = XOpenDisplay(nullptr);
  ASSERT_TRUE(other);
  XMoveResizeWindow(other, x->x_window(top), 200, 150, 100, 80);
  XSync(other, False);
  pump_for(200);
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r, (RECT{200, 150, 300, 230}));
  GetClientRect(top, &r);
  EXPECT_EQ(r.right, 100);
  // The window manager's close button.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = x->x_window(top);
  close.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(other, "WM_DELETE_WINDOW", False));
  XSendEvent(other, x->x_window(top), False, NoEventMask, &close);
  XSync(other, False);
  XCloseDisplay(other);
  pump_for(200);
  EXPECT_FALSE(IsWindow(top));
}

// Started by the test below as another process: reads the CLIPBOARD into a file.
TEST(DisplayX11Reader, ReadsTheClipboardIntoAFile) {
  const char* out = std::getenv("ZEL_CLIPBOARD_OUT");
  if (!out) GTEST_SKIP() << "started by DisplayX11.AnotherProcessReadsOurClipboard";
  auto x = X11Display::open();
  ASSERT_TRUE(x);
  auto offered = x->foreign_clipboard();
  std::ofstream file(out, std::ios::binary);
  for (auto& [format, bytes] : offered)
    if (format == CF_UNICODETEXT) file << bytes;
}

TEST_F(DisplayX11, AnotherProcessReadsOurClipboard) {
  X11Display* x = use_x11();
  ASSERT_TRUE(x);
  std::u16string big;
  for (int i = 0; big.size() < (1 << 20); ++i) big += i % 64 ? u'x' : u'\u00e9';
  const std::u16string texts[] = {u"gr\u00fc\u00df \u00e9t\u00e9 \U0001F600 \u4e2d", big};
  for (const std::u16string& text : texts) {
    ClipboardContent content;
    content.kind = ClipboardContent::Kind::text;
    content.text = text;
    ASSERT_TRUE(write_clipboard(content));
    std::string path = ::testing::TempDir() + "clipboard-read.bin";
    std::remove(path.c_str());
    pid_t child = fork();
    if (child == 0) {
      setenv("ZEL_CLIPBOARD_OUT", path.c_str(), 1);
      unsetenv("ZEL_X11_TESTS");
      execl("/proc/self/exe", "reader", "--gtest_filter=DisplayX11Reader.*", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    int64_t give_up = x->now() + 20000;
    while (waitpid(child, &status, WNOHANG) == 0 && x->now() < give_up) pump_for(10);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "reader status " << status;
    std::ifstream file(path, std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string want;
    for (char16_t u : text) want += static_cast<char>(u & 0xFF), want += static_cast<char>(u >> 8);
    want += std::string(2, '\0');
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
  }
}

}  // namespace
}  // namespace zel::display
