// Lines, pens, raster operations, brushes, shapes, blits, mapping modes,
// handles and device capabilities.
#include <gtest/gtest.h>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;
using kvp::test::TPaintBox;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Selects a new pen for the scope and deletes it after.
struct TPenScope {
  HDC Dc;
  HPEN Pen;
  HGDIOBJ Old;
  TPenScope(HDC ADc, HPEN APen) : Dc(ADc), Pen(APen), Old(SelectObject(ADc, APen)) {}
  ~TPenScope() {
    SelectObject(Dc, Old);
    DeleteObject(Pen);
  }
};

std::vector<COLORREF> Row(const TSurface& S, int Y, int From, int To) {
  std::vector<COLORREF> Out;
  for (int X = From; X < To; ++X) Out.push_back(S.GetPixel(X, Y));
  return Out;
}

TEST(Lines, LineToLeavesTheEndPointUndrawn) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  MoveToEx(B.Dc, 2, 5, nullptr);
  LineTo(B.Dc, 8, 5);
  EXPECT_EQ(B.Ink({0, 0, 20, 20}), 6);
  EXPECT_EQ(B.Surface.GetPixel(7, 5), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(8, 5), kWhite);
  TPoint Pos;
  GetCurrentPositionEx(B.Dc, &Pos);
  EXPECT_EQ(Pos, (TPoint{8, 5}));
  // A diagonal from the start, one pixel a step.
  MoveToEx(B.Dc, 0, 10, nullptr);
  LineTo(B.Dc, 4, 14);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(B.Surface.GetPixel(I, 10 + I), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(4, 14), kWhite);
}

TEST(Lines, OnePixelPolyPolylineSegmentsDrawOnePixelEach) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  TPoint Pts[] = {{1, 1}, {2, 1}, {5, 1}, {6, 1}, {9, 3}, {9, 4}};
  DWORD Counts[] = {2, 2, 2};
  EXPECT_TRUE(PolyPolyline(B.Dc, Pts, Counts, 3));
  EXPECT_EQ(B.Ink({0, 0, 20, 20}), 3);
  EXPECT_EQ(B.Surface.GetPixel(1, 1), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(5, 1), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(9, 3), kBlack);
}

TEST(Lines, DottedPensAndTheirBackground) {
  TLeakCheck Leaks;
  TPaintBox B(30, 10);
  TPenScope Pen(B.Dc, CreatePen(PS_DOT, 1, kRed));
  SetBkMode(B.Dc, TRANSPARENT);
  MoveToEx(B.Dc, 0, 2, nullptr);
  LineTo(B.Dc, 12, 2);
  std::vector<COLORREF> Dots = {kRed, kRed, kRed, kWhite, kWhite, kWhite,
                                kRed, kRed, kRed, kWhite, kWhite, kWhite};
  EXPECT_EQ(Row(B.Surface, 2, 0, 12), Dots);
  SetBkMode(B.Dc, OPAQUE);
  SetBkColor(B.Dc, RGB(0, 0, 255));
  MoveToEx(B.Dc, 0, 4, nullptr);
  LineTo(B.Dc, 6, 4);
  EXPECT_EQ(B.Surface.GetPixel(3, 4), RGB(0, 0, 255));  // gaps take the background colour
  // A wide pen asked for dots draws solid.
  TPenScope Wide(B.Dc, CreatePen(PS_DOT, 3, kRed));
  MoveToEx(B.Dc, 0, 7, nullptr);
  LineTo(B.Dc, 10, 7);
  for (COLORREF C : Row(B.Surface, 7, 1, 9)) EXPECT_EQ(C, kRed);
  LOGPEN L;
  GetObject(Wide.Pen, &L);
  EXPECT_EQ(L.lopnStyle, PS_SOLID);
}

TEST(Lines, XorLinesDrawnTwiceRestoreThePixels) {
  TLeakCheck Leaks;
  TPaintBox B(40, 40);
  B.UseFont("Arial", -13);
  TextOut(B.Dc, 2, 10, "Text under the line");
  TSurface Before = B.Surface;
  SetROP2(B.Dc, R2_XORPEN);
  for (Integer Width : {1, 5}) {
    TPenScope Pen(B.Dc, CreatePen(PS_DOT, Width, RGB(192, 192, 192)));
    for (int Pass = 0; Pass < 2; ++Pass) {
      MoveToEx(B.Dc, 20, 0, nullptr);
      LineTo(B.Dc, 20, 40);
      MoveToEx(B.Dc, 0, 3, nullptr);
      LineTo(B.Dc, 37, 29);
      if (Pass == 0) {
        EXPECT_GT(B.Ink({0, 0, 40, 40}), 0);
      }
    }
    for (int Y = 0; Y < 40; ++Y)
      ASSERT_EQ(Row(B.Surface, Y, 0, 40), Row(Before, Y, 0, 40)) << "width " << Width;
  }
}

