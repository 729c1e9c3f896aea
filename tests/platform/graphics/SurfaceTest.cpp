// Surfaces and device contexts on them: origins, visible regions, clipping,
// fills and blits as the window system and painting code use them.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;

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

TEST(DrawingLog, OffUnlessATestTurnsItOn) {
  TLeakCheck Leaks;
  TSurface Plain(60, 20);
  EXPECT_FALSE(Plain.GetRecording());
  HDC Dc = CreateSurfaceDC(&Plain, {0, 0}, nullptr);
  TextOut(Dc, 2, 2, "quiet");
  Fill(Dc, {30, 0, 40, 10}, kRed);
  EXPECT_TRUE(Plain.Records().empty());
  EXPECT_NE(Plain.GetPixel(35, 5), kWhite);  // the drawing itself happened
  DeleteDC(Dc);
  {
    TDrawingLogOn On;
    TSurface Logged(60, 20);
    EXPECT_TRUE(Logged.GetRecording());
    EXPECT_FALSE(Plain.GetRecording());  // a surface made before keeps its choice
    Dc = CreateSurfaceDC(&Logged, {0, 0}, nullptr);
    TextOut(Dc, 2, 2, "heard");
    EXPECT_NE(Logged.FindText("heard"), nullptr);
    DeleteDC(Dc);
  }
  EXPECT_FALSE(TSurface(5, 5).GetRecording());
  // A surface's own switch still works either way.
  Plain.SetRecording(true);
  Dc = CreateSurfaceDC(&Plain, {0, 0}, nullptr);
  TextOut(Dc, 2, 2, "now");
  EXPECT_NE(Plain.FindText("now"), nullptr);
  DeleteDC(Dc);
}

TEST(DrawingLog, AFullLogDropsItsOldestHalf) {
  TLeakCheck Leaks;
  TDrawingLogOn On;
  TSurface S(200, 20);
  HDC Dc = CreateSurfaceDC(&S, {0, 0}, nullptr);
  SetBkMode(Dc, TRANSPARENT);
  const std::size_t Max = TSurface::MaxRecords;
  for (std::size_t I = 0; I < Max; ++I) TextOut(Dc, 2, 2, "t" + std::to_string(I));
  EXPECT_EQ(S.Records().size(), Max);
  EXPECT_NE(S.FindText("t0"), nullptr);
  TextOut(Dc, 2, 2, "one more");
  EXPECT_EQ(S.Records().size(), Max / 2 + 1);
  EXPECT_EQ(S.FindText("t" + std::to_string(Max / 2 - 1)), nullptr);
  EXPECT_EQ(S.Records().front().Text, "t" + std::to_string(Max / 2));
  EXPECT_EQ(S.Records().back().Text, "one more");
  DeleteDC(Dc);
}

TEST(DrawingLog, TextRecordsCarryColourFontAndBox) {
  TLeakCheck Leaks;
  TDrawingLogOn On;
  TSurface S(200, 60);
  HDC Dc = CreateSurfaceDC(&S, {0, 0}, nullptr);
  HFONT Font = CreateFont(-13, 0, 0, 0, FW_SEMIBOLD, 1, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ Old = SelectObject(Dc, Font);
  SetTextColor(Dc, kRed);
  SetBkColor(Dc, kBlue);
  SetBkMode(Dc, TRANSPARENT);
  TextOut(Dc, 10, 5, "total");
  TextOut(Dc, 10, 30, "total");  // the same text again, lower down
  const TDrawRecord* R = S.FindText("total");
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->Rect.Top, 30) << "FindText answers the last one drawn";
  EXPECT_EQ(R->Color, kRed);
  EXPECT_TRUE(R->Bold);  // semibold counts as bold
  EXPECT_TRUE(R->Italic);
  EXPECT_FALSE(R->Opaque);
  EXPECT_EQ(R->FontName, "Arial");
  EXPECT_EQ(R->FontHeight, -13);
  EXPECT_EQ(R->FontSize, 10);  // 13 pixels are 9.75 points
  // TextsIn takes what lies wholly inside; TextsAt what meets the rectangle.
  const TRect Upper{0, 0, 200, 25}, Cut{0, 10, 200, 40};
  EXPECT_EQ(S.TextsIn(Upper).size(), 1u);
  EXPECT_EQ(S.TextsIn(Cut).size(), 0u);
  EXPECT_EQ(S.TextsAt(Cut).size(), 2u);
  EXPECT_EQ(S.TextIn({0, 0, 200, 60}), "total\ntotal");
  SelectObject(Dc, Old);
  DeleteObject(Font);
  DeleteDC(Dc);
}

