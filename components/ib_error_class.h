// The kinds of server error a host or the pool acts on, told apart by the
// Firebird error code rather than by the message text.
#pragma once

#include <cstdint>
#include <exception>

namespace zelmor {

enum class TIBErrorClass : uint8_t {
  kOther,
  // The connection to the server is gone: the server stopped or restarted,
  // the attachment killed or shut down, the network broken or refused.
  kLostConnection,
  // Another transaction holds the record: lock conflict, deadlock, update
  // conflict, lock time-out. Trying again later may succeed.
  kLockConflict,
};

// The class of a Firebird error code (the first code of a status vector).
TIBErrorClass IBErrorClassOf(long ib_error_code) noexcept;
// The class of a caught failure: by the code of an EIBInterBaseError,
// kOther for every other failure.
TIBErrorClass IBErrorClassOf(const std::exception& error) noexcept;

}  // namespace zelmor
