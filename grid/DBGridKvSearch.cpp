// The grid's side of the data service: text search, the type-ahead search
// as the user types, the position kept around walks over the records, the
// find dialog, and the filtering and sorting requests the grid hands on.
//
// Index:
//   [SECTION] Text search         LocateText
//   [SECTION] Type-ahead search   InplaceSearchText, StopInplaceSearch,
//                                 InplaceSearchBackspace, the search's timer
//   [SECTION] Position            SaveBookmark, RestoreBookmark
//   [SECTION] Requests            ExecuteFindDialog, DoApplyFilter, ApplySorting
#include "grid/DBGridKv.h"
#include "grid/DBGridKvImpl.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

using dbgrid::TPaintLockGuard;

namespace {

constexpr UINT_PTR InplaceSearchTimerId = 2;

}  // namespace

// [SECTION] Text search

bool TCustomDBGridKv::LocateText(const String& FieldName, const String& Text,
                                 TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                                 TLocateTextOptionsKv Options, TLocateTextTreeRangeKv TreeRange) {
  if (TDBGridKvDataService* Service = DBGridKvDataService())
    return Service->LocateTextByFeatures(this, FieldName, Text, Matching, Direction, Options,
                                         TreeRange);
  return LocateDatasetText(this, FieldName, Text, Matching, Direction, Options);
}

// [SECTION] Type-ahead search

// The search's own moves of the record (and the found column made current)
// do not end it; only other moves do.
void TCustomDBGridKv::InplaceSearchText(const String& Text, Integer TimeOut, Integer Direction) {
  // [Phase 1] Look for the text so far and the new part.
  if (!FDataLink->GetActive()) return;
  String Candidate = FInplaceSearchText + Text;
  bool Found = false;
  if (!Candidate.empty()) {
    TFlagScope Locating(FInplaceSearchLocating);
    Found = LocateText(String(), Candidate, ltmFromBeginningKv,
                       TLocateTextDirectionKv(Direction), TLocateTextOptionsKv{ltoCaseInsensitiveKv});
  }
  // [Phase 2] The matched part in the cell's own letters.
  if (Found) {
    const Integer Index = GetSelectedIndex();
    if (Index >= 0 && Index < FColumns->GetCount())
      Candidate = Copy(FColumns->GetColumn(Index)->GetDisplayText(), 1, Length(Candidate));
    FInplaceSearchText = Candidate;
  }
  // [Phase 3] The search shows on the current row instead of the editor,
  // and the silence that ends it starts again.
  HideEditor();
  FInplaceSearching = true;
  if (GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
  FInplaceSearchTimeOut = TimeOut;
  RestartInplaceSearchTimer();
}

void TCustomDBGridKv::StopInplaceSearch() {
  if (FInplaceSearchLocating) return;
  if (FInplaceSearchTimerActive && HandleAllocated()) KillTimer(GetHandle(), InplaceSearchTimerId);
  FInplaceSearchTimerActive = false;
  FInplaceSearching = false;
  FInplaceSearchText.clear();
  if (HandleAllocated() && GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
  if (CanEditorAlwaysShow()) ShowCellEditor();
}

// Backspace takes the last character of the text back without looking
// again: the record stays, and the silence starts again.
void TCustomDBGridKv::InplaceSearchBackspace() {
  const Integer Count = Length(FInplaceSearchText);
  if (Count > 0) FInplaceSearchText = Copy(FInplaceSearchText, 1, Count - 1);
  if (GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
  RestartInplaceSearchTimer();
}

// A running timer goes first, so that a search without a time-out never
// ends on an older one.
void TCustomDBGridKv::RestartInplaceSearchTimer() {
  if (FInplaceSearchTimerActive && HandleAllocated()) KillTimer(GetHandle(), InplaceSearchTimerId);
  FInplaceSearchTimerActive = false;
  if (FInplaceSearchTimeOut >= 0 && HandleAllocated())
    FInplaceSearchTimerActive =
        SetTimer(GetHandle(), InplaceSearchTimerId, UINT(FInplaceSearchTimeOut), nullptr) != 0;
}

void TCustomDBGridKv::InplaceSearchTimer() {
  if (FInplaceSearching) StopInplaceSearch();
}

// [SECTION] Position

// The record kept is the one in the middle of the rows shown, so that
// putting it back and stepping by the same offset shows the same records in
// the same rows.
void TCustomDBGridKv::SaveBookmark() {
  TDataSet* DataSet = GetDataSet();
  FSavedBookmark.clear();
  FSavedOffset = 0;
  if (!DataSet || !DataSet->GetActive()) return;
  if (FMemTable) {
    FSavedBookmark = DataSet->GetBookmark();
    return;
  }
  const Integer Count = FDataLink->GetRecordCount();
  FSavedOffset = FDataLink->GetActiveRecord() - Count / 2 + (Count + 1) % 2;
  DataSet->MoveBy(-FSavedOffset);
  FSavedBookmark = DataSet->GetBookmark();
  DataSet->MoveBy(FSavedOffset);
}

void TCustomDBGridKv::RestoreBookmark() {
  TDataSet* DataSet = GetDataSet();
  if (!DataSet || !DataSet->GetActive() || FSavedBookmark.empty()) return;
  DataSet->SetBookmark(FSavedBookmark);
  if (!FMemTable) DataSet->MoveBy(FSavedOffset);
}

// [SECTION] Requests

void TCustomDBGridKv::ExecuteFindDialog(const String& Text, const String& ColumnName, bool Modal) {
  if (TDBGridKvDataService* Service = DBGridKvDataService())
    Service->ExecuteFindDialog(this, Text, Modal, ColumnName);
  else if (ExecuteDBGridKvFindDialogProc)
    ExecuteDBGridKvFindDialogProc(this, Text, String(), Modal, nullptr);
}

void TCustomDBGridKv::DoApplyFilter() {
  TPaintLockGuard Guard(this);
  if (TDBGridKvDataService* Service = DBGridKvDataService()) Service->ApplyFilter(this);
}

void TCustomDBGridKv::ApplySorting() {
  if (TDBGridKvDataService* Service = DBGridKvDataService()) Service->ApplySorting(this);
}

}  // namespace korvel
