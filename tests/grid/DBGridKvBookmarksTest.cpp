// The grid's list of selected records and its hint window: listing a record
// makes the selection a record selection and repaints its row, emptying the
// list ends it, the rows of the records on screen are found without moving
// the record the program sees, deleted records leave the list, and the hint
// window measures a cell's text in the cell's font.
//
// Ideas for tests: the list's Delete through the grid's delete command (the
// grid's clipboard and keyboard).
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/graphics/Gdi.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvBookmarksTest : public DBGridNumbersTest {
 protected:
  void Open(Integer Count = 30) {
    OpenNumbers(TStore::Memory, Count);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
    Grid->SetFocus();
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
      Marks.push_back(DataSet->GetBookmark());
    DataSet->First();
    Grid->OnSelectionChanged = TNotifyEvent([this](TObject*) { ++Changes; });
    UpdateWindow(Grid->GetHandle());
  }
  TBookmarkListKv* Rows() { return Grid->GetSelectedRows(); }
  TDBGridKvSelection* Sel() { return Grid->GetSelection(); }
  const TBookmark& Bm(Integer Id) { return Marks.at(std::size_t(Id - 1)); }
  void GoTo(Integer Id) { DataSet->SetBookmark(Bm(Id)); }
  void Select(std::initializer_list<Integer> Ids) {
    for (Integer Id : Ids) {
      GoTo(Id);
      Rows()->SetCurrentRowSelected(true);
    }
  }
  std::vector<Integer> Listed() {
    std::vector<Integer> R;
    for (Integer I = 0; I < Rows()->GetCount(); ++I)
      for (Integer Id = 1; Id <= Integer(Marks.size()); ++Id)
        if (Rows()->GetItems(I) == Bm(Id)) R.push_back(Id);
    return R;
  }
  std::vector<TBookmark> Marks;
  Integer Changes = 0;
};

using IdList = std::vector<Integer>;

TEST_F(DBGridKvBookmarksTest, ListingTheCurrentRecordOverARectangleMakesARecordSelection) {
  Open();
  Sel()->GetRect()->Select(0, Bm(1), false);
  Sel()->GetRect()->Select(1, Bm(3), true);
  GoTo(2);
  ValidateRect(Grid->GetHandle(), nullptr);
  Changes = 0;
  Rows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Sel()->GetSelectionType(), gskRows);
  EXPECT_EQ(Listed(), IdList{2});
  EXPECT_FALSE(Sel()->DataCellSelected(0, Bm(1))) << "the rectangle is gone";
  EXPECT_TRUE(Sel()->DataCellSelected(3, Bm(2)));
  EXPECT_EQ(Changes, 2) << "the rectangle's end, then the record";
  HRGN Update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(Grid->GetHandle(), Update, FALSE);
  const TRect Row = Grid->BoxRect(0, Grid->GetRow(), Grid->GetColCount() - 1, Grid->GetRow());
  EXPECT_TRUE(RectInRegion(Update, &Row)) << "the record's row repaints";
  // One more record repaints its row and nothing else.
  GoTo(6);
  UpdateWindow(Grid->GetHandle());
  Rows()->SetCurrentRowSelected(true);
  GetUpdateRgn(Grid->GetHandle(), Update, FALSE);
  TRect Box, Line;
  GetRgnBox(Update, &Box);
  Grid->GridRectToScreenRect({0, Grid->GetRow(), Grid->GetFullColCount() - 1, Grid->GetRow()}, Line,
                             true);
  IntersectRect(Line, Line, Grid->GetClientRect());
  EXPECT_EQ(Box, Line);
  DeleteObject(Update);
  Grid->CheckConsistency();
}

