// The database server port and password, settled once while the library
// loads: options on the host's command line are stored in the machine-wide
// settings file, then the file is read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelmor {

// Where the two load steps report failures: text and log level. The load
// sequence hands in the process-wide event logger.
using LogSink = std::function<void(const std::string& text, uint8_t level)>;

constexpr uint8_t kConnectionParamsLogLevel = 2;  // the error level
constexpr int32_t kDefaultFBPort = 30050;
// Seconds a connect may take before it gives up. The client's own default
// is 180 s, and every open and close of the process waits behind a connect
// under way (database/process_state.h); 15 s is what the .NET Firebird
// provider and SQL Server's clients wait, long enough for a loaded station
// server to answer, short enough that a hung one is noticed.
constexpr int32_t kDefaultFBConnectTimeout = 15;
// Longer than this is no bound; such a value counts as unusable.
constexpr int32_t kMaxFBConnectTimeout = 600;

// The process-wide values (0 and empty until loaded).
extern int32_t FBPort;
// The connect bound in seconds; the default until loaded, so that no
// connect of the library is ever left unbounded.
extern int32_t FBConnectTimeout;
// The password is reached through a function (see rtl/process_object.h);
// the unload sequence empties it, then frees it.
std::string& FBPassword();
void ReleaseFBPassword();

struct ConnectionParams {
  int32_t port = 0;
  std::string password;
  int32_t connect_timeout = kDefaultFBConnectTimeout;
};

// The settings file: the Windows directory + "cnf.ini".
std::string SettingsFilePath();

// Stores the options "fbport=" and "fbpassword=" / "fbpass=" / "fbpsw=" /
// "fbpassw=" (names in any letter case) of `arguments` in section "FB" of
// `settings_file`, in order, so the last usable one wins. A failure ends the
// scan and is logged.
void StoreCommandLineParams(const std::vector<std::string>& arguments,
                            const std::string& settings_file, const LogSink& log);
// Reads port, password and connect time-out (key "DBConnectTimeout",
// seconds, 1 to kMaxFBConnectTimeout) from `settings_file` into `params`,
// with the defaults for what is missing or unusable. A failure is logged; what was
// read before it stays set.
void LoadConnectionParams(const std::string& settings_file, ConnectionParams& params,
                          const LogSink& log);

// The two load steps over the host's command line, the settings file and
// the process-wide FBPort, FBPassword and FBConnectTimeout.
void StoreCommandLineParams(const LogSink& log);
void LoadConnectionParams(const LogSink& log);

}  // namespace zelmor
