// The host program's command line.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zelmor::host {

struct Options {
  std::string command;
  std::vector<std::string> positional;     // UTF-8, as typed
  std::map<std::string, std::string> named;  // --name value / --name=value
  bool Has(const std::string& name) const { return named.count(name) != 0; }
  std::string Get(const std::string& name, const std::string& fallback = {}) const;
};

// Flags that take no value.
bool IsSwitch(const std::string& name);
// Parses argv; false with `error` set on a malformed line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// Exit codes.
enum ExitCode {
  kExitOk = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitNoLibrary = 3,
  kExitNoServer = 4,
  kExitBadStatement = 5,
};

}  // namespace zelmor::host
