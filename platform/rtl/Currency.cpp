#include "platform/rtl/Currency.h"

#include <cmath>
#include <cstdio>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

using Int128 = __int128;

[[noreturn]] void RaiseOverflow(const char* Operation) {
  throw EOverflow(String("Currency overflow in ") + Operation);
}

Int64 CheckedRaw(Int128 Value, const char* Operation) {
  if (Value < std::numeric_limits<Int64>::min() || Value > std::numeric_limits<Int64>::max())
    RaiseOverflow(Operation);
  return Int64(Value);
}

// Numerator / Denominator rounded half to even.
Int128 DivideHalfEven(Int128 Numerator, Int128 Denominator) {
  Int128 Quotient = Numerator / Denominator;
  Int128 Remainder = Numerator % Denominator;
  Int128 Twice = 2 * (Remainder < 0 ? -Remainder : Remainder);
  Int128 Divisor = Denominator < 0 ? -Denominator : Denominator;
  if (Twice > Divisor || (Twice == Divisor && Quotient % 2 != 0))
    Quotient += ((Numerator < 0) != (Denominator < 0)) ? -1 : 1;
  return Quotient;
}

}  // namespace

Int64 Currency::ScaleWhole(Int64 Value) {
  Int128 Raw = Int128(Value) * Scale;
  if (Raw < std::numeric_limits<Int64>::min() || Raw > std::numeric_limits<Int64>::max())
    throw EOverflow("Cannot convert " + std::to_string(Value) + " to Currency: out of range");
  return Int64(Raw);
}

Int64 Currency::ScaleWhole(UInt64 Value) {
  if (Value > UInt64(std::numeric_limits<Int64>::max() / Scale))
    throw EOverflow("Cannot convert " + std::to_string(Value) + " to Currency: out of range");
  return Int64(Value) * Scale;
}

Currency Currency::FromDouble(Extended Value) {
  if (!std::isfinite(Value)) {
    char Text[64];
    std::snprintf(Text, sizeof Text, "%Lg", Value);
    throw EOverflow(String("Cannot convert ") + Text + " to Currency");
  }
  // Value = Mantissa * 2^(Exponent - 64) exactly; scale the 64-bit mantissa
  // by 10000 in 128 bits and shift with half-to-even rounding, so that no
  // intermediate floating rounding can move a tie.
  int Exponent = 0;
  Extended Fraction = std::frexp(std::fabs(Value), &Exponent);
  auto Mantissa = Int128(std::ldexp(Fraction, 64));
  int Shift = 64 - Exponent;
  Int128 Scaled = 0;
  if (Value == 0) {
    Scaled = 0;
  } else if (Shift <= 0) {
    if (Shift < -40) Shift = -40;  // far beyond the range either way
    Scaled = (Mantissa * Scale) << -Shift;
  } else if (Shift >= 100) {
    Scaled = 0;  // below half a ten-thousandth
  } else {
    Int128 Numerator = Mantissa * Scale;
    Int128 Quotient = Numerator >> Shift;
    Int128 Remainder = Numerator - (Quotient << Shift);
    Int128 Half = Int128(1) << (Shift - 1);
    if (Remainder > Half || (Remainder == Half && (Quotient & 1))) ++Quotient;
    Scaled = Quotient;
  }
  if (Value < 0) Scaled = -Scaled;
  if (Scaled < std::numeric_limits<Int64>::min() || Scaled > std::numeric_limits<Int64>::max()) {
    char Text[64];
    std::snprintf(Text, sizeof Text, "%.18Lg", Value);
    throw EOverflow(String("Cannot convert ") + Text + " to Currency: out of range");
  }
  return FromRaw(Int64(Scaled));
}

Currency operator+(Currency A, Currency B) {
  return Currency::FromRaw(CheckedRaw(Int128(A.FRaw) + B.FRaw, "addition"));
}

Currency operator-(Currency A, Currency B) {
  return Currency::FromRaw(CheckedRaw(Int128(A.FRaw) - B.FRaw, "subtraction"));
}

Currency operator*(Currency A, Currency B) {
  Int128 Product = DivideHalfEven(Int128(A.FRaw) * B.FRaw, Currency::Scale);
  return Currency::FromRaw(CheckedRaw(Product, "multiplication"));
}

Currency operator/(Currency A, Currency B) {
  if (B.FRaw == 0) throw EZeroDivide("Currency division by zero");
  Int128 Quotient = DivideHalfEven(Int128(A.FRaw) * Currency::Scale, B.FRaw);
  return Currency::FromRaw(CheckedRaw(Quotient, "division"));
}

Currency Currency::operator-() const { return FromRaw(CheckedRaw(-Int128(FRaw), "negation")); }

Int64 Round(Currency Value) { return Int64(DivideHalfEven(Value.GetRaw(), Currency::Scale)); }

}  // namespace kvp
