// The text that names a database on a server, "server/port:path", as the
// pool keys its connections and the fuel database names its own.
#pragma once

#include <cstdint>
#include <string>

namespace zelmor::db {

// Formats "%s/%d:%s" and upper-cases it with the code page's letters, so that
// spellings differing only in letter case name one database. Where file names
// keep their case (Linux), the path after the port keeps it too: upper-cased,
// it would name another file.
std::string ConnectionText(const std::string& server, int32_t port, const std::string& path);

}  // namespace zelmor::db
