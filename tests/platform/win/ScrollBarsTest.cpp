// Scroll bars: when they show, what that does to the client area, and the
// tracking a press on them starts (arrows repeating on the virtual clock, the
// thumb dragged).
#include <string>

#include "WinTestUtil.h"
#include "platform/rtl/Clock.h"

namespace kvp::test {
namespace {

class ScrollBarsTest : public WinTest {
 protected:
  void SetUp() override {
    WinTest::SetUp();
    Top = MakeTop(Rect(0, 0, 400, 400));
    // 100 x 116 window, no border: a vertical bar leaves an 84-wide client area
    // with the arrows at y 0..16 and 100..116 and the track between.
    Wnd = MakeChild(Top, Rect(0, 0, 100, 116));
    ProcessMessages();
  }
  std::vector<std::pair<WORD, WORD>> Scrolls() const {
    std::vector<std::pair<WORD, WORD>> L;
    for (const TRecorded& R : Recorder().Log)
      if (R.Wnd == Wnd && R.Msg == WM_VSCROLL) L.push_back({LOWORD(R.W), HIWORD(R.W)});
    return L;
  }
  void SetInfo(Integer Min, Integer Max, UINT Page, Integer Pos, UINT Extra = 0) {
    SCROLLINFO Si;
    Si.fMask = SIF_ALL | Extra;
    Si.nMin = Min;
    Si.nMax = Max;
    Si.nPage = Page;
    Si.nPos = Pos;
    SetScrollInfo(Wnd, SB_VERT, &Si, TRUE);
  }
  HWND Top = nullptr;
  HWND Wnd = nullptr;
};

TEST_F(ScrollBarsTest, ABarShowsWhenTheRangeExceedsThePageAndResizesTheClient) {
  Rec().Clear();
  SetInfo(0, 99, 10, 0);
  EXPECT_TRUE(GetWindowLongPtr(Wnd, GWL_STYLE) & WS_VSCROLL);
  TRect R;
  GetClientRect(Wnd, &R);
  EXPECT_EQ(R.Width(), 84);
  EXPECT_EQ(Rec().Of(Wnd, {WM_NCCALCSIZE, WM_SIZE}), (std::vector<UINT>{WM_NCCALCSIZE, WM_SIZE}));
  EXPECT_EQ(LOWORD(Rec().Last(Wnd, WM_SIZE).L), 84);

  SetInfo(0, 9, 10, 0);
  EXPECT_FALSE(GetWindowLongPtr(Wnd, GWL_STYLE) & WS_VSCROLL) << "0..9 fits in a page of 10";
  GetClientRect(Wnd, &R);
  EXPECT_EQ(R.Width(), 100);

  SetInfo(0, 99, 10, 0);
  SetInfo(0, 9, 10, 0, SIF_DISABLENOSCROLL);
  EXPECT_TRUE(GetWindowLongPtr(Wnd, GWL_STYLE) & WS_VSCROLL) << "kept, but disabled";

  SetScrollRange(Wnd, SB_VERT, 0, 0, TRUE);
  EXPECT_FALSE(GetWindowLongPtr(Wnd, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ScrollBarsTest, PositionIsKeptInsideTheRangeLessThePage) {
  SetInfo(0, 99, 10, 500);
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 90);
  EXPECT_EQ(SetScrollPos(Wnd, SB_VERT, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 0);
  SCROLLINFO Si;
  Si.fMask = SIF_ALL;
  GetScrollInfo(Wnd, SB_VERT, &Si);
  EXPECT_EQ(Si.nMax, 99);
  EXPECT_EQ(Si.nPage, 10u);
  Integer Min = -1, Max = -1;
  GetScrollRange(Wnd, SB_VERT, &Min, &Max);
  EXPECT_EQ(Max, 99);
}

TEST_F(ScrollBarsTest, ArrowScrollsAndRepeatsWhileHeld) {
  SetInfo(0, 99, 10, 0);
  TPoint DownArrow =
      Point(84 + 8, 116 - 8);  // client coordinates; the bar lies right of the client
  Rec().Clear();
  Input.MouseDown(mbLeft, Wnd, DownArrow);
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<WORD, WORD>>{{SB_LINEDOWN, 0}}));
  EXPECT_EQ(Rec().Last(Wnd, WM_NCLBUTTONDOWN).W, WPARAM(HTVSCROLL));
  Advance(399);
  EXPECT_EQ(Scrolls().size(), 1u);
  Advance(1 + 200);
  EXPECT_EQ(Scrolls().size(), 4u) << "after the first delay, one more every 100 ms";
  Input.MouseUp(mbLeft, Wnd, DownArrow);
  EXPECT_EQ(Scrolls().back(), (std::pair<WORD, WORD>{SB_ENDSCROLL, 0}));
  Advance(1000);
  EXPECT_EQ(Scrolls().size(), 5u) << "released: no more repeats";
  EXPECT_EQ(Rec().Count(Wnd, WM_LBUTTONUP), 0) << "the tracking took the release";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarsTest, PageAreaRepeatsOnlyUntilTheThumbReachesTheMouse) {
  SetInfo(0, 99, 10, 0);
  // The thumb is 8 px (84 * 10 / 100 rounds below the minimum) at the top of the track (16..100).
  Rec().Answer = [this](HWND W, UINT Msg, WPARAM Wp, LPARAM) -> std::optional<LRESULT> {
    if (W == Wnd && Msg == WM_VSCROLL && LOWORD(Wp) == SB_PAGEDOWN)
      SetScrollPos(Wnd, SB_VERT, GetScrollPos(Wnd, SB_VERT) + 10, TRUE);
    return std::nullopt;
  };
  Rec().Clear();
  Input.MouseDown(mbLeft, Wnd, Point(84 + 8, 40));
  Advance(2000);
  Input.MouseUp(mbLeft, Wnd, Point(84 + 8, 40));
  std::vector<std::pair<WORD, WORD>> S = Scrolls();
  ASSERT_GE(S.size(), 2u);
  EXPECT_EQ(S.back().first, SB_ENDSCROLL);
  // Position 20 puts the thumb at 16 + 20 * 76 / 90 = 32..40: the mouse at 40 is below it;
  // position 30 puts it at 41..49, past the mouse, so the repeating stops there.
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 30);
}

TEST_F(ScrollBarsTest, EachPartOfTheBarStartsAndEndsOnItsExactPixel) {
  // Arrows at 0..15 and 100..115, the track 16..99; an 8-px thumb.
  struct {
    Integer Pos;  // where the thumb is: 0 puts it at 16..23, 90 at 92..99
    Integer Y;
    WORD Code;
  } Cases[] = {
      {0, 15, SB_LINEUP},    {0, 16, SB_THUMBTRACK}, {0, 23, SB_THUMBTRACK},
      {0, 24, SB_PAGEDOWN},  {0, 99, SB_PAGEDOWN},   {0, 100, SB_LINEDOWN},
      {0, 115, SB_LINEDOWN}, {90, 16, SB_PAGEUP},    {90, 91, SB_PAGEUP},
      {90, 92, SB_THUMBTRACK}, {90, 99, SB_THUMBTRACK}, {90, 100, SB_LINEDOWN},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Pos) + " at " + std::to_string(C.Y));
    SetInfo(0, 99, 10, C.Pos);
    Rec().Clear();
    Input.MouseDown(mbLeft, Wnd, Point(84 + 8, C.Y));
    Input.MouseUp(mbLeft, Wnd, Point(84 + 8, C.Y));
    std::vector<std::pair<WORD, WORD>> S = Scrolls();
    ASSERT_FALSE(S.empty());
    EXPECT_EQ(S.front().first, C.Code);
    EXPECT_EQ(S.back().first, SB_ENDSCROLL);
  }
}

