// The drawing objects of the component library and the canvas: TFont, TPen
// and TBrush wrap font, pen and brush handles made on demand; TCanvas draws
// with them on a device context, selecting them into it as it draws and
// giving the context back its own objects when the handle is released.
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/classes/TypInfo.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Set.h"

namespace kvp {

class TBitmap;
class TGraphic;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
KV_ENUM_INFO(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
KV_ENUM_INFO(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = Byte;
using TFontName = String;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

using TCopyMode = DWORD;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmSrcErase = SRCERASE;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
inline constexpr TCopyMode cmMergeCopy = MERGECOPY;
inline constexpr TCopyMode cmMergePaint = MERGEPAINT;
inline constexpr TCopyMode cmPatCopy = PATCOPY;
inline constexpr TCopyMode cmPatPaint = PATPAINT;
inline constexpr TCopyMode cmPatInvert = PATINVERT;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

// The options of TCanvas::TextRect's formatted form, one per DT_ flag.
enum TTextFormats {
  tfBottom,
  tfCalcRect,
  tfCenter,
  tfEditControl,
  tfEndEllipsis,
  tfPathEllipsis,
  tfExpandTabs,
  tfExternalLeading,
  tfLeft,
  tfModifyString,
  tfNoClip,
  tfNoPrefix,
  tfRight,
  tfRtlReading,
  tfSingleLine,
  tfTop,
  tfVerticalCenter,
  tfWordBreak,
  tfHidePrefix,
  tfNoFullWidthCharBreak,
  tfPrefixOnly,
  tfTabStop,
  tfWordEllipsis
};
using TTextFormat = TSet<TTextFormats>;
UINT TextFormatToFlags(TTextFormat Format);

// TGraphicsObject: a drawing attribute set that tells its user when it changes.
// Setters release the handle first (after telling the canvas that uses it, so
// that the canvas deselects it) and then fire OnChange.
class TGraphicsObject : public TPersistent {
  KV_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Called before a handle the owner may have selected is released.
  void Releasing();

 private:
  friend class TCanvas;
  TNotifyEvent FOnReleasing;  // the canvas's hook: deselect before the handle goes
};

// TFont: face, size, style and colour of text. Fonts with equal attributes
// share one handle, so comparing handles compares fonts.
class TFont : public TGraphicsObject {
  KV_CLASS(TFont, TGraphicsObject)
 public:
  void Assign(TPersistent* Source) override;

  HFONT GetHandle();
  // Takes over Value: its attributes become the font's, and the font deletes
  // it when done with it.
  void SetHandle(HFONT Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  const TFontName& GetName() const { return FName; }
  void SetName(const TFontName& Value);
  Integer GetSize() const;
  void SetSize(Integer Value);
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset GetCharset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  Integer GetOrientation() const { return FOrientation; }  // tenths of a degree
  void SetOrientation(Integer Value);
  Integer GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(Integer Value) { FPixelsPerInch = Value; }

  LOGFONT MakeLogFont() const;

  // Charset, Color, Height, Name, Pitch, Size (not stored) and Style, as
  // stored forms give them (FontProperties.cpp).
  KV_PUBLISHED;

 protected:
  void Destroy() override;

 private:
  void ReleaseHandle();
  void AttributeChanged();
  TFontName FName = "MS Sans Serif";
  Integer FHeight = -11;  // negative: character height in pixels (8 pt at 96 dpi)
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
  Integer FOrientation = 0;
  Integer FPixelsPerInch = 96;
  HFONT FHandle = nullptr;   // shared through the font cache, or owned when adopted
  bool FOwnsHandle = false;  // an adopted handle, deleted when released
};

// TPen: colour, width, style and mix mode of lines.
class TPen : public TGraphicsObject {
  KV_CLASS(TPen, TGraphicsObject)
 public:
  void Assign(TPersistent* Source) override;
  HPEN GetHandle();
  // Takes over Value (an ExtCreatePen pen, say); the pen deletes it.
  void SetHandle(HPEN Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  TPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode GetMode() const { return FMode; }
  void SetMode(TPenMode Value);

 protected:
  void Destroy() override;

 private:
  void ReleaseHandle();
  TColor FColor = clBlack;
  Integer FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  HPEN FHandle = nullptr;
};

// TBrush: the fill of shapes and text backgrounds. A brush with a Bitmap
// fills with it as a pattern (the bitmap is not owned).
class TBrush : public TGraphicsObject {
  KV_CLASS(TBrush, TGraphicsObject)
 public:
  void Assign(TPersistent* Source) override;
  HBRUSH GetHandle();
  void SetHandle(HBRUSH Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  TBitmap* GetBitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value);

 protected:
  void Destroy() override;

 private:
  void ReleaseHandle();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
  HBRUSH FHandle = nullptr;
};

Integer PenModeToRop2(TPenMode Mode);

// TCanvas: drawing on a device context with a font, a pen and a brush.
// Subclasses get their context in CreateHandle (a control's window DC, a
// bitmap's memory DC). Drawing calls select the current objects into the
// context; SetHandle(null) first gives the context its own objects back.
// Each drawing call fires OnChanging before and OnChange after.
class TCanvas : public TPersistent {
  KV_CLASS(TCanvas, TPersistent)
 public:
  HDC GetHandle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TCopyMode GetCopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  TPoint GetPenPos();
  void SetPenPos(TPoint Value);
  TRect GetClipRect();
  COLORREF GetPixel(Integer X, Integer Y);
  TColor GetPixels(Integer X, Integer Y) { return TColor(GetPixel(X, Y)); }
  void SetPixels(Integer X, Integer Y, TColor Value);
  Integer GetLockCount() const { return FLockCount; }

  void MoveTo(Integer X, Integer Y);
  void LineTo(Integer X, Integer Y);
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const std::vector<TPoint>& Points);
  void Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  void FillRect(const TRect& R);
  void FrameRect(const TRect& R);
  void DrawFocusRect(const TRect& R);
  void TextOut(Integer X, Integer Y, const String& Text);
  // Text clipped to R, drawn at (X, Y); the brush fills R unless it is clear.
  void TextRect(const TRect& R, Integer X, Integer Y, const String& Text);
  // Formatted text in R (DrawTextEx); tfCalcRect measures into R, and
  // tfModifyString writes the shortened text back.
  void TextRect(TRect& R, String& Text, TTextFormat Format = {});
  TSize TextExtent(const String& Text);
  Integer TextWidth(const String& Text) { return TextExtent(Text).cx; }
  Integer TextHeight(const String& Text) { return TextExtent(Text).cy; }
  void Draw(Integer X, Integer Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

  void Lock() { ++FLockCount; }
  void Unlock() { --FLockCount; }
  // Deselects the objects, so that the next drawing selects them afresh.
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void Construct() override;
  void Destroy() override;
  // Gives the canvas a handle when drawing needs one; the default has none
  // and raises EInvalidOperation "Canvas does not allow drawing".
  virtual void CreateHandle();
  virtual void Changed();
  virtual void Changing();

  // The handle as it is, without making one or selecting objects into it.
  HDC PeekHandle() const { return FHandle; }

  enum TCanvasStateItem { csHandleValid, csFontValid, csPenValid, csBrushValid };
  using TCanvasState = TSet<TCanvasStateItem>;
  void RequiredState(TCanvasState Required);

 private:
  void DeselectHandles();
  void FontReleasing(TObject*);
  void PenReleasing(TObject*);
  void BrushReleasing(TObject*);
  // Puts Old (or Stock when the DC had none) back before an object's handle goes.
  void Unselect(TCanvasStateItem Item, HGDIOBJ& Old, Integer Stock);
  void ObjectChanged(TObject*);

  HDC FHandle = nullptr;
  TCanvasState FState;
  TObjectPtr<TFont> FFont;
  TObjectPtr<TPen> FPen;
  TObjectPtr<TBrush> FBrush;
  TPoint FPenPos;
  TCopyMode FCopyMode = cmSrcCopy;
  Integer FLockCount = 0;
  HGDIOBJ FOldFont = nullptr;  // the DC's own objects, given back on deselect
  HGDIOBJ FOldPen = nullptr;
  HGDIOBJ FOldBrush = nullptr;
};

}  // namespace kvp
