// Index
// [SECTION] Decimal digits     TDecimal, FromFloat, FromCurrency, RoundDigits
// [SECTION] Float formats      FormatGeneral, FormatExponent, PlaceCurrency, FormatDecimal
// [SECTION] Picture formats    SplitSections, ParseLayout, FormatPicture, FormatSections
// [SECTION] Scanning numbers   ScanNumber, ScannedToFloat, ScannedToCurrency
// [SECTION] Public formatting  FloatToStrF, FormatFloat, FormatCurr, CurrToStrF ...
// [SECTION] Parsing            TryStrToFloat, StrToFloat, TryStrToCurr, StrToCurr ...
#include "platform/rtl/FloatFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace kvp {

namespace {

// [SECTION] Decimal digits ---------------------------------------------------

constexpr Integer MaxFloatDigits = 18;
constexpr Integer MaxCurrencyDigits = 19;

// A number as decimal digits: Value = 0.Digits x 10^Exponent. Digits has no
// leading or trailing zeros; it is empty for zero.
struct TDecimal {
  enum TKind { dkFinite, dkInfinite, dkNaN };
  TKind Kind = dkFinite;
  bool Negative = false;
  Integer Exponent = 0;
  std::string Digits;
  Integer MaxDigits = MaxFloatDigits;  // significant digits the source can carry

  bool IsZero() const { return Digits.empty(); }
};

void TrimTrailingZeros(TDecimal& D) {
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) D.Exponent = 0;
}

// The exact binary value taken to 18 significant digits. IEEE -0.0 is plain 0.
TDecimal FromFloat(Extended Value) {
  TDecimal D;
  if (std::isnan(Value)) {
    D.Kind = TDecimal::dkNaN;
    return D;
  }
  D.Negative = Value < 0;
  if (std::isinf(Value)) {
    D.Kind = TDecimal::dkInfinite;
    return D;
  }
  if (Value == 0) {
    D.Negative = false;
    return D;
  }
  char Buffer[64];
  const Extended Magnitude = std::fabs(Value);
  const double AsDouble = double(Magnitude);
  if (Extended(AsDouble) == Magnitude) {
    // A value that a double holds exactly (every field's value) has the same
    // correctly rounded digits either way; the double conversion is many
    // times faster than the long double one.
    const std::to_chars_result End = std::to_chars(Buffer, Buffer + sizeof Buffer - 1, AsDouble,
                                                   std::chars_format::scientific, 17);
    *End.ptr = 0;
  } else {
    std::snprintf(Buffer, sizeof Buffer, "%.17Le", Magnitude);
  }
  // "d.ddddddddddddddddde+XX"
  D.Digits += Buffer[0];
  D.Digits.append(Buffer + 2, 17);
  D.Exponent = Integer(std::strtol(Buffer + 20, nullptr, 10)) + 1;
  TrimTrailingZeros(D);
  return D;
}

TDecimal FromCurrency(Currency Value) {
  TDecimal D;
  D.MaxDigits = MaxCurrencyDigits;
  Int64 Raw = Value.GetRaw();
  D.Negative = Raw < 0;
  UInt64 Magnitude = Raw < 0 ? UInt64(0) - UInt64(Raw) : UInt64(Raw);
  if (Magnitude == 0) {
    D.Negative = false;
    return D;
  }
  D.Digits = std::to_string(Magnitude);
  D.Exponent = Integer(D.Digits.size()) - 4;
  TrimTrailingZeros(D);
  return D;
}

// Keeps the first Count significant digits, rounding half away from zero.
// A Count of 0 or less can still round up to a single 1.
void RoundDigits(TDecimal& D, Integer Count) {
  if (D.IsZero() || Count >= Integer(D.Digits.size())) return;
  bool RoundUp = Count >= 0 && D.Digits[Count] >= '5';
  D.Digits.resize(Count > 0 ? std::size_t(Count) : 0);
  if (RoundUp) {
    Integer I = Integer(D.Digits.size()) - 1;
    while (I >= 0 && D.Digits[I] == '9') D.Digits[I--] = '0';
    if (I >= 0) {
      ++D.Digits[I];
    } else {
      D.Digits.insert(D.Digits.begin(), '1');
      ++D.Exponent;
    }
  }
  TrimTrailingZeros(D);
}

