// Focus, activation and capture: the messages and their parameters, the
// windows that are refused, and what destroying or disabling a window does.
#include "WinTestUtil.h"

namespace kvp::test {
namespace {

using FocusTest = WinTest;

TEST_F(FocusTest, FocusMovesWithKillThenSetCarryingTheOtherWindow) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND A = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND B = MakeChild(Top, Rect(60, 0, 110, 50));
  SetFocus(A);
  HWND FocusDuringKill = A;
  Rec().Answer = [&](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Wnd == A && Msg == WM_KILLFOCUS) FocusDuringKill = GetFocus();
    return std::nullopt;
  };
  Rec().Clear();
  EXPECT_EQ(SetFocus(B), A);
  ASSERT_EQ(Rec().Of(nullptr, {WM_KILLFOCUS, WM_SETFOCUS}),
            (std::vector<UINT>{WM_KILLFOCUS, WM_SETFOCUS}));
  EXPECT_EQ(reinterpret_cast<HWND>(Rec().Last(A, WM_KILLFOCUS).W), B);
  EXPECT_EQ(reinterpret_cast<HWND>(Rec().Last(B, WM_SETFOCUS).W), A);
  EXPECT_EQ(FocusDuringKill, nullptr);
  EXPECT_EQ(GetFocus(), B);
  Rec().Clear();
  SetFocus(B);
  EXPECT_TRUE(Rec().Log.empty()) << "focusing the focused window sends nothing";

  // Taking the focus away from everything: only the loser hears of it.
  Rec().Answer = nullptr;
  Rec().Clear();
  EXPECT_EQ(SetFocus(nullptr), B);
  EXPECT_EQ(Rec().Of(nullptr, {WM_KILLFOCUS, WM_SETFOCUS}), std::vector<UINT>{WM_KILLFOCUS});
  EXPECT_EQ(Rec().Last(B, WM_KILLFOCUS).W, 0u);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(nullptr), nullptr);

  // A WM_KILLFOCUS handler that sends the focus elsewhere wins.
  HWND C = MakeChild(Top, Rect(120, 0, 170, 50));
  SetFocus(A);
  Rec().Answer = [&](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Wnd == A && Msg == WM_KILLFOCUS) SetFocus(C);
    return std::nullopt;
  };
  Rec().Clear();
  SetFocus(B);
  EXPECT_EQ(GetFocus(), C);
  EXPECT_EQ(Rec().Count(B, WM_SETFOCUS), 0);
  Rec().Answer = nullptr;
}

TEST_F(FocusTest, DisabledAndHiddenWindowsAreRefused) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND A = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND Off = MakeChild(Top, Rect(0, 0, 50, 50), WS_CHILD | WS_VISIBLE | WS_DISABLED);
  HWND Hidden = MakeChild(Top, Rect(0, 0, 50, 50), WS_CHILD);
  SetFocus(A);
  Rec().Clear();
  EXPECT_EQ(SetFocus(Off), nullptr);
  EXPECT_EQ(SetFocus(Hidden), nullptr);
  EXPECT_EQ(GetFocus(), A);
  EXPECT_EQ(Rec().Count(A, WM_KILLFOCUS), 0);
}

TEST_F(FocusTest, FocusInAnInactiveWindowActivatesItFirst) {
  HWND One = MakeTop(Rect(0, 0, 100, 100));
  HWND Two = MakeTop(Rect(200, 0, 300, 100));
  HWND InOne = MakeChild(One, Rect(0, 0, 10, 10));
  EXPECT_EQ(GetActiveWindow(), Two);
  Rec().Clear();
  SetFocus(InOne);
  std::vector<std::pair<HWND, UINT>> Seen;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_ACTIVATE || R.Msg == WM_NCACTIVATE || R.Msg == WM_SETFOCUS ||
        R.Msg == WM_KILLFOCUS)
      Seen.push_back({R.Wnd, R.Msg});
  std::vector<std::pair<HWND, UINT>> Expected = {
      {Two, WM_NCACTIVATE}, {Two, WM_ACTIVATE}, {One, WM_NCACTIVATE}, {One, WM_ACTIVATE},
      {Two, WM_KILLFOCUS},  {One, WM_SETFOCUS}, {One, WM_KILLFOCUS},  {InOne, WM_SETFOCUS}};
  EXPECT_EQ(Seen, Expected);
  EXPECT_EQ(LOWORD(Rec().Last(Two, WM_ACTIVATE).W), WA_INACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(Rec().Last(One, WM_ACTIVATE).L), Two);
  EXPECT_EQ(GetActiveWindow(), One);
  EXPECT_EQ(GetFocus(), InOne);
  EXPECT_EQ(GetTopWindow(nullptr), One) << "the activated window comes to the top";
}

