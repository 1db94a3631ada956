#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "eventlog/age_limit.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/log_file.h"
#include "eventlog_test_support.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor::eventlog {
namespace {

using test::kHour;
using test::ReadFileBytes;
using test::TempFolder;

constexpr double kMinute = kHour / 60;
constexpr int kStampLength = 23;  // "dd.mm.yyyy hh:nn:ss.zzz"

// One line a minute from `from` up to (not including) `to`.
std::string DatedLines(DateTime from, DateTime to, bool level_char) {
  std::string bytes;
  for (DateTime t = from; t < to; t += kMinute) {
    if (level_char) bytes += "+ ";
    bytes += FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", t, LogFormatSettings());
    bytes += " [инф] event of the past\r\n";
  }
  return bytes;
}

class AgeLimit : public testing::Test {
 protected:
  // Runs the check on the file as WriteLine does; true when it was due, and
  // so took the file, closed it and became the last check.
  bool Check() {
    LogFile file = LogFile::Open(path_, OpenMode::kOpenReadWrite);
    const std::optional<DateTime> due =
        AgeCheckDue(limits_.max_age, file, last_check_, [this] { return now_; });
    if (!due) return false;
    last_check_ = *due;
    CheckAgeLimit(limits_, std::move(file), *due);
    return true;
  }

  TempFolder dir_;
  const std::string path_ = dir_ / "app.log";
  DateTime now_ = test::FixedMoment();
  DateTime last_check_ = 0;
  LogLimits limits_{path_, 1048576, true, 10, 1.0, "dd/mm/yyyy hh:nn:ss.zzz"};
};

TEST_F(AgeLimit, CutsTheHeadOnceTheOldestLineIsPastFourThirdsOfMaxAge) {
  for (bool level_char : {false, true}) {
    const std::string old_part = "first line, never dated\r\n" +
                                 DatedLines(now_ - 33 * kHour, now_ - 25 * kHour, level_char);
    const std::string young_part = DatedLines(now_ - 23 * kHour, now_, level_char);
    // The line break before the first young line must lie where the scan looks.
    ASSERT_LT((old_part.size() - 1) % kAgeScanBlock, kAgeScanBlock - 1 - (2 * kStampLength + 5));
    test::WriteFileBytes(path_, old_part + young_part);
    last_check_ = 0;

    EXPECT_TRUE(Check());
    EXPECT_EQ(ReadFileBytes(path_), young_part) << "level characters: " << level_char;
    EXPECT_EQ(last_check_, now_);
    EXPECT_TRUE(platform::FindFiles(path_ + "_*").empty());
  }
}

TEST_F(AgeLimit, LeavesAFileWhoseOldestLineIsWithinFourThirdsAlone) {
  const std::string content = "first\r\n" + DatedLines(now_ - 25 * kHour, now_, false);
  test::WriteFileBytes(path_, content);
  EXPECT_TRUE(Check()) << "the gates passed, so the file is closed";
  EXPECT_EQ(ReadFileBytes(path_), content);
  EXPECT_EQ(last_check_, now_);
}

TEST_F(AgeLimit, ChecksOnlyWithAnAgeLimitAFileAboveOneBlockOncePerMinute) {
  const std::string old = "first\r\n" + DatedLines(now_ - 40 * kHour, now_ - 30 * kHour, false) +
                          DatedLines(now_ - 20 * kHour, now_, false);
  test::WriteFileBytes(path_, old);

  limits_.max_age = 0;
  EXPECT_FALSE(Check());
  limits_.max_age = 1.0;
  last_check_ = now_ - 30.0 / 86400;
  EXPECT_FALSE(Check()) << "checked 30 s ago";
  EXPECT_EQ(ReadFileBytes(path_), old);

  test::WriteFileBytes(path_, old.substr(old.size() - kAgeScanBlock));
  last_check_ = 0;
  EXPECT_FALSE(Check()) << "a file of one block is not checked";

  test::WriteFileBytes(path_, old);
  now_ += 31.0 / 86400;
  EXPECT_TRUE(Check()) << "61 s after the last check";
  EXPECT_LT(ReadFileBytes(path_).size(), old.size());
}

TEST_F(AgeLimit, InArchiveModeRotatesTheWholeFile) {
  const std::string content = "first\r\n" + DatedLines(now_ - 33 * kHour, now_, false);
  test::WriteFileBytes(path_, content);
  limits_.trim_in_place = false;
  EXPECT_TRUE(Check());
  EXPECT_FALSE(platform::FileExists(path_));
  EXPECT_EQ(ReadFileBytes(path_ + "000"), content);
}

TEST_F(AgeLimit, WhenEveryScannedLineExpiredKeepsTheUnscannedTailFromALineStart) {
  const std::string content = "first\r\n" + DatedLines(now_ - 60 * kHour, now_ - 30 * kHour, false);
  test::WriteFileBytes(path_, content);
  EXPECT_TRUE(Check());
  const std::string kept = ReadFileBytes(path_);
  ASSERT_LT(kept.size(), content.size());
  EXPECT_TRUE(content.ends_with(kept));
  EXPECT_EQ(content[content.size() - kept.size() - 1], '\n');
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LE(kept.size(), static_cast<size_t>(kAgeScanBlock) + 64);
}

}  // namespace
}  // namespace zelmor::eventlog
