// The grid's in-place editor and the keyboard: which keys go to an open
// drop-down or most-recently-used list, which open or close it, which the
// editor hands back to the grid; typing, pasting, Delete and Backspace in a
// cell bound to a list (the typed text is completed from the list); the
// edit buttons' shortcuts; double-click stepping; and the most-recently-used
// list that drops down under the text while the user types.
//
// Index:
//   [SECTION] Routing          WndProc, RouteListKey, DoDropDownKeys
//   [SECTION] Key down         KeyDown, HandKeyToGrid, DeleteInListCell,
//                              BackspaceInListCell, UpdateGridEditValue, KeyUp
//   [SECTION] Typing           KeyPress, ProcessTypedChar, AutoCompleteText, WMPaste,
//                              LocateStringsText, ShowCompleted, ShowBrowsedText
//   [SECTION] MRU list         UpdateMRUDropDown, DropDownMRUList, CloseMRUList,
//                              MRUListMouseUp, MRUListResized, FilterMRUItem, CreateMRUListBox
//   [SECTION] Mouse            MouseDown, MouseMove, MouseUp
#include <algorithm>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::HasItems;

namespace {

// Presses an edit button's control as its shortcut does: its down event
// for the whole (top) button, then its click.
struct TButtonPress : TEditButtonControlKv {
  static void Press(TEditButtonControlKv* Control) {
    bool AutoRepeat = false;
    (Control->*(&TButtonPress::DoButtonDown))(false, AutoRepeat);
    Control->Click();
  }
};

bool IsKeyDownMessage(UINT Msg) { return Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN; }

// The dataset of a lookup cell's list: the drop-down box's list source's,
// else the lookup field's own.
TDataSet* ListDataSetOf(TColumnKv* Column) {
  return Column ? Column->GetDropDownListDataSet() : nullptr;
}

}  // namespace

// [SECTION] Routing

void TDBGridInplaceEdit::WndProc(TMessage& Message) {
  // The wheel reaches the editor, which has the focus, before the form
  // hands it to the grid: while a list is open it turns nothing.
  if (Message.Msg == WM_MOUSEWHEEL && FListVisible) {
    Message.Result = 1;
    return;
  }
  if ((Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN || Message.Msg == WM_CHAR) &&
      RouteListKey(Message))
    return;
  inherited::WndProc(Message);
}

