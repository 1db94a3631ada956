#include "rtl/global_mutex.h"

#include <atomic>

#include "platform/errors.h"
#include "platform/mutex.h"
#include "rtl/exceptions.h"

namespace zelmor {

namespace {

std::atomic<UnguardedReporter> g_unguarded_reporter{nullptr};

}  // namespace

void SetUnguardedReporter(UnguardedReporter reporter) { g_unguarded_reporter = reporter; }

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
  if (mutex) return mutex;
  const std::string failure = failure_prefix + platform::SystemErrorMessage(platform::LastError());
  if (raise_on_failure) throw Exception(failure);
  if (const UnguardedReporter report = g_unguarded_reporter) {
    platform::KeepLastError keep;  // the caller's to read, not the report's
    report(failure + " [" + name + "]; working without it");
  }
  return nullptr;
}

std::string MutexWaitFailure() {
  return "Error WaitForSingleObject: " + platform::SystemErrorMessage(platform::LastError());
}

}  // namespace zelmor
