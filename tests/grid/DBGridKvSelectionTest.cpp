// The grid's selection as its user and its program meet it: a rectangle of
// cells held by two records, whole columns extended and shrunk with Shift,
// records, everything; what each change repaints (exactly the cells whose
// state changed), what it tells the program, what survives scrolling and
// deletions; and the clicks, drags and keys that make each kind.
//
// Ideas for tests: a drag beyond the bottom edge scrolling on the timer (the
// grid's mouse handling); right-to-left Shift+Left.
#include <gtest/gtest.h>

#include <algorithm>

#include "grid/DBGridKv.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// A multi-select grid over numbered records (id 1..N) with six columns of
// 40 pixels over the three fields (id name amount id name amount): the grid
// has the focus, and Marks holds every record's bookmark by id.
class DBGridKvSelectionTest : public DBGridNumbersTest {
 protected:
  void Open(Integer Count = 30, TStore Store = TStore::Memory) {
    OpenNumbers(Store, Count);
    for (const char* Name : {"id", "name", "amount", "id", "name", "amount"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    for (Integer I = 0; I < 6; ++I) Grid->Column(I)->SetWidth(40);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
    Grid->SetFocus();
    Marks.clear();
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
      Marks.push_back(DataSet->GetBookmark());
    DataSet->First();
    Grid->OnSelectionChanged = TNotifyEvent([this](TObject* Sender) {
      EXPECT_EQ(Sender, Grid);
      ++Changes;
    });
    UpdateWindow(Grid->GetHandle());
  }
  TDBGridKvSelection* Sel() { return Grid->GetSelection(); }
  const TBookmark& Bm(Integer Id) { return Marks.at(std::size_t(Id - 1)); }
  bool Selected(Integer DataCol, Integer Id) { return Sel()->DataCellSelected(DataCol, Bm(Id)); }
  // The ids whose cell in DataCol is selected.
  std::vector<Integer> Ids(Integer DataCol) {
    std::vector<Integer> R;
    for (Integer Id = 1; Id <= Integer(Marks.size()); ++Id)
      if (Selected(DataCol, Id)) R.push_back(Id);
    return R;
  }
  // The data columns listed in the column selection.
  std::vector<Integer> Cols() {
    std::vector<Integer> R;
    TDBGridKvSelectionCols* C = Sel()->GetColumns();
    for (Integer I = 0; I < C->GetCount(); ++I) R.push_back(C->GetColumn(I)->GetIndex());
    return R;
  }
  // The grid row that shows the record with that id (-1 when none does).
  Integer RowOf(Integer Id) {
    for (Integer R = 0; R < Grid->GetDataLink()->GetRecordCount(); ++R) {
      Grid->SetActiveRecordIndex(R);
      const bool Found = DataSet->GetBookmark() == Bm(Id);
      Grid->RestoreActiveRecordIndex();
      if (Found) return Grid->GetTitleOffset() + R;
    }
    return -1;
  }
  void GoTo(Integer Id) { DataSet->SetBookmark(Bm(Id)); }
  TPoint Centre(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  // What the next paint repaints, from now on.
  void StartCounting() { ValidateRect(Grid->GetHandle(), nullptr); }
  // The update region is exactly the union of Boxes.
  ::testing::AssertionResult RepaintIs(std::vector<TRect> Boxes) {
    HRGN Update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(Grid->GetHandle(), Update, FALSE);
    HRGN Want = CreateRectRgn(0, 0, 0, 0);
    for (const TRect& B : Boxes) {
      HRGN One = CreateRectRgnIndirect(B);
      CombineRgn(Want, Want, One, RGN_OR);
      DeleteObject(One);
    }
    const bool Same = EqualRgn(Update, Want);
    TRect Box;
    GetRgnBox(Update, &Box);
    const std::size_t Count = GetRegionData(Update)->Rects().size();
    DeleteObject(Update);
    DeleteObject(Want);
    if (Same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the update region (box " << Box.Left << "," << Box.Top << "," << Box.Right << ","
           << Box.Bottom << ", " << Count << " rectangles) is not the one expected";
  }
  // The update region is exactly what one of A and B covers and the other
  // does not.
  ::testing::AssertionResult RepaintIsDifference(const TRect& A, const TRect& B) {
    HRGN RA = CreateRectRgnIndirect(A), RB = CreateRectRgnIndirect(B);
    HRGN X = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(X, RA, RB, RGN_XOR);
    std::vector<TRect> Boxes = GetRegionData(X)->Rects();
    DeleteObject(RA);
    DeleteObject(RB);
    DeleteObject(X);
    return RepaintIs(Boxes);
  }
  bool RepaintsNothing() { return RepaintIs({}); }
  // The number of rectangles the update region is made of.
  std::size_t UpdateRectangles() {
    HRGN Update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(Grid->GetHandle(), Update, FALSE);
    const std::size_t Count = GetRegionData(Update)->Rects().size();
    DeleteObject(Update);
    return Count;
  }
  bool WholeGridRepaints() {
    TRect Box;
    GetUpdateRect(Grid->GetHandle(), &Box, FALSE);
    return Box == Grid->GetClientRect();
  }
  // The pixel box of data cells (grid columns C1..C2) of the records Id1..Id2.
  TRect Box(Integer C1, Integer Id1, Integer C2, Integer Id2) {
    return Grid->BoxRect(C1, RowOf(Id1), C2, RowOf(Id2));
  }
  std::vector<TBookmark> Marks;
  Integer Changes = 0;
};

using IdList = std::vector<Integer>;

// [SECTION] The rectangle

TEST_F(DBGridKvSelectionTest, ARectangleSpansTwoCornerCellsInclusivelyWhicheverComesFirst) {
  Open();
  TDBGridKvSelectionRect* Rect = Sel()->GetRect();
  // One cell is no selection; its neighbour makes a rectangle.
  Rect->Select(1, Bm(4), false);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Ids(1), IdList{});
  Rect->Select(1, Bm(5), true);
  EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
  EXPECT_EQ(Ids(1), (IdList{4, 5}));
  // The moving corner may pass the anchor: the rectangle turns round it.
  Rect->Select(0, Bm(2), true);
  EXPECT_EQ(Ids(0), (IdList{2, 3, 4}));
  EXPECT_EQ(Ids(1), (IdList{2, 3, 4}));
  EXPECT_EQ(Ids(2), IdList{});
  EXPECT_EQ(Rect->GetTopRow(), Bm(2));
  EXPECT_EQ(Rect->GetBottomRow(), Bm(4));
  EXPECT_EQ(Rect->GetLeftCol(), 0);
  EXPECT_EQ(Rect->GetRightCol(), 1);
  EXPECT_FALSE(Sel()->DataCellSelected(-1, Bm(3))) << "an indicator cell is no data cell";
  // Back onto the anchor: one cell again, no selection.
  Rect->Select(1, Bm(4), true);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Ids(1), IdList{});
  Grid->CheckConsistency();
}

TEST_F(DBGridKvSelectionTest, ExtendingWithoutAnAnchorAnchorsFirst) {
  Open();
  TDBGridKvSelectionRect* Rect = Sel()->GetRect();
  Rect->Select(2, Bm(7), true);
  EXPECT_EQ(Rect->GetAnchorCol(), 2);
  EXPECT_EQ(Rect->GetAnchorBookmark(), Bm(7));
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  Rect->Select(2, Bm(9), true);
  EXPECT_EQ(Ids(2), (IdList{7, 8, 9}));
}

TEST_F(DBGridKvSelectionTest, TheRectangleNeedsAnOpenDataset) {
  Open();
  TDBGridKvSelectionRect* Rect = Sel()->GetRect();
  Rect->Select(0, Bm(1), false);
  Rect->Select(1, Bm(2), true);
  DataSet->Close();
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone) << "a closed link drops the selection";
  try {
    Rect->CellSelected(0, Bm(1));
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGridOperationKv& E) {
    EXPECT_EQ(E.GetMessage(), "Error in function TDBGridKvSelectionRect.CellSelected");
  }
  for (auto Ask : {+[](TDBGridKvSelectionRect* R) { R->GetTopRow(); },
                   +[](TDBGridKvSelectionRect* R) { R->GetBottomRow(); },
                   +[](TDBGridKvSelectionRect* R) { R->GetLeftCol(); },
                   +[](TDBGridKvSelectionRect* R) { R->GetRightCol(); }}) {
    try {
      Ask(Rect);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGridOperationKv& E) {
      EXPECT_EQ(E.GetMessage(), "Error in TDBGridKvSelectionRect.GetBottomRow");
    }
  }
  TGridRect R{1, 1, 1, 1};
  Rect->GetSelectionRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1}));
}

