// Index
// [SECTION] Writing         TDateWriter: one specifier at a time
// [SECTION] Scanning        TScanner, DateOrder, WindowedYear, ScanDate, ScanTime
// [SECTION] Public writing  FormatDateTime, DateToStr, TimeToStr, DateTimeToStr
// [SECTION] Reading         TryStrToDate, TryStrToTime, TryStrToDateTime, StrTo...(Def)
#include "platform/rtl/DateFormat.h"

#include <cstdio>

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

char LowerAscii(char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; }

// True when S holds Word at Pos, ASCII letters compared without case.
bool MatchesAt(const String& S, std::size_t Pos, const String& Word) {
  if (Word.empty() || Pos + Word.size() > S.size()) return false;
  for (std::size_t I = 0; I < Word.size(); ++I)
    if (LowerAscii(S[Pos + I]) != LowerAscii(Word[I])) return false;
  return true;
}

String Padded(Integer Value, Integer Width) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof Buffer, "%0*d", Width, Value);
  return Buffer;
}

// [SECTION] Writing ----------------------------------------------------------

// TDateWriter: writes one date-time through a format, specifier by specifier.
// The short and long formats that c, ddddd, dddddd, t and tt stand for are
// written by a nested call; the nesting is bounded so that a format that names
// itself cannot recurse for ever.
class TDateWriter {
 public:
  TDateWriter(TDateTime DateTime, const TFormatSettings& Settings) : FSettings(Settings) {
    DecodeDateTime(DateTime, FYear, FMonth, FDay, FHour, FMinute, FSecond, FMSec);
    FDayOfWeek = DayOfWeek(DateTime);
  }

  String Write(const String& Format) {
    Append(Format.empty() ? String("c") : Format, 0);
    return FResult;
  }

 private:
  static constexpr Integer MaxNesting = 2;

  void Append(const String& Format, Integer Level);
  // Runs of one letter count as one specifier ("dddd").
  static std::size_t RunLength(const String& Format, std::size_t Pos) {
    std::size_t End = Pos;
    while (End < Format.size() && LowerAscii(Format[End]) == LowerAscii(Format[Pos])) ++End;
    return End - Pos;
  }
  bool TwelveHourAfter(const String& Format, std::size_t Pos) const;
  bool AppendAmPm(const String& Format, std::size_t& Pos);
  void AppendNested(const String& Format, Integer Level) {
    if (Level < MaxNesting) Append(Format, Level + 1);
  }
  void AppendName(const std::array<String, 12>& Names, Word Month) {
    if (Month >= 1 && Month <= 12) FResult += Names[Month - 1];
  }
  void AppendDate(char Letter, std::size_t Count, Integer Level);
  void AppendTime(char Letter, std::size_t Count, bool TwelveHour, Integer Level);

  const TFormatSettings& FSettings;
  String FResult;
  Word FYear = 0, FMonth = 0, FDay = 0, FDayOfWeek = 0;
  Word FHour = 0, FMinute = 0, FSecond = 0, FMSec = 0;
  bool FAfterHour = false;  // the last specifier was h or hh: m means minutes
};

// An h is a 12-hour clock when the first unquoted 'a' after it, before the
// next h, begins am/pm, a/p or ampm.
bool TDateWriter::TwelveHourAfter(const String& Format, std::size_t Pos) const {
  char Quote = 0;
  for (; Pos < Format.size(); ++Pos) {
    char C = Format[Pos];
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '\'' || C == '"') {
      Quote = C;
    } else if (LowerAscii(C) == 'h') {
      return false;
    } else if (LowerAscii(C) == 'a') {
      return MatchesAt(Format, Pos, "am/pm") || MatchesAt(Format, Pos, "a/p") ||
             MatchesAt(Format, Pos, "ampm");
    }
  }
  return false;
}

// Writes am/pm and a/p in the case they are written in, ampm as the settings'
// strings; anything else starting with 'a' is a literal letter.
bool TDateWriter::AppendAmPm(const String& Format, std::size_t& Pos) {
  bool Pm = FHour >= 12;
  if (MatchesAt(Format, Pos, "am/pm")) {
    FResult += Format.substr(Pos + (Pm ? 3 : 0), 2);
    Pos += 5;
  } else if (MatchesAt(Format, Pos, "a/p")) {
    FResult += Format[Pos + (Pm ? 2 : 0)];
    Pos += 3;
  } else if (MatchesAt(Format, Pos, "ampm")) {
    FResult += Pm ? FSettings.TimePMString : FSettings.TimeAMString;
    Pos += 4;
  } else {
    return false;
  }
  return true;
}

