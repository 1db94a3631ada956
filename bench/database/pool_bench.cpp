// Cost of taking and returning a pooled connection (a hit) against a fresh
// attach and detach of the same database, and the pool's own share of a hit:
// the hit minus the two component calls it makes (StartTransaction on take,
// Rollback on return) measured bare on the same connection, in time and in
// system calls counted.
//
// Needs the private server: eval "$(scripts/firebird-server.sh start DIR)".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "components/ib_database.h"
#include "components/ib_transaction.h"
#include "database/pool.h"
#include "support/bench_main.h"
#include "support/server_target.h"
#include "support/system_calls.h"

namespace zelmor {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kHits = 40000;
constexpr int kAttaches = 4;
constexpr int kRounds = 41;
constexpr int kCountedHits = 2000;

// The median round of each body, in microseconds per iteration. The rounds
// of the bodies alternate, so that both meet the same server and machine.
std::vector<double> MedianMicroseconds(int iterations,
                                     const std::vector<std::function<void()>>& bodies) {
  std::vector<std::vector<double>> rounds(bodies.size());
  for (int round = 0; round < kRounds; ++round) {
    for (size_t b = 0; b < bodies.size(); ++b) {
      const auto start = Clock::now();
      for (int i = 0; i < iterations; ++i) bodies[b]();
      const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
      rounds[b].push_back(spent.count() / iterations);
    }
  }
  std::vector<double> medians;
  for (auto& figures : rounds) {
    std::nth_element(figures.begin(), figures.begin() + kRounds / 2, figures.end());
    medians.push_back(figures[kRounds / 2]);
  }
  return medians;
}

}  // namespace

int bench::Run() {
  bench::ServerTarget target;
  if (!bench::ReadServerTarget(target)) {
    std::printf("pool_bench: ZELMOR_FB_TEST_DB is not set; start the private server first\n");
    return 0;
  }
  const auto take = [&] {
    return db::FBGetIBDataBaseFromPool(target.file, target.password, target.port, target.server,
                                       "SYSDBA", "WIN1251", "Bench");
  };
  TIBDatabase* pooled = take();
  db::FBReturnIBDataBaseToPool(pooled, "Bench");

  TIBTransaction* transaction = pooled->DefaultTransaction();
  const auto pooled_figures = MedianMicroseconds(
      kHits / kRounds,
      {[&] { db::FBReturnIBDataBaseToPool(take(), "Bench"); },
       [&] {
         transaction->StartTransaction();
         transaction->Rollback();
       }});
  const double hit = pooled_figures[0];
  const double calls = pooled_figures[1];
  const double hit_system_calls =
      bench::CallsPerRun(kCountedHits, [&] { db::FBReturnIBDataBaseToPool(take(), "Bench"); });
  const double round_trip_system_calls = bench::CallsPerRun(kCountedHits, [&] {
    transaction->StartTransaction();
    transaction->Rollback();
  });
  db::ClearPool();

  const double fresh = MedianMicroseconds(kAttaches, {[&] {
    TIBDatabase database;
    database.SetDatabaseName(target.server + "/" + std::to_string(target.port) + ":" + target.file);
    database.Params().SetValues("user_name", "SYSDBA");
    database.Params().SetValues("password", target.password);
    database.Params().SetValues("lc_ctype", "WIN1251");
    database.SetConnected(true);
    database.SetConnected(false);
  }})[0];

  std::printf("pool hit (take + return):        %9.2f us\n", hit);
  std::printf("fresh attach + detach:           %9.3f ms\n", fresh / 1000.0);
  std::printf("ratio fresh / hit:               %9.1f x   (target >= 100)\n", fresh / hit);
  std::printf("StartTransaction + Rollback:     %9.2f us\n", calls);
  std::printf("pool's own cost per hit:         %9.2f us  (target < 5)\n", hit - calls);
  if (hit_system_calls >= 0) {
    std::printf("system calls per hit:            %9.2f     (StartTransaction + Rollback %.2f, "
                "the pool's own %.2f)\n",
                hit_system_calls, round_trip_system_calls,
                hit_system_calls - round_trip_system_calls);
    std::printf("RESULT pool_hit_calls=%.2f calls\n", hit_system_calls);
    std::printf("RESULT pool_round_trip_calls=%.2f calls\n", round_trip_system_calls);
  }
  std::printf("RESULT pool_hit=%.2f us\n", hit);
  std::printf("RESULT pool_fresh=%.2f us\n", fresh);
  return 0;
}

}  // namespace zelmor
