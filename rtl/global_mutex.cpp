#include "rtl/global_mutex.h"

#include "platform/errors.h"
#include "platform/mutex.h"
#include "rtl/exceptions.h"

namespace zelmor {

platform::MutexHandle CreateGlobalMutex(const std::string& name,
                                        const std::string& failure_prefix,
                                        bool raise_on_failure) {
  switch (platform::PrepareNullDaclSecurity()) {
    case platform::SecurityStep::kInitializeDescriptor:
      throw Exception("Error InitializeSecurityDescriptor: " +
                      platform::SystemErrorMessage(platform::LastError()));
    case platform::SecurityStep::kSetDacl:
      throw Exception("Error SetSecurityDescriptorDacl: " +
                      platform::SystemErrorMessage(platform::LastError()));
    case platform::SecurityStep::kOk:
      break;
  }
  platform::MutexHandle mutex = platform::CreateMutexNullDacl("Global\\" + name);
  if (!mutex) mutex = platform::CreateMutexNullDacl(name);
  if (!mutex && raise_on_failure)
    throw Exception(failure_prefix + platform::SystemErrorMessage(platform::LastError()));
  return mutex;
}

std::string MutexWaitFailure() {
  return "Error WaitForSingleObject: " + platform::SystemErrorMessage(platform::LastError());
}

}  // namespace zelmor
