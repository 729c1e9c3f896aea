// Drawing objects behind handles: the live-handle registry, stock objects,
// creation, selection, deletion and GetObject, and the region calls.
//
// Index
//   [SECTION] Pens and brushes
//   [SECTION] Fonts
//   [SECTION] Bitmaps
//   [SECTION] GetObject
//   [SECTION] Regions
//   [SECTION] Selection
#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>

#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiImpl.h"

namespace kvp {

using namespace gdi;

namespace {

std::unordered_set<TGdiObject*>& LiveObjects() {
  static std::unordered_set<TGdiObject*> Set;
  return Set;
}

Integer& LiveCount() {
  static Integer Count = 0;
  return Count;
}

template <class T>
T* Register(T* Obj) {
  LiveObjects().insert(Obj);
  if (!Obj->Stock) ++LiveCount();
  return Obj;
}

TGdiObject* MakeStock(Integer Index) {
  auto Brush = [](UINT Style, COLORREF Color) {
    auto* B = new TBrushObj();
    B->Style = Style;
    B->Color = Color;
    return B;
  };
  auto Pen = [](UINT Style, COLORREF Color) {
    auto* P = new TPenObj();
    P->Style = Style;
    P->Color = Color;
    return P;
  };
  auto Font = [](const char* Face, LONG Height, LONG Weight, BYTE Pitch) {
    auto* F = new TFontObj();
    F->Log.lfHeight = Height;
    F->Log.lfWeight = Weight;
    F->Log.lfPitchAndFamily = Pitch;
    F->Log.lfFaceName = Face;
    F->Instance = TFontInstance::ForLogFont(F->Log);
    return F;
  };
  switch (Index) {
    case WHITE_BRUSH:
      return Brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH:
      return Brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH:
      return Brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH:
      return Brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH:
      return Brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH:
      return Brush(BS_NULL, 0);
    case DC_BRUSH:
      return Brush(BS_SOLID, RGB(255, 255, 255));
    case WHITE_PEN:
      return Pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN:
      return Pen(PS_SOLID, 0);
    case NULL_PEN:
      return Pen(PS_NULL, 0);
    case DC_PEN:
      return Pen(PS_SOLID, 0);
    // The system font: a bold face with a 16-pixel cell, as the classic one.
    case SYSTEM_FONT:
      return Font("System", 16, FW_BOLD, VARIABLE_PITCH);
    case DEVICE_DEFAULT_FONT:
      return Font("System", 16, FW_BOLD, VARIABLE_PITCH);
    case SYSTEM_FIXED_FONT:
      return Font("Fixedsys", 15, FW_NORMAL, FIXED_PITCH);
    case OEM_FIXED_FONT:
      return Font("Terminal", 12, FW_NORMAL, FIXED_PITCH);
    case ANSI_FIXED_FONT:
      return Font("Courier", 13, FW_NORMAL, FIXED_PITCH);
    case ANSI_VAR_FONT:
      return Font("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH);
    case DEFAULT_GUI_FONT:
      return Font("MS Shell Dlg", -11, FW_NORMAL, DEFAULT_PITCH);
    default:
      return nullptr;
  }
}

TBitmapObj* StockBitmap() {
  static TBitmapObj* Bmp = [] {
    auto* B = new TBitmapObj(1, 1);
    B->BitsPixel = 1;
    B->Stock = true;
    return Register(B);
  }();
  return Bmp;
}

// Whether any DC has the object selected, now or in a saved state.
bool IsSelected(TGdiObject* Obj);

TRegionObj* Rgn(HRGN H) { return LookupAs<TRegionObj>(H, TObjKind::Region); }

}  // namespace

namespace gdi {

TGdiObject* LookupObject(HGDIOBJ Obj) {
  auto* P = static_cast<TGdiObject*>(Obj);
  return P && LiveObjects().count(P) ? P : nullptr;
}

TFontObj* DefaultFont() { return static_cast<TFontObj*>(GetStockObject(SYSTEM_FONT)); }

TBitmapObj* DefaultBitmap() { return StockBitmap(); }

HBRUSH MakeStockBrush(COLORREF Color) {
  auto* B = new TBrushObj();
  B->Color = Color & 0xFFFFFF;
  B->Stock = true;
  return reinterpret_cast<HBRUSH>(Register(B));
}

void RecolorStockBrush(HBRUSH Brush, COLORREF Color) {
  if (auto* B = LookupAs<TBrushObj>(Brush, TObjKind::Brush)) B->Color = Color & 0xFFFFFF;
}

COLORREF SysRGB(Integer Index) { return GetSysColor(Index); }

}  // namespace gdi

HGDIOBJ GetStockObject(Integer Index) {
  static std::array<TGdiObject*, 20> Stock{};
  if (Index < 0 || Index >= Integer(Stock.size())) return nullptr;
  if (!Stock[std::size_t(Index)]) {
    TGdiObject* Obj = MakeStock(Index);
    if (!Obj) return nullptr;
    Obj->Stock = true;
    Stock[std::size_t(Index)] = Register(Obj);
  }
  return Stock[std::size_t(Index)];
}

Integer GetLiveGdiObjectCount() { return LiveCount(); }

DWORD GetObjectType(HGDIOBJ Obj) {
  if (TGdiObject* O = LookupObject(Obj)) {
    switch (O->Kind) {
      case TObjKind::Pen:
        return static_cast<TPenObj*>(O)->Extended ? OBJ_EXTPEN : OBJ_PEN;
      case TObjKind::Brush:
        return OBJ_BRUSH;
      case TObjKind::Font:
        return OBJ_FONT;
      case TObjKind::Bitmap:
        return OBJ_BITMAP;
      case TObjKind::Region:
        return OBJ_REGION;
    }
  }
  if (TDeviceContext* Dc = LookupDC(static_cast<HDC>(Obj))) return Dc->Memory ? OBJ_MEMDC : OBJ_DC;
  return 0;
}

BOOL DeleteObject(HGDIOBJ Obj) {
  TGdiObject* O = LookupObject(Obj);
  if (!O) return FALSE;
  if (O->Stock) return TRUE;
  // An object still selected into a DC stays alive: deleting it would leave
  // the DC drawing with a freed object.
  if (IsSelected(O)) return FALSE;
  LiveObjects().erase(O);
  --LiveCount();
  delete O;
  return TRUE;
}

// [SECTION] Pens and brushes

HPEN CreatePen(UINT Style, Integer Width, COLORREF Color) {
  auto* P = new TPenObj();
  UINT Line = Style & PS_STYLE_MASK;
  // Styled lines exist only one pixel wide; wider pens draw solid.
  if (Width > 1 && Line != PS_NULL && Line != PS_INSIDEFRAME) Line = PS_SOLID;
  if (Line > PS_ALTERNATE || Line == PS_USERSTYLE) Line = PS_SOLID;
  P->Style = Line;
  P->Width = std::max(Width, 1);
  P->Color = Color & 0xFFFFFF;
  return reinterpret_cast<HPEN>(Register(P));
}

HPEN CreatePenIndirect(const LOGPEN& Pen) {
  return CreatePen(Pen.lopnStyle, Pen.lopnWidth.X, Pen.lopnColor);
}

HPEN ExtCreatePen(DWORD Style, DWORD Width, const LOGBRUSH& Brush, DWORD, const DWORD*) {
  bool Geometric = (Style & PS_TYPE_MASK) == PS_GEOMETRIC;
  if (!Geometric && Width != 1) return nullptr;  // cosmetic pens are one pixel wide
  auto* P = new TPenObj();
  P->Style = Style;
  P->Width = Integer(std::max<DWORD>(Width, 1));
  P->Color = Brush.lbStyle == BS_NULL ? 0 : Brush.lbColor & 0xFFFFFF;
  if (Brush.lbStyle == BS_NULL) P->Style = (Style & ~PS_STYLE_MASK) | PS_NULL;
  P->Extended = true;
  return reinterpret_cast<HPEN>(Register(P));
}

HBRUSH CreateSolidBrush(COLORREF Color) {
  auto* B = new TBrushObj();
  B->Color = Color & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(Register(B));
}

HBRUSH CreateHatchBrush(Integer Hatch, COLORREF Color) {
  if (Hatch < HS_HORIZONTAL || Hatch > HS_DIAGCROSS) return nullptr;
  auto* B = new TBrushObj();
  B->Style = BS_HATCHED;
  B->Hatch = Hatch;
  B->Color = Color & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(Register(B));
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap) {
  auto* Bmp = LookupAs<TBitmapObj>(Bitmap, TObjKind::Bitmap);
  if (!Bmp) return nullptr;
  auto* B = new TBrushObj();
  B->Style = BS_PATTERN;
  B->Pattern = std::make_shared<TSurface>(Bmp->Surface);
  B->Pattern->ClearRecords();
  B->Pattern->SetRecording(false);
  B->PatternMono = Bmp->BitsPixel == 1;
  return reinterpret_cast<HBRUSH>(Register(B));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& Brush) {
  switch (Brush.lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(Brush.lbColor);
    case BS_HATCHED:
      return CreateHatchBrush(Integer(Brush.lbHatch), Brush.lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(Brush.lbHatch));
    case BS_NULL: {
      auto* B = new TBrushObj();
      B->Style = BS_NULL;
      return reinterpret_cast<HBRUSH>(Register(B));
    }
    default:
      return nullptr;
  }
}

// [SECTION] Fonts

HFONT CreateFontIndirect(const LOGFONT& Font) {
  auto* F = new TFontObj();
  F->Log = Font;
  if (F->Log.lfFaceName.size() >= std::size_t(LF_FACESIZE))
    F->Log.lfFaceName.resize(LF_FACESIZE - 1);
  try {
    F->Instance = TFontInstance::ForLogFont(F->Log);
  } catch (...) {
    delete F;
    throw;
  }
  return reinterpret_cast<HFONT>(Register(F));
}

HFONT CreateFont(Integer Height, Integer Width, Integer Escapement, Integer Orientation,
                 Integer Weight, DWORD Italic, DWORD Underline, DWORD StrikeOut, DWORD CharSet,
                 DWORD OutPrecision, DWORD ClipPrecision, DWORD Quality, DWORD PitchAndFamily,
                 const String& FaceName) {
  LOGFONT L;
  L.lfHeight = Height;
  L.lfWidth = Width;
  L.lfEscapement = Escapement;
  L.lfOrientation = Orientation;
  L.lfWeight = Weight;
  L.lfItalic = BYTE(Italic != 0);
  L.lfUnderline = BYTE(Underline != 0);
  L.lfStrikeOut = BYTE(StrikeOut != 0);
  L.lfCharSet = BYTE(CharSet);
  L.lfOutPrecision = BYTE(OutPrecision);
  L.lfClipPrecision = BYTE(ClipPrecision);
  L.lfQuality = BYTE(Quality);
  L.lfPitchAndFamily = BYTE(PitchAndFamily);
  L.lfFaceName = FaceName;
  return CreateFontIndirect(L);
}

// [SECTION] Bitmaps

HBITMAP CreateBitmap(Integer Width, Integer Height, UINT Planes, UINT BitsPerPixel,
                     const void* Bits) {
  if (Width < 0 || Height < 0 || Planes != 1) return nullptr;
  // Like the system, refuse what memory cannot hold rather than fail later.
  if (Int64(Width) * Int64(Height) > (Int64(1) << 28)) return nullptr;
  if (Width == 0 || Height == 0) return reinterpret_cast<HBITMAP>(StockBitmap());
  auto* B = new TBitmapObj(Width, Height);
  B->BitsPixel = BitsPerPixel == 1 ? 1 : 32;
  if (B->BitsPixel == 1) {
    B->Surface.Fill(0);
    // Monochrome bits come as rows of 16-bit aligned bytes, most significant bit first.
    if (Bits) {
      const auto* Src = static_cast<const BYTE*>(Bits);
      Integer Stride = ((Width + 15) / 16) * 2;
      for (Integer Y = 0; Y < Height; ++Y)
        for (Integer X = 0; X < Width; ++X)
          if (Src[Y * Stride + X / 8] & (0x80 >> (X % 8))) B->Surface.Scanline(Y)[X] = 0xFFFFFF;
    }
  } else {
    B->Surface.Fill(0);
    // Colour bits are 32-bit 0x00RRGGBB pixels, top row first.
    if (Bits) {
      const auto* Src = static_cast<const std::uint32_t*>(Bits);
      for (Integer Y = 0; Y < Height; ++Y)
        for (Integer X = 0; X < Width; ++X)
          B->Surface.Scanline(Y)[X] = Src[Y * Width + X] & 0xFFFFFF;
    }
  }
  return reinterpret_cast<HBITMAP>(Register(B));
}

HBITMAP CreateCompatibleBitmap(HDC Dc, Integer Width, Integer Height) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D || Width < 0 || Height < 0) return nullptr;
  return CreateBitmap(Width, Height, 1, D->Mono() ? 1 : 32, nullptr);
}

