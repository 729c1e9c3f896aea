// Exact pixels where a one-pixel slip is a visible fault: hatch and pattern
// brushes from their origin, the runs of styled pens, the extents of shapes
// without a pen, brushes realised on monochrome bitmaps, where underlines and
// strike-outs sit, the weight at which a face turns bold, font sizes from
// heights, image lists over coloured backgrounds, the disabled look, the
// corners of edges, the check mark, and polygon regions at pixel centres.
// Backgrounds are never plain white, so that a pixel left alone is told from
// one painted white.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "GraphicsTestUtil.h"
#include "PrimitiveSheet.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/ImageList.h"

using namespace kvp;
using namespace kvp::test;

namespace {

constexpr COLORREF kGround = RGB(30, 90, 60);  // what the tests draw on
constexpr COLORREF kInk = RGB(200, 20, 140);
constexpr COLORREF kBack = RGB(10, 40, 230);

// [SECTION] Brushes

// The 8x8 hatch patterns, row by row from the brush origin; '#' is the hatch.
struct THatchCase {
  Integer Style;
  const char* Rows[8];
};
const THatchCase kHatches[] = {
    {HS_HORIZONTAL,
     {"........", "........", "........", "........", "........", "........", "........",
      "########"}},
    {HS_VERTICAL,
     {".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#",
      ".......#"}},
    {HS_FDIAGONAL,
     {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.",
      ".......#"}},
    {HS_BDIAGONAL,
     {".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......",
      "#......."}},
    {HS_CROSS,
     {".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#",
      "########"}},
    {HS_DIAGCROSS,
     {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.",
      "#......#"}},
};

TEST(PixelExact, HatchBrushesRepeatTheirPatternFromTheBrushOrigin) {
  TLeakCheck Leaks;
  for (const THatchCase& Case : kHatches) {
    for (Integer Mode : {OPAQUE, TRANSPARENT}) {
      SCOPED_TRACE(testing::Message() << "hatch " << Case.Style << " mode " << Mode);
      TPaintBox Box(24, 20);
      Box.Surface.Fill(kGround);
      HBRUSH Brush = CreateHatchBrush(Case.Style, kInk);
      SetBkMode(Box.Dc, Mode);
      SetBkColor(Box.Dc, kBack);
      SetBrushOrgEx(Box.Dc, 3, 5, nullptr);
      const TRect R{2, 1, 22, 19};
      FillRect(Box.Dc, &R, Brush);
      DeleteObject(Brush);
      for (Integer Y = 0; Y < 20; ++Y)
        for (Integer X = 0; X < 24; ++X) {
          COLORREF Want = kGround;
          if (PtInRect(R, {X, Y})) {
            const bool Hatch = Case.Rows[((Y - 5) % 8 + 8) % 8][((X - 3) % 8 + 8) % 8] == '#';
            Want = Hatch ? kInk : Mode == OPAQUE ? kBack : kGround;
          }
          ASSERT_EQ(Box.Surface.GetPixel(X, Y), Want) << "at " << X << "," << Y;
        }
    }
  }
}

TEST(PixelExact, MonochromePatternTakesTextColourForBlackAndBackgroundForWhite) {
  TLeakCheck Leaks;
  // A 2x2 checker: black at (0,0) and (1,1).
  const BYTE Bits[] = {0x40, 0, 0x80, 0};
  HBITMAP Pattern = CreateBitmap(2, 2, 1, 1, Bits);
  HBRUSH Brush = CreatePatternBrush(Pattern);
  TPaintBox Box(8, 6);
  Box.Surface.Fill(kGround);
  SetTextColor(Box.Dc, kInk);
  SetBkColor(Box.Dc, kBack);
  SetBrushOrgEx(Box.Dc, 1, 0, nullptr);
  const TRect R{1, 1, 7, 5};
  FillRect(Box.Dc, &R, Brush);
  for (Integer Y = 0; Y < 6; ++Y)
    for (Integer X = 0; X < 8; ++X) {
      const bool Black = ((X - 1) + Y) % 2 == 0;
      const COLORREF Want = !PtInRect(R, {X, Y}) ? kGround : Black ? kInk : kBack;
      EXPECT_EQ(Box.Surface.GetPixel(X, Y), Want) << X << "," << Y;
    }
  DeleteObject(Brush);
  DeleteObject(Pattern);
}

TEST(PixelExact, MonochromeBitmapsTakeTheBrushAsBlackOrWhiteBeforeTheMix) {
  // A grey a shade darker than the middle is black on a monochrome bitmap:
  // XORed onto white it leaves white. A grey at the middle is white and
  // turns white black.
  TLeakCheck Leaks;
  for (auto [Grey, Want] : {std::pair{RGB(128, 127, 127), RGB(255, 255, 255)},
                            std::pair{RGB(128, 128, 128), RGB(0, 0, 0)}}) {
    HDC Dc = CreateCompatibleDC(nullptr);
    HBITMAP Mono = CreateBitmap(6, 4, 1, 1, nullptr);
    GetBitmapSurface(Mono)->Fill(RGB(255, 255, 255));
    HGDIOBJ OldBmp = SelectObject(Dc, Mono);
    HBRUSH Brush = CreateSolidBrush(Grey);
    HGDIOBJ OldBrush = SelectObject(Dc, Brush);
    HGDIOBJ OldPen = SelectObject(Dc, GetStockObject(NULL_PEN));
    SetROP2(Dc, R2_XORPEN);
    Rectangle(Dc, 0, 0, 7, 5);
    EXPECT_EQ(GetBitmapSurface(Mono)->GetPixel(3, 2), Want);
    SelectObject(Dc, OldPen);
    SelectObject(Dc, OldBrush);
    SelectObject(Dc, OldBmp);
    DeleteObject(Brush);
    DeleteObject(Mono);
    DeleteDC(Dc);
  }
}

// [SECTION] Shapes and lines

TEST(PixelExact, RectangleWithoutAPenStopsOneShortOfItsRightAndBottom) {
  TLeakCheck Leaks;
  TPaintBox Box(20, 16);
  Box.Surface.Fill(kGround);
  HBRUSH Brush = CreateSolidBrush(kInk);
  HGDIOBJ OldBrush = SelectObject(Box.Dc, Brush);
  HGDIOBJ OldPen = SelectObject(Box.Dc, GetStockObject(NULL_PEN));
  Rectangle(Box.Dc, 3, 2, 12, 10);
  for (Integer Y = 0; Y < 16; ++Y)
    for (Integer X = 0; X < 20; ++X)
      EXPECT_EQ(Box.Surface.GetPixel(X, Y), X >= 3 && X < 11 && Y >= 2 && Y < 9 ? kInk : kGround)
          << X << "," << Y;
  SelectObject(Box.Dc, OldPen);
  SelectObject(Box.Dc, OldBrush);
  DeleteObject(Brush);
}

// The colour runs along row Y from X0 to X1 (exclusive): (colour, length).
std::vector<std::pair<COLORREF, Integer>> Runs(const TSurface& S, Integer Y, Integer X0,
                                               Integer X1) {
  std::vector<std::pair<COLORREF, Integer>> Out;
  for (Integer X = X0; X < X1; ++X) {
    const COLORREF C = S.GetPixel(X, Y);
    if (!Out.empty() && Out.back().first == C)
      ++Out.back().second;
    else
      Out.push_back({C, 1});
  }
  return Out;
}

TEST(PixelExact, StyledPensRunTheirDashesAndGapsInTheBackgroundColour) {
  TLeakCheck Leaks;
  struct {
    UINT Style;
    std::vector<Integer> Pattern;  // on, off, on, off ...
  } Cases[] = {{PS_DASH, {18, 6}},
               {PS_DOT, {3, 3}},
               {PS_DASHDOT, {9, 6, 3, 6}},
               {PS_DASHDOTDOT, {9, 3, 3, 3, 3, 3}}};
  for (const auto& Case : Cases) {
    for (Integer Mode : {OPAQUE, TRANSPARENT}) {
      SCOPED_TRACE(testing::Message() << "style " << Case.Style << " mode " << Mode);
      TPaintBox Box(120, 5);
      Box.Surface.Fill(kGround);
      HPEN Pen = CreatePen(Case.Style, 1, kInk);
      HGDIOBJ Old = SelectObject(Box.Dc, Pen);
      SetBkMode(Box.Dc, Mode);
      SetBkColor(Box.Dc, kBack);
      MoveToEx(Box.Dc, 5, 2, nullptr);
      LineTo(Box.Dc, 105, 2);
      std::vector<std::pair<COLORREF, Integer>> Want;
      Integer Left = 100;
      for (std::size_t I = 0; Left > 0; I = (I + 1) % Case.Pattern.size()) {
        const Integer Len = std::min(Left, Case.Pattern[I]);
        Want.push_back({I % 2 == 0 ? kInk : Mode == OPAQUE ? kBack : kGround, Len});
        Left -= Len;
      }
      EXPECT_EQ(Runs(Box.Surface, 2, 5, 105), Want);
      EXPECT_EQ(Box.Surface.GetPixel(4, 2), kGround);
      EXPECT_EQ(Box.Surface.GetPixel(105, 2), kGround);
      SelectObject(Box.Dc, Old);
      DeleteObject(Pen);
    }
  }
}

// [SECTION] Text lines and font boundaries

// The rows of R holding any ink (pixels that are not the ground).
std::vector<Integer> InkRows(const TSurface& S, const TRect& R) {
  std::vector<Integer> Rows;
  for (Integer Y = R.Top; Y < R.Bottom; ++Y)
    for (Integer X = R.Left; X < R.Right; ++X)
      if (S.GetPixel(X, Y) != kGround) {
        Rows.push_back(Y);
        break;
      }
  return Rows;
}

TEST(PixelExact, UnderlineAndStrikeOutSitWhereTheFontSays) {
  TLeakCheck Leaks;
  for (bool Strike : {false, true}) {
    SCOPED_TRACE(Strike ? "strike-out" : "underline");
    TPaintBox Box(80, 40);
    Box.Surface.Fill(kGround);
    Box.UseFont(CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, Strike ? 0 : 1, Strike ? 1 : 0,
                           DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    SetBkMode(Box.Dc, TRANSPARENT);
    SetTextColor(Box.Dc, kInk);
    OUTLINETEXTMETRIC M;
    ASSERT_TRUE(GetOutlineTextMetrics(Box.Dc, sizeof(M), &M));
    TextOut(Box.Dc, 10, 5, "    ");  // spaces: the line is all the ink
    const Integer Baseline = 5 + M.otmTextMetrics.tmAscent;
    const Integer Top =
        Strike ? Baseline - M.otmsStrikeoutPosition : Baseline - M.otmsUnderscorePosition;
    const Integer Size = Strike ? Integer(M.otmsStrikeoutSize) : Integer(M.otmsUnderscoreSize);
    std::vector<Integer> Want;
    for (Integer Y = Top; Y < Top + Size; ++Y) Want.push_back(Y);
    EXPECT_EQ(InkRows(Box.Surface, {0, 0, 80, 40}), Want);
    TSize Ext;
    GetTextExtentPoint32(Box.Dc, "    ", &Ext);
    EXPECT_EQ(Runs(Box.Surface, Top, 0, 80),
              (std::vector<std::pair<COLORREF, Integer>>{
                  {kGround, 10}, {kInk, Ext.cx}, {kGround, 70 - Ext.cx}}));
  }
}

Integer WidthAtWeight(Integer Weight) {
  TPaintBox Box(10, 10);
  Box.UseFont(CreateFont(-13, 0, 0, 0, Weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  TSize S;
  GetTextExtentPoint32(Box.Dc, "Weight boundaries", &S);
  return S.cx;
}

TEST(PixelExact, SemiboldIsTheFirstWeightDrawnBold) {
  TLeakCheck Leaks;
  const Integer Normal = WidthAtWeight(FW_NORMAL), Bold = WidthAtWeight(FW_BOLD);
  ASSERT_GT(Bold, Normal);
  EXPECT_EQ(WidthAtWeight(FW_SEMIBOLD - 1), Normal);
  EXPECT_EQ(WidthAtWeight(FW_SEMIBOLD), Bold);
  EXPECT_EQ(WidthAtWeight(FW_HEAVY), Bold);
}

TEST(PixelExact, FontSizeIsTheHeightRoundedToTheNearestPoint) {
  TLeakCheck Leaks;
  TObjectPtr<TFont> F(TFont::Create());
  struct {
    Integer Height, Size;
  } Cases[] = {{-11, 8}, {-12, 9}, {-13, 10}, {-15, 11}, {-16, 12}, {-17, 13}, {-19, 14}};
  for (const auto& C : Cases) {
    F->SetHeight(C.Height);
    EXPECT_EQ(F->GetSize(), C.Size) << C.Height;
  }
  // A handle's weight decides the bold style at the same boundary.
  for (auto [Weight, IsBold] : {std::pair{FW_SEMIBOLD - 1, false}, std::pair{FW_SEMIBOLD, true}}) {
    HFONT H = CreateFont(-13, 0, 0, 0, Weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    F->SetHandle(H);  // the font owns the handle now
    EXPECT_EQ(F->GetStyle().Contains(fsBold), IsBold) << Weight;
  }
  F->SetHandle(nullptr);
}

TEST(PixelExact, CentredTextStartsHalfItsWidthLeftRoundedTowardsTheRight) {
  TLeakCheck Leaks;
  // A text of odd width: centred at X it starts at X - Width / 2.
  TPaintBox Probe(10, 10);
  Probe.UseFont("Arial", -13);
  String Text;
  Integer Width = 0;
  for (const char* Candidate : {"Grid", "Grids", "Korvel", "Total", "Sum 1", "Ab"}) {
    TSize S;
    GetTextExtentPoint32(Probe.Dc, Candidate, &S);
    if (S.cx % 2 == 1) {
      Text = Candidate;
      Width = S.cx;
      break;
    }
  }
  ASSERT_FALSE(Text.empty()) << "no candidate of odd width";
  std::vector<std::uint32_t> Pixels[2];
  for (int Centred = 0; Centred < 2; ++Centred) {
    TPaintBox Box(80, 20);
    Box.Surface.Fill(kGround);
    Box.UseFont("Arial", -13);
    SetBkMode(Box.Dc, TRANSPARENT);
    if (Centred) SetTextAlign(Box.Dc, TA_CENTER | TA_TOP);
    TextOut(Box.Dc, Centred ? 40 : 40 - Width / 2, 3, Text);
    for (Integer Y = 0; Y < 20; ++Y)
      Pixels[Centred].insert(Pixels[Centred].end(), Box.Surface.Scanline(Y),
                             Box.Surface.Scanline(Y) + 80);
  }
  EXPECT_EQ(Pixels[0], Pixels[1]);
}

TEST(PixelExact, MappingRoundsHalvesAwayFromZero) {
  TLeakCheck Leaks;
  TPaintBox Box(20, 20);
  SetMapMode(Box.Dc, MM_ANISOTROPIC);
  SetWindowExtEx(Box.Dc, 2, 2, nullptr);
  SetViewportExtEx(Box.Dc, 1, 1, nullptr);
  SetViewportOrgEx(Box.Dc, 10, 10, nullptr);
  TPoint P[] = {{3, 5}, {-3, -5}, {1, -1}, {4, 2}};
  LPtoDP(Box.Dc, P, 4);
  EXPECT_EQ(P[0], (TPoint{12, 13}));
  EXPECT_EQ(P[1], (TPoint{8, 7}));
  EXPECT_EQ(P[2], (TPoint{11, 9}));
  EXPECT_EQ(P[3], (TPoint{12, 11}));
  Box.Surface.Fill(kGround);
  SetPixel(Box.Dc, 3, 5, kInk);
  EXPECT_EQ(Box.Surface.GetPixel(12, 13), kInk);
}

TEST(PixelExact, ExcludingARectanglePartlyOutsideTheClipAddsNothing) {
  TLeakCheck Leaks;
  TPaintBox Box(40, 40);
  Box.Surface.Fill(kGround);
  IntersectClipRect(Box.Dc, 0, 0, 20, 20);
  ExcludeClipRect(Box.Dc, 15, 15, 30, 30);
  HBRUSH Brush = CreateSolidBrush(kInk);
  const TRect All{0, 0, 40, 40};
  FillRect(Box.Dc, &All, Brush);
  DeleteObject(Brush);
  for (Integer Y = 0; Y < 40; ++Y)
    for (Integer X = 0; X < 40; ++X) {
      const bool In = X < 20 && Y < 20 && !(X >= 15 && Y >= 15);
      ASSERT_EQ(Box.Surface.GetPixel(X, Y), In ? kInk : kGround) << X << "," << Y;
    }
}

TEST(PixelExact, ColourToMonochromeBlitsMakeTheSourceBackgroundWhite) {
  // Pixels of the source DC's background colour turn white, every other
  // colour black, white included.
  TLeakCheck Leaks;
  HDC Src = CreateCompatibleDC(nullptr);
  HBITMAP Colour = CreateBitmap(3, 1, 1, 32, nullptr);
  TSurface* C = GetBitmapSurface(Colour);
  C->SetPixel(0, 0, kBack);
  C->SetPixel(1, 0, RGB(255, 255, 255));
  C->SetPixel(2, 0, RGB(0, 0, 0));
  HGDIOBJ OldSrc = SelectObject(Src, Colour);
  SetBkColor(Src, kBack);
  HDC Dst = CreateCompatibleDC(nullptr);
  HBITMAP Mono = CreateBitmap(3, 1, 1, 1, nullptr);
  HGDIOBJ OldDst = SelectObject(Dst, Mono);
  BitBlt(Dst, 0, 0, 3, 1, Src, 0, 0, SRCCOPY);
  const TSurface* M = GetBitmapSurface(Mono);
  EXPECT_EQ(M->GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(M->GetPixel(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(M->GetPixel(2, 0), RGB(0, 0, 0));
  SelectObject(Dst, OldDst);
  SelectObject(Src, OldSrc);
  DeleteObject(Mono);
  DeleteObject(Colour);
  DeleteDC(Dst);
  DeleteDC(Src);
}

// A canvas on a bitmap of the ground colour.
struct TGroundCanvas {
  TObjectPtr<TBitmap> Bitmap{TBitmap::Create()};
  TGroundCanvas(Integer W, Integer H) {
    Bitmap->SetSize(W, H);
    Canvas()->GetBrush()->SetColor(TColor(kGround));
    Canvas()->FillRect({0, 0, W, H});
  }
  TCanvas* Canvas() { return Bitmap->GetCanvas(); }
  COLORREF At(Integer X, Integer Y) { return COLORREF(Canvas()->GetPixels(X, Y)); }
};

TEST(PixelExact, CanvasTextOutLeavesThePenAfterTheText) {
  TLeakCheck Leaks;
  TGroundCanvas G(120, 30);
  TCanvas* C = G.Canvas();
  C->GetBrush()->SetStyle(bsClear);
  C->TextOut(5, 6, "abc");
  const Integer W = C->TextWidth("abc");
  EXPECT_EQ(C->GetPenPos(), (TPoint{5 + W, 6}));
  C->GetPen()->SetColor(TColor(kInk));
  C->LineTo(5 + W, 25);  // from where the text ended
  EXPECT_EQ(G.At(5 + W, 20), kInk);
  EXPECT_EQ(G.At(5 + W - 1, 20), kGround);
}

TEST(PixelExact, TextRectWithAClearBrushKeepsTheBackground) {
  TLeakCheck Leaks;
  TGroundCanvas G(60, 20);
  TCanvas* C = G.Canvas();
  C->GetBrush()->SetStyle(bsClear);
  C->GetFont()->SetColor(TColor(kInk));
  C->TextRect({2, 2, 58, 18}, 4, 3, "i i");
  Integer Ground = 0, Other = 0;
  for (Integer Y = 2; Y < 18; ++Y)
    for (Integer X = 2; X < 58; ++X) (G.At(X, Y) == kGround ? Ground : Other) += 1;
  EXPECT_GT(Other, 0);                    // the letters
  EXPECT_GT(Ground, (56 * 16) * 9 / 10);  // and around them the ground
  // With a solid brush the rectangle takes the brush colour.
  C->GetBrush()->SetColor(TColor(kBack));
  C->TextRect({2, 2, 58, 18}, 4, 3, "i i");
  EXPECT_EQ(G.At(50, 15), kBack);
  EXPECT_EQ(G.At(1, 1), kGround);
}

TEST(PixelExact, FontsDifferingOnlyInStyleGetTheirOwnHandles) {
  TLeakCheck Leaks;
  for (TFontStyle Style : {fsItalic, fsBold, fsUnderline, fsStrikeOut}) {
    SCOPED_TRACE(Style);
    TObjectPtr<TFont> Plain(TFont::Create()), Styled(TFont::Create());
    Styled->SetStyle({Style});
    ASSERT_NE(Plain->GetHandle(), Styled->GetHandle());
    LOGFONT L;
    ASSERT_TRUE(GetObject(Styled->GetHandle(), &L));
    EXPECT_EQ(L.lfItalic != 0, Style == fsItalic);
    EXPECT_EQ(L.lfWeight >= FW_SEMIBOLD, Style == fsBold);
    EXPECT_EQ(L.lfUnderline != 0, Style == fsUnderline);
    EXPECT_EQ(L.lfStrikeOut != 0, Style == fsStrikeOut);
  }
}

// [SECTION] Image lists on coloured backgrounds

// A 4x4 list image: fuchsia (made transparent) round a 2x2 blue core; and a
// black 4x4 image with a transparent first column.
TObjectPtr<TCustomImageList> MakeList() {
  TObjectPtr<TCustomImageList> L(TCustomImageList::CreateSize(4, 4));
  TObjectPtr<TBitmap> Strip(TBitmap::Create());
  Strip->SetSize(8, 4);
  TCanvas* C = Strip->GetCanvas();
  C->GetBrush()->SetColor(clFuchsia);
  C->FillRect({0, 0, 8, 4});
  C->GetBrush()->SetColor(clBlue);
  C->FillRect({1, 1, 3, 3});
  C->GetBrush()->SetColor(clBlack);
  C->FillRect({5, 0, 8, 4});
  L->AddMasked(Strip.get(), clFuchsia);
  return L;
}

TObjectPtr<TBitmap> GroundBitmap(Integer W, Integer H) {
  TObjectPtr<TBitmap> B(TBitmap::Create());
  B->SetSize(W, H);
  B->GetCanvas()->GetBrush()->SetColor(TColor(kGround));
  B->GetCanvas()->FillRect({0, 0, W, H});
  return B;
}

TEST(PixelExact, ImageListsLeaveAColouredBackgroundWhereTheImageIsTransparent) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L = MakeList();
  TObjectPtr<TBitmap> Target = GroundBitmap(12, 6);
  for (TDrawingStyle Style : {dsNormal, dsTransparent}) {
    SCOPED_TRACE(Style);
    L->Draw(Target->GetCanvas(), 1, 1, 0, Style, itImage, true);
    for (Integer Y = 0; Y < 6; ++Y)
      for (Integer X = 0; X < 12; ++X) {
        const bool Core = X >= 2 && X < 4 && Y >= 2 && Y < 4;
        EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(X, Y)), Core ? RGB(0, 0, 255) : kGround)
            << X << "," << Y;
      }
  }
  // With the handle call, CLR_NONE as the background colour draws the same.
  TObjectPtr<TBitmap> Other = GroundBitmap(12, 6);
  ImageList_DrawEx(L->GetHandle(), 0, Other->GetCanvas()->GetHandle(), 1, 1, 0, 0, CLR_NONE,
                   CLR_NONE, ILD_NORMAL);
  EXPECT_EQ(COLORREF(Other->GetCanvas()->GetPixels(1, 1)), kGround);
  EXPECT_EQ(COLORREF(Other->GetCanvas()->GetPixels(2, 2)), RGB(0, 0, 255));
}

TEST(PixelExact, DisabledLookPutsTheHighlightOnePixelDownAndRightUnderTheShadow) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L = MakeList();
  TObjectPtr<TBitmap> Target = GroundBitmap(10, 8);
  // Image 1: black in columns 1..3 of every row, column 0 transparent.
  L->Draw(Target->GetCanvas(), 2, 2, 1, false);
  const COLORREF Hi = GetSysColor(COLOR_BTNHIGHLIGHT), Shadow = GetSysColor(COLOR_BTNSHADOW);
  for (Integer Y = 0; Y < 8; ++Y)
    for (Integer X = 0; X < 10; ++X) {
      const bool Ink = X >= 3 && X < 6 && Y >= 2 && Y < 6;          // the shadow copy
      const bool Lit = X >= 4 && X < 7 && Y >= 3 && Y < 7 && !Ink;  // the highlight beneath
      EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(X, Y)), Ink   ? Shadow
                                                                : Lit ? Hi
                                                                      : kGround)
          << X << "," << Y;
    }
}

// [SECTION] Edges and frame controls

TEST(PixelExact, EdgeCornersBelongToTheBottomRightShade) {
  TLeakCheck Leaks;
  TPaintBox Box(12, 10);
  Box.Surface.Fill(kGround);
  TRect R{1, 1, 11, 9};
  DrawEdge(Box.Dc, &R, EDGE_RAISED, BF_RECT);
  const COLORREF Light = GetSysColor(COLOR_3DLIGHT), Dark = GetSysColor(COLOR_3DDKSHADOW);
  const COLORREF Hi = GetSysColor(COLOR_BTNHIGHLIGHT), Shadow = GetSysColor(COLOR_BTNSHADOW);
  // Outer ring: top and left light, right and bottom dark; the two corners
  // where they meet (top right, bottom left) are dark.
  EXPECT_EQ(Box.Surface.GetPixel(1, 1), Light);
  EXPECT_EQ(Box.Surface.GetPixel(10, 1), Dark);
  EXPECT_EQ(Box.Surface.GetPixel(1, 8), Dark);
  EXPECT_EQ(Box.Surface.GetPixel(10, 8), Dark);
  EXPECT_EQ(Box.Surface.GetPixel(1, 7), Light);
  EXPECT_EQ(Box.Surface.GetPixel(9, 1), Light);
  // Inner ring the same way, one pixel in.
  EXPECT_EQ(Box.Surface.GetPixel(2, 2), Hi);
  EXPECT_EQ(Box.Surface.GetPixel(9, 2), Shadow);
  EXPECT_EQ(Box.Surface.GetPixel(2, 7), Shadow);
  EXPECT_EQ(Box.Surface.GetPixel(2, 6), Hi);
  // Inside and outside are untouched.
  EXPECT_EQ(Box.Surface.GetPixel(3, 3), kGround);
  EXPECT_EQ(Box.Surface.GetPixel(0, 0), kGround);
  EXPECT_EQ(Box.Surface.GetPixel(11, 9), kGround);
}

TEST(PixelExact, CheckMarkIsTheClassicTick) {
  TLeakCheck Leaks;
  TPaintBox Box(13, 13);
  Box.Surface.Fill(kGround);
  TRect R{0, 0, 13, 13};
  DrawFrameControl(Box.Dc, &R, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  // The 13-pixel box: a two-pixel sunken edge round a window-coloured face;
  // the tick, seven columns wide, three pixels tall in each column.
  const char* Tick[] = {".........", ".......#.", "......##.", ".#...###.", ".##.###..",
                        ".#####...", "..###....", "...#.....", "........."};
  const COLORREF Text = GetSysColor(COLOR_WINDOWTEXT), Face = GetSysColor(COLOR_WINDOW);
  for (Integer Y = 0; Y < 9; ++Y)
    for (Integer X = 0; X < 9; ++X)
      EXPECT_EQ(Box.Surface.GetPixel(2 + X, 2 + Y), Tick[Y][X] == '#' ? Text : Face)
          << 2 + X << "," << 2 + Y;
}

// The pixels of colour C in R of S, as points.
std::vector<TPoint> PixelsOf(const TSurface& S, const TRect& R, COLORREF C) {
  std::vector<TPoint> Out;
  for (Integer Y = R.Top; Y < R.Bottom; ++Y)
    for (Integer X = R.Left; X < R.Right; ++X)
      if (S.GetPixel(X, Y) == C) Out.push_back({X, Y});
  return Out;
}

TEST(PixelExact, ScrollArrowIsATriangleCentredInTheFaceAndMovesWhenPushed) {
  TLeakCheck Leaks;
  const COLORREF Text = GetSysColor(COLOR_BTNTEXT);
  std::vector<TPoint> Arrow[2];
  for (int Pushed = 0; Pushed < 2; ++Pushed) {
    TPaintBox Box(16, 16);
    Box.Surface.Fill(kGround);
    TRect R{0, 0, 16, 16};
    DrawFrameControl(Box.Dc, &R, DFC_SCROLL, DFCS_SCROLLDOWN | (Pushed ? DFCS_PUSHED : 0));
    Arrow[Pushed] = PixelsOf(Box.Surface, {1, 1, 15, 15}, Text);  // inside the outer ring
  }
  // A 12-pixel face (two-pixel edges) holds a four-row arrow: 7, 5, 3 and 1
  // pixels wide, its tip on the centre column.
  std::vector<TPoint> Want;
  for (Integer Row = 0; Row < 4; ++Row)
    for (Integer X = 5 + Row; X <= 11 - Row; ++X) Want.push_back({X, 7 + Row});
  EXPECT_EQ(Arrow[0], Want);
  for (TPoint& P : Want) P = {P.X + 1, P.Y + 1};
  EXPECT_EQ(Arrow[1], Want);
}

TEST(PixelExact, RadioButtonRingsAndDotAlongItsMiddleRow) {
  TLeakCheck Leaks;
  TPaintBox Box(13, 13);
  Box.Surface.Fill(kGround);
  TRect R{0, 0, 13, 13};
  DrawFrameControl(Box.Dc, &R, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW), Dark = GetSysColor(COLOR_3DDKSHADOW),
                 Face = GetSysColor(COLOR_WINDOW), Dot = GetSysColor(COLOR_WINDOWTEXT),
                 Light = GetSysColor(COLOR_3DLIGHT), Hi = GetSysColor(COLOR_BTNHIGHLIGHT);
  // Row 6 runs through the centre: outer ring, inner ring, face, the dot of
  // radius 13/6 round the centre, face, and the lit rings on the right.
  const COLORREF Row[13] = {Shadow, Dark, Face, Face, Dot,   Dot, Dot,
                            Dot,    Dot,  Face, Face, Light, Hi};
  for (Integer X = 0; X < 13; ++X) EXPECT_EQ(Box.Surface.GetPixel(X, 6), Row[X]) << X;
  EXPECT_EQ(Box.Surface.GetPixel(0, 0), kGround);  // outside the disc
}

TEST(PixelExact, FrameRgnTakesItsWidthAcrossAndItsHeightDown) {
  TLeakCheck Leaks;
  TPaintBox Box(30, 26);
  Box.Surface.Fill(kGround);
  HRGN Rgn = CreateRectRgn(5, 5, 25, 20);
  HBRUSH Brush = CreateSolidBrush(kInk);
  FrameRgn(Box.Dc, Rgn, Brush, 3, 1);
  for (Integer Y = 0; Y < 26; ++Y)
    for (Integer X = 0; X < 30; ++X) {
      const bool In = X >= 5 && X < 25 && Y >= 5 && Y < 20;
      const bool Frame = In && (X < 8 || X >= 22 || Y < 6 || Y >= 19);
      ASSERT_EQ(Box.Surface.GetPixel(X, Y), Frame ? kInk : kGround) << X << "," << Y;
    }
  DeleteObject(Brush);
  DeleteObject(Rgn);
}

TEST(PixelExact, PolygonOutlineClosesBackToItsFirstPoint) {
  TLeakCheck Leaks;
  TPaintBox Box(20, 20);
  Box.Surface.Fill(kGround);
  HPEN Pen = CreatePen(PS_SOLID, 1, kInk);
  HGDIOBJ OldPen = SelectObject(Box.Dc, Pen);
  HGDIOBJ OldBrush = SelectObject(Box.Dc, GetStockObject(NULL_BRUSH));
  const TPoint Corner[] = {{2, 2}, {15, 2}, {15, 12}};
  Polygon(Box.Dc, Corner, 3);
  EXPECT_EQ(Box.Surface.GetPixel(8, 2), kInk);    // first side
  EXPECT_EQ(Box.Surface.GetPixel(15, 7), kInk);   // second side
  EXPECT_EQ(Box.Surface.GetPixel(15, 12), kInk);  // the closing side starts here
  EXPECT_EQ(Box.Surface.GetPixel(3, 3), kInk);    // and runs back to (2, 2)
  EXPECT_EQ(Box.Surface.GetPixel(10, 5), kGround);
  SelectObject(Box.Dc, OldBrush);
  SelectObject(Box.Dc, OldPen);
  DeleteObject(Pen);
}

TEST(PixelExact, OffsettingTheClipMovesItEitherWay) {
  TLeakCheck Leaks;
  TPaintBox Box(30, 30);
  Box.Surface.Fill(kGround);
  IntersectClipRect(Box.Dc, 10, 10, 20, 20);
  OffsetClipRgn(Box.Dc, -5, -3);
  HBRUSH Brush = CreateSolidBrush(kInk);
  const TRect All{0, 0, 30, 30};
  FillRect(Box.Dc, &All, Brush);
  DeleteObject(Brush);
  for (Integer Y = 0; Y < 30; ++Y)
    for (Integer X = 0; X < 30; ++X)
      ASSERT_EQ(Box.Surface.GetPixel(X, Y), X >= 5 && X < 15 && Y >= 7 && Y < 17 ? kInk : kGround)
          << X << "," << Y;
}

TEST(PixelExact, BrushStylesMakeTheirHatches) {
  TLeakCheck Leaks;
  struct {
    TBrushStyle Style;
    Integer Hatch;
  } Cases[] = {{bsHorizontal, HS_HORIZONTAL}, {bsVertical, HS_VERTICAL},
               {bsFDiagonal, HS_FDIAGONAL},   {bsBDiagonal, HS_BDIAGONAL},
               {bsCross, HS_CROSS},           {bsDiagCross, HS_DIAGCROSS}};
  for (const auto& C : Cases) {
    TObjectPtr<TBrush> B(TBrush::Create());
    B->SetStyle(C.Style);
    LOGBRUSH L;
    ASSERT_TRUE(GetObject(B->GetHandle(), &L));
    EXPECT_EQ(L.lbStyle, UINT(BS_HATCHED));
    EXPECT_EQ(Integer(L.lbHatch), C.Hatch) << C.Style;
  }
}

TEST(PixelExact, TransparentBitmapsTakeTheBottomLeftPixelAsTheirKey) {
  TLeakCheck Leaks;
  TObjectPtr<TBitmap> Image(TBitmap::Create());
  Image->SetSize(4, 3);
  TCanvas* C = Image->GetCanvas();
  C->GetBrush()->SetColor(TColor(kBack));
  C->FillRect({0, 0, 4, 3});
  C->GetBrush()->SetColor(TColor(kInk));
  C->FillRect({0, 0, 2, 1});  // top-left: drawn
  Image->SetTransparent(true);
  EXPECT_EQ(Image->GetTransparentColor(), TColor(kBack));
  TObjectPtr<TBitmap> Target = GroundBitmap(8, 6);
  Target->GetCanvas()->Draw(2, 2, Image.get());
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(2, 2)), kInk);
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(3, 2)), kInk);
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(4, 2)), kGround);
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(2, 4)), kGround);
}

