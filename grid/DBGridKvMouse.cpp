// The data-aware grid under the mouse: title cells that act as buttons and
// cycle sort markers, the titles' lower strip that selects whole columns,
// the indicator that selects records, drags over data cells that select a
// rectangle or records while timer 1 scrolls, check-box cells toggled at
// the release, a click on a cell's edit buttons that opens the editor and
// presses the button, and column borders sized live or handed to the base
// grid, which also moves columns.
//
// The press decides and sets FMouseState (0 none, 1 records, 2 columns,
// 3 rectangle, 7 records dragged) or hands the press to the base grid
// (GridState); the move and the release switch on them; StopTracking and
// WM_CANCELMODE reset them.
//
// Index:
//   [SECTION] Geometry      GetDataBoxRect, CalcMouseState, title and button areas
//   [SECTION] Press         MouseDown and its steps
//   [SECTION] Move          MouseMove, live column sizing
//   [SECTION] Release       MouseUp
//   [SECTION] Timer         StartTimer, StopTimer, AutoScrollTimer, TimedScroll
//   [SECTION] Messages      WM_SETCURSOR, TitleCellClick (WM_TIMER, WM_CANCELMODE and
//                           WndProc are DBGridKvMessages.cpp)
#include <algorithm>
#include <cstdlib>

#include "grid/DBGridKvImpl.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/FlagScope.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::TGridUpdateGuard;

namespace {

constexpr UINT_PTR AutoScrollTimerId = 1;
constexpr Integer TitleDragThreshold = 3;  // pixels sideways that turn a title press into a move
constexpr Integer ColumnSelectStrip = 7;   // pixels at the bottom of a title that select its column
constexpr Integer ColumnSelectInterval = 60;  // ms of the first tick while columns are selected
constexpr Integer MouseStateBorder = 6;       // CalcMouseState: on a frozen column's border

bool Inside(const TRect& R, Integer X, Integer Y) {
  return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom;
}

bool CheckKind(TColumnKv* Column) {
  const TColumnKvType Kind = Column->GetColumnType();
  return Kind == ctCheckboxesKv || Kind == ctKeyImageListKv;
}

}  // namespace

// [SECTION] Geometry

TRect TCustomDBGridKv::GetDataBoxRect() {
  return BoxRect(FIndicatorOffset, FTitleOffset, GetColCount() - 1, GetRowCount() - 1);
}

void TCustomDBGridKv::CalcMouseState(Integer X, Integer Y, Integer& State, Integer& Index,
                                     Integer& SizingPos, Integer& SizingOfs) {
  State = 0;
  Index = -1;
  TGridOptions Effective = TCustomGridKv::GetOptions();
  if (Designing()) Effective += GetDesignOptions();
  if (!Effective.Contains(goColSizing)) return;
  const Integer ClientWidth = GetClientWidth();
  const Integer LineWidth = GetGridLineWidth();
  if (UseRightToLeftAlignment()) X = ClientWidth - X;
  // [Phase 1] Only the title and filter rows.
  Integer TitleBottom = 0;
  for (Integer Row = 0; Row < FTitleOffset && Row < GetRowCount(); ++Row)
    TitleBottom += GetRowHeights(Row) + LineWidth;
  if (Y >= TitleBottom) return;
  // [Phase 2] The borders of the frozen data columns.
  const Integer Lead = LineWidth < 7 ? (7 - LineWidth) / 2 : 0;
  const Integer Zone = std::max(LineWidth, 7);
  auto InZone = [&](Integer Border) { return X >= Border - Lead && X < Border - Lead + Zone; };
  const Integer GridWidth = GetGridWidth();
  Integer Edge = FIndicatorOffset > 0 ? GetColWidths(0) + LineWidth : 0;
  for (Integer Col = FIndicatorOffset; Col < GetFixedCols(); ++Col) {
    const Integer E = Edge + GetColWidths(Col);
    if (E > GridWidth) {
      Index = Col;
      break;
    }
    if (InZone(E)) {
      State = MouseStateBorder;
      SizingPos = E;
      SizingOfs = E - X;
      Index = Col;
      return;
    }
    Edge = E + LineWidth;
  }
  // [Phase 3] A grid filled by its frozen columns: the client's right edge.
  if (Edge > GridWidth && ClientWidth == GridWidth && X >= ClientWidth - Lead && X <= ClientWidth) {
    State = MouseStateBorder;
    SizingPos = ClientWidth;
    SizingOfs = ClientWidth - X;
  }
}

