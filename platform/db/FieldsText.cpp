// The typed side of the field classes: converting values between types,
// reading and writing text (AsString, Text, DisplayText), the formats and
// display values, valid characters and range checks.
//
// Index
//   [SECTION] TField        typed getters and setters, text with OnGetText/OnSetText
//   [SECTION] Strings       TStringField
//   [SECTION] Integers      TIntegerField and kinds
//   [SECTION] Floats        TFloatField, TBCDField
//   [SECTION] Booleans      TBooleanField
//   [SECTION] Dates         TDateTimeField and kinds
//   [SECTION] Blobs         TBlobField

#include <cmath>

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

bool IsNullish(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

// A decimal integer with optional blanks around it and an optional sign.
bool ParseDecimal(const String& Text, Int64& Value) {
  const String S = Trim(Text);
  std::size_t I = 0;
  bool Negative = false;
  if (I < S.size() && (S[I] == '+' || S[I] == '-')) Negative = S[I++] == '-';
  if (I >= S.size()) return false;
  unsigned __int128 Acc = 0;
  for (; I < S.size(); ++I) {
    if (S[I] < '0' || S[I] > '9') return false;
    Acc = Acc * 10 + unsigned(S[I] - '0');
    if (Acc > (unsigned __int128)INT64_MAX + 1) return false;
  }
  if (!Negative && Acc > (unsigned __int128)INT64_MAX) return false;
  Value = Negative ? Int64(-(__int128)Acc) : Int64(Acc);
  return true;
}

String FloatText(Double Value) { return FloatToStr(Value); }

// A number of any kind as a whole number: floats and money round half to even.
Int64 WholeNumber(const Variant& V) {
  const TVarType Type = VarType(V);
  if (Type == varDouble || Type == varSingle || Type == varDate) return Round(V.AsDouble());
  if (Type == varCurrency) return Round(V.AsCurrency().ToDouble());
  return V.AsInt64();
}

}  // namespace

// [SECTION] TField

String TField::GetAsString() const {
  const Variant& V = GetData();
  return IsNullish(V) ? String() : VarToStr(V);
}

// The text of a value the field's type does not hold, written back as it
// reads, keeps that value rather than parsing it.
void TField::SetAsString(const String& Value) {
  const Variant& Current = GetData();
  if (!HoldsValue(Current) && Value == VarToStr(Current)) {
    const Variant Kept = Current;
    SetData(Kept);
    return;
  }
  SetValue(ParseText(Value));
}

Integer TField::GetAsInteger() const {
  const Int64 Value = GetAsLargeInt();
  if (Value < INT32_MIN || Value > INT32_MAX)
    RangeError(IntToStr(Value), IntToStr(Integer(INT32_MIN)), IntToStr(Integer(INT32_MAX)));
  return Integer(Value);
}

void TField::SetAsInteger(Integer Value) { SetValue(Variant(Value)); }

// Whole numbers from any value: text is parsed, floats round half to even.
Int64 TField::GetAsLargeInt() const {
  const Variant& V = GetData();
  if (IsNullish(V)) return 0;
  if (VarIsStr(V)) {
    Int64 Result = 0;
    if (!ParseDecimal(V.AsString(), Result))
      throw EConvertError("'" + V.AsString() + "' is not a valid integer value");
    return Result;
  }
  return WholeNumber(V);
}

void TField::SetAsLargeInt(Int64 Value) { SetValue(Variant(Value)); }

Double TField::GetAsFloat() const {
  const Variant& V = GetData();
  if (IsNullish(V)) return 0;
  if (VarIsStr(V)) return Double(StrToFloat(V.AsString()));
  return V.AsDouble();
}

void TField::SetAsFloat(Double Value) { SetValue(Variant(Value)); }

Currency TField::GetAsCurrency() const {
  const Variant& V = GetData();
  if (IsNullish(V)) return Currency();
  if (VarIsStr(V)) return StrToCurr(V.AsString());
  return V.AsCurrency();
}

void TField::SetAsCurrency(Currency Value) { SetValue(Variant(Value)); }

bool TField::GetAsBoolean() const {
  const Variant& V = GetData();
  if (IsNullish(V)) return false;
  return V.AsBoolean();
}

void TField::SetAsBoolean(bool Value) { SetValue(Variant(Value)); }

