// Columns and their titles: own values against defaults (the assigned-value
// flags), default fonts kept in step, widths and their limits, field
// binding, write-through of automatic columns, sort marking, copying and
// restoring defaults.
//
// Index:
//   [SECTION] Shared helpers      SameFont, CopyFontQuietly
//   [SECTION] Title               defaults, setters, stored tests, fonts, Assign
//   [SECTION] Sort marking        SetSortMarker, SetSortIndex, SetNextSortMarkerValue, GetSortMarkingWidth
//   [SECTION] Column lifetime     Construct, Destroy, GetGrid, RestoreDefaults, Assign, SetIndex
//   [SECTION] Column field        GetField, SetField, SetFieldName, write-through
//   [SECTION] Column defaults     Default* and their getters
//   [SECTION] Column setters      flagged, width, limits, lists, references
//   [SECTION] Column streaming    published properties and stored tests
#include <algorithm>

#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Shared helpers

namespace {

// Equal fonts draw the same text in the same colour.
bool SameFont(TFont* A, TFont* B) {
  return A->GetName() == B->GetName() && A->GetHeight() == B->GetHeight() &&
         A->GetStyle() == B->GetStyle() && A->GetColor() == B->GetColor() &&
         A->GetCharset() == B->GetCharset() && A->GetPitch() == B->GetPitch() &&
         A->GetOrientation() == B->GetOrientation() &&
         A->GetPixelsPerInch() == B->GetPixelsPerInch();
}

// Copies Source into Font without Font telling its owner: the copy is the
// default coming in, not the application assigning a font.
void CopyFontQuietly(TFont* Font, TFont* Source) {
  TNotifyEvent Saved = Font->OnChange;
  Font->OnChange = nullptr;
  try {
    Font->Assign(Source);
  } catch (...) {
    Font->OnChange = Saved;
    throw;
  }
  Font->OnChange = Saved;
}

// Width of Text in Font on the screen.
Integer ScreenTextWidth(TFont* Font, const String& Text) {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font->GetHandle());
  TSize Size;
  GetTextExtentPoint32(DC, Text, &Size);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return Size.cx;
}

}  // namespace

// [SECTION] Title

void TColumnTitleKv::KvPublish(TPublisher<TColumnTitleKv>& P) {
  P.Prop("Alignment", &TColumnTitleKv::GetAlignment, &TColumnTitleKv::SetAlignment)
      .Stored(&TColumnTitleKv::IsAlignmentStored);
  P.Prop("Caption", &TColumnTitleKv::GetCaption, &TColumnTitleKv::SetCaption)
      .Stored(&TColumnTitleKv::IsCaptionStored);
  P.Prop("Color", &TColumnTitleKv::GetColor, &TColumnTitleKv::SetColor)
      .TypeName("TColor")
      .Stored(&TColumnTitleKv::IsColorStored);
  P.Prop("EndEllipsis", &TColumnTitleKv::GetEndEllipsis, &TColumnTitleKv::SetEndEllipsis)
      .Stored(&TColumnTitleKv::IsEndEllipsisStored);
  P.Prop("Font", &TColumnTitleKv::GetFont, &TColumnTitleKv::SetFont)
      .Stored(&TColumnTitleKv::IsFontStored);
  P.Prop("Hint", &TColumnTitleKv::GetHint, &TColumnTitleKv::SetHint);
  P.Prop("ImageIndex", &TColumnTitleKv::GetImageIndex, &TColumnTitleKv::SetImageIndex).Default(-1);
  P.Prop("Orientation", &TColumnTitleKv::GetOrientation, &TColumnTitleKv::SetOrientation)
      .Stored(&TColumnTitleKv::IsOrientationStored);
  P.Prop("SortIndex", &TColumnTitleKv::GetSortIndex, &TColumnTitleKv::SetSortIndex).Default(0);
  P.Prop("SortMarker", &TColumnTitleKv::GetSortMarker, &TColumnTitleKv::SetSortMarker)
      .Default(smNoneKv);
  P.Prop("TitleButton", &TColumnTitleKv::GetTitleButton, &TColumnTitleKv::SetTitleButton)
      .Stored(&TColumnTitleKv::IsTitleButtonStored);
  P.Prop("ToolTips", &TColumnTitleKv::GetToolTips, &TColumnTitleKv::SetToolTips)
      .Stored(&TColumnTitleKv::IsToolTipsStored);
}

void TColumnTitleKv::Construct() {
  inherited::Construct();
  FFont = TFont::Create();
  CopyFontQuietly(FFont, DefaultFont());
  FFont->OnChange = TNotifyEvent(this, &TColumnTitleKv::FontChanged);
  FSortMarker = smNoneKv;
  FImageIndex = -1;
}

void TColumnTitleKv::Destroy() {
  FreeAndNil(FFont);
  inherited::Destroy();
}

TPersistent* TColumnTitleKv::GetOwner() { return FColumn; }

bool TColumnTitleKv::Assigned(TColumnKvValue Bit) const {
  return FColumn->FAssignedValues.Contains(Bit);
}

void TColumnTitleKv::Flag(TColumnKvValue Bit) { FColumn->FAssignedValues += Bit; }

void TColumnTitleKv::NotifyColumn(bool AllItems) { FColumn->Changed(AllItems); }

TAlignment TColumnTitleKv::DefaultAlignment() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetAlignment() : taLeftJustify;
}

String TColumnTitleKv::DefaultCaption() const {
  TField* Field = FColumn->GetField();
  return Field ? Field->GetDisplayLabel() : FColumn->GetFieldName();
}

TColor TColumnTitleKv::DefaultColor() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetColor() : clBtnFace;
}

bool TColumnTitleKv::DefaultEndEllipsis() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetEndEllipsis();
}

TFont* TColumnTitleKv::DefaultFont() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetTitleFont() : FColumn->GetFont();
}

TTextOrientationKv TColumnTitleKv::DefaultOrientation() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid ? Grid->GetColumnDefValues()->GetTitle()->GetOrientation() : tohHorizontal;
}

bool TColumnTitleKv::DefaultTitleButton() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetTitleButton();
}

bool TColumnTitleKv::DefaultToolTips() const {
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  return Grid && Grid->GetColumnDefValues()->GetTitle()->GetToolTips();
}

TAlignment TColumnTitleKv::GetAlignment() const {
  return Assigned(cvTitleAlignment) ? FAlignment : DefaultAlignment();
}

String TColumnTitleKv::GetCaption() const {
  return Assigned(cvTitleCaption) ? FCaption : DefaultCaption();
}

TColor TColumnTitleKv::GetColor() const {
  return Assigned(cvTitleColor) ? FColor : DefaultColor();
}