TEST(Lines, GeometricFlatCapPenCoversItsWidthAndLength) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  LOGBRUSH Brush{BS_SOLID, kRed, 0};
  TPenScope Pen(B.Dc,
                ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | PS_SOLID, 3, Brush));
  ASSERT_NE(Pen.Pen, nullptr);
  EXPECT_EQ(GetObjectType(Pen.Pen), OBJ_EXTPEN);
  MoveToEx(B.Dc, 2, 10, nullptr);
  LineTo(B.Dc, 12, 10);
  EXPECT_EQ(B.Ink({0, 0, 20, 20}), 30);
  EXPECT_EQ(B.Ink({2, 9, 12, 12}), 30);
}

TEST(FocusRect, DottedXorFrameThatUndoesItself) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  TRect All{0, 0, 20, 20};
  HBRUSH Blue = CreateSolidBrush(RGB(0, 0, 200));
  FillRect(B.Dc, &All, Blue);
  DeleteObject(Blue);
  TSurface Before = B.Surface;
  TRect R{2, 2, 12, 8};
  DrawFocusRect(B.Dc, &R);
  EXPECT_EQ(B.Surface.GetPixel(2, 2), RGB(255, 255, 55));
  EXPECT_EQ(B.Surface.GetPixel(3, 2), RGB(0, 0, 200));  // every other pixel
  EXPECT_EQ(B.Surface.GetPixel(5, 5), RGB(0, 0, 200));  // inside untouched
  DrawFocusRect(B.Dc, &R);
  for (int Y = 0; Y < 20; ++Y) ASSERT_EQ(Row(B.Surface, Y, 0, 20), Row(Before, Y, 0, 20));
}

TEST(Shapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  HBRUSH Green = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ Old = SelectObject(B.Dc, Green);
  Rectangle(B.Dc, 2, 2, 8, 8);
  EXPECT_EQ(B.Surface.GetPixel(2, 2), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(7, 7), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(8, 8), kWhite);
  EXPECT_EQ(B.Surface.GetPixel(3, 3), RGB(0, 255, 0));
  // Without a pen the fill stops one short of the right and bottom.
  SelectObject(B.Dc, GetStockObject(NULL_PEN));
  Rectangle(B.Dc, 10, 10, 15, 15);
  EXPECT_EQ(B.Surface.GetPixel(10, 10), RGB(0, 255, 0));
  EXPECT_EQ(B.Surface.GetPixel(13, 13), RGB(0, 255, 0));
  EXPECT_EQ(B.Surface.GetPixel(14, 14), kWhite);
  SelectObject(B.Dc, GetStockObject(BLACK_PEN));
  SelectObject(B.Dc, Old);
  DeleteObject(Green);
}

TEST(Shapes, PolygonFillsInsideAndHatchBrushesLeaveGaps) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  HBRUSH Hatch = CreateHatchBrush(HS_CROSS, kRed);
  HGDIOBJ Old = SelectObject(B.Dc, Hatch);
  SelectObject(B.Dc, GetStockObject(NULL_PEN));
  SetBkMode(B.Dc, TRANSPARENT);
  TPoint Square[] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};
  Polygon(B.Dc, Square, 4);
  EXPECT_EQ(B.Surface.GetPixel(7, 3), kRed);  // the hatch lines
  EXPECT_EQ(B.Surface.GetPixel(3, 7), kRed);
  EXPECT_EQ(B.Surface.GetPixel(3, 3), kWhite);  // the gaps, transparent
  EXPECT_EQ(B.Surface.GetPixel(17, 7), kWhite);
  SelectObject(B.Dc, GetStockObject(BLACK_PEN));
  SelectObject(B.Dc, Old);
  DeleteObject(Hatch);
}

