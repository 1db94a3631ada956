// Folders, environment, modules and error texts of the OS layer.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "rtl/paths.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

const char kDelimiter = platform::kPathDelimiter;

TEST(System, FoldersHaveTheShapeCallersBuildPathsOn) {
  const std::string temp = platform::TempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), kDelimiter);
  EXPECT_TRUE(platform::DirectoryExists(temp));

  const std::string windows = platform::WindowsDirectory();
  ASSERT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), kDelimiter);

  EXPECT_EQ(platform::ZedeHome().back(), kDelimiter);
  EXPECT_EQ(platform::ZedeHome() + platform::kHomeFirebirdFolder,
            ExtractFilePath(platform::ZedeHome() + platform::kHomeFirebirdFolder + "x"));
}

TEST(System, TheHostPathNamesThisProgramAndMissingModulesAreReported) {
  const std::string host = platform::HostExecutablePath();
  EXPECT_TRUE(platform::FileExists(host)) << host;
  EXPECT_NE(ExtractFileName(host).find("platform_tests"), std::string::npos) << host;
  static const int in_this_program = 0;
  EXPECT_EQ(platform::ModulePathOf(&in_this_program), host);

  EXPECT_FALSE(platform::LoadModule("zelmor-no-such-module.dll"));
  EXPECT_EQ(platform::LastError(), platform::kErrorModNotFound);
  EXPECT_FALSE(platform::IsModuleLoaded("zelmor-no-such-module.dll"));
  EXPECT_FALSE(platform::LoadedModule("zelmor-no-such-module.dll"));
  EXPECT_FALSE(platform::ReferenceLoadedModule("zelmor-no-such-module.dll"));
}

TEST(System, EnvironmentVariablesRoundTrip) {
  const std::string name = "ZELMOR_TEST_" + std::to_string(platform::CurrentProcessId());
  EXPECT_EQ(platform::GetEnvironmentVariable(name), "");
  const std::string value = "C:\\ZEDE\\FIREBIRD\\ " + std::string(400, 'v');
  EXPECT_TRUE(platform::SetEnvironmentVariable(name, value));
  EXPECT_EQ(platform::GetEnvironmentVariable(name), value);
  EXPECT_TRUE(platform::SetEnvironmentVariable(name, "x"));
  EXPECT_EQ(platform::GetEnvironmentVariable(name), "x");
}

TEST(System, ErrorTextsHaveNoLineBreakAndTheLastErrorIsPerThread) {
  for (uint32_t code : {platform::kErrorFileNotFound, platform::kErrorPathNotFound,
                        platform::kErrorAccessDenied, platform::kErrorSharingViolation,
                        platform::kErrorLockViolation, platform::kErrorDiskFull}) {
    const std::string text = platform::SystemErrorMessage(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), ' ') << text;
  }
  platform::SetLastError(platform::kErrorDiskFull);
  EXPECT_EQ(platform::LastError(), platform::kErrorDiskFull);
}

TEST(System, ClockIdsAndLocale) {
  const platform::LocalTime now = platform::CurrentLocalTime();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond < 1000);
  const uint32_t start = platform::TickCount();
  platform::SleepMs(50);
  EXPECT_GE(platform::TickCount() - start, 25u);
  EXPECT_NE(platform::CurrentProcessId(), 0u);
  EXPECT_NE(platform::CurrentThreadId(), 0u);
  const char separator = platform::LocaleDecimalSeparator();
  EXPECT_TRUE(separator == '.' || separator == ',') << separator;
}

TEST(System, ANotificationToNoTargetIsRefused) {
  EXPECT_FALSE(platform::PostNotification(0x7ff1234, 1345));
}

TEST(System, ClientLibraryNamesStartWithTheFileLoadedByName) {
  const auto names = platform::ClientLibraryNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), platform::kClientLibraryFileName);
  EXPECT_EQ(ExtractFileName(platform::kHomeClientLibraryPath), platform::kClientLibraryFileName);
}

}  // namespace
}  // namespace zelmor