// [SECTION] Press

void TCustomDBGridKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // [Phase 1] The press is remembered; the focus comes first.
  if (Button == mbRight) SetMouseCapture(true);
  FHotTrackCol = -1;
  FMouseDownPoint = {X, Y};
  FPressedCheckBoxCell = {-1, -1};
  if (!AcquireFocus()) return;
  if (GetFilterEditorActive() && PtInRect(GetDataBoxRect(), Point(X, Y))) HideFilterEditor();
  // [Phase 2] A double click: a border fits widths, a check box steps.
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    DoubleClickDown(Shift, X, Y);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  // [Phase 3] Borders: sized live or by the base grid.
  if (Sizing(X, Y)) {
    SizingDown(Button, Shift, X, Y);
    return;
  }
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool TitleArea = Cell.Y >= 0 && Cell.Y < FTitleOffset;
  const Integer DataCol = RawToDataColumn(Cell.X);
  const bool DataColumn = Cell.X >= FIndicatorOffset && DataCol < FColumns->GetCount();
  // [Phase 4] The titles' lower strip: whole columns.
  if (GridDownCursor && ::kvp::GetCursor() == GridDownCursor && DataColumn) {
    ColumnSelectDown(Shift, Cell);
    return;
  }
  // [Phase 5] A title button tracks the press until the release.
  if (TitleArea && DataColumn && !Designing() && TitleClickCounts(Cell, Y)) {
    if (FOptions.Contains(dgColumnResizeKv) && Button == mbRight) {
      Button = mbLeft;
      FRightTitleClick = true;
    }
    if (Button == mbLeft) {
      bool TitleButton = FColumns->GetColumn(DataCol)->GetTitle()->GetTitleButton();
      CheckTitleButton(DataCol, TitleButton);
      if (TitleButton && GetMouseCapture()) {
        FTitleTracking.Tracking = true;
        FTitleTracking.Col = Cell.X;
        UpdateTitleTracking(X, Y);
        return;
      }
    }
  }
  // [Phase 6] Titles hand the press to the base grid to move columns; the
  // indicator's title selects everything or nothing.
  if ((Designing() || FOptions.Contains(dgColumnResizeKv)) && TitleArea) {
    if (Cell.X == 0 && FIndicatorOffset > 0 && FOptions.Contains(dgMultiSelectKv) &&
        FDataLink->GetActive() && CanSelectAll()) {
      if (SelectionExists())
        FSelection->Clear();
      else
        FSelection->SelectAll();
      ReloadEditor();
    }
    FDataLink->UpdateRecord();
    GetCanvas()->GetPen()->SetColor(clSilver);
    inherited::MouseDown(Button, Shift, X, Y);
    return;
  }
  // [Phase 7] Data rows: the record and column clicked, then what the press
  // selects and opens.
  if (FDataLink->GetActive() && Cell.Y >= FTitleOffset && Cell.X >= 0 &&
      Cell.Y < FTitleOffset + GetRecordCount() && Cell.Y < GetRowCount()) {
    if (!DataRowDown(Button, Shift, X, Y, Cell)) return;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

// Only the lowest part of a multi-level title belongs to its column alone.
bool TCustomDBGridKv::TitleClickCounts(const TGridCoord& Cell, Integer Y) {
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (!FUseMultiTitle || !TitlesVisible() || Cell.Y != 0 || DataCol < 0 ||
      DataCol >= GetLeafCount())
    return true;
  const TRect R = CellRect(Cell.X, 0);
  const Integer Leaf = GetLeaf(DataCol)->FLeaf ? GetLeaf(DataCol)->FLeaf->Height : 0;
  return Y >= R.Bottom - Leaf + 1;
}

void TCustomDBGridKv::DoubleClickDown(TShiftState Shift, Integer X, Integer Y) {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  TGridState State = gsNormal;
  Integer Index = -1, Pos = 0, Ofs = 0;
  CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
  bool Border = State == gsColSizing;
  if (!Border) {
    Integer MouseState = 0;
    CalcMouseState(X, Y, MouseState, Index, Pos, Ofs);
    Border = MouseState == MouseStateBorder;
  }
  if (Border && FOptionsKv.Contains(dgDblClickFitColWidthKv)) {
    const Integer DataCol = RawToDataColumn(Index);
    if (DataCol >= 0 && DataCol < FColumns->GetCount())
      OptimizeSelectedColsWidth(FColumns->GetColumn(DataCol));
    return;
  }
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (FDataLink->GetActive() && Cell.X >= FIndicatorOffset && DataCol < FColumns->GetCount() &&
      Cell.Y >= FTitleOffset && Cell.Y < FTitleOffset + GetRecordCount()) {
    TColumnKv* Column = FColumns->GetColumn(DataCol);
    if (CheckKind(Column) && Column->GetDblClickNextVal())
      Column->SetNextFieldValue(Shift.Contains(ssShift) ? -1 : 1);
  }
  DblClick();
}

void TCustomDBGridKv::SizingDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FDataLink->UpdateRecord();
  if (FOptionsKv.Contains(dgLiveColSizingKv) && Button == mbLeft) {
    TGridDrawInfo DrawInfo;
    CalcDrawInfo(DrawInfo);
    TGridState State = gsNormal;
    Integer Index = -1, Pos = 0, Ofs = 0;
    CalcSizingState(X, Y, State, Index, Pos, Ofs, DrawInfo);
    if (State == gsColSizing) {
      // No sizing line: the column follows the mouse.
      FGridState = State;
      FSizingIndex = Index;
      FSizingPos = Pos;
      FSizingOfs = Ofs;
      if (UseRightToLeftAlignment()) {
        // Kept in client coordinates, as the move reads them.
        FSizingPos = GetClientWidth() - Pos;
        FSizingOfs = -Ofs;
      }
      return;
    }
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomDBGridKv::ColumnSelectDown(TShiftState Shift, const TGridCoord& Cell) {
  TColumnKv* Column = FColumns->GetColumn(RawToDataColumn(Cell.X));
  InvalidateCol(Cell.X);
  FMouseState = 2;
  StartTimer(ColumnSelectInterval);
  TDBGridKvSelectionCols* Cols = FSelection->GetColumns();
  if (Shift.Contains(ssShift)) {
    Cols->SelectShift(Column);
  } else if (Shift.Contains(ssCtrl)) {
    Cols->Add(Column);
  } else {
    Invalidate();
    Cols->Select(Column, false);
  }
}

// Answers whether the press goes on to OnMouseDown.
bool TCustomDBGridKv::DataRowDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y,
                                  const TGridCoord& Cell) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  const bool Indicator = Cell.X < FIndicatorOffset;
  const bool Multi = FOptions.Contains(dgMultiSelectKv);
  const bool RowSelect = FOptions.Contains(dgRowSelectKv);
  const bool Ctrl = Shift.Contains(ssCtrl);
  const bool ShiftDown = Shift.Contains(ssShift);
  const bool ClearOnEdit = FOptionsKv.Contains(dgClearSelectionOnEditKv);
  // [Phase 1] A record drag or a tree node takes the press.
  if (StartRowMoving(X, Y, false) || ToggleTreeNode(X, Y, false)) return false;
  // [Phase 2] The record and column clicked become current.
  const TGridCoord OldCell{GetCol(), GetRow()};
  const TBookmark OldBookmark = DataSet->GetBookmark();
  {
    TGridUpdateGuard Update(this);
    FDataLink->UpdateRecord();
    HideEditor();
    if (!(ShiftDown && Multi && (RowSelect || Indicator))) {
      TFlagScope Keep(FKeepAnchor);
      DataSet->MoveBy(Cell.Y - GetRow());
    }
    if (!Indicator) MoveCol(Cell.X, 0, false);
  }
  // [Phase 3] What the press selects, while the mouse is held.
  if (GetMouseCapture()) {
    const bool CellSelected =
        !Indicator && FSelection->DataCellSelected(RawToDataColumn(Cell.X), DataSet->GetBookmark());
    if (FAutoDragPress && Button == mbLeft && !ShiftDown && CellSelected) {
      // The release decides, or a move starts a drag.
      FSelectedCellPressed = true;
      return false;
    }
    if (Inside(GetDataBoxRect(), X, Y) && !(Multi && RowSelect)) {
      FTitleTracking.Tracking = true;
      FCellSelectTracking = true;
      if (!Ctrl && !ShiftDown && ClearOnEdit && (Button == mbLeft || !CellSelected))
        ClearSelection();
      if (Button == mbLeft && !Indicator && IsSelectionKindAllowed(gskRectangle) &&
          !DataSet->IsEmpty()) {
        TDBGridKvSelectionRect* Rect = FSelection->GetRect();
        if (ShiftDown) {
          if (FSelection->GetSelectionType() != gskRectangle)
            Rect->Select(RawToDataColumn(OldCell.X), OldBookmark, false);
          Rect->Select(GetSelectedIndex(), DataSet->GetBookmark(), true);
        } else {
          Rect->Select(GetSelectedIndex(), DataSet->GetBookmark(), false);
        }
        FMouseState = 3;
      }
    }
    if (IsSelectionKindAllowed(gskRows) &&
        (RowSelect || Indicator || !IsSelectionKindAllowed(gskRectangle)))
      RecordSelectDown(Button, Shift, Cell, OldCell, OldBookmark);
  }
  // [Phase 4] The editor, and a press on its buttons.
  if (Button != mbLeft) {
    ReloadEditor();
    return true;
  }
  if (CanEditorAlwaysShow() && (Cell == OldCell || FOptions.Contains(dgAlwaysShowEditorKv)))
    ShowEditor();
  if (!Indicator) EditButtonsDown(Cell, OldCell, X, Y);
  return true;
}

