// Periodic timer callbacks in the manner of the multimedia timers the game was written against.
//
// One service thread runs every callback, one at a time. It wakes at least every millisecond of real
// time and reads the clock of platform/clock.h (timeGetTime), so a FakeClock drives the timers too: a
// test advances the fake clock and then calls PumpTimersForTest(), which fires on the caller's thread
// every period that is due at the clock's current time and returns when none is left. The service
// thread and the pump share the same bookkeeping, so every due period fires exactly once, whichever
// of the two gets to it.
//
// A timer that falls behind (the clock jumped) fires once per missed period, up to 100 periods in a
// row; beyond that the missed periods are dropped and the timer is rescheduled from the current time.
#pragma once

#include <cstdint>

// Called on the timer thread (or in PumpTimersForTest) with the timer's id and the caller's value.
using TimerProc = void (*)(uint32_t timerId, uintptr_t user);

constexpr uint32_t TIME_ONESHOT = 0;
constexpr uint32_t TIME_PERIODIC = 1;

// Starts a timer that calls `proc` every `periodMs` milliseconds (once with TIME_ONESHOT), the first
// time one period from now. `resolutionMs` is accepted and ignored (the service is always accurate
// to a millisecond). Returns the timer's id, never 0 and never reused, or 0 when `periodMs` is 0 or
// `proc` is null.
uint32_t timeSetEvent(uint32_t periodMs, uint32_t resolutionMs, TimerProc proc, uintptr_t user,
                      uint32_t flags);

// Stops the timer `id`. When its callback is running on another thread, waits until it has returned,
// so the caller may free what the callback uses as soon as this returns; called from inside that
// callback it does not wait. This also holds for a timer that its own callback has already killed.
// Returns false when no such timer was registered.
bool timeKillEvent(uint32_t id);

// The timer resolution requests of the application object. The service is always accurate to a
// millisecond; these only count the requests. Both return 0 (success).
uint32_t timeBeginPeriod(uint32_t ms);
uint32_t timeEndPeriod(uint32_t ms);

// Fires, on the calling thread, every period that is due at the current clock time, and returns when
// none is due. For tests that drive the timers with a FakeClock.
void PumpTimersForTest();
