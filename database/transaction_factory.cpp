#include "database/transaction_factory.h"

#include <memory>
#include <vector>

#include "components/ib_database.h"
#include "components/ib_transaction.h"
#include "database/logged_step.h"
#include "database/process_state.h"
#include "rtl/exceptions.h"

namespace zelmor::db {
namespace {

bool IsSupported(TTransactionKind kind) { return kind <= SS_RW; }

std::vector<std::string> ParameterLines(TTransactionKind kind) {
  switch (kind) {
    case RC_RW: return {"read_committed", "rec_version", "nowait"};
    case RC_RO: return {"read_committed", "rec_version", "nowait", "read"};
    case SS_RW: return {"concurrency", "nowait"};
  }
  return {};
}

std::string CreationLine(TIBDatabase* database, TTransactionKind kind, const std::string& name,
                         TComponent* owner, const std::string& caller_tag) {
  // Appended piece by piece: each piece is present only when it applies.
  std::string line = Format(lines::kTranCreate.Pattern(), lines::ArgsOf(lines::kTranCreate, caller_tag));
  if (database) line.append("d").append(std::to_string(ObjectNumber(database)));
  if (!name.empty()) line.append(" Имя:").append(name);
  if (database && !database->Name().empty()) line.append(" БД:").append(database->Name());
  line.append(" Тип:").append(TransactionKindName(kind));
  if (owner) line.append(" Владелец:").append(owner->Name()).append("-").append(owner->ClassName());
  line.append(")");
  return line;
}

}  // namespace

std::string TransactionKindName(TTransactionKind kind) {
  switch (kind) {
    case RC_RW: return "RC_RW";
    case RC_RO: return "RC_RO";
    case SS_RW: return "SS_RW";
  }
  return "Неизвестно";
}

TIBTransaction* FBCreateTransaction(TIBDatabase* database, TTransactionKind kind,
                                    const std::string& name, TComponent* owner,
                                    const std::string& caller_tag) {
  const std::string line = CreationLine(database, kind, name, owner, caller_tag);
  std::unique_ptr<TIBTransaction> transaction;
  LoggedStep(
      [&] {
        transaction = std::make_unique<TIBTransaction>(owner);
        transaction->SetDefaultDatabase(database);
        transaction->SetDefaultAction(taRollback);
        transaction->SetName(name);
        if (!IsSupported(kind))
          throw Exception("Заданный тип транзакции не поддерживается: " +
                          TransactionKindName(kind));
        transaction->Params().Assign(ParameterLines(kind));
      },
      [&](const std::exception& error) {
        // Freed before the line, so that an owner never keeps a half-made one.
        transaction.reset();
        if (LogDbOperations)
          WriteLine(lines::kTranCreateFailed, caller_tag, error.what());
      });
  if (LogDbOperations) LogLine(line);
  return transaction.release();
}

}  // namespace zelmor::db
