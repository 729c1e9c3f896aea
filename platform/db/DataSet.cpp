// TDataSet outside the buffer window and editing: opening and closing, the
// state and its notification, data event delivery, DisableControls, fields
// and their values, calculated and lookup fields, filtering, Locate, Lookup,
// FieldValues and bookmarks.
//
// Index
//   [SECTION] Life           Construct, Destroy, Open, Close, SetState
//   [SECTION] Data events    DataEvent, SendToSources, DisableControls, EnableControls
//   [SECTION] Fields         CreateFields, BindFields, FindField, GetFieldList, values
//   [SECTION] Calculation    CalculateFields, RecordFilterAccepts, filters
//   [SECTION] Searching      Locate, Lookup, FieldValues, FindRecord
//   [SECTION] Bookmarks      GetBookmark, BookmarkValid, CompareBookmarks

#include "platform/db/DataSet.h"

#include <algorithm>

#include "platform/db/DataSource.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Life

void TDataSet::Construct() {
  inherited::Construct();
  FFields = std::make_unique<TFields>(this);
  FFieldDefs.reset(TFieldDefs::Create(this));
}

void TDataSet::Destroy() {
  if (GetActive()) {
    FState = dsBrowse;  // a pending edit is dropped without events
    Close();
  }
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
  DestroyFields();
  for (TField* Field : std::vector<TField*>(FFields->FList)) Field->FDataSet = nullptr;
  FFields->FList.clear();
  if (FFieldDefs) FFieldDefs.release()->Free();
  inherited::Destroy();
}

void TDataSet::SetActive(bool Value) {
  if (Value)
    Open();
  else
    Close();
}

void TDataSet::Open() {
  if (GetActive()) return;
  Fire(BeforeOpen);
  FState = dsOpening;
  try {
    DoInternalOpen();
  } catch (...) {
    FState = dsInactive;
    InternalClose();
    BindFields(false);
    if (FDefaultFields) DestroyFields();
    ClearBuffers();
    throw;
  }
  FBOF = true;
  FEOF = FRecordCount == 0;
  SetState(dsBrowse);
  Fire(AfterOpen);
  if (FRecordCount > 0) DoAfterScroll();
}

void TDataSet::DoInternalOpen() {
  InternalOpen();
  FDefaultFields = FFields->GetCount() == 0;
  if (FDefaultFields) CreateFields();
  BindFields(true);
  UpdateBufferCount();
  for (TRecordBuffer* Each : FBuffers) InitBufferShape(*Each);
  ClearBuffers();
  InternalFirst();
  GetNextRecords();
}

void TDataSet::Close() {
  if (!GetActive()) return;
  Fire(BeforeClose);
  const TDataSetState Old = FState;
  FState = dsBrowse;  // a pending edit is dropped: no post or cancel events
  if (Old != dsBrowse) FModified = false;
  SetState(dsInactive);
  InternalClose();
  BindFields(false);
  if (FDefaultFields) {
    DestroyFields();
    FDefaultFields = false;
  }
  ClearBuffers();
  FBOF = FEOF = true;
  Fire(AfterClose);
}

// Every state change clears Modified and reaches the sources as deUpdateState.
void TDataSet::SetState(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

void TDataSet::CheckActive() const {
  if (!GetActive())
    DatabaseError("Cannot perform this operation on a closed dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
  if (GetActive())
    DatabaseError("Cannot perform this operation on an open dataset", const_cast<TDataSet*>(this));
}

void TDataSet::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
}

void TDataSet::Fire(const TDataSetNotifyEvent& Event) {
  if (Event) Event(this);
}

void TDataSet::DoBeforeScroll() { Fire(BeforeScroll); }
void TDataSet::DoAfterScroll() { Fire(AfterScroll); }

// [SECTION] Data events

void TDataSet::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  // [Phase 1] The dataset's own handling.
  switch (Event) {
    case deFieldChange: {
      TField* Field = InfoField(Info);
      if (Field && (Field->FFieldKind == fkData || Field->FFieldKind == fkInternalCalc)) {
        FModified = true;
        if (TRecordBuffer* Buffer = GetActiveBuffer()) CalculateFields(*Buffer);
      }
      break;
    }
    default:
      break;
  }
  // [Phase 2] Delivery, or what is remembered while controls are disabled.
  if (ControlsDisabled()) {
    if (Event == deUpdateState) {
      FEnableEvent = deLayoutChange;
      SendToSources(deDisabledStateChange, GetActive() ? 1 : 0);
    } else if (Event == deLayoutChange) {
      FEnableEvent = deLayoutChange;
    }
    return;
  }
  SendToSources(Event, Info);
}

