// The button-face painter: the cache and its keys, the default widths, the
// geometry of halves, dots, signs and check boxes on pixels, the flags and
// theme elements each state asks for, and a sheet of every face in every
// state (toolkit-faces.png, toolkit-faces-zoom.png) to look at.
//
// Ideas for tests: a face wider than high (the sign's parity follows the
// shorter side only).
#include <gtest/gtest.h>

#include "platform/graphics/Themes.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

class ToolCtrlsKvPainterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    ThemeServices()->SetThemesEnabled(false);
    ThemeServices()->ClearRequests();
    ClearButtonsBitmapCache();
    Bmp = MakeBitmap(60, 60, clYellow);  // the faces' background colour is lime
  }
  void TearDown() override {
    ThemeServices()->SetThemesEnabled(false);
    ClearButtonsBitmapCache();
  }
  void Paint(TRect R, TDrawButtonControlStyleKv Style, bool Enabled = true, bool Active = false,
             bool Flat = false, TButtonDownStateKv Down = bdsUpKv,
             TCheckBoxState Check = cbUnchecked) {
    PaintButtonControl(Bmp->GetCanvas()->GetHandle(), R, clLime, Check, Enabled, Active, Flat, Down,
                       Style);
  }
  TSurface* S() { return Bmp->GetSurface(); }
  Integer CacheCount() { return ButtonsBitmapCache()->GetCount(); }
  TObjectPtr<TBitmap> Bmp;
};

TEST_F(ToolCtrlsKvPainterTest, EachDistinctFaceIsDrawnOnceAndThenCopied) {
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv);
  EXPECT_EQ(CacheCount(), 1);
  Paint(Rect(20, 20, 37, 37), bcsDropDownKv);
  EXPECT_EQ(CacheCount(), 1);
  EXPECT_EQ(S()->GetPixel(8, 8), S()->GetPixel(28, 28));  // the same face copied
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv, true, false, false, bdsDownKv);
  EXPECT_EQ(CacheCount(), 2);
  // Any member of the key makes another face.
  Paint(Rect(0, 0, 17, 16), bcsDropDownKv);
  Paint(Rect(0, 0, 16, 17), bcsDropDownKv);
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv, false);
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv, true, true);
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv, true, true, true);
  Paint(Rect(0, 0, 17, 17), bcsEllipsisKv);
  EXPECT_EQ(CacheCount(), 8);
  Paint(Rect(0, 0, 17, 17), bcsCheckBoxKv, true, false, false, bdsUpKv, cbChecked);
  Paint(Rect(0, 0, 17, 17), bcsCheckBoxKv, true, false, false, bdsUpKv, cbGrayed);
  EXPECT_EQ(CacheCount(), 10);
  // An up-down pair keeps one face per half.
  Paint(Rect(0, 0, 15, 16), bcsUpDownKv);
  EXPECT_EQ(CacheCount(), 12);
  ClearButtonsBitmapCache();
  EXPECT_EQ(CacheCount(), 0);
}

TEST_F(ToolCtrlsKvPainterTest, ACacheKeyNeverHoldsANegativeSize) {
  TButtonBitmapInfoKv Key;
  Key.Width = -5;
  Key.Height = 3;
  Paint(Rect(10, 10, 5, 13), bcsDropDownKv);  // right of left: a negative width
  ASSERT_EQ(CacheCount(), 1);
  auto* Entry = static_cast<TButtonBitmapInfoBitmapKv*>(ButtonsBitmapCache()->GetItems(0));
  EXPECT_EQ(Entry->BitmapInfo.Width, 0);
  EXPECT_EQ(Entry->BitmapInfo.Height, 3);
  EXPECT_TRUE(Entry->Bitmap->Empty());
  EXPECT_EQ(CountColor(S(), Rgb(clYellow), Rect(0, 0, 60, 60)), 3600);
}

