// The input driver: the message sequences a user's mouse and keyboard cause,
// the key-state table, double clicks on the virtual clock, mouse activation,
// capture and the wheel.
//
// Ideas for tests:
// - a WM_MOUSEACTIVATE handler that destroys the clicked window;
// - HTTRANSPARENT answered by a whole top-level window (the one below takes the click);
// - a key pressed with no focus and no active window (dropped);
// - a double click whose second press lands on another window.
#include <tuple>

#include "WinTestUtil.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp::test {
namespace {

using InputTest = WinTest;

constexpr std::initializer_list<UINT> MouseSeq = {
    WM_NCHITTEST,     WM_SETCURSOR,     WM_MOUSEACTIVATE, WM_MOUSEMOVE, WM_LBUTTONDOWN,
    WM_LBUTTONUP,     WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,   WM_RBUTTONUP, WM_CONTEXTMENU,
    WM_NCLBUTTONDOWN, WM_MOUSEWHEEL,    WM_CAPTURECHANGED};

TEST_F(InputTest, MoveAndClickGoThroughHitTestAndCursor) {
  HWND Top = MakeTop(Rect(100, 100, 300, 300));
  HWND Child = MakeChild(Top, Rect(10, 10, 110, 60));
  Input.MouseMove(Child, Point(5, 5));
  Rec().Clear();
  Input.Click(Child, Point(5, 5));
  std::vector<UINT> Expected = {WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN,
                                WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONUP};
  EXPECT_EQ(Rec().Of(Child, MouseSeq), Expected);
  TRecorded Down = Rec().Last(Child, WM_LBUTTONDOWN);
  EXPECT_EQ(Down.W, MK_LBUTTON);
  EXPECT_EQ(Down.L, MAKELPARAM(5, 5));
  EXPECT_EQ(Rec().Last(Child, WM_LBUTTONUP).W, WPARAM(0));
  TRecorded Hit = Rec().Last(Child, WM_NCHITTEST);
  EXPECT_EQ(Hit.L, MAKELPARAM(115, 115)) << "hit testing is in screen coordinates";
  TRecorded Cursor = Rec().Last(Child, WM_SETCURSOR);
  EXPECT_EQ(reinterpret_cast<HWND>(Cursor.W), Child);
  EXPECT_EQ(Cursor.L, MAKELPARAM(HTCLIENT, WM_LBUTTONUP));
  EXPECT_EQ(Rec().Last(Top, WM_SETCURSOR).W, reinterpret_cast<WPARAM>(Child))
      << "the default asks the parent first";
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(GetMessageTime(), LONG(GetTickCount()));

  Rec().Clear();
  Input.MouseMove(Child, Point(5, 5));
  EXPECT_TRUE(Rec().Log.empty()) << "no move without a change of position";
  Input.MouseMove(Child, Point(6, 5));
  EXPECT_EQ(Rec().Of(Child, MouseSeq),
            (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}));
}

TEST_F(InputTest, AParentThatAnswersForItsChildDecidesTheCursorAndTheActivation) {
  HWND One = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(One, Rect(0, 0, 50, 50));
  HWND Two = MakeTop(Rect(200, 0, 300, 100));
  ASSERT_EQ(GetActiveWindow(), Two);
  HCURSOR Wait = LoadCursor(nullptr, IDC_WAIT);
  SetCursor(Wait);
  // The parent answers both questions for the child: the child's default
  // sets no cursor of its own, and the window is not activated.
  Rec().Answer = [One](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W == One && Msg == WM_SETCURSOR) return TRUE;
    if (W == One && Msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return std::nullopt;
  };
  Input.Click(Child, Point(5, 5));
  EXPECT_EQ(GetCursor(), Wait);
  EXPECT_EQ(GetActiveWindow(), Two);
  EXPECT_EQ(Rec().Count(Child, WM_LBUTTONDOWN), 1);
  // Without the answers, the child's class cursor and the activation.
  Rec().Answer = nullptr;
  Input.Click(Child, Point(6, 5));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(GetActiveWindow(), One);
}

