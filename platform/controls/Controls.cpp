// TControl: properties, bounds, parent, appearance, text, the message path
// shared by every control and its mouse handling.
//
// Index
//   [SECTION] Helpers            shift states, hints, bidi flags
//   [SECTION] Life               Construct, Destroy, Notification, ReadState, published
//   [SECTION] Messages           Perform, WndProc, Dispatch, DefaultHandler
//   [SECTION] Parent and bounds  SetParent, SetBounds, client area, ScaleBy
//   [SECTION] Appearance         visibility, enabled, font, colour, bidi, hints
//   [SECTION] Text               GetText, SetText
//   [SECTION] Painting           Invalidate, Update, Repaint
//   [SECTION] Mouse              button handlers, capture, wheel, context menu, drag
//   [SECTION] Component messages CM_ handlers of TControl
#include "platform/controls/Controls.h"

#include <cstdlib>

#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp {

// [SECTION] Helpers

TShiftState KeyDataToShiftState(Integer KeyData) {
  TShiftState Result;
  if (GetKeyState(VK_SHIFT) < 0) Result += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) Result += ssCtrl;
  if (KeyData & 0x20000000) Result += ssAlt;
  return Result;
}

TShiftState KeysToShiftState(Word Keys) {
  TShiftState Result;
  if (Keys & MK_SHIFT) Result += ssShift;
  if (Keys & MK_CONTROL) Result += ssCtrl;
  if (Keys & MK_LBUTTON) Result += ssLeft;
  if (Keys & MK_RBUTTON) Result += ssRight;
  if (Keys & MK_MBUTTON) Result += ssMiddle;
  if (GetKeyState(VK_MENU) < 0) Result += ssAlt;
  return Result;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState Result;
  if (GetKeyState(VK_SHIFT) < 0) Result += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) Result += ssCtrl;
  if (GetKeyState(VK_MENU) < 0) Result += ssAlt;
  return Result;
}

String GetShortHint(const String& Hint) {
  std::size_t P = Hint.find('|');
  return P == String::npos ? Hint : Hint.substr(0, P);
}

String GetLongHint(const String& Hint) {
  std::size_t P = Hint.find('|');
  return P == String::npos ? Hint : Hint.substr(P + 1);
}

