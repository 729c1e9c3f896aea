// The lookup grid under the keyboard, the mouse, the wheel and the scroll
// bar, its incremental search on the virtual clock, and its height in whole
// rows.
#include "platform/win/Cursors.h"
#include "tests/grid/TestLookupGrid.h"

namespace korvel {

using namespace kvp;

class LookupGridInputTest : public LookupGridTest {
 protected:
  void SetUp() override {
    LookupGridTest::SetUp();
    ListCities();
    Grid->SetFocus();
  }
  Integer Key() { return VarIsNull(Grid->GetKeyValue()) ? 0 : Grid->GetKeyValue().AsInteger(); }
  void ShowSpecRow() {
    Grid->GetSpecRow()->SetCellsText("(none)");
    Grid->GetSpecRow()->SetVisible(true);
  }
};

// [SECTION] Keys

TEST_F(LookupGridInputTest, ArrowsPagesAndEndsChooseRecordsFromTheChosenOne) {
  const Integer Rows = Grid->GetGridDataRowCount();
  ASSERT_GE(Rows, 3);
  Grid->SetKeyValue(Variant(2));
  Input.Wheel(Wnd(), -WHEEL_DELTA, CellCenter(0, 1));  // the list stands elsewhere
  Press(VK_DOWN);
  EXPECT_EQ(Key(), 3);
  Press(VK_RIGHT);
  EXPECT_EQ(Key(), 4);
  Press(VK_UP);
  Press(VK_LEFT);
  EXPECT_EQ(Key(), 2);
  Press(VK_NEXT);
  EXPECT_EQ(Key(), 2 + Rows - 1);
  Press(VK_PRIOR);
  EXPECT_EQ(Key(), 2);
  Press(VK_END);
  EXPECT_EQ(Key(), 12);
  EXPECT_EQ(Grid->GetText(), "Lisbon");
  Press(VK_DOWN);
  EXPECT_EQ(Key(), 12);
  Press(VK_HOME);
  EXPECT_EQ(Key(), 1);
}

// A chosen record scrolled out of the rows is brought back first.
TEST_F(LookupGridInputTest, AKeyFirstBringsBackAChoiceScrolledOutOfTheRows) {
  Grid->SetKeyValue(Variant(2));
  Cities->Last();
  ASSERT_EQ(RowOfCity("Bergen"), -1);
  Press(VK_DOWN);
  EXPECT_EQ(Key(), 2);
  EXPECT_GE(RowOfCity("Bergen"), 0);
  Press(VK_DOWN);
  EXPECT_EQ(Key(), 3);
}

TEST_F(LookupGridInputTest, UpFromTheFirstRecordChoosesTheSpecialRowAndDownLeavesIt) {
  ShowSpecRow();
  Grid->SetKeyValue(Variant(2));
  Press(VK_UP);
  EXPECT_EQ(Key(), 1);
  Press(VK_UP);  // at the first record the list reports its beginning
  EXPECT_TRUE(Grid->GetSpecRow()->Selected);
  EXPECT_TRUE(VarIsNull(Grid->GetKeyValue()));
  EXPECT_EQ(Grid->GetText(), "(none)");
  Press(VK_DOWN);
  EXPECT_FALSE(Grid->GetSpecRow()->Selected);
  EXPECT_EQ(Key(), 1);
  Press(VK_HOME);
  EXPECT_TRUE(Grid->GetSpecRow()->Selected);
  // A page down from the special row starts at the first record.
  Press(VK_NEXT);
  EXPECT_EQ(Key(), 1);
  Press(VK_NEXT);
  EXPECT_EQ(Key(), Grid->GetGridDataRowCount());
  Press(VK_PRIOR);
  Press(VK_PRIOR);
  EXPECT_TRUE(Grid->GetSpecRow()->Selected);
}

TEST_F(LookupGridInputTest, WithAHorizontalBarLeftAndRightScrollInsteadOfChoosing) {
  Grid->SetListField("Name;ID");
  for (Integer I = 0; I < 2; ++I) Grid->GetColumns()->GetColumn(I)->SetWidth(150);
  ASSERT_TRUE(Grid->GetHorzScrollBar()->IsScrollBarShowing());
  Grid->SetKeyValue(Variant(5));
  Press(VK_RIGHT);
  Press(VK_LEFT);
  EXPECT_EQ(Key(), 5);
  Press(VK_DOWN);
  EXPECT_EQ(Key(), 6);
}

TEST_F(LookupGridInputTest, ABrowsingKeyForgetsTheSearchText) {
  Grid->ProcessSearchKey(U'g');
  EXPECT_EQ(Grid->GetSearchText(), "g");
  Press(VK_DOWN);
  EXPECT_EQ(Grid->GetSearchText(), "");
}

TEST_F(LookupGridInputTest, TheGridAsksForArrowsAndCharacters) {
  EXPECT_EQ(Grid->Perform(WM_GETDLGCODE, 0, 0), LRESULT(DLGC_WANTARROWS | DLGC_WANTCHARS));
}

// [SECTION] Incremental search

TEST_F(LookupGridInputTest, TypedLettersFindTheFirstNameThatStartsWithThem) {
  Grid->ProcessSearchKey(U'j');
  EXPECT_EQ(Grid->GetText(), "Jena");
  Advance(500);
  Grid->ProcessSearchKey(U'E');
  Advance(500);
  Grid->ProcessSearchKey(U'n');
  EXPECT_EQ(Grid->GetSearchText(), "jEn");
  EXPECT_EQ(Key(), 10);
  // A letter that leads nowhere changes nothing.
  Grid->ProcessSearchKey(U'x');
  EXPECT_EQ(Grid->GetSearchText(), "jEn");
  EXPECT_EQ(Key(), 10);
  // After a pause the search starts again.
  Advance(2001);
  Grid->ProcessSearchKey(U'c');
  EXPECT_EQ(Grid->GetSearchText(), "c");
  EXPECT_EQ(Grid->GetText(), "Cork");
  // Backspace and Escape forget the text.
  Grid->ProcessSearchKey(Char(8));
  EXPECT_EQ(Grid->GetSearchText(), "");
  Grid->ProcessSearchKey(U'e');
  Grid->ProcessSearchKey(Char(27));
  EXPECT_EQ(Grid->GetSearchText(), "");
}

TEST_F(LookupGridInputTest, ThePauseIsCountedAcrossEveryLookupGrid) {
  auto* Other = TTestLookupGrid::Create(Form);
  Other->SetBounds(250, 10, 200, 120);
  Other->SetParent(Form);
  Other->SetListSource(CitySource);
  Other->SetKeyField("ID");
  Other->SetListField("Name");
  Grid->ProcessSearchKey(U'g');
  Advance(1500);
  Other->ProcessSearchKey(U'h');
  Advance(1500);
  Grid->ProcessSearchKey(U'e');  // 3000 ms after its own last letter, 1500 after the other's
  EXPECT_EQ(Grid->GetSearchText(), "ge");
  EXPECT_EQ(Grid->GetText(), "Genoa");
}

TEST_F(LookupGridInputTest, TheSearchTextKeepsAtMostThirtyTwoCharacters) {
  Cities->Append();
  Cities->FieldByName("ID")->SetAsInteger(13);
  Cities->FieldByName("Name")->SetAsString("Zzzzzzzzzzzzzzzzzzzz");
  Cities->Post();
  Cities->First();
  for (Integer I = 0; I < 20; ++I) Grid->ProcessSearchKey(U'z');
  EXPECT_EQ(Length(Grid->GetSearchText()), 20);
  // Past the field's width nothing matches; the text then stays.
  Grid->ProcessSearchKey(U'z');
  EXPECT_EQ(Length(Grid->GetSearchText()), 20);
  Grid->SetSearchText(String(32, 'z'));
  Grid->ProcessSearchKey(U'z');
  EXPECT_EQ(Length(Grid->GetSearchText()), 32);
}

TEST_F(LookupGridInputTest, ANumberListIsNotSearched) {
  Grid->SetListField("ID");
  Grid->ProcessSearchKey(U'1');
  EXPECT_EQ(Grid->GetSearchText(), "");
  EXPECT_TRUE(VarIsNull(Grid->GetKeyValue()));
}

// [SECTION] Mouse

TEST_F(LookupGridInputTest, APressChoosesTheRowOrTheSpecialRowAndForgetsTheSearch) {
  ShowSpecRow();
  Grid->ProcessSearchKey(U'a');
  Input.Click(Wnd(), CellCenter(0, RowOfCity("Dijon")));
  EXPECT_EQ(Key(), 4);
  EXPECT_EQ(Grid->GetSearchText(), "");
  Input.Click(Wnd(), CellCenter(0, Grid->GetTitleOffset() - 1));
  EXPECT_TRUE(Grid->GetSpecRow()->Selected);
  EXPECT_TRUE(VarIsNull(Grid->GetKeyValue()));
  // The first data row begins right under the special row.
  const TRect First = Grid->CellRect(0, Grid->GetTitleOffset());
  Input.Click(Wnd(), {First.Left + 5, First.Top});
  EXPECT_EQ(Key(), 1);
}

TEST_F(LookupGridInputTest, ADoubleClickOnTheChosenRowCountsBelowTheSpecialRow) {
  ShowSpecRow();
  Input.DoubleClick(Wnd(), CellCenter(0, RowOfCity("Bergen")));
  EXPECT_EQ(Key(), 2);
  EXPECT_EQ(Grid->DoubleClicks, 1);
  Advance(1000);
  Input.DoubleClick(Wnd(), CellCenter(0, Grid->GetTitleOffset() - 1));
  EXPECT_EQ(Grid->DoubleClicks, 1);
}

TEST_F(LookupGridInputTest, DraggingBelowTheGridScrollsTheChoiceOnTheTimer) {
  const Integer Below = Grid->GetClientHeight() + 4;
  Input.MouseDown(mbLeft, Wnd(), CellCenter(0, 0));
  EXPECT_EQ(Key(), 1);
  Input.MouseMove(Wnd(), {20, Below});
  const Integer Last = Grid->GetGridDataRowCount() + 1;
  EXPECT_EQ(Key(), Last);  // the last row shown, then one more
  EXPECT_TRUE(Grid->GetTimerActive());
  EXPECT_EQ(Grid->GetTimerInterval(), 200 - 15 * 5);
  Advance(200 - 15 * 5);
  EXPECT_EQ(Key(), Last + 1);
  Input.MouseUp(mbLeft, Wnd(), {20, Below});
  EXPECT_FALSE(Grid->GetTimerActive());
  const Integer Released = Key();
  Advance(1000);
  EXPECT_EQ(Key(), Released);
}

TEST_F(LookupGridInputTest, DraggingAboveTheGridReachesTheSpecialRow) {
  ShowSpecRow();
  Grid->SetKeyValue(Variant(2));
  Input.MouseDown(mbLeft, Wnd(), CellCenter(0, RowOfCity("Bergen")));
  Input.MouseMove(Wnd(), {20, -2});
  EXPECT_EQ(Key(), 1);
  Advance(200);
  Advance(200);
  EXPECT_TRUE(Grid->GetSpecRow()->Selected);
  Input.MouseUp(mbLeft, Wnd(), {20, -2});
}

TEST_F(LookupGridInputTest, OverTheSpecialRowTheGridLeavesTheCursorAlone) {
  ShowSpecRow();
  const HCURSOR Hand = Screen()->GetCursors(crHandPoint);
  SetCursor(Hand);
  Input.MouseMove(Wnd(), CellCenter(0, Grid->GetTitleOffset() - 1));
  EXPECT_EQ(GetCursor(), Hand);
  Input.MouseMove(Wnd(), CellCenter(0, Grid->GetTitleOffset() + 1));
  EXPECT_EQ(GetCursor(), Screen()->GetCursors(crArrow));
}

// [SECTION] Wheel and scroll bar

TEST_F(LookupGridInputTest, TheWheelScrollsTheListAndKeepsTheChoice) {
  Grid->SetKeyValue(Variant(2));
  const Integer Rows = Grid->GetGridDataRowCount();
  Input.Wheel(Wnd(), -WHEEL_DELTA, CellCenter(0, 1));
  EXPECT_EQ(Cities->FieldByName("ID")->GetAsInteger(), Rows + 1);
  EXPECT_EQ(RowOfCity("Aberdeen"), -1);
  EXPECT_EQ(Key(), 2);
  EXPECT_EQ(Grid->GetText(), "Bergen");
  Input.Wheel(Wnd(), WHEEL_DELTA, CellCenter(0, 1));
  EXPECT_EQ(Cities->FieldByName("ID")->GetAsInteger(), 1);
  EXPECT_EQ(Key(), 2);
}

TEST_F(LookupGridInputTest, AGridWithoutAListLeavesTheWheelToOthers) {
  Grid->SetListSource(nullptr);
  EXPECT_FALSE(Grid->WheelDown());
  Grid->SetListSource(CitySource);
  EXPECT_TRUE(Grid->WheelDown());
}

TEST_F(LookupGridInputTest, TheScrollBarShowsWhereTheListStands) {
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_ALL;
  const Integer Rows = Grid->GetGridDataRowCount();
  ASSERT_TRUE(GetScrollInfo(Wnd(), SB_VERT, &Info));
  EXPECT_EQ(Info.nMax, 11);
  EXPECT_EQ(Integer(Info.nPage), Rows);
  EXPECT_EQ(Info.nPos, 0);
  Grid->SetKeyValue(Variant(12));
  ASSERT_TRUE(GetScrollInfo(Wnd(), SB_VERT, &Info));
  EXPECT_EQ(Info.nPos, 12 - Rows);
  Grid->SetListSource(nullptr);
  ASSERT_TRUE(GetScrollInfo(Wnd(), SB_VERT, &Info));
  EXPECT_EQ(Info.nMax, 2);
}

TEST_F(LookupGridInputTest, TheScrollBarMovesTheListOnly) {
  Grid->UpdateHeightForRows(4);
  Grid->SetKeyValue(Variant(3));
  Grid->ProcessSearchKey(U'c');
  Cities->First();
  const Integer Rows = Grid->GetGridDataRowCount();
  auto Top = [&] {
    Grid->SetActiveRecordIndex(0);
    const Integer Id = Cities->FieldByName("ID")->GetAsInteger();
    Grid->RestoreActiveRecordIndex();
    return Id;
  };
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Grid->GetSearchText(), "");
  EXPECT_EQ(Top(), 2);
  Grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(Top(), 2 + Rows - 1);
  Grid->Perform(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(Top(), 2 + Rows - 2);
  Grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(Top(), 12 - Rows + 1);
  Grid->Perform(WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(Top(), 12 - 2 * Rows + 2);
  Grid->Perform(WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(Top(), 1);
  EXPECT_EQ(Key(), 3);
}

// The released thumb of a list with record numbers leaves the record it was
// dragged to at the top, wherever that is.
TEST_F(LookupGridInputTest, ReleasingTheThumbKeepsTheRecordItWasDraggedTo) {
  auto Top = [&] {
    Grid->SetActiveRecordIndex(0);
    const Integer Id = Cities->FieldByName("ID")->GetAsInteger();
    Grid->RestoreActiveRecordIndex();
    return Id;
  };
  for (Integer Pos : {3, 1, 4, 0}) {
    SCOPED_TRACE(Pos);
    Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, WORD(Pos)), 0);
    EXPECT_EQ(Top(), Pos + 1);
  }
}

// [SECTION] Height and widths

TEST_F(LookupGridInputTest, TheHeightIsAlwaysWholeRows) {
  const Integer Row = Grid->GetDataRowHeight();
  const Integer Extra = Grid->GetBorderExtra();
  Grid->UpdateHeightForRows(0);
  EXPECT_EQ(Grid->GetListRowCount(), 1);
  EXPECT_EQ(Grid->GetHeight(), Row + Extra);
  Grid->UpdateHeightForRows(500);
  EXPECT_EQ(Grid->GetListRowCount(), 100);
  Grid->SetHeight(3 * Row + Extra + Row - 1);
  EXPECT_EQ(Grid->GetListRowCount(), 3);
  EXPECT_EQ(Grid->GetClientHeight(), 3 * Row);
  Grid->SetHeight(2);
  EXPECT_EQ(Grid->GetListRowCount(), 1);
  // Titles and the special row come on top of the rows.
  Grid->UpdateHeightForRows(4);
  Grid->SetShowTitles(true);
  EXPECT_EQ(Grid->GetListRowCount(), 4);
  EXPECT_EQ(Grid->GetClientHeight(), Grid->GetTitleRowHeight() + 4 * Row);
  ShowSpecRow();
  EXPECT_EQ(Grid->GetListRowCount(), 4);
  EXPECT_EQ(Grid->GetClientHeight(), Grid->GetTitleRowHeight() + 5 * Row);
  EXPECT_EQ(Grid->GetDataLink()->GetBufferCount(), 4);
}

TEST_F(LookupGridInputTest, RowLinesAddTheirWidthToEveryRow) {
  Grid->SetLookupOptions({dlgColLinesKv, dlgRowLinesKv});
  EXPECT_TRUE(Grid->GetOptions().Contains(dgRowLinesKv));
  Grid->UpdateHeightForRows(3);
  const Integer Pitch = Grid->GetDefaultRowHeight() + Grid->GetGridLineWidth();
  EXPECT_EQ(Grid->GetDataRowHeight(), Pitch);
  EXPECT_EQ(Grid->GetListRowCount(), 3);
  EXPECT_EQ(Grid->GetClientHeight(), 3 * Pitch + Grid->GetGridLineWidth());
  EXPECT_EQ(Grid->GetDataLink()->GetBufferCount(), 3);
}

TEST_F(LookupGridInputTest, TheColumnsWidthCountsAVisibleColumnsWidthAndEveryColumnsLine) {
  Grid->SetListField("Name;ID");
  Grid->GetColumns()->GetColumn(0)->SetWidth(80);
  Grid->GetColumns()->GetColumn(1)->SetWidth(30);
  const Integer Line = Grid->GetGridLineWidth();
  EXPECT_EQ(Grid->GetColumnsWidth(), 80 + 30 + 2 * Line);
  Grid->GetColumns()->GetColumn(1)->SetVisible(false);
  EXPECT_EQ(Grid->GetColumnsWidth(), 80 + 2 * Line);
}

TEST_F(LookupGridInputTest, FittingTheColumnsOnceFillsTheWidthWithoutAHorizontalBar) {
  Grid->SetListField("Name;ID");
  Grid->GetColumns()->GetColumn(0)->SetWidth(150);
  Grid->GetColumns()->GetColumn(1)->SetWidth(150);
  ASSERT_TRUE(Grid->GetHorzScrollBar()->IsScrollBarShowing());
  Grid->SetListAutoFitColWidths(true);
  EXPECT_FALSE(Grid->GetHorzScrollBar()->IsScrollBarShowing());
  EXPECT_FALSE(
      Grid->GetAutoFitColWidths());  // the fitted widths stay without the grid's own fitting
  const Integer Line = Grid->GetGridLineWidth();
  EXPECT_EQ(Grid->GetColWidths(0) + Grid->GetColWidths(1) + 2 * Line, Grid->GetClientWidth());
  EXPECT_EQ(Grid->GetColumnsWidth(), Grid->GetClientWidth());
}

}  // namespace korvel
