// DBCtrlsKv: the data-aware edit controls a form holds next to the grid: an
// edit box with edit buttons, an image and a most-recently-used list that can
// also live inside a grid cell (TCustomDBEditKv), a combo box with plain or
// key-based lists (TCustomDBComboBoxKv, published as TDBComboBoxKv) and a
// check box (TCustomDBCheckBoxKv, TDBCheckBoxKv). Each is bound to a field
// through TFieldDataLinkKv, or works unbound with its value kept in the link.
//
// Unit start-up keeps the default edit-button width for flat buttons.
#pragma once

#include <vector>

#include "controls/ToolCtrlsKv.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/Mask.h"

namespace korvel {

// [SECTION] Private messages

// Sent by an edit image to its edit control when a setting that decides the
// text rectangle changed (wParam: the image): the control makes its window again.
inline constexpr kvp::UINT WM_EDITIMAGECHANGEDKV = kvp::WM_USER + 101;
// Posted by an edit control to itself (wParam: the button's index) when a
// button's drop-down menu comes up. While it waits in the queue a press of
// that button only closes the menu.
inline constexpr kvp::UINT WM_DROPDOWNMENUUPKV = kvp::WM_USER + 102;

// The width of a flat edit button whose own width is 0, kept at start-up from
// the toolkit's default edit-button width.
kvp::Integer FlatButtonWidth();

// The text of a value: '' for an array, else VarToStr (Null gives '').
kvp::String VariantToText(const kvp::Variant& V);

// [SECTION] Field data link

// TFieldDataLinkKv: connects one data-aware control to a field of a dataset
// (or to several, ';'-separated, when MultiFields is on), or, bound to
// nothing (no DataSource and no FieldName), keeps the control's value itself
// and plays the dataset's part: editing state, modified flag and the request
// to write the value. The control sets Control and the four events.
//
// Call order seen by the control: OnActiveChange when the dataset opens or
// closes; OnEditingChange when editing starts or ends; OnDataChange whenever
// the value to show changed (then Modified is cleared); OnUpdateData when the
// value must be written (UpdateRecord, a post, leaving the record), only while
// Modified.
class TFieldDataLinkKv : public kvp::TDataLink {
  KV_CLASS(TFieldDataLinkKv, kvp::TDataLink)
 public:
  TFieldDataLinkKv() = default;

  // The bound fields: empty while unbound, inactive or without a field name.
  const TFieldsArrKv& GetFields() const { return FFields; }
  kvp::TField* GetField() const { return FFields.empty() ? nullptr : FFields.front(); }
  const kvp::String& GetFieldName() const { return FFieldName; }
  // Looks the fields up again, then leaves or enters the unbound mode.
  void SetFieldName(const kvp::String& Value);
  void SetDataSource(kvp::TDataSource* Value);
  // Named in field look-up errors and focused by a field's FocusControl.
  kvp::TComponent* GetControl() const { return FControl; }
  void SetControl(kvp::TComponent* Value) { FControl = Value; }
  bool GetMultiFields() const { return FMultiFields; }
  void SetMultiFields(bool Value);
  // No DataSource and no FieldName: the value lives in Value.
  bool GetDataIndependent() const { return FDataIndependent; }
  // The control may change its value now.
  bool GetEditing() const { return FEditing; }
  // The control changed its value since it was last loaded or written.
  bool GetModified() const { return FModified; }
  // The unbound control's value; Null at creation.
  const kvp::Variant& GetValue() const { return FValue; }

  // Unbound: always; bound: the dataset is open and the field exists.
  bool IsActive() const;
  // Bound: the field exists and can be modified; unbound: always.
  bool CanModify() const;
  // Puts the dataset (or the unbound link) into editing; answers Editing.
  bool Edit();
  void SetModified() { FModified = true; }
  // Makes the control load its value again (dropping its changes).
  void Reset() { RecordChanged(nullptr); }
  // Writes Text: unbound into Value (then the control reloads), bound into the
  // field's edit text (a memo field's AsString). Bound without a field
  // nothing is written.
  void SetText(const kvp::String& Text);
  // Writes V: unbound into Value; with several fields Null clears them all
  // and an array gives one element to each (anything else raises
  // EVariantError before a field is touched); one field takes V as its value.
  void SetValue(const kvp::Variant& V);

  kvp::TNotifyEvent OnDataChange;
  kvp::TNotifyEvent OnEditingChange;
  kvp::TNotifyEvent OnUpdateData;
  kvp::TNotifyEvent OnActiveChange;

