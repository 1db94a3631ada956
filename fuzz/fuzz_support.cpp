#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/platform.h"

namespace zelmor::fuzz {

const std::string& WorkFolder() {
  static const std::string* folder = [] {
    auto* path = new std::string(platform::TempPath() + "zelmor-fuzz-" +
                                 std::to_string(platform::CurrentProcessId()) + "/");
    Require(platform::ForceDirectories(*path), "cannot create the work folder");
    return path;
  }();
  return *folder;
}

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

uint8_t InputReader::Byte() {
  if (rest_.empty()) return 0;
  const auto byte = static_cast<uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return byte;
}

std::string_view InputReader::Until(char separator) {
  const size_t at = rest_.find(separator);
  const std::string_view part = rest_.substr(0, at);
  rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
  return part;
}

}  // namespace zelmor::fuzz
