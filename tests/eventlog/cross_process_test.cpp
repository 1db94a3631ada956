// Several processes, each with several threads, writing to one file while
// its size limit forces many rotations or cuts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/archives.h"
#include "eventlog/ldslogger.h"
#include "eventlog_test_support.h"
#include "rtl/text.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::ChildProcess;
using test::TempFolder;

constexpr int kProcesses = 4;
constexpr int kThreadsPerProcess = 2;
constexpr int kLinesPerThread = 600;
constexpr int64_t kMaxSize = 16384;
constexpr size_t kStampLength = 23;

// The text of line `n` of writer (process, thread); long enough that a torn
// or interleaved line cannot pass for a whole one.
std::string LineText(int process, int thread, int n) {
  std::string text = "W" + std::to_string(process) + "." + std::to_string(thread) + " #" +
                     std::to_string(n) + " ";
  for (int i = 0; i < 40; ++i) text += static_cast<char>('a' + (n + i) % 26);
  return text + " end";
}

std::unique_ptr<TLDSLogger> StressLogger(const std::string& path, bool in_place) {
  auto logger = std::make_unique<TLDSLogger>(path);
  logger->Options.MaxSize = kMaxSize;
  logger->Options.TrimInPlace = in_place;
  logger->Options.MaxArchives = 0;  // keep every archive
  return logger;
}

ZELMOR_CHILD_ROLE(stress_writer) {
  test::EventLogUnitScope unit;
  const int process = std::stoi(args.at(2));
  auto logger = StressLogger(args.at(0), args.at(1) == "in-place");
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreadsPerProcess; ++thread)
    threads.emplace_back([&, thread] {
      for (int n = 0; n < kLinesPerThread; ++n) logger->WriteLine(LineText(process, thread, n), 0);
    });
  for (std::thread& t : threads) t.join();
  return 0;
}

void RunWriters(const std::string& path, const char* mode) {
  std::vector<std::unique_ptr<ChildProcess>> children;
  for (int p = 0; p < kProcesses; ++p)
    children.push_back(
        std::make_unique<ChildProcess>("stress_writer", std::vector<std::string>{path, mode, std::to_string(p)}));
  for (auto& child : children) ASSERT_EQ(child->Wait(180000), 0);
}

struct Writer {
  int process, thread;
  bool operator<(const Writer& o) const {
    return process != o.process ? process < o.process : thread < o.thread;
  }
};

// Checks that every line is whole and that each writer's lines come in
// order; returns the numbers seen per writer.
void CheckLines(const std::string& bytes, std::map<Writer, std::vector<int>>& seen) {
  ASSERT_TRUE(bytes.empty() || bytes.ends_with("\r\n")) << "the file ends inside a line";
  for (const std::string& line : test::SplitLines(bytes)) {
    ASSERT_GT(line.size(), kStampLength + 2) << line;
    ASSERT_EQ(line[2], '.') << line;
    ASSERT_EQ(line[13], ':') << line;
    ASSERT_EQ(line[kStampLength], ' ') << line;
    int process = -1, thread = -1, n = -1;
    ASSERT_EQ(std::sscanf(line.c_str() + kStampLength, " W%d.%d #%d ", &process, &thread, &n), 3)
        << line;
    ASSERT_EQ(line.substr(kStampLength + 1), LineText(process, thread, n)) << "torn: " << line;
    std::vector<int>& numbers = seen[{process, thread}];
    ASSERT_TRUE(numbers.empty() || numbers.back() < n) << "out of order: " << line;
    numbers.push_back(n);
  }
}

TEST(CrossProcess, RotationKeepsEveryLineOfEveryWriterExactlyOnce) {
  TempFolder dir;
  const std::string path = dir / "stress.log";
  RunWriters(path, "archives");

  TLDSLogger reader(path);
  std::vector<std::string> archives;
  const int count = eventlog::FindArchives(reader.FileName(), archives);
  EXPECT_GT(count, 10) << "the limit must force many rotations";

  std::map<Writer, std::vector<int>> seen;
  // Oldest archive first, the live file last.
  for (auto it = archives.rbegin(); it != archives.rend(); ++it) {
    CheckLines(test::ReadFileBytes(*it), seen);
    if (HasFatalFailure()) return;
  }
  CheckLines(test::ReadFileBytes(path), seen);
  if (HasFatalFailure()) return;

  ASSERT_EQ(seen.size(), static_cast<size_t>(kProcesses * kThreadsPerProcess));
  for (const auto& [writer, numbers] : seen)
    EXPECT_EQ(numbers.size(), static_cast<size_t>(kLinesPerThread))
        << "writer " << writer.process << "." << writer.thread;
}

TEST(CrossProcess, InPlaceCutsLeaveWholeLinesWithinTheBound) {
  TempFolder dir;
  const std::string path = dir / "stress.log";
  RunWriters(path, "in-place");

  const std::string bytes = test::ReadFileBytes(path);
  EXPECT_LE(static_cast<int64_t>(bytes.size()), kMaxSize + kMaxSize / 3);
  EXPECT_GE(static_cast<int64_t>(bytes.size()), kMaxSize - 200);
  std::map<Writer, std::vector<int>> seen;
  CheckLines(bytes, seen);
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty()) << "no temporary copy is left";
  EXPECT_TRUE(platform::FindFiles(path + "0*").empty()) << "in place means no archives";
}

}  // namespace
}  // namespace zelmor
