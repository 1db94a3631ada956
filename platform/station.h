// The station's shared folders and files as `zelmor check` reports them, in
// the terms of this OS: whether the library will trust a folder, and what
// the OS says of its owner and mode.
#pragma once

#include <string>

namespace zelmor::platform {

struct SharedFolderState {
  bool exists = false;
  bool trusted = false;     // the library uses it (Linux: TrustedFolder)
  std::string why;          // when not trusted: the refusal's reason
  std::string description;  // "root:zede 2770"; empty on Windows (ACLs)
};
SharedFolderState DescribeSharedFolder(const std::string& folder);

// Whether this account may write the existing file `path`.
bool CanWriteFile(const std::string& path);

// Whether ZEDE_HOME and ZEDE_WINDIR choose the station's folders here (the
// emulated station on Linux); on Windows they are fixed.
extern const bool kStationFoldersFromEnvironment;

}  // namespace zelmor::platform