void RoundToDecimals(TDecimal& D, Integer Decimals) { RoundDigits(D, D.Exponent + Decimals); }

// The digit at Index of 0.Digits, zero beyond the stored ones.
char DigitAt(const TDecimal& D, Integer Index) {
  return Index >= 0 && Index < Integer(D.Digits.size()) ? D.Digits[Index] : '0';
}

// The whole-number digits ("" for a value below 1).
std::string IntegerDigits(const TDecimal& D) {
  std::string Result;
  for (Integer I = 0; I < D.Exponent; ++I) Result += DigitAt(D, I);
  return Result;
}

// The fraction digits up to the last significant one, with the zeros that
// stand between the point and the first digit of a value below 0.1.
std::string FractionDigits(const TDecimal& D) {
  std::string Result;
  for (Integer I = D.Exponent; I < Integer(D.Digits.size()); ++I) Result += DigitAt(D, I);
  return Result;
}

String Group(const std::string& Digits, const String& Separator) {
  String Result;
  Integer Count = Integer(Digits.size());
  for (Integer I = 0; I < Count; ++I) {
    Result += Digits[I];
    Integer Remaining = Count - I - 1;
    if (Remaining > 0 && Remaining % 3 == 0) Result += Separator;
  }
  return Result;
}

String ExponentText(Integer Exponent, bool AlwaysSign, Integer MinDigits) {
  String Result;
  if (Exponent < 0)
    Result += '-';
  else if (AlwaysSign)
    Result += '+';
  std::string Digits = std::to_string(Exponent < 0 ? -Exponent : Exponent);
  if (Integer(Digits.size()) < MinDigits) Digits.insert(0, MinDigits - Digits.size(), '0');
  return Result + Digits;
}

String SpecialText(const TDecimal& D) {
  if (D.Kind == TDecimal::dkNaN) return "NAN";
  return D.Negative ? "-INF" : "INF";
}

Integer Clamp(Integer Value, Integer Low, Integer High) {
  return Value < Low ? Low : (Value > High ? High : Value);
}

// [SECTION] Float formats ----------------------------------------------------

String SignOf(const TDecimal& D) { return D.Negative && !D.IsZero() ? "-" : ""; }

// The shortest text: fixed notation while -3 <= exponent <= Precision.
String FormatGeneral(TDecimal D, Integer Precision, Integer ExpDigits, const String& DecSep) {
  RoundDigits(D, Precision);
  if (D.IsZero()) return "0";
  String Result = SignOf(D);
  if (D.Exponent > Precision || D.Exponent < -3) {
    Result += D.Digits[0];
    if (D.Digits.size() > 1) Result += DecSep + D.Digits.substr(1);
    return Result + "E" + ExponentText(D.Exponent - 1, false, ExpDigits);
  }
  std::string Int = IntegerDigits(D);
  std::string Frac = FractionDigits(D);
  Result += Int.empty() ? "0" : Int;
  if (!Frac.empty()) Result += DecSep + Frac;
  return Result;
}

String FormatExponent(TDecimal D, Integer Precision, Integer ExpDigits, const String& DecSep) {
  RoundDigits(D, Precision);
  String Result = SignOf(D);
  Result += DigitAt(D, 0);
  if (Precision > 1) {
    Result += DecSep;
    for (Integer I = 1; I < Precision; ++I) Result += DigitAt(D, I);
  }
  return Result + "E" + ExponentText(D.IsZero() ? 0 : D.Exponent - 1, true, ExpDigits);
}

// The unsigned digits of a fixed-notation number with exactly Decimals
// decimals, grouped when a separator is given.
String FixedDigits(const TDecimal& D, Integer Decimals, const String& GroupSep,
                   const String& DecSep) {
  std::string Int = IntegerDigits(D);
  if (Int.empty()) Int = "0";
  String Result = GroupSep.empty() ? String(Int) : Group(Int, GroupSep);
  if (Decimals > 0) {
    Result += DecSep;
    for (Integer I = 0; I < Decimals; ++I) Result += DigitAt(D, D.Exponent + I);
  }
  return Result;
}

