#include "test_server.h"

#include <fstream>

#include "components/gds_library.h"
#include "platform/platform.h"
#include "platform/testing/child_process.h"
#include "rtl/exceptions.h"
#include "rtl/paths.h"
#include "rtl/text.h"

namespace zelmor::test {

namespace {

// Set in the environment once a process has made its program's database, so
// that its children use that one instead of making their own.
constexpr char kOwnDatabaseMarker[] = "ZELMOR_FB_OWN_DB";

std::unique_ptr<TIBDatabase> Unconnected(const std::string& database, const std::string& password) {
  auto db = std::make_unique<TIBDatabase>();
  db->SetLoginPrompt(false);
  db->SetDatabaseName(database);
  db->Params().SetValues("user_name", "SYSDBA");
  db->Params().SetValues("password", password);
  db->Params().SetValues("lc_ctype", "WIN1251");
  return db;
}

// "<build>-<program>" from .../build/<build>/bin/<program>[.exe].
std::string ProgramIdentity() {
  const std::string executable = platform::HostExecutablePath();
  std::string program = ExtractFileName(executable);
  if (const size_t dot = program.rfind('.'); dot != std::string::npos) program.resize(dot);
  std::string folder = ExtractFilePath(executable);
  if (!folder.empty()) folder.pop_back();               // .../build/<build>/bin
  folder = ExtractFilePath(folder);                       // .../build/<build>/
  if (!folder.empty()) folder.pop_back();
  const std::string build = ExtractFileName(folder);
  return build.empty() ? program : build + "-" + program;
}

// Drops what an earlier run of the program left, then creates the database.
bool MakeAfresh(const std::string& database, const std::string& password) {
  auto db = Unconnected(database, password);
  try {
    db->Open();
    db->DropDatabase();
  } catch (const EIBError&) {
    // Nothing to drop, or it is still in use; the create says which.
  }
  try {
    db->CreateDatabase();
    return true;
  } catch (const EIBError&) {
    return false;
  }
}

// Where this program's database goes on the run's server: its database
// folder. A Windows program upper-cases the whole connection text (its file
// names are case-blind; the server's on Linux are not), so the Windows build
// names a bare file, which the test server resolves in that folder.
std::string DatabaseFolder(const std::string& run_database) {
  if (platform::kCaseInsensitiveFileNames) return run_database.substr(0, run_database.find(':') + 1);
  return run_database.substr(0, run_database.rfind('/') + 1);
}

TestServer ProgramDatabase() {
  TestServer run{platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB"),
                 platform::GetEnvironmentVariable("ZELMOR_FB_PASSWORD")};
  if (run.database.empty() || !platform::GetEnvironmentVariable(kOwnDatabaseMarker).empty() ||
      !GetGDSLibrary().TryIBLoad())
    return run;
  const std::string folder = DatabaseFolder(run.database);
  const std::string own = ProgramIdentity();
  // A database still held by a stray process of an earlier run cannot be
  // dropped; this process then takes one of its own.
  for (const std::string& name :
       {own + ".fdb", own + "-" + std::to_string(platform::CurrentProcessId()) + ".fdb"}) {
    const std::string candidate =
        folder + (platform::kCaseInsensitiveFileNames ? AnsiUpperCase(name) : name);
    if (!MakeAfresh(candidate, run.password)) continue;
    platform::SetEnvironmentVariable("ZELMOR_FB_TEST_DB", candidate);
    platform::SetEnvironmentVariable(kOwnDatabaseMarker, "1");
    return {candidate, run.password};
  }
  ADD_FAILURE() << "no database of this program's own could be made on " << folder;
  return run;
}

}  // namespace

TestServer SharedServer() {
  static const TestServer server = ProgramDatabase();
  return server;
}

std::string ServerUnavailable() {
  if (SharedServer().database.empty()) {
    return "ZELMOR_FB_TEST_DB is not set: no Firebird server for this run "
           "(start one with scripts/firebird-server.sh start DIR)";
  }
  if (!GetGDSLibrary().TryIBLoad()) return "no Firebird client library on this system";
  return {};
}

std::unique_ptr<TIBDatabase> Connect(const std::string& database, const std::string& password) {
  auto db = Unconnected(database, password);
  db->SetConnected(true);
  return db;
}

std::unique_ptr<TIBDatabase> ConnectShared() {
  const TestServer server = SharedServer();
  return Connect(server.database, server.password);
}

TIBTransaction* MakeTransaction(TIBDatabase& database, const std::string& params) {
  auto* transaction = new TIBTransaction(&database);
  transaction->SetDefaultDatabase(&database);
  transaction->Params().SetText(params);
  return transaction;
}

void Execute(TIBDatabase& database, const std::string& sql) {
  TIBTransaction transaction;
  transaction.SetDefaultDatabase(&database);
  transaction.Params().SetText("write\nconcurrency\nwait");
  transaction.StartTransaction();
  TIBDataSet statement;
  statement.SetDatabase(&database);
  statement.SetTransaction(&transaction);
  statement.SelectSQL().SetText(sql);
  statement.ExecSQL();
  transaction.Commit();
}

int64_t QueryInteger(TIBDatabase& database, const std::string& sql) {
  TIBTransaction transaction;
  transaction.SetDefaultDatabase(&database);
  transaction.Params().SetText("read\nconcurrency");
  transaction.StartTransaction();
  TIBDataSet query;
  query.SetDatabase(&database);
  query.SetTransaction(&transaction);
  query.SelectSQL().SetText(sql);
  query.Open();
  return query.Fields(0).AsInt64();
}

int64_t AttachmentId(TIBDatabase& database) {
  return QueryInteger(database, "select current_connection from rdb$database");
}

int64_t OpenAttachments(TIBDatabase& observer, const std::vector<int64_t>& ids) {
  std::string list;
  for (int64_t id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
  if (list.empty()) return 0;
  return QueryInteger(observer,
                      "select count(*) from mon$attachments where mon$attachment_id in (" + list + ")");
}

void InstallCommitRefusal(TIBDatabase& database) {
  Execute(database, "create or alter exception ZELMOR_COMMIT_REFUSED 'commit refused'");
  Execute(database,
          "create or alter trigger ZELMOR_FAIL_COMMIT on transaction commit as begin "
          "if (rdb$get_context('USER_TRANSACTION', 'ZELMOR_FAIL_COMMIT') = '1') then "
          "exception ZELMOR_COMMIT_REFUSED; end");
}

TIBTransaction* ArmCommitFailure(TIBDatabase& database, const std::string& sql) {
  TIBTransaction* transaction = MakeTransaction(database, "write\nread_committed\nnowait");
  transaction->StartTransaction();
  TIBDataSet statement;
  statement.SetDatabase(&database);
  statement.SetTransaction(transaction);
  if (!sql.empty()) {
    statement.SelectSQL().SetText(sql);
    statement.ExecSQL();
  }
  statement.SelectSQL().SetText(
      "select rdb$set_context('USER_TRANSACTION', 'ZELMOR_FAIL_COMMIT', '1') from rdb$database");
  statement.Open();
  return transaction;
}

std::string UniqueTable(const std::string& stem) {
  return stem + "_" + std::to_string(platform::CurrentProcessId());
}

namespace {

// The script is a Unix program. Under Wine (paths with "\\") it is started
// through the Z: drive, the Unix root, and told the folder as the Unix side
// names it: drive C: is the prefix's dosdevices/c: link.
bool UnderWine() { return platform::kPathDelimiter == '\\'; }

std::string ShellProgram() { return UnderWine() ? "Z:\\bin\\bash" : "/bin/bash"; }

std::string UnixSideOf(const std::string& folder) {
  if (!UnderWine() || folder.size() < 2 || folder[1] != ':') return folder;
  std::string path = platform::GetEnvironmentVariable("WINEPREFIX") + "/dosdevices/" +
                     AsciiLowerCase(folder.substr(0, 2));
  for (char c : folder.substr(2)) path += c == '\\' ? '/' : c;
  return path;
}

}  // namespace

int RunServerScript(const std::string& command, const std::string& folder) {
  constexpr uint32_t kScriptMs = 120000;
  const std::string status_file = folder + "script.status";
  platform::DeleteFile(status_file);
  const auto process =
      platform::SpawnProcess(ShellProgram(), {ZELMOR_FIREBIRD_SCRIPT, command, UnixSideOf(folder)});
  if (process == platform::kInvalidProcess) return -1;
  int exit_code = -1;
  if (!platform::WaitProcess(process, kScriptMs, exit_code)) {
    platform::KillProcess(process);
    return -1;
  }
  platform::CloseProcess(process);
  // What the script leaves in the folder as it ends. Wine neither waits for
  // a Unix program it started nor reports its exit status, so there the
  // file is waited for.
  const uint32_t started = platform::TickCount();
  long long status = 0;
  do {
    if (TryStrToInt(Trim(ReadFileBytes(status_file)), status)) return static_cast<int>(status);
    if (!UnderWine()) return exit_code;
    platform::SleepMs(50);
  } while (platform::TickCount() - started < kScriptMs);
  return -1;
}

std::string ServerDatabase(const std::string& folder) {
  std::ifstream env(folder + "env");
  const std::string key = "export ZELMOR_FB_TEST_DB=";
  for (std::string line; std::getline(env, line);) {
    if (line.rfind(key, 0) == 0) return line.substr(key.size());
  }
  return {};
}

}  // namespace zelmor::test
