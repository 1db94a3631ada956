// Client handles as the public component headers keep them (an integer, so
// that hosts never need ibase.h), lent to a client call as the API's type.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

#include "components/gds_library.h"

namespace zelmor {

using IBHandle = std::uintptr_t;

// Copies the stored handle out for a call, and back in when the call
// changed it:
//   ApiHandle db(handle_); api.isc_attach_database(..., db.ptr(), ...);
// A call that leaves the handle alone writes nothing: threads share a
// transaction (the fuel database's), and a fetch on one must not put back
// the handle that a commit on another has just zeroed.
class ApiHandle {
 public:
  explicit ApiHandle(IBHandle& slot)
      : slot_(slot), lent_(std::atomic_ref<IBHandle>(slot).load()), handle_(ToApi(lent_)) {}
  ~ApiHandle() {
    const IBHandle after = FromApi(handle_);
    if (after != lent_) std::atomic_ref<IBHandle>(slot_).store(after);
  }
  ApiHandle(const ApiHandle&) = delete;
  ApiHandle& operator=(const ApiHandle&) = delete;
  FB_API_HANDLE* ptr() { return &handle_; }

 private:
  // A pointer on 32-bit clients, an integer on 64-bit ones.
  template <typename Handle = FB_API_HANDLE>
  static Handle ToApi(IBHandle value) {
    if constexpr (std::is_pointer_v<Handle>) {
      return reinterpret_cast<Handle>(value);
    } else {
      return static_cast<Handle>(value);
    }
  }
  template <typename Handle = FB_API_HANDLE>
  static IBHandle FromApi(Handle value) {
    if constexpr (std::is_pointer_v<Handle>) {
      return reinterpret_cast<IBHandle>(value);
    } else {
      return static_cast<IBHandle>(value);
    }
  }

  IBHandle& slot_;
  const IBHandle lent_;
  FB_API_HANDLE handle_;
};

}  // namespace zelmor
