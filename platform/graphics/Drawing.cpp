// Pixel work of the drawing layer: raster operations, brushes, fills, pens and
// lines, shapes and blits, and the drawing log entries they make. Solid fills,
// one-pixel solid lines and same-format copies have fast paths that give the
// pixels of the general code exactly; SetRasterFastPaths(false) turns them off.
//
// Index
//   [SECTION] Fast paths                      GetRasterFastPaths, SolidRop
//   [SECTION] Raster operations and brushes   ApplyRop2, ApplyRop3, BrushPixel, PaintArea
//   [SECTION] Recording                       MakeRecord, Record, Overpaint
//   [SECTION] Fills and frames                FillRect, FrameRect, InvertRect, DrawFocusRect,
//                                             regions
//   [SECTION] Pens and lines                  StrokePolyline, MoveToEx, LineTo, Polyline,
//                                             PolyPolyline
//   [SECTION] Shapes                          Rectangle, Polygon, pixels
//   [SECTION] Blits                           PatBlt, BitBlt, StretchBlt, MaskBlt
#include <algorithm>
#include <cmath>

#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiImpl.h"

namespace kvp {

using namespace gdi;

// [SECTION] Fast paths

namespace {
bool& FastPathsOn() {
  static bool On = true;
  return On;
}
}  // namespace

bool GetRasterFastPaths() { return FastPathsOn(); }
void SetRasterFastPaths(bool Value) { FastPathsOn() = Value; }

namespace gdi {

TSolidRop SolidRop(std::uint32_t Pen, Integer Rop2) {
  const std::uint32_t X = ApplyRop2(Rop2, Pen, 0);
  return {ApplyRop2(Rop2, Pen, 0xFFFFFF) ^ X, X};
}

}  // namespace gdi

// [SECTION] Raster operations and brushes

namespace gdi {

std::uint32_t ToMono(std::uint32_t Pixel) {
  unsigned Sum = ((Pixel >> 16) & 0xFF) + ((Pixel >> 8) & 0xFF) + (Pixel & 0xFF);
  return Sum >= 384 ? 0xFFFFFF : 0;
}

std::uint32_t ApplyRop2(Integer Rop2, std::uint32_t Pen, std::uint32_t Dest) {
  // R2 codes are 1 + a four-entry truth table indexed by (pen bit, dest bit).
  unsigned Table = unsigned(Rop2 - 1) & 0xF;
  std::uint32_t R = 0;
  for (unsigned I = 0; I < 4; ++I) {
    if (!(Table & (1u << I))) continue;
    std::uint32_t P = (I & 2) ? Pen : ~Pen;
    std::uint32_t D = (I & 1) ? Dest : ~Dest;
    R |= P & D;
  }
  return R & 0xFFFFFF;
}

std::uint32_t ApplyRop3(Integer Rop3, std::uint32_t Pat, std::uint32_t Src, std::uint32_t Dest) {
  switch (Rop3) {  // the common codes directly
    case 0xCC:
      return Src;
    case 0xF0:
      return Pat;
    case 0x00:
      return 0;
    case 0xFF:
      return 0xFFFFFF;
    default:
      break;
  }
  // The code is an eight-entry truth table indexed by (pattern, source, dest) bits.
  std::uint32_t R = 0;
  for (unsigned I = 0; I < 8; ++I) {
    if (!(unsigned(Rop3) & (1u << I))) continue;
    std::uint32_t P = (I & 4) ? Pat : ~Pat;
    std::uint32_t S = (I & 2) ? Src : ~Src;
    std::uint32_t D = (I & 1) ? Dest : ~Dest;
    R |= P & S & D;
  }
  return R & 0xFFFFFF;
}

namespace {
bool HatchBit(Integer Hatch, Integer X, Integer Y) {
  switch (Hatch) {
    case HS_HORIZONTAL:
      return Y == 7;
    case HS_VERTICAL:
      return X == 7;
    case HS_FDIAGONAL:
      return X == Y;
    case HS_BDIAGONAL:
      return X + Y == 7;
    case HS_CROSS:
      return X == 7 || Y == 7;
    case HS_DIAGCROSS:
      return X == Y || X + Y == 7;
    default:
      return false;
  }
}
Integer Mod(Integer A, Integer B) { return ((A % B) + B) % B; }
}  // namespace

std::optional<std::uint32_t> BrushPixel(const TDeviceContext& Dc, const TBrushObj* Brush, Integer X,
                                        Integer Y) {
  if (!Brush) return std::nullopt;
  switch (Brush->Style) {
    case BS_SOLID:
      return ColorRefToPixel(Brush->Color);
    case BS_HATCHED: {
      Integer PX = Mod(X - Dc.S.BrushOrg.X, 8), PY = Mod(Y - Dc.S.BrushOrg.Y, 8);
      if (HatchBit(Brush->Hatch, PX, PY)) return ColorRefToPixel(Brush->Color);
      if (Dc.S.BkMode == OPAQUE) return ColorRefToPixel(Dc.S.BkColor);
      return std::nullopt;
    }
    case BS_PATTERN: {
      const TSurface& P = *Brush->Pattern;
      if (P.Width() == 0 || P.Height() == 0) return std::nullopt;
      std::uint32_t Px =
          P.Scanline(Mod(Y - Dc.S.BrushOrg.Y, P.Height()))[Mod(X - Dc.S.BrushOrg.X, P.Width())];
      if (Brush->PatternMono) return ColorRefToPixel(Px ? Dc.S.BkColor : Dc.S.TextColor);
      return Px;
    }
    default:
      return std::nullopt;
  }
}

void PaintArea(const TDeviceContext& Dc, const TTarget& T, const TRegion& Area,
               const TBrushObj* Brush, Integer Rop3, std::optional<Integer> Rop2) {
  if (!T.Valid()) return;
  TRegion Clipped = TRegion::Combine(Area, T.Clip, RGN_AND);
  if (GetRasterFastPaths() && Brush && Brush->Style == BS_SOLID) {
    // One brush pixel everywhere: the raster code is a function of the
    // destination alone, worked out once.
    std::uint32_t P = ColorRefToPixel(Brush->Color);
    if (T.Mono) P = ToMono(P);
    const std::uint32_t X0 = Rop2 ? ApplyRop2(*Rop2, P, 0) : ApplyRop3(Rop3, P, 0, 0);
    const std::uint32_t A =
        (Rop2 ? ApplyRop2(*Rop2, P, 0xFFFFFF) : ApplyRop3(Rop3, P, 0, 0xFFFFFF)) ^ X0;
    for (const TRect& R : Clipped.Rects())
      for (Integer Y = R.Top; Y < R.Bottom; ++Y) {
        std::uint32_t* Line = T.Surf->Scanline(Y);
        if (T.Mono)
          for (Integer X = R.Left; X < R.Right; ++X) Line[X] = ToMono((Line[X] & A) ^ X0);
        else if (A == 0)
          std::fill(Line + R.Left, Line + R.Right, X0);
        else
          for (Integer X = R.Left; X < R.Right; ++X) Line[X] = (Line[X] & A) ^ X0;
      }
    return;
  }
  for (const TRect& R : Clipped.Rects())
    for (Integer Y = R.Top; Y < R.Bottom; ++Y) {
      std::uint32_t* Line = T.Surf->Scanline(Y);
      for (Integer X = R.Left; X < R.Right; ++X) {
        auto Pat = BrushPixel(Dc, Brush, X - T.Origin.X, Y - T.Origin.Y);
        if (!Pat) continue;
        std::uint32_t P = T.Mono ? ToMono(*Pat) : *Pat;
        std::uint32_t V = Rop2 ? ApplyRop2(*Rop2, P, Line[X]) : ApplyRop3(Rop3, P, 0, Line[X]);
        Line[X] = T.Mono ? ToMono(V) : V;
      }
    }
}

void FillDeviceRect(const TDeviceContext& Dc, const TTarget& T, const TRect& R, COLORREF Color) {
  TBrushObj Solid;
  Solid.Color = Color;
  TRect S = R;
  OffsetRect(S, T.Origin.X, T.Origin.Y);
  PaintArea(Dc, T, TRegion(S), &Solid, 0xF0);
}

// [SECTION] Recording

TDrawRecord MakeRecord(TDrawKind Kind, const TTarget& T, const TRect& DeviceRect) {
  TDrawRecord Rec;
  Rec.Kind = Kind;
  Rec.Rect = DeviceRect;
  OffsetRect(Rec.Rect, T.Origin.X, T.Origin.Y);
  return Rec;
}

bool Logging(const TTarget& T) { return T.Surf && T.Surf->GetRecording(); }

void Record(const TTarget& T, TDrawRecord Rec) {
  // Drawing that the clip hid entirely was not drawn.
  if (Logging(T) && T.Clip.Intersects(Rec.Rect)) T.Surf->AddRecord(std::move(Rec));
}

void Overpaint(const TTarget& T, const TRect& SurfaceRect) {
  if (!Logging(T) || IsRectEmpty(SurfaceRect)) return;
  if (!TRegion::Combine(TRegion(SurfaceRect), T.Clip, RGN_DIFF).IsEmpty()) return;
  T.Surf->DiscardRecordsIn(SurfaceRect);
}

}  // namespace gdi

// [SECTION] Fills and frames

namespace {

#define KV_DC_OR(Fail)              \
  TDeviceContext* D = LookupDC(Dc); \
  if (!D) return Fail

// A brush handle, or a system colour index plus one in its place, as the
// system's fill calls accept.
TBrushObj* BrushOf(HBRUSH Brush) {
  auto Value = reinterpret_cast<std::uintptr_t>(Brush);
  if (Value >= 1 && Value <= COLOR_MENUBAR + 1) Brush = GetSysColorBrush(Integer(Value - 1));
  return LookupAs<TBrushObj>(Brush, TObjKind::Brush);
}

// A device rectangle on the surface.
TRegion SurfaceArea(const TTarget& T, TRect DeviceRect) {
  OffsetRect(DeviceRect, T.Origin.X, T.Origin.Y);
  return TRegion(DeviceRect);
}

void RecordFill(const TTarget& T, TDrawKind Kind, const TRect& DevRect, const TBrushObj* Brush) {
  TDrawRecord Rec = MakeRecord(Kind, T, DevRect);
  Rec.Color = Brush ? Brush->Color : 0;
  Rec.Flags = Brush ? Brush->Style : BS_NULL;
  Record(T, std::move(Rec));
}

}  // namespace

Integer FillRect(HDC Dc, const TRect* R, HBRUSH Brush) {
  KV_DC_OR(0);
  TBrushObj* B = BrushOf(Brush);
  if (!R || !B) return 0;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  if (IsRectEmpty(Dev)) return 1;
  PaintArea(*D, T, SurfaceArea(T, Dev), B, 0xF0);
  if (B->Style == BS_SOLID) Overpaint(T, SurfaceArea(T, Dev).Box());
  if (B->Style != BS_NULL) RecordFill(T, TDrawKind::Fill, Dev, B);
  return 1;
}

Integer FrameRect(HDC Dc, const TRect* R, HBRUSH Brush) {
  KV_DC_OR(0);
  TBrushObj* B = BrushOf(Brush);
  if (!R || !B) return 0;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  if (IsRectEmpty(Dev)) return 1;
  TRect Inner = Dev;
  InflateRect(Inner, -1, -1);
  TRegion Ring = TRegion::Combine(SurfaceArea(T, Dev), SurfaceArea(T, Inner), RGN_DIFF);
  PaintArea(*D, T, Ring, B, 0xF0);
  RecordFill(T, TDrawKind::Frame, Dev, B);
  return 1;
}

BOOL InvertRect(HDC Dc, const TRect* R) {
  KV_DC_OR(FALSE);
  if (!R) return FALSE;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  TBrushObj Any;
  PaintArea(*D, T, SurfaceArea(T, Dev), &Any, 0x55);
  if (!IsRectEmpty(Dev)) Record(T, MakeRecord(TDrawKind::Invert, T, Dev));
  return TRUE;
}

BOOL DrawFocusRect(HDC Dc, const TRect* R) {
  KV_DC_OR(FALSE);
  if (!R) return FALSE;
  TTarget T = MakeTarget(*D);
  TRect Dev = ToDeviceRect(*D, *R);
  if (IsRectEmpty(Dev)) return TRUE;
  // A one-pixel frame of every other pixel, inverted, so that a second call
  // restores what was there.
  TRect Inner = Dev;
  InflateRect(Inner, -1, -1);
  TRegion Ring = TRegion::Combine(SurfaceArea(T, Dev), SurfaceArea(T, Inner), RGN_DIFF);
  Ring = TRegion::Combine(Ring, T.Clip, RGN_AND);
  for (const TRect& Part : Ring.Rects())
    for (Integer Y = Part.Top; Y < Part.Bottom; ++Y)
      for (Integer X = Part.Left; X < Part.Right; ++X)
        if (((X - T.Origin.X) + (Y - T.Origin.Y)) % 2 == 0) {
          std::uint32_t& P = T.Surf->Scanline(Y)[X];
          P = T.Mono ? ToMono(~P) : (~P & 0xFFFFFF);
        }
  TDrawRecord Rec = MakeRecord(TDrawKind::Frame, T, Dev);
  Rec.Rop = R2_XORPEN;
  Rec.PenStyle = PS_ALTERNATE;
  Record(T, std::move(Rec));
  return TRUE;
}

namespace {

// A region in logical coordinates taken to the surface.
TRegion RegionOnSurface(const TDeviceContext& Dc, const TTarget& T, const TRegion& Logical) {
  TRegion Out;
  for (const TRect& R : Logical.Rects()) {
    TRect Dev = ToDeviceRect(Dc, R);
    OffsetRect(Dev, T.Origin.X, T.Origin.Y);
    Out = TRegion::Combine(Out, TRegion(Dev), RGN_OR);
  }
  return Out;
}

}  // namespace

BOOL FillRgn(HDC Dc, HRGN Rgn, HBRUSH Brush) {
  KV_DC_OR(FALSE);
  const TRegion* R = GetRegionData(Rgn);
  TBrushObj* B = BrushOf(Brush);
  if (!R || !B) return FALSE;
  TTarget T = MakeTarget(*D);
  TRegion Area = RegionOnSurface(*D, T, *R);
  PaintArea(*D, T, Area, B, 0xF0);
  TDrawRecord Rec;
  Rec.Kind = TDrawKind::Fill;
  Rec.Rect = Area.Box();
  Rec.Color = B->Color;
  if (!Area.IsEmpty()) Record(T, std::move(Rec));
  return TRUE;
}

BOOL PaintRgn(HDC Dc, HRGN Rgn) {
  KV_DC_OR(FALSE);
  return FillRgn(Dc, Rgn, reinterpret_cast<HBRUSH>(D->S.Brush));
}

BOOL FrameRgn(HDC Dc, HRGN Rgn, HBRUSH Brush, Integer Width, Integer Height) {
  KV_DC_OR(FALSE);
  const TRegion* R = GetRegionData(Rgn);
  TBrushObj* B = BrushOf(Brush);
  if (!R || !B || Width < 1 || Height < 1) return FALSE;
  TTarget T = MakeTarget(*D);
  TRegion Area = RegionOnSurface(*D, T, *R);
  // The inside is what stays of the region when shifted by the frame size each way.
  TRegion Inside = Area;
  for (TPoint Shift :
       {TPoint{Width, 0}, TPoint{-Width, 0}, TPoint{0, Height}, TPoint{0, -Height}}) {
    TRegion Moved = Area;
    Moved.Offset(Shift.X, Shift.Y);
    Inside = TRegion::Combine(Inside, Moved, RGN_AND);
  }
  PaintArea(*D, T, TRegion::Combine(Area, Inside, RGN_DIFF), B, 0xF0);
  return TRUE;
}

BOOL InvertRgn(HDC Dc, HRGN Rgn) {
  KV_DC_OR(FALSE);
  const TRegion* R = GetRegionData(Rgn);
  if (!R) return FALSE;
  TTarget T = MakeTarget(*D);
  TBrushObj Any;
  PaintArea(*D, T, RegionOnSurface(*D, T, *R), &Any, 0x55);
  return TRUE;
}

// [SECTION] Pens and lines

namespace {

// Pixels a stroke touches with the colour each gets (surface coordinates).
// A pixel touched again keeps the colour it got first: Finish sorts them into
// (y, x) order and drops the repeats, so that each is drawn once.
struct TStrokePixel {
  Integer Y, X;
  std::uint32_t Color;
};
using TStroke = std::vector<TStrokePixel>;

void AddPixel(TStroke& S, Integer X, Integer Y, std::uint32_t Color) { S.push_back({Y, X, Color}); }

void Finish(TStroke& S) {
  auto Before = [](const TStrokePixel& A, const TStrokePixel& B) {
    return A.Y != B.Y ? A.Y < B.Y : A.X < B.X;
  };
  std::stable_sort(S.begin(), S.end(), Before);
  S.erase(std::unique(S.begin(), S.end(),
                      [](const TStrokePixel& A, const TStrokePixel& B) {
                        return A.Y == B.Y && A.X == B.X;
                      }),
          S.end());
}

// Fills a polygon given in pixel-centre coordinates (pixel (x,y) has its centre
// at (x+0.5, y+0.5)) into the stroke.
void FillPolygonF(TStroke& S, const std::vector<std::pair<double, double>>& Pts,
                  std::uint32_t Color) {
  if (Pts.size() < 3) return;
  double MinY = Pts[0].second, MaxY = Pts[0].second;
  for (auto& P : Pts) {
    MinY = std::min(MinY, P.second);
    MaxY = std::max(MaxY, P.second);
  }
  for (Integer Y = Integer(std::floor(MinY)); Y <= Integer(std::ceil(MaxY)); ++Y) {
    double SY = Y + 0.5;
    std::vector<double> Xs;
    for (std::size_t I = 0; I < Pts.size(); ++I) {
      auto A = Pts[I], B = Pts[(I + 1) % Pts.size()];
      if (A.second == B.second) continue;
      if (A.second > B.second) std::swap(A, B);
      if (SY < A.second || SY >= B.second) continue;
      Xs.push_back(A.first + (SY - A.second) * (B.first - A.first) / (B.second - A.second));
    }
    std::sort(Xs.begin(), Xs.end());
    for (std::size_t I = 0; I + 1 < Xs.size(); I += 2) {
      Integer L = Integer(std::ceil(Xs[I] - 0.5 - 1e-9)),
              R = Integer(std::ceil(Xs[I + 1] - 0.5 - 1e-9));
      for (Integer X = L; X < R; ++X) AddPixel(S, X, Y, Color);
    }
  }
}

void AddDisc(TStroke& S, double CX, double CY, double Radius, std::uint32_t Color) {
  std::vector<std::pair<double, double>> Pts;
  for (int I = 0; I < 16; ++I) {
    double A = I * 3.14159265358979 / 8;
    Pts.push_back({CX + Radius * std::cos(A), CY + Radius * std::sin(A)});
  }
  FillPolygonF(S, Pts, Color);
}

void AddSquare(TStroke& S, double CX, double CY, double Half, std::uint32_t Color) {
  FillPolygonF(S,
               {{CX - Half, CY - Half},
                {CX + Half, CY - Half},
                {CX + Half, CY + Half},
                {CX - Half, CY + Half}},
               Color);
}

// A wide pen: each segment a band of the pen's width, with caps and joins.
void WideStroke(TStroke& S, const std::vector<TPoint>& Pts, const TPenObj& Pen, Integer Width,
                std::uint32_t Color) {
  double Half = Width / 2.0;
  UINT Cap = Pen.Extended ? (Pen.Style & PS_ENDCAP_MASK) : PS_ENDCAP_ROUND;
  UINT Join = Pen.Extended ? (Pen.Style & PS_JOIN_MASK) : PS_JOIN_ROUND;
  for (std::size_t I = 0; I + 1 < Pts.size(); ++I) {
    double X0 = Pts[I].X + 0.5, Y0 = Pts[I].Y + 0.5, X1 = Pts[I + 1].X + 0.5,
           Y1 = Pts[I + 1].Y + 0.5;
    double DX = X1 - X0, DY = Y1 - Y0, Len = std::hypot(DX, DY);
    if (Len == 0) continue;
    double UX = DX / Len, UY = DY / Len, NX = -UY * Half, NY = UX * Half;
    double E0 = 0, E1 = 0;
    if (Cap == PS_ENDCAP_SQUARE) E0 = E1 = Half;
    double AX = X0 - UX * E0, AY = Y0 - UY * E0, BX = X1 + UX * E1, BY = Y1 + UY * E1;
    FillPolygonF(
        S, {{AX + NX, AY + NY}, {BX + NX, BY + NY}, {BX - NX, BY - NY}, {AX - NX, AY - NY}}, Color);
  }
  for (std::size_t I = 0; I < Pts.size(); ++I) {
    bool End = I == 0 || I + 1 == Pts.size();
    double CX = Pts[I].X + 0.5, CY = Pts[I].Y + 0.5;
    if (End ? Cap == PS_ENDCAP_ROUND : Join == PS_JOIN_ROUND)
      AddDisc(S, CX, CY, Half, Color);
    else if (!End && Join == PS_JOIN_MITER)
      AddSquare(S, CX, CY, Half, Color);
  }
}

// The on/off runs of a cosmetic line style, in pixels.
std::vector<Integer> StylePattern(UINT Style) {
  switch (Style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
      return {1, 1};
    default:
      return {};
  }
}

// A one-pixel line from A towards B, B itself not drawn; Phase carries the
// style position along a polyline.
void ThinSegment(TStroke& S, TPoint A, TPoint B, const std::vector<Integer>& Pattern,
                 Integer& Phase, std::uint32_t On, std::optional<std::uint32_t> Off) {
  Integer DX = std::abs(B.X - A.X), DY = -std::abs(B.Y - A.Y);
  Integer SX = A.X < B.X ? 1 : -1, SY = A.Y < B.Y ? 1 : -1;
  Integer Err = DX + DY;
  Integer Period = 0;
  for (Integer P : Pattern) Period += P;
  TPoint P = A;
  while (!(P.X == B.X && P.Y == B.Y)) {
    bool Lit = true;
    if (Period > 0) {
      Integer Pos = Phase % Period, Run = 0;
      for (std::size_t I = 0; I < Pattern.size(); ++I) {
        Run += Pattern[I];
        if (Pos < Run) {
          Lit = I % 2 == 0;
          break;
        }
      }
      ++Phase;
    }
    if (Lit)
      AddPixel(S, P.X, P.Y, On);
    else if (Off)
      AddPixel(S, P.X, P.Y, *Off);
    Integer E2 = 2 * Err;
    if (E2 >= DY) {
      Err += DY;
      P.X += SX;
    }
    if (E2 <= DX) {
      Err += DX;
      P.Y += SY;
    }
  }
}

// The fast path of a one-pixel solid line whose raster code gives the same
// pixel however often it is applied: each segment goes straight onto the
// pixels it crosses, the same ones ThinSegment finds (A included, B not).
void ThinSolidSegment(const TTarget& T, TPoint A, TPoint B, const TSolidRop& Rop) {
  const TRect Box = T.Clip.Box();
  auto Put = [&](Integer X, Integer Y) {
    std::uint32_t& P = T.Surf->Scanline(Y)[X];
    P = Rop(P);
  };
  if (A.Y == B.Y || A.X == B.X) {
    // A run along one axis, clipped rectangle by rectangle.
    const bool Horz = A.Y == B.Y;
    const Integer From = Horz ? A.X : A.Y, To = Horz ? B.X : B.Y;
    const Integer Lo = From < To ? From : To + 1, Hi = From < To ? To : From + 1;
    for (const TRect& R : T.Clip.Rects()) {
      if (Horz ? (A.Y < R.Top || A.Y >= R.Bottom) : (A.X < R.Left || A.X >= R.Right)) continue;
      const Integer L = std::max(Lo, Horz ? R.Left : R.Top);
      const Integer H = std::min(Hi, Horz ? R.Right : R.Bottom);
      for (Integer I = L; I < H; ++I) Horz ? Put(I, A.Y) : Put(A.X, I);
    }
    return;
  }
  const bool Simple = T.Clip.Rects().size() == 1;
  Integer DX = std::abs(B.X - A.X), DY = -std::abs(B.Y - A.Y);
  Integer SX = A.X < B.X ? 1 : -1, SY = A.Y < B.Y ? 1 : -1;
  Integer Err = DX + DY;
  TPoint P = A;
  while (!(P.X == B.X && P.Y == B.Y)) {
    if (Simple ? PtInRect(Box, P) : T.Visible(P.X, P.Y)) Put(P.X, P.Y);
    Integer E2 = 2 * Err;
    if (E2 >= DY) {
      Err += DY;
      P.X += SX;
    }
    if (E2 <= DX) {
      Err += DX;
      P.Y += SY;
    }
  }
}

// Draws a polyline (logical points) with the DC's pen and ROP2 and logs it.
void StrokePolyline(TDeviceContext& D, const std::vector<TPoint>& Logical) {
  TPenObj* Pen = D.S.Pen;
  if (!Pen || Pen->LineStyle() == PS_NULL || Logical.size() < 2) return;
  TTarget T = MakeTarget(D);
  if (!T.Valid()) return;
  std::vector<TPoint> Pts;
  for (TPoint P : Logical) {
    TPoint Dev = ToDevice(D, P);
    Pts.push_back({Dev.X + T.Origin.X, Dev.Y + T.Origin.Y});
  }
  std::uint32_t Color = ColorRefToPixel(Pen->Color);
  TStroke Stroke;
  Integer Width = Pen->Geometric() ? std::max(1, ScaleX(D, Pen->Width)) : 1;
  const TSolidRop Solid = SolidRop(Color, D.S.Rop2);
  if (GetRasterFastPaths() && Width == 1 && !T.Mono && StylePattern(Pen->LineStyle()).empty() &&
      Solid.Idempotent()) {
    for (std::size_t I = 0; I + 1 < Pts.size(); ++I) ThinSolidSegment(T, Pts[I], Pts[I + 1], Solid);
  } else if (Width > 1) {
    WideStroke(Stroke, Pts, *Pen, Width, Color);
  } else {
    std::vector<Integer> Pattern = StylePattern(Pen->LineStyle());
    std::optional<std::uint32_t> Off;
    if (D.S.BkMode == OPAQUE && !Pattern.empty()) Off = ColorRefToPixel(D.S.BkColor);
    Integer Phase = 0;
    for (std::size_t I = 0; I + 1 < Pts.size(); ++I)
      ThinSegment(Stroke, Pts[I], Pts[I + 1], Pattern, Phase, Color, Off);
  }
  Finish(Stroke);
  for (const TStrokePixel& Px : Stroke) {
    if (!T.Visible(Px.X, Px.Y)) continue;
    std::uint32_t& P = T.Surf->Scanline(Px.Y)[Px.X];
    std::uint32_t V = ApplyRop2(D.S.Rop2, T.Mono ? ToMono(Px.Color) : Px.Color, P);
    P = T.Mono ? ToMono(V) : V;
  }
  if (!Logging(T)) return;
  TDrawRecord Rec;
  Rec.Kind = TDrawKind::Line;
  Rec.Points = Pts;
  Rec.Rect = TRect{Pts[0].X, Pts[0].Y, Pts[0].X + 1, Pts[0].Y + 1};
  for (TPoint P : Pts) UnionRect(Rec.Rect, Rec.Rect, TRect{P.X, P.Y, P.X + 1, P.Y + 1});
  Rec.Color = Pen->Color;
  Rec.PenWidth = Width;
  Rec.PenStyle = Integer(Pen->Style);
  Rec.Rop = D.S.Rop2;
  Record(T, std::move(Rec));
}

}  // namespace

BOOL MoveToEx(HDC Dc, Integer X, Integer Y, TPoint* Old) {
  KV_DC_OR(FALSE);
  if (Old) *Old = D->S.PenPos;
  D->S.PenPos = {X, Y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC Dc, TPoint* Pos) {
  KV_DC_OR(FALSE);
  if (Pos) *Pos = D->S.PenPos;
  return TRUE;
}

BOOL LineTo(HDC Dc, Integer X, Integer Y) {
  KV_DC_OR(FALSE);
  StrokePolyline(*D, {D->S.PenPos, {X, Y}});
  D->S.PenPos = {X, Y};
  return TRUE;
}

BOOL Polyline(HDC Dc, const TPoint* Points, Integer Count) {
  KV_DC_OR(FALSE);
  if (!Points || Count < 2) return FALSE;
  StrokePolyline(*D, std::vector<TPoint>(Points, Points + Count));
  return TRUE;
}

BOOL PolyPolyline(HDC Dc, const TPoint* Points, const DWORD* Counts, DWORD PolyCount) {
  KV_DC_OR(FALSE);
  if (!Points || !Counts) return FALSE;
  std::size_t At = 0;
  for (DWORD I = 0; I < PolyCount; ++I) {
    if (Counts[I] < 2) return FALSE;
    StrokePolyline(*D, std::vector<TPoint>(Points + At, Points + At + Counts[I]));
    At += Counts[I];
  }
  return TRUE;
}

// [SECTION] Shapes

BOOL Rectangle(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  KV_DC_OR(FALSE);
  TRect Dev = ToDeviceRect(*D, TRect{Left, Top, Right, Bottom});
  TTarget T = MakeTarget(*D);
  bool NoPen = !D->S.Pen || D->S.Pen->LineStyle() == PS_NULL;
  // The outline lies inside the rectangle; without a pen the fill stops one
  // pixel short of the right and bottom edges, as the system's does.
  TRect Inner = Dev;
  if (NoPen) {
    Inner.Right -= 1;
    Inner.Bottom -= 1;
  } else {
    InflateRect(Inner, -1, -1);
  }
  if (!IsRectEmpty(Inner)) {
    PaintArea(*D, T, SurfaceArea(T, Inner), D->S.Brush, 0xF0, D->S.Rop2);
    if (D->S.Brush && D->S.Brush->Style != BS_NULL)
      RecordFill(T, TDrawKind::Fill, Inner, D->S.Brush);
  }
  if (!NoPen && Dev.Width() > 0 && Dev.Height() > 0) {
    // Stroke in device space: save the mapping, draw with identity.
    const auto SavedMapMode = D->S.MapMode;
    const TPoint SavedWindowOrg = D->S.WindowOrg, SavedViewportOrg = D->S.ViewportOrg;
    D->S.MapMode = MM_TEXT;
    D->S.WindowOrg = D->S.ViewportOrg = {};
    // A wide pen straddles its path; an inside-frame pen moves the path in so
    // that the whole width stays within the rectangle.
    TRect Path{Dev.Left, Dev.Top, Dev.Right - 1, Dev.Bottom - 1};
    const TPenObj& Pen = *D->S.Pen;
    if (Pen.LineStyle() == PS_INSIDEFRAME && Pen.Width > 1) {
      Path = {Dev.Left + Pen.Width / 2, Dev.Top + Pen.Width / 2, Dev.Right - (Pen.Width + 1) / 2,
              Dev.Bottom - (Pen.Width + 1) / 2};
      Path.Right = std::max(Path.Right, Path.Left);
      Path.Bottom = std::max(Path.Bottom, Path.Top);
    }
    StrokePolyline(*D, {{Path.Left, Path.Top},
                        {Path.Right, Path.Top},
                        {Path.Right, Path.Bottom},
                        {Path.Left, Path.Bottom},
                        {Path.Left, Path.Top}});
    D->S.MapMode = SavedMapMode;
    D->S.WindowOrg = SavedWindowOrg;
    D->S.ViewportOrg = SavedViewportOrg;
  }
  return TRUE;
}

BOOL Polygon(HDC Dc, const TPoint* Points, Integer Count) {
  KV_DC_OR(FALSE);
  if (!Points || Count < 2) return FALSE;
  TTarget T = MakeTarget(*D);
  std::vector<TPoint> Surf;
  for (Integer I = 0; I < Count; ++I) {
    TPoint P = ToDevice(*D, Points[I]);
    Surf.push_back({P.X + T.Origin.X, P.Y + T.Origin.Y});
  }
  TRegion Area = TRegion::FromPolygon(Surf, D->S.PolyFillMode);
  PaintArea(*D, T, Area, D->S.Brush, 0xF0, D->S.Rop2);
  if (!Area.IsEmpty() && D->S.Brush && D->S.Brush->Style != BS_NULL) {
    TDrawRecord Rec;
    Rec.Kind = TDrawKind::Fill;
    Rec.Rect = Area.Box();
    Rec.Color = D->S.Brush->Color;
    Rec.Points = Surf;
    Record(T, std::move(Rec));
  }
  std::vector<TPoint> Closed(Points, Points + Count);
  Closed.push_back(Points[0]);
  StrokePolyline(*D, Closed);
  return TRUE;
}

COLORREF GetPixel(HDC Dc, Integer X, Integer Y) {
  KV_DC_OR(CLR_INVALID);
  TTarget T = MakeTarget(*D);
  TPoint P = ToDevice(*D, {X, Y});
  P.X += T.Origin.X;
  P.Y += T.Origin.Y;
  if (!T.Valid() || !T.Visible(P.X, P.Y)) return CLR_INVALID;
  return T.Surf->GetPixel(P.X, P.Y);
}

COLORREF SetPixel(HDC Dc, Integer X, Integer Y, COLORREF Color) {
  KV_DC_OR(CLR_INVALID);
  TTarget T = MakeTarget(*D);
  TPoint P = ToDevice(*D, {X, Y});
  P.X += T.Origin.X;
  P.Y += T.Origin.Y;
  if (!T.Valid() || !T.Visible(P.X, P.Y)) return CLR_INVALID;
  std::uint32_t V = ColorRefToPixel(Color & 0xFFFFFF);
  if (T.Mono) V = ToMono(V);
  T.Surf->Scanline(P.Y)[P.X] = V;
  return PixelToColorRef(V);
}

// [SECTION] Blits

namespace {

bool UsesSource(Integer Rop3) { return ((Rop3 >> 2) & 0x33) != (Rop3 & 0x33); }
bool UsesPattern(Integer Rop3) { return ((Rop3 >> 4) & 0x0F) != (Rop3 & 0x0F); }

struct TBlitSource {
  const TDeviceContext* Dc = nullptr;
  TSurface Pixels{0, 0};  // a copy of the source box, so overlapping blits act like memmove
  TRect Box;              // surface coordinates of Pixels
  TPoint A, B;            // source corners in surface coordinates
  bool Mono = false;
};

// The source's drawing log entries that a blit carries to the destination,
// moved by the blit's offset and cut to the destination rectangle.
std::vector<TDrawRecord> CarriedRecords(const TSurface& Src, const TRect& SrcRect, TPoint Shift,
                                        const TRect& DestRect) {
  std::vector<TDrawRecord> Moved;
  for (const TDrawRecord& Rec : Src.Records()) {
    TRect Cut;
    if (!IntersectRect(Cut, Rec.Rect, SrcRect)) continue;
    TDrawRecord Copy = Rec;
    OffsetRect(Copy.Rect, Shift.X, Shift.Y);
    for (TPoint& P : Copy.Points) P = {P.X + Shift.X, P.Y + Shift.Y};
    if (!IntersectRect(Cut, Copy.Rect, DestRect)) continue;
    Copy.Rect = Cut;
    Moved.push_back(std::move(Copy));
  }
  return Moved;
}

// The fast path of a same-size, unmirrored SRCCOPY between targets of one
// format: the source pixel of (X, Y) is the one at the same offset from the
// source's corner, as the general code's sampling finds it.
void CopyUpright(const TTarget& T, const TBlitSource& Src, TPoint DA, const TRegion& Area) {
  const Integer ShiftX = Src.A.X - DA.X, ShiftY = Src.A.Y - DA.Y;  // source = dest + shift
  for (const TRect& R : Area.Rects()) {
    const Integer L = std::max(R.Left, Src.Box.Left - ShiftX);
    const Integer H = std::min(R.Right, Src.Box.Right - ShiftX);
    if (L >= H) continue;
    for (Integer Y = std::max(R.Top, Src.Box.Top - ShiftY);
         Y < std::min(R.Bottom, Src.Box.Bottom - ShiftY); ++Y) {
      const std::uint32_t* From =
          Src.Pixels.Scanline(Y + ShiftY - Src.Box.Top) + (L + ShiftX - Src.Box.Left);
      std::uint32_t* To = T.Surf->Scanline(Y) + L;
      if (T.Mono)
        for (Integer I = 0; I < H - L; ++I) To[I] = ToMono(From[I]);
      else
        std::copy_n(From, H - L, To);
    }
  }
}

// The general per-pixel combination of pattern, source and destination,
// with stretching, mirroring, format changes and a mask.
void CombinePixels(const TDeviceContext& D, const TTarget& T, const TBlitSource& Src, TPoint DA,
                   TPoint DB, const TRect& Dest, const TRegion& Area, Integer Fore, Integer Back,
                   const TBitmapObj* Mask, TPoint MaskOrg) {
  for (const TRect& R : Area.Rects())
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X) {
        Integer Code = Fore;
        if (Mask) {
          Integer MX = MaskOrg.X + (X - Dest.Left), MY = MaskOrg.Y + (Y - Dest.Top);
          bool Set = MX >= 0 && MY >= 0 && MX < Mask->Surface.Width() &&
                     MY < Mask->Surface.Height() && Mask->Surface.Scanline(MY)[MX] != 0;
          Code = Set ? Fore : Back;
        }
        std::uint32_t SrcPx = 0;
        if (UsesSource(Code)) {
          double FX = (X + 0.5 - DA.X) / double(DB.X - DA.X),
                 FY = (Y + 0.5 - DA.Y) / double(DB.Y - DA.Y);
          Integer SX = Integer(std::floor(Src.A.X + FX * (Src.B.X - Src.A.X)));
          Integer SY = Integer(std::floor(Src.A.Y + FY * (Src.B.Y - Src.A.Y)));
          if (!PtInRect(Src.Box, {SX, SY})) continue;
          SrcPx = Src.Pixels.Scanline(SY - Src.Box.Top)[SX - Src.Box.Left];
          if (Src.Mono && !T.Mono)
            SrcPx = ColorRefToPixel(SrcPx ? D.S.BkColor : D.S.TextColor);
          else if (!Src.Mono && T.Mono)
            SrcPx = SrcPx == ColorRefToPixel(Src.Dc->S.BkColor) ? 0xFFFFFF : 0;
        }
        std::uint32_t PatPx = 0;
        if (UsesPattern(Code)) {
          auto P = BrushPixel(D, D.S.Brush, X - T.Origin.X, Y - T.Origin.Y);
          if (!P) continue;
          PatPx = T.Mono ? ToMono(*P) : *P;
        }
        std::uint32_t& Px = T.Surf->Scanline(Y)[X];
        std::uint32_t V = ApplyRop3(Code, PatPx, SrcPx, Px);
        Px = T.Mono ? ToMono(V) : V;
      }
}

// [Phase 1] map both rectangles to surfaces, [Phase 2] copy the source box,
// [Phase 3] copy or combine the pixels, [Phase 4] log.
BOOL Blit(TDeviceContext& D, TRect DestL, TDeviceContext* S, TRect SrcL, DWORD Rop,
          const TBitmapObj* Mask, TPoint MaskOrg) {
  Integer Fore = Integer((Rop >> 16) & 0xFF), Back = Integer((Rop >> 24) & 0xFF);
  if (!Mask) Back = Fore;
  bool NeedSrc = UsesSource(Fore) || UsesSource(Back);
  if (NeedSrc && !S) return FALSE;
  TTarget T = MakeTarget(D);
  if (!T.Valid()) return FALSE;
  // [Phase 1]
  TPoint DA = ToDevice(D, DestL.TopLeft()), DB = ToDevice(D, DestL.BottomRight());
  DA = {DA.X + T.Origin.X, DA.Y + T.Origin.Y};
  DB = {DB.X + T.Origin.X, DB.Y + T.Origin.Y};
  TRect Dest{std::min(DA.X, DB.X), std::min(DA.Y, DB.Y), std::max(DA.X, DB.X),
             std::max(DA.Y, DB.Y)};
  if (IsRectEmpty(Dest)) return TRUE;
  TBlitSource Src;
  if (NeedSrc) {
    TSurface* SS = S->Target();
    if (!SS) return FALSE;
    Src.Dc = S;
    Src.Mono = S->Mono();
    TPoint SA = ToDevice(*S, SrcL.TopLeft()), SB = ToDevice(*S, SrcL.BottomRight());
    Src.A = {SA.X + S->Origin.X, SA.Y + S->Origin.Y};
    Src.B = {SB.X + S->Origin.X, SB.Y + S->Origin.Y};
    // [Phase 2]
    TRect Want{std::min(Src.A.X, Src.B.X), std::min(Src.A.Y, Src.B.Y), std::max(Src.A.X, Src.B.X),
               std::max(Src.A.Y, Src.B.Y)};
    IntersectRect(Src.Box, Want, TRect{0, 0, SS->Width(), SS->Height()});
    Src.Pixels = TSurface(Src.Box.Width(), Src.Box.Height());
    Src.Pixels.SetRecording(false);
    for (Integer Y = 0; Y < Src.Box.Height(); ++Y)
      std::copy_n(SS->Scanline(Src.Box.Top + Y) + Src.Box.Left, Src.Box.Width(),
                  Src.Pixels.Scanline(Y));
  }
  // [Phase 3]
  TRegion Area = T.Clip.Intersected(Dest);
  const bool Upright = DA.X < DB.X && DA.Y < DB.Y && Src.A.X < Src.B.X && Src.A.Y < Src.B.Y;
  if (GetRasterFastPaths() && !Mask && Fore == 0xCC && NeedSrc && Src.Mono == T.Mono && Upright &&
      Src.B.X - Src.A.X == Dest.Width() && Src.B.Y - Src.A.Y == Dest.Height())
    CopyUpright(T, Src, DA, Area);
  else
    CombinePixels(D, T, Src, DA, DB, Dest, Area, Fore, Back, Mask, MaskOrg);
  // [Phase 4]
  std::vector<TDrawRecord> Carried;
  if (NeedSrc && Src.Box.Width() > 0) {
    bool SameSize =
        std::abs(Src.B.X - Src.A.X) == Dest.Width() && std::abs(Src.B.Y - Src.A.Y) == Dest.Height();
    TSurface* SS = S->Target();
    if (SameSize && SS->GetRecording() && T.Surf->GetRecording())
      Carried = CarriedRecords(
          *SS, Src.Box,
          {Dest.Left - std::min(Src.A.X, Src.B.X), Dest.Top - std::min(Src.A.Y, Src.B.Y)},
          T.Clip.Intersected(Dest).Box());
  }
  bool Opaque = Fore == 0xCC || Fore == 0x00 || Fore == 0xFF ||
                (Fore == 0xF0 && D.S.Brush && D.S.Brush->Style == BS_SOLID);
  if (!Mask && Opaque) Overpaint(T, Dest);
  TDrawRecord Rec;
  Rec.Rect = Dest;
  Rec.Rop = Integer(Rop);
  Rec.Kind = NeedSrc                          ? TDrawKind::Bitmap
             : (Fore == 0x55 || Fore == 0x5A) ? TDrawKind::Invert
                                              : TDrawKind::Fill;
  if (!NeedSrc && D.S.Brush)
    Rec.Color = Fore == 0x00 ? 0 : Fore == 0xFF ? 0xFFFFFF : D.S.Brush->Color;
  Record(T, std::move(Rec));
  for (TDrawRecord& C : Carried) Record(T, std::move(C));
  return TRUE;
}

}  // namespace

BOOL PatBlt(HDC Dc, Integer X, Integer Y, Integer Width, Integer Height, DWORD Rop) {
  KV_DC_OR(FALSE);
  if (UsesSource(Integer((Rop >> 16) & 0xFF))) return FALSE;
  return Blit(*D, TRect{X, Y, X + Width, Y + Height}, nullptr, {}, Rop, nullptr, {});
}

BOOL BitBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src, Integer XSrc,
            Integer YSrc, DWORD Rop) {
  TDeviceContext* D = LookupDC(Dest);
  if (!D) return FALSE;
  TDeviceContext* S = LookupDC(Src);
  if (Src && !S) return FALSE;
  // The source extent is the destination's, in the source's own mapping.
  TRect SrcL{XSrc, YSrc, XSrc + Width, YSrc + Height};
  if (S) {
    TPoint A = ToDevice(*D, {X, Y}), B = ToDevice(*D, {X + Width, Y + Height});
    TPoint SA = ToDevice(*S, {XSrc, YSrc});
    TPoint SB{SA.X + std::abs(B.X - A.X), SA.Y + std::abs(B.Y - A.Y)};
    TPoint LA = ToLogical(*S, SA), LB = ToLogical(*S, SB);
    SrcL = TRect{LA.X, LA.Y, LB.X, LB.Y};
    if ((B.X < A.X) != (LB.X < LA.X)) std::swap(SrcL.Left, SrcL.Right);
    if ((B.Y < A.Y) != (LB.Y < LA.Y)) std::swap(SrcL.Top, SrcL.Bottom);
  }
  return Blit(*D, TRect{X, Y, X + Width, Y + Height}, S, SrcL, Rop, nullptr, {});
}

