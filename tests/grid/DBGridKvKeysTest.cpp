// The data-aware grid under the keyboard, as its user drives it through the
// input driver: moving over records and columns, appending at the end and
// taking an untouched new record back, tab stops, Enter, F2 and Escape,
// typing into a cell and a post the dataset refuses, deleting with the
// question asked, check-box cells, the clipboard keys and their switches,
// copying the value above; over the in-memory dataset and an SQLite file.
//
// Ideas for tests: right-to-left Left and Right; the tree keys of a dataset
// shown as a tree; the type-ahead search's keys, once the search exists.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <utility>

#include "grid/DBGridKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/controls/Dialogs.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The grid with its clipboard commands logged.
class TKeysGrid : public TTestDBGrid {
  KV_CLASS(TKeysGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  std::vector<String> Commands;
  void CopySelectionToClipboard() override { Commands.push_back("copy"); }
  void CutSelectionToClipboard() override { Commands.push_back("cut"); }
  void PasteSelectionFromClipboard() override { Commands.push_back("paste"); }
  void DeleteSelection() override { Commands.push_back("delete"); }
  // A real grid shows its editor when it always should.
  void ShowCellEditor() override { TCustomDBGridKv::ShowCellEditor(); }
};

// The number of rows of an SQLite table, and one text, read with SQLite
// itself.
Integer CountRows(const String& File, const String& Where = "1") {
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
  sqlite3_stmt* S = nullptr;
  const String SQL = "SELECT count(*) FROM numbers WHERE " + Where;
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &S, nullptr), SQLITE_OK);
  Integer N = -1;
  if (sqlite3_step(S) == SQLITE_ROW) N = sqlite3_column_int(S, 0);
  sqlite3_finalize(S);
  sqlite3_close(DB);
  return N;
}

// A focused grid over numbered records (id 1..Count) in memory or in an
// SQLite file, with the columns id, name and amount.
class DBGridKvKeysTest : public DBGridNumbersTest {
 protected:
  void SetUp() override {
    DBGridNumbersTest::SetUp();
    ResetMessageDlgScript();
  }
  void TearDown() override {
    ResetMessageDlgScript();
    DBGridNumbersTest::TearDown();
  }
  void Open(Integer Count = 30) {
    Replace();
    OpenNumbers(GetParam(), Count);
    for (const char* Name : {"id", "name", "amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  // The fixture's grid becomes one that logs its clipboard commands.
  void Replace() {
    Grids.clear();
    Grid->Free();
    Grid = TKeysGrid::Create(Form);
    Grid->SetName("Grid1");
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
  }
  TKeysGrid* Keys() { return static_cast<TKeysGrid*>(Grid); }
  Integer Id() {
    TField* F = DataSet->FieldByName("id");
    return F->IsNull() ? 0 : F->GetAsInteger();
  }
  String Name() { return DataSet->FieldByName("name")->GetAsString(); }
  void Press(Word Key, TShiftState Shift = {}) { Input.KeyPress(Key, Shift); }
  bool EditorShown() { return Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->Visible(); }
  String EditorText() { return Grid->GetInplaceEditor()->GetText(); }
  bool SQLite() const { return GetParam() == TStore::SQLite; }
};

// [SECTION] Moving

TEST_P(DBGridKvKeysTest, ArrowsPagesAndEndsMoveOverRecordsAndColumns) {
  Open();
  const Integer Page = Grid->GetVisibleRowCount();
  ASSERT_GT(Page, 2);
  Press(VK_UP);
  EXPECT_EQ(Id(), 1) << "Up on the first record stays";
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(Id(), 3);
  Press(VK_NEXT);
  EXPECT_EQ(Id(), 3 + Page);
  Press(VK_PRIOR);
  EXPECT_EQ(Id(), 3);
  const Integer Shown = Grid->GetDataLink()->GetRecordCount();
  Press(VK_DOWN, {ssCtrl});
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset() + Shown - 1) << "the last row shown";
  const Integer Last = Id();
  Press(VK_UP, {ssCtrl});
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset()) << "the top row shown";
  EXPECT_EQ(Id(), Last - Shown + 1);
  Press(VK_END, {ssCtrl});
  EXPECT_EQ(Id(), 30);
  EXPECT_TRUE(DataSet->GetEof());
  Press(VK_DOWN);
  EXPECT_EQ(DataSet->GetState(), dsInsert) << "Down on the last record appends";
  Press(VK_ESCAPE);
  Press(VK_HOME, {ssCtrl});
  EXPECT_EQ(Id(), 1);
  // Columns: one step, the ends, Ctrl to the ends.
  EXPECT_EQ(Grid->GetCol(), 1);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 2);
  Press(VK_END);
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_EQ(Id(), 1) << "End with several columns stays on the record";
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 3);
  Press(VK_HOME);
  EXPECT_EQ(Grid->GetCol(), 1);
  Press(VK_LEFT);
  EXPECT_EQ(Grid->GetCol(), 1) << "the indicator is never current";
  Press(VK_RIGHT, {ssCtrl});
  EXPECT_EQ(Grid->GetCol(), 3);
  Press(VK_LEFT, {ssCtrl});
  EXPECT_EQ(Grid->GetCol(), 1);
  // A hidden column is passed over.
  Grid->Column(1)->SetVisible(false);
  Press(VK_RIGHT);
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset());
}