TEST(ToolCtrlsKvWidthTest, DefaultButtonWidthIsTwoThirdsOfTheTextMadeOddAndCapped) {
  EXPECT_EQ(CalcEditButtonWidth(13, 17), 9);
  EXPECT_EQ(CalcEditButtonWidth(15, 17), 11);  // 10 made odd
  EXPECT_EQ(CalcEditButtonWidth(16, 17), 11);
  EXPECT_EQ(CalcEditButtonWidth(30, 17), 17);  // 21 capped by the scroll bar
  EXPECT_EQ(CalcEditButtonWidth(30, 16), 16);  // the cap may be even
  HDC DC = GetDC(nullptr);
  TEXTMETRIC TM;
  GetTextMetrics(DC, &TM);
  ReleaseDC(nullptr, DC);
  EXPECT_EQ(DefaultEditButtonWidth(),
            CalcEditButtonWidth(TM.tmHeight, GetSystemMetrics(SM_CXVSCROLL)));
  EXPECT_EQ(ScaledButtonWidth(15, true), 22);  // 22.5 to the even neighbour
  EXPECT_EQ(ScaledButtonWidth(17, true), 26);  // 25.5
  EXPECT_EQ(ScaledButtonWidth(16, true), 24);
  EXPECT_EQ(ScaledButtonWidth(17, false), 17);
}

TEST_F(ToolCtrlsKvPainterTest, UpDownHalvesLeaveALineOnlyForAnOddHeightOrAFrame) {
  Paint(Rect(0, 0, 15, 17), bcsUpDownKv);
  for (Integer Y = 0; Y < 17; ++Y) {
    SCOPED_TRACE(Y);
    EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(0, Y, 15, Y + 1)), Y == 8 ? 15 : 0);
  }
  Paint(Rect(20, 0, 35, 16), bcsUpDownKv);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(20, 0, 35, 16)), 0);
  // Frame mode (flat, not hot): a frame round the halves, and the line
  // between them two pixels thick for an even height.
  Paint(Rect(40, 0, 55, 16), bcsUpDownKv, true, false, true);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(41, 1, 54, 7)), 0);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(41, 7, 54, 9)), 26);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(41, 9, 54, 15)), 0);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(40, 0, 55, 16)), 26 + 2 * 15 + 2 * 14);
}

TEST_F(ToolCtrlsKvPainterTest, UpDownHalvesArePressedOneAtATime) {
  Paint(Rect(0, 0, 15, 16), bcsUpDownKv, true, false, false, bdsBottomDownKv);
  auto Controls = RecordsOf(S(), TDrawKind::FrameControl);
  ASSERT_EQ(Controls.size(), 2u);
  EXPECT_EQ(Controls[0].Flags2, DFCS_SCROLLUP);
  EXPECT_EQ(Controls[0].Rect, Rect(0, 0, 15, 8));
  EXPECT_EQ(Controls[1].Flags2, DFCS_SCROLLDOWN | DFCS_PUSHED);
  EXPECT_EQ(Controls[1].Rect, Rect(0, 8, 15, 16));
}

TEST_F(ToolCtrlsKvPainterTest, EllipsisDotsGrowWithTheInnerWidth) {
  const COLORREF Text = Rgb(clBtnText);
  // 16 wide: inner 12 inside the raised edge: 2-pixel dots, 2-pixel gaps.
  Paint(Rect(0, 0, 16, 16), bcsEllipsisKv);
  EXPECT_EQ(ColorBox(S(), Text, Rect(2, 2, 14, 14)), Rect(3, 7, 13, 9));
  EXPECT_EQ(CountColor(S(), Text, Rect(2, 2, 14, 14)), 12);
  EXPECT_EQ(S()->GetPixel(5, 7), Rgb(clBtnFace));  // a gap
  // 11 wide: inner 7: 1-pixel dots and gaps.
  Paint(Rect(20, 0, 31, 11), bcsEllipsisKv);
  EXPECT_EQ(ColorBox(S(), Text, Rect(22, 2, 29, 9)), Rect(23, 5, 28, 6));
  EXPECT_EQ(CountColor(S(), Text, Rect(22, 2, 29, 9)), 3);
  // 13 wide: inner 9: 2-pixel dots, 1-pixel gaps.
  Paint(Rect(40, 0, 53, 13), bcsEllipsisKv);
  EXPECT_EQ(ColorBox(S(), Text, Rect(42, 2, 51, 11)), Rect(42, 5, 50, 7));
  // Pressed: one pixel right and down.
  Paint(Rect(0, 20, 16, 36), bcsEllipsisKv, true, false, false, bdsDownKv);
  EXPECT_EQ(ColorBox(S(), Text, Rect(2, 22, 14, 34)), Rect(4, 28, 14, 30));
  // The sizes change exactly at inner widths 8 (dots) and 12 (gaps).
  struct TCase {
    Integer Inner, Dot, Gap;
  };
  for (const TCase& C : {TCase{7, 1, 1}, TCase{8, 2, 1}, TCase{11, 2, 1}, TCase{12, 2, 2}}) {
    SCOPED_TRACE(C.Inner);
    const Integer Side = C.Inner + 4;  // the raised edge takes two pixels a side
    Paint(Rect(40, 40, 40 + Side, 40 + Side), bcsEllipsisKv);
    const TRect Box = ColorBox(S(), Text, Rect(42, 42, 38 + Side, 38 + Side));
    EXPECT_EQ(Box.Height(), C.Dot);
    EXPECT_EQ(Box.Width(), 3 * C.Dot + 2 * C.Gap);
  }
}