TEST_F(FocusTest, DestroyingTheFocusedChildHandsTheFocusToItsParent) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND Panel = MakeChild(Top, Rect(0, 0, 100, 100));
  HWND Edit = MakeChild(Panel, Rect(0, 0, 50, 20));
  SetFocus(Edit);
  Rec().Clear();
  DestroyWindow(Edit);
  EXPECT_EQ(GetFocus(), Panel);
  EXPECT_EQ(reinterpret_cast<HWND>(Rec().Last(Panel, WM_SETFOCUS).W), Edit);
  // Disabling and hiding leave the focus where it is.
  EnableWindow(Panel, FALSE);
  EXPECT_EQ(GetFocus(), Panel);
  ShowWindow(Panel, SW_HIDE);
  EXPECT_EQ(GetFocus(), Panel);
}

TEST_F(FocusTest, AWindowOnItsWayOutCannotTakeTheFocus) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND Child = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND Other = MakeChild(Top, Rect(60, 0, 110, 50));
  SetFocus(Other);
  HWND Refused = reinterpret_cast<HWND>(1);
  Rec().Answer = [&](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W == Child && Msg == WM_DESTROY) Refused = SetFocus(Child);
    return std::nullopt;
  };
  DestroyWindow(Child);
  EXPECT_EQ(Refused, nullptr);
  EXPECT_EQ(GetFocus(), Other);
  Rec().Answer = nullptr;
}

TEST_F(FocusTest, TheProgramHearsWhenItGainsAndLosesTheActivation) {
  HWND Hidden = MakeTop(Rect(0, 0, 10, 10), WS_POPUP);
  Rec().Clear();
  HWND Shown = MakeTop(Rect(0, 0, 10, 10));
  EXPECT_EQ(Rec().Of(Shown, {WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE}),
            (std::vector<UINT>{WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE}));
  EXPECT_EQ(Rec().Last(Hidden, WM_ACTIVATEAPP).W, WPARAM(TRUE))
      << "every top-level window hears it";
  SetActiveWindow(nullptr);
  EXPECT_EQ(Rec().Last(Shown, WM_ACTIVATEAPP).W, WPARAM(FALSE));
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(FocusTest, OwnedWindowsStayAboveTheirOwner) {
  HWND Main = MakeTop(Rect(0, 0, 200, 200));
  HWND Popup = CreateWindowEx(0, "Rec", "", WS_POPUP | WS_VISIBLE, 50, 50, 50, 50, Main, nullptr,
                              nullptr, nullptr);
  HWND Other = MakeTop(Rect(250, 0, 300, 300));
  EXPECT_EQ(GetTopWindow(nullptr), Other);
  Input.Click(Main, Point(5, 5));
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(GetTopWindow(nullptr), Popup);
  EXPECT_EQ(GetWindow(Popup, GW_HWNDNEXT), Main);
  EXPECT_EQ(WindowFromPoint(Point(60, 60)), Popup);
}

TEST_F(FocusTest, DestroyingTheActiveWindowActivatesItsOwner) {
  HWND Main = MakeTop(Rect(0, 0, 200, 200));
  HWND Other = MakeTop(Rect(300, 0, 400, 100));
  HWND Dialog = CreateWindowEx(0, "Rec", "", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, Main, nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(GetActiveWindow(), Dialog);
  DestroyWindow(Dialog);
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(GetFocus(), Main);
  (void)Other;
}

TEST_F(FocusTest, CaptureChangesAreAnnouncedToTheLoser) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200));
  HWND A = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND B = MakeChild(Top, Rect(60, 0, 110, 50));
  EXPECT_EQ(SetCapture(A), nullptr);
  Rec().Clear();
  EXPECT_EQ(SetCapture(B), A);
  EXPECT_EQ(reinterpret_cast<HWND>(Rec().Last(A, WM_CAPTURECHANGED).L), B);
  Rec().Clear();
  EXPECT_EQ(SetCapture(B), B);
  EXPECT_EQ(Rec().Count(B, WM_CAPTURECHANGED), 0) << "taking it again changes nothing";
  ReleaseCapture();
  EXPECT_EQ(Rec().Last(B, WM_CAPTURECHANGED).L, 0);
  EXPECT_EQ(GetCapture(), nullptr);

  // Disabling a window sends it WM_CANCELMODE, whose default releases its capture.
  SetCapture(A);
  Rec().Clear();
  EnableWindow(A, FALSE);
  EXPECT_EQ(Rec().Of(A, {WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}),
            (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(A));

  // Another window's activation cancels the mode of the capture holder.
  EnableWindow(A, TRUE);
  SetCapture(A);
  HWND Other = MakeTop(Rect(300, 0, 400, 100), WS_POPUP);
  Rec().Clear();
  ShowWindow(Other, SW_SHOW);
  EXPECT_EQ(Rec().Of(A, {WM_CANCELMODE, WM_CAPTURECHANGED}),
            (std::vector<UINT>{WM_CANCELMODE, WM_CAPTURECHANGED}));
  EXPECT_EQ(GetCapture(), nullptr);

  // Destroying the capture holder releases it, telling it before it goes.
  SetCapture(B);
  Rec().Clear();
  DestroyWindow(B);
  EXPECT_EQ(Rec().Of(B, {WM_CAPTURECHANGED, WM_DESTROY}),
            (std::vector<UINT>{WM_CAPTURECHANGED, WM_DESTROY}));
  EXPECT_EQ(GetCapture(), nullptr);
}

