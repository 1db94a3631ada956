// Opening and closing connections, one at a time in the whole process, each
// timed and logged; and the hosts' own lines in the same log.
#pragma once

#include <cstdint>
#include <string>

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::db {

// Opens `database` under ConnectLock and writes "DB:OPEN" with the time spent
// waiting and opening; an open connection is left as it is. A connection
// with no connect time-out of its own gets FBConnectTimeout, so that the
// open gives up after that many seconds. A failure writes
// its lines and reaches the caller as the very object the component raised.
void FBConnectDB(TIBDatabase* database, const std::string& caller_tag);

// Closes `database` under ConnectLock and writes "DB:CLOSE"; a closed one is
// left as it is. A failure is logged and raised unchanged.
void FBDisconnectDB(TIBDatabase* database, const std::string& caller_tag);

// A host's line: "**[tag] text" at the host's level; empty text writes an
// empty line at level 0.
void FBLogMessage(const std::string& text, uint8_t level, const std::string& caller_tag);

// The part of a database name after its last "\" or ":" (all of it when it
// has neither), as DB:CLOSE shows it. Where paths use "/" (Linux), a "/"
// after the port ends a folder too, so that the file name alone is shown.
std::string DatabaseFileName(const std::string& database_name);

}  // namespace zelmor::db
