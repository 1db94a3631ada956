// Plain log writes whose open, create or write fails, also after part of
// the line reached the file: the caller sees nothing, the fallback logger
// gets one line, the file keeps what it had.
#include <gtest/gtest.h>

#include <memory>
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

constexpr uint32_t kDiskFull = platform::kErrorDiskFull;
constexpr uint32_t kAccessDenied = platform::kErrorAccessDenied;
constexpr uint32_t kSharingViolation = platform::kErrorSharingViolation;
constexpr uint32_t kLockViolation = platform::kErrorLockViolation;

std::unique_ptr<TLDSLogger> LoggerAt(const std::string& path) {
  auto logger = std::make_unique<TLDSLogger>(path);
  logger->Seam.Clock = [] { return EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123); };
  return logger;
}

struct WriteFault {
  const char* name;
  FileOp op;
  uint32_t code;
  bool file_exists;    // an existing file is opened, a missing one created
  const char* stage;   // the stage text the report must carry
};
// Named in test output: GoogleTest would otherwise print the bytes,
// padding included.
void PrintTo(const WriteFault& fault, std::ostream* out) { *out << fault.name; }

class LogWriteFaults : public testing::TestWithParam<WriteFault> {};

TEST_P(LogWriteFaults, CallerSeesNothingOneReportNoLineLost) {
  const WriteFault& fault = GetParam();
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  auto logger = LoggerAt(path);
  if (fault.file_exists)
    for (int n = 0; n < 5; ++n) logger->WriteLine("kept " + std::to_string(n), 1);
  const std::string before = fault.file_exists ? ReadFileBytes(path) : std::string();
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(fault.op, "app.log", fault.code);
    logger->WriteLine("refused line", 1);
    EXPECT_GE(faults.Injected(), 1);
  }
  EXPECT_EQ(platform::FileExists(path) ? ReadFileBytes(path) : std::string(), before)
      << "a failed write leaves the file as it was, without a torn line";

  const auto reports = test::ErrorsWriterLinesFrom(errors_from);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("(" + std::string(fault.stage) + ")"), std::string::npos)
      << reports[0];
  EXPECT_NE(reports[0].find("\"" + path + "\""), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("refused line"), std::string::npos) << reports[0];
  if (std::string_view(fault.stage).ends_with("-OK")) {
    // Once the file is open, the report holds the whole line.
    EXPECT_NE(reports[0].find("строки [07.12.2026 03:51:33.123 [инф] refused line]:"),
              std::string::npos)
        << reports[0];
  }
  if (fault.code == kSharingViolation && fault.op != FileOp::kWrite) {
    EXPECT_NE(reports[0].find("Log file open timeout: 200 ms"), std::string::npos)
        << reports[0];
  }

  logger->WriteLine("after the fault", 1);
  const std::string after = ReadFileBytes(path);
  EXPECT_EQ(after.substr(0, before.size()), before);
  const auto new_lines = test::SplitLines(after.substr(before.size()));
  ASSERT_EQ(new_lines.size(), 1u);
  EXPECT_EQ(new_lines[0], "07.12.2026 03:51:33.123 [инф] after the fault");
  EXPECT_EQ(test::ErrorsWriterLinesFrom(errors_from).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    OpenCreateWrite, LogWriteFaults,
    testing::Values(
        WriteFault{"OpenDiskFull", FileOp::kOpen, kDiskFull, true, "fmOpenReadWrite"},
        WriteFault{"OpenAccessDenied", FileOp::kOpen, kAccessDenied, true, "fmOpenReadWrite"},
        WriteFault{"OpenSharing", FileOp::kOpen, kSharingViolation, true, "fmOpenReadWrite"},
        WriteFault{"CreateDiskFull", FileOp::kCreate, kDiskFull, false, "fmCreate"},
        WriteFault{"CreateAccessDenied", FileOp::kCreate, kAccessDenied, false, "fmCreate"},
        WriteFault{"CreateSharing", FileOp::kCreate, kSharingViolation, false, "fmCreate"},
        WriteFault{"WriteDiskFull", FileOp::kWrite, kDiskFull, true, "fmOpenReadWrite-OK"},
        WriteFault{"WriteAccessDenied", FileOp::kWrite, kAccessDenied, true,
                   "fmOpenReadWrite-OK"},
        WriteFault{"WriteSharing", FileOp::kWrite, kSharingViolation, false, "fmCreate-OK"},
        // Half the line reaches the file before the write fails: it is cut
        // back, from an existing file and from a new one.
        WriteFault{"WriteCutShort", FileOp::kShortWrite, kDiskFull, true, "fmOpenReadWrite-OK"},
        WriteFault{"CreateWriteCutShort", FileOp::kShortWrite, kDiskFull, false,
                   "fmCreate-OK"}),
    [](const testing::TestParamInfo<WriteFault>& info) { return std::string(info.param.name); });

