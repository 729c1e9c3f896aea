// A column's drop-down box as a form designer and a person meet it: its
// settings are stored with the form only where they differ and read back
// equal; a lookup column whose box names a list of its own (another dataset,
// its own columns) drops that list down, searches it and writes its keys;
// the drop-down grid's events reach the application; a freed list source is
// forgotten; and a column copied from another takes its box along.
#include <gtest/gtest.h>

#include <algorithm>

#include "grid/DBLookupGridsKv.h"
#include "platform/classes/Filer.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "tests/grid/TestCellEditing.h"

namespace korvel {
namespace {

using namespace kvp;

// Clients (ID integer, Name string 20, City string 20): 2 Bob Rome,
// 3 Cid Bonn, 4 Dora Oslo. Dora is no customer: only this list has her.
// The clients live apart from the form, as in a data module, so that the
// grid hears of their freeing only because it asked to.
class DBGridKvDropDownBoxTest : public DBGridShopTest {
 protected:
  void SetUp() override {
    DBGridShopTest::SetUp();
    Grid->SetBounds(0, 0, 480, 200);
    Column(cCustomer)->SetWidth(90);
    Grid->SetLeftCol(Grid->DataToRawColumn(cCustomer));
    Data = TComponent::Create(nullptr);
    Clients = TMemoryDataSet::Create(Data);
    Clients->GetFieldDefs()->Add("ID", ftInteger);
    Clients->GetFieldDefs()->Add("Name", ftString, 20);
    Clients->GetFieldDefs()->Add("City", ftString, 20);
    Clients->Open();
    Clients->AppendRecord({2, "Bob", "Rome"});
    Clients->AppendRecord({3, "Cid", "Bonn"});
    Clients->AppendRecord({4, "Dora", "Oslo"});
    Clients->First();
    ClientSource = TDataSource::Create(Data);
    ClientSource->SetName("ClientSource");
    ClientSource->SetDataSet(Clients);
  }
  void TearDown() override {
    FreeAndNil(Data);
    DBGridShopTest::TearDown();
  }
  TColumnDropDownBoxKv* Box() { return Column(cCustomer)->GetDropDownBox(); }
  // The customer column lists the clients in two columns of its own.
  void ListClients() {
    Box()->SetListSource(ClientSource);
    TDBGridColumnsKv* Columns = Box()->GetColumns();
    Columns->Add()->SetFieldName("Name");
    Columns->Add()->SetFieldName("City");
  }
  TPopupDataGridKv* List() { return Column(cCustomer)->FindDataList(); }
  bool Shown() {
    return List() && List()->HandleAllocated() && IsWindowVisible(List()->GetHandle());
  }
  void Open() {
    EditCell(cCustomer);
    Input.KeyPress(VK_DOWN, {ssAlt});
  }
  // The names the open list shows, top to bottom.
  std::vector<String> ShownNames() {
    std::vector<String> Names;
    TPopupDataGridKv* L = List();
    TDataSet* DataSet = L->GetDataSource()->GetDataSet();
    for (Integer Row = L->GetTitleOffset(); Row < L->GetRowCount(); ++Row) {
      L->SetActiveRecordIndex(Row - L->GetTitleOffset());
      Names.push_back(DataSet->FieldByName("Name")->GetAsString());
      L->RestoreActiveRecordIndex();
    }
    return Names;
  }
  // The client point in the middle of the list's cell of data column DataCol
  // on the row showing Name.
  TPoint OnName(const String& Name, Integer DataCol = 0) {
    const std::vector<String> Names = ShownNames();
    for (std::size_t I = 0; I < Names.size(); ++I)
      if (Names[I] == Name) {
        const TRect R = List()->CellRect(List()->GetIndicatorOffset() + DataCol,
                                         List()->GetTitleOffset() + Integer(I));
        return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
      }
    ADD_FAILURE() << Name << " is not shown";
    return {-1, -1};
  }
  TColor PixelAt(TPoint Client) {
    UpdateWindow(List()->GetHandle());
    const TPoint P = List()->ClientToScreen(Client);
    TRect Window;
    GetWindowRect(List()->GetHandle(), &Window);
    return GetWindowSurface(List()->GetHandle())->GetPixel(P.X - Window.Left, P.Y - Window.Top);
  }
  TComponent* Data = nullptr;  // owns the clients and their source
  TMemoryDataSet* Clients = nullptr;
  TDataSource* ClientSource = nullptr;
};

// [SECTION] Defaults and the drop-down grid's settings

TEST_F(DBGridKvDropDownBoxTest, ANewBoxListsTheLookupDatasetAndMakesNoGridUntilAsked) {
  TColumnDropDownBoxKv* B = Box();
  EXPECT_TRUE(B->GetAutoFitColWidths());
  EXPECT_FALSE(B->GetUseMultiTitle());
  EXPECT_EQ(B->GetListSource(), nullptr);
  EXPECT_EQ(B->GetSpecRow(), Column(cCustomer)->GetDropDownSpecRow());
  EXPECT_EQ(Column(cCustomer)->GetDropDownListDataSet(), Customers);
  EXPECT_EQ(List(), nullptr);
  // Options, columns and column defaults are the drop-down grid's own.
  EXPECT_EQ(B->GetOptions(), TDBLookupGridKvOptions{dlgColLinesKv});
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetName(), "DataList");
  B->SetOptions({dlgColLinesKv, dlgRowLinesKv});
  EXPECT_EQ(List()->GetLookupOptions(), (TDBLookupGridKvOptions{dlgColLinesKv, dlgRowLinesKv}));
  EXPECT_TRUE(List()->GetOptions().Contains(dgRowLinesKv));
  EXPECT_EQ(B->GetColumns(), List()->GetColumns());
  EXPECT_EQ(B->GetColumnDefValues(), List()->GetColumnDefValues());
}

TEST_F(DBGridKvDropDownBoxTest, ReadingOrSettingAnEventOfTheDropDownGridMakesThatGrid) {
  EXPECT_FALSE(Column(cCustomer)->GetOnDropDownBoxTitleBtnClick());
  EXPECT_NE(List(), nullptr);
  TColumnKv* Other = Column(cItem);
  Other->SetOnDropDownBoxSortMarkingChanged([](TObject*) {});
  ASSERT_NE(Other->FindDataList(), nullptr);
  EXPECT_TRUE(Other->FindDataList()->OnSortMarkingChanged);
}

// [SECTION] The list a person drops down

TEST_F(DBGridKvDropDownBoxTest, TheBoxsListSourceAndColumnsAreWhatDropsDown) {
  ListClients();
  Open();
  ASSERT_TRUE(Shown());
  EXPECT_EQ(List()->GetDataSource()->GetDataSet(), Clients);
  EXPECT_EQ(ShownNames(), (std::vector<String>{"Bob", "Cid", "Dora"}));
  EXPECT_EQ(List()->GetListRowCount(), 3);
  ASSERT_EQ(List()->GetColumns()->GetCount(), 2);
  EXPECT_EQ(List()->GetColumns()->GetColumn(1)->GetField(), Clients->FieldByName("City"));
  EXPECT_EQ(List()->GetText(), "") << "Ann is not among the clients";
  Input.Click(List()->GetHandle(), OnName("Dora", 1));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(Editor()->GetText(), "Dora");
  Input.KeyPress(VK_RETURN);
  if (Orders->GetState() != dsBrowse) Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 4);
  // Opened again on Dora's order: she is the choice.
  Open();
  EXPECT_EQ(VarToStr(List()->GetKeyValue()), "4");
  EXPECT_EQ(List()->GetText(), "Dora");
}

