// Open, close and execute: warnings, timed lines, error and statement lines.
#include "components/test_server.h"
#include "database/dataset_operations.h"
#include "database/process_state.h"
#include "dataset_log_capture.h"
#include "rtl/exceptions.h"

namespace zelmor::test {
namespace {

using db::FBCloseDataSet;
using db::FBExecDataSet;
using db::FBOpenDataSet;
using Lines = std::vector<std::string>;

class DataSetOperations : public LoggedCase {};

TEST_F(DataSetOperations, MissingDataSetFailsThroughTheErrorPath) {
  EXPECT_THROW(FBOpenDataSet(nullptr, "t"), EIBClientError);
  EXPECT_THROW(FBCloseDataSet(nullptr, "t"), EIBClientError);
  EXPECT_THROW(FBExecDataSet(nullptr, "t"), EIBClientError);
  const std::string error = "No TIBDataSet object given";
  // The logger trims what it writes, so an empty statement ends at the colon.
  EXPECT_EQ(Texts(), (Lines{"[t] Ошибка открытия таблицы: " + error + " ()", "[t] SQL:",
                            "[t] Ошибка закрытия таблицы: " + error + " ()",
                            "[t] Ошибка ExecSQL: " + error + " ()", "[t] SQL:"}));
}

TEST_F(DataSetOperations, FailingOpenWritesErrorThenStatementThenRaises) {
  TIBDataSet dataset;
  dataset.SetName("Q1");
  dataset.SelectSQL().SetText("select 1 from rdb$database");
  try {
    FBOpenDataSet(&dataset, "tag");
    ADD_FAILURE() << "open without a database succeeded";
  } catch (const EIBClientError& error) {
    EXPECT_EQ(error.Message(), "Dataset has no database");
  }
  EXPECT_EQ(Texts(), (Lines{"[tag] Ошибка открытия таблицы: Dataset has no database (Q1)",
                            "[tag] SQL: select 1 from rdb$database"}));
}

TEST_F(DataSetOperations, EachSwitchSteersItsOwnLine) {
  TIBDataSet dataset;
  dataset.SetName("Q1");
  dataset.SelectSQL().SetText("update x set y = 1");

  db::LogDbOperations = false;
  EXPECT_THROW(FBExecDataSet(&dataset, "a"), EIBClientError);
  EXPECT_THROW(FBOpenDataSet(&dataset, "a"), EIBClientError);
  db::LogDbOperations = true;
  db::LogSqlOnError = false;
  EXPECT_THROW(FBExecDataSet(&dataset, "b"), EIBClientError);
  EXPECT_EQ(Texts(), (Lines{"[a] SQL: update x set y = 1", "[a] SQL: update x set y = 1",
                            "[b] Ошибка ExecSQL: Dataset has no database (Q1)"}));
}

TEST_F(DataSetOperations, CloseOfAClosedDataSetOnlyWarnsEvenWithLoggingOff) {
  db::LogDbOperations = false;
  TIBDataSet named;
  named.SetName("Q1");
  TIBDataSet unnamed;
  FBCloseDataSet(&named, "t");
  FBCloseDataSet(&unnamed, "t");
  EXPECT_EQ(Texts(), (Lines{"[t] Таблица УЖЕ закрыта (Q1)", "[t] Таблица УЖЕ закрыта ()"}));
}

class DataSetOperationsOnServer : public DataSetOperations {
 protected:
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = ConnectShared();
    transaction_ = MakeTransaction(*database_, "read_committed\nrec_version\nnowait");
    transaction_->StartTransaction();
    FixTicks(1000, 15);
  }
  std::unique_ptr<TIBDataSet> MakeDataSet(const std::string& name, const std::string& sql) {
    auto dataset = std::make_unique<TIBDataSet>();
    dataset->SetName(name);
    dataset->SetDatabase(database_.get());
    dataset->SetTransaction(transaction_);
    dataset->SelectSQL().SetText(sql);
    return dataset;
  }
  std::string D() const { return "d" + Num(database_.get()); }

  std::unique_ptr<TIBDatabase> database_;
  TIBTransaction* transaction_ = nullptr;
};

TEST_F(DataSetOperationsOnServer, OpenAndCloseAreTimedWithDatabaseAndName) {
  auto dataset = MakeDataSet("Q1", "select rdb$relation_id from rdb$database");
  FBOpenDataSet(dataset.get(), "tag");
  EXPECT_TRUE(dataset->Active());
  FBCloseDataSet(dataset.get(), "tag");
  EXPECT_FALSE(dataset->Active());
  EXPECT_EQ(Texts(), (Lines{"[tag] TAB:OPEN (" + D() + ", Q1, 15 ms)",
                            "[tag] TAB:CLOSE (" + D() + ", Q1, 15 ms)"}));
}

TEST_F(DataSetOperationsOnServer, OpenOfAnOpenDataSetWarnsWithoutReopening) {
  auto dataset = MakeDataSet("Q1", "select rdb$relation_id from rdb$relations order by 1");
  auto unnamed = MakeDataSet("", "select 1 from rdb$database");
  dataset->Open();
  unnamed->Open();
  dataset->Next();
  const std::string second_row = dataset->Fields(0).AsString();
  db::LogDbOperations = false;
  FBOpenDataSet(dataset.get(), "t");
  FBOpenDataSet(unnamed.get(), "t");
  EXPECT_EQ(dataset->Fields(0).AsString(), second_row) << "the dataset was reopened";
  // The unnamed warning ends with " - "; the logger trims the blank.
  EXPECT_EQ(Texts(), (Lines{"[t] Таблица уже открыта - Q1", "[t] Таблица уже открыта -"}));
}

TEST_F(DataSetOperationsOnServer, ExecDoesNotLookAtTheActiveFlag) {
  auto dataset = MakeDataSet("W1", "select 1 from rdb$database");
  FBExecDataSet(dataset.get(), "e");
  dataset->Open();
  EXPECT_THROW(FBExecDataSet(dataset.get(), "e"), EIBClientError);
  EXPECT_EQ(Texts(), (Lines{"[e] ExecSQL (" + D() + ", W1, 15 ms)",
                            "[e] Ошибка ExecSQL: Cannot run ExecSQL on an open dataset (W1)",
                            "[e] SQL: select 1 from rdb$database"}));
}

TEST_F(DataSetOperationsOnServer, ServerErrorReachesTheCallerUnchanged) {
  auto dataset = MakeDataSet("Q1", "select * from no_such_table_here");
  std::string message;
  try {
    FBOpenDataSet(dataset.get(), "s");
  } catch (const EIBInterBaseError& error) {
    message = error.Message();
    EXPECT_NE(error.SQLCode(), 0) << "the server's codes travel with the very same failure";
  }
  ASSERT_NE(message.find("NO_SUCH_TABLE_HERE"), std::string::npos) << message;
  const Lines texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("[s] Ошибка открытия таблицы: ", 0), 0u) << texts[0];
  EXPECT_EQ(texts[1], "[s] SQL: select * from no_such_table_here");
}

}  // namespace
}  // namespace zelmor::test