void TCustomDBGridKv::RecordSelectDown(TMouseButton Button, TShiftState Shift,
                                       const TGridCoord& Cell, const TGridCoord& OldCell,
                                       const TBookmark& OldBookmark) {
  const bool Ctrl = Shift.Contains(ssCtrl);
  const bool ClearOnEdit = FOptionsKv.Contains(dgClearSelectionOnEditKv);
  TDataSet* DataSet = FDataLink->GetDataSet();
  FSelectionAnchorSet = false;
  if (Shift.Contains(ssShift) && Cell.Y != OldCell.Y) {
    // Every record from the current one to the one clicked, both included.
    FSelectionAnchorBookmark = OldBookmark;
    FSelectionAnchorSelected = false;
    FSelectionAnchorSet = true;
    FBookmarks->SetCurrentRowSelected(true);
    FToggleSelection = true;
    MoveAndSelect(true, Cell.Y - GetRow(), false, true);
  } else if (Button == mbLeft && (Ctrl || !ClearOnEdit)) {
    FBookmarks->SetCurrentRowSelected(!FBookmarks->GetCurrentRowSelected());
  } else if (Button == mbLeft) {
    ClearSelection();
    FBookmarks->SetCurrentRowSelected(true);
  }
  FRowSelectTracking = true;
  FTitleTracking.Tracking = true;
  FSelectionAnchorBookmark = DataSet->GetBookmark();
  FSelectionAnchorSelected = !FBookmarks->GetCurrentRowSelected();
  FSelectionAnchorSet = true;
  FToggleSelection = Ctrl || !ClearOnEdit;
  FMouseState = 1;
}

