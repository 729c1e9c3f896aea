// The message queue: the order in which messages come, filters, quitting,
// painting only when nothing else waits, timers on the virtual clock.
#include <algorithm>

#include "WinTestUtil.h"
#include "platform/rtl/Clock.h"
#include "platform/win/Timer.h"

namespace kvp::test {
namespace {

using QueueTest = WinTest;

TEST_F(QueueTest, PeekTakesPostedMessagesInOrderThroughFilters) {
  HWND A = MakeTop(Rect(0, 0, 10, 10));
  HWND Child = MakeChild(A, Rect(0, 0, 5, 5));
  HWND B = MakeTop(Rect(20, 0, 30, 10));
  ProcessMessages();
  PostMessage(B, WM_USER + 1, 0, 0);
  PostMessage(Child, WM_USER + 2, 0, 0);
  PostMessage(A, WM_USER + 3, 0, 0);
  PostThreadMessage(0, WM_USER + 4, 0, 0);
  MSG M;
  ASSERT_TRUE(PeekMessage(&M, A, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(M.message, WM_USER + 2u) << "a window filter takes its children's messages too";
  ASSERT_TRUE(PeekMessage(&M, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ(M.message, WM_USER + 3u);
  ASSERT_TRUE(PeekMessage(&M, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(M.message, WM_USER + 4u);
  EXPECT_EQ(M.hwnd, nullptr);
  std::vector<UINT> Rest;
  while (PeekMessage(&M, nullptr, 0, 0, PM_REMOVE)) Rest.push_back(M.message);
  EXPECT_EQ(Rest, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(0x99999), WM_USER, 0, 0));
  // A broadcast goes to every top-level window, not to children.
  EXPECT_TRUE(PostMessage(HWND_BROADCAST, WM_USER + 5, 7, 0));
  std::vector<HWND> To;
  while (PeekMessage(&M, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE)) {
    EXPECT_EQ(M.wParam, 7u);
    To.push_back(M.hwnd);
  }
  std::sort(To.begin(), To.end());
  std::vector<HWND> Tops = {A, B};
  std::sort(Tops.begin(), Tops.end());
  EXPECT_EQ(To, Tops);
}

TEST_F(QueueTest, QuitComesAfterPostedMessagesAndGetMessageNeverWaits) {
  MakeTop(Rect(0, 0, 10, 10));
  ProcessMessages();
  PostQuitMessage(3);
  PostThreadMessage(0, WM_USER, 0, 0);
  MSG M;
  EXPECT_EQ(GetMessage(&M, nullptr, 0, 0), TRUE);
  EXPECT_EQ(M.message, UINT(WM_USER));
  EXPECT_EQ(GetMessage(&M, nullptr, 0, 0), FALSE);
  EXPECT_EQ(M.message, UINT(WM_QUIT));
  EXPECT_EQ(M.wParam, 3u);
  EXPECT_EQ(GetMessage(&M, nullptr, 0, 0), -1) << "nothing queued: it answers at once";
}

TEST_F(QueueTest, PaintComesWhenNothingElseWaitsParentsFirst) {
  HWND Top = MakeTop(Rect(0, 0, 100, 100));
  HWND Child = MakeChild(Top, Rect(0, 0, 50, 50));
  ProcessMessages();
  InvalidateRect(Child, nullptr, TRUE);
  InvalidateRect(Top, nullptr, TRUE);
  PostMessage(Child, WM_USER, 0, 0);
  Rec().Clear();
  ProcessMessages();
  std::vector<std::pair<HWND, UINT>> Seen;
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_USER || R.Msg == WM_PAINT || R.Msg == WM_ERASEBKGND)
      Seen.push_back({R.Wnd, R.Msg});
  std::vector<std::pair<HWND, UINT>> Expected = {{Child, WM_USER},
                                                 {Top, WM_PAINT},
                                                 {Top, WM_ERASEBKGND},
                                                 {Child, WM_PAINT},
                                                 {Child, WM_ERASEBKGND}};
  EXPECT_EQ(Seen, Expected);
  TRect R;
  EXPECT_FALSE(GetUpdateRect(Top, &R, FALSE));
}

std::vector<std::pair<UINT_PTR, DWORD>> GProcTicks;
void TimerProc(HWND, UINT, UINT_PTR Id, DWORD Time) { GProcTicks.push_back({Id, Time}); }

TEST_F(QueueTest, TimersTickOnTheVirtualClockInOrder) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  ProcessMessages();
  DWORD Start = GetTickCount();
  std::vector<std::pair<WPARAM, DWORD>> Ticks;
  Rec().Answer = [&](HWND, UINT Msg, WPARAM W, LPARAM) -> std::optional<LRESULT> {
    if (Msg == WM_TIMER) Ticks.push_back({W, GetTickCount() - Start});
    return std::nullopt;
  };
  EXPECT_EQ(SetTimer(H, 1, 300, nullptr), 1u);
  SetTimer(H, 2, 500, nullptr);
  Advance(1000);
  std::vector<std::pair<WPARAM, DWORD>> Expected = {
      {1, 300}, {1, 600}, {2, 500}, {1, 900}, {2, 1000}};
  std::sort(Expected.begin(), Expected.end(), [](auto& A, auto& B) { return A.second < B.second; });
  EXPECT_EQ(Ticks, Expected);
  EXPECT_EQ(GetTickCount() - Start, 1000u);

  // Restarting an id takes the new interval from now; 0 is raised to the minimum.
  Ticks.clear();
  SetTimer(H, 1, 0, nullptr);
  KillTimer(H, 2);
  Advance(25);
  EXPECT_EQ(Ticks, (std::vector<std::pair<WPARAM, DWORD>>{{1, 1010}, {1, 1020}}));
  EXPECT_TRUE(KillTimer(H, 1));
  EXPECT_FALSE(KillTimer(H, 1));

  // A timer procedure is called by DispatchMessage; a window-less timer gets its own id.
  GProcTicks.clear();
  UINT_PTR Id = SetTimer(nullptr, 0, 100, TimerProc);
  EXPECT_NE(Id, 0u);
  Advance(250);
  ASSERT_EQ(GProcTicks.size(), 2u);
  EXPECT_EQ(GProcTicks[0].first, Id);
  // Set again by its id it restarts with the new interval; no second timer.
  EXPECT_EQ(SetTimer(nullptr, Id, 40, TimerProc), Id);
  GProcTicks.clear();
  Advance(100);
  EXPECT_EQ(GProcTicks.size(), 2u);
  EXPECT_TRUE(KillTimer(nullptr, Id));
  GProcTicks.clear();
  Advance(500);
  EXPECT_TRUE(GProcTicks.empty());
  EXPECT_NE(SetTimer(nullptr, Id + 77, 40, TimerProc), Id + 77) << "an unknown id gets a new one";
  DestroyWindow(H);
}

TEST_F(QueueTest, TimersOfEachWindowAreItsOwnAndTheEarliestDueComesFirst) {
  HWND A = MakeTop(Rect(0, 0, 10, 10));
  HWND B = MakeTop(Rect(20, 0, 30, 10));
  ProcessMessages();
  // [1] Both overdue at once: the one due first is taken first.
  SetTimer(A, 1, 300, nullptr);
  SetTimer(B, 1, 200, nullptr);
  AdvanceTicks(1000);
  std::vector<HWND> Order;
  MSG M;
  while (PeekMessage(&M, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) Order.push_back(M.hwnd);
  EXPECT_EQ(Order, (std::vector<HWND>{B, A}));
  // [2] An id belongs to its window: killing A's leaves B's running.
  EXPECT_TRUE(KillTimer(A, 1));
  EXPECT_FALSE(KillTimer(A, 1));
  Rec().Clear();
  Advance(450);
  EXPECT_EQ(Rec().Count(A, WM_TIMER), 0);
  EXPECT_EQ(Rec().Count(B, WM_TIMER), 2);
  // [3] A window's timers die with it.
  SetTimer(A, 7, 100, nullptr);
  DestroyWindow(B);
  EXPECT_FALSE(KillTimer(B, 1));
  AdvanceTicks(1000);
  Order.clear();
  while (PeekMessage(&M, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) Order.push_back(M.hwnd);
  EXPECT_EQ(Order, (std::vector<HWND>{A}));
  DestroyWindow(A);
}

TEST_F(QueueTest, AnUnansweredTimerIsPendingOnlyOnce) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  ProcessMessages();
  SetTimer(H, 5, 100, nullptr);
  AdvanceTicks(1000);
  MSG M;
  Integer Timers = 0;
  while (PeekMessage(&M, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) ++Timers;
  EXPECT_EQ(Timers, 1);
  EXPECT_EQ(GetQueueStatus(QS_TIMER), 0u);
}

TEST_F(QueueTest, TranslateMessagePostsTheCharacterBeforeLaterMessages) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  SetFocus(H);
  ProcessMessages();
  Rec().Answer = [H](HWND, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Msg == WM_KEYDOWN) PostMessage(H, WM_USER, 0, 0);
    return std::nullopt;
  };
  Rec().Clear();
  Input.KeyPress('Q');
  EXPECT_EQ(Rec().Of(H, {WM_KEYDOWN, WM_CHAR, WM_USER, WM_KEYUP}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_USER, WM_KEYUP}));
  // A character posted by a program is not translated again.
  Rec().Answer = nullptr;
  Rec().Clear();
  PostMessage(H, WM_CHAR, 'x', 0);
  ProcessMessages();
  EXPECT_EQ(Rec().All(H), std::vector<UINT>{WM_CHAR});
}

// A guard that keeps a button from re-opening the menu it just closed: the
// close posts a message carrying the button's index, and the button's next
// press removes that one message (by window and message) and checks the index.
TEST_F(QueueTest, OneQueuedMessageIsRemovedByWindowMessageAndWParam) {
  HWND Editor = MakeTop(Rect(0, 0, 100, 20));
  HWND Other = MakeTop(Rect(0, 30, 100, 50));
  ProcessMessages();
  const UINT Guard = WM_USER + 102;
  PostMessage(Other, Guard, 7, 0);
  PostMessage(Editor, WM_USER + 1, 0, 0);
  PostMessage(Editor, Guard, 2, 0);
  PostMessage(Editor, WM_USER + 3, 0, 0);
  MSG M;
  ASSERT_TRUE(PeekMessage(&M, Editor, Guard, Guard, PM_NOREMOVE));
  EXPECT_EQ(M.wParam, WPARAM(2));
  ASSERT_TRUE(PeekMessage(&M, Editor, Guard, Guard, PM_NOREMOVE)) << "peeking left it there";
  ASSERT_TRUE(PeekMessage(&M, Editor, Guard, Guard, PM_REMOVE));
  EXPECT_EQ(M.hwnd, Editor);
  EXPECT_EQ(M.wParam, WPARAM(2));
  EXPECT_FALSE(PeekMessage(&M, Editor, Guard, Guard, PM_REMOVE)) << "only one was removed";
  std::vector<std::pair<HWND, UINT>> Rest;
  while (PeekMessage(&M, nullptr, 0, 0, PM_REMOVE)) Rest.push_back({M.hwnd, M.message});
  EXPECT_EQ(Rest, (std::vector<std::pair<HWND, UINT>>{
                      {Other, Guard}, {Editor, WM_USER + 1}, {Editor, WM_USER + 3}}));
}

// A popup that loses the focus posts itself its close-up: it runs only when
// the pump takes it, after the focus change has finished.
TEST_F(QueueTest, APostedCloseUpRunsAfterTheFocusChangeThatCausedIt) {
  HWND Main = MakeTop(Rect(0, 0, 200, 200));
  HWND Edit = MakeChild(Main, Rect(0, 0, 100, 20));
  HWND Popup = MakeChild(Main, Rect(0, 20, 100, 120));
  const UINT CloseUp = WM_USER + 101;
  SetFocus(Popup);
  ProcessMessages();
  HWND FocusAtCloseUp = nullptr;
  Rec().Answer = [&](HWND Wnd, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Wnd == Popup && Msg == WM_KILLFOCUS) PostMessage(Popup, CloseUp, 0, 0);
    if (Wnd == Popup && Msg == CloseUp) FocusAtCloseUp = GetFocus();
    return std::nullopt;
  };
  Rec().Clear();
  SetFocus(Edit);
  EXPECT_EQ(Rec().Count(Popup, CloseUp), 0) << "posted, not sent";
  std::vector<std::pair<HWND, UINT>> Seen;
  ProcessMessages();
  for (const TRecorded& R : Rec().Log)
    if (R.Msg == WM_KILLFOCUS || R.Msg == WM_SETFOCUS || R.Msg == CloseUp)
      Seen.push_back({R.Wnd, R.Msg});
  EXPECT_EQ(Seen, (std::vector<std::pair<HWND, UINT>>{
                      {Popup, WM_KILLFOCUS}, {Edit, WM_SETFOCUS}, {Popup, CloseUp}}));
  EXPECT_EQ(FocusAtCloseUp, Edit);
}

// Regression: a filtered PeekMessage that removes one message must also hand
// back a pending WM_QUIT, or a loop that re-posts it never learns of it.
TEST_F(QueueTest, QuitIsAnsweredWhateverTheFilters) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  ProcessMessages();
  PostMessage(H, WM_USER + 5, 0, 0);
  PostQuitMessage(4);
  MSG M;
  ASSERT_TRUE(PeekMessage(&M, H, WM_USER + 5, WM_USER + 5, PM_REMOVE));
  EXPECT_EQ(M.message, UINT(WM_USER + 5)) << "a matching posted message comes first";
  ASSERT_TRUE(PeekMessage(&M, H, WM_USER + 9, WM_USER + 9, PM_NOREMOVE));
  EXPECT_EQ(M.message, UINT(WM_QUIT));
  ASSERT_TRUE(PeekMessage(&M, H, WM_USER + 9, WM_USER + 9, PM_REMOVE));
  EXPECT_EQ(M.message, UINT(WM_QUIT));
  EXPECT_EQ(M.wParam, WPARAM(4));
  EXPECT_FALSE(PeekMessage(&M, nullptr, 0, 0, PM_REMOVE)) << "taken once";
}

TEST_F(QueueTest, AnExceptionInAHandlerGoesToTheApplicationAndTheLoopGoesOn) {
  HWND H = MakeTop(Rect(0, 0, 10, 10));
  ProcessMessages();
  Rec().Answer = [](HWND, UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (Msg == WM_USER + 1) throw EConvertError("bad message");
    return std::nullopt;
  };
  std::vector<String> Seen;
  ApplicationHandleException = [&Seen](TObject*) {
    try {
      throw;
    } catch (const Exception& E) {
      Seen.push_back(E.GetMessage());
    }
  };
  PostMessage(H, WM_USER + 1, 0, 0);
  PostMessage(H, WM_USER + 2, 0, 0);
  PostMessage(H, WM_USER + 1, 0, 0);
  Rec().Clear();
  EXPECT_NO_THROW(ProcessMessages());
  EXPECT_EQ(Seen, (std::vector<String>{"bad message", "bad message"}));
  EXPECT_EQ(Rec().Of(H, {WM_USER + 1, WM_USER + 2}),
            (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 1}));
  // A sent message is the sender's business: it sees the exception.
  EXPECT_THROW(SendMessage(H, WM_USER + 1, 0, 0), EConvertError);
  ApplicationHandleException = nullptr;
  PostMessage(H, WM_USER + 1, 0, 0);
  EXPECT_THROW(ProcessMessages(), EConvertError) << "without a handler it reaches the caller";
}

}  // namespace
}  // namespace kvp::test