// Puts the currency string and the sign around an amount's digits.
String PlaceCurrency(const String& Amount, bool Negative, const TFormatSettings& Settings) {
  static const char* const Positive[] = {"$1", "1$", "$ 1", "1 $"};
  static const char* const NegativeForms[] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                              "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                              "$ -1", "1- $", "($ 1)", "(1 $)"};
  const char* Pattern = Negative ? NegativeForms[Clamp(Settings.NegCurrFormat, 0, 15)]
                                 : Positive[Clamp(Settings.CurrencyFormat, 0, 3)];
  String Result;
  for (const char* P = Pattern; *P; ++P) {
    if (*P == '$')
      Result += Settings.CurrencyString;
    else if (*P == '1')
      Result += Amount;
    else
      Result += *P;
  }
  return Result;
}

String FormatDecimal(TDecimal D, TFloatFormat Format, Integer Precision, Integer Digits,
                     const TFormatSettings& Settings) {
  if (D.Kind != TDecimal::dkFinite) return SpecialText(D);
  String DecSep = SeparatorText(Settings.DecimalSeparator);
  Precision = Clamp(Precision, 2, D.MaxDigits);
  switch (Format) {
    case ffGeneral:
      return FormatGeneral(D, Precision, Clamp(Digits, 0, 4), DecSep);
    case ffExponent:
      return FormatExponent(D, Precision, Clamp(Digits, 0, 4), DecSep);
    case ffFixed:
    case ffNumber:
    case ffCurrency:
      break;
  }
  Digits = Clamp(Digits, 0, 18);
  RoundDigits(D, std::min(Precision, D.Exponent + Digits));
  // More whole digits than the precision can hold: fall back to the
  // shortest form rather than print invented digits.
  if (D.Exponent > Precision) return FormatGeneral(D, Precision, 0, DecSep);
  String GroupSep = Format == ffFixed ? String() : SeparatorText(Settings.ThousandSeparator);
  String Amount = FixedDigits(D, Digits, GroupSep, DecSep);
  bool Negative = D.Negative && !D.IsZero();
  if (Format == ffCurrency) return PlaceCurrency(Amount, Negative, Settings);
  return (Negative ? "-" : "") + Amount;
}

// [SECTION] Picture formats --------------------------------------------------

// Splits a picture format at the semicolons outside quotes (at most three).
std::vector<String> SplitSections(const String& Format) {
  std::vector<String> Sections(1);
  char Quote = 0;
  for (char C : Format) {
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == ';') {
      if (Sections.size() == 3) break;
      Sections.emplace_back();
      continue;
    }
    Sections.back() += C;
  }
  return Sections;
}

bool IsExponentAt(const String& Section, std::size_t I) {
  return (Section[I] == 'E' || Section[I] == 'e') && I + 1 < Section.size() &&
         (Section[I + 1] == '+' || Section[I + 1] == '-');
}

// What one section asks for, read before any digit is written.
struct TPictureLayout {
  Integer IntPlaceholders = 0;   // 0 and # before the decimal point
  Integer IntZeros = 0;          // whole digits always shown (from the first 0 on)
  Integer FracPlaceholders = 0;  // 0 and # after the decimal point
  Integer FracZeros = 0;         // decimals always shown (up to the last 0)
  bool Grouping = false;         // a comma in the whole part
  bool Scientific = false;       // an E+ / E- marker
};

TPictureLayout ParseLayout(const String& Section) {
  TPictureLayout L;
  bool AfterPoint = false;
  Integer FirstZero = -1;
  char Quote = 0;
  for (std::size_t I = 0; I < Section.size(); ++I) {
    char C = Section[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == '0' || C == '#') {
      if (!AfterPoint) {
        if (C == '0' && FirstZero < 0) FirstZero = L.IntPlaceholders;
        ++L.IntPlaceholders;
      } else {
        ++L.FracPlaceholders;
        if (C == '0') L.FracZeros = L.FracPlaceholders;
      }
    } else if (C == '.') {
      AfterPoint = true;
    } else if (C == ',') {
      if (!AfterPoint) L.Grouping = true;
    } else if (IsExponentAt(Section, I)) {
      L.Scientific = true;
      break;
    }
  }
  L.IntZeros = FirstZero < 0 ? 0 : L.IntPlaceholders - FirstZero;
  return L;
}

// The digits a section prints, worked out from the rounded value.
struct TPictureDigits {
  std::string Int;       // whole digits, padded to IntZeros
  std::string Frac;      // decimals, from FracZeros up to FracPlaceholders
  Integer Exponent = 0;  // the printed exponent (scientific only)
};

