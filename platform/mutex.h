// Machine-wide named mutexes.
//
// Windows: CreateMutexA with a null-DACL security descriptor. Linux: flock on
// a lock file in one machine-wide folder (MachineLockFolder), for "Global\"
// names and bare names alike (Linux has no sessions to tell them apart). The lock is recursive
// for its owning thread, one lock is shared by every handle of the process
// that names it, a child made by fork() holds none of its parent's, and the
// OS frees it when the owning process dies.
#pragma once

#include <string>

namespace zelmor::platform {

struct NamedMutex;
using MutexHandle = NamedMutex*;

// Which step of preparing the null-DACL security descriptor failed.
enum class SecurityStep { kOk, kInitializeDescriptor, kSetDacl };
// Prepares the null-DACL descriptor used by CreateMutexNullDacl. Always kOk
// on Linux.
SecurityStep PrepareNullDaclSecurity();
// Linux: the folder of the lock files, $ZEDE_LOCKDIR or /run/lock/zelmor:
// one folder in every mount namespace, outside what tmp cleaners age.
// Windows: empty (the kernel keeps the names).
std::string MachineLockFolder();
// Creates or opens the mutex `name` (not initially owned, not inheritable).
// Returns nullptr on failure with LastError() set; on Linux also when the
// lock folder or the lock file is refused (kErrorRefused).
MutexHandle CreateMutexNullDacl(const std::string& name);
// Waits without a time limit; true once the calling thread holds the mutex.
// A mutex abandoned by a dead owner counts as taken. False, with LastError()
// set, when the wait itself fails: the thread then holds nothing and must
// not release it.
bool WaitMutex(MutexHandle mutex);
void ReleaseMutex(MutexHandle mutex);
void CloseMutex(MutexHandle mutex);

}  // namespace zelmor::platform
