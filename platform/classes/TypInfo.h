// Published properties, methods and component fields: the run-time type
// information that streaming, the property-storage interceptors and "find the
// published property X" lookups read. A class lists its published members once,
// in a KV_PUBLISHED block inside its body; the table is built lazily on first
// use and is reached through the class (GetPropInfo, GetPropList) or through
// the value accessors below (GetOrdProp, SetStrProp, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "platform/classes/Object.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Delegate.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Variants.h"

namespace kvp {

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkInt64,
  tkVariant,
};
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// Maps between identifiers and integer values of a named integer type (colours,
// cursors): "clBtnFace" is streamed instead of its number.
using TIdentToInt = bool (*)(const String& Ident, Integer& Value);
using TIntToIdent = bool (*)(Integer Value, String& Ident);

// TTypeInfo: the description of a property's type. One instance per type,
// made on first use and never freed.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  String Name;
  TOrdType OrdType = otSLong;  // tkInteger, tkChar, tkEnumeration
  Int64 MinValue = 0;          // ordinal range
  Int64 MaxValue = 0;
  std::vector<String> NameList;               // tkEnumeration: value names, by value
  const TTypeInfo* CompType = nullptr;        // tkSet: the enumeration of its members
  TClass ClassType = nullptr;                 // tkClass
  TFloatType FloatType = ftDouble;            // tkFloat
  const std::type_info* MethodSig = nullptr;  // tkMethod: the delegate type
  TIdentToInt IdentToInt = nullptr;           // named integer types only
  TIntToIdent IntToIdent = nullptr;
};

// A type-erased event value: the delegate held by an event property, of
// whatever signature. Two values are equal when their delegates are equal.
class TMethod {
 public:
  TMethod() = default;
  template <class R, class... A>
  explicit TMethod(const TDelegate<R(A...)>& D)
      : FValue(std::make_shared<Holder<TDelegate<R(A...)>>>(D)) {}

  bool Assigned() const { return FValue && FValue->Assigned(); }
  explicit operator bool() const { return Assigned(); }
  // The delegate type, or null for an empty value.
  const std::type_info* Signature() const { return FValue ? &FValue->Signature() : nullptr; }
  // The object a member delegate is bound to.
  void* GetData() const { return FValue ? FValue->Data() : nullptr; }
  template <class D>
  D Get() const {
    if (!FValue) return D();
    if (FValue->Signature() != typeid(D)) throw EInvalidCast("Invalid class typecast");
    return static_cast<const Holder<D>&>(*FValue).Value;
  }
  friend bool operator==(const TMethod& X, const TMethod& Y) {
    if (!X.Assigned() || !Y.Assigned()) return X.Assigned() == Y.Assigned();
    return X.FValue->Signature() == Y.FValue->Signature() && X.FValue->Equals(*Y.FValue);
  }

 private:
  struct HolderBase {
    virtual ~HolderBase() = default;
    virtual const std::type_info& Signature() const = 0;
    virtual bool Assigned() const = 0;
    virtual void* Data() const = 0;
    virtual bool Equals(const HolderBase& Other) const = 0;
  };
  template <class D>
  struct Holder final : HolderBase {
    explicit Holder(const D& V) : Value(V) {}
    D Value;
    const std::type_info& Signature() const override { return typeid(D); }
    bool Assigned() const override { return bool(Value); }
    void* Data() const override { return Value.GetData(); }
    bool Equals(const HolderBase& Other) const override {
      return Value == static_cast<const Holder&>(Other).Value;
    }
  };
  std::shared_ptr<const HolderBase> FValue;
};

// The value of any published property, by kind: ordinals, sets (as member
// bits) and Int64 as Int64; floats (Currency included) as Extended; strings;
// objects; events; variants.
using TPropValue = std::variant<Int64, Extended, String, TObject*, TMethod, Variant>;

// TPropInfo: one published property of a class: its name, type, accessors,
// default and stored rule.
struct TPropInfo {
  String Name;
  const TTypeInfo* PropType = nullptr;
  TClass Owner = nullptr;                                // the class that declared it
  std::function<TPropValue(TObject*)> Get;               // null: write-only
  std::function<void(TObject*, const TPropValue&)> Set;  // null: read-only
  bool HasDefault = false;                               // ordinals and sets: Default is meaningful
  Int64 Default = 0;
  bool StoredValue = true;  // used when StoredProc is null
  std::function<bool(TObject*)> StoredProc;
};

