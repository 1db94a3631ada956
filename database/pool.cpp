#include "database/pool.h"

#include <cmath>
#include <exception>
#include <memory>
#include <mutex>

#include "components/ib_database.h"
#include "components/ib_error_class.h"
#include "components/ib_transaction.h"
#include "database/connect.h"
#include "database/connection_text.h"
#include "database/process_state.h"
#include "database/transaction_factory.h"
#include "platform/process.h"
#include "rtl/exceptions.h"
#include "rtl/format.h"
#include "rtl/process_object.h"
#include "rtl/text.h"
#include "tools/context_exception.h"

namespace zelmor::db {
namespace {

ProcessObject<std::vector<TDBPool>> g_pool_list;

// In the order the entries were created. Guarded by PoolLock.
std::vector<TDBPool>& PoolList() { return g_pool_list.Get(); }

// The keys of the last connections asked for, by the arguments that make
// them: formatting and upper-casing a key costs more than the rest of a
// take. Guarded by PoolLock.
struct KnownKey {
  std::string server;
  int32_t port;
  std::string path;
  std::string key;
};
constexpr size_t kKnownKeys = 8;
ProcessObject<std::vector<KnownKey>> g_known_keys;

// Under PoolLock.
const std::string& KeyOf(const std::string& server, int32_t port, const std::string& path) {
  auto& known = g_known_keys.Get();
  for (const KnownKey& entry : known) {
    if (entry.port == port && entry.path == path && entry.server == server) return entry.key;
  }
  if (known.size() == kKnownKeys) known.erase(known.begin());
  known.push_back({server, port, path, PoolKey(server, port, path)});
  return known.back().key;
}

// Every failure leaves a pool operation as a new one of the same class,
// naming the operation and the class.
constexpr bool kNameTheClass = true;

// Whole minutes between two moments, counted on the millisecond so that
// exactly six minutes do not read as five and some.
int64_t WholeMinutesBetween(DateTime a, DateTime b) {
  constexpr double kMillisecondsPerDay = 86400000.0;
  return std::llround(std::fabs(a - b) * kMillisecondsPerDay) / 60000;
}

// Under PoolLock, first of every pool operation: in a forked child, the
// parent's entries leave the list untouched. Their objects are not freed,
// as freeing a connected one would detach it through the shared socket.
std::vector<TDBPool>& OwnPoolList() {
  auto& list = PoolList();
  const uint32_t self = platform::CurrentProcessId();
  std::erase_if(list, [self](const TDBPool& entry) { return entry.Process != self; });
  return list;
}

// Under PoolLock: the first idle connection made for `key`, marked busy.
TIBDatabase* TakeIdle(const std::string& key) {
  for (TDBPool& entry : OwnPoolList()) {
    if (!entry.Busy && entry.Key == key) {
      entry.Busy = true;
      entry.LastReturned = 0.0;
      return entry.Database;
    }
  }
  return nullptr;
}

// Under PoolLock: a new, unopened connection with its read-only default
// transaction, entered as busy. Nothing is left behind when a step fails.
TIBDatabase* AddConnection(const std::string& key, const std::string& user_name,
                           const std::string& password, const std::string& char_set) {
  auto database = std::make_unique<TIBDatabase>();
  database->Params().SetValues("user_name", user_name);
  database->Params().SetValues("password", password);
  database->Params().SetValues("lc_ctype", char_set);
  database->SetDatabaseName(key);
  database->SetLoginPrompt(false);
  database->SetDefaultTransaction(FBCreateTransaction(database.get(), RC_RO, "", database.get(), "?"));
  OwnPoolList().push_back(TDBPool{key, true, 0.0, database.get(), platform::CurrentProcessId()});
  return database.release();
}

// Disconnects and frees each connection, every one of them even when one
// fails to close; then raises the first failure.
void CloseAndFree(const std::vector<TIBDatabase*>& connections, const std::string& caller_tag) {
  std::exception_ptr first_failure;
  for (TIBDatabase* connection : connections) {
    const std::unique_ptr<TIBDatabase> owned(connection);
    try {
      FBDisconnectDB(connection, caller_tag);
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

// A connection that could not be opened or started is taken out of the pool
// and freed: left in, it would stay busy and unusable until unload.
void Discard(TIBDatabase* database, const std::string& caller_tag) {
  {
    std::lock_guard guard(PoolLock());
    std::erase_if(OwnPoolList(), [&](const TDBPool& entry) { return entry.Database == database; });
  }
  if (!database->Connected()) {
    delete database;
    return;
  }
  try {
    CloseAndFree({database}, caller_tag);
  } catch (const std::exception&) {
    // The caller hears of the failure that made the connection useless; this
    // one has its own line in the log.
  }
}

void OpenAndStart(TIBDatabase& database, const std::string& caller_tag) {
  if (!database.Connected()) FBConnectDB(&database, caller_tag);
  TIBTransaction& transaction = Require(database.DefaultTransaction(), "TIBTransaction");
  if (!transaction.InTransaction()) transaction.StartTransaction();
}

// Opens and starts a taken connection; one that fails leaves the pool.
void OpenAndStartOrDiscard(TIBDatabase* database, const std::string& caller_tag) {
  try {
    OpenAndStart(*database, caller_tag);
  } catch (const std::exception&) {
    Discard(database, caller_tag);
    throw;
  }
}

// An idle connection that was still attached when taken and whose
// transaction start reports the connection gone died while it waited (the
// server restarted, the attachment was killed); nothing of it reached a
// caller since its last return, so a fresh one may take its place.
bool DiedWhileIdle(bool attached_when_taken, const std::exception& start_failure) {
  return attached_when_taken &&
         IBErrorClassOf(start_failure) == TIBErrorClass::kLostConnection;
}

// Under PoolLock. An unknown object (a null one included) changes nothing.
void MarkIdle(TIBDatabase* database, DateTime now) {
  for (TDBPool& entry : OwnPoolList()) {
    if (entry.Database != database) continue;
    entry.Busy = false;
    entry.LastReturned = now;
    database->CloseDataSets();
    TIBTransaction* transaction = database->DefaultTransaction();
    if (transaction && transaction->InTransaction()) transaction->Rollback();
    return;
  }
}

// Under PoolLock: once the pool holds more than the threshold, every idle
// entry returned too long ago leaves it, last list position first.
std::vector<TIBDatabase*> TakeStale(DateTime now) {
  std::vector<TIBDatabase*> stale;
  auto& list = OwnPoolList();
  if (list.size() <= kPoolTrimThreshold) return stale;
  for (size_t i = list.size(); i-- > 0;) {
    const TDBPool& entry = list[i];
    if (entry.Busy || WholeMinutesBetween(now, entry.LastReturned) <= kPoolIdleMinutes) continue;
    stale.push_back(entry.Database);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return stale;
}

}  // namespace

std::string PoolKey(const std::string& server, int32_t port, const std::string& database_path) {
  return ConnectionText(server, port, database_path);
}

TIBDatabase* FBGetIBDataBaseFromPool(const std::string& database_path, const std::string& password,
                                     int32_t port, const std::string& server,
                                     const std::string& user_name, const std::string& char_set,
                                     const std::string& caller_tag) {
  return WithContext("FBGetIBDataBaseFromPool", kNameTheClass, [&] {
    // Under PoolLock.
    const auto add = [&] {
      return AddConnection(KeyOf(server, port, database_path), user_name, password, char_set);
    };
    TIBDatabase* idle = nullptr;
    TIBDatabase* fresh = nullptr;
    {
      std::lock_guard guard(PoolLock());
      idle = TakeIdle(KeyOf(server, port, database_path));
      if (!idle) fresh = add();
    }
    if (idle) {
      const bool attached_when_taken = idle->Connected();
      try {
        OpenAndStartOrDiscard(idle, caller_tag);
        return idle;
      } catch (const std::exception& error) {
        if (!DiedWhileIdle(attached_when_taken, error)) throw;
      }
      std::lock_guard guard(PoolLock());
      fresh = add();
    }
    OpenAndStartOrDiscard(fresh, caller_tag);
    return fresh;
  });
}

void FBReturnIBDataBaseToPool(TIBDatabase* database, const std::string& caller_tag) {
  WithContext("FBReturnIBDataBaseToPool", kNameTheClass, [&] {
    std::vector<TIBDatabase*> stale;
    {
      std::lock_guard guard(PoolLock());
      const DateTime now = LocalNow();
      MarkIdle(database, now);
      stale = TakeStale(now);
    }
    CloseAndFree(stale, caller_tag);
  });
}

void ClearPool() {
  WithContext("ClearPool", kNameTheClass, [] {
    std::lock_guard guard(PoolLock());
    std::vector<TIBDatabase*> connections;
    for (const TDBPool& entry : OwnPoolList()) connections.push_back(entry.Database);
    // Released entries are never touched again, whatever happens below.
    PoolList().clear();
    CloseAndFree(connections, "");
  });
}

std::vector<TDBPool> PoolEntries() {
  std::lock_guard guard(PoolLock());
  return OwnPoolList();
}

size_t PoolSize() {
  std::lock_guard guard(PoolLock());
  return OwnPoolList().size();
}

void ReleasePoolList() {
  g_pool_list.Release();
  g_known_keys.Release();
}

}  // namespace zelmor::db
