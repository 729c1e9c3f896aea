// Columns and titles: own values against the defaults of the field, the grid
// and the grid's column defaults; what a form stores; widths and their
// limits; field binding; default fonts; sort marking; copying.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/controls/Menus.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The stored form of one column, as a grid writes it.
String StoredText(TColumnKv* Column) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  TObjectPtr<TWriter> Writer(TWriter::Create(Stream.get()));
  Writer->WriteProperties(Column);
  Writer->FlushBuffer();
  return Stream->GetDataString();
}

TEST(DBGridKvColumnTest, AColumnOutsideAnyGridHasPlainDefaults) {
  ResetWindowSystem();
  TObjectPtr<TCollection> Columns(TCollection::Create(TDBGridColumnKv::StaticClass()));
  auto* Column = static_cast<TColumnKv*>(Columns->Add());
  Column->SetFieldName("Amount");
  EXPECT_EQ(Column->GetGrid(), nullptr);
  EXPECT_EQ(Column->GetColor(), clWindow);
  EXPECT_EQ(Column->GetWidth(), 64);
  EXPECT_EQ(Column->GetAlignment(), taLeftJustify);
  EXPECT_FALSE(Column->GetReadOnly());
  EXPECT_FALSE(Column->GetWordWrap());
  EXPECT_FALSE(Column->GetCheckboxes());
  EXPECT_FALSE(Column->GetAlwaysShowEditButton());
  EXPECT_FALSE(Column->GetToolTips());
  EXPECT_EQ(Column->GetLayout(), tlTop);
  EXPECT_EQ(Column->GetDropDownRows(), 7u);
  EXPECT_EQ(Column->GetNotInKeyListIndex(), -1);
  EXPECT_TRUE(Column->GetVisible());
  EXPECT_TRUE(Column->GetAutoFitColWidth());
  EXPECT_EQ(Column->GetTitle()->GetColor(), clBtnFace);
  EXPECT_EQ(Column->GetTitle()->GetAlignment(), taLeftJustify);
  EXPECT_EQ(Column->GetTitle()->GetCaption(), "Amount");
  EXPECT_EQ(Column->GetTitle()->GetImageIndex(), -1);
  EXPECT_EQ(Column->GetTitle()->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Column->GetDisplayName(), "Amount");
  // Without a grid the title's font is the column's.
  Column->GetFont()->SetSize(14);
  EXPECT_EQ(Column->GetTitle()->GetFont()->GetSize(), 14);
  ResetWindowSystem();
}

class DBGridKvColumnsTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    Amount = Grid->GetColumns()->Add();
    Amount->SetFieldName("Amount");
    Name = Grid->GetColumns()->Add();
    Name->SetFieldName("Name");
  }
  TColumnKv* Amount = nullptr;
  TColumnKv* Name = nullptr;
};

TEST_F(DBGridKvColumnsTest, UnassignedValuesFollowTheFieldAndTheGrid) {
  EXPECT_EQ(Amount->GetField(), Field("Amount"));
  EXPECT_EQ(Amount->GetAlignment(), taRightJustify) << "a number field's alignment";
  EXPECT_EQ(Name->GetAlignment(), taLeftJustify);
  EXPECT_TRUE(Name->GetWordWrap()) << "string fields wrap";
  EXPECT_FALSE(Amount->GetWordWrap());
  Grid->SetColor(clYellow);
  EXPECT_EQ(Amount->GetColor(), clYellow);
  Field("Amount")->SetDisplayLabel("Total");
  EXPECT_EQ(Amount->GetTitle()->GetCaption(), "Total");
  Field("Name")->SetReadOnly(true);
  EXPECT_TRUE(Name->GetReadOnly());
  EXPECT_FALSE(Amount->GetReadOnly());
  Grid->SetReadOnly(true);
  EXPECT_TRUE(Amount->GetReadOnly()) << "a read-only grid makes every column read-only";
  Grid->GetColumnDefValues()->SetToolTips(true);
  Grid->GetColumnDefValues()->SetLayout(tlCenter);
  EXPECT_TRUE(Amount->GetToolTips());
  EXPECT_EQ(Amount->GetLayout(), tlCenter);
  EXPECT_EQ(Amount->GetTitle()->GetColor(), Grid->GetFixedColor());
  TColumnKv* Paid = Grid->GetColumns()->Add();
  Paid->SetFieldName("Paid");
  EXPECT_TRUE(Paid->GetCheckboxes());
}

