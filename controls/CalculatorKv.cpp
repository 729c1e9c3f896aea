// The calculator and the drop-down calculator.
//
//   [SECTION] TCalculatorKv: life      stored form, scaling, auto-size
//   [SECTION] TCalculatorKv: engine    CalcKey and the display
//   [SECTION] TCalculatorKv: input     keys, clicks, wheel
//   [SECTION] TPopupCalculatorKv       window, frame, close-up, value
#include "controls/CalculatorKv.h"

#include <cmath>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

inline constexpr Char KeyBackspace = 8;
inline constexpr Char KeyEnter = 13;
inline constexpr Char KeyEscape = 27;
inline constexpr Char KeyCopy = 3;    // Ctrl+C
inline constexpr Char KeyPaste = 22;  // Ctrl+V

const char* const SError = "Error";
const char* const SOk = "Ok";

bool IsBinaryOperator(Char C) { return C == U'*' || C == U'+' || C == U'-' || C == U'/'; }

}  // namespace

// [SECTION] TCalculatorKv: life

void TCalculatorKv::KvPublish(TPublisher<TCalculatorKv>& P) {
  P.Prop("BorderStyle", &TCalculatorKv::GetBorderStyle, &TCalculatorKv::SetBorderStyle)
      .Default(bsNone);
  P.Prop("ClientHeight", &TCalculatorKv::GetClientHeightProp, &TCalculatorKv::SetClientHeightProp)
      .Stored(false);
  P.Prop("ClientWidth", &TCalculatorKv::GetClientWidthProp, &TCalculatorKv::SetClientWidthProp)
      .Stored(false);
  P.Prop("Color", &TControl::GetColor, &TControl::SetColor).TypeName("TColor").Default(clWindow);
  P.Prop("Font", &TControl::GetFont, &TControl::SetFont);
  P.Prop("OldCreateOrder", &TCalculatorKv::GetOldCreateOrder, &TCalculatorKv::SetOldCreateOrder)
      .Stored(false);
  P.Prop("PixelsPerInch", &TCalculatorKv::GetPixelsPerInch, &TCalculatorKv::SetPixelsPerInch);
  P.Method("SpeedButtonClick", &TCalculatorKv::SpeedButtonClick);
  P.Field("Panel1", &TCalculatorKv::Panel1);
  P.Field("TextBox", &TCalculatorKv::TextBox);
  P.Field("spEqual", &TCalculatorKv::spEqual);
  P.Field("SpeedButton1", &TCalculatorKv::SpeedButton1);
  P.Field("SpeedButton2", &TCalculatorKv::SpeedButton2);
  P.Field("SpeedButton3", &TCalculatorKv::SpeedButton3);
  P.Field("SpeedButton4", &TCalculatorKv::SpeedButton4);
  P.Field("SpeedButton5", &TCalculatorKv::SpeedButton5);
  P.Field("SpeedButton6", &TCalculatorKv::SpeedButton6);
  P.Field("SpeedButton7", &TCalculatorKv::SpeedButton7);
  P.Field("SpeedButton8", &TCalculatorKv::SpeedButton8);
  P.Field("SpeedButton9", &TCalculatorKv::SpeedButton9);
  P.Field("SpeedButton10", &TCalculatorKv::SpeedButton10);
  P.Field("SpeedButton11", &TCalculatorKv::SpeedButton11);
  P.Field("SpeedButton12", &TCalculatorKv::SpeedButton12);
  P.Field("SpeedButton13", &TCalculatorKv::SpeedButton13);
  P.Field("SpeedButton14", &TCalculatorKv::SpeedButton14);
  P.Field("SpeedButton15", &TCalculatorKv::SpeedButton15);
  P.Field("SpeedButton16", &TCalculatorKv::SpeedButton16);
  P.Field("SpeedButton18", &TCalculatorKv::SpeedButton18);
  P.Field("SpeedButton19", &TCalculatorKv::SpeedButton19);
  P.Field("SpeedButton20", &TCalculatorKv::SpeedButton20);
  P.Field("SpeedButton22", &TCalculatorKv::SpeedButton22);
  P.Field("SpeedButton23", &TCalculatorKv::SpeedButton23);
  P.Field("SpeedButton24", &TCalculatorKv::SpeedButton24);
}

// The keys and the display come from the stored form of the class (read like
// a form's); then the keys take the glyph style and the active look, and the
// calculator sizes itself to the form's client area.
void TCalculatorKv::Construct() {
  inherited::Construct();
  SetColor(clWindow);
  // The keys are laid out for the stored form's font: it is the
  // calculator's own, whatever font its parent shows.
  SetParentFont(false);
  if (!InitInheritedComponent(this, TCustomControl::StaticClass()))
    throw EResNotFound("Resource TCALCULATORKV not found");
  for (Integer I = 0; I < GetControlCount(); ++I)
    if (auto* Key = DynCast<TSpeedButtonKv>(GetControls(I))) {
      Key->SetStyle(ebsGlyphKv);
      Key->SetActive(true);
    }
  SetAutoSize(true);
}

void TCalculatorKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FBorderStyle == bsSingle) Params.Style |= WS_BORDER;
}

void TCalculatorKv::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCalculatorKv::SetPixelsPerInch(Integer Value) {
  FPixelsPerInch = Value;
  if (GetComponentState().Contains(csReading)) FPixelsPerInchRead = true;
}

void TCalculatorKv::SetClientWidthProp(Integer Value) {
  FClientWidth = Value;
  if (GetComponentState().Contains(csReading)) return;
  if (GetAutoSize())
    AdjustSize();
  else
    SetClientWidth(Value);
}

void TCalculatorKv::SetClientHeightProp(Integer Value) {
  FClientHeight = Value;
  if (GetComponentState().Contains(csReading)) return;
  if (GetAutoSize())
    AdjustSize();
  else
    SetClientHeight(Value);
}

void TCalculatorKv::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("TextHeight", TReaderProc(this, &TCalculatorKv::ReadTextHeight),
                        TWriterProc(this, &TCalculatorKv::WriteTextHeight), FTextHeight > 0);
}

void TCalculatorKv::ReadTextHeight(TReader* Reader) { FTextHeight = Reader->ReadInteger(); }

void TCalculatorKv::WriteTextHeight(TWriter* Writer) { Writer->WriteInteger(FTextHeight); }

void TCalculatorKv::Loaded() {
  inherited::Loaded();
  if (FPixelsPerInchRead && FTextHeight > 0) ScaleToScreen();
}

// A form stored at another resolution, or for a font that measures otherwise
// here, is scaled: the font to the screen's pixels per inch, then the keys,
// the display and the client size by the text height of "0".
void TCalculatorKv::ScaleToScreen() {
  const Integer ScreenPPI = Screen()->GetPixelsPerInch();
  if (!GetParentFont() && FPixelsPerInch > 0 && FPixelsPerInch != ScreenPPI)
    GetFont()->SetHeight(MulDiv(GetFont()->GetHeight(), ScreenPPI, FPixelsPerInch));
  FPixelsPerInch = ScreenPPI;
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  TSize Extent;
  GetTextExtentPoint32(DC, "0", &Extent);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  const Integer Current = Extent.cy;
  if (Current <= 0 || Current == FTextHeight) return;
  for (Integer I = 0; I < GetControlCount(); ++I) GetControls(I)->ScaleBy(Current, FTextHeight);
  FClientWidth = MulDiv(FClientWidth, Current, FTextHeight);
  FClientHeight = MulDiv(FClientHeight, Current, FTextHeight);
  FTextHeight = Current;
}

TSize TCalculatorKv::FrameSize() {
  TCreateParams Params;
  CreateParams(Params);
  TRect R = Rect(0, 0, 0, 0);
  AdjustWindowRectEx(&R, Params.Style, FALSE, Params.ExStyle);
  return {R.Width(), R.Height()};
}

bool TCalculatorKv::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (FClientWidth <= 0 || FClientHeight <= 0) return false;
  const TSize Frame = FrameSize();
  NewWidth = FClientWidth + Frame.cx;
  NewHeight = FClientHeight + Frame.cy;
  return true;
}

// [SECTION] TCalculatorKv: engine

Char TCalculatorKv::KeyOfTag(Integer Tag) {
  static const Char Keys[] = {0, U'7', U'8', U'9', U'/', U'S', U'C', U'4', U'5', U'6', U'*', U'%',
                              0, U'1', U'2', U'3', U'-', U'R', 8,    U'0', U'I', U'.', U'+', U'='};
  if (Tag < 0 || Tag >= Integer(std::size(Keys))) return 0;
  return Keys[Tag];
}

String TCalculatorKv::GetDisplayText() const { return TextBox ? TextBox->GetCaption() : "0"; }

void TCalculatorKv::SetDisplayText(const String& Value) {
  if (TextBox) TextBox->SetCaption(Value);
}

double TCalculatorKv::GetDisplay() const {
  if (FStatus == csErrorKv) return 0;
  return double(StrToFloat(Trim(GetDisplayText())));
}

void TCalculatorKv::SetDisplay(double Value) {
  // A result too large (or not a number) is an error, not a text no key can
  // read back.
  if (!std::isfinite(Value)) {
    Error();
    return;
  }
  SetDisplayText(FloatToStrF(Value, ffGeneral, 15, 0));
}

