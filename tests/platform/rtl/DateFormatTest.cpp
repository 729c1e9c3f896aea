// Dates and times: encoding, the calendar, writing with format specifiers and
// reading back in the order of the short date format.
#include <gtest/gtest.h>

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;

namespace {

// Fixes "now" at 2024-06-15 10:00 and restores the settings afterwards.
class DateFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClockDateTime(EncodeDateTime(2024, 6, 15, 10, 0, 0, 0)); }
  void TearDown() override { FormatSettings = DefaultFormatSettings(); }

  static void ExpectDecoded(TDateTime Value, Word Y, Word M, Word D, Word H = 0, Word N = 0,
                            Word S = 0, Word Z = 0) {
    Word Year, Month, Day, Hour, Min, Sec, MSec;
    DecodeDateTime(Value, Year, Month, Day, Hour, Min, Sec, MSec);
    EXPECT_EQ(Year, Y);
    EXPECT_EQ(Month, M);
    EXPECT_EQ(Day, D);
    EXPECT_EQ(Hour, H);
    EXPECT_EQ(Min, N);
    EXPECT_EQ(Sec, S);
    EXPECT_EQ(MSec, Z);
  }

  static void ExpectMessage(TDateTime (*Read)(const String&), const String& Text,
                            const String& Expected) {
    try {
      Read(Text);
      ADD_FAILURE() << "no exception for '" << Text << "'";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.GetMessage(), Expected);
    }
  }

  const TDateTime NewYearsEve = 45291;  // 2023-12-31, a Sunday
};

}  // namespace

TEST_F(DateFormatTest, EncodingCountsDaysFrom1899_12_30) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2023, 12, 31), NewYearsEve);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeTime(18, 0, 0, 0), 0.75);
  EXPECT_EQ(EncodeDateTime(2023, 12, 31, 12, 0, 0, 0), 45291.5);
  ExpectDecoded(45291.5, 2023, 12, 31, 12);
  ExpectDecoded(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999), 2024, 2, 29, 23, 59, 59, 999);
  ExpectDecoded(EncodeDate(1600, 3, 1), 1600, 3, 1);
}

TEST_F(DateFormatTest, BeforeTheBaseDayTheFractionIsStillTheTimeOfDay) {
  ExpectDecoded(-1.25, 1899, 12, 29, 6);
  ExpectDecoded(-0.5, 1899, 12, 30, 12);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(DateOf(-1.25), -1);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
}

TEST_F(DateFormatTest, BadArgumentsToEncodeRaise) {
  TDateTime Kept = 7;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, Kept));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, Kept));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, Kept));
  EXPECT_FALSE(TryEncodeDate(2023, 0, 1, Kept));
  EXPECT_FALSE(TryEncodeDate(2023, 12, 0, Kept));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, Kept));
  // Each part of a time at its first value too large, and at its last good one.
  const Word Bad[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& T : Bad) EXPECT_FALSE(TryEncodeTime(T[0], T[1], T[2], T[3], Kept));
  EXPECT_EQ(Kept, 7);
  ASSERT_TRUE(TryEncodeTime(23, 59, 59, 999, Kept));
  EXPECT_EQ(Kept, (MSecsPerDay - 1) / TDateTime(MSecsPerDay));
  ASSERT_TRUE(TryEncodeDate(9999, 12, 31, Kept));
  try {
    EncodeDate(2023, 2, 30);
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "Invalid argument to date encode");
  }
  try {
    EncodeTime(10, 60, 0, 0);
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "Invalid argument to time encode");
  }
}

TEST_F(DateFormatTest, CalendarHelpers) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(EncodeDate(2023, 2, 10)), 28);
  EXPECT_EQ(DayOfWeek(NewYearsEve), 1);
  EXPECT_EQ(DayOfWeek(0), 7);
  EXPECT_EQ(DayOfWeek(-1), 6);
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDateTime(2024, 3, 31, 6, 0, 0, 0), -13),
            EncodeDateTime(2023, 2, 28, 6, 0, 0, 0));
  EXPECT_EQ(IncMonth(EncodeDate(2023, 11, 15), 2), EncodeDate(2024, 1, 15));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1)), EConvertError);
}

