// Linux only: a host window's notification pipe whose reader has gone.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/notification.h"

namespace zelmor {
namespace {

TEST(NotificationPipe, AReaderThatHasGoneFailsThePostAndNeverEndsTheHost) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  // A SIGPIPE here would end the test program.
  EXPECT_FALSE(platform::PostNotification(static_cast<uintptr_t>(ends[1]), 1345));
  ::close(ends[1]);
}

}  // namespace
}  // namespace zelmor
