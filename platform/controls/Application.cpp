// TApplication, TScreen, TMonitor, TMouse and the globals.
//
// Index
//   [SECTION] Globals        Application(), Screen(), Mouse
//   [SECTION] The window     GetHandle, ApplicationWndProc, the filter
//   [SECTION] The loop       ProcessMessage(s), HandleMessage, Idle, IsKeyMsg, shortcuts
//   [SECTION] Modal actions  QueueModalAction, RunModalAction
//   [SECTION] Exceptions     HandleException, CheckNoExceptions
//   [SECTION] Hints          HintMouseMessage, ActivateHint, CancelHint, the hint timer
//   [SECTION] Screen         cursors, monitors, forms
//   [SECTION] Mouse          TMouse
#include <algorithm>

#include "platform/controls/Forms.h"
#include "platform/controls/HintWindow.h"
#include "platform/win/Timer.h"

namespace kvp {

// [SECTION] Globals

TApplication* Application() {
  // Made on first use and kept for the life of the program.
  static TApplication* Instance = TApplication::Create(nullptr);
  return Instance;
}

TScreen* Screen() {
  static TScreen* Instance = TScreen::Create(nullptr);
  return Instance;
}

namespace {
TMouse MouseInstance;
constexpr UINT_PTR HintTimerId = 1;
constexpr const char* ApplicationClassName = "TApplication";
}  // namespace

TMouse* const Mouse = &MouseInstance;

// [SECTION] The window

LRESULT ApplicationWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TApplication* App = Application();
  if (App->FHandle != Wnd) return DefWindowProc(Wnd, Msg, W, L);
  TMessage Message;
  Message.Msg = Msg;
  Message.WParam = W;
  Message.LParam = L;
  try {
    App->WndProc(Message);
  } catch (...) {
    App->HandleException(App);
  }
  if (Msg == WM_NCDESTROY) App->FHandle = nullptr;
  return Message.Result;
}

HWND TApplication::GetHandle() {
  if (FHandle && IsWindow(FHandle)) return FHandle;
  FHandle = nullptr;
  WNDCLASS Class;
  if (!GetClassInfo(nullptr, ApplicationClassName, &Class)) {
    Class = WNDCLASS();
    Class.lpfnWndProc = &ApplicationWndProc;
    Class.lpszClassName = ApplicationClassName;
    RegisterClass(&Class);
  }
  FHandle = CreateWindowEx(WS_EX_TOOLWINDOW, ApplicationClassName, FTitle.c_str(), WS_POPUP, 0, 0,
                           0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!FHandle) throw EOutOfResources("Cannot create the application window");
  InstallMessageFilter();
  return FHandle;
}

void TApplication::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TIMER:
      if (Message.WParam == HintTimerId) HintTimerExpired();
      return;
    case CM_APPKEYDOWN:
      Message.Result = IsShortCut(MessageAs<TWMKey>(Message)) ? 1 : 0;
      return;
    default:
      Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TApplication::InstallMessageFilter() {
  SetMessageFilter([this](MSG& Msg) { return FilterMessage(Msg); });
  // An action nobody else ran or updated goes to the controls.
  ActionRoute().ExecuteTarget = [this](TBasicAction* Action) { return OfferAction(Action, true); };
  ActionRoute().UpdateTarget = [this](TBasicAction* Action) { return OfferAction(Action, false); };
  // What escapes a window procedure that is not a control's, a timer's
  // handler or the filter itself comes here too, and the loop goes on.
  ApplicationHandleException = [this](TObject* Sender) { HandleException(Sender); };
}

void TApplication::Destroy() {
  ActionRoute().ExecuteTarget = nullptr;
  ActionRoute().UpdateTarget = nullptr;
  FreeHintWindow();
  if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
  FHandle = nullptr;
  inherited::Destroy();
}

void TApplication::Reset() {
  CancelHint();
  FreeHintWindow();
  if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
  FHandle = nullptr;
  FTerminated = false;
  FMainForm = nullptr;
  FHandled.clear();
  FModalActions.clear();
  FMouseControl = nullptr;
  FHintControl = nullptr;
  FHintActive = false;
  FHintTimerRunning = false;
  FShowHint = true;
  FHintPause = 500;
  FHintShortPause = 50;
  FHintHidePause = 2500;
  FHintColor = clInfoBk;
  FHintWindowClass = nullptr;
  OnException = nullptr;
  OnMessage = nullptr;
  OnIdle = nullptr;
  OnShowHint = nullptr;
  OnShortCut = nullptr;
  InstallMessageFilter();
}

