#include "platform/errors.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

uint32_t LastError() { return ::GetLastError(); }
void SetLastError(uint32_t code) { ::SetLastError(code); }

std::string SystemErrorMessage(uint32_t code) {
  char buffer[1024];
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
  if (length == 0) return "Unknown error " + std::to_string(code);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                        buffer[length - 1] == ' '))
    --length;
  return std::string(buffer, length);
}

}  // namespace zelmor::platform
