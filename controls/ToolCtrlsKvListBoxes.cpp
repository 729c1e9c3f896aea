// The drop-down list boxes and the most-recently-used list.
//
//   [SECTION] TPopupListboxKv   window and frame, rows, drawing, mouse, search
//   [SECTION] TMRUListboxKv     the own scroll bar beside the grip
//   [SECTION] TMRUListKv        entries, limit, filtering
#include <algorithm>

#include "controls/ToolCtrlsKv.h"
#include "controls/ToolCtrlsKvImpl.h"
#include "platform/controls/ListBoxClass.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] TPopupListboxKv

void TPopupListboxKv::Construct() {
  inherited::Construct();
  FStyle = lbOwnerDrawFixed;
  FControlStyle += csReplicatable;
  FTabStop = false;
  OnData = TLBGetDataEvent(this, &TPopupListboxKv::GetItemText);
  FSizeGrip = TSizeGripKv::Create(this);
  FSizeGrip->SetParent(this);
  FSizeGrip->SetTriangleWindow(true);
}

void TPopupListboxKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = (Params.ExStyle | WS_EX_TOPMOST | WS_EX_TOOLWINDOW) & ~WS_EX_CLIENTEDGE;
  Params.WindowClass.style = CS_SAVEBITS;
}

// The list leaves its parent window and becomes a top-level window; its own
// procedure is told once that it has the focus, so that it draws the current
// item focused although it never holds the focus.
void TPopupListboxKv::CreateWnd() {
  inherited::CreateWnd();
  kvp::SetParent(GetHandle(), nullptr);
  CallWindowProc(FDefWndProc, GetHandle(), WM_SETFOCUS, 0, 0);
}

Integer TPopupListboxKv::GetBorderSize() {
  DWORD Style = 0, ExStyle = 0;
  if (HandleAllocated()) {
    Style = DWORD(GetWindowLongPtr(GetHandle(), GWL_STYLE));
    ExStyle = DWORD(GetWindowLongPtr(GetHandle(), GWL_EXSTYLE));
  } else {
    TCreateParams Params;
    CreateParams(Params);
    Style = Params.Style;
    ExStyle = Params.ExStyle;
  }
  TRect R = Rect(0, 0, 0, 0);
  AdjustWindowRectEx(&R, Style, FALSE, ExStyle);
  return R.Height() + 2 * FBorderWidth;
}

Integer TPopupListboxKv::GetTextHeight() {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetFont()->GetHandle());
  TEXTMETRIC TM;
  GetTextMetrics(DC, &TM);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return TM.tmHeight;
}

void TPopupListboxKv::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  Integer RowHeight = GetItemHeight();
  if (RowHeight <= 0) RowHeight = GetTextHeight();
  const Integer Border = GetBorderSize();
  if (RowHeight > 0) {
    FRowCount = std::max(1, (AHeight - Border) / RowHeight);
    AHeight = Border + FRowCount * RowHeight;
  }
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TPopupListboxKv::SetRowCount(Integer Rows) {
  SetHeight(GetItemHeight() * std::max(1, Rows) + GetBorderSize());
}

void TPopupListboxKv::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  FImages = Value;
  Invalidate();
}

void TPopupListboxKv::SetItemsSource(TStrings* Value) {
  if (FItemsSource == Value) return;
  // The list changes kind empty: the old items (or count) mean nothing to the
  // new kind, and a window of one kind cannot hand them to the other.
  if (HandleAllocated()) {
    if (IsVirtual())
      SetCount(0);
    else
      GetItems()->Clear();
  }
  FItemsSource = Value;
  SetStyle(Value ? lbVirtualOwnerDraw : lbOwnerDrawFixed);
}

void TPopupListboxKv::GetItemText(TWinControl*, Integer Index, String& Data) {
  if (FItemsSource && Index >= 0 && Index < FItemsSource->GetCount())
    Data = FItemsSource->Get(Index);
}

void TPopupListboxKv::WMNCCalcSize(TMessage& Message) {
  inherited::Dispatch(Message);
  TRect* R = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                            : reinterpret_cast<TRect*>(Message.LParam);
  InflateRect(*R, -FBorderWidth, -FBorderWidth);
}

void TPopupListboxKv::WMNCPaint(TMessage& Message) {
  inherited::Dispatch(Message);
  DrawBorder();
}

