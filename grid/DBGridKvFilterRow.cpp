// The filter row: the grid's filter that shows or hides it, the combo box the
// person types a condition into (TInplaceFilterEditKv), and the grid's side of
// it: opening, placing, preparing and leaving the editor, its drop-down list
// with the column's values and the special entries, its keys and the walk
// between filter cells, and applying the conditions through OnApplyFilter or
// the data service. The grid never filters records itself.
//
// Index:
//   [SECTION] The grid's filter     TSTDBGridKvFilter
//   [SECTION] The editor            TInplaceFilterEditKv
//   [SECTION] Filter cells          FilterRowVisible, FilterEditorShown, ColumnHasFilterCell,
//                                   GetColumnFilterText, ColumnFilterDropDown, IsFilterRow
//   [SECTION] Showing and hiding    CreateFilterEditor, ShowFilterEditor, UpdateFilterEditor,
//                                   PrepareFilterEditor, CommitFilterEditorText,
//                                   CommitAndHideFilterEditor, HideFilterEditorWindow,
//                                   HideFilterEditor, LeaveFilterRow, FilterColumnGoing,
//                                   SetFilterCol
//   [SECTION] Applying              ApplyFilter, ClearColumnsFilter
//   [SECTION] The drop-down list    FilterEditGetItems, FilterDropDownChosen, FilterEditCloseUp
//   [SECTION] Keys and presses      FilterEditKeyPress, FilterEditExit, FilterEditKeyDown,
//                                   MoveFilterCol, EnterFilterRowByKey, FilterCellPress
//   [SECTION] The editor's holder   IInplaceEditHolderKv
#include <algorithm>
#include <cstdint>

#include "base/KorvelConsts.h"
#include "grid/DBGridKvImpl.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::TGridUpdateGuard;
using dbgrid::TPaintLockGuard;

namespace {

// The codes the special entries of the drop-down list carry as their
// objects; a value of the column carries none (0).
enum TFilterEntryKv : Integer {
  feEmptyKv = 1,
  feNotEmptyKv = 2,
  feAllKv = 3,
  feClearFilterKv = 4,
  feSeparatorKv = 5,
  feAscendingKv = 6,
  feDescendingKv = 7
};

TObject* EntryObject(TFilterEntryKv Code) {
  return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(Code));
}

Integer EntryCode(TObject* Object) {
  return Integer(reinterpret_cast<std::intptr_t>(Object));
}

// The first and the last extent of a list the drop-down opens with until
// the person sizes it.
constexpr Integer DefaultFilterDropDownWidth = 100;
constexpr Integer DefaultFilterDropDownRows = 17;

// Holds a string list's BeginUpdate / EndUpdate for a scope.
class TStringsUpdateGuard {
 public:
  explicit TStringsUpdateGuard(TStrings* Strings) : FStrings(Strings) { FStrings->BeginUpdate(); }
  ~TStringsUpdateGuard() { FStrings->EndUpdate(); }
  TStringsUpdateGuard(const TStringsUpdateGuard&) = delete;
  TStringsUpdateGuard& operator=(const TStringsUpdateGuard&) = delete;

 private:
  TStrings* FStrings;
};

// The character index of the caret in the edit, or -1 when the edit does
// not show the caret.
Integer CaretCharIndex(TWinControl* Edit) {
  TPoint P;
  if (GetCaretOwner() != Edit->GetHandle() || !GetCaretPos(&P)) return -1;
  return Integer(LOWORD(SendMessage(Edit->GetHandle(), EM_CHARFROMPOS, 0, MAKELPARAM(P.X, P.Y))));
}

void EditSelection(TWinControl* Edit, DWORD& Start, DWORD& Stop) {
  Start = Stop = 0;
  SendMessage(Edit->GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start),
              reinterpret_cast<LPARAM>(&Stop));
}

