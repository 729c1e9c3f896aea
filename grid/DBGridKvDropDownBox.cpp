// A column's drop-down box: the settings of the drop-down data grid of its
// lookup cells. The box keeps its own list source, fitting and multi-level
// titles switches and the special row; the columns, column defaults and
// options are the drop-down data grid's own, reached through the column.
//
// Index:
//   [SECTION] Box          Construct, Destroy, Assign, settings, streaming
//   [SECTION] Column side  IDropDownBoxColumnKv, the drop-down grid's events
#include "grid/DBLookupGridsKv.h"

namespace korvel {

using namespace kvp;

// [SECTION] Box

void TColumnDropDownBoxKv::Construct() {
  inherited::Construct();
  FSpecRow = TSpecRowKv::Create(FOwner);
}

void TColumnDropDownBoxKv::Destroy() {
  FreeAndNil(FSpecRow);
  inherited::Destroy();
}

IDropDownBoxColumnKv* TColumnDropDownBoxKv::Column() const {
  IDropDownBoxColumnKv* Intf = nullptr;
  Supports(DynCast<TObject>(FOwner), Intf);
  return Intf;
}

bool TColumnDropDownBoxKv::HasDataGrid() const {
  auto* Owner = DynCast<TColumnKv>(FOwner);
  return Owner && Owner->FindDataList();
}

void TColumnDropDownBoxKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnDropDownBoxKv>(Source);
  if (!S) return inherited::Assign(Source);
  SetAutoFitColWidths(S->FAutoFitColWidths);
  SetListSource(S->FListSource);
  SetUseMultiTitle(S->FUseMultiTitle);
  FSpecRow->Assign(S->FSpecRow);
  // Where neither drop-down grid exists both hold the defaults: nothing to
  // copy, and no grid is made for it.
  if (!S->HasDataGrid() && !HasDataGrid()) return;
  SetOptions(S->GetOptions());
  if (TColumnDefValuesKv* Defaults = GetColumnDefValues())
    Defaults->Assign(S->GetColumnDefValues());
  TDBGridColumnsKv* Own = GetColumns();
  if (!Own) return;
  TDBGridColumnsKv* Theirs = S->GetColumns();
  if (Theirs && Theirs->IsCustomized())
    Own->Assign(Theirs);
  else
    Own->Clear();
}

TColumnDefValuesKv* TColumnDropDownBoxKv::GetColumnDefValues() {
  IDropDownBoxColumnKv* C = Column();
  return C ? C->GetDropDownBoxDataGrid()->GetColumnDefValues() : nullptr;
}

void TColumnDropDownBoxKv::SetColumnDefValues(TColumnDefValuesKv* Value) {
  if (TColumnDefValuesKv* Own = GetColumnDefValues()) Own->Assign(Value);
}

TDBGridColumnsKv* TColumnDropDownBoxKv::GetColumns() {
  IDropDownBoxColumnKv* C = Column();
  return C ? C->GetDropDownBoxDataGrid()->GetColumns() : nullptr;
}

void TColumnDropDownBoxKv::SetColumns(TDBGridColumnsKv* Value) {
  if (TDBGridColumnsKv* Own = GetColumns()) Own->Assign(Value);
}

void TColumnDropDownBoxKv::SetListSource(TDataSource* Value) {
  if (FListSource == Value) return;
  FListSource = Value;
  if (IDropDownBoxColumnKv* C = Column()) C->DropDownBoxListSourceChanged(Value);
}

TDBLookupGridKvOptions TColumnDropDownBoxKv::GetOptions() {
  IDropDownBoxColumnKv* C = Column();
  return C ? C->GetDropDownBoxOptions() : TDBLookupGridKvOptions{dlgColLinesKv};
}

void TColumnDropDownBoxKv::SetOptions(TDBLookupGridKvOptions Value) {
  if (IDropDownBoxColumnKv* C = Column()) C->SetDropDownBoxOptions(Value);
}

