#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "components/gds_library.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "rtl/paths.h"
#include "rtl/text.h"
#include "support/test_support.h"
#include "zelmor/loader.h"
#include "components/test_server.h"

namespace zelmor {
namespace {

using test::ChildProcess;
using test::TempFolder;

const char kMarker[] = "set-by-the-host";

std::string BinFolder() { return ExtractFilePath(platform::HostExecutablePath()); }
std::string BuiltLibrary() { return BinFolder() + platform::kZelmorLibraryFileName; }
std::string DummyClient() {
  return BinFolder() + "dummy-client" + platform::kPathDelimiter + platform::kClientLibraryFileName;
}

// The file of the client library loaded in this process, or "".
std::string LoadedClientPath() {
  const platform::BorrowedModule client = platform::LoadedModule(platform::kClientLibraryFileName);
  if (!client) return {};
  void* entry = platform::ModuleSymbol(client.Handle(), "isc_attach_database");
  return entry ? platform::ModulePathOf(entry) : std::string();
}

// A pooled connection to this program's database through the exports.
TIBDatabase* TakeFromPool(ZelmorApi& api) {
  const std::string db = platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB");
  const auto colon = db.find(':');
  const auto slash = db.find('/');
  return api.FBGetIBDataBaseFromPool(
      db.substr(colon + 1).c_str(), platform::GetEnvironmentVariable("ZELMOR_FB_PASSWORD").c_str(),
      std::atoi(db.substr(slash + 1, colon - slash - 1).c_str()), db.substr(0, slash).c_str(),
      "SYSDBA", "WIN1251", "child");
}

void WriteReport(const std::string& path, const std::map<std::string, std::string>& report) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& [name, value] : report) out << name << '=' << value << '\n';
}

// Child: loads the library by path as a host does, uses a few exports,
// unloads it and writes what it saw as name=value lines.
//   args: library path, report path, "preload" to load the dummy client first,
//         "pool" to take and return a pooled connection before unloading,
//         "cwd=<folder>" to run in that folder.
ZELMOR_CHILD_ROLE(load_library) {
  std::map<std::string, std::string> report;
  platform::SetEnvironmentVariable("FIREBIRD", kMarker);
  platform::OwnedModule preloaded;  // held as the host's own, to the end
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "preload") {
      preloaded = platform::LoadModule(DummyClient());
      if (!preloaded) return 3;
    }
    if (args[i].rfind("cwd=", 0) == 0) std::filesystem::current_path(args[i].substr(4));
  }

  {
    ZelmorApi api;
    std::string error;
    report["loaded"] = api.Load(args.at(0), error) ? "yes" : error;
    if (report["loaded"] == "yes") {
      report["port"] = std::to_string(api.GetFBPort());
      report["password"] = std::string(api.GetFBPassword(0)).empty() ? "empty" : "set";
      report["firebird"] = platform::GetEnvironmentVariable("FIREBIRD");
      report["client"] = LoadedClientPath();
      report["client_loaded"] = platform::IsModuleLoaded(platform::kClientLibraryFileName) ? "yes" : "no";
      try {
        api.CommitTransactionWithReOpenDST(nullptr, nullptr);
      } catch (const Exception& e) {
        report["class"] = e.ClassName();
        report["message"] = e.Message();
      }
      for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "pool") api.FBReturnIBDataBaseToPool(TakeFromPool(api), "child");
      }
    }
  }  // unloads the library

  WriteReport(args.at(1), report);
  return 0;
}

// Child: takes three pooled connections, the first with a transaction whose
// commit the server refuses, unloads the library, then works with the
// components as a host does on its own.
//   args: library path, report path.
ZELMOR_CHILD_ROLE(use_after_unload) {
  std::map<std::string, std::string> report;
  std::vector<int64_t> pooled;
  {
    ZelmorApi api;
    std::string error;
    if (!api.Load(args.at(0), error)) return 3;
    std::vector<TIBDatabase*> taken;
    for (int i = 0; i < 3; ++i) {
      taken.push_back(TakeFromPool(api));
      pooled.push_back(test::AttachmentId(*taken.back()));
    }
    test::ArmCommitFailure(*taken[0]);
    for (TIBDatabase* database : taken) api.FBReturnIBDataBaseToPool(database, "child");
  }  // unloads the library, clearing the pool
  report["unloaded"] = "yes";
  WriteReport(args.at(1), report);

  auto own = test::ConnectShared();
  report["query"] = std::to_string(test::QueryInteger(*own, "select count(*) from rdb$database"));
  report["pooled_still_open"] = std::to_string(test::OpenAttachments(*own, pooled));
  WriteReport(args.at(1), report);
  return 0;
}