void TCalculatorKv::Error() {
  FStatus = csErrorKv;
  SetDisplayText(SError);
}

void TCalculatorKv::Clear() {
  FStatus = csFirstKv;
  SetDisplay(0);
  FOperator = U'=';
  FOperand = 0;
  FOperandShown = false;
}

void TCalculatorKv::CheckFirst() {
  if (FStatus != csFirstKv) return;
  FStatus = csValidKv;
  FOperandShown = false;
  SetDisplayText("0");
}

// A function key's result or a pasted number replaces the displayed number
// as an operand, as a typed number does: a pending operation stays.
void TCalculatorKv::ShowOperand(double Value) {
  FStatus = csFirstKv;
  SetDisplay(Value);
  FOperandShown = FStatus != csErrorKv;
}

// "=" computes while a number is keyed (or made by a function key) against a
// pending operator, whatever the operand; otherwise the key reads "Ok".
void TCalculatorKv::UpdateEqualKey() {
  if (!spEqual) return;
  const bool HasOperand = FStatus == csValidKv || (FStatus == csFirstKv && FOperandShown);
  spEqual->SetCaption(HasOperand && IsBinaryOperator(FOperator) ? "=" : SOk);
}

void TCalculatorKv::CalcKey(Char Key) {
  Key = CharUpper(Key);
  if (FStatus == csErrorKv && Key != U'C' && Key != KeyEscape) {
    UpdateEqualKey();
    return;
  }
  // [Phase 1] The decimal separator.
  const Char Separator = FormatSettings.DecimalSeparator;
  if (Key == Separator || Key == U',' || Key == U'.') {
    CheckFirst();
    String Text = GetDisplayText();
    if (Pos(Utf8Encode(Separator), Text) == 0 && Pos("E", Text) == 0) {
      Utf8Append(Text, Separator);
      SetDisplayText(Text);
    }
    return;
  }
  // [Phase 2] Every other key.
  if (Key >= U'0' && Key <= U'9') {
    CheckFirst();
    String Text = GetDisplayText();
    if (Text == "0") Text.clear();
    const Integer Room = Pos("-", Text) > 0 ? 16 : 15;
    if (Pos("E", Text) == 0 && Length(Text) < Room) Utf8Append(Text, Key);
    SetDisplayText(Text);
  } else if (Key == KeyBackspace) {
    CheckFirst();
    String Text = GetDisplayText();
    if (Length(Text) == 1 || (Length(Text) == 2 && Text[0] == '-')) {
      Text = "0";
    } else {
      // The text keeps reading back as a number: a dangling exponent or sign goes too.
      Delete(Text, Length(Text), 1);
      Extended Ignored = 0;
      while (Length(Text) > 1 && !TryStrToFloat(Text, Ignored)) Delete(Text, Length(Text), 1);
      if (Text.empty() || Text == "-") Text = "0";
    }
    SetDisplayText(Text);
  } else if (Key == U'I') {
    SetDisplay(-GetDisplay());
  } else if (Key == U'R') {
    const double X = GetDisplay();
    if (X == 0)
      Error();
    else
      ShowOperand(1 / X);
  } else if (Key == U'S') {
    const double X = GetDisplay();
    if (X < 0)
      Error();
    else
      ShowOperand(std::sqrt(X));
  } else if (Key == U'C' || Key == KeyEscape) {
    Clear();
  } else if (Key == KeyCopy) {
    Clipboard()->SetAsText(GetDisplayText());
  } else if (Key == KeyPaste) {
    if (Clipboard()->HasFormat(CF_TEXT))
      ShowOperand(double(StrToFloat(Trim(Clipboard()->GetAsText()))));
  } else if (IsBinaryOperator(Key) || Key == U'%' || Key == U'=' || Key == KeyEnter) {
    // [Phase 3] An operator: the pending one is applied first.
    if (FStatus == csValidKv || FOperandShown) {
      FStatus = csFirstKv;
      FOperandShown = false;
      double X = GetDisplay();
      if (Key == U'%') {
        if (FOperator == U'*' || FOperator == U'/')
          X = X / 100;
        else if (FOperator == U'+' || FOperator == U'-')
          X = FOperand * X / 100;
      }
      switch (FOperator) {
        case U'*':
          SetDisplay(FOperand * X);
          break;
        case U'+':
          SetDisplay(FOperand + X);
          break;
        case U'-':
          SetDisplay(FOperand - X);
          break;
        case U'/':
          if (X == 0)
            Error();
          else
            SetDisplay(FOperand / X);
          break;
        default:
          SetDisplay(X);
          break;
      }
    }
    FOperator = Key;
    FOperand = GetDisplay();
  }
  UpdateEqualKey();
}