void TDataSet::SendToSources(TDataEvent Event, TDataEventInfo Info) {
  const std::vector<TDataSource*> Sources = FDataSources;
  for (TDataSource* Source : Sources) {
    if (std::find(FDataSources.begin(), FDataSources.end(), Source) == FDataSources.end())
      continue;  // detached by an earlier handler
    Source->DataEvent(Event, Info);
  }
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount > 0) return;
  if (FState != FDisableState) SendToSources(deUpdateState, 0);
  if (FDisableState != dsInactive && FState != dsInactive) SendToSources(FEnableEvent, 0);
}

// [Groups of writes]

void TDataSet::EndWriteGroup() {
  if (FWriteGroups == 0) return;
  if (--FWriteGroups > 0) return;
  InternalSaveWrites();
}

void TDataSet::SaveWriteGroup() {
  if (FWriteGroups > 0) InternalSaveWrites();
}

TWriteGroupGuard::~TWriteGroupGuard() {
  if (!FDataSet) return;
  try {
    FDataSet->EndWriteGroup();
  } catch (...) {
    // Leaving by an exception already on its way, or closed without End: the
    // store shows what it holds, and the first error is the one to tell.
  }
}

void TWriteGroupGuard::End() {
  TDataSet* DataSet = FDataSet;
  FDataSet = nullptr;
  if (DataSet) DataSet->EndWriteGroup();
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
  while (DataSource) {
    TDataSet* DataSet = DataSource->GetDataSet();
    if (!DataSet) break;
    if (DataSet == this) return true;
    DataSource = DataSet->GetDataSource();
  }
  return false;
}

void TDataSet::AddDataSource(TDataSource* Source) {
  FDataSources.push_back(Source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), Source),
                     FDataSources.end());
  UpdateBufferCount();
}

// [SECTION] Fields

Integer TDataSet::GetFieldCount() const { return FFields->GetCount(); }

void TDataSet::CreateFields() {
  for (Integer I = 0; I < FFieldDefs->GetCount(); ++I) {
    TFieldDef* Def = FFieldDefs->GetItem(I);
    Def->CreateField(this, this);
  }
}

void TDataSet::DestroyFields() {
  for (TField* Field : std::vector<TField*>(FFields->FList)) {
    if (Field->GetOwner() == this) Field->Free();
  }
}

// Binds data fields to their definitions (FieldNo) and gives calculated and
// lookup fields their slots; unbinding clears both.
void TDataSet::BindFields(bool Binding) {
  FCalcFieldCount = 0;
  for (TField* Field : *FFields) {
    Field->FFieldNo = 0;
    Field->FCalcSlot = -1;
    if (!Binding) continue;
    if (Field->FFieldKind == fkData) {
      const Integer Index = FFieldDefs->IndexOf(Field->FFieldName);
      if (Index < 0) DatabaseError(DBMessage("Field '%s' not found", {Field->FFieldName}), this);
      Field->FFieldNo = Index + 1;
    } else {
      Field->FCalcSlot = FCalcFieldCount++;
    }
  }
}

void TDataSet::InitBufferShape(TRecordBuffer& Buffer) const {
  Buffer.Data.resize(FFieldDefs->GetCount());
  Buffer.Calc.resize(FCalcFieldCount);
  if (Buffer.UnreadCount > 0 && Buffer.Unread.size() != Buffer.Data.size()) {
    Buffer.Unread.resize(Buffer.Data.size(), 1);  // a new value is not read either
    Buffer.UnreadCount = Integer(std::count(Buffer.Unread.begin(), Buffer.Unread.end(), 1));
  }
}

void TDataSet::InternalInitRecord(TRecordBuffer& Buffer) {
  InitBufferShape(Buffer);
  Buffer.MarkAllRead();
  for (Variant& V : Buffer.Data) V = Null();
  for (Variant& V : Buffer.Calc) V = Null();
}

