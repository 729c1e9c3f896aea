// The field data link of the data-aware controls, its unbound mode, and the
// edit image's settings.
//
//   [SECTION] Unit routines      start-up, FlatButtonWidth, VariantToText, DBUseRightToLeftAlignment
//   [SECTION] TFieldDataLinkKv   binding, unbound mode, writing, notifications
//   [SECTION] TEditImageKv
#include <algorithm>

#include "controls/DBCtrlsKv.h"
#include "platform/controls/Controls.h"
#include "platform/win/System.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Unit routines

namespace {

// The unit's start-up: stored forms find the published controls by name.
[[maybe_unused]] const bool DBCtrlsKvRegistered = [] {
  RegisterClass(TDBComboBoxKv::StaticClass());
  RegisterClass(TDBCheckBoxKv::StaticClass());
  return true;
}();

}  // namespace

Integer FlatButtonWidth() {
  // Kept from the toolkit's value the first time it is asked for: the
  // toolkit works it out once, from the screen font, and never again.
  static const Integer Width = DefaultEditButtonWidth();
  return Width;
}

String VariantToText(const Variant& V) {
  if (VarIsArray(V)) return "";
  return VarToStr(V);
}

// From the control's own settings, not its UseRightToLeftAlignment, which
// the data-aware controls answer with this routine.
bool DBUseRightToLeftAlignment(TControl* Control, TField* /*Field*/) {
  return Control && SysLocale.MiddleEast && Control->GetBiDiMode() == bdRightToLeft;
}

// [SECTION] TFieldDataLinkKv

void TFieldDataLinkKv::Construct() {
  inherited::Construct();
  SetVisualControl(true);
}

void TFieldDataLinkKv::Destroy() {
  OnDataChange = nullptr;
  OnEditingChange = nullptr;
  OnUpdateData = nullptr;
  OnActiveChange = nullptr;
  FControl = nullptr;
  inherited::Destroy();
}

void TFieldDataLinkKv::SetDataSource(TDataSource* Value) {
  if (GetDataSource() == Value) return;
  inherited::SetDataSource(Value);
  UpdateDataIndependent();
}

void TFieldDataLinkKv::SetFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  UpdateField();
  UpdateDataIndependent();
}

void TFieldDataLinkKv::SetMultiFields(bool Value) {
  if (FMultiFields == Value) return;
  FMultiFields = Value;
  UpdateField();
}

// The mode follows DataSource and FieldName: entering it shows the empty
// value; leaving it drops the value the link held.
void TFieldDataLinkKv::UpdateDataIndependent() {
  const bool New = GetDataSource() == nullptr && FFieldName.empty();
  if (New == FDataIndependent) return;
  const bool Old = FDataIndependent;
  FDataIndependent = New;
  FValue = Null();
  UpdateField();
  if (!Old && New) RecordChanged(nullptr);
}

bool TFieldDataLinkKv::IsActive() const {
  if (FDataIndependent) return true;
  return GetActive() && GetField() != nullptr;
}

bool TFieldDataLinkKv::CanModify() const {
  if (TField* F = GetField()) return F->GetCanModify();
  return FDataIndependent;
}

bool TFieldDataLinkKv::Edit() {
  if (!FDataIndependent) {
    if (CanModify()) inherited::Edit();
  } else if (!FEditing && !GetReadOnly()) {
    FEditing = true;
    FModified = false;
    if (OnEditingChange) OnEditingChange(this);
  }
  return FEditing;
}

void TFieldDataLinkKv::SetText(const String& Text) {
  if (FDataIndependent) {
    FValue = Text;
    RecordChanged(nullptr);
    return;
  }
  TField* F = GetField();
  if (!F) return;  // bound to a field that does not exist (yet): nothing to write into
  if (F->Is<TMemoField>())
    F->SetAsString(Text);
  else
    F->SetText(Text);
}

void TFieldDataLinkKv::SetValue(const Variant& V) {
  if (FDataIndependent) {
    FValue = V;
    RecordChanged(nullptr);
    return;
  }
  const Integer Count = Integer(FFields.size());
  if (Count == 0) return;
  if (Count == 1) {
    FFields.front()->SetValue(V);
    return;
  }
  if (VarEquals(V, Null())) {
    for (TField* F : FFields) F->SetValue(Null());
    return;
  }
  // Several fields take one element each: the whole shape is checked first,
  // so that a wrong value leaves every field as it was.
  if (!VarIsArray(V) || VarArrayHighBound(V) - VarArrayLowBound(V) + 1 < Count)
    throw EVariantError("The value of the fields '" + FFieldName + "' must be Null or an array of " +
                        IntToStr(Count) + " values");
  const Integer Low = VarArrayLowBound(V);
  for (Integer I = 0; I < Count; ++I) FFields[std::size_t(I)]->SetValue(V[Low + I]);
}

bool TFieldDataLinkKv::IsBound(const TField* Field) const {
  return std::find(FFields.begin(), FFields.end(), Field) != FFields.end();
}

