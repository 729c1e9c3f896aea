// Date and time text: FormatDateTime and its shorthands write a TDateTime with
// a format of specifiers (d, m, yyyy, h, nn, ss, am/pm ...), and StrToDate,
// StrToTime and StrToDateTime read one back in the order of the short date
// format. "Today" for a date typed without a year, and the century of a
// two-digit year, come from the virtual clock's Now().
#pragma once

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

namespace kvp {

// An empty format means "c" (short date, then the long time when the time of
// day is not midnight). Quoted text and unknown characters print as they are.
String FormatDateTime(const String& Format, TDateTime DateTime);
String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& Settings);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime);
void DateTimeToString(String& Result, const String& Format, TDateTime DateTime,
                      const TFormatSettings& Settings);

// The short date / the long time / both ("c").
String DateToStr(TDateTime DateTime);
String DateToStr(TDateTime DateTime, const TFormatSettings& Settings);
String TimeToStr(TDateTime DateTime);
String TimeToStr(TDateTime DateTime, const TFormatSettings& Settings);
String DateTimeToStr(TDateTime DateTime);
String DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings);

// Failures raise EConvertError "'text' is not a valid date" (".. time",
// ".. date and time").
TDateTime StrToDate(const String& S);
TDateTime StrToDate(const String& S, const TFormatSettings& Settings);
TDateTime StrToDateDef(const String& S, TDateTime Default);
TDateTime StrToDateDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToDate(const String& S, TDateTime& Value);
bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& Settings);

TDateTime StrToTime(const String& S);
TDateTime StrToTime(const String& S, const TFormatSettings& Settings);
TDateTime StrToTimeDef(const String& S, TDateTime Default);
TDateTime StrToTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToTime(const String& S, TDateTime& Value);
bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& Settings);

// A date optionally followed by a time, or a time alone (on day 0).
TDateTime StrToDateTime(const String& S);
TDateTime StrToDateTime(const String& S, const TFormatSettings& Settings);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default, const TFormatSettings& Settings);
bool TryStrToDateTime(const String& S, TDateTime& Value);
bool TryStrToDateTime(const String& S, TDateTime& Value, const TFormatSettings& Settings);

}  // namespace kvp