// [SECTION] The loop

bool TApplication::FilterMessage(MSG& Msg) {
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool Handled = false;
  if (OnMessage) OnMessage(Msg, Handled);
  if (Handled) return true;
  if (FHintWindow && FHintWindow->IsHintMsg(Msg)) CancelHint();
  return IsKeyMsg(Msg);
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND Wnd = GetCapture();
  if (!Wnd || !FindControl(Wnd)) {
    Wnd = Msg.hwnd;
    while (Wnd && !FindControl(Wnd)) Wnd = GetParent(Wnd);
    if (!Wnd) Wnd = Msg.hwnd;
  }
  return Wnd && SendMessage(Wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::IsShortCut(TWMKey& Message) {
  bool Handled = false;
  if (OnShortCut) OnShortCut(Message, Handled);
  if (Handled) return true;
  return FMainForm && FMainForm->HandleAllocated() && IsWindowEnabled(FMainForm->GetHandle()) &&
         FMainForm->IsShortCut(Message);
}

bool TApplication::ProcessMessage() {
  InstallMessageFilter();
  return ::kvp::ProcessMessage();
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) Idle();
}

void TApplication::Idle() {
  FreeDeviceContexts();
  DoMouseIdle();
  UpdateActions();
  if (FShowHint && !FMouseControl) CancelHint();
  bool Done = true;
  if (OnIdle) OnIdle(this, Done);
}

// The focused control, the active form and the main form, in this order, are
// offered the action; the first that takes it runs or updates it.
bool TApplication::OfferAction(TBasicAction* Action, bool Execute) {
  TComponent* Targets[] = {Screen()->GetActiveControl(), Screen()->GetActiveForm(), FMainForm};
  for (TComponent* Target : Targets) {
    if (!Target) continue;
    if (Execute ? Target->ExecuteAction(Action) : Target->UpdateAction(Action)) return true;
  }
  return false;
}

// Each shown form's action lists update their actions, so that what shows
// them (menu items, buttons) follows the state of the focused control.
void TApplication::UpdateActions() {
  for (Integer F = 0; F < Screen()->GetFormCount(); ++F) {
    TCustomForm* Form = Screen()->GetForms(F);
    if (!Form->HandleAllocated() || !IsWindowVisible(Form->GetHandle())) continue;
    for (Integer C = 0; C < Form->GetComponentCount(); ++C) {
      auto* List = DynCast<TCustomActionList>(Form->GetComponents(C));
      if (!List) continue;
      for (Integer A = 0; A < List->GetActionCount(); ++A) List->GetAction(A)->Update();
    }
  }
}

void TApplication::DoMouseIdle() {
  TPoint P;
  GetCursorPos(&P);
  TControl* Target = GetCaptureControl() ? FMouseControl : FindDragTarget(P, true);
  if (Target == FMouseControl) return;
  TControl* Old = FMouseControl;
  FMouseControl = Target;
  if (Old) Old->Perform(CM_MOUSELEAVE);
  if (FMouseControl) FMouseControl->Perform(CM_MOUSEENTER);
}

void TApplication::Terminate() {
  FTerminated = true;
  PostQuitMessage(0);
}

// [SECTION] Modal actions

void TApplication::QueueModalAction(std::function<void(TCustomForm* Form)> Action) {
  FModalActions.push_back(std::move(Action));
}

bool TApplication::RunModalAction(TCustomForm* Form) {
  if (FModalActions.empty()) return false;
  auto Action = std::move(FModalActions.front());
  FModalActions.pop_front();
  Action(Form);
  return true;
}

// [SECTION] Exceptions

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr Current = std::current_exception();
  if (!Current) return;
  try {
    std::rethrow_exception(Current);
  } catch (const EAbort&) {
    return;
  } catch (const Exception& E) {
    FHandled.push_back({E.ClassName(), E.GetMessage(), Sender});
    if (OnException)
      OnException(Sender, E);
    else
      ShowException(E);
  } catch (const std::exception& E) {
    Exception Wrapped(E.what());
    FHandled.push_back({"Exception", Wrapped.GetMessage(), Sender});
    if (OnException)
      OnException(Sender, Wrapped);
    else
      ShowException(Wrapped);
  }
}

void TApplication::ShowException(const Exception&) {
  // The headless platform has no message box to show; the record kept by
  // HandleException is what a test looks at.
}

