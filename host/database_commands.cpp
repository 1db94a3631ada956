// query, exec, fuel and params: database work through the library's exports,
// as suite programs do it.
#include <iostream>
#include <memory>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_field.h"
#include "components/ib_transaction.h"
#include "host/commands.h"
#include "host/connect_failure.h"
#include "host/station_paths.h"
#include "host/row_output.h"
#include "rtl/exceptions.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

constexpr char kCallerTag[] = "zelmor";

std::string PathOf(const ConnectionOptions& options) {
  return options.database ? Utf8ToCp1251(*options.database) : FuelDatabasePath();
}
int32_t PortOf(ZelmorApi& api, const ConnectionOptions& options) {
  return options.port.value_or(api.GetFBPort());
}

// A pooled connection, given back to the pool on every path.
class PooledConnection {
 public:
  PooledConnection(ZelmorApi& api, const ConnectionOptions& options) : api_(api) {
    const std::string path = PathOf(options);
    const int32_t port = PortOf(api, options);
    const std::string password =
        options.password ? Utf8ToCp1251(*options.password) : api.GetFBPassword(0);
    database_ = api.FBGetIBDataBaseFromPool(path.c_str(), password.c_str(), port,
                                            options.server.c_str(), options.user.c_str(),
                                            options.charset.c_str(), kCallerTag);
  }
  ~PooledConnection() {
    try {
      api_.FBReturnIBDataBaseToPool(database_, kCallerTag);
    } catch (const std::exception& error) {
      std::cerr << "zelmor: returning the connection: " << Cp1251ToUtf8(error.what()) << '\n';
    }
  }
  TIBDatabase* get() const { return database_; }

 private:
  ZelmorApi& api_;
  TIBDatabase* database_;
};

int Report(const std::exception& error, int code) {
  std::cerr << "zelmor: " << ClassNameOf(error) << ": " << Cp1251ToUtf8(error.what()) << '\n';
  return code;
}

// A connect that failed: the failure, where it went, then what kind of
// failure it was.
int ReportConnectFailure(const std::exception& error, const std::string& server, int32_t port,
                         const std::string& database) {
  const ConnectFailure failure = ConnectFailureOf(error);
  Report(error, failure.exit_code);
  std::cerr << "zelmor: connecting to " << server << " port " << port << ", database "
            << Cp1251ToUtf8(database) << '\n';
  std::cerr << "zelmor: " << failure.what << '\n';
  return failure.exit_code;
}

// Reads every row of an open dataset, in UTF-8.
Rows ReadRows(TIBDataSet& dataset) {
  Rows rows;
  for (int i = 0; i < dataset.FieldCount(); ++i)
    rows.columns.push_back(Cp1251ToUtf8(dataset.Fields(i).FieldName()));
  for (dataset.First(); !dataset.Eof(); dataset.Next()) {
    std::vector<std::optional<std::string>> row;
    for (int i = 0; i < dataset.FieldCount(); ++i) {
      const TIBField& field = dataset.Fields(i);
      row.push_back(field.IsNull() ? std::nullopt
                                   : std::optional<std::string>(Cp1251ToUtf8(field.AsString())));
    }
    rows.rows.push_back(std::move(row));
  }
  return rows;
}

// Runs `sql` through a read dataset of `database` and prints the rows.
void PrintQuery(ZelmorApi& api, TIBDatabase* database, const std::string& sql, bool json = false) {
  std::unique_ptr<TIBDataSet> dataset(api.FBCreateDataSetForRead(database, 1, nullptr, kCallerTag));
  dataset->SelectSQL().SetText(sql);
  api.FBOpenDataSet(dataset.get(), kCallerTag);
  const Rows rows = ReadRows(*dataset);
  api.FBCloseDataSet(dataset.get(), kCallerTag);
  if (json)
    PrintJsonLines(rows, std::cout);
  else
    PrintTable(rows, std::cout);
}

