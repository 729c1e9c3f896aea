// The data-aware edit box's surroundings of its text: the row of edit
// buttons, the flat border, the image, the drop-down of the most-recently-used
// list, and the in-place mode inside a holder's cell.
//
// Index
//   [SECTION] Window          CreateWnd, WndProc (holder, open list, typing), WM_SIZE
//   [SECTION] Rectangles      GetEditRect, ButtonsRect, ImageRect, PaintTextRect
//   [SECTION] Button layout   LayoutButtons, UpdateButtonState, ButtonsChanged
//   [SECTION] Button input    EditButtonDown, EditButtonClick, menus, shortcuts
//   [SECTION] Flat border     UpdateBorderActive, DrawFlatFrame, mouse enter and leave
//   [SECTION] Image           UpdateImageWidth, DrawEditImage, UpdateImageIndex
//   [SECTION] MRU list        drop-down, close-up, keys, automatic drop-down
//   [SECTION] In-place mode   holder, ShowInplaceAt, HideInplace, Visible, SetFocus
#include <algorithm>
#include <climits>

#include "controls/DBCtrlsKvImpl.h"
#include "platform/controls/EditClass.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbctrls::NewStyleControls;

namespace {

// Calls a button control's protected press the way a click would.
struct TButtonControlAccess : TEditButtonControlKv {
  static void ButtonDown(TEditButtonControlKv* Control, bool IsTopButton, bool& AutoRepeat) {
    (Control->*(&TButtonControlAccess::DoButtonDown))(IsTopButton, AutoRepeat);
  }
};

bool IsUserInput(const TMessage& Message) {
  switch (Message.Msg) {
    case WM_CHAR:
      return Message.WParam != 27;
    case WM_KEYDOWN:
      return Message.WParam != VK_ESCAPE;
    case WM_PASTE:
    case WM_CUT:
    case WM_UNDO:
    case WM_CLEAR:
      return true;
    default:
      return false;
  }
}

}  // namespace

// [SECTION] Window

void TCustomDBEditKv::CreateWnd() {
  inherited::CreateWnd();
  UpdateImageWidth();
  LayoutButtons();
  UpdateButtonState();
  UpdateTextRect();
  UpdateImageIndex();
  UpdateBorderActive();
}

