// The lookup grid's binding: which record is the choice, what it shows as
// Text, how the special row stands for a value, and what a choice writes
// into the bound fields.
#include "tests/grid/TestLookupGrid.h"

namespace korvel {

using namespace kvp;

// [SECTION] The choice and its text

TEST_F(LookupGridTest, TheKeysRecordIsHighlightedAndNamedWhereverTheListStands) {
  ListCities();
  Grid->SetKeyValue(Variant(3));
  EXPECT_EQ(Grid->GetText(), "Cork");
  // The list dataset moves; the choice stays with the key.
  Cities->First();
  Repaint();
  const Integer Cork = RowOfCity("Cork");
  ASSERT_GE(Cork, 0);
  EXPECT_EQ(CellBackground(0, Cork), ColorToRGB(clHighlight));
  EXPECT_EQ(CellBackground(0, RowOfCity("Bergen")), ColorToRGB(clWindow));
  EXPECT_EQ(CellBackground(0, RowOfCity("Dijon")), ColorToRGB(clWindow));
  EXPECT_EQ(Grid->GetRow(), Cork);
  EXPECT_TRUE(Grid->GetKeyRowShown());
  // Another key moves the highlight.
  Grid->SetKeyValue(Variant(4));
  Repaint();
  EXPECT_EQ(Grid->GetText(), "Dijon");
  EXPECT_EQ(CellBackground(0, RowOfCity("Dijon")), ColorToRGB(clHighlight));
  EXPECT_EQ(CellBackground(0, RowOfCity("Cork")), ColorToRGB(clWindow));
}

TEST_F(LookupGridTest, AKeyFarDownTheListBringsItsRecordIntoView) {
  ListCities();
  Grid->SetKeyValue(Variant(12));
  Repaint();
  EXPECT_EQ(Grid->GetText(), "Lisbon");
  const Integer Row = RowOfCity("Lisbon");
  ASSERT_GE(Row, 0);
  EXPECT_EQ(CellBackground(0, Row), ColorToRGB(clHighlight));
}

TEST_F(LookupGridTest, WithoutAListFieldTheKeyIsShownAndAnIndexOutOfRangeShowsTheFirstField) {
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID");
  Grid->SetKeyValue(Variant(2));
  EXPECT_EQ(Grid->GetText(), "2");
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Grid->GetColumns()->GetColumn(0)->GetFieldName(), "ID");
  Grid->ListFieldIndex = 5;
  Grid->SetListField("Name;ID");
  EXPECT_EQ(Grid->GetListFieldObject()->GetFieldName(), "Name");
  EXPECT_EQ(Grid->GetText(), "Bergen");
  // The automatic columns are the list fields, in their order.
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Grid->GetColumns()->GetColumn(0)->GetFieldName(), "Name");
  EXPECT_EQ(Grid->GetColumns()->GetColumn(1)->GetFieldName(), "ID");
}

// A key that is not in the list names no record: the text stays empty rather
// than taking the name of the record the list stands on.
TEST_F(LookupGridTest, AKeyNotInTheListHighlightsNothingAndShowsNoText) {
  ListCities();
  Grid->SetKeyValue(Variant(3));
  Grid->SetKeyValue(Variant(99));
  Repaint();
  EXPECT_EQ(Grid->GetText(), "");
  EXPECT_EQ(Cities->FieldByName("ID")->GetAsInteger(), 1);  // the list went to its top
  for (const char* Name : {"Aberdeen", "Bergen", "Cork"})
    EXPECT_EQ(CellBackground(0, RowOfCity(Name)), ColorToRGB(clWindow)) << Name;
  Grid->SetKeyValue(Null());
  EXPECT_EQ(Grid->GetText(), "");
}

TEST_F(LookupGridTest, AKeyOfTheWrongKindIsNotFoundRatherThanRaising) {
  ListCities();
  Grid->SetKeyValue(Variant("not a number"));
  EXPECT_EQ(Grid->GetText(), "");
  EXPECT_FALSE(Grid->GetKeyRowShown());
}

// [SECTION] Special row

