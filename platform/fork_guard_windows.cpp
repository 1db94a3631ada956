// Windows has no fork: a registration only remembers what it was given.
#include "platform/fork_guard.h"

namespace zelmor::platform {

ForkLockRegistration::ForkLockRegistration(ForkRank rank, void* object, const ForkLockOps& ops)
    : rank_(rank), object_(object), ops_(ops) {}

ForkLockRegistration::~ForkLockRegistration() = default;

}  // namespace zelmor::platform
