// Fuzz target: text read as a date, a time, or a date and time (StrToDate,
// StrToTime, StrToDateTime) under settings drawn from the input. Properties
// checked:
//   - nothing crashes; a refusal is the Try form's false and the raising
//     form's EConvertError;
//   - a date read is a whole day in the years 1 to 9999, a time read lies in
//     [0, 1);
//   - what was read, written with a four-digit year in the settings' date
//     order and with milliseconds, reads back to the same value.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cmath>
#include <cstdint>

#include "FuzzSupport.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvfuzz::Shown;

namespace {

template <class F>
bool Raises(F Read) {
  try {
    Read();
  } catch (const EConvertError&) {
    return true;
  }
  return false;
}

// The short date format's order with a four-digit year, so that nothing is
// lost to the century window.
String FullDateFormat(const TFormatSettings& Set) {
  for (char C : Set.ShortDateFormat) {
    switch (C | 0x20) {
      case 'd':
        return "d/m/yyyy";
      case 'y':
        return "yyyy/m/d";
      case 'm':
        return "m/d/yyyy";
      default:
        break;
    }
  }
  return "m/d/yyyy";
}

// A 24-hour time with milliseconds, as the time reader takes it back.
String FullTimeFormat(const TFormatSettings& Set) {
  return "hh:nn:ss\"" + SeparatorText(Set.DecimalSeparator) + "\"zzz";
}

void CheckDate(const String& S, const TFormatSettings& Set) {
  TDateTime D = 0;
  bool Ok = TryStrToDate(S, D, Set);
  FUZZ_CHECK(Ok != Raises([&] { StrToDate(S, Set); }), "StrToDate raises exactly when TryStrToDate fails",
        Shown(S));
  if (!Ok) return;
  Word Y, M, Day;
  DecodeDate(D, Y, M, Day);
  FUZZ_CHECK(D == std::floor(D) && Y >= 1 && Y <= 9999, "a date read is a whole day in years 1..9999",
        Shown(S));
  String Back = FormatDateTime(FullDateFormat(Set), D, Set);
  TDateTime Again = 0;
  FUZZ_CHECK(TryStrToDate(Back, Again, Set) && Again == D, "a date written reads back to itself",
        Shown(S) + " -> " + Shown(Back));
}

void CheckTime(const String& S, const TFormatSettings& Set) {
  TDateTime T = 0;
  bool Ok = TryStrToTime(S, T, Set);
  FUZZ_CHECK(Ok != Raises([&] { StrToTime(S, Set); }), "StrToTime raises exactly when TryStrToTime fails",
        Shown(S));
  if (!Ok) return;
  FUZZ_CHECK(T >= 0 && T < 1, "a time read lies within one day", Shown(S));
  String Back = FormatDateTime(FullTimeFormat(Set), T, Set);
  TDateTime Again = 0;
  FUZZ_CHECK(TryStrToTime(Back, Again, Set) && Again == T, "a time written reads back to itself",
        Shown(S) + " -> " + Shown(Back));
}

void CheckDateTime(const String& S, const TFormatSettings& Set) {
  TDateTime V = 0;
  bool Ok = TryStrToDateTime(S, V, Set);
  FUZZ_CHECK(Ok != Raises([&] { StrToDateTime(S, Set); }),
        "StrToDateTime raises exactly when TryStrToDateTime fails", Shown(S));
  if (!Ok) return;
  Word Y, M, D;
  DecodeDate(V, Y, M, D);
  FUZZ_CHECK(Y >= 1 && Y <= 9999, "a date and time read lies in years 1..9999", Shown(S));
  String Format = FullDateFormat(Set) + " " + FullTimeFormat(Set);
  String Back = FormatDateTime(Format, V, Set);
  TDateTime Again = 0;
  FUZZ_CHECK(TryStrToDateTime(Back, Again, Set), "a date and time written reads back",
        Shown(S) + " -> " + Shown(Back));
  FUZZ_CHECK(FormatDateTime(Format, Again, Set) == Back, "a date and time written reads back to itself",
        Shown(S) + " -> " + Shown(Back) + " -> " + Shown(FormatDateTime(Format, Again, Set)));
}

}  // namespace

// Today and the century of two-digit years come from the clock: fixed, so
// that a saved input fails the same way on any day.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetClockDateTime(EncodeDateTime(2024, 6, 15, 12, 0, 0, 0));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  TFormatSettings Set = kvfuzz::PickSettings(In);
  String S = In.ConsumeRemainingBytesAsString();
  CheckDate(S, Set);
  CheckTime(S, Set);
  CheckDateTime(S, Set);
  return 0;
}
