// Forms: a stored form read into a form class (nested controls bound to its
// fields, events to its methods), ShowModal ended by a button's ModalResult,
// Enter and Escape for the default and cancel buttons, a modal loop that has
// nothing left to do, closing, placement and scaling.
#include <gtest/gtest.h>

#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Timer.h"

namespace kvp {
namespace {

// A push button: clicks, and takes Enter (Default) or Escape (Cancel) from
// the form's dialog keys; its ModalResult ends a modal form.
class TTestButton : public TCustomControl {
  KV_CLASS(TTestButton, TCustomControl)
 public:
  explicit TTestButton(TComponent* AOwner) : TCustomControl(AOwner) {}
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  void Click() override {
    if (TCustomForm* Form = GetParentForm(this)) Form->SetModalResult(FModalResult);
    inherited::Click();
  }
  KV_PUBLISHED {
    P.Prop("Caption", &TTestButton::GetText, &TTestButton::SetText);
    P.Prop("Cancel", &TTestButton::GetCancel, &TTestButton::SetCancel);
    P.Prop("Default", &TTestButton::GetDefault, &TTestButton::SetDefault);
    P.Prop("ModalResult", &TTestButton::GetModalResult, &TTestButton::SetModalResult);
    P.Prop("TabOrder", &TTestButton::GetTabOrder, &TTestButton::SetTabOrder);
    P.Prop("OnClick", &TTestButton::OnClick);
  }

 protected:
  void Construct() override {
    inherited::Construct();
    FTabStop = true;
  }
  void CMDialogKey(TWMKey& M) {
    bool Plain = KeyDataToShiftState(M.KeyData).Empty();
    if (Plain && ((M.CharCode == VK_RETURN && FDefault) || (M.CharCode == VK_ESCAPE && FCancel)) &&
        CanFocus()) {
      Click();
      M.Result = 1;
      return;
    }
    inherited::Dispatch(reinterpret_cast<TMessage&>(M));
  }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_DIALOGKEY, CMDialogKey)
  KV_END_MESSAGE_MAP

 private:
  TModalResult FModalResult = mrNone;
  bool FDefault = false;
  bool FCancel = false;
};

// A panel that holds other controls.
class TTestPanel : public TCustomControl {
  KV_CLASS(TTestPanel, TCustomControl)
 public:
  explicit TTestPanel(TComponent* AOwner) : TCustomControl(AOwner) {}
  KV_PUBLISHED {
    P.Prop("Color", &TTestPanel::GetColor, &TTestPanel::SetColor)
        .Stored(&TTestPanel::IsColorStored);
    P.Prop("ParentColor", &TTestPanel::GetParentColor, &TTestPanel::SetParentColor).Default(true);
  }

