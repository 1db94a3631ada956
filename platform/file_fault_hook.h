// The seam through which tests make the calls of this layer fail, as leveldb
// tests through a fault-injecting Env: a hook set here is asked before each
// file call (and each wait for a named mutex) runs, and may make it fail
// without touching the file.
//
// The product never sets a hook: without one, each of those calls pays one
// relaxed atomic load (FileWriteAll two) and nothing else. The injector
// itself, and the record of which name each handle was opened under, live in
// the testing target (platform/testing/fault_injection.h), which the product
// does not link.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"

namespace zelmor::platform {

enum class FileOp {
  kOpen,     // OpenShared, OpenExclusive
  kCreate,   // CreateExclusive
  kRead,     // FileRead
  kWrite,    // FileWriteAll; on Windows also the profile writes of a settings file
  kSetSize,  // FileSetSize
  kRename,   // RenameFile, ReplaceFile (`path` is the source)
  kDelete,   // DeleteFile; on Windows also the profile's key deletion
  kLock,     // WaitMutex; `path` names the mutex (the lock file on Linux)
  // FileWriteAll puts the first half of its bytes down, then fails: a write
  // the OS takes only in part.
  kShortWrite,
};

// A hook: constant functions that outlive every call of this layer. They
// run on whichever thread makes the call, outside any lock of this layer,
// and must not make file calls themselves.
struct FileFaultHook {
  // Asked before a call on a path / on an open handle: 0 lets it run, any
  // other value is the Windows error code it fails with.
  uint32_t (*before_path)(FileOp op, const std::string& path);
  uint32_t (*before_handle)(FileOp op, FileHandle file);
  // Told when a handle has been opened under `path` / is about to close.
  void (*opened)(FileHandle file, const std::string& path);
  void (*closed)(FileHandle file);
};

// Sets the hook; nullptr removes it.
void SetFileFaultHook(const FileFaultHook* hook);

namespace fault {

extern std::atomic<const FileFaultHook*> g_hook;

inline const FileFaultHook* Hook() { return g_hook.load(std::memory_order_relaxed); }

inline bool Fails(uint32_t code) {
  if (code == 0) return false;
  SetLastError(code);
  return true;
}

// True when the call must fail; LastError() then holds the injected code.
inline bool Injected(FileOp op, const std::string& path) {
  const FileFaultHook* hook = Hook();
  return hook && Fails(hook->before_path(op, path));
}
inline bool Injected(FileOp op, FileHandle file) {
  const FileFaultHook* hook = Hook();
  return hook && Fails(hook->before_handle(op, file));
}

// Passes `file` through, telling the hook the name it was opened under.
inline FileHandle Track(FileHandle file, const std::string& path) {
  const FileFaultHook* hook = Hook();
  if (hook && file != kInvalidFile) hook->opened(file, path);
  return file;
}
inline void Untrack(FileHandle file) {
  if (const FileFaultHook* hook = Hook()) hook->closed(file);
}

}  // namespace fault
}  // namespace zelmor::platform
