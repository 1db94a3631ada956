#include "library/lifecycle.h"

#include <cstdio>

#include "eventlog/eventlog_unit.h"
#include "library/main_unit.h"
#include "rtl/exceptions.h"

namespace zelmor::library {
namespace {

bool g_attached = false;

}  // namespace

bool ProcessAttach() {
  try {
    eventlog::InitializeUnit();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Zelmor: load failed: %s: %s\n", ClassNameOf(error), error.what());
    return false;
  }
  try {
    LoadMainUnit();
    g_attached = true;
    return true;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Zelmor: load failed: %s: %s\n", ClassNameOf(error), error.what());
    eventlog::FinalizeUnit();
    return false;
  }
}

void ProcessDetach(DetachReason reason) {
  if (!g_attached) return;
  g_attached = false;
  if (reason == DetachReason::kProcessExit) return;
  UnloadMainUnit();
  eventlog::FinalizeUnit();
}

}  // namespace zelmor::library
