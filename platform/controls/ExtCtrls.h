// Panels and shapes: TCustomPanel (TPanel), a container with bevels, a border
// and a caption; TShape, a rectangle, rounded rectangle or ellipse drawn with
// its own pen and brush on the parent.
#pragma once

#include "platform/controls/StdCtrls.h"

namespace kvp {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
KV_ENUM_INFO(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
KV_ENUM_INFO(TShapeType, stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle)

// Draws Width rings inside Rect, the top and left sides in TopColor and the
// bottom and right in BottomColor, and shrinks Rect past them.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, Integer Width);

// TCustomPanel: from the outside in, the outer bevel, BorderWidth of the
// panel's colour, the inner bevel, then the caption on the face.
class TCustomPanel : public TCustomControl {
  KV_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {}

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  Integer GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer Value);
  Integer GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Paint() override;
  void CMTextChanged(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
  KV_END_MESSAGE_MAP

  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  Integer FBevelWidth = 1;
  Integer FBorderWidth = 0;
};

// TPanel: the panel as stored forms name it; TCustomPanel does the work.
class TPanel : public TCustomPanel {
  KV_CLASS(TPanel, TCustomPanel)
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// TShape: repaints whenever its pen or brush changes.
class TShape : public TGraphicControl {
  KV_CLASS(TShape, TGraphicControl)
 public:
  explicit TShape(TComponent* AOwner) : TGraphicControl(AOwner) {}

  TShapeType GetShape() const { return FShape; }
  void SetShape(TShapeType Value);
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Paint() override;
  void StyleChanged(TObject* Sender);

  TShapeType FShape = stRectangle;
  TObjectPtr<TPen> FPen;
  TObjectPtr<TBrush> FBrush;
};

}  // namespace kvp
