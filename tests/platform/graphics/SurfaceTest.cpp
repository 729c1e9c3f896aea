// Surfaces and device contexts on them: origins, visible regions, clipping,
// fills and blits as the window system and painting code use them.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/graphics/Gdi.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Fills a device rectangle with a colour through a temporary brush.
void Fill(HDC Dc, TRect R, COLORREF C) {
  HBRUSH B = CreateSolidBrush(C);
  FillRect(Dc, &R, B);
  DeleteObject(B);
}

// A guard that checks a test leaves no live handle or DC behind.
struct TLeakCheck {
  Integer Objects = GetLiveGdiObjectCount();
  Integer Dcs = GetLiveDCCount();
  ~TLeakCheck() {
    EXPECT_EQ(GetLiveGdiObjectCount(), Objects);
    EXPECT_EQ(GetLiveDCCount(), Dcs);
  }
};

TEST(Surface, PixelsResizeAndPng) {
  TSurface S(4, 3);
  EXPECT_EQ(S.GetPixel(0, 0), kWhite);
  S.SetPixel(1, 2, kRed);
  EXPECT_EQ(S.GetPixel(1, 2), kRed);
  EXPECT_EQ(S.Scanline(2)[1], 0xFF0000u);  // stored as 0x00RRGGBB
  EXPECT_EQ(S.GetPixel(4, 0), CLR_INVALID);
  S.Resize(6, 2);
  EXPECT_EQ(S.GetPixel(1, 1), kWhite);
  EXPECT_EQ(S.GetPixel(5, 1), kWhite);
  S.SetPixel(5, 1, kBlue);
  EXPECT_EQ(S.GetPixel(5, 1), kBlue);
  String File = testing::TempDir() + "surface-test.png";
  S.SavePng(File);
  FILE* F = std::fopen(File.c_str(), "rb");
  ASSERT_NE(F, nullptr);
  unsigned char Sig[8] = {};
  EXPECT_EQ(std::fread(Sig, 1, 8, F), 8u);
  std::fclose(F);
  EXPECT_EQ(Sig[1], 'P');
  std::remove(File.c_str());
  EXPECT_THROW(S.SavePng("/nonexistent-dir/x.png"), EFCreateError);
}

TEST(SurfaceDC, OriginAndVisibleRegionLimitDrawing) {
  TLeakCheck Leaks;
  TSurface S(40, 40);
  // A client area at (10,10), of which only the left half (surface x < 20) is visible.
  HRGN Visible = CreateRectRgn(10, 10, 20, 30);
  HDC Dc = CreateSurfaceDC(&S, {10, 10}, Visible);
  DeleteObject(Visible);  // the DC keeps its own copy
  Fill(Dc, {0, 0, 20, 20}, kRed);
  EXPECT_EQ(S.GetPixel(10, 10), kRed);
  EXPECT_EQ(S.GetPixel(19, 29), kRed);
  EXPECT_EQ(S.GetPixel(20, 10), kWhite);  // outside the visible region
  EXPECT_EQ(S.GetPixel(9, 10), kWhite);
  EXPECT_EQ(GetPixel(Dc, 0, 0), kRed);
  TRect Box;
  EXPECT_EQ(GetClipBox(Dc, &Box), SIMPLEREGION);
  EXPECT_EQ(Box, (TRect{0, 0, 10, 20}));
  DeleteDC(Dc);
}

