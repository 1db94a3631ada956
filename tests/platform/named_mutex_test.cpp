#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "rtl/global_mutex.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::ChildProcess;
using test::TempFolder;

std::string UniqueName(const char* what) {
  return std::string("zelmor test ") + what + " " + std::to_string(platform::CurrentProcessId()) +
         " " + std::to_string(platform::TickCount());
}

// Child: takes the mutex, creates the "held" marker file, then keeps the
// mutex until the "release" file appears (or forever, to be killed).
ZELMOR_CHILD_ROLE(hold_mutex) {
  platform::MutexHandle mutex = CreateGlobalMutex(args.at(0), "", true);
  platform::WaitMutex(mutex);
  test::WriteFileBytes(args.at(1), "held");
  test::WaitUntil([&] { return platform::FileExists(args.at(2)); }, 60000);
  platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
  return 0;
}

TEST(NamedMutex, AnotherProcessWaitsWhileTheHolderKeepsItAndGetsItAfterwards) {
  TempFolder dir;
  const std::string name = UniqueName("wait");
  ChildProcess child("hold_mutex", {name, dir / "held", dir / "release"});
  ASSERT_TRUE(test::WaitUntil([&] { return platform::FileExists(dir / "held"); }));

  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    platform::WaitMutex(mutex);
    acquired = true;
    platform::ReleaseMutex(mutex);
  });
  platform::SleepMs(200);
  EXPECT_FALSE(acquired);
  test::WriteFileBytes(dir / "release", "");
  EXPECT_TRUE(test::WaitUntil([&] { return acquired.load(); }));
  waiter.join();
  EXPECT_EQ(child.Wait(), 0);
  platform::CloseMutex(mutex);
}

TEST(NamedMutex, AKilledHolderReleasesIt) {
  TempFolder dir;
  const std::string name = UniqueName("killed");
  ChildProcess child("hold_mutex", {name, dir / "held", dir / "never"});
  ASSERT_TRUE(test::WaitUntil([&] { return platform::FileExists(dir / "held"); }));
  child.Kill();

  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    platform::WaitMutex(mutex);
    acquired = true;
    platform::ReleaseMutex(mutex);
  });
  EXPECT_TRUE(test::WaitUntil([&] { return acquired.load(); }));
  waiter.join();
  platform::CloseMutex(mutex);
}

TEST(NamedMutex, IsRecursiveForItsOwnerAndSharedByHandlesOfOneProcess) {
  const std::string name = UniqueName("recursive");
  platform::MutexHandle first = CreateGlobalMutex(name, "", true);
  platform::MutexHandle second = CreateGlobalMutex(name, "", true);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);

  platform::WaitMutex(first);
  platform::WaitMutex(second);  // same owner: no deadlock
  std::atomic<bool> other_thread_in{false};
  std::thread other([&] {
    platform::WaitMutex(second);
    other_thread_in = true;
    platform::ReleaseMutex(second);
  });
  platform::ReleaseMutex(second);
  platform::SleepMs(100);
  EXPECT_FALSE(other_thread_in) << "still held once by the owner";
  platform::ReleaseMutex(first);
  EXPECT_TRUE(test::WaitUntil([&] { return other_thread_in.load(); }));
  other.join();
  platform::CloseMutex(first);
  platform::CloseMutex(second);
}

TEST(NamedMutex, NamesBuiltFromLongCyrillicPathsWork) {
  // Lock names are lower-cased file paths with the path characters replaced.
  const std::string name =
      UniqueName("c__зеде_журналы_") + std::string(150, 'x') + "_fbevents.log";
  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  ASSERT_NE(mutex, nullptr);
  {
    NamedMutexGuard guard(mutex);
  }
  platform::CloseMutex(mutex);
}

TEST(NamedMutex, NamesWithPathCharactersAndOverlongNamesWorkOnLinux) {
  if (platform::kPathDelimiter == '\\')
    GTEST_SKIP() << "Windows names hold no backslash and at most MAX_PATH characters";
  const std::string name = UniqueName("odd/name\\with:chars") + std::string(300, 'x');
  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  ASSERT_NE(mutex, nullptr);
  {
    NamedMutexGuard guard(mutex);
  }
  platform::CloseMutex(mutex);
}

TEST(NamedMutex, ANameWindowsRefusesLeavesTheCallerWithoutALockOrRaisesWithTheSystemText) {
  if (platform::kPathDelimiter != '\\') GTEST_SKIP() << "every name is usable on Linux";
  // A backslash after the namespace names a folder that does not exist.
  const std::string name = UniqueName("no\\such folder");
  EXPECT_EQ(CreateGlobalMutex(name, "", false), nullptr);
  try {
    CreateGlobalMutex(name, "Error CreateMutex: ", true);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error CreateMutex: " +
                               platform::SystemErrorMessage(platform::kErrorPathNotFound));
  }
}

// Child: holds the mutex under its machine-wide name, made directly.
ZELMOR_CHILD_ROLE(hold_global_mutex) {
  platform::MutexHandle mutex = platform::CreateMutexNullDacl("Global\\" + args.at(0));
  if (!mutex) return 2;
  platform::WaitMutex(mutex);
  test::WriteFileBytes(args.at(1), "held");
  test::WaitUntil([&] { return platform::FileExists(args.at(2)); }, 60000);
  platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
  return 0;
}

TEST(NamedMutex, TheMachineWideNameIsPreferredAndOpensWithTheNullDacl) {
  ASSERT_EQ(platform::PrepareNullDaclSecurity(), platform::SecurityStep::kOk);
  TempFolder dir;
  const std::string name = UniqueName("global");
  ChildProcess child("hold_global_mutex", {name, dir / "held", dir / "release"});
  ASSERT_TRUE(test::WaitUntil([&] { return platform::FileExists(dir / "held"); }));

  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    NamedMutexGuard guard(mutex);
    acquired = true;
  });
  platform::SleepMs(200);
  EXPECT_FALSE(acquired) << "the child holds the very same mutex";
  test::WriteFileBytes(dir / "release", "");
  EXPECT_TRUE(test::WaitUntil([&] { return acquired.load(); }));
  waiter.join();
  EXPECT_EQ(child.Wait(), 0);
  platform::CloseMutex(mutex);
}

}  // namespace
}  // namespace zelmor
