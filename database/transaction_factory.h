// The one place where transactions are made: three fixed kinds, each bound
// to a database, named, owned and announced in the event log.
#pragma once

#include <cstdint>
#include <string>

namespace zelmor {
class TComponent;
class TIBDatabase;
class TIBTransaction;
}  // namespace zelmor

namespace zelmor::db {

// Hosts pass the kind as one byte, so any value may arrive; values beyond
// SS_RW are refused.
enum TTransactionKind : uint8_t {
  RC_RW = 0,  // read committed, newest version, no wait, read-write
  RC_RO = 1,  // as RC_RW, read-only
  SS_RW = 2,  // snapshot, no wait, read-write
};

// "RC_RW", "RC_RO", "SS_RW", or "Неизвестно" for any other value.
std::string TransactionKindName(TTransactionKind kind);

// A new transaction, not started, with the kind's parameter lines, rolling
// back by default. `database` and `owner` may be null; without an owner the
// caller frees it. On failure nothing is left behind: the half-made
// transaction is freed, the error line written and the failure raised as is.
TIBTransaction* FBCreateTransaction(TIBDatabase* database, TTransactionKind kind,
                                    const std::string& name, TComponent* owner,
                                    const std::string& caller_tag);

}  // namespace zelmor::db
