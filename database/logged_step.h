// The frame every logged database export shares, written once: the step is
// timed on the tick counter and writes its success line; a failure writes
// the step's error lines and travels on to the caller unchanged, the very
// same object.
#pragma once

#include <cstdint>
#include <exception>

#include "database/process_state.h"

namespace zelmor::db {

// Runs `body`; a failure that leaves it is handed to `log_failure`, then
// raised again.
template <typename Body, typename LogFailure>
auto LoggedStep(Body&& body, LogFailure&& log_failure) -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    log_failure(error);
    throw;
  }
}

// The milliseconds `operation` takes: the unsigned difference of two
// readings of the tick counter, across its wrap.
template <typename Operation>
uint32_t TimedMs(Operation&& operation) {
  const uint32_t started = Ticks();
  operation();
  return Ticks() - started;
}

}  // namespace zelmor::db
