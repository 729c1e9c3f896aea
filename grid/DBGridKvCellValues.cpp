// What a column shows in its cells and how an edit reaches its field: the
// column's kind, the display text (key lists mapped to pick lists, the
// special row of lookup columns, display formats), check-box states, images,
// the parameters of a cell, whether a cell may be edited, stepping a value to
// the next one, and writing an edited text or value. The grid, its editor
// and the exporters never read or write a field any other way.
//
// Index:
//   [SECTION] Helpers          LookupKeyFields, IndexOfText, FormatFieldDisplayValue
//   [SECTION] Column parts     CreateEditButtons, EditButtonsChanged, SpecRowChanged,
//                              SetOnGetCellParams, GetCellParams
//   [SECTION] Showing          GetColumnType, GetDisplayText, GetCheckboxState,
//                              GetImageIndex, FillColCellParams
//   [SECTION] Editing          CanModify, UpdateDataValues, SetCheckboxState,
//                              SetNextFieldValue, EditButtonsWidth
#include <cmath>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::HasItems;

// [SECTION] Helpers

namespace dbgrid {

bool LookupKeyFields(TField* Field, std::vector<TField*>& Fields) {
  Fields.clear();
  if (!Field || Field->GetFieldKind() != fkLookup || !Field->GetDataSet()) return false;
  TDataSet* DataSet = Field->GetDataSet();
  const String& Names = Field->GetKeyFields();
  const Integer Len = Length(Names);
  Integer Pos = 1;
  while (Pos <= Len) {
    TField* Key = DataSet->FindField(ExtractFieldName(Names, Pos));
    if (!Key) {
      Fields.clear();
      return false;
    }
    Fields.push_back(Key);
  }
  return true;
}

Integer IndexOfText(TStrings* Strings, const String& Text) {
  if (!Strings) return -1;
  for (Integer I = 0, N = Strings->GetCount(); I < N; ++I)
    if (AnsiSameText(Strings->GetStrings(I), Text)) return I;
  return -1;
}

}  // namespace dbgrid

namespace {

bool IsSteppedNumber(TFieldType Type) {
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

// The next line of a list walked forward (wrapping to the first) or backward
// (wrapping to the last); a line not in the list starts at the first or the
// last. The list is not empty.
Integer NextIndex(Integer Index, Integer Count, bool Forward) {
  if (Forward) return Index < 0 || Index >= Count - 1 ? 0 : Index + 1;
  return Index <= 0 ? Count - 1 : Index - 1;
}

// Old + Increment in the field's own kind of number: whole numbers round half
// to even, money and decimals add exactly in currency, floats in double. A
// null old value counts as -Increment, so a null field becomes 0.
Variant SteppedValue(TField* Field, Extended Increment) {
  const bool Null = Field->IsNull();
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
      if (Null) return Variant(Integer(0));
      return Variant(Int64(Round(Extended(Field->GetAsLargeInt()) + Increment)));
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: {
      if (Null) return Variant(Currency(0));
      return Variant(Field->GetAsCurrency() + Currency::FromDouble(Increment));
    }
    default:
      if (Null) return Variant(Double(0));
      return Variant(Double(Extended(Field->GetAsFloat()) + Increment));
  }
}

}  // namespace

String FormatFieldDisplayValue(TField* Field, const String& DisplayFormat) {
  if (!Field) return {};
  if (DisplayFormat.empty()) return Field->GetDisplayText();
  if (Field->IsNull()) return {};
  if (DynCast<TNumericField>(Field)) return FormatFloat(DisplayFormat, Field->GetAsFloat());
  if (DynCast<TDateTimeField>(Field)) {
    String Text;
    DateTimeToString(Text, DisplayFormat, Field->GetAsDateTime());
    return Text;
  }
  // A format means nothing to other kinds of field: they show their text
  // rather than nothing at all.
  return Field->GetDisplayText();
}

// [SECTION] Column parts

TEditButtonsKv* TColumnKv::CreateEditButtons() {
  return TEditButtonsKv::Create(nullptr, TVisibleEditButtonKv::StaticClass());
}

