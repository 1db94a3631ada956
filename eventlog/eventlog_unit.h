// The event log unit's shared state: level tags, the timestamp settings and
// the fallback logger that receives every logger's own failures.
//
// The library's entry point calls InitializeUnit before any other unit is set
// up and FinalizeUnit after every other unit is gone; nothing here relies on
// the order of static initialisation.
#pragma once

#include <cstdint>

#include "rtl/format_settings.h"

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::eventlog {

// Waited on by an open that meets a sharing or lock violation, in ms.
constexpr int kDefaultOpenTimeout = 200;
// Each logger checks the age of its file at most this often, in seconds.
constexpr int kAgeCheckInterval = 60;
// True: a named mutex that cannot be created raises instead of leaving the
// logger without cross-process exclusion.
constexpr bool kRaiseOnMutexError = false;
constexpr bool kDefaultUseGlobalMutex = true;

// Fixed timestamp settings, so that the log reads the same on every machine.
// Filled by InitializeUnit, freed by FinalizeUnit.
FormatSettings& LogFormatSettings();
// The fallback logger (LDSLoggerErrorsWriter.log in the temporary folder);
// null outside InitializeUnit ... FinalizeUnit.
extern TLDSLogger* ErrorsWriter;

void InitializeUnit();
void FinalizeUnit();

}  // namespace zelmor::eventlog
