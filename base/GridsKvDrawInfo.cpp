// The grid's layout for the current client size: the per-axis draw info,
// cell rectangles, hit testing, the largest useful top-left cell and the
// invalidation helpers. Axis code is written once and run for columns and
// for rows. The draw info itself is always left to right; right to left, the
// client rectangles are mirrored on the way out and points on the way in.
#include <algorithm>

#include "base/GridsKv.h"

namespace korvel {

using namespace kvp;

namespace {

// [SECTION] One axis

struct TAxisSetup {
  bool DrawsLines = false;
  Integer FixedCount = 0;
  Integer FirstCell = 0;
  Integer CellCount = 0;
  Integer FrozenCount = 0;
  Integer ContraCount = 0;
  Integer ClientExtent = 0;
};

void CalcAxis(TGridAxisDrawInfo& A, const TAxisSetup& S, Integer LineWidth) {
  // [Phase 1] The fixed part.
  A.EffectiveLineWidth = S.DrawsLines ? LineWidth : 0;
  const Integer ELW = A.EffectiveLineWidth;
  A.FixedCellCount = S.FixedCount;
  A.FirstGridCell = S.FirstCell;
  A.GridCellCount = S.CellCount;
  A.FrozenCellCount = S.FrozenCount;
  A.ContraCellCount = S.ContraCount;
  A.FullCellCount = S.CellCount + S.ContraCount;
  A.ClientExtent = S.ClientExtent;
  A.FixedBoundary = 0;
  for (Integer I = 0; I < S.FixedCount; ++I) A.FixedBoundary += A.Span(I);
  A.FrozenBoundary = A.FixedBoundary;
  for (Integer I = S.FixedCount - S.FrozenCount; I < S.FixedCount; ++I)
    A.FrozenBoundary -= A.Span(I);
  // [Phase 2] The contra part.
  A.ContraBoundary = S.ClientExtent;
  for (Integer I = S.CellCount; I < A.FullCellCount; ++I) A.ContraBoundary -= A.Span(I);
  if (S.ContraCount > 0) A.ContraBoundary -= ELW;
  // [Phase 3] The scrolling part.
  A.GridExtent = A.ContraBoundary;
  A.GridBoundary = A.FixedBoundary;
  A.FullVisBoundary = A.FixedBoundary;
  A.LastFullVisibleCell = S.FirstCell;
  for (Integer I = S.FirstCell; I < S.CellCount; ++I) {
    A.GridBoundary += A.Span(I);
    if (A.GridBoundary > A.GridExtent + ELW) {
      A.GridBoundary = A.GridExtent;
      break;
    }
    A.LastFullVisibleCell = I;
    A.FullVisBoundary = A.GridBoundary;
  }
  A.FullGridBoundary = S.ContraCount == 0 ? A.GridBoundary : S.ClientExtent;
}

bool IsContraCell(const TGridAxisDrawInfo& A, Integer Cell) {
  return A.ContraCellCount > 0 && Cell >= A.GridCellCount;
}

// The screen span of cells Start..Stop along one axis; false when none shows.
bool AxisSpan(const TGridAxisDrawInfo& A, Integer Start, Integer Stop, bool IncludeLine,
              Integer& Min, Integer& Max) {
  if (Start > A.LastFullVisibleCell + 1 && !(A.ContraCellCount > 0 && Stop >= A.GridCellCount))
    return false;
  if (Start > A.FullCellCount + 1) Start = A.FullCellCount;
  if (Start >= A.FixedCellCount && Start < A.FirstGridCell) {
    if (Stop < A.FirstGridCell) return false;
    Start = A.FirstGridCell;
  }
  if (Stop > A.LastFullVisibleCell) {
    if (!IsContraCell(A, Stop)) {
      Stop = A.LastFullVisibleCell;
      // The partly visible cell after the last whole one counts when shown.
      if (A.LastFullVisibleCell < A.GridCellCount - 1 &&
          TCustomGridKv::LinePos(A, A.LastFullVisibleCell + 1) != 0)
        Stop = A.LastFullVisibleCell + 1;
    } else {
      Stop = std::min(Stop, A.FullCellCount - 1);
    }
  }
  // A start just past the last wholly visible cell that is not shown at all
  // (the cells before it end exactly at the edge) leaves nothing.
  if (Stop < Start) return false;
  Min = TCustomGridKv::LinePos(A, Start);
  const Integer StopPos = TCustomGridKv::LinePos(A, Stop);
  Max = StopPos == 0 ? Min + std::max(0, A.GetExtent(Start))
                     : StopPos + std::max(0, A.GetExtent(Stop));
  Max = std::min(Max, IsContraCell(A, Stop) ? A.ClientExtent : A.GridExtent);
  if (IncludeLine) Max += A.EffectiveLineWidth;
  return true;
}

Integer AxisCellAt(const TGridAxisDrawInfo& A, Integer N) {
  Integer Start = A.FixedBoundary, Cell = A.FirstGridCell, Limit = A.GridCellCount;
  if (N < A.FixedBoundary) {
    Start = 0;
    Cell = 0;
    Limit = A.FixedCellCount;
  } else if (A.ContraCellCount > 0 && N >= A.ContraBoundary) {
    Start = A.ContraBoundary + A.EffectiveLineWidth;
    Cell = A.GridCellCount;
    Limit = A.FullCellCount;
    if (N < Start) return Cell;  // on the line in front of the first contra cell
  }
  for (; Cell < Limit; ++Cell) {
    Start += A.Span(Cell);
    if (N < Start) return Cell;
  }
  return -1;
}

Integer AxisMaxCell(const TGridAxisDrawInfo& A, Integer Start) {
  Integer Result = Start;
  Integer Line = A.GridExtent + A.EffectiveLineWidth;
  for (Integer I = Start; I >= A.FixedCellCount; --I) {
    const Integer Extent = A.GetExtent(I);
    if (Extent <= 0) continue;
    Line -= Extent + A.EffectiveLineWidth;
    if (Line < A.FixedBoundary) {
      if (Result == Start && A.GetExtent(Start) <= 0) Result = I;
      break;
    }
    Result = I;
  }
  return Result;
}

}  // namespace

// [SECTION] Draw info

void TCustomGridKv::CalcDrawInfo(TGridDrawInfo& DrawInfo) {
  if (HandleAllocated())
    CalcDrawInfoXY(DrawInfo, GetClientWidth(), GetClientHeight());
  else
    CalcDrawInfoXY(DrawInfo, GetWidth(), GetHeight());
}

void TCustomGridKv::CalcDrawInfoXY(TGridDrawInfo& DrawInfo, Integer UseWidth, Integer UseHeight) {
  DrawInfo.Horz.GetExtent = [this](Integer I) { return GetColWidths(I); };
  DrawInfo.Vert.GetExtent = [this](Integer I) { return GetRowHeights(I); };
  CalcAxis(DrawInfo.Horz,
           {FOptions.Contains(goFixedVertLine) || FOptions.Contains(goVertLine), FFixedCols,
            FTopLeft.X, FColCount, FFrozenColCount, FContraColCount, UseWidth},
           FGridLineWidth);
  CalcAxis(DrawInfo.Vert,
           {FOptions.Contains(goFixedHorzLine) || FOptions.Contains(goHorzLine), FFixedRows,
            FTopLeft.Y, FRowCount, 0, FContraRowCount, UseHeight},
           FGridLineWidth);
}

// [SECTION] Cells to client coordinates

Integer TCustomGridKv::LinePos(const TGridAxisDrawInfo& Axis, Integer Line) {
  Integer Start = Axis.FixedBoundary, Cell = Axis.FirstGridCell;
  if (Line < Axis.FixedCellCount) {
    Start = 0;
    Cell = 0;
  } else if (IsContraCell(Axis, Line)) {
    Start = Axis.ContraBoundary + Axis.EffectiveLineWidth;
    Cell = Axis.GridCellCount;
  } else if (Line < Axis.FirstGridCell) {
    return 0;
  }
  for (; Cell < Line; ++Cell) {
    Start += Axis.Span(Cell);
    if (Start > Axis.ClientExtent) return 0;
  }
  return Start;
}

void TCustomGridKv::GridRectToScreenRect(TGridRect GridRect, TRect& ScreenRect, bool IncludeLine) {
  ScreenRect = TRect{};
  if (GridRect.Left > GridRect.Right || GridRect.Top > GridRect.Bottom) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  TRect R;
  if (!AxisSpan(DrawInfo.Horz, GridRect.Left, GridRect.Right, IncludeLine, R.Left, R.Right)) return;
  if (!AxisSpan(DrawInfo.Vert, GridRect.Top, GridRect.Bottom, IncludeLine, R.Top, R.Bottom)) return;
  // While the canvas is mirrored the painting code wants the unmirrored
  // rectangle; everyone else gets client coordinates.
  if (RightToLeft() && !FCanvasMirrored) {
    const Integer Left = R.Left;
    R.Left = DrawInfo.Horz.ClientExtent - R.Right;
    R.Right = DrawInfo.Horz.ClientExtent - Left;
  }
  ScreenRect = R;
}

TRect TCustomGridKv::BoxRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
  TRect R;
  GridRectToScreenRect({ALeft, ATop, ARight, ABottom}, R, false);
  return R;
}

