// TObject: the root of every class of the platform layer and the library, with
// class metadata (name, parent, creation by name) and two-phase creation and
// destruction.
//
// Creation and destruction contract. The platform runs constructor and
// destructor bodies with the most-derived class's virtual methods in force, and
// the library relies on that (factory methods called from constructors, a
// destructor that calls a virtual Clear). C++ does not, so every class splits
// its life in two:
//   - the C++ constructor takes the arguments, stores them and initialises
//     fields (every field also has a default member initialiser);
//   - Construct() is the constructor body: it may call virtual methods; an
//     override calls inherited::Construct() first;
//   - AfterConstruction() runs once the whole chain of Construct() has run;
//   - BeforeDestruction() runs first when the object is freed;
//   - Destroy() is the destructor body: it may call virtual methods; an
//     override calls inherited::Destroy() last;
//   - the C++ destructor then only releases what C++ owns.
// Objects are made with TFoo::Create(args...) and released with Free() (or
// FreeAndNil). If Construct() raises, Destroy() runs on the partly built object,
// which its default-initialised fields make safe, and the exception goes on.
#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "platform/rtl/Delegate.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace kvp {

class TObject;
struct TClassInfo;
using TClass = const TClassInfo*;

// Published-property and published-method tables are filled in by the
// component model (TypInfo.h); a class without published members has none.
struct TPropInfo;
struct TMethodInfo;
struct TFieldInfo;
template <class C>
class TPublisher;

struct TClassInfo {
  const char* Name = "";
  TClass Parent = nullptr;
  // Creates an instance through the class's creation argument (the owner of a
  // component, the collection of a collection item), or null where the class
  // cannot be created by name (abstract classes).
  TObject* (*Factory)(TObject* Arg) = nullptr;
  // Filled once, on first use, by the class's published-member declaration.
  void (*DeclarePublished)(TClassInfo& Info) = nullptr;
  mutable std::vector<const TPropInfo*> Properties{};  // own published properties, in order
  mutable std::vector<const TMethodInfo*> Methods{};   // own published methods
  mutable std::vector<const TFieldInfo*> Fields{};     // own published component fields
  mutable bool PublishedReady = false;

  bool InheritsFrom(TClass Other) const;
};

template <class T, class... Args>
T* NewObject(Args&&... A);

class TObject {
 public:
  using inherited = void;
  // The argument through which the class registry creates instances by name;
  // components use their owner, collection items their collection.
  using TCreateArg = void;

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const char* ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass Other) const { return ClassType()->InheritsFrom(Other); }
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClass());
  }

  template <class... Args>
  static TObject* Create(Args&&... A) {
    return NewObject<TObject>(std::forward<Args>(A)...);
  }

  // Runs BeforeDestruction, the Destroy chain and the C++ destructor.
  void Free();

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}

 protected:
  virtual void Construct() { FConstructed = true; }
  virtual void Destroy() { FDestroyed = true; }

 private:
  template <class T, class... Args>
  friend T* NewObject(Args&&... A);
  bool FConstructed = false;  // set by TObject::Construct: the chain reached the root
  bool FDestroyed = false;    // set by TObject::Destroy: the chain reached the root
  bool FFreeing = false;      // Free has begun; a second Free is a fault
};

// Two-phase creation: the C++ constructor, then Construct and AfterConstruction
// with the most-derived overrides in force.
template <class T, class... Args>
T* NewObject(Args&&... A) {
  T* Obj = new T(std::forward<Args>(A)...);
  TObject* Base = Obj;
  try {
    Base->Construct();
    KV_ASSERT(Base->FConstructed, "a Construct override did not call inherited::Construct");
    Base->AfterConstruction();
  } catch (...) {
    Base->FFreeing = true;
    Base->Destroy();
    delete Base;
    throw;
  }
  return Obj;
}

// Frees an object that may be null.
inline void FreeObject(TObject* Obj) {
  if (Obj) Obj->Free();
}

template <class T>
void FreeAndNil(T*& Obj) {
  T* Tmp = Obj;
  Obj = nullptr;
  FreeObject(Tmp);
}

// Owned sub-objects that are not components: released with Free.
struct TFreeDeleter {
  void operator()(TObject* Obj) const { FreeObject(Obj); }
};
template <class T>
using TObjectPtr = std::unique_ptr<T, TFreeDeleter>;

// Downcasts that check the class, as the platform's `as` and `is` do.
template <class T>
T* As(TObject* Obj) {
  if (!Obj) return nullptr;
  if (!Obj->InheritsFrom(T::StaticClass())) throw EInvalidCast("Invalid class typecast");
  return static_cast<T*>(Obj);
}
template <class T>
T* DynCast(TObject* Obj) {
  return Obj && Obj->InheritsFrom(T::StaticClass()) ? static_cast<T*>(Obj) : nullptr;
}

namespace detail {
template <class T>
TObject* (*MakeFactory())(TObject*) {
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (!std::is_void_v<typename T::TCreateArg> &&
                       std::is_constructible_v<T, typename T::TCreateArg>) {
    return [](TObject* Arg) -> TObject* {
      using ArgT = std::remove_pointer_t<typename T::TCreateArg>;
      ArgT* Typed = nullptr;
      if (Arg) {
        Typed = DynCast<ArgT>(Arg);
        if (!Typed) throw EInvalidCast("Invalid class typecast");
      }
      return NewObject<T>(Typed);
    };
  } else if constexpr (std::is_default_constructible_v<T>) {
    return [](TObject*) -> TObject* { return NewObject<T>(); };
  } else {
    return nullptr;
  }
}
// The class's own published-member declaration (KV_PUBLISHED in TypInfo.h), or
// null when the class declares none and only inherits its ancestors'.
template <class T>
void RunPublish(TClassInfo& Info);  // defined in TypInfo.h
template <class T>
constexpr void (*PublishedHook())(TClassInfo&) {
  if constexpr (requires { &T::KvPublish; }) {
    if constexpr (std::is_same_v<decltype(&T::KvPublish), void (*)(TPublisher<T>&)>)
      return &RunPublish<T>;
    else
      return nullptr;
  } else {
    return nullptr;
  }
}
}  // namespace detail

// Declares the class's metadata and its TFoo::Create. Place it first in the
// class body; it leaves the access at public.
#define KV_CLASS(Cls, Base)                                                                 \
 public:                                                                                    \
  using inherited = Base;                                                                   \
  using KvSelf = Cls;                                                                       \
  static ::kvp::TClass StaticClass() {                                                      \
    static ::kvp::TClassInfo Info{.Name = #Cls,                                             \
                                  .Parent = Base::StaticClass(),                            \
                                  .Factory = ::kvp::detail::MakeFactory<Cls>(),             \
                                  .DeclarePublished = ::kvp::detail::PublishedHook<Cls>()}; \
    return &Info;                                                                           \
  }                                                                                         \
  ::kvp::TClass ClassType() const override { return StaticClass(); }                        \
  template <class... Args>                                                                  \
  static Cls* Create(Args&&... A) {                                                         \
    return ::kvp::NewObject<Cls>(std::forward<Args>(A)...);                                 \
  }

// The class registry: classes registered here can be found and created by name
// (stored forms name the classes of their components).
void RegisterClass(TClass Class);
void UnRegisterClass(TClass Class);
TClass GetClass(const String& Name);   // null when not registered
TClass FindClass(const String& Name);  // raises EClassNotFound "Class %s not found"

// The common event: a notification with its sender.
using TNotifyEvent = TDelegate<void(TObject* Sender)>;

}  // namespace kvp
