// TCustomForm: creation and loading, showing, closing, the modal loop, the
// focus walk that turns window focus into CM_EXIT / CM_ENTER, and the dialog
// keys.
//
// Index
//   [SECTION] Life           Construct, AfterConstruction, Destroy, loading, published
//   [SECTION] Window         CreateParams, CreateWnd, painting, placement
//   [SECTION] Show and close Show, Hide, Close, CloseQuery, Release, ShowModal
//   [SECTION] Focus          SetActiveControl, FocusControl, SetFocusedControl, activation
//   [SECTION] Keys           IsShortCut, CM_DIALOGKEY
#include "platform/controls/Forms.h"

#include <algorithm>

#include "platform/classes/FormReader.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/ComCtrls.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/Mask.h"
#include "platform/controls/Menus.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/WindowObserver.h"

namespace kvp {

namespace {
// Raised by SetFocusedControl's walk: a CM_ENTER / CM_EXIT handler may move
// the focus, which starts a walk of its own; the outer walk then stops.
Integer FocusWalkCount = 0;

bool SendFocusMessage(HWND Wnd, UINT Msg) {
  Integer Count = FocusWalkCount;
  SendMessage(Wnd, Msg, 0, 0);
  return FocusWalkCount == Count;
}

// A stored form names its controls by class. The reader finds a class through
// the form's field of that name first; controls without a field (labels,
// shapes, panels, usually) are found only through the class registry.
[[maybe_unused]] const bool StandardControlsRegistered = [] {
  for (TClass C :
       {TForm::StaticClass(), TEdit::StaticClass(), TMaskEdit::StaticClass(),
        TListBox::StaticClass(), TScrollBar::StaticClass(), TButton::StaticClass(),
        TCheckBox::StaticClass(), TLabel::StaticClass(), TPanel::StaticClass(),
        TShape::StaticClass(), TSpeedButton::StaticClass(), TMonthCalendar::StaticClass()})
    RegisterClass(C);
  return true;
}();
}  // namespace

// [SECTION] Life

void TCustomForm::Construct() {
  FFormState += fsCreating;
  inherited::Construct();
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FColor = clBtnFace;
  FBrush->SetColor(FColor);
  FLeft = 0;
  FTop = 0;
  FWidth = 320;
  FHeight = 240;
  FPixelsPerInch = Screen()->GetPixelsPerInch();
  FCanvas.reset(TControlCanvas::Create());
  FCanvas->SetControl(this);
  Screen()->AddForm(this);
  bool Plain = ClassType() == TForm::StaticClass() || ClassType() == TCustomForm::StaticClass();
  if (!FCreateNew && !Plain && !GetComponentState().Contains(csDesigning) &&
      !InitInheritedComponent(this, TForm::StaticClass()))
    throw EResNotFound(String("Resource ") + ClassName() + " not found");
}

void TCustomForm::AfterConstruction() {
  inherited::AfterConstruction();
  FFormState -= fsCreating;
  DoCreate();
}

void TCustomForm::BeforeDestruction() {
  DoDestroy();
  inherited::BeforeDestruction();
}

void TCustomForm::Destroy() {
  if (Application()->GetMainForm() == this) Application()->SetMainForm(nullptr);
  // Owned controls go before the window, while the form is still whole.
  DestroyComponents();
  if (FCanvas) FCanvas->FreeHandle();
  inherited::Destroy();
  // Last: destroying the windows above may have moved the focus through the form.
  Screen()->RemoveForm(this);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FActiveControl) FActiveControl = nullptr;
  if (AComponent == FFocusedControl) FFocusedControl = nullptr;
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TCustomForm::LoadFromResource(const String& ResName) {
  if (!ReadComponentRes(ResName, this)) throw EResNotFound("Resource " + ResName + " not found");
}

void TCustomForm::LoadFromText(const String& Text) { ReadComponentText(Text, this); }

void TCustomForm::Loaded() {
  inherited::Loaded();
  // A form stored at another resolution is scaled to the screen's.
  Integer ScreenPPI = Screen()->GetPixelsPerInch();
  if (FScaled && FPixelsPerInch > 0 && FPixelsPerInch != ScreenPPI) {
    ScaleBy(ScreenPPI, FPixelsPerInch);
    FPixelsPerInch = ScreenPPI;
  }
  if (FActiveControl && !FActiveControl->CanFocus() && !FActive) FActiveControl = nullptr;
  if (FVisible) {
    FVisible = false;
    Show();
  }
}

void TCustomForm::GetChildren(TGetChildProc Proc, TComponent* Root) {
  for (Integer I = 0; I < GetControlCount(); ++I) {
    TControl* C = GetControls(I);
    if (C->GetOwner() == Root) Proc(C);
  }
  if (Root == this)
    for (Integer I = 0; I < GetComponentCount(); ++I) {
      TComponent* C = GetComponents(I);
      if (!C->HasParent()) Proc(C);
    }
}

void TForm::KvPublish(TPublisher<TForm>& P) {
  P.Prop("ActiveControl", &TForm::GetActiveControl, &TForm::SetActiveControl);
  P.Prop("BiDiMode", &TForm::GetBiDiMode, &TForm::SetBiDiMode).Default(bdLeftToRight);
  P.Prop("BorderStyle", &TForm::GetBorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
  P.Prop("Caption", &TForm::GetText, &TForm::SetText);
  P.Prop("ClientHeight", &TForm::GetClientHeight, &TForm::SetClientHeight).Stored(false);
  P.Prop("ClientWidth", &TForm::GetClientWidth, &TForm::SetClientWidth).Stored(false);
  P.Prop("Color", &TForm::GetColor, &TForm::SetColor).TypeName("TColor");
  P.Prop("Ctl3D", &TForm::GetCtl3D, &TForm::SetCtl3D).Default(true);
  P.Prop("Enabled", &TForm::GetEnabled, &TForm::SetEnabled).Default(true);
  P.Prop("Font", &TForm::GetFont, &TForm::SetFont);
  P.Prop("FormStyle", &TForm::GetFormStyle, &TForm::SetFormStyle).Default(fsNormal);
  P.Prop("KeyPreview", &TForm::GetKeyPreview, &TForm::SetKeyPreview).Default(false);
  P.Prop("PixelsPerInch", &TForm::GetPixelsPerInch, &TForm::SetPixelsPerInch);
  P.Prop("PopupMenu", &TForm::GetPopupMenu, &TForm::SetPopupMenu);
  P.Prop("Position", &TForm::GetPosition, &TForm::SetPosition).Default(poDesigned);
  P.Prop("Scaled", &TForm::GetScaled, &TForm::SetScaled).Default(true);
  P.Prop("ShowHint", &TForm::GetShowHint, &TForm::SetShowHint).Default(false);
  P.Prop("Visible", &TForm::GetVisible, &TForm::SetVisible).Default(false);
  P.Prop("WindowState", &TForm::GetWindowState, &TForm::SetWindowState).Default(wsNormal);
  P.Prop("OnActivate", &TForm::OnActivate);
  P.Prop("OnClick", &TForm::OnClick);
  P.Prop("OnClose", &TForm::OnClose);
  P.Prop("OnCloseQuery", &TForm::OnCloseQuery);
  P.Prop("OnCreate", &TForm::OnCreate);
  P.Prop("OnDblClick", &TForm::OnDblClick);
  P.Prop("OnDeactivate", &TForm::OnDeactivate);
  P.Prop("OnDestroy", &TForm::OnDestroy);
  P.Prop("OnHide", &TForm::OnHide);
  P.Prop("OnKeyDown", &TForm::OnKeyDown);
  P.Prop("OnKeyPress", &TForm::OnKeyPress);
  P.Prop("OnKeyUp", &TForm::OnKeyUp);
  P.Prop("OnMouseDown", &TForm::OnMouseDown);
  P.Prop("OnMouseMove", &TForm::OnMouseMove);
  P.Prop("OnMouseUp", &TForm::OnMouseUp);
  P.Prop("OnMouseWheel", &TForm::OnMouseWheel);
  P.Prop("OnPaint", &TForm::OnPaint);
  P.Prop("OnResize", &TForm::OnResize);
  P.Prop("OnShortCut", &TForm::OnShortCut);
  P.Prop("OnShow", &TForm::OnShow);
}

// [SECTION] Window

void TCustomForm::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  Params.ExStyle = 0;
  switch (FBorderStyle) {
    case bsNone:
      Params.Style |= WS_POPUP;
      break;
    case bsSingle:
      Params.Style |= WS_CAPTION | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX;
      break;
    case bsSizeable:
      Params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (!FEnabled) Params.Style |= WS_DISABLED;
  Params.WndParent = FParentWindow ? FParentWindow : Application()->GetHandle();
  Params.WindowClass.style = CS_DBLCLKS;
}

void TCustomForm::CreateWnd() {
  Application()->InstallMessageFilter();
  inherited::CreateWnd();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  if (FHandle && FShowing)
    ShowWindow(FHandle, Value == wsMaximized   ? SW_SHOWMAXIMIZED
                        : Value == wsMinimized ? SW_SHOWMINIMIZED
                                               : SW_SHOWNORMAL);
}

void TCustomForm::SetPixelsPerInch(Integer Value) {
  if (FPixelsPerInch == Value) return;
  FPixelsPerInch = Value;
}

void TCustomForm::PaintWindow(HDC DC) {
  FCanvas->PaintOn(DC, [this] { Paint(); });
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PlaceOnShow() {
  TCustomForm* Center = nullptr;
  switch (FPosition) {
    case poMainFormCenter:
      Center = Application()->GetMainForm();
      break;
    case poOwnerFormCenter:
      Center = DynCast<TCustomForm>(GetOwner());
      break;
    case poScreenCenter:
    case poDesktopCenter:
      break;
    default:
      return;
  }
  TRect Area = Rect(0, 0, Screen()->GetWidth(), Screen()->GetHeight());
  if (Center && Center != this && Center->HandleAllocated()) Area = Center->GetBoundsRect();
  Integer X = Area.Left + (Area.Width() - FWidth) / 2;
  Integer Y = Area.Top + (Area.Height() - FHeight) / 2;
  SetBounds(std::max(0, X), std::max(0, Y), FWidth, FHeight);
}

// [SECTION] Show and close

void TCustomForm::Show() {
  SetVisible(true);
  if (FHandle) SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::CMShowingChanged(TMessage&) {
  if (FShowing) {
    FFormState += fsShowing;
    try {
      DoShow();
    } catch (...) {
      FFormState -= fsShowing;
      throw;
    }
    FFormState -= fsShowing;
    PlaceOnShow();
    ShowWindow(FHandle, FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                        : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                      : SW_SHOWNORMAL);
  } else {
    DoHide();
    ShowWindow(FHandle, SW_HIDE);
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  if (OnCloseQuery) OnCloseQuery(this, CanClose);
  return CanClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction Action = caHide;
  DoClose(Action);
  if (Action == caNone) return;
  if (Application()->GetMainForm() == this) {
    Application()->Terminate();
  } else if (Action == caHide) {
    Hide();
  } else if (Action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::Release() {
  if (FHandle) PostMessage(FHandle, CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) { Free(); }

namespace {
// Puts things back after a modal loop, however it ends: the other windows
// enabled again, the form hidden.
class TModalGuard {
 public:
  TModalGuard(TCustomForm* Form, TFormState& State, std::vector<HWND>& Disabled)
      : FForm(Form), FState(State), FDisabled(Disabled) {
    FState += fsModal;
    for (Integer I = 0; I < Screen()->GetFormCount(); ++I) {
      TCustomForm* Other = Screen()->GetForms(I);
      if (Other == Form || !Other->HandleAllocated()) continue;
      HWND Wnd = Other->GetHandle();
      if (IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
        EnableWindow(Wnd, FALSE);
        FDisabled.push_back(Wnd);
      }
    }
  }
  // The normal end of the loop: the form hides, and a failure to hide reaches
  // the caller of ShowModal.
  void Finish() {
    Release();
    if (FForm->HandleAllocated()) FForm->Hide();
  }
  // The loop ends with an exception already on its way: a failing hide would
  // only replace it.
  ~TModalGuard() {
    if (FReleased) return;
    Release();
    try {
      if (FForm->HandleAllocated()) FForm->Hide();
    } catch (...) {
    }
  }
  TModalGuard(const TModalGuard&) = delete;
  TModalGuard& operator=(const TModalGuard&) = delete;

 private:
  void Release() {
    FReleased = true;
    FState -= fsModal;
    for (HWND Wnd : FDisabled)
      if (IsWindow(Wnd)) EnableWindow(Wnd, TRUE);
    FDisabled.clear();
  }
  bool FReleased = false;  // the modal state has ended (Finish or the destructor)
  TCustomForm* FForm;
  TFormState& FState;
  std::vector<HWND>& FDisabled;
};
}  // namespace

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !FEnabled || FFormState.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal ('" + GetName() + "')");
  if (HWND Capture = GetCapture()) {
    SendMessage(Capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  TModalGuard Guard(this, FFormState, FDisabledWindows);
  FModalResult = mrNone;
  Show();
  TApplication* App = Application();
  while (FModalResult == mrNone) {
    if (App->GetTerminated()) {
      FModalResult = mrCancel;
      break;
    }
    // With nothing to do, a person at a desktop may still answer; without
    // one, nothing ever will.
    if (!App->ProcessMessage() && !App->RunModalAction(this) && !WaitForDesktopInput(1000))
      throw EInvalidOperation("Modal loop of form '" + GetName() +
                              "' has nothing left to do and no modal result");
    if (FModalResult != mrNone) CloseModal();
  }
  Guard.Finish();
  return FModalResult;
}

void TCustomForm::CloseModal() {
  // A modal result asks to close; OnCloseQuery and OnClose may still refuse.
  try {
    TCloseAction Action = caNone;
    if (CloseQuery()) {
      Action = caHide;
      DoClose(Action);
    }
    if (Action == caNone)
      FModalResult = mrNone;
    else if (Action == caFree)
      Release();
  } catch (...) {
    FModalResult = mrNone;
    Application()->HandleException(this);
  }
}

// [SECTION] Focus

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  bool Loading = GetComponentState().Contains(csLoading);
  if (Control &&
      (Control == this || GetParentForm(Control) != this || (!Loading && !Control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window ('" + Control->GetName() +
                            "')");
  FActiveControl = Control;
  if (Control) Control->FreeNotification(this);
  if (!Loading && FActive) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  bool WasActive = FActive;
  SetActiveControl(Control);
  if (!WasActive) SetFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND Target = FActiveControl ? FActiveControl->GetHandle() : GetHandle();
  if (Target) ::kvp::SetFocus(Target);
}

// An active form keeps the focus where it is inside it: focusing the form
// window itself would take it from the active control and leave none.
void TCustomForm::SetFocus() {
  if (FActive) return;
  if (!(FVisible && FEnabled))
    throw EInvalidOperation("Cannot focus a disabled or invisible window ('" + GetName() + "')");
  SetWindowFocus();
}

bool TCustomForm::CanFocus() { return FVisible && FEnabled; }

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++FocusWalkCount;
  FActiveControl = Control != this ? Control : nullptr;
  TScreen* S = Screen();
  S->FActiveControl = Control;
  S->FActiveForm = this;
  if (Control->FControlState.Contains(csFocusing)) return false;
  Control->FControlState += csFocusing;
  struct TFocusingGuard {
    TWinControl* C;
    ~TFocusingGuard() { C->FControlState -= csFocusing; }
  } Guard{Control};
  // [Phase 1] the focused form changes
  if (S->FFocusedForm != this) {
    if (TCustomForm* Old = S->FFocusedForm) {
      S->FFocusedForm = nullptr;
      if (Old->FHandle && !SendFocusMessage(Old->FHandle, CM_DEACTIVATE)) return false;
    }
    S->FFocusedForm = this;
    if (!SendFocusMessage(GetHandle(), CM_ACTIVATE)) return false;
  }
  if (!FFocusedControl) FFocusedControl = this;
  if (FFocusedControl != Control) {
    // [Phase 2] CM_EXIT from the old control up to the common parent
    while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
      HWND Wnd = FFocusedControl->FHandle;
      FFocusedControl = FFocusedControl->FParent;
      if (Wnd && !SendFocusMessage(Wnd, CM_EXIT)) return false;
    }
    // [Phase 3] CM_ENTER from below the common parent down to the control
    while (FFocusedControl != Control) {
      TWinControl* Next = Control;
      while (Next->FParent != FFocusedControl) Next = Next->FParent;
      FFocusedControl = Next;
      if (!SendFocusMessage(Next->GetHandle(), CM_ENTER)) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && Control->ContainsControl(FFocusedControl)) FFocusedControl = Control->FParent;
  if (Control->ContainsControl(FActiveControl)) {
    if (Removing)
      FActiveControl = nullptr;
    else
      SetActiveControl(nullptr);
  }
  if (Screen()->FActiveControl && Control->ContainsControl(Screen()->FActiveControl))
    Screen()->FActiveControl = nullptr;
}

void TCustomForm::SetActive(bool Value) {
  FActive = Value;
  if (!Value) return;
  if (!FActiveControl && !GetComponentState().Contains(csDesigning))
    FActiveControl = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::WMActivate(TMessage& Message) {
  SetActive(LOWORD(Message.WParam) != WA_INACTIVE);
}

void TCustomForm::CMActivate(TMessage&) {
  FFormState += fsActivated;
  Activate();
}

void TCustomForm::CMDeactivate(TMessage&) { Deactivate(); }

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

// [SECTION] Keys

bool TCustomForm::IsShortCut(TWMKey& Message) {
  bool Handled = false;
  if (OnShortCut) OnShortCut(Message, Handled);
  if (Handled) return true;
  for (Integer I = 0; I < GetComponentCount(); ++I)
    if (auto* Menu = DynCast<TPopupMenu>(GetComponents(I)))
      if (Menu->IsShortCut(Message)) return true;
  return false;
}

void TCustomForm::CMDialogKey(TWMKey& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.CharCode) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl && FActiveControl->GetParent()) {
          FActiveControl->GetParent()->SelectNext(
              FActiveControl, Message.CharCode == VK_RIGHT || Message.CharCode == VK_DOWN, false);
          Message.Result = 1;
        }
        return;
      default:
        break;
    }
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

}  // namespace kvp
