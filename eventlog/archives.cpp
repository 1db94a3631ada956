#include "eventlog/archives.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "rtl/paths.h"
#include "rtl/text.h"

namespace zelmor::eventlog {

namespace {

bool IsAllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The archive number of the directory entry `name`, or -1 when it is no
// archive. Normally the number is what follows the log's extension within
// the entry's extension (so "x.log7" is 7, "x.log.bak" and the temporary
// copies "x.log_1_2" are none). A log without an extension would make every
// archive's extension look like the log's own, so there the entry must be
// the log's name followed by decimal digits only.
long long ArchiveNumberOf(const std::string& name, const std::string& log_base,
                          const std::string& log_ext) {
  long long number = -1;
  if (log_ext.empty()) {
    const std::string suffix = name.substr(std::min(name.size(), log_base.size()));
    if (!IsAllDigits(suffix) || !TryStrToInt(suffix, number)) return -1;
    return number;
  }
  const std::string ext = ExtractFileExt(name);
  if (AnsiSameText(ext, log_ext)) return -1;
  if (!TryStrToInt(ext.substr(std::min(ext.size(), log_ext.size())), number)) return -1;
  return number >= 0 ? number : -1;
}

}  // namespace

std::string ArchiveName(const std::string& file_name, long long number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return file_name + digits;
}

int FindArchives(std::string_view log_name, std::vector<std::string>& list) {
  const std::string file_name(log_name);
  const std::string folder = ExtractFilePath(file_name);
  const std::string log_base = ExtractFileName(file_name);
  const std::string log_ext = AnsiLowerCase(ExtractFileExt(file_name));

  std::vector<std::pair<long long, std::string>> found;
  for (const std::string& name : platform::FindFilesStartingWith(file_name)) {
    if (!platform::FileExists(folder + name)) continue;
    const long long number = ArchiveNumberOf(name, log_base, log_ext);
    if (number >= 0) found.emplace_back(number, folder + name);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  list.clear();
  for (auto& entry : found) list.push_back(std::move(entry.second));
  return static_cast<int>(list.size());
}

void RotateArchives(std::string_view log_name, int32_t max_archives) {
  const std::string file_name(log_name);
  std::vector<std::string> archives;
  FindArchives(file_name, archives);
  if (max_archives > 0) {
    while (static_cast<int64_t>(archives.size()) > max_archives) {
      platform::DeleteFile(archives.back());
      archives.pop_back();
    }
  }
  for (auto it = archives.rbegin(); it != archives.rend(); ++it) {
    const long long number = StrToIntDef(it->substr(file_name.size()), 0);
    platform::RenameFile(*it, ArchiveName(file_name, number + 1));
  }
  platform::RenameFile(file_name, ArchiveName(file_name, 0));
}

}  // namespace zelmor::eventlog
