#include "rtl/paths.h"

#include "platform/files.h"

namespace zelmor {
namespace {

size_t FolderLength(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (platform::IsPathDelimiter(path[i - 1])) return i;
  return 0;
}

}  // namespace

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, FolderLength(path)));
}

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(FolderLength(path)));
}

std::string ExtractFileExt(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const auto dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string result(path);
  if (result.empty() || result.back() != platform::kPathDelimiter)
    result += platform::kPathDelimiter;
  return result;
}

}  // namespace zelmor
