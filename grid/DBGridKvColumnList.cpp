// The column collection and the grid's reaction to each change of a column;
// the grid-wide column, title and footer defaults.
//
// Index:
//   [SECTION] Collection        IsCustomized, AddDefaultColumn, ResetFieldLinks
//   [SECTION] Change reaction   Update, ColumnChanged
//   [SECTION] Column defaults   TColumnDefValuesKv and its title and footer parts
#include <algorithm>

#include "grid/DBGridKv.h"
#include "platform/rtl/Numbers.h"

namespace korvel {

using namespace kvp;

// [SECTION] Collection

bool TDBGridColumnsKv::IsCustomized() const {
  return GetCount() > 0 && GetColumn(0)->GetStored();
}

TColumnKv* TDBGridColumnsKv::AddDefaultColumn() {
  TColumnKv* Column = Add();
  Column->SetStored(false);
  return Column;
}

void TDBGridColumnsKv::ResetFieldLinks() {
  for (Integer I = 0; I < GetCount(); ++I) {
    GetColumn(I)->GetSTFilter()->ReleaseValueList();
    GetColumn(I)->FField = nullptr;
  }
}

TPersistent* TDBGridColumnsKv::GetOwner() { return FGrid; }

void TDBGridColumnsKv::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  inherited::Notify(Item, Action);
  if (Action != cnAdded && FGrid && FGrid->GetSelection())
    FGrid->GetSelection()->GetColumns()->ColumnRemoved(static_cast<TColumnKv*>(Item));
}

// [SECTION] Change reaction

void TDBGridColumnsKv::Update(TCollectionItem* Item) {
  if (!FGrid || FGrid->GetComponentState().Contains(csLoading)) return;
  // [Phase 1] One column, or all of them.
  if (Item) {
    ColumnChanged(static_cast<TColumnKv*>(Item));
  } else {
    FGrid->RebuildSortMarkedColumns();
    FGrid->LayoutChanged();
  }
  // [Phase 2] The current column may not be a hidden one.
  const Integer Selected = FGrid->GetSelectedIndex();
  TColumnsKvList* Visible = FGrid->GetVisibleColumns();
  if (GetCount() > 0 && Selected >= 0 && Selected < GetCount() &&
      !GetColumn(Selected)->GetVisible() && Visible->GetCount() > 0) {
    const Integer First = Visible->GetColumn(0)->GetIndex() + FGrid->GetIndicatorOffset();
    if (First >= 0 && First < FGrid->GetColCount()) FGrid->SetCol(First);
  }
  // [Phase 3] The editor shows the column's new settings.
  if (FGrid->GetLayoutLock() == 0) FGrid->InvalidateEditor();
}

void TDBGridColumnsKv::ColumnChanged(TColumnKv* Column) {
  const Integer GridCol = Column->GetIndex() + FGrid->GetIndicatorOffset();
  // A column changed before the layout gave it a grid column (inside its
  // own construction, say) only asks for the layout.
  if (GridCol < 0 || GridCol >= FGrid->GetFullColCount()) {
    FGrid->LayoutChanged();
    return;
  }
  FGrid->InvalidateCol(GridCol);
  const Integer GridWidth = FGrid->GetColWidths(GridCol);
  if (!FGrid->GetAutoFitColWidths() || FGrid->GetComponentState().Contains(csDesigning)) {
    // A hidden column keeps its grid column at -1 (with column lines) or 0.
    const Integer Width = Column->GetVisible()                         ? Column->GetWidth()
                          : FGrid->GetOptions().Contains(dgColLinesKv) ? -1
                                                                       : 0;
    if (GridWidth != Width) FGrid->SetColWidths(GridCol, Width);
    // Titles may span columns: a change of any column, hidden ones too,
    // may regroup them.
    if (FGrid->GetUseMultiTitle()) FGrid->LayoutChanged();
    return;
  }
  if (GridWidth == -1) return;
  // Auto-fit: the base width takes the change in proportion, and the next
  // column's base gives or takes back what it gained. A hidden column
  // without column lines is 0 wide and has no proportion to take.
  if (GridWidth > 0) {
    const Integer OldBase = Column->FInitWidth;
    Column->FInitWidth = MulDiv(OldBase, Column->GetWidth(), GridWidth);
    if (Column->GetIndex() < GetCount() - 1) {
      TColumnKv* Next = GetColumn(Column->GetIndex() + 1);
      Next->FInitWidth = std::max(0, Next->FInitWidth + (OldBase - Column->FInitWidth));
    }
  }
  FGrid->LayoutChanged();
}

