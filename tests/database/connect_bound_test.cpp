// A pooled connect to a server that never answers gives up within the
// bound, saying so; meanwhile another thread's connect to a good server
// waits on ConnectLock no longer than that bound.
#include <gtest/gtest.h>

#include <thread>

#include "components/ib_error_class.h"
#include "database/connect.h"
#include "platform/clock.h"
#include "platform/testing/dead_listener.h"
#include "pool_fixture.h"
#include "rtl/exceptions.h"
#include "settings/connection_params.h"
#include "test_server.h"

namespace zelmor {
namespace {

constexpr int32_t kBoundS = 2;
constexpr uint32_t kLimitMs = (kBoundS + 1) * 1000;

class ConnectBoundTest : public test::PoolTest {
 protected:
  void SetUp() override {
    PoolTest::SetUp();
    FBConnectTimeout = kBoundS;
  }
  void TearDown() override {
    FBConnectTimeout = kDefaultFBConnectTimeout;
    PoolTest::TearDown();
  }
};

bool ConnectLockHeldElsewhere() {
  if (!db::ConnectLock().try_lock()) return true;
  db::ConnectLock().unlock();
  return false;
}

TEST_F(ConnectBoundTest, ADeadServerHoldsUpNoConnectLongerThanTheBound) {
  ZELMOR_REQUIRE_SERVER();
  for (const auto kind :
       {platform::DeadListenerKind::kSilent, platform::DeadListenerKind::kNeverAccepts}) {
    const platform::DeadListener listener(kind);
    ASSERT_NE(listener.Port(), 0);
    test::PoolTarget dead = target_;
    dead.port = listener.Port();
    uint32_t dead_ms = 0;
    TIBErrorClass dead_class = TIBErrorClass::kOther;
    std::string dead_message;
    std::thread stuck([&] {
      const uint32_t started = platform::TickCount();
      try {
        TakeFrom(dead, "Dead");
      } catch (const EIBInterBaseError& error) {
        dead_class = IBErrorClassOf(error);
        dead_message = error.Message();
      }
      dead_ms = platform::TickCount() - started;
    });
    EXPECT_TRUE(test::WaitUntil(ConnectLockHeldElsewhere, kLimitMs));

    auto good = std::make_unique<TIBDatabase>();
    good->SetDatabaseName(test::DatabaseNameOf(target_));
    good->Params().SetValues("user_name", "SYSDBA");
    good->Params().SetValues("password", target_.password);
    const uint32_t started = platform::TickCount();
    db::FBConnectDB(good.get(), "Good");
    const uint32_t good_ms = platform::TickCount() - started;
    stuck.join();

    const int kind_number = static_cast<int>(kind);
    EXPECT_TRUE(good->Connected()) << kind_number;
    EXPECT_LE(good_ms, kLimitMs) << kind_number;
    EXPECT_LE(dead_ms, kLimitMs) << kind_number;
    EXPECT_EQ(dead_class, TIBErrorClass::kTimedOut) << kind_number << ": " << dead_message;
    EXPECT_NE(dead_message.find("port " + std::to_string(dead.port) + ", did not answer within 2 s"),
              std::string::npos)
        << dead_message;
    db::FBDisconnectDB(good.get(), "Good");
  }
}

}  // namespace
}  // namespace zelmor
