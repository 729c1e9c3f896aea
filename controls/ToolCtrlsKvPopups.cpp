// The popup protocol: placement of drop-down windows against the monitor's
// work area, the triangular size grip that resizes them, and the drop-down
// month calendar.
//
//   [SECTION] Placement              PopupOwnerOf, AlignDropDownWindowRect
//   [SECTION] TSizeGripKv            life, shape, corner, painting, dragging
//   [SECTION] TPopupMonthCalendarKv  window, frame, keys, mouse, focus
#include <algorithm>

#include "controls/ToolCtrlsKv.h"
#include "controls/ToolCtrlsKvImpl.h"
#include "platform/rtl/FlagScope.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Placement

IPopupOwnerKv* PopupOwnerOf(TComponent* Popup) {
  IPopupOwnerKv* Owner = nullptr;
  if (Popup && Supports(Popup->GetOwner(), Owner)) return Owner;
  return nullptr;
}

void KeepDropDownMinimumSize(TWinControl* DropDown, TMessage& Message) {
  auto* Pos = reinterpret_cast<WINDOWPOS*>(Message.LParam);
  const TComponentState State = DropDown->GetComponentState();
  if (Pos && !(Pos->flags & SWP_NOSIZE) && !State.Contains(csReading) &&
      !State.Contains(csDestroying)) {
    Pos->cx = std::max(Pos->cx, GetSystemMetrics(SM_CXVSCROLL));
    Pos->cy = std::max(Pos->cy, GetSystemMetrics(SM_CYVSCROLL));
  }
}

namespace {

// The work area of the monitor nearest to R (screen coordinates).
TRect WorkAreaNear(const TRect& R) {
  MONITORINFO Info;
  GetMonitorInfo(MonitorFromRect(&R, MONITOR_DEFAULTTONEAREST), &Info);
  return Info.rcWork;
}

void SendGripSide(TWinControl* Win, TSizeGripSideKv Side) {
  Win->Perform(WM_SIZEGRIPSIDEKV, WPARAM(Side), 0);
}

}  // namespace

TPoint AlignDropDownWindowRect(const TRect& MasterAbsRect, TWinControl* DropDownWin,
                               TAlignment Align) {
  const TRect Work = WorkAreaNear(MasterAbsRect);
  // [Phase 1] Below or above: where the window fits, else the roomier side,
  // its height cut to that side's room.
  const Integer H = DropDownWin->GetHeight();
  const bool FitsBelow = MasterAbsRect.Bottom + H <= Work.Bottom;
  const bool FitsAbove = MasterAbsRect.Top - H >= Work.Top;
  const Integer RoomBelow = Work.Bottom - MasterAbsRect.Bottom;
  const Integer RoomAbove = MasterAbsRect.Top - Work.Top;
  const bool Below = FitsBelow || (!FitsAbove && RoomBelow >= RoomAbove);
  Integer Y = 0;
  if (Below) {
    if (!FitsBelow) DropDownWin->SetHeight(RoomBelow);
    Y = MasterAbsRect.Bottom;
    SendGripSide(DropDownWin, sgsBottomKv);
  } else {
    if (!FitsAbove) DropDownWin->SetHeight(RoomAbove);
    Y = MasterAbsRect.Top - DropDownWin->GetHeight();
    SendGripSide(DropDownWin, sgsTopKv);
  }
  // [Phase 2] Across: aligned to the master, then kept on the work area.
  if (DropDownWin->GetWidth() > Work.Width()) DropDownWin->SetWidth(Work.Width());
  const Integer W = DropDownWin->GetWidth();
  Integer X = MasterAbsRect.Left;
  if (Align == taRightJustify)
    X = MasterAbsRect.Right - W;
  else if (Align == taCenter)
    X = MasterAbsRect.Left - (W - MasterAbsRect.Width()) / 2;
  if (X + W > Work.Right) {
    X = Work.Right - W;
    SendGripSide(DropDownWin, sgsLeftKv);
  } else if (X < Work.Left) {
    X = Work.Left;
    SendGripSide(DropDownWin, sgsRightKv);
  } else {
    SendGripSide(DropDownWin, Align == taRightJustify ? sgsLeftKv : sgsRightKv);
  }
  return Point(X, Y);
}

TPoint AlignDropDownWindow(TWinControl* MasterWin, TWinControl* DropDownWin, TAlignment Align) {
  TRect R = MasterWin->GetBoundsRect();
  if (TWinControl* Parent = MasterWin->GetParent()) {
    const TPoint TopLeft = Parent->ClientToScreen(R.TopLeft());
    R = Bounds(TopLeft.X, TopLeft.Y, R.Width(), R.Height());
  }
  return AlignDropDownWindowRect(R, DropDownWin, Align);
}

