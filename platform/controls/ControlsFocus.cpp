// TWinControl's keyboard and focus: the CN_ key steps the application's loop
// sends first (shortcuts, CM_CHILDKEY, dialog keys and characters), the key
// messages that reach the control (KeyPreview of the form, then KeyDown,
// KeyPress, KeyUp), CM_ENTER / CM_EXIT, focus, and the tab order.
#include <algorithm>

#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/VirtualKeys.h"

namespace kvp {

// [SECTION] Shortcuts and dialog keys (CN_ messages)

bool TWinControl::IsMenuKey(TWMKey& Message) {
  if (GetComponentState().Contains(csDesigning)) return false;
  for (TControl* C = this; C; C = C->GetParent())
    if (C->GetPopupMenu() && C->GetPopupMenu()->IsShortCut(Message)) return true;
  TCustomForm* Form = GetParentForm(this);
  if (Form && Form->IsShortCut(Message)) return true;
  return Application()->IsShortCut(Message);
}

void TWinControl::CNKeyDown(TWMKey& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (!GetComponentState().Contains(csDesigning)) {
    if (Perform(CM_CHILDKEY, Message.CharCode, this) != 0) return;
    LRESULT Mask = 0;
    switch (Message.CharCode) {
      case VK_TAB:
        Mask = DLGC_WANTTAB;
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        Mask = DLGC_WANTARROWS;
        break;
      case VK_RETURN:
      case VK_EXECUTE:
      case VK_ESCAPE:
      case VK_CANCEL:
        Mask = DLGC_WANTALLKEYS;
        break;
      default:
        break;
    }
    if (Mask != 0 && Perform(CM_WANTSPECIALKEY, Message.CharCode, Message.KeyData) == 0 &&
        (Perform(WM_GETDLGCODE) & Mask) == 0) {
      TCustomForm* Form = GetParentForm(this);
      if (Form && Form->Perform(CM_DIALOGKEY, Message.CharCode, Message.KeyData) != 0) return;
    }
  }
  Message.Result = 0;
}

void TWinControl::CNChar(TWMKey& Message) {
  Message.Result = 1;
  if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0) {
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->Perform(CM_DIALOGCHAR, Message.CharCode, Message.KeyData) != 0) return;
  }
  Message.Result = 0;
}

void TWinControl::CNSysKeyDown(TWMKey& Message) { Message.Result = IsMenuKey(Message) ? 1 : 0; }

void TWinControl::CNSysChar(TWMKey& Message) {
  Message.Result = 1;
  if (Message.CharCode != VK_SPACE) {
    TCustomForm* Form = GetParentForm(this);
    if (Form && Form->Perform(CM_DIALOGCHAR, Message.CharCode, Message.KeyData) != 0) return;
  }
  Message.Result = 0;
}

