// What the components do before any connection exists: this part runs on
// every build, also where no Firebird client is installed.
#include <gtest/gtest.h>

#include <cstring>

#include "components/gds_library.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "components/sql_info.h"
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

// Lengths the server sends are checked against the buffers they describe.
TEST(ServerLengthsTest, AVaryingLengthPastItsColumnIsRefused) {
  TIBDataSet dataset;
  alignas(8) char data[64] = {};
  ISC_SHORT indicator = 0;
  XSQLVAR var{};
  var.sqltype = SQL_VARYING | 1;
  var.sqllen = 4;
  var.sqldata = data;
  var.sqlind = &indicator;
  const TIBField field(dataset, &var, "NAME");
  for (const unsigned short length : {0, 4}) {
    std::memcpy(data, &length, 2);
    EXPECT_EQ(field.AsString().size(), length);
  }
  const unsigned short too_long = 40;
  std::memcpy(data, &too_long, 2);
  EXPECT_THROW(field.AsString(), EIBClientError);
}

TEST(ServerLengthsTest, AStatementInfoReplyIsReadWithinItsLength) {
  const char select[] = {isc_info_sql_stmt_type, 4, 0, isc_info_sql_stmt_select, 0, 0, 0,
                         isc_info_end};
  EXPECT_EQ(StatementTypeFromInfo(select, sizeof select), isc_info_sql_stmt_select);
  const char one_byte[] = {isc_info_sql_stmt_type, 1, 0, isc_info_sql_stmt_exec_procedure};
  EXPECT_EQ(StatementTypeFromInfo(one_byte, sizeof one_byte), isc_info_sql_stmt_exec_procedure);

  const char past_the_reply[] = {isc_info_sql_stmt_type, 4, 0, 1, 0};
  const char past_an_integer[] = {isc_info_sql_stmt_type, 5, 0, 1, 0, 0, 0, 0};
  const char empty_value[] = {isc_info_sql_stmt_type, 0, 0, isc_info_end};
  const char huge_length[] = {isc_info_sql_stmt_type, '\xFF', '\xFF', 1, 0, 0, 0};
  const char other_item[] = {isc_info_truncated, 4, 0, 1, 0, 0, 0};
  const char header_only[] = {isc_info_sql_stmt_type, 4};
  for (const auto& [reply, size] :
       {std::pair{past_the_reply, sizeof past_the_reply},
        std::pair{past_an_integer, sizeof past_an_integer},
        std::pair{empty_value, sizeof empty_value}, std::pair{huge_length, sizeof huge_length},
        std::pair{other_item, sizeof other_item}, std::pair{header_only, sizeof header_only}}) {
    EXPECT_THROW(StatementTypeFromInfo(reply, size), EIBClientError) << size;
  }
}

}  // namespace
}  // namespace zelmor
