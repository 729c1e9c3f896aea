// The virtual clock: ticks and the date-time move only when told.
#include <gtest/gtest.h>

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateUtils.h"

using namespace kvp;

namespace {

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockDateTime(EncodeDateTime(2024, 6, 15, 23, 0, 0, 0)); }
};

}  // namespace

TEST_F(ClockTest, TimeStandsStillUntilTicksAreAdvanced) {
  DWORD Before = GetTickCount();
  TDateTime NowBefore = Now();
  EXPECT_EQ(GetTickCount(), Before);
  EXPECT_EQ(Now(), NowBefore);
  AdvanceTicks(1500);
  EXPECT_EQ(GetTickCount() - Before, 1500u);
  EXPECT_EQ(Now(), EncodeDateTime(2024, 6, 15, 23, 0, 1, 500));
}

TEST_F(ClockTest, NowDateAndTimeCrossMidnightTogether) {
  AdvanceTicks(2 * 3600 * 1000);
  EXPECT_EQ(Now(), EncodeDateTime(2024, 6, 16, 1, 0, 0, 0));
  EXPECT_EQ(Date(), EncodeDate(2024, 6, 16));
  EXPECT_EQ(Time(), EncodeTime(1, 0, 0, 0));
}

TEST_F(ClockTest, TheTickCountWrapsAt32BitsWithoutMovingTheDate) {
  TDateTime Fixed = Now();
  SetTickCount64(0xFFFFFF00ull);
  EXPECT_EQ(Now(), Fixed);
  DWORD Start = GetTickCount();
  AdvanceTicks(0x200);
  EXPECT_EQ(GetTickCount(), 0x100u);
  EXPECT_EQ(GetTickCount64(), 0x100000100ull);
  EXPECT_EQ(DWORD(GetTickCount() - Start), 0x200u);  // the wrap-safe difference
}

TEST_F(ClockTest, AdvancingBeforeTheBaseDayRunsTimeForwards) {
  SetClockDateTime(-1 - 23.0 / 24);  // 1899-12-29 23:00
  AdvanceTicks(2 * 3600 * 1000);
  EXPECT_NEAR(Now(), 1.0 / 24, 1e-12);  // 1899-12-30 01:00
  EXPECT_EQ(Date(), 0);
  // Wholly before it: the date counts backwards, the time of day forwards.
  SetClockDateTime(-1.25);  // 1899-12-29 06:00
  AdvanceTicks(3600 * 1000);
  EXPECT_NEAR(Now(), -1 - 7.0 / 24, 1e-12);
  EXPECT_EQ(Date(), -1);
  EXPECT_NEAR(Time(), 7.0 / 24, 1e-12);
}
