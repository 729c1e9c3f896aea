// The grid under the mouse: selecting cells, sizing columns and rows by their
// boundaries (frozen and contra cells included), dragging columns and rows to
// another place, scrolling on timer 1 while the mouse selects beyond the
// edge, and the wheel.
//
// The input runs as a state machine on FGridState: a left press sets it, the
// move and release handlers switch on it, and CancelMode resets it. The XOR
// sizing and move lines are drawn only by DrawSizingLine and DrawMoveLine.
//
// Index:
//   [SECTION] Hit testing for sizing   CalcSizingState, CalcAxisState, ResizeLine, Sizing
//   [SECTION] Button and moves         MouseDown, MouseMove, MouseUp, MoveAndScroll
//   [SECTION] Feedback lines           DrawSizingLine, DrawMoveLine
//   [SECTION] Timer and wheel          WMTimer, TimedScroll, DoMouseWheelDown/Up
//   [SECTION] Messages                 WM_SETCURSOR, WM_NCHITTEST, WM_LBUTTONDOWN, cancel mode
#include <algorithm>

#include "base/GridsKv.h"
#include "platform/controls/Forms.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr UINT_PTR ScrollTimer = 1;
constexpr UINT ScrollTimerInterval = 60;  // ms
constexpr Integer MinCellExtent = 2;      // a sizing drag ending below this changes nothing

// Holds the canvas pen for an XOR line and gives the old pen back.
class TPenGuard {
 public:
  explicit TPenGuard(TCanvas* Canvas) : FCanvas(Canvas), FSaved(TPen::Create()) {
    FSaved->Assign(FCanvas->GetPen());
  }
  ~TPenGuard() { FCanvas->GetPen()->Assign(FSaved.get()); }
  TPenGuard(const TPenGuard&) = delete;
  TPenGuard& operator=(const TPenGuard&) = delete;

 private:
  TCanvas* FCanvas;
  TObjectPtr<TPen> FSaved;
};

}  // namespace

// [SECTION] Hit testing for sizing

void TCustomGridKv::CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index,
                                    Integer& SizingPos, Integer& SizingOfs,
                                    const TGridDrawInfo& DrawInfo) {
  State = gsNormal;
  Index = -1;
  TGridOptions Effective = FOptions;
  if (Designing()) Effective += FDesignOptions;
  if (!Effective.Contains(goRowSizing) && !Effective.Contains(goColSizing)) return;
  // Right to left the columns are measured from the right edge: the answers
  // (SizingPos, SizingOfs) are in that mirrored frame too.
  if (RightToLeft()) X = DrawInfo.Horz.ClientExtent - X;
  // Columns are sized in the title rows, from where the frozen columns start
  // (they size like data columns); rows are sized in the fixed columns below
  // the titles, frozen ones included. The two areas never overlap, so
  // neither test can claim the other's boundaries.
  if (Y < DrawInfo.Vert.FixedBoundary) {
    if (X > DrawInfo.Horz.FrozenBoundary && Effective.Contains(goColSizing))
      CalcAxisState(DrawInfo.Horz, X, gsColSizing, State, Index, SizingPos, SizingOfs);
  } else if (Y > DrawInfo.Vert.FixedBoundary && Effective.Contains(goRowSizing) &&
             X < DrawInfo.Horz.FixedBoundary) {
    CalcAxisState(DrawInfo.Vert, Y, gsRowSizing, State, Index, SizingPos, SizingOfs);
  }
}

