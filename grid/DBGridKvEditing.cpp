// The data-aware grid's answers to the base grid's editing questions (may a
// key reach the editor, may the cell change, which text, mask and length the
// editor gets), the writing of the editor's text back into the field, the
// dynamic methods that fire the grid's events, a column's pop-up menu on a
// right click, and the pressed-title tracking that the title painting reads.
//
// Index:
//   [SECTION] Questions        CanEditAcceptKey, FieldCanModify, CanModifySelectedField,
//                              CanModifyRecord, CanEditModify, CanEditShow, CanEditColumn
//   [SECTION] Editor text      GetEditText, SetEditText, GetEditMask, GetEditLimit, UpdateData
//   [SECTION] Columns and rows ColumnMoved, RowHeightsChanged, DefaultHandler
//   [SECTION] Title tracking   StopTracking, UpdateTitleTracking, InvalidateCells
//   [SECTION] Events           CellClick ... GetFooterParams
#include <algorithm>

#include "grid/DBGridKvImpl.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::HasItems;

namespace {

// The column of data column Index, or null off the columns.
TColumnKv* ColumnAt(TDBGridColumnsKv* Columns, Integer Index) {
  return Index >= 0 && Index < Columns->GetCount() ? Columns->GetColumn(Index) : nullptr;
}

}  // namespace

// [SECTION] Questions

bool TCustomDBGridKv::CanEditAcceptKey(Char Key) {
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  TField* Field = Column ? Column->GetField() : nullptr;
  if (!FDataLink->GetActive() || !Field) return EditorListMode() && EditorWritable();
  const bool Answer = EditorListMode() ? EditorWritable() : true;
  // A key list maps whatever is typed: any key goes.
  if (HasItems(Column->GetKeyList())) return Answer;
  return Answer && Field->IsValidChar(Key);
}

bool TCustomDBGridKv::FieldCanModify(TField* Field) {
  if (Field->GetFieldKind() != fkLookup) return Field->GetCanModify();
  std::vector<TField*> Keys;
  return dbgrid::LookupKeyFields(Field, Keys) && FieldsCanModify(Keys);
}

bool TCustomDBGridKv::CanModifySelectedField() {
  // A list editor decides by itself whether it may write.
  if (EditorListMode()) {
    const bool Writable = EditorWritable();
    if (Writable) {
      FDataLink->Edit();
      FDataLink->Modified();
    }
    return Writable;
  }
  if (GetReadOnly() || !FDataLink->GetActive() || FDataLink->GetReadOnly()) return false;
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  if (!Column) return false;
  TField* Field = Column->GetField();
  if (Column->GetReadOnly() || !Field || !FieldCanModify(Field)) return false;
  // Of the blobs only a memo edited as text.
  if (Field->IsBlob() && !(FMemoEditing && Field->GetDataType() == ftMemo)) return false;
  if (!Column->CanModify(false)) return false;
  FDataLink->Edit();
  const bool Editing = FDataLink->GetEditing();
  if (Editing) FDataLink->Modified();
  return Editing;
}

bool TCustomDBGridKv::CanModifyRecord() {
  if (!FDataLink->GetActive()) return false;
  TDataSet* DataSet = FDataLink->GetDataSet();
  if (!FAllowedOperations.Contains(alopUpdateKv) && DataSet->GetState() != dsInsert) return false;
  return !DataSet->IsEmpty() || FAllowedOperations.Contains(alopInsertKv) ||
         FAllowedOperations.Contains(alopAppendKv);
}

bool TCustomDBGridKv::CanEditModify() {
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  if (Column && Column->GetColumnType() == ctCheckboxesKv) return false;
  if (InplaceSearching()) return false;
  return CanModifySelectedField();
}

bool TCustomDBGridKv::CanEditShow() {
  if (FLayoutLock > 0 || !inherited::CanEditShow()) return false;
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  bool Show = Column != nullptr;
  if (Show) {
    const TColumnKvType Kind = Column->GetColumnType();
    Show = Kind != ctKeyImageListKv && Kind != ctCheckboxesKv;
  }
  if (Show && SelectionExists() && FOptionsKv.Contains(dgClearSelectionOnEditKv) &&
      FAllowedSelections.Contains(gskRectangle))
    Show = false;
  if (Show && InplaceSearching()) Show = false;
  if (!Show && GetInplaceEditor() && GetInplaceEditor()->Visible()) HideEdit();
  return Show;
}

