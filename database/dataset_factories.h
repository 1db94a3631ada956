// New datasets bound to a database and a suitable transaction, for writing
// or for reading. The caller owns the dataset and frees it; a transaction
// made here is owned by the dataset and goes with it.
#pragma once

#include <string>

namespace zelmor {
class TIBDatabase;
class TIBDataSet;
class TIBTransaction;
}  // namespace zelmor

namespace zelmor::db {

// Without `transaction`, the dataset always gets a new RC_RW transaction of
// its own, even when the database has a default one. `start` starts the
// dataset's transaction unless it is active already. A creation slower than
// 500 ms is logged; a failure is logged, leaves nothing behind and is raised
// again unchanged. `database` may be null.
TIBDataSet* FBCreateDataSetForWrite(TIBDatabase* database, bool start,
                                    TIBTransaction* transaction, const std::string& caller_tag);
TIBDataSet* FBCreateDataSetForWrite2(TIBDatabase* database, bool start,
                                     TIBTransaction* transaction, const std::string& caller_tag,
                                     const std::string& dataset_name);

// As for writing, but without `transaction` the dataset keeps the
// database's default transaction when that one is read-only (its
// parameters hold the line "read"); otherwise it gets a new RC_RO one.
TIBDataSet* FBCreateDataSetForRead(TIBDatabase* database, bool start,
                                   TIBTransaction* transaction, const std::string& caller_tag);
TIBDataSet* FBCreateDataSetForRead2(TIBDatabase* database, bool start,
                                    TIBTransaction* transaction, const std::string& caller_tag,
                                    const std::string& dataset_name);

}  // namespace zelmor::db
