// The text of an INI file held in memory and edited line by line the way the
// Windows profile functions edit it: lines that are not touched keep their
// bytes and line endings; new lines end with CR LF. Blanks around the
// section and key names asked for do not count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmor {

class IniDocument {
 public:
  explicit IniDocument(std::string_view text = {});

  std::string Text() const;

  // The value of the first such key in the first such section, as stored
  // (blanks around it dropped, quotes kept); nullptr when missing.
  const std::string* Find(std::string_view section, std::string_view key) const;
  // Replaces the key's value, or adds the key at the end of the section, or
  // adds the section at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // True when a key was removed.
  bool Remove(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines; true when any.
  bool EraseSection(std::string_view section);
  std::vector<std::string> Keys(std::string_view section) const;
  std::vector<std::string> Sections() const;

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    std::string text;     // without its line ending
    std::string ending;   // "\r\n", "\n" or "" for a last line without one
    Kind kind = Kind::kOther;
    std::string name;     // section or key name
    std::string value;    // key value, blanks around it dropped
  };

  static Line ParseLine(std::string text, std::string ending);
  // Index of the first section header with that name, or lines_.size().
  size_t FindSection(std::string_view section) const;
  // One past the last line of the section whose header is at `header`.
  size_t SectionEnd(size_t header) const;
  size_t FindKey(size_t header, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace zelmor
