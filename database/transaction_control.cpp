#include "database/transaction_control.h"

#include "components/ib_transaction.h"
#include "database/component_step.h"
#include "rtl/exceptions.h"

namespace zelmor::db {
namespace {

const TIBDatabase* DatabaseOf(const TIBTransaction& transaction) {
  return transaction.DefaultDatabase();
}

const ComponentStep<TIBTransaction> kStart{"TIBTransaction", &TIBTransaction::StartTransaction,
                                           DatabaseOf, "[%s] TRAN:START (%s%s, %d ms)",
                                           "[%s] Ошибка старта транзакции: %s (%s)"};
const ComponentStep<TIBTransaction> kCommit{"TIBTransaction", &TIBTransaction::Commit,
                                            DatabaseOf, "[%s] TRAN:COMMIT (%s%s, %d ms)",
                                            "[%s] Ошибка подтверждения транзакции: %s - %s"};
const ComponentStep<TIBTransaction> kRollback{"TIBTransaction", &TIBTransaction::Rollback,
                                              DatabaseOf, "[%s] TRAN:ROLLBACK (%s%s, %d ms)",
                                              "[%s] Ошибка отката транзакции: %s - %s"};

}  // namespace

void FBStartTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunComponentStep(kStart, transaction, caller_tag);
}

void FBCommitTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunComponentStep(kCommit, transaction, caller_tag);
}

void FBRollBackTransaction(TIBTransaction* transaction, const std::string& caller_tag) {
  RunComponentStep(kRollback, transaction, caller_tag);
}

void CommitTransactionWithReOpenDST(TComponent*, TIBTransaction*) {
  throw Exception("Почему это безобразие должно выполняться???");
}

}  // namespace zelmor::db
