// Index
// [SECTION] UTF-8 and UTF-16
// [SECTION] Positions, Copy, Pos, Delete, Insert
// [SECTION] Case and comparison
// [SECTION] Trimming, quoting, replacing
// [SECTION] File names
// [SECTION] Integers and Booleans

#include "platform/rtl/Strings.h"

#include <limits>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace kvp {

// [SECTION] UTF-8 and UTF-16 ------------------------------------------------

namespace {

bool IsContinuation(unsigned char B) { return (B & 0xC0) == 0x80; }

// One character as decoded from text: the code point (folded where a caller
// folds) and where its bytes start in the source.
struct TCharPos {
  Char Code;
  std::size_t Byte;  // offset of the first byte
};

std::vector<TCharPos> Decompose(std::string_view S, Char (*Fold)(Char) = nullptr) {
  std::vector<TCharPos> Out;
  std::size_t I = 0;
  while (I < S.size()) {
    std::size_t Start = I;
    Char C = Utf8Decode(S, I);
    Out.push_back({Fold ? Fold(C) : C, Start});
  }
  return Out;
}

}  // namespace

void Utf8Append(String& S, Char C) {
  if ((C >= 0xD800 && C <= 0xDFFF) || C > 0x10FFFF) C = ReplacementChar;
  if (C < 0x80) {
    S += static_cast<char>(C);
  } else if (C < 0x800) {
    S += static_cast<char>(0xC0 | (C >> 6));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    S += static_cast<char>(0xE0 | (C >> 12));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    S += static_cast<char>(0xF0 | (C >> 18));
    S += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  }
}

String Utf8Encode(Char C) {
  String S;
  Utf8Append(S, C);
  return S;
}

// A malformed sequence consumes its lead byte and the continuation bytes that
// were still acceptable, so "E2 82 41" is U+FFFD followed by 'A'.
Char Utf8Decode(std::string_view S, std::size_t& BytePos, bool* Valid) {
  if (BytePos >= S.size()) {
    if (Valid) *Valid = false;
    return 0;
  }
  if (Valid) *Valid = true;
  auto Lead = static_cast<unsigned char>(S[BytePos++]);
  if (Lead < 0x80) return Lead;
  int More;
  Char C;
  unsigned char Lo = 0x80, Hi = 0xBF;  // allowed range of the second byte
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    More = 1, C = Lead & 0x1F;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    More = 2, C = Lead & 0x0F;
    if (Lead == 0xE0) Lo = 0xA0;  // no overlong forms
    if (Lead == 0xED) Hi = 0x9F;  // no surrogates
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    More = 3, C = Lead & 0x07;
    if (Lead == 0xF0) Lo = 0x90;
    if (Lead == 0xF4) Hi = 0x8F;  // nothing past U+10FFFF
  } else {
    if (Valid) *Valid = false;
    return ReplacementChar;
  }
  for (int K = 0; K < More; ++K) {
    if (BytePos >= S.size()) break;
    auto B = static_cast<unsigned char>(S[BytePos]);
    if (K == 0 ? (B < Lo || B > Hi) : !IsContinuation(B)) break;
    C = (C << 6) | (B & 0x3F);
    ++BytePos;
    if (K == More - 1) return C;
  }
  if (Valid) *Valid = false;
  return ReplacementChar;
}

std::size_t CharToByteIndex(std::string_view S, Integer Index) {
  std::size_t I = 0;
  for (Integer K = 1; K < Index && I < S.size(); ++K) Utf8Decode(S, I);
  return I;
}

Integer ByteToCharIndex(std::string_view S, std::size_t ByteOffset) {
  std::size_t I = 0;
  Integer N = 0;
  while (I < S.size()) {
    Utf8Decode(S, I);
    if (ByteOffset < I) break;
    ++N;
  }
  return N;
}

Char CharAt(const String& S, Integer Index) {
  if (Index < 1) return 0;
  std::size_t I = CharToByteIndex(S, Index);
  return I < S.size() ? Utf8Decode(S, I) : 0;
}

bool IsValidUtf8(std::string_view S) {
  std::size_t I = 0;
  bool Valid = true;
  while (I < S.size() && Valid) Utf8Decode(S, I, &Valid);
  return Valid;
}