// [SECTION] TSizeGripKv

void TSizeGripKv::Construct() {
  inherited::Construct();
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
  SetColor(clBtnFace);
  SetCursor(crSizeNWSE);
  FControlStyle += csReplicatable;
  FControlStyle += csCaptureMouse;
}

void TSizeGripKv::CreateWnd() {
  inherited::CreateWnd();
  UpdateWindowRegion();
}

void TSizeGripKv::SetPosition(TSizeGripPositionKv Value) {
  if (FPosition == Value) return;
  FPosition = Value;
  if (HandleAllocated()) RecreateWnd();
  // Without a window (or while the parent is not showing, so that the
  // window waits to be made) the corner and cursor follow at once.
  UpdatePosition();
  SetCursor(FPosition == sgpTopLeftKv || FPosition == sgpBottomRightKv ? crSizeNWSE : crSizeNESW);
}

void TSizeGripKv::SetTriangleWindow(bool Value) {
  if (FTriangleWindow == Value) return;
  FTriangleWindow = Value;
  UpdateWindowRegion();
}

void TSizeGripKv::UpdateWindowRegion() {
  if (!HandleAllocated()) return;
  const Integer W = GetWidth(), H = GetHeight();
  if (FTriangleWindow) {
    // The right angle sits in the grip's corner.
    std::vector<TPoint> Pts;
    switch (FPosition) {
      case sgpBottomRightKv:
        Pts = {{0, H}, {W, H}, {W, 0}};
        break;
      case sgpBottomLeftKv:
        Pts = {{W, H}, {0, H}, {0, 0}};
        break;
      case sgpTopRightKv:
        Pts = {{W, H - 1}, {W, 0}, {0, 0}};
        break;
      case sgpTopLeftKv:
        Pts = {{W - 1, 0}, {0, 0}, {0, H - 1}};
        break;
    }
    SetWindowRgn(GetHandle(), CreatePolygonRgn(Pts.data(), 3, WINDING), TRUE);
  } else {
    SetWindowRgn(GetHandle(), nullptr, TRUE);
  }
  UpdatePosition();
  SetCursor(FPosition == sgpTopLeftKv || FPosition == sgpBottomRightKv ? crSizeNWSE : crSizeNESW);
}

void TSizeGripKv::ChangePosition(TSizeGripSideKv Side) {
  TSizeGripPositionKv To = FPosition;
  switch (Side) {
    case sgsLeftKv:
      if (FPosition == sgpTopRightKv) To = sgpTopLeftKv;
      if (FPosition == sgpBottomRightKv) To = sgpBottomLeftKv;
      break;
    case sgsRightKv:
      if (FPosition == sgpTopLeftKv) To = sgpTopRightKv;
      if (FPosition == sgpBottomLeftKv) To = sgpBottomRightKv;
      break;
    case sgsTopKv:
      if (FPosition == sgpBottomRightKv) To = sgpTopRightKv;
      if (FPosition == sgpBottomLeftKv) To = sgpTopLeftKv;
      break;
    case sgsBottomKv:
      if (FPosition == sgpTopRightKv) To = sgpBottomRightKv;
      if (FPosition == sgpTopLeftKv) To = sgpBottomLeftKv;
      break;
  }
  SetPosition(To);
}

void TSizeGripKv::UpdatePosition() {
  TWinControl* P = GetParent();
  if (!P) return;
  const Integer CW = P->GetClientWidth(), CH = P->GetClientHeight();
  const Integer W = GetWidth(), H = GetHeight();
  TPoint At;
  switch (FPosition) {
    case sgpTopLeftKv:
      At = {0, 0};
      break;
    case sgpTopRightKv:
      At = {CW - W, 0};
      break;
    case sgpBottomRightKv:
      At = {CW - W, CH - H};
      break;
    case sgpBottomLeftKv:
      At = {0, CH - H};
      break;
  }
  TFlagScope Moving(FInternalMove);
  SetBounds(At.X, At.Y, W, H);
}

void TSizeGripKv::SetVisible(bool Value) {
  FVisible = Value;
  if (HandleAllocated()) ShowWindow(GetHandle(), Value ? SW_SHOW : SW_HIDE);
}

void TSizeGripKv::WMMove(TMessage& Message) {
  inherited::Dispatch(Message);
  if (FInternalMove) return;
  UpdateBounds();  // the move is not in the bounds yet while WM_MOVE runs
  UpdatePosition();
}

