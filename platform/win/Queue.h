// The message queue and the window timers. Posted messages come first, then
// the user's input (the input driver's events, whose target is found when they
// are taken), then WM_QUIT, then WM_PAINT and WM_TIMER, which are made only when
// nothing else waits. Nothing ever blocks: time moves only through Advance (or
// AdvanceTicks of the clock), and Advance delivers every timer tick that falls
// inside the interval, in order, pumping the messages each one causes.
#pragma once

#include <functional>

#include "platform/win/Messages.h"

namespace kvp {

BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
BOOL PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM W, LPARAM L);
void PostQuitMessage(Integer ExitCode);
// Wnd filters to that window and its children; (HWND)-1 to thread messages.
// Min = Max = 0 takes every message. A pending WM_QUIT is answered whatever
// the filters, once no posted message or input matches them.
BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT Min, UINT Max, UINT RemoveFlags);
// Answers 0 for WM_QUIT and -1 when nothing is queued or due: the headless
// queue never waits, so a loop must stop there (or Advance the clock).
BOOL GetMessage(MSG* Msg, HWND Wnd, UINT Min, UINT Max);
// WM_KEYDOWN posts the WM_CHAR of the US keyboard layout (Shift, Caps Lock,
// Ctrl); WM_SYSKEYDOWN posts WM_SYSCHAR. Answers whether it was a key message.
BOOL TranslateMessage(const MSG* Msg);
// A WM_TIMER with a timer procedure in lParam calls it; otherwise the window
// procedure is called.
LRESULT DispatchMessage(const MSG* Msg);
// The character TranslateMessage makes of a press of Key in the keyboard
// state given (the US layout); 0 when it makes none.
Char KeyCharacter(Word Key, bool Shift, bool CapsLock, bool Ctrl, bool Alt);
LONG GetMessageTime();  // the time of the last message taken from the queue
DWORD GetMessagePos();  // its cursor position, x low and y high
DWORD GetQueueStatus(UINT Flags);
BOOL GetInputState();
BOOL WaitMessage();  // answers at once: the queue never waits

// The application's step for each message taken from the queue, before
// TranslateMessage and DispatchMessage (shortcuts, dialog keys): answering
// true means the message was handled and goes no further. Null removes it.
void SetMessageFilter(std::function<bool(MSG&)> Filter);
// Takes one message and handles it (filter, translate, dispatch); answers
// false when the queue had nothing. WM_QUIT is handed to the filter only. An
// exception escaping the filter or a window procedure goes to
// ApplicationHandleException (Timer.h), and pumping goes on; with no handler
// set it reaches the caller.
bool ProcessMessage();
// Pumps until nothing is queued, nothing is due and nothing needs painting.
void ProcessMessages();

// ---- Timers on the virtual clock --------------------------------------------------
// An interval below USER_TIMER_MINIMUM is raised to it. An existing id of the
// window is restarted with the new interval. Without a window a new id is
// made and answered.
UINT_PTR SetTimer(HWND Wnd, UINT_PTR Id, UINT Elapse, TIMERPROC Proc);
BOOL KillTimer(HWND Wnd, UINT_PTR Id);
// Moves time forward by Ms: to each moment a timer is due, in order, letting
// its WM_TIMER through the pump at that moment, then to the end.
void Advance(UInt64 Ms);
// The tick (GetTickCount64) at which the next timer falls due, the system's
// own included; UINT64_MAX when there is none. A backend on real time sleeps
// until then.
UInt64 NextTimerDue();

}  // namespace kvp
