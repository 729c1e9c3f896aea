// The grid's in-place editor and its drop-downs: opening the drop-down of
// the cell's edit style (pick list, month calendar, calculator) next to the
// editor, closing it with or without taking its value into the cell, keeping
// a size the user gave the list, closing it when the focus or the mouse goes
// elsewhere, and the edit buttons: the main button opens and closes the
// drop-down or steps the value, the column's other buttons fire their events
// or pop their menus up.
//
// Index:
//   [SECTION] Opening          DropDown
//   [SECTION] Closing          CloseUp, ListMouseUp, DataListCloseUp, DataListColumnMoved
//   [SECTION] Focus and mouse  WMKillFocus, WMSetFocus, CMCancelMode, DoMouseWheel
//   [SECTION] Buttons          MainButton, EditButtonDown, ButtonDown, EditButtonClick,
//                              EditButtonMouseUp, EditButtonMouseMove, StepFieldValue
#include <algorithm>

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/Forms.h"
#include "platform/controls/MonthCalClass.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/win/Caret.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::HasItems;

namespace {

// The widest text of Items on Canvas.
Integer WidestText(TCanvas* Canvas, TStrings* Items) {
  Integer Widest = 0;
  for (Integer I = 0; I < Items->GetCount(); ++I)
    Widest = std::max(Widest, Canvas->TextWidth(Items->GetStrings(I)));
  return Widest;
}

bool IsNumberType(const Variant& V) {
  switch (VarType(V)) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
      return true;
    default:
      return false;
  }
}

}  // namespace

// [SECTION] Opening