TEST(Surface, ResizeKeepsTheTopLeftToTheLastRowAndColumn) {
  TSurface S(4, 3);
  S.Fill(kBlue);
  S.SetPixel(3, 2, kRed);
  S.Resize(6, 5);
  EXPECT_EQ(S.GetPixel(3, 2), kRed);
  EXPECT_EQ(S.GetPixel(0, 2), kBlue);
  EXPECT_EQ(S.GetPixel(4, 2), kWhite);  // new pixels are white
  EXPECT_EQ(S.GetPixel(3, 3), kWhite);
  S.Resize(4, 3);
  EXPECT_EQ(S.GetPixel(3, 2), kRed);
}

TEST(Surface, PngKeepsEachChannel) {
  TSurface S(2, 1);
  S.SetPixel(0, 0, RGB(10, 20, 30));
  S.SetPixel(1, 0, RGB(200, 0, 100));
  const String File = "kv_channels_test.png";
  S.SavePng(File);
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&Image, File.c_str()));
  Image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> Pixels(PNG_IMAGE_SIZE(Image));
  ASSERT_TRUE(png_image_finish_read(&Image, nullptr, Pixels.data(), 0, nullptr));
  EXPECT_EQ(std::vector<int>(Pixels.begin(), Pixels.end()),
            (std::vector<int>{10, 20, 30, 200, 0, 100}));
  std::remove(File.c_str());
}

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

// A device that takes no bytes: the failed write is reported, not passed off
// as a saved file, and nothing allocated on the way is lost.
TEST(Surface, PngWriteErrorRaisesAndLeaksNothing) {
  TSurface S(300, 200);
  std::uint32_t Noise = 12345;  // incompressible rows, so libpng itself meets the error
  for (int Y = 0; Y < S.Height(); ++Y)
    for (int X = 0; X < S.Width(); ++X)
      S.Scanline(Y)[X] = (Noise = Noise * 1103515245 + 12345) >> 8;
  EXPECT_THROW(S.SavePng("/dev/full"), EFCreateError);
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
  TDrawingLogOn DrawingLog;
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
  TDrawingLogOn DrawingLog;
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
  TDrawingLogOn DrawingLog;
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

// Reads a PNG file back as 0x00RRGGBB pixels; empty when it cannot be read.
std::vector<std::uint32_t> ReadPng(const String& File, Integer& Width, Integer& Height) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&Image, File.c_str())) return {};
  Image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> Bytes(PNG_IMAGE_SIZE(Image));
  if (!png_image_finish_read(&Image, nullptr, Bytes.data(), 0, nullptr)) return {};
  Width = Integer(Image.width);
  Height = Integer(Image.height);
  std::vector<std::uint32_t> Pixels(Bytes.size() / 3);
  for (std::size_t I = 0; I < Pixels.size(); ++I)
    Pixels[I] =
        std::uint32_t(Bytes[I * 3]) << 16 | std::uint32_t(Bytes[I * 3 + 1]) << 8 | Bytes[I * 3 + 2];
  return Pixels;
}

