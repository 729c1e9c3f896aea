// The filter row as a person uses it, through the input driver: entering it
// with Up or a press on a filter cell, typing conditions and applying them
// with Enter over the in-memory dataset (its own filter) and an SQLite file
// (one SQL condition that SQLite evaluates), a condition that does not parse,
// the keys that walk between filter cells and leave the row, the drop-down
// list with its values and special entries, a lookup column's key, what
// hides and places the editor, and the editor's look. The application
// registers the library's features objects for the platform's datasets, as
// an application does.
//
// Ideas for tests: the editor's list scrolled by the wheel; a third quick
// press in the editor after the double click.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "grid/DBGridKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The grid as an application holds it: it takes the focus and shows its
// cell editor itself.
class TFilterRowGrid : public TTestDBGrid {
  KV_CLASS(TFilterRowGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  bool AcquireFocus() override { return TCustomDBGridKv::AcquireFocus(); }
  void ShowCellEditor() override { TCustomDBGridKv::ShowCellEditor(); }
  using TCustomGridKv::MoveColumn;
};

// The number of rows of the numbers table that the condition selects, as
// sqlite3 itself counts them.
Integer CountWhere(const String& File, const String& Where) {
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
  sqlite3_stmt* S = nullptr;
  const String SQL = "SELECT count(*) FROM numbers WHERE " + Where;
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &S, nullptr), SQLITE_OK) << SQL;
  Integer N = -1;
  if (sqlite3_step(S) == SQLITE_ROW) N = sqlite3_column_int(S, 0);
  sqlite3_finalize(S);
  sqlite3_close(DB);
  return N;
}

TPoint Centre(const TRect& R) { return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

// A focused grid over numbered records (id 1..Count, name "Row <id>",
// amount id / 4) with the columns id, name and amount and its filter row
// shown.
class DBGridKvFilterRowTest : public DBGridNumbersTest {
 protected:
  void SetUp() override {
    DBGridNumbersTest::SetUp();
    Grids.clear();
    Grid->Free();
    Grid = TFilterRowGrid::Create(Form);
    Grid->SetName("Grid1");
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
    RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
  }
  void TearDown() override {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
    DBGridNumbersTest::TearDown();
  }
  void Open(TStore Store, Integer Count = 40) {
    OpenNumbers(Store, Count);
    for (const char* Name : {"id", "name", "amount"}) {
      TColumnKv* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->SetWidth(100);
    }
    Grid->GetSTFilter()->SetVisible(true);
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  TFilterRowGrid* G() { return static_cast<TFilterRowGrid*>(Grid); }
  TInplaceFilterEditKv* Editor() { return Grid->GetFilterEditor(); }
  bool EditorShown() { return Editor() && Editor()->GetVisible(); }
  String EditorText() { return Editor()->GetText(); }
  bool CellEditorShown() { return Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->Visible(); }
  Integer FilterRow() { return Grid->GetTitleOffset() - 1; }
  TSTColumnFilterKv* Filter(Integer Col) { return Grid->Column(Col)->GetSTFilter(); }
  void Press(Word Key, TShiftState Shift = {}) { Input.KeyPress(Key, Shift); }
  Integer Id() { return DataSet->FieldByName("id")->GetAsInteger(); }
  // The ids of the records in the grid's rows, top to bottom.
  std::vector<Integer> ShownIds() {
    std::vector<Integer> Ids;
    for (Integer R = 0; R < Grid->GetDataLink()->GetRecordCount(); ++R) {
      Grid->SetActiveRecordIndex(R);
      Ids.push_back(DataSet->FieldByName("id")->GetAsInteger());
      Grid->RestoreActiveRecordIndex();
    }
    return Ids;
  }
  // What the grid shows: the first rows of these ids, and how many records
  // the dataset now has.
  void ExpectShown(const std::vector<Integer>& All) {
    const std::vector<Integer> Shown = ShownIds();
    EXPECT_EQ(DataSet->GetRecordCount(), Integer(All.size()));
    const std::size_t Rows = std::min(All.size(), std::size_t(Grid->GetVisibleRowCount()));
    EXPECT_EQ(Shown, std::vector<Integer>(All.begin(), All.begin() + Rows));
  }
  static std::vector<Integer> Ids(Integer From, Integer To) {
    std::vector<Integer> R;
    for (Integer I = From; I <= To; ++I) R.push_back(I);
    return R;
  }
  TRect FilterCell(Integer Col) {
    return Grid->CellRect(Col + Grid->GetIndicatorOffset(), FilterRow());
  }
  void ClickFilterCell(Integer Col) {
    const TRect R = FilterCell(Col);
    Input.Click(Grid->GetHandle(), Point(R.Left + 6, (R.Top + R.Bottom) / 2));
  }
  // The messages of the errors shown to the person since the last call.
  std::vector<String> Errors() {
    std::vector<String> Messages;
    for (const THandledException& E : Application()->GetHandledExceptions())
      Messages.push_back(E.Message);
    Application()->ClearHandledExceptions();
    return Messages;
  }
  std::pair<Integer, Integer> Selection() {
    return {Editor()->GetSelStart(), Editor()->GetSelLength()};
  }
};

class DBGridKvFilterRowStoreTest : public DBGridKvFilterRowTest {};

// [SECTION] Typing conditions

TEST_P(DBGridKvFilterRowStoreTest, TypedConditionsFilterTheRecordsShown) {
  Open(GetParam());
  // Up on the first record enters the filter row in the current column.
  Press(VK_UP);
  ASSERT_TRUE(EditorShown());
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  TRect Cell = FilterCell(0);
  ++Cell.Left;
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell) << "over the cell, one pixel in from its left";
  // An empty text is at its end: Right goes on to the next filter cell,
  // whose column becomes current.
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  Input.Type("Row 3");
  ExpectShown(Ids(1, 40));
  Press(VK_RETURN);
  std::vector<Integer> Thirties = {3};
  for (Integer I = 30; I <= 39; ++I) Thirties.push_back(I);
  ExpectShown(Thirties);
  // The editor stays, its text selected for the next condition; the cell
  // shows the condition as typed.
  EXPECT_TRUE(EditorShown());
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(EditorText(), "Row 3");
  EXPECT_EQ(Selection(), std::make_pair(0, 5));
  // Tab to the amount: both conditions hold.
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  Input.Type(">= 8");
  Press(VK_RETURN);
  ExpectShown(Ids(32, 39));
  String Text;
  Grid->GetColumnFilterText(1, Text);
  EXPECT_EQ(Text, "Row 3");
  Grid->GetColumnFilterText(2, Text);
  EXPECT_EQ(Text, ">= 8");
  if (GetParam() == TStore::SQLite) {
    // One SQL condition, which SQLite evaluates, selects the same rows.
    EXPECT_EQ(DataSet->GetFilter(), "(\"name\" LIKE '%Row 3%') AND (\"amount\" >= 8)");
    EXPECT_EQ(CountWhere(File.Name, DataSet->GetFilter()), 8);
  } else {
    EXPECT_EQ(DataSet->GetFilter(), "(name like '%Row 3%') and (amount >= 8)");
  }
  // Two conditions in one cell, then an emptied cell lets its records back.
  Input.Type("<9 AND >8.5");
  Press(VK_RETURN);
  ExpectShown({35});
  Press(VK_DELETE);
  Press(VK_RETURN);
  ExpectShown(Thirties);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_EQ(EditorText(), "Row 3");
  Press(VK_DELETE);
  Press(VK_RETURN);
  ExpectShown(Ids(1, 40));
  EXPECT_FALSE(DataSet->GetFiltered());
  EXPECT_TRUE(Errors().empty());
}

TEST_P(DBGridKvFilterRowStoreTest, ATextThatDoesNotParseIsRefusedAndStaysInTheEditor) {
  Open(GetParam());
  Press(VK_UP);
  Press(VK_END, {ssCtrl});  // the last filter cell: amount
  ASSERT_EQ(Grid->GetFilterCol(), 2);
  Input.Type(">= 8");
  Press(VK_RETURN);
  ExpectShown(Ids(32, 40));
  Input.Type(">");
  Press(VK_RETURN);
  EXPECT_EQ(Errors(), std::vector<String>{"Unexpected expression after operator: >"});
  ExpectShown(Ids(32, 40));
  EXPECT_EQ(Filter(2)->GetExpressionStr(), ">= 8") << "the previous condition stays";
  EXPECT_EQ(EditorText(), ">");
  // Leaving the cell refuses the text too, and the editor stays in its cell
  // with the text, for the person to mend it.
  Press(VK_TAB);
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  Press(VK_DOWN);
  EXPECT_EQ(Errors().size(), 1u);
  EXPECT_TRUE(EditorShown());
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(EditorText(), ">");
  Input.Type("3");
  Press(VK_RETURN);
  ExpectShown(Ids(13, 40));
  EXPECT_TRUE(Errors().empty());
  // A number that does not convert is refused with the conversion's error.
  EXPECT_EQ(EditorText(), ">3");
  Press(VK_F2);
  Input.Type("x");
  EXPECT_EQ(EditorText(), ">3x");
  Press(VK_RETURN);
  EXPECT_EQ(Errors(), std::vector<String>{"'3x' is not a valid floating point value"});
  ExpectShown(Ids(13, 40));
}

TEST_P(DBGridKvFilterRowStoreTest, TheFootersTotalOnlyTheRecordsTheConditionsLeave) {
  Grid->SetFooterRowCount(1);
  Grid->GetSumList()->SetActive(true);
  Open(GetParam());
  Grid->Column(0)->GetFooter()->SetValueType(fvtCount);
  Grid->Column(2)->GetFooter()->SetValueType(fvtSum);
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(0)), "40");
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(2)), "205");
  Press(VK_UP);
  Press(VK_END, {ssCtrl});
  Input.Type(">= 8");
  Press(VK_RETURN);
  // Ids 32 to 40: nine records whose amounts make 324 / 4.
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(0)), "9");
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(2)), "81");
  Press(VK_DELETE);
  Press(VK_RETURN);
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(0)), "40");
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(2)), "205");
}

