#include "settings/connection_params.h"

#include <array>

#include "platform/process.h"
#include "rtl/exceptions.h"
#include "rtl/process_object.h"
#include "rtl/text.h"
#include "settings/safe_ini_file.h"
#include "tools/password_cipher.h"
#include "tools/windows_dir.h"

namespace zelmor {

int32_t FBPort = 0;
int32_t FBConnectTimeout = kDefaultFBConnectTimeout;
namespace {

ProcessObject<std::string> g_password;

}  // namespace

std::string& FBPassword() { return g_password.Get(); }
void ReleaseFBPassword() { g_password.Release(); }

namespace {

const char kSection[] = "FB";
const char kPortKey[] = "DBPort";
const char kPasswordKey[] = "DBPassword";
const char kConnectTimeoutKey[] = "DBConnectTimeout";
const char kPortOption[] = "fbport=";
const std::array<const char*, 4> kPasswordOptions = {"fbpassword=", "fbpass=", "fbpsw=",
                                                      "fbpassw="};
constexpr size_t kMaxOptionValue = 255;

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

void StoreSetting(const std::string& settings_file, const char* key, const std::string& value) {
  TSafeIniFile ini(settings_file);
  ini.WriteString(kSection, key, value);
}

}  // namespace

std::string SettingsFilePath() { return GetWindowsDir() + "cnf.ini"; }

void StoreCommandLineParams(const std::vector<std::string>& arguments,
                            const std::string& settings_file, const LogSink& log) {
  try {
    for (const std::string& argument : arguments) {
      const std::string lowered = AsciiLowerCase(argument);
      if (StartsWith(lowered, kPortOption)) {
        const std::string value =
            Trim(argument.substr(std::char_traits<char>::length(kPortOption), kMaxOptionValue));
        long long port = 0;
        if (TryStrToInt(value, port) && port > 0 && port <= INT32_MAX)
          StoreSetting(settings_file, kPortKey, value);
        continue;
      }
      for (const char* option : kPasswordOptions) {
        if (!StartsWith(lowered, option)) continue;
        const std::string value = argument.substr(argument.find('=') + 1, kMaxOptionValue);
        if (!value.empty() && Trim(value) == value)
          StoreSetting(settings_file, kPasswordKey, EncodePassword(value));
        break;
      }
    }
  } catch (const std::exception& error) {
    log("Проверка строки параметров: " + std::string(error.what()), kConnectionParamsLogLevel);
  }
}

void LoadConnectionParams(const std::string& settings_file, ConnectionParams& params,
                          const LogSink& log) {
  try {
    TSafeIniFile ini(settings_file);
    const std::string text = ini.ReadString(kSection, kPasswordKey, kDefaultEncodedPassword);
    std::string password;
    if (!DecodePassword(text, password)) DecodePassword(kDefaultEncodedPassword, password);
    params.password = password;
    params.port = ini.ReadInteger(kSection, kPortKey, kDefaultFBPort);
    const int32_t timeout = ini.ReadInteger(kSection, kConnectTimeoutKey, kDefaultFBConnectTimeout);
    params.connect_timeout =
        timeout >= 1 && timeout <= kMaxFBConnectTimeout ? timeout : kDefaultFBConnectTimeout;
  } catch (const std::exception& error) {
    log("Чтение параметров подключения к БД: " + std::string(error.what()), kConnectionParamsLogLevel);
  }
}

void StoreCommandLineParams(const LogSink& log) {
  StoreCommandLineParams(platform::CommandLineArguments(), SettingsFilePath(), log);
}

void LoadConnectionParams(const LogSink& log) {
  ConnectionParams params{FBPort, FBPassword(), FBConnectTimeout};
  LoadConnectionParams(SettingsFilePath(), params, log);
  FBPort = params.port;
  FBConnectTimeout = params.connect_timeout;
  FBPassword() = params.password;
}

}  // namespace zelmor
