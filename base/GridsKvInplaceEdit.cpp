// The in-place editor and the grid's side of the editing protocol: when the
// editor is made, loaded, placed, hidden, and how every change of its text
// reaches the grid at once.
//
// Index:
//   [SECTION] Editor: creation and placement
//   [SECTION] Editor: keys and messages
//   [SECTION] Grid side
#include "base/GridsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/Forms.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Caret.h"

namespace korvel {

using namespace kvp;

// [SECTION] Editor: creation and placement

void TInplaceEdit::Construct() {
  inherited::Construct();
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
}

void TInplaceEdit::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
}

void TInplaceEdit::BoundsChanged() {
  TRect R{2, 2, GetWidth() - 2, GetHeight()};
  SendMessage(GetHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
}

void TInplaceEdit::UpdateContents() {
  SetText("");
  SetEditMask(FGrid->GetEditMask(FGrid->GetCol(), FGrid->GetRow()));
  SetText(FGrid->GetEditText(FGrid->GetCol(), FGrid->GetRow()));
  SetMaxLength(FGrid->GetEditLimit());
}

void TInplaceEdit::Deselect() { SendMessage(GetHandle(), EM_SETSEL, 0x7FFFFFFF, LPARAM(-1)); }

// Repaints the editor and the grid's area under it.
void TInplaceEdit::Invalidate() {
  if (!HandleAllocated()) return;
  ValidateRect(GetHandle(), nullptr);
  InvalidateRect(GetHandle(), nullptr, TRUE);
  if (!FGrid || !FGrid->HandleAllocated()) return;
  const TRect R = GetBoundsRect();
  ValidateRect(FGrid->GetHandle(), &R);
  InvalidateRect(FGrid->GetHandle(), &R, FALSE);
}

void TInplaceEdit::Hide() {
  if (!HandleAllocated() || !IsWindowVisible(GetHandle())) return;
  const bool HadFocus = Focused();
  Invalidate();
  SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE);
  if (HadFocus && FGrid) ::kvp::SetFocus(FGrid->GetHandle());
}

void TInplaceEdit::InternalMove(const TRect& Loc, bool Redraw) {
  if (IsRectEmpty(Loc)) {
    Hide();
    return;
  }
  HandleNeeded();
  const HWND Wnd = GetHandle();
  Redraw = Redraw || !IsWindowVisible(Wnd);
  Invalidate();
  SetWindowPos(Wnd, nullptr, Loc.Left, Loc.Top, Loc.Width(), Loc.Height(),
               SWP_SHOWWINDOW | SWP_NOREDRAW | SWP_NOZORDER);
  BoundsChanged();
  if (Redraw) Invalidate();
  if (FGrid->Focused()) ::kvp::SetFocus(Wnd);
}

bool TInplaceEdit::Visible() { return HandleAllocated() && IsWindowVisible(GetHandle()); }

void TInplaceEdit::SetFocus() {
  if (Visible()) ::kvp::SetFocus(GetHandle());
}

// [SECTION] Editor: keys and messages

bool TInplaceEdit::EditCanModify() { return FGrid->CanEditModify(); }

void TInplaceEdit::DblClick() { FGrid->DblClick(); }

bool TInplaceEdit::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  return FGrid->DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TInplaceEdit::KeyUp(Word& Key, TShiftState Shift) { FGrid->KeyUp(Key, Shift); }

void TInplaceEdit::SendToGrid(Word& Key, TShiftState Shift) {
  FGrid->KeyDown(Key, Shift);
  Key = 0;
}

// The character position of the caret: where the caret shows, which is the
// moving end of a selection and need not be its start or its end.
Integer TInplaceEdit::CaretCharPos() {
  TPoint P;
  if (GetCaretOwner() != GetHandle() || !GetCaretPos(&P)) {
    DWORD Start = 0, Stop = 0;
    SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start),
                reinterpret_cast<LPARAM>(&Stop));
    return Integer(Stop);
  }
  return Integer(LOWORD(SendMessage(GetHandle(), EM_CHARFROMPOS, 0, MAKELPARAM(P.X, P.Y))));
}

// The caret stands at the start, with nothing selected or everything.
bool TInplaceEdit::CaretAtStart() {
  DWORD Start = 0, Stop = 0;
  SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start),
              reinterpret_cast<LPARAM>(&Stop));
  const DWORD Len = DWORD(Length(GetEditText()));
  return CaretCharPos() == 0 && Start == 0 && (Stop == 0 || Stop == Len);
}

