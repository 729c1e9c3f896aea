// The grid's selection: the sorted list of selected records, the columns
// part, the rectangle of cells held by two corner bookmarks, the selection
// object over the three, the grid's own selection operations that the
// keyboard and the mouse call, and the hint window of clipped cells.
//
// Call flow: a key or a click -> MoveAndSelect / MoveCol / the columns part
// -> the part changes and invalidates exactly the cells whose state changed
// -> TDBGridKvSelection::SelectionChanged -> the grid's OnSelectionChanged.
// Painting asks DataCellSelected for each data cell it draws.
//
// Index:
//   [SECTION] Helpers           bookmark comparison, rectangle differences
//   [SECTION] Bookmark list     TBookmarkListKv
//   [SECTION] Hint window       dbgrid::TToolTipsWindow
//   [SECTION] Columns part      TDBGridKvSelectionCols
//   [SECTION] Rectangle part    TDBGridKvSelectionRect
//   [SECTION] Selection         TDBGridKvSelection
//   [SECTION] Grid operations   SelectionExists, IsSelectionKindAllowed, CanSelectAll,
//                               ClearSelection, SelectionChanged, MoveAndSelect, MoveCol
#include <algorithm>
#include <cstdlib>

#include "base/KorvelVCL.h"
#include "grid/DBGridKv.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Helpers

namespace {

// The dataset's order of two bookmarks; without a dataset only equal strings
// are one record.
Integer CompareBookmarks(TCustomDBGridKv* Grid, const TBookmark& A, const TBookmark& B) {
  if (TDataSet* DataSet = Grid->GetDataSet()) return DataSetCompareBookmarks(DataSet, A, B);
  return A == B ? 0 : (A < B ? -1 : 1);
}

bool GridDestroyingOrGone(TCustomDBGridKv* Grid) {
  return !Grid || Grid->GetComponentState().Contains(csDestroying);
}

// Restores the data link's active record on every path out of a walk over
// the buffer.
class TActiveRecordGuard {
 public:
  explicit TActiveRecordGuard(TDataLink* Link) : FLink(Link), FSaved(Link->GetActiveRecord()) {}
  ~TActiveRecordGuard() { FLink->SetActiveRecord(FSaved); }
  TActiveRecordGuard(const TActiveRecordGuard&) = delete;
  TActiveRecordGuard& operator=(const TActiveRecordGuard&) = delete;

 private:
  TDataLink* FLink;
  Integer FSaved;
};

// Holds BeginUpdate / EndUpdate of the grid.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TCustomDBGridKv* Grid) : FGrid(Grid) { FGrid->BeginUpdate(); }
  ~TUpdateGuard() { FGrid->EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

// A minus B as at most four rectangles: the bands of A above and below B,
// then the parts of A left and right of B between those bands.
void Subtract(const TRect& A, const TRect& B, std::vector<TRect>& Out) {
  if (IsRectEmpty(A)) return;
  TRect I;
  if (!IntersectRect(I, A, B)) {
    Out.push_back(A);
    return;
  }
  if (A.Top < I.Top) Out.push_back(Rect(A.Left, A.Top, A.Right, I.Top));
  if (I.Bottom < A.Bottom) Out.push_back(Rect(A.Left, I.Bottom, A.Right, A.Bottom));
  if (A.Left < I.Left) Out.push_back(Rect(A.Left, I.Top, I.Left, I.Bottom));
  if (I.Right < A.Right) Out.push_back(Rect(I.Right, I.Top, A.Right, I.Bottom));
}

}  // namespace

// [SECTION] Bookmark list

bool TBookmarkListKv::GridDestroying() const { return GridDestroyingOrGone(FGrid); }

TDataSet* TBookmarkListKv::GetDataSet() {
  return FGrid && FGrid->GetDataLink() ? FGrid->GetDataLink()->GetDataSet() : nullptr;
}

void TBookmarkListKv::Invalidate() {
  if (!GridDestroying()) FGrid->Invalidate();
}

void TBookmarkListKv::SetCurrentRowSelected(bool Value) {
  inherited::SetCurrentRowSelected(Value);
  if (GridDestroying()) return;
  if (FGrid->HandleAllocated() && FGrid->GetRow() < FGrid->GetRowCount())
    InvalidateGridRow(FGrid, FGrid->GetRow());
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  if (!Selection) return;
  // The first listed record makes the selection a record selection.
  if (Selection->GetSelectionType() != gskRows && GetCount() > 0) {
    Selection->Clear();
    Selection->SetSelectionType(gskRows);
  }
  Selection->UpdateState();
  Selection->SelectionChanged();
}

void TBookmarkListKv::SelectionChanged() {
  if (GridDestroying()) return;
  if (TDBGridKvSelection* Selection = FGrid->GetSelection()) Selection->UpdateState();
}

void TBookmarkListKv::Clear() {
  inherited::Clear();
  if (GridDestroying()) return;
  if (TDBGridKvSelection* Selection = FGrid->GetSelection()) Selection->SelectionChanged();
}

// The buffer (or, in interface mode, the rows shown) is walked record by
// record; the active record is put back on every path.
void TBookmarkListKv::SelectedRowsRect(TGridRect& Rect) {
  Rect = {-1, -1, -1, -1};
  TGridDataLinkKv* Link = FGrid->GetDataLink();
  if (!Link->GetActive() || GetCount() == 0) return;
  TDataSet* DataSet = Link->GetDataSet();
  Integer Top = -1, Bottom = -1;
  auto Note = [&](Integer Index) {
    const TBookmark Bookmark = DataSet->GetBookmark();
    if (Bookmark.empty() || IndexOf(Bookmark) < 0) return;
    if (Top < 0) Top = Index;
    Bottom = std::max(Bottom, Index);
  };
  if (IMemTableKv* MemTable = FGrid->GetMemTable()) {
    const Integer First = FGrid->GetTopRow() - FGrid->GetTitleOffset();
    const Integer Last =
        std::min(First + FGrid->GetVisibleRowCount(), MemTable->GetRecordCount() - 1);
    for (Integer I = std::max(First, 0); I <= Last; ++I) {
      MemTable->SetActiveRecord(I);
      struct TRestore {
        IMemTableKv* Table;
        ~TRestore() { Table->RestoreActiveRecord(); }
      } Restore{MemTable};
      Note(I);
    }
  } else {
    TActiveRecordGuard Guard(Link);
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      Note(I);
    }
  }
  if (Top < 0) return;
  // The contra columns show the records too.
  Rect = {0, FGrid->GetTitleOffset() + Top, FGrid->GetFullColCount() - 1,
          FGrid->GetTitleOffset() + Bottom};
}