TEST_F(LookupGridTest, TheSpecialRowStandsForItsValueAndShowsItsText) {
  ListCities();
  TSpecRowKv* Spec = Grid->GetSpecRow();
  Spec->SetCellsText("(no city);-");
  Spec->SetColor(TColor(0xC0FFFF));
  Spec->SetVisible(true);
  Grid->SetKeyValue(Variant(3));
  Grid->SetKeyValue(Null());
  EXPECT_TRUE(Spec->Selected);
  EXPECT_EQ(Grid->GetText(), "(no city)");
  Repaint();
  // Drawn in the highlight colours below the (hidden) titles, above the list.
  ASSERT_EQ(Grid->GetTitleOffset(), 1);
  const TRect Row = Grid->CellRect(0, 0);
  EXPECT_EQ(Pixel(Row.Right - 3, (Row.Top + Row.Bottom) / 2), ColorToRGB(clHighlight));
  EXPECT_NE(Surface()->FindText("(no city)"), nullptr);
  EXPECT_EQ(CellBackground(0, RowOfCity("Cork")), ColorToRGB(clWindow));
  // Another choice gives the row its own colour back.
  Grid->SetKeyValue(Variant(3));
  Repaint();
  EXPECT_FALSE(Spec->Selected);
  EXPECT_EQ(Pixel(Row.Right - 3, (Row.Top + Row.Bottom) / 2), COLORREF(0xC0FFFF));
  // Text follows ListFieldIndex on the special row.
  Grid->ListFieldIndex = 1;
  Grid->SetKeyValue(Null());
  EXPECT_EQ(Grid->GetText(), "-");
}

TEST_F(LookupGridTest, TheChosenSpecialRowIsFramedAcrossEveryColumn) {
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID");
  Grid->SetListField("Name;ID");
  Grid->GetSpecRow()->SetCellsText("none;0");
  Grid->GetSpecRow()->SetVisible(true);
  Repaint();
  ASSERT_TRUE(Grid->GetSpecRow()->Selected);
  // The dotted frame runs along the row's top edge in both cells.
  const TRect Box = Grid->BoxRect(0, 0, Grid->GetColCount() - 1, 0);
  for (Integer Col = 0; Col < 2; ++Col) {
    const TRect Cell = Grid->CellRect(Col, 0);
    Integer Dark = 0;
    for (Integer X = Cell.Left; X < Cell.Right; ++X)
      if (Pixel(X, Box.Top) != ColorToRGB(clHighlight)) ++Dark;
    EXPECT_GT(Dark, (Cell.Right - Cell.Left) / 4) << "column " << Col;
  }
}

TEST_F(LookupGridTest, AKeyNotInTheListChoosesTheSpecialRowOnlyWhenItShowsForSuch) {
  ListCities();
  TSpecRowKv* Spec = Grid->GetSpecRow();
  Spec->SetCellsText("(other)");
  Spec->SetVisible(true);
  Grid->SetKeyValue(Variant(42));
  EXPECT_TRUE(Spec->Selected);
  EXPECT_EQ(Grid->GetText(), "(other)");
  Spec->SetShowIfNotInKeyList(false);
  Grid->SetKeyValue(Variant(43));
  EXPECT_FALSE(Spec->Selected);
  EXPECT_EQ(Grid->GetText(), "");
  EXPECT_EQ(Cities->FieldByName("ID")->GetAsInteger(), 1);
}

// Showing the special row keeps the rows the grid was sized for.
TEST_F(LookupGridTest, ShowingTheSpecialRowAddsItsHeightAndKeepsTheDataRows) {
  ListCities();
  const Integer Rows = Grid->GetListRowCount();
  const Integer Height = Grid->GetHeight();
  Grid->GetSpecRow()->SetVisible(true);
  EXPECT_EQ(Grid->GetListRowCount(), Rows);
  EXPECT_EQ(Grid->GetHeight(), Height + Grid->GetSpecRowHeight());
  EXPECT_EQ(Grid->GetTitleOffset(), 1);
  EXPECT_EQ(Grid->GetDataLink()->GetBufferCount(), Rows);
  Grid->GetSpecRow()->SetVisible(false);
  EXPECT_EQ(Grid->GetHeight(), Height);
  EXPECT_EQ(Grid->GetTitleOffset(), 0);
}