 protected:
  void Construct() override;
  // The control is going away with its link: the link says nothing more.
  void Destroy() override;
  void ActiveChanged() override;
  void DataEvent(kvp::TDataEvent Event, kvp::TDataEventInfo Info) override;
  void EditingChanged() override;
  void FocusControl(kvp::TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(kvp::TField* Field) override;
  void UpdateData() override;
  // Looks the fields up for the current name and dataset. A name the dataset
  // does not know raises and leaves the fields as they were.
  virtual void UpdateField();
  // UpdateField that, with Announce, tells the control even when it finds
  // the fields it already has.
  void UpdateFields(bool Announce);

  void SetFields(const TFieldsArrKv& Value, bool Announce);
  void SetEditing(bool Value);
  void UpdateDataIndependent();
  // A control whose window's right alignment no longer fits the field makes
  // its window again.
  void UpdateRightToLeft();
  bool IsBound(const kvp::TField* Field) const;

 private:
  TFieldsArrKv FFields;
  kvp::String FFieldName;
  kvp::TComponent* FControl = nullptr;
  bool FMultiFields = false;
  bool FDataIndependent = true;
  bool FEditing = false;
  bool FModified = false;
  kvp::Variant FValue = kvp::Null();
};

// Whether a data-aware control shows Field aligned right-to-left: the control
// reads right-to-left with its alignment in a right-to-left locale.
bool DBUseRightToLeftAlignment(kvp::TControl* Control, kvp::TField* Field);

// [SECTION] Edit image

// TEditImageKv: the image an edit box draws at the left of its text: which
// image of which list, whether it is shown, the width it takes (0: the list's
// width) and whether the list's height may raise the box's height. A change
// that moves the text rectangle makes the edit's window again
// (WM_EDITIMAGECHANGEDKV); a new image index only repaints.
class TEditImageKv : public kvp::TPersistent {
  KV_CLASS(TEditImageKv, kvp::TPersistent)
 public:
  explicit TEditImageKv(kvp::TWinControl* AEditControl) : FEditControl(AEditControl) {}

  // Another edit image gives Images, ImageIndex, Visible and Width.
  void Assign(kvp::TPersistent* Source) override;
  kvp::TPersistent* GetOwner() override { return FEditControl; }

  kvp::TWinControl* GetEditControl() const { return FEditControl; }
  kvp::Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(kvp::Integer Value);
  kvp::TCustomImageList* GetImages() const { return FImages; }
  void SetImages(kvp::TCustomImageList* Value);
  bool GetUseImageHeight() const { return FUseImageHeight; }
  void SetUseImageHeight(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  kvp::Integer GetWidth() const { return FWidth; }
  void SetWidth(kvp::Integer Value);

  KV_PUBLISHED;

 private:
  void Changed();  // tells the edit control to make its window again

  kvp::TWinControl* FEditControl = nullptr;  // the owning edit control
  kvp::Integer FImageIndex = -1;
  kvp::TCustomImageList* FImages = nullptr;  // cleared by the edit control when freed
  bool FUseImageHeight = true;
  bool FVisible = false;
  kvp::Integer FWidth = 0;  // pixels; 0: the image list's width
};

// [SECTION] In-place interfaces

// IInplaceEditHolderKv: what the owner of an edit control working inside one
// of its cells (the data-aware grid) offers it. The edit asks the holder
// before it handles each message and each key, and whether it may change its
// value.
struct IInplaceEditHolderKv : virtual kvp::IInterface {
  KV_INTERFACE(IInplaceEditHolderKv, "{4BE708F1-4EA2-4AC7-BA64-89D7D2B83E09}")
  // False makes the edit read-only.
  virtual bool InplaceEditCanModify(kvp::TControl* Control) = 0;
  // The holder's last mouse press: its screen point and message time.
  virtual void GetMouseDownInfo(kvp::TPoint& ScreenPos, kvp::Integer& Time) = 0;
  // Sees every message of the edit first; a non-zero Result ends its handling.
  virtual void InplaceEditWndProc(kvp::TControl* Control, kvp::TMessage& Message) = 0;
  // Before the edit's own key handling; Key 0 (#0) ends it.
  virtual void InplaceEditKeyDown(kvp::TControl* Control, kvp::Word& Key,
                                  kvp::TShiftState Shift) = 0;
  virtual void InplaceEditKeyPress(kvp::TControl* Control, kvp::Char& Key) = 0;
  virtual void InplaceEditKeyUp(kvp::TControl* Control, kvp::Word& Key,
                                kvp::TShiftState Shift) = 0;
};

// IInplaceEditKv: what a holder sets on the edit control it hosts.
struct IInplaceEditKv : virtual kvp::IInterface {
  KV_INTERFACE(IInplaceEditKv, "{81F0C558-B001-4477-BAA6-2DC373FCDF88}")
  virtual kvp::TFont* GetFont() const = 0;
  virtual void SetInplaceEditHolder(kvp::TComponent* Value) = 0;
  virtual void SetBorderStyle(kvp::TBorderStyle Value) = 0;
  virtual void SetFont(kvp::TFont* Value) = 0;
  virtual void SetColor(kvp::TColor Value) = 0;
  virtual void SetOnKeyPress(const kvp::TKeyPressEvent& Value) = 0;
  virtual void SetOnExit(const kvp::TNotifyEvent& Value) = 0;
};

// [SECTION] Data-aware edit control

// Writes the value itself; Handled skips the control's own write.
using TUpdateDataEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool& Handled)>;
// The image index of the current value.
using TGetImageIndexEventKv = kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer& ImageIndex)>;
// The last word on whether the required-field mark is drawn.
using TOnCheckDrawRequiredStateEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, bool& DrawState)>;

// One button shown in an edit box: the control that paints it and the
// divider beside it (a line in the flat look).
struct TEditButtonRecKv {
  kvp::TShape* Divider = nullptr;                  // owned by the edit
  TEditButtonControlKv* ButtonControl = nullptr;  // owned by the edit; Tag: the record's index
};

