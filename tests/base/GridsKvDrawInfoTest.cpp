// The grid's coordinate model without a window: the per-axis layout for a
// 320 x 120 grid, cell rectangles, hit testing and the largest top-left
// cell, with fixed, frozen, scrolling and contra cells.
//
// Ideas for tests: right-to-left mirroring once the platform has a
// right-to-left locale.
#include <gtest/gtest.h>

#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvDrawInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Grid = TTestGrid::Create(nullptr);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 320, 120);
  }
  void TearDown() override {
    Grid->CheckConsistency();
    FreeAndNil(Grid);
  }
  TGridDrawInfo Info() {
    TGridDrawInfo D;
    Grid->CalcDrawInfo(D);
    return D;
  }
  TTestGrid* Grid = nullptr;
};

TEST_F(GridsKvDrawInfoTest, DefaultGridLaysOutFourAndAPartColumnsAndRows) {
  const TGridDrawInfo D = Info();
  EXPECT_EQ(D.Horz.EffectiveLineWidth, 1);
  EXPECT_EQ(D.Horz.FixedBoundary, 65);
  EXPECT_EQ(D.Horz.GridExtent, 320);
  EXPECT_EQ(D.Horz.LastFullVisibleCell, 3);
  EXPECT_EQ(D.Horz.FullVisBoundary, 260);
  EXPECT_EQ(D.Horz.GridBoundary, 320);  // the partly shown column 4 is cut
  EXPECT_EQ(D.Vert.FixedBoundary, 25);
  EXPECT_EQ(D.Vert.LastFullVisibleCell, 3);
  EXPECT_EQ(D.Vert.FullVisBoundary, 100);
  EXPECT_EQ(D.Vert.GridBoundary, 120);
  EXPECT_EQ(Grid->GetVisibleColCount(), 3);
  EXPECT_EQ(Grid->GetGridWidth(), 320);

  Grid->SetOptions(Grid->GetOptions() - goVertLine - goFixedVertLine);
  EXPECT_EQ(Info().Horz.EffectiveLineWidth, 0);
  EXPECT_EQ(Info().Horz.FixedBoundary, 64);
  EXPECT_EQ(Info().Vert.EffectiveLineWidth, 1);
}

TEST_F(GridsKvDrawInfoTest, FrozenAndContraCellsMoveTheirBoundaries) {
  Grid->SetColCount(6);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetContraColCount(1);
  Grid->SetColWidths(1, 40);
  Grid->SetColWidths(6, 30);  // the contra column
  const TGridDrawInfo D = Info();
  EXPECT_EQ(D.Horz.FixedBoundary, 65 + 41);
  EXPECT_EQ(D.Horz.FrozenBoundary, 65);
  EXPECT_EQ(D.Horz.ContraBoundary, 320 - 31 - 1);
  EXPECT_EQ(D.Horz.GridExtent, 288);
  EXPECT_EQ(D.Horz.FullGridBoundary, 320);
  EXPECT_EQ(D.Horz.FullCellCount, 7);
  EXPECT_EQ(D.Horz.LastFullVisibleCell, 3);  // 106..171, 171..236, col 4 passes 289
  EXPECT_EQ(D.Horz.GridBoundary, 288);
}

TEST_F(GridsKvDrawInfoTest, ContraColumnLeavesAGapAfterFewColumns) {
  Grid->SetColCount(3);
  Grid->SetContraColCount(1);
  const TGridDrawInfo D = Info();
  EXPECT_EQ(D.Horz.ContraBoundary, 254);
  EXPECT_EQ(D.Horz.GridBoundary, 195);
  struct TCase {
    Integer X, Y;
    TGridCoord Expected;
  };
  const TCase Cases[] = {
      {300, 30, {3, 1}},    // the contra column
      {254, 30, {3, 1}},    // on the line in front of it
      {220, 30, {-1, -1}},  // the gap between the last column and the contra area
      {10, 10, {0, 0}},     // fixed cell
      {70, 30, {1, 1}},     // first scrolling cell
      {194, 119, {2, 4}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.X) + "," + std::to_string(C.Y));
    EXPECT_EQ(Grid->MouseCoord(C.X, C.Y), C.Expected);
  }
}

