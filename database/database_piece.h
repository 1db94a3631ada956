// The "d<number>, " piece that ties a timed line to its connection.
#pragma once

#include <string>

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::db {

// "d" + the database's object number + ", ", or empty without a database.
std::string DatabasePiece(const TIBDatabase* database);

}  // namespace zelmor::db
