// Implementation detail of the drawing layer, not API: the objects behind the
// handles, the device context's state, and the pixel-level helpers that the
// drawing, text and edge routines share.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/graphics/FontEngine.h"
#include "platform/graphics/Gdi.h"

namespace kvp::gdi {

enum class TObjKind { Pen, Brush, Font, Bitmap, Region };

// TGdiObject: what a drawing-object handle points at.
struct TGdiObject {
  explicit TGdiObject(TObjKind AKind) : Kind(AKind) {}
  virtual ~TGdiObject() = default;
  TObjKind Kind;
  bool Stock = false;  // stock objects live for the program and are never deleted
};

// The objects behind pen, brush, font, bitmap and region handles: what the
// Create* calls were given, kept as drawing reads it.
struct TPenObj : TGdiObject {
  TPenObj() : TGdiObject(TObjKind::Pen) {}
  UINT Style = PS_SOLID;  // full style: PS_ type, end cap, join and line style
  Integer Width = 1;      // 0 and 1 both draw one pixel wide
  COLORREF Color = 0;
  bool Extended = false;  // made by ExtCreatePen
  UINT LineStyle() const { return Style & PS_STYLE_MASK; }
  bool Geometric() const { return (Style & PS_TYPE_MASK) == PS_GEOMETRIC || Width > 1; }
};

struct TBrushObj : TGdiObject {
  TBrushObj() : TGdiObject(TObjKind::Brush) {}
  UINT Style = BS_SOLID;
  COLORREF Color = 0;
  Integer Hatch = 0;
  std::shared_ptr<TSurface> Pattern;  // BS_PATTERN: a copy of the bitmap's pixels
  bool PatternMono = false;           // a monochrome pattern takes the DC's text and bk colours
};

struct TFontObj : TGdiObject {
  TFontObj() : TGdiObject(TObjKind::Font) {}
  LOGFONT Log;
  std::shared_ptr<TFontInstance> Instance;  // shared by fonts of the same face, size and style
};

struct TBitmapObj : TGdiObject {
  TBitmapObj(Integer W, Integer H) : TGdiObject(TObjKind::Bitmap), Surface(W, H) {}
  TSurface Surface;
  Integer BitsPixel = 32;  // 1 for monochrome bitmaps
};

struct TRegionObj : TGdiObject {
  TRegionObj() : TGdiObject(TObjKind::Region) {}
  TRegion Rgn;
};

// The part of a DC's state that SaveDC saves.
struct TDCState {
  TPenObj* Pen = nullptr;
  TBrushObj* Brush = nullptr;
  TFontObj* Font = nullptr;
  TBitmapObj* Bitmap = nullptr;  // memory DCs only
  COLORREF TextColor = 0x000000;
  COLORREF BkColor = 0xFFFFFF;
  Integer BkMode = OPAQUE;
  Integer Rop2 = R2_COPYPEN;
  UINT TextAlign = TA_LEFT | TA_TOP;
  Integer StretchMode = BLACKONWHITE;
  Integer PolyFillMode = ALTERNATE;
  Integer MapMode = MM_TEXT;
  TPoint WindowOrg;
  TSize WindowExt{1, 1};
  TPoint ViewportOrg;
  TSize ViewportExt{1, 1};
  std::optional<TRegion> Clip;  // the application's clip, device coordinates
  TPoint PenPos;                // logical coordinates
  TPoint BrushOrg;              // device coordinates
};

// TDeviceContext: what an HDC points at.
struct TDeviceContext {
  bool Memory = false;             // made by CreateCompatibleDC
  TSurface* Surface = nullptr;     // surface DCs: the surface drawn on
  bool Screen = false;             // a DC on the screen, whose pixels are made when first drawn on
  TPoint Origin;                   // surface pixel of device point (0,0)
  std::optional<TRegion> Visible;  // surface coordinates; none = whole surface
  TDCState S;
  std::vector<TDCState> Saved;

