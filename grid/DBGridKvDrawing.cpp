// The grid unit's text and image drawing: the shared bitmap for palette
// displays, cutting a text to a width, writing a cell's text (one line or
// wrapped, laid out in the cell), rotated text for vertical titles and
// images clipped to a cell. The grid's own drawing methods (mirroring, the
// fixed background, double-buffered painting, the tree node area) follow.
//
// Index:
//   [SECTION] Shared bitmap       AcquireSharedDrawBitmap, ReleaseSharedDrawBitmap
//   [SECTION] Text                CutTextToWidth, WriteCellText and its paths
//   [SECTION] Vertical text       CreateRotatedFont, WriteVerticalCellText
//   [SECTION] Images              DrawClippedImage
//   [SECTION] Small routines      SwapInt, PointInRect
//   [SECTION] Grid drawing        MirrorCanvas, WriteCellText, ThemedDrawingEnabled,
//                                 DrawFixedBackground, WantsDoubleBuffer, PaintFlatBorder
//   [SECTION] Double buffer       WMPaint
//   [SECTION] Tree node area      GetTreeIndent, DrawTreeArea, DrawTreeCell
#include <algorithm>
#include <utility>

#include "base/KorvelVCL.h"
#include "grid/DBGridKv.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Shared bitmap

namespace {

TBitmap* GSharedBitmap = nullptr;  // exists while GSharedBitmapUsers > 0
Integer GSharedBitmapUsers = 0;

}  // namespace

void AcquireSharedDrawBitmap() {
  if (GSharedBitmapUsers++ == 0) GSharedBitmap = TBitmap::Create();
}

void ReleaseSharedDrawBitmap() {
  if (GSharedBitmapUsers == 0) return;
  if (--GSharedBitmapUsers == 0) FreeAndNil(GSharedBitmap);
}

TBitmap* SharedDrawBitmap() { return GSharedBitmap; }

Integer SharedDrawBitmapUsers() { return GSharedBitmapUsers; }

// [SECTION] Text

namespace {

// DrawTextEx flags by alignment (left, right, centre): expanded tabs, no
// prefix character.
constexpr UINT AlignFlags[] = {DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT,
                               DT_EXPANDTABS | DT_NOPREFIX | DT_RIGHT,
                               DT_EXPANDTABS | DT_NOPREFIX | DT_CENTER};
constexpr UINT RTLFlags[] = {0, DT_RTLREADING};
// The same for turned text, which always breaks at words.
constexpr UINT VerticalFlags[] = {AlignFlags[0] | DT_WORDBREAK, AlignFlags[1] | DT_WORDBREAK,
                                  AlignFlags[2] | DT_WORDBREAK};

UINT AlignFlag(TAlignment Alignment) { return AlignFlags[std::size_t(Alignment)]; }

// The display shows Color as it is (not a palette display lacking it).
bool ShowsExactly(TCanvas* Canvas, TColor Color) {
  const COLORREF RGBColor = ColorToRGB(Color);
  return GetNearestColor(Canvas->GetHandle(), RGBColor) == RGBColor;
}

// Makes the canvas brush clear for the life of the guard, unless Keep.
class TClearBrush {
 public:
  TClearBrush(TCanvas* Canvas, bool Keep) : FBrush(Canvas->GetBrush()), FStyle(FBrush->GetStyle()) {
    if (!Keep) FBrush->SetStyle(bsClear);
  }
  ~TClearBrush() {
    if (FBrush->GetStyle() != FStyle) FBrush->SetStyle(FStyle);
  }
  TClearBrush(const TClearBrush&) = delete;
  TClearBrush& operator=(const TClearBrush&) = delete;

