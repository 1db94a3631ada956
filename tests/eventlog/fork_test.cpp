// A process that forks while its threads log: the child finds every
// logger's locks free, whatever moment the fork came at.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "eventlog_test_support.h"
#include "platform/testing/accounts.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

bool Contains(const std::string& path, const std::string& text) {
  return test::ReadFileBytes(path).find(text) != std::string::npos;
}

// Three threads write through one logger, a fourth through a logger whose
// folder is missing, so that the fallback logger is busy under that
// logger's locks. A fork comes at a random moment of all that; each of many
// children writes one line through each logger and exits.
TEST(LogFork, AChildForkedWhileThreadsLogWritesItsLineAndExits) {
  constexpr int kForks = 20;
  constexpr uint32_t kChildTimeoutMs = 10000;
  test::TempFolder dir;
  TLDSLogger logger(dir / "busy.log");
  logger.Options.MaxSize = 64 * 1024;  // cuts too, now and then
  TLDSLogger failing(dir / "missing/failing.log");
  ASSERT_NE(eventlog::ErrorsWriter, nullptr);

  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t)
    writers.emplace_back([&, t] {
      while (!stop) logger.WriteLine("thread " + std::to_string(t));
    });
  writers.emplace_back([&] {
    while (!stop) failing.WriteLine("lost line");
  });

  int forked = 0;
  for (; forked < kForks; ++forked) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string mark = "child " + std::to_string(forked) + " ";
    const int pid = platform::ForkProcess();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Files of its own, as the parent's threads cut theirs meanwhile.
      const std::string own = dir / ("child" + std::to_string(forked) + ".log");
      const std::string own_fallback = dir / ("fallback" + std::to_string(forked) + ".log");
      logger.SetFileName(own);
      eventlog::ErrorsWriter->SetFileName(own_fallback);
      logger.WriteLine(mark + "here");
      failing.WriteLine(mark + "lost");
      platform::EndForkedChild(!Contains(own, mark + "here")            ? 1
                               : !Contains(own_fallback, mark + "lost") ? 2
                                                                        : 0);
    }
    const int code = platform::WaitForkedChild(pid, kChildTimeoutMs);
    if (code != 0) {
      ADD_FAILURE() << "child " << forked << " of " << kForks
                    << (code == -1000 ? " hung" : " missed its lines") << " (" << code << ")";
      break;
    }
  }
  stop = true;
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(forked, kForks);
}

}  // namespace
}  // namespace zelmor