void TCustomGridKv::CalcAxisState(const TGridAxisDrawInfo& Axis, Integer Pos, TGridState NewState,
                                  TGridState& State, Integer& Index, Integer& SizingPos,
                                  Integer& SizingOfs) {
  const Integer ELW = Axis.EffectiveLineWidth;
  Integer Range = ELW, Back = 0;
  if (Range < 7) {
    Range = 7;
    Back = (7 - ELW) / 2;
  }
  auto Hit = [&](Integer Line) { return Line - Back <= Pos && Pos <= Line - Back + Range; };
  auto Take = [&](Integer Line, Integer Cell) {
    State = NewState;
    SizingPos = Line;
    SizingOfs = Line - Pos;
    Index = Cell;
  };
  // [Phase 1] Frozen cells, then scrolling cells.
  Integer Line = Axis.FrozenBoundary;
  for (Integer I = Axis.FixedCellCount - Axis.FrozenCellCount; I < Axis.FixedCellCount; ++I) {
    if (Axis.Span(I) == 0) continue;  // takes no room: no boundary of its own
    Line += Axis.GetExtent(I);
    if (Line > Axis.GridBoundary) break;
    if (Hit(Line)) return Take(Line, I);
    Line += ELW;
  }
  Line = Axis.FixedBoundary;
  for (Integer I = Axis.FirstGridCell; I < Axis.GridCellCount; ++I) {
    if (Axis.Span(I) == 0) continue;
    Line += Axis.GetExtent(I);
    if (Line > Axis.GridBoundary) break;
    if (Hit(Line)) return Take(Line, I);
    Line += ELW;
  }
  // [Phase 2] The right end of a grid that fills its extent.
  if (Axis.GridBoundary == Axis.GridExtent && Axis.GridExtent - Back <= Pos &&
      Pos <= Axis.GridExtent) {
    const Integer Cell = Axis.FullVisBoundary == Axis.FixedBoundary ? Axis.LastFullVisibleCell
                                                                    : Axis.LastFullVisibleCell + 1;
    return Take(Axis.GridExtent, std::min(Cell, Axis.GridCellCount - 1));
  }
  if (Axis.ContraCellCount == 0) return;
  // [Phase 3] The start of the contra area, then between contra cells: a
  // boundary sizes the contra cell after it.
  if (Axis.ContraBoundary <= Pos && Pos <= Axis.GridExtent + Back)
    return Take(Axis.GridExtent, Axis.GridCellCount);
  Line = Axis.ContraBoundary + ELW;
  for (Integer I = Axis.GridCellCount; I <= Axis.GridCellCount + Axis.ContraCellCount - 2; ++I) {
    if (Axis.Span(I) == 0) continue;
    Line += Axis.GetExtent(I);
    if (Line > Axis.FullGridBoundary) break;
    if (Hit(Line)) return Take(Line, I + 1);
    Line += ELW;
  }
}

Integer TCustomGridKv::ResizeLine(const TGridAxisDrawInfo& Axis) {
  const Integer ELW = Axis.EffectiveLineWidth;
  if (FSizingIndex >= Axis.GridCellCount) {
    // A contra cell keeps its far edge.
    Integer Start = Axis.ContraBoundary - ELW;
    for (Integer I = Axis.GridCellCount; I <= FSizingIndex; ++I) Start += Axis.Span(I);
    return Start - FSizingPos;
  }
  Integer Start = Axis.FixedBoundary, First = Axis.FirstGridCell;
  if (FSizingIndex < Axis.FixedCellCount) {
    Start = Axis.FrozenBoundary;
    First = Axis.FixedCellCount - Axis.FrozenCellCount;
  }
  for (Integer I = First; I < FSizingIndex; ++I) Start += Axis.Span(I);
  return FSizingPos - Start;
}

bool TCustomGridKv::Sizing(Integer X, Integer Y) {
  if (FGridState == gsRowSizing || FGridState == gsColSizing) return true;
  if (FGridState != gsNormal) return false;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridState State = gsNormal;
  Integer Index = 0, Pos = 0, Ofs = 0;
  CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
  return State != gsNormal;
}

// [SECTION] Button and moves

void TCustomGridKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // [Phase 1] Focus.
  HideEdit();
  if (!Designing() && (CanFocus() || GetParentForm(this) == nullptr)) {
    SetFocus();
    if (!IsActiveControl()) {
      SetMouseCapture(false);
      return;
    }
  }
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    DblClick();
    return;
  }
  if (Button == mbLeft) {
    // [Phase 2] A sizing boundary.
    TGridDrawInfo DrawInfo;
    CalcDrawInfo(DrawInfo);
    TGridState State = gsNormal;
    Integer Index = 0, Pos = 0, Ofs = 0;
    CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
    if (State != gsNormal) {
      FGridState = State;
      FSizingIndex = Index;
      FSizingPos = Pos;
      FSizingOfs = Ofs;
      // While the mouse drags, a column's line lives in client coordinates;
      // MouseUp mirrors it back before measuring.
      if (State == gsColSizing && RightToLeft()) {
        FSizingPos = DrawInfo.Horz.ClientExtent - Pos;
        FSizingOfs = -Ofs;
      }
      DrawSizingLine(DrawInfo);
      return;
    }
    // [Phase 3] A navigable cell selects; a fixed cell may start a move.
    const TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
    const TPoint Pt{X, Y};
    if (Cell.X >= FFixedCols - FFrozenColCount && Cell.Y >= FFixedRows && Cell.X < FColCount &&
        Cell.Y < FRowCount) {
      if (FOptions.Contains(goEditing)) {
        if (Cell == FCurrent) {
          ShowEditor();
        } else {
          MoveCurrent(Cell.X, Cell.Y, true, true);
          UpdateEdit();
        }
        Click();
      } else {
        FGridState = gsSelecting;
        StartTimer();
        if (Shift.Contains(ssShift))
          MoveAnchor(Cell);
        else
          MoveCurrent(Cell.X, Cell.Y, true, true);
      }
    } else if (FOptions.Contains(goRowMoving) && Cell.X >= 0 && Cell.X < FFixedCols &&
               Cell.Y >= FFixedRows && Cell.Y < FRowCount) {
      FMoveIndex = FMovePos = Cell.Y;
      if (BeginRowDrag(FMoveIndex, FMovePos, Pt)) {
        FGridState = gsRowMoving;
        Update();
        DrawMoveLine();
        StartTimer();
      }
    } else if (FOptions.Contains(goColMoving) && Cell.Y >= 0 && Cell.Y < FFixedRows &&
               Cell.X >= FFixedCols && Cell.X < FColCount) {
      FMoveIndex = FMovePos = Cell.X;
      if (BeginColumnDrag(FMoveIndex, FMovePos, Pt)) {
        FGridState = gsColMoving;
        Update();
        DrawMoveLine();
        StartTimer();
      }
    }
  }
  // [Phase 4] The application's handler; a failure there leaves no line behind.
  try {
    inherited::MouseDown(Button, Shift, X, Y);
  } catch (...) {
    CancelMode();
    throw;
  }
}

void TCustomGridKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  switch (FGridState) {
    case gsSelecting:
    case gsRowMoving:
    case gsColMoving: {
      const TGridCoord Cell = CalcCoordFromPoint(X, Y, DrawInfo);
      const bool Inside =
          Cell.X >= FFixedCols - FFrozenColCount &&
          Cell.X <= std::min(DrawInfo.Horz.LastFullVisibleCell + 1, FColCount - 1) &&
          Cell.Y >= FFixedRows &&
          Cell.Y <= std::min(DrawInfo.Vert.LastFullVisibleCell + 1, FRowCount - 1);
      if (!Inside) break;
      if (FGridState == gsSelecting) {
        if (!(Cell == FAnchor)) MoveAnchor(Cell);
      } else if (FGridState == gsRowMoving) {
        MoveAndScroll(Y, Cell.Y, DrawInfo, false, {X, Y});
      } else {
        MoveAndScroll(X, Cell.X, DrawInfo, true, {X, Y});
      }
      break;
    }
    case gsRowSizing:
    case gsColSizing:
      DrawSizingLine(DrawInfo);  // erase
      FSizingPos = (FGridState == gsRowSizing ? Y : X) + FSizingOfs;
      DrawSizingLine(DrawInfo);
      break;
    case gsNormal:
      break;
  }
  inherited::MouseMove(Shift, X, Y);
}

void TCustomGridKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  struct TResetState {
    TGridState& State;
    ~TResetState() { State = gsNormal; }
  } Reset{FGridState};
  const TPoint Pt{X, Y};
  switch (FGridState) {
    case gsSelecting:
      MouseMove(Shift, X, Y);
      StopTimer();
      UpdateEdit();
      Click();
      break;
    case gsRowSizing:
    case gsColSizing: {
      TGridDrawInfo DrawInfo;
      CalcDrawInfo(DrawInfo);
      DrawSizingLine(DrawInfo);  // erase
      const bool Rows = FGridState == gsRowSizing;
      if (!Rows && RightToLeft()) FSizingPos = DrawInfo.Horz.ClientExtent - FSizingPos;
      const Integer NewSize = ResizeLine(Rows ? DrawInfo.Vert : DrawInfo.Horz);
      if (NewSize >= MinCellExtent) {
        if (Rows)
          SetRowHeights(FSizingIndex, NewSize);
        else
          SetColWidths(FSizingIndex, NewSize);
        UpdateDesigner();
      }
      break;
    }
    case gsRowMoving:
    case gsColMoving: {
      DrawMoveLine();  // erase
      StopTimer();
      const bool Rows = FGridState == gsRowMoving;
      const bool Agreed =
          Rows ? EndRowDrag(FMoveIndex, FMovePos, Pt) : EndColumnDrag(FMoveIndex, FMovePos, Pt);
      if (Agreed && FMoveIndex != FMovePos) {
        if (Rows)
          MoveRow(FMoveIndex, FMovePos);
        else
          MoveColumn(FMoveIndex, FMovePos);
        UpdateDesigner();
      }
      UpdateEdit();
      break;
    }
    case gsNormal:
      UpdateEdit();
      break;
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

void TCustomGridKv::MoveAndScroll(Integer Mouse, Integer CellHit, TGridDrawInfo& DrawInfo,
                                  bool Horizontal, TPoint MousePt) {
  const TGridAxisDrawInfo* Axis = Horizontal ? &DrawInfo.Horz : &DrawInfo.Vert;
  if (Horizontal && RightToLeft()) Mouse = DrawInfo.Horz.ClientExtent - Mouse;
  if (CellHit == FMovePos || (FMovePos == Axis->FixedCellCount && Mouse < Axis->FixedBoundary) ||
      (FMovePos == Axis->GridCellCount - 1 && Mouse > Axis->GridBoundary))
    return;
  DrawMoveLine();  // erase
  const Integer Bar = Horizontal ? SB_HORZ : SB_VERT;
  if (Mouse < Axis->FixedBoundary) {
    if (FMovePos > Axis->FixedCellCount) {
      ModifyScrollBar(Bar, SB_LINEUP, 0, false);
      CalcDrawInfo(DrawInfo);
    }
    CellHit = Axis->FirstGridCell;
  } else if (Mouse >= Axis->FullVisBoundary) {
    if (FMovePos == Axis->LastFullVisibleCell) {
      ModifyScrollBar(Bar, SB_LINEDOWN, 0, false);
      CalcDrawInfo(DrawInfo);
    }
    CellHit = Axis->LastFullVisibleCell;
  } else if (CellHit < 0) {
    CellHit = FMovePos;
  }
  const bool Agreed = Horizontal ? CheckColumnDrag(FMoveIndex, CellHit, MousePt)
                                 : CheckRowDrag(FMoveIndex, CellHit, MousePt);
  if (Agreed) FMovePos = CellHit;
  DrawMoveLine();
}

// [SECTION] Feedback lines

// Draws or, drawn a second time, erases the dotted XOR line at FSizingPos.
void TCustomGridKv::DrawSizingLine(const TGridDrawInfo& DrawInfo) {
  TPenGuard Guard(FCanvas.get());
  TPen* Pen = FCanvas->GetPen();
  Pen->SetStyle(psDot);
  Pen->SetMode(pmXor);
  Pen->SetWidth(1);
  Pen->SetColor(clWhite);
  if (FGridState == gsRowSizing && RightToLeft()) {
    FCanvas->MoveTo(DrawInfo.Horz.ClientExtent, FSizingPos);
    FCanvas->LineTo(DrawInfo.Horz.ClientExtent - DrawInfo.Horz.FullGridBoundary, FSizingPos);
  } else if (FGridState == gsRowSizing) {
    FCanvas->MoveTo(0, FSizingPos);
    FCanvas->LineTo(DrawInfo.Horz.FullGridBoundary, FSizingPos);
  } else {
    FCanvas->MoveTo(FSizingPos, 0);
    FCanvas->LineTo(FSizingPos, DrawInfo.Vert.FullGridBoundary);
  }
  FSizingLineShown = !FSizingLineShown;
}

// Draws or erases the wide XOR line where a moved column or row would land.
void TCustomGridKv::DrawMoveLine() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const bool Rows = FGridState == gsRowMoving;
  const TGridAxisDrawInfo& Axis = Rows ? DrawInfo.Vert : DrawInfo.Horz;
  Integer Pos = LinePos(Axis, FMovePos);
  if (FMovePos > FMoveIndex) Pos += Axis.GetExtent(FMovePos);
  if (!Rows && RightToLeft()) Pos = Axis.ClientExtent - Pos;
  TPenGuard Guard(FCanvas.get());
  TPen* Pen = FCanvas->GetPen();
  Pen->SetStyle(psDot);
  Pen->SetMode(pmXor);
  Pen->SetWidth(5);
  Pen->SetColor(clWhite);
  if (Rows) {
    FCanvas->MoveTo(0, Pos);
    FCanvas->LineTo(GetClientWidth(), Pos);
  } else {
    FCanvas->MoveTo(Pos, 0);
    FCanvas->LineTo(Pos, GetClientHeight());
  }
  FMoveLineShown = !FMoveLineShown;
}

// [SECTION] Timer and wheel

void TCustomGridKv::StartTimer() {
  if (HandleAllocated()) SetTimer(GetHandle(), ScrollTimer, ScrollTimerInterval, nullptr);
}

void TCustomGridKv::StopTimer() {
  if (HandleAllocated()) KillTimer(GetHandle(), ScrollTimer);
}

