// The data-aware grid's answers to the base grid's editing questions (may a
// key reach the editor, may the cell change, which text, mask and length the
// editor gets), the writing of the editor's text back into the field, the
// dynamic methods that fire the grid's events, a column's pop-up menu on a
// right click, and the pressed-title tracking that the title painting reads.
//
// Index:
//   [SECTION] Column answers   ColumnKind, ColumnCanModify, WriteColumnValues (stand-ins)
//   [SECTION] Questions        CanEditAcceptKey, FieldCanModify, CanModifySelectedField,
//                              CanEditModify, CanEditShow, CanEditColumn
//   [SECTION] Editor text      GetEditText, SetEditText, GetEditMask, GetEditLimit, UpdateData
//   [SECTION] Columns and rows ColumnMoved, RowHeightsChanged, DefaultHandler
//   [SECTION] Title tracking   StopTracking, UpdateTitleTracking, InvalidateCells
//   [SECTION] Events           CellClick ... GetFooterParams
#include <algorithm>

#include "grid/DBGridKv.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Column answers

namespace {

// The kinds of column, by what it shows.
enum TColumnKind {
  ckPlain = 0,
  ckPickList = 1,
  ckLookup = 2,
  ckKeyPickList = 3,
  ckKeyImageList = 4,
  ckCheckboxes = 5
};

bool HasItems(TStrings* List) { return List && List->GetCount() > 0; }

// FIXME(grid): the column answers these itself once the column cell values
// exist (with its special row, its events and its MRU list).
TColumnKind ColumnKind(TColumnKv* Column) {
  TField* Field = Column->GetField();
  if (Column->GetCheckboxes()) return ckCheckboxes;
  if (Field && Field->GetFieldKind() == fkLookup) return ckLookup;
  const bool Keys = HasItems(Column->GetKeyList());
  const bool Picks = HasItems(Column->GetPickList());
  if (Picks && !Keys) return ckPickList;
  if (Column->GetImageList() && !Column->GetShowImageAndText()) return ckKeyImageList;
  if (Keys && Picks) return ckKeyPickList;
  return ckPlain;
}

// The fields an edit of Field writes: its key fields for a lookup field.
bool KeyFieldsOf(TField* Field, std::vector<TField*>& Keys) {
  if (Field->GetFieldKind() != fkLookup) return false;
  TDataSet* DataSet = Field->GetDataSet();
  if (DataSet) DataSet->GetFieldList(Keys, Field->GetKeyFields());
  return true;
}

}  // namespace

// May the column's field be modified (and with TryEdit: the edit started).
// FIXME(grid): the column answers this itself, with the keyboard's test of
// whether the current row may be edited or appended.
static bool ColumnCanModify(TCustomDBGridKv* Grid, TColumnKv* Column, bool TryEdit) {
  TGridDataLinkKv* Link = Grid->GetDataLink();
  TField* Field = Column->GetField();
  if (Grid->GetReadOnly() || !Link->GetActive() || Link->GetReadOnly() || Column->GetReadOnly() ||
      !Field)
    return false;
  std::vector<TField*> Tested;
  if (!KeyFieldsOf(Field, Tested)) Tested.push_back(Field);
  for (TField* F : Tested) {
    if (!F || !F->GetCanModify()) return false;
    if (F->IsBlob() && !F->OnSetText && !(F->GetDataType() == ftMemo && Grid->GetMemoEditing()))
      return false;
  }
  TDataSet* DataSet = Link->GetDataSet();
  const TDBGridKvAllowedOperations Allowed = Grid->GetAllowedOperations();
  if (!Allowed.Contains(alopUpdateKv) && DataSet->GetState() != dsInsert) return false;
  if (DataSet->IsEmpty() && !Allowed.Contains(alopInsertKv) && !Allowed.Contains(alopAppendKv))
    return false;
  if (!TryEdit) return true;
  Link->Edit();
  if (!Link->GetEditing()) return false;
  Link->Modified();
  return true;
}

// Writes an edited text (UseText) or value into the column's field.
// FIXME(grid): the column writes its value itself (update-data event, MRU
// list) once the column cell values exist.
static void WriteColumnValues(TCustomDBGridKv* Grid, TColumnKv* Column, const String& Text,
                              const Variant& Value, bool UseText) {
  TField* Field = Column->GetField();
  if (!Field) return;
  if (UseText) {
    if (Field->GetDataType() == ftMemo && Grid->GetMemoEditing())
      Field->SetAsString(Text);
    else
      Field->SetEditText(Text);
    return;
  }
  if (Field->GetFieldKind() != fkLookup || Field->GetKeyFields().empty())
    Field->SetValue(Value);
  else
    Field->GetDataSet()->SetFieldValues(Field->GetKeyFields(), Value);
}

