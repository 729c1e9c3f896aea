// THintWindow: measuring, showing and painting a hint.
#include "platform/controls/HintWindow.h"

#include "platform/controls/Forms.h"

namespace kvp {

void THintWindow::Construct() {
  inherited::Construct();
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  SetColor(clInfoBk);
  FFont->Assign(Screen()->GetHintFont());
  FFont->SetColor(clInfoText);
  FCanvas->GetFont()->Assign(FFont.get());
  FCanvas->GetBrush()->SetStyle(bsClear);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = Application()->GetHandle();
}

TRect THintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void*) {
  TRect R = Rect(0, 0, MaxWidth, 0);
  String Text = AHint;
  TTextFormat Format{tfCalcRect, tfLeft, tfWordBreak, tfNoPrefix};
  if (UseRightToLeftReading()) Format += tfRtlReading;
  FCanvas->TextRect(R, Text, Format);
  FCanvas->FreeHandle();
  R.Right += 6;
  R.Bottom += 2;
  return R;
}

void THintWindow::ActivateHint(TRect Rect, const String& AHint) {
  SetCaption(AHint);
  Rect.Bottom += 4;  // the border
  SetBoundsRect(Rect);
  SetWindowPos(GetHandle(), HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ActivateHintData(TRect Rect, const String& AHint, void*) {
  ActivateHint(Rect, AHint);
}

bool THintWindow::IsHintMsg(const MSG& Msg) {
  UINT M = Msg.message;
  return (M >= WM_KEYFIRST && M <= WM_KEYLAST) || M == CM_ACTIVATE || M == CM_DEACTIVATE ||
         M == CM_APPKEYDOWN || M == CM_APPSYSCOMMAND || M == WM_COMMAND ||
         (M > WM_MOUSEMOVE && M <= WM_MOUSELAST) || M == WM_NCMOUSEMOVE;
}

void THintWindow::Paint() {
  TRect R = GetClientRect();
  R.Left += 2;
  R.Top += 2;
  FCanvas->GetFont()->SetColor(Screen()->GetHintFont()->GetColor());
  FCanvas->GetBrush()->SetStyle(bsClear);
  String Text = GetCaption();
  TTextFormat Format{tfLeft, tfNoPrefix, tfWordBreak};
  if (UseRightToLeftReading()) Format += tfRtlReading;
  FCanvas->TextRect(R, Text, Format);
}

void THintWindow::WMNCHitTest(TWMNCHitTest& Message) { Message.Result = HTTRANSPARENT; }

void THintWindow::CMTextChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
}

}  // namespace kvp
