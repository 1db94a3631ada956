// The export table: the functions hosts call by name. Each turns the C
// arguments into the library's own types and calls the operation; failures
// travel on to the host as the very same exception objects.
#include "zelmor/exports.h"

#include <string>

#include "database/connect.h"
#include "database/dataset_factories.h"
#include "database/dataset_operations.h"
#include "database/fuel_database.h"
#include "database/pool.h"
#include "database/transaction_control.h"
#include "database/transaction_factory.h"
#include "settings/connection_params.h"

namespace {

// A null pointer is the empty string.
std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

}  // namespace

using zelmor::TComponent;
using zelmor::TIBDatabase;
using zelmor::TIBDataSet;
using zelmor::TIBTransaction;
namespace db = zelmor::db;

extern "C" {

TIBDatabase* ZELMOR_CALL FBGetIBDataBaseFromPool(const char* database_path, const char* password,
                                                 int32_t port, const char* server,
                                                 const char* user_name, const char* char_set,
                                                 const char* caller_tag) {
  return db::FBGetIBDataBaseFromPool(Text(database_path), Text(password), port, Text(server),
                                     Text(user_name), Text(char_set), Text(caller_tag));
}

void ZELMOR_CALL FBReturnIBDataBaseToPool(TIBDatabase* database, const char* caller_tag) {
  db::FBReturnIBDataBaseToPool(database, Text(caller_tag));
}

void ZELMOR_CALL FBConnectDB(TIBDatabase* database, const char* caller_tag) {
  db::FBConnectDB(database, Text(caller_tag));
}

void ZELMOR_CALL FBDisconnectDB(TIBDatabase* database, const char* caller_tag) {
  db::FBDisconnectDB(database, Text(caller_tag));
}

void ZELMOR_CALL FBLogMessage(const char* text, uint8_t level, const char* caller_tag) {
  db::FBLogMessage(Text(text), level, Text(caller_tag));
}

TIBTransaction* ZELMOR_CALL FBCreateTransaction(TIBDatabase* database, uint8_t kind,
                                                const char* name, TComponent* owner,
                                                const char* caller_tag) {
  return db::FBCreateTransaction(database, static_cast<db::TTransactionKind>(kind), Text(name),
                                 owner, Text(caller_tag));
}

void ZELMOR_CALL FBStartTransaction(TIBTransaction* transaction, const char* caller_tag) {
  db::FBStartTransaction(transaction, Text(caller_tag));
}

void ZELMOR_CALL FBCommitTransaction(TIBTransaction* transaction, const char* caller_tag) {
  db::FBCommitTransaction(transaction, Text(caller_tag));
}

void ZELMOR_CALL FBRollBackTransaction(TIBTransaction* transaction, const char* caller_tag) {
  db::FBRollBackTransaction(transaction, Text(caller_tag));
}

void ZELMOR_CALL CommitTransactionWithReOpenDST(TComponent* owner, TIBTransaction* transaction) {
  db::CommitTransactionWithReOpenDST(owner, transaction);
}

void ZELMOR_CALL FBOpenDataSet(TIBDataSet* dataset, const char* caller_tag) {
  db::FBOpenDataSet(dataset, Text(caller_tag));
}

void ZELMOR_CALL FBCloseDataSet(TIBDataSet* dataset, const char* caller_tag) {
  db::FBCloseDataSet(dataset, Text(caller_tag));
}

void ZELMOR_CALL FBExecDataSet(TIBDataSet* dataset, const char* caller_tag) {
  db::FBExecDataSet(dataset, Text(caller_tag));
}

TIBDataSet* ZELMOR_CALL FBCreateDataSetForWrite(TIBDatabase* database, uint8_t start,
                                                TIBTransaction* transaction,
                                                const char* caller_tag) {
  return db::FBCreateDataSetForWrite(database, start != 0, transaction, Text(caller_tag));
}

TIBDataSet* ZELMOR_CALL FBCreateDataSetForWrite2(TIBDatabase* database, uint8_t start,
                                                 TIBTransaction* transaction,
                                                 const char* caller_tag,
                                                 const char* dataset_name) {
  return db::FBCreateDataSetForWrite2(database, start != 0, transaction, Text(caller_tag),
                                      Text(dataset_name));
}

TIBDataSet* ZELMOR_CALL FBCreateDataSetForRead(TIBDatabase* database, uint8_t start,
                                               TIBTransaction* transaction,
                                               const char* caller_tag) {
  return db::FBCreateDataSetForRead(database, start != 0, transaction, Text(caller_tag));
}

TIBDataSet* ZELMOR_CALL FBCreateDataSetForRead2(TIBDatabase* database, uint8_t start,
                                                TIBTransaction* transaction,
                                                const char* caller_tag,
                                                const char* dataset_name) {
  return db::FBCreateDataSetForRead2(database, start != 0, transaction, Text(caller_tag),
                                     Text(dataset_name));
}

TIBDatabase* ZELMOR_CALL FBSetGSMBaseConnect(const char* caller_tag) {
  return db::FBSetGSMBaseConnect(Text(caller_tag));
}

TIBDatabase* ZELMOR_CALL FBGetGSMDataBase() { return db::FBGetGSMDataBase(); }

const char* ZELMOR_CALL GetFBPassword(int32_t) { return zelmor::FBPassword().c_str(); }

int32_t ZELMOR_CALL GetFBPort() { return zelmor::FBPort; }

}  // extern "C"
