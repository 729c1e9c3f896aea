// Windows: creation and destruction order, the client area that frames and
// scroll bars leave, SetWindowPos and its messages, the window tree and
// z-order, subclassing, text and coordinates.
#include "WinTestUtil.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp::test {
namespace {

using WindowsTest = WinTest;

TEST_F(WindowsTest, CreationSendsTheSystemSequenceAndNotifiesTheParent) {
  HWND Top = MakeTop(Rect(10, 10, 210, 110));
  Rec().Clear();
  int Param = 42;
  int* Seen = nullptr;
  Rec().Answer = [&](HWND, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
    if (Msg == WM_CREATE)
      Seen = static_cast<int*>(reinterpret_cast<CREATESTRUCT*>(L)->lpCreateParams);
    return std::nullopt;
  };
  HWND Child = CreateWindowEx(0, "Rec", "c", WS_CHILD | WS_VISIBLE, 5, 6, 50, 40, Top,
                              reinterpret_cast<HMENU>(7), nullptr, &Param);
  ASSERT_TRUE(Child);
  EXPECT_EQ(Seen, &Param);
  std::vector<UINT> Expected = {
      WM_NCCREATE,   WM_NCCALCSIZE,        WM_CREATE,          WM_SIZE, WM_MOVE,
      WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED};
  EXPECT_EQ(Rec().All(Child), Expected);
  TRecorded Notify = Rec().Last(Top, WM_PARENTNOTIFY);
  EXPECT_EQ(LOWORD(Notify.W), WM_CREATE);
  EXPECT_EQ(HIWORD(Notify.W), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(Notify.L), Child);
  EXPECT_EQ(GetWindowLongPtr(Child, GWLP_ID), 7);
  char Buf[8];
  EXPECT_EQ(GetWindowText(Child, Buf, 8), 1);
  EXPECT_STREQ(Buf, "c");
}

TEST_F(WindowsTest, CreationFailsWhenTheProcedureRefuses) {
  for (UINT Refused : {WM_NCCREATE, WM_CREATE}) {
    SCOPED_TRACE(Refused);
    Rec().Clear();
    Rec().Answer = [Refused](HWND, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (Msg == Refused) return Refused == WM_CREATE ? -1 : FALSE;
      return std::nullopt;
    };
    HWND H =
        CreateWindowEx(0, "Rec", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(H, nullptr);
    ASSERT_FALSE(Rec().Log.empty());
    EXPECT_FALSE(IsWindow(Rec().Log.front().Wnd));
    EXPECT_EQ(Rec().Log.back().Msg, WM_NCDESTROY);
  }
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                           nullptr),
            nullptr);
  EXPECT_EQ(CreateWindowEx(0, "Rec", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
}

TEST_F(WindowsTest, DestroyGoesDownThenUpAndKillsEveryHandle) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND A = MakeChild(Top, Rect(0, 0, 50, 50));
  HWND B = MakeChild(A, Rect(0, 0, 20, 20));
  HWND Owned = CreateWindowEx(0, "Rec", "", WS_POPUP, 0, 0, 5, 5, Top, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(Owned, GW_OWNER), Top);
  PostMessage(B, WM_USER, 0, 0);
  Rec().Clear();
  EXPECT_TRUE(DestroyWindow(Top));
  std::vector<std::pair<HWND, UINT>> Order;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_DESTROY || R.Msg == WM_NCDESTROY) Order.push_back({R.Wnd, R.Msg});
  std::vector<std::pair<HWND, UINT>> Expected = {
      {Owned, WM_DESTROY}, {Owned, WM_NCDESTROY}, {Top, WM_DESTROY}, {A, WM_DESTROY},
      {B, WM_DESTROY},     {B, WM_NCDESTROY},     {A, WM_NCDESTROY}, {Top, WM_NCDESTROY}};
  EXPECT_EQ(Order, Expected);
  for (HWND H : {Top, A, B, Owned}) EXPECT_FALSE(IsWindow(H));
  MSG M;
  EXPECT_FALSE(PeekMessage(&M, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "posted to a dead window";
  EXPECT_FALSE(DestroyWindow(Top));
}

struct TFrameCase {
  DWORD Style;
  DWORD ExStyle;
  TSize Client;  // of a 100 x 80 window
};

TEST_F(WindowsTest, ClientAreaIsWhatTheFrameAndScrollBarsLeave) {
  const TFrameCase Cases[] = {
      {WS_CHILD, 0, {100, 80}},
      {WS_CHILD | WS_BORDER, 0, {98, 78}},
      {WS_CHILD, WS_EX_CLIENTEDGE, {96, 76}},
      {WS_CHILD | WS_BORDER, WS_EX_CLIENTEDGE, {94, 74}},
      {WS_CHILD, WS_EX_STATICEDGE, {98, 78}},
      {WS_CHILD | WS_DLGFRAME, 0, {94, 74}},
      {WS_CHILD | WS_CAPTION, 0, {94, 55}},
      {WS_CHILD | WS_VSCROLL, WS_EX_CLIENTEDGE, {80, 76}},
      {WS_CHILD | WS_HSCROLL | WS_VSCROLL, 0, {84, 64}},
  };
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  for (const TFrameCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << std::hex << C.Style << " " << C.ExStyle);
    HWND H = MakeChild(Top, Rect(0, 0, 100, 80), C.Style | WS_VISIBLE, C.ExStyle);
    TRect R;
    GetClientRect(H, &R);
    EXPECT_EQ(R.Width(), C.Client.cx);
    EXPECT_EQ(R.Height(), C.Client.cy);
    TRect Adjusted = Rect(0, 0, C.Client.cx, C.Client.cy);
    if (!(C.Style & (WS_VSCROLL | WS_HSCROLL))) {
      AdjustWindowRectEx(&Adjusted, C.Style, FALSE, C.ExStyle);
      EXPECT_EQ(Adjusted.Width(), 100);
      EXPECT_EQ(Adjusted.Height(), 80);
    }
    DestroyWindow(H);
  }
}

TEST_F(WindowsTest, SizableWindowsKeepTheirTrackingLimits) {
  Integer MinWidth = 150;
  Rec().Answer = [&MinWidth](HWND, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
    if (Msg == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(L)->ptMinTrackSize.X = MinWidth;
    return std::nullopt;
  };
  HWND Sizable = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_THICKFRAME);
  HWND Fixed = MakeTop(Rect(0, 0, 100, 100), WS_POPUP | WS_BORDER);
  TRect R;
  GetWindowRect(Sizable, &R);
  EXPECT_EQ(R.Width(), 150);
  EXPECT_EQ(Rec().All(Sizable).front(), UINT(WM_GETMINMAXINFO)) << "asked before WM_NCCREATE";
  GetClientRect(Sizable, &R);
  EXPECT_EQ(R.Width(), 142) << "a sizing frame is 4 pixels";
  MoveWindow(Sizable, 0, 0, 60, 60, TRUE);
  GetWindowRect(Sizable, &R);
  EXPECT_EQ(R, Rect(0, 0, 150, 60));
  MoveWindow(Fixed, 0, 0, 60, 60, TRUE);
  GetWindowRect(Fixed, &R);
  EXPECT_EQ(R.Width(), 60) << "a popup without a sizing frame has no limits";
}

TEST_F(WindowsTest, MaximizeMinimizeRestoreAndPlacements) {
  HWND H = MakeTop(Rect(100, 100, 400, 300), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  Rec().Clear();
  ShowWindow(H, SW_SHOWMAXIMIZED);
  TRect R;
  GetWindowRect(H, &R);
  EXPECT_EQ(R, Rect(-4, -4, 1284, 998)) << "the work area with the frame outside it";
  EXPECT_TRUE(IsZoomed(H));
  EXPECT_EQ(Rec().Last(H, WM_SIZE).W, SIZE_MAXIMIZED);
  WINDOWPLACEMENT P;
  GetWindowPlacement(H, &P);
  EXPECT_EQ(P.showCmd, UINT(SW_SHOWMAXIMIZED));
  EXPECT_EQ(P.rcNormalPosition, Rect(100, 100, 400, 300));
  ShowWindow(H, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(H));
  EXPECT_EQ(Rec().Last(H, WM_SIZE).W, SIZE_MINIMIZED);
  ShowWindow(H, SW_RESTORE);
  GetWindowRect(H, &R);
  EXPECT_EQ(R, Rect(100, 100, 400, 300));
  EXPECT_FALSE(IsIconic(H) || IsZoomed(H));
  P.rcNormalPosition = Rect(10, 20, 210, 220);
  P.showCmd = SW_SHOWNORMAL;
  SetWindowPlacement(H, &P);
  GetWindowRect(H, &R);
  EXPECT_EQ(R, Rect(10, 20, 210, 220));
  // With a task bar at the top, placements count from the work area.
  SetMonitors({{Rect(0, 0, 1280, 1024), Rect(0, 30, 1280, 1024)}});
  GetWindowPlacement(H, &P);
  EXPECT_EQ(P.rcNormalPosition, Rect(10, -10, 210, 190));
}

TEST_F(WindowsTest, SetWindowPosUsesWhatWindowPosChangingLeaves) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND H = MakeChild(Top, Rect(10, 10, 60, 60), WS_CHILD | WS_VISIBLE | WS_BORDER);
  Rec().Clear();
  Rec().Answer = [H](HWND Wnd, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
    if (Wnd == H && Msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(L)->cx = 120;
    return std::nullopt;
  };
  SetWindowPos(H, nullptr, 20, 30, 80, 90, SWP_NOZORDER | SWP_NOACTIVATE);
  std::vector<UINT> Expected = {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE,
                                WM_SIZE};
  EXPECT_EQ(Rec().All(H), Expected);
  TRect R;
  GetWindowRect(H, &R);
  EXPECT_EQ(R, Rect(20, 30, 140, 120));
  TRecorded Size = Rec().Last(H, WM_SIZE);
  EXPECT_EQ(LOWORD(Size.L), 118);
  EXPECT_EQ(HIWORD(Size.L), 88);
  TRecorded Move = Rec().Last(H, WM_MOVE);
  EXPECT_EQ(GET_X_LPARAM(Move.L), 21);
  EXPECT_EQ(GET_Y_LPARAM(Move.L), 31);

  // The flags it leaves count too: a move it forbids does not happen.
  Rec().Answer = [H](HWND Wnd, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
    if (Wnd == H && Msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(L)->flags |= SWP_NOMOVE;
    return std::nullopt;
  };
  SetWindowPos(H, nullptr, 50, 50, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(H, &R);
  EXPECT_EQ(R, Rect(20, 30, 140, 120));

  // Moving alone gives no WM_SIZE; sizing alone no WM_MOVE.
  Rec().Answer = nullptr;
  Rec().Clear();
  MoveWindow(H, 0, 0, 120, 90, TRUE);
  EXPECT_EQ(Rec().Of(H, {WM_MOVE, WM_SIZE}), std::vector<UINT>{WM_MOVE});
  Rec().Clear();
  SetWindowPos(H, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOSENDCHANGING);
  EXPECT_EQ(Rec().Of(H, {WM_WINDOWPOSCHANGING, WM_MOVE, WM_SIZE}), std::vector<UINT>{WM_SIZE});
}

TEST_F(WindowsTest, ZOrderFollowsCreationAndSetWindowPos) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND A = MakeChild(Top, Rect(0, 0, 10, 10));
  HWND B = MakeChild(Top, Rect(0, 0, 10, 10));
  HWND C = MakeChild(Top, Rect(0, 0, 10, 10));
  auto Order = [Top] {
    std::vector<HWND> L;
    for (HWND H = GetWindow(Top, GW_CHILD); H; H = GetWindow(H, GW_HWNDNEXT)) L.push_back(H);
    return L;
  };
  EXPECT_EQ(Order(), (std::vector<HWND>{A, B, C}));
  SetWindowPos(C, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Order(), (std::vector<HWND>{C, A, B}));
  SetWindowPos(C, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Order(), (std::vector<HWND>{A, B, C}));
  SetWindowPos(A, B, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Order(), (std::vector<HWND>{B, A, C}));
  EXPECT_EQ(GetTopWindow(Top), B);

  HWND Pinned = MakeTop(Rect(0, 0, 10, 10), WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND Later = MakeTop(Rect(0, 0, 10, 10));
  EXPECT_EQ(GetTopWindow(nullptr), Pinned) << "a topmost window stays above a newer one";
  SetWindowPos(Later, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetTopWindow(nullptr), Pinned) << "nor can a plain window be put above it";
  EXPECT_EQ(GetWindow(Pinned, GW_HWNDNEXT), Later);
  SetWindowPos(Pinned, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  BringWindowToTop(Later);
  EXPECT_EQ(GetTopWindow(nullptr), Later);
}

TEST_F(WindowsTest, GrowingAWindowRepaintsWhatItUncoversOrAllOfItAsItsClassAsks) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND H = MakeChild(Top, Rect(0, 0, 100, 50));
  ProcessMessages();
  TRect U;
  ASSERT_FALSE(GetUpdateRect(H, &U, FALSE));
  SetWindowPos(H, nullptr, 0, 0, 150, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HRGN Rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(H, Rgn, FALSE), COMPLEXREGION);
  HRGN Expected = CreateRectRgn(100, 0, 150, 80);
  HRGN Lower = CreateRectRgn(0, 50, 100, 80);
  CombineRgn(Expected, Expected, Lower, RGN_OR);
  EXPECT_TRUE(EqualRgn(Rgn, Expected)) << "only the strips the larger size uncovers";
  ProcessMessages();
  // Shrinking uncovers nothing of the window itself.
  SetWindowPos(H, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_FALSE(GetUpdateRect(H, &U, FALSE));
  // A class that redraws on every size change has all of it repainted.
  WNDCLASS C;
  C.style = CS_HREDRAW | CS_VREDRAW;
  C.lpfnWndProc = RecordingProc;
  C.lpszClassName = "RecRedraw";
  RegisterClass(&C);
  HWND R = MakeChild(Top, Rect(0, 100, 100, 150), WS_CHILD | WS_VISIBLE, 0, "RecRedraw");
  ProcessMessages();
  SetWindowPos(R, nullptr, 0, 0, 110, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(GetUpdateRect(R, &U, FALSE));
  EXPECT_EQ(U, Rect(0, 0, 110, 50));
  DeleteObject(Rgn);
  DeleteObject(Expected);
  DeleteObject(Lower);
  DestroyWindow(R);
  UnregisterClass("RecRedraw", nullptr);
}

TEST_F(WindowsTest, VisibilityAndShowWindow) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300), WS_POPUP);
  HWND Child = MakeChild(Top, Rect(0, 0, 10, 10));
  EXPECT_FALSE(IsWindowVisible(Child)) << "inside a hidden parent";
  Rec().Clear();
  EXPECT_FALSE(ShowWindow(Top, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(Child));
  EXPECT_EQ(GetActiveWindow(), nullptr) << "SW_SHOWNA does not activate";
  EXPECT_TRUE(ShowWindow(Top, SW_SHOWNA));
  EXPECT_EQ(Rec().Count(Top, WM_SHOWWINDOW), 1) << "only a change of visibility is announced";
  EXPECT_TRUE(ShowWindow(Child, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(Child));
  EXPECT_EQ(Rec().Last(Child, WM_SHOWWINDOW).W, WPARAM(FALSE));
}

TEST_F(WindowsTest, TreeQueriesAndSetParent) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND Other = MakeTop(Rect(400, 0, 500, 100));
  HWND A = MakeChild(Top, Rect(10, 10, 110, 110));
  HWND B = MakeChild(A, Rect(5, 5, 50, 50));
  HWND Popup = CreateWindowEx(0, "Rec", "", WS_POPUP, 0, 0, 5, 5, B, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetParent(B), A);
  EXPECT_EQ(GetParent(Top), nullptr);
  EXPECT_EQ(GetParent(Popup), Top) << "a popup's parent is its owner, the top-level window";
  EXPECT_TRUE(IsChild(Top, B));
  EXPECT_FALSE(IsChild(B, Top));
  EXPECT_FALSE(IsChild(Top, Popup));
  EXPECT_EQ(GetAncestor(B, GA_ROOT), Top);
  EXPECT_EQ(GetAncestor(Top, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetAncestor(Popup, GA_ROOTOWNER), Top);

  EXPECT_EQ(SetParent(A, Other), Top);
  EXPECT_TRUE(IsChild(Other, B));
  TRect R;
  GetWindowRect(B, &R);
  EXPECT_EQ(R.TopLeft(), Point(415, 15)) << "the child keeps its place in its new parent";
  EXPECT_EQ(SetParent(A, nullptr), Other);
  EXPECT_EQ(GetAncestor(A, GA_PARENT), GetDesktopWindow());
  GetWindowRect(A, &R);
  EXPECT_EQ(R.TopLeft(), Point(10, 10));
  EXPECT_TRUE(GetWindowSurface(B)) << "a window made top-level paints on a surface of its own";
  // A window cannot go inside its own child.
  EXPECT_EQ(SetParent(A, B), nullptr);
  EXPECT_EQ(GetParent(B), A);
  EXPECT_EQ(GetAncestor(A, GA_PARENT), GetDesktopWindow());
}

TEST_F(WindowsTest, EnablingSendsWmEnableOnlyOnAChange) {
  HWND H = MakeTop(Rect(0, 0, 100, 100));
  Rec().Clear();
  EXPECT_FALSE(EnableWindow(H, TRUE)) << "answers whether it was disabled";
  EXPECT_EQ(Rec().Count(H, WM_ENABLE), 0);
  EXPECT_FALSE(EnableWindow(H, FALSE));
  EXPECT_TRUE(EnableWindow(H, FALSE));
  EXPECT_EQ(Rec().Of(H, {WM_CANCELMODE, WM_ENABLE}), (std::vector<UINT>{WM_CANCELMODE, WM_ENABLE}));
  EXPECT_EQ(Rec().Last(H, WM_ENABLE).W, WPARAM(FALSE));
  Rec().Clear();
  EXPECT_TRUE(EnableWindow(H, TRUE));
  EXPECT_EQ(Rec().Of(H, {WM_CANCELMODE, WM_ENABLE}), std::vector<UINT>{WM_ENABLE});
  EXPECT_EQ(Rec().Last(H, WM_ENABLE).W, WPARAM(TRUE));
}

WNDPROC GOriginal = nullptr;
std::vector<UINT> GSubclassed;

LRESULT SubclassProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  GSubclassed.push_back(Msg);
  if (Msg == WM_USER + 1) return 99;
  return CallWindowProc(GOriginal, Wnd, Msg, W, L);
}

TEST_F(WindowsTest, StyleChangesGoThroughStyleChangingAndChanged) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND H = MakeChild(Top, Rect(0, 0, 50, 50));
  DWORD Before = DWORD(GetWindowLongPtr(H, GWL_STYLE));
  // The handler of WM_STYLECHANGING keeps WS_TABSTOP off whatever is asked.
  Rec().Answer = [H](HWND Wnd, UINT Msg, WPARAM, LPARAM L) -> std::optional<LRESULT> {
    if (Wnd == H && Msg == WM_STYLECHANGING) reinterpret_cast<STYLESTRUCT*>(L)->styleNew &= ~WS_TABSTOP;
    return std::nullopt;
  };
  Rec().Clear();
  EXPECT_EQ(DWORD(SetWindowLongPtr(H, GWL_STYLE, LONG_PTR(Before | WS_TABSTOP | WS_GROUP))), Before);
  EXPECT_EQ(DWORD(GetWindowLongPtr(H, GWL_STYLE)), Before | WS_GROUP);
  EXPECT_EQ(Rec().Of(H, {WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  EXPECT_EQ(Rec().Last(H, WM_STYLECHANGED).W, WPARAM(GWL_STYLE));
  Rec().Answer = nullptr;
  SetWindowLongPtr(H, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(DWORD(GetWindowLongPtr(H, GWL_EXSTYLE)), DWORD(WS_EX_CLIENTEDGE));
}

TEST_F(WindowsTest, CloseDestroysAndAltF4AsksTheTopWindowToClose) {
  HWND Top = MakeTop(Rect(0, 0, 200, 200), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND Child = MakeChild(Top, Rect(0, 0, 50, 50));
  SetFocus(Child);
  Input.KeyPress(VK_F4);
  SendMessage(Top, WM_SYSKEYDOWN, VK_F4, 0);  // a system key without Alt held
  EXPECT_TRUE(IsWindow(Top)) << "F4 alone closes nothing";
  Rec().Clear();
  Input.KeyPress(VK_F4, {ssAlt});
  EXPECT_EQ(Rec().Of(Top, {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
            (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
  EXPECT_EQ(Rec().Last(Top, WM_SYSCOMMAND).W & 0xFFF0, WPARAM(SC_CLOSE));
  EXPECT_FALSE(IsWindow(Top));
  // A window that answers WM_CLOSE itself stays.
  HWND Stays = MakeTop(Rect(0, 0, 100, 100));
  Rec().Answer = [Stays](HWND W, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (W == Stays && Msg == WM_CLOSE) return 0;
    return std::nullopt;
  };
  SendMessage(Stays, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(Stays));
  Rec().Answer = nullptr;
  SendMessage(Stays, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(Stays));
}

TEST_F(WindowsTest, HitTestsNameEveryPartOfASizableFrame) {
  // A 300 x 200 window at (100, 100): a 4-pixel sizing frame, a 19-pixel
  // caption below it, corners reaching 23 pixels along each side.
  HWND H = MakeTop(Rect(100, 100, 400, 300), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  struct {
    TPoint At;  // screen
    LRESULT Hit;
  } Cases[] = {
      {Point(100, 200), HTLEFT},       {Point(103, 200), HTLEFT},       {Point(104, 200), HTCLIENT},
      {Point(399, 200), HTRIGHT},      {Point(396, 200), HTRIGHT},      {Point(395, 200), HTCLIENT},
      {Point(250, 100), HTTOP},        {Point(250, 103), HTTOP},        {Point(250, 104), HTCAPTION},
      {Point(250, 122), HTCAPTION},    {Point(250, 123), HTCLIENT},     {Point(250, 299), HTBOTTOM},
      {Point(250, 296), HTBOTTOM},     {Point(250, 295), HTCLIENT},     {Point(100, 100), HTTOPLEFT},
      {Point(122, 100), HTTOPLEFT},    {Point(123, 100), HTTOP},        {Point(100, 122), HTTOPLEFT},
      {Point(100, 123), HTLEFT},       {Point(399, 100), HTTOPRIGHT},   {Point(377, 100), HTTOPRIGHT},
      {Point(376, 100), HTTOP},        {Point(100, 299), HTBOTTOMLEFT}, {Point(399, 299), HTBOTTOMRIGHT},
      {Point(399, 277), HTBOTTOMRIGHT}, {Point(399, 276), HTRIGHT},     {Point(99, 200), HTNOWHERE},
      {Point(400, 200), HTNOWHERE},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.At.X) + "," + std::to_string(C.At.Y));
    EXPECT_EQ(SendMessage(H, WM_NCHITTEST, 0, MAKELPARAM(C.At.X, C.At.Y)), C.Hit);
  }
  // A thin border is only a border; without a caption there is none.
  HWND Thin = MakeTop(Rect(500, 100, 600, 200), WS_POPUP | WS_VISIBLE | WS_BORDER);
  EXPECT_EQ(SendMessage(Thin, WM_NCHITTEST, 0, MAKELPARAM(500, 150)), HTBORDER);
  EXPECT_EQ(SendMessage(Thin, WM_NCHITTEST, 0, MAKELPARAM(501, 150)), HTCLIENT);
}

TEST_F(WindowsTest, GetWindowWalksSiblingsOwnersAndChildren) {
  HWND Top = MakeTop(Rect(0, 0, 300, 300));
  HWND A = MakeChild(Top, Rect(0, 0, 10, 10));
  HWND B = MakeChild(Top, Rect(0, 0, 10, 10));
  HWND C = MakeChild(Top, Rect(0, 0, 10, 10));
  EXPECT_EQ(GetWindow(Top, GW_CHILD), A);
  EXPECT_EQ(GetWindow(B, GW_HWNDFIRST), A);
  EXPECT_EQ(GetWindow(B, GW_HWNDLAST), C);
  EXPECT_EQ(GetWindow(B, GW_HWNDNEXT), C);
  EXPECT_EQ(GetWindow(B, GW_HWNDPREV), A);
  EXPECT_EQ(GetWindow(A, GW_HWNDPREV), nullptr);
  EXPECT_EQ(GetWindow(C, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetNextWindow(A, GW_HWNDNEXT), B);
  HWND Owned = CreateWindowEx(0, "Rec", "owned", WS_POPUP, 0, 0, 10, 10, Top, nullptr, nullptr,
                              nullptr);
  EXPECT_EQ(GetWindow(Owned, GW_OWNER), Top);
  EXPECT_EQ(GetWindow(A, GW_OWNER), nullptr);
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtr(Owned, GWLP_HWNDPARENT)), Top);
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtr(A, GWLP_HWNDPARENT)), Top);
  // Class values are shared by every window of the class.
  HCURSOR Beam = LoadCursor(nullptr, IDC_IBEAM);
  ULONG_PTR Old = SetClassLongPtr(A, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(Beam));
  EXPECT_EQ(Old, reinterpret_cast<ULONG_PTR>(LoadCursor(nullptr, IDC_ARROW)));
  EXPECT_EQ(GetClassLongPtr(B, GCLP_HCURSOR), reinterpret_cast<ULONG_PTR>(Beam));
  EXPECT_EQ(GetClassLongPtr(B, GCL_STYLE), ULONG_PTR(CS_DBLCLKS));
  SetClassLongPtr(A, GCLP_HCURSOR, LONG_PTR(Old));
  DestroyWindow(Owned);
}

TEST_F(WindowsTest, SubclassingThroughTheWindowProcedureLong) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  GSubclassed.clear();
  GOriginal = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(H, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  EXPECT_EQ(GOriginal, &RecordingProc);
  EXPECT_EQ(SendMessage(H, WM_USER + 1, 0, 0), 99);
  Rec().Clear();
  SendMessage(H, WM_USER + 2, 0, 0);
  EXPECT_EQ(GSubclassed.back(), WM_USER + 2u);
  EXPECT_EQ(Rec().All(H), std::vector<UINT>{WM_USER + 2}) << "passed on to the original";
  SetWindowLongPtr(H, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongPtr(H, GWLP_USERDATA), 1234);
}

TEST_F(WindowsTest, TextGoesThroughMessagesAndIsCutToTheBuffer) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  EXPECT_TRUE(SetWindowText(H, "Grüße"));
  EXPECT_EQ(GetWindowTextLength(H), 7) << "bytes of UTF-8";
  char Buf[5];
  EXPECT_EQ(GetWindowText(H, Buf, 5), 4);
  EXPECT_STREQ(Buf, "Grü");
  char Short[4];
  EXPECT_EQ(GetWindowText(H, Short, 4), 2) << "no half of the ü";
  EXPECT_STREQ(Short, "Gr");
  EXPECT_EQ(Rec().Last(H, WM_SETTEXT).Msg, UINT(WM_SETTEXT));
}

TEST_F(WindowsTest, CoordinatesAndWindowsFromPoints) {
  HWND Top = MakeTop(Rect(100, 50, 400, 350), WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND A = MakeChild(Top, Rect(10, 10, 110, 110), WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
  HWND Hidden = MakeChild(A, Rect(0, 0, 20, 20), WS_CHILD);
  HWND Disabled = MakeChild(A, Rect(30, 0, 50, 20), WS_CHILD | WS_VISIBLE | WS_DISABLED);
  TPoint P = Point(0, 0);
  ClientToScreen(A, &P);
  EXPECT_EQ(P, Point(100 + 1 + 10 + 2, 50 + 1 + 10 + 2));
  ScreenToClient(Top, &P);
  EXPECT_EQ(P, Point(12, 12));
  TPoint Pts[1] = {Point(0, 0)};
  Integer Offset = MapWindowPoints(A, Top, Pts, 1);
  EXPECT_EQ(Pts[0], Point(12, 12));
  EXPECT_EQ(LOWORD(std::uint32_t(Offset)), 12);
  EXPECT_EQ(WindowFromPoint(Point(113 + 5, 63 + 5)), A) << "the hidden child is passed over";
  EXPECT_EQ(WindowFromPoint(Point(113 + 35, 63 + 5)), A)
      << "a disabled child gives way to its parent";
  EXPECT_EQ(ChildWindowFromPoint(A, Point(5, 5)), Hidden) << "every child counts here";
  EXPECT_EQ(ChildWindowFromPointEx(A, Point(5, 5), CWP_SKIPINVISIBLE), A);
  EXPECT_EQ(ChildWindowFromPointEx(A, Point(35, 5), CWP_SKIPDISABLED), A);
  EXPECT_EQ(ChildWindowFromPoint(A, Point(500, 5)), nullptr);
  EXPECT_EQ(WindowFromPoint(Point(5, 5)), nullptr);
  (void)Disabled;
}

TEST_F(WindowsTest, ClassesRegisterOnceAndStayWhileWindowsUseThem) {
  WNDCLASS C;
  C.lpfnWndProc = RecordingProc;
  C.lpszClassName = "rec";
  EXPECT_EQ(RegisterClass(&C), 0) << "class names compare without case";
  WNDCLASS Info;
  ASSERT_TRUE(GetClassInfo(nullptr, "REC", &Info));
  EXPECT_EQ(Info.style, UINT(CS_DBLCLKS));
  HWND H = MakeTop(Rect(0, 0, 10, 10), WS_POPUP, 0, "RecNoDbl");
  EXPECT_FALSE(UnregisterClass("RecNoDbl", nullptr));
  char Name[16];
  EXPECT_EQ(GetClassName(H, Name, 16), 8);
  DestroyWindow(H);
  EXPECT_TRUE(UnregisterClass("RecNoDbl", nullptr));
}

TEST_F(WindowsTest, SetWindowRgnTakesTheRegionOnlyWhenItSucceeds) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  Integer Objects = GetLiveGdiObjectCount();
  HRGN Kept = CreateRectRgn(0, 0, 5, 5);
  EXPECT_EQ(SetWindowRgn(reinterpret_cast<HWND>(std::uintptr_t(0x7777)), Kept, TRUE), 0);
  TRect Box;
  EXPECT_EQ(GetRgnBox(Kept, &Box), SIMPLEREGION) << "a failed call freed the caller's region";
  DeleteObject(Kept);
  EXPECT_EQ(SetWindowRgn(H, CreateRectRgn(0, 0, 5, 5), TRUE), 1);
  EXPECT_EQ(GetLiveGdiObjectCount(), Objects) << "the window leaked the region it took";
}

}  // namespace
}  // namespace kvp::test
