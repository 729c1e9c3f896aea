// The data-aware edit box: construction, binding, the roads of text and value
// between field and window, read-only state, the required-field mark, height,
// window style, painting, keys, the hint for clipped text and focus.
//
// Index
//   [SECTION] Construction        Construct, Destroy, factories, Notification, Loaded
//   [SECTION] Binding             SetDataSource, SetDataField, ResetMaxLength, ActiveChange
//   [SECTION] Text and value      SetText, SetVarValue, InternalSetText, Clear, Change
//   [SECTION] Field to window     DataChange, UpdateReadOnlyState, EditingChange
//   [SECTION] Window to field     UpdateData, InternalUpdatePostData
//   [SECTION] Properties          EditMask, Alignment, flags, stored rules
//   [SECTION] Height and style    AdjustHeight, UpdateHeight, CanAutoSize, CreateParams
//   [SECTION] Painting            PaintWindow, GetPaintText, DrawRequiredState
//   [SECTION] Keys                KeyDown, KeyUp, KeyPress, WM_CHAR, DefaultHandler
//   [SECTION] Hints               CM_HINTSHOW, TToolTipsWindow
//   [SECTION] Focus and messages  CM_ENTER, CM_EXIT, SetFocused, the other handlers
#include <algorithm>

#include "controls/DBCtrlsKvImpl.h"
#include "platform/classes/Actions.h"
#include "platform/classes/Filer.h"
#include "platform/controls/EditClass.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace dbctrls {

TEXTMETRIC ScreenTextMetrics(TFont* Font) {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font ? HGDIOBJ(Font->GetHandle()) : GetStockObject(SYSTEM_FONT));
  TEXTMETRIC TM{};
  GetTextMetrics(DC, &TM);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return TM;
}

}  // namespace dbctrls

using dbctrls::IsTypedChar;
using dbctrls::NewStyleControls;
using dbctrls::ScreenTextMetrics;

// [SECTION] Construction

void TCustomDBEditKv::Construct() {
  inherited::Construct();
  FControlStyle += csCaptureMouse;
  FControlStyle += csReplicatable;
  FDataLink.reset(CreateDataLink());
  FDataLink->SetControl(this);
  FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBEditKv::LinkDataChange);
  FDataLink->OnEditingChange = TNotifyEvent(this, &TCustomDBEditKv::EditingChange);
  FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBEditKv::LinkUpdateData);
  FDataLink->OnActiveChange = TNotifyEvent(this, &TCustomDBEditKv::ActiveChange);
  FEditButton.reset(CreateEditButton());
  FEditButton->OnChange = TNotifyEvent(this, &TCustomDBEditKv::ButtonsChanged);
  FEditButtons.reset(CreateEditButtons());
  FEditButtons->OnChange = TNotifyEvent(this, &TCustomDBEditKv::ButtonsChanged);
  FEditImage.reset(CreateEditImage());
  FMRUList.reset(TMRUListKv::Create(this));
  FMRUList->OnSetCloseUp = TMRUCloseUpEventKv(this, &TCustomDBEditKv::MRUListCloseUp);
  FMRUList->OnSetDropDown = TNotifyEvent(this, &TCustomDBEditKv::MRUListDropDown);
  UpdateHeight();
  UpdateReadOnlyState();
  UpdateImageIndex();
}

void TCustomDBEditKv::Destroy() {
  // The window goes first, while everything its last messages reach is there.
  DestroyHandle();
  for (TEditButtonRecKv& Rec : FButtons) {
    Rec.ButtonControl->Free();
    Rec.Divider->Free();
  }
  FButtons.clear();
  FEditImage.reset();
  FEditButton.reset();
  FEditButtons.reset();
  FDataLink.reset();
  FCanvas.reset();
  FMRUList.reset();
  inherited::Destroy();
}

TFieldDataLinkKv* TCustomDBEditKv::CreateDataLink() { return TFieldDataLinkKv::Create(); }

