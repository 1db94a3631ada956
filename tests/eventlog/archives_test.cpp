#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eventlog/archives.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor::eventlog {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

TEST(Archives, FindsNumberedFilesOnlyAndSortsThemByNumber) {
  TempFolder dir;
  const std::string log = dir / "FBEvents.log";
  for (const char* name : {"FBEvents.log", "FBEvents.log010", "FBEvents.log7", "FBEvents.log000",
                           "FBEvents.log.bak", "FBEvents.log_412_388", "FBEvents.logx",
                           "FBEvents.log-1", "Other.log001"})
    WriteFileBytes(dir / name, name);
  platform::ForceDirectories(dir / "FBEvents.log002");  // folders are no archives

  std::vector<std::string> found{"stale entry"};
  EXPECT_EQ(FindArchives(log, found), 3);
  EXPECT_EQ(found, (std::vector<std::string>{log + "000", log + "7", log + "010"}));
}

TEST(Archives, BracketsInTheLogsNameAreTakenLiterally) {
  TempFolder dir;
  const std::string log = dir / "br[1].log";
  WriteFileBytes(log, "current");
  RotateArchives(log, 2);
  WriteFileBytes(log, "newer");
  RotateArchives(log, 2);
  std::vector<std::string> found;
  EXPECT_EQ(FindArchives(log, found), 2);
  EXPECT_EQ(found, (std::vector<std::string>{log + "000", log + "001"}));
  EXPECT_EQ(ReadFileBytes(log + "001"), "current");
}

TEST(Archives, WildcardCharactersInTheLogsNameMatchOnlyThemselves) {
  if (platform::kPathDelimiter == '\\') GTEST_SKIP() << "Windows names hold no ? or *";
  TempFolder dir;
  const std::string log = dir / "a?*.log";
  WriteFileBytes(dir / "abc.log000", "another log's archive");
  WriteFileBytes(log + "000", "own archive");
  WriteFileBytes(log, "current");
  std::vector<std::string> found;
  EXPECT_EQ(FindArchives(log, found), 1);
  RotateArchives(log, 1);
  EXPECT_EQ(ReadFileBytes(dir / "abc.log000"), "another log's archive");
  EXPECT_EQ(ReadFileBytes(log + "000"), "current");
}

TEST(Archives, RotationDropsTheOldestBeyondMaxArchivesAndShiftsTheRest) {
  TempFolder dir;
  const std::string log = dir / "FBEvents.log";
  for (int n = 0; n <= 10; ++n) WriteFileBytes(ArchiveName(log, n), "archive " + std::to_string(n));
  WriteFileBytes(log, "current");
  RotateArchives(log, 10);

  EXPECT_FALSE(platform::FileExists(log));
  EXPECT_EQ(ReadFileBytes(log + "000"), "current");
  for (int n = 1; n <= 10; ++n)
    EXPECT_EQ(ReadFileBytes(ArchiveName(log, n)), "archive " + std::to_string(n - 1));
  EXPECT_FALSE(platform::FileExists(log + "011"));
}

TEST(Archives, NumbersPast999GetFourDigitsAndStrayNumbersMoveUp) {
  TempFolder dir;
  const std::string log = dir / "FBEvents.log";
  WriteFileBytes(log + "999", "999");
  WriteFileBytes(log + "7", "seven");
  WriteFileBytes(log, "current");
  RotateArchives(log, 0);  // keep all
  EXPECT_EQ(ReadFileBytes(log + "1000"), "999");
  EXPECT_EQ(ReadFileBytes(log + "008"), "seven");
  EXPECT_EQ(ReadFileBytes(log + "000"), "current");
  EXPECT_FALSE(platform::FileExists(log + "7"));
}

TEST(Archives, ANameWithoutExtensionRotatesThroughDigitSuffixes) {
  TempFolder dir;
  const std::string log = dir / "events";
  WriteFileBytes(log + "_1_2", "temporary copy");
  for (const char* generation : {"first", "second"}) {
    WriteFileBytes(log, generation);
    RotateArchives(log, 10);
  }
  EXPECT_FALSE(platform::FileExists(log));
  EXPECT_EQ(ReadFileBytes(log + "000"), "second");
  EXPECT_EQ(ReadFileBytes(log + "001"), "first");
  EXPECT_EQ(ReadFileBytes(log + "_1_2"), "temporary copy");
}

}  // namespace
}  // namespace zelmor::eventlog
