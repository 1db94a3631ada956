// The memory a process holds, for the memory benchmark.
#pragma once

#include <cstdint>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

// The process's resident memory in bytes, or 0 when it cannot be read:
// VmRSS of /proc/self/status on Linux, the working set of
// GetProcessMemoryInfo on Windows.
uint64_t ResidentMemoryBytes();

}  // namespace zelmor::platform
