// The "SysMonthCal32" class: its messages, its hit codes, and a date changed
// by clicks and keys as a user would.
//
// Ideas for tests: MCS_WEEKNUMBERS hit codes; MCM_SETCOLOR on the painted title.
#include <gtest/gtest.h>

#include "StdCtlTestUtil.h"
#include "platform/controls/ComCtrls.h"
#include "platform/controls/MonthCalClass.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateUtils.h"

namespace kvp {
namespace {

using testutil::ParentLog;

SYSTEMTIME St(Word Y, Word M, Word D) {
  SYSTEMTIME S;
  S.wYear = Y;
  S.wMonth = M;
  S.wDay = D;
  return S;
}

class MonthCalTest : public testutil::TStdCtlTest {
 protected:
  void SetUp() override {
    TStdCtlTest::SetUp();
    SetClockDateTime(EncodeDate(2026, 12, 6) + 0.5);
    Cal = CreateChild(MonthCalClassName, WS_TABSTOP, {10, 10, 250, 230}, 3);
    SYSTEMTIME S = St(2026, 3, 18);
    SendMessage(Cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&S));
  }
  TDateTime Sel() {
    SYSTEMTIME S;
    SendMessage(Cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&S));
    return EncodeDate(S.wYear, S.wMonth, S.wDay);
  }
  MCHITTESTINFO Hit(TPoint P) {
    MCHITTESTINFO Info;
    Info.pt = P;
    SendMessage(Cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info));
    return Info;
  }
  // The client point of a day of the month shown (searched through the hit codes).
  TPoint PointOfDay(Word Y, Word M, Word D, UINT Want = MCHT_CALENDARDATE) {
    for (Integer Yp = 0; Yp < 230; Yp += 3)
      for (Integer Xp = 0; Xp < 240; Xp += 3) {
        MCHITTESTINFO I = Hit({Xp, Yp});
        if (I.uHit == Want && I.st.wYear == Y && I.st.wMonth == M && I.st.wDay == D)
          return {Xp + 1, Yp + 1};
      }
    ADD_FAILURE() << "day not shown";
    return {};
  }
  TPoint PointOf(UINT Want) {
    for (Integer Yp = 0; Yp < 230; Yp += 2)
      for (Integer Xp = 0; Xp < 240; Xp += 2)
        if (Hit({Xp, Yp}).uHit == Want) return {Xp + 1, Yp + 1};
    ADD_FAILURE() << "part not found";
    return {};
  }
  Integer Notices(UINT Code) const { return ParentLog().Count(WM_NOTIFY, Integer(Code)); }
  HWND Cal = nullptr;
};

TEST_F(MonthCalTest, MessagesSetAndReadTheSelection) {
  EXPECT_EQ(Sel(), EncodeDate(2026, 3, 18));
  EXPECT_EQ(Notices(MCN_SELCHANGE), 0);  // a program's choice notifies nothing
  SYSTEMTIME Bad = St(2026, 2, 30);
  EXPECT_FALSE(SendMessage(Cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&Bad)));
  EXPECT_EQ(Sel(), EncodeDate(2026, 3, 18));

  SYSTEMTIME Today;
  SendMessage(Cal, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(&Today));
  EXPECT_EQ(Today.wDay, 6);
  EXPECT_EQ(Today.wMonth, 12);
  SYSTEMTIME Other = St(2025, 1, 2);
  SendMessage(Cal, MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(&Other));
  SendMessage(Cal, MCM_GETTODAY, 0, reinterpret_cast<LPARAM>(&Today));
  EXPECT_EQ(Today.wYear, 2025);

  SYSTEMTIME Range[2] = {St(2026, 3, 1), St(2026, 3, 31)};
  SendMessage(Cal, MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(Range));
  SYSTEMTIME Outside = St(2026, 4, 2);
  EXPECT_FALSE(SendMessage(Cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&Outside)));

  TRect Min;
  ASSERT_TRUE(SendMessage(Cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min)));
  EXPECT_GT(Min.Width(), 7 * 20);
  EXPECT_GT(Min.Height(), 8 * 12);
  EXPECT_EQ(Min.Left, 0);
  EXPECT_EQ(SendMessage(Cal, MCM_SETFIRSTDAYOFWEEK, 0, 0), 6);  // Sunday before
  EXPECT_EQ(SendMessage(Cal, MCM_GETFIRSTDAYOFWEEK, 0, 0), 0);
}

