// Cost of one WriteLine with the process-wide logger's options, against the
// floor: the same system calls in a bare loop (in-process lock, named mutex,
// exists check, open, seek, write, size, close, release) with no formatting.
// Measured for one thread and for four processes sharing one file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "eventlog/log_line.h"
#include "platform/platform.h"
#include "platform/testing/child_process.h"
#include "rtl/global_mutex.h"

namespace zelmor {
namespace {

constexpr int kLinesPerRun = 20000;
constexpr int kProcesses = 4;
constexpr int kRounds = 3;
// About the length of a database operation's line.
constexpr char kText[] = "[Main] TRAN:START (d-1234567890 RC_RW ReadOnly=False) (0 ms)";

using Clock = std::chrono::steady_clock;

void FloorLoop(const std::string& path, int lines) {
  std::recursive_mutex in_process;
  platform::MutexHandle mutex = CreateGlobalMutex(eventlog::MutexNameOf(path), "", false);
  const std::string line(std::string(36, '0') + kText + "\r\n");
  for (int i = 0; i < lines; ++i) {
    std::lock_guard<std::recursive_mutex> lock(in_process);
    NamedMutexGuard guard(mutex);
    const platform::FileHandle file = platform::FileExists(path)
                                          ? platform::OpenShared(path, true)
                                          : platform::CreateExclusive(path);
    platform::FileSeek(file, 0, platform::SeekOrigin::kEnd);
    platform::FileWriteAll(file, line.data(), line.size());
    platform::FileGetSize(file);
    platform::FileClose(file);
  }
  platform::CloseMutex(mutex);
}

// The process-wide logger's options.
void LoggerLoop(const std::string& path, int lines) {
  TLDSLogger logger(path);
  logger.SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  logger.Options.ShowProcessId = logger.Options.ShowThreadId = true;
  logger.Options.TrimInPlace = false;
  logger.Options.MaxSize = 3145728;
  logger.Options.MaxArchives = 1;
  for (int i = 0; i < lines; ++i) logger.WriteLine(kText, 0);
}

void RunLoop(const std::string& kind, const std::string& path, int lines) {
  if (kind == "floor")
    FloorLoop(path, lines);
  else
    LoggerLoop(path, lines);
}

void RemoveLogs(const std::string& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    std::filesystem::remove(entry.path(), ignored);
}

double NsPerLine(Clock::duration elapsed, int lines) {
  return std::chrono::duration<double, std::nano>(elapsed).count() / lines;
}

double SingleThread(const std::string& kind, const std::string& folder) {
  RemoveLogs(folder);
  const auto start = Clock::now();
  RunLoop(kind, folder + "bench.log", kLinesPerRun);
  return NsPerLine(Clock::now() - start, kLinesPerRun);
}

// Wall time per line of all processes together: they start at one signal.
double FourProcesses(const std::string& kind, const std::string& folder) {
  RemoveLogs(folder);
  const std::string go = folder + "go";
  std::vector<platform::ProcessHandle> children;
  for (int p = 0; p < kProcesses; ++p)
    children.push_back(platform::SpawnProcess(
        platform::HostExecutablePath(),
        {"--child", kind, folder + "bench.log", std::to_string(kLinesPerRun), go}));
  platform::SleepMs(300);  // let every child reach the start line
  const auto start = Clock::now();
  std::fclose(std::fopen(go.c_str(), "w"));
  for (platform::ProcessHandle child : children) {
    int exit_code = 0;
    platform::WaitProcess(child, 600000, exit_code);
    platform::CloseProcess(child);
  }
  return NsPerLine(Clock::now() - start, kProcesses * kLinesPerRun);
}

int Main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--child") {
    eventlog::InitializeUnit();
    while (!platform::FileExists(argv[5])) platform::SleepMs(1);
    RunLoop(argv[2], argv[3], std::stoi(argv[4]));
    eventlog::FinalizeUnit();
    return 0;
  }
  eventlog::InitializeUnit();
  const std::string folder = platform::TempPath() + "zelmor-log-bench-" +
                             std::to_string(platform::CurrentProcessId()) + "/";
  std::filesystem::create_directories(folder);

  // Rounds alternate floor and logger so that drifting machine load hits
  // both; the best round of each counts.
  double floor1 = 1e30, logger1 = 1e30, floor4 = 1e30, logger4 = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    floor1 = std::min(floor1, SingleThread("floor", folder));
    logger1 = std::min(logger1, SingleThread("logger", folder));
    floor4 = std::min(floor4, FourProcesses("floor", folder));
    logger4 = std::min(logger4, FourProcesses("logger", folder));
  }
  std::filesystem::remove_all(folder);
  eventlog::FinalizeUnit();

  std::printf("log writer, %d lines per writer, best of %d rounds, folder %s\n", kLinesPerRun,
              kRounds, platform::TempPath().c_str());
  std::printf("  1 thread    : WriteLine %7.0f ns/line, floor %7.0f ns/line, ratio %.2f\n",
              logger1, floor1, logger1 / floor1);
  std::printf("  %d processes: WriteLine %7.0f ns/line, floor %7.0f ns/line, ratio %.2f\n",
              kProcesses, logger4, floor4, logger4 / floor4);
  std::printf("  target: ratio <= 1.25\n");
  std::printf("RESULT log_1thread_logger=%.0f ns\n", logger1);
  std::printf("RESULT log_1thread_floor=%.0f ns\n", floor1);
  std::printf("RESULT log_%dprocesses_logger=%.0f ns\n", kProcesses, logger4);
  std::printf("RESULT log_%dprocesses_floor=%.0f ns\n", kProcesses, floor4);
  return 0;
}

}  // namespace
}  // namespace zelmor

int main(int argc, char** argv) { return zelmor::Main(argc, argv); }