// [SECTION] Hint window

namespace dbgrid {

TRect TToolTipsWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) {
  TFont* Font = GetCanvas()->GetFont();
  Font->Assign(AData ? static_cast<TFont*>(AData) : GetFont());
  Font->SetColor(clWindowText);
  return inherited::CalcHintRect(MaxWidth, AHint, AData);
}

}  // namespace dbgrid

// [SECTION] Columns part

void TDBGridKvSelectionCols::Construct() {
  inherited::Construct();
  FShiftSelectedCols = TColumnsKvList::Create();
}

void TDBGridKvSelectionCols::Destroy() {
  inherited::Destroy();
  FreeAndNil(FShiftSelectedCols);
}

void TDBGridKvSelectionCols::InvalidateColumn(TColumnKv* Column) {
  if (!FGrid->HandleAllocated()) return;
  const Integer GridCol = FGrid->DataToRawColumn(Column->GetIndex());
  if (GridCol >= 0 && GridCol < FGrid->GetFullColCount()) FGrid->InvalidateCol(GridCol);
}

// Before the first listed column of a greater index, else at the end.
void TDBGridKvSelectionCols::InsertInOrder(TColumnKv* Column) {
  const Integer Index = Column->GetIndex();
  for (Integer I = 0; I < GetCount(); ++I)
    if (GetColumn(I)->GetIndex() > Index) {
      Insert(I, Column);
      return;
    }
  TObjectList::Add(Column);
}

void TDBGridKvSelectionCols::NoteKind() {
  FGrid->GetSelection()->SetSelectionType(GetCount() > 0 ? gskColumns : gskNone);
}

void TDBGridKvSelectionCols::Add(TColumnKv* Column) {
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gskColumns) Selection->Clear();
  const Integer Index = IndexOf(Column);
  if (Index < 0)
    InsertInOrder(Column);
  else
    Delete(Index);
  InvalidateColumn(Column);
  FAnchor = FShiftCol = Column;
  NoteKind();
  FShiftSelectedCols->Clear();
  Selection->SelectionChanged();
}

void TDBGridKvSelectionCols::Select(TColumnKv* Column, bool AddToSelection) {
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gskColumns) Selection->Clear();
  if (!AddToSelection) {
    for (Integer I = 0; I < GetCount(); ++I)
      if (GetColumn(I) != Column) InvalidateColumn(GetColumn(I));
    TColumnsKvList::Clear();
  }
  if (IndexOf(Column) < 0) {
    InsertInOrder(Column);
    InvalidateColumn(Column);
  }
  FAnchor = FShiftCol = Column;
  Selection->SetSelectionType(gskColumns);
  FShiftSelectedCols->Clear();
  Selection->SelectionChanged();
}

