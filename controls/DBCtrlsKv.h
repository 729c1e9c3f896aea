// DBCtrlsKv: the data-aware edit controls a form holds next to the grid: an
// edit box with edit buttons, an image and a most-recently-used list that can
// also live inside a grid cell (TCustomDBEditKv), a combo box with plain or
// key-based lists (TCustomDBComboBoxKv, published as TDBComboBoxKv) and a
// check box (TCustomDBCheckBoxKv, TDBCheckBoxKv). Each is bound to a field
// through TFieldDataLinkKv, or works unbound with its value kept in the link.
//
// Unit start-up keeps the default edit-button width for flat buttons.
#pragma once

#include "controls/ToolCtrlsKv.h"

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

  void SetFields(const TFieldsArrKv& Value);
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

}  // namespace korvel
