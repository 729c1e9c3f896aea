// Footers: a column's footer cells, their own values against the grid's
// defaults, their aggregates in the grid's aggregate list, and the text a
// footer cell shows.
//
// Index:
//   [SECTION] Footer             lifetime, defaults, setters, Assign, RestoreDefaults
//   [SECTION] Aggregate binding  EnsureSumValue, the grid's aggregate list
//   [SECTION] Footer text        TCustomDBGridKv::GetFooterText and its formatting
//   [SECTION] Grid footers       colour, font, rows, repainting
#include "grid/DBGridKv.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Numbers.h"

namespace korvel {

using namespace kvp;

// [SECTION] Footer

void TColumnFooterKv::KvPublish(TPublisher<TColumnFooterKv>& P) {
  using C = TColumnFooterKv;
  P.Prop("Alignment", &C::GetAlignment, &C::SetAlignment).Stored(&C::IsAlignmentStored);
  P.Prop("Color", &C::GetColor, &C::SetColor).TypeName("TColor").Stored(&C::IsColorStored);
  P.Prop("DisplayFormat", &C::GetDisplayFormat, &C::SetDisplayFormat);
  P.Prop("EndEllipsis", &C::GetEndEllipsis, &C::SetEndEllipsis).Default(false);
  P.Prop("FieldName", &C::GetFieldName, &C::SetFieldName);
  P.Prop("Font", &C::GetFont, &C::SetFont).Stored(&C::IsFontStored);
  P.Prop("ToolTips", &C::GetToolTips, &C::SetToolTips).Stored(&C::IsToolTipsStored);
  P.Prop("Value", &C::GetValue, &C::SetValue);
  P.Prop("ValueType", &C::GetValueType, &C::SetValueType).Default(fvtNon);
  P.Prop("WordWrap", &C::GetWordWrap, &C::SetWordWrap).Default(false);
}

void TColumnFooterKv::Construct() {
  inherited::Construct();
  auto* Footers = DynCast<TColumnFootersKv>(GetCollection());
  FColumn = Footers ? Footers->GetColumn() : FApartColumn;
  FFont = TFont::Create();
  RefreshDefaultFont();
  FFont->OnChange = TNotifyEvent(this, &TColumnFooterKv::FontChanged);
  if (TCustomDBGridKv* G = Grid()) G->InvalidateFooterRows();
}

void TColumnFooterKv::Destroy() {
  if (TCustomDBGridKv* G = Grid(); G && !G->GetComponentState().Contains(csDestroying))
    G->InvalidateFooterRows();
  FreeAndNil(FFont);
  FreeAndNil(FDBSum);  // leaves the aggregate list
  inherited::Destroy();
}

TCustomDBGridKv* TColumnFooterKv::Grid() const { return FColumn ? FColumn->GetGrid() : nullptr; }

void TColumnFooterKv::Changed() {
  if (FColumn) FColumn->Changed(false);
}

TAlignment TColumnFooterKv::DefaultAlignment() {
  TField* Field = FColumn ? FColumn->GetField() : nullptr;
  return Field ? Field->GetAlignment() : taLeftJustify;
}

TColor TColumnFooterKv::DefaultColor() const {
  TCustomDBGridKv* G = Grid();
  return G ? G->GetFooterColor() : clWindow;
}

TFont* TColumnFooterKv::DefaultFont() const {
  TCustomDBGridKv* G = Grid();
  if (G) return G->GetFooterFont();
  return FColumn ? FColumn->GetFont() : nullptr;
}

bool TColumnFooterKv::DefaultToolTips() const {
  TCustomDBGridKv* G = Grid();
  return G && G->GetColumnDefValues()->GetFooter()->GetToolTips();
}

TAlignment TColumnFooterKv::GetAlignment() {
  return (FAssignedValues & fbAlignment) ? FAlignment : DefaultAlignment();
}

TColor TColumnFooterKv::GetColor() const {
  return (FAssignedValues & fbColor) ? FColor : DefaultColor();
}

TFont* TColumnFooterKv::GetFont() {
  RefreshDefaultFont();
  return FFont;
}

bool TColumnFooterKv::GetToolTips() const {
  return (FAssignedValues & fbToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnFooterKv::RefreshDefaultFont() {
  if (FAssignedValues & fbFont) return;
  TFont* Default = DefaultFont();
  if (!Default || Default == FFont) return;
  TNotifyEvent Saved = FFont->OnChange;
  FFont->OnChange = nullptr;
  FFont->Assign(Default);
  FFont->OnChange = Saved;
}

void TColumnFooterKv::FontChanged(TObject*) {
  FAssignedValues |= fbFont;
  if (FColumn) FColumn->Changed(true);
}

void TColumnFooterKv::SetFont(TFont* Value) {
  const bool WasAssigned = (FAssignedValues & fbFont) != 0;
  FFont->Assign(Value);
  if (!WasAssigned && !(FAssignedValues & fbFont)) FontChanged(FFont);
}

void TColumnFooterKv::SetAlignment(TAlignment Value) {
  if ((FAssignedValues & fbAlignment) && FAlignment == Value) return;
  FAlignment = Value;
  FAssignedValues |= fbAlignment;
  Changed();
}

void TColumnFooterKv::SetColor(TColor Value) {
  if ((FAssignedValues & fbColor) && FColor == Value) return;
  FColor = Value;
  FAssignedValues |= fbColor;
  Changed();
}

void TColumnFooterKv::SetToolTips(bool Value) {
  if ((FAssignedValues & fbToolTips) && FToolTips == Value) return;
  FToolTips = Value;
  FAssignedValues |= fbToolTips;
}

void TColumnFooterKv::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  Changed();
}

void TColumnFooterKv::SetEndEllipsis(bool Value) {
  if (FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  Changed();
}

void TColumnFooterKv::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Changed();
}

void TColumnFooterKv::SetValue(const String& Value) {
  if (FValue == Value) return;
  FValue = Value;
  Changed();
}

void TColumnFooterKv::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  if (FColumn) FColumn->EnsureSumValues();
  Changed();
}

void TColumnFooterKv::SetValueType(TFooterValueType Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  if (FColumn) FColumn->EnsureSumValues();
  Changed();
}

bool TColumnFooterKv::IsAlignmentStored() {
  return (FAssignedValues & fbAlignment) && FAlignment != DefaultAlignment();
}

bool TColumnFooterKv::IsColorStored() const {
  return (FAssignedValues & fbColor) && FColor != DefaultColor();
}

void TColumnFooterKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnFooterKv>(Source);
  if (!S) return inherited::Assign(Source);
  if (S->FAssignedValues & fbAlignment) SetAlignment(S->FAlignment);
  if (S->FAssignedValues & fbColor) SetColor(S->FColor);
  if (S->FAssignedValues & fbFont) SetFont(S->FFont);
  SetEndEllipsis(S->FEndEllipsis);
  SetValueType(S->FValueType);
  SetFieldName(S->FFieldName);
  SetValue(S->FValue);
  SetWordWrap(S->FWordWrap);
  SetDisplayFormat(S->FDisplayFormat);
  SetToolTips(S->GetToolTips());
}