TEditButtonKv* TCustomDBEditKv::CreateEditButton() {
  return TEditButtonKv::Create(static_cast<TWinControl*>(this));
}

TEditButtonsKv* TCustomDBEditKv::CreateEditButtons() {
  return TEditButtonsKv::Create(this, TVisibleEditButtonKv::StaticClass());
}

TEditButtonControlKv* TCustomDBEditKv::CreateEditButtonControl() {
  TEditButtonControlKv* Button = TEditButtonControlKv::Create(this);
  Button->SetBounds(0, 0, 10, 17);
  Button->SetVisible(true);
  Button->SetTransparent(false);
  Button->SetControlStyle(Button->GetControlStyle() + csReplicatable);
  Button->SetParent(this);
  return Button;
}

TEditImageKv* TCustomDBEditKv::CreateEditImage() { return TEditImageKv::Create(this); }

void TCustomDBEditKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (FDataLink && AComponent == GetDataSource()) SetDataSource(nullptr);
  if (FEditImage && AComponent == FEditImage->GetImages()) FEditImage->SetImages(nullptr);
  if (AComponent == FInplaceEditHolder) {
    FInplaceEditHolder = nullptr;
    FInplaceEditHolderIntf = nullptr;
    FInplaceMode = false;
  }
  if (AComponent == FMRUListbox) FMRUListbox = nullptr;
  if (FEditButton && AComponent == FEditButton->GetDropdownMenu())
    FEditButton->SetDropdownMenu(nullptr);
  if (FEditButtons)
    for (Integer I = 0; I < FEditButtons->GetCount(); ++I)
      if (AComponent == FEditButtons->GetItems(I)->GetDropdownMenu())
        FEditButtons->GetItems(I)->SetDropdownMenu(nullptr);
}

void TCustomDBEditKv::Loaded() {
  inherited::Loaded();
  ResetMaxLength();
  if (GetComponentState().Contains(csDesigning)) DataChange(this);
  UpdateBorderActive();
}

bool TCustomDBEditKv::IsEnabledAndActive() {
  return GetEnabled() && FDataLink && FDataLink->IsActive();
}

// [SECTION] Binding

void TCustomDBEditKv::SetDataSource(TDataSource* Value) {
  if (!(FDataLink->GetDataSourceFixed() && GetComponentState().Contains(csLoading)))
    FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  LinkDataChange(this);
  Invalidate();
}

void TCustomDBEditKv::SetDataField(const String& Value) {
  if (!GetComponentState().Contains(csDesigning)) ResetMaxLength();
  FDataLink->SetFieldName(Value);
  UpdateButtonState();
  Invalidate();
}

void TCustomDBEditKv::ResetMaxLength() {
  if (GetMaxLength() <= 0) return;
  TDataSet* DataSet = GetDataSource() ? GetDataSource()->GetDataSet() : nullptr;
  if (!DataSet) return;
  TField* F = DataSet->FindField(GetDataField());
  if (F && (F->GetDataType() == ftString || F->GetDataType() == ftWideString) &&
      F->GetSize() == GetMaxLength())
    SetMaxLength(0);
}

void TCustomDBEditKv::ActiveChange(TObject*) {
  ResetMaxLength();
  UpdateButtonState();
}

// [SECTION] Text and value

