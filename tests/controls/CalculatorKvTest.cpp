// The calculator: built from its stored form, driven by typed keys, clicks
// and the wheel as a user works a desk calculator, its number text and its
// error state, a randomised run of keys that must always leave a readable
// display, scaling of the stored form; and the drop-down calculator opened
// under an edit box that hands it the keys, closed through the owner.
//
// Ideas for tests: BorderStyle bsSingle adds a one-pixel frame to the size.
#include <gtest/gtest.h>

#include <random>

#include "controls/CalculatorKv.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

class CalculatorKvTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Calc = TCalculatorKv::Create(Form);
    Calc->SetLeft(10);
    Calc->SetTop(10);
    Calc->SetParent(Form);
    Form->Show();
    Calc->SetFocus();
  }
  void TearDown() override {
    FormatSettings.DecimalSeparator = U'.';
    TFormFixture::TearDown();
  }
  // Types Keys on the calculator, as a user at the keyboard.
  void Type(const String& Keys) { Input.Type(Keys); }
  String Display() { return Calc->GetDisplayText(); }
  String EqualKey() { return Calc->spEqual->GetCaption(); }
  TCalculatorKv* Calc = nullptr;
};

TEST_F(CalculatorKvTest, TheKeysAndTheDisplayComeFromTheStoredForm) {
  EXPECT_EQ(Calc->GetClientWidth(), 184);
  EXPECT_EQ(Calc->GetClientHeight(), 127);
  EXPECT_EQ(Calc->GetColor(), clBtnFace);
  EXPECT_EQ(Calc->GetFont()->GetName(), "MS Sans Serif");
  ASSERT_NE(Calc->Panel1, nullptr);
  ASSERT_NE(Calc->TextBox, nullptr);
  EXPECT_EQ(Calc->Panel1->GetBoundsRect(), Bounds(6, 4, 171, 19));
  EXPECT_EQ(Calc->TextBox->GetBoundsRect(), Bounds(2, 1, 166, 17));
  EXPECT_EQ(Calc->TextBox->GetParent(), Calc->Panel1);
  EXPECT_EQ(Calc->TextBox->GetAlignment(), taRightJustify);
  EXPECT_EQ(Display(), "0");
  EXPECT_EQ(EqualKey(), "Ok");
  EXPECT_EQ(Calc->spEqual->GetBoundsRect(), Bounds(122, 101, 56, 22));
  EXPECT_EQ(Calc->SpeedButton23->GetBoundsRect(), Bounds(151, 29, 27, 46));
  EXPECT_EQ(Calc->SpeedButton24, nullptr);
  Integer Keys = 0;
  for (Integer I = 0; I < Calc->GetControlCount(); ++I) {
    auto* Key = DynCast<TSpeedButtonKv>(Calc->GetControls(I));
    if (!Key) continue;
    ++Keys;
    SCOPED_TRACE(Key->GetName());
    EXPECT_EQ(Key->GetStyle(), ebsGlyphKv);
    EXPECT_TRUE(Key->GetActive());
    EXPECT_TRUE(Key->GetFlat());
    const Char C = TCalculatorKv::KeyOfTag(Key->GetTag());
    const bool Red =
        C == U'/' || C == U'*' || C == U'-' || C == U'+' || C == U'=' || C == U'C' || C == 8;
    EXPECT_EQ(Key->GetFont()->GetColor(), Red ? clRed : clBlue);
  }
  EXPECT_EQ(Keys, 22);
  EXPECT_EQ(Calc->SpeedButton18->GetCaption(), "1/x");
  EXPECT_EQ(TCalculatorKv::KeyOfTag(17), U'R');
  EXPECT_EQ(TCalculatorKv::KeyOfTag(12), 0);
  UpdateWindow(FormWnd());
  SaveWindowPng(FormWnd(), "toolkit-calculator.png");
  EXPECT_NE(GetWindowSurface(FormWnd())->FindText("sqrt"), nullptr);
}

