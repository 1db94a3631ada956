// Listeners on 127.0.0.1 that hold a database connect up the way a hung
// server does: one takes the connection and never says a word, the other
// never takes it at all (its backlog is full).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/testing/testing_only.h"

namespace zelmor::platform {

enum class DeadListenerKind : uint8_t {
  kSilent,       // the OS completes every connect; nobody ever reads or writes
  kNeverAccepts  // listening with a full backlog: a connect never completes
};

class DeadListener {
 public:
  explicit DeadListener(DeadListenerKind kind);
  ~DeadListener();
  DeadListener(const DeadListener&) = delete;
  DeadListener& operator=(const DeadListener&) = delete;

  // 0 when the listener could not be made.
  int32_t Port() const { return port_; }

 private:
  intptr_t listener_;
  std::vector<intptr_t> fillers_;  // the connects that fill the backlog
  int32_t port_ = 0;
};

}  // namespace zelmor::platform
