// Text layout against a reference listing: where each alignment, clip,
// advance array, DrawText format (lines, word breaks, ellipses, tabs,
// prefixes, margins, leading, measuring) and mirrored mapping puts its text,
// as the drawing log reports it (the text and its cell box on the surface),
// with what each call answers. The listing depends on the font's advances,
// not on how glyphs are rasterised. A change of layout that is meant is
// checked against the listing the failure prints, then copied in.
#include <gtest/gtest.h>

#include <sstream>

#include "GraphicsTestUtil.h"

using namespace kvp;
using namespace kvp::test;

namespace {

struct TLayoutLog {
  TDrawingLogOn On;
  TPaintBox Box{400, 300};
  std::ostringstream Out;

  TLayoutLog() {
    Box.UseFont("MS Sans Serif", -11);
    SetBkMode(Box.Dc, TRANSPARENT);
  }
  // Writes the call's name and answer, then the text it drew.
  void Step(const String& What, Integer Answer) {
    Out << What << " = " << Answer << "\n";
    for (const TDrawRecord& R : Box.Surface.Records())
      if (R.Kind == TDrawKind::Text)
        Out << "  '" << R.Text << "' [" << R.Rect.Left << "," << R.Rect.Top << "," << R.Rect.Right
            << "," << R.Rect.Bottom << "]\n";
    Box.Surface.ClearRecords();
  }
  Integer Draw(const String& Text, TRect R, UINT Format, DRAWTEXTPARAMS* Params = nullptr) {
    String T = Text;
    const Integer H = DrawTextEx(Box.Dc, T, -1, &R, Format, Params);
    std::ostringstream S;
    S << "DrawText 0x" << std::hex << Format << std::dec;
    if (Format & DT_CALCRECT)
      S << " -> [" << R.Left << "," << R.Top << "," << R.Right << "," << R.Bottom << "]";
    if (Format & DT_MODIFYSTRING) S << " -> '" << T << "'";
    Step(S.str(), H);
    return H;
  }
  Integer Width(const String& Text) {
    TSize S;
    GetTextExtentPoint32(Box.Dc, Text, &S);
    return S.cx;
  }
};

const char* const kReference = R"(TextOut align 0x0 = 1
  'Align' [200,20,228,33]
TextOut align 0x6 = 1
  'Align' [186,40,214,53]
TextOut align 0x2 = 1
  'Align' [172,60,200,73]
TextOut align 0x18 = 1
  'Align' [200,60,228,73]
TextOut align 0x1e = 1
  'Align' [186,80,214,93]
TextOut align 0x1a = 1
  'Align' [172,100,200,113]
TextOut align 0x8 = 1
  'Align' [200,107,228,120]
TextOut align 0xe = 1
  'Align' [186,127,214,140]
TextOut align 0xa = 1
  'Align' [172,147,200,160]
TextOut update cp = 1
  'ab' [10,200,24,213]
TextOut update cp = 1
  'cd' [24,200,37,213]
TextOut update cp right = 1
  'ef' [26,200,37,213]
ExtTextOut clipped = 1
  'Clipped text' [20,230,50,243]
ExtTextOut advances = 1
  'abc' [20,250,50,263]
DrawText 0x20 = 13
  'Single' [10,10,40,23]
DrawText 0x21 = 13
  'Single' [45,10,75,23]
DrawText 0x22 = 13
  'Single' [80,10,110,23]
DrawText 0x24 = 21
  'Single' [10,18,40,31]
DrawText 0x25 = 21
  'Single' [45,18,75,31]
DrawText 0x26 = 21
  'Single' [80,18,110,31]
DrawText 0x28 = 30
  'Single' [10,27,40,40]
DrawText 0x29 = 30
  'Single' [45,27,75,40]
DrawText 0x2a = 30
  'Single' [80,27,110,40]
DrawText 0x10 = 39
  'The quick' [10,60,64,73]
  'brown fox' [10,73,67,86]
  'jumps' [10,86,44,99]
DrawText 0x411 -> [10,60,67,99] = 39
DrawText 0x0 = 26
  'first line' [10,100,56,113]
  'second' [10,113,50,126]
DrawText 0x0 = 39
  'one' [10,130,31,143]
  'three' [10,156,40,169]
DrawText 0x20 = 13
  'Exactly' [10,170,51,183]
DrawText 0x8020 = 13
  'Exactly' [60,170,101,183]
DrawText 0x8020 = 13
  'Exac...' [110,170,149,183]
DrawText 0x18020 -> 'Exac...' = 13
  'Exac...' [160,170,199,183]
DrawText 0x8020 = 13
  'Exa...' [210,170,243,183]
DrawText 0x4020 = 13
  'C:\dir\sub\file.txt' [10,185,105,198]
DrawText 0x40020 = 13
  'one tw...' [120,185,170,198]
DrawText 0x60 = 13
  'a	b	c' [10,200,112,213]
DrawText 0xe0 = 13
  'a	b' [10,215,31,228]
DrawText 0x3e0 = 13
  'a	b' [120,215,145,228]
DrawText 0x20 = 13
  'File' [10,230,29,243]
DrawText 0x20 = 13
  'A&B' [40,230,65,243]
DrawText 0x820 = 13
  '&File' [70,230,98,243]
DrawText 0x100020 = 13
  'File' [110,230,129,243]
DrawText 0x10 = 26
  'leading' [200,200,241,213]
  'lines' [200,213,226,226]
DrawText 0x210 = 26
  'leading' [250,200,291,213]
  'lines' [250,213,276,226]
DrawText 0x2 = 13
  'margins' [308,240,354,253]
DrawText 0x0 = 13
  'margins' [258,260,304,273]
DrawText 0x400 -> [250,280,310,293] = 13
mirrored TextOut = 1
  'Mirror' [357,10,391,23]
mirrored DrawText = 13
  'Mirror' [279,30,313,43]
extent fit 20 = 3
extent fit 31 = 4
extent fit 30 = 4
)";

