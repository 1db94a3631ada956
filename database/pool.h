// The process-wide pool of open connections, keyed by server, port and path.
//
// A taken connection belongs to its caller until returned; returned ones
// stay open for the next caller with the same key. Connections are opened
// and closed only through FBConnectDB and FBDisconnectDB, outside PoolLock
// except in ClearPool (lock order: PoolLock, ConnectLock, the logger).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/datetime.h"

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::db {

// One pooled connection; the pool owns the connection.
struct TDBPool {
  std::string Key;
  bool Busy = false;
  DateTime LastReturned = 0.0;  // 0 while handed out and for a new entry
  TIBDatabase* Database = nullptr;
  // The process that made the connection. A forked child shares its
  // parent's sockets: it never uses, returns into, trims or closes an entry
  // of another process; it forgets them (their objects leak in the child,
  // as a close would end the parent's attachment) and makes its own.
  uint32_t Process = 0;
};

// Returns are the moment the pool trims idle connections, only once it holds
// more than this many.
constexpr size_t kPoolTrimThreshold = 5;
// Idle for more whole minutes than this, a connection goes.
constexpr int64_t kPoolIdleMinutes = 5;

// "SERVER/PORT:PATH", upper-cased the CP1251 way; credentials play no part.
std::string PoolKey(const std::string& server, int32_t port, const std::string& database_path);

// An idle connection of the same key, or a new one, connected and its
// read-only default transaction started. A connection whose open or start
// fails is dropped from the pool and freed. An idle one whose start reports
// a lost connection (it died while idle: a server restart, a killed
// attachment) is replaced by a fresh connection once, and the caller hears
// only of the fresh one's failure. Failures are raised as
// "FBGetIBDataBaseFromPool -> <message> <# <class> #>".
TIBDatabase* FBGetIBDataBaseFromPool(const std::string& database_path, const std::string& password,
                                     int32_t port, const std::string& server,
                                     const std::string& user_name, const std::string& char_set,
                                     const std::string& caller_tag);

// Marks the connection idle after closing its datasets and rolling its
// transaction back, then trims stale idle connections. An object not in the
// pool changes nothing (in a forked child, neither does one its parent
// took).
void FBReturnIBDataBaseToPool(TIBDatabase* database, const std::string& caller_tag);

// Closes and frees every pooled connection; at unload. All are released even
// when one fails to close; the first failure is raised afterwards.
void ClearPool();
// Frees the (empty) list when the library unloads.
void ReleasePoolList();

// Copies of the entries, first created first; for tests and diagnostics.
std::vector<TDBPool> PoolEntries();
size_t PoolSize();

}  // namespace zelmor::db
