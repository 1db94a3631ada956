// Locks that fork() must not copy while another thread holds them.
//
// fork() copies only the calling thread: a lock another thread held at that
// moment stays held in the child for ever, and the child's first log line or
// connection hangs. Every in-process lock of the library registers here with
// its rank in the lock order; one fork handler set then takes them all, in
// rank order, before the fork, releases them in the parent after it, and
// makes them afresh in the child (only the forking thread exists there, and
// a recursive mutex remembers its owner's kernel thread id, which the child
// does not share, so unlocking it there would fail).
//
// Linux: pthread_atfork. Windows has no fork: registering does nothing.
#pragma once

#include <mutex>
#include <new>

namespace zelmor::platform {

// The lock order, never reversed: a fork takes lower ranks first. Locks of
// one rank are never held together, so their order among each other does
// not matter.
enum class ForkRank : int {
  kPoolLock,
  kFuelLock,  // never held with PoolLock, always before ConnectLock
  kConnectLock,
  kLoggerWriteLock,
  kLoggerListLock,
  // The fallback logger is called by a failing logger holding its own locks.
  kErrorsWriterWriteLock,
  kErrorsWriterListLock,
  kLockTable,  // the named mutexes' table (mutex_posix.cpp)
};

// What the fork handler does with one registered lock.
struct ForkLockOps {
  void (*lock)(void* object);
  void (*unlock)(void* object);
  // In the child, with the lock held by the (only) forking thread: leaves it
  // free and usable again.
  void (*renew)(void* object);
};

// Registered for its lifetime: construct it beside the lock it names and
// destroy it before the lock goes (declare it after the lock). Registering
// and unregistering are safe against a concurrent fork and may happen while
// other registered locks are held; unregistering waits for a fork that is
// about to take the lock, so it must not happen while the destroying thread
// holds a registered lock itself (the fork would wait for that one). The
// first registration installs the fork handlers.
class ForkLockRegistration {
 public:
  ForkLockRegistration(ForkRank rank, void* object, const ForkLockOps& ops);
  ForkLockRegistration(ForkRank rank, std::mutex& lock)
      : ForkLockRegistration(rank, &lock, OpsOf<std::mutex>()) {}
  ForkLockRegistration(ForkRank rank, std::recursive_mutex& lock)
      : ForkLockRegistration(rank, &lock, OpsOf<std::recursive_mutex>()) {}
  ~ForkLockRegistration();
  ForkLockRegistration(const ForkLockRegistration&) = delete;
  ForkLockRegistration& operator=(const ForkLockRegistration&) = delete;

  ForkRank Rank() const { return rank_; }

 private:
  template <typename Mutex>
  static const ForkLockOps& OpsOf() {
    static const ForkLockOps ops{
        [](void* m) { static_cast<Mutex*>(m)->lock(); },
        [](void* m) { static_cast<Mutex*>(m)->unlock(); },
        // A mutex holds no resource beyond its bytes: constructed anew over
        // the held one, it is free.
        [](void* m) { new (m) Mutex; }};
    return ops;
  }

  friend struct ForkRegistry;

  ForkRank rank_;
  void* object_;
  ForkLockOps ops_;
  // Set while a fork holds this lock; the destructor waits for it to clear.
  bool pinned_ = false;
  ForkLockRegistration* prev_ = nullptr;
  ForkLockRegistration* next_ = nullptr;
};

}  // namespace zelmor::platform
