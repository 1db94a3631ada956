#include "components/ib_transaction.h"

#include <algorithm>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_handle.h"
#include "components/ib_status.h"
#include "components/parameter_blocks.h"
#include "rtl/exceptions.h"

namespace zelmor {

namespace {

// The transaction existence block of isc_start_multiple, as the client
// reads it.
struct TransactionExistenceBlock {
  FB_API_HANDLE* database;
  int tpb_length;
  const char* tpb;
};

template <typename T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TIBTransaction::TIBTransaction(TComponent* owner) : TComponent(owner) {}

TIBTransaction::~TIBTransaction() {
  try {
    EndForced();
  } catch (const std::exception&) {
    // A destructor cannot report; what could be ended is ended.
  }
  std::vector<TIBDataSet*> datasets;
  std::vector<TIBDatabase*> default_of;
  {
    std::lock_guard<std::mutex> guard(lists_lock_);
    datasets = datasets_;
    default_of = default_of_;
  }
  for (TIBDataSet* dataset : datasets) dataset->ForgetTransaction();
  for (TIBDatabase* database : default_of) database->default_transaction_ = nullptr;
  if (default_database_) default_database_->RemoveTransaction(this);
  DestroyComponents();
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database) {
  if (database == default_database_) return;
  if (InTransaction()) throw EIBClientError("Cannot change the database of an active transaction");
  if (default_database_) default_database_->RemoveTransaction(this);
  default_database_ = database;
  if (database) database->AddTransaction(this);
}

void TIBTransaction::ForgetDatabase() {
  handle_ = 0;
  default_database_ = nullptr;
}

void TIBTransaction::CheckInTransaction() const {
  if (!InTransaction()) throw EIBClientError("Transaction is not active");
}

void TIBTransaction::StartTransaction() {
  if (InTransaction()) throw EIBClientError("Transaction is active");
  if (!default_database_) throw EIBClientError("Transaction has no database");
  default_database_->CheckConnected();
  if (tpb_revision_ != params_.Revision()) {
    tpb_ = BuildTPB(params_);
    tpb_revision_ = params_.Revision();
  }
  const std::string& tpb = tpb_;
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle db(default_database_->Handle());
    ApiHandle transaction(handle_);
    TransactionExistenceBlock teb{db.ptr(), static_cast<int>(tpb.size()), tpb.data()};
    api.isc_start_multiple(status.get(), transaction.ptr(), 1, &teb);
  }
  if (status.Failed()) {
    handle_ = 0;
    status.Raise();
  }
}

void TIBTransaction::Commit() {
  CheckInTransaction();
  End(taCommit);
}

void TIBTransaction::Rollback() {
  CheckInTransaction();
  End(taRollback);
}

void TIBTransaction::CommitRetaining() {
  CheckInTransaction();
  End(taCommitRetaining);
}

void TIBTransaction::RollbackRetaining() {
  CheckInTransaction();
  End(taRollbackRetaining);
}

void TIBTransaction::End(TIBTransactionAction action) {
  const bool retaining = action == taCommitRetaining || action == taRollbackRetaining;
  // Cursors do not survive the end of their transaction.
  if (!retaining) CloseDataSets();
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle transaction(handle_);
    switch (action) {
      case taCommit: api.isc_commit_transaction(status.get(), transaction.ptr()); break;
      case taRollback: api.isc_rollback_transaction(status.get(), transaction.ptr()); break;
      case taCommitRetaining: api.isc_commit_retaining(status.get(), transaction.ptr()); break;
      case taRollbackRetaining: api.isc_rollback_retaining(status.get(), transaction.ptr()); break;
    }
  }
  if (status.Failed()) {
    // Without a connection the transaction is over whatever was asked.
    if (status.ConnectionLost()) handle_ = 0;
    status.Raise();
  }
}

void TIBTransaction::EndForced() {
  if (!InTransaction()) return;
  if (default_action_ != taCommit && default_action_ != taCommitRetaining) {
    End(taRollback);
    return;
  }
  try {
    End(taCommit);
  } catch (const EIBInterBaseError&) {
    if (InTransaction()) {
      try {
        End(taRollback);
      } catch (const EIBInterBaseError&) {
        // The commit's failure is the one to report.
      }
    }
    throw;
  }
}

void TIBTransaction::CloseDataSets() {
  std::vector<TIBDataSet*> datasets;
  {
    std::lock_guard<std::mutex> guard(lists_lock_);
    datasets = datasets_;
  }
  for (TIBDataSet* dataset : datasets) dataset->Close();
}

void TIBTransaction::AddDataSet(TIBDataSet* dataset) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  datasets_.push_back(dataset);
}

void TIBTransaction::RemoveDataSet(TIBDataSet* dataset) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  Erase(datasets_, dataset);
}

void TIBTransaction::AddDefaultOf(TIBDatabase* database) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  default_of_.push_back(database);
}

void TIBTransaction::RemoveDefaultOf(TIBDatabase* database) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  Erase(default_of_, database);
}

}  // namespace zelmor
