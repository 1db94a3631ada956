// A list of text lines, as components keep their parameters and statements.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelmor {

class TStringList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Add(std::string line) {
    lines_.push_back(std::move(line));
    revision_ = NextRevision();
  }
  void Clear() {
    lines_.clear();
    revision_ = NextRevision();
  }
  // Replaces the whole list.
  void Assign(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    revision_ = NextRevision();
  }
  // A number no other content of any list has had, new at every change
  // (a copy takes the original's): a reader of the text can tell it
  // unchanged without joining it.
  uint64_t Revision() const { return revision_; }

  // The lines joined by CR LF; setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);

  // Index of the line equal to `line` ignoring case, or -1.
  int IndexOf(std::string_view line) const;

  // name=value lines: the value after the first line whose name matches
  // (ignoring case), "" when none does. Setting "" removes the line.
  std::string Values(std::string_view name) const;
  void SetValues(std::string_view name, std::string_view value);

 private:
  int IndexOfName(std::string_view name) const;

  static uint64_t NextRevision();

  std::vector<std::string> lines_;
  uint64_t revision_ = NextRevision();
};

}  // namespace zelmor
