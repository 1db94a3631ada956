// Winsock's headers go before <windows.h>.
#include <winsock2.h>

#include "platform/testing/dead_listener.h"

namespace zelmor::platform {
namespace {

// Connects made while the backlog fills.
constexpr int kFillers = 4;

sockaddr_in Loopback(u_short port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }

intptr_t NewSocket() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? static_cast<intptr_t>(socket(AF_INET, SOCK_STREAM, 0))
                 : static_cast<intptr_t>(INVALID_SOCKET);
}

}  // namespace

DeadListener::DeadListener(DeadListenerKind kind) : listener_(NewSocket()) {
  sockaddr_in address = Loopback(0);
  int size = sizeof address;
  const SOCKET listener = AsSocket(listener_);
  const int backlog = kind == DeadListenerKind::kSilent ? 64 : 0;
  if (listener == INVALID_SOCKET ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener, backlog) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    return;
  if (kind == DeadListenerKind::kNeverAccepts) {
    const sockaddr_in target = Loopback(ntohs(address.sin_port));
    for (int i = 0; i < kFillers; ++i) {
      const SOCKET filler = AsSocket(NewSocket());
      if (filler == INVALID_SOCKET) return;
      fillers_.push_back(static_cast<intptr_t>(filler));
      u_long non_blocking = 1;
      ioctlsocket(filler, FIONBIO, &non_blocking);
      connect(filler, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }
  }
  port_ = ntohs(address.sin_port);
}

DeadListener::~DeadListener() {
  for (intptr_t filler : fillers_) closesocket(AsSocket(filler));
  if (AsSocket(listener_) != INVALID_SOCKET) closesocket(AsSocket(listener_));
}

}  // namespace zelmor::platform
