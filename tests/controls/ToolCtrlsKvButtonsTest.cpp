// Edit buttons: the description's properties and their notifications, its
// action (linked values, values kept through a stored form), its click and
// drop-down menu; the button control pressed with the input driver (halves,
// auto-repeat on the virtual clock, staying down) and what it paints.
//
// Ideas for tests: NumGlyphs of a glyph strip shown by the control (the
// owners hand the glyph over, Part of the edit controls).
#include <gtest/gtest.h>

#include <vector>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/Streams.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

// A control that holds two collections of edit buttons, as an edit box does.
class TButtonHost : public TCustomControl {
  KV_CLASS(TButtonHost, TCustomControl)
 public:
  explicit TButtonHost(TComponent* AOwner) : TCustomControl(AOwner) {}
  TEditButtonsKv* GetEditButtons() const { return FEditButtons.get(); }
  void SetEditButtons(TEditButtonsKv* Value) { FEditButtons->Assign(Value); }
  TEditButtonsKv* GetOwnButtons() const { return FOwnButtons.get(); }
  void SetOwnButtons(TEditButtonsKv* Value) { FOwnButtons->Assign(Value); }
  KV_PUBLISHED {
    P.Prop("EditButtons", &TButtonHost::GetEditButtons, &TButtonHost::SetEditButtons);
    P.Prop("OwnButtons", &TButtonHost::GetOwnButtons, &TButtonHost::SetOwnButtons);
  }

 protected:
  void Construct() override {
    inherited::Construct();
    FEditButtons.reset(TEditButtonsKv::Create(this, TEditButtonKv::StaticClass()));
    FOwnButtons.reset(TEditButtonsKv::Create(this, TVisibleEditButtonKv::StaticClass()));
  }
  TObjectPtr<TEditButtonsKv> FEditButtons;
  TObjectPtr<TEditButtonsKv> FOwnButtons;
};

[[maybe_unused]] const bool HostRegistered = [] {
  RegisterClass(TButtonHost::StaticClass());
  RegisterClass(TAction::StaticClass());
  return true;
}();

struct TSenderLog {
  std::vector<TObject*> Senders;
  void Fire(TObject* Sender) { Senders.push_back(Sender); }
  TNotifyEvent Event() { return TNotifyEvent(this, &TSenderLog::Fire); }
};

class ToolCtrlsKvButtonsTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Host = TButtonHost::Create(Form);
    Host->SetName("Host1");
    Host->SetBounds(10, 10, 200, 40);
    Host->SetParent(Form);
  }
  TButtonHost* Host = nullptr;
};

TEST_F(ToolCtrlsKvButtonsTest, DefaultsOfThePlainAndTheVisibleButton) {
  TEditButtonKv* B = Host->GetEditButtons()->Add();
  EXPECT_TRUE(B->GetEnabled());
  EXPECT_FALSE(B->GetVisible());
  EXPECT_EQ(B->GetShortCut(), 0);
  EXPECT_EQ(B->GetNumGlyphs(), 1);
  EXPECT_EQ(B->GetStyle(), ebsDropDownKv);
  EXPECT_EQ(B->GetWidth(), 0);
  EXPECT_TRUE(B->GetGlyph()->Empty());
  EXPECT_EQ(B->GetEditControl(), Host);
  TEditButtonKv* V = Host->GetOwnButtons()->Add();
  EXPECT_TRUE(V->GetVisible());
  EXPECT_EQ(V->GetShortCut(), 32808);
  EXPECT_EQ(V->GetShortCut(), ShortCut(VK_DOWN, {ssAlt}));
  TObjectPtr<TVisibleEditButtonKv> Own(
      TVisibleEditButtonKv::Create(static_cast<TWinControl*>(Host)));
  EXPECT_TRUE(Own->GetVisible());
  EXPECT_EQ(Own->GetEditControl(), Host);
  EXPECT_EQ(Own->GetCollection(), nullptr);
}

