// PropFilerKv: the interceptor registry, the form interceptor and the unit's
// start-up and shut-down.
#include "base/PropFilerKv.h"

#include <memory>
#include <vector>

#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Registry

namespace {

// A class and its interceptor class, in registration order; a class has one
// entry at most. Created on the first registration, freed at shut-down.
struct TInterceptorEntry {
  TClass Class;
  TClass Interceptor;
};
using TInterceptorRegistry = std::vector<TInterceptorEntry>;
std::unique_ptr<TInterceptorRegistry> Registry;

}  // namespace

void RegisterClassPropertyInterceptor(TClass AClass, TClass AInterceptorClass) {
  KV_ASSERT(AClass && AInterceptorClass &&
                AInterceptorClass->InheritsFrom(TStoragePropertyInterceptor::StaticClass()),
            "an interceptor class derives from TStoragePropertyInterceptor");
  if (!Registry) Registry = std::make_unique<TInterceptorRegistry>();
  // A new registration of the class replaces the earlier one.
  std::erase_if(*Registry, [&](const TInterceptorEntry& E) { return E.Class == AClass; });
  Registry->push_back({AClass, AInterceptorClass});
}

void UnregisterClassPropertyInterceptor(TClass AClass, TClass AInterceptorClass) {
  if (!Registry) return;
  std::erase_if(*Registry, [&](const TInterceptorEntry& E) {
    return E.Class == AClass && E.Interceptor == AInterceptorClass;
  });
}

TClass GetClassPropertyInterceptor(TClass AClass) {
  if (!Registry) return nullptr;
  for (TClass Class = AClass; Class; Class = Class->Parent)
    for (const TInterceptorEntry& E : *Registry)
      if (E.Class == Class) return E.Interceptor;
  return nullptr;
}

// [SECTION] TFormStoragePropertyInterceptor

void TFormStoragePropertyInterceptor::KvPublish(TPublisher<TFormStoragePropertyInterceptor>& P) {
  using Self = TFormStoragePropertyInterceptor;
  P.Prop("ActiveControl", &Self::GetActiveControl, &Self::SetActiveControl);
  P.Prop("Height", &Self::GetHeight, &Self::SetHeight);
  P.Prop("Left", &Self::GetLeft, &Self::SetLeft);
  P.Prop("PixelsPerInch", &Self::GetPixelsPerInch, &Self::SetPixelsPerInch);
  P.Prop("Top", &Self::GetTop, &Self::SetTop);
  P.Prop("Width", &Self::GetWidth, &Self::SetWidth);
  P.Prop("WindowState", &Self::GetWindowState, &Self::SetWindowState);
}

void TFormStoragePropertyInterceptor::Construct() {
  inherited::Construct();
  TCustomForm* AForm = Form();
  if (!AForm) return;
  const TRect R = NormalRect();
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
  FPixelsPerInch = AForm->GetPixelsPerInch();
  FWindowState = AForm->GetWindowState();
  FActiveControl = AForm->GetActiveControl();
}

// Writing either coordinate counts as a restored position, even when the
// value is what the snapshot already held.
void TFormStoragePropertyInterceptor::SetLeft(Integer Value) {
  FLeft = Value;
  FPositionRead = true;
}

void TFormStoragePropertyInterceptor::SetTop(Integer Value) {
  FTop = Value;
  FPositionRead = true;
}

TCustomForm* TFormStoragePropertyInterceptor::Form() const { return DynCast<TCustomForm>(FTarget); }

// A maximised or minimised window keeps its restored rectangle in its
// placement; otherwise the form's bounds are that rectangle.
TRect TFormStoragePropertyInterceptor::NormalRect() const {
  TCustomForm* AForm = Form();
  if (!AForm) return TRect{};
  if (AForm->GetWindowState() != wsNormal && AForm->HandleAllocated()) {
    WINDOWPLACEMENT Placement;
    if (GetWindowPlacement(AForm->GetHandle(), &Placement)) return Placement.rcNormalPosition;
  }
  return AForm->GetBoundsRect();
}

namespace {

// A restored form takes its active control as it was saved, without the
// focus checks and the focus change of SetActiveControl (the form may not be
// showing yet): the field is set through a derived class's access to it, and
// held with a free notification as SetActiveControl would.
struct TFormActiveControlAccess : TCustomForm {
  static void Set(TCustomForm* AForm, TWinControl* Control) {
    AForm->*(&TFormActiveControlAccess::FActiveControl) = Control;
    if (Control) Control->FreeNotification(AForm);
  }
};

}  // namespace

void TFormStoragePropertyInterceptor::Readed() {
  inherited::Readed();
  ScaleToScreen();
  // Only a form can be restored; any other target keeps what it had.
  TCustomForm* AForm = Form();
  if (!AForm) return;
  AForm->SetWindowState(FWindowState);
  // A control of another form (or none) cannot be this form's active one.
  if (!FActiveControl || GetParentForm(FActiveControl) == AForm)
    TFormActiveControlAccess::Set(AForm, FActiveControl);
  RestoreBounds(AForm);
  const TPosition Position = AForm->GetPosition();
  if ((Position == poScreenCenter || Position == poDesktopCenter) &&
      !AForm->GetComponentState().Contains(csDesigning) && FPositionRead)
    AForm->SetPosition(poDesigned);
}

// A stored resolution of 0 or less says nothing about the rectangle; scaling
// by it would collapse the form, so the values are kept as they are.
void TFormStoragePropertyInterceptor::ScaleToScreen() {
  if (FPixelsPerInch <= 0) return;
  const Integer ScreenPixelsPerInch = Screen()->GetPixelsPerInch();
  FHeight = MulDiv(FHeight, ScreenPixelsPerInch, FPixelsPerInch);
  FLeft = MulDiv(FLeft, ScreenPixelsPerInch, FPixelsPerInch);
  FTop = MulDiv(FTop, ScreenPixelsPerInch, FPixelsPerInch);
  FWidth = MulDiv(FWidth, ScreenPixelsPerInch, FPixelsPerInch);
}

// A maximised or minimised form gets the rectangle as its restored place and
// stays as it is; a normal one (or one without a window yet) is moved.
void TFormStoragePropertyInterceptor::RestoreBounds(TCustomForm* AForm) {
  if (AForm->GetWindowState() != wsNormal && AForm->HandleAllocated()) {
    WINDOWPLACEMENT Placement;
    HWND Wnd = AForm->GetHandle();
    if (GetWindowPlacement(Wnd, &Placement)) {
      Placement.rcNormalPosition = Rect(FLeft, FTop, FLeft + FWidth, FTop + FHeight);
      SetWindowPlacement(Wnd, &Placement);
      return;
    }
  }
  AForm->SetBounds(FLeft, FTop, FWidth, FHeight);
}

// [SECTION] Unit start-up and shut-down

namespace {

Integer UnitStartCount = 0;  // only the first start-up and the last shut-down work

struct TPropFilerKvUnit {
  TPropFilerKvUnit() {
    if (UnitStartCount++ != 0) return;
    RegisterClassPropertyInterceptor(TCustomForm::StaticClass(),
                                     TFormStoragePropertyInterceptor::StaticClass());
  }
  ~TPropFilerKvUnit() {
    if (--UnitStartCount != 0) return;
    Registry.reset();
  }
};
TPropFilerKvUnit PropFilerKvUnit;

}  // namespace

}  // namespace korvel
