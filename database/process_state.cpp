#include "database/process_state.h"

#include "eventlog/ldslogger.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"

namespace zelmor::db {
namespace {

TLDSLogger* g_event_logger = nullptr;

// Test hooks. Reached through a function and never destroyed: a
// namespace-scope object would be constructed after the library's entry
// point has run, and destroyed before its unload sequence at process exit.
struct TimeSources {
  std::function<uint32_t()> ticks;
  std::function<DateTime()> clock;
};
TimeSources& Sources() {
  static auto* sources = new TimeSources;
  return *sources;
}

}  // namespace

bool LogDbOperations = true;
bool LogSqlOnError = true;

TLDSLogger* EventLogger() { return g_event_logger; }
void SetEventLogger(TLDSLogger* logger) { g_event_logger = logger; }

void LogLine(const std::string& text, uint8_t level) {
  if (g_event_logger) g_event_logger->WriteLine(text, level);
}

void LogFmt(const std::string& format, const FormatArgs& args, uint8_t level) {
  if (g_event_logger) g_event_logger->WriteFmt(format, args, level);
}

// The locks outlive static destruction: the unload sequence takes them at
// process exit.
std::recursive_mutex& ConnectLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

std::recursive_mutex& PoolLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

uint32_t Ticks() { return Sources().ticks ? Sources().ticks() : platform::TickCount(); }
DateTime LocalNow() { return Sources().clock ? Sources().clock() : Now(); }
void SetTickSource(std::function<uint32_t()> source) { Sources().ticks = std::move(source); }
void SetClock(std::function<DateTime()> clock) { Sources().clock = std::move(clock); }

int32_t ObjectNumber(const void* object) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object)));
}

void RaiseMissingObject(const char* what) {
  throw EIBClientError(std::string("No ") + what + " object given");
}

}  // namespace zelmor::db
