// Painting of the grid: lines area by area (one PolyPolyline per family),
// then the cells of each area through DrawCell, the row-selection focus
// rectangle, the background beyond the last cells and last the contra rows
// and columns pinned to the right and bottom edges. Nothing here changes the
// grid's state.
//
// Index:
//   [SECTION] Clip guard
//   [SECTION] Paint             Paint, PaintMainLines
//   [SECTION] Lines             DrawLinesArea, DrawLines, DrawPolyline
//   [SECTION] Cells             DrawCells, DrawCellFrame
//   [SECTION] Contra areas      PaintContra
#include <algorithm>

#include "base/GridsKv.h"
#include "base/KorvelVCL.h"

namespace korvel {

using namespace kvp;

namespace {

// [SECTION] Clip guard

// Saves the DC's clip region and narrows it to a rectangle; the destructor
// puts the saved clip (or none) back.
class TClipGuard {
 public:
  TClipGuard(HDC Dc, const TRect& R) : FDc(Dc), FSaved(CreateRectRgn(0, 0, 0, 0)) {
    FHadClip = GetClipRgn(FDc, FSaved) == 1;
    IntersectClipRect(FDc, R.Left, R.Top, R.Right, R.Bottom);
  }
  ~TClipGuard() {
    SelectClipRgn(FDc, FHadClip ? FSaved : nullptr);
    DeleteObject(FSaved);
  }
  TClipGuard(const TClipGuard&) = delete;
  TClipGuard& operator=(const TClipGuard&) = delete;

 private:
  HDC FDc;
  HRGN FSaved;
  bool FHadClip = false;
};

// Mirrors the canvas for the length of a paint when the grid reads right to
// left, and puts the plain mapping back however the paint ends.
class TOrientationGuard {
 public:
  explicit TOrientationGuard(TCustomGridKv* Grid, bool Mirror) : FGrid(Grid), FMirror(Mirror) {
    if (FMirror) FGrid->ChangeGridOrientation(true);
  }
  ~TOrientationGuard() {
    if (FMirror) FGrid->ChangeGridOrientation(false);
  }
  TOrientationGuard(const TOrientationGuard&) = delete;
  TOrientationGuard& operator=(const TOrientationGuard&) = delete;

