// TFont, TPen, TBrush and TCanvas.
//
// Index
//   [SECTION] Font handle cache   AcquireFont, ReleaseFont
//   [SECTION] TGraphicsObject, TFont, TPen, TBrush
//   [SECTION] TCanvas state       GetHandle, SetHandle, RequiredState, DeselectHandles
//   [SECTION] TCanvas drawing
#include "platform/graphics/Canvas.h"

#include <map>
#include <tuple>

#include "platform/graphics/Bitmap.h"

namespace kvp {

// [SECTION] Font handle cache

namespace {

using TFontKey = std::tuple<LONG, LONG, LONG, LONG, BYTE, BYTE, BYTE, BYTE, BYTE, String>;

struct TCachedFont {
  HFONT Handle = nullptr;
  Integer Refs = 0;
};

std::map<TFontKey, TCachedFont>& FontCache() {
  static std::map<TFontKey, TCachedFont> Cache;
  return Cache;
}

TFontKey KeyOf(const LOGFONT& L) {
  return {L.lfHeight,    L.lfEscapement, L.lfOrientation, L.lfWeight,         L.lfItalic,
          L.lfUnderline, L.lfStrikeOut,  L.lfCharSet,     L.lfPitchAndFamily, L.lfFaceName};
}

// Equal attributes give the same handle; the handle lives while a font uses it.
HFONT AcquireFont(const LOGFONT& L) {
  TCachedFont& C = FontCache()[KeyOf(L)];
  if (!C.Handle) C.Handle = CreateFontIndirect(L);
  ++C.Refs;
  return C.Handle;
}

void ReleaseFont(HFONT Handle) {
  auto& Cache = FontCache();
  for (auto It = Cache.begin(); It != Cache.end(); ++It)
    if (It->second.Handle == Handle) {
      if (--It->second.Refs == 0) {
        DeleteObject(Handle);
        Cache.erase(It);
      }
      return;
    }
}

Integer MulDivRound(Integer Number, Integer Num, Integer Den) {
  long long P = (long long)Number * Num;
  long long Q = P / Den, R = P % Den;
  if (2 * (R < 0 ? -R : R) >= (Den < 0 ? -Den : Den)) Q += ((P < 0) != (Den < 0)) ? -1 : 1;
  return Integer(Q);
}

}  // namespace

UINT TextFormatToFlags(TTextFormat Format) {
  static const UINT kFlags[] = {
      DT_BOTTOM,        DT_CALCRECT,   DT_CENTER,          DT_EDITCONTROL, DT_END_ELLIPSIS,
      DT_PATH_ELLIPSIS, DT_EXPANDTABS, DT_EXTERNALLEADING, DT_LEFT,        DT_MODIFYSTRING,
      DT_NOCLIP,        DT_NOPREFIX,   DT_RIGHT,           DT_RTLREADING,  DT_SINGLELINE,
      DT_TOP,           DT_VCENTER,    DT_WORDBREAK,       DT_HIDEPREFIX,  DT_NOFULLWIDTHCHARBREAK,
      DT_PREFIXONLY,    DT_TABSTOP,    DT_WORD_ELLIPSIS};
  UINT Flags = 0;
  for (int I = 0; I <= int(tfWordEllipsis); ++I)
    if (Format.Contains(TTextFormats(I))) Flags |= kFlags[I];
  return Flags;
}

Integer PenModeToRop2(TPenMode Mode) {
  static const Integer kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                  R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                  R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return kRop2[Mode];
}

// [SECTION] TGraphicsObject, TFont, TPen, TBrush

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphicsObject::Releasing() {
  if (FOnReleasing) FOnReleasing(this);
}

LOGFONT TFont::MakeLogFont() const {
  LOGFONT L;
  L.lfHeight = FHeight;
  L.lfEscapement = FOrientation;
  L.lfOrientation = FOrientation;
  L.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  L.lfItalic = FStyle.Contains(fsItalic);
  L.lfUnderline = FStyle.Contains(fsUnderline);
  L.lfStrikeOut = FStyle.Contains(fsStrikeOut);
  L.lfCharSet = FCharset;
  L.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                       : FPitch == fpVariable ? VARIABLE_PITCH
                                              : DEFAULT_PITCH;
  L.lfFaceName = FName == "Default" ? String("MS Sans Serif") : FName;
  return L;
}

HFONT TFont::GetHandle() {
  if (!FHandle) {
    FHandle = AcquireFont(MakeLogFont());
    FOwnsHandle = false;
  }
  return FHandle;
}

void TFont::ReleaseHandle() {
  if (!FHandle) return;
  Releasing();
  if (FOwnsHandle)
    DeleteObject(FHandle);
  else
    ReleaseFont(FHandle);
  FHandle = nullptr;
  FOwnsHandle = false;
}

void TFont::AttributeChanged() {
  ReleaseHandle();
  Changed();
}

void TFont::SetHandle(HFONT Value) {
  if (Value == FHandle) return;
  LOGFONT L;
  if (Value && !GetObject(Value, &L)) throw EInvalidArgument("TFont.SetHandle: not a font handle");
  ReleaseHandle();
  if (Value) {
    FName = L.lfFaceName;
    FHeight = L.lfHeight;
    FStyle = {};
    if (L.lfWeight >= FW_SEMIBOLD) FStyle += fsBold;
    if (L.lfItalic) FStyle += fsItalic;
    if (L.lfUnderline) FStyle += fsUnderline;
    if (L.lfStrikeOut) FStyle += fsStrikeOut;
    FCharset = L.lfCharSet;
    FPitch = (L.lfPitchAndFamily & 3) == FIXED_PITCH      ? fpFixed
             : (L.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable
                                                          : fpDefault;
    FOrientation = L.lfEscapement;
    FHandle = Value;
    FOwnsHandle = true;
  }
  Changed();
}

namespace {

// Character sets by the names stored forms give them ("DEFAULT_CHARSET").
struct TCharsetName {
  Integer Value;
  const char* Name;
};
constexpr TCharsetName CharsetNames[] = {
    {0, "ANSI_CHARSET"},         {1, "DEFAULT_CHARSET"},      {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},         {128, "SHIFTJIS_CHARSET"},   {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},      {134, "GB2312_CHARSET"},     {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},      {162, "TURKISH_CHARSET"},    {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},     {178, "ARABIC_CHARSET"},     {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},    {222, "THAI_CHARSET"},       {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

bool CharsetToIdent(Integer Value, String& Ident) {
  for (const auto& N : CharsetNames)
    if (N.Value == Value) {
      Ident = N.Name;
      return true;
    }
  return false;
}

bool IdentToCharset(const String& Ident, Integer& Value) {
  for (const auto& N : CharsetNames)
    if (SameText(Ident, N.Name)) {
      Value = N.Value;
      return true;
    }
  return false;
}

bool ColorIdentToInt(const String& Ident, Integer& Value) {
  TColor C = 0;
  if (!IdentToColor(Ident, C)) return false;
  Value = C;
  return true;
}

bool ColorIntToIdent(Integer Value, String& Ident) { return ColorToIdent(TColor(Value), Ident); }

// Stored forms name colours and character sets; this unit holds what streams
// a font, so the names are known wherever a font or a colour is stored.
const bool GraphicsConstsRegistered = [] {
  RegisterIntegerConsts("TColor", &ColorIdentToInt, &ColorIntToIdent);
  RegisterIntegerConsts("TFontCharset", &IdentToCharset, &CharsetToIdent);
  return true;
}();

}  // namespace

void TFont::KvPublish(TPublisher<TFont>& P) {
  P.Prop("Charset", &TFont::GetCharset, &TFont::SetCharset).TypeName("TFontCharset");
  P.Prop("Color", &TFont::GetColor, &TFont::SetColor).TypeName("TColor");
  P.Prop("Height", &TFont::GetHeight, &TFont::SetHeight);
  P.Prop("Name", &TFont::GetName, &TFont::SetName);
  P.Prop("Pitch", &TFont::GetPitch, &TFont::SetPitch).Default(fpDefault);
  P.Prop("Size", &TFont::GetSize, &TFont::SetSize).Stored(false);
  P.Prop("Style", &TFont::GetStyle, &TFont::SetStyle);
}

void TFont::SetName(const TFontName& Value) {
  if (FName == Value || Value.empty()) return;
  FName = Value;
  AttributeChanged();
}

Integer TFont::GetSize() const { return -MulDivRound(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(Integer Value) { SetHeight(-MulDivRound(Value, FPixelsPerInch, 72)); }

void TFont::SetHeight(Integer Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  AttributeChanged();
}

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  AttributeChanged();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (FCharset == Value) return;
  FCharset = Value;
  AttributeChanged();
}

void TFont::SetPitch(TFontPitch Value) {
  if (FPitch == Value) return;
  FPitch = Value;
  AttributeChanged();
}

void TFont::SetOrientation(Integer Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  AttributeChanged();
}

void TFont::Assign(TPersistent* Source) {
  auto* F = DynCast<TFont>(Source);
  if (!F) return inherited::Assign(Source);
  // The size carries over in points when the resolutions differ.
  Integer Height = F->FPixelsPerInch == FPixelsPerInch
                       ? F->FHeight
                       : -MulDivRound(F->GetSize(), FPixelsPerInch, 72);
  bool Same = FName == F->FName && FHeight == Height && FStyle == F->FStyle &&
              FColor == F->FColor && FCharset == F->FCharset && FPitch == F->FPitch &&
              FOrientation == F->FOrientation;
  if (Same) return;
  bool HandleSame = FName == F->FName && FHeight == Height && FStyle == F->FStyle &&
                    FCharset == F->FCharset && FPitch == F->FPitch &&
                    FOrientation == F->FOrientation;
  if (!HandleSame) ReleaseHandle();
  FName = F->FName;
  FHeight = Height;
  FStyle = F->FStyle;
  FColor = F->FColor;
  FCharset = F->FCharset;
  FPitch = F->FPitch;
  FOrientation = F->FOrientation;
  Changed();
}

void TFont::Destroy() {
  ReleaseHandle();
  inherited::Destroy();
}

HPEN TPen::GetHandle() {
  if (!FHandle) {
    static const UINT kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                   PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(kStyles[FStyle], FWidth, ColorToRGB(FColor));
  }
  return FHandle;
}

void TPen::ReleaseHandle() {
  if (!FHandle) return;
  Releasing();
  DeleteObject(FHandle);
  FHandle = nullptr;
}

void TPen::SetHandle(HPEN Value) {
  if (Value == FHandle) return;
  EXTLOGPEN L;
  if (Value && !GetObject(Value, &L)) throw EInvalidArgument("TPen.SetHandle: not a pen handle");
  ReleaseHandle();
  if (Value) {
    FColor = TColor(L.elpColor);
    FWidth = Integer(L.elpWidth);
    UINT S = L.elpPenStyle & PS_STYLE_MASK;
    FStyle = S == PS_NULL ? psClear : S <= PS_INSIDEFRAME ? TPenStyle(S) : psSolid;
    FHandle = Value;
  }
  Changed();
}

void TPen::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  ReleaseHandle();
  Changed();
}

void TPen::SetWidth(Integer Value) {
  if (FWidth == Value || Value < 0) return;
  FWidth = Value;
  ReleaseHandle();
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  ReleaseHandle();
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  auto* P = DynCast<TPen>(Source);
  if (!P) return inherited::Assign(Source);
  if (FColor == P->FColor && FWidth == P->FWidth && FStyle == P->FStyle && FMode == P->FMode)
    return;
  ReleaseHandle();
  FColor = P->FColor;
  FWidth = P->FWidth;
  FStyle = P->FStyle;
  FMode = P->FMode;
  Changed();
}

void TPen::Destroy() {
  ReleaseHandle();
  inherited::Destroy();
}

HBRUSH TBrush::GetHandle() {
  if (!FHandle) {
    LOGBRUSH L;
    L.lbColor = ColorToRGB(FColor);
    if (FBitmap && !FBitmap->Empty()) {
      L.lbStyle = BS_PATTERN;
      L.lbHatch = reinterpret_cast<std::uintptr_t>(FBitmap->GetHandle());
    } else if (FStyle == bsSolid) {
      L.lbStyle = BS_SOLID;
    } else if (FStyle == bsClear) {
      L.lbStyle = BS_NULL;
    } else {
      L.lbStyle = BS_HATCHED;
      L.lbHatch = std::uintptr_t(FStyle - bsHorizontal);
    }
    FHandle = CreateBrushIndirect(L);
  }
  return FHandle;
}

void TBrush::ReleaseHandle() {
  if (!FHandle) return;
  Releasing();
  DeleteObject(FHandle);
  FHandle = nullptr;
}

void TBrush::SetHandle(HBRUSH Value) {
  if (Value == FHandle) return;
  LOGBRUSH L;
  if (Value && !GetObject(Value, &L))
    throw EInvalidArgument("TBrush.SetHandle: not a brush handle");
  ReleaseHandle();
  if (Value) {
    FColor = TColor(L.lbColor);
    FStyle = L.lbStyle == BS_NULL      ? bsClear
             : L.lbStyle == BS_HATCHED ? TBrushStyle(bsHorizontal + L.lbHatch)
                                       : bsSolid;
    FHandle = Value;
  }
  Changed();
}

void TBrush::SetColor(TColor Value) {
  if (FColor == Value && FStyle != bsClear) return;
  FColor = Value;
  if (FStyle == bsClear) FStyle = bsSolid;  // a colour makes a clear brush solid again
  ReleaseHandle();
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  ReleaseHandle();
  Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
  if (FBitmap == Value) return;
  FBitmap = Value;
  ReleaseHandle();
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  auto* B = DynCast<TBrush>(Source);
  if (!B) return inherited::Assign(Source);
  if (FColor == B->FColor && FStyle == B->FStyle && FBitmap == B->FBitmap) return;
  ReleaseHandle();
  FColor = B->FColor;
  FStyle = B->FStyle;
  FBitmap = B->FBitmap;
  Changed();
}

void TBrush::Destroy() {
  ReleaseHandle();
  inherited::Destroy();
}

// [SECTION] TCanvas state

void TCanvas::Construct() {
  inherited::Construct();
  FFont.reset(TFont::Create());
  FPen.reset(TPen::Create());
  FBrush.reset(TBrush::Create());
  FFont->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  FFont->FOnReleasing = TNotifyEvent(this, &TCanvas::FontReleasing);
  FPen->FOnReleasing = TNotifyEvent(this, &TCanvas::PenReleasing);
  FBrush->FOnReleasing = TNotifyEvent(this, &TCanvas::BrushReleasing);
}

void TCanvas::Destroy() {
  SetHandle(nullptr);
  FFont.reset();
  FPen.reset();
  FBrush.reset();
  inherited::Destroy();
}

HDC TCanvas::GetHandle() {
  RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (FHandle == Value) return;
  if (FHandle) DeselectHandles();
  FHandle = Value;
  FState = Value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::CreateHandle() { throw EInvalidOperation("Canvas does not allow drawing"); }

void TCanvas::RequiredState(TCanvasState Required) {
  TCanvasState Needed = Required - FState;
  if (Needed.Empty()) return;
  if (Needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    FState += csHandleValid;
  }
  if (Needed.Contains(csFontValid)) {
    HGDIOBJ Old = SelectObject(FHandle, FFont->GetHandle());
    if (!FOldFont) FOldFont = Old;
    SetTextColor(FHandle, ColorToRGB(FFont->GetColor()));
    FState += csFontValid;
  }
  if (Needed.Contains(csPenValid)) {
    HGDIOBJ Old = SelectObject(FHandle, FPen->GetHandle());
    if (!FOldPen) FOldPen = Old;
    SetROP2(FHandle, PenModeToRop2(FPen->GetMode()));
    FState += csPenValid;
  }
  if (Needed.Contains(csBrushValid)) {
    HGDIOBJ Old = SelectObject(FHandle, FBrush->GetHandle());
    if (!FOldBrush) FOldBrush = Old;
    bool Solid = FBrush->GetStyle() == bsSolid;
    SetBkColor(FHandle,
               Solid ? ColorToRGB(FBrush->GetColor()) : ~ColorToRGB(FBrush->GetColor()) & 0xFFFFFF);
    SetBkMode(FHandle, Solid ? OPAQUE : TRANSPARENT);
    FState += csBrushValid;
  }
}

void TCanvas::DeselectHandles() {
  if (!FHandle) return;
  if (FOldFont) SelectObject(FHandle, FOldFont);
  if (FOldPen) SelectObject(FHandle, FOldPen);
  if (FOldBrush) SelectObject(FHandle, FOldBrush);
  FOldFont = FOldPen = FOldBrush = nullptr;
  FState -= TCanvasState{csFontValid, csPenValid, csBrushValid};
}

void TCanvas::Unselect(TCanvasStateItem Item, HGDIOBJ& Old, Integer Stock) {
  if (!FHandle || !FState.Contains(Item)) return;
  SelectObject(FHandle, Old ? Old : GetStockObject(Stock));
  Old = nullptr;
  FState -= Item;
}

void TCanvas::FontReleasing(TObject*) { Unselect(csFontValid, FOldFont, SYSTEM_FONT); }
void TCanvas::PenReleasing(TObject*) { Unselect(csPenValid, FOldPen, BLACK_PEN); }
void TCanvas::BrushReleasing(TObject*) { Unselect(csBrushValid, FOldBrush, WHITE_BRUSH); }

void TCanvas::ObjectChanged(TObject* Sender) {
  // Colours and modes are set on the DC when the object is next selected.
  if (Sender == FFont.get()) FState -= csFontValid;
  if (Sender == FPen.get()) FState -= csPenValid;
  if (Sender == FBrush.get()) FState -= csBrushValid;
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

// [SECTION] TCanvas drawing

TPoint TCanvas::GetPenPos() {
  RequiredState({csHandleValid});
  TPoint P;
  GetCurrentPositionEx(FHandle, &P);
  return P;
}

void TCanvas::SetPenPos(TPoint Value) { MoveTo(Value.X, Value.Y); }

TRect TCanvas::GetClipRect() {
  RequiredState({csHandleValid});
  TRect R;
  GetClipBox(FHandle, &R);
  return R;
}

COLORREF TCanvas::GetPixel(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  return kvp::GetPixel(FHandle, X, Y);
}

void TCanvas::SetPixels(Integer X, Integer Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  kvp::SetPixel(FHandle, X, Y, ColorToRGB(Value));
  Changed();
}

void TCanvas::MoveTo(Integer X, Integer Y) {
  RequiredState({csHandleValid});
  MoveToEx(FHandle, X, Y, nullptr);
  FPenPos = {X, Y};
}

void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  kvp::LineTo(FHandle, X, Y);
  FPenPos = {X, Y};
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  kvp::Polyline(FHandle, Points.data(), Integer(Points.size()));
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  kvp::Polygon(FHandle, Points.data(), Integer(Points.size()));
  Changed();
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  kvp::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::FillRect(const TRect& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  kvp::FillRect(FHandle, &R, FBrush->GetHandle());
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  kvp::FrameRect(FHandle, &R, FBrush->GetHandle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  kvp::DrawFocusRect(FHandle, &R);
  Changed();
}

void TCanvas::TextOut(Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOut(FHandle, X, Y, 0, nullptr, Text);
  FPenPos = {X + TextWidth(Text), Y};
  MoveToEx(FHandle, FPenPos.X, FPenPos.Y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& R, Integer X, Integer Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT Options = ETO_CLIPPED;
  if (FBrush->GetStyle() != bsClear) Options |= ETO_OPAQUE;
  ExtTextOut(FHandle, X, Y, Options, &R, Text);
  Changed();
}

void TCanvas::TextRect(TRect& R, String& Text, TTextFormat Format) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT Flags = TextFormatToFlags(Format);
  if (Format.Contains(tfModifyString) || Format.Contains(tfCalcRect))
    DrawTextEx(FHandle, Text, -1, &R, Flags, nullptr);
  else
    DrawTextEx(FHandle, static_cast<const String&>(Text), -1, &R, Flags, nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequiredState({csHandleValid, csFontValid});
  TSize S;
  GetTextExtentPoint32(FHandle, Text, &S);
  return S;
}

void TCanvas::Draw(Integer X, Integer Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, Bounds(X, Y, Graphic->GetWidth(), Graphic->GetHeight()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, R);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csBrushValid});
  StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->FHandle,
             Source.Left, Source.Top, Source.Width(), Source.Height(), FCopyMode);
  Changed();
}

}  // namespace kvp
