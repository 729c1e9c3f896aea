// The grid's side of the data service: text search, the position kept
// around walks over the records, the find dialog, and the filtering and
// sorting requests the grid hands on.
#include "grid/DBGridKv.h"
#include "grid/DBGridKvImpl.h"

namespace korvel {

using namespace kvp;

using dbgrid::TPaintLockGuard;

bool TCustomDBGridKv::LocateText(const String& FieldName, const String& Text,
                                 TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                                 TLocateTextOptionsKv Options, TLocateTextTreeRangeKv TreeRange) {
  if (TDBGridKvDataService* Service = DBGridKvDataService())
    return Service->LocateTextByFeatures(this, FieldName, Text, Matching, Direction, Options,
                                         TreeRange);
  return LocateDatasetText(this, FieldName, Text, Matching, Direction, Options);
}

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