TEST_F(ToolCtrlsKvButtonsTest, ChangesAreReportedOnceAndOnlyWhenAValueChanges) {
  TSenderLog Collection;
  Host->GetEditButtons()->OnChange = Collection.Event();
  TEditButtonKv* B = Host->GetEditButtons()->Add();
  EXPECT_EQ(Collection.Senders.size(), 1u);  // the new item, once
  B->SetWidth(20);
  B->SetWidth(20);
  B->SetNumGlyphs(7);
  EXPECT_EQ(B->GetNumGlyphs(), 4);
  B->SetNumGlyphs(9);  // 4 again: no change
  B->SetNumGlyphs(0);
  EXPECT_EQ(B->GetNumGlyphs(), 1);
  B->SetStyle(ebsEllipsisKv);
  B->SetHint("x");
  B->SetVisible(true);
  B->SetEnabled(false);
  B->SetShortCut(ShortCut(VK_F4, {}));  // a plain field: no report
  EXPECT_EQ(Collection.Senders.size(), 8u);
  EXPECT_EQ(Collection.Senders.back(), Host->GetEditButtons());
  // With its own notification set the button reports to it instead.
  TSenderLog Own;
  B->OnChange = Own.Event();
  B->SetWidth(30);
  TObjectPtr<TBitmap> Glyph = MakeBitmap(8, 8, clRed);
  B->SetGlyph(Glyph.get());
  EXPECT_EQ(Own.Senders, (std::vector<TObject*>{B, B}));
  EXPECT_EQ(Collection.Senders.size(), 8u);
  EXPECT_EQ(B->GetGlyph()->GetWidth(), 8);
  EXPECT_NE(B->GetGlyph(), Glyph.get());  // a copy
}

TEST_F(ToolCtrlsKvButtonsTest, AssignCopiesEveryPropertyAndBothEvents) {
  TEditButtonKv* A = Host->GetEditButtons()->Add();
  TAction* Act = TAction::Create(Form);
  TPopupMenu* Menu = TPopupMenu::Create(Form);
  A->SetAction(Act);
  A->SetDropdownMenu(Menu);
  A->SetEnabled(false);
  TObjectPtr<TBitmap> Glyph = MakeBitmap(6, 6, clBlue);
  A->SetGlyph(Glyph.get());
  A->SetHint("hint");
  A->SetNumGlyphs(2);
  A->SetShortCut(ShortCut(VK_F5, {}));
  A->SetStyle(ebsPlusKv);
  A->SetVisible(true);
  A->SetWidth(14);
  Integer Clicks = 0, Downs = 0;
  A->OnClick = [&Clicks](TObject*, bool&) { ++Clicks; };
  A->OnDown = [&Downs](TObject*, bool, bool&, bool&) { ++Downs; };
  TEditButtonKv* B = Host->GetEditButtons()->Add();
  B->Assign(A);
  EXPECT_EQ(B->GetAction(), Act);
  EXPECT_EQ(B->GetDropdownMenu(), Menu);
  EXPECT_FALSE(B->GetEnabled());
  EXPECT_EQ(B->GetGlyph()->GetWidth(), 6);
  EXPECT_EQ(B->GetHint(), "hint");
  EXPECT_EQ(B->GetNumGlyphs(), 2);
  EXPECT_EQ(B->GetShortCut(), ShortCut(VK_F5, {}));
  EXPECT_EQ(B->GetStyle(), ebsPlusKv);
  EXPECT_TRUE(B->GetVisible());
  EXPECT_EQ(B->GetWidth(), 14);
  bool Handled = false, Repeat = false;
  B->OnClick(B, Handled);
  B->OnDown(B, true, Repeat, Handled);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Downs, 1);
}