bool TDBGridInplaceEdit::RouteListKey(TMessage& Message) {
  const bool KeyDownMsg = IsKeyDownMessage(Message.Msg);
  // [Phase 1] The styles with a drop-down.
  const bool DropDownStyle =
      FEditStyle == cesPickListKv || FEditStyle == cesDataListKv || FEditStyle == cesDateKv ||
      (FEditStyle == cesDropDownKv && FCalculator && FActiveList == FCalculator);
  if (DropDownStyle) {
    const TShiftState Shift = KeyDataToShiftState(Integer(Message.LParam));
    // A character beyond the keys' range is no key of the table.
    if (Message.WParam <= 0xFFFF) {
      Word Key = Word(Message.WParam);
      DoDropDownKeys(Key, Shift);
      Message.WParam = Key;
    }
    TColumnKv* Column = GetColumn();
    if (Message.Msg == WM_CHAR && Message.WParam >= 32 && !FListVisible && Column &&
        Column->GetAutoDropDown())
      DropDown();
    if (FListVisible && FActiveList && Message.WParam != 0) {
      const WPARAM Key = Message.WParam;
      if (FActiveList == FCalculator) {
        if (Key == VK_RETURN || Key == VK_ESCAPE || (Key >= 32 && Key <= 126)) {
          SendMessage(FCalculator->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
          return true;
        }
      } else if (KeyDownMsg) {
        // Browsing keys; characters are typed, whatever key code they share.
        const bool Ctrl = Shift.Contains(ssCtrl);
        const bool NoShift = !Shift.Contains(ssShift);
        const bool ToList =
            ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && NoShift) ||
            ((Key == VK_HOME || Key == VK_END) && Ctrl) ||
            ((Key == VK_LEFT || Key == VK_RIGHT) && FActiveList == FCalendar);
        if (ToList) {
          SendMessage(FActiveList->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
          if (FActiveList == FDataList && FDataList) {
            ShowBrowsedText(FDataList->GetText());
          } else if (FActiveList == FPickList) {
            const Integer Index = FPickList->GetItemIndex();
            if (Index >= 0 && FPickList->GetItems()->GetStrings(Index) != GetText())
              ShowBrowsedText(FPickList->GetItems()->GetStrings(Index));
          }
          return true;
        }
      }
    }
  }
  // [Phase 2] The most-recently-used list.
  if (!MRUListDroppedDown()) return false;
  const Word Key = Message.WParam <= 0xFFFF ? Word(Message.WParam) : 0;
  if (KeyDownMsg) {
    const bool Alt = (Message.LParam & (LPARAM(1) << 29)) != 0;
    const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
    if (((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && !Alt) ||
        ((Key == VK_HOME || Key == VK_END) && Ctrl)) {
      SendMessage(FMRUListBox->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
      return true;
    }
    // Escape closes the list by its character; its key-down would reach the
    // grid and cancel the record's edit.
    return Key == VK_ESCAPE;
  }
  if (Message.Msg == WM_CHAR && (Key == 13 || Key == 27)) {
    CloseMRUList(FMRUList, Key == 13);
    return true;
  }
  return false;
}

void TDBGridInplaceEdit::DoDropDownKeys(Word& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN:
    case VK_ESCAPE:
      if (FListVisible && !Shift.Contains(ssAlt) && FActiveList != FCalculator) {
        CloseUp(Key == VK_RETURN);
        Key = 0;
      } else if (Key == VK_RETURN && !FListVisible && Shift == TShiftState{ssCtrl}) {
        DropDown();
        Key = 0;
      }
      break;
    case VK_UP:
    case VK_DOWN:
      if (Shift.Contains(ssAlt)) {
        if (FListVisible)
          CloseUp(true);
        else
          DropDown();
        Key = 0;
      }
      break;
    default:
      break;
  }
}

// [SECTION] Key down

void TDBGridInplaceEdit::HandKeyToGrid(Word& Key, TShiftState Shift) {
  if (TCustomDBGridKv* Grid = GetGrid()) Grid->KeyDown(Key, Shift);
  Key = 0;
}

void TDBGridInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid) {
    inherited::KeyDown(Key, Shift);
    return;
  }
  const TShortCut Pressed = ShortCut(Key, Shift);
  const TColumnKvType Kind = Column ? Column->GetColumnType() : ctCommonKv;
  const bool ListCell = Kind == ctLookupFieldKv || Kind == ctKeyPickListKv;
  // Ctrl+Enter clicks the ellipsis: no line break is typed.
  if (Key == VK_RETURN && Shift == TShiftState{ssCtrl} &&
      (FEditStyle == cesEllipsisKv || FEditStyle == cesDropDownKv)) {
    KillMessage(GetHandle(), WM_CHAR);
    Grid->EditButtonClick();
    return;
  }
  if (Key == VK_DELETE && Shift.Empty() && ListCell && Column->CanModify(false)) {
    DeleteInListCell(Key);
    return;
  }
  if (Key == VK_BACK && ListCell) {
    BackspaceInListCell(Key);
    if (Key != 0) inherited::KeyDown(Key, Shift);
    return;
  }
  if ((Key == VK_UP || Key == VK_DOWN) && FWordWrap) {
    // A wrapped text moves its caret line by line; from its first or last
    // line (or with all of it selected) the grid moves instead.
    if (!Grid->GetOptions().Contains(dgAlwaysShowEditorKv)) return;
    const Integer Line = Integer(SendMessage(GetHandle(), EM_LINEFROMCHAR, WPARAM(-1), 0));
    const Integer Lines = Integer(SendMessage(GetHandle(), EM_GETLINECOUNT, 0, 0));
    const bool AllSelected = GetSelStart() == 0 && GetSelLength() == Length(GetText());
    if ((Key == VK_UP && Line == 0) || (Key == VK_DOWN && Line == Lines - 1) || AllSelected)
      inherited::KeyDown(Key, Shift);
    return;
  }
  if (Key == VK_RETURN && !MRUListDroppedDown() &&
      Grid->GetOptionsKv().Contains(dgEnterMoveNextKv)) {
    HandKeyToGrid(Key, Shift);
    return;
  }
  if (Pressed != 0 && Pressed == CopyValueShortCut) {
    HandKeyToGrid(Key, Shift);
    return;
  }
  // Ctrl+F starts the grid's type-ahead search, or (with the find dialog on
  // the same key) ends a running one and opens the dialog on the editor's
  // selected text.
  if (Pressed != 0 && Grid) {
    const TDBGridKvOptionsKv Options = Grid->GetOptionsKv();
    const bool DialogOnSameKey = Options.Contains(dgFindDialogKv) &&
                                 FindDialogShortCut == InplaceSearchShortCut;
    const String FieldName = Column ? Column->GetFieldName() : String();
    if (Pressed == InplaceSearchShortCut && Options.Contains(dgInplaceSearchKv)) {
      if (Grid->InplaceSearching() && DialogOnSameKey) {
        Grid->StopInplaceSearch();
        Grid->ExecuteFindDialog(GetSelText(), FieldName, false);
      } else {
        Grid->InplaceSearchText(String(), -1, 2);
      }
      Key = 0;
      return;
    }
    if (Pressed == FindDialogShortCut && Options.Contains(dgFindDialogKv)) {
      Grid->ExecuteFindDialog(GetSelText(), FieldName, false);
      Key = 0;
      return;
    }
  }
  if (Column && FEditStyle == cesDataListKv && Pressed != 0) {
    TSpecRowKv* SpecRow = Column->GetDropDownSpecRow();
    if (SpecRow->GetVisible() && Pressed == SpecRow->GetShortCut() && Column->CanModify(false)) {
      if (Column->CanModify(true)) {
        SetText(SpecRow->CellText(0));
        Grid->FEditText = GetText();
        Grid->FEditValue = SpecRow->GetValue();
        if (FDataList) FDataList->SetKeyValue(Grid->FEditValue);
        SelectAll();
      }
      Key = 0;
      return;
    }
  }
  if (Pressed != 0 && Column) {
    TEditButtonsKv* Items = Column->GetEditButtons();
    for (Integer I = 1; I < Integer(FEditButtonControls.size()) && I <= Items->GetCount(); ++I) {
      if (Items->GetItems(I - 1)->GetShortCut() != Pressed) continue;
      TButtonPress::Press(FEditButtonControls[std::size_t(I)].Button);
      Key = 0;
      return;
    }
  }
  inherited::KeyDown(Key, Shift);
}

