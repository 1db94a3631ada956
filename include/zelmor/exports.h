// The functions Zelmor exports, as hosts call them.
//
// Byte strings are NUL-terminated CP1251 text; a null pointer reads as the
// empty string. Objects cross as pointers to the components of the runtime
// library; "none" is a null pointer. Booleans and kinds are one byte.
// Failures are exceptions of the runtime's hierarchy (zelmor::Exception and
// its subclasses), raised through these functions to the host.
//
// On Windows the functions are __stdcall and exported undecorated.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define ZELMOR_CALL __stdcall
#else
#define ZELMOR_CALL
#endif

namespace zelmor {
class TComponent;
class TIBDatabase;
class TIBTransaction;
class TIBDataSet;
}  // namespace zelmor

extern "C" {

// Connection pool.
zelmor::TIBDatabase* ZELMOR_CALL FBGetIBDataBaseFromPool(
    const char* database_path, const char* password, int32_t port, const char* server,
    const char* user_name, const char* char_set, const char* caller_tag);
void ZELMOR_CALL FBReturnIBDataBaseToPool(zelmor::TIBDatabase* database,
                                          const char* caller_tag);

// Connect, disconnect, host log lines.
void ZELMOR_CALL FBConnectDB(zelmor::TIBDatabase* database, const char* caller_tag);
void ZELMOR_CALL FBDisconnectDB(zelmor::TIBDatabase* database, const char* caller_tag);
void ZELMOR_CALL FBLogMessage(const char* text, uint8_t level, const char* caller_tag);

// Transactions.
zelmor::TIBTransaction* ZELMOR_CALL FBCreateTransaction(
    zelmor::TIBDatabase* database, uint8_t kind /* 0 RC_RW, 1 RC_RO, 2 SS_RW */,
    const char* name,
    zelmor::TComponent* owner, const char* caller_tag);
void ZELMOR_CALL FBStartTransaction(zelmor::TIBTransaction* transaction,
                                    const char* caller_tag);
void ZELMOR_CALL FBCommitTransaction(zelmor::TIBTransaction* transaction,
                                     const char* caller_tag);
void ZELMOR_CALL FBRollBackTransaction(zelmor::TIBTransaction* transaction,
                                       const char* caller_tag);
// Disabled: always fails.
void ZELMOR_CALL CommitTransactionWithReOpenDST(zelmor::TComponent* owner,
                                                zelmor::TIBTransaction* transaction);

// Datasets.
void ZELMOR_CALL FBOpenDataSet(zelmor::TIBDataSet* dataset, const char* caller_tag);
void ZELMOR_CALL FBCloseDataSet(zelmor::TIBDataSet* dataset, const char* caller_tag);
void ZELMOR_CALL FBExecDataSet(zelmor::TIBDataSet* dataset, const char* caller_tag);
zelmor::TIBDataSet* ZELMOR_CALL FBCreateDataSetForWrite(
    zelmor::TIBDatabase* database, uint8_t start, zelmor::TIBTransaction* transaction,
    const char* caller_tag);
zelmor::TIBDataSet* ZELMOR_CALL FBCreateDataSetForWrite2(
    zelmor::TIBDatabase* database, uint8_t start, zelmor::TIBTransaction* transaction,
    const char* caller_tag, const char* dataset_name);
zelmor::TIBDataSet* ZELMOR_CALL FBCreateDataSetForRead(
    zelmor::TIBDatabase* database, uint8_t start, zelmor::TIBTransaction* transaction,
    const char* caller_tag);
zelmor::TIBDataSet* ZELMOR_CALL FBCreateDataSetForRead2(
    zelmor::TIBDatabase* database, uint8_t start, zelmor::TIBTransaction* transaction,
    const char* caller_tag, const char* dataset_name);

// The station's fuel database.
zelmor::TIBDatabase* ZELMOR_CALL FBSetGSMBaseConnect(const char* caller_tag);
zelmor::TIBDatabase* ZELMOR_CALL FBGetGSMDataBase();

// Connection parameters settled at load. The password stays valid until the
// library is unloaded.
const char* ZELMOR_CALL GetFBPassword(int32_t ignored);
int32_t ZELMOR_CALL GetFBPort();

}  // extern "C"

// The names, for tables over all of them: X(name) for each. The one list of
// the exports: the build writes the linker's export lists from it.
#define ZELMOR_EXPORTS(X)                                                                  \
  X(FBConnectDB) X(FBDisconnectDB) X(FBStartTransaction) X(FBCommitTransaction)            \
  X(FBRollBackTransaction) X(FBOpenDataSet) X(FBCloseDataSet) X(FBExecDataSet)             \
  X(FBCreateTransaction) X(FBSetGSMBaseConnect) X(FBGetGSMDataBase)                        \
  X(FBCreateDataSetForWrite) X(FBCreateDataSetForWrite2) X(FBCreateDataSetForRead)         \
  X(FBCreateDataSetForRead2) X(FBLogMessage) X(GetFBPassword) X(GetFBPort)                 \
  X(FBGetIBDataBaseFromPool) X(FBReturnIBDataBaseToPool) X(CommitTransactionWithReOpenDST)