// Growing, shrinking and turning the rectangle round its anchor repaints
// the cells that changed and nothing else, and tells the program once.
TEST_F(DBGridKvSelectionTest, ARectangleRepaintsExactlyTheCellsThatChanged) {
  Open();
  TDBGridKvSelectionRect* Rect = Sel()->GetRect();
  Rect->Select(0, Bm(3), false);
  Rect->Select(1, Bm(4), true);
  // Grid columns are data columns + 1 (the indicator).
  StartCounting();
  Changes = 0;
  Rect->Select(2, Bm(6), true);  // grows right and down
  EXPECT_TRUE(RepaintIsDifference(Box(1, 3, 2, 4), Box(1, 3, 3, 6)));
  EXPECT_EQ(Changes, 1);
  StartCounting();
  Rect->Select(2, Bm(5), true);  // the last row goes
  EXPECT_TRUE(RepaintIsDifference(Box(1, 3, 3, 6), Box(1, 3, 3, 5)));
  StartCounting();
  Rect->Select(0, Bm(1), true);  // over the anchor to the top left
  EXPECT_TRUE(RepaintIsDifference(Box(1, 3, 3, 5), Box(1, 1, 1, 3)));
  // One more column of the same rows is one strip to repaint.
  StartCounting();
  Rect->Select(1, Bm(1), true);
  EXPECT_TRUE(RepaintIsDifference(Box(1, 1, 1, 3), Box(1, 1, 2, 3)));
  EXPECT_EQ(UpdateRectangles(), 1u);
  Rect->Select(0, Bm(1), true);
  // The same corners again change nothing on screen.
  StartCounting();
  Rect->Select(0, Bm(1), true);
  EXPECT_TRUE(RepaintsNothing());
  // Collapsing onto the anchor unselects the whole old rectangle.
  StartCounting();
  Rect->Select(0, Bm(3), false);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_TRUE(RepaintIs({Box(1, 1, 1, 3)})) << "the anchor cell too";
}

