#include "components/ib_dataset.h"

#include <algorithm>

#include "components/ib_database.h"
#include "components/ib_error_class.h"
#include "components/ib_statement.h"
#include "components/ib_transaction.h"
#include "components/sql_params.h"
#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor {

TIBDataSet::TIBDataSet(TComponent* owner) : TComponent(owner) {}

TIBDataSet::~TIBDataSet() {
  try {
    Unprepare();
  } catch (const std::exception&) {
    // A destructor cannot report; the statement is dropped with the object.
  }
  if (database_) database_->RemoveDataSet(this);
  if (transaction_) transaction_->RemoveDataSet(this);
  DestroyComponents();
}

void TIBDataSet::SetDatabase(TIBDatabase* database) {
  if (database == database_) return;
  if (Active()) throw EIBClientError("Cannot change the database of an open dataset");
  Unprepare();
  if (database_) database_->RemoveDataSet(this);
  database_ = database;
  if (database_) {
    database_->AddDataSet(this);
    if (!transaction_ && database_->DefaultTransaction()) {
      SetTransaction(database_->DefaultTransaction());
    }
  }
}

void TIBDataSet::SetTransaction(TIBTransaction* transaction) {
  if (transaction == transaction_) return;
  if (Active()) throw EIBClientError("Cannot change the transaction of an open dataset");
  // A statement runs in any transaction of its attachment.
  if (transaction && transaction->DefaultDatabase() != database_) Unprepare();
  if (transaction_) transaction_->RemoveDataSet(this);
  transaction_ = transaction;
  if (transaction_) transaction_->AddDataSet(this);
}

// The owner of the handles is going away: whatever freeing the statement
// says, the dataset is closed and unprepared after.
void TIBDataSet::ForgetDatabase() {
  try {
    Unprepare();
  } catch (const std::exception&) {
  }
  database_ = nullptr;
}

void TIBDataSet::ForgetTransaction() {
  try {
    Close();
  } catch (const std::exception&) {
  }
  transaction_ = nullptr;
}

void TIBDataSet::RefreshParams() {
  if (select_sql_.Revision() == parsed_revision_) return;
  std::string text = select_sql_.Text();
  parsed_revision_ = select_sql_.Revision();
  if (text == parsed_sql_ && !server_sql_.empty()) return;
  ParsedSql parsed = ParseSqlParams(text);
  std::vector<std::unique_ptr<TIBParam>> params;
  std::vector<const TIBParam*> order;
  for (const std::string& name : parsed.names) {
    const TIBParam* known = nullptr;
    for (const auto& param : params) {
      if (param->Name() == name) known = param.get();
    }
    if (!known) {
      std::unique_ptr<TIBParam> param;
      for (auto& old : params_) {
        if (old && old->Name() == name) param = std::move(old);
      }
      params.push_back(param ? std::move(param) : std::make_unique<TIBParam>(name));
      known = params.back().get();
    }
    order.push_back(known);
  }
  params_ = std::move(params);
  param_order_ = std::move(order);
  server_sql_ = std::move(parsed.text);
  parsed_sql_ = std::move(text);
}

int TIBDataSet::ParamCount() {
  RefreshParams();
  return static_cast<int>(params_.size());
}

TIBParam& TIBDataSet::ParamByName(const std::string& name) {
  RefreshParams();
  // Hosts mostly write the name as the text does.
  for (const auto& param : params_) {
    if (param->Name() == name) return *param;
  }
  for (const auto& param : params_) {
    if (AnsiSameText(param->Name(), name)) return *param;
  }
  throw EIBClientError("Parameter \"" + name + "\" not found");
}

void TIBDataSet::CheckReady(const std::string& text) const {
  if (!database_) throw EIBClientError("Dataset has no database");
  database_->CheckConnected();
  if (!transaction_) throw EIBClientError("Dataset has no transaction");
  transaction_->CheckInTransaction();
  const bool blank = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) <= ' '; });
  if (blank) throw EIBClientError("Dataset has no statement");
}