BOOL StretchBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src,
                Integer XSrc, Integer YSrc, Integer WidthSrc, Integer HeightSrc, DWORD Rop) {
  TDeviceContext* D = LookupDC(Dest);
  if (!D) return FALSE;
  TDeviceContext* S = LookupDC(Src);
  if (Src && !S) return FALSE;
  // A negative extent runs back from the pixel at the origin, which is included.
  auto Span = [](Integer Start, Integer Len) {
    return Len < 0 ? std::pair{Start + 1, Start + 1 + Len} : std::pair{Start, Start + Len};
  };
  auto [DL, DR] = Span(X, Width);
  auto [DT, DB] = Span(Y, Height);
  auto [SL, SR] = Span(XSrc, WidthSrc);
  auto [ST, SB] = Span(YSrc, HeightSrc);
  return Blit(*D, TRect{DL, DT, DR, DB}, S, TRect{SL, ST, SR, SB}, Rop, nullptr, {});
}

BOOL MaskBlt(HDC Dest, Integer X, Integer Y, Integer Width, Integer Height, HDC Src, Integer XSrc,
             Integer YSrc, HBITMAP Mask, Integer XMask, Integer YMask, DWORD Rop) {
  TDeviceContext* D = LookupDC(Dest);
  if (!D) return FALSE;
  TDeviceContext* S = LookupDC(Src);
  if (Src && !S) return FALSE;
  const TBitmapObj* M = nullptr;
  if (Mask) {
    M = LookupAs<TBitmapObj>(Mask, TObjKind::Bitmap);
    if (!M || M->BitsPixel != 1) return FALSE;
  }
  return Blit(*D, TRect{X, Y, X + Width, Y + Height}, S,
              TRect{XSrc, YSrc, XSrc + Width, YSrc + Height}, Rop, M, {XMask, YMask});
}

#undef KV_DC_OR

}  // namespace kvp