TPictureDigits PictureDigits(TDecimal& D, const TPictureLayout& L) {
  TPictureDigits P;
  if (L.Scientific) {
    Integer Significant = Clamp(L.IntPlaceholders + L.FracPlaceholders, 1, D.MaxDigits);
    RoundDigits(D, Significant);
    for (Integer I = 0; I < L.IntPlaceholders; ++I) P.Int += DigitAt(D, I);
    for (Integer I = L.IntPlaceholders; I < Integer(D.Digits.size()); ++I) P.Frac += D.Digits[I];
    P.Exponent = D.IsZero() ? 0 : D.Exponent - L.IntPlaceholders;
  } else {
    RoundToDecimals(D, L.FracPlaceholders);
    P.Int = IntegerDigits(D);
    P.Frac = FractionDigits(D);
    if (Integer(P.Int.size()) < L.IntZeros) P.Int.insert(0, L.IntZeros - P.Int.size(), '0');
  }
  if (Integer(P.Frac.size()) < L.FracZeros) P.Frac.append(L.FracZeros - P.Frac.size(), '0');
  return P;
}

// Writes one section: literals stay where they are, whole digits fill the
// placeholders from the right with any extra ones before the first, and the
// decimals fill the placeholders after the point from the left.
String FormatPicture(const String& Section, const TPictureLayout& L, const TPictureDigits& P,
                     const TFormatSettings& Settings) {
  String Result;
  String GroupSep = L.Grouping && !L.Scientific ? SeparatorText(Settings.ThousandSeparator) : "";
  Integer IntCount = Integer(P.Int.size());
  Integer IntSeen = 0;   // whole-number placeholders passed
  Integer FracSeen = 0;  // decimal placeholders passed
  bool AfterPoint = false;
  auto EmitInt = [&](Integer Index) {  // Index into P.Int
    Result += P.Int[Index];
    Integer Remaining = IntCount - Index - 1;
    if (!GroupSep.empty() && Remaining > 0 && Remaining % 3 == 0) Result += GroupSep;
  };
  auto EmitWhole = [&]() {  // all whole digits, for a section with no placeholder before '.'
    for (Integer I = 0; I < IntCount; ++I) EmitInt(I);
  };
  char Quote = 0;
  for (std::size_t I = 0; I < Section.size(); ++I) {
    char C = Section[I];
    if (Quote) {
      if (C == Quote)
        Quote = 0;
      else
        Result += C;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
    } else if ((C == '0' || C == '#') && !AfterPoint) {
      // Placeholder IntSeen of IntPlaceholders stands for the digit this far
      // from the right; the first also takes every digit to its left.
      Integer Position = L.IntPlaceholders - IntSeen;  // 1 = units
      if (IntSeen == 0)
        for (Integer K = 0; K < IntCount - L.IntPlaceholders; ++K) EmitInt(K);
      if (Position <= IntCount) EmitInt(IntCount - Position);
      ++IntSeen;
    } else if (C == '0' || C == '#') {
      if (FracSeen < Integer(P.Frac.size())) Result += P.Frac[FracSeen];
      ++FracSeen;
    } else if (C == '.') {
      if (AfterPoint) continue;
      if (L.IntPlaceholders == 0) EmitWhole();
      AfterPoint = true;
      if (!P.Frac.empty()) Result += SeparatorText(Settings.DecimalSeparator);
    } else if (C == ',') {
      continue;
    } else if (L.Scientific && IsExponentAt(Section, I)) {
      bool AlwaysSign = Section[I + 1] == '+';
      Integer MinDigits = 0;
      Result += C;
      I += 2;
      for (; I < Section.size() && (Section[I] == '0' || Section[I] == '#'); ++I)
        if (Section[I] == '0') ++MinDigits;
      --I;
      Result += ExponentText(P.Exponent, AlwaysSign, std::min(MinDigits, 4));
      AfterPoint = true;  // placeholders after the exponent print nothing more
      FracSeen = Integer(P.Frac.size());
    } else {
      Result += C;
    }
  }
  return Result;
}

