// A station's typical calls through the components against the bare client
// making the same calls with its statement prepared once: fetching 100 000
// rows, inserting rows with parameters in one transaction, point lookups
// each in its own read-only transaction, and a pool take + return against a
// bare transaction start + rollback.
//
// Each pair is timed (best of interleaved rounds) and its system calls per
// operation counted (strace); then the program runs itself under callgrind
// (`--count`) and prints the client instructions per operation, which the
// machine's load cannot move.
//
// Needs the private server: eval "$(scripts/firebird-server.sh start DIR)".
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "components/gds_library.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_handle.h"
#include "components/ib_status.h"
#include "components/ib_transaction.h"
#include "components/sql_description.h"
#include "database/pool.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/server_target.h"
#include "support/system_calls.h"

namespace zelmor {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFetchRows = 100000;
constexpr int kRounds = 5;

struct Workload {
  const char* name;
  const char* what;
  int operations;         // per run, timed and counted
  int counted_operations; // per run under callgrind
  std::function<void(int)> ours;
  std::function<void(int)> bare;
};

std::string TableName() {
  return "REUSE_BENCH_" + std::to_string(platform::CurrentProcessId());
}

void Check(IBStatus& status) { status.Check(); }

// The bare client's side: one statement prepared once on the attachment.
class BareStatement {
 public:
  BareStatement(TIBDatabase& database, IBHandle& transaction, const std::string& sql)
      : columns_(16) {
    const GDSEntries& api = GetGDSLibrary().Entries();
    IBStatus status;
    ApiHandle db(database.Handle());
    ApiHandle tr(transaction);
    api.isc_dsql_allocate_statement(status.get(), db.ptr(), &handle_);
    Check(status);
    api.isc_dsql_prepare(status.get(), tr.ptr(), &handle_, 0, sql.c_str(), 3, columns_.get());
    Check(status);
    columns_.AllocateValues();
    api.isc_dsql_describe_bind(status.get(), &handle_, SQLDA_VERSION1, params_.get());
    Check(status);
    if (params_.Count() > params_.Capacity()) {
      params_.Reserve(params_.Count());
      api.isc_dsql_describe_bind(status.get(), &handle_, SQLDA_VERSION1, params_.get());
      Check(status);
    }
    params_.AllocateValues();
  }
  ~BareStatement() {
    IBStatus ignored;
    GetGDSLibrary().Entries().isc_dsql_free_statement(ignored.get(), &handle_, DSQL_drop);
  }
  SqlDescription& Params() { return params_; }
  SqlDescription& Columns() { return columns_; }
  void Execute(IBHandle& transaction) {
    IBStatus status;
    ApiHandle tr(transaction);
    GetGDSLibrary().Entries().isc_dsql_execute(status.get(), tr.ptr(), &handle_, SQLDA_VERSION1,
                                               params_.Count() ? params_.get() : nullptr);
    Check(status);
  }
  bool Fetch() {
    IBStatus status;
    return GetGDSLibrary().Entries().isc_dsql_fetch(status.get(), &handle_, SQLDA_VERSION1,
                                                    columns_.get()) == 0;
  }
  void CloseCursor() {
    IBStatus status;
    GetGDSLibrary().Entries().isc_dsql_free_statement(status.get(), &handle_, DSQL_close);
    Check(status);
  }

