// The column filter: its settings, the lookup defaults, the list link that
// reads a list dataset's values, and the typing, parsing and mapping of the
// text a person types into the column's filter cell.
//
// Index:
//   [SECTION] Life and settings   Construct, Destroy, Assign, Visible, ListSource, ListField,
//                                 list link
//   [SECTION] Lookup defaults     LookupField, GetDataField, EffectiveKeyField, ...
//   [SECTION] The condition       SetExpressionStr, MapPickListValues, ClearFilter,
//                                 GetExpressionAsText, GetFilterValue1/2
#include "grid/DBGridKv.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Life and settings

void TSTColumnFilterKv::KvPublish(TPublisher<TSTColumnFilterKv>& P) {
  P.Prop("DataField", &TSTColumnFilterKv::GetOwnDataField, &TSTColumnFilterKv::SetDataField);
  P.Prop("KeyField", &TSTColumnFilterKv::GetKeyField, &TSTColumnFilterKv::SetKeyField);
  P.Prop("ListField", &TSTColumnFilterKv::GetListField, &TSTColumnFilterKv::SetListField);
  P.Prop("ListSource", &TSTColumnFilterKv::GetListSource, &TSTColumnFilterKv::SetListSource);
  P.Prop("Visible", &TSTColumnFilterKv::GetVisible, &TSTColumnFilterKv::SetVisible).Default(true);
}

void TSTColumnFilterKv::Construct() {
  inherited::Construct();
  FKeyValues = TStringList::Create();
  FListValues = TStringList::Create();
  FListLink = TFieldDataLink::Create();
  FListLink->OnActiveChange = TNotifyEvent(this, &TSTColumnFilterKv::ListLinkActiveChange);
  FKeyValue = Null();
  FVisible = true;
  ClearFilterExpression(FExpression);
}

void TSTColumnFilterKv::Destroy() {
  // The filter-row editor keeps to its own column.
  if (TCustomDBGridKv* Grid = FColumn ? FColumn->GetGrid() : nullptr)
    Grid->FilterColumnGoing(FColumn->GetIndex());
  FValueList = nullptr;
  if (FListLink) FListLink->OnActiveChange = nullptr;
  FreeAndNil(FListLink);
  FreeAndNil(FListValues);
  FreeAndNil(FKeyValues);
  inherited::Destroy();
}

TPersistent* TSTColumnFilterKv::GetOwner() { return FColumn; }

void TSTColumnFilterKv::Assign(TPersistent* Source) {
  auto* Other = DynCast<TSTColumnFilterKv>(Source);
  if (!Other) return inherited::Assign(Source);
  if (Other == this) return;
  SetDataField(Other->FDataField);
  SetVisible(Other->FVisible);
  SetKeyField(Other->FKeyField);
  SetListField(Other->FListField);
  SetListSource(Other->GetListSource());
}

void TSTColumnFilterKv::SetVisible(bool Value) {
  if (FVisible == Value) return;
  // The filter-row editor leaves a cell about to go first: a typed text that
  // does not parse keeps the cell shown with the editor in it.
  TCustomDBGridKv* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  if (!Value && Grid && Grid->GetFilterEditorActive() && Grid->GetFilterCol() == FColumn->GetIndex())
    Grid->HideFilterEditor();
  FVisible = Value;
  if (FColumn) FColumn->Changed(false);
}

TDataSource* TSTColumnFilterKv::GetListSource() const { return FListLink->GetDataSource(); }

void TSTColumnFilterKv::SetListSource(TDataSource* Value) {
  if (GetListSource() == Value) return;
  FValueList = nullptr;
  FListLink->SetDataSource(Value);
}

void TSTColumnFilterKv::SetListField(const String& Value) {
  if (FListField == Value) return;
  FListField = Value;
  FValueList = nullptr;
}

// The list dataset's list and key values, read once each time the link
// comes up.
void TSTColumnFilterKv::ListLinkActiveChange(TObject* /*Sender*/) {
  FListValues->Clear();
  FKeyValues->Clear();
  TDataSet* List = FListLink->GetDataSet();
  if (!FListLink->GetActive() || !List || FListField.empty() || FKeyField.empty()) return;
  TField* ListField = List->FieldByName(FListField);
  TField* KeyField = List->FieldByName(FKeyField);
  TDisableControlsGuard Guard(List);
  for (List->First(); !List->GetEof(); List->Next()) {
    FListValues->Add(ListField->GetAsString());
    FKeyValues->Add(KeyField->GetAsString());
  }
  List->First();
}

// [SECTION] Lookup defaults

TField* TSTColumnFilterKv::LookupField() {
  TCustomDBGridKv* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  if (!Grid || !Grid->GetDataLink()->GetActive() || !Grid->GetDataSet()) return nullptr;
  TField* Field = Grid->GetDataSet()->FindField(FColumn->GetFieldName());
  return Field && Field->GetFieldKind() == fkLookup ? Field : nullptr;
}

void TSTColumnFilterKv::GetDataField(String& Name) {
  Name = FDataField;
  if (!Name.empty()) return;
  if (TField* Lookup = LookupField())
    Name = Lookup->GetKeyFields();
  else if (FColumn)
    Name = FColumn->GetFieldName();
}

String TSTColumnFilterKv::EffectiveKeyField() {
  if (!FKeyField.empty()) return FKeyField;
  if (TField* Lookup = LookupField()) return Lookup->GetLookupKeyFields();
  return String();
}

