#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/testing/dead_listener.h"

namespace zelmor::platform {
namespace {

// Connects made while the backlog fills; Linux keeps backlog + 1 of them.
constexpr int kFillers = 4;

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

DeadListener::DeadListener(DeadListenerKind kind)
    : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  const int fd = static_cast<int>(listener_);
  const int backlog = kind == DeadListenerKind::kSilent ? 64 : 0;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(fd, backlog) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    return;
  if (kind == DeadListenerKind::kNeverAccepts) {
    const sockaddr_in target = Loopback(ntohs(address.sin_port));
    for (int i = 0; i < kFillers; ++i) {
      const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (filler < 0) return;
      fillers_.push_back(filler);
      connect(filler, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
  }
  port_ = ntohs(address.sin_port);
}

DeadListener::~DeadListener() {
  for (intptr_t filler : fillers_) close(static_cast<int>(filler));
  if (listener_ >= 0) close(static_cast<int>(listener_));
}

}  // namespace zelmor::platform