 private:
  FB_API_HANDLE handle_ = 0;
  SqlDescription columns_;
  SqlDescription params_;
};

void BareStart(TIBDatabase& database, IBHandle& transaction, const std::string& tpb) {
  IBStatus status;
  ApiHandle db(database.Handle());
  ApiHandle tr(transaction);
  struct {
    FB_API_HANDLE* database;
    int tpb_length;
    const char* tpb;
  } block{db.ptr(), static_cast<int>(tpb.size()), tpb.data()};
  GetGDSLibrary().Entries().isc_start_multiple(status.get(), tr.ptr(), 1, &block);
  Check(status);
}

void BareEnd(IBHandle& transaction, bool commit) {
  IBStatus status;
  ApiHandle tr(transaction);
  if (commit) {
    GetGDSLibrary().Entries().isc_commit_transaction(status.get(), tr.ptr());
  } else {
    GetGDSLibrary().Entries().isc_rollback_transaction(status.get(), tr.ptr());
  }
  Check(status);
}

template <typename T>
void Put(XSQLVAR& var, T value) {
  std::memcpy(var.sqldata, &value, sizeof value);
  *var.sqlind = 0;
}

void PutText(XSQLVAR& var, const std::string& text) {
  const auto length = static_cast<short>(text.size());
  std::memcpy(var.sqldata, &length, 2);
  std::memcpy(var.sqldata + 2, text.data(), text.size());
  *var.sqlind = 0;
}

// The station's schema for the runs: the five column types it reads most.
class Fixture {
 public:
  explicit Fixture(const bench::ServerTarget& target) : table_(TableName()) {
    database_.SetDatabaseName(target.server + "/" + std::to_string(target.port) + ":" +
                              target.file);
    database_.Params().SetValues("user_name", "SYSDBA");
    database_.Params().SetValues("password", target.password);
    database_.Params().SetValues("lc_ctype", "WIN1251");
    database_.SetConnected(true);
    write_ = new TIBTransaction(&database_);
    write_->SetDefaultDatabase(&database_);
    write_->Params().SetText("write\nread_committed\nrec_version\nnowait");
    read_ = new TIBTransaction(&database_);
    read_->SetDefaultDatabase(&database_);
    read_->Params().SetText("read\nread_committed\nrec_version\nnowait");
    Run("create table " + table_ +
        " (id integer not null primary key, name varchar(40) character set win1251,"
        " amount numeric(18,4), moment timestamp, spare integer)");
    // Straight to the client: the block's :i are its own, not parameters.
    write_->StartTransaction();
    const std::string fill =
        "execute block as declare i integer = 0; begin while (i < " + std::to_string(kFetchRows) +
        ") do begin insert into " + table_ +
        " values (:i, 'Diesel fuel ' || :i, :i / 7.0, current_timestamp,"
        " iif(mod(:i, 3) = 0, null, :i)); i = i + 1; end end";
    IBStatus status;
    {
      ApiHandle db(database_.Handle());
      ApiHandle tr(write_->Handle());
      GetGDSLibrary().Entries().isc_dsql_execute_immediate(status.get(), db.ptr(), tr.ptr(), 0,
                                                           fill.c_str(), 3, nullptr);
    }
    Check(status);
    write_->Commit();
  }
  // The statements still prepared on the table go with the attachment.
  ~Fixture() {
    try {
      database_.SetConnected(false);
      database_.SetConnected(true);
      Run("drop table " + table_);
    } catch (const std::exception& error) {
      std::printf("reuse_bench: %s\n", error.what());
    }
  }
  void Run(const std::string& sql) {
    TIBDataSet statement;
    statement.SetDatabase(&database_);
    statement.SetTransaction(write_);
    statement.SelectSQL().SetText(sql);
    write_->StartTransaction();
    statement.ExecSQL();
    write_->Commit();
  }
  TIBDatabase& Database() { return database_; }
  TIBTransaction& Write() { return *write_; }
  TIBTransaction& Read() { return *read_; }
  const std::string& Table() const { return table_; }

