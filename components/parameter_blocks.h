// The parameter lines of databases and transactions turned into the byte
// blocks the client library takes.
#pragma once

#include <string>

#include "components/string_list.h"

namespace zelmor {

// name=value lines: user_name, password, lc_ctype, sql_role_name,
// sql_dialect, connect_timeout, num_buffers (an "isc_dpb_" prefix is
// allowed). Anything else raises EIBClientError.
std::string BuildDPB(const TStringList& params);

// One parameter per line: read_committed, rec_version, no_rec_version,
// nowait, wait, read, write, concurrency, consistency, autocommit,
// no_auto_undo, ignore_limbo, restart_requests, shared, protected,
// lock_timeout=seconds, lock_read=TABLE, lock_write=TABLE (an "isc_tpb_"
// prefix is allowed; blank lines are skipped). Anything else raises
// EIBClientError.
std::string BuildTPB(const TStringList& params);

}  // namespace zelmor
