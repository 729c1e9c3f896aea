// TDataSource, TDataLink and TFieldDataLink: delivery of data events from a
// dataset to the controls, and each link's window over the record buffers.

#include "platform/db/DataSource.h"

#include <algorithm>

#include "platform/classes/Actions.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/FlagScope.h"

namespace kvp {

// [SECTION] TDataSource

void TDataSource::Destroy() {
  while (!FDataLinks.empty()) FDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
  inherited::Destroy();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (FDataSet == Value) return;
  if (IsLinkedTo(Value)) DatabaseError("Circular datalinks are not allowed", this);
  if (FDataSet) {
    FDataSet->RemoveFreeNotification(this);
    FDataSet->RemoveDataSource(this);
  }
  FDataSet = Value;
  if (FDataSet) {
    FDataSet->FreeNotification(this);
    FDataSet->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse && FDataSet) FDataSet->Edit();
}

// True when DataSet, through its master sources, leads back to this source.
bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
  while (DataSet) {
    TDataSource* Source = DataSet->GetDataSource();
    if (!Source) break;
    if (Source == this) return true;
    DataSet = Source->GetDataSet();
  }
  return false;
}

void TDataSource::AddDataLink(TDataLink* Link) {
  FDataLinks.push_back(Link);
  Link->FDataSource = this;
  if (FDataSet) FDataSet->UpdateBufferCount();
  Link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), Link), FDataLinks.end());
  Link->FDataSource = nullptr;
  Link->UpdateState();
  if (FDataSet) FDataSet->UpdateBufferCount();
}

// The source's state is the dataset's while enabled; a change reaches the
// links, then OnStateChange, then OnDataChange(nil) when it became active.
void TDataSource::UpdateState() {
  const TDataSetState Value = (FEnabled && FDataSet) ? FDataSet->GetState() : dsInactive;
  if (FState == Value) return;
  const bool WasInactive = FState == dsInactive;
  FState = Value;
  NotifyLinks(deUpdateState, 0);
  if (OnStateChange) OnStateChange(this);
  if (WasInactive && FState != dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  NotifyLinks(Event, Info);
  switch (Event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, InfoField(Info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// Non-visual links first, then visual ones; each group last-attached first.
// A link detached by an earlier one's handler is skipped.
void TDataSource::NotifyLinks(TDataEvent Event, TDataEventInfo Info) {
  const std::vector<TDataLink*> Links = FDataLinks;
  for (bool Visual : {false, true}) {
    for (auto It = Links.rbegin(); It != Links.rend(); ++It) {
      TDataLink* Link = *It;
      if (Link->FVisualControl != Visual) continue;
      if (std::find(FDataLinks.begin(), FDataLinks.end(), Link) == FDataLinks.end()) continue;
      Link->DataEvent(Event, Info);
    }
  }
}

void TDataSource::KvPublish(TPublisher<TDataSource>& P) {
  P.Prop("AutoEdit", &TDataSource::GetAutoEdit, &TDataSource::SetAutoEdit).Default(1);
  P.Prop("DataSet", &TDataSource::GetDataSet, &TDataSource::SetDataSet);
  P.Prop("Enabled", &TDataSource::GetEnabled, &TDataSource::SetEnabled).Default(1);
  P.Prop("OnDataChange", &TDataSource::OnDataChange);
  P.Prop("OnStateChange", &TDataSource::OnStateChange);
  P.Prop("OnUpdateData", &TDataSource::OnUpdateData);
}

// [SECTION] TDataLink

void TDataLink::Destroy() {
  FDataSourceFixed = false;
  SetDataSource(nullptr);
  inherited::Destroy();
}

TDataSet* TDataLink::GetDataSet() const {
  return FDataSource ? FDataSource->GetDataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (FDataSource == Value) return;
  if (FDataSourceFixed) DatabaseError("Operation not allowed in a DataLink");
  if (Value && GetDetailDataSet() && GetDetailDataSet()->IsLinkedTo(Value))
    DatabaseError("Circular datalinks are not allowed");
  if (FDataSource) FDataSource->RemoveDataLink(this);
  if (Value) Value->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  UpdateState();
}

Integer TDataLink::GetActiveRecord() const {
  TDataSet* DataSet = GetDataSet();
  if (!FActive || !DataSet) return 0;
  if (DataSet->GetState() == dsSetKey) return 0;
  return DataSet->FActiveRecord - FFirstRecord;
}

// Moves the dataset's active buffer to row Value of this link's window
// without any event: fields then read that row's record.
void TDataLink::SetActiveRecord(Integer Value) {
  TDataSet* DataSet = GetDataSet();
  if (!FActive || !DataSet || DataSet->GetState() == dsSetKey) return;
  const Integer Index = Value + FFirstRecord;
  if (Index < 0 || Index >= std::max(1, DataSet->FRecordCount))
    DatabaseError("Active record " + std::to_string(Value) + " is outside the link's " +
                  std::to_string(GetRecordCount()) + " records");
  DataSet->FActiveRecord = Index;
}

Integer TDataLink::GetRecordCount() const {
  TDataSet* DataSet = GetDataSet();
  if (!FActive || !DataSet) return 0;
  if (DataSet->GetState() == dsSetKey) return 1;
  return std::max(0, std::min(FBufferCount, DataSet->FRecordCount - FFirstRecord));
}

void TDataLink::SetBufferCount(Integer Value) {
  if (Value < 1) Value = 1;
  if (FBufferCount == Value) return;
  FBufferCount = Value;
  TDataSet* DataSet = GetDataSet();
  if (FActive && DataSet) {
    UpdateRange();
    DataSet->UpdateBufferCount();
    UpdateRange();
  } else if (DataSet) {
    DataSet->UpdateBufferCount();
  }
}

// Keeps the window on the active record and inside the buffers, with one row
// of context above the record when there is room.
void TDataLink::UpdateRange() {
  TDataSet* DataSet = GetDataSet();
  if (!DataSet) return;
  const Integer A = DataSet->FActiveRecord;
  const Integer B = DataSet->GetBufferCount();
  Integer F = FFirstRecord;
  if (F > A) F = A;
  if (A > F + FBufferCount - 1) F = A - FBufferCount + 1;
  if (F + FBufferCount > B) F = B - FBufferCount;
  if (F < 0) F = 0;
  if (F > 0 && A - F < FBufferCount - 1) --F;
  FFirstRecord = F;
}

void TDataLink::UpdateState() {
  SetActive(FDataSource && FDataSource->GetState() != dsInactive);
  const TDataSetState State = FDataSource ? FDataSource->GetState() : dsInactive;
  SetEditing((State == dsEdit || State == dsInsert || State == dsSetKey) && !FReadOnly);
}

void TDataLink::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (Value)
    UpdateRange();
  else
    FFirstRecord = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  EditingChanged();
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource) FDataSource->Edit();
  return FEditing;
}

bool TDataLink::ExecuteAction(TObject* Action) {
  auto* Basic = DynCast<TBasicAction>(Action);
  if (!Basic || !Basic->HandlesTarget(FDataSource)) return false;
  Basic->ExecuteTarget(FDataSource);
  return true;
}

bool TDataLink::UpdateAction(TObject* Action) {
  auto* Basic = DynCast<TBasicAction>(Action);
  if (!Basic || !Basic->HandlesTarget(FDataSource)) return false;
  Basic->UpdateTarget(FDataSource);
  return true;
}

void TDataLink::UpdateRecord() {
  TFlagScope Updating(FUpdating);
  UpdateData();
}

// The window follows the active record after the buffers moved by Shift:
// Distance is how many rows the window itself moved.
void TDataLink::FollowActiveRecord(TDataEventInfo Shift, Integer& Distance) {
  TDataSet* DataSet = GetDataSet();
  const Integer A = DataSet->FActiveRecord;
  const Integer First = FFirstRecord + Integer(Shift);
  const Integer Last = First + FBufferCount - 1;
  Distance = A > Last ? A - Last : (A < First ? A - First : 0);
  FFirstRecord = First + Distance;
}

void TDataLink::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(InfoField(Info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      Integer Distance = 0;
      TDataSet* DataSet = GetDataSet();
      if (DataSet && DataSet->GetState() != dsSetKey) FollowActiveRecord(Info, Distance);
      if (Event == deDataSetChange)
        DataSetChanged();
      else if (Event == deDataSetScroll)
        DataSetScrolled(Distance);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(Info));
      break;
    default:
      break;
  }
}

// [SECTION] TFieldDataLink

void TFieldDataLink::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  UpdateField();
}

