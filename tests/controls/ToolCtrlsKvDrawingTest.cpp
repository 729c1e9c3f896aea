// The toolkit's free routines: where a check box goes in a cell, when two
// clicks make a double click, images centred (and clipped, and blended) in a
// rectangle, tree boxes and dotted lines on pixels, and the deep comparison of
// key values.
//
// Ideas for tests: tree elements at scale 2 (a 17 x 17 box).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

TEST(ToolCtrlsKvDrawingTest, CheckBoxSizeComesFromTheSystemStrip) {
  EXPECT_EQ(DefaultCheckBoxWidth(), 13);
  EXPECT_EQ(DefaultCheckBoxHeight(), 13);
}

TEST(ToolCtrlsKvDrawingTest, CheckBoxRectInCellPlacesTheBoxWhereTheCellHasRoom) {
  struct {
    TRect Cell;
    TAlignment Align;
    TTextLayout Layout;
    TRect Want;
  } Cases[] = {
      {{0, 0, 40, 20}, taLeftJustify, tlTop, {0, 0, 13, 13}},
      {{0, 0, 40, 20}, taCenter, tlCenter, {14, 4, 27, 17}},
      {{0, 0, 40, 20}, taRightJustify, tlBottom, {27, 7, 40, 20}},
      {{5, 5, 45, 25}, taCenter, tlCenter, {19, 9, 32, 22}},
      // A cell 10 high: the box is 10 high at the cell's top, whatever the layout.
      {{0, 0, 40, 10}, taLeftJustify, tlCenter, {0, 0, 13, 10}},
      {{0, 0, 40, 10}, taLeftJustify, tlBottom, {0, 0, 13, 10}},
      // A right-justified box in a cell narrower than the box keeps the left edge.
      {{3, 0, 13, 20}, taRightJustify, tlTop, {3, 0, 13, 13}},
      // Exactly the box's size: nothing moves.
      {{0, 0, 13, 13}, taRightJustify, tlBottom, {0, 0, 13, 13}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Cell.Left << "," << C.Cell.Top << "," << C.Cell.Right
                                    << "," << C.Cell.Bottom);
    EXPECT_EQ(CheckBoxRectInCell(C.Cell, C.Align, C.Layout), C.Want);
  }
}

TEST(ToolCtrlsKvDrawingTest, IsDoubleClickAllowsExactlyTheSystemTimeAndRectangle) {
  ResetWindowSystem();
  const Cardinal T = GetDoubleClickTime();
  const Integer CX = GetSystemMetrics(SM_CXDOUBLECLK), CY = GetSystemMetrics(SM_CYDOUBLECLK);
  EXPECT_TRUE(IsDoubleClick({10, 10}, {10, 10}, T));
  EXPECT_FALSE(IsDoubleClick({10, 10}, {10, 10}, T + 1));
  EXPECT_TRUE(IsDoubleClick({10, 10}, {10 + CX, 10}, 0));
  EXPECT_FALSE(IsDoubleClick({10, 10}, {11 + CX, 10}, 0));
  EXPECT_TRUE(IsDoubleClick({10, 10}, {10 - CX, 10 - CY}, 0));
  EXPECT_FALSE(IsDoubleClick({10, 10}, {10, 9 - CY}, 0));
  SetSystemMetric(SM_CXDOUBLECLK, 5);
  EXPECT_TRUE(IsDoubleClick({0, 0}, {5, 0}, 100));
  SetSystemMetric(SM_CXDOUBLECLK, 4);
  EXPECT_FALSE(IsDoubleClick({0, 0}, {5, 0}, 100));
  ResetWindowSystem();
}

