// The grid's rows against its dataset: the rows show the link's window of
// records whatever moves the dataset, the window is as large as the visible
// rows, a scroll moves the pixels and repaints only what changed, the
// vertical bar shows the record number and takes the user to any record, and
// nothing reads more of a large table than the rows shown.
//
// Ideas for tests: a dataset offering the tree interface with rows fetched
// on demand; right-to-left scrolling pixels.
#include <gtest/gtest.h>

#include <functional>

#include "grid/DBGridKv.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvRowsTest : public DBGridNumbersTest {
 protected:
  TGridDataLinkKv* Link() { return Grid->GetDataLink(); }
  // The data rows that fit between the title row and the bottom edge.
  Integer RowsThatFit() {
    const Integer Line = Grid->GetGridLineWidth();
    const Integer Footers = Grid->GetFooterRowCount();
    const Integer Fixed = Grid->GetRowHeights(0) + Line +
                          Footers * (Grid->GetDefaultRowHeight() + Line) + (Footers > 0 ? Line : 0);
    return std::max((Grid->GetClientHeight() - Fixed) /
                        (Grid->GetDefaultRowHeight() + Grid->GetGridLineWidth()),
                    1);
  }
  SCROLLINFO VertBar() {
    SCROLLINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = SIF_ALL;
    GetScrollInfo(Grid->GetHandle(), SB_VERT, &Info);
    return Info;
  }
  // Everything the user sees of the rows agrees with the dataset.
  void ExpectRowsFollow(const char* Where) {
    SCOPED_TRACE(Where);
    DataSet->CheckConsistency();
    Grid->CheckConsistency();
    const Integer Offset = Grid->GetTitleOffset();
    ASSERT_TRUE(Link()->GetActive());
    const Integer Records = Link()->GetRecordCount();
    EXPECT_EQ(Grid->GetRowCount(), Offset + std::max(Records, 1));
    EXPECT_EQ(Grid->GetRow(), Offset + Link()->GetActiveRecord());
    const Integer Total = DataSet->GetRecordCount();
    EXPECT_EQ(Link()->GetBufferCount(), RowsThatFit()) << "the window is the visible rows";
    EXPECT_EQ(Records, std::min(Total, RowsThatFit()));
    if (DataSet->GetState() == dsInsert) return;
    EXPECT_EQ(Grid->GetRowRecNo(Link()->GetActiveRecord()), DataSet->GetRecNo());
    for (Integer R = 1; R < Records; ++R)
      EXPECT_EQ(Grid->GetRowRecNo(R), Grid->GetRowRecNo(R - 1) + 1) << "row " << R;
    const SCROLLINFO Bar = VertBar();
    EXPECT_EQ(Bar.nMin, 1);
    EXPECT_EQ(Bar.nPos, DataSet->GetRecNo()) << "the thumb stands on the record number";
    EXPECT_EQ(Bar.nMax - Integer(Bar.nPage) + 1, Total) << "the thumb reaches the last record";
  }
};

TEST_P(DBGridKvRowsTest, RowsFollowEveryMoveAndChangeOfTheDataset) {
  OpenNumbers(GetParam(), 60);
  ExpectRowsFollow("open");
  const struct {
    const char* Name;
    std::function<void()> Act;
  } Steps[] = {
      {"Next", [&] { DataSet->Next(); }},
      {"MoveBy(10)", [&] { DataSet->MoveBy(10); }},
      {"MoveBy(-3)", [&] { DataSet->MoveBy(-3); }},
      {"Last", [&] { DataSet->Last(); }},
      {"Prior", [&] { DataSet->Prior(); }},
      {"First", [&] { DataSet->First(); }},
      {"RecNo 25", [&] { DataSet->SetRecNo(25); }},
      {"Insert", [&] { DataSet->Insert(); }},
      {"Cancel", [&] { DataSet->Cancel(); }},
      {"Edit and Post",
       [&] {
         DataSet->Edit();
         DataSet->FieldByName("name")->SetAsString("Changed");
         DataSet->Post();
       }},
      {"Delete", [&] { DataSet->Delete(); }},
      {"Append and Post",
       [&] {
         DataSet->Append();
         DataSet->FieldByName("id")->SetAsInteger(1000);
         DataSet->Post();
       }},
      {"filter on",
       [&] {
         DataSet->SetFilter("id > 30");
         DataSet->SetFiltered(true);
       }},
      {"MoveBy(5) filtered", [&] { DataSet->MoveBy(5); }},
      {"filter off", [&] { DataSet->SetFiltered(false); }},
      {"Close and Open",
       [&] {
         DataSet->Close();
         DataSet->Open();
       }},
      {"a field hidden", [&] { DataSet->FieldByName("amount")->SetVisible(false); }},
      {"Last again", [&] { DataSet->Last(); }},
  };
  for (const auto& Step : Steps) {
    Step.Act();
    ExpectRowsFollow(Step.Name);
  }
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 2) << "the hidden field's column went";
}