TEST_F(LookupGridTest, ASpecialCellFollowsTheSpecialRowUntilItIsGivenValuesOfItsOwn) {
  ListCities();
  TSpecRowKv* Spec = Grid->GetSpecRow();
  Spec->SetCellsText("first");
  Spec->SetColor(TColor(0x80FF80));
  auto* Column = static_cast<TDBLookupGridColumnKv*>(Grid->GetColumns()->GetColumn(0));
  TGridColumnSpecCellKv* Cell = Column->GetSpecCell();
  EXPECT_EQ(Cell->GetText(), "first");
  EXPECT_EQ(Cell->GetColor(), TColor(0x80FF80));
  Spec->GetFont()->SetSize(14);
  EXPECT_EQ(Cell->GetFont()->GetSize(), 14);
  EXPECT_FALSE(Cell->GetFontAssigned());
  Spec->SetCellsText("second");
  EXPECT_EQ(Cell->GetText(), "second");
  Cell->SetText("mine");
  Cell->SetColor(clYellow);
  Spec->SetCellsText("third");
  Spec->SetColor(clRed);
  EXPECT_EQ(Cell->GetText(), "mine");
  EXPECT_EQ(Cell->GetColor(), clYellow);
  // Only what was given is stored.
  const TPropInfo* Text = GetPropInfo(Cell, "Text");
  const TPropInfo* Font = GetPropInfo(Cell, "Font");
  ASSERT_TRUE(Text && Font);
  EXPECT_TRUE(IsStoredProp(Cell, Text));
  EXPECT_FALSE(IsStoredProp(Cell, Font));
  // Assign copies what the source shows, its font only when it has its own.
  TObjectPtr<TGridColumnSpecCellKv> Copy(TGridColumnSpecCellKv::Create(nullptr));
  Copy->Assign(Cell);
  EXPECT_EQ(Copy->GetText(), "mine");
  EXPECT_EQ(Copy->GetColor(), clYellow);
  EXPECT_FALSE(Copy->GetFontAssigned());
  Cell->GetFont()->SetSize(20);
  Copy->Assign(Cell);
  EXPECT_TRUE(Copy->GetFontAssigned());
  EXPECT_EQ(Copy->GetFont()->GetSize(), 20);
}

// [SECTION] Bound fields

TEST_F(LookupGridTest, ALookupFieldGivesTheListTheKeyAndTheShownField) {
  BindToPeople();
  EXPECT_TRUE(Grid->GetLookupMode());
  EXPECT_EQ(Grid->GetKeyField(), "ID");
  EXPECT_EQ(Grid->GetListSource()->GetDataSet(), Cities);
  ASSERT_NE(Grid->GetListFieldObject(), nullptr);
  EXPECT_EQ(Grid->GetListFieldObject()->GetFieldName(), "Name");
  EXPECT_EQ(Grid->GetListFields().front()->GetFieldName(), "Name");
  ASSERT_EQ(Grid->GetEditedFields().size(), 1u);
  EXPECT_EQ(Grid->GetEditedFields()[0]->GetFieldName(), "CityID");
  EXPECT_EQ(VarToStr(Grid->GetKeyValue()), "3");
  EXPECT_EQ(Grid->GetText(), "Cork");
  // The list is the lookup field's to define.
  EXPECT_THROW(Grid->SetListSource(CitySource), EDatabaseError);
  try {
    Grid->SetKeyField("Name");
    FAIL() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Property already defined by lookup field");
  }
  // Bound to a plain field the grid leaves lookup mode.
  Grid->SetDataField("CityID");
  EXPECT_FALSE(Grid->GetLookupMode());
  EXPECT_EQ(Grid->GetKeyField(), "");
  EXPECT_EQ(Grid->GetListSource(), nullptr);
}

