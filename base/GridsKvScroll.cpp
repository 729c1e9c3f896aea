// The current cell, the selection anchor and the top-left cell: moving them,
// keeping the current cell in view, scrolling the window's pixels, and the
// scroll bars (a 0..127 thumb on each axis; pixels when the grid has a single
// column).
//
// Index:
//   [SECTION] Current cell and anchor   MoveCurrent, FocusCell, MoveAnchor, SelectionMoved
//   [SECTION] Scrolling                 ClampInView, MoveTopLeft, TopLeftMoved, ScrollData
//   [SECTION] Scroll bars               UpdateScrollRange, UpdateScrollPos, ModifyScrollBar
//   [SECTION] Messages                  WM_HSCROLL, WM_VSCROLL, WM_SIZE, CM_SHOWINGCHANGED
#include <algorithm>

#include "base/GridsKv.h"
#include "base/KorvelConsts.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Numbers.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr Integer ThumbMax = 127;

// Pixels between first cells From and To of an axis: positive when To lies
// before From (the content moves right or down).
Integer ShiftBetween(const TGridAxisDrawInfo& Axis, Integer From, Integer To) {
  Integer Sum = 0;
  for (Integer I = std::min(From, To); I < std::max(From, To); ++I) Sum += Axis.Span(I);
  return To < From ? Sum : -Sum;
}

}  // namespace

// [SECTION] Current cell and anchor

void TCustomGridKv::SetCol(Integer Value) {
  if (FCurrent.X == Value) return;
  FocusCell(Value, FCurrent.Y, true);
}

void TCustomGridKv::SetRow(Integer Value) {
  if (FCurrent.Y == Value) return;
  FocusCell(FCurrent.X, Value, true);
}

void TCustomGridKv::MoveCurrent(Integer ACol, Integer ARow, bool MoveAnchor, bool Show) {
  if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
    throw EInvalidGridOperationKv(SGridIndexOutOfRange);
  if (!SelectCell(ACol, ARow)) return;
  const TGridRect OldSel = GetSelection();
  const TGridCoord OldCurrent = FCurrent;
  FCurrent = {ACol, ARow};
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
  if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
    FAnchor = FCurrent;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
  }
  if (FOptions.Contains(goRowSelect)) FCurrent.X = FFixedCols;
  if (Show) ClampInView(FCurrent);
  SelectionMoved(OldSel);
  InvalidateCell(OldCurrent.X, OldCurrent.Y);
  InvalidateCell(ACol, ARow);
}

void TCustomGridKv::FocusCell(Integer ACol, Integer ARow, bool MoveAnchor) {
  MoveCurrent(ACol, ARow, MoveAnchor, true);
  UpdateEdit();
  Click();
}

void TCustomGridKv::MoveAnchor(const TGridCoord& NewAnchor) {
  if (!FOptions.Contains(goRangeSelect) || FOptions.Contains(goEditing)) {
    MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
    return;
  }
  const TGridRect OldSel = GetSelection();
  FAnchor = NewAnchor;
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
  ClampInView(NewAnchor);
  SelectionMoved(OldSel);
}

// Repaints the cells whose selected state changed: both selections, which
// covers every cell in exactly one of them.
void TCustomGridKv::SelectionMoved(const TGridRect& OldSel) {
  const TGridRect NewSel = GetSelection();
  if (OldSel == NewSel) return;
  InvalidateRect(OldSel);
  InvalidateRect(NewSel);
}

// [SECTION] Scrolling

void TCustomGridKv::SetLeftCol(Integer Value) {
  if (FTopLeft.X == Value) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo).X;
  MoveTopLeft(std::clamp(Value, FFixedCols, std::max(FFixedCols, Max)), FTopLeft.Y);
}

void TCustomGridKv::SetTopRow(Integer Value) {
  if (FTopLeft.Y == Value) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo).Y;
  MoveTopLeft(FTopLeft.X, std::clamp(Value, FFixedRows, std::max(FFixedRows, Max)));
}

void TCustomGridKv::ClampInView(const TGridCoord& Coord) {
  if (!HandleAllocated()) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  if (Coord.X >= FTopLeft.X && Coord.X <= H.LastFullVisibleCell && Coord.Y >= FTopLeft.Y &&
      Coord.Y <= V.LastFullVisibleCell)
    return;
  const TGridCoord OldTopLeft = FTopLeft;
  const TGridCoord MaxTopLeft = CalcMaxTopLeft(Coord, DrawInfo);
  Update();
  // Scrolling back to a hidden cell stops at the shown cell before it.
  if (Coord.X < FTopLeft.X && Coord.X >= FFixedCols)
    FTopLeft.X = ShownTopLeftCell(H, Coord.X, FFixedCols, FTopLeft.X, FTopLeft.X);
  else if (Coord.X > H.LastFullVisibleCell)
    FTopLeft.X = MaxTopLeft.X;
  if (Coord.Y < FTopLeft.Y && Coord.Y >= FFixedRows)
    FTopLeft.Y = ShownTopLeftCell(V, Coord.Y, FFixedRows, FTopLeft.Y, FTopLeft.Y);
  else if (Coord.Y > V.LastFullVisibleCell)
    FTopLeft.Y = MaxTopLeft.Y;
  if (!(OldTopLeft == FTopLeft)) TopLeftMoved(OldTopLeft);
}

