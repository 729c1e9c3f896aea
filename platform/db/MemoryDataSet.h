// TMemoryDataSet: a dataset that keeps its records in memory. The application
// declares the structure in FieldDefs (or through persistent fields), opens
// it and fills it like any dataset. Records keep stable ids, so bookmarks
// survive inserts, deletes, re-ordering and reopening. It orders records by
// IndexFieldNames, filters them with OnFilterRecord or a simple Filter text,
// and follows a master dataset through MasterSource, MasterFields and
// DetailFields.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

namespace kvp {

class TMemoryDataSet : public TDataSet {
  KV_CLASS(TMemoryDataSet, TDataSet)
 public:
  explicit TMemoryDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

  Integer GetRecordCount() override;
  bool IsSequenced() override { return true; }
  bool BookmarkValid(const TBookmark& Bookmark) override;
  Integer CompareBookmarks(const TBookmark& B1, const TBookmark& B2) override;

  // ';'-separated data fields that order the records; empty: the order in
  // which they were added. Those also named in DescFields sort descending
  // (nulls last), the others ascending (nulls first).
  const String& GetIndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const String& Value);
  const String& GetDescFields() const { return FDescFields; }
  void SetDescFields(const String& Value);

  // Master-detail: only records whose DetailFields equal the MasterFields of
  // the master's current record are visible.
  TDataSource* GetMasterSource() const;
  void SetMasterSource(TDataSource* Value);
  const String& GetMasterFields() const { return FMasterFields; }
  void SetMasterFields(const String& Value);
  const String& GetDetailFields() const { return FDetailFields; }
  void SetDetailFields(const String& Value);
  TDataSource* GetDataSource() const override { return GetMasterSource(); }

  KV_PUBLISHED;

  // Every record stored, whatever the filter or the master shows.
  Integer GetStoredRecordCount() const { return Integer(FRecords.size()); }

 protected:
  void Construct() override;
  void Destroy() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override {
    EnsureView();
    FCursor = -1;
  }
  void InternalLast() override {
    EnsureView();
    FCursor = Integer(FView.size());
  }
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) override;
  void InternalSetToRecord(const TRecordBuffer& Buffer) override;
  bool InternalGotoBookmark(const TBookmark& Bookmark) override;
  void InternalSetRecNo(Integer Value) override { FCursor = Value - 1; }
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void FilterChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  class TMasterLink;
  friend class TMasterLink;
  struct TMemRecord {
    Integer Id = 0;             // stable identity; the bookmark's bytes
    std::vector<Variant> Data;  // one value per field definition
  };

  void MasterChanged();
  void EnsureView();
  std::vector<Integer> IndexDefsOf(const String& FieldNames);
  void RebuildView(const TMemRecord* KeepOn);
  void Reorder();
  bool Visible(TMemRecord* Record);
  bool PassesFilterText(const TRecordBuffer& Buffer) const;
  bool PassesMaster(const TMemRecord* Record) const;
  Integer CompareRecords(const TMemRecord* A, const TMemRecord* B) const;
  TMemRecord* FindRecord(Integer Id) const;
  Integer StorageIndex(const TMemRecord* Record) const;
  void FillBuffer(TRecordBuffer& Buffer, const TMemRecord* Record, Integer Position) const;
  static TBookmark IdToBookmark(Integer Id);
  static bool BookmarkToId(const TBookmark& Bookmark, Integer& Id);

  std::vector<std::unique_ptr<TMemRecord>> FRecords;  // storage order
  std::vector<TMemRecord*> FOrder;                    // all records, in index order
  std::vector<TMemRecord*> FView;                     // the visible ones, in order
  std::unordered_map<Integer, Integer> FViewPos;      // id -> index in FView
  std::unordered_map<Integer, Integer> FOrderPos;     // id -> index in FOrder
  Integer FCursor = -1;  // index in FView; -1 before the first, size after the last
  Integer FNextId = 1;
  bool FViewValid = false;  // FOrder, FView and the maps describe the records
  String FIndexFieldNames;
  std::vector<Integer> FIndexDefs;  // definition indexes of the index fields
  String FDescFields;
  std::vector<Integer> FDescDefs;  // definition indexes of the descending fields
  String FMasterFields;
  String FDetailFields;
  TMasterLink* FMasterLink = nullptr;  // owned; freed in Destroy
};

}  // namespace kvp
