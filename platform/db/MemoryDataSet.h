// TMemoryDataSet: a dataset that keeps its records in memory. The application
// declares the structure in FieldDefs (or through persistent fields), opens
// it and fills it like any dataset. Records keep stable ids, so bookmarks
// survive inserts, deletes, re-ordering and reopening. It orders records by
// IndexFieldNames, filters them with OnFilterRecord or a simple Filter text,
// and follows a master dataset through MasterSource, MasterFields and
// DetailFields. Posting, deleting and re-keying a record cost O(log n): the
// view is kept in order, not rebuilt.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classes/TypInfo.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/MemoryDataSetImpl.h"

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
  Integer GetStoredRecordCount() const { return FStored.GetCount(); }
  // The window's self-check, then the store's: its sequences, the cursor, and
  // in browse state that every buffer holds the stored record of its RecNo.
  void CheckConsistency() const override;

 protected:
  void Construct() override;
  void Destroy() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override;
  void InternalLast() override;
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode Mode) override;
  void InternalSetToRecord(const TRecordBuffer& Buffer) override;
  bool InternalGotoBookmark(const TBookmark& Bookmark) override;
  void InternalSetRecNo(Integer Value) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void FilterChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  class TMasterLink;
  friend class TMasterLink;
  friend class TMemoryTreeDataSet;  // offers the tree of this store to grids
  // The master's key values of the last re-selection, matched by definition index.
  struct TMasterKey {
    bool Active = false;   // a master and MasterFields are set: only matches show
    bool Matchable = true;  // every detail field exists
    std::vector<std::pair<Integer, Variant>> Values;  // detail index, master value
  };

  void MasterChanged();
  void EnsureView();
  std::vector<Integer> IndexDefsOf(const String& FieldNames);
  bool Indexed() const { return !FIndexDefs.empty(); }
  // The records show as a tree: both tree fields are named and bound.
  bool TreeShown() const { return FTreeIdDef >= 0 && FTreeParentDef >= 0; }
  // The order the cursor walks: the tree, else index order, else storage order.
  TRankSequence& View() { return TreeShown() ? FTree : BaseView(); }
  const TRankSequence& View() const { return TreeShown() ? FTree : BaseView(); }
  TRankNode& ViewNode(TMemRecord* Record) {
    return TreeShown() ? Record->Tree : Indexed() ? Record->Ordered : Record->Stored;
  }
  // The order without the tree, which is also the order of a node's children.
  TRankSequence& BaseView() { return Indexed() ? FOrdered : FStored; }
  const TRankSequence& BaseView() const { return Indexed() ? FOrdered : FStored; }
  void BuildTree(const std::vector<TRankNode*>& BaseOrder, const std::vector<char>& Shows);
  // Rebuilds the view on Record and, when the tree hides it, expands its
  // ancestors so that it shows.
  void ShowInTree(TMemRecord* Record);
  void ResolveTreeFields();
  void RebuildView(TMemRecord* KeepOn);
  void Reorder();
  void TakeMasterKey();
  bool Visible(const std::vector<Variant>& Data, Integer Id, TRecordBuffer& Scratch);
  bool PassesMaster(const std::vector<Variant>& Data) const;
  Integer CompareData(const std::vector<Variant>& A, const std::vector<Variant>& B) const;
  Integer OrderedRankFor(const std::vector<Variant>& Data, Integer StorageRank) const;
  void PlaceCursorOn(TMemRecord* Record);
  void PlaceCursorAt(Integer Position);
  TMemRecord* PostEdit(TMemRecord* Record, const TRecordBuffer& Buffer);
  TMemRecord* PostInsert(const TRecordBuffer& Buffer);
  TMemRecord* FindRecord(Integer Id) const;
  TMemRecord* FindRecord(const TBookmark& Bookmark) const;
  void FillBuffer(TRecordBuffer& Buffer, const TMemRecord* Record, Integer Position) const;
  std::uint32_t NextPriority();
  static TBookmark IdToBookmark(Integer Id);
  static bool BookmarkToId(const TBookmark& Bookmark, Integer& Id);

  std::vector<std::unique_ptr<TMemRecord>> FById;  // index: record id; null once deleted
  TRankSequence FStored;   // every record in storage order: appended at the end, or
                           // inserted before the record it was inserted at
  TRankSequence FOrdered;  // with index fields, every record by its key, ties in
                           // storage order; empty otherwise
  TRankSequence FTree;     // in tree mode every record, depth first; empty otherwise
  String FTreeIdField;     // the field naming a record in the tree
  String FTreeParentField;  // the field naming its parent (null or unknown: a root)
  Integer FTreeIdDef = -1;      // definition indexes of the two while open; -1: no tree
  Integer FTreeParentDef = -1;
  Integer FDataVersion = 0;  // counts changes of the stored values (value lists follow it)
  Integer FCursor = -1;    // visible position; -1 before the first, count after the last
  TRankNode* FCursorNode = nullptr;  // the view node at FCursor, null on a crack
  std::uint64_t FSeed = 0x9E3779B97F4A7C15ull;  // priorities; fixed, so runs repeat
  bool FViewValid = false;  // the view's order and visible flags describe the records
  String FIndexFieldNames;
  std::vector<Integer> FIndexDefs;  // definition indexes of the index fields
  std::vector<bool> FIndexDescending;  // per index field: it sorts descending
  String FDescFields;
  std::vector<Integer> FDescDefs;  // definition indexes of the descending fields
  TFilterProgram FFilterProgram;   // the parsed filter text
  TMasterKey FMasterKey;
  String FMasterFields;
  String FDetailFields;
  TMasterLink* FMasterLink = nullptr;  // owned; freed in Destroy
};

}  // namespace kvp
