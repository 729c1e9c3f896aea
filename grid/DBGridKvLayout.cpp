// The data-aware grid's construction and destruction, its options, its update
// and layout locks, the style link, and the layout that turns the grid's
// columns, fonts and settings into base-grid counts, row and title heights and
// fitted column widths.
//
// Index:
//   [SECTION] Construction     Construct, Destroy, Notification, Loaded, CreateWnd,
//                              ChangeScale, factories
//   [SECTION] Options          SetOptions, SetOptionsKv and the layout settings
//   [SECTION] Locks            BeginLayout, EndLayout, CancelLayout, AcquireLayoutLock,
//                              LayoutChanged, DeferLayout
//   [SECTION] Layout           InternalLayout and its phases, SetFieldsCurrent,
//                              RebuildSortMarkedColumns
//   [SECTION] Heights          row heights, button height, title heights, CalcTitleTreeHeight
//   [SECTION] Widths           fitted widths, ColWidthsChanged, UpdateHorzScrollBar
//   [SECTION] Data             DataSource, LinkActive, SelectedField
//   [SECTION] Streaming        DefineProperties, the Columns property
//   [SECTION] Style and focus  SetStyle, IsFocused, FlatChanged
//   [SECTION] Self-check       CheckConsistency
#include <algorithm>
#include <limits>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Numbers.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Construction

void TCustomDBGridKv::Construct() {
  EnsureDBGridKvUnit();
  inherited::Construct();
  SetStyle(nullptr);
  AcquireSharedDrawBitmap();
  FColumnDefValues = CreateColumnDefValues();
  FColumns = CreateColumns();
  FVisibleColumns = TColumnsKvList::Create();
  FDataLink = TGridDataLinkKv::Create(this);
  FTitleFont = TFont::Create();
  FTitleFont->Assign(GetFont());
  FTitleFont->OnChange = TNotifyEvent(this, &TCustomDBGridKv::TitleFontChanged);
  FBookmarks = TBookmarkListKv::Create(this);
  FHeadTree = THeadTreeNode::CreateText("Root", 0, 0);
  FSumList = TDBGridKvSumList::Create(this);
  FSumList->OnRecalcAll = TNotifyEvent(this, &TCustomDBGridKv::SumListRecalcAll);
  FSumList->OnAfterRecalcAll = TNotifyEvent(this, &TCustomDBGridKv::SumListAfterRecalcAll);
  FHorzScrollBar = CreateScrollBar(false);
  FVertScrollBar = CreateScrollBar(true);
  FSortMarkedColumns = TColumnsKvList::Create();
  FSelection = TDBGridKvSelection::Create(this);
  FFooterFont = TFont::Create();
  FFooterFont->Assign(GetFont());
  FFooterFont->OnChange = TNotifyEvent(this, &TCustomDBGridKv::FooterFontChanged);
  FColCellParams = TColCellParamsKv::Create();
  FSTFilter = TSTDBGridKvFilter::Create(this);
  FTitleImageChangeLink = TChangeLink::Create();
  FTitleImageChangeLink->OnChange = TNotifyEvent(this, &TCustomDBGridKv::TitleImagesChanged);
  // The base grid as the data-aware grid uses it: every cell drawn by
  // DrawCell, a full repaint on resizing, no stored extents, and only the
  // horizontal bar its own.
  TCustomGridKv::SetDefaultDrawing(false);
  FFullRepaintOnResize = true;
  SetSaveCellExtents(false);  // the columns carry the widths; heights follow the fonts
  SetColCount(2);
  SetRowCount(2);
  SetScrollBars(ssHorizontal);
  TCustomGridKv::SetOptions(TGridOptions::FromBits(0x0E8F));
}

void TCustomDBGridKv::Destroy() {
  FMemTable = nullptr;
  // The filter-row editor goes while the columns it belongs to still exist.
  FFilterRow.Active = false;
  FreeAndNil(FFilterRow.Editor);
  if (FStyle) FStyle->RemoveGrid(this);
  FStyle = nullptr;
  FreeAndNil(FColCellParams);
  if (FSelection) FSelection->Clear();
  FreeAndNil(FColumns);
  FreeAndNil(FColumnDefValues);
  FreeAndNil(FVisibleColumns);
  FreeAndNil(FSortMarkedColumns);
  FreeAndNil(FDataLink);
  FreeAndNil(FHorzScrollBar);
  FreeAndNil(FVertScrollBar);
  FreeAndNil(FTitleFont);
  FreeAndNil(FBookmarks);
  if (FTitleImages) FTitleImages->UnRegisterChanges(FTitleImageChangeLink);
  FTitleImages = nullptr;
  FreeAndNil(FTitleImageChangeLink);
  inherited::Destroy();
  ReleaseSharedDrawBitmap();
  FLeafFieldArr.clear();
  FreeAndNil(FHeadTree);
  // The footers have let go of their aggregates with the columns.
  FreeAndNil(FSumList);
  FreeAndNil(FSelection);
  FreeAndNil(FFooterFont);
  FreeAndNil(FSTFilter);
}

void TCustomDBGridKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFilterRow.Editor) {
    FFilterRow.Editor = nullptr;
    FFilterRow.Active = false;
  }
  if (Operation != opRemove || !FColumns) return;
  // [Phase 1] Menus, image lists, list sources and scroll bars are let go.
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnKv* Column = FColumns->GetColumn(I);
    if (Column->FPopupMenu == AComponent) Column->FPopupMenu = nullptr;
    if (Column->FImageList == AComponent) Column->SetImageList(nullptr);
    if (Column->FDropDownBox->FListSource == AComponent) Column->FDropDownBox->FListSource = nullptr;
  }
  if (AComponent == FTitleImages) SetTitleImages(nullptr);
  for (TDBGridKvScrollBar* Bar : {FVertScrollBar, FHorzScrollBar})
    if (Bar && Bar->GetExtScrollBar() == AComponent) {
      Bar->SetExtScrollBar(nullptr);
      break;
    }
  if (FDataLink && AComponent == FDataLink->GetDataSource()) SetDataSource(nullptr);
  // [Phase 2] A field that goes takes its columns' binding with it; the
  // layout runs now, or later while the dataset's controls are disabled.
  if (auto* Field = DynCast<TField>(AComponent); Field && FDataLink && !Destroying()) {
    BeginLayout();
    bool Dropped = false;
    try {
      for (Integer I = 0; I < FColumns->GetCount(); ++I) {
        TColumnKv* Column = FColumns->GetColumn(I);
        if (Column->FField != Field) continue;
        Column->FField = nullptr;
        Dropped = true;
      }
    } catch (...) {
      CancelLayout();
      throw;
    }
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (Dropped && !(DataSet && DataSet->ControlsDisabled())) {
      EndLayout();
    } else {
      DeferLayout();
      CancelLayout();
    }
  }
  if (DynCast<TDataSet>(AComponent)) UpdateMemTableLink();
}

