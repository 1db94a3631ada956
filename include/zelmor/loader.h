// The library as a suite program sees it: loaded by path at run time, its 21
// exports looked up by name.
#pragma once

#include <string>

#include "platform/platform.h"
#include "zelmor/exports.h"

#define ZELMOR_EXPORTS(X)                                                                  \
  X(FBConnectDB) X(FBDisconnectDB) X(FBStartTransaction) X(FBCommitTransaction)            \
  X(FBRollBackTransaction) X(FBOpenDataSet) X(FBCloseDataSet) X(FBExecDataSet)             \
  X(FBCreateTransaction) X(FBSetGSMBaseConnect) X(FBGetGSMDataBase)                        \
  X(FBCreateDataSetForWrite) X(FBCreateDataSetForWrite2) X(FBCreateDataSetForRead)         \
  X(FBCreateDataSetForRead2) X(FBLogMessage) X(GetFBPassword) X(GetFBPort)                 \
  X(FBGetIBDataBaseFromPool) X(FBReturnIBDataBaseToPool) X(CommitTransactionWithReOpenDST)

namespace zelmor::host {

class ZelmorApi {
 public:
#define ZELMOR_API_POINTER(name) decltype(&::name) name = nullptr;
  ZELMOR_EXPORTS(ZELMOR_API_POINTER)
#undef ZELMOR_API_POINTER

  // Loads the library and resolves every export; on failure `error` says
  // what is missing.
  bool Load(const std::string& path, std::string& error);
  // Unloads it, which runs the library's unload sequence.
  void Unload();
  ~ZelmorApi() { Unload(); }

 private:
  platform::ModuleHandle module_ = nullptr;
};

}  // namespace zelmor::host