bool TColumnTitleKv::GetEndEllipsis() const {
  return Assigned(cvTitleEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis();
}

TFont* TColumnTitleKv::GetFont() {
  RefreshDefaultFont();
  return FFont;
}

TTextOrientationKv TColumnTitleKv::GetOrientation() const {
  return Assigned(cvTitleOrientation) ? FOrientation : DefaultOrientation();
}

bool TColumnTitleKv::GetTitleButton() const {
  return Assigned(cvTitleButton) ? FTitleButton : DefaultTitleButton();
}

bool TColumnTitleKv::GetToolTips() const {
  return Assigned(cvTitleToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnTitleKv::SetAlignment(TAlignment Value) {
  if (Assigned(cvTitleAlignment) && FAlignment == Value) return;
  FAlignment = Value;
  Flag(cvTitleAlignment);
  NotifyColumn(false);
}

void TColumnTitleKv::SetCaption(const String& Value) {
  const Integer Levels = TitleLevelCount(Value);
  if (Levels > MaxTitleLevels)
    RaiseGridError("A title caption may have at most " + std::to_string(MaxTitleLevels) +
                   " levels; this one has " + std::to_string(Levels));
  if (FColumn->WritesThrough()) {
    FColumn->GetField()->SetDisplayLabel(Value);
    return;
  }
  if (Assigned(cvTitleCaption) && FCaption == Value) return;
  FCaption = Value;
  Flag(cvTitleCaption);
  NotifyColumn(false);
}

void TColumnTitleKv::SetColor(TColor Value) {
  if (Assigned(cvTitleColor) && FColor == Value) return;
  FColor = Value;
  Flag(cvTitleColor);
  NotifyColumn(false);
}

void TColumnTitleKv::SetEndEllipsis(bool Value) {
  if (Assigned(cvTitleEndEllipsis) && FEndEllipsis == Value) return;
  FEndEllipsis = Value;
  Flag(cvTitleEndEllipsis);
  NotifyColumn(false);
}

void TColumnTitleKv::SetOrientation(TTextOrientationKv Value) {
  if (Assigned(cvTitleOrientation) && FOrientation == Value) return;
  FOrientation = Value;
  Flag(cvTitleOrientation);
  NotifyColumn(false);
}

void TColumnTitleKv::SetTitleButton(bool Value) {
  if (Assigned(cvTitleButton) && FTitleButton == Value) return;
  FTitleButton = Value;
  Flag(cvTitleButton);
  NotifyColumn(false);
}

// Tool tips change nothing on the screen until the pointer rests: no change.
void TColumnTitleKv::SetToolTips(bool Value) {
  if (Assigned(cvTitleToolTips) && FToolTips == Value) return;
  FToolTips = Value;
  Flag(cvTitleToolTips);
}

void TColumnTitleKv::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (TCustomDBGridKv* Grid = FColumn->GetGrid()) Grid->LayoutChanged();
}

void TColumnTitleKv::SetFont(TFont* Value) {
  const bool WasAssigned = Assigned(cvTitleFont);
  FFont->Assign(Value);  // a different font arrives through FontChanged
  if (!WasAssigned && !Assigned(cvTitleFont)) FontChanged(FFont);
}

void TColumnTitleKv::FontChanged(TObject*) {
  Flag(cvTitleFont);
  NotifyColumn(true);
}

void TColumnTitleKv::RefreshDefaultFont() {
  if (Assigned(cvTitleFont)) return;
  TFont* Default = DefaultFont();
  if (Default && Default != FFont && !SameFont(FFont, Default)) CopyFontQuietly(FFont, Default);
}

bool TColumnTitleKv::IsAlignmentStored() const {
  return Assigned(cvTitleAlignment) && FAlignment != DefaultAlignment();
}
bool TColumnTitleKv::IsCaptionStored() const {
  return Assigned(cvTitleCaption) && FCaption != DefaultCaption();
}
bool TColumnTitleKv::IsColorStored() const {
  return Assigned(cvTitleColor) && FColor != DefaultColor();
}
bool TColumnTitleKv::IsEndEllipsisStored() const {
  return Assigned(cvTitleEndEllipsis) && FEndEllipsis != DefaultEndEllipsis();
}
bool TColumnTitleKv::IsFontStored() const { return Assigned(cvTitleFont); }
bool TColumnTitleKv::IsOrientationStored() const {
  return Assigned(cvTitleOrientation) && FOrientation != DefaultOrientation();
}
bool TColumnTitleKv::IsTitleButtonStored() const {
  return Assigned(cvTitleButton) && FTitleButton != DefaultTitleButton();
}
bool TColumnTitleKv::IsToolTipsStored() const {
  return Assigned(cvTitleToolTips) && FToolTips != DefaultToolTips();
}

void TColumnTitleKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnTitleKv>(Source);
  if (!S) return inherited::Assign(Source);
  if (S->Assigned(cvTitleAlignment)) SetAlignment(S->FAlignment);
  if (S->Assigned(cvTitleColor)) SetColor(S->FColor);
  if (S->Assigned(cvTitleCaption)) SetCaption(S->FCaption);
  if (S->Assigned(cvTitleFont)) SetFont(S->FFont);
  SetHint(S->FHint);
  SetImageIndex(S->FImageIndex);
  SetOrientation(S->GetOrientation());
  SetSortIndex(S->FSortIndex);
  SetSortMarker(S->FSortMarker);
  SetTitleButton(S->GetTitleButton());
  SetEndEllipsis(S->GetEndEllipsis());
  SetToolTips(S->GetToolTips());
}

void TColumnTitleKv::RestoreDefaults() {
  const bool FontWasAssigned = Assigned(cvTitleFont);
  for (TColumnKvValue Bit :
       {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont, cvTitleButton,
        cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation})
    FColumn->FAssignedValues -= Bit;
  FCaption.clear();
  RefreshDefaultFont();
  NotifyColumn(FontWasAssigned);
}

// [SECTION] Sort marking

namespace {

// The columns of the column's collection, or none.
TDBGridColumnsKv* ColumnsOf(TColumnKv* Column) {
  return DynCast<TDBGridColumnsKv>(Column->GetCollection());
}

}  // namespace

void TColumnTitleKv::SetSortMarker(TSortMarkerKv Value) {
  if (FSortMarker == Value) return;
  TDBGridColumnsKv* Columns = ColumnsOf(FColumn);
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  if (!Columns || !Grid || Columns->GetUpdateCount() > 0) {
    FSortMarker = Value;
    return;
  }
  TColumnsKvList* Marked = Grid->GetSortMarkedColumns();
  if (!Grid->GetOptionsKv().Contains(dgMultiSortMarkingKv)) {
    // [Phase 1] One sorted column at most: the others lose their markers.
    if (Value != smNoneKv) {
      for (Integer I = 0; I < Columns->GetCount(); ++I) {
        TColumnTitleKv* Other = Columns->GetColumn(I)->GetTitle();
        if (Other == this) continue;
        Other->FSortMarker = smNoneKv;
        Other->FSortIndex = 0;
      }
      FSortIndex = 1;
      Marked->Clear();
      Marked->Add(FColumn);
    } else {
      FSortIndex = 0;
      Marked->Clear();
    }
  } else if (Value != smNoneKv) {
    // [Phase 2] Several: a newly marked column goes last.
    if (FSortIndex == 0) {
      Integer Sorted = 0;
      for (Integer I = 0; I < Columns->GetCount(); ++I)
        if (Columns->GetColumn(I)->GetTitle()->FSortIndex > 0) ++Sorted;
      FSortIndex = Sorted + 1;
      Marked->Add(FColumn);
    }
  } else if (FSortIndex > 0) {
    // [Phase 3] A column leaves the order; those after it move up.
    for (Integer I = 0; I < Columns->GetCount(); ++I) {
      TColumnTitleKv* Other = Columns->GetColumn(I)->GetTitle();
      if (Other->FSortIndex > FSortIndex) --Other->FSortIndex;
    }
    Marked->Remove(FColumn);
    FSortIndex = 0;
  }
  FSortMarker = Value;
  // The header tree keeps each leaf's room for its marker.
  if (Grid->GetUseMultiTitle())
    Grid->LayoutChanged();
  else
    Grid->Invalidate();
}

void TColumnTitleKv::SetSortIndex(Integer Value) {
  if (Value < 0) Value = 0;
  if (FSortIndex == Value) return;
  TDBGridColumnsKv* Columns = ColumnsOf(FColumn);
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  if (!Columns || !Grid || Columns->GetUpdateCount() > 0) {
    FSortIndex = Value;
    return;
  }
  // Only a marked column takes a place, and only a place some marked column
  // holds: an unsorted column's 0 is no place in the order.
  if (FSortMarker == smNoneKv || Value == 0) return;
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    TColumnTitleKv* Holder = Columns->GetColumn(I)->GetTitle();
    if (Holder == this || Holder->FSortIndex != Value) continue;
    Holder->FSortIndex = FSortIndex;
    FSortIndex = Value;
    TColumnsKvList* Marked = Grid->GetSortMarkedColumns();
    const Integer Mine = Marked->IndexOf(FColumn);
    const Integer Theirs = Marked->IndexOf(Holder->FColumn);
    if (Mine >= 0 && Theirs >= 0) Marked->Exchange(Mine, Theirs);
    Grid->Invalidate();
    return;
  }
}

