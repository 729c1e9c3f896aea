// A grid's columns in the text form format: only the user's columns and only
// their assigned values are written; what is written reads back equal, also
// when a descendant form is written against its ancestor.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/Streams.h"
#include "platform/db/DataSource.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    RegisterClass(TTestDBGrid::StaticClass());
  }
  void TearDown() override {
    for (TTestDBGrid* G : Made) FreeObject(G);
    ResetWindowSystem();
  }
  TTestDBGrid* NewGrid() {
    TTestDBGrid* G = TTestDBGrid::Create(nullptr);
    G->SetName("Grid1");
    Made.push_back(G);
    return G;
  }
  TTestDBGrid* Read(const String& Text) {
    auto* G = static_cast<TTestDBGrid*>(ReadComponentFromText(Text, nullptr));
    Made.push_back(G);
    return G;
  }
  // Two user columns with a little of everything assigned.
  TTestDBGrid* Sample() {
    TTestDBGrid* G = NewGrid();
    G->SetOptionsKv(G->GetOptionsKv() + dgMultiSortMarkingKv);
    TColumnKv* A = G->GetColumns()->Add();
    A->SetFieldName("Amount");
    A->SetWidth(120);
    A->SetColor(clYellow);
    A->SetAlignment(taCenter);
    A->GetTitle()->SetCaption("Sum|Total");
    A->GetTitle()->GetFont()->SetStyle({fsBold, fsItalic});
    A->GetFont()->SetName("Courier New");
    A->GetFont()->SetColor(clNavy);
    A->SetIncrement(0.25);
    A->GetPickList()->Add("one");
    A->GetPickList()->Add("it's");
    TColumnKv* B = G->GetColumns()->Add();
    B->SetFieldName("Name");
    B->SetVisible(false);
    B->SetMaxWidth(300);
    B->SetToolTips(true);
    B->GetTitle()->SetSortMarker(smUpKv);
    A->GetTitle()->SetSortMarker(smDownKv);
    G->GetColumnDefValues()->GetTitle()->SetColor(clCream);
    return G;
  }
  static String DescendentText(TComponent* Root, TComponent* Ancestor) {
    TObjectPtr<TStringStream> Stream(TStringStream::Create());
    TObjectPtr<TWriter> Writer(TWriter::Create(Stream.get()));
    Writer->WriteDescendent(Root, Ancestor);
    return Stream->GetDataString();
  }
  std::vector<TTestDBGrid*> Made;
};

TEST_F(DBGridKvStreamingTest, UserColumnsRoundTripWithTheirAssignedValuesOnly) {
  TTestDBGrid* Source = Sample();
  const String Text = ComponentToText(Source);
  for (const char* Part : {"Columns = <", "FieldName = 'Amount'", "Width = 120", "Color = clYellow",
                           "Title.Caption = 'Sum|Total'", "Title.Font.Style = [fsBold, fsItalic]",
                           "Font.Name = 'Courier New'", "Increment = 0.25", "Visible = False",
                           "MaxWidth = 300", "ToolTips = True", "SortMarker = smUpKv",
                           "SortIndex = 2", "PickList.Strings = (",
                           "ColumnDefValues.Title.Color = clCream"})
    EXPECT_NE(Text.find(Part), String::npos) << Part << " in\n" << Text;
  for (const char* Absent : {"DropDownRows", "Layout", "WordWrap", "Title.Alignment", "Tag"})
    EXPECT_EQ(Text.find(Absent), String::npos) << Absent << " in\n" << Text;

  TTestDBGrid* Copy = Read(Text);
  EXPECT_EQ(ComponentToText(Copy), Text);
  TColumnKv* A = Copy->Column(0);
  EXPECT_TRUE(A->GetStored());
  EXPECT_EQ(A->GetWidth(), 120);
  EXPECT_EQ(A->GetFont()->GetColor(), clNavy);
  EXPECT_TRUE(A->GetAssignedValues().Contains(cvFont));
  EXPECT_FALSE(A->GetAssignedValues().Contains(cvReadOnly));
  EXPECT_EQ(A->GetPickList()->GetStrings(1), "it's");
  EXPECT_EQ(Copy->GetSortMarkedColumns()->GetCount(), 2);
  EXPECT_EQ(Copy->GetSortMarkedColumns()->GetColumn(0), Copy->Column(1)) << "in SortIndex order";
  Copy->CheckConsistency();
}