TEST_P(DBGridKvKeysTest, DownAtTheEndAppendsAndUpTakesTheUntouchedRecordBack) {
  Open(5);
  Press(VK_END, {ssCtrl});
  Press(VK_DOWN);
  ASSERT_EQ(DataSet->GetState(), dsInsert);
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset() + 5) << "the new record's row is current";
  Press(VK_DOWN);
  EXPECT_EQ(DataSet->GetState(), dsInsert) << "Down on the untouched record does nothing";
  Press(VK_UP);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(DataSet->GetRecordCount(), 5);
  EXPECT_EQ(Id(), 5);
  // A typed record is kept: Up posts it.
  Press(VK_DOWN);
  Press(VK_RIGHT);
  Input.Type("Zed");
  EXPECT_EQ(EditorText(), "Zed");
  Press(VK_UP);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(DataSet->GetRecordCount(), 6);
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name, "name = 'Zed'"), 1);
  }
}

// A column made current by code, or by a field asking for the focus, is
// entered as the keyboard enters one.
TEST_P(DBGridKvKeysTest, AColumnChosenByCodeIsEnteredAsTheKeyboardWouldEnterIt) {
  Open(5);
  std::vector<String> Events;
  Grid->OnColExit = TNotifyEvent(
      [&](TObject*) { Events.push_back("exit " + std::to_string(Grid->GetSelectedIndex())); });
  Grid->OnColEnter = TNotifyEvent(
      [&](TObject*) { Events.push_back("enter " + std::to_string(Grid->GetSelectedIndex())); });
  Press(VK_RIGHT);
  EXPECT_EQ(Events, (std::vector<String>{"exit 0", "enter 1"}));
  Events.clear();
  // What is typed into the name is kept when code moves on to the amount.
  Input.Type("Zed");
  ASSERT_TRUE(EditorShown());
  Grid->SetSelectedIndex(2);
  EXPECT_EQ(Events, (std::vector<String>{"exit 1", "enter 2"}));
  EXPECT_EQ(Grid->GetSelectedIndex(), 2);
  EXPECT_FALSE(EditorShown()) << "the editor is hidden as the keyboard hides it";
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  EXPECT_EQ(Name(), "Zed");
  Press(VK_UP);  // on the first record: posts and stays
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(Name(), "Zed");
  EXPECT_EQ(Id(), 1);
  // The same column again: nothing happens.
  Events.clear();
  Grid->SetSelectedIndex(2);
  EXPECT_TRUE(Events.empty());
  // A handler that moves elsewhere on leaving wins, as with the keys.
  bool Redirect = true;
  Grid->OnColExit = TNotifyEvent([&](TObject*) {
    Events.push_back("exit " + std::to_string(Grid->GetSelectedIndex()));
    if (std::exchange(Redirect, false)) Grid->SetSelectedIndex(1);
  });
  Grid->SetSelectedIndex(0);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1);
  EXPECT_EQ(Events, (std::vector<String>{"exit 2", "enter 1"}));
  // With the editor always shown it is shown again over the new cell, and a
  // field's request for the focus goes the same way.
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowEditorKv);
  Grid->SetSelectedIndex(0);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), std::to_string(Id()));
  Events.clear();
  DataSet->FieldByName("name")->FocusControl();
  EXPECT_EQ(Events, (std::vector<String>{"exit 0", "enter 1"}));
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), Name());
}

