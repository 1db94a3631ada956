// Whether a TCP server takes a connection, asked within a bound: the
// database client's own connect waits as long as the OS lets it (about two
// minutes for a listener that never accepts).
#pragma once

#include <cstdint>
#include <string>

namespace zelmor::platform {

enum class TcpReach : uint8_t {
  kAccepted,    // the connection was made (and is closed again at once)
  kRefused,     // the connect failed at once: nothing listens, no route
  kNoAnswer,    // the connect did not complete within the bound
  kUnknownHost  // the name does not resolve
};

// Connects to `host`:`port` (the first address the name resolves to),
// waiting at most `timeout_ms`, and closes the connection again.
TcpReach ProbeTcpConnect(const std::string& host, int32_t port, uint32_t timeout_ms);

}  // namespace zelmor::platform
