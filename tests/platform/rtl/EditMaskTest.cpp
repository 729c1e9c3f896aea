// The edit-mask engine on texts a control hands back: a Text read out of an
// EditText lays back into that EditText, and zero characters end a mask and
// a text as they end a window text. (The masks the controls use, typing and
// FormatMaskText are covered with the masked edit.)
#include <gtest/gtest.h>

#include "platform/rtl/EditMask.h"

using namespace kvp;

namespace {

TEST(EditMaskEngine, ATextReadOutLaysBackIntoTheSameEditText) {
  struct {
    const char* Mask;
    const char* EditText;  // as the window holds it
    const char* Text;      // what a program reads from it
  } Cases[] = {
      // A blank read as a space before a space literal once ended its run
      // early, and the next group slid left: "12_ 456" came back "12_ _45".
      {"000 000;1;_", "12_ 456", "12  456"},
      {"000 000;1;_", "___ __6", "      6"},
      {"!999 999;1;_", "_12 __6", " 12   6"},
      {"(999) 000-0000;1; ", "(   ) 555-1234", "(   ) 555-1234"},
      {"(999) 000-0000;1;_", "(_12) 555-1234", "( 12) 555-1234"},
      {"99 99/9999;1;_", "1_ _2/_0__", "1   2/ 0  "},
      {">LL l0;1;_", "A_ _1", "A   1"},
      {"000-000;0;_", "1_3-_5_", "1 3 5"},
      // Without saved literals a '!' mask drops the blanks on the left.
      {"!999-999;0;_", "__1-_34", "1 34"},
      {"!LL;0;*", "*A", "A"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(String(C.Mask) + " '" + C.EditText + "'");
    TEditMask M(C.Mask);
    EXPECT_EQ(M.TextFromEditText(C.EditText), C.Text);
    EXPECT_EQ(M.EditTextFromText(C.Text), C.EditText);
  }
  // A text typed in by a program without the blanks still ends a group at
  // its literal.
  TEditMask Groups("000 000;1;_");
  EXPECT_EQ(Groups.EditTextFromText("12 456"), "12_ 456");
  EXPECT_EQ(Groups.EditTextFromText("12 4567"), "12_ 456");
}

TEST(EditMaskEngine, ZeroCharactersEndTheMaskAndTheText) {
  // What follows a zero in the mask is not part of it, its sections included.
  TEditMask M(String("000-00\x14\0;0;_", 12));
  EXPECT_EQ(M.Count(), 7);
  EXPECT_TRUE(M.SaveLiterals());
  EXPECT_EQ(M.BlankText(), "___-__\x14");
  // A text laid into a mask ends at its zero: nothing after it is laid in.
  EXPECT_EQ(M.EditTextFromText(String("12\0" "345", 6)), "12_-__\x14");
  EXPECT_EQ(M.TextFromEditText(M.EditTextFromText(String("12\0" "345", 6))), "12 -  \x14");
  EXPECT_EQ(FormatMaskText(String("00\0" "00", 5), "1234"), "12");
}

TEST(EditMaskEngine, EachPositionTakesItsKindOfCharacterInTheCaseInForce) {
  // Every kind of position, optional ones after '>' (upper case), then '<'
  // (lower case), then "<>" (as typed), and a literal.
  TEditMask M(">L0A#<lac9<>Cc-;1;_");
  struct {
    Integer Position;
    Char Typed;
    Char Stored;  // 0: refused
  } Cases[] = {
      {0, U'a', U'A'}, {0, U'\u00E9', U'\u00C9'}, {0, U'1', 0}, {0, U' ', 0},
      {1, U'7', U'7'}, {1, U'a', 0},  {1, U' ', 0}, {1, U'+', 0},
      {2, U'x', U'X'}, {2, U'5', U'5'}, {2, U'-', 0}, {2, U' ', 0},
      {3, U'5', U'5'}, {3, U'+', U'+'}, {3, U'-', U'-'}, {3, U' ', U' '}, {3, U'x', 0},
      {4, U'Q', U'q'}, {4, U' ', U' '}, {4, U'3', 0},
      {5, U'Q', U'q'}, {5, U'3', U'3'}, {5, U'?', 0},
      {6, U'?', U'?'}, {6, U'\u00C9', U'\u00E9'}, {6, U'\x1F', 0},
      {7, U'x', 0}, {7, U' ', U' '},
      {8, U'q', U'q'}, {8, U'Q', U'Q'}, {8, U' ', U' '},  // any character, a space too
      {9, U'%', U'%'}, {9, U' ', U' '},
      {10, U'-', 0}, {-1, U'a', 0}, {11, U'a', 0},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Position) + " " + std::to_string(C.Typed));
    Char Given = C.Typed;
    EXPECT_EQ(M.AcceptChar(C.Position, Given), C.Stored != 0);
    if (C.Stored) {
      EXPECT_EQ(Given, C.Stored);
    }
  }
  EXPECT_EQ(M.Count(), 11);
  EXPECT_EQ(M.NextEditable(10), 11);
  EXPECT_EQ(M.PrevEditable(11), 9);
  // Required positions are L, 0, A and C: the first unfilled one is named.
  EXPECT_EQ(M.FirstUnfilled("A1B-_______"), 8);
  EXPECT_EQ(M.FirstUnfilled("A1B- q x?Q-"), -1);
  EXPECT_EQ(M.FirstUnfilled("A_B- q x?Q-"), 1);
  EXPECT_EQ(M.FirstUnfilled("A B- q x?Q-"), 1);  // a space fills only an optional place
  EXPECT_EQ(M.FirstUnfilled("A1B- q x Q-"), -1);  // or one that takes any character
}

}  // namespace