TSurface* GetBitmapSurface(HBITMAP Bitmap) {
  auto* B = LookupAs<TBitmapObj>(Bitmap, TObjKind::Bitmap);
  return B ? &B->Surface : nullptr;
}

// [SECTION] GetObject

Integer GetObject(HGDIOBJ Obj, LOGPEN* Out) {
  auto* P = LookupAs<TPenObj>(Obj, TObjKind::Pen);
  if (!P || P->Extended) return 0;
  if (Out) *Out = LOGPEN{P->Style, {P->Width, 0}, P->Color};
  return Integer(sizeof(LOGPEN));
}

Integer GetObject(HGDIOBJ Obj, EXTLOGPEN* Out) {
  auto* P = LookupAs<TPenObj>(Obj, TObjKind::Pen);
  if (!P) return 0;
  if (Out) *Out = EXTLOGPEN{P->Style, DWORD(P->Width), BS_SOLID, P->Color, 0};
  return Integer(sizeof(EXTLOGPEN));
}

Integer GetObject(HGDIOBJ Obj, LOGBRUSH* Out) {
  auto* B = LookupAs<TBrushObj>(Obj, TObjKind::Brush);
  if (!B) return 0;
  if (Out) *Out = LOGBRUSH{B->Style, B->Color, std::uintptr_t(B->Hatch)};
  return Integer(sizeof(LOGBRUSH));
}

