// The component library's own messages: the component messages (CM_) that
// controls send each other about fonts, colours, focus, dialog keys and hints,
// the notification reflections (CN_) that a parent sends back to the child a
// window message is about, and the typed records that message handlers take
// in place of a plain TMessage. Plain numbers and data only.
#pragma once

#include <cstddef>
#include <type_traits>

#include "platform/win/Messages.h"

namespace kvp {

// ---------------------------------------------------------------------------
// Component messages
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1,
                      CM_GOTFOCUS = CM_BASE + 2, CM_LOSTFOCUS = CM_BASE + 3,
                      CM_CANCELMODE = CM_BASE + 4, CM_DIALOGKEY = CM_BASE + 5,
                      CM_DIALOGCHAR = CM_BASE + 6, CM_FOCUSCHANGED = CM_BASE + 7,
                      CM_PARENTFONTCHANGED = CM_BASE + 8, CM_PARENTCOLORCHANGED = CM_BASE + 9,
                      CM_HITTEST = CM_BASE + 10, CM_VISIBLECHANGED = CM_BASE + 11,
                      CM_ENABLEDCHANGED = CM_BASE + 12, CM_COLORCHANGED = CM_BASE + 13,
                      CM_FONTCHANGED = CM_BASE + 14, CM_CURSORCHANGED = CM_BASE + 15,
                      CM_CTL3DCHANGED = CM_BASE + 16, CM_PARENTCTL3DCHANGED = CM_BASE + 17,
                      CM_TEXTCHANGED = CM_BASE + 18, CM_MOUSEENTER = CM_BASE + 19,
                      CM_MOUSELEAVE = CM_BASE + 20, CM_MENUCHANGED = CM_BASE + 21,
                      CM_APPKEYDOWN = CM_BASE + 22, CM_APPSYSCOMMAND = CM_BASE + 23,
                      CM_BUTTONPRESSED = CM_BASE + 24, CM_SHOWINGCHANGED = CM_BASE + 25,
                      CM_ENTER = CM_BASE + 26, CM_EXIT = CM_BASE + 27,
                      CM_DESIGNHITTEST = CM_BASE + 28, CM_ICONCHANGED = CM_BASE + 29,
                      CM_WANTSPECIALKEY = CM_BASE + 30, CM_INVOKEHELP = CM_BASE + 31,
                      CM_WINDOWHOOK = CM_BASE + 32, CM_RELEASE = CM_BASE + 33,
                      CM_SHOWHINTCHANGED = CM_BASE + 34, CM_PARENTSHOWHINTCHANGED = CM_BASE + 35,
                      CM_SYSCOLORCHANGE = CM_BASE + 36, CM_WININICHANGE = CM_BASE + 37,
                      CM_FONTCHANGE = CM_BASE + 38, CM_TIMECHANGE = CM_BASE + 39,
                      CM_TABSTOPCHANGED = CM_BASE + 40, CM_UIACTIVATE = CM_BASE + 41,
                      CM_UIDEACTIVATE = CM_BASE + 42, CM_DOCWINDOWACTIVATE = CM_BASE + 43,
                      CM_CONTROLLISTCHANGE = CM_BASE + 44, CM_GETDATALINK = CM_BASE + 45,
                      CM_CHILDKEY = CM_BASE + 46, CM_DRAG = CM_BASE + 47,
                      CM_HINTSHOW = CM_BASE + 48, CM_DIALOGHANDLE = CM_BASE + 49,
                      CM_ISTOOLCONTROL = CM_BASE + 50, CM_RECREATEWND = CM_BASE + 51,
                      CM_INVALIDATE = CM_BASE + 52, CM_SYSFONTCHANGED = CM_BASE + 53,
                      CM_CONTROLCHANGE = CM_BASE + 54, CM_CHANGED = CM_BASE + 55,
                      CM_DOCKCLIENT = CM_BASE + 56, CM_UNDOCKCLIENT = CM_BASE + 57,
                      CM_FLOAT = CM_BASE + 58, CM_BORDERCHANGED = CM_BASE + 59,
                      CM_BIDIMODECHANGED = CM_BASE + 60, CM_PARENTBIDIMODECHANGED = CM_BASE + 61,
                      CM_ALLCHILDRENFLIPPED = CM_BASE + 62, CM_ACTIONUPDATE = CM_BASE + 63,
                      CM_ACTIONEXECUTE = CM_BASE + 64, CM_HINTSHOWPAUSE = CM_BASE + 65,
                      CM_DOCKNOTIFICATION = CM_BASE + 66, CM_MOUSEWHEEL = CM_BASE + 67,
                      CM_ISSHORTCUT = CM_BASE + 68;

// ---------------------------------------------------------------------------
// Notification reflections: CN_BASE + the window message a parent received
// about a child, sent on to the child's control.
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_CHARTOITEM = CN_BASE + 0x002F, CN_COMMAND = CN_BASE + WM_COMMAND,
                      CN_COMPAREITEM = CN_BASE + 0x0039, CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN,
                      CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG,
                      CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
                      CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX,
                      CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX,
                      CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR,
                      CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
                      CN_DELETEITEM = CN_BASE + WM_DELETEITEM, CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
                      CN_HSCROLL = CN_BASE + WM_HSCROLL, CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM,
                      CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY, CN_VKEYTOITEM = CN_BASE + 0x002E,
                      CN_VSCROLL = CN_BASE + WM_VSCROLL, CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
                      CN_KEYUP = CN_BASE + WM_KEYUP, CN_CHAR = CN_BASE + WM_CHAR,
                      CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN, CN_SYSCHAR = CN_BASE + WM_SYSCHAR,
                      CN_NOTIFY = CN_BASE + WM_NOTIFY;

// CM_CONTROLCHANGE / CM_CONTROLLISTCHANGE: lParam is 1 for an insertion, 0 for a removal.

// ---------------------------------------------------------------------------
// Typed message records. Each has the layout of TMessage (message number,
// wParam, lParam, result), with the parameters also readable under the
// names the message gives them; a handler declared with one receives the
// same storage as the TMessage being dispatched.

struct TSmallPoint {
  SmallInt x = 0;
  SmallInt y = 0;
};
inline TPoint SmallPointToPoint(TSmallPoint P) { return Point(P.x, P.y); }
inline TSmallPoint PointToSmallPoint(TPoint P) { return {SmallInt(P.X), SmallInt(P.Y)}; }
inline LPARAM SmallPointToInteger(TSmallPoint P) { return MAKELPARAM(Word(P.x), Word(P.y)); }

// Handlers with no parameters worth naming.
struct TWMNoParams {
  UINT Msg = 0;
  WPARAM Unused0 = 0;
  LPARAM Unused1 = 0;
  LRESULT Result = 0;
};

// WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR and
// their CN_ reflections. CharCode is the virtual key, or the character.
struct TWMKey {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    Word CharCode;
  };
  union {
    LPARAM LParam = 0;
    Integer KeyData;  // repeat count, scan code and the flag bits
  };
  LRESULT Result = 0;
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TWMSysChar = TWMKey;

// Mouse messages: client coordinates in lParam.
struct TWMMouse {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    Integer Keys;  // MK_ flags
  };
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;
  };
  LRESULT Result = 0;
  SmallInt XPos() const { return Pos.x; }
  SmallInt YPos() const { return Pos.y; }
};
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMMouseMove = TWMMouse;

