// The message queue: posting, taking messages in the system's order (posted,
// input, quit, paint, timers), translating keys into characters, dispatching,
// the pump with the application's filter step, and the window timers on the
// virtual clock.
//
// Index
//   [SECTION] Posting               PostMessage, PostThreadMessage, PostQuitMessage
//   [SECTION] Taking messages       PeekMessage, GetMessage, MessageMatches
//   [SECTION] Translate, dispatch   TranslateMessage, KeyToChar, DispatchMessage
//   [SECTION] The pump              SetMessageFilter, ProcessMessage(s)
//   [SECTION] Timers                SetTimer, KillTimer, internal timers, Advance
#include <algorithm>

#include "platform/rtl/Clock.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Timer.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] Posting

BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TWinState& S = State();
  if (Wnd == HWND_BROADCAST) {
    for (TWnd* T : Desktop()->Children) PostMessage(T->Handle, Msg, W, L);
    return TRUE;
  }
  if (Wnd && !IsWindow(Wnd)) return FALSE;
  MSG M;
  M.hwnd = Wnd;
  M.message = Msg;
  M.wParam = W;
  M.lParam = L;
  M.time = GetTickCount();
  M.pt = S.CursorPos;
  S.Posted.push_back(M);
  return TRUE;
}

BOOL PostThreadMessage(DWORD, UINT Msg, WPARAM W, LPARAM L) {
  return PostMessage(nullptr, Msg, W, L);
}

void PostQuitMessage(Integer ExitCode) {
  State().QuitPending = true;
  State().QuitCode = ExitCode;
}

// [SECTION] Taking messages

namespace winimpl {

bool MessageMatches(const MSG& M, HWND Filter, UINT Min, UINT Max) {
  if (Filter == reinterpret_cast<HWND>(-1)) {
    if (M.hwnd) return false;
  } else if (Filter && M.hwnd != Filter && !IsChild(Filter, M.hwnd)) {
    return false;
  }
  if (Min == 0 && Max == 0) return true;
  return M.message >= Min && M.message <= Max;
}

}  // namespace winimpl

namespace {

void Taken(const MSG& M) {
  State().LastMsgTime = M.time;
  State().LastMsgPos = M.pt;
}

// Runs the system's own timers that are due; answers whether any ran.
bool RunInternalTimers() {
  TWinState& S = State();
  UInt64 Now = GetTickCount64();
  for (TTimerRec& T : S.Timers) {
    if (!T.Internal || T.Due > Now) continue;
    T.Due = Now + T.Interval;
    auto Callback = T.Internal;  // the callback may kill or add timers
    Callback();
    return true;
  }
  return false;
}

bool TakeTimer(MSG* Msg, HWND Filter, UINT Min, UINT Max, bool Remove) {
  TWinState& S = State();
  UInt64 Now = GetTickCount64();
  TTimerRec* Best = nullptr;
  for (TTimerRec& T : S.Timers) {
    if (T.Internal || T.Due > Now) continue;
    MSG M;
    M.hwnd = T.Wnd;
    M.message = WM_TIMER;
    if (!MessageMatches(M, Filter, Min, Max)) continue;
    if (!Best || T.Due < Best->Due) Best = &T;
  }
  if (!Best) return false;
  Msg->hwnd = Best->Wnd;
  Msg->message = WM_TIMER;
  Msg->wParam = Best->Id;
  Msg->lParam = reinterpret_cast<LPARAM>(Best->Proc);
  Msg->time = GetTickCount();
  Msg->pt = S.CursorPos;
  if (Remove) {
    Best->Due = Now + Best->Interval;
    Taken(*Msg);
  }
  return true;
}

}  // namespace

BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT Min, UINT Max, UINT RemoveFlags) {
  TWinState& S = State();
  bool Remove = (RemoveFlags & PM_REMOVE) != 0;
  CollectGraveyard();
  for (;;) {
    // [Phase 1] Posted messages, oldest first.
    for (auto It = S.Posted.begin(); It != S.Posted.end(); ++It) {
      if (!MessageMatches(*It, Wnd, Min, Max)) continue;
      *Msg = *It;
      if (Remove) {
        S.Posted.erase(It);
        Taken(*Msg);
      }
      return TRUE;
    }
    // [Phase 2] The user's input.
    if (TakeInput(Msg, Wnd, Min, Max, Remove)) {
      if (Remove) Taken(*Msg);
      return TRUE;
    }
    // [Phase 3] WM_QUIT once nothing posted is left. It comes whatever the
    // window and range filters ask for, so that a loop removing one message
    // of its own can see the quit and post it again.
    if (S.QuitPending) {
      *Msg = MSG{};
      Msg->message = WM_QUIT;
      Msg->wParam = WPARAM(S.QuitCode);
      Msg->time = GetTickCount();
      if (Remove) {
        S.QuitPending = false;
        Taken(*Msg);
      }
      return TRUE;
    }
    // [Phase 4] Painting.
    if ((Min == 0 && Max == 0) || (WM_PAINT >= Min && WM_PAINT <= Max)) {
      if (HWND P = FindWindowToPaint(Wnd)) {
        *Msg = MSG{};
        Msg->hwnd = P;
        Msg->message = WM_PAINT;
        Msg->time = GetTickCount();
        Msg->pt = S.CursorPos;
        if (Remove) Taken(*Msg);
        return TRUE;
      }
    }
    // [Phase 5] Timers; the system's own ones run here and may post.
    if (RunInternalTimers()) continue;
    if (S.Input.empty() && TakeTimer(Msg, Wnd, Min, Max, Remove)) return TRUE;
    return FALSE;
  }
}

