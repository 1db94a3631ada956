// A host built against an installed Zelmor, as a third party builds one: the
// umbrella header, the runtime linked through find_package, the library
// loaded by path with the system's own loader.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include <zelmor/zelmor.h>

template <typename Function>
Function* Resolve(void* library, const char* name) {
  return reinterpret_cast<Function*>(dlsym(library, name));
}

int main() {
  void* library = dlopen(ZELMOR_FILE, RTLD_NOW);
  if (!library) return 1;
  auto* get_port = Resolve<decltype(::GetFBPort)>(library, "GetFBPort");
  auto* disabled = Resolve<decltype(::CommitTransactionWithReOpenDST)>(
      library, "CommitTransactionWithReOpenDST");
  if (!get_port || !disabled || get_port() != 30050) return 2;
  try {
    disabled(nullptr, nullptr);
    return 3;
  } catch (const zelmor::Exception& error) {
    if (std::strcmp(error.ClassName(), "Exception") != 0) return 4;
  }
  zelmor::TIBDatabase database;
  if (std::strcmp(database.ClassName(), "TIBDatabase") != 0) return 5;
  dlclose(library);
  std::puts("installed Zelmor works");
  return 0;
}