TEST_F(ToolCtrlsKvPainterTest, DisabledMarksAreEmbossed) {
  Paint(Rect(0, 0, 11, 11), bcsEllipsisKv, false);
  EXPECT_EQ(CountColor(S(), Rgb(clBtnText), Rect(2, 2, 9, 9)), 0);
  EXPECT_EQ(ColorBox(S(), Rgb(clBtnShadow), Rect(2, 2, 9, 9)), Rect(3, 5, 8, 6));
  for (Integer X : {4, 6, 8}) EXPECT_EQ(S()->GetPixel(X, 6), Rgb(clBtnHighlight));
  Paint(Rect(20, 0, 37, 17), bcsPlusKv, false);
  // Crossing bars keep their shadow whole: the centre is shadow, not highlight.
  EXPECT_EQ(S()->GetPixel(28, 8), Rgb(clBtnShadow));
}

TEST_F(ToolCtrlsKvPainterTest, SignsAreCentredAndThePlusBarsCrossInTheirMiddles) {
  for (bool Flat : {false, true})
    for (Integer Side = 9; Side <= 24; ++Side) {
      SCOPED_TRACE(testing::Message() << "side " << Side << (Flat ? " flat" : ""));
      for (TDrawButtonControlStyleKv Style : {bcsPlusKv, bcsMinusKv}) {
        TObjectPtr<TBitmap> B = MakeBitmap(30, 30, clLime);
        PaintButtonControl(B->GetCanvas()->GetHandle(), Rect(0, 0, Side, Side), clLime, cbUnchecked,
                           true, true, Flat, bdsUpKv, Style);
        // Inside the edge (whose dark side is black too).
        const TRect In = Rect(2, 2, Side - 2, Side - 2);
        const TRect Box = ColorBox(B->GetSurface(), Rgb(clBtnText), In);
        ASSERT_FALSE(IsRectEmpty(Box));
        EXPECT_EQ(Box.Left, Side - Box.Right);
        if (Style == bcsPlusKv) {
          EXPECT_EQ(Box.Top, Side - Box.Bottom);
          EXPECT_EQ(Box.Width(), Box.Height());
          // The vertical bar runs through the middle of the horizontal one.
          const Integer Mid = (Box.Top + Box.Bottom) / 2;
          const TRect Row =
              ColorBox(B->GetSurface(), Rgb(clBtnText), Rect(2, Box.Top, Side - 2, Box.Top + 1));
          EXPECT_EQ(Row.Left - Box.Left, Box.Right - Row.Right);
          EXPECT_EQ(CountColor(B->GetSurface(), Rgb(clBtnText), Rect(2, Mid, Side - 2, Mid + 1)),
                    Box.Width());
        } else {
          EXPECT_GE(Box.Width(), Box.Height() * 2);
        }
      }
    }
}

