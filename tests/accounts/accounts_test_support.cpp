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

void SmallDisk::Fill(const std::string& path) const {
  const platform::FileHandle file = platform::CreateExclusive(path);
  if (file == platform::kInvalidFile) return;
  const std::string block(4096, 'f');
  while (platform::FileWriteAll(file, block.data(), block.size())) {
  }
  // What is left is less than a block; its last bytes go one by one.
  while (platform::FileWriteAll(file, "f", 1)) {
  }
  platform::FileClose(file);
}

std::string UniqueName(const std::string& what) {
  return "zelmor accounts " + what + " " + std::to_string(platform::CurrentProcessId()) + " " +
         std::to_string(platform::TickCount());
}

}  // namespace zelmor::test
