// Cost of Open + fetch-all + Close of a small query through TIBDataSet,
// against the same client calls made directly (allocate, prepare, describe,
// execute, fetch every row, drop), in one attachment and one transaction.
// Prints both times and their ratio; the components should stay within
// 1.10x of the bare calls.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "components/gds_library.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_handle.h"
#include "components/ib_status.h"
#include "components/ib_transaction.h"
#include "components/sql_description.h"
#include "platform/platform.h"
#include "support/bench_main.h"

namespace zelmor {
namespace {

constexpr char kQuery[] =
    "select rdb$relation_id, rdb$relation_name, rdb$system_flag from rdb$relations "
    "where rdb$relation_id < 20";
constexpr int kRounds = 7;
constexpr int kIterations = 300;

using Clock = std::chrono::steady_clock;

long ThroughDataSet(TIBDatabase& database) {
  TIBDataSet dataset;
  dataset.SetDatabase(&database);
  dataset.SelectSQL().SetText(kQuery);
  long rows = 0;
  dataset.Open();
  for (; !dataset.Eof(); dataset.Next()) {
    rows += dataset.Fields(0).AsInteger();
  }
  dataset.Close();
  return rows;
}

long ThroughClient(TIBDatabase& database, TIBTransaction& transaction) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  IBStatus status;
  ApiHandle db(database.Handle());
  ApiHandle tr(transaction.Handle());
  FB_API_HANDLE statement = 0;
  api.isc_dsql_allocate_statement(status.get(), db.ptr(), &statement);
  status.Check();
  SqlDescription columns(1);
  api.isc_dsql_prepare(status.get(), tr.ptr(), &statement, 0, kQuery, 3, columns.get());
  status.Check();
  if (columns.Count() > columns.Capacity()) {
    columns.Reserve(columns.Count());
    api.isc_dsql_describe(status.get(), &statement, SQLDA_VERSION1, columns.get());
    status.Check();
  }
  columns.AllocateValues();
  api.isc_dsql_execute(status.get(), tr.ptr(), &statement, SQLDA_VERSION1, nullptr);
  status.Check();
  long rows = 0;
  while (api.isc_dsql_fetch(status.get(), &statement, SQLDA_VERSION1, columns.get()) == 0) {
    rows += *reinterpret_cast<short*>(columns.Var(0).sqldata);
  }
  api.isc_dsql_free_statement(status.get(), &statement, DSQL_drop);
  status.Check();
  return rows;
}

template <typename Body>
double BestMicroseconds(Body&& body) {
  double best = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < kIterations; ++i) body();
    const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
    best = std::min(best, spent.count() / kIterations);
  }
  return best;
}

}  // namespace

int bench::Run() {
  const std::string name = platform::GetEnvironmentVariable("ZELMOR_FB_TEST_DB");
  if (name.empty()) {
    std::printf("components_bench: ZELMOR_FB_TEST_DB is not set; start scripts/firebird-server.sh\n");
    return 0;
  }
  TIBDatabase database;
  database.SetDatabaseName(name);
  database.Params().SetValues("user_name", "SYSDBA");
  database.Params().SetValues("password", platform::GetEnvironmentVariable("ZELMOR_FB_PASSWORD"));
  database.Params().SetValues("lc_ctype", "WIN1251");
  database.SetConnected(true);
  auto* transaction = new TIBTransaction(&database);
  transaction->Params().SetText("read\nread_committed\nrec_version\nnowait");
  database.SetDefaultTransaction(transaction);
  transaction->StartTransaction();

  if (ThroughDataSet(database) != ThroughClient(database, *transaction)) {
    std::printf("components_bench: the two paths read different rows\n");
    return 1;
  }
  // Interleaved rounds, best of each, so that both see the same machine.
  double components = 1e300;
  double bare = 1e300;
  for (int pass = 0; pass < 3; ++pass) {
    components = std::min(components, BestMicroseconds([&] { ThroughDataSet(database); }));
    bare = std::min(bare, BestMicroseconds([&] { ThroughClient(database, *transaction); }));
  }
  std::printf("Open+fetch-all+Close of a small query (%d iterations, best of %d rounds):\n",
              kIterations, kRounds * 3);
  std::printf("  TIBDataSet   %8.1f us\n", components);
  std::printf("  bare client  %8.1f us\n", bare);
  std::printf("  ratio        %8.3f x (target <= 1.10)\n", components / bare);
  std::printf("RESULT dataset_components=%.1f us\n", components);
  std::printf("RESULT dataset_bare=%.1f us\n", bare);
  return 0;
}

}  // namespace zelmor
