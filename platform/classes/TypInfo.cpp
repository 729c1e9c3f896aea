// Index
// [SECTION] Type information storage
// [SECTION] Member tables
// [SECTION] Lookups
// [SECTION] Enumerations and sets
// [SECTION] Value accessors
#include "platform/classes/TypInfo.h"

#include <cmath>
#include <deque>
#include <map>
#include <tuple>

namespace kvp {

// [SECTION] Type information storage

namespace {

// Type information lives as long as the program; these own it.
std::deque<TTypeInfo>& TypeStore() {
  static std::deque<TTypeInfo> Store;
  return Store;
}
std::deque<TPropInfo>& PropStore() {
  static std::deque<TPropInfo> Store;
  return Store;
}
std::deque<TMethodInfo>& MethodStore() {
  static std::deque<TMethodInfo> Store;
  return Store;
}
std::deque<TFieldInfo>& FieldStore() {
  static std::deque<TFieldInfo> Store;
  return Store;
}

TTypeInfo* NewType(TTypeKind Kind, const String& Name) {
  TTypeInfo& T = TypeStore().emplace_back();
  T.Kind = Kind;
  T.Name = Name;
  return &T;
}

[[noreturn]] void UnknownProperty(const String& Name) {
  throw EPropertyError("Unknown property: '" + Name + "'");
}

const TPropInfo* NeedProp(TObject* Instance, const String& PropName) {
  const TPropInfo* P = GetPropInfo(Instance, PropName);
  if (!P) UnknownProperty(PropName);
  return P;
}

}  // namespace

bool SameIdent(const String& A, const String& B) { return SameText(A, B); }

namespace detail {

const TTypeInfo* MakeEnumInfo(const char* Name, const char* Enumerators, std::size_t Count) {
  TTypeInfo* T = NewType(tkEnumeration, Name);
  String All = Enumerators;
  std::size_t Start = 0;
  while (Start <= All.size()) {
    std::size_t Comma = All.find(',', Start);
    if (Comma == String::npos) Comma = All.size();
    String Item = Trim(All.substr(Start, Comma - Start));
    std::size_t Scope = Item.rfind("::");  // TFoo::Bar for scoped enumerations
    if (Scope != String::npos) Item = Item.substr(Scope + 2);
    if (!Item.empty()) T->NameList.push_back(Item);
    Start = Comma + 1;
  }
  KV_ASSERT(T->NameList.size() == Count, "enumerator names do not match their values");
  T->OrdType = Count <= 256 ? otUByte : otUWord;
  T->MinValue = 0;
  T->MaxValue = Int64(Count) - 1;
  return T;
}

const TTypeInfo* OrdinalInfo(TTypeKind Kind, TOrdType Ord, const char* Name, Int64 Min, Int64 Max) {
  static std::map<std::tuple<int, int, String>, const TTypeInfo*> Made;
  const TTypeInfo*& Slot = Made[{Kind, Ord, Name}];
  if (!Slot) {
    TTypeInfo* T = NewType(Kind, Name);
    T->OrdType = Ord;
    T->MinValue = Min;
    T->MaxValue = Max;
    Slot = T;
  }
  return Slot;
}

const TTypeInfo* FloatInfo(TFloatType Type, const char* Name) {
  static std::map<int, const TTypeInfo*> Made;
  const TTypeInfo*& Slot = Made[Type];
  if (!Slot) {
    TTypeInfo* T = NewType(tkFloat, Name);
    T->FloatType = Type;
    Slot = T;
  }
  return Slot;
}

const TTypeInfo* StringInfo() {
  static const TTypeInfo* T = NewType(tkString, "String");
  return T;
}

const TTypeInfo* VariantInfo() {
  static const TTypeInfo* T = NewType(tkVariant, "Variant");
  return T;
}

const TTypeInfo* BooleanInfo() {
  static const TTypeInfo* T = [] {
    TTypeInfo* B = NewType(tkEnumeration, "Boolean");
    B->NameList = {"False", "True"};
    B->OrdType = otUByte;
    B->MaxValue = 1;
    return B;
  }();
  return T;
}

const TTypeInfo* SetInfo(const TTypeInfo* CompType) {
  static std::map<const TTypeInfo*, const TTypeInfo*> Made;
  const TTypeInfo*& Slot = Made[CompType];
  if (!Slot) {
    TTypeInfo* T = NewType(tkSet, "set of " + CompType->Name);
    T->CompType = CompType;
    Slot = T;
  }
  return Slot;
}

const TTypeInfo* ClassInfoOf(TClass Class) {
  static std::map<TClass, const TTypeInfo*> Made;
  const TTypeInfo*& Slot = Made[Class];
  if (!Slot) {
    TTypeInfo* T = NewType(tkClass, Class->Name);
    T->ClassType = Class;
    Slot = T;
  }
  return Slot;
}

const TTypeInfo* MethodInfoOf(const std::type_info& Sig) {
  static std::map<const std::type_info*, const TTypeInfo*> Made;
  for (auto& [Key, Info] : Made)
    if (*Key == Sig) return Info;
  TTypeInfo* T = NewType(tkMethod, "TMethod");
  T->MethodSig = &Sig;
  Made[&Sig] = T;
  return T;
}

[[noreturn]] void PropTypeError(const TPropValue&) {
  throw EPropertyError("Invalid property type");
}

TObject* CheckObjectClass(TObject* Obj, TClass Class) {
  if (Obj && !Obj->InheritsFrom(Class))
    throw EPropertyError(String("Invalid property value: a ") + Obj->ClassName() + " is not a " +
                         Class->Name);
  return Obj;
}

// [SECTION] Member tables

TPropInfo* NewPropInfo(TClassInfo& Info, const String& Name) {
  TPropInfo& P = PropStore().emplace_back();
  P.Name = Name;
  P.Owner = &Info;
  Info.Properties.push_back(&P);
  return &P;
}

void AddMethodInfo(TClassInfo& Info, TMethodInfo Method) {
  Info.Methods.push_back(&MethodStore().emplace_back(std::move(Method)));
}

void AddFieldInfo(TClassInfo& Info, TFieldInfo Field) {
  Info.Fields.push_back(&FieldStore().emplace_back(std::move(Field)));
}

}  // namespace detail

namespace {

std::map<String, TTypeInfo*>& NamedTypes() {
  static std::map<String, TTypeInfo*> Types;
  return Types;
}

}  // namespace

const TTypeInfo* NamedIntegerType(const String& Name) {
  TTypeInfo*& Slot = NamedTypes()[Name];
  if (!Slot) {
    Slot = NewType(tkInteger, Name);
    Slot->MinValue = INT32_MIN;
    Slot->MaxValue = INT32_MAX;
  }
  return Slot;
}

void RegisterIntegerConsts(const String& TypeName, TIdentToInt IdentToInt, TIntToIdent IntToIdent) {
  NamedIntegerType(TypeName);
  TTypeInfo* T = NamedTypes()[TypeName];
  T->IdentToInt = IdentToInt;
  T->IntToIdent = IntToIdent;
}

TPropBuilder& TPropBuilder::TypeName(const String& Name) {
  if (!FInfo.PropType || FInfo.PropType->Kind != tkInteger)
    throw EPropertyError("Property " + FInfo.Name + " is not an integer property");
  // A named integer type keeps the size and range of the properties of that
  // name (TColor is an Integer, TFontCharset a Byte).
  NamedIntegerType(Name);
  TTypeInfo* Named = NamedTypes()[Name];
  Named->OrdType = FInfo.PropType->OrdType;
  Named->MinValue = FInfo.PropType->MinValue;
  Named->MaxValue = FInfo.PropType->MaxValue;
  FInfo.PropType = Named;
  return *this;
}

// [SECTION] Lookups

namespace {

void EnsurePublished(TClass Class) {
  if (Class->PublishedReady) return;
  Class->PublishedReady = true;
  if (Class->DeclarePublished) Class->DeclarePublished(const_cast<TClassInfo&>(*Class));
}

// The class chain from the root class down to Class.
std::vector<TClass> Chain(TClass Class) {
  std::vector<TClass> C;
  for (TClass K = Class; K; K = K->Parent) C.insert(C.begin(), K);
  for (TClass K : C) EnsurePublished(K);
  return C;
}

}  // namespace

std::vector<const TPropInfo*> GetPropList(TClass Class) {
  std::vector<const TPropInfo*> List;
  for (TClass K : Chain(Class))
    for (const TPropInfo* P : K->Properties) {
      bool Replaced = false;
      for (const TPropInfo*& Old : List)
        if (SameIdent(Old->Name, P->Name)) {
          Old = P;
          Replaced = true;
        }
      if (!Replaced) List.push_back(P);
    }
  return List;
}

const TPropInfo* GetPropInfo(TClass Class, const String& PropName) {
  if (!Class) return nullptr;
  for (TClass K = Class; K; K = K->Parent) {
    EnsurePublished(K);
    for (const TPropInfo* P : K->Properties)
      if (SameIdent(P->Name, PropName)) return P;
  }
  return nullptr;
}

const TPropInfo* GetPropInfo(TObject* Instance, const String& PropName) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

bool IsPublishedProp(TObject* Instance, const String& PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

bool PropIsType(TObject* Instance, const String& PropName, TTypeKind Kind) {
  return PropType(Instance, PropName) == Kind;
}

TTypeKind PropType(TObject* Instance, const String& PropName) {
  return NeedProp(Instance, PropName)->PropType->Kind;
}

const TMethodInfo* FindPublishedMethod(TClass Class, const String& Name) {
  for (TClass K = Class; K; K = K->Parent) {
    EnsurePublished(K);
    for (const TMethodInfo* M : K->Methods)
      if (SameIdent(M->Name, Name)) return M;
  }
  return nullptr;
}

const TFieldInfo* FindPublishedField(TClass Class, const String& Name) {
  if (Name.empty()) return nullptr;
  for (TClass K = Class; K; K = K->Parent) {
    EnsurePublished(K);
    for (const TFieldInfo* F : K->Fields)
      if (SameIdent(F->Name, Name)) return F;
  }
  return nullptr;
}

TClass FindFieldClass(TClass Class, const String& ClassName) {
  for (TClass K = Class; K; K = K->Parent) {
    EnsurePublished(K);
    for (const TFieldInfo* F : K->Fields)
      if (SameIdent(F->FieldClass->Name, ClassName)) return F->FieldClass;
  }
  return nullptr;
}

TMethod MethodAddress(TObject* Instance, const String& Name) {
  if (!Instance) return TMethod();
  const TMethodInfo* M = FindPublishedMethod(Instance->ClassType(), Name);
  return M ? M->Bind(Instance) : TMethod();
}

String MethodName(TObject* Instance, const TMethod& Method) {
  if (!Instance || !Method || Method.GetData() == nullptr) return "";
  for (TClass K = Instance->ClassType(); K; K = K->Parent) {
    EnsurePublished(K);
    for (const TMethodInfo* M : K->Methods)
      if (*M->Signature == *Method.Signature() && M->Bind(Instance) == Method) return M->Name;
  }
  return "";
}

// [SECTION] Enumerations and sets

String GetEnumName(const TTypeInfo* TypeInfo, Integer Value) {
  if (TypeInfo && TypeInfo->Kind == tkEnumeration && Value >= 0 &&
      std::size_t(Value) < TypeInfo->NameList.size())
    return TypeInfo->NameList[std::size_t(Value)];
  return std::to_string(Value);
}

Integer GetEnumValue(const TTypeInfo* TypeInfo, const String& Name) {
  if (!TypeInfo || TypeInfo->Kind != tkEnumeration) return -1;
  for (std::size_t I = 0; I < TypeInfo->NameList.size(); ++I)
    if (SameIdent(TypeInfo->NameList[I], Name)) return Integer(I);
  return -1;
}

String SetToString(const TTypeInfo* SetType, Int64 Value, bool Brackets) {
  String S;
  const TTypeInfo* Comp = SetType->CompType;
  for (std::size_t I = 0; I < Comp->NameList.size() && I < 64; ++I)
    if (std::uint64_t(Value) & (std::uint64_t(1) << I)) {
      if (!S.empty()) S += ',';
      S += Comp->NameList[I];
    }
  return Brackets ? "[" + S + "]" : S;
}

Int64 StringToSet(const TTypeInfo* SetType, const String& Value) {
  String Body = Trim(Value);
  if (!Body.empty() && Body.front() == '[') {
    if (Body.back() != ']') throw EPropertyError("Invalid property element: " + Value);
    Body = Body.substr(1, Body.size() - 2);
  }
  std::uint64_t Bits = 0;
  std::size_t Start = 0;
  while (Start <= Body.size()) {
    std::size_t Comma = Body.find(',', Start);
    if (Comma == String::npos) Comma = Body.size();
    String Name = Trim(Body.substr(Start, Comma - Start));
    if (!Name.empty()) {
      Integer V = GetEnumValue(SetType->CompType, Name);
      if (V < 0) throw EPropertyError("Invalid property element: " + Name);
      Bits |= std::uint64_t(1) << V;
    } else if (Comma < Body.size()) {
      throw EPropertyError("Invalid property element: " + Value);
    }
    Start = Comma + 1;
  }
  return Int64(Bits);
}

// [SECTION] Value accessors

namespace {

TPropValue GetValue(TObject* Instance, const TPropInfo* Prop) {
  if (!Prop->Get) throw EPropertyError("Property " + Prop->Name + " is write-only");
  return Prop->Get(Instance);
}

void SetValue(TObject* Instance, const TPropInfo* Prop, const TPropValue& V) {
  if (!Prop->Set) throw EPropertyError("Property " + Prop->Name + " is read-only");
  Prop->Set(Instance, V);
}

void CheckKind(const TPropInfo* Prop, std::initializer_list<TTypeKind> Kinds) {
  for (TTypeKind K : Kinds)
    if (Prop->PropType->Kind == K) return;
  throw EPropertyError("Invalid property type: " + Prop->Name + " is a " + Prop->PropType->Name);
}

void CheckRange(const TPropInfo* Prop, Int64 Value) {
  const TTypeInfo* T = Prop->PropType;
  if (T->Kind == tkSet || T->Kind == tkInt64) return;
  if (Value < T->MinValue || Value > T->MaxValue)
    throw ERangeError("Range check error: " + std::to_string(Value) + " is out of range for " +
                      Prop->Name);
}

}  // namespace

Int64 GetOrdProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkInteger, tkChar, tkEnumeration, tkSet, tkInt64});
  return std::get<Int64>(GetValue(Instance, Prop));
}

