// A statement with named parameters and, for a query, its rows read forward.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/component.h"
#include "components/ib_field.h"
#include "components/ib_param.h"
#include "components/string_list.h"

namespace zelmor {

class TIBDatabase;
class TIBTransaction;
class IBStatement;

class TIBDataSet : public TComponent {
 public:
  explicit TIBDataSet(TComponent* owner = nullptr);
  // Closes (errors swallowed) and leaves its database and transaction.
  ~TIBDataSet() override;
  const char* ClassName() const override { return "TIBDataSet"; }

  TIBDatabase* Database() const { return database_; }
  // A dataset without a transaction takes the database's default one.
  // Both raise EIBClientError while the dataset is open.
  void SetDatabase(TIBDatabase* database);
  TIBTransaction* Transaction() const { return transaction_; }
  void SetTransaction(TIBTransaction* transaction);

  // The statement, one line per entry; parameters are written :NAME.
  TStringList& SelectSQL() { return select_sql_; }
  const TStringList& SelectSQL() const { return select_sql_; }

  // The parameters of the current statement text, by name ignoring case;
  // an unknown name raises EIBClientError. Values are kept across Open,
  // Close and text changes for names still used.
  TIBParam& ParamByName(const std::string& name);
  int ParamCount();

  bool Active() const { return open_; }
  void SetActive(bool value) { value ? Open() : Close(); }
  // Runs a query and stands on its first row. Needs a connected database
  // and an active transaction (EIBClientError otherwise); a statement that
  // returns no rows is refused: that is what ExecSQL is for.
  void Open();
  // Lets go of the rows. On a lost connection it still closes, quietly.
  void Close();
  // Runs any statement once, without keeping rows or output values. Needs
  // the same as Open, and the dataset closed.
  void ExecSQL();

  // The statement stays prepared on the server from one Open or ExecSQL to
  // the next, and is prepared again only when its text changes. It is
  // dropped when the dataset gets another database (or a transaction of
  // another one), before its database disconnects, and by Unprepare, which
  // also closes the dataset: a prepared statement keeps the tables it
  // names in use, so a DROP or ALTER of one waits for Unprepare.
  bool Prepared() const { return statement_ != nullptr; }
  void Unprepare();

  int FieldCount() const { return open_ ? static_cast<int>(fields_.size()) : 0; }
  TIBField& Fields(int index);
  // By name ignoring case; EIBClientError when there is none.
  TIBField& FieldByName(const std::string& name);
  TIBField* FindField(const std::string& name);

  // Row navigation, forward only; First runs the query again unless the
  // dataset stands on the first row.
  void First();
  void Next();
  bool Eof() const { return eof_; }

 private:
  friend class TIBDatabase;
  friend class TIBTransaction;
  friend class TIBField;
  void CheckReady(const std::string& text) const;
  void RefreshParams();
  // The kept statement, prepared anew when it does not fit the text.
  IBStatement& PreparedStatement();
  void MakeFields();
  void FetchRow();
  // Called by a database or transaction that goes away.
  void ForgetDatabase();
  void ForgetTransaction();

  TIBDatabase* database_ = nullptr;
  TIBTransaction* transaction_ = nullptr;
  TStringList select_sql_;
  std::string parsed_sql_;      // the text the parameters were taken from
  uint64_t parsed_revision_ = 0;  // the revision of SelectSQL it was taken at
  std::string server_sql_;        // that text with ? marks
  std::vector<const TIBParam*> param_order_;  // one per mark, into params_
  std::vector<std::unique_ptr<TIBParam>> params_;
  std::unique_ptr<IBStatement> statement_;
  std::string prepared_sql_;          // the text statement_ was prepared from
  std::uintptr_t prepared_on_ = 0;    // and the attachment it lives on
  std::vector<std::unique_ptr<TIBField>> fields_;
  bool open_ = false;
  bool eof_ = true;
  long row_ = 0;
};

}  // namespace zelmor
