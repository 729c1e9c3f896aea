// The grid data link: the map from the grid's data columns to the dataset's
// fields, and the dataset's notifications turned into calls on the grid.
//
// Index:
//   [SECTION] Field map       AddMapping, ClearMapping, GetFields, GetDefaultFields
//   [SECTION] Notifications   ActiveChanged ... UpdateData, Reset
#include <algorithm>

#include "base/KorvelConsts.h"
#include "grid/DBGridKv.h"

namespace korvel {

using namespace kvp;

// [SECTION] Field map

void TGridDataLinkKv::Destroy() {
  ClearMapping();
  inherited::Destroy();
}

void TGridDataLinkKv::ClearMapping() {
  FFieldMap.clear();
  FFieldMap.shrink_to_fit();
  FFieldMapSize = 0;
  FFieldCount = 0;
}

bool TGridDataLinkKv::AddMapping(const String& FieldName) {
  // [Phase 1] Refusals leave the map as it was.
  if (FFieldCount >= MaxMapSize) RaiseGridError(SGridTooManyColumns);
  TDataSet* DataSet = GetDataSet();
  TField* Field = nullptr;
  if (FSparseMap) {
    Field = DataSet ? DataSet->FindField(FieldName) : nullptr;
  } else {
    if (!DataSet) DatabaseError(DBMessage("Field '%s' not found", {FieldName}));
    Field = DataSet->FieldByName(FieldName);
  }
  // [Phase 2] Room: doubled from 8, never past the limit.
  if (FFieldCount == FFieldMapSize) {
    Integer NewSize = FFieldMapSize == 0 ? 8 : FFieldMapSize * 2;
    if (FFieldCount >= NewSize) NewSize = FFieldCount + 1;
    NewSize = std::min(NewSize, MaxMapSize);
    FFieldMap.resize(std::size_t(NewSize), -1);
    FFieldMapSize = NewSize;
  }
  // [Phase 3] The entry: the field's place in the field list. The grid hears
  // when the field goes, so that it never reads a freed one.
  if (Field) {
    FFieldMap[std::size_t(FFieldCount)] = Field->GetIndex();
    Field->FreeNotification(FGrid);
  } else {
    FFieldMap[std::size_t(FFieldCount)] = -1;
  }
  ++FFieldCount;
  return true;
}

// A position kept from an older field list may no longer name a field: the
// answer is then no field rather than another one's neighbour.
TField* TGridDataLinkKv::GetFields(Integer Index) const {
  if (Index < 0 || Index >= FFieldCount) return nullptr;
  const Integer Position = FFieldMap[std::size_t(Index)];
  TDataSet* DataSet = GetDataSet();
  if (Position < 0 || !DataSet || Position >= DataSet->GetFields()->GetCount()) return nullptr;
  return DataSet->GetFields()->GetField(Position);
}

bool TGridDataLinkKv::GetDefaultFields() const {
  TDataSet* DataSet = GetDataSet();
  if (!DataSet) return true;
  if (!DataSet->GetDefaultFields()) return false;
  if (FSparseMap)
    for (Integer I = 0; I < FFieldCount; ++I)
      if (FFieldMap[std::size_t(I)] == -1) return false;
  return true;
}

// [SECTION] Notifications

void TGridDataLinkKv::ActiveChanged() {
  FGrid->LinkActive(GetActive());
  FModified = false;
}

void TGridDataLinkKv::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  inherited::DataEvent(Event, Info);
  if (Event == deDisabledStateChange) FGrid->GetColumns()->ResetFieldLinks();
}

void TGridDataLinkKv::DataSetChanged() {
  FGrid->RefreshAfterDataChange();
  FModified = false;
}

void TGridDataLinkKv::DataSetScrolled(Integer Distance) { FGrid->Scroll(Distance); }

void TGridDataLinkKv::EditingChanged() { FGrid->InvalidateIndicatorCell(); }

void TGridDataLinkKv::FocusControl(TField** Field) {
  if (!Field || !*Field) return;
  TField* Wanted = *Field;
  FGrid->SelectColumnOfField(Wanted);
  if (FGrid->GetSelectedField() == Wanted && FGrid->AcquireFocus()) {
    *Field = nullptr;  // no other control of the source takes the request
    FGrid->ShowCellEditor();
  }
}

void TGridDataLinkKv::LayoutChanged() {
  // While the link reports the change, an automatic column's unassigned
  // width is the field's, not one the layout hands it.
  const bool Saved = FGrid->FDataLinkLayout;
  FGrid->FDataLinkLayout = true;
  try {
    FGrid->LayoutChanged();
  } catch (...) {
    FGrid->FDataLinkLayout = Saved;
    throw;
  }
  FGrid->FDataLinkLayout = Saved;
  inherited::LayoutChanged();
}

void TGridDataLinkKv::RecordChanged(TField* Field) {
  FGrid->RecordChanged(Field);
  FModified = false;
}

void TGridDataLinkKv::UpdateData() {
  if (FInUpdateData) return;
  FInUpdateData = true;
  try {
    if (FModified) FGrid->UpdateData();
  } catch (...) {
    // A value the field refused stays pending, and is written next time.
    FInUpdateData = false;
    throw;
  }
  FModified = false;
  FInUpdateData = false;
}

void TGridDataLinkKv::Reset() {
  if (FModified)
    RecordChanged(nullptr);
  else if (TDataSet* DataSet = GetDataSet())
    DataSet->Cancel();
}

}  // namespace korvel
