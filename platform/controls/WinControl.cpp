// TWinControl: its window (creation, binding to the window procedure,
// recreation, destruction), its children, showing, bounds and painting, and
// the capture and hit-testing helpers of the module.
//
// Index
//   [SECTION] Window binding     ControlWindowProc, FindControl, capture control
//   [SECTION] Life               Construct, Destroy, published
//   [SECTION] Window creation    CreateParams, CreateWnd, CreateHandle, RecreateWnd
//   [SECTION] Messages           MainWndProc, WndProc, DefaultHandler, reflection
//   [SECTION] Children           InsertControl, RemoveControl, ControlAtPos, Broadcast
//   [SECTION] Showing and bounds UpdateShowing, SetBounds, client area
//   [SECTION] Painting           PaintHandler, PaintControls, erase, cursor
//   [SECTION] Component messages font, colour, Ctl3D, enabled, visible, showing
//   [SECTION] Canvases           TControlCanvas, TCustomControl, TGraphicControl
#include <algorithm>
#include <unordered_map>

#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/Numbers.h"

namespace kvp {

// [SECTION] Window binding

namespace {
std::unordered_map<HWND, TWinControl*>& ControlOfWindow() {
  static std::unordered_map<HWND, TWinControl*> Map;
  return Map;
}
TWinControl* CreationControl = nullptr;  // the control whose CreateWindowEx is running
TControl* CaptureControl = nullptr;      // a graphic control holding the mouse through its parent
UINT_PTR NextChildId = 1;                // window ids of child windows (WM_DRAWITEM's CtlID)
}  // namespace

// Every control class's window procedure: binds the window being created to
// its control, and hands each message to the control.
LRESULT ControlWindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto& Map = ControlOfWindow();
  auto It = Map.find(Wnd);
  TWinControl* Control = It == Map.end() ? nullptr : It->second;
  if (!Control && CreationControl) {
    Control = CreationControl;
    CreationControl = nullptr;
    Control->FHandle = Wnd;
    Map[Wnd] = Control;
  }
  if (!Control) return DefWindowProc(Wnd, Msg, W, L);
  TMessage Message;
  Message.Msg = Msg;
  Message.WParam = W;
  Message.LParam = L;
  Control->MainWndProc(Message);
  if (Msg == WM_NCDESTROY) {
    Map.erase(Wnd);
    if (Control->FHandle == Wnd) Control->FHandle = nullptr;
  }
  return Message.Result;
}

TWinControl* FindControl(HWND Handle) {
  if (!Handle) return nullptr;
  auto& Map = ControlOfWindow();
  auto It = Map.find(Handle);
  return It == Map.end() ? nullptr : It->second;
}

TControl* GetCaptureControl() {
  TControl* Result = FindControl(GetCapture());
  if (Result && CaptureControl && CaptureControl->GetParent() == Result) Result = CaptureControl;
  return Result;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  CaptureControl = nullptr;
  if (!Control) return;
  if (!Control->Is<TWinControl>()) {
    if (!Control->GetParent()) return;
    CaptureControl = Control;
    Control = Control->GetParent();
  }
  SetCapture(static_cast<TWinControl*>(Control)->GetHandle());
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  HWND Wnd = WindowFromPoint(Pos);
  TWinControl* Win = nullptr;
  while (Wnd && !(Win = FindControl(Wnd))) Wnd = GetParent(Wnd);
  if (!Win) return nullptr;
  TControl* Child = Win->ControlAtPos(Win->ScreenToClient(Pos), AllowDisabled);
  return Child ? Child : Win;
}

TCustomForm* GetParentForm(TControl* Control) {
  while (Control && Control->GetParent()) Control = Control->GetParent();
  return DynCast<TCustomForm>(Control);
}

TCustomForm* ValidParentForm(TControl* Control) {
  TCustomForm* Result = GetParentForm(Control);
  if (!Result)
    throw EInvalidOperation("Control '" + (Control ? Control->GetName() : String()) +
                            "' has no parent form");
  return Result;
}

// [SECTION] Life

void TWinControl::Construct() {
  inherited::Construct();
  FBrush.reset(TBrush::Create());
  FBrush->SetColor(FColor);
}

void TWinControl::Destroy() {
  // A parent frees its children, owned by it or not; each takes itself out.
  while (!FControls.empty() || !FWinControls.empty()) {
    TControl* C =
        !FWinControls.empty() ? static_cast<TControl*>(FWinControls.back()) : FControls.back();
    C->Free();
  }
  if (FHandle) DestroyHandle();
  if (CreationControl == this) CreationControl = nullptr;
  inherited::Destroy();
}

