#include "database/dataset_factories.h"

#include <memory>

#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "database/logged_step.h"
#include "database/process_state.h"
#include "database/transaction_factory.h"
#include "eventlog/log_levels.h"

namespace zelmor::db {
namespace {

constexpr uint32_t kSlowCreationMs = 500;

struct Builder {
  bool for_reading;
  uint8_t error_level;
  const lines::Line<lines::Text, lines::Text, lines::ObjectNo, lines::Text>& failure;
  const lines::Line<lines::Text, lines::ObjectNo, lines::Text, lines::Duration>& slow;
};

const Builder kWriteBuilder{false, eventlog::kLevelError, lines::kTabCreateWriteFailed,
                            lines::kTabCreateWrite};
const Builder kReadBuilder{true, eventlog::kLevelPlain, lines::kTabCreateReadFailed,
                           lines::kTabCreateRead};

bool IsReadOnly(const TIBTransaction* transaction) {
  return transaction && transaction->Params().IndexOf("read") >= 0;
}

void ChooseTransaction(const Builder& builder, TIBDataSet& dataset, TIBDatabase* database,
                       TIBTransaction* transaction, const std::string& caller_tag) {
  if (transaction) {
    dataset.SetTransaction(transaction);
    return;
  }
  if (builder.for_reading && IsReadOnly(dataset.Transaction())) return;
  dataset.SetTransaction(FBCreateTransaction(database, builder.for_reading ? RC_RO : RC_RW, "",
                                             &dataset, caller_tag));
}

TIBDataSet* Build(const Builder& builder, TIBDatabase* database, bool start,
                  TIBTransaction* transaction, const std::string& caller_tag,
                  const std::string& dataset_name) {
  const uint32_t started = Ticks();
  // Frees the dataset, with any transaction made for it, on failure.
  auto dataset = std::make_unique<TIBDataSet>();
  LoggedStep(
      [&] {
        if (!dataset_name.empty()) dataset->SetName(dataset_name);
        dataset->SetDatabase(database);
        ChooseTransaction(builder, *dataset, database, transaction, caller_tag);
        TIBTransaction* chosen = dataset->Transaction();
        if (start && !chosen->InTransaction()) chosen->StartTransaction();
      },
      [&](const std::exception& error) {
        if (LogDbOperations) {
          WriteLineAt(builder.error_level, builder.failure, caller_tag, error.what(),
                      lines::ObjectNo{ObjectNumber(database)}, dataset_name);
        }
      });
  if (LogDbOperations) {
    const uint32_t elapsed = Ticks() - started;
    if (elapsed > kSlowCreationMs) {
      WriteLine(builder.slow, caller_tag, lines::ObjectNo{ObjectNumber(database)}, dataset_name,
                lines::Duration{elapsed});
    }
  }
  return dataset.release();
}

}  // namespace

TIBDataSet* FBCreateDataSetForWrite(TIBDatabase* database, bool start,
                                    TIBTransaction* transaction, const std::string& caller_tag) {
  return Build(kWriteBuilder, database, start, transaction, caller_tag, "");
}

TIBDataSet* FBCreateDataSetForWrite2(TIBDatabase* database, bool start,
                                     TIBTransaction* transaction, const std::string& caller_tag,
                                     const std::string& dataset_name) {
  return Build(kWriteBuilder, database, start, transaction, caller_tag, dataset_name);
}

TIBDataSet* FBCreateDataSetForRead(TIBDatabase* database, bool start,
                                   TIBTransaction* transaction, const std::string& caller_tag) {
  return Build(kReadBuilder, database, start, transaction, caller_tag, "");
}

TIBDataSet* FBCreateDataSetForRead2(TIBDatabase* database, bool start,
                                    TIBTransaction* transaction, const std::string& caller_tag,
                                    const std::string& dataset_name) {
  return Build(kReadBuilder, database, start, transaction, caller_tag, dataset_name);
}

}  // namespace zelmor::db
