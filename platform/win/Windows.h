// The headless window system: window classes and window handles with style,
// extended style, parent, owner, z-order, visibility and enabled state; bounds
// and a client area worked out from the borders and the visible scroll bars;
// SetWindowPos with its messages; the default window procedure; focus,
// activation and mouse capture. Painting, scroll bars, the caret, cursors and
// the message queue have headers of their own; everything is in Win.h.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

// ---- Window classes ---------------------------------------------------------
// Answers the class atom, or 0 when a class of that name exists (names compare
// without regard to case) or the record names no class or procedure.
ATOM RegisterClass(const WNDCLASS* Class);
ATOM RegisterClassEx(const WNDCLASSEX* Class);
// Fails (FALSE) while windows of the class exist.
BOOL UnregisterClass(const char* ClassName, HINSTANCE Instance);
BOOL GetClassInfo(HINSTANCE Instance, const char* ClassName, WNDCLASS* Class);
Integer GetClassName(HWND Wnd, char* Buffer, Integer MaxCount);
ULONG_PTR GetClassLongPtr(HWND Wnd, Integer Index);
ULONG_PTR SetClassLongPtr(HWND Wnd, Integer Index, LONG_PTR Value);

// ---- Windows ------------------------------------------------------------------
// Sends WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE and WM_MOVE, then shows
// a WS_VISIBLE window and notifies the parents (WM_PARENTNOTIFY). Answers null
// when the class is unknown, a child has no parent, WM_NCCREATE answers FALSE or
// WM_CREATE answers -1. For a window that is not a child, Parent names its owner.
HWND CreateWindowEx(DWORD ExStyle, const char* ClassName, const char* WindowName, DWORD Style,
                    Integer X, Integer Y, Integer Width, Integer Height, HWND Parent, HMENU Menu,
                    HINSTANCE Instance, void* Param);
HWND CreateWindow(const char* ClassName, const char* WindowName, DWORD Style, Integer X, Integer Y,
                  Integer Width, Integer Height, HWND Parent, HMENU Menu, HINSTANCE Instance,
                  void* Param);
// Hides the window, destroys the windows it owns, moves the focus and the
// capture out of it, then sends WM_DESTROY (the window, then its children) and
// WM_NCDESTROY (children first). The handle is dead afterwards.
BOOL DestroyWindow(HWND Wnd);
BOOL IsWindow(HWND Wnd);
BOOL IsWindowVisible(HWND Wnd);  // the window and all its parents have WS_VISIBLE
BOOL IsWindowEnabled(HWND Wnd);
// Sends WM_CANCELMODE when disabling, then WM_ENABLE; answers whether it was disabled.
BOOL EnableWindow(HWND Wnd, BOOL Enable);
BOOL IsChild(HWND Parent, HWND Wnd);
BOOL IsIconic(HWND Wnd);
BOOL IsZoomed(HWND Wnd);

// A child's parent, a popup's owner, else null.
HWND GetParent(HWND Wnd);
// Answers the previous parent (the desktop for a top-level window). A null
// NewParent makes the window top-level; its style is left as it is.
HWND SetParent(HWND Wnd, HWND NewParent);
HWND GetWindow(HWND Wnd, UINT Cmd);
HWND GetTopWindow(HWND Wnd);  // the topmost child (of the desktop for null)
HWND GetDesktopWindow();
HWND GetAncestor(HWND Wnd, UINT Flags);
HWND GetNextWindow(HWND Wnd, UINT Cmd);

LONG_PTR GetWindowLongPtr(HWND Wnd, Integer Index);
// GWL_STYLE and GWL_EXSTYLE send WM_STYLECHANGING and WM_STYLECHANGED; the frame
// is worked out again only by SetWindowPos with SWP_FRAMECHANGED.
LONG_PTR SetWindowLongPtr(HWND Wnd, Integer Index, LONG_PTR Value);
LONG GetWindowLong(HWND Wnd, Integer Index);
LONG SetWindowLong(HWND Wnd, Integer Index, LONG Value);

