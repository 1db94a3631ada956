// The process's one connection to the station's fuel database (the GSM
// base) on the local server, with the port and password settled at load.
#pragma once

#include <string>

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::db {

// Makes the connection object on the first call and (re)connects it when it
// is closed or names another database; an open one returns at once without
// a line. Calls are serialised, so concurrent first calls share one object
// and one open. A failure is logged and raised again unchanged. The library
// owns the object for the rest of the process: callers must not free it.
TIBDatabase* FBSetGSMBaseConnect(const std::string& caller_tag);

// The connection object as it is, or null before the first
// FBSetGSMBaseConnect.
TIBDatabase* FBGetGSMDataBase();

}  // namespace zelmor::db
