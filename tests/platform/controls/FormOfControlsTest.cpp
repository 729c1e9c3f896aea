// A dialog of standard controls used end to end by the input driver: the user
// clicks into an edit, types and corrects, tabs to a list box and a month
// calendar, picks with keys and the mouse, and ends the modal loop with a
// button. The finished dialog is written to a PNG to be looked at. Also what
// the dialog's controls keep through new windows and take from their parent
// (Ctl3D, BiDiMode, ShowHint), stored forms naming the standard controls,
// and a form's border and stay-on-top styles.
//
// Ideas for tests: the same walk with a right-to-left locale.
#include <gtest/gtest.h>

#include <filesystem>

#include "StdCtlTestUtil.h"
#include "platform/controls/ButtonClass.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/ComCtrls.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/Mask.h"
#include "platform/controls/MonthCalClass.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Clipboard.h"

namespace kvp {
namespace {

class FormOfControlsTest : public testutil::TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    SetClockDateTime(EncodeDate(2026, 12, 6) + 0.5);
    Form->SetCaption("Booking");
    Form->SetBounds(100, 100, 470, 300);
    Name = Add<TEdit>("Name", {10, 10, 180, 31});
    Rooms = Add<TListBox>("Rooms", {10, 40, 180, 160});
    for (const char* S : {"Single", "Double", "Twin", "Suite", "Family"}) Rooms->GetItems()->Add(S);
    Cal = Add<TMonthCalendar>("Arrival", {195, 10, 455, 200});
    Cal->SetAutoSize(true);  // as wide and high as its month needs
    Ok = Add<TButton>("Ok", {280, 235, 360, 260});
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Cancel = Add<TButton>("CancelBtn", {370, 235, 450, 260});
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
  }

  // The client point of the calendar day with the given day number, found
  // through the calendar's own hit test.
  TPoint DayPoint(Word Day) {
    MCHITTESTINFO Info;
    for (Integer Y = 0; Y < Cal->GetClientHeight(); Y += 2)
      for (Integer X = 0; X < Cal->GetClientWidth(); X += 2) {
        Info.pt = {X, Y};
        SendMessage(Cal->GetHandle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info));
        if (Info.uHit == MCHT_CALENDARDATE && Info.st.wDay == Day) return {X + 2, Y + 2};
      }
    return {-1, -1};
  }

  TPoint ItemCentre(Integer Index) {
    TRect R = Rooms->ItemRect(Index);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }

  TEdit* Name = nullptr;
  TListBox* Rooms = nullptr;
  TMonthCalendar* Cal = nullptr;
  TButton* Ok = nullptr;
  TButton* Cancel = nullptr;
};

