// Rounding and arithmetic helpers of the platform layer. Round rounds half to
// even (the platform's rule, not std::round); MulDiv is the system's scaled
// product, rounded half away from zero and -1 on a zero divisor or overflow.
// Conversions that cannot give an Int64 or Integer raise EInvalidOp instead of
// leaving the result to the compiler.
#pragma once

#include <limits>

#include "platform/rtl/Types.h"

namespace kvp {

inline constexpr Extended NaN = std::numeric_limits<Extended>::quiet_NaN();
inline constexpr Extended Infinity = std::numeric_limits<Extended>::infinity();
inline constexpr Extended NegInfinity = -std::numeric_limits<Extended>::infinity();

// The nearest integer; a half goes to the even neighbour (Round(2.5) = 2).
Int64 Round(Extended X);
// The integer part, towards zero.
Int64 Trunc(Extended X);
// The fraction, with the sign of X: Frac(-1.25) = -0.25.
Extended Frac(Extended X);
// The integer part as a floating value: Int(-1.75) = -1.
Extended Int(Extended X);
// The smallest integer >= X / the largest integer <= X.
Integer Ceil(Extended X);
Integer Floor(Extended X);

// Number * Numerator / Denominator on a 64-bit product, rounded half away from
// zero; -1 when Denominator is 0 or the result does not fit in an Integer.
Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator);

Integer Min(Integer A, Integer B);
Cardinal Min(Cardinal A, Cardinal B);
Int64 Min(Int64 A, Int64 B);
UInt64 Min(UInt64 A, UInt64 B);
Double Min(Double A, Double B);
Extended Min(Extended A, Extended B);
Integer Max(Integer A, Integer B);
Cardinal Max(Cardinal A, Cardinal B);
Int64 Max(Int64 A, Int64 B);
UInt64 Max(UInt64 A, UInt64 B);
Double Max(Double A, Double B);
Extended Max(Extended A, Extended B);

bool IsNan(Extended X);
// True for +INF and -INF.
bool IsInfinite(Extended X);

// Base raised to any power; an integral exponent goes through IntPower.
Extended Power(Extended Base, Extended Exponent);
// Base raised to an integer power by repeated squaring; a negative exponent
// gives the reciprocal.
Extended IntPower(Extended Base, Integer Exponent);

// |A - B| <= Epsilon. An Epsilon of 0 means "a relative tolerance fitted to the
// type": 1E-16 times the smaller magnitude for Extended, 1E-12 for Double.
bool SameValue(Extended A, Extended B, Extended Epsilon = 0);
bool SameValue(Double A, Double B, Double Epsilon = 0);

// Rounds to a multiple of 10^Digit (Digit -2 = cents), half away from zero.
Extended SimpleRoundTo(Extended Value, Integer Digit = -2);

}  // namespace kvp