// The caret stands before the first character, with nothing or everything
// selected.
bool CaretAtStart(TInplaceFilterEditKv* Edit) {
  DWORD Start = 0, Stop = 0;
  EditSelection(Edit, Start, Stop);
  const DWORD Len = DWORD(Length(Edit->GetText()));
  return CaretCharIndex(Edit) <= 0 && Start == 0 && (Stop == 0 || Stop == Len);
}

// The caret stands after the last character, with nothing or everything
// selected.
bool CaretAtEnd(TInplaceFilterEditKv* Edit) {
  DWORD Start = 0, Stop = 0;
  EditSelection(Edit, Start, Stop);
  const Integer Len = Length(Edit->GetText());
  return CaretCharIndex(Edit) == Len && Stop == DWORD(Len) && (Start == Stop || Start == 0);
}

}  // namespace

// [SECTION] The grid's filter

void TSTDBGridKvFilter::KvPublish(TPublisher<TSTDBGridKvFilter>& P) {
  P.Prop("Local", &TSTDBGridKvFilter::GetLocal, &TSTDBGridKvFilter::SetLocal).Default(false);
  P.Prop("Visible", &TSTDBGridKvFilter::GetVisible, &TSTDBGridKvFilter::SetVisible)
      .Default(false);
}

TPersistent* TSTDBGridKvFilter::GetOwner() { return FGrid; }

void TSTDBGridKvFilter::Assign(TPersistent* Source) {
  auto* Other = DynCast<TSTDBGridKvFilter>(Source);
  if (!Other) return inherited::Assign(Source);
  SetVisible(Other->FVisible);
  SetLocal(Other->FLocal);
}

void TSTDBGridKvFilter::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
}

void TSTDBGridKvFilter::SetVisible(bool Value) {
  if (FVisible == Value) return;
  // The editor leaves first: a typed text that does not parse keeps the row
  // shown with the editor in it.
  if (!Value && FGrid) FGrid->HideFilterEditor();
  FVisible = Value;
  if (!FGrid) return;
  FGrid->LayoutChanged();
  if (FGrid->GetEditorMode()) FGrid->InvalidateEditor();
}

// [SECTION] The editor

TRect TInplaceFilterEditKv::GetEditRect() {
  TRect R = inherited::GetEditRect();
  ++R.Top;
  return R;
}

void TInplaceFilterEditKv::SetValueAndText(const Variant& Value, const String& Text) {
  TCustomDBEditKv::SetValue(Value);
  SetEditText(Text);
}

// [SECTION] Filter cells

bool TCustomDBGridKv::FilterRowVisible() { return FSTFilter && FSTFilter->GetVisible(); }

bool TCustomDBGridKv::FilterEditorShown() {
  return FFilterRow.Active && FSelection && FSelection->GetSelectionType() == gskNone;
}

bool TCustomDBGridKv::ColumnHasFilterCell(Integer ACol) {
  if (!FColumns || ACol < 0 || ACol >= FColumns->GetCount()) return false;
  TColumnKv* Column = FColumns->GetColumn(ACol);
  return Column->GetVisible() && Column->GetSTFilter()->GetVisible();
}