// [SECTION] Column defaults

void TColumnDefValuesKv::Construct() {
  inherited::Construct();
  FTitle = TColumnTitleDefValuesKv::Create(this);
  FFooter = TColumnFooterDefValuesKv::Create();
  FLayout = tlTop;
}

void TColumnDefValuesKv::Destroy() {
  FreeAndNil(FTitle);
  FreeAndNil(FFooter);
  inherited::Destroy();
}

TPersistent* TColumnDefValuesKv::GetOwner() { return FGrid; }

void TColumnDefValuesKv::InvalidateGrid() {
  if (FGrid) FGrid->Invalidate();
}

void TColumnDefValuesKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnDefValuesKv>(Source);
  if (!S) return inherited::Assign(Source);
  FTitle->Assign(S->FTitle);
  SetAlwaysShowEditButton(S->FAlwaysShowEditButton);
  SetEndEllipsis(S->FEndEllipsis);
  SetAutoDropDown(S->FAutoDropDown);
  SetDblClickNextVal(S->FDblClickNextVal);
  SetToolTips(S->FToolTips);
  SetDropDownSizing(S->FDropDownSizing);
  SetDropDownShowTitles(S->FDropDownShowTitles);
}

void TColumnDefValuesKv::SetAlwaysShowEditButton(bool Value) {
  if (FAlwaysShowEditButton == Value) return;
  FAlwaysShowEditButton = Value;
  InvalidateGrid();
}

void TColumnDefValuesKv::SetEndEllipsis(bool Value) {
  if (FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  InvalidateGrid();
}

void TColumnDefValuesKv::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  InvalidateGrid();
}

void TColumnDefValuesKv::SetHighlightRequired(bool Value) {
  if (FHighlightRequired == Value) return;
  FHighlightRequired = Value;
  InvalidateGrid();
}

void TDBGridKvColumnDefValuesKv::KvPublish(TPublisher<TDBGridKvColumnDefValuesKv>& P) {
  using C = TDBGridKvColumnDefValuesKv;
  P.Prop("AlwaysShowEditButton", &C::GetAlwaysShowEditButton, &C::SetAlwaysShowEditButton)
      .Default(false);
  P.Prop("AutoDropDown", &C::GetAutoDropDown, &C::SetAutoDropDown).Default(false);
  P.Prop("DblClickNextVal", &C::GetDblClickNextVal, &C::SetDblClickNextVal).Default(false);
  P.Prop("DropDownShowTitles", &C::GetDropDownShowTitles, &C::SetDropDownShowTitles)
      .Default(false);
  P.Prop("DropDownSizing", &C::GetDropDownSizing, &C::SetDropDownSizing).Default(false);
  P.Prop("EndEllipsis", &C::GetEndEllipsis, &C::SetEndEllipsis).Default(false);
  P.Prop("Footer", &C::GetFooter, &C::SetFooter);
  P.Prop("HighlightRequired", &C::GetHighlightRequired, &C::SetHighlightRequired).Default(false);
  P.Prop("Layout", &C::GetLayout, &C::SetLayout).Default(tlTop);
  P.Prop("Title", &C::GetTitle, &C::SetTitle);
  P.Prop("ToolTips", &C::GetToolTips, &C::SetToolTips).Default(false);
}