TEST(PixelExact, FocusedImagesBlendAQuarterOfTheHighlight) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L = MakeList();
  TObjectPtr<TBitmap> Target = GroundBitmap(6, 6);
  L->Draw(Target->GetCanvas(), 1, 1, 0, dsFocus, itImage, true);
  const COLORREF Hi = GetSysColor(COLOR_HIGHLIGHT);
  auto Mix = [](unsigned Image, unsigned High) {
    return BYTE((Image * 75 + High * 25 + 50) / 100);
  };
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(2, 2)),
            RGB(Mix(0, GetRValue(Hi)), Mix(0, GetGValue(Hi)), Mix(255, GetBValue(Hi))));
  EXPECT_EQ(COLORREF(Target->GetCanvas()->GetPixels(1, 1)), kGround);  // still transparent
}

TEST(PixelExact, NearestPaletteColourTakesTheFirstOfEqualDistances) {
  TLeakCheck Leaks;
  const Integer Old = GetDisplayColorDepth();
  SetDisplayColorDepth(8);
  HDC Dc = CreateScreenDC();
  EXPECT_EQ(GetNearestColor(Dc, RGB(64, 0, 0)), RGB(0, 0, 0));     // black before maroon
  EXPECT_EQ(GetNearestColor(Dc, RGB(64, 64, 0)), RGB(0, 0, 0));    // black before olive
  EXPECT_EQ(GetNearestColor(Dc, RGB(192, 0, 0)), RGB(255, 0, 0));  // red is nearer
  EXPECT_EQ(GetNearestColor(Dc, RGB(130, 130, 130)), RGB(128, 128, 128));
  DeleteDC(Dc);
  SetDisplayColorDepth(Old);
}

