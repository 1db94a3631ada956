// Error codes of the OS layer: the Windows codes, on every platform.
//
// A function of this layer that can fail returns false / an invalid handle
// and leaves the Windows error code of the failure in LastError(). On Linux
// errno is mapped to the codes below, so callers test one set.
#pragma once

#include <cstdint>
#include <string>

namespace zelmor::platform {

// Windows error codes the rest of the system tests for.
enum ErrorCode : uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorWriteFault = 29,
  kErrorReadFault = 30,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorBufferOverflow = 111,  // file name too long
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,     // bad file name syntax
  kErrorModNotFound = 126,
  kErrorProcNotFound = 127,
  kErrorAlreadyExists = 183,
  kErrorFileTooLarge = 223,    // beyond what the file system holds
  // Linux: a shared file or folder the station layout does not vouch for
  // (a symlink, another account's, writable by every account, not a
  // regular file); the message names it and says why.
  kErrorRefused = 1920,
};

uint32_t LastError();
void SetLastError(uint32_t code);
// The system's message text for an error code (FormatMessage / strerror),
// without a trailing line break.
std::string SystemErrorMessage(uint32_t code);

// Restores the error code a failed step left, after cleanup calls that may
// change it.
class KeepLastError {
 public:
  KeepLastError() : code_(LastError()) {}
  ~KeepLastError() { SetLastError(code_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  uint32_t code_;
};

}  // namespace zelmor::platform