TEST_F(DBGridKvColumnsTest, AnAssignedValueSurvivesAChangeOfItsDefault) {
  Amount->SetAlignment(taCenter);
  Amount->SetColor(clRed);
  Amount->GetTitle()->SetCaption("Sum");
  Field("Amount")->SetAlignment(taLeftJustify);
  Field("Amount")->SetDisplayLabel("Total");
  Grid->SetColor(clYellow);
  EXPECT_EQ(Amount->GetAlignment(), taCenter);
  EXPECT_EQ(Amount->GetColor(), clRed);
  EXPECT_EQ(Amount->GetTitle()->GetCaption(), "Sum");
  EXPECT_EQ(Name->GetColor(), clYellow);
  // Another field: what the user set stays, the rest follows the new field.
  Amount->SetFieldName("Name");
  EXPECT_EQ(Amount->GetField(), Field("Name"));
  EXPECT_EQ(Amount->GetAlignment(), taCenter);
  EXPECT_EQ(Amount->GetColor(), clRed);
  EXPECT_EQ(Amount->GetTitle()->GetCaption(), "Sum");
  EXPECT_TRUE(Amount->GetWordWrap()) << "a string field's";
  Amount->SetFieldName("Amount");
  // Restoring the defaults lets the column follow again.
  Amount->RestoreDefaults();
  EXPECT_EQ(Amount->GetAlignment(), taLeftJustify);
  EXPECT_EQ(Amount->GetColor(), clYellow);
  EXPECT_EQ(Amount->GetTitle()->GetCaption(), "Total");
}

TEST_F(DBGridKvColumnsTest, OnlyAssignedValuesThatDifferAreStored) {
  const String Plain = StoredText(Amount);
  EXPECT_NE(Plain.find("FieldName = 'Amount'"), String::npos) << Plain;
  EXPECT_EQ(std::count(Plain.begin(), Plain.end(), '='), 1) << "nothing else:" << Plain;
  // The default, assigned: flagged but not stored.
  const Integer Default = Name->GetWidth();
  Name->SetWidth(Default + 7);
  Name->SetWidth(Default);
  EXPECT_TRUE(Name->GetAssignedValues().Contains(cvWidth));
  EXPECT_EQ(StoredText(Name).find("Width"), String::npos) << StoredText(Name);
  Amount->SetColor(Grid->GetColor());
  EXPECT_TRUE(Amount->GetAssignedValues().Contains(cvColor));
  EXPECT_EQ(StoredText(Amount).find("Color"), String::npos);
  // A font is stored once assigned, even one equal to the grid's.
  Amount->SetFont(Grid->GetFont());
  Amount->GetFont()->SetColor(Grid->GetFont()->GetColor());
  Amount->SetCheckboxes(false);
  Amount->GetTitle()->SetColor(clRed);
  Amount->SetWidth(120);
  const String Text = StoredText(Amount);
  for (const char* Part : {"Font.Name = ", "Font.Height = ", "Checkboxes = False",
                           "Title.Color = clRed", "Width = 120"})
    EXPECT_NE(Text.find(Part), String::npos) << Part << " in" << Text;
  EXPECT_EQ(Text.find("Title.Caption"), String::npos);
  EXPECT_EQ(Text.find("Alignment"), String::npos);
}