void TApplication::CheckNoExceptions() const {
  if (FHandled.empty()) return;
  String Text = "The application handled " + std::to_string(FHandled.size()) + " exception(s):";
  for (const auto& E : FHandled) Text += " " + E.ClassName + ": " + E.Message + ";";
  throw EAssertionFailed(Text);
}

// [SECTION] Hints

namespace {
TControl* HintControlOf(TControl* Control) {
  while (Control && !Control->GetShowHint()) Control = Control->GetParent();
  if (Control && Control->GetComponentState().Contains(csDesigning)) return nullptr;
  return Control;
}

String HintOf(TControl* Control) {
  while (Control && Control->GetHint().empty()) Control = Control->GetParent();
  return Control ? Control->GetHint() : String();
}
}  // namespace

void TApplication::SetShowHint(bool Value) {
  if (FShowHint == Value) return;
  FShowHint = Value;
  if (!Value) {
    CancelHint();
    FreeHintWindow();
  }
}

void TApplication::SetHintColor(TColor Value) {
  if (FHintColor == Value) return;
  FHintColor = Value;
  if (FHintWindow) FHintWindow->SetColor(Value);
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  if (!FShowHint) return;
  TPoint P = SmallPointToPoint(MessageAs<TWMMouse>(Message).Pos);
  if (auto* Win = DynCast<TWinControl>(Control); !Win || Win->HandleAllocated())
    P = Control->ClientToScreen(P);
  TControl* NewHintControl = HintControlOf(FindDragTarget(P, true));
  if (!NewHintControl) {
    CancelHint();
    return;
  }
  if (NewHintControl == FHintControl && PtInRect(FHintCursorRect, P)) return;
  bool WasActive = FHintActive;
  Integer Pause = WasActive ? FHintShortPause : FHintPause;
  NewHintControl->Perform(CM_HINTSHOWPAUSE, WPARAM(WasActive), &Pause);
  HideHint();
  FHintControl = NewHintControl;
  FHintCursorRect = TRect();
  StartHintTimer(Pause, true);
}

void TApplication::StartHintTimer(Integer Value, bool ShowHint) {
  StopHintTimer();
  FHintTimerShows = ShowHint;
  if (Value <= 0) {
    if (ShowHint) {
      TPoint P;
      GetCursorPos(&P);
      ActivateHint(P);
    }
    return;
  }
  SetTimer(GetHandle(), HintTimerId, UINT(Value), nullptr);
  FHintTimerRunning = true;
}

void TApplication::StopHintTimer() {
  if (!FHintTimerRunning) return;
  FHintTimerRunning = false;
  if (FHandle) KillTimer(FHandle, HintTimerId);
}

void TApplication::HintTimerExpired() {
  bool Shows = FHintTimerShows;
  StopHintTimer();
  if (Shows) {
    TPoint P;
    GetCursorPos(&P);
    ActivateHint(P);
  } else {
    CancelHint();
  }
}

