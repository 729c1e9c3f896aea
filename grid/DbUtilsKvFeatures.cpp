// The registry of features objects: one entry per dataset class, looked up
// by the nearest registered ancestor of a dataset's class; and the bodies a
// features object has when it does not override an operation.
//
// The registry is made on first use with the entries for the platform's
// in-memory and SQLite datasets, so that the grid's filter row and sort
// markers work on them as they come; an application's own entry for either
// class replaces the library's. It is freed, with every entry, when the
// program ends.
#include <memory>

#include "grid/DBGridKv.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Default bodies

bool TDatasetFeaturesKv::LocateText(TCustomDBGridKv* Grid, const String& FieldName,
                                    const String& Text, TLocateTextMatchingKv Matching,
                                    TLocateTextDirectionKv Direction, TLocateTextOptionsKv Options,
                                    TLocateTextTreeRangeKv /*TreeRange*/) {
  return LocateDatasetText(Grid, FieldName, Text, Matching, Direction, Options);
}

bool TDatasetFeaturesKv::MoveRecords(TCustomDBGridKv* /*Grid*/, TStrings* /*Bookmarks*/,
                                     Integer /*Target*/, bool /*TestOnly*/) {
  return false;
}

void TDatasetFeaturesKv::ApplySorting(TCustomDBGridKv* /*Grid*/, TDataSet* /*DataSet*/,
                                      bool /*IsReopen*/) {}

void TDatasetFeaturesKv::ApplyFilter(TCustomDBGridKv* /*Grid*/, TDataSet* /*DataSet*/,
                                     bool /*IsReopen*/) {}

void TDatasetFeaturesKv::ExecuteFindDialog(TCustomDBGridKv* Grid, const String& Text, bool Modal,
                                           const String& ColumnName) {
  if (ExecuteDBGridKvFindDialogProc)
    ExecuteDBGridKvFindDialogProc(Grid, Text, ColumnName, Modal, nullptr);
}

// [SECTION] Registry

namespace {

struct TFeaturesEntry {
  TClass DataSetClass = nullptr;
  TObjectPtr<TDatasetFeaturesKv> Features;
};

void AddEntry(std::vector<TFeaturesEntry>& List, TClass DataSetClass,
              TObjectPtr<TDatasetFeaturesKv> Features) {
  for (TFeaturesEntry& Entry : List)
    if (Entry.DataSetClass == DataSetClass) {
      Entry.Features = std::move(Features);
      return;
    }
  List.push_back({DataSetClass, std::move(Features)});
}

TObjectPtr<TDatasetFeaturesKv> Serving(TClass DataSetClass, TDatasetFeaturesKv* Features) {
  Features->SetDataSetClass(DataSetClass);
  return TObjectPtr<TDatasetFeaturesKv>(Features);
}

// The entries in registration order; empty until an application registers
// one; freed with the program.
std::vector<TFeaturesEntry>& Entries() {
  static std::vector<TFeaturesEntry> List;
  return List;
}

}  // namespace

void RegisterDatasetFeaturesKv(TClass DataSetClass, TDatasetFeaturesKv* Features) {
  TObjectPtr<TDatasetFeaturesKv> Owned(Features);
  if (!DataSetClass || !Features) return;
  AddEntry(Entries(), DataSetClass, Serving(DataSetClass, Owned.release()));
}

void UnregisterDatasetFeaturesKv(TClass DataSetClass) {
  std::vector<TFeaturesEntry>& List = Entries();
  for (auto It = List.begin(); It != List.end(); ++It)
    if (It->DataSetClass == DataSetClass) {
      List.erase(It);
      return;
    }
}

Integer ClassNameDistance(TClass AClass, const String& AncestorName) {
  Integer Distance = 0;
  for (TClass Class = AClass; Class; Class = Class->Parent, ++Distance)
    if (SameText(Class->Name, AncestorName)) return Distance;
  return 2147483647;
}

TDatasetFeaturesKv* GetDatasetFeaturesForClass(TClass DataSetClass) {
  if (!DataSetClass) return nullptr;
  Integer Best = 2147483647;
  TDatasetFeaturesKv* Result = nullptr;
  for (const TFeaturesEntry& Entry : Entries()) {
    if (!DataSetClass->InheritsFrom(Entry.DataSetClass)) continue;
    const Integer Distance = ClassNameDistance(DataSetClass, Entry.DataSetClass->Name);
    if (Distance < Best) {
      Best = Distance;
      Result = Entry.Features.get();
    }
  }
  return Result;
}

TDatasetFeaturesKv* GetDatasetFeaturesForDataSet(TDataSet* DataSet) {
  return DataSet ? GetDatasetFeaturesForClass(DataSet->ClassType()) : nullptr;
}

}  // namespace korvel
