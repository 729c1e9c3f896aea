// Calendar arithmetic on TDateTime: a double counting days since 1899-12-30
// whose fraction is the time of day. Before that day the integer part counts
// backwards but the fraction still counts the time of day forwards, so
// -1.25 is 1899-12-29 06:00. Years run from 1 to 9999 on the proleptic
// Gregorian calendar; bad arguments raise EConvertError.
#pragma once

#include <array>

#include "platform/rtl/Types.h"

namespace kvp {

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerDay = 24 * 60;
inline constexpr Integer SecsPerDay = 24 * 60 * 60;
inline constexpr Integer MSecsPerDay = 24 * 60 * 60 * 1000;

// Days in each month, MonthDays[IsLeapYear(Year)][Month - 1].
inline constexpr std::array<std::array<Word, 12>, 2> MonthDays = {{
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};

bool IsLeapYear(Word Year);
// Days in Month of Year; 0 for a month outside 1..12.
Word DaysInAMonth(Word Year, Word Month);
// Days in the month that DateTime falls in.
Word DaysInMonth(TDateTime DateTime);

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
// Raises EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(Word Year, Word Month, Word Day);
// A value outside 0001-01-01 .. 9999-12-31 decodes to zeros.
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
// Raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
// The time of day, to the nearest millisecond.
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);

bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value);
TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec);
void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec);

// A date part and a time of day joined by the sign rule above.
TDateTime ComposeDateTime(TDateTime Date, TDateTime Time);

// 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime DateTime);
// The same day NumberOfMonths later (or earlier), held to the last day of a
// shorter month, at the same time of day.
TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths = 1);
// The date part alone / the time of day alone (always >= 0).
TDateTime DateOf(TDateTime DateTime);
TDateTime TimeOf(TDateTime DateTime);

}  // namespace kvp