TEST_F(ScrollBarsTest, ABarDisabledForWantOfRangeComesBackEnabled) {
  SetInfo(0, 99, 10, 0);
  SetInfo(0, 9, 10, 0, SIF_DISABLENOSCROLL);
  Rec().Clear();
  Input.Click(Wnd, Point(84 + 8, 108));
  EXPECT_TRUE(Scrolls().empty()) << "disabled";
  SetInfo(0, 99, 10, 0, SIF_DISABLENOSCROLL);
  Rec().Clear();
  Input.MouseDown(mbLeft, Wnd, Point(84 + 8, 108));
  Input.MouseUp(mbLeft, Wnd, Point(84 + 8, 108));
  ASSERT_FALSE(Scrolls().empty());
  EXPECT_EQ(Scrolls().front().first, SB_LINEDOWN);
}

TEST_F(ScrollBarsTest, WithBothBarsTheCornerBelongsToNeither) {
  SetInfo(0, 99, 10, 0);
  SCROLLINFO Si;
  Si.fMask = SIF_ALL;
  Si.nMin = 0;
  Si.nMax = 99;
  Si.nPage = 10;
  Si.nPos = 0;
  SetScrollInfo(Wnd, SB_HORZ, &Si, TRUE);
  TRect R;
  GetClientRect(Wnd, &R);
  ASSERT_EQ(R, Rect(0, 0, 84, 100));
  auto Count = [this](UINT Msg) { return Rec().Count(Wnd, Msg); };
  struct {
    TPoint At;  // client coordinates
    UINT Msg;   // the scroll message it starts, or 0
  } Cases[] = {
      {Point(83, 108), WM_HSCROLL},  // the last pixel of the horizontal bar
      {Point(84, 108), 0},           // the corner
      {Point(99, 115), 0},
      {Point(92, 99), WM_VSCROLL},   // the last pixel of the vertical bar
      {Point(92, 100), 0},
      {Point(0, 100), WM_HSCROLL},   // the first pixel of the horizontal bar
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.At.X) + "," + std::to_string(C.At.Y));
    Rec().Clear();
    Input.MouseDown(mbLeft, Wnd, C.At);
    Input.MouseUp(mbLeft, Wnd, C.At);
    EXPECT_EQ(Count(WM_HSCROLL) > 0, C.Msg == WM_HSCROLL);
    EXPECT_EQ(Count(WM_VSCROLL) > 0, C.Msg == WM_VSCROLL);
  }
}