  TSurface* Target() const {
    if (Memory) return S.Bitmap ? &S.Bitmap->Surface : nullptr;
    return Screen ? ScreenSurface() : Surface;
  }
  bool Mono() const { return Memory && S.Bitmap && S.Bitmap->BitsPixel == 1; }
};

TDeviceContext* LookupDC(HDC Dc);
TGdiObject* LookupObject(HGDIOBJ Obj);
template <class T>
T* LookupAs(HGDIOBJ Obj, TObjKind Kind) {
  TGdiObject* O = LookupObject(Obj);
  return O && O->Kind == Kind ? static_cast<T*>(O) : nullptr;
}
TFontObj* DefaultFont();      // the stock SYSTEM_FONT
TBitmapObj* DefaultBitmap();  // the 1x1 monochrome bitmap of a new memory DC
std::vector<TDeviceContext*> AllDCs();

// [SECTION] Coordinates
TPoint ToDevice(const TDeviceContext& Dc, TPoint P);
TPoint ToLogical(const TDeviceContext& Dc, TPoint P);
// A logical rectangle in device coordinates, normalised.
TRect ToDeviceRect(const TDeviceContext& Dc, const TRect& R);
// Device length of a logical x/y length (absolute).
Integer ScaleX(const TDeviceContext& Dc, Integer Len);
Integer ScaleY(const TDeviceContext& Dc, Integer Len);

// [SECTION] Pixel helpers
// Where a DC may draw: its pixels and the clip in surface coordinates.
struct TTarget {
  TSurface* Surf = nullptr;
  TRegion Clip;  // surface coordinates, inside the surface
  TPoint Origin;
  bool Mono = false;
  bool Valid() const { return Surf != nullptr; }
  bool Visible(Integer X, Integer Y) const { return Clip.Contains({X, Y}); }
};
TTarget MakeTarget(const TDeviceContext& Dc);
std::uint32_t ToMono(std::uint32_t Pixel);
std::uint32_t ApplyRop2(Integer Rop2, std::uint32_t Pen, std::uint32_t Dest);
std::uint32_t ApplyRop3(Integer Rop3, std::uint32_t Pat, std::uint32_t Src, std::uint32_t Dest);
// The brush's pixel at device point (X, Y), or none where the brush draws
// nothing (null brush, the gaps of a transparent hatch).
std::optional<std::uint32_t> BrushPixel(const TDeviceContext& Dc, const TBrushObj* Brush, Integer X,
                                        Integer Y);
// Paints the pixels of Area (surface coordinates) with the brush through a
// ternary raster code (PATCOPY for FillRect) or, when Rop2 is given, through
// the binary one (shape interiors).
void PaintArea(const TDeviceContext& Dc, const TTarget& T, const TRegion& Area,
               const TBrushObj* Brush, Integer Rop3, std::optional<Integer> Rop2 = std::nullopt);
// Paints solid colour in device rectangle R with PATCOPY (edges, frames).
void FillDeviceRect(const TDeviceContext& Dc, const TTarget& T, const TRect& R, COLORREF Color);

// A binary raster code with a fixed pen pixel, as a function of the
// destination alone: result = (Dest & And) ^ Xor, exact for every code
// because the codes work bit by bit. Applying it twice is applying it once
// when And & Xor is 0 (no bit is inverted).
struct TSolidRop {
  std::uint32_t And = 0;
  std::uint32_t Xor = 0;
  std::uint32_t operator()(std::uint32_t Dest) const { return (Dest & And) ^ Xor; }
  bool Idempotent() const { return (And & Xor) == 0; }
};
TSolidRop SolidRop(std::uint32_t Pen, Integer Rop2);

// [SECTION] Recording
// Whether the target's surface keeps a drawing log; building records is
// skipped when it does not.
bool Logging(const TTarget& T);
TDrawRecord MakeRecord(TDrawKind Kind, const TTarget& T, const TRect& DeviceRect);
void Record(const TTarget& T, TDrawRecord Rec);
// Before logging an opaque paint of a surface rectangle: forgets what it
// covered, when the clip let all of it be painted.
void Overpaint(const TTarget& T, const TRect& SurfaceRect);
COLORREF SysRGB(Integer Index);
// The system colour brushes: stock brushes that SetSysColors recolours.
HBRUSH MakeStockBrush(COLORREF Color);
void RecolorStockBrush(HBRUSH Brush, COLORREF Color);

}  // namespace kvp::gdi