void TCustomDBGridKv::Loaded() {
  inherited::Loaded();
  if (FColumns->GetCount() > 0) SetColCount(FColumns->GetCount());
  if (FAutoFitColWidths && !Designing()) {
    FColumns->BeginUpdate();
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FColumns->GetColumn(I)->SetInitWidth(FColumns->GetColumn(I)->GetWidth());
    FColumns->EndUpdate();
    SetScrollBars(ssNone);
  }
  RebuildSortMarkedColumns();
  if (GetDataSource()) FSumList->Loaded();
  LayoutChanged();
  DeferLayout();
}

void TCustomDBGridKv::CreateWnd() {
  BeginUpdate();
  {
    struct TEnd {
      TCustomDBGridKv* Grid;
      ~TEnd() { Grid->EndUpdate(); }
    } End{this};
    inherited::CreateWnd();
  }
  FButtonWidth = GetFlat() ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
  UpdateButtonHeight();
  if (FAutoFitColWidths) {
    LayoutChanged();
  } else if (FLayoutLock == 0) {
    UpdateRowCount();
    SetFieldsCurrent();
  }
  UpdateScrollBar();
  // Columns without an input method of their own give the grid this one.
  FGridImeName = GetImeName();
  FGridImeMode = GetImeMode();
}

// Fonts and widths scale together; each width is the scaled running sum less
// the widths already given, so that rounding never adds up across columns.
void TCustomDBGridKv::ChangeScale(Integer M, Integer D) {
  if (M != D && !GetParentFont()) {
    TFlagScope Assigning(FAssigningTitleFont);
    FTitleFont->SetSize(MulDiv(GetFont()->GetSize(), M, D));
    FFooterFont->SetSize(MulDiv(FFooterFont->GetSize(), M, D));
    FColumns->BeginUpdate();
    struct TEnd {
      TDBGridColumnsKv* Columns;
      ~TEnd() { Columns->EndUpdate(); }
    } End{FColumns};
    Integer OldSum = 0;
    Integer NewSum = 0;
    for (Integer I = 0; I < FColumns->GetCount(); ++I) {
      TColumnKv* Column = FColumns->GetColumn(I);
      auto Scale = [&](TFont* Font) { Font->SetSize(MulDiv(Font->GetSize(), M, D)); };
      if (Column->GetAssignedValues().Contains(cvFont)) Scale(Column->GetFont());
      if (Column->GetAssignedValues().Contains(cvTitleFont)) Scale(Column->GetTitle()->GetFont());
      constexpr Byte OwnFont = 2;  // the footer's assigned-font flag
      if (Column->GetFooter()->GetAssignedValues() & OwnFont) Scale(Column->GetFooter()->GetFont());
      for (Integer J = 0; J < Column->GetFooters()->GetCount(); ++J) {
        TColumnFooterKv* Footer = Column->GetFooters()->GetItem(J);
        if (Footer->GetAssignedValues() & OwnFont) Scale(Footer->GetFont());
      }
      OldSum += Column->GetWidth();
      const Integer Width = MulDiv(OldSum, M, D) - NewSum;
      Column->SetWidth(Width);
      NewSum += Width;
    }
  }
  inherited::ChangeScale(M, D);
}

TDBGridKvScrollBar* TCustomDBGridKv::CreateScrollBar(bool Vertical) {
  if (Vertical) return TVertDBGridKvScrollBar::Create(this, sbVertical);
  return TDBGridKvScrollBar::Create(this, sbHorizontal);
}

TDBGridKvColumnDefValuesKv* TCustomDBGridKv::CreateColumnDefValues() {
  return TDBGridKvColumnDefValuesKv::Create(this);
}

TDBGridColumnsKv* TCustomDBGridKv::CreateColumns() {
  return TDBGridColumnsKv::Create(this, TDBGridColumnKv::StaticClass());
}

// [SECTION] Options

// The grid's options decide the base grid's: lines, sizing and moving, tabs,
// row selection (which leaves no editing) and the editor's.
void TCustomDBGridKv::SetOptions(TDBGridKvOptions Value) {
  if (FOptions == Value) return;
  TGridOptions Base;
  if (FRowSizingAllowed) Base += goRowSizing;
  if (Value.Contains(dgColLinesKv)) Base += TGridOptions{goFixedVertLine, goVertLine};
  if (Value.Contains(dgRowLinesKv)) Base += TGridOptions{goFixedHorzLine, goHorzLine};
  if (Value.Contains(dgColumnResizeKv)) Base += TGridOptions{goColSizing, goColMoving};
  if (Value.Contains(dgTabsKv)) Base += goTabs;
  if (Value.Contains(dgRowSelectKv)) {
    Base += goRowSelect;
    Value -= TDBGridKvOptions{dgEditingKv, dgAlwaysShowEditorKv};
  }
  if (Value.Contains(dgEditingKv)) Base += goEditing;
  if (Value.Contains(dgAlwaysShowEditorKv)) Base += goAlwaysShowEditor;
  const TDBGridKvOptions Old = FOptions;
  FOptions = Value;
  TCustomGridKv::SetOptions(Base);
  // Without multi-select the user can neither see nor change a selection, so
  // none may stay behind for the clipboard keys and Ctrl+Delete to act on,
  // whatever the selection's own clearing option says.
  if (Old.Contains(dgMultiSelectKv) && !Value.Contains(dgMultiSelectKv)) {
    ClearSelection();
    if (FBookmarks) FBookmarks->Clear();
    if (SelectionExists()) {
      FSelection->Clear();
      Invalidate();
    }
  }
  const TDBGridKvOptions Layout{dgEditingKv,   dgAlwaysShowEditorKv, dgTitlesKv,
                                dgIndicatorKv, dgColLinesKv,         dgRowLinesKv,
                                dgRowSelectKv, dgAlwaysShowSelectionKv};
  if ((Old * Layout) != (Value * Layout)) LayoutChanged();
  if (GetEditorMode()) ReloadEditor();
}

