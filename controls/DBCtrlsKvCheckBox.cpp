// The data-aware check box: the field's value as a state, the state written
// back, toggling, painting of the box and its caption, keys and mouse.
//
// Index
//   [SECTION] Construction   Construct, Destroy, binding, setters
//   [SECTION] State          FieldState, SetState, InternalSetState, Toggle, writing
//   [SECTION] Painting       PaintWindow, Paint, the box and the caption
//   [SECTION] Input          keys, mouse, accelerator, leaving, messages
//   [SECTION] TDBCheckBoxKv
#include <algorithm>

#include "controls/DBCtrlsKvImpl.h"
#include "platform/controls/ButtonClass.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

// Whether Text is one of the ';'-separated entries of List, ignoring case.
bool InList(const String& Text, const String& List) {
  std::size_t Start = 0;
  while (true) {
    const std::size_t End = List.find(';', Start);
    if (AnsiCompareText(List.substr(Start, End == String::npos ? String::npos : End - Start),
                        Text) == 0)
      return true;
    if (End == String::npos) return false;
    Start = End + 1;
  }
}

String FirstEntry(const String& List) { return List.substr(0, List.find(';')); }

}  // namespace

// [SECTION] Construction

void TCustomDBCheckBoxKv::Construct() {
  inherited::Construct();
  FCanvas.reset(TControlCanvas::Create());
  FCanvas->SetControl(this);
  if (SysLocale.FarEast && Win32Platform == Integer(VER_PLATFORM_WIN32_NT)) SetImeMode(imDisable);
  SetBounds(GetLeft(), GetTop(), 97, 17);
  SetTabStop(true);
  FControlStyle += csReplicatable;
  FControlStyle -= csDoubleClicks;
  FDataLink.reset(TFieldDataLinkKv::Create());
  FDataLink->SetControl(this);
  FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBCheckBoxKv::LinkDataChange);
  FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBCheckBoxKv::LinkUpdateData);
  FState = cbUnchecked;
  FDataLink->SetValue(Variant(false));
}

void TCustomDBCheckBoxKv::Destroy() {
  DestroyHandle();
  FDataLink.reset();
  FCanvas.reset();
  inherited::Destroy();
}

void TCustomDBCheckBoxKv::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && FDataLink && AComponent == GetDataSource()) SetDataSource(nullptr);
}