// A published method: an event handler that a stored form names.
struct TMethodInfo {
  String Name;
  const std::type_info* Signature = nullptr;  // the delegate type it fits
  std::function<TMethod(TObject*)> Bind;      // the delegate bound to an instance
};

// A published component field: a stored form's child of this name is put here.
struct TFieldInfo {
  String Name;
  TClass FieldClass = nullptr;
  std::function<void(TObject* Instance, TObject* Value)> Set;
  std::function<TObject*(TObject* Instance)> Get;
};

// [SECTION] Type information of C++ types

namespace detail {
const TTypeInfo* MakeEnumInfo(const char* Name, const char* Enumerators, std::size_t Count);
template <class E, std::size_t N>
constexpr bool IsSequential(const E (&Values)[N]) {
  for (std::size_t I = 0; I < N; ++I)
    if (static_cast<long long>(Values[I]) != static_cast<long long>(I)) return false;
  return true;
}
const TTypeInfo* OrdinalInfo(TTypeKind Kind, TOrdType Ord, const char* Name, Int64 Min, Int64 Max);
const TTypeInfo* FloatInfo(TFloatType Type, const char* Name);
const TTypeInfo* StringInfo();
const TTypeInfo* VariantInfo();
const TTypeInfo* BooleanInfo();
const TTypeInfo* SetInfo(const TTypeInfo* CompType);
const TTypeInfo* ClassInfoOf(TClass Class);
const TTypeInfo* MethodInfoOf(const std::type_info& Sig);

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<TSet<E>> : std::true_type {
  using Element = E;
};
template <class T>
struct IsDelegate : std::false_type {};
template <class Sig>
struct IsDelegate<TDelegate<Sig>> : std::true_type {};
}  // namespace detail

