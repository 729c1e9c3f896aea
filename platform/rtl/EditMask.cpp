#include "platform/rtl/EditMask.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

// The mask works on code points, so that no position splits a character.
std::u32string ToChars(std::string_view S) {
  std::u32string R;
  std::size_t P = 0;
  while (P < S.size()) R.push_back(Utf8Decode(S, P));
  return R;
}

// Up to the first zero character.
std::u32string ToCharsUpToZero(std::string_view S) {
  std::u32string R = ToChars(S);
  R.resize(std::min(R.size(), R.find(U'\0')));
  return R;
}

String FromChars(std::u32string_view S) {
  String R;
  for (Char C : S) Utf8Append(R, C);
  return R;
}

// A ';' is a section separator only among the last four characters; the
// first one found there ends the mask proper.
std::size_t FindSectionStart(const std::u32string& S) {
  std::size_t From = S.size() > 4 ? S.size() - 4 : 0;
  for (std::size_t I = From; I < S.size(); ++I)
    if (S[I] == U';') return I;
  return std::u32string::npos;
}

TMaskPosition Editable(TMaskCharKind Kind, bool Required, TMaskCase Case) {
  TMaskPosition P;
  P.Kind = Kind;
  P.Required = Required;
  P.Case = Case;
  return P;
}

TMaskPosition LiteralAt(Char C) {
  TMaskPosition P;
  P.Literal = C;
  return P;
}

}  // namespace

TEditMask::TEditMask(const String& Mask) {
  std::u32string S = ToCharsUpToZero(Mask);
  std::size_t Sect = FindSectionStart(S);
  if (Sect != std::u32string::npos) {
    std::u32string Rest = S.substr(Sect + 1);
    S.resize(Sect);
    if (!Rest.empty()) FSaveLiterals = Rest[0] != U'0';
    std::size_t Second = Rest.find(U';');
    if (Second != std::u32string::npos && Second + 1 < Rest.size()) FBlank = Rest.back();
  }
  TMaskCase Case = TMaskCase::None;
  for (std::size_t I = 0; I < S.size(); ++I) {
    Char C = S[I];
    switch (C) {
      case U'!':
        FLeftPad = true;
        break;
      case U'>':
        Case = TMaskCase::Upper;
        break;
      case U'<':
        if (I + 1 < S.size() && S[I + 1] == U'>') {
          Case = TMaskCase::None;
          ++I;
        } else {
          Case = TMaskCase::Lower;
        }
        break;
      case U'\\':
        if (I + 1 < S.size()) FPositions.push_back(LiteralAt(S[++I]));
        break;
      case U'L':
        FPositions.push_back(Editable(TMaskCharKind::Letter, true, Case));
        break;
      case U'l':
        FPositions.push_back(Editable(TMaskCharKind::Letter, false, Case));
        break;
      case U'A':
        FPositions.push_back(Editable(TMaskCharKind::AlphaNum, true, Case));
        break;
      case U'a':
        FPositions.push_back(Editable(TMaskCharKind::AlphaNum, false, Case));
        break;
      case U'C':
        FPositions.push_back(Editable(TMaskCharKind::Any, true, Case));
        break;
      case U'c':
        FPositions.push_back(Editable(TMaskCharKind::Any, false, Case));
        break;
      case U'0':
        FPositions.push_back(Editable(TMaskCharKind::Digit, true, Case));
        break;
      case U'9':
        FPositions.push_back(Editable(TMaskCharKind::Digit, false, Case));
        break;
      case U'#':
        FPositions.push_back(Editable(TMaskCharKind::DigitSign, false, Case));
        break;
      case U':':
        FPositions.push_back(LiteralAt(FormatSettings.TimeSeparator));
        break;
      case U'/':
        FPositions.push_back(LiteralAt(FormatSettings.DateSeparator));
        break;
      default:
        FPositions.push_back(LiteralAt(C));
        break;
    }
  }
}

bool TEditMask::IsLiteral(Integer I) const {
  return I >= 0 && I < Count() && Position(I).Kind == TMaskCharKind::Literal;
}

Integer TEditMask::NextEditable(Integer I) const {
  if (I < 0) I = 0;
  while (I < Count() && IsLiteral(I)) ++I;
  return I;
}

Integer TEditMask::PrevEditable(Integer I) const {
  for (--I; I >= 0; --I)
    if (!IsLiteral(I)) return I;
  return -1;
}

bool TEditMask::AcceptChar(Integer I, Char& C) const {
  if (I < 0 || I >= Count()) return false;
  const TMaskPosition& P = Position(I);
  bool Ok = false;
  switch (P.Kind) {
    case TMaskCharKind::Literal:
      return false;
    case TMaskCharKind::Letter:
      Ok = IsCharAlpha(C);
      break;
    case TMaskCharKind::AlphaNum:
      Ok = IsCharAlpha(C) || (C >= U'0' && C <= U'9');
      break;
    case TMaskCharKind::Any:
      Ok = C >= 0x20;
      break;
    case TMaskCharKind::Digit:
      Ok = C >= U'0' && C <= U'9';
      break;
    case TMaskCharKind::DigitSign:
      Ok = (C >= U'0' && C <= U'9') || C == U'+' || C == U'-';
      break;
  }
  // A space leaves an optional position unfilled.
  if (!Ok && C == U' ' && !P.Required) Ok = true;
  if (!Ok) return false;
  if (P.Case == TMaskCase::Upper) C = CharUpper(C);
  if (P.Case == TMaskCase::Lower) C = CharLower(C);
  return true;
}

