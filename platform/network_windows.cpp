// Winsock's headers go before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <string>

#include "platform/network.h"

namespace zelmor::platform {
namespace {

// Winsock is started once per process and left running: the probe is asked
// from any thread at any time, and the client library uses it too.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

struct AddressListFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Closes the probe's socket on every path.
struct SocketHolder {
  SOCKET socket;
  ~SocketHolder() {
    if (socket != INVALID_SOCKET) closesocket(socket);
  }
};

}  // namespace

TcpReach ProbeTcpConnect(const std::string& host, int32_t port, uint32_t timeout_ms) {
  if (!WinsockStarted()) return TcpReach::kRefused;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
    return TcpReach::kUnknownHost;
  const std::unique_ptr<addrinfo, AddressListFree> list(found);
  const SocketHolder holder{socket(found->ai_family, found->ai_socktype, found->ai_protocol)};
  if (holder.socket == INVALID_SOCKET) return TcpReach::kRefused;
  u_long non_blocking = 1;
  if (ioctlsocket(holder.socket, FIONBIO, &non_blocking) != 0) return TcpReach::kRefused;
  if (connect(holder.socket, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0)
    return TcpReach::kAccepted;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return TcpReach::kRefused;
  // A connect that fails reports in the exception set, one that succeeds in
  // the write set.
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(holder.socket, &writable);
  FD_SET(holder.socket, &failed);
  timeval bound{static_cast<long>(timeout_ms / 1000), static_cast<long>(timeout_ms % 1000 * 1000)};
  const int ready = select(0, nullptr, &writable, &failed, &bound);
  if (ready == 0) return TcpReach::kNoAnswer;
  if (ready < 0 || FD_ISSET(holder.socket, &failed)) return TcpReach::kRefused;
  return TcpReach::kAccepted;
}

}  // namespace zelmor::platform
