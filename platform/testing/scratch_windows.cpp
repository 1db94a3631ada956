#include "platform/testing/scratch.h"

#include "platform/process.h"

namespace zelmor::platform {

std::string ScratchFolder() { return TempPath(); }

}  // namespace zelmor::platform
