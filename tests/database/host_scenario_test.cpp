// The typical request of a host, run by several threads at once: take a
// connection from the pool, read a dataset, write one with a commit, give
// the connection back. Every line of the log is checked against its format.
#include <map>
#include <regex>
#include <thread>

#include "components/test_server.h"
#include "database/dataset_factories.h"
#include "database/dataset_operations.h"
#include "database/pool.h"
#include "database/transaction_control.h"
#include "database_test_support.h"
#include "eventlog/ldslogger.h"
#include "rtl/exceptions.h"

namespace zelmor::test {
namespace {

constexpr int kThreads = 4;
constexpr int kRequests = 3;

class HostScenario : public LoggedTest {};

void Request(const PoolTarget& target, const std::string& table, const std::string& tag) {
  TIBDatabase* database = db::FBGetIBDataBaseFromPool(target.path, target.password, target.port,
                                                      target.server, "SYSDBA", "WIN1251", tag);
  std::unique_ptr<TIBDataSet> reader(
      db::FBCreateDataSetForRead2(database, false, nullptr, tag, "Reader"));
  reader->SelectSQL().SetText("select count(*) from " + table);
  db::FBOpenDataSet(reader.get(), tag);
  EXPECT_GE(reader->Fields(0).AsInteger(), 0);
  db::FBCloseDataSet(reader.get(), tag);
  reader.reset();

  std::unique_ptr<TIBDataSet> writer(
      db::FBCreateDataSetForWrite2(database, true, nullptr, tag, "Writer"));
  writer->SelectSQL().SetText("insert into " + table + " (tag) values (:tag)");
  writer->ParamByName("tag").SetAsString(tag);
  db::FBExecDataSet(writer.get(), tag);
  db::FBCommitTransaction(writer->Transaction(), tag);
  writer.reset();
  db::FBReturnIBDataBaseToPool(database, tag);
}

// Lines by thread marker, texts only.
std::map<std::string, std::vector<std::string>> ByThread(const std::vector<std::string>& raw) {
  static const std::regex kLine(R"(^\d\d\.\d\d \d\d:\d\d:\d\d\.\d{3} <P:-?\d+;T:(-?\d+)> (.*)$)");
  std::map<std::string, std::vector<std::string>> threads;
  for (const std::string& line : raw) {
    std::smatch match;
    if (!std::regex_match(line, match, kLine)) {
      ADD_FAILURE() << "not a level-0 log line: " << line;
      continue;
    }
    threads[match[1]].push_back(match[2]);
  }
  return threads;
}

TEST_F(HostScenario, ThreadsTakeReadWriteCommitAndReturn) {
  ZELMOR_REQUIRE_SERVER();
  const PoolTarget target = SharedPoolTarget();
  const std::string table = UniqueTable("HOST_SCENARIO");
  {
    auto direct = ConnectShared();
    try {
      Execute(*direct, "drop table " + table);
    } catch (const EIBError&) {
    }
    Execute(*direct, "create table " + table + " (tag varchar(20))");
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRequests; ++r) Request(target, table, "H" + std::to_string(t));
    });
  }
  for (auto& thread : threads) thread.join();

  const std::string key = db::PoolKey(target.server, target.port, target.path);
  const std::string d = R"(d(-?\d+))";
  const std::string ms = R"(\d+ ms)";
  const std::regex create_default(R"(^\[\?\] TRAN:CREATE \()" + d + R"( Тип:RC_RO Владелец:-TIBDatabase\)$)");
  const std::regex open_database(R"(^\[(H\d)\] DB:OPEN \()" + d + ", " + key + ", , " + ms + R"(, w\d+\)$)");
  const std::vector<std::regex> request = {
      std::regex(R"(^\[(H\d)\] TAB:OPEN \()" + d + ", Reader, " + ms + R"(\)$)"),
      std::regex(R"(^\[(H\d)\] TAB:CLOSE \()" + d + ", Reader, " + ms + R"(\)$)"),
      std::regex(R"(^\[(H\d)\] TRAN:CREATE \()" + d + R"( Тип:RC_RW Владелец:Writer-TIBDataSet\)$)"),
      std::regex(R"(^\[(H\d)\] ExecSQL \()" + d + ", Writer, " + ms + R"(\)$)"),
      std::regex(R"(^\[(H\d)\] TRAN:COMMIT \()" + d + ", , " + ms + R"(\)$)")};

  int opened = 0;
  for (const auto& [thread, lines] : ByThread(RawLines())) {
    size_t i = 0;
    std::string tag;
    for (int r = 0; r < kRequests; ++r) {
      std::smatch match;
      std::string number;
      // A new connection: its default transaction, then its open.
      if (i < lines.size() && std::regex_match(lines[i], match, create_default)) {
        number = match[1];
        ASSERT_LT(i + 1, lines.size());
        ASSERT_TRUE(std::regex_match(lines[i + 1], match, open_database)) << lines[i + 1];
        EXPECT_EQ(match[2], number) << "the open names the connection just made";
        ++opened;
        i += 2;
      }
      for (const std::regex& format : request) {
        ASSERT_LT(i, lines.size()) << "thread " << thread << " request " << r;
        ASSERT_TRUE(std::regex_match(lines[i], match, format)) << lines[i];
        if (tag.empty()) tag = match[1];
        EXPECT_EQ(match[1], tag) << "one thread, one tag";
        if (number.empty()) number = match[2];
        EXPECT_EQ(match[2], number) << "one request, one connection: " << lines[i];
        ++i;
      }
    }
    EXPECT_EQ(i, lines.size()) << "unexpected lines of thread " << thread;
  }
  EXPECT_EQ(static_cast<size_t>(opened), db::PoolSize());
  EXPECT_LE(db::PoolSize(), static_cast<size_t>(kThreads));

  auto direct = ConnectShared();
  TIBTransaction* check = MakeTransaction(*direct, "read_committed\nrec_version\nnowait\nread");
  check->StartTransaction();
  TIBDataSet count;
  count.SetDatabase(direct.get());
  count.SetTransaction(check);
  count.SelectSQL().SetText("select count(*) from " + table);
  count.Open();
  EXPECT_EQ(count.Fields(0).AsInteger(), kThreads * kRequests) << "every commit reached the server";
  count.Close();
  check->Commit();
  // A prepared statement keeps its table in use.
  count.Unprepare();
  Execute(*direct, "drop table " + table);
}

}  // namespace
}  // namespace zelmor::test
