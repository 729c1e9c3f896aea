// The masked edit.
//
// Index
//   [SECTION] Mask and text    SetEditMask, GetText, SetText, ValidateEdit
//   [SECTION] Typing           InputChar, KeyDown, KeyPress, the mouse
//   [SECTION] Messages         focus, Escape, the clipboard
#include "platform/controls/Mask.h"

#include "platform/controls/EditClass.h"
#include "platform/controls/StdCtlImpl.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"

namespace kvp {

using stdctl::FromChars;
using stdctl::ToChars;

// [SECTION] Mask and text

void TCustomMaskEdit::KvPublish(TPublisher<TCustomMaskEdit>& P) {
  P.Prop("EditMask", &TCustomMaskEdit::GetEditMask, &TCustomMaskEdit::SetEditMask);
}

void TCustomMaskEdit::SetEditMask(const String& Value) {
  if (FEditMask == Value) return;
  String Old = GetText();
  FEditMask = Value;
  FMask = TEditMask(Value);
  if (IsMasked()) SetMaxLength(FMask.Count());
  SetText(Old);
}

String TCustomMaskEdit::GetText() {
  String Edit = GetEditText();
  return IsMasked() ? FMask.TextFromEditText(Edit) : Edit;
}

void TCustomMaskEdit::SetText(const String& Value) {
  SetEditText(IsMasked() ? FMask.EditTextFromText(Value) : Value);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !GetModified()) return;
  Integer Bad = FMask.FirstUnfilled(GetEditText());
  if (Bad < 0) return;
  if (!GetComponentState().Contains(csDesigning)) {
    if (!Focused() && CanFocus()) SetFocus();
    SetCursor(Bad);
  }
  MessageBeep(0);
  throw EDBEditError(SMaskEditErr);
}

void TCustomMaskEdit::Reset() {
  if (!GetModified()) return;
  SetEditText(FOldValue);
  SetModified(false);
}

// [SECTION] Typing

void TCustomMaskEdit::SetCursor(Integer P) {
  if (!HandleAllocated()) return;
  Integer End = P < FMask.Count() ? P + 1 : P;
  SendMessage(GetHandle(), EM_SETSEL, WPARAM(P), End);
}

void TCustomMaskEdit::BlankRange(std::u32string& S, Integer From, Integer To) const {
  for (Integer I = std::max(From, 0); I < To && I < Integer(S.size()); ++I)
    if (!FMask.IsLiteral(I)) S[std::size_t(I)] = FMask.Blank();
}

void TCustomMaskEdit::UserChange(const std::u32string& S, Integer Cursor) {
  String Text = FromChars(S);
  if (Text != GetEditText()) {
    SetEditText(Text);  // WM_SETTEXT: one EN_CHANGE
    SetModified(true);
  }
  SetCursor(Cursor);
}

bool TCustomMaskEdit::InputChar(Char C) {
  if (!EditCanModify()) return false;
  std::u32string S = ToChars(GetEditText());
  S.resize(std::size_t(FMask.Count()), FMask.Blank());
  Integer Start = GetSelStart(), Len = GetSelLength();
  // [Phase 1] A wider selection is blanked first; typing starts at its start.
  if (Len > 1) BlankRange(S, Start, Start + Len);
  Integer P = FMask.NextEditable(Start);
  if (P >= FMask.Count()) {
    MessageBeep(0);
    return false;
  }
  // [Phase 2] A refused character: a literal typed again is let through, a
  // literal that ends this run of positions moves past it; anything else beeps.
  Char Typed = C;
  if (!FMask.AcceptChar(P, Typed)) {
    if (Start > 0 && FMask.IsLiteral(Start - 1) && FMask.Position(Start - 1).Literal == C)
      return true;
    Integer Q = P;
    while (Q < FMask.Count() && !FMask.IsLiteral(Q)) ++Q;
    if (Q < FMask.Count() && FMask.Position(Q).Literal == C) {
      UserChange(S, FMask.NextEditable(Q + 1));
      return true;
    }
    MessageBeep(0);
    return false;
  }
  // [Phase 3] Overwrite the position and move to the next editable one.
  S[std::size_t(P)] = Typed;
  UserChange(S, FMask.NextEditable(P + 1));
  return true;
}

