// The grid's data model: defaults, the count setters and their errors, the
// stored extents with and without contra cells, the counted-array routines,
// moving and deleting columns, options, and ColWidths / RowHeights through
// the text form format.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "tests/base/TestGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class GridsKvModelTest : public ::testing::Test {
 protected:
  void SetUp() override { Grid = TTestGrid::Create(nullptr); }
  void TearDown() override {
    Grid->CheckConsistency();
    FreeAndNil(Grid);
  }
  std::vector<Integer> Widths() {
    std::vector<Integer> W;
    for (Integer I = 0; I < Grid->GetFullColCount(); ++I) W.push_back(Grid->GetColWidths(I));
    return W;
  }
  TTestGrid* Grid = nullptr;
};

template <class F>
String MessageOf(F&& Fn) {
  try {
    Fn();
  } catch (const EInvalidGridOperationKv& E) {
    return E.GetMessage();
  }
  return "(nothing raised)";
}

TEST_F(GridsKvModelTest, DefaultsOfANewGrid) {
  EXPECT_EQ(Grid->GetColCount(), 5);
  EXPECT_EQ(Grid->GetRowCount(), 5);
  EXPECT_EQ(Grid->GetFixedCols(), 1);
  EXPECT_EQ(Grid->GetFixedRows(), 1);
  EXPECT_EQ(Grid->GetDefaultColWidth(), 64);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), 24);
  EXPECT_EQ(Grid->GetOptions(), (TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine,
                                              goHorzLine, goRangeSelect}));
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetRow(), 1);
  EXPECT_EQ(Grid->GetAnchor(), (TGridCoord{1, 1}));
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  EXPECT_EQ(Grid->GetWidth(), 320);
  EXPECT_EQ(Grid->GetHeight(), 120);
  EXPECT_EQ(Grid->GetColor(), clWindow);
  EXPECT_EQ(Grid->GetFixedColor(), clBtnFace);
  EXPECT_EQ(Grid->GetFlatLineColor(), clBlack);
  EXPECT_EQ(Grid->GetDesignOptions(), (TGridOptions{goRowSizing, goColSizing}));
  EXPECT_TRUE(Grid->GetTabStop());
  EXPECT_TRUE(Grid->GetSaveCellExtents());
}

