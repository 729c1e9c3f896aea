// TSpeedButton: a button without a window, drawn on its parent, with a glyph
// and a caption. It clicks on release inside it only; with a GroupIndex it
// stays down, and pressing one button of a group releases the others.
#pragma once

#include "platform/controls/Controls.h"
#include "platform/graphics/Bitmap.h"

namespace kvp {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
KV_ENUM_INFO(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
// The look of a button: up, disabled, pressed by the mouse, or staying down.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = Integer;  // 1 to 4 images side by side in Glyph

// TSpeedButton: Glyph holds NumGlyphs images side by side, for the up,
// disabled, down and staying-down looks (missing ones fall back to the up
// image; a missing disabled one is drawn greyed). The pixel at the glyph's
// bottom-left corner is its transparent colour.
//
// Mouse: MouseDown (draws down) -> MouseMove (up while the mouse is off it)
// -> MouseUp (Click when released inside).
class TSpeedButton : public TGraphicControl {
  KV_CLASS(TSpeedButton, TGraphicControl)
 public:
  explicit TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {}

  Integer GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value);
  bool GetDown() const { return FDown; }
  void SetDown(bool Value);
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TNumGlyphs GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TNumGlyphs Value);
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  Integer GetMargin() const { return FMargin; }
  void SetMargin(Integer Value);
  Integer GetSpacing() const { return FSpacing; }
  void SetSpacing(Integer Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TButtonState GetState() const { return FState; }
  bool GetMouseInControl() const { return FMouseInControl; }
  void Click() override;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  // Tells the other buttons of the group (CM_BUTTONPRESSED) that this one is down.
  void UpdateExclusive();
  void GlyphChanged(TObject* Sender);
  // Draws the glyph and the caption inside Client for the look State.
  void DrawFace(const TRect& Client, TButtonState State, bool Pressed);

  void CMButtonPressed(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMDialogChar(TWMKey& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_BUTTONPRESSED, CMButtonPressed)
  KV_MESSAGE(CM_ENABLEDCHANGED, CMEnabledChanged)
  KV_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
  KV_MESSAGE(CM_MOUSEENTER, CMMouseEnter)
  KV_MESSAGE(CM_MOUSELEAVE, CMMouseLeave)
  KV_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
  KV_END_MESSAGE_MAP

  Integer FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FFlat = false;
  TObjectPtr<TBitmap> FGlyph;
  TNumGlyphs FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  Integer FMargin = -1;  // -1: glyph and caption centred together
  Integer FSpacing = 4;  // pixels between glyph and caption
  bool FTransparent = true;
  TButtonState FState = bsUp;
  bool FDragging = false;        // the left button went down on it and is still down
  bool FMouseInControl = false;  // flat buttons show raised while the mouse is over them
};

}  // namespace kvp
