// What the grid paints: line colours by area and slot, cell backgrounds and
// states, frozen and contra cells, the editor's cell, selections growing and
// shrinking, the paint lock; and, for every line width and set of line
// options, that every pixel is painted and each cell exactly over its
// CellRect. Checked on the window's pixels and on the DrawCell calls.
//
// Ideas for tests: the raised frames of fixed cells (Ctl3D) against the line
// slots they widen into.
#include <gtest/gtest.h>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/System.h"
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

// All eighteen colour slots: unset, each follows the fixed or the data line
// colour (and so Flat and Color); set, each answers its own colour alone.
TEST_F(GridsKvPaintTest, EveryLineColourSlotFallsBackToTheFixedOrDataColour) {
  TGridLineColorsKv* C = Grid->GetGridLineColors();
  const bool Fixed[TGridLineColorsKv::ColorCount] = {false, true,  false, false, true,  true,
                                                     true,  false, false, true,  false, false,
                                                     true,  false, false, true,  false, false};
  auto Check = [&](TColor FixedColour, TColor DataColour) {
    for (Integer I = 0; I < TGridLineColorsKv::ColorCount; ++I)
      EXPECT_EQ(C->GetSlotColor(I), Fixed[I] ? FixedColour : DataColour) << "slot " << I;
  };
  Check(clBlack, clSilver);
  Grid->SetFlat(true);
  Check(clGray, clSilver);
  Grid->SetColor(clSilver);
  Check(clGray, clGray);
  Grid->SetFlat(false);
  Grid->SetColor(clWindow);
  C->SetColor(1, clBlue);
  C->SetColor(0, clRed);
  Check(clBlue, clRed);
  C->SetColor(1, clDefault);
  C->SetColor(0, clDefault);
  for (Integer I = 2; I < TGridLineColorsKv::ColorCount; ++I) {
    SCOPED_TRACE(I);
    C->SetColor(I, TColor(0x010100 + I));
    for (Integer J = 2; J < TGridLineColorsKv::ColorCount; ++J)
      EXPECT_EQ(C->GetSlotColor(J),
                J == I ? TColor(0x010100 + I) : (Fixed[J] ? TColor(clBlack) : TColor(clSilver)))
          << "slot " << J;
    C->SetColor(I, clDefault);
  }
  C->SetColor(15, clLime);
  C->SetColor(12, clAqua);
  C->SetColor(6, clFuchsia);
  EXPECT_EQ(C->GetFrozenBoundaryColor(), clLime);
  EXPECT_EQ(C->GetContraVertLineColor(), clAqua);
  EXPECT_EQ(C->GetContraHorzLineColor(), clFuchsia);
  EXPECT_THROW(C->GetSlotColor(18), EInvalidGridOperationKv);
  EXPECT_THROW(C->SetColor(-1, clRed), EInvalidGridOperationKv);
}

// The contra colours answer only for the boundary in front of the contra
// cells; every other column and row boundary is a data line.
TEST_F(GridsKvPaintTest, ContraLineColoursBelongToTheContraBoundaryOnly) {
  TGridLineColorsKv* C = Grid->GetGridLineColors();
  C->SetColor(12, clRed);
  C->SetColor(6, clBlue);
  C->SetColor(15, clLime);
  EXPECT_EQ(C->GetVertLineColor(5), clRed);
  EXPECT_EQ(C->GetVertLineColor(4), clSilver);
  EXPECT_EQ(C->GetVertLineColor(6), clSilver);
  EXPECT_EQ(C->GetHorzLineColor(2, 5), clBlue);
  EXPECT_EQ(C->GetHorzLineColor(2, 4), clSilver);
  EXPECT_EQ(C->GetHorzLineColor(5, 3), clSilver);
  EXPECT_EQ(C->GetFrozenVertLineColor(0), clSilver);  // no frozen columns
  Grid->SetFixedCols(2);
  Grid->SetFrozenColCount(1);
  EXPECT_EQ(C->GetFrozenVertLineColor(1), clLime);
  EXPECT_EQ(C->GetFrozenVertLineColor(0), clSilver);
}