// WM_MOUSEWHEEL: delta in the high word of wParam, screen point in lParam.
struct TWMMouseWheel {
  UINT Msg = 0;
  WPARAM WParam = 0;
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;
  };
  LRESULT Result = 0;
  Integer Keys() const { return LOWORD(WParam); }
  SmallInt WheelDelta() const { return SmallInt(HIWORD(WParam)); }
};

// CM_MOUSEWHEEL: wParam holds the shift state bits and the delta (high word).
struct TCMMouseWheel {
  UINT Msg = 0;
  WPARAM WParam = 0;
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;  // screen point
  };
  LRESULT Result = 0;
  SmallInt WheelDelta() const { return SmallInt(HIWORD(WParam)); }
};

// WM_SETFOCUS / WM_KILLFOCUS: the window losing (gaining) the focus.
struct TWMSetFocus {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    HWND FocusedWnd;
  };
  LPARAM Unused = 0;
  LRESULT Result = 0;
};
using TWMKillFocus = TWMSetFocus;

// WM_SETCURSOR
struct TWMSetCursor {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    HWND CursorWnd;
  };
  LPARAM LParam = 0;
  LRESULT Result = 0;
  SmallInt HitTest() const { return SmallInt(LOWORD(std::uintptr_t(LParam))); }
  Word MouseMsg() const { return HIWORD(std::uintptr_t(LParam)); }
};

