#include "platform/rtl/DateUtils.h"

#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

constexpr Int64 MinDay = -693593;  // 0001-01-01
constexpr Int64 MaxDay = 2958465;  // 9999-12-31
constexpr Int64 UnixDay = 25569;   // 1970-01-01

// Days from 1970-01-01 to a proleptic Gregorian date, and back (Hinnant's
// era-based algorithms: exact for every year, no tables).
Int64 DaysFromCivil(Int64 Y, Int64 M, Int64 D) {
  Y -= M <= 2;
  Int64 Era = (Y >= 0 ? Y : Y - 399) / 400;
  Int64 YearOfEra = Y - Era * 400;
  Int64 DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  Int64 DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

void CivilFromDays(Int64 Z, Word& Year, Word& Month, Word& Day) {
  Z += 719468;
  Int64 Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  Int64 DayOfEra = Z - Era * 146097;
  Int64 YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  Int64 DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  Int64 MonthIndex = (5 * DayOfYear + 2) / 153;
  Day = Word(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  Month = Word(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  Year = Word(YearOfEra + Era * 400 + (Month <= 2));
}

// A TDateTime split into its day number and its time of day in whole
// milliseconds; Valid is false outside the years 1..9999 (and for NaN).
struct TSplitDateTime {
  Int64 Day = 0;
  Int64 TimeMs = 0;
  bool Valid = false;
};

TSplitDateTime Split(TDateTime Value) {
  TSplitDateTime Result;
  if (!(Value >= TDateTime(MinDay - 1) && Value <= TDateTime(MaxDay + 1))) return Result;
  auto Ms = Int64(std::llround(Extended(Value) * MSecsPerDay));
  Result.Day = Ms / MSecsPerDay;
  Result.TimeMs = (Ms < 0 ? -Ms : Ms) % MSecsPerDay;
  Result.Valid = Result.Day >= MinDay && Result.Day <= MaxDay;
  return Result;
}

}  // namespace

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

Word DaysInAMonth(Word Year, Word Month) {
  if (Month < 1 || Month > 12) return 0;
  return MonthDays[IsLeapYear(Year)][Month - 1];
}

Word DaysInMonth(TDateTime DateTime) {
  Word Year, Month, Day;
  DecodeDate(DateTime, Year, Month, Day);
  return DaysInAMonth(Year, Month);
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Day < 1 || Day > DaysInAMonth(Year, Month)) return false;
  Date = TDateTime(DaysFromCivil(Year, Month, Day) + UnixDay);
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime Result = 0;
  if (!TryEncodeDate(Year, Month, Day, Result))
    throw EConvertError("Invalid argument to date encode");
  return Result;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
  TSplitDateTime Parts = Split(Date);
  if (!Parts.Valid) {
    Year = Month = Day = 0;
    return;
  }
  CivilFromDays(Parts.Day - UnixDay, Year, Month, Day);
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
  if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
  Integer Ms = ((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec;
  Time = TDateTime(Ms) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime Result = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, Result))
    throw EConvertError("Invalid argument to time encode");
  return Result;
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  TSplitDateTime Parts = Split(Time);
  Int64 Ms = Parts.Valid ? Parts.TimeMs : 0;
  MSec = Word(Ms % 1000);
  Sec = Word(Ms / 1000 % 60);
  Min = Word(Ms / 60000 % 60);
  Hour = Word(Ms / 3600000);
}

TDateTime ComposeDateTime(TDateTime Date, TDateTime Time) {
  return Date < 0 ? Date - Time : Date + Time;
}

bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value) {
  TDateTime DatePart = 0;
  TDateTime TimePart = 0;
  if (!TryEncodeDate(Year, Month, Day, DatePart) || !TryEncodeTime(Hour, Min, Sec, MSec, TimePart))
    return false;
  Value = ComposeDateTime(DatePart, TimePart);
  return true;
}

TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec,
                         Word MSec) {
  return ComposeDateTime(EncodeDate(Year, Month, Day), EncodeTime(Hour, Min, Sec, MSec));
}

void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec) {
  DecodeDate(Value, Year, Month, Day);
  DecodeTime(Value, Hour, Min, Sec, MSec);
}

Word DayOfWeek(TDateTime DateTime) {
  // 1899-12-30 was a Saturday.
  Int64 Day = Split(DateTime).Day;
  return Word(((Day + 6) % 7 + 7) % 7 + 1);
}

TDateTime IncMonth(TDateTime DateTime, Integer NumberOfMonths) {
  Word Year, Month, Day;
  DecodeDate(DateTime, Year, Month, Day);
  Int64 MonthIndex = Int64(Year) * 12 + (Month - 1) + NumberOfMonths;
  auto NewYear = Word(MonthIndex / 12);
  auto NewMonth = Word(MonthIndex % 12 + 1);
  Word NewDay = Day < DaysInAMonth(NewYear, NewMonth) ? Day : DaysInAMonth(NewYear, NewMonth);
  return ComposeDateTime(EncodeDate(NewYear, NewMonth, NewDay), TimeOf(DateTime));
}

TDateTime DateOf(TDateTime DateTime) { return TDateTime(Split(DateTime).Day); }

TDateTime TimeOf(TDateTime DateTime) { return TDateTime(Split(DateTime).TimeMs) / MSecsPerDay; }

}  // namespace kvp
