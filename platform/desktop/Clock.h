// The desktop's clock: timers, message times and the caches that expire go by
// it. It runs in real time unless a test (or the demonstration) switches it to
// the hand-driven mode, where time moves only when told to.
#pragma once

#include <cstdint>
#include <functional>

namespace plat {

// Milliseconds since the desktop started (or since the hand-driven clock was set).
uint64_t ClockNow();
// Hand-driven from `startMs` on; SetRealClock goes back to real time.
void SetManualClock(uint64_t startMs = 0);
void SetRealClock();
bool IsManualClock();
// Moves the hand-driven clock forward (ignored in real time); due timers of
// every thread become ready.
void AdvanceClock(uint64_t ms);

// With the hand-driven clock, a thread whose queue is empty (in GetMessage or
// WaitMessage) asks the idle hook what comes next. The hook may post messages,
// advance the clock (AdvanceToNextTimer), run a step of a test script... and
// returns true to let the thread look at its queue again, or false to stop:
// GetMessage then returns false as if WM_QUIT had come. Without a hook, the
// thread advances to its next timer and stops when it has none.
using IdleHook = std::function<bool()>;
void SetIdleHook(IdleHook hook);  // an empty hook restores the default
// Advances the clock to the next due time of the calling thread's timers; false
// when the thread has no timer. In real time it only tells whether there is one.
bool AdvanceToNextTimer();

}  // namespace plat
