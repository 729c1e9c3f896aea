// The data-aware grid under the keyboard. Keys move the dataset rather than
// a row index, extend the record or rectangle selection, insert, append and
// delete records, run the clipboard commands, steer the type-ahead search
// and expand or collapse tree nodes. The base grid's own key handling is
// not used: a key is decoded into a request (DecodeKey) and one routine
// carries the request out (RunKeyRequest).
//
// Index:
//   [SECTION] Predicates      CanCopySelection, CanCutSelection, CanDeleteSelection,
//                             CanPasteSelection, CanStartInplaceSearch, ConfirmDelete
//   [SECTION] Key messages    KeyDown, KeyPress, KeyUp, WMChar
//   [SECTION] Decoding        DecodeKey
//   [SECTION] Requests        RunKeyRequest
//   [SECTION] Rows and tabs   NextRow, PriorRow, Tab
//   [SECTION] Commands        CopyValueFromPriorRecord, ApplySortingAfterCtrl
#include <algorithm>

#include "base/KorvelConsts.h"
#include "grid/DBGridKvImpl.h"
#include "platform/controls/Dialogs.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::TGridUpdateGuard;

namespace {

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// The field name of the grid's current column, empty off the columns.
String SelectedFieldNameOf(TCustomDBGridKv* Grid) {
  const Integer Index = Grid->GetSelectedIndex();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  return Index >= 0 && Index < Columns->GetCount() ? Columns->GetColumn(Index)->GetFieldName()
                                                   : String();
}

// The dataset takes typed text only while it browses.
bool DataSetBrowsing(TDataSet* DataSet) {
  const TDataSetState State = DataSet->GetState();
  return State != dsEdit && State != dsInsert && State != dsSetKey;
}

}  // namespace

// [SECTION] Predicates

bool TCustomDBGridKv::CanCopySelection() { return FDataLink->GetActive() && SelectionExists(); }

bool TCustomDBGridKv::CanCutSelection() { return CanCopySelection() && CanDeleteSelection(); }

bool TCustomDBGridKv::CanDeleteSelection() {
  if (!FDataLink->GetActive() || GetReadOnly()) return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (DataSet->IsEmpty() || !DataSet->GetCanModify()) return false;
  switch (FSelection->GetSelectionType()) {
    case gskRows:
    case gskAll:
      return FAllowedOperations.Contains(alopDeleteKv);
    case gskRectangle:
    case gskColumns:
      return FAllowedOperations.Contains(alopUpdateKv);
    case gskNone:
      break;
  }
  return false;
}

bool TCustomDBGridKv::CanPasteSelection() {
  if (!FDataLink->GetActive() || GetReadOnly()) return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!DataSet->GetCanModify()) return false;
  // The exchange format's number is the same for every registration of its
  // name.
  TClipboard* Board = Clipboard();
  if (!Board->HasFormat(RegisterClipboardFormat("VCLDBIF")) && !Board->HasFormat(CF_TEXT))
    return false;
  return DataSet->GetState() == dsInsert || FAllowedOperations.Contains(alopUpdateKv);
}

bool TCustomDBGridKv::CanStartInplaceSearch() {
  if (InplaceSearching()) return true;
  if (FOptionsKv.Contains(dgInplaceSearchKv) && !CanEditColumn(GetSelectedIndex())) return true;
  return FOptionsKv.Contains(dgPreferInplaceSearchKv) && !FOptions.Contains(dgAlwaysShowEditorKv) &&
         !(GetInplaceEditor() && GetInplaceEditor()->Visible());
}

bool TCustomDBGridKv::ConfirmDelete() {
  if (!FOptions.Contains(dgConfirmDeleteKv)) return true;
  const String& Question =
      FBookmarks->GetCount() <= 1 ? SDeleteRecordQuestion : SDeleteMultipleRecordsQuestion;
  return MessageDlg(Question, mtConfirmation, {mbOK, mbCancel}, 0) != mrCancel;
}