void TColumnTitleDefValuesKv::KvPublish(TPublisher<TColumnTitleDefValuesKv>& P) {
  using C = TColumnTitleDefValuesKv;
  P.Prop("Alignment", &C::GetAlignment, &C::SetAlignment).Stored(&C::IsAlignmentStored);
  P.Prop("Color", &C::GetColor, &C::SetColor).TypeName("TColor").Stored(&C::IsColorStored);
  P.Prop("EndEllipsis", &C::GetEndEllipsis, &C::SetEndEllipsis).Default(false);
  P.Prop("Orientation", &C::GetOrientation, &C::SetOrientation).Default(tohHorizontal);
  P.Prop("TitleButton", &C::GetTitleButton, &C::SetTitleButton).Default(false);
  P.Prop("ToolTips", &C::GetToolTips, &C::SetToolTips).Default(false);
}

TPersistent* TColumnTitleDefValuesKv::GetOwner() { return FDefValues; }

TCustomDBGridKv* TColumnTitleDefValuesKv::Grid() const {
  return FDefValues ? FDefValues->GetGrid() : nullptr;
}

TAlignment TColumnTitleDefValuesKv::DefaultAlignment() const {
  TCustomDBGridKv* G = Grid();
  return G && G->GetUseMultiTitle() ? taCenter : taLeftJustify;
}

TColor TColumnTitleDefValuesKv::DefaultColor() const {
  TCustomDBGridKv* G = Grid();
  return G ? G->GetFixedColor() : clBtnFace;
}

TAlignment TColumnTitleDefValuesKv::GetAlignment() const {
  return IsAlignmentAssigned() ? FAlignment : DefaultAlignment();
}

TColor TColumnTitleDefValuesKv::GetColor() const {
  return IsColorAssigned() ? FColor : DefaultColor();
}

void TColumnTitleDefValuesKv::SetAlignment(TAlignment Value) {
  if (IsAlignmentAssigned() && FAlignment == Value) return;
  FAlignment = Value;
  FAssignedValues |= 2;
  if (TCustomDBGridKv* G = Grid()) G->LayoutChanged();
}

void TColumnTitleDefValuesKv::SetColor(TColor Value) {
  if (IsColorAssigned() && FColor == Value) return;
  FColor = Value;
  FAssignedValues |= 1;
  if (TCustomDBGridKv* G = Grid()) G->Invalidate();
}

void TColumnTitleDefValuesKv::SetEndEllipsis(bool Value) {
  if (FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  if (TCustomDBGridKv* G = Grid()) G->Invalidate();
}

void TColumnTitleDefValuesKv::SetOrientation(TTextOrientationKv Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  if (TCustomDBGridKv* G = Grid()) G->LayoutChanged();
}

bool TColumnTitleDefValuesKv::IsAlignmentStored() const {
  return IsAlignmentAssigned() && FAlignment != DefaultAlignment();
}

bool TColumnTitleDefValuesKv::IsColorStored() const {
  return IsColorAssigned() && FColor != DefaultColor();
}

void TColumnTitleDefValuesKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnTitleDefValuesKv>(Source);
  if (!S) return inherited::Assign(Source);
  if (S->IsAlignmentAssigned()) SetAlignment(S->FAlignment);
  if (S->IsColorAssigned()) SetColor(S->FColor);
  SetEndEllipsis(S->FEndEllipsis);
  SetTitleButton(S->FTitleButton);
  SetToolTips(S->FToolTips);
  SetOrientation(S->FOrientation);
}

void TColumnFooterDefValuesKv::KvPublish(TPublisher<TColumnFooterDefValuesKv>& P) {
  P.Prop("ToolTips", &TColumnFooterDefValuesKv::GetToolTips, &TColumnFooterDefValuesKv::SetToolTips)
      .Default(false);
}

void TColumnFooterDefValuesKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnFooterDefValuesKv>(Source);
  if (!S) return inherited::Assign(Source);
  SetToolTips(S->FToolTips);
}

}  // namespace korvel
