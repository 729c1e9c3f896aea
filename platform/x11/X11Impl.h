// Implementation detail of the X11 backend, not API: the state of one
// connection (its windows, atoms, cursors, the keys held, the clipboard
// selection) shared by the backend's .cpp files. Xlib is included here, after
// every header of ours, so that its macros touch nothing of the platform.
#pragma once

#include <chrono>
#include <map>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Region.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "platform/x11/X11Backend.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace kvp::x11impl {

// TXWin: a top-level window of the window system and the X window that shows it.
struct TXWin {
  HWND Wnd = nullptr;
  Window Win = 0;           // made when the window is first shown
  XIC Ic = nullptr;         // the input context for its key events (null: no input method)
  String Text;              // the caption
  TRect Rect;               // screen rectangle the X window was last given or reported
  bool Shown = false;       // mapped at our request
  bool Viewable = false;    // the server said it is mapped (MapNotify)
  bool FocusOnMap = false;  // activated before it was viewable: take the focus once it is
  bool Iconic = false;      // minimized: iconified on the desktop
  TRegion Dirty;            // surface coordinates still to be sent
  String XCursorName;       // the X cursor defined on it
  unsigned long ConfigureSerial = 0;  // request number of our last move or size of it
};

// TIncrSend: text given to another program in pieces (the INCR protocol).
struct TIncrSend {
  Window Requestor = 0;
  Atom Property = 0;
  Atom Type = 0;
  String Text;
  std::size_t Pos = 0;  // bytes sent so far
};

// Larger text is sent to other programs in pieces of this size.
inline constexpr std::size_t IncrPieceSize = 256 * 1024;

// TX11State: everything one backend holds.
struct TX11State : public TWindowObserver {
  Display* Dpy = nullptr;
  Window Root = 0;
  Visual* Vis = nullptr;
  Integer Depth = 0;
  bool DirectPixels = false;  // the visual takes our 0x00RRGGBB pixels as they are
  XIM Im = nullptr;
  Window SelectionWin = 0;  // owns the clipboard selection; never shown
  std::unordered_map<HWND, TXWin> Windows;
  std::vector<String> Errors;
  Int64 PixelsSent = 0;

  // Atoms.
  Atom WmProtocols = 0, WmDeleteWindow = 0, WmState = 0, NetWmName = 0, Utf8String = 0,
       Clipboard = 0, Targets = 0, TextAtom = 0, TextPlainUtf8 = 0, Incr = 0, KvSelection = 0;

  // Real time: the virtual tick that matched the moment the backend opened.
  std::chrono::steady_clock::time_point Start;
  UInt64 StartTick = 0;
  UInt64 RealTick() const;  // the tick the virtual clock should show now

  // Input.
  std::map<unsigned, Word> KeysDown;  // X key code -> virtual key posted for its press
  bool FocusChanged = false;          // a FocusIn/FocusOut came: look at the X focus
  ::Time LastEventTime = CurrentTime;

  // Observation guards.
  bool ApplyingFromX = false;      // a change made because the desktop asked: not sent back
  bool Importing = false;          // filling the clipboard from another program's selection
  bool Owning = false;             // we hold the clipboard selection
  std::vector<TIncrSend> Sending;  // pieces still owed to readers
  bool AutoPumpBefore = true;      // the input driver's setting, given back at the end
  HCURSOR CurrentCursor = nullptr;
  std::map<String, ::Cursor> XCursors;  // font cursors made, by shape name

  // ---- TWindowObserver ----
  void TopLevelCreated(HWND Wnd, const String& Text) override;
  void TopLevelPlaced(HWND Wnd, const TRect& R) override;
  void TopLevelShown(HWND Wnd, bool Visible) override;
  void TopLevelTextChanged(HWND Wnd, const String& Text) override;
  void TopLevelActivated(HWND Wnd) override;
  void TopLevelDestroyed(HWND Wnd) override;
  void SurfacePainted(HWND Wnd, const TRect& Area) override;
  void CursorChanged(HCURSOR Cursor) override;
  void ClipboardOwnerChanged(HWND Owner) override;
  void ClipboardReading() override;

  // ---- Windows (X11Backend.cpp) ----
  TXWin* Find(HWND Wnd);
  TXWin* FindX(Window Win);
  void MakeXWindow(TXWin& W);
  void DropXWindow(TXWin& W);
  void SetCaption(TXWin& W);
  void SendSurface(TXWin& W);
  void ApplyCursor(TXWin& W);
  void HandleEvent(XEvent& E);
  void PlaceFromX(TXWin& W, const XConfigureEvent& E);
  void CheckFocus();
  bool IconicOnDesktop(const TXWin& W);
  void SyncClock();

  // ---- Input (X11Input.cpp) ----
  void KeyEvent(XKeyEvent& E);
  void ButtonEvent(XButtonEvent& E, TXWin& W);
  void MotionTo(TXWin& W, int X, int Y, unsigned State);
  void SyncModifiers(unsigned State);

  // ---- The clipboard selection (X11Clipboard.cpp) ----
  void AnswerSelectionRequest(XSelectionRequestEvent& E);
  // A reader deleted a property we send pieces through; false when it is no such.
  bool SendNextPiece(const XPropertyEvent& E);
};

// The X cursor shape for a cursor of the window system (its name).
const char* CursorShapeFor(const String& CursorName);
// The virtual key of an X key event: from the key's symbol, else from its
// place on the keyboard (as the US layout has it); 0 when neither says.
Word VirtualKeyOf(Display* Dpy, const XKeyEvent& E, KeySym Typed);

}  // namespace kvp::x11impl
