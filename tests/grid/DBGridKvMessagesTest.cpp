// The data-aware grid's messages as its user meets them: tips over clipped
// cells, titles and footers (lying exactly over the cut text) and their
// pause, the standard edit actions (enabled as the clipboard keys would run,
// run only by the focused grid), both scroll bars' thumbs, a cancelled mouse
// mode, focus leaving and coming back with the input method and keyboard
// layout, the flat border inside the window, the parent's font and colour,
// column and row sizing borders, the design-time title border, dropping
// multi-select, the aggregate list's full passes, the wheel over an open
// drop-down, a child's notifications.
//
// Ideas for tests: a tip over a word-wrapped cell; a tip over a multi-level
// or vertical title.
#include <gtest/gtest.h>

#include "grid/DBGridKv.h"
#include "platform/classes/Actions.h"
#include "platform/controls/Forms.h"
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

// The grid with its clipboard commands logged, and its editor shown as a
// real grid shows it.
class TMessagesGrid : public TTestDBGrid {
  KV_CLASS(TMessagesGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  std::vector<String> Commands;
  void CopySelectionToClipboard() override { Commands.push_back("copy"); }
  void CutSelectionToClipboard() override { Commands.push_back("cut"); }
  void PasteSelectionFromClipboard() override { Commands.push_back("paste"); }
  void DeleteSelection() override { Commands.push_back("delete"); }
  void ShowCellEditor() override { TCustomDBGridKv::ShowCellEditor(); }
};

// Five orders (ID, Name, Amount, Paid) in a grid of 400 x 200 pixels on a
// shown form, with an edit beside it to take the focus away.
class DBGridKvMessagesTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grids.clear();
    Grid->Free();
    MGrid = TMessagesGrid::Create(Form);
    Grid = MGrid;
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    Other = TEdit::Create(Form);
    Other->SetBounds(410, 10, 60, 20);
    Other->SetParent(Form);
  }
  void Open() {
    for (const char* Name : {"ID", "Name", "Amount", "Paid"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->SetDataSource(Source);
    Grid->SetFocus();
    UpdateWindow(Grid->GetHandle());
  }
  HWND H() { return Grid->GetHandle(); }
  THintWindow* TipShown() {
    THintWindow* W = Application()->GetHintWindow();
    return W && W->HandleAllocated() && IsWindowVisible(W->GetHandle()) ? W : nullptr;
  }
  // Moves the mouse into the cell and waits the application's pause.
  THintWindow* HoverCell(Integer Col, Integer Row, Integer Dx = 5) {
    const TRect R = Grid->CellRect(Col, Row);
    Input.MouseMove(H(), {R.Left + Dx, R.Top + 3});
    Advance(Application()->GetHintPause() + 10);
    return TipShown();
  }
  // The pause the grid asks for at a cell.
  Integer PauseAt(Integer Col, Integer Row) {
    const TRect R = Grid->CellRect(Col, Row);
    Input.MouseMove(H(), {R.Left + 4, R.Top + 3});
    Integer Pause = 777;
    Grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&Pause));
    return Pause;
  }
  // Where Text is written in Wnd (inside Area of its surface), as a
  // rectangle on the screen; cut at the edges of what it is written in.
  TRect TextOnScreen(HWND Wnd, const TRect& Area, const String& Text) {
    TSurface* Surface = GetWindowSurface(Wnd);
    TRect Window;
    GetWindowRect(Wnd, &Window);
    for (const TDrawRecord* R : Surface->TextsAt(Area))
      if (R->Text == Text) {
        TRect Found = R->Rect;
        OffsetRect(Found, Window.Left, Window.Top);
        return Found;
      }
    ADD_FAILURE() << "\"" << Text << "\" is not written";
    return TRect{};
  }
  // The text of a cell as the grid paints it now.
  TRect CellTextOnScreen(Integer Col, Integer Row, const String& Text) {
    GetWindowSurface(H())->SetRecording(true);
    GetWindowSurface(H())->ClearRecords();
    Grid->Invalidate();
    UpdateWindow(H());
    TRect FormRect, Cell = Grid->CellRect(Col, Row);
    GetWindowRect(Form->GetHandle(), &FormRect);
    const TPoint Origin = Grid->ClientToScreen({0, 0});
    OffsetRect(Cell, Origin.X - FormRect.Left, Origin.Y - FormRect.Top);
    return TextOnScreen(Form->GetHandle(), Cell, Text);
  }
  // The text of a tip as it paints it.
  TRect TipTextOnScreen(THintWindow* Tip, const String& Text) {
    TSurface* Surface = GetWindowSurface(Tip->GetHandle());
    Surface->SetRecording(true);
    Surface->ClearRecords();
    RedrawWindow(Tip->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return TextOnScreen(Tip->GetHandle(), {0, 0, 10000, 10000}, Text);
  }
  void LeaveGrid() {
    Input.MouseMove(Other->GetHandle(), {2, 2});
    Advance(100);
  }
  TMessagesGrid* MGrid = nullptr;
  TEdit* Other = nullptr;
};

