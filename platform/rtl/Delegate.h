// Comparable delegates: the event properties of every component.
//
// A delegate is bound either to an object and one of its member functions or to
// any other callable. Two delegates bound to the same object and member function
// are equal, however and wherever they were made, so that code which saves an
// event handler, installs its own and later restores the saved one can tell
// whether the handler it finds is still its own. A delegate made from a lambda
// is equal only to its own copies. `if (OnFoo)` tests assignment.
#pragma once

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

namespace kvp {

template <class Signature>
class TDelegate;

template <class R, class... A>
class TDelegate<R(A...)> {
 public:
  TDelegate() = default;
  TDelegate(std::nullptr_t) {}

  template <class T, class C>
  requires std::is_base_of_v<C, T> TDelegate(T* Obj, R (C::*Method)(A...)) {
    BindMember<C>(static_cast<C*>(Obj), Method);
  }

  template <class T, class C>
  requires std::is_base_of_v<C, T> TDelegate(T* Obj, R (C::*Method)(A...) const) {
    BindMember<const C>(static_cast<const C*>(Obj), Method);
  }

  template <class F>
  requires(!std::is_same_v<std::decay_t<F>, TDelegate> &&
           !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
           std::is_invocable_r_v<R, std::decay_t<F>&, A...>) TDelegate(F&& Fn) {
    using Fn_t = std::decay_t<F>;
    FCallable = std::make_shared<Fn_t>(std::forward<F>(Fn));
    FInvoke = &InvokeCallable<Fn_t>;
  }

  explicit operator bool() const { return FInvoke != nullptr; }

  R operator()(A... Args) const { return FInvoke(*this, std::forward<A>(Args)...); }

  // The object a member-function delegate is bound to; null for a callable.
  void* GetData() const { return FData; }
  bool IsMethod() const { return FInvoke != nullptr && FData != nullptr; }

  friend bool operator==(const TDelegate& X, const TDelegate& Y) {
    return X.FInvoke == Y.FInvoke && X.FData == Y.FData && X.FCallable == Y.FCallable &&
           std::memcmp(X.FMethod, Y.FMethod, sizeof X.FMethod) == 0;
  }
  friend bool operator==(const TDelegate& X, std::nullptr_t) { return !X; }

 private:
  struct Probe {
    void F();
  };
  static constexpr std::size_t MethodSize = sizeof(&Probe::F);

  template <class C, class M>
  void BindMember(C* Obj, M Method) {
    static_assert(sizeof(M) <= MethodSize, "member function pointer too large");
    FData = const_cast<std::remove_const_t<C>*>(Obj);
    std::memcpy(FMethod, &Method, sizeof(M));
    FInvoke = &InvokeMember<C, M>;
  }

  template <class C, class M>
  static R InvokeMember(const TDelegate& D, A... Args) {
    M Method;
    std::memcpy(&Method, D.FMethod, sizeof(M));
    return (static_cast<C*>(D.FData)->*Method)(std::forward<A>(Args)...);
  }

  template <class Fn_t>
  static R InvokeCallable(const TDelegate& D, A... Args) {
    return (*static_cast<Fn_t*>(D.FCallable.get()))(std::forward<A>(Args)...);
  }

  R (*FInvoke)(const TDelegate&, A...) = nullptr;  // null: unassigned
  void* FData = nullptr;                           // bound object, member delegates only
  unsigned char FMethod[MethodSize] = {};          // the member function pointer's bytes
  std::shared_ptr<void> FCallable;                 // callable delegates only; shared by copies
};

}  // namespace kvp
