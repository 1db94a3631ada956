// The private Firebird server a benchmark measures against, as
// scripts/firebird-server.sh announces it in the environment.
#pragma once

#include <string>

namespace zelmor::bench {

struct ServerTarget {
  std::string server;
  int port = 0;
  std::string file;
  std::string password;
};

// Reads ZELMOR_FB_TEST_DB ("server/port:file") and ZELMOR_FB_PASSWORD;
// false when no server was started.
bool ReadServerTarget(ServerTarget& target);

}  // namespace zelmor::bench