// The cell's edit buttons take the column's button width at its right edge
// (left right to left); a press there opens the editor and presses the
// button under the mouse at once.
void TCustomDBGridKv::EditButtonsDown(const TGridCoord& Cell, const TGridCoord& OldCell, Integer X,
                                      Integer Y) {
  TColumnKv* Column = FColumns->GetColumn(RawToDataColumn(Cell.X));
  const TRect R = CellRect(Cell.X, Cell.Y);
  const Integer Width = Column->EditButtonsWidth();
  TRect Area = R;
  if (UseRightToLeftAlignment())
    Area.Right = R.Left + Width;
  else
    Area.Left = R.Right - Width;
  const bool InButtons = Width > 0 && Inside(Area, X, Y);
  if (FOptions.Contains(dgAlwaysShowEditorKv) || InButtons || Cell == OldCell) ShowEditor();
  TInplaceEdit* Editor = GetInplaceEditor();
  if (Editor && Editor->Visible() && InButtons) {
    StopTracking();
    TPoint Screen = ClientToScreen({X, Y});
    const HWND Target = WindowFromPoint(Screen);
    if (Target && Target != GetHandle()) {
      ::kvp::ScreenToClient(Target, &Screen);
      SendMessage(Target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Screen.X, Screen.Y));
    }
  }
  if (CheckKind(Column)) FPressedCheckBoxCell = Cell;
}

// [SECTION] Move

void TCustomDBGridKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  // [Phase 1] Where the mouse was and is.
  const TPoint Previous = FLastMovePoint;
  FLastMovePoint = {X, Y};
  // [Phase 2] A press on a selected cell in automatic drag mode drags.
  if (FSelectedCellPressed) {
    FSelectedCellPressed = false;
    BeginDrag(Mouse->GetDragImmediate(), Mouse->GetDragThreshold());
    return;
  }
  // [Phase 3] A title button follows the mouse; dragged sideways it moves
  // its column.
  if (FTitleTracking.Tracking && FTitleTracking.Col >= 0) {
    UpdateTitleTracking(X, Y);
    if (std::abs(FMouseDownPoint.X - X) > TitleDragThreshold &&
        FOptions.Contains(dgColumnResizeKv)) {
      StopTracking();
      if (GetControlStyle().Contains(csCaptureMouse)) SetMouseCapture(true);
      GetCanvas()->GetPen()->SetColor(clSilver);
      inherited::MouseDown(mbLeft, Shift, FMouseDownPoint.X, FMouseDownPoint.Y);
    }
  }
  // [Phase 4] A selection follows the mouse.
  if (FRowSelectTracking || FCellSelectTracking || FMouseState == 3)
    SelectingMove(Shift, X, Y, !(FLastMovePoint == Previous));
  switch (FMouseState) {
    case 2: {
      // [Phase 5] Columns from the title strip.
      const TGridCoord Cell = MouseCoord(X, Y);
      const TRect Box = GetDataBoxRect();
      const Integer DataCol = RawToDataColumn(Cell.X);
      if (X > Box.Left && X < Box.Right && Cell.X != -1 && DataCol >= 0 &&
          DataCol < FColumns->GetCount())
        FSelection->GetColumns()->SelectShift(FColumns->GetColumn(DataCol));
      else
        AutoScrollTimer();
      break;
    }
    case 7: {
      // [Phase 6] Records dragged: the drop place follows the mouse.
      const TGridCoord Cell = MouseCoord(X, Y);
      TGridDrawInfo DrawInfo;
      CalcDrawInfo(DrawInfo);
      if (Cell.Y >= GetFixedRows() && Cell.Y <= DrawInfo.Vert.LastFullVisibleCell + 1)
        RowMoveDragOver(X, Y, DrawInfo);
      break;
    }
    default:
      if (FOptionsKv.Contains(dgLiveColSizingKv) && GetGridState() == gsColSizing) {
        LiveColSizingMove(X);
        return;
      }
      break;
  }
  inherited::MouseMove(Shift, X, Y);
}

void TCustomDBGridKv::SelectingMove(TShiftState Shift, Integer X, Integer Y, bool Moved) {
  // [Phase 1] The cell under the mouse, the point kept inside the grid.
  const Integer CX = std::clamp(X, 0, std::max(GetGridWidth() - 1, 0));
  const Integer CY = std::clamp(Y, 0, std::max(GetGridHeight() - 1, 0));
  const TGridCoord Cell = MouseCoord(CX, CY);
  const TRect Box = GetDataBoxRect();
  // [Phase 2] The rows follow; then, for cells, the column.
  if (Y > Box.Top && Y < Box.Bottom && Cell.Y >= 0 && Cell.Y != GetRow())
    MoveAndSelect(Shift.Contains(ssLeft) && Moved, Cell.Y - GetRow(), false, FMouseState != 3);
  if (FCellSelectTracking && X > Box.Left && X < Box.Right && Cell.X >= FIndicatorOffset &&
      Cell.X != GetCol()) {
    MoveCol(Cell.X, GetCol() < Cell.X ? 1 : -1, false);
    if (FMouseState == 3)
      FSelection->GetRect()->Select(RawToDataColumn(Cell.X), FDataLink->GetDataSet()->GetBookmark(),
                                    Moved);
  }
  // [Phase 3] Beyond the data cells the timer scrolls on.
  FMouseDownPoint = {X, Y};
  FMouseDownShift = Shift;
  AutoScrollTimer();
}

