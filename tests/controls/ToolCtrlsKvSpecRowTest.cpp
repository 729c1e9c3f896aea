// The special row (its cells, its change notifications, the colour and font
// it takes from its owner, what it stores), the field-list routines with
// their errors, the reporting data link and the value list of one field.
//
// Ideas for tests: a special row owned by a grid column (not a control)
// keeps its own colour and font.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/db/DB.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// A panel that owns and publishes a special row, as a lookup control does.
class TSpecRowHost : public TCustomPanel {
  KV_CLASS(TSpecRowHost, TCustomPanel)
 public:
  explicit TSpecRowHost(TComponent* AOwner) : TCustomPanel(AOwner) {}
  TSpecRowKv* GetSpecRow() const { return FSpecRow.get(); }
  void SetSpecRow(TSpecRowKv* Value) { FSpecRow->Assign(Value); }
  KV_PUBLISHED { P.Prop("SpecRow", &TSpecRowHost::GetSpecRow, &TSpecRowHost::SetSpecRow); }

 protected:
  void Construct() override {
    inherited::Construct();
    FSpecRow.reset(TSpecRowKv::Create(this));
  }
  TObjectPtr<TSpecRowKv> FSpecRow;
};

[[maybe_unused]] const bool HostRegistered = [] {
  RegisterClass(TSpecRowHost::StaticClass());
  return true;
}();

std::vector<String> CellsOf(const String& Text) {
  TObjectPtr<TSpecRowKv> Row(TSpecRowKv::Create(nullptr));
  Row->SetCellsText(Text);
  std::vector<String> Cells;
  for (Integer I = 0; I < Row->GetCellCount(); ++I) Cells.push_back(Row->CellText(I));
  return Cells;
}

using V = std::vector<String>;

TEST(ToolCtrlsKvSpecRowCellsTest, CellsAreSplitAtSeparatorsOutsideQuotes) {
  EXPECT_EQ(CellsOf("\"x;y\";z"), (V{"x;y", "z"}));
  EXPECT_EQ(CellsOf("a;;b"), (V{"a", "", "b"}));
  EXPECT_EQ(CellsOf("a;"), (V{"a"}));
  EXPECT_EQ(CellsOf("\x01\x02"
                    "a"),
            (V{"a"}));
  EXPECT_EQ(CellsOf("\"a\"\"b\""), (V{"a\"b"}));
  EXPECT_EQ(CellsOf(" a ;b"), (V{" a ", "b"}));
  EXPECT_EQ(CellsOf("a\tb"), (V{"a", "b"}));
  EXPECT_EQ(CellsOf(";\r\n;x"), (V{"", "", "x"}));
  EXPECT_EQ(CellsOf("\"open"), (V{"open"}));
  EXPECT_EQ(CellsOf(""), V{});
  TObjectPtr<TSpecRowKv> Row(TSpecRowKv::Create(nullptr));
  Row->SetCellsText("one;two");
  EXPECT_EQ(Row->CellText(1), "two");
  EXPECT_EQ(Row->CellText(2), "");
  EXPECT_EQ(Row->CellText(-1), "");
}

// Regression: a zero character inside the text stopped the scanner making
// progress, and it added empty cells without end.
TEST(ToolCtrlsKvSpecRowCellsTest, AZeroCharacterEndsTheCells) {
  EXPECT_EQ(CellsOf(String("a\0b;c", 5)), (V{"a"}));
  EXPECT_EQ(CellsOf(String("\0x", 2)), V{});
}

class ToolCtrlsKvSpecRowTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Host = TSpecRowHost::Create(Form);
    Host->SetName("Host1");
    Host->SetParent(Form);
    Host->SetColor(clYellow);
    Row = Host->GetSpecRow();
    Row->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Row);
      ++Changes;
    };
  }
  TSpecRowHost* Host = nullptr;
  TSpecRowKv* Row = nullptr;
  Integer Changes = 0;
};

TEST_F(ToolCtrlsKvSpecRowTest, Defaults) {
  EXPECT_EQ(Row->GetShortCut(), ShortCut(VK_DELETE, {ssAlt}));
  EXPECT_EQ(Row->GetShortCut(), 32814);
  EXPECT_TRUE(Row->GetShowIfNotInKeyList());
  EXPECT_TRUE(VarIsNull(Row->GetValue()));
  EXPECT_FALSE(Row->GetVisible());
  EXPECT_FALSE(Row->Selected);
  EXPECT_EQ(Row->GetOwner(), Host);
}

