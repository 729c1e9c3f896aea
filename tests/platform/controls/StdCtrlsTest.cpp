// The standard controls on a form, used as a user and a program would:
// TEdit, TListBox, TScrollBar, TButton, TCheckBox and TLabel.
//
// Ideas for tests: TLabel's Layout and WordWrap measured against DrawText.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/ListBoxClass.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Clipboard.h"

namespace kvp {
namespace {

using testutil::TEventCounter;

class StdCtrlsTest : public testutil::TFormTest {};

TEST_F(StdCtrlsTest, EditTextSelectionClipboardAndChange) {
  auto* E = Add<TEdit>("Edit1", {10, 10, 160, 31});
  auto* Other = Add<TEdit>("Edit2", {10, 50, 160, 71});
  TEventCounter Changes;
  E->OnChange = Changes.Event();
  E->SetText("hello");
  Form->Show();
  EXPECT_EQ(E->GetText(), "hello");  // kept for the window's creation
  EXPECT_EQ(Changes.Count, 0);       // making the window is no change
  Other->SetFocus();
  E->SetFocus();
  EXPECT_EQ(E->GetSelStart(), 0);  // AutoSelect: entering selects all
  EXPECT_EQ(E->GetSelLength(), 5);
  Input.Type("Hi ");
  EXPECT_EQ(E->GetText(), "Hi ");
  EXPECT_TRUE(E->GetModified());
  EXPECT_EQ(Changes.Count, 3);
  ASSERT_TRUE(E->CanUndo());
  E->Undo();
  EXPECT_EQ(E->GetText(), "hello");
  E->Undo();  // an undo undoes itself
  EXPECT_EQ(E->GetText(), "Hi ");
  E->SetSelStart(0);
  E->SetSelLength(2);
  EXPECT_EQ(E->GetSelText(), "Hi");
  E->CopyToClipboard();
  EXPECT_EQ(Clipboard()->GetAsText(), "Hi");
  E->SetSelText("Yo");
  EXPECT_EQ(E->GetText(), "Yo ");
  E->SelectAll();
  E->CutToClipboard();
  EXPECT_EQ(E->GetText(), "");
  E->PasteFromClipboard();
  EXPECT_EQ(E->GetText(), "Yo ");
  E->SetMaxLength(4);
  E->SetSelStart(3);
  Input.Type("abc");
  EXPECT_EQ(E->GetText(), "Yo a");
  E->SetReadOnly(true);
  Input.Type("z");
  EXPECT_EQ(E->GetText(), "Yo a");
  // Modified survives a new window.
  E->SetCharCase(ecUpperCase);
  EXPECT_TRUE(E->GetModified());
  EXPECT_EQ(E->GetText(), "YO A");
  E->SetModified(false);
  EXPECT_FALSE(E->GetModified());
}

TEST_F(StdCtrlsTest, EditPasswordAndBorderParams) {
  auto* E = Add<TEdit>("Edit1", {10, 10, 160, 31});
  E->SetPasswordChar(U'*');
  Form->Show();
  EXPECT_TRUE(GetWindowLong(E->GetHandle(), GWL_STYLE) & 0x20);  // ES_PASSWORD
  EXPECT_TRUE(GetWindowLong(E->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  E->SetText("secret");
  TSurface* S = GetWindowSurface(E->GetHandle());
  S->ClearRecords();
  E->Repaint();
  EXPECT_NE(S->FindText("******"), nullptr);
  EXPECT_EQ(S->FindText("secret"), nullptr);
}

TEST_F(StdCtrlsTest, ListBoxItemsIndexAndClicks) {
  auto* L = Add<TListBox>("List1", {10, 10, 160, 110});
  TEventCounter Clicks;
  L->OnClick = Clicks.Event();
  Form->Show();
  for (const char* S : {"red", "green", "blue"}) L->GetItems()->Add(S);
  EXPECT_EQ(L->GetCount(), 3);
  EXPECT_EQ(L->GetItems()->Get(1), "green");
  EXPECT_EQ(L->GetItemIndex(), -1);
  L->SetItemIndex(2);
  EXPECT_EQ(L->GetItemIndex(), 2);
  EXPECT_EQ(Clicks.Count, 0);
  TRect R = L->ItemRect(1);
  Input.Click(L->GetHandle(), {R.Left + 5, R.Top + 2});
  EXPECT_EQ(L->GetItemIndex(), 1);
  EXPECT_EQ(Clicks.Count, 1);
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(L->GetItemIndex(), 2);
  EXPECT_EQ(Clicks.Count, 2);
  EXPECT_EQ(L->ItemAtPos({5, R.Top + 2}, true), 1);
  EXPECT_EQ(L->ItemAtPos({5, 95}, true), -1);
  EXPECT_EQ(L->ItemAtPos({5, 95}, false), 3);
  // The items and the selection survive a new window.
  L->SetSorted(true);
  EXPECT_EQ(L->GetItems()->Get(0), "blue");
  EXPECT_EQ(L->GetCount(), 3);
  L->GetItems()->Delete(0);
  EXPECT_EQ(L->GetCount(), 2);
  L->Clear();
  EXPECT_EQ(L->GetCount(), 0);
}

TEST_F(StdCtrlsTest, ListBoxOwnerDrawAndVirtualData) {
  auto* L = Add<TListBox>("List1", {10, 10, 160, 110});
  std::vector<std::pair<Integer, bool>> Drawn;
  L->SetStyle(lbOwnerDrawFixed);
  L->SetItemHeight(20);
  L->OnDrawItem = [&](TWinControl*, Integer Index, TRect, TOwnerDrawState State) {
    Drawn.push_back({Index, State.Contains(odSelected)});
  };
  Form->Show();
  L->GetItems()->Add("one");
  L->GetItems()->Add("two");
  EXPECT_EQ(L->GetItemHeight(), 20);
  EXPECT_EQ(L->ItemRect(1).Top, 20);
  L->SetItemIndex(1);
  Drawn.clear();
  L->Repaint();
  EXPECT_EQ(Drawn, (std::vector<std::pair<Integer, bool>>{{0, false}, {1, true}}));

  auto* V = Add<TListBox>("List2", {200, 10, 350, 110});
  V->SetStyle(lbVirtual);
  V->OnData = [](TWinControl*, Integer Index, String& Data) {
    Data = "Row " + std::to_string(Index);
  };
  V->SetCount(1000);
  EXPECT_EQ(V->GetCount(), 1000);
  EXPECT_EQ(V->GetItems()->Get(500), "Row 500");
  TSurface* S = GetWindowSurface(V->GetHandle());
  S->ClearRecords();
  V->Repaint();
  EXPECT_NE(S->FindText("Row 0"), nullptr);
  EXPECT_EQ(S->FindText("Row 500"), nullptr);
}

TEST_F(StdCtrlsTest, ScrollBarScrollsAndChanges) {
  auto* B = Add<TScrollBar>("Bar", {10, 10, 210, 27});
  B->SetParams(10, 0, 50);
  B->SetLargeChange(5);
  std::vector<TScrollCode> Codes;
  B->OnScroll = [&](TObject*, TScrollCode Code, Integer& Pos) {
    Codes.push_back(Code);
    if (Code == scLineDown) Pos += 1;  // a handler may change where it goes
  };
  TEventCounter Changes;
  B->OnChange = Changes.Event();
  Form->Show();
  Input.Click(B->GetHandle(), {200 - 8, 8});  // the right arrow
  EXPECT_EQ(B->GetPosition(), 12);
  EXPECT_EQ(Changes.Count, 1);
  EXPECT_EQ(Codes, (std::vector<TScrollCode>{scLineDown, scEndScroll}));
  Advance(1000);
  Input.Click(B->GetHandle(), {150, 8});  // right of the thumb
  EXPECT_EQ(B->GetPosition(), 17);
  B->SetPosition(500);
  EXPECT_EQ(B->GetPosition(), 50);
  EXPECT_THROW(B->SetParams(0, 10, 5), EInvalidOperation);
  EXPECT_EQ(B->GetMax(), 50);
  B->SetKind(sbVertical);
  EXPECT_TRUE(GetWindowLong(B->GetHandle(), GWL_STYLE) & 1);  // SBS_VERT
  EXPECT_EQ(B->GetHeight(), 200);
}

TEST_F(StdCtrlsTest, ButtonClickSetsModalResultAndAnswersDialogKeys) {
  auto* Ok = Add<TButton>("Ok", {10, 10, 85, 35});
  auto* Cancel = Add<TButton>("Cancel", {100, 10, 175, 35});
  auto* E = Add<TEdit>("Edit1", {10, 50, 160, 71});
  Ok->SetCaption("&OK");
  Ok->SetDefault(true);
  Ok->SetModalResult(mrOk);
  Cancel->SetCancel(true);
  Cancel->SetModalResult(mrCancel);
  TEventCounter OkClicks;
  Ok->OnClick = OkClicks.Event();
  Form->Show();
  Input.Click(Ok->GetHandle(), {10, 10});
  EXPECT_EQ(OkClicks.Count, 1);
  EXPECT_EQ(Form->GetModalResult(), mrOk);
  Form->SetModalResult(mrNone);
  E->SetFocus();
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Form->GetModalResult(), mrCancel);
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Form->GetModalResult(), mrOk);
  EXPECT_EQ(OkClicks.Count, 2);
  Input.KeyPress('O', {ssAlt});
  EXPECT_EQ(OkClicks.Count, 3);
  EXPECT_TRUE(GetWindowLong(Ok->GetHandle(), GWL_STYLE) & 1);  // BS_DEFPUSHBUTTON
}

TEST_F(StdCtrlsTest, EnterClicksTheFocusedButtonNotTheDefaultOne) {
  auto* Ok = Add<TButton>("Ok", {10, 10, 85, 35});
  auto* Other = Add<TButton>("Other", {100, 10, 175, 35});
  auto* E = Add<TEdit>("Edit1", {10, 50, 160, 71});
  Ok->SetDefault(true);
  TEventCounter OkClicks, OtherClicks;
  Ok->OnClick = OkClicks.Event();
  Other->OnClick = OtherClicks.Event();
  Form->Show();
  Other->SetFocus();
  EXPECT_FALSE(GetWindowLong(Ok->GetHandle(), GWL_STYLE) & 1);  // no longer drawn as default
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(OtherClicks.Count, 1);
  EXPECT_EQ(OkClicks.Count, 0);
  E->SetFocus();  // back on a non-button: the default button is the default again
  EXPECT_TRUE(GetWindowLong(Ok->GetHandle(), GWL_STYLE) & 1);
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(OkClicks.Count, 1);
  EXPECT_EQ(OtherClicks.Count, 1);
}

TEST_F(StdCtrlsTest, CheckBoxStatesAndClick) {
  auto* C = Add<TCheckBox>("Check", {10, 10, 160, 30});
  C->SetCaption("&Check me");
  TEventCounter Clicks;
  C->OnClick = Clicks.Event();
  C->SetChecked(true);
  EXPECT_EQ(Clicks.Count, 1);  // a change by program clicks too
  Form->Show();
  EXPECT_EQ(SendMessage(C->GetHandle(), 0x00F0, 0, 0), 1);  // BM_GETCHECK
  Input.Click(C->GetHandle(), {5, 10});
  EXPECT_FALSE(C->GetChecked());
  EXPECT_EQ(Clicks.Count, 2);
  C->SetAllowGrayed(true);
  Advance(1000);
  Input.Click(C->GetHandle(), {5, 10});
  EXPECT_EQ(C->GetState(), cbGrayed);
  C->SetFocus();
  Input.KeyPress(VK_SPACE);
  EXPECT_EQ(C->GetState(), cbChecked);
  Input.KeyPress('C', {ssAlt});
  EXPECT_EQ(C->GetState(), cbUnchecked);
  C->SetState(cbUnchecked);
  EXPECT_EQ(Clicks.Count, 5);
  C->SetAlignment(taLeftJustify);  // the box at the right of the caption
  EXPECT_TRUE(GetWindowLong(C->GetHandle(), GWL_STYLE) & 0x20);  // BS_LEFTTEXT
  EXPECT_EQ(C->GetState(), cbUnchecked);
  Form->Update();
  Application()->ProcessMessages();
  SaveWindowPng(Form->GetHandle(), "stdctl-checkbox.png");
}

TEST_F(StdCtrlsTest, LabelAutoSizeAcceleratorAndPaint) {
  auto* E = Add<TEdit>("Edit1", {100, 40, 200, 61});
  auto* Other = Add<TEdit>("Edit2", {100, 80, 200, 101});
  auto* L = Add<TLabel>("Label1", {10, 40, 20, 50});
  Form->Show();
  L->SetCaption("&Name:");
  EXPECT_GT(L->GetWidth(), 20);  // fitted to the text
  Integer W = L->GetWidth();
  L->SetCaption("&Name: longer");
  EXPECT_GT(L->GetWidth(), W);
  L->SetFocusControl(E);
  Other->SetFocus();
  Input.KeyPress('N', {ssAlt});
  EXPECT_TRUE(E->Focused());
  E->Free();
  EXPECT_EQ(L->GetFocusControl(), nullptr);  // freed controls are let go
  TSurface* S = GetWindowSurface(Form->GetHandle());
  S->ClearRecords();
  Form->Repaint();
  Application()->ProcessMessages();
  EXPECT_NE(S->FindText("Name: longer"), nullptr);  // the & is not shown
  L->SetEnabled(false);
  S->ClearRecords();
  Form->Repaint();
  Application()->ProcessMessages();
  EXPECT_EQ(S->FindText("Name: longer")->Color, ColorToRGB(clBtnShadow));
}

TEST_F(StdCtrlsTest, PanelBevelsCaptionAndShapes) {
  auto* P = Add<TPanel>("Panel1", {10, 10, 210, 60});
  P->SetCaption("Panel caption");
  P->SetBevelInner(bvLowered);
  P->SetBorderWidth(2);
  auto* Inside = Add<TEdit>("Edit1", {5, 5, 60, 26}, P);
  auto* Ellipse = Add<TShape>("Shape1", {230, 10, 290, 60});
  Ellipse->SetShape(stCircle);
  Ellipse->GetBrush()->SetColor(clRed);
  Form->Show();
  Application()->ProcessMessages();
  EXPECT_EQ(Inside->GetParent(), P);
  TSurface* S = GetWindowSurface(Form->GetHandle());
  EXPECT_NE(S->FindText("Panel caption"), nullptr);
  // Client point (0, 0) of the form on its surface.
  TRect Win;
  GetWindowRect(Form->GetHandle(), &Win);
  TPoint Org{0, 0};
  ClientToScreen(Form->GetHandle(), &Org);
  TRect Box = GetWindowSurfaceRect(Form->GetHandle());
  auto Pixel = [&](Integer X, Integer Y) {
    return S->GetPixel(Box.Left + Org.X - Win.Left + X, Box.Top + Org.Y - Win.Top + Y);
  };
  EXPECT_EQ(Pixel(10, 10), ColorToRGB(clBtnHighlight));  // raised outer bevel
  EXPECT_EQ(Pixel(209, 59), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(13, 13), ColorToRGB(clBtnShadow));  // lowered inner bevel, past the border
  EXPECT_EQ(Pixel(260, 35), ColorToRGB(clRed));       // the circle's inside
  EXPECT_NE(Pixel(231, 11), ColorToRGB(clRed));       // not its corner
  Ellipse->GetPen()->SetColor(clBlue);                // a pen change repaints
  Application()->ProcessMessages();
  EXPECT_EQ(Pixel(260, 10), ColorToRGB(clBlue));
  SaveWindowPng(Form->GetHandle(), "stdctl-panel.png");
}

TEST_F(StdCtrlsTest, EveryControlShowsItsText) {
  auto* L = Add<TLabel>("Label1", {10, 10, 60, 25});
  auto* E = Add<TEdit>("Edit1", {80, 8, 230, 29});
  auto* B = Add<TButton>("Button1", {240, 6, 315, 31});
  auto* C = Add<TCheckBox>("Check1", {10, 40, 150, 57});
  auto* LB = Add<TListBox>("List1", {10, 65, 150, 160});
  auto* SB = Add<TScrollBar>("Bar1", {160, 65, 390, 82});
  auto* P = Add<TPanel>("Panel1", {160, 95, 390, 160});
  L->SetCaption("&Label");
  E->SetText("Edit text");
  B->SetCaption("Button");
  C->SetCaption("Check box");
  C->SetState(cbGrayed);
  P->SetCaption("Panel");
  SB->SetParams(30, 0, 100);
  Form->Show();
  for (const char* S : {"First", "Second", "Third"}) LB->GetItems()->Add(S);
  LB->SetItemIndex(1);
  Application()->ProcessMessages();
  TSurface* S = GetWindowSurface(Form->GetHandle());
  for (const char* T : {"Label", "Edit text", "Button", "Check box", "First", "Second", "Panel"})
    EXPECT_NE(S->FindText(T), nullptr) << T;
  SaveWindowPng(Form->GetHandle(), "stdctl-controls.png");
}

}  // namespace
}  // namespace kvp
