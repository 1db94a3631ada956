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
// Files that take a child's standard output and standard error (created or
// emptied), for tests that read what a program printed.
struct ChildOutput {
  std::string stdout_path, stderr_path;
};
// Starts `executable` with `arguments` (passed as they are, one each); its
// standard output and error are this process's unless `output` names files.
ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments,
                           const ChildOutput* output = nullptr);
// Waits up to `timeout_ms` for the process to end. Returns true with its exit
// code when it ended, false on time-out.
bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code);
// Ends the process at once, as a crash would, and reaps it.
void KillProcess(ProcessHandle process);
// Asks the process to end as Ctrl+C does (SIGINT on Linux; Windows has no
// such request for another console process and ends it at once), then
// waits for it to end and reaps it.
void InterruptProcess(ProcessHandle process);
// Releases the handle of an ended process (no-op on Linux).
void CloseProcess(ProcessHandle process);

}  // namespace zelmor::platform
