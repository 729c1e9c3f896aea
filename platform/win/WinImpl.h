// Implementation detail of the window system, not API: the records behind
// window, class, timer and caret handles, the raw input queue, and the one
// state object that holds them all. Only the .cpp files of platform/win
// include this header.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Region.h"
#include "platform/graphics/Surface.h"
#include "platform/win/Messages.h"

namespace kvp::winimpl {

// TWndClassRec: a registered window class.
struct TWndClassRec {
  String Name;  // as registered; looked up without regard to case
  UINT Style = 0;
  WNDPROC Proc = nullptr;
  Integer WndExtra = 0;
  HINSTANCE Instance = nullptr;
  HICON Icon = nullptr;
  HCURSOR Cursor = nullptr;
  HBRUSH Background = nullptr;
  ATOM Atom = 0;
  Integer WindowCount = 0;  // live windows of this class; UnregisterClass fails while > 0
};

// TScrollBarRec: the state of one of a window's two standard scroll bars.
struct TScrollBarRec {
  Integer Min = 0;
  Integer Max = 0;
  UINT Page = 0;
  Integer Pos = 0;
  Integer TrackPos = 0;  // the thumb's position while it is dragged
  UINT Disabled = 0;     // ESB_DISABLE_LTUP / ESB_DISABLE_RTDN bits
};

// TWnd: a window. Rectangles are kept in the parent's client coordinates
// (screen coordinates for top-level windows, whose parent is the desktop).
struct TWnd {
  HWND Handle = nullptr;
  TWndClassRec* Class = nullptr;
  WNDPROC Proc = nullptr;  // the current procedure (GWLP_WNDPROC subclassing replaces it)
  DWORD Style = 0;
  DWORD ExStyle = 0;
  TWnd* Parent = nullptr;       // the desktop for top-level windows; null only for the desktop
  HWND Owner = nullptr;         // top-level windows only
  std::vector<TWnd*> Children;  // z-order: the first child is the topmost
  TRect WindowRect;             // parent client coordinates
  TRect ClientRect;             // parent client coordinates
  String Text;
  LONG_PTR UserData = 0;
  LONG_PTR Id = 0;  // GWLP_ID, the hMenu argument of a child
  HINSTANCE Instance = nullptr;
  std::vector<Byte> Extra;            // cbWndExtra bytes
  TScrollBarRec Bars[2];              // SB_HORZ, SB_VERT
  TRegion Update;                     // invalid part of the client area (client coordinates)
  bool ErasePending = false;          // WM_ERASEBKGND owed at the next BeginPaint
  bool NcPaintPending = false;        // WM_NCPAINT owed at the next BeginPaint
  bool InternalPaint = false;         // RDW_INTERNALPAINT: a WM_PAINT even with nothing invalid
  bool Created = false;               // WM_NCCREATE answered; WM_NCDESTROY is owed
  bool Destroying = false;            // DestroyWindow has begun on it
  TRect NormalRect;                   // the restored bounds while minimized or maximized
  std::unique_ptr<TSurface> Surface;  // top-level windows: the pixels of it and its children
  std::unique_ptr<TRegion>
      Shape;  // SetWindowRgn's region (window coordinates); null: the rectangle
};

// The key of a typed character that no key of the layout makes.
inline constexpr Word VK_PACKET_KEY = 0xE7;

// One event from the user's hands, waiting in the input queue. It becomes a
// message when the pump takes it: the target is found then (hit testing,
// capture, focus), as the system does.
enum class TInputKind { Key, MouseMove, MouseDown, MouseUp, Wheel };
struct TInputEvent {
  TInputKind Kind = TInputKind::Key;
  Word Key = 0;        // Key: the virtual key; mouse: VK_LBUTTON / VK_RBUTTON / VK_MBUTTON
  bool Down = false;   // Key: pressed (true) or released
  Char Character = 0;  // Key with VK_PACKET: the character it types
  TPoint Pt;           // mouse: the screen point; keys: the cursor position
  Integer Delta = 0;   // Wheel
  DWORD Time = 0;
  WPARAM KeyFlags = 0;            // mouse: the MK_ flags once the event has happened
  bool AltReleasedAlone = false;  // Key up of VK_MENU with no key pressed while Alt was held
  // Filled when the event is first looked at by the pump.
  bool Cooked = false;
  bool Dropped = false;  // eaten (mouse activation, scroll tracking) or without a target
  MSG Msg;
  LRESULT Hit = HTNOWHERE;
  bool ActivateCheck = false;  // a button press that must ask WM_MOUSEACTIVATE first
  bool HitTested =
      false;  // the target came from WM_NCHITTEST (not the capture): WM_SETCURSOR follows
};

// TTimerRec: a window timer, or an internal timer of the system's own (scroll
// repeat) when Internal is set.
struct TTimerRec {
  HWND Wnd = nullptr;
  UINT_PTR Id = 0;
  UINT Interval = 0;
  TIMERPROC Proc = nullptr;
  UInt64 Due = 0;  // GetTickCount64 value at which it is next ready
  std::function<void()> Internal;
};

// The scroll-bar tracking that a press on a window's scroll bar starts; the
// mouse messages that follow go to it until the button is released.
enum class TScrollPart { None, LineUp, LineDown, PageUp, PageDown, Thumb };
struct TScrollTrack {
  HWND Wnd = nullptr;
  Integer Bar = SB_VERT;
  TScrollPart Part = TScrollPart::None;
  TPoint MousePt;          // the last mouse point, screen coordinates
  Integer GrabOffset = 0;  // thumb: mouse offset from the thumb's start at the press
  UINT_PTR RepeatTimer = 0;
  bool Active() const { return Wnd != nullptr; }
};

struct TCaret {
  HWND Owner = nullptr;
  Integer Width = 0;
  Integer Height = 0;
  TPoint Pos;             // client coordinates of the owner
  Integer HideCount = 1;  // visible at 0; a new caret is hidden
};

// TWinState: every piece of state of the window system.
struct TWinState {
  std::unordered_map<std::uintptr_t, std::unique_ptr<TWnd>> Windows;
  std::vector<std::unique_ptr<TWnd>> Graveyard;  // destroyed windows, freed when no call is running
  std::uintptr_t NextHandle = 0x10100;           // the desktop is 0x10010
  std::vector<std::unique_ptr<TWndClassRec>> Classes;
  ATOM NextAtom = 0xC000;
  std::unique_ptr<TWnd> Desktop;
  HWND Focus = nullptr;
  HWND Active = nullptr;
  HWND Capture = nullptr;
  Integer CallDepth = 0;  // nesting of window-procedure calls made by the system

