// The grid under the mouse, through the input driver and the virtual clock:
// clicking and dragging a selection, sizing columns and rows (frozen and
// contra cells included) with the XOR line, moving columns, scrolling on the
// timer past the edge, the wheel, and the scroll bars.
//
// Ideas for tests: row moving past the bottom edge scrolls on the timer.
#include <gtest/gtest.h>

#include <functional>

#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvMouseTest : public GridOnFormTest {
 protected:
  HWND Wnd() { return Grid->GetHandle(); }
  // Where the last XOR line drawn on the grid stands, in client x.
  Integer LastXorLineX() {
    const TSurface* S = GetWindowSurface(Wnd());
    for (auto It = S->Records().rbegin(); It != S->Records().rend(); ++It)
      if (It->Kind == TDrawKind::Line && It->Rop == R2_XORPEN)
        return It->Points[0].X - GetWindowSurfaceRect(Wnd()).Left;
    return -1;
  }
};

TEST_F(GridsKvMouseTest, ClickSelectsAndDragSelectsARange) {
  Input.Click(Wnd(), Center(2, 3));
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Grid->GetRow(), 3);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  Input.Drag(Wnd(), Center(1, 1), Center(3, 2));
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 3, 2}));
  Input.Click(Wnd(), Center(3, 3), mbLeft, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 3, 3}));
}

// A drag reaches the partly shown row under the bottom edge (row 4 from y
// 100) and the next column partly shown at the right (column 4 from x 260).
TEST_F(GridsKvMouseTest, ADragReachesThePartlyShownRowAndColumn) {
  Grid->SetColCount(8);
  Grid->SetRowCount(8);
  Input.MouseDown(mbLeft, Wnd(), Center(1, 1));
  Input.MouseMove(Wnd(), {280, 110});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 4, 4}));
  EXPECT_EQ(Grid->GetLeftCol(), 2);  // scrolled to show it whole
  EXPECT_EQ(Grid->GetTopRow(), 2);
  Input.MouseUp(mbLeft, Wnd(), Center(4, 4));
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 4, 4}));
}

// With row selection a Shift+click or a drag takes whole rows, up or down.
TEST_F(GridsKvMouseTest, RowSelectionExtendsByWholeRowsEitherWay) {
  Grid->SetRowCount(8);
  Grid->SetOptions(Grid->GetOptions() + goRowSelect);
  Input.Click(Wnd(), Center(2, 2));
  Input.Click(Wnd(), Center(3, 3), mbLeft, {ssShift});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 2, 4, 3}));
  Input.Drag(Wnd(), Center(2, 3), Center(3, 1));
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 4, 3}));
  Paint();
  RepaintAll();
  EXPECT_EQ(Pixel(Center(4, 2).X, Center(4, 2).Y), ColorToRGB(clHighlight));
}

TEST_F(GridsKvMouseTest, AClickOnAContraCellChangesNothing) {
  Grid->SetColCount(3);
  Grid->SetContraColCount(1);
  Input.Click(Wnd(), {300, 60});
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(GridsKvMouseTest, DraggingAColumnBoundarySizesTheColumn) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing + goRowSizing);
  struct TCase {
    const char* Name;
    Integer From, To;
    Integer Width;  // of column 1 afterwards
  };
  const TCase Cases[] = {
      {"on the line", 129, 150, 85},
      {"3 pixels before it", 126, 150, 88},  // the mouse's offset from the line is kept
      {"too narrow", 129, 66, 64},
      {"just wide enough", 129, 67, 2},
      {"outside the zone", 120, 150, 64},
      {"the zone's first pixel", 126, 150, 88},
      {"the zone's last pixel", 133, 150, 81},
      {"just before the zone", 125, 150, 64},
      {"just after the zone", 134, 150, 64},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Grid->SetColWidths(1, 64);
    Advance(1000);  // not a double click with the last press
    Input.Drag(Wnd(), {C.From, 10}, {C.To, 10});
    EXPECT_EQ(Grid->GetColWidths(1), C.Width);
    EXPECT_EQ(Grid->GetGridState(), gsNormal);
  }
  Input.Drag(Wnd(), {30, 49}, {30, 60});  // a row boundary in the fixed column
  EXPECT_EQ(Grid->GetRowHeights(1), 35);
}