TEST_F(DBGridKvDropDownBoxTest, TypingIntoTheCellSearchesTheBoxsList) {
  ListClients();
  EditCell(cCustomer);
  Editor()->SelectAll();
  Input.Type("d");
  EXPECT_EQ(Editor()->GetText(), "Dora");
  Input.KeyPress(VK_RETURN);
  if (Orders->GetState() != dsBrowse) Orders->Post();
  EXPECT_EQ(Field("CustID")->GetAsInteger(), 4);
}

TEST_F(DBGridKvDropDownBoxTest, TheBoxDecidesFittingAndMultiLevelTitlesOfTheOpenList) {
  ListClients();
  Column(cCustomer)->SetDropDownShowTitles(true);
  Box()->GetColumns()->GetColumn(0)->GetTitle()->SetCaption("Client|Name");
  Box()->GetColumns()->GetColumn(1)->GetTitle()->SetCaption("Client|City");
  Open();
  EXPECT_TRUE(List()->GetListAutoFitColWidths());
  EXPECT_FALSE(List()->GetUseMultiTitle());
  Input.KeyPress(VK_ESCAPE);
  ASSERT_FALSE(Shown());
  Box()->SetAutoFitColWidths(false);
  Box()->SetUseMultiTitle(true);
  Open();
  ASSERT_TRUE(Shown());
  EXPECT_FALSE(List()->GetListAutoFitColWidths());
  EXPECT_TRUE(List()->GetUseMultiTitle());
  EXPECT_GT(List()->GetRowHeights(0), List()->GetDataRowHeight()) << "two title levels";
}

