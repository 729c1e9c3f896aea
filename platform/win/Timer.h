// TTimer: a component that fires OnTimer every Interval milliseconds while
// Enabled. It runs on a window timer of a hidden window of its own, so its
// ticks come through the message queue like every WM_TIMER, on the virtual
// clock. As on the platform, there is no window timer while OnTimer is empty.
#pragma once

#include <functional>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/win/Messages.h"

namespace kvp {

// Set by the application: handles an exception that escaped an event handler
// called from a window procedure outside any control (a timer's OnTimer), or
// any window procedure or the message filter while the pump dispatches
// (ProcessMessage). It is called inside the catch block, with the object that
// raised it when one is known. When it is empty the exception goes on.
extern std::function<void(TObject* Sender)> ApplicationHandleException;

// TTimer: fires OnTimer on the virtual clock through its hidden window's WM_TIMER.
class TTimer : public TComponent {
  KV_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* AOwner) : TComponent(AOwner) {}

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  Cardinal GetInterval() const { return FInterval; }
  void SetInterval(Cardinal Value);
  TNotifyEvent GetOnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);
  // Tests: the hidden window whose timer ticks (null before one is needed).
  HWND GetWindowHandle() const { return FWindowHandle; }

  KV_PUBLISHED;

 protected:
  void Destroy() override;
  // Fires OnTimer.
  virtual void Timer();

 private:
  // Kills the window timer and starts it again when it should run.
  void UpdateTimer();
  static LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
  HWND FWindowHandle = nullptr;  // made on the first start; re-made if the window system was reset
  Cardinal FInterval = 1000;     // milliseconds
  bool FEnabled = true;
  TNotifyEvent FOnTimer;
};

}  // namespace kvp
