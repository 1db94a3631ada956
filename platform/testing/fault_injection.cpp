#include "platform/testing/fault_injection.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace zelmor::platform {

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

std::shared_ptr<const FaultInjector> CurrentInjector(State& state) {
  std::lock_guard<std::mutex> guard(state.lock);
  return state.injector;
}

// Called outside the lock, so an injector may take its time or block.
uint32_t Ask(const std::shared_ptr<const FaultInjector>& injector, FileOp op,
             const std::string& path) {
  return injector ? (*injector)(op, path) : 0;
}

uint32_t BeforePath(FileOp op, const std::string& path) {
  return Ask(CurrentInjector(TheState()), op, path);
}

uint32_t BeforeHandle(FileOp op, FileHandle file) {
  State& state = TheState();
  std::shared_ptr<const FaultInjector> injector;
  std::string path;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    injector = state.injector;
    const auto found = state.names.find(file);
    if (found != state.names.end()) path = found->second;
  }
  return Ask(injector, op, path);
}

void Opened(FileHandle file, const std::string& path) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names[file] = path;
}

void Closed(FileHandle file) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names.erase(file);
}

constexpr FileFaultHook kInjectorHook{&BeforePath, &BeforeHandle, &Opened, &Closed};

}  // namespace

void SetFaultInjector(FaultInjector injector) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  state.names.clear();
  state.injector =
      injector ? std::make_shared<const FaultInjector>(std::move(injector)) : nullptr;
  SetFileFaultHook(state.injector ? &kInjectorHook : nullptr);
}

}  // namespace zelmor::platform
