// Shared by the fuzz targets, not API: a failed property stops the run with a
// message (libFuzzer keeps the input as a crash), and locale settings drawn
// from the input, so that every reader and writer is tried with separators,
// formats and names other than the defaults.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "platform/rtl/FormatSettings.h"

namespace kvfuzz {

// A property the target checks does not hold: say which, with the values, and
// abort so that libFuzzer saves the input.
[[noreturn]] inline void Fail(const char* Property, const std::string& Detail = std::string()) {
  std::fprintf(stderr, "\n!! property failed: %s\n%s\n", Property, Detail.c_str());
  std::abort();
}

}  // namespace kvfuzz

// Checks a property; the detail (the values, for the message) is worked out
// only when the property fails, so that passing checks cost nothing.
#define FUZZ_CHECK(Holds, ...)                          \
  do {                                                  \
    if (!(Holds)) ::kvfuzz::FailWith(__VA_ARGS__);      \
  } while (0)

namespace kvfuzz {

[[noreturn]] inline void FailWith(const char* Property, const std::string& Detail = std::string()) {
  Fail(Property, Detail);
}

// Text shown in a failure message with its bytes visible.
inline std::string Shown(const std::string& S) {
  std::string R = "'";
  for (unsigned char C : S) {
    if (C >= 32 && C < 127 && C != '\'') {
      R += char(C);
    } else {
      char Buf[8];
      std::snprintf(Buf, sizeof Buf, "\\x%02X", C);
      R += Buf;
    }
  }
  return R + "'";
}

template <class T>
T PickOne(FuzzedDataProvider& In, std::initializer_list<T> Choices) {
  return Choices.begin()[In.ConsumeIntegralInRange<std::size_t>(0, Choices.size() - 1)];
}

// Settings whose separators are distinct, not digits, letters, signs or
// spaces, so that what is written can be read back unambiguously; formats,
// names and AM/PM strings are sometimes the input's own text.
inline kvp::TFormatSettings PickSettings(FuzzedDataProvider& In) {
  kvp::TFormatSettings S;
  // [Phase 1] Separators: the decimal one differs from the others.
  S.DecimalSeparator = PickOne<kvp::Char>(In, {U'.', U',', U'\u00B7', U'\u066B'});
  do {
    S.ThousandSeparator = PickOne<kvp::Char>(In, {U',', U'.', U'\u00A0', U'\'', 0, U'\u066C'});
  } while (S.ThousandSeparator == S.DecimalSeparator && In.remaining_bytes() > 0);
  if (S.ThousandSeparator == S.DecimalSeparator) S.ThousandSeparator = 0;
  S.DateSeparator = PickOne<kvp::Char>(In, {U'/', U'-', U'.', U'\u5E74'});
  S.TimeSeparator = PickOne<kvp::Char>(In, {U':', U'.', U'\u00B7'});
  if (S.TimeSeparator == S.DecimalSeparator) S.TimeSeparator = U':';
  if (S.DecimalSeparator == U':') S.DecimalSeparator = U'.';
  // [Phase 2] Formats, names and strings.
  S.ShortDateFormat = PickOne<std::string>(
      In, {"m/d/yyyy", "d/m/yyyy", "yyyy/m/d", "dd/mm/yy", "mm/dd/yyyy", "d.m.yy", "yyyy-mm-dd"});
  S.LongTimeFormat = PickOne<std::string>(In, {"h:nn:ss AMPM", "hh:nn:ss", "h:nn:ss.zzz", "tt"});
  S.ShortTimeFormat = PickOne<std::string>(In, {"h:nn AMPM", "hh:nn", "t"});
  if (In.ConsumeBool()) {
    S.TimeAMString = In.ConsumeRandomLengthString(8);
    S.TimePMString = In.ConsumeRandomLengthString(8);
  }
  if (In.ConsumeBool()) S.ShortMonthNames[In.ConsumeIntegralInRange(0, 11)] = In.ConsumeRandomLengthString(12);
  if (In.ConsumeBool()) S.LongDayNames[In.ConsumeIntegralInRange(0, 6)] = In.ConsumeRandomLengthString(12);
  S.CurrencyString = PickOne<std::string>(In, {"$", "EUR", "\xE2\x82\xAC", "", "kr."});
  S.CurrencyFormat = In.ConsumeIntegral<kvp::Byte>();
  S.NegCurrFormat = In.ConsumeIntegral<kvp::Byte>();
  S.CurrencyDecimals = In.ConsumeIntegral<kvp::Byte>();
  S.TwoDigitYearCenturyWindow = In.ConsumeIntegralInRange<kvp::Word>(0, 120);
  return S;
}

}  // namespace kvfuzz
