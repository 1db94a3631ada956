// A library standing in for Zelmor.dll: it raises the runtime's exceptions,
// which the test program catches as a host catches Zelmor's.
#include "rtl/exceptions.h"
#include "tools/context_exception.h"

extern "C" void ZelmorTestRaiseServerError(const char* message) {
  throw zelmor::EIBInterBaseError(message, -913, 335544345);
}

extern "C" void ZelmorTestRaiseWithContext(const char* message) {
  zelmor::WithContext("FBOpenDataSet", false, [&] { throw zelmor::EFOpenError(message); });
}

// An address that surely lies in this library: the program's own view of a
// function or a global may be a stub or a copy in the program.
extern "C" const void* ZelmorTestAddressInside() {
  static const int inside = 0;
  return &inside;
}