// The grid's right edge, when a column is cut there, is that column's
// boundary: dragging it sizes the cut column (4, from 260), not the one
// before it.
TEST_F(GridsKvMouseTest, TheRightEdgeOfAFullGridSizesTheColumnCutThere) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Input.Drag(Wnd(), {319, 10}, {300, 10});
  EXPECT_EQ(Grid->GetColWidths(4), 41);
  EXPECT_EQ(Grid->GetColWidths(3), 64);
}

TEST_F(GridsKvMouseTest, FrozenAndContraColumnsCanBeSized) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Input.Drag(Wnd(), {129, 10}, {150, 10});
  EXPECT_EQ(Grid->GetColWidths(1), 85);

  // Two contra columns: the boundary between them sizes the right-hand one,
  // whose right edge stays at the client's edge.
  Grid->SetFixedCols(1);
  Grid->SetFrozenColCount(0);
  Grid->SetColCount(3);
  Grid->SetContraColCount(2);
  Input.Drag(Wnd(), {254, 10}, {234, 10});
  EXPECT_EQ(Grid->GetColWidths(4), 84);
  EXPECT_EQ(Grid->GetColWidths(3), 64);
  EXPECT_EQ(Grid->CellRect(4, 1).Right, 319);
}

// The frozen column lies among the fixed ones: below the titles its row
// boundaries size rows, as in the other fixed columns, while column sizing
// is on too; in the title row its right boundary still sizes it.
TEST_F(GridsKvMouseTest, RowsCanBeSizedOverAFrozenColumnWhileColumnSizingIsOn) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing + goRowSizing);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Input.MouseMove(Wnd(), {100, 49});
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crVSplit));
  Input.Drag(Wnd(), {100, 49}, {100, 60});
  EXPECT_EQ(Grid->GetRowHeights(1), 35);
  Input.Drag(Wnd(), {30, 85}, {30, 75});  // the plain fixed column too
  EXPECT_EQ(Grid->GetRowHeights(2), 14);
  Input.Drag(Wnd(), {129, 10}, {139, 10});
  EXPECT_EQ(Grid->GetColWidths(1), 74);
  EXPECT_EQ(Grid->GetRowHeights(1), 35);
  Input.Drag(Wnd(), {160, 49}, {160, 70});  // a data column: no sizing, a selection
  EXPECT_EQ(Grid->GetRowHeights(1), 35);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
}

TEST_F(GridsKvMouseTest, TheCursorShowsWhereABoundaryCanBeDragged) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing + goRowSizing);
  Input.MouseMove(Wnd(), {129, 10});
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crHSplit));
  Input.MouseMove(Wnd(), {30, 50});
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crVSplit));
  Input.MouseMove(Wnd(), {100, 60});
  EXPECT_NE(GetCursor(), Screen()->GetCursors(crVSplit));
  EXPECT_NE(GetCursor(), Screen()->GetCursors(crHSplit));
}