void TDBGridInplaceEdit::DropDown() {
  if (FListVisible || !FActiveList) return;
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column) return;
  // [Phase 1] The style's list, set up for the cell.
  FActiveList->SetWidth(GetWidth());
  if (FActiveList == FDataList) {
    // The list dataset (the drop-down box's list source's, else the lookup
    // field's), in rows, titles, key, width and special row from the column
    // and multi-level titles and fitting from its drop-down box; the key of
    // the cell is the choice.
    TDataSet* ListSet = Column->GetDropDownListDataSet();
    TField* Field = Column->GetField();
    if (!ListSet || !Field) return;
    TPopupDataGridKv* List = FDataList;
    List->SetColor(GetColor());
    List->SetFont(GetFont());
    List->SetSpecRow(Column->GetDropDownSpecRow());
    Integer Rows = Integer(Column->GetDropDownRows());
    const Integer Count = ListSet->IsSequenced() ? ListSet->GetRecordCount() : 0;
    if (Count > 0 && Count < Rows) Rows = Count;
    List->UpdateHeightForRows(Rows);
    List->SetShowTitles(Column->GetDropDownShowTitles());
    FDataSource->SetDataSet(ListSet);
    List->SetKeyField(Field->GetLookupKeyFields());
    List->ListFieldIndex = 0;
    List->SetListField(Column->GetLookupDisplayFields());
    List->SetListAutoFitColWidths(false);
    List->SetUseMultiTitle(Column->GetDropDownBox()->GetUseMultiTitle());
    List->SetListSource(FDataSource);
    const Integer Width = Column->GetDropDownWidth();
    if (Width == -1)
      List->SetClientWidth(List->GetColumnsWidth());
    else if (Width > 0)
      List->SetWidth(Width);
    if (List->GetWidth() < GetWidth()) List->SetWidth(GetWidth());
    List->SetKeyValue(Grid->FEditValue);
    FDataListColumnsMoved = false;
    List->OnColumnMoved = TMovedKvEvent(this, &TDBGridInplaceEdit::DataListColumnMoved);
    List->SetListAutoFitColWidths(Column->GetDropDownBox()->GetAutoFitColWidths());
  } else if (FActiveList == FCalendar) {
    FCalendar->SetColor(GetColor());
    FCalendar->SetFont(GetFont());
    const String Text = GetText();
    TDateTime Value = Date();
    if (!Text.empty() && !TryStrToDate(Text, Value)) {
      TField* Field = Column->GetField();
      const TDateTime Stored = Field && !Field->IsNull() ? Field->GetAsDateTime() : 0;
      Value = Stored == 0 ? Date() : Stored;
    }
    FCalendar->SetDate(Value);
    FCalendar->HandleNeeded();
    TRect Min{};
    if (SendMessage(FCalendar->GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min))) {
      const Integer Border = 2 * FCalendar->GetBorderWidth();
      FCalendar->SetBounds(FCalendar->GetLeft(), FCalendar->GetTop(), Min.Width() + Border,
                           Min.Height() + Border);
    }
  } else if (FActiveList == FCalculator) {
    if (IPopupCalculatorKv* Calculator = dynamic_cast<IPopupCalculatorKv*>(FCalculator)) {
      // A text that is no number fails here, and the calculator stays shut.
      const String Text = GetText();
      Calculator->SetValue(Variant(Text.empty() ? 0.0 : double(StrToFloat(Text))));
      Calculator->SetFlat(Grid->GetFlat());
    }
    HideCaret(GetHandle());
    Deselect();
  } else if (FActiveList == FPickList) {
    TPopupListboxKv* List = FPickList;
    List->SetColor(GetColor());
    List->SetFont(GetFont());
    // Only the lines that have a key are offered when there is a key list.
    TStrings* Picks = Column->GetPickList();
    TStrings* Keys = Column->GetKeyList();
    TStrings* Items = List->GetItems();
    if (HasItems(Keys)) {
      Items->Clear();
      const Integer N = std::min(Picks->GetCount(), Keys->GetCount());
      for (Integer I = 0; I < N; ++I) Items->AddObject(Picks->GetStrings(I), Picks->GetObject(I));
    } else {
      Items->Assign(Picks);
    }
    const Integer Rows = std::min(Items->GetCount(), Integer(Column->GetDropDownRows()));
    List->SetHeight(List->GetItemHeight() * Rows + 4);
    TField* Field = Column->GetField();
    if (!Field || Field->IsNull())
      List->SetItemIndex(-1);
    else
      List->SetItemIndex(HasItems(Keys) ? Picks->IndexOf(GetText()) : Items->IndexOf(GetText()));
    List->HandleNeeded();
    List->SetClientWidth(
        std::max(List->GetClientWidth(), WidestText(List->GetCanvas(), Items) + 4));
  }
  // [Phase 2] A most-recently-used list gives way.
  if (MRUListDroppedDown()) CloseMRUList(FMRUList, false);
  // [Phase 3] Placed and shown; the focus stays here.
  const TAlignment Align = GetBiDiMode() == bdRightToLeft ? taRightJustify : taLeftJustify;
  FActiveList->HandleNeeded();
  const TPoint P = AlignDropDownWindow(this, FActiveList, Align);
  SetWindowPos(FActiveList->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
  FActiveList->SetVisible(true);
  if (FActiveList == FPickList) {
    FPickList->GetSizeGrip()->SetVisible(Column->GetDropDownSizing());
    FPickList->SetSizeGripResized(false);  // only the user's sizing counts from here
  } else if (FActiveList == FDataList) {
    FDataList->GetSizeGrip()->SetVisible(Column->GetDropDownSizing());
    FDataList->UpdateHeightForRows(FDataList->GetListRowCount());
    FDataList->SetSizedByUser(false);  // only the user's sizing counts from here
  }
  FListVisible = true;
  Invalidate();
  if (TEditButtonControlKv* Button = MainButton()) Button->SetAlwaysDown(true);
  FDroppedDown = true;
}

// [SECTION] Closing

