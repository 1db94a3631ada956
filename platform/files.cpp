// What files.h does the same way on every OS, over the OS's own part.
#include "platform/files.h"

#include <cstdint>

#include "platform/errors.h"
#include "platform/file_fault_hook.h"
#include "platform/files_os.h"

namespace zelmor::platform {

bool FileWriteAll(FileHandle file, const void* buffer, size_t count) {
  if (fault::Injected(FileOp::kWrite, file)) return false;
  const char* p = static_cast<const char*>(buffer);
  if (fault::Injected(FileOp::kShortWrite, file)) {
    const uint32_t code = LastError();
    os::WriteAll(file, p, count / 2);
    SetLastError(code);
    return false;
  }
  return os::WriteAll(file, p, count);
}

}  // namespace zelmor::platform
