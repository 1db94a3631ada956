#include "platform/modules.h"

#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/errors_posix.h"
#include "platform/paths_posix.h"

namespace zelmor::platform {

const char* const kZelmorLibraryFileName = "libZelmor.so";
const char* const kClientLibraryFileName = "libfbclient.so.2";
const char* const kHomeClientLibraryPath = "FIREBIRD/lib/libfbclient.so.2";
const char* const kHomeFirebirdFolder = "FIREBIRD/";

std::vector<std::string> ClientLibraryNames() { return {kClientLibraryFileName}; }

namespace {

// Full path of a loaded module whose file name is `name`, or "".
std::string FindLoadedModule(const std::string& name) {
  struct Search {
    const std::string* name;
    std::string found;
  } search{&name, {}};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        const std::string path = info->dlpi_name;
        const auto slash = path.find_last_of('/');
        const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        if (file == *s->name) {
          s->found = path;
          return 1;
        }
        return 0;
      },
      &search);
  return search.found;
}

}  // namespace

std::string HostExecutablePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (!::dladdr(address, &info) || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return Absolute(info.dli_fname);
}

bool IsModuleLoaded(const std::string& name) { return !FindLoadedModule(name).empty(); }

BorrowedModule LoadedModule(const std::string& name) {
  const std::string path = FindLoadedModule(name);
  if (path.empty()) return BorrowedModule();
  // Borrowed, as GetModuleHandleA's handle is: the reference dlopen takes is
  // given back at once, and whoever loaded the module keeps it loaded.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) ::dlclose(handle);
  return BorrowedModule(handle);
}

OwnedModule ReferenceLoadedModule(const std::string& name) {
  const std::string path = FindLoadedModule(name);
  // RTLD_NOLOAD counts a reference to the module already there and never
  // loads another file of that path.
  void* handle = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) SetLastError(kErrorModNotFound);
  return OwnedModule(handle);
}

OwnedModule LoadModule(const std::string& path_or_name) {
  void* handle = ::dlopen(path_or_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    SetModuleErrorText(::dlerror());
    SetLastError(kErrorModNotFound);
  }
  return OwnedModule(handle);
}

void* ModuleSymbol(ModuleHandle module, const char* symbol) {
  void* address = ::dlsym(module, symbol);
  if (!address) {
    SetModuleErrorText(::dlerror());
    SetLastError(kErrorProcNotFound);
  }
  return address;
}

bool OwnedModule::Release() {
  if (!handle_) return true;
  void* handle = handle_;
  handle_ = nullptr;
  if (::dlclose(handle) != 0) {
    SetModuleErrorText(::dlerror());
    SetLastError(kErrorModNotFound);
    return false;
  }
  return true;
}

}  // namespace zelmor::platform