TEST_F(CalculatorKvTest, OperatorsApplyInTheOrderTheyAreKeyed) {
  Type("2+");
  EXPECT_EQ(EqualKey(), "Ok");  // nothing keyed against the operator yet
  Type("3");
  EXPECT_EQ(EqualKey(), "=");
  Type("=");
  EXPECT_EQ(Display(), "5");
  EXPECT_EQ(EqualKey(), "Ok");
  Type("C2+3*4=");
  EXPECT_EQ(Display(), "20");  // a desk calculator: (2 + 3) * 4
  Type("C10-4/3=");
  EXPECT_EQ(Display(), "2");
  Type("C7*6");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Display(), "42");
  // Enter, once pending, works like "=": the next number is just shown.
  Type("5");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Display(), "5");
  // The operand 0 is an operand like any other.
  Type("C0-5=");
  EXPECT_EQ(Display(), "-5");
  Type("C0*5=");
  EXPECT_EQ(Display(), "0");
}

// Regression: square root, reciprocal and paste dropped the pending
// operation: "2 + 9 sqrt =" gave 3.
TEST_F(CalculatorKvTest, AFunctionKeysResultIsTheOperandOfThePendingOperation) {
  struct TCase {
    const char* Keys;
    const char* Shown;
  };
  const TCase Cases[] = {
      {"2+9S=", "5"},       {"4+2R=", "4.5"},
      {"10-16S=", "6"},     {"3*4R=", "0.75"},
      {"2+9S+1=", "6"},     {"9S=", "3"},
      {"2+9S5=", "7"},      {"2+9SI=", "-1"},
      {"200+100S%", "220"}, {"2+S=", "3.4142135623731"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Keys);
    Type("C");
    Type(C.Keys);
    EXPECT_EQ(Display(), C.Shown);
  }
  // The "=" key offers to compute, and the next digit starts a new number.
  Type("C2+9S");
  EXPECT_EQ(EqualKey(), "=");
  Type("=");
  EXPECT_EQ(EqualKey(), "Ok");
  // A paste is an operand too.
  Clipboard()->SetAsText("3");
  Type("C2+");
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(EqualKey(), "=");
  Type("=");
  EXPECT_EQ(Display(), "5");
}

TEST_F(CalculatorKvTest, PercentTakesAShareOfTheOperand) {
  Type("200+10%");
  EXPECT_EQ(Display(), "220");
  Type("C200*10%");
  EXPECT_EQ(Display(), "20");
  Type("C200/10%");
  EXPECT_EQ(Display(), "2000");
  Type("C200-10%");
  EXPECT_EQ(Display(), "180");
  Type("C50%");  // nothing pending: the number stays
  EXPECT_EQ(Display(), "50");
}

TEST_F(CalculatorKvTest, FailedOperationsShowErrorUntilCleared) {
  Type("1/0=");
  EXPECT_EQ(Display(), "Error");
  EXPECT_EQ(Calc->GetState(), csErrorKv);
  Type("5+3=SR");
  EXPECT_EQ(Display(), "Error");
  EXPECT_EQ(EqualKey(), "Ok");
  Type("c");
  EXPECT_EQ(Display(), "0");
  Type("R");
  EXPECT_EQ(Display(), "Error");  // the reciprocal of 0
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Display(), "0");
  Type("4IS");
  EXPECT_EQ(Display(), "Error");  // the root of -4
  Input.KeyPress(VK_DELETE);
  EXPECT_EQ(Display(), "0");
  Type("9S");
  EXPECT_EQ(Display(), "3");
  Type("C4R");
  EXPECT_EQ(Display(), "0.25");
}

TEST_F(CalculatorKvTest, NumbersAreKeyedUpToFifteenCharacters) {
  Type("1234567890123456");
  EXPECT_EQ(Display(), "123456789012345");
  Type("C1I");
  EXPECT_EQ(Display(), "-1");
  Type("234567890123456");
  EXPECT_EQ(Display(), "-123456789012345");  // the sign does not count
  Type("C0007");
  EXPECT_EQ(Display(), "7");
  Type("C1.5.2,3");
  EXPECT_EQ(Display(), "1.523");  // one separator only
  Type("C.5");
  EXPECT_EQ(Display(), "0.5");
  // Backspace: back to 0 from one digit or a negative one.
  Type("C12\b");
  EXPECT_EQ(Display(), "1");
  Type("\b");
  EXPECT_EQ(Display(), "0");
  Type("C7I");
  EXPECT_EQ(Display(), "-7");
  Type("\b");
  EXPECT_EQ(Display(), "0");
  FormatSettings.DecimalSeparator = U',';
  Type("C3.25");
  EXPECT_EQ(Display(), "3,25");
  Type("*2=");
  EXPECT_EQ(Display(), "6,5");
}

