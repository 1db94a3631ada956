// Start, commit and roll back a host's transaction, each timed and logged.
#pragma once

#include <string>

namespace zelmor {
class TComponent;
class TIBTransaction;
}  // namespace zelmor

namespace zelmor::db {

// The transaction's state is not checked beforehand: the component refuses
// a wrong state, and that failure is logged and raised again unchanged. A
// missing transaction fails the same way.
void FBStartTransaction(TIBTransaction* transaction, const std::string& caller_tag);
void FBCommitTransaction(TIBTransaction* transaction, const std::string& caller_tag);
void FBRollBackTransaction(TIBTransaction* transaction, const std::string& caller_tag);

// Disabled for good: always raises, touches nothing, logs nothing.
[[noreturn]] void CommitTransactionWithReOpenDST(TComponent* owner, TIBTransaction* transaction);

}  // namespace zelmor::db