TEST_F(DBGridKvSelectionTest, ARectangleLongerThanTheViewStaysOnItsRecordsWhileTheGridScrolls) {
  Open(60);
  const Integer Shown = Grid->GetDataLink()->GetRecordCount();
  ASSERT_LT(Shown, 40);
  TDBGridKvSelectionRect* Rect = Sel()->GetRect();
  Rect->Select(1, Bm(5), false);
  Rect->Select(2, Bm(40), true);
  TGridRect R;
  Sel()->GetSelectionRect(R);
  const Integer T = Grid->GetTitleOffset();
  EXPECT_EQ(R, (TGridRect{2, T + 4, 3, T + Shown - 1})) << "from record 5 to the last row shown";
  // Scrolled into the middle: every row shown is selected.
  GoTo(20);
  Sel()->GetSelectionRect(R);
  EXPECT_EQ(R.Top, T);
  EXPECT_EQ(R.Bottom, T + Shown - 1);
  // Down near its end: the rows shown end with record 40.
  DataSet->First();
  DataSet->MoveBy(41);
  ASSERT_GT(RowOf(40), T);
  Sel()->GetSelectionRect(R);
  EXPECT_EQ(R.Top, T);
  EXPECT_EQ(R.Bottom, RowOf(40));
  EXPECT_EQ(Ids(2).size(), 36u);
  EXPECT_EQ(Ids(2).front(), 5);
  EXPECT_EQ(Ids(0), IdList{});
  // Extending while only the end shows repaints the rows shown that changed.
  StartCounting();
  Rect->Select(2, Bm(50), true);
  EXPECT_TRUE(
      RepaintIsDifference(Grid->BoxRect(2, T, 3, RowOf(40)), Grid->BoxRect(2, T, 3, RowOf(42))));
  // A rectangle entirely above the rows shown has no cells on screen.
  Rect->Select(1, Bm(2), false);
  Rect->Select(1, Bm(3), true);
  Sel()->GetSelectionRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1}));
}

TEST_F(DBGridKvSelectionTest, ARectangleClearsARecordSelection) {
  Open();
  GoTo(2);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  ASSERT_EQ(Sel()->GetSelectionType(), gskRows);
  Sel()->GetRect()->Select(0, Bm(5), false);
  Sel()->GetRect()->Select(0, Bm(6), true);
  EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 0);
  EXPECT_EQ(Ids(0), (IdList{5, 6}));
}

TEST_F(DBGridKvSelectionTest, DeletingACornerRecordDropsTheRectangle) {
  Open();
  Sel()->GetRect()->Select(0, Bm(3), false);
  Sel()->GetRect()->Select(1, Bm(6), true);
  GoTo(4);  // inside: the rectangle keeps its corners
  DataSet->Delete();
  EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
  EXPECT_EQ(Ids(0), (IdList{3, 5, 6}));
  GoTo(3);
  DataSet->Delete();
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Ids(0), IdList{}) << "it does not run to the end of the dataset";
}

