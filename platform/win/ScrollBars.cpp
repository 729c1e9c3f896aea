// The standard scroll bars of a window: their state, the rule that shows and
// hides them (with the frame change that follows), their geometry, and the
// tracking that a press on one starts: arrows and page areas scroll and
// repeat on the virtual clock while held, the thumb follows the mouse with
// SB_THUMBTRACK and ends with SB_THUMBPOSITION; every tracking ends with
// SB_ENDSCROLL.
//
// Index
//   [SECTION] State and visibility   SetScrollInfo, GetScrollInfo, Set/GetScrollPos/Range ...
//   [SECTION] Geometry               ScrollBarRect, ScrollBarParts
//   [SECTION] Tracking               StartScrollTrack, TrackMouse, EndScrollTrack
#include <algorithm>

#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace {

// First repeat of a held arrow or page area, then the repeat interval.
constexpr UINT ScrollRepeatDelay = 400;
constexpr UINT ScrollRepeatInterval = 100;
// The shortest thumb of a proportional scroll bar.
constexpr Integer MinThumb = 8;

TScrollBarRec* BarOf(HWND Wnd, Integer Bar) {
  TWnd* W = FindWnd(Wnd);
  if (!W || (Bar != SB_HORZ && Bar != SB_VERT)) return nullptr;
  return &W->Bars[Bar];
}

