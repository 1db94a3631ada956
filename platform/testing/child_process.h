// Child processes, for the cross-process tests and the benchmarks that run
// several writers at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

using ProcessHandle = intptr_t;
constexpr ProcessHandle kInvalidProcess = -1;
// Starts `executable` with `arguments` (passed as they are, one each).
ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments);
// Waits up to `timeout_ms` for the process to end. Returns true with its exit
// code when it ended, false on time-out.
bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code);
// Ends the process at once, as a crash would, and reaps it.
void KillProcess(ProcessHandle process);
// Releases the handle of an ended process (no-op on Linux).
void CloseProcess(ProcessHandle process);

}  // namespace zelmor::platform