void TPopupListboxKv::DrawBorder() {
  if (!GetCtl3D() || !HandleAllocated()) return;
  HDC DC = GetWindowDC(GetHandle());
  TRect R = Rect(0, 0, GetWidth(), GetHeight());
  DrawEdge(DC, &R, BDR_RAISEDOUTER, BF_RECT | BF_ADJUST);
  DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(GetHandle(), DC);
}

void TPopupListboxKv::CMCtl3DChanged(TMessage& Message) {
  FBorderWidth = GetCtl3D() ? 2 : 0;
  inherited::Dispatch(Message);  // a single border makes the window again
  if (FBorderStyle != bsSingle) RecreateWnd();
  SetBounds(FLeft, FTop, FWidth, FHeight);  // the rows for the new frame
}

void TPopupListboxKv::WMSize(TWMSize& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  FSizeGrip->UpdatePosition();
  FSizeGripResized = true;
}

// No size below a scroll bar's width and an arrow's height while the window
// moves or sizes.
void TPopupListboxKv::WMWindowPosChanging(TMessage& Message) {
  KeepDropDownMinimumSize(this, Message);
  inherited::Dispatch(Message);
}

void TPopupListboxKv::WMSizeGripSide(TMessage& Message) {
  FSizeGrip->ChangePosition(TSizeGripSideKv(Message.WParam));
}

// The image column (Images' width and 4 pixels) stands before the text, at
// the right for right-to-left reading; the focus rectangle leaves it out.
void TPopupListboxKv::CNDrawItem(TMessage& Message) {
  if (!FImages) {
    inherited::Dispatch(Message);
    return;
  }
  auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  TOwnerDrawState State;
  if (D->itemState & ODS_SELECTED) State += odSelected;
  if (D->itemState & ODS_FOCUS) State += odFocused;
  TCanvas* C = GetCanvas();
  C->SetHandle(D->hDC);
  struct TRelease {
    TCanvas* C;
    ~TRelease() { C->SetHandle(nullptr); }
  } Release{C};
  C->SetFont(GetFont());
  C->SetBrush(GetBrush());
  const auto Index = Integer(D->itemID);
  if (Index >= 0 && State.Contains(odSelected)) {
    C->GetBrush()->SetColor(clHighlight);
    C->GetFont()->SetColor(clHighlightText);
  }
  if (Index < 0)
    C->FillRect(D->rcItem);
  else
    DrawItem(Index, D->rcItem, State);
  if (State.Contains(odFocused)) {
    TRect Text = D->rcItem;
    const Integer Column = FImages->GetWidth() + 4;
    if (UseRightToLeftAlignment())
      Text.Right -= Column;
    else
      Text.Left += Column;
    DrawFocusRect(D->hDC, &Text);
  }
  Message.Result = TRUE;
}

void TPopupListboxKv::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (!FImages) {
    inherited::DrawItem(Index, Rect, State);
    return;
  }
  TCanvas* C = GetCanvas();
  const bool RightToLeft = UseRightToLeftAlignment();
  const Integer Column = FImages->GetWidth() + 4;
  TRect ImageRect = Rect, TextRect = Rect;
  if (RightToLeft) {
    ImageRect.Left = Rect.Right - Column;
    TextRect.Right = ImageRect.Left;
  } else {
    ImageRect.Right = Rect.Left + Column;
    TextRect.Left = ImageRect.Right;
  }
  C->FillRect(ImageRect);
  Integer ImageIndex = Index;
  if (OnGetImageIndex) OnGetImageIndex(this, Index, ImageIndex);
  DrawImageCentered(C->GetHandle(), ImageRect, FImages, State.Contains(odSelected), ImageIndex);
  if (Index >= GetCount()) return;
  const String Text = FItems->Get(Index);
  const Integer X =
      RightToLeft ? TextRect.Right - 2 - C->TextWidth(Text) : Rect.Left + FImages->GetWidth() + 5;
  ExtTextOut(C->GetHandle(), X, Rect.Top, ETO_CLIPPED | ETO_OPAQUE, &TextRect, Text);
}

// Hot tracking: the item under a mouse that moved selects itself. A move
// message at the point already seen (the list scrolled under a still mouse)
// leaves the selection alone.
void TPopupListboxKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  const TPoint P = Point(X, Y);
  if (P == FLastMousePoint) return;
  FLastMousePoint = P;
  if (Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle)) return;
  const Integer Item = ItemAtPos(P, true);
  if (Item >= 0) SetItemIndex(Item);
}

