// The system side of input: an event from the input queue becomes a message
// when the pump takes it. The target is found then, as the system does it:
// the capture window, or the window under the mouse by hit testing
// (WM_NCHITTEST), the focus window for keys and the wheel. Taking a button
// press asks WM_MOUSEACTIVATE of an inactive window and activates it; every
// mouse message that was hit-tested is preceded by WM_SETCURSOR. The keyboard
// state table follows each message as it is taken.
//
// Index
//   [SECTION] Key state             SyncKeys, GetKeyState, Get/SetKeyboardState
//   [SECTION] Mouse targets         HitTarget, double clicks
//   [SECTION] Cooking               CookMouse, CookKey
//   [SECTION] Taking                TakeInput (activation, WM_SETCURSOR), TakeLaterKey
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] Key state

namespace {

void SetKey(Byte* Table, Word Key, bool Down) {
  Byte& K = Table[Key & 0xFF];
  if (Down && !(K & 0x80)) K ^= 0x01;  // the toggle flips on each press
  K = Down ? Byte(K | 0x80) : Byte(K & ~0x80);
}

// Applies an event to a key table: the key itself, the sided variants of
// Shift, Ctrl and Alt, and the mouse buttons.
void ApplyEvent(Byte* Table, const TInputEvent& E) {
  switch (E.Kind) {
    case TInputKind::Key:
      SetKey(Table, E.Key, E.Down);
      if (E.Key == VK_SHIFT) SetKey(Table, VK_LSHIFT, E.Down);
      if (E.Key == VK_CONTROL) SetKey(Table, VK_LCONTROL, E.Down);
      if (E.Key == VK_MENU) SetKey(Table, VK_LMENU, E.Down);
      break;
    case TInputKind::MouseDown:
    case TInputKind::MouseUp:
      SetKey(Table, E.Key, E.Kind == TInputKind::MouseDown);
      break;
    default:
      break;
  }
}

}  // namespace

std::int16_t GetKeyState(Integer VirtKey) {
  Byte K = State().Keys[VirtKey & 0xFF];
  return std::int16_t(((K & 0x80) ? 0xFF80 : 0) | (K & 0x01));
}

