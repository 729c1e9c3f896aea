// CalculatorKv: a small pocket calculator built as a control whose display
// and keys are read from its stored form ("TCALCULATORKV"), and the same
// calculator as the drop-down of numeric cells. It works on one displayed
// number, one stored operand and one pending operator, as a desk calculator
// does: operators apply in the order they are keyed, '%' turns the number
// into a percentage of the operand, and a failed operation shows "Error".
#pragma once

#include "controls/ToolCtrlsKv.h"
#include "platform/controls/ExtCtrls.h"

namespace korvel {

// The calculator's states.
enum TCalculatorStateKv : kvp::Byte {
  csFirstKv = 0,  // the next digit starts a new number
  csValidKv = 1,  // a number is being keyed
  csErrorKv = 2,  // an operation failed; only C or Escape leave it
};

// TCalculatorKv: see the unit comment. Keys typed on it or clicked go to
// CalcKey; the display is TextBox's caption.
//
// CalcKey contract: digits and the decimal separator build the number
// (at most 15 characters, 16 with a sign); an operator applies the pending
// one to the operand and the number, shows the result and becomes the pending
// operator; after every key but the separator the "=" key reads "=" while a
// number is keyed against a pending operator, else "Ok".
class TCalculatorKv : public kvp::TCustomControl {
  KV_CLASS(TCalculatorKv, kvp::TCustomControl)
 public:
  explicit TCalculatorKv(kvp::TComponent* AOwner) : kvp::TCustomControl(AOwner) {}

  // The calculator's engine: one key (a character, or 8, 13, 27, 3 for
  // Ctrl+C and 22 for Ctrl+V).
  virtual void CalcKey(kvp::Char Key);
  // Clicks of the keys: the key character of the sender's Tag.
  void SpeedButtonClick(kvp::TObject* Sender);

  // The number shown (0 in the error state) and its text.
  double GetDisplay() const;
  kvp::String GetDisplayText() const;
  TCalculatorStateKv GetState() const { return FStatus; }
  double GetOperand() const { return FOperand; }
  kvp::Char GetOperator() const { return FOperator; }
  // The key character of a key's Tag, 0 for none.
  static kvp::Char KeyOfTag(kvp::Integer Tag);

  kvp::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(kvp::TBorderStyle Value);
  kvp::Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(kvp::Integer Value);
  bool GetOldCreateOrder() const { return false; }
  void SetOldCreateOrder(bool) {}
  // While the form is read the client size is kept for auto-sizing.
  kvp::Integer GetClientWidthProp() { return GetClientWidth(); }
  void SetClientWidthProp(kvp::Integer Value);
  kvp::Integer GetClientHeightProp() { return GetClientHeight(); }
  void SetClientHeightProp(kvp::Integer Value);

  // The children of the stored form.
  kvp::TPanel* Panel1 = nullptr;
  kvp::TLabel* TextBox = nullptr;     // the display
  TSpeedButtonKv* spEqual = nullptr;  // "=" or "Ok"
  TSpeedButtonKv *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
                 *SpeedButton4 = nullptr, *SpeedButton5 = nullptr, *SpeedButton6 = nullptr,
                 *SpeedButton7 = nullptr, *SpeedButton8 = nullptr, *SpeedButton9 = nullptr,
                 *SpeedButton10 = nullptr, *SpeedButton11 = nullptr, *SpeedButton12 = nullptr,
                 *SpeedButton13 = nullptr, *SpeedButton14 = nullptr, *SpeedButton15 = nullptr,
                 *SpeedButton16 = nullptr, *SpeedButton18 = nullptr, *SpeedButton19 = nullptr,
                 *SpeedButton20 = nullptr, *SpeedButton22 = nullptr, *SpeedButton23 = nullptr,
                 *SpeedButton24 = nullptr;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void Loaded() override;
  void DefineProperties(kvp::TFiler* Filer) override;
  bool CanAutoSize(kvp::Integer& NewWidth, kvp::Integer& NewHeight) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  // The frame the window adds round the client area, for auto-sizing.
  virtual kvp::TSize FrameSize();