TDateTime TField::GetAsDateTime() const {
  const Variant& V = GetData();
  if (IsNullish(V)) return 0;
  if (VarIsStr(V)) return StrToDateTime(V.AsString());
  return V.AsDateTime();
}

void TField::SetAsDateTime(TDateTime Value) { SetValue(VarFromDateTime(Value)); }

String TField::GetTextFor(bool DisplayText) const {
  if (OnGetText) {
    String Text;
    OnGetText(const_cast<TField*>(this), Text, DisplayText);
    return Text;
  }
  if (IsNull() && !IsBlob()) return String();
  const Variant& V = GetData();
  if (!HoldsValue(V)) return VarToStr(V);
  return FormatText(DisplayText);
}

void TField::SetText(const String& Value) {
  if (OnSetText)
    OnSetText(this, Value);
  else
    SetAsString(Value);
}

String TField::FormatText(bool /*DisplayText*/) const { return GetAsString(); }

bool TField::HoldsValue(const Variant& /*Value*/) const { return true; }

Variant TField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  return Variant(Text);
}

Variant TField::ConvertValue(const Variant& Value) const { return Value; }

// [SECTION] Strings

String TStringField::GetAsString() const {
  const Variant& V = GetData();
  return IsNullish(V) ? String() : VarToStr(V);
}

String TStringField::FormatText(bool DisplayText) const {
  const String Value = GetAsString();
  if (DisplayText && !FEditMask.empty()) return FormatMaskText(FEditMask, Value);
  return Value;
}

// Text that is not empty: an empty text a store keeps apart from Null is the
// store's own value (the field's empty text is Null).
bool TStringField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  return Type == varEmpty || Type == varNull || (Type == varString && !Value.AsString().empty());
}

Variant TStringField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  return ConvertValue(Variant(Text));
}

// Text longer than Size characters is cut (unless the store keeps it whole);
// empty text is stored as Null.
Variant TStringField::ConvertValue(const Variant& Value) const {
  String Text = VarToStr(Value);
  if (FCutToSize && FSize > 0 && Length(Text) > FSize) Text = Copy(Text, 1, FSize);
  if (Text.empty()) return Null();
  return Variant(Text);
}

// [SECTION] Integers

TFieldChars TNumericField::NumberChars(bool Fraction, bool Exponent) {
  TFieldChars Result = TFieldChars::Of(U"0123456789+-");
  if (Fraction) Result.Include(Char(static_cast<unsigned char>(FormatSettings.DecimalSeparator)));
  if (Exponent) Result.Include(U'E');
  if (Exponent) Result.Include(U'e');
  return Result;
}

void TNumericField::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const String& Value) {
  if (FEditFormat == Value) return;
  FEditFormat = Value;
  PropertyChanged(false);
}

String TIntegerField::FormatText(bool DisplayText) const {
  const String& Format = (DisplayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
  const Int64 Value = GetAsLargeInt();
  if (Format.empty()) return IntToStr(Value);
  return FormatFloat(Format, Extended(Value));
}

// A whole number within the type's own range (a Smallint's, an Integer's).
bool TIntegerField::HoldsValue(const Variant& Value) const {
  switch (VarType(Value)) {
    case varEmpty:
    case varNull:
      return true;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: {
      const Int64 N = Value.AsInt64();
      return N >= TypeMin() && N <= TypeMax();
    }
    default:
      return false;
  }
}

Variant TIntegerField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  Int64 Value = 0;
  if (!ParseDecimal(Text, Value))
    DatabaseError(
        DBMessage("'%s' is not a valid integer value for field '%s'", {Text, GetDisplayName()}),
        const_cast<TIntegerField*>(this));
  return ConvertValue(Variant(Value));
}

// Any number, or text, to a whole number in the field's range.
Variant TIntegerField::ConvertValue(const Variant& Value) const {
  if (VarIsStr(Value)) return ParseText(Value.AsString());
  const Int64 N = WholeNumber(Value);
  const bool Ranged = FMinValue != 0 || FMaxValue != 0;
  const Int64 Min = Ranged ? FMinValue : TypeMin();
  const Int64 Max = Ranged ? FMaxValue : TypeMax();
  if (N < Min || N > Max) RangeError(IntToStr(N), IntToStr(Min), IntToStr(Max));
  if (FDataType == ftLargeint) return Variant(N);
  return Variant(Integer(N));
}