TEST(ToolCtrlsKvDrawingTest, VarEqualsComparesKeysDeeplyAndNeverCallsIncomparableValuesEqual) {
  EXPECT_TRUE(VarEquals(VarArrayOf({1, 2}), VarArrayOf({1, 2})));
  EXPECT_FALSE(VarEquals(VarArrayOf({1, 2}), VarArrayOf({1, 3})));
  EXPECT_TRUE(VarEquals(VarArrayOf({1, "a"}), VarArrayOf({1.0, "a"})));
  EXPECT_FALSE(VarEquals(VarArrayOf({1, 2}), Variant(1)));
  EXPECT_FALSE(VarEquals(Variant(1), VarArrayOf({1})));
  EXPECT_FALSE(VarEquals(Unassigned(), Null()));
  EXPECT_FALSE(VarEquals(Null(), Unassigned()));
  EXPECT_TRUE(VarEquals(Null(), Null()));
  EXPECT_TRUE(VarEquals(Unassigned(), Unassigned()));
  EXPECT_FALSE(VarEquals(Unassigned(), Variant(0)));
  EXPECT_TRUE(VarEquals(Variant(1), Variant(1.0)));
  EXPECT_FALSE(VarEquals(Variant(1), Null()));
  // Two empty arrays are not equal keys.
  EXPECT_FALSE(VarEquals(VarArrayCreate({0, -1}, varVariant), VarArrayCreate({0, -1}, varVariant)));
  // Arrays of another shape, or bounds, are different keys.
  EXPECT_FALSE(VarEquals(VarArrayOf({1, 2}), VarArrayOf({1, 2, 3})));
  Variant Shifted = VarArrayCreate({1, 2}, varVariant);
  VarArrayPut(Shifted, 1, 1);
  VarArrayPut(Shifted, 2, 2);
  EXPECT_FALSE(VarEquals(VarArrayOf({1, 2}), Shifted));
}

// Regression: values the comparison cannot handle were reported equal, so a
// lookup kept an old key and a check box showed a text value as checked.
TEST(ToolCtrlsKvDrawingTest, VarEqualsOfIncomparableValuesIsFalse) {
  EXPECT_FALSE(VarEquals(Variant("abc"), Variant(5)));
  EXPECT_FALSE(VarEquals(VarArrayOf({Variant("abc"), 1}), VarArrayOf({5, 1})));
  EXPECT_FALSE(VarEquals(VarArrayOf({1, Variant("abc")}), VarArrayOf({1, 5})));
  EXPECT_FALSE(VarEquals(VarArrayOf({VarArrayOf({1}), 1}), VarArrayOf({VarArrayOf({1}), 1})));
}

class ToolCtrlsKvTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { Bmp = MakeBitmap(40, 40, clYellow); }
  COLORREF At(Integer X, Integer Y) { return Bmp->GetSurface()->GetPixel(X, Y); }
  TObjectPtr<TBitmap> Bmp;
};

TEST_F(ToolCtrlsKvTreeTest, PlusBoxWithConnectorsAtScaleOne) {
  DrawTreeElement(Bmp->GetCanvas(), Rect(0, 0, 16, 16), tehPlusUpDown, false, 1, 1, false);
  const TSurface* S = Bmp->GetSurface();
  // The box: a 9 x 9 frame in the shadow colour, white inside.
  EXPECT_EQ(ColorBox(S, Rgb(clBtnShadow), Rect(3, 3, 14, 14)), Rect(4, 4, 13, 13));
  EXPECT_EQ(At(5, 5), Rgb(clWindow));
  EXPECT_EQ(At(11, 11), Rgb(clWindow));
  // The bars: 5 pixels each, crossing at the centre.
  EXPECT_EQ(ColorBox(S, Rgb(clWindowText), Rect(0, 0, 16, 16)), Rect(6, 6, 11, 11));
  EXPECT_EQ(CountColor(S, Rgb(clWindowText), Rect(0, 0, 16, 16)), 9);
  // Dotted connectors: up (y 0 and 2), down (y 14), right (x 14).
  EXPECT_EQ(At(8, 0), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 1), Rgb(clYellow));
  EXPECT_EQ(At(8, 2), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 3), Rgb(clYellow));
  EXPECT_EQ(At(8, 14), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 15), Rgb(clYellow));
  EXPECT_EQ(At(14, 8), Rgb(clBtnShadow));
  EXPECT_EQ(At(15, 8), Rgb(clYellow));
  EXPECT_EQ(At(16, 8), Rgb(clYellow));  // nothing outside the cell
}

