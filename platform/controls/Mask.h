// The masked edit: an edit whose text follows an edit mask ("!99/99/0000;1;_").
// The window holds EditText (literals and blanks in place); Text is read out
// of it and laid into it through the mask engine. Typing overwrites one
// position at a time, skips literals and beeps at a refused character;
// Escape brings back the text the control had when it took the focus, and
// leaving the control with an unfilled required position raises EDBEditError.
#pragma once

#include "platform/rtl/EditMask.h"
#include "platform/controls/StdCtrls.h"

namespace kvp {

// TCustomMaskEdit: TCustomEdit with a mask. Without a mask it is a plain edit.
//
// Call order for a focus stay: CM_ENTER (remembers EditText) -> keys ->
// CM_EXIT (ValidateEdit, then DoExit).
class TCustomMaskEdit : public TCustomEdit {
  KV_CLASS(TCustomMaskEdit, TCustomEdit)
 public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

  const String& GetEditMask() const { return FEditMask; }
  // Reformats the current Text into the new mask.
  void SetEditMask(const String& Value);
  bool IsMasked() const { return !FMask.IsEmpty(); }
  // The window text, literals and blanks included; set as it is given.
  String GetEditText() { return TCustomEdit::GetText(); }
  void SetEditText(const String& Value) { TCustomEdit::SetText(Value); }
  // The text without the blanks (and without the literals unless saved).
  String GetText();
  void SetText(const String& Value);
  // Raises EDBEditError (after taking the focus back and placing the cursor)
  // when the user left a required position unfilled.
  virtual void ValidateEdit();
  // Brings back the text the control had when it took the focus, when the
  // user changed it (Escape does this).
  virtual void Reset();

  KV_PUBLISHED;

 protected:
  // Whether the user may change the text now (not read-only).
  virtual bool EditCanModify() { return !FReadOnly; }
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  // Enters one character at the cursor as typed; false when refused (it beeps).
  bool InputChar(Char C);
  // The cursor at position P: a one-character selection over it.
  void SetCursor(Integer P);
  // Blanks the editable positions of [From, To) in S.
  void BlankRange(std::u32string& S, Integer From, Integer To) const;
  // Stores a new EditText as the user's change: one EN_CHANGE, Modified set.
  void UserChange(const std::u32string& S, Integer Cursor);

  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMWantSpecialKey(TWMKey& Message);
  void WMCut(TMessage& Message);
  void WMPaste(TMessage& Message);
  void WMClear(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_ENTER, CMEnter)
  KV_MESSAGE(CM_EXIT, CMExit)
  KV_MESSAGE(CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(WM_CUT, WMCut)
  KV_MESSAGE(WM_PASTE, WMPaste)
  KV_MESSAGE(WM_CLEAR, WMClear)
  KV_END_MESSAGE_MAP

  String FEditMask;
  TEditMask FMask;   // FEditMask parsed
  String FOldValue;  // EditText when the control took the focus (Escape restores it)
};

// TMaskEdit: the masked edit as stored forms name it; TCustomMaskEdit does the work.
class TMaskEdit : public TCustomMaskEdit {
  KV_CLASS(TMaskEdit, TCustomMaskEdit)
 public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};

}  // namespace kvp
