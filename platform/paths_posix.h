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

}  // namespace zelmor::platform