 private:
  TBrush* FBrush;
  TBrushStyle FStyle;
};

// Step 3 of the cell writer: the text through DrawTextEx with margins, laid
// out in the cell less DX and DY.
void DrawTextExInCell(TCanvas* Canvas, TRect R, UINT Flags, Integer DX, Integer DY,
                      TTextLayout Layout, Integer LeftMarg, Integer RightMarg,
                      const String& Text) {
  DRAWTEXTPARAMS Params;
  Params.cbSize = 20;
  Params.iTabLength = 0;
  Params.iLeftMargin = LeftMarg;
  Params.iRightMargin = RightMarg;
  InflateRect(R, -DX, -DY);
  const HDC DC = Canvas->GetHandle();
  Canvas->TextExtent(Text);  // selects the canvas font into the context
  if (Layout != tlTop) {
    TRect Measure = R;
    DRAWTEXTPARAMS MeasureParams = Params;
    const Integer TextHeight =
        DrawTextEx(DC, Text, -1, &Measure, Flags | DT_CALCRECT, &MeasureParams);
    if (Layout == tlCenter)
      R.Top = R.Top + (R.Bottom - R.Top) / 2 - TextHeight / 2;
    else
      R.Top = R.Bottom - TextHeight;
  }
  if (DX > 0) ++R.Bottom;
  DrawTextEx(DC, Text, -1, &R, Flags, &Params);
}

// The width a single line takes: for right or centre alignment in a bold or
// slanted font the overhang counts, so DrawText measures it.
Integer SingleLineWidth(TCanvas* Canvas, TAlignment Alignment, const String& Text) {
  const TFontStyles Style = Canvas->GetFont()->GetStyle();
  if (Alignment != taLeftJustify && (Style.Contains(fsBold) || Style.Contains(fsItalic))) {
    Canvas->TextExtent(Text);
    TRect Measure{0, 0, 0, 0};
    DrawText(Canvas->GetHandle(), Text, -1, &Measure, DT_CALCRECT | DT_NOPREFIX);
    return Measure.Right - Measure.Left;
  }
  return Canvas->TextWidth(Text);
}

// Step 4 of the cell writer: one line, placed by hand and clipped to the cell.
void SingleLineInCell(TCanvas* Canvas, const TRect& R, bool FillRect, Integer DX, Integer DY,
                      TAlignment Alignment, TTextLayout Layout, bool EndEllipsis,
                      const String& Text) {
  String Shown = Text;
  if (EndEllipsis) CutTextToWidth(Text, Canvas, R.Right - R.Left - 2 * DX, Shown);
  const Integer Width = SingleLineWidth(Canvas, Alignment, Shown);
  Integer X = R.Left + DX;
  if (Alignment == taRightJustify)
    X = R.Right - Width - 3;
  else if (Alignment == taCenter)
    X = R.Right > R.Left ? R.Left + (R.Right - R.Left) / 2 - Width / 2 : R.Left;
  Integer Y = R.Top + DY;
  const Integer TextHeight = Canvas->TextHeight(Shown);
  if (TextHeight < R.Bottom - R.Top - DY) {
    if (Layout == tlCenter)
      Y = (R.Top + R.Bottom - TextHeight) / 2;
    else if (Layout == tlBottom)
      Y = R.Bottom - TextHeight;
  }
  TClearBrush Brush(Canvas, FillRect);
  Canvas->TextRect(R, X, Y, Shown);
}

// The cell written into the shared bitmap and copied onto the canvas, so
// that a colour the display lacks is filled whole, not dithered under the
// text.
void WriteThroughSharedBitmap(TCanvas* Canvas, const TRect& R, UINT Flags, Integer DX,
                              Integer DY, TTextLayout Layout, Integer LeftMarg,
                              Integer RightMarg, const String& Text) {
  // A grid holds a reference while it paints; writing outside any grid takes
  // one of its own for the call.
  struct TUse {
    bool Own = GSharedBitmapUsers == 0;
    TUse() {
      if (Own) AcquireSharedDrawBitmap();
    }
    ~TUse() {
      if (Own) ReleaseSharedDrawBitmap();
    }
  } Use;
  TBitmap* Bitmap = GSharedBitmap;
  const Integer W = R.Right - R.Left, H = R.Bottom - R.Top;
  if (W <= 0 || H <= 0) return;
  if (Bitmap->GetWidth() < W) Bitmap->SetWidth(W);
  if (Bitmap->GetHeight() < H) Bitmap->SetHeight(H);
  TCanvas* BC = Bitmap->GetCanvas();
  // The bitmap's canvas gives its device context back whatever happens, so
  // that it never keeps the target's font selected.
  struct TRelease {
    TCanvas* C;
    ~TRelease() { C->Refresh(); }
  } Release{BC};
  BC->GetFont()->Assign(Canvas->GetFont());
  BC->GetFont()->SetColor(Canvas->GetFont()->GetColor());
  BC->GetBrush()->SetColor(Canvas->GetBrush()->GetColor());
  BC->GetBrush()->SetStyle(Canvas->GetBrush()->GetStyle());
  const TRect Cell{0, 0, W, H};
  BC->FillRect(Cell);
  DrawTextExInCell(BC, Cell, Flags, DX, DY, Layout, LeftMarg, RightMarg, Text);
  Canvas->CopyRect(R, BC, Cell);
}

}  // namespace