// TCustomDBEditKv: the data-aware edit box: a masked edit bound to a field
// through TFieldDataLinkKv, or unbound with its value kept in the link. It
// shows the field's display text while it does not have the focus and its
// edit text while it has; the first change puts the dataset into edit state,
// and the text is written when the link asks for it (leaving the control, a
// post, moving the record) or at once when a program sets Text or Value. It
// draws a row of edit buttons at its right edge (left for right-to-left), an
// image at the left of its text, drops down its most-recently-used list as
// the user types, and can work inside a holder's cell (in-place mode).
//
// Text roads: field -> window: DataChange (edit text focused, display text
// otherwise); window -> field: UpdateData -> OnUpdateData ->
// InternalUpdatePostData -> the link's SetText. Keys: the holder first, then
// the masked edit, then the buttons' shortcuts, then the control's own
// (Delete, Escape, refused characters).
class TCustomDBEditKv : public kvp::TCustomMaskEdit, public IPopupOwnerKv, public IInplaceEditKv {
  KV_CLASS(TCustomDBEditKv, kvp::TCustomMaskEdit)
 public:
  explicit TCustomDBEditKv(kvp::TComponent* AOwner) : kvp::TCustomMaskEdit(AOwner) {}

  // ---- Binding ----
  virtual kvp::TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
  virtual void SetDataSource(kvp::TDataSource* Value);
  virtual kvp::String GetDataField() const { return FDataLink->GetFieldName(); }
  virtual void SetDataField(const kvp::String& Value);
  kvp::TField* GetField() const { return FDataLink->GetField(); }
  TFieldDataLinkKv* GetDataLink() const { return FDataLink.get(); }
  virtual bool IsDataIndependent() const { return FDataLink->GetDataIndependent(); }
  // Enabled, with a link that is active.
  virtual bool IsEnabledAndActive();

  // ---- Text and value ----
  kvp::String GetText() { return kvp::TCustomMaskEdit::GetText(); }
  // A bound control puts the dataset into edit state and writes the field at
  // once (nothing at design time); an unbound one keeps the text as its value.
  void SetText(const kvp::String& Value);
  kvp::Variant GetValue() { return GetVarValue(); }
  void SetValue(const kvp::Variant& Value) { SetVarValue(Value); }
  virtual void Clear();
  const kvp::String& GetEditMask() const { return kvp::TCustomMaskEdit::GetEditMask(); }
  // Sets the mask and marks it as the control's own (a field's mask no
  // longer replaces it).
  void SetEditMask(const kvp::String& Value);