TEST(LogWriteFaults, SharingViolationThatClearsWithinTheTimeoutIsNoFailure) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  auto logger = LoggerAt(path);
  logger->WriteLine("first", 0);
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kOpen, "app.log", kSharingViolation, InjectedFaults::Match::kExactName,
                0, 3);
    logger->WriteLine("second", 0);
    EXPECT_EQ(faults.Injected(), 3);
  }
  const auto lines = test::SplitLines(ReadFileBytes(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "07.12.2026 03:51:33.123 second");
  EXPECT_TRUE(test::ErrorsWriterLinesFrom(errors_from).empty());
}

TEST(LogWriteFaults, SharingAndLockViolationsAreRetriedEvery10MsUntil200MsHavePassed) {
  for (const uint32_t code : {kSharingViolation, kLockViolation}) {
    test::TempFolder dir;
    const std::string path = dir / "app.log";
    auto logger = LoggerAt(path);
    logger->WriteLine("first", 0);
    const size_t errors_from = test::ErrorsWriterSize();
    // Just short of the counter's wrap, which the deadline must survive.
    constexpr uint32_t kStart = 0xFFFFFF9Cu;
    test::FakeTicks ticks(kStart);
    InjectedFaults faults;
    faults.Fail(FileOp::kOpen, "app.log", code);
    logger->WriteLine("second", 0);
    // Attempts at 0, 10, ..., 200 ms: 21 of them, 20 pauses between.
    EXPECT_EQ(faults.Injected(), 21) << code;
    EXPECT_EQ(ticks.Now() - kStart, 200u) << code;
    const auto reports = test::ErrorsWriterLinesFrom(errors_from);
    ASSERT_EQ(reports.size(), 1u) << code;
    EXPECT_NE(reports[0].find("[second]: Log file open timeout: 200 ms ("), std::string::npos)
        << reports[0];
  }
}

TEST(LogWriteFaults, AccessDeniedIsNotRetried) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  auto logger = LoggerAt(path);
  logger->WriteLine("first", 0);
  InjectedFaults faults;
  faults.Fail(FileOp::kOpen, "app.log", kAccessDenied);
  logger->WriteLine("second", 0);
  EXPECT_EQ(faults.Injected(), 1);
}

TEST(LogWriteFaults, FallbackThatFailsTooStaysQuiet) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  auto logger = LoggerAt(path);
  logger->WriteLine("first", 0);
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kWrite, "app.log", kDiskFull)
        .Fail(FileOp::kWrite, "LDSLoggerErrorsWriter.log", kDiskFull);
    logger->WriteLine("second", 0);
    EXPECT_EQ(faults.Injected(), 2) << "one failed line, one failed report, no loop";
  }
  EXPECT_EQ(test::SplitLines(ReadFileBytes(path)).size(), 1u);
  EXPECT_EQ(test::ErrorsWriterSize(), errors_from);
}

}  // namespace
}  // namespace zelmor
