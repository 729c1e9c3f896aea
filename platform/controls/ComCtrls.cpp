// The calendar controls.
#include "platform/controls/ComCtrls.h"

#include <cmath>

#include "platform/controls/StdClasses.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateFormat.h"

namespace kvp {

void TCommonCalendar::KvPublish(TPublisher<TCommonCalendar>& P) {
  P.Prop("AutoSize", &TCommonCalendar::GetAutoSize, &TCommonCalendar::SetAutoSize).Default(false);
  P.Prop("Date", &TCommonCalendar::GetDate, &TCommonCalendar::SetDate);
  P.Prop("FirstDayOfWeek", &TCommonCalendar::GetFirstDayOfWeek, &TCommonCalendar::SetFirstDayOfWeek)
      .Default(dowLocaleDefault);
  P.Prop("MaxDate", &TCommonCalendar::GetMaxDate, &TCommonCalendar::SetMaxDate);
  P.Prop("MinDate", &TCommonCalendar::GetMinDate, &TCommonCalendar::SetMinDate);
  P.Prop("ShowToday", &TCommonCalendar::GetShowToday, &TCommonCalendar::SetShowToday).Default(true);
  P.Prop("ShowTodayCircle", &TCommonCalendar::GetShowTodayCircle,
         &TCommonCalendar::SetShowTodayCircle)
      .Default(true);
  P.Prop("WeekNumbers", &TCommonCalendar::GetWeekNumbers, &TCommonCalendar::SetWeekNumbers)
      .Default(false);
  P.Prop("OnClick", &TCommonCalendar::OnClick);
}

void TCommonCalendar::Construct() {
  inherited::Construct();
  FTabStop = true;
  FDate = std::floor(Date());
  SetBounds(FLeft, FTop, 191, 154);
}

void TCommonCalendar::CreateParams(TCreateParams& Params) {
  RegisterStandardClasses();
  inherited::CreateParams(Params);
  CreateSubClass(Params, MonthCalClassName);
  if (FWeekNumbers) Params.Style |= MCS_WEEKNUMBERS;
  if (!FShowToday) Params.Style |= MCS_NOTODAY;
  if (!FShowTodayCircle) Params.Style |= MCS_NOTODAYCIRCLE;
}

void TCommonCalendar::CreateWnd() {
  inherited::CreateWnd();
  UpdateCalendar();
  AdjustSize();
}

void TCommonCalendar::UpdateCalendar() {
  if (!HandleAllocated()) return;
  HWND H = GetHandle();
  SYSTEMTIME Range[2];
  DWORD Flags = 0;
  if (FMinDate != 0) {
    DateTimeToSystemTime(FMinDate, Range[0]);
    Flags |= GDTR_MIN;
  }
  if (FMaxDate != 0) {
    DateTimeToSystemTime(FMaxDate, Range[1]);
    Flags |= GDTR_MAX;
  }
  SendMessage(H, MCM_SETRANGE, Flags, reinterpret_cast<LPARAM>(Range));
  SYSTEMTIME St;
  DateTimeToSystemTime(FDate, St);
  // The date was checked against the range already: the window takes it.
  SendMessage(H, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&St));
  Integer First =
      FFirstDayOfWeek == dowLocaleDefault ? Integer(dowSunday) : Integer(FFirstDayOfWeek);
  SendMessage(H, MCM_SETFIRSTDAYOFWEEK, 0, First);
}

void TCommonCalendar::SetDate(TDateTime Value) {
  Value = std::floor(Value);
  if (FMinDate != 0 && Value < FMinDate)
    throw ECommonCalendarError("Date " + DateToStr(Value) + " is less than minimum of " +
                               DateToStr(FMinDate));
  if (FMaxDate != 0 && Value > FMaxDate)
    throw ECommonCalendarError("Date " + DateToStr(Value) + " exceeds maximum of " +
                               DateToStr(FMaxDate));
  if (FDate == Value) return;
  FDate = Value;
  UpdateCalendar();
}

void TCommonCalendar::SetMinDate(TDateTime Value) {
  Value = std::floor(Value);
  if (FMinDate == Value) return;
  if (Value != 0 && FMaxDate != 0 && Value > FMaxDate)
    throw ECommonCalendarError("Minimum date " + DateToStr(Value) + " exceeds maximum of " +
                               DateToStr(FMaxDate));
  FMinDate = Value;
  if (Value != 0 && FDate < Value) FDate = Value;
  UpdateCalendar();
}

void TCommonCalendar::SetMaxDate(TDateTime Value) {
  Value = std::floor(Value);
  if (FMaxDate == Value) return;
  if (Value != 0 && FMinDate != 0 && Value < FMinDate)
    throw ECommonCalendarError("Maximum date " + DateToStr(Value) + " is less than minimum of " +
                               DateToStr(FMinDate));
  FMaxDate = Value;
  if (Value != 0 && FDate > Value) FDate = Value;
  UpdateCalendar();
}

void TCommonCalendar::SetFirstDayOfWeek(TCalDayOfWeek Value) {
  if (FFirstDayOfWeek == Value) return;
  FFirstDayOfWeek = Value;
  UpdateCalendar();
}

void TCommonCalendar::SetShowToday(bool Value) {
  if (FShowToday == Value) return;
  FShowToday = Value;
  RecreateWnd();
}

void TCommonCalendar::SetShowTodayCircle(bool Value) {
  if (FShowTodayCircle == Value) return;
  FShowTodayCircle = Value;
  RecreateWnd();
}

void TCommonCalendar::SetWeekNumbers(bool Value) {
  if (FWeekNumbers == Value) return;
  FWeekNumbers = Value;
  RecreateWnd();
}

bool TCommonCalendar::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (!HandleAllocated()) return false;
  TRect Min;
  if (!SendMessage(GetHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Min))) return false;
  TRect Win, Client;
  GetWindowRect(GetHandle(), &Win);
  ::kvp::GetClientRect(GetHandle(), &Client);
  NewWidth = Min.Width() + Win.Width() - Client.Width();
  NewHeight = Min.Height() + Win.Height() - Client.Height();
  return true;
}

void TCommonCalendar::CNNotify(TMessage& Message) {
  auto* N = reinterpret_cast<const NMSELCHANGE*>(Message.LParam);
  if (N && N->nmhdr.code == MCN_SELCHANGE) FDate = SystemTimeToDateTime(N->stSelStart);
}

void TCommonCalendar::CMFontChanged(TMessage& Message) {
  inherited::Dispatch(Message);
  if (HandleAllocated()) AdjustSize();
}

}  // namespace kvp
