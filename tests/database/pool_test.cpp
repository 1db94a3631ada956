// The pool against the private server: keys, reuse, returns, trimming and
// the failures that must not leave dead connections behind.
#include <gtest/gtest.h>

#include <thread>

#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "pool_fixture.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "rtl/text.h"
#include "test_server.h"

namespace zelmor {
namespace {

using db::PoolEntries;
using db::PoolSize;
using test::NumberText;
using test::PoolTest;

bool PoolLockIsFree() {
  bool free = false;
  std::thread([&] {
    std::unique_lock lock(db::PoolLock(), std::try_to_lock);
    free = lock.owns_lock();
  }).join();
  return free;
}

TEST(PoolKeyTest, UpperCasesTheCp1251WayAndLeavesCredentialsOut) {
  // The path keeps its case where file names do (Linux): upper-cased, it
  // would name another file.
  const std::string path = "c:\\база\\ёлка.fdb";
  const std::string key_path =
      platform::kCaseInsensitiveFileNames ? "C:\\БАЗА\\ЁЛКА.FDB" : path;
  EXPECT_EQ(db::PoolKey("srv", 3050, path), "SRV/3050:" + key_path);
  EXPECT_EQ(db::PoolKey("сервер", 3050, path), "СЕРВЕР/3050:" + key_path);
  EXPECT_EQ(db::PoolKey("Srv", -1, ""), "SRV/-1:");
}

TEST_F(PoolTest, ATakenConnectionIsOpenWithItsReadOnlyTransactionStarted) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* database = Take("Kassa");
  EXPECT_TRUE(database->Connected());
  EXPECT_EQ(database->DatabaseName(), Key());
  EXPECT_FALSE(database->LoginPrompt());
  EXPECT_EQ(database->Params().Lines(),
            (std::vector<std::string>{"user_name=SYSDBA", "password=" + target_.password,
                                      "lc_ctype=WIN1251"}));
  TIBTransaction* transaction = database->DefaultTransaction();
  ASSERT_NE(transaction, nullptr);
  EXPECT_EQ(transaction->Owner(), database);
  EXPECT_TRUE(transaction->InTransaction());
  EXPECT_EQ(transaction->Params().Lines().back(), "read");

  const auto entries = PoolEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Key, Key());
  EXPECT_TRUE(entries[0].Busy);
  EXPECT_EQ(entries[0].LastReturned, 0.0);
  EXPECT_EQ(entries[0].Database, database);

  const std::string number = NumberText(database);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[?] TRAN:CREATE (d" + number + " Тип:RC_RO Владелец:-TIBDatabase)");
  EXPECT_EQ(lines[1].rfind("[Kassa] DB:OPEN (d" + number + ", " + Key() + ", , ", 0), 0u)
      << lines[1];
}

TEST_F(PoolTest, AReturnedConnectionServesTheSameKeyWhateverTheCaseAndCredentials) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* database = Take();
  TIBDataSet reader;
  reader.SetDatabase(database);
  reader.SelectSQL().SetText("select 1 from rdb$database");
  reader.Open();

  Return(database);
  EXPECT_FALSE(reader.Active()) << "a return closes the connection's datasets";
  EXPECT_FALSE(database->DefaultTransaction()->InTransaction()) << "and rolls back";
  EXPECT_TRUE(database->Connected()) << "but keeps it open";
  EXPECT_FALSE(PoolEntries()[0].Busy);
  EXPECT_EQ(PoolEntries()[0].LastReturned, *now_);

  std::string lower_server = target_.server;
  for (char& c : lower_server) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // Letter case of the path counts only where file names ignore it.
  const std::string path =
      platform::kCaseInsensitiveFileNames ? AnsiLowerCase(target_.path) : target_.path;
  TIBDatabase* again = db::FBGetIBDataBaseFromPool(path, "wrong", target_.port, lower_server,
                                                   "NOBODY", "UTF8", "T");
  EXPECT_EQ(again, database);
  EXPECT_TRUE(PoolEntries()[0].Busy);
  EXPECT_EQ(PoolEntries()[0].LastReturned, 0.0) << "a handed-out entry has no moment of return";
  EXPECT_TRUE(again->DefaultTransaction()->InTransaction()) << "each take starts it again";
  EXPECT_EQ(again->Params().Values("user_name"), "SYSDBA") << "the first caller's credentials";
  EXPECT_EQ(PoolSize(), 1u);
  EXPECT_EQ(LinesWith("DB:OPEN").size(), 1u);
}