void TDBGridInplaceEdit::CloseUp(bool Accept) {
  Variant Value = Null();
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  // [Phase 1] The focus comes back from the list.
  if (FActiveList && FActiveList->HandleAllocated()) {
    const HWND Focus = GetFocus();
    const HWND List = FActiveList->GetHandle();
    if (Focus && (Focus == List || IsChild(List, Focus))) SetFocus();
  }
  if (!FListVisible || !FActiveList) return;
  // [Phase 2] The button comes up, the mouse is let go, the list's value
  // and a size the user gave it are taken.
  if (TEditButtonControlKv* Button = MainButton()) Button->SetAlwaysDown(false);
  if (HWND Capture = GetCapture()) SendMessage(Capture, WM_CANCELMODE, 0, 0);
  TWinControl* List = FActiveList;
  if (List == FDataList && Column) {
    Value = FDataList->GetKeyValue();
    if (FDataList->GetSizedByUser()) {
      Column->SetDropDownRows(Cardinal(FDataList->GetListRowCount()));
      Column->SetDropDownWidth(FDataList->GetWidth());
    }
    if (FDataListColumnsMoved)
      Column->GetDropDownSpecRow()->SetCellsText(FDataList->GetSpecRow()->GetCellsText());
  }
  if (List == FPickList && Column) {
    const Integer Index = FPickList->GetItemIndex();
    if (Index >= 0) {
      TStrings* Keys = Column->GetKeyList();
      if (HasItems(Keys))
        Value = Index < Keys->GetCount() ? Variant(Keys->GetStrings(Index)) : Variant(Null());
      else
        Value = Variant(FPickList->GetItems()->GetStrings(Index));
    }
    if (FPickList->GetSizeGripResized()) {
      Column->SetDropDownRows(
          Cardinal(FPickList->GetClientHeight() / std::max(FPickList->GetItemHeight(), 1)));
      Column->SetDropDownWidth(FPickList->GetWidth());
    }
  }
  // [Phase 3] Hidden.
  SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  List->SetVisible(false);
  FDroppedDown = false;
  FListVisible = false;
  if (FDataList && List == FDataList) {
    FDataList->SetListAutoFitColWidths(false);
    FDataList->SetListSource(nullptr);
  }
  if (FDataSource) FDataSource->SetDataSet(nullptr);
  Invalidate();
  ShowCaret(GetHandle());
  if (!Grid || !Column) return;
  // The text the list leaves is no typing for the most-recently-used list.
  TFlagScope FromList(FTextFromList);
  // [Phase 4] Refused: the text from before the list was browsed.
  if (!Accept) {
    if (List == FPickList || List == FDataList) SetText(Grid->FEditText);
    return;
  }
  // [Phase 5] Accepted: the value of the style's list.
  if (List == FCalendar) {
    if (Column->CanModify(true) && Grid->CanModifySelectedField()) {
      const TDateTime Day = FCalendar->GetDate();
      if (TField* Field = Column->GetField()) Field->GetDataSet()->Edit();
      Column->UpdateDataValues(DateToStr(Day), Variant(double(Day)), false);
    }
  } else if (List == FCalculator) {
    IPopupCalculatorKv* Calculator = dynamic_cast<IPopupCalculatorKv*>(FCalculator);
    if (Calculator && Column->CanModify(true) && Grid->CanModifySelectedField()) {
      const Variant Number = Calculator->GetValue();
      if (IsNumberType(Number)) {
        SetText(VarToStr(Number));
        Grid->FEditText = GetText();
        SelectAll();
      }
    }
  } else if (List == FPickList) {
    if (!VarIsNull(Value) && Grid->CanModifySelectedField()) {
      const Integer Index = FPickList->GetItemIndex();
      if (HasItems(Column->GetKeyList()) && Index >= 0)
        SetText(FPickList->GetItems()->GetStrings(Index));
      else
        SetText(VarToStr(Value));
      Grid->FEditText = GetText();
      UpdateImageIndex();
    }
  }
  if (List == FDataList && FDataList) {
    TField* Field = Column->GetField();
    std::vector<TField*> Keys;
    if (dbgrid::LookupKeyFields(Field, Keys) && FieldsCanModify(Keys) &&
        Grid->CanModifySelectedField() && Column->CanModify(true)) {
      Field->GetDataSet()->Edit();
      if (Grid->GetDataLink()->GetEditing()) {
        Grid->GetDataLink()->Modified();
        Grid->FEditValue = Value;
        Grid->FEditText = FDataList->GetText();
      }
      SetText(FDataList->GetText());
      SelectAll();
    }
  }
}

void TDBGridInplaceEdit::ListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X,
                                     Integer Y) {
  if (Button != mbLeft || !FPickList) return;
  CloseUp(PtInRect(FPickList->GetClientRect(), Point(X, Y)));
}

void TDBGridInplaceEdit::DataListCloseUp(TObject*, bool Accept) { CloseUp(Accept); }

void TDBGridInplaceEdit::DataListColumnMoved(TObject*, Integer, Integer) {
  FDataListColumnsMoved = true;
}

// [SECTION] Focus and mouse

