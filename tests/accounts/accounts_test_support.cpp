#include "accounts/accounts_test_support.h"

#include <filesystem>

namespace zelmor::test {

namespace {

constexpr char kProtectedRegular[] = "fs/protected_regular";

bool MakeStationFolder(const std::string& path, uint32_t mode) {
  return platform::LetEveryAccountIn(path) && platform::SetOwner(path, 0, kStationGid) &&
         platform::SetMode(path, mode);
}

bool IsChildRole() {
  for (const std::string& arg : platform::CommandLineArguments())
    if (arg.rfind("--zelmor-child=", 0) == 0) return true;
  return false;
}

// The station of this program, made by the first process (the test
// program itself) and inherited by its children through the environment.
class StationLayout {
 public:
  StationLayout() {
    if (!platform::RunningAsRoot() || IsChildRole()) return;
    root_ = platform::ScratchFolder() + "zelmor-station-" +
            std::to_string(platform::CurrentProcessId());
    std::filesystem::create_directories(root_ + "/home");
    std::filesystem::create_directories(root_ + "/locks");
    MakeStationFolder(root_ + "/home", 02775);
    MakeStationFolder(root_ + "/locks", 02770);
    platform::SetEnvironmentVariable("ZEDE_HOME", root_ + "/home/");
    platform::SetEnvironmentVariable("ZEDE_LOCKDIR", root_ + "/locks");
  }
  ~StationLayout() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

 private:
  std::string root_;
};

StationLayout g_station;

}  // namespace

StationFolder::StationFolder(uint32_t mode) { MakeStationFolder(Path(), mode); }

std::string StationLockFolder() { return platform::MachineLockFolder(); }

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
