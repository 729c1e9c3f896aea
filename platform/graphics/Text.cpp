// Text output and measuring: metrics, extents, ExtTextOut with alignment,
// rotation, opaque cells and clipping, and DrawText's line layout (prefixes,
// tabs, word breaks, ellipses, margins). Measuring and drawing both take
// their advances from the font instance, so they always agree.
//
// Index
//   [SECTION] Metrics and extents   GetTextMetrics, GetTextExtentPoint32, GetTextExtentExPoint
//   [SECTION] Glyph runs            DrawRun (the one routine that puts text on pixels)
//   [SECTION] ExtTextOut            ExtTextOut, TextOut
//   [SECTION] DrawText layout       SplitParagraphs, WrapLine, Ellipsize
//   [SECTION] DrawText              DrawTextEx, DrawText
#include <algorithm>
#include <cmath>

#include "platform/graphics/GdiImpl.h"

namespace kvp {

using namespace gdi;

namespace {

#define KV_DC_OR(Fail)              \
  TDeviceContext* D = LookupDC(Dc); \
  if (!D) return Fail

TFontObj* FontOf(const TDeviceContext& D) { return D.S.Font ? D.S.Font : DefaultFont(); }
TFontInstance& Inst(const TDeviceContext& D) { return *FontOf(D)->Instance; }

std::u32string Head(const String& Text, Integer Count) {
  std::u32string Cps = DecodeUtf8(Text);
  if (Count >= 0 && std::size_t(Count) < Cps.size()) Cps.resize(std::size_t(Count));
  return Cps;
}

}  // namespace

// [SECTION] Metrics and extents

BOOL GetTextMetrics(HDC Dc, TEXTMETRIC* Metrics) {
  KV_DC_OR(FALSE);
  if (!Metrics) return FALSE;
  TFontObj* F = FontOf(*D);
  *Metrics = F->Instance->Metrics();
  Metrics->tmUnderlined = F->Log.lfUnderline ? 1 : 0;
  Metrics->tmStruckOut = F->Log.lfStrikeOut ? 1 : 0;
  Metrics->tmItalic = F->Log.lfItalic ? 1 : 0;
  if (F->Log.lfCharSet != DEFAULT_CHARSET) Metrics->tmCharSet = F->Log.lfCharSet;
  return TRUE;
}

UINT GetOutlineTextMetrics(HDC Dc, UINT Size, OUTLINETEXTMETRIC* Metrics) {
  KV_DC_OR(0);
  if (!Metrics) return UINT(sizeof(OUTLINETEXTMETRIC));
  if (Size < sizeof(OUTLINETEXTMETRIC)) return 0;
  *Metrics = Inst(*D).OutlineMetrics();
  GetTextMetrics(Dc, &Metrics->otmTextMetrics);
  return UINT(sizeof(OUTLINETEXTMETRIC));
}

BOOL GetTextExtentPoint32(HDC Dc, const String& Text, Integer Count, TSize* Size) {
  KV_DC_OR(FALSE);
  if (!Size) return FALSE;
  TFontInstance& F = Inst(*D);
  *Size = {F.TextWidth(Head(Text, Count)) + F.Metrics().tmOverhang, F.Metrics().tmHeight};
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC Dc, const String& Text, TSize* Size) {
  return GetTextExtentPoint32(Dc, Text, -1, Size);
}

BOOL GetTextExtentExPoint(HDC Dc, const String& Text, Integer Count, Integer MaxExtent,
                          Integer* Fit, Integer* Dx, TSize* Size) {
  KV_DC_OR(FALSE);
  TFontInstance& F = Inst(*D);
  std::u32string Cps = Head(Text, Count);
  Integer X = 0, Fitted = 0;
  for (std::size_t I = 0; I < Cps.size(); ++I) {
    X += F.Advance(Cps[I]);
    if (Dx) Dx[I] = X;
    if (X <= MaxExtent) Fitted = Integer(I + 1);
  }
  if (Fit) *Fit = Fitted;
  if (Size) *Size = {X, F.Metrics().tmHeight};
  return TRUE;
}

BOOL GetCharWidth32(HDC Dc, UINT First, UINT Last, Integer* Widths) {
  KV_DC_OR(FALSE);
  if (!Widths || Last < First) return FALSE;
  for (UINT C = First; C <= Last; ++C) Widths[C - First] = Inst(*D).Advance(Char(C));
  return TRUE;
}

// [SECTION] Glyph runs

namespace {

// One run of text on one line, in device coordinates.
struct TRun {
  std::u32string Text;
  std::vector<Integer> Advances;  // one per code point
  Integer Underlined = -1;        // index of a prefix-underlined code point, or -1
  bool HideGlyphs = false;        // draw only the prefix underline
  UINT Flags = 0;                 // DrawText format or ExtTextOut options, for the log
};

Integer RunWidth(const TRun& R) {
  Integer W = 0;
  for (Integer A : R.Advances) W += A;
  return W;
}

void BlendPixel(const TTarget& T, Integer X, Integer Y, std::uint32_t Color, unsigned Alpha,
                const std::optional<TRect>& Clip) {
  if (Alpha == 0 || X < 0 || Y < 0 || X >= T.Surf->Width() || Y >= T.Surf->Height()) return;
  if (Clip && !PtInRect(*Clip, {X, Y})) return;
  if (!T.Visible(X, Y)) return;
  std::uint32_t& P = T.Surf->Scanline(Y)[X];
  if (T.Mono) {
    if (Alpha >= 128) P = ToMono(Color);
    return;
  }
  std::uint32_t Out = 0;
  for (int Shift = 0; Shift <= 16; Shift += 8) {
    unsigned D = (P >> Shift) & 0xFF, C = (Color >> Shift) & 0xFF;
    Out |= ((D * (255 - Alpha) + C * Alpha + 127) / 255) << Shift;
  }
  P = Out;
}

// The fast path of an upright glyph: its box cut to the surface, the clip
// rectangle and each rectangle of the target's clip, blended row by row with
// BlendPixel's arithmetic.
void BlendGlyph(const TTarget& T, const TGlyphImage& G, Integer Left, Integer Top,
                std::uint32_t Color, const std::optional<TRect>& Clip) {
  TRect Box{Left, Top, Left + G.Width, Top + G.Height};
  if (!IntersectRect(Box, Box, TRect{0, 0, T.Surf->Width(), T.Surf->Height()})) return;
  if (Clip && !IntersectRect(Box, Box, *Clip)) return;
  for (const TRect& C : T.Clip.Rects()) {
    TRect Part;
    if (!IntersectRect(Part, Box, C)) continue;
    for (Integer Y = Part.Top; Y < Part.Bottom; ++Y) {
      std::uint32_t* Line = T.Surf->Scanline(Y);
      const std::uint8_t* Cov = G.Coverage.data() + std::size_t(Y - Top) * std::size_t(G.Width);
      for (Integer X = Part.Left; X < Part.Right; ++X) {
        const unsigned Alpha = Cov[X - Left];
        if (Alpha == 0) continue;
        std::uint32_t& P = Line[X];
        if (T.Mono) {
          if (Alpha >= 128) P = ToMono(Color);
        } else if (Alpha == 255) {
          P = Color;
        } else {
          std::uint32_t Out = 0;
          for (int Shift = 0; Shift <= 16; Shift += 8) {
            unsigned D = (P >> Shift) & 0xFF, C8 = (Color >> Shift) & 0xFF;
            Out |= ((D * (255 - Alpha) + C8 * Alpha + 127) / 255) << Shift;
          }
          P = Out;
        }
      }
    }
  }
}

// A solid band along the text direction: from Along0 to Along1 on the text's
// x axis, Across0 to Across1 down from the baseline, rotated with the text.
void DrawBand(const TTarget& T, TPoint Base, double Cos, double Sin, Integer Along0, Integer Along1,
              Integer Across0, Integer Across1, std::uint32_t Color,
              const std::optional<TRect>& Clip) {
  if (Sin == 0 && Cos == 1) {
    for (Integer Y = Base.Y + Across0; Y < Base.Y + Across1; ++Y)
      for (Integer X = Base.X + Along0; X < Base.X + Along1; ++X)
        BlendPixel(T, X, Y, Color, 255, Clip);
    return;
  }
  auto Map = [&](double A, double C) {
    return TPoint{Integer(std::lround(Base.X + A * Cos + C * Sin)),
                  Integer(std::lround(Base.Y - A * Sin + C * Cos))};
  };
  TRegion Band = TRegion::FromPolygon(
      {Map(Along0, Across0), Map(Along1, Across0), Map(Along1, Across1), Map(Along0, Across1)},
      ALTERNATE);
  for (const TRect& R : Band.Rects())
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
      for (Integer X = R.Left; X < R.Right; ++X) BlendPixel(T, X, Y, Color, 255, Clip);
}

// Puts a run on the surface. Ref is the top-left corner of the text cell in
// surface coordinates before rotation; the text turns about Pivot (surface
// coordinates) by the font's escapement.
void DrawRun(const TDeviceContext& D, const TTarget& T, TPoint Ref, TPoint Pivot, const TRun& Run,
             const std::optional<TRect>& Clip) {
  TFontObj* F = FontOf(D);
  TFontInstance& FI = *F->Instance;
  const TEXTMETRIC& M = FI.Metrics();
  std::uint32_t Color = ColorRefToPixel(D.S.TextColor);
  Integer Esc = ((F->Log.lfEscapement % 3600) + 3600) % 3600;
  double Cos = 1, Sin = 0;
  if (Esc == 900)
    Cos = 0, Sin = 1;
  else if (Esc == 1800)
    Cos = -1, Sin = 0;
  else if (Esc == 2700)
    Cos = 0, Sin = -1;
  else if (Esc != 0)
    Cos = std::cos(Esc * 3.14159265358979 / 1800), Sin = std::sin(Esc * 3.14159265358979 / 1800);
  // The baseline origin in the text's own frame, then turned about the pivot.
  double BX = Ref.X - Pivot.X, BY = Ref.Y + M.tmAscent - Pivot.Y;
  TPoint Base{Integer(std::lround(Pivot.X + BX * Cos + BY * Sin)),
              Integer(std::lround(Pivot.Y - BX * Sin + BY * Cos))};
  Integer Pen = 0;
  for (std::size_t I = 0; I < Run.Text.size(); ++I) {
    Char C = Run.Text[I];
    if (!Run.HideGlyphs && C >= 0x20) {
      const TGlyphImage& G = FI.Glyph(C);
      if (Esc == 0 && GetRasterFastPaths()) {
        BlendGlyph(T, G, Base.X + Pen + G.Left, Base.Y - G.Top, Color, Clip);
      } else if (Esc == 0) {
        for (Integer Y = 0; Y < G.Height; ++Y)
          for (Integer X = 0; X < G.Width; ++X)
            BlendPixel(T, Base.X + Pen + G.Left + X, Base.Y - G.Top + Y, Color,
                       G.Coverage[std::size_t(Y) * std::size_t(G.Width) + std::size_t(X)], Clip);
      } else {
        // Sample the upright glyph at the centre of each covered pixel.
        // Every covered pixel lies within R of the pen position.
        double R = std::hypot(std::abs(G.Left) + G.Width, std::abs(G.Top) + G.Height) + 2;
        double PX = Base.X + Pen * Cos, PY = Base.Y - Pen * Sin;
        for (Integer Y = Integer(std::floor(PY - R)); Y <= Integer(std::ceil(PY + R)); ++Y)
          for (Integer X = Integer(std::floor(PX - R)); X <= Integer(std::ceil(PX + R)); ++X) {
            double DX = X + 0.5 - PX, DY = Y + 0.5 - PY;
            double U = DX * Cos - DY * Sin, V = DX * Sin + DY * Cos;  // upright frame, y down
            Integer GX = Integer(std::floor(U)) - G.Left, GY = Integer(std::floor(V)) + G.Top;
            if (GX < 0 || GY < 0 || GX >= G.Width || GY >= G.Height) continue;
            BlendPixel(T, X, Y, Color,
                       G.Coverage[std::size_t(GY) * std::size_t(G.Width) + std::size_t(GX)], Clip);
          }
      }
    }
    if (Integer(I) == Run.Underlined)
      DrawBand(T, Base, Cos, Sin, Pen, Pen + Run.Advances[I], FI.UnderlinePos(),
               FI.UnderlinePos() + FI.UnderlineSize(), Color, Clip);
    Pen += Run.Advances[I];
  }
  if (Run.HideGlyphs) return;
  if (F->Log.lfUnderline)
    DrawBand(T, Base, Cos, Sin, 0, Pen, FI.UnderlinePos(), FI.UnderlinePos() + FI.UnderlineSize(),
             Color, Clip);
  if (F->Log.lfStrikeOut)
    DrawBand(T, Base, Cos, Sin, 0, Pen, -FI.StrikeOutPos(), -FI.StrikeOutPos() + FI.StrikeOutSize(),
             Color, Clip);
}

// The cell box of a run at Ref, turned about Pivot: its bounding box.
TRect CellBox(const TDeviceContext& D, TPoint Ref, TPoint Pivot, Integer Width) {
  TFontObj* F = FontOf(D);
  TRect Box{Ref.X, Ref.Y, Ref.X + Width, Ref.Y + F->Instance->Metrics().tmHeight};
  Integer Esc = ((F->Log.lfEscapement % 3600) + 3600) % 3600;
  if (Esc == 0) return Box;
  double Cos = std::cos(Esc * 3.14159265358979 / 1800),
         Sin = std::sin(Esc * 3.14159265358979 / 1800);
  TRect Out{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (TPoint C : {Box.TopLeft(), Box.BottomRight(), TPoint{Box.Right, Box.Top},
                   TPoint{Box.Left, Box.Bottom}}) {
    double X = C.X - Pivot.X, Y = C.Y - Pivot.Y;
    Integer RX = Integer(std::lround(Pivot.X + X * Cos + Y * Sin)),
            RY = Integer(std::lround(Pivot.Y - X * Sin + Y * Cos));
    Out = {std::min(Out.Left, RX), std::min(Out.Top, RY), std::max(Out.Right, RX),
           std::max(Out.Bottom, RY)};
  }
  return Out;
}

void RecordRun(const TDeviceContext& D, const TTarget& T, const TRect& SurfBox, const TRun& Run,
               bool Opaque) {
  if (Run.HideGlyphs || !Logging(T)) return;
  TFontObj* F = FontOf(D);
  TDrawRecord Rec;
  Rec.Kind = TDrawKind::Text;
  Rec.Rect = SurfBox;
  Rec.Text = EncodeUtf8(Run.Text);
  Rec.FontName = F->Log.lfFaceName;
  Rec.FontHeight = F->Log.lfHeight;
  Rec.FontSize = Integer(std::lround(F->Instance->EmSize() * 72.0 / 96.0));
  Rec.Bold = F->Log.lfWeight >= FW_SEMIBOLD;
  Rec.Italic = F->Log.lfItalic != 0;
  Rec.Underline = F->Log.lfUnderline != 0;
  Rec.StrikeOut = F->Log.lfStrikeOut != 0;
  Rec.Escapement = F->Log.lfEscapement;
  Rec.Color = D.S.TextColor;
  Rec.BkColor = D.S.BkColor;
  Rec.Opaque = Opaque;
  Rec.Flags = Run.Flags;
  Record(T, std::move(Rec));
}

// Draws a run whose unrotated cell starts at device point DevRef, the
// reference point for rotation being DevPivot. Fills the cell first in OPAQUE
// mode; clips to DevClip when given.
void OutputRun(const TDeviceContext& D, const TTarget& T, TPoint DevRef, TPoint DevPivot,
               const TRun& Run, const std::optional<TRect>& DevClip) {
  TPoint Ref{DevRef.X + T.Origin.X, DevRef.Y + T.Origin.Y};
  TPoint Pivot{DevPivot.X + T.Origin.X, DevPivot.Y + T.Origin.Y};
  std::optional<TRect> Clip;
  if (DevClip) {
    Clip = *DevClip;
    OffsetRect(*Clip, T.Origin.X, T.Origin.Y);
  }
  TRect Box = CellBox(D, Ref, Pivot, RunWidth(Run));
  bool Opaque = D.S.BkMode == OPAQUE && !Run.HideGlyphs;
  if (Opaque) {
    TRect Fill = Box;
    if (Clip) IntersectRect(Fill, Fill, *Clip);
    OffsetRect(Fill, -T.Origin.X, -T.Origin.Y);
    FillDeviceRect(D, T, Fill, D.S.BkColor);
  }
  DrawRun(D, T, Ref, Pivot, Run, Clip);
  TRect Shown = Box;
  if (Clip && !IntersectRect(Shown, Box, *Clip)) return;
  RecordRun(D, T, Shown, Run, Opaque);
}

bool MirroredX(const TDeviceContext& D) {
  return D.S.MapMode != MM_TEXT && (D.S.ViewportExt.cx < 0) != (D.S.WindowExt.cx < 0);
}

}  // namespace

// [SECTION] ExtTextOut

BOOL ExtTextOut(HDC Dc, Integer X, Integer Y, UINT Options, const TRect* R, const String& Text,
                Integer Count, const Integer* Dx) {
  KV_DC_OR(FALSE);
  TTarget T = MakeTarget(*D);
  if (!T.Valid()) return FALSE;
  TFontInstance& F = Inst(*D);
  TRun Run;
  Run.Text = Head(Text, Count);
  for (std::size_t I = 0; I < Run.Text.size(); ++I)
    Run.Advances.push_back(Dx ? Dx[I] : F.Advance(Run.Text[I]));
  Integer Width = RunWidth(Run);
  // [Phase 1] The opaque rectangle and the clip, in device coordinates.
  std::optional<TRect> DevClip;
  if (R) {
    TRect DevR = ToDeviceRect(*D, *R);
    if (Options & ETO_OPAQUE) {
      FillDeviceRect(*D, T, DevR, D->S.BkColor);
      TDrawRecord Rec = MakeRecord(TDrawKind::Fill, T, DevR);
      Overpaint(T, Rec.Rect);
      Rec.Color = D->S.BkColor;
      if (!IsRectEmpty(DevR)) Record(T, std::move(Rec));
    }
    if (Options & ETO_CLIPPED) DevClip = DevR;
  }
  // [Phase 2] The reference point and the cell's corner from the alignment;
  // under a mirrored mapping the text keeps reading left to right.
  UINT Align = D->S.TextAlign;
  TPoint LogRef = (Align & TA_UPDATECP) ? D->S.PenPos : TPoint{X, Y};
  TPoint P = ToDevice(*D, LogRef);
  bool Mirror = MirroredX(*D);
  UINT HAlign = Align & TA_CENTER;
  Integer Left = HAlign == TA_CENTER              ? P.X - Width / 2
                 : (HAlign == TA_RIGHT) != Mirror ? P.X - Width
                                                  : P.X;
  const TEXTMETRIC& M = F.Metrics();
  UINT VAlign = Align & TA_BASELINE;
  Integer Top = VAlign == TA_BASELINE ? P.Y - M.tmAscent
                : VAlign == TA_BOTTOM ? P.Y - M.tmHeight
                                      : P.Y;
  // [Phase 3] Draw, then move the current position when asked.
  Run.Flags = Options;
  if (!Run.Text.empty()) OutputRun(*D, T, {Left, Top}, P, Run, DevClip);
  if (Align & TA_UPDATECP) {
    Integer Dir = HAlign == TA_RIGHT ? -1 : 1;
    if (HAlign != TA_CENTER) D->S.PenPos.X += Dir * (Mirror ? -1 : 1) * Width;
  }
  return TRUE;
}

BOOL TextOut(HDC Dc, Integer X, Integer Y, const String& Text, Integer Count) {
  return ExtTextOut(Dc, X, Y, 0, nullptr, Text, Count, nullptr);
}

// [SECTION] DrawText layout

namespace {

// A laid-out line: code points with their advances and the prefix underline.
struct TLine {
  std::u32string Text;
  std::vector<Integer> Adv;
  Integer Underlined = -1;
  Integer Width() const {
    Integer W = 0;
    for (Integer A : Adv) W += A;
    return W;
  }
};

struct TLayout {
  TFontInstance* Font = nullptr;
  UINT Format = 0;
  Integer TabWidth = 0;  // pixels between tab stops
  Integer Avail = 0;     // the width lines must fit in
};

// Removes prefix markers: "&x" underlines x, "&&" is a literal "&".
std::u32string StripPrefixes(const std::u32string& In, Integer& Underlined) {
  std::u32string Out;
  Underlined = -1;
  for (std::size_t I = 0; I < In.size(); ++I) {
    if (In[I] == U'&') {
      if (I + 1 >= In.size()) break;  // a trailing "&" shows nothing
      ++I;
      if (In[I] != U'&') Underlined = Integer(Out.size());
    }
    Out.push_back(In[I]);
  }
  return Out;
}

// Advances for a line; tabs move to the next stop when tabs expand.
void Measure(const TLayout& L, TLine& Line) {
  Line.Adv.clear();
  Integer X = 0;
  for (Char C : Line.Text) {
    Integer A = L.Font->Advance(C);
    if (C == U'\t' && (L.Format & DT_EXPANDTABS) && L.TabWidth > 0)
      A = (X / L.TabWidth + 1) * L.TabWidth - X;
    Line.Adv.push_back(A);
    X += A;
  }
}

TLine Slice(const TLine& Line, std::size_t From, std::size_t To) {
  TLine Out;
  Out.Text = Line.Text.substr(From, To - From);
  Out.Adv.assign(Line.Adv.begin() + std::ptrdiff_t(From), Line.Adv.begin() + std::ptrdiff_t(To));
  if (Line.Underlined >= Integer(From) && Line.Underlined < Integer(To))
    Out.Underlined = Line.Underlined - Integer(From);
  return Out;
}

bool IsBlank(Char C) { return C == U' ' || C == U'\t'; }

// Breaks a paragraph into lines no wider than the available width, at blanks;
// a word wider than the line is broken only for edit controls.
void WrapLine(const TLayout& L, const TLine& Para, std::vector<TLine>& Out) {
  std::size_t Start = 0, N = Para.Text.size();
  while (true) {
    TLine Rest = Slice(Para, Start, N);
    Measure(L, Rest);
    if (Rest.Width() <= L.Avail || Start >= N) {
      Out.push_back(Rest);
      return;
    }
    // Find the last blank at which the line still fits.
    Integer X = 0;
    std::size_t Break = std::string::npos, Over = Rest.Text.size();
    for (std::size_t I = 0; I < Rest.Text.size(); ++I) {
      if (IsBlank(Rest.Text[I]) && I > 0) Break = I;
      if (X + Rest.Adv[I] > L.Avail && !IsBlank(Rest.Text[I])) {
        Over = I;
        break;
      }
      X += Rest.Adv[I];
    }
    std::size_t End, Next;
    if (Break != std::string::npos && Break <= Over) {
      End = Break;
      Next = Break;
    } else if (L.Format & DT_EDITCONTROL) {
      End = Next = std::max<std::size_t>(Over, 1);
    } else {
      // The word overflows: keep it whole up to the next blank.
      End = Over;
      while (End < Rest.Text.size() && !IsBlank(Rest.Text[End])) ++End;
      Next = End;
    }
    while (End > 0 && IsBlank(Rest.Text[End - 1])) --End;
    while (Next < Rest.Text.size() && IsBlank(Rest.Text[Next])) ++Next;
    TLine Piece = Slice(Rest, 0, End);
    Out.push_back(Piece);
    Start += Next;
    if (Start >= N) return;
  }
}

// Shortens a line that does not fit with "...": at its end, or, for paths,
// in the middle so that the last component stays.
bool Ellipsize(const TLayout& L, TLine& Line) {
  UINT Which = L.Format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  if (!Which || Line.Width() <= L.Avail) return false;
  const std::u32string Dots = U"...";
  std::u32string Tail;
  std::u32string HeadText = Line.Text;
  if (Which & DT_PATH_ELLIPSIS) {
    std::size_t Sep = Line.Text.find_last_of(U"\\/");
    if (Sep != std::u32string::npos) {
      Tail = Line.Text.substr(Sep);
      HeadText = Line.Text.substr(0, Sep);
    }
  }
  TLine Cand;
  while (true) {
    Cand.Text = HeadText + Dots + Tail;
    Cand.Underlined = -1;
    Measure(L, Cand);
    if (Cand.Width() <= L.Avail || HeadText.empty()) break;
    HeadText.pop_back();
  }
  if (Cand.Width() > L.Avail && !Tail.empty()) {
    // Even the last component does not fit: cut it at the end instead.
    HeadText = Line.Text;
    while (!HeadText.empty()) {
      HeadText.pop_back();
      Cand.Text = HeadText + Dots;
      Measure(L, Cand);
      if (Cand.Width() <= L.Avail) break;
    }
  }
  if (Line.Underlined >= 0 && Line.Underlined < Integer(HeadText.size()))
    Cand.Underlined = Line.Underlined;
  Line = Cand;
  return true;
}

}  // namespace

// [SECTION] DrawText

namespace {

// [Phase 1] format and text, [Phase 2] paragraphs and lines, [Phase 3]
// measuring (DT_CALCRECT), [Phase 4] drawing.
Integer DrawTextImpl(HDC Dc, String& Text, Integer Count, TRect* R, UINT Format,
                     DRAWTEXTPARAMS* Params) {
  TDeviceContext* D = LookupDC(Dc);
  if (!D || !R) return 0;
  // [Phase 1]
  TFontInstance& F = Inst(*D);
  const TEXTMETRIC& M = F.Metrics();
  Integer TabChars = 8;
  if (Format & DT_TABSTOP) {
    TabChars = Integer((Format >> 8) & 0xFF);
    Format &= ~UINT(0xFF00);  // those bits hold the tab length, not flags
  }
  if (Params && Params->iTabLength > 0) TabChars = Params->iTabLength;
  Integer LeftMargin = Params ? Params->iLeftMargin : 0,
          RightMargin = Params ? Params->iRightMargin : 0;
  TLayout L;
  L.Font = &F;
  L.Format = Format;
  L.TabWidth = TabChars * M.tmAveCharWidth;
  L.Avail = R->Right - R->Left - LeftMargin - RightMargin;
  std::u32string All = Head(Text, Count);
  Integer LineHeight = M.tmHeight + ((Format & DT_EXTERNALLEADING) ? M.tmExternalLeading : 0);
  bool Single = Format & DT_SINGLELINE;
  if (Params) Params->uiLengthDrawn = UINT(All.size());
  // [Phase 2]
  std::vector<TLine> Lines;
  std::vector<std::u32string> Paras;
  if (Single) {
    Paras.push_back(All);
  } else {
    std::u32string Cur;
    for (std::size_t I = 0; I < All.size(); ++I) {
      if (All[I] == U'\r' || All[I] == U'\n') {
        Paras.push_back(Cur);
        Cur.clear();
        if (All[I] == U'\r' && I + 1 < All.size() && All[I + 1] == U'\n') ++I;
      } else {
        Cur.push_back(All[I]);
      }
    }
    if (!Cur.empty() || Paras.empty()) Paras.push_back(Cur);
  }
  if (All.empty()) Paras.clear();
  bool Modified = false;
  for (const std::u32string& P : Paras) {
    TLine Para;
    Para.Text = (Format & DT_NOPREFIX) ? P : StripPrefixes(P, Para.Underlined);
    if (Format & DT_HIDEPREFIX) Para.Underlined = -1;
    Measure(L, Para);
    std::size_t First = Lines.size();
    if ((Format & DT_WORDBREAK) && !Single)
      WrapLine(L, Para, Lines);
    else
      Lines.push_back(Para);
    for (std::size_t I = First; I < Lines.size(); ++I) Modified |= Ellipsize(L, Lines[I]);
  }
  if (Modified && (Format & DT_MODIFYSTRING) && Lines.size() == 1) Text = EncodeUtf8(Lines[0].Text);
  // [Phase 3]
  Integer Height = Integer(Lines.size()) * LineHeight;
  if (All.empty()) {
    if (Format & DT_CALCRECT) {
      R->Right = R->Left;
      R->Bottom = R->Top + (Single ? LineHeight : 0);
    }
    return LineHeight;
  }
  if (Format & DT_CALCRECT) {
    Integer Widest = 0;
    for (const TLine& Ln : Lines) Widest = std::max(Widest, Ln.Width());
    R->Right = R->Left + LeftMargin + Widest + RightMargin + M.tmOverhang;
    R->Bottom = R->Top + Height;
    return Height;
  }
  // [Phase 4]
  TTarget T = MakeTarget(*D);
  if (!T.Valid()) return 0;
  Integer Y = R->Top;
  if (Single && (Format & DT_VCENTER))
    Y = R->Top + (R->Bottom - R->Top - LineHeight) / 2;
  else if (Single && (Format & DT_BOTTOM))
    Y = R->Bottom - LineHeight;
  Integer TopOfText = Y;
  std::optional<TRect> DevClip;
  if (!(Format & DT_NOCLIP)) DevClip = ToDeviceRect(*D, *R);
  for (const TLine& Ln : Lines) {
    Integer W = Ln.Width();
    Integer X = R->Left + LeftMargin;
    if (Format & DT_CENTER)
      X = R->Left + LeftMargin + (L.Avail - W) / 2;
    else if (Format & DT_RIGHT)
      X = R->Right - RightMargin - W;
    TRect Cell = ToDeviceRect(*D, TRect{X, Y, X + W, Y + LineHeight});
    TRun Run;
    Run.Text = Ln.Text;
    Run.Advances = Ln.Adv;
    Run.Underlined = Ln.Underlined;
    Run.HideGlyphs = Format & DT_PREFIXONLY;
    Run.Flags = Format;
    OutputRun(*D, T, Cell.TopLeft(), Cell.TopLeft(), Run, DevClip);
    Y += LineHeight;
  }
  return (Single && (Format & (DT_VCENTER | DT_BOTTOM))) ? TopOfText - R->Top + LineHeight : Height;
}

}  // namespace

Integer DrawTextEx(HDC Dc, String& Text, Integer Count, TRect* R, UINT Format,
                   DRAWTEXTPARAMS* Params) {
  return DrawTextImpl(Dc, Text, Count, R, Format, Params);
}

Integer DrawTextEx(HDC Dc, const String& Text, Integer Count, TRect* R, UINT Format,
                   DRAWTEXTPARAMS* Params) {
  String Copy = Text;
  return DrawTextImpl(Dc, Copy, Count, R, Format & ~DT_MODIFYSTRING, Params);
}

Integer DrawText(HDC Dc, const String& Text, Integer Count, TRect* R, UINT Format) {
  String Copy = Text;
  return DrawTextImpl(Dc, Copy, Count, R, Format & ~DT_MODIFYSTRING, nullptr);
}

#undef KV_DC_OR

}  // namespace kvp
