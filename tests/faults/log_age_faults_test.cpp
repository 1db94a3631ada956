// An age check whose scan cannot read the file: the caller sees nothing,
// the fallback logger gets one line, and the check counts as made, so that
// the lines that follow within the interval do not scan again.
#include <gtest/gtest.h>

#include <string>

#include "eventlog/ldslogger.h"
#include "injected_faults.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using platform::FileOp;
using test::InjectedFaults;

TEST(LogAgeFaults, AFailedCheckIsReportedOnceAndCountsAsMade) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  test::WriteFileBytes(path, std::string(40000, 'x') + "\r\n");  // more than one scan block
  TLDSLogger logger(path);
  DateTime now = EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123);
  logger.Seam.Clock = [&now] { return now; };
  logger.Options.MaxAge = 1.0;
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kRead, "app.log", platform::kErrorReadFault);
    logger.WriteLine("first", 0);
    logger.WriteLine("second", 0);
    EXPECT_EQ(faults.Injected(), 1) << "the second line, within the interval, reads nothing";
  }
  const auto errors = test::ErrorsWriterLinesFrom(errors_from);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("(fmOpenReadWrite-OK;ProcessFile...)"), std::string::npos) << errors[0];
  EXPECT_EQ(logger.LastAgeCheck(), now);
  EXPECT_TRUE(test::ReadFileBytes(path).ends_with(" second\r\n"));

  now += 61.0 / 86400;
  InjectedFaults again;
  again.Fail(FileOp::kRead, "app.log", platform::kErrorReadFault);
  logger.WriteLine("third", 0);
  EXPECT_EQ(again.Injected(), 1) << "once the interval has passed the file is checked again";
}

}  // namespace
}  // namespace zelmor
