// MessageDlg and ShowMessage: questions are recorded with their type and
// buttons, answered from the queue in order, and a question nobody answers
// (or answers with a button it does not offer) fails loudly.
#include <gtest/gtest.h>

#include "platform/controls/Dialogs.h"

namespace kvp {
namespace {

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ResetMessageDlgScript();
  }
  void TearDown() override { ResetMessageDlgScript(); }
};

TEST_F(DialogsTest, AnswersComeFromTheQueueInOrderAndEveryQuestionIsRecorded) {
  QueueMessageDlgAnswer(mrYes);
  QueueMessageDlgAnswer(mrAll);
  EXPECT_EQ(MessageDlg("Delete the record?", mtConfirmation, {mbYes, mbNo}, 0), mrYes);
  EXPECT_EQ(MessageDlg("Overwrite?", mtError, {mbYes, mbNo, mbAll}, 7), mrAll);
  ShowMessage("Done");

  const auto& Log = GetMessageDlgLog();
  ASSERT_EQ(Log.size(), 3u);
  EXPECT_EQ(Log[0].Msg, "Delete the record?");
  EXPECT_EQ(Log[0].DlgType, mtConfirmation);
  EXPECT_EQ(Log[0].Buttons, (TMsgDlgButtons{mbYes, mbNo}));
  EXPECT_EQ(Log[0].Answer, mrYes);
  EXPECT_EQ(Log[1].HelpCtx, 7);
  EXPECT_EQ(Log[1].Answer, mrAll);
  EXPECT_EQ(Log[2].Msg, "Done");
  EXPECT_EQ(Log[2].Answer, mrNone);
  EXPECT_EQ(GetQueuedMessageDlgAnswerCount(), 0);
}

TEST_F(DialogsTest, AQuestionWithoutAnAnswerRaisesNamingTheQuestion) {
  try {
    MessageDlg("Post the changes?", mtConfirmation, mbOKCancel, 0);
    FAIL() << "MessageDlg returned without an answer";
  } catch (const EInvalidOperation& E) {
    EXPECT_NE(E.GetMessage().find("Post the changes?"), String::npos);
  }
  ASSERT_EQ(GetMessageDlgLog().size(), 1u);  // the question was still asked
}

TEST_F(DialogsTest, AnAnswerThatIsNotOneOfTheButtonsRaises) {
  QueueMessageDlgAnswer(mrYes);
  EXPECT_THROW(MessageDlg("Save?", mtWarning, mbOKCancel, 0), EInvalidOperation);
}

TEST_F(DialogsTest, AShowMessageDoesNotUseUpAnAnswer) {
  QueueMessageDlgAnswer(mrCancel);
  ShowMessage("Note");
  EXPECT_EQ(GetQueuedMessageDlgAnswerCount(), 1);
  EXPECT_EQ(MessageDlg("Continue?", mtConfirmation, mbOKCancel, 0), mrCancel);
}

}  // namespace
}  // namespace kvp