TEST(SurfaceDC, ApplicationClipIntersectsVisibleRegion) {
  TLeakCheck Leaks;
  TSurface S(30, 30);
  HDC Dc = CreateSurfaceDC(&S, {0, 0}, nullptr);
  HRGN Probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(Dc, Probe), 0);  // no clip yet
  EXPECT_EQ(IntersectClipRect(Dc, 5, 5, 15, 15), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(Dc, 5, 5, 10, 10), COMPLEXREGION);
  Fill(Dc, {0, 0, 30, 30}, kBlue);
  EXPECT_EQ(S.GetPixel(7, 7), kWhite);
  EXPECT_EQ(S.GetPixel(12, 7), kBlue);
  EXPECT_EQ(S.GetPixel(12, 12), kBlue);
  EXPECT_EQ(S.GetPixel(16, 12), kWhite);
  EXPECT_EQ(GetClipRgn(Dc, Probe), 1);
  EXPECT_TRUE(PtInRegion(Probe, 12, 7));
  EXPECT_FALSE(PtInRegion(Probe, 7, 7));
  TRect Hidden{0, 0, 5, 5}, Seen{0, 0, 6, 6};
  EXPECT_FALSE(RectVisible(Dc, &Hidden));
  EXPECT_FALSE(RectVisible(Dc, &Seen));  // its only clipped pixel, (5,5), is excluded
  TRect Corner{14, 14, 20, 20};
  EXPECT_TRUE(RectVisible(Dc, &Corner));
  // Drawing the clip hides entirely leaves no trace in the log.
  S.ClearRecords();
  TextOut(Dc, 20, 20, "hidden");
  Fill(Dc, {0, 0, 4, 4}, kRed);
  EXPECT_TRUE(S.Records().empty());
  TextOut(Dc, 12, 12, "partly shown");
  EXPECT_NE(S.FindText("partly shown"), nullptr);
  EXPECT_EQ(SelectClipRgn(Dc, nullptr), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(Dc, Probe), 0);
  DeleteObject(Probe);
  DeleteDC(Dc);
}

TEST(SurfaceDC, SaveAndRestoreBringBackClipAndObjects) {
  TLeakCheck Leaks;
  TSurface S(20, 20);
  HDC Dc = CreateSurfaceDC(&S, {0, 0}, nullptr);
  HPEN Pen = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ OldPen = SelectObject(Dc, Pen);
  Integer Level = SaveDC(Dc);
  EXPECT_EQ(Level, 1);
  IntersectClipRect(Dc, 0, 0, 5, 5);
  SetTextColor(Dc, kBlue);
  SelectObject(Dc, GetStockObject(BLACK_PEN));
  EXPECT_TRUE(RestoreDC(Dc, -1));
  EXPECT_EQ(GetCurrentObject(Dc, OBJ_PEN), Pen);
  EXPECT_EQ(GetTextColor(Dc), 0u);
  TRect Box;
  GetClipBox(Dc, &Box);
  EXPECT_EQ(Box, (TRect{0, 0, 20, 20}));
  EXPECT_FALSE(RestoreDC(Dc, -1));  // nothing saved any more
  // A selected pen is not deleted under the DC's feet.
  EXPECT_FALSE(DeleteObject(Pen));
  SelectObject(Dc, OldPen);
  EXPECT_TRUE(DeleteObject(Pen));
  DeleteDC(Dc);
}

TEST(SurfaceDC, BitBltWithinOneSurfaceActsLikeMemmove) {
  TLeakCheck Leaks;
  TSurface S(10, 1);
  for (int X = 0; X < 10; ++X) S.SetPixel(X, 0, RGB(X, 0, 0));
  HDC Dc = CreateSurfaceDC(&S, {0, 0}, nullptr);
  // Scroll right by 3 over an overlapping span.
  EXPECT_TRUE(BitBlt(Dc, 3, 0, 6, 1, Dc, 0, 0, SRCCOPY));
  for (int X = 3; X < 9; ++X) EXPECT_EQ(GetRValue(S.GetPixel(X, 0)), X - 3) << X;
  // And left by 2.
  for (int X = 0; X < 10; ++X) S.SetPixel(X, 0, RGB(X, 0, 0));
  BitBlt(Dc, 0, 0, 8, 1, Dc, 2, 0, SRCCOPY);
  for (int X = 0; X < 8; ++X) EXPECT_EQ(GetRValue(S.GetPixel(X, 0)), X + 2) << X;
  DeleteDC(Dc);
}

