#include "platform/mutex.h"

#include "platform/file_fault_hook.h"
#include "platform/windows_api.h"

namespace zelmor::platform {

struct NamedMutex {
  HANDLE handle;
  std::string name;
};

namespace {

// Each thread prepares its own descriptor, so a thread that prepares one
// never rewrites a descriptor another thread is passing to CreateMutexA.
struct NullDaclSecurity {
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  bool ready = false;
};
thread_local NullDaclSecurity t_security;

// Hosts of the suite are 32-bit: the structure they pass is 12 bytes long.
static_assert(sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12);

}  // namespace

std::string MachineLockFolder() { return {}; }

SecurityStep PrepareNullDaclSecurity() {
  NullDaclSecurity& security = t_security;
  security.ready = false;
  if (!::InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION))
    return SecurityStep::kInitializeDescriptor;
  // DACL present but null: every account in every session may open it.
  if (!::SetSecurityDescriptorDacl(&security.descriptor, TRUE, nullptr, FALSE))
    return SecurityStep::kSetDacl;
  security.attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
  security.attributes.lpSecurityDescriptor = &security.descriptor;
  security.attributes.bInheritHandle = FALSE;
  security.ready = true;
  return SecurityStep::kOk;
}

MutexHandle CreateMutexNullDacl(const std::string& name) {
  NullDaclSecurity& security = t_security;
  if (!security.ready && PrepareNullDaclSecurity() != SecurityStep::kOk) return nullptr;
  const HANDLE handle = ::CreateMutexA(&security.attributes, FALSE, name.c_str());
  if (!handle) return nullptr;
  return new NamedMutex{handle, name};
}

bool WaitMutex(MutexHandle mutex) {
  if (!mutex) return true;
  if (fault::Injected(FileOp::kLock, mutex->name)) return false;
  // WAIT_ABANDONED hands the mutex over as well; only WAIT_FAILED holds
  // nothing.
  return ::WaitForSingleObject(mutex->handle, INFINITE) != WAIT_FAILED;
}

void ReleaseMutex(MutexHandle mutex) {
  if (mutex) ::ReleaseMutex(mutex->handle);
}

void CloseMutex(MutexHandle mutex) {
  if (!mutex) return;
  ::CloseHandle(mutex->handle);
  delete mutex;
}

}  // namespace zelmor::platform