// Every change of the action is copied to each of its buttons; a value a
// button shows of its own only counts as not linked for storing.
TEST_F(ToolCtrlsKvButtonsTest, ALinkedButtonFollowsItsAction) {
  TAction* Act = TAction::Create(Form);
  Act->SetHint("Find");
  Act->SetShortCut(ShortCut('F', {ssCtrl}));
  TEditButtonKv* Linked = Host->GetEditButtons()->Add();
  TEditButtonKv* Own = Host->GetEditButtons()->Add();
  Linked->SetAction(Act);
  Own->SetAction(Act);
  EXPECT_EQ(Linked->GetHint(), "Find");
  EXPECT_TRUE(Linked->GetVisible());
  EXPECT_EQ(Linked->GetShortCut(), ShortCut('F', {ssCtrl}));
  Own->SetHint("Mine");
  EXPECT_TRUE(Own->GetActionLink()->IsEnabledLinked());
  EXPECT_FALSE(Own->GetActionLink()->IsHintLinked());
  Act->SetHint("Search");
  Act->SetEnabled(false);
  EXPECT_EQ(Linked->GetHint(), "Search");
  EXPECT_EQ(Own->GetHint(), "Search");
  EXPECT_FALSE(Linked->GetEnabled());
  EXPECT_TRUE(Linked->GetActionLink()->IsHintLinked());
  Act->SetShortCut(ShortCut('G', {ssCtrl}));
  EXPECT_EQ(Linked->GetShortCut(), ShortCut('G', {ssCtrl}));
  // Freeing the action leaves the buttons with none.
  Act->Free();
  EXPECT_EQ(Linked->GetAction(), nullptr);
  Linked->SetAction(nullptr);
  EXPECT_EQ(Linked->GetActionLink(), nullptr);
}

// A button whose link counts its hint as its own, as a descendant that sets
// its hints itself would have it: a stored form then always keeps the hint.
class TOwnHintLink : public TEditButtonActionLinkKv {
  KV_CLASS(TOwnHintLink, TEditButtonActionLinkKv)
 public:
  explicit TOwnHintLink(TObject* AClient = nullptr) : TEditButtonActionLinkKv(AClient) {}
  bool IsHintLinked() override { return false; }
};
class TOwnHintButton : public TEditButtonKv {
  KV_CLASS(TOwnHintButton, TEditButtonKv)
 public:
  explicit TOwnHintButton(TCollection* ACollection) : TEditButtonKv(ACollection) {}

 protected:
  TClass GetActionLinkClass() const override { return TOwnHintLink::StaticClass(); }
};
// A link class that is no edit-button link.
class TWrongLinkButton : public TEditButtonKv {
  KV_CLASS(TWrongLinkButton, TEditButtonKv)
 public:
  explicit TWrongLinkButton(TCollection* ACollection) : TEditButtonKv(ACollection) {}

 protected:
  TClass GetActionLinkClass() const override { return TActionLink::StaticClass(); }
};

// The properties of Item as a stored form writes them.
String StoredProperties(TPersistent* Item) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  TObjectPtr<TWriter> Writer(TWriter::Create(Stream.get()));
  Writer->WriteProperties(Item);
  Writer->FlushBuffer();
  return Stream->GetDataString();
}

TEST_F(ToolCtrlsKvButtonsTest, ADescendantsLinkClassDecidesWhatItsButtonsStoreOfTheAction) {
  TAction* Act = TAction::Create(Form);
  Act->SetHint("Find");
  TObjectPtr<TEditButtonsKv> Buttons(TEditButtonsKv::Create(Host, TOwnHintButton::StaticClass()));
  TEditButtonKv* Own = Buttons->Add();
  Own->SetAction(Act);
  ASSERT_NE(Own->GetActionLink(), nullptr);
  EXPECT_EQ(Own->GetActionLink()->ClassType(), TOwnHintLink::StaticClass());
  EXPECT_EQ(Own->GetHint(), "Find");
  EXPECT_NE(StoredProperties(Own).find("Find"), String::npos) << "the hint is the button's own";
  // A plain button leaves the action's hint to the action.
  TEditButtonKv* Plain = Host->GetEditButtons()->Add();
  Plain->SetAction(Act);
  EXPECT_EQ(Plain->GetActionLink()->ClassType(), TEditButtonActionLinkKv::StaticClass());
  EXPECT_EQ(StoredProperties(Plain).find("Find"), String::npos);
  // A link class that cannot serve an edit button is refused, and the
  // button stays without an action.
  TObjectPtr<TEditButtonsKv> Wrong(TEditButtonsKv::Create(Host, TWrongLinkButton::StaticClass()));
  TEditButtonKv* W = Wrong->Add();
  EXPECT_THROW(W->SetAction(Act), EInvalidCast);
  EXPECT_EQ(W->GetAction(), nullptr);
}

