// The two standard scroll bars of a window (SB_HORZ, SB_VERT): range, page,
// position and enabled arrows. A bar shows when its range no longer fits in
// its page and hides when it does; showing or hiding one changes the client
// area, with WM_NCCALCSIZE and WM_SIZE following as for any frame change. The
// dragging and auto-repeat of a pressed bar is the default WM_NCLBUTTONDOWN's.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

// Answers the new position. Without SIF_DISABLENOSCROLL a bar whose range fits
// in its page is hidden; with it, the bar stays and is disabled instead.
Integer SetScrollInfo(HWND Wnd, Integer Bar, const SCROLLINFO* Info, BOOL Redraw);
BOOL GetScrollInfo(HWND Wnd, Integer Bar, SCROLLINFO* Info);
// Answers the previous position.
Integer SetScrollPos(HWND Wnd, Integer Bar, Integer Pos, BOOL Redraw);
Integer GetScrollPos(HWND Wnd, Integer Bar);
BOOL SetScrollRange(HWND Wnd, Integer Bar, Integer Min, Integer Max, BOOL Redraw);
BOOL GetScrollRange(HWND Wnd, Integer Bar, Integer* Min, Integer* Max);
BOOL ShowScrollBar(HWND Wnd, Integer Bar, BOOL Show);
BOOL EnableScrollBar(HWND Wnd, UINT Bar, UINT Arrows);

}  // namespace kvp
