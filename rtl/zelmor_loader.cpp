#include "host/zelmor_api.h"

namespace zelmor::host {

bool ZelmorApi::Load(const std::string& path, std::string& error) {
  module_ = platform::LoadModule(path);
  if (!module_) {
    error = "cannot load " + path + ": " + platform::SystemErrorMessage(platform::LastError());
    return false;
  }
#define ZELMOR_API_RESOLVE(name)                                                 \
  name = reinterpret_cast<decltype(name)>(platform::ModuleSymbol(module_, #name)); \
  if (!name) {                                                                   \
    error = path + " does not export " #name;                                    \
    return false;                                                                \
  }
  ZELMOR_EXPORTS(ZELMOR_API_RESOLVE)
#undef ZELMOR_API_RESOLVE
  return true;
}

void ZelmorApi::Unload() {
  if (module_) platform::FreeModule(module_);
  module_ = nullptr;
}

}  // namespace zelmor::host