// Regression: backspace into the exponent of a number left a text that no
// key could read back, and every later key failed.
TEST_F(CalculatorKvTest, BackspaceAlwaysLeavesANumber) {
  Type("0.000001I");
  EXPECT_EQ(Display(), "-1E-6");
  Type("\b");
  EXPECT_EQ(Display(), "-1");
  Type("+3=");
  EXPECT_EQ(Display(), "2");
}

TEST_F(CalculatorKvTest, NumbersShowAsTheGeneralNumberText) {
  struct {
    const char* Keys;
    const char* Shown;
  } Cases[] = {{"1/3=", "0.333333333333333"},
               {"2/3=", "0.666666666666667"},
               {"1/8=", "0.125"},
               {"0.1+0.2=", "0.3"},
               {"999999999999999+1=", "1E15"},
               {"0.00001/10=", "1E-6"},
               {"10/4=", "2.5"},
               {"123456789*1000=", "123456789000"}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Keys);
    Type("C");
    Type(C.Keys);
    EXPECT_EQ(Display(), C.Shown);
  }
}

// Regression: a result beyond the largest number showed a text that no key
// could read back, and every later key failed.
TEST_F(CalculatorKvTest, AnOverflowIsAnError) {
  Clipboard()->SetAsText("1E300");
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(Display(), "1E300");
  Type("*99999999999=");
  EXPECT_EQ(Display(), "Error");
  EXPECT_EQ(Calc->GetState(), csErrorKv);
  Type("C2+2=");
  EXPECT_EQ(Display(), "4");
}

TEST_F(CalculatorKvTest, CopyAndPasteGoThroughTheClipboardAsText) {
  Type("12.5*2=");
  Input.KeyPress('C', {ssCtrl});
  EXPECT_EQ(Clipboard()->GetAsText(), "25");
  Clipboard()->SetAsText(" 7.75 ");
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(Display(), "7.75");
  // Text that is no number raises the conversion error; the display stays.
  Clipboard()->SetAsText("abc");
  EXPECT_THROW(Calc->CalcKey(22), EConvertError);
  EXPECT_EQ(Display(), "7.75");
  Input.KeyPress('V', {ssCtrl});
  ASSERT_EQ(Application()->GetHandledExceptions().size(), 1u);
  Application()->ClearHandledExceptions();
  EXPECT_EQ(Display(), "7.75");
}

TEST_F(CalculatorKvTest, ClickingTheKeysWorksLikeTyping) {
  auto Click = [this](TSpeedButtonKv* Key) {
    AdvanceTicks(1000);
    Input.Click(FormWnd(),
                {Calc->GetLeft() + Key->GetLeft() + 5, Calc->GetTop() + Key->GetTop() + 5});
  };
  Click(Calc->SpeedButton1);   // 7
  Click(Calc->SpeedButton13);  // +
  Click(Calc->SpeedButton12);  // 8
  EXPECT_EQ(EqualKey(), "=");
  Click(Calc->spEqual);
  EXPECT_EQ(Display(), "15");
  Click(Calc->SpeedButton20);  // sqrt
  EXPECT_EQ(Display(), FloatToStrF(std::sqrt(15.0), ffGeneral, 15, 0));
  Click(Calc->SpeedButton23);  // C
  EXPECT_EQ(Display(), "0");
}

TEST_F(CalculatorKvTest, TheWheelChangesTheNumberByOneANotch) {
  Type("10");
  Input.Wheel(Calc->GetHandle(), -WHEEL_DELTA);
  EXPECT_EQ(Display(), "9");
  Input.Wheel(Calc->GetHandle(), 3 * WHEEL_DELTA);
  EXPECT_EQ(Display(), "12");
  Type("/0=");
  Input.Wheel(Calc->GetHandle(), WHEEL_DELTA);
  EXPECT_EQ(Display(), "Error");
}