TEST_F(GridsKvMouseTest, SizingLineIsDrawnInXorAndErasedOnCancel) {
  Grid->SetOptions(Grid->GetOptions() + goColSizing);
  Paint();
  Input.MouseDown(mbLeft, Wnd(), {129, 10});
  EXPECT_EQ(Grid->GetGridState(), gsColSizing);
  Input.MouseMove(Wnd(), {140, 10});
  EXPECT_EQ(XorLines() % 2, 1);  // one line on the screen
  SendMessage(Wnd(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(XorLines() % 2, 0);
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  Input.MouseUp(mbLeft, Wnd(), {140, 10});
  EXPECT_EQ(Grid->GetColWidths(1), 64);
}

TEST_F(GridsKvMouseTest, DraggingATitleMovesTheColumnWhenTheGridAgrees) {
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Grid->SetColWidths(1, 50);
  Grid->Log.clear();
  Input.MouseDown(mbLeft, Wnd(), Center(1, 0));
  EXPECT_EQ(Grid->GetGridState(), gsColMoving);
  Input.MouseMove(Wnd(), Center(3, 0));
  Advance(60);  // the title row is followed on the timer
  // Moving on, the line shows the far edge of the column it would land on
  // (column 3 ends at 245).
  EXPECT_EQ(LastXorLineX(), 245);
  Input.MouseUp(mbLeft, Wnd(), Center(3, 0));
  EXPECT_EQ(Grid->GetColWidths(3), 50);
  ASSERT_FALSE(Grid->Log.empty());
  EXPECT_EQ(Grid->Log[0], "ColumnMoved 1,3");
  EXPECT_EQ(XorLines() % 2, 0);

  Grid->AllowEndDrag = false;
  Input.MouseDown(mbLeft, Wnd(), Center(1, 0));
  Input.MouseMove(Wnd(), Center(2, 0));
  Advance(60);
  Input.MouseUp(mbLeft, Wnd(), Center(2, 0));
  EXPECT_EQ(Grid->GetColWidths(3), 50);
  EXPECT_EQ(Grid->GetColWidths(2), 64);
}

TEST_F(GridsKvMouseTest, DraggingAFixedCellMovesTheRow) {
  Grid->SetOptions(Grid->GetOptions() + goRowMoving);
  Grid->SetRowHeights(1, 30);
  Grid->FocusCell(2, 1, true);
  Paint();
  Input.MouseDown(mbLeft, Wnd(), Center(0, 1));
  EXPECT_EQ(Grid->GetGridState(), gsRowMoving);
  Input.MouseMove(Wnd(), Center(0, 3));
  Advance(60);
  Input.MouseUp(mbLeft, Wnd(), Center(0, 3));
  EXPECT_EQ(Grid->GetRowHeights(3), 30);
  EXPECT_EQ(Grid->GetRowHeights(1), 24);
  EXPECT_EQ(Grid->GetRow(), 3);  // the current row went with it
  EXPECT_EQ(XorLines() % 2, 0);
}

TEST_F(GridsKvMouseTest, SelectingPastTheBottomScrollsOnTheTimer) {
  Grid->SetRowCount(10);
  Input.MouseDown(mbLeft, Wnd(), Center(2, 2));
  EXPECT_EQ(Grid->GetGridState(), gsSelecting);
  Input.MouseMove(Wnd(), {Center(2, 2).X, 130});  // below the grid, mouse captured
  Advance(60);
  EXPECT_EQ(Grid->GetAnchor().Y, 3);
  Advance(60);
  Advance(60);
  EXPECT_EQ(Grid->GetAnchor().Y, 5);
  EXPECT_EQ(Grid->GetTopRow(), 3);
  for (Integer I = 0; I < 10; ++I) Advance(60);  // on to the last row, and no further
  EXPECT_EQ(Grid->GetAnchor().Y, 9);
  EXPECT_EQ(Grid->GetTopRow(), 7);
  Input.MouseUp(mbLeft, Wnd(), {Center(2, 2).X, 130});
  EXPECT_EQ(Grid->GetGridState(), gsNormal);
  Advance(600);
  EXPECT_EQ(Grid->GetAnchor().Y, 9);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 2, 2, 9}));
}