TEST_F(MonthCalTest, HitCodesCoverEveryPart) {
  // March 2026 starts on a Sunday: with Sunday first the grid begins on the 1st
  // and ends in April.
  EXPECT_EQ(Hit(PointOfDay(2026, 3, 1)).uHit, MCHT_CALENDARDATE);
  EXPECT_EQ(Hit(PointOfDay(2026, 4, 11, MCHT_CALENDARDATENEXT)).uHit, MCHT_CALENDARDATENEXT);
  SendMessage(Cal, MCM_SETFIRSTDAYOFWEEK, 0, 0);  // Monday first: February shows
  EXPECT_EQ(Hit(PointOfDay(2026, 2, 23, MCHT_CALENDARDATEPREV)).uHit, MCHT_CALENDARDATEPREV);
  for (UINT Part : {MCHT_TITLEBTNPREV, MCHT_TITLEBTNNEXT, MCHT_TITLEMONTH, MCHT_TITLEYEAR,
                    MCHT_CALENDARDAY, MCHT_TODAYLINK}) {
    SCOPED_TRACE(Part);
    PointOf(Part);
  }
  EXPECT_EQ(Hit({500, 500}).uHit, MCHT_NOWHERE);
}

TEST_F(MonthCalTest, ClicksChangeTheDate) {
  Input.Click(Cal, PointOfDay(2026, 3, 25));
  EXPECT_EQ(Sel(), EncodeDate(2026, 3, 25));
  EXPECT_EQ(GetFocus(), Cal);
  EXPECT_EQ(Notices(MCN_SELCHANGE), 1);
  EXPECT_EQ(Notices(MCN_SELECT), 1);
  Advance(1000);
  Input.Click(Cal, PointOfDay(2026, 3, 25));  // the same day again: picked, not changed
  EXPECT_EQ(Notices(MCN_SELCHANGE), 1);
  EXPECT_EQ(Notices(MCN_SELECT), 2);
  Advance(1000);
  Input.Click(Cal, PointOf(MCHT_TITLEBTNNEXT));
  EXPECT_EQ(Sel(), EncodeDate(2026, 4, 25));
  Advance(1000);
  Input.Click(Cal, PointOfDay(2026, 5, 2, MCHT_CALENDARDATENEXT));
  EXPECT_EQ(Sel(), EncodeDate(2026, 5, 2));  // a day of the next month shows that month
  EXPECT_EQ(Hit(PointOfDay(2026, 5, 20)).uHit, MCHT_CALENDARDATE);
  Advance(1000);
  Input.Click(Cal, PointOf(MCHT_TODAYLINK));
  EXPECT_EQ(Sel(), EncodeDate(2026, 12, 6));
  const testutil::TNotice& Last = ParentLog().Notices.back();
  EXPECT_EQ(Last.Id, 3);
  EXPECT_EQ(Last.From, Cal);
}

TEST_F(MonthCalTest, KeysMoveByDayWeekAndMonth) {
  SetFocus(Cal);
  const std::pair<Word, TDateTime> Steps[] = {
      {VK_RIGHT, EncodeDate(2026, 3, 19)}, {VK_DOWN, EncodeDate(2026, 3, 26)},
      {VK_LEFT, EncodeDate(2026, 3, 25)},  {VK_UP, EncodeDate(2026, 3, 18)},
      {VK_NEXT, EncodeDate(2026, 4, 18)},  {VK_PRIOR, EncodeDate(2026, 3, 18)},
      {VK_END, EncodeDate(2026, 3, 31)},   {VK_DOWN, EncodeDate(2026, 4, 7)},
      {VK_HOME, EncodeDate(2026, 4, 1)},
  };
  for (const auto& [Key, Want] : Steps) {
    SCOPED_TRACE(Key);
    Input.KeyPress(Key);
    EXPECT_EQ(Sel(), Want);
  }
  EXPECT_EQ(Notices(MCN_SELCHANGE), 9);
  EXPECT_EQ(Notices(MCN_SELECT), 0);
  SaveWindowPng(Parent, "stdctl-monthcal.png");
}

TEST_F(MonthCalTest, PaintShowsTitleDaysAndToday) {
  SYSTEMTIME S = St(2026, 12, 24);
  SendMessage(Cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&S));
  TSurface* Surf = GetWindowSurface(Cal);
  Surf->ClearRecords();
  UpdateWindow(Cal);
  EXPECT_NE(Surf->FindText("December"), nullptr);
  EXPECT_NE(Surf->FindText("2026"), nullptr);
  EXPECT_NE(Surf->FindText("Sun"), nullptr);
  EXPECT_NE(Surf->FindText("Today: 12/6/2026"), nullptr);
  const TDrawRecord* Sel = Surf->FindText("24");
  ASSERT_NE(Sel, nullptr);
  EXPECT_EQ(Sel->Color, GetSysColor(COLOR_WINDOW));  // light text on the filled day
  SaveWindowPng(Parent, "stdctl-monthcal-today.png");
}