 private:
  TCustomGridKv* FGrid;
  bool FMirror;
};

// The frozen boundary is the last line slot of the fixed columns: the
// separator's centre lies where a stroke of the line width fills that slot.
Integer FrozenSeparatorX(const TGridAxisDrawInfo& H) {
  return H.FixedBoundary - H.EffectiveLineWidth + H.EffectiveLineWidth / 2;
}

// The last cell whose line an area starting at First may draw.
Integer LastLineCell(const TGridAxisDrawInfo& Axis, Integer First) {
  if (Axis.ContraCellCount > 0 && First >= Axis.GridCellCount) return Axis.FullCellCount - 1;
  if (First < Axis.FixedCellCount) return Axis.FixedCellCount - 1;
  return Axis.LastFullVisibleCell;
}

}  // namespace

// [SECTION] Paint

void TCustomGridKv::Paint() {
  // [Phase 1] Locks and layout.
  if (PaintLocked()) return;
  TOrientationGuard Orientation(this, RightToLeft());
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  const HDC Dc = FCanvas->GetHandle();
  {
    // [Phase 2] The main areas never paint over the contra cells.
    std::unique_ptr<TClipGuard> Clip;
    if (FContraColCount > 0 || FContraRowCount > 0)
      Clip = std::make_unique<TClipGuard>(Dc, TRect{0, 0, H.ContraBoundary, V.ContraBoundary});
    // [Phase 3] Lines.
    if (H.EffectiveLineWidth > 0 || V.EffectiveLineWidth > 0) PaintMainLines(DrawInfo);
    // [Phase 4] Cells.
    const Integer Frozen = FFixedCols - FFrozenColCount;
    DrawCells(DrawInfo, {0, 0}, {0, 0, H.FixedBoundary, V.FixedBoundary}, FFixedColor, {gdFixed},
              false);
    DrawCells(DrawInfo, {FTopLeft.X, 0},
              {H.FixedBoundary - FColOffset, 0, H.GridBoundary, V.FixedBoundary}, FFixedColor,
              {gdFixed}, false);
    DrawCells(DrawInfo, {0, FTopLeft.Y}, {0, V.FixedBoundary, H.FrozenBoundary, V.GridBoundary},
              FFixedColor, {gdFixed}, false);
    DrawCells(DrawInfo, {Frozen, FTopLeft.Y},
              {H.FrozenBoundary, V.FixedBoundary, H.FixedBoundary, V.GridBoundary}, GetColor(), {},
              false);
    DrawCells(DrawInfo, FTopLeft,
              {H.FixedBoundary - FColOffset, V.FixedBoundary, H.GridBoundary, V.GridBoundary},
              GetColor(), {}, false);
    // [Phase 5] The focus rectangle of a row selection.
    if (!Designing() && FOptions.Contains(goRowSelect) && FDefaultDrawing && Focused()) {
      const TGridRect Sel = GetSelection();
      FCanvas->DrawFocusRect(BoxRect(Sel.Left, Sel.Top, Sel.Right, Sel.Bottom));
    }
    // [Phase 6] Background beyond the last cells.
    FCanvas->GetBrush()->SetColor(GetColor());
    if (H.GridBoundary < H.GridExtent)
      FCanvas->FillRect({H.GridBoundary, 0, H.GridExtent, V.GridBoundary});
    if (V.GridBoundary < V.GridExtent)
      FCanvas->FillRect({0, V.GridBoundary, H.GridExtent, V.GridExtent});
  }
  // [Phase 7] Contra rows and columns.
  if (FContraColCount > 0 || FContraRowCount > 0) PaintContra(DrawInfo);
}

void TCustomGridKv::PaintMainLines(const TGridDrawInfo& DrawInfo) {
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  const Integer MaxStroke = std::max(H.LastFullVisibleCell - FTopLeft.X + FFixedCols,
                                     V.LastFullVisibleCell - FTopLeft.Y + FFixedRows) +
                            3;
  const bool FixedH = FOptions.Contains(goFixedHorzLine),
             FixedV = FOptions.Contains(goFixedVertLine);
  const bool DataH = FOptions.Contains(goHorzLine), DataV = FOptions.Contains(goVertLine);
  const Integer Frozen = FFixedCols - FFrozenColCount;
  auto Area = [&](const TRect& R, TGridCoord First, bool HOn, bool VOn, TColor Back) {
    DrawLinesArea(DrawInfo, R, First, HOn, VOn, FGridLineColors->GetCellLineColor(First.X, First.Y),
                  Back, MaxStroke);
  };
  Area({0, 0, H.FixedBoundary, V.FixedBoundary}, {0, 0}, FixedH, FixedV, FFixedColor);
  Area({H.FixedBoundary, 0, H.GridBoundary, V.FixedBoundary}, {FTopLeft.X, 0}, FixedH, FixedV,
       FFixedColor);
  Area({0, V.FixedBoundary, H.FrozenBoundary, V.GridBoundary}, {0, FTopLeft.Y}, FixedH, FixedV,
       FFixedColor);
  Area({H.FrozenBoundary, V.FixedBoundary, H.FixedBoundary, V.GridBoundary}, {Frozen, FTopLeft.Y},
       FixedH, FixedV, FFixedColor);
  if (FFrozenColCount > 0 && H.EffectiveLineWidth > 0) {
    const Integer X = FrozenSeparatorX(H);
    SelectLinePen(FGridLineColors->GetFrozenVertLineColor(FFixedCols - 1));
    DrawLineStroke({X, V.FixedBoundary}, {X, V.GridBoundary});
  }
  Area({H.FixedBoundary, V.FixedBoundary, H.GridBoundary, V.GridBoundary}, FTopLeft, DataH, DataV,
       GetColor());
}

void TCustomGridKv::ChangeGridOrientation(bool RightToLeftOrientation) {
  const HDC Dc = FCanvas->GetHandle();
  const Integer W = GetClientWidth(), H = GetClientHeight();
  if (RightToLeftOrientation) {
    SetMapMode(Dc, MM_ANISOTROPIC);
    SetWindowOrgEx(Dc, W, 0, nullptr);
    SetViewportExtEx(Dc, W, H, nullptr);
    SetWindowExtEx(Dc, -W, H, nullptr);
  } else {
    SetWindowOrgEx(Dc, 0, 0, nullptr);
    SetViewportExtEx(Dc, W, H, nullptr);
    SetWindowExtEx(Dc, W, H, nullptr);
    SetMapMode(Dc, MM_TEXT);
  }
  FCanvasMirrored = RightToLeftOrientation;
}

// [SECTION] Lines

void TCustomGridKv::DrawLinesArea(const TGridDrawInfo& DrawInfo, const TRect& Area,
                                  TGridCoord First, bool HorzOn, bool VertOn, TColor LineColor,
                                  TColor BackColor, Integer MaxStroke) {
  if (Area.Left >= Area.Right || Area.Top >= Area.Bottom) return;
  // The family in the line colour is drawn last, so it lies on top.
  if (HorzOn) {
    DrawLines(DrawInfo, true, Area, First, VertOn ? LineColor : BackColor, MaxStroke);
    DrawLines(DrawInfo, false, Area, First, LineColor, MaxStroke);
  } else {
    DrawLines(DrawInfo, false, Area, First, BackColor, MaxStroke);
    DrawLines(DrawInfo, true, Area, First, VertOn ? LineColor : BackColor, MaxStroke);
  }
}

// One family of lines: Vertical lines separate columns and span the area's
// height; horizontal ones separate rows.
void TCustomGridKv::DrawLines(const TGridDrawInfo& DrawInfo, bool Vertical, const TRect& Area,
                              TGridCoord First, TColor Color, Integer MaxStroke) {
  const TGridAxisDrawInfo& Axis = Vertical ? DrawInfo.Horz : DrawInfo.Vert;
  const Integer ELW = Axis.EffectiveLineWidth;
  if (ELW <= 0) return;
  const Integer Start = Vertical ? Area.Left : Area.Top;
  const Integer Stop = Vertical ? Area.Right : Area.Bottom;
  const Integer SpanFrom = Vertical ? Area.Top : Area.Left;
  const Integer SpanTo = Vertical ? Area.Bottom : Area.Right;
  Integer Cell = Vertical ? First.X : First.Y;
  const Integer LastCell = LastLineCell(Axis, Cell);
  std::vector<TPoint> Points;
  std::vector<DWORD> Counts;
  // Each line fills the slot after its cell. A cell of extent 0 keeps its
  // slot, painted like any line (a hidden cell shows as a double line); a
  // cell that takes no room at all has no line.
  Integer CellStart = Start;
  for (; Cell <= LastCell && Integer(Counts.size()) < MaxStroke; ++Cell) {
    const Integer Span = Axis.Span(Cell);
    if (Span > 0) {
      const Integer Line = CellStart + Span - ELW + ELW / 2;
      if (Line > Stop + ELW) break;
      if (Vertical) {
        Points.push_back({Line, SpanFrom});
        Points.push_back({Line, SpanTo});
      } else {
        Points.push_back({SpanFrom, Line});
        Points.push_back({SpanTo, Line});
      }
      Counts.push_back(2);
    }
    CellStart += Span;
  }
  if (Counts.empty()) return;
  if (FCanvasMirrored)
    for (TPoint& P : Points) P.X += MirrorShift(Vertical);
  SelectLinePen(Color);
  PolyPolyline(FCanvas->GetHandle(), Points.data(), Counts.data(), DWORD(Counts.size()));
}

// A pen of the line width; a wide one ends flat at the stroke's ends, so a
// line fills its slot and not a pixel of the cells beside it.
void TCustomGridKv::SelectLinePen(TColor Color) {
  TPen* Pen = FCanvas->GetPen();
  Pen->SetStyle(psSolid);
  Pen->SetMode(pmCopy);
  Pen->SetColor(Color);
  Pen->SetWidth(FGridLineWidth);
  if (FGridLineWidth > 1) {
    LOGBRUSH Brush{BS_SOLID, ColorToRGB(Color), 0};
    Pen->SetHandle(ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | PS_SOLID,
                                DWORD(FGridLineWidth), Brush));
  }
}

