// Number text: picture formats, float formats and reading numbers back, with
// the settings a user sees by default and with a comma locale.
#include <gtest/gtest.h>

#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Numbers.h"

using namespace kvp;

namespace {

// Each test may change the global settings; they are restored afterwards.
class FloatFormatTest : public ::testing::Test {
 protected:
  void TearDown() override { FormatSettings = DefaultFormatSettings(); }

  static TFormatSettings CommaLocale() {
    TFormatSettings S = DefaultFormatSettings();
    S.DecimalSeparator = ',';
    S.ThousandSeparator = '.';
    return S;
  }
};

struct FormatRow {
  const char* Format;
  Extended Value;
  const char* Expected;
};

void ExpectFormats(const std::initializer_list<FormatRow>& Rows) {
  for (const FormatRow& R : Rows) {
    SCOPED_TRACE(testing::Message()
                 << "FormatFloat('" << R.Format << "', " << double(R.Value) << ")");
    EXPECT_EQ(FormatFloat(R.Format, R.Value), R.Expected);
  }
}

}  // namespace

TEST_F(FloatFormatTest, PictureFormatsWriteSectionsPlaceholdersGroupingAndExponents) {
  ExpectFormats({
      {"0", 1234, "1234"},
      {"0", -1234, "-1234"},
      {"0", 0.5, "1"},
      {"0", 0, "0"},
      {"0.00", 1234, "1234.00"},
      {"0.00", -1234, "-1234.00"},
      {"0.00", 0.5, "0.50"},
      {"0.00", 0, "0.00"},
      {"#.##", 1234, "1234"},
      {"#.##", -1234, "-1234"},
      {"#.##", 0.5, ".5"},
      {"#.##", 0, ""},
      {"#,##0.00", 1234, "1,234.00"},
      {"#,##0.00", -1234, "-1,234.00"},
      {"#,##0.00", 0.5, "0.50"},
      {"#,##0.00", 0, "0.00"},
      {"#,##0.00;(#,##0.00)", 1234, "1,234.00"},
      {"#,##0.00;(#,##0.00)", -1234, "(1,234.00)"},
      {"#,##0.00;(#,##0.00)", 0.5, "0.50"},
      {"#,##0.00;(#,##0.00)", 0, "0.00"},
      {"#,##0.00;;Zero", 1234, "1,234.00"},
      {"#,##0.00;;Zero", -1234, "-1,234.00"},
      {"#,##0.00;;Zero", 0.5, "0.50"},
      {"#,##0.00;;Zero", 0, "Zero"},
      {"0.000E+00", 1234, "1.234E+03"},
      {"0.000E+00", -1234, "-1.234E+03"},
      {"0.000E+00", 0.5, "5.000E-01"},
      {"0.000E+00", 0, "0.000E+00"},
      {"#.###E-0", 1234, "1.234E3"},
      {"#.###E-0", -1234, "-1.234E3"},
      {"#.###E-0", 0.5, "5E-1"},
      {"#.###E-0", 0, "0E0"},
  });
}

TEST_F(FloatFormatTest, PictureFormatsRoundTheExactValueHalfAwayFromZero) {
  ExpectFormats({
      {"0.00", 1.005, "1.00"},  // 1.00499999999999989... in binary
      {"0.00", 0.125, "0.13"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.5, "1"},
      {"0.0", 9.95, "9.9"},  // 9.9499999999999992...
      {"0.0", 0.25, "0.3"},
      {"#", 999.5, "1000"},
      {"0.00", 0.1 + 0.2, "0.30"},
  });
  EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(1250)), "0.13");
  EXPECT_EQ(FormatCurr("0.000", Currency::FromRaw(10005)), "1.001");
}