TEST_F(InputTest, MouseMessagesCarryTheButtonsAndKeysHeld) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  Input.MouseMove(Top, Point(5, 5));
  Input.KeyDown(VK_SHIFT);
  Input.KeyDown(VK_CONTROL);
  Rec().Clear();
  Input.MouseDown(mbRight, Top, Point(5, 5));
  EXPECT_EQ(Rec().Last(Top, WM_RBUTTONDOWN).W, WPARAM(MK_RBUTTON | MK_SHIFT | MK_CONTROL));
  Input.MouseDown(mbLeft, Top, Point(5, 5));
  EXPECT_EQ(Rec().Last(Top, WM_LBUTTONDOWN).W,
            WPARAM(MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL));
  Input.KeyUp(VK_CONTROL);
  Input.MouseMove(Top, Point(6, 5));
  EXPECT_EQ(Rec().Last(Top, WM_MOUSEMOVE).W, WPARAM(MK_LBUTTON | MK_RBUTTON | MK_SHIFT));
  Input.MouseUp(mbRight, Top, Point(6, 5));
  EXPECT_EQ(Rec().Last(Top, WM_RBUTTONUP).W, WPARAM(MK_LBUTTON | MK_SHIFT)) << "the button let go is not held";
  Input.MouseUp(mbLeft, Top, Point(6, 5));
  Input.KeyUp(VK_SHIFT);
  Input.MouseDown(mbMiddle, Top, Point(6, 5));
  EXPECT_EQ(Rec().Last(Top, WM_MBUTTONDOWN).W, WPARAM(MK_MBUTTON));
  Input.MouseUp(mbMiddle, Top, Point(6, 5));
}

TEST_F(InputTest, PressOnAnInactiveWindowAsksMouseActivateFirst) {
  HWND One = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(One, Rect(0, 0, 50, 50));
  HWND Two = MakeTop(Rect(200, 0, 300, 100));
  ASSERT_EQ(GetActiveWindow(), Two);
  Input.MouseMove(Child, Point(5, 5));
  Rec().Clear();
  Input.MouseDown(mbLeft, Child, Point(5, 5));
  EXPECT_EQ(Rec().Of(Child, {WM_NCHITTEST, WM_MOUSEACTIVATE, WM_SETCURSOR, WM_LBUTTONDOWN}),
            (std::vector<UINT>{WM_NCHITTEST, WM_MOUSEACTIVATE, WM_SETCURSOR, WM_LBUTTONDOWN}));
  TRecorded Ask = Rec().Last(Child, WM_MOUSEACTIVATE);
  EXPECT_EQ(reinterpret_cast<HWND>(Ask.W), One);
  EXPECT_EQ(Ask.L, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  EXPECT_EQ(Rec().Count(One, WM_MOUSEACTIVATE), 1) << "the child's default asks its parent";
  EXPECT_EQ(GetActiveWindow(), One);
  EXPECT_EQ(LOWORD(Rec().Last(One, WM_ACTIVATE).W), WA_CLICKACTIVE);
  EXPECT_EQ(GetFocus(), One) << "activation focuses the window, not the clicked child";
  Input.MouseUp(mbLeft, Child, Point(5, 5));
  Rec().Clear();
  Input.Click(Child, Point(6, 5));
  EXPECT_EQ(Rec().Count(Child, WM_MOUSEACTIVATE), 0) << "only for an inactive window";
}

struct TActivateCase {
  LRESULT Answer;
  bool Activates;
  bool Delivers;
};

TEST_F(InputTest, MouseActivateAnswersDecideActivationAndDelivery) {
  const TActivateCase Cases[] = {{MA_ACTIVATE, true, true},
                                 {MA_ACTIVATEANDEAT, true, false},
                                 {MA_NOACTIVATE, false, true},
                                 {MA_NOACTIVATEANDEAT, false, false}};
  for (const TActivateCase& C : Cases) {
    SCOPED_TRACE(C.Answer);
    HWND Main = MakeTop(Rect(0, 0, 100, 100));
    HWND Popup = MakeTop(Rect(200, 0, 300, 100), WS_POPUP | WS_VISIBLE, 0);
    SetActiveWindow(Main);
    SetFocus(Main);
    Rec().Answer = [&C, Popup](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (Wnd == Popup && Msg == WM_MOUSEACTIVATE) return C.Answer;
      return std::nullopt;
    };
    Rec().Clear();
    Input.Click(Popup, Point(5, 5));
    EXPECT_EQ(GetActiveWindow() == Popup, C.Activates);
    EXPECT_EQ(GetFocus() == Main, !C.Activates) << "the focus stays where it was";
    EXPECT_EQ(Rec().Count(Popup, WM_LBUTTONDOWN), C.Delivers ? 1 : 0);
    EXPECT_EQ(Rec().Count(Popup, WM_LBUTTONUP), 1) << "the release is never eaten";
    Rec().Answer = nullptr;
    DestroyWindow(Popup);
    DestroyWindow(Main);
  }
  HWND Main = MakeTop(Rect(0, 0, 100, 100));
  HWND NoActivate = MakeTop(Rect(200, 0, 300, 100), WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE);
  SetActiveWindow(Main);
  Input.Click(NoActivate, Point(5, 5));
  EXPECT_EQ(GetActiveWindow(), Main) << "WS_EX_NOACTIVATE windows never take the activation";
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTimeAndPlace) {
  HWND Top = MakeTop(Rect(0, 0, 200, 100));
  HWND Dbl = MakeChild(Top, Rect(0, 0, 100, 100));
  HWND Plain = MakeChild(Top, Rect(100, 0, 200, 100), WS_CHILD | WS_VISIBLE, 0, "RecNoDbl");
  auto Clicks = [this](HWND H) {
    return Rec().Of(H, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
  };
  Rec().Clear();
  Input.DoubleClick(Dbl, Point(10, 10));
  Input.Click(Dbl, Point(10, 10));
  EXPECT_EQ(Clicks(Dbl), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                            WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}))
      << "a third quick click starts a new pair";
  Rec().Clear();
  Input.DoubleClick(Plain, Point(10, 10));
  EXPECT_EQ(Clicks(Plain),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  // Too slow, or too far apart.
  struct TCase {
    UInt64 Wait;
    Integer DX;
    bool Double;
  };
  for (TCase C : {TCase{499, 2, true}, TCase{500, 0, false}, TCase{0, 3, false}}) {
    SCOPED_TRACE(testing::Message() << C.Wait << " ms, " << C.DX << " px");
    AdvanceTicks(1000);
    Input.Click(Dbl, Point(40, 40));
    AdvanceTicks(C.Wait);
    Rec().Clear();
    Input.MouseDown(mbLeft, Dbl, Point(40 + C.DX, 40));
    Input.MouseUp(mbLeft, Dbl, Point(40 + C.DX, 40));
    EXPECT_EQ(Rec().Count(Dbl, WM_LBUTTONDBLCLK), C.Double ? 1 : 0);
  }
}

TEST_F(InputTest, CaptureTakesEveryMouseMessageWithoutHitTesting) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND A = MakeChild(Top, Rect(10, 10, 60, 60));
  HWND B = MakeChild(Top, Rect(100, 100, 150, 150));
  Input.MouseMove(A, Point(1, 1));
  SetCapture(A);
  Rec().Clear();
  Input.MouseMove(B, Point(5, 5));
  Input.MouseDown(mbLeft, B, Point(5, 5));
  EXPECT_EQ(Rec().Of(nullptr, {WM_NCHITTEST, WM_SETCURSOR}), std::vector<UINT>{});
  EXPECT_EQ(Rec().Count(B, WM_MOUSEMOVE), 0);
  EXPECT_EQ(Rec().Last(A, WM_MOUSEMOVE).L, MAKELPARAM(95, 95))
      << "in the capture window's client coordinates";
  Input.MouseUp(mbLeft, A, Point(-30, 5));
  EXPECT_EQ(GetCapture(), A) << "the system does not release it on button-up";
  EXPECT_EQ(GET_X_LPARAM(Rec().Last(A, WM_LBUTTONUP).L), -30) << "coordinates may be negative";
}