void TColumnTitleKv::SetNextSortMarkerValue(bool KeepOthers) {
  if (!KeepOthers)
    if (TDBGridColumnsKv* Columns = ColumnsOf(FColumn))
      for (Integer I = 0; I < Columns->GetCount(); ++I)
        if (TColumnTitleKv* Other = Columns->GetColumn(I)->GetTitle(); Other != this)
          Other->SetSortMarker(smNoneKv);
  switch (FSortMarker) {
    case smNoneKv:
      SetSortMarker(smDownKv);
      break;
    case smDownKv:
      SetSortMarker(smUpKv);
      break;
    case smUpKv:
      SetSortMarker(KeepOthers ? smNoneKv : smDownKv);
      break;
  }
}

Integer TColumnTitleKv::GetSortMarkingWidth() {
  if (FSortIndex == 0) return 0;
  Integer Result = 16;
  Integer DigitWidth = 0;
  TCustomDBGridKv* Grid = FColumn->GetGrid();
  if (Grid && Grid->GetSortMarkedColumns()->GetCount() >= 2) {
    DigitWidth = ScreenTextWidth(SortMarkerFont(), std::to_string(FSortIndex));
    Result += DigitWidth;
  }
  const Integer Room = FColumn->GetWidth() - 4;
  if (Result > Room) {
    Result -= 14;
    if (Result > Room) Result -= DigitWidth + 2;
  }
  return Result;
}

// [SECTION] Column lifetime

void TColumnKv::Construct() {
  // A grid that knows the column makes it inside one layout lock, so that the
  // column's own changes are folded into the layout its arrival causes.
  auto* Owner = DynCast<TDBGridColumnsKv>(FCreateColumns);
  TCustomDBGridKv* Grid = Owner ? Owner->GetGrid() : nullptr;
  if (Grid) Grid->BeginLayout();
  try {
    inherited::Construct();
    FDropDownRows = 7;
    FButtonStyle = cbsAuto;
    FFont = TFont::Create();
    if (TFont* Default = DefaultFont()) CopyFontQuietly(FFont, Default);
    FFont->OnChange = TNotifyEvent(this, &TColumnKv::FontChanged);
    FImeMode = imDontCare;
    FImeName = Screen()->GetDefaultIme();
    FTitle = CreateTitle();
    FFooter = CreateFooter();
    FFooters = CreateFooters();
    FAutoFitColWidth = true;
    FInitWidth = GetWidth();
    FVisible = true;
    FNotInKeyListIndex = -1;
    FIncrement = 1.0L;
    FStored = true;
    FEditButtons = CreateEditButtons();
    FEditButtons->OnChange = TNotifyEvent(this, &TColumnKv::EditButtonsChanged);
    FDropDownBox = TColumnDropDownBoxKv::Create(this);
    FDropDownSpecRow = FDropDownBox->GetSpecRow();
    FDropDownSpecRow->OnChange = TNotifyEvent(this, &TColumnKv::SpecRowChanged);
    FMRUList = TMRUListKv::Create(this);
    FSTFilter = CreateSTFilter();
    FImageChangeLink = TChangeLink::Create();
    FImageChangeLink->OnChange = TNotifyEvent(this, &TColumnKv::ImageListChange);
    FShowImageAndText = false;
  } catch (...) {
    if (Grid) Grid->CancelLayout();
    throw;
  }
  if (Grid) Grid->EndLayout();
}

void TColumnKv::Destroy() {
  if (TCustomDBGridKv* Grid = GetGrid()) {
    Grid->GetSortMarkedColumns()->Remove(this);
    Grid->GetVisibleColumns()->Remove(this);
  }
  if (FImageList) FImageList->UnRegisterChanges(FImageChangeLink);
  FImageList = nullptr;
  FreeAndNil(FImageChangeLink);
  FreeAndNil(FSTFilter);
  FreeAndNil(FDataListHolder);
  FreeAndNil(FMRUList);
  FDropDownSpecRow = nullptr;
  FreeAndNil(FDropDownBox);
  FreeAndNil(FEditButtons);
  FreeAndNil(FTitle);
  FreeAndNil(FFooters);
  FreeAndNil(FFooter);
  FreeAndNil(FKeyList);
  FreeAndNil(FPickList);
  FreeAndNil(FFont);
  inherited::Destroy();
}

TColumnTitleKv* TColumnKv::CreateTitle() { return TColumnTitleKv::Create(this); }

TSTColumnFilterKv* TColumnKv::CreateSTFilter() { return TSTColumnFilterKv::Create(this); }

void TColumnKv::SetSTFilter(TSTColumnFilterKv* Value) { FSTFilter->Assign(Value); }

TColumnFooterKv* TColumnKv::CreateFooter() { return TColumnFooterKv::CreateApart(this); }

TColumnFootersKv* TColumnKv::CreateFooters() {
  return TColumnFootersKv::Create(this, TColumnFooterKv::StaticClass());
}

TColumnFooterKv* TColumnKv::UsedFooter(Integer Index) const {
  return Index >= 0 && Index < FFooters->GetCount() ? FFooters->GetItem(Index) : FFooter;
}

