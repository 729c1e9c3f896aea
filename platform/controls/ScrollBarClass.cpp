// The "SCROLLBAR" window class.
//
// Index
//   [SECTION] State            TBarState, StateOf, the direction helper
//   [SECTION] Geometry         arrows, track and thumb along the bar
//   [SECTION] Tracking         the press state machine and its repeat timer
//   [SECTION] Painting         Paint
//   [SECTION] Procedure        ScrollBarWndProc, RegisterScrollBarClass
#include "platform/controls/ScrollBarClass.h"

#include <algorithm>

#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace kvp {

namespace {

// [SECTION] State

constexpr UINT_PTR RepeatTimer = 1;
constexpr UINT RepeatDelay = 400;     // ms before a held arrow or page area repeats
constexpr UINT RepeatInterval = 100;  // ms between repeats
constexpr Integer MinThumb = 8;

// The part of the bar under the mouse, and what a press there tracks.
enum class TPart { None, LineUp, LineDown, PageUp, PageDown, Thumb };

struct TBarState {
  HWND Wnd = nullptr;
  Integer Min = 0;
  Integer Max = 100;
  UINT Page = 0;
  Integer Pos = 0;
  Integer TrackPos = 0;       // the thumb's position while it is dragged
  UINT Disabled = 0;          // ESB_DISABLE_LTUP / ESB_DISABLE_RTDN
  TPart Press = TPart::None;  // what the held button tracks
  bool ThumbReleased = false; // sending the SB_THUMBPOSITION of a drag that ended
  bool Hot = false;           // the mouse is over the pressed part (repeats only then)
  Integer Grab = 0;           // thumb drags: mouse offset from the thumb's start
  Integer LastAlong = 0;      // the mouse's last coordinate along the bar
};

stdctl::TWindowStates<TBarState>& Bars() {
  static stdctl::TWindowStates<TBarState> States;
  return States;
}

TBarState& StateOf(HWND Wnd) { return Bars().Of(Wnd); }

bool IsVert(const TBarState& B) { return (GetWindowLong(B.Wnd, GWL_STYLE) & SBS_VERT) != 0; }

// The direction helper: coordinates along and across the bar.
Integer Along(const TBarState& B, TPoint P) { return IsVert(B) ? P.Y : P.X; }
Integer Length(const TBarState& B) {
  TRect R;
  GetClientRect(B.Wnd, &R);
  return IsVert(B) ? R.Height() : R.Width();
}
// The client rectangle of the span [From, To) along the bar.
TRect Span(const TBarState& B, Integer From, Integer To) {
  TRect R;
  GetClientRect(B.Wnd, &R);
  if (IsVert(B)) return {R.Left, From, R.Right, To};
  return {From, R.Top, To, R.Bottom};
}

Integer MaxPos(const TBarState& B) {
  return std::max(B.Min, B.Max - std::max<Integer>(Integer(B.Page) - 1, 0));
}

// [SECTION] Geometry

struct TLayout {
  Integer Arrow = 0;       // length of each arrow button
  Integer TrackStart = 0;  // the track between the arrows
  Integer TrackEnd = 0;
  Integer ThumbStart = 0;
  Integer ThumbEnd = 0;  // ThumbStart == ThumbEnd: no thumb
};

TLayout LayoutOf(const TBarState& B, Integer Pos) {
  TLayout Lt;
  Integer Len = Length(B);
  Integer Sys = GetSystemMetrics(IsVert(B) ? SM_CYVSCROLL : SM_CXHSCROLL);
  Lt.Arrow = std::min(Sys, Len / 2);
  Lt.TrackStart = Lt.Arrow;
  Lt.TrackEnd = Len - Lt.Arrow;
  Integer Track = Lt.TrackEnd - Lt.TrackStart;
  Int64 Range = Int64(B.Max) - B.Min + 1;
  bool Enabled = IsWindowEnabled(B.Wnd) && B.Disabled != ESB_DISABLE_BOTH && B.Max > B.Min;
  if (!Enabled || Track < MinThumb) {
    Lt.ThumbStart = Lt.ThumbEnd = Lt.TrackStart;
    return Lt;
  }
  Integer Thumb = B.Page ? Integer(Int64(Track) * B.Page / Range)
                         : GetSystemMetrics(IsVert(B) ? SM_CYVTHUMB : SM_CXHTHUMB);
  Thumb = std::clamp(Thumb, MinThumb, Track);
  Integer Span = MaxPos(B) - B.Min;
  Integer Offset =
      Span > 0 ? Integer(Int64(Track - Thumb) * (std::clamp(Pos, B.Min, MaxPos(B)) - B.Min) / Span)
               : 0;
  Lt.ThumbStart = Lt.TrackStart + Offset;
  Lt.ThumbEnd = Lt.ThumbStart + Thumb;
  return Lt;
}

TPart PartAt(const TBarState& B, Integer A) {
  TLayout Lt = LayoutOf(B, B.Pos);
  if (A < 0 || A >= Length(B)) return TPart::None;
  if (A < Lt.TrackStart) return TPart::LineUp;
  if (A >= Lt.TrackEnd) return TPart::LineDown;
  if (Lt.ThumbStart == Lt.ThumbEnd) return TPart::None;
  if (A < Lt.ThumbStart) return TPart::PageUp;
  if (A >= Lt.ThumbEnd) return TPart::PageDown;
  return TPart::Thumb;
}

// The position a thumb whose start is at ThumbStart stands for.
Integer PosFromThumb(const TBarState& B, Integer ThumbStart) {
  TLayout Lt = LayoutOf(B, B.Pos);
  Integer Free = (Lt.TrackEnd - Lt.TrackStart) - (Lt.ThumbEnd - Lt.ThumbStart);
  if (Free <= 0) return B.Min;
  Integer Offset = std::clamp(ThumbStart - Lt.TrackStart, 0, Free);
  return B.Min + Integer((Int64(Offset) * (MaxPos(B) - B.Min) + Free / 2) / Free);
}

// [SECTION] Tracking

void Send(const TBarState& B, WORD Code, Integer Pos = 0) {
  HWND Parent = GetParent(B.Wnd);
  if (!Parent) return;
  SendMessage(Parent, IsVert(B) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(Code, Pos & 0xFFFF),
              reinterpret_cast<LPARAM>(B.Wnd));
}

WORD CodeOf(TPart P) {
  switch (P) {
    case TPart::LineUp:
      return SB_LINEUP;
    case TPart::LineDown:
      return SB_LINEDOWN;
    case TPart::PageUp:
      return SB_PAGEUP;
    default:
      return SB_PAGEDOWN;
  }
}

// One step of a held arrow or page area: only while the mouse is on the part
// (and, for a page area, while the thumb has not reached the mouse).
void Step(TBarState& B) {
  if (B.Press == TPart::None || B.Press == TPart::Thumb) return;
  B.Hot = PartAt(B, B.LastAlong) == B.Press;
  if (B.Hot) Send(B, CodeOf(B.Press));
}

void ButtonDown(TBarState& B, LPARAM L) {
  TPoint P{GET_X_LPARAM(L), GET_Y_LPARAM(L)};
  B.LastAlong = Along(B, P);
  TPart Part = PartAt(B, B.LastAlong);
  if (Part == TPart::None) return;
  if ((GetWindowLong(B.Wnd, GWL_STYLE) & WS_TABSTOP) && GetFocus() != B.Wnd) SetFocus(B.Wnd);
  B.Press = Part;
  B.Hot = true;
  SetCapture(B.Wnd);
  if (Part == TPart::Thumb) {
    B.Grab = B.LastAlong - LayoutOf(B, B.Pos).ThumbStart;
    B.TrackPos = B.Pos;
  } else {
    Send(B, CodeOf(Part));
    SetTimer(B.Wnd, RepeatTimer, RepeatDelay, nullptr);
  }
  InvalidateRect(B.Wnd, nullptr, FALSE);
}

void MouseMove(TBarState& B, LPARAM L) {
  if (B.Press == TPart::None) return;
  B.LastAlong = Along(B, {GET_X_LPARAM(L), GET_Y_LPARAM(L)});
  if (B.Press != TPart::Thumb) {
    bool Hot = PartAt(B, B.LastAlong) == B.Press;
    if (Hot != B.Hot) InvalidateRect(B.Wnd, nullptr, FALSE);
    B.Hot = Hot;
    return;
  }
  Integer NewPos = PosFromThumb(B, B.LastAlong - B.Grab);
  if (NewPos == B.TrackPos) return;
  B.TrackPos = NewPos;
  InvalidateRect(B.Wnd, nullptr, FALSE);
  Send(B, SB_THUMBTRACK, NewPos);
}

void EndTrack(TBarState& B, bool Notify) {
  if (B.Press == TPart::None) return;
  TPart Was = B.Press;
  B.Press = TPart::None;
  KillTimer(B.Wnd, RepeatTimer);
  if (GetCapture() == B.Wnd) ReleaseCapture();
  InvalidateRect(B.Wnd, nullptr, FALSE);
  if (!Notify) return;
  HWND Wnd = B.Wnd;
  if (Was == TPart::Thumb) {
    // The track position stays readable while the window takes it; the
    // window may destroy the bar meanwhile, so B is looked up again after.
    struct TRelease {
      HWND Wnd;
      ~TRelease() {
        if (IsWindow(Wnd)) StateOf(Wnd).ThumbReleased = false;
      }
    } Release{Wnd};
    B.ThumbReleased = true;
    Send(B, SB_THUMBPOSITION, B.TrackPos);
  }
  if (!IsWindow(Wnd)) return;
  Send(StateOf(Wnd), SB_ENDSCROLL);
}

void KeyDown(TBarState& B, Word Key) {
  bool Vert = IsVert(B);
  switch (Key) {
    case VK_UP:
      if (Vert) Send(B, SB_LINEUP);
      break;
    case VK_LEFT:
      if (!Vert) Send(B, SB_LINEUP);
      break;
    case VK_DOWN:
      if (Vert) Send(B, SB_LINEDOWN);
      break;
    case VK_RIGHT:
      if (!Vert) Send(B, SB_LINEDOWN);
      break;
    case VK_PRIOR:
      Send(B, SB_PAGEUP);
      break;
    case VK_NEXT:
      Send(B, SB_PAGEDOWN);
      break;
    case VK_HOME:
      Send(B, SB_TOP);
      break;
    case VK_END:
      Send(B, SB_BOTTOM);
      break;
    default:
      return;
  }
}

// [SECTION] Painting

void Paint(TBarState& B, WPARAM W) {
  stdctl::TPaintDC PaintDc(B.Wnd, W);
  HDC Dc = PaintDc.Dc();
  bool Vert = IsVert(B);
  Integer Pos = B.Press == TPart::Thumb ? B.TrackPos : B.Pos;
  TLayout Lt = LayoutOf(B, Pos);
  bool Enabled = IsWindowEnabled(B.Wnd) && B.Max > B.Min;
  HWND Parent = GetParent(B.Wnd);
  WPARAM DcArg = reinterpret_cast<WPARAM>(Dc);
  auto L = reinterpret_cast<LPARAM>(B.Wnd);
  auto Track =
      reinterpret_cast<HBRUSH>(Parent ? SendMessage(Parent, WM_CTLCOLORSCROLLBAR, DcArg, L) : 0);
  if (!Track) Track = GetSysColorBrush(COLOR_SCROLLBAR);
  // [Phase 1] The arrows, pressed while held with the mouse on them.
  auto Arrow = [&](TRect R, UINT Kind, TPart Part, UINT DisableBit) {
    bool Off = !Enabled || (B.Disabled & DisableBit);
    UINT State =
        Kind | (B.Press == Part && B.Hot ? DFCS_PUSHED | DFCS_FLAT : 0) | (Off ? DFCS_INACTIVE : 0);
    DrawFrameControl(Dc, &R, DFC_SCROLL, State);
  };
  Integer Len = Length(B);
  Arrow(Span(B, 0, Lt.Arrow), Vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, TPart::LineUp,
        ESB_DISABLE_LTUP);
  Arrow(Span(B, Len - Lt.Arrow, Len), Vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT, TPart::LineDown,
        ESB_DISABLE_RTDN);
  // [Phase 2] The track, the held page area darkened, and the thumb.
  TRect T = Span(B, Lt.TrackStart, Lt.TrackEnd);
  FillRect(Dc, &T, Track);
  if ((B.Press == TPart::PageUp || B.Press == TPart::PageDown) && B.Hot) {
    TRect Held = B.Press == TPart::PageUp ? Span(B, Lt.TrackStart, Lt.ThumbStart)
                                          : Span(B, Lt.ThumbEnd, Lt.TrackEnd);
    FillRect(Dc, &Held, GetSysColorBrush(COLOR_3DDKSHADOW));
  }
  if (Lt.ThumbEnd > Lt.ThumbStart) {
    TRect Th = Span(B, Lt.ThumbStart, Lt.ThumbEnd);
    FillRect(Dc, &Th, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(Dc, &Th, EDGE_RAISED, BF_RECT);
  }
  if (GetFocus() == B.Wnd && Lt.ThumbEnd > Lt.ThumbStart) {
    TRect F = Span(B, Lt.ThumbStart, Lt.ThumbEnd);
    InflateRect(F, -2, -2);
    DrawFocusRect(Dc, &F);
  }
}

// [SECTION] Procedure

Integer SetInfo(TBarState& B, const SCROLLINFO& Si, bool Redraw) {
  if (Si.fMask & SIF_RANGE) {
    B.Min = Si.nMin;
    B.Max = std::max(Si.nMax, Si.nMin);
  }
  Int64 Range = Int64(B.Max) - B.Min + 1;
  if (Si.fMask & SIF_PAGE) B.Page = UINT(std::min<Int64>(Si.nPage, Range));
  if (Si.fMask & SIF_POS) B.Pos = Si.nPos;
  B.Pos = std::clamp(B.Pos, B.Min, MaxPos(B));
  if (Redraw) InvalidateRect(B.Wnd, nullptr, TRUE);
  return B.Pos;
}

LRESULT HandleBarMessage(TBarState& B, UINT Msg, WPARAM W, LPARAM L) {
  switch (Msg) {
    case SBM_SETPOS: {
      Integer Old = B.Pos;
      SCROLLINFO Si;
      Si.fMask = SIF_POS;
      Si.nPos = Integer(LONG(W));
      SetInfo(B, Si, L != 0);
      return Old;
    }
    case SBM_GETPOS:
      return B.Pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      Integer Old = B.Pos;
      SCROLLINFO Si;
      Si.fMask = SIF_RANGE;
      Si.nMin = Integer(LONG(W));
      Si.nMax = Integer(LONG(L));
      SetInfo(B, Si, Msg == SBM_SETRANGEREDRAW);
      return Old;
    }
    case SBM_GETRANGE:
      if (W) *reinterpret_cast<Integer*>(W) = B.Min;
      if (L) *reinterpret_cast<Integer*>(L) = B.Max;
      return 0;
    case SBM_ENABLE_ARROWS:
      B.Disabled = UINT(W);
      InvalidateRect(B.Wnd, nullptr, TRUE);
      return TRUE;
    case SBM_SETSCROLLINFO:
      return L ? SetInfo(B, *reinterpret_cast<const SCROLLINFO*>(L), W != 0) : B.Pos;
    case SBM_GETSCROLLINFO: {
      auto* Si = reinterpret_cast<SCROLLINFO*>(L);
      if (!Si) return FALSE;
      if (Si->fMask & SIF_RANGE) {
        Si->nMin = B.Min;
        Si->nMax = B.Max;
      }
      if (Si->fMask & SIF_PAGE) Si->nPage = B.Page;
      if (Si->fMask & SIF_POS) Si->nPos = B.Pos;
      if (Si->fMask & SIF_TRACKPOS) Si->nTrackPos = B.Press == TPart::Thumb || B.ThumbReleased ? B.TrackPos : B.Pos;
      return TRUE;
    }
    default:
      return DefWindowProc(B.Wnd, Msg, W, L);
  }
}

}  // namespace

LRESULT ScrollBarWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCDESTROY) {
    Bars().Forget(Wnd);
    return DefWindowProc(Wnd, Msg, W, L);
  }
  TBarState& B = StateOf(Wnd);
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ButtonDown(B, L);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(B, L);
      return 0;
    case WM_LBUTTONUP:
      EndTrack(B, true);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(L) != Wnd) EndTrack(B, true);
      return 0;
    case WM_CANCELMODE:
      EndTrack(B, true);
      return 0;
    case WM_TIMER:
      if (W == RepeatTimer) {
        SetTimer(Wnd, RepeatTimer, RepeatInterval, nullptr);
        Step(B);
      }
      return 0;
    case WM_KEYDOWN:
      KeyDown(B, Word(W));
      return 0;
    case WM_KEYUP:
      if (W != VK_SHIFT && W != VK_CONTROL) Send(B, SB_ENDSCROLL);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SIZE:
      InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole client area
    case WM_PAINT:
      Paint(B, W);
      return 0;
    default:
      return HandleBarMessage(B, Msg, W, L);
  }
}

void RegisterScrollBarClass() {
  stdctl::RegisterStandardClass(ScrollBarClassName, ScrollBarWndProc,
                                CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, IDC_ARROW);
}

}  // namespace kvp
