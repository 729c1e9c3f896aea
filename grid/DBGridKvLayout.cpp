// The data-aware grid's construction and destruction, its options, its update
// and layout locks, the style link, and the part of the layout that turns the
// grid's settings into base-grid counts.
//
// Index:
//   [SECTION] Construction     Construct, Destroy, Notification, Loaded, factories
//   [SECTION] Options          SetOptions, SetOptionsKv and the layout settings
//   [SECTION] Locks            BeginLayout, EndLayout, CancelLayout, AcquireLayoutLock, LayoutChanged
//   [SECTION] Layout           InternalLayout, SetFieldsCurrent, RebuildSortMarkedColumns
//   [SECTION] Data             DataSource, LinkActive, SelectedField
//   [SECTION] Streaming        DefineProperties, the Columns property
//   [SECTION] Style and focus  SetStyle, IsFocused
//   [SECTION] Self-check       CheckConsistency
#include <algorithm>
#include <limits>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Construction

void TCustomDBGridKv::Construct() {
  inherited::Construct();
  SetStyle(nullptr);
  FColumnDefValues = CreateColumnDefValues();
  FColumns = CreateColumns();
  FVisibleColumns = TColumnsKvList::Create();
  FDataLink = TGridDataLinkKv::Create(this);
  FTitleFont = TFont::Create();
  FTitleFont->Assign(GetFont());
  FTitleFont->OnChange = TNotifyEvent(this, &TCustomDBGridKv::TitleFontChanged);
  // FIXME(grid): the bookmark list comes here.
  FHeadTree = THeadTreeNode::CreateText("Root", 0, 0);
  FSumList = TDBGridKvSumList::Create(this);
  FHorzScrollBar = CreateScrollBar(false);
  FVertScrollBar = CreateScrollBar(true);
  FSortMarkedColumns = TColumnsKvList::Create();
  // FIXME(grid): the selection comes here.
  FFooterFont = TFont::Create();
  FFooterFont->Assign(GetFont());
  FFooterFont->OnChange = TNotifyEvent(this, &TCustomDBGridKv::FooterFontChanged);
  // The base grid as the data-aware grid uses it: every cell drawn by
  // DrawCell, a full repaint on resizing, no stored extents, and only the
  // horizontal bar its own.
  SetDefaultDrawing(false);
  FFullRepaintOnResize = true;
  SetSaveCellExtents(false);  // the columns carry the widths; heights follow the fonts
  SetColCount(2);
  SetRowCount(2);
  SetScrollBars(ssHorizontal);
  TCustomGridKv::SetOptions(TGridOptions::FromBits(0x0E8F));
}

void TCustomDBGridKv::Destroy() {
  if (FStyle) FStyle->RemoveGrid(this);
  FStyle = nullptr;
  FreeAndNil(FColumns);
  FreeAndNil(FColumnDefValues);
  FreeAndNil(FVisibleColumns);
  FreeAndNil(FSortMarkedColumns);
  FreeAndNil(FDataLink);
  FreeAndNil(FHorzScrollBar);
  FreeAndNil(FVertScrollBar);
  FreeAndNil(FTitleFont);
  inherited::Destroy();
  FLeafFieldArr.clear();
  FreeAndNil(FHeadTree);
  // The footers have let go of their aggregates with the columns.
  FreeAndNil(FSumList);
  FreeAndNil(FFooterFont);
}

void TCustomDBGridKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (TDBGridKvScrollBar* Bar : {FHorzScrollBar, FVertScrollBar})
    if (Bar && Bar->GetExtScrollBar() == AComponent) Bar->SetExtScrollBar(nullptr);
  if (FDataLink && AComponent == FDataLink->GetDataSource()) SetDataSource(nullptr);
  if (!FColumns) return;
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnKv* Column = FColumns->GetColumn(I);
    if (Column->FField == AComponent) Column->FField = nullptr;
    if (Column->FPopupMenu == AComponent) Column->FPopupMenu = nullptr;
    if (Column->FImageList == AComponent) Column->SetImageList(nullptr);
  }
}

void TCustomDBGridKv::Loaded() {
  inherited::Loaded();
  if (FColumns->GetCount() > 0) SetColCount(FColumns->GetCount());
  if (FAutoFitColWidths && !Designing()) {
    FColumns->BeginUpdate();
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FColumns->GetColumn(I)->SetInitWidth(FColumns->GetColumn(I)->GetWidth());
    FColumns->EndUpdate();
  }
  RebuildSortMarkedColumns();
  if (GetDataSource()) FSumList->Loaded();
  LayoutChanged();
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

void TCustomDBGridKv::SetOptions(TDBGridKvOptions Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  LayoutChanged();
}

void TCustomDBGridKv::SetOptionsKv(TDBGridKvOptionsKv Value) {
  if (FOptionsKv == Value) return;
  FOptionsKv = Value;
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
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FColumns->GetColumn(I)->SetWidth(FColumns->GetColumn(I)->GetInitWidth());
    FColumns->EndUpdate();
  } else if (!Loading()) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I)
      FColumns->GetColumn(I)->SetInitWidth(FColumns->GetColumn(I)->GetWidth());
  }
  LayoutChanged();
}

void TCustomDBGridKv::TitleFontChanged(TObject*) {
  if (!Loading() && !FAssigningTitleFont) SetParentFont(false);
  if (TitlesVisible()) LayoutChanged();
}

