#include "platform/notification.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

bool PostNotification(uintptr_t target, uint32_t message) {
  return ::PostMessageA(reinterpret_cast<HWND>(target), message, 0, 0) != 0;
}

void Beep(uint32_t frequency, uint32_t duration_ms) { ::Beep(frequency, duration_ms); }

}  // namespace zelmor::platform