void TColumnKv::EnsureSumValues() {
  if (FFooter) FFooter->EnsureSumValue();
  if (FFooters)
    for (Integer I = 0; I < FFooters->GetCount(); ++I) FFooters->GetItem(I)->EnsureSumValue();
}

TCustomDBGridKv* TColumnKv::GetGrid() const {
  auto* Columns = DynCast<TDBGridColumnsKv>(GetCollection());
  return Columns ? Columns->GetGrid() : nullptr;
}

String TColumnKv::DoGetDisplayName() const {
  return FFieldName.empty() ? inherited::DoGetDisplayName() : FFieldName;
}

void TColumnKv::InvalidateGrid() const {
  if (TCustomDBGridKv* Grid = GetGrid()) Grid->Invalidate();
}

void TColumnKv::RestoreDefaults() {
  const bool FontWasAssigned = Assigned(cvFont);
  FTitle->RestoreDefaults();
  FAssignedValues = {};
  RefreshDefaultFont();
  FreeAndNil(FPickList);
  FButtonStyle = cbsAuto;
  FreeAndNil(FKeyList);
  Changed(FontWasAssigned);
}

void TColumnKv::Assign(TPersistent* Source) {
  auto* S = DynCast<TColumnKv>(Source);
  if (!S) return inherited::Assign(Source);
  TCollection* Owner = GetCollection();
  if (Owner) Owner->BeginUpdate();
  struct TEnd {
    TCollection* C;
    ~TEnd() {
      if (C) C->EndUpdate();
    }
  } End{Owner};
  RestoreDefaults();
  SetFieldName(S->FFieldName);
  // [Phase 1] Values the source has assigned.
  if (S->Assigned(cvColor)) SetColor(S->FColor);
  if (S->Assigned(cvWidth)) SetWidth(S->FWidth);
  if (S->Assigned(cvFont)) SetFont(S->FFont);
  if (S->Assigned(cvImeMode)) SetImeMode(S->FImeMode);
  if (S->Assigned(cvImeName)) SetImeName(S->FImeName);
  if (S->Assigned(cvAlignment)) SetAlignment(S->FAlignment);
  if (S->Assigned(cvReadOnly)) SetReadOnly(S->FReadOnly);
  if (S->Assigned(cvLookupDisplayFields)) SetLookupDisplayFields(S->FLookupDisplayFields);
  if (S->Assigned(cvCheckboxes)) SetCheckboxes(S->FCheckboxes);
  FTitle->Assign(S->FTitle);
  // [Phase 2] Own values, and values copied as the source shows them.
  SetButtonStyle(S->FButtonStyle);
  if (S->FPickList) SetPickList(S->FPickList);
  SetPopupMenu(S->FPopupMenu);
  SetAutoFitColWidth(S->FAutoFitColWidth);
  SetEndEllipsis(S->GetEndEllipsis());
  SetDropDownWidth(S->FDropDownWidth);
  SetAutoDropDown(S->GetAutoDropDown());
  SetAlwaysShowEditButton(S->GetAlwaysShowEditButton());
  SetWordWrap(S->GetWordWrap());
  FFooter->Assign(S->FFooter);
  if (S->FKeyList) SetKeyList(S->FKeyList);
  SetToolTips(S->GetToolTips());
  FFooters->Assign(S->FFooters);
  SetVisible(S->FVisible);
  SetImageList(S->FImageList);
  SetNotInKeyListIndex(S->FNotInKeyListIndex);
  SetMinWidth(S->FMinWidth);
  SetMaxWidth(S->FMaxWidth);
  SetDblClickNextVal(S->GetDblClickNextVal());
  SetDropDownSizing(S->GetDropDownSizing());
  SetDropDownShowTitles(S->GetDropDownShowTitles());
  SetOnGetCellParams(S->FOnGetCellParams);
  FEditButtons->Assign(S->FEditButtons);
  FDropDownBox->Assign(S->FDropDownBox);
  FMRUList->Assign(S->FMRUList);
  SetDisplayFormat(S->FDisplayFormat);
  SetEditMask(S->FEditMask);
  SetShowImageAndText(S->FShowImageAndText);
  SetHighlightRequired(S->GetHighlightRequired());
  SetLayout(S->GetLayout());
  // A copy keeps what a form stores of the column too.
  SetHideDuplicates(S->FHideDuplicates);
  SetDropDownRows(S->FDropDownRows);
  SetIncrement(S->FIncrement);
  SetTag(S->FTag);
}

void TColumnKv::SetIndex(Integer Value) {
  // An automatic column shows its field in field order: the field moves to
  // the place of the field shown at the target, then the column follows.
  auto* Columns = DynCast<TDBGridColumnsKv>(GetCollection());
  if (Columns && Value >= 0 && Value < Columns->GetCount() && Value != GetIndex() &&
      WritesThrough())
    if (TField* Target = Columns->GetColumn(Value)->GetField())
      GetField()->SetIndex(Target->GetIndex());
  inherited::SetIndex(Value);
}

// [SECTION] Column field

bool TColumnKv::WritesThrough() {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid && !FStored && Grid->GetDataLink()->GetActive() && GetField();
}

TField* TColumnKv::GetField() {
  if (FField || FFieldName.empty()) return FField;
  TCustomDBGridKv* Grid = GetGrid();
  TDataSet* DataSet = Grid ? Grid->GetDataSet() : nullptr;
  if (!DataSet || (!DataSet->GetActive() && DataSet->GetDefaultFields())) return nullptr;
  TField* Found = DataSet->FindField(FFieldName);
  if (!Found) return nullptr;
  FField = Found;
  FFieldName = Found->GetFieldName();
  Found->FreeNotification(Grid);
  EnsureSumValues();
  // FIXME(grid): the drop-down data grid is wired to the field at design
  // time with the lookup grid.
  return FField;
}

namespace {

// Holds the column's collection in one update, so that the grid is laid out
// once, when the scope ends. That layout may free an automatic column left
// without a field, so nothing of the column may be touched after the scope.
class TColumnChange {
 public:
  explicit TColumnChange(TCollection* Columns) : FColumns(Columns) {
    if (FColumns) FColumns->BeginUpdate();
  }
  ~TColumnChange() {
    if (FColumns) FColumns->EndUpdate();
  }
  TColumnChange(const TColumnChange&) = delete;
  TColumnChange& operator=(const TColumnChange&) = delete;

 private:
  TCollection* FColumns;
};

}  // namespace

void TColumnKv::SetField(TField* Value) {
  if (FField == Value) return;
  TColumnChange Change(GetCollection());
  FField = Value;
  TCustomDBGridKv* Grid = GetGrid();
  if (Value) {
    FFieldName = Value->GetFieldName();
    if (Grid) Value->FreeNotification(Grid);
  } else if (!FStored) {
    FFieldName.clear();
  }
  if (!FStored) {
    RestoreDefaults();
    FInitWidth = GetWidth();
  }
  EnsureSumValues();
  Changed(false);
}

