// What the components do before any connection exists: this part runs on
// every build, also where no Firebird client is installed.
#include <gtest/gtest.h>

#include "components/gds_library.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

TEST(ClientLibraryTest, AvailableWhereTheSystemHasOne) {
  const bool loaded = GetGDSLibrary().TryIBLoad();
  // A run with a server has a client for every build: the i386 and native
  // packages on Linux, the cross-built GDS32.dll under Wine.
  if (!platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB").empty()) {
    EXPECT_TRUE(loaded);
  }
  if (!loaded) {
    EXPECT_THROW(GetGDSLibrary().Entries(), EIBClientError);
  }
  EXPECT_EQ(GetGDSLibrary().TryIBLoad(), loaded) << "the answer must be stable";
}

TEST(UnconnectedComponentsTest, PropertiesReadBackAsSet) {
  auto* database = new TIBDatabase;
  database->SetName("GSMDatabase");
  database->SetLoginPrompt(false);
  database->SetDatabaseName("127.0.0.1/30050:/nowhere/x.fdb");
  database->Params().SetValues("user_name", "SYSDBA");
  EXPECT_EQ(database->Name(), "GSMDatabase");
  EXPECT_FALSE(database->LoginPrompt());
  EXPECT_EQ(database->DatabaseName(), "127.0.0.1/30050:/nowhere/x.fdb");
  EXPECT_FALSE(database->Connected());

  auto* transaction = new TIBTransaction(database);
  transaction->SetDefaultAction(taRollback);
  database->SetDefaultTransaction(transaction);
  // A default transaction without a database gets this one.
  EXPECT_EQ(transaction->DefaultDatabase(), database);
  EXPECT_EQ(database->DefaultTransaction(), transaction);
  EXPECT_EQ(database->Transactions(), std::vector<TIBTransaction*>{transaction});

  TIBDataSet dataset;
  dataset.SetDatabase(database);
  EXPECT_EQ(dataset.Transaction(), transaction);
  EXPECT_EQ(database->DataSets(), std::vector<TIBDataSet*>{&dataset});

  // Freeing the database frees its transaction and lets go of the dataset.
  delete database;
  EXPECT_EQ(dataset.Database(), nullptr);
  EXPECT_EQ(dataset.Transaction(), nullptr);
}

TEST(UnconnectedComponentsTest, ADataSetKeepsATransactionItWasGiven) {
  TIBDatabase database;
  TIBTransaction own;
  TIBTransaction fallback;
  database.SetDefaultTransaction(&fallback);
  TIBDataSet dataset;
  dataset.SetTransaction(&own);
  dataset.SetDatabase(&database);
  EXPECT_EQ(dataset.Transaction(), &own);
}

TEST(UnconnectedComponentsTest, FreeingATransactionClearsItsUsers) {
  TIBDatabase database;
  auto* transaction = new TIBTransaction;
  database.SetDefaultTransaction(transaction);
  TIBDataSet dataset;
  dataset.SetDatabase(&database);
  ASSERT_EQ(dataset.Transaction(), transaction);
  delete transaction;
  EXPECT_EQ(database.DefaultTransaction(), nullptr);
  EXPECT_EQ(dataset.Transaction(), nullptr);
  EXPECT_TRUE(database.Transactions().empty());
}

TEST(UnconnectedComponentsTest, WrongStatesAreClientErrors) {
  TIBDatabase database;
  TIBTransaction transaction;
  EXPECT_THROW(transaction.StartTransaction(), EIBClientError);  // no database
  transaction.SetDefaultDatabase(&database);
  try {
    transaction.StartTransaction();
    FAIL();
  } catch (const EIBClientError& error) {
    EXPECT_EQ(error.Message(), "Database not connected");
  }
  try {
    transaction.Commit();
    FAIL();
  } catch (const EIBClientError& error) {
    EXPECT_EQ(error.Message(), "Transaction is not active");
  }
  EXPECT_THROW(transaction.Rollback(), EIBClientError);

  TIBDataSet dataset;
  dataset.SelectSQL().SetText("select 1 from rdb$database");
  EXPECT_THROW(dataset.Open(), EIBClientError);  // no database
  dataset.SetDatabase(&database);
  EXPECT_THROW(dataset.Open(), EIBClientError);  // not connected
  EXPECT_THROW(dataset.ExecSQL(), EIBClientError);
  EXPECT_FALSE(dataset.Active());
  EXPECT_NO_THROW(dataset.Close());
  EXPECT_THROW(dataset.FieldByName("X"), EIBClientError);
  EXPECT_THROW(dataset.ParamByName("X"), EIBClientError);
}

TEST(UnconnectedComponentsTest, ParametersFollowTheStatementTextAndKeepValues) {
  TIBDataSet dataset;
  dataset.SelectSQL().SetText("select * from t where a = :A and b = :b");
  dataset.ParamByName("a").SetAsInteger(5);
  EXPECT_EQ(dataset.ParamCount(), 2);
  dataset.SelectSQL().SetText("select * from t where a = :a and c = :C");
  EXPECT_EQ(dataset.ParamByName("A").IntegerValue(), 5);
  EXPECT_TRUE(dataset.ParamByName("c").IsNull());
  EXPECT_THROW(dataset.ParamByName("B"), EIBClientError);
}

}  // namespace
}  // namespace zelmor
