// Variant: kinds and type tests, conversions and their errors, comparison
// (with the Null rules), arrays and arithmetic.
#include <gtest/gtest.h>

#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Variants.h"

using namespace kvp;

namespace {

// Runs a test body with other global settings and puts them back.
class TSettingsGuard {
 public:
  TSettingsGuard() : FSaved(FormatSettings) {}
  ~TSettingsGuard() { FormatSettings = FSaved; }

 private:
  TFormatSettings FSaved;
};

template <class F>
String ErrorOf(F&& Call) {
  try {
    Call();
  } catch (const EVariantError& E) {
    return E.GetMessage();
  }
  return "(no EVariantError)";
}

TEST(Variant, KindsFromConstructionAndTypeTests) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Variant(5)), varInteger);
  EXPECT_EQ(VarType(Variant(Int64(5))), varInt64);
  EXPECT_EQ(VarType(Variant(1.5)), varDouble);
  EXPECT_EQ(VarType(Variant(1.5f)), varSingle);
  EXPECT_EQ(VarType(Variant(Currency(2))), varCurrency);
  EXPECT_EQ(VarType(Variant(true)), varBoolean);
  EXPECT_EQ(VarType(Variant("abc")), varString);
  EXPECT_EQ(VarType(VarFromDateTime(45291.5)), varDate);
  EXPECT_EQ(VarType(VarAsError(5)), varError);
  EXPECT_EQ(VarType(Variant(short(5))), varInteger);
  EXPECT_EQ(VarType(Variant(5u)), varLongWord);
  EXPECT_EQ(VarType(Variant(5LL)), varInt64);
  EXPECT_EQ(Variant(std::size_t(7)).AsInteger(), 7);
  EXPECT_THROW(Variant(~0ULL), EVariantError);

  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_TRUE(VarIsClear(Variant()));
  EXPECT_FALSE(VarIsEmpty(Null()));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsNumeric(Variant(true)));
  EXPECT_TRUE(VarIsNumeric(Variant(Currency(1))));
  EXPECT_FALSE(VarIsNumeric(VarFromDateTime(1)));
  EXPECT_FALSE(VarIsNumeric(Variant("1")));
  EXPECT_TRUE(VarIsStr(Variant(String("x"))));
  EXPECT_TRUE(VarIsType(Variant(2.0), {varSingle, varDouble, varCurrency}));
  EXPECT_FALSE(VarIsType(Variant(2), varDouble));
  EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");

  // A moved-from Variant is Empty, a copy keeps its value.
  Variant A = "text", B = A, C = std::move(A);
  EXPECT_TRUE(VarIsEmpty(A));
  EXPECT_EQ(B.AsString(), "text");
  EXPECT_EQ(C.AsString(), "text");
}

