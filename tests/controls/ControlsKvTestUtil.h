// Test helpers for the toolkit: a fixture with a fresh window system and a
// shown form, pixel and drawing-log helpers, and a popup owner that records
// the close-ups it is asked for.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "controls/ToolCtrlsKv.h"
#include "platform/classes/Interfaces.h"
#include "platform/controls/Forms.h"
#include "platform/controls/StdCtrls.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Clock.h"
#include "platform/win/Win.h"

namespace korvel::testkv {

using namespace kvp;

// A fresh window system and application, the button-face cache empty, themes
// off, and a form of 400 x 300 pixels at (100, 100) that owns the controls
// the test makes.
class TFormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    ThemeServices()->SetThemesEnabled(false);
    ThemeServices()->ClearRequests();
    ClearButtonsBitmapCache();
    Form = TForm::Create(nullptr);
    Form->SetName("Form1");
    Form->SetBounds(100, 100, 400, 300);
    Form->SetColor(clBtnFace);
  }
  void TearDown() override {
    FreeAndNil(Form);
    ThemeServices()->SetThemesEnabled(false);
    ClearButtonsBitmapCache();
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  HWND FormWnd() { return Form->GetHandle(); }
  TForm* Form = nullptr;
};

// The RGB value of a colour, as pixels hold it.
inline COLORREF Rgb(TColor C) { return ColorToRGB(C); }

// A bitmap of W x H filled with Background, to draw on in a test.
inline TObjectPtr<TBitmap> MakeBitmap(Integer W, Integer H, TColor Background) {
  TObjectPtr<TBitmap> B(TBitmap::Create());
  B->SetSize(W, H);
  B->GetCanvas()->GetBrush()->SetColor(Background);
  B->GetCanvas()->FillRect(Rect(0, 0, W, H));
  B->GetSurface()->ClearRecords();
  return B;
}

// The bounding box of the pixels of Color inside Within; an empty rectangle
// when there are none.
inline TRect ColorBox(const TSurface* S, COLORREF Color, TRect Within) {
  TRect Box{0, 0, 0, 0};
  bool Any = false;
  for (Integer Y = Within.Top; Y < Within.Bottom; ++Y)
    for (Integer X = Within.Left; X < Within.Right; ++X) {
      if (S->GetPixel(X, Y) != Color) continue;
      if (!Any) Box = Rect(X, Y, X + 1, Y + 1);
      Box.Left = std::min(Box.Left, X);
      Box.Top = std::min(Box.Top, Y);
      Box.Right = std::max(Box.Right, X + 1);
      Box.Bottom = std::max(Box.Bottom, Y + 1);
      Any = true;
    }
  return Box;
}

// The number of pixels of Color inside Within.
inline Integer CountColor(const TSurface* S, COLORREF Color, TRect Within) {
  Integer N = 0;
  for (Integer Y = Within.Top; Y < Within.Bottom; ++Y)
    for (Integer X = Within.Left; X < Within.Right; ++X) N += S->GetPixel(X, Y) == Color;
  return N;
}

// The records of a kind in a drawing log.
inline std::vector<TDrawRecord> RecordsOf(const TSurface* S, TDrawKind Kind) {
  std::vector<TDrawRecord> Out;
  for (const TDrawRecord& R : S->Records())
    if (R.Kind == Kind) Out.push_back(R);
  return Out;
}

// An edit box that owns a popup and closes it as an edit control does: its
// CloseUp hides the popup and keeps the answers; a second close-up of a
// popup already hidden changes nothing.
class TPopupOwnerEdit : public TEdit, public IPopupOwnerKv {
  KV_CLASS(TPopupOwnerEdit, TEdit)
 public:
  explicit TPopupOwnerEdit(TComponent* AOwner) : TEdit(AOwner) {}

  // Takes Popup (created with this edit box as its owner) as its drop-down:
  // a child of the edit box, hidden until dropped down.
  void SetPopup(TWinControl* Value) {
    Popup = Value;
    Popup->SetParent(this);
    if (Popup->HandleAllocated())
      SetWindowPos(Popup->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  }
  // Shows the popup next to the edit box.
  void DropDown(TAlignment Align = taLeftJustify) {
    const TPoint P = AlignDropDownWindow(this, Popup, Align);
    SetWindowPos(Popup->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
  }
  bool DroppedDown() const {
    return Popup && Popup->HandleAllocated() && IsWindowVisible(Popup->GetHandle());
  }
  void CloseUp(bool Accept) override {
    if (!DroppedDown()) return;
    CloseUps.push_back(Accept);
    SetWindowPos(Popup->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  }

  TWinControl* Popup = nullptr;
  std::vector<bool> CloseUps;  // the Accept of each close-up, in order
};

}  // namespace korvel::testkv
