#include "host/text_table.h"

#include <algorithm>

namespace zelmor::host {
namespace {

// Characters on screen: UTF-8 continuation bytes take no column.
size_t DisplayWidth(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void PrintRow(std::ostream& out, const std::vector<std::string>& row,
              const std::vector<size_t>& widths, const std::vector<bool>& right_aligned) {
  for (size_t i = 0; i < widths.size(); ++i) {
    const std::string cell = i < row.size() ? row[i] : std::string();
    const std::string padding(widths[i] - DisplayWidth(cell), ' ');
    out << (i ? " | " : "");
    if (i < right_aligned.size() && right_aligned[i]) {
      out << padding << cell;
    } else {
      out << cell;
      if (i + 1 < widths.size()) out << padding;
    }
  }
  out << '\n';
}

}  // namespace

void TextTable::AlignRight(size_t column) {
  if (right_aligned_.size() <= column) right_aligned_.resize(column + 1);
  right_aligned_[column] = true;
}

void TextTable::Print(std::ostream& out) const {
  std::vector<size_t> widths(header_.size());
  for (size_t i = 0; i < header_.size(); ++i) widths[i] = DisplayWidth(header_[i]);
  for (const auto& row : rows_)
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  PrintRow(out, header_, widths, right_aligned_);
  size_t total = 0;
  for (size_t w : widths) total += w;
  out << std::string(total + 3 * (widths.empty() ? 0 : widths.size() - 1), '-') << '\n';
  for (const auto& row : rows_) PrintRow(out, row, widths, right_aligned_);
}

}  // namespace zelmor::host
