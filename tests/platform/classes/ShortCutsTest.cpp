// Shortcut values, their text and the way back from text.
#include <gtest/gtest.h>

#include "platform/classes/ShortCuts.h"
#include "platform/rtl/VirtualKeys.h"

using namespace kvp;

TEST(ShortCutValues, EncodeTheKeyAndModifierBits) {
  EXPECT_EQ(ShortCut(VK_DOWN, {ssAlt}), 32808);
  EXPECT_EQ(ShortCut(VK_DELETE, {ssAlt}), 32814);
  EXPECT_EQ(ShortCut('F', {ssCtrl}), 16454);
  EXPECT_EQ(ShortCut(VK_RETURN, {ssCtrl}), 16397);
  EXPECT_EQ(ShortCut(VK_RETURN, {ssCtrl, ssShift}), 24589);
  EXPECT_EQ(ShortCut(VK_OEM_7, {ssCtrl}), 16606);
  // Mouse buttons and double clicks are not part of a shortcut.
  EXPECT_EQ(ShortCut('A', {ssLeft, ssDouble}), 'A');
  EXPECT_EQ(ShortCut(0x100, {ssCtrl}), 0);

  Word Key = 0;
  TShiftState Shift{ssLeft};
  ShortCutToKey(24589, Key, Shift);
  EXPECT_EQ(Key, VK_RETURN);
  EXPECT_EQ(Shift, (TShiftState{ssCtrl, ssShift}));
  ShortCutToKey(32808, Key, Shift);
  EXPECT_EQ(Key, VK_DOWN);
  EXPECT_EQ(Shift, TShiftState{ssAlt});
}

TEST(ShortCutText, NamesKeysAsAMenuShowsThem) {
  struct Case {
    TShortCut Value;
    const char* Text;
  } Cases[] = {
      {ShortCut('C', {ssCtrl}), "Ctrl+C"},
      {ShortCut(VK_DELETE, {ssShift}), "Shift+Del"},
      {ShortCut(VK_INSERT, {ssCtrl}), "Ctrl+Ins"},
      {ShortCut(VK_F2, {}), "F2"},
      {ShortCut(VK_F12, {ssAlt}), "Alt+F12"},
      {ShortCut(VK_DOWN, {ssAlt}), "Alt+Down"},
      {ShortCut(VK_HOME, {ssCtrl, ssShift}), "Shift+Ctrl+Home"},
      {ShortCut('7', {ssShift, ssCtrl, ssAlt}), "Shift+Ctrl+Alt+7"},
      {ShortCut(VK_BACK, {}), "BkSp"},
      {ShortCut(VK_ESCAPE, {}), "Esc"},
      {ShortCut(VK_RETURN, {ssCtrl}), "Ctrl+Enter"},
      {ShortCut(VK_SPACE, {}), "Space"},
      {ShortCut(VK_PRIOR, {}), "PgUp"},
      {ShortCut(VK_NEXT, {}), "PgDn"},
      {ShortCut(VK_TAB, {}), "Tab"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(ShortCutToText(C.Value), C.Text);
    EXPECT_EQ(TextToShortCut(C.Text), C.Value);
  }
  // A key without a name has no text at all, not a bare modifier.
  EXPECT_EQ(ShortCutToText(ShortCut(VK_OEM_7, {ssCtrl})), "");
  EXPECT_EQ(ShortCutToText(0), "");
}

TEST(ShortCutText, ReadsTextInAnyCaseAndModifierOrder) {
  EXPECT_EQ(TextToShortCut("ctrl+c"), ShortCut('C', {ssCtrl}));
  EXPECT_EQ(TextToShortCut("Ctrl+Shift+Home"), ShortCut(VK_HOME, {ssCtrl, ssShift}));
  EXPECT_EQ(TextToShortCut("ALT+DOWN"), 32808);
  EXPECT_EQ(TextToShortCut("del"), VK_DELETE);

  const char* Unknown[] = {"", "Ctrl+", "Ctrl", "Ctrl+Foo", "Meta+C", "F0", "F25", "C+Ctrl"};
  for (const char* U : Unknown) {
    SCOPED_TRACE(U);
    EXPECT_EQ(TextToShortCut(U), 0);
  }
}