void TColumnKv::SetFieldName(const String& Value) {
  TColumnChange Change(GetCollection());
  TField* Found = nullptr;
  TCustomDBGridKv* Grid = GetGrid();
  TDataSet* DataSet = Grid ? Grid->GetDataSet() : nullptr;
  if (DataSet && !Grid->GetComponentState().Contains(csLoading) && !Value.empty())
    Found = DataSet->FindField(Value);
  FFieldName = Value;
  SetField(Found);
  FInitWidth = GetWidth();
  Changed(false);
}

// [SECTION] Column defaults

TColor TColumnKv::DefaultColor() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetColor() : clWindow;
}

TFont* TColumnKv::DefaultFont() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetFont() : nullptr;
}

TAlignment TColumnKv::DefaultAlignment() {
  TField* Field = GetField();
  return Field ? Field->GetAlignment() : taLeftJustify;
}

void TColumnKv::MeasureFont(TEXTMETRIC& Metrics, Integer& ZeroWidth) {
  // The screen and the grid's window measure alike, so the screen serves
  // whether or not the grid has a window yet.
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  GetTextMetrics(DC, &Metrics);
  TSize Size;
  GetTextExtentPoint32(DC, "0", &Size);
  ZeroWidth = Size.cx;
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
}

Integer TColumnKv::DefaultWidth() {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) return 64;
  TField* Field = GetField();
  if (!Field) return Grid->GetDefaultColWidth();
  TEXTMETRIC Metrics;
  Integer ZeroWidth = 0;
  MeasureFont(Metrics, ZeroWidth);
  return Field->GetDisplayWidth() * (ZeroWidth - Metrics.tmOverhang) + Metrics.tmOverhang + 4;
}

bool TColumnKv::DefaultReadOnly() {
  TCustomDBGridKv* Grid = GetGrid();
  if (Grid && Grid->GetReadOnly()) return true;
  TField* Field = GetField();
  return Field && Field->GetReadOnly();
}

TImeMode TColumnKv::DefaultImeMode() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetImeMode() : FImeMode;
}

TImeName TColumnKv::DefaultImeName() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetImeName() : FImeName;
}

TBiDiMode TColumnKv::DefaultBiDiMode() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid ? Grid->GetBiDiMode() : FBiDiMode;
}

bool TColumnKv::DefaultWordWrap() {
  TField* Field = GetGrid() ? GetField() : nullptr;
  if (!Field) return false;
  switch (Field->GetDataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftWideString:
      return true;
    default:
      return false;
  }
}

bool TColumnKv::DefaultCheckboxes() {
  TField* Field = GetField();
  return Field && Field->GetDataType() == ftBoolean;
}

String TColumnKv::DefaultLookupDisplayFields() {
  TField* Field = GetField();
  return Field ? Field->GetLookupResultField() : String();
}

TAlignment TColumnKv::GetAlignment() {
  return Assigned(cvAlignment) ? FAlignment : DefaultAlignment();
}
TBiDiMode TColumnKv::GetBiDiMode() const {
  return Assigned(cvBiDiMode) ? FBiDiMode : DefaultBiDiMode();
}
bool TColumnKv::GetCheckboxes() {
  return Assigned(cvCheckboxes) ? FCheckboxes : DefaultCheckboxes();
}
TColor TColumnKv::GetColor() const { return Assigned(cvColor) ? FColor : DefaultColor(); }
TFont* TColumnKv::GetFont() {
  RefreshDefaultFont();
  return FFont;
}
TImeMode TColumnKv::GetImeMode() const {
  return Assigned(cvImeMode) ? FImeMode : DefaultImeMode();
}
TImeName TColumnKv::GetImeName() const {
  return Assigned(cvImeName) ? FImeName : DefaultImeName();
}
String TColumnKv::GetLookupDisplayFields() {
  return Assigned(cvLookupDisplayFields) ? FLookupDisplayFields : DefaultLookupDisplayFields();
}
bool TColumnKv::GetReadOnly() { return Assigned(cvReadOnly) ? FReadOnly : DefaultReadOnly(); }
Integer TColumnKv::GetWidth() { return Assigned(cvWidth) ? FWidth : DefaultWidth(); }
bool TColumnKv::GetWordWrap() { return Assigned(cvWordWrap) ? FWordWrap : DefaultWordWrap(); }

// The values whose default is the grid's column defaults.
#define KV_COLUMN_DEFAULTED(Name, Type, Bit, Fallback)                       \
  Type TColumnKv::Get##Name() const {                                         \
    if (Assigned(Bit)) return F##Name;                                        \
    TCustomDBGridKv* Grid = GetGrid();                                        \
    return Grid ? Grid->GetColumnDefValues()->Get##Name() : Fallback;         \
  }                                                                           \
  bool TColumnKv::Is##Name##Stored() const {                                  \
    if (!Assigned(Bit)) return false;                                         \
    TCustomDBGridKv* Grid = GetGrid();                                        \
    return F##Name != (Grid ? Grid->GetColumnDefValues()->Get##Name() : Fallback); \
  }
KV_COLUMN_DEFAULTED(AlwaysShowEditButton, bool, cvAlwaysShowEditButton, false)
KV_COLUMN_DEFAULTED(AutoDropDown, bool, cvAutoDropDown, false)
KV_COLUMN_DEFAULTED(DblClickNextVal, bool, cvDblClickNextVal, false)
KV_COLUMN_DEFAULTED(DropDownShowTitles, bool, cvDropDownShowTitles, false)
KV_COLUMN_DEFAULTED(DropDownSizing, bool, cvDropDownSizing, false)
KV_COLUMN_DEFAULTED(EndEllipsis, bool, cvEndEllipsis, false)
KV_COLUMN_DEFAULTED(HighlightRequired, bool, cvHighlightRequired, false)
KV_COLUMN_DEFAULTED(Layout, TTextLayout, cvLayout, tlTop)
KV_COLUMN_DEFAULTED(ToolTips, bool, cvToolTips, false)
#undef KV_COLUMN_DEFAULTED

// [SECTION] Column setters

// The one shape of a flagged setter: an equal own value changes nothing;
// otherwise store, flag and (for values that show) tell the collection.
template <class T>
void TColumnKv::SetFlagged(T& Own, const T& Value, TColumnKvValue Bit, bool Notify) {
  if (Assigned(Bit) && Own == Value) return;
  Own = Value;
  FAssignedValues += Bit;
  if (Notify) Changed(false);
}

void TColumnKv::SetAlignment(TAlignment Value) {
  if (WritesThrough()) {
    GetField()->SetAlignment(Value);
    return;
  }
  SetFlagged(FAlignment, Value, cvAlignment, true);
}

void TColumnKv::SetReadOnly(bool Value) {
  if (WritesThrough()) {
    GetField()->SetReadOnly(Value);
    return;
  }
  SetFlagged(FReadOnly, Value, cvReadOnly, true);
}