 private:
  TIBDatabase database_;
  TIBTransaction* write_ = nullptr;
  TIBTransaction* read_ = nullptr;
  std::string table_;
};

std::vector<Workload> Workloads(Fixture& fixture, const bench::ServerTarget& target) {
  TIBDatabase& database = fixture.Database();
  const std::string table = fixture.Table();
  const std::string select = "select id, name, amount, moment, spare from " + table;
  const std::string tpb_read = std::string{isc_tpb_version3, isc_tpb_read,
                                           isc_tpb_read_committed, isc_tpb_rec_version,
                                           isc_tpb_nowait};
  std::vector<Workload> workloads;

  auto* fetch = new TIBDataSet(&database);
  fetch->SetDatabase(&database);
  fetch->SetTransaction(&fixture.Read());
  fetch->SelectSQL().SetText(select);
  static IBHandle bare_read = 0;
  static BareStatement* bare_fetch = nullptr;
  workloads.push_back(
      {"fetch", "fetch 100 000 rows (5 columns)", kFetchRows, kFetchRows,
       [fetch, &fixture](int) {
         fixture.Read().StartTransaction();
         fetch->Open();
         int64_t sum = 0;
         for (; !fetch->Eof(); fetch->Next()) {
           sum += fetch->Fields(0).AsInteger() + static_cast<int64_t>(fetch->Fields(2).AsFloat());
         }
         fetch->Close();
         fixture.Read().Commit();
       },
       [&database, select, tpb_read](int) {
         BareStart(database, bare_read, tpb_read);
         if (!bare_fetch) bare_fetch = new BareStatement(database, bare_read, select);
         bare_fetch->Execute(bare_read);
         int64_t sum = 0;
         SqlDescription& columns = bare_fetch->Columns();
         while (bare_fetch->Fetch()) {
           int32_t id = 0;
           int64_t amount = 0;
           std::memcpy(&id, columns.Var(0).sqldata, 4);
           std::memcpy(&amount, columns.Var(2).sqldata, 8);
           sum += id + amount / 10000;
         }
         bare_fetch->CloseCursor();
         BareEnd(bare_read, true);
       }});

  // Inserts go to ids above the fetched rows, each run to its own range.
  static int next_id = kFetchRows;
  auto* insert = new TIBDataSet(&database);
  insert->SetDatabase(&database);
  insert->SetTransaction(&fixture.Write());
  insert->SelectSQL().SetText("insert into " + table +
                              " (id, name, amount, moment, spare) values "
                              "(:id, :name, :amount, :moment, :spare)");
  static IBHandle bare_write = 0;
  static BareStatement* bare_insert = nullptr;
  const std::string tpb_write = std::string{isc_tpb_version3, isc_tpb_write,
                                            isc_tpb_read_committed, isc_tpb_rec_version,
                                            isc_tpb_nowait};
  const std::string insert_sql = "insert into " + table +
                                 " (id, name, amount, moment, spare) values (?, ?, ?, ?, ?)";
  workloads.push_back(
      {"insert", "insert rows with 5 parameters, one transaction", 2000, 2000,
       [insert, &fixture](int rows) {
         fixture.Write().StartTransaction();
         for (int i = 0; i < rows; ++i) {
           const int id = ++next_id;
           insert->ParamByName("ID").SetAsInteger(id);
           insert->ParamByName("NAME").SetAsString("Petrol 95");
           insert->ParamByName("AMOUNT").SetAsFloat(id / 8.0);
           insert->ParamByName("MOMENT").SetAsDateTime(46000.5);
           insert->ParamByName("SPARE").Clear();
           insert->ExecSQL();
         }
         fixture.Write().Commit();
       },
       [&database, tpb_write, insert_sql](int rows) {
         BareStart(database, bare_write, tpb_write);
         if (!bare_insert) bare_insert = new BareStatement(database, bare_write, insert_sql);
         SqlDescription& params = bare_insert->Params();
         for (int i = 0; i < rows; ++i) {
           const int id = ++next_id;
           Put(params.Var(0), static_cast<int32_t>(id));
           PutText(params.Var(1), "Petrol 95");
           Put(params.Var(2), static_cast<int64_t>(id * 10000LL / 8));
           Put(params.Var(3), ISC_TIMESTAMP{59000, 43200 * 10000});
           *params.Var(4).sqlind = -1;
           bare_insert->Execute(bare_write);
         }
         BareEnd(bare_write, true);
       }});

  auto* lookup = new TIBDataSet(&database);
  lookup->SetDatabase(&database);
  lookup->SetTransaction(&fixture.Read());
  lookup->SelectSQL().SetText(select + " where id = :id");
  static BareStatement* bare_lookup = nullptr;
  const std::string lookup_sql = select + " where id = ?";
  workloads.push_back(
      {"lookup", "select ... where id = ?, each in its own read-only transaction", 500, 500,
       [lookup, &fixture](int lookups) {
         for (int i = 0; i < lookups; ++i) {
           fixture.Read().StartTransaction();
           lookup->ParamByName("ID").SetAsInteger(i * 37 % kFetchRows);
           lookup->Open();
           volatile int64_t seen = lookup->Fields(0).AsInteger();
           (void)seen;
           lookup->Close();
           fixture.Read().Commit();
         }
       },
       [&database, tpb_read, lookup_sql](int lookups) {
         for (int i = 0; i < lookups; ++i) {
           BareStart(database, bare_read, tpb_read);
           if (!bare_lookup) bare_lookup = new BareStatement(database, bare_read, lookup_sql);
           Put(bare_lookup->Params().Var(0), static_cast<int32_t>(i * 37 % kFetchRows));
           bare_lookup->Execute(bare_read);
           bare_lookup->Fetch();
           bare_lookup->CloseCursor();
           BareEnd(bare_read, true);
         }
       }});

  const auto take = [target] {
    return db::FBGetIBDataBaseFromPool(target.file, target.password, target.port, target.server,
                                       "SYSDBA", "WIN1251", "Bench");
  };
  workloads.push_back(
      {"pool", "pool take + return (bare: transaction start + rollback)", 500, 500,
       [take](int takes) {
         for (int i = 0; i < takes; ++i) db::FBReturnIBDataBaseToPool(take(), "Bench");
       },
       [&database, tpb_read](int takes) {
         for (int i = 0; i < takes; ++i) {
           BareStart(database, bare_read, tpb_read);
           BareEnd(bare_read, false);
         }
       }});
  return workloads;
}

double BestMicrosecondsPerOperation(const std::function<void(int)>& body, int operations) {
  const auto start = Clock::now();
  body(operations);
  const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
  return spent.count() / operations;
}

// Under callgrind: each side of each workload once, warmed up, its
// instructions dumped under its own name.
int CountInstructions(std::vector<Workload>& workloads) {
  for (Workload& workload : workloads) {
    for (const bool ours : {true, false}) {
      const auto& body = ours ? workload.ours : workload.bare;
      body(1);
      const int operations = workload.name == std::string("fetch") ? 1 : workload.counted_operations;
      CALLGRIND_TOGGLE_COLLECT;
      body(operations);
      CALLGRIND_TOGGLE_COLLECT;
      const std::string dump = std::string(workload.name) + (ours ? ".ours" : ".bare");
      CALLGRIND_DUMP_STATS_AT(dump.c_str());
    }
  }
  return 0;
}

// The instructions of each dump callgrind wrote into `folder`, by its name.
std::map<std::string, double> ReadDumps(const std::filesystem::path& folder) {
  std::map<std::string, double> counts;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path());
    std::string line;
    std::string name;
    while (std::getline(in, line)) {
      static const std::string kTrigger = "desc: Trigger: Client Request: ";
      if (line.rfind(kTrigger, 0) == 0) name = line.substr(kTrigger.size());
      if (line.rfind("summary: ", 0) == 0 && !name.empty()) counts[name] = std::stod(line.substr(9));
    }
  }
  return counts;
}

