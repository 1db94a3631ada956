// Failures injected into the OS layer's file calls, for tests: an injector
// set here is asked before each call that platform/file_fault_hook.h lists
// and may make it fail without touching the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_fault_hook.h"
#include "platform/testing/testing_only.h"

namespace zelmor::platform {

// Returns 0 to let the call run, or the Windows error code it fails with
// (left in LastError()). For calls on a handle `path` is the name the handle
// was opened under, or empty for a handle opened before the injector was set.
// Called from whichever thread makes the call, outside any lock of the OS
// layer; it must not make file calls itself.
using FaultInjector = std::function<uint32_t(FileOp op, const std::string& path)>;
// Sets the injector, replacing any earlier one; an empty one removes it. A
// call that already asked the old injector may still be inside it when this
// returns.
void SetFaultInjector(FaultInjector injector);

}  // namespace zelmor::platform