TEST_F(InputTest, WithTheCaptureHeldAPressActivatesNothing) {
  HWND One = MakeTop(Rect(0, 0, 100, 100));
  HWND Two = MakeTop(Rect(200, 0, 300, 100));
  SetActiveWindow(One);
  SetCapture(Two);  // held by a window that is not active
  Rec().Clear();
  Input.MouseDown(mbLeft, One, Point(5, 5));
  EXPECT_EQ(GetActiveWindow(), One);
  EXPECT_EQ(Rec().Count(Two, WM_MOUSEACTIVATE), 0);
  EXPECT_EQ(Rec().Count(One, WM_MOUSEACTIVATE), 0);
  EXPECT_EQ(Rec().Count(Two, WM_LBUTTONDOWN), 1) << "the press goes to the capture";
  Input.MouseUp(mbLeft, One, Point(5, 5));
  ReleaseCapture();
}

TEST_F(InputTest, RightClickBringsTheContextMenuThroughTheParents) {
  HWND Top = MakeTop(Rect(50, 50, 250, 250));
  HWND Child = MakeChild(Top, Rect(10, 10, 60, 60));
  Rec().Clear();
  Input.Click(Child, Point(5, 6), mbRight);
  EXPECT_EQ(Rec().Of(Child, {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}),
            (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));
  TRecorded Menu = Rec().Last(Top, WM_CONTEXTMENU);
  EXPECT_EQ(reinterpret_cast<HWND>(Menu.W), Child);
  EXPECT_EQ(Menu.L, MAKELPARAM(65, 66));
}

