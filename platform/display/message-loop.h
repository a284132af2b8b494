// The message queue, in the order GetMessage hands messages out: messages posted by the
// program, then the quit flag (a flag, not a message: several PostQuitMessage calls end one
// loop), then input, then a paint for a window with an invalid region, then due timers,
// earliest deadline first. SendMessage calls the procedure at once. Loops nest: a procedure
// may run its own loop. Timers run on the display's clock, with a 10 ms floor.
#pragma once
#include "platform/display/types.h"

namespace zel::display {

BOOL GetMessage(MSG*, HWND filter, UINT first, UINT last);  // 0 after WM_QUIT, -1 when nothing can come
BOOL PeekMessage(MSG*, HWND filter, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG*);
LRESULT DispatchMessage(const MSG*);
BOOL PostMessage(HWND, UINT, WPARAM, LPARAM);
LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM);
void PostQuitMessage(int exit_code);
DWORD GetMessagePos();   // the screen position of the last message retrieved, as MAKELPARAM
LONG GetMessageTime();

UINT_PTR SetTimer(HWND, UINT_PTR id, UINT milliseconds, TIMERPROC);
BOOL KillTimer(HWND, UINT_PTR id);
DWORD GetTickCount();

BOOL InvalidateRect(HWND, const RECT*, BOOL erase);
BOOL ValidateRect(HWND, const RECT*);
BOOL GetUpdateRect(HWND, RECT*, BOOL erase);
BOOL UpdateWindow(HWND);
BOOL RedrawWindow(HWND, const RECT*, UINT flags);
// A cairo context on the window's retained surface, clipped to its invalid region, which
// becomes valid. EndPaint shows the result.
HDC BeginPaint(HWND, PAINTSTRUCT*);
BOOL EndPaint(HWND, const PAINTSTRUCT*);

// How long a window that answered WM_PAINT without validating waits before the next one.
inline constexpr int64_t unvalidated_paint_delay = 50;
inline constexpr UINT timer_minimum = 10;

}  // namespace zel::display