// Regression: the values a stored form leaves out because they come from the
// action were compared with fixed defaults when the form was read, so a plain
// button lost its action's visibility and the drop-down button its action's
// shortcut.
TEST_F(ToolCtrlsKvButtonsTest, ValuesTakenFromTheActionComeBackWhenTheFormIsRead) {
  TAction* Act = TAction::Create(Form);
  Act->SetName("Action1");
  Act->SetHint("Find");
  Act->SetShortCut(ShortCut('X', {ssCtrl}));
  TEditButtonKv* Plain = Host->GetEditButtons()->Add();
  Plain->SetAction(Act);
  TEditButtonKv* Hinted = Host->GetEditButtons()->Add();
  Hinted->SetAction(Act);
  Hinted->SetHint("Mine");
  TEditButtonKv* DropDown = Host->GetOwnButtons()->Add();
  DropDown->SetAction(Act);
  ASSERT_TRUE(Plain->GetVisible());
  ASSERT_EQ(DropDown->GetShortCut(), ShortCut('X', {ssCtrl}));
  const String Text = ComponentToText(Form);
  // Taken from the action: only the action stores its shortcut.
  EXPECT_EQ(Text.find("ShortCut"), Text.rfind("ShortCut"));
  EXPECT_NE(Text.find("'Mine'"), String::npos);
  FreeAndNil(Form);
  Form = TForm::Create(nullptr);
  ReadComponentText(Text, Form);
  auto* Read = static_cast<TButtonHost*>(Form->FindComponent("Host1"));
  ASSERT_NE(Read, nullptr);
  ASSERT_EQ(Read->GetEditButtons()->GetCount(), 2);
  TEditButtonKv* P = Read->GetEditButtons()->GetItems(0);
  TEditButtonKv* H = Read->GetEditButtons()->GetItems(1);
  TEditButtonKv* D = Read->GetOwnButtons()->GetItems(0);
  ASSERT_NE(P->GetAction(), nullptr);
  EXPECT_TRUE(P->GetVisible());
  EXPECT_EQ(P->GetHint(), "Find");
  EXPECT_EQ(P->GetShortCut(), ShortCut('X', {ssCtrl}));
  EXPECT_EQ(H->GetHint(), "Mine");  // what the form gave it stays
  EXPECT_EQ(D->GetShortCut(), ShortCut('X', {ssCtrl}));
  EXPECT_TRUE(D->GetVisible());
}

TEST_F(ToolCtrlsKvButtonsTest, ClickRunsOnClickAloneOrElseTheActionOnTheEditControl) {
  TAction* Act = TAction::Create(Form);
  std::vector<TComponent*> Targets;
  Act->OnExecute = [&Targets, Act](TObject*) { Targets.push_back(Act->GetActionComponent()); };
  TEditButtonKv* B = Host->GetEditButtons()->Add();
  B->SetAction(Act);
  bool Handled = false;
  B->Click(B, Handled);
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Targets, std::vector<TComponent*>{Host});
  Integer Clicks = 0;
  B->OnClick = [&Clicks](TObject*, bool&) { ++Clicks; };
  Handled = false;
  B->Click(B, Handled);
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(Handled);
  EXPECT_EQ(Targets.size(), 1u);
  // A button without action or handler does nothing.
  TEditButtonKv* Idle = Host->GetEditButtons()->Add();
  Idle->Click(Idle, Handled);
  EXPECT_FALSE(Handled);
}

// Regression: a button kept a freed drop-down menu and a later press popped
// it up.
TEST_F(ToolCtrlsKvButtonsTest, AFreedDropDownMenuIsForgotten) {
  TEditButtonKv* B = Host->GetEditButtons()->Add();
  TPopupMenu* Menu = TPopupMenu::Create(Form);
  TPopupMenu* Other = TPopupMenu::Create(Form);
  B->SetDropdownMenu(Menu);
  B->SetDropdownMenu(Other);
  Menu->Free();
  EXPECT_EQ(B->GetDropdownMenu(), Other);
  Other->Free();
  EXPECT_EQ(B->GetDropdownMenu(), nullptr);
  // A button freed before its menu leaves nothing behind.
  TPopupMenu* Last = TPopupMenu::Create(Form);
  B->SetDropdownMenu(Last);
  Host->GetEditButtons()->Clear();
  Last->Free();
}

