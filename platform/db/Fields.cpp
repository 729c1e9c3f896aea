// TField: identity, binding to a dataset, value storage with validation and
// change notification, presentation properties, and the TFields list. The
// typed conversions and text rules of each field class are in FieldsText.cpp.

#include "platform/db/Fields.h"

#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Identity and binding

// A field freed while its dataset is open closes the dataset first, as the
// record structure is going away under it.
void TField::Destroy() {
  if (FLookupDataSet) FLookupDataSet->RemoveFreeNotification(this);
  if (FDataSet && FDataSet->GetActive()) FDataSet->Close();
  SetDataSet(nullptr);
  inherited::Destroy();
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FLookupDataSet) FLookupDataSet = nullptr;
}

void TField::SetDataSet(TDataSet* Value) {
  if (FDataSet == Value) return;
  if (FDataSet) FDataSet->CheckInactive();
  if (Value) {
    Value->CheckInactive();
    if (!FFieldName.empty() && Value->FindField(FFieldName))
      DatabaseError(DBMessage("Duplicate field name '%s'", {FFieldName}), Value);
  }
  if (FDataSet) {
    FDataSet->FFields->Remove(this);
    FDataSet->FieldsChanged();
  }
  FDataSet = Value;
  if (FDataSet) {
    FDataSet->FFields->Add(this);
    FDataSet->FieldsChanged();
  }
}

void TField::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  if (FDataSet) {
    FDataSet->CheckInactive();
    TField* Other = FDataSet->FindField(Value);
    if (Other && Other != this)
      DatabaseError(DBMessage("Duplicate field name '%s'", {Value}), FDataSet);
  }
  FFieldName = Value;
}

void TField::SetFieldKind(TFieldKind Value) {
  if (FFieldKind == Value) return;
  if (FDataSet) FDataSet->CheckInactive();
  FFieldKind = Value;
}

void TField::SetSize(Integer Value) {
  if (FSize == Value) return;
  if (FDataSet) FDataSet->CheckInactive();
  FSize = Value;
}

Integer TField::GetIndex() const { return FDataSet ? FDataSet->FFields->IndexOf(this) : -1; }

// Moves the field in its dataset's list: a layout change, then a new field list.
void TField::SetIndex(Integer Value) {
  if (!FDataSet) return;
  TFields* Fields = FDataSet->FFields.get();
  Value = std::clamp(Value, 0, Fields->GetCount() - 1);
  const Integer Current = GetIndex();
  if (Current == Value) return;
  Fields->Move(Current, Value);
  if (FDataSet->GetActive()) FDataSet->DataEvent(deLayoutChange, 0);
  FDataSet->DataEvent(deFieldListChange, 0);
}

void TField::SetLookupDataSet(TDataSet* Value) {
  if (FLookupDataSet == Value) return;
  if (Value && Value == FDataSet) DatabaseError("Circular datalinks are not allowed", this);
  if (FLookupDataSet) FLookupDataSet->RemoveFreeNotification(this);
  FLookupDataSet = Value;
  if (FLookupDataSet) FLookupDataSet->FreeNotification(this);
}

// [SECTION] Values

// The value in the buffer itself: readers take what they need from it
// without copying it.
const Variant& TField::GetData() const {
  static const Variant NoRecord = Null();
  if (!FDataSet) return NoRecord;
  return FDataSet->FieldData(this);
}

bool TField::IsNull() const {
  const TVarType Type = VarType(GetData());
  return Type == varNull || Type == varEmpty;
}

Variant TField::GetValue() const {
  const Variant& V = GetData();
  if (VarIsEmpty(V)) return Null();
  return V;
}

void TField::SetValue(const Variant& Value) {
  if (FFieldKind == fkLookup) {
    SetLookupValue(Value);
    return;
  }
  if (VarIsNull(Value) || VarIsEmpty(Value)) {
    SetData(Null());
    return;
  }
  // A value the field's type does not hold, written back as it was read,
  // stays as stored (converting it would change what the store holds).
  const Variant& Current = GetData();
  if (!HoldsValue(Current) && VarType(Value) == VarType(Current) && VarSameValue(Value, Current)) {
    const Variant Kept = Current;
    SetData(Kept);
    return;
  }
  SetData(ConvertValue(Value));
}

// Writing a lookup field writes the key fields of the lookup record whose
// result field holds Value (Null when there is none).
void TField::SetLookupValue(const Variant& Value) {
  if (!FDataSet) DatabaseError(DBMessage("Field '%s' has no dataset", {GetDisplayName()}), this);
  if (FReadOnly)
    DatabaseError(DBMessage("Field '%s' cannot be modified", {GetDisplayName()}), FDataSet);
  Variant Key = Null();
  if (FLookupDataSet && !VarIsNull(Value) && !VarIsEmpty(Value))
    Key = FLookupDataSet->Lookup(FLookupResultField, Value, FLookupKeyFields);
  FDataSet->SetFieldValues(FKeyFields, Key);
}