Integer GetObject(HGDIOBJ Obj, LOGFONT* Out) {
  auto* F = LookupAs<TFontObj>(Obj, TObjKind::Font);
  if (!F) return 0;
  if (Out) *Out = F->Log;
  return Integer(sizeof(LOGFONT));
}

Integer GetObject(HGDIOBJ Obj, BITMAP* Out) {
  auto* B = LookupAs<TBitmapObj>(Obj, TObjKind::Bitmap);
  if (!B) return 0;
  if (Out) {
    Out->bmType = 0;
    Out->bmWidth = B->Surface.Width();
    Out->bmHeight = B->Surface.Height();
    Out->bmPlanes = 1;
    Out->bmBitsPixel = WORD(B->BitsPixel);
    Out->bmWidthBytes = B->BitsPixel == 1 ? ((Out->bmWidth + 15) / 16) * 2 : Out->bmWidth * 4;
    Out->bmBits = nullptr;
  }
  return Integer(sizeof(BITMAP));
}

// [SECTION] Regions

HRGN CreateRegionFrom(const TRegion& Region) {
  auto* R = new TRegionObj();
  R->Rgn = Region;
  return reinterpret_cast<HRGN>(Register(R));
}

HRGN CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  // Like the system, a rectangle given the wrong way round is normalised.
  if (Left > Right) std::swap(Left, Right);
  if (Top > Bottom) std::swap(Top, Bottom);
  return CreateRegionFrom(TRegion(TRect{Left, Top, Right, Bottom}));
}