TEST_F(PoolTest, AReturnClosesEveryDatasetOfTheConnection) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* database = Take();
  // On a transaction of its own, which the return's rollback leaves alone.
  auto* transaction = new TIBTransaction(database);
  transaction->SetDefaultDatabase(database);
  transaction->StartTransaction();
  TIBDataSet reader;
  reader.SetDatabase(database);
  reader.SetTransaction(transaction);
  reader.SelectSQL().SetText("select 1 from rdb$database");
  reader.Open();

  Return(database);
  EXPECT_FALSE(reader.Active());
  EXPECT_TRUE(transaction->InTransaction()) << "only the default transaction is rolled back";
  transaction->Rollback();
}

TEST_F(PoolTest, AnIdleConnectionServesOnlyItsOwnKey) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* database = Take();
  Return(database);
  test::PoolTarget other = target_;
  other.path = "ZELMOR_NO_SUCH_DATABASE";
  EXPECT_THROW(TakeFrom(other, "T"), EIBInterBaseError) << "a new connection, which cannot open";
  const auto entries = PoolEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Database, database);
  EXPECT_FALSE(entries[0].Busy);
}

TEST_F(PoolTest, TheIdleEntryCreatedFirstIsHandedOutFirst) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* first = Take();
  TIBDatabase* second = Take();
  ASSERT_NE(first, second);
  Return(second);
  Return(first);
  EXPECT_EQ(Take(), first);
  EXPECT_EQ(Take(), second);
  EXPECT_EQ(PoolSize(), 2u);
}

TEST_F(PoolTest, ReturningAStrangerOrTwiceRaisesNothing) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* database = Take();
  TIBDatabase stranger;
  EXPECT_NO_THROW(Return(&stranger));
  EXPECT_NO_THROW(Return(nullptr));
  EXPECT_TRUE(PoolEntries()[0].Busy);

  Return(database);
  Advance(1);
  EXPECT_NO_THROW(Return(database));
  EXPECT_EQ(PoolEntries()[0].LastReturned, *now_) << "the second return refreshes the moment";
  EXPECT_EQ(PoolSize(), 1u);
}

TEST_F(PoolTest, OnlyMoreThanFiveEntriesAreTrimmedAndOnlyAfterSixWholeMinutes) {
  ZELMOR_REQUIRE_SERVER();
  std::vector<TIBDatabase*> taken;
  for (int i = 0; i < 5; ++i) taken.push_back(Take());
  for (TIBDatabase* database : taken) Return(database);
  Advance(600);
  Return(Take());
  EXPECT_EQ(PoolSize(), 5u) << "five entries are never trimmed";

  // Five idle, a sixth busy, a seventh returned late.
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Take(), taken[i]);
  TIBDatabase* busy = Take();
  TIBDatabase* seventh = Take();
  for (TIBDatabase* database : taken) Return(database);
  Advance(5, 59, 999);
  Return(seventh, "Trim");
  EXPECT_EQ(PoolSize(), 7u) << "5 whole minutes are not enough";

  Advance(0, 0, 1);
  Return(taken[0], "Trim");
  const auto entries = PoolEntries();
  ASSERT_EQ(entries.size(), 3u) << "the walk goes on below five";
  EXPECT_EQ(entries[0].Database, taken[0]) << "returned in this call";
  EXPECT_EQ(entries[1].Database, busy);
  EXPECT_EQ(entries[2].Database, seventh) << "idle for less than a second";

  std::vector<std::string> closed;
  for (const std::string& line : LinesWith("DB:CLOSE")) closed.push_back(line.substr(0, line.find(',')));
  const std::vector<std::string> expected = {
      "[Trim] DB:CLOSE (d" + NumberText(taken[4]), "[Trim] DB:CLOSE (d" + NumberText(taken[3]),
      "[Trim] DB:CLOSE (d" + NumberText(taken[2]), "[Trim] DB:CLOSE (d" + NumberText(taken[1])};
  EXPECT_EQ(closed, expected) << "last list position first, with this call's tag";
}