// [SECTION] Key messages

void TCustomDBGridKv::KeyDown(Word& Key, TShiftState Shift) {
  // [Phase 1] The selection's toggle mode and the application's handler.
  FToggleSelection = Shift.Contains(ssCtrl) || !FOptionsKv.Contains(dgClearSelectionOnEditKv);
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  EnterFilterRowByKey(Key, Shift);
  if (Key == 0) return;
  if (UseRightToLeftAlignment() && (Key == VK_LEFT || Key == VK_RIGHT))
    Key = Key == VK_LEFT ? VK_RIGHT : VK_LEFT;
  if (!FDataLink->GetActive() || !CanGridAcceptKey(Key, Shift)) return;
  // [Phase 2] Shortcuts of the type-ahead search and the find dialog. The key
  // goes on to the table: a shortcut has no action there, and an Enter,
  // Escape or F2 that ended a search does its usual work.
  const TShortCut Pressed = ShortCut(Key, Shift);
  const bool Plain = (Shift * TShiftState{ssShift, ssCtrl, ssAlt}).Empty();
  if (Pressed == CopyValueShortCut) {
    CopyValueFromPriorRecord();
  } else if (Pressed == InplaceSearchShortCut && FOptionsKv.Contains(dgInplaceSearchKv)) {
    if (InplaceSearching() && FOptionsKv.Contains(dgFindDialogKv) &&
        FindDialogShortCut == InplaceSearchShortCut) {
      // The dialog goes on looking for what the search had found.
      const String Text = InplaceSearchText();
      StopInplaceSearch();
      ExecuteFindDialog(Text, SelectedFieldNameOf(this), false);
    } else {
      InplaceSearchText(String(), -1, 2);
    }
  } else if (Pressed == FindDialogShortCut && FOptionsKv.Contains(dgFindDialogKv)) {
    ExecuteFindDialog(String(), SelectedFieldNameOf(this), false);
  } else if (InplaceSearching()) {
    if (Plain && (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_F2))
      StopInplaceSearch();
    else if (Plain && Key == VK_BACK)
      InplaceSearchBackspace();
    else if (Pressed == InplaceSearchNextShortCut)
      InplaceSearchText(String(), FInplaceSearchTimeOut, 1);
    else if (Pressed == InplaceSearchPriorShortCut)
      InplaceSearchText(String(), FInplaceSearchTimeOut, 0);
  }
  // [Phase 3] The key table.
  const TGridKeyRequestKv Request = DecodeKey(Key, Shift);
  RunKeyRequest(Request);
  // A cut took the key: the record it leaves current keeps its value.
  if (Request.Act == TGridKeyActKv::Cut) Key = 0;
  // [Phase 4] Delete empties a check-box or key-image cell.
  if (Key != VK_DELETE || Shift.Contains(ssCtrl) || FOptions.Contains(dgRowSelectKv)) return;
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(Index);
  const TColumnKvType Kind = Column->GetColumnType();
  TField* Field = Column->GetField();
  if ((Kind == ctCheckboxesKv || Kind == ctKeyImageListKv) && Field && !Field->GetReadOnly() &&
      Column->CanModify(true))
    Column->UpdateDataValues(String(), Variant(Null()), false);
}

void TCustomDBGridKv::KeyPress(Char& Key) {
  // [Phase 1] Enter moves on with dgEnterMoveNextKv, and otherwise writes
  // the cell before the base grid toggles the editor.
  if (FOptionsKv.Contains(dgEnterMoveNextKv) && Key == U'\r') Key = U'\t';
  if (!FOptions.Contains(dgAlwaysShowEditorKv) && Key == U'\r') FDataLink->UpdateRecord();
  inherited::KeyPress(Key);
  // [Phase 2] Typed text feeds the type-ahead search.
  if (!CanStartInplaceSearch()) return;
  if (Key >= 32 && FDataLink->GetActive() && DataSetBrowsing(FDataLink->GetDataSet())) {
    // A running search keeps its own time-out (none after Ctrl+F).
    InplaceSearchText(Utf8Encode(Key), InplaceSearching() ? FInplaceSearchTimeOut : InplaceSearchTimeOut,
                      2);
    Key = 0;
  }
}