void TDBGridKvSelectionCols::SelectShift(TColumnKv* Column) {
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  if (Selection->GetSelectionType() != gskColumns) Selection->Clear();
  // [Phase 1] Without an anchor the column starts the range.
  if (!FAnchor) {
    Select(Column, true);
    FAnchor = FShiftCol = Column;
    NoteKind();
    return;
  }
  // [Phase 2] Where the walk starts and ends, and when it turns from taking
  // back the last extension to extending past the anchor.
  const Integer A = FAnchor->GetIndex();
  const Integer S = FShiftCol ? FShiftCol->GetIndex() : A;
  const Integer N = Column->GetIndex();
  Integer Start = S, End = N, Step = 1, Flip = -1;
  bool Extend = true;
  if (A == S) {
    Start = A;
    Step = A > N ? -1 : 1;
  } else if (S == N) {
    Start = End = N;
  } else if (A < S) {
    if (N < S) {
      Step = -1;
      Extend = false;
      End = A > N ? N : N + 1;
      if (A > N) Flip = A;
    }
  } else {  // A > S
    Step = -1;
    if (N > S) {
      Step = 1;
      Extend = false;
      End = A < N ? N : N - 1;
      if (A < N) Flip = A;
    }
  }
  // [Phase 3] Each column passed takes the anchor's state, or gets back the
  // state it had before this extension changed it.
  const bool AnchorSelected = IndexOf(FAnchor) >= 0;
  TDBGridColumnsKv* Columns = FGrid->GetColumns();
  for (Integer I = Start;; I += Step) {
    if (I == Flip) Extend = true;
    if (I >= 0 && I < Columns->GetCount()) {
      TColumnKv* C = Columns->GetColumn(I);
      const bool Listed = IndexOf(C) >= 0;
      const bool Toggled = FShiftSelectedCols->IndexOf(C) >= 0;
      bool Touched = false;
      if (Extend && AnchorSelected && !Listed && C->GetVisible()) {
        InsertInOrder(C);
        FShiftSelectedCols->Add(C);
        Touched = true;
      } else if (Extend && !AnchorSelected && Listed && C != FAnchor) {
        Remove(C);
        FShiftSelectedCols->Add(C);
        Touched = true;
      } else if (!Extend && AnchorSelected && Listed && C != FAnchor) {
        if (Toggled) {
          Remove(C);
          FShiftSelectedCols->Remove(C);
        }
        Touched = true;
      } else if (!Extend && !AnchorSelected && !Listed && C->GetVisible()) {
        if (Toggled) {
          InsertInOrder(C);
          FShiftSelectedCols->Remove(C);
        }
        Touched = true;
      }
      if (Touched) {
        InvalidateColumn(C);
        Selection->SelectionChanged();
      }
    }
    if (I == End) break;
  }
  // [Phase 4] The range now ends at the column.
  FShiftCol = Column;
  NoteKind();
}

void TDBGridKvSelectionCols::Clear() {
  // While the grid goes, its columns may be gone before this list: nothing
  // listed is read then.
  if (!GridDestroyingOrGone(FGrid))
    for (Integer I = 0; I < GetCount(); ++I) InvalidateColumn(GetColumn(I));
  TColumnsKvList::Clear();
  FAnchor = nullptr;
  if (!GridDestroyingOrGone(FGrid)) FGrid->GetSelection()->SelectionChanged();
}

namespace {

// The columns' order by their place in the grid.
Integer CompareColumnIndexes(void* Item1, void* Item2) {
  const Integer A = static_cast<TColumnKv*>(static_cast<TObject*>(Item1))->GetIndex();
  const Integer B = static_cast<TColumnKv*>(static_cast<TObject*>(Item2))->GetIndex();
  return A > B ? 1 : (A < B ? -1 : 0);
}

bool IsGridColumn(TCustomDBGridKv* Grid, TColumnKv* Column) {
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  for (Integer I = 0; I < Columns->GetCount(); ++I)
    if (Columns->GetColumn(I) == Column) return true;
  return false;
}

}  // namespace

