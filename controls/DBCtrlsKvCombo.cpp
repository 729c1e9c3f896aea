// The data-aware combo box: plain and key-based lists, the value and text
// roads of each, searching and completing as the user types, stepping with
// keys, the up-down button and the wheel, and the drop-down list.
//
// Index
//   [SECTION] TDropDownBoxKv
//   [SECTION] Construction      Construct, lists, Recount, SyncItemIndex
//   [SECTION] Item and value    InternalSetItemIndex, InternalSetText, InternalSetValue
//   [SECTION] Field and writing DataChange, InternalUpdatePostData, UpdateData
//   [SECTION] Searching         LocateStr, ProcessSearchKey, completion, SelectNextValue
//   [SECTION] Drop-down list    DropDown, CloseUp, the list's mouse and images
//   [SECTION] Keys and mouse    KeyDown, KeyPress, WndProc, mouse, wheel, messages
#include <algorithm>

#include "controls/DBCtrlsKvImpl.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbctrls::IsTypedChar;

// [SECTION] TDropDownBoxKv

void TDropDownBoxKv::KvPublish(TPublisher<TDropDownBoxKv>& P) {
  P.Prop("Align", &TDropDownBoxKv::GetAlign, &TDropDownBoxKv::SetAlign).Default(daLeft);
  P.Prop("AutoDrop", &TDropDownBoxKv::GetAutoDrop, &TDropDownBoxKv::SetAutoDrop).Default(false);
  P.Prop("Rows", &TDropDownBoxKv::GetRows, &TDropDownBoxKv::SetRows).Default(7);
  P.Prop("Sizable", &TDropDownBoxKv::GetSizable, &TDropDownBoxKv::SetSizable).Default(false);
  P.Prop("Width", &TDropDownBoxKv::GetWidth, &TDropDownBoxKv::SetWidth).Default(0);
}

void TDropDownBoxKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TDropDownBoxKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  FAlign = Src->FAlign;
  FAutoDrop = Src->FAutoDrop;
  FRows = Src->FRows;
  FSizable = Src->FSizable;
  FWidth = Src->FWidth;
}

// [SECTION] Construction

void TCustomDBComboBoxKv::Construct() {
  FItems.reset(TStringList::Create());
  FKeyItems.reset(TStringListKv::Create());
  FKeyItems->SetCaseSensitive(true);
  FDropDownBox.reset(TDropDownBoxKv::Create());
  inherited::Construct();
  FItems->OnChange = TNotifyEvent(this, &TCustomDBComboBoxKv::ItemsChanged);
  FKeyItems->OnChange = TNotifyEvent(this, &TCustomDBComboBoxKv::KeyItemsChanged);
}

void TCustomDBComboBoxKv::Destroy() {
  if (FItems) FItems->OnChange = nullptr;
  if (FKeyItems) FKeyItems->OnChange = nullptr;
  inherited::Destroy();
  FDropDownBox.reset();
  FKeyItems.reset();
  FItems.reset();
}

void TCustomDBComboBoxKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupListbox) {
    FPopupListbox = nullptr;
    FListDropped = false;
  }
}

TEditButtonKv* TCustomDBComboBoxKv::CreateEditButton() {
  return TVisibleEditButtonKv::Create(static_cast<TWinControl*>(this));
}

void TCustomDBComboBoxKv::SetImages(TCustomImageList* Value) {
  FEditImage->SetImages(Value);
  FEditImage->SetVisible(Value != nullptr);
}

void TCustomDBComboBoxKv::Recount() {
  FItemCount = FItems->GetCount();
  FKeyBased = FKeyItems->GetCount() > 0;
  if (FKeyBased) FItemCount = std::min(FItemCount, FKeyItems->GetCount());
  UpdateReadOnlyState();
}

void TCustomDBComboBoxKv::SyncItemIndex() {
  FItemIndex = FItems->IndexOf(GetEditText());
  SelectInList();
  UpdateImageIndex();
}

void TCustomDBComboBoxKv::SelectInList() {
  if (FListDropped && FPopupListbox) FPopupListbox->SetItemIndex(FItemIndex < FItemCount ? FItemIndex : -1);
}