// A bound control without a field (no data source, a closed dataset) shows
// the text and writes it nowhere; one with a field writes it at once.
void TCustomDBEditKv::SetText(const String& Value) {
  if (GetComponentState().Contains(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent() && GetField()) GetField()->GetDataSet()->Edit();
  InternalSetText(Value);
  if (!FInUpdate) UpdateData();
}

void TCustomDBEditKv::SetVarValue(const Variant& Value) {
  if (GetComponentState().Contains(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent() && GetField()) GetField()->GetDataSet()->Edit();
  InternalSetValue(Value);
  if (!FInUpdate) UpdateData();
}

Variant TCustomDBEditKv::GetVarValue() { return Variant(GetText()); }

void TCustomDBEditKv::InternalSetText(const String& AText) { TCustomMaskEdit::SetText(AText); }

void TCustomDBEditKv::InternalSetValue(const Variant& AValue) {
  InternalSetText(VariantToText(AValue));
}

void TCustomDBEditKv::Clear() { SetText(""); }

bool TCustomDBEditKv::EditCanModify() { return FDataLink->Edit(); }

void TCustomDBEditKv::Reset() {
  FDataLink->Reset();
  SelectAll();
}

void TCustomDBEditKv::Change() {
  FDataLink->SetModified();
  SetModified(true);
  inherited::Change();
  UpdateImageIndex();
}

// [SECTION] Field to window

void TCustomDBEditKv::LinkDataChange(TObject* Sender) {
  DataChange(Sender);
  UpdateButtonState();
}

String TCustomDBEditKv::GetFieldEditMask() {
  return GetField() ? GetField()->GetEditMask() : String();
}

void TCustomDBEditKv::DataChange(TObject*) {
  TField* F = GetField();
  String Text;
  if (F) {
    // [Phase 1] What the field decides about the control.
    if (F->GetAlignment() != FAlignment) Invalidate();
    if (!FEditMaskAssigned) TCustomMaskEdit::SetEditMask(GetFieldEditMask());
    if (!GetComponentState().Contains(csDesigning) &&
        (F->GetDataType() == ftString || F->GetDataType() == ftWideString) && GetMaxLength() == 0)
      SetMaxLength(F->GetSize());
    // [Phase 2] Focused and writable: the edit text, through the mask.
    if (FFocused && FDataLink->CanModify()) {
      InternalSetText(F->Is<TMemoField>() ? F->GetAsString() : F->GetText());
      UpdateReadOnlyState();
      SetModified(false);
      return;
    }
    Text = F->Is<TMemoField>() ? F->GetAsString() : F->GetDisplayText();
  } else {
    if (!FEditMaskAssigned) TCustomMaskEdit::SetEditMask("");
    Text = IsDataIndependent() ? VariantToText(FDataLink->GetValue()) : String();
  }
  // [Phase 3] Otherwise the display text, as it is.
  SetEditText(Text);
  UpdateReadOnlyState();
  SetModified(false);
}

void TCustomDBEditKv::EditingChange(TObject*) { UpdateReadOnlyState(); }

void TCustomDBEditKv::UpdateReadOnlyState() {
  bool RO = FDBReadOnly;
  if (!RO) {
    RO = !FDataLink->GetEditing();
    TDataSet* DataSet = FDataLink->GetDataSet();
    if (RO && OnUpdateData && DataSet && DataSet->GetState() == dsEdit) RO = false;
  }
  if (!RO && FInplaceMode && FInplaceEditHolderIntf)
    RO = !FInplaceEditHolderIntf->InplaceEditCanModify(this);
  TCustomEdit::SetReadOnly(RO);
}

// [SECTION] Window to field

void TCustomDBEditKv::LinkUpdateData(TObject*) { UpdateData(); }

void TCustomDBEditKv::UpdateData() {
  if (FFocused) ValidateEdit();
  bool Handled = false;
  if (OnUpdateData) {
    FInUpdate = true;
    try {
      OnUpdateData(this, Handled);
    } catch (...) {
      FInUpdate = false;
      throw;
    }
    FInUpdate = false;
  }
  if (!Handled) InternalUpdatePostData();
  SetModified(false);
  if (FMRUList->GetAutoAdd() && FMRUList->GetActive() && GetShowing()) FMRUList->Add(GetText());
}

void TCustomDBEditKv::InternalUpdatePostData() {
  if (IsDataIndependent())
    FDataLink->SetText(GetEditText());  // the unbound value keeps the mask's literals
  else
    FDataLink->SetText(GetText());
}

// [SECTION] Properties

void TCustomDBEditKv::SetEditMask(const String& Value) {
  if (FEditMaskAssigned && GetEditMask() == Value) return;
  const bool Loading = GetComponentState().Contains(csLoading);
  String Kept;
  if (Loading && IsDataIndependent()) Kept = GetText();
  TCustomMaskEdit::SetEditMask(Value);
  FEditMaskAssigned = true;
  if (Loading && !Kept.empty()) InternalSetText(Kept);
  if (IsDataIndependent())
    InternalUpdatePostData();
  else
    DataChange(this);
}

void TCustomDBEditKv::ReadEditMask(TReader* Reader) { SetEditMask(Reader->ReadString()); }
void TCustomDBEditKv::WriteEditMask(TWriter* Writer) { Writer->WriteString(GetEditMask()); }

void TCustomDBEditKv::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("EditMask", TReaderProc(this, &TCustomDBEditKv::ReadEditMask),
                        TWriterProc(this, &TCustomDBEditKv::WriteEditMask), FEditMaskAssigned);
}

bool TCustomDBEditKv::IsTextStored() { return IsDataIndependent() && !GetText().empty(); }

TAlignment TCustomDBEditKv::GetDefaultAlignment() {
  return GetField() ? GetField()->GetAlignment() : taLeftJustify;
}

TAlignment TCustomDBEditKv::GetAlignment() {
  return FAlignmentAssigned ? FAlignment : GetDefaultAlignment();
}

void TCustomDBEditKv::SetAlignment(TAlignment Value) {
  if (FAlignmentAssigned && FAlignment == Value) return;
  FAlignment = Value;
  FAlignmentAssigned = true;
  if (FWordWrap)
    RecreateWnd();  // the window's style carries the alignment
  else
    Invalidate();
}

void TCustomDBEditKv::SetAlwaysShowBorder(bool Value) {
  if (FAlwaysShowBorder == Value) return;
  FAlwaysShowBorder = Value;
  UpdateBorderActive();
}

void TCustomDBEditKv::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  UpdateHeight();
  if (HandleAllocated()) {
    LayoutButtons();
    UpdateButtonState();
    UpdateTextRect();
    SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Invalidate();
}

void TCustomDBEditKv::SetHighlightRequired(bool Value) {
  if (FHighlightRequired == Value) return;
  FHighlightRequired = Value;
  Invalidate();
}

void TCustomDBEditKv::SetReadOnly(bool Value) {
  if (FDBReadOnly == Value) return;
  FDBReadOnly = Value;
  UpdateReadOnlyState();
}

void TCustomDBEditKv::SetShowHint(bool Value) {
  if (FShowHintKv == Value) return;
  FShowHintKv = Value;
  UpdateHintProcessing();
}

void TCustomDBEditKv::SetTooltips(bool Value) {
  if (FTooltips == Value) return;
  FTooltips = Value;
  UpdateHintProcessing();
}

void TCustomDBEditKv::UpdateHintProcessing() { TControl::SetShowHint(FTooltips || FShowHintKv); }

void TCustomDBEditKv::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  RecreateWnd();
}

