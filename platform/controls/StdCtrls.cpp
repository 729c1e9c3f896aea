// The standard controls.
//
// Index
//   [SECTION] Helpers          IsAccel, border styles
//   [SECTION] TCustomEdit
//   [SECTION] TCustomListBox   TListBoxStrings, items, owner drawing
//   [SECTION] TScrollBar
//   [SECTION] Buttons          TButtonControl, TButton, TCustomCheckBox
//   [SECTION] TCustomLabel
#include "platform/controls/StdCtrls.h"

#include <algorithm>

#include "platform/classes/Actions.h"
#include "platform/controls/ButtonClass.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/ListBoxClass.h"
#include "platform/controls/ScrollBarClass.h"
#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"

namespace kvp {

// [SECTION] Helpers

bool IsAccel(Char Key, const String& Caption) {
  std::size_t P = 0;
  while (P < Caption.size()) {
    Char C = Utf8Decode(Caption, P);
    if (C != U'&') continue;
    if (P >= Caption.size()) return false;
    Char Next = Utf8Decode(Caption, P);
    if (Next == U'&') continue;  // "&&" is a plain ampersand
    return CharUpper(Next) == CharUpper(Key);
  }
  return false;
}

namespace {

// A single border: a sunken client edge with Ctl3D, else a line.
void ApplyBorder(TCreateParams& Params, TBorderStyle Border, bool Ctl3D) {
  if (Border != bsSingle) return;
  if (Ctl3D)
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  else
    Params.Style |= WS_BORDER;
}

}  // namespace

// [SECTION] TCustomEdit

void TCustomEdit::KvPublish(TPublisher<TCustomEdit>& P) {
  P.Prop("Text", &TCustomEdit::GetText, &TCustomEdit::SetText);
  P.Prop("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
  P.Prop("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  P.Prop("CharCase", &TCustomEdit::GetCharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
  P.Prop("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
  P.Prop("AutoSize", &TCustomEdit::GetAutoSize, &TCustomEdit::SetAutoSize).Default(true);
  P.Prop("TabStop", &TCustomEdit::GetTabStop, &TCustomEdit::SetTabStop).Default(true);
  P.Prop("OnChange", &TCustomEdit::OnChange);
}

void TCustomEdit::Construct() {
  inherited::Construct();
  // Edits of this generation of the system are not framed: the border is
  // BorderStyle's alone, so an edit without one has none.
  FControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
  FTabStop = true;
  FParentColor = false;
  SetColor(clWindow);
  FAutoSize = true;
  SetBounds(FLeft, FTop, 121, 25);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, EditClassName);
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (FPasswordChar) Params.Style |= ES_PASSWORD;
  if (FReadOnly) Params.Style |= ES_READONLY;
  if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
  if (FCharCase == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) Params.Style |= ES_LOWERCASE;
  ApplyBorder(Params, FBorderStyle, FCtl3D);
}

void TCustomEdit::CreateWnd() {
  FCreating = true;
  try {
    inherited::CreateWnd();
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  HWND H = GetHandle();
  SendMessage(H, EM_LIMITTEXT, WPARAM(FMaxLength), 0);
  if (FPasswordChar) SendMessage(H, EM_SETPASSWORDCHAR, WPARAM(FPasswordChar), 0);
  SendMessage(H, EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::DestroyWnd() {
  FModified = GetModified();
  inherited::DestroyWnd();
}

void TCustomEdit::SetMaxLength(Integer Value) {
  if (FMaxLength == Value) return;
  FMaxLength = Value;
  if (HandleAllocated()) SendMessage(GetHandle(), EM_LIMITTEXT, WPARAM(std::max(Value, 0)), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  if (HandleAllocated()) SendMessage(GetHandle(), EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetPasswordChar(Char Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  if (HandleAllocated()) {
    SendMessage(GetHandle(), EM_SETPASSWORDCHAR, WPARAM(Value), 0);
    Invalidate();
  }
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  RecreateWnd();
}

bool TCustomEdit::GetModified() {
  return HandleAllocated() ? SendMessage(GetHandle(), EM_GETMODIFY, 0, 0) != 0 : FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (HandleAllocated()) SendMessage(GetHandle(), EM_SETMODIFY, Value, 0);
}

bool TCustomEdit::CanUndo() {
  return HandleAllocated() && SendMessage(GetHandle(), EM_CANUNDO, 0, 0) != 0;
}

Integer TCustomEdit::GetSelStart() {
  DWORD A = 0, B = 0;
  SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&A), reinterpret_cast<LPARAM>(&B));
  return Integer(A);
}

void TCustomEdit::SetSelStart(Integer Value) {
  SendMessage(GetHandle(), EM_SETSEL, WPARAM(Value), Value);
}

Integer TCustomEdit::GetSelLength() {
  DWORD A = 0, B = 0;
  SendMessage(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&A), reinterpret_cast<LPARAM>(&B));
  return Integer(B) - Integer(A);
}

void TCustomEdit::SetSelLength(Integer Value) {
  Integer Start = GetSelStart();
  SendMessage(GetHandle(), EM_SETSEL, WPARAM(Start), LPARAM(Start + Value));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
}

String TCustomEdit::GetSelText() {
  Integer Start = GetSelStart();
  return Copy(GetText(), Start + 1, GetSelLength());
}

void TCustomEdit::SetSelText(const String& Value) {
  SendMessage(GetHandle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { SendMessage(GetHandle(), EM_SETSEL, 0, -1); }
void TCustomEdit::ClearSelection() { SendMessage(GetHandle(), WM_CLEAR, 0, 0); }
void TCustomEdit::Clear() { SetText(""); }
void TCustomEdit::ClearUndo() { SendMessage(GetHandle(), EM_EMPTYUNDOBUFFER, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessage(GetHandle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessage(GetHandle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessage(GetHandle(), WM_PASTE, 0, 0); }
void TCustomEdit::Undo() { SendMessage(GetHandle(), WM_UNDO, 0, 0); }

void TCustomEdit::Change() {
  inherited::Changed();
  if (OnChange) OnChange(this);
}

bool TCustomEdit::CanAutoSize(Integer& /*NewWidth*/, Integer& NewHeight) {
  if (FBorderStyle != bsSingle) return true;
  TEXTMETRIC Tm;
  {
    stdctl::TFontDC Dc(nullptr, GetFont()->GetHandle(), SYSTEM_FONT);
    GetTextMetrics(Dc.Dc(), &Tm);
  }
  NewHeight = Tm.tmHeight + GetSystemMetrics(SM_CYBORDER) * (FCtl3D ? 8 : 6);
  return true;
}

void TCustomEdit::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == EN_CHANGE && !FCreating) Change();
}

void TCustomEdit::CMEnter(TMessage& Message) {
  // A click places the caret itself; Tab selects the whole single line.
  if (FAutoSelect && !FControlState.Contains(csLButtonDown) && HandleAllocated() &&
      !(GetWindowLong(GetHandle(), GWL_STYLE) & ES_MULTILINE))
    SelectAll();
  inherited::Dispatch(Message);
}

void TCustomEdit::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  AdjustSize();
}

void TCustomEdit::CMCtl3DChanged(TMessage& Message) {
  // The border is a window style chosen at creation: a sunken edge with
  // Ctl3D, a line without. A new look needs a new window.
  if (FBorderStyle == bsSingle) {
    RecreateWnd();
    AdjustSize();
  }
  inherited::Dispatch(Message);
}

// The standard edit actions act on edit controls through these: an edit's
// state as they see it, and its clipboard and undo commands.
namespace {

[[maybe_unused]] const bool EditActionsReady = [] {
  TEditActionHooks& Hooks = EditActionHooks();
  Hooks.Query = [](TObject* Target, TEditActionState& State) {
    auto* Edit = DynCast<TCustomEdit>(Target);
    if (!Edit) return false;
    State.Focused = Edit->Focused();
    State.ReadOnly = Edit->GetReadOnly();
    State.CanUndo = Edit->CanUndo();
    State.HasText = !Edit->GetText().empty();
    State.ClipboardHasText = Clipboard()->HasFormat(CF_TEXT);
    State.SelLength = Edit->GetSelLength();
    return true;
  };
  Hooks.Run = [](TObject* Target, TEditCommand Command) {
    auto* Edit = DynCast<TCustomEdit>(Target);
    if (!Edit) return;
    switch (Command) {
      case TEditCommand::Cut:
        Edit->CutToClipboard();
        break;
      case TEditCommand::Copy:
        Edit->CopyToClipboard();
        break;
      case TEditCommand::Paste:
        Edit->PasteFromClipboard();
        break;
      case TEditCommand::SelectAll:
        Edit->SelectAll();
        break;
      case TEditCommand::Undo:
        Edit->Undo();
        break;
      case TEditCommand::Delete:
        Edit->ClearSelection();
        break;
    }
  };
  return true;
}();

}  // namespace

// [SECTION] TCustomListBox

// TListBoxStrings: the items of a list box, read from and written to its
// window. The object of an item is the item data.
class TListBoxStrings : public TStrings {
  KV_CLASS(TListBoxStrings, TStrings)
 public:
  TCustomListBox* ListBox = nullptr;

  String Get(Integer Index) override {
    if (ListBox->IsVirtual()) return ListBox->DoGetData(Index);
    HWND H = ListBox->GetHandle();
    LRESULT Len = SendMessage(H, LB_GETTEXTLEN, WPARAM(Index), 0);
    if (Len == LB_ERR)
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    String S(std::size_t(Len) + 1, '\0');
    SendMessage(H, LB_GETTEXT, WPARAM(Index), reinterpret_cast<LPARAM>(S.data()));
    S.resize(std::size_t(Len));
    return S;
  }
  Integer GetCount() override {
    return Integer(SendMessage(ListBox->GetHandle(), LB_GETCOUNT, 0, 0));
  }
  TObject* GetObject(Integer Index) override {
    LRESULT D = SendMessage(ListBox->GetHandle(), LB_GETITEMDATA, WPARAM(Index), 0);
    if (D == LB_ERR)
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    return reinterpret_cast<TObject*>(D);
  }
  void PutObject(Integer Index, TObject* AObject) override {
    SendMessage(ListBox->GetHandle(), LB_SETITEMDATA, WPARAM(Index),
                reinterpret_cast<LPARAM>(AObject));
  }
  Integer Add(const String& S) override {
    LRESULT R =
        SendMessage(ListBox->GetHandle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
    if (R < 0) throw EOutOfResources("Cannot add \"" + S + "\" to the list box");
    return Integer(R);
  }
  void Insert(Integer Index, const String& S) override {
    LRESULT R = SendMessage(ListBox->GetHandle(), LB_INSERTSTRING, WPARAM(Index),
                            reinterpret_cast<LPARAM>(S.c_str()));
    if (R < 0) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  void Delete(Integer Index) override {
    SendMessage(ListBox->GetHandle(), LB_DELETESTRING, WPARAM(Index), 0);
  }
  void Clear() override { ListBox->Clear(); }
  void SetUpdateState(bool Updating) override {
    SendMessage(ListBox->GetHandle(), WM_SETREDRAW, !Updating, 0);
    if (!Updating) ListBox->Refresh();
  }
};

void TCustomListBox::KvPublish(TPublisher<TCustomListBox>& P) {
  P.Prop("Style", &TCustomListBox::GetStyle, &TCustomListBox::SetStyle).Default(lbStandard);
  P.Prop("ItemHeight", &TCustomListBox::GetItemHeight, &TCustomListBox::SetItemHeight);
  P.Prop("Items", &TCustomListBox::GetItems, &TCustomListBox::SetItems);
  P.Prop("Sorted", &TCustomListBox::GetSorted, &TCustomListBox::SetSorted).Default(false);
  P.Prop("IntegralHeight", &TCustomListBox::GetIntegralHeight, &TCustomListBox::SetIntegralHeight)
      .Default(false);
  P.Prop("TabStop", &TCustomListBox::GetTabStop, &TCustomListBox::SetTabStop).Default(true);
  P.Prop("OnDrawItem", &TCustomListBox::OnDrawItem);
  P.Prop("OnMeasureItem", &TCustomListBox::OnMeasureItem);
  P.Prop("OnData", &TCustomListBox::OnData);
  P.Prop("OnClick", &TCustomListBox::OnClick);
  P.Prop("OnDblClick", &TCustomListBox::OnDblClick);
}

void TCustomListBox::Construct() {
  inherited::Construct();
  // Not framed, as edits: the border is BorderStyle's alone.
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  SetBounds(FLeft, FTop, 121, 97);
  FTabStop = true;
  FParentColor = false;
  SetColor(clWindow);
  auto* Items = TListBoxStrings::Create();
  Items->ListBox = this;
  FItems.reset(Items);
  FCanvas.reset(TControlCanvas::Create());
  FCanvas->SetControl(this);
}

void TCustomListBox::Destroy() {
  FCanvas.reset();
  inherited::Destroy();
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, ListBoxClassName);
  static const DWORD Styles[] = {0, LBS_OWNERDRAWFIXED, LBS_OWNERDRAWVARIABLE,
                                 LBS_OWNERDRAWFIXED | LBS_NODATA, LBS_OWNERDRAWFIXED | LBS_NODATA};
  Params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | Styles[FStyle];
  if (FSorted) Params.Style |= LBS_SORT;
  if (!FIntegralHeight) Params.Style |= LBS_NOINTEGRALHEIGHT;
  ApplyBorder(Params, FBorderStyle, FCtl3D);
}

void TCustomListBox::CreateWnd() {
  inherited::CreateWnd();
  HWND H = GetHandle();
  if (FStyle == lbStandard)
    FItemHeight = Integer(SendMessage(H, LB_GETITEMHEIGHT, 0, 0));
  else if (FStyle != lbOwnerDrawVariable)
    SendMessage(H, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (IsVirtual()) SendMessage(H, LB_SETCOUNT, WPARAM(FSaveCount), 0);
  if (FSaveItems) {
    for (Integer I = 0; I < FSaveItems->GetCount(); ++I)
      FItems->AddObject(FSaveItems->Get(I), FSaveItems->GetObject(I));
    FSaveItems.reset();
  }
  SendMessage(H, LB_SETTOPINDEX, WPARAM(FSaveTopIndex), 0);
  SendMessage(H, LB_SETCURSEL, WPARAM(FSaveItemIndex), 0);
}

void TCustomListBox::DestroyWnd() {
  FSaveItemIndex = GetItemIndex();
  FSaveTopIndex = GetTopIndex();
  FSaveCount = IsVirtual() ? GetCount() : 0;
  if (!IsVirtual() && FItems->GetCount() > 0) {
    FSaveItems.reset(TStringList::Create());
    for (Integer I = 0; I < FItems->GetCount(); ++I)
      FSaveItems->AddObject(FItems->Get(I), FItems->GetObject(I));
  }
  inherited::DestroyWnd();
}

Integer TCustomListBox::GetCount() {
  return IsVirtual() ? Integer(SendMessage(GetHandle(), LB_GETCOUNT, 0, 0)) : FItems->GetCount();
}

void TCustomListBox::SetCount(Integer Value) {
  if (!IsVirtual())
    throw EInvalidOperation(String("Count can be set only on a virtual list box, not ") +
                            ClassName());
  SendMessage(GetHandle(), LB_SETCOUNT, WPARAM(Value), 0);
}

Integer TCustomListBox::GetItemIndex() {
  LRESULT R = SendMessage(GetHandle(), LB_GETCURSEL, 0, 0);
  return R == LB_ERR ? -1 : Integer(R);
}

void TCustomListBox::SetItemIndex(Integer Value) {
  if (GetItemIndex() == Value) return;
  SendMessage(GetHandle(), LB_SETCURSEL, WPARAM(Value), 0);
}

Integer TCustomListBox::GetTopIndex() {
  return Integer(SendMessage(GetHandle(), LB_GETTOPINDEX, 0, 0));
}
void TCustomListBox::SetTopIndex(Integer Value) {
  if (GetTopIndex() == Value) return;
  SendMessage(GetHandle(), LB_SETTOPINDEX, WPARAM(Value), 0);
}

Integer TCustomListBox::GetItemHeight() {
  if (HandleAllocated() && FStyle == lbStandard)
    return Integer(SendMessage(GetHandle(), LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(Integer Value) {
  if (FItemHeight == Value || Value <= 0) return;
  FItemHeight = Value;
  if (FStyle != lbStandard) RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

Integer TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) {
  Integer Count = GetCount();
  TRect Client = GetClientRect();
  LRESULT R = SendMessage(GetHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(Pos.X, Pos.Y));
  if (Count > 0 && HIWORD(R) == 0 && PtInRect(Client, Pos)) return LOWORD(R);
  return Existing ? -1 : Count;
}

TRect TCustomListBox::ItemRect(Integer Index) {
  TRect R;
  Integer Count = GetCount();
  if (Index == 0 || Index < Count) {
    SendMessage(GetHandle(), LB_GETITEMRECT, WPARAM(Index), reinterpret_cast<LPARAM>(&R));
  } else if (Index == Count) {
    // The place an item added at the end would take.
    SendMessage(GetHandle(), LB_GETITEMRECT, WPARAM(Index - 1), reinterpret_cast<LPARAM>(&R));
    OffsetRect(R, 0, R.Height());
  }
  return R;
}

void TCustomListBox::Clear() {
  if (IsVirtual())
    SetCount(0);
  else
    SendMessage(GetHandle(), LB_RESETCONTENT, 0, 0);
}

String TCustomListBox::DoGetData(Integer Index) {
  String Data;
  if (OnData) OnData(this, Index, Data);
  return Data;
}

void TCustomListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index < GetCount()) FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Get(Index));
}

void TCustomListBox::MeasureItem(Integer Index, Integer& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::CNCommand(TWMCommand& Message) {
  switch (Message.NotifyCode()) {
    case LBN_SELCHANGE:
      inherited::Changed();
      Click();
      break;
    case LBN_DBLCLK:
      DblClick();
      break;
    default:
      break;
  }
}

void TCustomListBox::CNDrawItem(TMessage& Message) {
  auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  TOwnerDrawState State;
  if (D->itemState & ODS_SELECTED) State += odSelected;
  if (D->itemState & ODS_GRAYED) State += odGrayed;
  if (D->itemState & ODS_DISABLED) State += odDisabled;
  if (D->itemState & ODS_CHECKED) State += odChecked;
  if (D->itemState & ODS_FOCUS) State += odFocused;
  FCanvas->SetHandle(D->hDC);
  // The canvas gives the DC back even when a handler raises.
  struct TRelease {
    TControlCanvas* C;
    ~TRelease() { C->SetHandle(nullptr); }
  } Release{FCanvas.get()};
  FCanvas->SetFont(GetFont());
  FCanvas->SetBrush(GetBrush());
  auto Index = Integer(D->itemID);
  if (Index >= 0 && State.Contains(odSelected)) {
    FCanvas->GetBrush()->SetColor(clHighlight);
    FCanvas->GetFont()->SetColor(clHighlightText);
  }
  if (Index >= 0)
    DrawItem(Index, D->rcItem, State);
  else
    FCanvas->FillRect(D->rcItem);
  if (State.Contains(odFocused)) DrawFocusRect(D->hDC, &D->rcItem);
  Message.Result = TRUE;
}

void TCustomListBox::CNMeasureItem(TMessage& Message) {
  auto* M = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
  Integer H = FItemHeight;
  if (FStyle == lbOwnerDrawVariable) MeasureItem(Integer(M->itemID), H);
  M->itemHeight = UINT(H);
  Message.Result = TRUE;
}

void TCustomListBox::CMCtl3DChanged(TMessage& Message) {
  if (FBorderStyle == bsSingle) RecreateWnd();  // the border is fixed at creation
  inherited::Dispatch(Message);
}

// [SECTION] TScrollBar

void TScrollBar::KvPublish(TPublisher<TScrollBar>& P) {
  P.Prop("Kind", &TScrollBar::GetKind, &TScrollBar::SetKind).Default(sbHorizontal);
  P.Prop("Max", &TScrollBar::GetMax, &TScrollBar::SetMax).Default(100);
  P.Prop("Min", &TScrollBar::GetMin, &TScrollBar::SetMin).Default(0);
  P.Prop("PageSize", &TScrollBar::GetPageSize, &TScrollBar::SetPageSize).Default(0);
  P.Prop("Position", &TScrollBar::GetPosition, &TScrollBar::SetPosition).Default(0);
  P.Prop("SmallChange", &TScrollBar::GetSmallChange, &TScrollBar::SetSmallChange).Default(1);
  P.Prop("LargeChange", &TScrollBar::GetLargeChange, &TScrollBar::SetLargeChange).Default(1);
  P.Prop("OnChange", &TScrollBar::OnChange);
  P.Prop("OnScroll", &TScrollBar::OnScroll);
}

void TScrollBar::Construct() {
  inherited::Construct();
  SetBounds(FLeft, FTop, 121, GetSystemMetrics(SM_CYHSCROLL));
  FTabStop = true;
  FControlStyle = TControlStyle{csFramed, csDoubleClicks};
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, ScrollBarClassName);
  Params.Style |= FKind == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
  inherited::CreateWnd();
  UpdateBar();
}

void TScrollBar::UpdateBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO Si;
  Si.fMask = SIF_ALL;
  Si.nMin = FMin;
  Si.nMax = FMax;
  Si.nPage = UINT(std::max(FPageSize, 0));
  Si.nPos = FPosition;
  SendMessage(GetHandle(), SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&Si));
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  if (!GetComponentState().Contains(csLoading)) SetBounds(FLeft, FTop, FHeight, FWidth);
  RecreateWnd();
}

void TScrollBar::SetPageSize(Integer Value) {
  if (FPageSize == Value) return;
  if (Value < 0 || Value > FMax - FMin + 1)
    throw EInvalidOperation("Scroll bar page size " + std::to_string(Value) + " is out of range");
  FPageSize = Value;
  UpdateBar();
}

void TScrollBar::SetParams(Integer APosition, Integer AMin, Integer AMax) {
  if (AMax < AMin)
    throw EInvalidOperation("Scroll bar range " + std::to_string(AMin) + ".." +
                            std::to_string(AMax) + " is out of range");
  APosition = std::clamp(APosition, AMin, AMax);
  bool Moved = APosition != FPosition;
  FMin = AMin;
  FMax = AMax;
  FPosition = APosition;
  UpdateBar();
  if (Moved) Change();
}

void TScrollBar::Change() {
  inherited::Changed();
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode ScrollCode, Integer& ScrollPos) {
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TScrollBar::DoScroll(TWMScroll& Message) {
  Integer Pos = FPosition;
  auto Code = TScrollCode(std::clamp<Integer>(Message.ScrollCode(), scLineUp, scEndScroll));
  Integer Last = FMax - std::max(FPageSize - 1, 0);
  switch (Code) {
    case scLineUp:
      Pos -= FSmallChange;
      break;
    case scLineDown:
      Pos += FSmallChange;
      break;
    case scPageUp:
      Pos -= FLargeChange;
      break;
    case scPageDown:
      Pos += FLargeChange;
      break;
    case scPosition:
    case scTrack: {
      // The 32-bit thumb position, not the message's 16 bits.
      SCROLLINFO Si;
      Si.fMask = SIF_TRACKPOS;
      SendMessage(GetHandle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&Si));
      Pos = Si.nTrackPos;
      break;
    }
    case scTop:
      Pos = FMin;
      break;
    case scBottom:
      Pos = Last;
      break;
    case scEndScroll:
      break;
  }
  Pos = std::clamp(Pos, FMin, std::max(FMin, Last));
  Scroll(Code, Pos);
  SetPosition(Pos);
}

// [SECTION] Buttons

void TButtonControl::Construct() {
  inherited::Construct();
  FTabStop = true;
}

void TButton::KvPublish(TPublisher<TButton>& P) {
  P.Prop("Caption", &TButton::GetCaption, &TButton::SetCaption);
  P.Prop("Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
  P.Prop("Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(false);
  P.Prop("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(mrNone);
  P.Prop("TabStop", &TButton::GetTabStop, &TButton::SetTabStop).Default(true);
  P.Prop("OnClick", &TButton::OnClick);
}

void TButton::Construct() {
  inherited::Construct();
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  SetBounds(FLeft, FTop, 75, 25);
}

void TButton::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, ButtonClassName);
  Params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
  inherited::CreateWnd();
  FActive = FDefault;
}

void TButton::SetButtonStyle(bool ADefault) {
  if (!HandleAllocated()) return;
  DWORD Style = ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((DWORD(GetWindowLong(GetHandle(), GWL_STYLE)) & BS_TYPEMASK) != Style)
    SendMessage(GetHandle(), BM_SETSTYLE, Style, 1);
}

void TButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  if (!HandleAllocated()) return;
  TCustomForm* Form = GetParentForm(this);
  TWinControl* Active = Form ? Form->GetActiveControl() : nullptr;
  if (!DynCast<TButton>(Active)) {
    FActive = Value;
    SetButtonStyle(Value);
  }
}

void TButton::Click() {
  if (TCustomForm* Form = GetParentForm(this)) Form->SetModalResult(FModalResult);
  inherited::Click();
}

void TButton::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == BN_CLICKED) Click();
}

void TButton::CMDialogKey(TWMKey& Message) {
  bool Key =
      (Message.CharCode == VK_RETURN && FActive) || (Message.CharCode == VK_ESCAPE && FCancel);
  if (Key && KeyDataToShiftState(Message.KeyData).Empty() && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TButton::CMDialogChar(TWMKey& Message) {
  if (IsAccel(Message.CharCode, GetCaption()) && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TButton::CMFocusChanged(TCMFocusChanged& Message) {
  // The focused button is drawn as the default one; with another control
  // focused, the Default button is.
  if (auto* B = DynCast<TButton>(Message.Sender))
    FActive = B == this;
  else
    FActive = FDefault;
  SetButtonStyle(FActive);
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomCheckBox::KvPublish(TPublisher<TCustomCheckBox>& P) {
  P.Prop("Caption", &TCustomCheckBox::GetCaption, &TCustomCheckBox::SetCaption);
  P.Prop("Alignment", &TCustomCheckBox::GetAlignment, &TCustomCheckBox::SetAlignment)
      .Default(taRightJustify);
  P.Prop("AllowGrayed", &TCustomCheckBox::GetAllowGrayed, &TCustomCheckBox::SetAllowGrayed)
      .Default(false);
  P.Prop("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState).Default(cbUnchecked);
  P.Prop("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked).Default(false);
  P.Prop("TabStop", &TCustomCheckBox::GetTabStop, &TCustomCheckBox::SetTabStop).Default(true);
  P.Prop("OnClick", &TCustomCheckBox::OnClick);
}

void TCustomCheckBox::Construct() {
  inherited::Construct();
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  SetBounds(FLeft, FTop, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, ButtonClassName);
  // BS_3STATE: the control toggles the state itself (Toggle) and tells the window.
  Params.Style |= BS_3STATE;
  if (FAlignment == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  inherited::CreateWnd();
  SendMessage(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
}

void TCustomCheckBox::SetAlignment(TLeftRight Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  if (HandleAllocated()) SendMessage(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
  if (!FClicksDisabled) Click();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked:
      SetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

void TCustomCheckBox::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == BN_CLICKED) Toggle();
}

void TCustomCheckBox::CMDialogChar(TWMKey& Message) {
  if (IsAccel(Message.CharCode, GetCaption()) && CanFocus()) {
    SetFocus();
    if (Focused()) Toggle();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

// [SECTION] TCustomLabel

void TCustomLabel::KvPublish(TPublisher<TCustomLabel>& P) {
  P.Prop("Caption", &TCustomLabel::GetCaption, &TCustomLabel::SetCaption);
  P.Prop("Alignment", &TCustomLabel::GetAlignment, &TCustomLabel::SetAlignment)
      .Default(taLeftJustify);
  P.Prop("AutoSize", &TCustomLabel::GetAutoSize, &TCustomLabel::SetAutoSize).Default(true);
  P.Prop("FocusControl", &TCustomLabel::GetFocusControl, &TCustomLabel::SetFocusControl);
  P.Prop("Layout", &TCustomLabel::GetLayout, &TCustomLabel::SetLayout).Default(tlTop);
  P.Prop("ShowAccelChar", &TCustomLabel::GetShowAccelChar, &TCustomLabel::SetShowAccelChar)
      .Default(true);
  P.Prop("Transparent", &TCustomLabel::GetTransparent, &TCustomLabel::SetTransparent)
      .Default(false);
  P.Prop("WordWrap", &TCustomLabel::GetWordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

void TCustomLabel::Construct() {
  inherited::Construct();
  FControlStyle =
      TControlStyle{csSetCaption, csOpaque, csReplicatable, csClickEvents, csDoubleClicks};
  SetBounds(FLeft, FTop, 65, 17);
  FAutoSize = true;
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  String Text = GetCaption();
  if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&"))) Text += " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  TCanvas* C = GetCanvas();
  C->SetFont(GetFont());
  HDC Dc = C->GetHandle();
  SetBkMode(Dc, TRANSPARENT);
  if (!GetEnabled() && !(Flags & DT_CALCRECT)) {
    // The etched look: a light copy below right, the shadow over it.
    TRect Light = Rect;
    OffsetRect(Light, 1, 1);
    SetTextColor(Dc, ColorToRGB(clBtnHighlight));
    DrawText(Dc, Text, -1, &Light, Flags);
    SetTextColor(Dc, ColorToRGB(clBtnShadow));
    DrawText(Dc, Text, -1, &Rect, Flags);
    return;
  }
  SetTextColor(Dc, ColorToRGB(GetFont()->GetColor()));
  DrawText(Dc, Text, -1, &Rect, Flags);
}

void TCustomLabel::Paint() {
  static const UINT Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  TCanvas* C = GetCanvas();
  TRect R = GetClientRect();
  if (!FTransparent) {
    C->GetBrush()->SetColor(GetColor());
    C->GetBrush()->SetStyle(bsSolid);
    C->FillRect(R);
  }
  UINT Flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | Align[FAlignment];
  if (FLayout != tlTop) {
    TRect Calc = R;
    DoDrawText(Calc, Flags | DT_CALCRECT);
    Integer Room = R.Height() - Calc.Height();
    R.Top += FLayout == tlBottom ? Room : Room / 2;
  }
  DoDrawText(R, Flags);
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || GetComponentState().Contains(csLoading) || !GetParent() ||
      !GetParent()->HandleAllocated())
    return;
  static const UINT Align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  TRect R = GetClientRect();
  DoDrawText(R, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0) | Align[FAlignment]);
  Integer X = FLeft;
  if (FAlignment == taRightJustify) X += FWidth - R.Width();
  SetBounds(X, FTop, R.Width(), R.Height());
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  if (Value)
    FControlStyle -= csOpaque;
  else
    FControlStyle += csOpaque;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value) return;
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomLabel::CMTextChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  Invalidate();
  AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  AdjustBounds();
}

void TCustomLabel::CMDialogChar(TWMKey& Message) {
  if (FFocusControl && GetEnabled() && FShowAccelChar && IsAccel(Message.CharCode, GetCaption()) &&
      FFocusControl->CanFocus()) {
    FFocusControl->SetFocus();
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

}  // namespace kvp