HRGN CreateRectRgnIndirect(const TRect& R) {
  return CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom);
}

HRGN CreatePolygonRgn(const TPoint* Points, Integer Count, Integer FillMode) {
  if (!Points || Count < 0) return nullptr;
  return CreateRegionFrom(
      TRegion::FromPolygon(std::vector<TPoint>(Points, Points + Count), FillMode));
}

const TRegion* GetRegionData(HRGN H) {
  TRegionObj* R = Rgn(H);
  return R ? &R->Rgn : nullptr;
}

Integer CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, Integer Mode) {
  TRegionObj *D = Rgn(Dest), *A = Rgn(Src1), *B = Rgn(Src2);
  if (!D || !A || Mode < RGN_AND || Mode > RGN_COPY) return ERROR_REGION;
  if (Mode != RGN_COPY && !B) return ERROR_REGION;
  D->Rgn = Mode == RGN_COPY ? A->Rgn : TRegion::Combine(A->Rgn, B->Rgn, Mode);
  return D->Rgn.Kind();
}

Integer OffsetRgn(HRGN H, Integer DX, Integer DY) {
  TRegionObj* R = Rgn(H);
  if (!R) return ERROR_REGION;
  R->Rgn.Offset(DX, DY);
  return R->Rgn.Kind();
}

