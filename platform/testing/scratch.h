// Where tests make their folders, ending with the path delimiter: the
// user's temporary folder on Windows; on Linux the machine's ($TMPDIR or
// /tmp), since the account's own (TempPath) is closed to the other
// accounts the tests start.
#pragma once

#include <string>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

std::string ScratchFolder();

}  // namespace zelmor::platform