// [SECTION] The button control

class ToolCtrlsKvButtonControlTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Panel = TPanel::Create(Form);
    Panel->SetBevelOuter(bvNone);
    Panel->SetColor(clWindow);
    Panel->SetBounds(20, 20, 200, 60);
    Panel->SetParent(Form);
    Description.reset(TEditButtonKv::Create(static_cast<TWinControl*>(Panel)));
    Button = Description->CreateEditButtonControl();
    Button->OnDown = [this](TObject*, bool Top, bool& AutoRepeat, bool&) {
      Downs.push_back({GetTickCount64(), Top});
      if (RepeatAnswer >= 0) AutoRepeat = RepeatAnswer == 1;
    };
    Button->OnClick = [this](TObject*) { ++Clicks; };
    Form->Show();
  }
  void TearDown() override {
    Description.reset();
    TFormFixture::TearDown();
  }
  HWND Wnd() { return Panel->GetHandle(); }
  // A point of the panel at (X, Y) of the button.
  TPoint At(Integer X, Integer Y) { return {Button->GetLeft() + X, Button->GetTop() + Y}; }
  void Release(Integer X, Integer Y) { Input.MouseUp(mbLeft, Wnd(), At(X, Y)); }

  struct TDown {
    UInt64 Tick;
    bool Top;
  };
  std::vector<UInt64> TicksSince(UInt64 Start) {
    std::vector<UInt64> T;
    for (const TDown& D : Downs) T.push_back(D.Tick - Start);
    return T;
  }
  TPanel* Panel = nullptr;
  TObjectPtr<TEditButtonKv> Description;
  TEditButtonControlKv* Button = nullptr;
  std::vector<TDown> Downs;
  Integer RepeatAnswer = -1;  // -1: leave AutoRepeat as preset
  Integer Clicks = 0;
};

TEST_F(ToolCtrlsKvButtonControlTest, ANewControlIsAnOpaqueVisibleChildOfTheEditControl) {
  EXPECT_EQ(Button->GetOwner(), Panel);
  EXPECT_EQ(Button->GetParent(), Panel);
  EXPECT_EQ(Button->GetWidth(), 10);
  EXPECT_EQ(Button->GetHeight(), 17);
  EXPECT_TRUE(Button->GetVisible());
  EXPECT_FALSE(Button->GetTransparent());
  EXPECT_TRUE(Button->GetControlStyle().Contains(csReplicatable));
}

TEST_F(ToolCtrlsKvButtonControlTest, HoldingTheBottomHalfRepeatsAfter400AndThenEvery100Ms) {
  Button->SetStyle(ebsUpDownKv);
  Button->SetBounds(10, 10, 15, 17);
  const UInt64 Start = GetTickCount64();
  Input.MouseDown(mbLeft, Wnd(), At(5, 12));
  EXPECT_EQ(Button->GetDownButton(), 2);
  Advance(399);
  EXPECT_EQ(TicksSince(Start), (std::vector<UInt64>{0}));
  Advance(1);
  Advance(100);
  Advance(100);
  EXPECT_EQ(TicksSince(Start), (std::vector<UInt64>{0, 400, 500, 600}));
  for (const TDown& D : Downs) EXPECT_FALSE(D.Top);
  // Sliding onto the top half lets the button up: no more repeats, no click.
  Input.MouseMove(Wnd(), At(5, 3));
  EXPECT_EQ(Button->GetState(), bsUp);
  Advance(300);
  EXPECT_EQ(Downs.size(), 4u);
  Release(5, 3);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(Button->GetDownButton(), 0);
  EXPECT_FALSE(Button->GetTimer()->GetEnabled());
}

