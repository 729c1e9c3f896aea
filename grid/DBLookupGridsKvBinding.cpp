// The lookup grid's classes, its binding to the list dataset and to the
// bound fields, the key value and the special row: which record is the
// choice, how it is found and shown, and how a choice is written back.
//
// Index:
//   [SECTION] Lookup link         TLookupGridDataLinkKv
//   [SECTION] Special-row cell    TGridColumnSpecCellKv
//   [SECTION] Column              TDBLookupGridColumnKv
//   [SECTION] Construction        Construct, Destroy, Notification, factories
//   [SECTION] Properties          SetListSource, SetKeyField, SetListField, SetKeyValue,
//                                 SetLinkDataSource, SetDataField, SetLookupOptions
//   [SECTION] Binding             CheckNotFixed, CheckNotCircular, UpdateDataFields,
//                                 SetLookupMode, DataRecordChanged, UpdateListFields
//   [SECTION] Key                 KeyValueChanged, LocateKey, ListLinkDataChanged,
//                                 GetKeyValueRow, UpdateActive
//   [SECTION] Choosing            SelectKeyValue, SelectCurrent, SelectSpecRow, CanModify
//   [SECTION] Painting            GetDataCellHighlight, DrawFilterCell, CellIsDrawnFixed
//   [SECTION] Data events         UpdateRowCount, Scroll, RefreshAfterDataChange,
//                                 LinkActive, DefineFieldMap, GetDatasetFields
#include <algorithm>

#include "grid/DBLookupGridsKv.h"
#include "platform/db/Fields.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

namespace {

String JoinFieldNames(const TFieldsArrKv& Fields) {
  String Names;
  for (TField* F : Fields) {
    if (!Names.empty()) Names += ';';
    Names += F->GetFieldName();
  }
  return Names;
}

// A cell text as the special row's cell list reads it back: quoted when it
// holds the separator or a quote.
String QuoteCell(const String& Text) {
  if (Text.find_first_of(";\"") == String::npos) return Text;
  String Quoted = "\"";
  for (char C : Text) {
    if (C == '"') Quoted += '"';
    Quoted += C;
  }
  return Quoted + '"';
}

// Keeps the grid's update lock for a scope.
class TUpdateScope {
 public:
  explicit TUpdateScope(TCustomDBGridKv* Grid) : FGrid(Grid) { FGrid->BeginUpdate(); }
  ~TUpdateScope() { FGrid->EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  TCustomDBGridKv* FGrid;
};

// Puts the grid's data link on buffer row Index for a scope.
class TBufferRow {
 public:
  TBufferRow(TGridDataLinkKv* Link, Integer Index) : FLink(Link), FSaved(Link->GetActiveRecord()) {
    FLink->SetActiveRecord(Index);
  }
  ~TBufferRow() { FLink->SetActiveRecord(FSaved); }
  TBufferRow(const TBufferRow&) = delete;
  TBufferRow& operator=(const TBufferRow&) = delete;