TEST(Variant, ConversionsFollowThePlatform) {
  EXPECT_EQ(VarToStr(Null()), "");
  EXPECT_EQ(VarToStr(Unassigned()), "");
  EXPECT_EQ(VarToStrDef(Null(), "-"), "-");
  EXPECT_EQ(VarToStr(Variant(true)), "True");
  EXPECT_EQ(VarToStr(Variant(0.1)), "0.1");
  EXPECT_EQ(VarToStr(Variant(Currency::FromRaw(15000))), "1.5");
  EXPECT_EQ(VarToStr(VarFromDateTime(45291.5)), "12/31/2023 12:00:00 PM");
  EXPECT_EQ(VarToStr(Variant(-7)), "-7");

  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInteger(), 2);
  EXPECT_EQ(Variant(" 12 ").AsInteger(), 12);
  EXPECT_EQ(Variant("1.5").AsInteger(), 2);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_DOUBLE_EQ(Variant("2.25").AsDouble(), 2.25);
  EXPECT_EQ(Variant("1.25").AsCurrency(), Currency::FromRaw(12500));
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_DOUBLE_EQ(Variant("12/31/2023").AsDateTime(), 45291.0);
  {
    TSettingsGuard Guard;
    FormatSettings.DecimalSeparator = U',';
    EXPECT_DOUBLE_EQ(Variant("1,5").AsDouble(), 1.5);
    EXPECT_EQ(VarToStr(Variant(1.5)), "1,5");
  }

  EXPECT_EQ(ErrorOf([] { Variant("abc").AsDouble(); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(ErrorOf([] { Variant("abc").AsInteger(); }),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(ErrorOf([] { Null().AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(ErrorOf([] { Null().AsString(); }),
            "Could not convert variant of type (Null) into type (String)");
  EXPECT_EQ(ErrorOf([] { Variant("yes").AsBoolean(); }),
            "Could not convert variant of type (String) into type (Boolean)");
  EXPECT_EQ(ErrorOf([] { VarToStr(VarArrayOf({1})); }),
            "Could not convert variant of type (Array Variant) into type (String)");
}

TEST(Variant, VarAsTypeChecksRanges) {
  Variant S = VarAsType(Variant(5), varSmallint);
  EXPECT_EQ(VarType(S), varSmallint);
  EXPECT_EQ(S.AsInteger(), 5);
  EXPECT_EQ(VarType(VarAsType(Variant("7"), varByte)), varByte);
  EXPECT_EQ(VarAsType(Variant(3), varString).AsString(), "3");
  EXPECT_EQ(VarType(VarAsType(Variant(3), varVariant)), varInteger);
  EXPECT_EQ(VarType(VarAsType(Variant(45291.0), varDate)), varDate);

  EXPECT_EQ(ErrorOf([] { VarAsType(Variant(300), varByte); }),
            "Overflow while converting variant of type (Integer) into type (Byte)");
  EXPECT_EQ(ErrorOf([] { VarAsType(Variant(-1), varLongWord); }),
            "Overflow while converting variant of type (Integer) into type (LongWord)");
  EXPECT_EQ(ErrorOf([] { Variant(Int64(5000000000)).AsInteger(); }),
            "Overflow while converting variant of type (Int64) into type (Integer)");
  EXPECT_EQ(ErrorOf([] { Variant(1e20).AsInt64(); }),
            "Overflow while converting variant of type (Double) into type (Int64)");
  EXPECT_EQ(ErrorOf([] { Variant(1e300).AsCurrency(); }),
            "Overflow while converting variant of type (Double) into type (Currency)");
  EXPECT_EQ(ErrorOf([] { VarAsType(Null(), varInteger); }),
            "Could not convert variant of type (Null) into type (Integer)");
  EXPECT_EQ(ErrorOf([] { VarAsType(VarAsError(1), varInteger); }),
            "Could not convert variant of type (Error) into type (Integer)");
}

TEST(Variant, EqualityAcrossTypesAndTheNullRules) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant("5") == Variant(5));
  EXPECT_TRUE(Variant(Currency::FromRaw(15000)) == Variant(1.5));
  EXPECT_TRUE(Variant(Int64(1) << 40) == Variant(1099511627776.0));
  EXPECT_TRUE(Variant(true) == Variant(-1));
  EXPECT_TRUE(Variant("True") == Variant(true));
  EXPECT_FALSE(Variant("a") == Variant("A"));
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(1));
  EXPECT_FALSE(Variant("") == Null());
  EXPECT_TRUE(Unassigned() == Unassigned());
  EXPECT_FALSE(Unassigned() == Null());
  EXPECT_FALSE(Unassigned() == Variant(0));
  EXPECT_THROW((void)(Variant("abc") == Variant(5)), EVariantError);
  EXPECT_THROW((void)(VarArrayOf({1}) == VarArrayOf({1})), EVariantError);

  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2.5)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant("b"), Variant("a")), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(Variant("é"), Variant("z")), vrGreaterThan);  // code points
  EXPECT_EQ(VarCompareValue(Variant(10), Variant("9")), vrGreaterThan);   // numerically
  EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarFromDateTime(2), Variant(1)), vrGreaterThan);
}

TEST(Variant, SameValueNeverRaisesAndComparesArrays) {
  EXPECT_TRUE(VarSameValue(VarArrayOf({1, 2}), VarArrayOf({1, 2.0})));
  EXPECT_FALSE(VarSameValue(VarArrayOf({1, 2}), VarArrayOf({1, 3})));
  EXPECT_FALSE(VarSameValue(VarArrayOf({1, 2}), VarArrayOf({1, 2, 3})));
  EXPECT_FALSE(VarSameValue(VarArrayOf({1}), Variant(1)));
  EXPECT_FALSE(VarSameValue(Variant("abc"), Variant(5)));
  EXPECT_TRUE(VarSameValue(Null(), Null()));
  EXPECT_FALSE(VarSameValue(Null(), Unassigned()));
  EXPECT_TRUE(VarSameValue(Variant(1), Variant("1")));
}