namespace {
struct TCursorName {
  TCursor Value;
  const char* Name;
};
constexpr TCursorName CursorNames[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

// Stored forms name cursors (colours are named by the graphics module).
const bool IntegerConstsRegistered = [] {
  RegisterIntegerConsts("TCursor", &IdentToCursor, &CursorToIdent);
  return true;
}();
}  // namespace

bool CursorToIdent(Integer Cursor, String& Ident) {
  for (const auto& N : CursorNames)
    if (N.Value == Cursor) {
      Ident = N.Name;
      return true;
    }
  return false;
}

bool IdentToCursor(const String& Ident, Integer& Cursor) {
  for (const auto& N : CursorNames)
    if (SameIdent(Ident, N.Name)) {
      Cursor = N.Value;
      return true;
    }
  return false;
}

String CursorToString(TCursor Cursor) {
  String Ident;
  return CursorToIdent(Cursor, Ident) ? Ident : std::to_string(Cursor);
}

TCursor StringToCursor(const String& S) {
  Integer Value = 0;
  if (IdentToCursor(S, Value)) return TCursor(Value);
  try {
    std::size_t Used = 0;
    long V = std::stol(S, &Used);
    if (Used == S.size() && V >= -32768 && V <= 32767) return TCursor(V);
  } catch (const std::exception&) {
  }
  throw EConvertError("'" + S + "' is not a valid cursor");
}

bool TControl::IsRightToLeft() const { return SysLocale.MiddleEast && FBiDiMode != bdLeftToRight; }

bool TControl::UseRightToLeftAlignment() const {
  return SysLocale.MiddleEast && FBiDiMode == bdRightToLeft;
}

bool TControl::UseRightToLeftReading() const {
  return SysLocale.MiddleEast && FBiDiMode != bdLeftToRight;
}

bool TControl::UseRightToLeftScrollBar() const {
  return SysLocale.MiddleEast && FBiDiMode != bdLeftToRight &&
         FBiDiMode != bdRightToLeftReadingOnly;
}

UINT TControl::DrawTextBiDiModeFlags(UINT Flags) const {
  UINT Result = Flags;
  if (UseRightToLeftAlignment()) {
    if ((Flags & DT_CENTER) == 0)
      Result = (Flags & DT_RIGHT) ? (Flags & ~DT_RIGHT) : (Flags | DT_RIGHT);
  }
  return Result | DrawTextBiDiModeFlagsReadingOnly();
}

UINT TControl::DrawTextBiDiModeFlagsReadingOnly() const {
  return UseRightToLeftReading() ? DT_RTLREADING : 0;
}

// [SECTION] Life

void TControl::Construct() {
  inherited::Construct();
  WindowProc = TWndMethod(this, &TControl::WndProc);
  FFont.reset(TFont::Create());
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

void TControl::Destroy() {
  Application()->ControlDestroyed(this);
  if (FParent) FParent->RemoveControl(this);
  inherited::Destroy();
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (FActionLink && AComponent == FActionLink->GetAction()) SetAction(nullptr);
}

void TControl::ReadState(TReader* Reader) {
  // While its properties are read the control is not shown, whatever Visible says.
  FControlState += csReadingState;
  try {
    inherited::ReadState(Reader);
  } catch (...) {
    FControlState -= csReadingState;
    throw;
  }
  FControlState -= csReadingState;
  if (!FParent) return;
  Perform(CM_PARENTCOLORCHANGED);
  Perform(CM_PARENTFONTCHANGED);
  Perform(CM_PARENTSHOWHINTCHANGED);
  Perform(CM_PARENTBIDIMODECHANGED);
  if (auto* Win = DynCast<TWinControl>(this)) Win->UpdateControlState();
}

void TControl::KvPublish(TPublisher<TControl>& P) {
  // Every control streams its place and its hint; each class publishes the
  // rest of what it shows (Caption or Text, Color, Font, events ...).
  P.Prop("Left", &TControl::GetLeft, &TControl::SetLeft);
  P.Prop("Top", &TControl::GetTop, &TControl::SetTop);
  P.Prop("Width", &TControl::GetWidth, &TControl::SetWidth);
  P.Prop("Height", &TControl::GetHeight, &TControl::SetHeight);
  P.Prop("Cursor", &TControl::GetCursorProp, &TControl::SetCursorProp)
      .Default(Integer(crDefault))
      .TypeName("TCursor");
  P.Prop("Hint", &TControl::GetHint, &TControl::SetHint);
}

Integer TControl::GetCursorProp() const { return FCursor; }

void TControl::SetCursorProp(Integer Value) {
  if (Value < -32768 || Value > 32767)
    throw ERangeError("Cursor " + std::to_string(Value) + " is out of range");
  SetCursor(TCursor(Value));
}

bool TControl::IsColorStored() const { return !FParentColor; }
bool TControl::IsFontStored() const { return !FParentFont; }
bool TControl::IsShowHintStored() const { return !FParentShowHint; }

// [SECTION] Messages

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage Message;
  Message.Msg = Msg;
  Message.WParam = WParam;
  Message.LParam = LParam;
  WindowProc(Message);
  return Message.Result;
}

void TControl::WndProc(TMessage& Message) {
  UINT Msg = Message.Msg;
  if (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) {
    if (Dragging()) return;  // keys do nothing while a drag runs
  } else if (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST) {
    if (Msg == WM_MOUSEMOVE) Application()->HintMouseMessage(this, Message);
    if (!FControlStyle.Contains(csDoubleClicks)) {
      if (Msg == WM_LBUTTONDBLCLK)
        Message.Msg = WM_LBUTTONDOWN;
      else if (Msg == WM_RBUTTONDBLCLK)
        Message.Msg = WM_RBUTTONDOWN;
      else if (Msg == WM_MBUTTONDBLCLK)
        Message.Msg = WM_MBUTTONDOWN;
    }
    if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
      if (FDragMode == dmAutomatic && !GetComponentState().Contains(csDesigning)) {
        BeginDrag(false);
        return;
      }
      FControlState += csLButtonDown;
    } else if (Message.Msg == WM_LBUTTONUP) {
      FControlState -= csLButtonDown;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  auto& Mouse = MessageAs<TWMMouse>(Message);
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
      WMLButtonDown(Mouse);
      return;
    case WM_LBUTTONDBLCLK:
      WMLButtonDblClk(Mouse);
      return;
    case WM_LBUTTONUP:
      WMLButtonUp(Mouse);
      return;
    case WM_RBUTTONDOWN:
      WMRButtonDown(Mouse);
      return;
    case WM_RBUTTONDBLCLK:
      WMRButtonDblClk(Mouse);
      return;
    case WM_RBUTTONUP:
      WMRButtonUp(Mouse);
      return;
    case WM_MBUTTONDOWN:
      WMMButtonDown(Mouse);
      return;
    case WM_MBUTTONDBLCLK:
      WMMButtonDblClk(Mouse);
      return;
    case WM_MBUTTONUP:
      WMMButtonUp(Mouse);
      return;
    case WM_MOUSEMOVE:
      WMMouseMove(Mouse);
      return;
    case WM_CANCELMODE:
      WMCancelMode(Message);
      return;
    case WM_CONTEXTMENU:
      WMContextMenu(MessageAs<TWMContextMenu>(Message));
      return;
    case WM_WINDOWPOSCHANGED:
      WMWindowPosChanged(MessageAs<TWMWindowPosMsg>(Message));
      return;
    case CM_VISIBLECHANGED:
      CMVisibleChanged(Message);
      return;
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(Message);
      return;
    case CM_FONTCHANGED:
      CMFontChanged(Message);
      return;
    case CM_COLORCHANGED:
      CMColorChanged(Message);
      return;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(Message);
      return;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(Message);
      return;
    case CM_PARENTSHOWHINTCHANGED:
      CMParentShowHintChanged(Message);
      return;
    case CM_PARENTBIDIMODECHANGED:
      CMParentBiDiModeChanged(Message);
      return;
    case CM_BIDIMODECHANGED:
      CMBiDiModeChanged(Message);
      return;
    case CM_TEXTCHANGED:
      CMTextChanged(Message);
      return;
    case CM_HITTEST:
      CMHitTest(MessageAs<TCMHitTest>(Message));
      return;
    case CM_MOUSEWHEEL:
      CMMouseWheel(MessageAs<TCMMouseWheel>(Message));
      return;
    case CM_MOUSEENTER:
      CMMouseEnter(Message);
      return;
    case CM_MOUSELEAVE:
      CMMouseLeave(Message);
      return;
    default:
      DefaultHandler(Message);
      return;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT: {
      auto* Buffer = reinterpret_cast<char*>(Message.LParam);
      if (!Buffer || Message.WParam == 0) {
        Message.Result = 0;
        return;
      }
      // Whole characters only: a short buffer must not end in half of one.
      std::size_t N = std::min<std::size_t>(FText.size(), Message.WParam - 1);
      while (N > 0 && N < FText.size() && (Byte(FText[N]) & 0xC0) == 0x80) --N;
      FText.copy(Buffer, N);
      Buffer[N] = 0;
      Message.Result = LRESULT(N);
      return;
    }
    case WM_GETTEXTLENGTH:
      Message.Result = LRESULT(FText.size());
      return;
    case WM_SETTEXT: {
      auto* Text = reinterpret_cast<const char*>(Message.LParam);
      FText = Text ? Text : "";
      Message.Result = TRUE;
      return;
    }
    default:
      return;
  }
}

// [SECTION] Parent and bounds

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  for (TControl* P = AParent; P; P = P->FParent)
    if (P == this)
      throw EInvalidOperation("Control '" + GetName() + "' cannot be a parent of its own parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* W = DynCast<TWinControl>(Value)) SetParent(W);
}

void TControl::CheckNewSize(Integer& NewWidth, Integer& NewHeight) {
  if (!FAutoSize || GetComponentState().Contains(csLoading)) return;
  Integer W = NewWidth, H = NewHeight;
  if (CanAutoSize(W, H)) {
    NewWidth = W;
    NewHeight = H;
  } else {
    NewWidth = FWidth;
    NewHeight = FHeight;
  }
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TControl::AdjustSize() {
  if (GetComponentState().Contains(csLoading)) return;
  SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  CheckNewSize(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  InvalidateControl(FVisible, false);
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Invalidate();
  Perform(WM_WINDOWPOSCHANGED);
  if (!GetComponentState().Contains(csLoading)) Resize();
}

TRect TControl::GetClientRect() { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(Integer Value) {
  SetBounds(FLeft, FTop, FWidth - GetClientWidth() + Value, FHeight);
}

void TControl::SetClientHeight(Integer Value) {
  SetBounds(FLeft, FTop, FWidth, FHeight - GetClientHeight() + Value);
}

TPoint TControl::GetClientOrigin() {
  if (!FParent) throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
  TPoint P = FParent->GetClientOrigin();
  return Point(P.X + FLeft, P.Y + FTop);
}

TPoint TControl::ClientToScreen(TPoint P) {
  TPoint O = GetClientOrigin();
  return Point(P.X + O.X, P.Y + O.Y);
}

TPoint TControl::ScreenToClient(TPoint P) {
  TPoint O = GetClientOrigin();
  return Point(P.X - O.X, P.Y - O.Y);
}

void TControl::SetAlign(TAlign Value) {
  // Controls here are laid out by their bounds; the value is kept for the
  // classes that read it.
  if (FAlign == Value) return;
  FAlign = Value;
}

void TControl::ScaleBy(Integer M, Integer D) {
  if (M <= 0 || D <= 0 || M == D) return;  // a zero or negative ratio would wreck the bounds
  ChangeScale(M, D);
}

void TControl::ChangeScale(Integer M, Integer D) {
  Integer L = MulDiv(FLeft, M, D), T = MulDiv(FTop, M, D);
  Integer W = MulDiv(FLeft + FWidth, M, D) - L, H = MulDiv(FTop + FHeight, M, D) - T;
  SetBounds(L, T, W, H);
  if (!FParentFont) FFont->SetSize(MulDiv(FFont->GetSize(), M, D));
}

// [SECTION] Appearance

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, WPARAM(Value));
}

void TControl::Show() {
  if (FParent) FParent->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::FontChanged(TObject*) {
  if (!FFontFromParent) FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::ParentFontAssign(TFont* Source) {
  FFontFromParent = true;
  try {
    FFont->Assign(Source);
  } catch (...) {
    FFontFromParent = false;
    throw;
  }
  FFontFromParent = false;
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (FParent && FParentFont) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value) {
    FParentColor = false;
    return;
  }
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  if (FParent && FParentColor) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode Value) {
  if (FBiDiMode == Value) {
    FParentBiDiMode = false;
    return;
  }
  FBiDiMode = Value;
  FParentBiDiMode = false;
  Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool Value) {
  if (FParentBiDiMode == Value) return;
  FParentBiDiMode = Value;
  if (FParent && FParentBiDiMode) Perform(CM_PARENTBIDIMODECHANGED);
}

void TControl::SetShowHint(bool Value) {
  if (FShowHint == Value) {
    FParentShowHint = false;
    return;
  }
  FShowHint = Value;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  if (FParent && FParentShowHint) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (FPopupMenu == Value) return;
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

// [SECTION] Text

Integer TControl::GetTextLen() { return Integer(Perform(WM_GETTEXTLENGTH)); }

String TControl::GetText() {
  Integer Len = GetTextLen();
  String Buffer(std::size_t(Len) + 1, '\0');
  LRESULT Got = Perform(WM_GETTEXT, WPARAM(Len + 1), Buffer.data());
  Buffer.resize(std::size_t(std::max<LRESULT>(0, Got)));
  return Buffer;
}

void TControl::SetText(const String& Value) {
  if (GetText() == Value) return;
  Perform(WM_SETTEXT, 0, Value.c_str());
  Perform(CM_TEXTCHANGED);
}

// [SECTION] Painting

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible && !GetComponentState().Contains(csDesigning)) return;
  if (!FParent || !FParent->HandleAllocated()) return;
  TRect R = GetBoundsRect();
  InvalidateRect(FParent->GetHandle(), &R, !IsOpaque);
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

HDC TControl::GetDeviceContext(HWND& WindowHandle) {
  if (!FParent) throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
  HDC DC = FParent->GetDeviceContext(WindowHandle);
  SetViewportOrgEx(DC, FLeft, FTop, nullptr);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  return DC;
}

// [SECTION] Mouse

void TControl::SendCancelMode(TControl* Sender) {
  // The active control of every active form up the parent chain hears that a
  // click is coming, before the click changes any focus.
  for (TControl* C = this; C; C = C->FParent) {
    auto* Form = DynCast<TCustomForm>(C);
    if (Form && Form->GetActive() && Form->GetActiveControl())
      Form->GetActiveControl()->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
  }
}

void TControl::ButtonDown(TWMMouse& Message, TMouseButton Button, bool Double) {
  SendCancelMode(this);
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  TShiftState Shift;
  if (Double) {
    Shift += ssDouble;
    if (Button == mbLeft && FControlStyle.Contains(csClickEvents)) DblClick();
  } else if (Button == mbLeft && FControlStyle.Contains(csClickEvents)) {
    FControlState += csClicked;
  }
  DoMouseDown(Message, Button, Shift);
}

void TControl::WMLButtonDown(TWMMouse& Message) { ButtonDown(Message, mbLeft, false); }
void TControl::WMLButtonDblClk(TWMMouse& Message) { ButtonDown(Message, mbLeft, true); }
void TControl::WMRButtonDown(TWMMouse& Message) { ButtonDown(Message, mbRight, false); }
void TControl::WMRButtonDblClk(TWMMouse& Message) { ButtonDown(Message, mbRight, true); }
void TControl::WMMButtonDown(TWMMouse& Message) { ButtonDown(Message, mbMiddle, false); }
void TControl::WMMButtonDblClk(TWMMouse& Message) { ButtonDown(Message, mbMiddle, true); }

void TControl::WMLButtonUp(TWMMouse& Message) {
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState -= csClicked;
    if (PtInRect(GetClientRect(), SmallPointToPoint(Message.Pos))) Click();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonUp(TWMMouse& Message) {
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  DoMouseUp(Message, mbRight);
}

void TControl::WMMButtonUp(TWMMouse& Message) {
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  DoMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& Message) {
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
  if (Dragging()) {
    DragMouseMove(ClientToScreen(SmallPointToPoint(Message.Pos)));
    return;
  }
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(Word(Message.Keys)), Message.XPos(), Message.YPos());
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseDown(Button, KeysToShiftState(Word(Message.Keys)) + Shift, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button) {
  if (Dragging() && Button == mbLeft) {
    EndDrag(true);  // the release drops (or, before the threshold, abandons) the drag
    return;
  }
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseUp(Button, KeysToShiftState(Word(Message.Keys)), Message.XPos(), Message.YPos());
}

void TControl::WMCancelMode(TMessage& Message) {
  DefaultHandler(Message);
  if (GetMouseCapture()) {
    SetMouseCapture(false);
    if (Dragging()) EndDrag(false);
    // A press in progress ends with a release far outside: MouseUp, no Click.
    if (FControlState.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, LPARAM(-1));
  } else {
    FControlState -= csLButtonDown;
  }
}

void TControl::Click() {
  // OnClick runs unless it is just the action's handler, which the link runs.
  TBasicAction* Action = GetAction();
  if (OnClick && Action && !(OnClick == Action->OnExecute))
    OnClick(this);
  else if (FActionLink && !GetComponentState().Contains(csDesigning))
    FActionLink->Execute(this);
  else if (OnClick)
    OnClick(this);
}

// ---- Action ----

TBasicAction* TControl::GetAction() const {
  return FActionLink ? FActionLink->GetAction() : nullptr;
}

void TControl::SetAction(TBasicAction* Value) {
  if (GetAction() == Value) return;
  if (!Value) {
    FActionLink.reset();
    FControlStyle -= csActionClient;
    return;
  }
  FControlStyle += csActionClient;
  if (!FActionLink) FActionLink.reset(TControlActionLink::Create(this));
  FActionLink->SetAction(Value);
  FActionLink->OnChange = TNotifyEvent(this, &TControl::DoActionChange);
  ActionChange(Value, GetComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TControl::DoActionChange(TObject* Sender) {
  if (Sender == GetAction()) ActionChange(Sender, false);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* A = DynCast<TCustomAction>(Sender);
  if (!A) return;
  if (!CheckDefaults || GetText().empty()) SetText(A->GetCaption());
  if (!CheckDefaults || FEnabled) SetEnabled(A->GetEnabled());
  if (!CheckDefaults || FHint.empty()) SetHint(A->GetHint());
  if (!CheckDefaults || FVisible) SetVisible(A->GetVisible());
  if (!CheckDefaults || !OnClick) OnClick = A->OnExecute;
}

void TControlActionLink::AssignClient(TObject* AClient) { FClient = As<TControl>(AClient); }

bool TControlActionLink::IsCaptionLinked() {
  auto* A = DynCast<TCustomAction>(FAction);
  return TActionLink::IsCaptionLinked() && A && FClient->GetText() == A->GetCaption();
}

bool TControlActionLink::IsEnabledLinked() {
  auto* A = DynCast<TCustomAction>(FAction);
  return TActionLink::IsEnabledLinked() && A && FClient->GetEnabled() == A->GetEnabled();
}

bool TControlActionLink::IsHintLinked() {
  auto* A = DynCast<TCustomAction>(FAction);
  return TActionLink::IsHintLinked() && A && FClient->GetHint() == A->GetHint();
}

bool TControlActionLink::IsVisibleLinked() {
  auto* A = DynCast<TCustomAction>(FAction);
  return TActionLink::IsVisibleLinked() && A && FClient->GetVisible() == A->GetVisible();
}

bool TControlActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && FAction && FClient->OnClick == FAction->OnExecute;
}

void TControlActionLink::SetCaption(const String& Value) {
  if (IsCaptionLinked()) FClient->SetText(Value);
}

void TControlActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) FClient->SetEnabled(Value);
}

void TControlActionLink::SetHint(const String& Value) {
  if (IsHintLinked()) FClient->SetHint(Value);
}

void TControlActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) FClient->SetVisible(Value);
}

void TControlActionLink::SetOnExecute(const TNotifyEvent& Value) {
  if (IsOnExecuteLinked()) FClient->OnClick = Value;
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::GetMouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (GetMouseCapture() == Value) return;
  SetCaptureControl(Value ? this : nullptr);
}

bool TControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  bool Handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, Handled);
  if (Handled) return true;
  FWheelAccumulator += WheelDelta;
  while (std::abs(FWheelAccumulator) >= WHEEL_DELTA) {
    bool Up = FWheelAccumulator > 0;
    FWheelAccumulator += Up ? -WHEEL_DELTA : WHEEL_DELTA;
    Handled = Up ? DoMouseWheelUp(Shift, MousePos) : DoMouseWheelDown(Shift, MousePos);
  }
  return Handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool Handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, Handled);
  return Handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool Handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, Handled);
  return Handled;
}

