// Text: metrics of the mapped fonts, measuring, ExtTextOut and DrawText
// layout, checked through the drawing log and the pixels.
#include <gtest/gtest.h>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Strings.h"

using namespace kvp;
using kvp::test::TLeakCheck;
using kvp::test::TPaintBox;

namespace {

TEST(TextMetrics, EightPointSansIsThirteenPixelsHigh) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  Box.UseFont("MS Sans Serif", -11);
  TEXTMETRIC M;
  ASSERT_TRUE(GetTextMetrics(Box.Dc, &M));
  EXPECT_EQ(M.tmHeight, 13);
  EXPECT_EQ(M.tmAscent + M.tmDescent, M.tmHeight);
  EXPECT_EQ(M.tmInternalLeading, 2);  // the cell is 13, the characters 11
  EXPECT_EQ(M.tmOverhang, 0);
  EXPECT_TRUE(M.tmPitchAndFamily & TMPF_TRUETYPE);
  EXPECT_TRUE(M.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set for variable pitch
  TSize S;
  GetTextExtentPoint32(Box.Dc, "0", &S);
  EXPECT_EQ(S.cy, 13);
  // A positive height asks for the cell height.
  Box.UseFont("Arial", 16);
  GetTextMetrics(Box.Dc, &M);
  EXPECT_EQ(M.tmHeight, 16);
}

// Heights, widths and the layout of whole screens are worked out from these
// numbers: they must not move.
TEST(TextMetrics, DefaultFontsKeepTheirNumbers) {
  TLeakCheck Leaks;
  struct {
    const char* Name;
    HGDIOBJ Font;  // null: the DC's own font
    LONG Height, Ascent, Descent, AveWidth, MaxWidth, ZeroWidth, SampleWidth;
  } Cases[] = {{"DC default", nullptr, 16, 13, 3, 8, 28, 10, 89},
               {"SYSTEM_FONT", GetStockObject(SYSTEM_FONT), 16, 13, 3, 8, 28, 10, 89},
               {"DEFAULT_GUI_FONT", GetStockObject(DEFAULT_GUI_FONT), 13, 10, 3, 6, 21, 7, 62}};
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TPaintBox Box(10, 10);
    HGDIOBJ Old = C.Font ? SelectObject(Box.Dc, C.Font) : nullptr;
    TEXTMETRIC M;
    ASSERT_TRUE(GetTextMetrics(Box.Dc, &M));
    EXPECT_EQ(M.tmHeight, C.Height);
    EXPECT_EQ(M.tmAscent, C.Ascent);
    EXPECT_EQ(M.tmDescent, C.Descent);
    EXPECT_EQ(M.tmInternalLeading, 2);
    EXPECT_EQ(M.tmExternalLeading, 0);
    EXPECT_EQ(M.tmAveCharWidth, C.AveWidth);
    EXPECT_EQ(M.tmMaxCharWidth, C.MaxWidth);
    TSize Zero, Sample;
    GetTextExtentPoint32(Box.Dc, "0", &Zero);
    GetTextExtentPoint32(Box.Dc, "Korvel grid", &Sample);
    EXPECT_EQ(Zero, (TSize{C.ZeroWidth, C.Height}));
    EXPECT_EQ(Sample.cx, C.SampleWidth);
    if (Old) SelectObject(Box.Dc, Old);
  }
  // The component library's default font is the GUI font.
  TObjectPtr<TFont> Font(TFont::Create());
  TPaintBox Box(10, 10);
  HGDIOBJ Old = SelectObject(Box.Dc, Font->GetHandle());
  TSize Sample;
  GetTextExtentPoint32(Box.Dc, "Korvel grid", &Sample);
  EXPECT_EQ(Sample, (TSize{62, 13}));
  SelectObject(Box.Dc, Old);
}

