// The grid's editing protocol as a user meets it: typing into a cell edits
// the record (or is refused by read-only columns, fields, datasets and
// grids), the editor takes its mask, length and text from the column and the
// field, the text reaches the field when the record posts, key-list columns
// edit keys through their pick-list texts, and the grid's column events and
// menus come in order.
//
// Ideas for tests: lookup columns with a special row for unknown keys, once
// the columns have one; the not-in-list event of pick-list columns.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/controls/Menus.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// The orders grid, focused, on its first record; columns ID, Name, Amount,
// Paid are grid columns 1 to 4.
class DBGridKvEditingTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    Grid->SetFocus();
    ResetMessageBeepCount();
  }
  void TearDown() override {
    ResetPopupScript();
    DBGridWithDataTest::TearDown();
  }
  TInplaceEdit* Editor() { return Grid->GetInplaceEditor(); }
  bool EditorShown() { return Editor() && Editor()->Visible(); }
  void TypeInto(Integer Col, const String& Text) {
    Grid->SetCol(Col);
    Input.Type(Text);
  }
};

TEST_F(DBGridKvEditingTest, TypingEditsTheRecordAndPostingWritesTheText) {
  TypeInto(2, "Q");
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(DataSet->GetState(), dsEdit) << "the first key put the dataset into edit";
  EXPECT_TRUE(Grid->GetDataLink()->GetModified());
  EXPECT_EQ(Editor()->GetText(), "Q");
  Input.Type("ix");
  DataSet->Post();
  EXPECT_EQ(Field("Name")->GetAsString(), "Qix");
  EXPECT_EQ(DataSet->GetState(), dsBrowse);
  // A number column takes digits and refuses letters, with a beep.
  TypeInto(3, "7");
  Input.Type("x");
  EXPECT_EQ(Editor()->GetText(), "7");
  EXPECT_EQ(GetMessageBeepCount(), 1);
  DataSet->Post();
  EXPECT_EQ(Field("Amount")->GetAsFloat(), 7);
}

TEST_F(DBGridKvEditingTest, ReadOnlyColumnsFieldsDatasetsAndGridsRefuseTheFirstKey) {
  const struct {
    const char* Name;
    std::function<void(bool)> Set;
  } Cases[] = {
      {"column", [&](bool On) { Grid->Column(1)->SetReadOnly(On); }},
      {"field", [&](bool On) { Field("Name")->SetReadOnly(On); }},
      {"dataset", [&](bool On) { DataSet->SetReadOnly(On); }},
      {"grid", [&](bool On) { Grid->SetReadOnly(On); }},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Case.Set(true);
    Grid->HideEditor();
    TypeInto(2, "Z");
    EXPECT_EQ(DataSet->GetState(), dsBrowse);
    EXPECT_EQ(Field("Name")->GetAsString(), "Ann");
    EXPECT_FALSE(Grid->CanEditColumn(1));
    Case.Set(false);
  }
  Grid->HideEditor();
  EXPECT_TRUE(Grid->CanEditColumn(1));
  Grid->SetOptions(Grid->GetOptions() - dgEditingKv);
  EXPECT_FALSE(Grid->CanEditColumn(1)) << "editing switched off";
}

TEST_F(DBGridKvEditingTest, TheEditorTakesMaskAndLengthFromColumnOrField) {
  Field("Name")->SetEditMask(">L<llll;0;_");
  EXPECT_EQ(Grid->GetEditMask(2, 1), ">L<llll;0;_") << "the field's mask";
  Grid->Column(1)->SetEditMask("0000;0;_");
  EXPECT_EQ(Grid->GetEditMask(2, 1), "0000;0;_") << "the column's own wins";
  Grid->SetCol(2);
  EXPECT_EQ(Grid->GetEditLimit(), 20) << "the string field's size";
  Grid->SetCol(3);
  EXPECT_EQ(Grid->GetEditLimit(), 0) << "no limit for a number";
  // A key-list column maps its texts: neither mask nor limit.
  Grid->Column(1)->SetEditMask("");
  Grid->Column(1)->GetKeyList()->SetCommaText("Ann,Bob");
  Grid->Column(1)->GetPickList()->SetCommaText("Anna,Bobby");
  EXPECT_EQ(Grid->GetEditMask(2, 1), "");
  Grid->SetCol(2);
  EXPECT_EQ(Grid->GetEditLimit(), 0);
  DataSet->Close();
  EXPECT_EQ(Grid->GetEditMask(2, 1), "") << "nothing without an active link";
}

