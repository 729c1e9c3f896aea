// Device contexts: creation on surfaces and as memory DCs, their state, save
// and restore, mapping modes, clipping and device capabilities, and the screen.
//
// Index
//   [SECTION] Creation
//   [SECTION] The screen
//   [SECTION] Simple state
//   [SECTION] Mapping modes
//   [SECTION] Clipping
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>
#include <utility>

#include "platform/graphics/Colors.h"
#include "platform/graphics/GdiImpl.h"
#include "platform/rtl/Exceptions.h"

namespace kvp {

using namespace gdi;

namespace {

std::unordered_set<TDeviceContext*>& LiveDCs() {
  static std::unordered_set<TDeviceContext*> Set;
  return Set;
}

Integer& DisplayDepth() {
  static Integer Depth = 32;
  return Depth;
}

// Rounds Num / Den half away from zero, as the system's coordinate mapping does.
Integer MulDivRound(Integer Value, Integer Num, Integer Den) {
  if (Den == 0) return Value;
  long long P = (long long)Value * Num;
  long long Q = P / Den, R = P % Den;
  if (2 * std::llabs(R) >= std::llabs((long long)Den)) Q += ((P < 0) != (Den < 0)) ? -1 : 1;
  return Integer(Q);
}

TDeviceContext* NewDC() {
  auto* Dc = new TDeviceContext();
  Dc->S.Pen = static_cast<TPenObj*>(GetStockObject(BLACK_PEN));
  Dc->S.Brush = static_cast<TBrushObj*>(GetStockObject(WHITE_BRUSH));
  Dc->S.Font = DefaultFont();
  LiveDCs().insert(Dc);
  return Dc;
}

// The whole drawing area in device coordinates: the surface seen from the DC.
TRect DeviceArea(const TDeviceContext& Dc) {
  TSurface* S = Dc.Target();
  TRect R = S ? TRect{0, 0, S->Width(), S->Height()} : TRect{};
  OffsetRect(R, -Dc.Origin.X, -Dc.Origin.Y);
  return R;
}

// The effective clip in device coordinates (application clip within visible).
TRegion DeviceClip(const TDeviceContext& Dc) {
  TTarget T = MakeTarget(Dc);
  TRegion R = T.Clip;
  R.Offset(-Dc.Origin.X, -Dc.Origin.Y);
  return R;
}

Integer ClipResult(const TDeviceContext& Dc) { return DeviceClip(Dc).Kind(); }

TRect NormalRect(Integer L, Integer T, Integer R, Integer B) {
  return {std::min(L, R), std::min(T, B), std::max(L, R), std::max(T, B)};
}

template <class T>
void Swap(T* Old, T& Field, T Value) {
  if (Old) *Old = Field;
  Field = Value;
}

}  // namespace

namespace gdi {

TDeviceContext* LookupDC(HDC Dc) {
  auto* P = reinterpret_cast<TDeviceContext*>(Dc);
  return P && LiveDCs().count(P) ? P : nullptr;
}

std::vector<TDeviceContext*> AllDCs() { return {LiveDCs().begin(), LiveDCs().end()}; }

TPoint ToDevice(const TDeviceContext& Dc, TPoint P) {
  const TDCState& S = Dc.S;
  if (S.MapMode == MM_TEXT)
    return {P.X - S.WindowOrg.X + S.ViewportOrg.X, P.Y - S.WindowOrg.Y + S.ViewportOrg.Y};
  return {MulDivRound(P.X - S.WindowOrg.X, S.ViewportExt.cx, S.WindowExt.cx) + S.ViewportOrg.X,
          MulDivRound(P.Y - S.WindowOrg.Y, S.ViewportExt.cy, S.WindowExt.cy) + S.ViewportOrg.Y};
}

TPoint ToLogical(const TDeviceContext& Dc, TPoint P) {
  const TDCState& S = Dc.S;
  if (S.MapMode == MM_TEXT)
    return {P.X - S.ViewportOrg.X + S.WindowOrg.X, P.Y - S.ViewportOrg.Y + S.WindowOrg.Y};
  return {MulDivRound(P.X - S.ViewportOrg.X, S.WindowExt.cx, S.ViewportExt.cx) + S.WindowOrg.X,
          MulDivRound(P.Y - S.ViewportOrg.Y, S.WindowExt.cy, S.ViewportExt.cy) + S.WindowOrg.Y};
}

TRect ToDeviceRect(const TDeviceContext& Dc, const TRect& R) {
  TPoint A = ToDevice(Dc, R.TopLeft()), B = ToDevice(Dc, R.BottomRight());
  return NormalRect(A.X, A.Y, B.X, B.Y);
}

Integer ScaleX(const TDeviceContext& Dc, Integer Len) {
  if (Dc.S.MapMode == MM_TEXT) return std::abs(Len);
  return std::abs(MulDivRound(Len, Dc.S.ViewportExt.cx, Dc.S.WindowExt.cx));
}

Integer ScaleY(const TDeviceContext& Dc, Integer Len) {
  if (Dc.S.MapMode == MM_TEXT) return std::abs(Len);
  return std::abs(MulDivRound(Len, Dc.S.ViewportExt.cy, Dc.S.WindowExt.cy));
}

TTarget MakeTarget(const TDeviceContext& Dc) {
  TTarget T;
  T.Surf = Dc.Target();
  if (!T.Surf) return T;
  T.Origin = Dc.Origin;
  T.Mono = Dc.Mono();
  TRect Whole{0, 0, T.Surf->Width(), T.Surf->Height()};
  T.Clip = Dc.Visible ? Dc.Visible->Intersected(Whole) : TRegion(Whole);
  if (Dc.S.Clip) {
    TRegion C = *Dc.S.Clip;
    C.Offset(Dc.Origin.X, Dc.Origin.Y);
    T.Clip = TRegion::Combine(T.Clip, C, RGN_AND);
  }
  return T;
}

}  // namespace gdi

// [SECTION] Creation

HDC CreateSurfaceDC(TSurface* Surface, TPoint Origin, HRGN VisibleRegion) {
  if (!Surface) return nullptr;
  TDeviceContext* Dc = NewDC();
  Dc->Surface = Surface;
  Dc->Origin = Origin;
  if (const TRegion* V = GetRegionData(VisibleRegion)) Dc->Visible = *V;
  return reinterpret_cast<HDC>(Dc);
}

HDC CreateCompatibleDC(HDC) {
  TDeviceContext* Dc = NewDC();
  Dc->Memory = true;
  Dc->S.Bitmap = DefaultBitmap();
  return reinterpret_cast<HDC>(Dc);
}

BOOL DeleteDC(HDC Dc) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return FALSE;
  LiveDCs().erase(D);
  delete D;
  return TRUE;
}

