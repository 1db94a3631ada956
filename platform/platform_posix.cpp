// Linux implementation of the OS layer.
//
// Windows semantics are rebuilt from POSIX pieces:
//  * Named mutexes are flock() locks on one lock file per name. flock locks
//    belong to an open file description, so one descriptor per name is kept
//    in a process-wide table and shared by every handle; the table also makes
//    the lock recursive for its owning thread and keeps other threads of the
//    process waiting in-process (flock does not keep threads apart). fcntl()
//    locks would not do: they are per process and vanish when any descriptor
//    of the file is closed. The kernel drops a flock when its process dies,
//    which matches "an abandoned mutex counts as taken".
//  * File sharing modes are flock() locks on the file itself, tried without
//    blocking: shared for an open with full sharing, exclusive for a create
//    or an open without sharing. A conflict reports ERROR_SHARING_VIOLATION.
//  * errno values are mapped to the Windows codes the callers test.
#include "platform/platform.h"

#include "platform/fault_injection.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <langinfo.h>
#include <link.h>
#include <locale.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <condition_variable>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace zelmor::platform {

const char kPathDelimiter = '/';
const char* const kZelmorLibraryFileName = "libZelmor.so";
const char* const kClientLibraryFileName = "libfbclient.so.2";
const char* const kHomeClientLibraryPath = "FIREBIRD/lib/libfbclient.so.2";
const char* const kHomeFirebirdFolder = "FIREBIRD/";

bool IsPathDelimiter(char c) { return c == '/'; }

// ---- errors ------------------------------------------------------------------

namespace {

thread_local uint32_t t_last_error = 0;
// A plain buffer: it must survive the thread's own destructors, since the
// library's unload sequence can run at process exit.
thread_local char t_last_module_error[512];

// Codes outside the Windows table keep their errno in the low bits.
constexpr uint32_t kErrnoFlag = 0x20000000;

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

uint32_t MapErrno(int err, const std::string& path = {}) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT:
      // Windows tells a missing file from a missing folder.
      return path.empty() || IsDirectory(ParentOf(path)) ? kErrorFileNotFound
                                                         : kErrorPathNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EWOULDBLOCK: return kErrorSharingViolation;
    case EEXIST: return kErrorAlreadyExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorBufferOverflow;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EILSEQ: return kErrorInvalidName;
    case EIO: return kErrorWriteFault;
    default: return kErrnoFlag | static_cast<uint32_t>(err);
  }
}

void SetErrno(int err, const std::string& path = {}) { t_last_error = MapErrno(err, path); }

int RepresentativeErrno(uint32_t code) {
  if (code & kErrnoFlag) return static_cast<int>(code & ~kErrnoFlag);
  switch (code) {
    case kErrorFileNotFound:
    case kErrorPathNotFound: return ENOENT;
    case kErrorAccessDenied: return EACCES;
    case kErrorInvalidHandle: return EBADF;
    case kErrorNotEnoughMemory: return ENOMEM;
    case kErrorWriteFault:
    case kErrorReadFault: return EIO;
    case kErrorSharingViolation:
    case kErrorLockViolation: return EWOULDBLOCK;
    case kErrorFileExists:
    case kErrorAlreadyExists: return EEXIST;
    case kErrorInvalidParameter: return EINVAL;
    case kErrorBufferOverflow: return ENAMETOOLONG;
    case kErrorDiskFull: return ENOSPC;
    case kErrorInvalidName: return EILSEQ;
    default: return -1;
  }
}

}  // namespace

uint32_t LastError() { return t_last_error; }
void SetLastError(uint32_t code) { t_last_error = code; }

std::string SystemErrorMessage(uint32_t code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kErrorLockViolation:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case kErrorModNotFound:
    case kErrorProcNotFound:
      if (t_last_module_error[0]) return t_last_module_error;
      return code == kErrorModNotFound ? "The specified module could not be found."
                                       : "The specified procedure could not be found.";
    default: break;
  }
  const int err = RepresentativeErrno(code);
  if (err < 0) return "Unknown error " + std::to_string(code);
  char buffer[256];
  return ::strerror_r(err, buffer, sizeof buffer);
}

// ---- named mutex -------------------------------------------------------------

namespace {

// The folder for "Global\" names is shared by every account; the bare-name
// fallback is the user's own.
constexpr char kGlobalPrefix[] = "Global\\";
constexpr char kMachineLockFolder[] = "/tmp/zelmor-locks";

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

bool EnsureLockFolder(const std::string& folder, mode_t mode) {
  if (::mkdir(folder.c_str(), mode) == 0) {
    ::chmod(folder.c_str(), mode);  // not narrowed by the umask
    return true;
  }
  if (errno != EEXIST) {
    SetErrno(errno);
    return false;
  }
  if (!IsDirectory(folder)) {
    SetErrno(ENOTDIR);
    return false;
  }
  return true;
}

}  // namespace

