// Zelmor as a host loads it: by path at run time, every one of its exports
// looked up by name with the types exports.h gives them. Part of the component
// runtime (link ZelmorRuntime).
#pragma once

#include <string>

#include "zelmor/exports.h"

namespace zelmor {

class ZelmorApi {
 public:
#define ZELMOR_API_POINTER(name) decltype(&::name) name = nullptr;
  ZELMOR_EXPORTS(ZELMOR_API_POINTER)
#undef ZELMOR_API_POINTER

  ZelmorApi() = default;
  ZelmorApi(const ZelmorApi&) = delete;
  ZelmorApi& operator=(const ZelmorApi&) = delete;
  // Unloads the library, which runs its unload sequence.
  ~ZelmorApi() { Unload(); }

  // Loads the library at `path` and resolves every export; false with
  // `error` saying what failed (the system's message, or the missing name).
  bool Load(const std::string& path, std::string& error);
  void Unload();
  bool Loaded() const { return module_ != nullptr; }

 private:
  // The library's module reference, held on the heap so that this header
  // needs no platform header; given back exactly once, by Unload().
  void* module_ = nullptr;
};

}  // namespace zelmor
