// The display layer's Win32-shaped vocabulary: handles, messages, styles, key codes and the
// records the window, message and painting calls take. The names and values are those the
// GUI backend is written against; handles are 32-bit ids into the layer's own tables, never
// addresses, and an id is never given out twice, so a stale handle is simply invalid.
#pragma once
#include <cairo.h>

#include <cstdint>
#include <string>

namespace zel::display {

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using SHORT = int16_t;
using ATOM = uint16_t;
using WPARAM = uint64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;
using LONG_PTR = int64_t;
using UINT_PTR = uint64_t;
using COLORREF = uint32_t;  // 0x00BBGGRR
using HWND = uint32_t;
using HMONITOR = uint32_t;
using HCURSOR = uint32_t;
using HFONT = uint32_t;
using HBRUSH = uint32_t;  // made by CreateSolidBrush or GetSysColorBrush, or a system colour index + 1
using HDC = cairo_t*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct POINT {
  LONG x = 0, y = 0;
  bool operator==(const POINT&) const = default;
};
struct SIZE {
  LONG cx = 0, cy = 0;
};
struct RECT {
  LONG left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const RECT&) const = default;
  LONG width() const { return right - left; }
  LONG height() const { return bottom - top; }
};

struct MSG {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
  // For key presses: the character the display's keyboard gives for this press (0: none,
  // or not known, when the layer's own US table is used).
  DWORD lPrivate = 0;
};

struct WNDCLASSEX {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;  // bytes of window data reached by GetWindowLongPtr(offset)
  HCURSOR hCursor = 0;
  HBRUSH hbrBackground = 0;
  std::u16string lpszClassName;
};

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HWND hwndParent = 0;
  UINT_PTR hMenu = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  DWORD style = 0, dwExStyle = 0;
  std::u16string_view lpszName, lpszClass;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;
  RECT rcPaint;
};

struct WINDOWPOS {
  HWND hwnd = 0, hwndInsertAfter = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};

struct TRACKMOUSEEVENT {
  DWORD dwFlags = 0;
  HWND hwndTrack = 0;
  DWORD dwHoverTime = 0;
};

struct SCROLLINFO {
  UINT fMask = 0;
  int nMin = 0, nMax = 0;
  UINT nPage = 0;
  int nPos = 0, nTrackPos = 0;
};

struct MONITORINFO {
  RECT rcMonitor, rcWork;
  DWORD dwFlags = 0;
};

struct OSVERSIONINFO {
  DWORD dwMajorVersion = 0, dwMinorVersion = 0, dwBuildNumber = 0, dwPlatformId = 0;
};

struct BLENDFUNCTION {
  BYTE BlendOp = 0, BlendFlags = 0, SourceConstantAlpha = 255, AlphaFormat = 1;
};

inline constexpr WORD LOWORD(uint64_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(uint64_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>((static_cast<uint32_t>(hi & 0xFFFF) << 16) | static_cast<uint32_t>(lo & 0xFFFF));
}
inline constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<SHORT>(l & 0xFFFF); }
inline constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<SHORT>((l >> 16) & 0xFFFF); }
inline constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<short>(HIWORD(w)); }
inline constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Messages.
inline constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
                      WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008,
                      WM_ENABLE = 0x000A, WM_SETTEXT = 0x000C, WM_GETTEXT = 0x000D, WM_GETTEXTLENGTH = 0x000E,
                      WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_ERASEBKGND = 0x0014,
                      WM_SHOWWINDOW = 0x0018, WM_SETCURSOR = 0x0020, WM_MOUSEACTIVATE = 0x0021,
                      WM_GETMINMAXINFO = 0x0024, WM_WINDOWPOSCHANGING = 0x0046, WM_WINDOWPOSCHANGED = 0x0047,
                      WM_NOTIFY = 0x004E, WM_STYLECHANGED = 0x007D, WM_NCCREATE = 0x0081,
                      WM_NCDESTROY = 0x0082, WM_NCHITTEST = 0x0084, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
                      WM_CHAR = 0x0102, WM_DEADCHAR = 0x0103, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
                      WM_SYSCHAR = 0x0106, WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113,
                      WM_HSCROLL = 0x0114, WM_VSCROLL = 0x0115, WM_MENUSELECT = 0x011F,
                      WM_ENTERMENULOOP = 0x0211, WM_CTLCOLOREDIT = 0x0133, WM_CTLCOLORLISTBOX = 0x0134,
                      WM_CTLCOLORSTATIC = 0x0138, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
                      WM_LBUTTONUP = 0x0202, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
                      WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206, WM_MBUTTONDOWN = 0x0207,
                      WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209, WM_MOUSEWHEEL = 0x020A,
                      WM_XBUTTONDOWN = 0x020B, WM_XBUTTONUP = 0x020C, WM_XBUTTONDBLCLK = 0x020D,
                      WM_MOUSEHWHEEL = 0x020E, WM_SIZING = 0x0214, WM_CAPTURECHANGED = 0x0215,
                      WM_MOVING = 0x0216, WM_ENTERSIZEMOVE = 0x0231, WM_EXITSIZEMOVE = 0x0232,
                      WM_MOUSEHOVER = 0x02A1, WM_MOUSELEAVE = 0x02A3, WM_DPICHANGED = 0x02E0,
                      WM_CUT = 0x0300, WM_COPY = 0x0301, WM_PASTE = 0x0302, WM_DISPLAYCHANGE = 0x007E,
                      WM_THEMECHANGED = 0x031A, WM_USER = 0x0400;
