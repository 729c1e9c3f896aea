// TSet: a set of the members of an enumeration, as the platform's option,
// state and style sets are (ComponentState, ControlStyle, a grid's Options,
// font styles, shift state). Members are the enumeration's values 0..63.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace kvp {

template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Members) {
    for (E M : Members) FBits |= Bit(M);
  }

  constexpr bool Contains(E M) const { return (FBits & Bit(M)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E M) {
    FBits |= Bit(M);
    return *this;
  }
  constexpr TSet& Exclude(E M) {
    FBits &= ~Bit(M);
    return *this;
  }

  // Union, difference and intersection, as the platform's +, - and *.
  friend constexpr TSet operator+(TSet A, TSet B) { return FromBits(A.FBits | B.FBits); }
  friend constexpr TSet operator-(TSet A, TSet B) { return FromBits(A.FBits & ~B.FBits); }
  friend constexpr TSet operator*(TSet A, TSet B) { return FromBits(A.FBits & B.FBits); }
  friend constexpr TSet operator+(TSet A, E M) { return A.Include(M); }
  friend constexpr TSet operator-(TSet A, E M) { return A.Exclude(M); }
  constexpr TSet& operator+=(TSet B) { return *this = *this + B; }
  constexpr TSet& operator-=(TSet B) { return *this = *this - B; }
  constexpr TSet& operator*=(TSet B) { return *this = *this * B; }
  constexpr TSet& operator+=(E M) { return Include(M); }
  constexpr TSet& operator-=(E M) { return Exclude(M); }
  friend constexpr bool operator==(TSet A, TSet B) = default;
  // A <= B: every member of A is in B.
  friend constexpr bool operator<=(TSet A, TSet B) { return (A.FBits & ~B.FBits) == 0; }

  constexpr std::uint64_t GetBits() const { return FBits; }
  static constexpr TSet FromBits(std::uint64_t Bits) {
    TSet S;
    S.FBits = Bits;
    return S;
  }

 private:
  static constexpr std::uint64_t Bit(E M) { return std::uint64_t(1) << unsigned(M); }
  std::uint64_t FBits = 0;
};

// A set of characters 0..255, as the platform's `set of Char` (valid characters
// of a field, word delimiters).
class TCharSet {
 public:
  constexpr TCharSet() = default;
  constexpr TCharSet(std::initializer_list<unsigned char> Chars) {
    for (unsigned char C : Chars) Include(C);
  }
  static constexpr TCharSet Range(unsigned char First, unsigned char Last) {
    TCharSet S;
    for (unsigned C = First; C <= Last; ++C) S.Include(static_cast<unsigned char>(C));
    return S;
  }
  // Code points above 255 are never members.
  constexpr bool Contains(char32_t C) const {
    return C < 256 && (FBits[C >> 6] & (std::uint64_t(1) << (C & 63))) != 0;
  }
  constexpr TCharSet& Include(unsigned char C) {
    FBits[C >> 6] |= std::uint64_t(1) << (C & 63);
    return *this;
  }
  constexpr TCharSet& Exclude(unsigned char C) {
    FBits[C >> 6] &= ~(std::uint64_t(1) << (C & 63));
    return *this;
  }
  constexpr bool Empty() const { return !(FBits[0] | FBits[1] | FBits[2] | FBits[3]); }
  friend constexpr TCharSet operator+(TCharSet A, const TCharSet& B) {
    for (int I = 0; I < 4; ++I) A.FBits[I] |= B.FBits[I];
    return A;
  }
  friend constexpr TCharSet operator-(TCharSet A, const TCharSet& B) {
    for (int I = 0; I < 4; ++I) A.FBits[I] &= ~B.FBits[I];
    return A;
  }
  friend constexpr bool operator==(const TCharSet&, const TCharSet&) = default;

 private:
  std::uint64_t FBits[4] = {};
};

}  // namespace kvp