TEST(PixelExact, PenModesMixPenAndScreenAsNamed) {
  TLeakCheck Leaks;
  using TMix = COLORREF (*)(COLORREF P, COLORREF D);
  const std::pair<TPenMode, TMix> Modes[] = {
      {pmBlack, [](COLORREF, COLORREF) { return COLORREF(0); }},
      {pmWhite, [](COLORREF, COLORREF) { return COLORREF(0xFFFFFF); }},
      {pmNop, [](COLORREF, COLORREF D) { return D; }},
      {pmNot, [](COLORREF, COLORREF D) { return ~D; }},
      {pmCopy, [](COLORREF P, COLORREF) { return P; }},
      {pmNotCopy, [](COLORREF P, COLORREF) { return ~P; }},
      {pmMergePenNot, [](COLORREF P, COLORREF D) { return P | ~D; }},
      {pmMaskPenNot, [](COLORREF P, COLORREF D) { return P & ~D; }},
      {pmMergeNotPen, [](COLORREF P, COLORREF D) { return ~P | D; }},
      {pmMaskNotPen, [](COLORREF P, COLORREF D) { return ~P & D; }},
      {pmMerge, [](COLORREF P, COLORREF D) { return P | D; }},
      {pmNotMerge, [](COLORREF P, COLORREF D) { return ~(P | D); }},
      {pmMask, [](COLORREF P, COLORREF D) { return P & D; }},
      {pmNotMask, [](COLORREF P, COLORREF D) { return ~(P & D); }},
      {pmXor, [](COLORREF P, COLORREF D) { return P ^ D; }},
      {pmNotXor, [](COLORREF P, COLORREF D) { return ~(P ^ D); }}};
  for (const auto& [Mode, Mix] : Modes) {
    TGroundCanvas G(20, 5);
    G.Canvas()->GetPen()->SetColor(TColor(kInk));
    G.Canvas()->GetPen()->SetMode(Mode);
    G.Canvas()->MoveTo(2, 2);
    G.Canvas()->LineTo(15, 2);
    EXPECT_EQ(G.At(8, 2), Mix(kInk, kGround) & 0xFFFFFF) << "mode " << Mode;
    EXPECT_EQ(G.At(8, 3), kGround);
  }
}

