// The control classes: TControl (bounds, parent, visibility, font, colour,
// mouse and the message dispatch every control shares), TWinControl (a
// control with a window of its own: creation and recreation of the window,
// focus, keyboard, tab order, painting of its graphic children),
// TCustomControl and TGraphicControl (controls that paint themselves on a
// canvas), TControlCanvas, and the module's cursor and shift-state helpers.
#pragma once

#include <vector>

#include "platform/classes/Actions.h"
#include "platform/classes/Component.h"
#include "platform/classes/ShortCuts.h"
#include "platform/classes/TypInfo.h"
#include "platform/controls/ControlMessages.h"
#include "platform/graphics/Canvas.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

namespace kvp {

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

// ---------------------------------------------------------------------------
// Enumerations and sets

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
KV_ENUM_INFO(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground,
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
};
using TControlState = TSet<TControlStateItem>;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
KV_ENUM_INFO(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign,
             bdRightToLeftReadingOnly)

enum TImeMode {
  imDisable,
  imClose,
  imOpen,
  imDontCare,
  imSAlpha,
  imAlpha,
  imHira,
  imSKata,
  imKata,
  imChinese,
  imSHanguel,
  imHanguel
};
KV_ENUM_INFO(TImeMode, imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata,
             imKata, imChinese, imSHanguel, imHanguel)
using TImeName = String;

enum TDragMode { dmManual, dmAutomatic };
KV_ENUM_INFO(TDragMode, dmManual, dmAutomatic)

// The border of a window: controls use bsNone and bsSingle, forms all of them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
KV_ENUM_INFO(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;

KV_ENUM_INFO(TMouseButton, mbLeft, mbRight, mbMiddle)

// Cursors: the standard ones are negative; Screen()->SetCursors(i, h) adds
// positive ones.
using TCursor = SmallInt;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                         crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17,
                         crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                         crSizeAll = -22, crSize = -22;

// Cursor names ("crHourGlass") for stored forms; the controls module
// registers them, and the colour names, as the TCursor and TColor types.
bool CursorToIdent(Integer Cursor, String& Ident);
bool IdentToCursor(const String& Ident, Integer& Cursor);
String CursorToString(TCursor Cursor);
// Accepts names and numbers; raises EConvertError.
TCursor StringToCursor(const String& S);

// The shift state of a key message (Shift and Ctrl from the key-state table,
// Alt from bit 29 of the key data) and of a mouse message's key flags.
TShiftState KeyDataToShiftState(Integer KeyData);
TShiftState KeysToShiftState(Word Keys);
// The key-state table's modifiers alone.
TShiftState KeyboardStateToShiftState();

// Hint text: "short|long".
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

// ---------------------------------------------------------------------------
// Event types

using TWndMethod = TDelegate<void(TMessage& Message)>;
using TMouseEvent =
    TDelegate<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = TDelegate<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
using TKeyEvent = TDelegate<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = TDelegate<void(TObject* Sender, Char& Key)>;
using TMouseWheelEvent = TDelegate<void(TObject* Sender, TShiftState Shift, Integer WheelDelta,
                                        TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    TDelegate<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = TDelegate<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TStartDragEvent = TDelegate<void(TObject* Sender)>;
using TEndDragEvent = TDelegate<void(TObject* Sender, TObject* Target, Integer X, Integer Y)>;

// ---------------------------------------------------------------------------
// Message maps
//
// A control class lists the message handlers it declares in a message map;
// Dispatch calls the most-derived handler for a message number, and a
// handler calls the ancestor's handler for the same number (or, when no
// ancestor has one, DefaultHandler) with inherited::Dispatch(Message):
//
//   KV_BEGIN_MESSAGE_MAP
//     KV_MESSAGE(WM_KEYDOWN, WMKeyDown)   // void WMKeyDown(TWMKey& Message)
//     KV_MESSAGE(CM_ENTER, CMEnter)       // void CMEnter(TMessage& Message)
//   KV_END_MESSAGE_MAP
//
// A handler takes TMessage& or one of the typed records of ControlMessages.h.
namespace detail {
template <class C, class R>
void CallMessageHandler(C* Self, void (C::*Handler)(R&), TMessage& Message) {
  (Self->*Handler)(MessageAs<R>(Message));
}
}  // namespace detail

#define KV_BEGIN_MESSAGE_MAP                         \
 public:                                             \
  void Dispatch(::kvp::TMessage& Message) override { \
    switch (Message.Msg) {
#define KV_MESSAGE(Msg, Handler)                                                \
  case Msg:                                                                     \
    ::kvp::detail::CallMessageHandler<KvSelf>(this, &KvSelf::Handler, Message); \
    return;
#define KV_END_MESSAGE_MAP        \
  default:                        \
    break;                        \
    }                             \
    inherited::Dispatch(Message); \
    }

class TControlActionLink;

// ---------------------------------------------------------------------------
// TControl: a visual component. It knows its bounds in its parent's client
// area, its visibility, font, colour, cursor and hint, and handles the
// mouse; the messages it receives go through WindowProc (WndProc by
// default), then Dispatch to the class's handlers, then DefaultHandler.
// A control without a window of its own (a graphic control) gets its
// messages from its parent: painting, and the mouse messages over it.
class TControl : public TComponent {
  KV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner) : TComponent(AOwner) {}

  // ---- Messages ----
  // Calls WindowProc directly (no window is needed) and answers the result;
  // exceptions go on to the caller.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  template <class P>
  LRESULT Perform(UINT Msg, WPARAM WParam, P* LParam) {
    return Perform(Msg, WParam, reinterpret_cast<LPARAM>(LParam));
  }
  // The pre-processing every message goes through before Dispatch.
  virtual void WndProc(TMessage& Message);
  // Calls the class's handler for the message number, else DefaultHandler.
  virtual void Dispatch(TMessage& Message);
  // What happens to a message no handler takes (text of a control without a
  // window: WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETTEXT).
  virtual void DefaultHandler(TMessage& Message);
  // Replaceable; by default bound to WndProc.
  TWndMethod WindowProc;

  // ---- Parent and bounds ----
  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  Integer GetLeft() const { return FLeft; }
  void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  Integer GetTop() const { return FTop; }
  void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  // Every change of position or size comes here.
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  virtual TRect GetClientRect();
  Integer GetClientWidth() { return GetClientRect().Width(); }
  void SetClientWidth(Integer Value);
  Integer GetClientHeight() { return GetClientRect().Height(); }
  void SetClientHeight(Integer Value);
  // The screen point of the client area's top-left corner.
  virtual TPoint GetClientOrigin();
  TPoint ClientToScreen(TPoint P);
  TPoint ScreenToClient(TPoint P);
  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  // With AutoSize, every size asked for goes through CanAutoSize first.
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  // Applies AutoSize to the current size again (after a content change).
  virtual void AdjustSize();
  // Scales position, size and (without ParentFont) the font by M / D.
  void ScaleBy(Integer M, Integer D);

  // ---- Visibility and state ----
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show();
  void Hide();
  bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState GetControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }

  // ---- Text ----
  String GetText();
  void SetText(const String& Value);
  String GetCaption() { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  Integer GetTextLen();

  // ---- Appearance ----
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TBiDiMode GetBiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool GetParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);
  // Right-to-left predicates: true only with a middle-east locale.
  virtual bool UseRightToLeftAlignment() const;
  virtual bool UseRightToLeftReading() const;
  virtual bool UseRightToLeftScrollBar() const;
  bool IsRightToLeft() const;
  UINT DrawTextBiDiModeFlags(UINT Flags) const;
  UINT DrawTextBiDiModeFlagsReadingOnly() const;

  // ---- Hints and menus ----
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);