void TDataSet::ReadUnreadValue(TRecordBuffer& Buffer, Integer Index) {
  Buffer.Data[std::size_t(Index)] = Null();
}

void TDataSet::ReadAllValues(TRecordBuffer& Buffer) {
  for (std::size_t I = 0; Buffer.UnreadCount > 0 && I < Buffer.Data.size(); ++I) {
    if (!Buffer.IsUnread(I)) continue;
    ReadUnreadValue(Buffer, Integer(I));
    Buffer.MarkRead(I);
  }
}

TField* TDataSet::FindField(const String& FieldName) const { return FFields->FindField(FieldName); }

TField* TDataSet::FieldByName(const String& FieldName) const {
  TField* Field = FindField(FieldName);
  if (!Field)
    DatabaseError(DBMessage("Field '%s' not found", {FieldName}), const_cast<TDataSet*>(this));
  return Field;
}

TField* TDataSet::FieldByNumber(Integer FieldNo) const { return FFields->FieldByNumber(FieldNo); }

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
  Integer Pos = 1;
  const Integer Len = Length(FieldNames);
  while (Pos <= Len) {
    const String Name = ExtractFieldName(FieldNames, Pos);
    if (!Name.empty() || Pos <= Len) List.push_back(FieldByName(Name));
  }
}

void TDataSet::GetFieldList(TList* List, const String& FieldNames) const {
  std::vector<TField*> Fields;
  GetFieldList(Fields, FieldNames);
  if (List)
    for (TField* Field : Fields) List->Add(Field);
}

void TDataSet::FieldsChanged() { DataEvent(deFieldListChange, 0); }

TRecordBuffer* TDataSet::GetActiveBuffer() const {
  switch (FState) {
    case dsBrowse:
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsBlockRead:
      return FRecordCount == 0 ? nullptr : FBuffers[std::size_t(FActiveRecord)];
    case dsCalcFields:
    case dsFilter:
    case dsInternalCalc:
    case dsOldValue:
    case dsCurValue:
      return FTempBuffer;
    default:
      return nullptr;
  }
}

Variant TDataSet::GetFieldValue(const TField* Field) const { return FieldData(Field); }

namespace {
const Variant NoFieldValue = Null();
}

TRecordBuffer* TDataSet::ReadingBuffer() const {
  if (FReadBuffer && (FState == dsBrowse || FState == dsEdit || FState == dsInsert))
    return FReadBuffer;
  if (FState == dsBrowse) return FRecordCount == 0 ? nullptr : FBuffers[std::size_t(FActiveRecord)];
  return GetActiveBuffer();
}

const Variant& TDataSet::FieldData(const TField* Field) const {
  const Variant& NoValue = NoFieldValue;
  TRecordBuffer* Buffer = ReadingBuffer();
  if (!Buffer) return NoValue;
  if (Field->FFieldNo > 0) {
    const auto Index = static_cast<std::size_t>(Field->FFieldNo - 1);
    if (Index >= Buffer->Data.size()) return NoValue;
    if (Buffer->IsUnread(Index)) {
      // Reading a value the store left unread fills it in; no state a reader
      // can see changes.
      const_cast<TDataSet*>(this)->ReadUnreadValue(*Buffer, Integer(Index));
      Buffer->MarkRead(Index);
    }
    return Buffer->Data[Index];
  }
  if (Field->FCalcSlot >= 0 && static_cast<std::size_t>(Field->FCalcSlot) < Buffer->Calc.size())
    return Buffer->Calc[std::size_t(Field->FCalcSlot)];
  return NoValue;
}

// Writes go to the record being edited, or to the record being calculated or
// filtered; anything else is refused.
void TDataSet::SetFieldValue(TField* Field, const Variant& Value) {
  const bool Editing = FState == dsEdit || FState == dsInsert || FState == dsSetKey;
  const bool Calculating = FState == dsCalcFields || FState == dsInternalCalc;
  if (Calculating && Field->FFieldKind == fkData)
    DatabaseError(DBMessage("Field '%s' cannot be modified", {Field->GetDisplayName()}), this);
  if (!Editing && !Calculating) DatabaseError("Dataset not in edit or insert mode", this);
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "an editing dataset has a record buffer");
  if (Field->FFieldNo > 0) {
    Buffer->Data.at(Field->FFieldNo - 1) = Value;
    Buffer->MarkRead(std::size_t(Field->FFieldNo - 1));
  } else if (Field->FCalcSlot >= 0)
    Buffer->Calc.at(Field->FCalcSlot) = Value;
}

