// The data-aware grid's rows against its dataset: how many records the data
// link buffers (one data row each), how a scroll of the dataset becomes a
// scroll of the window, how the current row follows the active record, how
// the vertical scroll bar shows the dataset's position, and the mode in which
// a dataset offering the tree interface hands the grid its rows itself.
//
// Index:
//   [SECTION] Data source      SetDataSource, UpdateMemTableLink, SetMemTableSupport
//   [SECTION] Row count        UpdateRowCount, RowsLayoutChanged, UpdateActive, ReloadEditor
//   [SECTION] Scroll bar       UpdateScrollBar
//   [SECTION] Data events      RefreshAfterDataChange, Scroll, RecordChanged,
//                              InvalidateIndicatorCell
//   [SECTION] Reading rows     SetActiveRecordIndex, GetRecordCount, GetRowRecNo,
//                              SelectColumnOfField
//   [SECTION] Interface mode   UpdateRowCountFromMemTable, ScrollFromMemTable, FetchRecords,
//                              ScrollDataRows
//   [SECTION] Input            DoExit, mouse wheel, WM_VSCROLL, WM_SIZE, the deferred layout
#include <algorithm>
#include <cstdlib>

#include "grid/DBGridKv.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/FlagScope.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Data source

void TCustomDBGridKv::SetDataSource(TDataSource* Value) {
  if (Value == FDataLink->GetDataSource()) return;
  ClearSelection();
  FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  LinkActive(FDataLink->GetActive());
  FSumList->SetDataSet(Value ? Value->GetDataSet() : nullptr);
}

void TCustomDBGridKv::UpdateMemTableLink() {
  IMemTableKv* Found = nullptr;
  TDataSet* DataSet = FDataLink ? FDataLink->GetDataSet() : nullptr;
  if (FMemTableSupport && DataSet && !DataSet->GetComponentState().Contains(csDestroying))
    Supports(DataSet, Found);
  if (Found == FMemTable) return;
  FMemTable = Found;
  LayoutChanged();
}

void TCustomDBGridKv::SetMemTableSupport(bool Value) {
  if (FMemTableSupport == Value) return;
  FMemTableSupport = Value;
  UpdateMemTableLink();
}

// [SECTION] Row count

namespace {

// Row count changes put the current row in range first, so that the base
// grid never holds a current cell past its rows.
void SetRowCountKeepingCurrent(TCustomDBGridKv* Grid, Integer Count) {
  if (Count <= Grid->GetRow()) Grid->MoveColRow(Grid->GetCol(), Count - 1, true, false);
  Grid->SetRowCount(Count);
}

}  // namespace

// One data row per record the link buffers, and the link buffers as many as
// fit between the fixed rows and the footer rows.
void TCustomDBGridKv::UpdateRowCount() {
  if (!FDataLink) return;
  // [Phase 1] At least one data row below the fixed rows.
  const Integer OldRowCount = GetRowCount();
  if (GetRowCount() <= FTitleOffset) SetRowCountKeepingCurrent(this, FTitleOffset + 1);
  SetFixedRows(FTitleOffset);
  // [Phase 2] What is not a data row: titles, filter row, footers.
  const Integer Line = FOptions.Contains(dgRowLinesKv) ? GetGridLineWidth() : 0;
  Integer Fixed = 0;
  if (TitlesVisible()) Fixed += GetRowHeights(0) + Line;
  Fixed += (FTitleOffset - (TitlesVisible() ? 1 : 0)) * RowPitch();
  Fixed += FFooterRowCount * RowPitch() + (FFooterRowCount > 0 ? Line : 0);
  // [Phase 3] Every data row the default height; the title row its own.
  const Integer TitleRowHeight = GetRowHeights(0);
  SetDefaultRowHeight(GetDefaultRowHeight());
  if (TitlesVisible()) SetRowHeights(0, TitleRowHeight);
  if (FMemTable) {
    UpdateRowCountFromMemTable();
    return;
  }
  SetTopRow(GetFixedRows());
  // [Phase 4] The link's window is the rows that fit, at least one.
  if (FDataLink->GetActive() && FDataLink->GetRecordCount() > 0 && HandleAllocated()) {
    const Integer Rows = std::max((GetClientHeight() - Fixed) / std::max(RowPitch(), 1), 1);
    FDataLink->SetBufferCount(Rows);
    SetRowCountKeepingCurrent(this, FDataLink->GetRecordCount() + FTitleOffset);
    SetContraRowCount(FFooterRowCount);
    UpdateActive();
  } else {
    SetRowCountKeepingCurrent(this, FTitleOffset + 1);
    SetContraRowCount(FFooterRowCount);
  }
  if (GetRowCount() != OldRowCount) Invalidate();
}

