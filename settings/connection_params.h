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

// The process-wide values (0 and empty until loaded).
extern int32_t FBPort;
// The password is reached through a function (see rtl/process_object.h);
// the unload sequence empties it, then frees it.
std::string& FBPassword();
void ReleaseFBPassword();

struct ConnectionParams {
  int32_t port = 0;
  std::string password;
};

// The settings file: the Windows directory + "cnf.ini".
std::string SettingsFilePath();

// Stores the options "fbport=" and "fbpassword=" / "fbpass=" / "fbpsw=" /
// "fbpassw=" (names in any letter case) of `arguments` in section "FB" of
// `settings_file`, in order, so the last usable one wins. A failure ends the
// scan and is logged.
void StoreCommandLineParams(const std::vector<std::string>& arguments,
                            const std::string& settings_file, const LogSink& log);
// Reads port and password from `settings_file` into `params`, with the
// defaults for what is missing or unusable. A failure is logged; what was
// read before it stays set.
void LoadConnectionParams(const std::string& settings_file, ConnectionParams& params,
                          const LogSink& log);

// The two load steps over the host's command line, the settings file and
// the process-wide FBPort and FBPassword.
void StoreCommandLineParams(const LogSink& log);
void LoadConnectionParams(const LogSink& log);

}  // namespace zelmor
