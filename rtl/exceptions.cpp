#include "rtl/exceptions.h"

namespace zelmor {

// Out-of-line destructors anchor each class's vtable and type information in
// the runtime library, so a host and Zelmor see one type per class.
Exception::~Exception() = default;
EConvertError::~EConvertError() = default;
EOSError::~EOSError() = default;
EStreamError::~EStreamError() = default;
EFileStreamError::~EFileStreamError() = default;
EFOpenError::~EFOpenError() = default;
EFCreateError::~EFCreateError() = default;
EReadError::~EReadError() = default;
EWriteError::~EWriteError() = default;
EIniFileException::~EIniFileException() = default;
EComponentError::~EComponentError() = default;
EIBError::~EIBError() = default;
EIBClientError::~EIBClientError() = default;
EIBInterBaseError::~EIBInterBaseError() = default;

const char* ClassNameOf(const std::exception& error) noexcept {
  if (auto* ours = dynamic_cast<const Exception*>(&error)) return ours->ClassName();
  return "Exception";
}

}  // namespace zelmor