void TCustomDBCheckBoxKv::SetDataSource(TDataSource* Value) {
  if (!(FDataLink->GetDataSourceFixed() && GetComponentState().Contains(csLoading)))
    FDataLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TCustomDBCheckBoxKv::SetAlignment(TLeftRight Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomDBCheckBoxKv::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  RecreateWnd();
}

void TCustomDBCheckBoxKv::SetAlwaysShowBorder(bool Value) {
  if (FAlwaysShowBorder == Value) return;
  FAlwaysShowBorder = Value;
  Invalidate();
}

void TCustomDBCheckBoxKv::SetValueChecked(const String& Value) {
  FValueChecked = Value;
  LinkDataChange(this);
}

void TCustomDBCheckBoxKv::SetValueUnchecked(const String& Value) {
  FValueUnchecked = Value;
  LinkDataChange(this);
}

bool TCustomDBCheckBoxKv::ExecuteAction(TBasicAction* Action) {
  return inherited::ExecuteAction(Action) || (FDataLink && FDataLink->ExecuteAction(Action));
}

bool TCustomDBCheckBoxKv::UpdateAction(TBasicAction* Action) {
  return inherited::UpdateAction(Action) || (FDataLink && FDataLink->UpdateAction(Action));
}

bool TCustomDBCheckBoxKv::UseRightToLeftAlignment() const {
  return DBUseRightToLeftAlignment(const_cast<TCustomDBCheckBoxKv*>(this),
                                   FDataLink ? FDataLink->GetField() : nullptr);
}

// [SECTION] State

TCheckBoxState TCustomDBCheckBoxKv::FieldState() {
  if (IsDataIndependent()) {
    const Variant& V = FDataLink->GetValue();
    if (VarEquals(V, Variant(true))) return cbChecked;
    if (VarEquals(V, Variant(false))) return cbUnchecked;
    return cbGrayed;
  }
  TField* F = GetField();
  if (!F) return cbUnchecked;
  if (F->IsNull()) return cbGrayed;
  if (F->GetDataType() == ftBoolean) return F->GetAsBoolean() ? cbChecked : cbUnchecked;
  const String Text = F->GetText();
  if (InList(Text, FValueChecked)) return cbChecked;
  if (InList(Text, FValueUnchecked)) return cbUnchecked;
  return cbGrayed;
}

// The state follows the field as a program's change does: a record that
// changes the state fires OnClick once (applications follow the record
// there), one that keeps it fires none. What was loaded is not a change.
void TCustomDBCheckBoxKv::LinkDataChange(TObject*) {
  InternalSetState(FieldState());
  FModified = false;
}

void TCustomDBCheckBoxKv::SetState(TCheckBoxState Value) {
  if (GetComponentState().Contains(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent() && GetField()) GetField()->GetDataSet()->Edit();
  InternalSetState(Value);
  if (!FInUpdate) UpdateData();
}

void TCustomDBCheckBoxKv::InternalSetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  if (HandleAllocated()) SendMessage(GetHandle(), BM_SETCHECK, WPARAM(Value), 0);
  if (!GetClicksDisabled()) TControl::Click();
  Invalidate();
  FModified = true;
}

void TCustomDBCheckBoxKv::Toggle() {
  if (!FDataLink->Edit()) return;
  switch (FState) {
    case cbUnchecked:
      InternalSetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      InternalSetState(cbUnchecked);
      break;
    case cbGrayed:
      InternalSetState(cbChecked);
      break;
  }
  FDataLink->SetModified();
  Invalidate();
}

void TCustomDBCheckBoxKv::LinkUpdateData(TObject*) { UpdateData(); }

void TCustomDBCheckBoxKv::UpdateData() {
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
}

void TCustomDBCheckBoxKv::InternalUpdatePostData() {
  if (IsDataIndependent()) {
    FDataLink->SetValue(FState == cbGrayed ? Null() : Variant(GetChecked()));
    return;
  }
  TField* F = GetField();
  if (!F) return;  // bound to a field that does not exist (yet): nothing to write into
  if (FState == cbGrayed)
    F->Clear();
  else if (F->GetDataType() == ftBoolean)
    F->SetAsBoolean(GetChecked());
  else
    F->SetText(FirstEntry(GetChecked() ? FValueChecked : FValueUnchecked));
}

// [SECTION] Painting

bool TCustomDBCheckBoxKv::BoxAtRight() const {
  const bool RightToLeft = UseRightToLeftAlignment();
  return (!RightToLeft && FAlignment == taLeftJustify) ||
         (RightToLeft && FAlignment == taRightJustify);
}

TRect TCustomDBCheckBoxKv::BoxRect() {
  return CheckBoxRectInCell(GetClientRect(), BoxAtRight() ? taRightJustify : taLeftJustify,
                            tlCenter);
}

TRect TCustomDBCheckBoxKv::CaptionRect() {
  const TRect Box = BoxRect();
  const TRect Client = GetClientRect();
  if (BoxAtRight()) return Rect(Client.Left, Client.Top, Box.Left - 5, Client.Bottom);
  return Rect(Box.Right + 5, Client.Top, Client.Right, Client.Bottom);
}

void TCustomDBCheckBoxKv::WMPaint(TMessage& Message) {
  FControlState += csCustomPaint;
  try {
    inherited::Dispatch(Message);
  } catch (...) {
    FControlState -= csCustomPaint;
    throw;
  }
  FControlState -= csCustomPaint;
}

void TCustomDBCheckBoxKv::PaintWindow(HDC DC) {
  FCanvas->PaintOn(DC, [this] { Paint(); });
}

void TCustomDBCheckBoxKv::Paint() {
  if (FControlState.Contains(csPaintCopy)) {
    DrawCheckAndCaption(FieldState(), false, false, false);
    return;
  }
  const bool Pressed =
      (FMouseInside && FControlState.Contains(csClicked)) || FSpaceDown;
  DrawCheckAndCaption(FState, HandleAllocated() && Focused(), FMouseInside, Pressed);
}

void TCustomDBCheckBoxKv::DrawCheckAndCaption(TCheckBoxState AState, bool Focused, bool Hot,
                                              bool Pressed) {
  TCanvas* C = FCanvas.get();
  C->GetBrush()->SetStyle(bsSolid);
  C->GetBrush()->SetColor(GetColor());
  C->FillRect(GetClientRect());
  DrawCaption(CaptionRect(), Focused);
  DrawCheck(BoxRect(), AState, Focused, Hot, Pressed);
}

void TCustomDBCheckBoxKv::DrawCheck(const TRect& Rect, TCheckBoxState AState, bool Focused,
                                    bool Hot, bool Pressed) {
  const bool Designing = GetComponentState().Contains(csDesigning);
  PaintButtonControl(FCanvas->GetHandle(), Rect, GetColor(), AState, GetEnabled() || Designing,
                     Focused || Hot || FAlwaysShowBorder, FFlat, Pressed ? bdsDownKv : bdsUpKv,
                     bcsCheckBoxKv);
}

void TCustomDBCheckBoxKv::DrawCaption(const TRect& Rect, bool Focused) {
  TCanvas* C = FCanvas.get();
  C->GetFont()->Assign(GetFont());
  C->GetBrush()->SetStyle(bsClear);
  const String Caption = GetCaption();
  const UINT Flags = DrawTextBiDiModeFlags(DT_SINGLELINE | DT_LEFT | DT_TOP);
  TRect Text = Rect;
  DrawText(C->GetHandle(), Caption, -1, &Text, Flags | DT_CALCRECT);
  const Integer TH = Text.Height();
  OffsetRect(Text, 0, GetHeight() / 2 - TH / 2 - Text.Top);
  if (GetEnabled() || GetComponentState().Contains(csDesigning)) {
    DrawText(C->GetHandle(), Caption, -1, &Text, Flags);
  } else {
    TRect Shadow = Text;
    OffsetRect(Shadow, 1, 1);
    C->GetFont()->SetColor(clBtnHighlight);
    DrawText(C->GetHandle(), Caption, -1, &Shadow, Flags);
    C->GetFont()->SetColor(clGrayText);
    DrawText(C->GetHandle(), Caption, -1, &Text, Flags);
  }
  if (!Focused) return;
  TRect Frame = Text;
  InflateRect(Frame, 1, 1);
  Frame.Bottom += 1;
  IntersectRect(Frame, Frame, GetClientRect());
  C->GetBrush()->SetStyle(bsSolid);
  C->DrawFocusRect(Frame);
}

void TCustomDBCheckBoxKv::WMEraseBkgnd(TMessage& Message) {
  if (!ThemeServices()->ThemesEnabled() || !HandleAllocated()) {
    inherited::Dispatch(Message);
    return;
  }
  auto DC = reinterpret_cast<HDC>(Message.WParam);
  auto Brush = reinterpret_cast<HBRUSH>(
      SendMessage(GetHandle(), CN_CTLCOLORSTATIC, WPARAM(DC), reinterpret_cast<LPARAM>(GetHandle())));
  TRect R = GetClientRect();
  if (Brush) FillRect(DC, &R, Brush);
  Message.Result = 1;
}

void TCustomDBCheckBoxKv::WMInvalidating(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
}

// [SECTION] Input

void TCustomDBCheckBoxKv::Click() {
  Toggle();
  Changed();
}

void TCustomDBCheckBoxKv::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key == VK_SPACE && !FSpaceDown) {
    FSpaceDown = true;
    Invalidate();
  }
}