// [SECTION] Tool tips

TEST_F(DBGridKvMessagesTest, AClippedTitleShowsItsWholeCaptionAndAShortOneNone) {
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(50);
  Name->GetTitle()->SetToolTips(true);
  Name->GetTitle()->SetCaption("The customer's full name");
  Grid->Column(2)->GetTitle()->SetToolTips(true);  // "Amount" fits
  UpdateWindow(H());
  EXPECT_EQ(HoverCell(3, 0), nullptr);
  LeaveGrid();
  const TRect InCell = CellTextOnScreen(2, 0, "The customer's full name");
  THintWindow* Tip = HoverCell(2, 0);
  ASSERT_NE(Tip, nullptr);
  EXPECT_EQ(Tip->GetCaption(), "The customer's full name");
  EXPECT_EQ(Tip->ClassType(), dbgrid::TToolTipsWindow::StaticClass());
  const TRect InTip = TipTextOnScreen(Tip, "The customer's full name");
  EXPECT_EQ(InTip.Left, InCell.Left) << "over the caption";
  EXPECT_EQ(InTip.Top, InCell.Top);
  LeaveGrid();
  // With Ctrl held no tip comes.
  Input.KeyDown(VK_CONTROL);
  EXPECT_EQ(HoverCell(2, 0, 7), nullptr);
  Input.KeyUp(VK_CONTROL);
}

TEST_F(DBGridKvMessagesTest, ATitlesOwnHintShowsAsAHintOverTheTitle) {
  Open();
  Grid->SetShowHint(true);
  Grid->Column(0)->GetTitle()->SetHint("Order number|The number the order was filed under");
  Grid->Column(0)->GetTitle()->SetToolTips(true);
  EXPECT_EQ(PauseAt(1, 0), 777) << "a hint waits the application's pause";
  THintWindow* Tip = HoverCell(1, 0);
  ASSERT_NE(Tip, nullptr);
  EXPECT_EQ(Tip->GetCaption(), "Order number");
  EXPECT_NE(Tip->ClassType(), dbgrid::TToolTipsWindow::StaticClass());
}

TEST_F(DBGridKvMessagesTest, AFooterShowsItsCutValueInATipAndARightAlignedValueThatFitsNone) {
  Grid->SetFooterRowCount(1);
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(50);
  Name->GetFooter()->SetValueType(fvtStaticText);
  Name->GetFooter()->SetValue("Five customers in all");
  Name->GetFooter()->SetToolTips(true);
  TColumnKv* Amount = Grid->Column(2);
  Amount->GetFooter()->SetValueType(fvtStaticText);
  Amount->GetFooter()->SetValue("143.5");
  Amount->GetFooter()->SetAlignment(taRightJustify);
  Amount->GetFooter()->SetToolTips(true);
  UpdateWindow(H());
  const Integer Footer = Grid->GetRowCount();  // the first contra row
  EXPECT_EQ(PauseAt(2, Footer), 0) << "a footer with tips shows them at once";
  EXPECT_EQ(PauseAt(1, Footer), 777) << "the ID column's footer has none";
  THintWindow* Tip = HoverCell(2, Footer);
  ASSERT_NE(Tip, nullptr);
  EXPECT_EQ(Tip->GetCaption(), "Five customers in all");
  LeaveGrid();
  EXPECT_EQ(HoverCell(3, Footer), nullptr);
  // A footer without tips shows none, cut or not.
  LeaveGrid();
  Name->GetFooter()->SetToolTips(false);
  EXPECT_EQ(HoverCell(2, Footer, 6), nullptr);
}

TEST_F(DBGridKvMessagesTest, ACheckBoxWithoutNamesForItsStatesShowsNoTip) {
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Paid = Grid->Column(3);
  Paid->SetCheckboxes(true);
  Paid->SetToolTips(true);
  UpdateWindow(H());
  EXPECT_EQ(PauseAt(4, 1), 0);
  EXPECT_EQ(HoverCell(4, 1), nullptr) << "an empty pick list names no state";
  LeaveGrid();
  Paid->GetPickList()->Add("Unpaid");  // names only the first state
  THintWindow* Tip = HoverCell(4, 2, 6);  // record 2 is unpaid
  ASSERT_NE(Tip, nullptr);
  EXPECT_EQ(Tip->GetCaption(), "Unpaid");
  LeaveGrid();
  EXPECT_EQ(HoverCell(4, 1, 7), nullptr) << "record 1 is paid: no name for its state";
}