// Diagonal ridges parallel to the long side, from it towards the corner, in
// groups of four lines: highlight, shadow, shadow, face.
void TSizeGripKv::Paint() {
  TCanvas* C = GetCanvas();
  const Integer W = GetWidth(), H = GetHeight();
  C->GetBrush()->SetColor(GetColor());
  C->FillRect(Rect(0, 0, W, H));
  // A point of the bottom-right grip, mirrored into the grip's own corner.
  auto Map = [this, W, H](Integer X, Integer Y) {
    if (FPosition == sgpBottomLeftKv || FPosition == sgpTopLeftKv) X = W - 1 - X;
    if (FPosition == sgpTopRightKv || FPosition == sgpTopLeftKv) Y = H - 1 - Y;
    return Point(X, Y);
  };
  const TColor Colors[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
  for (Integer Group = 1; Group < W; Group += 4)
    for (Integer I = 0; I < 4; ++I) {
      // The line at distance D from the long side: from (D, H - 1) up to (W - 1, H - W + D).
      const Integer D = Group + I;
      if (D >= W) break;
      C->GetPen()->SetColor(Colors[I]);
      const TPoint From = Map(D, H - 1);
      const TPoint To = Map(W, H - 1 - (W - D));
      C->MoveTo(From.X, From.Y);
      C->LineTo(To.X, To.Y);
    }
}

void TSizeGripKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !GetParent()) return;
  FInitScreenMousePos = ClientToScreen(Point(X, Y));
  FOldMouseMovePos = FInitScreenMousePos;
  FParentClientWidth = GetParent()->GetClientWidth();
  FParentClientHeight = GetParent()->GetClientHeight();
  FParentRect = GetParent()->GetBoundsRect();
}

// The drag keeps the parent on the work area of its own monitor; a size never
// goes below nothing.
void TSizeGripKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  TWinControl* P = GetParent();
  if (!P || !Shift.Contains(ssLeft) || !GetMouseCapture() || FInternalMove) return;
  const TPoint Pt = ClientToScreen(Point(X, Y));
  if (Pt == FOldMouseMovePos) return;
  // [Phase 1] Where the parent stands on the screen, and its monitor's room.
  TRect OnScreen;
  GetWindowRect(P->GetHandle(), &OnScreen);
  MONITORINFO Info;
  GetMonitorInfo(MonitorFromWindow(P->GetHandle(), MONITOR_DEFAULTTONEAREST), &Info);
  const TRect Work = Info.rcWork;
  // The offset from the parent's own coordinates to the screen.
  const TPoint Shift0 = {OnScreen.Left - P->GetLeft(), OnScreen.Top - P->GetTop()};
  const Integer OldCW = P->GetClientWidth(), OldCH = P->GetClientHeight();
  const Integer FrameW = FParentRect.Width() - FParentClientWidth;
  const Integer FrameH = FParentRect.Height() - FParentClientHeight;
  // [Phase 2] Across: a right grip moves the right edge, a left one the left.
  if (FPosition == sgpTopRightKv || FPosition == sgpBottomRightKv) {
    Integer CW = FParentClientWidth + (Pt.X - FInitScreenMousePos.X);
    CW = std::min(CW, Work.Right - (FParentRect.Left + Shift0.X) - FrameW);
    P->SetClientWidth(std::max(0, CW));
  } else {
    const Integer Right = FParentRect.Right;
    Integer W = FParentRect.Width() + (FInitScreenMousePos.X - Pt.X);
    W = std::max(0, std::min(W, Right + Shift0.X - Work.Left));
    P->SetBounds(Right - W, P->GetTop(), W, P->GetHeight());
    if (P->GetLeft() + P->GetWidth() != Right) P->SetLeft(Right - P->GetWidth());
  }
  // [Phase 3] Down: a bottom grip moves the bottom edge, a top one the top.
  if (FPosition == sgpBottomRightKv || FPosition == sgpBottomLeftKv) {
    Integer CH = FParentClientHeight + (Pt.Y - FInitScreenMousePos.Y);
    CH = std::min(CH, Work.Bottom - (FParentRect.Top + Shift0.Y) - FrameH);
    P->SetClientHeight(std::max(0, CH));
  } else {
    const Integer Bottom = FParentRect.Bottom;
    Integer H = FParentRect.Height() + (FInitScreenMousePos.Y - Pt.Y);
    H = std::max(0, std::min(H, Bottom + Shift0.Y - Work.Top));
    P->SetBounds(P->GetLeft(), Bottom - H, P->GetWidth(), H);
    if (P->GetTop() + P->GetHeight() != Bottom) P->SetTop(Bottom - P->GetHeight());
  }
  // [Phase 4] Tell the owner, and go back into the corner.
  FOldMouseMovePos = Pt;
  if ((P->GetClientWidth() != OldCW || P->GetClientHeight() != OldCH) && OnParentResized)
    OnParentResized(this);
  UpdatePosition();
}

// [SECTION] TPopupMonthCalendarKv