// Declares the value names of an enumeration so that it can be published.
// Place it at namespace scope beside the enumeration; the enumerators must be
// listed in value order from 0, which is checked at compile time:
//   enum TAlignment { taLeftJustify, taRightJustify, taCenter };
//   KV_ENUM_INFO(TAlignment, taLeftJustify, taRightJustify, taCenter)
#define KV_ENUM_INFO(Enum, ...)                                                  \
  inline const ::kvp::TTypeInfo* KvEnumTypeInfo(Enum*) {                         \
    static constexpr Enum Values[] = {__VA_ARGS__};                              \
    static_assert(::kvp::detail::IsSequential(Values),                           \
                  #Enum ": list the enumerators in value order, starting at 0"); \
    static const ::kvp::TTypeInfo* Info =                                        \
        ::kvp::detail::MakeEnumInfo(#Enum, #__VA_ARGS__, std::size(Values));     \
    return Info;                                                                 \
  }

// The type information of a C++ type that may be published.
template <class T>
const TTypeInfo* TypeInfo() {
  using detail::OrdinalInfo;
  if constexpr (std::is_same_v<T, bool>) {
    return detail::BooleanInfo();
  } else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, char32_t>) {
    return OrdinalInfo(tkChar, std::is_same_v<T, char> ? otUByte : otULong, "Char", 0,
                       std::is_same_v<T, char> ? 255 : 0x10FFFF);
  } else if constexpr (std::is_integral_v<T> && sizeof(T) == 8) {
    return OrdinalInfo(tkInt64, otSLong, std::is_signed_v<T> ? "Int64" : "UInt64", INT64_MIN,
                       INT64_MAX);
  } else if constexpr (std::is_integral_v<T>) {
    constexpr TOrdType Ord = sizeof(T) == 1   ? (std::is_signed_v<T> ? otSByte : otUByte)
                             : sizeof(T) == 2 ? (std::is_signed_v<T> ? otSWord : otUWord)
                                              : (std::is_signed_v<T> ? otSLong : otULong);
    return OrdinalInfo(tkInteger, Ord, std::is_signed_v<T> ? "Integer" : "Cardinal",
                       Int64(std::numeric_limits<T>::min()), Int64(std::numeric_limits<T>::max()));
  } else if constexpr (std::is_floating_point_v<T>) {
    return detail::FloatInfo(sizeof(T) == sizeof(float)    ? ftSingle
                             : sizeof(T) == sizeof(double) ? ftDouble
                                                           : ftExtended,
                             sizeof(T) == sizeof(float)    ? "Single"
                             : sizeof(T) == sizeof(double) ? "Double"
                                                           : "Extended");
  } else if constexpr (std::is_same_v<T, Currency>) {
    return detail::FloatInfo(ftCurr, "Currency");
  } else if constexpr (std::is_same_v<T, String>) {
    return detail::StringInfo();
  } else if constexpr (std::is_same_v<T, Variant>) {
    return detail::VariantInfo();
  } else if constexpr (std::is_enum_v<T>) {
    return KvEnumTypeInfo(static_cast<T*>(nullptr));  // declared by KV_ENUM_INFO
  } else if constexpr (detail::IsSet<T>::value) {
    return detail::SetInfo(TypeInfo<typename detail::IsSet<T>::Element>());
  } else if constexpr (std::is_pointer_v<T> &&
                       std::is_base_of_v<TObject, std::remove_pointer_t<T>>) {
    return detail::ClassInfoOf(std::remove_pointer_t<T>::StaticClass());
  } else if constexpr (detail::IsDelegate<T>::value) {
    return detail::MethodInfoOf(typeid(T));
  } else {
    static_assert(sizeof(T) == 0, "this type cannot be a published property");
  }
}

// A named integer type whose values may stream as identifiers; registering
// the maps again replaces them.
const TTypeInfo* NamedIntegerType(const String& Name);
void RegisterIntegerConsts(const String& TypeName, TIdentToInt IdentToInt, TIntToIdent IntToIdent);

// [SECTION] Declaring published members

namespace detail {
template <class T>
TPropValue ToPropValue(const T& V) {
  if constexpr (std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>)
    return Int64(V);
  else if constexpr (IsSet<T>::value)
    return Int64(V.GetBits());
  else if constexpr (std::is_floating_point_v<T>)
    return Extended(V);
  else if constexpr (std::is_same_v<T, Currency>)
    return Extended(V.GetRaw()) / Currency::Scale;
  else if constexpr (std::is_same_v<T, String> || std::is_same_v<T, Variant>)
    return V;
  else if constexpr (std::is_pointer_v<T>)
    return static_cast<TObject*>(V);
  else
    return TMethod(V);
}
[[noreturn]] void PropTypeError(const TPropValue& V);
TObject* CheckObjectClass(TObject* Obj, TClass Class);

template <class T>
T FromPropValue(const TPropValue& V) {
  if constexpr (std::is_same_v<T, bool> || std::is_integral_v<T> || std::is_enum_v<T>) {
    if (auto* I = std::get_if<Int64>(&V)) return static_cast<T>(*I);
  } else if constexpr (IsSet<T>::value) {
    if (auto* I = std::get_if<Int64>(&V)) return T::FromBits(static_cast<std::uint64_t>(*I));
  } else if constexpr (std::is_floating_point_v<T>) {
    if (auto* F = std::get_if<Extended>(&V)) return static_cast<T>(*F);
    if (auto* I = std::get_if<Int64>(&V)) return static_cast<T>(*I);
  } else if constexpr (std::is_same_v<T, Currency>) {
    if (auto* F = std::get_if<Extended>(&V)) return Currency::FromDouble(*F);
    if (auto* I = std::get_if<Int64>(&V)) return Currency::FromDouble(Extended(*I));
  } else if constexpr (std::is_same_v<T, String>) {
    if (auto* S = std::get_if<String>(&V)) return *S;
  } else if constexpr (std::is_same_v<T, Variant>) {
    if (auto* A = std::get_if<Variant>(&V)) return *A;
  } else if constexpr (std::is_pointer_v<T>) {
    using C = std::remove_pointer_t<T>;
    if (auto* O = std::get_if<TObject*>(&V))
      return static_cast<T>(CheckObjectClass(*O, C::StaticClass()));
  } else {
    if (auto* M = std::get_if<TMethod>(&V)) return M->template Get<T>();
  }
  PropTypeError(V);
}

template <class M>
struct MemberOf;
template <class M, class C>
struct MemberOf<M C::*> {
  using Class = C;
};
// The value type a setter takes.
template <class S>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using Type = std::decay_t<A>;
};
template <class M, class C>
requires(!std::is_function_v<M>) struct SetterArg<M C::*> {
  using Type = M;
};

TPropInfo* NewPropInfo(TClassInfo& Info, const String& Name);
void AddMethodInfo(TClassInfo& Info, TMethodInfo Method);
void AddFieldInfo(TClassInfo& Info, TFieldInfo Field);
}  // namespace detail