// [SECTION] Height and style

void TCustomDBEditKv::SetAutoSize(bool Value) {
  if (GetAutoSize() == Value) return;
  inherited::SetAutoSize(Value);
  UpdateHeight();
}

void TCustomDBEditKv::UpdateHeight() {
  if (GetAutoSize() && GetBorderStyle() == bsSingle) {
    FControlStyle += csFixedHeight;
    AdjustHeight();
  } else {
    FControlStyle -= csFixedHeight;
  }
}

// The height for the font (or a taller image) and the border.
bool TCustomDBEditKv::CanAutoSize(Integer& /*NewWidth*/, Integer& NewHeight) {
  if (GetBorderStyle() != bsSingle) return true;
  const TEXTMETRIC SysMetrics = ScreenTextMetrics(nullptr);
  const TEXTMETRIC Metrics = ScreenTextMetrics(GetFont());
  Integer I = 0;
  if (NewStyleControls()) {
    I = GetCtl3D() ? 8 : 6;
    if (FFlat) I -= 2;
    I *= GetSystemMetrics(SM_CYBORDER);
  } else {
    I = std::min(SysMetrics.tmHeight, Metrics.tmHeight) / 4 + 4 * GetSystemMetrics(SM_CYBORDER);
  }
  TCustomImageList* Images = FEditImage ? FEditImage->GetImages() : nullptr;
  if (Images && FEditImage->GetUseImageHeight() && Images->GetHeight() > Metrics.tmHeight)
    NewHeight = Images->GetHeight() + I;
  else
    NewHeight = Metrics.tmHeight + I;
  return true;
}

