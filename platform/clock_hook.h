// The seam through which tests count time in attempts rather than measure
// it: a hook set here answers TickCount() and takes SleepMs()'s pauses in
// place of the OS, so that a timeout or a retry window comes out the same
// whatever the machine's load.
//
// The product never sets a hook: without one, TickCount() and SleepMs() pay
// one relaxed atomic load each. The tests' counter itself lives in the
// testing target (platform/testing/fake_ticks.h), which the product does
// not link.
#pragma once

#include <atomic>
#include <cstdint>

namespace zelmor::platform {

// A hook: constant functions that outlive every call of this layer, run on
// whichever thread reads the clock or sleeps.
struct ClockHook {
  uint32_t (*tick_count)();
  void (*sleep)(uint32_t milliseconds);
};

// Sets the hook; nullptr puts the OS clock back.
void SetClockHook(const ClockHook* hook);

namespace clock_seam {

extern std::atomic<const ClockHook*> g_hook;

inline const ClockHook* Hook() { return g_hook.load(std::memory_order_relaxed); }

}  // namespace clock_seam
}  // namespace zelmor::platform
