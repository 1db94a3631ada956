// The named mutex between accounts and between a process and its forked
// child.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "accounts/accounts_test_support.h"
#include "rtl/global_mutex.h"

namespace zelmor {
namespace {

using test::ChildProcess;

// Child: takes the mutex, says so with the "held" marker and keeps it until
// the "release" marker appears.
ZELMOR_CHILD_ROLE(hold_mutex_as_account) {
  platform::MutexHandle mutex = CreateGlobalMutex(args.at(0), "", false);
  if (!mutex) return 2;
  if (!platform::WaitMutex(mutex)) return 3;
  test::WriteFileBytes(args.at(1), "held");
  test::WaitUntil([&] { return platform::FileExists(args.at(2)); }, 60000);
  platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
  return 0;
}

// Child: 0 when the mutex cannot be opened for want of access; 1 when it
// opened and could be taken (another process holds it meanwhile).
ZELMOR_CHILD_ROLE(open_mutex_as_account) {
  platform::MutexHandle mutex = CreateGlobalMutex(args.at(0), "", false);
  if (!mutex) return platform::LastError() == platform::kErrorAccessDenied ? 0 : 2;
  const int taken = platform::WaitMutex(mutex) ? 1 : 3;
  if (taken == 1) platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
  return taken;
}

// True when a thread of this process gets `mutex` within `ms`.
bool TakenWithin(platform::MutexHandle mutex, uint32_t ms, std::thread& waiter,
                 std::atomic<bool>& acquired) {
  waiter = std::thread([&, mutex] {
    NamedMutexGuard guard(mutex);
    acquired = true;
  });
  platform::SleepMs(ms);
  return acquired;
}

TEST(MutexAccounts, ExcludesAStationAccountThatMadeTheLockFile) {
  ZELMOR_REQUIRE_ROOT();
  test::SharedFolder dir;
  const std::string name = test::UniqueName("member");
  // The member makes the lock file, so that it is another account's for root.
  ChildProcess child("hold_mutex_as_account", {name, dir / "held", dir / "release"},
                     ChildProcess::Account::kStationMember);
  ASSERT_TRUE(test::WaitUntil([&] { return platform::FileExists(dir / "held"); }));
  EXPECT_EQ(platform::StatusOf(test::StationLockFolder() + "/" + name).mode, 0660u);

  platform::MutexHandle mutex = CreateGlobalMutex(name, "Error CreateMutex: ", true);
  std::thread waiter;
  std::atomic<bool> acquired{false};
  EXPECT_FALSE(TakenWithin(mutex, 300, waiter, acquired)) << "the member holds the very same lock";
  test::WriteFileBytes(dir / "release", "");
  EXPECT_TRUE(test::WaitUntil([&] { return acquired.load(); }));
  waiter.join();
  EXPECT_EQ(child.Wait(), 0);
  platform::CloseMutex(mutex);
}

TEST(MutexAccounts, AnAccountThatCannotOpenTheLockFileGetsAnErrorNotALockOfItsOwn) {
  ZELMOR_REQUIRE_ROOT();
  const std::string name = test::UniqueName("unreadable");
  platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
  ASSERT_TRUE(platform::WaitMutex(mutex));
  ASSERT_TRUE(platform::SetMode(test::StationLockFolder() + "/" + name, 0600));
  for (const auto account : {ChildProcess::Account::kStationMember, ChildProcess::Account::kNobody}) {
    ChildProcess child("open_mutex_as_account", {name}, account);
    EXPECT_EQ(child.Wait(), 0) << "1: took a lock of its own while root held the mutex";
  }
  platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
}

TEST(MutexFork, AForkedChildWaitsForItsParentsLock) {
  test::TempFolder dir;
  platform::MutexHandle mutex = CreateGlobalMutex(test::UniqueName("fork"), "", true);
  ASSERT_TRUE(platform::WaitMutex(mutex));
  const int pid = platform::ForkProcess();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The parent's handle, as a logger copied by fork() would use it.
    const bool got = platform::WaitMutex(mutex);
    platform::EndForkedChild(!got ? 2 : platform::FileExists(dir / "released") ? 0 : 1);
  }
  platform::SleepMs(300);
  test::WriteFileBytes(dir / "released", "");
  platform::ReleaseMutex(mutex);
  EXPECT_EQ(platform::WaitForkedChild(pid, 10000), 0)
      << "1: the child got the lock while its parent held it";
  platform::CloseMutex(mutex);
}

TEST(MutexFork, AForkWhileAnotherThreadHoldsTheLockLeavesTheChildAbleToTakeIt) {
  test::TempFolder dir;
  platform::MutexHandle mutex = CreateGlobalMutex(test::UniqueName("fork held"), "", true);
  std::promise<void> let_go;
  std::atomic<bool> held{false};
  std::thread holder([&] {
    NamedMutexGuard guard(mutex);
    held = true;
    let_go.get_future().wait();
    test::WriteFileBytes(dir / "released", "");
  });
  while (!held) platform::SleepMs(1);
  const int pid = platform::ForkProcess();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const bool got = platform::WaitMutex(mutex);
    platform::EndForkedChild(!got ? 2 : platform::FileExists(dir / "released") ? 0 : 1);
  }
  platform::SleepMs(200);
  let_go.set_value();
  holder.join();
  EXPECT_EQ(platform::WaitForkedChild(pid, 10000), 0) << "-1000: the child waited forever";
  platform::CloseMutex(mutex);
}

}  // namespace
}  // namespace zelmor
