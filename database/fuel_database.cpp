#include "database/fuel_database.h"

#include <atomic>
#include <mutex>

#include "components/ib_database.h"
#include "components/ib_transaction.h"
#include "database/connect.h"
#include "database/connection_text.h"
#include "database/logged_step.h"
#include "database/process_state.h"
#include "database/transaction_factory.h"
#include "platform/files.h"
#include "platform/process.h"
#include "rtl/format.h"
#include "rtl/text.h"
#include "settings/connection_params.h"

namespace zelmor::db {
namespace {

// Made once per process, never freed: hosts may hold it until the process
// ends. A child of fork() inherits its parent's object and with it the
// parent's socket: there it is none (left alone, never disconnected), and
// the child's first call makes one of its own.
std::atomic<TIBDatabase*> g_fuel_database{nullptr};
std::atomic<uint32_t> g_fuel_process{0};

TIBDatabase* FuelDatabaseOfThisProcess() {
  TIBDatabase* database = g_fuel_database;
  return database && g_fuel_process == platform::CurrentProcessId() ? database : nullptr;
}

TIBDatabase& MakeFuelDatabase(const std::string& caller_tag) {
  auto* database = new TIBDatabase();
  // Stored at once: a set-up that fails half-way is not repeated later.
  g_fuel_process = platform::CurrentProcessId();
  g_fuel_database = database;
  database->SetName("GSMDatabase");
  database->SetLoginPrompt(false);
  database->Params().SetValues("user_name", "SYSDBA");
  database->Params().SetValues("password", FBPassword());
  database->Params().SetValues("lc_ctype", "WIN1251");
  database->SetDefaultTransaction(
      FBCreateTransaction(database, RC_RO, "GSMTransaction", database, caller_tag));
  return *database;
}

// "127.0.0.1/<FBPort>:<home>DB<delimiter>VOLNEX.FDB".
std::string FuelConnectionText() {
  const std::string file = platform::ZedeHome() + "DB" + platform::kPathDelimiter + "VOLNEX.FDB";
  return ConnectionText("127.0.0.1", FBPort, file);
}

}  // namespace

TIBDatabase* FBSetGSMBaseConnect(const std::string& caller_tag) {
  std::lock_guard<std::mutex> serialised(FuelLock());
  return LoggedStep(
      [&] {
        TIBDatabase* existing = FuelDatabaseOfThisProcess();
        TIBDatabase& database = existing ? *existing : MakeFuelDatabase(caller_tag);
        const std::string connection_text = FuelConnectionText();
        if (database.DatabaseName() == connection_text && database.Connected())
          return &database;
        FBDisconnectDB(&database, caller_tag);
        database.SetDatabaseName(connection_text);
        FBConnectDB(&database, caller_tag);
        return &database;
      },
      [&](const std::exception& error) {
        if (LogDbOperations)
          WriteLine(lines::kFuelConnectFailed, caller_tag, error.what());
      });
}

TIBDatabase* FBGetGSMDataBase() { return FuelDatabaseOfThisProcess(); }

}  // namespace zelmor::db