inline constexpr UINT WM_KEYFIRST = WM_KEYDOWN, WM_KEYLAST = 0x0109, WM_MOUSEFIRST = WM_MOUSEMOVE,
                      WM_MOUSELAST = WM_MOUSEHWHEEL;

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                       WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                       WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000, WS_MAXIMIZE = 0x01000000,
                       WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000,
                       WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000, WS_SYSMENU = 0x00080000,
                       WS_THICKFRAME = 0x00040000, WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000,
                       WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000,
                       WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                             WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x1, WS_EX_TOPMOST = 0x8, WS_EX_TRANSPARENT = 0x20,
                       WS_EX_TOOLWINDOW = 0x80, WS_EX_WINDOWEDGE = 0x100, WS_EX_CLIENTEDGE = 0x200,
                       WS_EX_CONTROLPARENT = 0x10000, WS_EX_APPWINDOW = 0x40000, WS_EX_LAYERED = 0x80000,
                       WS_EX_NOACTIVATE = 0x08000000, WS_EX_COMPOSITED = 0x02000000;
inline constexpr UINT CS_VREDRAW = 0x1, CS_HREDRAW = 0x2, CS_DBLCLKS = 0x8, CS_OWNDC = 0x20;
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Window data offsets.
inline constexpr int GWL_STYLE = -16, GWL_EXSTYLE = -20, GWLP_ID = -12, GWLP_USERDATA = -21,
                     GWLP_WNDPROC = -4;

// ShowWindow, SetWindowPos, GetAncestor, RedrawWindow, PeekMessage.
inline constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
                     SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_SHOWNA = 8, SW_RESTORE = 9;
inline constexpr UINT SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4, SWP_NOREDRAW = 0x8,
                      SWP_NOACTIVATE = 0x10, SWP_FRAMECHANGED = 0x20, SWP_SHOWWINDOW = 0x40,
                      SWP_HIDEWINDOW = 0x80;
inline constexpr HWND HWND_TOP = 0, HWND_BOTTOM = 1, HWND_TOPMOST = 0xFFFFFFFF, HWND_NOTOPMOST = 0xFFFFFFFE;
inline constexpr UINT GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3;
inline constexpr UINT RDW_INVALIDATE = 0x1, RDW_INTERNALPAINT = 0x2, RDW_ERASE = 0x4, RDW_VALIDATE = 0x8,
                      RDW_ALLCHILDREN = 0x80, RDW_UPDATENOW = 0x100, RDW_ERASENOW = 0x200,
                      RDW_FRAME = 0x400;
inline constexpr UINT PM_NOREMOVE = 0, PM_REMOVE = 1;

// Hit-test codes.
inline constexpr int HTNOWHERE = 0, HTCLIENT = 1;

// Activation, sizing, mouse-key flags, hover tracking.
inline constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;
inline constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;
inline constexpr WPARAM MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8,
                        MK_MBUTTON = 0x10, MK_XBUTTON1 = 0x20, MK_XBUTTON2 = 0x40;
inline constexpr int WHEEL_DELTA = 120;
inline constexpr DWORD TME_HOVER = 0x1, TME_LEAVE = 0x2, TME_CANCEL = 0x80000000, HOVER_DEFAULT = 0xFFFFFFFF;

// Virtual keys.
inline constexpr BYTE VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04, VK_BACK = 0x08,
                      VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
                      VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                      VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25,
                      VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
                      VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A,
                      VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70,
                      VK_F10 = 0x79, VK_F12 = 0x7B, VK_F24 = 0x87, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
                      VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3,
                      VK_LMENU = 0xA4, VK_RMENU = 0xA5, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB,
                      VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF,
                      VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE,
                      VK_PACKET = 0xE7;
inline constexpr UINT MAPVK_VK_TO_VSC = 0, MAPVK_VSC_TO_VK = 1, MAPVK_VK_TO_CHAR = 2, MAPVK_VSC_TO_VK_EX = 3;

// Scroll bars.
inline constexpr int SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
inline constexpr UINT SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
                      SIF_TRACKPOS = 0x10, SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
inline constexpr WPARAM SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
                        SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8;

// Layered windows.
inline constexpr DWORD ULW_COLORKEY = 0x1, ULW_ALPHA = 0x2, LWA_COLORKEY = 0x1, LWA_ALPHA = 0x2;
inline constexpr BYTE AC_SRC_OVER = 0, AC_SRC_ALPHA = 1;

}  // namespace zel::display
