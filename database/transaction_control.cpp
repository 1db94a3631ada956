#include "database/transaction_control.h"

#include <exception>

#include "components/ib_transaction.h"
#include "database/database_piece.h"
#include "database/process_state.h"
#include "rtl/exceptions.h"

namespace zelmor::db {
namespace {

struct TransactionStep {
  void (TIBTransaction::*operation)();
  const char* success_format;
  const char* error_format;
};

const TransactionStep kStart{&TIBTransaction::StartTransaction,
                             "[%s] TRAN:START (%s%s, %d ms)",
                             "[%s] Ошибка старта транзакции: %s (%s)"};
const TransactionStep kCommit{&TIBTransaction::Commit,
                              "[%s] TRAN:COMMIT (%s%s, %d ms)",
                              "[%s] Ошибка подтверждения транзакции: %s - %s"};
const TransactionStep kRollback{&TIBTransaction::Rollback,
                                "[%s] TRAN:ROLLBACK (%s%s, %d ms)",
                                "[%s] Ошибка отката транзакции: %s - %s"};

void RunLogged(const TransactionStep& step, TIBTransaction* transaction,
               const std::string& caller_tag) {
  try {
    TIBTransaction& target = Require(transaction, "TIBTransaction");
    const uint32_t started = Ticks();
    (target.*step.operation)();
    const uint32_t elapsed = Ticks() - started;
    if (LogDbOperations) {
      LogFmt(step.success_format,
             {caller_tag, DatabasePiece(target.DefaultDatabase()), target.Name(), elapsed});
    }
  } catch (const std::exception& error) {
    if (LogDbOperations) {
      LogFmt(step.error_format,
             {caller_tag, error.what(), transaction ? transaction->Name() : std::string()});
    }
    throw;
  }
}

}  // namespace

void FBStartTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunLogged(kStart, transaction, caller_tag);
}

void FBCommitTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunLogged(kCommit, transaction, caller_tag);
}

void FBRollBackTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunLogged(kRollback, transaction, caller_tag);
}

void CommitTransactionWithReOpenDST(TComponent*, TIBTransaction*) {
  throw Exception("Почему это безобразие должно выполняться???");
}

}  // namespace zelmor::db
