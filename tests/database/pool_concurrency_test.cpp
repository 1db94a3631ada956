// Many threads taking and returning connections of one database at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "components/ib_dataset.h"
#include "pool_fixture.h"
#include "test_server.h"

namespace zelmor {
namespace {

using PoolConcurrencyTest = test::PoolTest;

TEST_F(PoolConcurrencyTest, NoConnectionIsEverHandedToTwoThreads) {
  ZELMOR_REQUIRE_SERVER();
  constexpr int kThreads = 16;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  std::mutex in_use_lock;
  std::set<TIBDatabase*> in_use;
  std::atomic<int> shared_hand_outs{0};
  std::atomic<int> failures{0};
  std::atomic<long> takes{0};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string tag = "W" + std::to_string(t);
      for (int round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
        try {
          TIBDatabase* database = Take(tag);
          {
            std::lock_guard guard(in_use_lock);
            if (!in_use.insert(database).second) ++shared_hand_outs;
          }
          if (round % 8 == 0) {
            TIBDataSet query;
            query.SetDatabase(database);
            query.SelectSQL().SetText("select count(*) from rdb$relations");
            query.Open();
          } else {
            std::this_thread::yield();
          }
          {
            std::lock_guard guard(in_use_lock);
            in_use.erase(database);
          }
          Return(database, tag);
          ++takes;
        } catch (const std::exception& error) {
          ++failures;
          ADD_FAILURE() << error.what();
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(shared_hand_outs, 0);
  EXPECT_EQ(failures, 0);
  EXPECT_GT(takes, kThreads);
  const size_t pooled = db::PoolSize();
  EXPECT_GE(pooled, 1u);
  EXPECT_LE(pooled, static_cast<size_t>(kThreads));
  EXPECT_EQ(LinesWith("DB:OPEN").size(), pooled) << "one open per pooled connection";
  EXPECT_EQ(LinesWith("TRAN:CREATE").size(), pooled);
  std::cout << "[ info ] " << takes << " takes by " << kThreads << " threads, " << pooled
            << " connections\n";
}

}  // namespace
}  // namespace zelmor