TEST_F(DBGridKvColumnsTest, SettersThatShowNothingNotifyNothing) {
  Grid->Cols()->Updates.clear();
  Amount->SetAutoDropDown(true);
  Amount->SetDblClickNextVal(true);
  Amount->SetDropDownShowTitles(true);
  Amount->SetDropDownSizing(true);
  Amount->SetToolTips(true);
  Amount->GetTitle()->SetToolTips(true);
  EXPECT_TRUE(Grid->Cols()->Updates.empty());
  EXPECT_TRUE(Amount->GetAutoDropDown());
  EXPECT_TRUE(Amount->GetAssignedValues().Contains(cvTitleToolTips));
  Amount->SetWordWrap(true);
  ASSERT_FALSE(Grid->Cols()->Updates.empty());
  EXPECT_EQ(Grid->Cols()->Updates.front(), Amount) << "the layout that follows reports all";
  Amount->SetWordWrap(true);
  EXPECT_EQ(Grid->Cols()->Updates.size(), 1u) << "an equal assigned value changes nothing";
  Amount->SetVisible(false);
  EXPECT_EQ(Grid->Cols()->Updates.back(), nullptr) << "visibility lays out the whole grid";
}

TEST_F(DBGridKvColumnsTest, RestoreDefaultsClearsEveryFlagAndTheLists) {
  Amount->SetColor(clRed);
  Amount->GetTitle()->SetAlignment(taCenter);
  Amount->GetPickList()->Add("a");
  Amount->GetKeyList()->Add("1");
  Amount->SetButtonStyle(cbsEllipsis);
  Grid->Cols()->Updates.clear();
  Amount->RestoreDefaults();
  EXPECT_TRUE(Amount->GetAssignedValues().Empty());
  EXPECT_EQ(Amount->GetButtonStyle(), cbsAuto);
  EXPECT_EQ(Amount->GetPickList()->GetCount(), 0);
  EXPECT_EQ(Amount->GetKeyList()->GetCount(), 0);
  EXPECT_EQ(Grid->Cols()->Updates.back(), Amount) << "no font was assigned: this column only";
  Amount->GetFont()->SetSize(20);
  Amount->RestoreDefaults();
  EXPECT_EQ(Grid->Cols()->Updates.back(), nullptr) << "a font change may move every row";
  EXPECT_EQ(Amount->GetFont()->GetSize(), Grid->GetFont()->GetSize());
}

TEST_F(DBGridKvColumnsTest, WidthLimitsAgreeInTheSetterAndInTheClamp) {
  Amount->SetWidth(80);
  Amount->SetWidth(-1);
  EXPECT_EQ(Amount->GetWidth(), 80) << "-1 stores nothing";
  Amount->SetMinWidth(50);
  Amount->SetMaxWidth(40);
  EXPECT_EQ(Amount->GetWidth(), 50) << "a new maximum cuts the width, the minimum then holds";
  Amount->SetWidth(60);
  EXPECT_EQ(Amount->GetWidth(), 50);
  // The grid clamps with the same rule, so column and grid column agree.
  EXPECT_EQ(Amount->ClampWidth(60), 50);
  EXPECT_EQ(Amount->ClampWidth(10), 50);
  Amount->SetMinWidth(0);
  EXPECT_EQ(Amount->ClampWidth(60), 40);
  Amount->SetMaxWidth(0);
  EXPECT_EQ(Amount->ClampWidth(600), 600);
  Amount->SetWidth(30);
  Amount->SetMaxWidth(100);
  EXPECT_EQ(Amount->GetWidth(), 30) << "a limit the width keeps to changes nothing";
}

TEST_F(DBGridKvColumnsTest, TheDefaultWidthComesFromTheFieldsDisplayWidth) {
  TEXTMETRIC Metrics;
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Amount->GetFont()->GetHandle());
  GetTextMetrics(DC, &Metrics);
  TSize Zero;
  GetTextExtentPoint32(DC, "0", &Zero);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  const Integer Expected = 10 * (Zero.cx - Metrics.tmOverhang) + Metrics.tmOverhang + 4;
  EXPECT_EQ(Field("Amount")->GetDisplayWidth(), 10);
  EXPECT_EQ(Amount->GetWidth(), Expected);
  Field("Amount")->SetDisplayWidth(3);
  EXPECT_EQ(Amount->GetWidth(), 3 * (Zero.cx - Metrics.tmOverhang) + Metrics.tmOverhang + 4);
  TColumnKv* NoField = Grid->GetColumns()->Add();
  EXPECT_EQ(NoField->GetWidth(), Grid->GetDefaultColWidth());
}