// The focus rectangle: around the current cell, and around the whole row
// with row selection, only while the grid has the focus; an always-shown
// editor that cannot show (no editing) leaves the cell its rectangle.
TEST_F(GridsKvPaintTest, TheFocusRectangleShowsOnlyWhileTheGridHasTheFocus) {
  auto FocusFrames = [&] {
    RepaintAll();
    std::vector<TRect> Frames;
    const TRect Client = GetWindowSurfaceRect(Grid->GetHandle());
    for (const TDrawRecord& R : GetWindowSurface(Grid->GetHandle())->Records())
      if (R.Kind == TDrawKind::Frame && R.Rop == R2_XORPEN) {
        TRect F = R.Rect;
        OffsetRect(F, -Client.Left, -Client.Top);
        Frames.push_back(F);
      }
    return Frames;
  };
  EXPECT_EQ(FocusFrames(), (std::vector<TRect>{Grid->CellRect(1, 1)}));
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor);
  EXPECT_EQ(FocusFrames(), (std::vector<TRect>{Grid->CellRect(1, 1)}));
  Grid->SetOptions(Grid->GetOptions() - goAlwaysShowEditor + goRowSelect);
  EXPECT_EQ(FocusFrames(), (std::vector<TRect>{Grid->BoxRect(1, 1, 4, 1)}));
  TForm* Other = TForm::Create(nullptr);
  Other->SetBounds(500, 100, 200, 100);
  Other->Show();
  Other->SetFocus();
  EXPECT_TRUE(FocusFrames().empty());
  kvp::FreeAndNil(Other);
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

// The hidden column keeps its one-pixel line slot (130), painted as a line
// beside column 1's (129): a double line where a column is hidden.
TEST_F(GridsKvPaintTest, AZeroWidthColumnIsNotDrawnButItsLineSlotIsPainted) {
  Grid->SetColWidths(2, 0);
  RepaintAll();
  EXPECT_EQ(Grid->FindDrawn(2, 2), nullptr);
  const auto* Next = Grid->FindDrawn(3, 2);
  ASSERT_NE(Next, nullptr);
  EXPECT_EQ(Next->Rect.Left, 131);
  EXPECT_EQ(Pixel(129, 60), Rgb(clSilver));
  EXPECT_EQ(Pixel(130, 60), Rgb(clSilver));
  EXPECT_EQ(Pixel(130, 10), Rgb(clBlack));  // in the title row
  EXPECT_EQ(Pixel(131, 60), Rgb(clWindow));
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

// Row selection allows no editor, so Enter shows none; the current row must
// go on being painted, and every later move of it too.
TEST_F(GridsKvPaintTest, WithRowSelectEnterLeavesTheCurrentCellPainted) {
  Grid->SetOptions(Grid->GetOptions() + goEditing + goRowSelect);
  Input.KeyPress(VK_RETURN);
  EXPECT_TRUE(Grid->GetInplaceEditor() == nullptr || !Grid->GetInplaceEditor()->Visible());
  RepaintAll();
  EXPECT_NE(Grid->FindDrawn(1, 1), nullptr);
  EXPECT_EQ(Pixel(Center(1, 1).X, Center(1, 1).Y), Rgb(clHighlight));
  Grid->Drawn.clear();
  Input.KeyPress(VK_DOWN);
  UpdateWindow(Grid->GetHandle());
  EXPECT_NE(Grid->FindDrawn(1, 2), nullptr);
  EXPECT_EQ(Pixel(Center(1, 2).X, Center(1, 2).Y), Rgb(clHighlight));
  EXPECT_EQ(Pixel(Center(1, 1).X, Center(1, 1).Y), Rgb(clWindow));
}

// Rows and columns added to a shown grid are painted at once, and those
// taken away leave the background behind, with only the changed part
// repainted.
TEST_F(GridsKvPaintTest, AddedAndRemovedRowsAndColumnsArePaintedAtOnce) {
  Grid->SetRowCount(3);
  Grid->SetColCount(3);
  RepaintAll();
  EXPECT_EQ(Pixel(160, 85), Rgb(clWindow));  // below the last row: background
  Grid->Drawn.clear();
  Grid->SetRowCount(5);
  UpdateWindow(Grid->GetHandle());
  EXPECT_NE(Grid->FindDrawn(1, 3), nullptr);
  EXPECT_NE(Grid->FindDrawn(2, 4), nullptr);
  EXPECT_EQ(Grid->FindDrawn(1, 1), nullptr);  // the rows that stayed are left alone
  EXPECT_EQ(Pixel(129, 85), Rgb(clSilver));   // the new row's column line
  Grid->Drawn.clear();
  Grid->SetColCount(5);
  UpdateWindow(Grid->GetHandle());
  EXPECT_NE(Grid->FindDrawn(3, 2), nullptr);
  EXPECT_NE(Grid->FindDrawn(4, 4), nullptr);
  Grid->SetRowCount(2);
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Pixel(129, 85), Rgb(clWindow));  // gone again: background
  EXPECT_EQ(Pixel(129, 60), Rgb(clWindow));
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
  Grid->LockPaint();  // the extra unlock is not owed: one lock locks again
  EXPECT_TRUE(Grid->PaintLocked());
  RepaintAll();
  EXPECT_TRUE(Grid->Drawn.empty());
  Grid->UnlockPaint();
}

