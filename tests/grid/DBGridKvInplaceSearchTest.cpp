// The grid's type-ahead search as its user types, through the input driver
// and on the virtual clock: where typing searches instead of editing, the
// record it finds and the letters it shows in the search colours, the next
// and the prior match, Backspace, the silence that ends a search, the keys
// and moves that end it, Ctrl+F's search without a time-out and the
// clipboard's text added to a search; over the in-memory dataset and an
// SQLite file, and the sample database's customers.
//
// Ideas for tests: a features object that searches itself (the data
// service's own tests cover the hand-over); right-to-left highlight.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/controls/StdCtrls.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The fixture's grid, showing its editor as a real grid does.
class TSearchingGrid : public TTestDBGrid {
  KV_CLASS(TSearchingGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  void ShowCellEditor() override { TCustomDBGridKv::ShowCellEditor(); }
};

// A focused grid over numbered records (id 1..40, name "Row <id>") in
// memory or in an SQLite file, with the columns id, name and amount; the
// name column is read-only, so that typing in it searches.
class DBGridKvInplaceSearchTest : public DBGridNumbersTest {
 protected:
  TDrawingLogOn DrawingLog;
  void Open(Integer Count = 40) {
    Grids.clear();
    Grid->Free();
    Grid = TSearchingGrid::Create(Form);
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    OpenNumbers(GetParam(), Count);
    for (const char* Name : {"id", "name", "amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(1)->SetReadOnly(true);
    Grid->SetOptionsKv(Grid->GetOptionsKv() + dgInplaceSearchKv);
    Grid->SetFocus();
    Grid->SetCol(2);  // the name column
    UpdateWindow(Grid->GetHandle());
  }
  Integer Id() { return DataSet->FieldByName("id")->GetAsInteger(); }
  bool Searching() { return Grid->InplaceSearching(); }
  String Searched() { return Grid->InplaceSearchText(); }
  void Press(Word Key, TShiftState Shift = {}) { Input.KeyPress(Key, Shift); }
  bool EditorShown() { return Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->Visible(); }
  // The texts painted in the current cell, after a full repaint.
  std::vector<const TDrawRecord*> CurrentCellTexts() {
    TSurface* Surface = GetWindowSurface(Grid->GetHandle());
    Grid->Invalidate();
    Surface->ClearRecords();
    UpdateWindow(Grid->GetHandle());
    TRect R = Grid->CellRect(Grid->GetCol(), Grid->GetRow());
    const TPoint P = Grid->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    OffsetRect(R, P.X - F.Left, P.Y - F.Top);
    return Surface->TextsAt(R);
  }
  // The text painted on the search's colour in the current cell; empty when
  // none is.
  String HighlightedText() {
    for (const TDrawRecord* R : CurrentCellTexts())
      if (R->Opaque && R->BkColor == ColorToRGB(InplaceSearchHighlightColor) &&
          R->Color == ColorToRGB(InplaceSearchHighlightFontColor))
        return R->Text;
    return {};
  }
};

// [SECTION] Finding

TEST_P(DBGridKvInplaceSearchTest, TypingInAReadOnlyColumnFindsTheRecordAndShowsItsOwnLetters) {
  Open();
  Input.Type("row 2");
  EXPECT_EQ(Id(), 2) << "the first record from the top that starts so, in any case";
  EXPECT_TRUE(Searching());
  EXPECT_EQ(Searched(), "Row 2") << "the cell's own letters";
  EXPECT_FALSE(EditorShown()) << "typing searched instead of editing";
  EXPECT_EQ(HighlightedText(), "Row 2");
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  // One more letter narrows the search from the first record again.
  Input.Type("5");
  EXPECT_EQ(Id(), 25);
  EXPECT_EQ(HighlightedText(), "Row 25");
}

TEST_P(DBGridKvInplaceSearchTest, ALetterThatLeadsNowhereIsDroppedAndTheRecordStays) {
  Open();
  Input.Type("row 3");
  ASSERT_EQ(Id(), 3);
  Input.Type("x");
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Searched(), "Row 3");
  Input.Type("1");
  EXPECT_EQ(Id(), 31) << "the dropped letter is not part of the search";
  // A search that finds nothing from the start keeps the rows where they
  // were shown.
  const Integer Top = Grid->GetTopRow();
  const Integer Row = Grid->GetRow();
  Input.Type("z");
  EXPECT_EQ(Id(), 31);
  EXPECT_EQ(Grid->GetTopRow(), Top);
  EXPECT_EQ(Grid->GetRow(), Row);
}

TEST_P(DBGridKvInplaceSearchTest, CtrlEnterFindsTheNextMatchAndCtrlShiftEnterThePriorOne) {
  Open();
  Input.Type("row 2");
  ASSERT_EQ(Id(), 2);
  Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 20);
  Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 21);
  Press(VK_RETURN, {ssCtrl, ssShift});
  EXPECT_EQ(Id(), 20);
  Press(VK_RETURN, {ssCtrl, ssShift});
  EXPECT_EQ(Id(), 2);
  Press(VK_RETURN, {ssCtrl, ssShift});
  EXPECT_EQ(Id(), 2) << "nothing above: the record stays";
  EXPECT_TRUE(Searching());
  EXPECT_EQ(Searched(), "Row 2");
}

