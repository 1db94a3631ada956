// Linux: Windows file sharing rebuilt from flock() locks on the file itself,
// tried without blocking: shared for an open with full sharing, exclusive
// for a create or an open without sharing. A conflict reports
// kErrorSharingViolation.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors_posix.h"
#include "platform/file_fault_hook.h"
#include "platform/files_os.h"
#include "platform/paths_posix.h"
#include "platform/trust_posix.h"

// The build gives 32-bit Linux 64-bit file offsets (CMakeLists.txt).
static_assert(sizeof(off_t) == 8, "64-bit file offsets");

namespace zelmor::platform {

const char kPathDelimiter = '/';
const bool kCaseInsensitiveFileNames = false;

bool IsPathDelimiter(char c) { return c == '/'; }

namespace {

// Unlocked first: a child forked meanwhile shares the open description, and
// with it the lock, which a bare close would leave held by the child.
void UnlockAndClose(FileHandle file) {
  if (file == kInvalidFile) return;
  ::flock(static_cast<int>(file), LOCK_UN);
  ::close(static_cast<int>(file));
}

// A writable open or a create refuses a symlink at the name and a folder
// the station's accounts do not alone control; a read follows links (the
// settings file may be one) and checks only that it reads a regular file.
FileHandle OpenWithLock(const std::string& path, int flags, int lock, bool truncate) {
  const bool writes = (flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT);
  if (writes && !InTrustedFolder(path)) return kInvalidFile;
  const int fd = OpenOrCreateShared(path, flags, !writes);
  if (fd < 0) return kInvalidFile;
  if (::flock(fd, lock | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    SetErrno(err, path);
    return kInvalidFile;
  }
  if (truncate && ::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    SetErrno(err, path);
    return kInvalidFile;
  }
  return fd;
}

// Holds an exclusive lock on `path` while a rename or delete runs, so that a
// file open elsewhere is refused as Windows refuses it.
class ExclusiveProbe {
 public:
  explicit ExclusiveProbe(const std::string& path)
      : fd_(OpenWithLock(path, O_RDONLY, LOCK_EX, false)) {}
  ~ExclusiveProbe() { UnlockAndClose(fd_); }
  bool ok() const { return fd_ != kInvalidFile; }

 private:
  FileHandle fd_;
};

}  // namespace

FileHandle OpenShared(const std::string& path, bool writable) {
  if (fault::Injected(FileOp::kOpen, path)) return kInvalidFile;
  return fault::Track(OpenWithLock(path, writable ? O_RDWR : O_RDONLY, LOCK_SH, false), path);
}

FileHandle CreateExclusive(const std::string& path) {
  if (fault::Injected(FileOp::kCreate, path)) return kInvalidFile;
  return fault::Track(OpenWithLock(path, O_RDWR | O_CREAT, LOCK_EX, true), path);
}

FileHandle OpenExclusive(const std::string& path) {
  if (fault::Injected(FileOp::kOpen, path)) return kInvalidFile;
  return fault::Track(OpenWithLock(path, O_RDWR, LOCK_EX, false), path);
}

int64_t FileSeek(FileHandle file, int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::kBegin ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(static_cast<int>(file), offset, whence);
  if (pos < 0) SetErrno(errno);
  return pos;
}

int64_t FileRead(FileHandle file, void* buffer, size_t count) {
  if (fault::Injected(FileOp::kRead, file)) return -1;
  ssize_t n;
  do {
    n = ::read(static_cast<int>(file), buffer, count);
  } while (n < 0 && errno == EINTR);
  if (n < 0) SetErrno(errno);
  return n;
}

namespace os {

bool WriteAll(FileHandle file, const char* p, size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(static_cast<int>(file), p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetErrno(errno);
      return false;
    }
    if (n == 0) {
      SetLastError(kErrorDiskFull);
      return false;
    }
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace os

int64_t FileGetSize(FileHandle file) {
  struct stat st;
  if (::fstat(static_cast<int>(file), &st) != 0) {
    SetErrno(errno);
    return -1;
  }
  return st.st_size;
}

bool FileSetSize(FileHandle file, int64_t size) {
  if (fault::Injected(FileOp::kSetSize, file)) return false;
  if (::ftruncate(static_cast<int>(file), size) != 0) {
    SetErrno(errno);
    return false;
  }
  return true;
}

void FileClose(FileHandle file) {
  if (file == kInvalidFile) return;
  fault::Untrack(file);
  UnlockAndClose(file);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) { return IsDirectory(path); }

bool ForceDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) {
    SetLastError(kErrorPathNotFound);
    return false;
  }
  if (IsDirectory(folder)) return true;
  const std::string parent = ParentOf(folder);
  if (parent != folder && !ForceDirectories(parent)) return false;
  if (::mkdir(folder.c_str(), kSharedFolderMode) == 0) {
    // The set-group-id bit and the group's rights, whatever the umask.
    ::chmod(folder.c_str(), kSharedFolderMode);
    return true;
  }
  if (errno != EEXIST) {
    SetErrno(errno, folder);
    return false;
  }
  return IsDirectory(folder);
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  ExclusiveProbe probe(from);
  if (!probe.ok()) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) {
    SetErrno(errno, to);
    return false;
  }
  // File systems without RENAME_NOREPLACE: link fails when the target exists.
  if (::link(from.c_str(), to.c_str()) != 0) {
    SetErrno(errno, to);
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  if (::rename(from.c_str(), to.c_str()) != 0) {
    SetErrno(errno, to);
    return false;
  }
  return true;
}

bool DeleteFile(const std::string& path) {
  if (fault::Injected(FileOp::kDelete, path)) return false;
  ExclusiveProbe probe(path);
  if (!probe.ok()) return false;
  if (::unlink(path.c_str()) != 0) {
    SetErrno(errno, path);
    return false;
  }
  return true;
}

namespace {

// Windows wildcards: * any run of characters, ? any one; fnmatch would also
// take [ ] as a set.
bool MatchesWildcards(const char* mask, const char* name) {
  for (; *mask; ++mask, ++name) {
    if (*mask == '*') {
      for (const char* rest = name;; ++rest) {
        if (MatchesWildcards(mask + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*name || (*mask != '?' && *mask != *name)) return false;
  }
  return !*name;
}

template <typename Matches>
std::vector<std::string> FolderEntries(const std::string& path, Matches matches) {
  std::vector<std::string> names;
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    SetErrno(errno, folder);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (matches(last, name)) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace

std::vector<std::string> FindFiles(const std::string& pattern) {
  return FolderEntries(pattern, [](const std::string& mask, const std::string& name) {
    return MatchesWildcards(mask.c_str(), name.c_str());
  });
}

std::vector<std::string> FindFilesStartingWith(const std::string& path) {
  return FolderEntries(path, [](const std::string& prefix, const std::string& name) {
    return name.compare(0, prefix.size(), prefix) == 0;
  });
}

}  // namespace zelmor::platform
