#include "database/process_state.h"

#include "eventlog/ldslogger.h"
#include "platform/clock.h"
#include "rtl/exceptions.h"
#include "rtl/process_object.h"

namespace zelmor::db {
namespace {

TLDSLogger* g_event_logger = nullptr;

// Test hooks.
struct TimeSources {
  std::function<uint32_t()> ticks;
  std::function<DateTime()> clock;
};
ProcessObject<TimeSources> g_sources;
ProcessObject<std::recursive_mutex> g_connect_lock;
ProcessObject<std::recursive_mutex> g_pool_lock;
ProcessObject<std::mutex> g_fuel_lock;

TimeSources& Sources() { return g_sources.Get(); }

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

std::recursive_mutex& ConnectLock() { return g_connect_lock.Get(); }
std::recursive_mutex& PoolLock() { return g_pool_lock.Get(); }
std::mutex& FuelLock() { return g_fuel_lock.Get(); }

void ReleaseLocks() {
  g_fuel_lock.Release();
  g_pool_lock.Release();
  g_connect_lock.Release();
  g_sources.Release();
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
