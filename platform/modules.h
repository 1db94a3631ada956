// Modules: the host's executable, the suite's libraries and the Firebird
// client, found, loaded and freed.
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

// True when a module with this file name is loaded in the process.
bool IsModuleLoaded(const std::string& name);
// nullptr on failure with LastError() set.
ModuleHandle LoadModule(const std::string& path_or_name);
// A module of that name already loaded, without loading it; nullptr if none.
// The handle is borrowed (no reference is taken): never pass it to
// FreeModule.
ModuleHandle LoadedModule(const std::string& name);
void* ModuleSymbol(ModuleHandle module, const char* symbol);
bool FreeModule(ModuleHandle module);

}  // namespace zelmor::platform