// The key is used up in every case: the edit window's own Delete would take
// one more character than the list allows.
void TDBGridInplaceEdit::DeleteInListCell(Word& Key) {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  Key = 0;
  const bool AllSelected = GetSelStart() == 0 && GetSelLength() == Length(GetText());
  if (AllSelected && Column->CanModify(true)) {
    // [Phase 1] Everything selected: the value is cleared.
    TField* Field = Column->GetField();
    if (FEditStyle == cesDataListKv) {
      std::vector<TField*> Keys;
      if (dbgrid::LookupKeyFields(Field, Keys) && FieldsCanModify(Keys)) {
        Field->GetDataSet()->Edit();
        Grid->GetDataLink()->Modified();
        Grid->FEditValue = Null();
        Grid->FEditText.clear();
        SetText("");
        if (FDataList) FDataList->SetKeyValue(Null());
      }
    } else if (FEditStyle == cesPickListKv && Column->GetColumnType() == ctKeyPickListKv) {
      SetText("");
      Grid->FEditText.clear();
    }
    return;
  }
  if (!Column->OnNotInList) return;
  // [Phase 2] Free text: the selection goes.
  const Integer Start = GetSelStart();
  SetText(GetTextWithoutSelection());
  SetSelStart(Start);
  SetSelLength(0);
  UpdateGridEditValue();
  FollowList();
}

