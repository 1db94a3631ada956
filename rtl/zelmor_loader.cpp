#include "zelmor/loader.h"

#include <utility>

#include "platform/errors.h"
#include "platform/modules.h"

namespace zelmor {

bool ZelmorApi::Load(const std::string& path, std::string& error) {
  Unload();
  platform::OwnedModule module = platform::LoadModule(path);
  if (!module) {
    error = "cannot load " + path + ": " + platform::SystemErrorMessage(platform::LastError());
    return false;
  }
  const platform::ModuleHandle handle = module.Handle();
  module_ = new platform::OwnedModule(std::move(module));
#define ZELMOR_API_RESOLVE(name)                                                 \
  name = reinterpret_cast<decltype(name)>(platform::ModuleSymbol(handle, #name)); \
  if (!name) {                                                                   \
    error = path + " does not export " #name;                                    \
    Unload();                                                                    \
    return false;                                                                \
  }
  ZELMOR_EXPORTS(ZELMOR_API_RESOLVE)
#undef ZELMOR_API_RESOLVE
  return true;
}

void ZelmorApi::Unload() {
  // Freeing the reference's holder gives the module back.
  delete static_cast<platform::OwnedModule*>(module_);
  module_ = nullptr;
#define ZELMOR_API_CLEAR(name) name = nullptr;
  ZELMOR_EXPORTS(ZELMOR_API_CLEAR)
#undef ZELMOR_API_CLEAR
}

}  // namespace zelmor