// TPropBuilder: refines the property just declared (default, stored rule,
// named integer type). Each call returns the builder, so calls chain.
class TPropBuilder {
 public:
  explicit TPropBuilder(TPropInfo& Info) : FInfo(Info) {}
  // The default of an ordinal or set property: a value equal to it is not
  // written. A property without a default is always written when stored.
  template <class T>
  TPropBuilder& Default(const T& Value) {
    FInfo.HasDefault = true;
    FInfo.Default = std::get<Int64>(detail::ToPropValue(Value));
    return *this;
  }
  TPropBuilder& Stored(bool Value) {
    FInfo.StoredValue = Value;
    FInfo.StoredProc = nullptr;
    return *this;
  }
  template <class C>
  TPropBuilder& Stored(bool (C::*Pred)() const) {
    FInfo.StoredProc = [Pred](TObject* O) { return (static_cast<C*>(O)->*Pred)(); };
    return *this;
  }
  template <class C>
  TPropBuilder& Stored(bool (C::*Pred)()) {
    FInfo.StoredProc = [Pred](TObject* O) { return (static_cast<C*>(O)->*Pred)(); };
    return *this;
  }
  // Gives an integer property a named type, so that identifiers registered
  // with RegisterIntegerConsts stream in place of numbers.
  TPropBuilder& TypeName(const String& Name);

 private:
  TPropInfo& FInfo;
};

// TPublisher: what a KV_PUBLISHED block receives. Accessors are member
// functions (getter `T GetFoo() const`, setter `void SetFoo(T)`) or data
// members (events are usually public delegate members):
//   KV_PUBLISHED {
//     P.Prop("Caption", &TButton::GetCaption, &TButton::SetCaption);
//     P.Prop("Width", &TButton::GetWidth, &TButton::SetWidth).Default(64);
//     P.Prop("Font", &TButton::GetFont, &TButton::SetFont);
//     P.Prop("OnClick", &TButton::OnClick);
//     P.Method("Button1Click", &TForm1::Button1Click);
//     P.Field("Button1", &TForm1::Button1);
//   }
template <class C>
class TPublisher {
 public:
  explicit TPublisher(TClassInfo& Info) : FInfo(Info) {}

  // A read-write property; Getter may be null for a write-only property.
  template <class G, class S>
  TPropBuilder Prop(const String& Name, G Getter, S Setter) {
    using T = typename detail::SetterArg<S>::Type;
    TPropInfo& P = Declare<T>(Name);
    if constexpr (!std::is_null_pointer_v<G>) P.Get = MakeGetter<T>(Getter);
    P.Set = MakeSetter<T>(Setter);
    return TPropBuilder(P);
  }
  // A data member (read-write) or a getter alone (read-only).
  template <class A>
  TPropBuilder Prop(const String& Name, A Accessor) {
    using Cls = typename detail::MemberOf<A>::Class;
    static_assert(std::is_base_of_v<Cls, C>, "the accessor belongs to another class");
    using T = std::decay_t<std::invoke_result_t<A, Cls*>>;
    TPropInfo& P = Declare<T>(Name);
    P.Get = MakeGetter<T>(Accessor);
    if constexpr (std::is_member_object_pointer_v<A>) P.Set = MakeSetter<T>(Accessor);
    return TPropBuilder(P);
  }
  // A published method, bound by name when a stored form names it.
  template <class M>
  void Method(const String& Name, M Method) {
    using Cls = typename detail::MemberOf<M>::Class;
    static_assert(std::is_base_of_v<Cls, C>, "the method belongs to another class");
    using D = decltype(DelegateOf(Method));
    detail::AddMethodInfo(FInfo, TMethodInfo{Name, &typeid(D), [Method](TObject* O) {
                                               return TMethod(D(static_cast<Cls*>(O), Method));
                                             }});
  }
  // A published field that holds the child component of the same name.
  template <class T, class Cls>
  void Field(const String& Name, T* Cls::*Member) {
    static_assert(std::is_base_of_v<Cls, C>, "the field belongs to another class");
    detail::AddFieldInfo(FInfo, TFieldInfo{Name, T::StaticClass(),
                                           [Member](TObject* O, TObject* V) {
                                             static_cast<Cls*>(O)->*Member = static_cast<T*>(V);
                                           },
                                           [Member](TObject* O) -> TObject* {
                                             return static_cast<Cls*>(O)->*Member;
                                           }});
  }