void SetOrdProp(TObject* Instance, const TPropInfo* Prop, Int64 Value) {
  CheckKind(Prop, {tkInteger, tkChar, tkEnumeration, tkSet, tkInt64});
  CheckRange(Prop, Value);
  SetValue(Instance, Prop, Value);
}

Int64 GetInt64Prop(TObject* Instance, const TPropInfo* Prop) { return GetOrdProp(Instance, Prop); }
void SetInt64Prop(TObject* Instance, const TPropInfo* Prop, Int64 Value) {
  SetOrdProp(Instance, Prop, Value);
}

String GetEnumProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkEnumeration});
  return GetEnumName(Prop->PropType, Integer(GetOrdProp(Instance, Prop)));
}

void SetEnumProp(TObject* Instance, const TPropInfo* Prop, const String& Value) {
  CheckKind(Prop, {tkEnumeration});
  Integer V = GetEnumValue(Prop->PropType, Value);
  if (V < 0) throw EPropertyError("Invalid property element: " + Value);
  SetValue(Instance, Prop, Int64(V));
}

String GetSetProp(TObject* Instance, const TPropInfo* Prop, bool Brackets) {
  CheckKind(Prop, {tkSet});
  return SetToString(Prop->PropType, GetOrdProp(Instance, Prop), Brackets);
}

