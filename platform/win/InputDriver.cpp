// The input driver: events into the input queue, then a pump.
#include "platform/win/InputDriver.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

TInputDriver Input;

namespace {

Word ButtonKey(TMouseButton B) {
  return B == mbLeft ? VK_LBUTTON : B == mbRight ? VK_RBUTTON : VK_MBUTTON;
}

void SetAsync(Word Key, bool Down) {
  Byte& K = State().AsyncKeys[Key & 0xFF];
  if (Down && !(K & 0x80)) K ^= 0x01;
  K = Down ? Byte(K | 0x80) : Byte(K & ~0x80);
}

bool AsyncDown(Word Key) { return (State().AsyncKeys[Key] & 0x80) != 0; }

WPARAM MouseKeyFlags() {
  WPARAM F = 0;
  if (AsyncDown(VK_LBUTTON)) F |= MK_LBUTTON;
  if (AsyncDown(VK_RBUTTON)) F |= MK_RBUTTON;
  if (AsyncDown(VK_MBUTTON)) F |= MK_MBUTTON;
  if (AsyncDown(VK_SHIFT)) F |= MK_SHIFT;
  if (AsyncDown(VK_CONTROL)) F |= MK_CONTROL;
  return F;
}

TPoint ToScreen(HWND Wnd, TPoint Pt) {
  ClientToScreen(Wnd, &Pt);
  return Pt;
}

// The key and shift that type C on the US layout; false when no key does.
bool KeyForChar(Char C, Word& Key, bool& Shift) {
  Shift = false;
  if (C >= 'a' && C <= 'z') {
    Key = Word(C - 'a' + 'A');
  } else if (C >= 'A' && C <= 'Z') {
    Key = Word(C);
    Shift = true;
  } else if (C == ' ') {
    Key = VK_SPACE;
  } else if (C == '\r' || C == '\n') {
    Key = VK_RETURN;
  } else if (C == '\t') {
    Key = VK_TAB;
  } else if (C == 8) {
    Key = VK_BACK;
  } else if (C == 27) {
    Key = VK_ESCAPE;
  } else {
    // Digits and punctuation: whichever key gives C plain or shifted.
    static const Word Keys[] = {
        '0',           '1',      '2',      '3',      '4',         '5',          '6',
        '7',           '8',      '9',      VK_OEM_1, VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_MINUS,
        VK_OEM_PERIOD, VK_OEM_2, VK_OEM_3, VK_OEM_4, VK_OEM_5,    VK_OEM_6,     VK_OEM_7};
    for (Word K : Keys) {
      for (bool S : {false, true}) {
        if (KeyToChar(K, S, false, false) == C) {
          Key = K;
          Shift = S;
          return true;
        }
      }
    }
    return false;
  }
  return true;
}

}  // namespace

void TInputDriver::Post(Integer Kind, Word Key, bool Down, TPoint Pt, Integer Delta,
                        Char Character) {
  TWinState& S = State();
  TInputEvent E;
  E.Kind = TInputKind(Kind);
  E.Key = Key;
  E.Down = Down;
  E.Pt = Pt;
  E.Delta = Delta;
  E.Character = Character;
  E.Time = GetTickCount();
  if (E.Kind == TInputKind::Key) {
    if (Key == VK_MENU && Down)
      S.AltAlone = true;
    else if (Down)
      S.AltAlone = false;
    if (Key == VK_MENU && !Down) E.AltReleasedAlone = S.AltAlone;
    SetAsync(Key, Down);
  } else if (E.Kind == TInputKind::MouseDown || E.Kind == TInputKind::MouseUp) {
    SetAsync(Key, Down);
  }
  E.KeyFlags = MouseKeyFlags();
  S.Input.push_back(E);
  Pump();
}

void TInputDriver::Pump() {
  if (FAutoPump) ProcessMessages();
}

// ---- Keys ----

void TInputDriver::KeyDown(Word Key) {
  Post(Integer(TInputKind::Key), Key, true, State().CursorPos, 0, 0);
}

void TInputDriver::KeyUp(Word Key) {
  Post(Integer(TInputKind::Key), Key, false, State().CursorPos, 0, 0);
}

void TInputDriver::PressModifiers(TShiftState Shift, bool Down) {
  static const std::pair<TShiftStateItem, Word> Order[] = {
      {ssShift, VK_SHIFT}, {ssCtrl, VK_CONTROL}, {ssAlt, VK_MENU}};
  if (Down) {
    for (auto [Item, Key] : Order)
      if (Shift.Contains(Item)) KeyDown(Key);
  } else {
    for (int I = 2; I >= 0; --I)
      if (Shift.Contains(Order[I].first)) KeyUp(Order[I].second);
  }
}