  // ---- Properties ----
  kvp::TAlignment GetAlignment();
  void SetAlignment(kvp::TAlignment Value);
  bool GetAlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool Value);
  TEditButtonKv* GetEditButton() const { return FEditButton.get(); }
  void SetEditButton(TEditButtonKv* Value) { FEditButton->Assign(Value); }
  TEditButtonsKv* GetEditButtons() const { return FEditButtons.get(); }
  void SetEditButtons(TEditButtonsKv* Value) { FEditButtons->Assign(Value); }
  TEditImageKv* GetEditImage() const { return FEditImage.get(); }
  void SetEditImage(TEditImageKv* Value) { FEditImage->Assign(Value); }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  bool GetHighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool Value);
  TMRUListKv* GetMRUList() const { return FMRUList.get(); }
  void SetMRUList(TMRUListKv* Value) { FMRUList->Assign(Value); }
  // The control's own read-only setting (the window follows the link too).
  bool GetReadOnly() const { return FDBReadOnly; }
  void SetReadOnly(bool Value);
  bool GetShowHint() const { return FShowHintKv; }
  void SetShowHint(bool Value);
  bool GetTooltips() const { return FTooltips; }
  void SetTooltips(bool Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // In in-place mode: whether the window shows; setting false hides it.
  bool GetVisible() const;
  void SetVisible(bool Value);
  // A drop-down of the control is open (the combo box's list).
  bool GetListVisible() const { return FListVisible; }

  // ---- Buttons, image and text rectangles (client coordinates) ----
  virtual kvp::TRect GetEditRect();
  kvp::TRect ButtonsRect();
  kvp::TRect ImageRect();
  // Where the control paints its text itself.
  kvp::TRect PaintTextRect();
  kvp::Integer GetButtonsWidth() const { return FButtonsWidth; }
  kvp::Integer GetButtonHeight() const { return FButtonHeight; }
  kvp::Integer GetImageWidth() const { return FImageWidth; }
  kvp::Integer GetButtonCount() const { return kvp::Integer(FButtons.size()); }
  const TEditButtonRecKv& GetButtonRec(kvp::Integer Index) const { return FButtons[std::size_t(Index)]; }
  bool GetBorderActive() const { return FBorderActive; }
  TMRUListboxKv* GetMRUListbox() const { return FMRUListbox; }

  // ---- Popups ----
  // Opens the control's drop-down; the edit keeps its main button down.
  virtual void DropDown();
  // Closes it, taking its value when Accept (IPopupOwnerKv).
  void CloseUp(bool Accept) override;

  // ---- In-place mode ----
  kvp::TComponent* GetInplaceEditHolder() const { return FInplaceEditHolder; }
  // Raises (and changes nothing) for a holder without IInplaceEditHolderKv.
  void SetInplaceEditHolder(kvp::TComponent* Value) override;
  bool GetInplaceMode() const { return FInplaceMode; }
  // Shows the window at Rect (hides it for an empty rectangle), taking the
  // focus when the holder has it.
  void ShowInplaceAt(const kvp::TRect& Rect, bool Redraw);
  void HideInplace();
  void SetInplaceBounds(const kvp::TRect& Rect);
  void SetFocus() override;

  // ---- IInplaceEditKv ----
  kvp::TFont* GetFont() const override { return kvp::TControl::GetFont(); }
  void SetBorderStyle(kvp::TBorderStyle Value) override { kvp::TCustomEdit::SetBorderStyle(Value); }
  void SetFont(kvp::TFont* Value) override { kvp::TControl::SetFont(Value); }
  void SetColor(kvp::TColor Value) override { kvp::TControl::SetColor(Value); }
  void SetOnKeyPress(const kvp::TKeyPressEvent& Value) override { OnKeyPress = Value; }
  void SetOnExit(const kvp::TNotifyEvent& Value) override { OnExit = Value; }

  bool ExecuteAction(kvp::TBasicAction* Action) override;
  bool UpdateAction(kvp::TBasicAction* Action) override;
  bool UseRightToLeftAlignment() const override;
  void DefineProperties(kvp::TFiler* Filer) override;
  void Loaded() override;
  void SetAutoSize(bool Value) override;

  TButtonClickEventKv OnButtonClick;
  TButtonDownEventKv OnButtonDown;
  TOnCheckDrawRequiredStateEventKv OnCheckDrawRequiredState;
  // The image index of the value; assigning it shows its index at once.
  TGetImageIndexEventKv GetOnGetImageIndex() const { return FOnGetImageIndex; }
  void SetOnGetImageIndex(TGetImageIndexEventKv Value);
  TUpdateDataEventKv OnUpdateData;

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void CreateWnd() override;
  void WndProc(kvp::TMessage& Message) override;
  void DefaultHandler(kvp::TMessage& Message) override;
  void PaintWindow(kvp::HDC DC) override;
  bool CanAutoSize(kvp::Integer& NewWidth, kvp::Integer& NewHeight) override;
  bool EditCanModify() override;
  void Reset() override;
  void Change() override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;

  // ---- Factories, called once by Construct ----
  virtual TFieldDataLinkKv* CreateDataLink();
  virtual TEditButtonKv* CreateEditButton();
  virtual TEditButtonControlKv* CreateEditButtonControl();
  virtual TEditButtonsKv* CreateEditButtons();
  virtual TEditImageKv* CreateEditImage();
  virtual TMRUListboxKv* CreateMRUListbox();

  // ---- Field and value ----
  virtual kvp::TAlignment GetDefaultAlignment();
  virtual kvp::String GetFieldEditMask();
  virtual kvp::Integer GetDefaultImageIndex() { return -1; }
  // What the control paints when it paints its text itself.
  virtual kvp::String GetPaintText();
  virtual kvp::Variant GetVarValue();
  virtual void SetVarValue(const kvp::Variant& Value);
  // Whether a typed character fits the field.
  virtual bool IsValidChar(kvp::Char InputChar);
  // Sets the text without writing it anywhere.
  virtual void InternalSetText(const kvp::String& AText);
  virtual void InternalSetValue(const kvp::Variant& AValue);
  // Hands the text to the link (the unbound value, or the field).
  virtual void InternalUpdatePostData();
  // Writes the value: OnUpdateData, else InternalUpdatePostData; adds the text
  // to the most-recently-used list.
  virtual void UpdateData();
  // A length taken from the previous field is dropped.
  virtual void ResetMaxLength();
  virtual void SetFocused(bool Value);
  virtual void UpdateReadOnlyState();
  virtual void UpdateHeight();
  virtual void AdjustHeight();
  virtual void UpdateHintProcessing();
  virtual void UpdateImageIndex();
  virtual void DrawRequiredState(kvp::TCanvas* ACanvas);

  // ---- Link callbacks ----
  virtual void ActiveChange(kvp::TObject* Sender);
  virtual void DataChange(kvp::TObject* Sender);
  virtual void EditingChange(kvp::TObject* Sender);
  void LinkDataChange(kvp::TObject* Sender);
  void LinkUpdateData(kvp::TObject* Sender);

  // ---- Buttons ----
  // Press of the main button that no handler took: opens the drop-down.
  virtual void DefaultButtonDown(bool IsDown);
  virtual void EditButtonClick(kvp::TObject* Sender);
  virtual void EditButtonDown(kvp::TObject* Sender, bool TopButton, bool& AutoRepeat,
                              bool& Handled);
  virtual void EditButtonMouseMove(kvp::TObject* Sender, kvp::TShiftState Shift, kvp::Integer X,
                                   kvp::Integer Y);
  virtual void EditButtonMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button,
                                 kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y);
  void ButtonsChanged(kvp::TObject* Sender);
  void LayoutButtons();
  void UpdateButtonState();
  void UpdateTextRect();
  // The button control of a button (main or additional), or null.
  TEditButtonControlKv* ButtonControlOf(TEditButtonKv* Button) const;
  TEditButtonKv* EditButtonOfRecord(kvp::Integer Index) const;
  bool IsMainButtonControl(kvp::TObject* Sender) const;
  // Shows a button's drop-down menu below its control and marks it as up.
  void ShowDropdownMenu(TEditButtonControlKv* Control, TEditButtonKv* Button);
  // The first button whose shortcut this is gets a press and a click.
  bool HandleShortCut(kvp::Word Key, kvp::TShiftState Shift);

  // ---- Flat border and image ----
  void UpdateBorderActive();
  void DrawFlatFrame();
  void UpdateImageWidth();
  void DrawEditImage(kvp::HDC DC);

  // ---- Most-recently-used list ----
  // Drops the list down when the user's typing left a text that has entries.
  virtual void UpdateMRUDropDown();
  virtual void FilterMRUItem(const kvp::String& AText, bool& Accept);
  virtual void MRUListboxResized(kvp::TObject* Sender);
  void MRUListDropDown(kvp::TObject* Sender);
  void MRUListCloseUp(kvp::TObject* Sender, bool Accept);
  void MRUListboxMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button, kvp::TShiftState Shift,
                         kvp::Integer X, kvp::Integer Y);
  bool MRUDroppedDown() const;
  // Keys for the open list; true when the list took the message.
  bool MRUListKey(kvp::TMessage& Message);
  // Gives a wheel message to the open List first; true when the list used
  // it. What the list does not use comes back up to this control, its
  // parent, and goes no further: this control then handles it once itself.
  bool WheelToList(kvp::TWinControl* List, kvp::TMessage& Message);

  // A collapsed caret of a masked control moves back two places.
  void CheckCursor();

  // ---- Hints ----
  bool IsTextClipped();

  // ---- Message handlers ----
  void CNCommand(kvp::TWMCommand& Message);
  void WMGetDlgCode(kvp::TMessage& Message);
  void WMCutPasteUndo(kvp::TMessage& Message);
  void WMSetFocus(kvp::TMessage& Message);
  void WMKillFocus(kvp::TMessage& Message);
  void WMLButtonDown(kvp::TMessage& Message);
  void WMSetCursor(kvp::TMessage& Message);
  void WMSize(kvp::TMessage& Message);
  void WMNCPaint(kvp::TMessage& Message);
  void WMEditImageChanged(kvp::TMessage& Message);
  void CMEnter(kvp::TMessage& Message);
  void CMExit(kvp::TMessage& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMHintShow(kvp::TMessage& Message);
  void CMParentShowHintChanged(kvp::TMessage& Message);
  void CMGetDataLink(kvp::TMessage& Message);
  void CMColorOrEnabledChanged(kvp::TMessage& Message);
  void CMSysColorChange(kvp::TMessage& Message);
  void CMFontChanged(kvp::TMessage& Message);
  void CMMouseEnter(kvp::TMessage& Message);
  void CMMouseLeave(kvp::TMessage& Message);
  void CMCancelMode(kvp::TMessage& Message);
  void CMShowingChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::CN_COMMAND, CNCommand)
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_CUT, WMCutPasteUndo)
  KV_MESSAGE(kvp::WM_PASTE, WMCutPasteUndo)
  KV_MESSAGE(kvp::WM_UNDO, WMCutPasteUndo)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::WM_LBUTTONDOWN, WMLButtonDown)
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_NCPAINT, WMNCPaint)
  KV_MESSAGE(WM_EDITIMAGECHANGEDKV, WMEditImageChanged)
  KV_MESSAGE(kvp::CM_ENTER, CMEnter)
  KV_MESSAGE(kvp::CM_EXIT, CMExit)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_HINTSHOW, CMHintShow)
  KV_MESSAGE(kvp::CM_PARENTSHOWHINTCHANGED, CMParentShowHintChanged)
  KV_MESSAGE(kvp::CM_GETDATALINK, CMGetDataLink)
  KV_MESSAGE(kvp::CM_COLORCHANGED, CMColorOrEnabledChanged)
  KV_MESSAGE(kvp::CM_ENABLEDCHANGED, CMColorOrEnabledChanged)
  KV_MESSAGE(kvp::CM_SYSCOLORCHANGE, CMSysColorChange)
  KV_MESSAGE(kvp::CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(kvp::CM_MOUSEENTER, CMMouseEnter)
  KV_MESSAGE(kvp::CM_MOUSELEAVE, CMMouseLeave)
  KV_MESSAGE(kvp::CM_CANCELMODE, CMCancelMode)
  KV_MESSAGE(kvp::CM_SHOWINGCHANGED, CMShowingChanged)
  KV_END_MESSAGE_MAP

  // Stored rules of the published properties.
  bool IsAlignmentStored() const { return FAlignmentAssigned; }
  bool IsTextStored();
  void ReadEditMask(kvp::TReader* Reader);
  void WriteEditMask(kvp::TWriter* Writer);

  // ---- State ----
  bool FAlwaysShowBorder = false;
  bool FAlignmentAssigned = false;
  bool FEditMaskAssigned = false;
  kvp::TObjectPtr<kvp::TControlCanvas> FCanvas;  // made on first self-paint or measurement
  kvp::TObjectPtr<TEditButtonKv> FEditButton;
  kvp::TObjectPtr<TEditButtonsKv> FEditButtons;
  kvp::TObjectPtr<TEditImageKv> FEditImage;
  bool FFlat = false;
  bool FHighlightRequired = false;
  kvp::TObjectPtr<TMRUListKv> FMRUList;
  TMRUListboxKv* FMRUListbox = nullptr;  // owned component; made on the first drop-down
  bool FDBReadOnly = false;              // the control's own ReadOnly
  bool FShowHintKv = false;              // the control's own ShowHint
  bool FTooltips = false;
  TGetImageIndexEventKv FOnGetImageIndex;
  bool FWheelInList = false;  // a wheel message is with the open list
  bool FWordWrap = false;
  kvp::TAlignment FAlignment = kvp::taLeftJustify;  // used while FAlignmentAssigned
  bool FBorderActive = false;                       // the flat border is drawn sunken
  kvp::Integer FButtonHeight = 0;                   // height given to every button control
  kvp::Integer FButtonsWidth = 0;                   // all button controls and dividers
  kvp::TObjectPtr<TFieldDataLinkKv> FDataLink;
  bool FInUpdate = false;    // OnUpdateData is running
  bool FListVisible = false;  // a drop-down of the control is open
  std::vector<TEditButtonRecKv> FButtons;  // 0: EditButton; i: EditButtons[i - 1]
  bool FFocused = false;                   // kept by SetFocused
  kvp::Integer FImageWidth = 0;            // pixels reserved for the image
  kvp::TComponent* FInplaceEditHolder = nullptr;
  bool FInplaceMode = false;
  IInplaceEditHolderKv* FInplaceEditHolderIntf = nullptr;
  bool FMouseInside = false;
  bool FJustDropped = false;  // the press that opened the drop-down is still under way
  bool FTextChanged = false;  // an EN_CHANGE arrived since the last user input began
};