// Shrinking a selection, with the keys or the mouse, repaints the cells that
// leave it: none keeps its highlight.
TEST_F(GridsKvPaintTest, CellsThatLeaveAShrinkingSelectionLoseTheirHighlight) {
  auto Colour = [&](Integer Col, Integer Row) {
    UpdateWindow(Grid->GetHandle());
    return Pixel(Center(Col, Row).X, Center(Col, Row).Y);
  };
  Grid->FocusCell(1, 1, true);
  Input.KeyPress(VK_RIGHT, {ssShift});
  Input.KeyPress(VK_RIGHT, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  ASSERT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 3, 3}));
  EXPECT_EQ(Colour(3, 3), Rgb(clWindow));  // the current cell: focused, not highlighted
  EXPECT_EQ(Colour(3, 1), Rgb(clHighlight));
  EXPECT_EQ(Colour(1, 3), Rgb(clHighlight));
  // Back towards the anchor.
  Input.KeyPress(VK_LEFT, {ssShift});
  Input.KeyPress(VK_UP, {ssShift});
  ASSERT_EQ(Grid->GetSelection(), (TGridRect{1, 1, 2, 2}));
  EXPECT_EQ(Colour(3, 1), Rgb(clWindow));
  EXPECT_EQ(Colour(3, 3), Rgb(clWindow));
  EXPECT_EQ(Colour(1, 3), Rgb(clWindow));
  EXPECT_EQ(Colour(1, 1), Rgb(clHighlight));
  // The mouse moves the anchor: from (1,1) to (2,1).
  Input.Click(Grid->GetHandle(), Center(2, 1), mbLeft, {ssShift});
  ASSERT_EQ(Grid->GetSelection(), (TGridRect{2, 1, 2, 2}));
  EXPECT_EQ(Colour(1, 1), Rgb(clWindow));
  EXPECT_EQ(Colour(1, 2), Rgb(clWindow));
  EXPECT_EQ(Colour(2, 1), Rgb(clHighlight));
}

// [SECTION] Every pixel once, and each cell exactly its CellRect

// The layouts the coverage test paints; each is painted with every line width
// and every set of line options.
struct TCoverageLayout {
  const char* Name;
  Integer ColCount, RowCount, FixedCols, FixedRows, Frozen, ContraCols, ContraRows;
  Integer LeftCol, TopRow;
  bool RightToLeft;
  Integer Hidden;  // 1: column 3 and row 3 have extent 0; 2: extent -5
};

