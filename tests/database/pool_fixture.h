// The pool's test fixture: a server target, a clock the test moves, and
// take and return with the credentials of the test server.
#pragma once

#include <memory>
#include <string>

#include "components/ib_database.h"
#include "database/pool.h"
#include "database/process_state.h"
#include "database_test_support.h"
#include "rtl/datetime.h"

namespace zelmor::test {

class PoolTest : public LoggedTest {
 protected:
  void SetUp() override {
    LoggedTest::SetUp();
    *now_ = EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123);
    db::SetClock([now = now_] { return *now; });
  }

  TIBDatabase* Take(const std::string& tag = "T") { return TakeFrom(target_, tag); }
  static TIBDatabase* TakeFrom(const PoolTarget& target, const std::string& tag) {
    return db::FBGetIBDataBaseFromPool(target.path, target.password, target.port, target.server,
                                       "SYSDBA", "WIN1251", tag);
  }
  static void Return(TIBDatabase* database, const std::string& tag = "T") {
    db::FBReturnIBDataBaseToPool(database, tag);
  }
  std::string Key() const { return db::PoolKey(target_.server, target_.port, target_.path); }

  void Advance(int minutes, int seconds = 0, int milliseconds = 0) {
    *now_ += minutes / 1440.0 + seconds / 86400.0 + milliseconds / 86400000.0;
  }

  PoolTarget target_ = SharedPoolTarget();
  std::shared_ptr<DateTime> now_ = std::make_shared<DateTime>();
};

}  // namespace zelmor::test
