// Linux: one pthread_atfork handler set over a list of registered locks,
// kept sorted by rank.
//
// The prepare handler must not hold the list's own mutex while it waits for
// a lock: a thread may register (make a logger, say) while it holds a
// registered lock, and would then wait for the list while the fork waits
// for its lock. So the prepare handler copies the list and pins what it
// copied (a pinned registration is not unlinked, so its lock stays alive),
// takes the locks without the list's mutex, and only then takes that mutex
// too, for the fork itself: the child then finds the list whole, and every
// lock in it, also one registered after the copy, is made afresh there.
#include "platform/fork_guard.h"

#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

namespace zelmor::platform {

struct ForkRegistry {
  std::mutex guard;
  std::condition_variable unpinned;
  ForkLockRegistration* head = nullptr;  // ascending rank
  // Taken by the fork in progress, ascending rank.
  std::vector<ForkLockRegistration*> taken;

  // Never destroyed: registrations may outlive static destruction.
  static ForkRegistry& Get() {
    static auto* registry = new ForkRegistry;
    return *registry;
  }

  static void Prepare() {
    ForkRegistry& r = Get();
    std::vector<ForkLockRegistration*> copy;
    {
      std::lock_guard<std::mutex> lock(r.guard);
      for (ForkLockRegistration* p = r.head; p; p = p->next_) {
        p->pinned_ = true;
        copy.push_back(p);
      }
    }
    for (ForkLockRegistration* p : copy) p->ops_.lock(p->object_);
    r.guard.lock();
    r.taken = std::move(copy);
  }

  static void Parent() {
    ForkRegistry& r = Get();
    for (auto it = r.taken.rbegin(); it != r.taken.rend(); ++it) (*it)->ops_.unlock((*it)->object_);
    for (ForkLockRegistration* p : r.taken) p->pinned_ = false;
    r.taken.clear();
    r.guard.unlock();
    r.unpinned.notify_all();
  }

  // Only the forking thread exists: whoever else held a lock is gone.
  static void Child() {
    ForkRegistry& r = Get();
    new (&r.guard) std::mutex;
    new (&r.unpinned) std::condition_variable;
    r.taken.clear();
    for (ForkLockRegistration* p = r.head; p; p = p->next_) {
      p->ops_.renew(p->object_);
      p->pinned_ = false;
    }
  }
};

ForkLockRegistration::ForkLockRegistration(ForkRank rank, void* object, const ForkLockOps& ops)
    : rank_(rank), object_(object), ops_(ops) {
  static const bool installed =
      ::pthread_atfork(ForkRegistry::Prepare, ForkRegistry::Parent, ForkRegistry::Child) == 0;
  (void)installed;
  ForkRegistry& r = ForkRegistry::Get();
  std::lock_guard<std::mutex> lock(r.guard);
  // After the last of its rank, so that registration order breaks ties.
  ForkLockRegistration** link = &r.head;
  ForkLockRegistration* before = nullptr;
  while (*link && (*link)->rank_ <= rank_) {
    before = *link;
    link = &(*link)->next_;
  }
  prev_ = before;
  next_ = *link;
  if (next_) next_->prev_ = this;
  *link = this;
}

ForkLockRegistration::~ForkLockRegistration() {
  ForkRegistry& r = ForkRegistry::Get();
  std::unique_lock<std::mutex> lock(r.guard);
  r.unpinned.wait(lock, [this] { return !pinned_; });
  if (prev_)
    prev_->next_ = next_;
  else
    r.head = next_;
  if (next_) next_->prev_ = prev_;
}

}  // namespace zelmor::platform