TEST_F(GridsKvDrawInfoTest, CellRectanglesFollowScrollingAndContraCells) {
  Grid->SetColCount(8);
  Grid->SetContraColCount(1);
  Grid->SetLeftCol(3);
  struct TCase {
    TGridRect Range;
    TRect Expected;
  };
  // Contra boundary 320 - 65 - 1 = 254; shown: col 3 at 65..129, col 4 at
  // 130..194, col 5 at 195..254 (cut at the contra area), contra col 8 at 255.
  const TCase Cases[] = {
      {{0, 0, 0, 0}, {0, 0, 64, 24}},     {{3, 1, 3, 1}, {65, 25, 129, 49}},
      {{5, 1, 5, 1}, {195, 25, 254, 49}},  // partly shown, clipped at the contra area
      {{1, 1, 2, 1}, {0, 0, 0, 0}},        // scrolled away
      {{2, 1, 8, 1}, {65, 25, 319, 49}},   // from scrolled away into the contra column
      {{8, 1, 8, 1}, {255, 25, 319, 49}},  // the contra column itself
      {{4, 1, 3, 1}, {0, 0, 0, 0}},        // reversed range
      {{7, 1, 7, 1}, {0, 0, 0, 0}},        // beyond the visible columns
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Range.Left) + ".." + std::to_string(C.Range.Right));
    const TRect R = Grid->BoxRect(C.Range.Left, C.Range.Top, C.Range.Right, C.Range.Bottom);
    EXPECT_EQ(R, C.Expected);
  }
  TRect WithLine;
  Grid->GridRectToScreenRect({3, 1, 3, 1}, WithLine, true);
  EXPECT_EQ(WithLine, (TRect{65, 25, 130, 50}));
}

TEST_F(GridsKvDrawInfoTest, PartlyVisibleLastColumnIsClippedAtTheGridExtent) {
  EXPECT_EQ(Grid->CellRect(4, 1), (TRect{260, 25, 320, 49}));
}

TEST_F(GridsKvDrawInfoTest, LinePosCountsFromTheRightStart) {
  Grid->SetColCount(8);
  Grid->SetContraColCount(1);
  Grid->SetLeftCol(3);
  const TGridDrawInfo D = Info();
  EXPECT_EQ(TCustomGridKv::LinePos(D.Horz, 0), 0);
  EXPECT_EQ(TCustomGridKv::LinePos(D.Horz, 2), 0);  // scrolled away
  EXPECT_EQ(TCustomGridKv::LinePos(D.Horz, 4), 130);
  EXPECT_EQ(TCustomGridKv::LinePos(D.Horz, 8), 255);
  EXPECT_EQ(TCustomGridKv::LinePos(D.Horz, 7), 0);  // past the client width
}

TEST_F(GridsKvDrawInfoTest, MaxTopLeftIsTheLastCellThatStillFillsTheGrid) {
  Grid->SetRowCount(10);
  Grid->SetColCount(10);
  EXPECT_EQ(Grid->CalcMaxTopLeft({9, 9}, Info()), (TGridCoord{7, 7}));
  // Hidden rows take no room.
  Grid->SetRowHeights(9, 0);
  Grid->SetRowHeights(8, -5);
  EXPECT_EQ(Grid->CalcMaxTopLeft({9, 9}, Info()).Y, 5);
}

// Rows of 23 + 1 exactly fill 120 pixels after the title row: the last row's
// line ends on the client's edge and the row counts as wholly visible, and
// the grid scrolls no further than to show the last four rows.
TEST_F(GridsKvDrawInfoTest, RowsThatExactlyFillTheGridAreAllWhollyVisible) {
  Grid->SetRowCount(10);
  Grid->SetDefaultRowHeight(23);  // title 0..23, rows at 24, 48, 72, 96 ending at 119
  const TGridDrawInfo D = Info();
  EXPECT_EQ(D.Vert.LastFullVisibleCell, 4);
  EXPECT_EQ(D.Vert.FullVisBoundary, 120);
  EXPECT_EQ(Grid->GetVisibleRowCount(), 4);
  EXPECT_EQ(Grid->CellRect(1, 4), (TRect{65, 96, 129, 119}));
  EXPECT_TRUE(IsRectEmpty(Grid->CellRect(1, 5)));
  EXPECT_EQ(Grid->CalcMaxTopLeft({1, 9}, D).Y, 6);
  Grid->SetTopRow(9);
  EXPECT_EQ(Grid->GetTopRow(), 6);
  // Without room for its line the fourth row is still whole; one pixel less
  // and it is only partly shown.
  Grid->SetTopRow(1);
  Grid->SetBounds(0, 0, 320, 119);
  EXPECT_EQ(Info().Vert.LastFullVisibleCell, 4);
  EXPECT_EQ(Grid->CalcMaxTopLeft({1, 9}, Info()).Y, 6);
  Grid->SetBounds(0, 0, 320, 118);
  EXPECT_EQ(Info().Vert.LastFullVisibleCell, 3);
  EXPECT_EQ(Grid->CalcMaxTopLeft({1, 9}, Info()).Y, 7);
}

