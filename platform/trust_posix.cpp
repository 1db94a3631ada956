#include "platform/trust_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/paths_posix.h"
#include "platform/process.h"

namespace zelmor::platform {

namespace {

// A file's folder that is not there: the path is what is missing.
void MissingFolder(const std::string& folder) {
  if (errno == ENOENT)
    SetLastError(kErrorPathNotFound);
  else
    SetErrno(errno, folder);
}

bool WritableByEveryone(const struct stat& st) { return (st.st_mode & S_IWOTH) != 0; }

bool OwnedByRootOrSelf(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ::geteuid(); }

std::string OwnerText(const struct stat& st) {
  return "owned by uid " + std::to_string(st.st_uid) + " and gid " + std::to_string(st.st_gid) +
         ", neither root, this account nor the station's group";
}

// `depth` bounds the climb towards "/" for paths of absurd depth.
bool Trusted(const std::string& folder, long station_group, int depth) {
  struct stat link;
  if (::lstat(folder.c_str(), &link) != 0) {
    MissingFolder(folder);
    return false;
  }
  const std::string absolute = Absolute(folder);
  const std::string parent = ParentOf(absolute);
  struct stat st = link;
  if (S_ISLNK(link.st_mode)) {
    struct stat above;
    if (::stat(parent.c_str(), &above) == 0 && WritableByEveryone(above) &&
        !(above.st_mode & S_ISVTX && OwnedByRootOrSelf(link))) {
      SetRefused(folder, "a symbolic link in a folder every account may write to");
      return false;
    }
    if (::stat(folder.c_str(), &st) != 0) {
      MissingFolder(folder);
      return false;
    }
  }
  if (!S_ISDIR(st.st_mode)) {
    SetRefused(folder, "not a folder");
    return false;
  }
  if (WritableByEveryone(st)) {
    SetRefused(folder, "a folder every account may write to");
    return false;
  }
  if (OwnedByRootOrSelf(st) || (station_group >= 0 && st.st_gid == static_cast<gid_t>(station_group)))
    return true;
  if (depth > 0 && parent != absolute && Trusted(parent, station_group, depth - 1))
    return true;
  SetRefused(folder, OwnerText(st));
  return false;
}

}  // namespace

long StationGroup() {
  struct stat st;
  const std::string home = ZedeHome();
  if (::stat(home.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || WritableByEveryone(st) ||
      !OwnedByRootOrSelf(st))
    return -1;
  return static_cast<long>(st.st_gid);
}

bool TrustedFolder(const std::string& folder) { return Trusted(folder, StationGroup(), 64); }

bool InTrustedFolder(const std::string& path) {
  thread_local std::string last_trusted;
  const std::string folder = ParentOf(path);
  if (folder == last_trusted) return true;
  if (!TrustedFolder(folder)) return false;
  last_trusted = folder;
  return true;
}

bool AcceptOpenedFile(int fd, const std::string& path) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    SetErrno(errno, path);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    SetErrno(EISDIR, path);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    SetRefused(path, "not a regular file");
    return false;
  }
  if (WritableByEveryone(st) && ::fchmod(fd, st.st_mode & 07775) != 0) {
    SetRefused(path, "a file every account may write to");
    return false;
  }
  return true;
}

}  // namespace zelmor::platform
