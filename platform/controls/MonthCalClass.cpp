// The "SysMonthCal32" window class.
//
// Index
//   [SECTION] State            TCalState, StateOf, dates and SYSTEMTIME
//   [SECTION] Layout           TCalLayout, the grid's first day, hit testing
//   [SECTION] Selection        SetSel, notifications, clicks and keys
//   [SECTION] Painting         Paint
//   [SECTION] Procedure        MonthCalWndProc, RegisterMonthCalClass
#include "platform/controls/MonthCalClass.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/controls/StdCtlImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace kvp {

void DateTimeToSystemTime(TDateTime DateTime, SYSTEMTIME& St) {
  St = SYSTEMTIME();
  DecodeDateTime(DateTime, St.wYear, St.wMonth, St.wDay, St.wHour, St.wMinute, St.wSecond,
                 St.wMilliseconds);
  St.wDayOfWeek = Word(DayOfWeek(DateTime) - 1);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& St) {
  TDateTime D = 0;
  if (!TryEncodeDateTime(St.wYear, St.wMonth, St.wDay, St.wHour, St.wMinute, St.wSecond,
                         St.wMilliseconds, D))
    throw EConvertError("SystemTimeToDateTime: " + std::to_string(St.wYear) + "-" +
                        std::to_string(St.wMonth) + "-" + std::to_string(St.wDay) +
                        " is not a valid date");
  return D;
}