// Either list changed. A key-based control shows the item of the value it
// holds (the value is never dropped by a change of the texts); a plain one
// finds its text among the new items.
void TCustomDBComboBoxKv::ItemsChanged(TObject*) {
  Recount();
  if (FKeyBased)
    InternalSetValue(FValue);
  else
    SyncItemIndex();
  ResetMaxLength();
}

void TCustomDBComboBoxKv::KeyItemsChanged(TObject* Sender) {
  ItemsChanged(Sender);
  DataChange(this);
}

void TCustomDBComboBoxKv::RequestItems() {
  if (FItems->GetCount() == 0 && OnGetItems) OnGetItems(this);
}

TAlignment TCustomDBComboBoxKv::GetDefaultAlignment() {
  return FKeyBased ? taLeftJustify : inherited::GetDefaultAlignment();
}

Variant TCustomDBComboBoxKv::GetVarValue() {
  return FKeyBased ? FValue : inherited::GetVarValue();
}

bool TCustomDBComboBoxKv::IsValidChar(Char InputChar) {
  return FKeyBased || inherited::IsValidChar(InputChar);
}

void TCustomDBComboBoxKv::ResetMaxLength() {
  if (GetMaxLength() > 0 && FKeyBased)
    SetMaxLength(0);
  else
    inherited::ResetMaxLength();
}

// Key-based: the window never takes typing; the search does.
void TCustomDBComboBoxKv::UpdateReadOnlyState() {
  inherited::UpdateReadOnlyState();
  if (FKeyBased) TCustomEdit::SetReadOnly(true);
}

void TCustomDBComboBoxKv::Clear() {
  if (FKeyBased)
    SetValue(Null());
  else
    inherited::Clear();
}

// [SECTION] Item and value

void TCustomDBComboBoxKv::SetItemIndex(Integer Value) {
  if (GetComponentState().Contains(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent() && GetField()) GetField()->GetDataSet()->Edit();
  InternalSetItemIndex(Value);
  UpdateData();
}

void TCustomDBComboBoxKv::InternalSetItemIndex(Integer Value) {
  if (Value == FItemIndex) return;
  RequestItems();
  if (Value < 0 || Value >= FItemCount) {
    FItemIndex = -1;
    FValue = Null();
  } else {
    FItemIndex = Value;
    if (FKeyBased) FValue = Variant(FKeyItems->Get(Value));
  }
  UpdateImageIndex();
  SelectInList();
  const Integer Chosen = FItemIndex;
  if (Chosen >= 0)
    SetEditText(FItems->Get(Chosen));
  else
    inherited::InternalSetText("");
  FItemIndex = Chosen;  // the text's change looked it up again; duplicates keep the choice
}

void TCustomDBComboBoxKv::InternalSetText(const String& AText) {
  if (!FKeyBased) {
    inherited::InternalSetText(AText);
    SyncItemIndex();
    return;
  }
  // A text that is not an item cannot become the value.
  const Integer I = FItems->IndexOf(AText);
  if (I < 0 || I >= FItemCount) return;
  FItemIndex = I;
  UpdateImageIndex();
  SelectInList();
  FValue = Variant(FKeyItems->Get(I));
  inherited::InternalSetText(AText);
  FItemIndex = I;
}

void TCustomDBComboBoxKv::InternalSetValue(const Variant& AValue) {
  if (!FKeyBased) {
    inherited::InternalSetValue(AValue);
    SyncItemIndex();
    return;
  }
  FValue = AValue;
  Integer I = -1;
  if (!VarIsNull(AValue)) {
    I = FKeyItems->IndexOf(VariantToText(AValue));
    // A key without a text to show is held as the value, with no item.
    if (I >= FItemCount) I = -1;
  }
  FItemIndex = I;
  SetEditText(I >= 0 ? FItems->Get(I) : String());
  FItemIndex = I;
  UpdateImageIndex();
  SelectInList();
}

void TCustomDBComboBoxKv::Change() {
  inherited::Change();
  if (FItems) SyncItemIndex();
}

void TCustomDBComboBoxKv::UpdateImageIndex() {
  FItemImageIndex = FItemIndex;
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, FItemIndex, FItemImageIndex);
  inherited::UpdateImageIndex();
}