// A quote typed into a condition is one of its characters: it neither ends
// the dataset's filter text early nor makes it fail.
TEST_P(DBGridKvFilterRowStoreTest, AQuoteInATypedConditionIsOneOfItsCharacters) {
  Open(GetParam(), 12);
  DataSet->Last();
  DataSet->Edit();
  DataSet->FieldByName("name")->SetAsString("O'Hara 12");
  DataSet->Post();
  DataSet->First();
  ClickFilterCell(1);
  Input.Type("O'Hara");
  Press(VK_RETURN);
  EXPECT_TRUE(Errors().empty());
  ExpectShown({12});
  // Read as one value, not as the end of a text and a condition of its own
  // that every record meets.
  Input.Type("x'or'1'<'2");
  Press(VK_RETURN);
  EXPECT_TRUE(Errors().empty());
  ExpectShown({});
  Press(VK_DELETE);
  Press(VK_RETURN);
  ExpectShown(Ids(1, 12));
}

TEST_P(DBGridKvFilterRowStoreTest, ApplyingKeepsTheColumnsScrolledIntoView) {
  Open(GetParam());
  for (Integer C = 0; C < 3; ++C) Grid->Column(C)->SetWidth(300);
  Press(VK_UP);
  Press(VK_END, {ssCtrl});
  ASSERT_EQ(Grid->GetFilterCol(), 2);
  const Integer LeftCol = Grid->GetLeftCol();
  ASSERT_GT(LeftCol, Grid->GetFixedCols());
  Input.Type("< 3");
  Press(VK_RETURN);
  ExpectShown(Ids(1, 11));
  EXPECT_EQ(Grid->GetLeftCol(), LeftCol);
  TRect Cell = FilterCell(2);
  ++Cell.Left;
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell);
  // So does an application's handler that opens the dataset anew.
  Grid->OnApplyFilter = [&](TObject*) {
    DataSet->Close();
    DataSet->Open();
  };
  Input.Type("< 2");
  Press(VK_RETURN);
  EXPECT_EQ(Grid->GetLeftCol(), LeftCol);
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell);
  EXPECT_TRUE(Editor()->Focused());
}