// [SECTION] Questions

bool TCustomDBGridKv::CanEditAcceptKey(Char Key) {
  const Integer Index = GetSelectedIndex();
  TColumnKv* Column =
      Index >= 0 && Index < FColumns->GetCount() ? FColumns->GetColumn(Index) : nullptr;
  TField* Field = Column ? Column->GetField() : nullptr;
  if (!FDataLink->GetActive() || !Field) return EditorListMode() && EditorWritable();
  const bool Answer = EditorListMode() ? EditorWritable() : true;
  // A key list maps whatever is typed: any key goes.
  if (HasItems(Column->GetKeyList())) return Answer;
  return Answer && Field->IsValidChar(Key);
}

bool TCustomDBGridKv::FieldCanModify(TField* Field) {
  std::vector<TField*> Keys;
  if (!KeyFieldsOf(Field, Keys)) return Field->GetCanModify();
  return FieldsCanModify(Keys);
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
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return false;
  TColumnKv* Column = FColumns->GetColumn(Index);
  TField* Field = Column->GetField();
  if (Column->GetReadOnly() || !Field || !FieldCanModify(Field)) return false;
  // Of the blobs only a memo edited as text.
  if (Field->IsBlob() && !(FMemoEditing && Field->GetDataType() == ftMemo)) return false;
  if (!ColumnCanModify(this, Column, false)) return false;
  FDataLink->Edit();
  const bool Editing = FDataLink->GetEditing();
  if (Editing) FDataLink->Modified();
  return Editing;
}

bool TCustomDBGridKv::CanEditModify() {
  const Integer Index = GetSelectedIndex();
  if (Index >= 0 && Index < FColumns->GetCount() &&
      ColumnKind(FColumns->GetColumn(Index)) == ckCheckboxes)
    return false;
  if (InplaceSearching()) return false;
  return CanModifySelectedField();
}

bool TCustomDBGridKv::CanEditShow() {
  if (FLayoutLock > 0 || !inherited::CanEditShow()) return false;
  const Integer Index = GetSelectedIndex();
  bool Show = Index >= 0 && Index < FColumns->GetCount();
  if (Show) {
    const TColumnKind Kind = ColumnKind(FColumns->GetColumn(Index));
    Show = Kind != ckKeyImageList && Kind != ckCheckboxes;
  }
  if (Show && SelectionExists() && FOptionsKv.Contains(dgClearSelectionOnEditKv) &&
      FAllowedSelections.Contains(gskRectangle))
    Show = false;
  if (Show && InplaceSearching()) Show = false;
  if (!Show && GetInplaceEditor() && GetInplaceEditor()->Visible()) HideEdit();
  return Show;
}

bool TCustomDBGridKv::CanEditColumn(Integer DataCol) {
  if (DataCol < 0 || DataCol >= FColumns->GetCount()) return false;
  return ColumnCanModify(this, FColumns->GetColumn(DataCol), false) &&
         FOptions.Contains(dgEditingKv);
}

// [SECTION] Editor text

String TCustomDBGridKv::GetEditText(Integer ACol, Integer /*ARow*/) {
  String Text;
  const Integer Index = RawToDataColumn(ACol);
  TColumnKv* Column =
      Index >= 0 && Index < FColumns->GetCount() ? FColumns->GetColumn(Index) : nullptr;
  TField* Field = Column ? Column->GetField() : nullptr;
  if (FDataLink->GetActive() && Field) {
    // [Phase 1] The text: a key list shows the pick-list entry beside the key.
    if (HasItems(Column->GetKeyList())) {
      const Integer I = Column->GetKeyList()->IndexOf(Field->GetEditText());
      if (I >= 0 && I < Column->GetPickList()->GetCount())
        Text = Column->GetPickList()->GetStrings(I);
    } else if (FMemoEditing && Field->GetDataType() == ftMemo) {
      Text = AdjustLineBreaks(Field->GetAsString());
    } else {
      Text = Field->GetEditText();
    }
    // [Phase 2] A lookup field edits the key behind its text.
    // FIXME(grid): the special row of the column's drop-down takes part here
    // once the columns have one, and the column's cell-parameter event may
    // change the text.
    if (Field->GetFieldKind() == fkLookup && Field->GetLookupDataSet())
      FEditValue = Field->GetDataSet()->GetFieldValues(Field->GetKeyFields());
  }
  FEditText = Text;
  return Text;
}