TEST_F(DBGridKvColumnsTest, FieldNamesResolveWithTheFieldsOwnSpellingAndAgainAfterAReset) {
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("aMOUNT");
  EXPECT_EQ(Column->GetField(), Field("Amount"));
  EXPECT_EQ(Column->GetFieldName(), "Amount");
  Column->SetFieldName("Missing");
  EXPECT_EQ(Column->GetField(), nullptr);
  EXPECT_EQ(Column->GetFieldName(), "Missing") << "a user's column keeps its name";
  Grid->GetColumns()->ResetFieldLinks();
  EXPECT_EQ(Amount->GetField(), Field("Amount")) << "looked up again";
}

TEST_F(DBGridKvColumnsTest, AFreedFieldIsForgottenAndAClosedDatasetOffersNone) {
  TField* Paid = Field("Paid");
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName("Paid");
  EXPECT_EQ(Column->GetField(), Paid);
  DataSet->Close();  // the automatic fields go
  EXPECT_EQ(Column->GetField(), nullptr);
  EXPECT_EQ(Column->GetFieldName(), "Paid");
  DataSet->Open();
  EXPECT_EQ(Column->GetField(), Field("Paid"));
}

TEST_F(DBGridKvColumnsTest, FreedMenusAndImageListsAreLetGo) {
  TPopupMenu* Menu = TPopupMenu::Create(Form);
  TCustomImageList* Images = TCustomImageList::Create(Form);
  Amount->SetPopupMenu(Menu);
  Amount->SetImageList(Images);
  FreeObject(Menu);
  FreeObject(Images);
  EXPECT_EQ(Amount->GetPopupMenu(), nullptr);
  EXPECT_EQ(Amount->GetImageList(), nullptr);
}

TEST_F(DBGridKvColumnsTest, UnassignedFontsFollowTheGridQuietly) {
  Grid->Cols()->Updates.clear();
  Grid->GetFont()->SetSize(16);
  Grid->GetFont()->SetColor(clMaroon);
  EXPECT_EQ(Amount->GetFont()->GetSize(), 16);
  EXPECT_EQ(Amount->GetFont()->GetColor(), clMaroon);
  EXPECT_FALSE(Amount->GetAssignedValues().Contains(cvFont));
  for (TCollectionItem* Item : Grid->Cols()->Updates)
    EXPECT_EQ(Item, nullptr) << "following the default is no change of a column";
  Grid->GetTitleFont()->SetStyle({fsBold});
  EXPECT_EQ(Amount->GetTitle()->GetFont()->GetStyle(), TFontStyles{fsBold});
  // The application's change is an assignment.
  Grid->Cols()->Updates.clear();
  Amount->GetFont()->SetSize(9);
  EXPECT_TRUE(Amount->GetAssignedValues().Contains(cvFont));
  ASSERT_FALSE(Grid->Cols()->Updates.empty());
  EXPECT_EQ(Grid->Cols()->Updates.front(), Amount) << "the layout that follows reports all";
  Grid->GetFont()->SetSize(20);
  EXPECT_EQ(Amount->GetFont()->GetSize(), 9);
  Amount->GetTitle()->GetFont()->SetSize(11);
  EXPECT_TRUE(Amount->GetAssignedValues().Contains(cvTitleFont));
  EXPECT_EQ(Grid->Cols()->Updates.back(), nullptr);
}

