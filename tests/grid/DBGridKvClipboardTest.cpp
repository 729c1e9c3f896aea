// The grid's clipboard commands as a user meets them: what a copy leaves on
// the clipboard in each of its four formats, paste of the exchange format and
// of text from another program, delete and cut of each kind of selection
// with their questions, and a command that fails leaving the clipboard
// closed and the controls enabled.
//
// Ideas for tests: the copy of a system that is not of the NT family (no
// plain text; the platform always reports NT).
#include <gtest/gtest.h>

#include "platform/controls/Dialogs.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/grid/TestImpExp.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace impexptest;

class DBGridKvClipboardTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    // Questions only where a test asks for them.
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv - dgConfirmDeleteKv);
    ResetMessageDlgScript();
  }
  void TearDown() override {
    EXPECT_FALSE(DataSet->ControlsDisabled());
    EXPECT_EQ(DataSet->GetState(), dsBrowse);
    // Another window can open the clipboard: every command closed it.
    EXPECT_TRUE(OpenClipboard(Form->GetHandle()));
    CloseClipboard();
    EXPECT_EQ(GetQueuedMessageDlgAnswerCount(), 0) << "every question expected was asked";
    ResetMessageDlgScript();
    DBGridWithDataTest::TearDown();
  }
  std::vector<String> Questions() {
    std::vector<String> R;
    for (const TMessageDlgRecord& Q : GetMessageDlgLog()) {
      EXPECT_EQ(Q.DlgType, mtConfirmation);
      EXPECT_EQ(Q.Buttons, mbOKCancel);
      R.push_back(Q.Msg);
    }
    return R;
  }
};

TEST_F(DBGridKvClipboardTest, TheFormatsAreRegisteredOnceInOrder) {
  EXPECT_GE(CF_VCLDBIF, 0xC000u);
  EXPECT_EQ(CF_CSV, CF_VCLDBIF + 1);
  EXPECT_EQ(CF_RICH_TEXT_FORMAT, CF_VCLDBIF + 2);
  EXPECT_EQ(RegisterClipboardFormat("Rich Text Format"), CF_RICH_TEXT_FORMAT);
  const UINT Before = CF_VCLDBIF;
  DBGridKvImpExpUnitStartup();
  EXPECT_EQ(CF_VCLDBIF, Before);
  DBGridKvImpExpUnitShutdown();
  EXPECT_EQ(DBGridKvImpExpUnitStartCount(), 1);
}

TEST_F(DBGridKvClipboardTest, CopyPutsTheSelectionInFourFormatsReplacingWhatWasThere) {
  UINT Other = RegisterClipboardFormat("Other");
  PutClipboardBytes(Other, "old");
  SelectRecords(Grid, {2, 3});
  CopyGridSelectionToClipboard(Grid, false);
  EXPECT_EQ(ClipboardBytes(Other), "<none>") << "the clipboard was emptied";
  const String Text = "ID\tName\tAmount\tPaid\r\n2\tBob\t20.25\tFalse\r\n3\tCid\t5\tTrue";
  const WideString Wide = Utf8ToUtf16(Text);
  EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT),
            String(reinterpret_cast<const char*>(Wide.c_str()), (Wide.size() + 1) * 2));
  EXPECT_EQ(ClipboardBytes(CF_TEXT), Text + String(1, '\0')) << "plain text made from it";
  EXPECT_EQ(ClipboardBytes(CF_CSV),
            ExportText(TDBGridKvExportAsCSV::StaticClass(), Grid) + String(1, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_RICH_TEXT_FORMAT),
            ExportText(TDBGridKvExportAsRTF::StaticClass(), Grid) + String(1, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_VCLDBIF),
            ExportText(TDBGridKvExportAsVCLDBIF::StaticClass(), Grid));
  EXPECT_EQ(ClipboardBytes(CF_VCLDBIF).substr(0, 7), "VCLDBIF");
}

TEST_F(DBGridKvClipboardTest, CopiedUnicodeTextKeepsEveryCharacterBeyondAscii) {
  DataSet->SetRecNo(2);
  DataSet->Edit();
  Field("Name")->SetAsString("Zo\xC3\xAB \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9D\x84\x9E!");
  DataSet->Post();
  SelectRecords(Grid, {2});
  CopyGridSelectionToClipboard(Grid, false);
  const std::u16string Expected =
      u"ID\tName\tAmount\tPaid\r\n2\tZo\u00EB \u6771\u4EAC \U0001D11E!\t20.25\tFalse";
  EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT),
            String(reinterpret_cast<const char*>(Expected.c_str()), (Expected.size() + 1) * 2));
}

