#include "platform/process.h"

#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

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

}  // namespace

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }
uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

std::string TempPath() { return WithTrailingSlash(EnvOr("TMPDIR", "/tmp/")); }

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
