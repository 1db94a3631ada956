// The step the transaction and dataset exports share, table-driven: one
// operation of a host's component, timed, its lines written, its failure
// logged and raised again unchanged.
#pragma once

#include <string>

#include "database/database_piece.h"
#include "database/logged_step.h"
#include "database/process_state.h"

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::db {

template <typename Component>
struct ComponentStep {
  const char* class_name;  // what a missing object is reported as
  void (Component::*operation)();
  // The database of the success line's "d<number>, " piece.
  const TIBDatabase* (*database)(const Component&);
  const char* success_format;  // caller tag, database piece, name, elapsed ms
  const char* error_format;    // caller tag, message, name
  // A state in which the step only writes its warning, whatever
  // LogDbOperations says, and leaves the component as it is.
  bool (*stops)(const Component&) = nullptr;
  const char* warning_format = nullptr;  // caller tag, name
  // The statement, written after a failure while LogSqlOnError is on.
  std::string (*statement)(const Component&) = nullptr;
};

template <typename Component>
void RunComponentStep(const ComponentStep<Component>& step, Component* component,
                      const std::string& caller_tag) {
  LoggedStep(
      [&] {
        Component& target = Require(component, step.class_name);
        if (step.stops && step.stops(target)) {
          LogFmt(step.warning_format, {caller_tag, target.Name()});
          return;
        }
        const uint32_t elapsed = TimedMs([&] { (target.*step.operation)(); });
        if (LogDbOperations) {
          LogFmt(step.success_format,
                 {caller_tag, DatabasePiece(step.database(target)), target.Name(), elapsed});
        }
      },
      [&](const std::exception& error) {
        if (LogDbOperations) {
          LogFmt(step.error_format,
                 {caller_tag, error.what(), component ? component->Name() : std::string()});
        }
        // Tested on its own: the statement is wanted even without the other lines.
        if (step.statement && LogSqlOnError) {
          LogFmt("[%s] SQL: %s",
                 {caller_tag, component ? step.statement(*component) : std::string()});
        }
      });
}

}  // namespace zelmor::db
