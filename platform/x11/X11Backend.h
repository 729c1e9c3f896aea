// The X11 backend: the window system shown on a Linux desktop. Each top-level
// window becomes an X window of the same place, size and caption that shows
// its surface; the keyboard, the mouse, the desktop's moving, sizing,
// activating and closing of windows, real time and the clipboard selection
// reach the window system through the same calls the headless tests use (the
// input driver, SetWindowPos, SetActiveWindow, Advance). Only an application
// that asks for it uses this backend; the headless window system stays the
// default, and nothing of Xlib shows through this header.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/win/WindowObserver.h"

struct _XDisplay;

namespace kvp {

// Raised when the display cannot be opened.
KV_DECLARE_EXCEPTION(EX11Error, Exception);

namespace x11impl {
struct TX11State;
}

// TX11Backend: one connection to an X display, the observer of the window
// system while it lives (one backend at a time). The program calls Step (or
// Run) instead of pumping the queue itself.
class TX11Backend {
 public:
  // Whether the environment names a display (DISPLAY set and not empty).
  static bool DisplayNamed();
  // Opens the display (null: the one DISPLAY names) and starts observing the
  // window system. Raises EX11Error when it cannot be opened. Top-level
  // windows already shown appear at once.
  explicit TX11Backend(const char* DisplayName = nullptr);
  // Takes its windows off the display and closes the connection.
  ~TX11Backend();
  TX11Backend(const TX11Backend&) = delete;
  TX11Backend& operator=(const TX11Backend&) = delete;

  // One turn of the loop, in phases: wait (at most TimeoutMs, less when a
  // timer falls due sooner; not at all when events wait) on the connection;
  // hand every X event that came to the window system; move the virtual
  // clock to the real time elapsed, delivering the timers due; pump the
  // queue; show what was painted.
  void Step(Integer TimeoutMs);
  // Steps until Done answers true, calling Idle after each step that left
  // the queue empty.
  void Run(const std::function<bool()>& Done, const std::function<void()>& Idle = {});
  // Sends the painted parts of every shown window to the display now.
  void Flush();

  // ---- Tests and tools ----
  _XDisplay* GetDisplay() const;
  // The X window of a top-level window (0 before it was first shown).
  unsigned long GetXWindow(HWND Wnd) const;
  // Every X error the server reported for this connection, in words.
  const std::vector<String>& GetErrors() const;
  // Pixels sent to the display so far (only painted parts are sent).
  Int64 GetPixelsSent() const;
  // The name of the X cursor shown over the window's X window ("left_ptr",
  // "xterm", ...), empty when none was set.
  String GetCursorShape(HWND Wnd) const;

 private:
  std::unique_ptr<x11impl::TX11State> FState;
};

}  // namespace kvp