void TControl::CMMouseWheel(TCMMouseWheel& Message) {
  TShiftState Shift = KeysToShiftState(LOWORD(Message.WParam));
  if (DoMouseWheel(Shift, Message.WheelDelta(), SmallPointToPoint(Message.Pos))) {
    Message.Result = 1;
  } else if (FParent) {
    Message.Result = FParent->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
  }
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0) return;
  TPoint Pt = SmallPointToPoint(Message.Pos);
  bool FromKeyboard = Pt.X == -1 && Pt.Y == -1;
  TPoint Temp = FromKeyboard ? Point(-1, -1) : ScreenToClient(Pt);
  bool Handled = false;
  DoContextPopup(Temp, Handled);
  Message.Result = Handled ? 1 : 0;
  if (Handled) return;
  TPopupMenu* Menu = FPopupMenu;
  if (Menu && Menu->GetAutoPopup()) {
    SendCancelMode(nullptr);
    Menu->SetPopupComponent(this);
    if (FromKeyboard) Pt = ClientToScreen(Point(0, 0));
    Menu->Popup(Pt.X, Pt.Y);
    Message.Result = 1;
    return;
  }
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
}

void TControl::WMWindowPosChanged(TWMWindowPosMsg& Message) {
  DefaultHandler(reinterpret_cast<TMessage&>(Message));
}

