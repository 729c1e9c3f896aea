// Rounding and integer scaling: the tie rules that layouts and amounts rely on.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

using namespace kvp;

TEST(NumbersTest, RoundSendsHalvesToTheEvenNeighbour) {
  struct Row {
    Extended Value;
    Int64 Expected;
  } Rows[] = {{2.5, 2},
              {3.5, 4},
              {-2.5, -2},
              {0.5, 0},
              {1.5, 2},
              {-1.5, -2},
              {22.5, 22},
              {2.4999999, 2},
              {2.5000001, 3},
              {-0.4, 0},
              {-7.6, -8},
              {1e15 + 0.5, 1000000000000000},
              {4503599627370497.0, 4503599627370497}};
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message() << "Round(" << double(R.Value) << ")");
    EXPECT_EQ(Round(R.Value), R.Expected);
  }
}

TEST(NumbersTest, ConversionsThatCannotGiveAnIntegerRaise) {
  EXPECT_THROW(Round(NaN), EInvalidOp);
  EXPECT_THROW(Round(Infinity), EInvalidOp);
  EXPECT_THROW(Round(1e19), EInvalidOp);
  EXPECT_THROW(Trunc(-1e19), EInvalidOp);
  EXPECT_THROW(Ceil(3e9), EInvalidOp);
  EXPECT_THROW(Floor(NaN), EInvalidOp);
}

TEST(NumbersTest, TruncFracIntCeilFloorFollowTheSignOfTheValue) {
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Frac(-1.25), -0.25);
  EXPECT_EQ(Int(-1.75), -1.0);
  EXPECT_EQ(Ceil(-1.5), -1);
  EXPECT_EQ(Ceil(1.2), 2);
  EXPECT_EQ(Floor(-1.5), -2);
  EXPECT_EQ(Floor(1.8), 1);
}

TEST(NumbersTest, MulDivRoundsHalfAwayFromZeroAndAnswersMinusOneWhenItCannot) {
  struct Row {
    Integer Number, Numerator, Denominator, Expected;
  } Rows[] = {
      {5, 3, 2, 8},
      {-5, 3, 2, -8},
      {5, 3, -2, -8},
      {-5, -3, 2, 8},
      {625, 1, 2, 313},
      {11, 1, 2, 6},
      {33, 1, 2, 17},
      {7, 1, 3, 2},
      {1, 1, 0, -1},
      {0, 5, 0, -1},
      {2147483647, 2, 1, -1},
      {2147483647, 2147483647, 2147483647, 2147483647},  // the product needs 62 bits
      {-2147483647 - 1, 1, 1, -2147483647 - 1},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message()
                 << "MulDiv(" << R.Number << ", " << R.Numerator << ", " << R.Denominator << ")");
    EXPECT_EQ(MulDiv(R.Number, R.Numerator, R.Denominator), R.Expected);
  }
}

TEST(NumbersTest, MinAndMaxTakeEachNumericType) {
  EXPECT_EQ(Min(3, -4), -4);
  EXPECT_EQ(Max(Cardinal(3), Cardinal(4000000000u)), 4000000000u);
  EXPECT_EQ(Min(Int64(1) << 40, Int64(5)), 5);
  EXPECT_EQ(Max(1.5, 2.5), 2.5);
  EXPECT_EQ(Min(Extended(-1.5), Extended(2)), -1.5L);
}

TEST(NumbersTest, PowersAndSpecialValues) {
  EXPECT_EQ(IntPower(2, 10), 1024);
  EXPECT_EQ(IntPower(2, -2), 0.25);
  EXPECT_EQ(IntPower(-3, 3), -27);
  EXPECT_EQ(Power(9, 0.5), 3);
  EXPECT_EQ(Power(2, -1), 0.5);
  EXPECT_EQ(Power(0, 0), 1);
  EXPECT_TRUE(IsNan(NaN));
  EXPECT_FALSE(IsNan(Infinity));
  EXPECT_TRUE(IsInfinite(NegInfinity));
  EXPECT_FALSE(IsInfinite(1e308));
}

TEST(NumbersTest, SameValueAllowsARelativeToleranceOrTheOneGiven) {
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_FALSE(SameValue(1.0, 1.0001));
  EXPECT_TRUE(SameValue(1.0, 1.0001, 0.001));
  EXPECT_TRUE(SameValue(Extended(1e6), Extended(1e6) + 1e-12L));
  EXPECT_FALSE(SameValue(Extended(1), Extended(1.000001)));
}

TEST(NumbersTest, SimpleRoundToRoundsHalvesAwayFromZero) {
  EXPECT_EQ(SimpleRoundTo(2.5, 0), 3);
  EXPECT_EQ(SimpleRoundTo(-2.5, 0), -3);
  EXPECT_EQ(SimpleRoundTo(1250, 2), 1300);
  EXPECT_EQ(SimpleRoundTo(-1249, 2), -1200);
  EXPECT_NEAR(double(SimpleRoundTo(1.234)), 1.23, 1e-12);
}