void TApplication::ActivateHint(TPoint CursorPos) {
  // [Phase 1] what is under the cursor, and what it would show
  FHintControl = HintControlOf(FindDragTarget(CursorPos, true));
  if (!FHintControl || !FShowHint) {
    CancelHint();
    return;
  }
  THintInfo Info;
  Info.HintControl = FHintControl;
  Info.HintPos = Point(CursorPos.X, CursorPos.Y + GetSystemMetrics(SM_CYCURSOR));
  Info.HintMaxWidth = Screen()->GetWidth();
  Info.HintColor = FHintColor;
  Info.CursorRect = FHintControl->GetClientRect();
  Info.CursorPos = FHintControl->ScreenToClient(CursorPos);
  Info.HintStr = GetShortHint(HintOf(FHintControl));
  Info.ReshowTimeout = 0;
  Info.HideTimeout = FHintHidePause;
  Info.HintWindowClass = FHintWindowClass ? FHintWindowClass : THintWindow::StaticClass();
  // [Phase 2] the control and OnShowHint may change it or refuse
  bool CanShow = FHintControl->Perform(CM_HINTSHOW, 0, &Info) == 0;
  if (CanShow && OnShowHint) OnShowHint(Info.HintStr, CanShow, Info);
  FHintActive = CanShow && FHintControl;
  if (!FHintActive || Info.HintStr.empty()) {
    if (Info.ReshowTimeout > 0)
      StartHintTimer(Info.ReshowTimeout, true);
    else
      CancelHint();
    return;
  }
  // [Phase 3] a hint window of the asked class, sized to the text, kept on the screen
  if (FHintWindow && FHintWindow->ClassType() != Info.HintWindowClass) FreeHintWindow();
  if (!FHintWindow) {
    if (!Info.HintWindowClass || !Info.HintWindowClass->InheritsFrom(THintWindow::StaticClass()) ||
        !Info.HintWindowClass->Factory)
      throw EInvalidOperation("Hint window class is not a THintWindow");
    FHintWindow = static_cast<THintWindow*>(Info.HintWindowClass->Factory(this));
  }
  FHintWindow->SetColor(Info.HintColor);
  TRect R = FHintWindow->CalcHintRect(Info.HintMaxWidth, Info.HintStr, Info.HintData);
  OffsetRect(R, Info.HintPos.X, Info.HintPos.Y);
  TRect Work = Screen()->MonitorFromPoint(CursorPos)->GetBoundsRect();
  if (R.Right > Work.Right) OffsetRect(R, Work.Right - R.Right, 0);
  if (R.Left < Work.Left) OffsetRect(R, Work.Left - R.Left, 0);
  if (R.Bottom > Work.Bottom) OffsetRect(R, 0, Work.Bottom - R.Bottom);
  if (R.Top < Work.Top) OffsetRect(R, 0, Work.Top - R.Top);
  TPoint TL = FHintControl->ClientToScreen(Info.CursorRect.TopLeft());
  TPoint BR = FHintControl->ClientToScreen(Info.CursorRect.BottomRight());
  FHintCursorRect = Rect(TL.X, TL.Y, BR.X, BR.Y);
  FHintWindow->ActivateHintData(R, Info.HintStr, Info.HintData);
  // [Phase 4] the timer that shows it again or hides it
  if (Info.ReshowTimeout > 0)
    StartHintTimer(Info.ReshowTimeout, true);
  else if (Info.HideTimeout > 0)
    StartHintTimer(Info.HideTimeout, false);
}

void TApplication::HideHint() {
  if (FHintWindow && FHintWindow->HandleAllocated() && IsWindowVisible(FHintWindow->GetHandle()))
    ShowWindow(FHintWindow->GetHandle(), SW_HIDE);
}

void TApplication::CancelHint() {
  StopHintTimer();
  if (!FHintControl) return;
  HideHint();
  FHintControl = nullptr;
  FHintActive = false;
}

void TApplication::FreeHintWindow() {
  THintWindow* W = FHintWindow;
  FHintWindow = nullptr;
  if (W) W->Free();
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (FMouseControl == Control) FMouseControl = nullptr;
  if (FHintControl == Control) CancelHint();
  if (FHintWindow == Control) FHintWindow = nullptr;
  if (FMainForm == Control) FMainForm = nullptr;
  ForgetDragControl(Control);
  if (GetCaptureControl() == Control) SetCaptureControl(nullptr);
}

// [SECTION] Screen

void TScreen::Construct() {
  inherited::Construct();
  FDefaultKbLayout = GetKeyboardLayout(0);
  FHintFont.reset(TFont::Create());
  FHintFont->SetColor(clInfoText);
  FMenuFont.reset(TFont::Create());
  FMenuFont->SetColor(clMenuText);
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  if (Value != crDefault) {
    ::kvp::SetCursor(GetCursors(Value));
    return;
  }
  // Back to the default: the window under the mouse sets its own again.
  TPoint P;
  GetCursorPos(&P);
  if (HWND Wnd = WindowFromPoint(P))
    SendMessage(
        Wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(Wnd),
        MAKELPARAM(Integer(SendMessage(Wnd, WM_NCHITTEST, 0, MAKELPARAM(P.X, P.Y))), WM_MOUSEMOVE));
}

HCURSOR TScreen::GetCursors(Integer Index) {
  for (auto& [I, H] : FCustomCursors)
    if (I == Index) return H;
  const char* Id = IDC_ARROW;
  switch (Index) {
    case crNone:
      return nullptr;
    case crCross:
      Id = IDC_CROSS;
      break;
    case crIBeam:
      Id = IDC_IBEAM;
      break;
    case crSizeNESW:
      Id = IDC_SIZENESW;
      break;
    case crSizeNS:
      Id = IDC_SIZENS;
      break;
    case crSizeNWSE:
      Id = IDC_SIZENWSE;
      break;
    case crSizeWE:
      Id = IDC_SIZEWE;
      break;
    case crUpArrow:
      Id = IDC_UPARROW;
      break;
    case crHourGlass:
    case crSQLWait:
      Id = IDC_WAIT;
      break;
    case crNo:
    case crNoDrop:
      Id = IDC_NO;
      break;
    case crAppStart:
      Id = IDC_APPSTARTING;
      break;
    case crHelp:
      Id = IDC_HELP;
      break;
    case crHandPoint:
      Id = IDC_HAND;
      break;
    case crSizeAll:
      Id = IDC_SIZEALL;
      break;
    case crHSplit:
      Id = IDC_SIZEWE;
      break;
    case crVSplit:
      Id = IDC_SIZENS;
      break;
    default:
      break;  // crDefault, crArrow, crDrag, crMultiDrag: the arrow
  }
  return LoadCursor(nullptr, Id);
}

