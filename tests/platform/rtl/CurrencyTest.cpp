// Currency: exact amounts, half-to-even rounding and overflow that raises.
#include <gtest/gtest.h>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;

TEST(CurrencyTest, WholeNumbersConvertExactlyAndImplicitly) {
  Currency Five = 5;
  EXPECT_EQ(Five.GetRaw(), 50000);
  EXPECT_EQ(Currency(-3).GetRaw(), -30000);
  EXPECT_EQ(Currency(Int64(922337203685477)).GetRaw(), 9223372036854770000);
  EXPECT_EQ(Currency(Word(7)).GetRaw(), 70000);
  EXPECT_EQ(Currency(UInt64(2)).GetRaw(), 20000);
  EXPECT_THROW(Currency(Int64(922337203685478)), EOverflow);
  EXPECT_THROW(Currency(UInt64(1) << 63), EOverflow);
  EXPECT_EQ(Currency().GetRaw(), 0);
}

TEST(CurrencyTest, FromDoubleRoundsTheFifthDecimalHalfToEven) {
  struct Row {
    Extended Value;
    Int64 Raw;
  } Rows[] = {
      {0.03125, 312},  // 312.5 ten-thousandths: down to even
      {0.09375, 938},  // 937.5: up to even
      {-0.03125, -312}, {1.5, 15000},       {0.1, 1000},
      {1.23456, 12346}, {-2.00004, -20000}, {922337203685477.0, 9223372036854770000},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message() << "FromDouble(" << double(R.Value) << ")");
    EXPECT_EQ(Currency::FromDouble(R.Value).GetRaw(), R.Raw);
  }
  EXPECT_EQ(Currency::FromDouble(1.5).ToDouble(), 1.5L);
}

TEST(CurrencyTest, FromDoubleRefusesWhatItCannotHold) {
  EXPECT_THROW(Currency::FromDouble(std::numeric_limits<double>::quiet_NaN()), EOverflow);
  EXPECT_THROW(Currency::FromDouble(std::numeric_limits<double>::infinity()), EOverflow);
  EXPECT_THROW(Currency::FromDouble(-1e15), EOverflow);
  try {
    Currency::FromDouble(1e19);
    FAIL() << "no exception";
  } catch (const EOverflow& E) {
    EXPECT_NE(E.GetMessage().find("Currency"), String::npos) << E.GetMessage();
  }
}

TEST(CurrencyTest, ArithmeticIsExactAndRoundsProductsAndQuotientsHalfToEven) {
  Currency Price = Currency::FromRaw(19990);  // 1.999
  EXPECT_EQ((Price + 1).GetRaw(), 29990);
  EXPECT_EQ((Price - 2).GetRaw(), -10);
  EXPECT_EQ((-Price).GetRaw(), -19990);
  EXPECT_EQ((Price * 3).GetRaw(), 59970);
  // 0.0003 * 0.5 = 0.00015 -> 0.0002; 0.0001 * 0.5 -> 0.0000; -0.00015 -> -0.0002.
  EXPECT_EQ((Currency::FromRaw(3) * Currency::FromRaw(5000)).GetRaw(), 2);
  EXPECT_EQ((Currency::FromRaw(1) * Currency::FromRaw(5000)).GetRaw(), 0);
  EXPECT_EQ((Currency::FromRaw(-3) * Currency::FromRaw(5000)).GetRaw(), -2);
  // An average of 0.0001 and 0.0002 is 0.0002; of 0.0001 and 0 it is 0.
  EXPECT_EQ((Currency::FromRaw(3) / 2).GetRaw(), 2);
  EXPECT_EQ((Currency::FromRaw(1) / 2).GetRaw(), 0);
  EXPECT_EQ((Currency::FromRaw(-5) / 2).GetRaw(), -2);
  EXPECT_EQ((Currency(10) / 3).GetRaw(), 33333);
  EXPECT_EQ((Currency(375) / Currency::FromRaw(20000)).GetRaw(), 1875000);

  Currency Sum;
  Sum += Currency::FromDouble(1.5);
  Sum += Currency::FromDouble(2.25);
  EXPECT_EQ(Sum.GetRaw(), 37500);
  Sum /= 2;
  EXPECT_EQ(Sum.GetRaw(), 18750);
  Sum *= 4;
  Sum -= 1;
  EXPECT_EQ(Sum.GetRaw(), 65000);
}

TEST(CurrencyTest, EveryOperationRaisesWhenItLeavesTheRange) {
  EXPECT_THROW(MaxCurrency + Currency::FromRaw(1), EOverflow);
  EXPECT_THROW(MinCurrency - Currency::FromRaw(1), EOverflow);
  EXPECT_THROW(-MinCurrency, EOverflow);
  EXPECT_THROW(MaxCurrency * 2, EOverflow);
  EXPECT_THROW(MaxCurrency / Currency::FromRaw(5000), EOverflow);
  EXPECT_THROW(Currency(1) / 0, EZeroDivide);
  Currency Kept = MaxCurrency;
  EXPECT_THROW(Kept += 1, EOverflow);
  EXPECT_EQ(Kept, MaxCurrency);  // a failed operation leaves the amount alone
  EXPECT_EQ((MaxCurrency * 1).GetRaw(), MaxCurrency.GetRaw());
}

TEST(CurrencyTest, ComparesByAmountAndRoundsToWholeNumbersHalfToEven) {
  EXPECT_LT(Currency::FromRaw(-1), Currency());
  EXPECT_EQ(Currency(2), Currency::FromRaw(20000));
  EXPECT_TRUE(Currency(2) > 1);
  EXPECT_NE(Currency(2), Currency::FromRaw(20001));
  EXPECT_EQ(Round(Currency::FromRaw(25000)), 2);
  EXPECT_EQ(Round(Currency::FromRaw(35000)), 4);
  EXPECT_EQ(Round(Currency::FromRaw(-25000)), -2);
  EXPECT_EQ(Round(Currency::FromRaw(25001)), 3);
  EXPECT_EQ(Round(MinCurrency), -922337203685478);
}