TEST_F(DBGridKvStreamingTest, SortIndexesReadWithGapsOrRepeatsAreNumberedAgain) {
  TTestDBGrid* Source = NewGrid();
  for (const char* Name : {"A", "B", "C", "D"}) Source->GetColumns()->Add()->SetFieldName(Name);
  const String Text = ComponentToText(Source);
  // Hand-made: C sorted third with no second, A and D both second, B's
  // number without a marker.
  String Edited = Text;
  auto Mark = [&](const char* Name, const char* Stored) {
    const String Key = String("FieldName = '") + Name + "'";
    const std::size_t At = Edited.find(Key);
    ASSERT_NE(At, String::npos) << Edited;
    Edited.insert(At + Key.size(), String("\n") + Stored);
  };
  Mark("A", "        Title.SortIndex = 2\n        Title.SortMarker = smDownKv");
  Mark("B", "        Title.SortIndex = 1");
  Mark("C", "        Title.SortIndex = 3\n        Title.SortMarker = smUpKv");
  Mark("D", "        Title.SortIndex = 2\n        Title.SortMarker = smUpKv");
  TTestDBGrid* Read = this->Read(Edited);
  std::vector<Integer> Indexes;
  for (Integer I = 0; I < 4; ++I) Indexes.push_back(Read->Column(I)->GetTitle()->GetSortIndex());
  EXPECT_EQ(Indexes, (std::vector<Integer>{1, 0, 3, 2})) << "in their stored order";
  ASSERT_EQ(Read->GetSortMarkedColumns()->GetCount(), 3);
  EXPECT_EQ(Read->GetSortMarkedColumns()->GetColumn(2), Read->Column(2));
  Read->CheckConsistency();
  Read->SetOptionsKv(Read->GetOptionsKv() + dgMultiSortMarkingKv);
  Read->Column(1)->GetTitle()->SetSortMarker(smDownKv);
  EXPECT_EQ(Read->Column(1)->GetTitle()->GetSortIndex(), 4);
  Read->CheckConsistency();
}

TEST_F(DBGridKvStreamingTest, AutomaticColumnsNeverReachTheForm) {
  TTestDBGrid* Grid = NewGrid();
  Grid->LayoutChanged();
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_FALSE(Grid->Column(0)->GetStored());
  EXPECT_EQ(ComponentToText(Grid).find("Columns"), String::npos);
}

TEST_F(DBGridKvStreamingTest, ADescendantStoresItsColumnsOnlyWhereTheyDifferFromItsAncestor) {
  TTestDBGrid* Ancestor = Sample();
  TTestDBGrid* Same = Read(ComponentToText(Ancestor));
  EXPECT_EQ(DescendentText(Same, Ancestor).find("Columns"), String::npos);

  TTestDBGrid* Changed = Read(ComponentToText(Ancestor));
  Changed->Column(1)->SetVisible(true);
  Changed->GetColumns()->Add()->SetFieldName("Paid");
  const String Text = DescendentText(Changed, Ancestor);
  ASSERT_NE(Text.find("Columns = <"), String::npos) << Text;
  // Read over a copy of the ancestor, as an inherited form is read.
  TTestDBGrid* Inherited = Read(ComponentToText(Ancestor));
  ReadComponentText(Text, Inherited);
  EXPECT_EQ(ComponentToText(Inherited), ComponentToText(Changed));
  EXPECT_EQ(Inherited->GetColumns()->GetCount(), 3);
}

TEST_F(DBGridKvStreamingTest, ADescendantWithoutTheAncestorsColumnsStoresAnEmptyList) {
  TTestDBGrid* Ancestor = Sample();
  TTestDBGrid* Plain = NewGrid();
  Plain->LayoutChanged();
  const String Text = DescendentText(Plain, Ancestor);
  ASSERT_NE(Text.find("Columns = <>"), String::npos) << Text;
  TTestDBGrid* Inherited = Read(ComponentToText(Ancestor));
  ReadComponentText(Text, Inherited);
  EXPECT_FALSE(Inherited->GetColumns()->IsCustomized());
  EXPECT_EQ(Inherited->GetColumns()->GetCount(), 1);
}

