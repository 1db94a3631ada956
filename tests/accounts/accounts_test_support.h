// Helpers of the tests that run a child as another account.
//
// Every program of these tests runs in a station of its own, laid out as a
// real one: a home folder and a lock folder of root and the station's group
// (test::kStationGid), set-group-id, closed to every other account
// ($ZEDE_HOME and $ZEDE_LOCKDIR, set before main and inherited by the
// children). Children run as a member of that group or as nobody, an
// account outside it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/testing/accounts.h"
#include "support/test_support.h"

namespace zelmor::test {

// A TempFolder every account may write to: for the tests' own markers, and
// as a folder the library must refuse.
class SharedFolder : public TempFolder {
 public:
  SharedFolder() { platform::LetEveryAccountIn(Path()); }
};

// A TempFolder laid out as the station's folders are: root's, the station
// group's, set-group-id, `mode` (02770 unless told), reachable from above.
class StationFolder : public TempFolder {
 public:
  explicit StationFolder(uint32_t mode = 02770);
};

// The station's lock folder of this program.
std::string StationLockFolder();

// fs.protected_regular switched on for the object's lifetime, where the
// machine lets the test switch it; Active() says whether it is on.
class ProtectedRegular {
 public:
  ProtectedRegular();
  ~ProtectedRegular();
  ProtectedRegular(const ProtectedRegular&) = delete;
  ProtectedRegular& operator=(const ProtectedRegular&) = delete;
  bool Active() const { return active_; }

 private:
  int before_;
  bool active_;
};

// A small tmpfs mounted on `folder` for the object's lifetime, where the
// machine lets the test mount one; Mounted() says whether it is there.
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, uint64_t bytes, uint32_t mode)
      : folder_(folder), mounted_(platform::MountTmpfs(folder, bytes, mode)) {}
  ~SmallDisk() {
    if (mounted_) platform::Unmount(folder_);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool Mounted() const { return mounted_; }
  // Writes a file at `path` until the disk holds no more.
  void Fill(const std::string& path) const;

 private:
  std::string folder_;
  bool mounted_;
};

std::string UniqueName(const std::string& what);

}  // namespace zelmor::test

// The tests start children as other accounts, which only root may do.
#define ZELMOR_REQUIRE_ROOT()                                             \
  do {                                                                    \
    if (!::zelmor::platform::RunningAsRoot()) GTEST_SKIP() << "needs root"; \
  } while (0)
