// Index
// [SECTION] Lifetime and kinds
// [SECTION] Errors and type names
// [SECTION] Conversions
// [SECTION] Type tests and factories
// [SECTION] Arrays
// [SECTION] Comparison
// [SECTION] Arithmetic

#include "platform/rtl/Variants.h"

#include <cmath>
#include <limits>

#include "platform/rtl/DateFormat.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Lifetime and kinds -------------------------------------------------

Variant::Variant(const Variant& Other)
    : FType(Other.FType),
      FInt(Other.FInt),
      FDouble(Other.FDouble),
      FCurrency(Other.FCurrency),
      FString(Other.FString),
      FArray(Other.FArray ? std::make_unique<TVarArray>(*Other.FArray) : nullptr) {}

Variant::Variant(Variant&& Other) noexcept
    : FType(Other.FType),
      FInt(Other.FInt),
      FDouble(Other.FDouble),
      FCurrency(Other.FCurrency),
      FString(std::move(Other.FString)),
      FArray(std::move(Other.FArray)) {
  Other.FType = varEmpty;
}

Variant& Variant::operator=(const Variant& Other) {
  if (this != &Other) *this = Variant(Other);
  return *this;
}

Variant& Variant::operator=(Variant&& Other) noexcept {
  if (this == &Other) return *this;
  FType = Other.FType;
  FInt = Other.FInt;
  FDouble = Other.FDouble;
  FCurrency = Other.FCurrency;
  FString = std::move(Other.FString);
  FArray = std::move(Other.FArray);
  Other.FType = varEmpty;
  return *this;
}

Variant::~Variant() = default;

// The internals the free routines of this file work on.
struct TVariantAccess {
  static Variant Make(TVarType Type) {
    Variant V;
    V.FType = Type;
    return V;
  }
  static Int64 Int(const Variant& V) { return V.FInt; }
  static Double Dbl(const Variant& V) { return V.FDouble; }
  static Currency Curr(const Variant& V) { return V.FCurrency; }
  static const String& Str(const Variant& V) { return V.FString; }
  static Variant MakeInt(TVarType Type, Int64 Value) {
    Variant V = Make(Type);
    V.FInt = Value;
    return V;
  }
  static Variant MakeDouble(TVarType Type, Double Value) {
    Variant V = Make(Type);
    V.FDouble = Value;
    return V;
  }
  static TVarArray& Array(Variant& V) { return *V.FArray; }
  static const TVarArray& Array(const Variant& V) { return V.ArrayData(); }
  static Variant MakeArray(TVarType ElementType, TVarArray Data) {
    Variant V = Make(varArray | ElementType);
    V.FArray = std::make_unique<TVarArray>(std::move(Data));
    return V;
  }
};

using VA = TVariantAccess;

namespace {

// How a value is read, whatever its exact type code.
enum class TKind { Empty, Null, Int, Float, Curr, Date, Bool, Str, Error, Array };

TKind KindOf(const Variant& V) {
  TVarType T = V.GetVarType();
  if (T & varArray) return TKind::Array;
  switch (T) {
    case varEmpty:
      return TKind::Empty;
    case varNull:
      return TKind::Null;
    case varSingle:
    case varDouble:
      return TKind::Float;
    case varCurrency:
      return TKind::Curr;
    case varDate:
      return TKind::Date;
    case varBoolean:
      return TKind::Bool;
    case varString:
      return TKind::Str;
    case varError:
      return TKind::Error;
    default:
      return TKind::Int;
  }
}

bool IsIntegerType(TVarType T) {
  switch (T) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}

}  // namespace

// [SECTION] Errors and type names ----------------------------------------------

String VarTypeAsText(TVarType VarType) {
  if (VarType & varArray) return "Array " + VarTypeAsText(VarType & varTypeMask);
  switch (VarType) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varError:
      return "Error";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return "$" + IntToHex(Integer(VarType), 4);
  }
}

