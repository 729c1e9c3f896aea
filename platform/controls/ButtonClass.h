// The system's button window class "BUTTON": push buttons (default or not),
// check boxes and radio buttons (manual or automatic, two or three states),
// group boxes and owner-drawn buttons. A click is a press and a release inside
// the button (or Space down and up); it sends BN_CLICKED to the parent.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

inline constexpr const char* ButtonClassName = "BUTTON";

// Button styles (the low four bits are the kind)
inline constexpr DWORD BS_PUSHBUTTON = 0x0000, BS_DEFPUSHBUTTON = 0x0001, BS_CHECKBOX = 0x0002,
                       BS_AUTOCHECKBOX = 0x0003, BS_RADIOBUTTON = 0x0004, BS_3STATE = 0x0005,
                       BS_AUTO3STATE = 0x0006, BS_GROUPBOX = 0x0007, BS_USERBUTTON = 0x0008,
                       BS_AUTORADIOBUTTON = 0x0009, BS_OWNERDRAW = 0x000B, BS_TYPEMASK = 0x000F,
                       BS_LEFTTEXT = 0x0020, BS_RIGHTBUTTON = BS_LEFTTEXT, BS_TEXT = 0x0000,
                       BS_LEFT = 0x0100, BS_RIGHT = 0x0200, BS_CENTER = 0x0300, BS_TOP = 0x0400,
                       BS_BOTTOM = 0x0800, BS_VCENTER = 0x0C00, BS_PUSHLIKE = 0x1000,
                       BS_MULTILINE = 0x2000, BS_NOTIFY = 0x4000, BS_FLAT = 0x8000;

// Button messages
inline constexpr UINT BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1, BM_GETSTATE = 0x00F2,
                      BM_SETSTATE = 0x00F3, BM_SETSTYLE = 0x00F4, BM_CLICK = 0x00F5;
// BM_GETCHECK / BM_SETCHECK / BM_GETSTATE
inline constexpr LRESULT BST_UNCHECKED = 0x0000, BST_CHECKED = 0x0001, BST_INDETERMINATE = 0x0002,
                         BST_PUSHED = 0x0004, BST_FOCUS = 0x0008;

// Button notifications (high word of WM_COMMAND's wParam)
inline constexpr WORD BN_CLICKED = 0, BN_PAINT = 1, BN_HILITE = 2, BN_UNHILITE = 3, BN_DISABLE = 4,
                      BN_DOUBLECLICKED = 5, BN_SETFOCUS = 6, BN_KILLFOCUS = 7;

LRESULT ButtonWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// Registers "BUTTON" unless it is registered already.
void RegisterButtonClass();

}  // namespace kvp