bool TPopupListboxKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelDown(Shift, MousePos)) SetTopIndex(GetTopIndex() + 1);
  return true;
}

bool TPopupListboxKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelUp(Shift, MousePos)) SetTopIndex(std::max(0, GetTopIndex() - 1));
  return true;
}

// Incremental search: typed characters build a prefix (reset after two
// seconds of silence, at most 32 characters kept) and the first item that
// starts with it, in any case, is selected. Backspace and Escape forget it.
void TPopupListboxKv::KeyPress(Char& Key) {
  if (Key == 8 || Key == 27) {
    FSearchText.clear();
  } else if (Key >= 32) {
    const Cardinal Now = GetTickCount();
    if (Cardinal(Now - FSearchTime) > SearchTimeOut) FSearchText.clear();
    FSearchTime = Now;
    if (Length(FSearchText) < MaxSearchLength) Utf8Append(FSearchText, Key);
    SendMessage(GetHandle(), LB_SELECTSTRING, WPARAM(-1),
                reinterpret_cast<LPARAM>(FSearchText.c_str()));
    Key = 0;
  }
  inherited::KeyPress(Key);
}

// [SECTION] TMRUListboxKv

void TMRUListboxKv::Construct() {
  inherited::Construct();
  FScrollBar = TScrollBar::Create(this);
  FScrollBar->SetKind(sbVertical);
  FScrollBar->SetTabStop(false);
  FScrollBar->SetVisible(false);
  FScrollBar->SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), 20);
  FScrollBar->SetParent(this);
  FScrollBarDefProc = FScrollBar->WindowProc;
  FScrollBar->WindowProc = TWndMethod(this, &TMRUListboxKv::ScrollBarWindowProc);
}

void TMRUListboxKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style &= ~(WS_VSCROLL | WS_HSCROLL);
}

void TMRUListboxKv::CreateWnd() {
  inherited::CreateWnd();
  PlaceScrollBar();
  UpdateScrollBar();
}

void TMRUListboxKv::PlaceScrollBar() {
  if (!HandleAllocated()) return;
  TFlagScope Placing(FPlacing);
  const Integer W = GetSystemMetrics(SM_CXVSCROLL);
  const Integer CW = GetClientWidth(), CH = GetClientHeight();
  const Integer GripH = FSizeGrip->GetHeight();
  switch (FSizeGrip->GetPosition()) {
    case sgpBottomRightKv:
      FScrollBar->SetBounds(CW - W, 0, W, CH - GripH);
      break;
    case sgpTopRightKv:
      FScrollBar->SetBounds(CW - W, GripH, W, CH - GripH);
      break;
    default:
      FScrollBar->SetBounds(CW - W, 0, W, CH);
      break;
  }
}

void TMRUListboxKv::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  Integer RowHeight = GetItemHeight();
  if (RowHeight <= 0) RowHeight = GetTextHeight();
  const Integer Rows = RowHeight > 0 ? GetClientHeight() / RowHeight : 0;
  const Integer Count = GetCount();
  const TSizeGripPositionKv Grip = FSizeGrip->GetPosition();
  if (Count > 0 && Count > Rows) {
    FScrollBar->SetParams(std::min(GetTopIndex(), Count - 1), 0, Count - 1);
    FScrollBar->SetPageSize(Rows);
    FScrollBar->SetVisible(true);
    FSizeGrip->SetTriangleWindow(Grip != sgpTopRightKv && Grip != sgpBottomRightKv);
  } else {
    FScrollBar->SetVisible(false);
    FSizeGrip->SetTriangleWindow(true);
  }
}

void TMRUListboxKv::WndProc(TMessage& Message) {
  inherited::WndProc(Message);
  switch (Message.Msg) {
    case WM_SIZE:
    case WM_SIZEGRIPSIDEKV:
      PlaceScrollBar();
      UpdateScrollBar();
      break;
    // The items or the scrolling changed.
    case CM_CHANGED:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCOUNT:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
    case WM_KEYDOWN:
      UpdateScrollBar();
      break;
    default:
      break;
  }
}

bool TMRUListboxKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  const bool Result = inherited::DoMouseWheelDown(Shift, MousePos);
  UpdateScrollBar();
  return Result;
}