String TCustomDBComboBoxKv::GetPaintText() {
  if (GetComponentState().Contains(csDesigning) && !FDataLink->IsActive()) return GetName();
  if (!FControlState.Contains(csPaintCopy) || !GetField()) return GetEditText();
  String S;
  if (FKeyBased) {
    const Integer I = FKeyItems->IndexOf(GetField()->GetText());
    if (I >= 0 && I < FItemCount) S = FItems->Get(I);
  } else {
    S = GetField()->GetDisplayText();
  }
  if (GetCharCase() == ecUpperCase) return AnsiUpperCase(S);
  if (GetCharCase() == ecLowerCase) return AnsiLowerCase(S);
  return S;
}

// [SECTION] Field and writing

void TCustomDBComboBoxKv::DataChange(TObject*) {
  if (!FItems) return;  // still being made
  TField* F = GetField();
  if (F) {
    // [Phase 1] What the field decides about the control.
    if (F->GetAlignment() != FAlignment) Invalidate();
    if (!FEditMaskAssigned) TCustomMaskEdit::SetEditMask(GetFieldEditMask());
    if (!GetComponentState().Contains(csDesigning) &&
        (F->GetDataType() == ftString || F->GetDataType() == ftWideString) &&
        GetMaxLength() == 0 && !FKeyBased)
      SetMaxLength(F->GetSize());
    // [Phase 2] Unfocused and plain: the display text; otherwise the field's
    // edit text is the value (the key, for a key-based control).
    if (!(FFocused && FDataLink->CanModify()) && !FKeyBased) {
      SetEditText(F->GetDisplayText());
    } else {
      // A Null field's edit text is '': the item of an empty key stands for it.
      InternalSetValue(Variant(F->GetText()));
    }
  } else {
    if (!FEditMaskAssigned) TCustomMaskEdit::SetEditMask("");
    if (IsDataIndependent() && FKeyBased)
      InternalSetValue(FDataLink->GetValue());
    else
      SetEditText(IsDataIndependent() ? VariantToText(FDataLink->GetValue()) : String());
  }
  UpdateReadOnlyState();
  SetModified(false);
}

// An unbound key-based box keeps its value itself, Null included.
void TCustomDBComboBoxKv::InternalUpdatePostData() {
  if (IsDataIndependent() && FKeyBased)
    FDataLink->SetValue(FValue);
  else if (IsDataIndependent())
    FDataLink->SetText(GetEditText());
  else
    FDataLink->SetText(VariantToText(GetValue()));
}

void TCustomDBComboBoxKv::UpdateData() {
  // An empty text is a cleared value, not a new one.
  if (OnNotInList && FItemIndex == -1 && !GetEditText().empty()) {
    bool Recheck = false;
    OnNotInList(this, GetEditText(), Recheck);
  }
  inherited::UpdateData();
}

// [SECTION] Searching

bool TCustomDBComboBoxKv::LocateStr(const String& S, bool Partial) {
  const Integer Old = FItemIndex;
  if (!EditCanModify()) return false;
  Integer Found = -1;
  for (Integer I = 0; I < FItemCount; ++I) {
    const String Item = Partial ? Copy(FItems->Get(I), 1, Length(S)) : FItems->Get(I);
    if (AnsiCompareText(Item, S) == 0) {
      Found = I;
      break;
    }
  }
  if (Found < 0) {
    if (!FKeyBased) InternalSetItemIndex(-1);
    return Old != FItemIndex;
  }
  InternalSetItemIndex(Found);
  // The completed tail after what was typed is selected; the caret stays
  // after the typed part.
  SetSelStart(Length(GetText()));
  SetSelLength(Length(S) - GetSelStart());
  return Found != Old;
}

void TCustomDBComboBoxKv::ProcessSearchKey(const String& Key) {
  if (!IsDataIndependent() && !GetField()) return;
  if (!EditCanModify()) return;
  const Integer TextLength = Length(GetText());
  if (Key != "\b") {
    RequestItems();
    LocateStr(Copy(GetText(), 1, GetSelStart()) + Key, true);
    return;
  }
  const Integer Selected = GetSelLength();
  SetSelStart(TextLength);
  if (Selected >= TextLength)
    SetSelLength(-1);
  else
    SetSelLength(-(Selected + 1));
}