TEST_F(FormOfControlsTest, AUserFillsTheDialogWithMouseAndKeysAndEndsItWithTheDefaultButton) {
  std::vector<String> Seen;  // what the dialog showed at each step
  Application()->QueueModalAction([&](TCustomForm* F) {
    // [1] Click into the edit, type, correct with Backspace, select the last
    //     word with Shift+Ctrl+Left and replace it by a paste; then undo it.
    Input.Click(Name->GetHandle(), Point(5, 5));
    EXPECT_TRUE(Name->Focused());
    EXPECT_EQ(F->GetActiveControl(), Name);
    Input.Type("Ann Smitj");
    Input.KeyPress(VK_BACK);
    Input.Type("h");
    EXPECT_EQ(Name->GetText(), "Ann Smith");
    EXPECT_EQ(Name->GetSelStart(), 9);
    Input.KeyPress(VK_LEFT, {ssShift, ssCtrl});
    EXPECT_EQ(Name->GetSelStart(), 4);
    EXPECT_EQ(Name->GetSelLength(), 5);
    Clipboard()->SetAsText("Jones");
    Input.KeyPress('V', {ssCtrl});
    EXPECT_EQ(Name->GetText(), "Ann Jones");
    Input.KeyPress('Z', {ssCtrl});
    EXPECT_EQ(Name->GetText(), "Ann Smith");
    Seen.push_back(Name->GetText());

    // [2] Tab to the list box; Down and End move the selection; a click picks.
    Input.KeyPress(VK_TAB);
    EXPECT_TRUE(Rooms->Focused());
    Input.KeyPress(VK_DOWN);
    EXPECT_EQ(Rooms->GetItemIndex(), 0);
    Input.KeyPress(VK_END);
    EXPECT_EQ(Rooms->GetItemIndex(), 4);
    Input.Click(Rooms->GetHandle(), ItemCentre(1));
    EXPECT_EQ(Rooms->GetItemIndex(), 1);
    Input.Type("t");  // the first item starting with the typed letter
    EXPECT_EQ(Rooms->GetItemIndex(), 2);
    Seen.push_back(Rooms->GetItems()->Get(Rooms->GetItemIndex()));

    // [3] Tab to the calendar; the keys step by day and week, a click picks.
    Input.KeyPress(VK_TAB);
    EXPECT_TRUE(Cal->Focused());
    Input.KeyPress(VK_RIGHT);
    EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 7));
    Input.KeyPress(VK_DOWN);
    EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 14));
    TPoint Day = DayPoint(24);
    ASSERT_GE(Day.X, 0);
    Input.Click(Cal->GetHandle(), Day);
    EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 24));
    Seen.push_back(DateToStr(Cal->GetDate()));

    // [4] Shift+Tab walks back to the list; Tab twice more reaches OK.
    Input.KeyPress(VK_TAB, {ssShift});
    EXPECT_TRUE(Rooms->Focused());
    Input.KeyPress(VK_TAB);
    Input.KeyPress(VK_TAB);
    EXPECT_TRUE(Ok->Focused());
    Application()->ProcessMessages();
    std::filesystem::create_directories("controls-png");
    SaveWindowPng(F->GetHandle(), "controls-png/booking-dialog.png");
    // [5] Enter presses the focused default button.
    Input.KeyPress(VK_RETURN);
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_EQ(Seen, (std::vector<String>{"Ann Smith", "Twin", "12/24/2026"}));
  EXPECT_EQ(Name->GetText(), "Ann Smith");  // what the dialog keeps after it closes
  EXPECT_EQ(Rooms->GetItemIndex(), 2);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 24));
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
}

TEST_F(FormOfControlsTest, EscapeFromTheEditEndsTheDialogWithTheCancelButton) {
  Application()->QueueModalAction([&](TCustomForm*) {
    Input.Click(Name->GetHandle(), Point(5, 5));
    Input.Type("draft");
    Input.KeyPress(VK_ESCAPE);
  });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(Name->GetText(), "draft");
}

