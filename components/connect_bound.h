// A connect to a database server that gives up after a bound. The client
// library's own TCP connect waits as long as the OS lets it (about two
// minutes for a listener that never accepts), and its wait for the server's
// first reply ends at the connect time-out of the parameter block; so the
// port is tried first within the bound, and an attach that fails once the
// bound ran out is told as such, not as the client's "connection rejected".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "components/ib_status.h"

namespace zelmor {

// The TCP server a connection text names: "host/port:path", or "host:path"
// with Firebird's port 3050. None for a local path (a one-letter "host" is
// a drive), a named service instead of a port, or a protocol URL.
struct ServerAddress {
  std::string host;
  int32_t port = 0;
};
std::optional<ServerAddress> ServerAddressOf(const std::string& database_name);

// Raises EIBInterBaseError of class kTimedOut when the server of
// `database_name` does not take a TCP connection within `timeout_s`
// seconds. A refused connect or an unknown name is left to the attach,
// whose failure says it.
void CheckServerTakesConnections(const std::string& database_name, int32_t timeout_s);

// Raises the failure of an attach that took `elapsed_ms` under a bound of
// `timeout_s` seconds (0: none). A network failure at the end of the bound
// is kTimedOut with a message that says so; one before it is kRefused, as
// there was no connection yet to lose. Others keep their class.
[[noreturn]] void RaiseAttachFailure(const IBStatus& status, const std::string& database_name,
                                     int32_t timeout_s, uint32_t elapsed_ms);

}  // namespace zelmor