TEST_F(ToolCtrlsKvPainterTest, SignSizesFollowTheShorterInnerSide) {
  Paint(Rect(0, 0, 17, 17), bcsPlusKv);  // inner 13: a 7-pixel cross, 1 thick
  EXPECT_EQ(ColorBox(S(), Rgb(clBtnText), Rect(2, 2, 15, 15)), Rect(5, 5, 12, 12));
  EXPECT_EQ(CountColor(S(), Rgb(clBtnText), Rect(2, 2, 15, 15)), 13);
  Paint(Rect(20, 0, 36, 16), bcsMinusKv);  // inner 12: 6 x 2
  EXPECT_EQ(ColorBox(S(), Rgb(clBtnText), Rect(22, 2, 34, 14)), Rect(25, 7, 31, 9));
}

TEST_F(ToolCtrlsKvPainterTest, ClassicFacesAskForTheFrameControlOfTheirState) {
  struct {
    TDrawButtonControlStyleKv Style;
    bool Enabled, Active, Flat;
    TButtonDownStateKv Down;
    UINT Kind, State;
  } Cases[] = {
      {bcsDropDownKv, true, false, false, bdsUpKv, DFC_SCROLL, DFCS_SCROLLCOMBOBOX},
      {bcsDropDownKv, true, true, false, bdsDownKv, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED},
      {bcsDropDownKv, false, false, false, bdsUpKv, DFC_SCROLL,
       DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE},
      {bcsDropDownKv, true, false, true, bdsUpKv, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_FLAT},
      {bcsCheckBoxKv, true, false, false, bdsUpKv, DFC_BUTTON, DFCS_BUTTONCHECK},
      {bcsCheckBoxKv, false, false, false, bdsDownKv, DFC_BUTTON,
       DFCS_BUTTONCHECK | DFCS_INACTIVE | DFCS_PUSHED},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.State);
    TObjectPtr<TBitmap> B = MakeBitmap(30, 30, clLime);
    PaintButtonControl(B->GetCanvas()->GetHandle(), Rect(0, 0, 17, 17), clLime, cbUnchecked,
                       C.Enabled, C.Active, C.Flat, C.Down, C.Style);
    auto Controls = RecordsOf(B->GetSurface(), TDrawKind::FrameControl);
    ASSERT_EQ(Controls.size(), 1u);
    EXPECT_EQ(Controls[0].Flags, C.Kind);
    EXPECT_EQ(Controls[0].Flags2, C.State);
  }
  Paint(Rect(0, 0, 13, 13), bcsCheckBoxKv, true, false, false, bdsUpKv, cbChecked);
  Paint(Rect(20, 0, 33, 13), bcsCheckBoxKv, true, false, false, bdsUpKv, cbGrayed);
  auto Controls = RecordsOf(S(), TDrawKind::FrameControl);
  ASSERT_EQ(Controls.size(), 2u);
  EXPECT_EQ(Controls[0].Flags2, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(Controls[1].Flags2, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_BUTTON3STATE);
}

TEST_F(ToolCtrlsKvPainterTest, AHotFlatClassicFaceHasItsOwnThinEdge) {
  Paint(Rect(0, 0, 17, 17), bcsDropDownKv, true, true, true);
  auto Edges = RecordsOf(S(), TDrawKind::Edge);
  ASSERT_EQ(Edges.size(), 1u);
  EXPECT_EQ(Edges[0].Flags, BDR_RAISEDINNER);
  EXPECT_EQ(Edges[0].Rect, Rect(0, 0, 17, 17));
  Paint(Rect(20, 0, 37, 17), bcsDropDownKv, true, true, true, bdsDownKv);
  Edges = RecordsOf(S(), TDrawKind::Edge);
  ASSERT_EQ(Edges.size(), 2u);
  EXPECT_EQ(Edges[1].Flags, BDR_SUNKENOUTER);
  // Not hot: one pixel of the background round the face instead.
  Paint(Rect(40, 0, 57, 17), bcsDropDownKv, true, false, true);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(40, 0, 57, 17)), 4 * 16);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(41, 1, 56, 16)), 0);
}

