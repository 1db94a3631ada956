// A connect gives up within its bound, and its failure says which kind it
// is: a listener that never answers or never accepts, nothing listening, a
// refused login, a database the server cannot open.
#include <gtest/gtest.h>

#include "components/ib_error_class.h"
#include "platform/clock.h"
#include "platform/testing/dead_listener.h"
#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

constexpr int32_t kBoundS = 2;

TEST(ConnectBoundTest, EachFailureEndsWithinTheBoundAndSaysWhatItIs) {
  ZELMOR_REQUIRE_SERVER();
  const test::TestServer server = test::SharedServer();
  const platform::DeadListener silent(platform::DeadListenerKind::kSilent);
  const platform::DeadListener full(platform::DeadListenerKind::kNeverAccepts);
  ASSERT_NE(silent.Port(), 0);
  ASSERT_NE(full.Port(), 0);
  const std::string folder = server.database.substr(0, server.database.find_last_of("/:") + 1);
  const auto at = [](int32_t port) { return "127.0.0.1/" + std::to_string(port) + ":x.fdb"; };
  struct Case {
    const char* what;
    std::string database, password;
    TIBErrorClass expected;
    std::string said;  // part of the message
  };
  const std::vector<Case> cases = {
      {"accepts, never answers", at(silent.Port()), server.password, TIBErrorClass::kTimedOut,
       "port " + std::to_string(silent.Port()) + ", did not answer within 2 s"},
      {"never accepts", at(full.Port()), server.password, TIBErrorClass::kTimedOut,
       "port " + std::to_string(full.Port()) + ", did not answer within 2 s"},
      {"nothing listens", at(1), server.password, TIBErrorClass::kRefused, "network"},
      {"wrong password", server.database, server.password + "x", TIBErrorClass::kLoginRefused,
       "password"},
      {"no such database", folder + "missing.fdb", server.password,
       TIBErrorClass::kDatabaseUnavailable, "missing.fdb"},
  };
  for (const Case& c : cases) {
    TIBDatabase database;
    database.SetDatabaseName(c.database);
    database.Params().SetValues("user_name", "SYSDBA");
    database.Params().SetValues("password", c.password);
    database.SetConnectTimeout(kBoundS);
    const uint32_t started = platform::TickCount();
    try {
      database.Open();
      ADD_FAILURE() << c.what << ": opened";
    } catch (const EIBInterBaseError& error) {
      EXPECT_EQ(IBErrorClassOf(error), c.expected) << c.what << ": " << error.Message();
      EXPECT_NE(error.Message().find(c.said), std::string::npos) << c.what << ": " << error.Message();
    }
    EXPECT_LE(platform::TickCount() - started, (kBoundS + 1) * 1000u) << c.what;
  }
}

}  // namespace
}  // namespace zelmor
