#include "database/connect.h"

#include <mutex>

#include "components/ib_database.h"
#include "database/process_state.h"
#include "platform/files.h"

namespace zelmor::db {
namespace {

// What the lines print about a connection; a missing object prints empty
// texts so that its failure can still be logged.
struct ConnectionTexts {
  std::string database_name;
  std::string name;
};

ConnectionTexts TextsOf(const TIBDatabase* database) {
  if (!database) return {};
  return {database->DatabaseName(), database->Name()};
}

// Milliseconds between two readings of the tick counter, across its wrap.
uint32_t Elapsed(uint32_t from, uint32_t to) { return to - from; }

}  // namespace

void FBConnectDB(TIBDatabase* database, const std::string& caller_tag) {
  try {
    const uint32_t asked = Ticks();
    std::lock_guard guard(ConnectLock());
    const uint32_t wait = Elapsed(asked, Ticks());
    try {
      TIBDatabase& connection = Require(database, "TIBDatabase");
      if (connection.Connected()) {
        if (LogDbOperations)
          LogFmt("[%s] Подкл. УЖЕ устан. (%s, %s, w%d)",
                 {caller_tag, connection.DatabaseName(), connection.Name(), wait});
        return;
      }
      const uint32_t started = Ticks();
      connection.SetConnected(true);
      const uint32_t duration = Elapsed(started, Ticks());
      if (LogDbOperations)
        LogFmt("[%s] DB:OPEN (d%d, %s, %s, %d ms, w%d)",
               {caller_tag, ObjectNumber(database), connection.DatabaseName(), connection.Name(),
                duration, wait});
    } catch (const std::exception& error) {
      if (LogDbOperations) {
        const ConnectionTexts texts = TextsOf(database);
        LogFmt("[%s] Ошибка подкл.: %s (%s, %s, w%d)",
               {caller_tag, error.what(), texts.database_name, texts.name, wait});
      }
      throw;
    }
  } catch (const std::exception& error) {
    // Written whatever the switch says, once ConnectLock is released.
    LogFmt("[%s] ERROR FBConnectDB: %s", {caller_tag, error.what()});
    throw;
  }
}

void FBDisconnectDB(TIBDatabase* database, const std::string& caller_tag) {
  const uint32_t asked = Ticks();
  std::lock_guard guard(ConnectLock());
  const uint32_t wait = Elapsed(asked, Ticks());
  try {
    TIBDatabase& connection = Require(database, "TIBDatabase");
    if (!connection.Connected()) {
      if (LogDbOperations)
        LogFmt("[%s] Подкл. НЕ БЫЛО устан. (%s, %s, w%d)",
               {caller_tag, connection.DatabaseName(), connection.Name(), wait});
      return;
    }
    const uint32_t started = Ticks();
    connection.SetConnected(false);
    const uint32_t duration = Elapsed(started, Ticks());
    if (LogDbOperations)
      LogFmt("[%s] DB:CLOSE (d%d, %s, %s, %d ms, w%d)",
             {caller_tag, ObjectNumber(database), DatabaseFileName(connection.DatabaseName()),
              connection.Name(), duration, wait});
  } catch (const std::exception& error) {
    if (LogDbOperations) {
      const ConnectionTexts texts = TextsOf(database);
      LogFmt("[%s] Ошибка закрытия подкл.: %s (%s, %s, w%d)",
             {caller_tag, error.what(), texts.database_name, texts.name, wait});
    }
    throw;
  }
}

void FBLogMessage(const std::string& text, uint8_t level, const std::string& caller_tag) {
  if (text.empty()) {
    LogLine("", 0);
    return;
  }
  LogFmt("**[%s] %s", {caller_tag, text}, level);
}

std::string DatabaseFileName(const std::string& database_name) {
  const size_t separator = database_name.find_last_of("\\:");
  if (separator == std::string::npos) return database_name;
  const size_t folder_end = database_name.find_last_of(platform::kPathDelimiter);
  const size_t start = folder_end != std::string::npos && folder_end > separator ? folder_end
                                                                                 : separator;
  return database_name.substr(start + 1);
}

}  // namespace zelmor::db
