// A server that stops while connections are pooled: every call reports it,
// the dead connections leave the pool, nothing hangs. Uses a server of its
// own so other tests are not disturbed.
#include <gtest/gtest.h>

#include "pool_fixture.h"
#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

using db::PoolSize;
using test::OwnServer;

using PoolServerLossTest = test::PoolTest;

TEST_F(PoolServerLossTest, EveryCallReportsTheLossAndNoDeadConnectionStays) {
  ZELMOR_REQUIRE_SERVER();
  OwnServer server;
  ASSERT_TRUE(server.Started());
  const test::PoolTarget own = test::PoolTargetIn(server.Folder());
  ASSERT_FALSE(own.path.empty());
  TIBDatabase* first = TakeFrom(own, "T");
  TIBDatabase* second = TakeFrom(own, "T");
  TIBDatabase* busy = TakeFrom(own, "T");
  Return(first);
  Return(second);
  ASSERT_EQ(test::RunServerScript("stop", server.Folder()), 0);

  // The client may count the rollback of a lost transaction as done; a
  // failure must come with the context, and the connection is idle anyway.
  try {
    Return(busy, "Back");
  } catch (const EIBError& error) {
    EXPECT_EQ(error.Message().rfind("FBReturnIBDataBaseToPool -> ", 0), 0u) << error.Message();
  }
  EXPECT_EQ(PoolSize(), 3u);

  // The first idle connection is lost: it is closed, freed and reported.
  try {
    TakeFrom(own, "Again");
    FAIL() << "a lost connection was handed out";
  } catch (const EIBError& error) {
    EXPECT_EQ(error.Message().rfind("FBGetIBDataBaseFromPool -> ", 0), 0u) << error.Message();
  }
  EXPECT_EQ(PoolSize(), 2u);
  EXPECT_EQ(LinesWith("[Again] DB:CLOSE (d" + test::NumberText(first)).size(), 1u);

  // Lost connections are let go quietly at the end.
  EXPECT_NO_THROW(db::ClearPool());
  EXPECT_EQ(PoolSize(), 0u);
  EXPECT_EQ(LinesWith("[] DB:CLOSE").size(), 2u);

  // A new connection cannot open: reported, and nothing is kept.
  EXPECT_THROW(TakeFrom(own, "New"), EIBError);
  EXPECT_EQ(PoolSize(), 0u);
  EXPECT_EQ(LinesWith("[New] ERROR FBConnectDB").size(), 1u);
}

}  // namespace
}  // namespace zelmor
