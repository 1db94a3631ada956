// What the Linux implementation files share about errors: errno mapped to
// the Windows codes of errors.h, the loader's own text for a module that
// failed, and the reason a shared file was refused.
#pragma once

#include <string>

namespace zelmor::platform {

// Sets LastError() to the Windows code for `err`. With `path`, ENOENT tells
// a missing file (kErrorFileNotFound) from a missing folder
// (kErrorPathNotFound), as Windows does.
void SetErrno(int err, const std::string& path = {});
// Keeps dlerror()'s text for SystemErrorMessage of the module codes.
void SetModuleErrorText(const char* why);
// Sets LastError() to kErrorRefused; its message becomes
// Refused "<path>": <why>.
void SetRefused(const std::string& path, const std::string& why);

}  // namespace zelmor::platform
