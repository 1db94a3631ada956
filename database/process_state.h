// Process-wide state of the database operations.
//
// The library's load sequence makes it (after the event logger, before the
// connection parameters) and its unload sequence frees it; tests make and
// free it around each case. Lock order, never reversed: PoolLock (or
// FuelLock), then ConnectLock, then the event logger's own locks; a fork
// takes them in that order too, so that its child finds them free.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "database/log_lines.h"
#include "rtl/datetime.h"
#include "rtl/format.h"

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::db {

// The switches: on from load and never changed by the library. Tests turn
// them off to check what is written without them.
extern bool LogDbOperations;
extern bool LogSqlOnError;

// The process-wide logger the database lines go to. Not owned here: the
// load sequence creates it and hands it over; null means lines are dropped.
TLDSLogger* EventLogger();
void SetEventLogger(TLDSLogger* logger);
// Write through EventLogger when there is one: a text as it is, or one of
// the lines of log_lines.h with its values.
void LogLine(const std::string& text, uint8_t level = 0);
void LogFmt(std::string_view format, const FormatArgs& args, uint8_t level);
template <typename... Values>
void WriteLineAt(uint8_t level, const lines::Line<Values...>& line,
                 const std::type_identity_t<Values>&... values) {
  LogFmt(line.Pattern(), lines::ArgsOf(line, values...), level);
}
template <typename... Values>
void WriteLine(const lines::Line<Values...>& line, const std::type_identity_t<Values>&... values) {
  WriteLineAt(0, line, values...);
}

// Serialises every open and close of a connection in the process.
std::recursive_mutex& ConnectLock();
// Guards the pool's list and every field of its entries.
std::recursive_mutex& PoolLock();
// Serialises the whole of FBSetGSMBaseConnect, so that two first calls do
// not make two objects and one call cannot rename the connection between
// another's close and open. Taken before ConnectLock, never inside it.
std::mutex& FuelLock();
// Frees the locks (and the test hooks) when the library unloads; they are
// made again on next use.
void ReleaseLocks();

// The millisecond tick counter of the timed lines and the local clock of the
// pool; both replaceable so that tests need not wait.
uint32_t Ticks();
DateTime LocalNow();
void SetTickSource(std::function<uint32_t()> source);  // empty: the OS counter
void SetClock(std::function<DateTime()> clock);         // empty: Now()

// The number that ties the lines of one object together: its address as a
// signed 32-bit decimal integer.
int32_t ObjectNumber(const void* object);

// A required object that is missing raises EIBClientError naming what was
// expected, so that the operation's usual failure path (its lines, its
// context) runs instead of a crash.
template <typename T>
T& Require(T* object, const char* what);
[[noreturn]] void RaiseMissingObject(const char* what);

template <typename T>
T& Require(T* object, const char* what) {
  if (!object) RaiseMissingObject(what);
  return *object;
}

}  // namespace zelmor::db