// The tip lies exactly over the cut text: its letters where the cell's are
// (the cell's start, end or middle, as the text is aligned), with and
// without the flat look.
TEST_F(DBGridKvMessagesTest, ATipsTextLiesExactlyOverTheCutTextOfTheCell) {
  const String Long = "Annabel Lee by sea";
  Open();
  Grid->SetShowHint(true);
  DataSet->First();
  DataSet->Edit();
  Field("Name")->SetAsString(Long);
  DataSet->Post();
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(60);
  Name->SetToolTips(true);
  struct TCase {
    TAlignment Alignment;
    bool Flat;
    bool RightToLeft;
    TTextLayout Layout;  // in rows 20 pixels higher
  } Cases[] = {{taLeftJustify, false, false, tlTop},  {taRightJustify, false, false, tlTop},
               {taCenter, false, false, tlTop},       {taLeftJustify, true, false, tlTop},
               {taRightJustify, true, false, tlTop},  {taCenter, true, false, tlTop},
               {taLeftJustify, false, true, tlTop},   {taRightJustify, true, true, tlTop},
               {taLeftJustify, false, false, tlCenter}, {taCenter, true, false, tlBottom}};
  const Integer Row = Grid->GetTitleOffset();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << "alignment " << C.Alignment << (C.Flat ? " flat" : "")
                                    << (C.RightToLeft ? " right to left" : "") << " layout "
                                    << C.Layout);
    LeaveGrid();
    SysLocale.MiddleEast = C.RightToLeft;
    Grid->SetBiDiMode(C.RightToLeft ? bdRightToLeft : bdLeftToRight);
    Grid->SetFlat(C.Flat);
    Grid->SetRowHeight(C.Layout == tlTop ? 0 : 20);
    Name->SetWordWrap(false);
    Name->SetLayout(C.Layout);
    Name->SetAlignment(C.Alignment);
    const TRect InCell = CellTextOnScreen(2, Row, Long);
    THintWindow* Tip = HoverCell(2, Row, C.Flat ? 6 : 5);
    ASSERT_NE(Tip, nullptr);
    const TRect InTip = TipTextOnScreen(Tip, Long);
    EXPECT_GT(InTip.Width(), InCell.Width()) << "the whole text";
    EXPECT_EQ(InTip.Top, InCell.Top);
    // Right to left, a text aligned to the column's start stands at the
    // cell's right.
    const bool AtLeft = (C.Alignment == taLeftJustify) != C.RightToLeft;
    switch (C.Alignment == taCenter ? taCenter : AtLeft ? taLeftJustify : taRightJustify) {
      case taLeftJustify:
        EXPECT_EQ(InTip.Left, InCell.Left);
        break;
      case taRightJustify:
        EXPECT_EQ(InTip.Right, InCell.Right);
        break;
      case taCenter:
        EXPECT_NEAR(InTip.Left + InTip.Right, InCell.Left + InCell.Right, 1);
        break;
    }
  }
}

// The application's cell parameters decide the tip as they decide the cell:
// a text it lengthens gets a tip, one it shortens none.
TEST_F(DBGridKvMessagesTest, TheTipShowsTheTextTheApplicationGivesTheCell) {
  Open();
  Grid->SetShowHint(true);
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(60);
  Name->SetToolTips(true);
  Name->SetOnGetCellParams([&](TObject*, bool, TColCellParamsKv* Params) {
    if (Params->GetText() == "Ann") Params->SetText("Ann, our first customer");
    if (Params->GetText() == "Cid the long-named") Params->SetText("Cid");
  });
  auto SetName = [&](const char* Value) {
    DataSet->Edit();
    Field("Name")->SetAsString(Value);
    DataSet->Post();
  };
  SetName("Bob who is long");  // record 1
  DataSet->Next();
  SetName("Ann");  // record 2
  DataSet->Next();
  SetName("Cid the long-named");  // record 3
  UpdateWindow(H());
  const Integer Row = Grid->GetTitleOffset();
  THintWindow* Tip = HoverCell(2, Row + 1);
  ASSERT_NE(Tip, nullptr);
  EXPECT_EQ(Tip->GetCaption(), "Ann, our first customer");
  LeaveGrid();
  EXPECT_NE(HoverCell(2, Row, 6), nullptr) << "a long name left as it is";
  LeaveGrid();
  EXPECT_EQ(HoverCell(2, Row + 2, 7), nullptr);
}

// The buttons a column always shows are no part of its text: no tip over
// them, at either side.
TEST_F(DBGridKvMessagesTest, NoTipShowsOverTheButtonsACellAlwaysShows) {
  Open();
  Grid->SetShowHint(true);
  DataSet->First();
  DataSet->Edit();
  Field("Name")->SetAsString("Annabel Lee by sea");
  DataSet->Post();
  TColumnKv* Name = Grid->Column(1);
  Name->SetWidth(70);
  Name->SetToolTips(true);
  Name->SetButtonStyle(cbsEllipsis);
  Name->SetAlwaysShowEditButton(true);
  const Integer Row = Grid->GetTitleOffset();
  for (bool RightToLeft : {false, true}) {
    SCOPED_TRACE(RightToLeft ? "right to left" : "left to right");
    SysLocale.MiddleEast = RightToLeft;
    Grid->SetBiDiMode(RightToLeft ? bdRightToLeft : bdLeftToRight);
    UpdateWindow(H());
    const TRect Cell = Grid->CellRect(2, Row);
    const Integer Buttons = Name->EditButtonsWidth();
    ASSERT_GT(Buttons, 0);
    const Integer OverButtons = RightToLeft ? 3 : Cell.Width() - 3;
    const Integer OverText = RightToLeft ? Cell.Width() - 8 : 8;
    LeaveGrid();
    EXPECT_EQ(HoverCell(2, Row, OverButtons), nullptr);
    LeaveGrid();
    EXPECT_NE(HoverCell(2, Row, OverText), nullptr);
  }
}

