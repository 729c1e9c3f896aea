// What a backend that shows the window system on a real desktop is told: the
// top-level windows made, placed, shown, hidden, renamed, activated and
// destroyed, the parts of their surfaces that drawing may have changed, the
// current cursor and the clipboard's owner, and the moment before the
// clipboard is read, when text from outside the program may be brought in.
// With no observer set (the default, and every test of the headless system)
// nothing is told, and with one set the window system behaves exactly as
// without: an observer watches, it never answers.
#pragma once

#include "platform/win/Messages.h"

namespace kvp {

// TWindowObserver: the backend's side. Every call comes after the window
// system has made the change (for Destroyed, before the handle dies), from
// inside whatever call made it; an observer that calls back into the window
// system must expect messages to be sent from there.
class TWindowObserver {
 public:
  virtual ~TWindowObserver() = default;
  // A top-level window (child of the desktop) was made with the caption
  // Text; it is not shown yet.
  virtual void TopLevelCreated(HWND, const String& /*Text*/) {}
  // Its window rectangle (screen coordinates) moved or changed size.
  virtual void TopLevelPlaced(HWND, const TRect&) {}
  virtual void TopLevelShown(HWND, bool /*Visible*/) {}
  virtual void TopLevelTextChanged(HWND, const String&) {}
  // It became the active window (null: the program has no active window).
  virtual void TopLevelActivated(HWND) {}
  virtual void TopLevelDestroyed(HWND) {}
  // A device context was made on the top-level window's surface: drawing may
  // change the pixels inside Area (surface coordinates) until it goes.
  virtual void SurfacePainted(HWND, const TRect& /*Area*/) {}
  virtual void CursorChanged(HCURSOR) {}
  // EmptyClipboard made Owner (possibly null) the owner of new clipboard data.
  virtual void ClipboardOwnerChanged(HWND) {}
  // The clipboard is about to be opened or asked about while nobody holds it
  // open: the observer may fill it with data from outside first.
  virtual void ClipboardReading() {}
};

// Null removes the observer. The window system does not own it.
void SetWindowObserver(TWindowObserver* Observer);
TWindowObserver* GetWindowObserver();

}  // namespace kvp