void TCustomDBEditKv::WndProc(TMessage& Message) {
  // [Phase 1] In a holder's cell the holder sees every message first.
  if (FInplaceMode && FInplaceEditHolderIntf) {
    FInplaceEditHolderIntf->InplaceEditWndProc(this, Message);
    if (Message.Result != 0) return;
    if (Message.Msg == WM_SETFOCUS) {
      // The holder stays the form's focused control.
      TCustomForm* Form = GetParentForm(this);
      auto* Holder = DynCast<TWinControl>(FInplaceEditHolder);
      if (Form && Holder && !Form->SetFocusedControl(Holder)) return;
      Dispatch(Message);
      return;
    }
    if (Message.Msg == WM_LBUTTONDOWN) {
      // The press that put the editor into the cell and this one make a
      // double click.
      TPoint HolderPos;
      Integer HolderTime = 0;
      FInplaceEditHolderIntf->GetMouseDownInfo(HolderPos, HolderTime);
      const TPoint Pos = ClientToScreen(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
      const LONG Elapsed = GetMessageTime() - HolderTime;
      if (Elapsed >= 0 && IsDoubleClick(HolderPos, Pos, Cardinal(Elapsed)))
        Message.Msg = WM_LBUTTONDBLCLK;
    }
  }
  // [Phase 2] An open list takes the keys and the wheel meant for it.
  if (MRUDroppedDown() && MRUListKey(Message)) return;
  // [Phase 3] What the user typed may offer entries of the list.
  const bool UserInput = IsUserInput(Message);
  if (UserInput) FTextChanged = false;
  inherited::WndProc(Message);
  if (UserInput && FTextChanged) {
    FTextChanged = false;
    UpdateMRUDropDown();
  }
}

void TCustomDBEditKv::CNCommand(TWMCommand& Message) {
  if (Message.NotifyCode() == EN_CHANGE) FTextChanged = true;
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TCustomDBEditKv::WMSize(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!HandleAllocated()) return;
  LayoutButtons();
  UpdateTextRect();
}

void TCustomDBEditKv::UpdateTextRect() {
  if (!HandleAllocated()) return;
  TRect R = GetEditRect();
  SendMessage(GetHandle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBEditKv::WMSetCursor(TMessage& Message) {
  if (LOWORD(Message.LParam) == HTCLIENT && HandleAllocated()) {
    TPoint P;
    GetCursorPos(&P);
    P = ScreenToClient(P);
    if (PtInRect(ButtonsRect(), P) || PtInRect(ImageRect(), P)) {
      kvp::SetCursor(LoadCursor(nullptr, IDC_ARROW));
      Message.Result = 1;
      return;
    }
  }
  inherited::Dispatch(Message);
}

// [SECTION] Rectangles

TRect TCustomDBEditKv::GetEditRect() {
  const Integer CW = GetClientWidth(), CH = GetClientHeight();
  const bool RightToLeft = UseRightToLeftAlignment();
  TRect R = RightToLeft ? Rect(FButtonsWidth, 0, CW, CH) : Rect(0, 0, CW - FButtonsWidth, CH);
  if (FEditImage->GetVisible() && FEditImage->GetImages()) {
    if (RightToLeft)
      R.Right -= FImageWidth;
    else
      R.Left += FImageWidth;
  }
  return R;
}

TRect TCustomDBEditKv::ButtonsRect() {
  const Integer CW = GetClientWidth(), CH = GetClientHeight();
  TRect R = Rect(CW - FButtonsWidth, 0, CW, CH);
  if (NewStyleControls() && !GetCtl3D() && GetBorderStyle() == bsSingle)
    R = Rect(CW - FButtonsWidth - 1, 1, CW - 1, CH - 1);
  if (UseRightToLeftAlignment()) OffsetRect(R, FButtonsWidth - CW, 0);
  return R;
}

TRect TCustomDBEditKv::ImageRect() {
  const Integer CW = GetClientWidth(), CH = GetClientHeight();
  if (UseRightToLeftAlignment()) return Rect(CW - FImageWidth, 0, CW, CH);
  return Rect(0, 0, FImageWidth, CH);
}

TRect TCustomDBEditKv::PaintTextRect() {
  const Integer CW = GetClientWidth(), CH = GetClientHeight();
  TRect R = Rect(FImageWidth, 0, CW - FButtonsWidth - 1, CH);
  if (NewStyleControls() && !GetCtl3D() && GetBorderStyle() == bsSingle)
    R = Rect(FImageWidth + 1, 1, CW - FButtonsWidth - 2, CH - 1);
  if (UseRightToLeftAlignment()) OffsetRect(R, FButtonsWidth - FImageWidth, 0);
  return R;
}

// [SECTION] Button layout

TEditButtonKv* TCustomDBEditKv::EditButtonOfRecord(Integer Index) const {
  return Index == 0 ? FEditButton.get() : FEditButtons->GetItems(Index - 1);
}

TEditButtonControlKv* TCustomDBEditKv::ButtonControlOf(TEditButtonKv* Button) const {
  for (std::size_t I = 0; I < FButtons.size(); ++I)
    if (EditButtonOfRecord(Integer(I)) == Button) return FButtons[I].ButtonControl;
  return nullptr;
}

bool TCustomDBEditKv::IsMainButtonControl(TObject* Sender) const {
  return !FButtons.empty() && Sender == FButtons.front().ButtonControl;
}

// Record 0 (the main button) stands next to the text, the last additional
// button at the outer edge; every visible button gets the same height.
void TCustomDBEditKv::LayoutButtons() {
  // [Phase 1] One record per button.
  const Integer N = FEditButtons->GetCount() + 1;
  const TRect Area = ButtonsRect();
  const Integer H = Area.Height();
  while (Integer(FButtons.size()) > N) {
    TEditButtonRecKv Rec = FButtons.back();
    FButtons.pop_back();
    Rec.ButtonControl->Free();
    Rec.Divider->Free();
  }
  while (Integer(FButtons.size()) < N) {
    TEditButtonRecKv Rec;
    Rec.ButtonControl = CreateEditButtonControl();
    Rec.Divider = TShape::Create(this);
    Rec.Divider->SetParent(this);
    FButtons.push_back(Rec);
  }
  // [Phase 2] Each control from its button; widths and the common height.
  Integer MinHeight = INT_MAX;
  std::vector<Integer> Widths(std::size_t(N), 0);
  for (Integer I = 0; I < N; ++I) {
    TEditButtonKv* Button = EditButtonOfRecord(I);
    TEditButtonRecKv& Rec = FButtons[std::size_t(I)];
    TEditButtonControlKv* C = Rec.ButtonControl;
    C->SetVisible(Button->GetVisible());
    C->SetEnabled(Button->GetEnabled());
    C->SetStyle(Button->GetStyle());
    C->SetGlyph(Button->GetGlyph());
    C->SetNumGlyphs(Button->GetNumGlyphs());
    C->SetHint(Button->GetHint());
    C->SetFlat(FFlat);
    Integer W = 0;
    if (Button->GetVisible()) {
      W = Button->GetWidth() >= 1 ? Button->GetWidth()
                                  : (FFlat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL));
      const Integer Candidate = H > Integer(Round(1.5 * W)) ? ScaledButtonWidth(W, FFlat) : H;
      MinHeight = std::min(MinHeight, Candidate);
    }
    Widths[std::size_t(I)] = W;
    Rec.Divider->SetVisible(FFlat && Button->GetVisible());
    C->OnDown = TButtonDownEventKv(this, &TCustomDBEditKv::EditButtonDown);
    C->OnClick = TNotifyEvent(this, &TCustomDBEditKv::EditButtonClick);
    C->OnMouseMove = TMouseMoveEvent(this, &TCustomDBEditKv::EditButtonMouseMove);
    C->OnMouseUp = TMouseEvent(this, &TCustomDBEditKv::EditButtonMouseUp);
    C->SetTag(I);
  }
  // No visible button: nothing to size, and no height beyond the edit's.
  if (MinHeight == INT_MAX) MinHeight = H;
  // [Phase 3] From the outer edge in.
  const bool RightToLeft = UseRightToLeftAlignment();
  const Integer CW = GetClientWidth();
  Integer X = RightToLeft ? 0 : CW;
  for (Integer I = N - 1; I >= 0; --I) {
    TEditButtonRecKv& Rec = FButtons[std::size_t(I)];
    const Integer W = Widths[std::size_t(I)];
    const Integer DW = Rec.Divider->GetVisible() ? 1 : 0;
    if (RightToLeft) {
      Rec.ButtonControl->SetBounds(X, Area.Top, W, MinHeight);
      X += W;
      Rec.Divider->SetBounds(X, Area.Top, DW, MinHeight);
      X += DW;
    } else {
      Rec.ButtonControl->SetBounds(X - W, Area.Top, W, MinHeight);
      X -= W;
      Rec.Divider->SetBounds(X - DW, Area.Top, DW, MinHeight);
      X -= DW;
    }
  }
  FButtonsWidth = RightToLeft ? X : CW - X;
  FButtonHeight = MinHeight;
}

void TCustomDBEditKv::UpdateButtonState() {
  for (std::size_t I = 0; I < FButtons.size(); ++I) {
    TEditButtonRecKv& Rec = FButtons[I];
    Rec.ButtonControl->SetEnabled(GetEnabled() && EditButtonOfRecord(Integer(I))->GetEnabled());
    Rec.ButtonControl->SetActive(FBorderActive);
    Rec.Divider->GetPen()->SetColor(FBorderActive ? clBtnFace : GetColor());
  }
}

void TCustomDBEditKv::ButtonsChanged(TObject*) {
  if (!HandleAllocated()) return;
  LayoutButtons();
  UpdateButtonState();
  UpdateTextRect();
  Invalidate();
}

// [SECTION] Button input

void TCustomDBEditKv::DropDown() {
  if (!FButtons.empty()) FButtons.front().ButtonControl->SetAlwaysDown(true);
  if (MRUDroppedDown()) FMRUList->CloseUp(false);
}

void TCustomDBEditKv::CloseUp(bool) {
  if (!FButtons.empty()) FButtons.front().ButtonControl->SetAlwaysDown(false);
}

void TCustomDBEditKv::DefaultButtonDown(bool) {
  if (FEditButton->GetStyle() == ebsUpDownKv || FListVisible) return;
  DropDown();
  FJustDropped = true;
}

void TCustomDBEditKv::ShowDropdownMenu(TEditButtonControlKv* Control, TEditButtonKv* Button) {
  TPopupMenu* Menu = Button->GetDropdownMenu();
  const Integer X = Menu->GetAlignment() == paRight ? Control->GetWidth() : 0;
  const TPoint P = Control->ClientToScreen(Point(X, Control->GetHeight()));
  Menu->Popup(P.X, P.Y);
  if (HandleAllocated()) PostMessage(GetHandle(), WM_DROPDOWNMENUUPKV, WPARAM(Control->GetTag()), 0);
  // The menu took the button's release: let the button up.
  Control->Perform(WM_LBUTTONUP, 0, 0);
}

void TCustomDBEditKv::EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat,
                                     bool& Handled) {
  auto* Control = static_cast<TEditButtonControlKv*>(Sender);
  // [Phase 1] The edit takes the focus.
  if (!Focused() && CanFocus()) SetFocus();
  Handled = false;
  // [Phase 2] The press that closed this button's menu does not open it again.
  if (HandleAllocated()) {
    MSG Queued;
    if (PeekMessage(&Queued, GetHandle(), WM_DROPDOWNMENUUPKV, WM_DROPDOWNMENUUPKV, PM_NOREMOVE) &&
        Queued.wParam == WPARAM(Control->GetTag())) {
      PeekMessage(&Queued, GetHandle(), WM_DROPDOWNMENUUPKV, WM_DROPDOWNMENUUPKV, PM_REMOVE);
      return;
    }
  }
  TEditButtonKv* Button = EditButtonOfRecord(Control->GetTag());
  // [Phase 3] An additional button: its own event, then its menu.
  if (!IsMainButtonControl(Sender)) {
    if (Button->OnDown) Button->OnDown(Sender, TopButton, AutoRepeat, Handled);
    if (!Handled && Button->GetDropdownMenu()) ShowDropdownMenu(Control, Button);
    return;
  }
  // [Phase 4] The main button: the control's event, its menu or its drop-down.
  if (OnButtonDown) OnButtonDown(Sender, TopButton, AutoRepeat, Handled);
  if (Handled) return;
  if (Button->GetDropdownMenu()) {
    ShowDropdownMenu(Control, Button);
    return;
  }
  if (Button->GetAction()) return;
  DefaultButtonDown(!TopButton);
}

void TCustomDBEditKv::EditButtonClick(TObject* Sender) {
  bool Handled = false;
  const bool Main = IsMainButtonControl(Sender);
  auto* Control = static_cast<TEditButtonControlKv*>(Sender);
  if (Main) {
    FEditButton->Click(Sender, Handled);
    if (!Handled && OnButtonClick) OnButtonClick(Sender, Handled);
  } else {
    EditButtonOfRecord(Control->GetTag())->Click(Sender, Handled);
  }
  if (!Handled && FListVisible && !FJustDropped && Main) CloseUp(false);
  FJustDropped = false;
}

void TCustomDBEditKv::EditButtonMouseMove(TObject*, TShiftState, Integer, Integer) {}

void TCustomDBEditKv::EditButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, Integer X,
                                        Integer Y) {
  auto* Control = static_cast<TControl*>(Sender);
  if (!(X >= 0 && X < Control->GetClientWidth() && Y >= 0 && Y <= Control->GetClientHeight()))
    FJustDropped = false;
}