void TCustomDBComboBoxKv::CompleteTyped(Char Typed) {
  if (Typed == U'.' || GetKeyState(VK_CONTROL) < 0) return;
  if (Typed != 8 && !IsTypedChar(Typed)) return;
  const Integer Start = GetSelStart();
  if (Typed != 8 && GetSelLength() == 0 && Start == Length(GetText())) {
    ProcessSearchKey("");
    return;
  }
  RequestItems();
  if (LocateStr(GetText(), false)) {
    SetSelStart(Length(GetText()));
    SetSelLength(Start - GetSelStart());
  }
}

void TCustomDBComboBoxKv::SelectNextValue(bool IsPrior) {
  const Integer Old = FItemIndex;
  if (!EditCanModify()) return;
  Integer I = Old;
  if (IsPrior) {
    if (I >= 1)
      --I;
    else if (I < 0)
      I = FItemCount - 1;
  } else if (I < FItemCount - 1) {
    ++I;
  }
  InternalSetItemIndex(I);
  if (FItemIndex != Old) SelectAll();
}

void TCustomDBComboBoxKv::DefaultButtonDown(bool IsDown) {
  if (FEditButton->GetStyle() != ebsUpDownKv) {
    inherited::DefaultButtonDown(IsDown);
    return;
  }
  if (EditCanModify()) SelectNextValue(!IsDown);
}

// [SECTION] Drop-down list

Integer TCustomDBComboBoxKv::WidestItem() {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  Integer Widest = 0;
  for (Integer I = 0; I < FItemCount; ++I) {
    TSize Size{};
    const String S = FItems->Get(I);
    GetTextExtentPoint32(DC, S, Length(S), &Size);
    Widest = std::max(Widest, Size.cx);
  }
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  Widest += 5;
  if (GetImages()) Widest += GetImages()->GetWidth() + 4;
  return Widest;
}

void TCustomDBComboBoxKv::DropDown() {
  if (FListDropped) return;
  // [Phase 1] The main button stays down; the control's event.
  inherited::DropDown();
  if (OnDropDown) OnDropDown(this);
  // [Phase 2] The list, made once.
  if (!FPopupListbox) {
    TClass Class = PopupListboxClass ? PopupListboxClass : TPopupListboxKv::StaticClass();
    FPopupListbox = static_cast<TPopupListboxKv*>(Class->Factory(this));
    FPopupListbox->SetVisible(false);
    FPopupListbox->SetCtl3D(true);
    FPopupListbox->SetParent(this);
    if (FPopupListbox->HandleAllocated())
      SetWindowPos(FPopupListbox->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
    FPopupListbox->OnMouseUp = TMouseEvent(this, &TCustomDBComboBoxKv::ListMouseUp);
    FPopupListbox->OnGetImageIndex =
        TListGetImageIndexEventKv(this, &TCustomDBComboBoxKv::ListGetImageIndex);
  }
  TPopupListboxKv* List = FPopupListbox;
  // [Phase 3] Its items, looks and rows; only the items that can be chosen.
  RequestItems();
  List->SetColor(GetColor());
  List->SetFont(GetFont());
  List->SetImages(GetImages());
  Integer ItemHeight = List->GetTextHeight();
  if (GetImages() && FEditImage->GetUseImageHeight() && GetImages()->GetHeight() >= ItemHeight)
    ItemHeight = GetImages()->GetHeight();
  List->SetItemHeight(ItemHeight);
  List->SetItemsSource(FItems.get());
  List->SetCount(FItemCount);
  List->SetItemIndex(FItemIndex < FItemCount ? FItemIndex : -1);
  List->SetRowCount(std::min(FDropDownBox->GetRows(), std::max(FItemCount, 1)));
  // [Phase 4] Its width, never less than the control's.
  if (FDropDownBox->GetWidth() == -1)
    List->SetClientWidth(WidestItem());
  else if (FDropDownBox->GetWidth() > 0)
    List->SetWidth(FDropDownBox->GetWidth());
  else
    List->SetWidth(GetWidth());
  if (List->GetWidth() < GetWidth()) List->SetWidth(GetWidth());
  // [Phase 5] Placed against the control and shown.
  TAlignment Align = FDropDownBox->GetAlign() == daRight    ? taRightJustify
                     : FDropDownBox->GetAlign() == daCenter ? taCenter
                                                            : taLeftJustify;
  if (UseRightToLeftAlignment() && Align != taCenter)
    Align = Align == taLeftJustify ? taRightJustify : taLeftJustify;
  const TPoint P = AlignDropDownWindow(this, List, Align);
  SetWindowPos(List->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
  List->SetVisible(true);
  List->GetSizeGrip()->SetVisible(FDropDownBox->GetSizable());
  List->SetSizeGripResized(false);  // only the user's resizing counts from here
  FListDropped = true;
  FListVisible = true;
}

void TCustomDBComboBoxKv::CloseUp(bool Accept) {
  if (!FListDropped) return;
  TPopupListboxKv* List = FPopupListbox;
  // [Phase 1] Hidden; a size the user gave it is kept.
  if (HWND Capture = GetCapture()) SendMessage(Capture, WM_CANCELMODE, 0, 0);
  const bool HadFocus = List->HandleAllocated() && GetFocus() == List->GetHandle();
  SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  List->SetVisible(false);
  if (List->GetSizeGripResized()) {
    FDropDownBox->SetRows(List->GetRowCount());
    FDropDownBox->SetWidth(List->GetWidth());
  }
  if (HadFocus) SetFocus();
  FListDropped = false;
  inherited::CloseUp(Accept);
  FListVisible = false;
  // [Phase 2] The choice.
  if (OnBeforeCloseUp) OnBeforeCloseUp(this, Accept);
  if (Accept && !FDBReadOnly && FDataLink->Edit()) {
    const Integer Chosen = List->GetItemIndex();
    if (Chosen < FItemCount) InternalSetItemIndex(Chosen);
    if (Focused()) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, Accept);
}

void TCustomDBComboBoxKv::ListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X,
                                      Integer Y) {
  if (Button != mbLeft || !FListDropped) return;
  CloseUp(PtInRect(FPopupListbox->GetClientRect(), Point(X, Y)));
}

void TCustomDBComboBoxKv::ListGetImageIndex(TObject*, Integer ItemIndex, Integer& ImageIndex) {
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, ItemIndex, ImageIndex);
}

