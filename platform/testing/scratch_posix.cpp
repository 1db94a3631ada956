#include "platform/testing/scratch.h"

#include "platform/process.h"

namespace zelmor::platform {

std::string ScratchFolder() {
  std::string folder = GetEnvironmentVariable("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace zelmor::platform