// A form in code with its dataset and data source, into which a stored form
// holding the grid is read: while the grid reads its columns it has no
// dataset yet, and every width must come back as it was stored.
class DBGridKvFormStreamingTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    RegisterClass(TTestDBGrid::StaticClass());
    Form->SetName("Form1");
    Grid->SetDataSource(Source);
  }
  void TearDown() override {
    if (Other) FreeAndNil(Other);
    DBGridWithDataTest::TearDown();
  }
  // The form's text with its dataset and data source standing for those of
  // the form it is read into.
  String FormText() {
    String Text = ComponentToText(Form);
    for (const char* Name : {"Orders: ", "OrdersSource: "}) {
      const std::size_t At = Text.find(String("object ") + Name);
      EXPECT_NE(At, String::npos) << Text;
      if (At != String::npos) Text.replace(At, 6, "inherited");
    }
    return Text;
  }
  // A second form like the first, its dataset open, without a grid.
  TTestDBGrid* ReadIntoOther(const String& Text) {
    Other = TForm::Create(nullptr);
    Other->SetName("Form1");
    auto* Data = TMemoryDataSet::Create(Other);
    Data->SetName("Orders");
    for (Integer I = 0; I < DataSet->GetFieldDefs()->GetCount(); ++I) {
      const TFieldDef* Def = DataSet->GetFieldDefs()->GetItem(I);
      Data->GetFieldDefs()->Add(Def->GetName(), Def->GetDataType(), Def->GetSize());
    }
    Data->Open();
    for (Integer I = 0; I < DataSet->GetFieldCount(); ++I)
      Data->GetFields()->GetField(I)->SetDisplayWidth(
          DataSet->GetFields()->GetField(I)->GetDisplayWidth());
    auto* Src = TDataSource::Create(Other);
    Src->SetName("OrdersSource");
    Src->SetDataSet(Data);
    ReadComponentText(Text, Other);
    auto* G = static_cast<TTestDBGrid*>(Other->FindComponent("Grid1"));
    EXPECT_NE(G, nullptr);
    return G;
  }
  TForm* Other = nullptr;
};

TEST_F(DBGridKvFormStreamingTest, ColumnWidthsComeBackAsStoredWhileTheGridHasNoDatasetYet) {
  // Default widths from the fields, far from the grid's default width.
  Field("Name")->SetDisplayWidth(20);
  Field("ID")->SetDisplayWidth(4);
  TColumnKv* Name = Grid->GetColumns()->Add();
  Name->SetFieldName("Name");
  TColumnKv* Id = Grid->GetColumns()->Add();
  Id->SetFieldName("ID");
  TColumnKv* Amount = Grid->GetColumns()->Add();
  Amount->SetFieldName("Amount");
  const Integer NameWidth = Name->GetWidth();
  const Integer IdWidth = Id->GetWidth();
  ASSERT_GT(NameWidth, Grid->GetDefaultColWidth() + 20);
  ASSERT_LT(IdWidth, Grid->GetDefaultColWidth() - 20);
  ASSERT_NE(Amount->GetWidth(), Grid->GetDefaultColWidth());
  // A lower limit below the field's width, an upper one above it, and an
  // explicit width equal to the grid's default width.
  Name->SetMinWidth(Grid->GetDefaultColWidth() + 10);
  Id->SetMaxWidth(Grid->GetDefaultColWidth() - 10);
  Amount->SetWidth(Grid->GetDefaultColWidth());
  ASSERT_EQ(Name->GetWidth(), NameWidth);
  ASSERT_EQ(Id->GetWidth(), IdWidth);
  const String Text = FormText();

  TTestDBGrid* Read = ReadIntoOther(Text);
  ASSERT_NE(Read, nullptr);
  ASSERT_EQ(Read->GetDataSet(), Other->FindComponent("Orders"));
  EXPECT_EQ(Read->Column(0)->GetWidth(), NameWidth) << "follows its field";
  EXPECT_FALSE(Read->Column(0)->GetAssignedValues().Contains(cvWidth));
  EXPECT_EQ(Read->Column(1)->GetWidth(), IdWidth) << "follows its field";
  EXPECT_EQ(Read->Column(2)->GetWidth(), Grid->GetDefaultColWidth()) << "as assigned";
  EXPECT_TRUE(Read->Column(2)->GetAssignedValues().Contains(cvWidth));
  for (Integer I = 0; I < 3; ++I)
    EXPECT_EQ(Read->GetColWidths(I + 1), Grid->GetColWidths(I + 1)) << "grid column " << I + 1;
  String Again = ComponentToText(Other);
  for (const char* Name : {"Orders: ", "OrdersSource: "})
    Again.replace(Again.find(String("object ") + Name), 6, "inherited");
  EXPECT_EQ(Again, Text);
}

}  // namespace
}  // namespace korvel