void TColumnKv::SetBiDiMode(TBiDiMode Value) { SetFlagged(FBiDiMode, Value, cvBiDiMode, true); }
void TColumnKv::SetCheckboxes(bool Value) { SetFlagged(FCheckboxes, Value, cvCheckboxes, true); }
void TColumnKv::SetColor(TColor Value) { SetFlagged(FColor, Value, cvColor, true); }
void TColumnKv::SetWordWrap(bool Value) { SetFlagged(FWordWrap, Value, cvWordWrap, true); }
void TColumnKv::SetAlwaysShowEditButton(bool Value) {
  SetFlagged(FAlwaysShowEditButton, Value, cvAlwaysShowEditButton, true);
}
void TColumnKv::SetEndEllipsis(bool Value) {
  SetFlagged(FEndEllipsis, Value, cvEndEllipsis, true);
}
void TColumnKv::SetHighlightRequired(bool Value) {
  SetFlagged(FHighlightRequired, Value, cvHighlightRequired, true);
}
void TColumnKv::SetLayout(TTextLayout Value) { SetFlagged(FLayout, Value, cvLayout, true); }
// These change nothing on the screen by themselves: stored and flagged only.
void TColumnKv::SetAutoDropDown(bool Value) {
  SetFlagged(FAutoDropDown, Value, cvAutoDropDown, false);
}
void TColumnKv::SetDblClickNextVal(bool Value) {
  SetFlagged(FDblClickNextVal, Value, cvDblClickNextVal, false);
}
void TColumnKv::SetDropDownShowTitles(bool Value) {
  SetFlagged(FDropDownShowTitles, Value, cvDropDownShowTitles, false);
}
void TColumnKv::SetDropDownSizing(bool Value) {
  SetFlagged(FDropDownSizing, Value, cvDropDownSizing, false);
}
void TColumnKv::SetToolTips(bool Value) { SetFlagged(FToolTips, Value, cvToolTips, false); }

// An unassigned value set to its default stays unassigned: it keeps following.
void TColumnKv::SetImeMode(TImeMode Value) {
  if (!Assigned(cvImeMode) && Value == DefaultImeMode()) return Changed(false);
  SetFlagged(FImeMode, Value, cvImeMode, true);
}
void TColumnKv::SetImeName(const TImeName& Value) {
  if (!Assigned(cvImeName) && Value == DefaultImeName()) return Changed(false);
  SetFlagged(FImeName, Value, cvImeName, true);
}
void TColumnKv::SetLookupDisplayFields(const String& Value) {
  if (!Assigned(cvLookupDisplayFields) && Value == DefaultLookupDisplayFields())
    return Changed(false);
  SetFlagged(FLookupDisplayFields, Value, cvLookupDisplayFields, true);
}

// While a form is read the grid has no dataset yet, so that defaults and
// limits would be judged against the grid's default width and not the
// field's: a width read is one the form stored, and it is taken as it is.
bool TColumnKv::GridLoading() const {
  TCustomDBGridKv* Grid = GetGrid();
  return Grid && Grid->GetComponentState().Contains(csLoading);
}

void TColumnKv::SetWidth(Integer Value) {
  TCustomDBGridKv* Grid = GetGrid();
  if (FStored && GridLoading()) {
    if (Value != -1) SetFlagged(FWidth, Value, cvWidth, true);
    return;
  }
  // [Phase 1] An automatic column shows its field's DisplayWidth.
  if (!FStored && Grid) {
    TField* Field = GetField();
    if (Field && Value >= 0 && Grid->HandleAllocated() && Grid->GetColumnWidthWriteBack()) {
      TEXTMETRIC Metrics;
      Integer ZeroWidth = 0;
      MeasureFont(Metrics, ZeroWidth);
      if (ZeroWidth > 0)
        Field->SetDisplayWidth((Value + Metrics.tmAveCharWidth / 2 - Metrics.tmOverhang - 3) /
                               ZeroWidth);
    }
    if (Grid->GetDataLinkLayout() && !Assigned(cvWidth)) return;
  }
  // [Phase 2] Its own width, within its limits.
  if (!Assigned(cvWidth) && Value == DefaultWidth()) return Changed(false);
  if (Value == -1) return;
  if (FMaxWidth >= 1 && Value > FMaxWidth) Value = FMaxWidth;
  if (Value < FMinWidth) Value = FMinWidth;
  SetFlagged(FWidth, Value, cvWidth, true);
}

Integer TColumnKv::ClampWidth(Integer Value) const {
  if (FMaxWidth > 0 && Value > FMaxWidth) Value = FMaxWidth;
  if (FMinWidth > 0 && Value < FMinWidth) Value = FMinWidth;
  return Value;
}

// A limit read with a form was stored with a width within it.
void TColumnKv::SetMaxWidth(Integer Value) {
  if (FMaxWidth == Value) return;
  FMaxWidth = Value;
  if (Value > 0 && !GridLoading() && GetWidth() > Value) SetWidth(Value);
}

void TColumnKv::SetMinWidth(Integer Value) {
  if (FMinWidth == Value) return;
  FMinWidth = Value;
  if (Value > 0 && !GridLoading() && GetWidth() < Value) SetWidth(Value);
}

void TColumnKv::SetAutoFitColWidth(bool Value) {
  if (FAutoFitColWidth == Value) return;
  FAutoFitColWidth = Value;
  TCustomDBGridKv* Grid = GetGrid();
  if (Grid && Grid->GetAutoFitColWidths() &&
      !Grid->GetComponentState().Contains(csLoading) &&
      !Grid->GetComponentState().Contains(csDesigning))
    SetWidth(FInitWidth);
  Changed(false);
}

void TColumnKv::SetButtonStyle(TColumnButtonStyleKv Value) {
  if (FButtonStyle == Value) return;
  FButtonStyle = Value;
  Changed(false);
}

void TColumnKv::SetDisplayFormat(const String& Value) {
  if (FDisplayFormat == Value) return;
  FDisplayFormat = Value;
  Changed(false);
}

void TColumnKv::SetDropDownWidth(Integer Value) {
  if (FDropDownWidth == Value) return;
  FDropDownWidth = Value;
  Changed(false);
}

void TColumnKv::SetEditMask(const String& Value) {
  if (FEditMask == Value) return;
  FEditMask = Value;
  Changed(false);
}

void TColumnKv::SetHideDuplicates(bool Value) {
  if (FHideDuplicates == Value) return;
  FHideDuplicates = Value;
  Changed(false);
}

void TColumnKv::SetShowImageAndText(bool Value) {
  if (FShowImageAndText == Value) return;
  FShowImageAndText = Value;
  Changed(false);
}

void TColumnKv::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed(true);
}

void TColumnKv::SetNotInKeyListIndex(Integer Value) {
  if (FNotInKeyListIndex == Value) return;
  FNotInKeyListIndex = Value;
  InvalidateGrid();
}

TStrings* TColumnKv::GetKeyList() {
  if (!FKeyList) FKeyList = TStringList::Create();
  return FKeyList;
}

void TColumnKv::SetKeyList(TStrings* Value) {
  if (Value)
    GetKeyList()->Assign(Value);
  else if (FKeyList)
    FKeyList->Clear();
  InvalidateGrid();
}

TStrings* TColumnKv::GetPickList() {
  if (!FPickList) FPickList = TStringList::Create();
  return FPickList;
}

