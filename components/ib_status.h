// Server errors: the client's status vector turned into EIBInterBaseError.
#pragma once

#include "components/gds_library.h"

namespace zelmor {

// A status vector with its own storage.
struct IBStatus {
  ISC_STATUS_ARRAY vector{};
  ISC_STATUS* get() { return vector; }
  bool Failed() const { return vector[0] == 1 && vector[1] != 0; }
  // The connection to the server is gone (server stopped, killed, network).
  bool ConnectionLost() const;
  // Raises EIBInterBaseError with the server's full message, its SQLCODE and
  // the Firebird error code.
  [[noreturn]] void Raise() const;
  // Raises when the vector holds an error.
  void Check() const {
    if (Failed()) Raise();
  }
};

}  // namespace zelmor
