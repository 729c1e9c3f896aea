// The virtual clock of the whole platform. Time moves only when told: a test
// (or a real backend) advances the tick count, and Now() is a base date-time
// plus the milliseconds advanced since that base was set. By default the base
// is the host's local time when the program starts, so an application shows
// the real date; tests fix it with SetClockDateTime.
#pragma once

#include "platform/rtl/Types.h"

namespace kvp {

// Milliseconds on the virtual clock, wrapping at 2^32 like the system's.
DWORD GetTickCount();
// The same count without the wrap. It starts at 0.
UInt64 GetTickCount64();
// Sets the tick count (to test a wrap, for instance); Now() does not move.
void SetTickCount64(UInt64 Ticks);
// Moves the clock forward: the tick count and Now() both advance. Nothing is
// fired here; timers read the clock when their owner looks.
void AdvanceTicks(UInt64 Ms);

// The current date and time, the date alone and the time of day alone.
TDateTime Now();
TDateTime Date();
TDateTime Time();
// Makes Now() answer DateTime from here on, until ticks are advanced.
void SetClockDateTime(TDateTime DateTime);

}  // namespace kvp
