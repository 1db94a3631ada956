// check: the station as the library will see it, item by item, each told
// with what to do when it does not hold. Exit 0 only when every item holds.
#include <fstream>
#include <iostream>

#include "host/commands.h"
#include "host/connect_failure.h"
#include "host/station_paths.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/mutex.h"
#include "platform/network.h"
#include "platform/process.h"
#include "platform/station.h"
#include "rtl/paths.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

constexpr char kCallerTag[] = "check";
constexpr uint32_t kProbeMs = 2000;

class Report {
 public:
  // Prints the item at once, so that a slow one shows what came before it.
  void Item(bool holds, const std::string& name, const std::string& found,
            const std::string& remedy = "") {
    std::cout << (holds ? "ok    " : "FAIL  ") << name << ": " << found << '\n';
    if (!holds && !remedy.empty()) std::cout << "      to do: " << remedy << '\n';
    all_hold_ = all_hold_ && holds;
    std::cout.flush();
  }
  int ExitCode() const { return all_hold_ ? kExitOk : kExitFailure; }

 private:
  bool all_hold_ = true;
};

// Where a folder of the station comes from.
std::string Source(const char* variable) {
  if (!platform::kStationFoldersFromEnvironment) return "fixed on this system";
  return platform::GetEnvironmentVariable(variable).empty() ? std::string("default; ") + variable +
                                                                   " is not set"
                                                             : std::string("from ") + variable;
}

void CheckFolders(Report& report) {
  const std::string home = platform::ZedeHome();
  report.Item(platform::DirectoryExists(home), "home", home + " (" + Source("ZEDE_HOME") + ")",
              "make the station's folders (zelmor-station-layout as root) or set ZEDE_HOME");
  const std::string library = HomeLibraryPath();
  report.Item(platform::FileExists(library), "library in the home", library,
              std::string("put ") + platform::kZelmorLibraryFileName +
                  " there: loaded from elsewhere, the library writes no event log");
  const std::string windir = platform::WindowsDirectory();
  report.Item(platform::DirectoryExists(windir), "settings folder",
              windir + " (" + Source("ZEDE_WINDIR") + ")",
              "make it (zelmor-station-layout as root) or set ZEDE_WINDIR");
}

// The [FB] keys of cnf.ini as the text has them (the library's own reading
// is what the server items use).
struct StoredSettings {
  std::string port;  // empty: not stored
  bool password = false;
};

StoredSettings ReadStored(std::istream& in) {
  StoredSettings stored;
  bool in_fb = false;
  for (std::string line; std::getline(in, line);) {
    const std::string text = Trim(line);
    if (text.starts_with("[")) {
      in_fb = AsciiLowerCase(text) == "[fb]";
    } else if (in_fb) {
      const size_t equals = text.find('=');
      const std::string key = AsciiLowerCase(Trim(text.substr(0, equals)));
      if (equals == std::string::npos) continue;
      if (key == "dbport") stored.port = Trim(text.substr(equals + 1));
      if (key == "dbpassword") stored.password = true;
    }
  }
  return stored;
}

void CheckSettingsFile(Report& report) {
  const std::string path = IncludeTrailingPathDelimiter(platform::WindowsDirectory()) + "cnf.ini";
  const std::string store = "store them: zelmor params fbport=N fbpassword=TEXT";
  if (!platform::FileExists(path)) {
    report.Item(false, "cnf.ini", path + " not found: the library uses port 30050 and its "
                                          "built-in password",
                store);
    return;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    report.Item(false, "cnf.ini", path + " cannot be read by this account",
                "run as a member of the station's group, or give the file mode 0660 and that group");
    return;
  }
  const StoredSettings stored = ReadStored(in);
  const bool writable = platform::CanWriteFile(path);
  report.Item(writable, "cnf.ini",
              path + ", " + (writable ? "readable and writable" : "readable, not writable") +
                  " by this account; port " + (stored.port.empty() ? "not stored" : stored.port) +
                  ", password " + (stored.password ? "stored" : "not stored"),
              "run as a member of the station's group, or give the file mode 0660 and that group");
}