  // [Engine]
  void Clear();
  void Error();
  // Shows V; a value that is not finite shows "Error".
  void SetDisplay(double Value);
  void SetDisplayText(const kvp::String& Value);
  // Starts a number when none is being keyed.
  void CheckFirst();
  // Shows the result of a function key or a pasted number as the operand of
  // the pending operation.
  void ShowOperand(double Value);
  void UpdateEqualKey();

  TCalculatorStateKv FStatus = csFirstKv;
  double FOperand = 0;         // the left operand of the pending operation
  kvp::Char FOperator = U'=';  // the pending operator: '=' after clearing
  // The display holds an operand made by square root, reciprocal or a paste:
  // the pending operation applies to it as to a keyed number, while the next
  // digit still starts a new number (the state stays 0).
  bool FOperandShown = false;
  kvp::TBorderStyle FBorderStyle = kvp::bsNone;
  kvp::Integer FPixelsPerInch = 0;  // the stored form's; 0: the screen's
  kvp::Integer FTextHeight = 0;     // the stored form's "TextHeight"; 0: none read
  bool FPixelsPerInchRead = false;  // the stored form gave "PixelsPerInch"
  kvp::Integer FClientWidth = 0;    // the stored form's client size
  kvp::Integer FClientHeight = 0;

 private:
  void ReadTextHeight(kvp::TReader* Reader);
  void WriteTextHeight(kvp::TWriter* Writer);
  void ScaleToScreen();
};

// IPopupCalculatorKv: how an editor reads and sets the drop-down
// calculator's value.
struct IPopupCalculatorKv : virtual kvp::IInterface {
  KV_INTERFACE(IPopupCalculatorKv, "{697F81AD-0E0F-4A4A-A016-A713620660DE}")
  virtual bool OkButtonShown() = 0;
  virtual bool GetFlat() = 0;
  // The number shown, or a variant of type error in the error state.
  virtual kvp::Variant GetValue() = 0;
  virtual void SetFlat(bool Value) = 0;
  // Clears the calculator and shows Value as a floating-point number.
  virtual void SetValue(const kvp::Variant& Value) = 0;
};

// TPopupCalculatorKv: the calculator as a drop-down: a tool window that is
// never activated and never takes the focus; its owner sends it the keys.
// "=" or Enter while nothing is pending (the "=" key reads "Ok") closes it
// accepting; Escape closes it refusing.
class TPopupCalculatorKv : public TCalculatorKv, public IPopupCalculatorKv {
  KV_CLASS(TPopupCalculatorKv, TCalculatorKv)
 public:
  explicit TPopupCalculatorKv(kvp::TComponent* AOwner) : TCalculatorKv(AOwner) {}

  void CalcKey(kvp::Char Key) override;
  bool CanFocus() override { return false; }
  kvp::Integer GetBorderWidth() const { return FBorderWidth; }

  bool OkButtonShown() override;
  bool GetFlat() override { return FFlat; }
  kvp::Variant GetValue() override;
  void SetFlat(bool Value) override;
  void SetValue(const kvp::Variant& Value) override;

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  kvp::TSize FrameSize() override;
  void CloseUp(bool Accept);

  void WMNCCalcSize(kvp::TMessage& Message);
  void WMNCPaint(kvp::TMessage& Message);
  void WMMouseActivate(kvp::TMessage& Message);
  void WMGetDlgCode(kvp::TMessage& Message);
  void WMKillFocus(kvp::TWMKillFocus& Message);
  void WMPopupCloseUp(kvp::TMessage& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_NCCALCSIZE, WMNCCalcSize)
  KV_MESSAGE(kvp::WM_NCPAINT, WMNCPaint)
  KV_MESSAGE(kvp::WM_MOUSEACTIVATE, WMMouseActivate)
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(WM_POPUPCLOSEUPKV, WMPopupCloseUp)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  kvp::Integer FBorderWidth = 2;  // 2 with Ctl3D, else 0
  bool FFlat = true;
};

}  // namespace korvel