  // ---- Action ----
  // A linked action gives the control its caption, enabled state, hint,
  // visibility and click (where the control still has its own defaults
  // while loading), and follows the action's changes.
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* Value);
  TControlActionLink* GetActionLink() const { return FActionLink.get(); }

  // ---- Painting ----
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // A DC for drawing on the control outside WM_PAINT; WindowHandle receives
  // the window it belongs to, for ReleaseDC.
  virtual HDC GetDeviceContext(HWND& WindowHandle);

  // ---- Mouse ----
  bool GetMouseCapture();
  void SetMouseCapture(bool Value);
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  // Starts a drag at once, or once the mouse has moved Threshold pixels
  // (a negative Threshold: Mouse->GetDragThreshold()).
  void BeginDrag(bool Immediate, Integer Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;

  // ---- Component streaming and state ----
  // Stored rules of the properties that follow the parent: a value taken
  // from the parent is not stored.
  bool IsColorStored() const;
  bool IsFontStored() const;
  bool IsShowHintStored() const;

  // ---- Events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ReadState(TReader* Reader) override;

  // ---- The dynamic methods: each fires its event ----
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  // Fires OnMouseWheel, then DoMouseWheelUp / DoMouseWheelDown for each
  // whole notch; answers whether the wheel was handled.
  virtual bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void Resize();
  virtual void DoStartDrag();
  virtual void DoEndDrag(TObject* Target, Integer X, Integer Y);

  // ---- Hooks ----
  // May change the size AutoSize asks for; false keeps the old size.
  virtual bool CanAutoSize(Integer& /*NewWidth*/, Integer& /*NewHeight*/) { return true; }
  // Takes the action's properties (all, or with CheckDefaults only where
  // the control still has its defaults).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual void Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }
  virtual void ChangeScale(Integer M, Integer D);
  virtual void VisibleChanging() {}
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  void SendCancelMode(TControl* Sender);
  // Keeps a font change made by this control from clearing ParentFont.
  void ParentFontAssign(TFont* Source);

  // ---- Message handlers ----
  void WMLButtonDown(TWMMouse& Message);
  void WMLButtonDblClk(TWMMouse& Message);
  void WMLButtonUp(TWMMouse& Message);
  void WMRButtonDown(TWMMouse& Message);
  void WMRButtonDblClk(TWMMouse& Message);
  void WMRButtonUp(TWMMouse& Message);
  void WMMButtonDown(TWMMouse& Message);
  void WMMButtonDblClk(TWMMouse& Message);
  void WMMButtonUp(TWMMouse& Message);
  void WMMouseMove(TWMMouse& Message);
  void WMCancelMode(TMessage& Message);
  void WMContextMenu(TWMContextMenu& Message);
  void WMWindowPosChanged(TWMWindowPosMsg& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentShowHintChanged(TMessage& Message);
  void CMParentBiDiModeChanged(TMessage& Message);
  void CMBiDiModeChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMHitTest(TCMHitTest& Message);
  void CMMouseWheel(TCMMouseWheel& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  TWinControl* FParent = nullptr;
  Integer FLeft = 0;
  Integer FTop = 0;
  Integer FWidth = 0;
  Integer FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  TAlign FAlign = alNone;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
  String FText;  // the text while the control has no window holding it
  TColor FColor = clWindow;
  bool FParentColor = true;
  TObjectPtr<TFont> FFont;
  bool FParentFont = true;
  bool FFontFromParent = false;  // set while a parent's font is copied in
  TCursor FCursor = crDefault;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;
  Integer FWheelAccumulator = 0;  // wheel delta not yet spent on whole notches
  bool FAutoSize = false;
  std::unique_ptr<TControlActionLink, TFreeDeleter> FActionLink;

 private:
  friend class TWinControl;
  void FontChanged(TObject* Sender);
  void DragMouseMove(TPoint ScreenPos);
  void CheckNewSize(Integer& NewWidth, Integer& NewHeight);
  void DoActionChange(TObject* Sender);
  Integer GetCursorProp() const;  // the Cursor property as streamed (a TCursor name or number)
  void SetCursorProp(Integer Value);
  void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TWMMouse& Message, TMouseButton Button);
  void ButtonDown(TWMMouse& Message, TMouseButton Button, bool Double);
};

// ---------------------------------------------------------------------------
// TControlActionLink: the link between a control and its action. A property
// counts as linked while the control's value equals the action's.
class TControlActionLink : public TActionLink {
  KV_CLASS(TControlActionLink, TActionLink)
 public:
  explicit TControlActionLink(TObject* AClient = nullptr) : TActionLink(AClient) {}
  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetCaption(const String& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const String& Value) override;
  void SetVisible(bool Value) override;
  void SetOnExecute(const TNotifyEvent& Value) override;

 protected:
  void AssignClient(TObject* AClient) override;
  TControl* FClient = nullptr;
};

// ---------------------------------------------------------------------------
// TCreateParams: what CreateWnd hands to CreateWindowEx. WindowClass is the
// class registered under WinClassName; its procedure (DefWindowProc, or a
// standard class's procedure copied by CreateSubClass) becomes the control's
// DefaultHandler.
struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0;
  Integer Y = 0;
  Integer Width = 0;
  Integer Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass;
  String WinClassName;
};