IBStatement& TIBDataSet::PreparedStatement() {
  RefreshParams();
  CheckReady(parsed_sql_);
  if (statement_ && (prepared_sql_ != server_sql_ || prepared_on_ != database_->Handle())) {
    Unprepare();
  }
  if (!statement_) {
    auto statement = std::make_unique<IBStatement>(database_->Handle());
    statement->Prepare(transaction_->Handle(), server_sql_, static_cast<int>(param_order_.size()));
    statement_ = std::move(statement);
    prepared_sql_ = server_sql_;
    prepared_on_ = database_->Handle();
    MakeFields();
  }
  return *statement_;
}

void TIBDataSet::Unprepare() {
  Close();
  if (!statement_) return;
  std::unique_ptr<IBStatement> statement = std::move(statement_);
  fields_.clear();
  prepared_sql_.clear();
  // A statement of an attachment that is gone was dropped with it.
  if (!database_ || database_->Handle() != prepared_on_) {
    statement->Abandon();
    return;
  }
  statement->Free();
}

void TIBDataSet::Open() {
  if (Active()) return;
  IBStatement& statement = PreparedStatement();
  if (!statement.ReturnsRows()) {
    throw EIBClientError("The statement returns no rows; run it with ExecSQL");
  }
  statement.Bind(transaction_->Handle(), param_order_);
  statement.Execute(transaction_->Handle());
  open_ = true;
  row_ = 0;
  eof_ = false;
  try {
    FetchRow();
  } catch (...) {
    Close();
    throw;
  }
}

void TIBDataSet::MakeFields() {
  fields_.clear();
  SqlDescription& columns = statement_->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    const XSQLVAR& var = columns.Var(i);
    std::string name(var.aliasname, static_cast<size_t>(var.aliasname_length));
    if (name.empty()) name.assign(var.sqlname, static_cast<size_t>(var.sqlname_length));
    fields_.push_back(std::make_unique<TIBField>(*this, &var, std::move(name)));
  }
}

void TIBDataSet::FetchRow() {
  if (eof_) return;
  if (statement_->Fetch()) {
    ++row_;
  } else {
    eof_ = true;
  }
}

// The cursor is closed, the statement kept. On a lost connection the
// dataset still closes, quietly.
void TIBDataSet::Close() {
  if (!open_) return;
  open_ = false;
  eof_ = true;
  row_ = 0;
  try {
    statement_->CloseCursor();
  } catch (const EIBInterBaseError& error) {
    if (IBErrorClassOf(error) != TIBErrorClass::kLostConnection) throw;
  }
}

void TIBDataSet::ExecSQL() {
  if (Active()) throw EIBClientError("Cannot run ExecSQL on an open dataset");
  IBStatement& statement = PreparedStatement();
  statement.Bind(transaction_->Handle(), param_order_);
  statement.Execute(transaction_->Handle());
  statement.CloseCursor();
}

void TIBDataSet::First() {
  if (!Active()) throw EIBClientError("Dataset is not open");
  const bool on_first_row = row_ == 1 && !eof_;
  const bool empty = row_ == 0 && eof_;
  if (on_first_row || empty) return;
  statement_->CloseCursor();
  statement_->Execute(transaction_->Handle());
  row_ = 0;
  eof_ = false;
  FetchRow();
}

void TIBDataSet::Next() {
  if (!Active()) throw EIBClientError("Dataset is not open");
  FetchRow();
}

TIBField& TIBDataSet::Fields(int index) {
  if (!Active()) throw EIBClientError("Dataset is not open");
  if (index < 0 || index >= FieldCount()) {
    throw EIBClientError("Field index " + IntToStr(index) + " out of range");
  }
  return *fields_[static_cast<size_t>(index)];
}

TIBField* TIBDataSet::FindField(const std::string& name) {
  if (!Active()) return nullptr;
  for (const auto& field : fields_) {
    if (AnsiSameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TIBField& TIBDataSet::FieldByName(const std::string& name) {
  if (!Active()) throw EIBClientError("Dataset is not open");
  if (TIBField* field = FindField(name)) return *field;
  throw EIBClientError("Field \"" + name + "\" not found");
}

}  // namespace zelmor