void TCustomGridKv::MoveTopLeft(Integer ALeft, Integer ATop) {
  if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
  Update();
  const TGridCoord OldTopLeft = FTopLeft;
  FTopLeft = {ALeft, ATop};
  TopLeftMoved(OldTopLeft);
}

void TCustomGridKv::TopLeftMoved(const TGridCoord& OldTopLeft) {
  UpdateScrollPos();
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  const Integer DX = ShiftBetween(H, OldTopLeft.X, FTopLeft.X);
  const Integer DY = ShiftBetween(V, OldTopLeft.Y, FTopLeft.Y);
  if (std::abs(DX) > H.GridBoundary - H.FixedBoundary ||
      std::abs(DY) > V.GridBoundary - V.FixedBoundary)
    Invalidate();
  else if (DX != 0 || DY != 0)
    ScrollData(DX, DY);
  TopLeftChanged();
}

void TCustomGridKv::ScrollData(Integer DX, Integer DY) {
  if (!HandleAllocated()) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const auto& H = DrawInfo.Horz;
  const auto& V = DrawInfo.Vert;
  const UINT Flags = SW_INVALIDATE | (FDefaultDrawing ? 0 : SW_ERASE);
  const HWND Wnd = GetHandle();
  // Right to left the strips lie mirrored and the columns move the other way.
  const bool Mirror = RightToLeft();
  auto Scroll = [&](TRect R, Integer X, Integer Y) {
    if (Mirror) {
      R = {H.ClientExtent - R.Right, R.Top, H.ClientExtent - R.Left, R.Bottom};
      X = -X;
    }
    if (!IsRectEmpty(R)) ScrollWindowEx(Wnd, X, Y, &R, &R, nullptr, nullptr, Flags);
  };
  if (DY == 0) {
    Scroll({H.FixedBoundary, 0, H.GridExtent, V.ClientExtent}, DX, 0);
  } else if (DX == 0) {
    Scroll({0, V.FixedBoundary, H.ClientExtent, V.GridExtent}, 0, DY);
  } else {
    Scroll({H.FixedBoundary, 0, H.GridExtent, V.FixedBoundary}, DX, 0);
    if (FContraRowCount > 0)
      Scroll({H.FixedBoundary, V.ContraBoundary, H.GridExtent, V.ClientExtent}, DX, 0);
    Scroll({0, V.FixedBoundary, H.FixedBoundary, V.GridExtent}, 0, DY);
    if (FContraColCount > 0)
      Scroll({H.ContraBoundary, V.FixedBoundary, H.ClientExtent, V.GridExtent}, 0, DY);
    Scroll({H.FixedBoundary, V.FixedBoundary, H.GridExtent, V.GridExtent}, DX, DY);
  }
  if (FOptions.Contains(goRowSelect)) InvalidateRect(GetSelection());
}

// [SECTION] Scroll bars