void TCustomDBGridKv::SetRowSizingAllowed(bool Value) {
  if (FRowSizingAllowed == Value) return;
  FRowSizingAllowed = Value;
  TGridOptions Base = TCustomGridKv::GetOptions();
  if (Value)
    Base += goRowSizing;
  else
    Base -= goRowSizing;
  TCustomGridKv::SetOptions(Base);
}

// Without sorting by several columns only the first sorted column keeps its
// marker.
void TCustomDBGridKv::KeepFirstSortMarker() {
  std::vector<TColumnKv*> Marked;
  for (Integer I = 0; I < FSortMarkedColumns->GetCount(); ++I)
    Marked.push_back(FSortMarkedColumns->GetColumn(I));
  for (std::size_t I = 1; I < Marked.size(); ++I) Marked[I]->GetTitle()->SetSortMarker(smNoneKv);
  RebuildSortMarkedColumns();
  Invalidate();
}

void TCustomDBGridKv::SetOptionsKv(TDBGridKvOptionsKv Value) {
  if (FOptionsKv == Value) return;
  const bool MultiSortDropped =
      FOptionsKv.Contains(dgMultiSortMarkingKv) && !Value.Contains(dgMultiSortMarkingKv);
  FOptionsKv = Value;
  if (MultiSortDropped) KeepFirstSortMarker();
  LayoutChanged();
}

