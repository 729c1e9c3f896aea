// Forms and the application: TCustomForm / TForm (top-level windows read
// from stored forms, shown, closed, shown modally; the focus inside them and
// the dialog keys), TApplication (the step of the message loop that comes
// before TranslateMessage, exceptions, hints on the virtual clock), TScreen
// (cursors, monitors, forms, the active form and control), TMouse, and the
// Application() / Screen() / Mouse globals.
#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <memory>

#include "platform/controls/Controls.h"

namespace kvp {

class THintWindow;
class TMonitor;

// ---------------------------------------------------------------------------
// Enumerations

using TModalResult = Integer;
inline constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                              mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9,
                              mrYesToAll = 10;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
KV_ENUM_INFO(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
KV_ENUM_INFO(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
             poDesktopCenter, poMainFormCenter, poOwnerFormCenter)

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
KV_ENUM_INFO(TWindowState, wsNormal, wsMinimized, wsMaximized)

enum TCloseAction { caNone, caHide, caFree, caMinimize };

enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TCloseEvent = TDelegate<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TDelegate<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = TDelegate<void(TWMKey& Msg, bool& Handled)>;

// ---------------------------------------------------------------------------
// TCustomForm: a top-level window holding controls. It tracks the control
// that has (or last had) the focus inside it and turns window focus changes
// into CM_EXIT / CM_ENTER along the parent chains (SetFocusedControl), takes
// the dialog keys (Tab, arrows, Enter and Escape for the default and cancel
// buttons) and, with KeyPreview, sees its controls' keys first.
//
// A form of a class derived from TForm reads the stored form named after
// its class (and those of its ancestors) while it is created, then fires
// OnCreate; Create(Owner, 0) makes one without reading any (CreateNew).
class TCustomForm : public TWinControl {
  KV_CLASS(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {}
  // CreateNew: no stored form is read.
  TCustomForm(TComponent* AOwner, Integer /*Dummy*/) : TWinControl(AOwner), FCreateNew(true) {}

  // ---- Showing and closing ----
  void Show();
  void Hide();
  void Close();
  bool CloseQuery();
  void Release();  // frees the form once the messages queued before it are handled
  // Shows the form and runs a loop until ModalResult is set (or the
  // application terminates); answers ModalResult. While it runs, the
  // actions queued with Application()->QueueModalAction are carried out
  // whenever the message queue is empty; with none left it raises.
  virtual TModalResult ShowModal();
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TFormState GetFormState() const { return FFormState; }

  // ---- Focus ----
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  // Makes Control the form's active control and focuses it when the form is active.
  void FocusControl(TWinControl* Control);
  // Called before a control of the form receives WM_SETFOCUS: the form's
  // active control changes, then CM_EXIT and CM_ENTER run along the parent
  // chains; false when a handler moved the focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* Control);
  // A control that is hidden, disabled or removed stops being the active one.
  void DefocusControl(TWinControl* Control, bool Removing);
  bool GetActive() const { return FActive; }
  void SetFocus() override;
  bool CanFocus() override;

  // ---- Keys ----
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  // OnShortCut, then the popup menus the form owns.
  virtual bool IsShortCut(TWMKey& Message);
  using TWinControl::DoKeyDown;
  using TWinControl::DoKeyPress;
  using TWinControl::DoKeyUp;

  // ---- Appearance ----
  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value);
  bool GetScaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }
  TCanvas* GetCanvas() const { return FCanvas.get(); }

  // ---- Loading ----
  // Reads the stored form of that resource name, or a stored form's text.
  void LoadFromResource(const String& ResName);
  void LoadFromText(const String& Text);
  void Loaded() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;

 protected:
  void Construct() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Destroy() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  void GetChildren(TGetChildProc Proc, TComponent* Root) override;
  TComponent* GetChildOwner() override { return this; }
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();

  void WMActivate(TMessage& Message);
  void WMClose(TMessage& Message);
  void CMActivate(TMessage& Message);
  void CMDeactivate(TMessage& Message);
  void CMDialogKey(TWMKey& Message);
  void CMShowingChanged(TMessage& Message);
  void CMRelease(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_ACTIVATE, WMActivate)
  KV_MESSAGE(WM_CLOSE, WMClose)
  KV_MESSAGE(CM_ACTIVATE, CMActivate)
  KV_MESSAGE(CM_DEACTIVATE, CMDeactivate)
  KV_MESSAGE(CM_DIALOGKEY, CMDialogKey)
  KV_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
  KV_MESSAGE(CM_RELEASE, CMRelease)
  KV_END_MESSAGE_MAP

 protected:
  TWinControl* FActiveControl = nullptr;   // the control that has (or will get) the focus
  TWinControl* FFocusedControl = nullptr;  // the end of the last CM_ENTER walk
  bool FActive = false;                    // the form's window is the active window
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  TFormState FFormState;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  Integer FPixelsPerInch = 96;
  bool FScaled = true;
  TObjectPtr<TControlCanvas> FCanvas;
  bool FCreateNew = false;             // made with CreateNew: no stored form is read
  std::vector<HWND> FDisabledWindows;  // windows a modal loop disabled, enabled again after it

 private:
  void SetWindowFocus();
  void SetActive(bool Value);
  void PlaceOnShow();
  void CloseModal();
};

// TForm: the form applications derive from.
class TForm : public TCustomForm {
  KV_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  TForm(TComponent* AOwner, Integer Dummy) : TCustomForm(AOwner, Dummy) {}
  KV_PUBLISHED;
};

// ---------------------------------------------------------------------------
// THintInfo: what the application is about to show as a hint; a control's
// CM_HINTSHOW handler may change any of it.
struct THintInfo {
  TControl* HintControl = nullptr;
  TClass HintWindowClass = nullptr;  // a THintWindow class
  TPoint HintPos;                    // screen point of the hint window's top-left corner
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;  // client rectangle of HintControl within which the hint stays
  TPoint CursorPos;  // client point of HintControl
  Integer ReshowTimeout = 0;
  Integer HideTimeout = 0;
  String HintStr;
  void* HintData = nullptr;
};

using TExceptionEvent = TDelegate<void(TObject* Sender, const Exception& E)>;
using TMessageEvent = TDelegate<void(MSG& Msg, bool& Handled)>;
using TIdleEvent = TDelegate<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = TDelegate<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// A record of an exception the application handled (for tests).
struct THandledException {
  String ClassName;
  String Message;
  TObject* Sender = nullptr;
};

// ---------------------------------------------------------------------------
// TApplication: the program's loop and what it does around the windows. Its
// filter step runs for every message taken from the queue: OnMessage, the
// hint check, then IsKeyMsg (CN_KEYDOWN ... to the control first); only
// unhandled messages are translated and dispatched. Hints appear after
// HintPause of the virtual clock over a control with ShowHint, and go after
// HintHidePause. It has a hidden window that owns the forms and the timers.
class TApplication : public TComponent {
  KV_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner) : TComponent(AOwner) {}

