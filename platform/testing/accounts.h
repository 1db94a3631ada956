// Linux only: what the tests of several accounts and of fork() need from the
// OS, for tests that run as root and start children as `nobody`.
#pragma once

#include <cstdint>
#include <string>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

bool RunningAsRoot();
uint32_t NobodyUid();
uint32_t NobodyGid();

// Makes `folder` writable by every account and each folder above it
// passable, so that a child running as another account reaches it.
bool LetEveryAccountIn(const std::string& folder);

struct FileStatus {
  bool exists = false;
  bool symlink = false;  // the name itself (not followed)
  uint32_t owner = 0;
  uint32_t group = 0;
  uint32_t mode = 0;  // permission bits (07777)
};
// What `path` names, symlinks followed (symlink tells about the name).
FileStatus StatusOf(const std::string& path);
bool SetMode(const std::string& path, uint32_t mode);
bool SetOwner(const std::string& path, uint32_t owner, uint32_t group);
bool MakeSymlink(const std::string& target, const std::string& link);
bool MakeFifo(const std::string& path, uint32_t mode);
// The process's umask, replaced; returns the old one.
uint32_t ReplaceUmask(uint32_t mask);

// fork(): the child's id in the parent, 0 in the child, -1 on failure. The
// child must end with EndForkedChild, never by returning into the test.
int ForkProcess();
[[noreturn]] void EndForkedChild(int code);
// Waits up to `timeout_ms` for a forked child; its exit code, or -1000 on
// time-out (the child is then killed).
int WaitForkedChild(int pid, uint32_t timeout_ms);

// A tmpfs of `bytes` bytes, its root folder of `mode`, mounted on `folder`;
// false where this process may not mount (not root, a container).
bool MountTmpfs(const std::string& folder, uint64_t bytes, uint32_t mode);
// Detaches what is mounted on `folder`.
void Unmount(const std::string& folder);

// The value of a sysctl under /proc/sys ("fs/protected_regular"), or -1.
int ReadSysctl(const std::string& name);
bool WriteSysctl(const std::string& name, int value);

}  // namespace zelmor::platform
