// zelmor: a suite program in miniature. It loads the library by path at run
// time, resolves its exports by name, and works through them only.
#include <iostream>

#include "host/commands.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/process.h"
#include "rtl/paths.h"

namespace zelmor::host {
namespace {

constexpr char kUsage[] =
    "usage: zelmor [--lib PATH] COMMAND [options]\n"
    "\n"
    "  query SQL   run a SELECT on a pooled connection and print the rows\n"
    "  exec SQL    run a statement in a write transaction and commit it\n"
    "  fuel        summary of the station's fuel database\n"
    "  log [-f]    show the event log (-f: follow it)\n"
    "  params      the database port (and password with --show-password)\n"
    "\n"
    "connection options of query and exec (defaults: the station's fuel database):\n"
    "  --server HOST  --port N  --db PATH  --user NAME  --password TEXT  --charset NAME\n"
    "\n"
    "The library is taken from --lib, else $ZELMOR_LIBRARY, else the station home\n"
    "($ZEDE_HOME), else beside this program.\n"
    "exit codes: 0 ok, 1 failure, 2 usage, 3 no library, 4 no server, 5 statement failed\n";

std::string LibraryPath(const Options& options) {
  if (options.Has("lib")) return options.Get("lib");
  const std::string from_env = platform::GetEnvironmentVariable("ZELMOR_LIBRARY");
  if (!from_env.empty()) return from_env;
  const std::string home = platform::ZedeHome() + platform::kZelmorLibraryFileName;
  if (platform::FileExists(home)) return home;
  return ExtractFilePath(platform::HostExecutablePath()) + platform::kZelmorLibraryFileName;
}

int Run(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::cerr << "zelmor: " << error << '\n' << kUsage;
    return kExitUsage;
  }
  if (options.command.empty() || options.Has("help") || options.Has("h")) {
    std::cout << kUsage;
    return options.command.empty() && !options.Has("help") ? kExitUsage : kExitOk;
  }
  if (options.command == "log") return RunLog(options);

  ZelmorApi api;
  if (!api.Load(LibraryPath(options), error)) {
    std::cerr << "zelmor: " << error << '\n';
    return kExitNoLibrary;
  }
  if (options.command == "query") return RunQuery(api, options);
  if (options.command == "exec") return RunExec(api, options);
  if (options.command == "fuel") return RunFuel(api, options);
  if (options.command == "params") return RunParams(api, options);
  std::cerr << "zelmor: unknown command " << options.command << '\n' << kUsage;
  return kExitUsage;
}

}  // namespace

std::string EventLogPath() {
  return platform::ZedeHome() + "LogFiles" + platform::kPathDelimiter + "FBEvents.log";
}

std::string FuelDatabasePath() {
  return platform::ZedeHome() + "DB" + platform::kPathDelimiter + "VOLNEX.FDB";
}

}  // namespace zelmor::host

int main(int argc, char** argv) { return zelmor::host::Run(argc, argv); }
