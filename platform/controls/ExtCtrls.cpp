// Panels and shapes.
#include "platform/controls/ExtCtrls.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"

namespace kvp {

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width) {
  TPen* Pen = Canvas->GetPen();
  Pen->SetWidth(1);
  for (Integer I = 0; I < Width; ++I) {
    Integer R = Rect.Right - 1, B = Rect.Bottom - 1;
    Pen->SetColor(TopColor);
    Canvas->Polyline({{Rect.Left, B}, {Rect.Left, Rect.Top}, {R, Rect.Top}});
    Pen->SetColor(BottomColor);
    Canvas->Polyline({{R, Rect.Top}, {R, B}, {Rect.Left - 1, B}});
    InflateRect(Rect, -1, -1);
  }
}

// [SECTION] TCustomPanel

void TCustomPanel::KvPublish(TPublisher<TCustomPanel>& P) {
  P.Prop("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment).Default(taCenter);
  P.Prop("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  P.Prop("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter)
      .Default(bvRaised);
  P.Prop("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  P.Prop("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
  P.Prop("Caption", &TCustomPanel::GetCaption, &TCustomPanel::SetCaption);
  P.Prop("Color", &TCustomPanel::GetColor, &TCustomPanel::SetColor).TypeName("TColor");
  P.Prop("OnClick", &TCustomPanel::OnClick);
}

void TCustomPanel::Construct() {
  inherited::Construct();
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csOpaque,          csDoubleClicks, csReplicatable};
  FParentColor = false;
  SetColor(clBtnFace);
  SetBounds(FLeft, FTop, 185, 41);
}

void TCustomPanel::Paint() {
  static const UINT Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  TCanvas* C = GetCanvas();
  TRect R = GetClientRect();
  auto Bevel = [&](TBevelCut Cut) {
    if (Cut == bvNone) return;
    TColor Top = Cut == bvLowered ? clBtnShadow : Cut == bvRaised ? clBtnHighlight : GetColor();
    TColor Bottom = Cut == bvLowered ? clBtnHighlight : Cut == bvRaised ? clBtnShadow : GetColor();
    Frame3D(C, R, Top, Bottom, FBevelWidth);
  };
  Bevel(FBevelOuter);
  Frame3D(C, R, GetColor(), GetColor(), FBorderWidth);
  Bevel(FBevelInner);
  C->GetBrush()->SetColor(GetColor());
  C->GetBrush()->SetStyle(bsSolid);
  C->FillRect(R);
  String Text = GetCaption();
  if (Text.empty()) return;
  C->SetFont(GetFont());
  HDC Dc = C->GetHandle();
  SetBkMode(Dc, TRANSPARENT);
  SetTextColor(Dc, ColorToRGB(GetFont()->GetColor()));
  DrawText(Dc, Text, -1, &R, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | Align[FAlignment]);
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  Invalidate();
}

void TCustomPanel::SetBevelWidth(Integer Value) {
  if (FBevelWidth == Value) return;
  if (Value < 1)
    throw EInvalidOperation("Panel bevel width " + std::to_string(Value) + " is below 1");
  FBevelWidth = Value;
  Invalidate();
}

void TCustomPanel::SetBorderWidth(Integer Value) {
  if (FBorderWidth == Value) return;
  if (Value < 0)
    throw EInvalidOperation("Panel border width " + std::to_string(Value) + " is negative");
  FBorderWidth = Value;
  Invalidate();
}

void TCustomPanel::CMTextChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
}

// [SECTION] TShape

void TShape::KvPublish(TPublisher<TShape>& P) {
  P.Prop("Brush", &TShape::GetBrush, &TShape::SetBrush);
  P.Prop("Pen", &TShape::GetPen, &TShape::SetPen);
  P.Prop("Shape", &TShape::GetShape, &TShape::SetShape).Default(stRectangle);
}

void TShape::Construct() {
  inherited::Construct();
  FControlStyle += csReplicatable;
  FPen.reset(TPen::Create());
  FPen->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
  FBrush.reset(TBrush::Create());
  FBrush->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
  SetBounds(FLeft, FTop, 65, 65);
}

void TShape::StyleChanged(TObject*) { Invalidate(); }

void TShape::SetShape(TShapeType Value) {
  if (FShape == Value) return;
  FShape = Value;
  Invalidate();
}

namespace {

// The outline of an ellipse in (X, Y, W, H), or of a rectangle whose corners
// are quarter ellipses of radius Rx, Ry.
std::vector<TPoint> RoundOutline(Integer X, Integer Y, Integer W, Integer H, Integer Rx,
                                 Integer Ry) {
  std::vector<TPoint> P;
  const double Pi = 3.14159265358979323846;
  const Integer Steps = 16;  // points a quarter
  // Corner centres: top-right, top-left, bottom-left, bottom-right.
  double Cx[4] = {X + W - 1.0 - Rx, X + double(Rx), X + double(Rx), X + W - 1.0 - Rx};
  double Cy[4] = {Y + double(Ry), Y + double(Ry), Y + H - 1.0 - Ry, Y + H - 1.0 - Ry};
  for (Integer Q = 0; Q < 4; ++Q)
    for (Integer I = 0; I <= Steps; ++I) {
      double A = (Q * 90.0 + I * 90.0 / Steps) * Pi / 180.0;
      P.push_back({Integer(std::lround(Cx[Q] + Rx * std::cos(A))),
                   Integer(std::lround(Cy[Q] - Ry * std::sin(A)))});
    }
  return P;
}

}  // namespace

void TShape::Paint() {
  TCanvas* C = GetCanvas();
  C->SetPen(FPen.get());
  C->SetBrush(FBrush.get());
  Integer PenW = FPen->GetWidth();
  Integer X = PenW / 2, Y = X;
  Integer W = FWidth - PenW + 1, H = FHeight - PenW + 1;
  if (PenW == 0) {
    --W;
    --H;
  }
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    if (W < H) {
      Y += (H - W) / 2;
      H = W;
    } else {
      X += (W - H) / 2;
      W = H;
    }
  }
  switch (FShape) {
    case stRectangle:
    case stSquare:
      C->Rectangle(X, Y, X + W, Y + H);
      break;
    case stRoundRect:
    case stRoundSquare: {
      Integer R = std::min(W, H) / 4;
      C->Polygon(RoundOutline(X, Y, W, H, R, R));
      break;
    }
    case stEllipse:
    case stCircle:
      C->Polygon(RoundOutline(X, Y, W, H, W / 2, H / 2));
      break;
  }
}

}  // namespace kvp