// Listed columns are compared as pointers before anything of them is read:
// one that left the grid may have been freed.
void TDBGridKvSelectionCols::Refresh() {
  for (Integer I = GetCount() - 1; I >= 0; --I)
    if (!IsGridColumn(FGrid, GetColumn(I))) Delete(I);
  for (Integer I = FShiftSelectedCols->GetCount() - 1; I >= 0; --I)
    if (!IsGridColumn(FGrid, FShiftSelectedCols->GetColumn(I))) FShiftSelectedCols->Delete(I);
  if (FAnchor && !IsGridColumn(FGrid, FAnchor)) FAnchor = nullptr;
  if (FShiftCol && !IsGridColumn(FGrid, FShiftCol)) FShiftCol = nullptr;
  Sort(&CompareColumnIndexes);
}

void TDBGridKvSelectionCols::ColumnRemoved(TColumnKv* Column) {
  const bool Listed = Remove(Column) >= 0;
  FShiftSelectedCols->Remove(Column);
  if (FAnchor == Column) FAnchor = nullptr;
  if (FShiftCol == Column) FShiftCol = nullptr;
  if (!Listed || GridDestroyingOrGone(FGrid)) return;
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  Selection->UpdateState();
  Selection->SelectionChanged();
}

void TDBGridKvSelectionCols::GetSelectionRect(TGridRect& Rect) {
  Integer Low = -1, High = -1;
  for (Integer I = 0; I < GetCount(); ++I) {
    const Integer Index = GetColumn(I)->GetIndex();
    if (Low < 0 || Index < Low) Low = Index;
    High = std::max(High, Index);
  }
  // Every row down to the last footer row: footer cells show the selected
  // columns too.
  Rect = {FGrid->DataToRawColumn(Low), 0, FGrid->DataToRawColumn(High),
          FGrid->GetFullRowCount() - 1};
}

void TDBGridKvSelectionCols::CheckConsistency() {
  for (Integer I = 0; I < GetCount(); ++I) {
    KV_ASSERT(IsGridColumn(FGrid, GetColumn(I)), "a selected column is a column of the grid");
    if (I > 0)
      KV_ASSERT(GetColumn(I - 1)->GetIndex() < GetColumn(I)->GetIndex(),
                "the selected columns are in index order, each once");
  }
  KV_ASSERT(!FAnchor || IsGridColumn(FGrid, FAnchor), "the anchor is a column of the grid");
  KV_ASSERT(!FShiftCol || IsGridColumn(FGrid, FShiftCol),
            "the Shift corner is a column of the grid");
  for (Integer I = 0; I < FShiftSelectedCols->GetCount(); ++I)
    KV_ASSERT(IsGridColumn(FGrid, FShiftSelectedCols->GetColumn(I)),
              "a column the extension changed is a column of the grid");
}

// [SECTION] Rectangle part

namespace {
const char* const SCellSelectedError = "Error in function TDBGridKvSelectionRect.CellSelected";
const char* const SCornerError = "Error in TDBGridKvSelectionRect.GetBottomRow";
}  // namespace

void TDBGridKvSelectionRect::CheckActive(const char* Message) {
  TDataSource* Source = FGrid->GetDataSource();
  if (!Source || !Source->GetDataSet() || !FGrid->GetDataLink()->GetActive())
    RaiseGridError(Message);
}

// Nothing of a rectangle shows while the selection is of another kind, so
// only a shown one repaints the grid and tells of its end.
void TDBGridKvSelectionRect::Clear() {
  FAnchorCol = FShiftCol = -1;
  FAnchorBookmark.clear();
  FShiftBookmark.clear();
  if (GridDestroyingOrGone(FGrid)) return;
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  if (Selection && Selection->GetSelectionType() == gskRectangle) {
    FGrid->Invalidate();
    Selection->SelectionChanged();
  }
}

kvp::TBookmark TDBGridKvSelectionRect::GetTopRow() {
  CheckActive(SCornerError);
  return CompareBookmarks(FGrid, FAnchorBookmark, FShiftBookmark) <= 0 ? FAnchorBookmark
                                                                       : FShiftBookmark;
}

kvp::TBookmark TDBGridKvSelectionRect::GetBottomRow() {
  CheckActive(SCornerError);
  return CompareBookmarks(FGrid, FAnchorBookmark, FShiftBookmark) >= 0 ? FAnchorBookmark
                                                                       : FShiftBookmark;
}

Integer TDBGridKvSelectionRect::GetLeftCol() {
  CheckActive(SCornerError);
  return std::min(FAnchorCol, FShiftCol);
}

Integer TDBGridKvSelectionRect::GetRightCol() {
  CheckActive(SCornerError);
  return std::max(FAnchorCol, FShiftCol);
}

bool TDBGridKvSelectionRect::CellSelected(Integer ACol, const TBookmark& Bookmark) {
  CheckActive(SCellSelectedError);
  if (ACol < GetLeftCol() || ACol > GetRightCol() || Bookmark.empty()) return false;
  return CompareBookmarks(FGrid, Bookmark, GetTopRow()) >= 0 &&
         CompareBookmarks(FGrid, Bookmark, GetBottomRow()) <= 0;
}