void TInputDriver::KeyPress(Word Key, TShiftState Shift) {
  PressModifiers(Shift, true);
  KeyDown(Key);
  KeyUp(Key);
  PressModifiers(Shift, false);
}

void TInputDriver::TypePacket(Char C) {
  Post(Integer(TInputKind::Key), VK_PACKET_KEY, true, State().CursorPos, 0, C);
  Post(Integer(TInputKind::Key), VK_PACKET_KEY, false, State().CursorPos, 0, C);
}

void TInputDriver::TypeChar(Char C) {
  Word Key = 0;
  bool Shift = false;
  if (!KeyForChar(C, Key, Shift)) {
    TypePacket(C);
    return;
  }
  // Caps Lock turns the case of letters; Shift turns it back.
  if (Key >= 'A' && Key <= 'Z' && (State().AsyncKeys[VK_CAPITAL] & 0x01)) Shift = !Shift;
  bool Held = AsyncDown(VK_SHIFT);
  if (Shift && !Held) KeyDown(VK_SHIFT);
  if (!Shift && Held) KeyUp(VK_SHIFT);
  KeyDown(Key);
  KeyUp(Key);
  if (Shift && !Held) KeyUp(VK_SHIFT);
  if (!Shift && Held) KeyDown(VK_SHIFT);
}

void TInputDriver::Type(const String& Text) {
  std::size_t Pos = 0;
  while (Pos < Text.size()) TypeChar(Utf8Decode(Text, Pos));
}

// ---- The mouse ----

void TInputDriver::MouseMoveAt(TPoint ScreenPt) {
  TWinState& S = State();
  if (ScreenPt == S.CursorPos) return;
  S.CursorPos = ScreenPt;
  Post(Integer(TInputKind::MouseMove), 0, false, ScreenPt, 0, 0);
}

void TInputDriver::ButtonDownAt(TMouseButton Button, TPoint ScreenPt) {
  MouseMoveAt(ScreenPt);
  Post(Integer(TInputKind::MouseDown), ButtonKey(Button), true, ScreenPt, 0, 0);
}

void TInputDriver::ButtonUpAt(TMouseButton Button, TPoint ScreenPt) {
  MouseMoveAt(ScreenPt);
  Post(Integer(TInputKind::MouseUp), ButtonKey(Button), false, ScreenPt, 0, 0);
}

void TInputDriver::WheelAt(TPoint ScreenPt, Integer Delta) {
  MouseMoveAt(ScreenPt);
  Post(Integer(TInputKind::Wheel), 0, false, ScreenPt, Delta, 0);
}

void TInputDriver::MouseMove(HWND Wnd, TPoint Pt) { MouseMoveAt(ToScreen(Wnd, Pt)); }

void TInputDriver::MouseDown(TMouseButton Button, HWND Wnd, TPoint Pt, TShiftState Shift) {
  PressModifiers(Shift, true);
  ButtonDownAt(Button, ToScreen(Wnd, Pt));
}

void TInputDriver::MouseUp(TMouseButton Button, HWND Wnd, TPoint Pt, TShiftState Shift) {
  ButtonUpAt(Button, ToScreen(Wnd, Pt));
  PressModifiers(Shift, false);
}

void TInputDriver::Click(HWND Wnd, TPoint Pt, TMouseButton Button, TShiftState Shift) {
  TPoint Screen = ToScreen(Wnd, Pt);
  PressModifiers(Shift, true);
  ButtonDownAt(Button, Screen);
  ButtonUpAt(Button, Screen);
  PressModifiers(Shift, false);
}

void TInputDriver::DoubleClick(HWND Wnd, TPoint Pt, TMouseButton Button, TShiftState Shift) {
  TPoint Screen = ToScreen(Wnd, Pt);
  PressModifiers(Shift, true);
  for (int I = 0; I < 2; ++I) {
    ButtonDownAt(Button, Screen);
    ButtonUpAt(Button, Screen);
  }
  PressModifiers(Shift, false);
}

void TInputDriver::Drag(HWND Wnd, TPoint From, TPoint To, Integer Steps, TMouseButton Button) {
  // The points are taken once: the drag may move or scroll the window.
  TPoint A = ToScreen(Wnd, From), B = ToScreen(Wnd, To);
  ButtonDownAt(Button, A);
  Steps = std::max<Integer>(Steps, 1);
  for (Integer I = 1; I <= Steps; ++I)
    MouseMoveAt(Point(A.X + (B.X - A.X) * I / Steps, A.Y + (B.Y - A.Y) * I / Steps));
  ButtonUpAt(Button, B);
}

void TInputDriver::Wheel(HWND Wnd, Integer Delta, TPoint Pt) { WheelAt(ToScreen(Wnd, Pt), Delta); }

}  // namespace kvp
