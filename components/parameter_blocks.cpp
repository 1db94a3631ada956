#include "components/parameter_blocks.h"

#include <ibase.h>

#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor {

namespace {

struct Entry {
  const char* name;
  char code;
  enum Kind { kFlag, kText, kNumber } kind;
};

constexpr Entry kDatabaseParams[] = {
    {"user_name", isc_dpb_user_name, Entry::kText},
    {"password", isc_dpb_password, Entry::kText},
    {"lc_ctype", isc_dpb_lc_ctype, Entry::kText},
    {"sql_role_name", isc_dpb_sql_role_name, Entry::kText},
    {"sql_dialect", isc_dpb_sql_dialect, Entry::kNumber},
    {"connect_timeout", isc_dpb_connect_timeout, Entry::kNumber},
    {"num_buffers", isc_dpb_num_buffers, Entry::kNumber},
};

constexpr Entry kTransactionParams[] = {
    {"read_committed", isc_tpb_read_committed, Entry::kFlag},
    {"rec_version", isc_tpb_rec_version, Entry::kFlag},
    {"no_rec_version", isc_tpb_no_rec_version, Entry::kFlag},
    {"nowait", isc_tpb_nowait, Entry::kFlag},
    {"wait", isc_tpb_wait, Entry::kFlag},
    {"read", isc_tpb_read, Entry::kFlag},
    {"write", isc_tpb_write, Entry::kFlag},
    {"concurrency", isc_tpb_concurrency, Entry::kFlag},
    {"consistency", isc_tpb_consistency, Entry::kFlag},
    {"autocommit", isc_tpb_autocommit, Entry::kFlag},
    {"no_auto_undo", isc_tpb_no_auto_undo, Entry::kFlag},
    {"ignore_limbo", isc_tpb_ignore_limbo, Entry::kFlag},
    {"restart_requests", isc_tpb_restart_requests, Entry::kFlag},
    {"shared", isc_tpb_shared, Entry::kFlag},
    {"protected", isc_tpb_protected, Entry::kFlag},
    {"lock_timeout", isc_tpb_lock_timeout, Entry::kNumber},
    {"lock_read", isc_tpb_lock_read, Entry::kText},
    {"lock_write", isc_tpb_lock_write, Entry::kText},
};

template <size_t N>
const Entry* Find(const Entry (&table)[N], std::string_view name, std::string_view prefix) {
  std::string key = AsciiLowerCase(Trim(name));
  if (key.rfind(prefix, 0) == 0) key.erase(0, prefix.size());
  for (const Entry& entry : table) {
    if (key == entry.name) return &entry;
  }
  return nullptr;
}

void AppendLength(std::string& block, const std::string& line, size_t length) {
  if (length > 255) throw EIBClientError("Parameter value too long: " + line);
  block += static_cast<char>(length);
}

void AppendNumber(std::string& block, const std::string& line, const std::string& value) {
  long long number = 0;
  if (!TryStrToInt(Trim(value), number) || number < INT32_MIN || number > INT32_MAX) {
    throw EIBClientError("Parameter value is not a number: " + line);
  }
  block += '\x04';
  for (int i = 0; i < 4; ++i) block += static_cast<char>((static_cast<uint32_t>(number) >> (8 * i)) & 0xFF);
}

}  // namespace

std::string BuildDPB(const TStringList& params) {
  std::string block(1, static_cast<char>(isc_dpb_version1));
  for (const std::string& line : params.Lines()) {
    if (Trim(line).empty()) continue;
    const auto equals = line.find('=');
    const std::string name = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    const Entry* entry = Find(kDatabaseParams, name, "isc_dpb_");
    if (!entry) throw EIBClientError("Unknown database parameter: " + line);
    block += entry->code;
    if (entry->kind == Entry::kNumber) {
      AppendNumber(block, line, value);
    } else {
      AppendLength(block, line, value.size());
      block += value;
    }
  }
  return block;
}

std::string BuildTPB(const TStringList& params) {
  std::string block(1, static_cast<char>(isc_tpb_version3));
  for (const std::string& line : params.Lines()) {
    if (Trim(line).empty()) continue;
    const auto equals = line.find('=');
    const std::string name = line.substr(0, equals);
    const Entry* entry = Find(kTransactionParams, name, "isc_tpb_");
    if (!entry || (entry->kind == Entry::kFlag) != (equals == std::string::npos)) {
      throw EIBClientError("Invalid transaction parameter: " + line);
    }
    block += entry->code;
    if (entry->kind == Entry::kNumber) {
      AppendNumber(block, line, line.substr(equals + 1));
    } else if (entry->kind == Entry::kText) {
      // Unquoted table names are stored upper-cased.
      const std::string table = AnsiUpperCase(Trim(line.substr(equals + 1)));
      AppendLength(block, line, table.size());
      block += table;
    }
  }
  return block;
}

}  // namespace zelmor
