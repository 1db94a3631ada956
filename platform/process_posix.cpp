#include "platform/process.h"

#include <langinfo.h>
#include <pthread.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>

#include "platform/errors_posix.h"
#include "platform/files.h"
#include "platform/paths_posix.h"

namespace zelmor::platform {

namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = ::getenv(name);
  return value && *value ? value : fallback;
}

// The ids cost a system call each, a tenth of a log line's budget, so each
// is asked once: the process id once per process, a thread's id once per
// thread. A fork gives the child new ids; the fork handler forgets the
// process id and moves the generation on, which makes every thread's kept
// id stale.
std::atomic<uint32_t> g_process_id{0};
std::atomic<uint32_t> g_fork_generation{0};

void ForgetIdsInForkedChild() {
  g_process_id.store(0, std::memory_order_relaxed);
  g_fork_generation.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

uint32_t CurrentProcessId() {
  uint32_t id = g_process_id.load(std::memory_order_relaxed);
  if (id != 0) return id;
  static const bool registered = ::pthread_atfork(nullptr, nullptr, ForgetIdsInForkedChild) == 0;
  id = static_cast<uint32_t>(::getpid());
  if (registered) g_process_id.store(id, std::memory_order_relaxed);
  return id;
}

uint32_t CurrentThreadId() {
  struct Kept {
    uint32_t id = 0;
    uint32_t generation = 0;
  };
  thread_local Kept kept;
  CurrentProcessId();  // registers the fork handler before an id is kept
  const uint32_t generation = g_fork_generation.load(std::memory_order_relaxed);
  if (kept.id == 0 || kept.generation != generation)
    kept = {static_cast<uint32_t>(::syscall(SYS_gettid)), generation};
  return kept.id;
}

namespace {

// A folder of this account's own: a folder (not a link), owned by this
// account and closed to every other.
bool PrivateFolder(const std::string& folder) {
  struct stat st;
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// <base>zelmor-<uid>, made 0700; a folder of this process's own when
// another account holds that name; empty when `base` takes neither.
std::string MadePrivateFolder(const std::string& base) {
  const std::string own = base + "zelmor-" + std::to_string(::geteuid());
  if (::mkdir(own.c_str(), 0700) == 0 || PrivateFolder(own)) return own;
  std::string unique = own + "-XXXXXX";
  return ::mkdtemp(unique.data()) ? unique : std::string();
}

}  // namespace

// Windows gives each user a temporary folder of their own; here it is a
// folder of the account's own in the temporary folder the account chose
// ($TMPDIR, when this account may make one there), or else its session's
// runtime folder, or else one in /tmp: never a name another account may
// have planted.
std::string TempPath() {
  const std::string chosen = EnvOr("TMPDIR", "");
  if (!chosen.empty()) {
    const std::string own = MadePrivateFolder(WithTrailingSlash(chosen));
    if (!own.empty()) return WithTrailingSlash(own);
  }
  const std::string runtime = EnvOr("XDG_RUNTIME_DIR", "");
  if (!runtime.empty() && PrivateFolder(runtime)) return WithTrailingSlash(runtime);
  const std::string own = MadePrivateFolder("/tmp/");
  return own.empty() ? "/tmp/" : WithTrailingSlash(own);
}

std::string WindowsDirectory() {
  std::string dir = Absolute(EnvOr("ZEDE_WINDIR", "/etc/zede"));
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Resolved as the library's own path is, so that the two compare.
std::string ZedeHome() {
  return WithTrailingSlash(ResolvedPath(Absolute(EnvOr("ZEDE_HOME", "/opt/zede/"))));
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

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace zelmor::platform
