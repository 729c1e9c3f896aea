// Text routines: code-point positions, malformed UTF-8, casing tables,
// comparisons, quoting, replacing, file names and integer parsing.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

using namespace kvp;

namespace {

const String Mixed = "Grüße, 世界 🙂!";  // 1-, 2-, 3- and 4-byte characters

TEST(Strings, PositionsCountCharactersNotBytes) {
  EXPECT_EQ(Length(Mixed), 12);
  EXPECT_EQ(Copy(Mixed, 3, 3), "üße");
  EXPECT_EQ(Copy(Mixed, 8, 2), "世界");
  EXPECT_EQ(Copy(Mixed, 11, 1), "🙂");
  EXPECT_EQ(Copy(Mixed, 0, 2), "Gr");    // index below 1 counts as 1
  EXPECT_EQ(Copy(Mixed, 12, 100), "!");  // count cut at the end
  EXPECT_EQ(Copy(Mixed, 14, 1), "");
  EXPECT_EQ(Copy(Mixed, 2, -1), "");
  EXPECT_EQ(Pos("界", Mixed), 9);
  EXPECT_EQ(Pos("🙂!", Mixed), 11);
  EXPECT_EQ(Pos("x", Mixed), 0);
  EXPECT_EQ(Pos("", Mixed), 0);
  EXPECT_EQ(PosEx("ü", "ü-ü", 2), 3);
  EXPECT_EQ(PosEx("ü", "ü-ü", 4), 0);
  EXPECT_EQ(CharAt(Mixed, 9), U'界');
  EXPECT_EQ(CharAt(Mixed, 14), 0u);

  String S = Mixed;
  Delete(S, 3, 3);
  EXPECT_EQ(S, "Gr, 世界 🙂!");
  Delete(S, 9, 50);
  EXPECT_EQ(S, "Gr, 世界 🙂");
  Insert("ößen", S, 3);
  EXPECT_EQ(S, "Größen, 世界 🙂");
  Insert("!", S, 100);
  EXPECT_EQ(S, "Größen, 世界 🙂!");
  EXPECT_EQ(StringOfChar(U'é', 3), "ééé");
  EXPECT_EQ(StringOfChar(U'x', 0), "");
}

TEST(Strings, ByteAndCharacterIndexesConvertBothWays) {
  EXPECT_EQ(CharToByteIndex(Mixed, 3), 2u);
  EXPECT_EQ(CharToByteIndex(Mixed, 4), 4u);
  EXPECT_EQ(CharToByteIndex(Mixed, 99), Mixed.size());
  EXPECT_EQ(ByteToCharIndex(Mixed, 4), 3);
  EXPECT_EQ(ByteToCharIndex(Mixed, 3), 2);  // the second byte of 'ü' belongs to it
  EXPECT_EQ(ByteToCharIndex(Mixed, Mixed.size()), Length(Mixed));
}

TEST(Strings, MalformedBytesAreSingleCharactersAndCanBeReplaced) {
  const String Truncated =
      "a\xE2\x82"
      "b";                                      // a 3-byte sequence cut short
  const String Stray = "\x80x";                 // a lone continuation byte
  const String Overlong = "\xC0\xAF";           // '/' in an overlong form
  const String Surrogate = "\xED\xA0\x80";      // an encoded surrogate
  const String BeyondMax = "\xF4\x90\x80\x80";  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8(Truncated));
  EXPECT_FALSE(IsValidUtf8(Overlong));
  EXPECT_FALSE(IsValidUtf8(Surrogate));
  EXPECT_FALSE(IsValidUtf8(BeyondMax));
  EXPECT_TRUE(IsValidUtf8(Mixed));
  EXPECT_EQ(Length(Truncated), 3);
  EXPECT_EQ(Copy(Truncated, 3, 1), "b");
  EXPECT_EQ(Utf8Sanitize(Truncated),
            "a\uFFFD"
            "b");
  EXPECT_EQ(Utf8Sanitize(Stray), "\uFFFDx");
  EXPECT_EQ(Utf8Sanitize(Overlong), "\uFFFD\uFFFD");
  // The edges of each form: the smallest and largest of each length are
  // characters, what lies just outside them is not.
  struct {
    const char* Bytes;
    Integer Chars;  // as Length counts them
    bool Valid;
  } Edges[] = {
      {"\xC2\x80", 1, true},         {"\xC1\xBF", 2, false},         // U+0080; overlong U+007F
      {"\xE0\xA0\x80", 1, true},     {"\xE0\x9F\xBF", 3, false},     // U+0800; overlong U+07FF
      {"\xED\x9F\xBF", 1, true},     {"\xEE\x80\x80", 1, true},      // around the surrogates
      {"\xF0\x90\x80\x80", 1, true}, {"\xF0\x8F\xBF\xBF", 4, false}, // U+10000; overlong U+FFFF
      {"\xF4\x8F\xBF\xBF", 1, true}, {"\xF5\x80\x80\x80", 4, false}, // U+10FFFF; no such lead
  };
  for (const auto& E : Edges) {
    SCOPED_TRACE(E.Bytes);
    EXPECT_EQ(IsValidUtf8(E.Bytes), E.Valid);
    EXPECT_EQ(Length(E.Bytes), E.Chars);
  }
  EXPECT_EQ(Utf8Sanitize(Mixed), Mixed);
  // Casing keeps bytes it cannot read rather than corrupting them.
  EXPECT_EQ(AnsiUpperCase("\x80"
                          "é"),
            "\x80"
            "É");
}

