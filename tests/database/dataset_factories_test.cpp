// The two dataset builders: the transaction each chooses, the start flag,
// the slow line, the error lines at their levels, nothing left on failure.
#include "components/test_server.h"
#include "database/dataset_factories.h"
#include "database/process_state.h"
#include "database/transaction_factory.h"
#include "dataset_log_capture.h"
#include "rtl/exceptions.h"

namespace zelmor::test {
namespace {

using db::FBCreateDataSetForRead;
using db::FBCreateDataSetForRead2;
using db::FBCreateDataSetForWrite;
using db::FBCreateDataSetForWrite2;
using Lines = std::vector<std::string>;

class DataSetFactories : public LoggedCase {
 protected:
  std::string D() const { return "d" + Num(&database_); }
  TIBDatabase database_;  // not connected: nothing here needs the server
};

TEST_F(DataSetFactories, WriteAlwaysMakesItsOwnReadWriteTransaction) {
  database_.SetDefaultTransaction(db::FBCreateTransaction(&database_, db::RC_RO, "", &database_, "?"));
  std::unique_ptr<TIBDataSet> dataset(FBCreateDataSetForWrite(&database_, false, nullptr, "w"));
  TIBTransaction* transaction = dataset->Transaction();
  ASSERT_NE(transaction, database_.DefaultTransaction());
  EXPECT_EQ(transaction->Owner(), dataset.get());
  EXPECT_EQ(transaction->DefaultDatabase(), &database_);
  EXPECT_EQ(transaction->Params().IndexOf("read"), -1);
  EXPECT_EQ(dataset->Database(), &database_);
  EXPECT_EQ(dataset->Owner(), nullptr);
  EXPECT_FALSE(dataset->Active());
  EXPECT_EQ(Texts().back(), "[w] TRAN:CREATE (" + D() + " Тип:RC_RW Владелец:-TIBDataSet)");
}

TEST_F(DataSetFactories, ReadKeepsAReadOnlyDefaultTransaction) {
  TIBTransaction* pooled = db::FBCreateTransaction(&database_, db::RC_RO, "", &database_, "?");
  database_.SetDefaultTransaction(pooled);
  const size_t lines_before = Texts().size();
  std::unique_ptr<TIBDataSet> dataset(FBCreateDataSetForRead(&database_, false, nullptr, "r"));
  EXPECT_EQ(dataset->Transaction(), pooled);
  EXPECT_EQ(Texts().size(), lines_before) << "no transaction is made";
  dataset.reset();
  EXPECT_EQ(database_.DefaultTransaction(), pooled) << "the borrowed transaction outlives the dataset";
}

TEST_F(DataSetFactories, ReadMakesReadOnlyWhereTheDefaultIsMissingOrWrites) {
  std::unique_ptr<TIBDataSet> without_default(
      FBCreateDataSetForRead2(&database_, false, nullptr, "r", "First"));
  database_.SetDefaultTransaction(db::FBCreateTransaction(&database_, db::RC_RW, "", &database_, "?"));
  std::unique_ptr<TIBDataSet> writing_default(
      FBCreateDataSetForRead2(&database_, false, nullptr, "r", "Second"));
  for (TIBDataSet* dataset : {without_default.get(), writing_default.get()}) {
    EXPECT_EQ(dataset->Transaction()->Owner(), dataset);
    EXPECT_EQ(dataset->Transaction()->Params().Lines().back(), "read");
  }
  const Lines texts = Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "[r] TRAN:CREATE (" + D() + " Тип:RC_RO Владелец:First-TIBDataSet)");
  EXPECT_EQ(texts[2], "[r] TRAN:CREATE (" + D() + " Тип:RC_RO Владелец:Second-TIBDataSet)");
}

TEST_F(DataSetFactories, PassedTransactionIsUsedAsIsByBothBuilders) {
  TIBTransaction* read_write = db::FBCreateTransaction(&database_, db::RC_RW, "", &database_, "?");
  std::unique_ptr<TIBDataSet> reading(FBCreateDataSetForRead(&database_, false, read_write, "r"));
  std::unique_ptr<TIBDataSet> writing(FBCreateDataSetForWrite(&database_, false, read_write, "w"));
  EXPECT_EQ(reading->Transaction(), read_write);
  EXPECT_EQ(writing->Transaction(), read_write);
  EXPECT_EQ(Texts().size(), 1u) << "only the test's own creation line";
}

TEST_F(DataSetFactories, WithoutDatabaseTheLinesShowDZero) {
  std::unique_ptr<TIBDataSet> dataset(FBCreateDataSetForWrite(nullptr, false, nullptr, "n"));
  EXPECT_EQ(dataset->Transaction()->DefaultDatabase(), nullptr);
  EXPECT_EQ(dataset->Database(), nullptr);
  EXPECT_THROW(FBCreateDataSetForRead2(nullptr, true, nullptr, "n", "Q"), EIBClientError);
  EXPECT_EQ(Texts(), (Lines{"[n] TRAN:CREATE ( Тип:RC_RW Владелец:-TIBDataSet)",
                            "[n] TRAN:CREATE ( Тип:RC_RO Владелец:Q-TIBDataSet)",
                            "[n] ERROR:TAB:CREATE_R: Transaction has no database (d0, Q)"}));
}

TEST_F(DataSetFactories, FailedStartLeavesNoDataSetAndNoTransaction) {
  // The database is not connected, so the new transaction cannot start.
  EXPECT_THROW(FBCreateDataSetForWrite2(&database_, true, nullptr, "f", "W"), EIBClientError);
  EXPECT_TRUE(database_.DataSets().empty());
  EXPECT_TRUE(database_.Transactions().empty());
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].text, "[f] TRAN:CREATE (" + D() + " Тип:RC_RW Владелец:W-TIBDataSet)");
  EXPECT_EQ(log[1].tag, " [ошиб]") << "the write builder reports at level 2";
  EXPECT_EQ(log[1].text.rfind("[f] ERROR:TAB:CREATE_W: ", 0), 0u) << log[1].text;
  EXPECT_NE(log[1].text.find(" (" + D() + ", W)"), std::string::npos) << log[1].text;
}

