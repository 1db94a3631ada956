#include "host/log_files.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"
#include "rtl/paths.h"
#include "rtl/text.h"

namespace zelmor::host {

std::vector<std::string> LogAndArchives(const std::string& log_path) {
  const std::string folder = ExtractFilePath(log_path);
  const std::string name = ExtractFileName(log_path);
  std::vector<std::pair<long long, std::string>> archives;
  for (const std::string& entry : platform::FindFiles(log_path + "*")) {
    const std::string digits = entry.substr(std::min(entry.size(), name.size()));
    long long number = -1;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        !TryStrToInt(digits, number) || !platform::FileExists(folder + entry))
      continue;
    archives.emplace_back(number, folder + entry);
  }
  std::sort(archives.begin(), archives.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::string> files;
  for (auto& archive : archives) files.push_back(std::move(archive.second));
  if (platform::FileExists(log_path)) files.push_back(log_path);
  return files;
}

}  // namespace zelmor::host
