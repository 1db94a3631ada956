#include "components/gds_library.h"

#include <utility>

#include "platform/errors.h"
#include "platform/modules.h"
#include "rtl/exceptions.h"

namespace zelmor {

namespace {

// Fills `entries` from `module`; false when a required entry is missing.
bool BindEntries(platform::ModuleHandle module, GDSEntries& entries) {
  bool complete = true;
#define ZELMOR_GDS_BIND_REQUIRED(name)                                         \
  entries.name = reinterpret_cast<decltype(entries.name)>(                     \
      platform::ModuleSymbol(module, #name));                                  \
  complete = complete && entries.name != nullptr;
#define ZELMOR_GDS_BIND_OPTIONAL(name) \
  entries.name = reinterpret_cast<decltype(entries.name)>(platform::ModuleSymbol(module, #name));
  ZELMOR_GDS_REQUIRED_ENTRIES(ZELMOR_GDS_BIND_REQUIRED)
  ZELMOR_GDS_OPTIONAL_ENTRIES(ZELMOR_GDS_BIND_OPTIONAL)
#undef ZELMOR_GDS_BIND_REQUIRED
#undef ZELMOR_GDS_BIND_OPTIONAL
  return complete;
}

// A failed load is not remembered: the suite's copy may be loaded later.
platform::OwnedModule FindOrLoadClient() {
  const auto names = platform::ClientLibraryNames();
  for (const auto& name : names) {
    if (auto module = platform::ReferenceLoadedModule(name)) return module;
  }
  for (const auto& name : names) {
    if (auto module = platform::LoadModule(name)) return module;
  }
  return {};
}

}  // namespace

bool TGDSLibrary::LoadLocked() {
  if (module_) return true;
  platform::OwnedModule module = FindOrLoadClient();
  if (!module) return false;
  GDSEntries entries;
  if (!BindEntries(module.Handle(), entries)) {
    const uint32_t why = platform::LastError();
    // Only the reference taken here: whoever loaded the module keeps it.
    module.Release();
    platform::SetLastError(why);
    return false;
  }
  module_ = std::move(module);
  entries_ = entries;
  loaded_ = true;
  return true;
}

bool TGDSLibrary::TryIBLoad() {
  std::lock_guard<std::mutex> guard(lock_);
  return LoadLocked();
}

const GDSEntries& TGDSLibrary::Entries() {
  // Entries never change once bound, so the common path takes no lock.
  if (loaded_) return entries_;
  std::lock_guard<std::mutex> guard(lock_);
  if (!LoadLocked()) {
    const uint32_t why = platform::LastError();
    throw EIBClientError("Unable to load the Firebird client library: " +
                         platform::SystemErrorMessage(why));
  }
  return entries_;
}

TGDSLibrary& GetGDSLibrary() {
  // Never destroyed: components may outlive static destruction order.
  static TGDSLibrary* library = new TGDSLibrary;
  return *library;
}

}  // namespace zelmor
