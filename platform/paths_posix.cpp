#include "platform/paths_posix.h"

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/files.h"
#include "platform/trust_posix.h"

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

namespace {

int Opened(int fd, const std::string& path) {
  if (AcceptOpenedFile(fd, path)) return fd;
  KeepLastError keep;
  ::close(fd);
  return -1;
}

}  // namespace

int OpenOrCreateShared(const std::string& path, int flags, bool follow_links) {
  const int fixed = O_CLOEXEC | O_NONBLOCK | (follow_links ? 0 : O_NOFOLLOW);
  const int existing = (flags & ~O_CREAT) | fixed;
  // A file deleted between the two opens is looked for again, a few times:
  // a name that is neither openable nor creatable (a dangling symlink) ends
  // in an error, never in a loop.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = ::open(path.c_str(), existing);
    if (fd >= 0) return Opened(fd, path);
    if (errno == ELOOP && !follow_links) {
      SetRefused(path, "a symbolic link");
      return -1;
    }
    if (errno != ENOENT || !(flags & O_CREAT)) {
      SetErrno(errno, path);
      return -1;
    }
    const int created = ::open(path.c_str(), flags | fixed | O_EXCL | O_NOFOLLOW, kSharedFileMode);
    if (created >= 0) {
      ::fchmod(created, kSharedFileMode);
      return Opened(created, path);
    }
    if (errno != EEXIST) {
      SetErrno(errno, path);
      return -1;
    }
  }
  SetRefused(path, "a name that can be neither opened nor created (a dangling symbolic link?)");
  return -1;
}

}  // namespace zelmor::platform