void TCustomDBGridKv::KeyUp(Word& Key, TShiftState Shift) {
  if (Key == VK_CONTROL && FSortingPending) {
    FSortingPending = false;
    ApplySortingAfterCtrl();
  }
  inherited::KeyUp(Key, Shift);
}

void TCustomDBGridKv::WMChar(TWMKey& Message) {
  const Char C = Char(Message.CharCode);
  // [Phase 0] While the filter-row editor is in use, what is typed is for it.
  if (FilterEditorShown() && (C == 8 || C >= 32)) {
    UpdateFilterEditor(false);
    if (TInplaceFilterEditKv* Editor = GetFilterEditor(); Editor && Editor->HandleAllocated())
      PostMessage(Editor->GetHandle(), WM_CHAR, Message.CharCode, Message.KeyData);
    return;
  }
  // [Phase 1] Space steps a check-box or key-image cell.
  const Integer Index = GetSelectedIndex();
  TColumnKv* Column =
      Index >= 0 && Index < FColumns->GetCount() ? FColumns->GetColumn(Index) : nullptr;
  const TColumnKvType Kind = Column ? Column->GetColumnType() : ctCommonKv;
  if (C == U' ' && (Kind == ctCheckboxesKv || Kind == ctKeyImageListKv) &&
      !FOptions.Contains(dgRowSelectKv)) {
    DoKeyPress(Message);
    if (Char(Message.CharCode) == U' ') Column->SetNextFieldValue(ShiftHeld() ? -1 : 1);
    return;
  }
  // [Phase 2] Typing searches where a search can start, instead of editing.
  if (CanStartInplaceSearch() && (C == 8 || C >= 32) && FDataLink->GetActive() &&
      DataSetBrowsing(FDataLink->GetDataSet())) {
    DoKeyPress(Message);
    return;
  }
  // [Phase 3] A tree's node keys never open the editor.
  if (FMemTable && FMemTable->GetTreeViewMode() && (C == U'*' || C == U'+' || C == U'-')) {
    DoKeyPress(Message);
    return;
  }
  inherited::WMChar(Message);
}

// [SECTION] Decoding