TEST_P(DBGridKvInplaceSearchTest, BackspaceTakesTheLastLetterBackAndKeepsTheRecord) {
  Open();
  Input.Type("row 12");
  ASSERT_EQ(Id(), 12);
  Press(VK_BACK);
  EXPECT_EQ(Searched(), "Row 1");
  EXPECT_EQ(Id(), 12) << "no new search";
  EXPECT_EQ(HighlightedText(), "Row 1");
  Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 13) << "the next record that starts with the shorter text";
  for (int I = 0; I < 6; ++I) Press(VK_BACK);
  EXPECT_EQ(Searched(), "");
  EXPECT_TRUE(Searching()) << "an empty search runs on until it ends";
  EXPECT_EQ(Id(), 13);
}

// [SECTION] Ending

TEST_P(DBGridKvInplaceSearchTest, SilenceEndsTheSearchAndEveryKeyStartsTheSilenceAgain) {
  Open();
  Input.Type("row 1");
  Advance(1000);
  Input.Type("5");
  Advance(1000);
  EXPECT_TRUE(Searching()) << "the second letter started the time-out again";
  Press(VK_BACK);
  Advance(1400);
  EXPECT_TRUE(Searching()) << "so did Backspace";
  Press(VK_RETURN, {ssCtrl});
  Advance(InplaceSearchTimeOut - 1);
  EXPECT_TRUE(Searching()) << "so did the next match";
  EXPECT_EQ(HighlightedText(), Searched());
  Advance(1);
  EXPECT_FALSE(Searching());
  EXPECT_EQ(Searched(), "");
  EXPECT_EQ(HighlightedText(), "") << "the highlight goes with the search";
  const Integer Found = Id();
  // A new letter starts a new search from the top.
  Input.Type("r");
  EXPECT_EQ(Id(), 1);
  EXPECT_NE(Found, 1);
}

TEST_P(DBGridKvInplaceSearchTest, EnterEscapeAndF2EndTheSearchAndThenDoTheirWork) {
  Open();
  for (Word Key : {VK_RETURN, VK_ESCAPE, VK_F2}) {
    SCOPED_TRACE(Key);
    Input.Type("row 7");
    ASSERT_TRUE(Searching());
    Press(Key);
    EXPECT_FALSE(Searching());
    EXPECT_EQ(Id(), 7) << "the record found stays";
    EXPECT_EQ(Searched(), "");
    Advance(InplaceSearchTimeOut);
  }
  // F2's usual work: the editor of the (read-only) cell comes up.
  EXPECT_TRUE(Grid->GetEditorMode());
}

TEST_P(DBGridKvInplaceSearchTest, MovingTheRecordOrTheColumnOtherwiseEndsTheSearch) {
  Open();
  Input.Type("row 9");
  Press(VK_DOWN);
  EXPECT_FALSE(Searching());
  EXPECT_EQ(Id(), 10);
  Input.Type("row 9");
  Press(VK_LEFT);
  EXPECT_FALSE(Searching());
  EXPECT_EQ(Grid->GetCol(), 1);
  Grid->SetCol(2);
  Input.Type("row 9");
  DataSet->First();  // the application moves the record
  EXPECT_FALSE(Searching());
  // Closing the dataset ends it too, and a search on a closed dataset does
  // nothing.
  Input.Type("row 9");
  DataSet->Close();
  EXPECT_FALSE(Searching());
  Grid->InplaceSearchText("row", 1000, 2);
  EXPECT_FALSE(Searching());
}

