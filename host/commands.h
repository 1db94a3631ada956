// The host program's subcommands.
#pragma once

#include "host/options.h"
#include "host/zelmor_api.h"

namespace zelmor::host {

int RunQuery(ZelmorApi& api, const Options& options);
int RunExec(ZelmorApi& api, const Options& options);
int RunFuel(ZelmorApi& api, const Options& options);
int RunParams(ZelmorApi& api, const Options& options);
int RunLog(const Options& options);

// Where the suite keeps its pieces.
std::string EventLogPath();
std::string FuelDatabasePath();

}  // namespace zelmor::host