// The mirror image: above and left of the data area the selection grows
// back on the timer, scrolling back, and stops at the first data cell.
TEST_F(GridsKvMouseTest, SelectingPastTheTopLeftScrollsBackAndStopsAtTheFirstDataCell) {
  Grid->SetRowCount(10);
  Grid->SetColCount(10);
  Grid->SetLeftCol(4);
  Grid->SetTopRow(4);
  Input.MouseDown(mbLeft, Wnd(), Center(5, 5));
  Input.MouseMove(Wnd(), {Center(5, 5).X, 10});  // over the title row
  Advance(60);
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{5, 4}));
  Advance(60);
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{5, 3}));
  EXPECT_EQ(Grid->GetTopRow(), 3);
  Input.MouseMove(Wnd(), {10, 10});  // over the fixed corner: up and left
  for (Integer I = 0; I < 8; ++I) Advance(60);
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{1, 1}));
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  Input.MouseUp(mbLeft, Wnd(), {10, 10});
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 5, 5}));
}

// Dragged left over the fixed column, a title scrolls the columns back on
// the timer and lands in front of the first one.
TEST_F(GridsKvMouseTest, DraggingATitleLeftScrollsBackAndMovesTheColumnToTheFront) {
  Grid->SetColCount(10);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Grid->SetColWidths(5, 50);
  Grid->SetLeftCol(4);
  Paint();
  Input.MouseDown(mbLeft, Wnd(), Center(5, 0));
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  Input.MouseMove(Wnd(), {20, 10});
  for (Integer I = 0; I < 6; ++I) Advance(60);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  EXPECT_EQ(LastXorLineX(), 65);  // moving back: the near edge of column 1
  Input.MouseUp(mbLeft, Wnd(), {20, 10});
  EXPECT_EQ(Grid->GetColWidths(1), 50);
  EXPECT_EQ(Grid->GetColWidths(5), 64);
  EXPECT_EQ(XorLines() % 2, 0);
}

// The mirror image: dragged right past the last whole column, a title
// scrolls the columns on and lands at the far end.
TEST_F(GridsKvMouseTest, DraggingATitleRightScrollsOnAndMovesTheColumnToTheEnd) {
  Grid->SetColCount(10);
  Grid->SetOptions(Grid->GetOptions() + goColMoving);
  Grid->SetColWidths(2, 50);
  Paint();
  Input.MouseDown(mbLeft, Wnd(), Center(2, 0));
  ASSERT_EQ(Grid->GetGridState(), gsColMoving);
  Input.MouseMove(Wnd(), {315, 10});
  for (Integer I = 0; I < 12; ++I) Advance(60);
  EXPECT_EQ(Grid->GetLeftCol(), 7);
  Input.MouseUp(mbLeft, Wnd(), {315, 10});
  EXPECT_EQ(Grid->GetColWidths(9), 50);
  EXPECT_EQ(Grid->GetColWidths(2), 64);
  EXPECT_EQ(XorLines() % 2, 0);
}

TEST_F(GridsKvMouseTest, WheelMovesTheRowWithinTheDataRows) {
  Grid->FocusCell(2, 3, true);
  Input.Wheel(Wnd(), -WHEEL_DELTA, Center(2, 2));
  EXPECT_EQ(Grid->GetRow(), 4);
  Input.Wheel(Wnd(), -WHEEL_DELTA, Center(2, 2));
  EXPECT_EQ(Grid->GetRow(), 4);  // the last row
  Input.Wheel(Wnd(), WHEEL_DELTA, Center(2, 2));
  EXPECT_EQ(Grid->GetRow(), 3);  // one row a notch, back too
  for (Integer I = 0; I < 5; ++I) Input.Wheel(Wnd(), WHEEL_DELTA, Center(2, 2));
  EXPECT_EQ(Grid->GetRow(), 1);
}

// In a designer the boundaries can be dragged whatever the options say: the
// grid answers the designer's hit test on them, and only there.
TEST_F(GridsKvMouseTest, TheDesignerFindsTheBoundariesWithoutSizingOptions) {
  auto HitTest = [&](Integer X, Integer Y) {
    return Grid->Perform(CM_DESIGNHITTEST, 0, MAKELPARAM(X, Y));
  };
  EXPECT_EQ(HitTest(129, 10), 0);
  Grid->SetDesigning(true);
  EXPECT_NE(HitTest(129, 10), 0);  // column boundary in the title row
  EXPECT_NE(HitTest(30, 49), 0);   // row boundary in the fixed column
  EXPECT_EQ(HitTest(100, 10), 0);  // inside a title
  EXPECT_EQ(HitTest(129, 60), 0);  // column boundary below the titles
  Grid->SetDesigning(false);
}

