#include "platform/testing/resident_memory.h"

#include "platform/windows_api.h"

#include <psapi.h>

namespace zelmor::platform {

uint64_t ResidentMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

}  // namespace zelmor::platform