TEST_F(DBGridKvDropDownBoxTest, AFreedListSourceIsForgottenAndTheLookupDatasetListedAgain) {
  ListClients();
  Box()->GetColumns()->Clear();
  FreeAndNil(ClientSource);
  EXPECT_EQ(Box()->GetListSource(), nullptr);
  EXPECT_EQ(Column(cCustomer)->GetDropDownListDataSet(), Customers);
  Open();
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ShownNames(), (std::vector<String>{"Ann", "Bob", "Cid"}));
  EXPECT_EQ(List()->GetText(), "Ann");
}

// [SECTION] The drop-down grid's events

TEST_F(DBGridKvDropDownBoxTest, TheListsEventsReachTheApplication) {
  ListClients();
  TColumnKv* Customer = Column(cCustomer);
  Customer->SetDropDownShowTitles(true);
  Box()->SetOptions(Box()->GetOptions() + dlgAutoSortMarkingKv);
  Box()->GetColumnDefValues()->GetTitle()->SetTitleButton(true);
  std::vector<String> Calls;
  Customer->SetOnDropDownBoxGetCellParams(
      [&](TObject* Sender, TColumnKv* Col, TFont*, TColor& Background, TGridDrawState) {
        EXPECT_EQ(Sender, List());
        if (Col->GetFieldName() == "City") Background = clYellow;
      });
  Integer Drawn = 0;
  Customer->SetOnDropDownBoxDrawColumnCell(
      [&](TObject*, const TRect&, Integer, TColumnKv*, TGridDrawState) { ++Drawn; });
  Customer->SetOnDropDownBoxCheckButton(
      [&](TObject*, Integer ACol, TColumnKv* Col, bool& Enabled) {
        Calls.push_back("check " + std::to_string(ACol) + " " + Col->GetFieldName());
        Enabled = true;
      });
  Customer->SetOnDropDownBoxTitleBtnClick([&](TObject*, Integer ACol, TColumnKv* Col) {
    Calls.push_back("click " + std::to_string(ACol) + " " + Col->GetFieldName());
  });
  Customer->SetOnDropDownBoxSortMarkingChanged([&](TObject*) { Calls.push_back("sorted"); });
  Open();
  ASSERT_TRUE(Shown());
  // City cells painted in the application's colour, name cells not.
  TPoint City = OnName("Bob", 1);
  EXPECT_EQ(PixelAt({City.X, City.Y - 4}), ColorToRGB(clYellow));
  TPoint Name = OnName("Cid", 0);
  EXPECT_NE(PixelAt({Name.X, Name.Y - 4}), ColorToRGB(clYellow));
  EXPECT_GT(Drawn, 0);
  // A click on the City title: asked, clicked, marked; the list stays open.
  const TRect Title = List()->CellRect(List()->GetIndicatorOffset() + 1, 0);
  Input.Click(List()->GetHandle(), {(Title.Left + Title.Right) / 2, (Title.Top + Title.Bottom) / 2});
  EXPECT_TRUE(Shown());
  ASSERT_FALSE(Calls.empty());
  EXPECT_EQ(Calls.front(), "check 1 City");
  EXPECT_NE(std::find(Calls.begin(), Calls.end(), "click 1 City"), Calls.end());
  EXPECT_EQ(Calls.back(), "sorted");
  EXPECT_EQ(List()->GetColumns()->GetColumn(1)->GetTitle()->GetSortMarker(), smDownKv);
}