std::int16_t GetAsyncKeyState(Integer VirtKey) {
  Byte K = State().AsyncKeys[VirtKey & 0xFF];
  return std::int16_t((K & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(Byte* KeyState) {
  if (!KeyState) return FALSE;
  std::memcpy(KeyState, State().Keys, 256);
  return TRUE;
}

BOOL SetKeyboardState(const Byte* KeyState) {
  if (!KeyState) return FALSE;
  std::memcpy(State().Keys, KeyState, 256);
  std::memcpy(State().AsyncKeys, KeyState, 256);
  return TRUE;
}

// [SECTION] Mouse targets

namespace {

// Finds the target by hit testing; answers null when nothing is under the point.
TWnd* HitTarget(TPoint P, LRESULT& Hit) {
  std::vector<TWnd*> Skip;
  for (;;) {
    TWnd* W = WindowUnder(P, Skip);
    if (!W) return nullptr;
    TWnd* Root = RootOf(W);
    if (Root && (Root->Style & WS_DISABLED)) {
      Hit = HTERROR;
      return Root;
    }
    HWND H = W->Handle;
    Hit = SendMessage(H, WM_NCHITTEST, 0, MAKELPARAM(P.X, P.Y));
    if (!(W = FindWnd(H))) return nullptr;
    if (Hit != HTTRANSPARENT) return W;
    Skip.push_back(W);
  }
}

UINT ButtonMessage(Word Button, TInputKind Kind) {
  UINT Base = Button == VK_LBUTTON   ? WM_LBUTTONDOWN
              : Button == VK_RBUTTON ? WM_RBUTTONDOWN
                                     : WM_MBUTTONDOWN;
  return Kind == TInputKind::MouseDown ? Base : Base + 1;
}

// A press becomes a double click when the previous press of the same button
// went to the same window less than the double-click time before, inside the
// double-click rectangle centred on it. The pair is then used up.
bool IsDoubleClick(TWnd* Target, UINT DownMsg, const TInputEvent& E, bool Client) {
  TWinState& S = State();
  if (Client && !(Target->Class && (Target->Class->Style & CS_DBLCLKS))) {
    S.LastDownValid = false;
    return false;
  }
  bool Double = S.LastDownValid && S.LastDownWnd == Target->Handle && S.LastDownMsg == DownMsg &&
                DWORD(E.Time - S.LastDownTime) < GetDoubleClickTime() &&
                std::abs(E.Pt.X - S.LastDownPt.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                std::abs(E.Pt.Y - S.LastDownPt.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  if (Double) {
    S.LastDownValid = false;
  } else {
    S.LastDownValid = true;
    S.LastDownWnd = Target->Handle;
    S.LastDownMsg = DownMsg;
    S.LastDownTime = E.Time;
    S.LastDownPt = E.Pt;
  }
  return Double;
}

// [SECTION] Cooking

void CookMouse(TInputEvent& E) {
  TWinState& S = State();
  MSG& M = E.Msg;
  M.time = E.Time;
  M.pt = E.Pt;
  if (E.Kind == TInputKind::Wheel) {
    HWND To = S.Focus ? S.Focus : S.Active;
    if (!To) {
      E.Dropped = true;
      return;
    }
    M.hwnd = To;
    M.message = WM_MOUSEWHEEL;
    M.wParam = MAKEWPARAM(Integer(E.KeyFlags), E.Delta);
    M.lParam = MAKELPARAM(E.Pt.X, E.Pt.Y);
    return;
  }
  // The system's scroll-bar tracking takes every mouse message while it runs.
  if (S.Track.Active()) {
    E.Dropped = true;
    UINT Kind = E.Kind == TInputKind::MouseMove   ? WM_MOUSEMOVE
                : E.Kind == TInputKind::MouseDown ? WM_LBUTTONDOWN
                                                  : WM_LBUTTONUP;
    if (E.Kind == TInputKind::MouseMove || E.Key == VK_LBUTTON) TrackMouse(Kind, E.Pt);
    return;
  }
  TWnd* Target = nullptr;
  bool Client = true;
  if (TWnd* C = FindWnd(S.Capture)) {
    Target = C;
    E.Hit = HTCLIENT;
  } else {
    Target = HitTarget(E.Pt, E.Hit);
    if (!Target) {
      E.Dropped = true;
      return;
    }
    Client = E.Hit == HTCLIENT;
    E.HitTested = true;
  }
  M.hwnd = Target->Handle;
  UINT Msg = E.Kind == TInputKind::MouseMove ? WM_MOUSEMOVE : ButtonMessage(E.Key, E.Kind);
  if (E.Kind == TInputKind::MouseDown && IsDoubleClick(Target, Msg, E, Client)) Msg += 2;
  if (Client) {
    TPoint O = ClientOriginOnScreen(Target);
    M.message = Msg;
    M.wParam = E.KeyFlags;
    M.lParam = MAKELPARAM(E.Pt.X - O.X, E.Pt.Y - O.Y);
  } else {
    M.message = Msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    M.wParam = WPARAM(E.Hit);
    M.lParam = MAKELPARAM(E.Pt.X, E.Pt.Y);
  }
  TWnd* Root = RootOf(Target);
  E.ActivateCheck = E.Kind == TInputKind::MouseDown && !S.Capture && E.Hit != HTERROR && Root &&
                    Root->Handle != S.Active;
}

// The set-1 scan code of a key, and whether it is an extended key.
std::uint32_t KeyScanCode(Word Key, bool& Extended) {
  struct TScan {
    Word Key;
    Byte Scan;
    bool Extended;
  };
  static const TScan Scans[] = {
      {VK_ESCAPE, 0x01, false},   {VK_BACK, 0x0E, false},    {VK_TAB, 0x0F, false},
      {VK_RETURN, 0x1C, false},   {VK_CONTROL, 0x1D, false}, {VK_SHIFT, 0x2A, false},
      {VK_MENU, 0x38, false},     {VK_SPACE, 0x39, false},   {VK_CAPITAL, 0x3A, false},
      {VK_OEM_7, 0x28, false},    {VK_F11, 0x57, false},     {VK_F12, 0x58, false},
      {VK_HOME, 0x47, true},      {VK_UP, 0x48, true},       {VK_PRIOR, 0x49, true},
      {VK_LEFT, 0x4B, true},      {VK_RIGHT, 0x4D, true},    {VK_END, 0x4F, true},
      {VK_DOWN, 0x50, true},      {VK_NEXT, 0x51, true},     {VK_INSERT, 0x52, true},
      {VK_DELETE, 0x53, true},    {VK_DIVIDE, 0x35, true},   {VK_MULTIPLY, 0x37, false},
      {VK_SUBTRACT, 0x4A, false}, {VK_ADD, 0x4E, false},
  };
  static const char Rows[] = "QWERTYUIOP\0\0\0\0ASDFGHJKL\0\0\0\0\0ZXCVBNM";
  std::uint32_t Scan = 0;
  Extended = false;
  for (const TScan& T : Scans)
    if (T.Key == Key) {
      Scan = T.Scan;
      Extended = T.Extended;
    }
  if (Key >= '1' && Key <= '9') Scan = 0x02 + (Key - '1');
  if (Key == '0') Scan = 0x0B;
  if (Key >= VK_F1 && Key <= VK_F10) Scan = 0x3B + (Key - VK_F1);
  if (Key >= 'A' && Key <= 'Z')
    for (std::size_t I = 0; I < sizeof Rows; ++I)
      if (Rows[I] == char(Key)) Scan = std::uint32_t(0x10 + I);
  return Scan;
}

// Keys: the key table as it stands before this key moves (the table of the
// messages taken so far, or that plus the keys still waiting before this one).
void CookKey(TInputEvent& E, const Byte* Keys) {
  TWinState& S = State();
  MSG& M = E.Msg;
  M.time = E.Time;
  M.pt = E.Pt;
  bool NoFocus = S.Focus == nullptr;
  M.hwnd = NoFocus ? S.Active : S.Focus;
  if (!M.hwnd) {
    E.Dropped = true;
    return;
  }
  // The state as it is once this key has moved.
  Byte After[256];
  std::memcpy(After, Keys, 256);
  ApplyEvent(After, E);
  bool Alt = (After[VK_MENU] & 0x80) != 0, Ctrl = (After[VK_CONTROL] & 0x80) != 0;
  bool WasDown = (Keys[E.Key & 0xFF] & 0x80) != 0;
  bool Sys;
  bool Context;
  if (E.Key == VK_MENU) {
    // Alt going down while Ctrl is held is a plain key, as any Ctrl+Alt key is.
    Sys = (E.Down || E.AltReleasedAlone) && !Ctrl;
    Context = E.Down || Sys;
  } else if (E.Key == VK_F10 && !Ctrl) {
    Sys = true;
    Context = Alt;
  } else {
    Sys = Alt && !Ctrl;
    Context = Alt;
  }
  Sys = Sys || NoFocus;
  M.message = E.Down ? (Sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (Sys ? WM_SYSKEYUP : WM_KEYUP);
  M.wParam = E.Key;
  bool Extended = false;
  std::uint32_t Scan = KeyScanCode(E.Key, Extended);
  std::uint64_t L = 1u | (Scan << 16) | (Extended ? 1u << 24 : 0u) | (Context ? 1u << 29 : 0u) |
                    ((E.Down ? WasDown : true) ? 1u << 30 : 0u) | (E.Down ? 0u : 1u << 31);
  if (E.Character) L |= std::uint64_t(E.Character) << 32;
  M.lParam = LPARAM(L);
}

void Cook(TInputEvent& E) {
  E.Cooked = true;
  if (E.Kind == TInputKind::Key)
    CookKey(E, State().Keys);
  else
    CookMouse(E);
}

// [SECTION] Taking

// The mouse message as the hardware made it, for WM_MOUSEACTIVATE and
// WM_SETCURSOR: a client message, and a press even when it became a double click.
UINT RawMouseMessage(UINT Msg) {
  if (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCMBUTTONDBLCLK) Msg = Msg - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
  if (Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK) Msg -= 2;
  return Msg;
}

// Activation by a click: the answer to WM_MOUSEACTIVATE decides whether the
// window is activated and whether the press is delivered.
bool MouseActivate(TInputEvent& E) {
  TWnd* Target = FindWnd(E.Msg.hwnd);
  TWnd* Root = Target ? RootOf(Target) : nullptr;
  if (!Root) return false;
  HWND RootH = Root->Handle;
  LRESULT R = SendMessage(E.Msg.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(RootH),
                          MAKELPARAM(Integer(E.Hit), Integer(RawMouseMessage(E.Msg.message))));
  Root = FindWnd(RootH);
  // A child of the desktop (a drop-down list) is never activated.
  bool MayActivate =
      Root && !(Root->ExStyle & WS_EX_NOACTIVATE) && !(Root->Style & (WS_DISABLED | WS_CHILD));
  if ((R == MA_ACTIVATE || R == MA_ACTIVATEANDEAT) && MayActivate)
    ActivateTopLevel(RootH, WA_CLICKACTIVE);
  return R != MA_ACTIVATEANDEAT && R != MA_NOACTIVATEANDEAT && IsWindow(E.Msg.hwnd);
}

// Runs what the system does as a message is taken; answers false when the
// message is eaten.
bool Deliver(TInputEvent& E) {
  TWinState& S = State();
  ApplyEvent(S.Keys, E);
  if (E.Kind == TInputKind::Key || E.Kind == TInputKind::Wheel) return true;
  if (E.ActivateCheck && !MouseActivate(E)) return false;
  if (E.HitTested && IsWindow(E.Msg.hwnd))
    SendMessage(E.Msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(E.Msg.hwnd),
                MAKELPARAM(Integer(E.Hit), Integer(RawMouseMessage(E.Msg.message))));
  if (E.Hit == HTERROR) return false;  // input to a disabled window goes nowhere
  return IsWindow(E.Msg.hwnd);
}

// A filter that passes over the first input event may still take a key
// message waiting behind it ("is a key-down waiting?"). Keys are looked at
// without side effects, as the key table would stand when they come; mouse
// events are only ever taken in order, since finding their target sends
// messages.
bool TakeLaterKey(MSG* Msg, HWND Filter, UINT Min, UINT Max, bool Remove) {
  TWinState& S = State();
  Byte Keys[256];
  std::memcpy(Keys, S.Keys, 256);
  ApplyEvent(Keys, S.Input.front());
  for (std::size_t I = 1; I < S.Input.size(); ++I) {
    TInputEvent E = S.Input[I];
    if (E.Kind == TInputKind::Key) {
      CookKey(E, Keys);
      E.Cooked = true;
      if (!E.Dropped && MessageMatches(E.Msg, Filter, Min, Max)) {
        *Msg = E.Msg;
        if (Remove) {
          S.Input.erase(S.Input.begin() + std::ptrdiff_t(I));
          Deliver(E);
        }
        return true;
      }
    }
    ApplyEvent(Keys, E);
  }
  return false;
}

}  // namespace

namespace winimpl {

bool TakeInput(MSG* Msg, HWND Filter, UINT Min, UINT Max, bool Remove) {
  TWinState& S = State();
  while (!S.Input.empty()) {
    TInputEvent& E = S.Input.front();
    if (!E.Cooked) Cook(E);
    if (S.Input.empty()) return false;
    TInputEvent& F = S.Input.front();
    if (F.Dropped) {
      ApplyEvent(S.Keys, F);
      S.Input.pop_front();
      continue;
    }
    if (!MessageMatches(F.Msg, Filter, Min, Max))
      return TakeLaterKey(Msg, Filter, Min, Max, Remove);
    if (!Remove) {
      *Msg = F.Msg;
      return true;
    }
    TInputEvent Taken = F;
    S.Input.pop_front();
    if (!Deliver(Taken)) continue;
    *Msg = Taken.Msg;
    return true;
  }
  return false;
}

}  // namespace winimpl

}  // namespace kvp