void TColumnKv::SetPickList(TStrings* Value) {
  if (Value)
    GetPickList()->Assign(Value);
  else if (FPickList)
    FPickList->Clear();
}

void TColumnKv::SetImageList(TCustomImageList* Value) {
  if (FImageList == Value) return;
  if (FImageList) FImageList->UnRegisterChanges(FImageChangeLink);
  FImageList = Value;
  if (FImageList) {
    FImageList->RegisterChanges(FImageChangeLink);
    // The list may live on another form: the grid lets go of it when it goes.
    if (TCustomDBGridKv* Grid = GetGrid()) FImageList->FreeNotification(Grid);
  }
  InvalidateGrid();
}

void TColumnKv::ImageListChange(TObject*) { InvalidateGrid(); }

void TColumnKv::SetPopupMenu(TPopupMenu* Value) {
  if (FPopupMenu == Value) return;
  FPopupMenu = Value;
  if (FPopupMenu)
    if (TCustomDBGridKv* Grid = GetGrid()) FPopupMenu->FreeNotification(Grid);
}

bool TColumnKv::UseRightToLeftReading() const {
  return SysLocale.MiddleEast && GetBiDiMode() != bdLeftToRight;
}

bool TColumnKv::UseRightToLeftAlignment() const {
  return SysLocale.MiddleEast && GetBiDiMode() == bdRightToLeft;
}

void TColumnKv::SetFont(TFont* Value) {
  const bool WasAssigned = Assigned(cvFont);
  FFont->Assign(Value);  // a different font arrives through FontChanged
  if (!WasAssigned && !Assigned(cvFont)) FontChanged(FFont);
}

void TColumnKv::FontChanged(TObject*) {
  FAssignedValues += cvFont;
  FTitle->RefreshDefaultFont();
  Changed(false);
}

void TColumnKv::RefreshDefaultFont() {
  if (Assigned(cvFont)) return;
  TFont* Default = DefaultFont();
  if (Default && !SameFont(FFont, Default)) CopyFontQuietly(FFont, Default);
}

// [SECTION] Column streaming

bool TColumnKv::IsAlignmentStored() {
  return Assigned(cvAlignment) && FAlignment != DefaultAlignment();
}
bool TColumnKv::IsColorStored() const { return Assigned(cvColor) && FColor != DefaultColor(); }
bool TColumnKv::IsImeModeStored() const {
  return Assigned(cvImeMode) && FImeMode != DefaultImeMode();
}
bool TColumnKv::IsImeNameStored() const {
  return Assigned(cvImeName) && FImeName != DefaultImeName();
}
bool TColumnKv::IsKeyListStored() const { return FKeyList && FKeyList->GetCount() > 0; }
bool TColumnKv::IsPickListStored() const { return FPickList && FPickList->GetCount() > 0; }
bool TColumnKv::IsLookupDisplayFieldsStored() {
  return Assigned(cvLookupDisplayFields) && FLookupDisplayFields != DefaultLookupDisplayFields();
}
bool TColumnKv::IsReadOnlyStored() { return Assigned(cvReadOnly) && FReadOnly != DefaultReadOnly(); }
bool TColumnKv::IsWidthStored() { return Assigned(cvWidth) && FWidth != DefaultWidth(); }
bool TColumnKv::IsWordWrapStored() { return Assigned(cvWordWrap) && FWordWrap != DefaultWordWrap(); }

