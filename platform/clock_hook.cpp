#include "platform/clock_hook.h"

namespace zelmor::platform {

namespace clock_seam {

std::atomic<const ClockHook*> g_hook{nullptr};

}  // namespace clock_seam

void SetClockHook(const ClockHook* hook) {
  clock_seam::g_hook.store(hook, std::memory_order_relaxed);
}

}  // namespace zelmor::platform