TEST_F(FloatFormatTest, PlaceholdersLiteralsAndGroupingKeepTheirPlaces) {
  ExpectFormats({
      {"000-0000", 1234567, "123-4567"},
      {"00000", 42, "00042"},
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0", 12, "12"},
      {"0,000", 12, "0,012"},
      {"#,#", -1234567.8, "-1,234,568"},
      {"$#,##0.00", -5, "-$5.00"},
      {"0%", 5, "5%"},
      {"0' units'", 5, "5 units"},
      {"0 \"a;b\" 0", 12, "1 a;b 2"},
      {"0.0.0", 1.25, "1.25"},
      {"0.##", 1.5, "1.5"},
      {"0.0#", 1, "1.0"},
      {".00", 12.5, "12.50"},
      {"00.0E+0", 0, "00.0E+0"},
      {"0.0#E+0000", 12345678, "1.23E+0007"},
      {"##0.0E+0", 1234, "123.4E+1"},
      {"0.00", 1e25, "1E25"},
  });
}

TEST_F(FloatFormatTest, SectionsAreChosenFromTheUnroundedValue) {
  ExpectFormats({
      {"0.00;(0.00)", -0.001, "(0.00)"},
      {"0.00;;Zero", 0.001, "0.00"},
      {"0.00;", -5, "-5.00"},
      {"0.00;;", 0, "0.00"},
      {"", 1234.5, "1234.5"},
      {";(0)", 1234.5, "1234.5"},
      {";(0)", -3, "(3)"},
      {"0;-0;zero;ignored", 0, "zero"},
  });
}

TEST_F(FloatFormatTest, AValueThatRoundsToZeroPrintsNoMinus) {
  ExpectFormats(
      {{"0.00", -0.001, "0.00"}, {"0", -0.4, "0"}, {"#.##", -0.001, ""}, {"0.00", -0.0, "0.00"}});
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");
  EXPECT_EQ(FormatCurr("0.00", Currency::FromRaw(-10)), "0.00");
}

TEST_F(FloatFormatTest, InfinityAndNaNPrintTheirNames) {
  const Extended Inf = Infinity;
  EXPECT_EQ(FormatFloat("0.00", Inf), "INF");
  EXPECT_EQ(FormatFloat("0.00", -Inf), "-INF");
  EXPECT_EQ(FormatFloat("0.00", NaN), "NAN");
  EXPECT_EQ(FloatToStr(-Inf), "-INF");
  EXPECT_EQ(FloatToStrF(NaN, ffFixed, 15, 2), "NAN");
}

TEST_F(FloatFormatTest, GeneralFormatIsTheShortestFormOfFifteenDigits) {
  struct Row {
    Extended Value;
    const char* Expected;
  } Rows[] = {
      {0.1, "0.1"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1e20, "1E20"},
      {1.5e-7, "1.5E-7"},
      {0, "0"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {999999999999999.9, "1E15"},
      {-1234567.125, "-1234567.125"},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message() << "FloatToStr(" << double(R.Value) << ")");
    EXPECT_EQ(FloatToStr(R.Value), R.Expected);
  }
  EXPECT_EQ(FloatToStrF(1.5e-7, ffGeneral, 15, 2), "1.5E-07");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 6, 0), "1234.57");
}

TEST_F(FloatFormatTest, GeneralFormatRoundsAtThePrecisionAndCarriesIntoTheNextDigit) {
  struct Row {
    Extended Value;
    Integer Precision, Digits;
    const char* Expected;
  } Rows[] = {
      {9.96, 2, 0, "10"},
      {99.95, 3, 0, "100"},
      {-0.00099999, 2, 0, "-0.001"},
      {0.000123456, 3, 0, "0.000123"},
      {12345, 2, 3, "1.2E004"},
      {-7.25e-5, 15, 4, "-7.25E-0005"},
      {1e100, 15, 9, "1E0100"},
      {0.5, 1, 0, "0.5"},  // a precision below 2 counts as 2
      // Short decimals: the double's own digits decide the rounding, not
      // the decimal it was typed as (2.675 is held as 2.67499...).
      {2.675, 3, 0, "2.67"},
      {0.125, 2, 0, "0.13"},
      {19.99, 15, 0, "19.99"},
      {99999999.99, 10, 0, "99999999.99"},
      {1234.5, 4, 0, "1235"},
      {1500, 2, 0, "1.5E3"},
      {1e14, 2, 0, "1E14"},
      {-0.00012, 15, 0, "-0.00012"},
      {0.1, 17, 0, "0.10000000000000001"},  // past 15 digits the double shows
      {123456789012345678.0, 18, 0, "123456789012345680"},
      {4.9406564584124654e-324, 15, 0, "4.94065645841247E-324"},
      {1.7976931348623157e308, 15, 0, "1.79769313486232E308"},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message() << double(R.Value) << " to " << R.Precision << " digits");
    EXPECT_EQ(FloatToStrF(R.Value, ffGeneral, R.Precision, R.Digits), R.Expected);
  }
  // A separator beyond ASCII is written as its UTF-8 bytes.
  TFormatSettings S = FormatSettings;
  S.DecimalSeparator = Char(0xB7);
  EXPECT_EQ(FloatToStr(2.5, S), "2\xC2\xB7" "5");
  // A long double that a double does not hold keeps all its digits.
  EXPECT_EQ(FloatToStrF(1.0L + 1e-17L, ffGeneral, 18, 0), "1.00000000000000001");
}

