// A server that stops while connections are pooled: every call reports it,
// the dead connections leave the pool, nothing hangs. Uses a server of its
// own so other tests are not disturbed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
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


// A dataset keeps its statement prepared across calls; when the attachment
// under it goes (a restart, the pool's replacement of a dead connection, the
// database freed), its next use works on the new attachment or fails with a
// clear error, and freeing it calls nothing on the dropped handle.
TEST_F(PoolServerLossTest, AReusedDataSetOutlivesItsAttachment) {
  ZELMOR_REQUIRE_SERVER();
  OwnServer server;
  ASSERT_TRUE(server.Started());
  const test::PoolTarget own = test::PoolTargetIn(server.Folder());
  ASSERT_FALSE(own.path.empty());
  const auto restart = [&] {
    ASSERT_EQ(test::RunServerScript("kill", server.Folder()), 0);
    ASSERT_EQ(test::RunServerScript("start", server.Folder()), 0);
  };
  const auto read = [](TIBDataSet& dataset) {
    TIBTransaction* transaction = dataset.Database()->DefaultTransaction();
    if (!transaction->InTransaction()) transaction->StartTransaction();
    dataset.Open();
    const int64_t id = dataset.Fields(0).AsInt64();
    dataset.Close();
    dataset.Database()->DefaultTransaction()->Commit();
    return id;
  };
  struct Case {
    const char* name;
    // What happens to the attachment of a dataset prepared on `database`;
    // returns the database the dataset is then used on (null: none).
    std::function<TIBDatabase*(TIBDatabase*& database, TIBDataSet& dataset)> loss;
    bool fails_first;  // the first use after it fails (lost connection)
  };
  const Case cases[] = {
      {"server restart, then reconnect",
       [&](TIBDatabase*& database, TIBDataSet&) {
         restart();
         return database;
       },
       true},
      {"the pool replaces the dead connection",
       [&](TIBDatabase*& database, TIBDataSet& dataset) {
         Return(database);
         restart();
         database = TakeFrom(own, "T");
         dataset.SetDatabase(database);
         return database;
       },
       false},
      {"its database freed first",
       [&](TIBDatabase*& database, TIBDataSet& dataset) {
         db::ClearPool();
         database = nullptr;
         EXPECT_EQ(dataset.Database(), nullptr);
         return database;
       },
       false},
  };
  for (const Case& scenario : cases) {
    SCOPED_TRACE(scenario.name);
    TIBDatabase* database = TakeFrom(own, "T");
    auto dataset = std::make_unique<TIBDataSet>();
    dataset->SetDatabase(database);
    dataset->SelectSQL().SetText("select current_connection from rdb$database");
    const int64_t before = read(*dataset);
    ASSERT_TRUE(dataset->Prepared());
    TIBDatabase* after = scenario.loss(database, *dataset);
    if (!after) {
      EXPECT_THROW(dataset->Open(), EIBClientError);
      dataset.reset();
      continue;
    }
    if (scenario.fails_first) {
      EXPECT_THROW(read(*dataset), EIBInterBaseError);
      after->SetConnected(false);
      after->SetConnected(true);
    }
    EXPECT_NE(read(*dataset), before) << "prepared again on the new attachment";
    dataset.reset();
    if (database) Return(database);
    db::ClearPool();
  }
}

}  // namespace
}  // namespace zelmor
