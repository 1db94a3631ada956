// The host program's command line: commands, options and their checks.
// Parsing loads nothing: help, version and usage errors come before the
// library is looked at.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/log_filter.h"
#include "host/log_moment.h"

namespace zelmor::host {

// Exit codes.
enum ExitCode {
  kExitOk = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitNoLibrary = 3,
  kExitNoServer = 4,
  kExitBadStatement = 5,
  // A connect that failed, by what the server did.
  kExitNoAnswer = 6,
  kExitLoginRefused = 7,
  kExitNoDatabase = 8,
};

// Where a pooled connection of query and exec goes; unset values take the
// station's defaults (its fuel database, the port and password the library
// settled at load).
struct ConnectionOptions {
  std::string server = "127.0.0.1";
  std::optional<int> port;
  std::optional<std::string> database;  // UTF-8, as typed
  std::string user = "SYSDBA";
  std::optional<std::string> password;  // UTF-8, as typed
  std::string charset = "WIN1251";
};

enum class Colour { kAuto, kAlways, kNever };

struct LogOptions {
  std::optional<std::string> file;  // the station's event log when unset
  bool follow = false;
  bool archives = false;
  bool stats = false;
  std::optional<size_t> last;  // -n: only the last N lines taken (then follow)
  Colour colour = Colour::kAuto;
  bool json = false;  // JSON lines, an entry each
  LogFilter filter;
};

struct Invocation {
  std::string command;  // query, exec, fuel, log or params
  std::optional<std::string> library;  // --lib
  std::string statement;                // query and exec, UTF-8
  ConnectionOptions connection;
  bool show_password = false;           // params
  bool json = false;                    // query: JSON lines
  LogOptions log;
};

struct ParsedCommandLine {
  enum Outcome { kRun, kShow, kUsageError } outcome = kRun;
  // kShow: help or version, for standard output (exit 0); kUsageError: what
  // was wrong and where to read more, for standard error (exit 2).
  std::string text;
  Invocation invocation;
};

// `arguments` without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const Today& today);

}  // namespace zelmor::host