TEST_F(ToolCtrlsKvPainterTest, ThemedFacesAskTheThemeServiceForTheirElementAndState) {
  ThemeServices()->SetThemesEnabled(true);
  TThemeServices* T = ThemeServices();
  struct {
    TDrawButtonControlStyleKv Style;
    bool Enabled, Active, Flat;
    TButtonDownStateKv Down;
    TCheckBoxState Check;
    std::vector<TThemedElementDetails> Want;
  } Cases[] = {
      {bcsDropDownKv,
       true,
       false,
       false,
       bdsUpKv,
       cbUnchecked,
       {T->GetElementDetails(tcDropDownButtonNormal)}},
      {bcsDropDownKv,
       true,
       true,
       true,
       bdsUpKv,
       cbUnchecked,
       {T->GetElementDetails(tcDropDownButtonHot)}},
      {bcsDropDownKv,
       true,
       true,
       false,
       bdsDownKv,
       cbUnchecked,
       {T->GetElementDetails(tcDropDownButtonPressed)}},
      {bcsDropDownKv,
       false,
       true,
       false,
       bdsDownKv,
       cbUnchecked,
       {T->GetElementDetails(tcDropDownButtonDisabled)}},
      {bcsUpDownKv,
       true,
       true,
       false,
       bdsBottomDownKv,
       cbUnchecked,
       {T->GetElementDetails(tsUpHot), T->GetElementDetails(tsDownPressed)}},
      {bcsEllipsisKv,
       true,
       false,
       false,
       bdsUpKv,
       cbUnchecked,
       {T->GetElementDetails(tbPushButtonNormal)}},
      {bcsPlusKv, true, true, true, bdsUpKv, cbUnchecked, {T->GetElementDetails(ttbButtonHot)}},
      {bcsMinusKv,
       false,
       false,
       true,
       bdsUpKv,
       cbUnchecked,
       {T->GetElementDetails(ttbButtonDisabled)}},
      {bcsCheckBoxKv,
       true,
       false,
       false,
       bdsUpKv,
       cbChecked,
       {T->GetElementDetails(tbCheckBoxCheckedNormal)}},
      {bcsCheckBoxKv,
       false,
       false,
       false,
       bdsUpKv,
       cbGrayed,
       {T->GetElementDetails(tbCheckBoxMixedDisabled)}},
      {bcsCheckBoxKv,
       true,
       false,
       false,
       bdsUpKv,
       cbUnchecked,
       {T->GetElementDetails(tbCheckBoxUncheckedNormal)}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Style << " " << C.Enabled << C.Active << C.Flat << C.Down);
    T->ClearRequests();
    ClearButtonsBitmapCache();
    Paint(Rect(0, 0, 17, 18), C.Style, C.Enabled, C.Active, C.Flat, C.Down, C.Check);
    ASSERT_EQ(T->Requests().size(), C.Want.size());
    for (std::size_t I = 0; I < C.Want.size(); ++I) EXPECT_EQ(T->Requests()[I].Details, C.Want[I]);
  }
  // Themed faces keep no frame of the background, flat or not.
  ClearButtonsBitmapCache();
  Paint(Rect(20, 20, 37, 37), bcsDropDownKv, true, false, true);
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(20, 20, 37, 37)), 0);
  EXPECT_TRUE(RecordsOf(S(), TDrawKind::FrameControl).size() >=
              1u);  // the classic look of the element
}

TEST_F(ToolCtrlsKvPainterTest, ACheckBoxIsASquareInTheMiddleOfItsRectangle) {
  Paint(Rect(0, 0, 20, 13), bcsCheckBoxKv, true, false, false, bdsUpKv, cbChecked);
  auto Controls = RecordsOf(S(), TDrawKind::FrameControl);
  ASSERT_EQ(Controls.size(), 1u);
  EXPECT_EQ(Controls[0].Rect, Rect(3, 0, 16, 13));  // the odd pixel goes right
  EXPECT_EQ(CountColor(S(), Rgb(clYellow), Rect(0, 0, 3, 13)), 39);
  EXPECT_EQ(CountColor(S(), Rgb(clYellow), Rect(16, 0, 20, 13)), 52);
  // Flat and not hot: the box one pixel inside, framed in the shadow colour,
  // and a ring of the background round it.
  S()->ClearRecords();
  Paint(Rect(30, 0, 43, 20), bcsCheckBoxKv, true, false, true, bdsUpKv, cbChecked);
  EXPECT_EQ(CountColor(S(), Rgb(clBtnShadow), Rect(31, 4, 42, 5)), 11);  // top of the inner frame
  EXPECT_EQ(CountColor(S(), Rgb(clLime), Rect(30, 3, 43, 4)), 13);       // the ring above it
  Paint(Rect(30, 30, 43, 43), bcsCheckBoxKv, true, true, true, bdsUpKv, cbChecked);
  auto Edges = RecordsOf(S(), TDrawKind::Edge);
  ASSERT_FALSE(Edges.empty());
  EXPECT_EQ(Edges.back().Flags, BDR_SUNKENOUTER);
  EXPECT_EQ(Edges.back().Rect, Rect(30, 30, 43, 43));
  EXPECT_EQ(CountColor(S(), Rgb(clBtnFace), Rect(31, 31, 42, 32)), 11);  // hot inner frame
}