// [SECTION] Window creation

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams();
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  if (!FEnabled) Params.Style |= WS_DISABLED;
  if (FControlStyle.Contains(csFramed) && !FCtl3D) Params.Style |= WS_BORDER;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->GetHandle() : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = &DefWindowProc;
  Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  Params.WinClassName = ClassName();
  // Right-to-left reading: the text reads from the right and the vertical
  // scroll bar stands at the left.
  if (UseRightToLeftReading()) Params.ExStyle |= WS_EX_RTLREADING;
  if (UseRightToLeftScrollBar()) Params.ExStyle |= WS_EX_LEFTSCROLLBAR;
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ClassName) {
  WNDCLASS Save = Params.WindowClass;
  if (!GetClassInfo(nullptr, ClassName, &Params.WindowClass))
    throw EInvalidOperation(String("Window class '") + ClassName + "' is not registered");
  Params.WindowClass.style = Params.WindowClass.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC);
  Params.WindowClass.style |= Save.style & CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
  TCreateParams Params;
  CreateParams(Params);
  if ((Params.Style & WS_CHILD) && !Params.WndParent) {
    if (FParent || FParentWindow) return;
    throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
  }
  FDefWndProc = Params.WindowClass.lpfnWndProc;
  const char* Name = Params.WinClassName.c_str();
  WNDCLASS Existing;
  if (GetClassInfo(nullptr, Name, &Existing) && Existing.lpfnWndProc != &ControlWindowProc)
    UnregisterClass(Name, nullptr);
  if (!GetClassInfo(nullptr, Name, &Existing)) {
    WNDCLASS Class = Params.WindowClass;
    Class.lpfnWndProc = &ControlWindowProc;
    Class.lpszClassName = Name;
    if (!RegisterClass(&Class))
      throw EOutOfResources("Cannot register the window class of '" + GetName() + "'");
  }
  CreateWindowHandle(Params);
  if (!FHandle) throw EOutOfResources("Error creating window of control '" + GetName() + "'");
  FText.clear();  // the window holds the text from now on
  // The system classes draw with the font their window is given.
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()->GetHandle()), 1);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HMENU Id = nullptr;
  if (Params.Style & WS_CHILD) Id = reinterpret_cast<HMENU>(NextChildId++);
  CreationControl = this;
  HWND Wnd = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                            Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                            Params.WndParent, Id, nullptr, Params.Param);
  CreationControl = nullptr;
  if (Wnd && FHandle != Wnd) {
    FHandle = Wnd;
    ControlOfWindow()[Wnd] = this;
  }
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  CreateWnd();
  UpdateBounds();
}

void TWinControl::DestroyWnd() {
  // The text moves back from the window into the control.
  FText = GetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  FControlState += csDestroyingHandle;
  HWND Wnd = FHandle;
  try {
    if (IsWindow(Wnd)) DestroyWindow(Wnd);
  } catch (...) {
    FControlState -= csDestroyingHandle;
    throw;
  }
  FControlState -= csDestroyingHandle;
  ControlOfWindow().erase(Wnd);
  FHandle = nullptr;
  FShowing = false;
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TWinControl* C : FWinControls) C->DestroyHandle();
  DestroyWnd();
}

HWND TWinControl::GetHandle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::RecreateWnd() {
  if (FHandle) Perform(CM_RECREATEWND);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool WasFocused = Focused();
  DestroyHandle();
  UpdateControlState();
  if (WasFocused && FHandle) kvp::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParentWindow == Value) return;
  if (FParent) {
    FParentWindow = Value;
    return;
  }
  if (FHandle && Value) ::kvp::SetParent(FHandle, Value);
  FParentWindow = Value;
  UpdateControlState();
}

// [SECTION] Messages

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    WindowProc(Message);
  } catch (...) {
    Application()->HandleException(this);
  }
}