void TFieldDataLink::SetField(TField* Value) {
  if (FField == Value) return;
  FField = Value;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField() {
  if (GetActive() && !FFieldName.empty()) {
    FField = nullptr;
    SetField(FControl ? GetFieldProperty(GetDataSet(), FControl, FFieldName)
                      : GetDataSet()->FieldByName(FFieldName));
  } else {
    SetField(nullptr);
  }
}

bool TFieldDataLink::GetCanModify() const {
  return !GetReadOnly() && FField && FField->GetCanModify();
}

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  const bool Value = TDataLink::GetEditing() && GetCanModify();
  if (FEditing == Value) return;
  FEditing = Value;
  FModified = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::FocusControl(TField** Field) {
  if (!Field || !*Field || *Field != FField || !FControl || !FieldDataLinkFocusProc) return;
  if (FieldDataLinkFocusProc(FControl)) *Field = nullptr;
}

TDelegate<bool(TComponent* Control)> FieldDataLinkFocusProc;

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* Field) {
  if (Field && Field != FField) return;
  FModified = false;
  if (OnDataChange) OnDataChange(this);
}

void TFieldDataLink::UpdateData() {
  if (!FModified) return;
  if (FField && OnUpdateData) OnUpdateData(this);
  FModified = false;
}

TField* GetFieldProperty(TDataSet* DataSet, TComponent* Control, const String& FieldName) {
  TField* Field = DataSet ? DataSet->FindField(FieldName) : nullptr;
  if (!Field) DatabaseError(DBMessage("Field '%s' not found", {FieldName}), Control);
  return Field;
}

}  // namespace kvp
