// Where the suite keeps its pieces on this machine.
#pragma once

#include <string>

namespace zelmor::host {

std::string EventLogPath();      // <home>LogFiles/FBEvents.log
std::string FuelDatabasePath();  // <home>DB/VOLNEX.FDB
// The library where the suite installs it: only loaded from there does it
// write the event log and prepare the Firebird client.
std::string HomeLibraryPath();

}  // namespace zelmor::host