TEST(TextMetrics, FixedPitchNamesMapToTheMonospacedFace) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  for (const char* Face : {"Courier New", "Consolas", "Lucida Console", "Fixedsys"}) {
    SCOPED_TRACE(Face);
    Box.UseFont(Face, -13);
    TSize I, W;
    GetTextExtentPoint32(Box.Dc, "iiii", &I);
    GetTextExtentPoint32(Box.Dc, "WWWW", &W);
    EXPECT_EQ(I.cx, W.cx);
    TEXTMETRIC M;
    GetTextMetrics(Box.Dc, &M);
    EXPECT_FALSE(M.tmPitchAndFamily & TMPF_FIXED_PITCH);
  }
  Box.UseFont(
      CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, FIXED_PITCH, "Unknown Face"));
  TSize I, W;
  GetTextExtentPoint32(Box.Dc, "ii", &I);
  GetTextExtentPoint32(Box.Dc, "WW", &W);
  EXPECT_EQ(I.cx, W.cx);
}

TEST(TextMeasure, ExtentCountsCodePointsAndFitCounts) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  Box.UseFont("Tahoma", -11);
  TSize Ascii, Accented;
  GetTextExtentPoint32(Box.Dc, "e", &Ascii);
  GetTextExtentPoint32(Box.Dc, "\xC3\xA9", &Accented);  // "é": two bytes, one character
  EXPECT_GT(Accented.cx, 0);
  EXPECT_LE(Accented.cx, Ascii.cx + 1);
  TSize Two;
  GetTextExtentPoint32(Box.Dc, "\xC3\xA9\xC3\xA9", 1, &Two);  // count is in characters
  EXPECT_EQ(Two.cx, Accented.cx);
  Integer Fit = 0, Dx[5] = {};
  TSize All;
  ASSERT_TRUE(GetTextExtentExPoint(Box.Dc, "abcde", -1, 0, &Fit, Dx, &All));
  EXPECT_EQ(Dx[4], All.cx);
  GetTextExtentExPoint(Box.Dc, "abcde", -1, Dx[2], &Fit, nullptr, nullptr);
  EXPECT_EQ(Fit, 3);
  GetTextExtentExPoint(Box.Dc, "abcde", -1, Dx[2] - 1, &Fit, nullptr, nullptr);
  EXPECT_EQ(Fit, 2);
}

TEST(TextMeasure, MalformedTextCountsTheCharactersTheStringRoutinesSee) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  Box.UseFont("Tahoma", -11);
  // A truncated euro sign is one character, so a fit count maps back to the
  // same byte positions as CharToByteIndex gives; an encoded surrogate is three.
  for (const String& Text : {String("a\xE2\x82") + "b", String("a\xED\xA0\x80") + "b"}) {
    SCOPED_TRACE(Text);
    Integer Fit = 0;
    ASSERT_TRUE(GetTextExtentExPoint(Box.Dc, Text, -1, 10000, &Fit, nullptr, nullptr));
    Integer Chars = ByteToCharIndex(Text, Text.size());
    EXPECT_EQ(Fit, Chars);
  }
}

TEST(TextOutput, DrawnTextStaysInsideItsMeasuredBox) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Box(200, 40);
  Box.UseFont("MS Sans Serif", -11);
  SetBkMode(Box.Dc, TRANSPARENT);
  TSize S;
  GetTextExtentPoint32(Box.Dc, "Hello World", &S);
  TextOut(Box.Dc, 10, 10, "Hello World");
  EXPECT_GT(Box.Ink({10, 10, 10 + S.cx, 10 + S.cy}), 20);
  EXPECT_EQ(Box.Ink({0, 0, 200, 10}), 0);
  EXPECT_EQ(Box.Ink({10 + S.cx, 0, 200, 40}), 0);
  EXPECT_EQ(Box.Ink({0, 10 + S.cy, 200, 40}), 0);
  const TDrawRecord* R = Box.LastText();
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->Text, "Hello World");
  EXPECT_EQ(R->Rect, (TRect{10, 10, 10 + S.cx, 10 + S.cy}));
  EXPECT_EQ(R->FontName, "MS Sans Serif");
  EXPECT_EQ(R->FontSize, 8);
  EXPECT_FALSE(R->Opaque);
}