TEST_F(ScrollBarsTest, DraggingTheThumbTracksThenSetsThePosition) {
  SetInfo(0, 100, 0, 0);
  // A 16-px thumb on a 84-px track: 68 px of travel for 100 positions.
  Rec().Clear();
  Input.Drag(Wnd, Point(84 + 8, 20), Point(84 + 8, 20 + 34), 2);
  std::vector<std::pair<WORD, WORD>> S = Scrolls();
  ASSERT_FALSE(S.empty());
  std::vector<std::pair<WORD, WORD>> Expected = {{SB_THUMBTRACK, 0},
                                                 {SB_THUMBTRACK, 25},
                                                 {SB_THUMBTRACK, 50},
                                                 {SB_THUMBPOSITION, 50},
                                                 {SB_ENDSCROLL, 0}};
  EXPECT_EQ(S, Expected);
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 0) << "the window sets the position itself";
  // A second drag starts from the position, not from where the first left
  // the thumb (which once made it jump); moves too small to change the
  // position send nothing; the track position is what the thumb shows meanwhile.
  Rec().Clear();
  Input.MouseDown(mbLeft, Wnd, Point(84 + 8, 20));
  Input.MouseMove(Wnd, Point(85 + 8, 20));
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<WORD, WORD>>{{SB_THUMBTRACK, 0}}));
  Input.MouseMove(Wnd, Point(84 + 8, 20 + 17));
  SCROLLINFO Si;
  Si.fMask = SIF_TRACKPOS | SIF_POS;
  GetScrollInfo(Wnd, SB_VERT, &Si);
  EXPECT_EQ(Si.nTrackPos, 25);
  EXPECT_EQ(Si.nPos, 0);
  Input.MouseUp(mbLeft, Wnd, Point(84 + 8, 20 + 17));
  GetScrollInfo(Wnd, SB_VERT, &Si);
  EXPECT_EQ(Si.nTrackPos, Si.nPos) << "outside a drag it is the position";
  // Between pixels the position is the nearest one: 2 px are 2.94 positions,
  // 67 px 98.53; the end of the travel is the last position, and back down.
  const struct {
    Integer Px, Pos;
  } Steps[] = {{1, 1}, {2, 3}, {67, 99}, {68, 100}, {90, 100}, {34, 50}, {-10, 0}};
  Input.MouseDown(mbLeft, Wnd, Point(84 + 8, 20));
  for (const auto& St : Steps) {
    SCOPED_TRACE(St.Px);
    Input.MouseMove(Wnd, Point(84 + 8, 20 + St.Px));
    GetScrollInfo(Wnd, SB_VERT, &Si);
    EXPECT_EQ(Si.nTrackPos, St.Pos);
  }
  Input.MouseUp(mbLeft, Wnd, Point(84 + 8, 20 - 10));
}

// A window with more positions than a message's 16 bits carry takes the
// dropped thumb's place from the track position while it handles
// SB_THUMBPOSITION; once the drag is over the track position is the position.
TEST_F(ScrollBarsTest, TheTrackPositionIsReadableWhileTheDroppedThumbIsTaken) {
  SetInfo(0, 200000, 0, 0);
  std::vector<Integer> Taken;
  Rec().Answer = [&](HWND W, UINT Msg, WPARAM Wp, LPARAM) -> std::optional<LRESULT> {
    if (W != Wnd || Msg != WM_VSCROLL) return std::nullopt;
    if (LOWORD(Wp) != SB_THUMBPOSITION && LOWORD(Wp) != SB_ENDSCROLL) return std::nullopt;
    SCROLLINFO Si;
    Si.fMask = SIF_TRACKPOS;
    GetScrollInfo(W, SB_VERT, &Si);
    Taken.push_back(Si.nTrackPos);
    return std::nullopt;
  };
  Input.Drag(Wnd, Point(84 + 8, 20), Point(84 + 8, 20 + 34), 2);
  Rec().Answer = nullptr;
  // 34 of 68 pixels of travel: half of 200,000, beyond a message's 65,535.
  ASSERT_EQ(Taken.size(), 2u);
  EXPECT_EQ(Taken[0], 100000) << "during SB_THUMBPOSITION";
  EXPECT_EQ(Taken[1], 0) << "during SB_ENDSCROLL the drag is over: the position";
}