// [SECTION] Combo box

// Where the drop-down list stands against its combo box.
enum TDropDownAlign { daLeft, daRight, daCenter };
KV_ENUM_INFO(TDropDownAlign, daLeft, daRight, daCenter)

// TDropDownBoxKv: the settings of a combo box's drop-down list. Width: -1 the
// widest item, a positive value that width, 0 the combo box's width; the list
// is never narrower than the combo box. A size the user gives the list with
// its grip is kept in Rows and Width.
class TDropDownBoxKv : public kvp::TPersistent {
  KV_CLASS(TDropDownBoxKv, kvp::TPersistent)
 public:
  TDropDownBoxKv() = default;
  void Assign(kvp::TPersistent* Source) override;

  TDropDownAlign GetAlign() const { return FAlign; }
  void SetAlign(TDropDownAlign Value) { FAlign = Value; }
  bool GetAutoDrop() const { return FAutoDrop; }
  void SetAutoDrop(bool Value) { FAutoDrop = Value; }
  kvp::Integer GetRows() const { return FRows; }
  void SetRows(kvp::Integer Value) { FRows = Value; }
  bool GetSizable() const { return FSizable; }
  void SetSizable(bool Value) { FSizable = Value; }
  kvp::Integer GetWidth() const { return FWidth; }
  void SetWidth(kvp::Integer Value) { FWidth = Value; }

