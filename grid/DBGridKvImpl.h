// DBGridKvImpl: implementation detail of the data-aware grid unit, not API.
// Small helpers that several of the grid's sources share.
#pragma once

#include <vector>

#include "grid/DBGridKv.h"

namespace korvel::dbgrid {

// The list exists and holds at least one line.
inline bool HasItems(kvp::TStrings* List) { return List && List->GetCount() > 0; }

// The fields an edit of a lookup field writes: its dataset's fields named by
// KeyFields. False, with Fields emptied, when Field is not a lookup field,
// has no dataset, or names a field the dataset lacks (nothing is raised).
bool LookupKeyFields(kvp::TField* Field, std::vector<kvp::TField*>& Fields);

// The index of the first line of Strings equal to Text, ignoring case; -1
// when there is none.
kvp::Integer IndexOfText(kvp::TStrings* Strings, const kvp::String& Text);

// Holds BeginUpdate / EndUpdate of the grid.
class TGridUpdateGuard {
 public:
  explicit TGridUpdateGuard(TCustomDBGridKv* Grid) : FGrid(Grid) { FGrid->BeginUpdate(); }
  ~TGridUpdateGuard() { FGrid->EndUpdate(); }
  TGridUpdateGuard(const TGridUpdateGuard&) = delete;
  TGridUpdateGuard& operator=(const TGridUpdateGuard&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

// Holds the grid filter's updates (the filter-row editor is neither placed
// nor hidden) until Release or the end of the scope.
class TFilterUpdateGuard {
 public:
  explicit TFilterUpdateGuard(TSTDBGridKvFilter* Filter) : FFilter(Filter) {
    if (FFilter) FFilter->BeginUpdate();
  }
  ~TFilterUpdateGuard() { Release(); }
  void Release() {
    if (FFilter) FFilter->EndUpdate();
    FFilter = nullptr;
  }
  TFilterUpdateGuard(const TFilterUpdateGuard&) = delete;
  TFilterUpdateGuard& operator=(const TFilterUpdateGuard&) = delete;

 private:
  TSTDBGridKvFilter* FFilter;
};

// Holds the base grid's paint lock for a scope.
class TPaintLockGuard {
 public:
  explicit TPaintLockGuard(TCustomGridKv* Grid) : FGrid(Grid) { FGrid->LockPaint(); }
  ~TPaintLockGuard() { FGrid->UnlockPaint(); }
  TPaintLockGuard(const TPaintLockGuard&) = delete;
  TPaintLockGuard& operator=(const TPaintLockGuard&) = delete;

 private:
  TCustomGridKv* FGrid;
};

}  // namespace korvel::dbgrid

namespace korvel {

// What one key asks of the grid (DBGridKvKeys.cpp): KeyDown decodes the key
// into a request and RunKeyRequest carries it out.
enum class TGridKeyActKv {
  None,
  MoveRecords,    // MoveAndSelect(Select, Distance, ToEnd, NoRectangle)
  MoveDataSet,    // the dataset moves by Distance, or to an end with ToEnd
  NextRow,        // NextRow(Select)
  PriorRow,       // PriorRow(Select)
  MoveCol,        // MoveCol(Col, Direction, Select)
  ScrollCols,     // LeftCol moves by Distance
  InsertRecord,   // Insert, or Append where only appending is allowed
  DeleteRecords,  // the selected records, or the current one, after asking
  Copy,
  Cut,
  Paste,
  DeleteSelection,
  SelectAll,
  SearchClipboard,  // the clipboard's text is added to the running search
  Tab,              // Tab(Forward)
  Escape,
  EditorOn,
  ToggleNode,
  ExpandNode,
  CollapseNode,
};

struct TGridKeyRequestKv {
  TGridKeyActKv Act = TGridKeyActKv::None;
  bool ClearFirst = false;     // the grid's ClearSelection runs first
  bool Select = false;         // the move extends the selection
  kvp::Integer Distance = 0;   // records, or columns for ScrollCols
  bool ToEnd = false;          // to the first (Distance < 0) or the last record
  bool NoRectangle = false;    // records are selected even where rectangles may be
  kvp::Integer Col = 0;        // the grid column of MoveCol
  kvp::Integer Direction = 0;  // MoveCol's step past columns of no width
  bool Forward = true;         // Tab
  bool FetchAhead = false;     // interface mode: records are fetched for a page down
};

}  // namespace korvel
