// The fuel database connection. The connection object lives for the whole
// process, so each scenario runs in a child process of its own, against a
// VOLNEX.FDB made on the private server under a home folder of the test.
#include <barrier>
#include <fstream>
#include <thread>

#include "components/test_server.h"
#include "fuel_fixture.h"
#include "database/fuel_database.h"
#include "database/process_state.h"
#include "platform/testing/child_process.h"
#include "dataset_log_capture.h"
#include "rtl/exceptions.h"
#include "settings/connection_params.h"

namespace zelmor::test {
namespace {

using db::FBGetGSMDataBase;
using db::FBSetGSMBaseConnect;

ZELMOR_CHILD_ROLE(fuel_calls) {
  ChildSetup setup(args);
  if (FBGetGSMDataBase() != nullptr) return 10;
  TIBDatabase* first = FBSetGSMBaseConnect("Main");
  if (first != FBGetGSMDataBase() || !first->Connected()) return 11;
  if (FBSetGSMBaseConnect("Fast") != first) return 12;
  first->SetConnected(false);  // as a host may do
  if (FBSetGSMBaseConnect("Again") != first || !first->Connected()) return 13;
  setup.Report(first);
  return 0;
}

ZELMOR_CHILD_ROLE(fuel_race) {
  ChildSetup setup(args);
  constexpr int kThreads = 4;
  std::barrier start(kThreads);
  std::vector<TIBDatabase*> results(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      try {
        results[static_cast<size_t>(i)] = FBSetGSMBaseConnect("T" + std::to_string(i));
      } catch (const std::exception&) {
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (TIBDatabase* result : results) {
    if (result == nullptr || result != FBGetGSMDataBase()) return 20;
  }
  setup.Report(results[0]);
  return results[0]->Connected() ? 0 : 21;
}

ZELMOR_CHILD_ROLE(fuel_missing_file) {
  ChildSetup setup(args);
  for (int call = 0; call < 2; ++call) {
    try {
      FBSetGSMBaseConnect("M");
      return 30;
    } catch (const EIBInterBaseError&) {
    }
  }
  TIBDatabase* database = FBGetGSMDataBase();
  if (database == nullptr || database->Connected()) return 31;
  setup.Report(database);
  return 0;
}


TEST_F(FuelDatabase, FirstCallFastPathAndReconnect) {
  const std::string d = "d" + Run("fuel_calls", Home());
  EXPECT_EQ(Texts(),
            (Lines{"[Main] TRAN:CREATE (" + d +
                       " Имя:GSMTransaction БД:GSMDatabase Тип:RC_RO Владелец:GSMDatabase-TIBDatabase)",
                   "[Main] Подкл. НЕ БЫЛО устан. (, GSMDatabase, w0)",
                   "[Main] DB:OPEN (" + d + ", " + Connection() + ", GSMDatabase, 0 ms, w0)",
                   "[Again] Подкл. НЕ БЫЛО устан. (" + Connection() + ", GSMDatabase, w0)",
                   "[Again] DB:OPEN (" + d + ", " + Connection() + ", GSMDatabase, 0 ms, w0)"}));
}

TEST_F(FuelDatabase, ConcurrentFirstCallsShareOneObjectAndOneOpen) {
  const std::string d = "d" + Run("fuel_race", Home());
  const Lines texts = Texts();
  ASSERT_EQ(texts.size(), 3u) << "one creation, one NOT-connected line, one open";
  EXPECT_NE(texts[0].find("TRAN:CREATE (" + d + " "), std::string::npos) << texts[0];
  EXPECT_NE(texts[2].find("DB:OPEN (" + d + ", "), std::string::npos) << texts[2];
}

TEST_F(FuelDatabase, FailedOpenWritesThreeLinesAndSetUpIsNotRepeated) {
  // A home without the file; where the home is fixed, a port where nothing
  // listens fails the open instead.
  TempFolder empty_home;
  const std::string d = "d" + Run("fuel_missing_file", empty_home.Path(), FixedHome() ? "1" : "");
  const Lines texts = Texts();
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts[0].rfind("[M] TRAN:CREATE (" + d + " Имя:GSMTransaction", 0), 0u) << texts[0];
  for (size_t call = 0; call < 2; ++call) {
    const size_t first = call == 0 ? 1 : 5;
    EXPECT_EQ(texts[first].rfind("[M] Подкл. НЕ БЫЛО устан. (", 0), 0u) << texts[first];
    EXPECT_EQ(texts[first + 1].rfind("[M] Ошибка подкл.: ", 0), 0u) << texts[first + 1];
    EXPECT_EQ(texts[first + 2].rfind("[M] ERROR FBConnectDB: ", 0), 0u) << texts[first + 2];
    EXPECT_EQ(texts[first + 3].rfind("[M] Ошибка установки соединения с БД ГСМ: ", 0), 0u)
        << texts[first + 3];
  }
}

}  // namespace
}  // namespace zelmor::test