void TCustomDBEditKv::AdjustHeight() {
  if (GetComponentState().Contains(csLoading)) return;
  Integer W = GetWidth(), H = GetHeight();
  CanAutoSize(W, H);
  SetHeight(H);
}

void TCustomDBEditKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  static constexpr DWORD Alignments[2][2][3] = {
      {{ES_LEFT, ES_LEFT, ES_LEFT}, {ES_RIGHT, ES_RIGHT, ES_RIGHT}},
      {{ES_LEFT, ES_RIGHT, ES_CENTER}, {ES_RIGHT, ES_LEFT, ES_CENTER}}};
  const DWORD WordWrapMask = FWordWrap ? ES_AUTOHSCROLL : 0;
  const DWORD Password = GetPasswordChar() == 0 ? ES_MULTILINE : 0;
  const DWORD Align = Alignments[FWordWrap][UseRightToLeftAlignment()][GetAlignment()];
  Params.Style = (Params.Style & ~WordWrapMask) | Password | Align;
}

// [SECTION] Painting

String TCustomDBEditKv::GetPaintText() {
  if (GetComponentState().Contains(csDesigning) && !FDataLink->IsActive()) return GetName();
  if (FControlState.Contains(csPaintCopy) && GetField()) {
    String S = GetField()->GetDisplayText();
    if (GetCharCase() == ecUpperCase) return AnsiUpperCase(S);
    if (GetCharCase() == ecLowerCase) return AnsiLowerCase(S);
    return S;
  }
  return GetEditText();
}

void TCustomDBEditKv::PaintWindow(HDC DC) {
  if (!FCanvas) {
    FCanvas.reset(TControlCanvas::Create());
    FCanvas->SetControl(this);
  }
  TAlignment A = GetAlignment();
  if (UseRightToLeftAlignment() && A != taCenter)
    A = A == taLeftJustify ? taRightJustify : taLeftJustify;
  const bool ByWindow = (A == taLeftJustify || FFocused || FWordWrap) &&
                        !FControlState.Contains(csPaintCopy) &&
                        !(GetComponentState().Contains(csDesigning) && !FDataLink->IsActive());
  if (ByWindow) {
    if (SysLocale.MiddleEast && HandleAllocated()) {
      LONG Ex = GetWindowLong(GetHandle(), GWL_EXSTYLE) & ~(WS_EX_RIGHT | WS_EX_RTLREADING |
                                                            WS_EX_LEFTSCROLLBAR);
      if (UseRightToLeftAlignment() ? GetAlignment() == taLeftJustify
                                    : GetAlignment() == taRightJustify)
        Ex |= WS_EX_RIGHT;
      if (UseRightToLeftReading()) Ex |= WS_EX_RTLREADING;
      if (UseRightToLeftScrollBar()) Ex |= WS_EX_LEFTSCROLLBAR;
      SetWindowLong(GetHandle(), GWL_EXSTYLE, Ex);
    }
    // The window fills its whole client area, so the image and the mark go
    // over what it painted.
    inherited::PaintWindow(DC);
    DrawEditImage(DC);
    FCanvas->PaintOn(DC, [&] { DrawRequiredState(FCanvas.get()); });
    return;
  }
  FCanvas->PaintOn(DC, [&] {
    TCanvas* C = FCanvas.get();
    C->GetFont()->Assign(GetFont());
    TRect R = PaintTextRect();
    const bool Single = GetBorderStyle() == bsSingle;
    if (Single && !GetCtl3D()) {
      // The frame runs round the client area's edge; the text stays inside it
      // (the text rectangle of this look already keeps off the edge).
      TRect Client = GetClientRect();
      C->GetBrush()->SetColor(clWindowFrame);
      C->FrameRect(Client);
      InflateRect(Client, -1, -1);
      IntersectRect(R, R, Client);
    }
    C->GetBrush()->SetColor(GetColor());
    C->FillRect(R);
    if (!GetEnabled()) C->GetFont()->SetColor(clGrayText);
    String S = GetPaintText();
    if (GetPasswordChar()) S = StringOfChar(GetPasswordChar(), Length(S));
    // [Phase 2] Margins as the window would use them.
    Integer Left = 0, Top = 0;
    if (NewStyleControls()) {
      const Integer I = !Single ? 0 : (GetCtl3D() ? 1 : 2);
      Left = Integer(LOWORD(SendMessage(GetHandle(), EM_GETMARGINS, 0, 0))) + I;
      Top = I;
    } else if (Single) {
      Left = Top = std::min(ScreenTextMetrics(nullptr).tmHeight,
                            ScreenTextMetrics(GetFont()).tmHeight) /
                   4;
    }
    const Integer W = C->TextWidth(S);
    Integer X = Left;
    if (A == taRightJustify)
      X = R.Right - W - Left;
    else if (A == taCenter)
      X = (R.Right - W) / 2;
    C->GetBrush()->SetStyle(bsClear);
    C->TextRect(R, X, Top, S);
    DrawRequiredState(C);
  });
  DrawEditImage(DC);
}