 protected:
  void Construct() override {
    inherited::Construct();
    FControlStyle += csAcceptsControls;
  }
};

// The form class a stored form is read into.
class TLoginForm : public TForm {
  KV_CLASS(TLoginForm, TForm)
 public:
  explicit TLoginForm(TComponent* AOwner) : TForm(AOwner) {}
  TLoginForm(TComponent* AOwner, Integer Dummy) : TForm(AOwner, Dummy) {}
  TTestPanel* Panel1 = nullptr;
  TTestButton* OkButton = nullptr;
  TTestButton* CancelButton = nullptr;
  TPopupMenu* Menu1 = nullptr;
  std::vector<String> Log;
  void OkButtonClick(TObject*) { Log.push_back("ok clicked"); }
  void FormShow(TObject*) { Log.push_back("shown"); }
  void CopyItemClick(TObject*) { Log.push_back("copy"); }
  KV_PUBLISHED {
    P.Field("Panel1", &TLoginForm::Panel1);
    P.Field("OkButton", &TLoginForm::OkButton);
    P.Field("CancelButton", &TLoginForm::CancelButton);
    P.Field("Menu1", &TLoginForm::Menu1);
    P.Method("OkButtonClick", &TLoginForm::OkButtonClick);
    P.Method("FormShow", &TLoginForm::FormShow);
    P.Method("CopyItemClick", &TLoginForm::CopyItemClick);
  }
};

const char* const LoginFormText =
    "object LoginForm: TLoginForm\n"
    "  Left = 200\n"
    "  Top = 150\n"
    "  Width = 320\n"
    "  Height = 200\n"
    "  Caption = 'Log in'\n"
    "  Color = clBtnFace\n"
    "  OnShow = FormShow\n"
    "  object Panel1: TTestPanel\n"
    "    Left = 8\n"
    "    Top = 8\n"
    "    Width = 290\n"
    "    Height = 120\n"
    "    object OkButton: TTestButton\n"
    "      Left = 10\n"
    "      Top = 80\n"
    "      Width = 75\n"
    "      Height = 25\n"
    "      Caption = 'OK'\n"
    "      Default = True\n"
    "      ModalResult = 1\n"
    "      OnClick = OkButtonClick\n"
    "    end\n"
    "    object CancelButton: TTestButton\n"
    "      Left = 100\n"
    "      Top = 80\n"
    "      Width = 75\n"
    "      Height = 25\n"
    "      Caption = 'Cancel'\n"
    "      Cancel = True\n"
    "      ModalResult = 2\n"
    "    end\n"
    "  end\n"
    "  object Menu1: TPopupMenu\n"
    "    object CopyItem: TMenuItem\n"
    "      Caption = '&Copy'\n"
    "      ShortCut = 16451\n"
    "      OnClick = CopyItemClick\n"
    "    end\n"
    "  end\n"
    "end\n";

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ResetPopupScript();
    Form = TLoginForm::Create(nullptr, 0);
    Form->LoadFromText(LoginFormText);
  }
  void TearDown() override {
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  TLoginForm* Form = nullptr;
};

TEST_F(FormsTest, AStoredFormBuildsItsNestedControlsAndBindsFieldsAndEvents) {
  ASSERT_NE(Form->Panel1, nullptr);
  ASSERT_NE(Form->OkButton, nullptr);
  ASSERT_NE(Form->CancelButton, nullptr);
  ASSERT_NE(Form->Menu1, nullptr);
  EXPECT_EQ(Form->OkButton->GetParent(), Form->Panel1);
  EXPECT_EQ(Form->Panel1->GetParent(), Form);
  EXPECT_EQ(Form->OkButton->GetOwner(), Form);
  EXPECT_EQ(Form->GetBoundsRect(), Rect(200, 150, 520, 350));
  EXPECT_EQ(Form->GetCaption(), "Log in");
  EXPECT_EQ(Form->OkButton->GetCaption(), "OK");
  EXPECT_EQ(Form->OkButton->GetModalResult(), mrOk);
  EXPECT_EQ(Form->Panel1->GetColor(), clBtnFace);  // ParentColor took the form's
  ASSERT_EQ(Form->Menu1->GetItems()->GetCount(), 1);
  EXPECT_EQ(Form->Menu1->GetItems()->GetItems(0)->GetShortCut(), ShortCut('C', {ssCtrl}));
  EXPECT_FALSE(Form->GetComponentState().Contains(csLoading));

  Form->Show();
  EXPECT_EQ(Form->Log, (std::vector<String>{"shown"}));
  TPoint Origin = Form->OkButton->ClientToScreen(Point(0, 0));
  TPoint FormOrigin = Form->GetClientOrigin();
  EXPECT_EQ(Origin.X - FormOrigin.X, 18);
  EXPECT_EQ(Origin.Y - FormOrigin.Y, 88);
  Input.Click(Form->OkButton->GetHandle(), Point(5, 5));
  EXPECT_EQ(Form->Log, (std::vector<String>{"shown", "ok clicked"}));
}

