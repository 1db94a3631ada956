#include "platform/modules.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

const char* const kZelmorLibraryFileName = "Zelmor.dll";
const char* const kClientLibraryFileName = "GDS32.dll";
const char* const kHomeClientLibraryPath = "FIREBIRD\\bin\\GDS32.dll";
const char* const kHomeFirebirdFolder = "FIREBIRD\\";

std::vector<std::string> ClientLibraryNames() { return {"GDS32.dll", "fbclient.dll"}; }

namespace {

// A module's file name; long paths get a larger buffer than MAX_PATH.
std::string ModuleFileName(HMODULE module) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string HostExecutablePath() { return ModuleFileName(nullptr); }

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module))
    return {};
  return ModuleFileName(module);
}

bool IsModuleLoaded(const std::string& name) { return ::GetModuleHandleA(name.c_str()) != nullptr; }

BorrowedModule LoadedModule(const std::string& name) {
  return BorrowedModule(::GetModuleHandleA(name.c_str()));
}

OwnedModule ReferenceLoadedModule(const std::string& name) {
  HMODULE module = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT the call counts a
  // reference, which FreeLibrary gives back.
  if (!::GetModuleHandleExA(0, name.c_str(), &module)) module = nullptr;
  return OwnedModule(module);
}

OwnedModule LoadModule(const std::string& path_or_name) {
  return OwnedModule(::LoadLibraryA(path_or_name.c_str()));
}

void* ModuleSymbol(ModuleHandle module, const char* symbol) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), symbol));
}

bool OwnedModule::Release() {
  if (!handle_) return true;
  HMODULE module = static_cast<HMODULE>(handle_);
  handle_ = nullptr;
  return ::FreeLibrary(module) != 0;
}

}  // namespace zelmor::platform