TEST_F(DBGridKvEditingTest, AKeyListColumnEditsTheKeyThroughItsPickListText) {
  TColumnKv* Name = Grid->Column(1);
  Name->GetKeyList()->SetCommaText("Ann,Bob,Cid");
  Name->GetPickList()->SetCommaText("Anna,Bobby,Cidney,Nobody");
  Grid->SetCol(2);
  Grid->ShowEditor();
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "Anna") << "the pick-list text beside the key";
  // Any key goes: the text is matched to the list, not to the field.
  Editor()->SelectAll();
  Input.Type("Bobby");
  DataSet->Post();
  EXPECT_EQ(Field("Name")->GetAsString(), "Bob") << "the key beside the chosen text";
  // A pick-list entry without a key writes no key (never the earlier one).
  Grid->ShowEditor();
  Editor()->SelectAll();
  Input.Type("Nobody");
  DataSet->Post();
  EXPECT_TRUE(Field("Name")->IsNull());
}

TEST_F(DBGridKvEditingTest, AMemoIsEditableOnlyAsTextAndOtherBlobsNever) {
  DataSet->Close();
  DataSet->GetFieldDefs()->Add("Note", ftMemo);
  DataSet->GetFieldDefs()->Add("Picture", ftBlob);
  DataSet->Open();
  DataSet->AppendRecord({1, "Ann", 1.0, true, "line one\nline two"});
  Grid->SetCol(5);
  Grid->ShowEditor();
  Input.Type("X");
  EXPECT_EQ(DataSet->GetState(), dsBrowse) << "a memo is not text to the grid by default";
  Grid->HideEditor();
  Grid->SetMemoEditing(true);
  Grid->ShowEditor();
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(Editor()->GetText(), "line one\r\nline two") << "line breaks as the editor shows them";
  Editor()->SelectAll();
  Input.Type("X");
  EXPECT_EQ(DataSet->GetState(), dsEdit);
  DataSet->Post();
  EXPECT_EQ(Field("Note")->GetAsString(), "X");
  Grid->SetCol(6);
  Grid->ShowEditor();
  Input.Type("Y");
  EXPECT_EQ(DataSet->GetState(), dsBrowse) << "a picture is never text";
}

TEST_F(DBGridKvEditingTest, TheEditorFollowsAFieldChangedElsewhere) {
  Grid->SetCol(2);
  Grid->ShowEditor();
  ASSERT_EQ(Editor()->GetText(), "Ann");
  DataSet->Edit();
  Field("Name")->SetAsString("Annie");
  EXPECT_EQ(Editor()->GetText(), "Annie");
  EXPECT_EQ(Editor()->GetSelStart(), 5) << "the caret at the end";
  Field("Amount")->SetAsFloat(3);
  EXPECT_EQ(Editor()->GetText(), "Annie") << "another field leaves the editor alone";
  DataSet->Cancel();
  EXPECT_EQ(Editor()->GetText(), "Ann");
}

TEST_F(DBGridKvEditingTest, NoEditorForCheckBoxesWhileLaidOutOrOffTheColumns) {
  Grid->SetCol(4);
  Grid->Column(3)->SetCheckboxes(true);
  Grid->ShowEditor();
  EXPECT_FALSE(EditorShown()) << "a check box is clicked, not typed";
  Grid->Column(3)->SetCheckboxes(false);
  Grid->SetCol(2);
  Grid->ShowEditor();
  EXPECT_TRUE(EditorShown());
  Grid->BeginLayout();
  EXPECT_FALSE(Grid->CanEditShow()) << "not while a layout is held";
  Grid->CancelLayout();
}