bool TWinControl::IsControlMouseMsg(TWMMouse& Message) {
  TControl* Control = nullptr;
  TControl* Capture = GetCaptureControl();
  if (Capture && Capture != this) {
    if (Capture->GetParent() == this) Control = Capture;
  } else if (!Capture) {
    Control = ControlAtPos(SmallPointToPoint(Message.Pos), false);
  }
  if (!Control || Control->Is<TWinControl>()) return false;
  TPoint P = Point(Message.XPos() - Control->GetLeft(), Message.YPos() - Control->GetTop());
  Message.Result = Control->Perform(Message.Msg, Message.WParam, MAKELPARAM(P.X, P.Y));
  return true;
}

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* Form = GetParentForm(this);
      if (Form && !Form->GetComponentState().Contains(csDestroying) &&
          !Form->SetFocusedControl(this))
        return;
      break;
    }
    case WM_KILLFOCUS:
      if (FControlState.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      inherited::WndProc(Message);
      if (Message.Result == HTTRANSPARENT &&
          ControlAtPos(ScreenToClient(SmallPointToPoint(MessageAs<TWMNCHitTest>(Message).Pos)),
                       false))
        Message.Result = HTCLIENT;
      return;
    case WM_CANCELMODE: {
      TControl* Capture = GetCaptureControl();
      if (FHandle && GetCapture() == FHandle && Capture && Capture->GetParent() == this)
        Capture->Perform(WM_CANCELMODE);
      break;
    }
    default:
      if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST &&
          Message.Msg != WM_MOUSEWHEEL) {
        if (IsControlMouseMsg(MessageAs<TWMMouse>(Message))) {
          if (Message.Result == 0 && FHandle)
            DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
          return;
        }
      } else if (Message.Msg >= WM_KEYFIRST && Message.Msg <= WM_KEYLAST) {
        if (Dragging()) return;
      }
      break;
  }
  inherited::WndProc(Message);
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!FHandle) {
    inherited::DefaultHandler(Message);
    return;
  }
  UINT Msg = Message.Msg;
  if (Msg == WM_CONTEXTMENU && FParent) {
    Message.Result = FParent->Perform(Msg, Message.WParam, Message.LParam);
    if (Message.Result) return;
  }
  if (Msg >= WM_CTLCOLORMSGBOX && Msg <= WM_CTLCOLORSTATIC) {
    Message.Result = SendMessage(reinterpret_cast<HWND>(Message.LParam), CN_BASE + Msg,
                                 Message.WParam, Message.LParam);
    return;
  }
  if (Msg >= CN_CTLCOLORMSGBOX && Msg <= CN_CTLCOLORSTATIC) {
    auto DC = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(DC, ColorToRGB(FFont->GetColor()));
    SetBkColor(DC, ColorToRGB(FBrush->GetColor()));
    Message.Result = reinterpret_cast<LRESULT>(FBrush->GetHandle());
    return;
  }
  Message.Result = CallWindowProc(FDefWndProc ? FDefWndProc : &DefWindowProc, FHandle, Msg,
                                  Message.WParam, Message.LParam);
}

