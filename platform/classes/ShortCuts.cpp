#include "platform/classes/ShortCuts.h"

#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp {

namespace {

constexpr TShortCut ModifierMask = scShift | scCtrl | scAlt;

struct TModifierName {
  TShortCut Bit;
  const char* Text;
};
// In the order ShortCutToText writes them.
constexpr TModifierName ModifierNames[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

struct TKeyName {
  Word Key;
  const char* Text;
};
constexpr TKeyName KeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},      {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

constexpr Word VK_F24 = VK_F1 + 23;

String KeyName(Word Key) {
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return String(1, char(Key));
  if (Key >= VK_F1 && Key <= VK_F24) return "F" + std::to_string(Key - VK_F1 + 1);
  for (const TKeyName& N : KeyNames)
    if (N.Key == Key) return N.Text;
  return String();
}

// Removes Prefix from the front of Text when it is there (ignoring case).
bool TakePrefix(String& Text, const String& Prefix) {
  if (Text.size() < Prefix.size() || !SameText(Text.substr(0, Prefix.size()), Prefix)) return false;
  Text.erase(0, Prefix.size());
  return true;
}

}  // namespace

TShortCut ShortCut(Word Key, TShiftState Shift) {
  if (Key > 0xFF) return scNone;
  TShortCut Result = Key;
  if (Shift.Contains(ssShift)) Result |= scShift;
  if (Shift.Contains(ssCtrl)) Result |= scCtrl;
  if (Shift.Contains(ssAlt)) Result |= scAlt;
  return Result;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
  Key = ShortCut & ~ModifierMask;
  Shift = TShiftState();
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

String ShortCutToText(TShortCut ShortCut) {
  String Name = KeyName(ShortCut & 0xFF);
  if (Name.empty()) return String();
  String Result;
  for (const TModifierName& M : ModifierNames)
    if (ShortCut & M.Bit) Result += M.Text;
  return Result + Name;
}

TShortCut TextToShortCut(const String& Text) {
  String Rest = Text;
  TShortCut Modifiers = 0;
  for (bool Found = true; Found;) {
    Found = false;
    for (const TModifierName& M : ModifierNames)
      if (TakePrefix(Rest, M.Text)) {
        Modifiers |= M.Bit;
        Found = true;
      }
  }
  if (Rest.empty()) return scNone;
  for (Word Key = 1; Key <= 0xFF; ++Key)
    if (SameText(Rest, KeyName(Key))) return Key | Modifiers;
  return scNone;
}

}  // namespace kvp