Integer GetLiveDCCount() { return Integer(LiveDCs().size()); }

TSurface* GetDCSurface(HDC Dc) {
  TDeviceContext* D = LookupDC(Dc);
  return D ? D->Target() : nullptr;
}

TPoint GetDCOrigin(HDC Dc) {
  TDeviceContext* D = LookupDC(Dc);
  return D ? D->Origin : TPoint{};
}

Integer SaveDC(HDC Dc) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return 0;
  D->Saved.push_back(D->S);
  return Integer(D->Saved.size());
}

BOOL RestoreDC(HDC Dc, Integer SavedDC) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return FALSE;
  Integer Level = SavedDC < 0 ? Integer(D->Saved.size()) + SavedDC + 1 : SavedDC;
  if (Level < 1 || Level > Integer(D->Saved.size())) return FALSE;
  D->S = D->Saved[std::size_t(Level - 1)];
  D->Saved.resize(std::size_t(Level - 1));
  return TRUE;
}

// [SECTION] The screen

namespace {

// The primary monitor of the window system. Its pixels (5 MB at 1280 x 1024)
// are made when something first draws on the screen, not when a DC on it is
// only asked about the display, as most screen DCs are.
TSize& ScreenSize() {
  static TSize Size{1280, 1024};
  return Size;
}

std::unique_ptr<TSurface>& ScreenPixels() {
  static std::unique_ptr<TSurface> Screen;
  return Screen;
}

}  // namespace

TSurface* ScreenSurface() {
  std::unique_ptr<TSurface>& Screen = ScreenPixels();
  if (!Screen) Screen = std::make_unique<TSurface>(ScreenSize().cx, ScreenSize().cy);
  return Screen.get();
}

