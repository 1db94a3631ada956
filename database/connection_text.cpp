#include "database/connection_text.h"

#include "platform/files.h"
#include "rtl/format.h"
#include "rtl/text.h"

namespace zelmor::db {

std::string ConnectionText(const std::string& server, int32_t port, const std::string& path) {
  const std::string location = Format("%s/%d:", {server, port});
  if (platform::kCaseInsensitiveFileNames) return AnsiUpperCase(location + path);
  return AnsiUpperCase(location) + path;
}

}  // namespace zelmor::db
