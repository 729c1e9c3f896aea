// The interfaces through which a dataset hands a data-aware grid its rows
// itself and shows its records as a tree, and the sorted distinct values of
// one of its fields. A dataset offers them by deriving from them; the grid
// finds them with Supports. They are declared here, beside the datasets, so
// that a dataset of this layer (TMemoryTreeDataSet) can offer them; the
// library's controls unit names them for its own users.
#pragma once

#include <vector>

#include "platform/classes/Interfaces.h"
#include "platform/classes/StringList.h"
#include "platform/db/DBCommon.h"

namespace kvp {

// IMemTableDataFieldValueListKv: the sorted distinct values of one field.
struct IMemTableDataFieldValueListKv : virtual IInterface {
  KV_INTERFACE(IMemTableDataFieldValueListKv, "{28F8194C-5FF3-42C4-87A6-8B3E06210FA6}")
  virtual TStrings* GetValues() = 0;
};

// IMemTableKv: what a dataset may offer so that the grid reads its records
// directly and shows them as a tree. The grid calls the operations by their
// place: 1, 2, 4, 11, 12, 15, 18 and 19 are fixed by it, 6 is the node's
// level and 17 moves records; the others serve tree painting, the filter
// row's value lists and selection.
//
// "The current record" of the node queries (4 to 8, 10, 16) is the record
// that SetActiveRecord made current for reading, or else the dataset's own
// current record. Rows are the records as shown: in tree mode the visible
// nodes, depth first.
struct IMemTableKv : virtual IInterface {
  KV_INTERFACE(IMemTableKv, "{A8C3C87A-E556-4BDB-B8A7-5B33497D1624}")
  // 1: makes Count more records available.
  virtual void FetchRecords(Integer Count) = 0;
  // 2: the current record's index among the rows, -1 when none.
  virtual Integer GetActiveRecord() = 0;
  // 3: the row index of the record of Bookmark, -1 when it is not shown.
  virtual Integer GetRecordIndexByBookmark(const TBookmark& Bookmark) = 0;
  // 4: whether the current record's node is expanded.
  virtual bool GetNodeExpanded() = 0;
  // 5: whether the current record's node has children.
  virtual bool GetNodeHasChildren() = 0;
  // 6: the current record's node level (1 for a root).
  virtual Integer GetNodeLevel() = 0;
  // 7: whether the current record's ancestor at Level has a following sibling.
  virtual bool GetNodeHasNextSibling(Integer Level) = 0;
  // 8: the first level at which the next row continues the tree, -1 when none.
  virtual Integer GetNextNodeLevel() = 0;
  // 9: the value list of a field, for the filter row's drop-downs.
  virtual IMemTableDataFieldValueListKv* GetFieldValueList(const String& FieldName) = 0;
  // 10: the deepest level a record dropped at the current record may take.
  virtual Integer GetTreeLevelLimit() = 0;
  // 11: the number of rows.
  virtual Integer GetRecordCount() = 0;
  // 12: whether the records are shown as a tree.
  virtual bool GetTreeViewMode() = 0;
  // 13: the bookmark of the record at row Index.
  virtual TBookmark GetBookmarkByRecordIndex(Integer Index) = 0;
  // 14: the row index of the parent of the record at row Index, -1 for a root.
  virtual Integer GetParentRecordIndex(Integer Index) = 0;
  // 15: expands or collapses the node of the record at row RecIndex.
  virtual void SetNodeExpanded(Integer RecIndex, bool Expanded) = 0;
  // 16: the number of children of the current record's node.
  virtual Integer GetNodeChildCount() = 0;
  // 17: moves the records of Bookmarks to the record at row ToIndex: before
  // it when that record stands above the first of them, else after it; in
  // tree mode at TreeLevel (deeper than the target's level: first among its
  // children; its level: beside it; shallower: beside its ancestor of that
  // level). With CheckOnly it only answers whether it could.
  virtual bool MoveRecords(const std::vector<TBookmark>& Bookmarks, Integer ToIndex,
                           Integer TreeLevel, bool CheckOnly) = 0;
  // 18: makes the record at row Index current for reading its cells.
  virtual void SetActiveRecord(Integer Index) = 0;
  // 19: returns to the record current before SetActiveRecord.
  virtual void RestoreActiveRecord() = 0;
};

}  // namespace kvp