void CheckLayout(Report& report) {
  struct Folder {
    const char* name;
    std::string path;
  };
  const Folder folders[] = {
      {"log folder", platform::ZedeHome() + "LogFiles"},
      {"settings folder layout", platform::WindowsDirectory()},
      {"lock folder", platform::MachineLockFolder()},
  };
  for (const Folder& folder : folders) {
    if (folder.path.empty()) continue;  // the OS's own named objects
    const platform::SharedFolderState state = platform::DescribeSharedFolder(folder.path);
    const std::string layout = "lay the station out: zelmor-station-layout as root";
    if (!state.exists) {
      report.Item(false, folder.name, folder.path + " is missing", layout);
      continue;
    }
    std::string found = folder.path;
    if (!state.description.empty()) found += " " + state.description;
    if (!state.trusted) found += ": refused, " + state.why;
    report.Item(state.trusted, folder.name, found, layout);
  }
}

void CheckClient(Report& report) {
  const std::string copy = platform::ZedeHome() + platform::kHomeClientLibraryPath;
  if (platform::FileExists(copy)) {
    report.Item(true, "client library", copy + " (the suite's copy)");
    return;
  }
  for (const std::string& name : platform::ClientLibraryNames()) {
    if (platform::IsModuleLoaded(name)) {
      report.Item(true, "client library", "the machine's " + name + " (no suite's copy at " + copy + ")");
      return;
    }
  }
  report.Item(false, "client library", "none loaded, and no suite's copy at " + copy,
              "install the Firebird client (libfbclient2) or put it at " + copy);
}

std::string Ms(uint32_t ms) { return std::to_string(ms) + " ms"; }

std::string RemedyFor(int exit_code) {
  switch (exit_code) {
    case kExitLoginRefused: return "store the server's password: zelmor params fbpassword=TEXT";
    case kExitNoDatabase: return "the fuel database " + FuelDatabasePath() + " must exist there";
    case kExitNoAnswer: return "the server does not answer: look at its machine and its load";
    default: return "start the server, or store its port: zelmor params fbport=N";
  }
}

void CheckServer(Report& report, ZelmorApi& api) {
  const int32_t port = api.GetFBPort();
  const std::string where = "127.0.0.1 port " + std::to_string(port);
  uint32_t started = platform::TickCount();
  const platform::TcpReach reach = platform::ProbeTcpConnect("127.0.0.1", port, kProbeMs);
  const uint32_t probe_ms = platform::TickCount() - started;
  if (reach != platform::TcpReach::kAccepted) {
    report.Item(false, "server", where + (reach == platform::TcpReach::kNoAnswer
                                              ? ": no answer within " + Ms(kProbeMs)
                                              : ": nothing listens"),
                RemedyFor(kExitNoServer));
    return;
  }
  report.Item(true, "server", where + " accepts connections (" + Ms(probe_ms) + ")");
  started = platform::TickCount();
  try {
    TIBDatabase* database =
        api.FBGetIBDataBaseFromPool(FuelDatabasePath().c_str(), api.GetFBPassword(0), port,
                                    "127.0.0.1", "SYSDBA", "WIN1251", kCallerTag);
    const uint32_t login_ms = platform::TickCount() - started;
    api.FBReturnIBDataBaseToPool(database, kCallerTag);
    report.Item(true, "login", "SYSDBA on " + Cp1251ToUtf8(FuelDatabasePath()) + " (" +
                                   Ms(login_ms) + ")");
  } catch (const std::exception& error) {
    const ConnectFailure failure = ConnectFailureOf(error);
    report.Item(false, "login", std::string(failure.what) + ": " + Cp1251ToUtf8(error.what()),
                RemedyFor(failure.exit_code));
  }
}

}  // namespace

int RunCheck(ZelmorApi* api, const std::string& library, const std::string& load_error) {
  Report report;
  CheckFolders(report);
  CheckSettingsFile(report);
  CheckLayout(report);
  report.Item(api != nullptr, "library loads", api ? library : library + ": " + load_error,
              "name the library with --lib or ZELMOR_LIBRARY, or put it in the home");
  CheckClient(report);
  if (api) CheckServer(report, *api);
  return report.ExitCode();
}

}  // namespace zelmor::host