// On a mirrored canvas logical x lands on the pixel left of the mirrored
// boundary. A one-pixel line, and the centre of an odd-width line, move on by
// one to stay in their slot; a flat-ended wide stroke covers the pixels
// between its mirrored ends and the centre of an even-width one falls right
// already, so those stay.
Integer TCustomGridKv::MirrorShift(bool VerticalStroke) const {
  if (FGridLineWidth <= 1) return 1;
  return VerticalStroke ? FGridLineWidth % 2 : 0;
}

// One straight line stroke (a separator) in the line pen already selected.
void TCustomGridKv::DrawLineStroke(TPoint A, TPoint B) {
  if (FCanvasMirrored) {
    const Integer Shift = MirrorShift(A.X == B.X);
    A.X += Shift;
    B.X += Shift;
  }
  FCanvas->Polyline({A, B});
}

void TCustomGridKv::DrawPolyline(std::vector<TPoint> Points) {
  if (FCanvasMirrored)
    for (TPoint& P : Points) ++P.X;
  FCanvas->Polyline(Points);
}

// [SECTION] Cells

void TCustomGridKv::DrawCells(const TGridDrawInfo& DrawInfo, TGridCoord First, const TRect& Area,
                              TColor Color, TGridDrawState IncludeDrawState, bool Contra) {
  const HDC Dc = FCanvas->GetHandle();
  const Integer ColLimit = Contra ? GetFullColCount() : FColCount;
  const Integer RowLimit = Contra ? GetFullRowCount() : FRowCount;
  const bool Active = !Contra && IsActiveControl();
  const TGridRect Sel = GetSelection();
  TRect Where;
  Where.Top = Area.Top;
  for (Integer Row = First.Y; Where.Top < Area.Bottom && Row < RowLimit; ++Row) {
    Where.Left = Area.Left;
    Where.Bottom = Where.Top + GetRowHeights(Row);
    for (Integer Col = First.X; Where.Left < Area.Right && Col < ColLimit; ++Col) {
      Where.Right = Where.Left + GetColWidths(Col);
      if (Where.Right > Where.Left && Where.Bottom > Where.Top && RectVisible(Dc, &Where)) {
        // [Phase 1] The cell's state.
        TGridDrawState State = IncludeDrawState;
        const bool IsCurrent = !Contra && Col == FCurrent.X && Row == FCurrent.Y;
        if (Active && IsCurrent) State += gdFocused;
        if (!Contra && Col >= Sel.Left && Col <= Sel.Right && Row >= Sel.Top && Row <= Sel.Bottom)
          State += gdSelected;
        // The editor covers the cell only while it is shown over it: editor
        // mode without a shown editor (row selection allows none) must not
        // leave the current cell unpainted.
        const bool EditorCovers = State.Contains(gdFocused) && FOptions.Contains(goEditing) &&
                                  FEditorMode && !Designing() && EditorShownOver(Col, Row);
        if (!EditorCovers) {
          // [Phase 2] Background, the cell itself, frame and focus.
          if (FDefaultDrawing || Designing()) {
            FCanvas->SetFont(GetFont());
            const bool Highlight =
                State.Contains(gdSelected) &&
                (!State.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                 FOptions.Contains(goRowSelect));
            FCanvas->GetBrush()->SetColor(Highlight ? clHighlight : Color);
            if (Highlight) FCanvas->GetFont()->SetColor(clHighlightText);
            FCanvas->FillRect(Where);
          }
          DrawCell(Col, Row, Where, State);
          if (FDefaultDrawing && State.Contains(gdFixed) && GetCtl3D())
            DrawCellFrame(DrawInfo, Where);
          if (FDefaultDrawing && !Designing() && State.Contains(gdFocused) &&
              !(FOptions.Contains(goEditing) && FOptions.Contains(goAlwaysShowEditor)) &&
              !FOptions.Contains(goRowSelect))
            FCanvas->DrawFocusRect(Where);
        }
      }
      Where.Left += DrawInfo.Horz.Span(Col);
    }
    Where.Top += DrawInfo.Vert.Span(Row);
  }
}

