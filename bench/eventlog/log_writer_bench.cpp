// Cost of one WriteLine with the process-wide logger's options, against the
// floor: the bare cycle of a shared append in a loop (in-process lock, named
// mutex, open, seek, write, size, close, release) with no formatting.
// Measured for 1 thread and for 4 processes of 2 threads sharing one file,
// on tmpfs and on disk; each figure is timed and its system calls counted
// (under strace, when it is installed), since a count stays stable on a
// machine whose load drifts.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "eventlog/log_line.h"
#include "platform/platform.h"
#include "platform/testing/child_process.h"
#include "rtl/global_mutex.h"
#include "support/system_calls.h"

namespace zelmor {
namespace {

constexpr int kLinesPerWriter = 10000;
constexpr int kCountedLinesPerWriter = 2000;
constexpr int kRounds = 5;
// About the length of a database operation's line.
constexpr char kText[] = "[Main] TRAN:START (d-1234567890 RC_RW ReadOnly=False) (0 ms)";

using Clock = std::chrono::steady_clock;

struct Shape {
  const char* label;
  const char* key;
  int processes;
  int threads;
};
constexpr Shape kShapes[] = {{"1 thread", "1thread", 1, 1},
                             {"4 processes x 2 threads", "4processes", 4, 2}};

struct Folder {
  const char* label;
  const char* key;
  std::string path;
};

// Runs `writer` on `threads` threads at once, this one among them.
template <typename Writer>
void OnThreads(int threads, Writer& writer) {
  std::vector<std::thread> others;
  for (int t = 1; t < threads; ++t) others.emplace_back(writer);
  writer();
  for (std::thread& other : others) other.join();
}

// The threads of one process share what a process shares: the in-process
// lock and one handle of the named mutex.
void FloorLoop(const std::string& path, int lines, int threads) {
  std::recursive_mutex in_process;
  platform::MutexHandle mutex = CreateGlobalMutex(eventlog::MutexNameOf(path), "", false);
  const std::string line(std::string(36, '0') + kText + "\r\n");
  auto writer = [&] {
    for (int i = 0; i < lines; ++i) {
      std::lock_guard<std::recursive_mutex> lock(in_process);
      NamedMutexGuard guard(mutex);
      platform::FileHandle file = platform::OpenShared(path, true);
      if (file == platform::kInvalidFile) file = platform::CreateExclusive(path);
      platform::FileSeek(file, 0, platform::SeekOrigin::kEnd);
      platform::FileWriteAll(file, line.data(), line.size());
      platform::FileGetSize(file);
      platform::FileClose(file);
    }
  };
  OnThreads(threads, writer);
  platform::CloseMutex(mutex);
}

// The process-wide logger's options.
void LoggerLoop(const std::string& path, int lines, int threads) {
  TLDSLogger logger(path);
  logger.SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  logger.Options.ShowProcessId = logger.Options.ShowThreadId = true;
  logger.Options.TrimInPlace = false;
  logger.Options.MaxSize = 3145728;
  logger.Options.MaxArchives = 1;
  auto writer = [&] {
    for (int i = 0; i < lines; ++i) logger.WriteLine(kText, 0);
  };
  OnThreads(threads, writer);
}

void RemoveLogs(const std::string& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    std::filesystem::remove(entry.path(), ignored);
}

// The writers of `shape`, started at once through the "go" file; each
// process runs under strace -c when `count_to` names the files of its
// counts. Returns the wall time from the start signal to the last exit.
Clock::duration RunWriters(const std::string& kind, const Shape& shape,
                           const std::string& folder, int lines,
                           const std::vector<std::string>& count_to) {
  RemoveLogs(folder);
  const std::string go = folder + "go";
  if (!count_to.empty()) std::fclose(std::fopen(go.c_str(), "w"));
  std::vector<platform::ProcessHandle> children;
  for (int p = 0; p < shape.processes; ++p) {
    std::vector<std::string> child = {"--child", kind, folder + "bench.log",
                                      std::to_string(lines), std::to_string(shape.threads), go};
    if (count_to.empty()) {
      children.push_back(platform::SpawnProcess(platform::HostExecutablePath(), child));
      continue;
    }
    children.push_back(platform::SpawnProcess(
        bench::StracePath(), bench::TracedArguments(count_to[p], platform::HostExecutablePath(), child)));
  }
  if (count_to.empty()) platform::SleepMs(300);  // let every child reach the start line
  const auto start = Clock::now();
  if (count_to.empty()) std::fclose(std::fopen(go.c_str(), "w"));
  for (platform::ProcessHandle child : children) {
    int exit_code = 0;
    platform::WaitProcess(child, 600000, exit_code);
    platform::CloseProcess(child);
    if (exit_code != 0) throw std::runtime_error("a " + kind + " writer ended with " +
                                                 std::to_string(exit_code));
  }
  return Clock::now() - start;
}

double NsPerLine(const Shape& shape, const std::string& kind, const std::string& folder) {
  const int lines = shape.processes * shape.threads * kLinesPerWriter;
  const auto elapsed = RunWriters(kind, shape, folder, kLinesPerWriter, {});
  return std::chrono::duration<double, std::nano>(elapsed).count() / lines;
}

long CountedCalls(const std::string& kind, const Shape& shape, const std::string& folder,
                  int lines) {
  std::vector<std::string> files;
  for (int p = 0; p < shape.processes; ++p)
    files.push_back(folder + "calls-" + std::to_string(p) + ".txt");
  RunWriters(kind, shape, folder + "run/", lines, files);
  long total = 0;
  for (const std::string& file : files) total += bench::TotalCallsIn(file);
  return total;
}

// System calls per line: a run of no lines, with the same processes and
// threads, takes out what starting and ending them costs.
double CallsPerLine(const std::string& kind, const Shape& shape, const std::string& folder) {
  std::filesystem::create_directories(folder + "run/");
  const long with_lines = CountedCalls(kind, shape, folder, kCountedLinesPerWriter);
  const long without = CountedCalls(kind, shape, folder, 0);
  return static_cast<double>(with_lines - without) /
         (shape.processes * shape.threads * kCountedLinesPerWriter);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Measure(const Folder& folder) {
  const std::string work = folder.path + "zelmor-log-bench-" +
                           std::to_string(platform::CurrentProcessId()) + "/";
  std::filesystem::create_directories(work);
  for (const Shape& shape : kShapes) {
    // Rounds alternate floor and logger so that drifting machine load hits
    // both; the median round counts.
    std::vector<double> floor_ns, logger_ns, ratios;
    for (int round = 0; round < kRounds; ++round) {
      floor_ns.push_back(NsPerLine(shape, "floor", work));
      logger_ns.push_back(NsPerLine(shape, "logger", work));
      ratios.push_back(logger_ns.back() / floor_ns.back());
    }
    const std::string key = std::string("log_") + folder.key + "_" + shape.key;
    std::printf("  %-6s %-24s: WriteLine %6.0f ns/line, floor %6.0f ns/line, ratio %.2f "
                "(rounds:",
                folder.key, shape.label, Median(logger_ns), Median(floor_ns), Median(ratios));
    for (double ratio : ratios) std::printf(" %.2f", ratio);
    std::printf(")\n");
    std::printf("RESULT %s_logger=%.0f ns\n", key.c_str(), Median(logger_ns));
    std::printf("RESULT %s_floor=%.0f ns\n", key.c_str(), Median(floor_ns));
    std::printf("RESULT %s_ratio=%.2f\n", key.c_str(), Median(ratios));
    if (bench::StracePath().empty()) continue;
    const double logger_calls = CallsPerLine("logger", shape, work);
    const double floor_calls = CallsPerLine("floor", shape, work);
    std::printf("  %-6s %-24s: system calls per line: WriteLine %.2f, floor %.2f\n", folder.key,
                shape.label, logger_calls, floor_calls);
    std::printf("RESULT %s_logger_calls=%.2f calls\n", key.c_str(), logger_calls);
    std::printf("RESULT %s_floor_calls=%.2f calls\n", key.c_str(), floor_calls);
  }
  std::filesystem::remove_all(work);
}

int Main(int argc, char** argv) {
  if (argc == 7 && std::string(argv[1]) == "--child") {
    eventlog::InitializeUnit();
    while (!platform::FileExists(argv[6])) platform::SleepMs(1);
    const std::string kind = argv[2];
    const int lines = std::stoi(argv[4]), threads = std::stoi(argv[5]);
    if (kind == "floor")
      FloorLoop(argv[3], lines, threads);
    else
      LoggerLoop(argv[3], lines, threads);
    eventlog::FinalizeUnit();
    return 0;
  }
  std::vector<Folder> folders;
  if (platform::DirectoryExists("/dev/shm")) folders.push_back({"tmpfs", "tmpfs", "/dev/shm/"});
  folders.push_back({"disk, the temporary folder", "disk", platform::TempPath()});

  std::printf("log writer, %d lines per writer thread, median of %d rounds; system calls "
              "counted under strace over %d lines per writer%s\n",
              kLinesPerWriter, kRounds, kCountedLinesPerWriter,
              bench::StracePath().empty() ? " (strace is not installed: not counted)" : "");
  for (const Folder& folder : folders) {
    std::printf("  %s: %s %s\n", folder.key, folder.label, folder.path.c_str());
    Measure(folder);
  }
  std::printf("  target: ratio <= 1.10; system calls per line: WriteLine no more than the "
              "floor\n");
  return 0;
}

}  // namespace
}  // namespace zelmor

int main(int argc, char** argv) {
  try {
    return zelmor::Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "log_writer_bench: %s\n", error.what());
    return 1;
  }
}