void SetSetProp(TObject* Instance, const TPropInfo* Prop, const String& Value) {
  CheckKind(Prop, {tkSet});
  SetValue(Instance, Prop, StringToSet(Prop->PropType, Value));
}

Extended GetFloatProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkFloat});
  return std::get<Extended>(GetValue(Instance, Prop));
}

void SetFloatProp(TObject* Instance, const TPropInfo* Prop, Extended Value) {
  CheckKind(Prop, {tkFloat});
  SetValue(Instance, Prop, Value);
}

String GetStrProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkString});
  return std::get<String>(GetValue(Instance, Prop));
}

void SetStrProp(TObject* Instance, const TPropInfo* Prop, const String& Value) {
  CheckKind(Prop, {tkString});
  SetValue(Instance, Prop, Value);
}

TObject* GetObjectProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkClass});
  return std::get<TObject*>(GetValue(Instance, Prop));
}

void SetObjectProp(TObject* Instance, const TPropInfo* Prop, TObject* Value) {
  CheckKind(Prop, {tkClass});
  detail::CheckObjectClass(Value, Prop->PropType->ClassType);
  SetValue(Instance, Prop, Value);
}

TMethod GetMethodProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkMethod});
  return std::get<TMethod>(GetValue(Instance, Prop));
}