void TDBGridColumnKv::KvPublish(TPublisher<TDBGridColumnKv>& P) {
  P.Prop("Alignment", &TDBGridColumnKv::GetAlignment, &TDBGridColumnKv::SetAlignment)
      .Stored(&TDBGridColumnKv::IsAlignmentStored);
  P.Prop("AlwaysShowEditButton", &TDBGridColumnKv::GetAlwaysShowEditButton,
         &TDBGridColumnKv::SetAlwaysShowEditButton)
      .Stored(&TDBGridColumnKv::IsAlwaysShowEditButtonStored);
  P.Prop("AutoDropDown", &TDBGridColumnKv::GetAutoDropDown, &TDBGridColumnKv::SetAutoDropDown)
      .Stored(&TDBGridColumnKv::IsAutoDropDownStored);
  P.Prop("AutoFitColWidth", &TDBGridColumnKv::GetAutoFitColWidth, &TDBGridColumnKv::SetAutoFitColWidth)
      .Default(true);
  P.Prop("BiDiMode", &TDBGridColumnKv::GetBiDiMode, &TDBGridColumnKv::SetBiDiMode)
      .Stored(&TDBGridColumnKv::IsBiDiModeStored);
  P.Prop("ButtonStyle", &TDBGridColumnKv::GetButtonStyle, &TDBGridColumnKv::SetButtonStyle).Default(cbsAuto);
  P.Prop("Checkboxes", &TDBGridColumnKv::GetCheckboxes, &TDBGridColumnKv::SetCheckboxes)
      .Stored(&TDBGridColumnKv::IsCheckboxesStored);
  P.Prop("Color", &TDBGridColumnKv::GetColor, &TDBGridColumnKv::SetColor)
      .TypeName("TColor")
      .Stored(&TDBGridColumnKv::IsColorStored);
  P.Prop("DblClickNextVal", &TDBGridColumnKv::GetDblClickNextVal, &TDBGridColumnKv::SetDblClickNextVal)
      .Stored(&TDBGridColumnKv::IsDblClickNextValStored);
  P.Prop("DisplayFormat", &TDBGridColumnKv::GetDisplayFormat, &TDBGridColumnKv::SetDisplayFormat);
  P.Prop("DropDownBox", &TDBGridColumnKv::GetDropDownBox, &TDBGridColumnKv::SetDropDownBox);
  P.Prop("DropDownRows", &TDBGridColumnKv::GetDropDownRows, &TDBGridColumnKv::SetDropDownRows).Default(7);
  P.Prop("DropDownSpecRow", &TDBGridColumnKv::GetDropDownSpecRow,
         &TDBGridColumnKv::SetDropDownSpecRow);
  P.Prop("DropDownShowTitles", &TDBGridColumnKv::GetDropDownShowTitles,
         &TDBGridColumnKv::SetDropDownShowTitles)
      .Stored(&TDBGridColumnKv::IsDropDownShowTitlesStored);
  P.Prop("DropDownSizing", &TDBGridColumnKv::GetDropDownSizing, &TDBGridColumnKv::SetDropDownSizing)
      .Stored(&TDBGridColumnKv::IsDropDownSizingStored);
  P.Prop("DropDownWidth", &TDBGridColumnKv::GetDropDownWidth, &TDBGridColumnKv::SetDropDownWidth).Default(0);
  P.Prop("EditButtons", &TDBGridColumnKv::GetEditButtons, &TDBGridColumnKv::SetEditButtons);
  P.Prop("EditMask", &TDBGridColumnKv::GetEditMask, &TDBGridColumnKv::SetEditMask);
  P.Prop("EndEllipsis", &TDBGridColumnKv::GetEndEllipsis, &TDBGridColumnKv::SetEndEllipsis)
      .Stored(&TDBGridColumnKv::IsEndEllipsisStored);
  P.Prop("FieldName", &TDBGridColumnKv::GetFieldName, &TDBGridColumnKv::SetFieldName);
  P.Prop("Footer", &TDBGridColumnKv::GetFooter, &TDBGridColumnKv::SetFooter);
  P.Prop("Footers", &TDBGridColumnKv::GetFooters, &TDBGridColumnKv::SetFooters);
  P.Prop("Font", &TDBGridColumnKv::GetFont, &TDBGridColumnKv::SetFont).Stored(&TDBGridColumnKv::IsFontStored);
  P.Prop("HideDuplicates", &TDBGridColumnKv::GetHideDuplicates, &TDBGridColumnKv::SetHideDuplicates)
      .Default(false);
  P.Prop("HighlightRequired", &TDBGridColumnKv::GetHighlightRequired, &TDBGridColumnKv::SetHighlightRequired)
      .Stored(&TDBGridColumnKv::IsHighlightRequiredStored);
  P.Prop("ImageList", &TDBGridColumnKv::GetImageList, &TDBGridColumnKv::SetImageList);
  P.Prop("ImeMode", &TDBGridColumnKv::GetImeMode, &TDBGridColumnKv::SetImeMode)
      .Stored(&TDBGridColumnKv::IsImeModeStored);
  P.Prop("ImeName", &TDBGridColumnKv::GetImeName, &TDBGridColumnKv::SetImeName)
      .Stored(&TDBGridColumnKv::IsImeNameStored);
  P.Prop("Increment", &TDBGridColumnKv::GetIncrement, &TDBGridColumnKv::SetIncrement)
      .Stored(&TDBGridColumnKv::IsIncrementStored);
  P.Prop("KeyList", &TDBGridColumnKv::GetKeyList, &TDBGridColumnKv::SetKeyList)
      .Stored(&TDBGridColumnKv::IsKeyListStored);
  P.Prop("Layout", &TDBGridColumnKv::GetLayout, &TDBGridColumnKv::SetLayout)
      .Stored(&TDBGridColumnKv::IsLayoutStored);
  P.Prop("LookupDisplayFields", &TDBGridColumnKv::GetLookupDisplayFields,
         &TDBGridColumnKv::SetLookupDisplayFields)
      .Stored(&TDBGridColumnKv::IsLookupDisplayFieldsStored);
  P.Prop("MRUList", &TDBGridColumnKv::GetMRUList, &TDBGridColumnKv::SetMRUList);
  P.Prop("MaxWidth", &TDBGridColumnKv::GetMaxWidth, &TDBGridColumnKv::SetMaxWidth).Default(0);
  P.Prop("MinWidth", &TDBGridColumnKv::GetMinWidth, &TDBGridColumnKv::SetMinWidth).Default(0);
  P.Prop("NotInKeyListIndex", &TDBGridColumnKv::GetNotInKeyListIndex, &TDBGridColumnKv::SetNotInKeyListIndex)
      .Default(-1);
  P.Prop("PickList", &TDBGridColumnKv::GetPickList, &TDBGridColumnKv::SetPickList)
      .Stored(&TDBGridColumnKv::IsPickListStored);
  P.Prop("PopupMenu", &TDBGridColumnKv::GetPopupMenu, &TDBGridColumnKv::SetPopupMenu);
  P.Prop("ReadOnly", &TDBGridColumnKv::GetReadOnly, &TDBGridColumnKv::SetReadOnly)
      .Stored(&TDBGridColumnKv::IsReadOnlyStored);
  P.Prop("ShowImageAndText", &TDBGridColumnKv::GetShowImageAndText, &TDBGridColumnKv::SetShowImageAndText)
      .Default(false);
  P.Prop("STFilter", &TDBGridColumnKv::GetSTFilter, &TDBGridColumnKv::SetSTFilter);
  P.Prop("Tag", &TDBGridColumnKv::GetTag, &TDBGridColumnKv::SetTag).Default(0);
  P.Prop("Title", &TDBGridColumnKv::GetTitle, &TDBGridColumnKv::SetTitle);
  P.Prop("ToolTips", &TDBGridColumnKv::GetToolTips, &TDBGridColumnKv::SetToolTips)
      .Stored(&TDBGridColumnKv::IsToolTipsStored);
  P.Prop("Visible", &TDBGridColumnKv::GetVisible, &TDBGridColumnKv::SetVisible).Default(true);
  P.Prop("Width", &TDBGridColumnKv::GetWidth, &TDBGridColumnKv::SetWidth).Stored(&TDBGridColumnKv::IsWidthStored);
  P.Prop("WordWrap", &TDBGridColumnKv::GetWordWrap, &TDBGridColumnKv::SetWordWrap)
      .Stored(&TDBGridColumnKv::IsWordWrapStored);
  P.Prop("OnCheckDrawRequiredState", &TDBGridColumnKv::OnCheckDrawRequiredState);
  P.Prop("OnDropDownBoxCheckButton", &TDBGridColumnKv::GetOnDropDownBoxCheckButton,
         &TDBGridColumnKv::SetOnDropDownBoxCheckButton)
      .Stored(&TDBGridColumnKv::IsDropDownBoxEventStored);
  P.Prop("OnDropDownBoxDrawColumnCell", &TDBGridColumnKv::GetOnDropDownBoxDrawColumnCell,
         &TDBGridColumnKv::SetOnDropDownBoxDrawColumnCell)
      .Stored(&TDBGridColumnKv::IsDropDownBoxEventStored);
  P.Prop("OnDropDownBoxGetCellParams", &TDBGridColumnKv::GetOnDropDownBoxGetCellParams,
         &TDBGridColumnKv::SetOnDropDownBoxGetCellParams)
      .Stored(&TDBGridColumnKv::IsDropDownBoxEventStored);
  P.Prop("OnDropDownBoxSortMarkingChanged", &TDBGridColumnKv::GetOnDropDownBoxSortMarkingChanged,
         &TDBGridColumnKv::SetOnDropDownBoxSortMarkingChanged)
      .Stored(&TDBGridColumnKv::IsDropDownBoxEventStored);
  P.Prop("OnDropDownBoxTitleBtnClick", &TDBGridColumnKv::GetOnDropDownBoxTitleBtnClick,
         &TDBGridColumnKv::SetOnDropDownBoxTitleBtnClick)
      .Stored(&TDBGridColumnKv::IsDropDownBoxEventStored);
  P.Prop("OnEditButtonClick", &TDBGridColumnKv::OnEditButtonClick);
  P.Prop("OnEditButtonDown", &TDBGridColumnKv::OnEditButtonDown);
  P.Prop("OnGetCellParams", &TDBGridColumnKv::GetOnGetCellParams,
         &TDBGridColumnKv::SetOnGetCellParams);
  P.Prop("OnNotInList", &TDBGridColumnKv::OnNotInList);
  P.Prop("OnUpdateData", &TDBGridColumnKv::OnUpdateData);
}

}  // namespace korvel
