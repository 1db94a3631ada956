#include "components/sql_params.h"

#include "rtl/text.h"

namespace zelmor {

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '$';
}

// Index just past the quoted part that starts at `start` ('' doubles a quote).
size_t SkipQuoted(std::string_view sql, size_t start) {
  const char quote = sql[start];
  size_t i = start + 1;
  while (i < sql.size()) {
    if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return sql.size();
}

size_t SkipComment(std::string_view sql, size_t start) {
  if (sql[start + 1] == '-') {
    const size_t end = sql.find('\n', start);
    return end == std::string_view::npos ? sql.size() : end;
  }
  const size_t end = sql.find("*/", start + 2);
  return end == std::string_view::npos ? sql.size() : end + 2;
}

}  // namespace

ParsedSql ParseSqlParams(std::string_view sql) {
  ParsedSql parsed;
  parsed.text.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    size_t next = i + 1;
    if (c == '\'' || c == '"') {
      next = SkipQuoted(sql, i);
    } else if ((c == '-' || c == '/') && i + 1 < sql.size() && sql[i + 1] == (c == '-' ? '-' : '*')) {
      next = SkipComment(sql, i);
    } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == '"') {
      next = SkipQuoted(sql, i + 1);
      std::string name(sql.substr(i + 2, next - i - 3));
      parsed.names.push_back(std::move(name));
      parsed.text += '?';
      i = next;
      continue;
    } else if (c == ':' && i + 1 < sql.size() && IsNameChar(sql[i + 1])) {
      next = i + 1;
      while (next < sql.size() && IsNameChar(sql[next])) ++next;
      parsed.names.push_back(AsciiUpperCase(sql.substr(i + 1, next - i - 1)));
      parsed.text += '?';
      i = next;
      continue;
    }
    parsed.text.append(sql.substr(i, next - i));
    i = next;
  }
  return parsed;
}

}  // namespace zelmor