TEST_F(DataSetFactories, RefusedNameIsLoggedAtEachBuildersLevel) {
  EXPECT_THROW(FBCreateDataSetForWrite2(&database_, false, nullptr, "a", "1 bad"), EComponentError);
  EXPECT_THROW(FBCreateDataSetForRead2(&database_, false, nullptr, "b", "1 bad"), EComponentError);
  EXPECT_TRUE(database_.DataSets().empty());
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 2u) << "the name fails before any transaction is made";
  EXPECT_EQ(log[0].tag, " [ошиб]");
  EXPECT_EQ(log[1].tag, "");
  EXPECT_EQ(log[0].text.rfind("[a] ERROR:TAB:CREATE_W: ", 0), 0u);
  EXPECT_EQ(log[1].text.rfind("[b] ERROR:TAB:CREATE_R: ", 0), 0u);
  EXPECT_TRUE(log[1].text.ends_with("(" + D() + ", 1 bad)")) << log[1].text;
}

TEST_F(DataSetFactories, SlowLineOnlyAboveFiveHundredMilliseconds) {
  TIBTransaction* transaction = db::FBCreateTransaction(&database_, db::RC_RO, "", &database_, "?");
  FixTicks(7000, 500);
  delete FBCreateDataSetForRead2(&database_, false, transaction, "s", "Exact");
  FixTicks(7000, 501);
  delete FBCreateDataSetForRead2(&database_, false, transaction, "s", "Slow");
  FixTicks(0xFFFFFF00u, 0x300);  // the counter wraps: 768 ms, not a negative time
  delete FBCreateDataSetForWrite(&database_, false, transaction, "s");
  db::LogDbOperations = false;
  FixTicks(7000, 900);
  delete FBCreateDataSetForWrite(&database_, false, transaction, "s");
  const Lines texts = Texts();
  EXPECT_EQ(Lines(texts.begin() + 1, texts.end()),
            (Lines{"[s] TAB:CREATE_R (" + D() + ", Slow, 501 ms)",
                   "[s] TAB:CREATE_W (" + D() + ", , 768 ms)"}));
}

class DataSetFactoriesOnServer : public LoggedCase {
 protected:
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = ConnectShared();
  }
  std::unique_ptr<TIBDatabase> database_;
};

TEST_F(DataSetFactoriesOnServer, StartFlagStartsOnceAndOnlyWhenAsked) {
  std::unique_ptr<TIBDataSet> unstarted(FBCreateDataSetForWrite(database_.get(), false, nullptr, "t"));
  EXPECT_FALSE(unstarted->Transaction()->InTransaction());
  std::unique_ptr<TIBDataSet> started(FBCreateDataSetForWrite(database_.get(), true, nullptr, "t"));
  EXPECT_TRUE(started->Transaction()->InTransaction());
  // Already active: not started again, no failure.
  std::unique_ptr<TIBDataSet> shared(
      FBCreateDataSetForRead(database_.get(), true, started->Transaction(), "t"));
  EXPECT_TRUE(shared->Transaction()->InTransaction());
  shared->SelectSQL().SetText("select 1 from rdb$database");
  shared->Open();
  EXPECT_EQ(shared->Fields(0).AsInteger(), 1);
}

}  // namespace
}  // namespace zelmor::test