TEST_F(GridsKvModelTest, BadCountsRaiseAndLeaveTheGridAlone) {
  struct TCase {
    const char* Name;
    std::function<void()> Set;
    const char* Message;
  };
  const TCase Cases[] = {
      {"FixedCols -1", [&] { Grid->SetFixedCols(-1); }, "Grid index out of range"},
      {"FixedCols 5", [&] { Grid->SetFixedCols(5); },
       "Fixed column count must be less than column count"},
      {"FixedRows 5", [&] { Grid->SetFixedRows(5); },
       "Fixed row count must be less than row count"},
      {"ContraCols -1", [&] { Grid->SetContraColCount(-1); },
       "FContraColCount can not be negative."},
      {"ContraRows -1", [&] { Grid->SetContraRowCount(-1); },
       "FContraRowCount can not be negative."},
      {"ColWidths[5]", [&] { Grid->SetColWidths(5, 10); }, "Grid index out of range"},
      {"TabStops[5]", [&] { Grid->SetTabStops(5, false); }, "Grid index out of range"},
      {"MoveColumn 7", [&] { Grid->MoveColumn(1, 7); }, "Grid index out of range"},
      {"Col 5", [&] { Grid->MoveColRow(5, 1, true, false); }, "Grid index out of range"},
      {"Row 5", [&] { Grid->MoveColRow(1, 5, true, false); }, "Grid index out of range"},
      {"Col -1", [&] { Grid->MoveColRow(-1, 1, true, false); }, "Grid index out of range"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(MessageOf(C.Set), C.Message);
    EXPECT_EQ(Grid->GetFixedCols(), 1);
    EXPECT_EQ(Grid->GetContraColCount(), 0);
    EXPECT_EQ(Grid->GetContraRowCount(), 0);
    EXPECT_EQ(Grid->GetCol(), 1);
    EXPECT_EQ(Grid->GetRow(), 1);
  }
  EXPECT_EQ(Grid->GetColWidths(5), 64);  // beyond the columns: the default
  Grid->MoveColRow(4, 4, true, false);   // the last cell is fine
  EXPECT_EQ(Grid->GetCol(), 4);
}

TEST_F(GridsKvModelTest, ColCountClampsAndLowersFixedColumns) {
  Grid->SetColCount(0);
  EXPECT_EQ(Grid->GetColCount(), 1);
  EXPECT_EQ(Grid->GetFixedCols(), 0);
  Grid->SetColCount(5);
  Grid->SetFixedCols(3);
  Grid->SetColCount(3);
  EXPECT_EQ(Grid->GetFixedCols(), 2);
  Grid->SetColCount(-3);
  EXPECT_EQ(Grid->GetColCount(), 1);
}

TEST_F(GridsKvModelTest, GrowingKeepsStoredWidthsAndResetsFromTheContraColumnsOn) {
  for (Integer I = 0; I < 5; ++I) Grid->SetColWidths(I, 10 + I);
  Grid->SetColCount(7);
  EXPECT_EQ(Widths(), (std::vector<Integer>{10, 11, 12, 13, 14, 64, 64}));

  Grid->SetColCount(5);
  Grid->SetContraColCount(2);
  Grid->SetColWidths(5, 20);
  Grid->SetColWidths(6, 21);
  Grid->SetColCount(7);
  EXPECT_EQ(Widths(), (std::vector<Integer>{10, 11, 12, 13, 14, 64, 64, 64, 64}));
  Grid->SetColCount(4);
  EXPECT_EQ(Widths(), (std::vector<Integer>{10, 11, 12, 13, 64, 64}));
}

TEST_F(GridsKvModelTest, ModifyExtentsResetsFromIndexAndRefusesBadSizes) {
  TIntegerArray A;
  ModifyExtents(A, 0, 0, 7);
  EXPECT_TRUE(A.empty());
  ModifyExtents(A, 0, 3, 7);
  EXPECT_EQ(A, (TIntegerArray{3, 7, 7, 7}));
  A[1] = 1;
  A[2] = 2;
  ModifyExtents(A, 1, 1, 9);
  EXPECT_EQ(A, (TIntegerArray{4, 1, 9, 9, 9}));
  EXPECT_THROW(ModifyExtents(A, 6, 1, 0), EInvalidGridOperationKv);
  EXPECT_THROW(ModifyExtents(A, 0, -5, 0), EInvalidGridOperationKv);
  EXPECT_THROW(ModifyExtents(A, 4, 0x7FFFFFE, 0), EInvalidGridOperationKv);
  EXPECT_EQ(A, (TIntegerArray{4, 1, 9, 9, 9}));
  ModifyExtents(A, 0, -4, 0);
  EXPECT_TRUE(A.empty());
  EXPECT_TRUE(CompareExtents({}, {}));
  EXPECT_FALSE(CompareExtents({1, 5}, {}));
  EXPECT_FALSE(CompareExtents({1, 5}, {1, 6}));
}

TEST_F(GridsKvModelTest, MovingAColumnTakesItsWidthTabStopAndCursorAlong) {
  Grid->SetColWidths(1, 11);
  Grid->SetTabStops(1, false);
  Grid->MoveColRow(1, 2, true, false);  // current and anchor on column 1
  Grid->Log.clear();
  Grid->MoveColumn(1, 3);
  EXPECT_EQ(Widths(), (std::vector<Integer>{64, 64, 64, 11, 64}));
  EXPECT_FALSE(Grid->GetTabStops(3));
  EXPECT_TRUE(Grid->GetTabStops(1));
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_EQ(Grid->GetAnchor().X, 3);
  ASSERT_GE(Grid->Log.size(), 2u);
  EXPECT_EQ(Grid->Log[0], "ColumnMoved 1,3");
  EXPECT_EQ(Grid->Log[1], "ColWidthsChanged");

  Grid->DeleteColumn(3);
  EXPECT_EQ(Grid->GetColCount(), 4);
  EXPECT_EQ(Widths(), (std::vector<Integer>{64, 64, 64, 64}));
}

// Moving a column either way shifts the columns between its old and new
// place by one; the current column goes with whatever it showed.
TEST_F(GridsKvModelTest, MovingAColumnEitherWayShiftsTheCurrentColumnWithItsCells) {
  Grid->SetColCount(8);
  struct TCase {
    Integer From, To, Current, Expected;
  };
  const TCase Cases[] = {
      {2, 5, 2, 5}, {2, 5, 3, 2}, {2, 5, 5, 4}, {2, 5, 6, 6}, {2, 5, 1, 1},  // forwards
      {5, 2, 5, 2}, {5, 2, 2, 3}, {5, 2, 4, 5}, {5, 2, 1, 1}, {5, 2, 6, 6},  // backwards
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.From) + "->" + std::to_string(C.To) + " current " +
                 std::to_string(C.Current));
    Grid->MoveColRow(C.Current, 1, true, false);
    Grid->SetColWidths(C.From, 33);
    Grid->MoveColumn(C.From, C.To);
    EXPECT_EQ(Grid->GetCol(), C.Expected);
    EXPECT_EQ(Grid->GetColWidths(C.To), 33);
    Grid->SetColWidths(C.To, 64);
  }
}