TEST_P(DBGridKvFilterRowStoreTest, TheGridsOwnColumnsKeepTheEditorInItsCellWhenApplied) {
  OpenNumbers(GetParam(), 40);
  Grid->GetSTFilter()->SetVisible(true);
  Grid->SetFocus();
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 3);
  Press(VK_UP);
  Press(VK_END, {ssCtrl});
  Input.Type("> 9");
  Press(VK_RETURN);
  ExpectShown({37, 38, 39, 40});
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  EXPECT_EQ(EditorText(), "> 9");
  // A dataset opened anew brings its columns anew: the editor leaves the row
  // with them.
  DataSet->Close();
  DataSet->Open();
  EXPECT_FALSE(EditorShown());
  EXPECT_TRUE(Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvFilterRowStoreTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

// [SECTION] Keys in the filter row

TEST_F(DBGridKvFilterRowTest, ArrowsHomeEndAndTabWalkTheFilterCells) {
  Open(TStore::Memory);
  Press(VK_UP);
  Input.Type("12");
  // Left moves the caret until it stands at the start.
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  EXPECT_EQ(Selection(), std::make_pair(1, 0));
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  // At the start of the first cell Left wraps to the last one; the text
  // left behind is the column's condition (not applied yet).
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  EXPECT_EQ(Filter(0)->GetExpressionStr(), "12");
  EXPECT_EQ(DataSet->GetRecordCount(), 40);
  // Right at the end wraps to the first; all its text is selected, the
  // caret at the end: Right goes on, Left only moves the caret.
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  EXPECT_EQ(EditorText(), "12");
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_END);  // the caret at the end
  Press(VK_HOME, {ssShift});  // all selected again, the caret at the start
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  // Ctrl goes to the ends whatever the caret; Home and End do at the edges.
  Press(VK_LEFT, {ssCtrl});
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_END);
  Press(VK_END);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  Press(VK_HOME);
  Press(VK_HOME);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_RIGHT, {ssCtrl});
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  // Hidden columns and hidden filters are passed over.
  Filter(1)->SetVisible(false);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  // Past the last cell the walk wraps once to the first column and goes on
  // from there to the first filter cell.
  Filter(0)->SetVisible(false);
  Filter(1)->SetVisible(true);
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  // Without the grid's tabs, Tab leaves the grid.
  TEdit* Other = TEdit::Create(Form);
  Other->SetBounds(10, 220, 100, 24);
  Other->SetParent(Form);
  Grid->SetOptions(Grid->GetOptions() - dgTabsKv);
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_TRUE(Other->Focused());
}

TEST_F(DBGridKvFilterRowTest, RightToLeftTheArrowsWalkTheOtherWay) {
  SysLocale.MiddleEast = true;
  Open(TStore::Memory);
  Grid->SetBiDiMode(bdRightToLeft);
  ASSERT_TRUE(Grid->UseRightToLeftAlignment());
  Press(VK_UP);
  ASSERT_EQ(Grid->GetFilterCol(), 0);
  // Right is towards the start: from the first cell it wraps to the last.
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_LEFT, {ssCtrl});
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  SysLocale.MiddleEast = false;
}

TEST_F(DBGridKvFilterRowTest, UpIsKeptF2GoesToTheEndAndTypingOnTheGridReachesTheEditor) {
  Open(TStore::Memory);
  // A column with a list: Up would choose the previous entry of the list.
  Filter(1)->SetListSource(Source);
  Press(VK_UP);
  Press(VK_RIGHT);
  ASSERT_EQ(Grid->GetFilterCol(), 1);
  Input.Type("Row 7");
  Press(VK_HOME, {ssShift});
  Press(VK_UP);
  EXPECT_EQ(EditorText(), "Row 7");
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_EQ(Id(), 1);
  Press(VK_F2);
  EXPECT_EQ(Selection(), std::make_pair(5, 0));
  // The grid's window took the focus: what is typed still goes to the editor.
  kvp::SetFocus(Grid->GetHandle());
  ASSERT_FALSE(Editor()->Focused());
  Input.Type("0");
  EXPECT_EQ(EditorText(), "Row 70");
  EXPECT_FALSE(CellEditorShown());
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
}

TEST_F(DBGridKvFilterRowTest, DownLeavesTheRowForTheFirstRecordShownCtrlDownForTheCurrentOne) {
  Open(TStore::Memory);
  for (Integer I = 0; I < 15; ++I) Press(VK_DOWN);
  ASSERT_EQ(Id(), 16);
  const Integer Top = ShownIds().front();
  ASSERT_GT(Top, 1);
  // Ctrl+Up enters the row away from the first record.
  Press(VK_UP, {ssCtrl});
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Id(), 16);
  Press(VK_TAB);
  Press(VK_TAB);
  Input.Type("5");
  Press(VK_DOWN, {ssCtrl});
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_TRUE(Grid->Focused());
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(Id(), 16);
  EXPECT_EQ(Filter(2)->GetExpressionStr(), "5") << "the text left behind is kept";
  // Up away from the first record moves the records; Ctrl+Up enters again.
  Press(VK_UP);
  EXPECT_EQ(Id(), 15);
  EXPECT_FALSE(EditorShown());
  Press(VK_UP, {ssCtrl});
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  EXPECT_EQ(EditorText(), "5");
  Press(VK_DOWN);
  EXPECT_EQ(Id(), ShownIds().front());
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset());
  EXPECT_FALSE(EditorShown());
}

