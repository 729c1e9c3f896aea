// Variant: the platform's value of any simple type, as fields, datasets and the
// library's key values hold it. A Variant is Empty (Unassigned), Null, a
// number (integer kinds, Int64, Single, Double, Currency), a date, a Boolean, a
// string, an error code, or a one-dimensional array of Variants with bounds
// (multi-field key values). Conversions, comparison and arithmetic follow the
// platform; a conversion that cannot be made raises EVariantError.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"

namespace kvp {

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

struct TVarArray;

// Variant: a tagged value. Copies are deep (an array is copied with its
// elements). Integer kinds are kept in FInt, Single, Double and Date in
// FDouble, so the type code alone says how to read the value.
class Variant {
 public:
  Variant() = default;
  Variant(bool Value) : FType(varBoolean), FInt(Value ? -1 : 0) {}
  Variant(Integer Value) : FType(varInteger), FInt(Value) {}
  Variant(LongWord Value) : FType(varLongWord), FInt(Value) {}
  Variant(Int64 Value) : FType(varInt64), FInt(Value) {}
  // Other integer types: Integer when they fit it, LongWord for 32-bit
  // unsigned, Int64 for the rest (an unsigned value past the Int64 range raises).
  template <OtherIntegerType<Integer, LongWord, Int64> T>
  Variant(T Value) {
    if constexpr (sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>)) {
      FType = varInteger, FInt = Value;
    } else if constexpr (sizeof(T) == 4) {
      FType = varLongWord, FInt = Value;
    } else if constexpr (std::is_signed_v<T>) {
      FType = varInt64, FInt = Value;
    } else {
      FType = varInt64, FInt = CheckedInt64(Value);
    }
  }
  // A character is not a number: say which one is meant (Utf8Encode(C) or Integer(C)).
  Variant(char) = delete;
  Variant(char8_t) = delete;
  Variant(char16_t) = delete;
  Variant(char32_t) = delete;
  Variant(Single Value) : FType(varSingle), FDouble(Value) {}
  Variant(Double Value) : FType(varDouble), FDouble(Value) {}
  Variant(Currency Value) : FType(varCurrency), FCurrency(Value) {}
  Variant(const String& Value) : FType(varString), FString(Value) {}
  Variant(String&& Value) : FType(varString), FString(std::move(Value)) {}
  Variant(const char* Value) : FType(varString), FString(Value ? Value : "") {}

  Variant(const Variant& Other);
  Variant(Variant&& Other) noexcept;
  Variant& operator=(const Variant& Other);
  Variant& operator=(Variant&& Other) noexcept;
  ~Variant();

  // The type code, with varArray set for an array.
  TVarType GetVarType() const { return FType; }

  // Conversions; each raises EVariantError for Null, for an array and for a
  // value that cannot be converted. Empty gives 0, False or "".
  Integer AsInteger() const;
  Int64 AsInt64() const;
  Double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  String AsString() const;

  // Array elements, indexed within the bounds; reading a non-array or an
  // index out of the bounds raises EVariantError.
  const Variant& operator[](Integer Index) const;

 private:
  friend struct TVariantAccess;  // the routines of Variants.cpp

  const TVarArray& ArrayData() const;
  static Int64 CheckedInt64(UInt64 Value);

  TVarType FType = varEmpty;
  Int64 FInt = 0;                     // integer kinds, Boolean (-1 or 0), error code
  Double FDouble = 0;                 // Single, Double, Date
  Currency FCurrency;                 // Currency
  String FString;                     // String
  std::unique_ptr<TVarArray> FArray;  // set exactly when FType has varArray
};

// The elements of an array Variant and the index of the first one.
struct TVarArray {
  Integer LowBound = 0;
  std::vector<Variant> Items;
};

Variant Null();
Variant Unassigned();
// A Variant of type varDate.
Variant VarFromDateTime(TDateTime Value);
// A Variant of type varError carrying Code.
Variant VarAsError(Integer Code);

TVarType VarType(const Variant& V);
bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
// Empty (this platform has no other cleared kinds).
bool VarIsClear(const Variant& V);
bool VarIsArray(const Variant& V);
// Integer kinds, Boolean, Single, Double and Currency; not Date.
bool VarIsNumeric(const Variant& V);
bool VarIsStr(const Variant& V);
bool VarIsType(const Variant& V, TVarType AVarType);
bool VarIsType(const Variant& V, std::initializer_list<TVarType> VarTypes);
// "Integer", "String", "Array Variant" ...
String VarTypeAsText(TVarType VarType);

// Null and Empty give ""; everything else as AsString.
String VarToStr(const Variant& V);
String VarToStrDef(const Variant& V, const String& Default);
// The value converted to VarType (a scalar type code, or varVariant for V itself).
Variant VarAsType(const Variant& V, TVarType VarType);

// Arrays. Bounds are {Low, High}; High = Low - 1 makes an empty array.
Variant VarArrayOf(std::initializer_list<Variant> Values);
Variant VarArrayOf(const std::vector<Variant>& Values);
// Elements start as the element type's zero (Empty for varVariant).
Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType VarType);
// 1 for an array, 0 otherwise.
Integer VarArrayDimCount(const Variant& A);
Integer VarArrayLowBound(const Variant& A, Integer Dim = 1);
Integer VarArrayHighBound(const Variant& A, Integer Dim = 1);
const Variant& VarArrayGet(const Variant& A, Integer Index);
// Stores Value converted to the array's element type.
void VarArrayPut(Variant& A, const Variant& Value, Integer Index);
// Changes the high bound, keeping the elements that stay.
void VarArrayRedim(Variant& A, Integer HighBound);

// Compares values across numeric types, strings (code point order, converted
// to a number, Boolean or date when the other side is one) and dates.
// Null against Null and Empty against Empty are vrEqual; Null or Empty against
// anything else, and any two arrays, are vrNotEqual. Values that cannot be
// compared raise EVariantError.
TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);

// The platform's = operator: VarCompareValue(A, B) == vrEqual, so Null = Null
// is true and Null = 1 false; incomparable values (an array, 'abc' against 5)
// raise EVariantError.
bool operator==(const Variant& A, const Variant& B);
// The same question that never raises: values that cannot be compared are not
// the same, Null is the same as Null only, and two arrays are the same when
// their bounds and every element are.
bool VarSameValue(const Variant& A, const Variant& B);

// Arithmetic. Null on either side gives Null, Empty counts as 0 (or "" for +
// with a string). Two strings concatenate with +; a string with a number is
// read as a Double. Integer kinds give Integer, or Int64 when the result needs
// it; Currency stays Currency; Date plus or minus a number is a Date, a date
// minus a date a Double; / always gives a Double.
Variant operator+(const Variant& A, const Variant& B);
Variant operator-(const Variant& A, const Variant& B);
Variant operator*(const Variant& A, const Variant& B);
Variant operator/(const Variant& A, const Variant& B);

}  // namespace kvp
