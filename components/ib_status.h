// Server errors: the client's status vector turned into EIBInterBaseError.
#pragma once

#include <string>

#include "components/gds_library.h"

namespace zelmor {

// A status vector with its own storage.
struct IBStatus {
  ISC_STATUS_ARRAY vector{};
  ISC_STATUS* get() { return vector; }
  bool Failed() const { return vector[0] == 1 && vector[1] != 0; }
  // The connection to the server is gone (server stopped, killed, network).
  bool ConnectionLost() const;
  // The server's full message, its lines joined by CR LF.
  std::string Message() const;
  // The first Firebird error code of the vector.
  long ErrorCode() const { return static_cast<long>(vector[1]); }
  // Raises EIBInterBaseError with the server's full message, its SQLCODE,
  // the Firebird error code and its class.
  [[noreturn]] void Raise() const;
  // Raises when the vector holds an error.
  void Check() const {
    if (Failed()) Raise();
  }
};

}  // namespace zelmor
