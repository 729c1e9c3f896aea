// The standard edit actions (cut, copy, paste, select all, undo, delete) over
// edit boxes on a form, chosen as an application's Edit menu chooses them:
// the application offers them to the focused control, and they run only
// when their update leaves them enabled.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/classes/Actions.h"
#include "platform/controls/StdCtrls.h"
#include "platform/win/Clipboard.h"

namespace kvp {
namespace {

class EditActionsTest : public testutil::TFormTest {
 protected:
  void SetUp() override {
    testutil::TFormTest::SetUp();
    E = Add<TEdit>("Edit1", {10, 10, 160, 31});
    Other = Add<TEdit>("Edit2", {10, 50, 160, 71});
    Cut = TEditCut::Create(Form);
    Copy = TEditCopy::Create(Form);
    Paste = TEditPaste::Create(Form);
    SelectAll = TEditSelectAll::Create(Form);
    Undo = TEditUndo::Create(Form);
    Delete = TEditDelete::Create(Form);
    Form->Show();
  }
  // What an Edit menu does: the application offers the action to the
  // focused control, which updates it; Choose then runs it, only when enabled.
  bool Offered(TEditAction* Action) { return Action->Update(); }
  bool Choose(TEditAction* Action) { return Action->Execute(); }
  // The edit's text with the characters From..To selected.
  void Select(TCustomEdit* Edit, Integer From, Integer To) {
    Edit->SetSelStart(From);
    Edit->SetSelLength(To - From);
  }
  TEdit* E = nullptr;
  TEdit* Other = nullptr;
  TEditCut* Cut = nullptr;
  TEditCopy* Copy = nullptr;
  TEditPaste* Paste = nullptr;
  TEditSelectAll* SelectAll = nullptr;
  TEditUndo* Undo = nullptr;
  TEditDelete* Delete = nullptr;
};

TEST_F(EditActionsTest, TheFocusedEditCutsCopiesPastesSelectsUndoesAndDeletes) {
  E->SetFocus();
  Input.Type("Hello world");
  Select(E, 0, 5);
  ASSERT_TRUE(Choose(Copy));
  EXPECT_EQ(Clipboard()->GetAsText(), "Hello");
  EXPECT_EQ(E->GetText(), "Hello world");
  ASSERT_TRUE(Choose(Cut));
  EXPECT_EQ(E->GetText(), " world");
  EXPECT_EQ(Clipboard()->GetAsText(), "Hello");
  Select(E, 6, 6);
  ASSERT_TRUE(Choose(Paste));
  EXPECT_EQ(E->GetText(), " worldHello");
  ASSERT_TRUE(Choose(Undo));
  EXPECT_EQ(E->GetText(), " world");
  ASSERT_TRUE(Choose(SelectAll));
  EXPECT_EQ(E->GetSelStart(), 0);
  EXPECT_EQ(E->GetSelLength(), 6);
  ASSERT_TRUE(Choose(Delete));
  EXPECT_EQ(E->GetText(), "");
  EXPECT_EQ(Clipboard()->GetAsText(), "Hello") << "delete leaves the clipboard alone";
  // The other edit is untouched throughout.
  EXPECT_EQ(Other->GetText(), "");
}

TEST_F(EditActionsTest, EachActionIsEnabledByTheEditsState) {
  Clipboard()->Clear();
  E->SetFocus();
  // Empty, nothing on the clipboard, nothing to undo.
  for (TEditAction* A : std::initializer_list<TEditAction*>{Cut, Copy, Paste, SelectAll, Undo,
                                                             Delete}) {
    ASSERT_TRUE(Offered(A)) << A->ClassName();
    EXPECT_FALSE(A->GetEnabled()) << A->ClassName();
  }
  Input.Type("abc");
  Select(E, 1, 1);
  for (TEditAction* A : {static_cast<TEditAction*>(Cut), static_cast<TEditAction*>(Copy),
                         static_cast<TEditAction*>(Delete)}) {
    Offered(A);
    EXPECT_FALSE(A->GetEnabled()) << A->ClassName() << " without a selection";
  }
  Offered(SelectAll);
  EXPECT_TRUE(SelectAll->GetEnabled());
  Offered(Undo);
  EXPECT_TRUE(Undo->GetEnabled());
  Select(E, 0, 2);
  for (TEditAction* A : {static_cast<TEditAction*>(Cut), static_cast<TEditAction*>(Copy),
                         static_cast<TEditAction*>(Delete)}) {
    Offered(A);
    EXPECT_TRUE(A->GetEnabled()) << A->ClassName() << " with a selection";
  }
  Offered(Paste);
  EXPECT_FALSE(Paste->GetEnabled()) << "the clipboard is empty";
  Clipboard()->SetAsText("xyz");
  Offered(Paste);
  EXPECT_TRUE(Paste->GetEnabled());
  // Read-only: copying and selecting still go, changing does not.
  E->SetReadOnly(true);
  for (TEditAction* A : {static_cast<TEditAction*>(Cut), static_cast<TEditAction*>(Paste),
                         static_cast<TEditAction*>(Delete)}) {
    EXPECT_FALSE(Choose(A)) << A->ClassName();
    EXPECT_FALSE(A->GetEnabled()) << A->ClassName();
  }
  EXPECT_EQ(E->GetText(), "abc");
  EXPECT_TRUE(Choose(Copy));
  EXPECT_EQ(Clipboard()->GetAsText(), "ab");
  EXPECT_TRUE(Choose(SelectAll));
  EXPECT_EQ(E->GetSelLength(), 3);
}

TEST_F(EditActionsTest, OnlyAFocusedEditOrTheActionsOwnControlIsATarget) {
  E->SetFocus();
  Input.Type("first");
  Other->SetFocus();
  Input.Type("second");
  // An edit without the focus is no target, nor is a control that is no edit.
  EXPECT_FALSE(SelectAll->HandlesTarget(E));
  EXPECT_TRUE(SelectAll->HandlesTarget(Other));
  EXPECT_FALSE(SelectAll->HandlesTarget(Form));
  EXPECT_FALSE(SelectAll->HandlesTarget(nullptr));
  // Tied to the first edit, the action leaves the focused second alone.
  Delete->SetControl(E);
  Select(Other, 0, 6);
  EXPECT_FALSE(Offered(Delete));
  EXPECT_FALSE(Choose(Delete));
  EXPECT_EQ(Other->GetText(), "second");
  E->SetFocus();
  Select(E, 0, 5);
  EXPECT_TRUE(Choose(Delete));
  EXPECT_EQ(E->GetText(), "");
  // Its control freed, the action serves any focused edit again.
  E->Free();
  E = nullptr;
  EXPECT_EQ(Delete->GetControl(), nullptr);
  Other->SetFocus();
  Select(Other, 0, 3);
  EXPECT_TRUE(Choose(Delete));
  EXPECT_EQ(Other->GetText(), "ond");
}

}  // namespace
}  // namespace kvp