TEST_P(DBGridKvKeysTest, AReadOnlyGridOrDatasetNeitherGrowsNorChanges) {
  Open(5);
  for (int Way = 0; Way < 2; ++Way) {
    SCOPED_TRACE(Way == 0 ? "grid read-only" : "no appending or inserting");
    Grid->SetReadOnly(Way == 0);
    Grid->SetAllowedOperations(Way == 0 ? TDBGridKvAllowedOperations::FromBits(0x0F)
                                        : TDBGridKvAllowedOperations{alopUpdateKv, alopDeleteKv});
    Press(VK_END, {ssCtrl});
    Press(VK_DOWN);
    Press(VK_INSERT);
    EXPECT_EQ(DataSet->GetState(), dsBrowse);
    EXPECT_EQ(DataSet->GetRecordCount(), 5);
    if (Way == 1) QueueMessageDlgAnswer(mrOk);
    Press(VK_DELETE, {ssCtrl});
    EXPECT_EQ(DataSet->GetRecordCount(), 5 - Way) << "deleting is its own permission";
    if (Way == 0) {
      Press(VK_RIGHT);
      Input.Type("Q");
      EXPECT_EQ(DataSet->GetState(), dsBrowse);
      EXPECT_EQ(Name(), "Row 5");
    }
  }
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name), 4);
  }
}

TEST_P(DBGridKvKeysTest, AnEmptyDatasetTakesEveryKeyAndDownStartsItsFirstRecord) {
  Open(0);
  for (Word Key : {VK_UP, VK_PRIOR, VK_NEXT, VK_HOME, VK_END, VK_LEFT, VK_RIGHT, VK_TAB})
    Press(Key);
  Press(VK_HOME, {ssCtrl});
  Press(VK_DELETE, {ssCtrl});
  Press(VK_ESCAPE);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_TRUE(DataSet->IsEmpty());
  Press(VK_DOWN);
  EXPECT_EQ(DataSet->GetState(), dsInsert);
  Input.Type("7");
  Press(VK_DOWN);
  EXPECT_EQ(DataSet->GetRecordCount(), 1);
  EXPECT_EQ(DataSet->GetState(), dsInsert) << "Down from the posted record appends the next";
  Press(VK_ESCAPE);
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name, "id = 7"), 1);
  }
}

TEST_P(DBGridKvKeysTest, InsertInsertsOrAppendsWhereOnlyAppendingIsAllowed) {
  Open(5);
  Press(VK_DOWN);
  Press(VK_INSERT);
  EXPECT_EQ(DataSet->GetState(), dsInsert);
  EXPECT_FALSE(DataSet->GetEof()) << "inserted before the record";
  Press(VK_ESCAPE);
  EXPECT_EQ(Id(), 2);
  Grid->SetAllowedOperations({alopUpdateKv, alopAppendKv});
  Press(VK_INSERT);
  EXPECT_EQ(DataSet->GetState(), dsInsert);
  EXPECT_TRUE(DataSet->GetEof()) << "appended";
  Press(VK_ESCAPE);
}

// [SECTION] Selecting

TEST_P(DBGridKvKeysTest, ShiftArrowsSelectFromTheAnchorAndTakeTheAnchorsOppositeInToggleMode) {
  Open(8);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv + dgRowSelectKv);
  TBookmarkListKv* Rows = Grid->GetSelectedRows();
  auto Selected = [&] {
    std::vector<Integer> R;
    const TBookmark Here = DataSet->GetBookmark();
    for (Integer I = 0; I < Rows->GetCount(); ++I) {
      DataSet->SetBookmark(Rows->GetItems(I));
      R.push_back(Id());
    }
    DataSet->SetBookmark(Here);
    return R;
  };
  Press(VK_DOWN, {ssShift});
  Press(VK_DOWN, {ssShift});
  Press(VK_UP, {ssShift});
  EXPECT_EQ(Selected(), (std::vector<Integer>{1, 2})) << "the anchor and the next record";
  Press(VK_DOWN);
  EXPECT_EQ(Selected(), std::vector<Integer>{}) << "a plain arrow drops the selection";
  // Where keys keep the selection, an extension gives the records passed
  // the opposite of the anchor's state: from a selected anchor it clears.
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgClearSelectionOnEditKv);
  ASSERT_EQ(Id(), 3);
  for (Integer I = 0; I < 4; ++I) {
    Rows->SetCurrentRowSelected(true);
    Press(VK_DOWN);
  }
  EXPECT_EQ(Selected(), (std::vector<Integer>{3, 4, 5, 6}));
  Press(VK_UP, {ssCtrl});
  Press(VK_DOWN);
  Press(VK_DOWN);
  ASSERT_EQ(Id(), 3);
  Press(VK_DOWN, {ssShift});
  Press(VK_DOWN, {ssShift});
  EXPECT_EQ(Selected(), (std::vector<Integer>{6}));
  EXPECT_EQ(Id(), 5);
}