TEST_F(DateFormatTest, SpecifiersWriteEachPartOfTheDateAndTime) {
  TDateTime Morning = EncodeDateTime(2023, 3, 5, 9, 5, 7, 45);
  TDateTime Evening = EncodeDateTime(2023, 3, 5, 21, 30, 0, 0);
  struct Row {
    const char* Format;
    TDateTime Value;
    const char* Expected;
  } Rows[] = {
      {"c", 45291.5, "12/31/2023 12:00:00 PM"},
      {"c", NewYearsEve, "12/31/2023"},
      {"c", 0, "12/30/1899"},
      {"", Evening, "3/5/2023 9:30:00 PM"},
      {"c", NewYearsEve + 0.0000001, "12/31/2023"},  // milliseconds do not count
      {"d dd ddd dddd", Morning, "5 05 Sun Sunday"},
      {"ddddd", Morning, "3/5/2023"},
      {"dddddd", Morning, "Sunday, March 5, 2023"},
      {"m mm mmm mmmm", Morning, "3 03 Mar March"},
      {"yy yyyy", Morning, "23 2023"},
      {"y yyy", Morning, "23 2023"},
      {"yyyy yy/m/d", EncodeDate(5, 1, 2), "0005 05/1/2"},  // four digits, leading zeros too
      {"mm/dd/yy", NewYearsEve, "12/31/23"},
      {"h hh n nn s ss", Morning, "9 09 5 05 7 07"},
      {"hh:mm", Morning, "09:05"},
      {"h:m", Morning, "9:5"},
      {"hh 'x' mm", Morning, "09 x 05"},
      {"mm:ss", Morning, "03:07"},
      {"z zzz", Morning, "45 045"},
      {"t", Evening, "9:30 PM"},
      {"tt", Morning, "9:05:07 AM"},
      {"h am/pm", Evening, "9 pm"},
      {"h AM/PM", Morning, "9 AM"},
      {"h a/p", Evening, "9 p"},
      {"h A/P", Morning, "9 A"},
      {"h ampm", Evening, "9 PM"},
      {"hh", Evening, "21"},
      {"h:nn am/pm", EncodeTime(0, 15, 0, 0), "12:15 am"},
      {"h:nn am/pm", EncodeTime(12, 15, 0, 0), "12:15 pm"},
      {"h 'am/pm'", Evening, "21 am/pm"},
      {"hh h:nn a/p", Evening, "21 9:30 p"},
      {"\"Day\" d", Morning, "Day 5"},
      {"'quoted ''", Morning, "quoted "},
      {"xq!", Morning, "xq!"},
      {"D/M/YYYY", Morning, "5/3/2023"},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(testing::Message() << "FormatDateTime('" << R.Format << "')");
    EXPECT_EQ(FormatDateTime(R.Format, R.Value), R.Expected);
  }
}

TEST_F(DateFormatTest, SeparatorsNamesAndShorthandsComeFromTheSettings) {
  TFormatSettings S = DefaultFormatSettings();
  S.DateSeparator = '.';
  S.TimeSeparator = 'h';
  S.ShortDateFormat = "dd/mm/yyyy";
  S.LongTimeFormat = "hh:nn";
  S.ShortMonthNames[11] = "déc.";
  TDateTime Value = EncodeDateTime(2023, 12, 31, 14, 5, 0, 0);
  EXPECT_EQ(FormatDateTime("c", Value, S), "31.12.2023 14h05");
  EXPECT_EQ(FormatDateTime("d mmm", Value, S), "31 déc.");
  EXPECT_EQ(DateToStr(Value, S), "31.12.2023");
  EXPECT_EQ(TimeToStr(Value, S), "14h05");
  String Text;
  DateTimeToString(Text, "yyyy/mm", Value, S);
  EXPECT_EQ(Text, "2023.12");
  // A short date format that names itself stops instead of recursing.
  S.ShortDateFormat = "ddddd!";
  EXPECT_EQ(DateToStr(Value, S), "!!");
  FormatSettings.DateSeparator = '-';
  EXPECT_EQ(DateTimeToStr(Value), "12-31-2023 2:05:00 PM");
}