TEST(Blits, StretchMonochromeAndMask) {
  TLeakCheck Leaks;
  TPaintBox Dest(20, 20);
  HDC Mem = CreateCompatibleDC(Dest.Dc);
  // A 2x1 monochrome source: black, white.
  BYTE Bits[2] = {0x40, 0};
  HBITMAP Mono = CreateBitmap(2, 1, 1, 1, Bits);
  HGDIOBJ Old = SelectObject(Mem, Mono);
  EXPECT_EQ(GetDeviceCaps(Mem, BITSPIXEL), 1);
  SetTextColor(Dest.Dc, kRed);
  SetBkColor(Dest.Dc, RGB(0, 0, 255));
  // Stretched to 4x2: each source pixel becomes 2x2; 0 bits take the text colour.
  EXPECT_TRUE(StretchBlt(Dest.Dc, 0, 0, 4, 2, Mem, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(Row(Dest.Surface, 1, 0, 4),
            (std::vector<COLORREF>{kRed, kRed, RGB(0, 0, 255), RGB(0, 0, 255)}));
  // Mirrored by a negative width.
  StretchBlt(Dest.Dc, 0, 5, 2, 1, Mem, 1, 0, -2, 1, SRCCOPY);
  EXPECT_EQ(Row(Dest.Surface, 5, 0, 2), (std::vector<COLORREF>{RGB(0, 0, 255), kRed}));
  // MaskBlt: set mask bits copy the source, clear ones keep the destination.
  HBITMAP Colour = CreateCompatibleBitmap(Dest.Dc, 2, 1);
  SelectObject(Mem, Colour);
  SetPixel(Mem, 0, 0, RGB(1, 2, 3));
  SetPixel(Mem, 1, 0, RGB(4, 5, 6));
  BYTE MaskBits[2] = {0x80, 0};
  HBITMAP Mask = CreateBitmap(2, 1, 1, 1, MaskBits);
  EXPECT_TRUE(MaskBlt(Dest.Dc, 10, 10, 2, 1, Mem, 0, 0, Mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
  EXPECT_EQ(Dest.Surface.GetPixel(10, 10), RGB(1, 2, 3));
  EXPECT_EQ(Dest.Surface.GetPixel(11, 10), kWhite);
  SelectObject(Mem, Old);
  for (HGDIOBJ O : {(HGDIOBJ)Mono, (HGDIOBJ)Colour, (HGDIOBJ)Mask}) EXPECT_TRUE(DeleteObject(O));
  DeleteDC(Mem);
}

TEST(Blits, PatBltInvertsAndPaints) {
  TLeakCheck Leaks;
  TPaintBox B(10, 10);
  EXPECT_TRUE(PatBlt(B.Dc, 0, 0, 5, 5, DSTINVERT));
  EXPECT_EQ(B.Surface.GetPixel(4, 4), kBlack);
  EXPECT_EQ(B.Surface.GetPixel(5, 5), kWhite);
  EXPECT_TRUE(PatBlt(B.Dc, 0, 0, 5, 5, BLACKNESS));
  EXPECT_TRUE(PatBlt(B.Dc, 0, 0, 5, 5, PATINVERT));  // white brush xor black
  EXPECT_EQ(B.Surface.GetPixel(0, 0), kWhite);
  EXPECT_FALSE(PatBlt(B.Dc, 0, 0, 5, 5, SRCCOPY));  // needs a source
  TRect R{0, 0, 3, 3};
  InvertRect(B.Dc, &R);
  EXPECT_EQ(B.Surface.GetPixel(1, 1), kBlack);
}

TEST(Mapping, AnisotropicMirrorTurnsRectanglesAndPoints) {
  TLeakCheck Leaks;
  TPaintBox B(100, 20);
  EXPECT_EQ(SetMapMode(B.Dc, MM_ANISOTROPIC), MM_TEXT);
  SetWindowOrgEx(B.Dc, 99, 0, nullptr);
  SetWindowExtEx(B.Dc, -1, 1, nullptr);
  SetViewportExtEx(B.Dc, 1, 1, nullptr);
  TPoint P[2] = {{0, 0}, {99, 5}};
  LPtoDP(B.Dc, P, 2);
  EXPECT_EQ(P[0], (TPoint{99, 0}));
  EXPECT_EQ(P[1], (TPoint{0, 5}));
  DPtoLP(B.Dc, P, 2);
  EXPECT_EQ(P[0], (TPoint{0, 0}));
  HBRUSH Red = CreateSolidBrush(kRed);
  TRect R{0, 0, 10, 5};
  FillRect(B.Dc, &R, Red);
  DeleteObject(Red);
  EXPECT_EQ(B.Surface.GetPixel(95, 2), kRed);
  EXPECT_EQ(B.Surface.GetPixel(5, 2), kWhite);
  EXPECT_FALSE(SetWindowExtEx(B.Dc, 0, 1, nullptr));
  // Back to text mode: extents reset to one to one.
  SetMapMode(B.Dc, MM_TEXT);
  TSize Ext;
  GetWindowExtEx(B.Dc, &Ext);
  EXPECT_EQ(Ext, (TSize{1, 1}));
  TPoint Q{0, 0};
  LPtoDP(B.Dc, &Q, 1);
  EXPECT_EQ(Q, (TPoint{-99, 0}));  // the window origin still applies
}

TEST(Handles, StockObjectsAreNeverCountedOrDeleted) {
  TLeakCheck Leaks;
  Integer Live = GetLiveGdiObjectCount();
  for (Integer I : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, BLACK_PEN, WHITE_PEN, NULL_PEN,
                    SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT}) {
    HGDIOBJ O = GetStockObject(I);
    ASSERT_NE(O, nullptr) << I;
    EXPECT_EQ(O, GetStockObject(I));
    EXPECT_TRUE(DeleteObject(O));
    EXPECT_NE(GetObjectType(O), 0u);
  }
  EXPECT_EQ(GetStockObject(HOLLOW_BRUSH), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetLiveGdiObjectCount(), Live);
  HBRUSH B = CreateSolidBrush(kRed);
  EXPECT_EQ(GetLiveGdiObjectCount(), Live + 1);
  LOGBRUSH L;
  EXPECT_EQ(GetObject(B, &L), Integer(sizeof(LOGBRUSH)));
  EXPECT_EQ(L.lbColor, kRed);
  LOGFONT F;
  EXPECT_EQ(GetObject(B, &F), 0);  // not a font
  DeleteObject(B);
  EXPECT_EQ(GetObjectType(B), 0u);
  EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
}

TEST(DeviceCaps, ColourDepthDrivesNearestColourAndColourCount) {
  TLeakCheck Leaks;
  HDC Screen = CreateScreenDC();
  EXPECT_EQ(GetDeviceCaps(Screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(Screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(Screen, NUMCOLORS), -1);
  EXPECT_EQ(GetNearestColor(Screen, RGB(1, 2, 3)), RGB(1, 2, 3));
  SetDisplayColorDepth(8);
  EXPECT_EQ(GetDeviceCaps(Screen, BITSPIXEL), 8);
  EXPECT_EQ(GetDeviceCaps(Screen, NUMCOLORS), 20);
  EXPECT_EQ(GetNearestColor(Screen, RGB(250, 5, 5)), RGB(255, 0, 0));
  EXPECT_EQ(GetNearestColor(Screen, RGB(190, 221, 190)), RGB(192, 220, 192));  // money green
  SetDisplayColorDepth(16);
  EXPECT_EQ(GetNearestColor(Screen, RGB(255, 255, 255)), RGB(255, 255, 255));
  EXPECT_EQ(GetNearestColor(Screen, RGB(7, 3, 7)), RGB(0, 0, 0));
  EXPECT_EQ(GetNearestColor(Screen, RGB(8, 4, 8)), RGB(8, 4, 8));
  SetDisplayColorDepth(32);
  EXPECT_THROW(SetDisplayColorDepth(12), EInvalidArgument);
  DeleteDC(Screen);
}

// A screen DC is mostly asked about the display; what is drawn through it
// lands on the screen's pixels, and the display's size follows the screen.
TEST(DeviceCaps, AScreenDCDrawsOnTheScreenAndTellsItsSize) {
  TLeakCheck Leaks;
  HDC Dc = CreateScreenDC();
  EXPECT_EQ(GetDeviceCaps(Dc, HORZRES), ScreenSurface()->Width());
  EXPECT_EQ(GetDeviceCaps(Dc, VERTRES), ScreenSurface()->Height());
  HBRUSH Red = CreateSolidBrush(kRed);
  TRect R{10, 20, 13, 22};
  FillRect(Dc, &R, Red);
  EXPECT_EQ(ScreenSurface()->GetPixel(10, 20), kRed);
  EXPECT_EQ(ScreenSurface()->GetPixel(12, 21), kRed);
  EXPECT_NE(ScreenSurface()->GetPixel(13, 21), kRed);
  EXPECT_NE(ScreenSurface()->GetPixel(12, 22), kRed);
  const Integer W = ScreenSurface()->Width(), H = ScreenSurface()->Height();
  SetScreenSize(800, 600);
  EXPECT_EQ(GetDeviceCaps(Dc, HORZRES), 800);
  EXPECT_EQ(GetDeviceCaps(Dc, VERTRES), 600);
  EXPECT_EQ(GetDeviceCaps(Dc, HORZSIZE), 212);
  EXPECT_EQ(ScreenSurface()->GetPixel(11, 21), kRed) << "resizing keeps the top-left content";
  SetScreenSize(W, H);
  R = {0, 0, W, H};
  FillRect(Dc, &R, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DeleteObject(Red);
  DeleteDC(Dc);
}

TEST(Shapes, XorPolygonTwiceRestoresAndRegionsPaint) {
  TLeakCheck Leaks;
  TPaintBox B(30, 30);
  TSurface Before = B.Surface;
  SetROP2(B.Dc, R2_XORPEN);
  HGDIOBJ Old = SelectObject(B.Dc, GetStockObject(BLACK_BRUSH));
  TPoint Tri[] = {{2, 2}, {25, 5}, {10, 25}};
  for (int Pass = 0; Pass < 2; ++Pass) Polygon(B.Dc, Tri, 3);
  for (int Y = 0; Y < 30; ++Y) ASSERT_EQ(Row(B.Surface, Y, 0, 30), Row(Before, Y, 0, 30));
  SelectObject(B.Dc, Old);
  SetROP2(B.Dc, R2_COPYPEN);
  // FillRgn paints the region; FrameRgn only its border.
  HRGN R = CreateRectRgn(5, 5, 15, 15);
  HBRUSH Red = CreateSolidBrush(kRed);
  EXPECT_TRUE(FrameRgn(B.Dc, R, Red, 2, 2));
  EXPECT_EQ(B.Surface.GetPixel(6, 6), kRed);
  EXPECT_EQ(B.Surface.GetPixel(7, 7), kWhite);
  EXPECT_TRUE(FillRgn(B.Dc, R, Red));
  EXPECT_EQ(B.Surface.GetPixel(10, 10), kRed);
  EXPECT_EQ(B.Surface.GetPixel(15, 15), kWhite);
  DeleteObject(Red);
  DeleteObject(R);
}

TEST(Mapping, ClipAndSavedLevelsFollowTheMapping) {
  TLeakCheck Leaks;
  TPaintBox B(100, 20);
  SetMapMode(B.Dc, MM_ANISOTROPIC);
  SetWindowOrgEx(B.Dc, 100, 0, nullptr);
  SetWindowExtEx(B.Dc, -1, 1, nullptr);
  SetViewportExtEx(B.Dc, 1, 1, nullptr);
  Integer First = SaveDC(B.Dc);
  // A logical clip on the left lands on the device's right.
  IntersectClipRect(B.Dc, 0, 0, 10, 20);
  TRect Box;
  GetClipBox(B.Dc, &Box);
  EXPECT_EQ(Box, (TRect{0, 0, 10, 20}));  // logical again
  TRect Left{0, 0, 5, 5}, Right{50, 0, 60, 5};
  EXPECT_TRUE(RectVisible(B.Dc, &Left));
  EXPECT_FALSE(RectVisible(B.Dc, &Right));
  HRGN Clip = CreateRectRgn(0, 0, 0, 0);
  GetClipRgn(B.Dc, Clip);
  EXPECT_TRUE(PtInRegion(Clip, 95, 5));  // the clip region itself is in device terms
  DeleteObject(Clip);
  EXPECT_EQ(SaveDC(B.Dc), 2);
  SetBkColor(B.Dc, kRed);
  EXPECT_TRUE(RestoreDC(B.Dc, First));  // back to the first level: both saves go
  EXPECT_EQ(GetBkColor(B.Dc), kWhite);
  EXPECT_TRUE(RectVisible(B.Dc, &Right));
  EXPECT_FALSE(RestoreDC(B.Dc, 1));
}

// A right-to-left control mirrors x with the window origin at its width; a
// clip set in logical terms must then keep drawing on the mirrored side, and a
// clip region (device terms) must hold whatever the mapping.
TEST(Mapping, DrawingClipsToLogicalRectanglesAndRegionsWhenMirrored) {
  TLeakCheck Leaks;
  TPaintBox B(100, 20);
  SetMapMode(B.Dc, MM_ANISOTROPIC);
  SetWindowOrgEx(B.Dc, 100, 0, nullptr);
  SetWindowExtEx(B.Dc, -1, 1, nullptr);
  SetViewportExtEx(B.Dc, 1, 1, nullptr);
  HBRUSH Red = CreateSolidBrush(kRed);
  TRect All{0, 0, 100, 20};
  IntersectClipRect(B.Dc, 0, 0, 10, 20);  // logical x 0..9: device x 90..99
  ExcludeClipRect(B.Dc, 2, 5, 4, 10);     // logical x 2..3: device x 96..97
  FillRect(B.Dc, &All, Red);
  EXPECT_EQ(Row(B.Surface, 0, 88, 100),
            (std::vector<COLORREF>{kWhite, kWhite, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed,
                                   kRed, kRed}));
  EXPECT_EQ(Row(B.Surface, 6, 94, 100),
            (std::vector<COLORREF>{kRed, kRed, kWhite, kWhite, kRed, kRed}));
  // A triangle region in device terms replaces the clip.
  TPoint Tri[] = {{0, 0}, {20, 0}, {0, 20}};
  HRGN Rgn = CreatePolygonRgn(Tri, 3, ALTERNATE);
  SelectClipRgn(B.Dc, Rgn);
  DeleteObject(Rgn);
  B.Surface.Fill(kWhite);
  FillRect(B.Dc, &All, Red);
  EXPECT_EQ(B.Surface.GetPixel(1, 1), kRed);
  EXPECT_EQ(B.Surface.GetPixel(18, 18), kWhite);
  EXPECT_EQ(B.Surface.GetPixel(50, 1), kWhite);
  TRect Inside{98, 0, 99, 1}, Outside{81, 15, 90, 19};  // device x 1 and 10..18
  EXPECT_TRUE(RectVisible(B.Dc, &Inside));
  EXPECT_FALSE(RectVisible(B.Dc, &Outside));
  DeleteObject(Red);
}

// The fault: an inside-frame pen was drawn like a solid one, straddling the
// outline and spilling a pixel and more outside the rectangle.
TEST(Shapes, InsideFramePenKeepsTheWholeWidthInsideTheRectangle) {
  TLeakCheck Leaks;
  for (Integer Width : {3, 4}) {
    SCOPED_TRACE(Width);
    TPaintBox B(40, 40);
    TPenScope Pen(B.Dc, CreatePen(PS_INSIDEFRAME, Width, kBlack));
    SelectObject(B.Dc, GetStockObject(NULL_BRUSH));
    Rectangle(B.Dc, 10, 10, 30, 30);
    EXPECT_EQ(B.Ink({0, 0, 40, 40}), B.Ink({10, 10, 30, 30}));  // nothing outside
    // Each side is Width pixels thick, starting at the rectangle's edge.
    EXPECT_EQ(Row(B.Surface, 20, 9, 31), [&] {
      std::vector<COLORREF> Want(22, kWhite);
      for (Integer I = 0; I < Width; ++I) Want[1 + I] = Want[20 - I] = kBlack;
      return Want;
    }());
    EXPECT_EQ(B.Surface.GetPixel(20, 10), kBlack);
    EXPECT_EQ(B.Surface.GetPixel(20, 29), kBlack);
    EXPECT_EQ(B.Surface.GetPixel(20, 10 + Width), kWhite);
    SelectObject(B.Dc, GetStockObject(WHITE_BRUSH));
  }
  // A solid wide pen still straddles the outline.
  TPaintBox B(40, 40);
  TPenScope Pen(B.Dc, CreatePen(PS_SOLID, 3, kBlack));
  Rectangle(B.Dc, 10, 10, 30, 30);
  EXPECT_EQ(B.Surface.GetPixel(9, 20), kBlack);
}

TEST(Shapes, FrameRectDrawsOneBrushPixelAlongTheInsideOfTheRectangle) {
  TLeakCheck Leaks;
  TPaintBox B(20, 20);
  HBRUSH Red = CreateSolidBrush(kRed);
  TRect R{2, 3, 8, 7};
  FrameRect(B.Dc, &R, Red);
  EXPECT_EQ(B.Ink({0, 0, 20, 20}), 2 * 6 + 2 * 2);  // top and bottom rows, then the sides
  EXPECT_EQ(B.Surface.GetPixel(2, 3), kRed);
  EXPECT_EQ(B.Surface.GetPixel(7, 6), kRed);
  EXPECT_EQ(B.Surface.GetPixel(8, 6), kWhite);
  EXPECT_EQ(B.Surface.GetPixel(4, 5), kWhite);
  TRect Flat{10, 10, 10, 15};  // no width: nothing
  FrameRect(B.Dc, &Flat, Red);
  EXPECT_EQ(B.Ink({9, 9, 12, 16}), 0);
  DeleteObject(Red);
}

// Each mix mode combines the pen (P) with the pixel under it (D) bit by bit.
TEST(Lines, EveryMixModeCombinesPenAndDestinationAsNamed) {
  TLeakCheck Leaks;
  const std::uint32_t P = 0x00F0CC55, D = 0x003C9A0F;  // COLORREF bits
  struct {
    Integer Mode;
    std::uint32_t Want;
  } Cases[] = {{R2_BLACK, 0},
               {R2_NOTMERGEPEN, ~(D | P)},
               {R2_MASKNOTPEN, D & ~P},
               {R2_NOTCOPYPEN, ~P},
               {R2_MASKPENNOT, P & ~D},
               {R2_NOT, ~D},
               {R2_XORPEN, D ^ P},
               {R2_NOTMASKPEN, ~(D & P)},
               {R2_MASKPEN, D & P},
               {R2_NOTXORPEN, ~(D ^ P)},
               {R2_NOP, D},
               {R2_MERGENOTPEN, D | ~P},
               {R2_COPYPEN, P},
               {R2_MERGEPENNOT, P | ~D},
               {R2_MERGEPEN, D | P},
               {R2_WHITE, 0x00FFFFFF}};
  TPaintBox B(4, 1);
  TPenScope Pen(B.Dc, CreatePen(PS_SOLID, 1, P));
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Mode);
    B.Surface.Fill(D);
    SetROP2(B.Dc, C.Mode);
    MoveToEx(B.Dc, 0, 0, nullptr);
    LineTo(B.Dc, 2, 0);
    EXPECT_EQ(B.Surface.GetPixel(1, 0), C.Want & 0x00FFFFFF);
    EXPECT_EQ(B.Surface.GetPixel(2, 0), D);  // the end point stays as it was
  }
}

TEST(Mapping, ExtSelectClipRgnCombinesWithTheClipInEachMode) {
  TLeakCheck Leaks;
  TPaintBox B(30, 10);
  HRGN Left = CreateRectRgn(0, 0, 10, 10), Mid = CreateRectRgn(5, 0, 15, 10);
  HBRUSH Red = CreateSolidBrush(kRed);
  TRect All{0, 0, 30, 10};
  struct {
    Integer Mode;
    int From, To;  // the red columns after filling everything
  } Cases[] = {{RGN_AND, 5, 10}, {RGN_OR, 0, 15}, {RGN_DIFF, 0, 5}, {RGN_XOR, 0, 15}};
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Mode);
    B.Surface.Fill(kWhite);
    SelectClipRgn(B.Dc, Left);
    ExtSelectClipRgn(B.Dc, Mid, C.Mode);
    FillRect(B.Dc, &All, Red);
    for (int X = 0; X < 30; ++X) {
      bool IsRed = X >= C.From && X < C.To && !(C.Mode == RGN_XOR && X >= 5 && X < 10);
      EXPECT_EQ(B.Surface.GetPixel(X, 5), IsRed ? kRed : kWhite) << "x " << X;
    }
  }
  // RGN_COPY with no region removes the clip; other modes need a region.
  EXPECT_EQ(ExtSelectClipRgn(B.Dc, nullptr, RGN_COPY), SIMPLEREGION);
  HRGN Got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(B.Dc, Got), 0);
  EXPECT_EQ(ExtSelectClipRgn(B.Dc, nullptr, RGN_AND), ERROR_REGION);
  for (HGDIOBJ O : {HGDIOBJ(Left), HGDIOBJ(Mid), HGDIOBJ(Red), HGDIOBJ(Got)}) DeleteObject(O);
}

}  // namespace