void TCustomDBGridKv::SetEditText(Integer, Integer, const String& Value) { FEditText = Value; }

String TCustomDBGridKv::GetEditMask(Integer ACol, Integer) {
  if (!FDataLink->GetActive()) return {};
  const Integer Index = RawToDataColumn(ACol);
  if (Index < 0 || Index >= FColumns->GetCount()) return {};
  TColumnKv* Column = FColumns->GetColumn(Index);
  if (!Column->GetEditMask().empty()) return Column->GetEditMask();
  TField* Field = Column->GetField();
  if (!Field || HasItems(Column->GetKeyList())) return {};
  return Field->GetEditMask();
}

// The limit counts characters; a wide string field's size is in characters too.
Integer TCustomDBGridKv::GetEditLimit() {
  const Integer Index = GetSelectedIndex();
  if (!FDataLink->GetActive() || Index < 0 || Index >= FColumns->GetCount()) return 0;
  TColumnKv* Column = FColumns->GetColumn(Index);
  TField* Field = Column->GetField();
  if (!Field || HasItems(Column->GetKeyList())) return 0;
  const TFieldType Type = Field->GetDataType();
  return Type == ftString || Type == ftWideString ? Field->GetSize() : 0;
}

// The pending text goes into the field through its column: a key-list
// column writes the key beside the chosen text, a lookup column the key
// value behind it, any other column the text.
void TCustomDBGridKv::UpdateData() {
  const Integer Index = GetSelectedIndex();
  if (Index < 0 || Index >= FColumns->GetCount()) return;
  TColumnKv* Column = FColumns->GetColumn(Index);
  TField* Field = Column->GetField();
  if (!Field) {
    WriteColumnValues(this, Column, FEditText, Variant(FEditText), true);
    return;
  }
  // FIXME(grid): the column's not-in-list event is asked here for pick-list,
  // key-list and lookup texts once the columns have it.
  switch (ColumnKind(Column)) {
    case ckKeyPickList: {
      const Integer I = Column->GetPickList()->IndexOf(FEditText);
      TStrings* Keys = Column->GetKeyList();
      if (I >= 0 && I < Keys->GetCount())
        FEditValue = Variant(Keys->GetStrings(I));
      else if (I >= 0 || FEditText.empty())
        // A pick-list entry without a key, or no text: no key at all, never
        // the key of an earlier choice.
        FEditValue = Null();
      WriteColumnValues(this, Column, FEditText, FEditValue, false);
      return;
    }
    default:
      break;
  }
  if (Field->GetFieldKind() == fkLookup && Field->GetLookupDataSet()) {
    std::vector<TField*> Keys;
    KeyFieldsOf(Field, Keys);
    if (FieldsCanModify(Keys)) {
      Field->GetDataSet()->Edit();
      WriteColumnValues(this, Column, FEditText, FEditValue, false);
    }
    // The lookup field shows the text looked up for the key written; the
    // typed text is not forced on it, so text and key never disagree.
    return;
  }
  WriteColumnValues(this, Column, FEditText, Variant(FEditText), true);
}

// [SECTION] Columns and rows

void TCustomDBGridKv::ColumnMoved(Integer FromIndex, Integer ToIndex) {
  // FIXME(grid): the filter row's updates are suspended around the move, and
  // its editor placed again, with the filter row.
  const Integer From = RawToDataColumn(FromIndex);
  const Integer To = RawToDataColumn(ToIndex);
  if (From < 0 || From >= FColumns->GetCount() || To < 0 || To >= FColumns->GetCount()) return;
  FColumns->GetColumn(From)->SetIndex(To);
  if (OnColumnMoved) OnColumnMoved(this, From, To);
}

// A row the user sized gives every data row its height.
void TCustomDBGridKv::RowHeightsChanged() {
  if (FRowSizing) {
    FRowSizing = false;
    for (Integer Row = TitlesVisible() ? 1 : 0; Row < GetRowCount(); ++Row) {
      const Integer Height = GetRowHeights(Row);
      if (Height == GetDefaultRowHeight()) continue;
      FRowLines = 0;
      SetRowHeight(Height);
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
  if (!FTitleTracking.Tracking) return;
  // FIXME(grid): a row move in progress (mouse state 7) ends here with the
  // grid's record moving.
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
