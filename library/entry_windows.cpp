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

extern "C" int __stdcall DllMain(void* /*module*/, unsigned long reason, void* /*reserved*/) {
  switch (reason) {
    case kProcessAttach:
      // A failed load sequence makes LoadLibrary fail.
      return zelmor::library::ProcessAttach() ? 1 : 0;
    case kProcessDetach:
      zelmor::library::ProcessDetach();
      return 1;
    default:
      return 1;
  }
}