void TColumnKv::EditButtonsChanged(TObject*) { Changed(false); }

void TColumnKv::SpecRowChanged(TObject*) {
  Changed(false);
  if (TPopupDataGridKv* List = FindDataList()) List->SetSpecRow(FDropDownSpecRow);
}

void TColumnKv::SetOnGetCellParams(const TGetColCellParamsEventKv& Value) {
  if (FOnGetCellParams == Value) return;
  FOnGetCellParams = Value;
  InvalidateGrid();
}

void TColumnKv::GetCellParams(bool EditMode, TColCellParamsKv* Params) {
  if (FOnGetCellParams) FOnGetCellParams(this, EditMode, Params);
}

// [SECTION] Showing

TColumnKvType TColumnKv::GetColumnType() {
  if (GetCheckboxes()) return ctCheckboxesKv;
  TField* Field = GetField();
  if (Field && Field->GetFieldKind() == fkLookup) return ctLookupFieldKv;
  const bool Keys = HasItems(FKeyList);
  const bool Picks = HasItems(FPickList);
  if (Picks && !Keys) return ctPickListKv;
  if (FImageList && !FShowImageAndText) return ctKeyImageListKv;
  if (Keys && Picks) return ctKeyPickListKv;
  return ctCommonKv;
}

String TColumnKv::GetDisplayText() {
  TField* Field = GetField();
  if (!Field) return {};
  // The column's kind decides two cases only; it is asked where it can be
  // one of them (images without text; a lookup field).
  if (FImageList && !FShowImageAndText && GetColumnType() == ctKeyImageListKv) return {};
  // [Phase 1] A key list shows the pick-list line beside the key.
  if (HasItems(FKeyList)) {
    TStrings* Picks = GetPickList();
    const Integer Index = FKeyList->IndexOf(Field->GetEditText());
    if (Index >= 0 && Index < Picks->GetCount()) return Picks->GetStrings(Index);
    if (FNotInKeyListIndex >= 0 && FNotInKeyListIndex < Picks->GetCount())
      return Picks->GetStrings(FNotInKeyListIndex);
    return {};
  }
  // [Phase 2] A memo edited as text shows all of it.
  if (Field->GetDataType() == ftMemo) {
    TCustomDBGridKv* Grid = GetGrid();
    if (Grid && Grid->GetMemoEditing()) return Field->GetAsString();
  }
  // [Phase 3] The special row of a lookup list stands for its own value, and
  // for keys the lookup dataset lacks when it says so.
  if (Field->GetFieldKind() == fkLookup && FDropDownSpecRow->GetVisible() &&
      GetColumnType() == ctLookupFieldKv) {
    TDataSet* DataSet = Field->GetDataSet();
    std::vector<TField*> Keys;
    const bool HasKeys = dbgrid::LookupKeyFields(Field, Keys) && !Keys.empty();
    if ((HasKeys &&
         VarEquals(DataSet->GetFieldValues(Field->GetKeyFields()), FDropDownSpecRow->GetValue())) ||
        (FDropDownSpecRow->GetShowIfNotInKeyList() && Field->IsNull()))
      return FDropDownSpecRow->CellText(0);
  }
  return FormatFieldDisplayValue(Field, FDisplayFormat);
}

TCheckBoxState TColumnKv::GetCheckboxState() {
  TField* Field = GetField();
  if (!Field) return cbUnchecked;
  if (Field->IsNull()) return cbGrayed;
  if (Field->GetDataType() == ftBoolean) return Field->GetAsBoolean() ? cbChecked : cbUnchecked;
  // The lines of KeyList name the checked and the unchecked texts, several
  // to a line separated by ';'.
  const String Text = Field->GetEditText();
  auto LineHolds = [&](Integer Line) {
    const String Names = FKeyList->GetStrings(Line);
    const Integer Len = Length(Names);
    Integer Pos = 1;
    while (Pos <= Len)
      if (AnsiSameText(ExtractFieldName(Names, Pos), Text)) return true;
    return false;
  };
  const Integer Lines = FKeyList ? FKeyList->GetCount() : 0;
  if (Lines > 0 && LineHolds(0)) return cbChecked;
  if (Lines < 2) return cbGrayed;
  return LineHolds(1) ? cbUnchecked : cbGrayed;
}

