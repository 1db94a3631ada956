// What a failed connect tells the user: an exit code and a few words per
// kind of failure, so that a script can tell a hung server from a wrong
// password or a wrong path.
#pragma once

#include <exception>

namespace zelmor::host {

struct ConnectFailure {
  int exit_code;
  const char* what;  // "no server", "login refused", ...
};

// The failure of a connect (a pool take, the fuel database); whatever is
// not one of the server's answers is "no server".
ConnectFailure ConnectFailureOf(const std::exception& error);

}  // namespace zelmor::host