TEST(Variant, ArraysKeepBoundsAndElementTypes) {
  Variant Key = VarArrayOf({1, "a"});
  EXPECT_TRUE(VarIsArray(Key));
  EXPECT_EQ(VarType(Key), varArray | varVariant);
  EXPECT_EQ(VarArrayDimCount(Key), 1);
  EXPECT_EQ(VarArrayLowBound(Key, 1), 0);
  EXPECT_EQ(VarArrayHighBound(Key, 1), 1);
  EXPECT_EQ(Key[0].AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(Key, 1).AsString(), "a");
  EXPECT_EQ(ErrorOf([&] { (void)Key[2]; }), "Variant or safe array index out of bounds");
  EXPECT_EQ(ErrorOf([] { (void)Variant(1)[0]; }), "Variant is not an array");
  EXPECT_EQ(ErrorOf([] { VarArrayHighBound(Variant(1)); }), "Variant is not an array");
  EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

  Variant Typed = VarArrayCreate({1, 3}, varInteger);
  EXPECT_EQ(VarArrayLowBound(Typed), 1);
  EXPECT_EQ(VarType(Typed[3]), varInteger);
  VarArrayPut(Typed, Variant("7"), 2);  // converted to the element type
  EXPECT_EQ(VarType(Typed[2]), varInteger);
  EXPECT_EQ(Typed[2].AsInteger(), 7);
  EXPECT_THROW(VarArrayPut(Typed, Variant("x"), 1), EVariantError);
  EXPECT_THROW(VarArrayPut(Typed, Variant(1), 0), EVariantError);

  Variant Copy = Typed;  // copies are deep
  VarArrayPut(Copy, Variant(9), 2);
  EXPECT_EQ(Typed[2].AsInteger(), 7);
  VarArrayRedim(Copy, 4);
  EXPECT_EQ(VarArrayHighBound(Copy), 4);
  EXPECT_EQ(Copy[2].AsInteger(), 9);
  EXPECT_EQ(Copy[4].AsInteger(), 0);

  Variant Empty = VarArrayCreate({0, -1}, varVariant);
  EXPECT_EQ(VarArrayHighBound(Empty), -1);
  EXPECT_TRUE(VarIsEmpty(VarArrayCreate({0, 0}, varVariant)[0]));
  EXPECT_THROW(VarArrayCreate({0, -2}, varVariant), EVariantError);
  EXPECT_THROW(VarArrayCreate({0, 1, 0, 1}, varVariant), EVariantError);
}

TEST(Variant, ArithmeticPromotesLikeThePlatform) {
  Variant Sum = Variant(2) + Variant(3);
  EXPECT_EQ(VarType(Sum), varInteger);
  EXPECT_EQ(Sum.AsInteger(), 5);
  Variant Big = Variant(2147483647) + Variant(1);
  EXPECT_EQ(VarType(Big), varInt64);
  EXPECT_EQ(Big.AsInt64(), 2147483648LL);
  Variant Product = Variant(2147483647) * Variant(2);
  EXPECT_EQ(VarType(Product), varInt64);
  EXPECT_EQ(Product.AsInt64(), 4294967294LL);
  // Past the Int64 range every operation raises instead of wrapping.
  const Int64 Max = std::numeric_limits<Int64>::max(), Min = std::numeric_limits<Int64>::min();
  EXPECT_THROW(Variant(Max) + Variant(1), EIntOverflow);
  EXPECT_THROW(Variant(Min) - Variant(1), EIntOverflow);
  EXPECT_THROW(Variant(Int64(1) << 62) * Variant(2), EIntOverflow);
  EXPECT_THROW(Variant(Min) * Variant(-1), EIntOverflow);
  EXPECT_EQ((Variant(Int64(1) << 61) * Variant(-4)).AsInt64(), Min);
  Variant Mixed = Variant("1") + Variant(2);
  EXPECT_EQ(VarType(Mixed), varDouble);
  EXPECT_DOUBLE_EQ(Mixed.AsDouble(), 3.0);
  EXPECT_EQ((Variant("1") + Variant("2")).AsString(), "12");
  EXPECT_EQ((Variant("a") + Unassigned()).AsString(), "a");
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant(1) * Null()));
  EXPECT_EQ((Unassigned() + Variant(1)).AsInteger(), 1);
  EXPECT_EQ(VarType(Unassigned() + Unassigned()), varInteger);
  EXPECT_EQ((Variant(true) + Variant(1)).AsInteger(), 0);
  EXPECT_DOUBLE_EQ((Variant(3) / Variant(2)).AsDouble(), 1.5);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Variant("x") - Variant(1), EVariantError);
  EXPECT_THROW(VarArrayOf({1}) + Variant(1), EVariantError);

  Variant Later = VarFromDateTime(45291) + Variant(1);
  EXPECT_EQ(VarType(Later), varDate);
  EXPECT_DOUBLE_EQ(Later.AsDouble(), 45292);
  Variant Span = VarFromDateTime(5) - VarFromDateTime(1);
  EXPECT_EQ(VarType(Span), varDouble);
  Variant Money = Variant(Currency::FromRaw(15000)) * Variant(2.5);
  EXPECT_EQ(VarType(Money), varCurrency);
  EXPECT_EQ(Money.AsCurrency(), Currency::FromRaw(37500));
  EXPECT_EQ(VarType(Variant(1.5) - Variant(1)), varDouble);
}

}  // namespace
