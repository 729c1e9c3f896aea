// The X keyboard and mouse as the window system's input driver. A key goes
// in as its virtual key when the character the window system would make of
// it is the one the desktop's keyboard layout types (letters, digits, and
// every key pressed with Ctrl or Alt, so that shortcuts work on any layout);
// a character that the layout types and the US layout's key would not (é, ß,
// Cyrillic, a composed character) goes in as a packet that makes just that
// character. Buttons, moves and the wheel go in as screen points.

#include "platform/x11/X11Impl.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/XKBlib.h>
#include <X11/keysym.h>
// clang-format on

namespace kvp::x11impl {

namespace {

// The virtual key of a symbol that names a key rather than a character of a
// layout; 0 for the others.
Word VkOfSym(KeySym S) {
  if (S >= XK_a && S <= XK_z) return Word('A' + (S - XK_a));
  if (S >= XK_A && S <= XK_Z) return Word('A' + (S - XK_A));
  if (S >= XK_0 && S <= XK_9) return Word('0' + (S - XK_0));
  if (S >= XK_KP_0 && S <= XK_KP_9) return Word(VK_NUMPAD0 + (S - XK_KP_0));
  if (S >= XK_F1 && S <= XK_F24) return Word(VK_F1 + (S - XK_F1));
  struct TPair {
    KeySym Sym;
    Word Vk;
  };
  static const TPair Pairs[] = {
      {XK_BackSpace, VK_BACK},
      {XK_Tab, VK_TAB},
      {XK_ISO_Left_Tab, VK_TAB},
      {XK_Return, VK_RETURN},
      {XK_KP_Enter, VK_RETURN},
      {XK_Escape, VK_ESCAPE},
      {XK_space, VK_SPACE},
      {XK_KP_Space, VK_SPACE},
      {XK_Delete, VK_DELETE},
      {XK_KP_Delete, VK_DELETE},
      {XK_Insert, VK_INSERT},
      {XK_KP_Insert, VK_INSERT},
      {XK_Home, VK_HOME},
      {XK_KP_Home, VK_HOME},
      {XK_End, VK_END},
      {XK_KP_End, VK_END},
      {XK_Prior, VK_PRIOR},
      {XK_KP_Prior, VK_PRIOR},
      {XK_Next, VK_NEXT},
      {XK_KP_Next, VK_NEXT},
      {XK_Left, VK_LEFT},
      {XK_KP_Left, VK_LEFT},
      {XK_Up, VK_UP},
      {XK_KP_Up, VK_UP},
      {XK_Right, VK_RIGHT},
      {XK_KP_Right, VK_RIGHT},
      {XK_Down, VK_DOWN},
      {XK_KP_Down, VK_DOWN},
      {XK_KP_Begin, VK_CLEAR},
      {XK_Shift_L, VK_SHIFT},
      {XK_Shift_R, VK_SHIFT},
      {XK_Control_L, VK_CONTROL},
      {XK_Control_R, VK_CONTROL},
      {XK_Alt_L, VK_MENU},
      {XK_Alt_R, VK_MENU},
      {XK_Meta_L, VK_MENU},
      {XK_Meta_R, VK_MENU},
      {XK_Caps_Lock, VK_CAPITAL},
      {XK_Num_Lock, VK_NUMLOCK},
      {XK_Scroll_Lock, VK_SCROLL},
      {XK_Pause, VK_PAUSE},
      {XK_Print, VK_SNAPSHOT},
      {XK_Menu, VK_APPS},
      {XK_Super_L, VK_LWIN},
      {XK_Super_R, VK_RWIN},
      {XK_KP_Multiply, VK_MULTIPLY},
      {XK_KP_Add, VK_ADD},
      {XK_KP_Subtract, VK_SUBTRACT},
      {XK_KP_Divide, VK_DIVIDE},
      {XK_KP_Decimal, VK_DECIMAL},
      {XK_KP_Separator, VK_DECIMAL},
      {XK_semicolon, VK_OEM_1},
      {XK_equal, VK_OEM_PLUS},
      {XK_comma, VK_OEM_COMMA},
      {XK_minus, VK_OEM_MINUS},
      {XK_period, VK_OEM_PERIOD},
      {XK_slash, VK_OEM_2},
      {XK_grave, VK_OEM_3},
      {XK_bracketleft, VK_OEM_4},
      {XK_backslash, VK_OEM_5},
      {XK_bracketright, VK_OEM_6},
      {XK_apostrophe, VK_OEM_7},
  };
  for (const TPair& P : Pairs)
    if (P.Sym == S) return P.Vk;
  return 0;
}

// The virtual key of a key by its place, as the US layout names the places
// (X key codes are the kernel's key numbers plus 8).
Word VkOfPlace(unsigned KeyCode) {
  static const char Rows[][2] = {{2, '1'},  {3, '2'},  {4, '3'},  {5, '4'},  {6, '5'},  {7, '6'},
                                 {8, '7'},  {9, '8'},  {10, '9'}, {11, '0'}, {16, 'Q'}, {17, 'W'},
                                 {18, 'E'}, {19, 'R'}, {20, 'T'}, {21, 'Y'}, {22, 'U'}, {23, 'I'},
                                 {24, 'O'}, {25, 'P'}, {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'},
                                 {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'}, {38, 'L'}, {44, 'Z'},
                                 {45, 'X'}, {46, 'C'}, {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'}};
  struct TOem {
    unsigned Code;
    Word Vk;
  };
  static const TOem Oem[] = {{12, VK_OEM_MINUS},  {13, VK_OEM_PLUS}, {26, VK_OEM_4},
                             {27, VK_OEM_6},      {39, VK_OEM_1},    {40, VK_OEM_7},
                             {41, VK_OEM_3},      {43, VK_OEM_5},    {51, VK_OEM_COMMA},
                             {52, VK_OEM_PERIOD}, {53, VK_OEM_2}};
  if (KeyCode < 8) return 0;
  unsigned Code = KeyCode - 8;
  for (const auto& R : Rows)
    if (unsigned(R[0]) == Code) return Word(R[1]);
  for (const TOem& O : Oem)
    if (O.Code == Code) return O.Vk;
  return 0;
}

bool IsKeypadSym(KeySym S) { return S >= XK_KP_Space && S <= XK_KP_9; }

bool IsControlChar(Char C) { return C < 0x20 || C == 0x7F; }

// The characters of an X key event as UTF-8.
String TypedText(XIC Ic, XKeyEvent& E, KeySym& Sym) {
  char Small[64];
  if (Ic) {
    Status St = 0;
    int N = Xutf8LookupString(Ic, &E, Small, sizeof Small, &Sym, &St);
    if (St == XBufferOverflow) {
      std::vector<char> Big(std::size_t(N) + 1);
      N = Xutf8LookupString(Ic, &E, Big.data(), int(Big.size()), &Sym, &St);
      return (St == XLookupChars || St == XLookupBoth) ? String(Big.data(), std::size_t(N)) : "";
    }
    return (St == XLookupChars || St == XLookupBoth) ? String(Small, std::size_t(N)) : "";
  }
  // Without an input method the text is Latin-1.
  int N = XLookupString(&E, Small, sizeof Small, &Sym, nullptr);
  String Text;
  for (int I = 0; I < N; ++I) Text += Utf8Encode(Char(static_cast<unsigned char>(Small[I])));
  return Text;
}

}  // namespace

Word VirtualKeyOf(Display* Dpy, const XKeyEvent& E, KeySym Typed) {
  // Keypad keys as typed: Num Lock decides between digits and moves.
  if (IsKeypadSym(Typed)) {
    if (Word Vk = VkOfSym(Typed)) return Vk;
  }
  unsigned Group = (E.state >> 13) & 3;
  KeySym Base = XkbKeycodeToKeysym(Dpy, KeyCode(E.keycode), int(Group), 0);
  if (Word Vk = VkOfSym(Base)) return Vk;
  if (Word Vk = VkOfSym(Typed)) return Vk;
  return VkOfPlace(E.keycode);
}

void TX11State::SyncModifiers(unsigned XState) {
  struct TMod {
    unsigned Mask;
    Word Vk;
  };
  static const TMod Mods[] = {
      {ShiftMask, VK_SHIFT}, {ControlMask, VK_CONTROL}, {Mod1Mask, VK_MENU}};
  for (const TMod& M : Mods) {
    bool Down = (XState & M.Mask) != 0;
    if (Down == (GetAsyncKeyState(M.Vk) < 0)) continue;
    if (Down)
      Input.KeyDown(M.Vk);
    else
      Input.KeyUp(M.Vk);
  }
}

void TX11State::KeyEvent(XKeyEvent& E) {
  if (E.type == KeyRelease) {
    auto It = KeysDown.find(E.keycode);
    if (It == KeysDown.end()) return;  // typed as a packet, or pressed before we saw it
    Word Vk = It->second;
    KeysDown.erase(It);
    Input.KeyUp(Vk);
    return;
  }
  // [Phase 1] What the key is and what the layout types with it.
  SyncModifiers(E.state);
  TXWin* W = FindX(E.window);
  KeySym Sym = NoSymbol;
  String Text = TypedText(W ? W->Ic : nullptr, E, Sym);
  std::vector<Char> Chars;
  for (std::size_t Pos = 0; Pos < Text.size();) Chars.push_back(Utf8Decode(Text, Pos));
  Word Vk = VirtualKeyOf(Dpy, E, Sym);
  // [Phase 2] The key itself when the window system makes the same of it.
  bool Shift = GetAsyncKeyState(VK_SHIFT) < 0, Ctrl = GetAsyncKeyState(VK_CONTROL) < 0,
       Alt = GetAsyncKeyState(VK_MENU) < 0, Caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  if (Vk) {
    Char Made = KeyCharacter(Vk, Shift, Caps, Ctrl, Alt);
    bool Same =
        Chars.empty() || (Chars.size() == 1 && (Chars[0] == Made || IsControlChar(Chars[0])));
    if (Ctrl || Alt || Same) {
      KeysDown[E.keycode] = Vk;
      Input.KeyDown(Vk);
      return;
    }
  }
  // [Phase 3] Otherwise the characters the layout types.
  for (Char C : Chars)
    if (!IsControlChar(C)) Input.TypePacket(C);
}

void TX11State::ButtonEvent(XButtonEvent& E, TXWin& W) {
  SyncModifiers(E.state);
  TRect R;
  GetWindowRect(W.Wnd, &R);
  TPoint P = Point(R.Left + E.x, R.Top + E.y);
  bool Press = E.type == ButtonPress;
  switch (E.button) {
    case Button1:
    case Button2:
    case Button3: {
      TMouseButton B = E.button == Button1 ? mbLeft : E.button == Button2 ? mbMiddle : mbRight;
      if (Press)
        Input.ButtonDownAt(B, P);
      else
        Input.ButtonUpAt(B, P);
      break;
    }
    case Button4:
    case Button5:
      // One notch of the wheel is a press and a release; the press counts.
      if (Press) Input.WheelAt(P, E.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA);
      break;
    default:
      break;
  }
}

void TX11State::MotionTo(TXWin& W, int X, int Y, unsigned XState) {
  SyncModifiers(XState);
  TRect R;
  GetWindowRect(W.Wnd, &R);
  Input.MouseMoveAt(Point(R.Left + X, R.Top + Y));
}

}  // namespace kvp::x11impl