// Draws every face in every state the toolkit shows, classic and themed, on a
// background of the edit box's colour, and keeps a picture of it.
TEST_F(ToolCtrlsKvPainterTest, SheetOfEveryFaceInEveryState) {
  struct TFace {
    TDrawButtonControlStyleKv Style;
    TCheckBoxState Check;
    TButtonDownStateKv Pressed;
  };
  const TFace Faces[] = {
      {bcsDropDownKv, cbUnchecked, bdsDownKv}, {bcsEllipsisKv, cbUnchecked, bdsDownKv},
      {bcsUpDownKv, cbUnchecked, bdsDownKv},   {bcsUpDownKv, cbUnchecked, bdsBottomDownKv},
      {bcsPlusKv, cbUnchecked, bdsDownKv},     {bcsMinusKv, cbUnchecked, bdsDownKv},
      {bcsCheckBoxKv, cbUnchecked, bdsDownKv}, {bcsCheckBoxKv, cbChecked, bdsDownKv},
      {bcsCheckBoxKv, cbGrayed, bdsDownKv},
  };
  struct TLook {
    bool Themed, Enabled, Active, Flat, Down;
  };
  const TLook Looks[] = {
      {false, true, false, false, false}, {false, true, true, false, false},
      {false, true, true, false, true},   {false, false, false, false, false},
      {false, true, false, true, false},  {false, true, true, true, false},
      {false, true, true, true, true},    {true, true, false, false, false},
      {true, true, true, false, false},   {true, true, true, false, true},
      {true, false, false, false, false}, {true, true, false, true, false},
  };
  const Integer Cell = 24, Face = 17;
  TObjectPtr<TBitmap> Sheet = MakeBitmap(Cell * 12 + 4, Cell * 9 + 4, clWindow);
  for (Integer Col = 0; Col < 12; ++Col) {
    ThemeServices()->SetThemesEnabled(Looks[Col].Themed);
    ClearButtonsBitmapCache();
    for (Integer Row = 0; Row < 9; ++Row) {
      const TLook& L = Looks[Col];
      const TFace& F = Faces[Row];
      const TRect R = Bounds(4 + Col * Cell, 4 + Row * Cell, Face, Face + (Row == 2 || Row == 3));
      PaintButtonControl(Sheet->GetCanvas()->GetHandle(), R, clWindow, F.Check, L.Enabled, L.Active,
                         L.Flat, L.Down ? F.Pressed : bdsUpKv, F.Style);
    }
  }
  Sheet->GetSurface()->SavePng("toolkit-faces.png");
  TObjectPtr<TBitmap> Zoom = MakeBitmap(Sheet->GetWidth() * 4, Sheet->GetHeight() * 4, clWindow);
  Zoom->GetCanvas()->StretchDraw(Rect(0, 0, Zoom->GetWidth(), Zoom->GetHeight()), Sheet.get());
  Zoom->GetSurface()->SavePng("toolkit-faces-zoom.png");
  // Every cell holds a face: something other than the background.
  for (Integer Col = 0; Col < 12; ++Col)
    for (Integer Row = 0; Row < 9; ++Row) {
      SCOPED_TRACE(testing::Message() << Col << "," << Row);
      const TRect R = Bounds(4 + Col * Cell, 4 + Row * Cell, Face, Face);
      EXPECT_LT(CountColor(Sheet->GetSurface(), Rgb(clWindow), R), Face * Face);
    }
}

}  // namespace
}  // namespace korvel