TEST(TextLayout, EveryAlignmentAndFormatPutsItsTextWhereTheListingSays) {
  TLeakCheck Leaks;
  TLayoutLog L;
  HDC Dc = L.Box.Dc;
  // [Phase 1] Text alignments around their reference point.
  const UINT Horz[] = {TA_LEFT, TA_CENTER, TA_RIGHT}, Vert[] = {TA_TOP, TA_BASELINE, TA_BOTTOM};
  for (int V = 0; V < 3; ++V)
    for (int H = 0; H < 3; ++H) {
      SetTextAlign(Dc, Horz[H] | Vert[V]);
      std::ostringstream S;
      S << "TextOut align 0x" << std::hex << (Horz[H] | Vert[V]);
      L.Step(S.str(), TextOut(Dc, 200, 20 + V * 50 + H * 20, "Align"));
    }
  // [Phase 2] The current position, clipping and advance arrays.
  SetTextAlign(Dc, TA_UPDATECP);
  MoveToEx(Dc, 10, 200, nullptr);
  L.Step("TextOut update cp", TextOut(Dc, 0, 0, "ab"));
  L.Step("TextOut update cp", TextOut(Dc, 0, 0, "cd"));
  SetTextAlign(Dc, TA_UPDATECP | TA_RIGHT);
  L.Step("TextOut update cp right", TextOut(Dc, 0, 0, "ef"));
  SetTextAlign(Dc, TA_LEFT | TA_TOP);
  const TRect Clip{20, 230, 50, 245};
  L.Step("ExtTextOut clipped", ExtTextOut(Dc, 20, 230, ETO_CLIPPED, &Clip, "Clipped text"));
  const Integer Dx[] = {10, 10, 10};
  L.Step("ExtTextOut advances", ExtTextOut(Dc, 20, 250, 0, nullptr, "abc", -1, Dx));
  // [Phase 3] Single lines in each corner of a box.
  const UINT DH[] = {DT_LEFT, DT_CENTER, DT_RIGHT}, DV[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
  for (UINT V : DV)
    for (int H = 0; H < 3; ++H)
      L.Draw("Single", {10 + H * 35, 10, 40 + H * 35, 40}, DT_SINGLELINE | DH[H] | V);
  // [Phase 4] Word breaks, measuring, paragraphs.
  L.Draw("The quick brown fox jumps", {10, 60, 70, 200}, DT_WORDBREAK);
  L.Draw("The quick brown fox jumps", {10, 60, 70, 200}, DT_WORDBREAK | DT_CALCRECT | DT_CENTER);
  L.Draw("first line\nsecond", {10, 100, 200, 200}, 0);
  L.Draw("one\r\n\nthree", {10, 130, 200, 200}, 0);
  // [Phase 5] Ellipses: an exact fit keeps the text whole.
  const Integer Exact = L.Width("Exactly");
  L.Draw("Exactly", {10, 170, 10 + Exact, 185}, DT_SINGLELINE);
  L.Draw("Exactly", {60, 170, 60 + Exact, 185}, DT_SINGLELINE | DT_END_ELLIPSIS);
  L.Draw("Exactly", {110, 170, 110 + Exact - 1, 185}, DT_SINGLELINE | DT_END_ELLIPSIS);
  L.Draw("Exactly", {160, 170, 160 + Exact - 1, 185},
         DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
  const Integer Shortened = L.Width("Exa...");  // the shortened text fits exactly
  L.Draw("Exactly", {210, 170, 210 + Shortened, 185}, DT_SINGLELINE | DT_END_ELLIPSIS);
  L.Draw("C:\\dir\\sub\\file.txt", {10, 185, 110, 200}, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  L.Draw("one two three", {120, 185, 175, 200}, DT_SINGLELINE | DT_WORD_ELLIPSIS);
  // [Phase 6] Tabs and prefixes.
  L.Draw("a\tb\tc", {10, 200, 200, 215}, DT_SINGLELINE | DT_EXPANDTABS);
  L.Draw("a\tb", {10, 215, 200, 230}, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP);
  L.Draw("a\tb", {120, 215, 300, 230}, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (3 << 8));
  L.Draw("&File", {10, 230, 40, 245}, DT_SINGLELINE);
  L.Draw("A&&B", {40, 230, 70, 245}, DT_SINGLELINE);
  L.Draw("&File", {70, 230, 110, 245}, DT_SINGLELINE | DT_NOPREFIX);
  L.Draw("&File", {110, 230, 140, 245}, DT_SINGLELINE | DT_HIDEPREFIX);
  // [Phase 7] Leading between lines, margins.
  L.Draw("leading\nlines", {200, 200, 250, 260}, DT_WORDBREAK);
  L.Draw("leading\nlines", {250, 200, 300, 260}, DT_WORDBREAK | DT_EXTERNALLEADING);
  DRAWTEXTPARAMS P{};
  P.cbSize = sizeof(P);
  P.iLeftMargin = 8;
  P.iRightMargin = 6;
  L.Draw("margins", {250, 240, 360, 255}, DT_RIGHT, &P);
  L.Draw("margins", {250, 260, 360, 275}, DT_LEFT, &P);
  L.Draw("margins", {250, 280, 360, 295}, DT_CALCRECT, &P);
  // [Phase 8] A mirrored mapping keeps text reading rightwards.
  SetMapMode(Dc, MM_ANISOTROPIC);
  SetWindowExtEx(Dc, 1, 1, nullptr);
  SetViewportExtEx(Dc, -1, 1, nullptr);
  SetViewportOrgEx(Dc, 399, 0, nullptr);
  L.Step("mirrored TextOut", TextOut(Dc, 8, 10, "Mirror"));
  TRect M{10, 30, 120, 45};
  L.Step("mirrored DrawText", DrawText(Dc, "Mirror", -1, &M, DT_SINGLELINE | DT_RIGHT));
  SetMapMode(Dc, MM_TEXT);
  // [Phase 9] How many code points fit a width.
  for (Integer Max : {20, 31, 30}) {
    Integer Fit = 0;
    GetTextExtentExPoint(Dc, "abcdefgh", -1, Max, &Fit, nullptr, nullptr);
    L.Step("extent fit " + std::to_string(Max), Fit);
  }
  const String Got = L.Out.str();
  EXPECT_EQ(Got, kReference) << "the layout now:\n" << Got;
}

}  // namespace