String Utf8Sanitize(std::string_view S) {
  String Out;
  Out.reserve(S.size());
  std::size_t I = 0;
  while (I < S.size()) {
    std::size_t Start = I;
    bool Valid;
    Char C = Utf8Decode(S, I, &Valid);
    if (Valid)
      Out.append(S.substr(Start, I - Start));
    else
      Utf8Append(Out, C);
  }
  return Out;
}

WideString Utf8ToUtf16(const String& S) {
  WideString Out;
  Out.reserve(S.size());
  std::size_t I = 0;
  while (I < S.size()) {
    Char C = Utf8Decode(S, I);
    if (C >= 0x10000) {
      C -= 0x10000;
      Out += static_cast<char16_t>(0xD800 + (C >> 10));
      Out += static_cast<char16_t>(0xDC00 + (C & 0x3FF));
    } else {
      Out += static_cast<char16_t>(C);
    }
  }
  return Out;
}

String Utf16ToUtf8(const WideString& S) {
  String Out;
  Out.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    Char C = S[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 &&
        S[I + 1] <= 0xDFFF) {
      C = 0x10000 + ((C - 0xD800) << 10) + (S[I + 1] - 0xDC00);
      ++I;
    }
    Utf8Append(Out, C);  // a lone surrogate becomes U+FFFD
  }
  return Out;
}

// [SECTION] Positions, Copy, Pos, Delete, Insert -----------------------------

Integer Length(const String& S) {
  Integer N = 0;
  std::size_t I = 0;
  while (I < S.size()) {
    Utf8Decode(S, I);
    ++N;
  }
  return N;
}

String Copy(const String& S, Integer Index, Integer Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0) return String();
  std::size_t From = CharToByteIndex(S, Index);
  std::size_t To = From;
  for (Integer K = 0; K < Count && To < S.size(); ++K) Utf8Decode(S, To);
  return S.substr(From, To - From);
}

namespace {

// The first match of Sub among the characters of S from 0-based character
// Start on, compared code point by code point; -1 if none.
Integer FindChars(const std::vector<TCharPos>& S, const std::vector<TCharPos>& Sub,
                  std::size_t Start) {
  if (Sub.empty() || Sub.size() > S.size()) return -1;
  for (std::size_t I = Start; I + Sub.size() <= S.size(); ++I) {
    std::size_t K = 0;
    while (K < Sub.size() && S[I + K].Code == Sub[K].Code) ++K;
    if (K == Sub.size()) return static_cast<Integer>(I);
  }
  return -1;
}

// Searches bytes from character Offset on. In well-formed text every match
// starts a character; a match that starts inside a malformed sequence is
// skipped, so the answer is always a character index.
Integer PosBytes(const String& Sub, const String& S, Integer Offset) {
  if (Sub.empty() || Offset < 1) return 0;
  std::size_t From = CharToByteIndex(S, Offset);
  if (From >= S.size() && Offset > 1) return 0;
  for (std::size_t At = S.find(Sub, From); At != String::npos; At = S.find(Sub, At + 1)) {
    Integer Index = ByteToCharIndex(S, At);
    if (CharToByteIndex(S, Index + 1) == At) return Index + 1;
  }
  return 0;
}

}  // namespace

Integer Pos(const String& Sub, const String& S) { return PosBytes(Sub, S, 1); }

Integer PosEx(const String& Sub, const String& S, Integer Offset) {
  return PosBytes(Sub, S, Offset);
}

void Delete(String& S, Integer Index, Integer Count) {
  if (Index < 1 || Count <= 0) return;
  std::size_t From = CharToByteIndex(S, Index);
  if (From >= S.size()) return;
  std::size_t To = From;
  for (Integer K = 0; K < Count && To < S.size(); ++K) Utf8Decode(S, To);
  S.erase(From, To - From);
}

void Insert(const String& Sub, String& S, Integer Index) {
  S.insert(Index < 1 ? 0 : CharToByteIndex(S, Index), Sub);
}

String StringOfChar(Char C, Integer Count) {
  String One = Utf8Encode(C), Out;
  for (Integer K = 0; K < Count; ++K) Out += One;
  return Out;
}

// [SECTION] Case and comparison ----------------------------------------------

namespace {

char AsciiUpper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }
char AsciiLower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