  HWND GetHandle();
  // Installs the filter step into the window system's pump (after the
  // window system was reset, say), and the route by which an action that
  // nobody else ran or updated reaches the focused control, the active form
  // and the main form (see ActionRoute).
  void InstallMessageFilter();
  // The idle step's update of every action in the action lists of the shown
  // forms.
  void UpdateActions();

  // ---- The loop ----
  bool ProcessMessage();  // one message; false when none was waiting
  void ProcessMessages();
  // One message, or the idle step when none was waiting.
  void HandleMessage();
  void Idle();
  void Terminate();
  bool GetTerminated() const { return FTerminated; }
  // The filter step for one message; true: it was handled.
  bool FilterMessage(MSG& Msg);
  bool IsKeyMsg(MSG& Msg);
  bool IsShortCut(TWMKey& Message);

  // ---- Modal loops in tests ----
  // An action a modal loop runs when it has nothing else to do; each runs
  // once, in order.
  void QueueModalAction(std::function<void(TCustomForm* Form)> Action);
  bool RunModalAction(TCustomForm* Form);
  Integer GetModalActionCount() const { return Integer(FModalActions.size()); }

  // ---- Exceptions ----
  // Called from a catch block: EAbort is dropped; anything else is recorded
  // and handed to OnException, or shown.
  void HandleException(TObject* Sender);
  void ShowException(const Exception& E);
  const std::vector<THandledException>& GetHandledExceptions() const { return FHandled; }
  void ClearHandledExceptions() { FHandled.clear(); }
  // Tests: raises when any exception was handled since the last clear.
  void CheckNoExceptions() const;