// [SECTION] Copying and storing

TEST_F(DBGridKvDropDownBoxTest, ACopiedColumnTakesTheBoxAlongWithItsColumnsOnlyWhenCustomised) {
  ListClients();
  TColumnDropDownBoxKv* B = Box();
  B->SetOptions({dlgRowLinesKv});
  B->SetUseMultiTitle(true);
  B->SetAutoFitColWidths(false);
  B->GetColumnDefValues()->GetTitle()->SetColor(clCream);
  B->GetSpecRow()->SetCellsText("(nobody)");
  B->GetSpecRow()->SetVisible(true);
  TTestDBGrid* Other = MakeGrid("Grid2");
  Other->SetDataSource(Source);
  TColumnKv* Copy = Other->GetColumns()->Add();
  Copy->Assign(Column(cCustomer));
  TColumnDropDownBoxKv* C = Copy->GetDropDownBox();
  EXPECT_EQ(C->GetListSource(), ClientSource);
  EXPECT_EQ(C->GetOptions(), TDBLookupGridKvOptions{dlgRowLinesKv});
  EXPECT_TRUE(C->GetUseMultiTitle());
  EXPECT_FALSE(C->GetAutoFitColWidths());
  EXPECT_EQ(C->GetColumnDefValues()->GetTitle()->GetColor(), clCream);
  EXPECT_EQ(Copy->GetDropDownSpecRow()->GetCellsText(), "(nobody)");
  EXPECT_TRUE(Copy->GetDropDownSpecRow()->GetVisible());
  ASSERT_EQ(C->GetColumns()->GetCount(), 2);
  EXPECT_NE(C->GetColumns()->GetColumn(1), B->GetColumns()->GetColumn(1));
  EXPECT_EQ(C->GetColumns()->GetColumn(1)->GetFieldName(), "City");
  // The copy's list source is watched too.
  FreeAndNil(ClientSource);
  EXPECT_EQ(C->GetListSource(), nullptr);
  // Columns made from the list's fields are not copied: the copy's go.
  B->GetColumns()->Clear();
  B->GetColumns()->AddDefaultColumn()->SetFieldName("Name");
  Copy->Assign(Column(cCustomer));
  EXPECT_FALSE(C->GetColumns()->IsCustomized());
  for (Integer I = 0; I < C->GetColumns()->GetCount(); ++I)
    EXPECT_NE(C->GetColumns()->GetColumn(I)->GetFieldName(), "City");
  // Between two columns that never had a drop-down grid none is made.
  Column(cQty)->Assign(Column(cItem));
  EXPECT_EQ(Column(cQty)->FindDataList(), nullptr);
  EXPECT_EQ(Column(cItem)->FindDataList(), nullptr);
}

class DBGridKvDropDownBoxStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    RegisterClass(TTestDBGrid::StaticClass());
    RegisterClass(TDataSource::StaticClass());
  }
  void TearDown() override {
    for (TComponent* C : Made) FreeObject(C);
    ResetWindowSystem();
  }
  // A form with a data source of clients and a grid of three columns.
  TForm* NewForm() {
    TForm* F = TForm::Create(nullptr);
    Made.push_back(F);
    F->SetName("ShopForm");
    auto* Source = TDataSource::Create(F);
    Source->SetName("ClientSource");
    auto* G = TTestDBGrid::Create(F);
    G->SetName("Grid1");
    G->SetParent(F);
    for (const char* Name : {"Customer", "Item", "Seller"}) G->GetColumns()->Add()->SetFieldName(Name);
    return F;
  }
  static TTestDBGrid* GridOf(TComponent* Form) {
    return static_cast<TTestDBGrid*>(Form->FindComponent("Grid1"));
  }
  std::vector<TComponent*> Made;
};

TEST_F(DBGridKvDropDownBoxStreamingTest, AFormStoresOnlyWhatABoxChangedAndReadsItBack) {
  TForm* F = NewForm();
  TTestDBGrid* G = GridOf(F);
  TColumnDropDownBoxKv* B = G->Column(0)->GetDropDownBox();
  B->SetListSource(static_cast<TDataSource*>(F->FindComponent("ClientSource")));
  B->SetUseMultiTitle(true);
  B->SetAutoFitColWidths(false);
  B->SetOptions({dlgColLinesKv, dlgRowLinesKv});
  B->GetColumns()->Add()->SetFieldName("Name");
  B->GetColumns()->Add()->SetFieldName("City");
  B->GetColumnDefValues()->GetTitle()->SetColor(clCream);
  // The third column's drop-down grid exists, with nothing changed.
  G->Column(2)->GetDataList();
  const String Text = ComponentToText(F);
  for (const char* Part :
       {"DropDownBox.AutoFitColWidths = False", "DropDownBox.ColumnDefValues.Title.Color = clCream",
        "DropDownBox.Columns = <", "FieldName = 'City'", "DropDownBox.ListSource = ClientSource",
        "DropDownBox.Options = [dlgColLinesKv, dlgRowLinesKv]", "DropDownBox.UseMultiTitle = True"})
    EXPECT_NE(Text.find(Part), String::npos) << Part << " in\n" << Text;
  EXPECT_EQ(Text.find("DropDownBox", Text.find("FieldName = 'Item'")), String::npos)
      << "untouched boxes store nothing:\n"
      << Text;
  EXPECT_EQ(G->Column(1)->FindDataList(), nullptr) << "writing the form made no drop-down grid";

  auto* Copy = ReadComponentFromText(Text, nullptr);
  Made.push_back(Copy);
  TTestDBGrid* Read = GridOf(Copy);
  ASSERT_NE(Read, nullptr);
  TColumnDropDownBoxKv* R = Read->Column(0)->GetDropDownBox();
  EXPECT_EQ(R->GetListSource(), Copy->FindComponent("ClientSource"));
  EXPECT_TRUE(R->GetUseMultiTitle());
  EXPECT_FALSE(R->GetAutoFitColWidths());
  EXPECT_EQ(R->GetOptions(), (TDBLookupGridKvOptions{dlgColLinesKv, dlgRowLinesKv}));
  ASSERT_EQ(R->GetColumns()->GetCount(), 2);
  EXPECT_TRUE(R->GetColumns()->IsCustomized());
  EXPECT_EQ(R->GetColumns()->GetColumn(1)->GetFieldName(), "City");
  EXPECT_EQ(R->GetColumnDefValues()->GetTitle()->GetColor(), clCream);
  EXPECT_EQ(ComponentToText(Copy), Text);
  // The read list source is watched like a set one.
  FreeObject(Copy->FindComponent("ClientSource"));
  EXPECT_EQ(R->GetListSource(), nullptr);
}

}  // namespace
}  // namespace korvel
