// The exception classes of the platform layer and the library's assert macro.
// Every error is a C++ exception derived from Exception, which carries the
// message a user sees; EAbort is the silent one that the application swallows.
#pragma once

#include <exception>

#include "platform/rtl/Types.h"

namespace kvp {

class Exception : public std::exception {
 public:
  explicit Exception(String AMessage) : FMessage(std::move(AMessage)) {}
  ~Exception() override = default;

  const String& GetMessage() const { return FMessage; }
  void SetMessage(const String& Value) { FMessage = Value; }
  Integer GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(Integer Value) { FHelpContext = Value; }

  // The class name, as the platform reports it ("EConvertError").
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  String FMessage;
  Integer FHelpContext = 0;
};

// Declares an exception class that takes its base's constructors and reports
// its own class name.
// The base may be named with its namespace (kvp::Exception).
#define KV_DECLARE_EXCEPTION(Name, Base)                     \
  class Name : public Base {                                 \
    using KvBase = Base;                                     \
                                                             \
   public:                                                   \
    using KvBase::KvBase;                                    \
    const char* ClassName() const override { return #Name; } \
  }

KV_DECLARE_EXCEPTION(EAbort, Exception);
KV_DECLARE_EXCEPTION(EConvertError, Exception);
KV_DECLARE_EXCEPTION(EVariantError, Exception);
KV_DECLARE_EXCEPTION(EOutOfMemory, Exception);
KV_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
KV_DECLARE_EXCEPTION(EInvalidPointer, Exception);
KV_DECLARE_EXCEPTION(EInvalidCast, Exception);
KV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
KV_DECLARE_EXCEPTION(EInvalidArgument, Exception);
KV_DECLARE_EXCEPTION(EAssertionFailed, Exception);
KV_DECLARE_EXCEPTION(ENotSupported, Exception);

KV_DECLARE_EXCEPTION(EExternal, Exception);
KV_DECLARE_EXCEPTION(EIntError, EExternal);
KV_DECLARE_EXCEPTION(EDivByZero, EIntError);
KV_DECLARE_EXCEPTION(ERangeError, EIntError);
KV_DECLARE_EXCEPTION(EIntOverflow, EIntError);
KV_DECLARE_EXCEPTION(EMathError, EExternal);
KV_DECLARE_EXCEPTION(EInvalidOp, EMathError);
KV_DECLARE_EXCEPTION(EZeroDivide, EMathError);
KV_DECLARE_EXCEPTION(EOverflow, EMathError);
KV_DECLARE_EXCEPTION(EUnderflow, EMathError);

KV_DECLARE_EXCEPTION(EListError, Exception);
KV_DECLARE_EXCEPTION(EStringListError, EListError);
KV_DECLARE_EXCEPTION(EStreamError, Exception);
KV_DECLARE_EXCEPTION(EFCreateError, EStreamError);
KV_DECLARE_EXCEPTION(EFOpenError, EStreamError);
KV_DECLARE_EXCEPTION(EFilerError, EStreamError);
KV_DECLARE_EXCEPTION(EReadError, EFilerError);
KV_DECLARE_EXCEPTION(EWriteError, EFilerError);
KV_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
KV_DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
KV_DECLARE_EXCEPTION(EInvalidImage, EFilerError);
KV_DECLARE_EXCEPTION(EResNotFound, Exception);
KV_DECLARE_EXCEPTION(EComponentError, Exception);
KV_DECLARE_EXCEPTION(EPropertyError, Exception);

// Raises the silent exception: the operation stops and nobody is told.
[[noreturn]] void Abort();

[[noreturn]] void AssertFailed(const char* Condition, const char* Reason, const char* File,
                               int Line);

}  // namespace kvp

// A broken internal invariant: raises EAssertionFailed naming the condition, the
// reason and the place, so that a test sees the step that broke it.
#define KV_ASSERT(Condition, Reason)                                               \
  do {                                                                             \
    if (!(Condition)) ::kvp::AssertFailed(#Condition, Reason, __FILE__, __LINE__); \
  } while (0)