// WM_NCHITTEST: screen point.
struct TWMNCHitTest {
  UINT Msg = 0;
  WPARAM Unused = 0;
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;
  };
  LRESULT Result = 0;
  SmallInt XPos() const { return Pos.x; }
  SmallInt YPos() const { return Pos.y; }
};

// WM_COMMAND: notification code in the high word of wParam, the control's window in lParam.
struct TWMCommand {
  UINT Msg = 0;
  WPARAM WParam = 0;
  union {
    LPARAM LParam = 0;
    HWND Ctl;
  };
  LRESULT Result = 0;
  Word ItemID() const { return LOWORD(WParam); }
  Word NotifyCode() const { return HIWORD(WParam); }
};

// WM_HSCROLL / WM_VSCROLL: code and position in wParam, a scroll-bar control in lParam.
struct TWMScroll {
  UINT Msg = 0;
  WPARAM WParam = 0;
  union {
    LPARAM LParam = 0;
    HWND ScrollBar;
  };
  LRESULT Result = 0;
  SmallInt ScrollCode() const { return SmallInt(LOWORD(WParam)); }
  SmallInt Pos() const { return SmallInt(HIWORD(WParam)); }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

// WM_SIZE
struct TWMSize {
  UINT Msg = 0;
  WPARAM SizeType = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  Word Width() const { return LOWORD(std::uintptr_t(LParam)); }
  Word Height() const { return HIWORD(std::uintptr_t(LParam)); }
};

// WM_PAINT, WM_ERASEBKGND: a DC in wParam (WM_PAINT: null outside WM_PRINTCLIENT).
struct TWMPaint {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    HDC DC;
  };
  LPARAM Unused = 0;
  LRESULT Result = 0;
};
using TWMEraseBkgnd = TWMPaint;

// WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED
struct TWMWindowPosMsg {
  UINT Msg = 0;
  WPARAM Unused = 0;
  union {
    LPARAM LParam = 0;
    WINDOWPOS* WindowPos;
  };
  LRESULT Result = 0;
};

// WM_CONTEXTMENU: the window in wParam, the screen point in lParam (-1, -1 from the keyboard).
struct TWMContextMenu {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    HWND hWnd;
  };
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;
  };
  LRESULT Result = 0;
};

// WM_TIMER
struct TWMTimer {
  UINT Msg = 0;
  WPARAM TimerID = 0;
  union {
    LPARAM LParam = 0;
    TIMERPROC TimerProc;
  };
  LRESULT Result = 0;
};

// WM_GETDLGCODE answers DLGC_ flags.
using TWMGetDlgCode = TWMNoParams;

// WM_SETTEXT / WM_GETTEXT
struct TWMSetText {
  UINT Msg = 0;
  WPARAM Unused = 0;
  union {
    LPARAM LParam = 0;
    const char* Text;
  };
  LRESULT Result = 0;
};

class TControl;
class TWinControl;
class TCustomForm;
class THintWindow;

// CM_DIALOGKEY, CM_DIALOGCHAR, CM_WANTSPECIALKEY, CM_CHILDKEY's key half:
// the key (or character) and its key data.
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;

// CM_CHILDKEY: wParam the key, lParam the control that has it.
struct TCMChildKey {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    Word CharCode;
  };
  union {
    LPARAM LParam = 0;
    TWinControl* Sender;
  };
  LRESULT Result = 0;
};

// A component message whose lParam names a control.
template <class TSenderClass>
struct TCMSenderMessage {
  UINT Msg = 0;
  WPARAM Unused = 0;
  union {
    LPARAM LParam = 0;
    TSenderClass* Sender;
  };
  LRESULT Result = 0;
};