// [SECTION] Columns

TEST_F(DBGridKvSelectionTest, AddTogglesAColumnAndKeepsTheListInColumnOrder) {
  Open();
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  StartCounting();
  C->Add(Columns->GetColumn(4));
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Sel()->GetSelectionType(), gskColumns);
  const TRect Col5 = Grid->CellRect(5, 0);
  EXPECT_TRUE(RepaintIs({Rect(Col5.Left, 0, Col5.Right + 1, Grid->GetClientHeight())}))
      << "the column, lines included, top to bottom";
  C->Add(Columns->GetColumn(1));
  C->Add(Columns->GetColumn(2));
  EXPECT_EQ(Cols(), (IdList{1, 2, 4}));
  EXPECT_EQ(C->GetAnchor(), Columns->GetColumn(2));
  EXPECT_EQ(Ids(4).size(), Marks.size()) << "every record in a selected column";
  EXPECT_FALSE(Sel()->DataCellSelected(-1, Bm(1)));
  EXPECT_FALSE(Sel()->DataCellSelected(6, Bm(1))) << "past the last column";
  TGridRect R;
  Sel()->GetSelectionRect(R);
  EXPECT_EQ(R, (TGridRect{2, 0, 5, Grid->GetFullRowCount() - 1}));
  // A second Add takes it out; the last one out ends the selection.
  for (Integer I : {1, 2, 4}) C->Add(Columns->GetColumn(I));
  EXPECT_EQ(Cols(), IdList{});
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvSelectionTest, SelectReplacesOrAddsAndNeverTakesOut) {
  Open();
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  C->Select(Columns->GetColumn(3), false);
  C->Select(Columns->GetColumn(0), true);
  C->Select(Columns->GetColumn(0), true);
  EXPECT_EQ(Cols(), (IdList{0, 3}));
  StartCounting();
  C->Select(Columns->GetColumn(5), false);
  EXPECT_EQ(Cols(), IdList{5});
  // Columns 0 and 3 lose their highlight, 5 gains it; nothing else repaints.
  auto Column = [&](Integer GridCol) {
    const TRect R = Grid->CellRect(GridCol, 0);
    return Rect(R.Left, 0, R.Right + 1, Grid->GetClientHeight());
  };
  EXPECT_TRUE(RepaintIs({Column(1), Column(4), Column(6)}));
}

// The six ways a Shift extension can move relative to its anchor and its
// last end.
TEST_F(DBGridKvSelectionTest, AShiftExtensionFollowsTheAnchorBothWaysAndTakesBackOnlyItsOwn) {
  Open();
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  auto Shift = [&](Integer I) {
    C->SelectShift(Columns->GetColumn(I));
    return Cols();
  };
  C->Select(Columns->GetColumn(2), false);
  EXPECT_EQ(Shift(3), (IdList{2, 3})) << "anchor = end";
  EXPECT_EQ(Shift(5), (IdList{2, 3, 4, 5})) << "further out";
  EXPECT_EQ(Shift(4), (IdList{2, 3, 4})) << "back towards the anchor";
  EXPECT_EQ(Shift(0), (IdList{0, 1, 2})) << "back over the anchor";
  EXPECT_EQ(Shift(1), (IdList{1, 2})) << "back from the other side";
  EXPECT_EQ(Shift(5), (IdList{2, 3, 4, 5})) << "over the anchor again";
  EXPECT_EQ(Shift(5), (IdList{2, 3, 4, 5})) << "in place";
  // Columns selected before the extension began keep their state.
  C->Select(Columns->GetColumn(4), false);
  C->Add(Columns->GetColumn(1));  // the anchor moves to 1
  EXPECT_EQ(Shift(5), (IdList{1, 2, 3, 4, 5}));
  EXPECT_EQ(Shift(2), (IdList{1, 2, 4})) << "4 was selected before";
  Grid->CheckConsistency();
}

TEST_F(DBGridKvSelectionTest, AShiftExtensionFromAnUnselectedAnchorUnselectsAndRestores) {
  Open();
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  for (Integer I : {0, 1, 2, 3, 5}) C->Add(Columns->GetColumn(I));
  C->Add(Columns->GetColumn(3));  // unselected now, and the anchor
  EXPECT_EQ(Cols(), (IdList{0, 1, 2, 5}));
  Changes = 0;
  C->SelectShift(Columns->GetColumn(1));
  EXPECT_EQ(Cols(), (IdList{0, 5}));
  EXPECT_EQ(Changes, 2) << "one notification a column changed";
  C->SelectShift(Columns->GetColumn(2));
  EXPECT_EQ(Cols(), (IdList{0, 1, 5})) << "column 1 comes back";
  C->SelectShift(Columns->GetColumn(3));
  EXPECT_EQ(Cols(), (IdList{0, 1, 2, 5}));
}

