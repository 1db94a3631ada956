#include "test_server.h"

#include <fstream>

#include "components/gds_library.h"
#include "platform/platform.h"

namespace zelmor::test {

TestServer SharedServer() {
  return {platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB"),
          platform::GetEnvironmentVariable("ZELMOR_FB_PASSWORD")};
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
  auto db = std::make_unique<TIBDatabase>();
  db->SetLoginPrompt(false);
  db->SetDatabaseName(database);
  db->Params().SetValues("user_name", "SYSDBA");
  db->Params().SetValues("password", password);
  db->Params().SetValues("lc_ctype", "WIN1251");
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

std::string UniqueTable(const std::string& stem) {
  return stem + "_" + std::to_string(platform::CurrentProcessId());
}

int RunServerScript(const std::string& command, const std::string& folder) {
  const auto process =
      platform::SpawnProcess("/bin/bash", {ZELMOR_FIREBIRD_SCRIPT, command, folder});
  if (process == platform::kInvalidProcess) return -1;
  int exit_code = -1;
  if (!platform::WaitProcess(process, 120000, exit_code)) {
    platform::KillProcess(process);
    return -1;
  }
  platform::CloseProcess(process);
  return exit_code;
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