// The pixels of the cells between two corners, as far as they are on
// screen. A corner record need not be one of the rows shown (it may lie
// above or below them, or have been deleted): the box runs from the first
// row not before the upper corner to the last row not after the lower one,
// and is empty when the two corners enclose no row shown.
TRect TDBGridKvSelectionRect::CornersBox(Integer Col1, const TBookmark& Bm1, Integer Col2,
                                         const TBookmark& Bm2) {
  // [Phase 1] Order the corners.
  if (Col1 > Col2) std::swap(Col1, Col2);
  const bool Swap = CompareBookmarks(FGrid, Bm1, Bm2) > 0;
  const TBookmark& Upper = Swap ? Bm2 : Bm1;
  const TBookmark& Lower = Swap ? Bm1 : Bm2;
  // [Phase 2] The data rows they span on screen.
  TGridDataLinkKv* Link = FGrid->GetDataLink();
  if (!Link->GetActive()) return TRect{};
  Integer Top = -1, Bottom = -1;
  if (IMemTableKv* MemTable = FGrid->GetMemTable()) {
    Top = MemTable->GetRecordIndexByBookmark(Upper);
    Bottom = MemTable->GetRecordIndexByBookmark(Lower);
    if (Top < 0) Top = 0;
    if (Bottom < 0) Bottom = MemTable->GetRecordCount() - 1;
  } else {
    TDataSet* DataSet = Link->GetDataSet();
    TActiveRecordGuard Guard(Link);
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      const TBookmark Bookmark = DataSet->GetBookmark();
      if (Bookmark.empty()) continue;
      if (Top < 0 && CompareBookmarks(FGrid, Bookmark, Upper) >= 0) Top = I;
      if (CompareBookmarks(FGrid, Bookmark, Lower) <= 0) Bottom = I;
    }
  }
  if (Top < 0 || Bottom < Top) return TRect{};
  // [Phase 3] Their pixels.
  const Integer Offset = FGrid->GetTitleOffset();
  return FGrid->BoxRect(FGrid->DataToRawColumn(Col1), Offset + Top, FGrid->DataToRawColumn(Col2),
                        Offset + Bottom);
}

void TDBGridKvSelectionRect::Select(Integer ACol, const TBookmark& Bookmark, bool Extend) {
  // A record without a bookmark (one being inserted) cannot be a corner.
  if (Bookmark.empty()) return;
  TDBGridKvSelection* Selection = FGrid->GetSelection();
  // [Phase 1] Another kind of selection goes; the old corners are kept.
  if (Selection->GetSelectionType() != gskRectangle) Selection->Clear();
  const bool WasShown = Selection->GetSelectionType() == gskRectangle;
  const Integer OldAnchorCol = FAnchorCol, OldShiftCol = FShiftCol;
  const TBookmark OldAnchor = FAnchorBookmark, OldShift = FShiftBookmark;
  // [Phase 2] The new corners; one cell is no selection.
  if (FAnchorCol == -1 || !Extend) {
    FAnchorCol = ACol;
    FAnchorBookmark = Bookmark;
  }
  FShiftCol = ACol;
  FShiftBookmark = Bookmark;
  if (FAnchorCol == FShiftCol && CompareBookmarks(FGrid, FAnchorBookmark, FShiftBookmark) == 0) {
    if (Selection->GetSelectionType() == gskRectangle) Selection->SetSelectionType(gskNone);
  } else {
    Selection->SetSelectionType(gskRectangle);
  }
  // [Phase 3] Exactly the cells whose state changed repaint: what the old
  // rectangle covered and the new does not, and the other way round.
  if (!FGrid->HandleAllocated()) return;
  const bool IsShown = Selection->GetSelectionType() == gskRectangle;
  const TRect Old = WasShown ? CornersBox(OldAnchorCol, OldAnchor, OldShiftCol, OldShift) : TRect{};
  const TRect New =
      IsShown ? CornersBox(FAnchorCol, FAnchorBookmark, FShiftCol, FShiftBookmark) : TRect{};
  std::vector<TRect> Changed;
  Subtract(Old, New, Changed);
  Subtract(New, Old, Changed);
  for (const TRect& R : Changed) ::kvp::InvalidateRect(FGrid->GetHandle(), &R, FALSE);
  Selection->SelectionChanged();
}