// Child: takes three pooled connections, returns them and ends with exit(0)
// while the library is still loaded, as a suite program that never unloads
// it does; the attachments' numbers go to the report first.
//   args: library path, report path.
ZELMOR_CHILD_ROLE(exit_with_pool) {
  std::map<std::string, std::string> report;
  ZelmorApi api;
  std::string error;
  if (!api.Load(args.at(0), error)) return 3;
  std::vector<TIBDatabase*> taken;
  std::string ids;
  for (int i = 0; i < 3; ++i) {
    taken.push_back(TakeFromPool(api));
    ids += (ids.empty() ? "" : ",") + std::to_string(test::AttachmentId(*taken.back()));
  }
  for (TIBDatabase* database : taken) api.FBReturnIBDataBaseToPool(database, "child");
  report["pooled"] = ids;
  WriteReport(args.at(1), report);
  std::exit(0);
}

// Child: loads the dummy module named like the client, as another part of
// the host would, and asks the components for a client.
//   args: report path.
ZELMOR_CHILD_ROLE(probe_dummy_client) {
  std::map<std::string, std::string> report;
  const platform::OwnedModule dummy = platform::LoadModule(DummyClient());
  if (!dummy) return 3;
  using Marker = int (*)();
  const auto marker = reinterpret_cast<Marker>(
      platform::ModuleSymbol(dummy.Handle(), "zelmor_dummy_client_marker"));
  if (!marker) return 4;
  report["try_ib_load"] = GetGDSLibrary().TryIBLoad() ? "true" : "false";
  report["still_loaded"] = platform::IsModuleLoaded(platform::kClientLibraryFileName) ? "yes" : "no";
  WriteReport(args.at(0), report);
  report["marker"] = std::to_string(marker());  // unmapped, this would crash
  WriteReport(args.at(0), report);
  return 0;
}

std::map<std::string, std::string> ReadReport(const std::string& path) {
  std::map<std::string, std::string> report;
  std::istringstream in(test::ReadFileBytes(path));
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return report;
}

// The station home of the build: $ZEDE_HOME on Linux (a fresh folder), the
// fixed C:\ZEDE\ on Windows (emptied first). The settings file goes to a
// folder of the test's own.
class LibraryLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentVariable("ZEDE_HOME", scratch_ / "home");
    platform::SetEnvironmentVariable("ZEDE_WINDIR", scratch_ / "windows");
    std::filesystem::create_directories(scratch_ / "windows");
    home_ = platform::ZedeHome();
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  std::string InstallAtHome() {
    const std::string target = home_ + platform::kZelmorLibraryFileName;
    std::filesystem::copy_file(BuiltLibrary(), target,
                               std::filesystem::copy_options::overwrite_existing);
    return target;
  }

  std::map<std::string, std::string> Run(const std::string& library,
                                         std::vector<std::string> extra = {}) {
    std::vector<std::string> args{library, scratch_ / "report.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunRole("load_library", args);
  }
  std::map<std::string, std::string> RunRole(const std::string& role,
                                             const std::vector<std::string>& args) {
    ChildProcess child(role, args);
    EXPECT_EQ(child.Wait(), 0) << role;
    return ReadReport(scratch_ / "report.txt");
  }
  // The machine's client library as the suite's own copy at home.
  void InstallClientCopyAtHome(const std::string& client) {
    const std::string copy = home_ + platform::kHomeClientLibraryPath;
    std::filesystem::create_directories(ExtractFilePath(copy));
    std::filesystem::copy_file(client, copy);
  }

  std::string LogPath() const {
    return home_ + "LogFiles" + platform::kPathDelimiter + "FBEvents.log";
  }

  TempFolder scratch_;
  std::string home_;
};

TEST_F(LibraryLoad, OutsideTheHomePathNothingIsLoggedOrChangedAndExportsWork) {
  const auto report = Run(BuiltLibrary());
  EXPECT_EQ(report.at("loaded"), "yes") << "all exports resolve by name";
  EXPECT_FALSE(platform::DirectoryExists(home_ + "LogFiles"));
  EXPECT_EQ(report.at("firebird"), kMarker);
  EXPECT_EQ(report.at("port"), "30050");
  EXPECT_EQ(report.at("password"), "set");
  EXPECT_EQ(report.at("class"), "Exception");
  EXPECT_EQ(report.at("message"), "Почему это безобразие должно выполняться???");
}

TEST_F(LibraryLoad, AtHomeTheLogOpensWithABlankLineAndClosesWithTheUnloadLine) {
  const auto report = Run(InstallAtHome());
  EXPECT_EQ(report.at("loaded"), "yes");
  EXPECT_EQ(report.at("firebird"), home_ + platform::kHomeFirebirdFolder);

  const auto lines = test::SplitLines(test::ReadFileBytes(LogPath()));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "");
  EXPECT_NE(lines[1].find("> Модуль Zelmor загружен (v.9.30). Процесс: \"" +
                          platform::HostExecutablePath() + "\"."),
            std::string::npos)
      << lines[1];
  EXPECT_NE(lines.back().find("> Модуль выгружен"), std::string::npos) << lines.back();
}

