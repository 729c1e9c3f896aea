// The system's scroll bar control "SCROLLBAR": a horizontal or vertical bar of
// its own window with a range, a page and a position. Presses on its arrows
// and page areas (repeating on the virtual clock while held) and drags of its
// thumb send WM_HSCROLL or WM_VSCROLL to the parent with the bar's handle in
// lParam; as with the system's bar, the parent moves the position.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

inline constexpr const char* ScrollBarClassName = "SCROLLBAR";

inline constexpr DWORD SBS_HORZ = 0x0000, SBS_VERT = 0x0001, SBS_TOPALIGN = 0x0002,
                       SBS_LEFTALIGN = 0x0002, SBS_BOTTOMALIGN = 0x0004, SBS_RIGHTALIGN = 0x0004,
                       SBS_SIZEBOX = 0x0008;

LRESULT ScrollBarWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// Registers "SCROLLBAR" unless it is registered already.
void RegisterScrollBarClass();

}  // namespace kvp
