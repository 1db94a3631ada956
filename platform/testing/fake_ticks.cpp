#include "platform/testing/fake_ticks.h"

#include "platform/clock_hook.h"

namespace zelmor::platform {

namespace {

std::atomic<std::atomic<uint32_t>*> g_ticks{nullptr};

uint32_t FakeTickCount() { return g_ticks.load(std::memory_order_acquire)->load(); }

void FakeSleep(uint32_t milliseconds) {
  g_ticks.load(std::memory_order_acquire)->fetch_add(milliseconds);
}

constexpr ClockHook kFakeTicksHook{&FakeTickCount, &FakeSleep};

}  // namespace

// The counter is stored before the hook goes in, and left in place when the
// hook goes out, so a call that read the hook always finds a counter.
void SetFakeTicks(std::atomic<uint32_t>* ticks) {
  if (ticks) g_ticks.store(ticks, std::memory_order_release);
  SetClockHook(ticks ? &kFakeTicksHook : nullptr);
}

}  // namespace zelmor::platform
