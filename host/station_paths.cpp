#include "host/station_paths.h"

#include "platform/platform.h"

namespace zelmor::host {

std::string EventLogPath() {
  return platform::ZedeHome() + "LogFiles" + platform::kPathDelimiter + "FBEvents.log";
}

std::string FuelDatabasePath() {
  return platform::ZedeHome() + "DB" + platform::kPathDelimiter + "VOLNEX.FDB";
}

std::string HomeLibraryPath() { return platform::ZedeHome() + platform::kZelmorLibraryFileName; }

}  // namespace zelmor::host