 private:
  TGridDataLinkKv* FLink;
  Integer FSaved;
};

}  // namespace

// [SECTION] Lookup link

void TLookupGridDataLinkKv::ActiveChanged() {
  if (FGrid) FGrid->UpdateDataFields();
}

void TLookupGridDataLinkKv::FocusControl(TField** Field) {
  if (!FGrid || !Field || !*Field) return;
  if (FGrid->GetDataFields().empty() || *Field != FGrid->GetDataFields().front()) return;
  if (!FGrid->CanFocus()) return;
  *Field = nullptr;
  FGrid->SetFocus();
}

void TLookupGridDataLinkKv::LayoutChanged() {
  if (FGrid) FGrid->UpdateDataFields();
}

void TLookupGridDataLinkKv::RecordChanged(TField* Field) {
  if (FGrid) FGrid->DataRecordChanged(Field);
}

// [SECTION] Special-row cell

void TGridColumnSpecCellKv::KvPublish(TPublisher<TGridColumnSpecCellKv>& P) {
  P.Prop("Text", &TGridColumnSpecCellKv::GetText, &TGridColumnSpecCellKv::SetText)
      .Stored(&TGridColumnSpecCellKv::IsTextStored);
  P.Prop("Color", &TGridColumnSpecCellKv::GetColor, &TGridColumnSpecCellKv::SetColor)
      .TypeName("TColor")
      .Stored(&TGridColumnSpecCellKv::IsColorStored);
  P.Prop("Font", &TGridColumnSpecCellKv::GetFont, &TGridColumnSpecCellKv::SetFont)
      .Stored(&TGridColumnSpecCellKv::IsFontStored);
}

void TGridColumnSpecCellKv::Construct() {
  inherited::Construct();
  FFont.reset(TFont::Create());
  FFont->OnChange = TNotifyEvent(this, &TGridColumnSpecCellKv::FontChanged);
}

void TGridColumnSpecCellKv::Destroy() {
  FFont.reset();
  inherited::Destroy();
}

TPersistent* TGridColumnSpecCellKv::GetOwner() { return FOwner; }

TSpecRowKv* TGridColumnSpecCellKv::DefaultSpecRow() {
  auto* Column = DynCast<TDBLookupGridColumnKv>(FOwner);
  TDBLookupGridKv* Grid = Column ? Column->GetLookupGrid() : nullptr;
  return Grid ? Grid->GetSpecRow() : nullptr;
}

TColor TGridColumnSpecCellKv::GetColor() {
  if (FColorAssigned) return FColor;
  TSpecRowKv* Row = DefaultSpecRow();
  return Row ? Row->GetColor() : FColor;
}

// A value equal to the one shown changes nothing: the cell keeps following
// the special row.
void TGridColumnSpecCellKv::SetColor(TColor Value) {
  if (GetColor() == Value) return;
  FColor = Value;
  FColorAssigned = true;
}

String TGridColumnSpecCellKv::GetText() {
  if (FTextAssigned) return FText;
  TSpecRowKv* Row = DefaultSpecRow();
  return Row ? Row->CellText(FOwner->GetIndex()) : FText;
}

void TGridColumnSpecCellKv::SetText(const String& Value) {
  if (GetText() == Value) return;
  FText = Value;
  FTextAssigned = true;
}

TFont* TGridColumnSpecCellKv::GetFont() {
  TSpecRowKv* Row = DefaultSpecRow();
  if (!FFontAssigned && Row && FFont->GetHandle() != Row->GetFont()->GetHandle()) {
    // Taking the default is no change of the cell's own.
    const TNotifyEvent Saved = FFont->OnChange;
    FFont->OnChange = nullptr;
    struct TRestore {
      TFont* Font;
      TNotifyEvent Handler;
      ~TRestore() { Font->OnChange = Handler; }
    } Restore{FFont.get(), Saved};
    FFont->Assign(Row->GetFont());
  }
  return FFont.get();
}

void TGridColumnSpecCellKv::FontChanged(TObject*) { FFontAssigned = true; }

void TGridColumnSpecCellKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TGridColumnSpecCellKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  SetText(Src->GetText());
  SetColor(Src->GetColor());
  if (Src->FFontAssigned) SetFont(Src->GetFont());
}

// [SECTION] Column

void TDBLookupGridColumnKv::KvPublish(TPublisher<TDBLookupGridColumnKv>& P) {
  P.Prop("SpecCell", &TDBLookupGridColumnKv::GetSpecCell, &TDBLookupGridColumnKv::SetSpecCell);
}

void TDBLookupGridColumnKv::Construct() {
  inherited::Construct();
  FSpecCell = TGridColumnSpecCellKv::Create(this);
}

void TDBLookupGridColumnKv::Destroy() {
  FreeAndNil(FSpecCell);
  inherited::Destroy();
}

