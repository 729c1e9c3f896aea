// The standard window classes of this layer ("EDIT", "LISTBOX", "SCROLLBAR",
// "BUTTON", "SysMonthCal32"): their registration, and the records they share
// with their parents (owner drawing, WM_NOTIFY headers). The window system
// forgets every class when it is reset, so controls call
// RegisterStandardClasses before they create a window of one of these
// classes, and tests after every reset.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

// Registers each standard class that is not registered yet.
void RegisterStandardClasses();

// Owner drawing: WM_MEASUREITEM and WM_DRAWITEM to the parent.
inline constexpr UINT ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4,
                      ODT_STATIC = 5;
inline constexpr UINT ODA_DRAWENTIRE = 0x0001, ODA_SELECT = 0x0002, ODA_FOCUS = 0x0004;
inline constexpr UINT ODS_SELECTED = 0x0001, ODS_GRAYED = 0x0002, ODS_DISABLED = 0x0004,
                      ODS_CHECKED = 0x0008, ODS_FOCUS = 0x0010, ODS_DEFAULT = 0x0020,
                      ODS_HOTLIGHT = 0x0040, ODS_INACTIVE = 0x0080, ODS_NOACCEL = 0x0100,
                      ODS_NOFOCUSRECT = 0x0200, ODS_COMBOBOXEDIT = 0x1000;

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;  // the parent sets it
  ULONG_PTR itemData = 0;
};

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;  // UINT(-1) for an empty list's focus rectangle
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  TRect rcItem;
  ULONG_PTR itemData = 0;
};

// The header of every WM_NOTIFY record.
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

}  // namespace kvp