TEST_F(ToolCtrlsKvSpecRowTest, EachChangeIsReportedOnceAndUpdatesFoldThem) {
  Row->SetCellsText("a;b");
  Row->SetCellsText("a;b");
  Row->SetVisible(true);
  Row->SetVisible(true);
  Row->SetShowIfNotInKeyList(false);
  Row->SetValue(5);
  Row->SetValue(5);
  Row->SetValue(5.0);  // another type is another value
  Row->SetColor(clRed);
  Row->SetColor(clRed);
  Row->SetShortCut(0);  // a plain field
  EXPECT_EQ(Changes, 6);
  Row->BeginUpdate();
  Row->SetCellsText("c");
  Row->SetValue("x");
  Row->GetFont()->SetSize(14);
  EXPECT_EQ(Changes, 6);
  Row->EndUpdate();
  EXPECT_EQ(Changes, 7);
  TObjectPtr<TSpecRowKv> Other(TSpecRowKv::Create(nullptr));
  Other->SetCellsText("q");
  Other->SetValue(Null());
  Row->Assign(Other.get());
  EXPECT_EQ(Changes, 8);
  EXPECT_EQ(Row->GetCellsText(), "q");
  EXPECT_TRUE(VarIsNull(Row->GetValue()));
}

TEST_F(ToolCtrlsKvSpecRowTest, ColourAndFontFollowTheOwnerUntilTheyAreSet) {
  EXPECT_EQ(Row->GetColor(), clYellow);
  Host->SetColor(clAqua);
  EXPECT_EQ(Row->GetColor(), clAqua);
  Host->GetFont()->SetName("Courier New");
  EXPECT_EQ(Row->GetFont()->GetName(), "Courier New");
  EXPECT_EQ(Changes, 0);  // taking the owner's font is no change of the row's
  const String Plain = ComponentToText(Host);
  EXPECT_EQ(Plain.find("SpecRow.Color"), String::npos);
  EXPECT_EQ(Plain.find("SpecRow.Font"), String::npos);
  EXPECT_EQ(Plain.find("SpecRow.Value"), String::npos);
  Row->SetColor(clLime);
  Host->SetColor(clRed);
  EXPECT_EQ(Row->GetColor(), clLime);
  Row->GetFont()->SetSize(20);
  Host->GetFont()->SetSize(8);
  EXPECT_EQ(Row->GetFont()->GetSize(), 20);
  Row->SetValue(7);
  const String Own = ComponentToText(Host);
  EXPECT_NE(Own.find("SpecRow.Color = clLime"), String::npos);
  EXPECT_NE(Own.find("SpecRow.Font"), String::npos);
  EXPECT_NE(Own.find("SpecRow.Value = 7"), String::npos);
  // Read back into a new control.
  FreeAndNil(Form);
  Form = TForm::Create(nullptr);
  TObjectPtr<TSpecRowHost> Read(static_cast<TSpecRowHost*>(ReadComponentFromText(Own, nullptr)));
  EXPECT_EQ(Read->GetSpecRow()->GetColor(), clLime);
  EXPECT_EQ(Read->GetSpecRow()->GetFont()->GetSize(), 20);
  EXPECT_EQ(Read->GetSpecRow()->GetValue().AsInteger(), 7);
}

TEST_F(ToolCtrlsKvSpecRowTest, AssignTakesTheSourcesColourAndOnlyAnAssignedFont) {
  TSpecRowHost* Other = TSpecRowHost::Create(Form);
  Other->SetParent(Form);
  Other->SetColor(clTeal);
  Other->GetFont()->SetSize(30);
  Row->Assign(Other->GetSpecRow());
  EXPECT_EQ(Row->GetColor(), clTeal);  // the source's colour, now the row's own
  Host->SetColor(clRed);
  EXPECT_EQ(Row->GetColor(), clTeal);
  EXPECT_NE(Row->GetFont()->GetSize(), 30);  // the source's font was only borrowed
  Other->GetSpecRow()->GetFont()->SetSize(31);
  Row->Assign(Other->GetSpecRow());
  EXPECT_EQ(Row->GetFont()->GetSize(), 31);
  // Without an owner control the row keeps its own colour.
  TObjectPtr<TSpecRowKv> Alone(TSpecRowKv::Create(nullptr));
  EXPECT_EQ(Alone->GetColor(), clWindow);
}

// [SECTION] Field lists and data

class ToolCtrlsKvFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DS.reset(TMemoryDataSet::Create(nullptr));
    DS->SetName("Table1");
    DS->GetFieldDefs()->Add("A", ftInteger);
    DS->GetFieldDefs()->Add("B", ftString, 10);
    DS->GetFieldDefs()->Add("C", ftFloat);
    DS->Open();
    DS->AppendRecord({1, "x", 1.5});
    Grid.reset(TComponent::Create(nullptr));
    Grid->SetName("Grid1");
  }
  String ErrorOf(const String& Names) {
    try {
      GetFieldsArray(DS.get(), Grid.get(), Names);
    } catch (const EDatabaseError& E) {
      return E.GetMessage();
    }
    return "no error";
  }
  TObjectPtr<TMemoryDataSet> DS;
  TObjectPtr<TComponent> Grid;
};

TEST_F(ToolCtrlsKvFieldsTest, FieldListsAreResolvedInOrder) {
  TFieldsArrKv Fields = GetFieldsArray(DS.get(), Grid.get(), "C; a ;B");
  ASSERT_EQ(Fields.size(), 3u);
  EXPECT_EQ(Fields[0]->GetFieldName(), "C");
  EXPECT_EQ(Fields[1]->GetFieldName(), "A");
  EXPECT_EQ(Fields[2]->GetFieldName(), "B");
  TObjectPtr<TList> List(TList::Create());
  List->Add(nullptr);
  GetFieldsList(List.get(), DS.get(), Grid.get(), "B;A");
  EXPECT_EQ(List->GetCount(), 3);
  EXPECT_EQ(List->GetItems(1), DS->FieldByName("B"));
  GetFieldsList(nullptr, DS.get(), Grid.get(), "A;B");  // only checks the names
  EXPECT_TRUE(GetFieldsArray(DS.get(), Grid.get(), "").empty());
  EXPECT_EQ(GetFieldsArray(DS.get(), Grid.get(), "A;").size(), 1u);
}

TEST_F(ToolCtrlsKvFieldsTest, BadNamesGiveAClearErrorInTheComponentsName) {
  EXPECT_EQ(ErrorOf("A;X"), "Grid1: Field 'X' not found");
  EXPECT_EQ(ErrorOf("A;;B"), "Grid1: Field name missing in 'A;;B'");
  EXPECT_EQ(ErrorOf(";A"), "Grid1: Field name missing in ';A'");
  EXPECT_EQ(ErrorOf("A; ;B"), "Grid1: Field name missing in 'A; ;B'");
  TObjectPtr<TList> List(TList::Create());
  EXPECT_THROW(GetFieldsList(List.get(), DS.get(), nullptr, "A;Nope"), EDatabaseError);
  EXPECT_EQ(List->GetCount(), 1);  // the fields before the bad name were found
}

TEST_F(ToolCtrlsKvFieldsTest, ValuesAreWrittenToOneOrSeveralFields) {
  DS->Edit();
  SetDataSetFieldValues(DS.get(), "A;B", Null());
  EXPECT_TRUE(DS->FieldByName("A")->IsNull());
  EXPECT_TRUE(DS->FieldByName("B")->IsNull());
  EXPECT_FALSE(DS->FieldByName("C")->IsNull());
  SetDataSetFieldValues(DS.get(), "A", 9);
  EXPECT_EQ(DS->FieldByName("A")->GetAsInteger(), 9);
  SetDataSetFieldValues(DS.get(), "B;A", VarArrayOf({"y", 4}));
  EXPECT_EQ(DS->FieldByName("B")->GetAsString(), "y");
  EXPECT_EQ(DS->FieldByName("A")->GetAsInteger(), 4);
  EXPECT_THROW(SetDataSetFieldValues(DS.get(), "A;Q", Null()), EDatabaseError);
  DS->Post();
}

TEST_F(ToolCtrlsKvFieldsTest, TheDataLinkReportsEveryEvent) {
  TObjectPtr<TDataSource> Source(TDataSource::Create(nullptr));
  Source->SetDataSet(DS.get());
  TObjectPtr<TDataLinkKv> Link(TDataLinkKv::Create());
  std::vector<TDataEvent> Events;
  Link->OnDataEvent = [&Events](TDataEvent E, TDataEventInfo) { Events.push_back(E); };
  Link->SetDataSource(Source.get());
  DS->AppendRecord({2, "y", 2.5});
  DS->Prior();
  DS->Edit();
  DS->FieldByName("A")->SetAsInteger(3);
  DS->Post();
  for (TDataEvent E : {deUpdateState, deDataSetChange, deDataSetScroll, deFieldChange}) {
    SCOPED_TRACE(E);
    EXPECT_NE(std::find(Events.begin(), Events.end(), E), Events.end());
  }
  Link->SetDataSource(nullptr);
}