// [SECTION] TCalculatorKv: input

void TCalculatorKv::SpeedButtonClick(TObject* Sender) {
  auto* Key = DynCast<TComponent>(Sender);
  if (!Key) return;
  if (const Char C = KeyOfTag(Key->GetTag())) CalcKey(C);
}

void TCalculatorKv::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_DELETE) {
    CalcKey(U'C');
    Key = 0;
  }
}

void TCalculatorKv::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (Key == 0) return;
  CalcKey(Key);
  Key = 0;
}

bool TCalculatorKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelDown(Shift, MousePos) && FStatus != csErrorKv)
    SetDisplay(GetDisplay() - 1);
  return true;
}

bool TCalculatorKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelUp(Shift, MousePos) && FStatus != csErrorKv)
    SetDisplay(GetDisplay() + 1);
  return true;
}

// [SECTION] TPopupCalculatorKv

void TPopupCalculatorKv::Construct() {
  inherited::Construct();
  FTabStop = false;
  FBorderWidth = GetCtl3D() ? 2 : 0;
  FFlat = true;
  AdjustSize();
}

void TPopupCalculatorKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WindowClass.style = CS_SAVEBITS;
}

TSize TPopupCalculatorKv::FrameSize() {
  const Integer Border = GetCtl3D() ? 2 * FBorderWidth : 2;
  return {Border, Border};
}

void TPopupCalculatorKv::WMNCCalcSize(TMessage& Message) {
  inherited::Dispatch(Message);
  TRect* R = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                            : reinterpret_cast<TRect*>(Message.LParam);
  InflateRect(*R, -FBorderWidth, -FBorderWidth);
}

// A one-pixel frame in the dark shadow colour, a raised inner edge inside it.
void TPopupCalculatorKv::WMNCPaint(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!GetCtl3D() || !HandleAllocated()) return;
  HDC DC = GetWindowDC(GetHandle());
  TRect R = Rect(0, 0, GetWidth(), GetHeight());
  FrameRect(DC, &R, GetSysColorBrush(COLOR_3DDKSHADOW));
  InflateRect(R, -1, -1);
  DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(GetHandle(), DC);
}

void TPopupCalculatorKv::CMCtl3DChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  FBorderWidth = GetCtl3D() ? 2 : 0;
  RecreateWnd();
  AdjustSize();
}

void TPopupCalculatorKv::WMMouseActivate(TMessage& Message) { Message.Result = MA_NOACTIVATE; }

void TPopupCalculatorKv::WMGetDlgCode(TMessage& Message) {
  inherited::Dispatch(Message);
  Message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
}

void TPopupCalculatorKv::CloseUp(bool Accept) {
  if (IPopupOwnerKv* Owner = PopupOwnerOf(this)) Owner->CloseUp(Accept);
}

void TPopupCalculatorKv::WMKillFocus(TWMKillFocus& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (!HandleAllocated()) return;
  if (!Message.FocusedWnd || !IsChild(GetHandle(), Message.FocusedWnd))
    PostMessage(GetHandle(), WM_POPUPCLOSEUPKV, 0, 0);
}

void TPopupCalculatorKv::WMPopupCloseUp(TMessage&) { CloseUp(false); }

// Enter and Escape are the calculator's own: Escape closes it from the key
// press, and Enter goes through CalcKey as a character like every other key,
// which computes a pending operation or else closes it accepting.
void TPopupCalculatorKv::CMWantSpecialKey(TWMKey& Message) {
  if (Message.CharCode == VK_RETURN || Message.CharCode == VK_ESCAPE) {
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TPopupCalculatorKv::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) {
    Key = 0;
    CloseUp(false);
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TPopupCalculatorKv::CalcKey(Char Key) {
  if ((Key == U'=' || Key == KeyEnter) && OkButtonShown()) {
    CloseUp(true);
    return;
  }
  inherited::CalcKey(Key);
}

bool TPopupCalculatorKv::OkButtonShown() { return spEqual && spEqual->GetCaption() == SOk; }

Variant TPopupCalculatorKv::GetValue() {
  if (FStatus == csErrorKv) return VarAsError(0);
  return Variant(GetDisplay());
}

void TPopupCalculatorKv::SetValue(const Variant& Value) {
  Clear();
  SetDisplay(VarAsType(Value, varDouble).AsDouble());
  UpdateEqualKey();
}

void TPopupCalculatorKv::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  for (Integer I = 0; I < GetControlCount(); ++I)
    if (auto* Key = DynCast<TSpeedButtonKv>(GetControls(I))) Key->SetFlat(Value);
}

}  // namespace korvel
