#include "database/dataset_operations.h"

#include "components/ib_dataset.h"
#include "database/component_step.h"

namespace zelmor::db {
namespace {

const TIBDatabase* DatabaseOf(const TIBDataSet& dataset) { return dataset.Database(); }
bool IsActive(const TIBDataSet& dataset) { return dataset.Active(); }
bool IsInactive(const TIBDataSet& dataset) { return !dataset.Active(); }
std::string StatementOf(const TIBDataSet& dataset) { return dataset.SelectSQL().Text(); }

const ComponentStep<TIBDataSet> kOpen{"TIBDataSet",
                                      &TIBDataSet::Open,
                                      DatabaseOf,
                                      "[%s] TAB:OPEN (%s%s, %d ms)",
                                      "[%s] Ошибка открытия таблицы: %s (%s)",
                                      IsActive,
                                      "[%s] Таблица уже открыта - %s",
                                      StatementOf};
const ComponentStep<TIBDataSet> kClose{"TIBDataSet",
                                       &TIBDataSet::Close,
                                       DatabaseOf,
                                       "[%s] TAB:CLOSE (%s%s, %d ms)",
                                       "[%s] Ошибка закрытия таблицы: %s (%s)",
                                       IsInactive,
                                       "[%s] Таблица УЖЕ закрыта (%s)"};
const ComponentStep<TIBDataSet> kExec{"TIBDataSet",
                                      &TIBDataSet::ExecSQL,
                                      DatabaseOf,
                                      "[%s] ExecSQL (%s%s, %d ms)",
                                      "[%s] Ошибка ExecSQL: %s (%s)",
                                      nullptr,
                                      nullptr,
                                      StatementOf};

}  // namespace

void FBOpenDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunComponentStep(kOpen, dataset, caller_tag);
}

void FBCloseDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunComponentStep(kClose, dataset, caller_tag);
}

void FBExecDataSet(TIBDataSet* dataset, const std::string& caller_tag) {
  RunComponentStep(kExec, dataset, caller_tag);
}

}  // namespace zelmor::db