TEST_F(DBGridKvClipboardTest, CopyOfNoSelectionPutsEmptyFormatsThatPasteNothing) {
  CopyGridSelectionToClipboard(Grid, false);
  EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), String(2, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_CSV), String(1, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_RICH_TEXT_FORMAT), String(1, '\0'));
  EXPECT_EQ(ClipboardBytes(CF_VCLDBIF), "");
  const std::vector<String> Before = Records(DataSet);
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(DataSet), Before);
}

TEST_F(DBGridKvClipboardTest, PastePrefersTheExchangeFormatAndKeepsTypedValues) {
  SelectRectangle(Grid, 1, 1, 2, 2);
  CopyGridSelectionToClipboard(Grid, false);
  Grid->GetSelection()->Clear();
  DataSet->SetRecNo(4);
  Grid->SetSelectedIndex(1);
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"1|Ann|10.5|True", "2|Bob|20.25|False",
                                                   "3|Cid|5|True", "4|Ann|10.5|False",
                                                   "5|Bob|20.25|True"}));
  EXPECT_EQ(DataSet->FieldByName("ID")->GetAsInteger(), 4) << "the grid stays on its record";
}

TEST_F(DBGridKvClipboardTest, TextFromAnotherProgramIsPastedFromTheCurrentCellAndAppended) {
  // Lines ending in CR LF, the zero and padding after it: two records
  // overwritten, one appended, nothing made of the zero or the padding.
  PutClipboardBytes(CF_TEXT, String("Zed\t1.5\r\nYan\t2\r\nXi\t3\r\n\0\0junk\r\n", 29));
  DataSet->SetRecNo(4);
  Grid->SetSelectedIndex(1);
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"1|Ann|10.5|True", "2|Bob|20.25|False",
                                                   "3|Cid|5|True", "4|Zed|1.5|False",
                                                   "5|Yan|2|True", "<null>|Xi|3|<null>"}));
  // Unicode text of another program reaches the grid through plain text.
  OpenClipboard(nullptr);
  EmptyClipboard();
  const WideString Wide = Utf8ToUtf16("Grüße 東京");
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, (Wide.size() + 1) * 2);
  std::memcpy(GlobalLock(Block), Wide.c_str(), (Wide.size() + 1) * 2);
  GlobalUnlock(Block);
  SetClipboardData(CF_UNICODETEXT, Block);
  CloseClipboard();
  DataSet->First();
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(DataSet->FieldByName("Name")->GetAsString(), "Grüße 東京");
}

TEST_F(DBGridKvClipboardTest, PasteIntoAReadOnlyColumnKeepsItAndFillsTheOthers) {
  Grid->GetColumns()->Add()->SetFieldName("Name");
  Grid->GetColumns()->Add()->SetFieldName("Amount");
  Grid->Column(0)->SetReadOnly(true);
  PutClipboardBytes(CF_TEXT, String("Zed\t1.5\r\nYan\t2\r\n\0", 17));
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(DataSet)[0], "1|Ann|1.5|True");
  EXPECT_EQ(Records(DataSet)[1], "2|Bob|2|False");
}

// [SECTION] Delete and cut

TEST_F(DBGridKvClipboardTest, DeleteAsksForEachKindOfSelectionAndCancelKeepsEverything) {
  Grid->SetOptions(Grid->GetOptions() + dgConfirmDeleteKv);
  const std::vector<String> All = Records(DataSet);
  auto Kinds = [&](Integer Kind) {
    Grid->GetSelection()->Clear();
    switch (Kind) {
      case 0:
        SelectRecords(Grid, {2});
        break;
      case 1:
        SelectRecords(Grid, {2, 4});
        break;
      case 2:
        SelectRectangle(Grid, 1, 1, 2, 2);
        break;
      case 3:
        Grid->GetSelection()->GetColumns()->Add(Grid->Column(1));
        break;
      default:
        Grid->GetSelection()->SelectAll();
        break;
    }
  };
  for (Integer Kind = 0; Kind < 5; ++Kind) {
    Kinds(Kind);
    QueueMessageDlgAnswer(mrCancel);
    DeleteGridSelection(Grid, false);
    EXPECT_EQ(Records(DataSet), All);
  }
  EXPECT_EQ(Questions(),
            (std::vector<String>{"Delete record?", "Delete all selected records?",
                                 "Clear selected cells?", "Clear selected cells?",
                                 "Delete all selected records?"}));
  // The whole grid is every record whatever the selection.
  Grid->GetSelection()->Clear();
  QueueMessageDlgAnswer(mrCancel);
  DeleteGridSelection(Grid, true);
  EXPECT_EQ(GetMessageDlgLog().back().Msg, "Delete all selected records?");
  // Without the option nothing is asked.
  Grid->SetOptions(Grid->GetOptions() - dgConfirmDeleteKv);
  SelectRecords(Grid, {5});
  DeleteGridSelection(Grid, false);
  EXPECT_EQ(DataSet->GetRecordCount(), 4);
  EXPECT_EQ(GetMessageDlgLog().size(), 6u);
}