String TEditMask::BlankText() const { return Layout(String(), FBlank); }

String TEditMask::TextFromEditText(const String& EditText) const {
  std::u32string E = ToChars(EditText);
  E.resize(FPositions.size(), FBlank);
  std::u32string R;
  if (FSaveLiterals) {
    for (std::size_t I = 0; I < E.size(); ++I)
      R.push_back(IsLiteral(Integer(I)) ? Position(Integer(I)).Literal
                                        : (E[I] == FBlank ? U' ' : E[I]));
    return FromChars(R);
  }
  for (std::size_t I = 0; I < E.size(); ++I)
    if (!IsLiteral(Integer(I))) R.push_back(E[I]);
  if (FLeftPad) {
    std::size_t First = R.find_first_not_of(FBlank);
    R.erase(0, First == std::u32string::npos ? R.size() : First);
  } else {
    std::size_t Last = R.find_last_not_of(FBlank);
    R.resize(Last == std::u32string::npos ? 0 : Last + 1);
  }
  for (Char& C : R)
    if (C == FBlank) C = U' ';
  return FromChars(R);
}

bool TEditMask::HoldsEveryPosition(const std::u32string& T) const {
  if (!FSaveLiterals || Integer(T.size()) != Count()) return false;
  for (Integer I = 0; I < Count(); ++I)
    if (IsLiteral(I) && T[std::size_t(I)] != Position(I).Literal) return false;
  return true;
}

void TEditMask::PutChar(std::u32string& R, Integer I, Char C) const {
  if (C == U' ') return;  // an unfilled position keeps the pad
  if (Position(I).Case == TMaskCase::Upper) C = CharUpper(C);
  if (Position(I).Case == TMaskCase::Lower) C = CharLower(C);
  R[std::size_t(I)] = C;
}

// Lays Text into the mask. A text with saved literals that holds every
// position, each literal in its place (as TextFromEditText gives it), goes one
// character to one position: the space of an unfilled position may equal a
// literal, and must not end a run early. Any other text goes a run of
// editable positions at a time: with saved literals each run takes the
// characters of Text up to the literal that ends it; otherwise one run takes
// everything. A short run is padded with Pad at the right, or at the left
// with '!'; a space stands for an unfilled position.
String TEditMask::Layout(const String& Text, Char Pad) const {
  std::u32string T = ToCharsUpToZero(Text);
  std::u32string R(FPositions.size(), Pad);
  if (HoldsEveryPosition(T)) {
    for (Integer I = 0; I < Count(); ++I) {
      if (IsLiteral(I))
        R[std::size_t(I)] = Position(I).Literal;
      else
        PutChar(R, I, T[std::size_t(I)]);
    }
    return FromChars(R);
  }
  std::size_t J = 0;  // next character of T
  Integer I = 0;
  while (I < Count()) {
    if (IsLiteral(I)) {
      R[std::size_t(I)] = Position(I).Literal;
      if (FSaveLiterals && J < T.size() && T[J] == Position(I).Literal) ++J;
      ++I;
      continue;
    }
    // [Phase 1] The run of editable positions [I, End).
    Integer End = I;
    while (End < Count() && (!IsLiteral(End) || !FSaveLiterals)) ++End;
    std::vector<Integer> Slots;
    for (Integer K = I; K < End; ++K)
      if (!IsLiteral(K)) Slots.push_back(K);
    // [Phase 2] The characters of Text that belong to it.
    Char Stop = End < Count() ? Position(End).Literal : 0;
    std::u32string Part;
    while (J < T.size() && !(FSaveLiterals && Stop != 0 && T[J] == Stop)) {
      if (Part.size() < Slots.size()) Part.push_back(T[J]);
      ++J;
    }
    // [Phase 3] Place them, applying the case directives.
    std::size_t Offset = FLeftPad ? Slots.size() - Part.size() : 0;
    for (std::size_t K = 0; K < Part.size(); ++K) PutChar(R, Slots[K + Offset], Part[K]);
    for (Integer K = I; K < End; ++K)
      if (IsLiteral(K)) R[std::size_t(K)] = Position(K).Literal;
    I = End;
  }
  return FromChars(R);
}

Integer TEditMask::FirstUnfilled(const String& EditText) const {
  std::u32string E = ToChars(EditText);
  for (Integer I = 0; I < Count(); ++I) {
    const TMaskPosition& P = Position(I);
    if (!P.Required) continue;
    Char C = std::size_t(I) < E.size() ? E[std::size_t(I)] : FBlank;
    if (C == FBlank || (C == U' ' && P.Kind != TMaskCharKind::Any)) return I;
  }
  return -1;
}

String FormatMaskText(const String& EditMask, const String& Value) {
  return TEditMask(EditMask).FormatText(Value);
}

}  // namespace kvp
