// A transaction on one database, its kind given by parameter lines.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "components/component.h"
#include "components/string_list.h"

namespace zelmor {

class TIBDatabase;
class TIBDataSet;

// How a transaction still active is ended when its database detaches or the
// transaction is freed.
enum TIBTransactionAction : uint8_t {
  taRollback,
  taCommit,
  taRollbackRetaining,
  taCommitRetaining,
};

class TIBTransaction : public TComponent {
 public:
  explicit TIBTransaction(TComponent* owner = nullptr);
  // Ends an active transaction as a detach does (errors swallowed: a
  // destructor cannot report them) and lets go of its datasets.
  ~TIBTransaction() override;
  const char* ClassName() const override { return "TIBTransaction"; }

  TIBDatabase* DefaultDatabase() const { return default_database_; }
  // Raises EIBClientError while the transaction is active.
  void SetDefaultDatabase(TIBDatabase* database);

  TIBTransactionAction DefaultAction() const { return default_action_; }
  void SetDefaultAction(TIBTransactionAction action) { default_action_ = action; }

  // One parameter per line ("read_committed", "rec_version", "nowait",
  // "read", ...), read when the transaction starts.
  TStringList& Params() { return params_; }
  const TStringList& Params() const { return params_; }

  bool InTransaction() const { return handle_ != 0; }
  // Each raises EIBClientError when the transaction is not in the state it
  // needs ("Transaction is active", "Transaction is not active", no
  // database, database not connected) and EIBInterBaseError when the server
  // refuses. Commit and Rollback close the datasets of the transaction.
  void StartTransaction();
  void Commit();
  void Rollback();
  void CommitRetaining();
  void RollbackRetaining();

  // The client's transaction handle, for datasets.
  std::uintptr_t& Handle() { return handle_; }
  void CheckInTransaction() const;

 private:
  friend class TIBDatabase;
  friend class TIBDataSet;
  // Ends the transaction by `action`; on a lost connection the handle is let
  // go before the error is raised.
  void End(TIBTransactionAction action);
  // Ends an active transaction by its DefaultAction when it must end, at a
  // detach or when it is freed: a commit the server refuses is rolled back
  // so that nothing stays open, and the commit's failure is raised after.
  void EndForced();
  void CloseDataSets();
  void AddDataSet(TIBDataSet* dataset);
  void RemoveDataSet(TIBDataSet* dataset);
  // Called by a database that goes away.
  void ForgetDatabase();
  // The databases that have this one as their default transaction.
  void AddDefaultOf(TIBDatabase* database);
  void RemoveDefaultOf(TIBDatabase* database);

  TIBDatabase* default_database_ = nullptr;
  TIBTransactionAction default_action_ = taCommit;
  TStringList params_;
  std::string tpb_;              // params_ as the client takes them
  uint64_t tpb_revision_ = 0;    // the revision of params_ tpb_ was built from
  std::uintptr_t handle_ = 0;
  mutable std::mutex lists_lock_;
  std::vector<TIBDataSet*> datasets_;
  std::vector<TIBDatabase*> default_of_;
};

}  // namespace zelmor