Integer GetRgnBox(HRGN H, TRect* Box) {
  TRegionObj* R = Rgn(H);
  if (!R || !Box) return ERROR_REGION;
  *Box = R->Rgn.Box();
  return R->Rgn.Kind();
}

BOOL SetRectRgn(HRGN H, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  TRegionObj* R = Rgn(H);
  if (!R) return FALSE;
  if (Left > Right) std::swap(Left, Right);
  if (Top > Bottom) std::swap(Top, Bottom);
  R->Rgn = TRegion(TRect{Left, Top, Right, Bottom});
  return TRUE;
}

BOOL PtInRegion(HRGN H, Integer X, Integer Y) {
  TRegionObj* R = Rgn(H);
  return R && R->Rgn.Contains({X, Y}) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN H, const TRect* Rect) {
  TRegionObj* R = Rgn(H);
  if (!R || !Rect) return FALSE;
  TRect N = *Rect;
  if (N.Left > N.Right) std::swap(N.Left, N.Right);
  if (N.Top > N.Bottom) std::swap(N.Top, N.Bottom);
  return R->Rgn.Intersects(N) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN A, HRGN B) {
  TRegionObj *RA = Rgn(A), *RB = Rgn(B);
  return RA && RB && RA->Rgn == RB->Rgn ? TRUE : FALSE;
}

// [SECTION] Selection

namespace gdi {
std::vector<TDeviceContext*> AllDCs();
}

namespace {

bool IsSelected(TGdiObject* Obj) {
  auto Uses = [Obj](const TDCState& S) {
    return S.Pen == Obj || S.Brush == Obj || S.Font == Obj || S.Bitmap == Obj;
  };
  for (TDeviceContext* Dc : AllDCs()) {
    if (Uses(Dc->S)) return true;
    for (const TDCState& S : Dc->Saved)
      if (Uses(S)) return true;
  }
  return false;
}

}  // namespace

HGDIOBJ SelectObject(HDC Dc, HGDIOBJ Obj) {
  TDeviceContext* D = LookupDC(Dc);
  TGdiObject* O = LookupObject(Obj);
  if (!D || !O) return nullptr;
  HGDIOBJ Old = nullptr;
  switch (O->Kind) {
    case TObjKind::Pen:
      Old = D->S.Pen;
      D->S.Pen = static_cast<TPenObj*>(O);
      return Old;
    case TObjKind::Brush:
      Old = D->S.Brush;
      D->S.Brush = static_cast<TBrushObj*>(O);
      return Old;
    case TObjKind::Font:
      Old = D->S.Font;
      D->S.Font = static_cast<TFontObj*>(O);
      return Old;
    case TObjKind::Bitmap: {
      if (!D->Memory) return nullptr;
      // A bitmap draws in one DC at a time.
      if (!O->Stock && O != D->S.Bitmap)
        for (TDeviceContext* Other : AllDCs())
          if (Other != D && Other->S.Bitmap == O) return nullptr;
      Old = D->S.Bitmap;
      D->S.Bitmap = static_cast<TBitmapObj*>(O);
      return Old;
    }
    case TObjKind::Region:
      return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(Dc, static_cast<HRGN>(Obj))));
  }
  return nullptr;
}

HGDIOBJ GetCurrentObject(HDC Dc, UINT Kind) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return nullptr;
  switch (Kind) {
    case OBJ_PEN:
      return D->S.Pen;
    case OBJ_BRUSH:
      return D->S.Brush;
    case OBJ_FONT:
      return D->S.Font;
    case OBJ_BITMAP:
      return D->S.Bitmap;
    default:
      return nullptr;
  }
}

}  // namespace kvp