// The caret stands at the end, with nothing selected or everything.
bool TInplaceEdit::CaretAtEnd() {
  DWORD Start = 0, Stop = 0;
  SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start),
              reinterpret_cast<LPARAM>(&Stop));
  const DWORD Len = DWORD(Length(GetEditText()));
  return DWORD(CaretCharPos()) == Len && (Start == 0 || Start == Stop) && Stop == Len;
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  const bool Forward = FGrid->GetOptions().Contains(goAlwaysShowEditor);
  const bool Ctrl = Shift.Contains(ssCtrl);
  auto ParentEvent = [&] {
    if (FGrid->OnKeyDown) FGrid->OnKeyDown(FGrid, Key, Shift);
  };
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      SendToGrid(Key, Shift);
      break;
    case VK_INSERT:
      if (Shift.Empty())
        SendToGrid(Key, Shift);
      else if (Shift == TShiftState{ssShift} && !FGrid->CanEditModify())
        Key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (Forward && (Ctrl || CaretAtStart())) SendToGrid(Key, Shift);
      break;
    case VK_RIGHT:
    case VK_END:
      if (Forward && (Ctrl || CaretAtEnd())) SendToGrid(Key, Shift);
      break;
    case VK_F2:
      ParentEvent();
      if (Key == VK_F2) {
        Deselect();
        return;
      }
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) SendToGrid(Key, Shift);
      break;
    case VK_DELETE:
      if (Ctrl)
        SendToGrid(Key, Shift);
      else if (!FGrid->CanEditModify())
        Key = 0;
      break;
    default:
      break;
  }
  if (Key == 0) return;
  ParentEvent();
  inherited::KeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(Char& Key) {
  FGrid->KeyPress(Key);
  if (Key >= 32 && !FGrid->CanEditAcceptKey(Key)) {
    Key = 0;
    MessageBeep(0);
  }
  switch (Key) {
    case 9:
    case 27:
      Key = 0;
      break;
    case 13: {
      DWORD Start = 0, Stop = 0;
      SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start),
                  reinterpret_cast<LPARAM>(&Stop));
      if (Start == 0 && Stop == DWORD(Length(GetEditText())))
        Deselect();
      else
        SelectAll();
      Key = 0;
      break;
    }
    case 8:
    case 22:
    case 24:
      if (!FGrid->CanEditModify()) Key = 0;
      break;
    default:
      if (Key >= 32 && !FGrid->CanEditModify()) Key = 0;
      break;
  }
  if (Key != 0) inherited::KeyPress(Key);
}

void TInplaceEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* Form = GetParentForm(this);
      if (Form == nullptr || Form->SetFocusedControl(FGrid)) Dispatch(Message);
      return;
    }
    case WM_LBUTTONDOWN:
      // A press soon after the grid's own press (that moved to this cell)
      // completes a double click. A click time of 0 is no press at all.
      if (FClickTime != 0 && UInt64(GetMessageTime()) - FClickTime < GetDoubleClickTime())
        Message.Msg = WM_LBUTTONDBLCLK;
      FClickTime = 0;
      break;
    default:
      break;
  }
  inherited::WndProc(Message);
}

void TInplaceEdit::WMGetDlgCode(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FGrid && FGrid->GetOptions().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
}

void TInplaceEdit::WMPaste(TMessage& Message) {
  if (EditCanModify()) inherited::Dispatch(Message);
}

void TInplaceEdit::WMCut(TMessage& Message) {
  if (EditCanModify()) inherited::Dispatch(Message);
}

void TInplaceEdit::WMClear(TMessage& Message) {
  if (EditCanModify()) inherited::Dispatch(Message);
}

// Visibility follows window positioning alone.
void TInplaceEdit::CMShowingChanged(TMessage& /*Message*/) {}

// [SECTION] Grid side

TInplaceEdit* TCustomGridKv::CreateEditor() { return TInplaceEdit::Create(this); }

bool TCustomGridKv::IsActiveControl() {
  if (TCustomForm* Form = GetParentForm(this)) return Form->GetActiveControl() == this;
  if (!HandleAllocated()) return false;
  const HWND Focus = GetFocus();
  return Focus != nullptr && (Focus == GetHandle() || IsChild(GetHandle(), Focus));
}