  KV_PUBLISHED;

 private:
  TDropDownAlign FAlign = daLeft;
  bool FAutoDrop = false;  // typing opens the list
  kvp::Integer FRows = 7;
  bool FSizable = false;  // the list shows its size grip
  kvp::Integer FWidth = 0;
};

// TStringListKv: the string list of a combo box's stored values.
class TStringListKv : public kvp::TStringList {
  KV_CLASS(TStringListKv, kvp::TStringList)
 public:
  TStringListKv() = default;
};

// A written text that matches no item; RecheckInList is not used afterwards.
using TNotInListEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, const kvp::String& NewText, bool& RecheckInList)>;
using TCloseUpEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool Accept)>;
// May change Accept before the list's choice is taken.
using TBeforeCloseUpEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool& Accept)>;

// TCustomDBComboBoxKv: the edit box as a combo box. With KeyItems empty its
// list is plain: the user types freely, the text is the value, and the list
// (Items) only offers and completes texts. With KeyItems filled it is
// key-based: it shows Items[i] and stores KeyItems[i], and typing only
// searches the items; Items beyond KeyItems cannot be chosen.
//
// The list: DropDown (OnDropDown, then shown) -> the user chooses -> CloseUp
// (OnBeforeCloseUp, the choice taken when accepted, OnCloseUp).
class TCustomDBComboBoxKv : public TCustomDBEditKv {
  KV_CLASS(TCustomDBComboBoxKv, TCustomDBEditKv)
 public:
  explicit TCustomDBComboBoxKv(kvp::TComponent* AOwner) : TCustomDBEditKv(AOwner) {}

  TDropDownBoxKv* GetDropDownBox() const { return FDropDownBox.get(); }
  void SetDropDownBox(TDropDownBoxKv* Value) { FDropDownBox->Assign(Value); }
  kvp::TStrings* GetItems() const { return FItems.get(); }
  void SetItems(kvp::TStrings* Value) { FItems->Assign(Value); }
  kvp::TStrings* GetKeyItems() const { return FKeyItems.get(); }
  void SetKeyItems(kvp::TStrings* Value) { FKeyItems->Assign(Value); }
  // The edit image's list; setting one also shows the image.
  kvp::TCustomImageList* GetImages() const { return FEditImage->GetImages(); }
  void SetImages(kvp::TCustomImageList* Value);
  kvp::Integer GetItemIndex() const { return FItemIndex; }
  // A bound control puts the dataset into edit state and writes the choice.
  void SetItemIndex(kvp::Integer Value);
  // The items that can be chosen: Items, or as many as have a key.
  kvp::Integer GetItemCount() const { return FItemCount; }
  bool IsKeyBased() const { return FKeyBased; }
  bool GetListDropped() const { return FListDropped; }
  TPopupListboxKv* GetPopupListbox() const { return FPopupListbox; }
  void Clear() override;
  void DropDown() override;
  void CloseUp(bool Accept) override;
  // The previous (IsPrior) or next item, as Up and Down choose it.
  void SelectNextValue(bool IsPrior);

  // The class of the list made on the first drop-down; null: TPopupListboxKv.
  kvp::TClass PopupListboxClass = nullptr;
  TBeforeCloseUpEventKv OnBeforeCloseUp;
  TCloseUpEventKv OnCloseUp;
  kvp::TNotifyEvent OnDropDown;
  TListGetImageIndexEventKv OnGetItemImageIndex;
  // Asked to fill Items when they are wanted and empty.
  kvp::TNotifyEvent OnGetItems;
  TNotInListEventKv OnNotInList;

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void WndProc(kvp::TMessage& Message) override;
  void DefaultHandler(kvp::TMessage& Message) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void Change() override;
  void Click() override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;