void TCustomDBGridKv::RowsLayoutChanged() {
  if (FAutoFitColWidths && !Designing()) {
    LayoutChanged();
    return;
  }
  UpdateRowCount();
  UpdateScrollBar();
  UpdateFilterEditor(false);
}

// The current row is the link's active record.
void TCustomDBGridKv::UpdateActive() {
  if (InplaceSearching()) StopInplaceSearch();
  if (FMemTable) {
    ScrollFromMemTable();
    return;
  }
  if (!FDataLink->GetActive() || !HandleAllocated() || Loading()) return;
  const Integer Row = FDataLink->GetActiveRecord() + FTitleOffset;
  if (Row != GetRow() && Row < GetRowCount() && GetCol() < GetColCount()) {
    if (!FOptions.Contains(dgAlwaysShowEditorKv)) HideEditor();
    MoveColRow(GetCol(), Row, false, false);
    ReloadEditor();
  }
  TField* Field = GetSelectedField();
  if (Field && Field->GetEditText() != FEditText) ReloadEditor();
}

// The editor reads its cell's text again.
void TCustomDBGridKv::ReloadEditor() {
  if (FReloadingEditor) return;
  TFlagScope Reloading(FReloadingEditor);
  InvalidateEditor();
  UpdateFilterEditor(false);
}

// [SECTION] Scroll bar

// The vertical bar shows the dataset's position: record numbers where the
// dataset is sequenced (the thumb spans one record each), else three
// positions (start, middle, end).
void TCustomDBGridKv::UpdateScrollBar() {
  if (!FDataLink || !HandleAllocated()) return;
  if (FMemTable) {
    UpdateVertScrollBarFromRows();
    return;
  }
  const TScrollBarVisibleModeKv Mode = FVertScrollBar->GetVisibleMode();
  TScrollBar* External = FVertScrollBar->GetExtScrollBar();
  // [Phase 1] What the bar shows now.
  SCROLLINFO Old{};
  Old.cbSize = sizeof(SCROLLINFO);
  Old.fMask = SIF_ALL | (Mode == sbAlwaysShowKv ? SIF_DISABLENOSCROLL : 0);
  FVertScrollBar->GetScrollInfo(Old);
  // [Phase 2] What it should show.
  Integer Min = 0, Max = 1, Page = 2, Pos = 0;
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (FSumList->IsSequenced()) {
      Min = 1;
      Page = GetVisibleRowCount();
      Max = FSumList->RecordCount() + Page - 1;
      Pos = DataSet->GetState() < dsInsert ? FSumList->GetRecNo() : Old.nPos;
    } else {
      Min = 0;
      Page = 0;
      Max = 4;
      Pos = DataSet->GetBof() ? 0 : DataSet->GetEof() ? 4 : 2;
    }
  }
  const Integer RealMax = Max;
  if (!FVertScrollBar->GetVisible() || External) Max = Min;
  // [Phase 3] The window's own bar, only when something changed.
  const bool Changed = !FVertBarSet || Old.nMin != Min || Old.nMax != Max ||
                       Integer(Old.nPage) != Page || Old.nPos != Pos || FVertBarMode != Mode;
  if (Changed) {
    const HWND Wnd = GetHandle();
    if (Mode == sbAlwaysShowKv && !External) {
      ShowScrollBar(Wnd, SB_VERT, TRUE);
      EnableScrollBar(Wnd, SB_VERT, Max - Min <= Page ? ESB_DISABLE_BOTH : ESB_ENABLE_BOTH);
    } else if (FVertBarMode != Mode || !FVertBarSet) {
      EnableScrollBar(Wnd, SB_VERT, ESB_ENABLE_BOTH);
      if (Max - Min < Page) ShowScrollBar(Wnd, SB_VERT, FALSE);
    }
    SCROLLINFO Info{};
    Info.cbSize = sizeof(SCROLLINFO);
    Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS |
                 (Mode == sbAlwaysShowKv && !External ? SIF_DISABLENOSCROLL : 0);
    Info.nMin = Min;
    Info.nMax = Max;
    Info.nPage = UINT(std::max(Page, 0));
    Info.nPos = Pos;
    SetScrollInfo(Wnd, SB_VERT, &Info, TRUE);
    FVertBarMode = Mode;
    FVertBarSet = true;
  }
  // [Phase 4] An external bar gets the real range.
  if (External) {
    External->SetPageSize(0);
    External->SetParams(Pos, std::min(Min, RealMax), RealMax);
    External->SetPageSize(Page);
  }
}