TGridKeyRequestKv TCustomDBGridKv::DecodeKey(Word Key, TShiftState Shift) {
  using A = TGridKeyActKv;
  TGridKeyRequestKv R;
  const bool Ctrl = Shift.Contains(ssCtrl);
  const bool ShiftDown = Shift.Contains(ssShift);
  const bool Extend = ShiftDown && FOptions.Contains(dgMultiSelectKv);
  const bool RowSelect = FOptions.Contains(dgRowSelectKv);
  const Integer Active = FDataLink->GetActiveRecord();
  auto Records = [&](Integer Distance, bool ToEnd) {
    R.Act = A::MoveRecords;
    R.Select = true;
    R.Distance = Distance;
    R.ToEnd = ToEnd;
  };
  auto DataSetMove = [&](Integer Distance, bool ToEnd) {
    R.Act = A::MoveDataSet;
    R.Distance = Distance;
    R.ToEnd = ToEnd;
  };
  auto Column = [&](Integer Col, Integer Direction, bool Select) {
    R.Act = A::MoveCol;
    R.Col = Col;
    R.Direction = Direction;
    R.Select = Select;
  };
  // [Phase 1] With Ctrl.
  if (Ctrl) {
    switch (Key) {
      case VK_UP:
      case VK_PRIOR:
      case VK_DOWN:
      case VK_NEXT:
      case VK_HOME:
      case VK_END:
        R.ClearFirst = !ShiftDown;
        break;
      default:
        break;
    }
    switch (Key) {
      case VK_UP:
      case VK_PRIOR:
        // To the top row shown.
        Extend ? Records(-Active, false) : DataSetMove(-Active, false);
        break;
      case VK_DOWN:
      case VK_NEXT: {
        // To the last row the link buffers.
        const Integer Distance = FDataLink->GetBufferCount() - Active - 1;
        Extend ? Records(Distance, false) : DataSetMove(Distance, false);
        break;
      }
      case VK_LEFT:
        Column(FIndicatorOffset, 1, false);
        break;
      case VK_RIGHT:
        Column(GetColCount() - 1, -1, false);
        break;
      case VK_HOME:
        Extend ? Records(-1, true) : DataSetMove(-1, true);
        break;
      case VK_END:
        Extend ? Records(1, true) : DataSetMove(1, true);
        break;
      case VK_DELETE:
        if (FEditActions.Contains(geaDeleteKv) && SelectionExists()) {
          if (CanDeleteSelection()) R.Act = A::DeleteSelection;
        } else if (!GetReadOnly() && !FDataLink->GetDataSet()->IsEmpty() &&
                   FDataLink->GetDataSet()->GetCanModify() &&
                   FAllowedOperations.Contains(alopDeleteKv)) {
          R.Act = A::DeleteRecords;
        }
        break;
      case VK_INSERT:
      case 'C':
        if (FEditActions.Contains(geaCopyKv) && CanCopySelection()) R.Act = A::Copy;
        break;
      case 'X':
        if (FEditActions.Contains(geaCutKv) && CanCutSelection()) R.Act = A::Cut;
        break;
      case 'V':
        if (InplaceSearching())
          R.Act = A::SearchClipboard;
        else if (FEditActions.Contains(geaPasteKv) && CanPasteSelection())
          R.Act = A::Paste;
        break;
      case 'A':
        if (FEditActions.Contains(geaSelectAllKv) && CanSelectAll()) R.Act = A::SelectAll;
        break;
      default:
        break;
    }
    return R;
  }
  // [Phase 2] Without Ctrl.
  const bool OneColumn = GetColCount() - FIndicatorOffset <= 1;
  switch (Key) {
    case VK_UP:
      R.Act = A::PriorRow;
      R.Select = true;
      break;
    case VK_DOWN:
      R.Act = A::NextRow;
      R.Select = true;
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      const Integer Step = Key == VK_LEFT ? -1 : 1;
      if (RowSelect) {
        const bool Room = Step < 0 ? GetLeftCol() > GetFixedCols()
                                   : GetLeftCol() + GetVisibleColCount() < GetColCount();
        if (Room) {
          R.Act = A::ScrollCols;
          R.Distance = Step;
        }
      } else {
        R.ClearFirst = !Extend;
        Column(GetCol() + Step, Step, Extend);
      }
      break;
    }
    case VK_HOME:
    case VK_END: {
      const Integer Step = Key == VK_HOME ? -1 : 1;
      if (OneColumn || RowSelect) {
        R.ClearFirst = !Extend;
        Extend ? Records(Step, true) : DataSetMove(Step, true);
      } else {
        Column(Step < 0 ? FIndicatorOffset : GetColCount() - 1, -Step, Extend);
      }
      break;
    }
    case VK_NEXT:
    case VK_PRIOR: {
      const Integer Page = GetVisibleRowCount() * (Key == VK_PRIOR ? -1 : 1);
      if (Extend) {
        Records(Page, false);
      } else {
        R.ClearFirst = true;
        DataSetMove(Page, false);
        R.FetchAhead = Page > 0 && FMemTable;
      }
      break;
    }
    case VK_INSERT:
      if (ShiftDown) {
        if (InplaceSearching())
          R.Act = A::SearchClipboard;
        else if (FEditActions.Contains(geaPasteKv) && CanPasteSelection())
          R.Act = A::Paste;
      } else if (FDataLink->GetDataSet()->GetCanModify() && !GetReadOnly() &&
                 FOptions.Contains(dgEditingKv)) {
        R.Act = A::InsertRecord;
        R.ClearFirst = true;
      }
      break;
    case VK_DELETE:
      if (ShiftDown && FEditActions.Contains(geaCutKv) && CanCutSelection()) R.Act = A::Cut;
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) {
        R.Act = A::Tab;
        R.Forward = !ShiftDown;
      }
      break;
    case VK_RETURN:
      if (FOptionsKv.Contains(dgEnterMoveNextKv)) {
        R.Act = A::Tab;
        R.Forward = !ShiftDown;
      }
      break;
    case VK_ESCAPE:
      R.Act = A::Escape;
      break;
    case VK_F2:
      R.Act = A::EditorOn;
      break;
    case VK_MULTIPLY:
    case VK_ADD:
    case VK_SUBTRACT:
      if (FMemTable && FMemTable->GetTreeViewMode())
        R.Act = Key == VK_MULTIPLY ? A::ToggleNode
                : Key == VK_ADD    ? A::ExpandNode
                                   : A::CollapseNode;
      break;
    default:
      break;
  }
  return R;
}

