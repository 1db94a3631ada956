#include "database/dataset_operations.h"

#include <exception>

#include "components/ib_dataset.h"
#include "database/database_piece.h"
#include "database/process_state.h"

namespace zelmor::db {
namespace {

enum class Guard { kNone, kSkipWhenActive, kSkipWhenInactive };

struct DataSetStep {
  void (TIBDataSet::*operation)();
  Guard guard;
  const char* warning_format;
  const char* success_format;
  const char* error_format;
  bool logs_statement;
};

const DataSetStep kOpen{&TIBDataSet::Open,
                        Guard::kSkipWhenActive,
                        "[%s] Таблица уже открыта - %s",
                        "[%s] TAB:OPEN (%s%s, %d ms)",
                        "[%s] Ошибка открытия таблицы: %s (%s)",
                        true};
const DataSetStep kClose{&TIBDataSet::Close,
                         Guard::kSkipWhenInactive,
                         "[%s] Таблица УЖЕ закрыта (%s)",
                         "[%s] TAB:CLOSE (%s%s, %d ms)",
                         "[%s] Ошибка закрытия таблицы: %s (%s)",
                         false};
const DataSetStep kExec{&TIBDataSet::ExecSQL,
                        Guard::kNone,
                        nullptr,
                        "[%s] ExecSQL (%s%s, %d ms)",
                        "[%s] Ошибка ExecSQL: %s (%s)",
                        true};

bool StoppedByGuard(Guard guard, const TIBDataSet& dataset) {
  switch (guard) {
    case Guard::kSkipWhenActive: return dataset.Active();
    case Guard::kSkipWhenInactive: return !dataset.Active();
    case Guard::kNone: return false;
  }
  return false;
}

void RunLogged(const DataSetStep& step, TIBDataSet* dataset, const std::string& caller_tag) {
  try {
    TIBDataSet& target = Require(dataset, "TIBDataSet");
    if (StoppedByGuard(step.guard, target)) {
      LogFmt(step.warning_format, {caller_tag, target.Name()});
      return;
    }
    const uint32_t started = Ticks();
    (target.*step.operation)();
    const uint32_t elapsed = Ticks() - started;
    if (LogDbOperations) {
      LogFmt(step.success_format,
             {caller_tag, DatabasePiece(target.Database()), target.Name(), elapsed});
    }
  } catch (const std::exception& error) {
    if (LogDbOperations) {
      LogFmt(step.error_format,
             {caller_tag, error.what(), dataset ? dataset->Name() : std::string()});
    }
    // Tested on its own: the statement is wanted even without the other lines.
    if (step.logs_statement && LogSqlOnError) {
      LogFmt("[%s] SQL: %s",
             {caller_tag, dataset ? dataset->SelectSQL().Text() : std::string()});
    }
    throw;
  }
}

}  // namespace

void FBOpenDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunLogged(kOpen, dataset, caller_tag);
}

void FBCloseDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunLogged(kClose, dataset, caller_tag);
}

void FBExecDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunLogged(kExec, dataset, caller_tag);
}

}  // namespace zelmor::db