// Spellings of the home that name the same folder: each is the home, so
// the load line is written.
TEST_F(LibraryLoad, TheHomeIsFoundThroughSymlinksDotsAndDoubledSlashes) {
  if (platform::kPathDelimiter == '\\') GTEST_SKIP() << "the Windows home is fixed";
  const std::string library = InstallAtHome();
  const std::string real_home = home_.substr(0, home_.size() - 1);
  std::filesystem::create_directory_symlink(real_home, scratch_ / "link");
  const std::vector<std::pair<std::string, std::vector<std::string>>> spellings = {
      {scratch_ / "link", {}},
      {scratch_.Path() + "/home//", {}},
      {".", {"cwd=" + real_home}},
  };
  for (const auto& [home, extra] : spellings) {
    std::filesystem::remove_all(home_ + "LogFiles");
    platform::SetEnvironmentVariable("ZEDE_HOME", home);
    EXPECT_EQ(Run(library, extra).at("firebird"), home_ + platform::kHomeFirebirdFolder) << home;
    EXPECT_TRUE(platform::FileExists(LogPath())) << "no log for ZEDE_HOME=" << home;
  }
  // The library in the home is a symlink to the built one.
  platform::SetEnvironmentVariable("ZEDE_HOME", home_);
  std::filesystem::remove_all(home_ + "LogFiles");
  std::filesystem::remove(library);
  std::filesystem::create_symlink(BuiltLibrary(), library);
  Run(library);
  EXPECT_TRUE(platform::FileExists(LogPath())) << "no log for a symlinked " << library;
}

TEST_F(LibraryLoad, AtHomeAMissingClientCopyIsReportedAsAWarning) {
  Run(InstallAtHome());
  const std::string log = test::ReadFileBytes(LogPath());
  const std::string path = home_ + platform::kHomeClientLibraryPath;
  EXPECT_NE(log.find(" [вним] <P:"), std::string::npos) << "a warning";
  if (GetGDSLibrary().TryIBLoad())
    EXPECT_NE(log.find("Файл \"" + path + "\" не найден, однако на компьютере " +
                       platform::kClientLibraryFileName +
                       " есть. Приложение может работать некорректно!"),
              std::string::npos)
        << log;
  else
    EXPECT_NE(log.find("Файл \"" + path + "\" не найден. Библиотека " +
                       platform::kClientLibraryFileName +
                       " не установлена на данном компьютере!"),
              std::string::npos)
        << log;
}

TEST_F(LibraryLoad, AtHomeAClientLoadedEarlierIsWarnedAboutAndNothingIsLoaded) {
  Run(InstallAtHome(), {"preload"});
  const std::string log = test::ReadFileBytes(LogPath());
  EXPECT_NE(log.find(std::string(" [вним] <P:")), std::string::npos);
  EXPECT_NE(log.find(std::string("Файл \"") + platform::kClientLibraryFileName +
                     "\" загружен слишком рано!"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("не найден"), std::string::npos);
}

TEST_F(LibraryLoad, AtHomeAClientCopyThatCannotBeLoadedIsAnError) {
  const std::string path = home_ + platform::kHomeClientLibraryPath;
  std::filesystem::create_directories(ExtractFilePath(path));
  test::WriteFileBytes(path, "not a library");
  Run(InstallAtHome());
  const std::string log = test::ReadFileBytes(LogPath());
  EXPECT_NE(log.find(" [ошиб] <P:"), std::string::npos);
  EXPECT_NE(log.find("Файл \"" + path + "\" присутствует, однако загрузить его не удалось: "),
            std::string::npos)
      << log;
}

TEST_F(LibraryLoad, AtHomeTheSuitesOwnClientCopyIsLoadedFirstWithoutALine) {
  if (!GetGDSLibrary().TryIBLoad()) GTEST_SKIP() << "no Firebird client library here";
  InstallClientCopyAtHome(LoadedClientPath());
  const std::string copy = home_ + platform::kHomeClientLibraryPath;

  const auto report = Run(InstallAtHome());
  EXPECT_EQ(std::filesystem::canonical(report.at("client")), std::filesystem::canonical(copy))
      << "the components use the suite's copy";
  const std::string log = test::ReadFileBytes(LogPath());
  EXPECT_EQ(log.find(platform::kClientLibraryFileName), std::string::npos) << log;
}

TEST_F(LibraryLoad, UnloadingClosesPooledConnectionsBeforeItsLastLine) {
  ZELMOR_REQUIRE_SERVER();
  // The child takes its connection from this program's database.
  Run(InstallAtHome(), {"pool"});
  const auto lines = test::SplitLines(test::ReadFileBytes(LogPath()));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("> [] DB:CLOSE (d"), std::string::npos)
      << lines[lines.size() - 2];
  EXPECT_NE(lines.back().find("> Модуль выгружен"), std::string::npos);
}

