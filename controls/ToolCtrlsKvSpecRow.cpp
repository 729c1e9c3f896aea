// The special row of lookup lists, the field-list routines, the reporting
// data link and the value list of one field.
//
//   [SECTION] TSpecRowKv                 properties, cells, colour and font
//   [SECTION] Field lists                GetFieldsList, SetDataSetFieldValues
//   [SECTION] TDataLinkKv, TDatasetFieldValueListKv
#include <string_view>

#include "controls/ToolCtrlsKv.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] TSpecRowKv

void TSpecRowKv::KvPublish(TPublisher<TSpecRowKv>& P) {
  P.Prop("CellsText", &TSpecRowKv::GetCellsText, &TSpecRowKv::SetCellsText);
  P.Prop("Color", &TSpecRowKv::GetColor, &TSpecRowKv::SetColor)
      .TypeName("TColor")
      .Stored(&TSpecRowKv::IsColorStored);
  P.Prop("Font", &TSpecRowKv::GetFont, &TSpecRowKv::SetFont).Stored(&TSpecRowKv::IsFontStored);
  P.Prop("ShortCut", &TSpecRowKv::GetShortCut, &TSpecRowKv::SetShortCut).Default(AltDelShortCut);
  P.Prop("ShowIfNotInKeyList", &TSpecRowKv::GetShowIfNotInKeyList,
         &TSpecRowKv::SetShowIfNotInKeyList)
      .Default(true);
  P.Prop("Value", &TSpecRowKv::GetValue, &TSpecRowKv::SetValue).Stored(&TSpecRowKv::IsValueStored);
  P.Prop("Visible", &TSpecRowKv::GetVisible, &TSpecRowKv::SetVisible).Default(false);
}

void TSpecRowKv::Construct() {
  inherited::Construct();
  FCells.reset(TStringList::Create());
  FFont.reset(TFont::Create());
  if (TControl* Owner = OwnerControl()) FFont->Assign(Owner->GetFont());
  FFont->OnChange = TNotifyEvent(this, &TSpecRowKv::FontChanged);
}

void TSpecRowKv::Destroy() {
  FCells.reset();
  FFont.reset();
  inherited::Destroy();
}

void TSpecRowKv::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TSpecRowKv::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TSpecRowKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TSpecRowKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  struct TEnd {
    TSpecRowKv* Row;
    ~TEnd() {
      // The end of the update notifies, unless an exception is on its way.
      if (std::uncaught_exceptions() == 0) {
        Row->EndUpdate();
      } else if (Row->FUpdateCount > 0) {
        --Row->FUpdateCount;
      }
    }
  } End{this};
  SetCellsText(Src->GetCellsText());
  SetColor(Src->GetColor());
  if (Src->FFontAssigned) SetFont(Src->GetFont());
  SetShortCut(Src->GetShortCut());
  SetShowIfNotInKeyList(Src->GetShowIfNotInKeyList());
  SetValue(Src->GetValue());
  SetVisible(Src->GetVisible());
}

void TSpecRowKv::SetCellsText(const String& Value) {
  if (FCellsText == Value) return;
  FCellsText = Value;
  SplitCells();
  Changed();
}

String TSpecRowKv::CellText(Integer Index) const {
  if (Index < 0 || Index >= FCells->GetCount()) return "";
  return FCells->Get(Index);
}

// Cells run to the next ';' or control character; a cell that starts with a
// double quote is read as a quoted string (a doubled quote stands for one).
// Control characters between cells are skipped; a ';' at the end adds no
// empty cell. The text ends at its first zero character, as it always has.
void TSpecRowKv::SplitCells() {
  FCells->BeginUpdate();
  struct TEnd {
    TStrings* S;
    ~TEnd() { S->EndUpdate(); }
  } End{FCells.get()};
  FCells->Clear();
  std::string_view Text(FCellsText);
  Text = Text.substr(0, Text.find('\0'));
  std::size_t Pos = 0;
  auto SkipControls = [&] {
    while (Pos < Text.size() && Byte(Text[Pos]) < 32) ++Pos;
  };
  SkipControls();
  while (Pos < Text.size()) {
    if (Text[Pos] == '"') {
      std::string_view Rest = Text.substr(Pos);
      const std::size_t Before = Rest.size();
      FCells->Add(AnsiExtractQuotedStr(Rest, '"'));
      Pos += Before - Rest.size();
    } else {
      const std::size_t Start = Pos;
      while (Pos < Text.size() && Text[Pos] != ';' && Byte(Text[Pos]) >= 32) ++Pos;
      FCells->Add(String(Text.substr(Start, Pos - Start)));
    }
    SkipControls();
    if (Pos < Text.size() && Text[Pos] == ';') {
      ++Pos;
      SkipControls();
    }
  }
}

TColor TSpecRowKv::GetColor() const {
  if (FColorAssigned) return FColor;
  if (TControl* Owner = OwnerControl()) return Owner->GetColor();
  return FColor;
}

void TSpecRowKv::SetColor(TColor Value) {
  if (FColorAssigned && FColor == Value) return;
  FColor = Value;
  FColorAssigned = true;
  Changed();
}

TFont* TSpecRowKv::GetFont() {
  if (FFontAssigned) return FFont.get();
  TControl* Owner = OwnerControl();
  TFont* Source = Owner ? Owner->GetFont() : FFont.get();
  if (FFont->GetHandle() != Source->GetHandle()) {
    FCopyingFont = true;
    FFont->Assign(Source);
    FCopyingFont = false;
  }
  return FFont.get();
}