void TCustomDBEditKv::DrawRequiredState(TCanvas* ACanvas) {
  bool Draw = false;
  if (FHighlightRequired && FDataLink->IsActive()) {
    if (IsDataIndependent()) {
      Draw = VarIsNull(GetValue()) || GetText().empty();
    } else if (TField* F = GetField()) {
      const TDataSetState State = F->GetDataSet()->GetState();
      if ((State == dsEdit || State == dsInsert) && F->GetRequired()) Draw = F->IsNull();
    }
  }
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, Draw);
  if (!Draw) return;
  const TRect R = GetEditRect();
  const Integer Y = GetClientHeight() - 1;
  ACanvas->GetPen()->SetColor(clRed);
  ACanvas->GetPen()->SetStyle(psDot);
  ACanvas->MoveTo(R.Left + 2, Y);
  ACanvas->LineTo(R.Right - 3, Y);
}

// [SECTION] Keys

bool TCustomDBEditKv::IsValidChar(Char InputChar) {
  return !GetField() || GetField()->IsValidChar(InputChar);
}

void TCustomDBEditKv::KeyDown(Word& Key, TShiftState Shift) {
  if (FInplaceMode && FInplaceEditHolderIntf) {
    FInplaceEditHolderIntf->InplaceEditKeyDown(this, Key, Shift);
    if (Key == 0) return;
  }
  inherited::KeyDown(Key, Shift);
  if (Key == 0) return;
  if (HandleShortCut(Key, Shift)) {
    Key = 0;
    return;
  }
  if (Key == 'A' && Shift == TShiftState{ssCtrl}) SelectAll();
  if ((Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) && !FDBReadOnly)
    FDataLink->Edit();
}

void TCustomDBEditKv::KeyUp(Word& Key, TShiftState Shift) {
  if (FInplaceMode && FInplaceEditHolderIntf) {
    FInplaceEditHolderIntf->InplaceEditKeyUp(this, Key, Shift);
    if (Key == 0) return;
  }
  inherited::KeyUp(Key, Shift);
}