void TColumnFooterKv::RestoreDefaults() {
  const bool FontWasAssigned = (FAssignedValues & fbFont) != 0;
  FAssignedValues = 0;
  RefreshDefaultFont();
  if (FColumn) FColumn->Changed(FontWasAssigned);
}

TPersistent* TColumnFootersKv::GetOwner() { return FColumn; }

// [SECTION] Aggregate binding

void TColumnFooterKv::EnsureSumValue() {
  TCustomDBGridKv* G = Grid();
  if (!G) return;
  TGroupOperation Operation = goSum;
  switch (FValueType) {
    case fvtSum:
      Operation = goSum;
      break;
    case fvtAvg:
      Operation = goAvg;
      break;
    case fvtCount:
      Operation = goCount;
      break;
    default:
      FreeAndNil(FDBSum);
      return;
  }
  const String FieldName = Operation == goCount ? String()
                           : FFieldName.empty() ? FColumn->GetFieldName()
                                                : FFieldName;
  if (!FDBSum) {
    // One change of the list, not three.
    TDBSumCollection* Sums = G->GetSumList()->GetSumCollection();
    Sums->BeginUpdate();
    try {
      FDBSum = Sums->Add();
      FDBSum->SetGroupOperation(Operation);
      FDBSum->SetFieldName(FieldName);
    } catch (...) {
      Sums->EndUpdate();
      throw;
    }
    Sums->EndUpdate();
    return;
  }
  FDBSum->SetGroupOperation(Operation);
  FDBSum->SetFieldName(FieldName);
}