TEST_F(DBGridKvClipboardTest, DeleteRemovesExactlyTheSelectedRecordsOrClearsTheSelectedCells) {
  SelectRecords(Grid, {1, 3, 5});
  DeleteGridSelection(Grid, false);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"2|Bob|20.25|False", "4|Dee|7.75|False"}));
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);
  // A rectangle is emptied where it may be: the read-only ID stays.
  DataSet->FieldByName("ID")->SetReadOnly(true);
  DataSet->Last();
  SelectRectangle(Grid, 0, 1, 1, 2);
  DeleteGridSelection(Grid, false);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"2|<null>|20.25|False", "4|<null>|7.75|False"}));
  EXPECT_EQ(DataSet->FieldByName("ID")->GetAsInteger(), 4) << "the position comes back";
  // Columns: every record's cell.
  Grid->GetSelection()->Clear();
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(3));
  DeleteGridSelection(Grid, false);
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"2|<null>|20.25|<null>", "4|<null>|7.75|<null>"}));
  // Everything.
  DeleteGridSelection(Grid, true);
  EXPECT_TRUE(DataSet->IsEmpty());
}

TEST_F(DBGridKvClipboardTest, CutOfARectangleCopiesItThenEmptiesItKeepingTheRecords) {
  Grid->SetOptions(Grid->GetOptions() + dgConfirmDeleteKv);
  QueueMessageDlgAnswer(mrOk);
  SelectRectangle(Grid, 1, 2, 2, 3);
  CutGridSelectionToClipboard(Grid, false);
  EXPECT_EQ(Questions(), std::vector<String>{"Clear selected cells?"});
  EXPECT_EQ(ClipboardBytes(CF_TEXT), String("Name\tAmount\r\nBob\t20.25\r\nCid\t5\0", 30));
  EXPECT_EQ(Records(DataSet), (std::vector<String>{"1|Ann|10.5|True", "2|<null>|<null>|False",
                                                   "3|<null>|<null>|True", "4|Dee|7.75|False",
                                                   "5|Eve|100|True"}));
}

// A person with the keyboard only: selects the ids and names of two records
// with Shift and the arrows, copies them, pastes them over the last two
// records, and cuts a record after confirming; the dataset holds what they did.
TEST_F(DBGridKvClipboardTest, TheKeysCopyPasteAndCutThroughTheClipboard) {
  Grid->SetEditActions({geaCopyKv, geaCutKv, geaPasteKv, geaDeleteKv, geaSelectAllKv});
  Grid->SetOptions(Grid->GetOptions() + dgConfirmDeleteKv);
  Grid->SetFocus();
  DataSet->First();
  Input.KeyPress(VK_RIGHT, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gskRectangle);
  Input.KeyPress('C', {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "ID\tName\r\n1\tAnn\r\n2\tBob");
  // Paste from the id of record 4 on: the exchange format writes the values.
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_LEFT);
  ASSERT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);
  ASSERT_EQ(DataSet->GetRecNo(), 4);
  ASSERT_EQ(Grid->GetSelectedIndex(), 0);
  Input.KeyPress('V', {ssCtrl});
  std::vector<String> Rows;
  for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
    Rows.push_back(Field("ID")->GetAsString() + " " + Field("Name")->GetAsString() + " " +
                   Field("Amount")->GetAsString());
  EXPECT_EQ(Rows, (std::vector<String>{"1 Ann 10.5", "2 Bob 20.25", "3 Cid 5", "1 Ann 7.75",
                                       "2 Bob 100"}));
  // Cut the first record: copied, then deleted after the question.
  DataSet->First();
  Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  QueueMessageDlgAnswer(mrOk);
  Input.KeyPress('X', {ssCtrl});
  EXPECT_EQ(Questions(), std::vector<String>{"Delete record?"});
  EXPECT_EQ(DataSet->GetRecordCount(), 4);
  EXPECT_EQ(Clipboard()->GetAsText(), "ID\tName\tAmount\tPaid\r\n1\tAnn\t10.5\tTrue");
}