void TDBGridInplaceEdit::BackspaceInListCell(Word& Key) {
  TColumnKv* Column = GetColumn();
  if (!Column->OnNotInList) {
    // A value from the list cannot lose a character: the caret only moves.
    Key = VK_LEFT;
    return;
  }
  Key = 0;
  if (!Column->CanModify(true)) return;
  Column->GetField()->GetDataSet()->Edit();
  // The selection (the completed tail) goes, and the character before it;
  // at the start of the text only the selection.
  const Integer Start = GetSelStart();
  String Text = GetTextWithoutSelection();
  Integer Caret = Start;
  if (Start > 0) {
    Delete(Text, Start, 1);
    Caret = Start - 1;
  }
  SetText(Text);
  SetSelStart(Caret);
  SetSelLength(0);
  UpdateGridEditValue();
  FollowList();
}

void TDBGridInplaceEdit::FollowList() {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (FEditStyle == cesDataListKv && FDataList && Grid) FDataList->SetKeyValue(Grid->FEditValue);
  if (FEditStyle == cesPickListKv && FPickList && Grid && Column)
    FPickList->SetItemIndex(LocateStringsText(Column->GetPickList(), Grid->FEditText, {}));
}

String TDBGridInplaceEdit::GetTextWithoutSelection() {
  String Text = GetText();
  Delete(Text, GetSelStart() + 1, GetSelLength());
  return Text;
}

void TDBGridInplaceEdit::UpdateGridEditValue() {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column || !Column->CanModify(true)) return;
  Grid->FEditText = GetText();
  if (FEditStyle != cesDataListKv) return;
  TDataSet* List = ListDataSetOf(Column);
  if (!List) return;
  TField* Field = Column->GetField();
  if (List->Locate(Field->GetLookupResultField(), Variant(GetText()), {loCaseInsensitive}))
    Grid->FEditValue = List->GetFieldValues(Field->GetLookupKeyFields());
  else
    Grid->FEditValue = Null();
}

void TDBGridInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
  const Word Released = Key;
  inherited::KeyUp(Key, Shift);
  if (Released == VK_CONTROL && FEditStyle == cesDataListKv && FListVisible && FDataList &&
      FDataList->HandleAllocated())
    SendMessage(FDataList->GetHandle(), WM_KEYUP, VK_CONTROL, 0);
}

// [SECTION] Typing

void TDBGridInplaceEdit::KeyPress(Char& Key) {
  ProcessTypedChar(Key);
  // Ctrl+Enter makes a line feed, which only a wrapped text takes.
  if (Key == 10 && !FWordWrap && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 &&
      GetKeyState(VK_MENU) >= 0)
    Key = 0;
  inherited::KeyPress(Key);
  // Backspace on an empty text offers the whole list. (The edit window takes
  // the key after this: the text is as it was before the key.)
  if (Key == 8 && GetText().empty() && GetMRUList() && GetMRUList()->GetActive() && Visible() &&
      !FListVisible)
    DropDownMRUList();
}

void TDBGridInplaceEdit::ProcessTypedChar(Char& Key) {
  FTypedText = Utf8Encode(Key);
  AutoCompleteText(FTypedText);
  if (FTypedText.empty()) Key = 0;
}

void TDBGridInplaceEdit::ShowCompleted(const String& Text, Integer Typed) {
  SetText(Text);
  SendMessage(GetHandle(), EM_SETSEL, WPARAM(Typed), LPARAM(Length(Text)));
}

void TDBGridInplaceEdit::ShowBrowsedText(const String& Text) {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) {
    SetText(Text);
    return;
  }
  TFlagScope Browsing(Grid->FLoadingEditor);
  SetText(Text);
}