TEST_F(FloatFormatTest, FloatToStrTextReadsBackToTheSameValue) {
  const char* Texts[] = {"0.1",    "123456789012345", "1.5E-7", "-98765.4321", "3.14159265358979",
                         "1E-300", "0.000123",        "7E22"};
  for (const char* Text : Texts) {
    SCOPED_TRACE(Text);
    Double Value = 0;
    ASSERT_TRUE(TryStrToFloat(Text, Value));
    String Shown = FloatToStr(Value);
    EXPECT_EQ(Shown, Text);
    EXPECT_EQ(Double(StrToFloat(Shown)), Value);
  }
}

TEST_F(FloatFormatTest, FixedNumberAndExponentFormats) {
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 4, 2), "0.000E+00");
  EXPECT_EQ(FloatToStrF(-0.00012345, ffExponent, 3, 0), "-1.23E-4");
  EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 15, 2), "1234.50");
  EXPECT_EQ(FloatToStrF(0.125, ffFixed, 15, 2), "0.13");
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0), "3");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(-999.999, ffNumber, 15, 2), "-1,000.00");
  // More whole digits than the precision: the shortest form instead.
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");
  EXPECT_EQ(FloatToStrF(123456.789, ffFixed, 4, 2), "1.235E5");
  // Precision and digits past what a value carries are held to it, however
  // large the request.
  EXPECT_EQ(FloatToStrF(1.5, ffFixed, 2000000000, 2000000000), "1.500000000000000000");
  EXPECT_EQ(FloatToStrF(-1.5, ffExponent, 2000000000, 2000000000), "-1.50000000000000000E+0000");
  EXPECT_EQ(CurrToStrF(Currency(2), ffNumber, 2000000000), "2.000000000000000000");
  // A picture format writes what it spells out, and no more.
  EXPECT_EQ(FormatFloat("0." + String(100000, '0'), 0.5).size(), 100002u);
}

TEST_F(FloatFormatTest, CurrencyFormatPlacesTheSymbolAndTheSign) {
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "$1,234.50");
  const char* Positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  for (Byte F = 0; F < 4; ++F) {
    FormatSettings.CurrencyFormat = F;
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), Positive[F]) << "format " << int(F);
  }
  const char* Negative[] = {"($1.50)", "-$1.50",  "$-1.50",   "$1.50-",  "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-",  "-1.50 $",  "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  for (Byte F = 0; F < 16; ++F) {
    FormatSettings.NegCurrFormat = F;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), Negative[F]) << "format " << int(F);
  }
}

TEST_F(FloatFormatTest, CurrencyTextComesFromTheExactAmount) {
  EXPECT_EQ(CurrToStr(Currency::FromDouble(12.5)), "12.5");
  EXPECT_EQ(CurrToStr(10000), "10000");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(-1)), "-0.0001");
  EXPECT_EQ(CurrToStr(MaxCurrency), "922337203685477.5807");
  EXPECT_EQ(CurrToStrF(MinCurrency, ffFixed, 4), "-922337203685477.5808");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12345), ffCurrency, 2), "$1.23");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-12355), ffNumber, 3), "-1.236");
  EXPECT_EQ(FormatCurr("#,##0.0000", MaxCurrency), "922,337,203,685,477.5807");
  EXPECT_EQ(FormatCurr("", Currency::FromRaw(15)), "0.0015");
  EXPECT_EQ(FormatCurr("0.00;(0.00);-", Currency()), "-");
}

