// Keyboard and mouse: focus, activation, capture, hover tracking, the key state, and the
// translation of key presses into UTF-16 characters with one US keyboard table. A display
// hands what it reads to the entry points in `input`: they queue the messages Windows would
// (mouse messages to the window under the pointer or holding the capture, keys to the
// focus), with MK_ flags, double clicks for classes that ask for them and wheel steps of 120.
#pragma once
#include <string_view>

#include "platform/display/types.h"

namespace zel::display {

HWND SetFocus(HWND);
HWND GetFocus();
HWND SetActiveWindow(HWND);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND);
HWND SetCapture(HWND);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(TRACKMOUSEEVENT*);
BOOL GetCursorPos(POINT*);
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
UINT MapVirtualKey(UINT code, UINT map_type);
SHORT VkKeyScan(char16_t ch);
UINT GetDoubleClickTime();
inline constexpr DWORD hover_default_time = 400;

namespace input {

enum Button : UINT { left, right, middle, x1, x2 };

void mouse_move(POINT screen);
void mouse_button(Button, bool down, POINT screen);
// `delta` in wheel units: 120 a notch, negative towards the user.
void mouse_wheel(int delta, bool horizontal, POINT screen);
// A key going down or up. `ch` is the character the display's keyboard gives for this press
// (0: let TranslateMessage use the US table).
void key(BYTE vk, bool down, char32_t ch = 0, UINT scan = 0, bool extended = false);
// Text typed without a key (an input method, an injected string): one VK_PACKET press per
// character, which TranslateMessage turns into WM_CHAR units.
void text(std::u32string_view);

}  // namespace input
}  // namespace zel::display