TEST_F(InputTest, WheelGoesToTheFocusWindowWithScreenPoint) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND Focused = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND Under = MakeChild(Top, Rect(100, 100, 200, 200));
  SetFocus(Focused);
  Input.MouseMove(Under, Point(5, 5));
  Rec().Clear();
  Input.KeyDown(VK_CONTROL);
  Input.Wheel(Under, -120, Point(5, 5));
  Input.KeyUp(VK_CONTROL);
  TRecorded W = Rec().Last(Focused, WM_MOUSEWHEEL);
  EXPECT_EQ(std::int16_t(HIWORD(W.W)), -120);
  EXPECT_EQ(LOWORD(W.W), MK_CONTROL);
  EXPECT_EQ(W.L, MAKELPARAM(105, 105));
  EXPECT_EQ(Rec().Count(Under, WM_MOUSEWHEEL), 0);
  EXPECT_EQ(Rec().Count(Top, WM_MOUSEWHEEL), 1) << "the default passes it to the parent";
  EXPECT_EQ(Rec().Of(nullptr, {WM_NCHITTEST}), std::vector<UINT>{});
}

struct TKeyCase {
  const char* Name;
  std::function<void()> Press;
  std::vector<std::pair<UINT, WPARAM>> Messages;
};

TEST_F(InputTest, KeySequencesAndTheirCharacters) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  const UINT Down = WM_KEYDOWN, Up = WM_KEYUP, Ch = WM_CHAR;
  const TKeyCase Cases[] = {
      {"a", [] { Input.KeyPress('A'); }, {{Down, 'A'}, {Ch, 'a'}, {Up, 'A'}}},
      {"Shift+a",
       [] { Input.KeyPress('A', {ssShift}); },
       {{Down, VK_SHIFT}, {Down, 'A'}, {Ch, 'A'}, {Up, 'A'}, {Up, VK_SHIFT}}},
      {"Ctrl+c",
       [] { Input.KeyPress('C', {ssCtrl}); },
       {{Down, VK_CONTROL}, {Down, 'C'}, {Ch, 3}, {Up, 'C'}, {Up, VK_CONTROL}}},
      {"Ctrl+Enter",
       [] { Input.KeyPress(VK_RETURN, {ssCtrl}); },
       {{Down, VK_CONTROL}, {Down, VK_RETURN}, {Ch, 10}, {Up, VK_RETURN}, {Up, VK_CONTROL}}},
      {"Ctrl+Backspace",
       [] { Input.KeyPress(VK_BACK, {ssCtrl}); },
       {{Down, VK_CONTROL}, {Down, VK_BACK}, {Ch, 127}, {Up, VK_BACK}, {Up, VK_CONTROL}}},
      {"Delete", [] { Input.KeyPress(VK_DELETE); }, {{Down, VK_DELETE}, {Up, VK_DELETE}}},
      {"Alt+a",
       [] { Input.KeyPress('A', {ssAlt}); },
       {{WM_SYSKEYDOWN, VK_MENU},
        {WM_SYSKEYDOWN, 'A'},
        {WM_SYSCHAR, 'a'},
        {WM_SYSKEYUP, 'A'},
        {Up, VK_MENU}}},
      {"Alt alone",
       [] { Input.KeyPress(VK_MENU); },
       {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYUP, VK_MENU}}},
      {"Ctrl+Alt+a",
       [] {
         Input.KeyPress('A', {ssCtrl, ssAlt});
       },
       {{Down, VK_CONTROL},
        {Down, VK_MENU},
        {Down, 'A'},
        {Up, 'A'},
        {Up, VK_MENU},
        {Up, VK_CONTROL}}},
      {"F10", [] { Input.KeyPress(VK_F10); }, {{WM_SYSKEYDOWN, VK_F10}, {WM_SYSKEYUP, VK_F10}}},
      {"Type",
       [] { Input.Type("a?é"); },
       {{Down, 'A'},
        {Ch, 'a'},
        {Up, 'A'},
        {Down, VK_SHIFT},
        {Down, VK_OEM_2},
        {Ch, '?'},
        {Up, VK_OEM_2},
        {Up, VK_SHIFT},
        {Down, 0xE7},
        {Ch, 0xE9},
        {Up, 0xE7}}},
  };
  for (const TKeyCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Rec().Clear();
    C.Press();
    std::vector<std::pair<UINT, WPARAM>> Seen;
    for (const TRecorded& R : Rec().Log)
      if (R.Wnd == Top && R.Msg >= WM_KEYFIRST && R.Msg <= WM_KEYLAST) Seen.push_back({R.Msg, R.W});
    EXPECT_EQ(Seen, C.Messages);
  }
}