// Thousands of random keys: after each one the display is "Error" exactly in
// the error state, and otherwise a number that reads back.
TEST_F(CalculatorKvTest, NoKeySequenceBreaksTheCalculator) {
  const std::u32string Alphabet = U"0123456789.,+-*/%=SRICc\b\r\x1b\x03\x16xX ";
  std::mt19937 Random(20240517);
  const char* const Pastes[] = {"12", " -3.5 ", "1E300", "0", "abc", "1E-300", ""};
  Integer Pasted = 0, Refused = 0;
  for (Integer Step = 0; Step < 20000; ++Step) {
    const Char Key = Alphabet[Random() % Alphabet.size()];
    if (Key == 22) Clipboard()->SetAsText(Pastes[Random() % std::size(Pastes)]);
    try {
      Calc->CalcKey(Key);
      Pasted += Key == 22;
    } catch (const EConvertError&) {
      ++Refused;  // a paste of text that is no number
    }
    const String Text = Display();
    if (Calc->GetState() == csErrorKv) {
      ASSERT_EQ(Text, "Error") << "step " << Step;
      continue;
    }
    Extended Value = 0;
    ASSERT_TRUE(TryStrToFloat(Trim(Text), Value)) << "step " << Step << ": '" << Text << "'";
    ASSERT_TRUE(std::isfinite(double(Value))) << "step " << Step;
    ASSERT_LE(Length(Text), 22) << "step " << Step;
    ASSERT_TRUE(EqualKey() == "=" || EqualKey() == "Ok");
  }
  EXPECT_GT(Pasted, 0);
  EXPECT_GT(Refused, 0);
}

TEST_F(CalculatorKvTest, AFormStoredForAnotherScreenIsScaled) {
  Screen()->SetPixelsPerInch(120);
  TCalculatorKv* Big = TCalculatorKv::Create(Form);
  Screen()->SetPixelsPerInch(96);
  EXPECT_EQ(Big->GetFont()->GetHeight(), -14);  // -11 at 96 becomes -14 at 120
  EXPECT_EQ(Big->GetPixelsPerInch(), 120);
  // The keys grew with the text: the "=" key keeps its place among them.
  EXPECT_GT(Big->spEqual->GetWidth(), 56);
  EXPECT_GT(Big->GetClientWidth(), 184);
  EXPECT_EQ(Big->spEqual->GetLeft() + Big->spEqual->GetWidth(),
            Big->SpeedButton23->GetLeft() + Big->SpeedButton23->GetWidth());
  // At the stored resolution nothing moves.
  EXPECT_EQ(Calc->GetPixelsPerInch(), 96);
  EXPECT_EQ(Calc->spEqual->GetWidth(), 56);
}

// [SECTION] The drop-down calculator

class PopupCalculatorKvTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Edit = TPopupOwnerEdit::Create(Form);
    Edit->SetBounds(20, 20, 120, 21);
    Edit->SetParent(Form);
    // The editor hands Enter, Escape and printable characters to the
    // calculator while it is dropped down.
    Edit->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
      if (!Edit->DroppedDown() || (Key != VK_RETURN && Key != VK_ESCAPE)) return;
      SendMessage(Calc->GetHandle(), WM_KEYDOWN, Key, 0);
      Key = 0;
    };
    Edit->OnKeyPress = [this](TObject*, Char& Key) {
      if (!Edit->DroppedDown()) return;
      if (Key != 13 && Key != 27 && (Key < 32 || Key > 126)) return;
      SendMessage(Calc->GetHandle(), WM_CHAR, WPARAM(Key), 0);
      Key = 0;
    };
    Form->Show();
    Calc = TPopupCalculatorKv::Create(Edit);
    Edit->SetPopup(Calc);
    Edit->SetFocus();
  }
  void DropDown(double Value = 0) {
    Calc->SetValue(Value);
    Edit->DropDown();
  }
  HWND CalcWnd() { return Calc->GetHandle(); }
  String Display() { return Calc->GetDisplayText(); }
  TPopupOwnerEdit* Edit = nullptr;
  TPopupCalculatorKv* Calc = nullptr;
};

