// DBGridKvImpExpImpl: implementation detail of the exchange-format unit, not
// API. The guards that the walks over the dataset share, so that a walk that
// fails leaves the grid where it was and no record half written.
#pragma once

#include <exception>

#include "grid/DBGridKvImpExp.h"

namespace korvel::impexp {

// ---------------------------------------------------------------------------
// TGridPosition: keeps the grid's position across a walk over the dataset.
// With the data link it keeps the record in the middle of the rows shown and
// the distance to the current record, so that putting it back shows the same
// records in the same rows; with the dataset's tree interface only the
// current record. Restore puts it back (once); a position not put back is
// put back when the guard goes, quietly when an exception is on its way.
//
// FIXME(grid): this is the grid's SaveBookmark/RestoreBookmark, which the
// grid's messages and actions bring; the walks use it then.
class TGridPosition {
 public:
  explicit TGridPosition(TCustomDBGridKv* Grid, bool Save = true);
  ~TGridPosition();
  TGridPosition(const TGridPosition&) = delete;
  TGridPosition& operator=(const TGridPosition&) = delete;
  // Keep: the position stays saved, to be put back again later.
  void Restore(bool Keep = false);
  // The walk ends elsewhere on purpose (records were deleted).
  void Forget() { FSaved = false; }

 private:
  TCustomDBGridKv* FGrid;
  kvp::TBookmark FBookmark;  // the record kept; empty: none
  kvp::Integer FOffset = 0;  // records from the kept one to the current one
  bool FSaved = false;       // a position waits to be put back
};

// ---------------------------------------------------------------------------
// TPendingEditGuard: when the scope is left by an exception, an edit or
// insert the walk began and did not finish is cancelled, so that a record
// is written whole or not at all. Declared after the position guard, so that
// it runs first: putting the position back would post the record.
class TPendingEditGuard {
 public:
  explicit TPendingEditGuard(kvp::TDataSet* DataSet)
      : FDataSet(DataSet), FExceptions(std::uncaught_exceptions()) {}
  ~TPendingEditGuard();
  TPendingEditGuard(const TPendingEditGuard&) = delete;
  TPendingEditGuard& operator=(const TPendingEditGuard&) = delete;

 private:
  kvp::TDataSet* FDataSet;
  int FExceptions;  // exceptions in flight when the guard was made
};

// The column's export and import lists: the visible columns of the grid
// whose index lies in First..Last.
void VisibleColumnsInRange(TCustomDBGridKv* Grid, kvp::Integer First, kvp::Integer Last,
                           TColumnsKvList* List);
// The single field a value of the column is read from or written to: the
// column's field, or for a lookup field the key field it names; null when
// the lookup names no key field, several, or one the dataset lacks.
kvp::TField* ColumnValueField(TColumnKv* Column);

}  // namespace korvel::impexp
