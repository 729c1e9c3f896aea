// The standard controls over the system's window classes: the edit
// (TCustomEdit, TEdit), the list box (TCustomListBox, TListBox), the scroll
// bar (TScrollBar), the buttons (TButtonControl, TButton, TCustomCheckBox,
// TCheckBox), and the label (TCustomLabel, TLabel), which draws itself on its
// parent. Each windowed one sub-classes its system class and hears its
// notifications back from the parent as CN_COMMAND, CN_DRAWITEM ...
#pragma once

#include <memory>

#include "platform/classes/Alignment.h"
#include "platform/classes/StringList.h"
#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/controls/StdClasses.h"

namespace kvp {

// The alignments of a check box: taLeftJustify or taRightJustify.
using TLeftRight = TAlignment;
enum TTextLayout { tlTop, tlCenter, tlBottom };
KV_ENUM_INFO(TTextLayout, tlTop, tlCenter, tlBottom)
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
KV_ENUM_INFO(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
KV_ENUM_INFO(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
enum TScrollBarKind { sbHorizontal, sbVertical };
KV_ENUM_INFO(TScrollBarKind, sbHorizontal, sbVertical)
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
enum TListBoxStyle {
  lbStandard,
  lbOwnerDrawFixed,
  lbOwnerDrawVariable,
  lbVirtual,
  lbVirtualOwnerDraw
};
KV_ENUM_INFO(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual,
             lbVirtualOwnerDraw)
enum TOwnerDrawStateItem {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;

using TScrollEvent = TDelegate<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;
using TDrawItemEvent =
    TDelegate<void(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TDelegate<void(TWinControl* Control, Integer Index, Integer& Height)>;
using TLBGetDataEvent = TDelegate<void(TWinControl* Control, Integer Index, String& Data)>;

// Whether Key is the accelerator ("&x") of Caption, without regard to case.
bool IsAccel(Char Key, const String& Caption);

// ---------------------------------------------------------------------------
// TCustomEdit: a control over the "EDIT" class. Text, selection, undo and the
// clipboard live in the window; Modified and MaxLength are kept across a
// recreation of it. OnChange fires for every EN_CHANGE, from the user or not.
class TCustomEdit : public TWinControl {
  KV_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {}

  Integer GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(Integer Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  Char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(Char Value);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool GetModified();
  void SetModified(bool Value);
  bool CanUndo();

  // The selection in code points. SelLength is from SelStart to the end.
  Integer GetSelStart();
  void SetSelStart(Integer Value);
  Integer GetSelLength();
  void SetSelLength(Integer Value);
  String GetSelText();
  void SetSelText(const String& Value);
  void SelectAll();
  void ClearSelection();
  void Clear();
  void ClearUndo();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();

  TNotifyEvent OnChange;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Change();
  // With AutoSize the height follows the font: the text height plus the border.
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  void CNCommand(TWMCommand& Message);
  void CMEnter(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMCtl3DChanged(TMessage& Message);  // a single border changes its look
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_COMMAND, CNCommand)
  KV_MESSAGE(CM_ENTER, CMEnter)
  KV_MESSAGE(CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  Integer FMaxLength = 0;  // code points a user may type; 0: no limit
  bool FReadOnly = false;
  Char FPasswordChar = 0;
  TEditCharCase FCharCase = ecNormal;
  bool FAutoSelect = true;
  TBorderStyle FBorderStyle = bsSingle;
  bool FHideSelection = true;
  bool FModified = false;  // kept here while there is no window
  bool FCreating = false;  // the window is being made: its EN_CHANGE is not a change
};

// TEdit: the edit as stored forms name it; TCustomEdit does the work.
class TEdit : public TCustomEdit {
  KV_CLASS(TEdit, TCustomEdit)
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// ---------------------------------------------------------------------------
// TCustomListBox: a control over the "LISTBOX" class. Items talks to the
// window; a virtual list (lbVirtual, lbVirtualOwnerDraw) keeps only Count and
// asks OnData for the text it draws.
class TCustomListBox : public TWinControl {
  KV_CLASS(TCustomListBox, TWinControl)
 public:
  explicit TCustomListBox(TComponent* AOwner) : TWinControl(AOwner) {}

  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  Integer GetCount();
  void SetCount(Integer Value);  // virtual lists only
  Integer GetItemIndex();
  void SetItemIndex(Integer Value);
  Integer GetTopIndex();
  void SetTopIndex(Integer Value);
  Integer GetItemHeight();
  void SetItemHeight(Integer Value);
  TListBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool GetIntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  // The item under a client point; outside every item: -1 when Existing,
  // else Count.
  Integer ItemAtPos(TPoint Pos, bool Existing);
  TRect ItemRect(Integer Index);
  void Clear();

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TLBGetDataEvent OnData;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // Draws an item on Canvas (the item's DC, font and colours set): OnDrawItem
  // when assigned, else the item's text.
  virtual void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(Integer Index, Integer& Height);
  // The text of a virtual list's item (OnData).
  virtual String DoGetData(Integer Index);
  bool IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }

  void CNCommand(TWMCommand& Message);
  void CNDrawItem(TMessage& Message);
  void CNMeasureItem(TMessage& Message);
  void CMCtl3DChanged(TMessage& Message);  // a single border changes its look
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_COMMAND, CNCommand)
  KV_MESSAGE(CN_DRAWITEM, CNDrawItem)
  KV_MESSAGE(CN_MEASUREITEM, CNMeasureItem)
  KV_MESSAGE(CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  TObjectPtr<TStrings> FItems;         // talks to the window
  TObjectPtr<TStringList> FSaveItems;  // the items while the window is remade
  Integer FSaveItemIndex = -1;
  Integer FSaveTopIndex = 0;
  Integer FSaveCount = 0;  // a virtual list's count while remade
  TObjectPtr<TControlCanvas> FCanvas;
  TListBoxStyle FStyle = lbStandard;
  Integer FItemHeight = 16;  // owner-drawn items; the font decides otherwise
  bool FSorted = false;
  bool FIntegralHeight = false;
  TBorderStyle FBorderStyle = bsSingle;

 private:
  friend class TListBoxStrings;
};

// TListBox: the list box as stored forms name it; TCustomListBox does the work.
class TListBox : public TCustomListBox {
  KV_CLASS(TListBox, TCustomListBox)
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// ---------------------------------------------------------------------------
// TScrollBar: a control over the "SCROLLBAR" class. A user's scroll goes
// through Scroll (OnScroll, which may change the new position), then moves
// Position, which fires OnChange when it changed.
class TScrollBar : public TWinControl {
  KV_CLASS(TScrollBar, TWinControl)
 public:
  explicit TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {}

  TScrollBarKind GetKind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  Integer GetMin() const { return FMin; }
  void SetMin(Integer Value) { SetParams(FPosition, Value, FMax); }
  Integer GetMax() const { return FMax; }
  void SetMax(Integer Value) { SetParams(FPosition, FMin, Value); }
  Integer GetPosition() const { return FPosition; }
  void SetPosition(Integer Value) { SetParams(Value, FMin, FMax); }
  Integer GetPageSize() const { return FPageSize; }
  void SetPageSize(Integer Value);
  Integer GetSmallChange() const { return FSmallChange; }
  void SetSmallChange(Integer Value) { FSmallChange = Value; }
  Integer GetLargeChange() const { return FLargeChange; }
  void SetLargeChange(Integer Value) { FLargeChange = Value; }
  // Raises EInvalidOperation when AMax < AMin; the position is held to the range.
  void SetParams(Integer APosition, Integer AMin, Integer AMax);

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void Scroll(TScrollCode ScrollCode, Integer& ScrollPos);
  void DoScroll(TWMScroll& Message);
  void UpdateBar();

  void CNHScroll(TWMScroll& Message) { DoScroll(Message); }
  void CNVScroll(TWMScroll& Message) { DoScroll(Message); }
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_HSCROLL, CNHScroll)
  KV_MESSAGE(CN_VSCROLL, CNVScroll)
  KV_END_MESSAGE_MAP

  TScrollBarKind FKind = sbHorizontal;
  Integer FMin = 0;
  Integer FMax = 100;
  Integer FPosition = 0;
  Integer FPageSize = 0;
  Integer FSmallChange = 1;
  Integer FLargeChange = 1;
};

// ---------------------------------------------------------------------------
// TButtonControl: the base of the controls over the "BUTTON" class. Checked
// is the state of the kinds that have one (check boxes); ClicksDisabled keeps
// a change of it by program from running Click.
class TButtonControl : public TWinControl {
  KV_CLASS(TButtonControl, TWinControl)
 public:
  explicit TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {}

  virtual bool GetChecked() const { return false; }
  virtual void SetChecked(bool /*Value*/) {}
  bool GetClicksDisabled() const { return FClicksDisabled; }
  void SetClicksDisabled(bool Value) { FClicksDisabled = Value; }

 protected:
  void Construct() override;
  bool FClicksDisabled = false;  // a change of state by program does not click
};

// TButton: a push button. A click sets the parent form's ModalResult; the
// default button clicks on Enter, the cancel button on Escape.
class TButton : public TButtonControl {
  KV_CLASS(TButton, TButtonControl)
 public:
  explicit TButton(TComponent* AOwner) : TButtonControl(AOwner) {}

  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  void Click() override;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // The button drawn as the default one: the focused button, else Default.
  void SetButtonStyle(bool ADefault);

  void CNCommand(TWMCommand& Message);
  void CMDialogKey(TWMKey& Message);
  void CMDialogChar(TWMKey& Message);
  void CMFocusChanged(TCMFocusChanged& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_COMMAND, CNCommand)
  KV_MESSAGE(CM_DIALOGKEY, CMDialogKey)
  KV_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
  KV_MESSAGE(CM_FOCUSCHANGED, CMFocusChanged)
  KV_END_MESSAGE_MAP

  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;  // drawn as the default button now
  TModalResult FModalResult = mrNone;
};

// TCustomCheckBox: a check box with two or (AllowGrayed) three states. A
// click toggles State; every change of State, by the user or by program,
// runs Click (OnClick).
class TCustomCheckBox : public TButtonControl {
  KV_CLASS(TCustomCheckBox, TButtonControl)
 public:
  explicit TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {}

  TCheckBoxState GetState() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool Value) override { SetState(Value ? cbChecked : cbUnchecked); }
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  TLeftRight GetAlignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Unchecked -> checked (or grayed with AllowGrayed) -> unchecked.
  virtual void Toggle();

  void CNCommand(TWMCommand& Message);
  void CMDialogChar(TWMKey& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_COMMAND, CNCommand)
  KV_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
  KV_END_MESSAGE_MAP

  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TLeftRight FAlignment = taRightJustify;  // the caption at the right of the box
};

// TCheckBox: the check box as stored forms name it; TCustomCheckBox does the work.
class TCheckBox : public TCustomCheckBox {
  KV_CLASS(TCheckBox, TCustomCheckBox)
 public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// ---------------------------------------------------------------------------
// TCustomLabel: a caption drawn on the parent, with "&x" accelerators that
// focus FocusControl. AutoSize fits the bounds to the text.
class TCustomLabel : public TGraphicControl {
  KV_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {}

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  // Draws (or with DT_CALCRECT measures) the caption in Rect.
  virtual void DoDrawText(TRect& Rect, UINT Flags);
  virtual void AdjustBounds();
  void AdjustSize() override { AdjustBounds(); }

  void CMTextChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMDialogChar(TWMKey& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
  KV_MESSAGE(CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
  KV_END_MESSAGE_MAP

  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;  // held with a free notification
};

// TLabel: the label as stored forms name it; TCustomLabel does the work.
class TLabel : public TCustomLabel {
  KV_CLASS(TLabel, TCustomLabel)
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

}  // namespace kvp
