// Calling window procedures, and the system's default handling of messages.
//
// Index
//   [SECTION] Sending               SendMessage, SendNotifyMessage, CallWindowProc
//   [SECTION] Frame and hit testing  DefNcCalcSize, DefNcHitTest
//   [SECTION] Mouse and cursor       DefSetCursor, DefMouseActivate
//   [SECTION] DefWindowProc          the message switch
#include <algorithm>
#include <cstring>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] Sending

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Wnd == HWND_BROADCAST) {
    std::vector<HWND> Tops;
    for (TWnd* T : Desktop()->Children) Tops.push_back(T->Handle);
    for (HWND H : Tops) CallProc(H, Msg, W, L);
    return 0;
  }
  return CallProc(Wnd, Msg, W, L);
}

BOOL SendNotifyMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Wnd != HWND_BROADCAST && !IsWindow(Wnd)) return FALSE;
  SendMessage(Wnd, Msg, W, L);
  return TRUE;
}

LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  return Proc ? Proc(Wnd, Msg, W, L) : 0;
}

// [SECTION] Frame and hit testing

namespace {

TRect ClientFromWindow(const TWnd* W, const TRect& Window) {
  if (W->Style & WS_MINIMIZE) return Rect(Window.Left, Window.Top, Window.Left, Window.Top);
  TRect In = NonClientInsets(W->Style, W->ExStyle, true);
  TRect C = Rect(Window.Left + In.Left, Window.Top + In.Top, Window.Right - In.Right,
                 Window.Bottom - In.Bottom);
  // A window too small for its frame has an empty client area, never an inverted one.
  C.Right = std::max(C.Right, C.Left);
  C.Bottom = std::max(C.Bottom, C.Top);
  if (C.Left > Window.Right) C.Left = C.Right = Window.Right;
  if (C.Top > Window.Bottom) C.Top = C.Bottom = Window.Bottom;
  return C;
}

LRESULT DefNcCalcSize(TWnd* W, WPARAM Calc, LPARAM L) {
  if (!L) return 0;
  if (Calc) {
    auto* P = reinterpret_cast<NCCALCSIZE_PARAMS*>(L);
    P->rgrc[0] = ClientFromWindow(W, P->rgrc[0]);
  } else {
    auto* R = reinterpret_cast<TRect*>(L);
    *R = ClientFromWindow(W, *R);
  }
  return 0;
}

LRESULT SizingCode(const TWnd* W, TPoint P, const TRect& R) {
  Integer Corner = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  bool L = P.X < R.Left + GetSystemMetrics(SM_CXFRAME),
       Rt = P.X >= R.Right - GetSystemMetrics(SM_CXFRAME);
  bool T = P.Y < R.Top + GetSystemMetrics(SM_CYFRAME),
       B = P.Y >= R.Bottom - GetSystemMetrics(SM_CYFRAME);
  bool NearL = P.X < R.Left + Corner, NearR = P.X >= R.Right - Corner;
  bool NearT = P.Y < R.Top + Corner, NearB = P.Y >= R.Bottom - Corner;
  (void)W;
  if ((T && NearL) || (L && NearT)) return HTTOPLEFT;
  if ((T && NearR) || (Rt && NearT)) return HTTOPRIGHT;
  if ((B && NearL) || (L && NearB)) return HTBOTTOMLEFT;
  if ((B && NearR) || (Rt && NearB)) return HTBOTTOMRIGHT;
  if (L) return HTLEFT;
  if (Rt) return HTRIGHT;
  if (T) return HTTOP;
  if (B) return HTBOTTOM;
  return HTNOWHERE;
}

LRESULT DefNcHitTest(TWnd* W, TPoint P) {
  TRect R = WindowRectOnScreen(W);
  if (!PtInRect(R, P)) return HTNOWHERE;
  if (PtInRect(ClientRectOnScreen(W), P)) return HTCLIENT;
  TPoint Local = Point(P.X - R.Left, P.Y - R.Top);
  TRect VBar = ScrollBarRect(W, SB_VERT), HBar = ScrollBarRect(W, SB_HORZ);
  if (PtInRect(VBar, Local)) return HTVSCROLL;
  if (PtInRect(HBar, Local)) return HTHSCROLL;
  if (!IsRectEmpty(VBar) && !IsRectEmpty(HBar) &&
      PtInRect(Rect(VBar.Left, HBar.Top, VBar.Right, HBar.Bottom), Local))
    return (W->Style & WS_THICKFRAME) ? HTSIZE : HTNOWHERE;
  if (W->Style & WS_THICKFRAME) {
    LRESULT Code = SizingCode(W, P, R);
    if (Code != HTNOWHERE) return Code;
  }
  if ((W->Style & WS_CAPTION) == WS_CAPTION) {
    // Between the top of the frame (as thick as its left side) and the client edge.
    TRect In =
        NonClientInsets(W->Style, W->ExStyle & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), false);
    if (P.Y < R.Top + In.Top && P.Y >= R.Top + In.Left) return HTCAPTION;
  }
  return HTBORDER;
}

