// Regions: combining, polygons, and the HRGN calls the window system keeps
// update regions with.
#include <gtest/gtest.h>

#include "platform/graphics/Gdi.h"

using namespace kvp;

namespace {

// Counts the pixels of a region by testing every point of its box.
int PixelCount(const TRegion& R) {
  int N = 0;
  TRect B = R.Box();
  for (int Y = B.Top; Y < B.Bottom; ++Y)
    for (int X = B.Left; X < B.Right; ++X) N += R.Contains({X, Y});
  return N;
}

TEST(Region, CombineModesGiveThePixelSetsAndKinds) {
  TRegion A(TRect{0, 0, 10, 10}), B(TRect{5, 5, 15, 15});
  struct {
    Integer Mode;
    int Pixels;
    Integer Kind;
  } Cases[] = {{RGN_AND, 25, SIMPLEREGION},
               {RGN_OR, 175, COMPLEXREGION},
               {RGN_XOR, 150, COMPLEXREGION},
               {RGN_DIFF, 75, COMPLEXREGION}};
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Mode);
    TRegion R = TRegion::Combine(A, B, C.Mode);
    R.CheckConsistency();
    EXPECT_EQ(PixelCount(R), C.Pixels);
    EXPECT_EQ(R.Kind(), C.Kind);
  }
  EXPECT_EQ(TRegion::Combine(A, TRegion(TRect{20, 20, 30, 30}), RGN_AND).Kind(), NULLREGION);
}

TEST(Region, EqualPixelSetsHaveEqualForms) {
  // Two halves joined side by side and on top of each other make the same rectangle.
  TRegion SideBySide =
      TRegion::Combine(TRegion(TRect{0, 0, 5, 10}), TRegion(TRect{5, 0, 10, 10}), RGN_OR);
  TRegion Stacked =
      TRegion::Combine(TRegion(TRect{0, 0, 10, 4}), TRegion(TRect{0, 4, 10, 10}), RGN_OR);
  EXPECT_EQ(SideBySide, TRegion(TRect{0, 0, 10, 10}));
  EXPECT_EQ(Stacked, SideBySide);
  EXPECT_EQ(Stacked.Kind(), SIMPLEREGION);
}

TEST(Region, PolygonCoversPixelCentresInside) {
  // A rectangle as a polygon is the rectangle region.
  EXPECT_EQ(TRegion::FromPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, ALTERNATE),
            TRegion(TRect{0, 0, 10, 10}));
  // A right triangle: row y holds the pixels whose centres lie left of the diagonal.
  TRegion T = TRegion::FromPolygon({{0, 0}, {8, 8}, {0, 8}}, ALTERNATE);
  T.CheckConsistency();
  EXPECT_TRUE(T.Contains({0, 7}));
  EXPECT_TRUE(T.Contains({6, 7}));
  EXPECT_FALSE(T.Contains({7, 7}));
  EXPECT_FALSE(T.Contains({1, 0}));
  EXPECT_EQ(PixelCount(T), 0 + 1 + 2 + 3 + 4 + 5 + 6 + 7);
}

TEST(Region, WindingFillsTheOverlapThatAlternateLeavesOut) {
  // A path that goes round the same square twice.
  std::vector<TPoint> Twice = {{0, 0}, {10, 0}, {10, 10}, {0, 10},
                               {0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(TRegion::FromPolygon(Twice, WINDING).Contains({5, 5}));
  EXPECT_FALSE(TRegion::FromPolygon(Twice, ALTERNATE).Contains({5, 5}));
}

TEST(RegionHandles, CombineOffsetBoxAndHitTests) {
  Integer Before = GetLiveGdiObjectCount();
  HRGN A = CreateRectRgn(0, 0, 10, 10);
  HRGN B = CreateRectRgnIndirect(TRect{20, 0, 30, 10});
  HRGN Dest = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(Dest, A, B, RGN_OR), COMPLEXREGION);
  TRect Box;
  EXPECT_EQ(GetRgnBox(Dest, &Box), COMPLEXREGION);
  EXPECT_EQ(Box, (TRect{0, 0, 30, 10}));
  EXPECT_TRUE(PtInRegion(Dest, 25, 5));
  EXPECT_FALSE(PtInRegion(Dest, 15, 5));
  TRect Gap{11, 0, 19, 10}, Touch{9, 9, 12, 12};
  EXPECT_FALSE(RectInRegion(Dest, &Gap));
  EXPECT_TRUE(RectInRegion(Dest, &Touch));
  EXPECT_EQ(OffsetRgn(Dest, 5, 5), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(Dest, 5, 5));
  EXPECT_FALSE(PtInRegion(Dest, 4, 4));
  EXPECT_EQ(CombineRgn(Dest, A, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(Dest, A));
  EXPECT_TRUE(SetRectRgn(Dest, 10, 10, 0, 0));  // normalised
  EXPECT_TRUE(EqualRgn(Dest, A));
  EXPECT_EQ(CombineRgn(Dest, A, A, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(Dest, A, nullptr, RGN_AND), ERROR_REGION);
  for (HRGN R : {A, B, Dest}) EXPECT_TRUE(DeleteObject(R));
  EXPECT_EQ(GetLiveGdiObjectCount(), Before);
  EXPECT_FALSE(DeleteObject(A));  // already gone
  EXPECT_FALSE(PtInRegion(A, 0, 0));
}

TEST(RegionHandles, PolygonRegion) {
  TPoint Diamond[] = {{5, 0}, {10, 5}, {5, 10}, {0, 5}};
  HRGN R = CreatePolygonRgn(Diamond, 4, WINDING);
  EXPECT_TRUE(PtInRegion(R, 5, 5));
  EXPECT_FALSE(PtInRegion(R, 0, 0));
  EXPECT_FALSE(PtInRegion(R, 9, 9));
  DeleteObject(R);
}

}  // namespace
