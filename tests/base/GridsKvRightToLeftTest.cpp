// The grid read right to left: the columns run from the right edge, the
// vertical scroll bar sits on the left, and the mouse, the arrow keys, the
// sizing drag, the timer and the scroll bars all follow the mirrored layout.
#include <gtest/gtest.h>

#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/System.h"
#include "platform/win/Win.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvRightToLeftTest : public GridOnFormTest {
 protected:
  void SetUp() override {
    GridOnFormTest::SetUp();
    SysLocale.MiddleEast = true;
    Grid->SetBiDiMode(bdRightToLeft);
    Grid->SetFocus();
    RepaintAll();
  }
  HWND Wnd() { return Grid->GetHandle(); }
  COLORREF Rgb(TColor C) { return COLORREF(ColorToRGB(C)); }
  // One row of client pixels.
  std::vector<COLORREF> PixelRow(Integer Y) {
    std::vector<COLORREF> Row;
    for (Integer X = 0; X < Grid->GetClientWidth(); ++X) Row.push_back(Pixel(X, Y));
    return Row;
  }
};

// Client 320 wide: fixed column 0 takes 256..319, column 1 191..254 with its
// line at 190, column 2 126..189.
TEST_F(GridsKvRightToLeftTest, ColumnsArePaintedFromTheRightEdge) {
  SaveWindowPng(Wnd(), "grid-rtl.png");
  EXPECT_EQ(Grid->CellRect(0, 0), (TRect{256, 0, 320, 24}));
  EXPECT_EQ(Grid->CellRect(1, 1), (TRect{191, 25, 255, 49}));
  // Where the texts landed, in client coordinates.
  auto TextAt = [&](const char* Text) {
    const TDrawRecord* R = GetWindowSurface(Wnd())->FindText(Text);
    const TRect Client = GetWindowSurfaceRect(Wnd());
    return R ? TPoint{R->Rect.Left - Client.Left, R->Rect.Top - Client.Top} : TPoint{-1, -1};
  };
  EXPECT_GE(TextAt("0,0").X, 256);  // in the corner on the right
  EXPECT_GE(TextAt("1,1").X, 191);
  EXPECT_LT(TextAt("1,1").X, 255);
  EXPECT_EQ(Pixel(300, 70), Rgb(clBtnFace));  // the fixed column
  EXPECT_EQ(Pixel(195, 70), Rgb(clWindow));   // column 1
  EXPECT_EQ(Pixel(255, 60), Rgb(clBlack));    // the fixed column's line
  EXPECT_EQ(Pixel(190, 60), Rgb(clSilver));   // the line between columns 1 and 2
  EXPECT_EQ(Pixel(191, 60), Rgb(clWindow));
  EXPECT_EQ(Pixel(220, 24), Rgb(clBlack));  // under the title row
}

// Columns added to a shown grid are painted at once, on the left.
TEST_F(GridsKvRightToLeftTest, AddedColumnsArePaintedOnTheLeft) {
  Grid->SetColCount(2);
  Paint();
  Grid->SetColCount(5);
  Paint();
  ASSERT_NE(Grid->FindDrawn(4, 1), nullptr);
  const std::vector<COLORREF> Title = PixelRow(10), Data = PixelRow(60);
  RepaintAll();
  EXPECT_EQ(PixelRow(10), Title);
  EXPECT_EQ(PixelRow(60), Data);
}

TEST_F(GridsKvRightToLeftTest, TheMouseHitsTheMirroredCells) {
  Input.Click(Wnd(), {150, 80});
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->GetRow(), 3);
  Input.Drag(Wnd(), {220, 30}, {100, 55});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 3, 2}));
  // A contra column lies at the left edge and answers itself.
  Grid->SetColCount(3);
  Grid->SetContraColCount(1);
  RepaintAll();
  SaveWindowPng(Wnd(), "grid-rtl-contra.png");
  EXPECT_EQ(Grid->MouseCoord(20, 60), (TGridCoord{3, 2}));
  EXPECT_EQ(Grid->CellRect(3, 2), (TRect{1, 50, 65, 74}));
  Input.Click(Wnd(), {20, 60});
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
}

TEST_F(GridsKvRightToLeftTest, LeftMovesOnAndRightMovesBack) {
  Press(VK_LEFT);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 3);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 2);
  Press(VK_LEFT, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 1, 3, 1}));
  Press(VK_END, {ssCtrl});
  EXPECT_EQ(Grid->GetCol(), 4);
  EXPECT_EQ(Grid->GetRow(), 4);
}

TEST_F(GridsKvRightToLeftTest, DraggingAColumnBoundaryLeftWidensTheColumn) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing + goRowSizing);
  Input.Drag(Wnd(), {191, 10}, {170, 10});  // the left edge of column 1
  EXPECT_EQ(Grid->GetColWidths(1), 85);
  Input.Drag(Wnd(), {170, 10}, {180, 10});
  EXPECT_EQ(Grid->GetColWidths(1), 75);
  Input.Drag(Wnd(), {300, 49}, {300, 60});  // a row boundary in the fixed column
  EXPECT_EQ(Grid->GetRowHeights(1), 35);
  // Every XOR line drawn was taken away again.
  EXPECT_EQ(XorLines() % 2, 0);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(GridsKvRightToLeftTest, ColumnsMoveByDraggingTheirTitles) {
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Grid->SetColWidths(1, 50);
  Grid->Log.clear();
  Input.MouseDown(mbLeft, Wnd(), Center(1, 0));
  EXPECT_EQ(Grid->GetGridState(), gsColMoving);
  Input.MouseMove(Wnd(), Center(3, 0));
  Advance(60);  // the title row is followed on the timer
  Input.MouseUp(mbLeft, Wnd(), Center(3, 0));
  EXPECT_EQ(Grid->GetColWidths(3), 50);
  ASSERT_FALSE(Grid->Log.empty());
  EXPECT_EQ(Grid->Log[0], "ColumnMoved 1,3");
}

