// Painting: each window keeps an update region (client coordinates) with an
// erase flag; WM_PAINT comes from the queue when nothing else is waiting,
// parents before children, and BeginPaint answers a DC clipped to the update
// region after WM_NCPAINT and WM_ERASEBKGND. Every top-level window has a
// pixel surface that it and its children paint on, so any window can be looked
// at; window DCs are made on it with the graphics module's CreateSurfaceDC.
#pragma once

#include "platform/graphics/Surface.h"
#include "platform/win/Messages.h"

namespace kvp {

BOOL InvalidateRect(HWND Wnd, const TRect* R, BOOL Erase);  // null R: the whole client area
BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase);
BOOL ValidateRect(HWND Wnd, const TRect* R);
BOOL ValidateRgn(HWND Wnd, HRGN Rgn);
BOOL GetUpdateRect(HWND Wnd, TRect* R, BOOL Erase);
Integer GetUpdateRgn(HWND Wnd, HRGN Rgn, BOOL Erase);
// Sends WM_PAINT at once when the window has something to paint.
BOOL UpdateWindow(HWND Wnd);
BOOL RedrawWindow(HWND Wnd, const TRect* Update, HRGN UpdateRgn, UINT Flags);

HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint);
BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint);

// A client DC (GetDC), a DC of the whole window (GetWindowDC) or as the flags
// say; every one is given back with ReleaseDC. GetDC(0) is a screen DC.
HDC GetDC(HWND Wnd);
HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags);
HDC GetWindowDC(HWND Wnd);
Integer ReleaseDC(HWND Wnd, HDC Dc);

// Moves the pixels of the client area (or of Scroll, clipped to Clip) by DX,
// DY and invalidates what was uncovered (SW_INVALIDATE, SW_ERASE); with
// SW_SCROLLCHILDREN the children inside move too. Answers the region kind.
Integer ScrollWindowEx(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip,
                       HRGN UpdateRgn, TRect* UpdateRect, UINT Flags);
BOOL ScrollWindow(HWND Wnd, Integer DX, Integer DY, const TRect* Scroll, const TRect* Clip);

// Tests: the surface of a window's top-level window (its size is the top-level
// window's), the rectangle of the window on that surface, and a PNG of it.
TSurface* GetWindowSurface(HWND Wnd);
TRect GetWindowSurfaceRect(HWND Wnd);
void SaveWindowPng(HWND Wnd, const String& FileName);

}  // namespace kvp