// Regression: the standard controls were unknown to the class registry, so a
// stored form that names one without a field of that class (as a label or a
// bevel usually is) failed to load with "Class TLabel not found".
TEST(StoredFormOfStandardControls, FindsEveryControlClassByName) {
  ResetWindowSystem();
  Application()->Reset();
  TObjectPtr<TForm> Form(TForm::Create(nullptr));
  Form->LoadFromText(
      "object Dialog: TForm\n"
      "  Caption = 'Find text'\n"
      "  object Panel1: TPanel\n"
      "    Left = 4\n    Top = 4\n    Width = 300\n    Height = 200\n"
      "    object Label1: TLabel\n      Caption = '&Text to find:'\n    end\n"
      "    object Edit1: TEdit\n      Left = 80\n      Text = 'abc'\n    end\n"
      "    object Masked: TMaskEdit\n      Top = 30\n      EditMask = '000;0;_'\n    end\n"
      "    object List: TListBox\n      Top = 60\n"
      "      Items.Strings = (\n        'one'\n        'two')\n    end\n"
      "    object Bar: TScrollBar\n      Top = 150\n      Max = 50\n    end\n"
      "    object Shape1: TShape\n      Left = 200\n    end\n"
      "  end\n"
      "  object Cal: TMonthCalendar\n    Left = 310\n  end\n"
      "  object Check: TCheckBox\n    Top = 210\n    Checked = True\n  end\n"
      "  object Speed: TSpeedButton\n    Left = 100\n    Top = 210\n    Down = False\n  end\n"
      "  object Ok: TButton\n    Top = 240\n    Caption = 'Find'\n    Default = True\n  end\n"
      "end\n");
  auto Find = [&](const char* Name) { return Form->FindComponent(Name); };
  auto* Label = dynamic_cast<TLabel*>(Find("Label1"));
  ASSERT_NE(Label, nullptr);
  EXPECT_EQ(Label->GetCaption(), "&Text to find:");
  EXPECT_EQ(Label->GetParent(), Find("Panel1"));
  auto* Edit = dynamic_cast<TEdit*>(Find("Edit1"));
  ASSERT_NE(Edit, nullptr);
  EXPECT_EQ(Edit->GetText(), "abc");
  auto* Masked = dynamic_cast<TMaskEdit*>(Find("Masked"));
  ASSERT_NE(Masked, nullptr);
  EXPECT_EQ(Masked->GetEditText(), "___");
  auto* List = dynamic_cast<TListBox*>(Find("List"));
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(List->GetItems()->GetCount(), 2);
  auto* Bar = dynamic_cast<TScrollBar*>(Find("Bar"));
  ASSERT_NE(Bar, nullptr);
  EXPECT_EQ(Bar->GetMax(), 50);
  EXPECT_NE(dynamic_cast<TShape*>(Find("Shape1")), nullptr);
  EXPECT_NE(dynamic_cast<TMonthCalendar*>(Find("Cal")), nullptr);
  auto* Check = dynamic_cast<TCheckBox*>(Find("Check"));
  ASSERT_NE(Check, nullptr);
  EXPECT_TRUE(Check->GetChecked());
  EXPECT_NE(dynamic_cast<TSpeedButton*>(Find("Speed")), nullptr);
  auto* Ok = dynamic_cast<TButton*>(Find("Ok"));
  ASSERT_NE(Ok, nullptr);
  EXPECT_TRUE(Ok->GetDefault());
  EXPECT_EQ(Ok->GetParent(), Form.get());
}

