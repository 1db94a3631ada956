// A server that dies under a connection: the next call fails with a server
// error (no crash, no hang), and once the server is back the connection can
// be made again. Uses a server of its own so other tests are not disturbed.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "support/test_support.h"
#include "test_server.h"

namespace zelmor {
namespace {

using test::OwnServer;

TEST(ServerLossTest, AKilledServerTurnsTheNextCallIntoAServerError) {
  ZELMOR_REQUIRE_SERVER();
  OwnServer server;
  ASSERT_TRUE(server.Started());
  const std::string name = test::ServerDatabase(server.Folder());
  ASSERT_FALSE(name.empty());
  auto database = test::Connect(name, test::SharedServer().password);
  auto* transaction = test::MakeTransaction(*database, "read\nread_committed\nrec_version");
  transaction->StartTransaction();
  TIBDataSet query;
  query.SetDatabase(database.get());
  query.SetTransaction(transaction);
  query.SelectSQL().SetText("select rdb$relation_name from rdb$relations");
  query.Open();
  query.Close();

  ASSERT_EQ(test::RunServerScript("kill", server.Folder()), 0);
  try {
    query.Open();
    FAIL() << "a query on a dead server succeeded";
  } catch (const EIBInterBaseError& error) {
    EXPECT_NE(error.IBErrorCode(), 0);
    EXPECT_FALSE(error.Message().empty());
  }
  EXPECT_FALSE(query.Active());
  EXPECT_THROW(transaction->Commit(), EIBInterBaseError);
  EXPECT_FALSE(transaction->InTransaction()) << "a lost transaction is over";
  // Detaching a lost connection lets it go quietly.
  EXPECT_NO_THROW(database->SetConnected(false));
  EXPECT_FALSE(database->Connected());

  ASSERT_EQ(test::RunServerScript("start", server.Folder()), 0);
  ASSERT_EQ(test::ServerDatabase(server.Folder()), name) << "restarted on the same port";
  database->SetConnected(true);
  transaction->StartTransaction();
  query.Open();
  EXPECT_FALSE(query.Eof());
}

}  // namespace
}  // namespace zelmor