TEST_F(DBGridKvClipboardTest, ACommandThatFailsClosesTheClipboardAndEnablesTheControls) {
  // A field that refuses to be cleared: the record it was in is left whole.
  DataSet->FieldByName("Name")->SetRequired(true);
  SelectRectangle(Grid, 1, 2, 2, 3);
  EXPECT_THROW(CutGridSelectionToClipboard(Grid, false), EDatabaseError);
  EXPECT_EQ(Records(DataSet)[1], "2|Bob|20.25|False");
  // An exporter whose event raises.
  Grid->OnGetCellParams = TGetCellKvParamsEvent(
      [](TObject*, TColumnKv*, TFont*, TColor&, TGridDrawState) {
        throw EInvalidOperation("no colours today");
      });
  EXPECT_THROW(CopyGridSelectionToClipboard(Grid, false), EInvalidOperation);
  // The clipboard held open by someone else is the platform's error.
  Grid->OnGetCellParams = nullptr;
  OpenClipboard(Form->GetHandle());
  EXPECT_THROW(CopyGridSelectionToClipboard(Grid, false), Exception);
  CloseClipboard();
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

using namespace kvp;
using namespace impexptest;

// Orders whose customer is named by two key fields (Region, Number) in a
// lookup of customers by (R, N).
class DBGridKvTwoKeyLookupTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Customers = TMemoryDataSet::Create(Form);
    Customers->GetFieldDefs()->Add("R", ftString, 4);
    Customers->GetFieldDefs()->Add("N", ftInteger);
    Customers->GetFieldDefs()->Add("Name", ftString, 20);
    Customers->Open();
    Customers->AppendRecord({"EU", 1, "Ann"});
    Customers->AppendRecord({"US", 1, "Bob"});
    Orders = TMemoryDataSet::Create(Form);
    for (const auto& [Name, Type] : std::vector<std::pair<const char*, TFieldType>>{
             {"Item", ftString}, {"Region", ftString}, {"Number", ftInteger}})
      Orders->GetFieldDefs()->Add(Name, Type, Type == ftString ? 20 : 0);
    for (Integer I = 0; I < Orders->GetFieldDefs()->GetCount(); ++I)
      Orders->GetFieldDefs()->GetItem(I)->CreateField(Orders, Orders);
    auto* Customer = TStringField::Create(Orders);
    Customer->SetFieldName("Customer");
    Customer->SetFieldKind(fkLookup);
    Customer->SetKeyFields("Region;Number");
    Customer->SetLookupDataSet(Customers);
    Customer->SetLookupKeyFields("R;N");
    Customer->SetLookupResultField("Name");
    Customer->SetDataSet(Orders);
    Orders->Open();
    Orders->AppendRecord({"Pen", "EU", 1});
    Orders->AppendRecord({"Ink", "US", 1});
    Orders->First();
    Source = TDataSource::Create(Form);
    Source->SetDataSet(Orders);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv - dgConfirmDeleteKv);
    for (const char* Name : {"Item", "Customer"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  }
  void TearDown() override {
    EXPECT_FALSE(Orders->ControlsDisabled());
    DBGridOnFormTest::TearDown();
  }
  TMemoryDataSet* Customers = nullptr;
  TMemoryDataSet* Orders = nullptr;
  TDataSource* Source = nullptr;
};

TEST_F(DBGridKvTwoKeyLookupTest, ALookupOnTwoKeysIsCopiedAsNoValueAndClearedWhole) {
  EXPECT_EQ(Records(Orders), (std::vector<String>{"Pen|EU|1|Ann", "Ink|US|1|Bob"}));
  SelectRectangle(Grid, 0, 1, 1, 2);
  CopyGridSelectionToClipboard(Grid, false);
  EXPECT_EQ(ClipboardBytes(CF_TEXT), String("Item\tCustomer\r\nPen\tAnn\r\nInk\tBob\0", 32));
  // The exchange format has no single value for two keys: "no value".
  const String Binary = ClipboardBytes(CF_VCLDBIF);
  EXPECT_EQ(Binary.substr(16), String("\5\3\0\0\0Pen\1\5\3\0\0\0Ink\1\0", 19));
  // Clearing the rectangle clears both key fields of each record.
  DeleteGridSelection(Grid, false);
  EXPECT_EQ(Records(Orders), (std::vector<String>{"<null>|<null>|<null>|<null>",
                                                  "<null>|<null>|<null>|<null>"}));
  // Pasting the exchange format writes the items and leaves the keys alone.
  Grid->GetSelection()->Clear();
  Orders->First();
  Grid->SetSelectedIndex(0);
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(Orders), (std::vector<String>{"Pen|<null>|<null>|<null>",
                                                  "Ink|<null>|<null>|<null>"}));
  // Text names the customer: both keys come from the customer found.
  PutClipboardBytes(CF_TEXT, String("Pen\tbob\r\n\0", 10));
  Orders->First();
  PasteGridSelectionFromClipboard(Grid, false);
  EXPECT_EQ(Records(Orders)[0], "Pen|US|1|Bob");
}

}  // namespace
}  // namespace korvel
