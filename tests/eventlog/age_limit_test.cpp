#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "eventlog/age_limit.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
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

// The line DatedLines writes for the moment `minutes` before `now`.
std::string LineMinutesAgo(DateTime now, int minutes) {
  return FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", now - minutes / 1440.0, LogFormatSettings()) +
         " [инф] event of the past\r\n";
}

// One line a minute, `from` minutes before `now` down to `to` (both included).
std::string LinesMinutesAgo(DateTime now, int from, int to) {
  std::string bytes;
  for (int minutes = from; minutes >= to; --minutes) bytes += LineMinutesAgo(now, minutes);
  return bytes;
}

// What the logger appends in these tests.
constexpr char kWrittenLine[] = "07.12.2026 03:51:33.123 x\r\n";

class AgeLimit : public testing::Test {
 protected:
  // Runs the check on the file as WriteLine does; true when it was due, and
  // so took the file, closed it and became the last check.
  bool Check() {
    LogFile file = LogFile::Open(path_, OpenMode::kOpenReadWrite);
    const std::optional<DateTime> due =
        AgeCheckDue(limits_.max_age, file.Size(), last_check_, [this] { return now_; });
    if (!due) return false;
    last_check_ = *due;
    CheckAgeLimit(limits_, std::move(file), *due);
    return true;
  }

