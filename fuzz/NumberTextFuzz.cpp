// Fuzz target: text read as a number, under settings drawn from the input:
// StrToFloat (Extended and Double), StrToCurr, StrToInt, StrToInt64 and
// StrToBool. Properties checked:
//   - nothing crashes; a refusal is the Try form's false and the raising
//     form's EConvertError, never anything else;
//   - a value read writes back to text that reads to the same value: a Double
//     through 17 significant digits, a Currency through CurrToStr, integers
//     through IntToStr;
//   - the float and the currency read of one text agree to within the
//     currency's rounding, and an Integer read equals the Int64 read of the
//     same decimal text.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cmath>
#include <cstdint>

#include "FuzzSupport.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

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

void CheckFloat(const String& S, const TFormatSettings& Set) {
  Extended Wide = 0;
  bool Ok = TryStrToFloat(S, Wide, Set);
  FUZZ_CHECK(Ok != Raises([&] { StrToFloat(S, Set); }), "StrToFloat raises exactly when TryStrToFloat fails",
        Shown(S));
  if (!Ok) return;
  FUZZ_CHECK(std::isfinite(Wide), "a number read is finite", Shown(S));
  Double Narrow = 0;
  if (!TryStrToFloat(S, Narrow, Set)) {
    FUZZ_CHECK(std::fabs(Wide) > 1e308L, "a Double read fails only past the Double range", Shown(S));
    return;
  }
  String Back = FloatToStrF(Narrow, ffGeneral, 17, 0, Set);
  Double Again = 0;
  FUZZ_CHECK(TryStrToFloat(Back, Again, Set) && Again == Narrow,
        "a Double written with 17 digits reads back to itself", Shown(S) + " -> " + Shown(Back));
}

void CheckCurrency(const String& S, const TFormatSettings& Set) {
  Currency C;
  bool Ok = TryStrToCurr(S, C, Set);
  FUZZ_CHECK(Ok != Raises([&] { StrToCurr(S, Set); }), "StrToCurr raises exactly when TryStrToCurr fails",
        Shown(S));
  if (!Ok) return;
  String Back = CurrToStr(C, Set);
  Currency Again;
  FUZZ_CHECK(TryStrToCurr(Back, Again, Set) && Again == C, "a Currency written reads back to itself",
        Shown(S) + " -> " + Shown(Back));
  Extended Wide = 0;
  FUZZ_CHECK(TryStrToFloat(S, Wide, Set), "text read as a Currency reads as a float too", Shown(S));
  Extended Diff = std::fabs(Wide - C.ToDouble());
  FUZZ_CHECK(Diff <= 0.00005L + std::fabs(Wide) * 1e-17L, "float and Currency reads agree",
        Shown(S) + " float " + FloatToStrF(Wide, ffGeneral, 18, 0) + " currency " + Back);
}

void CheckIntegers(const String& S) {
  Integer I = 0;
  Int64 L = 0;
  bool OkI = TryStrToInt(S, I), OkL = TryStrToInt64(S, L);
  FUZZ_CHECK(OkI != Raises([&] { StrToInt(S); }), "StrToInt raises exactly when TryStrToInt fails",
        Shown(S));
  FUZZ_CHECK(OkL != Raises([&] { StrToInt64(S); }), "StrToInt64 raises exactly when TryStrToInt64 fails",
        Shown(S));
  if (OkI) {
    Integer Again = 0;
    FUZZ_CHECK(TryStrToInt(IntToStr(I), Again) && Again == I, "an Integer reads back", Shown(S));
  }
  if (OkL) {
    Int64 Again = 0;
    FUZZ_CHECK(TryStrToInt64(IntToStr(L), Again) && Again == L, "an Int64 reads back", Shown(S));
  }
  // Hexadecimal fills the type's bits ($FFFFFFFF is -1 as an Integer), so only
  // decimal text is compared across the two widths.
  bool Hex = S.find_first_of("$xX") != String::npos;
  if (!Hex && OkL && L >= INT32_MIN && L <= INT32_MAX)
    FUZZ_CHECK(OkI && I == L, "a decimal Int64 in the Integer range reads as that Integer", Shown(S));
  if (!Hex && OkI) FUZZ_CHECK(OkL && L == I, "a decimal Integer reads as the same Int64", Shown(S));
  bool B = false;
  bool OkB = TryStrToBool(S, B);
  if (OkL) FUZZ_CHECK(OkB && B == (L != 0), "an integer reads as a Boolean", Shown(S));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  TFormatSettings Set = kvfuzz::PickSettings(In);
  String S = In.ConsumeRemainingBytesAsString();
  CheckFloat(S, Set);
  CheckCurrency(S, Set);
  CheckIntegers(S);
  return 0;
}
