// The checks the file functions of both OS implementations make against the
// injector of SetFaultInjector (platform.h). Without an injector every check
// is one relaxed atomic load; handle names are recorded only while one is
// set.
#pragma once

#include <atomic>
#include <string>

#include "platform/platform.h"

namespace zelmor::platform::fault {

extern std::atomic<bool> g_injector_set;
extern std::atomic<std::atomic<uint32_t>*> g_fake_ticks;

bool Decide(FileOp op, const std::string& path);
bool Decide(FileOp op, FileHandle file);
void Remember(FileHandle file, const std::string& path);
void Forget(FileHandle file);

// True when the call must fail; LastError() then holds the injected code.
inline bool Injected(FileOp op, const std::string& path) {
  return g_injector_set.load(std::memory_order_relaxed) && Decide(op, path);
}
inline bool Injected(FileOp op, FileHandle file) {
  return g_injector_set.load(std::memory_order_relaxed) && Decide(op, file);
}

// Passes `file` through, noting the name it was opened under so that reads,
// writes and size changes can be matched by name.
inline FileHandle Track(FileHandle file, const std::string& path) {
  if (file != kInvalidFile && g_injector_set.load(std::memory_order_relaxed))
    Remember(file, path);
  return file;
}
inline void Untrack(FileHandle file) {
  if (g_injector_set.load(std::memory_order_relaxed)) Forget(file);
}

// The test's tick counter of SetFakeTicks, or null.
inline std::atomic<uint32_t>* FakeTicks() {
  return g_fake_ticks.load(std::memory_order_acquire);
}

}  // namespace zelmor::platform::fault