// [SECTION] Requests

void TCustomDBGridKv::RunKeyRequest(const TGridKeyRequestKv& R) {
  using A = TGridKeyActKv;
  if (R.ClearFirst) ClearSelection();
  TDataSet* DataSet = FDataLink->GetDataSet();
  switch (R.Act) {
    case A::None:
      return;
    case A::MoveRecords:
      MoveAndSelect(R.Select, R.Distance, R.ToEnd, R.NoRectangle);
      return;
    case A::MoveDataSet:
      if (R.FetchAhead) {
        // Fewer records than a page below the page shown: ask for the rest.
        const Integer Below = GetRowCount() - GetTopRow() - R.Distance;
        if (Below < R.Distance) FMemTable->FetchRecords(R.Distance - Below);
      }
      if (!R.ToEnd)
        DataSet->MoveBy(R.Distance);
      else if (R.Distance < 0)
        DataSet->First();
      else
        DataSet->Last();
      return;
    case A::NextRow:
      NextRow(R.Select);
      return;
    case A::PriorRow:
      PriorRow(R.Select);
      return;
    case A::MoveCol:
      MoveCol(R.Col, R.Direction, R.Select);
      return;
    case A::ScrollCols:
      SetLeftCol(GetLeftCol() + R.Distance);
      return;
    case A::InsertRecord:
      if (FAllowedOperations.Contains(alopInsertKv))
        DataSet->Insert();
      else if (FAllowedOperations.Contains(alopAppendKv))
        DataSet->Append();
      return;
    case A::DeleteRecords:
      if (!ConfirmDelete()) return;
      if (FBookmarks->GetCount() > 0)
        FBookmarks->Delete();
      else
        DataSet->Delete();
      return;
    case A::Copy:
      CopySelectionToClipboard();
      return;
    case A::Cut:
      CutSelectionToClipboard();
      return;
    case A::Paste:
      PasteSelectionFromClipboard();
      return;
    case A::DeleteSelection:
      DeleteSelection();
      return;
    case A::SelectAll:
      FSelection->SelectAll();
      return;
    case A::SearchClipboard:
      InplaceSearchText(Clipboard()->GetAsText(), FInplaceSearchTimeOut, 2);
      return;
    case A::Tab:
      Tab(R.Forward);
      return;
    case A::Escape:
      FDataLink->Reset();
      ClearSelection();
      if (!FOptions.Contains(dgAlwaysShowEditorKv)) HideEditor();
      // A border or a column being dragged, or records, let go.
      if (GetGridState() == gsRowSizing || GetGridState() == gsColSizing ||
          GetGridState() == gsColMoving || FMouseState == 7)
        SendMessage(GetHandle(), WM_CANCELMODE, 0, 0);
      return;
    case A::EditorOn:
      SetEditorMode(true);
      return;
    case A::ToggleNode:
    case A::ExpandNode:
    case A::CollapseNode: {
      const bool Expanded =
          R.Act == A::ToggleNode ? !FMemTable->GetNodeExpanded() : R.Act == A::ExpandNode;
      FMemTable->SetNodeExpanded(GetRow() - FTitleOffset, Expanded);
      return;
    }
  }
}