// Cells inserted or deleted in the middle: the current row follows the row
// it showed, or, when that row went, stays at the place it was; the grid
// hears the old counts.
TEST_F(GridsKvModelTest, InsertingAndDeletingRowsMovesTheCurrentRowWithItsRow) {
  Grid->SetRowCount(10);
  struct TCase {
    Integer Index, Amount, Current, Expected;
  };
  const TCase Cases[] = {
      {3, 2, 3, 5},  {3, 2, 4, 6},  {3, 2, 2, 2},   // inserted before, at and after
      {3, -2, 5, 3}, {3, -2, 3, 3}, {3, -2, 4, 3},  // deleted: after, first, second
      {3, -2, 2, 2}, {8, -2, 9, 7},                 // before; the last rows
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Index) + (C.Amount > 0 ? "+" : "") + std::to_string(C.Amount) +
                 " current " + std::to_string(C.Current));
    Grid->SetRowCount(10);
    Grid->MoveColRow(1, C.Current, true, false);
    Grid->Log.clear();
    Grid->AdjustSize(C.Index, C.Amount, true);
    EXPECT_EQ(Grid->GetRowCount(), 10 + C.Amount);
    EXPECT_EQ(Grid->GetRow(), C.Expected);
    EXPECT_EQ(Grid->GetAnchor().Y, C.Expected);
    ASSERT_FALSE(Grid->Log.empty());
    EXPECT_EQ(Grid->Log[0], "SizeChanged 5,10");
  }
}

TEST_F(GridsKvModelTest, CountChangesTellTheOldCountsWithAndWithoutContraCells) {
  Grid->Log.clear();
  Grid->SetColCount(7);
  Grid->SetRowCount(3);
  Grid->SetContraColCount(1);
  Grid->SetContraRowCount(2);
  Grid->SetColCount(4);
  Grid->SetRowCount(6);
  EXPECT_EQ(Grid->Log, (std::vector<String>{"SizeChanged 5,5", "SizeChanged 7,5", "SizeChanged 7,3",
                                            "SizeChanged 4,3"}));
}

// New fixed rows or columns start the grid afresh at the first data cell.
TEST_F(GridsKvModelTest, ChangingTheFixedCountsStartsAtTheFirstDataCell) {
  Grid->SetRowCount(10);
  Grid->SetColCount(10);
  Grid->MoveColRow(4, 6, true, false);
  Grid->SetFixedRows(2);
  EXPECT_EQ(Grid->GetRow(), 2);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetTopRow(), 2);
  Grid->MoveColRow(4, 6, true, false);
  Grid->SetFixedCols(3);
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_EQ(Grid->GetRow(), 2);
  EXPECT_EQ(Grid->GetLeftCol(), 3);
  EXPECT_EQ(Grid->GetSelection(), (TGridRect{3, 2, 3, 2}));
}

// Tab stops follow the contra columns like the widths: the stored stops
// stay, the contra columns get their own.
TEST_F(GridsKvModelTest, TabStopsMakeRoomForContraColumns) {
  Grid->SetTabStops(1, false);
  Grid->SetContraColCount(1);
  Grid->SetTabStops(5, false);
  EXPECT_FALSE(Grid->GetTabStops(5));
  EXPECT_FALSE(Grid->GetTabStops(1));
  EXPECT_TRUE(Grid->GetTabStops(4));
  Grid->SetContraColCount(2);
  Grid->SetTabStops(6, false);
  EXPECT_FALSE(Grid->GetTabStops(6));
  EXPECT_FALSE(Grid->GetTabStops(1));
}

TEST_F(GridsKvModelTest, RowSelectStripsAlwaysShowEditorAndSpansTheRow) {
  Grid->SetOptions(Grid->GetOptions() + goAlwaysShowEditor + goRowSelect);
  EXPECT_FALSE(Grid->GetOptions().Contains(goAlwaysShowEditor));
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Grid->GetAnchor().X, 4);
  Grid->SetColCount(7);
  EXPECT_EQ(Grid->GetAnchor().X, 6);
}