void TCustomDBComboBoxKv::DragIntoList(TControl* From, Integer X, Integer Y) {
  if (!FListDropped || !From->GetMouseCapture()) return;
  const TPoint Screen = From->ClientToScreen(Point(X, Y));
  const TPoint InList = FPopupListbox->ScreenToClient(Screen);
  if (!PtInRect(FPopupListbox->GetClientRect(), InList)) return;
  From->SetMouseCapture(false);
  SendMessage(FPopupListbox->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON,
              MAKELPARAM(WORD(InList.X), WORD(InList.Y)));
}

// [SECTION] Keys and mouse

void TCustomDBComboBoxKv::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_UP || Key == VK_DOWN) {
    if (GetWordWrap() && GetSelLength() != Length(GetEditText())) return;
    if (FDBReadOnly || FListDropped || !EditCanModify()) return;
    SelectNextValue(Key == VK_UP);
    Key = 0;
  } else if (Key == VK_DELETE && FKeyBased) {
    TField* F = GetField();
    if (!IsDataIndependent() && (!F || F->GetRequired())) return;
    if (!FDBReadOnly && EditCanModify()) InternalSetValue(Null());
  }
}

void TCustomDBComboBoxKv::KeyPress(Char& Key) {
  if (FListDropped && (Key == 13 || Key == 27)) {
    CloseUp(Key == 13);
    Key = 0;
    return;
  }
  inherited::KeyPress(Key);
  if (Key == 0) return;
  if (Key == 8 && FKeyBased && !FDBReadOnly) {
    ProcessSearchKey("\b");
    Key = 0;
  } else if (IsTypedChar(Key)) {
    if (FDropDownBox->GetAutoDrop() && !FListDropped) DropDown();
    if (FKeyBased && !FDBReadOnly) {
      ProcessSearchKey(Utf8Encode(Key));
      Key = 0;
    }
  }
}

void TCustomDBComboBoxKv::WMChar(TWMKey& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  // A plain list completes what reached the text.
  if (!FKeyBased && Message.CharCode != 0) CompleteTyped(Char(Message.CharCode));
}

