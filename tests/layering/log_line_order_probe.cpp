// Must not compile: the wait and the duration of a DB:OPEN line swapped.
#include "database/process_state.h"

namespace zelmor::db {
void WriteSwapped() {
  using namespace lines;
  WriteLine(kDbOpen, "tag", ObjectNo{1}, "database", "name", Wait{2}, Duration{3});
}
}  // namespace zelmor::db