TEST_P(DBGridKvRowsTest, TheWindowIsTheRowsThatFitAndFollowsTheGridsSize) {
  OpenNumbers(GetParam(), 60);
  const Integer Pitch = Grid->GetDefaultRowHeight() + Grid->GetGridLineWidth();
  const Integer Fixed = Grid->GetRowHeights(0) + Grid->GetGridLineWidth();
  const Integer Frame = Grid->GetHeight() - Grid->GetClientHeight();
  // Seven and a half rows' worth of room: seven records.
  Grid->SetHeight(Frame + Fixed + 7 * Pitch + Pitch / 2);
  EXPECT_EQ(Link()->GetBufferCount(), 7);
  EXPECT_EQ(Grid->GetRowCount(), 1 + 7);
  // Less than a row: still one.
  Grid->SetHeight(Frame + Fixed + Pitch / 2);
  EXPECT_EQ(Link()->GetBufferCount(), 1);
  EXPECT_EQ(Grid->GetRowCount(), 2);
  Grid->SetHeight(300);
  ExpectRowsFollow("taller");
  // Footer rows take their room from the data rows.
  const Integer Before = Link()->GetBufferCount();
  Grid->SetFooterRowCount(2);
  EXPECT_EQ(Grid->GetContraRowCount(), 2);
  EXPECT_LT(Link()->GetBufferCount(), Before);
  EXPECT_EQ(
      Link()->GetBufferCount(),
      std::max((Grid->GetClientHeight() - Fixed - 2 * Pitch - Grid->GetGridLineWidth()) / Pitch,
               1));
  ExpectRowsFollow("with footers");  // the thumb still reaches the end
}

TEST_P(DBGridKvRowsTest, TheThumbTakesTheUserToTheFirstAndLastRecord) {
  OpenNumbers(GetParam(), 200);
  Grid->SetFocus();
  // The thumb, dragged from where it stands to the bottom of the bar.
  auto DragThumb = [&](bool Down) {
    TRect Window;
    GetWindowRect(Grid->GetHandle(), &Window);
    const TRect Client = Grid->GetClientRect();
    const TPoint TopLeft = Grid->ClientToScreen({0, 0});
    const Integer X = TopLeft.X + Client.Right + GetSystemMetrics(SM_CXVSCROLL) / 2;
    const Integer Arrow = GetSystemMetrics(SM_CYVSCROLL);
    const SCROLLINFO Bar = VertBar();
    const Integer Track = Client.Bottom - 2 * Arrow;
    const Integer Thumb =
        std::max<Integer>(Track * Integer(Bar.nPage) / (Bar.nMax - Bar.nMin + 1), 8);
    const Integer ThumbTop =
        Arrow + MulDiv(Track - Thumb, Bar.nPos - Bar.nMin,
                       std::max<Integer>(Bar.nMax - Bar.nMin + 1 - Bar.nPage, 1));
    const TPoint From{X, TopLeft.Y + ThumbTop + Thumb / 2};
    const TPoint To{X, Down ? Window.Bottom + 40 : Window.Top - 40};
    Input.ButtonDownAt(mbLeft, From);
    Input.MouseMoveAt({X, (From.Y + To.Y) / 2});
    Input.MouseMoveAt(To);
    Input.ButtonUpAt(mbLeft, To);
  };
  DragThumb(true);
  EXPECT_EQ(DataSet->GetRecNo(), 200);
  EXPECT_TRUE(DataSet->GetEof()) << "the last record, as Last leaves it";
  ExpectRowsFollow("thumb at the bottom");
  DragThumb(false);
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  ExpectRowsFollow("thumb at the top");
  // A click below the thumb pages down by the visible rows.
  const Integer Page = Grid->GetVisibleRowCount();
  Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(DataSet->GetRecNo(), 1 + Page);
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Link()->GetActiveRecord(), Link()->GetRecordCount() - 1) << "on the bottom row";
  ExpectRowsFollow("line down");
}

