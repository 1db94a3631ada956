// A tick counter of the test's own, behind the OS layer's clock seam
// (platform/clock_hook.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

// While a counter is set, TickCount() reads it and SleepMs() adds the pause
// to it at once instead of sleeping, so that a timeout or a retry window is
// counted in attempts, whatever the machine's load. Null puts the OS counter
// back. The test owns the counter and keeps it alive while it is set.
void SetFakeTicks(std::atomic<uint32_t>* ticks);

}  // namespace zelmor::platform