struct NamedMutex {
  std::string path;
  LockEntry* entry;
};

SecurityStep PrepareNullDaclSecurity() { return SecurityStep::kOk; }

MutexHandle CreateMutexNullDacl(const std::string& name) {
  std::string folder;
  std::string bare = name;
  if (name.compare(0, sizeof kGlobalPrefix - 1, kGlobalPrefix) == 0) {
    folder = kMachineLockFolder;
    bare = name.substr(sizeof kGlobalPrefix - 1);
    if (!EnsureLockFolder(folder, 01777)) return nullptr;
  } else {
    folder = std::string(kMachineLockFolder) + "-" + std::to_string(::getuid());
    if (!EnsureLockFolder(folder, 0700)) return nullptr;
  }
  const std::string path = folder + "/" + LockFileName(bare);

  std::lock_guard<std::mutex> table_lock(g_table_guard);
  auto& slot = LockTable()[path];
  if (!slot) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      SetErrno(errno, path);
      LockTable().erase(path);
      return nullptr;
    }
    ::fchmod(fd, 0666);  // every account may take the lock (a null DACL)
    slot = std::make_unique<LockEntry>();
    slot->fd = fd;
  }
  ++slot->handles;
  return new NamedMutex{path, slot.get()};
}

void WaitMutex(MutexHandle mutex) {
  if (!mutex) return;
  LockEntry& e = *mutex->entry;
  const auto self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(e.guard);
  if (e.depth > 0 && e.owner == self) {
    ++e.depth;
    return;
  }
  e.released.wait(lock, [&] { return e.depth == 0; });
  e.owner = self;
  e.depth = 1;
  lock.unlock();
  // Other threads of this process now wait in-process; this one waits for
  // the other processes.
  while (::flock(e.fd, LOCK_EX) != 0 && errno == EINTR) {
  }
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

// ---- files -------------------------------------------------------------------

namespace {

FileHandle OpenWithLock(const std::string& path, int flags, int lock, bool truncate) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetErrno(errno, path);
    return kInvalidFile;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetLastError(kErrorAccessDenied);
    return kInvalidFile;
  }
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
  ~ExclusiveProbe() {
    if (fd_ != kInvalidFile) ::close(static_cast<int>(fd_));
  }
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

namespace {

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

}  // namespace

bool FileWriteAll(FileHandle file, const void* buffer, size_t count) {
  if (fault::Injected(FileOp::kWrite, file)) return false;
  const char* p = static_cast<const char*>(buffer);
  if (fault::Injected(FileOp::kShortWrite, file)) {
    const uint32_t code = LastError();
    WriteAll(file, p, count / 2);
    SetLastError(code);
    return false;
  }
  return WriteAll(file, p, count);
}

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
  ::close(static_cast<int>(file));
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
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
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

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  const auto slash = pattern.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    SetErrno(errno, folder);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(mask.c_str(), name.c_str(), 0) == 0) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// ---- clock, ids, sleep ---------------------------------------------------------

uint32_t TickCount() {
  if (const auto* fake = fault::FakeTicks()) return fake->load();
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}

LocalTime CurrentLocalTime() {
  timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm parts;
  ::localtime_r(&ts.tv_sec, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }
uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

void SleepMs(uint32_t milliseconds) {
  if (auto* fake = fault::FakeTicks()) {
    fake->fetch_add(milliseconds);
    return;
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000),
              static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void Beep(uint32_t /*frequency*/, uint32_t duration_ms) { SleepMs(duration_ms); }

// ---- process and environment -----------------------------------------------------

namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = ::getenv(name);
  return value && *value ? value : fallback;
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

}  // namespace

std::string TempPath() { return WithTrailingSlash(EnvOr("TMPDIR", "/tmp/")); }

std::string WindowsDirectory() {
  std::string dir = Absolute(EnvOr("ZEDE_WINDIR", "/etc/zede"));
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string ZedeHome() { return WithTrailingSlash(Absolute(EnvOr("ZEDE_HOME", "/opt/zede/"))); }

std::string HostExecutablePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (!::dladdr(address, &info) || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return Absolute(info.dli_fname);
}

std::vector<std::string> CommandLineArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> args;
  std::string arg;
  while (std::getline(in, arg, '\0')) args.push_back(arg);
  if (!args.empty()) args.erase(args.begin());
  return args;
}

char LocaleDecimalSeparator() {
  locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (!user) return '.';
  const char* radix = ::nl_langinfo_l(RADIXCHAR, user);
  const char separator = radix && radix[0] && !radix[1] ? radix[0] : '.';
  ::freelocale(user);
  return separator;
}

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  if (::setenv(name.c_str(), value.c_str(), 1) != 0) {
    SetErrno(errno);
    return false;
  }
  return true;
}

std::string GetEnvironmentVariable(const std::string& name) {
  const char* value = ::getenv(name.c_str());
  return value ? value : "";
}