  // ---- Forms ----
  TCustomForm* GetMainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Value) { FMainForm = Value; }
  template <class T>
  T* CreateForm() {
    T* Form = T::Create(this);
    if (!FMainForm) FMainForm = Form;
    return Form;
  }
  const String& GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }

  // ---- Hints ----
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  Integer GetHintPause() const { return FHintPause; }
  void SetHintPause(Integer Value) { FHintPause = Value; }
  Integer GetHintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(Integer Value) { FHintShortPause = Value; }
  Integer GetHintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(Integer Value) { FHintHidePause = Value; }
  TColor GetHintColor() const { return FHintColor; }
  void SetHintColor(TColor Value);
  TClass GetHintWindowClass() const { return FHintWindowClass; }
  void SetHintWindowClass(TClass Value) { FHintWindowClass = Value; }
  // Shows the hint of the control under CursorPos now.
  void ActivateHint(TPoint CursorPos);
  void CancelHint();
  void HideHint();
  // Called by controls for every mouse move over them.
  void HintMouseMessage(TControl* Control, TMessage& Message);
  THintWindow* GetHintWindow() const { return FHintWindow; }
  TControl* GetHintControl() const { return FHintControl; }
  TControl* GetMouseControl() const { return FMouseControl; }
  // Drops every reference to a control that is being freed.
  void ControlDestroyed(TControl* Control);
  // Tests: back to the starting state (no hint, no main form, no records,
  // no event handlers, the default hint timing), after the window system
  // was reset.
  void Reset();

  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TShowHintEvent OnShowHint;
  TShortCutEvent OnShortCut;

 protected:
  void Destroy() override;

 private:
  friend LRESULT ApplicationWndProc(HWND, UINT, WPARAM, LPARAM);
  void WndProc(TMessage& Message);
  bool OfferAction(TBasicAction* Action, bool Execute);
  void StartHintTimer(Integer Value, bool ShowHint);
  void StopHintTimer();
  void HintTimerExpired();
  void DoMouseIdle();
  void FreeHintWindow();

  HWND FHandle = nullptr;
  bool FTerminated = false;
  TCustomForm* FMainForm = nullptr;
  String FTitle;
  std::vector<THandledException> FHandled;
  std::deque<std::function<void(TCustomForm*)>> FModalActions;
  bool FShowHint = true;
  Integer FHintPause = 500;
  Integer FHintShortPause = 50;
  Integer FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  TClass FHintWindowClass = nullptr;  // null: THintWindow
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;  // the control whose hint is pending or shown
  TRect FHintCursorRect;             // screen rectangle the hint belongs to
  bool FHintActive = false;          // a hint is shown (or was, for the short pause)
  bool FHintTimerRunning = false;
  bool FHintTimerShows = true;        // the running timer shows (else hides) the hint
  TControl* FMouseControl = nullptr;  // the control under the mouse at the last idle step
};

// ---------------------------------------------------------------------------
// TMonitor: one display of the screen.
class TMonitor : public TObject {
  KV_CLASS(TMonitor, TObject)
 public:
  HMONITOR GetHandle() const { return FHandle; }
  Integer GetMonitorNum() const { return FMonitorNum; }
  TRect GetBoundsRect() const;
  TRect GetWorkareaRect() const;
  Integer GetLeft() const { return GetBoundsRect().Left; }
  Integer GetTop() const { return GetBoundsRect().Top; }
  Integer GetWidth() const { return GetBoundsRect().Width(); }
  Integer GetHeight() const { return GetBoundsRect().Height(); }
  bool GetPrimary() const;

