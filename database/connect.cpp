#include "database/connect.h"

#include <mutex>

#include "components/ib_database.h"
#include "database/logged_step.h"
#include "database/process_state.h"
#include "platform/files.h"
#include "settings/connection_params.h"

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

// DB:OPEN shows the database name as given, DB:CLOSE only its file name.
std::string DatabaseNameAsGiven(const std::string& database_name) { return database_name; }

// An open or a close, under ConnectLock.
struct ConnectionStep {
  bool connected;  // the state the step brings about
  const lines::Line<lines::Text, lines::Text, lines::Text, lines::Wait>& unchanged;
  const lines::Line<lines::Text, lines::ObjectNo, lines::Text, lines::Text, lines::Duration,
                    lines::Wait>& success;
  std::string (*shown_name)(const std::string& database_name);  // in the success line
  const lines::Line<lines::Text, lines::Text, lines::Text, lines::Text, lines::Wait>& failure;
};

const ConnectionStep kOpen{true, lines::kAlreadyConnected, lines::kDbOpen, DatabaseNameAsGiven,
                           lines::kDbOpenFailed};
const ConnectionStep kClose{false, lines::kNotConnected, lines::kDbClose, DatabaseFileName,
                            lines::kDbCloseFailed};

// Waits for ConnectLock, then opens or closes the connection unless it
// already is so; each outcome writes its line, the wait included.
void RunUnderConnectLock(const ConnectionStep& step, TIBDatabase* database,
                         const std::string& caller_tag) {
  std::unique_lock<std::recursive_mutex> guard;
  const uint32_t wait = TimedMs([&] { guard = std::unique_lock(ConnectLock()); });
  LoggedStep(
      [&] {
        TIBDatabase& connection = Require(database, "TIBDatabase");
        if (connection.Connected() == step.connected) {
          if (LogDbOperations)
            WriteLine(step.unchanged, caller_tag, connection.DatabaseName(), connection.Name(),
                      lines::Wait{wait});
          return;
        }
        // The bound is what keeps ConnectLock from being held for minutes
        // by a server that does not answer.
        if (step.connected && connection.ConnectTimeout() == 0)
          connection.SetConnectTimeout(FBConnectTimeout);
        const uint32_t duration = TimedMs([&] { connection.SetConnected(step.connected); });
        if (LogDbOperations)
          WriteLine(step.success, caller_tag, lines::ObjectNo{ObjectNumber(database)},
                    step.shown_name(connection.DatabaseName()), connection.Name(),
                    lines::Duration{duration}, lines::Wait{wait});
      },
      [&](const std::exception& error) {
        if (!LogDbOperations) return;
        const ConnectionTexts texts = TextsOf(database);
        WriteLine(step.failure, caller_tag, error.what(), texts.database_name, texts.name,
                  lines::Wait{wait});
      });
}

}  // namespace

void FBConnectDB(TIBDatabase* database, const std::string& caller_tag) {
  // The second line of a failed open is written whatever the switch says,
  // once ConnectLock is released.
  LoggedStep([&] { RunUnderConnectLock(kOpen, database, caller_tag); },
             [&](const std::exception& error) {
               WriteLine(lines::kConnectFailed, caller_tag, error.what());
             });
}

void FBDisconnectDB(TIBDatabase* database, const std::string& caller_tag) {
  RunUnderConnectLock(kClose, database, caller_tag);
}

void FBLogMessage(const std::string& text, uint8_t level, const std::string& caller_tag) {
  if (text.empty()) {
    LogLine("", 0);
    return;
  }
  WriteLineAt(level, lines::kMessage, caller_tag, text);
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