TRect TCustomGridKv::CellRect(Integer ACol, Integer ARow) {
  return BoxRect(ACol, ARow, ACol, ARow);
}

// [SECTION] Client coordinates to cells

// Right to left the point is mirrored first. Contra columns stay hit-testable
// there too: a footer cell under the mouse answers itself, not the scrolling
// column that happens to lie at the same unmirrored position.
TGridCoord TCustomGridKv::CalcCoordFromPoint(Integer X, Integer Y, const TGridDrawInfo& DrawInfo) {
  if (RightToLeft()) X = DrawInfo.Horz.ClientExtent - X;
  return {AxisCellAt(DrawInfo.Horz, X), AxisCellAt(DrawInfo.Vert, Y)};
}

TGridCoord TCustomGridKv::MouseCoord(Integer X, Integer Y) {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridCoord C = CalcCoordFromPoint(X, Y, DrawInfo);
  if (C.X < 0 || C.Y < 0) C = {-1, -1};
  return C;
}

TGridCoord TCustomGridKv::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) {
  return {AxisMaxCell(DrawInfo.Horz, Coord.X), AxisMaxCell(DrawInfo.Vert, Coord.Y)};
}

// [SECTION] Derived values

TGridRect TCustomGridKv::GetSelection() const {
  return {std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y),
          std::max(FAnchor.X, FCurrent.X), std::max(FAnchor.Y, FCurrent.Y)};
}