void TDBGridKvSumList::KvPublish(TPublisher<TDBGridKvSumList>& P) {
  using C = TDBGridKvSumList;
  P.Prop("Active", &C::GetActive, &C::SetActive).Default(false);
  P.Prop("ExternalRecalc", &C::GetExternalRecalc, &C::SetExternalRecalc).Default(false);
  P.Prop("OnAfterRecalcAll", &C::OnAfterRecalcAll);
  P.Prop("OnRecalcAll", &C::OnRecalcAll);
  P.Prop("SumListChanged", &C::SumListChanged);
  P.Prop("VirtualRecords", &C::GetVirtualRecords, &C::SetVirtualRecords).Default(false);
}

void TDBGridKvSumList::Construct() {
  inherited::Construct();
  FDesignTimeWork = true;
  FActive = false;
}

// While the grid is designed the values are worked out without the
// dataset's events being taken.
void TDBGridKvSumList::SetDataSetEvents() {
  if (OwnerDesigning()) {
    FHooked = true;
    return;
  }
  inherited::SetDataSetEvents();
}

void TDBGridKvSumList::ReturnDataSetEvents() {
  if (OwnerDesigning()) {
    FHooked = false;
    return;
  }
  inherited::ReturnDataSetEvents();
}

bool TDBGridKvSumList::HoldsPassesBack() {
  auto* Grid = DynCast<TCustomDBGridKv>(GetOwnerComponent());
  if (!Grid) return false;
  if (!FGridPainted || Grid->GetUpdateLock() > 0) return true;
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  for (Integer I = 0; Columns && I < Columns->GetCount(); ++I)
    if (TColumnFootersKv* Footers = Columns->GetColumn(I)->GetFooters();
        Footers && Footers->GetUpdateCount() > 0)
      return true;
  return false;
}

void TDBGridKvSumList::GridPainting() {
  FGridPainted = true;
  EnsureCurrent();
}

void TDBGridKvSumList::DoSumListChanged() {
  inherited::DoSumListChanged();
  if (auto* Grid = DynCast<TCustomDBGridKv>(GetOwnerComponent())) Grid->InvalidateFooterRows();
}

// [SECTION] Footer text

namespace {

// What a sum or an average footer shows when its total is beyond currency.
const char* const SFooterOverflow = "Overflow";

bool IsWholeNumberType(TFieldType Type) {
  return Type == ftSmallint || Type == ftInteger || Type == ftWord || Type == ftAutoInc ||
         Type == ftLargeint;
}

String FieldDisplayFormat(TField* Field) {
  if (auto* Numeric = DynCast<TNumericField>(Field)) return Numeric->GetDisplayFormat();
  return {};
}

// The text of a sum or an average of Field.
String AggregateText(TField* Field, Currency Value, const String& FooterFormat) {
  const TFieldType Type = Field->GetDataType();
  const String FieldFormat = FieldDisplayFormat(Field);
  if (IsWholeNumberType(Type)) {
    if (!FooterFormat.empty()) return FormatFloat(FooterFormat, Value.ToDouble());
    if (!FieldFormat.empty()) return FormatFloat(FieldFormat, Value.ToDouble());
    return std::to_string(Round(Value));
  }
  if (Type == ftFloat || Type == ftCurrency) {
    if (!FooterFormat.empty()) return FormatFloat(FooterFormat, Value.ToDouble());
    if (!FieldFormat.empty()) return FormatFloat(FieldFormat, Value.ToDouble());
    auto* Float = DynCast<TFloatField>(Field);
    const bool Money = Float && Float->GetCurrency();
    return FloatToStrF(Value.ToDouble(), Money ? ffCurrency : ffGeneral,
                       Float ? Float->GetPrecision() : 15,
                       Money ? FormatSettings.CurrencyDecimals : 0);
  }
  if (Type == ftBCD || Type == ftFMTBcd) {
    if (!FooterFormat.empty()) return FormatFloat(FooterFormat, Value.ToDouble());
    if (!FieldFormat.empty()) return FormatCurr(FieldFormat, Value);
    auto* Bcd = DynCast<TBCDField>(Field);
    const bool Money = Bcd && Bcd->GetCurrency();
    return CurrToStrF(Value, Money ? ffCurrency : ffGeneral,
                      Money ? FormatSettings.CurrencyDecimals : 0);
  }
  return "0";
}

}  // namespace