bool TCustomDBGridKv::CanEditColumn(Integer DataCol) {
  TColumnKv* Column = ColumnAt(FColumns, DataCol);
  return Column && Column->CanModify(false) && FOptions.Contains(dgEditingKv);
}

// [SECTION] Editor text

String TCustomDBGridKv::GetEditText(Integer ACol, Integer /*ARow*/) {
  String Text;
  TColumnKv* Column = ColumnAt(FColumns, RawToDataColumn(ACol));
  TField* Field = Column ? Column->GetField() : nullptr;
  if (FDataLink->GetActive() && Field) {
    // [Phase 1] The text: a key list shows the pick-list entry beside the
    // key, which is the value the cell edits.
    if (HasItems(Column->GetKeyList())) {
      const Integer I = Column->GetKeyList()->IndexOf(Field->GetEditText());
      if (I >= 0 && I < Column->GetPickList()->GetCount())
        Text = Column->GetPickList()->GetStrings(I);
      FEditValue = Field->GetValue();
    } else if (FMemoEditing && Field->GetDataType() == ftMemo) {
      Text = AdjustLineBreaks(Field->GetAsString());
    } else {
      Text = Field->GetEditText();
    }
    // [Phase 2] A lookup field edits the key behind its text, or the value
    // of the special row when the row stands for this key (or for a key the
    // lookup dataset lacks).
    if (Field->GetFieldKind() == fkLookup && Field->GetLookupDataSet()) {
      std::vector<TField*> Keys;
      FEditValue = dbgrid::LookupKeyFields(Field, Keys) && !Keys.empty()
                       ? Field->GetDataSet()->GetFieldValues(Field->GetKeyFields())
                       : Variant(Null());
      TSpecRowKv* SpecRow = Column->GetDropDownSpecRow();
      if (SpecRow->GetVisible() && (VarEquals(FEditValue, SpecRow->GetValue()) ||
                                    (SpecRow->GetShowIfNotInKeyList() && Field->IsNull()))) {
        FEditValue = SpecRow->GetValue();
        Text = SpecRow->CellText(0);
      }
    }
    // [Phase 3] The application may change the text the editor shows.
    TObjectPtr<TColCellParamsKv> Params(TColCellParamsKv::Create());
    Params->SetText(Text);
    Params->SetFont(GetCanvas()->GetFont());
    Column->GetCellParams(true, Params.get());
    Text = Params->GetText();
  }
  FEditText = Text;
  return Text;
}

void TCustomDBGridKv::SetEditText(Integer, Integer, const String& Value) { FEditText = Value; }

String TCustomDBGridKv::GetEditMask(Integer ACol, Integer) {
  if (!FDataLink->GetActive()) return {};
  TColumnKv* Column = ColumnAt(FColumns, RawToDataColumn(ACol));
  if (!Column) return {};
  if (!Column->GetEditMask().empty()) return Column->GetEditMask();
  TField* Field = Column->GetField();
  if (!Field || HasItems(Column->GetKeyList())) return {};
  return Field->GetEditMask();
}

// The limit counts characters; a wide string field's size is in characters too.
Integer TCustomDBGridKv::GetEditLimit() {
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  if (!FDataLink->GetActive() || !Column) return 0;
  TField* Field = Column->GetField();
  if (!Field || HasItems(Column->GetKeyList())) return 0;
  const TFieldType Type = Field->GetDataType();
  return Type == ftString || Type == ftWideString ? Field->GetSize() : 0;
}