// ---- Drag start: a drag is recorded, not carried out ----

namespace {
struct TDragState {
  TControl* Control = nullptr;  // the control being dragged, or waiting for the threshold
  bool Started = false;         // the threshold was passed (or the drag was immediate)
  TPoint StartPos;              // screen point of BeginDrag
  Integer Threshold = 0;
};
TDragState DragState;
}  // namespace

void TControl::BeginDrag(bool Immediate, Integer Threshold) {
  if (DragState.Control) return;
  if (Threshold < 0) Threshold = Mouse->GetDragThreshold();
  GetCursorPos(&DragState.StartPos);
  DragState.Control = this;
  DragState.Threshold = Threshold;
  DragState.Started = false;
  SetMouseCapture(true);
  if (Immediate) {
    DragState.Started = true;
    DoStartDrag();
  }
}

void TControl::DragMouseMove(TPoint ScreenPos) {
  if (DragState.Control != this || DragState.Started) return;
  if (std::abs(ScreenPos.X - DragState.StartPos.X) >= DragState.Threshold ||
      std::abs(ScreenPos.Y - DragState.StartPos.Y) >= DragState.Threshold) {
    DragState.Started = true;
    DoStartDrag();
  }
}

void TControl::EndDrag(bool Drop) {
  if (DragState.Control != this) return;
  bool Started = DragState.Started;
  DragState = {};
  SetMouseCapture(false);
  if (!Started) return;
  TPoint P;
  GetCursorPos(&P);
  TControl* Target = Drop ? FindDragTarget(P, false) : nullptr;
  TPoint Local = Target ? Target->ScreenToClient(P) : Point(0, 0);
  DoEndDrag(Target, Local.X, Local.Y);
}