// Maps every well-formed character; malformed bytes are kept as they are.
String MapChars(const String& S, Char (*Map)(Char)) {
  String Out;
  Out.reserve(S.size());
  std::size_t I = 0;
  while (I < S.size()) {
    std::size_t Start = I;
    bool Valid;
    Char C = Utf8Decode(S, I, &Valid);
    if (Valid)
      Utf8Append(Out, Map(C));
    else
      Out.append(S, Start, I - Start);
  }
  return Out;
}

Integer Sign(int V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

bool StartsFolded(const String& SubText, const String& Text) {
  auto Sub = Decompose(SubText, CharUpper), All = Decompose(Text, CharUpper);
  if (Sub.size() > All.size()) return false;
  for (std::size_t K = 0; K < Sub.size(); ++K)
    if (Sub[K].Code != All[K].Code) return false;
  return true;
}

}  // namespace

String UpperCase(const String& S) {
  String Out = S;
  for (char& C : Out) C = AsciiUpper(C);
  return Out;
}

String LowerCase(const String& S) {
  String Out = S;
  for (char& C : Out) C = AsciiLower(C);
  return Out;
}

String AnsiUpperCase(const String& S) { return MapChars(S, CharUpper); }
String AnsiLowerCase(const String& S) { return MapChars(S, CharLower); }

Integer CompareStr(const String& S1, const String& S2) {
  std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I)
    if (S1[I] != S2[I])
      return Integer(static_cast<unsigned char>(S1[I])) - static_cast<unsigned char>(S2[I]);
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

Integer CompareText(const String& S1, const String& S2) {
  std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    auto A = static_cast<unsigned char>(AsciiUpper(S1[I]));
    auto B = static_cast<unsigned char>(AsciiUpper(S2[I]));
    if (A != B) return Integer(A) - Integer(B);
  }
  return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

bool SameText(const String& S1, const String& S2) { return CompareText(S1, S2) == 0; }

Integer AnsiCompareStr(const String& S1, const String& S2) { return Sign(CompareStr(S1, S2)); }

// Byte order of UTF-8 is code point order, so the folded strings compare as
// bytes; malformed bytes (kept by MapChars) sort by their byte values.
Integer AnsiCompareText(const String& S1, const String& S2) {
  return Sign(CompareStr(AnsiUpperCase(S1), AnsiUpperCase(S2)));
}

bool AnsiSameText(const String& S1, const String& S2) { return AnsiCompareText(S1, S2) == 0; }
bool AnsiSameStr(const String& S1, const String& S2) { return S1 == S2; }

bool AnsiStartsText(const String& SubText, const String& Text) {
  return StartsFolded(SubText, Text);
}

bool AnsiStartsStr(const String& SubText, const String& Text) {
  return Text.compare(0, SubText.size(), SubText) == 0;
}

bool AnsiEndsText(const String& SubText, const String& Text) {
  auto Sub = Decompose(SubText, CharUpper), All = Decompose(Text, CharUpper);
  if (Sub.size() > All.size()) return false;
  std::size_t Shift = All.size() - Sub.size();
  for (std::size_t K = 0; K < Sub.size(); ++K)
    if (Sub[K].Code != All[Shift + K].Code) return false;
  return true;
}

bool AnsiContainsText(const String& Text, const String& SubText) {
  if (SubText.empty()) return true;
  return FindChars(Decompose(Text, CharUpper), Decompose(SubText, CharUpper), 0) >= 0;
}

Integer AnsiPos(const String& Sub, const String& S) { return Pos(Sub, S); }

// [SECTION] Trimming, quoting, replacing --------------------------------------

namespace {

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

}  // namespace

String Trim(const String& S) { return TrimLeft(TrimRight(S)); }

String TrimLeft(const String& S) {
  std::size_t I = 0;
  while (I < S.size() && IsBlank(S[I])) ++I;
  return S.substr(I);
}

String TrimRight(const String& S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  return S.substr(0, N);
}

String QuotedStr(const String& S) { return AnsiQuotedStr(S, '\''); }

String AnsiQuotedStr(const String& S, Char Quote) {
  String Q = Utf8Encode(Quote), Out = Q;
  for (std::size_t I = 0; I < S.size();) {
    if (S.compare(I, Q.size(), Q) == 0) {
      Out += Q + Q;
      I += Q.size();
    } else {
      Out += S[I++];
    }
  }
  return Out + Q;
}