TEST_F(FloatFormatTest, StrToFloatReadsPlainNumbersOnly) {
  struct Row {
    const char* Text;
    Extended Value;
  } Good[] = {{"1.5", 1.5},   {"  1.5  ", 1.5}, {"+2", 2},     {"-3", -3},
              {"1.", 1},      {".5", 0.5},      {"1e3", 1000}, {"1E-2", 0.01},
              {"2.5e+1", 25}, {"007", 7},       {"1e-5000", 0}};
  for (const Row& R : Good) {
    SCOPED_TRACE(R.Text);
    EXPECT_EQ(Double(StrToFloat(R.Text)), Double(R.Value));
  }
  const char* Bad[] = {"",  "   ", "1,000", "$5",  "0x10", "INF",   "NaN", "1e",     "1e+",
                       ".", "\t1", "1 2",   "--1", "e5",   "1.2.3", "+",   "1e5000", "5%"};
  for (const char* Text : Bad) {
    SCOPED_TRACE(Text);
    Extended Value = 42;
    EXPECT_FALSE(TryStrToFloat(Text, Value));
    EXPECT_EQ(Value, 42);
    EXPECT_THROW(StrToFloat(Text), EConvertError);
    EXPECT_EQ(StrToFloatDef(Text, -1), -1);
  }
  Double Narrow = 0;
  EXPECT_FALSE(TryStrToFloat("1e400", Narrow));  // fine as Extended, too big for a Double
}

TEST_F(FloatFormatTest, ABadNumberIsReportedWithItsText) {
  try {
    StrToFloat("12abc");
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "'12abc' is not a valid floating point value");
  }
  try {
    StrToCurr("1,5");
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "'1,5' is not a valid floating point value");
  }
}

TEST_F(FloatFormatTest, StrToCurrIsExactAndRoundsHalfToEven) {
  EXPECT_EQ(StrToCurr("1.23455").GetRaw(), 12346);
  EXPECT_EQ(StrToCurr("1.23445").GetRaw(), 12344);
  EXPECT_EQ(StrToCurr("1.234451").GetRaw(), 12345);
  EXPECT_EQ(StrToCurr("-0.00005").GetRaw(), 0);
  EXPECT_EQ(StrToCurr("1.5e3").GetRaw(), 15000000);
  EXPECT_EQ(StrToCurr("-922337203685477.5808"), MinCurrency);
  EXPECT_EQ(StrToCurr("922337203685477.5807"), MaxCurrency);
  EXPECT_THROW(StrToCurr("922337203685477.5808"), EConvertError);
  EXPECT_THROW(StrToCurr("1e30"), EConvertError);
  EXPECT_EQ(StrToCurrDef("x", 7), Currency(7));
  Currency Kept = 3;
  EXPECT_FALSE(TryStrToCurr("", Kept));
  EXPECT_EQ(Kept, Currency(3));
}

TEST_F(FloatFormatTest, ACommaLocaleWritesAndReadsWithItsSeparators) {
  TFormatSettings S = CommaLocale();
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, S), "1.234,50");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1, S), "1.234.567,5");
  EXPECT_EQ(FloatToStr(2.5, S), "2,5");
  EXPECT_EQ(StrToFloat("1,5", S), 1.5);
  EXPECT_THROW(StrToFloat("1.5", S), EConvertError);
  EXPECT_EQ(StrToCurr("-2,25", S).GetRaw(), -22500);
  // The global settings are what the short forms read.
  FormatSettings = S;
  EXPECT_EQ(FloatToStr(0.5), "0,5");
  EXPECT_EQ(StrToFloat(" 0,25 "), 0.25);
  FormatSettings.ThousandSeparator = 0;
  EXPECT_EQ(FormatFloat("#,##0", 1234567), "1234567");
}