// The sized column's width follows the mouse at once.
void TCustomDBGridKv::LiveColSizingMove(Integer X) {
  Integer SizingPos = X + FSizingOfs;
  if (UseRightToLeftAlignment()) SizingPos = GetClientWidth() - SizingPos;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfo& Horz = DrawInfo.Horz;
  const Integer LineWidth = Horz.EffectiveLineWidth;
  Integer Width = 0;
  if (FSizingIndex >= GetColCount()) {
    // A contra column keeps its right edge.
    Integer Right = Horz.ContraBoundary - LineWidth;
    for (Integer I = GetColCount(); I <= FSizingIndex; ++I) Right += GetColWidths(I) + LineWidth;
    Width = Right - SizingPos;
  } else {
    Integer Left = 0, First = 0;
    if (FSizingIndex >= GetFixedCols()) {
      Left = Horz.FixedBoundary;
      First = Horz.FirstGridCell;
    }
    for (Integer I = First; I < FSizingIndex; ++I) Left += GetColWidths(I) + LineWidth;
    Width = SizingPos - Left;
  }
  Width = std::max(Width, 1);
  // Fitted columns stop following once the border nears the grid's end.
  const Integer N = FColumns->GetCount() - FSizingIndex;
  const bool Blocked =
      FAutoFitColWidths && !Designing() && SizingPos >= Horz.FullGridBoundary - N - N * LineWidth;
  if (!Blocked) SetColWidths(FSizingIndex, Width);
  UpdateDesigner();
}

// [SECTION] Release

void TCustomDBGridKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // [Phase 1] A record drag drops; a press on a selected cell that did not
  // drag clicks; a live sizing is over.
  if (FMouseState == 7) EndRowMoving(X, Y, true);
  if (FSelectedCellPressed) {
    FSelectedCellPressed = false;
    if (Shift.Contains(ssCtrl) && FOptions.Contains(dgRowSelectKv))
      FBookmarks->SetCurrentRowSelected(!FBookmarks->GetCurrentRowSelected());
    else if (FOptionsKv.Contains(dgClearSelectionOnEditKv))
      ClearSelection();
  } else if (FOptionsKv.Contains(dgLiveColSizingKv) && GetGridState() == gsColSizing) {
    FGridState = gsNormal;
    return;
  }
  // [Phase 2] The states of the press end.
  const Integer OldMouseState = FMouseState;
  FMouseState = 0;
  const TGridState OldGridState = GetGridState();
  FSelectionAnchorSet = false;
  if (::kvp::GetCursor() == Screen()->GetCursors(crVSplit)) FRowSizing = true;
  // [Phase 3] A title button clicks when released on itself.
  if (FTitleTracking.Tracking && FTitleTracking.Col >= 0) TitleButtonUp(Shift, X, Y);
  if (FRightTitleClick) {
    FRightTitleClick = false;
    SetMouseCapture(false);
    Button = mbLeft;
  }
  if (FRowSelectTracking || FCellSelectTracking) StopTracking();
  if (OldMouseState != 0) StopTimer();
  // [Phase 4] The base grid ends its sizing or moving.
  inherited::MouseUp(Button, Shift, X, Y);
  // [Phase 5] Clicks on cells, and a check box stepped.
  struct TEndRowSizing {
    bool& Flag;
    ~TEndRowSizing() { Flag = false; }
  } EndRowSizing{FRowSizing};
  if (OldGridState == gsRowSizing || OldGridState == gsColSizing) return;
  TInplaceEdit* Editor = GetInplaceEditor();
  if (Editor && Editor->Visible() && PtInRect(Editor->GetBoundsRect(), TPoint{X, Y})) return;
  if (Button != mbLeft) return;
  const TGridCoord Cell = MouseCoord(X, Y);
  const Integer DataCol = RawToDataColumn(Cell.X);
  if (Cell.X < FIndicatorOffset || DataCol >= FColumns->GetCount() || Cell.Y < 0) return;
  TColumnKv* Column = FColumns->GetColumn(DataCol);
  if (Cell.Y < FTitleOffset) {
    TitleCellClick(Column);
    return;
  }
  if (Cell.Y >= GetRowCount() || !FDataLink->GetActive() ||
      Cell.Y >= FTitleOffset + GetRecordCount())
    return;
  CellClick(Column);
  if (Cell == FPressedCheckBoxCell && CheckKind(Column) && !Column->GetDblClickNextVal() &&
      !Shift.Contains(ssDouble) && Column->CanModify(true))
    Column->SetNextFieldValue(Shift.Contains(ssShift) ? -1 : 1);
  FPressedCheckBoxCell = {-1, -1};
}