TDBLookupGridKv* TDBLookupGridColumnKv::GetLookupGrid() {
  return DynCast<TDBLookupGridKv>(GetGrid());
}

void TDBLookupGridColumnKv::SetIndex(Integer Value) {
  TDBLookupGridKv* Grid = GetLookupGrid();
  const Integer Old = GetIndex();
  if (!Grid || !Grid->GetDataLink()->GetActive() || Value == Old) {
    inherited::SetIndex(Value);
    return;
  }
  // The special row's texts follow the columns.
  auto MoveSpecTexts = [&] {
    TSpecRowKv* Row = Grid->GetSpecRow();
    const Integer Count = Grid->GetColumns()->GetCount();
    std::vector<String> Texts;
    for (Integer I = 0; I < Count; ++I) Texts.push_back(Row->CellText(I));
    if (Old < 0 || Old >= Count || Value < 0 || Value >= Count) return;
    const String Moved = Texts[std::size_t(Old)];
    Texts.erase(Texts.begin() + Old);
    Texts.insert(Texts.begin() + Value, Moved);
    String Joined;
    for (std::size_t I = 0; I < Texts.size(); ++I) {
      if (I > 0) Joined += ';';
      Joined += QuoteCell(Texts[I]);
    }
    Row->SetCellsText(Joined);
  };
  if (!IsNotStored()) {
    MoveSpecTexts();
    inherited::SetIndex(Value);
    return;
  }
  {
    TUpdateScope Update(Grid);
    // [Phase 1] The shown list field stays the same field.
    Integer& Shown = Grid->ListFieldIndex;
    if (Shown == Old) {
      Shown = Value;
    } else {
      if (Shown > Old) --Shown;
      if (Shown >= Value) ++Shown;
    }
    // [Phase 2] The special row's texts.
    MoveSpecTexts();
    // [Phase 3] Moved as a user's column would be: the list dataset's fields
    // keep their order.
    {
      SetStored(true);
      struct TRestore {
        TColumnKv* Column;
        ~TRestore() { Column->SetStored(false); }
      } Restore{this};
      inherited::SetIndex(Value);
    }
    // [Phase 4] The list fields in the new column order, before the layout
    // that the end of the update runs.
    String Names;
    TDBGridColumnsKv* Columns = Grid->GetColumns();
    for (Integer I = 0; I < Columns->GetCount(); ++I) {
      TField* Field = Columns->GetColumn(I)->GetField();
      if (!Field) continue;
      if (!Names.empty()) Names += ';';
      Names += Field->GetFieldName();
    }
    Grid->SetListField(Names);
  }
  Grid->LayoutChanged();
}

// The width stays in an automatic column rather than going to its field.
// The grid's write-back switch is held off for the call: marking the column
// as the user's would make the layout it starts take the whole set of
// columns for the user's for that moment.
void TDBLookupGridColumnKv::SetWidth(Integer Value) {
  TCustomDBGridKv* Grid = GetGrid();
  if (!IsNotStored() || !Grid || !Grid->GetColumnWidthWriteBack()) {
    inherited::SetWidth(Value);
    return;
  }
  Grid->SetColumnWidthWriteBack(false);
  struct TRestore {
    TCustomDBGridKv* Grid;
    ~TRestore() { Grid->SetColumnWidthWriteBack(true); }
  } Restore{Grid};
  inherited::SetWidth(Value);
}

// [SECTION] Construction

Cardinal TDBLookupGridKv::SearchTickStamp = 0;