void TCustomDBEditKv::KeyPress(Char& Key) {
  if (FInplaceMode && FInplaceEditHolderIntf) {
    FInplaceEditHolderIntf->InplaceEditKeyPress(this, Key);
    if (Key == 0) return;
  }
  inherited::KeyPress(Key);
  if (Key == 0) return;
  // [Phase 1] A character the field refuses beeps and goes no further.
  if (IsTypedChar(Key) && !IsDataIndependent() && !IsValidChar(Key)) {
    MessageBeep(0);
    Key = 0;
    return;
  }
  // [Phase 2] What changes the text puts the value into editing first.
  if (Key == 8 || Key == 22 || Key == 24 || IsTypedChar(Key)) {
    if (!FDBReadOnly) FDataLink->Edit();
  } else if (Key == 27) {
    FDataLink->Reset();
    SelectAll();
    Key = 0;
    return;
  }
  // [Phase 3] Backspace in an empty text offers every entry of the list.
  if (Key == 8 && GetText().empty() && FMRUList->GetActive() && GetShowing() && !FListVisible &&
      !MRUDroppedDown())
    FMRUList->DropDown();
}

void TCustomDBEditKv::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_CHAR && (Message.WParam == 13 || Message.WParam == 9 || Message.WParam == 10))
    Message.WParam = 0;
  if (Message.Msg >= WM_LBUTTONDOWN && Message.Msg <= WM_MBUTTONDBLCLK && HandleAllocated() &&
      GetCapture() != GetHandle()) {
    const TPoint P{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    const TRect Buttons = ButtonsRect(), Image = ImageRect();
    if (PtInRect(Buttons, P) || PtInRect(Image, P)) return;
  }
  inherited::DefaultHandler(Message);
}

void TCustomDBEditKv::WMGetDlgCode(TMessage& Message) {
  Message.Result = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
  if (FInplaceMode)
    if (auto* Holder = DynCast<TWinControl>(FInplaceEditHolder))
      if (Holder->Perform(WM_GETDLGCODE) & DLGC_WANTTAB) Message.Result |= DLGC_WANTTAB;
}

void TCustomDBEditKv::CMWantSpecialKey(TWMKey& Message) {
  if ((Message.CharCode == VK_RETURN || Message.CharCode == VK_ESCAPE) && MRUDroppedDown() &&
      FMRUListbox->GetItemIndex() >= 0) {
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (Message.CharCode == VK_ESCAPE && GetModified()) Message.Result = 1;
}

void TCustomDBEditKv::WMCutPasteUndo(TMessage& Message) {
  FDataLink->Edit();
  inherited::Dispatch(Message);
}

// [SECTION] Hints

namespace dbctrls {

TRect TToolTipsWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) {
  if (AData) GetCanvas()->GetFont()->Assign(static_cast<TFont*>(AData));
  return inherited::CalcHintRect(MaxWidth, AHint, AData);
}

}  // namespace dbctrls

bool TCustomDBEditKv::IsTextClipped() {
  const TRect R = GetEditRect();
  UINT Flags = DrawTextBiDiModeFlags(DT_CALCRECT | DT_NOPREFIX);
  if (FWordWrap) Flags |= DT_WORDBREAK;
  TRect M = Rect(0, 0, std::max<Integer>(R.Width(), 1), 0);
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  DrawText(DC, GetText(), -1, &M, Flags);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return M.Width() > R.Width() - 2 || M.Height() > R.Height();
}

void TCustomDBEditKv::CMHintShow(TMessage& Message) {
  auto* Info = reinterpret_cast<THintInfo*>(Message.LParam);
  if (FTooltips && Info && IsTextClipped()) {
    Info->HintStr = GetText();
    Info->HintPos = ClientToScreen(Point(0, GetHeight()));
    Info->HintWindowClass = dbctrls::TToolTipsWindow::StaticClass();
    Info->HintData = GetFont();
    Message.Result = 0;
    return;
  }
  if (!FShowHintKv) Message.Result = 1;
}

void TCustomDBEditKv::CMParentShowHintChanged(TMessage& Message) {
  if (GetParentShowHint() && GetParent()) FShowHintKv = GetParent()->GetShowHint();
  inherited::Dispatch(Message);
  UpdateHintProcessing();
}

// [SECTION] Focus and messages