TEST_F(GridsKvModelTest, DefaultRowHeightDropsStoredHeights) {
  Grid->SetRowHeights(2, 50);
  Grid->SetDefaultRowHeight(30);
  EXPECT_TRUE(Grid->GetRowHeightsArray().empty());
  EXPECT_EQ(Grid->GetRowHeights(2), 30);
}

// Shrinking the grid while SelectCell refuses every move must still leave
// the current cell and the anchor inside the grid.
TEST_F(GridsKvModelTest, ShrinkingKeepsTheCurrentCellInsideEvenWhenSelectionIsVetoed) {
  Grid->SetRowCount(10);
  Grid->MoveColRow(3, 8, false, false);
  Grid->AllowSelect = false;
  Grid->SetRowCount(4);
  EXPECT_EQ(Grid->GetRow(), 3);
  EXPECT_LE(Grid->GetAnchor().Y, 3);
  Grid->SetContraRowCount(1);
  Grid->SetRowCount(2);
  EXPECT_EQ(Grid->GetRow(), 1);
}

// Without scroll bars nothing else brought the top row back after the rows
// went away, and the data area painted empty.
TEST_F(GridsKvModelTest, ShrinkingPullsTheTopRowBackWithoutScrollBars) {
  Grid->SetScrollBars(ssNone);
  Grid->SetRowCount(50);
  Grid->SetTopRow(40);
  Grid->SetRowCount(10);
  EXPECT_EQ(Grid->GetTopRow(), 7);
}

// [SECTION] Streaming

// A published grid, as an application's would be: the counts are read
// before the extents that depend on them.
class TStreamGrid : public TTestGrid {
  KV_CLASS(TStreamGrid, TTestGrid)
 public:
  explicit TStreamGrid(TComponent* AOwner) : TTestGrid(AOwner) {}
  KV_PUBLISHED {
    P.Prop("ColCount", &TCustomGridKv::GetColCount, &TCustomGridKv::SetColCount).Default(5);
    P.Prop("RowCount", &TCustomGridKv::GetRowCount, &TCustomGridKv::SetRowCount).Default(5);
  }
};

TEST(GridsKvStreamingTest, ColWidthsAndRowHeightsRoundTripThroughTheTextForm) {
  RegisterClass(TStreamGrid::StaticClass());
  TStreamGrid* Source = TStreamGrid::Create(nullptr);
  Source->SetName("Grid1");
  Source->SetContraColCount(1);
  Source->SetColWidths(0, 20);
  Source->SetColWidths(3, 33);
  Source->SetColWidths(5, 99);  // contra: not stored
  Source->SetRowHeights(4, 17);
  const String Text = ComponentToText(Source);
  EXPECT_NE(Text.find("ColWidths = ("), String::npos) << Text;
  EXPECT_EQ(Text.find("99"), String::npos) << Text;

  auto* Copy = static_cast<TStreamGrid*>(ReadComponentFromText(Text, nullptr));
  for (Integer I = 0; I < 5; ++I) {
    EXPECT_EQ(Copy->GetColWidths(I), Source->GetColWidths(I));
    EXPECT_EQ(Copy->GetRowHeights(I), Source->GetRowHeights(I));
  }
  EXPECT_EQ(Copy->GetColWidths(5), 64);
  FreeAndNil(Copy);

  // Nothing stored: no extra properties.
  TStreamGrid* Plain = TStreamGrid::Create(nullptr);
  Plain->SetName("Grid2");
  const String PlainText = ComponentToText(Plain);
  EXPECT_EQ(PlainText.find("ColWidths"), String::npos);
  EXPECT_EQ(PlainText.find("RowHeights"), String::npos);
  FreeAndNil(Plain);
  FreeAndNil(Source);
}

TEST(GridsKvStreamingTest, ALongerListThanTheColumnsEndsInAReadError) {
  RegisterClass(TStreamGrid::StaticClass());
  const String Text =
      "object Grid1: TStreamGrid\n  ColCount = 3\n  ColWidths = (\n    11\n    12\n    13\n    14\n"
      "    15)\nend\n";
  EXPECT_THROW(ReadComponentFromText(Text, nullptr), EReadError);
}

}  // namespace
}  // namespace korvel