TEST_F(DBGridKvBookmarksTest, UnlistingTheLastRecordEndsTheSelectionAndRepaintsTheGrid) {
  Open();
  Select({4, 2, 9});
  EXPECT_EQ(Listed(), (IdList{2, 4, 9})) << "kept in the dataset's order";
  GoTo(4);
  Rows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Listed(), (IdList{2, 4, 9})) << "a listed record is listed once";
  for (Integer Id : {2, 9}) {
    GoTo(Id);
    Rows()->SetCurrentRowSelected(false);
  }
  GoTo(5);
  Rows()->SetCurrentRowSelected(false);
  EXPECT_EQ(Listed(), IdList{4});
  GoTo(4);
  ValidateRect(Grid->GetHandle(), nullptr);
  Rows()->SetCurrentRowSelected(false);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  TRect Box;
  GetUpdateRect(Grid->GetHandle(), &Box, FALSE);
  EXPECT_EQ(Box, Grid->GetClientRect());
}

TEST_F(DBGridKvBookmarksTest, ClearEmptiesTheListAndTellsTheProgram) {
  Open();
  Select({3, 5});
  Changes = 0;
  ValidateRect(Grid->GetHandle(), nullptr);
  Rows()->Clear();
  EXPECT_EQ(Rows()->GetCount(), 0);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
  EXPECT_EQ(Changes, 1);
  TRect Box;
  EXPECT_TRUE(GetUpdateRect(Grid->GetHandle(), &Box, FALSE));
}

TEST_F(DBGridKvBookmarksTest, TheRowsOfTheListedRecordsOnScreenAreFoundInPlace) {
  Open(60);
  const Integer T = Grid->GetTitleOffset();
  TGridRect R;
  Rows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1})) << "nothing listed";
  Select({40, 45});
  DataSet->First();
  DataSet->MoveBy(2);
  const Integer Active = Grid->GetDataLink()->GetActiveRecord();
  Rows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1})) << "listed records below the rows shown";
  Select({2, 5});
  DataSet->First();
  DataSet->MoveBy(2);
  Rows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{0, T + 1, Grid->GetFullColCount() - 1, T + 4}));
  EXPECT_EQ(Grid->GetDataLink()->GetActiveRecord(), Active) << "the record read is put back";
  EXPECT_EQ(DataSet->FieldByName("id")->GetAsInteger(), 3);
  DataSet->Close();
  Rows()->SelectedRowsRect(R);
  EXPECT_EQ(R, (TGridRect{-1, -1, -1, -1}));
}

TEST_F(DBGridKvBookmarksTest, DeletedAndFilteredRecordsLeaveTheList) {
  Open();
  Select({2, 3, 4, 7});
  GoTo(3);
  DataSet->Delete();
  EXPECT_EQ(Listed(), (IdList{2, 4, 7}));
  Rows()->CheckConsistency();
  // A record listed after one that went is still found.
  GoTo(7);
  EXPECT_TRUE(Rows()->GetCurrentRowSelected());
  DataSet->SetFilter("id > 3");
  DataSet->SetFiltered(true);
  EXPECT_EQ(Listed(), (IdList{4, 7}));
  for (Integer Id : {4, 7}) {
    GoTo(Id);
    DataSet->Delete();
  }
  EXPECT_EQ(Rows()->GetCount(), 0);
  EXPECT_EQ(Sel()->GetSelectionType(), gskNone);
}