TEST_F(DBGridKvFilterRowTest, WithRowSelectionTheRowIsEnteredAtTheLastFilterCellUsed) {
  Open(TStore::Memory);
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  const Integer Col = Grid->GetCol();
  Press(VK_UP);
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_EQ(Grid->GetCol(), Col) << "row selection keeps the current column";
  Press(VK_DOWN, {ssCtrl});
  ASSERT_FALSE(EditorShown());
  Press(VK_UP);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  // A filter cell scrolled out of sight is brought in, the current column
  // unchanged.
  Grid->Column(0)->SetWidth(300);
  Grid->Column(1)->SetWidth(300);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  const TRect R = FilterCell(2);
  EXPECT_GT(R.Right, R.Left);
  EXPECT_LE(R.Right, Grid->GetClientWidth());
  EXPECT_EQ(Grid->GetCol(), Col);
}

// [SECTION] The mouse

TEST_F(DBGridKvFilterRowTest, APressOnAFilterCellOpensTheEditorThereAndAPressOnTheRecordsLeavesIt) {
  Open(TStore::Memory);
  Integer DblClicks = 0;
  Advance(1000);
  ClickFilterCell(2);
  ASSERT_TRUE(EditorShown());
  Editor()->OnDblClick = [&](TObject*) { ++DblClicks; };
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_TRUE(Editor()->Focused());
  // A second press soon after, where the first was, is a double click in
  // the editor.
  Advance(100);
  const TRect R = FilterCell(2);
  Input.Click(Grid->GetHandle(), Point(R.Left + 6, (R.Top + R.Bottom) / 2));
  EXPECT_EQ(DblClicks, 1);
  Input.Type("<2");
  // A press on another filter cell takes the text along to its column.
  Advance(1000);
  ClickFilterCell(1);
  EXPECT_EQ(Grid->GetFilterCol(), 1);
  EXPECT_EQ(Filter(2)->GetExpressionStr(), "<2");
  EXPECT_EQ(DblClicks, 1);
  // A press on a record leaves the row; the press makes its cell current.
  Input.Type("Row 1");
  Advance(1000);
  const TRect Data = Grid->CellRect(3, Grid->GetTitleOffset() + 2);
  Input.Click(Grid->GetHandle(), Centre(Data));
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "Row 1");
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_EQ(DataSet->GetRecordCount(), 40) << "leaving applies nothing";
}

TEST_F(DBGridKvFilterRowTest, ASelectionHidesTheEditorUntilItGoes) {
  Open(TStore::Memory);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  ClickFilterCell(1);
  Input.Type("Row 2");
  // The indicator's title selects every record.
  Advance(1000);
  Input.Click(Grid->GetHandle(), Centre(Grid->CellRect(0, 0)));
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gskAll);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->FilterEditorShown());
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "Row 2");
  // Pressed again it selects nothing, and the editor is back in its cell.
  Advance(1000);
  Input.Click(Grid->GetHandle(), Centre(Grid->CellRect(0, 0)));
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), "Row 2");
  // So with a selection the application makes and takes away.
  Grid->GetSelection()->SelectAll();
  EXPECT_FALSE(EditorShown());
  Grid->GetSelection()->Clear();
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), "Row 2");
}

// [SECTION] The drop-down list

class DBGridKvFilterListTest : public DBGridKvFilterRowTest {
 protected:
  void SetUp() override {
    DBGridKvFilterRowTest::SetUp();
    Open(TStore::Memory);
    // The names a list offers: sorted, each once.
    Names = TMemoryDataSet::Create(Form);
    Names->GetFieldDefs()->Add("name", ftString, 40);
    Names->Open();
    for (const char* N : {"Row 2", "Row 11", "Row 2", "Row 3"}) Names->AppendRecord({N});
    NamesSource = TDataSource::Create(Form);
    NamesSource->SetDataSet(Names);
    Filter(1)->SetListSource(NamesSource);
  }
  void OpenList() {
    Press(VK_DOWN, {ssAlt});
    ASSERT_TRUE(Dropped());
  }
  bool Dropped() {
    return Editor()->GetPopupListbox() && IsWindowVisible(Editor()->GetPopupListbox()->GetHandle());
  }
  std::vector<String> Items() {
    std::vector<String> R;
    for (Integer I = 0; I < Editor()->GetItems()->GetCount(); ++I)
      R.push_back(Editor()->GetItems()->Get(I));
    return R;
  }
  // Opens the list and clicks the entry.
  void Choose(const String& Entry) {
    OpenList();
    const Integer Index = Editor()->GetItems()->IndexOf(Entry);
    ASSERT_GE(Index, 0) << Entry << " among " << testing::PrintToString(Items());
    TPopupListboxKv* List = Editor()->GetPopupListbox();
    Input.Click(List->GetHandle(), Centre(List->ItemRect(Index)));
    EXPECT_FALSE(Dropped());
  }
  TMemoryDataSet* Names = nullptr;
  TDataSource* NamesSource = nullptr;
};

TEST_F(DBGridKvFilterListTest, AColumnWithoutAListIsAPlainEditBoxAndOneWithAListOffersItsValues) {
  Press(VK_UP);
  EXPECT_FALSE(Editor()->GetEditButton()->GetVisible());
  EXPECT_FALSE(Editor()->GetButtonRec(0).ButtonControl->GetVisible());
  Press(VK_TAB);
  EXPECT_TRUE(Editor()->GetButtonRec(0).ButtonControl->GetVisible());
  // The button opens the list: the values, then the special entries.
  Input.Click(Editor()->GetHandle(),
              Centre(Editor()->GetButtonRec(0).ButtonControl->GetBoundsRect()));
  ASSERT_TRUE(Dropped());
  EXPECT_EQ(Items(), (std::vector<String>{"Row 11", "Row 2", "Row 3", "(Empty)", "(Not empty)",
                                          "(All)", "(Clear filter)"}));
  EXPECT_EQ(Editor()->GetDropDownBox()->GetWidth(), 100);
  EXPECT_EQ(Editor()->GetDropDownBox()->GetRows(), 17);
  EXPECT_GE(Editor()->GetPopupListbox()->GetWidth(), 100);
  Press(VK_ESCAPE);
  EXPECT_FALSE(Dropped());
  // With sorting by the titles and a title button, the sorting entries too.
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Grid->Column(1)->GetTitle()->SetTitleButton(true);
  Press(VK_TAB, {ssShift});
  Press(VK_TAB);
  OpenList();
  EXPECT_EQ(Items().size(), 10u);
  EXPECT_EQ(Items()[7], "-");
  EXPECT_EQ(Items()[8], "(Order by ascending)");
  EXPECT_EQ(Items()[9], "(Order by descending)");
  Press(VK_ESCAPE);
}

