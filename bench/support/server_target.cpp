#include "support/server_target.h"

#include "platform/platform.h"

namespace zelmor::bench {

bool ReadServerTarget(ServerTarget& target) {
  const std::string database = platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB");
  const size_t slash = database.find('/');
  const size_t colon = database.find(':', slash);
  if (slash == std::string::npos || colon == std::string::npos) return false;
  target.server = database.substr(0, slash);
  target.port = std::stoi(database.substr(slash + 1, colon - slash - 1));
  target.file = database.substr(colon + 1);
  target.password = platform::GetEnvironmentVariable("ZELMOR_FB_PASSWORD");
  return true;
}

}  // namespace zelmor::bench