namespace {

// [SECTION] State

struct TCalState {
  HWND Wnd = nullptr;
  TDateTime Sel = 0;    // the selected day (whole days)
  TDateTime Today = 0;  // MCM_SETTODAY; 0 follows the clock
  Word Year = 0;        // the month shown
  Word Month = 0;
  Integer FirstDay = 6;  // first column: 0 = Monday .. 6 = Sunday
  DWORD RangeFlags = 0;  // GDTR_MIN / GDTR_MAX
  TDateTime MinDate = 0;
  TDateTime MaxDate = 0;
  HFONT Font = nullptr;
  std::array<COLORREF, 6> Colors{};  // MCSC_ parts
};

stdctl::TWindowStates<TCalState>& Cals() {
  static stdctl::TWindowStates<TCalState> States;
  return States;
}

TDateTime TodayOf(const TCalState& C) { return C.Today != 0 ? C.Today : std::floor(Date()); }

void Show(TCalState& C, TDateTime D) {
  Word Day = 0;
  DecodeDate(D, C.Year, C.Month, Day);
}

TCalState& StateOf(HWND Wnd) {
  bool Made = false;
  TCalState& C = Cals().Of(Wnd, &Made);
  if (Made) {
    C.Sel = TodayOf(C);
    Show(C, C.Sel);
    C.Colors = {GetSysColor(COLOR_WINDOW),        GetSysColor(COLOR_WINDOWTEXT),
                GetSysColor(COLOR_ACTIVECAPTION), GetSysColor(COLOR_CAPTIONTEXT),
                GetSysColor(COLOR_WINDOW),        GetSysColor(COLOR_GRAYTEXT)};
  }
  return C;
}

DWORD StyleOf(const TCalState& C) { return DWORD(GetWindowLong(C.Wnd, GWL_STYLE)); }

TDateTime Clamp(const TCalState& C, TDateTime D) {
  if ((C.RangeFlags & GDTR_MIN) && D < C.MinDate) D = C.MinDate;
  if ((C.RangeFlags & GDTR_MAX) && D > C.MaxDate) D = C.MaxDate;
  return D;
}

// [SECTION] Layout

// TCalLayout: where everything is, in client coordinates, worked out from the
// font. The calendar sits at the top-left corner of the client area.
struct TCalLayout {
  Integer Cell = 0;  // width of a day column
  Integer Row = 0;   // height of a week row
  TRect Title, Prev, Next, MonthText, YearText;
  TRect DayNames;
  Integer GridLeft = 0, GridTop = 0;
  TRect WeekNums;   // empty without MCS_WEEKNUMBERS
  TRect TodayLine;  // empty with MCS_NOTODAY
  TRect Whole;      // the minimum size
};

String MonthTitle(const TCalState& C) { return FormatSettings.LongMonthNames[C.Month - 1]; }

TCalLayout LayoutOf(const TCalState& C) {
  TCalLayout Lt;
  TEXTMETRIC Tm;
  TSize Wed, Digits, Mon, Yr;
  {
    stdctl::TFontDC Dc(C.Wnd, C.Font, DEFAULT_GUI_FONT);
    GetTextMetrics(Dc.Dc(), &Tm);
    GetTextExtentPoint32(Dc.Dc(), "Wed", &Wed);
    GetTextExtentPoint32(Dc.Dc(), "00", &Digits);
    GetTextExtentPoint32(Dc.Dc(), MonthTitle(C) + " ", &Mon);
    GetTextExtentPoint32(Dc.Dc(), std::to_string(C.Year), &Yr);
  }

  constexpr Integer M = 4;  // margin round the calendar
  Integer H = Tm.tmHeight;
  Lt.Cell = std::max(Wed.cx, Digits.cx) + 8;
  Lt.Row = H + 3;
  bool Weeks = StyleOf(C) & MCS_WEEKNUMBERS;
  Integer Left = M + (Weeks ? Lt.Cell : 0);
  Integer Width = Left + 7 * Lt.Cell + M;
  Integer TitleH = H + 10;
  Lt.Title = {0, 0, Width, TitleH};
  Lt.Prev = {M, 3, M + TitleH - 6, TitleH - 3};
  Lt.Next = {Width - M - (TitleH - 6), 3, Width - M, TitleH - 3};
  Integer TextLeft = (Width - Mon.cx - Yr.cx) / 2;
  Lt.MonthText = {TextLeft, 0, TextLeft + Mon.cx, TitleH};
  Lt.YearText = {Lt.MonthText.Right, 0, Lt.MonthText.Right + Yr.cx, TitleH};
  Lt.DayNames = {Left, TitleH + 2, Left + 7 * Lt.Cell, TitleH + 2 + H + 4};
  Lt.GridLeft = Left;
  Lt.GridTop = Lt.DayNames.Bottom + 2;
  Integer GridBottom = Lt.GridTop + 6 * Lt.Row;
  if (Weeks) Lt.WeekNums = {M, Lt.GridTop, Left, GridBottom};
  Integer Bottom = GridBottom + M;
  if (!(StyleOf(C) & MCS_NOTODAY)) {
    Lt.TodayLine = {M, GridBottom + 2, Width - M, GridBottom + 2 + H + 4};
    Bottom = Lt.TodayLine.Bottom + M;
  }
  Lt.Whole = {0, 0, Width, Bottom};
  return Lt;
}

// The day in the grid's first cell: the first of the month shown, back to
// the first day of the week.
TDateTime GridStart(const TCalState& C) {
  TDateTime First = EncodeDate(C.Year, C.Month, 1);
  Integer Dow = (DayOfWeek(First) + 5) % 7;  // 0 = Monday
  return First - ((Dow - C.FirstDay + 7) % 7);
}

TRect CellRect(const TCalLayout& Lt, Integer Index) {
  Integer X = Lt.GridLeft + (Index % 7) * Lt.Cell, Y = Lt.GridTop + (Index / 7) * Lt.Row;
  return {X, Y, X + Lt.Cell, Y + Lt.Row};
}

// ISO week number of the week that holds D.
Integer WeekNumber(TDateTime D) {
  Integer Dow = (DayOfWeek(D) + 5) % 7;  // 0 = Monday
  TDateTime Thursday = std::floor(D) - Dow + 3;
  Word Y = 0, Mo = 0, Dd = 0;
  DecodeDate(Thursday, Y, Mo, Dd);
  return Integer((Thursday - EncodeDate(Y, 1, 1)) / 7) + 1;
}

UINT HitTest(const TCalState& C, TPoint P, SYSTEMTIME* St) {
  TCalLayout Lt = LayoutOf(C);
  if (!PtInRect(Lt.Whole, P)) return MCHT_NOWHERE;
  if (PtInRect(Lt.Prev, P)) return MCHT_TITLEBTNPREV;
  if (PtInRect(Lt.Next, P)) return MCHT_TITLEBTNNEXT;
  if (PtInRect(Lt.MonthText, P)) return MCHT_TITLEMONTH;
  if (PtInRect(Lt.YearText, P)) return MCHT_TITLEYEAR;
  if (PtInRect(Lt.Title, P)) return MCHT_TITLEBK;
  if (PtInRect(Lt.DayNames, P)) return MCHT_CALENDARDAY;
  TDateTime Start = GridStart(C);
  Integer GridBottom = Lt.GridTop + 6 * Lt.Row;
  if (!IsRectEmpty(Lt.WeekNums) && PtInRect(Lt.WeekNums, P)) {
    if (St) DateTimeToSystemTime(Start + 7 * ((P.Y - Lt.GridTop) / Lt.Row), *St);
    return MCHT_CALENDARWEEKNUM;
  }
  if (P.X >= Lt.GridLeft && P.X < Lt.GridLeft + 7 * Lt.Cell && P.Y >= Lt.GridTop &&
      P.Y < GridBottom) {
    Integer Index = (P.Y - Lt.GridTop) / Lt.Row * 7 + (P.X - Lt.GridLeft) / Lt.Cell;
    TDateTime D = Start + Index;
    if (St) DateTimeToSystemTime(D, *St);
    Word Y = 0, Mo = 0, Dd = 0;
    DecodeDate(D, Y, Mo, Dd);
    if (Y * 12 + Mo < C.Year * 12 + C.Month) return MCHT_CALENDARDATEPREV;
    if (Y * 12 + Mo > C.Year * 12 + C.Month) return MCHT_CALENDARDATENEXT;
    return MCHT_CALENDARDATE;
  }
  if (!IsRectEmpty(Lt.TodayLine) && PtInRect(Lt.TodayLine, P)) return MCHT_TODAYLINK;
  return MCHT_CALENDARBK;
}

// [SECTION] Selection

void Notify(const TCalState& C, UINT Code) {
  HWND Parent = GetParent(C.Wnd);
  if (!Parent) return;
  NMSELCHANGE N;
  N.nmhdr.hwndFrom = C.Wnd;
  N.nmhdr.idFrom = UINT_PTR(GetWindowLongPtr(C.Wnd, GWLP_ID));
  N.nmhdr.code = Code;
  DateTimeToSystemTime(C.Sel, N.stSelStart);
  N.stSelEnd = N.stSelStart;
  SendMessage(Parent, WM_NOTIFY, N.nmhdr.idFrom, reinterpret_cast<LPARAM>(&N));
}

// Selects day D (held to the range) and shows its month. A user's choice
// notifies MCN_SELCHANGE when the day changed, then MCN_SELECT when it was
// picked (a click on a day or on the today line).
void SetSel(TCalState& C, TDateTime D, bool User, bool Picked) {
  D = Clamp(C, std::floor(D));
  bool Changed = D != C.Sel;
  C.Sel = D;
  Show(C, D);
  InvalidateRect(C.Wnd, nullptr, TRUE);
  if (User && Changed) Notify(C, MCN_SELCHANGE);
  if (User && Picked) Notify(C, MCN_SELECT);
}

void ButtonDown(TCalState& C, LPARAM L) {
  if (GetFocus() != C.Wnd) SetFocus(C.Wnd);
  SYSTEMTIME St;
  UINT Hit = HitTest(C, {GET_X_LPARAM(L), GET_Y_LPARAM(L)}, &St);
  switch (Hit) {
    case MCHT_TITLEBTNPREV:
      SetSel(C, IncMonth(C.Sel, -1), true, false);
      break;
    case MCHT_TITLEBTNNEXT:
      SetSel(C, IncMonth(C.Sel, 1), true, false);
      break;
    case MCHT_CALENDARDATE:
    case MCHT_CALENDARDATEPREV:
    case MCHT_CALENDARDATENEXT:
      SetSel(C, SystemTimeToDateTime(St), true, true);
      break;
    case MCHT_TODAYLINK:
      SetSel(C, TodayOf(C), true, true);
      break;
    default:
      break;
  }
}

void KeyDown(TCalState& C, Word Key) {
  Word Y = 0, M = 0, D = 0;
  DecodeDate(C.Sel, Y, M, D);
  switch (Key) {
    case VK_LEFT:
      SetSel(C, C.Sel - 1, true, false);
      break;
    case VK_RIGHT:
      SetSel(C, C.Sel + 1, true, false);
      break;
    case VK_UP:
      SetSel(C, C.Sel - 7, true, false);
      break;
    case VK_DOWN:
      SetSel(C, C.Sel + 7, true, false);
      break;
    case VK_PRIOR:
      SetSel(C, IncMonth(C.Sel, -1), true, false);
      break;
    case VK_NEXT:
      SetSel(C, IncMonth(C.Sel, 1), true, false);
      break;
    case VK_HOME:
      SetSel(C, EncodeDate(Y, M, 1), true, false);
      break;
    case VK_END:
      SetSel(C, EncodeDate(Y, M, DaysInAMonth(Y, M)), true, false);
      break;
    default:
      break;
  }
}

// [SECTION] Painting

void PaintTitle(const TCalState& C, HDC Dc, const TCalLayout& Lt) {
  HBRUSH Bk = CreateSolidBrush(C.Colors[MCSC_TITLEBK]);
  FillRect(Dc, &Lt.Title, Bk);
  DeleteObject(Bk);
  TRect P = Lt.Prev, N = Lt.Next;
  DrawFrameControl(Dc, &P, DFC_SCROLL, DFCS_SCROLLLEFT);
  DrawFrameControl(Dc, &N, DFC_SCROLL, DFCS_SCROLLRIGHT);
  SetTextColor(Dc, C.Colors[MCSC_TITLETEXT]);
  TRect M = Lt.MonthText, Y = Lt.YearText;
  DrawText(Dc, MonthTitle(C), -1, &M, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  DrawText(Dc, std::to_string(C.Year), -1, &Y, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

void PaintDays(const TCalState& C, HDC Dc, const TCalLayout& Lt) {
  // [Phase 1] Day names, from the first day of the week, over a rule.
  SetTextColor(Dc, C.Colors[MCSC_TITLEBK]);
  for (Integer I = 0; I < 7; ++I) {
    Integer Day = (C.FirstDay + I + 1) % 7;  // 0 = Sunday in the name table
    TRect R{Lt.DayNames.Left + I * Lt.Cell, Lt.DayNames.Top, Lt.DayNames.Left + (I + 1) * Lt.Cell,
            Lt.DayNames.Bottom - 2};
    DrawText(Dc, FormatSettings.ShortDayNames[std::size_t(Day)], -1, &R,
             DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  TRect Rule{Lt.DayNames.Left, Lt.DayNames.Bottom - 1, Lt.DayNames.Right, Lt.DayNames.Bottom};
  FillRect(Dc, &Rule, GetSysColorBrush(COLOR_GRAYTEXT));
  // [Phase 2] Six weeks: the selected day filled, today framed, other months grey.
  TDateTime Start = GridStart(C), Today = TodayOf(C);
  HBRUSH SelBrush = CreateSolidBrush(C.Colors[MCSC_TITLEBK]);
  HBRUSH TodayBrush = CreateSolidBrush(RGB(255, 0, 0));
  for (Integer I = 0; I < 42; ++I) {
    TDateTime D = Start + I;
    Word Y = 0, Mo = 0, Dd = 0;
    DecodeDate(D, Y, Mo, Dd);
    TRect R = CellRect(Lt, I);
    bool Other = Mo != C.Month;
    if (D == C.Sel && !Other) {
      FillRect(Dc, &R, SelBrush);
      SetTextColor(Dc, C.Colors[MCSC_MONTHBK]);
    } else {
      SetTextColor(Dc, C.Colors[Other ? MCSC_TRAILINGTEXT : MCSC_TEXT]);
    }
    if (D == Today && !(StyleOf(C) & MCS_NOTODAYCIRCLE)) FrameRect(Dc, &R, TodayBrush);
    DrawText(Dc, std::to_string(Dd), -1, &R, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  // [Phase 3] Week numbers.
  if (!IsRectEmpty(Lt.WeekNums)) {
    SetTextColor(Dc, C.Colors[MCSC_TITLEBK]);
    for (Integer W = 0; W < 6; ++W) {
      TRect R{Lt.WeekNums.Left, Lt.GridTop + W * Lt.Row, Lt.WeekNums.Right,
              Lt.GridTop + (W + 1) * Lt.Row};
      DrawText(Dc, std::to_string(WeekNumber(Start + 7 * W)), -1, &R,
               DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
  }
  // [Phase 4] The today line.
  if (!IsRectEmpty(Lt.TodayLine)) {
    TRect R = Lt.TodayLine;
    if (!(StyleOf(C) & MCS_NOTODAYCIRCLE)) {
      TRect Box{R.Left, R.Top + 2, R.Left + 16, R.Bottom - 2};
      FrameRect(Dc, &Box, TodayBrush);
    }
    R.Left += 20;
    SetTextColor(Dc, C.Colors[MCSC_TEXT]);
    DrawText(Dc, "Today: " + DateToStr(Today), -1, &R, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  }
  DeleteObject(SelBrush);
  DeleteObject(TodayBrush);
}

void Paint(TCalState& C, WPARAM W) {
  stdctl::TPaintDC PaintDc(C.Wnd, W);
  HDC Dc = PaintDc.Dc();
  HGDIOBJ OldFont = SelectObject(Dc, C.Font ? HGDIOBJ(C.Font) : GetStockObject(DEFAULT_GUI_FONT));
  TRect Client;
  GetClientRect(C.Wnd, &Client);
  HBRUSH Bk = CreateSolidBrush(C.Colors[MCSC_MONTHBK]);
  FillRect(Dc, &Client, Bk);
  DeleteObject(Bk);
  SetBkMode(Dc, TRANSPARENT);
  TCalLayout Lt = LayoutOf(C);
  PaintTitle(C, Dc, Lt);
  PaintDays(C, Dc, Lt);
  SelectObject(Dc, OldFont);
}

// [SECTION] Procedure

bool ReadDate(const SYSTEMTIME* St, TDateTime& D) {
  if (!St) return false;
  return TryEncodeDate(St->wYear, St->wMonth, St->wDay, D);
}

LRESULT HandleCalMessage(TCalState& C, UINT Msg, WPARAM W, LPARAM L) {
  auto* St = reinterpret_cast<SYSTEMTIME*>(L);
  switch (Msg) {
    case MCM_GETCURSEL:
      if (!St) return FALSE;
      DateTimeToSystemTime(C.Sel, *St);
      return TRUE;
    case MCM_SETCURSEL: {
      TDateTime D = 0;
      if (!ReadDate(St, D) || Clamp(C, D) != D) return FALSE;
      SetSel(C, D, false, false);
      return TRUE;
    }
    case MCM_GETTODAY:
      if (!St) return FALSE;
      DateTimeToSystemTime(TodayOf(C), *St);
      return TRUE;
    case MCM_SETTODAY: {
      TDateTime D = 0;
      C.Today = ReadDate(St, D) ? D : 0;
      InvalidateRect(C.Wnd, nullptr, TRUE);
      return 0;
    }
    case MCM_GETMINREQRECT:
      if (!L) return FALSE;
      *reinterpret_cast<TRect*>(L) = LayoutOf(C).Whole;
      return TRUE;
    case MCM_HITTEST: {
      auto* Info = reinterpret_cast<MCHITTESTINFO*>(L);
      if (!Info) return MCHT_NOWHERE;
      Info->uHit = HitTest(C, Info->pt, &Info->st);
      return LRESULT(Info->uHit);
    }
    case MCM_SETFIRSTDAYOFWEEK: {
      Integer Old = C.FirstDay;
      C.FirstDay = std::clamp<Integer>(Integer(L), 0, 6);
      InvalidateRect(C.Wnd, nullptr, TRUE);
      return MAKELRESULT(Old, 0);
    }
    case MCM_GETFIRSTDAYOFWEEK:
      return MAKELRESULT(C.FirstDay, 0);
    case MCM_SETCOLOR: {
      if (W >= C.Colors.size()) return -1;
      COLORREF Old = C.Colors[W];
      C.Colors[W] = COLORREF(L);
      InvalidateRect(C.Wnd, nullptr, TRUE);
      return LRESULT(Old);
    }
    case MCM_GETCOLOR:
      return W < C.Colors.size() ? LRESULT(C.Colors[W]) : -1;
    case MCM_SETRANGE: {
      C.RangeFlags = 0;
      if ((W & GDTR_MIN) && St && ReadDate(&St[0], C.MinDate)) C.RangeFlags |= GDTR_MIN;
      if ((W & GDTR_MAX) && St && ReadDate(&St[1], C.MaxDate)) C.RangeFlags |= GDTR_MAX;
      SetSel(C, C.Sel, false, false);
      return TRUE;
    }
    case MCM_GETRANGE:
      if (St && (C.RangeFlags & GDTR_MIN)) DateTimeToSystemTime(C.MinDate, St[0]);
      if (St && (C.RangeFlags & GDTR_MAX)) DateTimeToSystemTime(C.MaxDate, St[1]);
      return LRESULT(C.RangeFlags);
    default:
      return DefWindowProc(C.Wnd, Msg, W, L);
  }
}

}  // namespace

LRESULT MonthCalWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_NCDESTROY) {
    Cals().Forget(Wnd);
    return DefWindowProc(Wnd, Msg, W, L);
  }
  TCalState& C = StateOf(Wnd);
  switch (Msg) {
    case WM_SETFONT:
      C.Font = reinterpret_cast<HFONT>(W);
      if (LOWORD(L)) InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(C.Font);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ButtonDown(C, L);
      return 0;
    case WM_KEYDOWN:
      KeyDown(C, Word(W));
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_STYLECHANGED:
      InvalidateRect(Wnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole client area
    case WM_PAINT:
      Paint(C, W);
      return 0;
    default:
      return HandleCalMessage(C, Msg, W, L);
  }
}

void RegisterMonthCalClass() {
  stdctl::RegisterStandardClass(MonthCalClassName, MonthCalWndProc, CS_DBLCLKS, IDC_ARROW);
}

}  // namespace kvp
