// Entry point of libZelmor.so: the dynamic loader runs the constructor when
// the library is loaded into a process and the destructor when it is
// unloaded or the process ends, as DllMain is called on Windows.
//
// The destructor tells the two apart by the order glibc keeps. exit() runs
// the handlers registered with atexit, newest first, and the destructors of
// the loaded libraries only after them (the loader's own handler, which runs
// them, was registered before main). dlclose runs this library's destructor
// first and the atexit handlers the library registered after it (glibc ties
// such a handler to the module that registered it). So the handler
// registered at load has run before the destructor exactly when the process
// is exiting. Hosts load the library at run time; a program linked against
// it at start registers the handler before the loader's own and gets the
// unload sequence at exit, as before.
#include <cstdlib>

#include "library/lifecycle.h"

namespace {

bool g_process_exiting = false;

void NoteProcessExit() { g_process_exiting = true; }

__attribute__((constructor)) void ZelmorProcessAttach() {
  zelmor::library::ProcessAttach();
  std::atexit(NoteProcessExit);
}

__attribute__((destructor)) void ZelmorProcessDetach() {
  zelmor::library::ProcessDetach(g_process_exiting ? zelmor::library::DetachReason::kProcessExit
                                                   : zelmor::library::DetachReason::kUnload);
}

}  // namespace
