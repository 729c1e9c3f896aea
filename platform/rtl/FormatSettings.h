// The locale of the platform layer: separators, currency placement, date and
// time formats and the month and day names that every number and date routine
// reads. The values are fixed US-English defaults, the same on every machine,
// and settable: a test changes the global FormatSettings and restores it from
// DefaultFormatSettings(), or passes its own TFormatSettings to a routine.
#pragma once

#include <array>

#include "platform/rtl/Types.h"

namespace kvp {

// TFormatSettings: one complete set of locale values. Names are 0-based:
// ShortMonthNames[0] is January, ShortDayNames[0] is Sunday.
struct TFormatSettings {
  String CurrencyString = "$";
  Byte CurrencyFormat = 0;  // placement of a positive amount: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 0;   // placement of a negative amount, 0 "($1)" .. 15 "(1 $)"
  Char ThousandSeparator = U',';  // 0 turns grouping off
  Char DecimalSeparator = U'.';
  Byte CurrencyDecimals = 2;
  Char DateSeparator = U'/';
  Char TimeSeparator = U':';
  Char ListSeparator = U',';
  String ShortDateFormat = "m/d/yyyy";
  String LongDateFormat = "dddd, mmmm d, yyyy";
  String TimeAMString = "AM";
  String TimePMString = "PM";
  String ShortTimeFormat = "h:nn AMPM";
  String LongTimeFormat = "h:nn:ss AMPM";
  std::array<String, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<String, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                           "May",       "June",     "July",     "August",
                                           "September", "October",  "November", "December"};
  std::array<String, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<String, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
  Word TwoDigitYearCenturyWindow = 50;  // a two-digit year is at most this many years back
};

// The settings every formatting and parsing routine uses unless it is given
// its own.
extern TFormatSettings FormatSettings;

// A fresh copy of the fixed defaults, to restore FormatSettings with.
TFormatSettings DefaultFormatSettings();

// The UTF-8 text of one separator character; empty for the character 0.
String SeparatorText(Char C);

}  // namespace kvp
