#include "platform/classes/FilerLexer.h"

#include <charconv>

#include "platform/classes/Filer.h"
#include "platform/rtl/Strings.h"

namespace kvp::detail {

namespace {

bool IsIdentStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsIdentChar(char C) { return IsIdentStart(C) || IsDigit(C); }
bool IsHex(char C) { return IsDigit(C) || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f'); }
int HexValue(char C) {
  if (IsDigit(C)) return C - '0';
  return (C | 0x20) - 'a' + 10;
}

}  // namespace

char TFormLexer::Ch(std::size_t Ahead) const {
  return FPos + Ahead < FText.size() ? FText[FPos + Ahead] : '\0';
}

void TFormLexer::Error(const String& Message, Integer Line) const {
  throw EParserError(Message + " on line " + std::to_string(Line));
}

const TToken& TFormLexer::Peek() {
  if (!FHasPeek) {
    FPeek = Scan();
    FHasPeek = true;
  }
  return FPeek;
}

TToken TFormLexer::Next() {
  Peek();
  FHasPeek = false;
  FLastLine = FPeek.Line;
  return std::move(FPeek);
}

Integer TFormLexer::LastLine() { return FLastLine ? FLastLine : Peek().Line; }

void TFormLexer::SkipBlanks() {
  while (FPos < FText.size()) {
    char C = FText[FPos];
    if (C == '\n')
      ++FLine;
    else if (C != ' ' && C != '\t' && C != '\r')
      break;
    ++FPos;
  }
}

TToken TFormLexer::Scan() {
  SkipBlanks();
  TToken T;
  T.Line = FLine;
  if (FPos >= FText.size()) return T;
  char C = Ch();
  if (IsIdentStart(C) || (C == '-' && Ch(1) == 'I' && Ch(2) == 'N' && Ch(3) == 'F')) {
    std::size_t Start = FPos++;
    while (IsIdentChar(Ch()) || (Ch() == '.' && IsIdentStart(Ch(1)))) ++FPos;
    T.Kind = tokIdent;
    T.Text = FText.substr(Start, FPos - Start);
  } else if (IsDigit(C) || C == '$' ||
             ((C == '-' || C == '+') && (IsDigit(Ch(1)) || Ch(1) == '$'))) {
    ScanNumber(T);
  } else if (C == '\'' || C == '#') {
    ScanString(T);
  } else if (C == '{') {
    ScanBinary(T);
  } else {
    T.Kind = tokSymbol;
    T.Symbol = C;
    ++FPos;
  }
  return T;
}

void TFormLexer::ScanNumber(TToken& T) {
  bool Negative = Ch() == '-';
  if (Ch() == '-' || Ch() == '+') ++FPos;
  if (Ch() == '$') {
    ++FPos;
    UInt64 V = 0;
    int Digits = 0;
    while (IsHex(Ch())) {
      if (++Digits > 16) Error("Invalid number", T.Line);
      V = V * 16 + UInt64(HexValue(Ch()));
      ++FPos;
    }
    if (Digits == 0) Error("Number expected", T.Line);
    T.Kind = tokInteger;
    // Negated as unsigned: -$8000000000000000 is the smallest Int64, not an overflow.
    T.Int = Int64(Negative ? UInt64(0) - V : V);
    return;
  }
  std::size_t Start = FPos;
  bool IsFloat = false;
  while (IsDigit(Ch())) ++FPos;
  if (Ch() == '.' && IsDigit(Ch(1))) {
    IsFloat = true;
    ++FPos;
    while (IsDigit(Ch())) ++FPos;
  }
  if ((Ch() == 'e' || Ch() == 'E') &&
      (IsDigit(Ch(1)) || ((Ch(1) == '+' || Ch(1) == '-') && IsDigit(Ch(2))))) {
    IsFloat = true;
    FPos += 2;
    while (IsDigit(Ch())) ++FPos;
  }
  String Digits = (Negative ? "-" : "") + FText.substr(Start, FPos - Start);
  char Suffix = char(Ch() | 0x20);
  if ((Suffix == 's' || Suffix == 'c' || Suffix == 'd') && !IsIdentChar(Ch(1))) {
    IsFloat = true;
    T.FloatSuffix = Suffix;
    ++FPos;
  }
  if (IsIdentChar(Ch())) Error("Invalid number", T.Line);
  const char* First = Digits.data();
  const char* Last = Digits.data() + Digits.size();
  if (IsFloat) {
    T.Kind = tokFloat;
    auto [Ptr, Ec] = std::from_chars(First, Last, T.Float);
    if (Ec != std::errc() || Ptr != Last) Error("Invalid number", T.Line);
  } else {
    T.Kind = tokInteger;
    auto [Ptr, Ec] = std::from_chars(First, Last, T.Int);
    if (Ec != std::errc() || Ptr != Last) Error("Invalid number", T.Line);
  }
}

bool TFormLexer::AtStringPiece() const { return Ch() == '\'' || Ch() == '#'; }

void TFormLexer::ScanString(TToken& T) {
  T.Kind = tokString;
  for (;;) {
    while (AtStringPiece()) {
      if (Ch() == '\'') {
        ++FPos;
        for (;;) {
          if (FPos >= FText.size() || Ch() == '\n' || Ch() == '\r')
            Error("Unterminated string", T.Line);
          if (Ch() == '\'') {
            if (Ch(1) != '\'') break;
            ++FPos;
          }
          T.Text += Ch();
          ++FPos;
        }
        ++FPos;
      } else {
        ++FPos;
        UInt64 Code = 0;
        int Digits = 0;
        bool Hex = Ch() == '$';
        if (Hex) ++FPos;
        while (Hex ? IsHex(Ch()) : IsDigit(Ch())) {
          Code = Code * (Hex ? 16 : 10) + UInt64(Hex ? HexValue(Ch()) : Ch() - '0');
          if (Code > 0x10FFFF) Error("Invalid string constant", T.Line);
          ++Digits;
          ++FPos;
        }
        if (Digits == 0 || (Code >= 0xD800 && Code <= 0xDFFF))
          Error("Invalid string constant", T.Line);
        Utf8Append(T.Text, Char(Code));
      }
    }
    // A long string may go on after a "+" on the next line.
    std::size_t SavedPos = FPos;
    Integer SavedLine = FLine;
    SkipBlanks();
    if (Ch() == '+') {
      ++FPos;
      SkipBlanks();
      if (AtStringPiece()) continue;
    }
    FPos = SavedPos;
    FLine = SavedLine;
    return;
  }
}

void TFormLexer::ScanBinary(TToken& T) {
  T.Kind = tokBinary;
  ++FPos;
  int High = -1;
  for (;;) {
    if (FPos >= FText.size()) Error("Invalid binary value", T.Line);
    char C = Ch();
    ++FPos;
    if (C == '}') break;
    if (C == '\n') {
      ++FLine;
      continue;
    }
    if (C == ' ' || C == '\t' || C == '\r') continue;
    if (!IsHex(C)) Error("Invalid binary value", FLine);
    if (High < 0) {
      High = HexValue(C);
    } else {
      T.Text += char((High << 4) | HexValue(C));
      High = -1;
    }
  }
  if (High >= 0) Error("Invalid binary value", T.Line);
}

}  // namespace kvp::detail
