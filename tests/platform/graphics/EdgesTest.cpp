// Edges, frame controls and the system colour scheme they are drawn in.
#include <gtest/gtest.h>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;
using kvp::test::TPaintBox;

namespace {

TEST(Edges, RaisedAndSunkenEdgesUseTheirShades) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox B(40, 40);
  TRect R{0, 0, 10, 10};
  DrawEdge(B.Dc, &R, EDGE_RAISED, BF_RECT);
  EXPECT_EQ(B.Surface.GetPixel(0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(B.Surface.GetPixel(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(B.Surface.GetPixel(9, 9), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(8, 8), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(9, 0),
            GetSysColor(COLOR_3DDKSHADOW));  // the corner belongs to the bottom-right
  EXPECT_EQ(B.Surface.GetPixel(5, 5), RGB(255, 255, 255));  // no BF_MIDDLE
  TRect S{20, 0, 30, 10};
  DrawEdge(B.Dc, &S, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE);
  EXPECT_EQ(B.Surface.GetPixel(20, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(29, 9), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(B.Surface.GetPixel(25, 5), GetSysColor(COLOR_BTNFACE));
  const TDrawRecord& Rec = B.Surface.Records().back();
  EXPECT_EQ(Rec.Kind, TDrawKind::Edge);
  EXPECT_EQ(Rec.Flags, BDR_SUNKENOUTER);
  EXPECT_EQ(Rec.Flags2, BF_RECT | BF_MIDDLE);
}

// Every pixel of a raised and a sunken edge on a background of no scheme
// colour: the top and left sides stop short of the corners that belong to
// the bottom and right sides, ring inside ring.
TEST(Edges, EveryPixelOfARaisedAndASunkenEdge) {
  TLeakCheck Leaks;
  const COLORREF Olive = RGB(128, 128, 0);
  auto Colour = [&](char C) {
    switch (C) {
      case 'L':
        return GetSysColor(COLOR_3DLIGHT);
      case 'H':
        return GetSysColor(COLOR_BTNHIGHLIGHT);
      case 'S':
        return GetSysColor(COLOR_BTNSHADOW);
      case 'D':
        return GetSysColor(COLOR_3DDKSHADOW);
      default:
        return Olive;
    }
  };
  const struct {
    UINT Edge;
    const char* Rows[7];
  } Cases[] = {
      {EDGE_RAISED,
       {"........", ".LLLLLD.", ".LHHHSD.", ".LH..SD.", ".LSSSSD.", ".DDDDDD.", "........"}},
      {EDGE_SUNKEN,
       {"........", ".SSSSSH.", ".SDDDLH.", ".SD..LH.", ".SLLLLH.", ".HHHHHH.", "........"}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Edge);
    TPaintBox B(8, 7);
    B.Surface.Fill(Olive);
    TRect R{1, 1, 7, 6};
    DrawEdge(B.Dc, &R, C.Edge, BF_RECT);
    for (Integer Y = 0; Y < 7; ++Y)
      for (Integer X = 0; X < 8; ++X)
        EXPECT_EQ(B.Surface.GetPixel(X, Y), Colour(C.Rows[Y][X])) << X << "," << Y;
  }
}

TEST(Edges, SidesAndAdjust) {
  TLeakCheck Leaks;
  TPaintBox B(40, 40);
  TRect R{0, 0, 10, 10};
  DrawEdge(B.Dc, &R, EDGE_SUNKEN, BF_LEFT | BF_TOP | BF_ADJUST);
  EXPECT_EQ(R, (TRect{2, 2, 10, 10}));
  EXPECT_EQ(B.Surface.GetPixel(9, 9), RGB(255, 255, 255));
  TRect Flat{20, 20, 30, 30};
  DrawEdge(B.Dc, &Flat, EDGE_RAISED, BF_RECT | BF_FLAT | BF_ADJUST);
  EXPECT_EQ(Flat, (TRect{22, 22, 28, 28}));
  EXPECT_EQ(B.Surface.GetPixel(20, 20), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(29, 29), GetSysColor(COLOR_BTNSHADOW));
}

TEST(Edges, MonoSoftAndMiddleStyles) {
  TLeakCheck Leaks;
  TPaintBox B(60, 20);
  const COLORREF Olive = RGB(128, 128, 0);  // in no scheme colour, so every pixel tells
  B.Surface.Fill(Olive);
  TRect Mono{0, 0, 10, 10}, Soft{20, 0, 30, 10}, Flat{40, 0, 50, 10};
  DrawEdge(B.Dc, &Mono, EDGE_SUNKEN, BF_RECT | BF_MONO | BF_MIDDLE);
  DrawEdge(B.Dc, &Soft, EDGE_RAISED, BF_RECT | BF_SOFT);
  DrawEdge(B.Dc, &Flat, EDGE_SUNKEN, BF_RECT | BF_FLAT | BF_MIDDLE);
  struct {
    int X, Y;
    Integer Color;
  } Cases[] = {
      {0, 0, COLOR_WINDOWFRAME},   {9, 9, COLOR_WINDOWFRAME},  // mono: one frame colour all round
      {1, 1, COLOR_WINDOW},        {5, 5, COLOR_WINDOW},       // and a window-coloured middle
      {20, 0, COLOR_BTNHIGHLIGHT}, {21, 1, COLOR_3DLIGHT},     // soft: the lighter shade outside
      {29, 9, COLOR_3DDKSHADOW},   {28, 8, COLOR_BTNSHADOW},
      {40, 0, COLOR_BTNSHADOW},    {49, 9, COLOR_BTNSHADOW},  // flat: a shadow frame
      {41, 1, COLOR_BTNFACE},      {45, 5, COLOR_BTNFACE}};
  for (auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.X << "," << C.Y);
    EXPECT_EQ(B.Surface.GetPixel(C.X, C.Y), GetSysColor(C.Color));
  }
  EXPECT_EQ(B.Surface.GetPixel(25, 5), Olive);  // no BF_MIDDLE: untouched
}

TEST(FrameControls, CheckBoxShowsItsState) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox B(60, 20);
  TRect Off{0, 0, 13, 13}, On{20, 0, 33, 13}, Grey{40, 0, 53, 13};
  DrawFrameControl(B.Dc, &Off, DFC_BUTTON, DFCS_BUTTONCHECK);
  DrawFrameControl(B.Dc, &On, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  DrawFrameControl(B.Dc, &Grey, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
  auto Count = [&](TRect R, COLORREF C) {
    int N = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
      for (int X = R.Left; X < R.Right; ++X) N += B.Surface.GetPixel(X, Y) == C;
    return N;
  };
  EXPECT_EQ(Count({2, 2, 11, 11}, GetSysColor(COLOR_WINDOW)),
            81);  // a 9x9 white box inside the edge
  EXPECT_EQ(Count(On, GetSysColor(COLOR_WINDOWTEXT)) - Count(Off, GetSysColor(COLOR_WINDOWTEXT)),
            21);
  EXPECT_EQ(Count(Grey, GetSysColor(COLOR_GRAYTEXT)) - Count(Off, GetSysColor(COLOR_GRAYTEXT)), 21);
  EXPECT_EQ(B.Surface.GetPixel(45, 3), GetSysColor(COLOR_BTNFACE));  // inactive: face, not window
  const TDrawRecord& Rec = B.Surface.Records().back();
  EXPECT_EQ(Rec.Kind, TDrawKind::FrameControl);
  EXPECT_EQ(Rec.Flags, DFC_BUTTON);
  EXPECT_EQ(Rec.Flags2, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
}

TEST(FrameControls, PushButtonsRaiseAndSinkWithTheirState) {
  TLeakCheck Leaks;
  TPaintBox B(80, 20);
  B.Surface.Fill(RGB(128, 128, 0));  // in no scheme colour
  TRect Up{0, 0, 20, 16}, Down{30, 0, 50, 16}, Flat{60, 0, 80, 16};
  EXPECT_TRUE(DrawFrameControl(B.Dc, &Up, DFC_BUTTON, DFCS_BUTTONPUSH));
  EXPECT_TRUE(DrawFrameControl(B.Dc, &Down, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
  EXPECT_TRUE(DrawFrameControl(B.Dc, &Flat, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT));
  // Raised: light top-left, dark bottom-right, the face inside.
  EXPECT_EQ(B.Surface.GetPixel(0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(B.Surface.GetPixel(19, 15), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(18, 14), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(10, 8), GetSysColor(COLOR_BTNFACE));
  // Pushed: the shadow on the top-left too, so the face looks sunk.
  EXPECT_EQ(B.Surface.GetPixel(30, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_NE(B.Surface.GetPixel(30, 0), B.Surface.GetPixel(0, 0));
  EXPECT_EQ(B.Surface.GetPixel(40, 8), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(B.Surface.GetPixel(60, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(B.Surface.GetPixel(79, 15), GetSysColor(COLOR_BTNSHADOW));
  // The combo-box button is a push face with a down arrow.
  TRect Combo{0, 0, 16, 16};
  B.Surface.Fill(RGB(255, 255, 255));
  DrawFrameControl(B.Dc, &Combo, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED);
  EXPECT_EQ(B.Surface.GetPixel(0, 0), GetSysColor(COLOR_BTNSHADOW));
  int Arrow = 0;
  for (int Y = 0; Y < 16; ++Y)
    for (int X = 0; X < 16; ++X) Arrow += B.Surface.GetPixel(X, Y) == GetSysColor(COLOR_BTNTEXT);
  EXPECT_GT(Arrow, 5);
}

TEST(FrameControls, ScrollArrowsPointTheirWay) {
  TLeakCheck Leaks;
  TPaintBox B(40, 20);
  TRect Up{0, 0, 16, 16}, Down{20, 0, 36, 16};
  DrawFrameControl(B.Dc, &Up, DFC_SCROLL, DFCS_SCROLLUP);
  DrawFrameControl(B.Dc, &Down, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  auto ArrowRows = [&](TRect R) {
    std::vector<int> Rows;
    for (int Y = R.Top + 2; Y < R.Bottom - 2; ++Y) {
      int N = 0;
      for (int X = R.Left + 2; X < R.Right - 2; ++X)
        N += B.Surface.GetPixel(X, Y) == GetSysColor(COLOR_BTNTEXT);
      if (N) Rows.push_back(N);
    }
    return Rows;
  };
  std::vector<int> U = ArrowRows(Up), D = ArrowRows(Down);
  ASSERT_GE(U.size(), 3u);
  EXPECT_LT(U.front(), U.back());  // widens downwards: points up
  EXPECT_GT(D.front(), D.back());
  EXPECT_FALSE(DrawFrameControl(B.Dc, &Up, 99, 0));
}

TEST(SystemColors, SchemeBrushesAndChanges) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(0, 0, 128));
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
  HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
  EXPECT_EQ(Face, GetSysColorBrush(COLOR_BTNFACE));
  Integer Index = COLOR_BTNFACE;
  COLORREF Pink = RGB(255, 200, 200);
  Integer Live = GetLiveGdiObjectCount();
  SetSysColors(1, &Index, &Pink);
  EXPECT_EQ(ColorToRGB(clBtnFace), Pink);
  LOGBRUSH L;
  GetObject(Face, &L);
  EXPECT_EQ(L.lbColor, Pink);       // the system brush follows
  EXPECT_TRUE(DeleteObject(Face));  // and cannot be deleted
  EXPECT_EQ(GetLiveGdiObjectCount(), Live);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
  // A colour index plus one stands for the system brush in fills.
  TPaintBox B(4, 4);
  TRect R{0, 0, 4, 4};
  EXPECT_TRUE(FillRect(B.Dc, &R, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_HIGHLIGHT + 1))));
  EXPECT_EQ(B.Surface.GetPixel(2, 2), RGB(0, 0, 128));
}

TEST(SystemColors, NamesRoundTripAsStoredFormsWriteThem) {
  struct {
    TColor Color;
    const char* Text;
  } Cases[] = {{clBtnFace, "clBtnFace"},
               {clRed, "clRed"},
               {clNone, "clNone"},
               {clDefault, "clDefault"},
               {clMoneyGreen, "clMoneyGreen"},
               {0x00123456, "$00123456"},
               {cl3DDkShadow, "cl3DDkShadow"},
               {clInfoBk, "clInfoBk"}};
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(ColorToString(C.Color), C.Text);
    EXPECT_EQ(StringToColor(C.Text), C.Color);
  }
  EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_EQ(StringToColor("-2147483633"), clBtnFace);
  EXPECT_EQ(StringToColor("$8000000F"), clBtnFace) << "hex takes all 32 bits";
  EXPECT_THROW(StringToColor("clNotAColour"), EConvertError);
  EXPECT_THROW(StringToColor("$"), EConvertError);
  TColor C = 0;
  EXPECT_FALSE(IdentToColor("$FF", C));
  String Ident;
  EXPECT_FALSE(ColorToIdent(0x00123456, Ident));
}

}  // namespace
