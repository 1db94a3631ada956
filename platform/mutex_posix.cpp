// Linux: named mutexes are flock() locks on one lock file per name. flock
// locks belong to an open file description, so one descriptor per name is
// kept in a process-wide table and shared by every handle; the table also
// makes the lock recursive for its owning thread and keeps other threads of
// the process waiting in-process (flock does not keep threads apart).
// fcntl() locks would not do: they are per process and vanish when any
// descriptor of the file is closed. The kernel drops a flock when its
// process dies, which matches "an abandoned mutex counts as taken".
//
// fork() copies the descriptors, and with them the open file descriptions
// and their locks: a child would hold (or later take) its parent's lock as
// the same owner. OFD locks (F_OFD_SETLKW) would not help, as they belong to
// the inherited description too. So the child of a fork gives up the
// inherited descriptions (a pthread_atfork handler opens each lock file
// afresh over the old descriptor) and the table's in-process state, which
// may say "held" by a thread that does not exist in the child.
#include "platform/mutex.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/file_fault_hook.h"
#include "platform/fork_guard.h"
#include "platform/paths_posix.h"
#include "platform/process.h"
#include "platform/trust_posix.h"

namespace zelmor::platform {

namespace {

// One folder shared by every account. Bare names live there too: a
// per-user folder would let the accounts' processes stop excluding each
// other without a word whenever the machine-wide name failed.
constexpr char kGlobalPrefix[] = "Global\\";

struct LockEntry {
  int fd = -1;
  int handles = 0;
  std::mutex guard;
  std::condition_variable released;
  std::thread::id owner;
  int depth = 0;
};

std::mutex g_table_guard;
std::map<std::string, std::unique_ptr<LockEntry>>& LockTable() {
  static auto* table = new std::map<std::string, std::unique_ptr<LockEntry>>;
  return *table;
}

uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ULL;
  return h;
}

// A file name for the lock: the mutex name itself, unless it holds a slash
// or is too long for one path component.
std::string LockFileName(const std::string& name) {
  if (name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
      !name.empty() && name.size() <= 200 && name != "." && name != "..")
    return name;
  char hash[17];
  snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(name)));
  std::string head = name.substr(0, 120);
  for (char& c : head)
    if (c == '/' || c == '\0') c = '_';
  return head + "~" + hash;
}

// Opens the lock file, creating it when it does not exist; never through a
// symlink, never waiting on a FIFO. flock needs no write access, so a file
// this account may only read still serves.
int OpenLockFile(const std::string& path) {
  const int fd = OpenOrCreateShared(path, O_RDWR | O_CREAT, false);
  if (fd >= 0 || LastError() != kErrorAccessDenied) return fd;
  return OpenOrCreateShared(path, O_RDONLY, false);
}

// A lock file deleted or replaced while this process had it open (by hand,
// by a cleaner) no longer stands for the name: whoever opens the name now
// gets another file. The holder notices at its next wait, by the link count
// of its own file, and opens the name afresh.
bool StillNamed(int fd) {
  struct stat st;
  return ::fstat(fd, &st) != 0 || st.st_nlink > 0;
}

// In the child of a fork: each lock gets a description of its own and is
// not held by anyone in this process. Only the forking thread runs here, so
// the table's mutexes are made afresh rather than unlocked.
void ForgetInheritedLocks() {
  new (&g_table_guard) std::mutex;
  for (auto& [path, entry] : LockTable()) {
    new (&entry->guard) std::mutex;
    new (&entry->released) std::condition_variable;
    entry->owner = std::thread::id();
    entry->depth = 0;
    const int fresh = OpenLockFile(path);
    if (fresh >= 0) {
      ::dup3(fresh, entry->fd, O_CLOEXEC);
      ::close(fresh);
    } else {
      // Better no lock at all than the parent's: every wait then fails.
      ::close(entry->fd);
      entry->fd = -1;
    }
  }
}

// The table comes last in the lock order: loggers make and close their
// mutexes under their own locks. Never unregistered, as the table is never
// freed.
void RegisterForkHandler() {
  static const ForkLockOps ops{[](void*) { g_table_guard.lock(); },
                               [](void*) { g_table_guard.unlock(); },
                               [](void*) { ForgetInheritedLocks(); }};
  static const auto* registered = new ForkLockRegistration(ForkRank::kLockTable, nullptr, ops);
  (void)registered;
}

