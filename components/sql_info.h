// Replies of isc_dsql_sql_info, read without trusting the lengths they hold.
#pragma once

#include <cstddef>

namespace zelmor {

// The statement type (isc_info_sql_stmt_*) of a reply to the one item
// isc_info_sql_stmt_type. Raises EIBClientError when the reply is not that
// item, or when its length runs past the reply or past four bytes.
int StatementTypeFromInfo(const char* reply, size_t size);

}  // namespace zelmor