void TDBGridInplaceEdit::WMKillFocus(TWMKillFocus& Message) {
  // The input method and, unless the focus goes back to the grid, the
  // keyboard layout return to the screen's.
  if (SysLocale.FarEast) {
    SetImeName(Screen()->GetDefaultIme());
    SetImeMode(imDontCare);
    TCustomDBGridKv* Owner = GetGrid();
    const bool ToGrid =
        Owner && Owner->HandleAllocated() && Message.FocusedWnd == Owner->GetHandle();
    if (!ToGrid) ActivateKeyboardLayout(Screen()->GetDefaultKbLayout(), KLF_ACTIVATE);
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  TCustomDBGridKv* Grid = GetGrid();
  // The focus leaving as the windows go is no user's doing.
  if (GetComponentState().Contains(csDestroying) ||
      (Grid && Grid->GetComponentState().Contains(csDestroying)))
    return;
  const HWND To = Message.FocusedWnd;
  const bool ToList = FActiveList && FActiveList->HandleAllocated() && To &&
                      (To == FActiveList->GetHandle() || IsChild(FActiveList->GetHandle(), To));
  if (FListVisible && !ToList) {
    CloseUp(false);
  } else if (MRUListDroppedDown() &&
             !(FMRUListBox->HandleAllocated() && To == FMRUListBox->GetHandle())) {
    CloseMRUList(FMRUList, false);
  }
  // The grid repaints its selection when it loses the focus as a whole. No
  // window has the focus while it moves, so the window that takes it tells
  // whether the grid keeps it.
  if (!Grid || !Grid->HandleAllocated()) return;
  const bool Keeps = To && (To == Grid->GetHandle() || To == GetHandle());
  if (Keeps == Grid->FFocusedSeen) return;
  Grid->SelectionChanged();
  Grid->FFocusedSeen = Keeps;
}

void TDBGridInplaceEdit::WMSetFocus(TMessage& Message) {
  TCustomDBGridKv* Grid = GetGrid();
  if (Grid && Grid->IsFocused() != Grid->FFocusedSeen) Grid->SelectionChanged();
  inherited::Dispatch(Message);
}

// Another control starts a mode of its own (a press on it): an open list
// closes unless the press was on the list itself.
void TDBGridInplaceEdit::CMCancelMode(TMessage& Message) {
  inherited::Dispatch(Message);
  auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
  if (Sender == this || (Sender && ContainsControl(Sender))) return;
  auto Within = [&](TWinControl* List) {
    return List && Sender && (Sender == List || List->ContainsControl(Sender));
  };
  if (FListVisible && !Within(FActiveList)) CloseUp(false);
  if (MRUListDroppedDown() && !Within(FMRUListBox)) CloseMRUList(FMRUList, false);
}

// The wheel does not reach the grid while a list is open.
bool TDBGridInplaceEdit::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  if (FListVisible) return true;
  return inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
}

// [SECTION] Buttons

TEditButtonControlKv* TDBGridInplaceEdit::MainButton() const {
  return FEditButtonControls.empty() ? nullptr : FEditButtonControls.front().Button;
}

void TDBGridInplaceEdit::EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat,
                                        bool& Handled) {
  if (Visible()) SetFocus();
  Handled = false;
  auto* Control = static_cast<TEditButtonControlKv*>(Sender);
  // [Phase 1] The press that closed this button's menu does not open it again.
  if (HandleAllocated()) {
    MSG Queued;
    if (PeekMessage(&Queued, GetHandle(), WM_DROPDOWNMENUUPKV, WM_DROPDOWNMENUUPKV, PM_NOREMOVE) &&
        Queued.wParam == WPARAM(Control->GetTag())) {
      PeekMessage(&Queued, GetHandle(), WM_DROPDOWNMENUUPKV, WM_DROPDOWNMENUUPKV, PM_REMOVE);
      return;
    }
  }
  TColumnKv* Column = GetColumn();
  const Integer Index = Control->GetTag();
  // [Phase 2] The main button: the column's event, then the drop-down or the step.
  if (Index == 0) {
    if (Column && Column->OnEditButtonDown)
      Column->OnEditButtonDown(Sender, TopButton, AutoRepeat, Handled);
    if (!Handled) ButtonDown(!TopButton);
    return;
  }
  // [Phase 3] Another button: its event, then its menu under it.
  TEditButtonsKv* Items = Column ? Column->GetEditButtons() : nullptr;
  if (!Items || Index > Items->GetCount()) return;
  TEditButtonKv* Item = Items->GetItems(Index - 1);
  if (Item->OnDown) Item->OnDown(Sender, TopButton, AutoRepeat, Handled);
  if (Handled || !Item->GetDropdownMenu()) return;
  TPopupMenu* Menu = Item->GetDropdownMenu();
  const Integer X = Menu->GetAlignment() == paRight ? Control->GetWidth() : 0;
  const TPoint P = Control->ClientToScreen(Point(X, Control->GetHeight()));
  Menu->Popup(P.X, P.Y);
  if (HandleAllocated()) PostMessage(GetHandle(), WM_DROPDOWNMENUUPKV, WPARAM(Index), 0);
  // The menu took the button's release: let the button up.
  Control->Perform(WM_LBUTTONUP, 0, 0);
}

