#include "components/string_list.h"

#include <atomic>

#include "rtl/text.h"

namespace zelmor {

uint64_t TStringList::NextRevision() {
  static std::atomic<uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::string TStringList::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  lines_.clear();
  revision_ = NextRevision();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines_.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
}

int TStringList::IndexOf(std::string_view line) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (AnsiSameText(lines_[i], line)) return static_cast<int>(i);
  }
  return -1;
}

int TStringList::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto equals = lines_[i].find('=');
    if (equals != std::string::npos && AnsiSameText(std::string_view(lines_[i]).substr(0, equals), name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  if (index < 0) return {};
  const std::string& line = lines_[static_cast<size_t>(index)];
  return line.substr(line.find('=') + 1);
}

void TStringList::SetValues(std::string_view name, std::string_view value) {
  revision_ = NextRevision();
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) lines_.erase(lines_.begin() + index);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (index >= 0) {
    lines_[static_cast<size_t>(index)] = std::move(line);
  } else {
    lines_.push_back(std::move(line));
  }
}

}  // namespace zelmor