bool TCustomDBEditKv::HandleShortCut(Word Key, TShiftState Shift) {
  const TShortCut SC = ShortCut(Key, Shift);
  if (SC == 0) return false;
  for (Integer I = 0; I < Integer(FButtons.size()); ++I) {
    if (EditButtonOfRecord(I)->GetShortCut() != SC) continue;
    TEditButtonControlKv* Control = FButtons[std::size_t(I)].ButtonControl;
    bool AutoRepeat = false;
    TButtonControlAccess::ButtonDown(Control, false, AutoRepeat);
    Control->Click();
    return true;
  }
  return false;
}

// [SECTION] Flat border

void TCustomDBEditKv::UpdateBorderActive() {
  const TComponentState State = GetComponentState();
  if (State.Contains(csLoading)) return;
  const bool Value = State.Contains(csDesigning) || (HandleAllocated() && Focused()) ||
                     FMouseInside || FAlwaysShowBorder;
  if (Value == FBorderActive) return;
  FBorderActive = Value;
  if (FFlat) DrawFlatFrame();
  UpdateButtonState();
}

void TCustomDBEditKv::DrawFlatFrame() {
  if (!FFlat || !NewStyleControls() || !GetCtl3D() || GetBorderStyle() != bsSingle ||
      !HandleAllocated())
    return;
  HDC DC = GetWindowDC(GetHandle());
  TRect R;
  GetWindowRect(GetHandle(), &R);
  OffsetRect(R, -R.Left, -R.Top);
  if (FBorderActive)
    DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
  else
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
  InflateRect(R, -1, -1);
  FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
  ReleaseDC(GetHandle(), DC);
}

