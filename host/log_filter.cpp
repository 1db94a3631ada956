#include "host/log_filter.h"

#include <charconv>

#include "rtl/text.h"

namespace zelmor::host {
namespace {

// Calls `take` for each comma-separated item; stops at the first refused.
template <typename Take>
bool ForEachItem(std::string_view text, Take take) {
  for (;;) {
    const size_t comma = text.find(',');
    if (!take(text.substr(0, comma))) return false;
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace

bool ParseLevels(std::string_view text, std::set<int>& levels, std::string& error) {
  return ForEachItem(text, [&](std::string_view item) {
    // People type the writer's tags in UTF-8; the table holds them in CP1251.
    const int level = LevelFromName(Utf8ToCp1251(item));
    if (level < 0) {
      error = "'" + std::string(item) +
              "' is no level: give 0-7 or plain, info, error, fault, warning, event, debug, other";
      return false;
    }
    levels.insert(level);
    return true;
  });
}

bool ParsePids(std::string_view text, std::set<int64_t>& pids, std::string& error) {
  return ForEachItem(text, [&](std::string_view item) {
    int64_t pid = 0;
    const auto [end, failure] = std::from_chars(item.data(), item.data() + item.size(), pid);
    if (item.empty() || failure != std::errc() || end != item.data() + item.size()) {
      error = "'" + std::string(item) + "' is no process id";
      return false;
    }
    pids.insert(pid);
    return true;
  });
}

std::string FoldedPattern(std::string_view utf8) {
  std::string folded;
  for (const char c : Utf8ToCp1251(utf8)) {
    if (static_cast<unsigned char>(c) < 0x80)
      folded += c;
    else
      folded += AnsiLowerCase(std::string_view(&c, 1));
  }
  return Cp1251ToUtf8(folded);
}

bool LineSelector::Take(std::string_view line, const std::optional<LogLine>& parsed) {
  if (!filter_.Active()) return true;
  if (!parsed) return last_taken_ && !line.empty();
  last_taken_ = Matches(line, *parsed);
  return last_taken_;
}

bool LineSelector::Matches(std::string_view line, const LogLine& parsed) const {
  if (!filter_.levels.empty() && !filter_.levels.count(parsed.level) &&
      !(filter_.levels.count(kErrorLevel) && IsFailureText(parsed.text)))
    return false;
  if (!filter_.pids.empty() && (!parsed.pid || !filter_.pids.count(*parsed.pid))) return false;
  if (filter_.since || filter_.until) {
    const Moment moment = MomentOfStamp(parsed.stamp, today_);
    if (filter_.since && moment < *filter_.since) return false;
    if (filter_.until && *filter_.until < moment) return false;
  }
  if (filter_.grep) {
    const std::string shown = Cp1251ToUtf8(filter_.fold_case ? AnsiLowerCase(line) : std::string(line));
    if (!std::regex_search(shown, *filter_.grep)) return false;
  }
  return true;
}

}  // namespace zelmor::host