TEST_F(ToolCtrlsKvTreeTest, MinusBoxOfTheLastNodeHasOnlyTheLineAbove) {
  DrawTreeElement(Bmp->GetCanvas(), Rect(0, 0, 16, 16), tehMinusUp, false, 1, 1, false);
  const TSurface* S = Bmp->GetSurface();
  EXPECT_EQ(ColorBox(S, Rgb(clWindowText), Rect(0, 0, 16, 16)), Rect(6, 8, 11, 9));
  EXPECT_EQ(At(8, 0), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 14), Rgb(clYellow));
  EXPECT_EQ(At(14, 8), Rgb(clBtnShadow));
}

TEST_F(ToolCtrlsKvTreeTest, ShiftLeftMovesTheBoxOnly) {
  DrawTreeElement(Bmp->GetCanvas(), Rect(0, 0, 16, 16), tehMinusDown, true, 1, 1, false);
  const TSurface* S = Bmp->GetSurface();
  // The box is one pixel further left; the dot at (14, 8) starts the branch.
  EXPECT_EQ(ColorBox(S, Rgb(clBtnShadow), Rect(0, 3, 16, 14)), Rect(3, 4, 15, 13));
  EXPECT_EQ(At(11, 4), Rgb(clBtnShadow));
  EXPECT_EQ(At(12, 6), Rgb(clYellow));
  EXPECT_EQ(ColorBox(S, Rgb(clWindowText), Rect(0, 0, 16, 16)), Rect(5, 8, 10, 9));
  EXPECT_EQ(At(8, 14), Rgb(clBtnShadow));  // the line down stays at the centre
  EXPECT_EQ(At(8, 0), Rgb(clYellow));      // no line up for the first node
}

TEST_F(ToolCtrlsKvTreeTest, DotPhaseMovesVerticalDotsOnly) {
  DrawTreeElement(Bmp->GetCanvas(), Rect(0, 0, 16, 16), tehCrossUp, false, 1, 1, true);
  EXPECT_EQ(At(8, 0), Rgb(clYellow));
  EXPECT_EQ(At(8, 1), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 7), Rgb(clBtnShadow));
  EXPECT_EQ(At(8, 9), Rgb(clYellow));      // the cross ends at the centre
  EXPECT_EQ(At(10, 8), Rgb(clBtnShadow));  // the branch keeps phase 0
  EXPECT_EQ(At(9, 8), Rgb(clYellow));
}

TEST_F(ToolCtrlsKvTreeTest, AdjacentCellsOfOddHeightLineTheirDotsUp) {
  for (Integer Row = 0; Row < 2; ++Row)
    DrawTreeElement(Bmp->GetCanvas(), Rect(0, Row * 15, 16, Row * 15 + 15), tehVLine, false, 1, 1,
                    false);
  for (Integer Y = 0; Y < 30; ++Y) {
    SCOPED_TRACE(Y);
    EXPECT_EQ(At(8, Y), Y % 2 == 0 ? Rgb(clBtnShadow) : Rgb(clYellow));
  }
  EXPECT_EQ(CountColor(Bmp->GetSurface(), Rgb(clBtnShadow), Rect(0, 0, 40, 40)), 15);
}

