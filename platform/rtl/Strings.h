// Text routines of the runtime library. Strings are UTF-8; every position and
// length here counts code points and is 1-based, as the library's code reads,
// so no routine ever splits a character. Casing and case-insensitive compares
// use fixed character tables (CaseTables.cpp), never the host's locale. Also
// here: the UTF-8/UTF-16 helpers, quoting, file-name parts and the integer and
// Boolean conversions.
#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

namespace kvp {

inline constexpr const char* sLineBreak = "\r\n";

// An integer type other than bool, the character types and those listed in
// Taken: lets a value type take every integer type without ambiguous overloads.
template <class T, class... Taken>
concept OtherIntegerType = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
                           !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
                           !std::same_as<T, char32_t> && !(std::same_as<T, Taken> || ...);
inline constexpr char PathDelim = '/';

// ---------------------------------------------------------------------------
// UTF-8 helpers. A byte that does not start a well-formed sequence (a stray
// continuation byte, an overlong form, a surrogate, a truncated sequence) is
// one character of its own that decodes to U+FFFD; the bytes are kept as they
// are unless Utf8Sanitize replaces them.

inline constexpr Char ReplacementChar = 0xFFFD;

// Appends the UTF-8 form of C; a surrogate or a value past U+10FFFF appends U+FFFD.
void Utf8Append(String& S, Char C);
String Utf8Encode(Char C);
// Decodes the character that starts at byte BytePos (0-based) and moves BytePos
// past it. Valid is set to false for a malformed sequence; at or past the end
// it gives 0, invalid, and BytePos stays.
Char Utf8Decode(std::string_view S, std::size_t& BytePos, bool* Valid = nullptr);
// The byte offset (0-based) at which the Index-th character (1-based) starts;
// S.size() when Index is past the end.
std::size_t CharToByteIndex(std::string_view S, Integer Index);
// The number of characters that start before byte offset ByteOffset, i.e. the
// 0-based index of the character holding that byte.
Integer ByteToCharIndex(std::string_view S, std::size_t ByteOffset);
// The Index-th character (1-based); 0 when Index is out of range.
Char CharAt(const String& S, Integer Index);
bool IsValidUtf8(std::string_view S);
// Text from outside the library: every malformed sequence becomes U+FFFD.
String Utf8Sanitize(std::string_view S);
WideString Utf8ToUtf16(const String& S);
// Unpaired surrogates become U+FFFD.
String Utf16ToUtf8(const WideString& S);

// ---------------------------------------------------------------------------
// The platform's string routines, 1-based and counted in characters.

Integer Length(const String& S);
// Index < 1 counts as 1; a Count past the end, or negative, is cut.
String Copy(const String& S, Integer Index, Integer Count);
// 1-based index of the first Sub in S, 0 if absent (or Sub is empty).
Integer Pos(const String& Sub, const String& S);
// As Pos, searching from character Offset; 0 when Offset is out of range.
Integer PosEx(const String& Sub, const String& S, Integer Offset = 1);
void Delete(String& S, Integer Index, Integer Count);
// Index < 1 inserts at the front, past the end appends.
void Insert(const String& Sub, String& S, Integer Index);
String StringOfChar(Char C, Integer Count);

// ---------------------------------------------------------------------------
// Case and character classes (CaseTables.cpp).

Char CharUpper(Char C);
Char CharLower(Char C);
bool IsCharAlpha(Char C);
bool IsCharAlphaNumeric(Char C);
bool IsCharUpper(Char C);
bool IsCharLower(Char C);
bool IsCharDigit(Char C);

// ASCII letters only.
String UpperCase(const String& S);
String LowerCase(const String& S);
// Every character through the case tables.
String AnsiUpperCase(const String& S);
String AnsiLowerCase(const String& S);

// Byte (code point) order; the difference of the first differing bytes, or of
// the lengths.
Integer CompareStr(const String& S1, const String& S2);
// As CompareStr with ASCII letters taken as upper case.
Integer CompareText(const String& S1, const String& S2);
bool SameText(const String& S1, const String& S2);
// Code point order, -1, 0 or 1.
Integer AnsiCompareStr(const String& S1, const String& S2);
// Code point order after folding both sides to upper case with the tables.
Integer AnsiCompareText(const String& S1, const String& S2);
bool AnsiSameText(const String& S1, const String& S2);
bool AnsiSameStr(const String& S1, const String& S2);
bool AnsiStartsText(const String& SubText, const String& Text);
bool AnsiStartsStr(const String& SubText, const String& Text);
bool AnsiEndsText(const String& SubText, const String& Text);
bool AnsiContainsText(const String& Text, const String& SubText);
Integer AnsiPos(const String& Sub, const String& S);

// ---------------------------------------------------------------------------
// Trimming, quoting, replacing.

// Remove characters <= ' ' (spaces and control characters).
String Trim(const String& S);
String TrimLeft(const String& S);
String TrimRight(const String& S);

// 'It''s': the text in single quotes, inner quotes doubled.
String QuotedStr(const String& S);
String AnsiQuotedStr(const String& S, Char Quote);
// Src must start with Quote; reads up to the closing quote (a doubled quote
// stands for one), moves Src past it and returns the text. A Src that does not
// start with Quote gives "" and stays; without a closing quote the rest is taken.
String AnsiExtractQuotedStr(std::string_view& Src, Char Quote);
// The text of a quoted S; S itself when it is not quoted or the quote is not closed.
String AnsiDequotedStr(const String& S, Char Quote);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// Replaces the first (or every) occurrence of OldPattern, left to right, never
// overlapping; with rfIgnoreCase the match uses the case tables.
String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags);

// Whether the Index-th character of S is one of the characters of Delimiters.
bool IsDelimiter(const String& Delimiters, const String& S, Integer Index);
// The index of the last character of S that is in Delimiters, 0 if none.
Integer LastDelimiter(const String& Delimiters, const String& S);
// Every CR, LF, CR LF or LF CR becomes CR LF.
String AdjustLineBreaks(const String& S);

// ---------------------------------------------------------------------------
// File-name parts. Both '/' and '\' separate directories.

String ExtractFilePath(const String& FileName);
String ExtractFileName(const String& FileName);
// ".txt"; "" when the name part has no dot.
String ExtractFileExt(const String& FileName);
String ChangeFileExt(const String& FileName, const String& Extension);
String IncludeTrailingPathDelimiter(const String& S);

// ---------------------------------------------------------------------------
// Integers and Booleans. Parsing allows spaces around the number, a sign, and
// hexadecimal written $FF, xFF or 0xFF (which may fill all the bits of the
// type: "$FFFFFFFF" is -1); anything else, or a value out of range, raises
// EConvertError "'s' is not a valid integer value".

String IntToStr(Integer Value);
String IntToStr(Int64 Value);
// Upper-case hex of the two's complement, at least Digits digits.
String IntToHex(Integer Value, Integer Digits);
String IntToHex(Int64 Value, Integer Digits);
Integer StrToInt(const String& S);
Int64 StrToInt64(const String& S);
Integer StrToIntDef(const String& S, Integer Default);
Int64 StrToInt64Def(const String& S, Int64 Default);
bool TryStrToInt(const String& S, Integer& Value);
bool TryStrToInt64(const String& S, Int64& Value);

// "True"/"False" with UseBoolStrs, else "-1"/"0".
String BoolToStr(bool B, bool UseBoolStrs = false);
// "True"/"False" in any case, or an integer (non-zero is true); otherwise
// EConvertError "'s' is not a valid boolean value".
bool StrToBool(const String& S);
bool TryStrToBool(const String& S, bool& Value);

}  // namespace kvp