void TDateWriter::AppendDate(char Letter, std::size_t Count, Integer Level) {
  switch (Letter) {
    case 'd':
      if (Count == 1)
        FResult += std::to_string(FDay);
      else if (Count == 2)
        FResult += Padded(FDay, 2);
      else if (Count == 3 && FDayOfWeek >= 1)
        FResult += FSettings.ShortDayNames[FDayOfWeek - 1];
      else if (Count == 4 && FDayOfWeek >= 1)
        FResult += FSettings.LongDayNames[FDayOfWeek - 1];
      else if (Count == 5)
        AppendNested(FSettings.ShortDateFormat, Level);
      else if (Count >= 6)
        AppendNested(FSettings.LongDateFormat, Level);
      break;
    case 'm':
      if (Count == 1)
        FResult += std::to_string(FMonth);
      else if (Count == 2)
        FResult += Padded(FMonth, 2);
      else if (Count == 3)
        AppendName(FSettings.ShortMonthNames, FMonth);
      else
        AppendName(FSettings.LongMonthNames, FMonth);
      break;
    case 'y':
      FResult += Count <= 2 ? Padded(FYear % 100, 2) : Padded(FYear, 4);
      break;
    default:
      break;
  }
}

void TDateWriter::AppendTime(char Letter, std::size_t Count, bool TwelveHour, Integer Level) {
  Word Value = 0;
  switch (Letter) {
    case 'h':
      Value = TwelveHour ? Word(FHour % 12 == 0 ? 12 : FHour % 12) : FHour;
      break;
    case 'm':
    case 'n':
      Value = FMinute;
      break;
    case 's':
      Value = FSecond;
      break;
    case 'z':
      FResult += Count >= 3 ? Padded(FMSec, 3) : std::to_string(FMSec);
      return;
    case 't':
      AppendNested(Count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, Level);
      return;
    default:
      return;
  }
  FResult += Count == 1 ? std::to_string(Value) : Padded(Value, 2);
}

void TDateWriter::Append(const String& Format, Integer Level) {
  bool SavedAfterHour = FAfterHour;
  FAfterHour = false;
  std::size_t Pos = 0;
  while (Pos < Format.size()) {
    char C = Format[Pos];
    char Letter = LowerAscii(C);
    if (C == '\'' || C == '"') {
      std::size_t Close = Format.find(C, Pos + 1);
      if (Close == String::npos) Close = Format.size();
      FResult += Format.substr(Pos + 1, Close - Pos - 1);
      Pos = Close + 1;
      continue;
    }
    if (C == '/' || C == ':') {  // separators leave FAfterHour alone
      FResult += SeparatorText(C == '/' ? FSettings.DateSeparator : FSettings.TimeSeparator);
      ++Pos;
      continue;
    }
    if (Letter == 'a') {
      if (!AppendAmPm(Format, Pos)) FResult += Format[Pos++];
      FAfterHour = false;
      continue;
    }
    std::size_t Count = 0;
    switch (Letter) {
      case 'c':
        Count = 1;
        AppendNested(FSettings.ShortDateFormat, Level);
        if (FHour != 0 || FMinute != 0 || FSecond != 0) {
          FResult += ' ';
          AppendNested(FSettings.LongTimeFormat, Level);
        }
        break;
      case 'd':
      case 'y':
        Count = RunLength(Format, Pos);
        AppendDate(Letter, Count, Level);
        break;
      case 'm':
        Count = RunLength(Format, Pos);
        if (Count <= 2 && FAfterHour)
          AppendTime('m', Count, false, Level);
        else
          AppendDate('m', Count, Level);
        break;
      case 'h':
      case 'n':
      case 's':
      case 't':
      case 'z':
        Count = RunLength(Format, Pos);
        if (Letter != 'z' && Count > 2) Count = 2;
        if (Letter == 'z' && Count > 3) Count = 3;
        AppendTime(Letter, Count, Letter == 'h' && TwelveHourAfter(Format, Pos + Count), Level);
        break;
      default:
        FResult += C;
        ++Pos;
        continue;
    }
    Pos += Count;
    FAfterHour = Letter == 'h';
  }
  FAfterHour = SavedAfterHour;
}

// [SECTION] Scanning ---------------------------------------------------------

// TScanner: a position in the text being read, with the small steps that the
// date and time readers share.
struct TScanner {
  const String& Text;
  std::size_t Pos = 0;