void TCustomDBEditKv::WMNCPaint(TMessage& Message) {
  if (FFlat && NewStyleControls() && GetCtl3D() && GetBorderStyle() == bsSingle &&
      HandleAllocated()) {
    DrawFlatFrame();
    Message.Result = 0;
    return;
  }
  inherited::Dispatch(Message);
}

void TCustomDBEditKv::WMSetFocus(TMessage& Message) {
  inherited::Dispatch(Message);
  UpdateBorderActive();
  Invalidate();
}

void TCustomDBEditKv::WMKillFocus(TMessage& Message) {
  inherited::Dispatch(Message);
  UpdateBorderActive();
  Invalidate();
  if (MRUDroppedDown() && reinterpret_cast<HWND>(Message.WParam) != FMRUListbox->GetHandle())
    FMRUList->CloseUp(false);
}

void TCustomDBEditKv::CMMouseEnter(TMessage& Message) {
  inherited::Dispatch(Message);
  FMouseInside = true;
  UpdateBorderActive();
}

void TCustomDBEditKv::CMMouseLeave(TMessage& Message) {
  inherited::Dispatch(Message);
  FMouseInside = false;
  UpdateBorderActive();
}

// [SECTION] Image

void TCustomDBEditKv::UpdateImageWidth() {
  TCustomImageList* Images = FEditImage->GetImages();
  if (FEditImage->GetVisible() && Images)
    FImageWidth = (FEditImage->GetWidth() >= 1 ? FEditImage->GetWidth() : Images->GetWidth()) + 4;
  else
    FImageWidth = 0;
}