TEST_F(PoolTest, AConnectionThatFailsToOpenLeavesThePool) {
  ZELMOR_REQUIRE_SERVER();
  test::PoolTarget missing = target_;
  missing.path = "ZELMOR_NO_SUCH_DATABASE";
  for (int attempt = 0; attempt < 3; ++attempt) {
    try {
      TakeFrom(missing, "T");
      FAIL() << "a missing database opened";
    } catch (const EIBInterBaseError& error) {
      const std::string& text = error.Message();
      EXPECT_EQ(text.rfind("FBGetIBDataBaseFromPool -> ", 0), 0u) << text;
      EXPECT_TRUE(text.ends_with(" <# EIBInterBaseError #>")) << text;
      const size_t prefix = std::string("FBGetIBDataBaseFromPool -> ").size();
      const size_t suffix = std::string(" <# EIBInterBaseError #>").size();
      const std::string component_message = text.substr(prefix, text.size() - prefix - suffix);
      EXPECT_EQ(LinesWith("ERROR FBConnectDB").size(), static_cast<size_t>(attempt + 1));
      const auto tail = AsLines({"[T] ERROR FBConnectDB: " + component_message});
      const auto lines = Lines();
      ASSERT_GE(lines.size(), tail.size());
      EXPECT_TRUE(std::equal(tail.begin(), tail.end(), lines.end() - tail.size()))
          << "the caller gets the component's message behind the context";
    }
    EXPECT_EQ(PoolSize(), 0u) << "no dead entry stays behind";
  }
  EXPECT_EQ(LinesWith("TRAN:CREATE").size(), 3u);
  EXPECT_EQ(LinesWith("Ошибка подкл.").size(), 3u);
  EXPECT_TRUE(PoolLockIsFree());

  // The pool works on for a database that exists.
  TIBDatabase* database = Take();
  EXPECT_TRUE(database->Connected());
  EXPECT_EQ(PoolSize(), 1u);
}

// A commit the server refuses, armed per transaction, so that closing a
// connection with such a transaction active fails.
class PoolCloseFailureTest : public PoolTest {
 protected:
  // Made once: altering a trigger while an earlier case's connection is
  // still attached is refused by the server.
  static void SetUpTestSuite() {
    if (test::ServerUnavailable().empty()) test::InstallCommitRefusal(*test::ConnectShared());
  }
};

TEST_F(PoolCloseFailureTest, ATrimmedConnectionThatFailsToCloseDoesNotKeepTheOthersOpen) {
  ZELMOR_REQUIRE_SERVER();
  std::vector<TIBDatabase*> taken;
  std::vector<int64_t> trimmed;
  for (int i = 0; i < 6; ++i) {
    taken.push_back(Take());
    if (i > 0) trimmed.push_back(test::AttachmentId(*taken.back()));
  }
  test::ArmCommitFailure(*taken[5]);  // the first one set aside
  test::ArmCommitFailure(*taken[3]);
  for (TIBDatabase* database : taken) Return(database);
  Advance(6);
  try {
    Return(Take(), "Trim");
    FAIL() << "the failed close was swallowed";
  } catch (const EIBInterBaseError& error) {
    EXPECT_EQ(error.Message().rfind("FBReturnIBDataBaseToPool -> ", 0), 0u) << error.Message();
    EXPECT_NE(error.Message().find("commit refused"), std::string::npos) << error.Message();
    EXPECT_TRUE(error.Message().ends_with(" <# EIBInterBaseError #>"));
  }
  EXPECT_EQ(PoolSize(), 1u);
  EXPECT_EQ(LinesWith("[Trim] Ошибка закрытия подкл.").size(), 2u);
  EXPECT_EQ(LinesWith("[Trim] DB:CLOSE").size(), 3u) << "the others were closed all the same";
  EXPECT_TRUE(PoolLockIsFree());
  EXPECT_EQ(test::OpenAttachments(*test::ConnectShared(), trimmed), 0)
      << "the failed ones were rolled back and detached all the same";
}

TEST_F(PoolCloseFailureTest, ClearPoolReleasesEveryConnectionAndReportsTheFirstFailure) {
  ZELMOR_REQUIRE_SERVER();
  std::vector<TIBDatabase*> taken;
  std::vector<int64_t> attachments;
  for (int i = 0; i < 3; ++i) {
    taken.push_back(Take());
    attachments.push_back(test::AttachmentId(*taken.back()));
  }
  test::ArmCommitFailure(*taken[0]);
  try {
    db::ClearPool();
    FAIL() << "the failed close was swallowed";
  } catch (const EIBInterBaseError& error) {
    EXPECT_EQ(error.Message().rfind("ClearPool -> ", 0), 0u) << error.Message();
  }
  EXPECT_EQ(PoolSize(), 0u);
  EXPECT_EQ(LinesWith("[] Ошибка закрытия подкл.").size(), 1u);
  EXPECT_EQ(LinesWith("[] DB:CLOSE").size(), 2u);
  EXPECT_TRUE(PoolLockIsFree());
  EXPECT_EQ(test::OpenAttachments(*test::ConnectShared(), attachments), 0);
}

}  // namespace
}  // namespace zelmor
