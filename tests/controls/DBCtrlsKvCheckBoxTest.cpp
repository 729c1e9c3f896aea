// The data-aware check box, driven through the input driver: field values to
// checked, unchecked and grayed (lists of texts, Boolean fields, Null), the
// toggling cycle with and without AllowGrayed, the state written on leaving
// and at once when set by a program, one OnClick per change of the state
// (a click, a program or a record that shows another state), the space key,
// Escape and the accelerator, a read-only link, its layout and painting, and
// what a stored form keeps.
//
// Ideas for tests: the themed background answered through CN_CTLCOLORSTATIC.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "tests/controls/DBCtrlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

class DBCtrlsKvCheckBoxTest : public TDBFormFixture {
 protected:
  void SetUp() override {
    TDBFormFixture::SetUp();
    Box = TDBCheckBoxKv::Create(Form);
    Box->SetName("Check1");
    Box->SetCaption("&Vip");
    Box->SetBounds(10, 10, 120, 17);
    Box->SetParent(Form);
    Box->OnClick = Clicks.Event();
    Other = TEdit::Create(Form);
    Other->SetBounds(10, 200, 100, 24);
    Other->SetParent(Form);
    ShowForm();
    Other->SetFocus();
  }
  void Bind(const char* FieldName) {
    Box->SetDataSource(Source);
    Box->SetDataField(FieldName);
  }
  void ClickBox() {
    Input.Click(Box->GetHandle(), Point(5, 8));
    Advance(600);  // the next click is not part of a double click
  }
  TDBCheckBoxKv* Box = nullptr;
  TEdit* Other = nullptr;
  TNotifyLog Clicks;
};

TEST_F(DBCtrlsKvCheckBoxTest, TextsOfTheListsMeanCheckedOrUncheckedAnythingElseGrayed) {
  Box->SetValueChecked("Yes;Y");
  Box->SetValueUnchecked("No;N");
  Bind("Code");
  EXPECT_EQ(Box->GetState(), cbGrayed);  // "A-1" is in neither list
  People->Next();                        // "yes": case does not matter
  EXPECT_EQ(Box->GetState(), cbChecked);
  People->Next();  // Null
  EXPECT_EQ(Box->GetState(), cbGrayed);
  Clicks.Senders.clear();
  // Clicking a grayed box checks it and writes the first text of the list.
  ClickBox();
  EXPECT_EQ(Box->GetState(), cbChecked);
  EXPECT_EQ(People->GetState(), dsEdit);
  EXPECT_TRUE(Field("Code")->IsNull());  // not yet written
  Other->SetFocus();
  EXPECT_EQ(Field("Code")->GetAsString(), "Yes");
  ClickBox();
  Other->SetFocus();
  EXPECT_EQ(Field("Code")->GetAsString(), "No");
  EXPECT_EQ(Clicks.Count(), 2u);
  Box->SetValueUnchecked("n");  // the lists are read again
  EXPECT_EQ(Box->GetState(), cbGrayed);
}

TEST_F(DBCtrlsKvCheckBoxTest, ABooleanFieldIsReadAndWrittenAsABoolean) {
  Bind("Active");
  EXPECT_EQ(Box->GetState(), cbChecked);
  People->Next();
  EXPECT_EQ(Box->GetState(), cbUnchecked);
  Clicks.Senders.clear();
  ClickBox();
  EXPECT_TRUE(Box->GetChecked());
  People->Next();  // moving posts the toggled state
  EXPECT_EQ(Box->GetState(), cbGrayed);
  People->Prior();
  EXPECT_TRUE(Field("Active")->GetAsBoolean());
  EXPECT_EQ(Clicks.Count(), 3u);  // the click and the two records that changed the state
  // Set by a program: written at once.
  Box->SetChecked(false);
  EXPECT_EQ(People->GetState(), dsEdit);
  EXPECT_FALSE(Field("Active")->GetAsBoolean());
  EXPECT_EQ(Clicks.Count(), 4u);
  Box->SetState(cbGrayed);
  EXPECT_TRUE(Field("Active")->IsNull());
}

TEST_F(DBCtrlsKvCheckBoxTest, TheCycleTakesInGrayedOnlyWhenAllowed) {
  std::vector<TCheckBoxState> Seen;
  for (Integer I = 0; I < 3; ++I) {
    ClickBox();
    Seen.push_back(Box->GetState());
  }
  EXPECT_EQ(Seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbChecked}));
  Box->SetChecked(false);
  Box->SetAllowGrayed(true);
  Seen.clear();
  for (Integer I = 0; I < 3; ++I) {
    ClickBox();
    Seen.push_back(Box->GetState());
  }
  EXPECT_EQ(Seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  EXPECT_EQ(Clicks.Count(), 7u);  // six clicks and the program's one
}

