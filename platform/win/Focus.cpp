// Focus, activation and mouse capture, and what a window leaves behind when
// it is destroyed.
#include <algorithm>

#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace winimpl {

// Moves the activation to the top-level window Wnd (null: to none). The old
// window hears WM_NCACTIVATE and WM_ACTIVATE(WA_INACTIVE) first, then the new
// one; its default WM_ACTIVATE gives it the focus. A focus left outside the
// new active window afterwards is removed.
void ActivateTopLevel(HWND Wnd, WORD How) {
  TWinState& S = State();
  HWND Old = S.Active;
  if (Old == Wnd) return;
  if (TWnd* C = FindWnd(S.Capture); C && Old && RootOf(C) == FindWnd(Old))
    SendMessage(S.Capture, WM_CANCELMODE, 0, 0);
  S.Active = Wnd;
  if (IsWindow(Old)) {
    SendMessage(Old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(Old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(Old) ? 1 : 0),
                reinterpret_cast<LPARAM>(Wnd));
  }
  if (S.Active != Wnd) return;  // a handler moved the activation elsewhere
  // The program as a whole gains or loses the activation.
  if (!IsWindow(Old) || !IsWindow(Wnd)) {
    BOOL Gains = IsWindow(Wnd) ? TRUE : FALSE;
    std::vector<HWND> Tops;
    for (TWnd* T : Desktop()->Children) Tops.push_back(T->Handle);
    for (HWND T : Tops) SendMessage(T, WM_ACTIVATEAPP, Gains, 0);
    if (S.Active != Wnd) return;
  }
  TWnd* W = FindWnd(Wnd);
  if (!W) {
    S.Active = nullptr;
    SetFocus(nullptr);
    if (TWindowObserver* O = GetWindowObserver(); O && !S.Active) O->TopLevelActivated(nullptr);
    return;
  }
  // The activated window comes to the top of its kind (topmost or not),
  // unless a WM_ACTIVATEAPP handler has made it a child meanwhile.
  auto& Kids = Desktop()->Children;
  if (auto It = std::find(Kids.begin(), Kids.end(), W); It != Kids.end()) {
    Kids.erase(It);
    auto Pos = Kids.begin();
    if (!(W->ExStyle & WS_EX_TOPMOST))
      while (Pos != Kids.end() && ((*Pos)->ExStyle & WS_EX_TOPMOST)) ++Pos;
    Kids.insert(Pos, W);
    RaiseOwned(W);
  }
  SendMessage(Wnd, WM_NCACTIVATE, TRUE, 0);
  SendMessage(Wnd, WM_ACTIVATE, MAKEWPARAM(How, IsIconic(Wnd) ? 1 : 0),
              reinterpret_cast<LPARAM>(IsWindow(Old) ? Old : nullptr));
  TWnd* F = FindWnd(S.Focus);
  TWnd* A = FindWnd(S.Active);
  if (F && (!A || RootOf(F) != A)) SetFocus(nullptr);
  if (TWindowObserver* O = GetWindowObserver(); O && S.Active == Wnd) O->TopLevelActivated(Wnd);
}

void ForgetWindow(TWnd* W) {
  TWinState& S = State();
  HWND H = W->Handle;
  if (S.Focus == H) S.Focus = nullptr;
  if (S.Active == H) S.Active = nullptr;
  if (S.Capture == H) S.Capture = nullptr;
  if (S.Caret.Owner == H) S.Caret = {};
  if (S.Track.Wnd == H) {
    KillInternalTimer(S.Track.RepeatTimer);
    S.Track = {};
  }
  if (S.LastDownWnd == H) S.LastDownValid = false;
  ClipboardWindowGone(H);
  S.Timers.erase(std::remove_if(S.Timers.begin(), S.Timers.end(),
                                [H](const TTimerRec& T) { return T.Wnd == H && !T.Internal; }),
                 S.Timers.end());
  S.Posted.erase(
      std::remove_if(S.Posted.begin(), S.Posted.end(), [H](const MSG& M) { return M.hwnd == H; }),
      S.Posted.end());
  for (TInputEvent& E : S.Input)
    if (E.Cooked && E.Msg.hwnd == H) E.Dropped = true;
}

}  // namespace winimpl

namespace {

// A window takes the focus only when it and every parent up to its top-level
// window are enabled: a form disabled under a modal one keeps its controls out.
bool EnabledUpToTop(const TWnd* W) {
  for (; W && W != Desktop(); W = W->Parent) {
    if (W->Style & WS_DISABLED) return false;
    if (!(W->Style & WS_CHILD)) break;
  }
  return true;
}

}  // namespace

HWND SetFocus(HWND Wnd) {
  TWinState& S = State();
  HWND Old = S.Focus;
  if (!Wnd) {
    if (!Old) return nullptr;
    S.Focus = nullptr;
    SendMessage(Old, WM_KILLFOCUS, 0, 0);
    return Old;
  }
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop() || W->Destroying) return nullptr;
  if (!IsWindowVisible(Wnd) || !EnabledUpToTop(W)) return nullptr;
  if (Wnd == Old) return Old;
  // The window's top-level window is activated first; its default handling
  // may already give the focus somewhere.
  // A child window whose parent is the desktop (a drop-down list made so)
  // cannot be activated, so neither it nor its children can take the focus.
  TWnd* Root = RootOf(W);
  if (Root->Style & WS_CHILD) return nullptr;
  if (S.Active != Root->Handle) {
    ActivateTopLevel(Root->Handle, WA_ACTIVE);
    if (!IsWindow(Wnd)) return Old;
    if (S.Focus == Wnd) return Old;
  }
  HWND Losing = S.Focus;
  if (Losing) {
    S.Focus = nullptr;
    SendMessage(Losing, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
    if (S.Focus || !IsWindow(Wnd)) return Old;  // the handler moved the focus itself
  }
  S.Focus = Wnd;
  SendMessage(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(IsWindow(Losing) ? Losing : nullptr), 0);
  return Old;
}

HWND GetFocus() { return State().Focus; }

HWND SetActiveWindow(HWND Wnd) {
  TWinState& S = State();
  HWND Old = S.Active;
  TWnd* W = FindWnd(Wnd);
  if (Wnd && (!W || W == Desktop())) return nullptr;
  if (W && (RootOf(W)->Style & WS_CHILD)) return nullptr;  // a child of the desktop
  HWND Root = W ? RootOf(W)->Handle : nullptr;
  ActivateTopLevel(Root, WA_ACTIVE);
  return Old;
}

HWND GetActiveWindow() { return State().Active; }
HWND GetForegroundWindow() { return State().Active; }

BOOL SetForegroundWindow(HWND Wnd) {
  if (!IsWindow(Wnd)) return FALSE;
  SetActiveWindow(Wnd);
  return TRUE;
}

HWND SetCapture(HWND Wnd) {
  TWinState& S = State();
  HWND Old = S.Capture;
  if (Wnd && !IsWindow(Wnd)) return Old;
  if (Old == Wnd) return Old;
  S.Capture = Wnd;
  if (IsWindow(Old)) SendMessage(Old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
  return Old;
}

BOOL ReleaseCapture() {
  TWinState& S = State();
  HWND Old = S.Capture;
  if (!Old) return TRUE;
  S.Capture = nullptr;
  if (IsWindow(Old)) SendMessage(Old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return State().Capture; }

}  // namespace kvp
