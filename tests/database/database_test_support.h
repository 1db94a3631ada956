// Helpers of the database operation tests: the event log captured in a
// temporary file, and the private server addressed the way the pool needs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventlog/ldslogger.h"
#include "support/test_support.h"

namespace zelmor {
class TIBDatabase;
}

namespace zelmor::test {

// Each case gets its own EventLogger with the library's options, both
// switches on, the OS tick counter and clock, and an empty pool afterwards.
class LoggedTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The log's lines as written: timestamp, level tag, markers, text.
  std::vector<std::string> RawLines() const;
  // The text of each line, after the markers ("" for an empty line).
  std::vector<std::string> Lines() const;
  // Expected lines, each split where it holds CR LF as the file splits it
  // (server messages span several lines).
  static std::vector<std::string> AsLines(const std::vector<std::string>& texts);
  // The lines containing `part`.
  std::vector<std::string> LinesWith(const std::string& part) const;

  // A tick counter that advances by `step` at each reading, from `start`.
  static void UseSteppingTicks(uint32_t start, uint32_t step);

  TempFolder folder_;
  std::unique_ptr<TLDSLogger> logger_;
};

// A database on a private server in the parts the pool takes.
struct PoolTarget {
  std::string server;
  int32_t port = 0;
  std::string path;
  std::string password;
};

// The shared server of the run; `path` empty when there is none.
PoolTarget SharedPoolTarget();
// The test database of a server that firebird-server.sh started in `folder`.
PoolTarget PoolTargetIn(const std::string& folder);

// "server/port:path" as given, for components made without the pool.
std::string DatabaseNameOf(const PoolTarget& target);

// The object number as the lines print it.
std::string NumberText(const void* object);

// The server's id of the attachment behind `database` (its default
// transaction started first when it is not running).
int64_t AttachmentOf(TIBDatabase* database);

}  // namespace zelmor::test
