// TTimer on a hidden window's timer.
#include "platform/win/Timer.h"

#include "platform/win/Win.h"

namespace kvp {

std::function<void(TObject* Sender)> ApplicationHandleException;

namespace {

constexpr const char* TimerWindowClass = "TTimerWindow";
constexpr UINT_PTR TimerId = 1;

}  // namespace

void TTimer::KvPublish(TPublisher<TTimer>& P) {
  P.Prop("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled).Default(1);
  P.Prop("Interval", &TTimer::GetInterval, &TTimer::SetInterval).Default(1000);
  P.Prop("OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

void TTimer::Destroy() {
  FEnabled = false;
  if (IsWindow(FWindowHandle)) DestroyWindow(FWindowHandle);
  FWindowHandle = nullptr;
  inherited::Destroy();
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  if (FOnTimer == Value) return;
  FOnTimer = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FOnTimer) FOnTimer(this);
}

LRESULT TTimer::WndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg != WM_TIMER) return DefWindowProc(Wnd, Msg, W, L);
  auto* Self = reinterpret_cast<TTimer*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
  if (!Self) return 0;
  try {
    Self->Timer();
  } catch (...) {
    if (!ApplicationHandleException) throw;
    ApplicationHandleException(Self);
  }
  return 0;
}

void TTimer::UpdateTimer() {
  if (IsWindow(FWindowHandle)) KillTimer(FWindowHandle, TimerId);
  if (FInterval == 0 || !FEnabled || !FOnTimer) return;
  if (!IsWindow(FWindowHandle)) {
    WNDCLASS Existing;
    if (!GetClassInfo(nullptr, TimerWindowClass, &Existing)) {
      WNDCLASS C;
      C.lpfnWndProc = &TTimer::WndProc;
      C.lpszClassName = TimerWindowClass;
      RegisterClass(&C);
    }
    FWindowHandle = CreateWindowEx(WS_EX_TOOLWINDOW, TimerWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, nullptr, nullptr);
    if (!FWindowHandle) throw EOutOfResources("TTimer: cannot make its window");
    SetWindowLongPtr(FWindowHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (!SetTimer(FWindowHandle, TimerId, FInterval, nullptr))
    throw EOutOfResources("Not enough timers available");
}

}  // namespace kvp