void TScreen::SetCursors(Integer Index, HCURSOR Handle) {
  for (auto& Entry : FCustomCursors)
    if (Entry.first == Index) {
      Entry.second = Handle;
      return;
    }
  FCustomCursors.emplace_back(Index, Handle);
}

TRect TScreen::GetWorkAreaRect() const {
  TRect R;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &R, 0);
  return R;
}

namespace {
BOOL CollectMonitor(HMONITOR Monitor, HDC, TRect*, LPARAM Data) {
  reinterpret_cast<std::vector<HMONITOR>*>(Data)->push_back(Monitor);
  return TRUE;
}
}  // namespace

void TScreen::RefreshMonitors() {
  std::vector<HMONITOR> Handles;
  EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&Handles));
  bool Same = Handles.size() == FMonitors.size();
  for (std::size_t I = 0; Same && I < Handles.size(); ++I)
    Same = FMonitors[I]->FHandle == Handles[I];
  if (Same) return;
  FMonitors.clear();
  for (std::size_t I = 0; I < Handles.size(); ++I) {
    FMonitors.emplace_back(TMonitor::Create());
    FMonitors.back()->FHandle = Handles[I];
    FMonitors.back()->FMonitorNum = Integer(I);
  }
}

Integer TScreen::GetMonitorCount() {
  RefreshMonitors();
  return Integer(FMonitors.size());
}

TMonitor* TScreen::GetMonitors(Integer Index) {
  RefreshMonitors();
  if (Index < 0 || std::size_t(Index) >= FMonitors.size())
    throw EListError("Monitor index out of bounds (" + std::to_string(Index) + ")");
  return FMonitors[std::size_t(Index)].get();
}

TMonitor* TScreen::MonitorOf(HMONITOR Handle) {
  RefreshMonitors();
  for (auto& M : FMonitors)
    if (M->FHandle == Handle) return M.get();
  return nullptr;
}

TMonitor* TScreen::MonitorFromPoint(TPoint P, DWORD Default) {
  return MonitorOf(::kvp::MonitorFromPoint(P, Default));
}

TMonitor* TScreen::MonitorFromRect(const TRect& R, DWORD Default) {
  return MonitorOf(::kvp::MonitorFromRect(&R, Default));
}

TMonitor* TScreen::MonitorFromWindow(HWND Wnd, DWORD Default) {
  return MonitorOf(::kvp::MonitorFromWindow(Wnd, Default));
}

TRect TMonitor::GetBoundsRect() const {
  MONITORINFO Info;
  GetMonitorInfo(FHandle, &Info);
  return Info.rcMonitor;
}

TRect TMonitor::GetWorkareaRect() const {
  MONITORINFO Info;
  GetMonitorInfo(FHandle, &Info);
  return Info.rcWork;
}

bool TMonitor::GetPrimary() const {
  MONITORINFO Info;
  GetMonitorInfo(FHandle, &Info);
  return (Info.dwFlags & MONITORINFOF_PRIMARY) != 0;
}

void TScreen::AddForm(TCustomForm* Form) { FForms.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  std::erase(FForms, Form);
  if (FActiveForm == Form) FActiveForm = nullptr;
  if (FFocusedForm == Form) FFocusedForm = nullptr;
  if (FActiveControl && GetParentForm(FActiveControl) == Form) FActiveControl = nullptr;
}

// [SECTION] Mouse

TPoint TMouse::GetCursorPos() const {
  TPoint P;
  ::kvp::GetCursorPos(&P);
  return P;
}

void TMouse::SetCursorPos(TPoint Value) { ::kvp::SetCursorPos(Value.X, Value.Y); }

void TMouse::SetCapture(HWND Value) {
  if (Value)
    ::kvp::SetCapture(Value);
  else
    ReleaseCapture();
}

Integer TMouse::GetWheelScrollLines() const {
  UINT Lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
  return Integer(Lines);
}

}  // namespace kvp