void CutTextToWidth(const String& Text, TCanvas* Canvas, Integer MaxWidth, String& Result) {
  Result = Text;
  const Integer Count = Length(Text);
  Integer K = 1;
  while (Canvas->TextWidth(Result) > MaxWidth && Count - K > 0) {
    ++K;
    Result = Copy(Text, 1, std::max(0, Count - K)) + "...";
  }
}

void WriteCellText(TCanvas* Canvas, TRect ARect, bool FillRect, Integer DX, Integer DY,
                   TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis,
                   Integer LeftMarg, Integer RightMarg, bool RightToLeftReading,
                   const String& Text) {
  UINT Flags = AlignFlag(Alignment) | RTLFlags[RightToLeftReading ? 1 : 0];
  if (WordWrap) Flags |= DT_WORDBREAK;
  if (EndEllipsis) Flags |= DT_END_ELLIPSIS;
  // [Phase 1] A filled cell whose colour the display lacks goes through the
  // shared bitmap. An unfilled one is written in place: the bitmap would copy
  // its own stale pixels over what the cell already shows.
  if (FillRect && !ShowsExactly(Canvas, Canvas->GetBrush()->GetColor())) {
    WriteThroughSharedBitmap(Canvas, ARect, Flags, DX, DY, Layout, LeftMarg, RightMarg, Text);
    return;
  }
  // [Phase 2] Wrapped text goes through DrawTextEx on the filled cell, or
  // with a clear brush over what is there.
  if (WordWrap) {
    if (FillRect) Canvas->FillRect(ARect);
    TClearBrush Brush(Canvas, FillRect);
    DrawTextExInCell(Canvas, ARect, Flags, DX, DY, Layout, LeftMarg, RightMarg, Text);
    return;
  }
  // [Phase 3] One line.
  SingleLineInCell(Canvas, ARect, FillRect, DX, DY, Alignment, Layout, EndEllipsis, Text);
}

// [SECTION] Vertical text

HFONT CreateRotatedFont(TFont* Font) {
  LOGFONT LF;
  LF.lfHeight = Font->GetHeight();
  LF.lfWidth = 0;
  LF.lfEscapement = 900;
  LF.lfOrientation = 900;
  LF.lfWeight = Font->GetStyle().Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  LF.lfItalic = Font->GetStyle().Contains(fsItalic) ? 1 : 0;
  LF.lfUnderline = Font->GetStyle().Contains(fsUnderline) ? 1 : 0;
  LF.lfStrikeOut = Font->GetStyle().Contains(fsStrikeOut) ? 1 : 0;
  LF.lfCharSet = Font->GetCharset();
  LF.lfOutPrecision = OUT_TT_ONLY_PRECIS;  // a face that can turn
  LF.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  LF.lfQuality = DEFAULT_QUALITY;
  switch (Font->GetPitch()) {
    case fpVariable:
      LF.lfPitchAndFamily = VARIABLE_PITCH;
      break;
    case fpFixed:
      LF.lfPitchAndFamily = FIXED_PITCH;
      break;
    default:
      LF.lfPitchAndFamily = DEFAULT_PITCH;
      break;
  }
  // The font's own logical form names the platform's default face for
  // "Default".
  LF.lfFaceName = Font->MakeLogFont().lfFaceName;
  return CreateFontIndirect(LF);
}

namespace {

// Puts the rotated form of the canvas font in place for the life of the
// guard; the canvas font is given its attributes back afterwards, which
// frees the rotated handle.
class TRotatedFont {
 public:
  explicit TRotatedFont(TCanvas* Canvas) : FCanvas(Canvas), FSaved(TFont::Create()) {
    FSaved->Assign(Canvas->GetFont());
    Canvas->GetFont()->SetHandle(CreateRotatedFont(FSaved.get()));
    Canvas->GetFont()->SetColor(FSaved->GetColor());
  }
  ~TRotatedFont() { FCanvas->GetFont()->Assign(FSaved.get()); }
  TRotatedFont(const TRotatedFont&) = delete;
  TRotatedFont& operator=(const TRotatedFont&) = delete;