 private:
  template <class T>
  TPropInfo& Declare(const String& Name) {
    TPropInfo& P = *detail::NewPropInfo(FInfo, Name);
    P.PropType = TypeInfo<T>();
    return P;
  }
  template <class T, class G>
  static std::function<TPropValue(TObject*)> MakeGetter(G Getter) {
    using Cls = typename detail::MemberOf<G>::Class;
    static_assert(std::is_base_of_v<Cls, C>, "the getter belongs to another class");
    return [Getter](TObject* O) {
      return detail::ToPropValue<T>(std::invoke(Getter, static_cast<Cls*>(O)));
    };
  }
  template <class T, class S>
  static std::function<void(TObject*, const TPropValue&)> MakeSetter(S Setter) {
    using Cls = typename detail::MemberOf<S>::Class;
    static_assert(std::is_base_of_v<Cls, C>, "the setter belongs to another class");
    if constexpr (std::is_member_object_pointer_v<S>)
      return [Setter](TObject* O, const TPropValue& V) {
        static_cast<Cls*>(O)->*Setter = detail::FromPropValue<T>(V);
      };
    else
      return [Setter](TObject* O, const TPropValue& V) {
        (static_cast<Cls*>(O)->*Setter)(detail::FromPropValue<T>(V));
      };
  }
  template <class R, class Cls, class... A>
  static TDelegate<R(A...)> DelegateOf(R (Cls::*)(A...));

  TClassInfo& FInfo;
};

// Opens the class's published-member block, in the class body; it leaves the
// access at public. Define it inline ({ P.Prop(...); }) or declare it with a
// semicolon and define `void TFoo::KvPublish(kvp::TPublisher<TFoo>& P)` in the
// class's .cpp.
#define KV_PUBLISHED \
 public:             \
  static void KvPublish(::kvp::TPublisher<KvSelf>& P)

template <class T>
void detail::RunPublish(TClassInfo& Info) {
  TPublisher<T> P(Info);
  T::KvPublish(P);
}

// [SECTION] Looking up published members

// The property of that name (case-insensitive), own or inherited, or null.
const TPropInfo* GetPropInfo(TClass Class, const String& PropName);
const TPropInfo* GetPropInfo(TObject* Instance, const String& PropName);
// Own and inherited properties, ancestors first, each in declaration order; a
// property declared again by a descendant keeps its place and takes the new
// declaration.
std::vector<const TPropInfo*> GetPropList(TClass Class);
bool IsPublishedProp(TObject* Instance, const String& PropName);
bool PropIsType(TObject* Instance, const String& PropName, TTypeKind Kind);
TTypeKind PropType(TObject* Instance, const String& PropName);

const TMethodInfo* FindPublishedMethod(TClass Class, const String& Name);
const TFieldInfo* FindPublishedField(TClass Class, const String& Name);
// The classes of the class's published fields (own and inherited): a stored
// form may create its children from these even if they are not registered.
TClass FindFieldClass(TClass Class, const String& ClassName);
// The instance's published method of that name bound to it; empty if none.
TMethod MethodAddress(TObject* Instance, const String& Name);
// The name of the instance's published method that Method is bound to, or "".
String MethodName(TObject* Instance, const TMethod& Method);