TEST_F(DBGridKvSelectionTest, AShiftExtensionPassesOverHiddenColumns) {
  Open();
  Grid->Column(2)->SetVisible(false);
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  C->Select(Grid->Column(0), false);
  C->SelectShift(Grid->Column(4));
  EXPECT_EQ(Cols(), (IdList{0, 1, 3, 4}));
}

TEST_F(DBGridKvSelectionTest, AColumnThatLeavesTheGridLeavesTheSelection) {
  Open();
  TDBGridKvSelectionCols* C = Sel()->GetColumns();
  C->Select(Grid->Column(1), false);
  C->SelectShift(Grid->Column(3));
  TColumnKv* Anchor = Grid->Column(1);
  TColumnKv* End = Grid->Column(3);
  // The anchor and the extension's end go: nothing of them is kept.
  Grid->BeginLayout();
  Anchor->Free();
  End->Free();
  EXPECT_EQ(C->GetAnchor(), nullptr);
  EXPECT_EQ(C->GetShiftCol(), nullptr);
  EXPECT_EQ(C->GetShiftSelectedCols()->GetCount(), 1);
  EXPECT_EQ(Cols(), IdList{1}) << "the old column 2, now at index 1";
  Grid->EndLayout();
  C->SelectShift(Grid->Column(3));
  EXPECT_EQ(Cols(), (IdList{1, 3})) << "without an anchor the column only joins";
  C->SelectShift(Grid->Column(0));
  EXPECT_EQ(Cols(), (IdList{0, 1, 2, 3})) << "the column that joined is the anchor";
  // The last selected column going ends the column selection.
  C->Select(Grid->Column(0), false);
  Grid->GetColumns()->Delete(0);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  Grid->CheckConsistency();
}

// [SECTION] The selection as a whole

TEST_F(DBGridKvSelectionTest, ClearEndsEveryKindAndBringsBackAnEditorShownAlways) {
  Open();
  auto MakeKind = [&](TDBGridKvSelectionKind Kind) {
    switch (Kind) {
      case gskRows:
        Grid->GetSelectedRows()->SetCurrentRowSelected(true);
        break;
      case gskRectangle:
        Sel()->GetRect()->Select(0, Bm(1), false);
        Sel()->GetRect()->Select(1, Bm(2), true);
        break;
      case gskColumns:
        Sel()->GetColumns()->Add(Grid->Column(1));
        break;
      case gskAll:
        Sel()->SelectAll();
        break;
      case gskNone:
        break;
    }
  };
  for (TDBGridKvSelectionKind Kind : {gskRows, gskRectangle, gskColumns, gskAll}) {
    SCOPED_TRACE(int(Kind));
    MakeKind(Kind);
    ASSERT_EQ(Sel()->GetSelectionType(), Kind);
    Changes = 0;
    StartCounting();
    Sel()->Clear();
    EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
    EXPECT_EQ(Ids(1), IdList{});
    EXPECT_GE(Changes, 1);
    TRect Box;
    EXPECT_TRUE(GetUpdateRect(Grid->GetHandle(), &Box, FALSE)) << "what showed it repaints";
    Grid->CheckConsistency();
  }
  // The test grid logs the editor's showing.
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowEditorKv);
  MakeKind(gskColumns);
  Grid->Log.clear();
  Sel()->Clear();
  EXPECT_EQ(Grid->Calls(), std::vector<String>{"ShowCellEditor"});
  // Over a closed dataset it stays away.
  MakeKind(gskAll);
  Grid->Log.clear();
  DataSet->Close();
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  for (const String& Call : Grid->Calls()) EXPECT_NE(Call, "ShowCellEditor");
}

TEST_F(DBGridKvSelectionTest, SelectAllRepaintsTheGridOnceAndSelectsEveryCell) {
  Open();
  Sel()->GetRect()->Select(0, Bm(1), false);
  Sel()->GetRect()->Select(1, Bm(2), true);
  Changes = 0;
  StartCounting();
  Sel()->SelectAll();
  EXPECT_EQ(Sel()->GetSelectionType(), gskAll);
  EXPECT_TRUE(WholeGridRepaints());
  EXPECT_EQ(Changes, 2) << "the rectangle's end, then everything";
  EXPECT_TRUE(Sel()->DataCellSelected(-1, Bm(30)));
  EXPECT_EQ(Ids(2).size(), 30u);
  Changes = 0;
  StartCounting();
  Sel()->SelectAll();
  EXPECT_EQ(Changes, 0);
  EXPECT_TRUE(RepaintsNothing());
}