void TCustomMaskEdit::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (!IsMasked() || Key == 0) return;
  bool Plain = !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
  Integer Start = GetSelStart(), Len = GetSelLength();
  std::u32string S = ToChars(GetEditText());
  S.resize(std::size_t(FMask.Count()), FMask.Blank());
  switch (Key) {
    case VK_ESCAPE:
      if (!GetModified()) return;
      Reset();
      SetCursor(FMask.NextEditable(0));
      Key = 0;
      return;
    case VK_LEFT:
    case VK_UP:
      if (!Plain) return;
      SetCursor(std::max(FMask.PrevEditable(Start), FMask.NextEditable(0)));
      Key = 0;
      return;
    case VK_RIGHT:
    case VK_DOWN:
      if (!Plain) return;
      SetCursor(FMask.NextEditable(Len > 1 ? Start + Len : Start + 1));
      Key = 0;
      return;
    case VK_HOME:
      if (Shift.Contains(ssShift)) return;
      SetCursor(FMask.NextEditable(0));
      Key = 0;
      return;
    case VK_END:
      if (Shift.Contains(ssShift)) return;
      SetCursor(FMask.PrevEditable(FMask.Count()) + 1);
      Key = 0;
      return;
    case VK_BACK: {
      Key = 0;
      if (!EditCanModify()) return;
      if (Len > 1) {
        BlankRange(S, Start, Start + Len);
        UserChange(S, Start);
        return;
      }
      Integer P = FMask.PrevEditable(Start);
      if (P < 0) return;
      BlankRange(S, P, P + 1);
      UserChange(S, P);
      return;
    }
    case VK_DELETE:
      if (Shift.Contains(ssShift)) return;  // the edit cuts
      Key = 0;
      if (!EditCanModify()) return;
      BlankRange(S, Start, Start + std::max(Len, 1));
      UserChange(S, Start);
      return;
    default:
      return;
  }
}

void TCustomMaskEdit::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (!IsMasked() || Key == 0) return;
  if (Key == 8 || Key == 27) {
    Key = 0;  // Backspace was done at key-down; Escape too
    return;
  }
  if (Key < 32) return;  // Ctrl+C, Ctrl+V, Ctrl+X go on to the edit's clipboard handling
  InputChar(Key);
  Key = 0;
}

void TCustomMaskEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // A click leaves the cursor on the next editable position.
  if (IsMasked() && Button == mbLeft && HandleAllocated() && GetSelLength() == 0)
    SetCursor(FMask.NextEditable(GetSelStart()));
  inherited::MouseUp(Button, Shift, X, Y);
}

// [SECTION] Messages

void TCustomMaskEdit::CMEnter(TMessage& Message) {
  if (IsMasked() && !GetComponentState().Contains(csDesigning)) {
    FOldValue = GetEditText();
    inherited::Dispatch(Message);
    // The cursor goes to an editable position (a click places it in MouseUp).
    if (!FControlState.Contains(csLButtonDown)) SetCursor(FMask.NextEditable(GetSelStart()));
    return;
  }
  inherited::Dispatch(Message);
}

void TCustomMaskEdit::CMExit(TMessage& Message) {
  if (IsMasked() && !GetComponentState().Contains(csDesigning)) ValidateEdit();
  inherited::Dispatch(Message);
}

void TCustomMaskEdit::CMWantSpecialKey(TWMKey& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (IsMasked() && Message.CharCode == VK_ESCAPE && GetModified()) Message.Result = 1;
}

void TCustomMaskEdit::WMCut(TMessage& Message) {
  if (!IsMasked()) {
    inherited::Dispatch(Message);
    return;
  }
  CopyToClipboard();
  WMClear(Message);
}

void TCustomMaskEdit::WMClear(TMessage& Message) {
  if (!IsMasked()) {
    inherited::Dispatch(Message);
    return;
  }
  if (!EditCanModify()) return;
  Integer Start = GetSelStart(), Len = GetSelLength();
  std::u32string S = ToChars(GetEditText());
  S.resize(std::size_t(FMask.Count()), FMask.Blank());
  BlankRange(S, Start, Start + Len);
  UserChange(S, Start);
}

void TCustomMaskEdit::WMPaste(TMessage& Message) {
  if (!IsMasked()) {
    inherited::Dispatch(Message);
    return;
  }
  if (!EditCanModify() || !Clipboard()->HasFormat(CF_TEXT)) return;
  // Each character as if typed; a refused one beeps and is skipped.
  for (Char C : ToChars(Clipboard()->GetAsText()))
    if (C >= 32) InputChar(C);
}

}  // namespace kvp