TDataSet* TSTColumnFilterKv::EffectiveListDataSet() {
  if (TDataSource* Source = GetListSource()) return Source->GetDataSet();
  if (TField* Lookup = LookupField()) return Lookup->GetLookupDataSet();
  return nullptr;
}

String TSTColumnFilterKv::EffectiveListField() {
  if (!FListField.empty()) return FListField;
  if (TField* Lookup = LookupField()) return Lookup->GetLookupResultField();
  return String();
}

bool TSTColumnFilterKv::HasListSource() {
  if (GetListSource()) return true;
  TCustomDBGridKv* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  if (!Grid || !Grid->GetDataSet()) return false;
  IMemTableKv* Tree = nullptr;
  return Supports(Grid->GetDataSet(), Tree);
}

// [SECTION] The condition

void TSTColumnFilterKv::SetExpressionStr(const String& Text) {
  // [Phase 1] Typing: by the column's field; a column of keys and picks is
  // typed as text whatever its field.
  TSTFilterExpressionKv Expression = FExpression;
  if (FColumn) {
    if (TField* Field = FColumn->GetField())
      Expression.ExpressionType = STFldTypeMapKv(Field->GetDataType());
    if (FColumn->GetKeyList()->GetCount() > 0 && FColumn->GetPickList()->GetCount() > 0)
      Expression.ExpressionType = fvtStringKv;
  }
  // [Phase 2] Parsing and mapping, into a copy: a refused text changes nothing.
  ParseFilterExpression(Text, Expression);
  MapPickListValues(Expression);
  Variant KeyValue = FKeyValue;
  // [Phase 3] A lookup filter keeps the key of the typed text, and its
  // condition is the text itself.
  const String KeyField = EffectiveKeyField();
  if (!KeyField.empty() && Expression.Operator1 != foIsNull &&
      Expression.Operator1 != foIsNotNull) {
    KeyValue = Null();
    TDataSet* List = EffectiveListDataSet();
    // Without an active list dataset no record shows the text.
    if (!Text.empty() && List && List->GetActive())
      KeyValue = List->Lookup(EffectiveListField(), Variant(Text), KeyField);
    ClearFilterExpression(Expression);
    Expression.ExpressionType = fvtStringKv;
    if (VarIsNull(KeyValue) || VarIsEmpty(KeyValue)) {
      KeyValue = Null();
      Expression.Operator1 = Text.empty() ? foNone : foIsNull;
    } else {
      Expression.Operator1 = foIn;
      Expression.Operand1 = Variant(Text);
    }
  }
  // [Phase 4] Keep it all.
  FExpression = std::move(Expression);
  FKeyValue = std::move(KeyValue);
  FExpressionStr = Text;
}

void TSTColumnFilterKv::MapPickListValues(TSTFilterExpressionKv& Expression) {
  if (!FColumn) return;
  TStrings* Keys = FColumn->GetKeyList();
  TStrings* Picks = FColumn->GetPickList();
  if (Keys->GetCount() == 0 || Picks->GetCount() == 0) return;
  // A pick without a key at its index (a pick list longer than the key list)
  // stays as it is.
  auto Map = [Keys, Picks](const Variant& Value) -> Variant {
    if (VarIsNull(Value) || VarIsEmpty(Value)) return Value;
    const Integer Index = Picks->IndexOf(VarToStr(Value));
    if (Index < 0 || Index >= Keys->GetCount()) return Value;
    return Variant(Keys->Get(Index));
  };
  auto MapOperand = [&Map](TSTFilterOperatorKv Operator, Variant& Operand) {
    if (Operator < foEqual || Operator > foNotIn) return;
    if (!VarIsArray(Operand)) {
      Operand = Map(Operand);
      return;
    }
    std::vector<Variant> Items;
    for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
      Items.push_back(Map(VarArrayGet(Operand, I)));
    Operand = VarArrayOf(Items);
  };
  MapOperand(Expression.Operator1, Expression.Operand1);
  MapOperand(Expression.Operator2, Expression.Operand2);
}

void TSTColumnFilterKv::ClearFilter() {
  FKeyValue = Null();
  SetExpressionStr(String());
  TCustomDBGridKv* Grid = FColumn ? FColumn->GetGrid() : nullptr;
  if (!Grid) return;
  Grid->Invalidate();
  if (Grid->FilterEditorShown()) Grid->UpdateFilterEditor(false);
}

void TSTColumnFilterKv::GetExpressionAsText(String& Text) {
  Text.clear();
  if (FExpression.ExpressionType == fvtNotFilterableKv || FExpression.Operator1 == foNone) return;
  if (!GetListSource()) {
    Text = FilterExpressionAsText(FExpression);
    return;
  }
  // A list shows the first operand alone: a list of quoted values, or a
  // value's own text.
  const Variant& Operand = FExpression.Operand1;
  if (!VarIsArray(Operand)) {
    Text = VarToStr(Operand);
    return;
  }
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I) {
    if (!Text.empty()) Text += ",";
    Text += QuotedStr(VarToStr(VarArrayGet(Operand, I)));
  }
}

void TSTColumnFilterKv::GetFilterValue1(Variant& Value) {
  if (!EffectiveKeyField().empty())
    Value = FKeyValue;
  else
    Value = FExpression.Operand1;
}

void TSTColumnFilterKv::GetFilterValue2(Variant& Value) { Value = FExpression.Operand2; }

}  // namespace korvel