void SetMethodProp(TObject* Instance, const TPropInfo* Prop, const TMethod& Value) {
  CheckKind(Prop, {tkMethod});
  if (Value.Signature() && *Value.Signature() != *Prop->PropType->MethodSig)
    throw EPropertyError("Invalid property value: the method does not fit " + Prop->Name);
  SetValue(Instance, Prop, Value);
}

Variant GetVariantProp(TObject* Instance, const TPropInfo* Prop) {
  CheckKind(Prop, {tkVariant});
  return std::get<Variant>(GetValue(Instance, Prop));
}

void SetVariantProp(TObject* Instance, const TPropInfo* Prop, const Variant& Value) {
  CheckKind(Prop, {tkVariant});
  SetValue(Instance, Prop, Value);
}

bool SamePropValue(const TPropInfo* Prop, const TPropValue& A, const TPropValue& B) {
  if (Prop->PropType->Kind != tkVariant) return A == B;
  const Variant& X = std::get<Variant>(A);
  const Variant& Y = std::get<Variant>(B);
  if (VarType(X) != VarType(Y)) return false;
  if (VarIsEmpty(X) || VarIsNull(X)) return true;
  try {
    return X == Y;
  } catch (const Exception&) {
    return false;  // not comparable: not the same
  }
}

bool IsStoredProp(TObject* Instance, const TPropInfo* Prop) {
  return Prop->StoredProc ? Prop->StoredProc(Instance) : Prop->StoredValue;
}