TEST_F(InputTest, SpecialKeysTypeTheirControlCharactersAndTheKeypadItsDigits) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  struct {
    Word Key;
    TShiftState Shift;
    WPARAM Char;  // 0: no WM_CHAR
  } Cases[] = {
      {VK_ESCAPE, {}, 27},         {VK_RETURN, {}, 13},       {VK_RETURN, {ssCtrl}, 10},
      {VK_TAB, {}, 9},             {VK_BACK, {}, 8},          {VK_BACK, {ssCtrl}, 127},
      {VK_SPACE, {}, ' '},         {VK_NUMPAD0, {}, '0'},     {VK_NUMPAD9, {}, '9'},
      {VK_NUMPAD5, {ssCtrl}, 0},   {VK_MULTIPLY, {}, '*'},    {VK_ADD, {}, '+'},
      {VK_SUBTRACT, {}, '-'},      {VK_DIVIDE, {}, '/'},      {VK_DECIMAL, {}, '.'},
      {'A', {ssCtrl}, 1},          {'Z', {ssCtrl}, 26},       {VK_OEM_4, {ssCtrl}, 27},
      {VK_F1, {}, 0},              {VK_LEFT, {}, 0},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Key) + (C.Shift.Contains(ssCtrl) ? " with Ctrl" : ""));
    Rec().Clear();
    Input.KeyPress(C.Key, C.Shift);
    std::vector<WPARAM> Chars;
    for (const TRecorded& R : Rec().Log)
      if (R.Msg == WM_CHAR) Chars.push_back(R.W);
    EXPECT_EQ(Chars, C.Char ? std::vector<WPARAM>{C.Char} : std::vector<WPARAM>{});
  }
}

TEST_F(InputTest, AltWithALetterThatNothingTakesBeeps) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(Top, Rect(0, 0, 50, 50));
  SetFocus(Child);
  ResetMessageBeepCount();
  Input.KeyPress('X', {ssAlt});
  EXPECT_EQ(Rec().Last(Top, WM_SYSCOMMAND).W, SC_KEYMENU);
  EXPECT_EQ(GetMessageBeepCount(), 1);
  Input.KeyPress(VK_SPACE, {ssAlt});
  EXPECT_EQ(GetMessageBeepCount(), 1) << "Alt+Space asks for the system menu";
}

TEST_F(InputTest, KeyDataAndTheKeyStateTable) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  std::int16_t ShiftInKeyDown = 0;
  Rec().Answer = [&](HWND, UINT Msg, WPARAM W, LPARAM) -> std::optional<LRESULT> {
    if (Msg == WM_KEYDOWN && W == 'A') ShiftInKeyDown = GetKeyState(VK_SHIFT);
    return std::nullopt;
  };
  Rec().Clear();
  Input.KeyPress('A', {ssShift});
  EXPECT_EQ(ShiftInKeyDown, -128 + 0 + 1) << "down, and toggled by its first press";
  EXPECT_EQ(GetKeyState(VK_SHIFT), 1) << "up again, still toggled";
  TRecorded KeyDown = Rec().Last(Top, WM_KEYDOWN);
  EXPECT_EQ(KeyDown.L, LPARAM(1 | (0x1E << 16)));
  EXPECT_EQ(Rec().Last(Top, WM_CHAR).L, KeyDown.L) << "the character carries the key-down's data";
  std::vector<TRecorded> Ups;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_KEYUP) Ups.push_back(R);
  ASSERT_EQ(Ups.size(), 2u);
  EXPECT_EQ(std::uint32_t(Ups[0].L), 1u | (0x1Eu << 16) | (1u << 30) | (1u << 31));
  EXPECT_EQ(Ups[1].W, WPARAM(VK_SHIFT));
  Input.KeyDown(VK_DOWN);
  Input.KeyDown(VK_DOWN);
  EXPECT_EQ(std::uint32_t(Rec().Last(Top, WM_KEYDOWN).L),
            1u | (0x50u << 16) | (1u << 24) | (1u << 30))
      << "an extended key held down repeats with the previous-state bit";
  Input.KeyUp(VK_DOWN);
  EXPECT_LT(GetAsyncKeyState(VK_DOWN), 1);
  EXPECT_EQ(GetKeyState(VK_DOWN), 1) << "one press, however long held, flips the toggle once";
  // Caps Lock toggles the case of letters.
  Input.KeyPress(VK_CAPITAL);
  Rec().Clear();
  Input.KeyPress('A');
  Input.KeyPress('A', {ssShift});
  EXPECT_EQ(Rec().Of(Top, {WM_CHAR}).size(), 2u);
  std::vector<WPARAM> Chars;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_CHAR) Chars.push_back(R.W);
  EXPECT_EQ(Chars, (std::vector<WPARAM>{'A', 'a'}));
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
}

