#include "platform/file_fault_hook.h"

namespace zelmor::platform {

namespace fault {

std::atomic<const FileFaultHook*> g_hook{nullptr};

}  // namespace fault

void SetFileFaultHook(const FileFaultHook* hook) {
  fault::g_hook.store(hook, std::memory_order_relaxed);
}

}  // namespace zelmor::platform
