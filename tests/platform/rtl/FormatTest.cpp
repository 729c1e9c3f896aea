// Format: conversions, widths and precisions, argument indexes, floating and
// currency types with the settings, and the errors a bad call raises.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

using namespace kvp;

namespace {

TEST(Format, IntegersWithWidthPrecisionAndBase) {
  EXPECT_EQ(Format("%d rows", {42}), "42 rows");
  EXPECT_EQ(Format("[%5d|%-5d]", {42, 42}), "[   42|42   ]");
  EXPECT_EQ(Format("%.5d", {-42}), "-00042");
  EXPECT_EQ(Format("%5.3d", {7}), "  007");
  EXPECT_EQ(Format("%08d", {5}), "       5");  // width pads with spaces only
  EXPECT_EQ(Format("%3d%3d", {1, 12}), "  1 12");
  EXPECT_EQ(Format("%d", {Int64(12345678901)}), "12345678901");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%x %X", {255, -1}), "FF FFFFFFFF");
  EXPECT_EQ(Format("%.4x", {255}), "00FF");
  EXPECT_EQ(Format("%x", {Int64(-1)}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%d", {static_cast<unsigned>(4000000000u)}), "4000000000");
}

TEST(Format, TextCutAndPaddedInCharacters) {
  EXPECT_EQ(Format("%s has %d rows", {String("Orders"), 3}), "Orders has 3 rows");
  EXPECT_EQ(Format("%.3s", {"Grüße"}), "Grü");
  EXPECT_EQ(Format("[%6s]", {"Grüße"}), "[ Grüße]");
  EXPECT_EQ(Format("[%-6s]", {"Grüße"}), "[Grüße ]");
  EXPECT_EQ(Format("%s%s", {U'é', 'x'}), "éx");
  EXPECT_EQ(Format("%s", {static_cast<const char*>(nullptr)}), "");
  EXPECT_EQ(Format("100%% of %5%", {}), "100% of     %");
}

TEST(Format, ArgumentIndexesAndStars) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_EQ(Format("%*d", {5, 42}), "   42");
  EXPECT_EQ(Format("[%-*.*f]", {8, 1, 3.14159}), "[3.1     ]");
  EXPECT_EQ(Format("[%*s]", {-4, "ab"}), "[ab  ]");
  EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
}

TEST(Format, FloatingTypesUseTheFloatRoutinesAndSettings) {
  EXPECT_EQ(Format("%f", {1234.5}), "1234.50");
  EXPECT_EQ(Format("%.0f", {2.5}), "3");  // half away from zero, unlike Round
  EXPECT_EQ(Format("%.3f", {-0.5}), "-0.500");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {1234.5}), "1.23E+003");
  EXPECT_EQ(Format("%g", {1234.5}), "1234.5");
  EXPECT_EQ(Format("%g", {1e20}), "1E20");
  EXPECT_EQ(Format("%.3g", {1234.5}), "1.23E3");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", {1234.5}), "1,235");
  EXPECT_EQ(Format("%m", {-1234.5}), "($1,234.50)");
  EXPECT_EQ(Format("%m", {Currency::FromRaw(12345)}), "$1.23");
  EXPECT_EQ(Format("%.4f", {Currency::FromRaw(12345)}), "1.2345");
  EXPECT_EQ(Format("[%10.2f]", {1.5f}), "[      1.50]");

  TFormatSettings Comma = FormatSettings;
  Comma.DecimalSeparator = U',';
  Comma.ThousandSeparator = U'.';
  EXPECT_EQ(Format("%.1f|%n", {1.5, 1234.5}, Comma), "1,5|1.234,50");
}

TEST(Format, PointersPrintAsFullWidthHex) {
  int X = 0;
  String P = Format("%p", {static_cast<const void*>(&X)});
  EXPECT_EQ(P.size(), 2 * sizeof(void*));
  EXPECT_EQ(Format("%p", {static_cast<const void*>(nullptr)}), String(2 * sizeof(void*), '0'));
}

TEST(Format, BadFormatsAndArgumentsRaise) {
  struct {
    const char* Fmt;
    std::initializer_list<TFormatArg> Args;
  } const Cases[] = {
      {"%d", {"x"}},                          // a string for an integer
      {"%s", {1}},                            // an integer for a string
      {"%f", {1}},                            // an integer for a float
      {"%d", {1.5}},                          // a float for an integer
      {"%d", {Currency(1)}}, {"%s", {true}},  // a Boolean fits no type
      {"%d %d", {1}},                         // too few arguments
      {"%2:s", {"a"}},                        // index past the arguments
      {"%*d", {"5", 1}},                      // a star needs an integer
      {"%z", {1}},                            // no such type
      {"abc%", {}},                           // a lone percent at the end
      {"%p", {1}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Fmt);
    try {
      Format(C.Fmt, C.Args);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.GetMessage(),
                "Format '" + String(C.Fmt) + "' invalid or incompatible with argument");
    }
  }
}

TEST(Format, WidthsAndZeroFillsPastTheLimitRaiseInsteadOfExhaustingMemory) {
  // The limit itself is honoured exactly.
  EXPECT_EQ(Length(Format("%65536s", {"x"})), MaxFormatWidth);
  EXPECT_EQ(Length(Format("%.65536d", {-7})), MaxFormatWidth + 1);
  // Cutting text or choosing decimals builds nothing large: any precision goes.
  EXPECT_EQ(Format("%.2000000000s|%.2000000000f", {"abc", 1.5}), "abc|1.500000000000000000");
  struct {
    const char* Fmt;
    std::initializer_list<TFormatArg> Args;
    const char* Message;
  } Cases[] = {
      {"%65537d", {1}, "Format '%65537d' asks for a width of 65537 (at most 65536)"},
      {"%2147483647s", {"a"}, "Format '%2147483647s' asks for a width of 2147483647 (at most 65536)"},
      {"%-*d", {-2000000000, 1}, "Format '%-*d' asks for a width of 2000000000 (at most 65536)"},
      {"%*s", {INT32_MIN, "a"}, "Format '%*s' asks for a width of 2147483647 (at most 65536)"},
      {"%.65537x", {1}, "Format '%.65537x' asks for a precision of 65537 (at most 65536)"},
      {"%.*u", {2000000000, 1}, "Format '%.*u' asks for a precision of 2000000000 (at most 65536)"},
      {"%99999999999d", {1}, "Format '%99999999999d' invalid or incompatible with argument"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Fmt);
    try {
      Format(C.Fmt, C.Args);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.GetMessage(), C.Message);
    }
  }
}

}  // namespace
