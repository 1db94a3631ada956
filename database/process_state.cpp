#include "database/process_state.h"

#include "eventlog/ldslogger.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"

namespace zelmor::db {
namespace {

TLDSLogger* g_event_logger = nullptr;
std::function<uint32_t()> g_tick_source;
std::function<DateTime()> g_clock;

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

std::recursive_mutex& ConnectLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::recursive_mutex& PoolLock() {
  static std::recursive_mutex lock;
  return lock;
}

uint32_t Ticks() { return g_tick_source ? g_tick_source() : platform::TickCount(); }
DateTime LocalNow() { return g_clock ? g_clock() : Now(); }
void SetTickSource(std::function<uint32_t()> source) { g_tick_source = std::move(source); }
void SetClock(std::function<DateTime()> clock) { g_clock = std::move(clock); }

int32_t ObjectNumber(const void* object) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object)));
}

void RaiseMissingObject(const char* what) {
  throw EIBClientError(std::string("No ") + what + " object given");
}

}  // namespace zelmor::db