TEST_F(DBGridKvFilterListTest, ChoosingAValueOrAnEntryFillsTheEditorAndAppliesWhereAsked) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Grid->Column(1)->GetTitle()->SetTitleButton(true);
  Press(VK_UP);
  Press(VK_TAB);
  Choose("Row 2");
  EXPECT_EQ(EditorText(), "Row 2");
  EXPECT_EQ(DataSet->GetRecordCount(), 40) << "a choice is applied with Enter";
  Press(VK_RETURN);
  std::vector<Integer> Twenties = {2};
  for (Integer I = 20; I <= 29; ++I) Twenties.push_back(I);
  ExpectShown(Twenties);
  Choose("(Empty)");
  EXPECT_EQ(EditorText(), "=Null");
  ExpectShown(Twenties);
  Choose("(Not empty)");
  EXPECT_EQ(EditorText(), "<>Null");
  Choose("-");
  EXPECT_EQ(EditorText(), "<>Null") << "an entry's own text never shows";
  // With the style's switch a choice applies at once.
  Grid->GetStyle()->SetFilterApplyOnCloseUp(true);
  Choose("(Empty)");
  ExpectShown({});
  Choose("(All)");
  EXPECT_EQ(EditorText(), "");
  ExpectShown(Ids(1, 40));
  Choose("Row 3");
  ExpectShown({3, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39});
  Grid->GetStyle()->SetFilterApplyOnCloseUp(false);
}

TEST_F(DBGridKvFilterListTest, ClearFilterClearsEveryColumnAndAppliesAtOnce) {
  Press(VK_UP);
  Press(VK_END, {ssCtrl});
  Input.Type(">= 5");
  Press(VK_RETURN);
  Press(VK_TAB);
  Press(VK_TAB);
  ASSERT_EQ(Grid->GetFilterCol(), 1);
  Input.Type("Row 2");
  Press(VK_RETURN);
  ExpectShown({20, 21, 22, 23, 24, 25, 26, 27, 28, 29});
  // A text that would not parse is dropped with the conditions.
  Press(VK_F2);
  Input.Type(" >");
  Choose("(Clear filter)");
  EXPECT_TRUE(Errors().empty());
  ExpectShown(Ids(1, 40));
  for (Integer C = 0; C < 3; ++C) EXPECT_EQ(Filter(C)->GetExpressionStr(), "") << C;
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_TRUE(Grid->Focused());
}

TEST_F(DBGridKvFilterListTest, TheSortingEntriesOrderTheRecordsByTheColumn) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
  Grid->Column(1)->GetTitle()->SetTitleButton(true);
  Grid->Column(2)->GetTitle()->SetSortMarker(smDownKv);
  Press(VK_UP);
  Press(VK_TAB);
  Choose("(Order by descending)");
  EXPECT_EQ(Grid->Column(1)->GetTitle()->GetSortMarker(), smUpKv);
  EXPECT_EQ(Grid->Column(2)->GetTitle()->GetSortMarker(), smNoneKv);
  ASSERT_EQ(Grid->GetSortMarkedColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->GetSortMarkedColumns()->GetColumn(0), Grid->Column(1));
  EXPECT_EQ(EditorText(), "");
  DataSet->First();
  EXPECT_EQ(ShownIds().front(), 9) << "\"Row 9\" comes first going down";
  EXPECT_EQ(ShownIds()[4], 5);
  EXPECT_EQ(ShownIds()[5], 40);
  Choose("(Order by ascending)");
  EXPECT_EQ(Grid->Column(1)->GetTitle()->GetSortMarker(), smDownKv);
  DataSet->First();
  EXPECT_EQ(ShownIds().front(), 1);
  EXPECT_EQ(ShownIds()[1], 10);
}

TEST_F(DBGridKvFilterListTest, TheSizeGivenToTheListStaysWithItsColumnWhenAChoiceIsTaken) {
  Press(VK_UP);
  Press(VK_TAB);
  OpenList();
  TPopupListboxKv* List = Editor()->GetPopupListbox();
  const Integer Width = List->GetWidth();
  ASSERT_EQ(Width, 100);
  // The person sizes the list with its grip: wider, and five rows high.
  auto Widen = [&] {
    List->SetWidth(Width + 40);
    List->SetRowCount(5);
    ASSERT_TRUE(List->GetSizeGripResized());
  };
  Widen();
  // Refused: the column keeps nothing.
  Press(VK_ESCAPE);
  EXPECT_EQ(Filter(1)->GetDropDownWidth(), 0);
  Press(VK_TAB);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Editor()->GetDropDownBox()->GetWidth(), 100);
  // Accepted: the next list of this column opens as wide; another column's
  // does not.
  OpenList();
  Widen();
  Input.Click(List->GetHandle(), Centre(List->ItemRect(0)));
  EXPECT_EQ(EditorText(), "Row 11");
  EXPECT_EQ(Filter(1)->GetDropDownWidth(), Width + 40);
  EXPECT_EQ(Filter(1)->GetDropDownRows(), 5);
  Filter(2)->SetListSource(Source);
  Press(VK_TAB);
  EXPECT_EQ(Editor()->GetDropDownBox()->GetWidth(), 100);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Editor()->GetDropDownBox()->GetWidth(), Width + 40);
  OpenList();
  EXPECT_EQ(List->GetWidth(), Width + 40);
  Press(VK_ESCAPE);
}

