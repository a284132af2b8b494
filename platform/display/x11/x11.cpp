#include "platform/display/x11/x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/Xrender.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/display/clipboard.h"
#include "platform/display/input.h"
#include "platform/display/message-loop.h"
#include "platform/display/system.h"
#include "platform/display/utf16.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

// Xlib's default handler ends the process on any protocol error (a focus request for a window
// the server has not mapped yet, a requestor that vanished): errors are ignored instead.
int ignore_error(::Display*, XErrorEvent*) { return 0; }

Atom atom(::Display* x, const char* name) { return XInternAtom(x, name, False); }

BYTE vk_of_keysym(KeySym k) {
  if (k >= XK_a && k <= XK_z) return static_cast<BYTE>('A' + (k - XK_a));
  if (k >= XK_A && k <= XK_Z) return static_cast<BYTE>('A' + (k - XK_A));
  if (k >= XK_0 && k <= XK_9) return static_cast<BYTE>('0' + (k - XK_0));
  if (k >= XK_F1 && k <= XK_F24) return static_cast<BYTE>(VK_F1 + (k - XK_F1));
  if (k >= XK_KP_0 && k <= XK_KP_9) return static_cast<BYTE>(VK_NUMPAD0 + (k - XK_KP_0));
  switch (k) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_BackSpace: return VK_BACK;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Shift_L: return VK_LSHIFT;
    case XK_Shift_R: return VK_RSHIFT;
    case XK_Control_L: return VK_LCONTROL;
    case XK_Control_R: return VK_RCONTROL;
    case XK_Alt_L: case XK_Meta_L: return VK_LMENU;
    case XK_Alt_R: case XK_Meta_R: case XK_ISO_Level3_Shift: return VK_RMENU;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Pause: return VK_PAUSE;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_minus: return VK_OEM_MINUS;
    case XK_equal: return VK_OEM_PLUS;
    case XK_bracketleft: return VK_OEM_4;
    case XK_bracketright: return VK_OEM_6;
    case XK_semicolon: return VK_OEM_1;
    case XK_apostrophe: return VK_OEM_7;
    case XK_grave: return VK_OEM_3;
    case XK_backslash: return VK_OEM_5;
    case XK_comma: return VK_OEM_COMMA;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    default: return 0;
  }
}

unsigned int x_cursor_shape(HCURSOR c) {
  switch (c) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

std::string uri_list_of(const std::vector<std::u16string>& files) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (const auto& f : files) {
    out += "file://";
    for (char byte : utf8_of(f)) {
      auto b = static_cast<unsigned char>(byte);
      if (std::isalnum(b) || std::strchr("/-_.~", b))
        out += static_cast<char>(b);
      else
        out += '%', out += hex[b >> 4], out += hex[b & 15];
    }
    out += "\r\n";
  }
  return out;
}

std::vector<std::u16string> files_of_uri_list(std::string_view list) {
  std::vector<std::u16string> files;
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find('\n', at);
    std::string_view line = list.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    at = end == std::string_view::npos ? list.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#' || line.substr(0, 7) != "file://") continue;
    line.remove_prefix(7);
    line = line.substr(std::min(line.find('/'), line.size()));  // a host name before the path
    std::string path;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '%' && i + 2 < line.size() && std::isxdigit(static_cast<unsigned char>(line[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(line[i + 2]))) {
        path += static_cast<char>(std::stoi(std::string(line.substr(i + 1, 2)), nullptr, 16));
        i += 2;
      } else {
        path += line[i];
      }
    }
    files.push_back(utf16_of(path));
  }
  return files;
}

}  // namespace

struct X11Display::Transfer {
  ::Window requestor;
  Atom property, type;
  std::string data;
  size_t offset = 0;
  int64_t started = 0;
};

std::unique_ptr<X11Display> X11Display::open(const char* name) {
  XSetErrorHandler(ignore_error);
  ::Display* x = XOpenDisplay(name);
  if (!x) return nullptr;
  return std::unique_ptr<X11Display>(new X11Display(x));
}

