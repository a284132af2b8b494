// Windows: classes with procedures and superclassing, a tree of windows with 32-bit ids, their
// geometry, text and data. Child windows are the layer's own rectangles; only top-levels are
// shown by the display. A window destroyed while one of its messages is being handled stays
// allocated (invalid to every call) until that handling returns.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display/types.h"

namespace zel::display {

ATOM RegisterClassEx(const WNDCLASSEX&);
BOOL UnregisterClass(std::u16string_view name);
BOOL GetClassInfoEx(std::u16string_view name, WNDCLASSEX* out);
LRESULT CallWindowProc(WNDPROC, HWND, UINT, WPARAM, LPARAM);
LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM);

HWND CreateWindowEx(DWORD ex_style, std::u16string_view class_name, std::u16string_view title, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR menu_or_id, void* param);
BOOL DestroyWindow(HWND);
BOOL IsWindow(HWND);
BOOL IsWindowVisible(HWND);
BOOL IsWindowEnabled(HWND);
BOOL IsChild(HWND parent, HWND);
BOOL ShowWindow(HWND, int command);
BOOL EnableWindow(HWND, BOOL enable);
HWND SetParent(HWND, HWND parent);
HWND GetParent(HWND);
HWND GetAncestor(HWND, UINT flags);
// Children of `parent` (0: the top-levels) bottom first, in z-order.
std::vector<HWND> ChildWindows(HWND parent);

LONG_PTR GetWindowLongPtr(HWND, int index);
LONG_PTR SetWindowLongPtr(HWND, int index, LONG_PTR value);
// Typed window data: one object of the caller's type per window, released with the window.
void SetWindowData(HWND, std::shared_ptr<void>);
std::shared_ptr<void> GetWindowDataPtr(HWND);
template <class T>
std::shared_ptr<T> GetWindowData(HWND w) {
  return std::static_pointer_cast<T>(GetWindowDataPtr(w));
}

BOOL SetWindowText(HWND, std::u16string_view);
std::u16string GetWindowText(HWND);
int GetWindowTextLength(HWND);

BOOL GetWindowRect(HWND, RECT*);  // screen coordinates
BOOL GetClientRect(HWND, RECT*);  // (0, 0, width, height)
BOOL ClientToScreen(HWND, POINT*);
BOOL ScreenToClient(HWND, POINT*);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL MoveWindow(HWND, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL AdjustWindowRectEx(RECT*, DWORD style, BOOL menu, DWORD ex_style);
HWND WindowFromPoint(POINT screen);
HWND ChildWindowFromPoint(HWND parent, POINT client);

// A batch of placements applied together by EndDeferWindowPos.
using HDWP = uint32_t;
HDWP BeginDeferWindowPos(int count);
HDWP DeferWindowPos(HDWP, HWND, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL EndDeferWindowPos(HDWP);

}  // namespace zel::display
