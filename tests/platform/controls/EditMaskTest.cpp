// The mask engine on its own: what EditText, Text and FormatMaskText give for
// the masks the library's controls use, and which characters a position takes.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/Mask.h"
#include "platform/rtl/EditMask.h"
#include "platform/win/Clipboard.h"

namespace kvp {
namespace {

struct TLayoutCase {
  const char* Mask;
  const char* Text;      // set by program
  const char* EditText;  // what the window then shows
  const char* TextBack;  // Text read back
};

TEST(EditMaskTest, TextIsLaidIntoTheMaskAndReadBack) {
  const TLayoutCase Cases[] = {
      {"!99/99/0000;1;_", "", "__/__/____", "  /  /    "},
      {"!99/99/0000;1;_", "12/31/", "12/31/____", "12/31/    "},
      {"!99/99/0000;1;_", "1/2/2000", "_1/_2/2000", " 1/ 2/2000"},
      {"000-000;0;_", "", "___-___", ""},
      {"000-000;0;_", "123456", "123-456", "123456"},
      {"000-000;0;_", "123", "123-___", "123"},
      {"(999) 000-0000;1; ", "(555) 123-4567", "(555) 123-4567", "(555) 123-4567"},
      {">LL00;0", "ab12", "AB12", "AB12"},
      {"<LL>LL;0", "ABcd", "abCD", "abCD"},
      {"\\L\\\\00;1;*", "L\\4", "L\\4*", "L\\4 "},
      {"aaa;0;_", "x y", "x_y", "x y"},
  };
  for (const TLayoutCase& C : Cases) {
    SCOPED_TRACE(String(C.Mask) + " <- '" + C.Text + "'");
    TEditMask M(C.Mask);
    String Edit = M.EditTextFromText(C.Text);
    EXPECT_EQ(Edit, C.EditText);
    EXPECT_EQ(M.TextFromEditText(Edit), C.TextBack);
  }
}

TEST(EditMaskTest, SectionsAreReadOnlyAtTheEnd) {
  TEditMask Saved("!99/99/0000;1;_");
  EXPECT_TRUE(Saved.SaveLiterals());
  EXPECT_EQ(Saved.Blank(), U'_');
  EXPECT_TRUE(Saved.LeftPad());
  EXPECT_EQ(Saved.Count(), 10);

  TEditMask Space("(999) 000-0000;1; ");
  EXPECT_EQ(Space.Blank(), U' ');
  EXPECT_EQ(Space.Count(), 14);

  // Without a save section the literals are saved; a ';' early in the mask is a literal.
  TEditMask NoSection("00;00-00-00");
  EXPECT_TRUE(NoSection.SaveLiterals());
  EXPECT_EQ(NoSection.BlankText(), "__;__-__-__");

  TEditMask NotSaved(">LL00;0");
  EXPECT_FALSE(NotSaved.SaveLiterals());
  EXPECT_EQ(NotSaved.Blank(), U'_');
  EXPECT_EQ(NotSaved.Count(), 4);
}

TEST(EditMaskTest, PositionsAcceptTheirCharacters) {
  TEditMask M(">L<l0#Cc9a");
  Char C = U'q';
  ASSERT_TRUE(M.AcceptChar(0, C));
  EXPECT_EQ(C, U'Q');  // upper-cased by '>'
  C = U'Z';
  ASSERT_TRUE(M.AcceptChar(1, C));
  EXPECT_EQ(C, U'z');
  C = U'é';
  EXPECT_TRUE(M.AcceptChar(1, C));  // letters are Unicode letters
  C = U'5';
  EXPECT_FALSE(M.AcceptChar(0, C));
  C = U'x';
  EXPECT_FALSE(M.AcceptChar(2, C));
  C = U' ';
  EXPECT_FALSE(M.AcceptChar(2, C));  // a required digit takes no space
  for (Char S : {U'-', U'+', U'7', U' '}) {
    C = S;
    EXPECT_TRUE(M.AcceptChar(3, C)) << char(S);
  }
  C = U'*';
  EXPECT_TRUE(M.AcceptChar(4, C));
  C = U' ';
  EXPECT_TRUE(M.AcceptChar(6, C));  // optional positions may stay blank
}

TEST(EditMaskTest, EditablePositionsSkipLiterals) {
  TEditMask M("(999) 000");
  EXPECT_EQ(M.NextEditable(0), 1);
  EXPECT_EQ(M.NextEditable(4), 6);
  EXPECT_EQ(M.NextEditable(9), 9);
  EXPECT_EQ(M.PrevEditable(6), 3);
  EXPECT_EQ(M.PrevEditable(1), -1);
}

TEST(EditMaskTest, FirstUnfilledFindsRequiredBlanks) {
  TEditMask M("!99/99/0000;1;_");
  EXPECT_EQ(M.FirstUnfilled("12/31/____"), 6);
  EXPECT_EQ(M.FirstUnfilled("__/__/2000"), -1);  // day and month are optional
  EXPECT_EQ(M.FirstUnfilled("12/31/20 0"), 8);   // a space does not fill a digit
  TEditMask AnyChar("CC;1;_");
  EXPECT_EQ(AnyChar.FirstUnfilled("a "), -1);  // but it fills an "any character"
  EXPECT_EQ(AnyChar.FirstUnfilled("a_"), 1);
}

TEST(EditMaskTest, FormatMaskTextUsesSpacesAndKeepsLiterals) {
  EXPECT_EQ(FormatMaskText("000-000;0;_", "123456"), "123-456");
  EXPECT_EQ(FormatMaskText("000-000;0;_", ""), "   -   ");
  EXPECT_EQ(FormatMaskText("!99/99/0000;1;_", ""), "  /  /    ");
  EXPECT_EQ(FormatMaskText("", "abc"), "");
}

// ---------------------------------------------------------------------------
// TMaskEdit typed into through the input driver.

class MaskEditTest : public testutil::TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = Add<TMaskEdit>("Edit1", {10, 10, 150, 31});
    Other = Add<TEdit>("Other", {10, 50, 150, 71});
    Edit->OnChange = Changes.Event();
    Form->Show();
  }
  // Focuses the edit afresh (the form gave it the focus when it was shown).
  void Enter() {
    Other->SetFocus();
    Edit->SetFocus();
  }
  std::pair<Integer, Integer> Sel() { return {Edit->GetSelStart(), Edit->GetSelLength()}; }
  TMaskEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  testutil::TEventCounter Changes;
};