// [SECTION] Rows and tabs

void TCustomDBGridKv::NextRow(bool Select) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  // [Phase 1] An untouched new record stays at the end and goes elsewhere.
  if (DataSet->GetState() == dsInsert && !DataSet->GetModified() && !FDataLink->GetModified()) {
    if (!DataSet->GetEof()) DataSet->Cancel();
    return;
  }
  // [Phase 2] The next record.
  if (ShiftHeld())
    MoveAndSelect(Select, 1, false, !IsSelectionKindAllowed(gskRectangle));
  else
    MoveAndSelect(false, 1, false, true);
  // [Phase 3] Past the last record a new one, where the dataset may grow.
  if (DataSet->GetEof() && DataSet->GetCanModify() && !GetReadOnly() &&
      FOptions.Contains(dgEditingKv) && FAllowedOperations.Contains(alopAppendKv))
    DataSet->Append();
}

void TCustomDBGridKv::PriorRow(bool Select) {
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (DataSet->GetState() == dsInsert && !DataSet->GetModified() && DataSet->GetEof() &&
      !FDataLink->GetModified()) {
    DataSet->Cancel();
    return;
  }
  if (ShiftHeld())
    MoveAndSelect(Select, -1, false, !IsSelectionKindAllowed(gskRectangle));
  else
    MoveAndSelect(false, -1, false, true);
}

void TCustomDBGridKv::Tab(bool GoForward) {
  ClearSelection();
  TGridUpdateGuard Update(this);
  const Integer First = FIndicatorOffset;
  const Integer Last = GetColCount() - 1;
  if (Last < First) return;
  const Integer Start = GetCol();
  Integer C = Start;
  // Each column at most once, and one row change at most.
  for (Integer Steps = 0; Steps <= Last - First + 1; ++Steps) {
    if (GoForward) {
      if (++C > Last) {
        NextRow(false);
        C = First;
      }
    } else if (--C < First) {
      PriorRow(false);
      C = Last;
    }
    if (C == Start) return;
    if (GetTabStops(C)) {
      MoveCol(C, 0, false);
      return;
    }
  }
}

// [SECTION] Commands

void TCustomDBGridKv::CopyValueFromPriorRecord() {
  if (!FDataLink->GetActive() || FDataLink->GetActiveRecord() <= 0) return;
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(Index);
  if (!Column->CanModify(true)) return;
  TField* Field = Column->GetField();
  TDataSet* DataSet = Field->GetDataSet();
  const bool Lookup = Field->GetFieldKind() == fkLookup;
  // [Phase 1] The value in the record above (a lookup field's keys).
  Variant Value;
  SetActiveRecordIndex(FDataLink->GetActiveRecord() - 1);
  {
    struct TRestore {
      TCustomDBGridKv* Grid;
      ~TRestore() { Grid->RestoreActiveRecordIndex(); }
    } Restore{this};
    Value = Lookup ? DataSet->GetFieldValues(Field->GetKeyFields()) : Field->GetValue();
  }
  // [Phase 2] Into the current record, and into the editor.
  ClearSelection();
  if (Lookup)
    DataSet->SetFieldValues(Field->GetKeyFields(), Value);
  else
    Field->SetValue(Value);
  ShowEditor();
  if (GetInplaceEditor() && GetInplaceEditor()->Visible()) GetInplaceEditor()->SelectAll();
}

void TCustomDBGridKv::ApplySortingAfterCtrl() {
  if (!FOptionsKv.Contains(dgAutoSortMarkingKv)) return;
  if (OnSortMarkingChanged)
    OnSortMarkingChanged(this);
  else
    ApplySorting();
}

}  // namespace korvel