void TCustomDBEditKv::DrawEditImage(HDC DC) {
  TCustomImageList* Images = FEditImage->GetImages();
  if (!FEditImage->GetVisible() || !Images || FEditImage->GetImageIndex() < 0) return;
  TRect R = ImageRect();
  InflateRect(R, -2, -1);
  DrawImageCentered(DC, R, Images, false, FEditImage->GetImageIndex());
}

void TCustomDBEditKv::UpdateImageIndex() {
  if (!FEditImage || !FEditImage->GetVisible() || !FEditImage->GetImages()) return;
  Integer I = GetDefaultImageIndex();
  const Variant V = GetValue();
  if (VarIsType(V, {varSmallint, varInteger, varSingle, varDouble, varCurrency}))
    I = Integer(Round(V.AsDouble()));
  if (FOnGetImageIndex) FOnGetImageIndex(this, I);
  FEditImage->SetImageIndex(I);
}

void TCustomDBEditKv::SetOnGetImageIndex(TGetImageIndexEventKv Value) {
  if (FOnGetImageIndex == Value) return;
  FOnGetImageIndex = Value;
  UpdateImageIndex();
}

// [SECTION] MRU list

TMRUListboxKv* TCustomDBEditKv::CreateMRUListbox() {
  TMRUListboxKv* List = TMRUListboxKv::Create(this);
  List->SetVisible(false);
  List->SetCtl3D(false);
  List->SetSorted(true);
  List->SetParent(this);
  if (List->HandleAllocated())
    SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  List->OnMouseUp = TMouseEvent(this, &TCustomDBEditKv::MRUListboxMouseUp);
  return List;
}

bool TCustomDBEditKv::MRUDroppedDown() const {
  return FMRUList && FMRUList->DroppedDown && FMRUListbox;
}