TEST(PixelExact, PenStylesMakeTheirLineStyles) {
  TLeakCheck Leaks;
  const std::pair<TPenStyle, UINT> Styles[] = {{psSolid, PS_SOLID},
                                               {psDash, PS_DASH},
                                               {psDot, PS_DOT},
                                               {psDashDot, PS_DASHDOT},
                                               {psDashDotDot, PS_DASHDOTDOT},
                                               {psClear, PS_NULL},
                                               {psInsideFrame, PS_INSIDEFRAME}};
  for (const auto& [Style, Want] : Styles) {
    TObjectPtr<TPen> P(TPen::Create());
    P->SetStyle(Style);
    LOGPEN L;
    ASSERT_TRUE(GetObject(P->GetHandle(), &L));
    EXPECT_EQ(L.lopnStyle, Want) << "style " << Style;
  }
}

TEST(PixelExact, MiterJoinsFillTheOuterCornerAndBevelJoinsDoNot) {
  TLeakCheck Leaks;
  for (UINT Join : {UINT(PS_JOIN_MITER), UINT(PS_JOIN_BEVEL), UINT(PS_JOIN_ROUND)}) {
    SCOPED_TRACE(Join);
    TPaintBox Box(45, 45);
    Box.Surface.Fill(kGround);
    const LOGBRUSH Lb{BS_SOLID, kInk, 0};
    HPEN Pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | Join, 5, Lb);
    HGDIOBJ Old = SelectObject(Box.Dc, Pen);
    const TPoint Corner[] = {{10, 20}, {30, 20}, {30, 40}};
    Polyline(Box.Dc, Corner, 3);
    // Both bands: rows 18..22 from x 10, columns 28..32 down to y 39.
    EXPECT_EQ(Box.Surface.GetPixel(10, 18), kInk);
    EXPECT_EQ(Box.Surface.GetPixel(9, 20), kGround);  // flat cap at the start
    EXPECT_EQ(Box.Surface.GetPixel(32, 39), kInk);
    EXPECT_EQ(Box.Surface.GetPixel(30, 40), kGround);  // flat cap at the end
    EXPECT_EQ(Box.Surface.GetPixel(20, 23), kGround);
    // The outer corner of the turn.
    EXPECT_EQ(Box.Surface.GetPixel(32, 18), Join == PS_JOIN_MITER ? kInk : kGround);
    SelectObject(Box.Dc, Old);
    DeleteObject(Pen);
  }
}

