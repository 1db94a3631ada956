// The event log between accounts, and between a process and its forked
// child.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "accounts/accounts_test_support.h"
#include "eventlog/archives.h"
#include "eventlog/ldslogger.h"
#include "eventlog/eventlog_test_support.h"

namespace zelmor {
namespace {

using test::ChildProcess;

// Restores the umask the test replaced.
class Umask {
 public:
  explicit Umask(uint32_t mask) : before_(platform::ReplaceUmask(mask)) {}
  ~Umask() { platform::ReplaceUmask(before_); }

 private:
  uint32_t before_;
};

bool Contains(const std::string& path, const std::string& text) {
  return test::ReadFileBytes(path).find(text) != std::string::npos;
}

// Child: appends one line to each log named; 0 when every line got there.
ZELMOR_CHILD_ROLE(append_log_lines) {
  test::EventLogUnitScope unit;
  int missing = 0;
  for (const std::string& path : args) {
    TLDSLogger logger(path);
    logger.Options.MaxSize = 0;
    logger.WriteLine("line of another account");
    if (!Contains(path, "line of another account")) ++missing;
  }
  return missing;
}

// The log and its archives, oldest first.
std::vector<std::string> LogAndArchives(const std::string& path) {
  std::vector<std::string> archives;
  eventlog::FindArchives(path, archives);
  std::vector<std::string> files(archives.rbegin(), archives.rend());
  files.push_back(path);
  return files;
}

void WriteLines(TLDSLogger& logger, const std::string& tag, int count) {
  for (int n = 0; n < count; ++n)
    logger.WriteLine(tag + " #" + std::to_string(n) + " " + std::string(40, 'x') + " end");
}

TEST(LogAccounts, LogsArchivesAndCutLogsStayTheStationsAndNobodyElses) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder dir;
  const std::string rotated = dir / "rotated.log";
  const std::string cut = dir / "cut.log";
  {
    Umask strict(077);
    TLDSLogger rotating(rotated);
    rotating.Options.MaxSize = 2048;
    rotating.Options.TrimInPlace = false;
    rotating.Options.MaxArchives = 0;
    WriteLines(rotating, "root", 200);
    TLDSLogger cutting(cut);
    cutting.Options.MaxSize = 2048;
    WriteLines(cutting, "root", 200);
  }
  const std::vector<std::string> files = LogAndArchives(rotated);
  ASSERT_GT(files.size(), 3u) << "the limit must force rotations";
  for (const std::string& file : files) {
    EXPECT_EQ(platform::StatusOf(file).mode, 0660u) << file;
    EXPECT_EQ(platform::StatusOf(file).group, test::kStationGid) << file;
  }
  EXPECT_EQ(platform::StatusOf(cut).mode, 0660u) << "after cuts";

  ChildProcess outsider("append_log_lines", {rotated, cut}, ChildProcess::Account::kNobody);
  EXPECT_EQ(outsider.Wait(), 2) << "an account outside the station wrote to its logs";
  ChildProcess member("append_log_lines", {rotated, cut}, ChildProcess::Account::kStationMember);
  EXPECT_EQ(member.Wait(), 0) << "logs the station's member could not append to";
  TLDSLogger again(rotated);
  again.Options.MaxSize = 0;
  again.WriteLine("root again");
  EXPECT_TRUE(Contains(rotated, "line of another account"));
  EXPECT_TRUE(Contains(rotated, "root again"));
}

// Every line of both writers, whole, each exactly once.
void ExpectEveryLineOnce(const std::string& path, int lines_per_writer) {
  std::map<std::string, int> seen;
  for (const std::string& file : LogAndArchives(path))
    for (const std::string& line : test::SplitLines(test::ReadFileBytes(file)))
      if (line.size() > 24) ++seen[line.substr(24)];
  int whole = 0;
  for (const char* tag : {"parent", "child"})
    for (int n = 0; n < lines_per_writer; ++n) {
      const auto it =
          seen.find(std::string(tag) + " #" + std::to_string(n) + " " + std::string(40, 'x') + " end");
      if (it != seen.end() && it->second == 1) ++whole;
    }
  EXPECT_EQ(whole, 2 * lines_per_writer) << "lines found exactly once";
}

TEST(LogFork, AParentAndItsForkedChildWriteThroughOneLoggerAcrossRotations) {
  constexpr int kLines = 4000;
  test::TempFolder dir;
  const std::string path = dir / "forked.log";
  TLDSLogger logger(path);
  logger.Options.MaxSize = 4096;
  logger.Options.TrimInPlace = false;
  logger.Options.MaxArchives = 0;
  logger.WriteLine("before the fork");
  const int pid = platform::ForkProcess();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    WriteLines(logger, "child", kLines);
    platform::EndForkedChild(0);
  }
  WriteLines(logger, "parent", kLines);
  ASSERT_EQ(platform::WaitForkedChild(pid, 120000), 0);
  ExpectEveryLineOnce(path, kLines);
}

}  // namespace
}  // namespace zelmor