 private:
  TCanvas* FCanvas;
  TObjectPtr<TFont> FSaved;
};

}  // namespace

Integer WriteVerticalCellText(TCanvas* Canvas, TRect ARect, bool FillRect, Integer DX,
                              Integer DY, const String& Text, TAlignment Across,
                              TAlignment Along, bool EndEllipsis, bool MeasureOnly) {
  // [Phase 1] The turned font and its metrics.
  TRotatedFont Rotated(Canvas);
  String Shown = Text;
  if (EndEllipsis && !MeasureOnly)
    CutTextToWidth(Text, Canvas, ARect.Bottom - ARect.Top - DY, Shown);
  const Integer Width = Canvas->TextWidth(Shown);
  const HDC DC = Canvas->GetHandle();
  TEXTMETRIC TM;
  GetTextMetrics(DC, &TM);
  // [Phase 2] The length along the turned axis: a slanted TrueType face
  // overhangs by its slope over the height of its letters.
  Integer Overhang = TM.tmOverhang;
  if (TM.tmItalic != 0 && (TM.tmPitchAndFamily & TMPF_TRUETYPE) != 0) {
    OUTLINETEXTMETRIC OTM;
    if (GetOutlineTextMetrics(DC, sizeof(OTM), &OTM) != 0 && OTM.otmsCharSlopeRise != 0)
      Overhang = (TM.tmHeight - TM.tmInternalLeading) * OTM.otmsCharSlopeRun /
                 OTM.otmsCharSlopeRise;
  }
  const Integer Length = Width + Overhang;
  if (MeasureOnly) return Length;
  // [Phase 3] A filled cell on a colour the display lacks: the shared bitmap.
  if (FillRect && !ShowsExactly(Canvas, Canvas->GetBrush()->GetColor())) {
    WriteThroughSharedBitmap(Canvas, ARect, VerticalFlags[std::size_t(Across)], DX, DY, tlTop, 0,
                             0, Shown);
    return Length;
  }
  // [Phase 4] Placed by hand: the text starts at (X, Y) and runs upwards.
  const Integer TextHeight = Canvas->TextHeight(Shown);
  Integer X = ARect.Left + DX;
  if (Across == taRightJustify)
    X = ARect.Right - TextHeight;
  else if (Across == taCenter)
    X = ARect.Left + (ARect.Right - ARect.Left) / 2 - (TextHeight + Overhang) / 2;
  Integer Y = ARect.Top + Length;
  if (Along == taRightJustify)
    Y = ARect.Bottom - DY;
  else if (Along == taCenter)
    Y = ARect.Bottom - (ARect.Bottom - ARect.Top) / 2 + Length / 2;
  TClearBrush Brush(Canvas, FillRect);
  Canvas->TextRect(ARect, X, Y, Shown);
  return Length;
}

// [SECTION] Images

namespace {

// Draws with the context clipped to the cell for the call, the clip it had
// (or none) given back afterwards.
template <class TDraw>
void DrawClippedTo(TCanvas* Canvas, const TRect& Cell, TDraw Draw) {
  const HDC DC = Canvas->GetHandle();
  const HRGN Saved = CreateRectRgn(0, 0, 0, 0);
  const bool HadClip = GetClipRgn(DC, Saved) == 1;
  struct TRestore {
    HDC DC;
    HRGN Saved;
    bool HadClip;
    ~TRestore() {
      SelectClipRgn(DC, HadClip ? Saved : nullptr);
      DeleteObject(Saved);
    }
  } Restore{DC, Saved, HadClip};
  TRect Device = Cell;
  WindowsLPtoDP(DC, Device);
  if (Device.Left > Device.Right) std::swap(Device.Left, Device.Right);
  if (Device.Top > Device.Bottom) std::swap(Device.Top, Device.Bottom);
  const HRGN CellRgn = CreateRectRgnIndirect(Device);
  ExtSelectClipRgn(DC, CellRgn, RGN_AND);
  DeleteObject(CellRgn);
  Draw();
}

TPoint ImageOrigin(TAlignment Alignment, Integer DX, const TRect& R, Integer W, Integer H) {
  Integer X = R.Left + DX;
  if (Alignment == taRightJustify)
    X = DX + R.Right - W;
  else if (Alignment == taCenter)
    X = DX + (R.Left + R.Right - W) / 2;
  return {X, (R.Top + R.Bottom - H) / 2};
}

bool Inside(const TRect& Image, const TRect& Cell) {
  return Image.Left >= Cell.Left && Image.Top >= Cell.Top && Image.Right <= Cell.Right &&
         Image.Bottom <= Cell.Bottom;
}

}  // namespace