TEST_F(DBGridKvColumnsTest, AssignCopiesAssignedValuesAndFreezesTheShownOnes) {
  Amount->SetColor(clRed);
  Amount->SetWidth(77);
  Amount->GetTitle()->SetCaption("Sum");
  Amount->SetDisplayFormat("0.00");
  Amount->SetTag(5);
  Amount->SetIncrement(0.5);
  Amount->SetDropDownRows(12);
  Amount->GetPickList()->Add("x");
  Grid->GetColumnDefValues()->SetEndEllipsis(true);
  Name->Assign(Amount);
  EXPECT_EQ(Name->GetFieldName(), "Amount");
  EXPECT_EQ(Name->GetColor(), clRed);
  EXPECT_EQ(Name->GetWidth(), 77);
  EXPECT_EQ(Name->GetTitle()->GetCaption(), "Sum");
  EXPECT_EQ(Name->GetDisplayFormat(), "0.00");
  EXPECT_EQ(Name->GetTag(), 5);
  EXPECT_EQ(Name->GetIncrement(), 0.5L);
  EXPECT_EQ(Name->GetDropDownRows(), 12u);
  EXPECT_EQ(Name->GetPickList()->GetCount(), 1);
  EXPECT_FALSE(Name->GetAssignedValues().Contains(cvAlignment)) << "not assigned in the source";
  EXPECT_TRUE(Name->GetAssignedValues().Contains(cvEndEllipsis)) << "copied as shown";
  Grid->GetColumnDefValues()->SetEndEllipsis(false);
  EXPECT_TRUE(Name->GetEndEllipsis());
  EXPECT_FALSE(Amount->GetEndEllipsis());
  EXPECT_THROW(Name->Assign(Grid->GetTitleFont()), EConvertError);
}

// [SECTION] Sort marking

class DBGridKvSortMarkingTest : public DBGridKvColumnsTest {
 protected:
  void SetUp() override {
    DBGridKvColumnsTest::SetUp();
    Third = Grid->GetColumns()->Add();
    Third->SetFieldName("ID");
  }
  TColumnTitleKv* T(TColumnKv* C) { return C->GetTitle(); }
  std::vector<Integer> Indexes() {
    return {T(Amount)->GetSortIndex(), T(Name)->GetSortIndex(), T(Third)->GetSortIndex()};
  }
  std::vector<TColumnKv*> Marked() {
    std::vector<TColumnKv*> L;
    for (Integer I = 0; I < Grid->GetSortMarkedColumns()->GetCount(); ++I)
      L.push_back(Grid->GetSortMarkedColumns()->GetColumn(I));
    return L;
  }
  TColumnKv* Third = nullptr;
};

TEST_F(DBGridKvSortMarkingTest, ASingleSortGridKeepsOneMarker) {
  T(Amount)->SetSortMarker(smDownKv);
  T(Name)->SetSortMarker(smUpKv);
  EXPECT_EQ(T(Amount)->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{0, 1, 0}));
  EXPECT_EQ(Marked(), std::vector<TColumnKv*>{Name});
  T(Name)->SetSortMarker(smNoneKv);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{0, 0, 0}));
  EXPECT_TRUE(Marked().empty());
}

TEST_F(DBGridKvSortMarkingTest, AMultiSortGridNumbersAndRenumbers) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  T(Name)->SetSortMarker(smDownKv);
  T(Third)->SetSortMarker(smUpKv);
  T(Amount)->SetSortMarker(smDownKv);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{3, 1, 2}));
  EXPECT_EQ(Marked(), (std::vector<TColumnKv*>{Name, Third, Amount}));
  T(Name)->SetSortMarker(smNoneKv);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{2, 0, 1}));
  EXPECT_EQ(Marked(), (std::vector<TColumnKv*>{Third, Amount}));
  Grid->CheckConsistency();
  // An index held by another column swaps; one nobody holds changes nothing.
  T(Third)->SetSortIndex(2);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 2}));
  EXPECT_EQ(Marked(), (std::vector<TColumnKv*>{Amount, Third}));
  T(Third)->SetSortIndex(5);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 2}));
  T(Name)->SetSortIndex(1);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 2})) << "a column needs a marker";
  // Unsorted columns hold no place in the order: 0 is nobody's to swap.
  T(Amount)->SetSortIndex(0);
  T(Third)->SetSortIndex(-3);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 2}));
  EXPECT_EQ(Marked(), (std::vector<TColumnKv*>{Amount, Third}));
  Grid->CheckConsistency();
  // A freed column leaves the list; those after it move up.
  Amount->Free();
  EXPECT_EQ(Marked(), std::vector<TColumnKv*>{Third});
  EXPECT_EQ(T(Third)->GetSortIndex(), 1);
  Grid->CheckConsistency();
  T(Name)->SetSortMarker(smUpKv);
  EXPECT_EQ(T(Name)->GetSortIndex(), 2);
}

