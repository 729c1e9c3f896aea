// Actions reaching controls: an action without a handler of its own runs on,
// and is updated by, the focused control, else the active form, else the
// main form; the idle step updates the actions of the shown forms' action
// lists, so that what shows an action follows the focused control.
#include <gtest/gtest.h>

#include "platform/classes/Actions.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace kvp {
namespace {

// A focusable control that takes copy actions while it holds a text.
class TCopyTarget : public TCustomControl {
  KV_CLASS(TCopyTarget, TCustomControl)
 public:
  explicit TCopyTarget(TComponent* AOwner) : TCustomControl(AOwner) {}
  String Text;
  Integer Copies = 0;
  bool ExecuteAction(TBasicAction* Action) override {
    if (!DynCast<TEditCopy>(Action) || Text.empty()) return inherited::ExecuteAction(Action);
    ++Copies;
    return true;
  }
  bool UpdateAction(TBasicAction* Action) override {
    auto* Copy = DynCast<TEditCopy>(Action);
    if (!Copy) return inherited::UpdateAction(Action);
    Copy->SetEnabled(!Text.empty());
    return true;
  }

 protected:
  void Construct() override {
    inherited::Construct();
    FTabStop = true;
  }
};

class ActionRouteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    Form = TForm::Create(nullptr);
    Form->SetBounds(10, 10, 300, 200);
    Target = TCopyTarget::Create(Form);
    Target->SetBounds(10, 10, 100, 50);
    Target->SetParent(Form);
    Other = TCopyTarget::Create(Form);
    Other->SetBounds(10, 80, 100, 50);
    Other->SetParent(Form);
    Actions = TActionList::Create(Form);
    Copy = TEditCopy::Create(Form);
    Copy->SetActionList(Actions);
    Form->Show();
  }
  void TearDown() override {
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  TForm* Form = nullptr;
  TCopyTarget* Target = nullptr;
  TCopyTarget* Other = nullptr;
  TActionList* Actions = nullptr;
  TEditCopy* Copy = nullptr;
};

TEST_F(ActionRouteTest, AnActionRunsOnTheFocusedControlOnlyWhenItTakesIt) {
  Target->Text = "abc";
  Target->SetFocus();
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Target->Copies, 1);
  // The other control has nothing to copy: the update disables the action,
  // and the run does nothing.
  Other->SetFocus();
  EXPECT_FALSE(Copy->Execute());
  EXPECT_FALSE(Copy->GetEnabled());
  EXPECT_EQ(Target->Copies, 1);
  EXPECT_EQ(Other->Copies, 0);
  // An action with a handler of its own never reaches the controls.
  Target->SetFocus();
  Integer Own = 0;
  Copy->OnExecute = TNotifyEvent([&](TObject*) { ++Own; });
  EXPECT_TRUE(Copy->Execute());
  EXPECT_EQ(Own, 1);
  EXPECT_EQ(Target->Copies, 1);
}

TEST_F(ActionRouteTest, TheIdleStepUpdatesTheActionsOfShownForms) {
  Target->Text = "abc";
  Target->SetFocus();
  Application()->Idle();
  EXPECT_TRUE(Copy->GetEnabled());
  Other->SetFocus();
  Application()->Idle();
  EXPECT_FALSE(Copy->GetEnabled()) << "the focused control has nothing to copy";
  // A hidden form's actions are left as they are.
  Target->SetFocus();
  Form->Hide();
  Application()->Idle();
  EXPECT_FALSE(Copy->GetEnabled());
}

}  // namespace
}  // namespace kvp
