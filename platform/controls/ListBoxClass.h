// The system's list box window class "LISTBOX": a single-selection list of
// strings, or of items drawn by the parent (fixed or variable height), or a
// virtual list that keeps only a count (LBS_NODATA). Keys, clicks and drags
// move the selection; LBN_ notifications go to the parent as WM_COMMAND. As
// the system's list does, it keeps the parent it was created in for its
// notifications and owner-draw questions (a list made top-level still asks
// it), and draws the focus between its own WM_SETFOCUS and WM_KILLFOCUS.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

inline constexpr const char* ListBoxClassName = "LISTBOX";

// List box styles
inline constexpr DWORD LBS_NOTIFY = 0x0001, LBS_SORT = 0x0002, LBS_NOREDRAW = 0x0004,
                       LBS_MULTIPLESEL = 0x0008, LBS_OWNERDRAWFIXED = 0x0010,
                       LBS_OWNERDRAWVARIABLE = 0x0020, LBS_HASSTRINGS = 0x0040,
                       LBS_USETABSTOPS = 0x0080, LBS_NOINTEGRALHEIGHT = 0x0100,
                       LBS_MULTICOLUMN = 0x0200, LBS_WANTKEYBOARDINPUT = 0x0400,
                       LBS_EXTENDEDSEL = 0x0800, LBS_DISABLENOSCROLL = 0x1000, LBS_NODATA = 0x2000,
                       LBS_NOSEL = 0x4000;

// List box messages
inline constexpr UINT LB_ADDSTRING = 0x0180, LB_INSERTSTRING = 0x0181, LB_DELETESTRING = 0x0182,
                      LB_RESETCONTENT = 0x0184, LB_SETCURSEL = 0x0186, LB_GETSEL = 0x0187,
                      LB_GETCURSEL = 0x0188, LB_GETTEXT = 0x0189, LB_GETTEXTLEN = 0x018A,
                      LB_GETCOUNT = 0x018B, LB_SELECTSTRING = 0x018C, LB_GETTOPINDEX = 0x018E,
                      LB_FINDSTRING = 0x018F, LB_SETTOPINDEX = 0x0197, LB_GETITEMRECT = 0x0198,
                      LB_GETITEMDATA = 0x0199, LB_SETITEMDATA = 0x019A, LB_SETCARETINDEX = 0x019E,
                      LB_GETCARETINDEX = 0x019F, LB_SETITEMHEIGHT = 0x01A0,
                      LB_GETITEMHEIGHT = 0x01A1, LB_FINDSTRINGEXACT = 0x01A2, LB_SETCOUNT = 0x01A7,
                      LB_ITEMFROMPOINT = 0x01A9;
inline constexpr LRESULT LB_OKAY = 0, LB_ERR = -1, LB_ERRSPACE = -2;

// List box notifications (high word of WM_COMMAND's wParam; LBS_NOTIFY only
// for the selection and double-click ones)
inline constexpr WORD LBN_SELCHANGE = 1, LBN_DBLCLK = 2, LBN_SELCANCEL = 3, LBN_SETFOCUS = 4,
                      LBN_KILLFOCUS = 5;

LRESULT ListBoxWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// Registers "LISTBOX" unless it is registered already.
void RegisterListBoxClass();

}  // namespace kvp