void SetScreenSize(Integer Width, Integer Height) {
  TSurface* Screen = ScreenSurface();
  Screen->Resize(Width, Height);
  ScreenSize() = {Screen->Width(), Screen->Height()};
}

Integer GetDisplayColorDepth() { return DisplayDepth(); }

void SetDisplayColorDepth(Integer BitsPerPixel) {
  if (BitsPerPixel != 1 && BitsPerPixel != 4 && BitsPerPixel != 8 && BitsPerPixel != 16 &&
      BitsPerPixel != 24 && BitsPerPixel != 32)
    throw EInvalidArgument("Invalid display colour depth: " + std::to_string(BitsPerPixel));
  DisplayDepth() = BitsPerPixel;
}

HDC CreateScreenDC() {
  TDeviceContext* Dc = NewDC();
  Dc->Screen = true;
  return reinterpret_cast<HDC>(Dc);
}

Integer GetDeviceCaps(HDC Dc, Integer Index) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return 0;
  Integer Depth = DisplayDepth();
  const TSize Screen = ScreenSize();
  switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case BITSPIXEL:
      return D->Mono() ? 1 : Depth;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return Depth > 8 ? -1 : Depth == 8 ? 20 : Depth == 4 ? 16 : 2;
    case SIZEPALETTE:
      return Depth == 8 ? 256 : 0;
    case NUMRESERVED:
      return Depth == 8 ? 20 : 0;
    case COLORRES:
      return Depth == 8 ? 18 : 0;
    case HORZRES:
      return Screen.cx;
    case VERTRES:
      return Screen.cy;
    case HORZSIZE:
      return Integer(std::lround(Screen.cx * 25.4 / 96));
    case VERTSIZE:
      return Integer(std::lround(Screen.cy * 25.4 / 96));
    case RASTERCAPS:
      return RC_BITBLT | RC_STRETCHBLT | (Depth == 8 ? RC_PALETTE : 0);
    case NUMBRUSHES:
    case NUMPENS:
    case NUMFONTS:
      return -1;
    default:
      return 0;
  }
}

COLORREF GetNearestColor(HDC Dc, COLORREF Color) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D) return CLR_INVALID;
  if (D->Mono()) return ToMono(ColorRefToPixel(Color)) ? RGB(255, 255, 255) : RGB(0, 0, 0);
  return NearestDisplayColor(Color & 0xFFFFFF, DisplayDepth());
}

// [SECTION] Simple state

#define KV_DC_OR(Fail)              \
  TDeviceContext* D = LookupDC(Dc); \
  if (!D) return Fail

