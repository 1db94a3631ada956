// Named parameters (:NAME) of a statement text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmor {

struct ParsedSql {
  // The text with every :NAME replaced by ?, as the server takes it.
  std::string text;
  // The names in the order of the ? marks, upper-cased unless quoted
  // (:"Name"); a name used twice appears twice.
  std::vector<std::string> names;
};

// String literals, quoted identifiers and comments are left alone.
ParsedSql ParseSqlParams(std::string_view sql);

}  // namespace zelmor