// After the bar was set: when it came or went, the client width changed, and
// fitted widths are fitted again later.
void TCustomDBGridKv::NoteVertBarAndDefer(bool WasShowing) {
  if (FVertScrollBar->IsScrollBarShowing() != WasShowing && FAutoFitColWidths && !Designing())
    DeferLayout();
}

// [SECTION] Data events

void TCustomDBGridKv::RefreshAfterDataChange() {
  // Deleted records leave the selection, with or without a window.
  if (!FRefreshing) FSelection->DropVanishedRecords();
  if (!HandleAllocated() || FRefreshing) return;
  TFlagScope Refreshing(FRefreshing);
  if (Designing() && FSumList->GetActive() && !FRecalculating) {
    TFlagScope Recalculating(FRecalculating);
    FSumList->RecalcAll();
  }
  UpdateRowCount();
  const bool WasShowing = FVertScrollBar->IsScrollBarShowing();
  UpdateScrollBar();
  NoteVertBarAndDefer(WasShowing);
  UpdateActive();
  ReloadEditor();
  // One paint for the whole change.
  ValidateRect(GetHandle(), nullptr);
  Invalidate();
}

// The box of the current row across all columns, up to the client's right edge.
TRect TCustomDBGridKv::CurrentRowBox() {
  TRect Box = BoxRect(0, GetRow(), GetColCount() - 1, GetRow());
  Box.Right = GetClientWidth();
  return Box;
}

bool TCustomDBGridKv::AnyHideDuplicates() {
  for (Integer I = 0; I < FColumns->GetCount(); ++I)
    if (FColumns->GetColumn(I)->GetHideDuplicates()) return true;
  return false;
}

// The dataset scrolled by Distance rows of this grid's window: the pixels of
// the data rows move, and only what they uncover, the indicator and the old
// and new current rows are painted again.
void TCustomDBGridKv::Scroll(Integer Distance) {
  if (FMemTable) {
    ScrollFromMemTable();
    return;
  }
  if (!HandleAllocated()) return;
  // [Phase 1] Rows and bar for the new position.
  const Integer OldRow = GetRow();
  const TRect OldBox = CurrentRowBox();
  if (FDataLink->GetActiveRecord() >= GetRowCount() - FTitleOffset) UpdateRowCount();
  const bool WasShowing = FVertScrollBar->IsScrollBarShowing();
  UpdateScrollBar();
  NoteVertBarAndDefer(WasShowing);
  UpdateActive();
  const TRect NewBox = CurrentRowBox();
  ValidateRect(GetHandle(), &OldBox);
  ::kvp::InvalidateRect(GetHandle(), &OldBox, FALSE);
  ::kvp::InvalidateRect(GetHandle(), &NewBox, FALSE);
  // [Phase 2] The pixels move with the rows.
  if (Distance != 0) {
    HideEditor();
    if (GetVisibleRowCount() < std::abs(Distance)) {
      Invalidate();
    } else {
      if (FIndicatorOffset > 0 && OldRow < GetRowCount()) InvalidateCell(0, OldRow);
      TRect Area = BoxRect(0, FTitleOffset, GetColCount() - 1, GetRowCount() - 1);
      Area.Right = std::max(Area.Right, GetClientWidth());
      ScrollWindowEx(GetHandle(), 0, -RowPitch() * Distance, &Area, &Area, nullptr, nullptr,
                     SW_INVALIDATE);
      if (FIndicatorOffset > 0) InvalidateCell(0, GetRow());
      // A hidden duplicate depends on the row above it.
      if (AnyHideDuplicates() && FTitleOffset < GetRowCount())
        InvalidateGridRow(this, FTitleOffset);
    }
    if (FOptions.Contains(dgAlwaysShowEditorKv)) ShowEditor();
  }
  // [Phase 3] Footers follow the position.
  InvalidateFooterRows();
  if (FUpdateLock == 0) Update();
}

