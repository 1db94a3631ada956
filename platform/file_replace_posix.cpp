// The whole-file write of a settings file, as a reader must see it: the old
// content or the new, never a mix.
//
// The rule is a sibling in the same folder, renamed over the file. It is
// made with O_CREAT|O_EXCL|O_NOFOLLOW under a name no other account can
// guess ("<name>.<pid>.<tid>.<random>.tmp"), so a file or symlink planted in
// the folder is never followed, truncated or given away; it is born 0600 and
// gets the original's owner and mode only once it is ours. A crash leaves at
// worst a sibling, which the next writer removes.
//
// The in-place write is the fallback, used only where the rename cannot keep
// the file as it was (a folder this account may not write to, an owner it may
// not give). It is whole for every reader and writer of the library, since
// they all hold the file's named mutex, and for readers outside it, since
// the file is held with an exclusive flock (they get a sharing violation and
// retry); the content is on the disk when this returns. Before a byte
// changes, the new length is reserved (posix_fallocate; where the file
// system cannot reserve, the part past the old end is written first), so a
// full disk fails the write with the old file whole. What it cannot give is
// the rename's safety against a crash inside the write itself:
// - a process killed (kill -9) between the first and the last byte leaves
//   the new text up to where it got and the old text after it; where the
//   file grows, the reserved tail reads as NUL bytes until written, and a
//   shorter text keeps the old tail until the final truncation;
// - a power loss in that window, or before the fsync ends, may in addition
//   leave any mix of old and new blocks, since the kernel puts the pages on
//   the disk in an order of its own, with the old size or the new;
// - an I/O error in the middle of the write (not a full disk, which the
//   reservation catches) leaves such a mix as well, and is reported.
// That is why it is the fallback and not the rule.
#include "platform/file_replace.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/file_fault_hook.h"
#include "platform/files.h"
#include "platform/paths_posix.h"
#include "platform/process.h"
#include "platform/trust_posix.h"

namespace zelmor::platform {

namespace {

constexpr char kSiblingEnd[] = ".tmp";
// Random bytes in a sibling's name, written as twice as many hex digits.
constexpr size_t kNameRandomBytes = 8;

// A descriptor this file opened and locked, closed on every path (FileClose
// unlocks it first, so a child forked meanwhile does not keep the lock).
class LockedFile {
 public:
  explicit LockedFile(FileHandle file) : file_(file) {}
  ~LockedFile() { Close(); }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool ok() const { return file_ != kInvalidFile; }
  FileHandle get() const { return file_; }
  int fd() const { return static_cast<int>(file_); }
  // The fsync that puts the content on the disk, then the close.
  bool SyncAndClose() {
    const bool synced = ::fsync(fd()) == 0;
    if (!synced) SetErrno(errno);
    Close();
    return synced;
  }
  void Close() {
    if (file_ == kInvalidFile) return;
    KeepLastError keep;
    FileClose(file_);
    file_ = kInvalidFile;
  }

 private:
  FileHandle file_;
};

// Bytes no other account can predict: getrandom, or /dev/urandom where the
// kernel lacks it. False with errno set when neither answers.
bool FillRandom(unsigned char* out, size_t size) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::getrandom(out + got, size - got, 0);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == ENOSYS) {
      break;
    } else {
      return false;
    }
  }
  if (got == size) return true;
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  while (got < size) {
    const ssize_t n = ::read(fd, out + got, size - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n == 0) errno = EIO;
      const int err = errno;
      ::close(fd);
      errno = err;
      return false;
    }
  }
  ::close(fd);
  return true;
}

bool IsDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool IsHex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool ProcessAlive(long pid) {
  return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Splits "<pid>.<tid>" (the form of earlier versions) or
// "<pid>.<tid>.<random>" into its parts; false for anything else.
bool ParseSiblingIds(const std::string& ids, long& pid) {
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t dot = ids.find('.', start);
    parts.push_back(ids.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() != 2 && parts.size() != 3) return false;
  if (!IsDigits(parts[0]) || !IsDigits(parts[1])) return false;
  if (parts.size() == 3 && (parts[2].size() != 2 * kNameRandomBytes || !IsHex(parts[2])))
    return false;
  pid = ::strtol(parts[0].c_str(), nullptr, 10);
  return true;
}

// Removes one dead writer's sibling. Anything but a regular file at such a
// name (a symlink, a FIFO) was planted: the name goes, what it points to is
// never opened. A regular file is removed only while this process holds its
// exclusive lock, so that a writer still running, whose pid this process
// does not see (another pid namespace), keeps its own.
void RemoveSibling(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) ::unlink(path.c_str());
    return;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && (!S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) == 0)) {
    ::unlink(path.c_str());
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
}

// Siblings of writers that no longer run (killed in the middle of a write)
// are deleted; a live writer's is left alone.
void RemoveDeadWritersSiblings(const std::string& target) {
  KeepLastError keep;
  const std::string folder = ParentOf(target) + "/";
  const std::string name = target.substr(target.find_last_of('/') + 1);
  const size_t end = sizeof kSiblingEnd - 1;
  for (const std::string& entry : FindFilesStartingWith(target + ".")) {
    if (entry.size() <= name.size() + 1 + end || entry.compare(entry.size() - end, end, kSiblingEnd) != 0)
      continue;
    long pid = 0;
    if (ParseSiblingIds(entry.substr(name.size() + 1, entry.size() - name.size() - 1 - end), pid) &&
        !ProcessAlive(pid))
      RemoveSibling(folder + entry);
  }
}

