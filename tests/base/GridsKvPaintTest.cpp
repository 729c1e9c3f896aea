// What the grid paints: line colours by area, cell backgrounds and states,
// frozen and contra cells, the editor's cell, the paint lock. Checked on the
// window's pixels and on the DrawCell calls the grid makes.
//
// Ideas for tests: geometric pens for GridLineWidth > 1 on the drawing log.
#include <gtest/gtest.h>

#include "platform/graphics/Colors.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvPaintTest : public GridOnFormTest {};

COLORREF Rgb(TColor C) { return ColorToRGB(C); }

TEST_F(GridsKvPaintTest, FixedLinesAreBlackDataLinesSilverAndCellsShowTheirText) {
  SaveWindowPng(Grid->GetHandle(), "grid-default.png");
  // Column lines: after column 0 at x 64 (fixed), after column 1 at x 129.
  EXPECT_EQ(Pixel(64, 60), Rgb(clBlack));
  EXPECT_EQ(Pixel(129, 60), Rgb(clSilver));
  EXPECT_EQ(Pixel(100, 49), Rgb(clSilver));  // row line in the data area
  EXPECT_EQ(Pixel(100, 24), Rgb(clBlack));   // under the title row
  EXPECT_EQ(Pixel(160, 60), Rgb(clWindow));  // inside a data cell
  const TSurface* S = GetWindowSurface(Grid->GetHandle());
  EXPECT_NE(S->FindText("2,2"), nullptr);
  EXPECT_NE(S->FindText("0,0"), nullptr);
  Integer Edges = 0;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::Edge) ++Edges;
  EXPECT_GT(Edges, 0);  // raised fixed cells
  const auto* Fixed = Grid->FindDrawn(0, 2);
  ASSERT_NE(Fixed, nullptr);
  EXPECT_TRUE(Fixed->State.Contains(gdFixed));
  const auto* Current = Grid->FindDrawn(1, 1);
  ASSERT_NE(Current, nullptr);
  EXPECT_TRUE(Current->State.Contains(gdFocused));
  EXPECT_TRUE(Current->State.Contains(gdSelected));
}

TEST_F(GridsKvPaintTest, LineColoursFollowFlatColorAndSetSlots) {
  Grid->SetFlat(true);
  Grid->SetColor(clSilver);
  RepaintAll();
  EXPECT_EQ(Pixel(64, 60), Rgb(clGray));
  EXPECT_EQ(Pixel(129, 60), Rgb(clGray));
  Grid->GetGridLineColors()->SetColor(0, clRed);
  Grid->GetGridLineColors()->SetColor(1, clBlue);
  Paint();
  EXPECT_EQ(Pixel(129, 60), Rgb(clRed));
  EXPECT_EQ(Pixel(64, 60), Rgb(clBlue));
}

TEST_F(GridsKvPaintTest, WithoutLinesCellsAbut) {
  Grid->SetGridLineWidth(0);
  RepaintAll();
  const auto* A = Grid->FindDrawn(1, 1);
  const auto* B = Grid->FindDrawn(2, 1);
  ASSERT_TRUE(A && B);
  EXPECT_EQ(A->Rect.Right, B->Rect.Left);
  EXPECT_EQ(Pixel(129, 60), Rgb(clWindow));
}

TEST_F(GridsKvPaintTest, AZeroWidthColumnIsNeitherDrawnNorLined) {
  Grid->SetColWidths(2, 0);
  RepaintAll();
  EXPECT_EQ(Grid->FindDrawn(2, 2), nullptr);
  EXPECT_NE(Grid->FindDrawn(3, 2), nullptr);
}

TEST_F(GridsKvPaintTest, FrozenColumnsAreDataCellsBelowTheTitlesWithTheirOwnBoundary) {
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->GetGridLineColors()->SetColor(15, clRed);
  RepaintAll();
  const auto* Title = Grid->FindDrawn(1, 0);
  const auto* Frozen = Grid->FindDrawn(1, 2);
  ASSERT_TRUE(Title && Frozen);
  EXPECT_TRUE(Title->State.Contains(gdFixed));
  EXPECT_FALSE(Frozen->State.Contains(gdFixed));
  EXPECT_EQ(Pixel(100, 60), Rgb(clWindow));  // frozen cell background
  EXPECT_EQ(Pixel(129, 60), Rgb(clRed));     // the frozen boundary
}