void DrawClippedImage(TCustomImageList* Images, TCanvas* Canvas, TAlignment Alignment,
                      Integer DX, Integer ImageIndex, const TRect& ARect) {
  if (!Images || !Canvas) return;
  const Integer W = Images->GetWidth(), H = Images->GetHeight();
  const TPoint P = ImageOrigin(Alignment, DX, ARect, W, H);
  auto Draw = [&] { Images->Draw(Canvas, P.X, P.Y, ImageIndex, true); };
  if (Inside({P.X, P.Y, P.X + W, P.Y + H}, ARect))
    Draw();
  else
    DrawClippedTo(Canvas, ARect, Draw);
}

void DrawClippedImage(TGraphic* Graphic, TCanvas* Canvas, TAlignment Alignment, Integer DX,
                      const TRect& ARect) {
  if (!Graphic || !Canvas) return;
  const Integer W = Graphic->GetWidth(), H = Graphic->GetHeight();
  const TPoint P = ImageOrigin(Alignment, DX, ARect, W, H);
  auto Draw = [&] { Canvas->Draw(P.X, P.Y, Graphic); };
  if (Inside({P.X, P.Y, P.X + W, P.Y + H}, ARect))
    Draw();
  else
    DrawClippedTo(Canvas, ARect, Draw);
}

// [SECTION] Small routines

void SwapInt(Integer& A, Integer& B) { std::swap(A, B); }

bool PointInRect(const TPoint& P, const TRect& Rect) {
  return P.X >= Rect.Left && P.X <= Rect.Right && P.Y >= Rect.Top && P.Y <= Rect.Bottom;
}

// [SECTION] Grid drawing

void TCustomDBGridKv::MirrorCanvas(bool Mirrored) {
  ::korvel::MirrorCanvas(GetCanvas(), Mirrored, GetClientWidth(), GetClientHeight());
  FCanvasMirrored = Mirrored;
}

void TCustomDBGridKv::WriteCellText(TColumnKv* Column, TRect ARect, bool FillRect, Integer DX,
                                    Integer DY, const String& Text, TAlignment Alignment,
                                    TTextLayout Layout, bool WordWrap, bool EndEllipsis,
                                    Integer LeftMarg, Integer RightMarg) {
  TCanvas* Canvas = GetCanvas();
  const bool RightToLeft = Column ? Column->UseRightToLeftAlignment() : UseRightToLeftAlignment();
  const bool Reading = Column ? Column->UseRightToLeftReading() : UseRightToLeftReading();
  // On the mirrored canvas of a right-to-left grid the text is written on
  // the screen's own axis over the cell's place; its logical right is then
  // the screen's left.
  const bool Unmirror = RightToLeft && GetCanvasMirrored();
  if (Unmirror) {
    WindowsLPtoDP(Canvas->GetHandle(), ARect);
    if (ARect.Left > ARect.Right) std::swap(ARect.Left, ARect.Right);
    MirrorCanvas(false);
    if (Alignment == taLeftJustify)
      Alignment = taRightJustify;
    else if (Alignment == taRightJustify)
      Alignment = taLeftJustify;
    std::swap(LeftMarg, RightMarg);
  }
  struct TRemirror {
    TCustomDBGridKv* Grid;
    bool On;
    ~TRemirror() {
      if (On) Grid->MirrorCanvas(true);
    }
  } Remirror{this, Unmirror};
  ::korvel::WriteCellText(Canvas, ARect, FillRect, DX, DY, Alignment, Layout, WordWrap,
                          EndEllipsis, LeftMarg, RightMarg, Reading, Text);
}

bool TCustomDBGridKv::ThemedDrawingEnabled() {
  return !GetFlat() && ThemeServices()->ThemesEnabled() && FOptionsKv.Contains(dgFixed3DKv) &&
         FOptions.Contains(dgColLinesKv) && FOptions.Contains(dgRowLinesKv);
}

