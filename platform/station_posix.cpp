#include "platform/station.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/errors.h"
#include "platform/trust_posix.h"

namespace zelmor::platform {
namespace {

std::string UserName(uid_t uid) {
  const passwd* entry = ::getpwuid(uid);
  return entry ? entry->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
  const group* entry = ::getgrgid(gid);
  return entry ? entry->gr_name : std::to_string(gid);
}

}  // namespace

const bool kStationFoldersFromEnvironment = true;

SharedFolderState DescribeSharedFolder(const std::string& folder) {
  SharedFolderState state;
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return state;
  state.exists = true;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  state.description = UserName(st.st_uid) + ":" + GroupName(st.st_gid) + " " + mode;
  state.trusted = TrustedFolder(folder);
  if (!state.trusted) state.why = SystemErrorMessage(LastError());
  return state;
}

bool CanWriteFile(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace zelmor::platform
