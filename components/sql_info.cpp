#include "components/sql_info.h"

#include <ibase.h>

#include <cstdint>

#include "rtl/exceptions.h"

namespace zelmor {

namespace {

// The client's integers are little-endian whatever the machine (what
// isc_vax_integer reads).
uint32_t LittleEndian(const char* bytes, size_t length) {
  uint32_t value = 0;
  for (size_t i = length; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

[[noreturn]] void Malformed() {
  throw EIBClientError("The server's statement information is malformed");
}

}  // namespace

int StatementTypeFromInfo(const char* reply, size_t size) {
  // The item, a 2-byte length, then the value.
  constexpr size_t kHeader = 3;
  if (size < kHeader || reply[0] != isc_info_sql_stmt_type) Malformed();
  const size_t length = LittleEndian(reply + 1, 2);
  if (length < 1 || length > 4 || length > size - kHeader) Malformed();
  return static_cast<int>(LittleEndian(reply + kHeader, length));
}

}  // namespace zelmor
