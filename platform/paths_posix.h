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
// open() of an existing file with `flags`; with O_CREAT in `flags` a missing
// file is created readable and writable by every account whatever the umask
// (what a null DACL gives on Windows). An existing file is opened without
// O_CREAT, which the kernel may refuse for another account's file in a
// sticky folder (fs.protected_regular). -1 with errno set on failure.
int OpenOrCreateShared(const std::string& path, int flags);

}  // namespace zelmor::platform