void TDBLookupGridKv::Construct() {
  inherited::Construct();
  FControlStyle += csReplicatable;
  SetParentColor(false);
  FInternalSource = TDataSource::Create(this);
  FLookupLink = TLookupGridDataLinkKv::Create(this);
  FKeyValue = Null();
  FSpecRow = TSpecRowKv::Create(this);
  FSpecRow->OnChange = TNotifyEvent(this, &TDBLookupGridKv::SpecRowChanged);
  TCustomDBGridKv::SetOptions(TDBGridKvOptions{dgColLinesKv, dgRowSelectKv});
  SetOptionsKv(GetOptionsKv() + dgLiveColSizingKv);
  FLookupOptions = TDBLookupGridKvOptions{dlgColLinesKv};
  GetHorzScrollBar()->SetTracking(true);
  GetVertScrollBar()->SetTracking(true);
  SetFlat(true);
  SetMemoEditing(true);
  SetTabStop(false);
  FListAutoFitColWidths = false;
  SetMultiTitleMargin(5);
}

void TDBLookupGridKv::Destroy() {
  FreeAndNil(FSpecRow);
  FListFields.clear();
  if (FLookupLink) {
    FLookupLink->FGrid = nullptr;
    FreeAndNil(FLookupLink);
  }
  inherited::Destroy();
}

void TDBLookupGridKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && FLookupLink && AComponent == FLookupLink->GetDataSource())
    SetLinkDataSource(nullptr);
}

TDBGridKvColumnDefValuesKv* TDBLookupGridKv::CreateColumnDefValues() {
  return TDBLookupGridColumnDefValuesKv::Create(this);
}

TDBGridColumnsKv* TDBLookupGridKv::CreateColumns() {
  return TDBGridColumnsKv::Create(this, TDBLookupGridColumnKv::StaticClass());
}

// [SECTION] Properties

void TDBLookupGridKv::SetListSource(TDataSource* Value) {
  CheckNotFixed();
  SetDataSource(Value);
}

void TDBLookupGridKv::SetKeyField(const String& Value) {
  CheckNotFixed();
  if (FKeyField == Value) return;
  FKeyField = Value;
  UpdateListFields();
  RefitColumns();
}

void TDBLookupGridKv::SetListField(const String& Value) {
  if (FListField == Value) return;
  FListField = Value;
  UpdateListFields();
  RefitColumns();
}

void TDBLookupGridKv::SetKeyValue(const Variant& Value) {
  if (VarEquals(Value, FKeyValue)) return;
  FKeyValue = Value;
  KeyValueChanged();
}