Integer TColumnKv::GetImageIndex() {
  TField* Field = GetField();
  if (!Field) return -1;
  Integer Index;
  if (HasItems(FKeyList))
    Index = FKeyList->IndexOf(Field->GetEditText());
  else if (HasItems(FPickList))
    Index = FPickList->IndexOf(Field->GetEditText());
  else if (IsSteppedNumber(Field->GetDataType()))
    Index = FieldAsIntegerDef(Field, -1);
  else
    Index = -1;
  return Index == -1 ? FNotInKeyListIndex : Index;
}

void TColumnKv::FillColCellParams(TColCellParamsKv* Params) {
  Params->SetCol(-1);
  Params->SetRow(-1);
  Params->SetState({});
  Params->SetFont(GetFont());
  Params->SetBackground(GetColor());
  Params->SetAlignment(GetAlignment());
  Params->SetImageIndex(GetImageIndex());
  Params->SetText(GetDisplayText());
  Params->SetCheckboxState(GetCheckboxState());
  Params->SetReadOnly(GetReadOnly());
}

// [SECTION] Editing

bool TColumnKv::CanModify(bool TryEdit) {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) return false;
  TGridDataLinkKv* Link = Grid->GetDataLink();
  TField* Field = GetField();
  if (Grid->GetReadOnly() || !Link->GetActive() || Link->GetReadOnly() || GetReadOnly() || !Field)
    return false;
  // [Phase 1] A lookup value is written into its key fields: they are the
  // fields that must take it, and every one of them must exist.
  std::vector<TField*> Tested;
  if (Field->GetFieldKind() == fkLookup) {
    if (!dbgrid::LookupKeyFields(Field, Tested)) return false;
  } else {
    Tested.push_back(Field);
  }
  for (TField* F : Tested) {
    if (!F->GetCanModify()) return false;
    if (F->IsBlob() && !F->OnSetText && !(F->GetDataType() == ftMemo && Grid->GetMemoEditing()))
      return false;
  }
  // [Phase 2] The row itself.
  if (!Grid->CanModifyRecord()) return false;
  if (!TryEdit) return true;
  Link->Edit();
  if (!Link->GetEditing()) return false;
  Link->Modified();
  return true;
}

void TColumnKv::UpdateDataValues(String Text, Variant Value, bool UseText) {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) return;
  // [Phase 1] The application may write the value itself.
  if (OnUpdateData) {
    bool Handled = false;
    OnUpdateData(this, Text, Value, UseText, Handled);
    if (Handled) return;
  }
  // [Phase 2] The field takes the text or the value; a lookup field's key
  // fields take the key value (element by element when there are several).
  if (TField* Field = GetField()) {
    if (UseText) {
      if (Field->GetDataType() == ftMemo && Grid->GetMemoEditing())
        Field->SetAsString(Text);
      else
        Field->SetEditText(Text);
    } else if (Field->GetFieldKind() == fkLookup && !Field->GetKeyFields().empty()) {
      Field->GetDataSet()->SetFieldValues(Field->GetKeyFields(), Value);
    } else {
      Field->SetValue(Value);
    }
  }
  // [Phase 3] What the user entered joins the most-recently-used list.
  TDBGridInplaceEdit* Editor = Grid->GetDBInplaceEditor();
  if (FMRUList->GetActive() && FMRUList->GetAutoAdd() && Editor && Editor->Visible() &&
      Editor->GetMRUList() == FMRUList)
    FMRUList->Add(Text);
}

