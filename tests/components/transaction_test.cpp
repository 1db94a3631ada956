// The parameter lines of the suite's three transaction kinds really give
// their behaviour on the server, and wrong states are refused.
#include <gtest/gtest.h>

#include "components/ib_handle.h"
#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

constexpr char kReadWrite[] = "read_committed\nrec_version\nnowait";
constexpr char kReadOnly[] = "read\nread_committed\nrec_version\nnowait";
constexpr char kSnapshot[] = "concurrency\nnowait";

class TransactionTest : public testing::Test {
 protected:
  // The table is made once: a metadata change per case would conflict with
  // whatever an earlier case left attached.
  static void SetUpTestSuite() {
    if (!test::ServerUnavailable().empty()) return;
    test::Execute(*test::ConnectShared(),
                  "recreate table " + Table() + " (id integer primary key, v integer)");
  }
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = test::ConnectShared();
    test::Execute(*database_, "delete from " + table_);
    test::Execute(*database_, "insert into " + table_ + " values (1, 10)");
  }
  static std::string Table() { return test::UniqueTable("T_TRAN"); }

  TIBTransaction* Start(const char* params) {
    TIBTransaction* transaction = test::MakeTransaction(*database_, params);
    transaction->StartTransaction();
    return transaction;
  }
  void Run(TIBTransaction* transaction, const std::string& sql) {
    TIBDataSet statement;
    statement.SetDatabase(database_.get());
    statement.SetTransaction(transaction);
    statement.SelectSQL().SetText(sql);
    statement.ExecSQL();
  }
  int Value(TIBTransaction* transaction) {
    TIBDataSet query;
    query.SetDatabase(database_.get());
    query.SetTransaction(transaction);
    query.SelectSQL().SetText("select v from " + table_ + " where id = 1");
    query.Open();
    return query.Fields(0).AsInteger();
  }

  std::string table_ = Table();
  std::unique_ptr<TIBDatabase> database_;
};

TEST_F(TransactionTest, AWriteInAReadOnlyTransactionFails) {
  TIBTransaction* reader = Start(kReadOnly);
  EXPECT_EQ(reader->Params().IndexOf("read"), 0);
  try {
    Run(reader, "update " + table_ + " set v = 11");
    FAIL() << "the update succeeded";
  } catch (const EIBInterBaseError& error) {
    EXPECT_NE(error.Message().find("read-only"), std::string::npos) << error.Message();
  }
  EXPECT_EQ(Value(reader), 10);
}

TEST_F(TransactionTest, ASnapshotDoesNotSeeALaterCommit) {
  TIBTransaction* snapshot = Start(kSnapshot);
  TIBTransaction* committed_reader = Start(kReadOnly);
  EXPECT_EQ(Value(snapshot), 10);
  TIBTransaction* writer = Start(kReadWrite);
  Run(writer, "update " + table_ + " set v = 20 where id = 1");
  writer->Commit();
  EXPECT_EQ(Value(snapshot), 10);
  EXPECT_EQ(Value(committed_reader), 20);
  snapshot->Commit();
  snapshot->StartTransaction();
  EXPECT_EQ(Value(snapshot), 20);
}

TEST_F(TransactionTest, NowaitFailsAtOnceOnALockConflict) {
  TIBTransaction* first = Start(kReadWrite);
  TIBTransaction* second = Start(kReadWrite);
  Run(first, "update " + table_ + " set v = 30 where id = 1");
  try {
    // With "wait" this would block until the first one ends.
    Run(second, "update " + table_ + " set v = 31 where id = 1");
    FAIL() << "the conflicting update succeeded";
  } catch (const EIBInterBaseError& error) {
    EXPECT_NE(error.Message().find("deadlock"), std::string::npos) << error.Message();
    EXPECT_NE(error.SQLCode(), 0);
  }
  first->Rollback();
  second->Rollback();
}

TEST_F(TransactionTest, WrongStatesAreRefusedWithClearMessages) {
  TIBTransaction* transaction = Start(kReadWrite);
  try {
    transaction->StartTransaction();
    FAIL();
  } catch (const EIBClientError& error) {
    EXPECT_EQ(error.Message(), "Transaction is active");
  }
  EXPECT_THROW(transaction->SetDefaultDatabase(nullptr), EIBClientError);
  transaction->Commit();
  EXPECT_FALSE(transaction->InTransaction());
  try {
    transaction->Rollback();
    FAIL();
  } catch (const EIBClientError& error) {
    EXPECT_EQ(error.Message(), "Transaction is not active");
  }
  transaction->Params().SetText("read_committed\nbogus");
  EXPECT_THROW(transaction->StartTransaction(), EIBClientError);
  EXPECT_FALSE(transaction->InTransaction());
}

TEST_F(TransactionTest, CommitClosesTheDataSetsOfTheTransactionRetainingDoesNot) {
  TIBTransaction* transaction = Start(kReadOnly);
  TIBDataSet query;
  query.SetDatabase(database_.get());
  query.SetTransaction(transaction);
  query.SelectSQL().SetText("select v from " + table_);
  query.Open();
  transaction->CommitRetaining();
  EXPECT_TRUE(query.Active());
  EXPECT_EQ(query.Fields(0).AsInteger(), 10);
  transaction->Commit();
  EXPECT_FALSE(query.Active());
}

TEST_F(TransactionTest, ACallInProgressDoesNotPutBackAHandleACommitZeroed) {
  TIBTransaction* shared = Start(kReadOnly);
  {
    // A fetch on another thread holds the transaction's handle while this
    // thread commits.
    ApiHandle fetch_in_progress(shared->Handle());
    shared->Commit();
  }
  EXPECT_FALSE(shared->InTransaction());
  EXPECT_NO_THROW(shared->StartTransaction()) << "no dead handle stands in the way";
  EXPECT_EQ(Value(shared), 10);
}

}  // namespace
}  // namespace zelmor