TEST_F(DBGridKvSortMarkingTest, NextMarkerCyclesAndClearsTheOthersUnlessKept) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  T(Name)->SetSortMarker(smDownKv);
  T(Amount)->SetNextSortMarkerValue(true);
  EXPECT_EQ(T(Amount)->GetSortMarker(), smDownKv);
  EXPECT_EQ(T(Name)->GetSortMarker(), smDownKv) << "kept";
  T(Amount)->SetNextSortMarkerValue(true);
  EXPECT_EQ(T(Amount)->GetSortMarker(), smUpKv);
  T(Amount)->SetNextSortMarkerValue(true);
  EXPECT_EQ(T(Amount)->GetSortMarker(), smNoneKv);
  T(Amount)->SetSortMarker(smUpKv);
  T(Amount)->SetNextSortMarkerValue(false);
  EXPECT_EQ(T(Amount)->GetSortMarker(), smDownKv) << "up goes round to down";
  EXPECT_EQ(T(Name)->GetSortMarker(), smNoneKv);
  EXPECT_EQ(Indexes(), (std::vector<Integer>{1, 0, 0}));
}

TEST_F(DBGridKvSortMarkingTest, WhileTheColumnsUpdateOnlyValuesAreStoredAndTheListIsRebuiltAfter) {
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  Grid->GetColumns()->BeginUpdate();
  T(Third)->SetSortIndex(1);
  T(Third)->SetSortMarker(smUpKv);
  T(Amount)->SetSortIndex(2);
  T(Amount)->SetSortMarker(smDownKv);
  EXPECT_TRUE(Marked().empty());
  Grid->GetColumns()->EndUpdate();
  EXPECT_EQ(Indexes(), (std::vector<Integer>{2, 0, 1}));
  EXPECT_EQ(Marked(), (std::vector<TColumnKv*>{Third, Amount}));
}

TEST_F(DBGridKvSortMarkingTest, TheMarkingWidthMakesRoomForTheNumberWhenSeveralAreSorted) {
  EXPECT_EQ(T(Amount)->GetSortMarkingWidth(), 0);
  Amount->SetWidth(100);
  T(Amount)->SetSortMarker(smDownKv);
  EXPECT_EQ(T(Amount)->GetSortMarkingWidth(), 16);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgMultiSortMarkingKv);
  T(Name)->SetSortMarker(smDownKv);
  Name->SetWidth(100);
  TFont* Font = SortMarkerFont();
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
  TSize Digit;
  GetTextExtentPoint32(DC, "2", &Digit);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  ASSERT_GT(Digit.cx, 0);
  EXPECT_EQ(T(Name)->GetSortMarkingWidth(), 16 + Digit.cx);
  // A narrow column gives up 14 pixels first, then the number's room.
  Name->SetWidth(16 + Digit.cx + 3);
  EXPECT_EQ(T(Name)->GetSortMarkingWidth(), 2 + Digit.cx);
  Name->SetWidth(5);
  EXPECT_EQ(T(Name)->GetSortMarkingWidth(), 0);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

using namespace kvp;

// An automatic column is the grid's: taking its field away in code, or
// naming another, lays the grid out again, and the column left without a
// field goes, while the others keep showing their fields.
TEST_F(DBGridWithDataTest, AnAutomaticColumnGivenAnotherFieldOrNoneIsLaidOutWithoutHarm) {
  Grid->SetDataSource(Source);
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 4);
  ASSERT_FALSE(Grid->GetColumns()->IsCustomized());
  Grid->Column(1)->SetFieldName("");
  std::vector<String> Shown;
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
    Shown.push_back(Grid->Column(I)->GetFieldName());
  EXPECT_EQ(Shown, (std::vector<String>{"ID", "Name", "Amount", "Paid"}))
      << "the automatic columns are made again from the dataset's fields";
  Grid->Column(2)->SetFieldName("Name");
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
    EXPECT_NE(Grid->Column(I)->GetField(), nullptr) << I;
  Grid->Column(0)->SetField(nullptr);
  EXPECT_EQ(Grid->Column(0)->GetField(), Field("ID"));
}

}  // namespace
}  // namespace korvel
