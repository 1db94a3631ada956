// Attaching and detaching against the private server.
#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "rtl/text.h"
#include "test_server.h"

namespace zelmor {
namespace {

using test::ConnectShared;
using test::SharedServer;

// The message of the server error raised when attaching with these values.
std::string AttachError(const std::string& database, const std::string& password) {
  try {
    test::Connect(database, password);
  } catch (const EIBInterBaseError& error) {
    EXPECT_NE(error.IBErrorCode(), 0);
    return error.Message();
  }
  ADD_FAILURE() << "attaching " << database << " succeeded";
  return {};
}

TEST(DatabaseTest, AttachesAndDetaches) {
  ZELMOR_REQUIRE_SERVER();
  auto database = ConnectShared();
  EXPECT_TRUE(database->Connected());
  database->SetConnected(false);
  EXPECT_FALSE(database->Connected());
  database->SetConnected(true);
  EXPECT_TRUE(database->Connected());
}

TEST(DatabaseTest, AFailedAttachSaysWhy) {
  ZELMOR_REQUIRE_SERVER();
  const auto server = SharedServer();
  EXPECT_NE(AttachError(server.database, server.password + "x").find("password"), std::string::npos);

  // Beside the run's database: after its folder's last '/' (a bare name, as
  // the Windows build's, follows the ':').
  const std::string missing =
      server.database.substr(0, server.database.find_last_of("/:") + 1) + "missing.fdb";
  const std::string no_file = AttachError(missing, server.password);
  EXPECT_NE(no_file.find("missing.fdb"), std::string::npos) << no_file;

  // Port 1 on loopback: nobody listens there.
  const std::string no_server = AttachError("127.0.0.1/1:/tmp/x.fdb", server.password);
  EXPECT_NE(no_server.find("network"), std::string::npos) << no_server;
}

TEST(DatabaseTest, NameChangesOnlyWhileDisconnected) {
  ZELMOR_REQUIRE_SERVER();
  auto database = ConnectShared();
  const std::string name = database->DatabaseName();
  EXPECT_THROW(database->SetDatabaseName("other"), EIBClientError);
  EXPECT_EQ(database->DatabaseName(), name);
  database->SetConnected(false);
  database->SetDatabaseName("other");
  EXPECT_EQ(database->DatabaseName(), "other");
}

TEST(DatabaseTest, DetachEndsActiveTransactionsByTheirDefaultAction) {
  ZELMOR_REQUIRE_SERVER();
  const std::string table = test::UniqueTable("T_DETACH");
  auto database = ConnectShared();
  test::Execute(*database, "recreate table " + table + " (id integer)");

  for (const auto& [action, expected] :
       {std::pair{taCommit, 1}, std::pair{taRollback, 0}, std::pair{taCommitRetaining, 1}}) {
    test::Execute(*database, "delete from " + table);
    TIBTransaction* writer = test::MakeTransaction(*database, "write\nconcurrency");
    writer->SetDefaultAction(action);
    writer->StartTransaction();
    TIBDataSet insert;
    insert.SetDatabase(database.get());
    insert.SetTransaction(writer);
    insert.SelectSQL().SetText("insert into " + table + " values (1)");
    insert.ExecSQL();
    TIBDataSet reader;
    reader.SetDatabase(database.get());
    reader.SetTransaction(writer);
    reader.SelectSQL().SetText("select id from " + table);
    reader.Open();

    database->SetConnected(false);
    EXPECT_FALSE(writer->InTransaction());
    EXPECT_FALSE(reader.Active());
    database->SetConnected(true);

    TIBTransaction* check = test::MakeTransaction(*database, "read\nconcurrency");
    check->StartTransaction();
    TIBDataSet count;
    count.SetDatabase(database.get());
    count.SetTransaction(check);
    count.SelectSQL().SetText("select count(*) from " + table);
    count.Open();
    EXPECT_EQ(count.Fields(0).AsInteger(), expected) << "action " << action;
    delete check;
    delete writer;
  }
  test::Execute(*database, "drop table " + table);
}

TEST(DatabaseTest, CreatesAndDropsADatabaseOfItsOwn) {
  ZELMOR_REQUIRE_SERVER();
  const auto server = SharedServer();
  // A quote in the file name must reach the server as part of the name.
  const std::string name = server.database + "-it's.fdb";
  auto created = std::make_unique<TIBDatabase>();
  created->SetLoginPrompt(false);
  created->SetDatabaseName(name);
  created->Params().SetValues("user_name", "SYSDBA");
  created->Params().SetValues("password", server.password);
  created->Params().SetValues("lc_ctype", "WIN1251");
  created->CreateDatabase();
  ASSERT_TRUE(created->Connected());
  EXPECT_THROW(created->CreateDatabase(), EIBClientError) << "refused while connected";

  // Attached with its lc_ctype: Cyrillic text comes back as the same bytes.
  test::Execute(*created, "create table t (name varchar(10))");
  test::Execute(*created, "insert into t values ('Бензин')");
  TIBTransaction* reader = test::MakeTransaction(*created, "read\nread_committed");
  reader->StartTransaction();
  TIBDataSet query;
  query.SetDatabase(created.get());
  query.SetTransaction(reader);
  query.SelectSQL().SetText("select name, rdb$character_set_name from t, rdb$database");
  query.Open();
  EXPECT_EQ(query.Fields(0).AsString(), "Бензин");
  EXPECT_EQ(Trim(query.Fields(1).AsString()), "WIN1251") << "the default character set";

  created->DropDatabase();
  EXPECT_FALSE(created->Connected());
  EXPECT_FALSE(reader->InTransaction());
  EXPECT_FALSE(query.Active());
  EXPECT_FALSE(AttachError(name, server.password).empty()) << "the file is gone";

  created->Params().SetValues("lc_ctype", "WIN1251 collate x");
  EXPECT_THROW(created->CreateDatabase(), EIBClientError) << "not a character set name";
}

TEST(DatabaseTest, CloseDataSetsClosesEveryAttachedDataSet) {
  ZELMOR_REQUIRE_SERVER();
  auto database = ConnectShared();
  TIBTransaction* transaction = test::MakeTransaction(*database, "read\nread_committed\nrec_version");
  database->SetDefaultTransaction(transaction);
  transaction->StartTransaction();
  TIBDataSet first;
  TIBDataSet second;
  for (TIBDataSet* dataset : {&first, &second}) {
    dataset->SetDatabase(database.get());
    dataset->SelectSQL().SetText("select rdb$relation_name from rdb$relations");
    dataset->Open();
  }
  database->CloseDataSets();
  EXPECT_FALSE(first.Active());
  EXPECT_FALSE(second.Active());
  EXPECT_TRUE(transaction->InTransaction());
  EXPECT_TRUE(database->Connected());
}

// Closes that cannot end a transaction by its default action: the server
// refuses its commit. Whatever fails, nothing may stay open on the server.
class ForcedCloseTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!test::ServerUnavailable().empty()) return;
    auto admin = ConnectShared();
    test::InstallCommitRefusal(*admin);
    test::Execute(*admin, "recreate table " + Table() + " (id integer)");
  }
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    observer_ = ConnectShared();
    test::Execute(*observer_, "delete from " + table_);
    database_ = ConnectShared();
    attachment_ = test::AttachmentId(*database_);
  }
  static std::string Table() { return test::UniqueTable("T_FORCED"); }

  // A transaction whose commit fails, after it has written a row.
  TIBTransaction* ArmWithARow() {
    return test::ArmCommitFailure(*database_, "insert into " + table_ + " values (1)");
  }
  int64_t OpenAttachments() { return test::OpenAttachments(*observer_, {attachment_}); }
  int64_t Rows() { return test::QueryInteger(*observer_, "select count(*) from " + table_); }

  std::string table_ = Table();
  std::unique_ptr<TIBDatabase> observer_;
  std::unique_ptr<TIBDatabase> database_;
  int64_t attachment_ = 0;
};