void TDBLookupGridKv::SetLinkDataSource(TDataSource* Value) {
  if (!(FLookupLink->GetDataSourceFixed() && Loading())) FLookupLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TDBLookupGridKv::SetDataField(const String& Value) {
  if (FDataField == Value) return;
  FDataField = Value;
  UpdateDataFields();
}

void TDBLookupGridKv::SetLookupOptions(TDBLookupGridKvOptions Value) {
  if (FLookupOptions == Value) return;
  FLookupOptions = Value;
  TDBGridKvOptions Grid = GetOptions();
  const std::pair<TDBLookupGridKvOption, TDBGridKvOption> Map[] = {
      {dlgColumnResizeKv, dgColumnResizeKv},
      {dlgColLinesKv, dgColLinesKv},
      {dlgRowLinesKv, dgRowLinesKv}};
  for (const auto& [Own, GridOption] : Map) {
    if (Value.Contains(Own))
      Grid += GridOption;
    else
      Grid -= GridOption;
  }
  TCustomDBGridKv::SetOptions(Grid);
  TDBGridKvOptionsKv GridKv = GetOptionsKv();
  const std::pair<TDBLookupGridKvOption, TDBGridKvOptionKv> MapKv[] = {
      {dlgAutoSortMarkingKv, dgAutoSortMarkingKv}, {dlgMultiSortMarkingKv, dgMultiSortMarkingKv}};
  for (const auto& [Own, GridOption] : MapKv) {
    if (Value.Contains(Own))
      GridKv += GridOption;
    else
      GridKv -= GridOption;
  }
  SetOptionsKv(GridKv);
}

// [SECTION] Binding

void TDBLookupGridKv::CheckNotFixed() {
  if (FLookupMode) DatabaseError("Property already defined by lookup field");
  if (FLookupLink->GetDataSourceFixed()) DatabaseError("Operation not allowed in a DBCtrlGrid");
}

void TDBLookupGridKv::CheckNotCircular() {
  TDataSet* List = GetDataSet();
  if (GetDataLink()->GetActive() && List && List->IsLinkedTo(FLookupLink->GetDataSource()))
    DatabaseError("Circular datalinks are not allowed");
}

// The bound fields are found again. Fields of a closed dataset are let go
// at once: they may be freed with it.
void TDBLookupGridKv::UpdateDataFields() {
  FDataFieldName.clear();
  FDataFields.clear();
  FEditedFields.clear();
  if (FLookupLink->GetActive() && !FDataField.empty()) {
    CheckNotCircular();
    TDataSet* Bound = FLookupLink->GetDataSet();
    FDataFields = GetFieldsArray(Bound, this, FDataField);
    if (FDataFields.size() == 1 && FDataFields[0]->GetFieldKind() == fkLookup)
      FEditedFields = GetFieldsArray(Bound, this, FDataFields[0]->GetKeyFields());
    else
      FEditedFields = FDataFields;
    FDataFieldName = JoinFieldNames(FEditedFields);
  }
  SetLookupMode(FDataFields.size() == 1 && FDataFields[0]->GetFieldKind() == fkLookup);
  DataRecordChanged(nullptr);
}

void TDBLookupGridKv::SetLookupMode(bool Value) {
  if (FLookupMode == Value) return;
  if (Value) {
    TField* Field = FDataFields[0];
    FEditedFields = GetFieldsArray(Field->GetDataSet(), this, Field->GetKeyFields());
    FInternalSource->SetDataSet(Field->GetLookupDataSet());
    FKeyField = Field->GetLookupKeyFields();
    FLookupMode = true;
    SetDataSource(FInternalSource);
  } else {
    SetDataSource(nullptr);
    FLookupMode = false;
    FKeyField.clear();
    FInternalSource->SetDataSet(nullptr);
    FEditedFields = FDataFields;
  }
}

TField* TDBLookupGridKv::LookupField() const {
  return FLookupMode && FDataFields.size() == 1 ? FDataFields[0] : nullptr;
}

void TDBLookupGridKv::DataRecordChanged(TField* Field) {
  if (Field && std::find(FEditedFields.begin(), FEditedFields.end(), Field) == FEditedFields.end())
    return;
  if (FEditedFields.empty())
    SetKeyValue(Null());
  else
    SetKeyValue(FLookupLink->GetDataSet()->GetFieldValues(FDataFieldName));
}

void TDBLookupGridKv::ResolveListFields(bool BuildList) {
  TDataSet* List = GetDataSet();
  FKeyFields = GetFieldsArray(List, this, FKeyField);
  if (BuildList) {
    try {
      List->GetFieldList(FListFields, FListField);
    } catch (const Exception&) {
      DatabaseError(Format("Field '%s' not found", {FListField}));
    }
  }
  if (TField* Lookup = LookupField()) {
    FListFieldObject = GetFieldProperty(List, this, Lookup->GetLookupResultField());
    if (std::find(FListFields.begin(), FListFields.end(), FListFieldObject) == FListFields.end())
      FListFields.insert(FListFields.begin(), FListFieldObject);
  } else {
    if (FListFields.empty()) FListFields.assign(FKeyFields.begin(), FKeyFields.end());
    const bool InRange = ListFieldIndex >= 0 && ListFieldIndex < Integer(FListFields.size());
    FListFieldObject = FListFields.empty() ? nullptr
                       : InRange           ? FListFields[std::size_t(ListFieldIndex)]
                                           : FListFields[0];
  }
  FListActive = true;
}

void TDBLookupGridKv::UpdateListFields() {
  // [Phase 1] Nothing found yet.
  FListActive = false;
  FListFieldObject = nullptr;
  FListFields.clear();
  FKeyFields.clear();
  // [Phase 2] The key and list fields of the list dataset.
  if (GetDataLink()->GetActive() && !FKeyField.empty()) {
    CheckNotCircular();
    ResolveListFields(true);
  }
  // [Phase 3] In lookup mode the key comes from the lookup field.
  if (TField* Lookup = LookupField()) FKeyField = Lookup->GetLookupKeyFields();
  if (GetDataLink()->GetActive() && !FKeyField.empty()) ResolveListFields(false);
  // [Phase 4] The key's record, or the counts alone.
  if (FListActive)
    KeyValueChanged();
  else
    ListLinkDataChanged();
}

// [SECTION] Key

// Text is the located record's text: a key that is not in the list shows
// nothing (or the special row's text), never the text of the record the
// list happens to stand on.
void TDBLookupGridKv::KeyValueChanged() {
  bool Located = false;
  // [Phase 1] The special row.
  if (FSpecRow->GetVisible()) {
    FSpecRow->Selected = VarEquals(FKeyValue, FSpecRow->GetValue());
    if (!FSearchMode && !FSpecRow->Selected && FSpecRow->GetShowIfNotInKeyList()) {
      if (LocateKey()) {
        Located = true;
        ListLinkDataChanged();
      } else {
        FSpecRow->Selected = true;
      }
    }
  } else {
    FSpecRow->Selected = false;
  }
  // [Phase 2] The key's record.
  if (FListActive && !FSearchMode) {
    Located = LocateKey();
    if (!Located && !FSpecRow->Selected)
      GetDataSet()->First();
    else
      ListLinkDataChanged();
  }
  // [Phase 3] The text.
  if (FSpecRow->GetVisible() && FSpecRow->Selected)
    FText = FSpecRow->CellText(ListFieldIndex);
  else if (FListFieldObject && (Located || FSearchMode))
    FText = FListFieldObject->GetDisplayText();
  else
    FText.clear();
  Invalidate();
}

bool TDBLookupGridKv::LocateKey() {
  bool Result = false;
  try {
    const Variant Kept = FKeyValue;
    TDataSet* List = GetDataSet();
    if (!VarIsNull(FKeyValue) && List && List->GetActive() &&
        IsKeyValueValid(FKeyFields, FKeyValue) && List->Locate(FKeyField, FKeyValue, {})) {
      Result = true;
      FKeyValue = Kept;
      if (InterfaceMode()) ScrollDataRows(GetRow() - GetVisibleRowCount() / 2);
    }
  } catch (const Exception&) {
    // A list that cannot be searched has no row of the key.
    Result = false;
  }
  return Result;
}

bool TDBLookupGridKv::IsKeyValueValid(const TFieldsArrKv&, const Variant&) { return true; }

void TDBLookupGridKv::ListLinkDataChanged() {
  if (FListActive) {
    if (InterfaceMode()) {
      FListActiveRecord = GetDataSet()->GetRecNo() - 1;
      FListRecordCount = GetDataSet()->GetRecordCount();
    } else {
      FListActiveRecord = GetDataLink()->GetActiveRecord();
      FListRecordCount = GetDataLink()->GetRecordCount();
    }
  } else {
    FListActiveRecord = 0;
    FListRecordCount = 0;
  }
  if (!HandleAllocated()) return;
  UpdateScrollBar();
  LayoutChanged();
}

Variant TDBLookupGridKv::BufferKey(Integer Index) {
  TBufferRow Row(GetDataLink(), Index);
  return GetDataSet()->GetFieldValues(FKeyField);
}

Integer TDBLookupGridKv::GetKeyValueRow() {
  if (VarIsNull(FKeyValue) || !GetDataLink()->GetActive() || FKeyField.empty()) return -1;
  for (Integer I = 0; I < GetDataLink()->GetRecordCount(); ++I)
    if (VarEquals(BufferKey(I), FKeyValue)) return I;
  return -1;
}

// The current row follows the key's record while it is among the rows.
void TDBLookupGridKv::UpdateActive() {
  if (InplaceSearching()) StopInplaceSearch();
  FKeyRowShown = false;
  if (!GetDataLink()->GetActive() || !HandleAllocated() || Loading()) return;
  const Integer K = InterfaceMode() ? GetDataSet()->GetRecNo() - 1 : GetKeyValueRow();
  if (K < 0) return;
  const Integer Row = K + GetTitleOffset();
  if (Row >= GetRowCount()) return;
  if (Row != GetRow()) {
    if (!GetOptions().Contains(dgAlwaysShowEditorKv)) HideEditor();
    MoveColRow(GetCol(), Row, false, false);
    InvalidateEditor();
  }
  FKeyRowShown = true;
}

bool TDBLookupGridKv::IsRowSelectFocused() { return FKeyRowShown; }

// [SECTION] Choosing

void TDBLookupGridKv::SelectKeyValue(const Variant& V) {
  if (FEditedFields.empty()) {
    SetKeyValue(V);
  } else if (FLookupLink->Edit()) {
    // The key comes back through the link's RecordChanged.
    SetDataSetFieldValues(FLookupLink->GetDataSet(), FDataFieldName, V);
  }
  UpdateActive();
  Update();
  Click();
}

void TDBLookupGridKv::SelectCurrent() {
  TFlagScope Search(FSearchMode);
  TDataSet* List = GetDataSet();
  if (!List || !List->GetActive() || List->IsEmpty()) return;
  const Variant Current = List->GetFieldValues(FKeyField);
  if (!VarEquals(Current, FKeyValue)) SelectKeyValue(Current);
}

void TDBLookupGridKv::SelectSpecRow() {
  TFlagScope Search(FSearchMode);
  if (!VarEquals(FSpecRow->GetValue(), FKeyValue)) SelectKeyValue(FSpecRow->GetValue());
  if (FSpecRow->Selected) return;
  FSpecRow->Selected = true;
  FText = FSpecRow->CellText(ListFieldIndex);
  Invalidate();
}

bool TDBLookupGridKv::CanModify() {
  if (!FListActive || FLookupLink->GetReadOnly()) return false;
  if (!FLookupLink->GetDataSource()) return true;
  return !FEditedFields.empty() && FieldsCanModify(FEditedFields);
}

void TDBLookupGridKv::SpecRowChanged(TObject*) {
  if (Loading()) return;
  // A row that comes or goes moves the data rows: the height (for as many
  // data rows), the layout and the choice follow it.
  const bool Shown = GetTitleOffset() > (TitlesVisible() ? 1 : 0);
  if (Shown != FSpecRow->GetVisible()) {
    UpdateHeightForRows(FListRowCount);
    LayoutChanged();
    if (FListActive) KeyValueChanged();
  }
  Invalidate();
}

// [SECTION] Painting

bool TDBLookupGridKv::GetDataCellHighlight(Integer, Integer, Integer, Integer, const String&,
                                           TFont* AFont, TColor& Background, TGridDrawState) {
  if (VarIsNull(FKeyValue) || !GetDataLink()->GetActive() || GetUpdateLock() != 0 ||
      FKeyField.empty())
    return false;
  if (!VarEquals(GetDataSet()->GetFieldValues(FKeyField), FKeyValue)) return false;
  Background = clHighlight;
  AFont->SetColor(clHighlightText);
  return true;
}

bool TDBLookupGridKv::CellIsDrawnFixed(Integer ACol, Integer ARow, TGridDrawState AState,
                                       const TRect& ARect) {
  if (FSpecRow->GetVisible() && ARow == GetTitleOffset() - 1) return false;
  return inherited::CellIsDrawnFixed(ACol, ARow, AState, ARect);
}

bool TDBLookupGridKv::FilterRowVisible() {
  return inherited::FilterRowVisible() || (FSpecRow && FSpecRow->GetVisible());
}

// The special row's cells: the column's cell text in the special row's font
// on the cell's colour, or in the highlight colours while the row is the
// choice, with the dotted frame of the choice around the row.
void TDBLookupGridKv::DrawFilterCell(Integer ACol, Integer ARow, bool& Highlighted,
                                     TGridDrawState AState, TRect ARect, TCellAreaKv CellType,
                                     Integer DataCol, Integer HorzMargin, Integer VertMargin) {
  if (!FSpecRow->GetVisible() || ARow != GetTitleOffset() - 1) {
    inherited::DrawFilterCell(ACol, ARow, Highlighted, AState, ARect, CellType, DataCol, HorzMargin,
                              VertMargin);
    return;
  }
  TCanvas* Canvas = GetCanvas();
  if (DataCol < 0 || DataCol >= GetColumns()->GetCount()) {
    Canvas->GetBrush()->SetColor(FSpecRow->GetColor());
    Canvas->FillRect(ARect);
    return;
  }
  auto* Column = static_cast<TDBLookupGridColumnKv*>(GetColumns()->GetColumn(DataCol));
  TGridColumnSpecCellKv* Cell = Column->GetSpecCell();
  // [Phase 1] The cell's text and colours.
  Canvas->SetFont(FSpecRow->GetFont());
  Canvas->GetBrush()->SetColor(Cell->GetColor());
  const bool Selected = FSpecRow->Selected;
  if (Selected) {
    Canvas->GetFont()->SetColor(clHighlightText);
    Canvas->GetBrush()->SetColor(clHighlight);
  }
  WriteCellText(Column, ARect, true, 2, 1, Cell->GetText(), Column->GetAlignment(), tlTop, false,
                false, 0, 0);
  if (!Selected) return;
  // [Phase 2] The frame spans the row; each cell draws its own part of it,
  // so that the frame's inverting lines never meet themselves.
  Canvas->GetFont()->SetColor(clWindowText);
  Canvas->GetBrush()->SetColor(clWindow);
  const HDC DC = Canvas->GetHandle();
  const Integer Saved = SaveDC(DC);
  IntersectClipRect(DC, ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
  Canvas->DrawFocusRect(BoxRect(GetLeftCol(), ARow, GetColCount() - 1, ARow));
  RestoreDC(DC, Saved);
}

// [SECTION] Data events

void TDBLookupGridKv::UpdateRowCount() {
  if (FUpdatingRowCount) return;
  TFlagScope Updating(FUpdatingRowCount);
  inherited::UpdateRowCount();
  ListLinkDataChanged();
}

void TDBLookupGridKv::Scroll(Integer Distance) {
  TUpdateScope Update(this);
  inherited::Scroll(Distance);
  ListLinkDataChanged();
}

void TDBLookupGridKv::RefreshAfterDataChange() {
  inherited::RefreshAfterDataChange();
  ListLinkDataChanged();
}

void TDBLookupGridKv::LinkActive(bool Value) {
  if (Destroying()) return;
  UpdateListFields();
  inherited::LinkActive(Value);
  RefitColumns();
}

void TDBLookupGridKv::DefineFieldMap() {
  TGridDataLinkKv* Link = GetDataLink();
  if (GetColumns()->IsCustomized()) {
    Link->SetSparseMap(true);
    for (Integer I = 0; I < GetColumns()->GetCount(); ++I)
      Link->AddMapping(GetColumns()->GetColumn(I)->GetFieldName());
  } else {
    Link->SetSparseMap(false);
    for (TField* Field : FListFields) Link->AddMapping(Field->GetFieldName());
  }
}

void TDBLookupGridKv::GetDatasetFields(std::vector<TField*>& List) {
  List.insert(List.end(), FListFields.begin(), FListFields.end());
}

}  // namespace korvel
