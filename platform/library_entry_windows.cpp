// Entry point of Zelmor.dll.
#include <windows.h>

#include "library/lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      // A failed load sequence makes LoadLibrary fail.
      return zelmor::library::ProcessAttach() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      zelmor::library::ProcessDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
