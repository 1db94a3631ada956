#include "settings/ini_document.h"

#include "rtl/text.h"

namespace zelmor {

namespace {

const char kNewLine[] = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      lines_.push_back(ParseLine(std::string(text.substr(start)), ""));
      break;
    }
    size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    lines_.push_back(ParseLine(std::string(text.substr(start, end - start)),
                               std::string(text.substr(end, lf + 1 - end))));
    start = lf + 1;
  }
}

IniDocument::Line IniDocument::ParseLine(std::string text, std::string ending) {
  Line line;
  const std::string_view content = TrimBlanks(text);
  if (!content.empty() && content.front() == '[') {
    const size_t close = content.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = Kind::kSection;
      // Blanks inside the brackets do not count, as around a name asked for.
      line.name = std::string(TrimBlanks(content.substr(1, close - 1)));
    }
  } else if (!content.empty() && content.front() != ';') {
    const size_t equals = content.find('=');
    if (equals != std::string_view::npos) {
      line.kind = Kind::kKey;
      line.name = std::string(TrimBlanks(content.substr(0, equals)));
      line.value = std::string(TrimBlanks(content.substr(equals + 1)));
    }
  }
  line.text = std::move(text);
  line.ending = std::move(ending);
  return line;
}

std::string IniDocument::Text() const {
  size_t size = 0;
  for (const Line& line : lines_) size += line.text.size() + line.ending.size();
  std::string text;
  text.reserve(size);
  for (const Line& line : lines_) {
    text += line.text;
    text += line.ending;
  }
  return text;
}

size_t IniDocument::FindSection(std::string_view section) const {
  section = TrimBlanks(section);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::kSection && AnsiSameText(lines_[i].name, section)) return i;
  return lines_.size();
}

size_t IniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

size_t IniDocument::FindKey(size_t header, std::string_view key) const {
  key = TrimBlanks(key);
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::kKey && AnsiSameText(lines_[i].name, key)) return i;
  return lines_.size();
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
  const size_t header = FindSection(section);
  if (header == lines_.size()) return nullptr;
  const size_t at = FindKey(header, key);
  return at == lines_.size() ? nullptr : &lines_[at].value;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  const size_t header = FindSection(section);
  if (header != lines_.size()) {
    const size_t at = FindKey(header, key);
    if (at != lines_.size()) {
      Line& line = lines_[at];
      line.text = line.name + "=" + std::string(value);
      line.value = std::string(TrimBlanks(value));
      return;
    }
    // After the section's last non-blank line, so blank lines that part it
    // from the next section stay where they are.
    size_t after = SectionEnd(header);
    while (after > header + 1 && TrimBlanks(lines_[after - 1].text).empty()) --after;
    if (lines_[after - 1].ending.empty()) lines_[after - 1].ending = kNewLine;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after),
                  ParseLine(std::string(key) + "=" + std::string(value), kNewLine));
    return;
  }
  if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = kNewLine;
  lines_.push_back(ParseLine("[" + std::string(section) + "]", kNewLine));
  lines_.push_back(ParseLine(std::string(key) + "=" + std::string(value), kNewLine));
}

bool IniDocument::Remove(std::string_view section, std::string_view key) {
  const size_t header = FindSection(section);
  if (header == lines_.size()) return false;
  const size_t at = FindKey(header, key);
  if (at == lines_.size()) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  bool erased = false;
  for (size_t header = FindSection(section); header != lines_.size();
       header = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
    erased = true;
  }
  return erased;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const size_t header = FindSection(section);
  if (header == lines_.size()) return keys;
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines_[i].kind == Kind::kKey) keys.push_back(lines_[i].name);
  return keys;
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (line.kind == Kind::kSection) names.push_back(line.name);
  return names;
}

}  // namespace zelmor