TEST_F(InputTest, TheMessageFilterSeesKeysBeforeTranslation) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  SetMessageFilter([](MSG& M) { return M.message == WM_KEYDOWN && M.wParam == VK_TAB; });
  Rec().Clear();
  Input.KeyPress(VK_TAB);
  Input.KeyPress('B');
  EXPECT_EQ(Rec().Of(Top, {WM_KEYDOWN, WM_CHAR}), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
  EXPECT_EQ(Rec().Last(Top, WM_KEYDOWN).W, WPARAM('B')) << "a handled key makes no character";
  SetMessageFilter(nullptr);
}

TEST_F(InputTest, ADisabledWindowGetsNoInputAndAPressBeeps) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  EnableWindow(Top, FALSE);
  ResetMessageBeepCount();
  Rec().Clear();
  Input.Click(Top, Point(5, 5));
  EXPECT_EQ(Rec().Count(Top, WM_LBUTTONDOWN), 0);
  std::vector<LPARAM> Cursor;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_SETCURSOR) Cursor.push_back(R.L);
  EXPECT_EQ(Cursor, (std::vector<LPARAM>{MAKELPARAM(HTERROR, WM_MOUSEMOVE),
                                         MAKELPARAM(HTERROR, WM_LBUTTONDOWN),
                                         MAKELPARAM(HTERROR, WM_LBUTTONUP)}));
  EXPECT_EQ(GetMessageBeepCount(), 1);
}

}  // namespace
}  // namespace kvp::test

namespace kvp::test {
namespace {

TEST_F(InputTest, TransparentWindowsLetTheClickThroughAndFramesSetSizingCursors) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200), WS_POPUP | WS_VISIBLE | WS_THICKFRAME);
  HWND Below = MakeChild(Top, Rect(10, 10, 100, 100));
  HWND Glass = MakeChild(Top, Rect(10, 10, 100, 100));
  SetWindowPos(Glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Rec().Answer = [Glass](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W == Glass && Msg == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  };
  Rec().Clear();
  Input.Click(Below, Point(5, 5));
  EXPECT_EQ(Rec().Count(Glass, WM_NCHITTEST), 3) << "the move, the press and the release";
  EXPECT_EQ(Rec().Count(Glass, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Rec().Count(Below, WM_LBUTTONDOWN), 1);

  Rec().Clear();
  TPoint Edge = Point(1, 100);  // on the left sizing frame, screen coordinates
  Input.MouseMoveAt(Edge);
  TRecorded Nc = Rec().Last(Top, WM_NCMOUSEMOVE);
  EXPECT_EQ(Nc.W, WPARAM(HTLEFT));
  EXPECT_EQ(Nc.L, MAKELPARAM(1, 100));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
  Input.MouseMoveAt(Point(199, 199));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZENWSE));
}

TEST_F(InputTest, PendingKeysCanBePeekedBeforeThePumpTakesThem) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  ProcessMessages();
  Input.SetAutoPump(false);
  Input.KeyDown(VK_DOWN);
  MSG M;
  ASSERT_TRUE(PeekMessage(&M, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(M.wParam, WPARAM(VK_DOWN));
  EXPECT_EQ(GetKeyState(VK_DOWN), 0) << "the key table moves only when the message is taken";
  EXPECT_LT(GetAsyncKeyState(VK_DOWN), 0) << "the real-time state already moved";
  Input.SetAutoPump(true);
  Input.KeyUp(VK_DOWN);
  EXPECT_EQ(Rec().Of(Top, {WM_KEYDOWN, WM_KEYUP}), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
}

// A window that takes the capture on a press and gives it back on the release,
// as a control does, dragged from inside out over another window.
TEST_F(InputTest, ADragWithCaptureKeepsEveryMessageAtTheWindowThatTookIt) {
  HWND Top = MakeTop(Rect(100, 100, 400, 400));
  HWND A = MakeChild(Top, Rect(10, 10, 60, 60));
  HWND B = MakeChild(Top, Rect(100, 10, 200, 60));
  Rec().Answer = [A](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Wnd == A && Msg == WM_LBUTTONDOWN) SetCapture(A);
    if (Wnd == A && Msg == WM_LBUTTONUP) ReleaseCapture();
    return std::nullopt;
  };
  Input.MouseMove(A, Point(20, 20));
  Rec().Clear();
  Input.Drag(A, Point(20, 20), Point(120, 30), 2);
  auto Is = [](const TRecorded& R, HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
    return R.Wnd == Wnd && R.Msg == Msg && R.W == W && R.L == L;
  };
  ASSERT_EQ(Rec().Of(nullptr, {WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN, WM_MOUSEMOVE,
                               WM_LBUTTONUP, WM_CAPTURECHANGED}),
            (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_SETCURSOR, WM_LBUTTONDOWN,
                               WM_MOUSEMOVE, WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED}))
      << "the press is hit-tested (the parent is asked about the cursor too); "
         "nothing after it is";
  EXPECT_TRUE(Is(Rec().Last(A, WM_LBUTTONDOWN), A, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20)));
  std::vector<LPARAM> Moves;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_MOUSEMOVE) {
      EXPECT_EQ(R.Wnd, A);
      EXPECT_EQ(R.W, MK_LBUTTON);
      Moves.push_back(R.L);
    }
  EXPECT_EQ(Moves, (std::vector<LPARAM>{MAKELPARAM(70, 25), MAKELPARAM(120, 30)}))
      << "in A's client coordinates, beyond its size";
  EXPECT_TRUE(Is(Rec().Last(A, WM_LBUTTONUP), A, WM_LBUTTONUP, 0, MAKELPARAM(120, 30)));
  EXPECT_TRUE(Is(Rec().Last(A, WM_CAPTURECHANGED), A, WM_CAPTURECHANGED, 0, 0));
  EXPECT_TRUE(Rec().All(B).empty()) << "B is under the cursor but never hears of it";
  EXPECT_EQ(GetMessagePos(), DWORD(MAKELPARAM(230, 140))) << "the release, on the screen";
  EXPECT_EQ(GetCapture(), nullptr);
  Rec().Clear();
  Input.MouseMove(B, Point(21, 21));
  EXPECT_EQ(Rec().Of(B, MouseSeq), (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}))
      << "after the release, hit testing again";
}