TEST_F(MaskEditTest, TypingFillsPositionsAndSkipsLiterals) {
  Edit->SetEditMask("!99/99/0000;1;_");
  EXPECT_EQ(Edit->GetEditText(), "__/__/____");
  EXPECT_EQ(Edit->GetText(), "  /  /    ");
  Changes.Count = 0;
  Enter();
  EXPECT_EQ(Sel(), std::make_pair(0, 1));  // the cursor is a one-character selection
  Input.Type("1231");
  EXPECT_EQ(Edit->GetEditText(), "12/31/____");
  EXPECT_EQ(Edit->GetText(), "12/31/    ");
  EXPECT_EQ(Sel(), std::make_pair(6, 1));
  EXPECT_EQ(Changes.Count, 4);  // one OnChange a character
  EXPECT_TRUE(Edit->GetModified());

  Input.Type("x");  // a letter where a digit goes: refused with a beep
  EXPECT_EQ(GetMessageBeepCount(), 1);
  EXPECT_EQ(Edit->GetEditText(), "12/31/____");
  EXPECT_EQ(Changes.Count, 4);
  Input.Type("2026");
  EXPECT_EQ(Edit->GetEditText(), "12/31/2026");
  Input.Type("7");  // past the end
  EXPECT_EQ(GetMessageBeepCount(), 2);

  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Edit->GetEditText(), "12/31/202_");
  Input.KeyPress(VK_HOME);
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_RIGHT);  // over the literal
  EXPECT_EQ(Sel(), std::make_pair(3, 1));
  Input.KeyPress(VK_DELETE);  // blanks in place; nothing shifts
  EXPECT_EQ(Edit->GetEditText(), "12/_1/202_");
  EXPECT_EQ(Sel(), std::make_pair(3, 1));
}

// The arrows and the editing keys, both ways: Left and Right step over the
// literals to the neighbouring position; Backspace blanks the position
// before the cursor and stays there; Delete and Backspace on a selection
// blank all of it.
TEST_F(MaskEditTest, ArrowsAndDeletingKeysWorkBothWaysOverTheLiterals) {
  Edit->SetEditMask("!99/99/0000;1;_");
  Edit->SetText("12/31/2026");
  Enter();
  Edit->SetSelStart(6);
  Edit->SetSelLength(1);
  Input.KeyPress(VK_LEFT);  // back over the literal
  EXPECT_EQ(Sel(), std::make_pair(4, 1));
  Input.KeyPress(VK_LEFT);
  EXPECT_EQ(Sel(), std::make_pair(3, 1));
  Input.KeyPress(VK_RIGHT);
  Input.KeyPress(VK_RIGHT);  // on over it
  EXPECT_EQ(Sel(), std::make_pair(6, 1));
  Edit->SetSelStart(3);
  Edit->SetSelLength(4);  // "31/2" selected
  Input.KeyPress(VK_RIGHT);
  EXPECT_EQ(Sel(), std::make_pair(7, 1));  // past the selection
  Input.KeyPress(VK_END);
  EXPECT_EQ(Sel(), std::make_pair(10, 0));

  Edit->SetSelStart(6);
  Edit->SetSelLength(1);
  Input.KeyPress(VK_BACK);  // blanks the 1 before the literal
  EXPECT_EQ(Edit->GetEditText(), "12/3_/2026");
  EXPECT_EQ(Sel(), std::make_pair(4, 1));
  Edit->SetSelStart(6);
  Edit->SetSelLength(3);
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Edit->GetEditText(), "12/3_/___6");
  Edit->SetSelStart(0);
  Edit->SetSelLength(2);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Edit->GetEditText(), "__/3_/___6");
  EXPECT_EQ(Sel(), std::make_pair(0, 1));
}