  void SkipSpaces() {
    while (Pos < Text.size() && Text[Pos] == ' ') ++Pos;
  }
  bool AtEnd() const { return Pos >= Text.size(); }
  bool AtDigit() const { return Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9'; }
  // Reads a run of digits; Length receives how many there were.
  bool Number(Integer& Value, Integer& Length) {
    Value = 0;
    Length = 0;
    while (AtDigit()) {
      if (Length == 9) return false;  // no field of a date or time is that long
      Value = Value * 10 + (Text[Pos++] - '0');
      ++Length;
    }
    return Length > 0;
  }
  bool Literal(const String& Word) {
    if (!MatchesAt(Text, Pos, Word)) return false;
    Pos += Word.size();
    return true;
  }
};

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder DateOrder(const String& ShortDateFormat) {
  for (char C : ShortDateFormat) {
    switch (LowerAscii(C)) {
      case 'd':
        return doDMY;
      case 'm':
        return doMDY;
      case 'y':
        return doYMD;
      default:
        break;
    }
  }
  return doMDY;
}

// A year typed with one or two digits lands in the hundred years that end
// TwoDigitYearCenturyWindow years after the current one.
Integer WindowedYear(Integer Year, Integer CurrentYear, Integer Window) {
  Integer CenturyBase = CurrentYear - Window;
  Year += CenturyBase / 100 * 100;
  if (Window > 0 && Year < CenturyBase) Year += 100;
  return Year;
}

// Reads two or three numbers joined by the date separator, with an optional
// trailing separator and spaces.
bool ScanDate(TScanner& Scan, const TFormatSettings& Settings, TDateTime& Value) {
  Integer Numbers[3] = {0, 0, 0};
  Integer Lengths[3] = {0, 0, 0};
  Integer Count = 0;
  String Sep = SeparatorText(Settings.DateSeparator);
  while (true) {
    Scan.SkipSpaces();
    if (!Scan.Number(Numbers[Count], Lengths[Count])) return false;
    ++Count;
    Scan.SkipSpaces();
    if (!Scan.Literal(Sep)) break;
    Scan.SkipSpaces();
    if (Count == 3 || !Scan.AtDigit()) break;
  }
  if (Count < 2) return false;
  Word CurrentYear, CurrentMonth, CurrentDay;
  DecodeDate(Now(), CurrentYear, CurrentMonth, CurrentDay);
  Integer Year = CurrentYear, Month = 0, Day = 0, YearLength = 4;
  TDateOrder Order = DateOrder(Settings.ShortDateFormat);
  if (Count == 2) {
    Month = Order == doDMY ? Numbers[1] : Numbers[0];
    Day = Order == doDMY ? Numbers[0] : Numbers[1];
  } else if (Order == doMDY) {
    Month = Numbers[0], Day = Numbers[1], Year = Numbers[2], YearLength = Lengths[2];
  } else if (Order == doDMY) {
    Day = Numbers[0], Month = Numbers[1], Year = Numbers[2], YearLength = Lengths[2];
  } else {
    Year = Numbers[0], YearLength = Lengths[0], Month = Numbers[1], Day = Numbers[2];
  }
  if (YearLength <= 2) Year = WindowedYear(Year, CurrentYear, Settings.TwoDigitYearCenturyWindow);
  if (Year > 9999 || Month > 12 || Day > 31) return false;
  return TryEncodeDate(Word(Year), Word(Month), Word(Day), Value);
}

// Reads h[:n[:s[.z]]] and an optional AM/PM string, then trailing spaces.
bool ScanTime(TScanner& Scan, const TFormatSettings& Settings, TDateTime& Value) {
  Integer Hour = 0, Minute = 0, Second = 0, MSec = 0, Length = 0;
  String TimeSep = SeparatorText(Settings.TimeSeparator);
  Scan.SkipSpaces();
  if (!Scan.Number(Hour, Length)) return false;
  if (Scan.Literal(TimeSep)) {
    if (!Scan.Number(Minute, Length)) return false;
    if (Scan.Literal(TimeSep)) {
      if (!Scan.Number(Second, Length)) return false;
      if (Scan.Literal(SeparatorText(Settings.DecimalSeparator)) && !Scan.Number(MSec, Length))
        return false;
    }
  }
  Scan.SkipSpaces();
  Integer BaseHour = -1;  // 0 for AM, 12 for PM, -1 for a 24-hour time
  if (Scan.Literal(Settings.TimeAMString) || Scan.Literal("AM"))
    BaseHour = 0;
  else if (Scan.Literal(Settings.TimePMString) || Scan.Literal("PM"))
    BaseHour = 12;
  if (BaseHour >= 0) {
    if (Hour == 0 || Hour > 12) return false;
    Hour = Hour % 12 + BaseHour;
  }
  Scan.SkipSpaces();
  if (Hour > 23 || Minute > 59 || Second > 59 || MSec > 999) return false;
  return TryEncodeTime(Word(Hour), Word(Minute), Word(Second), Word(MSec), Value);
}

[[noreturn]] void RaiseInvalid(const String& S, const char* What) {
  throw EConvertError("'" + S + "' is not a valid " + What);
}

}  // namespace