// [SECTION] Floats

void TFloatField::SetCurrency(bool Value) {
  if (FCurrency == Value) return;
  FCurrency = Value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer Value) {
  if (Value < 2) Value = 2;
  if (Value > 15) Value = 15;
  if (FPrecision == Value) return;
  FPrecision = Value;
  PropertyChanged(false);
}

String TFloatField::FormatText(bool DisplayText) const {
  const Double Value = GetAsFloat();
  if (!DisplayText && !FEditFormat.empty()) return FormatFloat(FEditFormat, Value);
  if (!FDisplayFormat.empty()) return FormatFloat(FDisplayFormat, Value);
  if (FCurrency)
    return FloatToStrF(Value, DisplayText ? ffCurrency : ffFixed, FPrecision,
                       FormatSettings.CurrencyDecimals);
  return FloatToStrF(Value, ffGeneral, FPrecision, 0);
}

bool TFloatField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  return Type == varEmpty || Type == varNull || Type == varDouble || Type == varSingle;
}

Variant TFloatField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  Extended Value = 0;
  if (!TryStrToFloat(Text, Value))
    DatabaseError(DBMessage("'%s' is not a valid floating point value for field '%s'",
                            {Text, GetDisplayName()}),
                  const_cast<TFloatField*>(this));
  return ConvertValue(Variant(Double(Value)));
}

Variant TFloatField::ConvertValue(const Variant& Value) const {
  if (VarIsStr(Value)) return ParseText(Value.AsString());
  const Double N = Value.AsDouble();
  if ((FMinValue != 0 || FMaxValue != 0) && (N < FMinValue || N > FMaxValue))
    RangeError(FloatText(N), FloatText(FMinValue), FloatText(FMaxValue));
  return Variant(N);
}

void TBCDField::SetCurrency(bool Value) {
  if (FCurrency == Value) return;
  FCurrency = Value;
  PropertyChanged(false);
}

String TBCDField::FormatText(bool DisplayText) const {
  const Currency Value = GetAsCurrency();
  if (!DisplayText && !FEditFormat.empty()) return FormatCurr(FEditFormat, Value);
  if (!FDisplayFormat.empty()) return FormatCurr(FDisplayFormat, Value);
  if (FCurrency)
    return CurrToStrF(Value, DisplayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
  return CurrToStrF(Value, ffGeneral, 0);
}

bool TBCDField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  return Type == varEmpty || Type == varNull || Type == varCurrency;
}

namespace {

// Whether a number's text has a non-zero digit past the fourth decimal, or
// (with an exponent) a value that four decimals do not hold.
bool MoreThanFourDecimals(const String& Text) {
  if (Text.find_first_of("eE") != String::npos) {
    Currency Value;
    Extended Typed = 0;
    return TryStrToCurr(Text, Value) && TryStrToFloat(Text, Typed) &&
           Double(Typed) != Double(Value.ToDouble());
  }
  const auto Point = Text.find(static_cast<char>(FormatSettings.DecimalSeparator));
  if (Point == String::npos) return false;
  std::size_t End = Point + 1;
  while (End < Text.size() && Text[End] >= '0' && Text[End] <= '9') ++End;
  while (End > Point + 1 && Text[End - 1] == '0') --End;
  return End - Point - 1 > 4;
}

}  // namespace

// Text with more decimals than the four the field keeps is refused, not cut.
Variant TBCDField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  Currency Value;
  if (!TryStrToCurr(Text, Value))
    DatabaseError(DBMessage("'%s' is not a valid floating point value for field '%s'",
                            {Text, GetDisplayName()}),
                  const_cast<TBCDField*>(this));
  if (MoreThanFourDecimals(Text))
    DatabaseError(DBMessage("'%s' has more decimals than the four field '%s' keeps",
                            {Text, GetDisplayName()}),
                  const_cast<TBCDField*>(this));
  return Variant(Value);
}

Variant TBCDField::ConvertValue(const Variant& Value) const {
  if (VarIsStr(Value)) return ParseText(Value.AsString());
  return Variant(Value.AsCurrency());
}

// [SECTION] Booleans

