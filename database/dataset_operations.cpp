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
                                      lines::kTabOpen,
                                      lines::kTabOpenFailed,
                                      IsActive,
                                      &lines::kTabAlreadyOpen,
                                      StatementOf};
const ComponentStep<TIBDataSet> kClose{"TIBDataSet",
                                       &TIBDataSet::Close,
                                       DatabaseOf,
                                       lines::kTabClose,
                                       lines::kTabCloseFailed,
                                       IsInactive,
                                       &lines::kTabAlreadyClosed};
const ComponentStep<TIBDataSet> kExec{"TIBDataSet",
                                      &TIBDataSet::ExecSQL,
                                      DatabaseOf,
                                      lines::kExecSql,
                                      lines::kExecSqlFailed,
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