// The public loader refuses what is not Zelmor, and says why.
TEST(ZelmorLoader, AMissingFileOrAMissingExportLeavesNothingLoaded) {
  ZelmorApi api;
  std::string error;
  EXPECT_FALSE(api.Load(BinFolder() + "no-such-library", error));
  EXPECT_EQ(error.rfind("cannot load " + BinFolder() + "no-such-library: ", 0), 0u) << error;
  EXPECT_FALSE(api.Loaded());
  // A module that loads but exports none of Zelmor's names.
  EXPECT_FALSE(api.Load(DummyClient(), error));
  EXPECT_EQ(error, DummyClient() + " does not export FBConnectDB");
  EXPECT_FALSE(api.Loaded());
  EXPECT_EQ(api.FBConnectDB, nullptr);
}

// Who loaded a module releases it, and only that one: the components keep a
// reference of their own to the client they call.
TEST_F(LibraryLoad, AfterUnloadingTheHostsOwnComponentsKeepWorkingAndNothingStaysOpen) {
  ZELMOR_REQUIRE_SERVER();
  test::InstallCommitRefusal(*test::ConnectShared());
  InstallClientCopyAtHome(LoadedClientPath());
  const auto report = RunRole("use_after_unload", {InstallAtHome(), scratch_ / "report.txt"});
  EXPECT_EQ(report.count("unloaded"), 1u);
  EXPECT_EQ(report.count("query") ? report.at("query") : "crashed", "1");
  EXPECT_EQ(report.count("pooled_still_open") ? report.at("pooled_still_open") : "?", "0")
      << "the unload closed every pooled connection on the server, the refused commit too";
  const auto lines = test::SplitLines(test::ReadFileBytes(LogPath()));
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("> Модуль выгружен"), std::string::npos) << lines.back();
}

// At process exit the client may already have shut down (its own exit
// handlers ran first): the library calls nothing in it, and the server drops
// the attachments when the process is gone.
TEST_F(LibraryLoad, AHostThatExitsWithPooledConnectionsEndsCleanlyAndKeepsItsLog) {
  ZELMOR_REQUIRE_SERVER();
  InstallClientCopyAtHome(LoadedClientPath());
  const auto report = RunRole("exit_with_pool", {InstallAtHome(), scratch_ / "report.txt"});
  std::vector<int64_t> pooled;
  std::istringstream ids(report.count("pooled") ? report.at("pooled") : "");
  for (std::string id; std::getline(ids, id, ',');) pooled.push_back(std::stoll(id));
  ASSERT_EQ(pooled.size(), 3u);

  const std::string log = test::ReadFileBytes(LogPath());
  EXPECT_NE(log.find("> Модуль Zelmor загружен (v.9.30)"), std::string::npos) << log;
  size_t opens = 0;
  for (size_t at = log.find("DB:OPEN"); at != std::string::npos; at = log.find("DB:OPEN", at + 1))
    ++opens;
  EXPECT_EQ(opens, 3u) << log;

  // The server notices the closed sockets on its own time.
  auto observer = test::ConnectShared();
  int64_t still_open = test::OpenAttachments(*observer, pooled);
  for (int attempt = 0; still_open != 0 && attempt < 100; ++attempt) {
    platform::SleepMs(100);
    still_open = test::OpenAttachments(*observer, pooled);
  }
  EXPECT_EQ(still_open, 0);
}

TEST_F(LibraryLoad, APreloadedModuleNamedLikeTheClientButLackingEntriesIsLeftLoaded) {
  const auto report = RunRole("probe_dummy_client", {scratch_ / "report.txt"});
  EXPECT_EQ(report.at("try_ib_load"), "false");
  EXPECT_EQ(report.at("still_loaded"), "yes");
  EXPECT_EQ(report.count("marker") ? report.at("marker") : "crashed", "1");
}

TEST_F(LibraryLoad, AtHomeACopyLackingEntriesIsReportedAndReleasedOnce) {
  InstallClientCopyAtHome(DummyClient());
  const std::string path = home_ + platform::kHomeClientLibraryPath;
  const auto report = Run(InstallAtHome());
  EXPECT_EQ(report.at("client_loaded"), "yes") << "the load sequence's own reference holds it";
  const auto lines = test::SplitLines(test::ReadFileBytes(LogPath()));
  const std::string log = test::ReadFileBytes(LogPath());
  EXPECT_NE(log.find("GetGDSLibrary.TryIBLoad. Ошибка загрузки \"" + path + "\": "),
            std::string::npos)
      << log;
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("> Модуль выгружен"), std::string::npos) << lines.back();
}

}  // namespace
}  // namespace zelmor