// A literal typed where the cursor already stands after it is taken as
// typed: "12/" then "/" stays put, no beep.
TEST_F(MaskEditTest, ALiteralTypedAgainAfterItIsTakenQuietly) {
  Edit->SetEditMask("!99/99/0000;1;_");
  Enter();
  Input.Type("12");
  EXPECT_EQ(Sel(), std::make_pair(3, 1));
  Input.Type("/");
  EXPECT_EQ(Sel(), std::make_pair(3, 1));
  EXPECT_EQ(GetMessageBeepCount(), 0);
  Input.Type("05");
  EXPECT_EQ(Edit->GetEditText(), "12/05/____");
}

// Escape gives the stored text back only when something was changed; with
// nothing changed it leaves the text alone and goes on to the form.
TEST_F(MaskEditTest, EscapeWithNothingChangedLeavesTheTextAlone) {
  Edit->SetEditMask("000-000;0;_");
  Edit->SetText("123456");
  Enter();
  Edit->SetEditText("999-999");  // put there by the program, not typed
  EXPECT_FALSE(Edit->GetModified());
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Edit->GetEditText(), "999-999");
}

TEST_F(MaskEditTest, ALiteralTypedEndsTheFieldAndCaseDirectivesApply) {
  Edit->SetEditMask("!99/99/0000;1;_");
  Enter();
  Input.Type("1/2/");
  EXPECT_EQ(Edit->GetEditText(), "1_/2_/____");
  EXPECT_EQ(Sel(), std::make_pair(6, 1));
  EXPECT_EQ(GetMessageBeepCount(), 0);

  Edit->SetEditMask(">LL-0000;0;_");
  Edit->SetText("");
  EXPECT_EQ(Edit->GetEditText(), "__-____");
  Edit->SelectAll();
  Input.Type("ab12");
  EXPECT_EQ(Edit->GetEditText(), "AB-12__");
  EXPECT_EQ(Edit->GetText(), "AB12");
}

TEST_F(MaskEditTest, EscapeRestoresAndExitValidates) {
  Edit->SetEditMask("000-000;0;_");
  Edit->SetText("123456");
  EXPECT_EQ(Edit->GetEditText(), "123-456");
  EXPECT_FALSE(Edit->GetModified());
  Enter();
  Input.KeyPress(VK_END);
  Input.KeyPress(VK_BACK);
  EXPECT_EQ(Edit->GetText(), "12345");
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Edit->GetEditText(), "123-456");
  EXPECT_FALSE(Edit->GetModified());
  EXPECT_EQ(Edit->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);

  // Leaving with a required digit blank: the error, a beep, and the focus back.
  Input.KeyPress(VK_HOME);
  Input.KeyPress(VK_DELETE);
  Integer Beeps = GetMessageBeepCount();
  Other->SetFocus();
  const auto& Errors = Application()->GetHandledExceptions();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].ClassName, "EDBEditError");
  EXPECT_EQ(Errors[0].Message, "Invalid input value.  Use escape key to abandon changes");
  EXPECT_EQ(GetMessageBeepCount(), Beeps + 1);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(Sel(), std::make_pair(0, 1));
  Application()->ClearHandledExceptions();
  Input.Type("9");
  Other->SetFocus();
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
  EXPECT_TRUE(Other->Focused());
}

TEST_F(MaskEditTest, PasteEntersCharactersAsTypedAndCutBlanks) {
  Edit->SetEditMask("(999) 000-0000;1;_");
  Enter();
  Clipboard()->SetAsText("55x5123");
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(Edit->GetEditText(), "(555) 123-____");
  EXPECT_EQ(GetMessageBeepCount(), 1);  // the x
  Edit->SetSelStart(1);
  Edit->SetSelLength(3);
  Input.KeyPress('X', {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "555");
  EXPECT_EQ(Edit->GetEditText(), "(___) 123-____");
  EXPECT_EQ(Edit->GetText(), "(   ) 123-    ");
  Application()->ProcessMessages();
  SaveWindowPng(Form->GetHandle(), "stdctl-maskedit.png");
}

TEST_F(MaskEditTest, WithoutAMaskItIsAPlainEdit) {
  Edit->SetFocus();
  Input.Type("free text");
  EXPECT_FALSE(Edit->IsMasked());
  EXPECT_EQ(Edit->GetText(), "free text");
  Other->SetFocus();
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
}

}  // namespace
}  // namespace kvp