void TCustomDBGridKv::GetFooterText(Integer Row, TColumnKv* Column, String& Text) {
  Text.clear();
  TColumnFooterKv* Footer = Column->UsedFooter(Row);
  TDataSet* DataSet = GetDataSet();
  TDBSumCollection* Sums = FSumList->GetSumCollection();
  switch (Footer->GetValueType()) {
    case fvtSum:
    case fvtAvg: {
      Text = "0";
      const String Name =
          Footer->GetFieldName().empty() ? Column->GetFieldName() : Footer->GetFieldName();
      TField* Field = DataSet ? DataSet->FindField(Name) : nullptr;
      if (!Field) return;
      // A footer given its kind before its column had a grid has no
      // aggregate to read: it shows 0 until it is bound.
      TDBSum* Sum = Sums->FindSum(Footer->GetValueType() == fvtSum ? goSum : goAvg,
                                  Field->GetFieldName());
      if (!Sum) return;
      // A total currency cannot hold says so instead of showing a number.
      if (Sum->GetOverflow()) {
        Text = SFooterOverflow;
        return;
      }
      Text = AggregateText(Field, Sum->GetValue(), Footer->GetDisplayFormat());
      return;
    }
    case fvtCount: {
      // The count of records is a whole number: a count of one is stored as
      // 1.0000.
      TDBSum* Sum = Sums->FindSum(goCount, "");
      const Int64 Count = Sum ? Sum->GetValue().GetRaw() / Currency::Scale : 0;
      Text = Footer->GetDisplayFormat().empty()
                 ? FloatToStr(Extended(Count))
                 : FormatFloat(Footer->GetDisplayFormat(), Extended(Count));
      return;
    }
    case fvtFieldValue:
      if (DataSet && DataSet->GetActive() && !Footer->GetFieldName().empty())
        Text = FormatFieldDisplayValue(DataSet->FieldByName(Footer->GetFieldName()),
                                Footer->GetDisplayFormat());
      return;
    case fvtStaticText:
      Text = Footer->GetValue();
      return;
    case fvtNon:
      return;
  }
}

// [SECTION] Grid footers

void TCustomDBGridKv::SetFooterColor(TColor Value) {
  if (!Loading()) SetParentColor(false);
  if (FFooterColor == Value) return;
  FFooterColor = Value;
  if (FFooterRowCount > 0) InvalidateFooterRows();
}

void TCustomDBGridKv::SetFooterRowCount(Integer Value) {
  // Each footer row is laid out and painted on its own: a count no form
  // has is refused before it costs anything.
  if (Value > MaxFooterRowCount)
    RaiseGridError("A grid may have at most " + std::to_string(MaxFooterRowCount) +
                   " footer rows; this one has " + std::to_string(Value));
  Value = std::max(Value, 0);
  if (FFooterRowCount == Value) return;
  FFooterRowCount = Value;
  LayoutChanged();
}

void TCustomDBGridKv::FooterFontChanged(TObject*) {
  if (!Loading() && !FAssigningTitleFont) SetParentFont(false);
  if (FFooterRowCount > 0) LayoutChanged();
}

void TCustomDBGridKv::InvalidateFooterRows() {
  if (!HandleAllocated()) return;
  for (Integer Row = GetRowCount(); Row < GetFullRowCount(); ++Row) InvalidateGridRow(this, Row);
}

}  // namespace korvel
