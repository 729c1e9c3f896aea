// PropFilerKv: property-storage interceptors. When an application saves or
// restores an object's state through a property storage of its own, the
// storage may put an interceptor in the object's place: a small persistent
// object whose published properties are the ones worth storing, with restore
// rules of their own. This unit holds the interceptor base class, the form
// interceptor and the registry that maps a class to its interceptor class;
// the form interceptor is registered for TCustomForm when the program starts.
#pragma once

#include "platform/classes/Persistent.h"
#include "platform/classes/TypInfo.h"
#include "platform/controls/Forms.h"

namespace korvel {

// ---------------------------------------------------------------------------
// TStoragePropertyInterceptor: the base of every interceptor. It stands in
// for Target, which it does not own, while a storage writes or reads it.
//
// Protocol, as a storage drives it:
//   1. the interceptor is created for the object, through its class's factory
//      with the object as the argument (GetClassPropertyInterceptor gives the
//      class); a descendant takes its snapshot of the object in Construct();
//   2. when InterceptorEnabled() answers true, the storage reads or writes the
//      interceptor's published properties instead of the object's;
//   3. after writing all of them into the interceptor, the storage calls
//      Readed(), which applies them to the object;
//   4. the storage frees the interceptor.
class TStoragePropertyInterceptor : public kvp::TPersistent {
  KV_CLASS(TStoragePropertyInterceptor, kvp::TPersistent)
 public:
  using TCreateArg = kvp::TObject*;
  explicit TStoragePropertyInterceptor(kvp::TObject* AObject) : FTarget(AObject) {}

  kvp::TObject* GetTarget() const { return FTarget; }
  virtual bool InterceptorEnabled() { return true; }
  virtual void Readed() {}

 protected:
  kvp::TObject* FTarget = nullptr;  // the intercepted object; not owned
};

// ---------------------------------------------------------------------------
// TFormStoragePropertyInterceptor: stands in for a form. It stores the form's
// normal (restored) rectangle, window state, active control and the pixels
// per inch the rectangle was measured at, and on restore scales the rectangle
// to the screen, keeps a maximised or minimised form in that state and stops
// a centred form from being centred again over the restored place.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
  KV_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;

  // The live getters answer the form's normal rectangle, or 0 when the target
  // is not a form; the setters only keep the value until Readed.
  kvp::TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(kvp::TWinControl* Value) { FActiveControl = Value; }
  kvp::Integer GetHeight() const { return NormalRect().Height(); }
  void SetHeight(kvp::Integer Value) { FHeight = Value; }
  kvp::Integer GetLeft() const { return NormalRect().Left; }
  void SetLeft(kvp::Integer Value);
  kvp::Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(kvp::Integer Value) { FPixelsPerInch = Value; }
  kvp::Integer GetTop() const { return NormalRect().Top; }
  void SetTop(kvp::Integer Value);
  kvp::Integer GetWidth() const { return NormalRect().Width(); }
  void SetWidth(kvp::Integer Value) { FWidth = Value; }
  kvp::TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(kvp::TWindowState Value) { FWindowState = Value; }

  void Readed() override;

  KV_PUBLISHED;

 protected:
  void Construct() override;

 private:
  kvp::TCustomForm* Form() const;
  kvp::TRect NormalRect() const;
  void ScaleToScreen();
  void RestoreBounds(kvp::TCustomForm* AForm);

  kvp::TWinControl* FActiveControl = nullptr;
  kvp::Integer FHeight = 0;
  kvp::Integer FLeft = 0;
  kvp::Integer FPixelsPerInch = 0;  // the resolution the stored rectangle was measured at
  bool FPositionRead = false;       // Left or Top was written since creation
  kvp::Integer FTop = 0;
  kvp::Integer FWidth = 0;
  kvp::TWindowState FWindowState = kvp::wsNormal;
};

// [SECTION] Registry: which interceptor class stands in for which class

// Registers AInterceptorClass (a TStoragePropertyInterceptor class) for
// AClass, replacing any earlier registration of AClass.
void RegisterClassPropertyInterceptor(kvp::TClass AClass, kvp::TClass AInterceptorClass);
// Removes the registrations of AClass with that interceptor class.
void UnregisterClassPropertyInterceptor(kvp::TClass AClass, kvp::TClass AInterceptorClass);
// The interceptor class for objects of AClass: the one registered for AClass
// itself, else for its nearest registered ancestor; null when there is none.
kvp::TClass GetClassPropertyInterceptor(kvp::TClass AClass);

}  // namespace korvel