  // Finds the first item that is S (or starts with it, Partial) and chooses
  // it; answers whether the choice changed.
  virtual bool LocateStr(const kvp::String& S, bool Partial);
  // Key-based typing: the typed prefix and Key search the items; Backspace
  // (#8) widens the selected tail by one character.
  virtual void ProcessSearchKey(const kvp::String& Key);
  virtual void RequestItems();
  virtual void InternalSetItemIndex(kvp::Integer Value);

  TEditButtonKv* CreateEditButton() override;
  kvp::TAlignment GetDefaultAlignment() override;
  kvp::Integer GetDefaultImageIndex() override { return FItemImageIndex; }
  kvp::String GetPaintText() override;
  kvp::Variant GetVarValue() override;
  bool IsValidChar(kvp::Char InputChar) override;
  void DefaultButtonDown(bool IsDown) override;
  void DataChange(kvp::TObject* Sender) override;
  void EditButtonMouseMove(kvp::TObject* Sender, kvp::TShiftState Shift, kvp::Integer X,
                           kvp::Integer Y) override;
  void InternalSetText(const kvp::String& AText) override;
  void InternalSetValue(const kvp::Variant& AValue) override;
  void InternalUpdatePostData() override;
  void ResetMaxLength() override;
  void UpdateReadOnlyState() override;
  void UpdateImageIndex() override;
  void UpdateData() override;

  void ItemsChanged(kvp::TObject* Sender);
  void KeyItemsChanged(kvp::TObject* Sender);
  void Recount();
  // ItemIndex follows the text (the list's selection too).
  void SyncItemIndex();
  void SelectInList();
  // The widest of the items that can be chosen, as the list shows them.
  kvp::Integer WidestItem();
  // Starts dragging from the control into the open list at a client point.
  void DragIntoList(kvp::TControl* From, kvp::Integer X, kvp::Integer Y);
  void ListMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button, kvp::TShiftState Shift,
                   kvp::Integer X, kvp::Integer Y);
  void ListGetImageIndex(kvp::TObject* Sender, kvp::Integer ItemIndex, kvp::Integer& ImageIndex);
  // Completes a plain list's text after a typed character.
  void CompleteTyped(kvp::Char Typed);

  void WMChar(kvp::TWMKey& Message);
  void WMSetCursor(kvp::TMessage& Message);
  void WMPaste(kvp::TMessage& Message);
  void WMKillFocus(kvp::TMessage& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMCancelMode(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_CHAR, WMChar)
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_PASTE, WMPaste)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_CANCELMODE, CMCancelMode)
  KV_END_MESSAGE_MAP

  kvp::TObjectPtr<TDropDownBoxKv> FDropDownBox;
  kvp::Integer FItemIndex = -1;
  kvp::TObjectPtr<kvp::TStringList> FItems;     // display texts
  kvp::TObjectPtr<TStringListKv> FKeyItems;     // stored values, case-sensitive
  bool FListDropped = false;                    // the popup list is open
  TPopupListboxKv* FPopupListbox = nullptr;     // owned component; made on the first drop-down
  kvp::Integer FItemCount = 0;                  // items that can be chosen
  bool FKeyBased = false;                       // KeyItems is not empty
  kvp::Variant FValue = kvp::Null();            // the stored value while key-based
  kvp::Integer FItemImageIndex = -1;            // image index of the current item
};

// TDBComboBoxKv: the combo box as forms place it; it publishes the combo box.
class TDBComboBoxKv : public TCustomDBComboBoxKv {
  KV_CLASS(TDBComboBoxKv, TCustomDBComboBoxKv)
 public:
  explicit TDBComboBoxKv(kvp::TComponent* AOwner) : TCustomDBComboBoxKv(AOwner) {}
  KV_PUBLISHED;
};

// [SECTION] Check box

// TCustomDBCheckBoxKv: the data-aware check box, painted by itself. It shows
// a field as checked, unchecked or grayed (Null, or a text that is in
// neither list); a Boolean field is read and written as a Boolean, any other
// through the ';'-separated texts of ValueChecked and ValueUnchecked (the
// first of each is written). Unbound, its value is True, False or Null.
//
// A click, the space key or the caption's accelerator toggle it (the dataset
// goes into edit state first): unchecked -> checked (grayed first with
// AllowGrayed) -> unchecked; grayed -> checked. OnClick fires once for each
// change of the state, made by the user, by a program or by a record that
// shows another state. The toggled state reaches the field when the link asks for
// it (leaving the control, a post, moving the record) or at once when a
// program sets State or Checked.
class TCustomDBCheckBoxKv : public kvp::TButtonControl {
  KV_CLASS(TCustomDBCheckBoxKv, kvp::TButtonControl)
 public:
  explicit TCustomDBCheckBoxKv(kvp::TComponent* AOwner) : kvp::TButtonControl(AOwner) {}

