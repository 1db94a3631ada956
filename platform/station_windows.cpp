#include "platform/station.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

const bool kStationFoldersFromEnvironment = false;

// Windows guards the folders by their ACLs, which the library leaves to
// the installer: an existing folder is taken as it is.
SharedFolderState DescribeSharedFolder(const std::string& folder) {
  SharedFolderState state;
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  state.exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  state.trusted = state.exists;
  return state;
}

bool CanWriteFile(const std::string& path) {
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

}  // namespace zelmor::platform