void PrintInstructions(const std::vector<Workload>& workloads, const char* self) {
  const std::string valgrind = "/usr/bin/valgrind";
  if (!platform::FileExists(valgrind)) {
    std::printf("instructions: valgrind is not installed, left out\n");
    return;
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("reuse_bench_" + std::to_string(platform::CurrentProcessId()));
  std::filesystem::create_directories(folder);
  const std::string command = valgrind +
                              " --tool=callgrind --collect-atstart=no --callgrind-out-file=" +
                              (folder / "dump").string() + " " + self + " --count >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    std::printf("instructions: the callgrind run failed (%s)\n", command.c_str());
    return;
  }
  const auto counts = ReadDumps(folder);
  std::filesystem::remove_all(folder);
  std::printf("\nclient instructions per operation (callgrind):\n");
  for (const Workload& workload : workloads) {
    const auto ours = counts.find(std::string(workload.name) + ".ours");
    const auto bare = counts.find(std::string(workload.name) + ".bare");
    if (ours == counts.end() || bare == counts.end()) continue;
    const double per = workload.name == std::string("fetch") ? kFetchRows : workload.counted_operations;
    std::printf("  %-7s ours %10.0f  bare %10.0f  ratio %.3f\n", workload.name, ours->second / per,
                bare->second / per, ours->second / bare->second);
    std::printf("RESULT reuse_%s_instr_ratio=%.3f x\n", workload.name, ours->second / bare->second);
  }
}

}  // namespace
}  // namespace zelmor

int main(int argc, char** argv) {
  using namespace zelmor;
  try {
    bench::ServerTarget target;
    if (!bench::ReadServerTarget(target)) {
      std::printf("reuse_bench: ZELMOR_FB_TEST_DB is not set; start the private server first\n");
      return 0;
    }
    Fixture fixture(target);
    std::vector<Workload> workloads = Workloads(fixture, target);
    if (argc > 1 && std::string(argv[1]) == "--count") return CountInstructions(workloads);

    std::printf("%-7s %-62s %10s %10s %6s %s\n", "", "", "ours us", "bare us", "ratio",
                "system calls per operation, ours / bare");
    for (Workload& workload : workloads) {
      workload.ours(1);
      workload.bare(1);
      const int runs = workload.name == std::string("fetch") ? 1 : workload.operations;
      double ours = 1e300;
      double bare = 1e300;
      for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, BestMicrosecondsPerOperation(workload.ours, runs));
        bare = std::min(bare, BestMicrosecondsPerOperation(workload.bare, runs));
      }
      const double per = workload.name == std::string("fetch") ? kFetchRows : 1;
      const int counted = workload.name == std::string("fetch") ? 1 : 200;
      const double ours_calls = bench::CallsPerRun(1, [&] { workload.ours(counted); }) / counted / per;
      const double bare_calls = bench::CallsPerRun(1, [&] { workload.bare(counted); }) / counted / per;
      std::printf("%-7s %-62s %10.3f %10.3f %6.3f %.2f / %.2f\n", workload.name, workload.what,
                  ours / per, bare / per, ours / bare, ours_calls, bare_calls);
      std::printf("RESULT reuse_%s_time_ratio=%.3f x\n", workload.name, ours / bare);
      std::printf("RESULT reuse_%s_calls=%.2f/%.2f calls\n", workload.name, ours_calls, bare_calls);
    }
    PrintInstructions(workloads, argv[0]);
    db::ClearPool();
    return 0;
  } catch (const std::exception& error) {
    std::printf("reuse_bench: %s\n", error.what());
    return 1;
  }
}