// [SECTION] Reading and writing property values

String GetEnumName(const TTypeInfo* TypeInfo, Integer Value);
// The value of the name (case-insensitive), or -1.
Integer GetEnumValue(const TTypeInfo* TypeInfo, const String& Name);
// A set's members as "a,b", with brackets when Brackets is true.
String SetToString(const TTypeInfo* SetType, Int64 Value, bool Brackets = false);
Int64 StringToSet(const TTypeInfo* SetType, const String& Value);

Int64 GetOrdProp(TObject* Instance, const TPropInfo* Prop);
void SetOrdProp(TObject* Instance, const TPropInfo* Prop, Int64 Value);
Int64 GetInt64Prop(TObject* Instance, const TPropInfo* Prop);
void SetInt64Prop(TObject* Instance, const TPropInfo* Prop, Int64 Value);
String GetEnumProp(TObject* Instance, const TPropInfo* Prop);
void SetEnumProp(TObject* Instance, const TPropInfo* Prop, const String& Value);
String GetSetProp(TObject* Instance, const TPropInfo* Prop, bool Brackets = false);
void SetSetProp(TObject* Instance, const TPropInfo* Prop, const String& Value);
Extended GetFloatProp(TObject* Instance, const TPropInfo* Prop);
void SetFloatProp(TObject* Instance, const TPropInfo* Prop, Extended Value);
String GetStrProp(TObject* Instance, const TPropInfo* Prop);
void SetStrProp(TObject* Instance, const TPropInfo* Prop, const String& Value);
TObject* GetObjectProp(TObject* Instance, const TPropInfo* Prop);
void SetObjectProp(TObject* Instance, const TPropInfo* Prop, TObject* Value);
TMethod GetMethodProp(TObject* Instance, const TPropInfo* Prop);
void SetMethodProp(TObject* Instance, const TPropInfo* Prop, const TMethod& Value);
Variant GetVariantProp(TObject* Instance, const TPropInfo* Prop);
void SetVariantProp(TObject* Instance, const TPropInfo* Prop, const Variant& Value);
// Whether the property's value belongs in a stored form (its stored rule).
bool IsStoredProp(TObject* Instance, const TPropInfo* Prop);
// Whether the value equals what a stored form leaves out: the declared
// default of an ordinal, 0, an empty string, nil.
bool IsDefaultPropValue(TObject* Instance, const TPropInfo* Prop);

// The same by property name; an unknown name raises EPropertyError.
Int64 GetOrdProp(TObject* Instance, const String& PropName);
void SetOrdProp(TObject* Instance, const String& PropName, Int64 Value);
String GetEnumProp(TObject* Instance, const String& PropName);
void SetEnumProp(TObject* Instance, const String& PropName, const String& Value);
String GetSetProp(TObject* Instance, const String& PropName, bool Brackets = false);
void SetSetProp(TObject* Instance, const String& PropName, const String& Value);
Extended GetFloatProp(TObject* Instance, const String& PropName);
void SetFloatProp(TObject* Instance, const String& PropName, Extended Value);
String GetStrProp(TObject* Instance, const String& PropName);
void SetStrProp(TObject* Instance, const String& PropName, const String& Value);
TObject* GetObjectProp(TObject* Instance, const String& PropName);
void SetObjectProp(TObject* Instance, const String& PropName, TObject* Value);
TMethod GetMethodProp(TObject* Instance, const String& PropName);
void SetMethodProp(TObject* Instance, const String& PropName, const TMethod& Value);
Variant GetVariantProp(TObject* Instance, const String& PropName);
void SetVariantProp(TObject* Instance, const String& PropName, const Variant& Value);
// Whether two values of the property are the same (variants: of the same type
// and equal).
bool SamePropValue(const TPropInfo* Prop, const TPropValue& A, const TPropValue& B);

// ASCII case-insensitive equality of identifiers (property, component and
// method names are identifiers).
bool SameIdent(const String& A, const String& B);

}  // namespace kvp