bool TCustomGridKv::EditorShownOver(Integer ACol, Integer ARow) {
  return FInplaceEdit && FInplaceEdit->Visible() && FInplaceCol == ACol && FInplaceRow == ARow;
}

void TCustomGridKv::DrawCellFrame(const TGridDrawInfo& DrawInfo, TRect Where) {
  UINT Flags1 = 0, Flags2 = 0;
  if (FOptions.Contains(goFixedVertLine)) {
    Flags1 |= BF_RIGHT;
    Flags2 |= BF_LEFT;
  }
  if (FOptions.Contains(goFixedHorzLine)) {
    Flags1 |= BF_BOTTOM;
    Flags2 |= BF_TOP;
  }
  if (Flags1 == 0 && Flags2 == 0) return;
  if (!(Flags1 & BF_RIGHT))
    Where.Right += DrawInfo.Horz.EffectiveLineWidth;
  else if (!(Flags1 & BF_BOTTOM))
    Where.Bottom += DrawInfo.Vert.EffectiveLineWidth;
  if (FFlat) {
    FCanvas->GetPen()->SetColor(FCanvas->GetBrush()->GetColor());
    FCanvas->GetPen()->SetWidth(1);
    if (Flags2 & BF_LEFT) DrawPolyline({{Where.Left, Where.Bottom - 1}, {Where.Left, Where.Top}});
    if (Flags2 & BF_TOP) DrawPolyline({{Where.Left, Where.Top}, {Where.Right - 1, Where.Top}});
    return;
  }
  const HDC Dc = FCanvas->GetHandle();
  // The raised edges keep their light and dark sides: right to left they are
  // drawn unmirrored over the cell's client rectangle.
  const bool Mirrored = FCanvasMirrored;
  if (Mirrored) {
    WindowsLPtoDP(Dc, Where);
    if (Where.Left > Where.Right) std::swap(Where.Left, Where.Right);
    ChangeGridOrientation(false);
  }
  DrawEdge(Dc, &Where, BDR_RAISEDINNER, Flags1);
  DrawEdge(Dc, &Where, BDR_RAISEDINNER, Flags2);
  if (Mirrored) ChangeGridOrientation(true);
}