Integer TCustomGridKv::GetVisibleColCount() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Horz.LastFullVisibleCell - FTopLeft.X + 1;
}

Integer TCustomGridKv::GetVisibleRowCount() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Vert.LastFullVisibleCell - FTopLeft.Y + 1;
}

Integer TCustomGridKv::GetGridWidth() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Horz.GridBoundary;
}

Integer TCustomGridKv::GetGridHeight() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  return DrawInfo.Vert.GridBoundary;
}

// [SECTION] Invalidation

void TCustomGridKv::InvalidateRect(const TGridRect& ARect) {
  if (!HandleAllocated()) return;
  TRect R;
  GridRectToScreenRect(ARect, R, true);
  if (!IsRectEmpty(R)) ::kvp::InvalidateRect(GetHandle(), &R, false);
}

void TCustomGridKv::InvalidateCell(Integer ACol, Integer ARow) {
  InvalidateRect({ACol, ARow, ACol, ARow});
}

// The column's whole client height: a range of row numbers would miss the
// visible data rows once the grid has scrolled far enough down.
void TCustomGridKv::InvalidateCol(Integer ACol) {
  if (!HandleAllocated()) return;
  TRect R;
  GridRectToScreenRect({ACol, FTopLeft.Y, ACol, FTopLeft.Y}, R, true);
  if (IsRectEmpty(R)) GridRectToScreenRect({ACol, 0, ACol, 0}, R, true);
  if (R.Right <= R.Left) return;
  R.Top = 0;
  R.Bottom = GetClientHeight();
  ::kvp::InvalidateRect(GetHandle(), &R, false);
}

}  // namespace korvel