// [SECTION] Edit actions

TEST_F(DBGridKvMessagesTest, EditActionsFollowTheSwitchesTheSelectionAndTheFocus) {
  Open();
  TActionList* Actions = TActionList::Create(Form);
  auto Make = [&](TEditAction* Action) {
    Action->SetActionList(Actions);
    return Action;
  };
  TEditAction* Copy = Make(TEditCopy::Create(Form));
  TEditAction* Cut = Make(TEditCut::Create(Form));
  TEditAction* Paste = Make(TEditPaste::Create(Form));
  TEditAction* SelectAll = Make(TEditSelectAll::Create(Form));
  TEditAction* Delete = Make(TEditDelete::Create(Form));
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  auto Enabled = [&](TEditAction* Action) {
    Application()->Idle();
    return Action->GetEnabled();
  };
  // Without their switches the grid leaves the actions alone.
  Grid->SetEditActions({});
  EXPECT_FALSE(Copy->Execute());
  EXPECT_TRUE(MGrid->Commands.empty());
  Grid->SetEditActions({geaCopyKv, geaCutKv, geaPasteKv, geaDeleteKv, geaSelectAllKv});
  // Nothing selected: only select all (and paste, with text to paste).
  Clipboard()->Clear();
  EXPECT_FALSE(Enabled(Copy));
  EXPECT_FALSE(Enabled(Cut));
  EXPECT_FALSE(Enabled(Delete));
  EXPECT_FALSE(Enabled(Paste));
  EXPECT_TRUE(Enabled(SelectAll));
  Clipboard()->SetAsText("x");
  EXPECT_TRUE(Enabled(Paste));
  // Offered directly, an action that may not run now is not run.
  EXPECT_FALSE(Grid->ExecuteAction(Copy));
  EXPECT_FALSE(Grid->ExecuteAction(Delete));
  EXPECT_TRUE(MGrid->Commands.empty());
  // Select all through its action, then copy, cut and delete run.
  EXPECT_TRUE(SelectAll->Execute());
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskAll);
  EXPECT_TRUE(Enabled(Copy));
  EXPECT_TRUE(Copy->Execute());
  EXPECT_TRUE(Cut->Execute());
  EXPECT_TRUE(Paste->Execute());
  EXPECT_TRUE(Delete->Execute());
  EXPECT_EQ(MGrid->Commands, (std::vector<String>{"copy", "cut", "paste", "delete"}));
  // Records may not be deleted: cut and delete go grey, copy stays.
  Grid->SetAllowedOperations(Grid->GetAllowedOperations() - alopDeleteKv);
  EXPECT_FALSE(Enabled(Delete));
  EXPECT_FALSE(Enabled(Cut));
  EXPECT_TRUE(Enabled(Copy));
  // Without the focus the grid answers none of them.
  MGrid->Commands.clear();
  Other->SetFocus();
  EXPECT_FALSE(Copy->Execute());
  EXPECT_FALSE(Grid->ExecuteAction(Copy)) << "even when offered the action directly";
  EXPECT_FALSE(Grid->UpdateAction(Copy));
  EXPECT_TRUE(MGrid->Commands.empty());
}

// [SECTION] Options

// Regression: with selections kept while editing, dropping multi-select
// left the selected records behind, where the user could no longer see or
// change them but Ctrl+Delete still deleted them all.
TEST_F(DBGridKvMessagesTest, DroppingMultiSelectLetsGoOfTheSelectedRecordsWhateverTheOptions) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv + dgRowSelectKv - dgConfirmDeleteKv);
  Input.KeyPress(VK_DOWN, {ssShift});
  Input.KeyPress(VK_DOWN, {ssShift});
  ASSERT_EQ(Grid->GetSelectedRows()->GetCount(), 3);
  Grid->SetOptionsKv(Grid->GetOptionsKv() - dgClearSelectionOnEditKv);
  Grid->SetOptions(Grid->GetOptions() - dgMultiSelectKv);
  EXPECT_EQ(Grid->GetSelectedRows()->GetCount(), 0);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);
  Input.KeyPress(VK_DELETE, {ssCtrl});
  EXPECT_EQ(DataSet->GetRecordCount(), 4) << "only the current record goes";
  // A whole selection goes the same way.
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Grid->GetSelection()->SelectAll();
  Grid->SetOptions(Grid->GetOptions() - dgMultiSelectKv);
  EXPECT_EQ(Grid->GetSelection()->GetSelectionType(), gskNone);
}

// [SECTION] Scrolling