void TCustomDBGridKv::DrawFixedBackground(const TRect& ARect, bool Pressed, bool Selected,
                                          const TRect& ClipRect) {
  TCanvas* Canvas = GetCanvas();
  if (!ThemedDrawingEnabled()) {
    Canvas->FillRect(ARect);
    return;
  }
  TRect Face = ARect;
  InflateRect(Face, 2, 2);
  const TThemedElementDetails Details = ThemeServices()->GetElementDetails(
      Pressed || Selected ? thHeaderItemPressed : thHeaderItemNormal);
  const bool Clip = ClipRect.Right > ClipRect.Left && ClipRect.Bottom > ClipRect.Top;
  ThemeServices()->DrawElement(Canvas->GetHandle(), Details, Face, Clip ? &ClipRect : nullptr);
}

bool TCustomDBGridKv::WantsDoubleBuffer() {
  return ThemedDrawingEnabled() ||
         (FMemTable && FMemTable->GetTreeViewMode() && FOptions.Contains(dgRowLinesKv));
}

void TCustomDBGridKv::PaintFlatBorder() {
  if (!GetFlat() || GetBorderStyle() != bsSingle || !GetCtl3D() || !HandleAllocated()) return;
  const HWND Wnd = GetHandle();
  const HDC DC = GetWindowDC(Wnd);
  if (!DC) return;
  TRect R;
  GetWindowRect(Wnd, &R);
  OffsetRect(R, -R.Left, -R.Top);
  DrawEdge(DC, &R, BDR_SUNKENINNER, BF_RECT);
  ReleaseDC(Wnd, DC);
}

// [SECTION] Double buffer

namespace {

// The off-screen bitmap of one paint: a memory context holding a bitmap of
// the client's size, both given back however the paint ends.
class TPaintBuffer {
 public:
  TPaintBuffer(Integer Width, Integer Height) {
    const HDC Screen = GetDC(nullptr);
    FBitmap = CreateCompatibleBitmap(Screen, std::max(Width, 1), std::max(Height, 1));
    ReleaseDC(nullptr, Screen);
    FDC = CreateCompatibleDC(nullptr);
    FOld = SelectObject(FDC, FBitmap);
  }
  ~TPaintBuffer() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
  }
  TPaintBuffer(const TPaintBuffer&) = delete;
  TPaintBuffer& operator=(const TPaintBuffer&) = delete;
  HDC DC() const { return FDC; }

 private:
  HBITMAP FBitmap = nullptr;
  HDC FDC = nullptr;
  HGDIOBJ FOld = nullptr;
};

}  // namespace

void TCustomDBGridKv::WMPaint(TWMPaint& Message) {
  // [Phase 1] A locked grid leaves its update region for the paint after
  // the lock.
  if (PaintLocked()) return;
  // Footer totals put off until now are counted before anything is drawn.
  if (FSumList) FSumList->GridPainting();
  if (WantsDoubleBuffer() && !DisableDoubleBuffer) FDoubleBuffered = true;
  if (!FDoubleBuffered || Message.DC) {
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
    return;
  }
  // [Phase 2] The whole paint goes into a bitmap of the client's size,
  // erased and clipped to what needs painting, then onto the window at once.
  const HWND Wnd = GetHandle();
  const Integer Width = GetClientWidth(), Height = GetClientHeight();
  TPaintBuffer Buffer(Width, Height);
  PAINTSTRUCT PS;
  const HDC DC = BeginPaint(Wnd, &PS);
  struct TEnd {
    HWND Wnd;
    PAINTSTRUCT* PS;
    ~TEnd() { EndPaint(Wnd, PS); }
  } End{Wnd, &PS};
  const HRGN Region = CreateRectRgnIndirect(PS.rcPaint);
  SendMessage(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Buffer.DC()),
              reinterpret_cast<LPARAM>(Buffer.DC()));
  SelectClipRgn(Buffer.DC(), Region);
  DeleteObject(Region);
  Message.DC = Buffer.DC();
  struct TClearDC {
    TWMPaint& M;
    ~TClearDC() { M.DC = nullptr; }
  } ClearDC{Message};
  WMPaint(Message);
  BitBlt(DC, 0, 0, Width, Height, Buffer.DC(), 0, 0, SRCCOPY);
}

// [SECTION] Tree node area

namespace {

constexpr Integer TreeSlot = 18;  // pixels a tree level takes

}  // namespace

Integer TCustomDBGridKv::GetTreeIndent() {
  if (!FMemTable || !FMemTable->GetTreeViewMode()) return 0;
  return std::max(0, TreeSlot * FMemTable->GetNodeLevel());
}