TEST(Strings, Utf16RoundTripsThroughSurrogatePairs) {
  WideString W = Utf8ToUtf16(Mixed);
  EXPECT_EQ(W.size(), 13u);  // the emoji takes two units
  EXPECT_EQ(W[10], 0xD83D);
  EXPECT_EQ(W[11], 0xDE42);
  EXPECT_EQ(Utf16ToUtf8(W), Mixed);
  EXPECT_EQ(Utf16ToUtf8(WideString{u'a', 0xD800, u'b'}),
            "a\uFFFD"
            "b");
  EXPECT_EQ(Utf8Encode(0xD800), "\uFFFD");
}

TEST(Strings, CaseTablesCoverTheScriptsTheLibraryShows) {
  struct {
    const char* Lower;
    const char* Upper;
    bool RoundTrip;
  } const Cases[] = {
      {"àéîõüçñÿ", "ÀÉÎÕÜÇÑŸ", true},     // Latin-1, ÿ maps outside its block
      {"āčęğıłőšž", "ĀČĘĞIŁŐŠŽ", false},  // Latin Extended-A; dotless ı
      {"ǎǐƒ", "ǍǏƑ", true},               // Latin Extended-B
      {"αβγδωάή", "ΑΒΓΔΩΆΉ", true},       // Greek
      {"абвгдеёжщыэюя", "АБВГДЕЁЖЩЫЭЮЯ", true},
      {"աբգ", "ԱԲԳ", true},        // Armenian
      {"ａｂｚ", "ＡＢＺ", true},  // full-width Latin
      {"ạệ", "ẠỆ", true},          // Vietnamese
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Lower);
    EXPECT_EQ(AnsiUpperCase(C.Lower), C.Upper);
    if (C.RoundTrip) {
      EXPECT_EQ(AnsiLowerCase(C.Upper), C.Lower);
    }
  }
  EXPECT_EQ(UpperCase("abc é"), "ABC é");  // ASCII only
  EXPECT_EQ(LowerCase("ABC É"), "abc É");
  EXPECT_EQ(AnsiUpperCase("straße"), "STRAßE");  // no one-to-one upper case
  EXPECT_EQ(CharLower(U'Ω'), U'ω');
  EXPECT_EQ(CharUpper(U'中'), U'中');
  EXPECT_TRUE(IsCharUpper(U'Ж'));
  EXPECT_FALSE(IsCharUpper(U'ж'));
  EXPECT_TRUE(IsCharLower(U'ß'));
  EXPECT_TRUE(IsCharAlpha(U'中'));
  EXPECT_TRUE(IsCharAlpha(U'ñ'));
  EXPECT_FALSE(IsCharAlpha(U'1'));
  EXPECT_FALSE(IsCharAlpha(U'-'));
  EXPECT_TRUE(IsCharDigit(U'7'));
  EXPECT_TRUE(IsCharAlphaNumeric(U'7'));
  EXPECT_FALSE(IsCharAlphaNumeric(U' '));
}

TEST(Strings, ComparisonsOrderAndFoldAsDocumented) {
  EXPECT_EQ(CompareStr("abc", "ab"), 1);
  EXPECT_LT(CompareStr("a", "c"), 0);
  EXPECT_GT(CompareText("_", "a"), 0);  // letters fold to upper case
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_NE(CompareText("é", "É"), 0);  // ASCII only
  EXPECT_TRUE(SameText("Key", "kEY"));
  EXPECT_EQ(AnsiCompareText("é", "É"), 0);
  EXPECT_EQ(AnsiCompareText("Ärger", "ärger"), 0);
  EXPECT_EQ(AnsiCompareText("a", "B"), -1);
  EXPECT_EQ(AnsiCompareText("z", "É"), -1);  // code point order after folding
  EXPECT_EQ(AnsiCompareStr("a", "A"), 1);
  EXPECT_EQ(AnsiCompareStr("é", "é"), 0);
  EXPECT_TRUE(AnsiSameText("МОСКВА", "москва"));
  EXPECT_FALSE(AnsiSameStr("МОСКВА", "москва"));
  EXPECT_TRUE(AnsiStartsText("ÉCO", "économie"));
  EXPECT_FALSE(AnsiStartsText("économies", "économie"));
  EXPECT_TRUE(AnsiStartsStr("éco", "économie"));
  EXPECT_FALSE(AnsiStartsStr("ÉCO", "économie"));
  EXPECT_TRUE(AnsiEndsText("MIE", "économie"));
  EXPECT_TRUE(AnsiContainsText("Grüße", "RÜ"));
  EXPECT_FALSE(AnsiContainsText("Grüße", "xyz"));
  EXPECT_EQ(AnsiPos("ü", "Grüße"), 3);
}