DWORD StyleBit(Integer Bar) { return Bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

Integer MaxPos(const TScrollBarRec& B) {
  return std::max(B.Min, B.Max - std::max<Integer>(Integer(B.Page) - 1, 0));
}

// Shows or hides the bars in Bits; a change of the client area follows as a
// frame change (WM_NCCALCSIZE, then WM_SIZE from WM_WINDOWPOSCHANGED).
void SetBarsVisible(HWND Wnd, DWORD Bits, bool Show) {
  TWnd* W = FindWnd(Wnd);
  if (!W) return;
  DWORD Old = W->Style;
  W->Style = Show ? (W->Style | Bits) : (W->Style & ~Bits);
  if (W->Style == Old) return;
  SetWindowPos(Wnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RedrawBar(HWND Wnd) {
  if (TWnd* W = FindWnd(Wnd)) W->NcPaintPending = true;
}

}  // namespace

// [SECTION] State and visibility

Integer SetScrollInfo(HWND Wnd, Integer Bar, const SCROLLINFO* Info, BOOL Redraw) {
  if (Bar == SB_CTL)
    return Integer(
        SendMessage(Wnd, SBM_SETSCROLLINFO, WPARAM(Redraw), reinterpret_cast<LPARAM>(Info)));
  TScrollBarRec* B = BarOf(Wnd, Bar);
  if (!B || !Info) return 0;
  if (Info->fMask & SIF_RANGE) {
    B->Min = Info->nMin;
    B->Max = std::max(Info->nMax, Info->nMin);
  }
  Int64 Range = Int64(B->Max) - B->Min + 1;
  if (Info->fMask & SIF_PAGE) B->Page = UINT(std::min<Int64>(Info->nPage, Range));
  if (Info->fMask & SIF_POS) B->Pos = Info->nPos;
  B->Page = UINT(std::min<Int64>(B->Page, Range));
  B->Pos = std::clamp(B->Pos, B->Min, MaxPos(*B));
  Integer Result = B->Pos;
  // A bar shows while its range does not fit in its page.
  bool Needed = B->Max > B->Min && Range > Int64(B->Page);
  if (Info->fMask & (SIF_RANGE | SIF_PAGE)) {
    TWnd* W = FindWnd(Wnd);
    bool Shown = (W->Style & StyleBit(Bar)) != 0;
    if (Needed) {
      if (Info->fMask & SIF_DISABLENOSCROLL) B->Disabled = ESB_ENABLE_BOTH;
      SetBarsVisible(Wnd, StyleBit(Bar), true);
    } else if (Info->fMask & SIF_DISABLENOSCROLL) {
      if (Shown) B->Disabled = ESB_DISABLE_BOTH;
    } else {
      SetBarsVisible(Wnd, StyleBit(Bar), false);
    }
  }
  if (Redraw) RedrawBar(Wnd);
  return Result;
}

BOOL GetScrollInfo(HWND Wnd, Integer Bar, SCROLLINFO* Info) {
  if (Bar == SB_CTL)
    return SendMessage(Wnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(Info)) ? TRUE : FALSE;
  TScrollBarRec* B = BarOf(Wnd, Bar);
  if (!B || !Info) return FALSE;
  if (Info->fMask & SIF_RANGE) {
    Info->nMin = B->Min;
    Info->nMax = B->Max;
  }
  if (Info->fMask & SIF_PAGE) Info->nPage = B->Page;
  if (Info->fMask & SIF_POS) Info->nPos = B->Pos;
  if (Info->fMask & SIF_TRACKPOS) {
    const TWinState& S = State();
    bool Tracking = (S.Track.Wnd == Wnd && S.Track.Bar == Bar && S.Track.Part == TScrollPart::Thumb) ||
                    (S.ThumbReleased.Wnd == Wnd && S.ThumbReleased.Bar == Bar);
    Info->nTrackPos = Tracking ? B->TrackPos : B->Pos;
  }
  return TRUE;
}

Integer SetScrollPos(HWND Wnd, Integer Bar, Integer Pos, BOOL Redraw) {
  if (Bar == SB_CTL) return Integer(SendMessage(Wnd, SBM_SETPOS, WPARAM(Pos), LPARAM(Redraw)));
  TScrollBarRec* B = BarOf(Wnd, Bar);
  if (!B) return 0;
  Integer Old = B->Pos;
  SCROLLINFO Si;
  Si.fMask = SIF_POS;
  Si.nPos = Pos;
  SetScrollInfo(Wnd, Bar, &Si, Redraw);
  return Old;
}

Integer GetScrollPos(HWND Wnd, Integer Bar) {
  if (Bar == SB_CTL) return Integer(SendMessage(Wnd, SBM_GETPOS, 0, 0));
  TScrollBarRec* B = BarOf(Wnd, Bar);
  return B ? B->Pos : 0;
}

BOOL SetScrollRange(HWND Wnd, Integer Bar, Integer Min, Integer Max, BOOL Redraw) {
  if (Bar == SB_CTL) {
    if (!IsWindow(Wnd)) return FALSE;
    SendMessage(Wnd, Redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, WPARAM(Min), LPARAM(Max));
    return TRUE;
  }
  if (!BarOf(Wnd, Bar)) return FALSE;
  SCROLLINFO Si;
  Si.fMask = SIF_RANGE;
  Si.nMin = Min;
  Si.nMax = Max;
  SetScrollInfo(Wnd, Bar, &Si, Redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND Wnd, Integer Bar, Integer* Min, Integer* Max) {
  if (Bar == SB_CTL) {
    if (!IsWindow(Wnd) || !Min || !Max) return FALSE;
    SendMessage(Wnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(Min), reinterpret_cast<LPARAM>(Max));
    return TRUE;
  }
  TScrollBarRec* B = BarOf(Wnd, Bar);
  if (!B || !Min || !Max) return FALSE;
  *Min = B->Min;
  *Max = B->Max;
  return TRUE;
}

BOOL ShowScrollBar(HWND Wnd, Integer Bar, BOOL Show) {
  if (Bar == SB_CTL) {
    if (!IsWindow(Wnd)) return FALSE;
    ShowWindow(Wnd, Show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  if (!IsWindow(Wnd)) return FALSE;
  DWORD Bits = Bar == SB_BOTH   ? (WS_HSCROLL | WS_VSCROLL)
               : Bar == SB_VERT ? WS_VSCROLL
               : Bar == SB_HORZ ? WS_HSCROLL
                                : 0;
  if (!Bits) return FALSE;
  SetBarsVisible(Wnd, Bits, Show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND Wnd, UINT Bar, UINT Arrows) {
  if (Bar == UINT(SB_CTL))
    return SendMessage(Wnd, SBM_ENABLE_ARROWS, WPARAM(Arrows), 0) ? TRUE : FALSE;
  TWnd* W = FindWnd(Wnd);
  if (!W) return FALSE;
  bool Changed = false;
  for (Integer B : {SB_HORZ, SB_VERT}) {
    if (Bar != UINT(SB_BOTH) && Bar != UINT(B)) continue;
    Changed = Changed || W->Bars[B].Disabled != (Arrows & ESB_DISABLE_BOTH);
    W->Bars[B].Disabled = Arrows & ESB_DISABLE_BOTH;
  }
  if (Changed) RedrawBar(Wnd);
  return Changed ? TRUE : FALSE;
}

// [SECTION] Geometry

namespace winimpl {

TRect ScrollBarRect(const TWnd* W, Integer Bar) {
  if (!(W->Style & StyleBit(Bar))) return {};
  TRect C = W->ClientRect;
  OffsetRect(C, -W->WindowRect.Left, -W->WindowRect.Top);
  if (Bar == SB_HORZ)
    return Rect(C.Left, C.Bottom, C.Right, C.Bottom + GetSystemMetrics(SM_CYHSCROLL));
  Integer Cx = GetSystemMetrics(SM_CXVSCROLL);
  if (W->ExStyle & WS_EX_LEFTSCROLLBAR) return Rect(C.Left - Cx, C.Top, C.Left, C.Bottom);
  return Rect(C.Right, C.Top, C.Right + Cx, C.Bottom);
}

void ScrollBarParts(const TWnd* W, Integer Bar, Integer& TrackStart, Integer& TrackEnd,
                    Integer& ThumbStart, Integer& ThumbEnd) {
  TRect R = ScrollBarRect(W, Bar);
  bool Vert = Bar == SB_VERT;
  Integer Start = Vert ? R.Top : R.Left, End = Vert ? R.Bottom : R.Right;
  Integer Arrow = std::min(GetSystemMetrics(Vert ? SM_CYVSCROLL : SM_CXHSCROLL), (End - Start) / 2);
  TrackStart = Start + Arrow;
  TrackEnd = End - Arrow;
  ThumbStart = ThumbEnd = TrackStart;
  const TScrollBarRec& B = W->Bars[Bar];
  Int64 Range = Int64(B.Max) - B.Min + 1;
  Integer TrackLen = TrackEnd - TrackStart;
  if (B.Max <= B.Min || B.Disabled == ESB_DISABLE_BOTH || TrackLen <= 0) return;
  Integer ThumbLen = B.Page ? std::max<Integer>(Integer(Int64(TrackLen) * B.Page / Range), MinThumb)
                            : GetSystemMetrics(Vert ? SM_CYVTHUMB : SM_CXHTHUMB);
  if (ThumbLen > TrackLen) return;
  bool Tracking = State().Track.Wnd == W->Handle && State().Track.Bar == Bar &&
                  State().Track.Part == TScrollPart::Thumb;
  Integer Pos = Tracking ? B.TrackPos : B.Pos;
  Int64 Span = Int64(MaxPos(B)) - B.Min;
  Integer Offset = Span > 0 ? Integer(Int64(Pos - B.Min) * (TrackLen - ThumbLen) / Span) : 0;
  ThumbStart = TrackStart + Offset;
  ThumbEnd = ThumbStart + ThumbLen;
}

}  // namespace winimpl

// [SECTION] Tracking

namespace {

// The position along the bar of a screen point, in window coordinates.
Integer AlongBar(const TWnd* W, Integer Bar, TPoint ScreenPt) {
  TRect WinR = WindowRectOnScreen(W);
  return Bar == SB_VERT ? ScreenPt.Y - WinR.Top : ScreenPt.X - WinR.Left;
}

TScrollPart PartAt(const TWnd* W, Integer Bar, TPoint ScreenPt) {
  TRect WinR = WindowRectOnScreen(W);
  TRect R = ScrollBarRect(W, Bar);
  if (!PtInRect(R, Point(ScreenPt.X - WinR.Left, ScreenPt.Y - WinR.Top))) return TScrollPart::None;
  Integer TrackStart, TrackEnd, ThumbStart, ThumbEnd;
  ScrollBarParts(W, Bar, TrackStart, TrackEnd, ThumbStart, ThumbEnd);
  Integer At = AlongBar(W, Bar, ScreenPt);
  if (At < TrackStart) return TScrollPart::LineUp;
  if (At >= TrackEnd) return TScrollPart::LineDown;
  if (ThumbEnd > ThumbStart && At >= ThumbStart && At < ThumbEnd) return TScrollPart::Thumb;
  if (ThumbEnd == ThumbStart) return TScrollPart::None;
  return At < ThumbStart ? TScrollPart::PageUp : TScrollPart::PageDown;
}

WORD PartCode(TScrollPart Part) {
  switch (Part) {
    case TScrollPart::LineUp:
      return SB_LINEUP;
    case TScrollPart::LineDown:
      return SB_LINEDOWN;
    case TScrollPart::PageUp:
      return SB_PAGEUP;
    case TScrollPart::PageDown:
      return SB_PAGEDOWN;
    default:
      return SB_ENDSCROLL;
  }
}

void SendScroll(HWND Wnd, Integer Bar, WORD Code, Integer Pos) {
  SendMessage(Wnd, Bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(Code, Pos), 0);
}

bool ArrowDisabled(const TWnd* W, Integer Bar, TScrollPart Part) {
  UINT D = W->Bars[Bar].Disabled;
  return (Part == TScrollPart::LineUp && (D & ESB_DISABLE_LTUP)) ||
         (Part == TScrollPart::LineDown && (D & ESB_DISABLE_RTDN));
}

// A held arrow or page area scrolls again while the mouse is still over it.
void Repeat() {
  TScrollTrack& T = State().Track;
  TWnd* W = FindWnd(T.Wnd);
  if (!W) return;
  if (PartAt(W, T.Bar, T.MousePt) != T.Part) return;
  KillInternalTimer(T.RepeatTimer);
  T.RepeatTimer = SetInternalTimer(ScrollRepeatInterval, Repeat);
  SendScroll(T.Wnd, T.Bar, PartCode(T.Part), 0);
}

Integer ThumbPosAt(const TWnd* W, Integer Bar, TPoint ScreenPt, Integer GrabOffset) {
  Integer TrackStart, TrackEnd, ThumbStart, ThumbEnd;
  ScrollBarParts(W, Bar, TrackStart, TrackEnd, ThumbStart, ThumbEnd);
  const TScrollBarRec& B = W->Bars[Bar];
  Integer Free = (TrackEnd - TrackStart) - (ThumbEnd - ThumbStart);
  if (Free <= 0) return B.Min;
  Integer Offset = std::clamp(AlongBar(W, Bar, ScreenPt) - GrabOffset - TrackStart, 0, Free);
  Int64 Span = Int64(MaxPos(B)) - B.Min;
  // Rounded to the nearest position, as the thumb is dragged.
  return B.Min + Integer((Int64(Offset) * Span * 2 + Free) / (Int64(Free) * 2));
}

}  // namespace

namespace winimpl {

void StartScrollTrack(HWND Wnd, Integer Bar, TPoint ScreenPt) {
  TWnd* W = FindWnd(Wnd);
  TWinState& S = State();
  if (!W || S.Track.Active()) return;
  TScrollPart Part = PartAt(W, Bar, ScreenPt);
  if (Part == TScrollPart::None || W->Bars[Bar].Disabled == ESB_DISABLE_BOTH ||
      ArrowDisabled(W, Bar, Part))
    return;
  SetCapture(Wnd);
  if (!(W = FindWnd(Wnd))) return;
  S.Track.Wnd = Wnd;
  S.Track.Bar = Bar;
  S.Track.Part = Part;
  S.Track.MousePt = ScreenPt;
  if (Part == TScrollPart::Thumb) {
    // The drag starts from the position: the thumb is measured where it is
    // shown now, not where an earlier drag left it.
    W->Bars[Bar].TrackPos = W->Bars[Bar].Pos;
    Integer TrackStart, TrackEnd, ThumbStart, ThumbEnd;
    ScrollBarParts(W, Bar, TrackStart, TrackEnd, ThumbStart, ThumbEnd);
    S.Track.GrabOffset = AlongBar(W, Bar, ScreenPt) - ThumbStart;
    SendScroll(Wnd, Bar, SB_THUMBTRACK, W->Bars[Bar].Pos);
    return;
  }
  S.Track.RepeatTimer = SetInternalTimer(ScrollRepeatDelay, Repeat);
  SendScroll(Wnd, Bar, PartCode(Part), 0);
}

void TrackMouse(UINT Msg, TPoint ScreenPt) {
  TScrollTrack& T = State().Track;
  TWnd* W = FindWnd(T.Wnd);
  if (!W) {
    EndScrollTrack(true);
    return;
  }
  T.MousePt = ScreenPt;
  if (Msg == WM_LBUTTONUP) {
    EndScrollTrack(false);
    return;
  }
  if (Msg != WM_MOUSEMOVE || T.Part != TScrollPart::Thumb) return;
  Integer Pos = ThumbPosAt(W, T.Bar, ScreenPt, T.GrabOffset);
  if (Pos == W->Bars[T.Bar].TrackPos) return;
  W->Bars[T.Bar].TrackPos = Pos;
  W->NcPaintPending = true;
  SendScroll(T.Wnd, T.Bar, SB_THUMBTRACK, Pos);
}

void EndScrollTrack(bool Cancel) {
  TWinState& S = State();
  if (!S.Track.Active()) return;
  TScrollTrack T = S.Track;
  S.Track = {};
  KillInternalTimer(T.RepeatTimer);
  TWnd* W = FindWnd(T.Wnd);
  if (!W) return;
  Integer TrackPos = W->Bars[T.Bar].TrackPos;
  W->NcPaintPending = true;
  if (S.Capture == T.Wnd) ReleaseCapture();
  if (!IsWindow(T.Wnd)) return;
  if (T.Part == TScrollPart::Thumb && !Cancel) {
    S.ThumbReleased = T;
    struct TRelease {
      TScrollTrack& R;
      ~TRelease() { R = {}; }
    } Release{S.ThumbReleased};
    SendScroll(T.Wnd, T.Bar, SB_THUMBPOSITION, TrackPos);
  }
  if (IsWindow(T.Wnd)) SendScroll(T.Wnd, T.Bar, SB_ENDSCROLL, 0);
}

}  // namespace winimpl

}  // namespace kvp