X11Display::X11Display(::Display* x) : x_(x) {
  helper_ = XCreateSimpleWindow(x_, DefaultRootWindow(x_), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(x_, helper_, PropertyChangeMask);
}

X11Display::~X11Display() {
  for (auto& [hwnd, xw] : windows_) XDestroyWindow(x_, xw);
  for (auto& [shape, c] : cursors_) XFreeCursor(x_, c);
  XDestroyWindow(x_, helper_);
  XCloseDisplay(x_);
}

int64_t X11Display::now() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

HWND X11Display::hwnd_of(unsigned long xw) const {
  for (auto& [hwnd, w] : windows_)
    if (w == xw) return hwnd;
  return 0;
}

unsigned long X11Display::x_window(HWND hwnd) const {
  auto found = windows_.find(hwnd);
  return found == windows_.end() ? 0 : found->second;
}

bool X11Display::wait(int64_t deadline) {
  XFlush(x_);
  for (;;) {
    bool handled = false;
    while (XPending(x_)) {
      XEvent e;
      XNextEvent(x_, &e);
      handle(&e);
      handled = true;
    }
    if (handled) return true;
    int64_t left = deadline < 0 ? -1 : std::max<int64_t>(deadline - now(), 0);
    pollfd fd{ConnectionNumber(x_), POLLIN, 0};
    int ready = poll(&fd, 1, static_cast<int>(std::min<int64_t>(left, 1 << 30)));
    if (ready <= 0 && left >= 0) return true;
  }
}

std::vector<Monitor> X11Display::monitors() {
  std::vector<Monitor> list;
  UINT dpi = 96;
  if (const char* value = XGetDefault(x_, "Xft", "dpi")) dpi = static_cast<UINT>(std::clamp(std::atoi(value), 48, 480));
  int count = 0;
  if (XRRMonitorInfo* m = XRRGetMonitors(x_, DefaultRootWindow(x_), True, &count)) {
    for (int i = 0; i < count; ++i) {
      RECT r{m[i].x, m[i].y, m[i].x + m[i].width, m[i].y + m[i].height};
      list.push_back({r, r, dpi, m[i].primary != 0});
    }
    XRRFreeMonitors(m);
  }
  if (list.empty()) {
    RECT r{0, 0, DisplayWidth(x_, DefaultScreen(x_)), DisplayHeight(x_, DefaultScreen(x_))};
    list.push_back({r, r, dpi, true});
  }
  if (std::none_of(list.begin(), list.end(), [](const Monitor& m) { return m.primary; })) list.front().primary = true;
  return list;
}

void X11Display::create_window(HWND hwnd, const RECT& client, DWORD style, DWORD ex_style) {
  XSetWindowAttributes a{};
  a.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                 EnterWindowMask | LeaveWindowMask | ExposureMask | StructureNotifyMask | FocusChangeMask;
  a.background_pixel = BlackPixel(x_, DefaultScreen(x_));
  // Pop-ups without a caption that must not take the focus (menus, tips) stay out of the
  // window manager's hands.
  a.override_redirect = (style & WS_POPUP) && !(style & WS_CAPTION) && (ex_style & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
  ::Window xw = XCreateWindow(x_, DefaultRootWindow(x_), client.left, client.top,
                              static_cast<unsigned>(std::max(client.width(), 1)),
                              static_cast<unsigned>(std::max(client.height(), 1)), 0, CopyFromParent, InputOutput,
                              CopyFromParent, CWEventMask | CWBackPixel | CWOverrideRedirect, &a);
  windows_[hwnd] = xw;
  Atom close = atom(x_, "WM_DELETE_WINDOW");
  XSetWMProtocols(x_, xw, &close, 1);
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = USPosition | USSize;
  hints->x = client.left, hints->y = client.top;
  hints->width = client.width(), hints->height = client.height();
  if (!(style & WS_THICKFRAME)) {
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = client.width();
    hints->min_height = hints->max_height = client.height();
  }
  XSetWMNormalHints(x_, xw, hints);
  XFree(hints);
  if ((style & WS_CAPTION) != WS_CAPTION) {
    long motif[5] = {2, 0, 0, 0, 0};  // decorations: none
    Atom m = atom(x_, "_MOTIF_WM_HINTS");
    XChangeProperty(x_, xw, m, m, 32, PropModeReplace, reinterpret_cast<unsigned char*>(motif), 5);
  }
}

void X11Display::destroy_window(HWND hwnd) {
  auto found = windows_.find(hwnd);
  if (found == windows_.end()) return;
  XDestroyWindow(x_, found->second);
  windows_.erase(found);
}

void X11Display::place_window(HWND hwnd, const RECT& client) {
  if (unsigned long xw = x_window(hwnd))
    XMoveResizeWindow(x_, xw, client.left, client.top, static_cast<unsigned>(std::max(client.width(), 1)),
                      static_cast<unsigned>(std::max(client.height(), 1)));
}

void X11Display::show_window(HWND hwnd, bool shown) {
  unsigned long xw = x_window(hwnd);
  if (!xw) return;
  if (shown) {
    XMapRaised(x_, xw);
    // Without a window manager nothing else gives the window the focus.
    XEvent e;
    XSync(x_, False);
    for (int i = 0; i < 100 && !XCheckTypedWindowEvent(x_, xw, MapNotify, &e); ++i) {
      pollfd fd{ConnectionNumber(x_), POLLIN, 0};
      poll(&fd, 1, 10);
    }
  } else {
    XUnmapWindow(x_, xw);
  }
}

void X11Display::set_title(HWND hwnd, std::u16string_view title) {
  unsigned long xw = x_window(hwnd);
  if (!xw) return;
  std::string utf8 = utf8_of(title);
  XChangeProperty(x_, xw, atom(x_, "_NET_WM_NAME"), atom(x_, "UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  XStoreName(x_, xw, utf8.c_str());
}

void X11Display::focus_window(HWND hwnd) {
  if (unsigned long xw = x_window(hwnd)) {
    XWindowAttributes a;
    if (XGetWindowAttributes(x_, xw, &a) && a.map_state == IsViewable) XSetInputFocus(x_, xw, RevertToParent, CurrentTime);
  }
}

void X11Display::present(HWND hwnd, cairo_surface_t* picture) {
  unsigned long xw = x_window(hwnd);
  if (!xw) return;
  int w = cairo_image_surface_get_width(picture), h = cairo_image_surface_get_height(picture);
  if (w <= 0 || h <= 0) return;
  cairo_surface_t* target = cairo_xlib_surface_create(x_, xw, DefaultVisual(x_, DefaultScreen(x_)), w, h);
  cairo_t* cr = cairo_create(target);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
  XFlush(x_);
}

// An image cursor through the render extension: its premultiplied ARGB pixels as a picture.
unsigned long X11Display::image_cursor(HCURSOR c) {
  CursorImage image = cursor_image(c);
  XRenderPictFormat* format = XRenderFindStandardFormat(x_, PictStandardARGB32);
  if (!image.argb || !format) return 0;
  auto w = static_cast<unsigned>(image.width), h = static_cast<unsigned>(image.height);
  Pixmap pixmap = XCreatePixmap(x_, DefaultRootWindow(x_), w, h, 32);
  std::vector<uint32_t> pixels(image.argb, image.argb + w * h);
  XImage* ximage = XCreateImage(x_, nullptr, 32, ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                                w, h, 32, 0);
  GC gc = XCreateGC(x_, pixmap, 0, nullptr);
  XPutImage(x_, pixmap, gc, ximage, 0, 0, 0, 0, w, h);
  ximage->data = nullptr;  // the pixels are the vector's
  XDestroyImage(ximage);
  XFreeGC(x_, gc);
  Picture picture = XRenderCreatePicture(x_, pixmap, format, 0, nullptr);
  Cursor cursor = XRenderCreateCursor(x_, picture, static_cast<unsigned>(image.hot_x), static_cast<unsigned>(image.hot_y));
  XRenderFreePicture(x_, picture);
  XFreePixmap(x_, pixmap);
  return cursor;
}

void X11Display::set_cursor(HCURSOR c) {
  cursor_ = c;
  // System shapes are kept by their font glyph, image cursors by their handle.
  unsigned long key = cursor_image(c).argb ? 0x100000000ul | c : x_cursor_shape(c);
  auto found = cursors_.find(key);
  if (found == cursors_.end()) {
    unsigned long made = key > 0xFFFFFFFFul ? image_cursor(c) : XCreateFontCursor(x_, x_cursor_shape(c));
    if (!made) made = XCreateFontCursor(x_, XC_left_ptr);
    found = cursors_.emplace(key, made).first;
  }
  for (auto& [hwnd, xw] : windows_) XDefineCursor(x_, xw, found->second);
}

void X11Display::handle(void* event) {
  XEvent& e = *static_cast<XEvent*>(event);
  switch (e.type) {
    case KeyPress:
    case KeyRelease: {
      char text[16] = {};
      KeySym sym = 0;
      int n = XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
      KeySym base = XLookupKeysym(&e.xkey, 0);
      BYTE vk = vk_of_keysym(base ? base : sym);
      if (!vk) vk = vk_of_keysym(sym);
      char32_t ch = 0;
      if (n == 1) ch = static_cast<unsigned char>(text[0]);
      else if (sym >= 0x01000100 && sym <= 0x0110FFFF) ch = static_cast<char32_t>(sym - 0x01000000);
      else if (sym >= 0xA0 && sym <= 0xFF) ch = static_cast<char32_t>(sym);
      if (vk) {
        input::key(vk, e.type == KeyPress, e.type == KeyPress ? ch : 0);
      } else if (e.type == KeyPress && ch) {
        input::text(std::u32string(1, ch));
      }
      break;
    }
    case ButtonPress:
    case ButtonRelease: {
      POINT p{e.xbutton.x_root, e.xbutton.y_root};
      bool down = e.type == ButtonPress;
      switch (e.xbutton.button) {
        case 1: input::mouse_button(input::left, down, p); break;
        case 2: input::mouse_button(input::middle, down, p); break;
        case 3: input::mouse_button(input::right, down, p); break;
        case 4: if (down) input::mouse_wheel(WHEEL_DELTA, false, p); break;
        case 5: if (down) input::mouse_wheel(-WHEEL_DELTA, false, p); break;
        case 6: if (down) input::mouse_wheel(-WHEEL_DELTA, true, p); break;
        case 7: if (down) input::mouse_wheel(WHEEL_DELTA, true, p); break;
        case 8: input::mouse_button(input::x1, down, p); break;
        case 9: input::mouse_button(input::x2, down, p); break;
        default: break;
      }
      break;
    }
    case MotionNotify: input::mouse_move({e.xmotion.x_root, e.xmotion.y_root}); break;
    case LeaveNotify: input::mouse_move({e.xcrossing.x_root, e.xcrossing.y_root}); break;
    case Expose:
      if (HWND hwnd = hwnd_of(e.xexpose.window)) present_top_level(hwnd);
      break;
    case ConfigureNotify:
      if (HWND hwnd = hwnd_of(e.xconfigure.window)) {
        int x = e.xconfigure.x, y = e.xconfigure.y;
        if (!e.xconfigure.send_event) {  // relative to a window manager's frame
          ::Window child;
          XTranslateCoordinates(x_, e.xconfigure.window, DefaultRootWindow(x_), 0, 0, &x, &y, &child);
        }
        placed_by_display(hwnd, {x, y, x + e.xconfigure.width, y + e.xconfigure.height});
      }
      break;
    case FocusIn:
      if (HWND hwnd = hwnd_of(e.xfocus.window); hwnd && GetActiveWindow() != hwnd) SetActiveWindow(hwnd);
      break;
    case FocusOut:
      if (e.xfocus.detail != NotifyInferior && hwnd_of(e.xfocus.window) == GetActiveWindow()) SetActiveWindow(0);
      break;
    case ClientMessage:
      if (static_cast<Atom>(e.xclient.data.l[0]) == atom(x_, "WM_DELETE_WINDOW"))
        if (HWND hwnd = hwnd_of(e.xclient.window)) PostMessage(hwnd, WM_CLOSE, 0, 0);
      break;
    case SelectionRequest: answer_selection_request(&e); break;
    case SelectionClear:
      if (e.xselectionclear.window == helper_) clipboard_lost();
      break;
    case PropertyNotify:
      if (e.xproperty.state == PropertyDelete) continue_transfer(e.xproperty.window, e.xproperty.atom);
      break;
    default: break;
  }
}

void X11Display::own_clipboard() {
  XSetSelectionOwner(x_, atom(x_, "CLIPBOARD"), helper_, CurrentTime);
  XSync(x_, False);  // owned before any other program asks
}

std::string X11Display::selection_bytes(unsigned long target, unsigned long* type) {
  std::string out;
  *type = target;
  if (!OpenClipboard(0)) return out;
  auto text = GetClipboardData(CF_UNICODETEXT);
  auto drop = GetClipboardData(CF_HDROP);
  auto png = GetClipboardData(RegisterClipboardFormat(u"PNG"));
  if (target == atom(x_, "TARGETS")) {
    std::vector<Atom> targets{atom(x_, "TARGETS")};
    if (text) targets.insert(targets.end(), {atom(x_, "UTF8_STRING"), atom(x_, "text/plain;charset=utf-8")});
    if (drop) targets.push_back(atom(x_, "text/uri-list"));
    if (png) targets.push_back(atom(x_, "image/png"));
    out.assign(reinterpret_cast<const char*>(targets.data()), targets.size() * sizeof(Atom));
    *type = XA_ATOM;
  } else if (text && (target == atom(x_, "UTF8_STRING") || target == atom(x_, "text/plain;charset=utf-8"))) {
    out = utf8_of(utf16_of_bytes(*text));
  } else if (drop && target == atom(x_, "text/uri-list")) {
    out = uri_list_of(files_of_drop(*drop));
  } else if (png && target == atom(x_, "image/png")) {
    out = *png;
  } else {
    *type = None;
  }
  CloseClipboard();
  return out;
}

void X11Display::answer_selection_request(void* event) {
  XSelectionRequestEvent& r = static_cast<XEvent*>(event)->xselectionrequest;
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = r.requestor;
  reply.selection = r.selection;
  reply.target = r.target;
  reply.time = r.time;
  reply.property = None;
  Atom property = r.property ? r.property : r.target;
  unsigned long type = None;
  std::string data = r.selection == atom(x_, "CLIPBOARD") ? selection_bytes(r.target, &type) : std::string();
  if (type != None) {
    // Larger than a request can carry: sent in steps as the requestor deletes each one.
    long most = XExtendedMaxRequestSize(x_) ? XExtendedMaxRequestSize(x_) : XMaxRequestSize(x_);
    size_t step = std::min<size_t>(static_cast<size_t>(most), 1 << 16) * 4 / 2;
    if (type == XA_ATOM) {
      XChangeProperty(x_, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size() / sizeof(Atom)));
    } else if (data.size() > step) {
      XSelectInput(x_, r.requestor, PropertyChangeMask);
      long size = static_cast<long>(data.size());
      XChangeProperty(x_, r.requestor, property, atom(x_, "INCR"), 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&size), 1);
      transfers_.push_back(std::make_unique<Transfer>(Transfer{r.requestor, property, type, std::move(data), 0, now()}));
    } else {
      XChangeProperty(x_, r.requestor, property, type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    }
    reply.property = property;
  }
  XSendEvent(x_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(x_);
}

void X11Display::continue_transfer(unsigned long requestor, unsigned long property) {
  auto found = std::find_if(transfers_.begin(), transfers_.end(), [&](const auto& t) {
    return t->requestor == requestor && t->property == property;
  });
  if (found == transfers_.end()) return;
  Transfer& t = **found;
  size_t step = 1 << 16;
  size_t n = std::min(step, t.data.size() - t.offset);
  XChangeProperty(x_, t.requestor, t.property, t.type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(t.data.data() + t.offset), static_cast<int>(n));
  t.offset += n;
  if (n == 0) {
    XSelectInput(x_, t.requestor, NoEventMask);
    transfers_.erase(found);
  }
  XFlush(x_);
}

bool X11Display::read_selection(unsigned long target, std::string* out) {
  Atom clipboard = atom(x_, "CLIPBOARD"), into = atom(x_, "ZEL_SELECTION"), incr = atom(x_, "INCR");
  XDeleteProperty(x_, helper_, into);
  XConvertSelection(x_, clipboard, target, into, helper_, CurrentTime);
  XFlush(x_);
  int64_t give_up = now() + clipboard_read_timeout;
  auto wait_for = [&](auto matches, XEvent* e) {
    for (;;) {
      if (XCheckIfEvent(x_, e, matches, reinterpret_cast<XPointer>(this))) return true;
      int64_t left = give_up - now();
      if (left <= 0) return false;
      pollfd fd{ConnectionNumber(x_), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(std::min<int64_t>(left, 50)));
    }
  };
  auto is_notify = [](::Display*, XEvent* e, XPointer self) -> Bool {
    return e->type == SelectionNotify && e->xselection.requestor == reinterpret_cast<X11Display*>(self)->helper_;
  };
  auto is_new_value = [](::Display*, XEvent* e, XPointer self) -> Bool {
    return e->type == PropertyNotify && e->xproperty.window == reinterpret_cast<X11Display*>(self)->helper_ &&
           e->xproperty.state == PropertyNewValue;
  };
  XEvent e;
  if (!wait_for(is_notify, &e) || e.xselection.property == None) return false;
  auto take = [&](Atom* type) -> std::optional<std::string> {
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x_, helper_, into, 0, static_cast<long>(clipboard_read_limit / 4), True, AnyPropertyType,
                           type, &format, &count, &after, &data) != Success)
      return std::nullopt;
    size_t unit = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
    std::string bytes(reinterpret_cast<char*>(data), data ? count * unit : 0);
    if (data) XFree(data);
    if (after) return std::nullopt;  // beyond the bound
    return bytes;
  };
  Atom type = None;
  auto first = take(&type);
  if (!first) return false;
  if (type != incr) {
    *out = std::move(*first);
    return true;
  }
  out->clear();
  for (;;) {
    if (!wait_for(is_new_value, &e)) return false;
    auto part = take(&type);
    if (!part) return false;
    if (type == None) continue;  // a notice from before the transfer began
    if (part->empty()) return true;  // an empty step ends it
    if (out->size() + part->size() > clipboard_read_limit) return false;
    *out += *part;
  }
}

std::vector<std::pair<UINT, std::string>> X11Display::foreign_clipboard() {
  std::vector<std::pair<UINT, std::string>> offered;
  ::Window owner = XGetSelectionOwner(x_, atom(x_, "CLIPBOARD"));
  if (owner == None || owner == helper_) return offered;
  std::string bytes;
  if (read_selection(atom(x_, "UTF8_STRING"), &bytes))
    offered.push_back({CF_UNICODETEXT, bytes_of(utf16_of(bytes)) + std::string(2, '\0')});
  else if (read_selection(atom(x_, "text/uri-list"), &bytes))
    offered.push_back({CF_HDROP, file_drop_of(files_of_uri_list(bytes))});
  else if (read_selection(atom(x_, "image/png"), &bytes))
    offered.push_back({RegisterClipboardFormat(u"PNG"), bytes});
  return offered;
}

}  // namespace zel::display