// [SECTION] Tab and Enter

TEST_P(DBGridKvKeysTest, TabStopsAtColumnsThatTakeTypingAndWrapsIntoTheNextRecord) {
  Open(3);
  Grid->Column(1)->SetReadOnly(true);
  Grid->LayoutChanged();
  EXPECT_FALSE(Grid->GetTabStops(2));
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 3) << "the read-only name is passed";
  Press(VK_TAB);
  EXPECT_EQ(Grid->GetCol(), 1);
  EXPECT_EQ(Id(), 2);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_EQ(Id(), 1);
  // Tab past the last column of the last record appends.
  Press(VK_END, {ssCtrl});
  Press(VK_END);
  Press(VK_TAB);
  EXPECT_EQ(DataSet->GetState(), dsInsert);
  EXPECT_EQ(Grid->GetCol(), 1);
  Press(VK_ESCAPE);
  // Without the indicator Shift+Tab on the first column reaches the last
  // column of the record before.
  Grid->SetOptions(Grid->GetOptions() - dgIndicatorKv);
  Press(VK_HOME, {ssCtrl});
  Press(VK_DOWN);
  Press(VK_HOME);
  ASSERT_EQ(Grid->GetCol(), 0);
  Press(VK_TAB, {ssShift});
  EXPECT_EQ(Grid->GetCol(), 2);
  EXPECT_EQ(Id(), 1);
}

TEST_P(DBGridKvKeysTest, EnterMovesOnWithTheOptionAndOtherwiseWritesAndTogglesTheEditor) {
  Open(5);
  Press(VK_RIGHT);
  Press(VK_RETURN);
  EXPECT_TRUE(EditorShown());
  Input.Type("Ann");
  Press(VK_RETURN);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Name(), "Ann") << "written, not yet posted";
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  Press(VK_ESCAPE);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  EXPECT_EQ(Name(), "Row 1");
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgEnterMoveNextKv);
  Press(VK_RETURN);
  EXPECT_EQ(Grid->GetCol(), 3);
  EXPECT_FALSE(EditorShown()) << "Enter never toggles the editor then";
  Press(VK_RETURN, {ssShift});
  EXPECT_EQ(Grid->GetCol(), 2);
}

// [SECTION] Editing keys

TEST_P(DBGridKvKeysTest, TypingEditsF2ShowsTheEditorAndEscapeTakesTheEditBack) {
  Open(5);
  Press(VK_DOWN);
  Press(VK_RIGHT);
  Input.Type("Bo");
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), "Bo");
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  Press(VK_ESCAPE);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Name(), "Row 2") << "the typed text never reached the field";
  Press(VK_ESCAPE);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  Press(VK_F2);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), "Row 2");
  Input.Type("!");
  Press(VK_DOWN);
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  Press(VK_UP);
  EXPECT_EQ(Name(), "Row 2!");
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name, "name = 'Row 2!'"), 1);
  }
}

TEST_P(DBGridKvKeysTest, APostThatFailsKeepsTheRecordInEditWithWhatWasTyped) {
  Open(5);
  DataSet->BeforePost = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError("No room"); });
  Press(VK_DOWN);
  Press(VK_RIGHT);
  Input.Type("Zed");
  Press(VK_DOWN);
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  EXPECT_EQ(Application()->GetHandledExceptions()[0].Message, "No room");
  Application()->ClearHandledExceptions();
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  EXPECT_EQ(Id(), 2) << "the record did not change";
  EXPECT_EQ(Name(), "Zed");
  EXPECT_EQ(Grid->GetRow(), Grid->GetTitleOffset() + 1);
  DataSet->BeforePost = {};
  Press(VK_DOWN);
  EXPECT_EQ(Id(), 3);
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name, "name = 'Zed' AND id = 2"), 1);
  }
}

