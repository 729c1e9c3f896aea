// The data service: where each request of a grid goes (its own event, the
// registered features object, the library's own search and find dialog),
// and the global service every grid uses.
#include "grid/DBGridKv.h"
#include "grid/DBGridKvFindDlgs.h"

namespace korvel {

using namespace kvp;

TExecuteFindDialogProcKv ExecuteDBGridKvFindDialogProc = nullptr;

// [SECTION] Requests

TDataSet* TDBGridKvDataService::DataSetOf(TCustomDBGridKv* Grid) {
  if (!Grid || !Grid->GetDataSource()) return nullptr;
  return Grid->GetDataSource()->GetDataSet();
}

bool TDBGridKvDataService::LocateText(TCustomDBGridKv* Grid, const String& FieldName,
                                      const String& Text, TLocateTextMatchingKv Matching,
                                      TLocateTextDirectionKv Direction,
                                      TLocateTextOptionsKv Options,
                                      TLocateTextTreeRangeKv /*TreeRange*/) {
  return LocateDatasetText(Grid, FieldName, Text, Matching, Direction, Options);
}

bool TDBGridKvDataService::MoveRecords(TCustomDBGridKv* Grid, TStrings* Bookmarks, Integer Target,
                                       bool TestOnly) {
  TDataSet* DataSet = DataSetOf(Grid);
  TDatasetFeaturesKv* Features = GetDatasetFeaturesForDataSet(DataSet);
  if (!DataSet || !Features) return false;
  return Features->MoveRecords(Grid, Bookmarks, Target, TestOnly);
}

bool TDBGridKvDataService::LocateTextByFeatures(TCustomDBGridKv* Grid, const String& FieldName,
                                                const String& Text, TLocateTextMatchingKv Matching,
                                                TLocateTextDirectionKv Direction,
                                                TLocateTextOptionsKv Options,
                                                TLocateTextTreeRangeKv TreeRange) {
  if (TDatasetFeaturesKv* Features = GetDatasetFeaturesForDataSet(DataSetOf(Grid)))
    return Features->LocateText(Grid, FieldName, Text, Matching, Direction, Options, TreeRange);
  return LocateText(Grid, FieldName, Text, Matching, Direction, Options, TreeRange);
}

bool TDBGridKvDataService::DoMoveRecords(TCustomDBGridKv* Grid, TStrings* Bookmarks, Integer Target,
                                         bool TestOnly) {
  return MoveRecords(Grid, Bookmarks, Target, TestOnly);
}

void TDBGridKvDataService::ApplyFilter(TCustomDBGridKv* Grid) {
  if (OnApplyFilter)
    OnApplyFilter(Grid);
  else
    DefaultApplyFilter(Grid);
}

void TDBGridKvDataService::ApplySorting(TCustomDBGridKv* Grid) {
  if (OnApplySorting)
    OnApplySorting(Grid);
  else
    DefaultApplySorting(Grid);
}

void TDBGridKvDataService::DefaultApplyFilter(TCustomDBGridKv* Grid) {
  TDataSet* DataSet = DataSetOf(Grid);
  if (TDatasetFeaturesKv* Features = GetDatasetFeaturesForDataSet(DataSet))
    Features->ApplyFilter(Grid, DataSet, true);
}

void TDBGridKvDataService::DefaultApplySorting(TCustomDBGridKv* Grid) {
  TDataSet* DataSet = DataSetOf(Grid);
  if (TDatasetFeaturesKv* Features = GetDatasetFeaturesForDataSet(DataSet))
    Features->ApplySorting(Grid, DataSet, true);
}

void TDBGridKvDataService::ExecuteFindDialog(TCustomDBGridKv* Grid, const String& Text, bool Modal,
                                             const String& ColumnName) {
  if (TDatasetFeaturesKv* Features = GetDatasetFeaturesForDataSet(DataSetOf(Grid)))
    Features->ExecuteFindDialog(Grid, Text, Modal, ColumnName);
  else if (ExecuteDBGridKvFindDialogProc)
    ExecuteDBGridKvFindDialogProc(Grid, Text, String(), Modal, nullptr);
}

// [SECTION] The global service

namespace {

TDBGridKvDataService* GDataService = nullptr;
bool GDataServiceMade = false;  // made once; freeing it does not bring it back

// Frees the service when the program ends.
struct TDataServiceShutdown {
  ~TDataServiceShutdown() { FreeDBGridKvDataService(); }
} DataServiceShutdown;

}  // namespace

TDBGridKvDataService* DBGridKvDataService() {
  if (!GDataServiceMade) CreateDBGridKvDataService();
  return GDataService;
}

void SetDBGridKvDataService(TDBGridKvDataService* Value) {
  GDataServiceMade = true;
  if (GDataService == Value) return;
  TDBGridKvDataService* Old = GDataService;
  GDataService = Value;
  FreeObject(Old);
}

void CreateDBGridKvDataService() {
  // The service falls back to the find-dialog unit's dialog: that unit is
  // part of every program that has a service, and its start-up has run.
  EnsureDBGridKvFindDlgsUnit();
  GDataServiceMade = true;
  if (!GDataService) GDataService = TDBGridKvDataService::Create();
}

void FreeDBGridKvDataService() { FreeAndNil(GDataService); }

}  // namespace korvel