void TCustomGridKv::WMTimer(TWMTimer& Message) {
  if (Message.TimerID != ScrollTimer) return;
  if (FGridState != gsSelecting && FGridState != gsRowMoving && FGridState != gsColMoving) return;
  TPoint P;
  GetCursorPos(&P);
  P = ScreenToClient(P);
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridCoord Cell = CalcCoordFromPoint(P.X, P.Y, DrawInfo);
  if (FGridState == gsRowMoving) return MoveAndScroll(P.Y, Cell.Y, DrawInfo, false, P);
  if (FGridState == gsColMoving) return MoveAndScroll(P.X, Cell.X, DrawInfo, true, P);
  TGridScrollDirections Direction;
  const Integer W = DrawInfo.Horz.ClientExtent;
  if (RightToLeft()) {
    // The fixed columns are on the right: past the left edge lie the next
    // columns.
    if (P.X < W - DrawInfo.Horz.FullVisBoundary)
      Direction += sdRight;
    else if (P.X > W - DrawInfo.Horz.FixedBoundary)
      Direction += sdLeft;
  } else if (P.X < DrawInfo.Horz.FixedBoundary) {
    Direction += sdLeft;
  } else if (P.X > DrawInfo.Horz.FullVisBoundary) {
    Direction += sdRight;
  }
  if (P.Y < DrawInfo.Vert.FixedBoundary)
    Direction += sdUp;
  else if (P.Y > DrawInfo.Vert.FullVisBoundary)
    Direction += sdDown;
  if (!Direction.Empty()) TimedScroll(Direction);
}

void TCustomGridKv::TimedScroll(TGridScrollDirections Direction) {
  TGridCoord NewAnchor = FAnchor;
  if (Direction.Contains(sdLeft) && FAnchor.X > FFixedCols) --NewAnchor.X;
  if (Direction.Contains(sdRight) && FAnchor.X < FColCount - 1) ++NewAnchor.X;
  if (Direction.Contains(sdUp) && FAnchor.Y > FFixedRows) --NewAnchor.Y;
  if (Direction.Contains(sdDown) && FAnchor.Y < FRowCount - 1) ++NewAnchor.Y;
  if (!(NewAnchor == FAnchor)) MoveAnchor(NewAnchor);
}

bool TCustomGridKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelDown(Shift, MousePos) && FCurrent.Y < FRowCount - 1)
    SetRow(FCurrent.Y + 1);
  return true;
}

bool TCustomGridKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelUp(Shift, MousePos) && FCurrent.Y > FFixedRows)
    SetRow(FCurrent.Y - 1);
  return true;
}

// [SECTION] Messages

void TCustomGridKv::WMSetCursor(TWMSetCursor& Message) {
  if (Message.HitTest() == HTCLIENT) {
    TGridState State = FGridState;
    if (State == gsNormal) {
      TGridDrawInfo DrawInfo;
      CalcDrawInfo(DrawInfo);
      Integer Index = 0, Pos = 0, Ofs = 0;
      CalcSizingState(FHitTest.X, FHitTest.Y, State, Index, Pos, Ofs, DrawInfo);
    }
    if (State == gsRowSizing || State == gsColSizing) {
      ::kvp::SetCursor(Screen()->GetCursors(State == gsRowSizing ? crVSplit : crHSplit));
      Message.Result = 1;
      return;
    }
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomGridKv::WMNCHitTest(TWMNCHitTest& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  FHitTest = ScreenToClient({Message.XPos(), Message.YPos()});
}

void TCustomGridKv::WMLButtonDown(TWMMouse& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (FInplaceEdit) FInplaceEdit->SetClickTime(UInt64(GetMessageTime()));
}

void TCustomGridKv::CancelMode() {
  switch (FGridState) {
    case gsSelecting:
      StopTimer();
      break;
    case gsRowSizing:
    case gsColSizing:
      if (FSizingLineShown) {
        TGridDrawInfo DrawInfo;
        CalcDrawInfo(DrawInfo);
        DrawSizingLine(DrawInfo);
      }
      break;
    case gsRowMoving:
    case gsColMoving:
      if (FMoveLineShown) DrawMoveLine();
      StopTimer();
      break;
    case gsNormal:
      break;
  }
  FGridState = gsNormal;
}

void TCustomGridKv::WMCancelMode(TMessage& Message) {
  inherited::Dispatch(Message);
  CancelMode();
}

void TCustomGridKv::CMCancelMode(TMessage& Message) {
  if (FInplaceEdit) FInplaceEdit->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
  inherited::Dispatch(Message);
  CancelMode();
}

void TCustomGridKv::CMDesignHitTest(TMessage& Message) {
  const Integer X = SmallInt(LOWORD(std::uintptr_t(Message.LParam)));
  const Integer Y = SmallInt(HIWORD(std::uintptr_t(Message.LParam)));
  Message.Result = Sizing(X, Y) ? 1 : 0;
}

}  // namespace korvel
