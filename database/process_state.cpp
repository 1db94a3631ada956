#include "database/process_state.h"

#include "eventlog/ldslogger.h"
#include "platform/clock.h"
#include "platform/fork_guard.h"
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

// The three locks are made together, on the first use of any of them: that
// first use holds none of them, and registering for fork safety must not
// wait for a fork while holding a lock the fork waits for.
struct ProcessLocks {
  std::recursive_mutex pool;
  std::mutex fuel;
  std::recursive_mutex connect;
  // All three are held across client calls: a fork must not copy them held.
  platform::ForkLockRegistration pool_fork{platform::ForkRank::kPoolLock, pool};
  platform::ForkLockRegistration fuel_fork{platform::ForkRank::kFuelLock, fuel};
  platform::ForkLockRegistration connect_fork{platform::ForkRank::kConnectLock, connect};
};
ProcessObject<ProcessLocks> g_locks;

TimeSources& Sources() { return g_sources.Get(); }

}  // namespace

bool LogDbOperations = true;
bool LogSqlOnError = true;

TLDSLogger* EventLogger() { return g_event_logger; }
void SetEventLogger(TLDSLogger* logger) { g_event_logger = logger; }

void LogLine(const std::string& text, uint8_t level) {
  if (g_event_logger) g_event_logger->WriteLine(text, level);
}

void LogFmt(std::string_view format, const FormatArgs& args, uint8_t level) {
  if (g_event_logger) g_event_logger->WriteFmt(format, args, level);
}

std::recursive_mutex& ConnectLock() { return g_locks.Get().connect; }
std::recursive_mutex& PoolLock() { return g_locks.Get().pool; }
std::mutex& FuelLock() { return g_locks.Get().fuel; }

void ReleaseLocks() {
  g_locks.Release();
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