TEST_F(GridsKvRightToLeftTest, SelectingPastTheLeftEdgeScrollsOnOnTheTimer) {
  Grid->SetColCount(20);
  Input.MouseDown(mbLeft, Wnd(), Center(1, 1));
  Input.MouseMove(Wnd(), {5, 30});
  const Integer Before = Grid->GetAnchor().X;
  Advance(60);
  Advance(60);
  EXPECT_EQ(Grid->GetAnchor().X, Before + 2);
  EXPECT_GT(Grid->GetLeftCol(), 1);
  Input.MouseUp(mbLeft, Wnd(), {5, 30});
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(GridsKvRightToLeftTest, TheEditorCoversTheMirroredCell) {
  Grid->SetOptions(Grid->GetOptions() + goEditing);
  Press(VK_F2);
  ASSERT_NE(Grid->GetInplaceEditor(), nullptr);
  EXPECT_EQ(Grid->GetInplaceEditor()->GetBoundsRect(), (TRect{191, 25, 255, 49}));
}

class GridsKvRightToLeftScrollTest : public GridsKvRightToLeftTest {
 protected:
  void SetUp() override {
    GridsKvRightToLeftTest::SetUp();
    Grid->SetColCount(20);
    Grid->SetRowCount(30);
    Grid->SetScrollBars(ssBoth);
    Grid->SetFocus();
    RepaintAll();
  }
  void Scroll(Integer Code, Integer Pos = 0) {
    SendMessage(Wnd(), WM_HSCROLL, MAKEWPARAM(Code, Pos), 0);
  }
  Integer MaxLeftCol() {
    TGridDrawInfo D;
    Grid->CalcDrawInfo(D);
    return Grid->CalcMaxTopLeft({19, 29}, D).X;
  }
};

TEST_F(GridsKvRightToLeftScrollTest, TheVerticalBarIsOnTheLeft) {
  SaveWindowPng(Wnd(), "grid-rtl-scroll.png");
  TRect Window;
  GetWindowRect(Wnd(), &Window);
  TPoint Origin{0, 0};
  ClientToScreen(Wnd(), &Origin);
  EXPECT_EQ(Origin.X - Window.Left, GetSystemMetrics(SM_CXVSCROLL));
}

// The horizontal thumb starts at the right end, where the grid starts.
TEST_F(GridsKvRightToLeftScrollTest, TheHorizontalBarRunsFromTheRight) {
  EXPECT_EQ(GetScrollPos(Wnd(), SB_HORZ), 127);
  Scroll(SB_LINEUP);
  EXPECT_EQ(Grid->GetLeftCol(), 2);
  EXPECT_EQ(GetScrollPos(Wnd(), SB_HORZ), 127 - MulDiv(1, 127, MaxLeftCol() - 1));
  Scroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  Scroll(SB_THUMBPOSITION, 0);
  EXPECT_EQ(Grid->GetLeftCol(), MaxLeftCol());
  Scroll(SB_THUMBPOSITION, 127);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
}

// Scrolling moves the pixels already on the screen; they must end up where a
// full repaint puts them.
TEST_F(GridsKvRightToLeftScrollTest, ScrolledPixelsMatchAFullRepaint) {
  Scroll(SB_LINEUP);
  Scroll(SB_LINEUP);
  SendMessage(Wnd(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  Paint();
  const std::vector<COLORREF> Title = PixelRow(10), Data = PixelRow(60);
  RepaintAll();
  EXPECT_EQ(PixelRow(10), Title);
  EXPECT_EQ(PixelRow(60), Data);
  EXPECT_EQ(Grid->GetLeftCol(), 3);
  EXPECT_EQ(Grid->GetTopRow(), 2);
}

// A single wide column scrolls by pixels; its start is on the right, so the
// thumb starts at the right end and the left arrow reveals more of it.
TEST_F(GridsKvRightToLeftScrollTest, ASingleColumnScrollsByPixelsTowardsTheLeft) {
  Grid->SetFixedCols(0);
  Grid->SetColCount(1);
  Grid->SetColWidths(0, 900);
  RepaintAll();
  const Integer MaxOffset = 900 - Grid->GetClientWidth();
  EXPECT_EQ(GetScrollPos(Wnd(), SB_HORZ), MaxOffset);
  Scroll(SB_LINEUP);
  const Integer Step = Grid->GetCanvas()->TextWidth("0");
  EXPECT_EQ(Grid->GetColOffset(), Step);
  EXPECT_EQ(GetScrollPos(Wnd(), SB_HORZ), MaxOffset - Step);
  Scroll(SB_PAGEUP);
  Paint();
  const std::vector<COLORREF> Title = PixelRow(10), Data = PixelRow(60);
  RepaintAll();
  EXPECT_EQ(PixelRow(10), Title);
  EXPECT_EQ(PixelRow(60), Data);
  Scroll(SB_THUMBPOSITION, 0);
  EXPECT_EQ(Grid->GetColOffset(), MaxOffset);
  Scroll(SB_THUMBPOSITION, MaxOffset);
  EXPECT_EQ(Grid->GetColOffset(), 0);
}

}  // namespace
}  // namespace korvel