void TColumnKv::SetCheckboxState(TCheckBoxState Value) {
  TField* Field = GetField();
  if (Value == cbGrayed) {
    UpdateDataValues({}, Null(), false);
    return;
  }
  const bool Checked = Value == cbChecked;
  if (Field && Field->GetDataType() == ftBoolean) {
    UpdateDataValues(Checked ? "True" : "False", Variant(Checked), false);
    return;
  }
  const Integer Line = Checked ? 0 : 1;
  String Text;
  if (FKeyList && Line < FKeyList->GetCount()) {
    Integer Pos = 1;
    Text = ExtractFieldName(FKeyList->GetStrings(Line), Pos);
  }
  UpdateDataValues(Text, Variant(Text), true);
}

void TColumnKv::SetNextFieldValue(Extended Increment) {
  if (!CanModify(true)) return;
  TField* Field = GetField();
  TCustomDBGridKv* Grid = GetGrid();
  TDBGridInplaceEdit* Editor = Grid->GetDBInplaceEditor();
  const bool EditorShown = Editor && Editor->Visible();
  const String Text = EditorShown ? Editor->GetText() : Field->GetEditText();
  // The sign of the step is its direction.
  const bool Forward = Increment > 0;
  const TColumnKvType Kind = GetColumnType();
  // [Phase 1] A check box turns to its other state.
  if (Kind == ctCheckboxesKv) {
    SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
    return;
  }
  // [Phase 2] Keys: the next key of the key list. The editor of a key-list
  // cell shows the pick-list text beside the key, so its text is found there.
  if ((Kind == ctKeyPickListKv || Kind == ctKeyImageListKv) && HasItems(FKeyList)) {
    const Integer Index = EditorShown && Kind == ctKeyPickListKv ? GetPickList()->IndexOf(Text)
                                                                 : FKeyList->IndexOf(Text);
    const String Key = FKeyList->GetStrings(NextIndex(Index, FKeyList->GetCount(), Forward));
    UpdateDataValues(Key, Variant(Key), false);
    return;
  }
  // [Phase 3] Texts of a pick list.
  if (Kind == ctPickListKv) {
    const Integer Index = FPickList->IndexOf(Text);
    const String Item = FPickList->GetStrings(NextIndex(Index, FPickList->GetCount(), Forward));
    UpdateDataValues(Item, Variant(Item), true);
    return;
  }
  // [Phase 4] A lookup value: the next or prior record of the lookup dataset.
  if (Kind == ctLookupFieldKv) {
    TDataSet* List = Field->GetLookupDataSet();
    if (!List || !List->GetActive() || List->IsEmpty()) return;
    const Variant Key = Field->GetDataSet()->GetFieldValues(Field->GetKeyFields());
    const bool Found = List->Locate(Field->GetLookupKeyFields(), Key, {});
    if (Forward) {
      if (Found) List->Next();
      if (!Found || List->GetEof()) List->First();
    } else {
      if (Found) List->Prior();
      if (!Found || List->GetBof()) List->Last();
    }
    const Variant NewKey = List->GetFieldValues(Field->GetLookupKeyFields());
    TField* Result = List->FindField(Field->GetLookupResultField());
    UpdateDataValues(Result ? Result->GetEditText() : VarToStr(NewKey), NewKey, false);
    return;
  }
  // [Phase 5] Numbers, an image column's among them.
  if (IsSteppedNumber(Field->GetDataType())) {
    const Variant NewValue = SteppedValue(Field, Increment);
    UpdateDataValues(VarToStr(NewValue), NewValue, false);
  }
}

Integer TColumnKv::EditButtonsWidth() {
  TCustomDBGridKv* Grid = GetGrid();
  const bool Flat = Grid && Grid->GetFlat();
  const Integer Default = Flat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
  const Integer Line = Flat ? 1 : 0;
  Integer Result = 0;
  if (GetColumnEditStyle(this) != cesPlainKv) Result += Default + Line;
  for (Integer I = 0; I < FEditButtons->GetCount(); ++I) {
    TEditButtonKv* Button = FEditButtons->GetItems(I);
    if (!Button->GetVisible()) continue;
    Result += (Button->GetWidth() != 0 ? Button->GetWidth() : Default) + Line;
  }
  return Result;
}

}  // namespace korvel
