#include "components/ib_error_class.h"

#include "components/gds_library.h"
#include "rtl/exceptions.h"

namespace zelmor {

TIBErrorClass IBErrorClassOf(long ib_error_code) noexcept {
  switch (ib_error_code) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_net_connect_err:
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_shutdown:
    case isc_att_shutdown:
    case isc_bad_db_handle:
      return TIBErrorClass::kLostConnection;
    case isc_login:
      return TIBErrorClass::kLoginRefused;
    case isc_io_error:
    case isc_conf_access_denied:
    case isc_bad_db_format:
      return TIBErrorClass::kDatabaseUnavailable;
    case isc_lock_conflict:
    case isc_deadlock:
    case isc_update_conflict:
    case isc_lock_timeout:
      return TIBErrorClass::kLockConflict;
    default:
      return TIBErrorClass::kOther;
  }
}

TIBErrorClass IBErrorClassOf(const std::exception& error) noexcept {
  const auto* server_error = dynamic_cast<const EIBInterBaseError*>(&error);
  if (!server_error) return TIBErrorClass::kOther;
  if (server_error->ErrorClass() != TIBErrorClass::kOther) return server_error->ErrorClass();
  return IBErrorClassOf(server_error->IBErrorCode());
}

}  // namespace zelmor