class ToolCtrlsKvValueListTest : public ToolCtrlsKvFieldsTest {
 protected:
  void SetUp() override {
    ToolCtrlsKvFieldsTest::SetUp();
    DS->Delete();
    for (Integer A : {3, 1, 3, 2}) DS->AppendRecord({A, "r" + IntToStr(A), 0.0});
    auto* Made = TDatasetFieldValueListKv::Create();
    List = TInterfacePtr<IMemTableDataFieldValueListKv>(Made);
    Values = Made;
    Values->SetDataSet(DS.get());
    Values->SetFieldName("A");
  }
  void TearDown() override {
    List = nullptr;
    ToolCtrlsKvFieldsTest::TearDown();
  }
  V Texts() {
    V Out;
    TStrings* S = List->GetValues();
    for (Integer I = 0; I < S->GetCount(); ++I) Out.push_back(S->Get(I));
    return Out;
  }
  TInterfacePtr<IMemTableDataFieldValueListKv> List;
  TDatasetFieldValueListKv* Values = nullptr;
};

TEST_F(ToolCtrlsKvValueListTest, TheDistinctValuesSortedAndBuiltOnlyWhenStale) {
  EXPECT_TRUE(Values->GetDirty());
  EXPECT_EQ(Texts(), (V{"1", "2", "3"}));
  EXPECT_FALSE(Values->GetDirty());
  // Moving through the records changes nothing.
  DS->Prior();
  DS->Prior();
  DS->Next();
  EXPECT_FALSE(Values->GetDirty());
  // A new value, posted, makes the list stale, and it is built again.
  DS->AppendRecord({7, "r7", 0.0});
  EXPECT_TRUE(Values->GetDirty());
  EXPECT_EQ(Texts(), (V{"1", "2", "3", "7"}));
  // So do closing and opening the dataset, and another field.
  DS->Close();
  DS->Open();
  EXPECT_TRUE(Values->GetDirty());
  Values->SetFieldName("B");
  EXPECT_EQ(Texts(), (V{"r1", "r2", "r3", "r7"}));
  Values->SetFieldName("Nope");
  EXPECT_EQ(Texts(), V{});
  EXPECT_TRUE(Values->GetDirty());
  Values->SetDataSet(nullptr);
  EXPECT_EQ(Texts(), V{});
}

// Regression: building the list moved the dataset to its end (every control
// showing it jumped there) and posted a record being edited.
TEST_F(ToolCtrlsKvValueListTest, BuildingTheListLeavesTheDatasetWhereItWas) {
  DS->First();
  DS->Next();
  const Integer Here = DS->GetRecNo();
  EXPECT_EQ(Texts(), (V{"1", "2", "3"}));
  EXPECT_EQ(DS->GetRecNo(), Here);
  DS->Edit();
  DS->FieldByName("A")->SetAsInteger(42);
  DS->AppendRecord({5, "r5", 0.0});  // posts the edit, then appends
  DS->Edit();
  DS->FieldByName("A")->SetAsInteger(99);
  EXPECT_TRUE(Values->GetDirty());
  Texts();
  EXPECT_EQ(DS->GetState(), dsEdit);  // not posted
  EXPECT_EQ(DS->FieldByName("A")->GetAsInteger(), 99);
  DS->Cancel();
  EXPECT_EQ(Texts(), (V{"2", "3", "42", "5"}));  // text order: "42" before "5"
}

// Regression: the values offered went as soon as the dataset went into edit.
TEST_F(ToolCtrlsKvValueListTest, AnEditedDatasetKeepsOfferingTheValuesReadBefore) {
  ASSERT_EQ(Texts(), (V{"1", "2", "3"}));
  DS->Edit();
  DS->FieldByName("A")->SetAsInteger(8);
  EXPECT_EQ(Texts(), (V{"1", "2", "3"}));
  EXPECT_EQ(DS->GetState(), dsEdit);  // neither posted nor moved
  EXPECT_EQ(DS->FieldByName("A")->GetAsInteger(), 8);
  DS->Append();
  EXPECT_EQ(Texts(), (V{"1", "2", "3"}));
  DS->FieldByName("A")->SetAsInteger(9);
  DS->Post();                                   // browsing again: read anew
  EXPECT_EQ(Texts(), (V{"1", "3", "8", "9"}));  // the last record's 2 became 8
}

}  // namespace
}  // namespace korvel
