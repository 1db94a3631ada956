#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "eventlog_test_support.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "rtl/paths.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::ChildProcess;
using test::ReadFileBytes;
using test::TempFolder;

constexpr char kStamp[] = "07.12.2026 03:51:33.123";

void UseFixedClock(TLDSLogger& logger) {
  logger.Seam.Clock = [] { return test::FixedMoment(); };
}

TEST(LogWriter, CreatesAMissingFileAndAppendsLaterLines) {
  TempFolder dir;
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.WriteLine("first", 1);
  logger.WriteLine("second", 0);
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), std::string(kStamp) + " [инф] first\r\n" + kStamp +
                                                 " second\r\n");
}

TEST(LogWriter, TrimsTheTextAndWritesBlankTextAsAnEmptyLine) {
  TempFolder dir;
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.WriteLine("  abc \r\n", 0);
  logger.WriteLine(" \t ", 3);
  logger.WriteLine("", 1);
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), std::string(kStamp) + " abc\r\n\r\n\r\n");
}

TEST(LogWriter, WritesOnlyExistingLevelsThatAreSwitchedOn) {
  TempFolder dir;
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.WriteLine("eight", 8);
  logger.WriteLine("255", 255);
  EXPECT_FALSE(platform::FileExists(dir / "app.log"));

  logger.Options.Levels &= static_cast<eventlog::LevelSet>(~(1u << 4));
  for (uint8_t level = 0; level < 8; ++level) logger.WriteLine("L" + std::to_string(level), level);
  const std::string log = ReadFileBytes(dir / "app.log");
  EXPECT_EQ(test::SplitLines(log).size(), 7u);
  EXPECT_EQ(log.find("L4"), std::string::npos);
  EXPECT_NE(log.find("[событ] L5"), std::string::npos);

  logger.Options.Enabled = false;
  logger.WriteLine("off", 1);
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), log);
}

TEST(LogWriter, ShowsTheMarkersOfTheWritingProcessAndThread) {
  TempFolder dir;
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  logger.Options.ShowProcessId = logger.Options.ShowThreadId = true;
  logger.Options.Prefix = "[Main]";
  logger.WriteLine("TRAN:START", 0);
  const std::string expected = "07.12 03:51:33.123 [Main] <P:" +
                               std::to_string(static_cast<int32_t>(platform::CurrentProcessId())) +
                               ";T:" +
                               std::to_string(static_cast<int32_t>(platform::CurrentThreadId())) +
                               "> TRAN:START\r\n";
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), expected);
}

TEST(LogWriter, PlacesABareFileNameInTheHostExecutablesFolder) {
  TLDSLogger logger("bare-name.log");
  EXPECT_EQ(logger.FileName(), ExtractFilePath(platform::HostExecutablePath()) + "bare-name.log");
}

TEST(LogWriter, KeepsItsMutexWhenOnlyTheLetterCaseOfTheNameChanges) {
  TempFolder dir;
  TLDSLogger logger(dir / "Case.log");
  const platform::MutexHandle first = logger.Mutex();
  ASSERT_NE(first, nullptr);
  logger.SetFileName(dir / "CASE.LOG");
  EXPECT_EQ(logger.Mutex(), first);
  EXPECT_EQ(logger.FileName(), dir / "Case.log");

  logger.SetFileName("");
  EXPECT_EQ(logger.FileName(), dir / "Case.log");

  logger.SetUseGlobalMutex(false);
  EXPECT_EQ(logger.Mutex(), nullptr);
  logger.SetUseGlobalMutex(true);
  EXPECT_EQ(logger.Mutex(), nullptr) << "no mutex until the name is set again";
  logger.SetFileName(dir / "Case.log");
  EXPECT_NE(logger.Mutex(), nullptr) << "the same name creates the missing mutex";
}

TEST(LogWriter, ALineWrittenWhileAnotherThreadRenamesTheLogGoesToTheNewName) {
  TempFolder dir;
  TLDSLogger logger("");
  UseFixedClock(logger);
  std::thread writer;
  {
    TLDSLogger::LockGuard lock(logger);
    writer = std::thread([&] { logger.WriteLine("waited", 0); });
    // Time for the writer to come up against the lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    logger.SetFileName(dir / "app.log");
  }
  writer.join();
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), std::string(kStamp) + " waited\r\n");
}

TEST(LogWriter, GivesUpOnAFileHeldOpenElsewhereAndReportsItToTheFallbackLog) {
  TempFolder dir;
  test::WriteFileBytes(dir / "held.log", "old\r\n");
  test::FileHeldElsewhere holder(dir / "held.log");
  ASSERT_TRUE(holder.Held());

  const size_t errors_before = test::ErrorsWriterSize();
  TLDSLogger logger(dir / "held.log");
  const uint32_t started = platform::TickCount();
  EXPECT_NO_THROW(logger.WriteLine("lost line", 0));
  const uint32_t waited = platform::TickCount() - started;
  EXPECT_EQ(holder.Release(), 0);

  EXPECT_GE(waited, 190u);
  EXPECT_EQ(ReadFileBytes(dir / "held.log"), "old\r\n");
  int reports = 0;
  for (const std::string& line : test::ErrorsWriterLinesFrom(errors_before)) {
    if (line.find(dir / "held.log") == std::string::npos) continue;
    ++reports;
    EXPECT_NE(line.find(" Ошибка при попытке записи (fmOpenReadWrite) в лог \"" +
                        (dir / "held.log") + "\" строки [lost line]: Log file open timeout: 200 ms ("),
              std::string::npos)
        << line;
    EXPECT_TRUE(line.ends_with(") <Exception>")) << line;
  }
  EXPECT_EQ(reports, 1);
}