void TCustomGridKv::UpdateScrollRange() {
  if (FScrollBars == ssNone || !HandleAllocated() || !GetShowing() || FInUpdateScrollRange) return;
  // Setting a range shows or hides a bar, which resizes the client area and
  // brings WM_SIZE back here; the flag stops that recursion.
  TFlagScope InUpdate(FInUpdateScrollRange);
  const HWND Wnd = GetHandle();
  const TGridCoord OldTopLeft = FTopLeft;
  const bool Horz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
  const bool Vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
  auto MaxFor = [&](Integer W, Integer Ht) {
    TGridDrawInfo DrawInfo;
    CalcDrawInfoXY(DrawInfo, W, Ht);
    return CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  };
  auto SetHorz = [&](Integer W, Integer Ht) {
    if (!Horz) return;
    const TGridCoord Max = MaxFor(W, Ht);
    Integer Range = FFixedCols < Max.X ? ThumbMax : 0;
    if (FColCount == 1) Range = std::max(GetColWidths(0) - W, 0);
    SetScrollRange(Wnd, SB_HORZ, 0, Range, TRUE);
    if (FColCount > 1 && FTopLeft.X > std::max(Max.X, FFixedCols)) {
      Update();
      FTopLeft.X = std::max(Max.X, FFixedCols);
    }
  };
  const LONG Style = GetWindowLong(Wnd, GWL_STYLE);
  const Integer FreeWidth =
      GetClientWidth() + ((Style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const Integer FreeHeight =
      GetClientHeight() + ((Style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  // [Phase 1] Horizontal as if no bar were shown, then vertical.
  const Integer WidthBefore = GetClientWidth();
  SetHorz(FreeWidth, FreeHeight);
  if (Vert) {
    const TGridCoord Max = MaxFor(FreeWidth, GetClientHeight());
    SetScrollRange(Wnd, SB_VERT, 0, FFixedRows < Max.Y ? ThumbMax : 0, TRUE);
    if (FTopLeft.Y > std::max(Max.Y, FFixedRows)) {
      Update();
      FTopLeft.Y = std::max(Max.Y, FFixedRows);
    }
  }
  // [Phase 2] The vertical bar took width: horizontal again.
  // A single column's range is in pixels and must end where the column
  // ends for the real client width, whether or not a bar came or went.
  if (GetClientWidth() != WidthBefore || FColCount == 1)
    SetHorz(GetClientWidth(), GetClientHeight());
  UpdateScrollPos();
  if (!(OldTopLeft == FTopLeft)) TopLeftMoved(OldTopLeft);
}

void TCustomGridKv::UpdateScrollPos() {
  if (FScrollBars == ssNone || !HandleAllocated()) return;
  const HWND Wnd = GetHandle();
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  auto SetPos = [&](Integer Bar, Integer Pos) {
    if (GetScrollPos(Wnd, Bar) != Pos) SetScrollPos(Wnd, Bar, Pos, TRUE);
  };
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
    if (FColCount == 1) {
      // A wider grid may leave the offset past the column's end: pull it back.
      const Integer ColWidth = GetColWidths(FTopLeft.X);
      const Integer FreeWidth = GetClientWidth() - DrawInfo.Horz.FixedBoundary;
      const Integer MaxOffset = std::max(0, ColWidth - FreeWidth);
      if (FColOffset > 0 && ColWidth - FColOffset < FreeWidth)
        ModifyScrollBar(SB_HORZ, SB_THUMBPOSITION, RightToLeft() ? 0 : MaxOffset, true);
      else
        SetPos(SB_HORZ, RightToLeft() ? MaxOffset - FColOffset : FColOffset);
    } else if (Max.X > FFixedCols) {
      const Integer Pos = MulDiv(FTopLeft.X - FFixedCols, ThumbMax, Max.X - FFixedCols);
      SetPos(SB_HORZ, RightToLeft() ? ThumbMax - Pos : Pos);
    }
  }
  if ((FScrollBars == ssVertical || FScrollBars == ssBoth) && Max.Y > FFixedRows)
    SetPos(SB_VERT, MulDiv(FTopLeft.Y - FFixedRows, ThumbMax, Max.Y - FFixedRows));
}

void TCustomGridKv::ModifyScrollBar(Integer ScrollBar, Integer ScrollCode, Integer Pos,
                                    bool UseRightToLeft) {
  if (GetVisible() && CanFocus() && GetTabStop() && !Designing()) SetFocus();
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const bool Horz = ScrollBar == SB_HORZ;
  const auto& Axis = Horz ? DrawInfo.Horz : DrawInfo.Vert;
  // Right to left the horizontal bar runs from the grid's end to its start.
  const bool Mirror = Horz && UseRightToLeft && RightToLeft();
  const Integer RTL = Mirror ? -1 : 1;
  // [Phase 1] A single column scrolls by pixels.
  if (Horz && FColCount == 1) {
    const Integer FreeWidth = GetClientWidth() - Axis.FixedBoundary;
    // The column may be narrower than the free width: nothing to scroll then.
    const Integer MaxOffset = std::max(0, GetColWidths(0) - FreeWidth);
    Integer Offset = FColOffset;
    switch (ScrollCode) {
      case SB_LINEUP:
        Offset -= FCanvas->TextWidth("0") * RTL;
        break;
      case SB_LINEDOWN:
        Offset += FCanvas->TextWidth("0") * RTL;
        break;
      case SB_PAGEUP:
        Offset -= FreeWidth * RTL;
        break;
      case SB_PAGEDOWN:
        Offset += FreeWidth * RTL;
        break;
      case SB_THUMBPOSITION:
        Offset = Mirror ? MaxOffset - Pos : Pos;
        break;
      case SB_THUMBTRACK:
        if (FOptions.Contains(goThumbTracking)) Offset = Mirror ? MaxOffset - Pos : Pos;
        break;
      case SB_TOP:
        Offset = 0;
        break;
      case SB_BOTTOM:
        Offset = MaxOffset;
        break;
      default:
        break;
    }
    Offset = std::clamp(Offset, 0, MaxOffset);
    if (Offset != FColOffset) {
      const Integer Delta = FColOffset - Offset;
      FColOffset = Offset;
      ScrollData(Delta, 0);
      TRect Fixed{0, 0, GetClientWidth(), DrawInfo.Vert.FixedBoundary};
      ::kvp::InvalidateRect(GetHandle(), &Fixed, false);
      Update();
      UpdateScrollPos();
    }
    return;
  }
  // [Phase 2] Cells.
  const Integer Min = Horz ? FFixedCols : FFixedRows;
  const TGridCoord MaxCoord = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  const Integer Max = std::max(Min, Horz ? MaxCoord.X : MaxCoord.Y);
  const Integer Current = Horz ? FTopLeft.X : FTopLeft.Y;
  Integer Result = Current;
  auto Thumb = [&] {
    return Mirror ? Max - MulDiv(Pos, Max - Min, ThumbMax) : Min + MulDiv(Pos, Max - Min, ThumbMax);
  };
  auto Step = [&](Integer Value) {
    switch (ScrollCode) {
      case SB_LINEUP:
        return Value - RTL;
      case SB_LINEDOWN:
        return Value + RTL;
      case SB_PAGEUP: {
        TGridCoord C = Horz ? TGridCoord{Value, 0} : TGridCoord{0, Value};
        const TGridCoord M = CalcMaxTopLeft(C, DrawInfo);
        return Value - std::max(1, Value - (Horz ? M.X : M.Y)) * RTL;
      }
      case SB_PAGEDOWN:
        return Value + std::max(1, Axis.LastFullVisibleCell - Value) * RTL;
      case SB_THUMBPOSITION:
        return Thumb();
      case SB_THUMBTRACK:
        return FOptions.Contains(goThumbTracking) ? Thumb() : Value;
      case SB_BOTTOM:
        return Max;
      case SB_TOP:
        return Min;
      default:
        return Value;
    }
  };
  // Steps over hidden cells until one with a positive extent is reached.
  for (;;) {
    const Integer Next = Step(Result);
    if (Next == Result) break;
    Result = Next;
    if (Result <= Min || Result >= Max || Axis.GetExtent(Result) > 0) break;
    if (ScrollCode != SB_LINEUP && ScrollCode != SB_LINEDOWN) break;
  }
  Result = ShownTopLeftCell(Axis, std::clamp(Result, Min, Max), Min, Max, Current);
  if (Horz)
    MoveTopLeft(Result, FTopLeft.Y);
  else
    MoveTopLeft(FTopLeft.X, Result);
}

// A hidden cell (extent 0 or less) shows nothing of itself at the top left
// or as the current cell: the first cell in Min..Max that shows is taken
// instead, looking on in the direction of the move from From, then back.
Integer TCustomGridKv::ShownTopLeftCell(const TGridAxisDrawInfo& Axis, Integer Value, Integer Min,
                                        Integer Max, Integer From) {
  if (Value < Min || Value > Max || Axis.GetExtent(Value) > 0) return Value;
  const Integer Step = Value >= From ? 1 : -1;
  for (Integer I = Value + Step; I >= Min && I <= Max; I += Step)
    if (Axis.GetExtent(I) > 0) return I;
  for (Integer I = Value - Step; I >= Min && I <= Max; I -= Step)
    if (Axis.GetExtent(I) > 0) return I;
  return Value;
}

// [SECTION] Messages

void TCustomGridKv::WMHScroll(TWMScroll& Message) {
  ModifyScrollBar(SB_HORZ, Message.ScrollCode(), Message.Pos(), true);
}

void TCustomGridKv::WMVScroll(TWMScroll& Message) {
  ModifyScrollBar(SB_VERT, Message.ScrollCode(), Message.Pos(), true);
}

// The top-left cell never lies past the last one that still fills the grid:
// a bigger window brings the first cells back on every axis, whether or not
// it has a scroll bar (UpdateScrollRange sees only the axes with one).
void TCustomGridKv::ClampTopLeftToMax() {
  if (!HandleAllocated()) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord Max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, DrawInfo);
  const TGridCoord NewTopLeft{std::min(FTopLeft.X, std::max(Max.X, FFixedCols)),
                              std::min(FTopLeft.Y, std::max(Max.Y, FFixedRows))};
  if (NewTopLeft == FTopLeft) return;
  const TGridCoord OldTopLeft = FTopLeft;
  Update();
  FTopLeft = NewTopLeft;
  TopLeftMoved(OldTopLeft);
}

void TCustomGridKv::WMSize(TWMSize& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  UpdateScrollRange();
  ClampTopLeftToMax();
  if (RightToLeft() || FContraColCount > 0 || FContraRowCount > 0) Invalidate();
}

void TCustomGridKv::CMCtl3DChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  RecreateWnd();
}

void TCustomGridKv::CMShowingChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  if (GetShowing()) UpdateScrollRange();
}

}  // namespace korvel