bool TColumnDropDownBoxKv::IsColumnsStored() const {
  auto* Owner = DynCast<TColumnKv>(FOwner);
  TPopupDataGridKv* List = Owner ? Owner->FindDataList() : nullptr;
  return List && List->GetColumns()->IsCustomized();
}

void TColumnDropDownBoxKv::KvPublish(TPublisher<TColumnDropDownBoxKv>& P) {
  P.Prop("AutoFitColWidths", &TColumnDropDownBoxKv::GetAutoFitColWidths,
         &TColumnDropDownBoxKv::SetAutoFitColWidths)
      .Default(true);
  P.Prop("ColumnDefValues", &TColumnDropDownBoxKv::GetColumnDefValues,
         &TColumnDropDownBoxKv::SetColumnDefValues)
      .Stored(&TColumnDropDownBoxKv::IsColumnDefValuesStored);
  P.Prop("Columns", &TColumnDropDownBoxKv::GetColumns, &TColumnDropDownBoxKv::SetColumns)
      .Stored(&TColumnDropDownBoxKv::IsColumnsStored);
  P.Prop("ListSource", &TColumnDropDownBoxKv::GetListSource, &TColumnDropDownBoxKv::SetListSource);
  P.Prop("Options", &TColumnDropDownBoxKv::GetOptions, &TColumnDropDownBoxKv::SetOptions)
      .Default(TDBLookupGridKvOptions{dlgColLinesKv})
      .Stored(&TColumnDropDownBoxKv::IsOptionsStored);
  P.Prop("UseMultiTitle", &TColumnDropDownBoxKv::GetUseMultiTitle,
         &TColumnDropDownBoxKv::SetUseMultiTitle)
      .Default(false);
}

// [SECTION] Column side

void TColumnKv::DropDownBoxListSourceChanged(TDataSource* Value) {
  if (!Value) return;
  if (TCustomDBGridKv* Grid = GetGrid()) Value->FreeNotification(Grid);
}

TDBLookupGridKvOptions TColumnKv::GetDropDownBoxOptions() {
  return GetDataList()->GetLookupOptions();
}

void TColumnKv::SetDropDownBoxOptions(TDBLookupGridKvOptions Value) {
  GetDataList()->SetLookupOptions(Value);
}

TCheckTitleKvBtnEvent TColumnKv::GetOnDropDownBoxCheckButton() {
  return GetDataList()->OnCheckTitleBtn;
}
void TColumnKv::SetOnDropDownBoxCheckButton(const TCheckTitleKvBtnEvent& Value) {
  GetDataList()->OnCheckTitleBtn = Value;
}

TDrawColumnKvCellEvent TColumnKv::GetOnDropDownBoxDrawColumnCell() {
  return GetDataList()->OnDrawColumnCell;
}
void TColumnKv::SetOnDropDownBoxDrawColumnCell(const TDrawColumnKvCellEvent& Value) {
  GetDataList()->OnDrawColumnCell = Value;
}

TGetCellKvParamsEvent TColumnKv::GetOnDropDownBoxGetCellParams() {
  return GetDataList()->OnGetCellParams;
}
void TColumnKv::SetOnDropDownBoxGetCellParams(const TGetCellKvParamsEvent& Value) {
  GetDataList()->OnGetCellParams = Value;
}

TNotifyEvent TColumnKv::GetOnDropDownBoxSortMarkingChanged() {
  return GetDataList()->OnSortMarkingChanged;
}
void TColumnKv::SetOnDropDownBoxSortMarkingChanged(const TNotifyEvent& Value) {
  GetDataList()->OnSortMarkingChanged = Value;
}

TTitleKvClickEvent TColumnKv::GetOnDropDownBoxTitleBtnClick() {
  return GetDataList()->OnTitleClick;
}
void TColumnKv::SetOnDropDownBoxTitleBtnClick(const TTitleKvClickEvent& Value) {
  GetDataList()->OnTitleClick = Value;
}

}  // namespace korvel