namespace {

// Reads a quoted text at the start of Src (see AnsiExtractQuotedStr); Closed
// tells whether the closing quote was there.
String ExtractQuoted(std::string_view& Src, const String& Q, bool& Closed) {
  String Out;
  Closed = false;
  if (Src.substr(0, Q.size()) != Q) return Out;
  std::size_t I = Q.size();
  while (I < Src.size()) {
    if (Src.substr(I, Q.size()) == Q) {
      I += Q.size();
      if (Src.substr(I, Q.size()) != Q) {
        Closed = true;
        break;
      }
    }
    Out += Src[I++];
  }
  Src.remove_prefix(std::min(I, Src.size()));
  return Out;
}

}  // namespace

String AnsiExtractQuotedStr(std::string_view& Src, Char Quote) {
  bool Closed;
  return ExtractQuoted(Src, Utf8Encode(Quote), Closed);
}

String AnsiDequotedStr(const String& S, Char Quote) {
  std::string_view Rest = S;
  bool Closed;
  String Text = ExtractQuoted(Rest, Utf8Encode(Quote), Closed);
  return Closed ? Text : S;
}

String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags) {
  if (OldPattern.empty()) return S;
  Char (*Fold)(Char) = Flags.Contains(rfIgnoreCase) ? CharUpper : nullptr;
  auto Chars = Decompose(S, Fold), Pattern = Decompose(OldPattern, Fold);
  String Out;
  std::size_t Done = 0;    // characters of S already copied or replaced
  std::size_t Copied = 0;  // the same, in bytes
  for (;;) {
    Integer At = FindChars(Chars, Pattern, Done);
    if (At < 0) break;
    Out.append(S, Copied, Chars[At].Byte - Copied);
    Out += NewPattern;
    Done = static_cast<std::size_t>(At) + Pattern.size();
    Copied = Done < Chars.size() ? Chars[Done].Byte : S.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  Out.append(S, Copied, String::npos);
  return Out;
}

bool IsDelimiter(const String& Delimiters, const String& S, Integer Index) {
  if (Index < 1 || CharToByteIndex(S, Index) >= S.size()) return false;
  Char C = CharAt(S, Index);
  for (const TCharPos& D : Decompose(Delimiters))
    if (D.Code == C) return true;
  return false;
}

Integer LastDelimiter(const String& Delimiters, const String& S) {
  auto Chars = Decompose(S), Delims = Decompose(Delimiters);
  for (std::size_t I = Chars.size(); I-- > 0;)
    for (const TCharPos& D : Delims)
      if (D.Code == Chars[I].Code) return static_cast<Integer>(I) + 1;
  return 0;
}

String AdjustLineBreaks(const String& S) {
  String Out;
  Out.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    char C = S[I];
    if (C == '\r' || C == '\n') {
      char Other = C == '\r' ? '\n' : '\r';
      if (I + 1 < S.size() && S[I + 1] == Other) ++I;
      Out += sLineBreak;
    } else {
      Out += C;
    }
  }
  return Out;
}

// [SECTION] File names --------------------------------------------------------

namespace {

// Byte offset just past the last directory separator, 0 if none.
std::size_t NameStart(const String& FileName) {
  std::size_t At = FileName.find_last_of("/\\");
  return At == String::npos ? 0 : At + 1;
}

// Byte offset of the extension's dot, npos if the name part has none.
std::size_t ExtStart(const String& FileName) {
  std::size_t Dot = FileName.rfind('.');
  return Dot == String::npos || Dot < NameStart(FileName) ? String::npos : Dot;
}

}  // namespace

String ExtractFilePath(const String& FileName) { return FileName.substr(0, NameStart(FileName)); }

String ExtractFileName(const String& FileName) { return FileName.substr(NameStart(FileName)); }

String ExtractFileExt(const String& FileName) {
  std::size_t Dot = ExtStart(FileName);
  return Dot == String::npos ? String() : FileName.substr(Dot);
}

String ChangeFileExt(const String& FileName, const String& Extension) {
  return FileName.substr(0, ExtStart(FileName)) + Extension;
}

String IncludeTrailingPathDelimiter(const String& S) {
  if (!S.empty() && (S.back() == '/' || S.back() == '\\')) return S;
  return S + PathDelim;
}

// [SECTION] Integers and Booleans ---------------------------------------------