void TCustomDBGridKv::TitleButtonUp(TShiftState Shift, Integer X, Integer Y) {
  const Integer Col = FTitleTracking.Col;
  // The same test as the pressed look: inside the client area, on the
  // pressed title (its own part of a multi-level title).
  UpdateTitleTracking(X, Y);
  const bool Counted = FTitleTracking.Pressed;
  StopTracking();
  const Integer DataCol = RawToDataColumn(Col);
  if (!Counted || DataCol < 0 || DataCol >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(DataCol);
  TitleClick(Column);
  const bool Ctrl = Shift.Contains(ssCtrl);
  FSortingPending = Ctrl;
  if (FOptionsKv.Contains(dgAutoSortMarkingKv)) Column->GetTitle()->SetNextSortMarkerValue(Ctrl);
  if (!Ctrl) ApplySortingAfterCtrl();
}

// [SECTION] Timer

void TCustomDBGridKv::StartTimer(Integer Interval) {
  if (!HandleAllocated()) return;
  Interval = std::max(Interval, 0);
  if (FTimerActive && Interval == FTimerInterval) return;
  if (FTimerActive) KillTimer(GetHandle(), AutoScrollTimerId);
  SetTimer(GetHandle(), AutoScrollTimerId, UINT(Interval), nullptr);
  FTimerActive = true;
  FTimerInterval = Interval;
}

void TCustomDBGridKv::StopTimer() {
  if (!FTimerActive) return;
  if (HandleAllocated()) KillTimer(GetHandle(), AutoScrollTimerId);
  FTimerActive = false;
  FTimerInterval = -1;
}

void TCustomDBGridKv::AutoScrollTimer() {
  if (FMouseState == 2) {
    AutoScrollColumns();
    return;
  }
  // [Phase 1] Which way and how far the last selecting move lies outside
  // the data cells.
  const TRect Box = GetDataBoxRect();
  const TPoint P = FMouseDownPoint;
  Integer Vert = 0, Horz = 0, VertDistance = 0, HorzDistance = 0;
  if (P.Y < Box.Top) {
    Vert = -1;
    VertDistance = Box.Top - P.Y;
  } else if (P.Y >= Box.Bottom) {
    Vert = 1;
    VertDistance = P.Y - Box.Bottom + 1;
  }
  if (P.X < Box.Left) {
    Horz = -1;
    HorzDistance = Box.Left - P.X;
  } else if (P.X >= Box.Right) {
    Horz = 1;
    HorzDistance = P.X - Box.Right;
  }
  if (Vert == 0 && Horz == 0) {
    StopTimer();
    return;
  }
  const Integer Distance = std::max(VertDistance, HorzDistance);
  // [Phase 2] The farther, the more records a tick.
  {
    TGridUpdateGuard Update(this);
    const Integer Step = std::min(Distance / 6, 8);
    const bool Rectangle = FMouseState == 3;
    if (Vert != 0 && !Rectangle)
      MoveAndSelect(FMouseDownShift.Contains(ssLeft), Vert * Step, false, true);
    if (Horz != 0 && FCellSelectTracking) {
      if (Horz < 0 && GetLeftCol() > GetFixedCols())
        SetLeftCol(GetLeftCol() - 1);
      else if (Horz > 0 && GetLeftCol() + GetVisibleColCount() < GetColCount())
        SetLeftCol(GetLeftCol() + 1);
      if (!FRowSelectTracking) MoveCol(GetCol() + Horz, Horz, false);
    }
    if (Rectangle && FDataLink->GetActive()) {
      TDataSet* DataSet = FDataLink->GetDataSet();
      DataSet->MoveBy(Vert * Step);
      const Integer Corner = GetLeftCol() == GetFixedCols() && Horz < 0 ? 0 : GetSelectedIndex();
      FSelection->GetRect()->Select(Corner, DataSet->GetBookmark(), true);
    }
  }
  if (FUpdateLock == 0) Update();
  StartTimer(200 - 15 * Distance);
}

// Columns from the title strip: the next column comes into view and into
// the selection each tick the mouse stays beyond the data cells.
void TCustomDBGridKv::AutoScrollColumns() {
  TPoint P;
  GetCursorPos(&P);
  P = ScreenToClient(P);
  const TRect Box = GetDataBoxRect();
  TDBGridKvSelectionCols* Cols = FSelection->GetColumns();
  auto Extend = [&](Integer GridCol) {
    const Integer DataCol = RawToDataColumn(GridCol);
    if (DataCol >= 0 && DataCol < FColumns->GetCount())
      Cols->SelectShift(FColumns->GetColumn(DataCol));
  };
  auto LastFullVisible = [&] { return GetLeftCol() + GetVisibleColCount() - 1; };
  Integer Distance = 0;
  if (P.X > Box.Right) {
    if (GetLeftCol() + GetVisibleColCount() < GetColCount()) {
      SetLeftCol(GetLeftCol() + 1);
      // The column that has just come into sight, partly or whole.
      const Integer Next = GetLeftCol() + GetVisibleColCount();
      Extend(Next < GetColCount() ? Next : LastFullVisible());
    } else {
      Extend(LastFullVisible());
    }
    Distance = P.X - Box.Right;
  } else if (P.X < Box.Left) {
    if (GetLeftCol() > GetFixedCols()) {
      SetLeftCol(GetLeftCol() - 1);
      Extend(GetLeftCol() > GetFixedCols() ? GetLeftCol() - 1 : GetLeftCol());
    } else {
      Extend(GetLeftCol());
    }
    Distance = Box.Left - P.X;
  } else {
    return;
  }
  StartTimer(200 - 10 * Distance);
}

void TCustomDBGridKv::TimedScroll(TGridScrollDirections Direction) {
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    const Integer Active = FDataLink->GetActiveRecord();
    if (Direction.Contains(sdUp)) DataSet->MoveBy(-Active - 1);
    if (Direction.Contains(sdDown)) DataSet->MoveBy(FDataLink->GetRecordCount() - Active);
    Direction -= sdUp;
    Direction -= sdDown;
  }
  if (!Direction.Empty()) inherited::TimedScroll(Direction);
}

