#include "components/ib_status.h"

#include <string>

#include "components/ib_error_class.h"
#include "rtl/exceptions.h"

namespace zelmor {

bool IBStatus::ConnectionLost() const {
  return Failed() && IBErrorClassOf(ErrorCode()) == TIBErrorClass::kLostConnection;
}

std::string IBStatus::Message() const {
  const GDSEntries& api = GetGDSLibrary().Entries();
  std::string message;
  const ISC_STATUS* cursor = vector;
  char line[1024];
  for (;;) {
    long length = 0;
    if (api.fb_interpret) {
      length = api.fb_interpret(line, sizeof line, &cursor);
    } else {
      // The old call takes a mutable cursor and a buffer of at least 512 bytes.
      ISC_STATUS* old_cursor = const_cast<ISC_STATUS*>(cursor);
      length = api.isc_interprete(line, &old_cursor);
      cursor = old_cursor;
    }
    if (length <= 0) break;
    if (!message.empty()) message += "\r\n";
    message.append(line, static_cast<size_t>(length));
  }
  return message;
}

void IBStatus::Raise() const {
  const long sql_code = GetGDSLibrary().Entries().isc_sqlcode(vector);
  throw EIBInterBaseError(Message(), sql_code, ErrorCode(), IBErrorClassOf(ErrorCode()));
}

}  // namespace zelmor