// Checks that the field may be written, runs OnValidate on the new value
// (raising there keeps the old one), stores it and tells everyone.
void TField::SetData(const Variant& Value) {
  if (!FDataSet) DatabaseError(DBMessage("Field '%s' has no dataset", {GetDisplayName()}), this);
  const TDataSetState State = FDataSet->GetState();
  const bool Calculating = State == dsCalcFields || State == dsInternalCalc;
  if (Calculating) {
    FDataSet->SetFieldValue(this, Value);
    return;
  }
  if (State != dsEdit && State != dsInsert && State != dsSetKey)
    DatabaseError("Dataset not in edit or insert mode", FDataSet);
  if (FReadOnly || FFieldKind == fkCalculated || FFieldKind == fkInternalCalc)
    DatabaseError(DBMessage("Field '%s' cannot be modified", {GetDisplayName()}), FDataSet);
  const Variant Old = GetData();
  FDataSet->SetFieldValue(this, Value);
  if (OnValidate && !FValidating) {
    FValidating = true;
    try {
      OnValidate(this);
    } catch (...) {
      FValidating = false;
      FDataSet->SetFieldValue(this, Old);
      throw;
    }
    FValidating = false;
  }
  FDataSet->DataEvent(deFieldChange, FieldInfo(this));
  if (OnChange) OnChange(this);
}

Variant TField::GetOldValue() const {
  if (!FDataSet || FDataSet->GetState() != dsEdit) return GetValue();
  TDataSet::TTempState Temp(FDataSet, dsOldValue, &FDataSet->FOldValues);
  return GetValue();
}

// [SECTION] Presentation