// While the list is open it takes the navigation keys; Enter and Escape close
// it through KeyPress (their key-downs are held back, as are characters: a
// '(' is typed, not taken for Down).
void TCustomDBComboBoxKv::WndProc(TMessage& Message) {
  if (FListDropped && FPopupListbox) {
    if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN) {
      const Word Key = Word(Message.WParam);
      const TShiftState Shift = KeyDataToShiftState(Integer(Message.LParam));
      const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
      const TShortCut SC = ShortCut(Key, Shift);
      bool IsShortCut = false;
      for (Integer I = 0; I < GetButtonCount(); ++I)
        if (SC != 0 && EditButtonOfRecord(I)->GetShortCut() == SC) IsShortCut = true;
      if (!IsShortCut) {
        if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT ||
            ((Key == VK_HOME || Key == VK_END) && Ctrl)) {
          SendMessage(FPopupListbox->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
          return;
        }
        if (Key == VK_RETURN || Key == VK_ESCAPE) return;
      }
    } else if (Message.Msg == CM_MOUSEWHEEL) {
      if (WheelToList(FPopupListbox, Message)) return;
    }
  }
  inherited::WndProc(Message);
}

void TCustomDBComboBoxKv::CMWantSpecialKey(TWMKey& Message) {
  if ((Message.CharCode == VK_RETURN || Message.CharCode == VK_ESCAPE) && FListDropped) {
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomDBComboBoxKv::DefaultHandler(TMessage& Message) {
  if (FKeyBased && HandleAllocated()) {
    if (Message.Msg >= WM_LBUTTONDOWN && Message.Msg <= WM_MBUTTONDBLCLK) {
      if (Message.Msg == WM_RBUTTONUP) {
        const TPoint P = ClientToScreen(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
        SendMessage(GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetHandle()),
                    MAKELPARAM(WORD(P.X), WORD(P.Y)));
      }
      return;
    }
  }
  inherited::DefaultHandler(Message);
}

void TCustomDBComboBoxKv::WMSetCursor(TMessage& Message) {
  if (FKeyBased) {
    kvp::SetCursor(LoadCursor(nullptr, IDC_ARROW));
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(Message);
}

void TCustomDBComboBoxKv::WMPaste(TMessage& Message) {
  if (!FKeyBased) {
    inherited::Dispatch(Message);
    return;
  }
  if (Clipboard()->HasFormat(CF_TEXT)) ProcessSearchKey(Clipboard()->GetAsText());
}

void TCustomDBComboBoxKv::WMKillFocus(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FListDropped && FPopupListbox &&
      reinterpret_cast<HWND>(Message.WParam) != FPopupListbox->GetHandle())
    CloseUp(false);
}

void TCustomDBComboBoxKv::CMCancelMode(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!FListDropped || !FPopupListbox) return;
  auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
  if (Sender == this || (Sender && ContainsControl(Sender)) || Sender == FPopupListbox ||
      (Sender && FPopupListbox->ContainsControl(Sender)))
    return;
  CloseUp(false);
}

void TCustomDBComboBoxKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button == mbLeft && FKeyBased && !PtInRect(ButtonsRect(), Point(X, Y)) &&
      !Shift.Contains(ssDouble) && IsEnabledAndActive() && !FListDropped) {
    if (!Focused() && CanFocus()) SetFocus();
    FJustDropped = true;
    DropDown();
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomDBComboBoxKv::Click() {
  if (FKeyBased && FListDropped && !FJustDropped) CloseUp(false);
  FJustDropped = false;
  inherited::Click();
}

void TCustomDBComboBoxKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  DragIntoList(this, X, Y);
}

void TCustomDBComboBoxKv::EditButtonMouseMove(TObject* Sender, TShiftState Shift, Integer X,
                                              Integer Y) {
  inherited::EditButtonMouseMove(Sender, Shift, X, Y);
  if (IsMainButtonControl(Sender)) DragIntoList(static_cast<TControl*>(Sender), X, Y);
}

bool TCustomDBComboBoxKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (inherited::DoMouseWheelDown(Shift, MousePos)) return true;
  if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return false;
  if (FDBReadOnly || !FDataLink->Edit()) return false;
  SelectNextValue(false);
  return true;
}

bool TCustomDBComboBoxKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (inherited::DoMouseWheelUp(Shift, MousePos)) return true;
  if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return false;
  if (FDBReadOnly || !FDataLink->Edit()) return false;
  SelectNextValue(true);
  return true;
}