TEST_F(DBCtrlsKvCheckBoxTest, UnboundTheValueIsTrueFalseOrNull) {
  EXPECT_TRUE(Box->IsDataIndependent());
  EXPECT_TRUE(VarEquals(Box->GetDataLink()->GetValue(), Variant(false)));
  Box->SetAllowGrayed(true);
  ClickBox();  // grayed
  Other->SetFocus();
  EXPECT_TRUE(VarIsNull(Box->GetDataLink()->GetValue()));
  ClickBox();
  Other->SetFocus();
  EXPECT_TRUE(VarEquals(Box->GetDataLink()->GetValue(), Variant(true)));
  Box->SetState(cbUnchecked);
  EXPECT_TRUE(VarEquals(Box->GetDataLink()->GetValue(), Variant(false)));
  // A value given to the link shows as its state.
  Box->GetDataLink()->SetValue(Variant(true));
  EXPECT_EQ(Box->GetState(), cbChecked);
  Box->GetDataLink()->SetValue(Variant("other"));
  EXPECT_EQ(Box->GetState(), cbGrayed);
}

TEST_F(DBCtrlsKvCheckBoxTest, EveryClickFiresOneOnClickADoubleClickTwo) {
  ClickBox();
  EXPECT_EQ(Clicks.Count(), 1u);
  Input.DoubleClick(Box->GetHandle(), Point(5, 8));
  EXPECT_EQ(Clicks.Count(), 3u);
  EXPECT_TRUE(Box->GetChecked());
  Advance(600);
  // A press released outside is no click.
  Input.MouseDown(mbLeft, Box->GetHandle(), Point(5, 8));
  Input.MouseUp(mbLeft, Box->GetHandle(), Point(300, 8));
  EXPECT_EQ(Clicks.Count(), 3u);
}

TEST_F(DBCtrlsKvCheckBoxTest, SpaceTogglesOnReleaseEscapeBringsTheFieldBack) {
  Bind("Active");
  Box->SetFocus();
  Input.KeyDown(VK_SPACE);
  EXPECT_TRUE(Box->GetChecked());  // not yet
  Input.KeyUp(VK_SPACE);
  EXPECT_FALSE(Box->GetChecked());
  EXPECT_EQ(People->GetState(), dsEdit);
  EXPECT_TRUE(Box->GetModified());
  EXPECT_EQ(Box->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_FALSE(Box->GetModified());
  Other->SetFocus();
  EXPECT_TRUE(Field("Active")->GetAsBoolean());
  // The caption's accelerator focuses and toggles.
  Input.KeyPress('V', {ssAlt});
  EXPECT_TRUE(Box->Focused());
  EXPECT_FALSE(Box->GetChecked());
}

// Applications follow the record in OnClick: a record that shows another
// state fires it once, like a program's change; one that shows the same
// state, or writing the user's state back, fires none.
TEST_F(DBCtrlsKvCheckBoxTest, ARecordThatChangesTheStateFiresOneOnClick) {
  std::vector<TCheckBoxState> SeenInOnClick;
  Box->OnClick = [&](TObject*) { SeenInOnClick.push_back(Box->GetState()); };
  Bind("Active");  // Ann: checked
  People->Next();  // Bob: unchecked
  People->Next();  // Cid: Null
  People->Last();  // the same record again
  People->First();
  EXPECT_EQ(SeenInOnClick,
            (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbGrayed, cbChecked}));
  EXPECT_FALSE(Box->GetModified());
  // A record edited elsewhere shows at once, with its click.
  People->Edit();
  Field("Active")->SetAsBoolean(false);
  EXPECT_EQ(SeenInOnClick.back(), cbUnchecked);
  EXPECT_EQ(SeenInOnClick.size(), 5u);
  // The user's own toggle is one click, posting it none more.
  ClickBox();
  People->Post();
  EXPECT_EQ(SeenInOnClick.size(), 6u);
  EXPECT_TRUE(Field("Active")->GetAsBoolean());
  // Unbound: a value given to the link is a change like any other.
  Box->SetDataSource(nullptr);
  Box->SetDataField("");
  SeenInOnClick.clear();
  Box->GetDataLink()->SetValue(Variant(true));
  Box->GetDataLink()->SetValue(Variant(true));
  EXPECT_EQ(SeenInOnClick, (std::vector<TCheckBoxState>{cbChecked}));
}

TEST_F(DBCtrlsKvCheckBoxTest, AReadOnlyLinkOrFieldKeepsTheState) {
  Bind("Active");
  Clicks.Senders.clear();
  Box->SetReadOnly(true);
  ClickBox();
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_EQ(People->GetState(), dsBrowse);
  EXPECT_EQ(Clicks.Count(), 0u);
  Box->SetReadOnly(false);
  Field("Active")->SetReadOnly(true);
  ClickBox();
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_EQ(People->GetState(), dsBrowse);
}

TEST_F(DBCtrlsKvCheckBoxTest, AValueTheFieldRefusesOnLeavingKeepsTheFocus) {
  Box->SetValueChecked("1");
  Box->SetValueUnchecked("none");
  Bind("ID");
  EXPECT_EQ(Box->GetState(), cbChecked);
  Box->SetFocus();
  ClickBox();
  Other->SetFocus();
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  Application()->ClearHandledExceptions();
  EXPECT_TRUE(Box->Focused());
  EXPECT_FALSE(Box->GetChecked());  // the user's state is kept
  EXPECT_EQ(Field("ID")->GetAsInteger(), 1);
}

