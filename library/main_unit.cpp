#include "library/main_unit.h"

#include "components/gds_library.h"
#include "database/log_lines.h"
#include "database/pool.h"
#include "database/process_state.h"
#include "eventlog/ldslogger.h"
#include "eventlog/log_levels.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/notification.h"
#include "platform/process.h"
#include "rtl/exceptions.h"
#include "rtl/process_object.h"
#include "rtl/text.h"
#include "settings/connection_params.h"
#include "settings/ini_format_settings.h"

namespace zelmor::library {
namespace {

bool g_is_home_install = false;
TLDSLogger* g_event_logger = nullptr;  // owned; freed by the unload sequence
// The suite's client copy as the load sequence loaded it: its reference,
// given back by the unload sequence (the components hold one of their own).
ProcessObject<platform::OwnedModule> g_client_library;

using eventlog::kLevelError;
using eventlog::kLevelPlain;
using eventlog::kLevelWarning;

std::string Home() { return platform::ZedeHome(); }
std::string LogFolder() { return Home() + "LogFiles" + platform::kPathDelimiter; }
std::string ClientLibraryPath() { return Home() + platform::kHomeClientLibraryPath; }
std::string LastErrorText() { return platform::SystemErrorMessage(platform::LastError()); }

// The library's own file, wherever the host loaded it from.
std::string OwnModulePath() {
  static const int anchor = 0;
  return platform::ModulePathOf(&anchor);
}

void WarnClientLoadedTooEarly(TLDSLogger& log) {
  log.WriteFmt("Файл \"%s\" загружен слишком рано!", {platform::kClientLibraryFileName},
               kLevelWarning);
  for (int i = 0; i < 3; ++i) {
    platform::Beep(500, 100);
    platform::SleepMs(200);
  }
}

// Loading the suite's own copy by its full path before the components first
// ask for the client by name makes them use that copy.
void PrepareClientLibrary(TLDSLogger& log) {
  const std::string path = ClientLibraryPath();
  if (platform::IsModuleLoaded(platform::kClientLibraryFileName)) {
    WarnClientLoadedTooEarly(log);
  } else if (platform::FileExists(path)) {
    platform::OwnedModule& client = g_client_library.Get();
    client = platform::LoadModule(path);
    if (!client) {
      log.WriteFmt("Файл \"%s\" присутствует, однако загрузить его не удалось: %s",
                   {path, LastErrorText()}, kLevelError);
    } else if (!GetGDSLibrary().TryIBLoad()) {
      log.WriteFmt("GetGDSLibrary.TryIBLoad. Ошибка загрузки \"%s\": %s", {path, LastErrorText()},
                   kLevelError);
    }
  } else if (GetGDSLibrary().TryIBLoad()) {
    log.WriteFmt("Файл \"%s\" не найден, однако на компьютере %s есть. Приложение может "
                 "работать некорректно!",
                 {path, platform::kClientLibraryFileName}, kLevelWarning);
  } else {
    log.WriteFmt("Файл \"%s\" не найден. Библиотека %s не установлена на данном компьютере!",
                 {path, platform::kClientLibraryFileName}, kLevelWarning);
  }
}

// The blank line and the message stay together in the file.
void WriteLoadMessage(TLDSLogger& log) {
  const TLDSLogger::LockGuard together(log);
  log.WriteLine("", kLevelPlain);
  log.WriteFmt(db::lines::kLoaded.Pattern(),
               db::lines::ArgsOf(db::lines::kLoaded, db::lines::Version{kLibraryVersion / 100.0},
                                 platform::HostExecutablePath()),
               kLevelPlain);
}

}  // namespace

bool IsHomeInstall() { return g_is_home_install; }
platform::ModuleHandle ClientLibraryHandle() { return g_client_library.Get().Handle(); }

void LoadMainUnit() {
  // Resolved as the module's own path is: the library at home may be a
  // symlink.
  const std::string home_library =
      AsciiUpperCase(platform::ResolvedPath(Home() + platform::kZelmorLibraryFileName));
  g_is_home_install = AsciiUpperCase(OwnModulePath()).find(home_library) != std::string::npos;

  // A folder that cannot be made shows up as failing writes, which the
  // logger reports itself.
  if (g_is_home_install) platform::ForceDirectories(LogFolder());

  g_event_logger = new TLDSLogger(LogFolder() + "FBEvents.log");
  TLDSLogger& log = *g_event_logger;
  log.Options.Enabled = g_is_home_install;
  log.Options.MaxSize = 3 * 1048576;
  log.SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  log.Options.ShowProcessId = true;
  log.Options.ShowThreadId = true;
  log.Options.TrimInPlace = false;
  log.Options.MaxArchives = 1;
  db::SetEventLogger(&log);

  WriteLoadMessage(log);

  if (g_is_home_install &&
      !platform::SetEnvironmentVariable("FIREBIRD", Home() + platform::kHomeFirebirdFolder))
    log.WriteLine("Установка переменной окружения FIREBIRD: " + LastErrorText(), kLevelWarning);

  if (g_is_home_install) PrepareClientLibrary(log);

  const LogSink sink = [&log](const std::string& text, uint8_t level) {
    log.WriteLine(text, level);
  };
  StoreCommandLineParams(sink);
  LoadConnectionParams(sink);
}

void UnloadMainUnit() {
  TLDSLogger* log = g_event_logger;
  // An exception must not leave the unload: it would end the host process.
  // A failing pool clear is logged, and the rest of the sequence still runs
  // so that the client library and the logger are released.
  try {
    db::ClearPool();
  } catch (const std::exception& error) {
    if (log) log->WriteLine(error.what(), kLevelError);
  }
  db::ReleasePoolList();
  db::ReleaseLocks();

  // Freeing the object gives the client's reference back; the result is not
  // looked at, and nothing here raises.
  g_client_library.Release();

  if (log) log->WriteLine("Модуль выгружен", kLevelPlain);
  db::SetEventLogger(nullptr);
  delete g_event_logger;
  g_event_logger = nullptr;
  FBPassword().clear();
  ReleaseFBPassword();
  ReleaseIniFormatSettings();
}

}  // namespace zelmor::library