// Picks the section for the unrounded value and writes it. Negative asks
// whether the value is below zero, Zero whether it is exactly zero.
String FormatSections(const String& Format, TDecimal D, const TFormatSettings& Settings,
                      String (*General)(const TDecimal&, const TFormatSettings&)) {
  if (D.Kind != TDecimal::dkFinite) return SpecialText(D);
  std::vector<String> Sections = SplitSections(Format);
  std::size_t Chosen = 0;
  if (D.Negative && Sections.size() >= 2 && !Sections[1].empty())
    Chosen = 1;
  else if (D.IsZero() && Sections.size() >= 3 && !Sections[2].empty())
    Chosen = 2;
  if (Sections[0].empty() && Chosen == 0) return General(D, Settings);
  // A section of its own for negatives carries its own sign, if any.
  bool UseMinus = Chosen == 0 && D.Negative;
  D.Negative = false;
  TPictureLayout Layout = ParseLayout(Sections[Chosen]);
  if (!Layout.Scientific && D.Exponent > MaxFloatDigits) {
    D.Negative = UseMinus;
    return General(D, Settings);
  }
  TPictureDigits Digits = PictureDigits(D, Layout);
  String Body = FormatPicture(Sections[Chosen], Layout, Digits, Settings);
  // No minus before a value that rounded to zero: "-0.00" is not shown.
  return (UseMinus && !D.IsZero() ? "-" : "") + Body;
}

String GeneralFloat(const TDecimal& D, const TFormatSettings& Settings) {
  return FormatDecimal(D, ffGeneral, 15, 0, Settings);
}

String GeneralCurrency(const TDecimal& D, const TFormatSettings& Settings) {
  return FormatDecimal(D, ffGeneral, MaxCurrencyDigits, 0, Settings);
}

// [SECTION] Scanning numbers -------------------------------------------------

// A number read from text: sign, all digits as written (without the decimal
// separator), how many of them stand before it, and the exponent.
struct TScannedNumber {
  bool Negative = false;
  std::string Digits;
  Integer IntDigits = 0;
  Int64 Exponent = 0;
};

bool ScanNumber(const String& S, const TFormatSettings& Settings, TScannedNumber& N) {
  std::size_t Begin = 0;
  std::size_t End = S.size();
  while (Begin < End && S[Begin] == ' ') ++Begin;
  while (End > Begin && S[End - 1] == ' ') --End;
  std::size_t I = Begin;
  if (I < End && (S[I] == '+' || S[I] == '-')) N.Negative = S[I++] == '-';
  while (I < End && S[I] >= '0' && S[I] <= '9') N.Digits += S[I++];
  N.IntDigits = Integer(N.Digits.size());
  String DecSep = SeparatorText(Settings.DecimalSeparator);
  if (!DecSep.empty() && S.compare(I, DecSep.size(), DecSep) == 0 && I + DecSep.size() <= End) {
    I += DecSep.size();
    while (I < End && S[I] >= '0' && S[I] <= '9') N.Digits += S[I++];
  }
  if (N.Digits.empty()) return false;
  if (I < End && (S[I] == 'e' || S[I] == 'E')) {
    ++I;
    bool NegativeExp = false;
    if (I < End && (S[I] == '+' || S[I] == '-')) NegativeExp = S[I++] == '-';
    if (I >= End || S[I] < '0' || S[I] > '9') return false;
    for (; I < End && S[I] >= '0' && S[I] <= '9'; ++I)
      if (N.Exponent < 100000) N.Exponent = N.Exponent * 10 + (S[I] - '0');
    if (NegativeExp) N.Exponent = -N.Exponent;
  }
  return I == End;
}

bool ScannedToFloat(const TScannedNumber& N, Extended& Value) {
  std::size_t First = N.Digits.find_first_not_of('0');
  if (First == std::string::npos) {
    Value = N.Negative ? -0.0L : 0.0L;
    return true;
  }
  // The decimal exponent of the leading digit decides overflow and underflow
  // before the conversion is asked.
  Int64 Magnitude = Int64(N.IntDigits) - Int64(First) + N.Exponent;
  if (Magnitude > 4933) return false;
  if (Magnitude < -4960) {
    Value = N.Negative ? -0.0L : 0.0L;
    return true;
  }
  std::string Text = N.Digits.substr(First) + "e" +
                     std::to_string(Int64(N.IntDigits) - Int64(N.Digits.size()) + N.Exponent);
  long double Result = 0;
  auto [Ptr, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Result);
  if (Error == std::errc::result_out_of_range) {
    if (Magnitude > 0) return false;
    Result = 0;
  } else if (Error != std::errc()) {
    return false;
  }
  Value = N.Negative ? -Result : Result;
  return true;
}