// Every pixel of a cell answers that cell, and so does the line after it;
// the next pixel is the next cell. Also in the contra column.
TEST_F(GridsKvDrawInfoTest, HitTestingHasExactCellEdges) {
  Grid->SetColCount(4);
  Grid->SetContraColCount(1);
  struct TCase {
    Integer X;
    Integer Col;
  };
  // Columns 0..63 | 64, 65..128 | 129, 130..193 | 194, then column 3 from
  // 195, cut by the line in front of the contra column at 254; the contra
  // column 255..318 and its line at 319.
  const TCase Cases[] = {{0, 0},   {63, 0},  {64, 0},  {65, 1},  {128, 1}, {129, 1}, {130, 2},
                         {194, 2}, {195, 3}, {253, 3}, {254, 4}, {255, 4}, {319, 4}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.X);
    EXPECT_EQ(Grid->MouseCoord(C.X, 30).X, C.Col);
  }
  EXPECT_EQ(Grid->MouseCoord(30, 24).Y, 0);
  EXPECT_EQ(Grid->MouseCoord(30, 25).Y, 1);
  EXPECT_EQ(Grid->MouseCoord(30, 49).Y, 1);
  EXPECT_EQ(Grid->MouseCoord(30, 50).Y, 2);
  EXPECT_EQ(Grid->MouseCoord(30, 119).Y, 4);
}

// A negative extent hides a cell and its line: the next cell starts where
// the hidden one would have, nothing overlaps and the mouse never finds it.
// A zero extent keeps the one-pixel line slot.
TEST_F(GridsKvDrawInfoTest, ANegativeExtentTakesNoRoomAtAll) {
  Grid->SetColCount(8);
  Grid->SetColWidths(2, -5);
  EXPECT_EQ(Grid->CellRect(1, 1), (TRect{65, 25, 129, 49}));
  EXPECT_TRUE(IsRectEmpty(Grid->CellRect(2, 1)));
  EXPECT_EQ(Grid->CellRect(3, 1), (TRect{130, 25, 194, 49}));
  for (Integer X = 125; X < 200; ++X) EXPECT_NE(Grid->MouseCoord(X, 30).X, 2) << X;
  EXPECT_EQ(Info().Horz.LastFullVisibleCell, 4);
  Grid->SetColWidths(2, 0);
  EXPECT_EQ(Grid->CellRect(3, 1), (TRect{131, 25, 195, 49}));
  Grid->SetColWidths(2, -1);  // with the line: nothing left
  EXPECT_EQ(Grid->CellRect(3, 1), (TRect{130, 25, 194, 49}));
}

// A negative index reached the counted array's length slot; now it reads the
// default and writing it raises.
TEST_F(GridsKvDrawInfoTest, NegativeExtentIndexesAreSafe) {
  Grid->SetColWidths(0, 30);
  EXPECT_EQ(Grid->GetColWidths(-1), 64);
  EXPECT_THROW(Grid->SetColWidths(-1, 5), EInvalidGridOperationKv);
  EXPECT_EQ(Grid->GetColWidthsArray()[0], 5);
  Grid->SetLeftCol(-5);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
}

// The column's visible cells must repaint even when the grid is scrolled far
// below its first rows.
TEST_F(GridsKvDrawInfoTest, InvalidateColCoversTheWholeColumnOfAScrolledGrid) {
  TForm* Form = TForm::Create(nullptr);
  Grid->SetParent(Form);
  Grid->SetRowCount(50);
  Form->Show();
  Grid->SetTopRow(30);
  UpdateWindow(Grid->GetHandle());
  Grid->InvalidateCol(2);
  TRect Box;
  GetUpdateRect(Grid->GetHandle(), &Box, FALSE);
  EXPECT_EQ(Box.Left, 130);
  EXPECT_EQ(Box.Right, 195);
  EXPECT_EQ(Box.Top, 0);
  EXPECT_EQ(Box.Bottom, 120);
  Grid->SetParent(nullptr);
  FreeAndNil(Form);
}

}  // namespace
}  // namespace korvel