void TDBGridKvSelectionRect::GetSelectionRect(TGridRect& Rect) {
  Rect = {-1, -1, -1, -1};
  TGridDataLinkKv* Link = FGrid->GetDataLink();
  if (!FGrid->GetDataSource() || !FGrid->GetDataSet() || !Link->GetActive()) return;
  const Integer Left = FGrid->DataToRawColumn(GetLeftCol());
  const Integer Right = FGrid->DataToRawColumn(GetRightCol());
  const TBookmark TopRow = GetTopRow(), BottomRow = GetBottomRow();
  Integer Top = -1, Bottom = -1;
  if (IMemTableKv* MemTable = FGrid->GetMemTable()) {
    Top = MemTable->GetRecordIndexByBookmark(TopRow);
    Bottom = MemTable->GetRecordIndexByBookmark(BottomRow);
  } else {
    TDataSet* DataSet = Link->GetDataSet();
    TActiveRecordGuard Guard(Link);
    for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
      Link->SetActiveRecord(I);
      const TBookmark Bookmark = DataSet->GetBookmark();
      if (Bookmark.empty()) continue;
      if (Top < 0 && CompareBookmarks(FGrid, Bookmark, TopRow) >= 0) Top = I;
      if (CompareBookmarks(FGrid, Bookmark, BottomRow) <= 0) Bottom = I;
    }
  }
  if (Top < 0 || Bottom < 0) return;
  const Integer Offset = FGrid->GetTitleOffset();
  Rect = {Left, Offset + Top, Right, Offset + Bottom};
}

// [SECTION] Selection

void TDBGridKvSelection::Construct() {
  inherited::Construct();
  FColumns = TDBGridKvSelectionCols::Create(FGrid);
  FRect = TDBGridKvSelectionRect::Create(FGrid);
}

void TDBGridKvSelection::Destroy() {
  FreeAndNil(FColumns);
  FreeAndNil(FRect);
  inherited::Destroy();
}

TBookmarkListKv* TDBGridKvSelection::GetRows() const { return FGrid->GetSelectedRows(); }

void TDBGridKvSelection::SetSelectionType(TDBGridKvSelectionKind Value) {
  if (FSelectionType == Value) return;
  FSelectionType = Value;
  if (GridDestroyingOrGone(FGrid)) return;
  FGrid->InvalidateEditor();
  // A selection hides the filter-row editor; without one it comes back.
  if (FGrid->GetFilterEditorActive()) FGrid->UpdateFilterEditor(false);
}

bool TDBGridKvSelection::DataCellSelected(Integer ACol, const TBookmark& Bookmark) {
  switch (FSelectionType) {
    case gskRows: {
      Integer Index = 0;
      return !Bookmark.empty() && GetRows()->Find(Bookmark, Index);
    }
    case gskRectangle:
      return ACol >= 0 && FRect->CellSelected(ACol, Bookmark);
    case gskColumns:
      return ACol >= 0 && ACol < FGrid->GetColumns()->GetCount() &&
             FColumns->IndexOf(FGrid->GetColumns()->GetColumn(ACol)) >= 0;
    case gskAll:
      return true;
    case gskNone:
      break;
  }
  return false;
}

void TDBGridKvSelection::Clear() {
  // [Phase 1] The part of the current kind empties (and repaints).
  switch (FSelectionType) {
    case gskRows:
      GetRows()->Clear();
      break;
    case gskRectangle:
      FRect->Clear();
      break;
    case gskColumns:
      FColumns->Clear();
      break;
    case gskAll:
      if (!GridDestroyingOrGone(FGrid)) {
        FGrid->Invalidate();
        SelectionChanged();
      }
      break;
    case gskNone:
      break;
  }
  SetSelectionType(gskNone);
  // [Phase 2] An editor that is always shown comes back, over an open
  // dataset only.
  if (GridDestroyingOrGone(FGrid)) return;
  if (FGrid->CanEditorAlwaysShow() && FGrid->GetDataLink()->GetActive()) FGrid->ShowCellEditor();
}

void TDBGridKvSelection::ResetRows(bool Flag) {
  GetRows()->LinkActive(Flag);
  Clear();
}

void TDBGridKvSelection::SelectAll() {
  if (FSelectionType == gskAll) return;
  if (FSelectionType != gskNone) Clear();
  SetSelectionType(gskAll);
  FGrid->Invalidate();
  SelectionChanged();
}

void TDBGridKvSelection::UpdateState() {
  const bool Empty = (FSelectionType == gskRows && GetRows()->GetCount() == 0) ||
                     (FSelectionType == gskColumns && FColumns->GetCount() == 0);
  if (!Empty) return;
  SetSelectionType(gskNone);
  if (!GridDestroyingOrGone(FGrid)) FGrid->Invalidate();
}