TEST_P(DBGridKvKeysTest, CtrlDeleteAsksAndDeletesTheCurrentOrTheSelectedRecords) {
  Open(6);
  struct TCase {
    const char* Name;
    bool Confirm;
    std::vector<Integer> Selected;
    TModalResult Answer;
    const char* Question;  // null: nothing asked
    Integer Left;
  } Cases[] = {
      {"one record, OK", true, {}, mrOk, "Delete record?", 5},
      {"one record, Cancel", true, {}, mrCancel, "Delete record?", 5},
      {"two selected, OK", true, {2, 3}, mrOk, "Delete all selected records?", 3},
      {"one selected, OK", true, {4}, mrOk, "Delete record?", 2},
      {"no question", false, {}, mrNone, nullptr, 1},
  };
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Grid->SetOptions(C.Confirm ? Grid->GetOptions() + dgConfirmDeleteKv
                               : Grid->GetOptions() - dgConfirmDeleteKv);
    DataSet->First();
    for (Integer Id : C.Selected) {
      DataSet->Locate("id", Variant(Id), {});
      Grid->GetSelectedRows()->SetCurrentRowSelected(true);
    }
    if (C.Answer != mrNone) QueueMessageDlgAnswer(C.Answer);
    const std::size_t Asked = GetMessageDlgLog().size();
    Press(VK_DELETE, {ssCtrl});
    ASSERT_EQ(GetMessageDlgLog().size(), Asked + (C.Question ? 1 : 0));
    if (C.Question) {
      EXPECT_EQ(GetMessageDlgLog().back().Msg, C.Question);
    }
    EXPECT_EQ(DataSet->GetRecordCount(), C.Left);
  }
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name), 1);
    EXPECT_EQ(CountRows(File.Name, "id IN (2, 3, 4)"), 0);
  }
}

// [SECTION] Check boxes

class DBGridKvKeysCheckTest : public DBGridWithDataTest {
 protected:
  void TearDown() override {
    ResetMessageDlgScript();
    DBGridWithDataTest::TearDown();
  }
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    ResetMessageDlgScript();
    Grids.clear();
    Grid->Free();
    Grid = TKeysGrid::Create(Form);
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    Grid->SetDataSource(Source);
    for (const char* Name : {"Paid", "Name"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(0)->SetCheckboxes(true);
    Grid->SetFocus();
  }
  Variant Paid() { return Field("Paid")->GetValue(); }
};

TEST_F(DBGridKvKeysCheckTest, SpaceStepsACheckBoxAndDeleteEmptiesIt) {
  ASSERT_EQ(Grid->Column(0)->GetColumnType(), ctCheckboxesKv);
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  Input.KeyPress(VK_SPACE);
  EXPECT_FALSE(Field("Paid")->GetAsBoolean());
  Input.KeyPress(VK_SPACE, {ssShift});
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  EXPECT_FALSE(Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->Visible())
      << "a check box is never edited as text";
  QueueMessageDlgAnswer(mrCancel);
  Input.KeyPress(VK_DELETE, {ssCtrl});
  EXPECT_EQ(GetMessageDlgLog().back().Msg, "Delete record?") << "Ctrl+Delete deletes records";
  EXPECT_FALSE(Field("Paid")->IsNull());
  Input.KeyPress(VK_DELETE);
  EXPECT_TRUE(Field("Paid")->IsNull());
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(DataSet->GetRecordCount(), 5);
  DataSet->First();
  EXPECT_TRUE(Field("Paid")->IsNull()) << "posted";
}

// Shift+Delete cuts the selected records; the record left current must not
// lose its value as well.
TEST_F(DBGridKvKeysCheckTest, ShiftDeleteThatCutsLeavesTheCurrentCheckBoxAlone) {
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Grid->SetEditActions({geaCutKv, geaCopyKv});
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  Input.KeyPress(VK_DELETE, {ssShift});
  EXPECT_EQ(static_cast<TKeysGrid*>(Grid)->Commands, std::vector<String>{"cut"});
  EXPECT_TRUE(Field("Paid")->GetAsBoolean());
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  // Without a cut to run, Shift+Delete empties the cell like Delete.
  Grid->SetEditActions({});
  Input.KeyPress(VK_DELETE, {ssShift});
  EXPECT_TRUE(Field("Paid")->IsNull());
}

// [SECTION] Clipboard keys

TEST_P(DBGridKvKeysTest, ClipboardKeysRunOnlyWithTheirSwitchAndWhenTheyCan) {
  Open(5);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Clipboard()->SetAsText("1\tOne");
  using List = std::vector<String>;
  auto Run = [&](Word Key, TShiftState Shift) {
    Keys()->Commands.clear();
    Press(Key, Shift);
    return Keys()->Commands;
  };
  // No switch: nothing runs.
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Run('C', {ssCtrl}), List{});
  EXPECT_EQ(Run('V', {ssCtrl}), List{});
  Grid->SetEditActions({geaCopyKv, geaCutKv, geaPasteKv, geaDeleteKv, geaSelectAllKv});
  EXPECT_EQ(Run('C', {ssCtrl}), List{"copy"});
  EXPECT_EQ(Run(VK_INSERT, {ssCtrl}), List{"copy"});
  EXPECT_EQ(Run('X', {ssCtrl}), List{"cut"});
  EXPECT_EQ(Run(VK_DELETE, {ssShift}), List{"cut"});
  EXPECT_EQ(Run('V', {ssCtrl}), List{"paste"});
  EXPECT_EQ(Run(VK_INSERT, {ssShift}), List{"paste"});
  EXPECT_EQ(Run(VK_DELETE, {ssCtrl}), List{"delete"});
  // Deleting records needs the permission; cut needs it too.
  Grid->SetAllowedOperations({alopUpdateKv});
  EXPECT_EQ(Run('X', {ssCtrl}), List{});
  EXPECT_EQ(Run(VK_DELETE, {ssCtrl}), List{});
  EXPECT_EQ(DataSet->GetRecordCount(), 5);
  EXPECT_EQ(Run('C', {ssCtrl}), List{"copy"});
  // Nothing on the clipboard: no paste.
  Clipboard()->Clear();
  EXPECT_EQ(Run('V', {ssCtrl}), List{});
  // Without a selection there is nothing to copy; Ctrl+A selects all, even
  // without multi-select.
  Grid->GetSelection()->Clear();
  EXPECT_EQ(Run('C', {ssCtrl}), List{});
  Grid->SetOptions(Grid->GetOptions() - dgMultiSelectKv);
  Run('A', {ssCtrl});
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskAll);
  EXPECT_EQ(Run('C', {ssCtrl}), List{"copy"});
  Grid->SetReadOnly(true);
  Clipboard()->SetAsText("x");
  EXPECT_EQ(Run('V', {ssCtrl}), List{}) << "a read-only grid takes no paste";
}