TEST_F(DBGridKvSelectionTest, ANewKindRepaintsOnlyTheEditor) {
  Open();
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgClearSelectionOnEditKv);
  Grid->ShowEditor();
  ASSERT_TRUE(Grid->GetInplaceEditor()->Visible());
  UpdateWindow(Grid->GetHandle());
  StartCounting();
  Sel()->SetSelectionType(gskAll);
  TRect Box;
  GetUpdateRect(Grid->GetHandle(), &Box, FALSE);
  TRect Cell;
  Grid->GridRectToScreenRect({Grid->GetCol(), Grid->GetRow(), Grid->GetCol(), Grid->GetRow()}, Cell,
                             true);
  TRect Both;
  UnionRect(Both, Box, Cell);
  EXPECT_EQ(Both, Cell) << "nothing beyond the editor's cell";
}

TEST_F(DBGridKvSelectionTest, ANewDataSourceOrAClosedDatasetEndsTheSelection) {
  Open();
  Sel()->SelectAll();
  TDataSource* Other = TDataSource::Create(Form);
  Other->SetDataSet(DataSet);
  Grid->SetDataSource(Other);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  GoTo(3);
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  DataSet->Close();
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 0);
  DataSet->Open();
  DataSet->First();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 1) << "linked again with the dataset";
}

// The grid's own repaint of its selection (on a change of the focus): what
// covers the selection, and the current row.
TEST_F(DBGridKvSelectionTest, TheGridRepaintsWhatShowsItsSelection) {
  Open();
  Sel()->GetRect()->Select(1, Bm(3), false);
  Sel()->GetRect()->Select(2, Bm(5), true);
  StartCounting();
  Grid->SelectionChanged();
  TRect RectCells;
  Grid->GridRectToScreenRect({2, RowOf(3), 3, RowOf(5)}, RectCells, true);
  TRect CurrentRow;
  Grid->GridRectToScreenRect({0, Grid->GetRow(), Grid->GetFullColCount() - 1, Grid->GetRow()},
                             CurrentRow, true);
  EXPECT_TRUE(RepaintIs({RectCells, CurrentRow}));
}

// [SECTION] Clicks, drags and keys

// The ids of the selected records.
std::vector<Integer> RecordIds(TTestDBGrid* Grid, TDataSet* DataSet) {
  std::vector<Integer> R;
  TBookmarkListKv* Rows = Grid->GetSelectedRows();
  const TBookmark Saved = DataSet->GetBookmark();
  for (Integer I = 0; I < Rows->GetCount(); ++I) {
    DataSet->SetBookmark(Rows->GetItems(I));
    R.push_back(DataSet->FieldByName("id")->GetAsInteger());
  }
  DataSet->SetBookmark(Saved);
  return R;
}

class DBGridKvSelectionInputTest : public DBGridKvSelectionTest {
 protected:
  IdList Records() { return RecordIds(Grid, DataSet); }
  Integer CurrentId() { return DataSet->FieldByName("id")->GetAsInteger(); }
  void ClickIndicator(Integer Id, TShiftState Shift = {}) {
    Input.Click(Grid->GetHandle(), Centre(0, RowOf(Id)), mbLeft, Shift);
  }
  void ClickCell(Integer GridCol, Integer Id, TShiftState Shift = {}) {
    Input.Click(Grid->GetHandle(), Centre(GridCol, RowOf(Id)), mbLeft, Shift);
  }
  // A point in the lowest 7 pixels of a column's title.
  TPoint Strip(Integer GridCol) {
    const TRect R = Grid->CellRect(GridCol, 0);
    return {(R.Left + R.Right) / 2, R.Bottom - 3};
  }
};