void TDBGridInplaceEdit::AutoCompleteText(String& Text) {
  // [Phase 1] Control characters other than Backspace pass.
  if (Text.size() == 1 && static_cast<unsigned char>(Text[0]) < 32 && Text[0] != 8) return;
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column) return;
  TGridDataLinkKv* Link = Grid->GetDataLink();
  const bool Backspace = Text == "\b";
  auto TypedPrefix = [&] { return Copy(GetText(), 1, GetSelStart()) + Text; };
  // [Phase 2] A lookup cell: only what its list holds, or free text for the
  // not-in-list handler.
  TDataSet* List = ListDataSetOf(Column);
  if (FEditStyle == cesDataListKv && Grid->CanModifySelectedField() && Grid->CanModifyRecord() &&
      List) {
    if (Backspace) {
      Text.clear();
      return;
    }
    const String New = TypedPrefix();
    TField* Field = Column->GetField();
    if (List->Locate(Field->GetLookupResultField(), Variant(New),
                     {loCaseInsensitive, loPartialKey})) {
      TField* Result = List->FindField(Field->GetLookupResultField());
      const String Display = Result ? Result->GetEditText() : New;
      const Variant KeyValue = List->GetFieldValues(Field->GetLookupKeyFields());
      Link->Edit();
      if (Link->GetEditing()) {
        Link->Modified();
        ShowCompleted(Display, Length(New));
        Grid->FEditValue = KeyValue;
        Grid->FEditText = GetText();
        if (FDataList) FDataList->SetKeyValue(Grid->FEditValue);
      }
    } else if (Column->OnNotInList) {
      Link->Edit();
      if (Link->GetEditing()) {
        Link->Modified();
        ShowCompleted(New, Length(New));
        Grid->FEditValue = Null();
        Grid->FEditText = New;
      }
    }
    Text.clear();
    return;
  }
  // [Phase 3] A pick list: its line that starts with what was typed.
  const bool KeyPicks = Column->GetColumnType() == ctKeyPickListKv;
  if (!(KeyPicks || FEditStyle == cesPickListKv) || !Grid->CanModifySelectedField()) return;
  if (Backspace && KeyPicks) {
    Text.clear();
    return;
  }
  const String New = TypedPrefix();
  const Integer Index = LocateStringsText(Column->GetPickList(), New, {loPartialKey});
  if (Index >= 0) {
    Text.clear();
    Link->Edit();
    if (Link->GetEditing()) {
      Link->Modified();
      ShowCompleted(Column->GetPickList()->GetStrings(Index), Length(New));
      Grid->FEditText = GetText();
      if (FPickList) FPickList->SetItemIndex(Index);
    }
  } else if (Column->OnNotInList && KeyPicks) {
    Link->Edit();
    if (Link->GetEditing()) {
      Link->Modified();
      ShowCompleted(New, Length(New));
      Grid->FEditValue = Null();
      Grid->FEditText = New;
      if (FPickList) FPickList->SetItemIndex(-1);
    }
  }
  if (KeyPicks) Text.clear();
}

// A list cell takes pasted text as it takes typed text: completed from the
// list, or free text for the not-in-list handler.
void TDBGridInplaceEdit::WMPaste(TMessage& Message) {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column || !Grid->CanModifyRecord() || !Column->CanModify(false)) return;
  const bool KeyPicks = Column->GetColumnType() == ctKeyPickListKv;
  if (FEditStyle != cesDataListKv && !KeyPicks) {
    inherited::Dispatch(Message);
    return;
  }
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  const String Text = GetText();
  const Integer Start = GetSelStart();
  const String New = Copy(Text, 1, Start) + Clipboard()->GetAsText() +
                     Copy(Text, Start + GetSelLength() + 1, Length(Text));
  TGridDataLinkKv* Link = Grid->GetDataLink();
  // Shown only together with the pending value, so the cell never shows a
  // text it will not write.
  auto Apply = [&](const String& Shown, bool Found) {
    Link->Edit();
    if (!Link->GetEditing()) return false;
    Link->Modified();
    if (Found)
      ShowCompleted(Shown, Length(New));
    else
      ShowCompleted(Shown, Length(Shown));
    return true;
  };
  TDataSet* List = ListDataSetOf(Column);
  if (FEditStyle == cesDataListKv && List) {
    TField* Field = Column->GetField();
    if (List->Locate(Field->GetLookupResultField(), Variant(New),
                     {loCaseInsensitive, loPartialKey})) {
      TField* Result = List->FindField(Field->GetLookupResultField());
      const Variant KeyValue = List->GetFieldValues(Field->GetLookupKeyFields());
      if (Apply(Result ? Result->GetEditText() : New, true)) {
        Grid->FEditValue = KeyValue;
        Grid->FEditText = GetText();
      }
    } else if (Column->OnNotInList && Apply(New, false)) {
      Grid->FEditValue = Null();
      Grid->FEditText = New;
    }
    if (FDataList) FDataList->SetKeyValue(Grid->FEditValue);
    return;
  }
  if (FEditStyle == cesDataListKv) return;
  const Integer Index = LocateStringsText(Column->GetPickList(), New, {loPartialKey});
  bool Applied = false;
  if (Index >= 0 && Grid->CanModifySelectedField())
    Applied = Apply(Column->GetPickList()->GetStrings(Index), true);
  else if (Column->OnNotInList)
    Applied = Apply(New, false);
  if (!Applied) return;
  Grid->FEditText = GetText();
  if (FPickList) FPickList->SetItemIndex(Index);
}

