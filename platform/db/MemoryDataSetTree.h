// TMemoryTreeDataSet: the in-memory dataset that hands a data-aware grid its
// rows itself (IMemTableKv) and, when TreeIdField and TreeParentField name its
// tree, shows its records as one: a record whose parent field holds the id of
// another record is that record's child, any other record is a root. The
// dataset then walks the tree's visible nodes, depth first, children in
// storage order (or by IndexFieldNames); a node's children show while it is
// expanded. Nodes start collapsed; a posted record shows (its ancestors are
// expanded). Records are moved within the tree by MoveRecords.
#pragma once

#include <map>
#include <vector>

#include "platform/db/MemTableIntf.h"
#include "platform/db/MemoryDataSet.h"

namespace kvp {

class TMemoryFieldValueList;

class TMemoryTreeDataSet : public TMemoryDataSet, public IMemTableKv {
  KV_CLASS(TMemoryTreeDataSet, TMemoryDataSet)
 public:
  explicit TMemoryTreeDataSet(TComponent* AOwner) : TMemoryDataSet(AOwner) {}

  // The two fields that name the tree; the records show as a tree while both
  // are set. A name the field definitions lack stops the opening (or the
  // change, while open) with "Field '%s' not found".
  const String& GetTreeIdField() const { return FTreeIdField; }
  void SetTreeIdField(const String& Value);
  const String& GetTreeParentField() const { return FTreeParentField; }
  void SetTreeParentField(const String& Value);

  KV_PUBLISHED;

  // [IMemTableKv] See MemTableIntf.h; rows are the records as shown.
  void FetchRecords(Integer Count) override;
  Integer GetActiveRecord() override;
  Integer GetRecordIndexByBookmark(const TBookmark& Bookmark) override;
  bool GetNodeExpanded() override;
  bool GetNodeHasChildren() override;
  Integer GetNodeLevel() override;
  bool GetNodeHasNextSibling(Integer Level) override;
  Integer GetNextNodeLevel() override;
  IMemTableDataFieldValueListKv* GetFieldValueList(const String& FieldName) override;
  Integer GetTreeLevelLimit() override;
  Integer GetRecordCount() override { return TMemoryDataSet::GetRecordCount(); }
  bool GetTreeViewMode() override;
  TBookmark GetBookmarkByRecordIndex(Integer Index) override;
  Integer GetParentRecordIndex(Integer Index) override;
  // Posts a pending edit first. The current record stays current while it
  // shows; a collapse that hides it makes the collapsed node current.
  void SetNodeExpanded(Integer RecIndex, bool Expanded) override;
  Integer GetNodeChildCount() override;
  // Moves stored records: in storage order (refused while IndexFieldNames
  // orders the records, unless only the parent changes in tree mode) and, in
  // tree mode, to a new parent by writing the parent field of the records
  // whose parent is not moved with them; a node takes its subtree along. Refused
  // (false, nothing changes) on a read-only or closed dataset, for a target
  // among the moved records or inside their subtrees, or for records not shown.
  // Posts a pending edit first; the current record stays current.
  bool MoveRecords(const std::vector<TBookmark>& Bookmarks, Integer ToIndex, Integer TreeLevel,
                   bool CheckOnly) override;
  // Nested: each RestoreActiveRecord returns to what the matching
  // SetActiveRecord found. A row outside the rows reads as no record.
  void SetActiveRecord(Integer Index) override;
  void RestoreActiveRecord() override;

  void CheckConsistency() const override;

 protected:
  void Destroy() override;
  void InternalClose() override;

 private:
  friend class TMemoryFieldValueList;
  // The record the node queries are about (see MemTableIntf.h), or null.
  TMemRecord* FocusedRecord();
  // The dataset's own current record (not one set for reading), or null.
  TMemRecord* CurrentRecord();
  TMemRecord* RecordAtRow(Integer Index);
  Integer RowOf(TMemRecord* Record);
  void FillReadBuffer(TRecordBuffer& Buffer, TMemRecord* Record);
  // Lays the view out again with Current (when it shows) current, and the
  // window read again around the current record.
  void ViewChanged(TMemRecord* Current);
  // The texts of a field over the records the master and the filter let
  // through, into Values unless they were read at Version already; false
  // when the dataset is closed or has no such field.
  bool ReadFieldValues(const String& FieldName, TStrings* Values, Integer& Version);

  // Buffers set for reading by SetActiveRecord, innermost last; a null entry
  // reads the dataset's own current record.
  std::vector<std::unique_ptr<TRecordBuffer>> FReadStack;
  std::map<String, TInterfacePtr<IMemTableDataFieldValueListKv>> FValueLists;
};

}  // namespace kvp
