// System calls counted rather than timed: strace, when it is installed,
// counts them, so a figure stays the same on a machine whose load drifts.
#pragma once

#include <string>
#include <vector>

namespace zelmor::bench {

// The strace program, or "" when it is not installed.
std::string StracePath();

// The calls column of the "total" row of a strace -c summary file.
long TotalCallsIn(const std::string& summary_file);

// The command line that runs `program` with `arguments` under strace -f -c,
// the summary going to `summary_file`: arguments for SpawnProcess(strace, …).
std::vector<std::string> TracedArguments(const std::string& summary_file,
                                         const std::string& program,
                                         const std::vector<std::string>& arguments);

// Counts the system calls this process makes (all its threads) from the
// constructor to Stop(), strace attached to it. Works only where StracePath()
// is not empty.
class SystemCallCount {
 public:
  SystemCallCount();
  ~SystemCallCount();
  SystemCallCount(const SystemCallCount&) = delete;
  SystemCallCount& operator=(const SystemCallCount&) = delete;

  long Stop();

 private:
  std::string summary_file_;
  long tracer_ = -1;
};

// System calls per run of `body`: counted over `runs` runs, less an empty
// window's count, which takes out the attach and detach of the counter.
// Returns -1 when strace is not installed.
template <typename Body>
double CallsPerRun(int runs, Body&& body) {
  if (StracePath().empty()) return -1;
  const long empty = SystemCallCount().Stop();
  SystemCallCount count;
  for (int i = 0; i < runs; ++i) body();
  return static_cast<double>(count.Stop() - empty) / runs;
}

}  // namespace zelmor::bench