void TCustomDBEditKv::MRUListDropDown(TObject*) {
  if (!HandleAllocated()) return;
  if (!FMRUListbox) FMRUListbox = CreateMRUListbox();
  TMRUListboxKv* List = FMRUListbox;
  List->HandleNeeded();
  // [Phase 1] The entries that start with the text.
  if (!FMRUList->FilterItemsTo(List->GetItems(), GetText())) {
    FMRUList->CloseUp(false);
    return;
  }
  const Integer Count = List->GetItems()->GetCount();
  if (Count == 0) {
    if (MRUDroppedDown()) FMRUList->CloseUp(false);
    return;
  }
  // [Phase 2] A list that was closed takes the edit's look, no selection and
  // the formatting rectangle's width. An open list keeps the width it has:
  // the user may have widened it with its grip.
  TRect Format;
  SendMessage(GetHandle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Format));
  List->SetRowCount(std::min(Count, FMRUList->GetRows()));
  if (!MRUDroppedDown()) {
    List->SetColor(GetColor());
    List->SetFont(GetFont());
    List->SetItemHeight(List->GetTextHeight());
    List->SetItemIndex(-1);
    List->SetWidth(Format.Width());
  }
  // [Phase 3] Below (or above) the text.
  const TPoint TopLeft = ClientToScreen(Format.TopLeft());
  const TRect Abs = Bounds(TopLeft.X, TopLeft.Y, Format.Width(), Format.Height());
  const TPoint P = AlignDropDownWindowRect(Abs, List, taLeftJustify);
  SetWindowPos(List->GetHandle(), HWND_TOP, P.X, P.Y, 0, 0, SWP_SHOWPOPUPKV);
  List->SetVisible(true);
  List->GetSizeGrip()->SetVisible(true);
  List->UpdateScrollBar();
  FMRUList->DroppedDown = true;
  List->GetSizeGrip()->OnParentResized = TNotifyEvent(this, &TCustomDBEditKv::MRUListboxResized);
}

void TCustomDBEditKv::MRUListboxResized(TObject*) {
  if (!MRUDroppedDown()) return;
  FMRUList->SetRows(FMRUListbox->GetRowCount());
  FMRUList->Width = FMRUListbox->GetWidth();
}

void TCustomDBEditKv::MRUListCloseUp(TObject*, bool Accept) {
  if (!MRUDroppedDown()) return;
  TMRUListboxKv* List = FMRUListbox;
  if (HWND Capture = GetCapture()) SendMessage(Capture, WM_CANCELMODE, 0, 0);
  const bool HadFocus = List->HandleAllocated() && GetFocus() == List->GetHandle();
  SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEPOPUPKV);
  List->SetVisible(false);
  if (HadFocus) SetFocus();
  FMRUList->DroppedDown = false;
  if (Accept && !FDBReadOnly && FDataLink->Edit()) {
    const Integer I = List->GetItemIndex();
    if (I >= 0) InternalSetText(List->GetItems()->Get(I));
    if (Focused()) SelectAll();
  }
}

void TCustomDBEditKv::MRUListboxMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X,
                                        Integer Y) {
  if (Button != mbLeft || !MRUDroppedDown()) return;
  FMRUList->CloseUp(PtInRect(FMRUListbox->GetClientRect(), Point(X, Y)));
}

// Navigation keys move in the list; Enter and Escape close it by their
// characters (the key-downs are swallowed, so Escape does not also reset the
// text). Other characters, '&' and '(' among them, are typed as always.
bool TCustomDBEditKv::MRUListKey(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const Word Key = Word(Message.WParam);
      const bool Alt = (Message.LParam & (LPARAM(1) << 29)) != 0;
      const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
      if (((Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) && !Alt) ||
          ((Key == VK_HOME || Key == VK_END) && Ctrl)) {
        SendMessage(FMRUListbox->GetHandle(), Message.Msg, Message.WParam, Message.LParam);
        return true;
      }
      return Key == VK_RETURN || Key == VK_ESCAPE;
    }
    case WM_CHAR:
      if (Message.WParam == 13 || Message.WParam == 27) {
        FMRUList->CloseUp(Message.WParam == 13);
        return true;
      }
      return false;
    case CM_MOUSEWHEEL:
      return WheelToList(FMRUListbox, Message);
    default:
      return false;
  }
}

bool TCustomDBEditKv::WheelToList(TWinControl* List, TMessage& Message) {
  if (FWheelInList) {  // the list passing up what it did not use
    Message.Result = 0;
    return true;
  }
  TFlagScope InList(FWheelInList);
  Message.Result = List->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
  return Message.Result != 0;
}