TEST_F(FormsTest, ShowModalEndsWithTheModalResultOfTheButtonClicked) {
  Application()->QueueModalAction([](TCustomForm* F) {
    Input.Click(static_cast<TLoginForm*>(F)->OkButton->GetHandle(), Point(3, 3));
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_FALSE(Form->GetVisible());
  EXPECT_FALSE(Form->GetFormState().Contains(fsModal));
  EXPECT_EQ(Form->Log, (std::vector<String>{"shown", "ok clicked"}));
}

TEST_F(FormsTest, AFailureToHideAtTheEndOfAModalLoopReachesTheCaller) {
  Form->OnHide = [](TObject*) { throw EInvalidOperation("cannot hide now"); };
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_RETURN); });
  bool Raised = false;
  try {
    Form->ShowModal();
  } catch (const EInvalidOperation& E) {
    Raised = E.GetMessage() == "cannot hide now";
  }
  EXPECT_TRUE(Raised);
  EXPECT_FALSE(Form->GetFormState().Contains(fsModal));
  Form->OnHide = nullptr;
}

TEST_F(FormsTest, EscapeClicksTheCancelButtonAndEnterTheDefaultOne) {
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_ESCAPE); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_RETURN); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  // With Shift held Escape is no dialog key, so nothing ends the loop.
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_ESCAPE, {ssShift}); });
  EXPECT_THROW(Form->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, AModalLoopWithNothingLeftToDoRaisesInsteadOfHanging) {
  try {
    Form->ShowModal();
    FAIL() << "ShowModal returned";
  } catch (const EInvalidOperation& E) {
    EXPECT_NE(E.GetMessage().find("LoginForm"), String::npos);
  }
  EXPECT_FALSE(Form->GetVisible());
  EXPECT_FALSE(Form->GetFormState().Contains(fsModal));
  Form->Show();
  EXPECT_THROW(Form->ShowModal(), EInvalidOperation);  // a visible form cannot go modal
}

