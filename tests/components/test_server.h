// The private Firebird server a test run talks to (started by
// scripts/firebird-server.sh, which sets ZELMOR_FB_TEST_DB), and helpers
// for tests that need it.
#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "support/test_support.h"

namespace zelmor::test {

struct TestServer {
  std::string database;  // 127.0.0.1/port:path
  std::string password;  // of SYSDBA
};

// The database of this test program on the run's server, made afresh the
// first time a process of the program asks (CTest runs programs in
// parallel, so no two of them ever meet in one database; metadata changes
// of one cannot conflict with another's attachments). The first call also
// points ZELMOR_FB_TEST_DB at it, so that child processes use it too.
// Empty database text when no server was started for this run.
TestServer SharedServer();
// Why the server tests cannot run here, or "" when they can: no server for
// this run, or no client library (the Windows build under Wine has none;
// on Linux a missing client fails ClientLibraryTest instead).
std::string ServerUnavailable();

#define ZELMOR_REQUIRE_SERVER()                                                 \
  if (const std::string why = ::zelmor::test::ServerUnavailable(); !why.empty()) \
  GTEST_SKIP() << why

// A connected database with user, password and lc_ctype WIN1251.
std::unique_ptr<TIBDatabase> Connect(const std::string& database, const std::string& password);
std::unique_ptr<TIBDatabase> ConnectShared();

// A transaction of `database` with these parameter lines.
TIBTransaction* MakeTransaction(TIBDatabase& database, const std::string& params);
// Runs `sql` in its own read-write transaction and commits.
void Execute(TIBDatabase& database, const std::string& sql);
// The first column of the first row of `sql`, run in a read-only
// transaction of its own (a fresh one sees a fresh MON$ snapshot).
int64_t QueryInteger(TIBDatabase& database, const std::string& sql);
// The server's number for the attachment of `database` (CURRENT_CONNECTION).
int64_t AttachmentId(TIBDatabase& database);
// How many of the attachments `ids` the server still has, asked through
// `observer`, another attachment to the same database (MON$ATTACHMENTS
// shows the attachments of its own database only).
int64_t OpenAttachments(TIBDatabase& observer, const std::vector<int64_t>& ids);

// A commit that the server refuses with "commit refused" once armed in a
// transaction: an exception and a database trigger on commit, made in the
// program's database (before any case keeps an attachment: the server
// refuses to alter the trigger while one is in use).
void InstallCommitRefusal(TIBDatabase& database);
// A new read-write transaction of `database` (owned by it), started and
// armed, whose commit the server refuses; `sql`, when given, runs in it first.
TIBTransaction* ArmCommitFailure(TIBDatabase& database, const std::string& sql = "");

// A table name used by this process only, so that child processes and
// concurrent runs of one program do not meet.
std::string UniqueTable(const std::string& stem);

// The bash script that starts and stops private servers.
// Under Wine too: the script runs as a Unix program there.
int RunServerScript(const std::string& command, const std::string& folder);
// The database of a server the script started in `folder`.
std::string ServerDatabase(const std::string& folder);

// A private server of the test's own, in a fresh folder; stopped whatever the
// test's outcome.
class OwnServer {
 public:
  OwnServer() { started_ = RunServerScript("start", folder_.Path()) == 0; }
  ~OwnServer() { RunServerScript("stop", folder_.Path()); }
  bool Started() const { return started_; }
  const std::string& Folder() const { return folder_.Path(); }

 private:
  TempFolder folder_;
  bool started_ = false;
};

}  // namespace zelmor::test