bool IsDefaultPropValue(TObject* Instance, const TPropInfo* Prop) {
  if (!Prop->Get) return true;
  TPropValue V = Prop->Get(Instance);
  switch (Prop->PropType->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
      return Prop->HasDefault && std::get<Int64>(V) == Prop->Default;
    case tkInt64:
      return Prop->HasDefault ? std::get<Int64>(V) == Prop->Default : std::get<Int64>(V) == 0;
    case tkFloat:  // -0.0 is kept: it must read back with its sign
      return std::get<Extended>(V) == 0 && !std::signbit(std::get<Extended>(V));
    case tkString:
      return std::get<String>(V).empty();
    case tkClass:
      return std::get<TObject*>(V) == nullptr;
    case tkMethod:
      return !std::get<TMethod>(V).Assigned();
    case tkVariant:
      return VarIsEmpty(std::get<Variant>(V));
    default:
      return false;
  }
}

Int64 GetOrdProp(TObject* Instance, const String& PropName) {
  return GetOrdProp(Instance, NeedProp(Instance, PropName));
}
void SetOrdProp(TObject* Instance, const String& PropName, Int64 Value) {
  SetOrdProp(Instance, NeedProp(Instance, PropName), Value);
}
String GetEnumProp(TObject* Instance, const String& PropName) {
  return GetEnumProp(Instance, NeedProp(Instance, PropName));
}
void SetEnumProp(TObject* Instance, const String& PropName, const String& Value) {
  SetEnumProp(Instance, NeedProp(Instance, PropName), Value);
}
String GetSetProp(TObject* Instance, const String& PropName, bool Brackets) {
  return GetSetProp(Instance, NeedProp(Instance, PropName), Brackets);
}
void SetSetProp(TObject* Instance, const String& PropName, const String& Value) {
  SetSetProp(Instance, NeedProp(Instance, PropName), Value);
}
Extended GetFloatProp(TObject* Instance, const String& PropName) {
  return GetFloatProp(Instance, NeedProp(Instance, PropName));
}
void SetFloatProp(TObject* Instance, const String& PropName, Extended Value) {
  SetFloatProp(Instance, NeedProp(Instance, PropName), Value);
}
String GetStrProp(TObject* Instance, const String& PropName) {
  return GetStrProp(Instance, NeedProp(Instance, PropName));
}
void SetStrProp(TObject* Instance, const String& PropName, const String& Value) {
  SetStrProp(Instance, NeedProp(Instance, PropName), Value);
}
TObject* GetObjectProp(TObject* Instance, const String& PropName) {
  return GetObjectProp(Instance, NeedProp(Instance, PropName));
}
void SetObjectProp(TObject* Instance, const String& PropName, TObject* Value) {
  SetObjectProp(Instance, NeedProp(Instance, PropName), Value);
}
Variant GetVariantProp(TObject* Instance, const String& PropName) {
  return GetVariantProp(Instance, NeedProp(Instance, PropName));
}
void SetVariantProp(TObject* Instance, const String& PropName, const Variant& Value) {
  SetVariantProp(Instance, NeedProp(Instance, PropName), Value);
}
TMethod GetMethodProp(TObject* Instance, const String& PropName) {
  return GetMethodProp(Instance, NeedProp(Instance, PropName));
}
void SetMethodProp(TObject* Instance, const String& PropName, const TMethod& Value) {
  SetMethodProp(Instance, NeedProp(Instance, PropName), Value);
}

}  // namespace kvp
