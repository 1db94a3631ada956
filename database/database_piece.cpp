#include "database/database_piece.h"

#include "database/process_state.h"

namespace zelmor::db {

std::string DatabasePiece(const TIBDatabase* database) {
  if (!database) return {};
  return "d" + std::to_string(ObjectNumber(database)) + ", ";
}

}  // namespace zelmor::db