// The pending text goes into the field through its column: a pick-list
// column writes the text (after asking about a text not in its list), a
// key-list column the key beside the chosen text, a lookup column the key
// value behind it, any other column the text.
void TCustomDBGridKv::UpdateData() {
  TColumnKv* Column = ColumnAt(FColumns, GetSelectedIndex());
  if (!Column) return;
  TField* Field = Column->GetField();
  if (!Field) {
    Column->UpdateDataValues(FEditText, Variant(FEditText), true);
    return;
  }
  switch (Column->GetColumnType()) {
    case ctPickListKv: {
      if (Column->OnNotInList && dbgrid::IndexOfText(Column->GetPickList(), FEditText) < 0) {
        bool Recheck = false;
        Column->OnNotInList(Column, FEditText, Recheck);
      }
      Column->UpdateDataValues(FEditText, Variant(FEditText), true);
      return;
    }
    case ctKeyPickListKv: {
      TStrings* Keys = Column->GetKeyList();
      auto KeyOf = [&](Integer I) {
        // A pick-list entry without a key is no key at all, never the key
        // of an earlier choice.
        return I < Keys->GetCount() ? Variant(Keys->GetStrings(I)) : Variant(Null());
      };
      Integer I = Column->GetPickList()->IndexOf(FEditText);
      if (I >= 0) {
        FEditValue = KeyOf(I);
      } else if (FEditText.empty()) {
        FEditValue = Null();
      } else if (Column->OnNotInList) {
        bool Recheck = false;
        Column->OnNotInList(Column, FEditText, Recheck);
        I = Recheck ? Column->GetPickList()->IndexOf(FEditText) : -1;
        FEditValue = I >= 0 ? KeyOf(I) : Variant(Null());
      }
      // Without a handler an unlisted text keeps the cell's key.
      Column->UpdateDataValues(FEditText, FEditValue, false);
      return;
    }
    default:
      break;
  }
  if (Field->GetFieldKind() == fkLookup && Field->GetLookupDataSet()) {
    // [Phase 1] A text typed without a key: its record in the lookup list,
    // or one the application adds when asked.
    TDataSet* List = Field->GetLookupDataSet();
    if (VarIsNull(FEditValue) && !FEditText.empty() && Column->OnNotInList && List->GetActive()) {
      auto Find = [&] {
        if (!List->Locate(Field->GetLookupResultField(), Variant(FEditText), {loCaseInsensitive}))
          return false;
        FEditValue = List->GetFieldValues(Field->GetLookupKeyFields());
        return true;
      };
      if (!Find()) {
        bool Recheck = false;
        Column->OnNotInList(Column, FEditText, Recheck);
        if (Recheck) Find();
      }
    }
    // [Phase 2] The key goes into the key fields. The lookup field shows the
    // text looked up for the key written; the typed text is not forced on
    // it, so text and key never disagree.
    std::vector<TField*> Keys;
    if (dbgrid::LookupKeyFields(Field, Keys) && FieldsCanModify(Keys)) {
      Field->GetDataSet()->Edit();
      Column->UpdateDataValues(FEditText, FEditValue, false);
    }
    return;
  }
  Column->UpdateDataValues(FEditText, Variant(FEditText), true);
}

// [SECTION] Columns and rows

void TCustomDBGridKv::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  const Integer From = RawToDataColumn(FromIndex);
  const Integer To = RawToDataColumn(ToIndex);
  if (From < 0 || From >= FColumns->GetCount() || To < 0 || To >= FColumns->GetCount()) return;
  {
    // The filter-row editor stays with the column it belongs to, and moves
    // once, after the column.
    dbgrid::TFilterUpdateGuard FilterHeld(FSTFilter);
    Integer& FilterCol = FFilterRow.Col;
    if (FilterCol == From)
      FilterCol = To;
    else if (From < To && FilterCol > From && FilterCol <= To)
      --FilterCol;
    else if (To < From && FilterCol >= To && FilterCol < From)
      ++FilterCol;
    FColumns->GetColumn(From)->SetIndex(To);
    if (OnColumnMoved) OnColumnMoved(this, From, To);
  }
  UpdateFilterEditor(false);
}

// A row the user sized gives every data row its height.
void TCustomDBGridKv::RowHeightsChanged() {
  if (FRowSizing) {
    FRowSizing = false;
    for (Integer Row = TitlesVisible() ? 1 : 0; Row < GetRowCount(); ++Row) {
      const Integer Height = GetRowHeights(Row);
      if (Height == GetDefaultRowHeight()) continue;
      // Both settings change in one layout, which runs even when the height
      // was RowHeight already: every data row takes it.
      BeginLayout();
      struct TCancel {
        TCustomDBGridKv* Grid;
        bool Done = false;
        ~TCancel() {
          if (!Done) Grid->CancelLayout();
        }
      } Cancel{this};
      SetRowLines(0);
      SetRowHeight(Height);
      Cancel.Done = true;
      EndLayout();
      break;
    }
    UpdateScrollBar();
  }
  inherited::RowHeightsChanged();
}