BOOL GetMessage(MSG* Msg, HWND Wnd, UINT Min, UINT Max) {
  if (!PeekMessage(Msg, Wnd, Min, Max, PM_REMOVE)) {
    *Msg = MSG{};
    return -1;
  }
  return Msg->message == WM_QUIT ? FALSE : TRUE;
}

LONG GetMessageTime() { return LONG(State().LastMsgTime); }

DWORD GetMessagePos() {
  TPoint P = State().LastMsgPos;
  return DWORD(MAKELPARAM(P.X, P.Y));
}

DWORD GetQueueStatus(UINT Flags) {
  TWinState& S = State();
  DWORD Now = 0;
  if (!S.Posted.empty()) Now |= QS_POSTMESSAGE;
  for (const TInputEvent& E : S.Input)
    Now |= E.Kind == TInputKind::Key         ? QS_KEY
           : E.Kind == TInputKind::MouseMove ? QS_MOUSEMOVE
                                             : QS_MOUSEBUTTON;
  if (AnythingToPaint()) Now |= QS_PAINT;
  UInt64 T = GetTickCount64();
  for (const TTimerRec& R : S.Timers)
    if (!R.Internal && R.Due <= T) Now |= QS_TIMER;
  Now &= Flags;
  return (Now << 16) | Now;
}

BOOL GetInputState() { return State().Input.empty() ? FALSE : TRUE; }
BOOL WaitMessage() { return TRUE; }

// [SECTION] Translate, dispatch