// A dataset whose records have no numbers.
class TUnnumberedDataSet : public TMemoryDataSet {
  KV_CLASS(TUnnumberedDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  bool IsSequenced() override { return false; }
};

TEST_F(DBGridOnFormTest, DraggingTheThumbOfAnUnnumberedDatasetMakesNoJumpsOnlyTheDropMoves) {
  auto* DataSet = TUnnumberedDataSet::Create(Form);
  DataSet->GetFieldDefs()->Add("id", ftInteger);
  DataSet->Open();
  for (Integer I = 1; I <= 100; ++I) DataSet->AppendRecord({I});
  DataSet->First();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(DataSet);
  Grid->SetDataSource(Source);
  Grid->GetVertScrollBar()->SetTracking(true);
  Grid->SetFocus();
  auto Id = [&] { return DataSet->FieldByName("id")->GetAsInteger(); };
  DataSet->MoveBy(40);
  ASSERT_EQ(Id(), 41);
  // The thumb dragged towards the top: positions 1 and 0 of five.
  for (Integer Pos : {2, 1, 0}) Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, Pos), 0);
  EXPECT_EQ(Id(), 41) << "dragging moves nothing";
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  EXPECT_EQ(Id(), 1) << "dropped at the top";
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 4), 0);
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 4), 0);
  EXPECT_EQ(Id(), 100) << "dropped at the bottom";
}

TEST_F(DBGridOnFormTest, WithTrackingTheThumbOfANumberedDatasetIsFollowedOnce) {
  auto* DataSet = TMemoryDataSet::Create(Form);
  DataSet->GetFieldDefs()->Add("id", ftInteger);
  DataSet->Open();
  for (Integer I = 1; I <= 100; ++I) DataSet->AppendRecord({I});
  DataSet->First();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(DataSet);
  Grid->SetDataSource(Source);
  Grid->GetVertScrollBar()->SetTracking(true);
  Grid->SetFocus();
  auto Id = [&] { return DataSet->FieldByName("id")->GetAsInteger(); };
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), 0);
  EXPECT_EQ(Id(), 30);
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 60), 0);
  EXPECT_EQ(Id(), 60);
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 61), 0);
  EXPECT_EQ(Id(), 60) << "the drop after tracking moves no further";
  Grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), 0);
  EXPECT_EQ(Id(), 10);
}

// [SECTION] Modes

// A dialog that takes the mouse while records are selected by dragging past
// the grid's bottom stops the scrolling.
TEST_F(DBGridOnFormTest, ACancelledModeStopsTheRecordsScrollingUnderADraggedMouse) {
  auto* DataSet = TMemoryDataSet::Create(Form);
  DataSet->GetFieldDefs()->Add("id", ftInteger);
  DataSet->Open();
  for (Integer I = 1; I <= 100; ++I) DataSet->AppendRecord({I});
  DataSet->First();
  TDataSource* Source = TDataSource::Create(Form);
  Source->SetDataSet(DataSet);
  Grid->SetBounds(0, 0, 300, 200);
  Grid->SetDataSource(Source);
  Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
  Grid->SetFocus();
  UpdateWindow(Grid->GetHandle());
  auto Id = [&] { return DataSet->FieldByName("id")->GetAsInteger(); };
  const TRect First = Grid->CellRect(0, Grid->GetTitleOffset());
  Input.MouseDown(mbLeft, Grid->GetHandle(), {First.Left + 4, First.Top + 4});
  Input.MouseMove(Grid->GetHandle(), {First.Left + 4, Grid->GetClientHeight() + 20});
  Advance(1000);
  const Integer Scrolled = Id();
  ASSERT_GT(Scrolled, Grid->GetVisibleRowCount()) << "the records scroll under the mouse";
  ASSERT_NE(Grid->GetMouseState(), 0);
  SendMessage(Grid->GetHandle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(Grid->GetMouseState(), 0);
  Advance(1000);
  EXPECT_EQ(Id(), Scrolled) << "and stop with the mode";
  Input.MouseUp(mbLeft, Grid->GetHandle(), {First.Left + 4, Grid->GetClientHeight() + 20});
  EXPECT_EQ(Id(), Scrolled);
}

// [SECTION] Focus

TEST_F(DBGridKvMessagesTest, WithRowSelectTheWholeRowRepaintsWhenTheFocusGoesAndComes) {
  Open();
  Grid->SetOptions(Grid->GetOptions() + dgRowSelectKv);
  EXPECT_FALSE(Grid->GetOptions().Contains(dgEditingKv)) << "row selection takes editing away";
  UpdateWindow(H());
  const TRect Row = Grid->BoxRect(0, Grid->GetRow(), Grid->GetColCount() - 1, Grid->GetRow());
  for (bool Away : {true, false}) {
    SCOPED_TRACE(Away);
    ValidateRect(H(), nullptr);
    if (Away)
      Other->SetFocus();
    else
      Grid->SetFocus();
    TRect Update;
    ASSERT_TRUE(GetUpdateRect(H(), &Update, FALSE));
    EXPECT_LE(Update.Left, Row.Left);
    EXPECT_GE(Update.Right, Row.Right);
    EXPECT_LE(Update.Top, Row.Top);
    EXPECT_GE(Update.Bottom, Row.Bottom);
  }
}

// Where the system has input methods, the column's own follows the user
// into it; leaving the grid gives back the screen's input method and
// keyboard layout, but not when the focus only goes to the cell's editor.
TEST_F(DBGridKvMessagesTest, TheInputMethodFollowsTheColumnAndGoesBackWhenTheGridIsLeft) {
  SysLocale.FarEast = true;
  Open();
  const HKL Japanese = reinterpret_cast<HKL>(std::uintptr_t(0xE0010411));
  TColumnKv* Name = Grid->Column(1);
  Name->SetImeName("Kana input");
  Name->SetImeMode(imHira);
  ASSERT_EQ(Grid->GetCol(), 1);
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Grid->GetImeName(), "Kana input");
  EXPECT_EQ(Grid->GetImeMode(), imHira);
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Grid->GetImeName(), "") << "a column without its own takes the grid's";
  EXPECT_EQ(Grid->GetImeMode(), imDontCare);
  Input.KeyPress(VK_LEFT);
  EXPECT_EQ(Grid->GetImeMode(), imHira);
  // The user switches the keyboard and opens the editor: the grid's editor
  // keeps both.
  ActivateKeyboardLayout(Japanese, KLF_ACTIVATE);
  Input.KeyPress(VK_F2);
  ASSERT_TRUE(Grid->GetEditorMode());
  ASSERT_EQ(GetFocus(), Grid->GetInplaceEditor()->GetHandle());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetImeMode(), imHira);
  EXPECT_EQ(GetKeyboardLayout(0), Japanese);
  // Another control takes the focus.
  Other->SetFocus();
  EXPECT_EQ(GetKeyboardLayout(0), Screen()->GetDefaultKbLayout());
  EXPECT_EQ(Grid->GetImeMode(), imDontCare);
  EXPECT_NE(GetKeyboardLayout(0), Japanese);
  // Without input methods nothing of this happens.
  SysLocale.FarEast = false;
  Grid->SetFocus();
  ActivateKeyboardLayout(Japanese, KLF_ACTIVATE);
  Other->SetFocus();
  EXPECT_EQ(GetKeyboardLayout(0), Japanese);
}