TEST_F(LookupGridTest, TheKeyFollowsTheBoundRecordAndItsKeyFieldOnly) {
  BindToPeople();
  People->Next();
  EXPECT_EQ(Grid->GetText(), "Essen");
  People->Next();
  EXPECT_TRUE(VarIsNull(Grid->GetKeyValue()));
  EXPECT_EQ(Grid->GetText(), "");
  People->First();
  EXPECT_EQ(Grid->GetText(), "Cork");
  People->Edit();
  People->FieldByName("Name")->SetAsString("Anna");
  EXPECT_EQ(Grid->GetText(), "Cork");
  People->FieldByName("CityID")->SetAsInteger(10);
  EXPECT_EQ(Grid->GetText(), "Jena");
  People->Cancel();
  EXPECT_EQ(Grid->GetText(), "Cork");
}

TEST_F(LookupGridTest, AClickOnARowWritesItsKeyIntoTheBoundRecord) {
  BindToPeople();
  Grid->SetFocus();
  const Integer Row = RowOfCity("Faro");
  ASSERT_GE(Row, 0);
  Input.Click(Wnd(), CellCenter(0, Row));
  EXPECT_EQ(People->GetState(), dsEdit);
  EXPECT_EQ(People->FieldByName("CityID")->GetAsInteger(), 6);
  EXPECT_EQ(People->FieldByName("City")->GetAsString(), "Faro");
  EXPECT_EQ(Grid->GetText(), "Faro");
  EXPECT_EQ(Grid->Clicks, 1);
  People->Post();
  People->First();
  EXPECT_EQ(People->FieldByName("CityID")->GetAsInteger(), 6);
}

TEST_F(LookupGridTest, AReadOnlyBindingChoosesNothing) {
  BindToPeople();
  Grid->GetLookupLink()->SetReadOnly(true);
  Grid->SetFocus();
  Input.Click(Wnd(), CellCenter(0, RowOfCity("Faro")));
  Press(VK_DOWN);
  EXPECT_EQ(People->GetState(), dsBrowse);
  EXPECT_EQ(People->FieldByName("CityID")->GetAsInteger(), 3);
  EXPECT_EQ(Grid->GetText(), "Cork");
}

TEST_F(LookupGridTest, WithoutBoundFieldsAChoiceSetsTheKeyItself) {
  ListCities();
  Grid->SetFocus();
  Input.Click(Wnd(), CellCenter(0, RowOfCity("Bergen")));
  EXPECT_EQ(VarToStr(Grid->GetKeyValue()), "2");
  EXPECT_EQ(Grid->GetText(), "Bergen");
  EXPECT_EQ(Grid->Clicks, 1);
}

// The bound fields go with their dataset; nothing still points at them.
TEST_F(LookupGridTest, ClosingTheBoundDatasetLetsGoOfItsFields) {
  BindToPeople();
  People->Close();
  EXPECT_TRUE(Grid->GetDataFields().empty());
  EXPECT_TRUE(Grid->GetEditedFields().empty());
  EXPECT_FALSE(Grid->GetLookupMode());
  EXPECT_TRUE(VarIsNull(Grid->GetKeyValue()));
  People->Open();
  People->First();
  EXPECT_TRUE(Grid->GetLookupMode());
  EXPECT_EQ(Grid->GetText(), "Cork");
}

TEST_F(LookupGridTest, FreeingTheBoundSourceUnbindsTheGrid) {
  BindToPeople();
  FreeAndNil(PeopleSource);
  EXPECT_EQ(Grid->GetLinkDataSource(), nullptr);
  EXPECT_FALSE(Grid->GetLookupMode());
}