// Regression: a key found in KeyList beyond the end of a shorter PickList
// read past the pick list's end.
TEST_F(DBGridKvFilterListTest, KeysShowTheirPicksAndAKeyWithoutAPickStaysItself) {
  Grid->Column(0)->GetKeyList()->SetText("1\n2\n3");
  Grid->Column(0)->GetPickList()->SetText("one\ntwo");
  Filter(0)->SetListSource(Source);
  Press(VK_UP);
  OpenList();
  const std::vector<String> Got = Items();
  EXPECT_EQ(Got[0], "one");
  EXPECT_EQ(Got[1], "10") << "the values' own order";
  EXPECT_NE(std::find(Got.begin(), Got.end(), "two"), Got.end());
  EXPECT_NE(std::find(Got.begin(), Got.end(), "3"), Got.end());
  EXPECT_EQ(std::find(Got.begin(), Got.end(), "2"), Got.end());
  Press(VK_ESCAPE);
  EXPECT_TRUE(Errors().empty());
}

// A dataset that hands the grid its rows itself and supplies the values of
// its fields for the filter row's lists, counting the lists it made.
class TValuesDataSet : public TMemoryDataSet, public IMemTableKv {
  KV_CLASS(TValuesDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  Integer ListsMade = 0;
  IMemTableDataFieldValueListKv* GetFieldValueList(const String& FieldName) override {
    ++ListsMade;
    TDatasetFieldValueListKv* Values = TDatasetFieldValueListKv::Create();
    Values->SetDataSet(this);
    Values->SetFieldName(FieldName);
    return Values;
  }
  void FetchRecords(Integer) override {}
  Integer GetActiveRecord() override { return IsEmpty() ? -1 : GetRecNo() - 1; }
  Integer GetRecordIndexByBookmark(const TBookmark&) override { return -1; }
  bool GetNodeExpanded() override { return false; }
  bool GetNodeHasChildren() override { return false; }
  Integer GetNodeLevel() override { return 1; }
  bool GetNodeHasNextSibling(Integer) override { return false; }
  Integer GetNextNodeLevel() override { return -1; }
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

TEST_F(DBGridKvFilterRowTest, ADatasetThatSuppliesValuesGivesEveryFilterCellAList) {
  TValuesDataSet* Values = TValuesDataSet::Create(Form);
  Values->GetFieldDefs()->Add("city", ftString, 20);
  Values->Open();
  for (const char* City : {"Oslo", "Bergen", "Oslo"}) Values->AppendRecord({City});
  Values->First();
  TDataSource* ValuesSource = TDataSource::Create(Form);
  ValuesSource->SetDataSet(Values);
  Grid->SetDataSource(ValuesSource);
  ASSERT_NE(Grid->GetMemTable(), nullptr);
  Grid->GetSTFilter()->SetVisible(true);
  Grid->SetFocus();
  Press(VK_UP);
  ASSERT_TRUE(EditorShown());
  EXPECT_TRUE(Editor()->GetButtonRec(0).ButtonControl->GetVisible());
  Press(VK_DOWN, {ssAlt});
  ASSERT_GE(Editor()->GetItems()->GetCount(), 3);
  EXPECT_EQ(Editor()->GetItems()->Get(0), "Bergen");
  EXPECT_EQ(Editor()->GetItems()->Get(1), "Oslo");
  EXPECT_EQ(Editor()->GetItems()->Get(2), "(Empty)");
  Press(VK_ESCAPE);
  // The column keeps its list: the next drop-down, after the editor was
  // prepared anew, asks for none.
  Press(VK_RETURN);
  Press(VK_DOWN, {ssAlt});
  EXPECT_EQ(Editor()->GetItems()->Get(0), "Bergen");
  Press(VK_ESCAPE);
  EXPECT_EQ(Values->ListsMade, 1);
}

// [SECTION] A lookup column

class DBGridKvLookupFilterRowTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Grids.clear();
    Grid->Free();
    Grid = TFilterRowGrid::Create(Form);
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
    Customers = TMemoryDataSet::Create(Form);
    Customers->GetFieldDefs()->Add("CustID", ftInteger);
    Customers->GetFieldDefs()->Add("CustName", ftString, 20);
    Customers->Open();
    Customers->AppendRecord({7, "Ann"});
    Customers->AppendRecord({8, "Bob"});
    Orders = TMemoryDataSet::Create(Form);
    Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
    Orders->GetFieldDefs()->Add("CustID", ftInteger);
    for (Integer I = 0; I < 2; ++I) Orders->GetFieldDefs()->GetItem(I)->CreateField(Orders, Orders);
    TStringField* Customer = TStringField::Create(Orders);
    Customer->SetFieldName("Customer");
    Customer->SetFieldKind(fkLookup);
    Customer->SetKeyFields("CustID");
    Customer->SetLookupDataSet(Customers);
    Customer->SetLookupKeyFields("CustID");
    Customer->SetLookupResultField("CustName");
    Customer->SetDataSet(Orders);
    Orders->Open();
    for (Integer I = 0; I < 6; ++I) Orders->AppendRecord({100 + I, I % 2 == 0 ? 7 : 8});
    Orders->First();
    auto* OrdersSource = TDataSource::Create(Form);
    OrdersSource->SetDataSet(Orders);
    auto* CustomersSource = TDataSource::Create(Form);
    CustomersSource->SetDataSet(Customers);
    Grid->SetDataSource(OrdersSource);
    Grid->Column(2)->GetSTFilter()->SetListSource(CustomersSource);
    Grid->GetSTFilter()->SetVisible(true);
    Grid->SetFocus();
  }
  void TearDown() override {
    UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
    DBGridOnFormTest::TearDown();
  }
  TMemoryDataSet* Customers = nullptr;
  TMemoryDataSet* Orders = nullptr;
};

TEST_F(DBGridKvLookupFilterRowTest, ALookupCellFiltersByTheKeyOfTheNameTypedAndKeepsThatKey) {
  Input.KeyPress(VK_UP);
  Input.KeyPress(VK_END, {ssCtrl});
  TInplaceFilterEditKv* Editor = Grid->GetFilterEditor();
  ASSERT_EQ(Grid->GetFilterCol(), 2);
  Input.Type("Bob");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Orders->GetRecordCount(), 3);
  for (Orders->First(); !Orders->GetEof(); Orders->Next())
    EXPECT_EQ(Orders->FieldByName("CustID")->GetAsInteger(), 8);
  EXPECT_EQ(Editor->GetText(), "Bob");
  // A name no customer has shows no order; an empty cell shows them all.
  Input.Type("Nobody");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Orders->GetRecordCount(), 0);
  EXPECT_EQ(Editor->GetText(), "Nobody");
  Input.KeyPress(VK_DELETE);
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Orders->GetRecordCount(), 6);
}

