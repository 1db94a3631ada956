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
                                           DatabaseOf, lines::kTranStart, lines::kTranStartFailed};
const ComponentStep<TIBTransaction> kCommit{"TIBTransaction", &TIBTransaction::Commit,
                                            DatabaseOf, lines::kTranCommit, lines::kTranCommitFailed};
const ComponentStep<TIBTransaction> kRollback{"TIBTransaction", &TIBTransaction::Rollback,
                                              DatabaseOf, lines::kTranRollback,
                                              lines::kTranRollbackFailed};

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
