// Moving, sizing, stacking, showing and hiding windows: SetWindowPos and the
// calls built on it (MoveWindow, ShowWindow, BringWindowToTop, placements).
#include <algorithm>

#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace {

// Moves W within its siblings after InsertAfter (HWND_TOP, HWND_BOTTOM,
// HWND_TOPMOST, HWND_NOTOPMOST or a sibling).
void Restack(TWnd* W, HWND InsertAfter) {
  TWnd* P = W->Parent;
  if (!P) return;
  bool Top = IsTopLevel(W);
  if (Top && InsertAfter == HWND_TOPMOST) W->ExStyle |= WS_EX_TOPMOST;
  if (Top && InsertAfter == HWND_NOTOPMOST) W->ExStyle &= ~WS_EX_TOPMOST;
  auto& Kids = P->Children;
  Kids.erase(std::find(Kids.begin(), Kids.end(), W));
  auto Pos = Kids.begin();
  if (InsertAfter == HWND_BOTTOM) {
    Pos = Kids.end();
  } else if (InsertAfter == HWND_TOP || InsertAfter == HWND_TOPMOST ||
             InsertAfter == HWND_NOTOPMOST) {
    Pos = Kids.begin();
  } else if (TWnd* After = FindWnd(InsertAfter); After && After->Parent == P) {
    Pos = std::find(Kids.begin(), Kids.end(), After) + 1;
  }
  // Topmost top-level windows stay above the others.
  if (Top) {
    auto FirstPlain = std::find_if(Kids.begin(), Kids.end(),
                                   [](TWnd* K) { return !(K->ExStyle & WS_EX_TOPMOST); });
    if (W->ExStyle & WS_EX_TOPMOST)
      Pos = std::min(Pos, FirstPlain);
    else
      Pos = std::max(Pos, FirstPlain);
  }
  Kids.insert(Pos, W);
}

TRect ComputeClient(HWND Wnd, const TRect& NewWindow, const TRect& OldWindow, WINDOWPOS& Pos) {
  TWnd* W = FindWnd(Wnd);
  NCCALCSIZE_PARAMS P;
  P.rgrc[0] = NewWindow;
  P.rgrc[1] = OldWindow;
  P.rgrc[2] = W->ClientRect;
  P.lppos = &Pos;
  SendMessage(Wnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&P));
  return P.rgrc[0];
}

// Invalidation after a change of place, size or visibility.
void RedrawAfterMove(TWnd* W, const TRect& OldWindow, const TRect& OldClient, bool WasVisible,
                     UINT Flags) {
  bool Visible = (W->Style & WS_VISIBLE) != 0;
  bool Parented = W->Parent && W->Parent != Desktop();
  bool Moved = OldWindow != W->WindowRect;
  if (Parented && WasVisible && (Moved || !Visible)) MarkParentArea(W, OldWindow);
  if (!Visible) return;
  UINT ClassStyle = W->Class ? W->Class->Style : 0;
  bool SizeChanged =
      OldClient.Width() != W->ClientRect.Width() || OldClient.Height() != W->ClientRect.Height();
  // A change of size alone keeps the window's place: only a new place, a new
  // frame or a class that asks for it repaints everything.
  bool Shifted = OldWindow.Left != W->WindowRect.Left || OldWindow.Top != W->WindowRect.Top;
  bool Whole = !WasVisible || Shifted || (Flags & SWP_FRAMECHANGED) ||
               (SizeChanged && (ClassStyle & (CS_HREDRAW | CS_VREDRAW)));
  if (Whole) {
    InvalidateWhole(W, true, true);
    return;
  }
  if (SizeChanged) {
    // Only what the larger client area uncovers, and the frame around it.
    TRegion Now(Rect(0, 0, W->ClientRect.Width(), W->ClientRect.Height()));
    TRegion Kept(Rect(0, 0, OldClient.Width(), OldClient.Height()));
    W->Update = TRegion::Combine(W->Update, TRegion::Combine(Now, Kept, RGN_DIFF), RGN_OR);
    W->ErasePending = true;
    W->NcPaintPending = true;
  }
}

}  // namespace

BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, Integer X, Integer Y, Integer Width, Integer Height,
                  UINT Flags) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop()) return FALSE;
  // [Phase 1] What is asked, as the WINDOWPOS the handlers see.
  bool WasVisible = (W->Style & WS_VISIBLE) != 0;
  if ((Flags & SWP_SHOWWINDOW) && WasVisible) Flags &= ~SWP_SHOWWINDOW;
  if ((Flags & SWP_HIDEWINDOW) && !WasVisible) Flags &= ~SWP_HIDEWINDOW;
  WINDOWPOS Pos;
  Pos.hwnd = Wnd;
  Pos.hwndInsertAfter = InsertAfter;
  Pos.x = (Flags & SWP_NOMOVE) ? W->WindowRect.Left : X;
  Pos.y = (Flags & SWP_NOMOVE) ? W->WindowRect.Top : Y;
  Pos.cx = (Flags & SWP_NOSIZE) ? W->WindowRect.Width() : Width;
  Pos.cy = (Flags & SWP_NOSIZE) ? W->WindowRect.Height() : Height;
  Pos.flags = Flags;
  // [Phase 2] The handler of WM_WINDOWPOSCHANGING may change all of it.
  if (!(Flags & SWP_NOSENDCHANGING)) {
    SendMessage(Wnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&Pos));
    if (!(W = FindWnd(Wnd))) return FALSE;
    Flags = Pos.flags;
  }
  // [Phase 3] The new rectangles; the client area from WM_NCCALCSIZE.
  TRect OldWindow = W->WindowRect, OldClient = W->ClientRect;
  TRect NewWindow = Bounds(Pos.x, Pos.y, std::max(Pos.cx, 0), std::max(Pos.cy, 0));
  if (Flags & SWP_NOMOVE)
    OffsetRect(NewWindow, OldWindow.Left - NewWindow.Left, OldWindow.Top - NewWindow.Top);
  if (Flags & SWP_NOSIZE) {
    NewWindow.Right = NewWindow.Left + OldWindow.Width();
    NewWindow.Bottom = NewWindow.Top + OldWindow.Height();
  }
  bool Sized = NewWindow.Width() != OldWindow.Width() || NewWindow.Height() != OldWindow.Height();
  TRect NewClient = OldClient;
  OffsetRect(NewClient, NewWindow.Left - OldWindow.Left, NewWindow.Top - OldWindow.Top);
  if (Sized || (Flags & SWP_FRAMECHANGED)) {
    NewClient = ComputeClient(Wnd, NewWindow, OldWindow, Pos);
    if (!(W = FindWnd(Wnd))) return FALSE;
  }
  // [Phase 4] Apply place, size, stacking and visibility.
  W->WindowRect = NewWindow;
  W->ClientRect = NewClient;
  if (!(Flags & SWP_NOZORDER)) {
    Restack(W, Pos.hwndInsertAfter);
    if (IsTopLevel(W) && !(Flags & SWP_NOOWNERZORDER)) RaiseOwned(W);
  }
  if (Flags & SWP_SHOWWINDOW) W->Style |= WS_VISIBLE;
  if (Flags & SWP_HIDEWINDOW) W->Style &= ~WS_VISIBLE;
  ResizeSurface(W);
  if (TWindowObserver* O = GetWindowObserver(); O && IsTopLevel(W)) {
    if (NewWindow != OldWindow) O->TopLevelPlaced(Wnd, NewWindow);
    if (Flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
      O->TopLevelShown(Wnd, (Flags & SWP_SHOWWINDOW) != 0);
  }
  if (!(Flags & SWP_NOREDRAW)) RedrawAfterMove(W, OldWindow, OldClient, WasVisible, Flags);
  // [Phase 5] Activation: a shown or raised top-level window takes it unless
  // told not to; a hidden active one hands it on.
  TWinState& S = State();
  if (IsTopLevel(W)) {
    bool Visible = (W->Style & WS_VISIBLE) != 0;
    if (Visible && !(Flags & SWP_NOACTIVATE) && S.Active != Wnd && !(W->Style & WS_DISABLED))
      ActivateTopLevel(Wnd, WA_ACTIVE);
    else if (!Visible && S.Active == Wnd && !W->Destroying) {
      ActivateTopLevel(NextActivation(W), WA_ACTIVE);
    }
    if (!(W = FindWnd(Wnd))) return TRUE;
  }
  // [Phase 6] WM_WINDOWPOSCHANGED, telling what really changed.
  Pos.x = NewWindow.Left;
  Pos.y = NewWindow.Top;
  Pos.cx = NewWindow.Width();
  Pos.cy = NewWindow.Height();
  if (NewClient.Width() == OldClient.Width() && NewClient.Height() == OldClient.Height())
    Flags |= SWP_NOCLIENTSIZE;
  if (NewClient.Left == OldClient.Left && NewClient.Top == OldClient.Top) Flags |= SWP_NOCLIENTMOVE;
  Pos.flags = Flags;
  SendMessage(Wnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&Pos));
  return TRUE;
}