bool TCustomGridKv::CanEditShow() {
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
         !Designing() && !GetComponentState().Contains(csDestroying) && HandleAllocated() &&
         (FOptions.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TCustomGridKv::ShowEditor() {
  FEditorMode = true;
  UpdateEdit();
}

void TCustomGridKv::HideEditor() {
  FEditorMode = false;
  HideEdit();
}

void TCustomGridKv::SetEditorMode(bool Value) {
  if (!Value) {
    HideEditor();
    return;
  }
  ShowEditor();
  if (FInplaceEdit && FInplaceEdit->HandleAllocated()) FInplaceEdit->Deselect();
}

void TCustomGridKv::ShowEditorChar(Char Ch) {
  ShowEditor();
  if (FInplaceEdit && FInplaceEdit->HandleAllocated())
    PostMessage(FInplaceEdit->GetHandle(), WM_CHAR, WPARAM(Ch), 0);
}

void TCustomGridKv::InvalidateEditor() {
  FInplaceCol = -1;
  FInplaceRow = -1;
  UpdateEdit();
}

void TCustomGridKv::UpdateEdit() {
  if (!CanEditShow()) return;
  auto Load = [this] {
    FInplaceCol = FCurrent.X;
    FInplaceRow = FCurrent.Y;
    // Loading empties the editor before it takes the cell's text; handing
    // that empty text back would overwrite the very text being loaded. The
    // loaded text itself is handed back once, so the grid's pending text is
    // the cell's text from the start.
    {
      TFlagScope Loading(FLoadingEditor);
      FInplaceEdit->UpdateContents();
    }
    UpdateText();
    // A limit of -1 from GetEditLimit makes the cell read-only.
    FCanEditModifyFlag = FInplaceEdit->GetMaxLength() != -1;
    FInplaceEdit->SelectAll();
  };
  if (!FInplaceEdit) {
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetGrid(this);
    FInplaceEdit->SetParent(this);
    Load();
  } else if (FInplaceCol != FCurrent.X || FInplaceRow != FCurrent.Y) {
    HideEdit();
    Load();
  }
  // The handlers called while loading may have changed what may be shown.
  if (CanEditShow()) FInplaceEdit->UpdateLoc(CellRect(FCurrent.X, FCurrent.Y));
}

void TCustomGridKv::HideEdit() {
  if (!FInplaceEdit) return;
  UpdateText();
  FInplaceCol = -1;
  FInplaceRow = -1;
  FInplaceEdit->Hide();
}

void TCustomGridKv::UpdateText() {
  if (FInplaceCol != -1 && FInplaceRow != -1 && FInplaceEdit && !FLoadingEditor)
    SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->GetText());
}

void TCustomGridKv::DoExit() {
  inherited::DoExit();
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
}

// An editor that still holds the current cell follows it. One that was
// hidden and let go of its cell (the grid lost the focus) is not merely
// moved: shown like that it would take typing that reaches no cell. It is
// loaded again where it may show, and otherwise stays hidden.
void TCustomGridKv::TopLeftChanged() {
  if (!FEditorMode || !FInplaceEdit) return;
  if (FInplaceCol == FCurrent.X && FInplaceRow == FCurrent.Y)
    FInplaceEdit->Move(CellRect(FCurrent.X, FCurrent.Y));
  else
    UpdateEdit();
}

void TCustomGridKv::WMCommand(TWMCommand& Message) {
  if (FInplaceEdit && FInplaceEdit->HandleAllocated() && Message.Ctl == FInplaceEdit->GetHandle() &&
      HIWORD(Message.WParam) == EN_CHANGE)
    UpdateText();
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomGridKv::WMKillFocus(TWMKillFocus& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  InvalidateRect(GetSelection());
  // Focus going to the editor keeps it; elsewhere the editor goes, but the
  // grid stays in editor mode (leaving the control ends it in DoExit).
  if (FInplaceEdit &&
      !(FInplaceEdit->HandleAllocated() && Message.FocusedWnd == FInplaceEdit->GetHandle()))
    HideEdit();
}

void TCustomGridKv::WMSetFocus(TWMSetFocus& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (FInplaceEdit && FInplaceEdit->HandleAllocated() &&
      Message.FocusedWnd == FInplaceEdit->GetHandle())
    return;
  InvalidateRect(GetSelection());
  UpdateEdit();
}

void TCustomGridKv::CMFontChanged(TMessage& Message) {
  if (FInplaceEdit) FInplaceEdit->SetFont(GetFont());
  inherited::Dispatch(Message);
}

}  // namespace korvel