void TSpecRowKv::SetFont(TFont* Value) { FFont->Assign(Value); }

void TSpecRowKv::FontChanged(TObject*) {
  if (FCopyingFont) return;
  FFontAssigned = true;
  Changed();
}

void TSpecRowKv::SetShowIfNotInKeyList(bool Value) {
  if (FShowIfNotInKeyList == Value) return;
  FShowIfNotInKeyList = Value;
  Changed();
}

void TSpecRowKv::SetValue(const Variant& Value) {
  if (VarType(FValue) == VarType(Value) && VarEquals(FValue, Value)) return;
  FValue = Value;
  Changed();
}

void TSpecRowKv::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed();
}

// [SECTION] Field lists

namespace {

// Walks the names of a field list, handing each field found to Found.
template <class F>
void ForEachField(TDataSet* DataSet, TComponent* Component, const String& FieldNames, F&& Found) {
  Integer Pos = 1;
  while (Pos <= Length(FieldNames)) {
    const String Name = ExtractFieldName(FieldNames, Pos);
    if (Name.empty()) DatabaseError("Field name missing in '" + FieldNames + "'", Component);
    TField* Field = DataSet->FindField(Name);
    if (!Field) DatabaseError(DBMessage("Field '%s' not found", {Name}), Component);
    Found(Field);
  }
}

}  // namespace

void GetFieldsList(TList* List, TDataSet* DataSet, TComponent* Component,
                   const String& FieldNames) {
  ForEachField(DataSet, Component, FieldNames, [List](TField* Field) {
    if (List) List->Add(Field);
  });
}

TFieldsArrKv GetFieldsArray(TDataSet* DataSet, TComponent* Component, const String& FieldNames) {
  TFieldsArrKv Fields;
  ForEachField(DataSet, Component, FieldNames,
               [&Fields](TField* Field) { Fields.push_back(Field); });
  return Fields;
}

void SetDataSetFieldValues(TDataSet* DataSet, const String& FieldNames, const Variant& Value) {
  if (VarEquals(Value, Null())) {
    for (TField* Field : GetFieldsArray(DataSet, DataSet, FieldNames)) Field->Clear();
    return;
  }
  DataSet->SetFieldValues(FieldNames, Value);
}

// [SECTION] TDataLinkKv, TDatasetFieldValueListKv

void TDataLinkKv::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  inherited::DataEvent(Event, Info);
  if (OnDataEvent) OnDataEvent(Event, Info);
}

void TDatasetFieldValueListKv::Construct() {
  inherited::Construct();
  FValues.reset(TStringList::Create());
  FValues->SetSorted(true);
  FValues->SetDuplicates(dupIgnore);
  FDataSource.reset(TDataSource::Create(nullptr));
  FDataLink.reset(TDataLinkKv::Create());
  FDataLink->OnDataEvent = TDataLinkEventKv(this, &TDatasetFieldValueListKv::DataSetEvent);
  FDataLink->SetDataSource(FDataSource.get());
}

void TDatasetFieldValueListKv::Destroy() {
  FValues.reset();
  if (FDataSource) FDataSource->SetDataSet(nullptr);
  if (FDataLink) FDataLink->SetDataSource(nullptr);
  FDataSource.reset();
  FDataLink.reset();
  inherited::Destroy();
}

TStrings* TDatasetFieldValueListKv::GetValues() {
  if (FDirty) RefreshValues();
  return FValues.get();
}

void TDatasetFieldValueListKv::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  FDirty = true;
}

void TDatasetFieldValueListKv::SetDataSet(TDataSet* Value) {
  if (FDataSource->GetDataSet() == Value) return;
  FDirty = true;
  FDataSource->SetDataSet(Value);
}

// Opening, closing and every change of the records or the fields make the
// values stale.
void TDatasetFieldValueListKv::DataSetEvent(TDataEvent Event, TDataEventInfo) {
  switch (Event) {
    case deDataSetChange:
    case dePropertyChange:
    case deFieldListChange:
    case deUpdateState:
      FDirty = true;
      break;
    default:
      break;
  }
}

void TDatasetFieldValueListKv::RefreshValues() {
  TDataSet* DataSet = GetDataSet();
  TField* Field = DataSet && DataSet->GetActive() ? DataSet->FindField(FFieldName) : nullptr;
  // A record being edited is not posted behind the user's back: the values
  // read before stay on offer, and the list is read again once the dataset
  // browses.
  if (Field && DataSet->GetState() != dsBrowse) return;
  FValues->Clear();
  if (!Field) return;
  {
    TDisableControlsGuard Disabled(DataSet);
    const TBookmark Here = DataSet->GetBookmark();
    auto GoBack = [DataSet, &Here] {
      if (!Here.empty() && DataSet->GetActive() && DataSet->BookmarkValid(Here))
        DataSet->GotoBookmark(Here);
    };
    try {
      DataSet->First();
      while (!DataSet->GetEof()) {
        FValues->Add(Field->GetAsString());
        DataSet->Next();
      }
    } catch (...) {
      try {
        GoBack();
      } catch (...) {  // the first failure is the one to report
      }
      throw;
    }
    GoBack();
  }
  // The walk's own events (controls enabled again) do not count.
  FDirty = false;
}

}  // namespace korvel