void TCustomDBGridKv::RecordChanged(TField* Field) {
  if (!HandleAllocated()) return;
  // [Phase 1] Only rows showing the field are painted again.
  if (Field) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I) {
      TColumnKv* Column = FColumns->GetColumn(I);
      if (!Column->GetVisible() || Column->GetField() != Field) continue;
      if (GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
      break;
    }
  } else {
    Invalidate();
  }
  // [Phase 2] The editor takes the field's new text when it differs.
  TField* Selected = GetSelectedField();
  if (!Selected || (Field && Field != Selected)) return;
  TColumnKv* Column = FColumns->GetColumn(GetSelectedIndex());
  String Text;
  if (FMemoEditing && Selected->GetDataType() == ftMemo)
    Text = AdjustLineBreaks(Selected->GetAsString());
  else if (Column->GetColumnType() == ctKeyPickListKv)
    Text = Column->GetDisplayText();
  else
    Text = Selected->GetEditText();
  // A masked editor hands its text back in its mask's shape (its case, its
  // literals): the field's text is compared in that shape. Otherwise the key
  // that puts the record into edit would reload the editor and move its
  // caret away from where that very key was to go.
  TInplaceEdit* Editor = GetInplaceEditor();
  if (Editor && Editor->IsMasked()) {
    const TEditMask Mask(Editor->GetEditMask());
    Text = Mask.TextFromEditText(Mask.EditTextFromText(Text));
  }
  if (Text == FEditText) return;
  ReloadEditor();
  if (Editor && Editor->Visible()) Editor->SetSelStart(Length(Editor->GetText()));
}

void TCustomDBGridKv::InvalidateIndicatorCell() {
  if (FIndicatorOffset > 0 && HandleAllocated() && GetRow() < GetRowCount())
    InvalidateCell(0, GetRow());
}

// [SECTION] Reading rows

void TCustomDBGridKv::SetActiveRecordIndex(Integer Index) {
  if (FMemTable) {
    FSavedActiveRecord = FMemTable->GetActiveRecord();
    FMemTable->SetActiveRecord(Index);
    return;
  }
  FSavedActiveRecord = FDataLink->GetActiveRecord();
  FDataLink->SetActiveRecord(Index);
}

void TCustomDBGridKv::RestoreActiveRecordIndex() {
  if (FMemTable) {
    FMemTable->RestoreActiveRecord();
  } else if (FSavedActiveRecord >= 0) {
    FDataLink->SetActiveRecord(FSavedActiveRecord);
  }
  FSavedActiveRecord = -1;
}

Integer TCustomDBGridKv::GetRecordCount() {
  return FMemTable ? FMemTable->GetRecordCount() : FDataLink->GetRecordCount();
}

bool TCustomDBGridKv::IsActiveRecordRow(Integer Index) {
  return Index == (FMemTable ? FMemTable->GetActiveRecord() : FDataLink->GetActiveRecord());
}

Integer TCustomDBGridKv::GetRowRecNo(Integer Row) {
  if (FMemTable) return Row + 1;
  if (!FDataLink->GetActive()) return 0;
  SetActiveRecordIndex(Row);
  struct TRestore {
    TCustomDBGridKv* Grid;
    ~TRestore() { Grid->RestoreActiveRecordIndex(); }
  } Restore{this};
  return FDataLink->GetDataSet()->GetRecNo();
}

void TCustomDBGridKv::SelectColumnOfField(TField* Field) {
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnKv* Column = FColumns->GetColumn(I);
    if (!Column->GetVisible() || Column->GetField() != Field) continue;
    SetSelectedIndex(I);
    return;
  }
}

// FIXME(grid): the column is entered through the keyboard's column move
// (with its column events) once the grid's keys exist.
void TCustomDBGridKv::SetSelectedIndex(Integer Value) {
  const Integer GridCol = DataToRawColumn(Value);
  // Frozen columns stand among the fixed ones and can be current too.
  if (GridCol >= GetFixedCols() - GetFrozenColCount() && GridCol < GetColCount() &&
      GridCol != GetCol())
    SetCol(GridCol);
}

// [SECTION] Interface mode