TEST_F(DBGridKvSelectionInputTest, ClicksOnTheIndicatorSelectRecords) {
  Open();
  ClickIndicator(3);
  EXPECT_EQ(CurrentId(), 3) << "the record clicked becomes current";
  EXPECT_EQ(Sel()->GetSelectionType(), gskRows);
  EXPECT_EQ(Records(), IdList{3});
  ClickIndicator(5, {ssCtrl});
  EXPECT_EQ(Records(), (IdList{3, 5}));
  ClickIndicator(3, {ssCtrl});
  EXPECT_EQ(Records(), IdList{5}) << "Ctrl+click takes a selected record out";
  ClickIndicator(2);
  EXPECT_EQ(Records(), IdList{2}) << "a plain click starts again";
  ClickIndicator(6, {ssShift});
  EXPECT_EQ(Records(), (IdList{2, 3, 4, 5, 6}));
  EXPECT_EQ(CurrentId(), 6);
  ClickIndicator(4, {ssShift});
  EXPECT_EQ(Records(), (IdList{2, 3, 4, 5, 6})) << "Shift+click back inside keeps the range";
  EXPECT_EQ(Grid->GetMouseState(), 0) << "the release ends the selecting";
  // A click on a data cell ends the record selection.
  ClickCell(2, 8);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Records(), IdList{});
  EXPECT_EQ(CurrentId(), 8);
  EXPECT_EQ(Grid->GetCol(), 2);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvSelectionInputTest, DraggingOverTheIndicatorSelectsTheRecordsPassed) {
  Open();
  Input.Drag(Grid->GetHandle(), Centre(0, RowOf(2)), Centre(0, RowOf(6)), 8);
  EXPECT_EQ(Records(), (IdList{2, 3, 4, 5, 6}));
  EXPECT_EQ(CurrentId(), 6);
  // Back up while the button is held: the records left go again.
  Input.MouseDown(mbLeft, Grid->GetHandle(), Centre(0, RowOf(9)));
  Input.MouseMove(Grid->GetHandle(), Centre(0, RowOf(12)));
  Input.MouseMove(Grid->GetHandle(), Centre(0, RowOf(10)));
  Input.MouseUp(mbLeft, Grid->GetHandle(), Centre(0, RowOf(10)));
  EXPECT_EQ(Records(), (IdList{9, 10}));
}

