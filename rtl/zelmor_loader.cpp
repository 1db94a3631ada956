#include "zelmor/loader.h"

#include "platform/errors.h"
#include "platform/modules.h"

namespace zelmor {

bool ZelmorApi::Load(const std::string& path, std::string& error) {
  Unload();
  module_ = platform::LoadModule(path);
  if (!module_) {
    error = "cannot load " + path + ": " + platform::SystemErrorMessage(platform::LastError());
    return false;
  }
#define ZELMOR_API_RESOLVE(name)                                                 \
  name = reinterpret_cast<decltype(name)>(platform::ModuleSymbol(module_, #name)); \
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
  if (module_) platform::FreeModule(module_);
  module_ = nullptr;
#define ZELMOR_API_CLEAR(name) name = nullptr;
  ZELMOR_EXPORTS(ZELMOR_API_CLEAR)
#undef ZELMOR_API_CLEAR
}

}  // namespace zelmor
