// The nightly restart: eight host threads take and return pooled connections
// against a private server; while they pause with every connection idle the
// server is stopped and started again; afterwards no take fails, the dead
// entries are dropped with their lines in the log, and the server sees as
// many attachments as the pool holds.
#include <atomic>
#include <barrier>
#include <cstdio>
#include <set>
#include <thread>

#include "components/ib_dataset.h"
#include "components/test_server.h"
#include "database/database_test_support.h"
#include "database/pool.h"
#include "rtl/exceptions.h"

namespace zelmor::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRequestsPerStage = 20;

using PoolRestart = LoggedTest;

void Request(const PoolTarget& target, const std::string& tag) {
  TIBDatabase* database = db::FBGetIBDataBaseFromPool(target.path, target.password, target.port,
                                                      target.server, "SYSDBA", "WIN1251", tag);
  TIBDataSet reader;
  reader.SetDatabase(database);
  reader.SelectSQL().SetText("select count(*) from rdb$relations");
  reader.Open();
  reader.Close();
  db::FBReturnIBDataBaseToPool(database, tag);
}

int64_t UserAttachments(const PoolTarget& target) {
  auto admin = Connect(DatabaseNameOf(target), target.password);
  TIBDataSet count;
  count.SetDatabase(admin.get());
  auto* transaction = MakeTransaction(*admin, "read\nread_committed\nrec_version");
  count.SetTransaction(transaction);
  transaction->StartTransaction();
  count.SelectSQL().SetText(
      "select count(*) from mon$attachments "
      "where mon$system_flag = 0 and mon$attachment_id <> current_connection");
  count.Open();
  const int64_t attachments = count.Fields(0).AsInt64();
  count.Close();
  transaction->Commit();
  return attachments;
}

TEST_F(PoolRestart, AfterAServerRestartEveryTakeSucceeds) {
  ZELMOR_REQUIRE_SERVER();
  OwnServer server;
  ASSERT_TRUE(server.Started());
  const PoolTarget target = PoolTargetIn(server.Folder());
  ASSERT_FALSE(target.path.empty());

  std::atomic<int> failures_before{0};
  std::atomic<int> failures_after{0};
  std::atomic<size_t> max_pool_size{0};
  const auto note_size = [&] {
    for (size_t size = db::PoolSize(), seen = max_pool_size;
         size > seen && !max_pool_size.compare_exchange_weak(seen, size);) {
    }
  };
  std::barrier paused(kThreads + 1);
  std::barrier resumed(kThreads + 1);
  const auto stage = [&](int thread, const char* stage_name, std::atomic<int>& failures) {
    for (int i = 0; i < kRequestsPerStage; ++i) {
      try {
        Request(target, std::string(stage_name) + std::to_string(thread) + "." + std::to_string(i));
      } catch (const Exception&) {
        ++failures;
      }
      note_size();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      stage(t, "U", failures_before);
      paused.arrive_and_wait();
      resumed.arrive_and_wait();
      stage(t, "R", failures_after);
    });
  }
  paused.arrive_and_wait();
  std::set<std::string> pooled_at_stop;
  for (const db::TDBPool& entry : db::PoolEntries()) pooled_at_stop.insert(NumberText(entry.Database));
  const bool restarted = RunServerScript("stop", server.Folder()) == 0 &&
                         RunServerScript("start", server.Folder()) == 0;
  const size_t lines_before_restart = Lines().size();
  resumed.arrive_and_wait();
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(restarted);

  std::printf("pooled at the restart %zu, takes after it %d, failed %d; pool at most %zu\n",
              pooled_at_stop.size(), kThreads * kRequestsPerStage, failures_after.load(),
              max_pool_size.load());
  EXPECT_EQ(failures_before, 0);
  EXPECT_EQ(failures_after, 0) << "a dead pooled connection reached a caller";
  EXPECT_GE(pooled_at_stop.size(), 1u);
  EXPECT_LE(max_pool_size.load(), static_cast<size_t>(kThreads));

  // Each entry pooled at the restart was dropped once, by a take's close.
  const std::vector<std::string> lines = Lines();
  std::multiset<std::string> closed;
  for (size_t i = lines_before_restart; i < lines.size(); ++i) {
    const size_t at = lines[i].find("] DB:CLOSE (d");
    if (lines[i].rfind("[R", 0) != 0 || at == std::string::npos) continue;
    const size_t start = at + 13;
    closed.insert(lines[i].substr(start, lines[i].find(',', start) - start));
  }
  EXPECT_EQ(closed.size(), pooled_at_stop.size());
  for (const std::string& number : pooled_at_stop)
    EXPECT_EQ(closed.count(number), 1u) << "entry d" << number << " not dropped once";

  EXPECT_EQ(UserAttachments(target), static_cast<int64_t>(db::PoolSize()))
      << "the server's attachments and the pool disagree";
  EXPECT_NO_THROW(db::ClearPool());
}

}  // namespace
}  // namespace zelmor::test