// [SECTION] Scroll bars

class GridsKvScrollBarTest : public GridOnFormTest {
 protected:
  void SetUp() override {
    GridOnFormTest::SetUp();
    Grid->SetRowCount(30);
    Grid->SetColCount(10);
    Grid->SetScrollBars(ssBoth);
    Paint();
  }
  Integer MaxTopRow() {
    TGridDrawInfo D;
    Grid->CalcDrawInfo(D);
    return Grid->CalcMaxTopLeft({9, 29}, D).Y;
  }
  void Scroll(UINT Msg, Integer Code, Integer Pos = 0) {
    SendMessage(Grid->GetHandle(), Msg, MAKEWPARAM(Code, Pos), 0);
  }
};

TEST_F(GridsKvScrollBarTest, ThumbMapsZeroTo127OntoTheTopRows) {
  Integer Min = -1, Max = -1;
  GetScrollRange(Grid->GetHandle(), SB_VERT, &Min, &Max);
  EXPECT_EQ(Max, 127);
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 127);
  EXPECT_EQ(Grid->GetTopRow(), MaxTopRow());
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 0);
  EXPECT_EQ(Grid->GetTopRow(), MaxTopRow());  // no thumb tracking
  Scroll(WM_VSCROLL, SB_THUMBPOSITION, 0);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  Scroll(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(Grid->GetTopRow(), MaxTopRow());
  Scroll(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(Grid->GetTopRow(), 1);
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  Scroll(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(Grid->GetTopRow(), 3);
  EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_VERT), MulDiv(2, 127, MaxTopRow() - 1));
  Grid->SetOptions(Grid->GetOptions() + goThumbTracking);
  Scroll(WM_VSCROLL, SB_THUMBTRACK, 127);
  EXPECT_EQ(Grid->GetTopRow(), MaxTopRow());
}

// A hidden row never becomes the top row, however the grid is scrolled: the
// scroll bar and the keys step on to the next row that shows.
// A hidden row never becomes the top row, however the grid is scrolled: the
// scroll bar and the keys step on to the next row that shows. Row 4 is
// hidden; it still counts as wholly visible after row 3, so a page down
// from row 1 would land on it.
TEST_F(GridsKvScrollBarTest, AHiddenRowIsNeverLeftAtTheTop) {
  Grid->SetRowHeights(4, 0);
  TGridDrawInfo D;
  Grid->CalcDrawInfo(D);
  ASSERT_EQ(D.Vert.LastFullVisibleCell, 4);
  struct TCase {
    const char* Name;
    Integer From;
    std::function<void()> Act;
    Integer TopRow;
  };
  const TCase Cases[] = {
      {"page down on the bar", 1, [&] { Scroll(WM_VSCROLL, SB_PAGEDOWN); }, 5},
      {"line down on the bar", 3, [&] { Scroll(WM_VSCROLL, SB_LINEDOWN); }, 5},
      {"line up on the bar", 5, [&] { Scroll(WM_VSCROLL, SB_LINEUP); }, 3},
      {"the thumb", 1,
       [&] { Scroll(WM_VSCROLL, SB_THUMBPOSITION, MulDiv(3, 127, MaxTopRow() - 1)); }, 5},
      {"PageDown", 1, [&] { Input.KeyPress(VK_NEXT); }, 5},
      {"Ctrl+Down", 3, [&] { Input.KeyPress(VK_DOWN, {ssCtrl}); }, 5},
      {"Ctrl+Up", 5, [&] { Input.KeyPress(VK_UP, {ssCtrl}); }, 3},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Grid->FocusCell(1, C.From, true);
    Grid->SetTopRow(C.From);
    ASSERT_EQ(Grid->GetTopRow(), C.From);
    C.Act();
    EXPECT_EQ(Grid->GetTopRow(), C.TopRow);
  }
  // The cursor steps over the hidden row both ways.
  Grid->FocusCell(2, 3, true);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Grid->GetRow(), 5);
  Input.KeyPress(VK_UP);
  EXPECT_EQ(Grid->GetRow(), 3);
}