// A dataset that hands the grid its rows itself and lets it read any row.
class TRowsDataSet : public TMemoryDataSet, public IMemTableKv {
  KV_CLASS(TRowsDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  void FetchRecords(Integer) override {}
  Integer GetActiveRecord() override { return IsEmpty() ? -1 : GetRecNo() - 1; }
  Integer GetRecordIndexByBookmark(const TBookmark& Bookmark) override {
    if (!BookmarkValid(Bookmark)) return -1;
    const TBookmark Saved = GetBookmark();
    DisableControls();
    SetBookmark(Bookmark);
    const Integer Index = GetRecNo() - 1;
    SetBookmark(Saved);
    EnableControls();
    return Index;
  }
  bool GetNodeExpanded() override { return false; }
  bool GetNodeHasChildren() override { return false; }
  Integer GetNodeLevel() override { return 1; }
  bool GetNodeHasNextSibling(Integer) override { return false; }
  Integer GetNextNodeLevel() override { return -1; }
  IMemTableDataFieldValueListKv* GetFieldValueList(const String&) override { return nullptr; }
  Integer GetTreeLevelLimit() override { return 0; }
  Integer GetRecordCount() override { return TMemoryDataSet::GetRecordCount(); }
  bool GetTreeViewMode() override { return false; }
  TBookmark GetBookmarkByRecordIndex(Integer) override { return {}; }
  Integer GetParentRecordIndex(Integer) override { return -1; }
  void SetNodeExpanded(Integer, bool) override {}
  Integer GetNodeChildCount() override { return 0; }
  bool MoveRecords(const std::vector<TBookmark>&, Integer, Integer, bool) override { return false; }
  // Reading a row moves to its record with the controls asleep.
  void SetActiveRecord(Integer Index) override {
    Saved.push_back(GetBookmark());
    DisableControls();
    SetRecNo(Index + 1);
  }
  void RestoreActiveRecord() override {
    SetBookmark(Saved.back());
    Saved.pop_back();
    EnableControls();
  }
  std::vector<TBookmark> Saved;
};

TEST_F(DBGridKvBookmarksTest, InInterfaceModeTheRowsShownAreReadThroughTheDataset) {
  TRowsDataSet* Rows = TRowsDataSet::Create(Form);
  Rows->GetFieldDefs()->Add("id", ftInteger);
  Rows->Open();
  for (Integer I = 1; I <= 60; ++I) Rows->AppendRecord({I});
  Rows->First();
  Source = TDataSource::Create(Form);
  Source->SetDataSet(Rows);
  Grid->SetDataSource(Source);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  ASSERT_NE(Grid->GetMemTable(), nullptr);
  for (Integer Id : {3, 6, 50}) {
    Rows->SetRecNo(Id);
    Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  }
  Rows->First();
  TGridRect R;
  Grid->GetSelectedRows()->SelectedRowsRect(R);
  const Integer T = Grid->GetTitleOffset();
  EXPECT_EQ(R, (TGridRect{0, T + 2, Grid->GetFullColCount() - 1, T + 5}));
  EXPECT_EQ(Rows->GetRecNo(), 1);
  EXPECT_TRUE(Rows->Saved.empty());
  // A rectangle's rows are the interface's rows of its corners.
  const TBookmark From = Grid->GetSelectedRows()->GetItems(0);
  const TBookmark To = Grid->GetSelectedRows()->GetItems(2);
  Grid->GetSelection()->GetRect()->Select(0, From, false);
  Grid->GetSelection()->GetRect()->Select(0, To, true);
  Grid->GetSelection()->GetSelectionRect(R);
  EXPECT_EQ(R, (TGridRect{1, T + 2, 1, T + 49}));
}

// [SECTION] The hint window

TEST_F(DBGridKvBookmarksTest, TheHintWindowMeasuresInTheCellsFontAndShowsItInWindowText) {
  dbgrid::TToolTipsWindow* Window = dbgrid::TToolTipsWindow::Create(Form);
  TObjectPtr<TFont> Regular(TFont::Create());
  TObjectPtr<TFont> Bold(TFont::Create());
  Bold->SetStyle(TFontStyles{fsBold});
  Bold->SetColor(clRed);
  const String Text = "A value too wide for its cell";
  const TRect Plain = Window->CalcHintRect(1000, Text, Regular.get());
  const TRect Wide = Window->CalcHintRect(1000, Text, Bold.get());
  EXPECT_GT(Wide.Width(), Plain.Width()) << "measured in bold";
  EXPECT_TRUE(Window->GetCanvas()->GetFont()->GetStyle().Contains(fsBold));
  EXPECT_EQ(Window->GetCanvas()->GetFont()->GetColor(), clWindowText);
  EXPECT_EQ(Bold->GetColor(), clRed) << "the cell's font is not changed";
  // Without a font the window's own is used.
  const TRect Own = Window->CalcHintRect(1000, Text, nullptr);
  EXPECT_FALSE(Window->GetCanvas()->GetFont()->GetStyle().Contains(fsBold));
  EXPECT_LT(Own.Width(), Wide.Width());
}

}  // namespace
}  // namespace korvel