TEST_F(DBGridKvMessagesTest, LeavingTheGridWithCtrlHeldSortsByTheTitlesClicked) {
  Open();
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv + dgMultiSortMarkingKv);
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->GetTitle()->SetTitleButton(true);
  Integer Requests = 0;
  Grid->OnSortMarkingChanged = TNotifyEvent([&](TObject*) { ++Requests; });
  Input.KeyDown(VK_CONTROL);
  for (Integer Col : {2, 3}) {
    Advance(1000);
    const TRect R = Grid->CellRect(Col, 0);
    Input.Click(H(), {R.Left + 10, R.Top + 3});
  }
  ASSERT_TRUE(Grid->GetSortingPending());
  EXPECT_EQ(Requests, 0);
  Other->SetFocus();
  EXPECT_EQ(Requests, 1) << "the grid lost the focus";
  EXPECT_FALSE(Grid->GetSortingPending());
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(Requests, 1) << "Ctrl's release asks nothing more";
}

// [SECTION] The window

TEST_F(DBGridKvMessagesTest, AFlatGridDrawsItsOwnOnePixelBorderInsideTheWindow) {
  Open();
  TRect Window, Client;
  GetWindowRect(H(), &Window);
  const Integer FramedWidth = Grid->GetClientWidth();
  EXPECT_TRUE(GetWindowLong(H(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->GetFlatBorderWidth(), 1);
  EXPECT_EQ(Grid->GetTextMargin(), 2);
  EXPECT_FALSE(GetWindowLong(H(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(GetWindowLong(H(), GWL_STYLE) & WS_BORDER);
  EXPECT_TRUE(GetWindowLong(H(), GWL_STYLE) & WS_CLIPCHILDREN);
  GetClientRect(H(), &Client);
  const Integer Bars = Window.Width() - FramedWidth - 4;  // the 3-D edge was 2 a side
  EXPECT_EQ(Client.Width(), Window.Width() - 2 - Bars) << "one pixel a side";
  // The border is painted on the window's own frame: sunken, dark at the
  // top and light at the bottom.
  RedrawWindow(H(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  TRect FormRect;
  GetWindowRect(Form->GetHandle(), &FormRect);
  TSurface* Surface = GetWindowSurface(H());
  const Integer X = Window.Left - FormRect.Left + 20, Y = Window.Top - FormRect.Top;
  EXPECT_EQ(Surface->GetPixel(X, Y), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Surface->GetPixel(X, Y + Window.Height() - 1), ColorToRGB(cl3DLight));
  EXPECT_NE(Surface->GetPixel(X, Y + 1), ColorToRGB(cl3DDkShadow)) << "one pixel only";
  // Without a border there is none to draw.
  Grid->SetBorderStyle(bsNone);
  EXPECT_EQ(Grid->GetFlatBorderWidth(), 0);
}

// A control the application puts inside the grid hears of its own changes,
// and the grid's editor of its own.
TEST_F(DBGridKvMessagesTest, ChildrenOfTheGridHearOfTheirChanges) {
  Open();
  TEdit* Child = TEdit::Create(Form);
  Child->SetBounds(200, 120, 80, 20);
  Child->SetParent(Grid);
  Integer Changes = 0;
  Child->OnChange = TNotifyEvent([&](TObject*) { ++Changes; });
  Child->SetFocus();
  Input.Type("ab");
  EXPECT_EQ(Changes, 2);
  EXPECT_EQ(Child->GetText(), "ab");
  // The editor's typing reaches the record.
  Grid->SetFocus();
  Grid->SetCol(2);
  Input.KeyPress(VK_F2);
  Input.KeyPress(VK_END);
  Input.Type("x");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Field("Name")->GetAsString(), "Annx");
}

TEST_F(DBGridKvMessagesTest, SmallAnswers) {
  Open();
  EXPECT_EQ(Grid->Perform(WM_ERASEBKGND, 0, 0), 1) << "the cells paint everything";
  Grid->SetOptions(Grid->GetOptions() - dgEditingKv);
  EXPECT_FALSE(Grid->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS);
  Grid->SetOptionsKv(Grid->GetOptionsKv() + dgPreferInplaceSearchKv);
  EXPECT_TRUE(Grid->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS)
      << "a grid that prefers searching wants the typing";
  // The input method's composition opens the editor.
  Grid->SetOptions(Grid->GetOptions() + dgEditingKv);
  ASSERT_FALSE(Grid->GetEditorMode());
  Grid->Perform(WM_IME_STARTCOMPOSITION, 0, 0);
  EXPECT_TRUE(Grid->GetEditorMode());
}

TEST_F(DBGridKvMessagesTest, RowsAreSizedFromTheIndicatorOnlyNotFromFrozenColumns) {
  Open();
  Grid->SetRowSizingAllowed(true);
  Grid->SetFrozenCols(1);
  ASSERT_EQ(Grid->GetFixedCols(), 2);
  const Integer Row = Grid->GetTitleOffset() + 1;
  const Integer Height = Grid->GetRowHeights(Row);
  const TRect Frozen = Grid->CellRect(1, Row);
  Input.Drag(H(), {Frozen.Left + 10, Frozen.Bottom}, {Frozen.Left + 10, Frozen.Bottom + 12});
  EXPECT_EQ(Grid->GetRowHeights(Row), Height) << "a frozen column sizes no row";
  const TRect Indicator = Grid->CellRect(0, Row);
  Advance(1000);
  Input.Drag(H(), {Indicator.Left + 4, Indicator.Bottom}, {Indicator.Left + 4, Indicator.Bottom + 12});
  EXPECT_GT(Grid->GetRowHeights(Row), Height);
}

// At design time the border of a frozen column's title is the grid's to
// drag, where it shows columns of its own or the fields of an open dataset.
TEST_F(DBGridKvMessagesTest, AtDesignTimeTheGridClaimsTheTitleBorderOfAFrozenColumn) {
  Open();
  Grid->SetFrozenCols(1);
  Grid->SetDesigning(true);
  UpdateWindow(H());
  const TRect Frozen = Grid->CellRect(1, 0);
  auto Claimed = [&](Integer X, Integer Y) {
    return Grid->Perform(CM_DESIGNHITTEST, 0, MAKELPARAM(X, Y)) != 0;
  };
  EXPECT_TRUE(Claimed(Frozen.Right, Frozen.Top + 3));
  EXPECT_FALSE(Claimed(Frozen.Left + 10, Frozen.Top + 3)) << "inside the title";
  EXPECT_FALSE(Claimed(Frozen.Right, Grid->CellRect(1, 1).Top + 3)) << "below the titles";
  // Columns made from the fields of the open dataset are the grid's too,
  // but not those of a closed one.
  Grid->GetColumns()->Clear();
  UpdateWindow(H());
  ASSERT_EQ(Grid->GetColumns()->GetCount(), 4);
  EXPECT_TRUE(Claimed(Grid->CellRect(1, 0).Right, 3));
  DataSet->Close();
  UpdateWindow(H());
  EXPECT_FALSE(Claimed(Grid->CellRect(1, 0).Right, 3));
  Grid->SetDesigning(false);
}

TEST_F(DBGridKvMessagesTest, TheBorderRightOfTheLastColumnSizesTheLastColumn) {
  Open();
  for (Integer I = 0; I < 4; ++I) Grid->Column(I)->SetWidth(60);
  UpdateWindow(H());
  const TRect Last = Grid->CellRect(4, 0);
  Input.Drag(H(), {Last.Right, Last.Top + 4}, {Last.Right + 30, Last.Top + 4});
  EXPECT_EQ(Grid->Column(3)->GetWidth(), 90);
  EXPECT_EQ(Grid->Column(2)->GetWidth(), 60);
}

// [SECTION] Parent and scrolling

TEST_F(DBGridKvMessagesTest, TitlesAndFootersTakeTheParentsFontAndColourWithTheGrid) {
  Grid->SetFooterRowCount(1);
  Open();
  Form->GetFont()->SetSize(14);
  EXPECT_EQ(Grid->GetFont()->GetSize(), 14);
  EXPECT_EQ(Grid->GetTitleFont()->GetSize(), 14);
  EXPECT_EQ(Grid->GetFooterFont()->GetSize(), 14);
  EXPECT_TRUE(Grid->GetParentFont()) << "taking the parent's font is no change of the grid's";
  EXPECT_EQ(Grid->Column(1)->GetFont()->GetSize(), 14) << "columns follow the grid";
  Grid->SetParentColor(true);
  Form->SetColor(clAqua);
  EXPECT_EQ(Grid->GetFooterColor(), clAqua);
  EXPECT_TRUE(Grid->GetParentColor());
  // A font of the grid's own stops the parent's.
  Grid->GetTitleFont()->SetSize(8);
  EXPECT_FALSE(Grid->GetParentFont());
  Form->GetFont()->SetSize(10);
  EXPECT_EQ(Grid->GetTitleFont()->GetSize(), 8);
}

TEST_F(DBGridKvMessagesTest, ScrollingTheColumnsTellsTheApplication) {
  Open();
  for (Integer I = 0; I < 4; ++I) Grid->Column(I)->SetWidth(150);
  Integer Changes = 0;
  Grid->OnTopLeftChanged = TNotifyEvent([&](TObject* Sender) {
    EXPECT_EQ(Sender, Grid);
    ++Changes;
  });
  UpdateWindow(H());
  ValidateRect(H(), nullptr);
  Grid->SetLeftCol(2);
  EXPECT_EQ(Changes, 1);
  // The indicator's title does not scroll; it repaints so that the titles
  // join again where the first scrolling column left.
  const TRect Corner = Grid->CellRect(0, 0);
  HRGN Update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(H(), Update, FALSE);
  EXPECT_TRUE(PtInRegion(Update, Corner.Left + 2, Corner.Top + 2));
  DeleteObject(Update);
  // Scrolling among the later columns leaves it alone.
  ValidateRect(H(), nullptr);
  Grid->SetLeftCol(3);
  EXPECT_EQ(Changes, 2);
  Update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(H(), Update, FALSE);
  EXPECT_FALSE(PtInRegion(Update, Corner.Left + 2, Corner.Top + 2));
  DeleteObject(Update);
}

TEST_F(DBGridKvMessagesTest, WithTrackingTheColumnsFollowTheDraggedThumb) {
  Open();
  for (Integer I = 0; I < 4; ++I) Grid->Column(I)->SetWidth(150);
  UpdateWindow(H());
  ASSERT_EQ(Grid->GetLeftCol(), 1);
  // The bar counts 0 to 127 over the columns that can scroll.
  Grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 127), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 1) << "without tracking the columns wait for the drop";
  Grid->GetHorzScrollBar()->SetTracking(true);
  Grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 127), 0);
  const Integer Last = Grid->GetLeftCol();
  EXPECT_GT(Last, 1);
  Grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), 0);
  EXPECT_EQ(Grid->GetLeftCol(), 1);
  Grid->GetHorzScrollBar()->SetTracking(false);
  Grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 127), 0);
  EXPECT_EQ(Grid->GetLeftCol(), Last) << "the drop";
}