  std::deque<MSG> Posted;
  std::deque<TInputEvent> Input;
  bool QuitPending = false;
  Integer QuitCode = 0;
  DWORD LastMsgTime = 0;
  TPoint LastMsgPos;
  std::function<bool(MSG&)> MessageFilter;

  std::vector<TTimerRec> Timers;
  UINT_PTR NextTimerId = 0x7FFF;  // ids of timers made without a window

  // The input state the driver keeps: the real-time key table and the one the
  // pump synchronises with each input message it hands out.
  Byte AsyncKeys[256] = {};
  Byte Keys[256] = {};
  TPoint CursorPos;
  bool AltAlone =
      false;  // Alt is down and no other key went down since (its release is then WM_SYSKEYUP)
  // The last button press, for double clicks.
  HWND LastDownWnd = nullptr;
  UINT LastDownMsg = 0;
  DWORD LastDownTime = 0;
  TPoint LastDownPt;
  bool LastDownValid = false;

  TScrollTrack Track;
  // The thumb drag that ended, while its SB_THUMBPOSITION is being sent: the
  // track position stays readable then, so a window can take a 32-bit position.
  TScrollTrack ThumbReleased;
  TCaret Caret;
};

TWinState& State();

// Lookups. Null for a handle that names no live window.
TWnd* FindWnd(HWND Wnd);
TWnd* Desktop();
void RefreshDesktopRect();  // after a change of the screen's size
bool IsTopLevel(const TWnd* W);
TWnd* RootOf(TWnd* W);                                   // the top-level window that holds W
bool IsDescendant(const TWnd* Ancestor, const TWnd* W);  // W or inside it

// Geometry.
TPoint ClientOriginOnScreen(const TWnd* W);
TRect WindowRectOnScreen(const TWnd* W);
TRect ClientRectOnScreen(const TWnd* W);
// The deepest visible window under the screen point, skipping the windows in
// Skip (those that answered HTTRANSPARENT). A disabled child gives way to its
// nearest enabled ancestor.
TWnd* WindowUnder(TPoint P, const std::vector<TWnd*>& Skip);
// Whether a point of W's parent's client area lies in W's shape (its window
// region, or its rectangle when it has none). WindowRegions.cpp.
bool InWindowShape(const TWnd* W, TPoint ParentClientPt);
// W's shape in screen coordinates.
TRegion WindowShapeOnScreen(const TWnd* W);
// The frame sizes the default WM_NCCALCSIZE takes from a window of these
// styles: borders, caption and the visible scroll bars.
TRect NonClientInsets(DWORD Style, DWORD ExStyle, bool WithScrollBars);

// Whether the default WM_WINDOWPOSCHANGING and creation ask WM_GETMINMAXINFO:
// overlapped windows and windows with a sizing frame.
bool HasMinMax(DWORD Style);
// Sends WM_GETMINMAXINFO with the system's defaults filled in.
MINMAXINFO GetMinMaxInfo(HWND Wnd);

// Calls a window procedure the way the system does (depth counted).
LRESULT CallProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// Frees the destroyed windows once no window procedure is running.
void CollectGraveyard();

// Keeps the windows that W owns (and theirs) just above W, as the system
// keeps owned windows above their owner.
void RaiseOwned(TWnd* W);

// Pieces the other units of the module share.
void ActivateTopLevel(HWND Wnd, WORD How);
HWND NextActivation(TWnd* Going);  // who takes the activation when Going loses it
void ForgetWindow(TWnd* W);        // focus, capture, caret, timers, clipboard, queue
void InvalidateWhole(TWnd* W, bool Erase, bool Frame);
void MarkParentArea(TWnd* W, const TRect& RectInParent);
void ResizeSurface(TWnd* W);
void ResetTimers();
void ResetClipboard();
void ClipboardWindowGone(HWND Wnd);
void ResetCursors();
void ResetMetrics();
void KillInternalTimer(UINT_PTR Id);
UINT_PTR SetInternalTimer(UINT Interval, std::function<void()> Callback);
// Scroll-bar tracking, started by the default WM_NCLBUTTONDOWN.
void StartScrollTrack(HWND Wnd, Integer Bar, TPoint ScreenPt);
void TrackMouse(UINT Msg, TPoint ScreenPt);
void EndScrollTrack(bool Cancel);
// Scroll-bar geometry, in window coordinates (relative to the window rectangle).
TRect ScrollBarRect(const TWnd* W, Integer Bar);
void ScrollBarParts(const TWnd* W, Integer Bar, Integer& TrackStart, Integer& TrackEnd,
                    Integer& ThumbStart, Integer& ThumbEnd);
// The pump's pieces: the input queue turned into messages, the window that
// owes a WM_PAINT (parents before children; null when none), and the keyboard
// layout's character for a key.
bool TakeInput(MSG* Msg, HWND Filter, UINT Min, UINT Max, bool Remove);
HWND FindWindowToPaint(HWND Filter);  // sends WM_NCPAINT to windows that owe only their frame
bool AnythingToPaint();               // the same question without painting anything
Char KeyToChar(Word Key, bool Shift, bool Caps, bool Ctrl);
bool MessageMatches(const MSG& M, HWND Filter, UINT Min, UINT Max);
// Draws the frame and the scroll bars of a window on its surface.
void PaintNonClient(TWnd* W);

}  // namespace kvp::winimpl
