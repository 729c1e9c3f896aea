// The system's month calendar class "SysMonthCal32", with a layout of our own:
// a title with the month, the year and two arrow buttons, a row of day names,
// six weeks of days (the selected day filled, today framed, the days of the
// months around in grey), optional week numbers and a "Today:" line. Clicks,
// keys and the MCM_ messages move the selection; MCN_SELCHANGE and MCN_SELECT
// go to the parent through WM_NOTIFY.
#pragma once

#include "platform/controls/StdClasses.h"

namespace kvp {

inline constexpr const char* MonthCalClassName = "SysMonthCal32";

struct SYSTEMTIME {
  Word wYear = 0;
  Word wMonth = 0;
  Word wDayOfWeek = 0;  // 0 = Sunday
  Word wDay = 0;
  Word wHour = 0;
  Word wMinute = 0;
  Word wSecond = 0;
  Word wMilliseconds = 0;
};

void DateTimeToSystemTime(TDateTime DateTime, SYSTEMTIME& SystemTime);
// Raises EConvertError for a date that does not exist.
TDateTime SystemTimeToDateTime(const SYSTEMTIME& SystemTime);

inline constexpr DWORD MCS_DAYSTATE = 0x0001, MCS_MULTISELECT = 0x0002, MCS_WEEKNUMBERS = 0x0004,
                       MCS_NOTODAYCIRCLE = 0x0008, MCS_NOTODAY = 0x0010;

inline constexpr UINT MCM_FIRST = 0x1000;
inline constexpr UINT MCM_GETCURSEL = MCM_FIRST + 1, MCM_SETCURSEL = MCM_FIRST + 2,
                      MCM_GETMINREQRECT = MCM_FIRST + 9, MCM_SETCOLOR = MCM_FIRST + 10,
                      MCM_GETCOLOR = MCM_FIRST + 11, MCM_SETTODAY = MCM_FIRST + 12,
                      MCM_GETTODAY = MCM_FIRST + 13, MCM_HITTEST = MCM_FIRST + 14,
                      MCM_SETFIRSTDAYOFWEEK = MCM_FIRST + 15,
                      MCM_GETFIRSTDAYOFWEEK = MCM_FIRST + 16, MCM_GETRANGE = MCM_FIRST + 17,
                      MCM_SETRANGE = MCM_FIRST + 18;

// MCM_SETRANGE / MCM_GETRANGE: which of the two SYSTEMTIMEs hold a limit.
inline constexpr DWORD GDTR_MIN = 0x0001, GDTR_MAX = 0x0002;

// MCM_SETCOLOR / MCM_GETCOLOR parts
inline constexpr Integer MCSC_BACKGROUND = 0, MCSC_TEXT = 1, MCSC_TITLEBK = 2, MCSC_TITLETEXT = 3,
                         MCSC_MONTHBK = 4, MCSC_TRAILINGTEXT = 5;

// MCM_HITTEST codes
inline constexpr UINT MCHT_NOWHERE = 0x00000000, MCHT_TITLE = 0x00010000,
                      MCHT_CALENDAR = 0x00020000, MCHT_TODAYLINK = 0x00030000,
                      MCHT_NEXT = 0x01000000, MCHT_PREV = 0x02000000, MCHT_TITLEBK = MCHT_TITLE,
                      MCHT_TITLEMONTH = MCHT_TITLE | 0x0001, MCHT_TITLEYEAR = MCHT_TITLE | 0x0002,
                      MCHT_TITLEBTNNEXT = MCHT_TITLE | MCHT_NEXT | 0x0003,
                      MCHT_TITLEBTNPREV = MCHT_TITLE | MCHT_PREV | 0x0003,
                      MCHT_CALENDARBK = MCHT_CALENDAR, MCHT_CALENDARDATE = MCHT_CALENDAR | 0x0001,
                      MCHT_CALENDARDATENEXT = MCHT_CALENDARDATE | MCHT_NEXT,
                      MCHT_CALENDARDATEPREV = MCHT_CALENDARDATE | MCHT_PREV,
                      MCHT_CALENDARDAY = MCHT_CALENDAR | 0x0002,
                      MCHT_CALENDARWEEKNUM = MCHT_CALENDAR | 0x0003;

struct MCHITTESTINFO {
  UINT cbSize = sizeof(MCHITTESTINFO);
  TPoint pt;      // client point asked about
  UINT uHit = 0;  // MCHT_ code
  SYSTEMTIME st;  // the date under a date or a week number
};

// Notifications (NMHDR.code)
inline constexpr UINT MCN_FIRST = UINT(-750);
inline constexpr UINT MCN_SELCHANGE = MCN_FIRST + 1, MCN_GETDAYSTATE = MCN_FIRST + 3,
                      MCN_SELECT = MCN_FIRST + 4;

// MCN_SELCHANGE and MCN_SELECT carry the selection.
struct NMSELCHANGE {
  NMHDR nmhdr;
  SYSTEMTIME stSelStart;
  SYSTEMTIME stSelEnd;
};
using NMSELECT = NMSELCHANGE;

LRESULT MonthCalWndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
// Registers "SysMonthCal32" unless it is registered already.
void RegisterMonthCalClass();

}  // namespace kvp