TEST(TextOutput, GlyphsBlendWithTheTextColourAndAreTheSameEveryTime) {
  TLeakCheck Leaks;
  TPaintBox A(60, 20), B(60, 20);
  for (TPaintBox* P : {&A, &B}) {
    P->UseFont("Arial", -13);
    SetTextColor(P->Dc, RGB(200, 0, 0));
    SetBkMode(P->Dc, TRANSPARENT);
    TextOut(P->Dc, 2, 2, "Wow");
  }
  bool Partial = false, Full = false;
  for (int Y = 0; Y < 20; ++Y)
    for (int X = 0; X < 60; ++X) {
      COLORREF C = A.Surface.GetPixel(X, Y);
      ASSERT_EQ(C, B.Surface.GetPixel(X, Y));
      EXPECT_EQ(GetGValue(C), GetBValue(C));  // only red is added to white
      Full |= C == RGB(200, 0, 0);
      Partial |= C != RGB(200, 0, 0) && C != RGB(255, 255, 255);
    }
  EXPECT_TRUE(Full);
  EXPECT_TRUE(Partial);  // antialiased edges
}

TEST(TextOutput, OpaqueModeFillsTheCellAndAlignmentMovesIt) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Box(200, 60);
  Box.UseFont("MS Sans Serif", -11);
  SetBkColor(Box.Dc, RGB(0, 0, 255));
  SetBkMode(Box.Dc, OPAQUE);
  TSize S;
  GetTextExtentPoint32(Box.Dc, "ab", &S);
  SetTextAlign(Box.Dc, TA_RIGHT | TA_BASELINE);
  TextOut(Box.Dc, 100, 30, "ab");
  TEXTMETRIC M;
  GetTextMetrics(Box.Dc, &M);
  TRect Cell{100 - S.cx, 30 - M.tmAscent, 100, 30 - M.tmAscent + M.tmHeight};
  EXPECT_EQ(Box.LastText()->Rect, Cell);
  EXPECT_TRUE(Box.LastText()->Opaque);
  EXPECT_EQ(Box.Surface.GetPixel(Cell.Left, Cell.Top), RGB(0, 0, 255));
  EXPECT_EQ(Box.Surface.GetPixel(Cell.Right, Cell.Top), RGB(255, 255, 255));
  SetTextAlign(Box.Dc, TA_CENTER | TA_TOP);
  TextOut(Box.Dc, 100, 40, "ab");
  EXPECT_EQ(Box.LastText()->Rect.Left, 100 - S.cx / 2);
}

TEST(TextOutput, ExtTextOutClipsAndFillsItsRectangle) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Box(100, 30);
  Box.UseFont("MS Sans Serif", -11);
  SetBkMode(Box.Dc, TRANSPARENT);
  SetBkColor(Box.Dc, RGB(0, 255, 0));
  TRect R{10, 5, 30, 20};
  ExtTextOut(Box.Dc, 10, 5, ETO_CLIPPED | ETO_OPAQUE, &R, "A long text that overflows");
  EXPECT_EQ(Box.Surface.GetPixel(10, 5), RGB(0, 255, 0));
  EXPECT_EQ(Box.Surface.GetPixel(29, 19), RGB(0, 255, 0));
  EXPECT_EQ(Box.Ink({30, 0, 100, 30}), 0);
  EXPECT_EQ(Box.LastText()->Rect.Right, 30);  // the log holds what shows
  // Per-character advances place the characters.
  Integer Dx[3] = {20, 20, 20};
  ExtTextOut(Box.Dc, 0, 0, 0, nullptr, "iii", 3, Dx);
  EXPECT_EQ(Box.LastText()->Rect.Width(), 60);
}

TEST(TextOutput, MirroredMappingMovesTextButKeepsItReadable) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Plain(100, 20), Mirror(100, 20);
  for (TPaintBox* P : {&Plain, &Mirror}) {
    P->UseFont("MS Sans Serif", -11);
    SetBkMode(P->Dc, TRANSPARENT);
  }
  SetMapMode(Mirror.Dc, MM_ANISOTROPIC);
  SetWindowOrgEx(Mirror.Dc, 100, 0, nullptr);
  SetWindowExtEx(Mirror.Dc, -1, 1, nullptr);
  SetViewportExtEx(Mirror.Dc, 1, 1, nullptr);
  TPoint P{10, 0};
  LPtoDP(Mirror.Dc, &P, 1);
  EXPECT_EQ(P.X, 90);
  TextOut(Plain.Dc, 0, 0, "Ab");
  TextOut(Mirror.Dc, 0, 0, "Ab");  // logical left edge: the device's right edge
  TRect A = Plain.LastText()->Rect, B = Mirror.LastText()->Rect;
  EXPECT_EQ(B.Right, 100);
  EXPECT_EQ(B.Width(), A.Width());
  // The same glyph pixels, moved: the text is not mirrored.
  for (int Y = 0; Y < 20; ++Y)
    for (int X = 0; X < A.Width(); ++X)
      ASSERT_EQ(Plain.Surface.GetPixel(A.Left + X, Y), Mirror.Surface.GetPixel(B.Left + X, Y));
}