// Two fixed columns (the second frozen), a scrolled data area and a contra
// column and row. Horizontally: fixed 0..64, frozen 65..129, scrolling from
// 130, the contra column from 255; vertically: title 0..24, data from 25,
// the contra row from 95.
TEST_F(GridsKvPaintTest, FixedFrozenScrollingAndContraCellsTogether) {
  Grid->SetColCount(12);
  Grid->SetRowCount(20);
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  Grid->SetContraColCount(1);
  Grid->SetContraRowCount(1);
  Grid->SetLeftCol(4);
  Grid->SetTopRow(6);
  RepaintAll();
  SaveWindowPng(Grid->GetHandle(), "grid-all-areas.png");
  struct TCase {
    Integer Col, Row;
    Integer Left, Top;  // -1: not drawn
    bool Fixed;
  };
  const TCase Cases[] = {
      {0, 0, 0, 0, true},      {1, 0, 65, 0, true},       // titles, frozen one included
      {0, 6, 0, 25, true},     {1, 6, 65, 25, false},     // fixed; frozen is data
      {4, 6, 130, 25, false},  {4, 7, 130, 50, false},    // first scrolling cells
      {3, 6, -1, -1, false},   {2, 5, -1, -1, false},     // scrolled away
      {12, 0, 255, 0, true},   {12, 6, 255, 25, false},   // contra column
      {0, 20, 0, 95, true},    {1, 20, 65, 95, false},    // contra row
      {4, 20, 130, 95, false}, {12, 20, 255, 95, false},  // ... and the corner
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Col) + "," + std::to_string(C.Row));
    const auto* D = Grid->FindDrawn(C.Col, C.Row);
    if (C.Left < 0) {
      EXPECT_EQ(D, nullptr);
      continue;
    }
    ASSERT_NE(D, nullptr);
    EXPECT_EQ(D->Rect.Left, C.Left);
    EXPECT_EQ(D->Rect.Top, C.Top);
    EXPECT_EQ(D->State.Contains(gdFixed), C.Fixed);
  }
  EXPECT_EQ(Pixel(30, 70), Rgb(clBtnFace));   // fixed column
  EXPECT_EQ(Pixel(100, 70), Rgb(clWindow));   // frozen column
  EXPECT_EQ(Pixel(129, 70), Rgb(clBlack));    // frozen boundary (fixed fallback)
  EXPECT_EQ(Pixel(250, 70), Rgb(clWindow));   // the scrolling cell cut at the contra column
  EXPECT_EQ(Pixel(254, 70), Rgb(clBlack));    // the line in front of the contra column
  EXPECT_EQ(Pixel(300, 70), Rgb(clWindow));   // contra column
  EXPECT_EQ(Pixel(200, 94), Rgb(clBlack));    // the line above the contra row
  EXPECT_EQ(Pixel(200, 110), Rgb(clWindow));  // contra row
}

TEST_F(GridsKvPaintTest, ContraRowIsPinnedToTheBottomWhateverTheTopRow) {
  Grid->SetRowCount(20);
  Grid->SetContraRowCount(1);
  Grid->SetTopRow(7);
  RepaintAll();
  SaveWindowPng(Grid->GetHandle(), "grid-contra.png");
  const auto* Footer = Grid->FindDrawn(2, 20);
  ASSERT_NE(Footer, nullptr);
  EXPECT_EQ(Footer->Rect.Top, 95);  // the contra boundary 120 - 25 - 1, plus 1
  EXPECT_FALSE(Footer->State.Contains(gdFocused));
  EXPECT_FALSE(Footer->State.Contains(gdSelected));
  for (const auto& D : Grid->Drawn) {
    if (D.Row < 20) {
      EXPECT_LT(D.Rect.Top, 94) << D.Col << "," << D.Row;
    }
  }
  EXPECT_NE(GetWindowSurface(Grid->GetHandle())->FindText("2,20"), nullptr);
}

// With one footer row under many columns every column line of the footer
// must be drawn, not only as many as there are contra cells.
TEST_F(GridsKvPaintTest, FooterRowHasALineAfterEveryVisibleColumn) {
  Grid->SetColCount(12);
  Grid->SetDefaultColWidth(25);
  Grid->SetContraRowCount(1);
  RepaintAll();
  for (Integer Col = 1; Col < 11; ++Col) {
    SCOPED_TRACE(Col);
    const Integer LineX = Col * 26 + 25;
    EXPECT_EQ(Pixel(LineX, 110), Rgb(clSilver));
  }
}

TEST_F(GridsKvPaintTest, SelectionIsHighlightedAndTheEditorCellIsLeftToTheEditor) {
  Grid->FocusCell(2, 2, true);
  Input.Click(Grid->GetHandle(), Center(3, 3), mbLeft, {ssShift});
  Paint();
  RepaintAll();
  EXPECT_EQ(Pixel(Center(2, 3).X, Center(2, 3).Y), Rgb(clHighlight));
  EXPECT_EQ(Pixel(Center(1, 3).X, Center(1, 3).Y), Rgb(clWindow));

  Grid->SetOptions(Grid->GetOptions() + goEditing);
  Grid->FocusCell(1, 1, true);
  Grid->SetEditorMode(true);
  RepaintAll();
  EXPECT_EQ(Grid->FindDrawn(1, 1), nullptr);
  EXPECT_NE(Grid->FindDrawn(2, 1), nullptr);
}

TEST_F(GridsKvPaintTest, PaintLockHoldsUntilEveryLockIsReleased) {
  Grid->LockPaint();
  Grid->LockPaint();
  Grid->UnlockPaint();
  RepaintAll();
  EXPECT_TRUE(Grid->Drawn.empty());
  Grid->UnlockPaint();
  Grid->UnlockPaint();  // one too many: stays unlocked
  EXPECT_FALSE(Grid->PaintLocked());
  RepaintAll();
  EXPECT_FALSE(Grid->Drawn.empty());
}

}  // namespace
}  // namespace korvel
