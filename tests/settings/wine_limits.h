// Wine's profile functions mishandle values longer than 32767 bytes (they
// come back cut or garbled, and longer lines can crash the reader), where
// Windows keeps 65534. Tests of long values skip under Wine; the Linux build
// runs them against our own store.
#pragma once

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace zelmor::test {

inline bool UnderWine() {
  const platform::BorrowedModule ntdll = platform::LoadedModule("ntdll.dll");
  return ntdll && platform::ModuleSymbol(ntdll.Handle(), "wine_get_version");
}

}  // namespace zelmor::test

#define ZELMOR_SKIP_LONG_VALUES_UNDER_WINE()                                   \
  if (::zelmor::test::UnderWine())                                             \
  GTEST_SKIP() << "Wine's profile functions cannot hold values over 32767 bytes"