// [SECTION] What places and hides the editor

// Regression: re-placing the filter-row editor after a layout or a change
// of the data took the focus from wherever the person was typing.
TEST_F(DBGridKvFilterRowTest, ReplacingTheEditorTakesNoFocusFromOtherControls) {
  Open(TStore::Memory);
  TEdit* Other = TEdit::Create(Form);
  Other->SetBounds(10, 220, 100, 24);
  Other->SetParent(Form);
  ClickFilterCell(1);
  Input.Type("Row");
  Other->SetFocus();
  Grid->Column(0)->SetWidth(70);
  DataSet->Edit();
  DataSet->FieldByName("amount")->SetAsFloat(3);
  DataSet->Post();
  EXPECT_TRUE(Other->Focused());
  EXPECT_TRUE(EditorShown());
  const TRect Cell = FilterCell(1);
  EXPECT_EQ(Editor()->GetBoundsRect().Left, Cell.Left + 1) << "it followed its cell";
  // From the grid itself it does take the focus back.
  Grid->SetFocus();
  Grid->Column(0)->SetWidth(80);
  EXPECT_TRUE(Editor()->Focused());
}

// Regression: re-placing the filter-row editor while the filter row was not
// in use hid the cell editor under the person's typing.
TEST_F(DBGridKvFilterRowTest, ALayoutOrADataChangeLeavesTheCellEditorOpen) {
  Open(TStore::Memory);
  Press(VK_RIGHT);
  Press(VK_F2);
  ASSERT_TRUE(CellEditorShown());
  Grid->Column(2)->SetWidth(90);
  EXPECT_TRUE(CellEditorShown());
  Grid->SetBounds(0, 0, 420, 190);
  EXPECT_TRUE(CellEditorShown());
  Input.Type("x");
  DataSet->DisableControls();
  DataSet->EnableControls();  // the records changed, as far as the grid knows
  EXPECT_TRUE(CellEditorShown());
}

// Regression: moving a column while the filter-row editor was open left the
// editor on the column that came to its place, and the typed text went into
// that column's filter.
TEST_F(DBGridKvFilterRowTest, TheEditorStaysWithItsColumnWhenColumnsMove) {
  Open(TStore::Memory);
  ClickFilterCell(1);
  Input.Type("Row 4");
  G()->MoveColumn(2, 3);  // name goes last
  ASSERT_EQ(Grid->Column(2)->GetFieldName(), "name");
  EXPECT_EQ(Grid->GetFilterCol(), 2);
  TRect Cell = FilterCell(2);
  ++Cell.Left;
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell);
  Press(VK_RETURN);
  EXPECT_EQ(Filter(2)->GetExpressionStr(), "Row 4");
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "");
  ExpectShown({4, 40});
  // So when the application orders the columns in code.
  Press('A', {ssCtrl});
  Input.Type("Row 3");
  Grid->Column(2)->SetIndex(0);  // name goes first
  ASSERT_EQ(Grid->Column(0)->GetFieldName(), "name");
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  Cell = FilterCell(0);
  ++Cell.Left;
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell);
  Press(VK_RETURN);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Filter(0)->GetExpressionStr(), "Row 3");
  ExpectShown({3, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39});
}

TEST_F(DBGridKvFilterRowTest, HidingTheEditorsFilterOrColumnLeavesTheRowWithTheTextKept) {
  Open(TStore::Memory);
  ClickFilterCell(1);
  Input.Type("Row 1");
  Filter(1)->SetVisible(false);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "Row 1");
  EXPECT_TRUE(Grid->Focused());
  Filter(1)->SetVisible(true);
  EXPECT_FALSE(EditorShown()) << "nothing opens by itself";
  ClickFilterCell(2);
  Input.Type("> 3");
  Grid->Column(2)->SetVisible(false);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Filter(2)->GetExpressionStr(), "> 3");
  EXPECT_EQ(DataSet->GetRecordCount(), 40) << "leaving applies nothing";
  // A text that does not parse keeps the cell and the editor in it.
  ClickFilterCell(1);
  Press('A', {ssCtrl});
  Input.Type(">");
  EXPECT_THROW(Filter(1)->SetVisible(false), Exception);
  EXPECT_TRUE(Filter(1)->GetVisible());
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), ">");
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "Row 1");
  // Its column hidden in code, the cell goes all the same: the editor goes
  // with it, the column keeps its previous condition, and the caller hears
  // of the text refused.
  EXPECT_THROW(Grid->Column(1)->SetVisible(false), Exception);
  EXPECT_FALSE(Grid->Column(1)->GetVisible());
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_TRUE(Grid->Focused());
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "Row 1");
  Grid->CheckConsistency();
  Grid->Column(1)->SetVisible(true);
  EXPECT_FALSE(EditorShown());
  Press(VK_UP, {ssCtrl});
  EXPECT_TRUE(EditorShown());
}

// Regression: freeing a column before the editor's left the editor on the
// column that came to its place, and the typed text went into that column's
// filter.
TEST_F(DBGridKvFilterRowTest, TheEditorStaysWithItsColumnWhenAnotherIsFreed) {
  Open(TStore::Memory);
  ClickFilterCell(1);
  Input.Type("Row 4");
  Grid->Column(0)->Free();
  ASSERT_EQ(Grid->Column(0)->GetFieldName(), "name");
  EXPECT_EQ(Grid->GetFilterCol(), 0);
  TRect Cell = FilterCell(0);
  ++Cell.Left;
  EXPECT_EQ(Editor()->GetBoundsRect(), Cell);
  Press(VK_RETURN);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Filter(0)->GetExpressionStr(), "Row 4");
  EXPECT_EQ(Filter(1)->GetExpressionStr(), "");
  ExpectShown({4, 40});
  // Its own column freed, the editor leaves the row.
  Grid->Column(0)->Free();
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_TRUE(Errors().empty());
}

