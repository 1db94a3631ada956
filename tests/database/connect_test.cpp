// Opening and closing connections: the lines, byte for byte, and the
// failures reaching the caller unchanged.
#include <gtest/gtest.h>

#include <thread>

#include "components/ib_database.h"
#include "database/connect.h"
#include "database/process_state.h"
#include "platform/platform.h"
#include "database_test_support.h"
#include "rtl/exceptions.h"
#include "rtl/paths.h"
#include "test_server.h"

namespace zelmor {
namespace {

using db::FBConnectDB;
using db::FBDisconnectDB;
using db::FBLogMessage;
using test::NumberText;

// "dd/mm hh:nn:ss.zzz"
constexpr size_t kTimestampSize = 18;

class ConnectTest : public test::LoggedTest {
 protected:
  // Each reading of the counter 7 ms after the last, starting just before
  // the counter wraps: every wait and duration reads 7.
  void SetUp() override {
    LoggedTest::SetUp();
    UseSteppingTicks(0xFFFFFFF0u, 7);
  }

  std::unique_ptr<TIBDatabase> SharedDatabase(const std::string& name) {
    const auto server = test::SharedServer();
    auto database = std::make_unique<TIBDatabase>();
    database->SetName(name);
    database->SetDatabaseName(server.database);
    database->SetLoginPrompt(false);
    database->Params().SetValues("user_name", "SYSDBA");
    database->Params().SetValues("password", server.password);
    return database;
  }
};

TEST_F(ConnectTest, OpenAndCloseWriteTheirLinesAndRepeatsChangeNothing) {
  ZELMOR_REQUIRE_SERVER();
  auto database = SharedDatabase("MAIN");
  const std::string name = database->DatabaseName();
  const std::string number = NumberText(database.get());

  FBConnectDB(database.get(), "Main");
  EXPECT_TRUE(database->Connected());
  const std::uintptr_t handle = database->Handle();
  FBConnectDB(database.get(), "Main");
  EXPECT_EQ(database->Handle(), handle) << "an open connection is left untouched";
  FBDisconnectDB(database.get(), "Main");
  EXPECT_FALSE(database->Connected());
  FBDisconnectDB(database.get(), "");

  const std::string file = ExtractFileName(name);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "[Main] DB:OPEN (d" + number + ", " + name + ", MAIN, 7 ms, w7)",
                         "[Main] Подкл. УЖЕ устан. (" + name + ", MAIN, w7)",
                         "[Main] DB:CLOSE (d" + number + ", " + file + ", MAIN, 7 ms, w7)",
                         "[] Подкл. НЕ БЫЛО устан. (" + name + ", MAIN, w7)",
                     }));
  for (const std::string& line : RawLines())
    EXPECT_EQ(line.substr(kTimestampSize, 4), " <P:") << "level 0 has no tag: " << line;
}

TEST_F(ConnectTest, CloseShowsOnlyTheFileNamePart) {
  EXPECT_EQ(db::DatabaseFileName("srv/3050:C:\\DB\\A.FDB"), "A.FDB");
  EXPECT_EQ(db::DatabaseFileName("srv/3050:VOLNEX"), "VOLNEX");
  EXPECT_EQ(db::DatabaseFileName("A.FDB"), "A.FDB");
  EXPECT_EQ(db::DatabaseFileName("srv/3050"), "srv/3050") << "no \\ or : at all";
  EXPECT_EQ(db::DatabaseFileName("srv/3050:/var/db/a.fdb"),
            platform::kPathDelimiter == '/' ? "a.fdb" : "/var/db/a.fdb");
  EXPECT_EQ(db::DatabaseFileName("C:\\DB\\"), "");
}

TEST_F(ConnectTest, AFailedOpenWritesTwoLinesAndRaisesTheComponentsException) {
  // Nobody listens on port 1 of the loopback (and under Wine there is no
  // client library at all): whatever the component raises must arrive as is.
  TIBDatabase database;
  database.SetDatabaseName("127.0.0.1/1:C:\\DB\\A.FDB");
  std::string component_class;
  std::string component_message;
  try {
    database.SetConnected(true);
  } catch (const Exception& error) {
    component_class = error.ClassName();
    component_message = error.Message();
  }
  ASSERT_FALSE(component_class.empty());
  std::string message;
  try {
    FBConnectDB(&database, "Orders");
    FAIL() << "the open succeeded";
  } catch (const Exception& error) {
    EXPECT_EQ(error.ClassName(), component_class);
    message = error.Message();
    EXPECT_EQ(message, component_message);
  }
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(Lines(), AsLines({
                         "[Orders] Ошибка подкл.: " + message + " (127.0.0.1/1:C:\\DB\\A.FDB, , w7)",
                         "[Orders] ERROR FBConnectDB: " + message,
                     }));
}

TEST_F(ConnectTest, WithoutTheSwitchOnlyAFailedOpenIsLogged) {
  ZELMOR_REQUIRE_SERVER();
  db::LogDbOperations = false;
  auto database = SharedDatabase("");
  FBConnectDB(database.get(), "T");
  FBConnectDB(database.get(), "T");
  FBDisconnectDB(database.get(), "T");
  FBDisconnectDB(database.get(), "T");
  EXPECT_TRUE(Lines().empty());

  database->SetDatabaseName("127.0.0.1/1:x");
  try {
    FBConnectDB(database.get(), "T");
    FAIL() << "the open succeeded";
  } catch (const EIBInterBaseError& error) {
    EXPECT_EQ(Lines(), AsLines({"[T] ERROR FBConnectDB: " + error.Message()}));
  }
}

TEST_F(ConnectTest, AMissingObjectFailsThroughTheErrorLines) {
  EXPECT_THROW(FBConnectDB(nullptr, "A"), EIBClientError);
  EXPECT_THROW(FBDisconnectDB(nullptr, "B"), EIBClientError);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "[A] Ошибка подкл.: No TIBDatabase object given (, , w7)",
                         "[A] ERROR FBConnectDB: No TIBDatabase object given",
                         "[B] Ошибка закрытия подкл.: No TIBDatabase object given (, , w7)",
                     }));
  // The lock was released on the failure paths: another thread gets it.
  bool free = false;
  std::thread([&] {
    std::unique_lock lock(db::ConnectLock(), std::try_to_lock);
    free = lock.owns_lock();
  }).join();
  EXPECT_TRUE(free);
}

TEST_F(ConnectTest, HostMessagesCarryTheirLevelAndEmptyOnesNothing) {
  FBLogMessage("Смена открыта", 2, "Kassa");
  FBLogMessage("", 5, "Kassa");
  FBLogMessage("50% done", 0, "");
  const auto raw = RawLines();
  ASSERT_EQ(raw.size(), 3u);
  EXPECT_NE(raw[0].find(" [ошиб] <P:"), std::string::npos) << raw[0];
  EXPECT_EQ(raw[1], "") << "an empty line: no timestamp, no level, no tag";
  EXPECT_EQ(Lines()[0], "**[Kassa] Смена открыта");
  EXPECT_EQ(Lines()[2], "**[] 50% done");
}

}  // namespace
}  // namespace zelmor