void TWinControl::CMChildKey(TCMChildKey& Message) {
  // Climbs to the form; nothing here takes the key unless a class does.
  if (FParent) Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMDialogKey(TWMKey& Message) { Broadcast(reinterpret_cast<TMessage&>(Message)); }

void TWinControl::CMDialogChar(TWMKey& Message) { Broadcast(reinterpret_cast<TMessage&>(Message)); }

// [SECTION] Key messages

bool TWinControl::DoKeyDown(TWMKey& Message) {
  TCustomForm* Form = GetParentForm(this);
  if (Form && Form != this && Form->GetKeyPreview() && Form->DoKeyDown(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    Word Key = Message.CharCode;
    KeyDown(Key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = Key;
    if (Key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TWMKey& Message) {
  TCustomForm* Form = GetParentForm(this);
  if (Form && Form != this && Form->GetKeyPreview() && Form->DoKeyPress(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    Char Key = Char(Message.WParam);
    KeyPress(Key);
    Message.WParam = WPARAM(Key);
    if (Key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TWMKey& Message) {
  TCustomForm* Form = GetParentForm(this);
  if (Form && Form != this && Form->GetKeyPreview() && Form->DoKeyUp(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    Word Key = Message.CharCode;
    KeyUp(Key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = Key;
    if (Key == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TWMKey& Message) {
  if (!DoKeyDown(Message)) inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TWinControl::WMKeyUp(TWMKey& Message) {
  if (!DoKeyUp(Message)) inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TWinControl::WMChar(TWMKey& Message) {
  if (!DoKeyPress(Message)) inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(Char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::WMMouseWheel(TWMMouseWheel& Message) {
  // The wheel goes to the form's focused control, then up its parents.
  TWinControl* Target = this;
  if (TCustomForm* Form = GetParentForm(this))
    if (Form->GetActiveControl()) Target = Form->GetActiveControl();
  WPARAM W = MAKEWPARAM(Message.Keys(), HIWORD(Message.WParam));
  Message.Result = Target->Perform(CM_MOUSEWHEEL, W, Message.LParam);
  if (Message.Result == 0) inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TWinControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0) return;
  TPoint Pt = SmallPointToPoint(Message.Pos);
  if (!(Pt.X == -1 && Pt.Y == -1) && FHandle) {
    TControl* Child = ControlAtPos(ScreenToClient(Pt), false);
    if (Child) {
      Message.Result = Child->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
      if (Message.Result != 0) return;
    }
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

// [SECTION] Focus

void TWinControl::CMEnter(TMessage&) { DoEnter(); }

void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

bool TWinControl::CanFocus() {
  TCustomForm* Form = GetParentForm(this);
  if (!Form) return false;
  for (TWinControl* C = this; C != Form; C = C->FParent)
    if (!C->FVisible || !C->FEnabled) return false;
  return true;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  if (TCustomForm* Form = GetParentForm(this)) {
    Form->FocusControl(this);
  } else if (FParentWindow) {
    ::kvp::SetFocus(GetHandle());
  } else {
    ValidParentForm(this);
  }
}

// [SECTION] Tab order

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle) {
    LONG_PTR Style = GetWindowLongPtr(FHandle, GWL_STYLE);
    SetWindowLongPtr(FHandle, GWL_STYLE,
                     Value ? (Style | WS_TABSTOP) : (Style & ~LONG_PTR(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED);
}

Integer TWinControl::GetTabOrder() const {
  if (!FParent) return -1;
  auto& List = FParent->FTabList;
  auto It = std::find(List.begin(), List.end(), this);
  return It == List.end() ? -1 : Integer(It - List.begin());
}

void TWinControl::SetTabOrder(Integer Value) {
  if (!FParent) return;
  auto& List = FParent->FTabList;
  Integer Current = GetTabOrder();
  if (Current < 0) return;
  Integer Count = Integer(List.size());
  if (Value < 0 || Value >= Count) Value = Count - 1;
  if (Value == Current) return;
  List.erase(List.begin() + Current);
  List.insert(List.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* C : FTabList) {
    List.push_back(C);
    C->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) {
  std::vector<TWinControl*> List;
  GetTabOrderList(List);
  Integer Count = Integer(List.size());
  if (Count == 0) return nullptr;
  auto It = std::find(List.begin(), List.end(), CurControl);
  Integer Start = It == List.end() ? -1 : Integer(It - List.begin());
  if (Start < 0) Start = GoForward ? Count - 1 : 0;
  Integer I = Start;
  do {
    if (GoForward) {
      if (++I == Count) I = 0;
    } else {
      if (I == 0) I = Count;
      --I;
    }
    TWinControl* C = List[std::size_t(I)];
    if (C->CanFocus() && (!CheckTabStop || C->FTabStop) && (!CheckParent || C->FParent == this))
      return C;
  } while (I != Start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* Next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (Next) Next->SetFocus();
}

void TWinControl::SelectFirst() {
  TCustomForm* Form = GetParentForm(this);
  if (!Form) return;
  TWinControl* C = Form->FindNextControl(nullptr, true, true, false);
  if (!C) C = Form->FindNextControl(nullptr, true, false, false);
  if (C) C->SetFocus();
}

}  // namespace kvp