namespace {

// Parses S into an integer of Bits bits whose largest value is Max. Hex digits
// may fill all the bits and are read as two's complement; a decimal must lie
// within -Max-1 .. Max.
bool ParseInteger(const String& S, int Bits, UInt64 Max, Int64& Value) {
  String T = Trim(S);
  std::size_t I = 0;
  bool Negative = false;
  if (I < T.size() && (T[I] == '+' || T[I] == '-')) Negative = T[I++] == '-';
  bool Hex = false;
  if (I < T.size() && (T[I] == '$' || T[I] == 'x' || T[I] == 'X')) {
    Hex = true, ++I;
  } else if (I + 1 < T.size() && T[I] == '0' && (T[I + 1] == 'x' || T[I + 1] == 'X')) {
    Hex = true, I += 2;
  }
  if (I >= T.size()) return false;
  UInt64 Limit =
      Hex ? (Bits == 64 ? ~UInt64(0) : (UInt64(1) << Bits) - 1) : (Negative ? Max + 1 : Max);
  UInt64 Base = Hex ? 16 : 10, Acc = 0;
  for (; I < T.size(); ++I) {
    char C = T[I];
    UInt64 D;
    if (C >= '0' && C <= '9')
      D = C - '0';
    else if (Hex && C >= 'a' && C <= 'f')
      D = C - 'a' + 10;
    else if (Hex && C >= 'A' && C <= 'F')
      D = C - 'A' + 10;
    else
      return false;
    if (Acc > (Limit - D) / Base) return false;
    Acc = Acc * Base + D;
  }
  if (Hex && Bits == 32) Acc = static_cast<UInt64>(static_cast<Int64>(static_cast<Integer>(Acc)));
  Value = static_cast<Int64>(Negative ? UInt64(0) - Acc : Acc);
  return true;
}

[[noreturn]] void RaiseNotInteger(const String& S) {
  throw EConvertError("'" + S + "' is not a valid integer value");
}

String HexOf(UInt64 Value, Integer Digits) {
  static const char Hex[] = "0123456789ABCDEF";
  String Out;
  do {
    Out.insert(Out.begin(), Hex[Value & 15]);
    Value >>= 4;
  } while (Value);
  if (static_cast<Integer>(Out.size()) < Digits) Out.insert(0, Digits - Out.size(), '0');
  return Out;
}

}  // namespace

String IntToStr(Integer Value) { return std::to_string(Value); }
String IntToStr(Int64 Value) { return std::to_string(Value); }

String IntToHex(Integer Value, Integer Digits) {
  return HexOf(static_cast<std::uint32_t>(Value), Digits);
}

String IntToHex(Int64 Value, Integer Digits) { return HexOf(static_cast<UInt64>(Value), Digits); }

bool TryStrToInt(const String& S, Integer& Value) {
  Int64 V;
  if (!ParseInteger(S, 32, std::numeric_limits<Integer>::max(), V)) return false;
  Value = static_cast<Integer>(V);
  return true;
}

bool TryStrToInt64(const String& S, Int64& Value) {
  return ParseInteger(S, 64, std::numeric_limits<Int64>::max(), Value);
}

Integer StrToInt(const String& S) {
  Integer V;
  if (!TryStrToInt(S, V)) RaiseNotInteger(S);
  return V;
}

Int64 StrToInt64(const String& S) {
  Int64 V;
  if (!TryStrToInt64(S, V)) RaiseNotInteger(S);
  return V;
}

Integer StrToIntDef(const String& S, Integer Default) {
  Integer V;
  return TryStrToInt(S, V) ? V : Default;
}

Int64 StrToInt64Def(const String& S, Int64 Default) {
  Int64 V;
  return TryStrToInt64(S, V) ? V : Default;
}

String BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? "True" : "False";
  return B ? "-1" : "0";
}

bool TryStrToBool(const String& S, bool& Value) {
  String T = Trim(S);
  Int64 N;
  if (SameText(T, "True")) {
    Value = true;
  } else if (SameText(T, "False")) {
    Value = false;
  } else if (TryStrToInt64(T, N)) {
    Value = N != 0;
  } else {
    return false;
  }
  return true;
}

bool StrToBool(const String& S) {
  bool B;
  if (!TryStrToBool(S, B)) throw EConvertError("'" + S + "' is not a valid boolean value");
  return B;
}

}  // namespace kvp
