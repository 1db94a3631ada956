// What the Linux implementation files share about errors: errno mapped to
// the Windows codes of errors.h, and the loader's own text for a module
// that failed.
#pragma once

#include <string>

namespace zelmor::platform {

// Sets LastError() to the Windows code for `err`. With `path`, ENOENT tells
// a missing file (kErrorFileNotFound) from a missing folder
// (kErrorPathNotFound), as Windows does.
void SetErrno(int err, const std::string& path = {});
// Keeps dlerror()'s text for SystemErrorMessage of the module codes.
void SetModuleErrorText(const char* why);

}  // namespace zelmor::platform