bool TControl::Dragging() const { return DragState.Control == this; }

void TControl::DoStartDrag() {
  if (OnStartDrag) OnStartDrag(this);
}

void TControl::DoEndDrag(TObject* Target, Integer X, Integer Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void ForgetDragControl(TControl* Control) {
  if (DragState.Control == Control) DragState = {};
}

// [SECTION] Component messages

void TControl::CMVisibleChanged(TMessage&) {
  InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque));
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage& Message) {
  if (!FParentFont) return;
  TFont* Source = Message.WParam ? reinterpret_cast<TFont*>(Message.LParam)
                                 : (FParent ? FParent->GetFont() : nullptr);
  if (Source) ParentFontAssign(Source);
}

void TControl::CMParentColorChanged(TMessage& Message) {
  if (!FParentColor) return;
  TColor Value = Message.WParam ? TColor(Message.LParam) : (FParent ? FParent->GetColor() : FColor);
  if (Value == FColor) return;
  FColor = Value;
  Perform(CM_COLORCHANGED);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || !FParent || FShowHint == FParent->GetShowHint()) return;
  FShowHint = FParent->GetShowHint();
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::CMParentBiDiModeChanged(TMessage&) {
  if (!FParentBiDiMode || !FParent || FBiDiMode == FParent->GetBiDiMode()) return;
  FBiDiMode = FParent->GetBiDiMode();
  Perform(CM_BIDIMODECHANGED);
}

void TControl::CMBiDiModeChanged(TMessage&) { Invalidate(); }

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMHitTest(TCMHitTest& Message) { Message.Result = HTCLIENT; }

void TControl::CMMouseEnter(TMessage& Message) {
  if (FParent) FParent->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
  (void)Message;
}

void TControl::CMMouseLeave(TMessage& Message) {
  if (FParent) FParent->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
  (void)Message;
}

}  // namespace kvp