TEST(SurfaceDC, MemoryBitmapBlitsToWindowWithRecords) {
  TLeakCheck Leaks;
  TSurface Window(50, 50);
  HDC Wnd = CreateSurfaceDC(&Window, {5, 5}, nullptr);
  HDC Mem = CreateCompatibleDC(Wnd);
  HBITMAP Bmp = CreateCompatibleBitmap(Wnd, 20, 20);
  HGDIOBJ Old = SelectObject(Mem, Bmp);
  Fill(Mem, {0, 0, 20, 20}, kWhite);
  Fill(Mem, {2, 2, 6, 6}, kRed);
  Window.ClearRecords();
  EXPECT_TRUE(BitBlt(Wnd, 10, 10, 20, 20, Mem, 0, 0, SRCCOPY));
  EXPECT_EQ(Window.GetPixel(5 + 10 + 2, 5 + 10 + 2), kRed);
  EXPECT_EQ(Window.GetPixel(5 + 10 + 6, 5 + 10 + 6), kWhite);
  // The red fill shows in the window's log where it landed.
  bool Found = false;
  for (const TDrawRecord& R : Window.Records())
    if (R.Kind == TDrawKind::Fill && R.Color == kRed) {
      EXPECT_EQ(R.Rect, (TRect{17, 17, 21, 21}));
      Found = true;
    }
  EXPECT_TRUE(Found);
  // A bitmap selected into a DC is not deleted; once deselected it is.
  EXPECT_FALSE(DeleteObject(Bmp));
  SelectObject(Mem, Old);
  EXPECT_TRUE(DeleteObject(Bmp));
  DeleteDC(Mem);
  DeleteDC(Wnd);
}

TEST(SurfaceDC, ReusedBackBufferLogsOnlyWhatShows) {
  TLeakCheck Leaks;
  TSurface Window(60, 20);
  HDC Wnd = CreateSurfaceDC(&Window, {0, 0}, nullptr);
  HDC Mem = CreateCompatibleDC(Wnd);
  HBITMAP Bmp = CreateCompatibleBitmap(Wnd, 60, 20);
  HGDIOBJ Old = SelectObject(Mem, Bmp);
  for (const char* Text : {"first", "second"}) {
    Fill(Mem, {0, 0, 60, 20}, kWhite);
    TextOut(Mem, 2, 2, Text);
    BitBlt(Wnd, 0, 0, 60, 20, Mem, 0, 0, SRCCOPY);
  }
  EXPECT_EQ(Window.TextIn({0, 0, 60, 20}), "second");
  EXPECT_EQ(Window.FindText("first"), nullptr);
  // Painting clipped to part of a rectangle forgets nothing.
  IntersectClipRect(Wnd, 0, 0, 10, 20);
  Fill(Wnd, {0, 0, 60, 20}, kWhite);
  EXPECT_NE(Window.FindText("second"), nullptr);
  SelectObject(Mem, Old);
  DeleteObject(Bmp);
  DeleteDC(Mem);
  DeleteDC(Wnd);
}

TEST(SurfaceDC, RasterCodesCombineSourcePatternAndDestination) {
  TLeakCheck Leaks;
  TSurface Dst(1, 1), Src(1, 1);
  HDC D = CreateSurfaceDC(&Dst, {0, 0}, nullptr);
  HDC S = CreateSurfaceDC(&Src, {0, 0}, nullptr);
  HBRUSH Pat = CreateSolidBrush(0x00F0F0F0);
  HGDIOBJ Old = SelectObject(D, Pat);
  const std::uint32_t P = 0xF0F0F0, Sv = 0xCCCCCC, Dv = 0xAAAAAA;
  struct {
    DWORD Rop;
    std::uint32_t Want;
  } Cases[] = {
      {SRCCOPY, Sv},
      {SRCPAINT, Sv | Dv},
      {SRCAND, Sv & Dv},
      {SRCINVERT, Sv ^ Dv},
      {SRCERASE, Sv & ~Dv},
      {NOTSRCCOPY, ~Sv},
      {NOTSRCERASE, ~(Sv | Dv)},
      {MERGECOPY, P & Sv},
      {MERGEPAINT, ~Sv | Dv},
      {PATCOPY, P},
      {PATINVERT, P ^ Dv},
      {PATPAINT, P | ~Sv | Dv},
      {DSTINVERT, ~Dv},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
      {ROP_DSPDxax, (Sv & P) | (~Sv & Dv)},
  };
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Rop);
    Dst.Scanline(0)[0] = Dv;
    Src.Scanline(0)[0] = Sv;
    EXPECT_TRUE(BitBlt(D, 0, 0, 1, 1, S, 0, 0, C.Rop));
    EXPECT_EQ(Dst.Scanline(0)[0], C.Want & 0xFFFFFF);
  }
  SelectObject(D, Old);
  DeleteObject(Pat);
  DeleteDC(S);
  DeleteDC(D);
}

}  // namespace