TEST_F(FormsTest, OnCloseQueryCanKeepAModalFormOpen) {
  Integer Asked = 0;
  Form->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++Asked > 1; };
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_ESCAPE); });
  Application()->QueueModalAction([](TCustomForm* F) { F->Close(); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(Asked, 2);
}

TEST_F(FormsTest, CloseAsksThenHidesOrLeavesTheFormAsOnCloseSays) {
  Form->Show();
  TCloseAction Action = caNone;
  Form->OnClose = [&](TObject*, TCloseAction& A) { A = Action; };
  Form->Close();
  EXPECT_TRUE(Form->GetVisible());
  Action = caHide;
  Form->Close();
  EXPECT_FALSE(Form->GetVisible());
  EXPECT_FALSE(IsWindowVisible(Form->GetHandle()));
}

TEST_F(FormsTest, AShortcutOfAMenuTheFormOwnsRunsItsItem) {
  Form->Show();
  Input.KeyPress('C', {ssCtrl});
  EXPECT_EQ(Form->Log, (std::vector<String>{"shown", "copy"}));
}

TEST_F(FormsTest, ScreenCenterPlacesTheFormInTheMiddleOfTheScreen) {
  Form->SetPosition(poScreenCenter);
  Form->Show();
  EXPECT_EQ(Form->GetLeft(), (Screen()->GetWidth() - 320) / 2);
  EXPECT_EQ(Form->GetTop(), (Screen()->GetHeight() - 200) / 2);
}

TEST_F(FormsTest, ActivationMovesBetweenFormsWithTheFocus) {
  std::vector<String> Log;
  Form->OnActivate = [&](TObject*) { Log.push_back("login activate"); };
  Form->OnDeactivate = [&](TObject*) { Log.push_back("login deactivate"); };
  Form->Show();
  EXPECT_EQ(Screen()->GetActiveForm(), Form);
  TObjectPtr<TLoginForm> Other(TLoginForm::Create(nullptr, 0));
  Other->SetName("Other");
  Other->LoadFromText(LoginFormText);
  Other->OnActivate = [&](TObject*) { Log.push_back("other activate"); };
  Other->Show();
  EXPECT_EQ(Log, (std::vector<String>{"login activate", "login deactivate", "other activate"}));
  EXPECT_EQ(Screen()->GetActiveForm(), Other.get());
  EXPECT_EQ(Screen()->GetActiveControl(), Other->OkButton);  // the first in tab order
}

TEST(StoredVisibleForm, IsShownOnceItIsWholeWithItsShowEventBound) {
  ResetWindowSystem();
  Application()->Reset();
  String Text = LoginFormText;
  Text.insert(Text.find("  OnShow"), "  Visible = True\n");
  TObjectPtr<TLoginForm> Form(TLoginForm::Create(nullptr, 0));
  Form->LoadFromText(Text);
  EXPECT_TRUE(Form->GetShowing());
  EXPECT_TRUE(IsWindowVisible(Form->OkButton->GetHandle()));
  EXPECT_EQ(Form->Log, (std::vector<String>{"shown"}));  // the stored handler, once
  Form.reset();
  ResetWindowSystem();
}

TEST_F(FormsTest, AnErrorFromATimerIsHandledByTheApplicationAndTheTimerGoesOn) {
  TObjectPtr<TTimer> Timer(TTimer::Create(nullptr));
  int Ticks = 0;
  Timer->SetInterval(100);
  Timer->SetOnTimer([&Ticks](TObject*) {
    if (++Ticks == 1) throw EConvertError("'x' is not a valid integer value");
  });
  Advance(250);
  EXPECT_EQ(Ticks, 2);
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  EXPECT_EQ(Application()->GetHandledExceptions()[0].ClassName, "EConvertError");
  EXPECT_EQ(Application()->GetHandledExceptions()[0].Sender, Timer.get());
  Application()->ClearHandledExceptions();
}

TEST_F(FormsTest, ReleaseFreesTheFormOnceTheQueueGetsToIt) {
  bool Destroyed = false;
  bool DestroyedInClick = true;
  TForm* Second = TForm::Create(nullptr);
  Second->OnDestroy = [&](TObject*) { Destroyed = true; };
  Second->Show();
  Second->OnClick = [&](TObject*) {
    Second->Release();
    DestroyedInClick = Destroyed;  // still handling its own click: not yet
  };
  Input.Click(Second->GetHandle(), Point(10, 10));  // the driver pumps the queue to the end
  EXPECT_FALSE(DestroyedInClick);
  EXPECT_TRUE(Destroyed);
  EXPECT_EQ(Screen()->GetFormCount(), 1);
}

TEST(FormResource, AFormClassWithoutAStoredFormCannotBeCreatedButCreateNewCan) {
  ResetWindowSystem();
  Application()->Reset();
  try {
    TLoginForm::Create(nullptr);
    FAIL() << "a form without its stored form was created";
  } catch (const EResNotFound& E) {
    EXPECT_EQ(E.GetMessage(), "Resource TLoginForm not found");
  }
  EXPECT_EQ(Screen()->GetFormCount(), 0);
  TObjectPtr<TLoginForm> Form(TLoginForm::Create(nullptr, 0));
  EXPECT_EQ(Form->OkButton, nullptr);
  EXPECT_EQ(Screen()->GetFormCount(), 1);
  Form.reset();
  ResetWindowSystem();
}

TEST_F(FormsTest, AModalFormDisablesTheOtherFormsWhileItRuns) {
  TObjectPtr<TForm> Main(TForm::Create(nullptr));
  Main->Show();
  bool MainEnabledDuringModal = true;
  Application()->QueueModalAction([&](TCustomForm* F) {
    MainEnabledDuringModal = IsWindowEnabled(Main->GetHandle());
    F->SetModalResult(mrOk);
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_FALSE(MainEnabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(Main->GetHandle()));
}

TEST(ScreenAndMouse, MonitorsCursorsAndTheWheel) {
  ResetWindowSystem();
  Application()->Reset();
  SetMonitors({{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 740)},
               {Rect(1024, 0, 2048, 768), Rect(1024, 0, 2048, 768)}});
  TScreen* S = Screen();
  ASSERT_EQ(S->GetMonitorCount(), 2);
  EXPECT_TRUE(S->GetMonitors(0)->GetPrimary());
  EXPECT_EQ(S->GetMonitors(0)->GetWorkareaRect(), Rect(0, 0, 1024, 740));
  EXPECT_EQ(S->MonitorFromPoint(Point(1500, 10)), S->GetMonitors(1));
  EXPECT_EQ(S->MonitorFromRect(Rect(1000, 0, 1200, 50)), S->GetMonitors(1));
  EXPECT_THROW(S->GetMonitors(2), EListError);

  EXPECT_EQ(S->GetCursors(crIBeam), LoadCursor(nullptr, IDC_IBEAM));
  EXPECT_EQ(S->GetCursors(crDefault), LoadCursor(nullptr, IDC_ARROW));
  // The splitter cursors are sizing cursors, not the arrow.
  EXPECT_EQ(S->GetCursors(crHSplit), LoadCursor(nullptr, IDC_SIZEWE));
  EXPECT_EQ(S->GetCursors(crVSplit), LoadCursor(nullptr, IDC_SIZENS));
  HCURSOR Custom = LoadCursor(nullptr, IDC_CROSS);
  S->SetCursors(5, Custom);
  EXPECT_EQ(S->GetCursors(5), Custom);
  EXPECT_EQ(StringToCursor("crHandPoint"), crHandPoint);
  EXPECT_EQ(CursorToString(crSizeAll), "crSizeAll");
  EXPECT_THROW(StringToCursor("crNothing"), EConvertError);

  EXPECT_EQ(Mouse->GetWheelScrollLines(), 3);
  EXPECT_EQ(Mouse->GetDragThreshold(), 5);
  Mouse->SetCursorPos(Point(40, 50));
  EXPECT_EQ(Mouse->GetCursorPos(), Point(40, 50));
  EXPECT_EQ(S->GetPixelsPerInch(), 96);
  ResetWindowSystem();
}

TEST(FormScaling, AFormStoredAtAnotherResolutionIsScaledAndAZeroResolutionIsIgnored) {
  ResetWindowSystem();
  Application()->Reset();
  const char* Text =
      "object LoginForm: TLoginForm\n"
      "  Left = 0\n"
      "  Top = 0\n"
      "  Width = 240\n"
      "  Height = 120\n"
      "  PixelsPerInch = %d\n"
      "  object Panel1: TTestPanel\n"
      "    Left = 12\n"
      "    Top = 24\n"
      "    Width = 120\n"
      "    Height = 60\n"
      "  end\n"
      "end\n";
  char Buffer[512];
  std::snprintf(Buffer, sizeof Buffer, Text, 120);
  TObjectPtr<TLoginForm> Scaled(TLoginForm::Create(nullptr, 0));
  Scaled->LoadFromText(Buffer);
  EXPECT_EQ(Scaled->Panel1->GetBoundsRect(), Rect(10, 19, 106, 67));  // 96 / 120
  EXPECT_EQ(Scaled->GetPixelsPerInch(), 96);

  std::snprintf(Buffer, sizeof Buffer, Text, 0);
  TObjectPtr<TLoginForm> Kept(TLoginForm::Create(nullptr, 0));
  Kept->LoadFromText(Buffer);
  EXPECT_EQ(Kept->Panel1->GetBoundsRect(), Rect(12, 24, 132, 84));
  Scaled.reset();
  Kept.reset();
  ResetWindowSystem();
}

}  // namespace
}  // namespace kvp
