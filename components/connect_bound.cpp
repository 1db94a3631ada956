#include "components/connect_bound.h"

#include "components/ib_error_class.h"
#include "platform/network.h"
#include "rtl/exceptions.h"
#include "rtl/format.h"
#include "rtl/text.h"

namespace zelmor {
namespace {

constexpr int32_t kFirebirdPort = 3050;
// The client ends its wait on its own clock, a little before ours says the
// whole bound has passed.
constexpr uint32_t kBoundSlackMs = 500;

[[noreturn]] void RaiseTimedOut(const std::string& database_name, int32_t timeout_s, long sql_code,
                                long ib_error_code) {
  const std::optional<ServerAddress> server = ServerAddressOf(database_name);
  const std::string where = server ? Format("Server %s, port %d,", {server->host, server->port})
                                   : Format("The server of %s", {database_name});
  throw EIBInterBaseError(Format("%s did not answer within %d s", {where, timeout_s}), sql_code,
                          ib_error_code, TIBErrorClass::kTimedOut);
}

}  // namespace

std::optional<ServerAddress> ServerAddressOf(const std::string& database_name) {
  const size_t colon = database_name.find(':');
  if (colon == std::string::npos || colon < 2) return std::nullopt;
  const std::string server = database_name.substr(0, colon);
  if (server.find_first_of("\\") != std::string::npos) return std::nullopt;
  const size_t slash = server.find('/');
  if (slash == std::string::npos) return ServerAddress{server, kFirebirdPort};
  long long port = 0;
  if (slash == 0 || !TryStrToInt(server.substr(slash + 1), port) || port <= 0 || port > 65535)
    return std::nullopt;
  return ServerAddress{server.substr(0, slash), static_cast<int32_t>(port)};
}

void CheckServerTakesConnections(const std::string& database_name, int32_t timeout_s) {
  const std::optional<ServerAddress> server = ServerAddressOf(database_name);
  if (!server || timeout_s <= 0) return;
  const uint32_t bound_ms = static_cast<uint32_t>(timeout_s) * 1000;
  if (platform::ProbeTcpConnect(server->host, server->port, bound_ms) ==
      platform::TcpReach::kNoAnswer)
    RaiseTimedOut(database_name, timeout_s, -902, isc_network_error);
}

void RaiseAttachFailure(const IBStatus& status, const std::string& database_name,
                        int32_t timeout_s, uint32_t elapsed_ms) {
  const long code = status.ErrorCode();
  const TIBErrorClass error_class = IBErrorClassOf(code);
  const bool network = error_class == TIBErrorClass::kLostConnection || code == isc_connect_reject;
  if (!network) status.Raise();
  const long sql_code = GetGDSLibrary().Entries().isc_sqlcode(status.vector);
  if (timeout_s > 0 && elapsed_ms + kBoundSlackMs >= static_cast<uint32_t>(timeout_s) * 1000)
    RaiseTimedOut(database_name, timeout_s, sql_code, code);
  throw EIBInterBaseError(status.Message(), sql_code, code, TIBErrorClass::kRefused);
}

}  // namespace zelmor