TEST_F(PopupCalculatorKvTest, ANeverActivatedToolWindowFramedTwoPixelsWide) {
  DropDown(12.5);
  EXPECT_EQ(Display(), "12.5");
  const LONG_PTR Style = GetWindowLongPtr(CalcWnd(), GWL_STYLE);
  EXPECT_TRUE(Style & WS_POPUP);
  EXPECT_FALSE(Style & WS_CHILD);
  EXPECT_FALSE(Style & WS_BORDER);
  EXPECT_EQ(GetWindowLongPtr(CalcWnd(), GWL_EXSTYLE), LONG_PTR(WS_EX_TOOLWINDOW));
  EXPECT_EQ(GetClassLongPtr(CalcWnd(), GCL_STYLE), ULONG_PTR(CS_SAVEBITS));
  EXPECT_EQ(Calc->GetClientWidth(), 184);
  EXPECT_EQ(Calc->GetClientHeight(), 127);
  EXPECT_EQ(Calc->GetWidth(), 188);
  EXPECT_EQ(Calc->GetHeight(), 131);
  EXPECT_FALSE(Calc->CanFocus());
  EXPECT_TRUE(Calc->Perform(WM_GETDLGCODE) & DLGC_WANTCHARS);
  UpdateWindow(CalcWnd());
  SaveWindowPng(CalcWnd(), "toolkit-popup-calculator.png");
  const TSurface* S = GetWindowSurface(CalcWnd());
  EXPECT_EQ(S->GetPixel(0, 0), Rgb(cl3DDkShadow));
  EXPECT_EQ(S->GetPixel(187, 130), Rgb(cl3DDkShadow));
  EXPECT_EQ(S->GetPixel(1, 1), Rgb(clBtnHighlight));  // the raised inner edge
  // A click on a key works it and leaves the focus with the edit box.
  AdvanceTicks(1000);
  Input.Click(CalcWnd(), {Calc->SpeedButton13->GetLeft() + 5, Calc->SpeedButton13->GetTop() + 5});
  EXPECT_EQ(Calc->GetOperator(), U'+');
  EXPECT_TRUE(Edit->Focused());
  EXPECT_NE(GetActiveWindow(), CalcWnd());
}

TEST_F(PopupCalculatorKvTest, EnterComputesWhatIsPendingAndThenAcceptsTheResult) {
  DropDown();
  Input.Type("2+3");
  EXPECT_FALSE(Calc->OkButtonShown());
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Display(), "5");
  EXPECT_TRUE(Edit->CloseUps.empty());  // one Enter computes and stays open
  EXPECT_TRUE(Calc->OkButtonShown());
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{true});
  EXPECT_EQ(Calc->GetValue().AsDouble(), 5.0);
  // "=" works the same way, and an operand of 0 is an operand.
  DropDown();
  Input.Type("0-5=");
  EXPECT_EQ(Display(), "-5");
  EXPECT_EQ(Edit->CloseUps.size(), 1u);
  Input.Type("=");
  EXPECT_EQ(Edit->CloseUps, (std::vector<bool>{true, true}));
  EXPECT_EQ(Calc->GetValue().AsDouble(), -5.0);
  // A square root keyed against a pending sum is computed before closing.
  DropDown();
  Input.Type("2+9S");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Display(), "5");
  EXPECT_EQ(Edit->CloseUps.size(), 2u);
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(Edit->CloseUps, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(Calc->GetValue().AsDouble(), 5.0);
}

TEST_F(PopupCalculatorKvTest, EscapeAndTheLossOfTheFocusRefuse) {
  DropDown(3);
  Input.KeyPress(VK_ESCAPE);
  EXPECT_EQ(Edit->CloseUps, std::vector<bool>{false});
  DropDown(3);
  PostMessage(CalcWnd(), WM_POPUPCLOSEUPKV, 0, 0);
  EXPECT_EQ(Edit->CloseUps.size(), 1u);
  ProcessMessages();
  EXPECT_EQ(Edit->CloseUps, (std::vector<bool>{false, false}));
  // The special-key question takes Enter and Escape without acting on them.
  DropDown(3);
  EXPECT_EQ(Calc->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(Calc->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(Edit->CloseUps.size(), 2u);
}

TEST_F(PopupCalculatorKvTest, TheValueIsANumberOrAnError) {
  Calc->SetValue(Variant("42.5"));
  EXPECT_EQ(Display(), "42.5");
  EXPECT_EQ(VarType(Calc->GetValue()), varDouble);
  Calc->CalcKey(U'/');
  Calc->CalcKey(U'0');
  Calc->CalcKey(U'=');
  EXPECT_EQ(VarType(Calc->GetValue()), varError);
  Calc->SetValue(7);  // every use starts cleared
  EXPECT_EQ(Calc->GetState(), csFirstKv);
  EXPECT_EQ(Calc->GetOperator(), U'=');
  EXPECT_EQ(Calc->GetValue().AsDouble(), 7.0);
  IPopupCalculatorKv* Intf = nullptr;
  ASSERT_TRUE(Supports(Calc, Intf));
  EXPECT_TRUE(Intf->GetFlat());
  Intf->SetFlat(false);
  EXPECT_FALSE(Calc->SpeedButton1->GetFlat());
  EXPECT_FALSE(Calc->spEqual->GetFlat());
  EXPECT_TRUE(Intf->OkButtonShown());
}

}  // namespace
}  // namespace korvel
