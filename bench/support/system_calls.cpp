#include "support/system_calls.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"
#include "platform/testing/child_process.h"

namespace zelmor::bench {

namespace {

// Whether a tracer is attached to this process, as Linux reports it.
bool Traced() {
  std::ifstream status("/proc/self/status");
  std::string field;
  while (status >> field) {
    if (field != "TracerPid:") continue;
    long tracer = 0;
    status >> tracer;
    return tracer != 0;
  }
  return false;
}

}  // namespace

std::string StracePath() {
  static const std::string path = [] {
    std::stringstream folders(platform::GetEnvironmentVariable("PATH"));
    std::string folder;
    while (std::getline(folders, folder, ':'))
      if (!folder.empty() && platform::FileExists(folder + "/strace")) return folder + "/strace";
    return std::string();
  }();
  return path;
}

long TotalCallsIn(const std::string& summary_file) {
  std::ifstream in(summary_file);
  std::string row;
  while (std::getline(in, row)) {
    std::istringstream fields(row);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    // % time, seconds, usecs/call, calls, [errors,] "total"
    if (words.size() >= 5 && words.back() == "total") return std::stol(words[3]);
  }
  throw std::runtime_error("no total in the strace summary " + summary_file);
}

std::vector<std::string> TracedArguments(const std::string& summary_file,
                                         const std::string& program,
                                         const std::vector<std::string>& arguments) {
  std::vector<std::string> traced = {"-f", "-c", "-o", summary_file, "--", program};
  traced.insert(traced.end(), arguments.begin(), arguments.end());
  return traced;
}

SystemCallCount::SystemCallCount() {
  static int serial = 0;
  summary_file_ = platform::TempPath() + "zelmor-calls-" +
                  std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++serial) +
                  ".txt";
  tracer_ = platform::SpawnProcess(
      StracePath(), {"-f", "-c", "-o", summary_file_, "-p",
                     std::to_string(platform::CurrentProcessId())});
  if (tracer_ == platform::kInvalidProcess) throw std::runtime_error("strace did not start");
  for (int waited = 0; !Traced(); ++waited) {
    if (waited > 10000) throw std::runtime_error("strace did not attach");
    platform::SleepMs(1);
  }
}

SystemCallCount::~SystemCallCount() {
  if (tracer_ != platform::kInvalidProcess) Stop();
}

long SystemCallCount::Stop() {
  platform::InterruptProcess(tracer_);
  platform::CloseProcess(tracer_);
  tracer_ = platform::kInvalidProcess;
  const long calls = TotalCallsIn(summary_file_);
  platform::DeleteFile(summary_file_);
  return calls;
}

}  // namespace zelmor::bench
