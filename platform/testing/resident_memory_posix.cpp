#include "platform/testing/resident_memory.h"

#include <stdio.h>

namespace zelmor::platform {

uint64_t ResidentMemoryBytes() {
  FILE* status = ::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  uint64_t kilobytes = 0;
  char line[256];
  while (::fgets(line, sizeof line, status) != nullptr) {
    unsigned long long value = 0;
    if (::sscanf(line, "VmRSS: %llu kB", &value) == 1) {
      kilobytes = value;
      break;
    }
  }
  ::fclose(status);
  return kilobytes * 1024;
}

}  // namespace zelmor::platform