using UInt128 = unsigned __int128;

// Reads the digits exactly into ten-thousandths, rounding half to even.
bool ScannedToCurrency(const TScannedNumber& N, Currency& Value) {
  std::size_t First = N.Digits.find_first_not_of('0');
  if (First == std::string::npos) {
    Value = Currency();
    return true;
  }
  std::string Digits = N.Digits.substr(First);
  // Value = Digits x 10^Shift ten-thousandths.
  Int64 Shift = Int64(N.IntDigits) - Int64(N.Digits.size()) + N.Exponent + 4;
  if (Int64(Digits.size()) + Shift > 19) return false;
  UInt128 Raw = 0;
  if (Shift >= 0) {
    for (char C : Digits) Raw = Raw * 10 + unsigned(C - '0');
    for (Int64 K = 0; K < Shift; ++K) Raw *= 10;
  } else {
    Int64 Keep = Int64(Digits.size()) + Shift;  // digits left of the rounding point
    for (Int64 K = 0; K < Keep; ++K) Raw = Raw * 10 + unsigned(Digits[K] - '0');
    // Digits that all lie past the first decimal dropped are below half a unit.
    std::string Rest = Keep >= 0 ? Digits.substr(Keep) : std::string("0");
    bool Above =
        Rest[0] > '5' || (Rest[0] == '5' && Rest.find_first_not_of('0', 1) != std::string::npos);
    bool Tie = Rest[0] == '5' && !Above;
    if (Above || (Tie && (Raw & 1))) ++Raw;
  }
  UInt128 Limit = UInt128(std::numeric_limits<Int64>::max()) + (N.Negative ? 1 : 0);
  if (Raw > Limit) return false;
  Value = Currency::FromRaw(N.Negative ? Int64(0 - UInt64(Raw)) : Int64(Raw));
  return true;
}

[[noreturn]] void RaiseInvalidFloat(const String& S) {
  throw EConvertError("'" + S + "' is not a valid floating point value");
}

// The general format of a positive double that is the nearest double to a
// decimal N / 10^K of at most Precision significant digits, Precision being
// 15 or less, in fixed notation: that decimal is then exactly what rounding
// the double's 18 digits to the precision gives (a double lies within 0.12
// of a unit in the 15th digit of any decimal it is the nearest double to, so
// no rounding can reach another decimal). Found by trying K = 0..8, each
// check exact (N and 10^K are exact doubles, their quotient correctly
// rounded). Returns the length of the text, or 0 for any other value.
Integer FormatShortDecimal(double Magnitude, bool Negative, Integer Precision, char DecSep,
                           char* Out) {
  static constexpr double Powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  static constexpr double Limit = 1e15;  // N below it has at most 15 digits
  if (Precision > 15 || !(Magnitude >= 1e-4) || Magnitude >= Limit) return 0;
  Integer K = 0;
  double N = 0;
  for (;; ++K) {
    if (K >= Integer(std::size(Powers))) return 0;
    const double Scaled = Magnitude * Powers[K];
    if (Scaled >= Limit) return 0;
    N = double(std::int64_t(Scaled + 0.5));  // exact: Scaled is below 2^50
    // A short decimal scales to within a few units in the last place of a
    // whole number: anything further off needs no division to be passed.
    if (std::fabs(Scaled - N) <= Scaled * 1e-12 && N / Powers[K] == Magnitude) break;
  }
  // The smallest K leaves no trailing zero behind the point.
  char Digits[24];
  const std::to_chars_result End = std::to_chars(Digits, Digits + sizeof Digits, std::uint64_t(N));
  const Integer Length = Integer(End.ptr - Digits);
  Integer Significant = Length;
  while (Significant > 1 && Digits[Significant - 1] == '0') --Significant;
  const Integer Exponent = Length - K;  // the value is 0.Digits x 10^Exponent
  if (Significant > Precision || Exponent > Precision || Exponent < -3) return 0;
  char* P = Out;
  if (Negative) *P++ = '-';
  if (Exponent <= 0) {
    *P++ = '0';
    *P++ = DecSep;
    for (Integer I = Exponent; I < 0; ++I) *P++ = '0';
    std::memcpy(P, Digits, std::size_t(Length));
    P += Length;
  } else {
    std::memcpy(P, Digits, std::size_t(Exponent));
    P += Exponent;
    if (K > 0) {
      *P++ = DecSep;
      std::memcpy(P, Digits + Exponent, std::size_t(K));
      P += K;
    }
  }
  return Integer(P - Out);
}

