// A grid's columns in the text form format: only the user's columns and only
// their assigned values are written; what is written reads back equal, also
// when a descendant form is written against its ancestor.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/Streams.h"
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

}  // namespace
}  // namespace korvel
