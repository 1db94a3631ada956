// Modules: the host's executable, the suite's libraries and the Firebird
// client, found, loaded and given back.
#pragma once

#include <string>
#include <vector>

namespace zelmor::platform {

using ModuleHandle = void*;

// The file names under which the suite ships its pieces on this platform.
extern const char* const kZelmorLibraryFileName;  // "Zelmor.dll" / "libZelmor.so"
extern const char* const kClientLibraryFileName;  // "GDS32.dll" / "libfbclient.so.2"
// Client library names tried, in order, when it is loaded by name.
std::vector<std::string> ClientLibraryNames();
// The suite's own copy of the client library, relative to ZedeHome().
extern const char* const kHomeClientLibraryPath;
// The FIREBIRD root folder relative to ZedeHome(), ending with a delimiter.
extern const char* const kHomeFirebirdFolder;

// Full path of the host program's executable.
std::string HostExecutablePath();
// Full path of the module (library or program) that contains `address`.
std::string ModulePathOf(const void* address);

// A reference to a module that this code took (LoadLibraryA or a counting
// GetModuleHandleExA; dlopen): the module stays loaded while the object
// holds it, and the reference is given back exactly once, by Release() or
// when the object goes. Move-only.
class OwnedModule {
 public:
  OwnedModule() = default;
  ~OwnedModule() { Release(); }
  OwnedModule(OwnedModule&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  OwnedModule& operator=(OwnedModule&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  ModuleHandle Handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives the reference back now (nothing for an empty object). False when
  // the OS refuses, with LastError() set; the object is empty either way.
  bool Release();

 private:
  friend OwnedModule LoadModule(const std::string& path_or_name);
  friend OwnedModule ReferenceLoadedModule(const std::string& name);
  explicit OwnedModule(ModuleHandle handle) : handle_(handle) {}
  ModuleHandle handle_ = nullptr;
};

// A module that someone else keeps loaded, looked at without a reference of
// its own (GetModuleHandleA): never released here, and valid only as long as
// its owner keeps it.
class BorrowedModule {
 public:
  BorrowedModule() = default;
  ModuleHandle Handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  friend BorrowedModule LoadedModule(const std::string& name);
  explicit BorrowedModule(ModuleHandle handle) : handle_(handle) {}
  ModuleHandle handle_ = nullptr;
};

// True when a module with this file name is loaded in the process.
bool IsModuleLoaded(const std::string& name);
// Empty on failure with LastError() set.
OwnedModule LoadModule(const std::string& path_or_name);
// A module of that name already loaded, without loading it; empty if none.
BorrowedModule LoadedModule(const std::string& name);
// A reference of its own to a module of that name already loaded, without
// loading one (GetModuleHandleExA without UNCHANGED_REFCOUNT; dlopen of the
// loaded module's path); empty if none is loaded.
OwnedModule ReferenceLoadedModule(const std::string& name);
void* ModuleSymbol(ModuleHandle module, const char* symbol);

}  // namespace zelmor::platform