const TCoverageLayout CoverageLayouts[] = {
    {"plain", 10, 10, 1, 1, 0, 0, 0, 1, 1, false, 0},
    {"fewer cells than room", 3, 3, 1, 1, 0, 0, 0, 1, 1, false, 0},
    {"two fixed rows", 10, 10, 1, 2, 0, 0, 0, 1, 2, false, 0},
    {"frozen, scrolled", 10, 10, 2, 1, 1, 0, 0, 4, 3, false, 0},
    {"contra, scrolled", 10, 10, 1, 1, 0, 1, 1, 3, 4, false, 0},
    {"contra with gaps", 3, 2, 1, 1, 0, 2, 2, 1, 1, false, 0},
    {"frozen and contra", 10, 10, 2, 1, 1, 1, 1, 3, 4, false, 0},
    {"right to left", 10, 10, 2, 1, 1, 1, 1, 3, 4, true, 0},
    {"right to left, few", 3, 2, 1, 1, 0, 1, 1, 1, 1, true, 0},
    {"hidden column and row", 10, 10, 1, 1, 0, 0, 0, 1, 1, false, 1},
    {"negative extents", 10, 10, 1, 1, 0, 0, 0, 1, 1, false, 2},
};

struct TLineOptions {
  const char* Name;
  TGridOptions Options;
};

const TLineOptions CoverageLineOptions[] = {
    {"all lines", {goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine}},
    {"no lines", {}},
    {"data lines", {goVertLine, goHorzLine}},
    {"fixed lines", {goFixedVertLine, goFixedHorzLine}},
    {"vertical lines", {goFixedVertLine, goVertLine}},
    {"horizontal lines", {goFixedHorzLine, goHorzLine}},
};

constexpr COLORREF Marker = 0xFF00FF;

class GridsKvCoverageTest : public GridOnFormTest {
 protected:
  // A fresh grid laid out as L, unfocused (no focus rectangle) and flat
  // (no raised frames), with cells that fill their rectangles with their own
  // colour and line colours no cell uses.
  void Build(const TCoverageLayout& L, const TLineOptions& O, Integer LineWidth) {
    kvp::FreeAndNil(Grid);
    SysLocale.MiddleEast = L.RightToLeft;
    Grid = TTestGrid::Create(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 320, 120);
    Grid->SetCtl3D(false);
    Grid->SetDefaultColWidth(40);
    Grid->SetDefaultRowHeight(18);
    Grid->FillCells = true;
    if (L.RightToLeft) Grid->SetBiDiMode(bdRightToLeft);
    Grid->SetColCount(L.ColCount);
    Grid->SetRowCount(L.RowCount);
    Grid->SetFixedCols(L.FixedCols);
    Grid->SetFixedRows(L.FixedRows);
    Grid->SetFrozenColCount(L.Frozen);
    Grid->SetContraColCount(L.ContraCols);
    Grid->SetContraRowCount(L.ContraRows);
    if (L.Hidden) {
      Grid->SetColWidths(3, L.Hidden == 1 ? 0 : -5);
      Grid->SetRowHeights(3, L.Hidden == 1 ? 0 : -5);
    }
    Grid->SetLeftCol(L.LeftCol);
    Grid->SetTopRow(L.TopRow);
    Grid->SetOptions(O.Options + goRangeSelect);
    Grid->SetGridLineWidth(LineWidth);
    TGridLineColorsKv* C = Grid->GetGridLineColors();
    C->SetColor(0, TColor(0x0000C0));   // data lines
    C->SetColor(1, TColor(0x00C000));   // fixed lines
    C->SetColor(6, TColor(0x800080));   // above the contra rows
    C->SetColor(12, TColor(0x008080));  // before the contra columns
    C->SetColor(15, TColor(0xC00000));  // the frozen boundary
    Grid->SetParent(Form);
    Form->SetFocus();
    // The new window's first paint would erase its background first.
    ValidateRect(Grid->GetHandle(), nullptr);
  }

