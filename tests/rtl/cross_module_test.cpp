// Exceptions and module look-ups across the program, a library standing in
// for Zelmor, and the runtime library.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "rtl/paths.h"

extern "C" void ZelmorTestRaiseServerError(const char* message);
extern "C" void ZelmorTestRaiseWithContext(const char* message);
extern "C" const void* ZelmorTestAddressInside();

namespace zelmor {
namespace {

TEST(CrossModule, AnExceptionRaisedInALibraryReachesTheProgramWithItsClass) {
  try {
    ZelmorTestRaiseServerError("lock conflict on no wait transaction");
    FAIL() << "no exception";
  } catch (const EIBError& e) {
    ASSERT_NE(dynamic_cast<const EIBInterBaseError*>(&e), nullptr);
    EXPECT_STREQ(e.ClassName(), "EIBInterBaseError");
    EXPECT_STREQ(ClassNameOf(e), "EIBInterBaseError") << "the runtime sees the same class";
    EXPECT_EQ(e.Message(), "lock conflict on no wait transaction");
    EXPECT_EQ(static_cast<const EIBInterBaseError&>(e).SQLCode(), -913);
    EXPECT_EQ(static_cast<const EIBInterBaseError&>(e).IBErrorCode(), 335544345);
  }
}

TEST(CrossModule, AContextAddedInALibraryKeepsTheClass) {
  try {
    ZelmorTestRaiseWithContext("cannot open C:\\ZEDE\\x");
    FAIL() << "no exception";
  } catch (const EFileStreamError& e) {
    EXPECT_STREQ(e.ClassName(), "EFOpenError");
    EXPECT_EQ(e.Message(), "FBOpenDataSet -> cannot open C:\\ZEDE\\x");
  }
}

TEST(CrossModule, ALibraryIsFoundByAddressAndByNameAndRaisesThroughALookedUpSymbol) {
  const std::string path = platform::ModulePathOf(ZelmorTestAddressInside());
  EXPECT_EQ(ExtractFileName(path), ZELMOR_TEST_THROWER);
  EXPECT_EQ(ExtractFilePath(path), ExtractFilePath(platform::HostExecutablePath()));
  EXPECT_TRUE(platform::IsModuleLoaded(ZELMOR_TEST_THROWER));
  EXPECT_TRUE(platform::LoadedModule(ZELMOR_TEST_THROWER));

  platform::OwnedModule module = platform::LoadModule(path);
  ASSERT_TRUE(module) << path;
  using Raise = void (*)(const char*);
  const auto raise = reinterpret_cast<Raise>(
      platform::ModuleSymbol(module.Handle(), "ZelmorTestRaiseServerError"));
  ASSERT_NE(raise, nullptr);
  EXPECT_THROW(raise("x"), EIBInterBaseError);
  EXPECT_EQ(platform::ModuleSymbol(module.Handle(), "ZelmorNoSuchSymbol"), nullptr);
  EXPECT_EQ(platform::LastError(), platform::kErrorProcNotFound);
  EXPECT_TRUE(module.Release());
  EXPECT_FALSE(module) << "released once";
  EXPECT_TRUE(platform::IsModuleLoaded(ZELMOR_TEST_THROWER)) << "still linked in";
}

}  // namespace
}  // namespace zelmor
