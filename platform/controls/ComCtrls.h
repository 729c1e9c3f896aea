// The calendar controls: TCommonCalendar keeps the date, its range and the
// look of a calendar and hands them to a window of the system's month
// calendar class; TMonthCalendar is the plain one. A date the user picks
// comes back as MCN_SELCHANGE and becomes Date.
#pragma once

#include "platform/controls/Controls.h"
#include "platform/controls/MonthCalClass.h"

namespace kvp {

enum TCalDayOfWeek {
  dowMonday,
  dowTuesday,
  dowWednesday,
  dowThursday,
  dowFriday,
  dowSaturday,
  dowSunday,
  dowLocaleDefault
};
KV_ENUM_INFO(TCalDayOfWeek, dowMonday, dowTuesday, dowWednesday, dowThursday, dowFriday,
             dowSaturday, dowSunday, dowLocaleDefault)

// Raised for a date outside the calendar's range.
KV_DECLARE_EXCEPTION(ECommonCalendarError, Exception);

// TCommonCalendar: Date is a whole day; MinDate and MaxDate of 0 mean no limit.
class TCommonCalendar : public TWinControl {
  KV_CLASS(TCommonCalendar, TWinControl)
 public:
  explicit TCommonCalendar(TComponent* AOwner) : TWinControl(AOwner) {}

  TDateTime GetDate() const { return FDate; }
  // Raises ECommonCalendarError outside MinDate .. MaxDate.
  void SetDate(TDateTime Value);
  TDateTime GetMinDate() const { return FMinDate; }
  void SetMinDate(TDateTime Value);
  TDateTime GetMaxDate() const { return FMaxDate; }
  void SetMaxDate(TDateTime Value);
  TCalDayOfWeek GetFirstDayOfWeek() const { return FFirstDayOfWeek; }
  void SetFirstDayOfWeek(TCalDayOfWeek Value);
  bool GetShowToday() const { return FShowToday; }
  void SetShowToday(bool Value);
  bool GetShowTodayCircle() const { return FShowTodayCircle; }
  void SetShowTodayCircle(bool Value);
  bool GetWeekNumbers() const { return FWeekNumbers; }
  void SetWeekNumbers(bool Value);

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // The size the calendar needs (its minimum rectangle and the border);
  // false leaves the bounds as they are.
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  // Hands range, date and first day of the week to the window.
  void UpdateCalendar();

  void CNNotify(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(CN_NOTIFY, CNNotify)
  KV_MESSAGE(CM_FONTCHANGED, CMFontChanged)
  KV_END_MESSAGE_MAP

  TDateTime FDate = 0;
  TDateTime FMinDate = 0;
  TDateTime FMaxDate = 0;
  TCalDayOfWeek FFirstDayOfWeek = dowLocaleDefault;
  bool FShowToday = true;
  bool FShowTodayCircle = true;
  bool FWeekNumbers = false;
};

// TMonthCalendar: the month calendar as stored forms name it; TCommonCalendar does the work.
class TMonthCalendar : public TCommonCalendar {
  KV_CLASS(TMonthCalendar, TCommonCalendar)
 public:
  explicit TMonthCalendar(TComponent* AOwner) : TCommonCalendar(AOwner) {}
};

}  // namespace kvp