// ---------------------------------------------------------------------------
// TMonthCalendar on a form.

class MonthCalendarTest : public testutil::TFormTest {
 protected:
  void SetUp() override {
    TFormTest::SetUp();
    SetClockDateTime(EncodeDate(2026, 12, 6) + 0.25);
    Cal = Add<TMonthCalendar>("Cal", {10, 10, 250, 220});
  }
  TMonthCalendar* Cal = nullptr;
};

TEST_F(MonthCalendarTest, DateFollowsClicksKeysAndTheProgram) {
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 6));  // today, without the time
  Cal->SetDate(EncodeDate(2026, 3, 18) + 0.7);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 18));
  testutil::TEventCounter Clicks;
  Cal->OnClick = Clicks.Event();
  Form->Show();
  SYSTEMTIME St;
  SendMessage(Cal->GetHandle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&St));
  EXPECT_EQ(St.wMonth, 3);
  EXPECT_EQ(St.wDay, 18);
  Cal->SetFocus();
  Input.KeyPress(VK_DOWN);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 25));
  Input.KeyPress(VK_NEXT);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 4, 25));
  // A click on a day: find the 1st of April through the hit test.
  MCHITTESTINFO Info;
  TPoint Found{-1, -1};
  for (Integer Y = 0; Y < 200 && Found.X < 0; Y += 3)
    for (Integer X = 0; X < 230 && Found.X < 0; X += 3) {
      Info.pt = {X, Y};
      SendMessage(Cal->GetHandle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info));
      if (Info.uHit == MCHT_CALENDARDATE && Info.st.wDay == 1) Found = {X + 1, Y + 1};
    }
  ASSERT_GE(Found.X, 0);
  Input.Click(Cal->GetHandle(), Found);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 4, 1));
  EXPECT_EQ(Clicks.Count, 1);
}

// The date stays inside the range at its very ends: the first and last day
// are allowed, the days beyond refused, and a narrowed range pulls the date
// in from either side.
TEST_F(MonthCalendarTest, TheDateStaysInsideTheRangeAtBothEnds) {
  Cal->SetMinDate(EncodeDate(2026, 3, 1));
  Cal->SetMaxDate(EncodeDate(2026, 3, 31));
  Cal->SetDate(EncodeDate(2026, 3, 1));
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 1));
  EXPECT_THROW(Cal->SetDate(EncodeDate(2026, 2, 28)), ECommonCalendarError);
  Cal->SetDate(EncodeDate(2026, 3, 31));
  EXPECT_THROW(Cal->SetDate(EncodeDate(2026, 4, 1)), ECommonCalendarError);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 31));
  Cal->SetMaxDate(EncodeDate(2026, 3, 20));
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 20));
  Cal->SetDate(EncodeDate(2026, 3, 5));
  Cal->SetMinDate(EncodeDate(2026, 3, 10));
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 3, 10));
}

TEST_F(MonthCalendarTest, RangeStylesAndAutoSize) {
  Cal->SetMinDate(EncodeDate(2026, 1, 1));
  Cal->SetMaxDate(EncodeDate(2026, 12, 31));
  EXPECT_THROW(Cal->SetDate(EncodeDate(2027, 1, 1)), ECommonCalendarError);
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 6));
  Cal->SetWeekNumbers(true);
  Cal->SetShowToday(false);
  Cal->SetFirstDayOfWeek(dowMonday);
  Form->Show();
  DWORD Style = DWORD(GetWindowLong(Cal->GetHandle(), GWL_STYLE));
  EXPECT_TRUE(Style & MCS_WEEKNUMBERS);
  EXPECT_TRUE(Style & MCS_NOTODAY);
  EXPECT_EQ(SendMessage(Cal->GetHandle(), MCM_GETFIRSTDAYOFWEEK, 0, 0), 0);
  Cal->SetFocus();
  Input.KeyPress(VK_NEXT);  // held to the range
  EXPECT_EQ(Cal->GetDate(), EncodeDate(2026, 12, 31));
  TRect Min;
  SendMessage(Cal->GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min));
  Cal->SetAutoSize(true);
  TRect Client;
  GetClientRect(Cal->GetHandle(), &Client);
  EXPECT_EQ(Client.Width(), Min.Width());
  EXPECT_EQ(Client.Height(), Min.Height());
}

}  // namespace
}  // namespace kvp