// [SECTION] TDBComboBoxKv

void TDBComboBoxKv::KvPublish(TPublisher<TDBComboBoxKv>& P) {
  P.Prop("Alignment", &TDBComboBoxKv::GetAlignment, &TDBComboBoxKv::SetAlignment)
      .Stored(&TDBComboBoxKv::IsAlignmentStored);
  P.Prop("AlwaysShowBorder", &TDBComboBoxKv::GetAlwaysShowBorder,
         &TDBComboBoxKv::SetAlwaysShowBorder)
      .Default(false);
  P.Prop("BorderStyle", &TDBComboBoxKv::GetBorderStyle, &TDBComboBoxKv::SetBorderStyle)
      .Default(bsSingle);
  P.Prop("DataField", &TDBComboBoxKv::GetDataField, &TDBComboBoxKv::SetDataField);
  P.Prop("DataSource", &TDBComboBoxKv::GetDataSource, &TDBComboBoxKv::SetDataSource);
  P.Prop("DropDownBox", &TDBComboBoxKv::GetDropDownBox, &TDBComboBoxKv::SetDropDownBox);
  P.Prop("EditButton", &TDBComboBoxKv::GetEditButton, &TDBComboBoxKv::SetEditButton);
  P.Prop("EditButtons", &TDBComboBoxKv::GetEditButtons, &TDBComboBoxKv::SetEditButtons);
  P.Prop("EditMask", &TDBComboBoxKv::GetEditMask, &TDBComboBoxKv::SetEditMask).Stored(false);
  P.Prop("Flat", &TDBComboBoxKv::GetFlat, &TDBComboBoxKv::SetFlat).Default(false);
  P.Prop("HighlightRequired", &TDBComboBoxKv::GetHighlightRequired,
         &TDBComboBoxKv::SetHighlightRequired)
      .Default(false);
  P.Prop("Images", &TDBComboBoxKv::GetImages, &TDBComboBoxKv::SetImages);
  P.Prop("Items", &TDBComboBoxKv::GetItems, &TDBComboBoxKv::SetItems);
  P.Prop("KeyItems", &TDBComboBoxKv::GetKeyItems, &TDBComboBoxKv::SetKeyItems);
  P.Prop("MRUList", &TDBComboBoxKv::GetMRUList, &TDBComboBoxKv::SetMRUList);
  P.Prop("ReadOnly", &TDBComboBoxKv::GetReadOnly, &TDBComboBoxKv::SetReadOnly).Default(false);
  P.Prop("ShowHint", &TDBComboBoxKv::GetShowHint, &TDBComboBoxKv::SetShowHint).Default(false);
  P.Prop("Text", &TDBComboBoxKv::GetText, &TDBComboBoxKv::SetText)
      .Stored(&TDBComboBoxKv::IsTextStored);
  P.Prop("Tooltips", &TDBComboBoxKv::GetTooltips, &TDBComboBoxKv::SetTooltips).Default(false);
  P.Prop("Visible", &TDBComboBoxKv::GetVisible, &TDBComboBoxKv::SetVisible).Default(true);
  P.Prop("WordWrap", &TDBComboBoxKv::GetWordWrap, &TDBComboBoxKv::SetWordWrap).Default(false);
  P.Prop("OnButtonClick", &TDBComboBoxKv::OnButtonClick);
  P.Prop("OnButtonDown", &TDBComboBoxKv::OnButtonDown);
  P.Prop("OnCheckDrawRequiredState", &TDBComboBoxKv::OnCheckDrawRequiredState);
  P.Prop("OnCloseUp", &TDBComboBoxKv::OnCloseUp);
  P.Prop("OnDropDown", &TDBComboBoxKv::OnDropDown);
  P.Prop("OnGetImageIndex", &TDBComboBoxKv::GetOnGetImageIndex, &TDBComboBoxKv::SetOnGetImageIndex);
  P.Prop("OnGetItemImageIndex", &TDBComboBoxKv::OnGetItemImageIndex);
  P.Prop("OnNotInList", &TDBComboBoxKv::OnNotInList);
  P.Prop("OnUpdateData", &TDBComboBoxKv::OnUpdateData);
}

}  // namespace korvel