void TCustomDBEditKv::SetFocused(bool Value) {
  if (FFocused == Value) return;
  FFocused = Value;
  if (GetAlignment() != taLeftJustify && !IsMasked()) Invalidate();
  FDataLink->Reset();
}

void TCustomDBEditKv::CMEnter(TMessage& Message) {
  SetFocused(true);
  inherited::Dispatch(Message);
  if (GetAutoSelect() && !FControlState.Contains(csLButtonDown)) SelectAll();
  if (SysLocale.FarEast && FDataLink->CanModify()) TCustomEdit::SetReadOnly(FDBReadOnly);
}

// Leaving writes the value. A value the field refuses keeps the focus here,
// with the text as typed and selected; the error goes on to the caller.
void TCustomDBEditKv::CMExit(TMessage&) {
  const bool Designing = GetComponentState().Contains(csDesigning);
  try {
    if (IsMasked() && !Designing) {
      ValidateEdit();
      CheckCursor();
    }
    DoExit();
    FDataLink->UpdateRecord();
  } catch (...) {
    SelectAll();
    if (CanFocus()) SetFocus();
    throw;
  }
  SetFocused(false);
  CheckCursor();
}

// A collapsed caret in a masked control moves back two places, as the mask's
// cursor expects it.
void TCustomDBEditKv::CheckCursor() {
  if (!IsMasked() || !HandleAllocated() || GetSelLength() != 0) return;
  TCustomMaskEdit::SetCursor(std::max<Integer>(GetSelStart() - 2, 0));
}

void TCustomDBEditKv::CMGetDataLink(TMessage& Message) {
  Message.Result = reinterpret_cast<LRESULT>(FDataLink.get());
}

void TCustomDBEditKv::WMEditImageChanged(TMessage&) {
  if (HandleAllocated()) Perform(CM_RECREATEWND);
  UpdateHeight();
}

void TCustomDBEditKv::CMColorOrEnabledChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  UpdateButtonState();
}

void TCustomDBEditKv::CMSysColorChange(TMessage& Message) {
  inherited::Dispatch(Message);
  ClearButtonsBitmapCache();
  UpdateButtonState();
}

void TCustomDBEditKv::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  const TComponentState State = GetComponentState();
  if (FControlStyle.Contains(csFixedHeight) &&
      !(State.Contains(csLoading) && State.Contains(csDesigning)))
    AdjustHeight();
  UpdateTextRect();
}

void TCustomDBEditKv::WMLButtonDown(TMessage& Message) {
  inherited::Dispatch(Message);
  // A press that took the capture but not the focus (another control kept
  // it) lets the capture go again.
  if (HandleAllocated() && GetCapture() == GetHandle() && !Focused()) ReleaseCapture();
}

bool TCustomDBEditKv::ExecuteAction(TBasicAction* Action) {
  return inherited::ExecuteAction(Action) || (FDataLink && FDataLink->ExecuteAction(Action));
}

// While the record is browsed the window refuses changes until the first
// one puts the record into edit, as a typed key or a cut or paste does. The
// edit actions see the box as its user does: open to cut, paste and delete
// whenever its field could be changed.
bool TCustomDBEditKv::UpdateAction(TBasicAction* Action) {
  const bool Lift = Action->Is<TEditAction>() && TCustomEdit::GetReadOnly() && !FDBReadOnly &&
                    !FInplaceMode && FDataLink && FDataLink->CanModify();
  if (Lift) TCustomEdit::SetReadOnly(false);
  bool Handled = false;
  try {
    Handled = inherited::UpdateAction(Action) || (FDataLink && FDataLink->UpdateAction(Action));
  } catch (...) {
    if (Lift) UpdateReadOnlyState();
    throw;
  }
  if (Lift) UpdateReadOnlyState();
  return Handled;
}

bool TCustomDBEditKv::UseRightToLeftAlignment() const {
  return DBUseRightToLeftAlignment(const_cast<TCustomDBEditKv*>(this),
                                   FDataLink ? FDataLink->GetField() : nullptr);
}

}  // namespace korvel
