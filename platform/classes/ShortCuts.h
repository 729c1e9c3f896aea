// Keyboard shortcuts and the shift state of key and mouse events.
//
// A shortcut is a 16-bit value: the virtual-key code in the low byte and one
// bit each for Shift, Ctrl and Alt, so shortcuts compare as plain numbers
// (Alt+Down is 32808). ShortCutToText and TextToShortCut give and read the
// form a menu shows ("Ctrl+C", "Shift+Del", "F2").
#pragma once

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

namespace kvp {

using TShortCut = Word;

inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The modifier keys and mouse buttons held during a key or mouse event, and
// whether a mouse press is the second of a double click.
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

// The shortcut of a key with the modifiers of Shift (mouse buttons ignored);
// 0 when Key is not a one-byte virtual-key code.
TShortCut ShortCut(Word Key, TShiftState Shift);
// Splits a shortcut into its key and its Shift, Ctrl and Alt modifiers.
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);

// "Shift+Ctrl+Alt+" as held, then the key's name; empty for a key without a name.
String ShortCutToText(TShortCut ShortCut);
// The inverse of ShortCutToText, case-insensitive, modifiers in any order;
// 0 for text that names no key.
TShortCut TextToShortCut(const String& Text);

}  // namespace kvp