// [SECTION] Calculation

void TDataSet::CalculateFields(TRecordBuffer& Buffer) {
  if (FCalcFieldCount == 0) return;
  TTempState Temp(this, dsCalcFields, &Buffer);
  for (Variant& V : Buffer.Calc) V = Null();
  for (TField* Field : *FFields) {
    if (Field->FFieldKind != fkLookup || !Field->FLookupDataSet) continue;
    if (!Field->FLookupDataSet->GetActive()) continue;
    const Variant Key = GetFieldValues(Field->FKeyFields);
    Buffer.Calc[Field->FCalcSlot] =
        Field->FLookupDataSet->Lookup(Field->FLookupKeyFields, Key, Field->FLookupResultField);
  }
  if (FAutoCalcFields || FState == dsInternalCalc) DoOnCalcFields();
}

void TDataSet::DoOnCalcFields() {
  if (OnCalcFields) OnCalcFields(this);
}

bool TDataSet::RecordFilterAccepts(TRecordBuffer& Buffer) {
  if (!FFiltered || !OnFilterRecord) return true;
  CalculateFields(Buffer);
  TTempState Temp(this, dsFilter, &Buffer);
  bool Accept = true;
  OnFilterRecord(this, Accept);
  return Accept;
}

// A filter the store refuses leaves the old one in force.
void TDataSet::ApplyFilter(const String& Text, bool Filtered, TFilterOptions Options) {
  const String OldText = FFilterText;
  const bool OldFiltered = FFiltered;
  const TFilterOptions OldOptions = FFilterOptions;
  if (GetActive()) CheckBrowseMode();
  FFilterText = Text;
  FFiltered = Filtered;
  FFilterOptions = Options;
  if (!GetActive()) return;
  try {
    FilterChanged();
  } catch (...) {
    FFilterText = OldText;
    FFiltered = OldFiltered;
    FFilterOptions = OldOptions;
    FilterChanged();
    throw;
  }
  First();
}

void TDataSet::SetFilter(const String& Value) {
  if (FFilterText == Value) return;
  if (!FFiltered) {
    FFilterText = Value;
    return;
  }
  ApplyFilter(Value, FFiltered, FFilterOptions);
}

void TDataSet::SetFiltered(bool Value) {
  if (FFiltered == Value) return;
  ApplyFilter(FFilterText, Value, FFilterOptions);
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
  if (FFilterOptions == Value) return;
  if (!FFiltered) {
    FFilterOptions = Value;
    return;
  }
  ApplyFilter(FFilterText, FFiltered, Value);
}

// [SECTION] Searching

namespace {

bool IsTextField(const TField* Field) {
  switch (Field->GetDataType()) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftMemo:
    case ftFmtMemo:
      return true;
    default:
      return false;
  }
}