TEST(PixelExact, RectangleRegionsGivenBackwardsAreTurnedRound) {
  TLeakCheck Leaks;
  HRGN R = CreateRectRgn(20, 30, 5, 10);
  TRect Box;
  EXPECT_EQ(GetRgnBox(R, &Box), SIMPLEREGION);
  EXPECT_EQ(Box, (TRect{5, 10, 20, 30}));
  EXPECT_TRUE(PtInRegion(R, 5, 10));
  EXPECT_FALSE(PtInRegion(R, 20, 29));
  DeleteObject(R);
}

TEST(PixelExact, BitmapsTurnedMonochromeSplitAtTheMiddleGrey) {
  TLeakCheck Leaks;
  TObjectPtr<TBitmap> B(TBitmap::Create());
  B->SetSize(2, 1);
  B->GetCanvas()->SetPixels(0, 0, TColor(RGB(128, 128, 128)));
  B->GetCanvas()->SetPixels(1, 0, TColor(RGB(128, 128, 127)));
  B->SetMonochrome(true);
  EXPECT_EQ(COLORREF(B->GetCanvas()->GetPixels(0, 0)), RGB(255, 255, 255));
  EXPECT_EQ(COLORREF(B->GetCanvas()->GetPixels(1, 0)), RGB(0, 0, 0));
}

