// zelmor: a suite program in miniature. It loads the library by path at run
// time, resolves its exports by name, and works through them only. The
// command line is checked first: help, version and usage errors load
// nothing, and neither does reading the log.
#include <iostream>

#include "host/command_line.h"
#include "host/commands.h"
#include "host/station_paths.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/process.h"
#include "rtl/paths.h"

namespace zelmor::host {
namespace {

std::string LibraryPath(const Invocation& invocation) {
  if (invocation.library) return *invocation.library;
  const std::string from_env = platform::GetEnvironmentVariable("ZELMOR_LIBRARY");
  if (!from_env.empty()) return from_env;
  const std::string home = HomeLibraryPath();
  if (platform::FileExists(home)) return home;
  const std::string folder = ExtractFilePath(platform::HostExecutablePath());
  const std::string beside = folder + platform::kZelmorLibraryFileName;
  const std::string installed = folder + ZELMOR_INSTALLED_LIBRARY_FROM_PROGRAM;
  return platform::FileExists(beside) || !platform::FileExists(installed) ? beside : installed;
}

int RunWithLibrary(const Invocation& invocation) {
  ZelmorApi api;
  std::string error;
  const std::string library = LibraryPath(invocation);
  if (invocation.command == "check")
    return RunCheck(api.Load(library, error) ? &api : nullptr, library, error);
  if (!api.Load(library, error)) {
    std::cerr << "zelmor: " << error << '\n';
    return kExitNoLibrary;
  }
  if (invocation.command == "query") return RunQuery(api, invocation);
  if (invocation.command == "exec") return RunExec(api, invocation);
  if (invocation.command == "fuel") return RunFuel(api);
  return RunParams(api, invocation);
}

int Run(int argc, char** argv) {
  const platform::LocalTime now = platform::CurrentLocalTime();
  const Today today{now.year, now.month, now.day};
  const ParsedCommandLine parsed =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), today);
  switch (parsed.outcome) {
    case ParsedCommandLine::kShow:
      std::cout << parsed.text;
      return kExitOk;
    case ParsedCommandLine::kUsageError:
      std::cerr << parsed.text;
      return kExitUsage;
    case ParsedCommandLine::kRun:
      break;
  }
  if (parsed.invocation.command == "log") return RunLog(parsed.invocation.log, today);
  return RunWithLibrary(parsed.invocation);
}

}  // namespace
}  // namespace zelmor::host

int main(int argc, char** argv) { return zelmor::host::Run(argc, argv); }