void TDBGridInplaceEdit::ButtonDown(bool Down) {
  if (FEditStyle == cesUpDownKv) {
    StepFieldValue(Down);
    return;
  }
  if (FDroppedDown) return;
  DropDown();
  FDropDownByButton = true;
}

// A press that opened the list is followed by a click that leaves it open;
// the click of a later press closes it.
void TDBGridInplaceEdit::EditButtonClick(TObject* Sender) {
  bool Handled = false;
  TColumnKv* Column = GetColumn();
  auto* Control = static_cast<TEditButtonControlKv*>(Sender);
  const Integer Index = Control->GetTag();
  const bool Main = Index == 0;
  if (Main) {
    if (FEditStyle == cesEllipsisKv || FEditStyle == cesDropDownKv) {
      if (TCustomDBGridKv* Grid = GetGrid()) Grid->EditButtonClick();
    }
    if (Column && Column->OnEditButtonClick) Column->OnEditButtonClick(Sender, Handled);
  } else if (Column && Index <= Column->GetEditButtons()->GetCount()) {
    Column->GetEditButtons()->GetItems(Index - 1)->Click(Sender, Handled);
  }
  if (!Handled && Main && FDroppedDown && !FDropDownByButton) CloseUp(false);
  FDropDownByButton = false;
}

void TDBGridInplaceEdit::EditButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, Integer X,
                                           Integer Y) {
  auto* Control = static_cast<TControl*>(Sender);
  if (!PtInRect(Control->GetClientRect(), Point(X, Y))) FDropDownByButton = false;
}

// Pressing the main button and dragging into its open list chooses there:
// the list takes the press over at that point.
void TDBGridInplaceEdit::EditButtonMouseMove(TObject* Sender, TShiftState, Integer X, Integer Y) {
  auto* Control = static_cast<TControl*>(Sender);
  if (Control != MainButton() || !FListVisible || !FActiveList || !Control->GetMouseCapture())
    return;
  const TPoint InList = FActiveList->ScreenToClient(Control->ClientToScreen(Point(X, Y)));
  const TRect Area = FActiveList == FDataList && FDataList ? FDataList->GetDataRect()
                                                           : FActiveList->GetClientRect();
  if (!PtInRect(Area, InList)) return;
  Control->Perform(WM_CANCELMODE, 0, 0);
  SendMessage(FActiveList->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON,
              MAKELPARAM(WORD(InList.X), WORD(InList.Y)));
}

void TDBGridInplaceEdit::StepFieldValue(bool Down) {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column || !Column->CanModify(true)) return;
  // [Phase 1] What was typed is written first, so that the step starts there.
  if (Grid->GetEditText(Grid->GetCol(), Grid->GetRow()) != GetText()) {
    Grid->SetEditText(Grid->GetCol(), Grid->GetRow(), GetText());
    Grid->UpdateData();
  }
  // [Phase 2] A number goes up with the top half; a list's entries run
  // downwards, so the top half goes back in the list.
  const Extended Increment = Column->GetIncrement();
  const bool Common = Column->GetColumnType() == ctCommonKv;
  Column->SetNextFieldValue((Common ? !Down : Down) ? Increment : -Increment);
}

}  // namespace korvel
