#include "platform/rtl/Clock.h"

#include <cmath>
#include <ctime>

#include "platform/rtl/DateUtils.h"

namespace kvp {

namespace {

constexpr Extended MSecsPerDay = 86400000.0L;

TDateTime HostLocalNow() {
  timespec Spec{};
  clock_gettime(CLOCK_REALTIME, &Spec);
  tm Local{};
  localtime_r(&Spec.tv_sec, &Local);
  TDateTime Day =
      EncodeDate(Word(Local.tm_year + 1900), Word(Local.tm_mon + 1), Word(Local.tm_mday));
  // A leap second reads as the last second of the minute.
  Word Second = Word(Local.tm_sec > 59 ? 59 : Local.tm_sec);
  return Day +
         EncodeTime(Word(Local.tm_hour), Word(Local.tm_min), Second, Word(Spec.tv_nsec / 1000000));
}

// A date-time as milliseconds on a straight line from 1899-12-30 00:00.
// Before that day a TDateTime counts its date backwards but its time of day
// forwards (-1.25 is 1899-12-29 06:00), so plain scaling would run time
// backwards there.
Int64 ToLinearMs(TDateTime DateTime) {
  auto Ms = Int64(std::llround(Extended(DateTime) * MSecsPerDay));
  Int64 Day = Ms / 86400000;
  Int64 TimeOfDay = (Ms < 0 ? -Ms : Ms) % 86400000;
  return Day * 86400000 + TimeOfDay;
}

TDateTime FromLinearMs(Int64 Linear) {
  Int64 Day = Linear / 86400000;
  if (Linear % 86400000 < 0) --Day;
  Int64 TimeOfDay = Linear - Day * 86400000;
  TDateTime Fraction = TDateTime(TimeOfDay) / 86400000.0;
  return Day >= 0 ? TDateTime(Day) + Fraction : TDateTime(Day) - Fraction;
}

// The clock's state. Elapsed counts only what AdvanceTicks added, so that
// SetTickCount64 can move the tick count without moving the date.
struct TClockState {
  UInt64 Ticks = 0;
  UInt64 Elapsed = 0;      // milliseconds advanced since the program started
  UInt64 BaseElapsed = 0;  // Elapsed when the base date-time was set
  TDateTime Base = HostLocalNow();
};

TClockState& Clock() {
  static TClockState State;
  return State;
}

// Reads the host's time as the program starts, not when the clock is first
// asked, so that the date shown does not depend on when that happens.
[[maybe_unused]] const bool ClockStarted = (Clock(), true);

}  // namespace

DWORD GetTickCount() { return DWORD(Clock().Ticks); }

UInt64 GetTickCount64() { return Clock().Ticks; }

void SetTickCount64(UInt64 Ticks) { Clock().Ticks = Ticks; }

void AdvanceTicks(UInt64 Ms) {
  Clock().Ticks += Ms;
  Clock().Elapsed += Ms;
}

TDateTime Now() {
  const TClockState& State = Clock();
  return FromLinearMs(ToLinearMs(State.Base) + Int64(State.Elapsed - State.BaseElapsed));
}

TDateTime Date() { return DateOf(Now()); }

TDateTime Time() { return TimeOf(Now()); }

void SetClockDateTime(TDateTime DateTime) {
  Clock().Base = DateTime;
  Clock().BaseElapsed = Clock().Elapsed;
}

}  // namespace kvp
