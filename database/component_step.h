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
  const lines::StepLine& success;
  const lines::StepFailedLine& failure;
  // A state in which the step only writes its warning, whatever
  // LogDbOperations says, and leaves the component as it is.
  bool (*stops)(const Component&) = nullptr;
  const lines::Line<lines::Text, lines::Text>* warning = nullptr;
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
          WriteLine(*step.warning, caller_tag, target.Name());
          return;
        }
        const uint32_t elapsed = TimedMs([&] { (target.*step.operation)(); });
        if (LogDbOperations) {
          WriteLine(step.success, caller_tag, DatabasePiece(step.database(target)), target.Name(),
                    lines::Duration{elapsed});
        }
      },
      [&](const std::exception& error) {
        if (LogDbOperations) {
          WriteLine(step.failure, caller_tag, error.what(),
                    component ? component->Name() : std::string());
        }
        // Tested on its own: the statement is wanted even without the other lines.
        if (step.statement && LogSqlOnError) {
          WriteLine(lines::kStatement, caller_tag,
                    component ? step.statement(*component) : std::string());
        }
      });
}

}  // namespace zelmor::db