TEST_F(ToolCtrlsKvButtonControlTest, TheTopHalfRepeatsUpwardsAndReleasingStopsIt) {
  Button->SetStyle(ebsUpDownKv);
  Button->SetBounds(10, 10, 15, 17);
  Input.MouseDown(mbLeft, Wnd(), At(5, 2));
  Advance(450);
  Release(5, 2);
  Advance(1000);
  ASSERT_EQ(Downs.size(), 2u);
  EXPECT_TRUE(Downs[0].Top);
  EXPECT_TRUE(Downs[1].Top);
  EXPECT_EQ(Clicks, 1);  // released on its own half: a click
  // The next press starts with the long delay again.
  const UInt64 Start = GetTickCount64();
  Input.MouseDown(mbLeft, Wnd(), At(5, 2));
  Advance(399);
  EXPECT_EQ(Downs.size(), 3u);
  Advance(1);
  EXPECT_EQ(Downs.size(), 4u);
  EXPECT_EQ(Downs.back().Tick - Start, 400u);
  Release(5, 2);
}

TEST_F(ToolCtrlsKvButtonControlTest, TheLineBetweenOddHalvesPressesNeither) {
  Button->SetStyle(ebsUpDownKv);
  Button->SetBounds(10, 10, 15, 17);
  Input.MouseDown(mbLeft, Wnd(), At(5, 8));
  EXPECT_EQ(Button->GetDownButton(), 0);
  EXPECT_TRUE(Downs.empty());
  Advance(600);
  EXPECT_TRUE(Downs.empty());
  Release(5, 8);
  Advance(1000);
  Input.MouseDown(mbLeft, Wnd(), At(5, 7));
  EXPECT_EQ(Button->GetDownButton(), 1);
  Release(5, 7);
  Advance(1000);
  Input.MouseDown(mbLeft, Wnd(), At(5, 9));
  EXPECT_EQ(Button->GetDownButton(), 2);
  Release(5, 9);
}

TEST_F(ToolCtrlsKvButtonControlTest, ADropDownButtonFiresOnceUnlessItsHandlerAsksForOneRepeat) {
  Input.MouseDown(mbLeft, Wnd(), At(4, 8));
  EXPECT_EQ(Button->GetDownButton(), 1);  // the whole button
  Advance(1000);
  Release(4, 8);
  EXPECT_EQ(Downs.size(), 1u);
  EXPECT_TRUE(Downs[0].Top);
  EXPECT_EQ(Clicks, 1);
  Advance(1000);
  RepeatAnswer = 1;
  Downs.clear();
  const UInt64 Start = GetTickCount64();
  Input.MouseDown(mbLeft, Wnd(), At(4, 8));
  Advance(1000);
  Release(4, 8);
  EXPECT_EQ(TicksSince(Start), (std::vector<UInt64>{0, 400}));
}

TEST_F(ToolCtrlsKvButtonControlTest, AlwaysDownKeepsTheButtonPressedUntilLetUp) {
  Button->SetAlwaysDown(true);
  EXPECT_TRUE(Button->GetDown());
  EXPECT_EQ(Button->GetGroupIndex(), 1);
  EXPECT_FALSE(Button->GetAllowAllUp());
  EXPECT_EQ(Button->GetDownButton(), 1);
  Input.Click(Wnd(), At(4, 8));
  EXPECT_TRUE(Button->GetDown());  // a click does not let it up
  Button->SetAlwaysDown(false);
  EXPECT_FALSE(Button->GetDown());
  EXPECT_EQ(Button->GetGroupIndex(), 0);
  EXPECT_TRUE(Button->GetAllowAllUp());
  EXPECT_EQ(Button->GetDownButton(), 0);
}

