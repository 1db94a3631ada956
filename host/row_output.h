// A query's rows as the host prints them: an aligned table that tells a
// NULL from the text NULL and a separator from a cell's "|", or JSON lines.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zelmor::host {

struct Rows {
  std::vector<std::string> columns;                        // UTF-8
  std::vector<std::vector<std::optional<std::string>>> rows;  // UTF-8; nullopt is NULL
};

// A cell of the table: NULL for a NULL; in a text, "\" "|" and the line
// breaks and tab escaped (\\ \| \n \r \t), and the text NULL as \NULL.
std::string TableCell(const std::optional<std::string>& value);

// The table, then "(N rows)".
void PrintTable(const Rows& rows, std::ostream& out);
// One JSON object per row, its members the columns in order, each a string
// (the server's text, exact) or null.
void PrintJsonLines(const Rows& rows, std::ostream& out);

}  // namespace zelmor::host
