// The private server killed and restarted while eight host threads use the
// pool and the fuel database: every failing call raises the client's error
// and leaves its lines in the log, no call hangs, the threads work again
// once the server is back, and no pooled connection is lost track of.
// Uses a server of its own so that other tests are not disturbed.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <thread>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "database/connect.h"
#include "database/dataset_factories.h"
#include "database/dataset_operations.h"
#include "database/fuel_database.h"
#include "database/pool.h"
#include "database/database_test_support.h"
#include "platform/testing/child_process.h"
#include "rtl/exceptions.h"
#include "settings/connection_params.h"
#include "components/test_server.h"

namespace zelmor::test {
namespace {

constexpr int kThreads = 8;
// A dead loopback server refuses at once; a call this long counts as hung.
constexpr double kCallBoundMs = 60000;
// How long each stage may take to show what it must show.
constexpr uint32_t kStageTimeoutMs = 120000;

// Moments of the run; a call notes the stage it started and ended in.
enum Stage : int { kUp = 0, kDown = 1, kBack = 2 };

struct Call {
  std::string operation;
  std::string tag;
  int started = kUp;
  int ended = kUp;
  double ms = 0;
  bool failed = false;
  std::string error_class;
  std::string message;
};

// Creates <home>DB/VOLNEX.FDB on the server of `target`.
bool CreateFuelDatabase(const TempFolder& home, const PoolTarget& target) {
  platform::ForceDirectories(home / "DB");
  const std::string script = home / "create.sql";
  WriteFileBytes(script, "create database '127.0.0.1/" + std::to_string(target.port) + ":" +
                             home / "DB/VOLNEX.FDB" + "' user 'SYSDBA' password '" +
                             target.password + "' default character set WIN1251;\n");
  const auto isql = platform::SpawnProcess("/usr/bin/isql-fb", {"-q", "-i", script});
  int exit_code = -1;
  return isql != platform::kInvalidProcess && platform::WaitProcess(isql, 60000, exit_code) &&
         exit_code == 0;
}

// One host thread: pool requests and fuel requests in turn until stopped.
class HostThread {
 public:
  HostThread(int index, const PoolTarget& target, std::mutex& fuel_use,
             const std::atomic<int>& stage)
      : index_(index), target_(target), fuel_use_(fuel_use), stage_(stage) {}

  void Run(const std::atomic<bool>& stop) {
    while (!stop) {
      const bool pool_ok = PoolRequest();
      const bool fuel_ok = FuelRequest();
      std::lock_guard guard(counts_lock_);
      Count(pool_ok, pool_);
      Count(fuel_ok, fuel_);
    }
  }

  // Outcomes of whole requests per stage: [stage] = {succeeded, failed}.
  std::pair<int, int> PoolOutcomes(int stage) const {
    std::lock_guard guard(counts_lock_);
    return pool_[stage];
  }
  std::pair<int, int> FuelOutcomes(int stage) const {
    std::lock_guard guard(counts_lock_);
    return fuel_[stage];
  }
  const std::vector<Call>& Calls() const { return calls_; }

 private:
  // Take, read through a dataset, give back; the connection is returned
  // whatever happened to the read, as hosts do.
  bool PoolRequest() {
    const std::string tag = Tag("P");
    TIBDatabase* database = nullptr;
    if (!Timed("take", tag, [&] {
          database = db::FBGetIBDataBaseFromPool(target_.path, target_.password, target_.port,
                                                 target_.server, "SYSDBA", "WIN1251", tag);
        })) {
      return false;
    }
    const bool read = Timed("read", tag, [&] { Read(database, false, tag); });
    const bool returned =
        Timed("return", tag, [&] { db::FBReturnIBDataBaseToPool(database, tag); });
    return read && returned;
  }

  // The fuel connection is one object for the process: hosts take turns
  // with it. A read that fails closes it so that the next call reconnects.
  bool FuelRequest() {
    const std::string tag = Tag("F");
    std::lock_guard turn(fuel_use_);
    TIBDatabase* database = nullptr;
    if (!Timed("fuel", tag, [&] { database = db::FBSetGSMBaseConnect(tag); })) return false;
    if (Timed("fuel read", tag, [&] { Read(database, true, tag); })) return true;
    Timed("fuel close", tag, [&] { db::FBDisconnectDB(database, tag); });
    return false;
  }