BOOL MoveWindow(HWND Wnd, Integer X, Integer Y, Integer Width, Integer Height, BOOL Repaint) {
  return SetWindowPos(Wnd, nullptr, X, Y, Width, Height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND Wnd) {
  return SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace winimpl {

void RaiseOwned(TWnd* W) {
  auto& Kids = Desktop()->Children;
  std::vector<TWnd*> Owned;
  for (TWnd* T : Kids)
    if (T->Owner == W->Handle && T != W) Owned.push_back(T);
  for (TWnd* T : Owned) {
    // A topmost window owned by a plain one is above it already.
    if ((T->ExStyle & WS_EX_TOPMOST) && !(W->ExStyle & WS_EX_TOPMOST)) continue;
    auto It = std::find(Kids.begin(), Kids.end(), T);
    auto Owner = std::find(Kids.begin(), Kids.end(), W);
    if (It < Owner) continue;
    Kids.erase(It);
    Kids.insert(std::find(Kids.begin(), Kids.end(), W), T);
  }
  for (TWnd* T : Owned) RaiseOwned(T);
}

bool HasMinMax(DWORD Style) { return (Style & WS_THICKFRAME) || !(Style & (WS_POPUP | WS_CHILD)); }

MINMAXINFO GetMinMaxInfo(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  DWORD Style = W ? W->Style : WS_OVERLAPPEDWINDOW;
  // The frame lies outside the work area of a maximized window.
  Integer Frame = NonClientInsets(Style & (WS_THICKFRAME | WS_DLGFRAME | WS_BORDER), 0, false).Left;
  MONITORINFO Mi;
  GetMonitorInfo(MonitorFromWindow(Wnd, MONITOR_DEFAULTTOPRIMARY), &Mi);
  MINMAXINFO Mm;
  Mm.ptMaxSize = Point(Mi.rcWork.Width() + 2 * Frame, Mi.rcWork.Height() + 2 * Frame);
  Mm.ptMaxPosition = Point(-Frame, -Frame);
  Mm.ptMinTrackSize = Point(GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK));
  Mm.ptMaxTrackSize = Point(GetSystemMetrics(SM_CXVIRTUALSCREEN) + 2 * Frame,
                            GetSystemMetrics(SM_CYVIRTUALSCREEN) + 2 * Frame);
  if (W) SendMessage(Wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Mm));
  return Mm;
}

}  // namespace winimpl

