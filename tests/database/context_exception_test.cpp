// Failures re-raised with an operation's name and the class.
#include <gtest/gtest.h>

#include <stdexcept>

#include "rtl/exceptions.h"
#include "tools/context_exception.h"

namespace zelmor {
namespace {

// Rethrows `made` and hands back the exception of type E it holds.
template <typename E>
void ExpectRaised(std::exception_ptr made, const std::string& message) {
  try {
    std::rethrow_exception(made);
  } catch (const E& error) {
    EXPECT_EQ(error.what(), message);
    return;
  } catch (const std::exception& error) {
    ADD_FAILURE() << "wrong class " << ClassNameOf(error) << ": " << error.what();
  }
}

TEST(ContextExceptionTest, KeepsTheClassAndOnlyTheMessage) {
  const EIBInterBaseError server("connection refused", -902, 335544721);
  const auto made = MakeContextException("FBGetIBDataBaseFromPool", server, true);
  try {
    std::rethrow_exception(made);
  } catch (const EIBInterBaseError& error) {
    EXPECT_STREQ(error.ClassName(), "EIBInterBaseError");
    EXPECT_EQ(error.Message(),
              "FBGetIBDataBaseFromPool -> connection refused <# EIBInterBaseError #>");
    EXPECT_EQ(error.SQLCode(), 0) << "nothing but the text is carried over";
    EXPECT_EQ(error.IBErrorCode(), 0);
  }
}

TEST(ContextExceptionTest, NamesTheClassOnceAndOnlyWhenAsked) {
  ExpectRaised<EComponentError>(
      MakeContextException("ClearPool", EComponentError("bad name"), false),
      "ClearPool -> bad name");
  // Passing through a second operation adds its name but not the class again.
  ExpectRaised<EIBClientError>(
      MakeContextException("Outer", EIBClientError("Inner -> x <# EIBClientError #>"), true),
      "Outer -> Inner -> x <# EIBClientError #>");
  ExpectRaised<EIBClientError>(MakeContextException("Op", EIBClientError(""), true),
                               "Op ->  <# EIBClientError #>");
}

TEST(ContextExceptionTest, WithContextPrefixesAndKeepsTheClass) {
  try {
    WithContext("TSafeIniFile.WriteDate", false, [] {
      WithContext("TSafeIniFile.WriteString", false, [] { throw EIniFileException("disk full"); });
    });
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "TSafeIniFile.WriteDate -> TSafeIniFile.WriteString -> disk full");
    return;
  }
  FAIL();
}

TEST(ContextExceptionTest, ForeignFailuresBecomeExceptions) {
  try {
    std::rethrow_exception(MakeContextException("Op", std::runtime_error("boom"), true));
  } catch (const Exception& error) {
    EXPECT_STREQ(error.ClassName(), "Exception");
    EXPECT_EQ(error.Message(), "Op -> boom <# Exception #>");
  }
}

}  // namespace
}  // namespace zelmor