bool TMRUListboxKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  const bool Result = inherited::DoMouseWheelUp(Shift, MousePos);
  UpdateScrollBar();
  return Result;
}

void TMRUListboxKv::ScrollBarWindowProc(TMessage& Message) {
  if (Message.Msg == CN_VSCROLL) {
    CallWindowProc(FDefWndProc, GetHandle(), WM_VSCROLL, Message.WParam, 0);
    UpdateScrollBar();
    Message.Result = 0;
    return;
  }
  FScrollBarDefProc(Message);
  if (Message.Msg != WM_WINDOWPOSCHANGED || FPlacing) return;
  const auto* Pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
  if (Pos && (Pos->flags & SWP_NOMOVE) && (Pos->flags & SWP_NOSIZE)) return;
  PlaceScrollBar();
  UpdateScrollBar();
}

// [SECTION] TMRUListKv

void TMRUListKv::KvPublish(TPublisher<TMRUListKv>& P) {
  P.Prop("Active", &TMRUListKv::GetActive, &TMRUListKv::SetActive).Default(false);
  P.Prop("AutoAdd", &TMRUListKv::GetAutoAdd, &TMRUListKv::SetAutoAdd).Default(true);
  P.Prop("CaseSensitive", &TMRUListKv::GetCaseSensitive, &TMRUListKv::SetCaseSensitive)
      .Default(false);
  P.Prop("Items", &TMRUListKv::GetItems, &TMRUListKv::SetItems);
  P.Prop("Limit", &TMRUListKv::GetLimit, &TMRUListKv::SetLimit).Default(100);
  P.Prop("Rows", &TMRUListKv::GetRows, &TMRUListKv::SetRows).Default(7);
}

void TMRUListKv::Construct() {
  inherited::Construct();
  FItems.reset(TStringList::Create());
}

void TMRUListKv::Assign(TPersistent* Source) {
  auto* Src = DynCast<TMRUListKv>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  SetActive(Src->GetActive());
  SetItems(Src->GetItems());
  SetLimit(Src->GetLimit());
  SetRows(Src->GetRows());
  SetCaseSensitive(Src->GetCaseSensitive());
}

void TMRUListKv::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (OnActiveChanged) OnActiveChanged(this);
}

void TMRUListKv::SetItems(TStrings* Value) { FItems->Assign(Value); }

void TMRUListKv::SetLimit(Integer Value) {
  Value = std::max(0, Value);
  if (FLimit == Value) return;
  FLimit = Value;
  while (FItems->GetCount() > FLimit) FItems->Delete(0);
}

void TMRUListKv::Add(const String& Text) {
  if (Trim(Text).empty()) return;
  for (Integer I = 0; I < FItems->GetCount(); ++I) {
    const String& Entry = FItems->Get(I);
    const bool Same = FCaseSensitive ? Entry == Text : AnsiCompareText(Entry, Text) == 0;
    if (!Same) continue;
    FItems->Move(I, FItems->GetCount() - 1);
    return;
  }
  FItems->Add(Text);
  while (FItems->GetCount() > FLimit) FItems->Delete(0);
}

bool TMRUListKv::FilterItemsTo(TStrings* Destination, const String& Text) {
  Destination->BeginUpdate();
  struct TEndUpdate {
    TStrings* S;
    ~TEndUpdate() { S->EndUpdate(); }
  } End{Destination};
  Destination->Clear();
  const Integer Len = Length(Text);
  for (Integer I = 0; I < FItems->GetCount(); ++I) {
    // A key waiting to be handled wins: the owner filters again for it.
    if (FCancelIfKeyInQueue && I % 100 == 0) {
      MSG Waiting;
      if (PeekMessage(&Waiting, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) return false;
    }
    const String Entry = FItems->Get(I);
    const String Head = Copy(Entry, 1, Len);
    bool Accept =
        FCaseSensitive ? AnsiCompareStr(Head, Text) == 0 : AnsiCompareText(Head, Text) == 0;
    if (OnFilterItem) OnFilterItem(this, Accept);
    if (Accept) Destination->Add(Entry);
  }
  return true;
}

void TMRUListKv::CloseUp(bool Accept) {
  if (OnSetCloseUp) OnSetCloseUp(this, Accept);
}

void TMRUListKv::DropDown() {
  if (OnSetDropDown) OnSetDropDown(this);
}

}  // namespace korvel
