// The library's own text search: record by record over a grid's dataset, in
// one column or across the visible columns, up, down or from the first
// record, matching any part, the whole or the start of a cell.
#include "grid/DBGridKv.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

namespace {

String CellText(TColumnKv* Column, bool DisplayText) {
  if (DisplayText) return Column->GetDisplayText();
  TField* Field = Column->GetField();
  return Field ? Field->GetText() : String();
}

bool CellMatches(const String& Cell, const String& Text, TLocateTextMatchingKv Matching) {
  switch (Matching) {
    case ltmAnyPartKv:
      return Pos(Text, Cell) > 0;
    case ltmWholeKv:
      return Cell == Text;
    case ltmFromBeginningKv:
      return Copy(Cell, 1, Length(Text)) == Text;
  }
  return false;
}

}  // namespace

bool LocateDatasetText(TCustomDBGridKv* Grid, const String& FieldName, const String& Text,
                       TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                       TLocateTextOptionsKv Options) {
  // [Phase 1] Nothing to search.
  if (!Grid || !Grid->GetDataSource()) return false;
  TDataSet* DataSet = Grid->GetDataSource()->GetDataSet();
  TColumnsKvList* Visible = Grid->GetVisibleColumns();
  if (!DataSet || !DataSet->GetActive() || Visible->GetCount() == 0) return false;

  // [Phase 2] The column searched, or with all columns the position among
  // the visible ones the search starts from (the current column's).
  const bool AllColumns = Options.Contains(ltoAllFieldsKv);
  const Integer Selected = Grid->GetSelectedIndex();
  TColumnKv* Current = Selected >= 0 && Selected < Grid->GetColumns()->GetCount()
                           ? Grid->GetColumns()->GetColumn(Selected)
                           : nullptr;
  TColumnKv* Column = Current;
  Integer Position = 0;
  if (AllColumns) {
    Position = std::max(Visible->IndexOf(Current), 0);
  } else if (!FieldName.empty()) {
    Column = nullptr;
    for (Integer I = 0; I < Visible->GetCount() && !Column; ++I)
      if (SameText(Visible->GetColumn(I)->GetFieldName(), FieldName))
        Column = Visible->GetColumn(I);
  }
  if (!AllColumns && !Column) return false;
  const Integer Count = Visible->GetCount();
  const bool Down = Direction != ltdUpKv;
  const bool NoCase = Options.Contains(ltoCaseInsensitiveKv);
  const bool DisplayText = Options.Contains(ltoMatchFormatKv);
  const String Wanted = NoCase ? AnsiUpperCase(Text) : Text;

  // One step: the next (or previous) visible column, and the next record
  // after the last one; without all columns, the next record. True when the
  // record moved.
  auto Step = [&]() {
    if (AllColumns) {
      Position += Down ? 1 : -1;
      if (Position >= 0 && Position < Count) return false;
      Position = Down ? 0 : Count - 1;
    }
    if (Down)
      DataSet->Next();
    else
      DataSet->Prior();
    return true;
  };

  // [Phase 3] The walk. The dataset's end is looked at only after a move
  // of the record: a column step stays on a record already there.
  TDisableControlsGuard Disabled(DataSet);
  Grid->SaveBookmark();
  bool Found = false;
  try {
    bool Moved = true;
    if (Direction == ltdAllKv) {
      DataSet->First();
      Position = 0;
    } else {
      Moved = Step();
    }
    for (;;) {
      if (Moved && (Down ? DataSet->GetEof() : DataSet->GetBof())) break;
      TColumnKv* Cell = AllColumns ? Visible->GetColumn(Position) : Column;
      const String Value = CellText(Cell, DisplayText);
      if (CellMatches(NoCase ? AnsiUpperCase(Value) : Value, Wanted, Matching)) {
        Column = Cell;
        Found = true;
        break;
      }
      Moved = Step();
    }
  } catch (...) {
    Grid->RestoreBookmark();
    throw;
  }

  // [Phase 4] The found cell becomes current; without one the position
  // comes back.
  if (Found)
    Grid->SetSelectedIndex(Column->GetIndex());
  else
    Grid->RestoreBookmark();
  return Found;
}

}  // namespace korvel