// [SECTION] Public writing --------------------------------------------------

String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& Settings) {
  return TDateWriter(DateTime, Settings).Write(Format);
}

String FormatDateTime(const String& Format, TDateTime DateTime) {
  return FormatDateTime(Format, DateTime, FormatSettings);
}

void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& Settings) {
  Result = FormatDateTime(Format, DateTime, Settings);
}

void DateTimeToString(String& Result, const String& Format, TDateTime DateTime) {
  Result = FormatDateTime(Format, DateTime, FormatSettings);
}

String DateToStr(TDateTime DateTime, const TFormatSettings& Settings) {
  return FormatDateTime("ddddd", DateTime, Settings);
}

String DateToStr(TDateTime DateTime) { return DateToStr(DateTime, FormatSettings); }

String TimeToStr(TDateTime DateTime, const TFormatSettings& Settings) {
  return FormatDateTime("tt", DateTime, Settings);
}

String TimeToStr(TDateTime DateTime) { return TimeToStr(DateTime, FormatSettings); }

String DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings) {
  return FormatDateTime("c", DateTime, Settings);
}

String DateTimeToStr(TDateTime DateTime) { return DateTimeToStr(DateTime, FormatSettings); }

// [SECTION] Reading ----------------------------------------------------------

bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner Scan{S};
  TDateTime Result = 0;
  if (!ScanDate(Scan, Settings, Result) || !Scan.AtEnd()) return false;
  Value = Result;
  return true;
}

bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner Scan{S};
  TDateTime Result = 0;
  if (!ScanTime(Scan, Settings, Result) || !Scan.AtEnd()) return false;
  Value = Result;
  return true;
}

bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& Settings) {
  TScanner Scan{S};
  TDateTime DatePart = 0;
  TDateTime TimePart = 0;
  if (ScanDate(Scan, Settings, DatePart)) {
    if (!Scan.AtEnd() && (!ScanTime(Scan, Settings, TimePart) || !Scan.AtEnd())) return false;
    Value = ComposeDateTime(DatePart, TimePart);
    return true;
  }
  Scan.Pos = 0;
  if (!ScanTime(Scan, Settings, TimePart) || !Scan.AtEnd()) return false;
  Value = TimePart;
  return true;
}

bool TryStrToDate(const String& S, TDateTime& Value) {
  return TryStrToDate(S, Value, FormatSettings);
}

bool TryStrToTime(const String& S, TDateTime& Value) {
  return TryStrToTime(S, Value, FormatSettings);
}

bool TryStrToDateTime(const String& S, TDateTime& Value) {
  return TryStrToDateTime(S, Value, FormatSettings);
}

TDateTime StrToDate(const String& S, const TFormatSettings& Settings) {
  TDateTime Result = 0;
  if (!TryStrToDate(S, Result, Settings)) RaiseInvalid(S, "date");
  return Result;
}

TDateTime StrToTime(const String& S, const TFormatSettings& Settings) {
  TDateTime Result = 0;
  if (!TryStrToTime(S, Result, Settings)) RaiseInvalid(S, "time");
  return Result;
}

TDateTime StrToDateTime(const String& S, const TFormatSettings& Settings) {
  TDateTime Result = 0;
  if (!TryStrToDateTime(S, Result, Settings)) RaiseInvalid(S, "date and time");
  return Result;
}

TDateTime StrToDate(const String& S) { return StrToDate(S, FormatSettings); }
TDateTime StrToTime(const String& S) { return StrToTime(S, FormatSettings); }
TDateTime StrToDateTime(const String& S) { return StrToDateTime(S, FormatSettings); }

TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  TDateTime Result = Default;
  return TryStrToDate(S, Result, Settings) ? Result : Default;
}

TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  TDateTime Result = Default;
  return TryStrToTime(S, Result, Settings) ? Result : Default;
}

TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings) {
  TDateTime Result = Default;
  return TryStrToDateTime(S, Result, Settings) ? Result : Default;
}

TDateTime StrToDateDef(const String& S, TDateTime Default) {
  return StrToDateDef(S, Default, FormatSettings);
}

TDateTime StrToTimeDef(const String& S, TDateTime Default) {
  return StrToTimeDef(S, Default, FormatSettings);
}

TDateTime StrToDateTimeDef(const String& S, TDateTime Default) {
  return StrToDateTimeDef(S, Default, FormatSettings);
}

}  // namespace kvp