// Rows are the dataset's rows; the current row is its active record.
void TCustomDBGridKv::UpdateRowCountFromMemTable() {
  const bool Active = FMemTable && FDataLink->GetActive();
  const Integer Count = std::max(Active ? FMemTable->GetRecordCount() : 0, 1);
  SetContraRowCount(FFooterRowCount);
  SetRowCountKeepingCurrent(this, FTitleOffset + Count);
  if (HandleAllocated()) {
    // The rows below the top fill the client area when they can.
    TGridDrawInfo DrawInfo;
    CalcDrawInfo(DrawInfo);
    const Integer MaxTop = CalcMaxTopLeft({GetColCount() - 1, GetRowCount() - 1}, DrawInfo).Y;
    if (GetTopRow() > MaxTop) SetTopRow(MaxTop);
    if (Active && FMemTable->GetActiveRecord() != GetRow() - FTitleOffset) {
      if (GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
      const Integer Target = FMemTable->GetActiveRecord() >= 0
                                 ? FMemTable->GetActiveRecord() + FTitleOffset
                                 : GetFixedRows();
      MoveCurrentToActive(Target);
      InvalidateGridRow(this, GetRow());
    }
  }
  RequestFetchRecords();
  Invalidate();
}

// The current cell moves to Target's row; the anchor follows unless the
// mouse holds it, and a current column among the fixed ones moves to the
// first scrolling one.
void TCustomDBGridKv::MoveCurrentToActive(Integer Target) {
  Target = std::clamp(Target, GetFixedRows(), GetRowCount() - 1);
  if (GetCol() < GetFixedCols() && GetFixedCols() < GetColCount()) {
    MoveColRow(GetFixedCols(), Target, true, true);
    MoveColRow(GetCol(), Target, false, true);
    return;
  }
  MoveColRow(GetCol(), Target, !FKeepAnchor, true);
}

void TCustomDBGridKv::ScrollFromMemTable() {
  if (InplaceSearching()) StopInplaceSearch();
  const bool Active = FMemTable && FDataLink->GetActive();
  SetRowCountKeepingCurrent(this,
                            FTitleOffset + std::max(Active ? FMemTable->GetRecordCount() : 0, 1));
  if (Active && HandleAllocated() && !Loading()) {
    const Integer OldTop = GetTopRow();
    InvalidateGridRow(this, GetRow());
    const Integer Target = FMemTable->GetActiveRecord() + FTitleOffset;
    if (Target != GetRow() && Target >= GetFixedRows()) {
      if (!FOptions.Contains(dgAlwaysShowEditorKv)) HideEditor();
      MoveCurrentToActive(Target);
      ReloadEditor();
      InvalidateGridRow(this, GetRow());
    }
    TInplaceEdit* Editor = GetInplaceEditor();
    TField* Field = GetSelectedField();
    if (Editor && Editor->Visible() && Field && Field->GetEditText() != FEditText) ReloadEditor();
    if (AnyHideDuplicates() && GetTopRow() != OldTop) {
      InvalidateGridRow(this, OldTop);
      InvalidateGridRow(this, GetTopRow());
    }
  }
  InvalidateFooterRows();
  UpdateScrollBar();
}

// Asks the dataset for the rows the client area can show below the last one.
void TCustomDBGridKv::RequestFetchRecords() {
  if (!FMemTable || FFetching || !HandleAllocated()) return;
  TFlagScope Fetching(FFetching);
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const TGridAxisDrawInfo& Vert = DrawInfo.Vert;
  if (Vert.GridBoundary < Vert.GridExtent)
    FMemTable->FetchRecords(
        (Vert.GridExtent - Vert.GridBoundary) / std::max(GetDefaultRowHeight(), 1) + 1);
  else if (Vert.LastFullVisibleCell >= GetRowCount() - 1)
    FMemTable->FetchRecords(1);
}

void TCustomDBGridKv::UpdateVertScrollBarFromRows() {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  SCROLLINFO Old{};
  Old.cbSize = sizeof(SCROLLINFO);
  Old.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  FVertScrollBar->GetScrollInfo(Old);
  SCROLLINFO Info{};
  Info.cbSize = sizeof(SCROLLINFO);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = 1;
  Info.nMax = GetRowCount() - GetFixedRows();
  Info.nPage = UINT(std::max(DrawInfo.Vert.LastFullVisibleCell - GetTopRow() + 1, 0));
  Info.nPos = GetTopRow() - GetFixedRows() + 1;
  if (FVertBarSet && Old.nMin == Info.nMin && Old.nMax == Info.nMax && Old.nPage == Info.nPage &&
      Old.nPos == Info.nPos)
    return;
  SetScrollInfo(GetHandle(), SB_VERT, &Info, TRUE);
  FVertBarSet = true;
}

void TCustomDBGridKv::ScrollDataRows(Integer Row) {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer MaxTop = CalcMaxTopLeft({GetColCount() - 1, GetRowCount() - 1}, DrawInfo).Y;
  Row = std::clamp(Row, GetFixedRows(), std::max(GetRowCount() - 1, GetFixedRows()));
  Row = std::min(Row, std::max(MaxTop, GetFixedRows()));
  const Integer OldTop = GetTopRow();
  SetTopRow(Row);
  UpdateScrollBar();
  if (AnyHideDuplicates() && GetTopRow() != OldTop) {
    InvalidateGridRow(this, OldTop);
    InvalidateGridRow(this, GetTopRow());
  }
}

// The vertical bar in interface mode moves the view, not the record.
void TCustomDBGridKv::HandleVertScroll(Integer Code, Integer TrackPos) {
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const Integer Top = GetTopRow();
  switch (Code) {
    case SB_LINEUP:
      ScrollDataRows(Top - 1);
      break;
    case SB_LINEDOWN:
      ScrollDataRows(Top + 1);
      break;
    case SB_PAGEUP: {
      // The rows that fill a page ending at the current top row.
      Integer Height = DrawInfo.Vert.GridExtent - DrawInfo.Vert.FixedBoundary;
      Integer Rows = 0;
      for (Integer R = Top - 1; R >= GetFixedRows(); --R) {
        Height -= GetRowHeights(R) + DrawInfo.Vert.EffectiveLineWidth;
        if (Height < 0) break;
        ++Rows;
      }
      ScrollDataRows(Top - std::max(Rows, 1));
      break;
    }
    case SB_PAGEDOWN:
      ScrollDataRows(Top + std::max(DrawInfo.Vert.LastFullVisibleCell - Top, 1));
      break;
    case SB_THUMBTRACK:
      if (FVertScrollBar->GetTracking()) ScrollDataRows(GetFixedRows() + TrackPos - 1);
      break;
    case SB_THUMBPOSITION:
      ScrollDataRows(GetFixedRows() + TrackPos - 1);
      break;
    case SB_TOP:
      ScrollDataRows(GetFixedRows());
      break;
    case SB_BOTTOM:
      ScrollDataRows(GetRowCount());
      break;
    default:
      break;
  }
  UpdateScrollBar();
}

// [SECTION] Input

// An inserted record the user never touched goes when the focus leaves;
// anything typed is written into the record.
void TCustomDBGridKv::DoExit() {
  // A grid being freed loses the focus after its data link has gone.
  if (FDataLink && FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (FOptions.Contains(dgCancelOnExitKv) && DataSet->GetState() == dsInsert &&
        !DataSet->GetModified() && !FDataLink->GetModified())
      DataSet->Cancel();
    else
      FDataLink->UpdateRecord();
  }
  inherited::DoExit();
}

// The wheel moves the record; in interface mode it scrolls the view, and
// Shift moves the record.
bool TCustomDBGridKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!FMemTable) {
    if (FDataLink->GetActive()) FDataLink->GetDataSet()->MoveBy(1);
    return true;
  }
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (Shift.Contains(ssShift)) {
    if (FDataLink->GetActive()) DataSet->MoveBy(Shift.Contains(ssCtrl) ? GetVisibleRowCount() : 1);
  } else if (Shift.Contains(ssCtrl)) {
    const Integer Below = GetTopRow() + 2 * GetVisibleRowCount() - GetRowCount();
    if (Below > 0) FMemTable->FetchRecords(Below);
    ScrollDataRows(GetTopRow() + GetVisibleRowCount());
  } else {
    ScrollDataRows(GetTopRow() + 1);
  }
  return true;
}

bool TCustomDBGridKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!FMemTable) {
    if (FDataLink->GetActive()) FDataLink->GetDataSet()->MoveBy(-1);
    return true;
  }
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (Shift.Contains(ssShift)) {
    if (FDataLink->GetActive())
      DataSet->MoveBy(Shift.Contains(ssCtrl) ? -GetVisibleRowCount() : -1);
  } else if (Shift.Contains(ssCtrl)) {
    ScrollDataRows(GetTopRow() - GetVisibleRowCount());
  } else {
    ScrollDataRows(GetTopRow() - 1);
  }
  return true;
}

}  // namespace korvel
