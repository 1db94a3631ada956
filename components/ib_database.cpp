#include "components/ib_database.h"

#include <algorithm>
#include <exception>

#include "components/connect_bound.h"
#include "components/ib_dataset.h"
#include "components/ib_error_class.h"
#include "components/ib_handle.h"
#include "components/ib_status.h"
#include "components/ib_transaction.h"
#include "components/parameter_blocks.h"
#include "platform/clock.h"
#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

template <typename T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// A text as an SQL string literal.
std::string Quoted(const std::string& text) {
  std::string literal = "'";
  for (char c : text) {
    literal += c;
    if (c == '\'') literal += c;
  }
  return literal + "'";
}

bool IsCharacterSetName(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

}  // namespace

TIBDatabase::TIBDatabase(TComponent* owner) : TComponent(owner) {}

TIBDatabase::~TIBDatabase() {
  try {
    SetConnected(false);
  } catch (const std::exception&) {
    // A destructor cannot report; the attachment is let go with the object.
  }
  for (TIBDataSet* dataset : DataSets()) dataset->ForgetDatabase();
  for (TIBTransaction* transaction : Transactions()) transaction->ForgetDatabase();
  if (default_transaction_) default_transaction_->RemoveDefaultOf(this);
  DestroyComponents();
}

void TIBDatabase::SetDatabaseName(const std::string& name) {
  if (name == database_name_) return;
  if (Connected()) throw EIBClientError("Cannot change the database name while connected");
  database_name_ = name;
}

void TIBDatabase::CheckConnected() const {
  if (!Connected()) throw EIBClientError("Database not connected");
}

void TIBDatabase::SetConnected(bool value) {
  if (value == Connected()) return;
  value ? Attach() : Detach();
}

void TIBDatabase::Attach() {
  if (database_name_.empty()) throw EIBClientError("Database name is missing");
  // The parameter may be written with its "isc_dpb_" prefix too.
  std::string own_bound = params_.Values("connect_timeout");
  if (own_bound.empty()) own_bound = params_.Values("isc_dpb_connect_timeout");
  TStringList params = params_;
  if (own_bound.empty() && connect_timeout_ > 0) {
    own_bound = std::to_string(connect_timeout_);
    params.SetValues("connect_timeout", own_bound);
  }
  const std::string dpb = BuildDPB(params);
  long long bound = 0;
  TryStrToInt(Trim(own_bound), bound);
  const auto timeout_s = static_cast<int32_t>(bound);
  CheckServerTakesConnections(database_name_, timeout_s);
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  const uint32_t started = platform::TickCount();
  {
    ApiHandle db(handle_);
    api.isc_attach_database(status.get(), static_cast<short>(database_name_.size()),
                            database_name_.c_str(), db.ptr(), static_cast<short>(dpb.size()),
                            dpb.data());
  }
  if (status.Failed()) {
    handle_ = 0;
    RaiseAttachFailure(status, database_name_, timeout_s, platform::TickCount() - started);
  }
}

// Whatever fails on the way, every step is taken, so that the datasets,
// transactions and the attachment are released on the server; the first
// failure is raised after.
void TIBDatabase::Detach() {
  std::exception_ptr first_failure;
  const auto keep = [&first_failure] {
    if (!first_failure) first_failure = std::current_exception();
  };
  // Statements are dropped before the attachment they live on.
  for (TIBDataSet* dataset : DataSets()) {
    try {
      dataset->Unprepare();
    } catch (const std::exception&) {
      keep();
    }
  }
  for (TIBTransaction* transaction : Transactions()) {
    try {
      transaction->EndForced();
    } catch (const EIBInterBaseError& error) {
      // A lost connection has ended the transaction already; the detach
      // below lets the attachment go.
      if (IBErrorClassOf(error) != TIBErrorClass::kLostConnection) keep();
    }
  }
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle db(handle_);
    api.isc_detach_database(status.get(), db.ptr());
  }
  if (status.Failed()) {
    if (status.ConnectionLost()) {
      handle_ = 0;
    } else {
      try {
        status.Raise();
      } catch (const EIBInterBaseError&) {
        keep();
      }
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

void TIBDatabase::CreateDatabase() {
  if (Connected()) throw EIBClientError("Database already connected");
  if (database_name_.empty()) throw EIBClientError("Database name is missing");
  std::string sql = "CREATE DATABASE " + Quoted(database_name_);
  if (const std::string user = params_.Values("user_name"); !user.empty())
    sql += " USER " + Quoted(user);
  if (const std::string password = params_.Values("password"); !password.empty())
    sql += " PASSWORD " + Quoted(password);
  if (const std::string charset = params_.Values("lc_ctype"); !charset.empty()) {
    if (!IsCharacterSetName(charset))
      throw EIBClientError("Not a character set name: " + charset);
    sql += " DEFAULT CHARACTER SET " + charset;
  }
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  IBHandle created = 0;
  IBHandle no_transaction = 0;
  {
    ApiHandle db(created);
    ApiHandle transaction(no_transaction);
    api.isc_dsql_execute_immediate(status.get(), db.ptr(), transaction.ptr(), 0, sql.c_str(),
                                   SQL_DIALECT_V6, nullptr);
  }
  status.Check();
  // The attachment the statement made has no character set of its own; the
  // component attaches anew with its parameters.
  IBStatus detach;
  {
    ApiHandle db(created);
    api.isc_detach_database(detach.get(), db.ptr());
  }
  detach.Check();
  Attach();
}

void TIBDatabase::DropDatabase() {
  CheckConnected();
  for (TIBDataSet* dataset : DataSets()) dataset->Unprepare();
  RollBackTransactions();
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  {
    ApiHandle db(handle_);
    api.isc_drop_database(status.get(), db.ptr());
  }
  status.Check();
  handle_ = 0;
}

void TIBDatabase::RollBackTransactions() {
  for (TIBTransaction* transaction : Transactions()) {
    if (transaction->InTransaction()) transaction->End(taRollback);
  }
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* transaction) {
  if (transaction == default_transaction_) return;
  if (default_transaction_) default_transaction_->RemoveDefaultOf(this);
  default_transaction_ = transaction;
  if (transaction) {
    transaction->AddDefaultOf(this);
    if (!transaction->DefaultDatabase()) transaction->SetDefaultDatabase(this);
  }
}

void TIBDatabase::CloseDataSets() {
  for (TIBDataSet* dataset : DataSets()) dataset->Close();
}

std::vector<TIBTransaction*> TIBDatabase::Transactions() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return transactions_;
}

std::vector<TIBDataSet*> TIBDatabase::DataSets() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return datasets_;
}

void TIBDatabase::AddTransaction(TIBTransaction* transaction) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  transactions_.push_back(transaction);
}

void TIBDatabase::RemoveTransaction(TIBTransaction* transaction) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  Erase(transactions_, transaction);
}

void TIBDatabase::AddDataSet(TIBDataSet* dataset) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  datasets_.push_back(dataset);
}

void TIBDatabase::RemoveDataSet(TIBDataSet* dataset) {
  std::lock_guard<std::mutex> guard(lists_lock_);
  Erase(datasets_, dataset);
}

}  // namespace zelmor