TEST_F(DBCtrlsKvCheckBoxTest, DesignTimeLeavesABoundBoxAlone) {
  Bind("Active");
  Box->SetDesigning(true, false);
  Box->SetChecked(false);
  EXPECT_TRUE(Box->GetChecked());
  EXPECT_EQ(People->GetState(), dsBrowse);
  Box->SetDesigning(false, false);
  // A box without a dataset shows its state and writes it nowhere.
  TDBCheckBoxKv* Loose = TDBCheckBoxKv::Create(Form);
  Loose->SetDataField("Active");
  EXPECT_NO_THROW(Loose->SetChecked(true));
  EXPECT_TRUE(Loose->GetChecked());
}

TEST_F(DBCtrlsKvCheckBoxTest, TheBoxStandsBesideTheCaptionAndMovesRightToLeft) {
  const TRect Box0 = Box->BoxRect();
  EXPECT_EQ(Box0.Left, 0);
  EXPECT_EQ(Box0.Width(), DefaultCheckBoxWidth());
  EXPECT_EQ(Box0.Top, (17 - DefaultCheckBoxHeight()) / 2);
  EXPECT_EQ(Box->CaptionRect().Left, Box0.Right + 5);
  Box->SetAlignment(taLeftJustify);
  EXPECT_EQ(Box->BoxRect().Right, Box->GetClientWidth());
  EXPECT_EQ(Box->CaptionRect().Right, Box->BoxRect().Left - 5);
  Box->SetAlignment(taRightJustify);
  SysLocale.MiddleEast = true;
  Box->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Box->BoxRect().Right, Box->GetClientWidth());
}

TEST_F(DBCtrlsKvCheckBoxTest, PaintsItsBoxStateCaptionAndFocus) {
  Box->SetChecked(true);
  Box->SetFocus();
  UpdateWindow(FormWnd());
  const TSurface* S = GetWindowSurface(FormWnd());
  const TRect W = GetWindowSurfaceRect(Box->GetHandle());
  const TDrawRecord* Caption = S->FindText("Vip");
  ASSERT_NE(Caption, nullptr);
  EXPECT_EQ(Caption->Rect.Left, W.Left + Box->CaptionRect().Left);
  EXPECT_EQ(Caption->Color, Rgb(clWindowText));
  // The box: a white face with a black tick inside.
  TRect B = Box->BoxRect();
  OffsetRect(B, W.Left, W.Top);
  EXPECT_GT(CountColor(S, Rgb(clWhite), B), 0);
  EXPECT_GT(CountColor(S, Rgb(clBlack), B), 0);
  bool Focus = false;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == TDrawKind::Frame && R.Rect.Left == Caption->Rect.Left - 1) Focus = true;
  EXPECT_TRUE(Focus);
  // Disabled: the caption embossed, grey over white.
  Box->SetEnabled(false);
  UpdateWindow(FormWnd());
  std::vector<COLORREF> Colours;
  for (const TDrawRecord* R : S->TextsAt(W))
    if (R->Text == "Vip") Colours.push_back(R->Color);
  ASSERT_GE(Colours.size(), 2u);
  EXPECT_EQ(Colours[Colours.size() - 2], Rgb(clBtnHighlight));
  EXPECT_EQ(Colours.back(), Rgb(clGrayText));
}

TEST_F(DBCtrlsKvCheckBoxTest, AStoredFormKeepsAnUnboundStateAndTheTexts) {
  TForm* Dialog = TForm::Create(nullptr);
  TDBCheckBoxKv* A = TDBCheckBoxKv::Create(Dialog);
  A->SetName("A");
  A->SetParent(Dialog);
  A->SetState(cbGrayed);
  A->SetValueChecked("Ja");
  TDBCheckBoxKv* B = TDBCheckBoxKv::Create(Dialog);
  B->SetName("B");
  B->SetParent(Dialog);
  TDBCheckBoxKv* C = TDBCheckBoxKv::Create(Dialog);
  C->SetName("C");
  C->SetParent(Dialog);
  C->SetDataField("Active");
  C->SetChecked(true);  // bound: the field's, not stored
  const String Text = ComponentToText(Dialog);
  FreeAndNil(Dialog);
  EXPECT_EQ(Text.find("State"), Text.rfind("State"));
  EXPECT_NE(Text.find("State = cbGrayed"), String::npos);
  EXPECT_NE(Text.find("ValueChecked = 'Ja'"), String::npos);
  EXPECT_EQ(Text.find("ValueUnchecked"), String::npos);
  EXPECT_EQ(Text.find(" Checked = "), String::npos);
  TObjectPtr<TForm> Read(TForm::Create(nullptr));
  ReadComponentText(Text, Read.get());
  auto* RA = static_cast<TDBCheckBoxKv*>(Read->FindComponent("A"));
  ASSERT_NE(RA, nullptr);
  EXPECT_EQ(RA->GetState(), cbGrayed);
  EXPECT_TRUE(VarIsNull(RA->GetDataLink()->GetValue()));
  EXPECT_EQ(RA->GetValueChecked(), "Ja");
}

}  // namespace
}  // namespace korvel