TEST_P(DBGridKvRowsTest, TheWheelMovesTheRecord) {
  OpenNumbers(GetParam(), 30);
  const TPoint Centre{100, 100};
  Input.Wheel(Grid->GetHandle(), -WHEEL_DELTA * 3, Centre);
  EXPECT_EQ(DataSet->GetRecNo(), 4);
  Input.Wheel(Grid->GetHandle(), WHEEL_DELTA, Centre);
  EXPECT_EQ(DataSet->GetRecNo(), 3);
  ExpectRowsFollow("wheel");
}

TEST_P(DBGridKvRowsTest, AnExternalBarTakesTheRangeAndTheGridsOwnGoes) {
  OpenNumbers(GetParam(), 80);
  TScrollBar* Bar = TScrollBar::Create(Form);
  Bar->SetKind(sbVertical);
  Bar->SetParent(Form);
  Grid->GetVertScrollBar()->SetExtScrollBar(Bar);
  DataSet->MoveBy(40);
  const Integer Page = Grid->GetVisibleRowCount();
  EXPECT_EQ(Bar->GetMin(), 1);
  EXPECT_EQ(Bar->GetMax(), 80 + Page - 1);
  EXPECT_EQ(Bar->GetPageSize(), Page);
  EXPECT_EQ(Bar->GetPosition(), DataSet->GetRecNo());
  EXPECT_FALSE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL) << "one bar, not two";
  // The user moves the external bar: the dataset follows.
  Grid->SetFocus();
  Bar->Perform(CN_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  // Let go, the grid shows its own bar again.
  Grid->GetVertScrollBar()->SetExtScrollBar(nullptr);
  EXPECT_TRUE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL);
  ExpectRowsFollow("own bar again");
}

TEST_P(DBGridKvRowsTest, AnAlwaysShownBarStaysWhenEverythingFits) {
  OpenNumbers(GetParam(), 1);
  EXPECT_FALSE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL) << "nothing to scroll";
  Grid->GetVertScrollBar()->SetVisibleMode(sbAlwaysShowKv);
  EXPECT_TRUE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL);
  Grid->GetVertScrollBar()->SetVisibleMode(sbNeverShowKv);
  DataSet->Append();
  DataSet->Cancel();
  EXPECT_FALSE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL);
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvRowsTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

// The sample database's orders, as the example application shows them.
class DBGridKvSampleTest : public DBGridKvRowsTest {
 protected:
  void SetUp() override {
    DBGridKvRowsTest::SetUp();
    CreateSampleDatabase(File.Name);
    auto* Table = TSQLiteDataSet::Create(Form);
    Table->SetDatabaseName(File.Name);
    Table->SetTableName("orders");
    Table->Open();
    DataSet = Table;
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
  }
};