namespace winimpl {

// The US layout.
Char KeyToChar(Word Key, bool Shift, bool Caps, bool Ctrl) {
  if (Key >= 'A' && Key <= 'Z') {
    if (Ctrl) return Char(Key - 'A' + 1);
    return (Shift != Caps) ? Char(Key) : Char(Key - 'A' + 'a');
  }
  switch (Key) {
    case VK_SPACE:
      return U' ';
    case VK_RETURN:
      return Ctrl ? 10 : 13;
    case VK_TAB:
      return Ctrl ? 0 : 9;
    case VK_ESCAPE:
      return 27;
    case VK_BACK:
      return Ctrl ? 127 : 8;
    case VK_MULTIPLY:
      return U'*';
    case VK_ADD:
      return U'+';
    case VK_SUBTRACT:
      return U'-';
    case VK_DIVIDE:
      return U'/';
    case VK_DECIMAL:
      return Ctrl ? 0 : U'.';
    default:
      break;
  }
  if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9) return Ctrl ? 0 : Char(U'0' + (Key - VK_NUMPAD0));
  if (Ctrl) {
    switch (Key) {
      case VK_OEM_4:
        return 27;
      case VK_OEM_5:
        return 28;
      case VK_OEM_6:
        return 29;
      default:
        return 0;
    }
  }
  if (Key >= '0' && Key <= '9') {
    static const char Shifted[] = ")!@#$%^&*(";
    return Shift ? Char(Shifted[Key - '0']) : Char(Key);
  }
  struct TOem {
    Word Key;
    char Plain, Shifted;
  };
  static const TOem Oem[] = {
      {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
      {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
      {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
      {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'}};
  for (const TOem& O : Oem)
    if (O.Key == Key) return Char(Shift ? O.Shifted : O.Plain);
  return 0;
}

}  // namespace winimpl

BOOL TranslateMessage(const MSG* Msg) {
  if (!Msg) return FALSE;
  bool Sys = Msg->message == WM_SYSKEYDOWN;
  if (Msg->message != WM_KEYDOWN && !Sys) {
    return Msg->message == WM_KEYUP || Msg->message == WM_SYSKEYUP;
  }
  Word Key = Word(Msg->wParam);
  Char C = 0;
  LPARAM L = Msg->lParam;
  if (Key == VK_PACKET_KEY) {
    // The character of a packet travels above the 32 bits of key data.
    C = Char(std::uint64_t(L) >> 32);
    L = LPARAM(std::uint32_t(L));
  } else {
    bool Ctrl = GetKeyState(VK_CONTROL) < 0, Alt = GetKeyState(VK_MENU) < 0;
    if (Ctrl && Alt) return TRUE;  // no AltGr characters on this layout
    C = KeyToChar(Key, GetKeyState(VK_SHIFT) < 0, (GetKeyState(VK_CAPITAL) & 1) != 0, Ctrl);
  }
  if (C == 0) return TRUE;
  PostMessage(Msg->hwnd, Sys ? WM_SYSCHAR : WM_CHAR, WPARAM(C), L);
  return TRUE;
}

Char KeyCharacter(Word Key, bool Shift, bool CapsLock, bool Ctrl, bool Alt) {
  if (Ctrl && Alt) return 0;  // no AltGr characters on this layout
  return KeyToChar(Key, Shift, CapsLock, Ctrl);
}

LRESULT DispatchMessage(const MSG* Msg) {
  if (!Msg) return 0;
  if (Msg->message == WM_TIMER && Msg->lParam) {
    auto Proc = reinterpret_cast<TIMERPROC>(Msg->lParam);
    Proc(Msg->hwnd, WM_TIMER, Msg->wParam, GetTickCount());
    return 0;
  }
  if (!Msg->hwnd) return 0;
  return CallProc(Msg->hwnd, Msg->message, Msg->wParam, Msg->lParam);
}

// [SECTION] The pump

void SetMessageFilter(std::function<bool(MSG&)> Filter) {
  State().MessageFilter = std::move(Filter);
}

bool ProcessMessage() {
  MSG M;
  if (!PeekMessage(&M, nullptr, 0, 0, PM_REMOVE)) return false;
  auto Filter = State().MessageFilter;  // a copy: the filter may replace itself
  try {
    if (M.message == WM_QUIT) {
      if (Filter) Filter(M);
      return true;
    }
    if (Filter && Filter(M)) return true;
    TranslateMessage(&M);
    DispatchMessage(&M);
  } catch (...) {
    // One handler for the whole program; the loop goes on with the next message.
    if (!ApplicationHandleException) throw;
    ApplicationHandleException(nullptr);
  }
  return true;
}

void ProcessMessages() {
  // A window that never validates what it owes would be painted forever; the
  // system would hang, a test should fail instead.
  constexpr Integer MaxMessages = 1000000;
  for (Integer N = 0; ProcessMessage(); ++N) {
    if (N >= MaxMessages)
      throw EInvalidOperation("ProcessMessages: the queue did not empty after " +
                              std::to_string(MaxMessages) +
                              " messages (a WM_PAINT handler that never validates?)");
  }
}

// [SECTION] Timers

namespace winimpl {

UINT_PTR SetInternalTimer(UINT Interval, std::function<void()> Callback) {
  TWinState& S = State();
  TTimerRec T;
  T.Id = ++S.NextTimerId;
  T.Interval = std::max(Interval, USER_TIMER_MINIMUM);
  T.Due = GetTickCount64() + T.Interval;
  T.Internal = std::move(Callback);
  S.Timers.push_back(std::move(T));
  return S.Timers.back().Id;
}

void KillInternalTimer(UINT_PTR Id) {
  auto& L = State().Timers;
  L.erase(std::remove_if(L.begin(), L.end(),
                         [Id](const TTimerRec& T) { return T.Internal && T.Id == Id; }),
          L.end());
}

void ResetTimers() {
  State().Timers.clear();
  State().NextTimerId = 0x7FFF;
}

}  // namespace winimpl

UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, TIMERPROC Proc) {
  TWinState& S = State();
  if (Wnd && !IsWindow(Wnd)) return 0;
  UINT Interval = std::clamp(Elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  if (!Wnd) {
    // Without a window the id is the system's; an existing one may be restarted.
    auto It = std::find_if(S.Timers.begin(), S.Timers.end(), [Id](const TTimerRec& T) {
      return !T.Wnd && !T.Internal && T.Id == Id;
    });
    if (Id == 0 || It == S.Timers.end()) Id = ++S.NextTimerId;
  }
  auto It = std::find_if(S.Timers.begin(), S.Timers.end(), [Wnd, Id](const TTimerRec& T) {
    return T.Wnd == Wnd && T.Id == Id && !T.Internal;
  });
  if (It == S.Timers.end()) {
    S.Timers.push_back({});
    It = S.Timers.end() - 1;
  }
  It->Wnd = Wnd;
  It->Id = Id;
  It->Interval = Interval;
  It->Proc = Proc;
  It->Due = GetTickCount64() + Interval;
  return Wnd ? (Id ? Id : 1) : Id;
}

BOOL KillTimer(HWND Wnd, UINT_PTR Id) {
  auto& L = State().Timers;
  auto It = std::find_if(L.begin(), L.end(), [Wnd, Id](const TTimerRec& T) {
    return T.Wnd == Wnd && T.Id == Id && !T.Internal;
  });
  if (It == L.end()) return FALSE;
  L.erase(It);
  return TRUE;
}

UInt64 NextTimerDue() {
  UInt64 Next = UINT64_MAX;
  for (const TTimerRec& T : State().Timers) Next = std::min(Next, T.Due);
  return Next;
}

void Advance(UInt64 Ms) {
  UInt64 Target = GetTickCount64() + Ms;
  ProcessMessages();
  for (;;) {
    UInt64 Next = Target + 1;
    for (const TTimerRec& T : State().Timers) Next = std::min(Next, T.Due);
    if (Next > Target) break;
    UInt64 Now = GetTickCount64();
    if (Next > Now) AdvanceTicks(Next - Now);
    ProcessMessages();
  }
  UInt64 Now = GetTickCount64();
  if (Target > Now) AdvanceTicks(Target - Now);
  ProcessMessages();
}

}  // namespace kvp
