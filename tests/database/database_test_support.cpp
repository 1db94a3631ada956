#include "database_test_support.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "database/pool.h"
#include "database/process_state.h"
#include "eventlog/ldslogger.h"
#include "platform/platform.h"
#include "rtl/global_mutex.h"
#include "components/test_server.h"

namespace zelmor::test {
namespace {

// "server/port:path" into its parts.
PoolTarget TargetOf(const std::string& database, const std::string& password) {
  PoolTarget target;
  const size_t slash = database.find('/');
  const size_t colon = database.find(':', slash);
  if (database.empty() || slash == std::string::npos || colon == std::string::npos) return target;
  target.server = database.substr(0, slash);
  target.port = std::stoi(database.substr(slash + 1, colon - slash - 1));
  target.path = database.substr(colon + 1);
  // A Windows program upper-cases its connection text, paths and all; the
  // test server takes a bare name as one in its database folder.
  if (platform::kCaseInsensitiveFileNames) target.path = target.path.substr(target.path.rfind('/') + 1);
  target.password = password;
  return target;
}

}  // namespace

void LoggedTest::SetUp() {
  logger_ = std::make_unique<TLDSLogger>(folder_ / "FBEvents.log");
  logger_->SetDateTimeFormat("dd/mm hh:nn:ss.zzz");
  logger_->Options.ShowProcessId = true;
  logger_->Options.ShowThreadId = true;
  logger_->Options.TrimInPlace = false;
  logger_->Options.MaxArchives = 1;
  logger_->Options.MaxSize = 3145728;
  db::SetEventLogger(logger_.get());
  db::LogDbOperations = true;
  db::LogSqlOnError = true;
}

void LoggedTest::TearDown() {
  try {
    db::ClearPool();
  } catch (const std::exception& error) {
    ADD_FAILURE() << "ClearPool: " << error.what();
  }
  db::SetEventLogger(nullptr);
  db::SetTickSource({});
  db::SetClock({});
  db::LogDbOperations = true;
  logger_.reset();
}

std::vector<std::string> LoggedTest::RawLines() const {
  const std::string path = folder_ / "FBEvents.log";
  return platform::FileExists(path) ? SplitLines(ReadFileBytes(path)) : std::vector<std::string>{};
}

std::vector<std::string> LoggedTest::Lines() const {
  std::vector<std::string> texts;
  for (const std::string& line : RawLines()) {
    const size_t markers_end = line.find("> ");
    texts.push_back(markers_end == std::string::npos ? line : line.substr(markers_end + 2));
  }
  return texts;
}

std::vector<std::string> LoggedTest::AsLines(const std::vector<std::string>& texts) {
  std::vector<std::string> lines;
  for (const std::string& text : texts)
    for (std::string& line : SplitLines(text)) lines.push_back(std::move(line));
  return lines;
}

std::vector<std::string> LoggedTest::LinesWith(const std::string& part) const {
  std::vector<std::string> found;
  for (const std::string& line : Lines())
    if (line.find(part) != std::string::npos) found.push_back(line);
  return found;
}

void LoggedTest::UseSteppingTicks(uint32_t start, uint32_t step) {
  auto next = std::make_shared<uint32_t>(start);
  db::SetTickSource([next, step] {
    const uint32_t now = *next;
    *next += step;
    return now;
  });
}

PoolTarget SharedPoolTarget() {
  const TestServer server = SharedServer();
  return TargetOf(server.database, server.password);
}

PoolTarget PoolTargetIn(const std::string& folder) {
  std::ifstream env(folder + "env");
  std::string database;
  std::string password;
  for (std::string line; std::getline(env, line);) {
    const auto value_of = [&](const std::string& key) { return line.substr(key.size()); };
    if (line.rfind("export ZELMOR_FB_TEST_DB=", 0) == 0) database = value_of("export ZELMOR_FB_TEST_DB=");
    if (line.rfind("export ZELMOR_FB_PASSWORD=", 0) == 0) password = value_of("export ZELMOR_FB_PASSWORD=");
  }
  return TargetOf(database, password);
}

std::string DatabaseNameOf(const PoolTarget& target) {
  return target.server + "/" + std::to_string(target.port) + ":" + target.path;
}

std::string NumberText(const void* object) { return std::to_string(db::ObjectNumber(object)); }

int64_t AttachmentOf(TIBDatabase* database) {
  TIBTransaction* transaction = database->DefaultTransaction();
  if (!transaction->InTransaction()) transaction->StartTransaction();
  TIBDataSet query;
  query.SetDatabase(database);
  query.SelectSQL().SetText("select current_connection from rdb$database");
  query.Open();
  const int64_t id = query.Fields(0).AsInt64();
  query.Close();
  return id;
}

}  // namespace zelmor::test
