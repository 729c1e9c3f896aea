// What the drawing calls answer, against a reference listing: font metrics
// and character widths, extents of parts of a text, measured empty texts,
// refused state values, device capabilities at each colour depth, nearest
// colours, what GetObject describes, what selecting and deleting answer,
// region kinds and hit tests at their edges, clip boxes through offsets and
// mappings, adjusted edge and frame-control rectangles, colour conversions,
// image list strips, and fonts carried across resolutions. Callers build on
// these numbers; a change that is meant is checked against the listing the
// failure prints, then copied in.
#include <gtest/gtest.h>

#include <sstream>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/ImageList.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using namespace kvp::test;

namespace {

std::ostream& operator<<(std::ostream& O, const TRect& R) {
  return O << "[" << R.Left << "," << R.Top << "," << R.Right << "," << R.Bottom << "]";
}

// [Phase 1] Fonts: metrics, widths, extents, measuring.
void Fonts(std::ostream& Out) {
  TPaintBox Box(200, 100);
  struct {
    const char* Face;
    Integer Height, Weight;
    bool Italic;
  } Fonts[] = {{"MS Sans Serif", -11, FW_NORMAL, false},
               {"Arial", -13, FW_BOLD, false},
               {"Tahoma", 16, FW_NORMAL, true},
               {"Courier New", -12, FW_NORMAL, false},
               {"Times New Roman", -20, FW_SEMIBOLD, true}};
  for (const auto& F : Fonts) {
    Box.UseFont(CreateFont(F.Height, 0, 0, 0, F.Weight, F.Italic, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           F.Face));
    TEXTMETRIC M;
    GetTextMetrics(Box.Dc, &M);
    OUTLINETEXTMETRIC O;
    GetOutlineTextMetrics(Box.Dc, sizeof(O), &O);
    Out << F.Face << " " << F.Height << ": h" << M.tmHeight << " a" << M.tmAscent << " d"
        << M.tmDescent << " il" << M.tmInternalLeading << " el" << M.tmExternalLeading << " ave"
        << M.tmAveCharWidth << " max" << M.tmMaxCharWidth << " w" << M.tmWeight << " i"
        << int(M.tmItalic) << " pf" << int(M.tmPitchAndFamily) << " us" << O.otmsUnderscorePosition
        << "/" << O.otmsUnderscoreSize << " so" << O.otmsStrikeoutPosition << "/"
        << O.otmsStrikeoutSize << " ia" << O.otmItalicAngle << "\n  widths";
    Integer W[95];
    GetCharWidth32(Box.Dc, 32, 126, W);
    for (Integer X : W) Out << " " << X;
    TSize S;
    GetTextExtentPoint32(Box.Dc, "Korvel grid", 6, &S);
    Out << "\n  extent of 6: " << S.cx << "x" << S.cy;
    Integer Fit = 0, Dx[8];
    GetTextExtentExPoint(Box.Dc, "Totals:", -1, 25, &Fit, Dx, &S);
    Out << "; fit 25: " << Fit << " dx";
    for (Integer I = 0; I < 7; ++I) Out << " " << Dx[I];
    Out << "\n";
  }
  Box.UseFont("MS Sans Serif", -11);
  for (auto [Text, Format] :
       {std::pair{"", UINT(DT_CALCRECT)}, std::pair{"", UINT(DT_CALCRECT | DT_SINGLELINE)},
        std::pair{"A&", UINT(DT_CALCRECT | DT_SINGLELINE)},
        std::pair{"a\tb", UINT(DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS)},
        std::pair{"x\ny\n", UINT(DT_CALCRECT)}}) {
    TRect R{10, 10, 100, 10};
    const Integer H = DrawText(Box.Dc, Text, -1, &R, Format);
    Out << "measure '" << Text << "' 0x" << std::hex << Format << std::dec << ": " << H << " " << R
        << "\n";
  }
}

// [Phase 2] State calls with good and refused values.
void States(std::ostream& Out) {
  TPaintBox Box(10, 10);
  HDC Dc = Box.Dc;
  Out << "bkmode " << SetBkMode(Dc, TRANSPARENT) << " " << SetBkMode(Dc, 5) << " " << GetBkMode(Dc)
      << "\n";
  Out << "rop2 " << SetROP2(Dc, R2_XORPEN) << " " << SetROP2(Dc, 0) << " " << SetROP2(Dc, 17) << " "
      << GetROP2(Dc) << "\n";
  Out << "stretch " << SetStretchBltMode(Dc, HALFTONE) << " " << SetStretchBltMode(Dc, 9) << " "
      << GetStretchBltMode(Dc) << "\n";
  Out << "polyfill " << SetPolyFillMode(Dc, WINDING) << " " << SetPolyFillMode(Dc, 3) << " "
      << GetPolyFillMode(Dc) << "\n";
  Out << "mapmode " << SetMapMode(Dc, MM_ANISOTROPIC) << " " << SetMapMode(Dc, 7) << " "
      << GetMapMode(Dc) << " ext " << SetWindowExtEx(Dc, 0, 3, nullptr) << "\n";
  Out << "text colour " << SetTextColor(Dc, 0x12345678) << " " << GetTextColor(Dc) << "\n";
}

// [Phase 3] Device capabilities and nearest colours at each depth.
void Depths(std::ostream& Out) {
  const Integer Old = GetDisplayColorDepth();
  HDC Dc = CreateScreenDC();
  for (Integer Depth : {1, 4, 8, 16, 24, 32}) {
    SetDisplayColorDepth(Depth);
    Out << "depth " << Depth << ":";
    for (Integer Cap : {BITSPIXEL, PLANES, NUMCOLORS, SIZEPALETTE, NUMRESERVED, COLORRES,
                        RASTERCAPS, LOGPIXELSX, LOGPIXELSY, HORZRES, VERTRES, HORZSIZE, VERTSIZE})
      Out << " " << GetDeviceCaps(Dc, Cap);
    if (Depth < 8) {
      Out << "\n";
      continue;
    }
    Out << " near";
    for (COLORREF C : {RGB(12, 34, 56), RGB(200, 100, 50), RGB(255, 254, 253), RGB(127, 128, 129)})
      Out << " " << std::hex << GetNearestColor(Dc, C) << std::dec;
    Out << "\n";
  }
  SetDisplayColorDepth(Old);
  DeleteDC(Dc);
}

// [Phase 4] Objects: descriptions, selection and deletion.
void Objects(std::ostream& Out) {
  HPEN Pen = CreatePen(PS_DASH, 3, RGB(1, 2, 3));
  HPEN Zero = CreatePen(PS_DOT, 0, RGB(4, 5, 6));
  LOGPEN LP;
  GetObject(Pen, &LP);
  Out << "pen " << LP.lopnStyle << " " << LP.lopnWidth.X << " " << LP.lopnColor;
  GetObject(Zero, &LP);
  Out << " / " << LP.lopnStyle << " " << LP.lopnWidth.X << "\n";
  HBRUSH Hatch = CreateHatchBrush(HS_CROSS, RGB(7, 8, 9));
  LOGBRUSH LB;
  GetObject(Hatch, &LB);
  Out << "brush " << LB.lbStyle << " " << LB.lbColor << " " << LB.lbHatch << " bad "
      << (CreateHatchBrush(6, 0) == nullptr) << "\n";
  for (auto [W, Bits] : {std::pair{1, 1}, std::pair{17, 1}, std::pair{33, 1}, std::pair{5, 32}}) {
    HBITMAP B = CreateBitmap(W, 3, 1, UINT(Bits), nullptr);
    BITMAP BM;
    GetObject(B, &BM);
    Out << "bitmap " << BM.bmWidth << "x" << BM.bmHeight << " " << BM.bmBitsPixel << " bytes "
        << BM.bmWidthBytes << "\n";
    DeleteObject(B);
  }
  HDC A = CreateCompatibleDC(nullptr), B = CreateCompatibleDC(nullptr);
  HBITMAP Bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ OldA = SelectObject(A, Bmp);
  Out << "select bitmap again elsewhere " << (SelectObject(B, Bmp) == nullptr)
      << " delete selected " << DeleteObject(Bmp);
  HRGN Rgn = CreateRectRgn(0, 0, 2, 2);
  Out << " select region " << std::intptr_t(SelectObject(A, Rgn));
  SelectObject(A, OldA);
  Out << " delete " << DeleteObject(Bmp) << " again " << DeleteObject(Bmp) << " stock "
      << DeleteObject(GetStockObject(BLACK_PEN)) << "\n";
  DeleteObject(Rgn);
  DeleteDC(A);
  DeleteDC(B);
  DeleteObject(Pen);
  DeleteObject(Zero);
  DeleteObject(Hatch);
}

// [Phase 5] Regions, clips and mappings at their edges.
void Regions(std::ostream& Out) {
  HRGN R = CreateRectRgn(10, 10, 20, 20);
  const TRect Touch{20, 10, 30, 20}, Corner{19, 19, 25, 25}, Empty{12, 12, 12, 15};
  Out << "region pt " << PtInRegion(R, 10, 10) << PtInRegion(R, 19, 19) << PtInRegion(R, 20, 15)
      << " rect " << RectInRegion(R, &Touch) << RectInRegion(R, &Corner) << RectInRegion(R, &Empty);
  HRGN Other = CreateRectRgn(20, 10, 30, 20);
  HRGN Dest = CreateRectRgn(0, 0, 0, 0);
  Out << " or " << CombineRgn(Dest, R, Other, RGN_OR) << " xor "
      << CombineRgn(Dest, R, Other, RGN_XOR) << " and " << CombineRgn(Dest, R, Other, RGN_AND)
      << " diff " << CombineRgn(Dest, R, R, RGN_DIFF) << " bad " << CombineRgn(Dest, R, Other, 9)
      << "\n";
  for (HRGN H : {R, Other, Dest}) DeleteObject(H);
  TPaintBox Box(100, 100);
  HDC Dc = Box.Dc;
  TRect Clip;
  SetMapMode(Dc, MM_ANISOTROPIC);
  SetWindowExtEx(Dc, 2, 1, nullptr);
  SetViewportExtEx(Dc, 1, 3, nullptr);
  SetViewportOrgEx(Dc, 5, 4, nullptr);
  Out << "clip " << IntersectClipRect(Dc, 4, 2, 40, 20);
  GetClipBox(Dc, &Clip);
  Out << " " << Clip << " offset " << OffsetClipRgn(Dc, -6, 2);
  GetClipBox(Dc, &Clip);
  Out << " " << Clip << " exclude " << ExcludeClipRect(Dc, 0, 0, 10, 10);
  GetClipBox(Dc, &Clip);
  const TRect Probe{10, 10, 11, 11};
  Out << " " << Clip << " visible " << RectVisible(Dc, &Probe) << PtVisible(Dc, 12, 8) << "\n";
  TPoint P[] = {{7, 5}, {-3, -1}};
  LPtoDP(Dc, P, 2);
  Out << "lp to dp " << P[0].X << "," << P[0].Y << " " << P[1].X << "," << P[1].Y;
  DPtoLP(Dc, P, 2);
  Out << " back " << P[0].X << "," << P[0].Y << " " << P[1].X << "," << P[1].Y << "\n";
  SetWindowExtEx(Dc, 1, 1, nullptr);
  SetViewportExtEx(Dc, -1, 1, nullptr);
  SetViewportOrgEx(Dc, 99, 0, nullptr);
  SelectClipRgn(Dc, nullptr);
  TRect E{10, 10, 40, 30};
  DrawEdge(Dc, &E, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  TRect F{50, 10, 80, 30};
  DrawFrameControl(Dc, &F, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
  TRect Half{10, 40, 40, 60};
  DrawEdge(Dc, &Half, BDR_RAISEDINNER, BF_LEFT | BF_BOTTOM | BF_ADJUST);
  Out << "mirrored adjust " << E << " " << F << " " << Half << "\n";
}

// [Phase 6] Colours, image list strips, fonts across resolutions.
void Rest(std::ostream& Out) {
  Out << "colours";
  for (TColor C : {TColor(0x00123456), TColor(0x02123456), clBtnFace, clHighlight, clWindowText,
                   TColor(0x80000019)})
    Out << " " << std::hex << ColorToRGB(C) << std::dec;
  Out << " " << ColorToString(clBtnFace) << " " << ColorToString(TColor(0x00ABCDEF)) << "\n";
  HIMAGELIST L = ImageList_Create(4, 4, ILC_MASK, 1, 0);
  HBITMAP Strip = CreateBitmap(11, 4, 1, 32, nullptr);
  Out << "image list add " << ImageList_AddMasked(L, Strip, RGB(255, 0, 255)) << " count "
      << ImageList_GetImageCount(L) << " add again " << ImageList_Add(L, Strip, nullptr)
      << " count " << ImageList_GetImageCount(L) << " remove " << ImageList_Remove(L, 1)
      << " count " << ImageList_GetImageCount(L) << " bad remove " << ImageList_Remove(L, 9)
      << "\n";
  DeleteObject(Strip);
  ImageList_Destroy(L);
  TObjectPtr<TFont> Screen(TFont::Create()), Printer(TFont::Create());
  Screen->SetSize(10);
  Printer->SetPixelsPerInch(300);
  Printer->Assign(Screen.get());
  Out << "font at 96 dpi " << Screen->GetHeight() << " assigned at 300 dpi " << Printer->GetHeight()
      << " size " << Printer->GetSize() << "\n";
}

// [Phase 7] Calls refused for their arguments, object kinds, the drawing
// log's forgetting of covered records, theme content and path ellipses.
void Refusals(std::ostream& Out) {
  TPaintBox Box(60, 40);
  HDC Dc = Box.Dc;
  const TPoint Pts[] = {{1, 1}, {5, 5}, {9, 1}};
  const DWORD OnePoint[] = {2, 1};
  HRGN Rgn = CreateRectRgn(2, 2, 20, 20);
  HBRUSH Brush = CreateSolidBrush(RGB(1, 2, 3));
  TRect Diagonal{5, 5, 20, 20};
  Out << "refused polypolyline " << PolyPolyline(Dc, Pts, OnePoint, 2) << " framergn "
      << FrameRgn(Dc, Rgn, Brush, 0, 2) << FrameRgn(Dc, Rgn, Brush, 2, 0) << " diagonal edge "
      << DrawEdge(Dc, &Diagonal, EDGE_RAISED, BF_DIAGONAL | BF_BOTTOMLEFT) << " huge bitmap "
      << (CreateBitmap(20000, 20000, 1, 32, nullptr) == nullptr) << " big bitmap ";
  HBITMAP Big = CreateBitmap(2000, 1000, 1, 1, nullptr);
  Out << (Big != nullptr) << " empty bitmap " << (CreateBitmap(0, 5, 1, 32, nullptr) != nullptr)
      << "\n";
  DeleteObject(Big);
  DeleteObject(Rgn);
  DeleteObject(Brush);
  HDC Mem = CreateCompatibleDC(Dc);
  LOGBRUSH Lb{BS_SOLID, 0, 0};
  HPEN Ext = ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, Lb);
  Out << "kinds dc " << GetObjectType(Dc) << " memdc " << GetObjectType(Mem) << " extpen "
      << GetObjectType(Ext) << " stock font " << GetObjectType(GetStockObject(SYSTEM_FONT))
      << " current bitmap " << (GetCurrentObject(Mem, OBJ_BITMAP) != nullptr) << " none "
      << (GetObjectType(nullptr) == 0) << "\n";
  DeleteObject(Ext);
  DeleteDC(Mem);
  TObjectPtr<TCustomImageList> List(TCustomImageList::CreateSize(4, 4));
  for (Integer W : {0, -3}) try {
      List->SetWidth(W);
      Out << "image list width " << W << " taken\n";
    } catch (const EInvalidOperation& E) {
      Out << "image list width " << W << ": " << E.GetMessage() << "\n";
    }
  {
    TDrawingLogOn On;
    TSurface S(40, 20);
    HDC L = CreateSurfaceDC(&S, {0, 0}, nullptr);
    SetBkMode(L, TRANSPARENT);
    TextOut(L, 2, 2, "kept");
    TextOut(L, 20, 2, "gone");
    HBRUSH White = CreateSolidBrush(RGB(255, 255, 255));
    const TRect Cover{18, 0, 40, 20};  // all of "gone", part of "kept"
    FillRect(L, &Cover, White);
    DeleteObject(White);
    Out << "log after cover: '" << S.TextIn({0, 0, 40, 20}) << "'\n";
    DeleteDC(L);
  }
  const TRect Content = ThemeServices()->ContentRect(Dc, {}, {10, 10, 40, 30});
  Out << "theme content " << Content << "\n";
  Box.UseFont("MS Sans Serif", -11);
  for (const char* Path : {"/usr/share/korvel/file.txt", "C:\\data\\orders.db"}) {
    String T = Path;
    TRect R{0, 0, 90, 20};
    DrawTextEx(Dc, T, -1, &R, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING, nullptr);
    Out << "path '" << T << "'\n";
  }
}

const char* const kReference =
    R"(MS Sans Serif -11: h13 a10 d3 il2 el0 ave6 max21 w400 i0 pf39 us-1/1 so3/1 ia0
  widths 4 4 5 9 7 10 9 3 4 4 6 9 4 4 4 4 7 7 7 7 7 7 7 7 7 7 4 4 9 9 9 6 11 8 8 8 8 7 6 9 8 3 3 7 6 9 8 9 7 9 8 7 7 8 8 11 8 7 8 4 4 4 9 6 6 7 7 6 7 7 4 7 7 3 3 6 3 11 7 7 7 7 5 6 4 7 7 9 7 7 6 7 4 7 9
  extent of 6: 36x13; fit 25: 4 dx 7 14 18 25 28 34 38
Arial -13: h15 a12 d3 il2 el0 ave7 max26 w700 i0 pf39 us-1/1 so3/1 ia0
  widths 5 6 7 11 9 13 11 4 6 6 7 11 5 5 5 5 9 9 9 9 9 9 9 9 9 9 5 5 11 11 11 8 13 10 10 10 11 9 9 11 11 5 5 10 8 13 11 11 10 11 10 9 9 11 10 14 10 9 9 6 5 6 11 7 7 9 9 8 9 9 6 9 9 4 4 9 4 14 9 9 9 9 6 8 6 9 8 12 8 8 8 9 5 9 11
  extent of 6: 46x15; fit 25: 3 dx 9 18 24 33 37 45 50
Tahoma 16: h16 a13 d3 il2 el0 ave7 max24 w400 i1 pf39 us-1/1 so4/1 ia-110
  widths 4 6 6 12 9 13 11 4 5 5 7 12 4 5 4 5 9 9 9 9 9 9 9 9 9 9 5 5 12 12 12 7 14 10 10 10 11 9 8 11 11 4 4 9 8 12 10 11 8 11 10 9 9 10 10 14 10 9 10 5 5 5 12 7 7 9 9 8 9 9 5 9 9 4 4 8 4 14 9 9 9 9 6 7 5 9 8 11 8 8 7 9 5 9 12
  extent of 6: 45x16; fit 25: 3 dx 9 18 23 32 36 43 48
Courier New -12: h14 a11 d3 il2 el0 ave7 max7 w400 i0 pf54 us-1/1 so3/1 ia0
  widths 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7
  extent of 6: 42x14; fit 25: 3 dx 7 14 21 28 35 42 49
Times New Roman -20: h24 a19 d5 il4 el0 ave11 max40 w600 i1 pf39 us-1/1 so5/1 ia-110
  widths 7 9 10 14 14 20 17 6 9 9 10 17 8 8 8 7 14 14 14 14 14 14 14 14 14 14 8 8 17 17 17 12 20 15 15 15 17 14 14 16 17 7 7 16 13 20 17 17 15 17 15 14 14 16 15 22 15 14 15 9 7 9 17 10 10 14 14 12 14 14 9 14 14 7 7 13 7 21 14 14 14 14 10 12 10 14 13 18 13 13 12 14 7 14 17
  extent of 6: 74x24; fit 25: 1 dx 14 28 38 52 59 71 79
measure '' 0x400: 13 [10,10,10,10]
measure '' 0x420: 13 [10,10,10,23]
measure 'A&' 0x420: 13 [10,10,18,23]
measure 'a	b' 0x460: 13 [10,10,65,23]
measure 'x
y
' 0x400: 26 [10,10,17,36]
bkmode 2 0 1
rop2 13 0 0 7
stretch 1 0 4
polyfill 1 0 2
mapmode 1 8 7 ext 0
text colour 0 3430008
depth 1: 1 1 2 0 0 0 2049 96 96 1280 1024 339 271
depth 4: 4 1 16 0 0 0 2049 96 96 1280 1024 339 271
depth 8: 8 1 20 256 20 18 2305 96 96 1280 1024 339 271 near 0 8080 ffffff 808080
depth 16: 16 1 -1 0 0 0 2049 96 96 1280 1024 339 271 near 392008 3165ce ffffff 84827b
depth 24: 24 1 -1 0 0 0 2049 96 96 1280 1024 339 271 near 38220c 3264c8 fdfeff 81807f
depth 32: 32 1 -1 0 0 0 2049 96 96 1280 1024 339 271 near 38220c 3264c8 fdfeff 81807f
pen 0 3 197121 / 2 1
brush 2 591879 4 bad 1
bitmap 1x3 1 bytes 2
bitmap 17x3 1 bytes 4
bitmap 33x3 1 bytes 6
bitmap 5x3 32 bytes 20
select bitmap again elsewhere 1 delete selected 0 select region 2 delete 1 again 0 stock 1
region pt 110 rect 010 or 2 xor 2 and 1 diff 1 bad 0
clip 2 [4,2,40,20] offset 2 [-2,4,34,22] exclude 3 [-2,4,34,22] visible 11
lp to dp 9,19 3,1 back 8,5 -4,-1
mirrored adjust [12,12,38,28] [52,12,78,28] [10,40,39,59]
colours 123456 123456 c0c0c0 800000 0 c0c0c0 clBtnFace $00ABCDEF
image list add 0 count 2 add again 2 count 4 remove 1 count 3 bad remove 0
font at 96 dpi -13 assigned at 300 dpi -42 size 10
refused polypolyline 0 framergn 00 diagonal edge 0 huge bitmap 1 big bitmap 1 empty bitmap 1
kinds dc 3 memdc 10 extpen 11 stock font 6 current bitmap 1 none 1
image list width 0: Invalid image size: width 0
image list width -3: Invalid image size: width -3
log after cover: 'kept'
theme content [12,12,38,28]
path '/usr/s.../file.txt'
path 'C:\...\orders.db'
)";

TEST(Answers, WhatTheDrawingCallsAnswerMatchesTheListing) {
  TLeakCheck Leaks;
  std::ostringstream Out;
  Fonts(Out);
  States(Out);
  Depths(Out);
  Objects(Out);
  Regions(Out);
  Rest(Out);
  Refusals(Out);
  EXPECT_EQ(Out.str(), kReference) << "the answers now:\n" << Out.str();
}

}  // namespace
