// DBGridKvImpExpImpl: implementation detail of the exchange-format unit, not
// API. The guards that the walks over the dataset share, so that a walk that
// fails leaves the grid where it was and no record half written.
#pragma once

#include <exception>

#include "grid/DBGridKvImpExp.h"

namespace korvel::impexp {

// ---------------------------------------------------------------------------
// TGridPosition: keeps the grid's position across a walk over the dataset
// through the grid's SaveBookmark / RestoreBookmark (the same records in the
// same rows afterwards). Restore puts it back (once, unless asked to keep
// it); a position not put back is put back when the guard goes, quietly
// when an exception is on its way.
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
  bool FSaved = false;  // a position waits to be put back
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