TEST(PixelExact, CanvasFontOrientationTurnsItsText) {
  TLeakCheck Leaks;
  TGroundCanvas G(60, 60);
  TCanvas* C = G.Canvas();
  C->GetBrush()->SetStyle(bsClear);
  C->GetFont()->SetColor(TColor(kInk));
  C->GetFont()->SetOrientation(900);
  C->TextOut(20, 55, "Upwards");
  // The ink runs up the bitmap from the point, not along it.
  Integer Top = 60, Bottom = 0, Left = 60, Right = 0;
  for (Integer Y = 0; Y < 60; ++Y)
    for (Integer X = 0; X < 60; ++X)
      if (G.At(X, Y) != kGround) {
        Top = std::min(Top, Y), Bottom = std::max(Bottom, Y);
        Left = std::min(Left, X), Right = std::max(Right, X);
      }
  EXPECT_GT(Bottom - Top, 2 * (Right - Left));
  EXPECT_LE(Bottom, 55);
  EXPECT_GE(Left, 20);
}

TEST(PixelExact, MirroredTextMovesTheCurrentPositionLeftInLogicalUnits) {
  TLeakCheck Leaks;
  TPaintBox Box(100, 30);
  SetMapMode(Box.Dc, MM_ANISOTROPIC);
  SetWindowExtEx(Box.Dc, 1, 1, nullptr);
  SetViewportExtEx(Box.Dc, -1, 1, nullptr);
  SetViewportOrgEx(Box.Dc, 99, 0, nullptr);
  SetTextAlign(Box.Dc, TA_UPDATECP);
  MoveToEx(Box.Dc, 60, 5, nullptr);
  TSize S;
  GetTextExtentPoint32(Box.Dc, "ab", &S);
  TextOut(Box.Dc, 0, 0, "ab");
  TPoint P;
  GetCurrentPositionEx(Box.Dc, &P);
  EXPECT_EQ(P, (TPoint{60 - S.cx, 5}));
}