// The sample surface: a sunken white field holding a caption inside a focus
// rectangle, a checked box beside it, and a raised button face under them.
struct TSampleSurface : kvp::test::TPaintBox {
  static constexpr TRect Field{4, 4, 100, 26};
  static constexpr TRect Caption{8, 8, 96, 22};
  static constexpr TRect Check{110, 8, 123, 21};
  static constexpr TRect Button{4, 32, 100, 56};
  TSampleSurface() : TPaintBox(130, 60) {
    TRect All{0, 0, 130, 60};
    FillRect(Dc, &All, GetSysColorBrush(COLOR_BTNFACE));
    TRect R = Field;
    DrawEdge(Dc, &R, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(Dc, &R, GetSysColorBrush(COLOR_WINDOW));
    UseFont("MS Sans Serif", -11);
    SetBkMode(Dc, TRANSPARENT);
    R = Caption;
    DrawText(Dc, "Korvel &grid", -1, &R, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    R = Caption;
    DrawFocusRect(Dc, &R);
    R = Check;
    DrawFrameControl(Dc, &R, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    R = Button;
    DrawEdge(Dc, &R, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    DrawText(Dc, "OK", -1, &R, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
  int Count(TRect R, COLORREF C) const {
    int N = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
      for (int X = R.Left; X < R.Right; ++X) N += Surface.GetPixel(X, Y) == C;
    return N;
  }
};

TEST(Png, SampleSurfaceWithTextEdgesCheckBoxAndFocusRect) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TSampleSurface S;
  // The sunken field: shadow outside, dark shadow inside, a white middle.
  EXPECT_EQ(S.Surface.GetPixel(4, 4), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(S.Surface.GetPixel(5, 5), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(S.Surface.GetPixel(99, 25), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(S.Surface.GetPixel(98, 24), GetSysColor(COLOR_3DLIGHT));
  // The focus rectangle: every other pixel of its frame inverted from white.
  for (int X = S.Caption.Left; X < S.Caption.Right; ++X) {
    SCOPED_TRACE(X);
    EXPECT_EQ(S.Surface.GetPixel(X, S.Caption.Top),
              (X - S.Caption.Left) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0));
  }
  // The caption's ink lies inside the frame, with the prefix underline under "g".
  const TDrawRecord* Text = S.Surface.FindText("Korvel grid");
  ASSERT_NE(Text, nullptr);
  EXPECT_TRUE(Text->Rect.Left > S.Caption.Left && Text->Rect.Right < S.Caption.Right);
  TRect Inside{S.Caption.Left + 1, S.Caption.Top + 1, S.Caption.Right - 1, S.Caption.Bottom - 1};
  int InsideArea = Inside.Width() * Inside.Height();
  EXPECT_GT(InsideArea - S.Count(Inside, GetSysColor(COLOR_WINDOW)), 60);
  // The check box: a white box with the tick in window text.
  EXPECT_EQ(S.Count({112, 10, 121, 19}, GetSysColor(COLOR_WINDOW)) +
                S.Count({112, 10, 121, 19}, GetSysColor(COLOR_WINDOWTEXT)),
            81);
  EXPECT_EQ(S.Count({112, 10, 121, 19}, GetSysColor(COLOR_WINDOWTEXT)), 21);
  // The button: raised edge round a face with "OK" in the middle.
  EXPECT_EQ(S.Surface.GetPixel(4, 32), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(S.Surface.GetPixel(99, 55), GetSysColor(COLOR_3DDKSHADOW));
  const TDrawRecord* Ok = S.Surface.FindText("OK");
  ASSERT_NE(Ok, nullptr);
  EXPECT_EQ(Ok->Rect.Left + Ok->Rect.Right, S.Button.Left + S.Button.Right);
  EXPECT_GT(Ok->Rect.Width() * Ok->Rect.Height() - S.Count(Ok->Rect, GetSysColor(COLOR_BTNFACE)),
            20);
  // The PNG holds exactly the surface's pixels.
  String File = testing::TempDir() + "graphics-sample.png";
  S.Surface.SavePng(File);
  Integer W = 0, H = 0;
  std::vector<std::uint32_t> Read = ReadPng(File, W, H);
  ASSERT_EQ(W, S.Surface.Width());
  ASSERT_EQ(H, S.Surface.Height());
  for (int Y = 0; Y < H; ++Y)
    ASSERT_TRUE(std::equal(Read.begin() + Y * W, Read.begin() + (Y + 1) * W, S.Surface.Scanline(Y)))
        << "row " << Y;
}

}  // namespace