// [SECTION] Mouse and cursor

HCURSOR SizingCursor(LRESULT Hit) {
  switch (Hit) {
    case HTLEFT:
    case HTRIGHT:
      return LoadCursor(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM:
      return LoadCursor(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTSIZE:
      return LoadCursor(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return LoadCursor(nullptr, IDC_SIZENESW);
    default:
      return LoadCursor(nullptr, IDC_ARROW);
  }
}

bool IsButtonDown(UINT Msg) {
  return Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN ||
         Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
}

// The parent is asked first and stops it by answering TRUE. Only the window
// the cursor is over (wParam) then sets a cursor: its class cursor over the
// client area, sizing cursors on a sizing frame, the arrow elsewhere.
LRESULT DefSetCursor(HWND Wnd, TWnd* W, WPARAM Target, LPARAM L) {
  if ((W->Style & WS_CHILD) && W->Parent && W->Parent != Desktop()) {
    if (SendMessage(W->Parent->Handle, WM_SETCURSOR, Target, L)) return TRUE;
    if (!(W = FindWnd(Wnd))) return FALSE;
  }
  if (reinterpret_cast<HWND>(Target) != Wnd) return FALSE;
  LRESULT Hit = std::int16_t(LOWORD(std::uintptr_t(L)));
  UINT Mouse = HIWORD(std::uintptr_t(L));
  if (Hit == HTERROR) {
    if (IsButtonDown(Mouse)) MessageBeep(0);
    return FALSE;
  }
  if (Hit == HTCLIENT) {
    if (!W->Class || !W->Class->Cursor) return FALSE;
    SetCursor(W->Class->Cursor);
    return TRUE;
  }
  SetCursor(SizingCursor(Hit));
  return TRUE;
}

LRESULT DefMouseActivate(TWnd* W, WPARAM Top, LPARAM L) {
  if ((W->Style & WS_CHILD) && W->Parent && W->Parent != Desktop()) {
    LRESULT R = SendMessage(W->Parent->Handle, WM_MOUSEACTIVATE, Top, L);
    if (R) return R;
  }
  return MA_ACTIVATE;
}

LRESULT DefGetText(TWnd* W, WPARAM Size, LPARAM L) {
  auto* Buf = reinterpret_cast<char*>(L);
  if (!Buf || Size == 0) return 0;
  // Whole characters only: a short buffer must not end in half of one.
  std::size_t N = std::min<std::size_t>(W->Text.size(), Size - 1);
  while (N > 0 && N < W->Text.size() && (Byte(W->Text[N]) & 0xC0) == 0x80) --N;
  std::memcpy(Buf, W->Text.data(), N);
  Buf[N] = 0;
  return LRESULT(N);
}

LRESULT DefEraseBackground(TWnd* W, HDC Dc) {
  HBRUSH Brush = W->Class ? W->Class->Background : nullptr;
  if (!Brush || !Dc) return 0;
  std::uintptr_t Value = reinterpret_cast<std::uintptr_t>(Brush);
  if (Value <= 64) Brush = GetSysColorBrush(Integer(Value) - 1);
  TRect R = Rect(0, 0, W->ClientRect.Width(), W->ClientRect.Height());
  FillRect(Dc, &R, Brush);
  return 1;
}

void DefPositionChanged(HWND Wnd, const WINDOWPOS* Pos) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !Pos) return;
  if (!(Pos->flags & SWP_NOCLIENTMOVE))
    SendMessage(Wnd, WM_MOVE, 0, MAKELPARAM(W->ClientRect.Left, W->ClientRect.Top));
  if (!(W = FindWnd(Wnd))) return;
  if (!(Pos->flags & SWP_NOCLIENTSIZE)) {
    WPARAM Kind = (W->Style & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                  : (W->Style & WS_MINIMIZE) ? SIZE_MINIMIZED
                                             : SIZE_RESTORED;
    SendMessage(Wnd, WM_SIZE, Kind, MAKELPARAM(W->ClientRect.Width(), W->ClientRect.Height()));
  }
}

// Keeps a new size inside the window's tracking limits.
void DefPositionChanging(HWND Wnd, WINDOWPOS* Pos) {
  TWnd* W = FindWnd(Wnd);
  if (!W || !Pos || (Pos->flags & SWP_NOSIZE) || !HasMinMax(W->Style)) return;
  if (W->Style & (WS_MINIMIZE | WS_MAXIMIZE)) return;
  MINMAXINFO Mm = GetMinMaxInfo(Wnd);
  Pos->cx =
      std::clamp(Pos->cx, Mm.ptMinTrackSize.X, std::max(Mm.ptMinTrackSize.X, Mm.ptMaxTrackSize.X));
  Pos->cy =
      std::clamp(Pos->cy, Mm.ptMinTrackSize.Y, std::max(Mm.ptMinTrackSize.Y, Mm.ptMaxTrackSize.Y));
}

HWND ParentOf(TWnd* W) {
  return (W->Style & WS_CHILD) && W->Parent && W->Parent != Desktop() ? W->Parent->Handle : nullptr;
}

}  // namespace

// [SECTION] DefWindowProc

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  TWnd* Win = FindWnd(Wnd);
  if (!Win) return 0;
  switch (Msg) {
    case WM_NCCREATE: {
      auto* Cs = reinterpret_cast<const CREATESTRUCT*>(L);
      if (Cs && Cs->lpszName) Win->Text = Cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE:
      return DefNcCalcSize(Win, W, L);
    case WM_NCHITTEST:
      return DefNcHitTest(Win, Point(GET_X_LPARAM(L), GET_Y_LPARAM(L)));
    case WM_SETCURSOR:
      return DefSetCursor(Wnd, Win, W, L);
    case WM_MOUSEACTIVATE:
      return DefMouseActivate(Win, W, L);
    case WM_ACTIVATE:
      if (LOWORD(W) != WA_INACTIVE && !HIWORD(W)) SetFocus(Wnd);
      return 0;
    case WM_NCACTIVATE:
      Win->NcPaintPending = true;
      return TRUE;
    case WM_ERASEBKGND:
      return DefEraseBackground(Win, reinterpret_cast<HDC>(W));
    case WM_NCPAINT:
      PaintNonClient(Win);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT Ps;
      BeginPaint(Wnd, &Ps);
      EndPaint(Wnd, &Ps);
      return 0;
    }
    case WM_GETTEXT:
      return DefGetText(Win, W, L);
    case WM_GETTEXTLENGTH:
      return LRESULT(Win->Text.size());
    case WM_SETTEXT:
      Win->Text = L ? reinterpret_cast<const char*>(L) : "";
      if ((Win->Style & WS_CAPTION) == WS_CAPTION) Win->NcPaintPending = true;
      if (TWindowObserver* O = GetWindowObserver(); O && IsTopLevel(Win))
        O->TopLevelTextChanged(Wnd, Win->Text);
      return TRUE;
    case WM_SETREDRAW:
      if (W)
        Win->Style |= WS_VISIBLE;
      else
        Win->Style &= ~WS_VISIBLE;
      return 0;
    case WM_CLOSE:
      DestroyWindow(Wnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((W & 0xFFF0) == SC_CLOSE) SendMessage(Wnd, WM_CLOSE, 0, 0);
      // Alt with a letter asks for a menu; there are no window menus, so it beeps.
      if ((W & 0xFFF0) == SC_KEYMENU && L != 0 && L != ' ') MessageBeep(0);
      return 0;
    case WM_SYSCHAR:
      SendMessage(GetAncestor(Wnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(W));
      return 0;
    case WM_SYSKEYDOWN:
      if (W == VK_F4 && (L & (1 << 29)))
        SendMessage(GetAncestor(Wnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_RBUTTONUP: {
      TPoint P = Point(GET_X_LPARAM(L), GET_Y_LPARAM(L));
      ClientToScreen(Wnd, &P);
      SendMessage(Wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd), MAKELPARAM(P.X, P.Y));
      return 0;
    }
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      if (HWND P = ParentOf(Win)) return SendMessage(P, Msg, W, L);
      return 0;
    case WM_WINDOWPOSCHANGING:
      DefPositionChanging(Wnd, reinterpret_cast<WINDOWPOS*>(L));
      return 0;
    case WM_WINDOWPOSCHANGED:
      DefPositionChanged(Wnd, reinterpret_cast<WINDOWPOS*>(L));
      return 0;
    case WM_CANCELMODE:
      if (State().Track.Wnd == Wnd) EndScrollTrack(true);
      if (GetCapture() == Wnd) ReleaseCapture();
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (W == WPARAM(HTVSCROLL) || W == WPARAM(HTHSCROLL))
        StartScrollTrack(Wnd, W == WPARAM(HTVSCROLL) ? SB_VERT : SB_HORZ,
                         Point(GET_X_LPARAM(L), GET_Y_LPARAM(L)));
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      bool EditLike = Msg == WM_CTLCOLOREDIT || Msg == WM_CTLCOLORLISTBOX;
      HDC Dc = reinterpret_cast<HDC>(W);
      SetTextColor(Dc, GetSysColor(EditLike ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
      SetBkColor(Dc, GetSysColor(EditLike ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(EditLike ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    default:
      return 0;
  }
}

}  // namespace kvp
