#include "platform/paths_posix.h"

#include "platform/files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zelmor::platform {

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

int OpenOrCreateShared(const std::string& path, int flags) {
  const int existing = flags & ~O_CREAT;
  for (;;) {
    const int fd = ::open(path.c_str(), existing | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT || existing == flags) return fd;
    const int created = ::open(path.c_str(), flags | O_EXCL | O_CLOEXEC, 0666);
    if (created >= 0) {
      ::fchmod(created, 0666);
      return created;
    }
    if (errno != EEXIST) return -1;
  }
}

}  // namespace zelmor::platform