void TCustomDBGridKv::DrawTreeArea(TCanvas* Canvas, const TRect& ARect, bool WithLines) {
  if (!FMemTable) return;
  const Integer Level = FMemTable->GetNodeLevel();
  const Integer NextLevel = FMemTable->GetNextNodeLevel();
  const bool RowLines = WithLines && FOptions.Contains(dgRowLinesKv);
  const Integer LineWidth = GetGridLineWidth();
  auto Slot = [&](Integer L) {
    return TRect{ARect.Left + (L - 1) * TreeSlot, ARect.Top, ARect.Left + L * TreeSlot,
                 ARect.Bottom};
  };
  // The row line under a slot in the grid's colour: the tree reads as one
  // column down the rows.
  auto CoverRowLine = [&](Integer L) {
    const TRect S = Slot(L);
    const TColor Saved = Canvas->GetBrush()->GetColor();
    Canvas->GetBrush()->SetColor(GetColor());
    Canvas->FillRect({S.Left, S.Bottom, S.Right, S.Bottom + LineWidth});
    Canvas->GetBrush()->SetColor(Saved);
  };
  if (Level < 1) return;
  // [Phase 1] The first slot's row line.
  if (RowLines) CoverRowLine(1);
  // [Phase 2] The ancestors' levels: a connector where an ancestor has a
  // following sibling.
  for (Integer L = 1; L < Level; ++L) {
    Canvas->FillRect(Slot(L));
    if (FMemTable->GetNodeHasNextSibling(L))
      DrawTreeElement(Canvas, Slot(L), tehVLine, false, 1, 1, false);
    if (RowLines && (NextLevel < 0 || L < NextLevel)) CoverRowLine(L);
  }
  // [Phase 3] The node's own slot.
  const bool Sibling = FMemTable->GetNodeHasNextSibling(Level);
  TTreeElementKv Kind = Sibling ? tehCrossUpDown : tehCrossUp;
  if (FMemTable->GetNodeHasChildren()) {
    if (FMemTable->GetNodeExpanded())
      Kind = Sibling ? tehMinusUpDown : tehMinusUp;
    else
      Kind = Sibling ? tehPlusUpDown : tehPlusUp;
  }
  Canvas->FillRect(Slot(Level));
  DrawTreeElement(Canvas, Slot(Level), Kind, false, 1, 1, false);
  // [Phase 4] The line that parts the tree from the text.
  if (WithLines) {
    TPen* Pen = Canvas->GetPen();
    const TColor Saved = Pen->GetColor();
    Pen->SetColor(TColor(0xC0C0C0));
    Pen->SetStyle(psSolid);
    const Integer X = Slot(Level).Right - 1;
    Canvas->MoveTo(X, ARect.Bottom);
    Canvas->LineTo(X, ARect.Top - 2);
    Pen->SetColor(Saved);
  }
}

void TCustomDBGridKv::DrawTreeCell(Integer DataCol, Integer DataRow, bool Fixed, TRect& ARect,
                                   TGridDrawState State) {
  if (!FMemTable || !FMemTable->GetTreeViewMode()) return;
  TCanvas* Canvas = GetCanvas();
  const TColor Saved = Canvas->GetBrush()->GetColor();
  TColumnKv* Column =
      DataCol >= 0 && DataCol < FColumns->GetCount() ? FColumns->GetColumn(DataCol) : nullptr;
  TColor Color = Column ? Column->GetColor() : GetColor();
  // A record of the selection takes the colour the style gives its data
  // cells; the style colours a font too, which the area has no use for.
  if (FStyle && FDataLink->GetActive() &&
      FSelection->DataCellSelected(DataCol, GetDataSet()->GetBookmark())) {
    TObjectPtr<TFont> Font(TFont::Create());
    Font->Assign(Canvas->GetFont());
    FStyle->HighlightDataCellColor(this, DataCol + FIndicatorOffset, DataRow + FTitleOffset,
                                   DataCol, DataRow, String(), State, true, Color, Font.get());
  }
  Canvas->GetBrush()->SetColor(Color);
  TRect Area = ARect;
  if (Fixed) {
    --Area.Left;
    --Area.Top;
    ++Area.Bottom;
  }
  DrawTreeArea(Canvas, Area, true);
  Canvas->GetBrush()->SetColor(Saved);
}

}  // namespace korvel