void TCustomDBEditKv::CMCancelMode(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!MRUDroppedDown()) return;
  auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
  if (Sender == this || (Sender && ContainsControl(Sender)) || Sender == FMRUListbox ||
      (Sender && FMRUListbox->ContainsControl(Sender)))
    return;
  FMRUList->CloseUp(false);
  if (TControl* Capture = GetCaptureControl())
    if (Capture->GetParent() == this) Capture->Perform(WM_CANCELMODE);
}

void TCustomDBEditKv::UpdateMRUDropDown() {
  const String Blank = IsMasked() ? FormatMaskText(GetEditMask(), "") : String();
  const String Text = GetText();
  if (MRUDroppedDown() && Text == Blank) {
    FMRUList->CloseUp(false);
    return;
  }
  if (FMRUList->GetActive() && GetShowing() && !FListVisible && Text != Blank && Focused())
    FMRUList->DropDown();
}

void TCustomDBEditKv::FilterMRUItem(const String& AText, bool& Accept) {
  const String Head = Copy(AText, 1, Length(GetText()));
  Accept = FMRUList->GetCaseSensitive() ? AnsiCompareStr(Head, GetText()) == 0
                                        : AnsiCompareText(Head, GetText()) == 0;
  if (FMRUList->OnFilterItem) FMRUList->OnFilterItem(this, Accept);
}

// [SECTION] In-place mode

void TCustomDBEditKv::SetInplaceEditHolder(TComponent* Value) {
  if (FInplaceEditHolder == Value) return;
  IInplaceEditHolderKv* Intf = nullptr;
  // A refused holder changes nothing: the edit keeps its mode and its holder.
  if (Value && !Supports(Value, Intf))
    throw Exception("InplaceEditHolder have to support IInplaceEditHolderKv interface");
  if (FInplaceEditHolder) FInplaceEditHolder->RemoveFreeNotification(this);
  FInplaceEditHolder = Value;
  FInplaceEditHolderIntf = Intf;
  FInplaceMode = Value != nullptr;
  if (Value) Value->FreeNotification(this);
  UpdateReadOnlyState();
}

void TCustomDBEditKv::ShowInplaceAt(const TRect& Rect, bool Redraw) {
  if (IsRectEmpty(Rect)) {
    HideInplace();
    return;
  }
  HandleNeeded();
  const bool NeedRepaint = Redraw || !IsWindowVisible(GetHandle());
  Invalidate();
  Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(FInplaceEditHolder));
  SetWindowPos(GetHandle(), nullptr, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
               SWP_SHOWWINDOW | SWP_NOZORDER);
  if (NeedRepaint) Invalidate();
  auto* Holder = DynCast<TWinControl>(FInplaceEditHolder);
  if (Holder && Holder->Focused()) kvp::SetFocus(GetHandle());
}

void TCustomDBEditKv::HideInplace() {
  if (!FInplaceMode) {
    TControl::SetVisible(false);
    return;
  }
  if (!HandleAllocated() || !IsWindowVisible(GetHandle())) return;
  const bool HadFocus = Focused();
  Invalidate();
  SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  if (HadFocus)
    if (auto* Holder = DynCast<TWinControl>(FInplaceEditHolder))
      if (Holder->HandleAllocated()) kvp::SetFocus(Holder->GetHandle());
}

void TCustomDBEditKv::SetInplaceBounds(const TRect& Rect) {
  if (FInplaceMode)
    ShowInplaceAt(Rect, true);
  else
    SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
}

bool TCustomDBEditKv::GetVisible() const {
  if (FInplaceMode) return HandleAllocated() && IsWindowVisible(FHandle);
  return TControl::GetVisible();
}

void TCustomDBEditKv::SetVisible(bool Value) {
  if (FInplaceMode) {
    if (!Value) HideInplace();
    return;
  }
  TControl::SetVisible(Value);
}

// In a holder's cell the window itself takes the focus: the holder stays
// the form's focused control, and the control's own Visible flag (which
// in-place mode does not use) is not asked.
void TCustomDBEditKv::SetFocus() {
  if (!FInplaceMode) {
    inherited::SetFocus();
    return;
  }
  if (HandleAllocated() && IsWindowVisible(GetHandle())) kvp::SetFocus(GetHandle());
}

void TCustomDBEditKv::CMShowingChanged(TMessage& Message) {
  if (FInplaceMode) return;
  inherited::Dispatch(Message);
}

}  // namespace korvel