// [SECTION] Locks

void TCustomDBGridKv::EndUpdate() {
  if (FUpdateLock > 0) --FUpdateLock;
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

void TCustomDBGridKv::LayoutChanged() {
  if (AcquireLayoutLock()) EndLayout();
}

// [SECTION] Layout

void TCustomDBGridKv::InternalLayout() {
  if (Loading()) return;
  // [Phase 1] A stored form that mixes automatic columns and the user's
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
  // [Phase 2] The columns: the user's look their fields up again; automatic
  // ones follow the mapped fields.
  if (FColumns->IsCustomized()) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->GetColumn(I)->FField = nullptr;
  } else {
    LayoutDefaultColumns();
  }
  // [Phase 3] The visible columns, and the hidden ones that stand at the
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
  // [Phase 4] The base grid's counts. At least one grid column scrolls.
  const Integer Count = FColumns->GetCount();
  if (!FDataLink->GetActive() && !FColumns->IsCustomized()) {
    SetContraColCount(0);
    SetColCount(Count + FIndicatorOffset);
    SetFixedCols(std::min(FIndicatorOffset + Hidden, GetColCount() - 1));
    SetFrozenColCount(0);
  } else {
    const Integer Contra =
        std::max(0, std::min(FContraCols, Count - GetFrozenColCount() - FIndicatorOffset));
    SetContraColCount(Contra);
    SetColCount(Count + FIndicatorOffset - Contra);
    SetFixedCols(std::min(FIndicatorOffset + FFrozenCols + Hidden, GetColCount() - 1));
    SetFrozenColCount(std::min(FFrozenCols, GetFixedCols() - FIndicatorOffset));
  }
  SetContraRowCount(FFooterRowCount);
  FTitleOffset = (TitlesVisible() ? 1 : 0) + (FilterRowVisible() ? 1 : 0);
  // FIXME(grid): row heights, title heights, the horizontal scroll bar and
  // the fitting of widths come with the grid's layout.
  SetFieldsCurrent();
  // [Phase 5] Multi-level titles: the header tree from the columns.
  // FIXME(grid): the title row's height from the tree comes with the
  // grid's layout.
  if (FUseMultiTitle && TitlesVisible()) {
    FHeadTree->BuildFromColumns(this);
  } else {
    FLeafFieldArr.clear();
    FHeadTree->FreeChildren();
  }
  Invalidate();
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

void TCustomDBGridKv::SetFieldsCurrent() {
  // FIXME(grid): tab stops are set here too with the grid's keyboard.
  const bool Lines = FOptions.Contains(dgColLinesKv);
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    const Integer GridCol = I + FIndicatorOffset;
    if (GridCol >= GetFullColCount()) break;
    TColumnKv* Column = FColumns->GetColumn(I);
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

// [SECTION] Data

TDataSource* TCustomDBGridKv::GetDataSource() const { return FDataLink->GetDataSource(); }

void TCustomDBGridKv::SetDataSource(TDataSource* Value) {
  if (Value == FDataLink->GetDataSource()) return;
  FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TCustomDBGridKv::LinkActive(bool Value) {
  if (Destroying()) return;
  // FIXME(grid): the dataset interface, the selection and the scroll bar
  // follow the link with the grid's rows.
  if (!Value) HideEditor();
  TDataSource* Source = GetDataSource();
  FSumList->SetDataSet(Source ? Source->GetDataSet() : nullptr);
  LayoutChanged();
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

void TCustomDBGridKv::RefreshAfterDataChange() {
  UpdateRowCount();
  Invalidate();
}

void TCustomDBGridKv::Scroll(Integer /*Distance*/) { Invalidate(); }

void TCustomDBGridKv::RecordChanged(TField* /*Field*/) {
  if (HandleAllocated() && GetRow() < GetRowCount()) InvalidateGridRow(this, GetRow());
}

void TCustomDBGridKv::InvalidateIndicatorCell() {
  if (FIndicatorOffset > 0 && HandleAllocated()) InvalidateCell(0, GetRow());
}

void TCustomDBGridKv::SelectColumnOfField(TField* Field) {
  for (Integer I = 0; I < FColumns->GetCount(); ++I) {
    TColumnKv* Column = FColumns->GetColumn(I);
    if (!Column->GetVisible() || Column->GetField() != Field) continue;
    // Frozen columns stand among the fixed ones and can be current too.
    const Integer GridCol = I + FIndicatorOffset;
    if (GridCol >= GetFixedCols() - GetFrozenColCount() && GridCol < GetColCount()) SetCol(GridCol);
    return;
  }
}

bool TCustomDBGridKv::AcquireFocus() {
  // FIXME(grid): the focus-on-click switch and MDI child forms come with the
  // grid's mouse handling.
  if (!Designing() && CanFocus() && !IsFocused()) SetFocus();
  return IsFocused();
}

void TCustomDBGridKv::ShowCellEditor() {
  // FIXME(grid): the filter-row editor is left first once the filter row exists.
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

bool TCustomDBGridKv::IsFocused() {
  if (!HandleAllocated()) return false;
  const HWND Focus = GetFocus();
  if (!Focus) return false;
  if (Focus == GetHandle()) return true;
  TInplaceEdit* Editor = GetInplaceEditor();
  return Editor && Editor->HandleAllocated() && Editor->GetHandle() == Focus;
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
