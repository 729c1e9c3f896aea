#include "platform/rtl/Numbers.h"

#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

constexpr Extended Int64Limit = 9223372036854775808.0L;  // 2^63

[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

// Raises unless the whole number X fits in an Int64.
Int64 CheckedInt64(Extended X) {
  if (!(X >= -Int64Limit && X < Int64Limit)) RaiseInvalidOp();
  return Int64(X);
}

Integer CheckedInteger(Extended X) {
  if (!(X >= Extended(std::numeric_limits<Integer>::min()) &&
        X <= Extended(std::numeric_limits<Integer>::max())))
    RaiseInvalidOp();
  return Integer(X);
}

}  // namespace

Int64 Round(Extended X) {
  Extended Lower = std::floor(X);
  Extended Diff = X - Lower;  // exact for finite X: both lie in the same binade or below
  Extended Result = Lower;
  if (Diff > 0.5L || (Diff == 0.5L && std::fmod(Lower, 2.0L) != 0)) Result = Lower + 1;
  return CheckedInt64(Result);
}

Int64 Trunc(Extended X) { return CheckedInt64(std::trunc(X)); }

Extended Frac(Extended X) { return X - std::trunc(X); }

Extended Int(Extended X) { return std::trunc(X); }

Integer Ceil(Extended X) { return CheckedInteger(std::ceil(X)); }

Integer Floor(Extended X) { return CheckedInteger(std::floor(X)); }

Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator) {
  if (Denominator == 0) return -1;
  Int64 Product = Int64(Number) * Numerator;
  Int64 Quotient = Product / Denominator;
  Int64 Remainder = Product % Denominator;
  // Half away from zero: push the quotient outwards when the remainder is at
  // least half the divisor.
  if (2 * (Remainder < 0 ? -Remainder : Remainder) >=
      (Denominator < 0 ? -Int64(Denominator) : Int64(Denominator)))
    Quotient += ((Product < 0) != (Denominator < 0)) ? -1 : 1;
  if (Quotient < std::numeric_limits<Integer>::min() ||
      Quotient > std::numeric_limits<Integer>::max())
    return -1;
  return Integer(Quotient);
}

Integer Min(Integer A, Integer B) { return A < B ? A : B; }
Cardinal Min(Cardinal A, Cardinal B) { return A < B ? A : B; }
Int64 Min(Int64 A, Int64 B) { return A < B ? A : B; }
UInt64 Min(UInt64 A, UInt64 B) { return A < B ? A : B; }
Double Min(Double A, Double B) { return A < B ? A : B; }
Extended Min(Extended A, Extended B) { return A < B ? A : B; }
Integer Max(Integer A, Integer B) { return A > B ? A : B; }
Cardinal Max(Cardinal A, Cardinal B) { return A > B ? A : B; }
Int64 Max(Int64 A, Int64 B) { return A > B ? A : B; }
UInt64 Max(UInt64 A, UInt64 B) { return A > B ? A : B; }
Double Max(Double A, Double B) { return A > B ? A : B; }
Extended Max(Extended A, Extended B) { return A > B ? A : B; }

bool IsNan(Extended X) { return std::isnan(X); }

bool IsInfinite(Extended X) { return std::isinf(X); }

Extended Power(Extended Base, Extended Exponent) {
  if (Exponent == std::trunc(Exponent) && std::fabs(Exponent) <= 2147483647.0L)
    return IntPower(Base, Integer(Exponent));
  return std::pow(Base, Exponent);
}

Extended IntPower(Extended Base, Integer Exponent) {
  // Widen before negating, so that the most negative Integer has a magnitude.
  Int64 N = Exponent < 0 ? -Int64(Exponent) : Int64(Exponent);
  Extended Result = 1;
  Extended Square = Base;
  while (N > 0) {
    if (N & 1) Result *= Square;
    Square *= Square;
    N >>= 1;
  }
  return Exponent < 0 ? 1 / Result : Result;
}

bool SameValue(Extended A, Extended B, Extended Epsilon) {
  if (Epsilon == 0) {
    constexpr Extended Resolution = 1E-16L;
    Epsilon = Max(Min(std::fabs(A), std::fabs(B)) * Resolution, Resolution);
  }
  return std::fabs(A - B) <= Epsilon;
}

bool SameValue(Double A, Double B, Double Epsilon) {
  if (Epsilon == 0) {
    constexpr Double Resolution = 1E-12;
    Epsilon = Max(Min(std::fabs(A), std::fabs(B)) * Resolution, Resolution);
  }
  return std::fabs(A - B) <= Epsilon;
}

Extended SimpleRoundTo(Extended Value, Integer Digit) {
  Extended Factor = IntPower(10, Digit);
  if (Value < 0) return Int(Value / Factor - 0.5L) * Factor;
  return Int(Value / Factor + 0.5L) * Factor;
}

}  // namespace kvp