TEST(PixelExact, OriginAndExtentSettersGiveBackTheOldValues) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  HDC Dc = Box.Dc;
  TPoint Old;
  SetWindowOrgEx(Dc, 3, 4, nullptr);
  SetWindowOrgEx(Dc, 5, 6, &Old);
  EXPECT_EQ(Old, (TPoint{3, 4}));
  SetViewportOrgEx(Dc, 7, 8, nullptr);
  SetViewportOrgEx(Dc, 1, 2, &Old);
  EXPECT_EQ(Old, (TPoint{7, 8}));
  OffsetWindowOrgEx(Dc, 1, 1, &Old);
  EXPECT_EQ(Old, (TPoint{5, 6}));
  SetMapMode(Dc, MM_ANISOTROPIC);
  TSize Ext;
  SetWindowExtEx(Dc, 4, 2, nullptr);
  SetWindowExtEx(Dc, 8, 8, &Ext);
  EXPECT_EQ(Ext.cx, 4);
  EXPECT_EQ(Ext.cy, 2);
}

TEST(PixelExact, FaceNamesKeepThirtyOneCharactersAndCosmeticPensOnePixel) {
  TLeakCheck Leaks;
  const String Long(32, 'F');
  HFONT F = CreateFont(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, Long);
  LOGFONT L;
  GetObject(F, &L);
  EXPECT_EQ(L.lfFaceName, String(31, 'F'));
  DeleteObject(F);
  const LOGBRUSH Lb{BS_SOLID, kInk, 0};
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 2, Lb), nullptr);
  HPEN P = ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, Lb);
  EXPECT_NE(P, nullptr);
  DeleteObject(P);
}