void TDBGridKvSelection::GetSelectionRect(TGridRect& Rect) {
  switch (FSelectionType) {
    case gskRows:
      GetRows()->SelectedRowsRect(Rect);
      return;
    case gskRectangle:
      FRect->GetSelectionRect(Rect);
      return;
    case gskColumns:
      FColumns->GetSelectionRect(Rect);
      return;
    default:
      Rect = {-1, -1, -1, -1};
      return;
  }
}

void TDBGridKvSelection::SelectionChanged() {
  if (GridDestroyingOrGone(FGrid)) return;
  if (FGrid->OnSelectionChanged) FGrid->OnSelectionChanged(FGrid);
}

// A record the dataset no longer shows would break the order the record
// list is searched in, and a rectangle corner on one would stretch the
// rectangle to the end of the dataset.
bool TDBGridKvSelection::DropVanishedRecords() {
  TDataSet* DataSet = FGrid->GetDataSet();
  if (!DataSet || !DataSet->GetActive()) return false;
  if (FSelectionType == gskRows && GetRows()->GetCount() > 0) {
    if (!GetRows()->Refresh()) return false;
    SelectionChanged();
    return true;
  }
  if (FSelectionType == gskRectangle && (!DataSet->BookmarkValid(FRect->GetAnchorBookmark()) ||
                                         !DataSet->BookmarkValid(FRect->GetShiftBookmark()))) {
    Clear();
    return true;
  }
  return false;
}

void TDBGridKvSelection::CheckConsistency() {
  FColumns->CheckConsistency();
  GetRows()->CheckConsistency();
  KV_ASSERT(FSelectionType != gskRows || GetRows()->GetCount() > 0,
            "a record selection lists a record");
  KV_ASSERT(FSelectionType != gskColumns || FColumns->GetCount() > 0,
            "a column selection lists a column");
  KV_ASSERT(FSelectionType == gskRows || GetRows()->GetCount() == 0,
            "records are listed only in a record selection");
  KV_ASSERT(FSelectionType == gskColumns || FColumns->GetCount() == 0,
            "columns are listed only in a column selection");
  KV_ASSERT(FSelectionType != gskRectangle ||
                (FRect->GetAnchorCol() >= 0 && !FRect->GetAnchorBookmark().empty()),
            "a rectangle has its corners");
}

// [SECTION] Grid operations

bool TCustomDBGridKv::SelectionExists() {
  return FSelection && FSelection->GetSelectionType() != gskNone;
}

bool TCustomDBGridKv::IsSelectionKindAllowed(TDBGridKvSelectionKind Kind) {
  if (Kind == gskNone) return true;
  if (!FOptions.Contains(dgMultiSelectKv) || !FAllowedSelections.Contains(Kind)) return false;
  if (Kind == gskRows || Kind == gskAll) return true;
  return !FOptions.Contains(dgRowSelectKv);
}

bool TCustomDBGridKv::CanSelectAll() {
  return FDataLink->GetActive() && !FDataLink->GetDataSet()->IsEmpty() &&
         FAllowedSelections.Contains(gskAll);
}

void TCustomDBGridKv::ClearSelection() {
  const bool ClearOnEdit = FOptionsKv.Contains(dgClearSelectionOnEditKv);
  if (FOptions.Contains(dgMultiSelectKv) && ClearOnEdit) FBookmarks->Clear();
  FSelectionAnchorSet = false;
  if (SelectionExists() && ClearOnEdit) {
    FSelection->Clear();
    Invalidate();
    ReloadEditor();
  }
}