namespace {

// The bounds of a maximized window: its monitor's work area with the frame
// outside it (a child: its parent's client area).
TRect MaximizedRect(HWND Wnd) {
  TWnd* W = FindWnd(Wnd);
  if (!IsTopLevel(W)) {
    TRect In = NonClientInsets(W->Style & (WS_THICKFRAME | WS_DLGFRAME | WS_BORDER), 0, false);
    return Rect(-In.Left, -In.Top, W->Parent->ClientRect.Width() + In.Right,
                W->Parent->ClientRect.Height() + In.Bottom);
  }
  MINMAXINFO Mm = GetMinMaxInfo(Wnd);
  MONITORINFO Mi;
  GetMonitorInfo(MonitorFromWindow(Wnd, MONITOR_DEFAULTTOPRIMARY), &Mi);
  return Bounds(Mi.rcWork.Left + Mm.ptMaxPosition.X, Mi.rcWork.Top + Mm.ptMaxPosition.Y,
                Mm.ptMaxSize.X, Mm.ptMaxSize.Y);
}

// Moves a window into the state State (0, WS_MINIMIZE or WS_MAXIMIZE),
// keeping its restored bounds.
void ChangeState(HWND Wnd, DWORD NewState, bool Activate) {
  TWnd* W = FindWnd(Wnd);
  DWORD Old = W->Style & (WS_MINIMIZE | WS_MAXIMIZE);
  bool WasVisible = (W->Style & WS_VISIBLE) != 0;
  if (Old == 0 && NewState != 0) W->NormalRect = W->WindowRect;
  W->Style = (W->Style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | NewState;
  TRect R = NewState == WS_MAXIMIZE   ? MaximizedRect(Wnd)
            : NewState == WS_MINIMIZE ? Bounds(-32000, -32000, 160, 31)
                                      : W->NormalRect;
  if (!(W = FindWnd(Wnd))) return;
  if (!WasVisible) SendMessage(Wnd, WM_SHOWWINDOW, TRUE, 0);
  UINT Flags =
      SWP_FRAMECHANGED | (WasVisible ? 0 : SWP_SHOWWINDOW) | (Activate ? 0 : SWP_NOACTIVATE);
  if (!IsTopLevel(W) || !Activate) Flags |= SWP_NOZORDER;
  SetWindowPos(Wnd, HWND_TOP, R.Left, R.Top, R.Width(), R.Height(), Flags);
}

}  // namespace

BOOL ShowWindow(HWND Wnd, Integer Cmd) {
  TWnd* W = FindWnd(Wnd);
  if (!W || W == Desktop()) return FALSE;
  BOOL WasVisible = (W->Style & WS_VISIBLE) ? TRUE : FALSE;
  bool Top = IsTopLevel(W);
  DWORD State = W->Style & (WS_MINIMIZE | WS_MAXIMIZE);
  bool MayActivate = Top && !(W->ExStyle & WS_EX_NOACTIVATE);
  switch (Cmd) {
    case SW_HIDE:
      if (!WasVisible) return FALSE;
      SendMessage(Wnd, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return WasVisible;
    case SW_SHOWMAXIMIZED:
      if (State != WS_MAXIMIZE)
        ChangeState(Wnd, WS_MAXIMIZE, MayActivate);
      else if (!WasVisible || (MayActivate && GetActiveWindow() != Wnd))
        break;
      return WasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
      if (State != WS_MINIMIZE)
        ChangeState(Wnd, WS_MINIMIZE, MayActivate && Cmd == SW_SHOWMINIMIZED);
      // Minimizing hands the activation to the next window.
      if (Cmd == SW_MINIMIZE && GetActiveWindow() == Wnd) {
        HWND Next = nullptr;
        for (TWnd* T : Desktop()->Children)
          if (!Next && T->Handle != Wnd && (T->Style & WS_VISIBLE) && !(T->Style & WS_MINIMIZE))
            Next = T->Handle;
        SetActiveWindow(Next);
      }
      return WasVisible;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      if (State) {
        ChangeState(Wnd, 0, MayActivate);
        return WasVisible;
      }
      break;
    default:
      break;
  }
  bool Activate = MayActivate && Cmd != SW_SHOWNA && Cmd != SW_SHOWNOACTIVATE;
  if (WasVisible) {
    if (Activate && GetActiveWindow() != Wnd) SetActiveWindow(Wnd);
    return WasVisible;
  }
  SendMessage(Wnd, WM_SHOWWINDOW, TRUE, 0);
  UINT Flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
  if (!Activate) Flags |= SWP_NOACTIVATE;
  if (!Top || !Activate) Flags |= SWP_NOZORDER;
  SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, Flags);
  return WasVisible;
}

namespace {

// Placements of top-level windows are in workspace coordinates: (0, 0) is the
// top-left corner of the work area of the window's monitor.
TPoint WorkspaceOffset(TWnd* W) {
  if (!IsTopLevel(W) || (W->ExStyle & WS_EX_TOOLWINDOW)) return {};
  MONITORINFO Mi;
  GetMonitorInfo(MonitorFromWindow(W->Handle, MONITOR_DEFAULTTOPRIMARY), &Mi);
  return Point(Mi.rcWork.Left - Mi.rcMonitor.Left, Mi.rcWork.Top - Mi.rcMonitor.Top);
}

}  // namespace

BOOL GetWindowPlacement(HWND Wnd, WINDOWPLACEMENT* P) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !P) return FALSE;
  P->flags = 0;
  P->showCmd = (W->Style & WS_MAXIMIZE)   ? UINT(SW_SHOWMAXIMIZED)
               : (W->Style & WS_MINIMIZE) ? UINT(SW_SHOWMINIMIZED)
                                          : UINT(SW_SHOWNORMAL);
  P->ptMinPosition = Point(-1, -1);
  P->ptMaxPosition = Point(-1, -1);
  P->rcNormalPosition = (W->Style & (WS_MINIMIZE | WS_MAXIMIZE)) ? W->NormalRect : W->WindowRect;
  TPoint O = WorkspaceOffset(W);
  OffsetRect(P->rcNormalPosition, -O.X, -O.Y);
  return TRUE;
}

BOOL SetWindowPlacement(HWND Wnd, const WINDOWPLACEMENT* P) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !P) return FALSE;
  TRect R = P->rcNormalPosition;
  TPoint O = WorkspaceOffset(W);
  OffsetRect(R, O.X, O.Y);
  W->NormalRect = R;
  if (!(W->Style & (WS_MINIMIZE | WS_MAXIMIZE)))
    SetWindowPos(Wnd, nullptr, R.Left, R.Top, R.Width(), R.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (IsWindow(Wnd)) ShowWindow(Wnd, Integer(P->showCmd));
  return TRUE;
}

}  // namespace kvp