Integer LocateStringsText(TStrings* Strings, const String& Text, TLocateOptions Options) {
  const bool Partial = Options.Contains(loPartialKey);
  const Integer N = Length(Text);
  for (Integer I = 0; I < Strings->GetCount(); ++I) {
    const String& Line = Strings->GetStrings(I);
    if (AnsiSameText(Partial ? Copy(Line, 1, N) : Line, Text)) return I;
  }
  return -1;
}

// [SECTION] MRU list

bool TDBGridInplaceEdit::MRUListDroppedDown() const {
  TMRUListKv* List = GetMRUList();
  return List && List->DroppedDown && FMRUListBox;
}

// Runs after the edit window handled a message that changed the text. A
// text chosen from a list, or put back when a list is refused, opens
// nothing. (The editor is loaded for a cell while hidden, so a cell's own
// text opens nothing either.)
void TDBGridInplaceEdit::UpdateMRUDropDown() {
  if (!FTextChanged) return;
  FTextChanged = false;
  if (FTextFromList) return;
  const String Empty = GetEditMask().empty() ? String() : FormatMaskText(GetEditMask(), "");
  if (MRUListDroppedDown() && GetText() == Empty) {
    CloseMRUList(FMRUList, false);
    return;
  }
  TMRUListKv* List = GetMRUList();
  if (List && List->GetActive() && Visible() && !FListVisible && GetText() != Empty)
    DropDownMRUList();
}

TMRUListboxKv* TDBGridInplaceEdit::CreateMRUListBox() {
  TMRUListboxKv* List = TMRUListboxKv::Create(this);
  List->SetVisible(false);
  List->SetCtl3D(false);
  List->SetSorted(true);
  List->SetParent(this);
  List->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::MRUListMouseUp);
  return List;
}

