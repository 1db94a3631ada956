// The main unit's load and unload sequences.
#pragma once

#include <string>

#include "platform/modules.h"

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::library {

constexpr int32_t kLibraryVersion = 930;  // version x 100, printed as 9.30

// Raises what it cannot handle (the logger cannot be made): the load fails.
void LoadMainUnit();
// Never raises: a failure of one step is logged and the rest still runs.
void UnloadMainUnit();

// What the load sequence found; for tests and the host program. The handle
// is for looking only: the unload sequence releases it.
bool IsHomeInstall();
platform::ModuleHandle ClientLibraryHandle();

}  // namespace zelmor::library