// Clicks move the focus: to another top-level window by activating it, and
// between two windows that take the focus when pressed, as edits do.
TEST_F(InputTest, ClicksMoveTheFocusBetweenTwoWindows) {
  HWND One = MakeTop(Rect(0, 0, 200, 100));
  HWND A = MakeChild(One, Rect(0, 0, 50, 50));
  HWND B = MakeChild(One, Rect(100, 0, 150, 50));
  HWND Two = MakeTop(Rect(300, 0, 500, 100));
  Rec().Answer = [A, B](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if ((Wnd == A || Wnd == B) && Msg == WM_LBUTTONDOWN) SetFocus(Wnd);
    return std::nullopt;
  };
  auto FocusMessages = [this] {
    std::vector<std::tuple<HWND, UINT, HWND>> L;
    for (const TRecorded& R : Rec().Log)
      if (R.Msg == WM_KILLFOCUS || R.Msg == WM_SETFOCUS)
        L.push_back({R.Wnd, R.Msg, reinterpret_cast<HWND>(R.W)});
    return L;
  };
  using TSeq = std::vector<std::tuple<HWND, UINT, HWND>>;
  SetActiveWindow(Two);
  ASSERT_EQ(GetFocus(), Two);

  // Into the inactive window: activation focuses it, then the press moves on to A.
  Rec().Clear();
  Input.Click(A, Point(5, 5));
  EXPECT_EQ(FocusMessages(), (TSeq{{Two, WM_KILLFOCUS, One},
                                   {One, WM_SETFOCUS, Two},
                                   {One, WM_KILLFOCUS, A},
                                   {A, WM_SETFOCUS, One}}));
  EXPECT_EQ(GetFocus(), A);

  // Within the active window: no activation, A hands the focus to B.
  Rec().Clear();
  Input.Click(B, Point(5, 5));
  EXPECT_EQ(FocusMessages(), (TSeq{{A, WM_KILLFOCUS, B}, {B, WM_SETFOCUS, A}}));
  EXPECT_EQ(Rec().Count(B, WM_MOUSEACTIVATE), 0);
  EXPECT_EQ(GetFocus(), B);

  // Back to the other window: it takes the focus it is given by its activation.
  Rec().Clear();
  Input.Click(Two, Point(5, 5));
  EXPECT_EQ(FocusMessages(), (TSeq{{B, WM_KILLFOCUS, Two}, {Two, WM_SETFOCUS, B}}));
  EXPECT_EQ(GetActiveWindow(), Two);
}

TEST_F(InputTest, TheDoubleClickTimeCanBeChanged) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  SetDoubleClickTime(200);
  Input.Click(Top, Point(10, 10));
  AdvanceTicks(250);
  Rec().Clear();
  Input.Click(Top, Point(10, 10));
  EXPECT_EQ(Rec().Count(Top, WM_LBUTTONDBLCLK), 0) << "250 ms is too slow now";
  AdvanceTicks(150);
  Input.Click(Top, Point(10, 10));
  EXPECT_EQ(Rec().Count(Top, WM_LBUTTONDBLCLK), 1);
  SetDoubleClickTime(0);
  EXPECT_EQ(GetDoubleClickTime(), 500u) << "0 restores the default";
}

