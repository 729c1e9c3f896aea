// The edit-mask engine: parses a mask string ("!99/99/0000;1;_") into one
// record a position, lays a text into the mask (EditText), takes the text back
// out of it (Text), tests typed characters against a position and finds the
// first required position left unfilled. The masked edit control and
// FormatMaskText (which datasets use for a field's display text) are built on
// it; it knows nothing of windows.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace kvp {

// Raised by a masked edit whose text does not fill its mask.
KV_DECLARE_EXCEPTION(EDBEditError, Exception);

inline constexpr const char* SMaskEditErr =
    "Invalid input value.  Use escape key to abandon changes";

enum class TMaskCharKind {
  Literal,    // shown as is, never typed over
  Letter,     // L l
  AlphaNum,   // A a
  Any,        // C c
  Digit,      // 0 9
  DigitSign,  // # : a digit, '+' or '-'
};

enum class TMaskCase { None, Upper, Lower };

// TMaskPosition: one position of EditText.
struct TMaskPosition {
  TMaskCharKind Kind = TMaskCharKind::Literal;
  bool Required = false;             // L A C 0; never for literals
  Char Literal = 0;                  // the character shown, for literals
  TMaskCase Case = TMaskCase::None;  // the case directive in force here
};

// TEditMask: a parsed mask. An empty mask has no positions and masks nothing.
// A mask, and a text laid into it, end at their first zero character, as the
// window text they become does.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(const String& Mask);

  bool IsEmpty() const { return FPositions.empty(); }
  Integer Count() const { return Integer(FPositions.size()); }
  const TMaskPosition& Position(Integer I) const { return FPositions[std::size_t(I)]; }
  bool SaveLiterals() const { return FSaveLiterals; }
  Char Blank() const { return FBlank; }
  bool LeftPad() const { return FLeftPad; }  // '!': optional characters are padded at the left

  bool IsLiteral(Integer I) const;
  // The first editable position at or after I (Count() when none).
  Integer NextEditable(Integer I) const;
  // The last editable position before I (-1 when none).
  Integer PrevEditable(Integer I) const;

  // Whether C may stand at position I; C is given back in the case that applies.
  bool AcceptChar(Integer I, Char& C) const;

  // The window text of an empty control: literals and blanks.
  String BlankText() const;
  // Text (as a program or a user reads it) from the window text.
  String TextFromEditText(const String& EditText) const;
  // The window text for a text set by program; Pad fills the unfilled positions.
  String EditTextFromText(const String& Text) const { return Layout(Text, FBlank); }
  // The text laid into the mask with spaces for missing characters and the literals in place.
  String FormatText(const String& Text) const { return Layout(Text, U' '); }
  // The first required position that holds a blank or a space (-1 when every
  // one is filled).
  Integer FirstUnfilled(const String& EditText) const;

 private:
  String Layout(const String& Text, Char Pad) const;
  bool HoldsEveryPosition(const std::u32string& Text) const;
  void PutChar(std::u32string& R, Integer I, Char C) const;
  std::vector<TMaskPosition> FPositions;
  bool FSaveLiterals = true;  // Text keeps the literals (save section absent or not '0')
  Char FBlank = U'_';
  bool FLeftPad = false;
};

// The text laid into the mask with spaces for missing characters, always with
// the literals: FormatMaskText("000-000;0;_", "123456") is "123-456".
String FormatMaskText(const String& EditMask, const String& Value);

}  // namespace kvp