TEST(TextOutput, RotatedTextRunsUpwards) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Box(60, 120);
  Box.UseFont("Arial", -13, FW_NORMAL, 900);
  SetBkMode(Box.Dc, TRANSPARENT);
  TextOut(Box.Dc, 10, 110, "Vertical");
  TRect R = Box.LastText()->Rect;
  EXPECT_GT(R.Height(), R.Width());
  EXPECT_EQ(R.Bottom, 110);
  EXPECT_EQ(R.Left, 10);
  EXPECT_GT(Box.Ink(R), 30);
  EXPECT_EQ(Box.Ink({0, 0, 60, R.Top}), 0);
  EXPECT_EQ(Box.LastText()->Escapement, 900);
}

TEST(TextOutput, MissingGlyphsDrawTheNotdefBox) {
  TLeakCheck Leaks;
  TPaintBox Box(40, 20);
  Box.UseFont("MS Sans Serif", -11);
  SetBkMode(Box.Dc, TRANSPARENT);
  TextOut(Box.Dc, 2, 2, "\xEE\x80\x80");  // U+E000, in no font
  EXPECT_GT(Box.Ink({0, 0, 40, 20}), 4);
}

// [SECTION] DrawText

struct TDrawTextBox : TPaintBox {
  TDrawTextBox() : TPaintBox(300, 200) {
    UseFont("MS Sans Serif", -11);
    SetBkMode(Dc, TRANSPARENT);
  }
  Integer Width(const String& S) {
    TSize Sz;
    GetTextExtentPoint32(Dc, S, &Sz);
    return Sz.cx;
  }
  std::vector<const TDrawRecord*> Texts() const {
    std::vector<const TDrawRecord*> Out;
    for (const TDrawRecord& R : Surface.Records())
      if (R.Kind == TDrawKind::Text) Out.push_back(&R);
    return Out;
  }
};