  static void Read(TIBDatabase* database, bool start, const std::string& tag) {
    std::unique_ptr<TIBDataSet> reader(
        db::FBCreateDataSetForRead2(database, start, nullptr, tag, "Reader"));
    reader->SelectSQL().SetText("select count(*) from rdb$relations");
    db::FBOpenDataSet(reader.get(), tag);
    if (reader->Fields(0).AsInteger() <= 0) throw Exception("no relations read");
    db::FBCloseDataSet(reader.get(), tag);
  }

  template <typename Body>
  bool Timed(const char* operation, const std::string& tag, Body&& body) {
    Call call;
    call.operation = operation;
    call.tag = tag;
    call.started = stage_.load();
    const auto start = std::chrono::steady_clock::now();
    try {
      body();
    } catch (const Exception& error) {
      call.failed = true;
      call.error_class = error.ClassName();
      call.message = error.Message();
    } catch (const std::exception& error) {
      call.failed = true;
      call.error_class = "std::exception";
      call.message = error.what();
    }
    call.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count();
    call.ended = stage_.load();
    calls_.push_back(std::move(call));
    return !calls_.back().failed;
  }

  std::string Tag(const char* kind) {
    return kind + std::to_string(index_) + "." + std::to_string(++requests_);
  }

  void Count(bool ok, std::pair<int, int>* outcomes) {
    auto& counts = outcomes[stage_.load()];
    ++(ok ? counts.first : counts.second);
  }

  const int index_;
  const PoolTarget target_;
  std::mutex& fuel_use_;
  const std::atomic<int>& stage_;
  int requests_ = 0;
  std::vector<Call> calls_;
  mutable std::mutex counts_lock_;
  std::pair<int, int> pool_[3] = {};
  std::pair<int, int> fuel_[3] = {};
};

class ServerFault : public LoggedTest {
 protected:
  // True once every thread shows `enough` in `stage`; checks the pool's size
  // on the way.
  bool WaitForAll(const std::function<bool(const HostThread&)>& enough) {
    return WaitUntil(
        [&] {
          max_pool_size_ = std::max(max_pool_size_, db::PoolSize());
          for (const auto& host : hosts_)
            if (!enough(*host)) return false;
          return true;
        },
        kStageTimeoutMs);
  }

  std::vector<std::unique_ptr<HostThread>> hosts_;
  size_t max_pool_size_ = 0;
};

// Object numbers with their DB:OPEN and DB:CLOSE counts ("Ошибка закрытия
// подкл." counts as a close: the connection is let go all the same).
struct OpenClose {
  int opens = 0;
  int closes = 0;
};
std::map<std::string, OpenClose> ConnectionsIn(const std::vector<std::string>& lines) {
  static const std::regex kOpen(R"(^\[[^\]]*\] DB:OPEN \(d(-?\d+), )");
  static const std::regex kClose(R"(^\[[^\]]*\] DB:CLOSE \(d(-?\d+), )");
  static const std::regex kCloseError(R"(^\[[^\]]*\] Ошибка закрытия подкл\.: .*\(d(-?\d+), )");
  std::map<std::string, OpenClose> connections;
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_search(line, match, kOpen)) ++connections[match[1]].opens;
    if (std::regex_search(line, match, kClose) || std::regex_search(line, match, kCloseError))
      ++connections[match[1]].closes;
  }
  return connections;
}