TEST_F(ToolCtrlsKvButtonControlTest, TheControlPaintsTheFaceOfItsStyleAndPressedHalf) {
  Button->SetStyle(ebsUpDownKv);
  Button->SetBounds(10, 10, 15, 16);
  UpdateWindow(Wnd());
  TSurface* S = GetWindowSurface(Wnd());
  S->ClearRecords();
  Input.MouseDown(mbLeft, Wnd(), At(5, 12));
  UpdateWindow(Wnd());
  auto Controls = RecordsOf(S, TDrawKind::FrameControl);
  ASSERT_GE(Controls.size(), 2u);
  const TRect B = GetWindowSurfaceRect(Wnd());
  const TDrawRecord& Bottom = Controls.back();
  EXPECT_EQ(Bottom.Flags2, DFCS_SCROLLDOWN | DFCS_PUSHED);
  EXPECT_EQ(Bottom.Rect, Rect(B.Left + 10, B.Top + 18, B.Left + 25, B.Top + 26));
  Release(5, 12);
  // The parent's colour fills the frame of a flat face that is not hot.
  Button->SetStyle(ebsDropDownKv);
  Button->SetFlat(true);
  UpdateWindow(Wnd());
  EXPECT_EQ(S->GetPixel(B.Left + 10, B.Top + 10), Rgb(clWindow));
  EXPECT_NE(S->GetPixel(B.Left + 11, B.Top + 11), Rgb(clWindow));
  Button->SetActive(true);
  UpdateWindow(Wnd());
  EXPECT_EQ(S->GetPixel(B.Left + 10, B.Top + 10), Rgb(clBtnHighlight));  // a raised inner edge
}

TEST_F(ToolCtrlsKvButtonControlTest, AGlyphButtonShowsItsImageAndTheDisabledLook) {
  Button->SetStyle(ebsGlyphKv);
  Button->SetBounds(10, 10, 24, 22);
  // A glyph strip of two looks: up (red square on lime) and disabled (blue).
  TObjectPtr<TBitmap> Glyph = MakeBitmap(16, 8, clLime);
  Glyph->GetCanvas()->GetBrush()->SetColor(clRed);
  Glyph->GetCanvas()->FillRect(Rect(2, 2, 6, 6));
  Glyph->GetCanvas()->GetBrush()->SetColor(clBlue);
  Glyph->GetCanvas()->FillRect(Rect(10, 2, 14, 6));
  Button->SetGlyph(Glyph.get());
  Button->SetNumGlyphs(2);
  UpdateWindow(Wnd());
  TSurface* S = GetWindowSurface(Wnd());
  const TRect B = GetWindowSurfaceRect(Wnd());
  const TRect Face = Rect(B.Left + 10, B.Top + 10, B.Left + 34, B.Top + 32);
  // Centred: (24 - 8) / 2 = 8 across, (22 - 8) / 2 = 7 down; the lime corner is transparent.
  EXPECT_EQ(ColorBox(S, Rgb(clRed), Face), Bounds(Face.Left + 10, Face.Top + 9, 4, 4));
  EXPECT_EQ(CountColor(S, Rgb(clLime), Face), 0);
  Button->SetEnabled(false);
  UpdateWindow(Wnd());
  EXPECT_EQ(CountColor(S, Rgb(clRed), Face), 0);
  EXPECT_EQ(ColorBox(S, Rgb(clBlue), Face), Bounds(Face.Left + 10, Face.Top + 9, 4, 4));
}

TEST_F(ToolCtrlsKvButtonControlTest, AGlyphButtonShowsItsCaptionAndAFlatEdgeOfItsOwn) {
  Button->SetStyle(ebsGlyphKv);
  Button->SetBounds(10, 10, 40, 22);
  Button->SetCaption("Go");
  Button->SetFlat(true);
  UpdateWindow(Wnd());
  TSurface* S = GetWindowSurface(Wnd());
  const TRect B = GetWindowSurfaceRect(Wnd());
  ASSERT_NE(S->FindText("Go"), nullptr);
  EXPECT_EQ(S->GetPixel(B.Left + 10, B.Top + 10), Rgb(clWindow));  // framed in the parent's colour
  Button->SetActive(true);
  S->ClearRecords();
  UpdateWindow(Wnd());
  auto Edges = RecordsOf(S, TDrawKind::Edge);
  ASSERT_FALSE(Edges.empty());
  EXPECT_EQ(Edges.back().Flags, BDR_RAISEDINNER);
  EXPECT_EQ(Edges.back().Rect, Rect(B.Left + 10, B.Top + 10, B.Left + 50, B.Top + 32));
  Input.MouseDown(mbLeft, Wnd(), At(20, 10));
  UpdateWindow(Wnd());
  EXPECT_EQ(RecordsOf(S, TDrawKind::Edge).back().Flags, BDR_SUNKENOUTER);
  Release(20, 10);
}

}  // namespace
}  // namespace korvel
