// A connection to a Firebird database.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "components/component.h"
#include "components/string_list.h"

namespace zelmor {

class TIBTransaction;
class TIBDataSet;

class TIBDatabase : public TComponent {
 public:
  explicit TIBDatabase(TComponent* owner = nullptr);
  // Closes the connection as SetConnected(false) does, then lets go of the
  // transactions and datasets that still refer to it.
  ~TIBDatabase() override;
  const char* ClassName() const override { return "TIBDatabase"; }

  // name=value lines: user_name, password, lc_ctype, sql_role_name.
  TStringList& Params() { return params_; }
  const TStringList& Params() const { return params_; }

  // server/port:path. Changing it while connected raises EIBClientError.
  const std::string& DatabaseName() const { return database_name_; }
  void SetDatabaseName(const std::string& name);

  // Kept for hosts; this runtime never asks anybody for credentials.
  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool value) { login_prompt_ = value; }

  // Seconds an attach may take before it gives up, when Params names no
  // "connect_timeout" of its own; 0 leaves it to the client library.
  int32_t ConnectTimeout() const { return connect_timeout_; }
  void SetConnectTimeout(int32_t seconds) { connect_timeout_ = seconds; }

  bool Connected() const { return handle_ != 0; }
  // True attaches (EIBInterBaseError saying why when it fails, classed as
  // connect_bound.h says, within the connect time-out). False first
  // closes and unprepares the datasets, ends the active transactions by their
  // DefaultAction, then detaches. A connection found lost on the way is
  // let go without an error, so that it can be attached again.
  void SetConnected(bool value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  TIBTransaction* DefaultTransaction() const { return default_transaction_; }
  // A transaction without a database gets this one as its default.
  void SetDefaultTransaction(TIBTransaction* transaction);

  // Creates the database DatabaseName names, with the user and password of
  // Params and their lc_ctype as its default character set, then attaches to
  // it as Open does. Raises EIBClientError while connected or for an
  // lc_ctype that is not a character set name, EIBInterBaseError when the
  // server refuses (the file exists, no right to create it).
  void CreateDatabase();
  // Removes the connected database from the server: its datasets are
  // unprepared, its active transactions rolled back, then the file is
  // deleted and the component is disconnected.
  void DropDatabase();

  // Closes every dataset attached to this database.
  void CloseDataSets();

  // The transactions whose default database this is, and the datasets
  // attached to it, as they are at the moment of the call.
  std::vector<TIBTransaction*> Transactions() const;
  std::vector<TIBDataSet*> DataSets() const;

  // Raises EIBClientError unless connected.
  void CheckConnected() const;
  // The client's attachment handle, for the other components.
  std::uintptr_t& Handle() { return handle_; }

 private:
  friend class TIBTransaction;
  friend class TIBDataSet;
  void AddTransaction(TIBTransaction* transaction);
  void RemoveTransaction(TIBTransaction* transaction);
  void AddDataSet(TIBDataSet* dataset);
  void RemoveDataSet(TIBDataSet* dataset);
  void Attach();
  void Detach();
  void RollBackTransactions();

  TStringList params_;
  std::string database_name_;
  bool login_prompt_ = true;
  int32_t connect_timeout_ = 0;
  std::uintptr_t handle_ = 0;
  TIBTransaction* default_transaction_ = nullptr;
  // Datasets of several threads may share one database.
  mutable std::mutex lists_lock_;
  std::vector<TIBTransaction*> transactions_;
  std::vector<TIBDataSet*> datasets_;
};

}  // namespace zelmor