TEST(DrawText, CalcRectAgreesWithWhatIsDrawn) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  TRect Calc{0, 0, 0, 0};
  Integer H = DrawText(B.Dc, "Measure me", -1, &Calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(H, 13);
  EXPECT_EQ(Calc, (TRect{0, 0, B.Width("Measure me"), 13}));
  TRect Draw = Calc;
  DrawText(B.Dc, "Measure me", -1, &Draw, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(B.LastText()->Rect, Calc);
  EXPECT_EQ(B.LastText()->Text, "Measure me");  // fitted: nothing cut
}

TEST(DrawText, WordBreakWrapsAtBlanksAndCountsLines) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  Integer W = std::max(B.Width("alpha beta"), B.Width("gamma delta"));
  TRect R{0, 0, W, 100};
  TRect Calc = R;
  Integer H = DrawText(B.Dc, "alpha beta gamma delta", -1, &Calc, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(H, 26);
  EXPECT_EQ(Calc.Bottom, 26);
  EXPECT_LE(Calc.Width(), W);
  EXPECT_EQ(DrawText(B.Dc, "alpha beta gamma delta", -1, &R, DT_WORDBREAK), 26);
  auto T = B.Texts();
  ASSERT_EQ(T.size(), 2u);
  EXPECT_EQ(T[0]->Text, "alpha beta");
  EXPECT_EQ(T[1]->Text, "gamma delta");
  EXPECT_EQ(T[1]->Rect.Top, 13);
  // Explicit line breaks always break; a too long word stays whole unless an edit control.
  B.Surface.ClearRecords();
  TRect Narrow{0, 0, B.Width("ab"), 100};
  EXPECT_EQ(DrawText(B.Dc, "one\r\ntwo\nabcdef", -1, &Narrow, DT_WORDBREAK | DT_CALCRECT), 39);
  TRect Edit{0, 0, B.Width("abc"), 100};
  EXPECT_EQ(DrawText(B.Dc, "abcdef", -1, &Edit, DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT), 26);
}

// Measures Text into a rectangle Width wide at (20, 20), draws it into the
// measured rectangle and, on a second surface, unclipped: the lines, their
// places and every pixel inside the rectangle must be the same.
TEST(DrawText, MeasuredRectangleHoldsEveryLineAsDrawn) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  struct {
    const char* Text;
    Integer Width;  // 0: single line
    UINT Format;
  } Cases[] = {{"Measure me", 0, DT_SINGLELINE},
               {"&Save && close", 0, DT_SINGLELINE},
               {"The quick brown fox jumps over the lazy dog", 60, DT_WORDBREAK},
               {"The quick brown fox jumps over the lazy dog", 110, DT_WORDBREAK | DT_CENTER},
               {"one two\nthree four five six", 45, DT_WORDBREAK | DT_RIGHT},
               {"Tab\tstops\tand words that wrap", 70, DT_WORDBREAK | DT_EXPANDTABS}};
  for (const char* Face : {"MS Sans Serif", "Courier New"}) {
    for (auto& C : Cases) {
      SCOPED_TRACE(String(Face) + ": " + C.Text);
      TDrawTextBox Clipped, Free;
      Clipped.UseFont(Face, -11);
      Free.UseFont(Face, -11);
      TRect Calc{20, 20, 20 + C.Width, 20};
      Integer H = DrawText(Clipped.Dc, C.Text, -1, &Calc, C.Format | DT_CALCRECT);
      EXPECT_EQ(H, Calc.Height());
      TRect R = Calc, RFree = Calc;
      EXPECT_EQ(DrawText(Clipped.Dc, C.Text, -1, &R, C.Format), H);
      DrawText(Free.Dc, C.Text, -1, &RFree, C.Format | DT_NOCLIP);
      auto A = Clipped.Texts(), B = Free.Texts();
      ASSERT_EQ(A.size(), B.size());
      EXPECT_EQ(Integer(A.size()) * 13, H);  // one record a line, 13 pixels each
      for (std::size_t I = 0; I < A.size(); ++I) {
        EXPECT_EQ(A[I]->Text, B[I]->Text);
        EXPECT_EQ(A[I]->Rect, B[I]->Rect);
        EXPECT_TRUE(A[I]->Rect.Left >= Calc.Left && A[I]->Rect.Right <= Calc.Right &&
                    A[I]->Rect.Top >= Calc.Top && A[I]->Rect.Bottom <= Calc.Bottom)
            << "line " << I << " leaves the measured rectangle";
      }
      int Differ = 0;
      for (int Y = Calc.Top; Y < Calc.Bottom; ++Y)
        for (int X = Calc.Left; X < Calc.Right; ++X)
          Differ += Clipped.Surface.GetPixel(X, Y) != Free.Surface.GetPixel(X, Y);
      EXPECT_EQ(Differ, 0);
      EXPECT_GT(Clipped.Ink(Calc), 0);
    }
  }
}