TEST_F(ServerFault, KilledAndRestartedUnderPoolAndFuelLoad) {
  ZELMOR_REQUIRE_SERVER();
  OwnServer server;
  ASSERT_TRUE(server.Started());
  const PoolTarget target = PoolTargetIn(server.Folder());
  ASSERT_FALSE(target.path.empty());
  TempFolder home;
  ASSERT_TRUE(CreateFuelDatabase(home, target));
  platform::SetEnvironmentVariable("ZEDE_HOME", home.Path());
  FBPort = target.port;
  FBPassword() = target.password;

  std::atomic<int> stage{kUp};
  std::atomic<bool> stop{false};
  std::mutex fuel_use;
  for (int i = 0; i < kThreads; ++i)
    hosts_.push_back(std::make_unique<HostThread>(i, target, fuel_use, stage));
  std::vector<std::thread> threads;
  for (auto& host : hosts_) threads.emplace_back([&host, &stop] { host->Run(stop); });
  const auto some = [](std::pair<int, int> outcomes, int succeeded, int failed) {
    return outcomes.first >= succeeded && outcomes.second >= failed;
  };

  const bool ran = WaitForAll([&](const HostThread& host) {
    return some(host.PoolOutcomes(kUp), 3, 0) && some(host.FuelOutcomes(kUp), 1, 0);
  });
  stage = kDown;
  ASSERT_EQ(RunServerScript("kill", server.Folder()), 0);
  const bool failed = ran && WaitForAll([&](const HostThread& host) {
    return some(host.PoolOutcomes(kDown), 0, 2) && some(host.FuelOutcomes(kDown), 0, 2);
  });
  const bool restarted = RunServerScript("start", server.Folder()) == 0;
  stage = kBack;
  const bool recovered = restarted && failed && WaitForAll([&](const HostThread& host) {
    return some(host.PoolOutcomes(kBack), 3, 0) && some(host.FuelOutcomes(kBack), 2, 0);
  });
  stop = true;
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(ran) << "the threads did not work against a running server";
  EXPECT_TRUE(failed) << "not every thread saw the killed server";
  EXPECT_TRUE(restarted);
  EXPECT_TRUE(recovered) << "not every thread worked again after the restart";

  const std::vector<std::string> lines = Lines();
  const auto tag_lines = [&](const std::string& tag, bool error) {
    int count = 0;
    for (const std::string& line : lines) {
      if (line.rfind("[" + tag + "] ", 0) != 0) continue;
      if (!error || line.find("Ошибка") != std::string::npos ||
          line.find("ERROR") != std::string::npos)
        ++count;
    }
    return count;
  };
  int failures = 0;
  size_t calls = 0;
  double longest_ms = 0;
  std::map<std::string, int> failures_by_operation;
  for (const auto& host : hosts_) {
    for (const Call& call : host->Calls()) {
      const std::string what = call.operation + " " + call.tag + ": " + call.message;
      EXPECT_LT(call.ms, kCallBoundMs) << what;
      ++calls;
      longest_ms = std::max(longest_ms, call.ms);
      if (!call.failed) continue;
      ++failures;
      ++failures_by_operation[call.operation];
      EXPECT_FALSE(call.started == kUp && call.ended == kUp) << "failed on a running server: " << what;
      // Reading a lost connection may end in the client's own check that the
      // connection is gone; every other failure is the server's error.
      const bool reads = call.operation == "read" || call.operation == "fuel read";
      if (reads) {
        EXPECT_EQ(call.error_class.rfind("EIB", 0), 0u) << call.error_class << " " << what;
      } else {
        EXPECT_EQ(call.error_class, "EIBInterBaseError") << what;
      }
      if (call.operation == "take") {
        EXPECT_EQ(call.message.rfind("FBGetIBDataBaseFromPool -> ", 0), 0u) << what;
      }
      if (call.operation == "return") {
        EXPECT_EQ(call.message.rfind("FBReturnIBDataBaseToPool -> ", 0), 0u) << what;
      }
      // The library's lines for the failure: an error line of the failed
      // step, or, for a lost pooled connection, the close of its discarding.
      if (call.operation == "take") {
        EXPECT_GE(tag_lines(call.tag, false), 1) << what;
      }
      if (reads || call.operation == "fuel") {
        EXPECT_GE(tag_lines(call.tag, true), 1) << what;
      }
    }
  }
  EXPECT_GT(failures, 0);
  std::string by_operation;
  for (const auto& [operation, count] : failures_by_operation)
    by_operation += " " + operation + ":" + std::to_string(count);
  std::printf("calls %zu, failed %d (%s ), longest %.0f ms, pool at most %zu\n", calls, failures,
              by_operation.c_str(), longest_ms, max_pool_size_);

  EXPECT_LE(max_pool_size_, static_cast<size_t>(kThreads)) << "the pool grew past its users";
  EXPECT_LE(db::PoolSize(), static_cast<size_t>(kThreads));
  EXPECT_NO_THROW(db::ClearPool());
  EXPECT_EQ(db::PoolSize(), 0u);
  // Every pooled connection opened was closed again, dead ones included;
  // the fuel connection is the process's and stays.
  const std::string fuel = NumberText(db::FBGetGSMDataBase());
  int pooled = 0;
  for (const auto& [number, counts] : ConnectionsIn(Lines())) {
    if (number == fuel) continue;
    pooled += counts.opens;
    EXPECT_EQ(counts.opens, counts.closes) << "connection d" << number;
  }
  EXPECT_GE(pooled, kThreads) << "connections before and after the restart";
}

}  // namespace
}  // namespace zelmor::test
