#include "platform/fault_injection.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace zelmor::platform {

namespace fault {

std::atomic<bool> g_injector_set{false};
std::atomic<std::atomic<uint32_t>*> g_fake_ticks{nullptr};

namespace {

struct State {
  std::mutex lock;
  std::shared_ptr<const FaultInjector> injector;
  std::map<FileHandle, std::string> names;
};

// Made on first use and never destroyed: file calls may run during static
// destruction.
State& TheState() {
  static State* state = new State;
  return *state;
}

bool Fail(const std::shared_ptr<const FaultInjector>& injector, FileOp op,
          const std::string& path) {
  // Called outside the lock, so an injector may take its time or block.
  const uint32_t code = injector ? (*injector)(op, path) : 0;
  if (code == 0) return false;
  SetLastError(code);
  return true;
}

}  // namespace

bool Decide(FileOp op, const std::string& path) {
  State& state = TheState();
  std::shared_ptr<const FaultInjector> injector;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    injector = state.injector;
  }
  return Fail(injector, op, path);
}

bool Decide(FileOp op, FileHandle file) {
  State& state = TheState();
  std::shared_ptr<const FaultInjector> injector;
  std::string path;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    injector = state.injector;
    const auto found = state.names.find(file);
    if (found != state.names.end()) path = found->second;
  }
  return Fail(injector, op, path);
}

void Remember(FileHandle file, const std::string& path) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names[file] = path;
}

void Forget(FileHandle file) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names.erase(file);
}

}  // namespace fault

void SetFaultInjector(FaultInjector injector) {
  fault::State& state = fault::TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names.clear();
  state.injector =
      injector ? std::make_shared<const FaultInjector>(std::move(injector)) : nullptr;
  fault::g_injector_set.store(state.injector != nullptr, std::memory_order_relaxed);
}

void SetFakeTicks(std::atomic<uint32_t>* ticks) {
  fault::g_fake_ticks.store(ticks, std::memory_order_release);
}

}  // namespace zelmor::platform