// [SECTION] Polygon regions

// Even-odd at the centre of pixel (X, Y), worked out directly.
bool CentreInside(const std::vector<TPoint>& P, Integer X, Integer Y) {
  const double CX = X + 0.5, CY = Y + 0.5;
  bool In = false;
  for (std::size_t I = 0, J = P.size() - 1; I < P.size(); J = I++) {
    const double XI = P[I].X, YI = P[I].Y, XJ = P[J].X, YJ = P[J].Y;
    if ((YI > CY) != (YJ > CY) && CX < (XJ - XI) * (CY - YI) / (YJ - YI) + XI) In = !In;
  }
  return In;
}

TEST(PixelExact, PolygonRegionsHoldThePixelsWhoseCentresAreInside) {
  std::mt19937 Rng(99);
  std::uniform_int_distribution<int> Pos(0, 30);
  for (int Trial = 0; Trial < 60; ++Trial) {
    std::vector<TPoint> P;
    for (int I = 0; I < 3 + Trial % 4; ++I) P.push_back({Pos(Rng), Pos(Rng)});
    const TRegion R = TRegion::FromPolygon(P, ALTERNATE);
    for (Integer Y = -1; Y < 32; ++Y)
      for (Integer X = -1; X < 32; ++X)
        ASSERT_EQ(R.Contains({X, Y}), CentreInside(P, X, Y))
            << "trial " << Trial << " at " << X << "," << Y;
  }
}

}  // namespace