TEST_F(DBGridKvSampleTest, TheOrdersTableFromFirstToLastAndBack) {
  EXPECT_EQ(Grid->GetColumns()->GetCount(), 7) << "a column for every field";
  ExpectRowsFollow("open");
  Grid->SetFocus();
  Grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(DataSet->GetRecNo(), SampleOrderCount);
  ExpectRowsFollow("bottom");
  Grid->Perform(WM_VSCROLL, SB_PAGEUP, 0);
  ExpectRowsFollow("page up");
  Input.Wheel(Grid->GetHandle(), WHEEL_DELTA * 2, {50, 50});
  ExpectRowsFollow("wheel");
  DataSet->Edit();
  DataSet->FieldByName("quantity")->SetAsInteger(99);
  DataSet->Post();
  ExpectRowsFollow("edited");
  Grid->Perform(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  ExpectRowsFollow("top");
}

// Painting after a scroll, over the in-memory dataset.
class DBGridKvScrollPaintTest : public DBGridKvRowsTest {
 protected:
  TDrawingLogOn Log;
  void SetUp() override {
    DBGridKvRowsTest::SetUp();
    Grid->PaintRecords = true;
    OpenNumbers(TStore::Memory, 60);
    Grid->Invalidate();
    PaintNow();
  }
  void PaintNow() {
    Grid->Drawn.clear();
    UpdateWindow(Grid->GetHandle());
  }
  // A pixel of the client area.
  COLORREF Pixel(TPoint P) {
    const TRect R = GetWindowSurfaceRect(Grid->GetHandle());
    TRect Window;
    GetWindowRect(Grid->GetHandle(), &Window);
    const TPoint Origin = Grid->ClientToScreen({0, 0});
    return GetWindowSurface(Grid->GetHandle())
        ->GetPixel(R.Left + Origin.X - Window.Left + P.X, R.Top + Origin.Y - Window.Top + P.Y);
  }
  TPoint CellCentre(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  Integer LastRow() { return Grid->GetRowCount() - 1; }
};

TEST_F(DBGridKvScrollPaintTest, AScrollByOneMovesThePixelsAndPaintsOnlyWhatChanged) {
  // [Phase 1] To the bottom row: the current row moves, nothing scrolls.
  DataSet->MoveBy(LastRow() - Grid->GetRow());
  PaintNow();
  ASSERT_EQ(Grid->GetRow(), LastRow());
  const Integer Middle = LastRow() / 2;
  const COLORREF Below = Pixel(CellCentre(2, Middle + 1));
  EXPECT_EQ(Below, TTestDBGrid::RecordColour(Middle + 1, 2)) << "record id = grid row";
  // [Phase 2] One more: the rows move up by one pitch (the grid paints at
  // once).
  Grid->Drawn.clear();
  DataSet->Next();
  UpdateWindow(Grid->GetHandle());
  const TRect Cell = Grid->CellRect(2, Middle);
  EXPECT_EQ(Pixel({Cell.Left + 1, Cell.Top}), Below) << "the pixels moved up one row";
  EXPECT_EQ(Pixel({Cell.Left + 1, Cell.Bottom - 1}), Below) << "by exactly one row pitch";
  EXPECT_EQ(Pixel(CellCentre(2, LastRow())), TTestDBGrid::RecordColour(LastRow() + 1, 2));
  EXPECT_FALSE(Grid->RowDrawn(Middle)) << "a row that only moved is not painted again";
  EXPECT_TRUE(Grid->RowDrawn(LastRow())) << "the uncovered row";
  EXPECT_TRUE(Grid->WasDrawn(0, LastRow() - 1)) << "the old indicator, moved up, is painted over";
  EXPECT_TRUE(Grid->WasDrawn(0, LastRow())) << "the new indicator";
  // [Phase 3] A scroll past a page paints every row.
  Grid->Drawn.clear();
  DataSet->MoveBy(3 * Grid->GetVisibleRowCount());
  UpdateWindow(Grid->GetHandle());
  for (Integer Row = 1; Row <= LastRow(); ++Row) EXPECT_TRUE(Grid->RowDrawn(Row)) << Row;
  EXPECT_EQ(Pixel(CellCentre(2, 1)),
            TTestDBGrid::RecordColour(DataSet->GetRecNo() - LastRow() + 1, 2));
}

TEST_F(DBGridKvScrollPaintTest, RightToLeftTheRowsScrollTheSameWay) {
  SysLocale.MiddleEast = true;
  Grid->SetBiDiMode(bdRightToLeft);
  Grid->Invalidate();
  PaintNow();
  const TRect Indicator = Grid->CellRect(0, 1);
  EXPECT_GT(Indicator.Left, Grid->GetClientWidth() / 2) << "the indicator stands at the right";
  DataSet->MoveBy(LastRow() - Grid->GetRow());
  PaintNow();
  const Integer Middle = LastRow() / 2;
  const COLORREF Below = Pixel(CellCentre(2, Middle + 1));
  EXPECT_EQ(Below, TTestDBGrid::RecordColour(Middle + 1, 2));
  DataSet->Next();
  UpdateWindow(Grid->GetHandle());
  const TRect Cell = Grid->CellRect(2, Middle);
  EXPECT_EQ(Pixel({Cell.Right - 2, Cell.Top}), Below);
  EXPECT_EQ(Pixel({Cell.Right - 2, Cell.Bottom - 1}), Below);
  EXPECT_EQ(Pixel(CellCentre(2, LastRow())), TTestDBGrid::RecordColour(LastRow() + 1, 2));
}

TEST_F(DBGridKvScrollPaintTest, HiddenDuplicatesRepaintTheFirstRowAfterAScroll) {
  DataSet->MoveBy(LastRow() - Grid->GetRow());
  PaintNow();
  Grid->Drawn.clear();
  DataSet->Next();
  UpdateWindow(Grid->GetHandle());
  EXPECT_FALSE(Grid->RowDrawn(1));
  Grid->Column(1)->SetHideDuplicates(true);
  PaintNow();
  Grid->Drawn.clear();
  DataSet->Next();
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Grid->RowDrawn(1)) << "its duplicate hiding depends on the row above it";
}

TEST_F(DBGridKvScrollPaintTest, AFieldNoColumnShowsRepaintsNothing) {
  DataSet->FieldByName("amount")->SetVisible(false);
  Grid->Invalidate();
  PaintNow();
  DataSet->Edit();
  PaintNow();
  Grid->Drawn.clear();
  DataSet->FieldByName("amount")->SetAsFloat(12.5);
  PaintNow();
  EXPECT_TRUE(Grid->Drawn.empty()) << "no visible column shows the field";
  DataSet->FieldByName("name")->SetAsString("New");
  PaintNow();
  EXPECT_TRUE(Grid->RowDrawn(Grid->GetRow()));
  EXPECT_FALSE(Grid->RowDrawn(Grid->GetRow() + 1));
}

// Leaving the grid with a new record the user never touched drops it;
// one typed character keeps it.
TEST_F(DBGridKvScrollPaintTest, LeavingTheGridCancelsAnUntouchedInsert) {
  TEdit* Other = TEdit::Create(Form);
  Other->SetParent(Form);
  Other->SetBounds(0, 220, 100, 20);
  Grid->SetFocus();
  const Integer Count = DataSet->GetRecordCount();
  DataSet->Insert();
  Other->SetFocus();
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(DataSet->GetRecordCount(), Count);
  // Now with a character typed into the name.
  Grid->SetFocus();
  DataSet->Insert();
  Grid->SetCol(2);
  Input.Type("Z");
  ASSERT_TRUE(Grid->GetEditorMode());
  Other->SetFocus();

  EXPECT_EQ(DataSet->FieldByName("name")->GetAsString(), "Z") << "the text reached the field";
  DataSet->Post();
  EXPECT_EQ(DataSet->GetRecordCount(), Count + 1);
}

TEST_F(DBGridKvScrollPaintTest, AnInactiveLinkShowsOneEmptyRowAndKeepsTheFooters) {
  Grid->SetFooterRowCount(1);
  DataSet->Close();
  EXPECT_EQ(Grid->GetRowCount(), Grid->GetTitleOffset() + 1);
  EXPECT_EQ(Grid->GetContraRowCount(), 1);
  const SCROLLINFO Bar = VertBar();
  EXPECT_FALSE(GetWindowLong(Grid->GetHandle(), GWL_STYLE) & WS_VSCROLL)
      << "nothing to scroll " << Bar.nMax;
  DataSet->Open();
  ExpectRowsFollow("open again");
}

// A dataset whose records have no numbers.
class TUnsequencedDataSet : public TMemoryDataSet {
  KV_CLASS(TUnsequencedDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  bool IsSequenced() override { return false; }
};

TEST_F(DBGridOnFormTest, AnUnsequencedDatasetShowsTopMiddleAndBottom) {
  auto* DataSet = TUnsequencedDataSet::Create(Form);
  DataSet->GetFieldDefs()->Add("id", ftInteger);
  DataSet->Open();
  for (Integer I = 1; I <= 40; ++I) DataSet->AppendRecord({I});
  DataSet->First();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(DataSet);
  Grid->SetDataSource(Source);
  auto Bar = [&] {
    SCROLLINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = SIF_ALL;
    GetScrollInfo(Grid->GetHandle(), SB_VERT, &Info);
    return Info;
  };
  EXPECT_EQ(Bar().nMin, 0);
  EXPECT_EQ(Bar().nMax, 4);
  EXPECT_EQ(Bar().nPos, 0);
  DataSet->MoveBy(10);
  EXPECT_EQ(Bar().nPos, 2);
  DataSet->Last();
  EXPECT_EQ(Bar().nPos, 4);
  Grid->SetFocus();
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  EXPECT_EQ(DataSet->GetRecNo(), 1);
}

// A large table: opening, paging and jumping to the end read only the rows
// shown (the row count comes from the dataset, not from a walk).
TEST_F(DBGridOnFormTest, ALargeTableIsNeverWalked) {
  TTempFile File("large");
  CreateNumbersDatabase(File.Name, 200000);
  auto* Table = TSQLiteDataSet::Create(Form);
  Table->SetDatabaseName(File.Name);
  Table->SetTableName("numbers");
  Table->Open();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(Table);
  Grid->SetDataSource(Source);
  Grid->SetFooterRowCount(1);
  UpdateWindow(Grid->GetHandle());
  Grid->SetFocus();
  Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  Grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Table->GetRecNo(), 200000);
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_ALL;
  GetScrollInfo(Grid->GetHandle(), SB_VERT, &Info);
  EXPECT_EQ(Info.nPos, 200000);
  EXPECT_LT(Table->GetReadCount(), 2000) << "rows read, of 200000";
  EXPECT_LT(Table->GetReadRuns(), 20);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

using namespace kvp;

// A dataset that hands the grid its rows itself: one row per record, the
// current record's row index, and fetch requests counted.
class TRowsDataSet : public TMemoryDataSet, public IMemTableKv {
  KV_CLASS(TRowsDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  Integer Fetched = 0;
  void FetchRecords(Integer Count) override { Fetched += Count; }
  Integer GetActiveRecord() override { return IsEmpty() ? -1 : GetRecNo() - 1; }
  Integer GetRecordIndexByBookmark(const TBookmark&) override { return -1; }
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
  void SetActiveRecord(Integer) override {}
  void RestoreActiveRecord() override {}
};

class DBGridKvMemTableTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    DataSet = TRowsDataSet::Create(Form);
    DataSet->GetFieldDefs()->Add("id", ftInteger);
    DataSet->Open();
    for (Integer I = 1; I <= 60; ++I) DataSet->AppendRecord({I});
    DataSet->First();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
  }
  TRowsDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
};

TEST_F(DBGridKvMemTableTest, TheBarScrollsTheRowsAndLeavesTheRecord) {
  ASSERT_NE(Grid->GetMemTable(), nullptr);
  EXPECT_EQ(Grid->GetRowCount(), 1 + 60) << "a row for every record";
  EXPECT_EQ(Grid->GetRow(), 1);
  Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_GT(Grid->GetTopRow(), 1);
  EXPECT_EQ(DataSet->GetRecNo(), 1) << "the record stays";
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_ALL;
  GetScrollInfo(Grid->GetHandle(), SB_VERT, &Info);
  EXPECT_EQ(Info.nPos, Grid->GetTopRow());
  EXPECT_EQ(Info.nMax, 60);
  // The record moves elsewhere: the current row follows it.
  DataSet->MoveBy(30);
  EXPECT_EQ(Grid->GetRow(), 31);
  // The wheel scrolls the view; with Shift it moves the record.
  const Integer Top = Grid->GetTopRow();
  Input.Wheel(Grid->GetHandle(), -WHEEL_DELTA, {50, 50});
  EXPECT_EQ(Grid->GetTopRow(), Top + 1);
  EXPECT_EQ(DataSet->GetRecNo(), 31);
  Input.KeyDown(VK_SHIFT);
  Input.Wheel(Grid->GetHandle(), -WHEEL_DELTA, {50, 50});
  Input.KeyUp(VK_SHIFT);
  EXPECT_EQ(DataSet->GetRecNo(), 32);
  // Switched off, the grid buffers records again.
  Grid->SetMemTableSupport(false);
  EXPECT_EQ(Grid->GetMemTable(), nullptr);
  EXPECT_EQ(Grid->GetRowCount(), 1 + Grid->GetDataLink()->GetRecordCount());
}

}  // namespace
}  // namespace korvel