bool TWinControl::DoControlMsg(HWND ControlHandle, TMessage& Message) {
  TWinControl* Control = FindControl(ControlHandle);
  if (!Control) return false;
  Message.Result = Control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::WMCommand(TWMCommand& Message) {
  if (!DoControlMsg(Message.Ctl, reinterpret_cast<TMessage&>(Message)))
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TWinControl::WMNotify(TMessage& Message) {
  // The notification header starts with the window that sends it.
  HWND From = Message.LParam ? *reinterpret_cast<HWND*>(Message.LParam) : nullptr;
  if (!DoControlMsg(From, Message)) inherited::Dispatch(Message);
}

void TWinControl::WMScroll(TWMScroll& Message) {
  auto& M = reinterpret_cast<TMessage&>(Message);
  if (!Message.ScrollBar || !DoControlMsg(Message.ScrollBar, M)) inherited::Dispatch(M);
}

void TWinControl::WMItemMessage(TMessage& Message) {
  // WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM carry the child's window id.
  HWND Child = nullptr;
  for (TWinControl* C : FWinControls)
    if (C->FHandle && WPARAM(GetWindowLongPtr(C->FHandle, GWLP_ID)) == Message.WParam) {
      Child = C->FHandle;
      break;
    }
  if (!Child || !DoControlMsg(Child, Message)) inherited::Dispatch(Message);
}

// [SECTION] Children

TControl* TWinControl::GetControls(Integer Index) const {
  std::size_t N = FControls.size();
  if (Index < 0 || std::size_t(Index) >= N + FWinControls.size())
    throw EListError("Control index out of bounds (" + std::to_string(Index) + ")");
  return std::size_t(Index) < N ? FControls[std::size_t(Index)]
                                : FWinControls[std::size_t(Index) - N];
}

void TWinControl::InsertControl(TControl* AControl) {
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  if (auto* Win = DynCast<TWinControl>(AControl)) {
    FWinControls.push_back(Win);
    FTabList.push_back(Win);
  } else {
    FControls.push_back(AControl);
  }
  AControl->FParent = this;
  AControl->Perform(CM_PARENTCOLORCHANGED);
  AControl->Perform(CM_PARENTFONTCHANGED);
  AControl->Perform(CM_PARENTSHOWHINTCHANGED);
  AControl->Perform(CM_PARENTBIDIMODECHANGED);
  if (auto* Win = DynCast<TWinControl>(AControl)) {
    Win->Perform(CM_PARENTCTL3DCHANGED);
    Win->UpdateControlState();
  } else if (FHandle) {
    AControl->Invalidate();
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* Win = DynCast<TWinControl>(AControl)) {
    if (TCustomForm* Form = GetParentForm(this)) Form->DefocusControl(Win, true);
    Win->DestroyHandle();
    std::erase(FWinControls, Win);
    std::erase(FTabList, Win);
  } else {
    if (FHandle) AControl->InvalidateControl(AControl->GetVisible(), false);
    std::erase(FControls, AControl);
  }
  if (CaptureControl == AControl) SetCaptureControl(nullptr);
  AControl->FParent = nullptr;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control && Control != this) Control = Control->GetParent();
  return Control != nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) {
  auto Hits = [&](TControl* C) {
    if (!C->GetVisible() && !(C->GetComponentState().Contains(csDesigning) &&
                              !C->GetControlStyle().Contains(csNoDesignVisible)))
      return false;
    if (!C->GetEnabled() && !AllowDisabled) return false;
    if (!PtInRect(C->GetBoundsRect(), Pos)) return false;
    TPoint Local = Point(Pos.X - C->GetLeft(), Pos.Y - C->GetTop());
    return C->Perform(CM_HITTEST, 0, MAKELPARAM(Local.X, Local.Y)) != 0;
  };
  if (AllowWinControls)
    for (auto It = FWinControls.rbegin(); It != FWinControls.rend(); ++It)
      if (Hits(*It)) return *It;
  for (auto It = FControls.rbegin(); It != FControls.rend(); ++It)
    if (Hits(*It)) return *It;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (Integer I = 0; I < GetControlCount(); ++I) {
    GetControls(I)->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }

void TWinControl::NotifyControls(UINT Msg) {
  TMessage Message;
  Message.Msg = Msg;
  Broadcast(Message);
}

// [SECTION] Showing and bounds

void TWinControl::UpdateShowing() {
  bool ShowControl = (FVisible || (GetComponentState().Contains(csDesigning) &&
                                   !FControlStyle.Contains(csNoDesignVisible))) &&
                     !FControlState.Contains(csReadingState);
  if (ShowControl) {
    if (!FHandle) CreateHandle();
    if (!FHandle) return;
    for (std::size_t I = 0; I < FWinControls.size(); ++I) FWinControls[I]->UpdateShowing();
  }
  if (!FHandle || FShowing == ShowControl) return;
  FShowing = ShowControl;
  try {
    Perform(CM_SHOWINGCHANGED);
  } catch (...) {
    FShowing = !ShowControl;
    throw;
  }
  if (!ShowControl)
    for (std::size_t I = 0; I < FWinControls.size(); ++I) FWinControls[I]->UpdateShowing();
}

void TWinControl::UpdateControlState() {
  TWinControl* Top = this;
  while (Top->FParent) {
    Top = Top->FParent;
    if (!Top->FShowing) return;
  }
  if (Top->Is<TCustomForm>() || Top->FParentWindow) UpdateShowing();
}

void TWinControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  CheckNewSize(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  if (FHandle && !IsIconic(FHandle)) {
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (!GetComponentState().Contains(csLoading)) Resize();
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  TRect R;
  GetWindowRect(FHandle, &R);
  HWND ParentWnd = ::kvp::GetParent(FHandle);
  if ((GetWindowLongPtr(FHandle, GWL_STYLE) & WS_CHILD) && ParentWnd) {
    TPoint Pts[2] = {R.TopLeft(), R.BottomRight()};
    MapWindowPoints(nullptr, ParentWnd, Pts, 2);
    R = Rect(Pts[0].X, Pts[0].Y, Pts[1].X, Pts[1].Y);
  }
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
}

void TWinControl::WMWindowPosChanged(TWMWindowPosMsg& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  UpdateBounds();
}

void TWinControl::WMSize(TWMSize& Message) {
  UpdateBounds();
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (!GetComponentState().Contains(csLoading)) Resize();
}

TRect TWinControl::GetClientRect() {
  TRect R;
  if (FHandle) {
    ::kvp::GetClientRect(FHandle, &R);
    return R;
  }
  // Without a window: the bounds less the frame the window would have.
  TCreateParams Params;
  CreateParams(Params);
  TRect Frame = Rect(0, 0, 0, 0);
  AdjustWindowRectEx(&Frame, Params.Style, FALSE, Params.ExStyle);
  return Rect(0, 0, std::max(0, FWidth - Frame.Width()), std::max(0, FHeight - Frame.Height()));
}

TPoint TWinControl::GetClientOrigin() {
  TPoint P = Point(0, 0);
  ::kvp::ClientToScreen(GetHandle(), &P);
  return P;
}

void TWinControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  inherited::SetEnabled(Value);
}

// [SECTION] Painting

void TWinControl::Invalidate() { Perform(CM_INVALIDATE); }

void TWinControl::CMInvalidate(TMessage& Message) {
  if (FHandle) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
  (void)Message;
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

HDC TWinControl::GetDeviceContext(HWND& WindowHandle) {
  WindowHandle = GetHandle();
  HDC DC = GetDC(WindowHandle);
  if (!DC) throw EOutOfResources("Cannot get a device context of control '" + GetName() + "'");
  return DC;
}

void TWinControl::WMPaint(TWMPaint& Message) { PaintHandler(Message); }

void TWinControl::PaintHandler(TWMPaint& Message) {
  PAINTSTRUCT PS;
  HDC DC = Message.DC;
  bool Own = DC == nullptr;
  if (Own) DC = BeginPaint(GetHandle(), &PS);
  try {
    // Opaque graphic children cover their rectangles: the window itself
    // does not paint there.
    Integer Saved = SaveDC(DC);
    for (TControl* C : FControls)
      if (C->GetVisible() && C->GetControlStyle().Contains(csOpaque)) {
        TRect R = C->GetBoundsRect();
        ExcludeClipRect(DC, R.Left, R.Top, R.Right, R.Bottom);
      }
    PaintWindow(DC);
    RestoreDC(DC, Saved);
    PaintControls(DC, nullptr);
  } catch (...) {
    if (Own) EndPaint(FHandle, &PS);
    throw;
  }
  if (Own) EndPaint(FHandle, &PS);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage Message;
  Message.Msg = WM_PAINT;
  Message.WParam = reinterpret_cast<WPARAM>(DC);
  DefaultHandler(Message);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto It = First ? std::find(FControls.begin(), FControls.end(), First) : FControls.begin();
  for (; It != FControls.end(); ++It) {
    TControl* C = *It;
    bool Shown = C->GetVisible() || (C->GetComponentState().Contains(csDesigning) &&
                                     !C->GetControlStyle().Contains(csNoDesignVisible));
    TRect R = C->GetBoundsRect();
    if (!Shown || !RectVisible(DC, &R)) continue;
    Integer Saved = SaveDC(DC);
    TPoint Org;
    GetViewportOrgEx(DC, &Org);
    SetViewportOrgEx(DC, Org.X + R.Left, Org.Y + R.Top, nullptr);
    IntersectClipRect(DC, 0, 0, R.Width(), R.Height());
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, Saved);
  }
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  TRect R = GetClientRect();
  FillRect(Message.DC, &R, FBrush->GetHandle());
  Message.Result = 1;
}

void TWinControl::WMSetCursor(TWMSetCursor& Message) {
  if (Message.CursorWnd == FHandle && Message.HitTest() == SmallInt(HTCLIENT)) {
    TCursor Cursor = Screen()->GetCursor();
    if (Cursor == crDefault) {
      TPoint P;
      GetCursorPos(&P);
      TControl* Child = ControlAtPos(ScreenToClient(P), false);
      Cursor = Child ? Child->GetCursor() : crDefault;
      if (Cursor == crDefault) Cursor = FCursor;
    }
    if (Cursor != crDefault) {
      ::kvp::SetCursor(Screen()->GetCursors(Cursor));
      Message.Result = 1;
      return;
    }
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

// [SECTION] Component messages

void TWinControl::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  if (HandleAllocated()) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()->GetHandle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& Message) {
  FBrush->SetColor(FColor);
  NotifyControls(CM_PARENTCOLORCHANGED);
  inherited::Dispatch(Message);
}

void TWinControl::SetCtl3D(bool Value) {
  if (FCtl3D == Value) {
    FParentCtl3D = false;
    return;
  }
  FCtl3D = Value;
  FParentCtl3D = false;
  Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool Value) {
  if (FParentCtl3D == Value) return;
  FParentCtl3D = Value;
  if (FParent && FParentCtl3D) Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage& Message) {
  NotifyControls(CM_PARENTCTL3DCHANGED);
  (void)Message;
}

void TWinControl::CMParentCtl3DChanged(TMessage&) {
  if (!FParentCtl3D || !FParent || FCtl3D == FParent->GetCtl3D()) return;
  FCtl3D = FParent->GetCtl3D();
  Perform(CM_CTL3DCHANGED);
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (!FEnabled && FParent) {
    if (TCustomForm* Form = GetParentForm(this)) Form->DefocusControl(this, false);
  }
  if (FHandle) EnableWindow(FHandle, FEnabled);
  inherited::Dispatch(Message);
}

void TWinControl::CMVisibleChanged(TMessage&) {
  if (!FVisible && FParent) {
    if (TCustomForm* Form = GetParentForm(this)) Form->DefocusControl(this, false);
  }
  UpdateControlState();
}

void TWinControl::CMShowingChanged(TMessage&) {
  const UINT Flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, Flags | (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMShowHintChanged(TMessage& Message) {
  NotifyControls(CM_PARENTSHOWHINTCHANGED);
  (void)Message;
}

void TWinControl::CMBiDiModeChanged(TMessage& Message) {
  NotifyControls(CM_PARENTBIDIMODECHANGED);
  inherited::Dispatch(Message);
  // The window's extended styles carry the reading order and the side of the
  // scroll bar, so a window that exists is made again (wParam 0: the change
  // is the control's own, not a parent's being passed on).
  if (SysLocale.MiddleEast && Message.WParam == 0 && HandleAllocated()) RecreateWnd();
}

void TWinControl::CMSysColorChange(TMessage& Message) {
  Broadcast(Message);
  Message.Result = 0;
}

void TWinControl::ChangeScale(Integer M, Integer D) {
  for (Integer I = 0; I < GetControlCount(); ++I) GetControls(I)->ChangeScale(M, D);
  inherited::ChangeScale(M, D);
}

// [SECTION] Canvases

namespace {
// Canvases that hold a device context taken outside a paint cycle. A few are
// kept; the oldest gives its context back when more are asked for, and all
// of them when the application goes idle.
std::vector<TControlCanvas*>& CanvasesWithDC() {
  static std::vector<TControlCanvas*> List;
  return List;
}
constexpr std::size_t CanvasCacheSize = 4;
}  // namespace

void FreeDeviceContexts() {
  std::vector<TControlCanvas*> List;
  List.swap(CanvasesWithDC());
  for (TControlCanvas* C : List) C->FreeHandle();
}

void TControlCanvas::SetControl(TControl* AControl) {
  if (FControl == AControl) return;
  FreeHandle();
  FControl = AControl;
}

void TControlCanvas::CreateHandle() {
  if (!FControl) {
    inherited::CreateHandle();
    return;
  }
  if (!FDeviceContext) {
    auto& List = CanvasesWithDC();
    if (List.size() >= CanvasCacheSize) {
      TControlCanvas* Oldest = List.front();
      Oldest->FreeHandle();
    }
    FDeviceContext = FControl->GetDeviceContext(FWindowHandle);
    List.push_back(this);
  }
  SetHandle(FDeviceContext);
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  std::erase(CanvasesWithDC(), this);
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
}

void TControlCanvas::Destroy() {
  FreeHandle();
  inherited::Destroy();
}

void TCustomControl::Construct() {
  inherited::Construct();
  FCanvas.reset(TControlCanvas::Create());
  FCanvas->SetControl(this);
}

void TCustomControl::DestroyWnd() {
  FCanvas->FreeHandle();
  inherited::DestroyWnd();
}

void TCustomControl::WMPaint(TWMPaint& Message) {
  FControlState += csCustomPaint;
  try {
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  } catch (...) {
    FControlState -= csCustomPaint;
    throw;
  }
  FControlState -= csCustomPaint;
}

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->PaintOn(DC, [this] { Paint(); });
}

void TGraphicControl::Construct() {
  inherited::Construct();
  FCanvas.reset(TControlCanvas::Create());
  FCanvas->SetControl(this);
}

void TGraphicControl::WMPaint(TWMPaint& Message) {
  if (!Message.DC) return;
  FCanvas->PaintOn(Message.DC, [this] { Paint(); });
}

}  // namespace kvp