// CM_CANCELMODE: lParam the control that was clicked.
using TCMCancelMode = TCMSenderMessage<TControl>;
// CM_FOCUSCHANGED: lParam the control that now has the focus.
using TCMFocusChanged = TCMSenderMessage<TWinControl>;

// CM_CONTROLCHANGE: wParam the control, lParam 1 when inserted.
struct TCMControlChange {
  UINT Msg = 0;
  union {
    WPARAM WParam = 0;
    TControl* Control;
  };
  LPARAM Inserting = 0;
  LRESULT Result = 0;
};
using TCMControlListChange = TCMControlChange;

// CM_HITTEST and CM_DESIGNHITTEST: client point in lParam; non-zero answers "hit".
struct TCMHitTest {
  UINT Msg = 0;
  WPARAM Keys = 0;
  union {
    LPARAM LParam = 0;
    TSmallPoint Pos;
  };
  LRESULT Result = 0;
  SmallInt XPos() const { return Pos.x; }
  SmallInt YPos() const { return Pos.y; }
};
using TCMDesignHitTest = TCMHitTest;

// CM_ENTER, CM_EXIT, CM_*CHANGED: nothing beyond the number.
using TCMEnter = TWMNoParams;
using TCMExit = TWMNoParams;

// CM_HINTSHOW: lParam points at the THintInfo the control may change; a
// non-zero answer cancels the hint.
struct THintInfo;
struct TCMHintShow {
  UINT Msg = 0;
  WPARAM Reserved = 0;
  union {
    LPARAM LParam = 0;
    THintInfo* HintInfo;
  };
  LRESULT Result = 0;
};

// CM_HINTSHOWPAUSE: wParam non-zero when a hint was showing; lParam points at
// the pause (milliseconds) the control may change.
struct TCMHintShowPause {
  UINT Msg = 0;
  WPARAM WasActive = 0;
  union {
    LPARAM LParam = 0;
    Integer* Pause;
  };
  LRESULT Result = 0;
};

// Records of every type above share TMessage's layout.
namespace detail {
template <class T>
constexpr bool IsMessageRecord() {
  return sizeof(T) == sizeof(TMessage) && std::is_standard_layout_v<T> &&
         offsetof(T, Result) == offsetof(TMessage, Result);
}
}  // namespace detail
static_assert(
    detail::IsMessageRecord<TWMKey>() && detail::IsMessageRecord<TWMMouse>() &&
        detail::IsMessageRecord<TWMMouseWheel>() && detail::IsMessageRecord<TCMMouseWheel>() &&
        detail::IsMessageRecord<TWMSetFocus>() && detail::IsMessageRecord<TWMSetCursor>() &&
        detail::IsMessageRecord<TWMNCHitTest>() && detail::IsMessageRecord<TWMCommand>() &&
        detail::IsMessageRecord<TWMScroll>() && detail::IsMessageRecord<TWMSize>() &&
        detail::IsMessageRecord<TWMPaint>() && detail::IsMessageRecord<TWMWindowPosMsg>() &&
        detail::IsMessageRecord<TWMContextMenu>() && detail::IsMessageRecord<TWMTimer>() &&
        detail::IsMessageRecord<TWMSetText>() && detail::IsMessageRecord<TCMChildKey>() &&
        detail::IsMessageRecord<TCMCancelMode>() && detail::IsMessageRecord<TCMFocusChanged>() &&
        detail::IsMessageRecord<TCMControlChange>() && detail::IsMessageRecord<TCMHitTest>() &&
        detail::IsMessageRecord<TCMHintShow>() && detail::IsMessageRecord<TCMHintShowPause>() &&
        detail::IsMessageRecord<TWMNoParams>(),
    "a message record must have the layout of TMessage");

// The typed view of a message being dispatched.
template <class T>
T& MessageAs(TMessage& Message) {
  static_assert(detail::IsMessageRecord<T>() || std::is_same_v<T, TMessage>);
  return reinterpret_cast<T&>(Message);
}

}  // namespace kvp