namespace {

[[noreturn]] void RaiseCast(TVarType From, TVarType To) {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(From) +
                      ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void RaiseOverflow(TVarType From, TVarType To) {
  throw EVariantError("Overflow while converting variant of type (" + VarTypeAsText(From) +
                      ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void RaiseInvalidOp() { throw EVariantError("Invalid variant operation"); }

[[noreturn]] void RaiseIndex() { throw EVariantError("Variant or safe array index out of bounds"); }

[[noreturn]] void RaiseNotArray() { throw EVariantError("Variant is not an array"); }

}  // namespace

// [SECTION] Conversions -----------------------------------------------------------

namespace {

// The nearest Int64, a half to even; NaN, infinities and values out of range
// raise the overflow error.
Int64 RoundChecked(Extended X, TVarType From, TVarType To) {
  if (!std::isfinite(X) || X >= 9223372036854775807.5L || X < -9223372036854775808.5L)
    RaiseOverflow(From, To);
  return Round(X);
}

Int64 ToInt64(const Variant& V, TVarType To) {
  TVarType From = V.GetVarType();
  switch (KindOf(V)) {
    case TKind::Empty:
      return 0;
    case TKind::Int:
    case TKind::Bool:
      return VA::Int(V);
    case TKind::Float:
    case TKind::Date:
      return RoundChecked(VA::Dbl(V), From, To);
    case TKind::Curr:
      return Round(VA::Curr(V));
    case TKind::Str: {
      Int64 I;
      if (TryStrToInt64(VA::Str(V), I)) return I;
      Extended X;
      if (TryStrToFloat(VA::Str(V), X)) return RoundChecked(X, From, To);
      break;
    }
    default:
      break;
  }
  RaiseCast(From, To);
}

// Checks that an integer fits the integer type To.
Int64 FitInteger(Int64 Value, TVarType From, TVarType To) {
  Int64 Lo = std::numeric_limits<Int64>::min(), Hi = std::numeric_limits<Int64>::max();
  switch (To) {
    case varSmallint:
      Lo = -32768, Hi = 32767;
      break;
    case varInteger:
      Lo = std::numeric_limits<Integer>::min(), Hi = std::numeric_limits<Integer>::max();
      break;
    case varShortInt:
      Lo = -128, Hi = 127;
      break;
    case varByte:
      Lo = 0, Hi = 255;
      break;
    case varWord:
      Lo = 0, Hi = 65535;
      break;
    case varLongWord:
      Lo = 0, Hi = 4294967295LL;
      break;
    default:
      break;
  }
  if (Value < Lo || Value > Hi) RaiseOverflow(From, To);
  return Value;
}

Double ToDouble(const Variant& V, TVarType To) {
  switch (KindOf(V)) {
    case TKind::Empty:
      return 0;
    case TKind::Int:
    case TKind::Bool:
      return static_cast<Double>(VA::Int(V));
    case TKind::Float:
    case TKind::Date:
      return VA::Dbl(V);
    case TKind::Curr:
      return static_cast<Double>(VA::Curr(V).ToDouble());
    case TKind::Str: {
      Extended X;
      if (TryStrToFloat(VA::Str(V), X)) return static_cast<Double>(X);
      break;
    }
    default:
      break;
  }
  RaiseCast(V.GetVarType(), To);
}

Currency ToCurrency(const Variant& V) {
  TVarType From = V.GetVarType();
  try {
    switch (KindOf(V)) {
      case TKind::Empty:
        return Currency();
      case TKind::Int:
      case TKind::Bool:
        return Currency(VA::Int(V));
      case TKind::Float:
      case TKind::Date:
        return Currency::FromDouble(VA::Dbl(V));
      case TKind::Curr:
        return VA::Curr(V);
      case TKind::Str: {
        Currency C;
        if (TryStrToCurr(VA::Str(V), C)) return C;
        break;
      }
      default:
        break;
    }
  } catch (const EOverflow&) {
    RaiseOverflow(From, varCurrency);
  }
  RaiseCast(From, varCurrency);
}

TDateTime ToDate(const Variant& V) {
  if (KindOf(V) == TKind::Str) {
    TDateTime D;
    if (TryStrToDateTime(VA::Str(V), D)) return D;
    RaiseCast(varString, varDate);
  }
  return ToDouble(V, varDate);
}

bool ToBoolean(const Variant& V) {
  switch (KindOf(V)) {
    case TKind::Empty:
      return false;
    case TKind::Int:
    case TKind::Bool:
      return VA::Int(V) != 0;
    case TKind::Float:
    case TKind::Date:
      return VA::Dbl(V) != 0;
    case TKind::Curr:
      return VA::Curr(V).GetRaw() != 0;
    case TKind::Str: {
      bool B;
      if (TryStrToBool(VA::Str(V), B)) return B;
      break;
    }
    default:
      break;
  }
  RaiseCast(V.GetVarType(), varBoolean);
}

String ToString(const Variant& V) {
  switch (KindOf(V)) {
    case TKind::Empty:
      return String();
    case TKind::Int:
      return IntToStr(VA::Int(V));
    case TKind::Bool:
      return BoolToStr(VA::Int(V) != 0, true);
    case TKind::Float:
      return FloatToStr(VA::Dbl(V));
    case TKind::Date:
      return DateTimeToStr(VA::Dbl(V));
    case TKind::Curr:
      return CurrToStr(VA::Curr(V));
    case TKind::Str:
      return VA::Str(V);
    default:
      break;
  }
  RaiseCast(V.GetVarType(), varString);
}

}  // namespace

Integer Variant::AsInteger() const {
  return static_cast<Integer>(FitInteger(ToInt64(*this, varInteger), FType, varInteger));
}
Int64 Variant::AsInt64() const { return ToInt64(*this, varInt64); }
Double Variant::AsDouble() const { return ToDouble(*this, varDouble); }
Currency Variant::AsCurrency() const { return ToCurrency(*this); }
TDateTime Variant::AsDateTime() const { return ToDate(*this); }
bool Variant::AsBoolean() const { return ToBoolean(*this); }
String Variant::AsString() const { return ToString(*this); }

Variant VarAsType(const Variant& V, TVarType VarType) {
  TVarType From = V.GetVarType();
  if (VarType == varVariant || VarType == From) return V;
  if (From & varArray) RaiseCast(From, VarType);
  if (IsIntegerType(VarType))
    return VA::MakeInt(VarType, FitInteger(ToInt64(V, VarType), From, VarType));
  switch (VarType) {
    case varSingle: {
      Double D = ToDouble(V, varSingle);
      if (std::isfinite(D) && std::fabs(D) > std::numeric_limits<Single>::max())
        RaiseOverflow(From, varSingle);
      return Variant(static_cast<Single>(D));
    }
    case varDouble:
      return Variant(ToDouble(V, varDouble));
    case varCurrency:
      return Variant(ToCurrency(V));
    case varDate:
      return VarFromDateTime(ToDate(V));
    case varBoolean:
      return Variant(ToBoolean(V));
    case varString:
      return Variant(ToString(V));
    default:
      RaiseCast(From, VarType);
  }
}

String VarToStr(const Variant& V) { return VarToStrDef(V, String()); }

String VarToStrDef(const Variant& V, const String& Default) {
  TKind K = KindOf(V);
  return K == TKind::Null || K == TKind::Empty ? Default : V.AsString();
}

// [SECTION] Type tests and factories -----------------------------------------------

Variant Null() { return VA::Make(varNull); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime Value) { return VA::MakeDouble(varDate, Value); }
Variant VarAsError(Integer Code) { return VA::MakeInt(varError, Code); }

TVarType VarType(const Variant& V) { return V.GetVarType(); }
bool VarIsNull(const Variant& V) { return V.GetVarType() == varNull; }
bool VarIsEmpty(const Variant& V) { return V.GetVarType() == varEmpty; }
bool VarIsClear(const Variant& V) { return V.GetVarType() == varEmpty; }
bool VarIsArray(const Variant& V) { return (V.GetVarType() & varArray) != 0; }
bool VarIsStr(const Variant& V) { return V.GetVarType() == varString; }

bool VarIsNumeric(const Variant& V) {
  TKind K = KindOf(V);
  return K == TKind::Int || K == TKind::Bool || K == TKind::Float || K == TKind::Curr;
}

bool VarIsType(const Variant& V, TVarType AVarType) { return V.GetVarType() == AVarType; }

bool VarIsType(const Variant& V, std::initializer_list<TVarType> VarTypes) {
  for (TVarType T : VarTypes)
    if (V.GetVarType() == T) return true;
  return false;
}

// [SECTION] Arrays --------------------------------------------------------------------

namespace {

// The zero of an element type: Empty for varVariant.
Variant ZeroOf(TVarType T) {
  if (T == varVariant) return Variant();
  if (T == varString) return Variant(String());
  if (T == varCurrency) return Variant(Currency());
  if (T == varSingle || T == varDouble || T == varDate) return VA::MakeDouble(T, 0);
  if (IsIntegerType(T) || T == varBoolean || T == varError) return VA::MakeInt(T, 0);
  throw EVariantError("Invalid variant array element type " + VarTypeAsText(T));
}

// The position of Index in the items of A, after checking both.
std::size_t ItemAt(const Variant& A, Integer Index) {
  if (!VarIsArray(A)) RaiseNotArray();
  const TVarArray& Data = VA::Array(A);
  Int64 At = Int64(Index) - Data.LowBound;
  if (At < 0 || At >= static_cast<Int64>(Data.Items.size())) RaiseIndex();
  return static_cast<std::size_t>(At);
}

void CheckDim(const Variant& A, Integer Dim) {
  if (!VarIsArray(A)) RaiseNotArray();
  if (Dim != 1) throw EVariantError("Invalid variant array dimension " + IntToStr(Dim));
}

}  // namespace

Int64 Variant::CheckedInt64(UInt64 Value) {
  if (Value > static_cast<UInt64>(std::numeric_limits<Int64>::max()))
    throw EVariantError("Overflow while converting " + std::to_string(Value) +
                        " into type (Int64)");
  return static_cast<Int64>(Value);
}

const TVarArray& Variant::ArrayData() const {
  if (!FArray) RaiseNotArray();
  return *FArray;
}

const Variant& Variant::operator[](Integer Index) const {
  return ArrayData().Items[ItemAt(*this, Index)];
}

Variant VarArrayOf(std::initializer_list<Variant> Values) {
  return VA::MakeArray(varVariant, TVarArray{0, std::vector<Variant>(Values)});
}

Variant VarArrayOf(const std::vector<Variant>& Values) {
  return VA::MakeArray(varVariant, TVarArray{0, Values});
}

Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType VarType) {
  if (Bounds.size() != 2)
    throw EVariantError("VarArrayCreate: one dimension (two bounds) expected, got " +
                        IntToStr(Integer(Bounds.size())) + " bounds");
  Integer Low = Bounds.begin()[0], High = Bounds.begin()[1];
  if (Int64(High) < Int64(Low) - 1)
    throw EVariantError("VarArrayCreate: invalid bounds " + IntToStr(Low) + ".." + IntToStr(High));
  Variant Zero = ZeroOf(VarType);
  std::size_t Count = static_cast<std::size_t>(Int64(High) - Low + 1);
  return VA::MakeArray(VarType, TVarArray{Low, std::vector<Variant>(Count, Zero)});
}

Integer VarArrayDimCount(const Variant& A) { return VarIsArray(A) ? 1 : 0; }

Integer VarArrayLowBound(const Variant& A, Integer Dim) {
  CheckDim(A, Dim);
  return VA::Array(A).LowBound;
}

Integer VarArrayHighBound(const Variant& A, Integer Dim) {
  CheckDim(A, Dim);
  const TVarArray& Data = VA::Array(A);
  return static_cast<Integer>(Data.LowBound + static_cast<Int64>(Data.Items.size()) - 1);
}

const Variant& VarArrayGet(const Variant& A, Integer Index) { return A[Index]; }

void VarArrayPut(Variant& A, const Variant& Value, Integer Index) {
  std::size_t At = ItemAt(A, Index);
  TVarType ElementType = A.GetVarType() & varTypeMask;
  VA::Array(A).Items[At] = VarAsType(Value, ElementType);
}

void VarArrayRedim(Variant& A, Integer HighBound) {
  CheckDim(A, 1);
  TVarArray& Data = VA::Array(A);
  if (Int64(HighBound) < Int64(Data.LowBound) - 1)
    throw EVariantError("VarArrayRedim: invalid high bound " + IntToStr(HighBound));
  Data.Items.resize(static_cast<std::size_t>(Int64(HighBound) - Data.LowBound + 1),
                    ZeroOf(A.GetVarType() & varTypeMask));
}

// [SECTION] Comparison ------------------------------------------------------------

namespace {

template <class T>
TVariantRelationship Relate(T A, T B) {
  if (A < B) return vrLessThan;
  if (B < A) return vrGreaterThan;
  return A == B ? vrEqual : vrNotEqual;  // NaN
}

// Both sides are numbers or dates. Currency against an integer or Currency
// compares exactly; everything else as Extended, which holds every Int64 and
// every Double exactly.
TVariantRelationship CompareNumbers(const Variant& A, const Variant& B) {
  TKind KA = KindOf(A), KB = KindOf(B);
  auto Exactish = [](TKind K) { return K == TKind::Int || K == TKind::Bool || K == TKind::Curr; };
  if ((KA == TKind::Curr || KB == TKind::Curr) && Exactish(KA) && Exactish(KB)) {
    auto Raw = [](const Variant& V, TKind K) -> Extended {
      return K == TKind::Curr ? Extended(VA::Curr(V).GetRaw())
                              : Extended(VA::Int(V)) * Currency::Scale;
    };
    return Relate(Raw(A, KA), Raw(B, KB));
  }
  auto Value = [](const Variant& V, TKind K) -> Extended {
    if (K == TKind::Int || K == TKind::Bool) return Extended(VA::Int(V));
    if (K == TKind::Curr) return Extended(VA::Curr(V).GetRaw()) / Currency::Scale;
    return Extended(VA::Dbl(V));
  };
  return Relate(Value(A, KA), Value(B, KB));
}

// One side is a string, the other a number, date or Boolean: the string is
// read as the other side's kind.
TVariantRelationship CompareWithString(const Variant& S, const Variant& Other, bool Swapped) {
  TKind K = KindOf(Other);
  TVariantRelationship R;
  if (K == TKind::Bool) {
    R = Relate<Int64>(ToBoolean(S) ? -1 : 0, VA::Int(Other));
  } else if (K == TKind::Date) {
    R = Relate<Double>(ToDate(S), VA::Dbl(Other));
  } else {
    R = CompareNumbers(Variant(ToDouble(S, varDouble)), Other);
  }
  if (Swapped && R == vrLessThan) return vrGreaterThan;
  if (Swapped && R == vrGreaterThan) return vrLessThan;
  return R;
}

}  // namespace

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
  TKind KA = KindOf(A), KB = KindOf(B);
  if (KA == TKind::Array || KB == TKind::Array) RaiseInvalidOp();
  if (KA == TKind::Null || KB == TKind::Null) return KA == KB ? vrEqual : vrNotEqual;
  if (KA == TKind::Empty || KB == TKind::Empty) return KA == KB ? vrEqual : vrNotEqual;
  if (KA == TKind::Error || KB == TKind::Error) {
    if (KA != KB)
      RaiseCast(KA == TKind::Error ? A.GetVarType() : B.GetVarType(),
                KA == TKind::Error ? B.GetVarType() : A.GetVarType());
    return VA::Int(A) == VA::Int(B) ? vrEqual : vrNotEqual;
  }
  if (KA == TKind::Str && KB == TKind::Str) {
    Integer C = AnsiCompareStr(VA::Str(A), VA::Str(B));
    return C < 0 ? vrLessThan : C > 0 ? vrGreaterThan : vrEqual;
  }
  if (KA == TKind::Str) return CompareWithString(A, B, false);
  if (KB == TKind::Str) return CompareWithString(B, A, true);
  if (KA == TKind::Date || KB == TKind::Date)
    return Relate<Double>(ToDouble(A, varDate), ToDouble(B, varDate));
  return CompareNumbers(A, B);
}

bool operator==(const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrEqual; }

bool VarSameValue(const Variant& A, const Variant& B) {
  bool ArrayA = VarIsArray(A), ArrayB = VarIsArray(B);
  if (ArrayA || ArrayB) {
    if (!ArrayA || !ArrayB) return false;
    const TVarArray &DA = VA::Array(A), &DB = VA::Array(B);
    if (DA.LowBound != DB.LowBound || DA.Items.size() != DB.Items.size()) return false;
    for (std::size_t I = 0; I < DA.Items.size(); ++I)
      if (!VarSameValue(DA.Items[I], DB.Items[I])) return false;
    return true;
  }
  try {
    return VarCompareValue(A, B) == vrEqual;
  } catch (const Exception&) {
    return false;
  }
}

// [SECTION] Arithmetic -------------------------------------------------------------

namespace {

enum class TOp { Add, Sub, Mul, Div };

// An operand after the string and Empty rules: strings are read as Doubles,
// Empty as Integer 0.
Variant Operand(const Variant& V) {
  switch (KindOf(V)) {
    case TKind::Empty:
      return Variant(0);
    case TKind::Str:
      return Variant(ToDouble(V, varDouble));
    default:
      return V;
  }
}

bool IsSmallInt(TVarType T) { return T != varInt64 && T != varLongWord; }

Variant IntArith(TOp Op, const Variant& A, const Variant& B) {
  Int64 X = VA::Int(A), Y = VA::Int(B), R = 0;
  bool Over = false;
  switch (Op) {
    case TOp::Add:
      Over = __builtin_add_overflow(X, Y, &R);
      break;
    case TOp::Sub:
      Over = __builtin_sub_overflow(X, Y, &R);
      break;
    default:
      Over = __builtin_mul_overflow(X, Y, &R);
      break;
  }
  if (Over) throw EIntOverflow("Integer overflow in variant arithmetic");
  bool Small = IsSmallInt(A.GetVarType()) && IsSmallInt(B.GetVarType());
  if (Small && R >= std::numeric_limits<Integer>::min() && R <= std::numeric_limits<Integer>::max())
    return Variant(static_cast<Integer>(R));
  return Variant(R);
}

Variant CurrArith(TOp Op, Currency X, Currency Y) {
  switch (Op) {
    case TOp::Add:
      return Variant(X + Y);
    case TOp::Sub:
      return Variant(X - Y);
    default:
      return Variant(X * Y);
  }
}

Double FloatArith(TOp Op, Double X, Double Y) {
  switch (Op) {
    case TOp::Add:
      return X + Y;
    case TOp::Sub:
      return X - Y;
    case TOp::Mul:
      return X * Y;
    case TOp::Div:
      if (Y == 0) throw EZeroDivide("Floating point division by zero");
      return X / Y;
  }
  return 0;
}

Variant Arith(TOp Op, const Variant& A0, const Variant& B0) {
  TKind K0 = KindOf(A0), K1 = KindOf(B0);
  if (K0 == TKind::Array || K1 == TKind::Array || K0 == TKind::Error || K1 == TKind::Error)
    RaiseInvalidOp();
  if (K0 == TKind::Null || K1 == TKind::Null) return Null();
  bool Text0 = K0 == TKind::Str || K0 == TKind::Empty,
       Text1 = K1 == TKind::Str || K1 == TKind::Empty;
  if (Op == TOp::Add && Text0 && Text1 && (K0 == TKind::Str || K1 == TKind::Str))
    return Variant(ToString(A0) + ToString(B0));
  Variant A = Operand(A0), B = Operand(B0);
  TKind KA = KindOf(A), KB = KindOf(B);
  if (Op == TOp::Div) return Variant(FloatArith(Op, A.AsDouble(), B.AsDouble()));
  if (KA == TKind::Date || KB == TKind::Date) {
    Double R = FloatArith(Op, ToDouble(A, varDate), ToDouble(B, varDate));
    bool DateResult = Op != TOp::Mul && !(Op == TOp::Sub && KA == TKind::Date && KB == TKind::Date);
    return DateResult ? VarFromDateTime(R) : Variant(R);
  }
  if (KA == TKind::Curr || KB == TKind::Curr) return CurrArith(Op, ToCurrency(A), ToCurrency(B));
  if (KA == TKind::Float || KB == TKind::Float)
    return Variant(FloatArith(Op, ToDouble(A, varDouble), ToDouble(B, varDouble)));
  return IntArith(Op, A, B);
}

}  // namespace

Variant operator+(const Variant& A, const Variant& B) { return Arith(TOp::Add, A, B); }
Variant operator-(const Variant& A, const Variant& B) { return Arith(TOp::Sub, A, B); }
Variant operator*(const Variant& A, const Variant& B) { return Arith(TOp::Mul, A, B); }
Variant operator/(const Variant& A, const Variant& B) { return Arith(TOp::Div, A, B); }

}  // namespace kvp
