// Linux: errno values mapped to the Windows codes the callers test, and
// their texts.
#include "platform/errors.h"

#include <stdio.h>
#include <string.h>

#include <cerrno>

#include "platform/errors_posix.h"
#include "platform/paths_posix.h"

namespace zelmor::platform {

namespace {

thread_local uint32_t t_last_error = 0;
// A plain buffer: it must survive the thread's own destructors, since the
// library's unload sequence can run at process exit.
thread_local char t_last_module_error[512];
thread_local char t_last_refusal[768];

// Codes outside the Windows table keep their errno in the low bits.
constexpr uint32_t kErrnoFlag = 0x20000000;

uint32_t MapErrno(int err, const std::string& path) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT:
      // Windows tells a missing file from a missing folder.
      return path.empty() || IsDirectory(ParentOf(path)) ? kErrorFileNotFound
                                                         : kErrorPathNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EWOULDBLOCK: return kErrorSharingViolation;
    case EEXIST: return kErrorAlreadyExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorBufferOverflow;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EILSEQ: return kErrorInvalidName;
    case EIO: return kErrorWriteFault;
    case EFBIG: return kErrorFileTooLarge;
    default: return kErrnoFlag | static_cast<uint32_t>(err);
  }
}

int RepresentativeErrno(uint32_t code) {
  if (code & kErrnoFlag) return static_cast<int>(code & ~kErrnoFlag);
  switch (code) {
    case kErrorFileNotFound:
    case kErrorPathNotFound: return ENOENT;
    case kErrorAccessDenied: return EACCES;
    case kErrorInvalidHandle: return EBADF;
    case kErrorNotEnoughMemory: return ENOMEM;
    case kErrorWriteFault:
    case kErrorReadFault: return EIO;
    case kErrorSharingViolation:
    case kErrorLockViolation: return EWOULDBLOCK;
    case kErrorFileExists:
    case kErrorAlreadyExists: return EEXIST;
    case kErrorInvalidParameter: return EINVAL;
    case kErrorBufferOverflow: return ENAMETOOLONG;
    case kErrorDiskFull: return ENOSPC;
    case kErrorInvalidName: return EILSEQ;
    case kErrorFileTooLarge: return EFBIG;
    default: return -1;
  }
}

}  // namespace

void SetErrno(int err, const std::string& path) { t_last_error = MapErrno(err, path); }

void SetModuleErrorText(const char* why) {
  snprintf(t_last_module_error, sizeof t_last_module_error, "%s", why ? why : "");
}

void SetRefused(const std::string& path, const std::string& why) {
  snprintf(t_last_refusal, sizeof t_last_refusal, "Refused \"%s\": %s", path.c_str(), why.c_str());
  t_last_error = kErrorRefused;
}

uint32_t LastError() { return t_last_error; }
void SetLastError(uint32_t code) { t_last_error = code; }

std::string SystemErrorMessage(uint32_t code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kErrorLockViolation:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case kErrorModNotFound:
    case kErrorProcNotFound:
      if (t_last_module_error[0]) return t_last_module_error;
      return code == kErrorModNotFound ? "The specified module could not be found."
                                       : "The specified procedure could not be found.";
    case kErrorRefused:
      return t_last_refusal[0] ? t_last_refusal : "Refused: not part of the station's layout.";
    default: break;
  }
  const int err = RepresentativeErrno(code);
  if (err < 0) return "Unknown error " + std::to_string(code);
  char buffer[256];
  return ::strerror_r(err, buffer, sizeof buffer);
}

}  // namespace zelmor::platform