void TCustomDBGridKv::GetColumnFilterText(Integer ACol, String& Text) {
  Text.clear();
  if (!FColumns || ACol < 0 || ACol >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(ACol);
  if (!Column->GetFieldName().empty()) Text = Column->GetSTFilter()->GetExpressionStr();
}

bool TCustomDBGridKv::ColumnFilterDropDown(Integer ACol) {
  if (!FColumns || ACol < 0 || ACol >= FColumns->GetCount()) return false;
  return FColumns->GetColumn(ACol)->GetSTFilter()->HasListSource();
}

bool TCustomDBGridKv::IsFilterRow(Integer /*ACol*/, Integer ARow) {
  return FilterRowVisible() && ARow == FTitleOffset - 1;
}

// [SECTION] Showing and hiding

TInplaceFilterEditKv* TCustomDBGridKv::CreateFilterEditor() {
  return TInplaceFilterEditKv::Create(this);
}

void TCustomDBGridKv::ShowFilterEditor(Integer ACol) {
  // [Phase 1] Only a filter cell of the row shown; a pending edit is posted.
  if (!FilterRowVisible() || !ColumnHasFilterCell(ACol)) return;
  if (FDataLink->GetActive()) FDataLink->GetDataSet()->CheckBrowseMode();
  // [Phase 2] The editor, made on first use.
  if (!FFilterRow.Editor) {
    TInplaceFilterEditKv* Editor = CreateFilterEditor();
    FFilterRow.Editor = Editor;
    Editor->SetVisible(false);
    Editor->SetParent(this);
    Editor->SetInplaceEditHolder(this);
    Editor->SetBorderStyle(bsNone);
    Editor->SetFont(GetFont());
    Editor->GetFont()->SetColor(clBlue);
    Editor->SetColor(LightenColor(GetFixedColor(), 8));
    Editor->OnKeyPress = TKeyPressEvent(this, &TCustomDBGridKv::FilterEditKeyPress);
    Editor->OnExit = TNotifyEvent(this, &TCustomDBGridKv::FilterEditExit);
    Editor->SetFlat(GetFlat());
  }
  // [Phase 3] The cell left keeps what was typed there.
  const Integer Previous = FFilterRow.Col;
  CommitAndHideFilterEditor();
  // [Phase 4] The new cell's column comes into view (and is current without
  // row selection).
  SetFilterCol(ACol);
  FFilterRow.Active = true;
  HideEditor();
  {
    TGridUpdateGuard Update(this);
    TPaintLockGuard Paint(this);
    const Integer RawCol = DataToRawColumn(ACol);
    if (FOptions.Contains(dgRowSelectKv)) {
      if (RawCol >= GetFixedCols()) {
        if (RawCol < GetLeftCol()) SetLeftCol(RawCol);
        while (GetLeftCol() < RawCol && RawCol >= GetLeftCol() + GetVisibleColCount())
          SetLeftCol(GetLeftCol() + 1);
      }
    } else if (RawCol < GetColCount()) {
      MoveCol(RawCol, 0, false);
    }
    // Leaving and entering columns may have moved the editor elsewhere.
    SetFilterCol(ACol);
    InvalidateCell(RawCol, FTitleOffset - 1);
    if (Previous >= 0 && Previous != ACol)
      InvalidateCell(DataToRawColumn(Previous), FTitleOffset - 1);
  }
  UpdateFilterEditor(true);
}

void TCustomDBGridKv::UpdateFilterEditor(bool Show) {
  if (FSTFilter && FSTFilter->GetUpdateCount() > 0) return;
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  // [Phase 0] The editor keeps to its column wherever the columns were
  // ordered since (by the person or in code).
  if (FFilterRow.Column) FFilterRow.Col = FFilterRow.Column->GetIndex();
  // [Phase 1] Out of the row: a row that was not in use is left alone, so
  // that a re-placing never touches the cell editor. An editor whose cell
  // went (its column or filter hidden in code) goes with it even when its
  // text does not parse: the column keeps its previous condition and the
  // parser's error still reaches the caller.
  if (!Editor || !FFilterRow.Active || !FilterRowVisible() || !ColumnHasFilterCell(FFilterRow.Col)) {
    if (!FFilterRow.Active && !(Editor && Editor->GetVisible())) return;
    try {
      HideFilterEditor();
    } catch (...) {
      LeaveFilterRow(false);
      throw;
    }
    return;
  }
  // [Phase 2] A selection hides the editor until it goes.
  if (!FilterEditorShown()) {
    CommitAndHideFilterEditor();
    return;
  }
  TRect R = CellRect(DataToRawColumn(FFilterRow.Col), FTitleOffset - 1);
  ++R.Left;
  // [Phase 3] Shown anew: prepared from the column's filter, its text
  // selected. Only re-placed, it takes the focus only from the grid itself.
  if (Show) {
    Editor->SetInplaceBounds(TRect{});
    Editor->SetFocus();
    PrepareFilterEditor(FFilterRow.Col);
    Editor->SelectAll();
  } else if (IsFocused()) {
    Editor->SetFocus();
  }
  // [Phase 4] Over its cell.
  Editor->SetInplaceBounds(R);
  if (Editor->HandleAllocated()) SendMessage(Editor->GetHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBGridKv::PrepareFilterEditor(Integer ACol) {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (!Editor || !FColumns || ACol < 0 || ACol >= FColumns->GetCount()) return;
  TSTColumnFilterKv* Filter = FColumns->GetColumn(ACol)->GetSTFilter();
  Editor->GetItems()->Clear();
  // [Phase 1] Nothing to list: a plain edit box.
  if (!Filter->HasListSource()) {
    Editor->SetValue(Null());
    Editor->OnGetItems = nullptr;
    Editor->GetEditButton()->SetVisible(false);
    String Text;
    GetColumnFilterText(ACol, Text);
    Editor->SetText(Text);
    return;
  }
  // [Phase 2] A combo box whose list the grid fills when it drops down.
  Editor->OnCloseUp = TCloseUpEventKv(this, &TCustomDBGridKv::FilterEditCloseUp);
  Editor->OnBeforeCloseUp = TBeforeCloseUpEventKv(this, &TCustomDBGridKv::FilterDropDownChosen);
  Editor->OnGetItems = TNotifyEvent(this, &TCustomDBGridKv::FilterEditGetItems);
  Editor->Clear();
  Editor->SetValue(Null());
  Editor->OnButtonClick = nullptr;
  Editor->GetEditButton()->SetVisible(true);
  Editor->GetDropDownBox()->SetSizable(true);
  // A lookup filter holds the key behind the text the person typed.
  if (!Filter->EffectiveKeyField().empty()) {
    Variant Key;
    Filter->GetFilterValue1(Key);
    Editor->SetValueAndText(Key, Filter->GetExpressionStr());
  } else {
    Editor->SetText(Filter->GetExpressionStr());
  }
  // [Phase 3] The list's size: the one the person gave it for this column.
  Editor->GetDropDownBox()->SetWidth(
      Filter->GetDropDownWidth() >= 1 ? Filter->GetDropDownWidth() : DefaultFilterDropDownWidth);
  Editor->GetDropDownBox()->SetRows(
      Filter->GetDropDownRows() >= 1 ? Filter->GetDropDownRows() : DefaultFilterDropDownRows);
}

void TCustomDBGridKv::CommitFilterEditorText(Integer ACol) {
  if (!FFilterRow.Editor || !FColumns || ACol < 0 || ACol >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(ACol);
  if (Column->GetFieldName().empty()) return;
  Column->GetSTFilter()->SetExpressionStr(FFilterRow.Editor->GetText());
}

// The text is committed before the editor goes: a text that does not parse
// raises with the editor still over its cell, the text in it.
void TCustomDBGridKv::CommitAndHideFilterEditor() {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (!Editor || !Editor->GetVisible()) return;
  if (FFilterRow.Col >= 0) CommitFilterEditorText(FFilterRow.Col);
  HideFilterEditorWindow();
}

void TCustomDBGridKv::HideFilterEditorWindow() {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (!Editor || !Editor->GetVisible()) return;
  const Integer ACol = FFilterRow.Col;
  if (Editor->Focused() && CanFocus() && HandleAllocated()) kvp::SetFocus(GetHandle());
  Editor->HideInplace();
  if (ACol >= 0 && ACol < FColumns->GetCount())
    InvalidateCell(DataToRawColumn(ACol), FTitleOffset - 1);
}

void TCustomDBGridKv::HideFilterEditor() {
  if (FSTFilter && FSTFilter->GetUpdateCount() > 0) return;
  LeaveFilterRow(true);
}

void TCustomDBGridKv::LeaveFilterRow(bool Commit) {
  if (Commit)
    CommitAndHideFilterEditor();
  else
    HideFilterEditorWindow();
  FFilterRow.Active = false;
  if (!FOptions.Contains(dgAlwaysShowEditorKv))
    HideEditor();
  else
    ShowEditor();
}

void TCustomDBGridKv::FilterColumnGoing(Integer ACol) {
  if (FFilterRow.Column) FFilterRow.Col = FFilterRow.Column->GetIndex();
  if (FFilterRow.Col < 0 || ACol < 0) return;
  if (ACol < FFilterRow.Col) {
    --FFilterRow.Col;
    return;
  }
  if (ACol > FFilterRow.Col) return;
  // Its own column goes: what was typed there has no column to go to.
  HideFilterEditorWindow();
  FFilterRow.Active = false;
  SetFilterCol(-1);
}

void TCustomDBGridKv::SetFilterCol(Integer ACol) {
  FFilterRow.Col = ACol;
  FFilterRow.Column =
      FColumns && ACol >= 0 && ACol < FColumns->GetCount() ? FColumns->GetColumn(ACol) : nullptr;
}

// [SECTION] Applying

void TCustomDBGridKv::ApplyFilter() {
  // [Phase 1] What is typed becomes the column's condition.
  if (FFilterRow.Col >= 0 && FFilterRow.Editor && FFilterRow.Editor->GetVisible())
    CommitFilterEditorText(FFilterRow.Col);
  // [Phase 2] The conditions go to the application, or the data service.
  const Integer LeftCol = GetLeftCol();
  if (OnApplyFilter)
    OnApplyFilter(this);
  else
    DoApplyFilter();
  // [Phase 3] The view as it was, the editor prepared again, totals and
  // cells for the records now shown.
  if (GetColCount() > LeftCol) SetLeftCol(LeftCol);
  UpdateFilterEditor(true);
  if (FSumList->GetActive()) FSumList->RecalcAll();
  Invalidate();
}

void TCustomDBGridKv::ClearColumnsFilter() {
  // The text in the editor goes with the conditions, so it is never parsed.
  if (FFilterRow.Editor && FFilterRow.Editor->GetVisible()) FFilterRow.Editor->SetText(String());
  HideFilterEditor();
  for (Integer I = 0; I < FColumns->GetCount(); ++I) FColumns->GetColumn(I)->GetSTFilter()->ClearFilter();
  Invalidate();
}

// [SECTION] The drop-down list

// The column's values (read once and kept by the column's filter), keys
// shown as their picks, then the special entries.
void TCustomDBGridKv::FilterEditGetItems(TObject* /*Sender*/) {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  const Integer ACol = FFilterRow.Col;
  if (!Editor || ACol < 0 || ACol >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(ACol);
  TSTColumnFilterKv* Filter = Column->GetSTFilter();
  // [Phase 1] The values: of the list dataset's field, or as the grid's
  // dataset supplies them.
  if (!Filter->GetValueList()) {
    TDataSource* Source = Filter->GetListSource();
    TDataSet* List = Source ? Source->GetDataSet() : nullptr;
    String FieldName = Filter->EffectiveListField();
    if (FieldName.empty()) FieldName = Column->GetFieldName();
    if (List && List->GetActive() && List->FindField(FieldName)) {
      TDatasetFieldValueListKv* Values = TDatasetFieldValueListKv::Create();
      Filter->SetValueList(Values);
      Values->SetDataSet(List);
      Values->SetFieldName(FieldName);
    } else if (FMemTable) {
      Filter->SetValueList(FMemTable->GetFieldValueList(Column->GetFieldName()));
    }
  }
  TStrings* Items = Editor->GetItems();
  TStringsUpdateGuard Update(Items);
  if (IMemTableDataFieldValueListKv* Values = Filter->GetValueList())
    Items->Assign(Values->GetValues());
  // [Phase 2] A column of keys shows the picks that stand for them; a key
  // without a pick stays itself.
  TStrings* Keys = Column->GetKeyList();
  TStrings* Picks = Column->GetPickList();
  if (Keys->GetCount() > 0 && Picks->GetCount() > 0) {
    for (Integer I = Items->GetCount() - 1; I >= 0; --I) {
      const Integer Index = Keys->IndexOf(Items->Get(I));
      if (Index >= 0 && Index < Picks->GetCount()) Items->SetStrings(I, Picks->Get(Index));
    }
  }
  // [Phase 3] The special entries.
  Items->AddObject(SEmptyFilterEntry, EntryObject(feEmptyKv));
  Items->AddObject(SNotEmptyFilterEntry, EntryObject(feNotEmptyKv));
  Items->AddObject(SAllFilterEntry, EntryObject(feAllKv));
  Items->AddObject(SClearFilterEntry, EntryObject(feClearFilterKv));
  if (FOptionsKv.Contains(dgAutoSortMarkingKv) && Column->GetTitle()->GetTitleButton()) {
    Items->AddObject("-", EntryObject(feSeparatorKv));
    Items->AddObject(SSortAscendingFilterEntry, EntryObject(feAscendingKv));
    Items->AddObject(SSortDescendingFilterEntry, EntryObject(feDescendingKv));
  }
}

void TCustomDBGridKv::FilterDropDownChosen(TObject* /*Sender*/, bool& Accept) {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (!Accept || !Editor) return;
  const Integer ACol = FFilterRow.Col;
  TColumnKv* Column =
      ACol >= 0 && ACol < FColumns->GetCount() ? FColumns->GetColumn(ACol) : nullptr;
  // [Phase 1] The size the person gave the list stays with the column.
  if (Column && Editor->GetVisible()) {
    Column->GetSTFilter()->SetDropDownWidth(Editor->GetDropDownBox()->GetWidth());
    Column->GetSTFilter()->SetDropDownRows(Editor->GetDropDownBox()->GetRows());
  }
  // [Phase 2] A value is taken as the editor's text, as any list's choice.
  TPopupListboxKv* List = Editor->GetPopupListbox();
  const Integer Index = List ? List->GetItemIndex() : -1;
  const Integer Code = Index >= 0 && Index < Editor->GetItems()->GetCount()
                           ? EntryCode(Editor->GetItems()->GetObject(Index))
                           : -1;
  if (Code < feEmptyKv || Code > feDescendingKv) return;
  // [Phase 3] A special entry does what it says; its text never shows.
  Accept = false;
  const bool ApplyAtOnce = FStyle && FStyle->GetFilterApplyOnCloseUp();
  switch (TFilterEntryKv(Code)) {
    case feEmptyKv:
    case feNotEmptyKv:
    case feAllKv:
      Editor->SetText(Code == feEmptyKv ? "=Null" : Code == feNotEmptyKv ? "<>Null" : "");
      if (ApplyAtOnce) ApplyFilter();
      break;
    case feClearFilterKv:
      ClearColumnsFilter();
      ApplyFilter();
      break;
    case feSeparatorKv:
      break;
    case feAscendingKv:
    case feDescendingKv:
      if (!Column) break;
      for (Integer I = 0; I < FColumns->GetCount(); ++I)
        FColumns->GetColumn(I)->GetTitle()->SetSortMarker(smNoneKv);
      FSortMarkedColumns->Clear();
      Column->GetTitle()->SetSortMarker(Code == feAscendingKv ? smDownKv : smUpKv);
      ApplySortingAfterCtrl();
      break;
  }
}

void TCustomDBGridKv::FilterEditCloseUp(TObject* /*Sender*/, bool Accept) {
  if (Accept && FStyle && FStyle->GetFilterApplyOnCloseUp()) ApplyFilter();
}

// [SECTION] Keys and presses

void TCustomDBGridKv::FilterEditKeyPress(TObject* /*Sender*/, Char& Key) {
  if (Key != 13) return;
  Key = 0;
  ApplyFilter();
}

void TCustomDBGridKv::FilterEditExit(TObject* /*Sender*/) {}

void TCustomDBGridKv::FilterEditKeyDown(Word& Key, TShiftState Shift) {
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (!Editor || !Editor->HandleAllocated()) return;
  if (UseRightToLeftAlignment() && (Key == VK_LEFT || Key == VK_RIGHT))
    Key = Key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  // An open list takes its own keys.
  if (Editor->GetListVisible()) return;
  const TShiftState Modifiers = Shift * TShiftState{ssShift, ssCtrl, ssAlt};
  const bool Ctrl = Shift.Contains(ssCtrl);
  auto Move = [&](bool Forward, bool Edge) {
    Key = 0;
    MoveFilterCol(Forward, Edge);
  };
  switch (Key) {
    case VK_LEFT:
      if (Ctrl || CaretAtStart(Editor)) Move(false, Ctrl);
      break;
    case VK_RIGHT:
      if (Ctrl || CaretAtEnd(Editor)) Move(true, Ctrl);
      break;
    case VK_HOME:
      if (Ctrl || CaretAtStart(Editor)) Move(false, true);
      break;
    case VK_END:
      if (Ctrl || CaretAtEnd(Editor)) Move(true, true);
      break;
    case VK_TAB:
      if (FOptions.Contains(dgTabsKv)) Move(!Shift.Contains(ssShift), false);
      break;
    case VK_UP:
      if (Modifiers.Empty()) Key = 0;
      break;
    case VK_DOWN:
      // Back to the records: the column's cells, from the first record shown
      // (Ctrl: the current record stays).
      if ((Modifiers.Empty() || Modifiers == TShiftState{ssCtrl}) && FDataLink->GetActive()) {
        Key = 0;
        const Integer RawCol = DataToRawColumn(FFilterRow.Col);
        if (RawCol < GetColCount()) MoveCol(RawCol, 0, false);
        if (!Ctrl) FDataLink->GetDataSet()->MoveBy(-FDataLink->GetActiveRecord());
        HideFilterEditor();
      }
      break;
    case VK_F2:
      SendMessage(Editor->GetHandle(), EM_SETSEL, 0x7FFFFFFF, LPARAM(-1));
      Key = 0;
      break;
    default:
      break;
  }
}

// A plain move starts at the editor's column and wraps once, at the first
// candidate; an edge move starts beyond the last (first) column and comes
// back inwards. Columns without a filter cell are passed; past either end
// of the grid the editor stays where it is.
void TCustomDBGridKv::MoveFilterCol(bool Forward, bool Edge) {
  const Integer First = FIndicatorOffset;
  const Integer Last = GetColCount() - 1;
  if (Last < First) return;
  Integer Start = 0, Step = 0, Candidate = 0;
  if (Edge) {
    Start = Forward ? Last + 1 : First - 1;
    Step = Forward ? -1 : 1;
    Candidate = Start + Step;
  } else {
    Start = DataToRawColumn(FFilterRow.Col);
    Step = Forward ? 1 : -1;
    Candidate = Start + Step;
    if (Candidate > Last) Candidate = First;
    if (Candidate < First) Candidate = Last;
  }
  if (Candidate == Start) return;
  for (; Candidate >= First && Candidate <= Last; Candidate += Step) {
    if (!ColumnHasFilterCell(RawToDataColumn(Candidate))) continue;
    ShowFilterEditor(RawToDataColumn(Candidate));
    return;
  }
}

void TCustomDBGridKv::EnterFilterRowByKey(Word& Key, TShiftState Shift) {
  if (Key != VK_UP || !FilterRowVisible() || !FDataLink->GetActive()) return;
  if (!FDataLink->GetDataSet()->GetBof() && !Shift.Contains(ssCtrl)) return;
  // [Phase 1] The cell: the current column's, or with row selection the
  // first filter cell from the last one used (the first from the left
  // column when that one is scrolled away).
  Integer ACol = GetSelectedIndex();
  if (FOptions.Contains(dgRowSelectKv)) {
    const Integer Last = DataToRawColumn(FFilterRow.Col);
    const bool Shown = FFilterRow.Col >= 0 &&
                       ((Last >= FIndicatorOffset && Last < GetFixedCols()) ||
                        (Last >= GetLeftCol() && Last < GetLeftCol() + GetVisibleColCount()));
    const Integer From = Shown ? FFilterRow.Col : std::max(RawToDataColumn(GetLeftCol()), 0);
    ACol = -1;
    for (Integer I = From; I < FColumns->GetCount() && ACol < 0; ++I)
      if (ColumnHasFilterCell(I)) ACol = I;
  }
  // [Phase 2] The editor opens there; the key is used up when it did.
  if (!ColumnHasFilterCell(ACol)) return;
  ShowFilterEditor(ACol);
  if (FFilterRow.Active) Key = 0;
}

bool TCustomDBGridKv::FilterCellPress(TMessage& Message) {
  // The grid's own filter row: a descendant that shows another row in its
  // place (the lookup grid's special row) takes its presses itself.
  if (Designing() || !TCustomDBGridKv::FilterRowVisible()) return false;
  const TPoint P{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  const TGridCoord Cell = MouseCoord(P.X, P.Y);
  if (Cell.X < FIndicatorOffset || !IsFilterRow(Cell.X, Cell.Y)) return false;
  const Integer ACol = RawToDataColumn(Cell.X);
  if (!ColumnHasFilterCell(ACol)) return false;
  ClearSelection();
  ShowFilterEditor(ACol);
  // A left press also reaches the editor, so that it lands in the text (or
  // on the list's button) where the person pressed.
  TInplaceFilterEditKv* Editor = FFilterRow.Editor;
  if (Message.Msg == WM_LBUTTONDOWN && Editor && Editor->GetVisible()) {
    const TPoint At = Editor->ScreenToClient(ClientToScreen(P));
    SendMessage(Editor->GetHandle(), WM_LBUTTONDOWN, Message.WParam,
                MAKELPARAM(WORD(At.X), WORD(At.Y)));
  }
  FMouseDownPoint = P;
  FFilterRow.MouseDownTime = GetMessageTime();
  return true;
}

// [SECTION] The editor's holder

bool TCustomDBGridKv::InplaceEditCanModify(TControl* /*Control*/) { return true; }

void TCustomDBGridKv::GetMouseDownInfo(TPoint& ScreenPos, Integer& Time) {
  ScreenPos = ClientToScreen(FMouseDownPoint);
  Time = FFilterRow.MouseDownTime;
  FFilterRow.MouseDownTime = 0;
}

void TCustomDBGridKv::InplaceEditWndProc(TControl* /*Control*/, TMessage& /*Message*/) {}

void TCustomDBGridKv::InplaceEditKeyDown(TControl* Control, Word& Key, TShiftState Shift) {
  if (Control && Control == FFilterRow.Editor) FilterEditKeyDown(Key, Shift);
}

void TCustomDBGridKv::InplaceEditKeyPress(TControl* Control, Char& Key) {
  if (DynCast<TInplaceFilterEditKv>(Control) && Key == 9) Key = 0;
}

void TCustomDBGridKv::InplaceEditKeyUp(TControl* /*Control*/, Word& /*Key*/,
                                       TShiftState /*Shift*/) {}

}  // namespace korvel
