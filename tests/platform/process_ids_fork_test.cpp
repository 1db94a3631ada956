// Linux only: the process and thread ids are kept once asked, so a forked
// child must not go on with its parent's.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/process.h"

namespace zelmor {
namespace {

// Exit codes of the child, one per wrong id.
constexpr int kParentProcessId = 1;
constexpr int kParentThreadId = 2;

int CheckIdsInForkedChild() {
  if (platform::CurrentProcessId() != static_cast<uint32_t>(::getpid())) return kParentProcessId;
  if (platform::CurrentThreadId() != static_cast<uint32_t>(::syscall(SYS_gettid)))
    return kParentThreadId;
  return 0;
}

TEST(ProcessIds, AreKeptPerProcessAndThreadAndRenewedInAForkedChild) {
  const uint32_t parent_process = platform::CurrentProcessId();
  const uint32_t parent_thread = platform::CurrentThreadId();
  EXPECT_EQ(platform::CurrentProcessId(), parent_process);
  EXPECT_EQ(platform::CurrentThreadId(), parent_thread);
  uint32_t other_thread = 0;
  std::thread([&] { other_thread = platform::CurrentThreadId(); }).join();
  EXPECT_NE(other_thread, parent_thread);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(CheckIdsInForkedChild());
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the parent's process id, 2: the parent's thread id";
  EXPECT_EQ(platform::CurrentProcessId(), parent_process);
  EXPECT_EQ(platform::CurrentThreadId(), parent_thread);
}

}  // namespace
}  // namespace zelmor
