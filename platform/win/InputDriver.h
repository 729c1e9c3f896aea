// The input driver: the user's hands. Key presses, typed text, mouse moves,
// presses, releases, clicks, double clicks, drags and the wheel go into the
// window system's input queue here, and nowhere else: the system turns them
// into messages as the pump takes them (hit testing, capture, focus, mouse
// activation, the key-state table, double clicks on the virtual clock), so
// tests see exactly the messages a user would cause. After each event the
// driver pumps the queue through the application's filter step, as the
// application's loop would. A backend on a real desktop feeds the same calls
// with screen points and turns automatic pumping off.
#pragma once

#include "platform/classes/ShortCuts.h"
#include "platform/win/Messages.h"

namespace kvp {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// TInputDriver: every call puts events in the input queue and, with automatic
// pumping on (the default), handles all messages that result before returning.
// Points are client points of the given window (they may lie outside its
// client area, e.g. on a scroll bar); the ...At calls take screen points.
class TInputDriver {
 public:
  // ---- Keys ----
  void KeyDown(Word Key);
  void KeyUp(Word Key);
  // The modifiers of Shift go down first (Shift, Ctrl, Alt) and up last.
  void KeyPress(Word Key, TShiftState Shift = {});
  // Each character as the keys that type it on the US layout (with Shift as
  // needed); a character no key types comes as a packet that makes just it.
  void Type(const String& Text);
  // C as the system's packet key (down and up) makes it, whatever key would
  // type it: the entry for a real keyboard whose layout types characters
  // that the US layout's keys would not.
  void TypePacket(Char C);

  // ---- The mouse ----
  // Moving to the point where the cursor already is makes nothing.
  void MouseMove(HWND Wnd, TPoint Pt);
  void MouseDown(TMouseButton Button, HWND Wnd, TPoint Pt, TShiftState Shift = {});
  void MouseUp(TMouseButton Button, HWND Wnd, TPoint Pt, TShiftState Shift = {});
  void Click(HWND Wnd, TPoint Pt, TMouseButton Button = mbLeft, TShiftState Shift = {});
  void DoubleClick(HWND Wnd, TPoint Pt, TMouseButton Button = mbLeft, TShiftState Shift = {});
  // Press at From, move to To in Steps even steps, release at To.
  void Drag(HWND Wnd, TPoint From, TPoint To, Integer Steps = 4, TMouseButton Button = mbLeft);
  // The wheel turned with the cursor over Pt of Wnd (the message goes to the
  // focus window). A positive Delta turns away from the user.
  void Wheel(HWND Wnd, Integer Delta, TPoint Pt = {0, 0});

  // ---- Screen points: the entry for a real backend ----
  void MouseMoveAt(TPoint ScreenPt);
  void ButtonDownAt(TMouseButton Button, TPoint ScreenPt);
  void ButtonUpAt(TMouseButton Button, TPoint ScreenPt);
  void WheelAt(TPoint ScreenPt, Integer Delta);

  bool GetAutoPump() const { return FAutoPump; }
  void SetAutoPump(bool Value) { FAutoPump = Value; }

 private:
  void Post(Integer Kind, Word Key, bool Down, TPoint Pt, Integer Delta, Char Character);
  void Pump();
  void PressModifiers(TShiftState Shift, bool Down);
  void TypeChar(Char C);
  bool FAutoPump = true;
};

// The driver of the program's input.
extern TInputDriver Input;

}  // namespace kvp