 private:
  friend class TScreen;
  HMONITOR FHandle = nullptr;
  Integer FMonitorNum = 0;
};

// ---------------------------------------------------------------------------
// TScreen: the screen as the program sees it: its size and monitors, the
// cursors by TCursor number and the screen cursor, the forms, the active
// form and control, and the fonts hints and menus use.
class TScreen : public TComponent {
  KV_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}

  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  HCURSOR GetCursors(Integer Index);
  void SetCursors(Integer Index, HCURSOR Handle);

  Integer GetWidth() const { return GetSystemMetrics(SM_CXSCREEN); }
  Integer GetHeight() const { return GetSystemMetrics(SM_CYSCREEN); }
  TRect GetWorkAreaRect() const;
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }
  Integer GetMonitorCount();
  TMonitor* GetMonitors(Integer Index);
  TMonitor* MonitorFromPoint(TPoint P, DWORD Default = MONITOR_DEFAULTTONEAREST);
  TMonitor* MonitorFromRect(const TRect& R, DWORD Default = MONITOR_DEFAULTTONEAREST);
  TMonitor* MonitorFromWindow(HWND Wnd, DWORD Default = MONITOR_DEFAULTTONEAREST);

  Integer GetFormCount() const { return Integer(FForms.size()); }
  TCustomForm* GetForms(Integer Index) const { return FForms.at(std::size_t(Index)); }
  TCustomForm* GetActiveForm() const { return FActiveForm; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  TCustomForm* GetFocusedForm() const { return FFocusedForm; }

  TFont* GetHintFont() const { return FHintFont.get(); }
  TFont* GetMenuFont() const { return FMenuFont.get(); }
  const String& GetDefaultIme() const { return FDefaultIme; }
  // The keyboard layout active when the screen object was made.
  HKL GetDefaultKbLayout() const { return FDefaultKbLayout; }

 protected:
  void Construct() override;

 private:
  friend class TCustomForm;
  TMonitor* MonitorOf(HMONITOR Handle);
  void RefreshMonitors();
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);

  TCursor FCursor = crDefault;
  std::vector<std::pair<Integer, HCURSOR>> FCustomCursors;  // cursors set by index
  Integer FPixelsPerInch = 96;
  std::vector<TObjectPtr<TMonitor>> FMonitors;
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCustomForm* FFocusedForm = nullptr;  // the form whose control had the last CM_ENTER walk
  TObjectPtr<TFont> FHintFont;
  TObjectPtr<TFont> FMenuFont;
  String FDefaultIme;
  HKL FDefaultKbLayout = nullptr;
};

// ---------------------------------------------------------------------------
// TMouse: the mouse as the program sees it.
class TMouse {
 public:
  TPoint GetCursorPos() const;
  void SetCursorPos(TPoint Value);
  HWND GetCapture() const { return ::kvp::GetCapture(); }
  void SetCapture(HWND Value);
  bool GetDragImmediate() const { return FDragImmediate; }
  void SetDragImmediate(bool Value) { FDragImmediate = Value; }
  Integer GetDragThreshold() const { return FDragThreshold; }
  void SetDragThreshold(Integer Value) { FDragThreshold = Value; }
  Integer GetWheelScrollLines() const;
  bool GetMousePresent() const { return GetSystemMetrics(SM_MOUSEPRESENT) != 0; }
  bool GetWheelPresent() const { return GetSystemMetrics(SM_MOUSEWHEELPRESENT) != 0; }

 private:
  bool FDragImmediate = true;
  Integer FDragThreshold = 5;
};

TApplication* Application();
TScreen* Screen();
extern TMouse* const Mouse;

}  // namespace kvp
