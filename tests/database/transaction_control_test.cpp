// Start, commit and rollback lines; the disabled commit-with-reopen.
#include "components/test_server.h"
#include "database/process_state.h"
#include "database/transaction_control.h"
#include "dataset_log_capture.h"
#include "rtl/exceptions.h"

namespace zelmor::test {
namespace {

using db::FBCommitTransaction;
using db::FBRollBackTransaction;
using db::FBStartTransaction;

class TransactionControl : public LoggedCase {};

// The component's failure, caught as the host would catch it.
template <typename Call>
std::pair<std::string, std::string> FailureOf(Call&& call) {
  try {
    call();
  } catch (const Exception& error) {
    return {error.ClassName(), error.Message()};
  }
  ADD_FAILURE() << "no failure";
  return {};
}

TEST_F(TransactionControl, ReOpenDstAlwaysFailsAndTouchesNothing) {
  TIBTransaction transaction;
  for (TIBTransaction* argument : {static_cast<TIBTransaction*>(nullptr), &transaction}) {
    const auto failure = FailureOf([&] { db::CommitTransactionWithReOpenDST(nullptr, argument); });
    EXPECT_EQ(failure.first, "Exception");
    EXPECT_EQ(failure.second, "Почему это безобразие должно выполняться???");
  }
  EXPECT_FALSE(transaction.InTransaction());
  EXPECT_TRUE(Log().empty());
}

TEST_F(TransactionControl, MissingTransactionFailsThroughTheErrorLine) {
  const auto failure = FailureOf([] { FBStartTransaction(nullptr, "t"); });
  EXPECT_EQ(failure.first, "EIBClientError");
  EXPECT_EQ(Texts(), std::vector<std::string>{"[t] Ошибка старта транзакции: " + failure.second + " ()"});
}

TEST_F(TransactionControl, StartWithoutDatabaseWritesTheComponentsFailure) {
  TIBTransaction transaction;
  transaction.SetName("T1");
  const auto failure = FailureOf([&] { FBStartTransaction(&transaction, "tag"); });
  EXPECT_EQ(failure, std::make_pair(std::string("EIBClientError"), std::string("Transaction has no database")));
  EXPECT_EQ(Texts(), std::vector<std::string>{"[tag] Ошибка старта транзакции: Transaction has no database (T1)"});
}

TEST_F(TransactionControl, WrongStatesFailWithTheirOwnErrorLines) {
  TIBTransaction transaction;
  transaction.SetName("T1");
  EXPECT_EQ(FailureOf([&] { FBCommitTransaction(&transaction, "a"); }).second, "Transaction is not active");
  EXPECT_EQ(FailureOf([&] { FBRollBackTransaction(&transaction, "b"); }).second, "Transaction is not active");
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "[a] Ошибка подтверждения транзакции: Transaction is not active - T1",
                         "[b] Ошибка отката транзакции: Transaction is not active - T1"}));
}

TEST_F(TransactionControl, SwitchOffSilencesSuccessAndFailureAlike) {
  db::LogDbOperations = false;
  TIBTransaction transaction;
  EXPECT_THROW(FBCommitTransaction(&transaction, "a"), EIBClientError);
  EXPECT_THROW(FBStartTransaction(nullptr, "a"), EIBClientError);
  EXPECT_TRUE(Log().empty());
}

class TransactionControlOnServer : public TransactionControl {
 protected:
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = ConnectShared();
    FixTicks(1000, 15);
  }
  std::unique_ptr<TIBDatabase> database_;
};

TEST_F(TransactionControlOnServer, TimedLinesCarryDatabaseNameAndTime) {
  TIBTransaction* named = MakeTransaction(*database_, "read_committed\nrec_version\nnowait");
  named->SetName("T1");
  TIBTransaction* unnamed = MakeTransaction(*database_, "read_committed\nrec_version\nnowait");
  FBStartTransaction(named, "tag");
  EXPECT_TRUE(named->InTransaction());
  FBCommitTransaction(named, "tag");
  EXPECT_FALSE(named->InTransaction());
  FBStartTransaction(unnamed, "");
  FBRollBackTransaction(unnamed, "");
  EXPECT_FALSE(unnamed->InTransaction());

  const std::string d = "d" + Num(database_.get());
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "[tag] TRAN:START (" + d + ", T1, 15 ms)",
                         "[tag] TRAN:COMMIT (" + d + ", T1, 15 ms)",
                         "[] TRAN:START (" + d + ", , 15 ms)",
                         "[] TRAN:ROLLBACK (" + d + ", , 15 ms)"}));
  for (const LogEntry& entry : Log()) EXPECT_EQ(entry.tag, "") << "level 0 has no tag";
}

TEST_F(TransactionControlOnServer, DoubleStartKeepsTheTransactionAndReportsTheComponent) {
  TIBTransaction* transaction = MakeTransaction(*database_, "read_committed\nrec_version\nnowait");
  transaction->SetName("T1");
  FBStartTransaction(transaction, "x");
  const auto failure = FailureOf([&] { FBStartTransaction(transaction, "x"); });
  EXPECT_EQ(failure.first, "EIBClientError");
  EXPECT_TRUE(transaction->InTransaction());
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "[x] Ошибка старта транзакции: " + failure.second + " (T1)");
}

}  // namespace
}  // namespace zelmor::test