namespace {

void RememberModuleError(const char* why) {
  snprintf(t_last_module_error, sizeof t_last_module_error, "%s", why ? why : "");
}

}  // namespace

// ---- modules -------------------------------------------------------------------------

std::vector<std::string> ClientLibraryNames() { return {kClientLibraryFileName}; }

namespace {

// Full path of a loaded module whose file name is `name`, or "".
std::string FindLoadedModule(const std::string& name) {
  struct Search {
    const std::string* name;
    std::string found;
  } search{&name, {}};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        const std::string path = info->dlpi_name;
        const auto slash = path.find_last_of('/');
        const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        if (file == *s->name) {
          s->found = path;
          return 1;
        }
        return 0;
      },
      &search);
  return search.found;
}

}  // namespace

bool IsModuleLoaded(const std::string& name) { return !FindLoadedModule(name).empty(); }

ModuleHandle LoadedModule(const std::string& name) {
  const std::string path = FindLoadedModule(name);
  if (path.empty()) return nullptr;
  // Borrowed, as GetModuleHandleA's handle is: the reference dlopen takes is
  // given back at once, and whoever loaded the module keeps it loaded.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) ::dlclose(handle);
  return handle;
}

ModuleHandle LoadModule(const std::string& path_or_name) {
  void* handle = ::dlopen(path_or_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    RememberModuleError(why);
    SetLastError(kErrorModNotFound);
  }
  return handle;
}

void* ModuleSymbol(ModuleHandle module, const char* symbol) {
  void* address = ::dlsym(module, symbol);
  if (!address) {
    const char* why = ::dlerror();
    RememberModuleError(why);
    SetLastError(kErrorProcNotFound);
  }
  return address;
}

bool FreeModule(ModuleHandle module) {
  if (::dlclose(module) != 0) {
    const char* why = ::dlerror();
    RememberModuleError(why);
    SetLastError(kErrorModNotFound);
    return false;
  }
  return true;
}

// ---- child processes -------------------------------------------------------------------

namespace {

// In the child, between fork and exec: only async-signal-safe calls.
bool RedirectTo(const char* path, int descriptor) {
  const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) return false;
  const bool moved = ::dup2(file, descriptor) >= 0;
  ::close(file);
  return moved;
}

}  // namespace

ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments,
                           const ChildOutput* output) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    SetErrno(errno);
    return kInvalidProcess;
  }
  if (pid == 0) {
    if (output && (!RedirectTo(output->stdout_path.c_str(), STDOUT_FILENO) ||
                   !RedirectTo(output->stderr_path.c_str(), STDERR_FILENO)))
      ::_exit(127);
    ::execv(executable.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code) {
  const uint32_t start = TickCount();
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    if (done == static_cast<pid_t>(process)) {
      exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    if (done < 0) {
      SetErrno(errno);
      exit_code = -1;
      return true;
    }
    if (TickCount() - start >= timeout_ms) return false;
    SleepMs(5);
  }
}

void KillProcess(ProcessHandle process) {
  ::kill(static_cast<pid_t>(process), SIGKILL);
  int status;
  ::waitpid(static_cast<pid_t>(process), &status, 0);
}

void CloseProcess(ProcessHandle) {}

// ---- notification -----------------------------------------------------------------------

bool PostNotification(uintptr_t target, uint32_t message) {
  const int fd = static_cast<int>(target);
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) {
    SetLastError(kErrorWriteFault);
    return false;
  }
  if (::write(fd, &message, sizeof message) == sizeof message) return true;
  // An eventfd takes a 64-bit counter only.
  const uint64_t counter = message;
  if (errno == EINVAL && ::write(fd, &counter, sizeof counter) == sizeof counter) return true;
  SetErrno(errno);
  return false;
}

}  // namespace zelmor::platform

// ---- replacing a file (settings store) ---------------------------------------

namespace zelmor::platform {

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  if (::rename(from.c_str(), to.c_str()) != 0) {
    SetErrno(errno, to);
    return false;
  }
  return true;
}

// ---- console ----------------------------------------------------------------------------

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace zelmor::platform

// ---- file name case (fuel database connection text) -----------------------
namespace zelmor::platform {
const bool kCaseInsensitiveFileNames = false;
}  // namespace zelmor::platform

// ---- process memory (memory benchmark) ---------------------------------------
namespace zelmor::platform {

uint64_t ResidentMemoryBytes() {
  FILE* status = ::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  uint64_t kilobytes = 0;
  char line[256];
  while (::fgets(line, sizeof line, status) != nullptr) {
    unsigned long long value = 0;
    if (::sscanf(line, "VmRSS: %llu kB", &value) == 1) {
      kilobytes = value;
      break;
    }
  }
  ::fclose(status);
  return kilobytes * 1024;
}

}  // namespace zelmor::platform
