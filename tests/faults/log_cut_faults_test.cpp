// In-place cuts whose temporary copy cannot be made, written, read back or
// whose log cannot be resized or rewritten: the caller sees nothing, the
// fallback logger gets one line, no kept line is lost and the temporary copy
// is gone.
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
using Match = InjectedFaults::Match;

// Big enough that the cut copies in several blocks, so a copy can fail half
// way.
constexpr int64_t kMaxSize = 300000;
constexpr char kNewLine[] = "07.12.2026 03:51:33.123 the line that triggers the cut";

std::unique_ptr<TLDSLogger> InPlaceLogger(const std::string& path) {
  auto logger = std::make_unique<TLDSLogger>(path);
  logger->Seam.Clock = [] { return EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123); };
  logger->Options.MaxSize = kMaxSize;
  return logger;
}

// Numbered lines ending 20 bytes short of the trigger, so that the next line
// cuts.
std::string LinesBelowTheTrigger() {
  const size_t size = kMaxSize + kMaxSize / 3 - 20;
  std::string bytes;
  for (int n = 0; bytes.size() < size; ++n) {
    std::string line = "line " + std::to_string(n) + " ";
    line.resize(std::min<size_t>(98, size - bytes.size() - 2), '.');
    bytes += line + "\r\n";
  }
  return bytes;
}

// Complete lines of `bytes` that lie within its last `tail` bytes.
std::vector<std::string> LinesWithinTail(const std::string& bytes, size_t tail) {
  const size_t from = bytes.size() - tail;
  const size_t first = bytes.find("\r\n", from == 0 ? 0 : from - 2);
  return test::SplitLines(bytes.substr(first + 2));
}

struct CutFault {
  const char* name;
  FileOp op;
  const char* file;  // "app.log" or the temporary copy's prefix "app.log_"
  Match match;
  int skip;          // calls let through before the failures start
  bool file_untouched;  // the fault strikes before the log is changed
};
// Named in test output: GoogleTest would otherwise print the bytes,
// padding included.
void PrintTo(const CutFault& fault, std::ostream* out) { *out << fault.name; }

class LogCutFaults
    : public testing::TestWithParam<std::tuple<CutFault, uint32_t>> {};

TEST_P(LogCutFaults, CallerSeesNothingOneReportNoKeptLineLostNoCopyLeft) {
  const auto& [fault, code] = GetParam();
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  test::WriteFileBytes(path, LinesBelowTheTrigger());
  auto logger = InPlaceLogger(path);
  const std::string before = ReadFileBytes(path) + kNewLine + "\r\n";
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(fault.op, fault.file, code, fault.match, fault.skip);
    logger->WriteLine("the line that triggers the cut", 0);
    ASSERT_GE(faults.Injected(), 1);
  }
  const std::string after = ReadFileBytes(path);
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty()) << "the temporary copy is left";

  const auto reports = test::ErrorsWriterLinesFrom(errors_from);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("(fmOpenReadWrite-OK;ProcessFile...)"), std::string::npos)
      << reports[0];
  EXPECT_NE(reports[0].find(kNewLine), std::string::npos) << reports[0];

  if (fault.file_untouched) {
    EXPECT_EQ(after, before) << "nothing was cut, nothing lost";
  } else {
    const auto after_lines = test::SplitLines(after);
    const std::set<std::string> present(after_lines.begin(), after_lines.end());
    for (const std::string& line : LinesWithinTail(before, kMaxSize))
      ASSERT_TRUE(present.count(line)) << "lost: " << line;
    EXPECT_EQ(after_lines.back(), kNewLine);
    EXPECT_TRUE(after.ends_with("\r\n"));
  }

  // The next write finds a sound file and cuts it as usual.
  logger->WriteLine("the line after", 0);
  const std::string healed = ReadFileBytes(path);
  EXPECT_LE(healed.size(), static_cast<size_t>(kMaxSize + kMaxSize / 3 + 200));
  EXPECT_TRUE(healed.ends_with(std::string(kNewLine) + "\r\n" +
                               "07.12.2026 03:51:33.123 the line after\r\n"));
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty());
}

INSTANTIATE_TEST_SUITE_P(
    CopyAndResize, LogCutFaults,
    testing::Combine(
        testing::Values(
            CutFault{"CopyCreated", FileOp::kCreate, "app.log_", Match::kNamePrefix, 0, true},
            CutFault{"CopyWritten", FileOp::kWrite, "app.log_", Match::kNamePrefix, 0, true},
            CutFault{"CopySecondBlock", FileOp::kWrite, "app.log_", Match::kNamePrefix, 1,
                     true},
            CutFault{"LogReadForTheCopy", FileOp::kRead, "app.log", Match::kExactName, 0,
                     true},
            CutFault{"LogResized", FileOp::kSetSize, "app.log", Match::kExactName, 0, false},
            // The first write is the line itself; the rest copy the kept part back.
            CutFault{"LogRewritten", FileOp::kWrite, "app.log", Match::kExactName, 1, false},
            CutFault{"LogRewrittenHalfWay", FileOp::kWrite, "app.log", Match::kExactName, 3,
                     false}),
        testing::Values(platform::kErrorDiskFull, platform::kErrorAccessDenied,
                        platform::kErrorSharingViolation)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" +
             std::to_string(std::get<1>(info.param));
    });

TEST(LogCutFaults, CopyWhoseDeletionMeetsASharingViolationIsDeletedOnRetry) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  test::WriteFileBytes(path, LinesBelowTheTrigger());
  auto logger = InPlaceLogger(path);
  const size_t errors_from = test::ErrorsWriterSize();
  InjectedFaults faults;
  faults.Fail(FileOp::kDelete, "app.log_", platform::kErrorSharingViolation,
              Match::kNamePrefix, 0, 3);
  logger->WriteLine("the line that triggers the cut", 0);
  EXPECT_EQ(faults.Injected(), 3);
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty());
  EXPECT_LE(ReadFileBytes(path).size(), static_cast<size_t>(kMaxSize + 100));
  EXPECT_TRUE(test::ErrorsWriterLinesFrom(errors_from).empty());
}

}  // namespace
}  // namespace zelmor