// Two key fields: the key is a pair, found, shown and written as one.
TEST_F(LookupGridTest, APairOfKeyFieldsIsChosenAndWrittenAsOne) {
  auto* Visits = TMemoryDataSet::Create(Form);
  Visits->GetFieldDefs()->Add("CityID", ftInteger);
  Visits->GetFieldDefs()->Add("CityName", ftString, 20);
  Visits->Open();
  Visits->AppendRecord({4, "Dijon"});
  Visits->First();
  auto* VisitSource = TDataSource::Create(Form);
  VisitSource->SetDataSet(Visits);
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID;Name");
  Grid->SetListField("Name");
  Grid->SetLinkDataSource(VisitSource);
  Grid->SetDataField("CityID;CityName");
  EXPECT_EQ(Grid->GetText(), "Dijon");
  Repaint();
  EXPECT_EQ(CellBackground(0, RowOfCity("Dijon")), ColorToRGB(clHighlight));
  Grid->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(Visits->FieldByName("CityID")->GetAsInteger(), 5);
  EXPECT_EQ(Visits->FieldByName("CityName")->GetAsString(), "Essen");
  EXPECT_EQ(Grid->GetText(), "Essen");
  // A pair that is in no record names nothing.
  Visits->FieldByName("CityName")->SetAsString("Paris");
  EXPECT_EQ(Grid->GetText(), "");
}

// [SECTION] Errors

TEST_F(LookupGridTest, TheBindingsMistakesAreReportedInTheirWords) {
  auto Message = [](auto&& Call) -> String {
    try {
      Call();
    } catch (const EDatabaseError& E) {
      return E.GetMessage();
    }
    return "no error";
  };
  // A bound dataset that hangs on the list would go round in circles.
  auto* Linked = TMemoryDataSet::Create(Form);
  Linked->GetFieldDefs()->Add("ID", ftInteger);
  Linked->SetMasterSource(CitySource);
  Linked->Open();
  auto* LinkedSource = TDataSource::Create(Form);
  LinkedSource->SetDataSet(Linked);
  Grid->SetLinkDataSource(LinkedSource);
  Grid->SetListSource(CitySource);
  EXPECT_EQ(Message([&] { Grid->SetKeyField("ID"); }), "Circular datalinks are not allowed");
  Grid->SetLinkDataSource(nullptr);
  // An unknown list field is named with the whole list.
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID");
  EXPECT_EQ(Message([&] { Grid->SetListField("Name;Zip"); }), "Field 'Name;Zip' not found");
  EXPECT_FALSE(Grid->GetListActive());
  // A fixed data source keeps its list.
  Grid->GetLookupLink()->SetDataSourceFixed(true);
  EXPECT_EQ(Message([&] { Grid->SetKeyField("Name"); }), "Operation not allowed in a DBCtrlGrid");
}

// [SECTION] Columns

TEST_F(LookupGridTest, MovingAnAutomaticColumnReordersTheListFieldsAndTheSpecialTexts) {
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID");
  Grid->SetListField("Name;ID");
  Grid->GetSpecRow()->SetCellsText("none;0");
  Grid->GetSpecRow()->SetVisible(true);
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 2);
  ASSERT_FALSE(Grid->GetColumns()->GetColumn(0)->GetStored());
  Grid->GetColumns()->GetColumn(0)->SetIndex(1);
  EXPECT_EQ(Grid->GetListField(), "ID;Name");
  EXPECT_EQ(Grid->GetSpecRow()->GetCellsText(), "0;none");
  EXPECT_EQ(Grid->ListFieldIndex, 1);
  EXPECT_EQ(Grid->GetListFieldObject()->GetFieldName(), "Name");
  // The list dataset keeps its field order.
  EXPECT_EQ(Cities->GetFields()->GetField(0)->GetFieldName(), "ID");
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Grid->GetColumns()->GetColumn(0)->GetFieldName(), "ID");
  EXPECT_FALSE(Grid->GetColumns()->GetColumn(0)->GetStored());
}

TEST_F(LookupGridTest, ASpecialTextWithTheSeparatorSurvivesAColumnMove) {
  Grid->SetListSource(CitySource);
  Grid->SetKeyField("ID");
  Grid->SetListField("Name;ID");
  Grid->GetSpecRow()->SetCellsText("\"a;b\";0");
  Grid->GetColumns()->GetColumn(1)->SetIndex(0);
  EXPECT_EQ(Grid->GetSpecRow()->CellText(0), "0");
  EXPECT_EQ(Grid->GetSpecRow()->CellText(1), "a;b");
}

}  // namespace korvel