// One key value against one field. Text fields honour the options; other
// fields compare values, and a value that cannot be compared does not match.
bool KeyMatches(const TField* Field, const Variant& Key, TLocateOptions Options) {
  const Variant Value = Field->GetValue();
  if (VarIsNull(Key) || VarIsEmpty(Key)) return VarIsNull(Value);
  if (VarIsNull(Value)) return false;
  if (IsTextField(Field) || Options.Contains(loPartialKey) || Options.Contains(loCaseInsensitive)) {
    const String Text = Field->GetAsString();
    const String KeyText = VarToStr(Key);
    const bool NoCase = Options.Contains(loCaseInsensitive);
    if (Options.Contains(loPartialKey))
      return NoCase ? AnsiStartsText(KeyText, Text) : AnsiStartsStr(KeyText, Text);
    return NoCase ? AnsiSameText(KeyText, Text) : Text == KeyText;
  }
  try {
    return VarCompareValue(Value, Key) == vrEqual;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

bool TDataSet::RecordMatches(const std::vector<TField*>& Fields, const Variant& KeyValues,
                             TLocateOptions Options) const {
  if (Fields.size() == 1 && !VarIsArray(KeyValues))
    return KeyMatches(Fields[0], KeyValues, Options);
  if (!VarIsArray(KeyValues)) return false;
  const Integer Low = VarArrayLowBound(KeyValues);
  if (VarArrayHighBound(KeyValues) - Low + 1 < Integer(Fields.size())) return false;
  for (std::size_t I = 0; I < Fields.size(); ++I)
    if (!KeyMatches(Fields[I], VarArrayGet(KeyValues, Low + Integer(I)), Options)) return false;
  return true;
}

// Walks the visible records with a private buffer, leaving the window and
// the events alone; the cursor is put back by the next fetch.
bool TDataSet::FindRecord(const std::vector<TField*>& Fields, const Variant& KeyValues,
                          TLocateOptions Options, TRecordBuffer& Found) {
  CursorPosChanged();
  InternalFirst();
  TRecordBuffer Buffer;
  bool Result = false;
  while (Fetch(Buffer, gmNext) == grOK) {
    TTempState Temp(this, dsFilter, &Buffer);
    if (RecordMatches(Fields, KeyValues, Options)) {
      Found = Buffer;
      Result = true;
      break;
    }
  }
  CursorPosChanged();
  return Result;
}

bool TDataSet::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  std::vector<TField*> Fields;
  GetFieldList(Fields, KeyFields);
  DoBeforeScroll();
  TRecordBuffer Found;
  if (!FindRecord(Fields, KeyValues, Options, Found)) return false;
  if (!InternalGotoBookmark(Found.Bookmark)) return false;
  CursorPosChanged();
  Resync(true, true);
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const String& KeyFields, const Variant& KeyValues,
                         const String& ResultFields) {
  CheckActive();
  std::vector<TField*> Fields;
  GetFieldList(Fields, KeyFields);
  std::vector<TField*> Results;
  GetFieldList(Results, ResultFields);
  TRecordBuffer Found;
  if (!FindRecord(Fields, KeyValues, {}, Found)) return Null();
  TTempState Temp(this, dsFilter, &Found);
  if (Results.size() == 1) return Results[0]->GetValue();
  std::vector<Variant> Values;
  for (TField* Field : Results) Values.push_back(Field->GetValue());
  return VarArrayOf(Values);
}

Variant TDataSet::GetFieldValues(const String& FieldNames) {
  std::vector<TField*> Fields;
  GetFieldList(Fields, FieldNames);
  if (Fields.size() == 1) return Fields[0]->GetValue();
  std::vector<Variant> Values;
  for (TField* Field : Fields) Values.push_back(Field->GetValue());
  return VarArrayOf(Values);
}

void TDataSet::SetFieldValues(const String& FieldNames, const Variant& Value) {
  std::vector<TField*> Fields;
  GetFieldList(Fields, FieldNames);
  if (Fields.size() == 1) {
    Fields[0]->SetValue(Value);
    return;
  }
  if (!VarIsArray(Value)) {
    if (VarIsNull(Value) || VarIsEmpty(Value)) {
      for (TField* Field : Fields) Field->Clear();
      return;
    }
    throw EVariantError("Invalid variant type: an array of " + IntToStr(Integer(Fields.size())) +
                        " values is expected for '" + FieldNames + "'");
  }
  const Integer Low = VarArrayLowBound(Value);
  if (VarArrayHighBound(Value) - Low + 1 < Integer(Fields.size()))
    throw EVariantError("Variant array has fewer values than the fields '" + FieldNames + "'");
  for (std::size_t I = 0; I < Fields.size(); ++I)
    Fields[I]->SetValue(VarArrayGet(Value, Low + Integer(I)));
}

// [SECTION] Bookmarks

TBookmark TDataSet::GetBookmark() {
  if (!GetActive() || (FRecordCount == 0 && !FReadBuffer)) return TBookmark();
  const TRecordBuffer* Buffer = ReadingBuffer();
  if (!Buffer || Buffer->Flag == bfInserted) return TBookmark();
  return Buffer->Bookmark;
}

bool TDataSet::BookmarkValid(const TBookmark& /*Bookmark*/) { return false; }

Integer TDataSet::CompareBookmarks(const TBookmark& /*B1*/, const TBookmark& /*B2*/) { return 0; }

}  // namespace kvp
