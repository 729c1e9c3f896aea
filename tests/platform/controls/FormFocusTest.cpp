// Focusing a form: an inactive form gives the focus to its active control;
// an active one keeps the focus where it is.
#include <gtest/gtest.h>

#include "platform/controls/Forms.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Win.h"

namespace kvp {
namespace {

TEST(FormFocus, FocusingAFormGoesToItsActiveControlAndKeepsItThere) {
  ResetWindowSystem();
  Application()->Reset();
  {
    TObjectPtr<TForm> Form(TForm::Create(nullptr, 0));
    Form->SetBounds(10, 10, 300, 200);
    TEdit* First = TEdit::Create(Form.get());
    First->SetParent(Form.get());
    TEdit* Second = TEdit::Create(Form.get());
    Second->SetParent(Form.get());
    Second->SetTop(40);
    Form->SetActiveControl(Second);
    Form->Show();
    Form->SetFocus();
    EXPECT_EQ(GetFocus(), Second->GetHandle());
    // Regression: an active form took the focus into its own window and lost
    // its active control.
    Form->SetFocus();
    EXPECT_EQ(GetFocus(), Second->GetHandle());
    EXPECT_EQ(Form->GetActiveControl(), Second);
    First->SetFocus();
    Form->SetFocus();
    EXPECT_EQ(GetFocus(), First->GetHandle());
  }
  Application()->CheckNoExceptions();
  ResetWindowSystem();
}

}  // namespace
}  // namespace kvp
