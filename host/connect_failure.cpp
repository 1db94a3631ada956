#include "host/connect_failure.h"

#include "components/ib_error_class.h"
#include "host/command_line.h"

namespace zelmor::host {

ConnectFailure ConnectFailureOf(const std::exception& error) {
  switch (IBErrorClassOf(error)) {
    case TIBErrorClass::kTimedOut:
      return {kExitNoAnswer, "the server did not answer in time"};
    case TIBErrorClass::kLoginRefused:
      return {kExitLoginRefused, "login refused"};
    case TIBErrorClass::kDatabaseUnavailable:
      return {kExitNoDatabase, "database not found or not allowed"};
    default:
      return {kExitNoServer, "no server"};
  }
}

}  // namespace zelmor::host