  // Writes one line through a logger of these limits, after which it
  // applies them; the logger is a new one each time, so it has never
  // checked. Returns the file's bytes.
  std::string WriteAndRead() {
    TLDSLogger logger(path_);
    logger.Seam.Clock = [this] { return now_; };
    logger.Options.MaxSize = limits_.max_size;
    logger.Options.TrimInPlace = limits_.trim_in_place;
    logger.Options.MaxArchives = limits_.max_archives;
    logger.Options.MaxAge = limits_.max_age;
    logger.SetDateTimeFormat(std::string(limits_.date_time_format));
    logger.WriteLine("x", 0);
    return ReadFileBytes(path_);
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

TEST_F(AgeLimit, ALineWhoseLineFeedLiesInTheLast2LPlus5BytesOfABlockIsNotExamined) {
  // The line feed before the first young line falls 10 bytes into the first
  // block's blind zone: the scan passes over that line and cuts at the next
  // one, the first young line it examines.
  const std::string expired = LinesMinutesAgo(now_, 2400, 1801);
  const size_t blind_zone_start = kAgeScanBlock - 1 - (2 * kStampLength + 5);
  const size_t line_feed_at = blind_zone_start + 10;
  std::string first = "first line, never dated ";
  first.resize(line_feed_at + 1 - expired.size() - 2, '.');
  const std::string young = LinesMinutesAgo(now_, 1380, 1);
  const std::string content = first + "\r\n" + expired + young;
  ASSERT_EQ(content[line_feed_at], '\n');
  ASSERT_EQ(content.find(LineMinutesAgo(now_, 1380)), line_feed_at + 1);
  test::WriteFileBytes(path_, content);

  const size_t skipped = LineMinutesAgo(now_, 1380).size();
  EXPECT_EQ(WriteAndRead(), young.substr(skipped) + kWrittenLine);
}

TEST_F(AgeLimit, ALineExactlyMaxAgeOldHasExpiredAndTheYoungLinesAfterItStay) {
  const std::string exact = LineMinutesAgo(now_, 1440);
  DateTime stamp = 0;
  ASSERT_TRUE(TryStrToDateTime(exact.substr(0, kStampLength), stamp, LogFormatSettings()));
  ASSERT_EQ(stamp + limits_.max_age, now_) << "the line is exactly MaxAge old";
  const std::string young = LinesMinutesAgo(now_, 1439, 1);
  test::WriteFileBytes(path_, "first\r\n" + LinesMinutesAgo(now_, 1980, 1441) + exact + young);

  EXPECT_EQ(WriteAndRead(), young + kWrittenLine);
}

TEST_F(AgeLimit, TimeOnlyStampsAreDatedToday) {
  // Stamps without a date, one a second from 03:00:00; now is 03:51:33.123
  // and lines expire after 30 minutes: 03:21:33.000 has, 03:21:34.000 has not.
  limits_.date_time_format = "hh:nn:ss.zzz";
  limits_.max_age = 30.0 / 1440;
  std::string old_part;
  std::string young_part;
  for (int second = 0; second < 3093; ++second) {
    const std::string line =
        FormatDateTime("hh:nn:ss.zzz", EncodeTime(3, second / 60, second % 60, 0),
                       LogFormatSettings()) +
        " tick\r\n";
    (second < 1294 ? old_part : young_part) += line;
  }
  ASSERT_TRUE(young_part.starts_with("03:21:34.000 tick"));
  test::WriteFileBytes(path_, old_part + young_part);

  EXPECT_EQ(WriteAndRead(), young_part + "03:51:33.123 x\r\n");
}

TEST_F(AgeLimit, ChecksAgainOnlyWhenMoreThan60SecondsHavePassed) {
  const std::string young = LinesMinutesAgo(now_, 1200, 1);
  std::string content = "first\r\n" + LinesMinutesAgo(now_, 2400, 1800) + young;
  test::WriteFileBytes(path_, content);
  for (const double seconds_ago : {60.0, 59.999}) {
    last_check_ = now_ - seconds_ago / 86400;
    EXPECT_FALSE(Check()) << seconds_ago << " s after the last check";
    EXPECT_EQ(ReadFileBytes(path_), content);
    EXPECT_EQ(last_check_, now_ - seconds_ago / 86400);
  }
  last_check_ = now_ - 60.001 / 86400;
  EXPECT_TRUE(Check());
  EXPECT_EQ(ReadFileBytes(path_), young);
  EXPECT_EQ(last_check_, now_);
}

TEST_F(AgeLimit, InArchiveModeRotatesAtACutPointAndWhenEveryScannedLineExpired) {
  limits_.trim_in_place = false;
  const std::string with_young_lines =
      "first\r\n" + LinesMinutesAgo(now_, 1980, 1500) + LinesMinutesAgo(now_, 1380, 1);
  test::WriteFileBytes(path_, with_young_lines);
  WriteAndRead();
  EXPECT_FALSE(platform::FileExists(path_));
  EXPECT_EQ(ReadFileBytes(path_ + "000"), with_young_lines + kWrittenLine);

  const std::string all_expired = "first\r\n" + LinesMinutesAgo(now_, 3600, 1800);
  test::WriteFileBytes(path_, all_expired);
  WriteAndRead();
  EXPECT_FALSE(platform::FileExists(path_));
  EXPECT_EQ(ReadFileBytes(path_ + "000"), all_expired + kWrittenLine);
  EXPECT_EQ(ReadFileBytes(path_ + "001"), with_young_lines + kWrittenLine);
}

TEST_F(AgeLimit, NeverReadsTheFinalBlockOfTheFile) {
  // 65536 bytes after the write: only the first block is scanned. Its lines
  // have all expired; the young ones begin in the second block, unread, so
  // the file is kept from the last line that starts in the first block.
  const std::string expired = LinesMinutesAgo(now_, 2400, 1730);
  // The first line and the young ones fill what is left; the first line's
  // length makes the sum exact.
  const size_t rest = 2 * kAgeScanBlock - (sizeof kWrittenLine - 1) - expired.size() - 2;
  const int young_lines = static_cast<int>((rest - 5) / LineMinutesAgo(now_, 1).size());
  const std::string young = LinesMinutesAgo(now_, 1380, 1381 - young_lines);
  const std::string first = "first" + std::string(rest - young.size() - 5, '.');
  const std::string content = first + "\r\n" + expired + young;
  ASSERT_EQ(content.size() + sizeof kWrittenLine - 1, 2u * kAgeScanBlock);
  ASSERT_GT(first.size() + 2 + expired.size(), static_cast<size_t>(kAgeScanBlock));
  test::WriteFileBytes(path_, content);

  const size_t last_line_start = content.rfind('\n', kAgeScanBlock - 1) + 1;
  EXPECT_EQ(WriteAndRead(), content.substr(last_line_start) + kWrittenLine);
}

}  // namespace
}  // namespace zelmor::eventlog
