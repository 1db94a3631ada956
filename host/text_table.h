// Rows printed as an aligned text table for a UTF-8 terminal.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zelmor::host {

class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header) : header_(std::move(header)) {}
  // Cells are UTF-8.
  void AddRow(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  size_t RowCount() const { return rows_.size(); }
  // Numbers read best right-aligned; columns are left-aligned otherwise.
  void AlignRight(size_t column);
  void Print(std::ostream& out) const;

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<bool> right_aligned_;
};

}  // namespace zelmor::host