// The components' words are for programs (ExecSQL); a person runs exec.
std::string QueryHint(const std::exception& error) {
  return std::string_view(error.what()).ends_with("run it with ExecSQL")
             ? "a statement that returns no rows runs with 'zelmor exec'"
             : "";
}

// Runs the statement of the command line on a pooled connection: a failed
// take is a connect failure, a failure of `work` the statement's, told with
// `hint`'s words when it has any.
template <typename Work>
int WithStatement(ZelmorApi& api, const Invocation& invocation, Work work,
                  std::string (*hint)(const std::exception&) = nullptr) {
  std::unique_ptr<PooledConnection> connection;
  try {
    connection = std::make_unique<PooledConnection>(api, invocation.connection);
  } catch (const std::exception& error) {
    return ReportConnectFailure(error, invocation.connection.server,
                                PortOf(api, invocation.connection), PathOf(invocation.connection));
  }
  try {
    work(connection->get(), Utf8ToCp1251(invocation.statement));
    return kExitOk;
  } catch (const std::exception& error) {
    Report(error, kExitBadStatement);
    if (const std::string words = hint ? hint(error) : ""; !words.empty())
      std::cerr << "zelmor: " << words << '\n';
    return kExitBadStatement;
  }
}

}  // namespace

int RunQuery(ZelmorApi& api, const Invocation& invocation) {
  return WithStatement(api, invocation, [&](TIBDatabase* database, const std::string& sql) {
    PrintQuery(api, database, sql, invocation.json);
  }, QueryHint);
}

int RunExec(ZelmorApi& api, const Invocation& invocation) {
  return WithStatement(api, invocation, [&](TIBDatabase* database, const std::string& sql) {
    std::unique_ptr<TIBDataSet> dataset(
        api.FBCreateDataSetForWrite(database, 1, nullptr, kCallerTag));
    dataset->SelectSQL().SetText(sql);
    api.FBExecDataSet(dataset.get(), kCallerTag);
    api.FBCommitTransaction(dataset->Transaction(), kCallerTag);
    std::cout << "done\n";
  });
}

int RunFuel(ZelmorApi& api) {
  TIBDatabase* fuel = nullptr;
  try {
    fuel = api.FBSetGSMBaseConnect(kCallerTag);
  } catch (const std::exception& error) {
    // The fuel database is the station's own, on this machine.
    return ReportConnectFailure(error, "127.0.0.1", api.GetFBPort(), FuelDatabasePath());
  }
  try {
    std::cout << "Tanks\n";
    PrintQuery(api, fuel,
               "SELECT t.TANK_ID AS TANK, g.NAME AS GRADE, t.CAPACITY_L, t.LEVEL_L, "
               "CAST(100 * t.LEVEL_L / t.CAPACITY_L AS NUMERIC(5,1)) AS FILL_PCT "
               "FROM TANKS t JOIN FUEL_GRADES g ON g.GRADE_ID = t.GRADE_ID ORDER BY t.TANK_ID");
    std::cout << "\nSales by grade\n";
    PrintQuery(api, fuel,
               "SELECT g.NAME AS GRADE, COUNT(*) AS SALES, SUM(s.VOLUME_L) AS LITRES, "
               "SUM(s.AMOUNT) AS AMOUNT FROM SALES s "
               "JOIN PUMPS p ON p.PUMP_ID = s.PUMP_ID JOIN TANKS t ON t.TANK_ID = p.TANK_ID "
               "JOIN FUEL_GRADES g ON g.GRADE_ID = t.GRADE_ID GROUP BY g.NAME ORDER BY 4 DESC");
    return kExitOk;
  } catch (const std::exception& error) {
    return Report(error, kExitBadStatement);
  }
}

int RunParams(ZelmorApi& api, const Invocation& invocation) {
  std::cout << "port: " << api.GetFBPort() << '\n';
  if (invocation.show_password)
    std::cout << "password: " << Cp1251ToUtf8(api.GetFBPassword(0)) << '\n';
  else
    std::cout << "password: (hidden; --show-password shows it)\n";
  return kExitOk;
}

}  // namespace zelmor::host