// The general format of a finite value that a double holds exactly (every
// field's value), worked out in a buffer of the caller's: the commonest
// number text, written without a heap allocation. The same digits,
// rounding and layout as FormatGeneral(FromFloat(Value)). Returns the length
// of the text, or 0 where the slower path must write it (an infinity or a
// NaN, a long double beyond a double, a separator beyond ASCII).
Integer FormatGeneralInPlace(Extended Value, Integer Precision, Integer ExpDigits,
                             const TFormatSettings& Settings, char* Out) {
  const std::uint32_t DecSep = std::uint32_t(Settings.DecimalSeparator);
  if (!std::isfinite(Value) || DecSep == 0 || DecSep >= 0x80) return 0;
  if (Value == 0) {
    Out[0] = '0';
    return 1;
  }
  const Extended Magnitude = std::fabs(Value);
  const double AsDouble = double(Magnitude);
  if (Extended(AsDouble) != Magnitude) return 0;
  Precision = Clamp(Precision, 2, MaxFloatDigits);
  // [Phase 0] A short decimal (a price, an amount).
  if (const Integer Size = FormatShortDecimal(AsDouble, Value < 0, Precision, char(DecSep), Out))
    return Size;
  // [Phase 1] 18 significant digits, "d.ddddddddddddddddde+XX".
  char Sci[40];
  const std::to_chars_result End =
      std::to_chars(Sci, Sci + sizeof Sci, AsDouble, std::chars_format::scientific, 17);
  char Digits[MaxFloatDigits + 1];
  Digits[0] = Sci[0];
  std::memcpy(Digits + 1, Sci + 2, MaxFloatDigits - 1);
  Integer Exp10 = 0;
  std::from_chars(Sci + 20 + (Sci[20] == '+' ? 1 : 0), End.ptr, Exp10);
  Integer Exponent = Exp10 + 1;  // Value = 0.Digits x 10^Exponent
  Integer Count = MaxFloatDigits;
  while (Count > 0 && Digits[Count - 1] == '0') --Count;
  // [Phase 2] Rounded to the precision, half away from zero.
  if (Precision < Count) {
    const bool RoundUp = Digits[Precision] >= '5';
    Count = Precision;
    if (RoundUp) {
      Integer I = Count - 1;
      while (I >= 0 && Digits[I] == '9') Digits[I--] = '0';
      if (I >= 0) {
        ++Digits[I];
      } else {
        Digits[0] = '1';
        Count = 1;
        ++Exponent;
      }
    }
    while (Count > 0 && Digits[Count - 1] == '0') --Count;
  }
  // [Phase 3] Fixed notation while -3 <= exponent <= precision, else
  // d.dddE-x with at least ExpDigits exponent digits.
  char* P = Out;
  if (Value < 0) *P++ = '-';
  auto DigitAt = [&](Integer I) { return I >= 0 && I < Count ? Digits[I] : '0'; };
  if (Exponent > Precision || Exponent < -3) {
    *P++ = Digits[0];
    if (Count > 1) {
      *P++ = char(DecSep);
      std::memcpy(P, Digits + 1, std::size_t(Count - 1));
      P += Count - 1;
    }
    *P++ = 'E';
    Integer E = Exponent - 1;
    if (E < 0) *P++ = '-';
    char EText[8];
    const std::to_chars_result EEnd = std::to_chars(EText, EText + sizeof EText, E < 0 ? -E : E);
    const Integer ELength = Integer(EEnd.ptr - EText);
    for (Integer I = ELength; I < Clamp(ExpDigits, 0, 4); ++I) *P++ = '0';
    std::memcpy(P, EText, std::size_t(ELength));
    P += ELength;
    return Integer(P - Out);
  }
  if (Exponent <= 0)
    *P++ = '0';
  else
    for (Integer I = 0; I < Exponent; ++I) *P++ = DigitAt(I);
  if (Count > Exponent) {
    *P++ = char(DecSep);
    for (Integer I = Exponent; I < Count; ++I) *P++ = DigitAt(I);
  }
  return Integer(P - Out);
}

}  // namespace