// A whole selection repaints everything, any other the cells that show it;
// the current row repaints in either case.
void TCustomDBGridKv::SelectionChanged() {
  if (HandleAllocated() && FSelection) {
    if (FSelection->GetSelectionType() == gskAll) {
      Invalidate();
    } else if (FSelection->GetSelectionType() != gskNone) {
      TGridRect R;
      FSelection->GetSelectionRect(R);
      if (R.Left >= 0 && R.Top >= 0) InvalidateRect(R);
    }
    if (GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
  }
  FFocusedSeen = IsFocused();
}

namespace {

// Moves the dataset by Distance, or to its first or last record.
void MoveDataSet(TDataSet* DataSet, Integer Distance, bool ToEnd) {
  if (!ToEnd)
    DataSet->MoveBy(Distance);
  else if (Distance < 0)
    DataSet->First();
  else
    DataSet->Last();
}

}  // namespace

void TCustomDBGridKv::MoveAndSelect(bool Select, Integer Distance, bool ToEnd, bool NoRectangle) {
  if (!FDataLink->GetActive()) return;
  TDataSet* DataSet = FDataLink->GetDataSet();
  {
    TUpdateGuard Update(this);
    if (!NoRectangle && !FOptions.Contains(dgRowSelectKv)) {
      // [Phase 1] A rectangle grows from the current cell to the record
      // reached.
      if (Select && IsSelectionKindAllowed(gskRectangle)) {
        TDBGridKvSelectionRect* Rect = FSelection->GetRect();
        if (FSelection->GetSelectionType() != gskRectangle) {
          Rect->Clear();
          Rect->Select(GetSelectedIndex(), DataSet->GetBookmark(), false);
        }
        MoveDataSet(DataSet, Distance, ToEnd);
        Rect->Select(GetSelectedIndex(), DataSet->GetBookmark(), true);
      } else {
        MoveDataSet(DataSet, Distance, ToEnd);
      }
    } else {
      // [Phase 2] Records, one step at a time: steps away from the anchor
      // give the records reached the state the extension began with, steps
      // back give the records left theirs back.
      const bool RowSelect = Select && IsSelectionKindAllowed(gskRows);
      const bool Multi = FOptions.Contains(dgMultiSelectKv);
      const Integer Step = Distance < 0 ? -1 : 1;
      for (Integer Left = std::abs(Distance); ToEnd || Left > 0; --Left) {
        bool Away = true;
        if (Multi && FDataLink->GetActive()) {
          if (!RowSelect) {
            ClearSelection();
          } else if (!FSelectionAnchorSet) {
            FSelectionAnchorBookmark = DataSet->GetBookmark();
            FSelectionAnchorSelected = FBookmarks->GetCurrentRowSelected();
            FBookmarks->SetCurrentRowSelected(FToggleSelection ? !FSelectionAnchorSelected : true);
            FSelectionAnchorSet = true;
          } else {
            const Integer C =
                DataSetCompareBookmarks(DataSet, DataSet->GetBookmark(), FSelectionAnchorBookmark);
            Away = C == 0 || (C > 0) == (Step > 0);
            if (!Away)
              FBookmarks->SetCurrentRowSelected(FToggleSelection ? FSelectionAnchorSelected
                                                                 : false);
          }
        }
        if (DataSet->MoveBy(Step) == 0) break;
        if (RowSelect && Multi && Away)
          FBookmarks->SetCurrentRowSelected(FToggleSelection ? !FSelectionAnchorSelected : true);
      }
    }
  }
  // [Phase 3] The grid shows it at once.
  if (FUpdateLock == 0) Update();
}

void TCustomDBGridKv::MoveCol(Integer RawCol, Integer Direction, bool Select) {
  const bool Rectangle = Select && FDataLink->GetActive() && !FOptions.Contains(dgRowSelectKv) &&
                         IsSelectionKindAllowed(gskRectangle);
  // [Phase 1] A rectangle starts at the current cell.
  if (Rectangle && FSelection->GetSelectionType() != gskRectangle)
    FSelection->GetRect()->Select(GetSelectedIndex(), GetDataSet()->GetBookmark(), false);
  FDataLink->UpdateRecord();
  // [Phase 2] The column: inside the data columns, past columns of no width.
  const Integer First = FIndicatorOffset;
  const Integer Last = GetColCount() - 1;
  if (Last < First) return;
  RawCol = std::clamp(RawCol, First, Last);
  if (Direction != 0) {
    while (RawCol >= First && RawCol <= Last && GetColWidths(RawCol) <= 0) RawCol += Direction;
    if (RawCol < First || RawCol > Last) return;
  }
  // [Phase 3] Leave the old column, enter the new one.
  if (RawCol != GetCol()) {
    if (!FInColExit) {
      const Integer Before = GetCol();
      {
        TFlagScope Exiting(FInColExit);
        ColExit();
      }
      if (GetCol() != Before) return;
    }
    if (!FOptions.Contains(dgAlwaysShowEditorKv)) HideEditor();
    if (!FOptions.Contains(dgRowSelectKv)) {
      if (RawCol < GetFixedCols())
        MoveColRow(RawCol, GetRow(), true, true);
      else
        SetCol(RawCol);
    }
    if (CanEditorAlwaysShow()) ShowCellEditor();
    ColEnter();
  }
  // [Phase 4] The rectangle's moving corner follows.
  if (Rectangle)
    FSelection->GetRect()->Select(GetSelectedIndex(), GetDataSet()->GetBookmark(), true);
  if (InplaceSearching()) StopInplaceSearch();
}

}  // namespace korvel
