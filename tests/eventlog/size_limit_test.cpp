#include <gtest/gtest.h>

#include <string>

#include "eventlog/archives.h"
#include "eventlog/ldslogger.h"
#include "eventlog_test_support.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::ReadFileBytes;
using test::TempFolder;

// Each line the logger writes here is "07.12.2026 03:51:33.123 x" + CR LF.
constexpr size_t kLoggedLine = 27;

std::string NumberedLines(size_t total, size_t line_length) {
  std::string bytes;
  bytes.reserve(total);
  for (size_t n = 0; bytes.size() < total; ++n) {
    std::string line = "line " + std::to_string(n) + " ";
    line.resize(line_length - 2, '.');
    bytes += line + "\r\n";
  }
  bytes.resize(total);  // the last line may be cut short; what counts is the size
  return bytes;
}

std::unique_ptr<TLDSLogger> InPlaceLogger(const std::string& path, int64_t max_size) {
  auto logger = std::make_unique<TLDSLogger>(path);
  logger->Seam.Clock = [] { return test::FixedMoment(); };
  logger->Options.MaxSize = max_size;
  return logger;
}

TEST(SizeLimit, CutsPastFourThirdsBackToTheLimitFromTheNextLineStart) {
  TempFolder dir;
  const std::string path = dir / "app.log";
  test::WriteFileBytes(path, NumberedLines(1398101 - kLoggedLine, 97));
  auto logger = InPlaceLogger(path, 1048576);
  logger->WriteLine("x", 0);
  const std::string at_trigger = ReadFileBytes(path);
  ASSERT_EQ(at_trigger.size(), 1398101u) << "at the trigger itself nothing is cut";

  logger->WriteLine("x", 0);
  const std::string before_cut = at_trigger + "07.12.2026 03:51:33.123 x\r\n";
  const size_t cut_point = before_cut.size() - 1048576;
  const size_t first_kept = before_cut.find_last_of("\r\n", cut_point - 1) + 1;
  ASSERT_GT(cut_point - first_kept, 0u) << "the test wants the cut point inside a line";
  EXPECT_EQ(ReadFileBytes(path), before_cut.substr(first_kept));
  EXPECT_TRUE(platform::FindFiles(path + "_*").empty()) << "the temporary copy is gone";
}

TEST(SizeLimit, CutsInPlaceOnlyOnceTheFileExceedsMaxSizePlus255) {
  // With MaxSize 300 the size check runs past 400 bytes, but the cut waits
  // until the file holds more than 555.
  TempFolder dir;
  const std::string path = dir / "app.log";
  const std::string content = NumberedLines(430, 43);
  test::WriteFileBytes(path, content);
  auto logger = InPlaceLogger(path, 300);
  for (int n = 0; n < 4; ++n) logger->WriteLine("x", 0);
  std::string grown = content;
  for (int n = 0; n < 4; ++n) grown += "07.12.2026 03:51:33.123 x\r\n";
  ASSERT_EQ(grown.size(), 538u);
  EXPECT_EQ(ReadFileBytes(path), grown) << "538 bytes: checked, not cut";

  logger->WriteLine("x", 0);
  const std::string before_cut = grown + "07.12.2026 03:51:33.123 x\r\n";
  const size_t first_kept = before_cut.find_last_of("\r\n", before_cut.size() - 300 - 1) + 1;
  EXPECT_EQ(ReadFileBytes(path), before_cut.substr(first_kept)) << "565 bytes: cut";
}

TEST(SizeLimit, BackScanExaminesEveryWholeStepAndTakesALoneCrForABreak) {
  // MaxSize 1020 and 1530 bytes after the write: the cut point lies 510
  // bytes into the file, two whole 255-byte steps above its start, and the
  // only break before it is byte 100.
  for (const char* line_break : {"\n", "\r"}) {
    TempFolder dir;
    const std::string path = dir / "app.log";
    const std::string content = std::string(100, 'a') + line_break + std::string(1402, 'b');
    test::WriteFileBytes(path, content);
    auto logger = InPlaceLogger(path, 1020);
    logger->WriteLine("x", 0);
    EXPECT_EQ(ReadFileBytes(path), content.substr(101) + "07.12.2026 03:51:33.123 x\r\n")
        << "break " << static_cast<int>(line_break[0]);
  }
}

TEST(SizeLimit, CutsMidLineWhenNoLineBreakLiesWithinReach) {
  TempFolder dir;
  const std::string path = dir / "app.log";
  // The only break lies in the head that the 255-byte back-scan never reaches.
  std::string content = "head\n" + std::string(5600, 'x');
  test::WriteFileBytes(path, content);
  auto logger = InPlaceLogger(path, 4096);
  logger->WriteLine("x", 0);
  const std::string before_cut = content + "07.12.2026 03:51:33.123 x\r\n";
  EXPECT_EQ(ReadFileBytes(path), before_cut.substr(before_cut.size() - 4096));
}

TEST(SizeLimit, ZeroMaxSizeMeansNoLimit) {
  TempFolder dir;
  const std::string path = dir / "app.log";
  const std::string content = NumberedLines(200000, 50);
  test::WriteFileBytes(path, content);
  auto logger = InPlaceLogger(path, 0);
  logger->WriteLine("x", 0);
  EXPECT_EQ(ReadFileBytes(path).size(), content.size() + kLoggedLine);
}

TEST(SizeLimit, CutsALogPastFourGiBAtTheSamePlace) {
  // A sparse head of about 6 GiB, then real lines: every offset of the cut
  // lies past 4 GiB, with low 32 bits that read negative as a signed number.
  constexpr int64_t kSize = (int64_t{6} << 30) + 5;
  TempFolder dir;
  const std::string path = dir / "app.log";
  const std::string lines = NumberedLines(1100000, 97);
  const uint32_t error = test::CreateSparseFile(path, kSize - static_cast<int64_t>(lines.size()));
  if (test::FileSystemRefusesSize(error)) GTEST_SKIP() << "the file system refuses 6 GiB";
  ASSERT_EQ(error, 0u) << "setting a size of 6 GiB";
  const platform::FileHandle file = platform::OpenExclusive(path);
  ASSERT_NE(file, platform::kInvalidFile);
  ASSERT_GT(platform::FileSeek(file, 0, platform::SeekOrigin::kEnd), int64_t{4} << 30);
  ASSERT_TRUE(platform::FileWriteAll(file, lines.data(), lines.size()));
  platform::FileClose(file);

  auto logger = InPlaceLogger(path, 1048576);
  logger->WriteLine("x", 0);
  const std::string before_cut = lines + "07.12.2026 03:51:33.123 x\r\n";
  const size_t cut_point = before_cut.size() - 1048576;
  const size_t first_kept = before_cut.find_last_of("\r\n", cut_point - 1) + 1;
  EXPECT_EQ(ReadFileBytes(path), before_cut.substr(first_kept));
}

TEST(SizeLimit, InArchiveModeRotatesAndTheNextLineStartsANewFile) {
  TempFolder dir;
  const std::string path = dir / "app.log";
  const std::string content = NumberedLines(1400, 50);
  test::WriteFileBytes(path, content);
  auto logger = InPlaceLogger(path, 1024);
  logger->Options.TrimInPlace = false;
  logger->Options.MaxArchives = 1;
  logger->WriteLine("x", 0);
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_EQ(ReadFileBytes(path + "000"), content + "07.12.2026 03:51:33.123 x\r\n");
  logger->WriteLine("y", 0);
  EXPECT_EQ(ReadFileBytes(path), "07.12.2026 03:51:33.123 y\r\n");
}

}  // namespace
}  // namespace zelmor