  // Paints the whole grid over a surface full of the marker colour and checks
  // that no marker is left, that every shown cell's CellRect holds its colour
  // and nothing else, and that DrawCell was given that rectangle.
  void CheckCoverage() {
    const HWND Wnd = Grid->GetHandle();
    TSurface* S = GetWindowSurface(Wnd);
    const TRect Client = GetWindowSurfaceRect(Wnd);
    for (Integer Y = Client.Top; Y < Client.Bottom; ++Y)
      for (Integer X = Client.Left; X < Client.Right; ++X) S->SetPixel(X, Y, Marker);
    RepaintAll();
    const Integer W = Grid->GetClientWidth(), H = Grid->GetClientHeight();
    auto Pixel = [&](Integer X, Integer Y) { return S->GetPixel(Client.Left + X, Client.Top + Y); };
    std::vector<int> Owner(std::size_t(W * H), -1);
    Integer Failures = 0;
    auto Fail = [&](const std::string& What) {
      if (++Failures <= 5) ADD_FAILURE() << What;
    };
    auto At = [](Integer X, Integer Y) { return std::to_string(X) + "," + std::to_string(Y); };
    for (Integer Col = 0; Col < Grid->GetFullColCount(); ++Col) {
      for (Integer Row = 0; Row < Grid->GetFullRowCount(); ++Row) {
        TRect R = Grid->CellRect(Col, Row);
        R.Right = std::min(R.Right, W);
        R.Bottom = std::min(R.Bottom, H);
        for (Integer Y = R.Top; Y < R.Bottom; ++Y) {
          for (Integer X = R.Left; X < R.Right; ++X) {
            int& O = Owner[std::size_t(Y * W + X)];
            if (O != -1) Fail("cells overlap at " + At(X, Y));
            O = int(Col * 100 + Row);
            if (Pixel(X, Y) != TTestGrid::CellColour(Col, Row))
              Fail("cell " + At(Col, Row) + " not painted at " + At(X, Y));
          }
        }
      }
    }
    for (Integer Y = 0; Y < H; ++Y) {
      for (Integer X = 0; X < W; ++X) {
        const COLORREF P = Pixel(X, Y);
        if (P == Marker) Fail("not painted at " + At(X, Y));
        if (Owner[std::size_t(Y * W + X)] == -1 && (P >> 16) == 0x3C)
          Fail("a cell painted outside its CellRect at " + At(X, Y));
      }
    }
    for (const auto& D : Grid->Drawn) {
      TRect Expected = Grid->CellRect(D.Col, D.Row);
      TRect Got = D.Rect;
      if (Grid->UseRightToLeftAlignment()) Got = {W - Got.Right, Got.Top, W - Got.Left, Got.Bottom};
      const bool Same =
          Grid->UseRightToLeftAlignment() ? Got.Right == Expected.Right : Got.Left == Expected.Left;
      if (IsRectEmpty(Expected) || !Same || Got.Top != Expected.Top)
        Fail("DrawCell of " + std::to_string(D.Col) + "," + std::to_string(D.Row) +
             " is not given its CellRect");
    }
    if (Failures > 0) SaveWindowPng(Wnd, "grid-coverage-failure.png");
  }
};

TEST_F(GridsKvCoverageTest, EveryPixelIsPaintedAndEveryCellFillsExactlyItsCellRect) {
  for (const TCoverageLayout& L : CoverageLayouts) {
    for (const TLineOptions& O : CoverageLineOptions) {
      for (Integer LineWidth = 0; LineWidth <= 3; ++LineWidth) {
        SCOPED_TRACE(std::string(L.Name) + ", " + O.Name + ", line width " +
                     std::to_string(LineWidth));
        Build(L, O, LineWidth);
        CheckCoverage();
        if (HasFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace korvel