void TField::PropertyChanged(bool Layout) {
  if (FDataSet && FDataSet->GetActive())
    FDataSet->DataEvent(Layout ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  PropertyChanged(false);
}

void TField::SetDisplayLabel(const String& Value) {
  if (FDisplayLabel == Value) return;
  FDisplayLabel = Value == FFieldName ? String() : Value;
  PropertyChanged(true);
}

Integer TField::GetDisplayWidth() const {
  return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(Integer Value) {
  if (FDisplayWidth == Value) return;
  FDisplayWidth = Value;
  PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  PropertyChanged(true);
}

void TField::SetEditMask(const String& Value) {
  if (FEditMask == Value) return;
  FEditMask = Value;
  PropertyChanged(false);
}

void TField::FocusControl() {
  if (!FDataSet || !FDataSet->GetActive()) return;
  TField* Field = this;
  FDataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(&Field));
}

bool TField::GetCanModify() const {
  if (FReadOnly || !FDataSet) return false;
  if (FFieldKind != fkData && FFieldKind != fkLookup) return false;
  return FDataSet->GetCanModify();
}

// [SECTION] TFieldChars

TFieldChars TFieldChars::All() {
  TFieldChars Result;
  Result.FLow.set();
  Result.FHigh = true;
  return Result;
}

TFieldChars TFieldChars::Of(std::u32string_view Chars) {
  TFieldChars Result;
  for (Char C : Chars) Result.Include(C);
  return Result;
}

void TFieldChars::Include(Char C) {
  if (C < 256)
    FLow.set(C);
  else
    FHigh = true;
}

void TFieldChars::Exclude(Char C) {
  if (C < 256)
    FLow.reset(C);
  else
    FHigh = false;
}

[[noreturn]] void TField::RangeError(const String& Value, const String& Min,
                                     const String& Max) const {
  DatabaseError(DBMessage("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                          {Value, GetDisplayName(), Min, Max}),
                const_cast<TField*>(this));
}

// [SECTION] TFields

TField* TFields::GetField(Integer Index) const {
  if (Index < 0 || Index >= GetCount())
    DatabaseError("List index out of bounds (" + IntToStr(Index) + ")");
  return FList[Index];
}

// Names are unique without case, so the name as spelt, found by a plain
// comparison, is the one; only another spelling needs the case folding.
TField* TFields::FindField(const String& FieldName) const {
  for (TField* Field : FList)
    if (Field->FFieldName == FieldName) return Field;
  for (TField* Field : FList)
    if (AnsiSameText(Field->FFieldName, FieldName)) return Field;
  return nullptr;
}

TField* TFields::FieldByName(const String& FieldName) const {
  TField* Field = FindField(FieldName);
  if (!Field) DatabaseError(DBMessage("Field '%s' not found", {FieldName}), FDataSet);
  return Field;
}

TField* TFields::FieldByNumber(Integer FieldNo) const {
  for (TField* Field : FList)
    if (Field->FFieldNo == FieldNo) return Field;
  return nullptr;
}

Integer TFields::IndexOf(const TField* Field) const {
  auto It = std::find(FList.begin(), FList.end(), Field);
  return It == FList.end() ? -1 : Integer(It - FList.begin());
}

void TFields::Add(TField* Field) { FList.push_back(Field); }

void TFields::Remove(TField* Field) {
  FList.erase(std::remove(FList.begin(), FList.end(), Field), FList.end());
}

void TFields::Move(Integer CurIndex, Integer NewIndex) {
  TField* Field = FList[CurIndex];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, Field);
}

TClass FieldClassOf(TFieldType Type) {
  switch (Type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return TStringField::StaticClass();
    case ftWideString:
      return TWideStringField::StaticClass();
    case ftSmallint:
      return TSmallintField::StaticClass();
    case ftInteger:
      return TIntegerField::StaticClass();
    case ftWord:
      return TWordField::StaticClass();
    case ftAutoInc:
      return TAutoIncField::StaticClass();
    case ftLargeint:
      return TLargeintField::StaticClass();
    case ftBoolean:
      return TBooleanField::StaticClass();
    case ftFloat:
      return TFloatField::StaticClass();
    case ftCurrency:
      return TCurrencyField::StaticClass();
    case ftBCD:
    case ftFMTBcd:
      return TBCDField::StaticClass();
    case ftDate:
      return TDateField::StaticClass();
    case ftTime:
      return TTimeField::StaticClass();
    case ftDateTime:
    case ftTimeStamp:
      return TDateTimeField::StaticClass();
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftTypedBinary:
      return TBlobField::StaticClass();
    case ftMemo:
    case ftFmtMemo:
      return TMemoField::StaticClass();
    case ftGraphic:
      return TGraphicField::StaticClass();
    case ftVariant:
      return TVariantField::StaticClass();
    default:
      return nullptr;
  }
}

// [SECTION] TFieldDef and TFieldDefs

Integer TFieldDef::GetIndex() const {
  if (!FOwner) return -1;
  for (Integer I = 0; I < FOwner->GetCount(); ++I)
    if (FOwner->FItems[I].get() == this) return I;
  return -1;
}

Integer TFieldDef::GetFieldNo() const { return GetIndex() + 1; }

TField* TFieldDef::CreateField(TComponent* Owner, TDataSet* DataSet) {
  TClass Class = FieldClassOf(FDataType);
  if (!Class || !Class->Factory)
    DatabaseError(DBMessage("Field '%s' is of an unknown type", {FName}), DataSet);
  TField* Field = static_cast<TField*>(Class->Factory(Owner));
  try {
    Field->FFieldName = FName;
    Field->FDataType = FDataType;
    if (Field->Is<TStringField>() || Field->Is<TBlobField>()) Field->FSize = FSize;
    if (auto* BCD = DynCast<TBCDField>(Field)) BCD->SetPrecision(FPrecision);
    if (auto* Text = DynCast<TStringField>(Field)) Text->SetCutToSize(FCutToSize);
    Field->FRequired = FRequired;
    Field->SetDataSet(DataSet);
  } catch (...) {
    Field->Free();
    throw;
  }
  return Field;
}

void TFieldDef::Assign(TPersistent* Source) {
  auto* Other = DynCast<TFieldDef>(Source);
  if (!Other) {
    inherited::Assign(Source);
    return;
  }
  FName = Other->FName;
  FDataType = Other->FDataType;
  FCutToSize = Other->FCutToSize;
  FSize = Other->FSize;
  FRequired = Other->FRequired;
  FPrecision = Other->FPrecision;
}

void TFieldDefs::Destroy() {
  Clear();
  inherited::Destroy();
}

TFieldDef* TFieldDefs::Add(const String& Name, TFieldType DataType, Integer Size, bool Required) {
  if (Name.empty()) DatabaseError("Field name missing", nullptr);
  if (IndexOf(Name) >= 0) DatabaseError(DBMessage("Duplicate field name '%s'", {Name}), nullptr);
  FItems.emplace_back(TFieldDef::Create(this, Name, DataType, Size, Required));
  FUpdated = false;
  return FItems.back().get();
}

TFieldDef* TFieldDefs::AddFieldDef() {
  FItems.emplace_back(TFieldDef::Create(this, String(), ftUnknown, 0, false));
  FUpdated = false;
  return FItems.back().get();
}

void TFieldDefs::Clear() {
  FItems.clear();
  FUpdated = false;
}

void TFieldDefs::Delete(Integer Index) {
  GetItem(Index);
  FItems.erase(FItems.begin() + Index);
  FUpdated = false;
}

TFieldDef* TFieldDefs::GetItem(Integer Index) const {
  if (Index < 0 || Index >= GetCount())
    DatabaseError("List index out of bounds (" + IntToStr(Index) + ")");
  return FItems[Index].get();
}

Integer TFieldDefs::IndexOf(const String& Name) const {
  for (Integer I = 0; I < GetCount(); ++I)
    if (FItems[I]->FName == Name) return I;
  for (Integer I = 0; I < GetCount(); ++I)
    if (AnsiSameText(FItems[I]->FName, Name)) return I;
  return -1;
}

TFieldDef* TFieldDefs::Find(const String& Name) const {
  const Integer Index = IndexOf(Name);
  if (Index < 0) DatabaseError(DBMessage("Field '%s' not found", {Name}), nullptr);
  return FItems[Index].get();
}

void TFieldDefs::Assign(TPersistent* Source) {
  auto* Other = DynCast<TFieldDefs>(Source);
  if (!Other) {
    inherited::Assign(Source);
    return;
  }
  Clear();
  for (const auto& Def : Other->FItems) {
    TFieldDef* Copy = AddFieldDef();
    Copy->Assign(Def.get());
  }
}

}  // namespace kvp
