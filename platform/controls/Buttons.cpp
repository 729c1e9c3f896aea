// TSpeedButton.
#include "platform/controls/Buttons.h"

#include <algorithm>

#include "platform/controls/StdCtrls.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"

namespace kvp {

void TSpeedButton::KvPublish(TPublisher<TSpeedButton>& P) {
  P.Prop("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  P.Prop("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  P.Prop("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown).Default(false);
  P.Prop("Caption", &TSpeedButton::GetCaption, &TSpeedButton::SetCaption);
  P.Prop("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat).Default(false);
  P.Prop("Font", &TSpeedButton::GetFont, &TSpeedButton::SetFont).Stored(&TControl::IsFontStored);
  P.Prop("ParentFont", &TSpeedButton::GetParentFont, &TSpeedButton::SetParentFont).Default(true);
  P.Prop("Glyph", &TSpeedButton::GetGlyph, &TSpeedButton::SetGlyph);
  P.Prop("Layout", &TSpeedButton::GetLayout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
  P.Prop("Margin", &TSpeedButton::GetMargin, &TSpeedButton::SetMargin).Default(-1);
  P.Prop("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
  P.Prop("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing).Default(4);
  P.Prop("Transparent", &TSpeedButton::GetTransparent, &TSpeedButton::SetTransparent).Default(true);
  P.Prop("OnClick", &TSpeedButton::OnClick);
}

void TSpeedButton::Construct() {
  inherited::Construct();
  FControlStyle = TControlStyle{csCaptureMouse, csDoubleClicks};
  FGlyph.reset(TBitmap::Create());
  FGlyph->OnChange = TNotifyEvent(this, &TSpeedButton::GlyphChanged);
  SetBounds(FLeft, FTop, 23, 22);
}

// [SECTION] Properties

void TSpeedButton::SetGroupIndex(Integer Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (FDown == Value) return;
  if (FDown && !FAllowAllUp) return;  // the last button down of a group stays down
  FDown = Value;
  FState = Value ? bsExclusive : bsUp;
  Invalidate();
  if (Value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  if (FAllowAllUp == Value) return;
  FAllowAllUp = Value;
  UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  // A strip of square images tells how many looks it holds.
  if (Value && Value->GetHeight() > 0 && Value->GetWidth() % Value->GetHeight() == 0) {
    Integer N = Value->GetWidth() / Value->GetHeight();
    if (N >= 1 && N <= 4) FNumGlyphs = N;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs Value) {
  Value = std::clamp<Integer>(Value, 1, 4);
  if (FNumGlyphs == Value) return;
  FNumGlyphs = Value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TSpeedButton::SetMargin(Integer Value) {
  if (FMargin == Value || Value < -1) return;
  FMargin = Value;
  Invalidate();
}

void TSpeedButton::SetSpacing(Integer Value) {
  if (FSpacing == Value) return;
  FSpacing = Value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  if (Value)
    FControlStyle -= csOpaque;
  else
    FControlStyle += csOpaque;
  Invalidate();
}

void TSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !GetParent()) return;
  TMessage Msg;
  Msg.Msg = CM_BUTTONPRESSED;
  Msg.WParam = WPARAM(FGroupIndex);
  Msg.LParam = reinterpret_cast<LPARAM>(this);
  GetParent()->Broadcast(Msg);
}

// [SECTION] Mouse

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !GetEnabled()) return;
  if (!FDown) {
    FState = bsDown;
    Invalidate();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  TButtonState New = bsUp;
  if (PtInRect(GetClientRect(), TPoint{X, Y}))
    New = FDown ? bsExclusive : bsDown;
  else if (FDown)
    New = bsExclusive;
  if (New == FState) return;
  FState = New;
  Invalidate();
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  bool DoClick = PtInRect(GetClientRect(), TPoint{X, Y});
  if (FGroupIndex == 0) {
    FState = bsUp;
    Invalidate();
  } else if (DoClick) {
    SetDown(!FDown);
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
  } else {
    FState = FDown ? bsExclusive : bsUp;
    Invalidate();
  }
  // Click may free or hide the button: nothing of it is touched afterwards.
  if (DoClick) Click();
}

void TSpeedButton::Click() { inherited::Click(); }

// [SECTION] Messages

void TSpeedButton::CMButtonPressed(TMessage& Message) {
  auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
  auto* Other = DynCast<TSpeedButton>(Sender);
  if (Integer(Message.WParam) != FGroupIndex || !Other || Other == this) return;
  if (Other->GetDown() && FDown) {
    FDown = false;
    FState = bsUp;
    Invalidate();
  }
  FAllowAllUp = Other->GetAllowAllUp();
}

void TSpeedButton::CMEnabledChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
}

void TSpeedButton::CMTextChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
}

void TSpeedButton::CMMouseEnter(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FMouseInControl || !GetEnabled()) return;
  FMouseInControl = true;
  if (FFlat) Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!FMouseInControl) return;
  FMouseInControl = false;
  if (FFlat) Invalidate();
}

void TSpeedButton::CMDialogChar(TWMKey& Message) {
  if (IsAccel(Message.CharCode, GetCaption()) && GetEnabled() && GetVisible() && GetParent() &&
      GetParent()->GetShowing()) {
    Click();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

// [SECTION] Painting

namespace {

// Copies the glyph image Index of Glyph to (X, Y), leaving out the pixels of
// the transparent colour; Greyed draws the disabled look (an etched outline
// of the dark pixels).
void DrawGlyph(HDC Dc, TBitmap* Glyph, Integer Count, Integer Index, Integer X, Integer Y,
               bool Greyed) {
  TSurface* S = Glyph->GetSurface();
  if (!S) return;
  Integer W = Glyph->GetWidth() / Count, H = Glyph->GetHeight();
  COLORREF Clear = S->GetPixel(0, H - 1);
  COLORREF Light = ColorToRGB(clBtnHighlight), Shadow = ColorToRGB(clBtnShadow);
  for (Integer Pass = Greyed ? 0 : 1; Pass < 2; ++Pass)
    for (Integer Py = 0; Py < H; ++Py)
      for (Integer Px = 0; Px < W; ++Px) {
        COLORREF C = S->GetPixel(Index * W + Px, Py);
        if (C == Clear) continue;
        if (Greyed) {
          Integer Lum = (GetRValue(C) * 3 + GetGValue(C) * 6 + GetBValue(C)) / 10;
          if (Lum >= 192) continue;
          SetPixel(Dc, X + Px + (Pass == 0), Y + Py + (Pass == 0), Pass == 0 ? Light : Shadow);
        } else {
          SetPixel(Dc, X + Px, Y + Py, C);
        }
      }
}

}  // namespace

void TSpeedButton::DrawFace(const TRect& Client, TButtonState State, bool Pressed) {
  TCanvas* C = GetCanvas();
  HDC Dc = C->GetHandle();
  // [Phase 1] Sizes of the glyph and the caption.
  String Caption = GetCaption();
  C->SetFont(GetFont());
  TSize Text{0, 0};
  TRect TextBox{0, 0, Client.Width(), 0};
  if (!Caption.empty()) {
    DrawText(Dc, Caption, -1, &TextBox, DT_CALCRECT | DT_SINGLELINE);
    Text = {TextBox.Width(), TextBox.Height()};
  }
  TSize Glyph{0, 0};
  if (!FGlyph->Empty()) Glyph = {FGlyph->GetWidth() / FNumGlyphs, FGlyph->GetHeight()};
  // [Phase 2] Place them along the layout's direction, centred across it.
  bool Horz = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  Integer Along = Horz ? Client.Width() : Client.Height();
  Integer GlyphLen = Horz ? Glyph.cx : Glyph.cy, TextLen = Horz ? Text.cx : Text.cy;
  Integer Gap = GlyphLen > 0 && TextLen > 0 ? FSpacing : 0;
  Integer Start = FMargin >= 0 ? FMargin : (Along - GlyphLen - Gap - TextLen) / 2;
  bool GlyphFirst = FLayout == blGlyphLeft || FLayout == blGlyphTop;
  Integer GlyphAt = GlyphFirst ? Start : Start + TextLen + Gap;
  Integer TextAt = GlyphFirst ? Start + GlyphLen + Gap : Start;
  if (FMargin >= 0 && !GlyphFirst) {  // the margin is kept at the glyph's side
    GlyphAt = Along - FMargin - GlyphLen;
    TextAt = GlyphAt - Gap - TextLen;
  }
  Integer Shift = Pressed ? 1 : 0;
  TPoint GlyphPt =
      Horz ? TPoint{Client.Left + GlyphAt, Client.Top + (Client.Height() - Glyph.cy) / 2}
           : TPoint{Client.Left + (Client.Width() - Glyph.cx) / 2, Client.Top + GlyphAt};
  TPoint TextPt = Horz ? TPoint{Client.Left + TextAt, Client.Top + (Client.Height() - Text.cy) / 2}
                       : TPoint{Client.Left + (Client.Width() - Text.cx) / 2, Client.Top + TextAt};
  // [Phase 3] Draw: the image of this look, the caption etched when disabled.
  if (Glyph.cx > 0) {
    Integer Index = 0;
    bool Greyed = false;
    if (State == bsDisabled) {
      if (FNumGlyphs > 1)
        Index = 1;
      else
        Greyed = true;
    } else if (State == bsDown && FNumGlyphs > 2) {
      Index = 2;
    } else if (State == bsExclusive && FNumGlyphs > 3) {
      Index = 3;
    } else if (State == bsExclusive && FNumGlyphs > 2) {
      Index = 2;
    }
    DrawGlyph(Dc, FGlyph.get(), FNumGlyphs, Index, GlyphPt.X + Shift, GlyphPt.Y + Shift, Greyed);
  }
  if (!Caption.empty()) {
    SetBkMode(Dc, TRANSPARENT);
    TRect R{TextPt.X + Shift, TextPt.Y + Shift, TextPt.X + Shift + Text.cx,
            TextPt.Y + Shift + Text.cy};
    if (State == bsDisabled) {
      TRect L = R;
      OffsetRect(L, 1, 1);
      SetTextColor(Dc, ColorToRGB(clBtnHighlight));
      DrawText(Dc, Caption, -1, &L, DT_SINGLELINE);
      SetTextColor(Dc, ColorToRGB(clBtnShadow));
    } else {
      SetTextColor(Dc, ColorToRGB(GetFont()->GetColor()));
    }
    DrawText(Dc, Caption, -1, &R, DT_SINGLELINE);
  }
}

void TSpeedButton::Paint() {
  TCanvas* C = GetCanvas();
  HDC Dc = C->GetHandle();
  TButtonState State = GetEnabled() ? FState : bsDisabled;
  if (!GetEnabled()) FMouseInControl = false;
  TRect R = GetClientRect();
  bool Pressed = State == bsDown || State == bsExclusive;
  // The face: a raised button, or flat with an edge only while hot or down.
  if (!FFlat) {
    UINT Flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (Pressed ? DFCS_PUSHED : 0);
    DrawFrameControl(Dc, &R, DFC_BUTTON, Flags);
  } else {
    if (!FTransparent) {
      C->GetBrush()->SetColor(GetParent() ? GetParent()->GetColor() : clBtnFace);
      C->FillRect(R);
    }
    if (Pressed || (FMouseInControl && State != bsDisabled)) {
      TRect E = R;
      DrawEdge(Dc, &E, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    InflateRect(R, -1, -1);
  }
  if (State == bsExclusive && (!FFlat || !FMouseInControl)) {
    // Staying down: the face is lightened, as a pressed toggle is.
    TRect F = R;
    FillRect(Dc, &F, GetSysColorBrush(COLOR_3DLIGHT));
  }
  DrawFace(R, State, Pressed);
}

}  // namespace kvp