TEST_F(DBGridKvEditingTest, MovingAColumnWithTheMouseMovesItAndTellsTheApplication) {
  std::vector<std::pair<Integer, Integer>> Moves;
  Grid->OnColumnMoved = [&](TObject* Sender, Integer From, Integer To) {
    EXPECT_EQ(Sender, Grid);
    Moves.push_back({From, To});
  };
  TColumnKv* Name = Grid->Column(1);
  const TRect From = Grid->CellRect(2, 0);
  const TRect To = Grid->CellRect(4, 0);
  const Integer Y = (From.Top + From.Bottom) / 2;
  Input.MouseDown(mbLeft, Grid->GetHandle(), {(From.Left + From.Right) / 2, Y});
  Input.MouseMove(Grid->GetHandle(), {(To.Left + To.Right) / 2, Y});
  Advance(60);  // the title row is followed on the timer
  Input.MouseUp(mbLeft, Grid->GetHandle(), {(To.Left + To.Right) / 2, Y});
  ASSERT_EQ(Moves.size(), 1u);
  EXPECT_EQ(Moves[0].first, 1) << "data column indexes";
  ASSERT_GT(Moves[0].second, 1);
  EXPECT_EQ(Grid->Column(Moves[0].second), Name) << "the column is where the event says";
  EXPECT_EQ(Grid->GetColWidths(Moves[0].second + 1), Name->GetWidth());
  EXPECT_EQ(Grid->Column(1)->GetField(), Field("Amount"));
}

TEST_F(DBGridKvEditingTest, ARightClickShowsTheColumnsMenuInPlaceOfTheGrids) {
  TPopupMenu* GridMenu = TPopupMenu::Create(Form);
  TPopupMenu* ColumnMenu = TPopupMenu::Create(Form);
  Grid->SetPopupMenu(GridMenu);
  Grid->Column(2)->SetPopupMenu(ColumnMenu);
  const TRect Cell = Grid->CellRect(3, 2);
  const TPoint At{Cell.Left + 5, Cell.Top + 5};
  Input.Click(Grid->GetHandle(), At, mbRight);
  ASSERT_EQ(GetPopupLog().size(), 1u);
  EXPECT_EQ(GetPopupLog()[0].Menu, ColumnMenu);
  EXPECT_EQ(GetPopupLog()[0].PopupComponent, Grid);
  EXPECT_EQ(GetPopupLog()[0].Pos, Grid->ClientToScreen(At));
  // Elsewhere the grid's own.
  const TRect Other = Grid->CellRect(2, 2);
  Input.Click(Grid->GetHandle(), {Other.Left + 5, Other.Top + 5}, mbRight);
  ASSERT_EQ(GetPopupLog().size(), 2u);
  EXPECT_EQ(GetPopupLog()[1].Menu, GridMenu);
}

TEST_F(DBGridKvEditingTest, ARowSizedByTheUserSizesEveryRow) {
  Grid->SetRowLines(2);
  const Integer Before = Grid->GetDefaultRowHeight();
  Grid->SizeRowBy(2, Before + 9);
  EXPECT_EQ(Grid->GetRowHeight(), Before + 9);
  EXPECT_EQ(Grid->GetRowLines(), 0);
  EXPECT_EQ(Grid->GetDefaultRowHeight(), Before + 9);
  EXPECT_EQ(Grid->GetRowHeights(1), Before + 9) << "every data row";
}

TEST_F(DBGridKvEditingTest, TitleTrackingRepaintsTheTitlesOnlyWhenThePressChanges) {
  TDrawingLogOn Log;
  Grid->PaintRecords = true;
  Grid->StartTitleTracking(2);
  UpdateWindow(Grid->GetHandle());
  const TRect Title = Grid->CellRect(2, 0);
  Grid->Drawn.clear();
  Grid->UpdateTitleTracking(Title.Left + 3, Title.Top + 3);
  EXPECT_TRUE(Grid->GetTitlePressed());
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Grid->WasDrawn(2, 0));
  EXPECT_FALSE(Grid->RowDrawn(1));
  Grid->Drawn.clear();
  Grid->UpdateTitleTracking(Title.Left + 5, Title.Top + 4);
  UpdateWindow(Grid->GetHandle());
  EXPECT_TRUE(Grid->Drawn.empty()) << "still pressed: nothing to repaint";
  Grid->UpdateTitleTracking(Title.Left + 3, Title.Bottom + 20);
  EXPECT_FALSE(Grid->GetTitlePressed());
  Grid->StopTracking();
  EXPECT_EQ(Grid->GetTrackingCol(), -1);
  EXPECT_EQ(Grid->GetMouseState(), 0);
}

}  // namespace
}  // namespace korvel