// The lock folder is made by the station's set-up (at boot on a machine
// with systemd-tmpfiles); where it is missing the library makes it, for
// the station's group, and then trusts it only as any other folder.
bool EnsureLockFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), kSharedFolderMode) == 0) {
    const long group = StationGroup();
    if (group >= 0) ::chown(folder.c_str(), static_cast<uid_t>(-1), static_cast<gid_t>(group));
    ::chmod(folder.c_str(), kSharedFolderMode);  // not narrowed by the umask
  } else if (errno != EEXIST) {
    SetErrno(errno, folder);
    return false;
  }
  return TrustedFolder(folder);
}

// Takes the flock of the file the name stands for now, reopening it first
// when the one held open was deleted.
int LockNamedFile(LockEntry& e, const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    int result;
    while ((result = ::flock(e.fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
      SetErrno(errno);
      return result;
    }
    if (StillNamed(e.fd) || attempt == 8) return 0;
    ::flock(e.fd, LOCK_UN);
    const int fresh = OpenLockFile(path);
    if (fresh < 0) return -1;
    ::dup3(fresh, e.fd, O_CLOEXEC);
    ::close(fresh);
  }
}

}  // namespace

std::string MachineLockFolder() {
  const std::string chosen = GetEnvironmentVariable("ZEDE_LOCKDIR");
  std::string folder = chosen.empty() ? "/run/lock/zelmor" : Absolute(chosen);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

struct NamedMutex {
  std::string path;
  LockEntry* entry;
};

SecurityStep PrepareNullDaclSecurity() { return SecurityStep::kOk; }

MutexHandle CreateMutexNullDacl(const std::string& name) {
  RegisterForkHandler();
  const bool global = name.compare(0, sizeof kGlobalPrefix - 1, kGlobalPrefix) == 0;
  const std::string bare = global ? name.substr(sizeof kGlobalPrefix - 1) : name;
  const std::string folder = MachineLockFolder();
  if (!EnsureLockFolder(folder)) return nullptr;
  const std::string path = folder + "/" + LockFileName(bare);

  std::lock_guard<std::mutex> table_lock(g_table_guard);
  auto& slot = LockTable()[path];
  if (!slot) {
    const int fd = OpenLockFile(path);
    if (fd < 0) {
      LockTable().erase(path);
      return nullptr;
    }
    slot = std::make_unique<LockEntry>();
    slot->fd = fd;
  }
  ++slot->handles;
  return new NamedMutex{path, slot.get()};
}

bool WaitMutex(MutexHandle mutex) {
  if (!mutex) return true;
  LockEntry& e = *mutex->entry;
  const auto self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(e.guard);
  if (e.depth > 0 && e.owner == self) {
    ++e.depth;
    return true;
  }
  e.released.wait(lock, [&] { return e.depth == 0; });
  e.owner = self;
  e.depth = 1;
  lock.unlock();
  // Other threads of this process now wait in-process; this one waits for
  // the other processes.
  int result = 0;
  if (fault::Injected(FileOp::kLock, mutex->path)) {
    result = -1;
  } else {
    result = LockNamedFile(e, mutex->path);
  }
  if (result == 0) return true;
  // Without the lock file's lock nobody holds the mutex: the in-process
  // ownership is given back, so that no thread believes it holds the lock.
  lock.lock();
  e.depth = 0;
  e.owner = std::thread::id();
  e.released.notify_one();
  return false;
}

void ReleaseMutex(MutexHandle mutex) {
  if (!mutex) return;
  LockEntry& e = *mutex->entry;
  std::lock_guard<std::mutex> lock(e.guard);
  if (e.depth == 0 || e.owner != std::this_thread::get_id()) return;
  if (--e.depth == 0) {
    ::flock(e.fd, LOCK_UN);
    e.owner = std::thread::id();
    e.released.notify_one();
  }
}

void CloseMutex(MutexHandle mutex) {
  if (!mutex) return;
  {
    std::lock_guard<std::mutex> table_lock(g_table_guard);
    LockEntry& e = *mutex->entry;
    bool held;
    {
      std::lock_guard<std::mutex> lock(e.guard);
      held = e.depth > 0;
    }
    // A lock still held keeps its descriptor until the process ends, as an
    // owned Windows mutex outlives the handle that is closed.
    if (--e.handles == 0 && !held) {
      ::close(e.fd);
      LockTable().erase(mutex->path);
    }
  }
  delete mutex;
}

}  // namespace zelmor::platform
