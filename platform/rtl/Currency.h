// Currency: the platform's fixed-point money type, a 64-bit integer counting
// ten-thousandths. Arithmetic is exact where it can be and rounds half to even
// where it cannot (products and quotients, conversion from floating values);
// every result that leaves the range raises EOverflow, division by zero
// raises EZeroDivide.
#pragma once

#include <compare>
#include <concepts>
#include <limits>
#include <type_traits>

#include "platform/rtl/Types.h"

namespace kvp {

// Currency: an amount with four decimals. Whole numbers convert implicitly and
// exactly (Currency C = 5;); floating values go through FromDouble, and the
// stored integer is reached with FromRaw/GetRaw.
class Currency {
 public:
  static constexpr Int64 Scale = 10000;  // raw units per whole unit

  constexpr Currency() = default;
  template <std::integral T>
  requires(!std::same_as<T, bool>) Currency(T Value) : FRaw(FromWhole(Value)) {}

  static constexpr Currency FromRaw(Int64 Raw) {
    Currency Result;
    Result.FRaw = Raw;
    return Result;
  }
  // Rounds half to even on the fifth decimal; NaN, infinities and values
  // outside the range raise EOverflow.
  static Currency FromDouble(Extended Value);

  constexpr Int64 GetRaw() const { return FRaw; }
  Extended ToDouble() const { return Extended(FRaw) / Scale; }

  friend Currency operator+(Currency A, Currency B);
  friend Currency operator-(Currency A, Currency B);
  friend Currency operator*(Currency A, Currency B);
  friend Currency operator/(Currency A, Currency B);
  Currency operator-() const;
  Currency& operator+=(Currency B) { return *this = *this + B; }
  Currency& operator-=(Currency B) { return *this = *this - B; }
  Currency& operator*=(Currency B) { return *this = *this * B; }
  Currency& operator/=(Currency B) { return *this = *this / B; }

  friend constexpr bool operator==(Currency A, Currency B) { return A.FRaw == B.FRaw; }
  friend constexpr std::strong_ordering operator<=>(Currency A, Currency B) {
    return A.FRaw <=> B.FRaw;
  }

 private:
  template <typename T>
  static Int64 FromWhole(T Value) {
    if constexpr (std::is_signed_v<T>)
      return ScaleWhole(Int64(Value));
    else
      return ScaleWhole(UInt64(Value));
  }
  static Int64 ScaleWhole(Int64 Value);
  static Int64 ScaleWhole(UInt64 Value);

  Int64 FRaw = 0;  // the amount times 10000
};

inline constexpr Currency MinCurrency = Currency::FromRaw(std::numeric_limits<Int64>::min());
inline constexpr Currency MaxCurrency = Currency::FromRaw(std::numeric_limits<Int64>::max());

// The nearest whole number, a half to the even neighbour.
Int64 Round(Currency Value);

}  // namespace kvp