// [SECTION] Contra areas

void TCustomGridKv::PaintContra(const TGridDrawInfo& DrawInfo) {
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  const HDC Dc = FCanvas->GetHandle();
  // The contra buffer must hold the strokes of a contra row across every
  // visible scrolling column, not only one per contra cell.
  const Integer MaxStroke = std::max({H.LastFullVisibleCell - FTopLeft.X + FFixedCols,
                                      V.LastFullVisibleCell - FTopLeft.Y + FFixedRows,
                                      FContraColCount, FContraRowCount}) +
                            3;
  const bool FixedH = FOptions.Contains(goFixedHorzLine),
             FixedV = FOptions.Contains(goFixedVertLine);
  const bool DataH = FOptions.Contains(goHorzLine), DataV = FOptions.Contains(goVertLine);
  const Integer Frozen = FFixedCols - FFrozenColCount;
  // The line in front of the contra rows (columns) fills the slot from
  // ContraBoundary on, EffectiveLineWidth wide; the contra cells start after
  // it, where CellRect puts them.
  const Integer RowsTop = V.ContraBoundary + V.EffectiveLineWidth;
  const Integer ColsLeft = H.ContraBoundary + H.EffectiveLineWidth;
  const Integer SepY = V.ContraBoundary + V.EffectiveLineWidth / 2;
  const Integer SepX = H.ContraBoundary + H.EffectiveLineWidth / 2;
  const bool HorzSep = V.EffectiveLineWidth > 0, VertSep = H.EffectiveLineWidth > 0;
  auto Area = [&](const TRect& R, TGridCoord First, bool HOn, bool VOn, TColor Back) {
    DrawLinesArea(DrawInfo, R, First, HOn, VOn, FGridLineColors->GetCellLineColor(First.X, First.Y),
                  Back, MaxStroke);
  };
  auto Separator = [&](bool On, TPoint A, TPoint B, TColor Color) {
    if (!On) return;
    SelectLinePen(Color);
    DrawLineStroke(A, B);
  };
  const bool LinesOn = H.EffectiveLineWidth > 0 || V.EffectiveLineWidth > 0;
  // [Phase 1] Lines and separators.
  if (LinesOn && FContraRowCount > 0) {
    Area({0, RowsTop, H.FrozenBoundary, V.ClientExtent}, {0, FRowCount}, FixedH, FixedV,
         FFixedColor);
    Area({H.FrozenBoundary, RowsTop, H.FixedBoundary, V.ClientExtent}, {Frozen, FRowCount}, FixedH,
         FixedV, FFixedColor);
    if (FFrozenColCount > 0)
      Separator(VertSep, {FrozenSeparatorX(H), RowsTop}, {FrozenSeparatorX(H), V.ClientExtent},
                FGridLineColors->GetFrozenVertLineColor(FFixedCols - 1));
    Separator(HorzSep, {0, SepY}, {H.FixedBoundary, SepY},
              FGridLineColors->GetHorzLineColor(Frozen, FRowCount));
    Area({H.FixedBoundary, RowsTop, H.GridBoundary, V.ClientExtent}, {FTopLeft.X, FRowCount}, DataH,
         DataV, GetColor());
    Separator(HorzSep, {H.FixedBoundary, SepY}, {H.GridBoundary, SepY},
              FGridLineColors->GetHorzLineColor(FTopLeft.X, FRowCount));
  }
  if (LinesOn && FContraColCount > 0) {
    Area({ColsLeft, 0, H.ClientExtent, V.FixedBoundary}, {FColCount, 0}, FixedH, FixedV,
         FFixedColor);
    Separator(VertSep, {SepX, 0}, {SepX, V.FixedBoundary},
              FGridLineColors->GetVertLineColor(FColCount));
    Area({ColsLeft, V.FixedBoundary, H.ClientExtent, V.GridBoundary}, {FColCount, FTopLeft.Y},
         DataH, DataV, GetColor());
    Separator(VertSep, {SepX, V.FixedBoundary}, {SepX, V.GridBoundary},
              FGridLineColors->GetVertLineColor(FColCount));
  }
  if (LinesOn && FContraColCount > 0 && FContraRowCount > 0) {
    Area({ColsLeft, RowsTop, H.ClientExtent, V.ClientExtent}, {FColCount, FRowCount}, DataH, DataV,
         GetColor());
    Separator(VertSep, {SepX, V.ContraBoundary}, {SepX, V.ClientExtent},
              FGridLineColors->GetVertLineColor(FColCount));
    Separator(HorzSep, {H.ContraBoundary, SepY}, {H.ClientExtent, SepY},
              FGridLineColors->GetHorzLineColor(FColCount, FRowCount));
  }
  // [Phase 2] Cells of the contra rows, then of the contra columns, then the corner.
  if (FContraRowCount > 0) {
    TClipGuard Clip(Dc, {0, V.ContraBoundary, H.GridBoundary, V.ClientExtent});
    DrawCells(DrawInfo, {0, FRowCount}, {0, RowsTop, H.FrozenBoundary, V.ClientExtent}, FFixedColor,
              {gdFixed}, true);
    DrawCells(DrawInfo, {Frozen, FRowCount},
              {H.FrozenBoundary, RowsTop, H.FixedBoundary, V.ClientExtent}, GetColor(), {}, true);
    DrawCells(DrawInfo, {FTopLeft.X, FRowCount},
              {H.FixedBoundary - FColOffset, RowsTop, H.GridBoundary, V.ClientExtent}, GetColor(),
              {}, true);
  }
  if (FContraColCount > 0) {
    TClipGuard Clip(Dc, {H.ContraBoundary, 0, H.ClientExtent, V.GridBoundary});
    DrawCells(DrawInfo, {FColCount, 0}, {ColsLeft, 0, H.ClientExtent, V.FixedBoundary}, FFixedColor,
              {gdFixed}, true);
    DrawCells(DrawInfo, {FColCount, FTopLeft.Y},
              {ColsLeft, V.FixedBoundary, H.ClientExtent, V.GridBoundary}, GetColor(), {}, true);
  }
  if (FContraColCount > 0 && FContraRowCount > 0)
    DrawCells(DrawInfo, {FColCount, FRowCount}, {ColsLeft, RowsTop, H.ClientExtent, V.ClientExtent},
              GetColor(), {}, true);
  // [Phase 3] Gaps.
  FCanvas->GetBrush()->SetColor(GetColor());
  if (FContraColCount > 0 && V.GridBoundary < V.GridExtent)
    FCanvas->FillRect({H.ContraBoundary, V.GridBoundary, H.ClientExtent, V.GridExtent});
  if (FContraRowCount > 0 && H.GridBoundary < H.ContraBoundary)
    FCanvas->FillRect({H.GridBoundary, V.ContraBoundary, H.ContraBoundary, V.ClientExtent});
}

}  // namespace korvel
