#include "accounts/accounts_test_support.h"

namespace zelmor::test {

namespace {
constexpr char kProtectedRegular[] = "fs/protected_regular";
}

ProtectedRegular::ProtectedRegular() : before_(platform::ReadSysctl(kProtectedRegular)) {
  active_ = before_ >= 1 || platform::WriteSysctl(kProtectedRegular, 1);
}

ProtectedRegular::~ProtectedRegular() {
  if (before_ == 0 && active_) platform::WriteSysctl(kProtectedRegular, before_);
}

std::string UniqueName(const std::string& what) {
  return "zelmor accounts " + what + " " + std::to_string(platform::CurrentProcessId()) + " " +
         std::to_string(platform::TickCount());
}

}  // namespace zelmor::test