// Regression: a dotted line of no length drew a stray dot beside it.
TEST_F(ToolCtrlsKvTreeTest, DottedLinesOfNoLengthDrawNothing) {
  Bmp->GetCanvas()->GetPen()->SetColor(clBlack);
  DrawDottedLine(Bmp->GetCanvas(), 5, 6, 0, true, false);   // off phase: would move to x 6
  DrawDottedLine(Bmp->GetCanvas(), 5, 6, 1, false, false);  // off phase, shrinks to 0
  DrawDottedLine(Bmp->GetCanvas(), 5, 6, -3, true, true);
  EXPECT_EQ(CountColor(Bmp->GetSurface(), Rgb(clBlack), Rect(0, 0, 40, 40)), 0);
  DrawDottedLine(Bmp->GetCanvas(), 5, 6, 2, false, true);  // on phase: one dot
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Rgb(clBlack), Rect(0, 0, 40, 40)), Rect(5, 6, 6, 7));
}

class ToolCtrlsKvImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bmp = MakeBitmap(40, 40, clGray);
    Images.reset(TCustomImageList::CreateSize(8, 8));
    TObjectPtr<TBitmap> Red = MakeBitmap(8, 8, clRed);
    Images->Add(Red.get(), nullptr);
  }
  HDC DC() { return Bmp->GetCanvas()->GetHandle(); }
  TObjectPtr<TBitmap> Bmp;
  TObjectPtr<TCustomImageList> Images;
};

TEST_F(ToolCtrlsKvImageTest, AnImageIsCentredInTheRectangle) {
  DrawImageCentered(DC(), Rect(10, 10, 30, 30), Images.get(), false, 0);
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Rgb(clRed), Rect(0, 0, 40, 40)), Rect(16, 16, 24, 24));
  DrawImageCentered(DC(), Rect(0, 30, 9, 39), Images.get(), false, 0);  // odd room: rounds left
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Rgb(clRed), Rect(0, 28, 12, 40)), Rect(0, 30, 8, 38));
}

TEST_F(ToolCtrlsKvImageTest, AnImageLargerThanItsRectangleIsClippedAndTheClipIsGivenBack) {
  DrawImageCentered(DC(), Rect(10, 10, 14, 14), Images.get(), false, 0);
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Rgb(clRed), Rect(0, 0, 40, 40)), Rect(10, 10, 14, 14));
  HRGN Clip = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(DC(), Clip), 0);
  DeleteObject(Clip);
}

TEST_F(ToolCtrlsKvImageTest, ASelectedImageIsBlendedHalfWithTheHighlight) {
  DrawImageCentered(DC(), Rect(10, 10, 30, 30), Images.get(), true, 0);
  const COLORREF H = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF Want =
      RGB((255 + GetRValue(H) + 1) / 2, (0 + GetGValue(H) + 1) / 2, (0 + GetBValue(H) + 1) / 2);
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Want, Rect(0, 0, 40, 40)), Rect(16, 16, 24, 24));
  EXPECT_EQ(CountColor(Bmp->GetSurface(), Rgb(clRed), Rect(0, 0, 40, 40)), 0);
}

TEST_F(ToolCtrlsKvImageTest, AMaskListDrawsItsMaskAndAListWithoutHandleNothing) {
  Images->SetImageType(itMask);
  DrawImageCentered(DC(), Rect(10, 10, 30, 30), Images.get(), false, 0);
  EXPECT_EQ(ColorBox(Bmp->GetSurface(), Rgb(clBlack), Rect(0, 0, 40, 40)), Rect(16, 16, 24, 24));
  TObjectPtr<TCustomImageList> Empty(TCustomImageList::CreateSize(8, 8));
  TObjectPtr<TBitmap> Other = MakeBitmap(40, 40, clGray);
  ASSERT_FALSE(Empty->HandleAllocated());
  DrawImageCentered(Other->GetCanvas()->GetHandle(), Rect(10, 10, 30, 30), Empty.get(), false, 0);
  EXPECT_EQ(CountColor(Other->GetSurface(), Rgb(clGray), Rect(0, 0, 40, 40)), 1600);
  DrawImageCentered(Other->GetCanvas()->GetHandle(), Rect(10, 10, 30, 30), nullptr, false, 0);
}

}  // namespace
}  // namespace korvel