COLORREF SetTextColor(HDC Dc, COLORREF Color) {
  KV_DC_OR(CLR_INVALID);
  return std::exchange(D->S.TextColor, Color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC Dc) {
  KV_DC_OR(CLR_INVALID);
  return D->S.TextColor;
}
COLORREF SetBkColor(HDC Dc, COLORREF Color) {
  KV_DC_OR(CLR_INVALID);
  return std::exchange(D->S.BkColor, Color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC Dc) {
  KV_DC_OR(CLR_INVALID);
  return D->S.BkColor;
}
Integer SetBkMode(HDC Dc, Integer Mode) {
  KV_DC_OR(0);
  if (Mode != TRANSPARENT && Mode != OPAQUE) return 0;
  return std::exchange(D->S.BkMode, Mode);
}
Integer GetBkMode(HDC Dc) {
  KV_DC_OR(0);
  return D->S.BkMode;
}
Integer SetROP2(HDC Dc, Integer Mode) {
  KV_DC_OR(0);
  if (Mode < R2_BLACK || Mode > R2_WHITE) return 0;
  return std::exchange(D->S.Rop2, Mode);
}
Integer GetROP2(HDC Dc) {
  KV_DC_OR(0);
  return D->S.Rop2;
}
UINT SetTextAlign(HDC Dc, UINT Align) {
  KV_DC_OR(0xFFFFFFFF);
  return std::exchange(D->S.TextAlign, Align);
}
UINT GetTextAlign(HDC Dc) {
  KV_DC_OR(0xFFFFFFFF);
  return D->S.TextAlign;
}
Integer SetStretchBltMode(HDC Dc, Integer Mode) {
  KV_DC_OR(0);
  if (Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
  return std::exchange(D->S.StretchMode, Mode);
}
Integer GetStretchBltMode(HDC Dc) {
  KV_DC_OR(0);
  return D->S.StretchMode;
}
Integer SetPolyFillMode(HDC Dc, Integer Mode) {
  KV_DC_OR(0);
  if (Mode != ALTERNATE && Mode != WINDING) return 0;
  return std::exchange(D->S.PolyFillMode, Mode);
}
Integer GetPolyFillMode(HDC Dc) {
  KV_DC_OR(0);
  return D->S.PolyFillMode;
}
BOOL SetBrushOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old) {
  KV_DC_OR(FALSE);
  Swap(Old, D->S.BrushOrg, TPoint{X, Y});
  return TRUE;
}
BOOL GetBrushOrgEx(HDC Dc, TPoint* Org) {
  KV_DC_OR(FALSE);
  if (Org) *Org = D->S.BrushOrg;
  return TRUE;
}

// [SECTION] Mapping modes

Integer SetMapMode(HDC Dc, Integer Mode) {
  KV_DC_OR(0);
  if (Mode != MM_TEXT && Mode != MM_ANISOTROPIC && Mode != MM_ISOTROPIC) return 0;
  Integer Old = D->S.MapMode;
  D->S.MapMode = Mode;
  if (Mode == MM_TEXT) {
    D->S.WindowExt = {1, 1};
    D->S.ViewportExt = {1, 1};
  }
  return Old;
}
Integer GetMapMode(HDC Dc) {
  KV_DC_OR(0);
  return D->S.MapMode;
}
BOOL SetWindowOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old) {
  KV_DC_OR(FALSE);
  Swap(Old, D->S.WindowOrg, TPoint{X, Y});
  return TRUE;
}
BOOL GetWindowOrgEx(HDC Dc, TPoint* Org) {
  KV_DC_OR(FALSE);
  if (Org) *Org = D->S.WindowOrg;
  return TRUE;
}
BOOL OffsetWindowOrgEx(HDC Dc, Integer DX, Integer DY, TPoint* Old) {
  KV_DC_OR(FALSE);
  Swap(Old, D->S.WindowOrg, TPoint{D->S.WindowOrg.X + DX, D->S.WindowOrg.Y + DY});
  return TRUE;
}
BOOL SetViewportOrgEx(HDC Dc, Integer X, Integer Y, TPoint* Old) {
  KV_DC_OR(FALSE);
  Swap(Old, D->S.ViewportOrg, TPoint{X, Y});
  return TRUE;
}
BOOL GetViewportOrgEx(HDC Dc, TPoint* Org) {
  KV_DC_OR(FALSE);
  if (Org) *Org = D->S.ViewportOrg;
  return TRUE;
}
BOOL OffsetViewportOrgEx(HDC Dc, Integer DX, Integer DY, TPoint* Old) {
  KV_DC_OR(FALSE);
  Swap(Old, D->S.ViewportOrg, TPoint{D->S.ViewportOrg.X + DX, D->S.ViewportOrg.Y + DY});
  return TRUE;
}
// Extents apply in the scalable modes only; MM_TEXT keeps them at 1:1.
BOOL SetWindowExtEx(HDC Dc, Integer X, Integer Y, TSize* Old) {
  KV_DC_OR(FALSE);
  if (Old) *Old = D->S.WindowExt;
  if (D->S.MapMode == MM_TEXT) return TRUE;
  if (X == 0 || Y == 0) return FALSE;
  D->S.WindowExt = {X, Y};
  return TRUE;
}
BOOL GetWindowExtEx(HDC Dc, TSize* Ext) {
  KV_DC_OR(FALSE);
  if (Ext) *Ext = D->S.WindowExt;
  return TRUE;
}
BOOL SetViewportExtEx(HDC Dc, Integer X, Integer Y, TSize* Old) {
  KV_DC_OR(FALSE);
  if (Old) *Old = D->S.ViewportExt;
  if (D->S.MapMode == MM_TEXT) return TRUE;
  if (X == 0 || Y == 0) return FALSE;
  D->S.ViewportExt = {X, Y};
  return TRUE;
}
BOOL GetViewportExtEx(HDC Dc, TSize* Ext) {
  KV_DC_OR(FALSE);
  if (Ext) *Ext = D->S.ViewportExt;
  return TRUE;
}
BOOL LPtoDP(HDC Dc, TPoint* Points, Integer Count) {
  KV_DC_OR(FALSE);
  for (Integer I = 0; Points && I < Count; ++I) Points[I] = ToDevice(*D, Points[I]);
  return TRUE;
}
BOOL DPtoLP(HDC Dc, TPoint* Points, Integer Count) {
  KV_DC_OR(FALSE);
  for (Integer I = 0; Points && I < Count; ++I) Points[I] = ToLogical(*D, Points[I]);
  return TRUE;
}

// [SECTION] Clipping

Integer ExtSelectClipRgn(HDC Dc, HRGN Rgn, Integer Mode) {
  KV_DC_OR(ERROR_REGION);
  const TRegion* R = GetRegionData(Rgn);
  if (!R) {
    if (Mode != RGN_COPY) return ERROR_REGION;
    D->S.Clip.reset();
    return ClipResult(*D);
  }
  if (Mode < RGN_AND || Mode > RGN_COPY) return ERROR_REGION;
  TRegion Current = D->S.Clip ? *D->S.Clip : TRegion(DeviceArea(*D));
  D->S.Clip = Mode == RGN_COPY ? *R : TRegion::Combine(Current, *R, Mode);
  return ClipResult(*D);
}

Integer SelectClipRgn(HDC Dc, HRGN Rgn) { return ExtSelectClipRgn(Dc, Rgn, RGN_COPY); }

Integer IntersectClipRect(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  KV_DC_OR(ERROR_REGION);
  TRect R = ToDeviceRect(*D, TRect{Left, Top, Right, Bottom});
  TRegion Current = D->S.Clip ? *D->S.Clip : TRegion(DeviceArea(*D));
  D->S.Clip = Current.Intersected(R);
  return ClipResult(*D);
}

Integer ExcludeClipRect(HDC Dc, Integer Left, Integer Top, Integer Right, Integer Bottom) {
  KV_DC_OR(ERROR_REGION);
  TRect R = ToDeviceRect(*D, TRect{Left, Top, Right, Bottom});
  TRegion Current = D->S.Clip ? *D->S.Clip : TRegion(DeviceArea(*D));
  D->S.Clip = TRegion::Combine(Current, TRegion(R), RGN_DIFF);
  return ClipResult(*D);
}

Integer OffsetClipRgn(HDC Dc, Integer DX, Integer DY) {
  KV_DC_OR(ERROR_REGION);
  if (D->S.Clip)
    D->S.Clip->Offset(ScaleX(*D, DX) * (DX < 0 ? -1 : 1), ScaleY(*D, DY) * (DY < 0 ? -1 : 1));
  return ClipResult(*D);
}

Integer GetClipRgn(HDC Dc, HRGN Rgn) {
  KV_DC_OR(-1);
  if (!GetRegionData(Rgn)) return -1;
  if (!D->S.Clip) return 0;
  HRGN Tmp = CreateRegionFrom(*D->S.Clip);
  CombineRgn(Rgn, Tmp, nullptr, RGN_COPY);
  DeleteObject(Tmp);
  return 1;
}

Integer GetClipBox(HDC Dc, TRect* R) {
  KV_DC_OR(ERROR_REGION);
  TRegion Clip = DeviceClip(*D);
  if (R) {
    TRect Box = Clip.Box();
    TPoint A = ToLogical(*D, Box.TopLeft()), B = ToLogical(*D, Box.BottomRight());
    *R = Clip.IsEmpty() ? TRect{} : NormalRect(A.X, A.Y, B.X, B.Y);
  }
  return Clip.Kind();
}

BOOL RectVisible(HDC Dc, const TRect* R) {
  KV_DC_OR(FALSE);
  if (!R) return FALSE;
  return DeviceClip(*D).Intersects(ToDeviceRect(*D, *R)) ? TRUE : FALSE;
}

BOOL PtVisible(HDC Dc, Integer X, Integer Y) {
  KV_DC_OR(FALSE);
  return DeviceClip(*D).Contains(ToDevice(*D, {X, Y})) ? TRUE : FALSE;
}

#undef KV_DC_OR

}  // namespace kvp