// The border style decides the frame a form gets, and a stored client size
// holds whatever the frame; a stay-on-top form stays above a normal form that
// is activated after it.
TEST(FormStyles, BorderStyleKeepsTheStoredClientSizeAndStayOnTopStaysAbove) {
  ResetWindowSystem();
  Application()->Reset();
  TObjectPtr<TForm> Dialog(TForm::Create(nullptr));
  Dialog->LoadFromText(
      "object Dialog: TForm\n"
      "  Left = 50\n  Top = 50\n"
      "  BorderStyle = bsDialog\n"
      "  Caption = 'Find text'\n"
      "  ClientHeight = 150\n  ClientWidth = 505\n"
      "  FormStyle = fsStayOnTop\n"
      "end\n");
  Dialog->Show();
  EXPECT_EQ(Dialog->GetClientWidth(), 505);
  EXPECT_EQ(Dialog->GetClientHeight(), 150);
  LONG_PTR Style = GetWindowLongPtr(Dialog->GetHandle(), GWL_STYLE);
  LONG_PTR ExStyle = GetWindowLongPtr(Dialog->GetHandle(), GWL_EXSTYLE);
  EXPECT_TRUE(Style & WS_CAPTION);
  EXPECT_FALSE(Style & WS_THICKFRAME);  // a dialog cannot be sized
  EXPECT_TRUE(ExStyle & WS_EX_DLGMODALFRAME);
  EXPECT_TRUE(ExStyle & WS_EX_TOPMOST);

  TObjectPtr<TForm> Main(TForm::Create(nullptr));
  Main->SetBounds(0, 0, 300, 200);
  Main->Show();
  EXPECT_EQ(GetActiveWindow(), Main->GetHandle());
  EXPECT_EQ(WindowFromPoint(Dialog->ClientToScreen(Point(5, 5))), Dialog->GetHandle());
  Dialog->SetFormStyle(fsNormal);
  Input.Click(Dialog->GetHandle(), Point(5, 5));
  Input.Click(Main->GetHandle(), Point(5, 5));  // activating brings the main form forward
  EXPECT_EQ(WindowFromPoint(Dialog->ClientToScreen(Point(5, 5))), Main->GetHandle());
  EXPECT_FALSE(GetWindowLongPtr(Dialog->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  // A new border style recreates the window and keeps the form's size.
  Integer Width = Dialog->GetWidth();
  Dialog->SetBorderStyle(bsSizeable);
  EXPECT_TRUE(GetWindowLongPtr(Dialog->GetHandle(), GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(Dialog->GetWidth(), Width);
  EXPECT_EQ(Dialog->GetCaption(), "Find text");
}

// Regression: an edit or list box kept its sunken edge when Ctl3D went off
// through its parent (or its own setter) after its window existed; the border
// now follows, and the text, items and selection survive the new window.
TEST_F(FormOfControlsTest, Ctl3DFromTheParentReachesTheBordersOfExistingWindows) {
  Name->SetText("kept");
  Rooms->SetItemIndex(3);
  Form->Show();
  auto Sunken = [](TWinControl* C) {
    return (GetWindowLongPtr(C->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  };
  auto Lined = [](TWinControl* C) {
    return (GetWindowLongPtr(C->GetHandle(), GWL_STYLE) & WS_BORDER) != 0;
  };
  EXPECT_TRUE(Sunken(Name));
  EXPECT_TRUE(Sunken(Rooms));
  Form->SetCtl3D(false);
  EXPECT_FALSE(Name->GetCtl3D());
  EXPECT_FALSE(Sunken(Name));
  EXPECT_TRUE(Lined(Name));
  EXPECT_FALSE(Sunken(Rooms));
  EXPECT_TRUE(Lined(Rooms));
  EXPECT_EQ(Name->GetText(), "kept");
  EXPECT_EQ(Rooms->GetItemIndex(), 3);
  EXPECT_EQ(Rooms->GetItems()->GetCount(), 5);
  Name->SetCtl3D(true);  // its own choice from now on
  EXPECT_TRUE(Sunken(Name));
  EXPECT_FALSE(Name->GetParentCtl3D());
  Form->SetCtl3D(true);
  Form->SetCtl3D(false);
  EXPECT_TRUE(Sunken(Name));
  EXPECT_FALSE(Sunken(Rooms));
}

// An edit or a list box whose BorderStyle is none has no border, with Ctl3D
// off too: its client area is its whole window (the grid's cell editor is
// one). Once it was framed by a line all the same.
TEST_F(FormOfControlsTest, WithoutABorderStyleThereIsNoBorderCtl3DOrNot) {
  Form->Show();
  for (TWinControl* C : {static_cast<TWinControl*>(Name), static_cast<TWinControl*>(Rooms)}) {
    SCOPED_TRACE(C->GetName());
    C->SetCtl3D(false);
    if (auto* Edit = DynCast<TCustomEdit>(C)) Edit->SetBorderStyle(bsNone);
    if (auto* List = DynCast<TCustomListBox>(C)) List->SetBorderStyle(bsNone);
    EXPECT_EQ(GetWindowLongPtr(C->GetHandle(), GWL_STYLE) & WS_BORDER, 0);
    EXPECT_EQ(C->GetClientWidth(), C->GetWidth());
    EXPECT_EQ(C->GetClientHeight(), C->GetHeight());
    if (auto* Edit = DynCast<TCustomEdit>(C)) Edit->SetBorderStyle(bsSingle);
    if (auto* List = DynCast<TCustomListBox>(C)) List->SetBorderStyle(bsSingle);
    EXPECT_NE(GetWindowLongPtr(C->GetHandle(), GWL_STYLE) & WS_BORDER, 0) << "a single line";
  }
}

// BiDiMode and ShowHint reach the children that follow their parent, and a
// child's own setting stops it. Without a right-to-left locale nothing is
// mirrored, whatever the mode.
TEST_F(FormOfControlsTest, BiDiModeAndShowHintFollowTheParentUntilAChildChoosesItsOwn) {
  Form->Show();
  Cal->SetBiDiMode(bdLeftToRight);  // its own choice, although the same value
  Form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Name->GetBiDiMode(), bdRightToLeft);
  EXPECT_EQ(Rooms->GetBiDiMode(), bdRightToLeft);
  EXPECT_EQ(Cal->GetBiDiMode(), bdLeftToRight);
  EXPECT_FALSE(Name->UseRightToLeftAlignment());
  EXPECT_EQ(Name->DrawTextBiDiModeFlags(DT_LEFT), UINT(DT_LEFT));
  Form->SetShowHint(true);
  EXPECT_TRUE(Ok->GetShowHint());
  Cancel->SetShowHint(false);
  Form->SetShowHint(false);
  Form->SetShowHint(true);
  EXPECT_FALSE(Cancel->GetShowHint());
  EXPECT_FALSE(Cancel->GetParentShowHint());
}

// A new window (the whole form's, here) keeps what each control showed and
// what the user changed: text and its modified flag, limits, items and the
// selected item, the check state, the scroll position and the date.
TEST_F(FormOfControlsTest, RecreateWndKeepsTheStateOfEveryStandardControl) {
  auto* Check = Add<TCheckBox>("Check", {10, 170, 120, 190});
  Check->SetAllowGrayed(true);
  auto* Bar = Add<TScrollBar>("Bar", {10, 200, 180, 217});
  Form->Show();
  Name->SetFocus();
  Input.Type("typed");
  Name->SetMaxLength(6);
  Name->SetReadOnly(true);
  for (const char* S : {"Loft", "Studio", "Attic", "Garden", "Penthouse", "Annex"})
    Rooms->GetItems()->Add(S);
  Rooms->SetItemIndex(9);
  Rooms->SetTopIndex(2);
  ASSERT_EQ(Rooms->GetTopIndex(), 2);
  Check->SetState(cbGrayed);
  Bar->SetPosition(37);
  Cal->SetDate(EncodeDate(2027, 2, 14));

  Form->RecreateWnd();
  Application()->ProcessMessages();
  EXPECT_EQ(Name->GetText(), "typed");
  EXPECT_TRUE(Name->GetModified());
  EXPECT_TRUE(Name->Focused());
  EXPECT_TRUE(GetWindowLongPtr(Name->GetHandle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(Rooms->GetItems()->GetCount(), 11);
  EXPECT_EQ(Rooms->GetItemIndex(), 9);
  EXPECT_EQ(Rooms->GetTopIndex(), 2);
  EXPECT_EQ(Check->GetState(), cbGrayed);
  EXPECT_EQ(SendMessage(Check->GetHandle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(Bar->GetPosition(), 37);
  EXPECT_EQ(GetScrollPos(Bar->GetHandle(), SB_CTL), 37);
  SYSTEMTIME St;
  SendMessage(Cal->GetHandle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&St));
  EXPECT_EQ(St.wMonth, 2);
  EXPECT_EQ(St.wDay, 14);
  // The limit still holds in the new window.
  Name->SetReadOnly(false);
  Name->SetSelStart(5);
  Input.Type("xyz");
  EXPECT_EQ(Name->GetText(), "typedx");
}

}  // namespace
}  // namespace kvp
