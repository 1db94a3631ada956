// The host program's commands.
#pragma once

#include "host/command_line.h"
#include "zelmor/loader.h"

namespace zelmor::host {

int RunQuery(ZelmorApi& api, const Invocation& invocation);
int RunExec(ZelmorApi& api, const Invocation& invocation);
int RunFuel(ZelmorApi& api);
int RunParams(ZelmorApi& api, const Invocation& invocation);
// The station item by item; `api` is null when the library did not load.
int RunCheck(ZelmorApi* api, const std::string& library, const std::string& load_error);
// Needs no library: it reads the log file.
int RunLog(const LogOptions& options, const Today& today);

}  // namespace zelmor::host
