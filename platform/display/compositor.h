// Surfaces and their composition. Every window keeps its client area in a retained
// premultiplied ARGB cairo surface; a top-level's picture is its own surface with its
// visible children blended over it bottom first, each clipped to its parent's client area,
// a layered window showing the content UpdateLayeredWindow gave it. Cairo contexts stand
// for device contexts: on a window, off-screen, or over a caller's premultiplied BGRA pixels.
#pragma once
#include "platform/display/types.h"

namespace zel::display {

HDC GetDC(HWND);  // 0: a picture of the whole screen
int ReleaseDC(HWND, HDC);
HDC CreateCompatibleDC(int width, int height);  // an off-screen ARGB surface
// Draws on `pixels` (premultiplied BGRA rows of `stride` bytes), which stay the caller's.
HDC CreateDCForPixels(uint32_t* pixels, int width, int height, int stride);
BOOL DeleteDC(HDC);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y, DWORD rop);
inline constexpr DWORD SRCCOPY = 0x00CC0020, CAPTUREBLT = 0x40000000;
// Draws the window and its children, as composited, into `dest` at its origin.
BOOL PrintWindow(HWND, HDC dest, UINT flags);
BOOL UpdateLayeredWindow(HWND, HDC, const POINT* position, const SIZE* size, HDC source, const POINT* source_at,
                         COLORREF key, const BLENDFUNCTION*, DWORD flags);
BOOL SetLayeredWindowAttributes(HWND, COLORREF key, BYTE alpha, DWORD flags);
BOOL FillRect(HDC, const RECT*, HBRUSH);
HBRUSH CreateSolidBrush(COLORREF);
HBRUSH GetSysColorBrush(int index);
BOOL DeleteObject(uint32_t);

// A new surface holding the picture of a window (its client area and children), or of the
// whole screen for 0. The caller destroys it.
cairo_surface_t* compose_picture(HWND);
// Shows every top-level changed since the last call.
void flush_presentation();

}  // namespace zel::display