// Scrolled to the end, then made big enough for everything: the first rows
// and columns come back into view on an axis with a scroll bar or without.
TEST_F(GridsKvScrollBarTest, GrowingTheWindowBringsTheFirstCellsBack) {
  const TScrollStyle Styles[] = {ssNone, ssHorizontal, ssVertical, ssBoth};
  for (TScrollStyle Style : Styles) {
    SCOPED_TRACE(int(Style));
    Grid->SetBounds(0, 0, 320, 120);
    Grid->SetScrollBars(Style);
    Grid->SetLeftCol(9);
    Grid->SetTopRow(29);
    ASSERT_GT(Grid->GetLeftCol(), 1);
    ASSERT_GT(Grid->GetTopRow(), 1);
    Grid->SetBounds(0, 0, 10 * 65 + 20, 30 * 25 + 20);
    EXPECT_EQ(Grid->GetLeftCol(), 1);
    EXPECT_EQ(Grid->GetTopRow(), 1);
    Paint();
    EXPECT_NE(Grid->FindDrawn(1, 1), nullptr);
  }
}

TEST_F(GridsKvScrollBarTest, NoScrollBarsMeansNoRangeIsEverSet) {
  Grid->SetScrollBars(ssNone);
  Grid->SetRowCount(60);
  Grid->SetTopRow(20);
  Integer Min = -1, Max = -1;
  GetScrollRange(Grid->GetHandle(), SB_VERT, &Min, &Max);
  EXPECT_EQ(Max, 0);
  EXPECT_EQ(GetScrollPos(Grid->GetHandle(), SB_VERT), 0);
}

// With a single column the grid scrolls by pixels; SB_TOP goes to the start
// and SB_BOTTOM to the end, and a column narrower than the grid never
// scrolls.
TEST_F(GridsKvScrollBarTest, ASingleColumnScrollsByPixels) {
  Grid->SetFixedCols(0);
  Grid->SetColCount(1);
  Grid->SetColWidths(0, 900);
  const Integer Free = Grid->GetClientWidth();
  // The thumb's range ends where the column ends beside the vertical bar.
  Integer Min = -1, Max = -1;
  GetScrollRange(Grid->GetHandle(), SB_HORZ, &Min, &Max);
  EXPECT_EQ(Max, 900 - Free);
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, Max);
  EXPECT_EQ(Grid->GetColOffset(), 900 - Free);
  Scroll(WM_HSCROLL, SB_TOP);
  Scroll(WM_HSCROLL, SB_LINEDOWN);
  EXPECT_EQ(Grid->GetColOffset(), Grid->GetCanvas()->TextWidth("0"));
  Scroll(WM_HSCROLL, SB_BOTTOM);
  EXPECT_EQ(Grid->GetColOffset(), 900 - Free);
  Scroll(WM_HSCROLL, SB_PAGEUP);
  EXPECT_EQ(Grid->GetColOffset(), 900 - 2 * Free);
  Scroll(WM_HSCROLL, SB_TOP);
  EXPECT_EQ(Grid->GetColOffset(), 0);
  Scroll(WM_HSCROLL, SB_BOTTOM);
  Grid->SetWidth(380);  // wider: the end of the column must stay at the edge
  EXPECT_EQ(Grid->GetColOffset(), 900 - Grid->GetClientWidth());
  Grid->SetColWidths(0, 100);
  Scroll(WM_HSCROLL, SB_LINEDOWN);
  EXPECT_EQ(Grid->GetColOffset(), 0);
}

}  // namespace
}  // namespace korvel