TEST_F(DBGridKvFilterRowTest, HidingTheRowLeavesItAndShowingItAgainOpensNothing) {
  Open(TStore::Memory);
  Press(VK_UP);
  // A text that does not parse keeps the row, with the editor and the text.
  Input.Type(">");
  EXPECT_THROW(Grid->GetSTFilter()->SetVisible(false), Exception);
  EXPECT_TRUE(Grid->GetSTFilter()->GetVisible());
  EXPECT_EQ(Grid->GetTitleOffset(), 2);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), ">");
  Press(VK_BACK);
  Input.Type("3");
  Grid->GetSTFilter()->SetVisible(false);
  EXPECT_EQ(Grid->GetTitleOffset(), 1);
  EXPECT_FALSE(EditorShown());
  EXPECT_FALSE(Grid->GetFilterEditorActive());
  EXPECT_EQ(Filter(0)->GetExpressionStr(), "3");
  Press(VK_UP);
  EXPECT_FALSE(EditorShown()) << "no filter row to enter";
  // Another grid's settings show it again, and bring their Local along.
  TSTDBGridKvFilter* Settings = TSTDBGridKvFilter::Create(nullptr);
  Settings->SetVisible(true);
  Settings->SetLocal(true);
  Grid->SetSTFilter(Settings);
  Settings->Free();
  EXPECT_TRUE(Grid->GetSTFilter()->GetLocal());
  EXPECT_EQ(Grid->GetTitleOffset(), 2);
  EXPECT_FALSE(EditorShown());
  String Text;
  Grid->GetColumnFilterText(0, Text);
  EXPECT_EQ(Text, "3");
}

TEST_F(DBGridKvFilterRowTest, WithTheEditorAlwaysShownTheFilterRowTakesItsPlaceUntilLeft) {
  Open(TStore::Memory);
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowEditorKv);
  Press(VK_RIGHT);
  ASSERT_TRUE(CellEditorShown());
  Press(VK_UP);
  ASSERT_TRUE(EditorShown());
  EXPECT_FALSE(CellEditorShown());
  // Moving between filter cells moves the grid's column but shows no cell
  // editor under the filter row's.
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_FALSE(CellEditorShown());
  Input.Type("7");
  EXPECT_EQ(EditorText(), "7");
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  // Down goes back to the records, where the cell editor shows again.
  Press(VK_DOWN);
  EXPECT_FALSE(EditorShown());
  EXPECT_TRUE(CellEditorShown());
  EXPECT_EQ(Filter(2)->GetExpressionStr(), "7");
}

TEST_F(DBGridKvFilterRowTest, AnApplicationsHandlerFiltersInsteadOfTheDataService) {
  Open(TStore::Memory);
  Integer Calls = 0;
  Grid->OnApplyFilter = [&](TObject* Sender) {
    ++Calls;
    EXPECT_EQ(Sender, Grid);
    EXPECT_EQ(Filter(0)->GetExpression().Operator1, foGreater);
  };
  Press(VK_UP);
  Input.Type(">30");
  Press(VK_RETURN);
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(DataSet->GetRecordCount(), 40) << "the handler did the filtering, here none";
  Grid->OnApplyFilter = nullptr;
  Press(VK_RETURN);
  ExpectShown(Ids(31, 40));
}

// [SECTION] The editor's look

TEST_F(DBGridKvFilterRowTest, TheEditorIsBlueOnTheLightenedFixedColourWithItsTextOnePixelLower) {
  Open(TStore::Memory);
  Grid->SetFixedColor(TColor(RGB(100, 36, 240)));
  Press(VK_UP);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetFont()->GetColor(), clBlue);
  // Each channel an eighth lighter, rounded, at most 255.
  EXPECT_EQ(Editor()->GetColor(), TColor(RGB(112, 40, 255)));
  EXPECT_EQ(Editor()->GetBorderStyle(), bsNone);
  EXPECT_EQ(Editor()->GetFont()->GetName(), Grid->GetFont()->GetName());
  // An ordinary combo box of the same size lays its text a pixel higher.
  TDBComboBoxKv* Plain = TDBComboBoxKv::Create(Form);
  Plain->SetParent(Form);
  Plain->SetBorderStyle(bsNone);
  Plain->SetFont(Editor()->GetFont());
  Plain->SetBoundsRect(Editor()->GetBoundsRect());
  Plain->GetEditButton()->SetVisible(false);
  TRect Filtering, Ordinary;
  SendMessage(Editor()->GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Filtering));
  SendMessage(Plain->GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Ordinary));
  EXPECT_EQ(Filtering.Top, Ordinary.Top + 1);
  EXPECT_EQ(Filtering.Left, Ordinary.Left);
  EXPECT_EQ(Filtering.Bottom, Ordinary.Bottom);
}


// While the filter row is in use the grid hands on what reaches it: the focus
// goes back to the editor and the wheel reaches the editor rather than
// moving the records.
TEST_F(DBGridKvFilterRowTest, TheGridHandsTheFocusAndTheWheelToTheFilterEditor) {
  Open(TStore::Memory);
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_UP, {ssCtrl});
  ASSERT_TRUE(EditorShown());
  const Integer Before = Id();
  kvp::SetFocus(Form->GetHandle());
  ASSERT_NE(kvp::GetFocus(), Editor()->GetHandle());
  kvp::SetFocus(Grid->GetHandle());
  EXPECT_EQ(kvp::GetFocus(), Editor()->GetHandle()) << "the grid gives the focus to the editor";
  Grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), MAKELPARAM(20, 20));
  EXPECT_EQ(Id(), Before) << "the wheel does not move the records under the filter row";
  EXPECT_TRUE(EditorShown());
}

}  // namespace

}  // namespace korvel

