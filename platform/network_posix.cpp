#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/network.h"

namespace zelmor::platform {
namespace {

struct AddressListFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Closes the probe's socket on every path.
struct SocketHolder {
  int fd;
  ~SocketHolder() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

TcpReach ProbeTcpConnect(const std::string& host, int32_t port, uint32_t timeout_ms) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
    return TcpReach::kUnknownHost;
  const std::unique_ptr<addrinfo, AddressListFree> list(found);
  const SocketHolder socket_holder{
      socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol)};
  if (socket_holder.fd < 0) return TcpReach::kRefused;
  if (connect(socket_holder.fd, found->ai_addr, found->ai_addrlen) == 0) return TcpReach::kAccepted;
  if (errno != EINPROGRESS) return TcpReach::kRefused;
  pollfd waiting{socket_holder.fd, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&waiting, 1, static_cast<int>(timeout_ms));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return TcpReach::kNoAnswer;
  int error = 0;
  socklen_t size = sizeof error;
  if (ready < 0 || getsockopt(socket_holder.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
    return TcpReach::kRefused;
  return error == 0 ? TcpReach::kAccepted : TcpReach::kRefused;
}

}  // namespace zelmor::platform
