// The in-place write: used only where the rename cannot keep the file as it
// was (a folder this account may not write to, an owner it may not give).
// It is whole for every reader and writer of the library, since they all
// hold the file's named mutex, and for readers outside it, since the file
// is held with an exclusive flock (they get a sharing violation and retry);
// the content is on the disk when this returns. What it cannot give is the
// rename's safety against a crash in the middle of the write itself, which
// is why it is the fallback and not the rule.
#include "platform/file_replace.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/files.h"
#include "platform/paths_posix.h"
#include "platform/process.h"

namespace zelmor::platform {

namespace {

constexpr char kSiblingEnd[] = ".tmp";

std::string SiblingOf(const std::string& target) {
  return target + "." + std::to_string(CurrentProcessId()) + "." +
         std::to_string(CurrentThreadId()) + kSiblingEnd;
}

bool IsDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool ProcessAlive(long pid) {
  return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Siblings "<name>.<pid>.<tid>.tmp" of writers that no longer run (killed
// in the middle of a write) are deleted; a live writer's is left alone.
void RemoveDeadWritersSiblings(const std::string& target) {
  const std::string folder = ParentOf(target) + "/";
  const std::string name = target.substr(target.find_last_of('/') + 1);
  const size_t end = sizeof kSiblingEnd - 1;
  for (const std::string& entry : FindFilesStartingWith(target + ".")) {
    if (entry.size() <= name.size() + 1 + end || entry.compare(entry.size() - end, end, kSiblingEnd) != 0)
      continue;
    const std::string ids = entry.substr(name.size() + 1, entry.size() - name.size() - 1 - end);
    const size_t dot = ids.find('.');
    if (dot == std::string::npos || !IsDigits(ids.substr(0, dot)) || !IsDigits(ids.substr(dot + 1)))
      continue;
    if (!ProcessAlive(::strtol(ids.substr(0, dot).c_str(), nullptr, 10)))
      DeleteFile(folder + entry);
  }
}

// Puts the rename on the disk. The new content is in place either way, so a
// folder this account cannot open for reading is no failure.
void SyncFolderOf(const std::string& target) {
  const int fd = ::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool SyncAndClose(FileHandle file) {
  const bool synced = ::fsync(static_cast<int>(file)) == 0;
  if (!synced) SetErrno(errno);
  KeepLastError keep;
  FileClose(file);
  return synced;
}

bool WriteInPlace(const std::string& target, const std::string& bytes) {
  const FileHandle file = OpenExclusive(target);
  if (file == kInvalidFile) return false;
  const bool written = FileSeek(file, 0, SeekOrigin::kBegin) == 0 &&
                       FileWriteAll(file, bytes.data(), bytes.size()) &&
                       FileSetSize(file, static_cast<int64_t>(bytes.size()));
  if (!written) {
    KeepLastError keep;
    FileClose(file);
    return false;
  }
  return SyncAndClose(file);
}

// The sibling made as the original is: owner, group, mode. False when the
// owner cannot be given (only root may give a file away).
bool MadeLikeTheOriginal(FileHandle sibling, const struct stat& original) {
  const int fd = static_cast<int>(sibling);
  if (::fchown(fd, original.st_uid, original.st_gid) != 0) return false;
  return ::fchmod(fd, original.st_mode & 07777) == 0;
}

bool WriteThroughSibling(const std::string& target, const std::string& bytes,
                         const struct stat* original, bool& in_place) {
  const std::string sibling = SiblingOf(target);
  const FileHandle file = CreateExclusive(sibling);
  if (file == kInvalidFile) return false;
  bool written = true;
  if (original && !MadeLikeTheOriginal(file, *original)) {
    written = false;
    in_place = true;
  }
  written = written && FileWriteAll(file, bytes.data(), bytes.size());
  if (written) {
    written = SyncAndClose(file);
  } else {
    KeepLastError keep;
    FileClose(file);
  }
  if (written && ReplaceFile(sibling, target)) {
    SyncFolderOf(target);
    return true;
  }
  KeepLastError keep;
  DeleteFile(sibling);
  return false;
}

bool FolderWritable(const std::string& target) {
  return ::faccessat(AT_FDCWD, ParentOf(target).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
  const std::string target = ResolvedPath(path);
  RemoveDeadWritersSiblings(target);
  struct stat original;
  const bool exists = ::stat(target.c_str(), &original) == 0 && !S_ISDIR(original.st_mode);
  if (exists) {
    // Refused at once when this account may not write the file itself.
    const FileHandle probe = OpenShared(target, true);
    if (probe == kInvalidFile) return false;
    FileClose(probe);
    if (!FolderWritable(target)) return WriteInPlace(target, bytes);
  }
  bool in_place = false;
  if (WriteThroughSibling(target, bytes, exists ? &original : nullptr, in_place)) return true;
  return in_place && WriteInPlace(target, bytes);
}

}  // namespace zelmor::platform