  kvp::TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
  void SetDataSource(kvp::TDataSource* Value);
  kvp::String GetDataField() const { return FDataLink->GetFieldName(); }
  void SetDataField(const kvp::String& Value) { FDataLink->SetFieldName(Value); }
  kvp::TField* GetField() const { return FDataLink->GetField(); }
  TFieldDataLinkKv* GetDataLink() const { return FDataLink.get(); }
  virtual bool IsDataIndependent() const { return FDataLink->GetDataIndependent(); }
  bool GetReadOnly() const { return FDataLink->GetReadOnly(); }
  void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }

  kvp::TLeftRight GetAlignment() const { return FAlignment; }
  void SetAlignment(kvp::TLeftRight Value);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool GetAlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  kvp::TCheckBoxState GetState() const { return FState; }
  // A bound control puts the dataset into edit state and writes the state at
  // once (nothing at design time).
  void SetState(kvp::TCheckBoxState Value);
  bool GetChecked() const override { return FState == kvp::cbChecked; }
  void SetChecked(bool Value) override { SetState(Value ? kvp::cbChecked : kvp::cbUnchecked); }
  const kvp::String& GetValueChecked() const { return FValueChecked; }
  void SetValueChecked(const kvp::String& Value);
  const kvp::String& GetValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const kvp::String& Value);
  // The state changed since it was last loaded.
  bool GetModified() const { return FModified; }
  // The rectangles of the box and of the caption, client coordinates.
  kvp::TRect BoxRect();
  kvp::TRect CaptionRect();

  bool ExecuteAction(kvp::TBasicAction* Action) override;
  bool UpdateAction(kvp::TBasicAction* Action) override;
  bool UseRightToLeftAlignment() const override;

  TUpdateDataEventKv OnUpdateData;

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void PaintWindow(kvp::HDC DC) override;
  void Click() override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;

  virtual void Paint();
  virtual void DrawCaption(const kvp::TRect& Rect, bool Focused);
  virtual void DrawCheck(const kvp::TRect& Rect, kvp::TCheckBoxState AState, bool Focused, bool Hot,
                         bool Pressed);
  virtual void DrawCheckAndCaption(kvp::TCheckBoxState AState, bool Focused, bool Hot,
                                   bool Pressed);
  // Changes the state as the user does: OnClick (unless clicks are
  // disabled), a repaint, the modified flag.
  virtual void InternalSetState(kvp::TCheckBoxState Value);
  virtual void InternalUpdatePostData();
  virtual void Toggle();
  virtual void UpdateData();

  // The state the field (or the unbound value) stands for.
  kvp::TCheckBoxState FieldState();
  void LinkDataChange(kvp::TObject* Sender);
  void LinkUpdateData(kvp::TObject* Sender);
  // The box goes to the right edge for a caption at its left.
  bool BoxAtRight() const;

  void WMEraseBkgnd(kvp::TMessage& Message);
  void WMPaint(kvp::TMessage& Message);
  void WMLButtonDown(kvp::TMessage& Message);
  void WMInvalidating(kvp::TMessage& Message);
  void CMDialogChar(kvp::TWMKey& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMExit(kvp::TMessage& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  void CMGetDataLink(kvp::TMessage& Message);
  void CMMouseEnter(kvp::TMessage& Message);
  void CMMouseLeave(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_ERASEBKGND, WMEraseBkgnd)
  KV_MESSAGE(kvp::WM_PAINT, WMPaint)
  KV_MESSAGE(kvp::WM_LBUTTONDOWN, WMLButtonDown)
  KV_MESSAGE(kvp::WM_LBUTTONDBLCLK, WMLButtonDown)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMInvalidating)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMInvalidating)
  KV_MESSAGE(kvp::WM_SIZE, WMInvalidating)
  KV_MESSAGE(kvp::CM_ENABLEDCHANGED, WMInvalidating)
  KV_MESSAGE(kvp::CM_TEXTCHANGED, WMInvalidating)
  KV_MESSAGE(kvp::CM_DIALOGCHAR, CMDialogChar)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_EXIT, CMExit)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_MESSAGE(kvp::CM_GETDATALINK, CMGetDataLink)
  KV_MESSAGE(kvp::CM_MOUSEENTER, CMMouseEnter)
  KV_MESSAGE(kvp::CM_MOUSELEAVE, CMMouseLeave)
  KV_END_MESSAGE_MAP

  bool IsStateStored() const { return IsDataIndependent() && FState != kvp::cbUnchecked; }
  bool IsValueCheckedStored() const { return FValueChecked != "True"; }
  bool IsValueUncheckedStored() const { return FValueUnchecked != "False"; }

  kvp::TLeftRight FAlignment = kvp::taRightJustify;  // side of the caption
  bool FAllowGrayed = false;
  bool FAlwaysShowBorder = false;
  kvp::TObjectPtr<TFieldDataLinkKv> FDataLink;
  bool FFlat = false;
  bool FModified = false;     // the state changed since it was last loaded
  bool FMouseInside = false;
  kvp::TCheckBoxState FState = kvp::cbUnchecked;
  kvp::String FValueChecked = "True";
  kvp::String FValueUnchecked = "False";
  kvp::TObjectPtr<kvp::TControlCanvas> FCanvas;
  bool FInUpdate = false;  // OnUpdateData is running
  bool FSpaceDown = false;
};

// TDBCheckBoxKv: the check box as forms place it; it publishes the check box.
class TDBCheckBoxKv : public TCustomDBCheckBoxKv {
  KV_CLASS(TDBCheckBoxKv, TCustomDBCheckBoxKv)
 public:
  explicit TDBCheckBoxKv(kvp::TComponent* AOwner) : TCustomDBCheckBoxKv(AOwner) {}
  KV_PUBLISHED;
};

}  // namespace korvel