// Regression: Alt pressed while Ctrl is held came as WM_SYSKEYDOWN, so a
// Ctrl+Alt shortcut began on the system-key path.
TEST_F(InputTest, AltUnderCtrlIsAPlainKeyWithTheAltBit) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  Input.KeyDown(VK_CONTROL);
  Rec().Clear();
  Input.KeyDown(VK_MENU);
  Input.KeyUp(VK_MENU);
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(Rec().Of(Top, {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}),
            (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP, WM_KEYUP}));
  EXPECT_TRUE(Rec().Last(Top, WM_KEYDOWN).L & (1 << 29)) << "Alt is down";
  Rec().Clear();
  Input.KeyPress(VK_MENU);
  EXPECT_EQ(Rec().Of(Top, {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}),
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYUP}))
      << "Alt alone stays a system key";
}

// Every press and release of a double click is hit-tested and given a cursor
// first; the cursor and activation messages name the press the hardware made.
TEST_F(InputTest, ADoubleClickIsHitTestedLikeEveryClick) {
  HWND One = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  HWND Two = MakeTop(Rect(200, 0, 300, 100));
  ASSERT_EQ(GetActiveWindow(), Two);
  Input.MouseMove(Two, Point(10, 10));
  Rec().Clear();
  Input.DoubleClick(Two, Point(10, 10));
  EXPECT_EQ(Rec().Of(Two, MouseSeq),
            (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONDOWN, WM_NCHITTEST,
                               WM_SETCURSOR, WM_LBUTTONUP, WM_NCHITTEST, WM_SETCURSOR,
                               WM_LBUTTONDBLCLK, WM_NCHITTEST, WM_SETCURSOR, WM_LBUTTONUP}));
  std::vector<WORD> CursorMessages;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_SETCURSOR) CursorMessages.push_back(HIWORD(R.L));
  EXPECT_EQ(CursorMessages,
            (std::vector<WORD>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  // A press on the scroll bar of an inactive window.
  Rec().Clear();
  Input.MouseDown(mbLeft, One, Point(100 - 8, 50));
  TRecorded Ask = Rec().Last(One, WM_MOUSEACTIVATE);
  EXPECT_EQ(Ask.L, MAKELPARAM(HTVSCROLL, WM_LBUTTONDOWN));
  EXPECT_EQ(Rec().Last(One, WM_SETCURSOR).L, MAKELPARAM(HTVSCROLL, WM_LBUTTONDOWN));
  Input.MouseUp(mbLeft, One, Point(100 - 8, 50));
}

// A handler asking "is a key-down waiting?" finds it behind the release of
// the key before it, as when the user types quickly.
TEST_F(InputTest, AWaitingKeyDownIsFoundBehindOtherInput) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  SetFocus(Top);
  Input.KeyDown('A');
  Input.SetAutoPump(false);
  Input.KeyUp('A');
  Input.KeyDown('B');
  MSG M;
  ASSERT_TRUE(PeekMessage(&M, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(M.wParam, WPARAM('B'));
  EXPECT_EQ(M.hwnd, Top);
  // Behind Alt, a letter is a system key, not a key-down.
  Input.KeyUp('B');
  Input.KeyDown(VK_MENU);
  Input.KeyDown('C');
  ASSERT_TRUE(PeekMessage(&M, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  EXPECT_EQ(M.wParam, WPARAM('B')) << "taken out of the queue";
  EXPECT_FALSE(PeekMessage(&M, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&M, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE));
  EXPECT_EQ(M.wParam, WPARAM(VK_MENU));
  Rec().Clear();
  Input.SetAutoPump(true);
  Input.KeyUp('C');
  Input.KeyUp(VK_MENU);
  std::vector<std::pair<UINT, WPARAM>> Seen;
  for (const TRecorded& R : Rec().Log)
    if (R.Wnd == Top && (R.Msg == WM_KEYDOWN || R.Msg == WM_KEYUP || R.Msg == WM_SYSKEYDOWN ||
                         R.Msg == WM_SYSKEYUP))
      Seen.push_back({R.Msg, R.W});
  EXPECT_EQ(Seen, (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYUP, 'A'},
                                                        {WM_KEYUP, 'B'},
                                                        {WM_SYSKEYDOWN, VK_MENU},
                                                        {WM_SYSKEYDOWN, 'C'},
                                                        {WM_SYSKEYUP, 'C'},
                                                        {WM_KEYUP, VK_MENU}}))
      << "the rest comes in order";
}

}  // namespace
}  // namespace kvp::test
