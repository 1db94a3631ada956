// Rotations whose renames or deletions fail: the write itself succeeds and
// the caller sees nothing; no line is lost but those of the archive that was
// due for deletion; the next rotation catches up.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "eventlog/ldslogger.h"
#include "injected_faults.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using platform::FileOp;
using test::InjectedFaults;
using test::ReadFileBytes;

constexpr int64_t kMaxSize = 3000;

std::string Lines(const std::string& tag, int count) {
  std::string bytes;
  for (int n = 0; n < count; ++n) bytes += tag + " line " + std::to_string(n) + "\r\n";
  return bytes;
}

// Every line of the log and of its archives.
std::set<std::string> LinesOfLogAndArchives(const std::string& path) {
  std::set<std::string> lines;
  const std::string folder = path.substr(0, path.size() - std::string("app.log").size());
  for (const std::string& name : platform::FindFiles(path + "*"))
    for (const std::string& line : test::SplitLines(ReadFileBytes(folder + name)))
      lines.insert(line);
  return lines;
}

struct RotationFault {
  const char* name;
  FileOp op;
  const char* file;
};
// Named in test output: GoogleTest would otherwise print the bytes,
// padding included.
void PrintTo(const RotationFault& fault, std::ostream* out) { *out << fault.name; }

class LogRotationFaults
    : public testing::TestWithParam<std::tuple<RotationFault, uint32_t>> {};

TEST_P(LogRotationFaults, WriteSucceedsAndNoLineIsLost) {
  const auto& [fault, code] = GetParam();
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  test::WriteFileBytes(path + "000", Lines("newer archive", 20));
  test::WriteFileBytes(path + "001", Lines("older archive", 20));
  test::WriteFileBytes(path, Lines("current", 300));  // past four thirds of kMaxSize
  auto logger = std::make_unique<TLDSLogger>(path);
  logger->Options.MaxSize = kMaxSize;
  logger->Options.TrimInPlace = false;
  logger->Options.MaxArchives = 1;

  std::set<std::string> expected = LinesOfLogAndArchives(path);
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(fault.op, fault.file, code);
    logger->WriteLine("rotating line", 0);
    ASSERT_GE(faults.Injected(), 1);
  }
  const std::set<std::string> after = LinesOfLogAndArchives(path);
  // The oldest archive may go, as a rotation wants it to.
  const bool oldest_kept = after.count("older archive line 0") > 0;
  for (const std::string& line : expected) {
    if (oldest_kept || line.rfind("older archive", 0) != 0) {
      EXPECT_TRUE(after.count(line)) << "lost: " << line;
    }
  }
  EXPECT_EQ(std::count_if(after.begin(), after.end(),
                          [](const std::string& line) {
                            return line.ends_with(" rotating line");
                          }),
            1);
  EXPECT_TRUE(test::ErrorsWriterLinesFrom(errors_from).empty())
      << "rotation failures are silent; the line itself was written";
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty());

  // Without the fault the next line rotates as usual and every line of the
  // newer archive and the log survives it.
  logger->WriteLine("next line", 0);
  const std::set<std::string> healed = LinesOfLogAndArchives(path);
  EXPECT_TRUE(platform::FileExists(path + "000"));
  EXPECT_LE(platform::FindFiles(path + "0*").size(), 2u) << "at most MaxArchives + 1";
  EXPECT_TRUE(healed.count("current line 299"));
}

INSTANTIATE_TEST_SUITE_P(
    RenameAndDelete, LogRotationFaults,
    testing::Combine(testing::Values(RotationFault{"OldestNotDeleted", FileOp::kDelete, "app.log001"},
                                     RotationFault{"ArchiveNotRenamed", FileOp::kRename, "app.log000"},
                                     RotationFault{"LogNotRenamed", FileOp::kRename, "app.log"}),
                     testing::Values(platform::kErrorDiskFull, platform::kErrorAccessDenied,
                                     platform::kErrorSharingViolation)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" +
             std::to_string(std::get<1>(info.param));
    });

}  // namespace
}  // namespace zelmor