// A new sibling, opened for writing and locked: never a file or symlink
// that was at its name before (O_EXCL), under a name with random bytes in
// it so that nobody can plant one there first.
FileHandle CreateSibling(const std::string& target, std::string& sibling) {
  constexpr int kAttempts = 4;  // a name taken by chance is tried again
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    unsigned char random[kNameRandomBytes];
    if (!FillRandom(random, sizeof random)) {
      SetErrno(errno);
      return kInvalidFile;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : random) {
      hex += kHex[byte >> 4];
      hex += kHex[byte & 15];
    }
    sibling = target + "." + std::to_string(CurrentProcessId()) + "." +
              std::to_string(CurrentThreadId()) + "." + hex + kSiblingEnd;
    if (fault::Injected(FileOp::kCreate, sibling)) return kInvalidFile;
    const int fd =
        ::open(sibling.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      SetErrno(errno, sibling);
      return kInvalidFile;
    }
    // The lock tells RemoveDeadWritersSiblings of other writers that this
    // one still runs.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      ::unlink(sibling.c_str());
      ::close(fd);
      SetErrno(err, sibling);
      return kInvalidFile;
    }
    return fault::Track(fd, sibling);
  }
  SetErrno(EEXIST, sibling);
  return kInvalidFile;
}

// Puts the rename on the disk. The new content is in place either way, so a
// folder this account cannot open for reading is no failure.
void SyncFolderOf(const std::string& target) {
  const int fd = ::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Claims the room of the new content before any byte of the old one
// changes. On failure the file is as it was (a partial reservation that
// grew it is cut back) and LastError() tells why, a full disk included.
bool ReserveRoom(const LockedFile& file, const std::string& target, int64_t old_size,
                 const std::string& bytes) {
  const auto new_size = static_cast<int64_t>(bytes.size());
  if (new_size == 0) return true;
  // posix_fallocate returns the error; it does not set errno.
  const int err = ::posix_fallocate(file.fd(), 0, static_cast<off_t>(new_size));
  if (err == 0) return true;
  if (err != EOPNOTSUPP && err != EINVAL && err != ENOSYS) {
    if (FileGetSize(file.get()) != old_size) ::ftruncate(file.fd(), static_cast<off_t>(old_size));
    SetErrno(err, target);
    return false;
  }
  // A file system that cannot reserve: the part past the old end goes
  // first, into blocks the old content does not use, so a full disk stops
  // it there. Overwriting blocks the file has needs no room.
  if (new_size <= old_size) return true;
  if (FileSeek(file.get(), old_size, SeekOrigin::kBegin) == old_size &&
      FileWriteAll(file.get(), bytes.data() + old_size, static_cast<size_t>(new_size - old_size)))
    return true;
  KeepLastError keep;
  ::ftruncate(file.fd(), static_cast<off_t>(old_size));
  return false;
}

bool WriteInPlace(const std::string& target, const std::string& bytes) {
  LockedFile file(OpenExclusive(target));
  if (!file.ok()) return false;
  const int64_t old_size = FileGetSize(file.get());
  if (old_size < 0 || !ReserveRoom(file, target, old_size, bytes)) return false;
  if (FileSeek(file.get(), 0, SeekOrigin::kBegin) != 0 ||
      !FileWriteAll(file.get(), bytes.data(), bytes.size()) ||
      !FileSetSize(file.get(), static_cast<int64_t>(bytes.size())))
    return false;
  return file.SyncAndClose();
}

// The sibling made as the original is: owner, group, mode (a new file: the
// mode of a new shared file). False when the owner cannot be given (only
// root may give a file away).
bool MadeLikeTheOriginal(const LockedFile& sibling, const struct stat* original) {
  if (!original) {
    if (::fchmod(sibling.fd(), kSharedFileMode) == 0) return true;
    SetErrno(errno);
    return false;
  }
  if (::fchown(sibling.fd(), original->st_uid, original->st_gid) != 0) return false;
  return ::fchmod(sibling.fd(), original->st_mode & 07777) == 0;
}

bool WriteThroughSibling(const std::string& target, const std::string& bytes,
                         const struct stat* original, bool& in_place) {
  std::string sibling;
  LockedFile file(CreateSibling(target, sibling));
  if (!file.ok()) return false;
  bool written = true;
  if (!MadeLikeTheOriginal(file, original)) {
    written = false;
    in_place = original != nullptr;
  }
  written = written && FileWriteAll(file.get(), bytes.data(), bytes.size()) &&
            file.SyncAndClose();
  if (written && ReplaceFile(sibling, target)) {
    SyncFolderOf(target);
    return true;
  }
  KeepLastError keep;
  file.Close();
  ::unlink(sibling.c_str());
  return false;
}

bool FolderWritable(const std::string& target) {
  return ::faccessat(AT_FDCWD, ParentOf(target).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
  const std::string target = ResolvedPath(path);
  // The sibling and the rename happen in the file's folder: one outside
  // the station's layout is refused before anything is made there.
  if (!InTrustedFolder(target)) return false;
  RemoveDeadWritersSiblings(target);
  struct stat original;
  const bool exists = ::stat(target.c_str(), &original) == 0 && !S_ISDIR(original.st_mode);
  if (exists) {
    // Refused at once when this account may not write the file itself.
    LockedFile probe(OpenShared(target, true));
    if (!probe.ok()) return false;
    probe.Close();
    if (!FolderWritable(target)) return WriteInPlace(target, bytes);
  }
  bool in_place = false;
  if (WriteThroughSibling(target, bytes, exists ? &original : nullptr, in_place)) return true;
  return in_place && WriteInPlace(target, bytes);
}

}  // namespace zelmor::platform