TEST_F(DBGridKvSelectionInputTest, DraggingOverDataCellsSelectsARectangle) {
  Open();
  Integer Clicks = 0;
  Grid->OnCellClick = TDBGridKvClickEvent([&](TColumnKv*) { ++Clicks; });
  Input.Drag(Grid->GetHandle(), Centre(2, RowOf(2)), Centre(4, RowOf(5)), 6);
  EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
  for (Integer C : {1, 2, 3}) EXPECT_EQ(Ids(C), (IdList{2, 3, 4, 5})) << C;
  EXPECT_EQ(Ids(0), IdList{});
  EXPECT_EQ(Ids(4), IdList{});
  EXPECT_EQ(CurrentId(), 5);
  EXPECT_EQ(Grid->GetCol(), 4);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Grid->GetMouseState(), 0);
  // Shift+click moves the far corner; a plain click drops the rectangle.
  ClickCell(1, 3, {ssShift});
  EXPECT_EQ(Ids(0), (IdList{2, 3}));
  EXPECT_EQ(Ids(2), IdList{});
  ClickCell(1, 7);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvSelectionInputTest, ShiftArrowsGrowARectangleAndPlainArrowsDropIt) {
  Open();
  ClickCell(2, 3);
  Input.KeyPress(VK_DOWN, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  EXPECT_EQ(Sel()->GetSelectionType(), gskRectangle);
  EXPECT_EQ(Ids(1), (IdList{3, 4, 5}));
  Input.KeyPress(VK_RIGHT, {ssShift});
  EXPECT_EQ(Ids(2), (IdList{3, 4, 5}));
  StartCounting();
  Input.KeyPress(VK_UP, {ssShift});
  EXPECT_EQ(Ids(1), (IdList{3, 4}));
  EXPECT_FALSE(WholeGridRepaints()) << "a step repaints the row it left, not the grid";
  EXPECT_EQ(CurrentId(), 4);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(CurrentId(), 5);
  Input.KeyPress(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 2);
}

TEST_F(DBGridKvSelectionInputTest, ShiftArrowsSelectRecordsWhereRectanglesAreNotAllowed) {
  Open();
  Grid->SetAllowedSelections(TDBGridKvAllowedSelections{gskRows, gskAll});
  GoTo(4);
  Input.KeyPress(VK_DOWN, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  EXPECT_EQ(Records(), (IdList{4, 5, 6}));
  Input.KeyPress(VK_UP, {ssShift});
  EXPECT_EQ(Records(), (IdList{4, 5})) << "the anchor and the next record";
  Input.KeyPress(VK_UP, {ssShift});
  Input.KeyPress(VK_UP, {ssShift});
  EXPECT_EQ(Records(), (IdList{3, 4})) << "over the anchor the other way";
  Input.KeyPress(VK_HOME);
  EXPECT_EQ(Grid->GetCol(), 1) << "Home goes to the first column";
  EXPECT_EQ(Records(), (IdList{3, 4}));
  Input.KeyPress(VK_HOME, {ssCtrl});
  EXPECT_EQ(Records(), IdList{}) << "Ctrl+Home drops the selection";
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DBGridKvSelectionInputTest, CtrlShiftHomeSelectsEveryRecordToTheFirstInRowSelectMode) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  GoTo(6);
  Input.KeyPress(VK_HOME, {ssCtrl, ssShift});
  EXPECT_EQ(Records(), (IdList{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(CurrentId(), 1);
  // Without rectangles or row-select mode it only moves.
  Grid->SetOptions(Grid->GetOptions() - dgRowSelectKv);
  Grid->SetAllowedSelections(TDBGridKvAllowedSelections{gskColumns, gskAll});
  Sel()->Clear();
  GoTo(6);
  Input.KeyPress(VK_HOME, {ssCtrl, ssShift});
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
}

TEST_F(DBGridKvSelectionInputTest, TheTitlesLowerStripSelectsColumns) {
  Open();
  Input.Click(Grid->GetHandle(), Strip(2));
  EXPECT_EQ(Cols(), IdList{1});
  Input.Click(Grid->GetHandle(), Strip(4), mbLeft, {ssShift});
  EXPECT_EQ(Cols(), (IdList{1, 2, 3}));
  Input.Click(Grid->GetHandle(), Strip(6), mbLeft, {ssCtrl});
  EXPECT_EQ(Cols(), (IdList{1, 2, 3, 5}));
  Input.Click(Grid->GetHandle(), Strip(1));
  EXPECT_EQ(Cols(), IdList{0});
  // A drag along the strip extends from the column pressed.
  Input.Drag(Grid->GetHandle(), Strip(3), Strip(5), 4);
  EXPECT_EQ(Cols(), (IdList{2, 3, 4}));
  EXPECT_EQ(Grid->GetMouseState(), 0);
  // The upper part of a title selects nothing.
  const TRect Title = Grid->CellRect(2, 0);
  Input.Click(Grid->GetHandle(), {Title.Left + 10, Title.Top + 2});
  EXPECT_EQ(Cols(), (IdList{2, 3, 4}));
  // Nor does the strip where column selections are not allowed.
  Grid->SetAllowedSelections(TDBGridKvAllowedSelections{gskRows, gskRectangle});
  Input.Click(Grid->GetHandle(), Strip(6));
  EXPECT_EQ(Cols(), (IdList{2, 3, 4}));
}

TEST_F(DBGridKvSelectionInputTest, SelectAllFromTheKeyboardAndTheIndicatorTitle) {
  Open();
  Input.KeyPress('A', {ssCtrl});
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone) << "select-all is not among the edit actions";
  Grid->SetEditActions(TDBGridKvEditActions{geaSelectAllKv});
  Changes = 0;
  Input.KeyPress('A', {ssCtrl});
  EXPECT_EQ(Sel()->GetSelectionType(), gskAll);
  EXPECT_EQ(Changes, 1);
  Input.Click(Grid->GetHandle(), Centre(0, 0));
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone) << "the indicator's title takes it away";
  Advance(1000);  // not a double click
  Input.Click(Grid->GetHandle(), Centre(0, 0));
  EXPECT_EQ(Sel()->GetSelectionType(), gskAll) << "and gives it back";
  EXPECT_TRUE(Selected(5, 30));
}

// The selection holds records, not rows: scrolling leaves it where it is.
class DBGridKvSelectionScrollTest : public DBGridKvSelectionInputTest {};

TEST_P(DBGridKvSelectionScrollTest, TheSelectionStaysOnItsRecordsWhileTheGridScrolls) {
  Open(60, GetParam());
  ClickIndicator(2);
  ClickIndicator(4, {ssCtrl});
  TGridRect R;
  Grid->GetSelectedRows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{0, RowOf(2), Grid->GetFullColCount() - 1, RowOf(4)}));
  for (Integer I = 0; I < 5; ++I) Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(RowOf(2), -1) << "scrolled away";
  Grid->GetSelectedRows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1}));
  EXPECT_EQ(Records(), (IdList{2, 4}));
  EXPECT_FALSE(Sel()->DataCellSelected(0, DataSet->GetBookmark()));
  DataSet->First();
  EXPECT_EQ(Records(), (IdList{2, 4}));
  EXPECT_TRUE(Selected(3, 4));
  EXPECT_FALSE(Selected(3, 3));
  Grid->CheckConsistency();
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvSelectionScrollTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

}  // namespace
}  // namespace korvel
