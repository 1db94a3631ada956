// Waits for a named mutex that fail: the thread holds nothing afterwards,
// the log writer reports the line it could not write to the fallback logger
// and writes nothing unguarded, and an INI operation fails with the reason.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "eventlog/ldslogger.h"
#include "eventlog/log_line.h"
#include "injected_faults.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "settings/ini_lock_name.h"
#include "settings/safe_ini_file.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using platform::FileOp;
using test::InjectedFaults;
using Match = InjectedFaults::Match;

constexpr uint32_t kInvalidHandle = platform::kErrorInvalidHandle;

std::string WaitFailure() {
  return "Error WaitForSingleObject: " + platform::SystemErrorMessage(kInvalidHandle);
}

// True when another thread takes and releases `mutex` within 10 s. The
// thread is left behind, blocked, when it cannot.
bool AnotherThreadTakes(platform::MutexHandle mutex) {
  auto taken = std::make_shared<std::promise<bool>>();
  std::future<bool> result = taken->get_future();
  std::thread([mutex, taken] {
    const bool held = platform::WaitMutex(mutex);
    if (held) platform::ReleaseMutex(mutex);
    taken->set_value(held);
  }).detach();
  return result.wait_for(std::chrono::seconds(10)) == std::future_status::ready && result.get();
}

TEST(MutexWaitFaults, AFailedWaitHoldsNothing) {
  const std::string name = "zelmor-wait-fault-" + std::to_string(platform::CurrentProcessId());
  const platform::MutexHandle mutex = platform::CreateMutexNullDacl("Global\\" + name);
  ASSERT_NE(mutex, nullptr);
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kLock, name, kInvalidHandle, Match::kExactName, 0, 1);
    EXPECT_FALSE(platform::WaitMutex(mutex));
    EXPECT_EQ(platform::LastError(), kInvalidHandle);
    EXPECT_EQ(faults.Injected(), 1);
  }
  ASSERT_TRUE(AnotherThreadTakes(mutex)) << "the failed wait left the mutex owned";
  platform::CloseMutex(mutex);
}

TEST(MutexWaitFaults, ALineIsNeverWrittenWithoutTheMutexAndItsLossIsReported) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  TLDSLogger logger(path);
  const size_t errors_from = test::ErrorsWriterSize();
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kLock, eventlog::MutexNameOf(path), kInvalidHandle, Match::kExactName, 0, 1);
    logger.WriteLine("the lost line", 0);
  }
  EXPECT_FALSE(platform::FileExists(path)) << "nothing is written unguarded";
  const auto errors = test::ErrorsWriterLinesFrom(errors_from);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Ошибка при попытке записи (Lock) в лог \"" + path +
                           "\" строки [the lost line]: " + WaitFailure() + " <EOSError>"),
            std::string::npos)
      << errors[0];

  ASSERT_TRUE(AnotherThreadTakes(logger.Mutex())) << "the failed wait left the mutex owned";
  logger.WriteLine("the next line", 0);
  EXPECT_TRUE(test::ReadFileBytes(path).ends_with(" the next line\r\n"));
}

TEST(MutexWaitFaults, ALockThatFailedIsTriedAgainByEachLineInside) {
  test::TempFolder dir;
  const std::string path = dir / "app.log";
  TLDSLogger logger(path);
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kLock, eventlog::MutexNameOf(path), kInvalidHandle, Match::kExactName, 0, 1);
    EXPECT_FALSE(logger.Lock());
    logger.WriteLine("written under the mutex after all", 0);
    logger.Unlock();
  }
  EXPECT_TRUE(test::ReadFileBytes(path).ends_with(" written under the mutex after all\r\n"));
  EXPECT_TRUE(AnotherThreadTakes(logger.Mutex())) << "Unlock released what the line took";
}

TEST(MutexWaitFaults, AnIniOperationFailsWithTheReasonAndTouchesNothing) {
  test::TempFolder dir;
  const std::string path = dir / "cnf.ini";
  TSafeIniFile ini(path);
  {
    InjectedFaults faults;
    faults.Fail(FileOp::kLock, BuildLockName(path), kInvalidHandle, Match::kExactName, 0, 1);
    try {
      ini.WriteString("FB", "DBPort", "30050");
      ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& error) {
      EXPECT_EQ(error.Message(), "TSafeIniFile.WriteString -> " + WaitFailure());
    }
  }
  EXPECT_FALSE(platform::FileExists(path));
  ini.WriteString("FB", "DBPort", "30050");
  EXPECT_EQ(ini.ReadString("FB", "DBPort", ""), "30050");
}

}  // namespace
}  // namespace zelmor