// "Yes;No": the true text, then the false one; without ';' the false text is empty.
void TBooleanField::SetDisplayValues(const String& Value) {
  if (FDisplayValues == Value) return;
  FDisplayValues = Value;
  PropertyChanged(false);
}

String TBooleanField::TrueText() const {
  if (FDisplayValues.empty()) return "True";
  return FDisplayValues.substr(0, FDisplayValues.find(';'));
}

String TBooleanField::FalseText() const {
  if (FDisplayValues.empty()) return "False";
  const auto Sep = FDisplayValues.find(';');
  return Sep == String::npos ? String() : FDisplayValues.substr(Sep + 1);
}

String TBooleanField::FormatText(bool /*DisplayText*/) const {
  return GetAsBoolean() ? TrueText() : FalseText();
}

bool TBooleanField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  return Type == varEmpty || Type == varNull || Type == varBoolean;
}

// The false text is tried first, then the true one; a case-insensitive
// prefix of either is enough ("t", "F").
Variant TBooleanField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  if (AnsiStartsText(Text, FalseText())) return Variant(false);
  if (AnsiStartsText(Text, TrueText())) return Variant(true);
  DatabaseError(
      DBMessage("'%s' is not a valid boolean value for field '%s'", {Text, GetDisplayName()}),
      const_cast<TBooleanField*>(this));
}

Variant TBooleanField::ConvertValue(const Variant& Value) const {
  if (VarIsStr(Value)) return ParseText(Value.AsString());
  return Variant(Value.AsBoolean());
}

// [SECTION] Dates

void TDateTimeField::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  PropertyChanged(false);
}

String TDateTimeField::FormatText(bool DisplayText) const {
  String Format;
  if (DisplayText && !FDisplayFormat.empty())
    Format = FDisplayFormat;
  else if (FDataType == ftDate)
    Format = FormatSettings.ShortDateFormat;
  else if (FDataType == ftTime)
    Format = FormatSettings.LongTimeFormat;
  else
    Format = "c";
  return FormatDateTime(Format, GetAsDateTime());
}

// A date field holds a day, a time field a time of day: a store's date with
// a time in a date column is the store's own value, shown and kept as such.
bool TDateTimeField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  if (Type == varEmpty || Type == varNull) return true;
  if (Type != varDate) return false;
  const TDateTime DT = Value.AsDateTime();
  if (FDataType == ftDate) return DateOf(DT) == DT;
  if (FDataType == ftTime) return TimeOf(DT) == DT;
  return true;
}

Variant TDateTimeField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  TDateTime Value = 0;
  if (FDataType == ftDate)
    Value = StrToDate(Text);
  else if (FDataType == ftTime)
    Value = StrToTime(Text);
  else
    Value = StrToDateTime(Text);
  return ConvertValue(VarFromDateTime(Value));
}

// Date fields keep the day, time fields the time of day.
Variant TDateTimeField::ConvertValue(const Variant& Value) const {
  if (VarIsStr(Value)) return ParseText(Value.AsString());
  TDateTime DT = Value.AsDateTime();
  if (FDataType == ftDate) DT = DateOf(DT);
  if (FDataType == ftTime) DT = TimeOf(DT);
  return VarFromDateTime(DT);
}

// [SECTION] Blobs

// A blob shows its kind, in capitals when it holds something: "(MEMO)".
String TBlobField::FormatText(bool /*DisplayText*/) const {
  String Name = FieldTypeName(FDataType) + 2;
  if (FDataType == ftGraphic) Name = "Graphic";
  String Result = "(" + Name + ")";
  return IsNull() ? Result : UpperCase(Result);
}

// Bytes or text; a number a store keeps in such a column is its own value,
// and so is an empty value kept apart from Null.
bool TBlobField::HoldsValue(const Variant& Value) const {
  const TVarType Type = VarType(Value);
  return Type == varEmpty || Type == varNull || (Type == varString && !Value.AsString().empty());
}

Variant TBlobField::ParseText(const String& Text) const {
  if (Text.empty()) return Null();
  return Variant(Text);
}

Variant TBlobField::ConvertValue(const Variant& Value) const {
  const String Text = VarToStr(Value);
  if (Text.empty()) return Null();
  return Variant(Text);
}

}  // namespace kvp
