// What the system reports and the small services around windows: monitors and DPI, metrics,
// colours, a fixed version, cursors, the caret's position, a window's own scroll bars, and the
// composition and theme calls, which have nothing to do here and succeed.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/display/types.h"

namespace zel::display {

inline constexpr DWORD MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2,
                       MONITORINFOF_PRIMARY = 1;
inline constexpr int MDT_EFFECTIVE_DPI = 0, USER_DEFAULT_SCREEN_DPI = 96;
using MONITORENUMPROC = std::function<BOOL(HMONITOR, const RECT&)>;
BOOL EnumDisplayMonitors(const MONITORENUMPROC&);
HMONITOR MonitorFromPoint(POINT, DWORD flags);
HMONITOR MonitorFromRect(const RECT&, DWORD flags);
HMONITOR MonitorFromWindow(HWND, DWORD flags);
BOOL GetMonitorInfo(HMONITOR, MONITORINFO*);
int32_t GetDpiForMonitor(HMONITOR, int type, UINT* dpi_x, UINT* dpi_y);  // 0: S_OK
UINT GetDpiForWindow(HWND);
UINT GetDpiForSystem();

inline constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
                     SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXFIXEDFRAME = 7, SM_CYFIXEDFRAME = 8,
                     SM_CYVTHUMB = 9, SM_CXHTHUMB = 10, SM_CXICON = 11, SM_CYICON = 12, SM_CXCURSOR = 13,
                     SM_CYCURSOR = 14, SM_CYMENU = 15, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17,
                     SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32,
                     SM_CYFRAME = 33, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37, SM_CXEDGE = 45,
                     SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CXVIRTUALSCREEN = 78,
                     SM_CYVIRTUALSCREEN = 79, SM_CMONITORS = 80, SM_CXPADDEDBORDER = 92;
int GetSystemMetrics(int index);
int GetSystemMetricsForDpi(int index, UINT dpi);

inline constexpr int COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_MENU = 4,
                     COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
                     COLOR_CAPTIONTEXT = 9, COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14,
                     COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18,
                     COLOR_BTNHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22,
                     COLOR_INFOTEXT = 23, COLOR_INFOBK = 24, COLOR_HOTLIGHT = 26;
COLORREF GetSysColor(int index);

// The system's version, the same on every machine, so layouts do not depend on the host.
BOOL GetVersionEx(OSVERSIONINFO*);

int32_t DwmIsCompositionEnabled(BOOL* enabled);
int32_t DwmFlush();
int32_t DwmSetWindowAttribute(HWND, DWORD attribute, const void* value, DWORD size);
int32_t SetWindowTheme(HWND, const char16_t* app, const char16_t* ids);
BOOL InitCommonControlsEx(DWORD classes);

// Cursors: the system's shapes by id, or an ARGB image with its hot spot.
inline constexpr HCURSOR IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515,
                         IDC_UPARROW = 32516, IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644,
                         IDC_SIZENS = 32645, IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649,
                         IDC_APPSTARTING = 32650, IDC_HELP = 32651;
HCURSOR LoadCursor(HCURSOR id);
HCURSOR CreateCursorFromImage(const uint32_t* argb, int width, int height, int hot_x, int hot_y);
struct CursorImage {
  const uint32_t* argb = nullptr;  // premultiplied, width * height
  int width = 0, height = 0, hot_x = 0, hot_y = 0;
};
// The image of a cursor made from one (none for a system shape).
CursorImage cursor_image(HCURSOR);
BOOL DestroyCursor(HCURSOR);
HCURSOR SetCursor(HCURSOR);
HCURSOR GetCursor();

BOOL CreateCaret(HWND, int width, int height);
BOOL DestroyCaret();
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT*);
UINT GetCaretBlinkTime();

int SetScrollInfo(HWND, int bar, const SCROLLINFO*, BOOL redraw);
BOOL GetScrollInfo(HWND, int bar, SCROLLINFO*);
BOOL ShowScrollBar(HWND, int bar, BOOL show);

}  // namespace zel::display
