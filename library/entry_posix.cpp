// Entry point of libZelmor.so: the dynamic loader runs the constructor when
// the library is loaded into a process and the destructor when it is
// unloaded or the process ends, as DllMain is called on Windows.
#include "library/lifecycle.h"

namespace {

__attribute__((constructor)) void ZelmorProcessAttach() { zelmor::library::ProcessAttach(); }

__attribute__((destructor)) void ZelmorProcessDetach() { zelmor::library::ProcessDetach(); }

}  // namespace