TEST_F(DateFormatTest, StrToDateReadsTheShortDateOrder) {
  struct Row {
    const char* Text;
    Word Y, M, D;
  } Rows[] = {
      {"12/31/2023", 2023, 12, 31},  {" 12 / 31 / 2023 ", 2023, 12, 31},
      {"12/31/2023/", 2023, 12, 31}, {"2/3", 2024, 2, 3},
      {"2/3/", 2024, 2, 3},          {"1/1/73", 2073, 1, 1},
      {"1/1/74", 1974, 1, 1},        {"1/1/0", 2000, 1, 1},
      {"1/1/024", 24, 1, 1},         {"02/29/2024", 2024, 2, 29},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.Text);
    TDateTime Value = 0;
    ASSERT_TRUE(TryStrToDate(R.Text, Value));
    ExpectDecoded(Value, R.Y, R.M, R.D);
  }
  TFormatSettings Dmy = DefaultFormatSettings();
  Dmy.ShortDateFormat = "dd.mm.yyyy";
  Dmy.DateSeparator = '.';
  EXPECT_EQ(StrToDate("31.12.2023", Dmy), NewYearsEve);
  EXPECT_EQ(StrToDate("3.2", Dmy), EncodeDate(2024, 2, 3));
  TFormatSettings Ymd = DefaultFormatSettings();
  Ymd.ShortDateFormat = "yyyy-mm-dd";
  Ymd.DateSeparator = '-';
  EXPECT_EQ(StrToDate("2023-12-31", Ymd), NewYearsEve);
  EXPECT_EQ(StrToDate("12-31", Ymd), NewYearsEve + 366);
}

TEST_F(DateFormatTest, TheCenturyWindowFollowsTheVirtualClock) {
  SetClockDateTime(EncodeDate(2080, 1, 1));
  EXPECT_EQ(StrToDate("1/1/30"), EncodeDate(2030, 1, 1));
  EXPECT_EQ(StrToDate("1/1/29"), EncodeDate(2129, 1, 1));
  FormatSettings.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1/1/99"), EncodeDate(2099, 1, 1));
}

TEST_F(DateFormatTest, BadDatesAndTimesAreRefusedWithTheirText) {
  const char* BadDates[] = {"",   "  ",         "13/1/2023", "2/30/2023",   "12/31/2023 x",  "abc",
                            "12", "12-31-2023", "1/2/3/4",   "12/31/10000", "1234567890/1/1"};
  for (const char* Text : BadDates) {
    SCOPED_TRACE(Text);
    EXPECT_THROW(StrToDate(Text), EConvertError);
    EXPECT_EQ(StrToDateDef(Text, 5), 5);
  }
  const char* BadTimes[] = {"",    "25:00",   "10:60", "13:00 PM",  "0:30 AM",
                            "10:", "10:30 x", "10.30", "1:2:3.1000"};
  for (const char* Text : BadTimes) {
    SCOPED_TRACE(Text);
    EXPECT_THROW(StrToTime(Text), EConvertError);
    EXPECT_EQ(StrToTimeDef(Text, 0.5), 0.5);
  }
  ExpectMessage(StrToDate, "2/30/2023", "'2/30/2023' is not a valid date");
  ExpectMessage(StrToTime, "25:00", "'25:00' is not a valid time");
  ExpectMessage(StrToDateTime, "12/31/2023 25:00",
                "'12/31/2023 25:00' is not a valid date and time");
}

TEST_F(DateFormatTest, StrToTimeReadsHoursMinutesSecondsAndAmPm) {
  struct Row {
    const char* Text;
    Word H, N, S, Z;
  } Rows[] = {
      {"10:30", 10, 30, 0, 0},  {"10:30:15", 10, 30, 15, 0}, {"10:30:15.250", 10, 30, 15, 250},
      {"1:05 PM", 13, 5, 0, 0}, {"12:00 AM", 0, 0, 0, 0},    {"12:00 pm", 12, 0, 0, 0},
      {"7", 7, 0, 0, 0},        {" 23:59 ", 23, 59, 0, 0},   {"9:05AM", 9, 5, 0, 0},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.Text);
    ExpectDecoded(StrToTime(R.Text), 1899, 12, 30, R.H, R.N, R.S, R.Z);
  }
}

TEST_F(DateFormatTest, StrToDateTimeTakesADateATimeOrBoth) {
  EXPECT_EQ(StrToDateTime("12/31/2023 6:00 PM"), NewYearsEve + 0.75);
  EXPECT_EQ(StrToDateTime("12/31/2023"), NewYearsEve);
  EXPECT_EQ(StrToDateTime("18:00"), 0.75);
  EXPECT_EQ(StrToDateTime("12/31 18:00"), EncodeDate(2024, 12, 31) + 0.75);
  EXPECT_EQ(StrToDateTime("12/29/1899 06:00"), -1.25);
  EXPECT_EQ(StrToDateTimeDef("tomorrow", 3), 3);
  TDateTime Value = EncodeDateTime(2024, 2, 29, 23, 59, 58, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(Value)), Value);
  EXPECT_EQ(StrToDate(DateToStr(NewYearsEve)), NewYearsEve);
}