void TPopupMonthCalendarKv::Construct() {
  inherited::Construct();
  FControlStyle += csReplicatable;
  SetAutoSize(true);
  SetCtl3D(true);
  SetParentCtl3D(false);
  FBorderWidth = 2;
}

void TPopupMonthCalendarKv::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP;
  if (!GetCtl3D()) Params.Style |= WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WindowClass.style = CS_SAVEBITS;
}

void TPopupMonthCalendarKv::CreateWnd() {
  inherited::CreateWnd();
  TRect Min;
  if (SendMessage(GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min)))
    SetBounds(GetLeft(), GetTop(), Min.Width() + 2 * FBorderWidth, Min.Height() + 2 * FBorderWidth);
}

bool TPopupMonthCalendarKv::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (!HandleAllocated()) return false;
  TRect Min;
  if (!SendMessage(GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min))) return false;
  NewWidth = Min.Width() + 2 * FBorderWidth;
  NewHeight = Min.Height() + 2 * FBorderWidth;
  return true;
}

void TPopupMonthCalendarKv::WMNCCalcSize(TMessage& Message) {
  inherited::Dispatch(Message);
  TRect* R = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                            : reinterpret_cast<TRect*>(Message.LParam);
  InflateRect(*R, -FBorderWidth, -FBorderWidth);
}

void TPopupMonthCalendarKv::WMNCPaint(TMessage& Message) {
  inherited::Dispatch(Message);
  if (!GetCtl3D()) return;
  HDC DC = GetWindowDC(GetHandle());
  TRect R = Rect(0, 0, GetWidth(), GetHeight());
  DrawEdge(DC, &R, BDR_RAISEDOUTER, BF_RECT | BF_ADJUST);
  DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(GetHandle(), DC);
}

void TPopupMonthCalendarKv::CMCtl3DChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  FBorderWidth = GetCtl3D() ? 2 : 0;
  RecreateWnd();
}

void TPopupMonthCalendarKv::WMGetDlgCode(TMessage& Message) {
  inherited::Dispatch(Message);
  Message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
}

void TPopupMonthCalendarKv::CloseUp(bool Accept) {
  if (IPopupOwnerKv* Owner = PopupOwnerOf(this)) Owner->CloseUp(Accept);
}

void TPopupMonthCalendarKv::PostCloseUp(bool Accept) {
  if (HandleAllocated()) PostMessage(GetHandle(), WM_POPUPCLOSEUPKV, WPARAM(Accept), 0);
}

void TPopupMonthCalendarKv::WMPopupCloseUp(TMessage& Message) { CloseUp(Message.WParam != 0); }

void TPopupMonthCalendarKv::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN || Key == VK_ESCAPE) {
    const bool Accept = Key == VK_RETURN;
    Key = 0;
    CloseUp(Accept);
    return;
  }
  inherited::KeyDown(Key, Shift);
}

void TPopupMonthCalendarKv::CMWantSpecialKey(TWMKey& Message) {
  if (Message.CharCode == VK_RETURN || Message.CharCode == VK_ESCAPE) {
    CloseUp(Message.CharCode == VK_RETURN);
    Message.Result = 1;
    return;
  }
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
}

void TPopupMonthCalendarKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X,
                                      Integer Y) {
  if (!PtInRect(GetClientRect(), Point(X, Y))) {
    CloseUp(false);
    return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

// A release on a date, a week number, the month name or the today link picks
// a day; on the title's background, the year, the day names or the arrows it
// only browses.
void TPopupMonthCalendarKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (!PtInRect(GetClientRect(), Point(X, Y)) || !HandleAllocated()) return;
  MCHITTESTINFO Hit;
  Hit.pt = Point(X, Y);
  SendMessage(GetHandle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit));
  switch (Hit.uHit) {
    case MCHT_CALENDARDATE:
    case MCHT_CALENDARDATENEXT:
    case MCHT_CALENDARDATEPREV:
    case MCHT_CALENDARWEEKNUM:
    case MCHT_TITLEMONTH:
    case MCHT_TODAYLINK:
      CloseUp(true);
      break;
    default:
      break;
  }
}

bool TPopupMonthCalendarKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelDown(Shift, MousePos)) SetDate(GetDate() + 1);
  return true;
}

bool TPopupMonthCalendarKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!inherited::DoMouseWheelUp(Shift, MousePos)) SetDate(GetDate() - 1);
  return true;
}

// The close-up waits until the focus change is complete, so that the owner
// hides the calendar after the new window has the focus.
void TPopupMonthCalendarKv::WMKillFocus(TWMKillFocus& Message) {
  inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
  if (!HandleAllocated()) return;
  if (!Message.FocusedWnd || !IsChild(GetHandle(), Message.FocusedWnd)) PostCloseUp(false);
}

}  // namespace korvel
