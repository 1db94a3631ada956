#include "platform/testing/accounts.h"

#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/clock.h"
#include "platform/testing/child_process.h"

namespace zelmor::platform {

namespace {

const passwd* Nobody() { return ::getpwnam("nobody"); }

}  // namespace

bool RunningAsRoot() { return ::geteuid() == 0; }
uint32_t NobodyUid() { return Nobody() ? Nobody()->pw_uid : 65534; }
uint32_t NobodyGid() { return Nobody() ? Nobody()->pw_gid : 65534; }

bool LetEveryAccountIn(const std::string& folder) {
  if (::chmod(folder.c_str(), 0777) != 0) return false;
  std::string above = folder;
  while (above.size() > 1 && above.back() == '/') above.pop_back();
  for (auto slash = above.find_last_of('/'); slash != std::string::npos && slash > 0;
       slash = above.find_last_of('/')) {
    above.resize(slash);
    struct stat st;
    if (::stat(above.c_str(), &st) != 0) return false;
    if ((st.st_mode & S_IXOTH) == 0 && ::chmod(above.c_str(), (st.st_mode & 07777) | 0011) != 0)
      return false;
  }
  return true;
}

FileStatus StatusOf(const std::string& path) {
  FileStatus status;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return status;
  status.symlink = S_ISLNK(st.st_mode);
  if (::stat(path.c_str(), &st) != 0) return status;
  status.exists = true;
  status.owner = st.st_uid;
  status.group = st.st_gid;
  status.mode = st.st_mode & 07777;
  return status;
}

bool SetMode(const std::string& path, uint32_t mode) { return ::chmod(path.c_str(), mode) == 0; }

bool SetOwner(const std::string& path, uint32_t owner, uint32_t group) {
  return ::chown(path.c_str(), owner, group) == 0;
}

bool MakeSymlink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

bool MakeFifo(const std::string& path, uint32_t mode) {
  return ::mkfifo(path.c_str(), static_cast<mode_t>(mode)) == 0 && ::chmod(path.c_str(), mode) == 0;
}

uint32_t ReplaceUmask(uint32_t mask) { return ::umask(static_cast<mode_t>(mask)); }

int ForkProcess() { return ::fork(); }

void EndForkedChild(int code) { ::_exit(code); }

int WaitForkedChild(int pid, uint32_t timeout_ms) {
  int code = -1000;
  if (!WaitProcess(pid, timeout_ms, code)) {
    KillProcess(pid);
    return -1000;
  }
  return code;
}

bool MountTmpfs(const std::string& folder, uint64_t bytes, uint32_t mode) {
  char options[64];
  snprintf(options, sizeof options, "size=%llu,mode=%o", static_cast<unsigned long long>(bytes),
           mode);
  return ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) == 0;
}

void Unmount(const std::string& folder) { ::umount2(folder.c_str(), MNT_DETACH); }

int ReadSysctl(const std::string& name) {
  std::ifstream in("/proc/sys/" + name);
  int value = -1;
  return in >> value ? value : -1;
}

bool WriteSysctl(const std::string& name, int value) {
  std::ofstream out("/proc/sys/" + name);
  out << value << '\n';
  out.flush();
  return static_cast<bool>(out) && ReadSysctl(name) == value;
}

}  // namespace zelmor::platform