TEST_F(ForcedCloseTest, ACloseWhoseCommitFailsRollsBackDetachesAndStillRaises) {
  TIBTransaction* armed = ArmWithARow();
  try {
    database_->SetConnected(false);
    FAIL() << "the failed commit was swallowed";
  } catch (const EIBInterBaseError& error) {
    EXPECT_NE(error.Message().find("commit refused"), std::string::npos) << error.Message();
  }
  EXPECT_FALSE(armed->InTransaction());
  EXPECT_FALSE(database_->Connected());
  EXPECT_EQ(OpenAttachments(), 0);
  EXPECT_EQ(Rows(), 0) << "rolled back, not committed";
  database_->SetConnected(true);
  EXPECT_TRUE(database_->Connected()) << "and it can be opened again";
}

TEST_F(ForcedCloseTest, FreeingADatabaseWhoseCommitFailsLeavesNothingOnTheServer) {
  ArmWithARow();
  database_.reset();
  EXPECT_EQ(OpenAttachments(), 0);
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ForcedCloseTest, FreeingATransactionWhoseCommitFailsRollsItBack) {
  delete ArmWithARow();
  EXPECT_EQ(Rows(), 0);
  EXPECT_NO_THROW(database_->SetConnected(false)) << "no transaction is left to refuse the detach";
  EXPECT_EQ(OpenAttachments(), 0);
}

}  // namespace
}  // namespace zelmor