TEST_F(ScrollBarsTest, WhileTheThumbIsLetGoItsTrackPositionIsWhereItStopped) {
  SetInfo(0, 100, 0, 0);
  std::vector<std::pair<WORD, Integer>> Seen;  // code, nTrackPos asked for on receipt
  Rec().Answer = [&](HWND W, UINT Msg, WPARAM WP, LPARAM) -> std::optional<LRESULT> {
    if (W != Wnd || Msg != WM_VSCROLL) return std::nullopt;
    SCROLLINFO Si;
    Si.fMask = SIF_TRACKPOS;
    GetScrollInfo(Wnd, SB_VERT, &Si);
    Seen.push_back({LOWORD(WP), Si.nTrackPos});
    return LRESULT(0);
  };
  Input.Drag(Wnd, Point(84 + 8, 20), Point(84 + 8, 20 + 34), 2);
  Rec().Answer = nullptr;
  const std::vector<std::pair<WORD, Integer>> Expected = {
      {SB_THUMBTRACK, 0}, {SB_THUMBTRACK, 25}, {SB_THUMBTRACK, 50},
      {SB_THUMBPOSITION, 50}, {SB_ENDSCROLL, 0}};
  EXPECT_EQ(Seen, Expected) << "SB_ENDSCROLL: the drag is over, the position again";
}

TEST_F(ScrollBarsTest, DisabledArrowsAndCancelMode) {
  SetInfo(0, 99, 10, 0);
  EXPECT_TRUE(EnableScrollBar(Wnd, SB_VERT, ESB_DISABLE_DOWN));
  EXPECT_FALSE(EnableScrollBar(Wnd, SB_VERT, ESB_DISABLE_DOWN)) << "already so: nothing changed";
  Rec().Clear();
  Input.Click(Wnd, Point(84 + 8, 116 - 8));
  EXPECT_TRUE(Scrolls().empty());
  Input.Click(Wnd, Point(84 + 8, 8));
  EXPECT_EQ(Scrolls().front().first, SB_LINEUP) << "the other arrow still works";
  EXPECT_TRUE(EnableScrollBar(Wnd, SB_VERT, ESB_ENABLE_BOTH));
  Input.MouseDown(mbLeft, Wnd, Point(84 + 8, 116 - 8));
  SendMessage(Wnd, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(Scrolls().back().first, SB_ENDSCROLL);
  EXPECT_EQ(GetCapture(), nullptr);
  Rec().Clear();
  Input.MouseUp(mbLeft, Wnd, Point(84 + 8, 116 - 8));
  EXPECT_EQ(Rec().Count(Wnd, WM_NCLBUTTONUP), 1)
      << "after cancelling, the release is the window's again";
}

TEST_F(ScrollBarsTest, ShowScrollBarChangesTheClientAreaBothWays) {
  HWND Framed = MakeChild(Top, Rect(0, 200, 100, 300), WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
  auto Client = [Framed] {
    TRect R;
    GetClientRect(Framed, &R);
    return R;
  };
  ASSERT_EQ(Client(), Rect(0, 0, 96, 96)) << "the client edge takes 2 px a side";
  Rec().Clear();
  EXPECT_TRUE(ShowScrollBar(Framed, SB_BOTH, TRUE));
  EXPECT_EQ(Client(), Rect(0, 0, 80, 80));
  EXPECT_EQ(Rec().Of(Framed, {WM_SIZE}), std::vector<UINT>{WM_SIZE});
  EXPECT_EQ(Rec().Last(Framed, WM_SIZE).L, MAKELPARAM(80, 80));
  TPoint P = Point(0, 0);
  ClientToScreen(Framed, &P);
  EXPECT_EQ(P, Point(2, 202)) << "a bar on the right and at the bottom leaves the origin";
  Rec().Clear();
  ShowScrollBar(Framed, SB_BOTH, TRUE);
  EXPECT_EQ(Rec().Count(Framed, WM_SIZE), 0) << "nothing changed, nothing sent";
  ShowScrollBar(Framed, SB_HORZ, FALSE);
  EXPECT_EQ(Client(), Rect(0, 0, 80, 96));
  EXPECT_EQ(Rec().Last(Framed, WM_SIZE).L, MAKELPARAM(80, 96));
}

}  // namespace
}  // namespace kvp::test
