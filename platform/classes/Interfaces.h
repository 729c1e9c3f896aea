// Interfaces: abstract classes identified by a GUID, which an object offers by
// deriving from them and which callers query by GUID, even one known only at
// run time (a dataset is asked whether it offers the tree interface by its
// GUID). Components that implement interfaces are not reference counted;
// TInterfacedObject is the counted kind, held through TInterfacePtr.
#pragma once

#include <compare>
#include <cstdint>

#include "platform/classes/Object.h"

namespace kvp {

// [SECTION] GUIDs

// TGUID: a 128-bit interface identity, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint8_t D4[8] = {};

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
  friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;
};

// Parses the braced text form (hex digits in either case); raises
// EConvertError "'%s' is not a valid GUID value" for anything else.
TGUID StringToGUID(const String& S);
// The braced text form with upper-case hex digits.
String GUIDToString(const TGUID& G);
bool IsEqualGUID(const TGUID& A, const TGUID& B);

// [SECTION] The root interface

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

// IInterface: the root of every interface. Interfaces derive from it
// virtually, so that an object offering several interfaces has one root.
// The defaults suit components: QueryInterface answers for every interface the
// object derives from, and _AddRef/_Release count nothing (they return -1).
struct IInterface {
  static const TGUID& IID();
  virtual HRESULT QueryInterface(const TGUID& IID, void** Obj);
  virtual Integer _AddRef() { return -1; }
  virtual Integer _Release() { return -1; }

 protected:
  IInterface() = default;
  IInterface(const IInterface&) = default;
  IInterface& operator=(const IInterface&) = default;
  virtual ~IInterface() = default;
};

namespace detail {
using TInterfaceCast = void* (*)(TObject* Instance);
// Records how to reach the interface with this GUID from an object. A second
// interface declared with a GUID already in use is a programming error.
bool RegisterInterface(const TGUID& IID, const char* Name, TInterfaceCast Cast);
TGUID ParseIIDLiteral(const char* Text);

template <class I>
void* CastToInterface(TObject* Instance) {
  return static_cast<void*>(dynamic_cast<I*>(Instance));
}
}  // namespace detail

// Declares an interface's GUID inside its body and makes the interface known to
// the run-time query:
//   struct IFoo : virtual IInterface {
//     KV_INTERFACE(IFoo, "{...}")
//     virtual void Bar() = 0;
//   };
#define KV_INTERFACE(Intf, GuidText)                                                    \
 public:                                                                                \
  static const ::kvp::TGUID& IID() {                                                    \
    static const ::kvp::TGUID G = ::kvp::detail::ParseIIDLiteral(GuidText);             \
    (void)KvInterfaceRegistered; /* keeps the registration in every program using it */ \
    return G;                                                                           \
  }                                                                                     \
  static inline const bool KvInterfaceRegistered =                                      \
      ::kvp::detail::RegisterInterface(IID(), #Intf, &::kvp::detail::CastToInterface<Intf>);

// [SECTION] Queries

// Whether Instance offers the interface with this GUID; when it does and Out
// is given, *Out receives the interface pointer (as void*, to be cast back to
// the interface type). A null instance or an unknown GUID answers false and
// sets *Out to null.
bool Supports(TObject* Instance, const TGUID& IID, void** Out);
bool Supports(TObject* Instance, const TGUID& IID);

template <class I>
bool Supports(TObject* Instance, I*& Out) {
  Out = Instance ? dynamic_cast<I*>(Instance) : nullptr;
  return Out != nullptr;
}

// [SECTION] Reference-counted interfaces

// TInterfacedObject: an object whose life is held by the interface references
// to it: it frees itself when the last TInterfacePtr lets go. Create it and
// hand it to a TInterfacePtr at once.
class TInterfacedObject : public TObject, public virtual IInterface {
  KV_CLASS(TInterfacedObject, TObject)
 public:
  Integer _AddRef() override;
  Integer _Release() override;
  Integer GetRefCount() const { return FRefCount; }

  void AfterConstruction() override;

 private:
  // Live interface references; the object frees itself when they drop to 0.
  // It is 1 while the object is being created, so that a creation body that
  // hands itself out and lets go again does not free it half made.
  Integer FRefCount = 1;
};

// TInterfacePtr: a counted reference to an interface, as the platform's
// interface variables are; it calls _AddRef when it takes a pointer and
// _Release when it lets go. On a component it counts nothing.
template <class I>
class TInterfacePtr {
 public:
  TInterfacePtr() = default;
  TInterfacePtr(std::nullptr_t) {}
  TInterfacePtr(I* P) : FPtr(P) { AddRef(); }
  TInterfacePtr(const TInterfacePtr& Other) : FPtr(Other.FPtr) { AddRef(); }
  TInterfacePtr(TInterfacePtr&& Other) noexcept : FPtr(Other.FPtr) { Other.FPtr = nullptr; }
  ~TInterfacePtr() { Release(); }

  TInterfacePtr& operator=(TInterfacePtr Other) noexcept {
    std::swap(FPtr, Other.FPtr);
    return *this;
  }

  I* Get() const { return FPtr; }
  I* operator->() const { return FPtr; }
  I& operator*() const { return *FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  friend bool operator==(const TInterfacePtr& A, const TInterfacePtr& B) {
    return A.FPtr == B.FPtr;
  }

 private:
  void AddRef() {
    if (FPtr) FPtr->_AddRef();
  }
  void Release() {
    I* P = FPtr;
    FPtr = nullptr;
    if (P) P->_Release();
  }
  I* FPtr = nullptr;
};

}  // namespace kvp
