// Number text: floating values and Currency amounts written with a float
// format (FloatToStrF, CurrToStrF) or a picture format string (FormatFloat,
// FormatCurr), and read back (StrToFloat, StrToCurr). Digits come from the
// exact value: a floating value is taken to 18 significant digits, a Currency
// as its exact four decimals, and then rounded half away from zero in decimal.
// Every routine reads the global FormatSettings unless it is given its own.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

namespace kvp {

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Precision counts significant digits (at most 18); Digits is the exponent's
// minimum digit count for ffGeneral and ffExponent and the number of decimals
// for the others. INF, -INF and NAN print as such.
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits);
String FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& Settings);
// The shortest text of 15 significant digits that reads back to the value.
String FloatToStr(Extended Value);
String FloatToStr(Extended Value, const TFormatSettings& Settings);

// Picture formats: up to three sections "positive;negative;zero", with 0 and #
// digit placeholders, the decimal point, grouping commas, E+ / E- exponents
// and quoted literals.
String FormatFloat(const String& Format, Extended Value);
String FormatFloat(const String& Format, Extended Value, const TFormatSettings& Settings);
String FormatCurr(const String& Format, Currency Value);
String FormatCurr(const String& Format, Currency Value, const TFormatSettings& Settings);

// As FloatToStrF, on the exact amount with up to 19 significant digits.
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits);
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits,
                  const TFormatSettings& Settings);
// The amount with at most four decimals and no trailing zeros: "12.5".
String CurrToStr(Currency Value);
String CurrToStr(Currency Value, const TFormatSettings& Settings);

// Reading accepts surrounding spaces, a sign, digits with at most one decimal
// separator ("1." and ".5" included) and an exponent; nothing else (no
// grouping, no currency symbol, no INF or NAN). Failure raises EConvertError
// "'text' is not a valid floating point value".
Extended StrToFloat(const String& S);
Extended StrToFloat(const String& S, const TFormatSettings& Settings);
Extended StrToFloatDef(const String& S, Extended Default);
Extended StrToFloatDef(const String& S, Extended Default, const TFormatSettings& Settings);
bool TryStrToFloat(const String& S, Extended& Value);
bool TryStrToFloat(const String& S, Extended& Value, const TFormatSettings& Settings);
bool TryStrToFloat(const String& S, Double& Value);
bool TryStrToFloat(const String& S, Double& Value, const TFormatSettings& Settings);

// The same syntax read exactly into four decimals, half to even beyond them.
Currency StrToCurr(const String& S);
Currency StrToCurr(const String& S, const TFormatSettings& Settings);
Currency StrToCurrDef(const String& S, Currency Default);
Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& Settings);
bool TryStrToCurr(const String& S, Currency& Value);
bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& Settings);

}  // namespace kvp