TEST_P(DBGridKvInplaceSearchTest, WithTheEditorAlwaysShownCtrlFSearchesAndTheEditorComesBack) {
  Open();
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFindDialogKv);
  Grid->SetOptions(Grid->GetOptions() + dgAlwaysShowEditorKv);
  ASSERT_TRUE(EditorShown());
  ASSERT_EQ(GetFocus(), Grid->GetInplaceEditor()->GetHandle());
  // The editor hands Ctrl+F to the grid, whose search takes the editor's
  // place and the typing.
  Press('F', {ssCtrl});
  ASSERT_TRUE(Searching());
  EXPECT_FALSE(EditorShown());
  Input.Type("row 4");
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(HighlightedText(), "Row 4");
  Press(VK_ESCAPE);
  EXPECT_FALSE(Searching());
  EXPECT_TRUE(EditorShown()) << "the editor is always shown once the search is over";
  EXPECT_EQ(Grid->GetInplaceEditor()->GetText(), "Row 4");
}

// [SECTION] Ctrl+F and the clipboard

TEST_P(DBGridKvInplaceSearchTest, CtrlFSearchesWithoutATimeOutAndTypingKeepsIt) {
  Open();
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgFindDialogKv);
  Press('F', {ssCtrl});
  EXPECT_TRUE(Searching());
  EXPECT_EQ(Grid->GetInplaceSearchTimeOut(), -1);
  EXPECT_FALSE(Grid->GetInplaceSearchTimerActive());
  Input.Type("row 3");
  EXPECT_EQ(Id(), 3);
  Advance(10 * InplaceSearchTimeOut);
  EXPECT_TRUE(Searching()) << "typed letters keep the search's own time-out";
  Press(VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 30);
  Advance(10 * InplaceSearchTimeOut);
  EXPECT_TRUE(Searching());
  // Ctrl+F again looks for the same text from the first record.
  Press('F', {ssCtrl});
  EXPECT_EQ(Id(), 3);
  Press(VK_ESCAPE);
  EXPECT_FALSE(Searching());
  // Ctrl+F during a typed search takes its time-out away.
  Input.Type("row 1");
  ASSERT_TRUE(Grid->GetInplaceSearchTimerActive());
  Press('F', {ssCtrl});
  EXPECT_EQ(Id(), 1);
  Advance(10 * InplaceSearchTimeOut);
  EXPECT_TRUE(Searching()) << "the typed search's silence no longer ends it";
  EXPECT_EQ(Searched(), "Row 1");
}

TEST_P(DBGridKvInplaceSearchTest, CtrlVAddsTheClipboardsTextToTheSearch) {
  Open();
  Clipboard()->SetAsText("w 3");
  Input.Type("ro");
  Press('V', {ssCtrl});
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Searched(), "Row 3");
  Press(VK_INSERT, {ssShift});
  EXPECT_EQ(Id(), 3) << "\"Row 3w 3\" leads nowhere";
  EXPECT_EQ(Searched(), "Row 3");
  Advance(InplaceSearchTimeOut);
  EXPECT_FALSE(Searching()) << "the pasted text kept the running time-out";
}

INSTANTIATE_TEST_SUITE_P(Stores, DBGridKvInplaceSearchTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

// [SECTION] The sample database

// The customers of the sample database, non-ASCII names among them.
TEST_F(DBGridOnFormTest, TheSampleCustomersAreFoundByTheirFirstLetters) {
  TTempFile File("sample_search");
  CreateSampleDatabase(File.Name);
  auto* Table = TSQLiteDataSet::Create(Form);
  Table->SetDatabaseName(File.Name);
  Table->SetTableName("customers");
  Table->Open();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(Table);
  for (const char* Name : {"id", "name", "city"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  Grid->SetDataSource(Source);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgInplaceSearchKv);
  Grid->SetReadOnly(true);
  Grid->SetFocus();
  Grid->SetCol(3);  // city
  // The first city in the table, and its first two letters typed in the
  // other case: the search lands on the first record of that city.
  Table->Last();
  const String City = Table->FieldByName("city")->GetAsString();
  ASSERT_GE(Length(City), 2);
  Integer FirstId = 0;
  for (Table->First(); !Table->GetEof(); Table->Next())
    if (Copy(Table->FieldByName("city")->GetAsString(), 1, 2) == Copy(City, 1, 2)) {
      FirstId = Table->FieldByName("id")->GetAsInteger();
      break;
    }
  Table->Last();
  Input.Type(AnsiLowerCase(Copy(City, 1, 2)));
  EXPECT_EQ(Table->FieldByName("id")->GetAsInteger(), FirstId);
  EXPECT_EQ(Grid->InplaceSearchText(), Copy(City, 1, 2));
  Advance(InplaceSearchTimeOut);
  EXPECT_FALSE(Grid->InplaceSearching());
}

}  // namespace
}  // namespace korvel
