// A process-wide object for a library that is loaded and unloaded.
//
// Made on first use and freed only by Release(), never by static
// destruction: on Linux, the library's entry point runs before its
// namespace-scope objects are constructed, and at process exit its unload
// sequence runs after they are destroyed. A ProcessObject itself is
// constant-initialised and trivially destructible, so it is ready at any of
// those moments; the unload sequence releases it, so that a library loaded
// and unloaded again leaks nothing.
#pragma once

#include <atomic>

namespace zelmor {

template <typename T>
class ProcessObject {
 public:
  constexpr ProcessObject() = default;
  ProcessObject(const ProcessObject&) = delete;
  ProcessObject& operator=(const ProcessObject&) = delete;

  T& Get() {
    T* object = object_.load(std::memory_order_acquire);
    if (object) return *object;
    T* made = new T();
    if (object_.compare_exchange_strong(object, made, std::memory_order_acq_rel)) return *made;
    delete made;  // another thread was first
    return *object;
  }

  // Frees the object; the next Get() makes a new one. Only while no other
  // thread uses it (the unload sequence, a test's tear-down).
  void Release() { delete object_.exchange(nullptr, std::memory_order_acq_rel); }

 private:
  std::atomic<T*> object_{nullptr};
};

}  // namespace zelmor