TEST(Strings, TrimQuoteAndDequote) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // a no-break space is above ' '
  EXPECT_EQ(QuotedStr("It's"), "'It''s'");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");

  std::string_view Src = "\"ab\"\"c\";rest";
  EXPECT_EQ(AnsiExtractQuotedStr(Src, '"'), "ab\"c");
  EXPECT_EQ(Src, ";rest");
  std::string_view Unquoted = "abc";
  EXPECT_EQ(AnsiExtractQuotedStr(Unquoted, '"'), "");
  EXPECT_EQ(Unquoted, "abc");
  std::string_view Open = "\"abc";
  EXPECT_EQ(AnsiExtractQuotedStr(Open, '"'), "abc");
  EXPECT_EQ(Open, "");

  EXPECT_EQ(AnsiDequotedStr("'It''s'", '\''), "It's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'not closed", '\''), "'not closed");
  EXPECT_EQ(AnsiDequotedStr(QuotedStr(Mixed), '\''), Mixed);
}

TEST(Strings, StringReplaceMatchesCharactersAndKeepsTheRest) {
  EXPECT_EQ(StringReplace("aAbAa", "a", "x", {rfReplaceAll, rfIgnoreCase}), "xxbxx");
  EXPECT_EQ(StringReplace("aAbAa", "a", "x", {}), "xAbAa");
  EXPECT_EQ(StringReplace("aaa", "aa", "a", {rfReplaceAll}), "aa");  // never overlapping
  EXPECT_EQ(StringReplace("Ärger ärger", "ä", "e", {rfReplaceAll, rfIgnoreCase}), "erger erger");
  // 'ſ' folds to a one-byte 'S': the bytes around the match must stay intact.
  EXPECT_EQ(StringReplace("aſbſc", "S", "-", {rfReplaceAll, rfIgnoreCase}), "a-b-c");
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
}

TEST(Strings, DelimitersLineBreaksAndFileNames) {
  EXPECT_EQ(LastDelimiter(".\\", "c:\\a.b\\c.txt"), 9);
  EXPECT_EQ(LastDelimiter("界", Mixed), 9);
  EXPECT_EQ(LastDelimiter(";", "abc"), 0);
  EXPECT_TRUE(IsDelimiter(".,", "a.b", 2));
  EXPECT_FALSE(IsDelimiter(".,", "a.b", 3));
  EXPECT_FALSE(IsDelimiter(".,", "a.b", 4));
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\ne");

  EXPECT_EQ(ExtractFileName("/x/y.z"), "y.z");
  EXPECT_EQ(ExtractFilePath("/x/y.z"), "/x/");
  EXPECT_EQ(ExtractFileName("c:\\data\\t.csv"), "t.csv");
  EXPECT_EQ(ExtractFileExt("a.b/c"), "");
  EXPECT_EQ(ExtractFileExt("/x/archive.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/x/y.z", ".q"), "/x/y.q");
  EXPECT_EQ(ChangeFileExt("/x.d/y", ".q"), "/x.d/y.q");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
}

TEST(Strings, IntegerTextParsesOrRaisesWithTheText) {
  struct {
    const char* Text;
    bool Ok;
    Integer Value;
  } const Cases[] = {
      {"12", true, 12},
      {" 12 ", true, 12},
      {"+12", true, 12},
      {"-12", true, -12},
      {"$FF", true, 255},
      {"0xff", true, 255},
      {"-$FF", true, -255},
      {"$FFFFFFFF", true, -1},
      {"x1F", true, 31},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"$100000000", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"1 2", false, 0},
      {"- 1", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"1.5", false, 0},
      {"1,000", false, 0},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    Integer V = 77;
    EXPECT_EQ(TryStrToInt(C.Text, V), C.Ok);
    if (C.Ok) {
      EXPECT_EQ(V, C.Value);
      EXPECT_EQ(StrToInt(C.Text), C.Value);
    } else {
      EXPECT_EQ(StrToIntDef(C.Text, -5), -5);
    }
  }
  try {
    StrToInt("12a");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "'12a' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("x", 3), 3);
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(Int64(12345678901)), "12345678901");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-1), 4), "FFFFFFFFFFFFFFFF");
}

TEST(Strings, BooleanText) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool(" FALSE "));
  EXPECT_TRUE(StrToBool("5"));
  EXPECT_FALSE(StrToBool("0"));
  bool B = true;
  EXPECT_FALSE(TryStrToBool("yes", B));
  try {
    StrToBool("yes");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "'yes' is not a valid boolean value");
  }
}

}  // namespace
