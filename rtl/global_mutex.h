// Machine-wide named mutexes with a null DACL, as the log writer and the
// guarded INI file use them.
#pragma once

#include <string>

#include "platform/mutex.h"

namespace zelmor {

// Creates or opens "Global\" + name, falling back to the bare name. Raises
// Exception("Error InitializeSecurityDescriptor: …") or
// Exception("Error SetSecurityDescriptorDacl: …") when the security
// descriptor cannot be prepared. When neither name gives a handle: raises
// Exception(failure_prefix + system text) if `raise_on_failure`, otherwise
// returns nullptr and the caller works without a lock, which is told to the
// unguarded reporter (failure_prefix + system text + the name) so that it
// never happens in silence.
platform::MutexHandle CreateGlobalMutex(const std::string& name,
                                        const std::string& failure_prefix,
                                        bool raise_on_failure);

// Receives the text of each mutex that could not be made while its owner
// goes on unguarded; the event log unit points it at its fallback logger.
// Null: nobody is told.
using UnguardedReporter = void (*)(const std::string& text);
void SetUnguardedReporter(UnguardedReporter reporter);

// Holds a named mutex for one scope; a null handle holds nothing and counts
// as held. A wait that fails holds nothing either: Held() says so, with the
// error in platform::LastError(), and the caller reports it its own way.
class NamedMutexGuard {
 public:
  explicit NamedMutexGuard(platform::MutexHandle mutex)
      : mutex_(mutex), held_(platform::WaitMutex(mutex)) {}
  ~NamedMutexGuard() {
    if (mutex_ && held_) platform::ReleaseMutex(mutex_);
  }
  NamedMutexGuard(const NamedMutexGuard&) = delete;
  NamedMutexGuard& operator=(const NamedMutexGuard&) = delete;

  bool Held() const { return held_; }

 private:
  platform::MutexHandle mutex_;
  bool held_;
};

// The message of a failed wait, for the error in platform::LastError().
std::string MutexWaitFailure();

}  // namespace zelmor
