// Fuzz target: format strings from the input, under settings drawn from it:
// Format with arguments of every kind, FormatFloat and FormatCurr pictures,
// FormatDateTime, FormatMaskText, and the float formats of FloatToStrF.
// Properties checked:
//   - nothing crashes or exhausts memory; Format raises only EConvertError and
//     the others raise nothing;
//   - Format pads to exactly the width asked for;
//   - FormatMaskText gives one character for each position of the mask;
//   - a value written by FloatToStrF in the fixed, number and exponent formats
//     reads back (thousand separators taken out) to within the rounding of the
//     decimals and digits asked for.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cmath>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

using namespace kvp;
using kvfuzz::Shown;

namespace {

void CheckFormat(FuzzedDataProvider& In, const TFormatSettings& Set) {
  String Fmt = In.ConsumeRandomLengthString(64);
  Integer Star = In.ConsumeIntegral<Integer>();
  int X = 0;
  try {
    Format(Fmt,
           {Star, Int64(-5), 1.5, Currency::FromRaw(123456), "text", U'\u00E9', -7, "x", &X, 0.0,
            Extended(1e300L), Star},
           Set);
  } catch (const EConvertError&) {
  }
  // A single directive with a width pads to exactly that width.
  Integer Width = In.ConsumeIntegralInRange<Integer>(0, 300);
  String Text = In.ConsumeRandomLengthString(16);
  String Padded = Format("%*s|%-*s", {Width, Text, Width, Text}, Set);
  Integer Expected = std::max(Width, Length(Text));
  FUZZ_CHECK(Length(Padded) == 2 * Expected + 1, "Format pads to the width in characters",
        Shown(Text) + " width " + std::to_string(Width));
}

Extended PickValue(FuzzedDataProvider& In) {
  switch (In.ConsumeIntegralInRange(0, 3)) {
    case 0: {
      double D = 0;
      std::uint64_t Bits = In.ConsumeIntegral<std::uint64_t>();
      std::memcpy(&D, &Bits, sizeof D);
      return D;
    }
    case 1:
      return Extended(In.ConsumeIntegral<Int64>()) / 10000;
    case 2:
      return In.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
    default:
      return std::ldexp(Extended(In.ConsumeIntegral<Int64>()), In.ConsumeIntegralInRange(-80, 16));
  }
}

void CheckPictures(FuzzedDataProvider& In, const TFormatSettings& Set) {
  String Picture = In.ConsumeRandomLengthString(48);
  Extended V = PickValue(In);
  FormatFloat(Picture, V, Set);
  FormatCurr(Picture, Currency::FromRaw(In.ConsumeIntegral<Int64>()), Set);
  String DateFormat = In.ConsumeRandomLengthString(48);
  double When = In.ConsumeFloatingPointInRange<double>(-700000, 3000000);
  FormatDateTime(DateFormat, When, Set);
  FormatDateTime(DateFormat, PickValue(In), Set);
  String Mask = In.ConsumeRandomLengthString(32);
  String Value = In.ConsumeRandomLengthString(32);
  String Masked = FormatMaskText(Mask, Value);
  FUZZ_CHECK(Length(Masked) == TEditMask(Mask).Count(), "FormatMaskText fills every mask position",
        Shown(Mask) + " " + Shown(Value) + " -> " + Shown(Masked));
}

// The text with thousand separators taken out, as the float reader wants it.
String WithoutGrouping(const String& S, const TFormatSettings& Set) {
  String Sep = SeparatorText(Set.ThousandSeparator);
  if (Sep.empty()) return S;
  String R;
  for (std::size_t I = 0; I < S.size();) {
    if (S.compare(I, Sep.size(), Sep) == 0) {
      I += Sep.size();
    } else {
      R += S[I++];
    }
  }
  return R;
}

void CheckFloatFormats(FuzzedDataProvider& In, const TFormatSettings& Set) {
  Extended V = PickValue(In);
  if (!std::isfinite(V)) {
    FUZZ_CHECK(FloatToStrF(V, ffFixed, 15, 2, Set) == (std::isnan(V) ? "NAN" : V > 0 ? "INF" : "-INF"),
          "what is not a number prints its name");
    return;
  }
  Integer Precision = In.ConsumeIntegralInRange<Integer>(-5, 40);
  Integer Digits = In.ConsumeIntegralInRange<Integer>(-5, 40);
  TFloatFormat Kind = kvfuzz::PickOne(In, {ffFixed, ffNumber, ffExponent, ffGeneral});
  String Text = FloatToStrF(V, Kind, Precision, Digits, Set);
  Extended Back = 0;
  FUZZ_CHECK(TryStrToFloat(WithoutGrouping(Text, Set), Back, Set), "a formatted float reads back",
        Shown(Text));
  // Significant digits are held to 2..18, decimals to 0..18; the value is
  // taken to 18 digits first.
  Integer Kept = std::clamp(Precision, 2, 18);
  Extended Magnitude = std::fabs(V);
  Extended Rounding = Magnitude * 6 * std::pow(10.0L, -Kept);
  if (Kind == ffFixed || Kind == ffNumber)
    Rounding = std::max(Rounding, 0.5L * std::pow(10.0L, -std::clamp(Digits, 0, 18)) * 1.000001L);
  Extended Tolerance = Rounding + Magnitude * 1e-17L;  // the 18 digits taken first
  FUZZ_CHECK(std::fabs(Back - V) <= Tolerance + 1e-4930L, "a formatted float is the value rounded",
        Shown(Text) + " from " + FloatToStrF(V, ffGeneral, 18, 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  TFormatSettings Set = kvfuzz::PickSettings(In);
  CheckFormat(In, Set);
  CheckPictures(In, Set);
  CheckFloatFormats(In, Set);
  return 0;
}