void TCustomDBCheckBoxKv::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (Key == VK_SPACE && FSpaceDown) {
    FSpaceDown = false;
    Toggle();
  }
}

void TCustomDBCheckBoxKv::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (Key == 8 || Key == U' ')
    FDataLink->Edit();
  else if (Key == 27)
    FDataLink->Reset();
}

void TCustomDBCheckBoxKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  Invalidate();
}

void TCustomDBCheckBoxKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  Invalidate();
}

// A press on an unfocused box first takes the focus; a press that could not
// take it goes no further.
void TCustomDBCheckBoxKv::WMLButtonDown(TMessage& Message) {
  if (!GetComponentState().Contains(csDesigning) && !Focused()) {
    SetClicksDisabled(true);
    try {
      if (CanFocus()) SetFocus();
    } catch (...) {
      SetClicksDisabled(false);
      throw;
    }
    SetClicksDisabled(false);
    if (!Focused()) return;
  }
  inherited::Dispatch(Message);
}

void TCustomDBCheckBoxKv::CMDialogChar(TWMKey& Message) {
  if (IsAccel(Char(Message.CharCode), GetCaption()) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomDBCheckBoxKv::CMWantSpecialKey(TWMKey& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (Message.CharCode == VK_ESCAPE && FModified) Message.Result = 1;
}

// Leaving writes the state; a value the field refuses keeps the focus here.
void TCustomDBCheckBoxKv::CMExit(TMessage& Message) {
  try {
    FDataLink->UpdateRecord();
  } catch (...) {
    if (CanFocus()) SetFocus();
    throw;
  }
  inherited::Dispatch(Message);
}

void TCustomDBCheckBoxKv::CMCtl3DChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  RecreateWnd();
}

void TCustomDBCheckBoxKv::CMGetDataLink(TMessage& Message) {
  Message.Result = reinterpret_cast<LRESULT>(FDataLink.get());
}

void TCustomDBCheckBoxKv::CMMouseEnter(TMessage& Message) {
  inherited::Dispatch(Message);
  FMouseInside = true;
  Invalidate();
}

void TCustomDBCheckBoxKv::CMMouseLeave(TMessage& Message) {
  inherited::Dispatch(Message);
  FMouseInside = false;
  Invalidate();
}

// [SECTION] TDBCheckBoxKv

void TDBCheckBoxKv::KvPublish(TPublisher<TDBCheckBoxKv>& P) {
  P.Prop("Alignment", &TDBCheckBoxKv::GetAlignment, &TDBCheckBoxKv::SetAlignment)
      .Default(taRightJustify);
  P.Prop("AllowGrayed", &TDBCheckBoxKv::GetAllowGrayed, &TDBCheckBoxKv::SetAllowGrayed)
      .Default(false);
  P.Prop("AlwaysShowBorder", &TDBCheckBoxKv::GetAlwaysShowBorder,
         &TDBCheckBoxKv::SetAlwaysShowBorder)
      .Default(false);
  P.Prop("Caption", &TDBCheckBoxKv::GetCaption, &TDBCheckBoxKv::SetCaption);
  P.Prop("Checked", &TDBCheckBoxKv::GetChecked, &TDBCheckBoxKv::SetChecked).Stored(false);
  P.Prop("DataField", &TDBCheckBoxKv::GetDataField, &TDBCheckBoxKv::SetDataField);
  P.Prop("DataSource", &TDBCheckBoxKv::GetDataSource, &TDBCheckBoxKv::SetDataSource);
  P.Prop("Flat", &TDBCheckBoxKv::GetFlat, &TDBCheckBoxKv::SetFlat).Default(false);
  P.Prop("ReadOnly", &TDBCheckBoxKv::GetReadOnly, &TDBCheckBoxKv::SetReadOnly).Default(false);
  P.Prop("State", &TDBCheckBoxKv::GetState, &TDBCheckBoxKv::SetState)
      .Stored(&TDBCheckBoxKv::IsStateStored);
  P.Prop("TabStop", &TDBCheckBoxKv::GetTabStop, &TDBCheckBoxKv::SetTabStop).Default(true);
  P.Prop("ValueChecked", &TDBCheckBoxKv::GetValueChecked, &TDBCheckBoxKv::SetValueChecked)
      .Stored(&TDBCheckBoxKv::IsValueCheckedStored);
  P.Prop("ValueUnchecked", &TDBCheckBoxKv::GetValueUnchecked, &TDBCheckBoxKv::SetValueUnchecked)
      .Stored(&TDBCheckBoxKv::IsValueUncheckedStored);
  P.Prop("OnClick", &TDBCheckBoxKv::OnClick);
}

}  // namespace korvel