// Text goes through WM_SETTEXT / WM_GETTEXT. Lengths are in bytes of UTF-8.
BOOL SetWindowText(HWND Wnd, const char* Text);
Integer GetWindowText(HWND Wnd, char* Buffer, Integer MaxCount);
Integer GetWindowTextLength(HWND Wnd);

// ---- Geometry -------------------------------------------------------------------
BOOL GetWindowRect(HWND Wnd, TRect* R);  // screen coordinates
BOOL GetClientRect(HWND Wnd, TRect* R);  // (0, 0, width, height)
BOOL ClientToScreen(HWND Wnd, TPoint* P);
BOOL ScreenToClient(HWND Wnd, TPoint* P);
// Answers the offset added, x in the low word and y in the high word.
Integer MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count);
// The deepest visible, enabled window under a screen point.
HWND WindowFromPoint(TPoint P);
// A child of Parent under the client point P, Parent itself when no child is
// there, null when P is outside Parent.
HWND ChildWindowFromPoint(HWND Parent, TPoint P);
HWND ChildWindowFromPointEx(HWND Parent, TPoint P, UINT Flags);
// Grows R (a client rectangle) to the window rectangle of these styles.
BOOL AdjustWindowRectEx(TRect* R, DWORD Style, BOOL Menu, DWORD ExStyle);
BOOL AdjustWindowRect(TRect* R, DWORD Style, BOOL Menu);
// Gives the window the shape of Rgn (window coordinates; null: its rectangle
// again). The system owns Rgn once the call succeeds. Points outside the shape
// belong to what lies beneath the window, and nothing of the window is drawn
// there. Answers nonzero on success.
Integer SetWindowRgn(HWND Wnd, HRGN Rgn, BOOL Redraw);
// Copies the window's region into Rgn; answers its kind, or ERROR_REGION when
// the window has none (or a handle is bad).
Integer GetWindowRgn(HWND Wnd, HRGN Rgn);

// ---- Position, size, z-order, visibility ---------------------------------------
// Sends WM_WINDOWPOSCHANGING (whose WINDOWPOS the handler may change), then
// WM_NCCALCSIZE when the size or the frame changes, activation when asked, and
// WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE.
BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, Integer X, Integer Y, Integer Width, Integer Height,
                  UINT Flags);
BOOL MoveWindow(HWND Wnd, Integer X, Integer Y, Integer Width, Integer Height, BOOL Repaint);
// Sends WM_SHOWWINDOW when the visibility changes; answers whether it was visible.
BOOL ShowWindow(HWND Wnd, Integer Cmd);
BOOL BringWindowToTop(HWND Wnd);
BOOL GetWindowPlacement(HWND Wnd, WINDOWPLACEMENT* Placement);
BOOL SetWindowPlacement(HWND Wnd, const WINDOWPLACEMENT* Placement);

// ---- Messages to a window ---------------------------------------------------------
// SendMessage calls the window procedure at once and answers its result (0 for
// a dead handle).
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
BOOL SendNotifyMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// The system's default handling of every message.
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);

// ---- Focus, activation, capture -------------------------------------------------
// Sends WM_KILLFOCUS to the old focus (wParam = the new one) then WM_SETFOCUS to
// the new one (wParam = the old one), activating its top-level window first.
// A hidden window, or one that is disabled or has a disabled parent, is
// refused: nothing changes and null is answered.
// Otherwise answers the previous focus.
HWND SetFocus(HWND Wnd);
HWND GetFocus();
HWND SetActiveWindow(HWND Wnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND Wnd);
// Answers the previous capture; the window losing it gets WM_CAPTURECHANGED.
HWND SetCapture(HWND Wnd);
BOOL ReleaseCapture();
HWND GetCapture();

// ---- Tests ----------------------------------------------------------------------
// Destroys every window and puts the whole window system (queue, timers,
// focus, metrics, monitors, keyboard, cursors, clipboard) back in its starting
// state. Tests call it first. Registered classes and the application's message
// filter stay: they belong to the program, not to one test.
void ResetWindowSystem();

}  // namespace kvp