TEST_F(DBGridKvMessagesTest, TheAggregatesFullPassesReachTheGridsEvents) {
  Open();
  std::vector<String> Log;
  Grid->OnSumListRecalcAll = TNotifyEvent([&](TObject* S) {
    EXPECT_EQ(S, Grid);
    Log.push_back("start");
  });
  Grid->OnSumListAfterRecalcAll = TNotifyEvent([&](TObject*) { Log.push_back("end"); });
  Grid->SetFooterRowCount(1);
  Grid->Column(2)->GetFooter()->SetValueType(fvtSum);
  Grid->GetSumList()->SetActive(true);
  Log.clear();
  Grid->GetSumList()->RecalcAll();
  EXPECT_EQ(Log, (std::vector<String>{"start", "end"}));
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(2)), "143.5");
}

TEST_F(DBGridKvMessagesTest, TheWheelOverAnOpenDropDownLeavesTheRecordsAlone) {
  Open();
  TColumnKv* Name = Grid->Column(1);
  for (const char* S : {"Ann", "Bob", "Cid", "Dee", "Eve"}) Name->GetPickList()->Add(S);
  Grid->SetCol(2);
  Grid->ShowEditor();
  auto* Editor = Grid->GetDBInplaceEditor();
  ASSERT_NE(Editor, nullptr);
  Editor->DropDown();
  ASSERT_TRUE(Editor->GetListVisible());
  const Integer Id = Field("ID")->GetAsInteger();
  Grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
  EXPECT_EQ(Field("ID")->GetAsInteger(), Id);
  Editor->CloseUp(false);
  Grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
  EXPECT_EQ(Field("ID")->GetAsInteger(), Id + 1) << "without the drop-down the wheel moves";
}

}  // namespace
}  // namespace korvel