// A right click on a data column whose column has its own pop-up menu shows
// that menu in place of the grid's.
void TCustomDBGridKv::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_RBUTTONUP) {
    const TPoint Pt{SmallInt(LOWORD(Message.LParam)), SmallInt(HIWORD(Message.LParam))};
    const TGridCoord Cell = MouseCoord(Pt.X, Pt.Y);
    const Integer Index = RawToDataColumn(Cell.X);
    if (Cell.X >= FIndicatorOffset && Cell.Y >= 0 && Index < FColumns->GetCount()) {
      TPopupMenu* Menu = FColumns->GetColumn(Index)->GetPopupMenu();
      if (Menu && Menu->GetAutoPopup()) {
        SendMessage(GetHandle(), WM_CANCELMODE, 0, 0);
        Menu->SetPopupComponent(this);
        const TPoint Screen = ClientToScreen(Pt);
        Menu->Popup(Screen.X, Screen.Y);
        Message.Result = 1;
        return;
      }
    }
  }
  inherited::DefaultHandler(Message);
}

// [SECTION] Title tracking

void TCustomDBGridKv::StopTracking() {
  // The auto-scroll timer and the selecting drags end in any case.
  StopTimer();
  FRowSelectTracking = false;
  FCellSelectTracking = false;
  // A record drag ends too, its line erased, whether or not a title was
  // tracked.
  if (FMouseState == 7) EndRowMoving(-1, -1, false);
  if (!FTitleTracking.Tracking) return;
  FTitleTracking.Tracking = false;
  UpdateTitleTracking(-1, -1);
  SetMouseCapture(false);
  FTitleTracking.Col = -1;
  FMouseState = 0;
}

void TCustomDBGridKv::UpdateTitleTracking(Integer X, Integer Y) {
  bool Pressed = false;
  if (FTitleTracking.Col >= 0 && X >= 0 && Y >= 0 && X < GetClientWidth() &&
      Y < GetClientHeight()) {
    const TGridCoord Cell = MouseCoord(X, Y);
    Pressed = Cell.X == FTitleTracking.Col && Cell.Y == 0;
    const Integer Index = RawToDataColumn(FTitleTracking.Col);
    if (Pressed && FUseMultiTitle && Index >= 0 && Index < GetLeafCount()) {
      // Only the leaf part of a multi-level title is the button.
      const TRect R = CellRect(FTitleTracking.Col, 0);
      const Integer Leaf = GetLeaf(Index)->FLeaf ? GetLeaf(Index)->FLeaf->Height : 0;
      Pressed = Y >= R.Bottom - Leaf + 1 && Y <= R.Bottom;
    }
  }
  if (Pressed == FTitleTracking.Pressed) return;
  FTitleTracking.Pressed = Pressed;
  if (HandleAllocated() && GetRowCount() > 0) InvalidateGridRow(this, 0);
}

void TCustomDBGridKv::InvalidateCells(const TGridRect& Rect) {
  if (!HandleAllocated()) return;
  const TRect Box = BoxRect(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
  ::kvp::InvalidateRect(GetHandle(), &Box, FALSE);
}

// [SECTION] Events

void TCustomDBGridKv::CellClick(TColumnKv* Column) {
  if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGridKv::CheckTitleButton(Integer ACol, bool& Enabled) {
  if (ACol < 0 || ACol >= FColumns->GetCount()) {
    Enabled = false;
    return;
  }
  if (OnCheckTitleBtn) OnCheckTitleBtn(this, ACol, FColumns->GetColumn(ACol), Enabled);
}

void TCustomDBGridKv::ColEnter() {
  SetColumnIme();
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridKv::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TCustomDBGridKv::TitleClick(TColumnKv* Column) {
  if (OnTitleClick) OnTitleClick(this, Column ? Column->GetIndex() : -1, Column);
}

void TCustomDBGridKv::DrawColumnCell(const TRect& Rect, Integer DataCol, TColumnKv* Column,
                                     TGridDrawState State) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGridKv::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
  if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

void TCustomDBGridKv::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBGridKv::GetCellParams(TColumnKv* Column, TFont* AFont, TColor& Background,
                                    TGridDrawState State) {
  if (OnGetCellParams) OnGetCellParams(this, Column, AFont, Background, State);
}

void TCustomDBGridKv::GetFooterParams(Integer DataCol, Integer Row, TColumnKv* Column, TFont* AFont,
                                      TColor& Background, TAlignment& Alignment,
                                      TGridDrawState State, String& Text) {
  if (OnGetFooterParams)
    OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}

}  // namespace korvel