TEST(LogWriter, ReportsAFailedCreateWithItsStageAndTheRuntimesMessage) {
  TempFolder dir;
  const std::string name = dir / "missing" + platform::kPathDelimiter + "app.log";
  const size_t errors_before = test::ErrorsWriterSize();
  TLDSLogger logger(name);
  logger.Options.NotifyWindow = 0;
  EXPECT_NO_THROW(logger.WriteLine("text", 2));
  int reports = 0;
  for (const std::string& line : test::ErrorsWriterLinesFrom(errors_before)) {
    if (line.find(name) == std::string::npos) continue;
    ++reports;
    EXPECT_NE(line.find("(fmCreate) в лог \"" + name + "\" строки [text]: Cannot create file \"" +
                        name + "\". "),
              std::string::npos)
        << line;
    EXPECT_TRUE(line.ends_with(" <EFCreateError>")) << line;
  }
  EXPECT_EQ(reports, 1);
}

TEST(LogWriter, FallbackLoggerReportsNothingAboutItself) {
  TempFolder dir;
  const size_t errors_before = test::ErrorsWriterSize();
  TLDSLogger logger(dir / "missing" + platform::kPathDelimiter + "app.log");
  logger.Options.IsErrorsWriter = true;
  logger.WriteLine("text", 0);
  for (const std::string& line : test::ErrorsWriterLinesFrom(errors_before))
    EXPECT_EQ(line.find(dir.Path()), std::string::npos) << line;
}

TEST(LogWriter, KeepsRecentLinesForANotifiedTargetUpToItsCap) {
  TempFolder dir;
  // Any open descriptor stands in for the window; the notification itself is
  // fire-and-forget.
  test::WriteFileBytes(dir / "target", "");
  const platform::FileHandle target = platform::OpenShared(dir / "target", true);
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.WriteLine("not kept", 0);
  logger.Options.NotifyWindow = static_cast<uintptr_t>(target);
  logger.Options.MaxRecentLines = 2;
  logger.WriteLine("one", 0);
  logger.WriteLine("two", 0);
  logger.WriteLine("three", 1);
  EXPECT_EQ(logger.RecentLines(),
            (std::vector<std::string>{std::string(kStamp) + " two", std::string(kStamp) + " [инф] three"}));

  logger.SetFileName(dir / "missing" + platform::kPathDelimiter + "app.log");
  logger.WriteLine("four", 0);
  EXPECT_EQ(logger.RecentLines().back(),
            std::string(kStamp) + " four <Ошибка при записи в лог>");
  platform::FileClose(target);
}

TEST(LogWriter, WriteFmtFormatsOrRaisesWithoutWriting) {
  TempFolder dir;
  TLDSLogger logger(dir / "app.log");
  UseFixedClock(logger);
  logger.WriteFmt("%s = %d", {"n", 5}, 0);
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), std::string(kStamp) + " n = 5\r\n");

  try {
    logger.WriteFmt("value %d", {"text"}, 0);
    ADD_FAILURE() << "a mismatched argument must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.ClassName(), "Exception");
    EXPECT_TRUE(error.Message().starts_with("Error args for string [value %d]: ")) << error.Message();
    EXPECT_GT(error.Message().size(), std::string("Error args for string [value %d]: ").size());
  }
  EXPECT_EQ(ReadFileBytes(dir / "app.log"), std::string(kStamp) + " n = 5\r\n");
}

// Child: writes "child" lines to the log until the "stop" file appears.
ZELMOR_CHILD_ROLE(write_until_stopped) {
  test::EventLogUnitScope unit;
  TLDSLogger logger(args.at(0));
  while (!platform::FileExists(args.at(1))) logger.WriteLine("child", 0);
  return 0;
}

TEST(LogWriter, LockKeepsSeveralLinesTogetherWhileAnotherProcessWrites) {
  TempFolder dir;
  ChildProcess child("write_until_stopped", {dir / "app.log", dir / "stop"});
  ASSERT_TRUE(test::WaitUntil(
      [&] { return test::ReadFileBytes(dir / "app.log").find("child") != std::string::npos; }));

  TLDSLogger logger(dir / "app.log");
  logger.Lock();
  logger.WriteLine("first of two", 0);
  platform::SleepMs(50);
  logger.WriteLine("second of two", 0);
  logger.Unlock();
  EXPECT_TRUE(test::WaitUntil([&] {
    const std::string log = ReadFileBytes(dir / "app.log");
    return log.find("child", log.find("second of two")) != std::string::npos;
  })) << "the child goes on writing afterwards";
  test::WriteFileBytes(dir / "stop", "");
  EXPECT_EQ(child.Wait(), 0);

  const auto lines = test::SplitLines(ReadFileBytes(dir / "app.log"));
  size_t first = lines.size();
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].ends_with(" first of two")) first = i;
  ASSERT_LT(first + 1, lines.size());
  EXPECT_TRUE(lines[first + 1].ends_with(" second of two"));
}

}  // namespace
}  // namespace zelmor