TEST(DrawText, PrefixUnderlinesTheNextLetter) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox Prefixed, Plain;
  TRect R{0, 0, 100, 20};
  DrawText(Prefixed.Dc, "&File", -1, &R, DT_SINGLELINE);
  DrawText(Plain.Dc, "File", -1, &R, DT_SINGLELINE);
  EXPECT_EQ(Prefixed.LastText()->Text, "File");
  Integer F = Prefixed.Width("F");
  // The only difference is a line under the F.
  EXPECT_GT(Prefixed.Ink({0, 10, F, 13}), Plain.Ink({0, 10, F, 13}));
  EXPECT_EQ(Prefixed.Ink({F, 0, 100, 20}), Plain.Ink({F, 0, 100, 20}));
  TRect Calc{0, 0, 0, 0};
  DrawText(Prefixed.Dc, "A&&B", -1, &Calc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(Calc.Width(), Prefixed.Width("A&B"));
  DrawText(Prefixed.Dc, "A&&B", -1, &R, DT_SINGLELINE);
  EXPECT_EQ(Prefixed.LastText()->Text, "A&B");
  DrawText(Prefixed.Dc, "A&&B", -1, &R, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(Prefixed.LastText()->Text, "A&&B");
  TDrawTextBox Hidden;
  DrawText(Hidden.Dc, "&File", -1, &R, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(Hidden.Ink({0, 0, 100, 20}), Plain.Ink({0, 0, 100, 20}));
}

TEST(DrawText, EllipsesShortenToTheWidth) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  TRect R{0, 0, B.Width("Long text h"), 20};
  String Text = "Long text here that does not fit";
  DrawTextEx(B.Dc, Text, -1, &R, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING, nullptr);
  String Shown = B.LastText()->Text;
  EXPECT_EQ(Shown.substr(Shown.size() - 3), "...");
  EXPECT_LE(B.Width(Shown), R.Width());
  EXPECT_EQ(Text, Shown);
  TRect P{0, 0, B.Width("C:\\...\\file.txt") + 2, 20};
  DrawText(B.Dc, "C:\\Program Files\\Korvel\\file.txt", -1, &P, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  Shown = B.LastText()->Text;
  EXPECT_EQ(Shown.substr(Shown.size() - 9), "\\file.txt");
  EXPECT_NE(Shown.find("..."), String::npos);
  // Text that fits is left alone.
  TRect Wide{0, 0, 300, 20};
  DrawText(B.Dc, "Short", -1, &Wide, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(B.LastText()->Text, "Short");
}

TEST(DrawText, AlignmentMarginsAndVerticalCentre) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  Integer W = B.Width("Hi");
  TRect R{10, 10, 110, 50};
  DrawText(B.Dc, "Hi", -1, &R, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  EXPECT_EQ(B.LastText()->Rect, (TRect{110 - W, 37, 110, 50}));
  Integer H = DrawText(B.Dc, "Hi", -1, &R, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(B.LastText()->Rect, (TRect{10 + (100 - W) / 2, 10 + (40 - 13) / 2,
                                       10 + (100 - W) / 2 + W, 10 + (40 - 13) / 2 + 13}));
  EXPECT_EQ(H, (40 - 13) / 2 + 13);
  DRAWTEXTPARAMS Params;
  Params.iLeftMargin = 5;
  Params.iRightMargin = 7;
  DrawTextEx(B.Dc, "Hi", -1, &R, DT_SINGLELINE, &Params);
  EXPECT_EQ(B.LastText()->Rect.Left, 15);
  EXPECT_EQ(Params.uiLengthDrawn, 2u);
  DrawTextEx(B.Dc, "Hi", -1, &R, DT_SINGLELINE | DT_RIGHT, &Params);
  EXPECT_EQ(B.LastText()->Rect.Right, 103);
  TRect Calc{0, 0, 0, 0};
  DrawTextEx(B.Dc, "Hi", -1, &Calc, DT_SINGLELINE | DT_CALCRECT, &Params);
  EXPECT_EQ(Calc.Width(), 5 + W + 7);
}

TEST(DrawText, TabsExpandToStops) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  TEXTMETRIC M;
  GetTextMetrics(B.Dc, &M);
  TRect Calc{0, 0, 0, 0};
  DrawText(B.Dc, "a\tb", -1, &Calc, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_EQ(Calc.Width(), 8 * M.tmAveCharWidth + B.Width("b"));
  DRAWTEXTPARAMS Params;
  Params.iTabLength = 4;
  Calc = {0, 0, 0, 0};
  DrawTextEx(B.Dc, "a\tb", -1, &Calc, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS, &Params);
  EXPECT_EQ(Calc.Width(), 4 * M.tmAveCharWidth + B.Width("b"));
  // DT_TABSTOP takes the tab length from bits 8-15, which then are no flags.
  TRect R{0, 0, 200, 20};
  DrawText(B.Dc, "a\tb", -1, &R, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (3 << 8));
  EXPECT_EQ(B.LastText()->Rect.Width(), 3 * M.tmAveCharWidth + B.Width("b"));
}

TEST(DrawText, EmptyTextAndClipping) {
  TLeakCheck Leaks;
  TDrawTextBox B;
  TRect R{5, 5, 50, 50};
  EXPECT_EQ(DrawText(B.Dc, "", -1, &R, DT_CALCRECT | DT_SINGLELINE), 13);
  EXPECT_EQ(R, (TRect{5, 5, 5, 18}));
  TRect Small{0, 0, 10, 8};
  DrawText(B.Dc, "Clipped text", -1, &Small, DT_SINGLELINE);
  EXPECT_EQ(B.Ink({10, 0, 300, 200}) + B.Ink({0, 8, 10, 200}), 0);
  DrawText(B.Dc, "Not clipped", -1, &Small, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(B.Ink({10, 0, 300, 200}), 0);
}

TEST(TextMetrics, OutlineMetricsWidthsAndStyles) {
  TLeakCheck Leaks;
  TPaintBox Box(10, 10);
  Box.UseFont(CreateFont(-13, 0, 0, 0, FW_BOLD, 1, 1, 1, 0, 0, 0, 0, 0, "Tahoma"));
  OUTLINETEXTMETRIC O;
  EXPECT_EQ(GetOutlineTextMetrics(Box.Dc, 0, nullptr), UINT(sizeof(OUTLINETEXTMETRIC)));
  ASSERT_NE(GetOutlineTextMetrics(Box.Dc, sizeof(O), &O), 0u);
  EXPECT_LT(O.otmItalicAngle, 0);  // leans right
  EXPECT_GT(O.otmsCharSlopeRun, 0);
  EXPECT_GT(O.otmsUnderscoreSize, 0);
  EXPECT_EQ(O.otmTextMetrics.tmUnderlined, 1);
  EXPECT_EQ(O.otmTextMetrics.tmStruckOut, 1);
  EXPECT_EQ(O.otmTextMetrics.tmWeight, FW_BOLD);
  Integer Widths[3];
  ASSERT_TRUE(GetCharWidth32(Box.Dc, 'a', 'c', Widths));
  TSize S;
  GetTextExtentPoint32(Box.Dc, "abc", &S);
  EXPECT_EQ(Widths[0] + Widths[1] + Widths[2], S.cx);
  // Bold is wider than regular.
  TSize Bold = S;
  Box.UseFont("Tahoma", -13);
  GetTextExtentPoint32(Box.Dc, "abc", &S);
  EXPECT_GT(Bold.cx, S.cx);
}

TEST(TextOutput, UpdateCurrentPositionMovesThePen) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TPaintBox Box(100, 20);
  Box.UseFont("MS Sans Serif", -11);
  SetTextAlign(Box.Dc, TA_UPDATECP);
  MoveToEx(Box.Dc, 5, 2, nullptr);
  TextOut(Box.Dc, 50, 50, "ab");  // the position given is ignored
  TSize S;
  GetTextExtentPoint32(Box.Dc, "ab", &S);
  EXPECT_EQ(Box.LastText()->Rect.Left, 5);
  TPoint P;
  GetCurrentPositionEx(Box.Dc, &P);
  EXPECT_EQ(P, (TPoint{5 + S.cx, 2}));
  TextOut(Box.Dc, 0, 0, "c");
  EXPECT_EQ(Box.LastText()->Rect.Left, 5 + S.cx);
}

// Reading order and the other options are not seen in Latin pixels, so the
// log keeps them for whoever checks how a text was asked to be drawn.
TEST(DrawText, TheLogKeepsTheFormatAndTheOptions) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TDrawTextBox B;
  TRect R{0, 0, 100, 20};
  DrawText(B.Dc, "Right to left", -1, &R, DT_RIGHT | DT_RTLREADING | DT_SINGLELINE);
  ASSERT_NE(B.LastText(), nullptr);
  EXPECT_EQ(B.LastText()->Flags, DT_RIGHT | DT_RTLREADING | DT_SINGLELINE);
  EXPECT_EQ(B.LastText()->Rect.Right, 100);  // the alignment asked for, not swapped
  TRect Cell{0, 30, 40, 45};
  ExtTextOut(B.Dc, 2, 31, ETO_CLIPPED | ETO_OPAQUE, &Cell, "Cell");
  EXPECT_EQ(B.LastText()->Flags, ETO_CLIPPED | ETO_OPAQUE);
}

}  // namespace