TEST_P(DBGridKvKeysTest, CtrlQuoteCopiesTheValueOfTheRecordAbove) {
  Open(5);
  Press(VK_RIGHT);
  Press(222, {ssCtrl});
  EXPECT_EQ(DataSet->GetState(), dsBrowse) << "nothing above the first row";
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(222, {ssCtrl});
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  EXPECT_EQ(Name(), "Row 2");
  EXPECT_EQ(Id(), 3);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(EditorText(), "Row 2");
  EXPECT_EQ(Grid->GetInplaceEditor()->GetSelStart(), 0);
  EXPECT_EQ(Grid->GetInplaceEditor()->GetSelLength(), 5) << "the whole text is selected";
  Press(VK_DOWN);
  if (SQLite()) {
    EXPECT_EQ(CountRows(File.Name, "name = 'Row 2'"), 2);
  }
}

TEST_P(DBGridKvKeysTest, CtrlFOpensTheFindDialogOnTheCurrentColumnWithItsOption) {
  Open(5);
  static std::vector<String> Opened;
  Opened.clear();
  const TExecuteFindDialogProcKv Saved = ExecuteDBGridKvFindDialogProc;
  ExecuteDBGridKvFindDialogProc = [](TCustomDBGridKv*, const String& Text, const String&,
                                     bool Modal, const TColumnCaptionsKv*) {
    Opened.push_back(Text + (Modal ? " modal" : " not modal"));
  };
  struct TRestore {
    TExecuteFindDialogProcKv Saved;
    ~TRestore() { ExecuteDBGridKvFindDialogProc = Saved; }
  } Restore{Saved};
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFindDialogKv);
  Press('F', {ssCtrl});
  EXPECT_TRUE(Opened.empty());
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgFindDialogKv);
  Press('F', {ssCtrl});
  EXPECT_EQ(Opened, std::vector<String>{" not modal"});
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvKeysTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

}  // namespace
}  // namespace korvel