// Regression: a child of a disabled window took the focus, so a form disabled
// under a modal one could take it away from the modal one.
TEST_F(FocusTest, AChildOfADisabledWindowCannotTakeTheFocus) {
  HWND Main = MakeTop(Rect(0, 0, 200, 200));
  HWND Edit = MakeChild(Main, Rect(0, 0, 50, 20));
  HWND Panel = MakeChild(Main, Rect(0, 50, 100, 100));
  HWND InPanel = MakeChild(Panel, Rect(0, 0, 50, 20));
  HWND Modal = MakeTop(Rect(50, 50, 150, 150));
  EnableWindow(Main, FALSE);
  SetFocus(Modal);
  Rec().Clear();
  EXPECT_EQ(SetFocus(Edit), nullptr);
  EXPECT_EQ(GetFocus(), Modal);
  EXPECT_EQ(GetActiveWindow(), Modal);
  EXPECT_EQ(Rec().Count(Modal, WM_KILLFOCUS), 0);
  EnableWindow(Main, TRUE);
  EnableWindow(Panel, FALSE);
  EXPECT_EQ(SetFocus(InPanel), nullptr) << "a disabled parent inside the window";
  EXPECT_EQ(SetFocus(Edit), Modal) << "the enabled window takes it again";
  EXPECT_EQ(GetFocus(), Edit);
}

TEST_F(FocusTest, MinimizingTheActiveWindowActivatesTheNextOneShown) {
  HWND Plain = MakeTop(Rect(0, 0, 100, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND Minimized = MakeTop(Rect(0, 0, 100, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ShowWindow(Minimized, SW_MINIMIZE);
  HWND Active = MakeTop(Rect(0, 0, 100, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_EQ(GetActiveWindow(), Active);
  ShowWindow(Active, SW_MINIMIZE);
  EXPECT_EQ(GetActiveWindow(), Plain) << "not the minimized one above it";
  ShowWindow(Plain, SW_MINIMIZE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(FocusTest, AMinimizedWindowIsActivatedWithoutTheFocus) {
  HWND A = MakeTop(Rect(0, 0, 100, 100), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND B = MakeTop(Rect(200, 0, 300, 100));
  ShowWindow(A, SW_MINIMIZE);
  SetActiveWindow(B);
  ASSERT_EQ(GetFocus(), B);
  Rec().Clear();
  SetActiveWindow(A);
  EXPECT_EQ(GetActiveWindow(), A);
  EXPECT_EQ(HIWORD(Rec().Last(A, WM_ACTIVATE).W), 1) << "told that it is minimized";
  EXPECT_EQ(GetFocus(), nullptr) << "keys go nowhere until it is restored";
  ShowWindow(A, SW_RESTORE);
  SetActiveWindow(B);
  SetActiveWindow(A);
  EXPECT_EQ(GetFocus(), A);
}

// A child window moved onto the desktop (how the drop-down lists are made)
// can be neither activated nor focused: a click on it, or its own SetFocus
// as a list box does on a press, leaves the focus where it was.
TEST_F(FocusTest, AChildOfTheDesktopIsNeverActivatedNorFocused) {
  HWND Main = MakeTop(Rect(0, 0, 200, 200));
  HWND Edit = MakeChild(Main, Rect(0, 0, 50, 20));
  HWND List = MakeChild(Main, Rect(0, 20, 50, 80));
  HWND InList = MakeChild(List, Rect(0, 0, 10, 10));
  SetParent(List, nullptr);
  SetFocus(Edit);
  Rec().Clear();
  EXPECT_EQ(SetFocus(List), nullptr);
  EXPECT_EQ(SetFocus(InList), nullptr);
  EXPECT_EQ(SetActiveWindow(List), nullptr);
  Input.Click(InList, Point(5, 5));
  EXPECT_EQ(Rec().Count(InList, WM_LBUTTONDOWN), 1) << "the click itself is delivered";
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(GetFocus(), Edit);
  EXPECT_EQ(Rec().Count(Edit, WM_KILLFOCUS), 0);
  EXPECT_EQ(Rec().Count(Main, WM_ACTIVATE), 0);
  // A top-level window of the popup kind is activated as always.
  HWND Popup = MakeTop(Rect(300, 0, 350, 50));
  SetActiveWindow(Main);
  SetFocus(Popup);
  EXPECT_EQ(GetFocus(), Popup);
  EXPECT_EQ(GetActiveWindow(), Popup);
}

}  // namespace
}  // namespace kvp::test
