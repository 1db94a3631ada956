#include "host/row_output.h"

#include <nlohmann/json.hpp>

#include "host/text_table.h"

namespace zelmor::host {

std::string TableCell(const std::optional<std::string>& value) {
  if (!value) return "NULL";
  if (*value == "NULL") return "\\NULL";
  std::string cell;
  for (const char c : *value) {
    switch (c) {
      case '\\': cell += "\\\\"; break;
      case '|': cell += "\\|"; break;
      case '\n': cell += "\\n"; break;
      case '\r': cell += "\\r"; break;
      case '\t': cell += "\\t"; break;
      default: cell += c;
    }
  }
  return cell;
}

void PrintTable(const Rows& rows, std::ostream& out) {
  TextTable table(rows.columns);
  for (const auto& row : rows.rows) {
    std::vector<std::string> cells;
    for (const auto& value : row) cells.push_back(TableCell(value));
    table.AddRow(std::move(cells));
  }
  table.Print(out);
  out << "(" << table.RowCount() << (table.RowCount() == 1 ? " row)\n" : " rows)\n");
}

void PrintJsonLines(const Rows& rows, std::ostream& out) {
  for (const auto& row : rows.rows) {
    // ordered_json keeps the columns in the statement's order.
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (size_t i = 0; i < row.size() && i < rows.columns.size(); ++i)
      object[rows.columns[i]] = row[i] ? nlohmann::ordered_json(*row[i]) : nlohmann::ordered_json();
    out << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  }
}

}  // namespace zelmor::host