// [SECTION] Public formatting -------------------------------------------------

String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits) {
  return FloatToStrF(Value, Format, Precision, Digits, FormatSettings);
}

String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings) {
  if (Format == ffGeneral) {
    char Text[48];
    const Integer Size = FormatGeneralInPlace(Value, Precision, Digits, Settings, Text);
    if (Size > 0) return String(Text, std::size_t(Size));
  }
  return FormatDecimal(FromFloat(Value), Format, Precision, Digits, Settings);
}

String FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings); }

String FloatToStr(Extended Value, const TFormatSettings& Settings) {
  return FloatToStrF(Value, ffGeneral, 15, 0, Settings);
}

String FormatFloat(const String& Format, Extended Value) {
  return FormatFloat(Format, Value, FormatSettings);
}

String FormatFloat(const String& Format, Extended Value, const TFormatSettings& Settings) {
  return FormatSections(Format, FromFloat(Value), Settings, GeneralFloat);
}

String FormatCurr(const String& Format, Currency Value) {
  return FormatCurr(Format, Value, FormatSettings);
}

String FormatCurr(const String& Format, Currency Value, const TFormatSettings& Settings) {
  return FormatSections(Format, FromCurrency(Value), Settings, GeneralCurrency);
}

String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits) {
  return CurrToStrF(Value, Format, Digits, FormatSettings);
}

String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits,
                  const TFormatSettings& Settings) {
  return FormatDecimal(FromCurrency(Value), Format, MaxCurrencyDigits, Digits, Settings);
}

String CurrToStr(Currency Value) { return CurrToStr(Value, FormatSettings); }

String CurrToStr(Currency Value, const TFormatSettings& Settings) {
  return CurrToStrF(Value, ffGeneral, 0, Settings);
}

// [SECTION] Parsing ------------------------------------------------------------

bool TryStrToFloat(const String& S, Extended& Value, const TFormatSettings& Settings) {
  TScannedNumber N;
  return ScanNumber(S, Settings, N) && ScannedToFloat(N, Value);
}

bool TryStrToFloat(const String& S, Extended& Value) {
  return TryStrToFloat(S, Value, FormatSettings);
}

bool TryStrToFloat(const String& S, Double& Value, const TFormatSettings& Settings) {
  Extended Wide = 0;
  if (!TryStrToFloat(S, Wide, Settings)) return false;
  if (std::isinf(Double(Wide))) return false;  // beyond the range of a Double
  Value = Double(Wide);
  return true;
}

bool TryStrToFloat(const String& S, Double& Value) {
  return TryStrToFloat(S, Value, FormatSettings);
}

Extended StrToFloat(const String& S, const TFormatSettings& Settings) {
  Extended Result = 0;
  if (!TryStrToFloat(S, Result, Settings)) RaiseInvalidFloat(S);
  return Result;
}

Extended StrToFloat(const String& S) { return StrToFloat(S, FormatSettings); }

Extended StrToFloatDef(const String& S, Extended Default, const TFormatSettings& Settings) {
  Extended Result = 0;
  return TryStrToFloat(S, Result, Settings) ? Result : Default;
}

Extended StrToFloatDef(const String& S, Extended Default) {
  return StrToFloatDef(S, Default, FormatSettings);
}

bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& Settings) {
  TScannedNumber N;
  return ScanNumber(S, Settings, N) && ScannedToCurrency(N, Value);
}

bool TryStrToCurr(const String& S, Currency& Value) {
  return TryStrToCurr(S, Value, FormatSettings);
}

Currency StrToCurr(const String& S, const TFormatSettings& Settings) {
  Currency Result;
  if (!TryStrToCurr(S, Result, Settings)) RaiseInvalidFloat(S);
  return Result;
}

Currency StrToCurr(const String& S) { return StrToCurr(S, FormatSettings); }

Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& Settings) {
  Currency Result;
  return TryStrToCurr(S, Result, Settings) ? Result : Default;
}

Currency StrToCurrDef(const String& S, Currency Default) {
  return StrToCurrDef(S, Default, FormatSettings);
}

}  // namespace kvp