void TFieldDataLinkKv::UpdateField() { UpdateFields(false); }

void TFieldDataLinkKv::UpdateFields(bool Announce) {
  TFieldsArrKv List;
  if (GetActive() && !FFieldName.empty()) {
    TDataSet* DataSet = GetDataSet();
    if (!FMultiFields) {
      List.push_back(FControl ? GetFieldProperty(DataSet, FControl, FFieldName)
                              : DataSet->FieldByName(FFieldName));
    } else if (FControl) {
      List = GetFieldsArray(DataSet, FControl, FFieldName);
    } else {
      DataSet->GetFieldList(List, FFieldName);
    }
  }
  SetFields(List, Announce);
}

// A new set of fields is always announced. The same fields found again are
// announced only when Announce is set: the dataset's layout changed, and a
// field may have become read-only or writable, so the control must work out
// its editing state and show its value again. A look-up made for the link's
// own reasons (its name or source set to what finds the same fields) does
// not reload the control.
void TFieldDataLinkKv::SetFields(const TFieldsArrKv& Value, bool Announce) {
  if (FFields == Value && !Announce) return;
  FFields = Value;
  EditingChanged();
  RecordChanged(nullptr);
  UpdateRightToLeft();
}

void TFieldDataLinkKv::UpdateRightToLeft() {
  auto* Win = DynCast<TWinControl>(FControl);
  if (!Win || !Win->HandleAllocated()) return;
  const bool IsRight = (GetWindowLong(Win->GetHandle(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
  if (IsRight != DBUseRightToLeftAlignment(Win, GetField()))
    SendMessage(Win->GetHandle(), CM_RECREATEWND, 0, 0);
}

void TFieldDataLinkKv::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  FModified = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLinkKv::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkKv::EditingChanged() { SetEditing(inherited::GetEditing() && CanModify()); }

// A change of a field the control does not show leaves its pending text
// pending: only a reload of its own value clears the modified flag.
void TFieldDataLinkKv::RecordChanged(TField* Field) {
  if (Field && !IsBound(Field)) return;
  if (OnDataChange) OnDataChange(this);
  FModified = false;
}

// The dataset's fields changed their settings (read-only, visible, label ...)
// or were made again: the control is told even when the same fields are found.
void TFieldDataLinkKv::LayoutChanged() { UpdateFields(true); }

void TFieldDataLinkKv::DataEvent(TDataEvent Event, TDataEventInfo Info) {
  inherited::DataEvent(Event, Info);
  if (Event != deDisabledStateChange) return;
  // The dataset opened or closed while its controls were disabled.
  if (Info != 0)
    UpdateField();
  else
    FFields.clear();
}

void TFieldDataLinkKv::FocusControl(TField** Field) {
  if (!Field || !*Field || !IsBound(*Field)) return;
  auto* Win = DynCast<TWinControl>(FControl);
  if (!Win || !Win->CanFocus()) return;
  *Field = nullptr;
  Win->SetFocus();
}

void TFieldDataLinkKv::UpdateData() {
  if (!FDataIndependent) {
    if (!FModified) return;
    if (GetField() && OnUpdateData) OnUpdateData(this);
    FModified = false;
    return;
  }
  if (FModified && OnUpdateData) OnUpdateData(this);
  FEditing = false;
  FModified = false;
}

// [SECTION] TEditImageKv

void TEditImageKv::KvPublish(TPublisher<TEditImageKv>& P) {
  P.Prop("ImageIndex", &TEditImageKv::GetImageIndex, &TEditImageKv::SetImageIndex).Default(-1);
  P.Prop("Images", &TEditImageKv::GetImages, &TEditImageKv::SetImages);
  P.Prop("UseImageHeight", &TEditImageKv::GetUseImageHeight, &TEditImageKv::SetUseImageHeight)
      .Default(true);
  P.Prop("Visible", &TEditImageKv::GetVisible, &TEditImageKv::SetVisible).Default(false);
  P.Prop("Width", &TEditImageKv::GetWidth, &TEditImageKv::SetWidth).Default(0);
}

void TEditImageKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TEditImageKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  SetImages(Src->GetImages());
  SetImageIndex(Src->GetImageIndex());
  SetVisible(Src->GetVisible());
  SetWidth(Src->GetWidth());
}

void TEditImageKv::Changed() {
  if (FEditControl)
    FEditControl->Perform(WM_EDITIMAGECHANGEDKV, reinterpret_cast<WPARAM>(this), 0);
}

void TEditImageKv::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FEditControl) FEditControl->Invalidate();
}

void TEditImageKv::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  FImages = Value;
  Changed();
  if (FImages && FEditControl) FImages->FreeNotification(FEditControl);
}

void TEditImageKv::SetUseImageHeight(bool Value) {
  if (FUseImageHeight == Value) return;
  FUseImageHeight = Value;
  Changed();
}

void TEditImageKv::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed();
}

void TEditImageKv::SetWidth(Integer Value) {
  if (FWidth == Value) return;
  FWidth = Value;
  Changed();
}

}  // namespace korvel
