// The raster fast paths (solid fills, same-format copies, one-pixel solid
// lines, glyph blits) against the general per-pixel code: a sheet of every
// primitive drawn both ways must come out the same, pixel for pixel; and the
// region operations the clipping leans on, against a pixel-by-pixel answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "GraphicsTestUtil.h"
#include "PrimitiveSheet.h"

using namespace kvp;
using namespace kvp::test;

namespace {

// Turns the fast paths on or off for one scope.
struct TFastPaths {
  bool Old = GetRasterFastPaths();
  explicit TFastPaths(bool On) { SetRasterFastPaths(On); }
  ~TFastPaths() { SetRasterFastPaths(Old); }
};

std::vector<std::uint32_t> SheetWith(bool Fast, const TSheetConfig& Config) {
  TFastPaths Paths(Fast);
  return SheetPixels(Config);
}

TEST(FastPaths, EveryPrimitiveGivesTheGeneralCodesPixels) {
  for (const TSheetConfig& Config : SheetConfigs()) {
    SCOPED_TRACE(Config.Name);
    const std::vector<std::uint32_t> Slow = SheetWith(false, Config);
    const std::vector<std::uint32_t> Fast = SheetWith(true, Config);
    ASSERT_EQ(Slow.size(), Fast.size());
    const Integer Width = SheetWidth + (Config.Target == 2 ? 8 : 0);
    std::size_t Differ = 0, First = Slow.size();
    for (std::size_t I = 0; I < Slow.size(); ++I)
      if (Slow[I] != Fast[I] && Differ++ == 0) First = I;
    EXPECT_EQ(Differ, 0u) << "first at (" << Integer(First) % Width << ", "
                          << Integer(First) / Width << ")";
    // The sheet really draws: most of the noise is gone or changed.
    TSurface Noise(Width, Integer(Slow.size()) / Width);
    FillNoise(Noise, 3);
    std::size_t Changed = 0;
    for (Integer Y = 0; Y < Noise.Height(); ++Y)
      for (Integer X = 0; X < Width; ++X)
        Changed += Noise.Scanline(Y)[X] != Slow[std::size_t(Y * Width + X)];
    EXPECT_GT(Changed, Slow.size() / 5);
  }
}

// The sheet without text (glyphs come from the installed font files), as
// drawn when these pictures were checked by eye: a hash of each picture's
// pixels. A change of drawing that is meant must be looked at in the PNGs
// the failure writes (test-output/primitive-sheet-N.png) before the hashes
// are replaced; KV_PRINT_SHEET_HASHES=1 prints them all.
std::uint64_t PixelHash(const std::vector<std::uint32_t>& Pixels) {
  std::uint64_t H = 1469598103934665603ull;
  for (std::uint32_t P : Pixels)
    for (int Byte = 0; Byte < 4; ++Byte) {
      H ^= (P >> (8 * Byte)) & 0xFF;
      H *= 1099511628211ull;
    }
  return H;
}

const std::uint64_t kSheetHashes[] = {
    0xd40ab3a38e07d083ull,  // plain
    0x1017174597d6b776ull,  // rect clip
    0xf192540b66e4bed6ull,  // complex clip
    0x38861cae8d8a0c13ull,  // polygon clip
    0x92a013fc45e2e55bull,  // scaled
    0x4d45ecf69da1d5c3ull,  // scaled, complex clip
    0xe4b8861ed7047455ull,  // mirrored
    0x386808a102fbc67full,  // mirrored, rect clip
    0x9e3d5188ae77cf1cull,  // mirrored, polygon clip
    0x6b3289d7cf56996eull,  // mono
    0x386d401000b06983ull,  // mono, complex clip
    0x35e7ee387813191eull,  // mono, mirrored
    0x221208194b09eae0ull,  // window
    0x5befab1259b7be47ull,  // window, complex clip
    0x135cc179f5935f36ull,  // window, mirrored
};

TEST(PrimitiveSheet, MatchesItsReferencePictures) {
  const std::vector<TSheetConfig>& Configs = SheetConfigs();
  const bool Print = std::getenv("KV_PRINT_SHEET_HASHES") != nullptr;
  for (std::size_t I = 0; I < Configs.size(); ++I) {
    SCOPED_TRACE(Configs[I].Name);
    const std::vector<std::uint32_t> Pixels = SheetPixels(Configs[I], false);
    const std::uint64_t Hash = PixelHash(Pixels);
    if (Print) std::printf("    0x%016llxull,  // %s\n", (unsigned long long)Hash, Configs[I].Name);
    if (I < std::size(kSheetHashes) && Hash == kSheetHashes[I]) continue;
    const Integer Width = SheetWidth + (Configs[I].Target == 2 ? 8 : 0);
    TSurface Picture(Width, Integer(Pixels.size()) / Width);
    for (Integer Y = 0; Y < Picture.Height(); ++Y)
      std::copy_n(Pixels.data() + std::size_t(Y * Width), Width, Picture.Scanline(Y));
    const String File = "primitive-sheet-" + std::to_string(I) + ".png";
    Picture.SavePng(File);
    ADD_FAILURE() << "the picture differs from its reference; see " << File;
  }
}

// Each fast path on its own, on a background that is not white, with the
// exact extents the general code gives.
TEST(FastPaths, SolidFillWithEveryBinaryCode) {
  TLeakCheck Leaks;
  for (Integer Rop = R2_BLACK; Rop <= R2_WHITE; ++Rop) {
    SCOPED_TRACE(Rop);
    std::vector<std::uint32_t> Out[2];
    for (bool Fast : {false, true}) {
      TFastPaths Paths(Fast);
      TPaintBox Box(40, 30);
      FillNoise(Box.Surface, 5);
      HBRUSH Brush = CreateSolidBrush(RGB(0x35, 0xA0, 0x5C));
      HGDIOBJ Old = SelectObject(Box.Dc, Brush);
      SelectObject(Box.Dc, GetStockObject(NULL_PEN));
      SetROP2(Box.Dc, Rop);
      Rectangle(Box.Dc, 3, 4, 30, 20);  // without a pen: 3..28 x 4..18
      SelectObject(Box.Dc, Old);
      DeleteObject(Brush);
      for (Integer Y = 0; Y < 30; ++Y)
        Out[Fast].insert(Out[Fast].end(), Box.Surface.Scanline(Y), Box.Surface.Scanline(Y) + 40);
    }
    EXPECT_EQ(Out[0], Out[1]);
  }
}

TEST(FastPaths, OnePixelLinesStopBeforeTheirEndPoint) {
  TLeakCheck Leaks;
  TPaintBox Box(30, 30);
  Box.Surface.Fill(RGB(10, 20, 30));
  HPEN Pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ Old = SelectObject(Box.Dc, Pen);
  MoveToEx(Box.Dc, 20, 5, nullptr);
  LineTo(Box.Dc, 5, 5);   // leftwards: 20 down to 6
  LineTo(Box.Dc, 5, 25);  // down: 5 .. 24
  EXPECT_EQ(Box.Surface.GetPixel(20, 5), RGB(255, 0, 0));
  EXPECT_EQ(Box.Surface.GetPixel(6, 5), RGB(255, 0, 0));
  EXPECT_EQ(Box.Surface.GetPixel(5, 5), RGB(255, 0, 0));  // the second line's start
  EXPECT_EQ(Box.Surface.GetPixel(21, 5), RGB(10, 20, 30));
  EXPECT_EQ(Box.Surface.GetPixel(5, 24), RGB(255, 0, 0));
  EXPECT_EQ(Box.Surface.GetPixel(5, 25), RGB(10, 20, 30));
  EXPECT_EQ(Box.Surface.GetPixel(4, 10), RGB(10, 20, 30));
  SelectObject(Box.Dc, Old);
  DeleteObject(Pen);
}

TEST(FastPaths, XorLinesCrossingThemselvesInvertEachPixelOnce) {
  // A closed XOR outline drawn twice leaves the background as it was, and its
  // corners, touched by two segments, are inverted once while it shows.
  TLeakCheck Leaks;
  TPaintBox Box(30, 30);
  FillNoise(Box.Surface, 9);
  const TSurface Before = Box.Surface;
  HPEN Pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ Old = SelectObject(Box.Dc, Pen);
  SetROP2(Box.Dc, R2_XORPEN);
  const TPoint Square[] = {{4, 4}, {20, 4}, {20, 20}, {4, 20}, {4, 4}, {20, 4}};
  Polyline(Box.Dc, Square, 6);  // the top edge twice
  EXPECT_EQ(Box.Surface.GetPixel(10, 4), Before.GetPixel(10, 4) ^ 0xFFFFFF);
  EXPECT_EQ(Box.Surface.GetPixel(20, 20), Before.GetPixel(20, 20) ^ 0xFFFFFF);
  Polyline(Box.Dc, Square, 6);
  for (Integer Y = 0; Y < 30; ++Y)
    for (Integer X = 0; X < 30; ++X) ASSERT_EQ(Box.Surface.GetPixel(X, Y), Before.GetPixel(X, Y));
  SelectObject(Box.Dc, Old);
  DeleteObject(Pen);
}

TEST(FastPaths, CopiesAreExactAtTheSourceEdge) {
  TLeakCheck Leaks;
  TPaintBox Box(40, 40);
  Box.Surface.Fill(RGB(1, 2, 3));
  HDC Mem = CreateCompatibleDC(Box.Dc);
  HBITMAP Bmp = CreateCompatibleBitmap(Box.Dc, 10, 8);
  HGDIOBJ Old = SelectObject(Mem, Bmp);
  FillNoise(*GetBitmapSurface(Bmp), 4);
  // Half the source lies left of and above the bitmap: those pixels stay.
  BitBlt(Box.Dc, 10, 10, 12, 10, Mem, -2, -3, SRCCOPY);
  const TSurface& Src = *GetBitmapSurface(Bmp);
  EXPECT_EQ(Box.Surface.GetPixel(11, 12), RGB(1, 2, 3));
  EXPECT_EQ(Box.Surface.GetPixel(12, 13), Src.GetPixel(0, 0));
  EXPECT_EQ(Box.Surface.GetPixel(21, 17), Src.GetPixel(9, 4));
  EXPECT_EQ(Box.Surface.GetPixel(21, 19), Src.GetPixel(9, 6));
  EXPECT_EQ(Box.Surface.GetPixel(22, 19), RGB(1, 2, 3));  // past the destination
  SelectObject(Mem, Old);
  DeleteObject(Bmp);
  DeleteDC(Mem);
}

// [SECTION] Regions against pixel sets

using TPixelSet = std::vector<bool>;
constexpr int kGrid = 24;

TPixelSet PixelsOf(const TRegion& R) {
  TPixelSet P(kGrid * kGrid);
  for (int Y = 0; Y < kGrid; ++Y)
    for (int X = 0; X < kGrid; ++X) P[std::size_t(Y * kGrid + X)] = R.Contains({X, Y});
  return P;
}

TRegion RandomRegion(std::mt19937& Rng) {
  std::uniform_int_distribution<int> Pos(0, kGrid), Count(0, 5), Mode(RGN_AND, RGN_DIFF);
  TRegion R;
  for (int I = Count(Rng); I > 0; --I) {
    int A = Pos(Rng), B = Pos(Rng), C = Pos(Rng), D = Pos(Rng);
    TRegion Part(TRect{std::min(A, B), std::min(C, D), std::max(A, B), std::max(C, D)});
    R = TRegion::Combine(R, Part, I % 3 == 0 ? Mode(Rng) : RGN_OR);
  }
  return R;
}

TEST(RegionPixels, CombineAndIntersectedAgreeWithPixelSets) {
  std::mt19937 Rng(1234);
  std::uniform_int_distribution<int> Pos(-2, kGrid + 2);
  for (int Trial = 0; Trial < 400; ++Trial) {
    SCOPED_TRACE(Trial);
    const TRegion A = RandomRegion(Rng), B = RandomRegion(Rng);
    const TPixelSet PA = PixelsOf(A), PB = PixelsOf(B);
    for (Integer Mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
      const TRegion C = TRegion::Combine(A, B, Mode);
      C.CheckConsistency();
      const TPixelSet PC = PixelsOf(C);
      for (std::size_t I = 0; I < PC.size(); ++I) {
        const bool Want = Mode == RGN_AND   ? PA[I] && PB[I]
                          : Mode == RGN_OR  ? PA[I] || PB[I]
                          : Mode == RGN_XOR ? PA[I] != PB[I]
                                            : PA[I] && !PB[I];
        ASSERT_EQ(PC[I], Want) << "mode " << Mode << " at " << I;
      }
    }
    const int X0 = Pos(Rng), X1 = Pos(Rng), Y0 = Pos(Rng), Y1 = Pos(Rng);
    const TRect R{std::min(X0, X1), std::min(Y0, Y1), std::max(X0, X1), std::max(Y0, Y1)};
    const TRegion Cut = A.Intersected(R);
    Cut.CheckConsistency();
    // The canonical form is unique: the cut equals the region built pixel by pixel.
    TRegion Reference;
    for (int Y = 0; Y < kGrid; ++Y)
      for (int X = 0; X < kGrid; ++X)
        if (PA[std::size_t(Y * kGrid + X)] && PtInRect(R, {X, Y}))
          Reference = TRegion::Combine(Reference, TRegion(TRect{X, Y, X + 1, Y + 1}), RGN_OR);
    EXPECT_EQ(Cut, Reference);
  }
}

}  // namespace