void TCustomDBGridKv::SetUseMultiTitle(bool Value) {
  if (FUseMultiTitle == Value) return;
  FUseMultiTitle = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetMultiTitleMargin(Integer Value) {
  if (FMultiTitleMargin == Value) return;
  FMultiTitleMargin = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetFrozenCols(Integer Value) {
  Value = std::max(Value, 0);
  if (FFrozenCols == Value) return;
  FFrozenCols = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetContraCols(Integer Value) {
  Value = std::max(Value, 0);
  if (FContraCols == Value) return;
  FContraCols = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetAutoFitColWidths(bool Value) {
  if (FAutoFitColWidths == Value) return;
  FAutoFitColWidths = Value;
  if (Designing()) return;
  if (!Value) {
    // Each column goes back to the width it had before fitting.
    FColumns->BeginUpdate();
    {
      struct TEnd {
        TDBGridColumnsKv* Columns;
        ~TEnd() { Columns->EndUpdate(); }
      } End{FColumns};
      for (Integer I = 0; I < FColumns->GetCount(); ++I)
        FColumns->GetColumn(I)->SetWidth(FColumns->GetColumn(I)->GetInitWidth());
    }
    SetScrollBars(ssHorizontal);
  } else if (!Loading()) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FColumns->GetColumn(I)->SetInitWidth(FColumns->GetColumn(I)->GetWidth());
    SetScrollBars(ssNone);
  }
  if (Value && GetLeftCol() != GetFixedCols() && GetFixedCols() < GetColCount())
    SetLeftCol(GetFixedCols());
  LayoutChanged();
}

void TCustomDBGridKv::SetTitleHeight(Integer Value) {
  Value = std::max(Value, 0);
  if (FTitleHeight == Value) return;
  FTitleHeight = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetTitleLines(Integer Value) {
  Value = std::max(Value, 0);  // a negative count of lines would give a negative title
  if (FTitleLines == Value) return;
  FTitleLines = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetRowHeight(Integer Value) {
  Value = std::max(Value, 0);
  if (FRowHeight == Value) return;
  FRowHeight = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetRowLines(Integer Value) {
  Value = std::max(Value, 0);  // a negative count of lines would give rows of no height
  if (FRowLines == Value) return;
  FRowLines = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetTextMargin(Integer Value) {
  if (FTextMargin == Value) return;
  FTextMargin = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetMinAutoFitWidth(Integer Value) {
  Value = std::max(Value, 0);
  if (FMinAutoFitWidth == Value) return;
  FMinAutoFitWidth = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetDefaultDrawing(bool Value) {
  if (FDBDefaultDrawing == Value) return;
  FDBDefaultDrawing = Value;
  Invalidate();
}

void TCustomDBGridKv::SetMemoEditing(bool Value) {
  if (FMemoEditing == Value) return;
  FMemoEditing = Value;
  Invalidate();
}

void TCustomDBGridKv::TitleFontChanged(TObject*) {
  if (!Loading() && !FAssigningTitleFont) SetParentFont(false);
  if (TitlesVisible()) LayoutChanged();
}

// [SECTION] Locks

// The last EndUpdate lays out what changed under the lock: a change that
// found only the update lock held asked for a layout that nothing else will
// run.
void TCustomDBGridKv::EndUpdate() {
  if (FUpdateLock > 0) --FUpdateLock;
  if (FUpdateLock == 0 && FLayoutPending && !Destroying()) LayoutChanged();
}

void TCustomDBGridKv::BeginLayout() {
  BeginUpdate();
  // The columns hold their own changes while the grid lays out.
  if (FLayoutLock == 0 && FColumns) FColumns->BeginUpdate();
  ++FLayoutLock;
}

void TCustomDBGridKv::EndLayout() {
  if (FLayoutLock == 0) return;
  // The locks are released whatever the layout does, so that a failed layout
  // never leaves the grid frozen.
  struct TRelease {
    TCustomDBGridKv* Grid;
    ~TRelease() {
      if (Grid->FLayoutLock == 1 && Grid->FColumns) Grid->FColumns->EndUpdate();
      if (Grid->FLayoutLock > 0) --Grid->FLayoutLock;
      Grid->EndUpdate();
    }
  } Release{this};
  if (FLayoutLock == 1) InternalLayout();
}

void TCustomDBGridKv::CancelLayout() {
  if (FLayoutLock == 0) return;
  if (FLayoutLock == 1 && FColumns) FColumns->EndUpdate();
  --FLayoutLock;
  EndUpdate();
}

bool TCustomDBGridKv::AcquireLayoutLock() {
  if (FUpdateLock != 0 || FLayoutLock != 0) return false;
  BeginLayout();
  return true;
}

// Under a layout lock the lock's own EndLayout lays out (or CancelLayout
// drops the change on purpose); under the update lock alone the last
// EndUpdate does.
void TCustomDBGridKv::LayoutChanged() {
  if (AcquireLayoutLock())
    EndLayout();
  else if (FLayoutLock == 0)
    FLayoutPending = true;
}

// Posting is all it does: a caller holding a layout lock releases it itself
// (CancelLayout), and a caller holding none has nothing to release.
void TCustomDBGridKv::DeferLayout() {
  if (!HandleAllocated()) return;
  MSG Waiting;
  if (PeekMessage(&Waiting, GetHandle(), WM_USER + 100, WM_USER + 100, PM_NOREMOVE)) return;
  PostMessage(GetHandle(), WM_USER + 100, 0, 0);
}

// [SECTION] Layout

namespace {

// Lends the canvas a screen device context for measuring while the grid has
// no window, and takes it back on every path.
class TMeasuringDC {
 public:
  explicit TMeasuringDC(TCustomGridKv* Grid, TCanvas* Canvas) : FCanvas(Canvas) {
    if (Grid->HandleAllocated() || Canvas->HandleAllocated()) return;
    FDC = GetDC(nullptr);
    Canvas->SetHandle(FDC);
  }
  ~TMeasuringDC() {
    if (!FDC) return;
    FCanvas->SetHandle(nullptr);
    ReleaseDC(nullptr, FDC);
  }
  TMeasuringDC(const TMeasuringDC&) = delete;
  TMeasuringDC& operator=(const TMeasuringDC&) = delete;

 private:
  TCanvas* FCanvas;
  HDC FDC = nullptr;
};

}  // namespace

void TCustomDBGridKv::InternalLayout() {
  FLayoutPending = false;
  if (Loading()) return;
  // [Phase 1] A waiting deferred layout is this one. Nothing paints until
  // the layout is done, whatever it throws.
  if (HandleAllocated()) KillMessage(GetHandle(), WM_USER + 100);
  dbgrid::TPaintLockGuard PaintLock(this);
  // [Phase 2] A stored form that mixes automatic columns and the user's
  // keeps the user's only.
  bool SeenAutomatic = false;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnKv* Column = FColumns->GetColumn(I);
    if (!Column->GetStored()) {
      SeenAutomatic = true;
    } else if (SeenAutomatic) {
      for (Integer J = FColumns->GetCount() - 1; J >= 0; --J)
        if (!FColumns->GetColumn(J)->GetStored()) FColumns->GetColumn(J)->Free();
      break;
    }
  }
  FIndicatorOffset = FOptions.Contains(dgIndicatorKv) ? 1 : 0;
  FDataLink->ClearMapping();
  if (FDataLink->GetActive()) DefineFieldMap();
  // [Phase 3] The columns: the user's look their fields up again; automatic
  // ones follow the mapped fields.
  if (FColumns->IsCustomized()) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->GetColumn(I)->FField = nullptr;
  } else {
    LayoutDefaultColumns();
  }
  // [Phase 4] The visible columns, and the hidden ones that stand at the
  // frozen boundary (they join the fixed columns, so that the first
  // scrolling column is a visible one).
  FVisibleColumns->Clear();
  for (Integer I = 0; I < FColumns->GetCount(); ++I)
    if (FColumns->GetColumn(I)->GetVisible()) FVisibleColumns->Add(FColumns->GetColumn(I));
  Integer Hidden = 0;
  for (Integer J = 0; J < FColumns->GetCount() && J < FFrozenCols + Hidden; ++J)
    if (!FColumns->GetColumn(J)->GetVisible()) ++Hidden;
  for (Integer J = FFrozenCols + Hidden;
       J < FColumns->GetCount() && !FColumns->GetColumn(J)->GetVisible(); ++J)
    ++Hidden;
  if (FVisibleColumns->GetCount() == 0) --Hidden;
  Hidden = std::max(Hidden, 0);
  // [Phase 5] Counts, rows and titles.
  LayoutColumnCounts(Hidden);
  FTitleOffset = (TitlesVisible() ? 1 : 0) + (FilterRowVisible() ? 1 : 0);
  LayoutRowHeights();
  LayoutSingleTitle();
  LayoutHorzScrollBar();
  LayoutFittedWidths();
  LayoutTitleHeights();
  // [Phase 6] Rows follow the new heights; the current cell and the editor
  // follow the rows.
  SetFieldsCurrent();
  const Integer LeftCol = GetLeftCol();
  UpdateRowCount();
  if (FOptions.Contains(dgRowSelectKv) && LeftCol < GetColCount() && LeftCol >= GetFixedCols())
    SetLeftCol(LeftCol);
  // The bar's page is the visible rows, and its settings may have changed
  // with the layout (shown always, never, or an external bar).
  UpdateScrollBar();
  UpdateActive();
  Invalidate();
  if (FSelection->GetSelectionType() == gskColumns) FSelection->GetColumns()->Refresh();
  UpdateFilterEditor(false);
}

// The base grid's column counts: indicator and frozen columns fixed, the
// trailing ContraCols columns pinned to the right edge. At least one grid
// column always scrolls.
void TCustomDBGridKv::LayoutColumnCounts(Integer Hidden) {
  const Integer Count = FColumns->GetCount();
  if (!FDataLink->GetActive() && !FColumns->IsCustomized()) {
    SetContraColCount(0);
    SetColCount(Count + FIndicatorOffset);
    SetFixedCols(std::min(FIndicatorOffset + Hidden, GetColCount() - 1));
    SetFrozenColCount(0);
  } else {
    // At least one column of Columns stays left of the pinned ones, with or
    // without the indicator: pinning them all would leave the base grid a
    // grid column without a column, drawn empty at the right edge.
    const Integer Contra = std::max(0, std::min(FContraCols, Count - GetFrozenColCount() - 1));
    SetContraColCount(Contra);
    SetColCount(Count + FIndicatorOffset - Contra);
    SetFixedCols(std::min(FIndicatorOffset + FFrozenCols + Hidden, GetColCount() - 1));
    // The base grid freezes the last fixed columns; the hidden ones at the
    // boundary are counted in, so that every visible frozen column is among
    // the frozen ones (and so may become current).
    const Integer Frozen = FFrozenCols > 0 ? FFrozenCols + Hidden : 0;
    SetFrozenColCount(std::min(Frozen, GetFixedCols() - FIndicatorOffset));
  }
  SetContraRowCount(FFooterRowCount);
}

// Automatic columns, one per mapped field, in map order.
void TCustomDBGridKv::LayoutDefaultColumns() {
  // [Phase 1] A closed dataset with fields of the application's shows none;
  // the grid keeps one empty column, as it does without a dataset.
  if (!FDataLink->GetActive() && !FDataLink->GetDefaultFields()) {
    FColumns->Clear();
    FColumns->AddDefaultColumn();
    return;
  }
  // [Phase 2] Columns whose field is gone or no longer mapped go.
  const Integer Mapped = FDataLink->GetFieldCount();
  std::vector<TField*> Fields;
  for (Integer I = 0; I < Mapped; ++I) Fields.push_back(FDataLink->GetFields(I));
  for (Integer I = FColumns->GetCount() - 1; I >= 0; --I) {
    TField* Field = FColumns->GetColumn(I)->GetField();
    if (!Field || std::find(Fields.begin(), Fields.end(), Field) == Fields.end())
      FColumns->GetColumn(I)->Free();
  }
  // [Phase 3] Column i shows mapped field i (one empty column when nothing
  // is mapped and no column is left).
  const Integer Count = Mapped == 0 && FColumns->GetCount() == 0 ? 1 : Mapped;
  for (Integer I = 0; I < Count; ++I) {
    TField* Field = I < Mapped ? Fields[std::size_t(I)] : nullptr;
    TColumnKv* Column = nullptr;
    if (Field)
      for (Integer J = I; J < FColumns->GetCount() && !Column; ++J)
        if (FColumns->GetColumn(J)->GetField() == Field) Column = FColumns->GetColumn(J);
    if (!Column) {
      Column = FColumns->AddDefaultColumn();
      if (Field) Column->SetField(Field);
    }
    // The collection's own move: an automatic column's SetIndex would move
    // its field.
    Column->TCollectionItem::SetIndex(I);
  }
}

namespace {

// Tab stops at a column whose field can be typed into: a visible, writable
// column over a stored field (a lookup field writes its keys: one of them
// writable is enough).
bool ColumnIsTabStop(TColumnKv* Column, bool LinkActive) {
  TField* Field = Column->GetField();
  if (!Column->GetVisible() || Column->GetReadOnly() || !LinkActive || !Field ||
      Field->GetFieldKind() == fkCalculated)
    return false;
  if (Field->GetFieldKind() != fkLookup) return !Field->GetReadOnly();
  std::vector<TField*> Keys;
  if (!dbgrid::LookupKeyFields(Field, Keys)) return false;
  return std::any_of(Keys.begin(), Keys.end(), [](TField* Key) { return !Key->GetReadOnly(); });
}

}  // namespace

void TCustomDBGridKv::SetFieldsCurrent() {
  const bool Lines = FOptions.Contains(dgColLinesKv);
  const bool LinkActive = FDataLink->GetActive();
  if (FIndicatorOffset > 0 && GetFullColCount() > 0) SetColWidths(0, 11);
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    const Integer GridCol = I + FIndicatorOffset;
    if (GridCol >= GetFullColCount()) break;
    TColumnKv* Column = FColumns->GetColumn(I);
    SetTabStops(GridCol, ColumnIsTabStop(Column, LinkActive));
    SetColWidths(GridCol, Column->GetVisible() ? Column->GetWidth() : Lines ? -1 : 0);
  }
}

// The marked columns in the order of their numbers (a marked column without
// one last), numbered again 1..n: numbers read with a form, or left by a
// column that went, may have gaps or repeats. An unmarked column has none.
void TCustomDBGridKv::RebuildSortMarkedColumns() {
  FSortMarkedColumns->Clear();
  std::vector<TColumnKv*> Marked;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnTitleKv* Title = FColumns->GetColumn(I)->GetTitle();
    if (Title->FSortMarker != smNoneKv)
      Marked.push_back(FColumns->GetColumn(I));
    else
      Title->FSortIndex = 0;
  }
  auto Place = [](TColumnKv* C) {
    const Integer Index = C->GetTitle()->FSortIndex;
    return Index > 0 ? Index : std::numeric_limits<Integer>::max();
  };
  std::stable_sort(Marked.begin(), Marked.end(),
                   [&](TColumnKv* A, TColumnKv* B) { return Place(A) < Place(B); });
  for (TColumnKv* Column : Marked) {
    FSortMarkedColumns->Add(Column);
    Column->GetTitle()->FSortIndex = FSortMarkedColumns->GetCount();
  }
}

// [SECTION] Heights

// The default row height from the font, RowLines and RowHeight, rounded to
// whole text lines with dgFitRowHeightToTextKv. The title row keeps its
// height (setting the default height drops every stored one).
void TCustomDBGridKv::LayoutRowHeights() {
  TCanvas* Canvas = GetCanvas();
  TMeasuringDC DC(this, Canvas);
  Canvas->SetFont(GetFont());
  const Integer Extra =
      (GetFlat() ? 1 : 3) + (FOptions.Contains(dgRowLinesKv) ? GetGridLineWidth() : 0);
  const Integer T = std::max(Canvas->TextHeight("Wg"), 1);
  const Integer TitleRowHeight = GetRowHeights(0);
  TEXTMETRIC Metrics{};
  GetTextMetrics(Canvas->GetHandle(), &Metrics);
  Integer Height = FRowHeight < 1 && FRowLines < 1
                       ? T + Extra
                       : (Metrics.tmHeight + Metrics.tmExternalLeading) * FRowLines + FRowHeight;
  if (FOptionsKv.Contains(dgFitRowHeightToTextKv)) {
    // At least one line; past half a line rounds up.
    const Integer H = Height - Extra;
    if (H % T <= T / 2 && H / T != 0)
      Height = (H / T) * T + Extra;
    else
      Height = (H / T + 1) * T + Extra;
    FRowLines = (Height - Extra) / T;
    FRowHeight = Extra;
  }
  // A row is never less than a pixel high: the rows below divide by it.
  SetDefaultRowHeight(std::max(Height, 1));
  // Without titles row 0 is a data row and keeps the default height.
  if (GetRowCount() > 0 && TitlesVisible()) SetRowHeights(0, TitleRowHeight);
  UpdateButtonHeight();
  FWordWrapAllowed =
      Metrics.tmHeight + Metrics.tmInternalLeading + Metrics.tmExternalLeading + FTextMargin <
      GetDefaultRowHeight();
}

void TCustomDBGridKv::UpdateButtonHeight() {
  const Integer Row = GetDefaultRowHeight();
  FButtonHeight = Row > Integer(Round(Extended(FButtonWidth) * 3 / 2))
                      ? ScaledButtonWidth(FButtonWidth, GetFlat())
                      : Row;
}

// Pitch of a standard row: its height and, with row lines, the line.
Integer TCustomDBGridKv::RowPitch() const {
  return GetDefaultRowHeight() + (FOptions.Contains(dgRowLinesKv) ? GetGridLineWidth() : 0);
}

// A single-level title row: the tallest title font's line and the margin.
void TCustomDBGridKv::LayoutSingleTitle() {
  if (!FOptions.Contains(dgTitlesKv) || FUseMultiTitle || GetRowCount() == 0) return;
  TCanvas* Canvas = GetCanvas();
  TMeasuringDC DC(this, Canvas);
  Integer Height = 0;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    Canvas->SetFont(FColumns->GetColumn(I)->GetTitle()->GetFont());
    Height = std::max(Height, Canvas->TextHeight("Wg") + FTextMargin);
  }
  if (Height == 0) {
    Canvas->SetFont(FTitleFont);
    Height = Canvas->TextHeight("Wg") + FTextMargin;
  }
  SetRowHeights(0, Height);
}

// Title lines and pixels of the user's, or the height of the header tree.
void TCustomDBGridKv::LayoutTitleHeights() {
  if (!FOptions.Contains(dgTitlesKv) || GetRowCount() == 0) {
    if (!FUseMultiTitle || !TitlesVisible()) {
      FLeafFieldArr.clear();
      FHeadTree->FreeChildren();
    }
    return;
  }
  TCanvas* Canvas = GetCanvas();
  TMeasuringDC DC(this, Canvas);
  if (FTitleHeight != 0 || FTitleLines != 0) {
    // [Phase 1] The metrics of the tallest title font.
    TEXTMETRIC Tallest{};
    Integer Best = -1;
    auto Measure = [&](TFont* Font) {
      Canvas->SetFont(Font);
      const Integer H = Canvas->TextHeight("Wg");
      if (H <= Best) return;
      Best = H;
      GetTextMetrics(Canvas->GetHandle(), &Tallest);
    };
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      Measure(FColumns->GetColumn(I)->GetTitle()->GetFont());
    if (Best < 0) Measure(FTitleFont);
    SetRowHeights(0, FTitleLines * Tallest.tmHeight + Tallest.tmExternalLeading + 2 + FTitleHeight +
                         (FOptions.Contains(dgRowLinesKv) ? 1 : 0));
  }
  if (FUseMultiTitle) {
    // [Phase 2] The header tree from the columns, and its height.
    Canvas->SetFont(FTitleFont);
    FHeadTree->BuildFromColumns(this);
    const Integer Height = CalcTitleTreeHeight(FHeadTree);
    SetRowHeights(0, std::max(Height - (FOptionsKv.Contains(dgFixed3DKv) ? 1 : 3), 1));
    Canvas->SetFont(GetFont());
  } else {
    FLeafFieldArr.clear();
    FHeadTree->FreeChildren();
  }
}

Integer TCustomDBGridKv::CalcTitleTreeHeight(THeadTreeNode* Node) {
  TCanvas* Canvas = GetCanvas();
  TMeasuringDC DC(this, Canvas);
  const std::vector<THeadTreeNode*> Children = Node->Children();
  // [Phase 1] Each child's subtree and own caption.
  std::vector<Integer> Subtree(Children.size());
  Integer Level = 0;
  for (std::size_t I = 0; I < Children.size(); ++I) {
    THeadTreeNode* Child = Children[I];
    Subtree[I] = Child->Child ? CalcTitleTreeHeight(Child) : 0;
    const bool Leaf = Child->Child == nullptr && Child->Column;
    Canvas->SetFont(Leaf ? Child->Column->GetTitle()->GetFont() : FTitleFont);
    const String Caption = Child->Text.empty() ? String(" ") : Child->Text;
    Integer T = 0;
    if (Leaf && Child->Column->GetTitle()->GetOrientation() == tohVertical) {
      T = (Child->Width < 1 ? 0
                            : WriteVerticalCellText(Canvas, TRect{}, false, 0, 0, Caption,
                                                    taLeftJustify, taLeftJustify, false, true)) +
          6;
    } else {
      if (Child->Width >= 1) {
        TRect R{0, 0, std::max(Child->Width - 4 - Child->LineWidth, 0), 0};
        DrawText(Canvas->GetHandle(), Caption, -1, &R, DT_CALCRECT | DT_WORDBREAK);
        T = R.Bottom - R.Top;
      }
      T += FMultiTitleMargin;
    }
    Level = std::max(Level, T + Subtree[I]);
  }
  // [Phase 2] Each child takes what its subtree leaves of the level.
  for (std::size_t I = 0; I < Children.size(); ++I) Children[I]->Height = Level - Subtree[I];
  Node->Height = Level;
  return Level;
}

// [SECTION] Widths

// The grid's own horizontal bar shows unless the columns are fitted to the
// width, the bar is switched off, or an external bar stands in for it.
void TCustomDBGridKv::LayoutHorzScrollBar() {
  const bool Show = (!FAutoFitColWidths || Designing()) && FHorzScrollBar->GetVisible() &&
                    !FHorzScrollBar->GetExtScrollBar();
  const bool Shown = GetScrollBars() == ssHorizontal || GetScrollBars() == ssBoth;
  if (Show != Shown) {
    const bool Window = HandleAllocated();
    SetScrollBars(Show ? ssHorizontal : ssNone);
    if (Window) {
      HandleNeeded();
      UpdateScrollBar();
    }
  }
  SetFieldsCurrent();
}

// The visible auto-fit columns share the client width in proportion to their
// reference widths; a column that its limits stop keeps its clamped width and
// the others share the rest, pass after pass. The last free column takes the
// rounding remainder.
void TCustomDBGridKv::LayoutFittedWidths() {
  if (!FAutoFitColWidths || Designing() || !HandleAllocated()) return;
  const Integer N = FVisibleColumns->GetCount();
  std::vector<char> Fixed(std::size_t(N), 0);
  auto Free = [&](Integer I) {
    return FVisibleColumns->GetColumn(I)->GetAutoFitColWidth() && !Fixed[std::size_t(I)];
  };
  Integer Available = 0;
  Integer Total = 0;
  for (Integer Pass = 0; Pass < std::max(N, 1); ++Pass) {
    // [Phase 1] The room left for the free columns (the vertical bar may
    // have come or gone with the last widths).
    UpdateScrollBar();
    Integer Reference = 0;
    Integer Others = 0;
    for (Integer I = 0; I < N; ++I) {
      TColumnKv* Column = FVisibleColumns->GetColumn(I);
      if (Free(I))
        Reference += Column->GetInitWidth();
      else
        Others += Column->GetWidth();
    }
    Available = std::max(GetClientWidth(), FMinAutoFitWidth) - Others;
    if (FIndicatorOffset > 0) Available -= GetColWidths(0);
    if (FOptions.Contains(dgColLinesKv)) Available -= N + (FIndicatorOffset > 0 ? 1 : 0);
    Available = std::max(Available, 0);
    // [Phase 2] Shares; a column its limits stop is fixed from now on.
    bool Marked = false;
    Total = 0;
    for (Integer I = 0; I < N; ++I) {
      if (!Free(I)) continue;
      TColumnKv* Column = FVisibleColumns->GetColumn(I);
      // No reference width at all: the shares are 0 and the last column
      // takes the room below.
      const Integer Share =
          Reference > 0 ? MulDiv(Column->GetInitWidth(), Available, Reference) : 0;
      Column->SetWidth(Share);
      if (Column->GetWidth() != Share) {
        Fixed[std::size_t(I)] = 1;
        Marked = true;
      }
      Total += Column->GetWidth();
    }
    if (!Marked) break;
  }
  // [Phase 3] The remainder to the last free column.
  if (Total == Available) return;
  for (Integer I = N - 1; I >= 0; --I) {
    if (!Free(I)) continue;
    TColumnKv* Column = FVisibleColumns->GetColumn(I);
    Column->SetWidth(std::max(Column->GetWidth() + Available - Total, 0));
    break;
  }
  SetFieldsCurrent();
}

// The user sized a column: the column takes the grid column's width, or with
// fitted widths its reference width changes and the neighbours give back the
// difference, and the layout fits them again.
void TCustomDBGridKv::ColWidthsChanged() {
  // The filter-row editor moves once, to where the new widths put its cell.
  dbgrid::TFilterUpdateGuard FilterHeld(FSTFilter);
  if ((FDataLink->GetActive() || FColumns->IsCustomized()) && AcquireLayoutLock()) {
    struct TEnd {
      TCustomDBGridKv* Grid;
      bool Done = false;
      ~TEnd() {
        if (!Done) Grid->CancelLayout();
      }
    } End{this};
    inherited::ColWidthsChanged();
    // [Phase 1] Every grid column within its column's limits.
    for (Integer Col = FIndicatorOffset; Col < GetFullColCount(); ++Col) {
      const Integer I = Col - FIndicatorOffset;
      if (I >= FColumns->GetCount()) break;
      TColumnKv* Column = FColumns->GetColumn(I);
      if (!Column->GetVisible()) continue;
      const Integer Width = GetColWidths(Col);
      const Integer Clamped = Column->ClampWidth(Width);
      if (Clamped != Width) SetColWidths(Col, Clamped);
    }
    // [Phase 2] The columns take the widths.
    const bool Fitting = FAutoFitColWidths && !Designing();
    const Integer N = FVisibleColumns->GetCount();
    for (Integer V = 0; V < N; ++V) {
      TColumnKv* Column = FVisibleColumns->GetColumn(V);
      const Integer Col = Column->GetIndex() + FIndicatorOffset;
      if (Col >= GetFullColCount()) continue;
      const Integer NewWidth = GetColWidths(Col);
      const Integer OldWidth = Column->GetWidth();
      if (!Fitting) {
        Column->SetWidth(NewWidth);
        continue;
      }
      if (OldWidth == NewWidth) continue;
      if (!Column->GetAutoFitColWidth()) {
        Column->SetWidth(NewWidth);
        continue;
      }
      const Integer OldRef = Column->GetInitWidth();
      // A column that had no width takes its new width as its reference.
      const Integer NewRef = OldWidth > 0 ? MulDiv(OldRef, NewWidth, OldWidth) : NewWidth;
      Column->SetInitWidth(std::max(NewRef, 0));
      if (FOptionsKv.Contains(dgProportionalColSizingKv)) {
        Integer Sum = 0;
        for (Integer W = V + 1; W < N; ++W)
          if (FVisibleColumns->GetColumn(W)->GetAutoFitColWidth())
            Sum += FVisibleColumns->GetColumn(W)->GetWidth();
        const Integer Change = NewWidth - OldWidth;
        for (Integer W = V + 1; W < N && Sum > 0; ++W) {
          TColumnKv* Right = FVisibleColumns->GetColumn(W);
          if (!Right->GetAutoFitColWidth()) continue;
          Right->SetInitWidth(std::max(MulDiv(Sum - Change, Right->GetInitWidth(), Sum), 1));
        }
      } else {
        for (Integer W = V + 1; W < N; ++W) {
          TColumnKv* Next = FVisibleColumns->GetColumn(W);
          Next->SetInitWidth(std::max(Next->GetInitWidth() + OldRef - Column->GetInitWidth(), 0));
          break;
        }
      }
    }
    End.Done = true;
    EndLayout();
  }
  inherited::ColWidthsChanged();
  InvalidateEditor();
  if (OnColWidthsChanged) OnColWidthsChanged(this);
  UpdateHorzScrollBar();
  FilterHeld.Release();
  UpdateFilterEditor(false);
}

// Only an external horizontal bar is set here: 0..127 over the scrolling
// columns that do not fit.
void TCustomDBGridKv::UpdateHorzScrollBar() {
  TScrollBar* Bar = FHorzScrollBar ? FHorzScrollBar->GetExtScrollBar() : nullptr;
  if (!Bar || !HandleAllocated()) return;
  TGridDrawInfo DrawInfo;
  CalcDrawInfo(DrawInfo);
  const bool AllFit = GetVisibleColCount() + GetFixedCols() >= GetColCount();
  const Integer Max = AllFit ? 0 : 127;
  const TGridCoord MaxTopLeft = CalcMaxTopLeft({GetColCount() - 1, 0}, DrawInfo);
  const Integer Span = MaxTopLeft.X - GetFixedCols();
  const Integer Position = Span > 0 ? MulDiv(GetLeftCol() - GetFixedCols(), 127, Span) : 0;
  if (Bar->GetMin() == 0 && Bar->GetMax() == Max && Bar->GetPosition() == Position &&
      Bar->GetPageSize() == 0)
    return;
  Bar->SetPageSize(0);
  Bar->SetParams(Position, 0, Max);
}

// [SECTION] Data

TDataSource* TCustomDBGridKv::GetDataSource() const { return FDataLink->GetDataSource(); }

void TCustomDBGridKv::LinkActive(bool Value) {
  if (Destroying()) return;
  UpdateMemTableLink();
  if (!Value) HideEditor();
  FSelection->ResetRows(Value);
  TDataSource* Source = GetDataSource();
  FSumList->SetDataSet(Source ? Source->GetDataSet() : nullptr);
  if (FMemTable) UpdateRowCount();
  LayoutChanged();
  if (Value && CanEditorAlwaysShow()) ShowCellEditor();
  UpdateScrollBar();
  UpdateMemTableLink();
  FColumns->ResetFieldLinks();
}

void TCustomDBGridKv::DefineFieldMap() {
  if (FColumns->IsCustomized()) {
    FDataLink->SetSparseMap(true);
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FDataLink->AddMapping(FColumns->GetColumn(I)->GetFieldName());
  } else {
    FDataLink->SetSparseMap(false);
    TDataSet* DataSet = FDataLink->GetDataSet();
    for (Integer I = 0; DataSet && I < DataSet->GetFields()->GetCount(); ++I) {
      TField* Field = DataSet->GetFields()->GetField(I);
      if (Field->GetVisible()) FDataLink->AddMapping(Field->GetFieldName());
    }
  }
}

void TCustomDBGridKv::GetDatasetFields(std::vector<TField*>& List) {
  TDataSet* DataSet = GetDataSet();
  for (Integer I = 0; DataSet && I < DataSet->GetFields()->GetCount(); ++I)
    List.push_back(DataSet->GetFields()->GetField(I));
}

bool TCustomDBGridKv::AcquireFocus() {
  if (FFocusOnClick && CanFocus() && !Designing() && !IsFocused()) {
    // FIXME(grid): an MDI child form is also activated through the window
    // system with the grid's mouse handling.
    SetFocus();
  }
  return IsFocused();
}

bool TCustomDBGridKv::IsRowSelectFocused() {
  return !Designing() && FOptions.Contains(dgRowSelectKv) && FDBDefaultDrawing && Focused();
}

bool TCustomDBGridKv::CanEditorAlwaysShow() {
  return FOptions.Contains(dgAlwaysShowEditorKv) && !FilterEditorShown();
}

void TCustomDBGridKv::ShowCellEditor() {
  if (FFilterRow.Active) HideFilterEditor();
  ShowEditor();
}

TField* TCustomDBGridKv::GetSelectedField() {
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return nullptr;
  return FColumns->GetColumn(Index)->GetField();
}

// [SECTION] Streaming

namespace {

// The stored form of a collection, for comparing two of them.
String CollectionText(TCollection* Collection) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  TObjectPtr<TWriter> Writer(TWriter::Create(Stream.get()));
  Writer->WriteCollection(Collection);
  Writer->FlushBuffer();
  return Stream->GetDataString();
}

}  // namespace

// Only the user's columns reach the form. A descendant stores its columns
// when they differ from its ancestor's; when the ancestor's are the user's
// and its own are automatic, it stores an empty list, which reads back as
// "no columns of the user's".
void TCustomDBGridKv::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  const bool Mine = FColumns->IsCustomized();
  bool Store = Mine;
  if (auto* Ancestor = DynCast<TCustomDBGridKv>(Filer->GetAncestor())) {
    const bool Theirs = Ancestor->FColumns->IsCustomized();
    Store = (Mine != Theirs) ||
            (Mine && CollectionText(FColumns) != CollectionText(Ancestor->FColumns));
  }
  Filer->DefineProperty("Columns", TReaderProc(this, &TCustomDBGridKv::ReadColumns),
                        TWriterProc(this, &TCustomDBGridKv::WriteColumns), Store);
}

void TCustomDBGridKv::ReadColumns(TReader* Reader) {
  FColumns->Clear();
  Reader->ReadCollection(FColumns);
}

void TCustomDBGridKv::WriteColumns(TWriter* Writer) {
  if (FColumns->IsCustomized()) {
    Writer->WriteCollection(FColumns);
    return;
  }
  TObjectPtr<TDBGridColumnsKv> Empty(TDBGridColumnsKv::Create(nullptr, FColumns->GetItemClass()));
  Writer->WriteCollection(Empty.get());
}

// [SECTION] Style and focus

void TCustomDBGridKv::SetStyle(TDBGridKvStyle* Value) {
  if (FStyle) FStyle->RemoveGrid(this);
  FStyle = Value ? Value : DefaultGridStyle();
  if (FStyle) FStyle->AddGrid(this);
}

void TCustomDBGridKv::FlatChanged() {
  FTextMargin = GetFlat() ? 2 : 4;
  if (HandleAllocated()) RecreateWnd();
  LayoutChanged();
}

bool TCustomDBGridKv::IsFocused() {
  if (!HandleAllocated()) return false;
  const HWND Focus = GetFocus();
  if (!Focus) return false;
  if (Focus == GetHandle()) return true;
  TInplaceEdit* Editor = GetInplaceEditor();
  if (Editor && Editor->HandleAllocated() && Editor->GetHandle() == Focus) return true;
  TInplaceFilterEditKv* FilterEditor = FFilterRow.Editor;
  return FilterEditor && FilterEditor->HandleAllocated() && FilterEditor->GetHandle() == Focus;
}

// [SECTION] Self-check

void TCustomDBGridKv::CheckConsistency() {
  TCustomGridKv::CheckConsistency();
  KV_ASSERT(FLayoutLock >= 0 && FUpdateLock >= FLayoutLock,
            "every layout lock holds an update lock");
  KV_ASSERT(!FStyle || FStyle->IndexOf(this), "the grid is in its style's list");
  for (Integer I = 0; I < FVisibleColumns->GetCount(); ++I) {
    TColumnKv* Column = FVisibleColumns->GetColumn(I);
    KV_ASSERT(Column->GetCollection() == FColumns && Column->GetVisible(),
              "the visible list holds visible columns of this grid");
  }
  FHeadTree->CheckConsistency();
  FSelection->CheckConsistency();
  KV_ASSERT(FLeafFieldArr.empty() || Integer(FLeafFieldArr.size()) == FColumns->GetCount() ||
                FLayoutLock > 0,
            "one leaf per column");
  for (Integer I = 0; I < FSortMarkedColumns->GetCount(); ++I) {
    TColumnKv* Column = FSortMarkedColumns->GetColumn(I);
    KV_ASSERT(Column->GetCollection() == FColumns, "the sort list holds columns of this grid");
    KV_ASSERT(Column->GetTitle()->GetSortIndex() == I + 1 || FColumns->GetUpdateCount() > 0,
              "the sort list is in SortIndex order, numbered from 1");
  }
}

}  // namespace korvel