// [SECTION] Messages

void TCustomDBGridKv::WMSetCursor(TWMSetCursor& Message) {
  // [Phase 1] A designed grid on default fields points with the arrow.
  if (Designing() && !FColumns->IsCustomized() &&
      (FDataLink->GetDefaultFields() || !FDataLink->GetActive())) {
    ::kvp::SetCursor(Screen()->GetCursors(crArrow));
    Message.Result = 1;
    return;
  }
  if (Message.HitTest() == HTCLIENT && GetGridState() == gsNormal && FMouseState == 0) {
    const Integer X = FHitTest.X, Y = FHitTest.Y;
    // [Phase 2] The borders of frozen columns.
    Integer State = 0, Index = -1, Pos = 0, Ofs = 0;
    CalcMouseState(X, Y, State, Index, Pos, Ofs);
    if (State == MouseStateBorder) {
      ::kvp::SetCursor(Screen()->GetCursors(crHSplit));
      Message.Result = 1;
      return;
    }
    // [Phase 3] Where a press would select records or columns.
    HCURSOR Cursor = nullptr;
    if (FOptions.Contains(dgMultiSelectKv) && FDataLink->GetActive() && !Sizing(X, Y) &&
        !StartRowMoving(X, Y, true)) {
      const TGridCoord Cell = MouseCoord(X, Y);
      const Integer DataCol = RawToDataColumn(Cell.X);
      if (Cell.X >= 0 && Cell.X < FIndicatorOffset && Cell.Y >= FTitleOffset &&
          Cell.Y < FTitleOffset + GetRecordCount() && !FDataLink->GetDataSet()->IsEmpty() &&
          IsSelectionKindAllowed(gskRows)) {
        Cursor = UseRightToLeftAlignment() ? GridLeftCursor : GridRightCursor;
      } else if (Cell.Y == 0 && Cell.X >= FIndicatorOffset && DataCol < FColumns->GetCount() &&
                 TitlesVisible() && IsSelectionKindAllowed(gskColumns)) {
        const TRect R = CellRect(Cell.X, 0);
        if (Y >= std::max(R.Bottom - ColumnSelectStrip, R.Top)) Cursor = GridDownCursor;
      }
    }
    if (Cursor) {
      ::kvp::SetCursor(Cursor);
      Message.Result = 1;
      return;
    }
  }
  inherited::WMSetCursor(Message);
}

void TCustomDBGridKv::TitleCellClick(TColumnKv* Column) {
  if (OnTitleCellClick) OnTitleCellClick(Column);
}

}  // namespace korvel