void TDBGridInplaceEdit::DropDownMRUList() {
  TMRUListKv* MRU = GetMRUList();
  if (!MRU || !HandleAllocated()) return;
  if (!FMRUListBox) FMRUListBox = CreateMRUListBox();
  TMRUListboxKv* List = FMRUListBox;
  List->HandleNeeded();
  // [Phase 1] The entries that start with the text.
  if (!MRU->FilterItemsTo(List->GetItems(), GetText())) {
    CloseMRUList(MRU, false);
    return;
  }
  const Integer Count = List->GetItems()->GetCount();
  const Integer Rows = std::min(Count, MRU->GetRows());
  TRect Format{};
  SendMessage(GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Format));
  const TPoint TopLeft = ClientToScreen(Format.TopLeft());
  const TRect Under = Bounds(TopLeft.X, TopLeft.Y, Format.Width(), Format.Height());
  // [Phase 2] An open list follows the text; one left without entries closes.
  if (MRU->DroppedDown) {
    const bool Resized = List->GetSizeGripResized();
    if (Rows > 0) List->SetRowCount(Rows);
    const TPoint P = AlignDropDownWindowRect(Under, List, taLeftJustify);
    SetWindowPos(List->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
    List->UpdateScrollBar();
    List->SetSizeGripResized(Resized);
    if (Count == 0) CloseMRUList(MRU, false);
    return;
  }
  if (Count == 0) return;
  // [Phase 3] A closed one opens with the editor's looks under the text.
  List->SetColor(GetColor());
  List->SetFont(GetFont());
  List->SetItemHeight(List->GetTextHeight());
  List->SetItemIndex(-1);
  List->SetWidth(MRU->Width > 0 && MRU->Width > Format.Width() ? MRU->Width : Format.Width());
  List->SetRowCount(Rows);
  const TPoint P = AlignDropDownWindowRect(Under, List, taLeftJustify);
  SetWindowPos(List->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
  List->SetVisible(true);
  List->GetSizeGrip()->SetVisible(true);
  List->UpdateScrollBar();
  MRU->DroppedDown = true;
  List->SetSizeGripResized(false);
  List->GetSizeGrip()->OnParentResized = TNotifyEvent(this, &TDBGridInplaceEdit::MRUListResized);
}

void TDBGridInplaceEdit::MRUListResized(TObject*) {
  if (!MRUListDroppedDown()) return;
  FMRUList->SetRows(FMRUListBox->GetRowCount());
  FMRUList->Width = FMRUListBox->GetWidth();
}

void TDBGridInplaceEdit::CloseMRUList(TObject*, bool Accept) {
  if (!MRUListDroppedDown()) return;
  TMRUListboxKv* List = FMRUListBox;
  if (HWND Capture = GetCapture()) SendMessage(Capture, WM_CANCELMODE, 0, 0);
  const bool HadFocus = List->HandleAllocated() && GetFocus() == List->GetHandle();
  SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  List->SetVisible(false);
  if (HadFocus) SetFocus();
  FMRUList->DroppedDown = false;
  if (!Accept || GetReadOnly()) return;
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) return;
  TGridDataLinkKv* Link = Grid->GetDataLink();
  Link->Edit();
  if (!Link->GetEditing()) return;
  // The chosen entry is written like typed text.
  Link->Modified();
  const Integer Index = List->GetItemIndex();
  if (Index >= 0) {
    // The entry chosen is no typing: the list does not drop down again.
    TFlagScope Chosen(FTextFromList);
    SetText(List->GetItems()->GetStrings(Index));
    Grid->FEditText = GetText();
  }
  if (Focused()) SelectAll();
}

void TDBGridInplaceEdit::MRUListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X,
                                        Integer Y) {
  if (Button != mbLeft || !MRUListDroppedDown()) return;
  CloseMRUList(FMRUList, PtInRect(FMRUListBox->GetClientRect(), Point(X, Y)));
}

void TDBGridInplaceEdit::FilterMRUItem(const String& Item, bool& Accept) {
  TMRUListKv* List = GetMRUList();
  const String Text = GetText();
  const String Head = Copy(Item, 1, Length(Text));
  const bool Cased = List && List->GetCaseSensitive();
  Accept = Cased ? AnsiSameStr(Head, Text) : AnsiSameText(Head, Text);
  if (List && List->OnFilterItem) List->OnFilterItem(GetColumn(), Accept);
}

// [SECTION] Mouse

// The mouse goes past the masked edit's and the base editor's handling to
// the control's own.
void TDBGridInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // A press on the node's box (the last slot of the indent, before the
  // text) expands or collapses the current record's node.
  TColumnKv* TreeColumn = GetColumn();
  TCustomDBGridKv* Grid = GetGrid();
  if (Grid && InTreeArea(TreeColumn)) {
    const Integer Indent = TreeIndent();
    const Integer At = TreeColumn->UseRightToLeftAlignment() ? GetClientWidth() - 1 - X : X;
    if (At >= Indent - 18 && At < Indent && Indent > 0) {
      IMemTableKv* Tree = Grid->GetMemTable();
      const Integer Row = Tree->GetActiveRecord();
      if (Row >= 0) Tree->SetNodeExpanded(Row, !Tree->GetNodeExpanded());
    }
  }
  TControl::MouseDown(Button, Shift, X, Y);
  TColumnKv* Column = GetColumn();
  if (Column && Column->GetDblClickNextVal() && Shift.Contains(ssDouble))
    Column->SetNextFieldValue(Shift.Contains(ssShift) ? -1 : 1);
}

void TDBGridInplaceEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TControl::MouseMove(Shift, X, Y);
}

void TDBGridInplaceEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TControl::MouseUp(Button, Shift, X, Y);
}

}  // namespace korvel