// ---------------------------------------------------------------------------
// TWinControl: a control with a window. The window is made on demand (Handle,
// HandleNeeded: parents first) or when the control comes to be shown, and
// made again by RecreateWnd keeping text, bounds and focus. It holds child
// controls, the tab order among them, and the keyboard: the application's
// loop hands it key messages as CN_KEYDOWN ... first (shortcuts, dialog
// keys), then as WM_KEYDOWN ... (KeyDown, KeyPress, KeyUp).
//
// Window life: CreateHandle -> CreateWnd -> CreateParams, CreateWindowHandle;
// DestroyHandle -> children's DestroyHandle, DestroyWnd (keeps the text) ->
// DestroyWindowHandle.
class TWinControl : public TControl {
  KV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* AOwner) : TControl(AOwner) {}

  // ---- The window ----
  HWND GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  void RecreateWnd();
  void DestroyHandle();
  HWND GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);
  // Called by the window procedure for every message to this control's
  // window: WindowProc, with every exception handed to the application.
  void MainWndProc(TMessage& Message);
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  bool GetShowing() const { return FShowing; }

  // ---- Children ----
  Integer GetControlCount() const { return Integer(FControls.size() + FWinControls.size()); }
  // Graphic children first, then windowed ones, each in insertion order.
  TControl* GetControls(Integer Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The visible child (enabled, unless AllowDisabled) under a client point;
  // graphic children are preferred, topmost first.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = false);
  // Sends Message to every child until one answers non-zero.
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg);
  // Paints the graphic children over DC (client coordinates of this control).
  void PaintControls(HDC DC, TControl* First);

  // ---- Focus and tab order ----
  virtual bool CanFocus();
  virtual bool Focused();
  virtual void SetFocus();
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  Integer GetTabOrder() const;
  void SetTabOrder(Integer Value);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  void SelectFirst();
  bool GetCtl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool GetParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool Value);
  TBrush* GetBrush() const { return FBrush.get(); }
  // Kept for the input-method service; there are no input methods here.
  TImeMode GetImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode Value) { FImeMode = Value; }
  const TImeName& GetImeName() const { return FImeName; }
  void SetImeName(const TImeName& Value) { FImeName = Value; }

  TRect GetClientRect() override;
  TPoint GetClientOrigin() override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  HDC GetDeviceContext(HWND& WindowHandle) override;
  void SetEnabled(bool Value) override;

  // ---- Events ----
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  void Construct() override;
  void Destroy() override;

  // ---- Window creation ----
  virtual void CreateParams(TCreateParams& Params);
  // Copies the class record of a registered class (a standard one: "EDIT")
  // so that the control's window is of that kind with the control's class name.
  void CreateSubClass(TCreateParams& Params, const char* ClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void UpdateBounds();
  void UpdateShowing();
  void UpdateControlState();
  WNDPROC FDefWndProc = nullptr;  // the window class's own procedure (DefaultHandler)

  // ---- Keyboard: the dynamic methods and their callers ----
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyPress(Char& Key);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void DoEnter();
  virtual void DoExit();
  // KeyPreview of the parent form first, then KeyDown...; true: handled.
  bool DoKeyDown(TWMKey& Message);
  bool DoKeyPress(TWMKey& Message);
  bool DoKeyUp(TWMKey& Message);
  // Shortcuts of the popup menus up the parent chain, the form, the application.
  bool IsMenuKey(TWMKey& Message);

  // ---- Painting ----
  void PaintHandler(TWMPaint& Message);
  virtual void PaintWindow(HDC DC);
  void ChangeScale(Integer M, Integer D) override;

  // ---- Message handlers ----
  void WMPaint(TWMPaint& Message);
  void WMEraseBkgnd(TWMEraseBkgnd& Message);
  void WMSetCursor(TWMSetCursor& Message);
  void WMSize(TWMSize& Message);
  void WMWindowPosChanged(TWMWindowPosMsg& Message);
  void WMCommand(TWMCommand& Message);
  void WMNotify(TMessage& Message);
  void WMScroll(TWMScroll& Message);
  void WMItemMessage(TMessage& Message);
  void WMKeyDown(TWMKey& Message);
  void WMKeyUp(TWMKey& Message);
  void WMChar(TWMKey& Message);
  void WMMouseWheel(TWMMouseWheel& Message);
  void WMContextMenu(TWMContextMenu& Message);
  void CNKeyDown(TWMKey& Message);
  void CNChar(TWMKey& Message);
  void CNSysKeyDown(TWMKey& Message);
  void CNSysChar(TWMKey& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMChildKey(TCMChildKey& Message);
  void CMDialogKey(TWMKey& Message);
  void CMDialogChar(TWMKey& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMCtl3DChanged(TMessage& Message);
  void CMParentCtl3DChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMShowHintChanged(TMessage& Message);
  void CMBiDiModeChanged(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);
  void CMInvalidate(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  // Tells every child which control now has the focus (a button shows itself
  // as the default one while it is focused).
  void CMFocusChanged(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_PAINT, WMPaint)
  KV_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
  KV_MESSAGE(WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(WM_SIZE, WMSize)
  KV_MESSAGE(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
  KV_MESSAGE(WM_COMMAND, WMCommand)
  KV_MESSAGE(WM_NOTIFY, WMNotify)
  KV_MESSAGE(WM_HSCROLL, WMScroll)
  KV_MESSAGE(WM_VSCROLL, WMScroll)
  KV_MESSAGE(WM_DRAWITEM, WMItemMessage)
  KV_MESSAGE(WM_MEASUREITEM, WMItemMessage)
  KV_MESSAGE(WM_DELETEITEM, WMItemMessage)
  KV_MESSAGE(WM_KEYDOWN, WMKeyDown)
  KV_MESSAGE(WM_SYSKEYDOWN, WMKeyDown)
  KV_MESSAGE(WM_KEYUP, WMKeyUp)
  KV_MESSAGE(WM_SYSKEYUP, WMKeyUp)
  KV_MESSAGE(WM_CHAR, WMChar)
  KV_MESSAGE(WM_MOUSEWHEEL, WMMouseWheel)
  KV_MESSAGE(WM_CONTEXTMENU, WMContextMenu)
  KV_MESSAGE(CN_KEYDOWN, CNKeyDown)
  KV_MESSAGE(CN_CHAR, CNChar)
  KV_MESSAGE(CN_SYSKEYDOWN, CNSysKeyDown)
  KV_MESSAGE(CN_SYSCHAR, CNSysChar)
  KV_MESSAGE(CM_ENTER, CMEnter)
  KV_MESSAGE(CM_EXIT, CMExit)
  KV_MESSAGE(CM_CHILDKEY, CMChildKey)
  KV_MESSAGE(CM_DIALOGKEY, CMDialogKey)
  KV_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
  KV_MESSAGE(CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(CM_COLORCHANGED, CMColorChanged)
  KV_MESSAGE(CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_MESSAGE(CM_PARENTCTL3DCHANGED, CMParentCtl3DChanged)
  KV_MESSAGE(CM_ENABLEDCHANGED, CMEnabledChanged)
  KV_MESSAGE(CM_VISIBLECHANGED, CMVisibleChanged)
  KV_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
  KV_MESSAGE(CM_SHOWHINTCHANGED, CMShowHintChanged)
  KV_MESSAGE(CM_BIDIMODECHANGED, CMBiDiModeChanged)
  KV_MESSAGE(CM_RECREATEWND, CMRecreateWnd)
  KV_MESSAGE(CM_INVALIDATE, CMInvalidate)
  KV_MESSAGE(CM_SYSCOLORCHANGE, CMSysColorChange)
  KV_MESSAGE(CM_FOCUSCHANGED, CMFocusChanged)
  KV_END_MESSAGE_MAP

 protected:
  HWND FHandle = nullptr;
  // A foreign window that holds (or owns) this one when it has no Parent.
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;        // graphic children, bottom first
  std::vector<TWinControl*> FWinControls;  // windowed children, in insertion order
  std::vector<TWinControl*> FTabList;      // windowed children in tab order
  bool FTabStop = false;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
  bool FShowing = false;      // the window exists and is shown (Visible up the parents)
  TObjectPtr<TBrush> FBrush;  // the background: Color, used by WM_ERASEBKGND
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;

 private:
  friend class TControl;
  friend class TCustomForm;
  friend LRESULT ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  bool DoControlMsg(HWND ControlHandle, TMessage& Message);
  bool IsControlMouseMsg(TWMMouse& Message);
};

// Drops a control that is going away from the drag in progress.
void ForgetDragControl(TControl* Control);
// The control whose window this is (null for a window that no control made).
TWinControl* FindControl(HWND Handle);
// The control under a screen point: the deepest windowed control, then its
// graphic child there when AllowDisabled or enabled.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The form that holds the control (the control itself for a form), or null.
TCustomForm* GetParentForm(TControl* Control);
// The same, raising EInvalidOperation when there is none.
TCustomForm* ValidParentForm(TControl* Control);

// ---------------------------------------------------------------------------
// TControlCanvas: a canvas on its control's DC. Outside a paint cycle it
// takes the control's device context when it first draws and gives it back
// in FreeHandle: when the control paints or loses its window, when the
// canvas is freed, when more than a few canvases hold one, and when the
// application goes idle (FreeDeviceContexts).
class TControlCanvas : public TCanvas {
  KV_CLASS(TControlCanvas, TCanvas)
 public:
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* AControl);
  void FreeHandle();
  // Lends the canvas the device context of a paint message for the length of
  // Paint(), then takes it back, also when Paint raises.
  template <class F>
  void PaintOn(HDC DC, F&& Paint) {
    FreeHandle();
    Lock();
    SetHandle(DC);
    try {
      Paint();
    } catch (...) {
      SetHandle(nullptr);
      Unlock();
      throw;
    }
    SetHandle(nullptr);
    Unlock();
  }

 protected:
  void Destroy() override;
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;  // a DC this canvas asked for, to be released
  HWND FWindowHandle = nullptr;  // the window FDeviceContext belongs to
};

// Gives back the device contexts control canvases took outside painting.
void FreeDeviceContexts();

// ---------------------------------------------------------------------------
// TCustomControl: a windowed control that paints itself in Paint on Canvas.
class TCustomControl : public TWinControl {
  KV_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}
  TCanvas* GetCanvas() const { return FCanvas.get(); }

 protected:
  void Construct() override;
  void DestroyWnd() override;
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;
  // Paints with csCustomPaint in ControlState.
  void WMPaint(TWMPaint& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_PAINT, WMPaint)
  KV_END_MESSAGE_MAP

 protected:
  TObjectPtr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------
// TGraphicControl: a control without a window that paints itself in Paint
// on Canvas, on its parent's window.
class TGraphicControl : public TControl {
  KV_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}
  TCanvas* GetCanvas() const { return FCanvas.get(); }

 protected:
  void Construct() override;
  virtual void Paint() {}
  void WMPaint(TWMPaint& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(WM_PAINT, WMPaint)
  KV_END_MESSAGE_MAP

 protected:
  TObjectPtr<TControlCanvas> FCanvas;
};

}  // namespace kvp
