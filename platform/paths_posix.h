// File path helpers the Linux implementation files share.
#pragma once

#include <string>

namespace zelmor::platform {

// The folder part of `path` without its slash ("." for a bare name).
std::string ParentOf(const std::string& path);
bool IsDirectory(const std::string& path);
// `path` made absolute against the current folder.
std::string Absolute(const std::string& path);
std::string WithTrailingSlash(std::string path);
// Mode of the station's new shared files: the station's group may read and
// write them (folders are set-group-id, so the group is the folder's),
// other accounts nothing.
constexpr int kSharedFileMode = 0660;
// Mode of the folders the library makes for shared files.
constexpr int kSharedFolderMode = 02770;

// open() of an existing file with `flags`; with O_CREAT in `flags` a missing
// file is created (O_EXCL) with kSharedFileMode whatever the umask. An
// existing file is opened without O_CREAT, which the kernel may refuse for
// another account's file in a sticky folder (fs.protected_regular). The open
// never waits (O_NONBLOCK: a FIFO does not block it) and is refused for
// anything but a regular file (AcceptOpenedFile); with `follow_links` false
// a symlink at `path` is refused too. -1 with LastError() set on failure.
int OpenOrCreateShared(const std::string& path, int flags, bool follow_links);

}  // namespace zelmor::platform
