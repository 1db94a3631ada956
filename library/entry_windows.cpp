// Entry point of Zelmor.dll. Declared with plain types, so that <windows.h>
// stays inside platform/: the loader passes the module handle, the reason
// for the call and a reserved pointer, and takes a BOOL back.
#include "library/lifecycle.h"

namespace {

// The reasons this library acts on (DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH);
// thread attach and detach need nothing.
constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;

}  // namespace

extern "C" int __stdcall DllMain(void* /*module*/, unsigned long reason, void* reserved) {
  switch (reason) {
    case kProcessAttach:
      // A failed load sequence makes LoadLibrary fail.
      return zelmor::library::ProcessAttach() ? 1 : 0;
    case kProcessDetach:
      // A reserved pointer that is not null means the process is exiting:
      // the other threads are gone and other DLLs may have been detached
      // already, so nothing may be called in them nor freed.
      zelmor::library::ProcessDetach(reserved ? zelmor::library::DetachReason::kProcessExit
                                              : zelmor::library::DetachReason::kUnload);
      return 1;
    default:
      return 1;
  }
}
