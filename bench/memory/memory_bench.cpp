// A host's memory over a long run: a million lines through a TLDSLogger
// with the library's options (rotating at 3 MB) and a hundred thousand takes
// and returns of a pooled connection, interleaved as a busy host does. The
// resident memory is read at the start, after a warm-up and at the end; past
// the warm-up it must stay flat.
//
// Needs the private server: eval "$(scripts/firebird-server.sh start DIR)".
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "components/ib_database.h"
#include "database/pool.h"
#include "database/process_state.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "platform/platform.h"
#include "platform/testing/resident_memory.h"
#include "support/bench_main.h"
#include "support/server_target.h"

namespace zelmor {
namespace {

constexpr int kLines = 1000000;
constexpr int kTakes = 100000;
constexpr int kLinesPerTake = kLines / kTakes;
// The warm-up's share of the run: the pool has its connection, the logger
// has rotated, the allocator has its arenas.
constexpr int kWarmUpTakes = 10000;

double Kilobytes(uint64_t bytes) { return static_cast<double>(bytes) / 1024.0; }

}  // namespace

int bench::Run() {
  bench::ServerTarget target;
  if (!bench::ReadServerTarget(target)) {
    std::printf("memory_bench: ZELMOR_FB_TEST_DB is not set; start the private server first\n");
    return 0;
  }
  const uint64_t at_start = platform::ResidentMemoryBytes();
  eventlog::InitializeUnit();
  const std::string folder = platform::TempPath() + "zelmor-memory-bench-" +
                             std::to_string(platform::CurrentProcessId()) + "/";
  std::filesystem::create_directories(folder);
  uint64_t after_warm_up = 0;
  const auto start = std::chrono::steady_clock::now();
  {
    TLDSLogger logger(folder + "FBEvents.log");
    logger.SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
    logger.Options.ShowProcessId = true;
    logger.Options.ShowThreadId = true;
    logger.Options.TrimInPlace = false;
    logger.Options.MaxArchives = 1;
    logger.Options.MaxSize = 3145728;
    db::SetEventLogger(&logger);
    const std::string line(60, 'x');
    for (int take = 0; take < kTakes; ++take) {
      if (take == kWarmUpTakes) after_warm_up = platform::ResidentMemoryBytes();
      TIBDatabase* database = db::FBGetIBDataBaseFromPool(
          target.file, target.password, target.port, target.server, "SYSDBA", "WIN1251", "Mem");
      for (int i = 0; i < kLinesPerTake; ++i) logger.WriteLine("[Mem] " + line, 1);
      db::FBReturnIBDataBaseToPool(database, "Mem");
    }
    db::ClearPool();
    db::SetEventLogger(nullptr);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t at_end = platform::ResidentMemoryBytes();
  std::filesystem::remove_all(folder);
  eventlog::FinalizeUnit();

  const double growth = Kilobytes(at_end) - Kilobytes(after_warm_up);
  std::printf("%d log lines and %d pooled takes and returns in %.1f s\n", kLines, kTakes, seconds);
  std::printf("  resident at start        %9.0f KB\n", Kilobytes(at_start));
  std::printf("  after warm-up (%2d%%)      %9.0f KB\n", kWarmUpTakes * 100 / kTakes,
              Kilobytes(after_warm_up));
  std::printf("  at the end               %9.0f KB\n", Kilobytes(at_end));
  std::printf("  growth after warm-up     %9.0f KB (%.1f%%; target: flat)\n", growth,
              100.0 * growth / Kilobytes(after_warm_up));
  std::printf("RESULT memory_rss_start=%.0f KB\n", Kilobytes(at_start));
  std::printf("RESULT memory_rss_warm=%.0f KB\n", Kilobytes(after_warm_up));
  std::printf("RESULT memory_rss_end=%.0f KB\n", Kilobytes(at_end));
  std::printf("RESULT memory_growth=%.0f KB\n", growth);
  return 0;
}

}  // namespace zelmor
